// UTF-8 program text: its conversion to and from UTF-16, character
// boundaries for length limits, and the conversions between program text and
// legacy text built on the platform's code pages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct LostCharacters;

// UTF-8 to UTF-16. dstCap must be at least srcLen (no text grows); returns
// the units written. A surrogate written in its three-byte form (what
// WideToUtf8 makes of a lone one) comes back as that surrogate, so any
// UTF-16 data survives the round trip; a byte that starts no valid sequence
// becomes U+FFFD.
size_t Utf8ToWide(const char* src, size_t srcLen, char16_t* dst, size_t dstCap);
// UTF-16 to UTF-8: pairs as four bytes, a lone surrogate as three. Returns
// the bytes written, or SIZE_MAX when dstCap is too small.
size_t WideToUtf8(const char16_t* src, size_t srcLen, char* dst, size_t dstCap);
size_t WideToUtf8Length(const char16_t* src, size_t srcLen);

// Whether the text holds a byte of 0x80 or above (all else is ASCII, which
// every code page shares).
bool HasHighByte(const char* text, size_t size);

// The length of the longest start of text that has at most maxBytes bytes
// and ends between two characters of program text.
size_t CharacterPrefix(std::string_view text, size_t maxBytes);

// A code point as program text (UTF-8 where program text is).
std::string CharacterText(char32_t c);

// Legacy text of a single-byte page as UTF-8 program text, through a table
// of the page's 256 characters: the bytes the text needs, and the text
// written to dst (which has room for that many, and three bytes more that
// may be written over), returning the bytes written.
size_t SingleByteLegacyToUtf8Length(const char* src, size_t srcLen);
size_t SingleByteLegacyToUtf8(const char* src, size_t srcLen, char* dst);
// The same in place: the size bytes at text become the length bytes that
// SingleByteLegacyToUtf8Length gives for them (text has room for them).
void SingleByteLegacyToUtf8InPlace(char* text, size_t size, size_t length);

// UTF-8 program text as legacy text of a single-byte page: what the page
// lacks becomes '?' (two for a character of two UTF-16 units, as the
// system's conversion writes) and goes to lost (may be null). dst has room
// for srcLen bytes; returns the bytes written.
size_t Utf8ToSingleByteLegacy(const char* src, size_t srcLen, char* dst, LostCharacters* lost);

// Legacy text as program text, and back; what the legacy page lacks is
// replaced by '?' and added to lost (may be null). Both return the text
// itself when the two are one code page or the text is ASCII.
std::string LegacyToProgramText(std::string_view text);
std::string ProgramToLegacyText(std::string_view text, LostCharacters* lost);
