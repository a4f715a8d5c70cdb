// Platform services without Windows: program text is UTF-8, the legacy code
// page Windows-1252 (the page Wine uses for C and English locales), files
// through stdio.
#include "document/Platform.h"

#include "document/Utf8.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Windows-1252 bytes 0x80..0x9F. The five undefined bytes map to the C1
// control with the same number, as MultiByteToWideChar does for 1252.
constexpr char16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ByteToWide(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHighTable[c - 0x80];
    return c;
}

// '?' (the default character) when the code page has no such character.
bool WideToByte(char16_t w, unsigned char& c) {
    if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) {
        c = static_cast<unsigned char>(w);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighTable[i] == w) {
            c = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    c = '?';
    return false;
}

// Program text is UTF-8: only the ASCII letters have a case of one byte.
struct CaseTable {
    unsigned char map[256];
    CaseTable() {
        for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
        for (int i = 'a'; i <= 'z'; ++i) map[i] = static_cast<unsigned char>(i - 32);
    }
};

const CaseTable kUpper;

#if defined(__SSE2__)
// Whether all eight units are below 0x80.
bool AllAscii(__m128i units) {
    return _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80))),
                                             _mm_setzero_si128())) == 0xFFFF;
}
#endif

}  // namespace

bool ProgramTextIsUtf8() { return true; }

unsigned LegacyCodePage() { return 1252; }

bool LegacyIsProgramText() { return false; }

bool LegacyIsSingleByte() { return true; }

size_t ProgramToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    size_t n = Utf8ToWide(src, srcLen, dst, dstCap);
    return n == SIZE_MAX ? kConvertFailed : n;
}

size_t WideToProgram(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool*) {
    size_t n = WideToUtf8(src, srcLen, dst, dstCap);
    return n == SIZE_MAX ? kConvertFailed : n;
}

size_t WideToProgramLength(const char16_t* src, size_t srcLen) { return WideToUtf8Length(src, srcLen); }

size_t LegacyToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    if (srcLen > dstCap) return kConvertFailed;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    for (size_t i = 0; i < srcLen; ++i) dst[i] = ByteToWide(s[i]);
    return srcLen;
}

size_t WideToLegacy(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, LostCharacters* lost) {
    size_t n = 0;
    size_t i = 0;
    while (i < srcLen) {
        // ASCII runs go sixteen or eight characters at a time: nearly all of
        // a .reg file.
#if defined(__SSE2__)
        if (i + 16 <= srcLen && n + 16 <= dstCap) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
            if (AllAscii(_mm_or_si128(a, b))) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n), _mm_packus_epi16(a, b));
                i += 16;
                n += 16;
                continue;
            }
        }
#endif
        if (n >= dstCap) return kConvertFailed;
        char16_t w = src[i];
        unsigned char c;
        if (w < 0x80) {
            c = static_cast<unsigned char>(w);
        } else if (!WideToByte(w, c)) {
            // A surrogate pair is one character, replaced unit by unit as
            // the system's conversion does: two question marks.
            bool pair = w >= 0xD800 && w < 0xDC00 && i + 1 < srcLen && src[i + 1] >= 0xDC00 && src[i + 1] < 0xE000;
            if (lost) lost->Add(pair ? 0x10000 + ((w - 0xD800) << 10) + (src[i + 1] - 0xDC00) : w);
            if (pair) {
                if (n + 1 >= dstCap) return kConvertFailed;
                dst[n++] = '?';
                ++i;
            }
        }
        dst[n++] = static_cast<char>(c);
        ++i;
    }
    return n;
}

size_t WideToLegacyLength(const char16_t*, size_t srcLen) { return srcLen; }  // one byte per unit

std::u16string ProgramToWideString(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    out.resize(Utf8ToWide(text.data(), text.size(), out.data(), out.size()));
    return out;
}

std::string WideToProgramString(std::u16string_view text, bool*) {
    std::string out(WideToUtf8Length(text.data(), text.size()), '\0');
    WideToUtf8(text.data(), text.size(), out.data(), out.size());
    return out;
}

std::u16string LegacyToWideString(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    LegacyToWide(text.data(), text.size(), out.data(), out.size());
    return out;
}

std::string WideToLegacyString(std::u16string_view text, LostCharacters* lost) {
    std::string out(text.size(), '\0');
    size_t n = WideToLegacy(text.data(), text.size(), out.data(), out.size(), lost);
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

unsigned char UpperByte(unsigned char c) { return kUpper.map[c]; }

const unsigned char* UpperTable() { return kUpper.map; }

void UpperCaseInPlace(std::string& text) {
    for (char& c : text) c = static_cast<char>(kUpper.map[static_cast<unsigned char>(c)]);
}

// Byte by byte through the ASCII case table: letters outside ASCII compare
// exactly (Windows compares them through its own case tables).
int CompareNoCase(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        int d = kUpper.map[*x] - kUpper.map[*y];
        if (d != 0 || *x == 0) return d;
    }
}

int CompareText(const char* a, const char* b) { return std::strcmp(a, b); }

FILE* OpenFileForRead(const char* path) { return std::fopen(path, "rb"); }

bool GetFileSize64(FILE* file, uint64_t& size) {
    if (fseeko(file, 0, SEEK_END) != 0) return false;
    off_t end = ftello(file);
    if (end < 0 || fseeko(file, 0, SEEK_SET) != 0) return false;
    size = static_cast<uint64_t>(end);
    return true;
}

bool FlushFileToDisk(FILE* file) {
    if (std::fflush(file) != 0) return false;
    return fsync(fileno(file)) == 0;
}

void StartFlushToDisk(FILE* file, uint64_t offset, size_t size) {
#if defined(__linux__)
    sync_file_range(fileno(file), static_cast<off_t>(offset), static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
    (void)file;
    (void)offset;
    (void)size;
#endif
}

namespace {

// Closes a file on a thread of its own; here when no thread can be had.
void CloseLater(int fd) {
    try {
        std::thread([fd] { close(fd); }).detach();
    } catch (...) {
        close(fd);
    }
}

}  // namespace

bool ReplaceFileWith(const char* source, const char* target) {
    // The system frees the replaced file's pages when its last handle goes,
    // which for a large file takes a while: a handle held over the rename
    // and closed on another thread spares the save that wait.
    int old = open(target, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    bool ok = std::rename(source, target) == 0;
    if (old >= 0) CloseLater(old);
    return ok;
}

bool RemoveFile(const char* path) { return std::remove(path) == 0; }

FileStamp GetFileStamp(const char* path) {
    FileStamp stamp;
    struct stat info {};
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.writeTime = static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(info.st_mtim.tv_nsec);
    return stamp;
}

uint32_t LastSystemError() { return static_cast<uint32_t>(errno); }

void* AllocateAligned(size_t size, size_t alignment) {
    void* memory = nullptr;
    return posix_memalign(&memory, alignment, size) == 0 ? memory : nullptr;
}

void FreeAligned(void* memory) { std::free(memory); }
