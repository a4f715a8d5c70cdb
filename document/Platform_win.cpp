// Platform services on Windows: program text in the process's ANSI code page
// (UTF-8 through the manifest, converted by Utf8.cpp), legacy text in the
// system locale's, both other pages through MultiByteToWideChar and
// WideCharToMultiByte; case through CharUpperBuffA and lstrcmpiA, files
// through the CRT with Win32 for flush and replace.
#include "document/Platform.h"

#include "document/Utf8.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
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
        for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
        if (ProgramTextIsUtf8()) {
            // A byte of a longer UTF-8 character is no letter of its own:
            // only ASCII letters are mapped.
            for (int i = 'a'; i <= 'z'; ++i) map[i] = static_cast<unsigned char>(i - 32);
            return;
        }
        char bytes[256];
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
        CharUpperBuffA(bytes + 1, 255);
        for (int i = 1; i < 256; ++i) map[i] = static_cast<unsigned char>(bytes[i]);
    }
};

const CaseTable& Upper() {
    static const CaseTable table;
    return table;
}

// The code page of the system locale, which programs without the UTF-8
// manifest (the system registry editor among them) get as their ANSI code
// page: the one the system keeps under its code page key (set to 65001 by
// the system-wide UTF-8 option, and kept by Wine from the locale it runs in),
// else the default ANSI code page of the system default locale. The user
// default locale does not decide it: it sets formats and the language of
// the interface, not the code page of non-Unicode programs.
unsigned SystemAnsiCodePage() {
    wchar_t text[16] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", L"ACP",
                     RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS) {
        unsigned cp = static_cast<unsigned>(wcstoul(text, nullptr, 10));
        if (cp != 0 && IsValidCodePage(cp)) return cp;
    }
    DWORD cp = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&cp), sizeof cp / sizeof(wchar_t)) &&
        cp != 0 && IsValidCodePage(cp))
        return cp;
    // A locale with no ANSI code page of its own (those written only in
    // Unicode) leaves non-Unicode programs with Western European.
    return 1252;
}

struct CodePages {
    bool utf8;
    unsigned legacy;
    bool singleByte = false;
    CodePages() : utf8(GetACP() == CP_UTF8) {
        // Without the manifest the process's own page is the system's.
        legacy = utf8 ? SystemAnsiCodePage() : GetACP();
        CPINFO info{};
        singleByte = legacy != CP_UTF8 && GetCPInfo(legacy, &info) && info.MaxCharSize == 1;
    }
};

const CodePages& Pages() {
    static const CodePages pages;
    return pages;
}

// Converts between UTF-16 and a code page other than UTF-8, in pieces.
size_t CodePageToWide(UINT cp, const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    auto pieceEnd = [&](size_t begin) { return AnsiPieceEnd(src, begin, srcLen); };
    return ConvertInPieces(srcLen, dstCap, pieceEnd, [&](size_t begin, size_t end, size_t written, int cap) {
        return MultiByteToWideChar(cp, 0, src + begin, static_cast<int>(end - begin),
                                   reinterpret_cast<wchar_t*>(dst + written), cap);
    });
}

// No best fit: a character the code page lacks must not turn silently into a
// look-alike ("ő" into "o"); it becomes the default character and is
// reported. lost, when given, learns which characters those were.
size_t WideToCodePage(UINT cp, const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool* lossy,
                      LostCharacters* lost) {
    auto pieceEnd = [&](size_t begin) { return WidePieceEnd(src, begin, srcLen); };
    return ConvertInPieces(srcLen, dstCap, pieceEnd, [&](size_t begin, size_t end, size_t written, int cap) {
        BOOL usedDefault = FALSE;
        const wchar_t* piece = reinterpret_cast<const wchar_t*>(src + begin);
        int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, piece, static_cast<int>(end - begin), dst + written, cap,
                                    nullptr, &usedDefault);
        if (n > 0 && usedDefault) {
            if (lossy) *lossy = true;
            // Which characters were lost: each one tried alone.
            for (size_t i = begin; lost && i < end;) {
                size_t units = src[i] >= 0xD800 && src[i] < 0xDC00 && i + 1 < end ? 2 : 1;
                char probe[8];
                BOOL missing = FALSE;
                if (src[i] >= 0x80)
                    WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(src + i),
                                        static_cast<int>(units), probe, sizeof probe, nullptr, &missing);
                if (missing)
                    lost->Add(units == 2 ? 0x10000 + ((src[i] - 0xD800) << 10) + (src[i + 1] - 0xDC00) : src[i]);
                i += units;
            }
        }
        return n;
    });
}

