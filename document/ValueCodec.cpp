#include "document/ValueCodec.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegParser.h"
#include "document/TextScan.h"
#include "document/Utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

namespace {

int HexDigit(char c) { return HexDigitValue(c); }

int HexDigitOf(char c) { return kHexDigitTable[static_cast<unsigned char>(c)]; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// The registry editor's reading, found by merging test files with it:
// - a byte is one or more hex digits of a value up to ff ("4" is 04, "041"
//   is 41); blanks may stand before a byte, and after the last one of a line
//   before a comment or the line end (not before a comma or a backslash);
//   commas separate the bytes, and one may end the data;
// - ";" starts a comment to the end of the line ("#" does not);
// - a backslash where a byte could start continues the data on the next
//   line when only blanks or a comment follow it;
// - inside a continuation, blank lines and comment lines are skipped, and
//   any other line is taken in as data, a key line or a value line too (it
//   is then data in error);
// - data in error drops the value, and the data ends with the line of the
//   error; the text ending inside a continuation keeps the bytes before it.
// Wine's regedit was the judge; Windows' may differ in the error cases.
namespace {

template <class OnByte>
HexDataRead ReadHexDataWith(const char* p, const char* end, OnByte&& onByte) {
    auto atEnd = [end](const char* q) { return q == end || *q == '\0'; };
    auto lineEnds = [&](const char* q) { return atEnd(q) || *q == '\r' || *q == '\n' || *q == ';'; };
    auto restOfLine = [&](const char* q) {
        while (!atEnd(q) && *q != '\r' && *q != '\n') ++q;
        return q;
    };
    HexDataRead read;
    // The first backslash of the continuations since the last byte: where a
    // text that ends inside them stops holding data.
    const char* chain = nullptr;
    for (;;) {
        // Bytes as programs write them, "xx,", read as the general case
        // below would read them, three characters a step.
        for (int high, low; (!end || end - p >= 3) && (high = HexDigitOf(p[0])) >= 0 && (low = HexDigitOf(p[1])) >= 0 &&
                            p[2] == ',';
             p += 3) {
            chain = nullptr;
            onByte(static_cast<unsigned char>(high * 16 + low));
        }
        while (!atEnd(p) && IsBlank(*p)) ++p;
        if (lineEnds(p)) {
            read.valid = true;
            read.end = restOfLine(p);
            return read;
        }
        if (*p == '\\') {
            if (!chain) chain = p;
            ++p;
            while (!atEnd(p) && IsBlank(*p)) ++p;
            if (!lineEnds(p)) break;
            // The next line that is neither blank nor a comment goes on.
            for (;;) {
                const char* lineEnd = restOfLine(p);
                p = lineEnd;
                if (!atEnd(p)) {
                    if (*p == '\r' && !atEnd(p + 1) && p[1] == '\n') ++p;
                    ++p;
                    while (!atEnd(p) && IsBlank(*p)) ++p;
                }
                if (atEnd(p)) {
                    read.valid = true;
                    read.dangling = chain;
                    read.end = lineEnd;
                    return read;
                }
                if (!lineEnds(p)) break;
            }
            continue;
        }
        unsigned value = 0;
        const char* digits = p;
        for (int d; !atEnd(p) && (d = HexDigit(*p)) >= 0; ++p)
            value = value > 0xFF ? value : value * 16 + static_cast<unsigned>(d);
        if (p == digits || value > 0xFF) break;
        chain = nullptr;
        onByte(static_cast<unsigned char>(value));
        if (!atEnd(p) && *p == ',') {
            ++p;
            continue;
        }
        while (!atEnd(p) && IsBlank(*p)) ++p;
        if (!lineEnds(p)) break;
    }
    read.end = restOfLine(p);
    return read;
}

}  // namespace

HexDataRead ReadHexData(const char* p, const char* end, std::string* bytes) {
    HexDataRead read = ReadHexDataWith(p, end, [bytes](unsigned char b) {
        if (bytes) *bytes += static_cast<char>(b);
    });
    if (!read.valid && bytes) bytes->clear();
    return read;
}

const char* FindHexData(const char* valueData) {
    const char* p = valueData;
    if ((p[0] | 0x20) != 'h' || (p[1] | 0x20) != 'e' || (p[2] | 0x20) != 'x') return nullptr;
    while (*p && *p != ':' && *p != '\r' && *p != '\n') ++p;
    return *p == ':' ? p + 1 : nullptr;
}

namespace {

constexpr char kDigits[] = "0123456789abcdef";
constexpr char kContinuation[] = "\\\r\n  ";

// The first CR or LF at or after p, or end.
const char* LineBreakBefore(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; end - p >= 16; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(breaks));
        if (bits) return p + __builtin_ctz(bits);
    }
#endif
    while (p < end && *p != '\r' && *p != '\n') ++p;
    return p;
}

// Whether the text holds a hex digit of 8 or more followed by another hex
// digit: the last two digits of a byte of 0x80 or above.
bool HoldsHighDigitPair(const unsigned char* p, const unsigned char* end) {
    auto high = [](unsigned char c) { return (c >= '8' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); };
#if defined(__SSE2__)
    // Sixteen pairs at a time.
    for (; end - p >= 17; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        if (textscan::HighDigitPairs(v, w)) return true;
    }
#endif
    for (; end - p >= 2; ++p)
        if (high(p[0]) && kHexDigitTable[p[1]] >= 0) return true;
    return false;
}

// A quick look at hex data from p: whether it may give a byte of 0x80 or
// above. It says so for every such data (and for some other), looking at
// its line and on at the lines after while a line holds a backslash or is
// blank or a comment (which a continuation skips).
bool MayHoldHighHexByte(const char* p, const char* end) {
    for (bool first = true;; first = false) {
        const char* lineEnd = LineBreakBefore(p, end);
        if (HoldsHighDigitPair(reinterpret_cast<const unsigned char*>(p), reinterpret_cast<const unsigned char*>(lineEnd)))
            return true;
        const char* text = p;
        while (text < lineEnd && IsBlank(*text)) ++text;
        bool skipped = !first && (text == lineEnd || *text == ';');
        if (!skipped && !std::memchr(p, '\\', static_cast<size_t>(lineEnd - p))) return false;
        p = lineEnd;
        while (p < end && (*p == '\r' || *p == '\n')) ++p;
        if (p >= end) return false;
    }
}

// UTF-16LE bytes as characters; an odd last byte is a character of its own.
std::u16string BytesToWide(const std::string& bytes) {
    std::u16string wide((bytes.size() + 1) / 2, u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        wide[i / 2] = static_cast<char16_t>(wide[i / 2] | (i % 2 ? b << 8 : b));
    }
    return wide;
}

// Writes bytes as hex data: a continuation comes before the byte at index i
// when i is breakFirst, breakFirst + breakEvery, ... (never before the first).
bool WriteHexBytes(ByteSink& out, const unsigned char* bytes, size_t size, size_t breakFirst, size_t breakEvery) {
    // Formatted whole, then written once: one sink call per value, not per
    // byte, into text kept from call to call.
    thread_local std::string text;
    constexpr size_t kBreak = sizeof(kContinuation) - 1;
    if (size == 0) return out.Write(kDigits, 0);
    size_t breaks = breakEvery && breakFirst > 0 && breakFirst < size ? (size - 1 - breakFirst) / breakEvery + 1 : 0;
    text.resize(size * 3 - 1 + breaks * kBreak);
    char* o = text.data();
    size_t nextBreak = breakFirst;
    for (size_t i = 0; i < size; ++i) {
        if (i > 0) {
            *o++ = ',';
            if (breakEvery && i == nextBreak) {
                std::memcpy(o, kContinuation, kBreak);
                o += kBreak;
                nextBreak += breakEvery;
            }
        }
        *o++ = kDigits[bytes[i] >> 4];
        *o++ = kDigits[bytes[i] & 15];
    }
    return out.Write(text.data(), text.size());
}

// The buffers of one value's conversion, kept from value to value: a save
// converts many values and allocates for none of them.
struct CharScratch {
    std::string bytes;
    std::u16string wide;
    std::string chars;
};

// The characters of decoded hex data of a form, as UTF-16, into wide.
void CharsToWide(const std::string& bytes, CharForm from, std::u16string& wide) {
    wide.resize(from == CharForm::Wide ? (bytes.size() + 1) / 2 : bytes.size());
    size_t n = wide.size();
    switch (from) {
    case CharForm::Wide:
        std::fill(wide.begin(), wide.end(), u'\0');
        for (size_t i = 0; i < bytes.size(); ++i) {
            unsigned char b = static_cast<unsigned char>(bytes[i]);
            wide[i / 2] = static_cast<char16_t>(wide[i / 2] | (i % 2 ? b << 8 : b));
        }
        break;
    case CharForm::Legacy:
        n = LegacyToWide(bytes.data(), bytes.size(), wide.data(), wide.size());
        break;
    case CharForm::Program:
        n = ProgramToWide(bytes.data(), bytes.size(), wide.data(), wide.size());
        break;
    }
    wide.resize(n == kConvertFailed ? 0 : n);
}

// UTF-16 characters as the bytes of a form, into chars.
void WideToChars(const std::u16string& wide, CharForm to, LostCharacters* lost, std::string& chars) {
    size_t n = 0;
    switch (to) {
    case CharForm::Wide:
        chars.resize(wide.size() * 2);
        for (size_t i = 0; i < wide.size(); ++i) {
            chars[2 * i] = static_cast<char>(wide[i] & 0xFF);
            chars[2 * i + 1] = static_cast<char>(wide[i] >> 8);
        }
        return;
    case CharForm::Legacy:
        chars.resize(WideToLegacyLength(wide.data(), wide.size()));
        n = WideToLegacy(wide.data(), wide.size(), chars.data(), chars.size(), lost);
        break;
    case CharForm::Program:
        chars.resize(WideToProgramLength(wide.data(), wide.size()));
        n = WideToProgram(wide.data(), wide.size(), chars.data(), chars.size(), nullptr);
        break;
    }
    chars.resize(n == kConvertFailed ? 0 : n);
}

// UTF-16 characters as the bytes of a form.
std::string WideToChars(const std::u16string& wide, CharForm to, LostCharacters* lost) {
    switch (to) {
    case CharForm::Wide: {
        std::string out(wide.size() * 2, '\0');
        for (size_t i = 0; i < wide.size(); ++i) {
            out[2 * i] = static_cast<char>(wide[i] & 0xFF);
            out[2 * i + 1] = static_cast<char>(wide[i] >> 8);
        }
        return out;
    }
    case CharForm::Legacy:
        return WideToLegacyString(wide, lost);
    case CharForm::Program:
        break;
    }
    return WideToProgramString(wide);
}

// The characters of dialect-5 data as program text.
std::string NarrowBytes(const std::string& wideBytes) {
    return WideToProgramString(BytesToWide(wideBytes));
}

// Converts the hex(2) and hex(7) data of the value lines in a block; all other
// text (strings, names, comments, other kinds) is copied as it is, so that a
// "hex(2):" inside a name, a string or a comment is never touched.
// Without out, only counts the values whose data would be converted.
bool ConvertBlock(const char* block, size_t length, ByteSink* out, CharForm from, CharForm to, LostCharacters* lost,
                  size_t* converted, bool breakLines = true) {
    const char* end = block + length;
    const char* copied = block;
    const char* p = block;
    while (p < end) {
        while (p < end && (IsLineIndent(*p) || *p == '\r' || *p == '\n')) ++p;
        if (p >= end) break;
        const char* data = FindValueData(p);
        const char* next = p;  // where the search for the next line starts
        const char* hex = data ? FindHexData(data) : nullptr;
        if (hex) {
            // Hex data of every kind is skipped as the registry editor reads
            // it, continuations included; only hex(2) and hex(7) data that it
            // reads as a value is converted.
            // Character data is decoded on the way, once.
            bool chars = hex - data == 7 && data[3] == '(' && (data[4] == '2' || data[4] == '7') && data[5] == ')';
            if (!chars) {
                // Data that no backslash continues ends with its line, in
                // error or not: that is all the skip needs to know.
                const char* lineEnd = LineBreakBefore(hex, end);
                if (!std::memchr(hex, '\\', static_cast<size_t>(lineEnd - hex))) {
                    p = lineEnd;
                    continue;
                }
            }
            thread_local CharScratch scratch;
            scratch.bytes.clear();
            HexDataRead read = ReadHexData(hex, end, chars ? &scratch.bytes : nullptr);
            if (chars && read.valid) {
                // Between two single-byte forms ASCII is the same text.
                bool same = from != CharForm::Wide && to != CharForm::Wide &&
                            !HasHighByte(scratch.bytes.data(), scratch.bytes.size());
                if (!same && !out) {
                    if (converted) ++*converted;
                } else if (!same) {
                    if (!out->Write(copied, static_cast<size_t>(hex - copied))) return false;
                    if (to == CharForm::Wide && from != CharForm::Wide &&
                        !HasHighByte(scratch.bytes.data(), scratch.bytes.size())) {
                        // ASCII, the same in every single-byte form, widens
                        // to its bytes each followed by a zero byte.
                        size_t count = scratch.bytes.size();
                        scratch.chars.assign(count * 2, '\0');
                        char* wide = scratch.chars.data();
                        const char* narrow = scratch.bytes.data();
                        for (size_t i = 0; i < count; ++i) wide[2 * i] = narrow[i];
                    } else {
                        CharsToWide(scratch.bytes, from, scratch.wide);
                        WideToChars(scratch.wide, to, lost, scratch.chars);
                    }
                    const std::string& text = scratch.chars;
                    const char* lineStart = p;
                    while (lineStart > block && lineStart[-1] != '\n' && lineStart[-1] != '\r') --lineStart;
                    size_t column = TextColumns(std::string_view(lineStart, static_cast<size_t>(hex - lineStart)));
                    if (!WriteHexBytes(*out, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                                       HexBytesOnFirstLine(column), breakLines ? kHexBytesPerLine : 0))
                        return false;
                    if (converted) ++*converted;
                    copied = read.end;
                }
            }
            next = read.end;
        } else if (data && *data == '"') {
            // A quote inside the string does not end its line.
            const char* close = FindClosingQuote(data);
            next = close ? close + 1 : data;
        }
        p = LineBreakBefore(next, end);
    }
    return !out || out->Write(copied, static_cast<size_t>(end - copied));
}

}  // namespace

