#include "document/Utf8.h"

#include <cstdint>
#include <cstring>

#include "document/Platform.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

// Bytes of the UTF-8 sequence that starts with lead, or 0 for a byte that
// starts none.
size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF5) return 4;
    return 0;
}

// Decodes the sequence at s (n bytes available); 0 when it is not valid.
// Surrogates in their three-byte form are valid here.
size_t DecodeSequence(const unsigned char* s, size_t n, char32_t& cp) {
    size_t length = SequenceLength(s[0]);
    if (length == 0 || length > n) return 0;
    if (length == 1) {
        cp = s[0];
        return 1;
    }
    char32_t c = s[0] & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[k] & 0x3F);
    }
    static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || c > 0x10FFFF) return 0;
    cp = c;
    return length;
}

}  // namespace

size_t Utf8ToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    if (dstCap < srcLen) return SIZE_MAX;
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    size_t i = 0, n = 0;
    while (i < srcLen) {
        // ASCII runs go thirty-two or sixteen at a time: nearly all of a
        // .reg file.
#if defined(__SSE2__)
        while (i + 32 <= srcLen) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) break;
            __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n), _mm_unpacklo_epi8(a, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n + 8), _mm_unpackhi_epi8(a, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n + 16), _mm_unpacklo_epi8(b, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n + 24), _mm_unpackhi_epi8(b, zero));
            i += 32;
            n += 32;
        }
        if (i == srcLen) break;
        if (i + 16 <= srcLen) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
            __m128i zero = _mm_setzero_si128();
            if (high == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n), _mm_unpacklo_epi8(bytes, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n + 8), _mm_unpackhi_epi8(bytes, zero));
                i += 16;
                n += 16;
                continue;
            }
            // The ASCII before the first byte beyond it, then that
            // character: no byte is looked at twice. Only the units of the
            // text are written.
            unsigned ascii = static_cast<unsigned>(__builtin_ctz(high));
            if (ascii >= 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n), _mm_unpacklo_epi8(bytes, zero));
            for (unsigned k = ascii >= 8 ? 8 : 0; k < ascii; ++k) dst[n + k] = s[i + k];
            i += ascii;
            n += ascii;
        }
#endif
        if (s[i] < 0x80) {
            dst[n++] = s[i++];
            continue;
        }
        char32_t cp;
        size_t length = DecodeSequence(s + i, srcLen - i, cp);
        if (length == 0) {
            dst[n++] = 0xFFFD;
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            dst[n++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            dst[n++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            dst[n++] = static_cast<char16_t>(cp);
        }
        i += length;
    }
    return n;
}

size_t WideToUtf8(const char16_t* src, size_t srcLen, char* dst, size_t dstCap) {
    size_t i = 0, n = 0;
    auto* d = reinterpret_cast<unsigned char*>(dst);
    while (i < srcLen) {
#if defined(__SSE2__)
        if (i + 16 <= srcLen && n + 16 <= dstCap) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
            __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n), _mm_packus_epi16(a, b));
                i += 16;
                n += 16;
                continue;
            }
        }
