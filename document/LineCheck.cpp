// The check of a file. The parser reads the file as it does for an open and
// tells this check of every key line and every line of a value block, with
// what it made of it; the check says why a line it kept as text is no value
// and where a value it read is read otherwise by the registry editor.
//
// What the registry editor does was found by merging each form with Wine's
// regedit.exe (the peer test holds the skipped ones):
//   - the header line must be exactly "REGEDIT4" or "Windows Registry Editor
//     Version 5.00" (blanks before it allowed, none after it, letter case
//     kept); a UTF-8 file is not merged at all; LF or CR line ends are read;
//   - root keys are the six full names in any letter case, no abbreviation;
//     a deletion of a root key is refused and ends the merge there;
//   - the type words "hex" and "dword" are read in lower case only;
//   - a string ends at its line and nothing but blanks or a ";" comment may
//     follow its closing quote; between a value's name and "=" only blanks;
//   - dword data is one to eight hex digits, blanks and a comment after;
//   - a hex byte of one or three digits is read (as 01 for "1" or "001").
// Windows' own editor is known to differ in the details of comments and
// blanks; where Wine's reads a form, the verdict is a note at most.
#include "document/LineCheck.h"

#include <array>
#include <cstring>

#include "document/Platform.h"
#include "document/RegParser.h"
#include "document/TextScan.h"
#include "document/ValueCodec.h"
#include "document/ValueEntry.h"

