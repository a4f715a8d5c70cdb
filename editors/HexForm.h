#pragma once
// The hex data forms that the editors read and write: file form (two-digit
// bytes separated by commas, broken into lines by continuations) and the cell
// form of the binary editor's hex area.

#include "document/RegDialect.h"

#include <string>
#include <vector>

namespace editors {

// Continuation between two lines of hex data: backslash, CR LF, two spaces.
inline constexpr char kContinuation[] = "\\\r\n  ";

// The strings held in character data: bytes of dialect 4 (one per character)
// or UTF-16LE of dialect 5, converted to the ANSI code page. Split at each
// zero character; a last string without its zero is kept as well, so no
// character of the data is dropped. Empty strings are kept (callers decide).
std::vector<std::string> DecodeCharStrings(const std::string& hexData, RegDialect dialect);

// Single-byte text as expandable string data: 44 bytes per line, a closing
// zero byte; "00" for an empty text.
std::string BuildExpandHexData(const std::string& text);

// Strings as multi-string data: empty strings skipped, each string closed by
// a zero, a final zero; a continuation before every 22nd character after the
// first; empty when no string has characters.
std::string BuildMultiStringHexData(const std::vector<std::string>& items);

// The digits of the hex area as binary data: 22 bytes per line, no terminator,
// the digits' letter case kept.
std::string BuildBinaryHexData(const std::string& areaText);

// Hex digits of any text regrouped into cells (space, digit, digit, space);
// an odd last digit gets "0" as its low digit.
std::string BuildCellForm(const std::string& text);

bool IsHexDigit(char c);

}  // namespace editors
