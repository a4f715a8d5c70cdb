// The comparison of two .reg files by what they do to the registry: the
// state each leaves when merged into an empty registry (RegState.h) is
// compared key by key and value by value, and the difference is written as
// a document whose merge turns the first file's state into the second's:
// new keys and values, changed values, "[-KEY]" and "name"=- for what the
// second lacks. Portable; runs on the worker runner.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class ByteSink;
class ProgressSink;
class RegDocument;

struct CompareCounts {
    size_t keysAdded = 0;    // keys the second file's state has and the first's lacks
    size_t keysRemoved = 0;  // "[-KEY]" lines: the heads of branches only the first has
    size_t valuesAdded = 0;
    size_t valuesChanged = 0;
    size_t valuesRemoved = 0;
    bool Equal() const { return keysAdded + keysRemoved + valuesAdded + valuesChanged + valuesRemoved == 0; }
};

enum class CompareEnd : uint8_t { Complete, Stopped, OutOfMemory };

// Fills result (an empty document) with the difference from first to second:
// second's dialect and encoding, a preamble of comment lines naming both
// files (firstName, secondName: program text). stop (may be null) ends the
// comparison when it becomes non-zero; progress (may be null) hears the
// percentage done.
CompareEnd CompareDocuments(const RegDocument& first, const RegDocument& second, RegDocument& result,
                            CompareCounts& counts, const std::string& firstName, const std::string& secondName,
                            const std::atomic<int32_t>* stop = nullptr, ProgressSink* progress = nullptr);

// Every key and value of the document's state as program text, sorted by
// path and name without regard to case, one line each: "[PATH]" for a key,
// "[PATH] NAME = TYPE: DATA" for a value ("@" names the default value), line
// breaks inside names and data written as \r and \n. A line diff of two such
// texts is readable.
bool WriteStateText(const RegDocument& document, ByteSink& out);