namespace {

struct ReasonRow {
    CheckCode code;
    Severity severity;
    const char* text;
};

constexpr ReasonRow kReasons[] = {
    {CheckCode::BadHeader, Severity::Skipped, "header the registry editor refuses: it must read exactly \"%s\""},
    {CheckCode::Utf8Mark, Severity::Skipped,
     "UTF-8 byte-order mark: the registry editor does not merge the file (converted on load; a save writes UTF-16)"},
    {CheckCode::ValueBeforeKey, Severity::Skipped, "value line before any key line"},
    {CheckCode::UnknownRoot, Severity::Skipped, "\"%s\" is no root key"},
    {CheckCode::AbbreviatedRoot, Severity::Skipped, "abbreviated root key: the registry editor needs %s in a file"},
    {CheckCode::RootDeletion, Severity::Skipped,
     "deletion of the whole root key %s: the registry editor refuses it (Wine's stops reading the file there)"},
    {CheckCode::UnterminatedString, Severity::Skipped, "string not closed on its line"},
    {CheckCode::StringEndsInBackslash, Severity::Skipped,
     "string not closed, its line ends in a backslash (Wine's editor reads no line after it)"},
    {CheckCode::StringRunsOn, Severity::Skipped,
     "string runs on into the next line: the registry editor ends it at its line and skips both"},
    {CheckCode::TextAfterString, Severity::Skipped, "text after the string's closing quote"},
    {CheckCode::UnescapedQuote, Severity::Skipped, "unescaped '\"' inside the string (write \\\")"},
    {CheckCode::BadHex, Severity::Skipped, "bad hex data"},
    {CheckCode::DwordEmpty, Severity::Skipped, "dword: with no digits"},
    {CheckCode::DwordTooLong, Severity::Skipped, "dword: with more than 8 digits"},
    {CheckCode::DwordNotHex, Severity::Skipped, "dword: data that is not hexadecimal"},
    {CheckCode::TypeInCapitals, Severity::Skipped, "\"%s\": the registry editor reads the type only in lower case"},
    {CheckCode::StrayHexLine, Severity::Skipped,
     "hex bytes on a line of their own: the line before lost its continuation backslash"},
    {CheckCode::NameNotClosed, Severity::Skipped, "value name not closed on its line"},
    {CheckCode::NoEquals, Severity::Skipped, "no '=' after the value name"},
    {CheckCode::TextBeforeEquals, Severity::Skipped, "text between the value name and '='"},
    {CheckCode::TwoEquals, Severity::Skipped, "more than one '='"},
    {CheckCode::UnknownData, Severity::Skipped, "data of a form the registry editor does not know: %s"},
    {CheckCode::BracketLine, Severity::Skipped, "'[' without ']' on its line: no key line"},
    {CheckCode::NotAValue, Severity::Skipped, "neither a key, a value nor a comment"},
    {CheckCode::TextAfterKey, Severity::Differs, "text after the key line's ']' is ignored: %s"},
    {CheckCode::ValueRepeated, Severity::Differs, "value %s set again in this key: this line wins"},
    {CheckCode::Utf16InRegedit4, Severity::Differs,
     "UTF-16 characters in a REGEDIT4 file, which holds one byte a character"},
    {CheckCode::SingleByteIn5, Severity::Differs, "odd number of bytes: single-byte characters read as UTF-16"},
    {CheckCode::KeyRepeated, Severity::Note, "key section repeated (first on line %s): its values merge"},
    {CheckCode::SpacesAroundEquals, Severity::Note, "spaces around '='"},
    {CheckCode::OddHexDigits, Severity::Note, "hex byte of %s"},
    {CheckCode::QwordInRegedit4, Severity::Note, "hex(b) in a REGEDIT4 file: that format has no QWORD values"},
    {CheckCode::LfLineEnds, Severity::Note, "LF or CR line ends: converted to CR LF on load"},
};
static_assert(std::size(kReasons) == kCheckCodeCount);

const ReasonRow& RowOf(CheckCode code) { return kReasons[static_cast<size_t>(code)]; }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool EndsLine(char c) { return c == '\0' || IsLineEnd(c); }

const char* LineEnd(const char* p) {
    while (!EndsLine(*p)) ++p;
    return p;
}

// Blanks, then the end of the line or a ";" comment (or the end-of-file
// character of old editors).
bool RestIsBlankOrComment(const char* p) {
    p = SkipLineIndent(p);
    return EndsLine(*p) || *p == ';' || *p == '\x1a';
}

// The closing quote of a quoted name on its line (a backslash escapes).
const char* NameEnd(const char* open) {
    for (const char* p = open + 1; !EndsLine(*p); ++p) {
        if (*p == '"') return p;
        if (*p == '\\' && !EndsLine(p[1])) ++p;
    }
    return nullptr;
}

// Text for a reason's detail: at most a short line of it.
std::string Excerpt(const char* p, const char* end) {
    size_t n = static_cast<size_t>(end - p);
    if (n > 40) return std::string(p, 37) + "...";
    return std::string(p, n);
}


const char* const kRoots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                              "HKEY_USERS",         "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
const char* const kShortRoots[] = {"HKLM", "HKCU", "HKCR", "HKU", "HKCC", "HKDD"};

// The line of a continuation that a lost backslash left alone: hex bytes
// and commas.
bool LooksLikeHexLine(const char* p) {
    bool comma = false, digit = false;
    for (; !EndsLine(*p) && *p != ';'; ++p) {
        if (*p == ',')
            comma = true;
        else if (HexDigitValue(*p) >= 0)
            digit = true;
        else if (!IsLineIndent(*p) && *p != '\\')
            return false;
    }
    return comma && digit;
}

// Whether the line after the one ending at lineEnd goes on with a string's
// text up to a closing quote (rather than starting a line of its own).
bool NextLineCloses(const char* lineEnd) {
    const char* p = lineEnd;
    if (*p == '\r') ++p;
    if (*p == '\n') ++p;
    p = SkipLineIndent(p);
    if (EndsLine(*p) || *p == '"' || *p == '@' || *p == '[' || *p == ';') return false;
    for (; !EndsLine(*p); ++p)
        if (*p == '"') return true;
    return false;
}

// Line breaks in [from, to): an LF, a CR LF and a CR alone each end a
// line. Sixteen bytes at a time: every key line of a large file asks.
size_t CountLineBreaks(const char* from, const char* to) {
    size_t breaks = 0;
    const char* p = from;
#ifdef QUILLON_SSE2_SCAN
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    // Per byte lane: LFs and CRs counted up, CR LF pairs counted down, in
    // eight bits for up to 255 blocks at a time. The byte after each block
    // is read too: the text is followed by its padding.
    while (to - p >= 16) {
        __m128i ends = zero, pairs = zero;
        for (int block = 0; block < 255 && to - p >= 16; ++block, p += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
            __m128i isCr = _mm_cmpeq_epi8(v, cr);
            ends = _mm_sub_epi8(ends, _mm_or_si128(isCr, _mm_cmpeq_epi8(v, lf)));
            pairs = _mm_sub_epi8(pairs, _mm_and_si128(isCr, _mm_cmpeq_epi8(next, lf)));
        }
        __m128i sums = _mm_sub_epi64(_mm_sad_epu8(ends, zero), _mm_sad_epu8(pairs, zero));
        breaks += static_cast<size_t>(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; p < to; ++p) breaks += *p == '\n' || (*p == '\r' && p[1] != '\n');
    return breaks;
}

}  // namespace

Severity SeverityOf(CheckCode code) { return RowOf(code).severity; }

const char* SeverityName(Severity severity) {
    static const char* const kNames[] = {"skipped", "differs", "note"};
    return kNames[static_cast<size_t>(severity)];
}

const char* CheckReasonText(CheckCode code) { return RowOf(code).text; }

std::string VerdictReason(const LineVerdict& verdict, const char* reasonText) {
    std::string text = reasonText;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, verdict.detail);
    return text;
}

