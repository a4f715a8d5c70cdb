// The parse's walk over a text's key lines: each key line and its block of
// value text found, marked off with NULs and, in a "REGEDIT4" file, its
// legacy character data recoded as program text. A large text is walked on a
// thread of its own, a batch of key lines ahead of the parse that makes the
// keys, so that finding the lines and making the keys take place side by
// side.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "document/ByteSink.h"

// FindNextKeyLine, with the closing "]" of the key line found (close). With
// paren, the same scan also finds the first "(" after from (null when there
// is none before the key line found or the end of the text).
const char* FindNextKeyLine(const char* begin, const char* from, const char*& close, const char** paren);

// One key line and its block, as the walk found them. keyLine and close (its
// "[" and "]") are NULs now: the path lies between them.
struct KeyLineFound {
    char* keyLine = nullptr;
    char* close = nullptr;
    char* values = nullptr;  // where its value text starts in the text
    char* next = nullptr;    // the next key line's "[", null at the end
    char* block = nullptr;   // its value text as the key keeps it; null when none
    bool outOfMemory = false;  // its block could not be recoded: the walk ends
};

enum class KeyLineStep { Found, End, Stopped };

class BlockArena;

// Walks the key lines of a parse buffer (text with the scanners' padding).
class KeyLineScan {
public:
    // recode: the text's character data is legacy text, to be recoded;
    // inPlace: a recoded block may take the place of its text (nothing reads
    // the lines as they were). Blocks that do not fit go among buffers.
    KeyLineScan(char* text, bool recode, bool inPlace, std::vector<std::unique_ptr<char[]>>& buffers,
                const std::atomic<int32_t>& abort);
    ~KeyLineScan();
    KeyLineScan(const KeyLineScan&) = delete;
    KeyLineScan& operator=(const KeyLineScan&) = delete;

    // The first key line's "[", before any is taken; null when none.
    const char* First() const { return keyLine; }
    KeyLineStep Next(KeyLineFound& found);

private:
    char* keyLine = nullptr;
    const char* nextClose = nullptr;
    bool recode;
    bool inPlace;
    const std::atomic<int32_t>& abort;
    MemorySink recoded;
    std::unique_ptr<BlockArena> arena;
};

// The key lines of a scan, taken on this thread or, for a large text, found
// on a thread of its own ahead of the taker. The thread stops when this
// goes, wherever it stands.
class KeyLineSource {
public:
    KeyLineSource(KeyLineScan& scan, bool ahead);
    ~KeyLineSource();
    KeyLineSource(const KeyLineSource&) = delete;
    KeyLineSource& operator=(const KeyLineSource&) = delete;

    KeyLineStep Next(KeyLineFound& found);

private:
    static constexpr size_t kBatch = 1024;
    static constexpr size_t kBatches = 4;
    struct Batch {
        KeyLineFound lines[kBatch];
        size_t count = 0;
        KeyLineStep last = KeyLineStep::Found;  // how the walk went on after the batch
    };
    void Run();

    KeyLineScan& scan;
    std::unique_ptr<Batch[]> batches;
    std::mutex lock;
    std::condition_variable changed;
    size_t filled = 0;  // batches handed over, ever
    size_t taken = 0;   // batches done with, ever
    bool stop = false;
    Batch* current = nullptr;  // the batch being taken
    size_t position = 0;       // in it
    std::thread thread;
};