std::string EscapeString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string ShownValueName(std::string_view storedName) {
    std::string out;
    out.reserve(storedName.size());
    for (size_t i = 0; i < storedName.size(); ++i) {
        char c = storedName[i];
        if (c == '\\' && i + 1 < storedName.size() && (storedName[i + 1] == '\\' || storedName[i + 1] == '"'))
            c = storedName[++i];
        out += c;
    }
    return out;
}

std::string UnescapeString(std::string_view fileForm) {
    // Two passes as the file form defines them: pairs of backslashes first,
    // then backslash-quote pairs, each left to right without overlap.
    std::string once;
    once.reserve(fileForm.size());
    for (size_t i = 0; i < fileForm.size(); ++i) {
        once += fileForm[i];
        if (fileForm[i] == '\\' && i + 1 < fileForm.size() && fileForm[i + 1] == '\\') ++i;
    }
    std::string out;
    out.reserve(once.size());
    for (size_t i = 0; i < once.size(); ++i) {
        if (once[i] == '\\' && i + 1 < once.size() && once[i + 1] == '"') continue;
        out += once[i];
    }
    return out;
}

std::string DecodeHexBytes(std::string_view hexData) {
    std::string bytes;
    bytes.reserve(hexData.size() / 3 + 1);
    ReadHexData(hexData.data(), hexData.data() + hexData.size(), &bytes);
    return bytes;
}