bool LineCheck::CheckFile(const char* path, ReadError& error) {
    // Legacy text is read as it is: only the verdicts' few names are
    // converted, not the whole file.
    RegText text;
    if (!ReadRegFile(path, text, error, true)) return false;
    return CheckText(text);
}

bool LineCheck::CheckBytes(const char* bytes, size_t size, ReadError& error) {
    RegText text;
    if (!DecodeRegBytes(bytes, size, text, error)) return false;
    return CheckText(text);
}

bool LineCheck::CheckText(RegText& text) {
    text_ = text.text.get();
    legacy_ = text.legacy;
    lineCursor_ = text_;
    lineAtCursor_ = 1;
    dialect_ = text.dialect;
    CheckHeader(text);
    document_.observer = &observer_;
    // The file's keys as the registry editor merges them (repeated key lines
    // on one key); character data stays as the file has it.
    ParseResult parse = document_.ParseText(std::move(text.text), nullptr, text.length, true, false, false);
    document_.observer = nullptr;
    if (parse.end != ParseEnd::Complete) {
        // The text may be gone with the document's failed parse: nothing
        // more is read of it.
        stopped_ = true;
        return true;
    }
    if (!preambleChecked_) CheckPreamble();
    CheckPendingBlock();
    return true;
}

void LineCheck::CheckHeader(const RegText& text) {
    if (text.utf8) Report(1, CheckCode::Utf8Mark);
    const char* p = text_;
    while (*p == ' ') ++p;
    const char* end = LineEnd(p);
    const char* exact = dialect_ == kRegedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00";
    if (static_cast<size_t>(end - p) != std::strlen(exact) || std::memcmp(p, exact, end - p) != 0)
        Report(1, CheckCode::BadHeader, exact);
    if (text.crlfMade) Report(1, CheckCode::LfLineEnds);
}

// The text between the header and the first key line: a value there
// belongs to no key.
void LineCheck::CheckPreamble() {
    preambleChecked_ = true;
    const char* p = document_.preamble.c_str();
    for (size_t line = 2; *p; ++line) {
        const char* start = SkipLineIndent(p);
        if ((*start == '"' || *start == '@') && FindValueData(start)) Report(line, CheckCode::ValueBeforeKey);
        p = LineEnd(p);
        if (*p == '\r') ++p;
        if (*p == '\n') ++p;
    }
}

size_t LineCheck::LineAt(const char* p) {
    if (p < lineCursor_) {
        lineCursor_ = text_;
        lineAtCursor_ = 1;
    }
    lineAtCursor_ += CountLineBreaks(lineCursor_, p);
    lineCursor_ = p;
    return lineAtCursor_;
}

// The pending key's path: the parser has turned its backslashes into NULs.
std::string LineCheck::PendingKey() const {
    if (!pathBegin_) return {};
    std::string path(pathBegin_, pathEnd_);
    for (char& c : path)
        if (c == '\0') c = '\\';
    return path;
}

void LineCheck::Report(size_t line, CheckCode code, std::string detail, const char* valueLine) {
    LineVerdict verdict;
    verdict.line = line;
    verdict.code = code;
    verdict.severity = SeverityOf(code);
    verdict.key = PendingKey();
    verdict.detail = std::move(detail);
    if (valueLine && (*valueLine == '@' || *valueLine == '"')) {
        const char* close = *valueLine == '"' ? NameEnd(valueLine) : nullptr;
        verdict.isValue = *valueLine == '@' || close;
        if (close) verdict.value.assign(valueLine + 1, close);
    }
    if (legacy_) {
        for (std::string* part : {&verdict.key, &verdict.value, &verdict.detail})
            if (!part->empty()) *part = WideToProgramString(LegacyToWideString(*part));
    }
    ++counts_[static_cast<size_t>(verdict.severity)];
    sink_(std::move(verdict));
}

void LineCheck::OnKeyLine(const char* open, const char* close, KeyNode* key, const char* values, const char* next) {
    if (!preambleChecked_) CheckPreamble();
    CheckPendingBlock();
    pathBegin_ = open + 1;
    pathEnd_ = close;
    size_t line = LineAt(open);
    CheckRoot(open + 1, close, line);
    const char* after = SkipLineIndent(close + 1);
    if (!EndsLine(*after)) Report(line, CheckCode::TextAfterKey, Excerpt(after, LineEnd(after)));
    // The check's document has no view: a key's item slot holds the line
    // of its first key line.
    if (key->viewItem)
        Report(line, CheckCode::KeyRepeated, std::to_string(reinterpret_cast<uintptr_t>(key->viewItem)));
    else
        key->viewItem = reinterpret_cast<void*>(static_cast<uintptr_t>(line));
    pendingValues_ = next != values && *values ? values : nullptr;
}

