// The .reg text parser: the header test, key line scanning and the value
// line parser. ParseText itself is a RegDocument operation.
#pragma once

#include "document/RegDialect.h"
#include "document/ValueEntry.h"

#include <string>

RegDialect TestHeader(const char* text);
// Position of the next "[" at or after from that starts a key line, or null.
// A "[" starts a key line when the character before it (spaces skipped) is a
// CR or LF inside [begin, from) other than begin itself; a "[" inside a
// quoted run never does.
const char* FindNextKeyLine(const char* begin, const char* from);
inline const char* FindNextKeyLine(const char* text) { return FindNextKeyLine(text, text); }
// Position of the "]" that ends the key line (text starts after the "["), or null.
const char* FindKeyLineEnd(const char* text);
// First character after the first key line's "]" that is not "]", space, CR
// or LF; null when text has no key line end.
const char* FindValuesStart(const char* text);
// Parses the value lines of one block into values (same name replaces in
// place). Lines that are not values are appended to otherLines when given.
void ParseValueBlock(const char* block, ValueList& values, RegDialect dialect, std::string* otherLines = nullptr);
