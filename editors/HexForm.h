#pragma once
// The data the editors read and write: character data decoded from file form,
// the bytes that edited text and lists give, and the cell form of the binary
// editor's hex area.

#include "document/RegDialect.h"

#include <string>
#include <vector>

namespace editors {

// The strings held in character data: bytes of dialect 4 (one per character)
// or UTF-16LE of dialect 5, converted to the ANSI code page. Split at each
// zero character; a last string without its zero is kept as well, so no
// character of the data is dropped. Empty strings are kept (callers decide).
std::vector<std::string> DecodeCharStrings(const std::string& hexData, RegDialect dialect);

// The bytes of a single-byte text as expandable string data: the text and
// its closing zero (a lone zero for an empty text).
std::string ExpandStringBytes(const std::string& text);

// The bytes of strings as multi-string data: empty strings skipped, each
// string closed by a zero, a final zero; none when no string has characters.
std::string MultiStringBytes(const std::vector<std::string>& items);

// The bytes the digits of the hex area give; an odd last digit is the high
// digit of its byte, as the cell form shows it.
std::string BinaryAreaBytes(const std::string& areaText);

// Hex digits of any text regrouped into cells (space, digit, digit, space);
// an odd last digit gets "0" as its low digit.
std::string BuildCellForm(const std::string& text);

bool IsHexDigit(char c);

}  // namespace editors