void LineCheck::CheckRoot(const char* path, const char* close, size_t line) {
    const char* p = path;
    bool deletion = *p == '-';
    if (deletion) ++p;
    const char* end = p;
    while (end < close && *end != '\\') ++end;
    size_t length = static_cast<size_t>(end - p);
    const unsigned char* upper = UpperTable();
    auto same = [&](const char* name) {
        if (std::strlen(name) != length) return false;
        for (size_t i = 0; i < length; ++i)
            if (upper[static_cast<unsigned char>(p[i])] != static_cast<unsigned char>(name[i])) return false;
        return true;
    };
    for (const char* name : kRoots) {
        if (!same(name)) continue;
        if (deletion && (end == close || (end + 1 == close)))
            Report(line, CheckCode::RootDeletion, name);
        return;
    }
    for (size_t i = 0; i < std::size(kShortRoots); ++i) {
        if (same(kShortRoots[i])) {
            Report(line, CheckCode::AbbreviatedRoot, kRoots[i]);
            return;
        }
    }
    Report(line, CheckCode::UnknownRoot, Excerpt(p, end));
}

void LineCheck::CheckPendingBlock() {
    if (!pendingValues_) return;
    // The list's room is kept from block to block.
    blockValues_.clear();
    ParseValueBlock(pendingValues_, blockValues_, dialect_, nullptr, &observer_);
    pendingValues_ = nullptr;
}

void LineCheck::OnValueLine(const char* line, const char* end, const ValueEntry* value, bool replaced) {
    if (value)
        CheckValue(line, end, *value, replaced);
    else
        CheckKeptLine(line, end);
}

// A line the parser kept as text: why it is no value.
void LineCheck::CheckKeptLine(const char* line, const char* /*end*/) {
    auto report = [&](CheckCode code, std::string detail = {}) {
        Report(LineAt(line), code, std::move(detail), line);
    };
    char c = *line;
    if (c == ';' || c == '#') return;
    if (c == '[') return report(CheckCode::BracketLine);
    if (c != '"' && c != '@') return report(LooksLikeHexLine(line) ? CheckCode::StrayHexLine : CheckCode::NotAValue);
    const char* q = line + 1;
    if (c == '"') {
        const char* close = NameEnd(line);
        if (!close) return report(CheckCode::NameNotClosed);
        q = close + 1;
    }
    while (!EndsLine(*q) && *q != '=') ++q;
    if (*q != '=') return report(CheckCode::NoEquals);
    const char* data = q;
    while (*data == '=' || *data == ' ') ++data;
    if (*data == '-') {
        // A deletion of the value: the registry editor's own form.
        if (!RestIsBlankOrComment(data + 1)) report(CheckCode::UnknownData, Excerpt(data, LineEnd(data)));
        return;
    }
    if (*data == '"') {
        const char* lineEnd = LineEnd(data);
        const char* last = lineEnd;
        while (last > data && IsLineIndent(last[-1])) --last;
        if (last[-1] == '\\' && last - 1 > data) return report(CheckCode::StringEndsInBackslash);
        return report(NextLineCloses(lineEnd) ? CheckCode::StringRunsOn : CheckCode::UnterminatedString);
    }
    if (FindHexData(data)) return report(CheckCode::BadHex);
    const char* word = data;
    while (!EndsLine(*word) && *word != ':' && *word != '"' && word - data < 20) ++word;
    report(CheckCode::UnknownData, Excerpt(data, word));
}