std::string DecodeHexChars(std::string_view hexData, RegDialect dialect) {
    std::string bytes = DecodeHexBytes(hexData);
    if (dialect != kRegedit5) return bytes;
    return NarrowBytes(bytes);
}

std::string EncodeHexChars(std::string_view programChars, RegDialect dialect) {
    std::string bytes(programChars);
    if (dialect == kRegedit5) bytes = WideToChars(ProgramToWideString(bytes), CharForm::Wide, nullptr);
    return FormatHexBytes(bytes.data(), bytes.size());
}

std::string FormatHexBytes(const void* bytes, size_t size, size_t firstLine, size_t perLine) {
    MemorySink out(size * 3 + 16);
    WriteHexBytes(out, static_cast<const unsigned char*>(bytes), size, firstLine, perLine);
    return std::string(out.Data() ? out.Data() : "", out.Size());
}

size_t TextColumns(std::string_view programText) {
    for (char c : programText)
        if (static_cast<unsigned char>(c) >= 0x80) return ProgramToWideString(programText).size();
    return programText.size();
}

size_t HexBytesOnFirstLine(size_t column) {
    if (column + 3 >= kHexLineColumns) return 1;
    return (kHexLineColumns - column + 2) / 3;
}

bool NarrowHexData(const char* block, size_t length, ByteSink& out, CharForm to, LostCharacters* lost) {
    return ConvertBlock(block, length, &out, CharForm::Wide, to, lost, nullptr);
}