#endif
        char32_t c = src[i++];
        if (IsHighSurrogate(static_cast<char16_t>(c)) && i < srcLen && IsLowSurrogate(src[i]))
            c = 0x10000 + ((c - 0xD800) << 10) + (src[i++] - 0xDC00);
        size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (n + length > dstCap) return SIZE_MAX;
        switch (length) {
        case 1:
            d[n] = static_cast<unsigned char>(c);
            break;
        case 2:
            d[n] = static_cast<unsigned char>(0xC0 | (c >> 6));
            d[n + 1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            break;
        case 3:
            d[n] = static_cast<unsigned char>(0xE0 | (c >> 12));
            d[n + 1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            d[n + 2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            break;
        default:
            d[n] = static_cast<unsigned char>(0xF0 | (c >> 18));
            d[n + 1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            d[n + 2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            d[n + 3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
        n += length;
    }
    return n;
}

size_t WideToUtf8Length(const char16_t* src, size_t srcLen) {
    size_t n = 0;
    for (size_t i = 0; i < srcLen; ++i) {
        char16_t u = src[i];
        if (u < 0x80) {
            n += 1;
        } else if (u < 0x800) {
            n += 2;
        } else if (IsHighSurrogate(u) && i + 1 < srcLen && IsLowSurrogate(src[i + 1])) {
            n += 4;
            ++i;
        } else {
            n += 3;
        }
    }
    return n;
}

bool HasHighByte(const char* text, size_t size) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 64 <= size; i += 64) {
        const auto* p = reinterpret_cast<const __m128i*>(text + i);
        __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(p), _mm_loadu_si128(p + 1)),
                                   _mm_or_si128(_mm_loadu_si128(p + 2), _mm_loadu_si128(p + 3)));
        if (_mm_movemask_epi8(any)) return true;
    }
#endif
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, text + i, 8);
        if (word & 0x8080808080808080ull) return true;
    }
    for (; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
    return false;
}

size_t CharacterPrefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    if (!ProgramTextIsUtf8()) return maxBytes;
    // Back over continuation bytes to the start of the character that the
    // limit would cut.
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

std::string CharacterText(char32_t c) {
    char16_t units[2];
    size_t count = 1;
    if (c >= 0x10000) {
        units[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<char16_t>(c);
    }
    return WideToProgramString(std::u16string_view(units, count));
}

namespace {

// The UTF-8 form of each byte of the legacy page, and the byte of each
// character the page has, both made from the platform's conversion of the
// page's 256 bytes: another single-byte page is another table.
struct LegacyTable {
    unsigned char bytes[256][4];
    unsigned char length[256];
    // By UTF-16 unit: the byte beyond ASCII of that character, 0 for none.
    unsigned char byteOf[0x10000];
    LegacyTable() {
        std::memset(byteOf, 0, sizeof byteOf);
        for (int b = 0; b < 256; ++b) {
            char c = static_cast<char>(b);
            char16_t w = 0xFFFD;
            if (LegacyToWide(&c, 1, &w, 1) != 1) w = 0xFFFD;
            size_t n = WideToUtf8(&w, 1, reinterpret_cast<char*>(bytes[b]), 4);
            if (n == SIZE_MAX) {
                bytes[b][0] = '?';
                n = 1;
            }
            length[b] = static_cast<unsigned char>(n);
            if (b >= 0x80 && w != 0xFFFD && !byteOf[w]) byteOf[w] = static_cast<unsigned char>(b);
        }
    }
};

const LegacyTable& Legacy() {
    static const LegacyTable table;
    return table;
}

}  // namespace

size_t SingleByteLegacyToUtf8Length(const char* src, size_t srcLen) {
    const LegacyTable& t = Legacy();
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    size_t n = srcLen, i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; only the bytes beyond ASCII add to the length.
    for (; i + 16 <= srcLen; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        for (; high; high &= high - 1) n += t.length[s[i + static_cast<size_t>(__builtin_ctz(high))]] - 1u;
    }
#endif
    for (; i < srcLen; ++i) n += t.length[s[i]] - 1u;
    return n;
}

size_t SingleByteLegacyToUtf8(const char* src, size_t srcLen, char* dst) {
    const LegacyTable& t = Legacy();
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    char* const start = dst;
    size_t i = 0;
    while (i < srcLen) {
#if defined(__SSE2__)
        // ASCII, nearly all of a file, thirty-two bytes at a time.
        while (i + 32 <= srcLen) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), b);
            i += 32;
            dst += 32;
        }
        if (i == srcLen) break;
        if (i + 16 <= srcLen) {
            // The ASCII before the first byte beyond it: all sixteen bytes
            // are stored (they make at least sixteen bytes of text, so the
            // store stays within it), and those from that byte on are then
            // written over.
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), v);
            unsigned ascii = high ? static_cast<unsigned>(__builtin_ctz(high)) : 16;
            i += ascii;
            dst += ascii;
            if (ascii == 16) continue;
        }
