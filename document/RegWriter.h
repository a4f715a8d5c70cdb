// Writes documents and branches as .reg text, single-byte or UTF-16LE.
#pragma once

#include "document/RegDialect.h"

#include <cstddef>

class ByteSink;
class KeyNode;
class ProgressSink;
class RegDocument;

// A running write's count of key lines, reported to the sink in steps of
// more than 5 percent.
struct WriteProgress {
    ProgressSink* sink = nullptr;  // not owned; may be null
    size_t keysToWrite = 0;
    size_t keysWritten = 0;
    int lastPercent = 0;
};

bool WriteHeader(ByteSink& out, bool unicode, RegDialect dialect);
// The key and its descendants, depth first. progress may be null.
bool WriteKeyTree(const KeyNode* key, ByteSink& out, bool unicode, RegDialect dialect, WriteProgress* progress);
bool WriteEnd(ByteSink& out);
// Writes to a temporary file beside path and replaces path only when the
// whole file was written and flushed; on failure path is left as it was.
bool SaveTo(RegDocument& document, const char* path, bool unicode, RegDialect dialect);
bool WriteBranchFile(RegDocument& document, const KeyNode* key, const char* path, bool unicode, RegDialect dialect);
// The whole document to a sink, reporting progress to the document's owner.
bool WriteDocument(RegDocument& document, ByteSink& out, bool unicode, RegDialect dialect);
