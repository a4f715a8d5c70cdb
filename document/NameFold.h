// Names as the registry compares them: key names and value names are equal
// when they are equal after every letter is put in upper case, the letters
// beyond ASCII included ("Ä" and "ä" name one key).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The upper-case letter of a lower-case one (the simple mapping the system
// upcase table holds for the Latin, Greek, Cyrillic, Armenian, Georgian
// capitals, fullwidth, circled and Roman-numeral letters); any other
// character as it is.
char32_t UpcaseCharacter(char32_t c);

// One character of program text at p: its code point and byte count. In
// UTF-8 program text a byte that starts no valid sequence stands alone (as
// 0xDC00 + byte, which no valid character folds to); in legacy program
// text every byte is one character.
size_t ReadCharacter(const char* p, char32_t& c);

// The character folded for comparing names: upper case.
char32_t FoldCharacter(const char* p, size_t& length);

// The name folded as a whole (each character by FoldCharacter, written
// back as program text), for keys of maps and sorting.
std::string FoldName(std::string_view name);

// Whether two names are equal as the registry compares them.
bool SameName(std::string_view a, std::string_view b);
