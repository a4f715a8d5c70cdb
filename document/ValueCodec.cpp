#include "document/ValueCodec.h"

#include <cstdio>
#include <cstring>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegParser.h"
#include "document/Utf8.h"

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

namespace {

int HexDigit(char c) { return HexDigitValue(c); }

constexpr char kDigits[] = "0123456789abcdef";
constexpr char kContinuation[] = "\\\r\n  ";

// The bytes of hex data: each comma-separated token gives one byte from its
// hex digits (a third digit starts the byte over, other characters are
// skipped). An empty token gives no byte.
template <typename Sink>
void ForEachHexByte(std::string_view data, Sink&& sink) {
    int slot[2];
    int filled = 0;
    auto flush = [&] {
        if (filled == 1) sink(static_cast<unsigned char>(slot[0]));
        if (filled == 2) sink(static_cast<unsigned char>(slot[0] * 16 + slot[1]));
        filled = 0;
    };
    for (char c : data) {
        if (c == ',') {
            flush();
            continue;
        }
        int d = HexDigit(c);
        if (d < 0) continue;
        if (filled == 2) filled = 0;
        slot[filled++] = d;
    }
    flush();
}

// Whether the hex data from p to end gives a byte of 0x80 or above, read as
// ForEachHexByte reads it: without decoding it.
bool HasHighHexByte(const char* p, const char* end) {
    int first = 0;
    int filled = 0;
    for (; p < end; ++p) {
        if (*p == ',') {
            if (filled == 2 && first >= 8) return true;
            filled = 0;
            continue;
        }
        int d = HexDigit(*p);
        if (d < 0) continue;
        if (filled == 2) filled = 0;
        if (filled == 0) first = d;
        ++filled;
    }
    return filled == 2 && first >= 8;
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
    // Formatted whole, then written once: one sink call per value, not per byte.
    std::string text;
    text.reserve(size * 3 + (breakEvery ? size / breakEvery * 5 : 0) + 8);
    size_t nextBreak = breakFirst;
    for (size_t i = 0; i < size; ++i) {
        if (i > 0) {
            text += ',';
            if (breakEvery && i == nextBreak) {
                text.append(kContinuation, sizeof(kContinuation) - 1);
                nextBreak += breakEvery;
            }
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return out.Write(text.data(), text.size());
}

// The characters of decoded hex data of a form, as UTF-16.
std::u16string CharsToWide(const std::string& bytes, CharForm from) {
    switch (from) {
    case CharForm::Wide:
        return BytesToWide(bytes);
    case CharForm::Legacy:
        return LegacyToWideString(bytes);
    case CharForm::Program:
        break;
    }
    return ProgramToWideString(bytes);
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

bool IsHexDigitOrComma(char c) { return c == ',' || HexDigit(c) >= 0; }

// Whether the data at p qualifies for conversion into the other dialect: its
// first line holds only hex digits and commas up to CR, LF or the end of the
// block (the last line of a file needs no line break), or up to a backslash
// followed by spaces (or nothing) and then CR, LF or the end of the block.
bool ConvertibleData(const char* p, const char* end) {
    while (p < end && IsHexDigitOrComma(*p)) ++p;
    if (p == end) return true;
    if (*p == '\r' || *p == '\n') return true;
    if (*p != '\\') return false;
    ++p;
    while (p < end && *p == ' ') ++p;
    return p == end || *p == '\r' || *p == '\n';
}

// Data with anything but digits, commas and continuations is malformed and
// left as it is: converting it would drop characters (a quote, a bracket)
// that decide how the rest of the text reads.
bool OnlyHexData(const char* p, const char* end) {
    for (; p < end; ++p)
        if (!IsHexDigitOrComma(*p) && *p != ' ' && *p != '\\' && *p != '\r' && *p != '\n') return false;
    return true;
}

// End of hex data starting at p: the first line end that is not part of a
// continuation (or the end of the block).
const char* HexDataEnd(const char* p, const char* end) {
    for (;;) {
        const char* e = p;
        while (e < end && *e != '\r' && *e != '\n') ++e;
        const char* t = e;
        while (t > p && t[-1] == ' ') --t;
        if (e == end || t == p || t[-1] != '\\') return e;
        while (e < end && (*e == '\r' || *e == '\n' || *e == ' ')) ++e;
        if (e == end) return e;
        p = e;
    }
}

// Converts the hex(2) and hex(7) data of the value lines in a block; all other
// text (strings, names, comments, other kinds) is copied as it is, so that a
// "hex(2):" inside a name, a string or a comment is never touched.
// Without out, only counts the values whose data would be converted.
bool ConvertBlock(const char* block, size_t length, ByteSink* out, CharForm from, CharForm to, LostCharacters* lost,
                  size_t* converted) {
    const char* end = block + length;
    const char* copied = block;
    const char* p = block;
    while (p < end) {
        while (p < end && (IsLineIndent(*p) || *p == '\r' || *p == '\n')) ++p;
        if (p >= end) break;
        const char* data = FindValueData(p);
        const char* next = p;  // where the search for the next line starts
        const char* colon = nullptr;
        if (data && data + 3 <= end && (data[0] | 0x20) == 'h' && (data[1] | 0x20) == 'e' && (data[2] | 0x20) == 'x') {
            colon = data;
            while (colon < end && *colon != ':' && *colon != '\r' && *colon != '\n') ++colon;
            if (colon >= end || *colon != ':') colon = nullptr;
        }
        if (colon) {
            // Hex data of every kind is skipped as the value parser reads it,
            // continuations included; only hex(2) and hex(7) are converted.
            const char* hex = colon + 1;
            const char* hexEnd = HexDataEnd(hex, end);
            bool chars = colon - data == 6 && data[3] == '(' && (data[4] == '2' || data[4] == '7') && data[5] == ')';
            // Between program and legacy text all data is recoded that the
            // value parser reads and that holds nothing but digits, commas
            // and continuations, however its lines are laid out (spaces,
            // extra backslashes), or the program would read legacy bytes as
            // its own text. The test must not depend on the layout: a save
            // drops the continuations that end a block, and data that a load
            // left as legacy bytes would then be recoded as program text
            // that it is not.
            bool recode = from != CharForm::Wide && to != CharForm::Wide;
            bool wellFormed = (recode || ConvertibleData(hex, end)) && OnlyHexData(hex, hexEnd);
            if (chars && wellFormed) {
                // Between two single-byte forms ASCII is the same text.
                bool same = recode && !HasHighHexByte(hex, hexEnd);
                if (!same && !out) {
                    if (converted) ++*converted;
                } else if (!same) {
                    std::string bytes = DecodeHexBytes(std::string_view(hex, static_cast<size_t>(hexEnd - hex)));
                    if (!out->Write(copied, static_cast<size_t>(hex - copied))) return false;
                    std::string text = WideToChars(CharsToWide(bytes, from), to, lost);
                    // UTF-16 goes 12 characters to a line, single-byte data 25.
                    size_t perLine = to == CharForm::Wide ? 24 : 25;
                    if (!WriteHexBytes(*out, reinterpret_cast<const unsigned char*>(text.data()), text.size(), perLine,
                                       perLine))
                        return false;
                    if (converted) ++*converted;
                    copied = hexEnd;
                }
            }
            next = hexEnd;
        } else if (data && *data == '"') {
            // A quote inside the string does not end its line.
            const char* close = FindClosingQuote(data);
            next = close ? close + 1 : data;
        }
        while (next < end && *next != '\r' && *next != '\n') ++next;
        p = next;
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
    ForEachHexByte(hexData, [&](unsigned char b) { bytes += static_cast<char>(b); });
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

bool NarrowHexData(const char* block, size_t length, ByteSink& out, CharForm to, LostCharacters* lost) {
    return ConvertBlock(block, length, &out, CharForm::Wide, to, lost, nullptr);
}

bool WidenHexData(const char* block, size_t length, ByteSink& out, CharForm from) {
    return ConvertBlock(block, length, &out, from, CharForm::Wide, nullptr, nullptr);
}

bool RecodeHexData(const char* block, size_t length, ByteSink& out, CharForm from, CharForm to, LostCharacters* lost,
                   size_t* converted) {
    return ConvertBlock(block, length, &out, from, to, lost, converted);
}

bool MayRecodeHexData(const char* block, size_t length) {
    const char* end = block + length;
    for (const char* p = block; p + 4 <= end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '(', static_cast<size_t>(end - p)));
        if (!p || p + 4 > end) break;
        if ((p[1] == '2' || p[1] == '7') && p[2] == ')' && p[3] == ':' && HasHighHexByte(p + 4, HexDataEnd(p + 4, end)))
            return true;
    }
    return false;
}

size_t CountRecodedValues(const char* block, size_t length, CharForm from, CharForm to) {
    // Most blocks hold no "hex(2):" or "hex(7):" whose data has a byte
    // beyond ASCII, and need no walk over their lines.
    if (!MayRecodeHexData(block, length)) return 0;
    size_t count = 0;
    ConvertBlock(block, length, nullptr, from, to, nullptr, &count);
    return count;
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
    char text[32];
    // The printf family drops the "0x" of %#x for zero; the prefix is kept
    // here so that every DWORD reads the same way.
    if (v == 0)
        std::snprintf(text, sizeof text, "0x000000(0)");
    else
        std::snprintf(text, sizeof text, "%#08x(%d)", v, static_cast<int32_t>(v));
    return text;
}
