// The .reg text parser: the header test, key line scanning and the value
// line parser. ParseText itself is a RegDocument operation.
#pragma once

#include "document/RegDialect.h"
#include "document/ValueEntry.h"

#include <string>

struct LineObserver;

RegDialect TestHeader(const char* text);
// The blanks before a key line or a value line, and after a key line's "]":
// spaces and tabs.
inline bool IsLineIndent(char c) { return c == ' ' || c == '\t'; }
inline const char* SkipLineIndent(const char* p) {
    while (IsLineIndent(*p)) ++p;
    return p;
}
// Position of the next "[" at or after from that starts a key line, or null.
// A "[" starts a key line when the character before it (blanks skipped) is a
// CR or LF inside [begin, from) other than begin itself, its line holds a
// "]", and no hex data continued from the lines before takes the line in.
const char* FindNextKeyLine(const char* begin, const char* from);
inline const char* FindNextKeyLine(const char* text) { return FindNextKeyLine(text, text); }
// The backslash of a continuation that the block's last hex data ends in,
// which would take in whatever is written after the block; null when none.
const char* FindDanglingContinuation(const char* block);
// The same for a block of known length (block[length] is its NUL).
const char* FindDanglingContinuation(const char* block, size_t length);
// The closing quote of a string or quoted name starting at open (a backslash
// escapes the character after it); null when the text ends first.
const char* FindClosingQuote(const char* open);
// The start of the data of the value line at line ("@" or a quoted name, "="
// on the name's line), or null when the line is not a value line.
const char* FindValueData(const char* line);
// Position of the last "]" on the key line (text starts after the "["), or null.
const char* FindKeyLineEnd(const char* text);
// First character after the first key line's "]" that is not "]", a blank,
// CR or LF; null when text has no key line end.
const char* FindValuesStart(const char* text);
// Parses the value lines of one block into values (same name replaces in
// place). Lines that are not values are appended to otherLines when given;
// observer (may be null) is told of every line.
void ParseValueBlock(const char* block, ValueList& values, RegDialect dialect, std::string* otherLines = nullptr,
                     LineObserver* observer = nullptr);