#endif
        uint64_t word;
        if (i + 8 <= srcLen && (std::memcpy(&word, s + i, 8), (word & 0x8080808080808080ull) == 0)) {
            std::memcpy(dst, s + i, 8);
            dst += 8;
            i += 8;
            continue;
        }
        unsigned char b = s[i++];
        std::memcpy(dst, t.bytes[b], 4);
        dst += t.length[b];
    }
    return static_cast<size_t>(dst - start);
}

void SingleByteLegacyToUtf8InPlace(char* text, size_t size, size_t length) {
    const LegacyTable& t = Legacy();
    auto* s = reinterpret_cast<unsigned char*>(text);
    // From the back: a byte is read before anything is written over it, as
    // the text only grows (every byte has a UTF-8 form of one byte or more).
    // Once the two ends meet, the text before is ASCII and stays in place.
    if (length == size) {
        // Every byte has a form of one byte.
        for (size_t k = 0; k < size; ++k) s[k] = t.bytes[s[k]][0];
        return;
    }
    size_t i = size, j = length;
    while (j > i) {
#if defined(__SSE2__)
        if (i >= 32) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i - 32));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i - 16));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)) == 0) {
                i -= 32;
                j -= 32;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(s + j + 16), b);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(s + j), a);
                continue;
            }
        }
#endif
        uint64_t word;
        if (i >= 8 && (std::memcpy(&word, s + i - 8, 8), (word & 0x8080808080808080ull) == 0)) {
            i -= 8;
            j -= 8;
            std::memcpy(s + j, &word, 8);
            continue;
        }
        unsigned char b = s[--i];
        size_t n = t.length[b];
        j -= n;
        std::memcpy(s + j, t.bytes[b], n);
    }
}

size_t Utf8ToSingleByteLegacy(const char* src, size_t srcLen, char* dst, LostCharacters* lost) {
    const LegacyTable& t = Legacy();
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    size_t i = 0, n = 0;
    while (i < srcLen) {
#if defined(__SSE2__)
        // ASCII, nearly all of a file, thirty-two bytes at a time.
        while (i + 32 <= srcLen) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n), a);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n + 16), b);
            i += 32;
            n += 32;
        }
        if (i == srcLen) break;
        if (i + 16 <= srcLen) {
            // The ASCII before the first byte beyond it in one copy.
            unsigned high = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
            unsigned ascii = high ? static_cast<unsigned>(__builtin_ctz(high)) : 16;
            std::memcpy(dst + n, s + i, ascii);
            i += ascii;
            n += ascii;
            if (ascii == 16) continue;
        }
#endif
        uint64_t word;
        if (i + 8 <= srcLen && (std::memcpy(&word, s + i, 8), (word & 0x8080808080808080ull) == 0)) {
            std::memcpy(dst + n, s + i, 8);
            n += 8;
            i += 8;
            continue;
        }
        if (s[i] < 0x80) {
            dst[n++] = static_cast<char>(s[i++]);
            continue;
        }
        char32_t cp = 0xFFFD;
        size_t length = DecodeSequence(s + i, srcLen - i, cp);
        i += length ? length : 1;
        if (cp < 0x10000 && t.byteOf[cp]) {
            dst[n++] = static_cast<char>(t.byteOf[cp]);
            continue;
        }
        // As the system's conversion does it: one question mark a unit.
        dst[n++] = '?';
        if (cp >= 0x10000) dst[n++] = '?';
        if (lost) lost->Add(cp);
    }
    return n;
}

std::string LegacyToProgramText(std::string_view text) {
    if (LegacyIsProgramText() || !HasHighByte(text.data(), text.size())) return std::string(text);
    return WideToProgramString(LegacyToWideString(text));
}

std::string ProgramToLegacyText(std::string_view text, LostCharacters* lost) {
    if (LegacyIsProgramText() || !HasHighByte(text.data(), text.size())) return std::string(text);
    return WideToLegacyString(ProgramToWideString(text), lost);
}