// A value the parser read: where the registry editor reads it otherwise.
void LineCheck::CheckValue(const char* line, const char* end, const ValueEntry& value, bool replaced) {
    auto report = [&](CheckCode code, std::string detail = {}) { Report(LineAt(line), code, std::move(detail), line); };
    // The name is stored as written between its quotes.
    const char* p = *line == '@' ? line + 1 : line + value.GetName().size() + 2;
    bool spaces = false, other = false;
    for (; *p != '='; ++p) (IsLineIndent(*p) ? spaces : other) = true;
    int equals = 0;
    for (; *p == '=' || *p == ' '; ++p) {
        if (*p == '=')
            ++equals;
        else
            spaces = true;
    }
    const char* data = p;
    if (other)
        report(CheckCode::TextBeforeEquals);
    else if (equals > 1)
        report(CheckCode::TwoEquals);
    else if (spaces)
        report(CheckCode::SpacesAroundEquals);

    switch (value.GetType()) {
    case ValueType::String:
        if (!RestIsBlankOrComment(end)) {
            const char* lineEnd = LineEnd(end);
            bool quote = std::memchr(end, '"', static_cast<size_t>(lineEnd - end)) != nullptr;
            report(quote ? CheckCode::UnescapedQuote : CheckCode::TextAfterString);
        }
        break;
    case ValueType::Dword: {
        if (std::memcmp(data, "dword:", 6) != 0) {
            report(CheckCode::TypeInCapitals, std::string(data, 5));
            break;
        }
        const char* digits = SkipLineIndent(data + 6);
        const char* q = digits;
        while (HexDigitValue(*q) >= 0) ++q;
        bool tail = !RestIsBlankOrComment(q);
        if (q == digits && !tail)
            report(CheckCode::DwordEmpty);
        else if (tail)
            report(CheckCode::DwordNotHex);
        else if (q - digits > 8)
            report(CheckCode::DwordTooLong);
        break;
    }
    case ValueType::Deletion:  // "name"=- as the registry editor reads it
        break;
    default:
        if (std::memcmp(data, "hex", 3) != 0) {
            const char* colon = static_cast<const char*>(std::memchr(data, ':', static_cast<size_t>(end - data)));
            report(CheckCode::TypeInCapitals, Excerpt(data, colon ? colon : data + 3));
            break;
        }
        CheckHexValue(line, data, end, value);
        break;
    }
    if (replaced) report(CheckCode::ValueRepeated, value.IsDefault() ? "@" : "\"" + value.GetName() + "\"");
}

// One pass over the data, allocating nothing: the digits of each byte and,
// for character data, the bytes' count and whether every second one is zero.
void LineCheck::CheckHexValue(const char* line, const char* data, const char* end, const ValueEntry& value) {
    auto report = [&](CheckCode code, std::string detail = {}) { Report(LineAt(line), code, std::move(detail), line); };
    const char* colon = static_cast<const char*>(std::memchr(data, ':', static_cast<size_t>(end - data)));
    if (dialect_ == kRegedit4 && colon - data == 6 && (data[4] == 'b' || data[4] == 'B') && data[3] == '(')
        report(CheckCode::QwordInRegedit4);
    ValueType type = value.GetType();
    bool chars = type == ValueType::ExpandString || type == ValueType::MultiString;
    size_t run = 0, bytes = 0, oddRun = 0;
    unsigned byte = 0;
    bool highZero = true, lowSet = false;
    for (const char* p = colon + 1;; ++p) {
        // Bytes as programs write them, "xx,", three characters a step; of
        // binary data only the digits matter.
        auto isByte = [&](const char* q) {
            return end - q >= 3 && kHexDigitTable[static_cast<unsigned char>(q[0])] >= 0 &&
                   kHexDigitTable[static_cast<unsigned char>(q[1])] >= 0 && q[2] == ',';
        };
        if (run == 0 && !chars) {
            while (isByte(p)) p += 3;
        } else if (run == 0) {
            for (; isByte(p); p += 3) {
                bool set = (kHexDigitTable[static_cast<unsigned char>(p[0])] | kHexDigitTable[static_cast<unsigned char>(p[1])]) != 0;
                if (bytes % 2 == 1 && set) highZero = false;
                if (bytes % 2 == 0 && set) lowSet = true;
                ++bytes;
            }
        }
        if (p < end && *p == ';')
            while (p < end && !IsLineEnd(*p)) ++p;
        int digit = p < end ? kHexDigitTable[static_cast<unsigned char>(*p)] : -1;
        if (digit >= 0) {
            ++run;
            byte = (byte << 4 | static_cast<unsigned>(digit)) & 0xFF;
            continue;
        }
        if (run) {
            if (run != 2 && !oddRun) oddRun = run;
            if (bytes % 2 == 1 && byte != 0) highZero = false;
            if (bytes % 2 == 0 && byte != 0) lowSet = true;
            ++bytes;
            run = 0;
            byte = 0;
        }
        if (p >= end) break;
    }
    if (oddRun) report(CheckCode::OddHexDigits, oddRun == 1 ? "one digit" : std::to_string(oddRun) + " digits");
    if (!chars) return;
    if (dialect_ == kRegedit5 && bytes % 2 == 1)
        report(CheckCode::SingleByteIn5);
    else if (dialect_ == kRegedit4 && bytes >= 4 && bytes % 2 == 0 && highZero && lowSet)
        report(CheckCode::Utf16InRegedit4);
}
