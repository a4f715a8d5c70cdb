// The .reg grammar this parser accepts (the registry editor's reading):
//
//   file      = header-line (any text) { key-line value-text }
//   header    = "REGEDIT4" | "Windows Registry Editor Version 5.00", case
//               ignored, spaces around, ended by CR LF, LF or CR
//   key-line  = "[" path "]" (any text) (CR | LF | end); the "[" first on its
//               line after blanks (spaces and tabs), the "]" the last of the
//               line; the text after it is ignored
//   value     = blanks ( "@" | quoted-name ) "=" data
//   data      = quoted-string | "dword:" digits | hex-token ":" hex-bytes
//   hex-token = "hex" | "hex(" n ")", letter case ignored
//   hex-bytes = bytes separated by commas, read as ReadHexData says: a
//               backslash at the end of a line (a ";" comment may follow it)
//               continues the data on the next line that is neither blank
//               nor a comment, whatever that line holds
//
// Every line stands alone: a string or quoted name ends at its line, and a
// line that does not close it is no value. Only hex data runs on over lines;
// a line it takes in is never a key line. The text between the header and
// the first key line is the document's preamble. Value lines are parsed only
// when a key's values are needed. Any other line inside a key's values (a
// comment, a deletion "x"=-, data the registry editor drops, a form this
// parser does not know) is kept as text.
#include "document/RegParser.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentEdits.h"
#include "document/DocumentSinks.h"
#include "document/FailPoint.h"
#include "document/KeyLineScan.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/TextScan.h"
#include "document/ValueCodec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool StartsWithNoCase(const char* text, const char* word) {
    for (; *word; ++text, ++word)
        if (*text == '\0' || UpperByte(static_cast<unsigned char>(*text)) != UpperByte(static_cast<unsigned char>(*word)))
            return false;
    return true;
}

}  // namespace

// String data and quoted names: a backslash escapes the character after it.
// The registry editor ends a string at its line: a line break (or the end of
// the text) before the closing quote leaves the string open, and the line is
// no value; an escaped quote or a backslash at the end of a line does not
// carry the string on to the next line. Returns the closing quote, or null.
// Wine's regedit goes further with an unterminated string whose line ends in
// a backslash: it reads no line after it, to the end of the file. That looks
// like a fault of its own (Windows' editor may well read on), so the lines
// after it are read here; a save keeps the line as it is, so that either
// editor merges the saved file as it merges the original.
const char* FindClosingQuote(const char* open) {
    const char* p = open + 1;
    for (;;) {
        p = textscan::FindAny4(p, '"', '\\', '\r', '\n');
        if (*p == '"') return p;
        if (*p != '\\' || p[1] == '\0' || IsLineEnd(p[1])) return nullptr;
        p += 2;
    }
}

namespace {

// A value name ends on its own line: a name that is not closed there is not
// a name, and must not take in the next line's quote (which would make the
// meaning of a kept line depend on the line written after it).
const char* FindNameEnd(const char* open) {
    for (const char* p = open + 1;; ++p) {
        if (*p == '"') return p;
        if (*p == '\0' || IsLineEnd(*p)) return nullptr;
        if (*p == '\\') {
            if (p[1] == '\0' || IsLineEnd(p[1])) return nullptr;
            ++p;
        }
    }
}

const char* LineEnd(const char* p) {
    while (*p && !IsLineEnd(*p)) ++p;
    return p;
}

}  // namespace

namespace {

// The data of the value line at line, as FindValueData; nameEnd is set to
// the closing quote of a quoted name, null for "@". The "=" must be on the
// name's line: a name alone on its line is not a value, and the search must
// not run into the next value's line.
const char* FindValueData(const char* line, const char*& nameEnd) {
    const char* p = line;
    nameEnd = nullptr;
    if (*p == '@') {
        ++p;
    } else if (*p == '"') {
        nameEnd = FindNameEnd(p);
        if (!nameEnd) return nullptr;
        p = nameEnd + 1;
    } else {
        return nullptr;
    }
    while (*p && !IsLineEnd(*p) && *p != '=') ++p;
    if (*p != '=') return nullptr;
    while (*p == '=' || *p == ' ') ++p;
    return *p ? p : nullptr;
}

}  // namespace

