#pragma once
// The matching rules of Find and its walk over the document: key by key in
// the order of the key tree (top-level keys in document order, each key's
// children in child-list order, depth first), starting after a key and
// never wrapping around. Portable: the worker runs it on the document alone,
// without the tree control, which holds items only for what has been shown.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/RegDocument.h"
#include "document/ValueEntry.h"

namespace find {

// The longest search text, in bytes of program text (a longer text is cut
// between two characters).
inline constexpr size_t kMaxSearchText = 259;

// The search key: the search text in the single-byte upper case. In UTF-8
// program text that folds the ASCII letters only, so a letter outside ASCII
// matches itself in the same case: "ж" finds "ж", not "Ж". A key in UTF-8
// matches only at the start of a character, as UTF-8 lead and continuation
// bytes never look alike.
std::string SearchKeyOf(std::string_view text);

// The text test for names and stored data: the upper-cased text equals the
// key (whole string) or contains it, byte by byte through the case table.
bool TextTest(std::string_view text, std::string_view upperKey, bool whole);

// The value test: the value's name (file form) by the text test when flags
// ask for value names, or its data by ValueEntry::Matches when they ask for data.
bool ValueTest(const ValueEntry& value, const std::string& upperKey, unsigned flags);

// The key after `key` in the walk; the first top-level key when `key` is null.
const KeyNode* NextKey(const RegDocument& document, const KeyNode* key);

enum class SearchOutcome { NotFound = 0, Found = 1, Stopped = 2 };

struct SearchHit {
    const KeyNode* key = nullptr;
    bool inValue = false;  // a value matched, not the key's name
};

// Examines the keys after `start` (null: from the first top-level key) until
// one matches. `stop` is read before every step; 1 ends the walk with Stopped.
SearchOutcome SearchKeys(const RegDocument& document, const KeyNode* start, const std::string& upperKey,
                         unsigned flags, const std::atomic<int32_t>& stop, SearchHit& hit);

}  // namespace find
