#pragma once
// The matching rules of Find and its walk over the document: key by key in
// the order of the key tree (top-level keys in document order, each key's
// children in child-list order, depth first), in each key its name and then
// its values in order, starting after a place and never wrapping around. Portable: the worker runs it on the document alone,
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

// Marks a hit in a key's name rather than in one of its values.
inline constexpr uint32_t kKeyName = UINT32_MAX;

// A hit, and a place in the walk: a key and, in it, its name or one of its
// values by its index in the key's collected values (CollectValues order).
// Sixteen bytes: a million hits hold no text.
struct FindHit {
    const KeyNode* key = nullptr;
    uint32_t value = kKeyName;
    bool InValue() const { return value != kKeyName; }
};

// The hits of Find All, handed over a batch at a time in walk order.
class HitSink {
public:
    virtual ~HitSink() = default;
    virtual void Take(const FindHit* hits, size_t count) = 0;
};

// The next hit after `after`: in its key, the values after the one it names
// (all of them after the key's name), then the keys after it, each by its
// name and then its values in order. A null key starts at the first
// top-level key, name included. `stop` is read before every step to the next
// key; 1 ends the walk with Stopped.
SearchOutcome SearchNext(const RegDocument& document, const FindHit& after, const std::string& upperKey,
                         unsigned flags, const std::atomic<int32_t>& stop, FindHit& hit);

// Every hit of the document in the order of SearchNext from the start,
// handed to `sink` in batches, the first soon after it is found. Found when
// there was at least one hit; Stopped when `stop` ended the walk.
SearchOutcome FindAll(const RegDocument& document, const std::string& upperKey, unsigned flags,
                      const std::atomic<int32_t>& stop, HitSink& sink);

}  // namespace find