const char* FindValueData(const char* line) {
    const char* nameEnd;
    return FindValueData(line, nameEnd);
}

RegDialect TestHeader(const char* text) {
    const char* p = text;
    while (*p == ' ') ++p;
    // The header line ends at CR LF, LF or CR; a header with no line end
    // after it is no header.
    const char* lineEnd = textscan::FindAny2(p, '\r', '\n');
    if (*lineEnd == '\0') return kNoDialect;
    const char* end = lineEnd;
    while (end > p && end[-1] == ' ') --end;
    size_t length = static_cast<size_t>(end - p);
    auto same = [&](const char* word) {
        for (size_t i = 0; i < length; ++i)
            if (UpperByte(static_cast<unsigned char>(p[i])) != UpperByte(static_cast<unsigned char>(word[i]))) return false;
        return true;
    };
    if (length == 8) return same("REGEDIT4") ? kRegedit4 : kNoDialect;
    if (length == 36) return same("Windows Registry Editor Version 5.00") ? kRegedit5 : kNoDialect;
    return kNoDialect;
}

namespace {

// The line before the one at lineStart that is neither blank nor a comment
// (a continuation of hex data skips those): its start and end (line break
// excluded). False when none starts after begin.
bool PreviousDataLine(const char* begin, const char* lineStart, const char*& start, const char*& end) {
    for (;;) {
        const char* e = lineStart - 1;
        if (e <= begin) return false;
        if (*e == '\n' && e - 1 > begin && e[-1] == '\r') --e;
        const char* lineBreak = textscan::FindLastOf2(begin, e, '\r', '\n');
        const char* s = lineBreak ? lineBreak + 1 : begin;
        if (s == begin) return false;
        const char* t = SkipLineIndent(s);
        if (t != e && *t != ';') {
            start = s;
            end = e;
            return true;
        }
        lineStart = s;
    }
}

// Whether a line (from its first non-blank to its end) may end in a
// continuation: a backslash followed by blanks only up to the line's end or
// a ";" comment. Hex data that runs on past the line needs one.
bool LineMayContinue(const char* start, const char* end) {
    // Mostly a line ends in its data, and holds no comment: then only its
    // last byte other than a blank can tell, and backslashes inside its
    // strings need no look.
    const char* last = end;
    while (last > start && IsLineIndent(last[-1])) --last;
    if (last > start && last[-1] == '\\') return true;
    if (!std::memchr(start, ';', static_cast<size_t>(end - start))) return false;
    for (const char* p = start; (p = static_cast<const char*>(std::memchr(p, '\\', static_cast<size_t>(end - p))));) {
        const char* q = p + 1;
        while (q < end && IsLineIndent(*q)) ++q;
        if (q == end || *q == ';') return true;
        p = q;
    }
    return false;
}

// Whether the line at lineStart is taken in by hex data continued from a
// value line before it (the registry editor reads it as data, even a key
// line). Only a line whose last data line before it may end in a
// continuation can be; then the lines are read forward, as the value parser
// reads them, from one that no continuation reaches.
bool TakenInByHexData(const char* begin, const char* lineStart) {
    // Mostly the line before (blank lines skipped) ends in its data and
    // holds no comment: then it ends in no continuation, and is the line
    // that tells.
    const char* last = lineStart;
    while (last > begin && (IsLineIndent(last[-1]) || IsLineEnd(last[-1]))) --last;
    if (last <= begin) return false;
    if (last[-1] != '\\') {
        const char* mark = textscan::FindLastOf3(begin, last, '\r', '\n', ';');
        if (!mark || *mark != ';') return false;
    }
    const char* start;
    const char* end;
    if (!PreviousDataLine(begin, lineStart, start, end) || !LineMayContinue(start, end)) return false;
    const char* from = start;
    while (PreviousDataLine(begin, from, start, end) && LineMayContinue(start, end)) from = start;
    for (const char* p = from; p < lineStart;) {
        p = SkipLineIndent(p);
        const char* data = ::FindValueData(p);
        const char* hex = data ? FindHexData(data) : nullptr;
        const char* lineEnd = hex ? ReadHexData(hex, nullptr).end : LineEnd(p);
        if (lineEnd >= lineStart) return true;
        p = lineEnd;
        if (*p == '\r') ++p;
        if (*p == '\n') ++p;
        if (*p == '\0') break;
    }
    return false;
}

}  // namespace

