// File forms of value data and their conversions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/RegDialect.h"

class ByteSink;
struct LostCharacters;

// The value of a hexadecimal digit in either letter case, or -1.
int HexDigitValue(char c);
// The same by table, for the loops over every byte of hex data: the value of
// a hexadecimal digit by its byte, -1 for other bytes.
inline constexpr std::array<signed char, 256> kHexDigitTable = [] {
    std::array<signed char, 256> value{};
    for (int c = 0; c < 256; ++c)
        value[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                   : -1);
    return value;
}();

// Backslashes doubled, then double quotes preceded by a backslash.
std::string EscapeString(std::string_view text);
std::string UnescapeString(std::string_view fileForm);
// A value name as the value list and the editors show it: its escapes undone
// in one pass ("\\" as "\", "\"" as '"'), so that EscapeString of the shown
// name is the stored name again.
std::string ShownValueName(std::string_view storedName);

// How the registry editor reads the hex data of a value line.
struct HexDataRead {
    const char* end = nullptr;  // the end of the last line the data takes in, its line break excluded
    bool valid = false;         // the editor sets the value (else it drops it)
    // Set when the text ends inside a continuation: the backslash of the
    // first continuation after the last byte (the value keeps the bytes
    // before it).
    const char* dangling = nullptr;
};
// Reads hex data from p (after "hex...:") up to end or a NUL (end may be
// null: the text is NUL-terminated); each byte goes to bytes when given.
// Allocates nothing but bytes.
HexDataRead ReadHexData(const char* p, const char* end, std::string* bytes = nullptr);
// The hex data of a value line's data ("hex", "hex(n)" ... ":" on its line,
// letter case ignored): the text after the colon, or null.
const char* FindHexData(const char* valueData);

// The bytes of hex data as the registry editor reads them; none when it
// drops the value.
std::string DecodeHexBytes(std::string_view hexData);
// The characters of hex(2)/hex(7) data as program text, zeros kept: dialect
// 4 data holds program text already, dialect 5 UTF-16LE is converted.
std::string DecodeHexChars(std::string_view hexData, RegDialect dialect);
// Hex data for program text (zeros included) in the given dialect: dialect
// 5 converts to UTF-16LE. Lines broken as the program writes them.
std::string EncodeHexChars(std::string_view programChars, RegDialect dialect);
// Bytes as lower-case "xx,xx,..." with a continuation (",\\\r\n  ") after
// firstLine bytes and then every perLine bytes (0: one line).
std::string FormatHexBytes(const void* bytes, size_t size, size_t firstLine = 25, size_t perLine = 25);

// Hex data is broken into lines as the registry editor writes it, so that a
// diff of a saved file shows only what changed: a line ends after the byte
// that reaches column 77, and continuation lines hold 25 bytes.
inline constexpr size_t kHexLineColumns = 77;
inline constexpr size_t kHexBytesPerLine = 25;
// The bytes on the first line of hex data that starts at a column (at least one).
size_t HexBytesOnFirstLine(size_t column);
// The columns program text takes in a line of the file: its UTF-16 units, as
// the registry editor counts them.
size_t TextColumns(std::string_view programText);

// Conversion of the character data of every hex(2)/hex(7) value inside a
// value block (block[length] must be the block's terminating NUL); the rest
// of the block is copied as it is. Characters, not bytes, are converted.
// Narrow: UTF-16LE data to single-byte data of the form `to`, whose missing
// characters (legacy only) become '?' and go to lost (may be null).
bool NarrowHexData(const char* block, size_t length, ByteSink& out, CharForm to = CharForm::Program,
                   LostCharacters* lost = nullptr);
// Widen: single-byte data of the form `from` to UTF-16LE data.
bool WidenHexData(const char* block, size_t length, ByteSink& out, CharForm from = CharForm::Program);
// Single-byte data of one form to another (program and legacy text). Data
// that is all ASCII is the same in both and is left as it is; *converted
// (may be null) counts the values whose data was rewritten. Without
// breakLines the rewritten data goes on one line (the shortest text).
bool RecodeHexData(const char* block, size_t length, ByteSink& out, CharForm from, CharForm to,
                   LostCharacters* lost = nullptr, size_t* converted = nullptr, bool breakLines = true);
// A quick look: whether the block may hold hex(2) or hex(7) data with a
// byte beyond ASCII, which RecodeHexData may rewrite; false means it
// rewrites none.
bool MayRecodeHexData(const char* block, size_t length);
// A dialect-5 value's hex data written as dialect-4 data of program text.
bool NarrowValueData(std::string_view hexData, ByteSink& out);

// The number the DWORD text starts with, as strtoul reads hex: leading hex
// digits, saturated at 0xFFFFFFFF. False when the text starts with no digit.
bool ParseDwordText(std::string_view data, uint32_t& number);
// "0x00000001 (1)" for the DWORD text, or "0x" + text when it is not hex.
std::string DwordDisplayText(std::string_view data);
