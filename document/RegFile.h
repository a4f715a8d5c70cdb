// Reading .reg files into the single-byte text the parser works on, and the
// load of a file into a document (RegDocument::Load).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "document/Platform.h"
#include "document/RegDialect.h"
#include "document/RegDocument.h"

class KeyTreeSink;

enum class ReadError { None, Open, TooShort, Read, OutOfMemory, Conversion, Header, Aborted };
const char* ReadErrorText(ReadError error);

// One load of a file into a document: what to read and how, then what the
// read found.
struct LoadJob {
    std::string path;
    KeyTreeSink* view = nullptr;  // not owned; none for a plain open
    bool clearFirst = true;
    bool checkDuplicates = true;

    RegDialect dialect = kNoDialect;  // of the header
    bool unicode = false;
    // A UTF-16 or UTF-8 file held characters that program text cannot hold
    // (only where program text is not UTF-8), or broken UTF-8 sequences.
    bool lossy = false;
    // The file was UTF-8 with a byte-order mark (opened as if UTF-16).
    bool utf8 = false;
    // The file as it was read: a later save or activation compares it with
    // the file on disk to see whether another program changed it.
    FileStamp stamp;
    ReadError error = ReadError::None;  // why a load failed
    // How the parse ended (when the read got so far).
    ParseEnd parseEnd = ParseEnd::Complete;
    size_t keys = 0;  // key lines taken into the document
    bool cleared = false;  // the document was cleared for the file
    uint32_t systemError = 0;           // the system's code, where it gave one
};

// The loaded text: bytes followed by kScanPadding NUL bytes, allocated with
// new char[].
struct RegText {
    std::unique_ptr<char[]> text;
    size_t length = 0;  // characters as read (progress only)
    RegDialect dialect = kNoDialect;
    bool unicode = false;
    bool lossy = false;
    bool utf8 = false;
    bool crlfMade = false;     // the file's line ends were LF or CR alone: made CR LF
    bool legacy = false;       // single-byte legacy text kept as read, not made program text
    FileStamp stamp;           // the file's, taken when it was opened
    uint32_t systemError = 0;  // why it could not be opened or read
};

// Reads a .reg file whole as program text, converting UTF-16 or UTF-8 (each
// with its byte-order mark) or legacy single-byte text, and tests its header. False with the reason on
// failure.
// keepLegacy: a single-byte file stays legacy text (out.legacy says so), for
// a reader that converts only the little it shows.
bool ReadRegFile(const char* path, RegText& out, ReadError& error, bool keepLegacy = false);
// The same over bytes already in memory (the converted text is new).
bool DecodeRegBytes(const char* bytes, size_t size, RegText& out, ReadError& error);