// Every "[" that starts a line (blanks skipped) and has a "]" after it on
// its line starts a key line, unless hex
// data continued from the lines before takes the line in: the registry
// editor reads a file line by line, and no string runs on past its line.
// The parse needs the first "(" for the value text it passes over, which is
// then read no more for it.
const char* FindNextKeyLine(const char* begin, const char* from, const char*& close, const char** paren) {
    if (paren) *paren = nullptr;
    for (const char* p = from;; ++p) {
        if (paren && !*paren) {
            p = textscan::FindAny2(p, '[', '(');
            if (*p == '(') {
                *paren = p;
                continue;
            }
        } else {
            p = textscan::FindAny2(p, '[', '[');
        }
        if (*p == '\0') return nullptr;
        const char* q = p;
        while (q > begin && IsLineIndent(q[-1])) --q;
        if (q - 1 > begin && IsLineEnd(q[-1]) && (close = FindKeyLineEnd(p + 1)) && !TakenInByHexData(begin, q))
            return p;
    }
}

const char* FindNextKeyLine(const char* begin, const char* from) {
    const char* close;
    return FindNextKeyLine(begin, from, close, nullptr);
}

// The registry editor takes the path up to the last "]" of the line and
// ignores the rest of the line; a line without one is no key line.
const char* FindKeyLineEnd(const char* text) {
    // The line's end first: the "]" is nearly always just before it.
    const char* lineEnd = textscan::FindAny2(text, '\r', '\n');
    if (lineEnd > text && lineEnd[-1] == ']') return lineEnd - 1;
    return textscan::FindLastOf2(text, lineEnd, ']', ']');
}

const char* FindValuesStart(const char* text) {
    const char* open = SkipLineIndent(text);
    if (*open != '[') {
        open = FindNextKeyLine(text);
        if (!open) return nullptr;
    }
    const char* close = FindKeyLineEnd(open + 1);
    if (!close) return nullptr;
    const char* p = LineEnd(close);
    while (IsLineIndent(*p) || IsLineEnd(*p)) ++p;
    return *p ? p : nullptr;
}

namespace {

// Texts from this size on have their key lines found on a thread of their
// own while the parse makes the keys.
constexpr size_t kFindAheadFrom = size_t(1) << 20;

// The text after the header line up to the line of the first key line (or
// to the end of the text when there is none), its indent left to the line.
std::string TextBeforeFirstKey(const char* text, const char* keyLine) {
    const char* p = textscan::FindAny2(text, '\r', '\n');
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
    const char* end = keyLine ? keyLine : p + std::strlen(p);
    while (end > p && IsLineIndent(end[-1])) --end;
    return std::string(p, end);
}
}  // namespace

ParseResult RegDocument::ParseText(std::unique_ptr<char[]> buffer, KeyTreeSink* view, size_t length,
                                   bool checkDuplicates, bool lookUpFirstKey, bool legacyCharData) {
    ParseResult result;
    char* text = buffer.get();
    if (!text || TestHeader(text) == kNoDialect) {
        result.end = ParseEnd::NoHeader;
        return result;
    }
    // The containers of the lookup (the hash, the roots, the older blocks)
    // grow through the standard allocator, which throws when memory runs
    // out: that ends the parse like a failed key allocation does. The buffer
    // has its place among the document's before any key points into it.
    try {
        buffers.reserve(buffers.size() + 1);
        ParseKeyLines(buffer.get(), view, length, checkDuplicates, lookUpFirstKey, legacyCharData, result);
    } catch (const std::bad_alloc&) {
        result.end = ParseEnd::OutOfMemory;
        FinishPath();
        StartPath();
    }
    if (result.keys > 0 || result.end == ParseEnd::Complete) {
        if (buffers.capacity() > buffers.size()) buffers.push_back(std::move(buffer));
        dialect = TestHeader(text);
    }
    return result;
}

