#include "document/RegCompare.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentSinks.h"
#include "document/NameFold.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegState.h"
#include "document/ValueCodec.h"

namespace {

constexpr uint32_t kNone = RegState::kNone;

// Key pairs of the two states that name one key, in the second file's order
// and then the keys only the first has.
using KeyPairs = std::vector<std::pair<uint32_t, uint32_t>>;

KeyPairs PairChildren(const RegState& a, uint32_t keyA, const RegState& b, uint32_t keyB) {
    std::vector<uint32_t> childrenA = keyA == kNone ? std::vector<uint32_t>() : a.Children(keyA);
    std::vector<uint32_t> childrenB = keyB == kNone ? std::vector<uint32_t>() : b.Children(keyB);
    KeyPairs pairs;
    pairs.reserve(childrenA.size() + childrenB.size());
    std::vector<bool> matched(childrenA.size(), false);
    if (childrenA.size() * childrenB.size() <= 64) {
        for (uint32_t childB : childrenB) {
            uint32_t match = kNone;
            for (size_t i = 0; i < childrenA.size() && match == kNone; ++i)
                if (!matched[i] && SameComponent(a.Name(childrenA[i]), b.Name(childB))) {
                    matched[i] = true;
                    match = childrenA[i];
                }
            pairs.emplace_back(match, childB);
        }
    } else {
        std::unordered_map<std::string, size_t> byName;
        byName.reserve(childrenA.size());
        for (size_t i = 0; i < childrenA.size(); ++i) byName.emplace(FoldName(a.Name(childrenA[i])), i);
        for (uint32_t childB : childrenB) {
            auto found = byName.find(FoldName(b.Name(childB)));
            uint32_t match = kNone;
            if (found != byName.end() && !matched[found->second]) {
                matched[found->second] = true;
                match = childrenA[found->second];
            }
            pairs.emplace_back(match, childB);
        }
    }
    for (size_t i = 0; i < childrenA.size(); ++i)
        if (!matched[i]) pairs.emplace_back(childrenA[i], kNone);
    return pairs;
}

class Comparison {
public:
    Comparison(const RegState& a, const RegState& b, RegDocument& result, CompareCounts& counts,
               const std::atomic<int32_t>* stop, ProgressSink* progress)
        : a_(a), b_(b), result_(result), counts_(counts), stop_(stop), progress_(progress) {}

    // Walks both states together, depth first, without recursion.
    bool Run() {
        total_ = a_.Size() + b_.Size();
        KeyPairs roots = PairRoots();
        for (const auto& [rootA, rootB] : roots) {
            path_.clear();
            Enter(rootA, rootB);
            while (!path_.empty()) {
                if (stop_ && stop_->load(std::memory_order_relaxed) != 0) return false;
                Frame& top = path_.back();
                if (top.next == top.children.size()) {
                    path_.pop_back();
                    continue;
                }
                auto [childA, childB] = top.children[top.next++];
                Enter(childA, childB);
            }
        }
        return true;
    }

private:
    struct Frame {
        uint32_t a = kNone, b = kNone;
        KeyNode* out = nullptr;      // the result's key of this path
        KeyNode* removal = nullptr;  // the same in the result's tree of "[-KEY]" lines
        KeyPairs children;
        size_t next = 0;
    };

    KeyPairs PairRoots() const {
        KeyPairs pairs;
        std::vector<uint32_t> rootsA = a_.Roots();
        std::vector<bool> matched(rootsA.size(), false);
        for (uint32_t rootB : b_.Roots()) {
            uint32_t match = kNone;
            for (size_t i = 0; i < rootsA.size() && match == kNone; ++i)
                if (!matched[i] && SameComponent(a_.Name(rootsA[i]), b_.Name(rootB))) {
                    matched[i] = true;
                    match = rootsA[i];
                }
            pairs.emplace_back(match, rootB);
        }
        for (size_t i = 0; i < rootsA.size(); ++i)
            if (!matched[i]) pairs.emplace_back(rootsA[i], kNone);
        return pairs;
    }

    const char* NameAt(size_t depth) const {
        const Frame& f = path_[depth];
        return f.b != kNone ? b_.Name(f.b) : a_.Name(f.a);
    }

    KeyNode* NewKey(const std::string& name, KeyNode* parent) {
        KeyNode* key = new (result_.keys, std::nothrow) KeyNode(name.c_str(), parent);
        if (!key) throw std::bad_alloc();
        if (!parent) result_.AddRootKey(key);
        return key;
    }

