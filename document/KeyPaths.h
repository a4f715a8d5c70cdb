#pragma once
// Key paths as users type and paste them (an address bar, a path copied from
// documentation or a .reg line), and the document's key that such a path
// names.

#include <cstddef>
#include <string>
#include <string_view>

class KeyNode;
class RegDocument;

// The full name of a root key's abbreviation (HKLM, HKCU, HKCR, HKU, HKCC,
// any letter case); any other name as it is.
std::string_view ExpandRootName(std::string_view root);

// A typed path in the form of the document's key paths: blanks, surrounding
// quotes and the brackets of a key line dropped, a leading "Computer\" too,
// forward slashes made backslashes in a path without backslashes, repeated
// and trailing backslashes dropped, the root's abbreviation expanded. Empty
// when nothing is left.
std::string CanonicalKeyPath(std::string_view typed);

// The deepest key of the document on a canonical path, matched component by
// component without regard to case (a root written abbreviated in the file
// matches its full name too). `matched` is the length of the path's part that
// names that key; null (matched 0) when not even the root is there.
KeyNode* DeepestKeyOnPath(const RegDocument& document, std::string_view path, size_t& matched);