void RegDocument::ParseKeyLines(char* text, KeyTreeSink* view, size_t length, bool checkDuplicates,
                                bool lookUpFirstKey, bool legacyCharData, ParseResult& result) {
    RegDialect headerDialect = TestHeader(text);

    // With every key line looked up, a hash of the keys keeps wide keys from
    // making the parse quadratic; it is dropped when the parse ends.
    struct IndexScope {
        RegDocument& document;
        ~IndexScope() {
            document.StopLookupIndex();
            document.StopRootTable();
        }
    } scope{*this};
    if (checkDuplicates) StartLookupIndex(length);
    StartRootTable();

    // A "REGEDIT4" file's character data is legacy text: the values that
    // hold other than ASCII get blocks of their own in program text. An
    // observer keeps the lines as they are in the text.
    bool recode = legacyCharData && headerDialect == kRegedit4 && !LegacyIsProgramText();
    KeyLineScan scan(text, recode, !observer, buffers, abort);
    if (roots.empty()) preamble = TextBeforeFirstKey(text, scan.First());
    // An observer reads the text as each line is taken: the lines are found
    // on this thread then.
    KeyLineSource source(scan, !observer && length >= kFindAheadFrom);

    StartPath();
    KeyNode* waiting = nullptr;  // found, but its path is not split yet
    int lastReported = 0;
    bool firstLine = true;
    KeyLineFound line;
    for (;;) {
        KeyLineStep step = source.Next(line);
        if (step == KeyLineStep::Stopped) result.end = ParseEnd::Stopped;
        if (step != KeyLineStep::Found) break;
        if (owner && length) {
            size_t offset = line.next ? static_cast<size_t>(line.next - text) : length;
            int percent = static_cast<int>(offset >= length ? 100 : offset * 100 / length);
            if (percent > lastReported + 5) {
                owner->SetProgress(percent);
                lastReported = percent;
            }
        }

        bool lookUp = checkDuplicates || (firstLine && lookUpFirstKey);
        firstLine = false;
        KeyNode* key = FindOrCreateKey(line.keyLine + 1, lookUp);
        if (!key) {
            result.end = ParseEnd::OutOfMemory;
            break;
        }
        ++result.keys;
        if (observer) observer->keyLine(line.keyLine, line.close, key, line.values, line.next);
        if (view && waiting && !waiting->viewItem) view->AddKey(waiting);
        waiting = key;
        if (line.outOfMemory) {
            result.end = ParseEnd::OutOfMemory;
            break;
        }
        if (line.block) {
            if (journal) journal->BlockAttaching(key);
            key->AttachValueBlock(line.block, false, headerDialect);
        }
    }
    FinishPath();
    StartPath();
    if (view && waiting && !waiting->viewItem) view->AddKey(waiting);
}