    // The result's key for the path down to depth, made with its parents
    // when first needed: keys that are equal in both files get none.
    KeyNode* OutKey(size_t depth) {
        for (size_t i = 0; i <= depth; ++i)
            if (!path_[i].out) path_[i].out = NewKey(NameAt(i), i ? path_[i - 1].out : nullptr);
        return path_[depth].out;
    }

    KeyNode* RemovalKey(size_t depth) {
        for (size_t i = 0; i <= depth; ++i)
            if (!path_[i].removal)
                path_[i].removal = NewKey(i ? std::string(NameAt(i)) : "-" + std::string(NameAt(i)),
                                          i ? path_[i - 1].removal : nullptr);
        return path_[depth].removal;
    }

    void Attach(KeyNode* key, MemorySink& lines) {
        if (lines.Size() == 0) return;
        // A block ends with the blank line that parts it from the next key.
        if (!lines.Write("\r\n", 3)) throw std::bad_alloc();
        key->AttachValueBlock(lines.Release(), true, kRegedit4);
    }

    void Enter(uint32_t keyA, uint32_t keyB) {
        Frame frame;
        frame.a = keyA;
        frame.b = keyB;
        path_.push_back(std::move(frame));
        size_t depth = path_.size() - 1;
        walked_ += (keyA != kNone) + (keyB != kNone);
        int percent = static_cast<int>(walked_ * 100 / (total_ ? total_ : 1));
        if (progress_ && percent != shown_) progress_->SetProgress(shown_ = percent);
        // A root key is always there: one missing from a file only has no
        // values and no subkeys in it.
        bool root = depth == 0;
        if (keyB == kNone && !root) {
            // A branch only the first file has goes in one line.
            RemovalKey(depth);
            ++counts_.keysRemoved;
            return;
        }
        if (keyA == kNone && !root) ++counts_.keysAdded;
        CompareValues(depth, keyA, keyB);
        Frame& entered = path_.back();
        entered.children = PairChildren(a_, keyA, b_, keyB);
        // A new key without values or subkeys still needs its line.
        if (keyA == kNone && !root && entered.children.empty()) OutKey(depth);
    }

    void CompareValues(size_t depth, uint32_t keyA, uint32_t keyB) {
        const char *textA = "", *textB = "";
        RegDialect dialectA = kRegedit4, dialectB = kRegedit4;
        bool singleA = keyA == kNone || a_.SingleBlock(keyA, textA, dialectA);
        bool singleB = keyB == kNone || b_.SingleBlock(keyB, textB, dialectB);
        // Most keys of two exports of one registry are the same text.
        if (singleA && singleB && dialectA == dialectB && std::strcmp(textA, textB) == 0) return;
        StateValues valuesA, valuesB;
        if (keyA != kNone) a_.CollectValues(keyA, valuesA);
        if (keyB != kNone) b_.CollectValues(keyB, valuesB);
        std::unordered_map<std::string, size_t> byName;
        for (size_t i = 0; i < valuesA.values.size(); ++i) byName.emplace(valuesA.values[i].folded, i);
        std::vector<bool> kept(valuesA.values.size(), false);
        MemorySink lines;
        for (const StateValue& value : valuesB.values) {
            auto found = byName.find(value.folded);
            if (found != byName.end()) {
                kept[found->second] = true;
                const StateValue& before = valuesA.values[found->second];
                if (before.type == value.type && before.bytes == value.bytes) continue;
                ++counts_.valuesChanged;
            } else {
                ++counts_.valuesAdded;
            }
            value.entry->Write(lines);
        }
        for (size_t i = 0; i < valuesA.values.size(); ++i) {
            if (kept[i]) continue;
            ++counts_.valuesRemoved;
            DeletionValue(valuesA.values[i].entry->GetName()).Write(lines);
        }
        if (lines.Failed()) throw std::bad_alloc();
        if (lines.Size()) Attach(OutKey(depth), lines);
    }