bool WidenHexData(const char* block, size_t length, ByteSink& out, CharForm from) {
    return ConvertBlock(block, length, &out, from, CharForm::Wide, nullptr, nullptr);
}

bool RecodeHexData(const char* block, size_t length, ByteSink& out, CharForm from, CharForm to, LostCharacters* lost,
                   size_t* converted, bool breakLines) {
    return ConvertBlock(block, length, &out, from, to, lost, converted, breakLines);
}

bool MayRecodeHexData(const char* block, size_t length) {
    const char* end = block + length;
    for (const char* p = block; p + 4 <= end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '(', static_cast<size_t>(end - p)));
        if (!p || p + 4 > end) break;
        if ((p[1] == '2' || p[1] == '7') && p[2] == ')' && p[3] == ':' && MayHoldHighHexByte(p + 4, end))
            return true;
    }
    return false;
}

bool NarrowValueData(std::string_view hexData, ByteSink& out) {
    std::string narrow = NarrowBytes(DecodeHexBytes(hexData));
    // 21 bytes on the first line, 22 on each further one.
    return WriteHexBytes(out, reinterpret_cast<const unsigned char*>(narrow.data()), narrow.size(), 21, 22);
}

bool ParseDwordText(std::string_view data, uint32_t& number) {
    uint64_t value = 0;
    size_t digits = 0;
    for (int d; digits < data.size() && (d = HexDigit(data[digits])) >= 0; ++digits) {
        value = value * 16 + static_cast<unsigned>(d);
        // strtoul saturates at the largest 32-bit value; the value stays just
        // above it, so that further digits cannot overflow.
        if (value > 0xFFFFFFFFu) value = uint64_t(1) << 32;
    }
    if (digits == 0) return false;
    number = value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
    return true;
}

std::string DwordDisplayText(std::string_view data) {
    uint32_t v = 0;
    if (!ParseDwordText(data, v)) {
        std::string raw("0x");
        raw.append(data);
        return raw;
    }
    // As the system registry editor shows a DWORD: eight hex digits and the
    // unsigned number (the type has no sign).
    char text[32];
    std::snprintf(text, sizeof text, "0x%08x (%u)", v, v);
    return text;
}
