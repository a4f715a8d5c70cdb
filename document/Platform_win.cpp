// Platform services on Windows: the system ANSI code page through
// MultiByteToWideChar/WideCharToMultiByte, case through CharUpperBuffA and
// lstrcmpiA, files through the CRT with Win32 for flush and replace.
#include "document/Platform.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <io.h>
#include <malloc.h>
#include <share.h>

namespace {

// The conversion functions take int lengths: large texts go in pieces that
// never split a surrogate pair (ANSI pieces never split a lead byte: see
// AnsiPieceEnd).
constexpr size_t kPiece = 1u << 28;

size_t WidePieceEnd(const char16_t* src, size_t begin, size_t srcLen) {
    size_t end = srcLen - begin > kPiece ? begin + kPiece : srcLen;
    if (end < srcLen && src[end - 1] >= 0xD800 && src[end - 1] < 0xDC00) --end;
    return end;
}

size_t AnsiPieceEnd(const char* src, size_t begin, size_t srcLen) {
    if (srcLen - begin <= kPiece) return srcLen;
    size_t end = begin + kPiece;
    // Back up to a line break: a lead byte never precedes one.
    while (end > begin + 1 && src[end - 1] != '\n') --end;
    return end > begin + 1 ? end : begin + kPiece;
}

// Converts src in pieces (pieceEnd(begin) ends the piece that starts at
// begin): convert(begin, end, written, cap) converts one piece to the output
// at written, with cap bytes or units of room, and returns what it wrote.
// The total written, or kConvertFailed when a piece fails or the room ends.
template <class PieceEnd, class Convert>
size_t ConvertInPieces(size_t srcLen, size_t dstCap, PieceEnd pieceEnd, Convert convert) {
    size_t written = 0;
    for (size_t begin = 0; begin < srcLen;) {
        size_t end = pieceEnd(begin);
        size_t room = dstCap - written;
        int cap = room > INT_MAX ? INT_MAX : static_cast<int>(room);
        if (cap == 0) return kConvertFailed;
        int n = convert(begin, end, written, cap);
        if (n <= 0) return kConvertFailed;
        written += static_cast<size_t>(n);
        begin = end;
    }
    return written;
}

struct CaseTable {
    unsigned char map[256];
    CaseTable() {
        char bytes[256];
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
        CharUpperBuffA(bytes + 1, 255);
        for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(bytes[i]);
        map[0] = 0;
    }
};

const CaseTable& Upper() {
    static const CaseTable table;
    return table;
}

}  // namespace

size_t AnsiToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    auto pieceEnd = [&](size_t begin) { return AnsiPieceEnd(src, begin, srcLen); };
    return ConvertInPieces(srcLen, dstCap, pieceEnd, [&](size_t begin, size_t end, size_t written, int cap) {
        return MultiByteToWideChar(CP_ACP, 0, src + begin, static_cast<int>(end - begin),
                                   reinterpret_cast<wchar_t*>(dst + written), cap);
    });
}

size_t WideToAnsi(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool* lossy) {
    // The used-default-character flag is refused for UTF-8 (code page 65001);
    // there every character is representable.
    bool utf8 = GetACP() == CP_UTF8;
    auto pieceEnd = [&](size_t begin) { return WidePieceEnd(src, begin, srcLen); };
    return ConvertInPieces(srcLen, dstCap, pieceEnd, [&](size_t begin, size_t end, size_t written, int cap) {
        BOOL usedDefault = FALSE;
        // No best fit: a character the code page lacks must not turn silently
        // into a look-alike ("ő" into "o"), it is reported.
        int n = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(src + begin),
                                    static_cast<int>(end - begin), dst + written, cap, nullptr,
                                    utf8 ? nullptr : &usedDefault);
        if (n > 0 && usedDefault && lossy) *lossy = true;
        return n;
    });
}

size_t WideToAnsiLength(const char16_t* src, size_t srcLen) {
    auto pieceEnd = [&](size_t begin) { return WidePieceEnd(src, begin, srcLen); };
    // No output: the room is only what the count may grow to.
    return ConvertInPieces(srcLen, SIZE_MAX, pieceEnd, [&](size_t begin, size_t end, size_t, int) {
        return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(src + begin),
                                   static_cast<int>(end - begin), nullptr, 0, nullptr, nullptr);
    });
}

std::u16string AnsiToWideString(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    size_t n = text.empty() ? 0 : AnsiToWide(text.data(), text.size(), out.data(), out.size());
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

std::string WideToAnsiString(std::u16string_view text, bool* lossy) {
    if (text.empty()) return std::string();
    size_t need = WideToAnsiLength(text.data(), text.size());
    if (need == kConvertFailed) return std::string();
    std::string out(need, '\0');
    size_t n = WideToAnsi(text.data(), text.size(), out.data(), out.size(), lossy);
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

unsigned char UpperByte(unsigned char c) { return Upper().map[c]; }

const unsigned char* UpperTable() { return Upper().map; }

void UpperCaseInPlace(std::string& text) {
    const CaseTable& t = Upper();
    for (char& c : text) c = static_cast<char>(t.map[static_cast<unsigned char>(c)]);
}

int CompareNoCase(const char* a, const char* b) { return lstrcmpiA(a, b); }

int CompareText(const char* a, const char* b) { return lstrcmpA(a, b); }

unsigned AnsiCodePage() { return GetACP(); }

FILE* OpenFileForRead(const char* path) { return _fsopen(path, "rb", _SH_DENYWR); }

bool GetFileSize64(FILE* file, uint64_t& size) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return false;
    long long end = _ftelli64(file);
    if (end < 0 || _fseeki64(file, 0, SEEK_SET) != 0) return false;
    size = static_cast<uint64_t>(end);
    return true;
}

bool FlushFileToDisk(FILE* file) {
    if (std::fflush(file) != 0) return false;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

bool ReplaceFileWith(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

void* AllocateAligned(size_t size, size_t alignment) { return _aligned_malloc(size, alignment); }

void FreeAligned(void* memory) { _aligned_free(memory); }