namespace {

// What a block's end looks like to text written after it.
struct BlockShape {
    const char* dangling = nullptr;  // the backslash of hex data continued past the last line
};

// The text after the "-" of a deletion line's data ("name"=-): blanks and a
// comment after ";", which the registry editor reads as a deletion too. Null
// when the data is anything else ("-x", "- #").
const char* DeletionTail(const char* data) {
    if (*data != '-') return nullptr;
    const char* p = data + 1;
    while (IsLineIndent(*p)) ++p;
    return (*p == ';' || IsLineEnd(*p) || *p == '\0') ? data + 1 : nullptr;
}

// Parses one value starting at p (a name). On success appends or replaces the
// value and returns the end of its data; null when the line is not a value,
// with taken set to the end of the lines it takes in when they are more than
// its own.
const char* ParseValue(const char* p, ValueList& values, RegDialect dialect, BlockShape& shape,
                       const char*& taken, const ValueEntry** stored = nullptr, bool* replaced = nullptr) {
    taken = nullptr;
    const char* nameEnd;
    const char* data = FindValueData(p, nameEnd);
    if (!data) return nullptr;
    std::string name = nameEnd ? std::string(p + 1, nameEnd) : std::string();
    p = data;

    std::unique_ptr<ValueEntry> entry;
    const char* end = nullptr;
    if (*p == '"') {
        const char* close = FindClosingQuote(p);
        if (!close) return nullptr;
        entry = std::make_unique<StringValue>(std::move(name), std::string(p + 1, close));
        end = close + 1;
    } else if (const char* hex = FindHexData(p)) {
        std::string token(p, hex - 1);
        HexDataRead read = ReadHexData(hex, nullptr);
        if (!read.valid) {
            // The registry editor drops the value: its lines stay text.
            taken = read.end;
            return nullptr;
        }
        // A continuation the text ends in is left out of the data: written
        // back, it would take in the line written after it.
        const char* dataEnd = read.dangling ? read.dangling : read.end;
        while (dataEnd > hex && IsLineIndent(dataEnd[-1])) --dataEnd;
        if (read.dangling) shape.dangling = read.dangling;
        std::string hexData(hex, dataEnd);
        if (CompareNoCase(token.c_str(), "hex(2)") == 0)
            entry = std::make_unique<ExpandStringValue>(std::move(name), std::move(token), std::move(hexData), dialect);
        else if (CompareNoCase(token.c_str(), "hex(7)") == 0)
            entry = std::make_unique<MultiStringValue>(std::move(name), std::move(token), std::move(hexData), dialect);
        else if (IsQwordData(token, hexData))
            entry = std::make_unique<QwordValue>(std::move(name), std::move(token), std::move(hexData));
        else
            entry = std::make_unique<BinaryValue>(std::move(name), std::move(token), std::move(hexData));
        end = read.end;
    } else if (const char* tail = DeletionTail(p)) {
        const char* e = LineEnd(tail);
        entry = std::make_unique<DeletionValue>(std::move(name), std::string(tail, e));
        end = e;
    } else if (StartsWithNoCase(p, "dword:")) {
        const char* data = p + 6;
        const char* e = LineEnd(data);
        entry = std::make_unique<DwordValue>(std::move(name), std::string(data, e));
        end = e;
    } else {
        return nullptr;
    }

    for (auto& existing : values) {
        if (CompareNoCase(existing->GetName().c_str(), entry->GetName().c_str()) == 0) {
            existing = std::move(entry);
            if (stored) {
                *stored = existing.get();
                *replaced = true;
            }
            return end;
        }
    }
    values.push_back(std::move(entry));
    if (stored) *stored = values.back().get();
    return end;
}

}  // namespace

namespace {

void ParseBlock(const char* block, ValueList& values, RegDialect dialect, std::string* otherLines,
                BlockShape& shape, LineObserver* observer = nullptr) {
    if (!block) return;
    const char* p = block;
    for (;;) {
        while (IsLineIndent(*p) || IsLineEnd(*p)) ++p;
        if (*p == '\0') return;
        const char* taken;
        const ValueEntry* stored = nullptr;
        bool replaced = false;
        const char* end = ParseValue(p, values, dialect, shape, taken, observer ? &stored : nullptr, &replaced);
        if (observer) observer->valueLine(p, end ? end : taken ? taken : LineEnd(p), end ? stored : nullptr, replaced);
        if (!end) {
            // Not a value: keep its lines as they are and go on after them.
            end = taken ? taken : LineEnd(p);
            if (otherLines) {
                otherLines->append(p, end);
                otherLines->append("\r\n");
            }
        }
        p = LineEnd(end);
    }
}

}  // namespace

void ParseValueBlock(const char* block, ValueList& values, RegDialect dialect, std::string* otherLines,
                     LineObserver* observer) {
    BlockShape shape;
    ParseBlock(block, values, dialect, otherLines, shape, observer);
}

namespace {

// Whether the last line of the block that is neither blank nor a comment may
// end in a continuation. A block whose hex data runs on to its end has such a
// last line; most blocks do not, and need no parse to know it.
bool MayEndInContinuation(const char* block, size_t length) {
    const char* e = block + length;
    for (;;) {
        while (e > block && IsLineEnd(e[-1])) --e;
        const char* lineBreak = textscan::FindLastOf2(block, e, '\r', '\n');
        const char* s = lineBreak ? lineBreak + 1 : block;
        const char* t = SkipLineIndent(s);
        if (t < e && *t != ';') return LineMayContinue(t, e);
        if (s == block) return false;
        e = s;
    }
}

}  // namespace

const char* FindDanglingContinuation(const char* block) {
    return block ? FindDanglingContinuation(block, std::strlen(block)) : nullptr;
}

const char* FindDanglingContinuation(const char* block, size_t length) {
    if (!block || !MayEndInContinuation(block, length)) return nullptr;
    BlockShape shape;
    ValueList values;
    ParseBlock(block, values, kRegedit4, nullptr, shape);
    return shape.dangling;
}
