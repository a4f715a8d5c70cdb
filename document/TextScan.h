// Fast scans over NUL-terminated text for the parser's hot loops. The text
// buffers the loader makes end in kScanPadding NUL bytes; the vector loads
// are 16-byte aligned, so they never cross a page boundary past the
// terminator.
#pragma once

#include <cstddef>
#include <cstdint>

// NUL bytes after the text of every parse buffer: the terminator, and room
// for the scanners and the eight-byte path compare to read past it.
inline constexpr size_t kScanPadding = 16;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_SCALAR_SCAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_SCALAR_SCAN 1
#endif

// Over-reading within an aligned block is sound but the address sanitizer
// cannot know that: sanitized builds scan byte by byte.
#if defined(__SSE2__)
#include <emmintrin.h>
#if !defined(QUILLON_SCALAR_SCAN)
#define QUILLON_SSE2_SCAN 1
#endif
#endif

namespace textscan {

#if defined(__SSE2__)
// One bit for each byte of v that is a hex digit of 8 or more followed by a
// hex digit (the same byte of w, loaded one byte on): the last two digits of
// a byte of 0x80 or above. Bytes beyond ASCII compare as negative, outside
// every range.
inline unsigned HighDigitPairs(__m128i v, __m128i w) {
    const __m128i zero = _mm_set1_epi8('0' - 1), nine = _mm_set1_epi8('9' + 1), eight = _mm_set1_epi8('8' - 1);
    const __m128i a = _mm_set1_epi8('a' - 1), f = _mm_set1_epi8('f' + 1), lower = _mm_set1_epi8(0x20);
    __m128i vl = _mm_or_si128(v, lower), wl = _mm_or_si128(w, lower);
    __m128i letterV = _mm_and_si128(_mm_cmpgt_epi8(vl, a), _mm_cmpgt_epi8(f, vl));
    __m128i highV = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi8(v, eight), _mm_cmpgt_epi8(nine, v)), letterV);
    __m128i digitW = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi8(w, zero), _mm_cmpgt_epi8(nine, w)),
                                  _mm_and_si128(_mm_cmpgt_epi8(wl, a), _mm_cmpgt_epi8(f, wl)));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(highV, digitW)));
}
#endif

// First position at or after p holding a or b or NUL.
inline const char* FindAny2(const char* p, char a, char b) {
#ifdef QUILLON_SSE2_SCAN
    // The first load is the aligned block holding p, with the bytes before p
    // masked off: no byte-by-byte start, and no load ever crosses into the
    // next page.
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vz = _mm_setzero_si128();
    unsigned skip = static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 15);
    const char* block = p - skip;
    __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(
                        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vz)))) >>
                    skip;
    if (bits) return p + __builtin_ctz(bits);
    for (block += 16;; block += 16) {
        v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        bits = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vz))));
        if (bits) return block + __builtin_ctz(bits);
    }
#else
    for (;; ++p) {
        char c = *p;
        if (c == a || c == b || c == 0) return p;
    }
#endif
}

// First position at or after p holding a, b, c or NUL.
inline const char* FindAny3(const char* p, char a, char b, char c3) {
#ifdef QUILLON_SSE2_SCAN
    // Aligned loads as in FindAny2: the bytes before p are masked off.
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c3), vz = _mm_setzero_si128();
    unsigned skip = static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 15);
    const char* block = p - skip;
    for (;; block += 16, skip = 0) {
        __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                 _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vz)));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m)) >> skip << skip;
        if (bits) return block + __builtin_ctz(bits);
    }
#else
    for (;; ++p) {
        char c = *p;
        if (c == a || c == b || c == c3 || c == 0) return p;
    }
#endif
}

// First position in [p, end) holding a or NUL; end when there is none.
inline const char* FindOrNulBefore(const char* p, const char* end, char a) {
#ifdef QUILLON_SSE2_SCAN
    const __m128i va = _mm_set1_epi8(a), vz = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vz));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m));
        if (bits) return p + __builtin_ctz(bits);
    }
#endif
    while (p < end && *p != a && *p != '\0') ++p;
    return p;
}

// The last position before end and at or after begin holding a, b or c;
// null when there is none. The bytes before begin are read only within
// begin's aligned block (begin lies inside a buffer that starts aligned).
inline const char* FindLastOf3(const char* begin, const char* end, char a, char b, char c3) {
#ifdef QUILLON_SSE2_SCAN
    if (end <= begin) return nullptr;
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c3);
    const char* block = reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(end - 1) & ~uintptr_t(15));
    unsigned keep = 0xFFFFu >> (15 - static_cast<unsigned>(end - 1 - block));  // bytes before end
    for (;;) {
        __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m)) & keep;
        if (block <= begin) bits &= ~0u << static_cast<unsigned>(begin - block);
        if (bits) return block + (31 - __builtin_clz(bits));
        if (block <= begin) return nullptr;
        block -= 16;
        keep = 0xFFFFu;
    }
#else
    for (const char* p = end; p > begin;) {
        --p;
        if (*p == a || *p == b || *p == c3) return p;
    }
    return nullptr;
#endif
}

// The last position before end and at or after begin holding a or b; null
// when there is none. The bytes before begin are read only within begin's
// aligned block (begin lies inside a buffer that starts aligned).
inline const char* FindLastOf2(const char* begin, const char* end, char a, char b) {
    return FindLastOf3(begin, end, a, b, b);
}

// First position at or after p holding a, b, c, d or NUL.
inline const char* FindAny4(const char* p, char a, char b, char c3, char c4) {
#ifdef QUILLON_SSE2_SCAN
    // Aligned loads as in FindAny2: the bytes before p are masked off.
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c3), vd = _mm_set1_epi8(c4),
                  vz = _mm_setzero_si128();
    unsigned skip = static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 15);
    const char* block = p - skip;
    for (;; block += 16, skip = 0) {
        __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                 _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd)),
                                              _mm_cmpeq_epi8(v, vz)));
        unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m)) >> skip << skip;
        if (bits) return block + __builtin_ctz(bits);
    }
#else
    for (;; ++p) {
        char c = *p;
        if (c == a || c == b || c == c3 || c == c4 || c == 0) return p;
    }
#endif
}

}  // namespace textscan
