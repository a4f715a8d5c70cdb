#include "document/RegState.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "document/KeyPaths.h"
#include "document/NameFold.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "document/ValueCodec.h"

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

std::string WideBytes(const std::u16string& text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

size_t NameHash(uint32_t parent, const char* name) {
    uint64_t h = 0xCBF29CE484222325ull ^ (uint64_t(parent) * 0x9E3779B97F4A7C15ull);
    for (const char* c = name; *c && *c != '\\';) {
        size_t length;
        h = (h ^ FoldCharacter(c, length)) * 0x100000001B3ull;
        c += length;
    }
    h ^= h >> 29;
    return static_cast<size_t>(h * 0xFF51AFD7ED558CCDull);
}

}  // namespace

bool RegistryDataOfLine(const ValueEntry& value, uint32_t& type, std::string& bytes) {
    switch (value.GetType()) {
    case ValueType::String: {
        type = kRegSz;
        std::u16string text = ProgramToWideString(value.GetDisplayText());
        text += u'\0';
        bytes = WideBytes(text);
        return true;
    }
    case ValueType::Dword: {
        uint32_t number = 0;
        if (!ParseDwordText(static_cast<const DwordValue&>(value).GetData(), number)) return false;
        type = kRegDword;
        bytes.assign(4, '\0');
        for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
        return true;
    }
    case ValueType::Deletion:
        return false;
    default: {
        const auto& binary = static_cast<const BinaryValue&>(value);
        if (!TypeNumberOfToken(binary.GetTypeToken(), type)) return false;
        bytes.clear();
        if (!ReadHexData(binary.GetHexData().c_str(), nullptr, &bytes).valid) return false;
        // Dialect-4 characters are program text here; the registry holds
        // them as UTF-16, as a merge of the file stores them.
        const auto* chars = dynamic_cast<const CharDataValue*>(&value);
        if (chars && chars->GetDialect() == kRegedit4)
            bytes = WideBytes(ProgramToWideString(DecodeHexChars(binary.GetHexData(), kRegedit4)));
        return true;
    }
    }
}

std::vector<const StateValue*> StateValues::Sorted() const {
    std::vector<const StateValue*> sorted;
    for (const StateValue& value : values) sorted.push_back(&value);
    std::sort(sorted.begin(), sorted.end(),
              [](const StateValue* a, const StateValue* b) { return a->folded < b->folded; });
    return sorted;
}

bool RegState::Grow() {
    size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    std::vector<uint32_t> slots(size, 0);
    for (uint32_t i = 0; i < keys_.size(); ++i) {
        size_t at = NameHash(keys_[i].parent, keys_[i].name) & (size - 1);
        while (slots[at]) at = (at + 1) & (size - 1);
        slots[at] = i + 1;
    }
    slots_.swap(slots);
    return true;
}

uint32_t RegState::FindOrAdd(uint32_t parent, const char* name) {
    if ((keys_.size() + 1) * 4 > slots_.size() * 3) Grow();
    size_t mask = slots_.size() - 1;
    size_t at = NameHash(parent, name) & mask;
    for (; slots_[at]; at = (at + 1) & mask) {
        uint32_t i = slots_[at] - 1;
        if (keys_[i].parent == parent && SameComponent(keys_[i].name, name)) return i;
    }
    uint32_t index = static_cast<uint32_t>(keys_.size());
    Key key;
    key.name = name;
    key.parent = parent;
    keys_.push_back(key);
    slots_[at] = index + 1;
    if (parent != kNone) {
        Key& p = keys_[parent];
        if (p.lastChild == kNone)
            p.firstChild = index;
        else
            keys_[p.lastChild].nextSibling = index;
        p.lastChild = index;
    }
    return index;
}

// A key line: the key and every key above it exist; its blocks count after
// those of earlier lines.
void RegState::Create(uint32_t key, const KeyNode* source) {
    for (uint32_t k = key; k != kNone && !keys_[k].exists; k = keys_[k].parent) keys_[k].exists = true;
    if (source->BlockCount() == 0) return;
    uint32_t index = static_cast<uint32_t>(sources_.size());
    sources_.push_back({source, kNone});
    Key& k = keys_[key];
    if (k.lastSource == kNone)
        k.firstSource = index;
    else
        sources_[k.lastSource].next = index;
    k.lastSource = index;
}