size_t WideToCodePageLength(UINT cp, const char16_t* src, size_t srcLen) {
    auto pieceEnd = [&](size_t begin) { return WidePieceEnd(src, begin, srcLen); };
    // No output: the room is only what the count may grow to.
    return ConvertInPieces(srcLen, SIZE_MAX, pieceEnd, [&](size_t begin, size_t end, size_t, int) {
        return WideCharToMultiByte(cp, 0, reinterpret_cast<const wchar_t*>(src + begin),
                                   static_cast<int>(end - begin), nullptr, 0, nullptr, nullptr);
    });
}

}  // namespace

bool ProgramTextIsUtf8() { return Pages().utf8; }

unsigned LegacyCodePage() { return Pages().legacy; }

bool LegacyIsProgramText() { return Pages().utf8 ? Pages().legacy == CP_UTF8 : true; }

bool LegacyIsSingleByte() { return Pages().singleByte; }

size_t ProgramToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    if (ProgramTextIsUtf8()) {
        size_t n = Utf8ToWide(src, srcLen, dst, dstCap);
        return n == SIZE_MAX ? kConvertFailed : n;
    }
    return CodePageToWide(CP_ACP, src, srcLen, dst, dstCap);
}

size_t WideToProgram(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool* lossy) {
    if (ProgramTextIsUtf8()) {
        size_t n = WideToUtf8(src, srcLen, dst, dstCap);
        return n == SIZE_MAX ? kConvertFailed : n;
    }
    return WideToCodePage(CP_ACP, src, srcLen, dst, dstCap, lossy, nullptr);
}

size_t WideToProgramLength(const char16_t* src, size_t srcLen) {
    if (ProgramTextIsUtf8()) return WideToUtf8Length(src, srcLen);
    return WideToCodePageLength(CP_ACP, src, srcLen);
}

size_t LegacyToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap) {
    if (LegacyCodePage() == CP_UTF8) {
        size_t n = Utf8ToWide(src, srcLen, dst, dstCap);
        return n == SIZE_MAX ? kConvertFailed : n;
    }
    return CodePageToWide(LegacyCodePage(), src, srcLen, dst, dstCap);
}

size_t WideToLegacy(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, LostCharacters* lost) {
    if (LegacyCodePage() == CP_UTF8) {
        size_t n = WideToUtf8(src, srcLen, dst, dstCap);
        return n == SIZE_MAX ? kConvertFailed : n;
    }
    return WideToCodePage(LegacyCodePage(), src, srcLen, dst, dstCap, nullptr, lost);
}

size_t WideToLegacyLength(const char16_t* src, size_t srcLen) {
    if (LegacyCodePage() == CP_UTF8) return WideToUtf8Length(src, srcLen);
    return WideToCodePageLength(LegacyCodePage(), src, srcLen);
}

std::u16string ProgramToWideString(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    size_t n = text.empty() ? 0 : ProgramToWide(text.data(), text.size(), out.data(), out.size());
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

std::string WideToProgramString(std::u16string_view text, bool* lossy) {
    if (text.empty()) return std::string();
    size_t need = WideToProgramLength(text.data(), text.size());
    if (need == kConvertFailed) return std::string();
    std::string out(need, '\0');
    size_t n = WideToProgram(text.data(), text.size(), out.data(), out.size(), lossy);
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

std::u16string LegacyToWideString(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    size_t n = text.empty() ? 0 : LegacyToWide(text.data(), text.size(), out.data(), out.size());
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

std::string WideToLegacyString(std::u16string_view text, LostCharacters* lost) {
    if (text.empty()) return std::string();
    size_t need = WideToLegacyLength(text.data(), text.size());
    if (need == kConvertFailed) return std::string();
    std::string out(need, '\0');
    size_t n = WideToLegacy(text.data(), text.size(), out.data(), out.size(), lost);
    out.resize(n == kConvertFailed ? 0 : n);
    return out;
}

unsigned char UpperByte(unsigned char c) { return Upper().map[c]; }

const unsigned char* UpperTable() { return Upper().map; }

void UpperCaseInPlace(std::string& text) {
    const CaseTable& t = Upper();
    for (char& c : text) c = static_cast<char>(t.map[static_cast<unsigned char>(c)]);
}

// Through the system's comparison of the process's code page: letters of
// every script compare without regard to case.
int CompareNoCase(const char* a, const char* b) { return lstrcmpiA(a, b); }

int CompareText(const char* a, const char* b) { return lstrcmpA(a, b); }

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

// Windows has no call that starts a flush without waiting for it: the
// flush at the end of a save does it all.
void StartFlushToDisk(FILE*, uint64_t, size_t) {}

bool ReplaceFileWith(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

FileStamp GetFileStamp(const char* path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return stamp;
    stamp.exists = true;
    stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

uint32_t LastSystemError() { return GetLastError(); }

void* AllocateAligned(size_t size, size_t alignment) { return _aligned_malloc(size, alignment); }

void FreeAligned(void* memory) { _aligned_free(memory); }
