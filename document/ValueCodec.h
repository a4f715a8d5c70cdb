// File forms of value data and their conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/RegDialect.h"

class ByteSink;

// The value of a hexadecimal digit in either letter case, or -1.
int HexDigitValue(char c);

// Backslashes doubled, then double quotes preceded by a backslash.
std::string EscapeString(std::string_view text);
std::string UnescapeString(std::string_view fileForm);
// A value name as the value list and the editors show it: its escapes undone
// in one pass ("\\" as "\", "\"" as '"'), so that EscapeString of the shown
// name is the stored name again.
std::string ShownValueName(std::string_view storedName);

// The bytes of comma-separated hex data (continuations and spaces ignored).
std::string DecodeHexBytes(std::string_view hexData);
// The characters of hex(2)/hex(7) data as ANSI bytes, zeros kept: one byte
// per character in dialect 4; dialect 5 UTF-16LE converted to ANSI.
std::string DecodeHexChars(std::string_view hexData, RegDialect dialect);
// Hex data for ANSI characters (zeros included) in the given dialect:
// dialect 5 converts to UTF-16LE. Lines broken as the program writes them.
std::string EncodeHexChars(std::string_view ansiChars, RegDialect dialect);
// Bytes as lower-case "xx,xx,..." with a continuation (",\\\r\n  ") after
// every perLine bytes (0: one line).
std::string FormatHexBytes(const void* bytes, size_t size, size_t firstLine = 25, size_t perLine = 25);

// Dialect conversion of every hex(2)/hex(7) value inside a value block
// (block[length] must be the block's terminating NUL).
bool NarrowHexData(const char* block, size_t length, ByteSink& out);
bool WidenHexData(const char* block, size_t length, ByteSink& out);
// A dialect-5 value's hex data written as dialect-4 data.
bool NarrowValueData(std::string_view hexData, ByteSink& out);

// The number the DWORD text starts with, as strtoul reads hex: leading hex
// digits, saturated at 0xFFFFFFFF. False when the text starts with no digit.
bool ParseDwordText(std::string_view data, uint32_t& number);
// "%#08lx(%i)" of the DWORD text, or "0x" + text when it is not hex.
std::string DwordDisplayText(std::string_view data);