// "[-KEY]": the key and its branch are gone, values and all; keys made
// again later start empty.
void RegState::Remove(uint32_t key) {
    if (keys_[key].parent == kNone || !keys_[key].exists) return;
    std::vector<uint32_t> pending{key};
    while (!pending.empty()) {
        uint32_t k = pending.back();
        pending.pop_back();
        Key& gone = keys_[k];
        if (!gone.exists) continue;
        gone.exists = false;
        gone.firstSource = gone.lastSource = kNone;
        for (uint32_t c = gone.firstChild; c != kNone; c = keys_[c].nextSibling) pending.push_back(c);
    }
}

bool RegState::Build(const RegDocument& document, const std::atomic<int32_t>* stop) {
    keys_.clear();
    sources_.clear();
    slots_.clear();
    // The state key of each key of the branch being walked, by depth.
    std::vector<std::pair<const KeyNode*, uint32_t>> trail;
    for (const KeyNode* root : document.roots) {
        bool deletion = root->name[0] == '-';
        trail.clear();
        bool going = ForEachKeyOfBranch(root, [&](const KeyNode* key) {
            if (stop && stop->load(std::memory_order_relaxed) != 0) return false;
            while (!trail.empty() && trail.back().first != key->parent) trail.pop_back();
            uint32_t index;
            if (trail.empty()) {
                std::string_view rootName = key->name + (deletion ? 1 : 0);
                index = FindOrAdd(kNone, ExpandRootName(rootName).data());
            } else {
                index = FindOrAdd(trail.back().second, key->name);
            }
            trail.emplace_back(key, index);
            if (!key->HasKeyLine()) return true;
            if (deletion)
                Remove(index);
            else
                Create(index, key);
            return true;
        });
        if (!going) return false;
    }
    return true;
}

std::vector<uint32_t> RegState::Roots() const {
    std::vector<uint32_t> roots;
    for (uint32_t i = 0; i < keys_.size(); ++i)
        if (keys_[i].parent == kNone && keys_[i].exists) roots.push_back(i);
    return roots;
}

std::vector<uint32_t> RegState::Children(uint32_t key) const {
    std::vector<uint32_t> children;
    for (uint32_t c = keys_[key].firstChild; c != kNone; c = keys_[c].nextSibling)
        if (keys_[c].exists) children.push_back(c);
    return children;
}

std::string RegState::Path(uint32_t key) const {
    std::string path = keys_[key].name;
    for (uint32_t k = keys_[key].parent; k != kNone; k = keys_[k].parent) path = std::string(keys_[k].name) + "\\" + path;
    return path;
}

bool RegState::SingleBlock(uint32_t key, const char*& text, RegDialect& dialect) const {
    const Key& k = keys_[key];
    if (k.firstSource == kNone) {
        text = "";
        dialect = kRegedit4;
        return true;
    }
    if (k.firstSource != k.lastSource) return false;
    const KeyNode* source = sources_[k.firstSource].key;
    if (source->BlockCount() != 1) return false;
    ValueBlock block = source->Block(0);
    text = block.text ? block.text : "";
    dialect = block.dialect;
    return true;
}

void RegState::CollectValues(uint32_t key, StateValues& out) const {
    out.entries.clear();
    out.values.clear();
    std::unordered_map<std::string, size_t> at;
    std::vector<bool> gone;
    for (uint32_t s = keys_[key].firstSource; s != kNone; s = sources_[s].next) {
        const KeyNode* source = sources_[s].key;
        for (size_t b = 0; b < source->BlockCount(); ++b) {
            ValueBlock block = source->Block(b);
            ValueList values;
            ParseValueBlock(block.text, values, block.dialect);
            for (auto& value : values) {
                StateValue set;
                set.folded = FoldName(ShownValueName(value->GetName()));
                bool deletion = value->GetType() == ValueType::Deletion;
                if (!deletion && !RegistryDataOfLine(*value, set.type, set.bytes)) continue;
                set.entry = value.get();
                out.entries.push_back(std::move(value));
                auto found = at.find(set.folded);
                if (found == at.end()) {
                    if (deletion) continue;
                    at.emplace(set.folded, out.values.size());
                    out.values.push_back(std::move(set));
                    gone.push_back(false);
                    continue;
                }
                gone[found->second] = deletion;
                // The registry keeps the spelling of a name it holds.
                if (!deletion) {
                    StateValue& now = out.values[found->second];
                    now.type = set.type;
                    now.bytes = std::move(set.bytes);
                    now.entry = set.entry;
                }
            }
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < out.values.size(); ++i)
        if (!gone[i] && kept++ != i) out.values[kept - 1] = std::move(out.values[i]);
    out.values.resize(kept);
}
