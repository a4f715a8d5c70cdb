// Platform services of the document core: code page conversion, the
// single-byte case mapping and comparisons, and the few file operations the
// loader and writer need. Platform_win.cpp implements them with Win32;
// Platform_native.cpp stands in for a Windows whose legacy page is
// Windows-1252 (Wine's for C and English locales) and whose program text is
// UTF-8.
//
// Two kinds of single-byte text meet in the program:
// - program text: every text inside the program (the document's buffers,
//   windows, controls, dialogs), in the process's ANSI code page. The
//   application manifest asks for UTF-8 there; where the system does not
//   honour it (before Windows 10 1903) it is the legacy page itself.
// - legacy text: the ANSI code page of the system locale, which is what the
//   system registry editor (a program without that manifest) reads and
//   writes in a "REGEDIT4" or single-byte file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Returned by the counted conversions when the output does not fit.
inline constexpr size_t kConvertFailed = SIZE_MAX;

// Characters a conversion to the legacy page had to replace, each once, in
// the order they were met (at most kMaxListed of them are kept).
struct LostCharacters {
    static constexpr size_t kMaxListed = 64;
    std::u32string chars;
    bool more = false;  // further characters were lost beyond the list
    void Add(char32_t c) {
        if (chars.find(c) != std::u32string::npos) return;
        if (chars.size() < kMaxListed)
            chars += c;
        else
            more = true;
    }
    bool Any() const { return !chars.empty(); }
};

// Whether program text is UTF-8 (the manifest was honoured).
bool ProgramTextIsUtf8();
// The legacy code page number (1252 on the native build).
unsigned LegacyCodePage();
// Whether legacy and program text are the same code page: no conversion
// between them is needed.
bool LegacyIsProgramText();
// Whether the legacy page has one byte for every character (no double-byte
// page, no UTF-8).
bool LegacyIsSingleByte();

// Program text to UTF-16. Returns the number of UTF-16 units written to dst,
// or kConvertFailed when dstCap is too small. NUL bytes convert to NUL
// characters.
size_t ProgramToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap);
// UTF-16 to program text. Returns the number of bytes written, or
// kConvertFailed when dstCap is too small. *lossy (may be null) is set when
// some character had no representation and was replaced (never for UTF-8).
size_t WideToProgram(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool* lossy);
// Bytes WideToProgram needs for src.
size_t WideToProgramLength(const char16_t* src, size_t srcLen);

// Legacy text to UTF-16, as ProgramToWide.
size_t LegacyToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap);
// UTF-16 to legacy text without best fit: a character the page lacks becomes
// '?' and is added to lost (may be null). kConvertFailed when dstCap is too
// small.
size_t WideToLegacy(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, LostCharacters* lost);
// Bytes WideToLegacy needs for src.
size_t WideToLegacyLength(const char16_t* src, size_t srcLen);

// Whole-string conveniences over the conversions above.
std::u16string ProgramToWideString(std::string_view text);
std::string WideToProgramString(std::u16string_view text, bool* lossy = nullptr);
std::u16string LegacyToWideString(std::string_view text);
std::string WideToLegacyString(std::u16string_view text, LostCharacters* lost = nullptr);

// The single-byte case mapping of program text, and the same as a 256-byte
// table for the scanning loops. For UTF-8 program text it maps the ASCII
// letters only: every byte of a longer character maps to itself, so other
// letters compare exactly. For a legacy single-byte page it is the system's
// (CharUpperBuffA on one byte).
unsigned char UpperByte(unsigned char c);
const unsigned char* UpperTable();
// Upper-cases in place with the same mapping.
void UpperCaseInPlace(std::string& text);

// lstrcmpiA: case-insensitive comparison of whole strings; 0 when equal.
int CompareNoCase(const char* a, const char* b);
// lstrcmpA: case-sensitive comparison of whole strings; 0 when equal.
int CompareText(const char* a, const char* b);

// Opens an existing file for reading, denying others write access (the
// file is read whole, a concurrent writer would tear it). Null on failure.
FILE* OpenFileForRead(const char* path);
// Size of an open file; false when it cannot be had.
bool GetFileSize64(FILE* file, uint64_t& size);
// Pushes written data to the disk (fflush plus the OS's flush).
bool FlushFileToDisk(FILE* file);
// Has the system start moving size bytes written at offset to the disk,
// without waiting for them: a flush after many such writes then waits only
// for the last. Only a hint; nothing where the system has no such call.
void StartFlushToDisk(FILE* file, uint64_t offset, size_t size);
// Atomically replaces target by source (both on the same volume).
bool ReplaceFileWith(const char* source, const char* target);
// Removes a file; false when it could not be removed.
bool RemoveFile(const char* path);

// What a file on disk was when it was last read or written: a file changed
// by another program since then has another size or last-write time.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // the system's last-write time, in its own units
    bool operator==(const FileStamp&) const = default;
};
// The file's stamp now; exists is false when there is no such file (or it
// cannot be looked at).
FileStamp GetFileStamp(const char* path);
// The system's code of the last failed operation of this thread (GetLastError
// on Windows, errno elsewhere); 0 when there is none.
uint32_t LastSystemError();

// Memory aligned to `alignment` (a power of two, at least the pointer size),
// released with FreeAligned; null when out of memory.
void* AllocateAligned(size_t size, size_t alignment);
void FreeAligned(void* memory);