    const RegState& a_;
    const RegState& b_;
    RegDocument& result_;
    CompareCounts& counts_;
    const std::atomic<int32_t>* stop_;
    ProgressSink* progress_;
    std::vector<Frame> path_;
    size_t total_ = 0, walked_ = 0;
    int shown_ = -1;
};

// Comment lines naming the two files, below the header line.
std::string ComparisonPreamble(const std::string& firstName, const std::string& secondName) {
    return "\r\n; Differences by meaning from \"" + firstName + "\" to \"" + secondName +
           "\":\r\n; merged after the first file, this file leaves the keys and values of the second.\r\n\r\n";
}

// Data as one line of text: strings quoted, numbers in hex, the rest as
// hex bytes.
std::string DataText(uint32_t type, const std::string& bytes) {
    auto escaped = [](std::u16string_view wide) {
        std::string text = WideToProgramString(wide), out;
        for (char c : text) {
            if (c == '\r') out += "\\r";
            else if (c == '\n') out += "\\n";
            else if (c == '"' || c == '\\') (out += '\\') += c;
            else out += c;
        }
        return "\"" + out + "\"";
    };
    bool wide = bytes.size() % 2 == 0;
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    if ((type == 1 || type == 2) && wide && !units.empty() && units.back() == u'\0')
        return escaped(std::u16string_view(units).substr(0, units.size() - 1));
    if (type == 7 && wide) {
        std::string out;
        std::u16string_view rest(units);
        while (!rest.empty() && rest.back() == u'\0') rest.remove_suffix(1);
        while (!rest.empty() || out.empty()) {
            size_t end = std::min(rest.find(u'\0'), rest.size());
            out += (out.empty() ? "" : ", ") + escaped(rest.substr(0, end));
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (rest.empty()) break;
        }
        return out;
    }
    char number[24];
    uint64_t n = 0;
    for (size_t i = bytes.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(bytes[i]);
    if (type == 4 && bytes.size() == 4) {
        std::snprintf(number, sizeof number, "0x%08" PRIx64, n);
        return number;
    }
    if (type == 11 && bytes.size() == 8) {
        std::snprintf(number, sizeof number, "0x%016" PRIx64, n);
        return number;
    }
    return FormatHexBytes(bytes.data(), bytes.size(), 0, 0);
}

std::string TypeText(uint32_t type) {
    if (const char* name = RegistryTypeName(type)) return name;
    char text[24];
    std::snprintf(text, sizeof text, "REG_0x%x", type);
    return text;
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

std::vector<uint32_t> SortedByName(const RegState& state, std::vector<uint32_t> keys) {
    std::vector<std::pair<std::string, uint32_t>> named;
    for (uint32_t key : keys) named.emplace_back(FoldName(state.Name(key)), key);
    std::sort(named.begin(), named.end());
    for (size_t i = 0; i < named.size(); ++i) keys[i] = named[i].second;
    return keys;
}

}  // namespace

CompareEnd CompareDocuments(const RegDocument& first, const RegDocument& second, RegDocument& result,
                            CompareCounts& counts, const std::string& firstName, const std::string& secondName,
                            const std::atomic<int32_t>* stop, ProgressSink* progress) {
    counts = CompareCounts();
    try {
        RegState a, b;
        if (!a.Build(first, stop) || !b.Build(second, stop)) return CompareEnd::Stopped;
        result.dialect = second.dialect;
        result.unicode = second.unicode;
        result.preamble = ComparisonPreamble(firstName, secondName);
        Comparison comparison(a, b, result, counts, stop, progress);
        if (!comparison.Run()) return CompareEnd::Stopped;
    } catch (const std::bad_alloc&) {
        return CompareEnd::OutOfMemory;
    }
    return CompareEnd::Complete;
}

bool WriteStateText(const RegDocument& document, ByteSink& out) {
    RegState state;
    if (!state.Build(document)) return false;
    std::vector<std::vector<uint32_t>> pending{SortedByName(state, state.Roots())};
    std::vector<size_t> next{0};
    while (!pending.empty()) {
        if (next.back() == pending.back().size()) {
            pending.pop_back();
            next.pop_back();
            continue;
        }
        uint32_t key = pending.back()[next.back()++];
        std::string path = "[" + OneLine(state.Path(key)) + "]";
        out.Write((path + "\n").c_str());
        StateValues values;
        state.CollectValues(key, values);
        for (const StateValue* value : values.Sorted()) {
            std::string name = value->entry->IsDefault() ? "@" : "\"" + OneLine(value->entry->GetName()) + "\"";
            std::string line = path + " " + name + " = " + TypeText(value->type) + ": " +
                               DataText(value->type, value->bytes) + "\n";
            out.Write(line.c_str());
        }
        pending.push_back(SortedByName(state, state.Children(key)));
        next.push_back(0);
    }
    return !out.Failed();
}
