// Platform services of the document core: code page conversion, the
// single-byte case mapping and comparisons, and the few file operations the
// loader and writer need. Platform_win.cpp implements them with Win32;
// Platform_native.cpp behaves like Windows-1252, Wine's default ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Returned by the counted conversions when the output does not fit.
inline constexpr size_t kConvertFailed = SIZE_MAX;

// ANSI (system code page) to UTF-16. Returns the number of UTF-16 units
// written to dst, or kConvertFailed when dstCap is too small. Never fails for
// lack of representable characters. NUL bytes convert to NUL characters.
size_t AnsiToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap);

// UTF-16 to ANSI. Returns the number of bytes written, or kConvertFailed when
// dstCap is too small. *lossy (may be null) is set when some character had no
// representation in the code page and was replaced.
size_t WideToAnsi(const char16_t* src, size_t srcLen, char* dst, size_t dstCap, bool* lossy);

// Bytes WideToAnsi needs for src (at most 2 per unit for double-byte code
// pages, up to 3 for UTF-8).
size_t WideToAnsiLength(const char16_t* src, size_t srcLen);

// Whole-string conveniences over the two conversions above.
std::u16string AnsiToWideString(std::string_view text);
std::string WideToAnsiString(std::u16string_view text, bool* lossy = nullptr);

// The system's single-byte case mapping (CharUpperBuffA on one byte), and
// the same as a 256-byte table for the scanning loops.
unsigned char UpperByte(unsigned char c);
const unsigned char* UpperTable();
// Upper-cases in place with the same mapping.
void UpperCaseInPlace(std::string& text);

// lstrcmpiA: case-insensitive comparison of whole strings; 0 when equal.
int CompareNoCase(const char* a, const char* b);
// lstrcmpA: case-sensitive comparison of whole strings; 0 when equal.
int CompareText(const char* a, const char* b);

// The ANSI code page number (1252 on the native build).
unsigned AnsiCodePage();

// Opens an existing file for reading, denying others write access (the
// file is read whole, a concurrent writer would tear it). Null on failure.
FILE* OpenFileForRead(const char* path);
// Size of an open file; false when it cannot be had.
bool GetFileSize64(FILE* file, uint64_t& size);
// Pushes written data to the disk (fflush plus the OS's flush).
bool FlushFileToDisk(FILE* file);
// Atomically replaces target by source (both on the same volume).
bool ReplaceFileWith(const char* source, const char* target);
// Removes a file; false when it could not be removed.
bool RemoveFile(const char* path);

// Memory aligned to `alignment` (a power of two, at least the pointer size),
// released with FreeAligned; null when out of memory.
void* AllocateAligned(size_t size, size_t alignment);
void FreeAligned(void* memory);
