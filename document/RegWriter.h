// Writes documents and branches as .reg text, single-byte or UTF-16LE.
#pragma once

#include "document/Platform.h"
#include "document/RegDialect.h"

#include <cstddef>
#include <cstdint>

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

// The text a write makes: UTF-16LE with its byte-order mark, or single-byte
// text of the legacy code page (files that registry editors read) or of
// program text (payloads the program reads back). Dialect-4 character data
// (hex(2), hex(7)) is legacy text in files, program text in payloads.
enum class TextForm : uint8_t { Program, Legacy, Utf16 };

bool WriteHeader(ByteSink& out, TextForm form, RegDialect dialect);
// The key and its descendants, depth first. progress and lost may be null;
// lost learns the characters a legacy write had to replace by '?'.
bool WriteKeyTree(const KeyNode* key, ByteSink& out, TextForm form, RegDialect dialect, WriteProgress* progress,
                  LostCharacters* lost = nullptr);
// Payload forms: UTF-16 when unicode is set, else program text.
bool WriteHeader(ByteSink& out, bool unicode, RegDialect dialect);
bool WriteKeyTree(const KeyNode* key, ByteSink& out, bool unicode, RegDialect dialect, WriteProgress* progress);
// The NUL (two zero bytes) that ends a text handed over in memory; files
// never get it.
bool WriteEnd(ByteSink& out);
// Files: UTF-16 when unicode is set, else legacy text. Writes to a temporary
// file beside path and replaces path only when the whole file was written
// and flushed; on failure path is left as it was, and systemError (may be
// null) gets the system's code for the file operation that failed, or 0.
bool SaveTo(RegDocument& document, const char* path, bool unicode, RegDialect dialect,
            uint32_t* systemError = nullptr);
bool WriteBranchFile(RegDocument& document, const KeyNode* key, const char* path, bool unicode, RegDialect dialect,
                     uint32_t* systemError = nullptr);
// The whole document to a sink, reporting progress to the document's owner.
bool WriteDocument(RegDocument& document, ByteSink& out, TextForm form, RegDialect dialect,
                   LostCharacters* lost = nullptr);
// The same in file forms: UTF-16 when unicode is set, else legacy text.
bool WriteDocument(RegDocument& document, ByteSink& out, bool unicode, RegDialect dialect);
// The characters a save of the document in the dialect would replace by '?'
// (a dry run of that save, reporting progress to the document's owner);
// none: empty. A single-byte save loses what the legacy page lacks anywhere
// in its text; a UTF-16 save only in dialect-4 hex(2)/hex(7) data, which is
// legacy text in every "REGEDIT4" file.
LostCharacters FindLostCharacters(RegDocument& document, RegDialect dialect, bool unicode = false);
