#include "document/NameFold.h"

#include "document/Platform.h"
#include "document/Utf8.h"

namespace {

// Pairs of capital and small letter side by side: in [first, last] the
// capital is the even (lowerOdd) or odd code point, the small one after it.
struct PairRange {
    char32_t first, last;
    bool capitalEven;
};
// Ranges whose small letters lie a fixed distance above their capitals.
struct ShiftRange {
    char32_t first, last;  // the small letters
    char32_t distance;
};

constexpr PairRange kPairs[] = {
    {0x0100, 0x012F, true}, {0x0132, 0x0137, true}, {0x0139, 0x0148, false}, {0x014A, 0x0177, true},
    {0x0179, 0x017E, false}, {0x0460, 0x0481, true}, {0x048A, 0x04BF, true}, {0x04C1, 0x04CE, false},
    {0x04D0, 0x052F, true}, {0x1E00, 0x1E95, true}, {0x1EA0, 0x1EFF, true},
};

constexpr ShiftRange kShifts[] = {
    {0x00E0, 0x00F6, 0x20}, {0x00F8, 0x00FE, 0x20}, {0x03B1, 0x03C1, 0x20}, {0x03C3, 0x03CB, 0x20},
    {0x03AD, 0x03AF, 0x25}, {0x03CD, 0x03CE, 0x3F}, {0x0430, 0x044F, 0x20}, {0x0450, 0x045F, 0x50},
    {0x0561, 0x0586, 0x30}, {0x2170, 0x217F, 0x10}, {0x24D0, 0x24E9, 0x1A}, {0xFF41, 0xFF5A, 0x20},
};

}  // namespace

char32_t UpcaseCharacter(char32_t c) {
    if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    for (const ShiftRange& r : kShifts)
        if (c >= r.first && c <= r.last) return c - r.distance;
    for (const PairRange& r : kPairs)
        if (c >= r.first && c <= r.last) return ((c & 1) == (r.capitalEven ? 1u : 0u)) ? c - 1 : c;
    switch (c) {
    case 0x00FF: return 0x0178;
    case 0x03AC: return 0x0386;
    case 0x03C2: return 0x03A3;
    case 0x03CC: return 0x038C;
    case 0x04CF: return 0x04C0;
    default: return c;
    }
}

size_t ReadCharacter(const char* p, char32_t& c) {
    auto b = [p](size_t i) { return static_cast<unsigned char>(p[i]); };
    unsigned char lead = b(0);
    if (lead < 0x80 || !ProgramTextIsUtf8()) {
        c = lead;
        return 1;
    }
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4) {
        c = 0xDC00 + lead;
        return 1;
    }
    char32_t value = lead & (0x3F >> (length - 1));
    for (size_t i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80) {
            c = 0xDC00 + lead;
            return 1;
        }
        value = (value << 6) | (b(i) & 0x3F);
    }
    c = value;
    return length;
}

char32_t FoldCharacter(const char* p, size_t& length) {
    unsigned char lead = static_cast<unsigned char>(*p);
    if (lead < 0x80 || !ProgramTextIsUtf8()) {
        // Legacy program text: the system's single-byte mapping.
        length = 1;
        return UpperByte(lead);
    }
    char32_t c;
    length = ReadCharacter(p, c);
    return UpcaseCharacter(c);
}

std::string FoldName(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    std::string text(name);  // NUL-terminated: ReadCharacter looks ahead
    for (size_t i = 0; i < text.size();) {
        size_t length;
        char32_t c = FoldCharacter(text.c_str() + i, length);
        if (c >= 0xDC80 && c <= 0xDCFF && length == 1 && ProgramTextIsUtf8())
            folded += text[i];
        else if (!ProgramTextIsUtf8() || c < 0x80)
            folded += static_cast<char>(c);
        else
            folded += CharacterText(c);
        i += length;
    }
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return FoldName(a) == FoldName(b);
}
