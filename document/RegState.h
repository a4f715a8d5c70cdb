// What a .reg file does to the registry: the keys and values that merging it
// into an empty registry leaves. Key lines create their key and every key
// above it; value lines set values, later lines of a name winning, "name"=-
// removing; "[-KEY]" removes the key with everything below it (a root key is
// never removed, as the registry editor removes none); names compare as the
// registry compares them (NameFold.h), and a root written abbreviated
// ("HKCU") is the root it stands for. Laid over a loaded document: the
// state's keys point at the document's keys and names.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/ValueEntry.h"

class KeyNode;
class RegDocument;

// A value as the registry stores it: type number and data bytes (strings as
// UTF-16LE with their terminator), with the entry of the line that set it.
struct StateValue {
    std::string folded;  // the shown name, folded
    uint32_t type = 0;
    std::string bytes;
    const ValueEntry* entry = nullptr;  // owned by the list it came from
};

// The values of one state key, in the order they were first set.
struct StateValues {
    ValueList entries;  // what the key's blocks hold; StateValue::entry points here
    std::vector<StateValue> values;
    // The values sorted by folded name.
    std::vector<const StateValue*> Sorted() const;
};

// The registry type and data bytes a value line stores; false when the line
// stores nothing (a deletion, a DWORD without a number, broken hex data).
bool RegistryDataOfLine(const ValueEntry& value, uint32_t& type, std::string& bytes);

class RegState {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // Plays the document's keys in file order. False when stop became
    // non-zero (stop may be null); throws std::bad_alloc when out of memory.
    bool Build(const RegDocument& document, const std::atomic<int32_t>* stop = nullptr);

    size_t Size() const { return keys_.size(); }
    // The root keys that exist, and the existing children of a key, in the
    // order they were first met.
    std::vector<uint32_t> Roots() const;
    std::vector<uint32_t> Children(uint32_t key) const;
    bool Exists(uint32_t key) const { return keys_[key].exists; }
    // One path component as first spelled (a root by its full name).
    const char* Name(uint32_t key) const { return keys_[key].name; }
    std::string Path(uint32_t key) const;
    // Whether the key's values are the text of exactly one block (then equal
    // texts are equal values), and that block.
    bool SingleBlock(uint32_t key, const char*& text, RegDialect& dialect) const;
    // The values the key holds after the merge.
    void CollectValues(uint32_t key, StateValues& out) const;
    bool IsRoot(uint32_t key) const { return keys_[key].parent == kNone; }

private:
    struct Key {
        const char* name = nullptr;
        uint32_t parent = kNone;
        uint32_t firstChild = kNone, lastChild = kNone, nextSibling = kNone;
        uint32_t firstSource = kNone, lastSource = kNone;
        bool exists = false;
    };
    struct Source {
        const KeyNode* key;
        uint32_t next;
    };
    uint32_t FindOrAdd(uint32_t parent, const char* name);
    void Create(uint32_t key, const KeyNode* source);
    void Remove(uint32_t key);
    bool Grow();

    std::vector<Key> keys_;
    std::vector<Source> sources_;
    std::vector<uint32_t> slots_;  // open addressing by parent and folded name: index + 1
};
