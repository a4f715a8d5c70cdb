#include "find/FindSearch.h"

#include <algorithm>
#include <cstring>

#include "document/Platform.h"
#include "document/Utf8.h"

namespace find {

namespace {

// Upper-cases into `buffer` (the names of a walk are short: no allocation
// for all but the longest).
std::string_view Upper(std::string_view text, char* buffer, size_t capacity, std::string& spill) {
    const unsigned char* table = UpperTable();
    char* out = buffer;
    if (text.size() > capacity) {
        spill.resize(text.size());
        out = spill.data();
    }
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(table[static_cast<unsigned char>(text[i])]);
    return {out, text.size()};
}

// The text test on a NUL-terminated name, compared through the case table
// as it is read: no length, no copy (the walk's hot path).
bool NameContains(const char* name, std::string_view upperKey, const unsigned char* table) {
    auto first = static_cast<unsigned char>(upperKey[0]);
    for (const char* p = name; *p; ++p) {
        if (table[static_cast<unsigned char>(*p)] != first) continue;
        size_t j = 1;
        // The name's NUL maps to 0, which no key character is.
        while (j < upperKey.size() && table[static_cast<unsigned char>(p[j])] == static_cast<unsigned char>(upperKey[j])) ++j;
        if (j == upperKey.size()) return true;
    }
    return false;
}

bool KeyNameMatches(const KeyNode& key, std::string_view upperKey, bool whole) {
    if (!key.name) return false;
    if (whole || upperKey.empty()) return TextTest(key.name, upperKey, whole);
    return NameContains(key.name, upperKey, UpperTable());
}

// Slot 0 of a key is its name, slot i + 1 its value i.
uint32_t SlotAfter(const FindHit& place) { return place.InValue() ? place.value + 2 : 1; }

// Hands the hits of one key from slot `from` on to `visit` until it returns
// false (then false). `values` is the walk's own list, emptied and filled
// again for each key, so that its room is allocated once.
template <class Visit>
bool VisitHitsOfKey(const KeyNode& key, uint32_t from, const std::string& upperKey, unsigned flags,
                    ValueList& values, Visit&& visit) {
    bool whole = (flags & kFindWholeString) != 0;
    if (from == 0 && (flags & kFindKeys) && KeyNameMatches(key, upperKey, whole) && !visit(FindHit{&key, kKeyName}))
        return false;
    if (!(flags & (kFindValueNames | kFindData)) || !key.HasValueText()) return true;
    values.clear();
    key.CollectValues(values);
    for (size_t i = from == 0 ? 0 : from - 1; i < values.size(); ++i) {
        if (values[i] && ValueTest(*values[i], upperKey, flags) && !visit(FindHit{&key, static_cast<uint32_t>(i)}))
            return false;
    }
    return true;
}

// The next key is nearly always the first child or the next sibling: their
// names, far apart in the file's text, are fetched meanwhile.
void PrefetchNext(const KeyNode* key) {
    if (const KeyNode* child = key->firstChild) __builtin_prefetch(child->name);
    if (const KeyNode* sibling = key->nextSibling) __builtin_prefetch(sibling->name);
}

}  // namespace

std::string SearchKeyOf(std::string_view text) {
    std::string key(text.substr(0, CharacterPrefix(text, kMaxSearchText)));
    UpperCaseInPlace(key);
    return key;
}

bool TextTest(std::string_view text, std::string_view upperKey, bool whole) {
    if (whole ? text.size() != upperKey.size() : text.size() < upperKey.size()) return false;
    if (!whole && !upperKey.empty()) {
        // Read in place through the case table: no copy for the common case.
        const unsigned char* table = UpperTable();
        auto first = static_cast<unsigned char>(upperKey[0]);
        for (size_t i = 0; i + upperKey.size() <= text.size(); ++i) {
            if (table[static_cast<unsigned char>(text[i])] != first) continue;
            size_t j = 1;
            while (j < upperKey.size() &&
                   table[static_cast<unsigned char>(text[i + j])] == static_cast<unsigned char>(upperKey[j]))
                ++j;
            if (j == upperKey.size()) return true;
        }
        return false;
    }
    char buffer[256];
    std::string spill;
    std::string_view upper = Upper(text, buffer, sizeof buffer, spill);
    if (whole) return upper == upperKey;
    return upper.find(upperKey) != std::string_view::npos;
}

bool ValueTest(const ValueEntry& value, const std::string& upperKey, unsigned flags) {
    if ((flags & kFindValueNames) && TextTest(value.GetName(), upperKey, (flags & kFindWholeString) != 0))
        return true;
    return (flags & kFindData) && value.Matches(upperKey.c_str(), flags);
}

const KeyNode* NextKey(const RegDocument& document, const KeyNode* key) {
    const std::vector<KeyNode*>& roots = document.roots;
    if (!key) return roots.empty() ? nullptr : roots.front();
    if (key->firstChild) return key->firstChild;
    while (key->parent) {
        if (key->nextSibling) return key->nextSibling;
        key = key->parent;
    }
    auto it = std::find(roots.begin(), roots.end(), key);
    return it == roots.end() || it + 1 == roots.end() ? nullptr : *(it + 1);
}

SearchOutcome SearchNext(const RegDocument& document, const FindHit& after, const std::string& upperKey,
                         unsigned flags, const std::atomic<int32_t>& stop, FindHit& hit) {
    ValueList scratch;
    auto take = [&hit](const FindHit& found) {
        hit = found;
        return false;
    };
    if (stop.load(std::memory_order_relaxed)) return SearchOutcome::Stopped;
    if (after.key && !VisitHitsOfKey(*after.key, SlotAfter(after), upperKey, flags, scratch, take))
        return SearchOutcome::Found;
    for (const KeyNode* key = after.key;;) {
        if (stop.load(std::memory_order_relaxed)) return SearchOutcome::Stopped;
        key = NextKey(document, key);
        if (!key) return stop.load() ? SearchOutcome::Stopped : SearchOutcome::NotFound;
        PrefetchNext(key);
        if (!VisitHitsOfKey(*key, 0, upperKey, flags, scratch, take)) return SearchOutcome::Found;
    }
}

SearchOutcome FindAll(const RegDocument& document, const std::string& upperKey, unsigned flags,
                      const std::atomic<int32_t>& stop, HitSink& sink) {
    // Hits go out when a batch is full, or after a stretch of keys, so that
    // sparse hits are not held back until the walk ends.
    constexpr size_t kBatch = 512;
    constexpr unsigned kKeysPerFlush = 8192;
    FindHit batch[kBatch];
    size_t held = 0, total = 0;
    unsigned keysSinceFlush = 0;
    auto flush = [&] {
        if (held) sink.Take(batch, held);
        total += held;
        held = 0;
        keysSinceFlush = 0;
    };
    auto add = [&](const FindHit& found) {
        batch[held++] = found;
        if (held == kBatch) flush();
        return true;
    };
    ValueList scratch;
    for (const KeyNode* key = NextKey(document, nullptr); key; key = NextKey(document, key)) {
        if (stop.load(std::memory_order_relaxed)) {
            flush();
            return SearchOutcome::Stopped;
        }
        PrefetchNext(key);
        VisitHitsOfKey(*key, 0, upperKey, flags, scratch, add);
        if (held && ++keysSinceFlush >= kKeysPerFlush) flush();
    }
    flush();
    if (stop.load()) return SearchOutcome::Stopped;
    return total ? SearchOutcome::Found : SearchOutcome::NotFound;
}

}  // namespace find
