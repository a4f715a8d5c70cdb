#pragma once
// What a merge would change in the live registry, worked out before anything
// is written: the merge of a document's keys is played over the live keys it
// reaches, read through a LiveRegistry, and the state after it is compared
// with the state before. The same comparison gives the backup, a .reg text
// that merged afterwards puts back the state before. Portable: the live side
// is an interface (regedit/LiveRegistry.cpp reads the real registry), so that
// the rules are tested natively.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class ByteSink;
class KeyNode;
class ProgressSink;
class ValueEntry;

namespace regedit {

// A value as the registry holds it: its name (empty for the default value)
// and data bytes; strings are UTF-16LE, as the wide registry functions give
// them, so that every character of a live name or string is kept.
struct LiveValue {
    std::u16string name;
    uint32_t type = 0;
    std::string bytes;
};

// Why something could not be read.
enum class ReadProblem : uint8_t {
    None,
    Denied,     // the key may not be read
    Failed,     // another error of the registry (systemError says which)
    NoRoot,     // the path's first component names no root key
    NameInFile  // a name a .reg line cannot hold (a line break in it)
};

// One live key's values.
struct LiveKey {
    std::vector<LiveValue> values;
    bool mayWrite = true;  // the current user may set values and create keys here
};

enum class LiveRead : uint8_t { Found, Missing, Failed };

class LiveRegistry {
public:
    virtual ~LiveRegistry() = default;
    // The key at path (root key name first, backslashes between names).
    // Failed with the problem (and the system's code, where it gave one).
    // askWrite: whether to find out mayWrite, else it is left as it is.
    virtual LiveRead ReadKey(const std::u16string& path, bool askWrite, LiveKey& out, ReadProblem& problem,
                             uint32_t& systemError) = 0;
    // The names of the key's subkeys, for a deletion, which takes them all.
    virtual LiveRead ReadSubkeys(const std::u16string& path, std::vector<std::u16string>& names,
                                 ReadProblem& problem, uint32_t& systemError) = 0;
    // The name in one case, as the registry compares names; this default
    // folds the ASCII letters only.
    virtual std::u16string Fold(std::u16string_view name) const;
};

// The display text of live data, as the value list shows a value of that
// kind ("0x0000002a (42)", "01 02", the string); the type's name
// (RegistryTypeName, or "REG_0x" and the number).
std::string LiveDisplayText(uint32_t type, const std::string& bytes);
std::string LiveTypeName(uint32_t type);

enum class ValueChange : uint8_t { Added, Changed, Removed, Equal };

struct ValueDiff {
    ValueChange change = ValueChange::Equal;
    LiveValue before;  // Changed, Removed, Equal
    LiveValue after;   // Added, Changed, Equal
    const std::u16string& Name() const { return change == ValueChange::Added ? after.name : before.name; }
};

enum class KeyChange : uint8_t { Created, Removed, Kept };

struct KeyDiff {
    std::u16string path;
    KeyChange change = KeyChange::Kept;
    bool mayWrite = true;
    // A created or removed key whose parent stays: the head of what a key
    // line creates or a deletion takes. A removed head counts the values and
    // subkeys (all levels) that go with it.
    bool head = false;
    size_t removedValues = 0;
    size_t removedSubkeys = 0;
    ReadProblem problem = ReadProblem::None;  // the key could not be read whole
    uint32_t systemError = 0;
    std::vector<ValueDiff> values;  // by name
};

struct PreviewCounts {
    size_t keysCreated = 0;
    size_t keysRemoved = 0;
    size_t valuesAdded = 0;
    size_t valuesChanged = 0;
    size_t valuesRemoved = 0;
    size_t valuesEqual = 0;
    size_t unreadable = 0;  // keys and values that could not be read
    size_t notWritable = 0;  // keys the merge changes that the user may not write
};

class MergePreview {
public:
    // stop (may be null) ends the walk when it is not 0; progress (may be
    // null) hears the percentage of keys walked.
    MergePreview(LiveRegistry& live, const std::atomic<int32_t>* stop = nullptr, ProgressSink* progress = nullptr);

    // Plays the merge of the branches below the keys, in order, as the
    // writer writes them and the registry editor reads them; then compares.
    // False when stopped.
    bool Run(const std::vector<const KeyNode*>& tops);

    const std::vector<KeyDiff>& Keys() const { return diffs_; }
    const PreviewCounts& Counts() const { return counts_; }
    // Nothing would be created, changed or removed.
    bool ChangesNothing() const;

    // The backup: a "Windows Registry Editor Version 5.00" text in UTF-16LE
    // with its byte-order mark that puts back every key and value the merge
    // changes or removes, and takes away what it creates. `comment` (program
    // text) goes on a comment line below the header. Counts the key lines
    // and value lines written.
    bool WriteBackup(ByteSink& out, const std::string& comment, size_t* keyLines = nullptr,
                     size_t* valueLines = nullptr) const;

private:
    // A live key as the merge played so far leaves it.
    struct SimValue {
        LiveValue value;
        std::u16string folded;  // the name
        bool set = false;       // by the merge
    };
    struct SimKey {
        std::u16string name;   // as the file spells it, or the registry for a key a deletion found
        SimKey* parent = nullptr;
        bool read = false;     // the live state has been looked at
        bool existed = false;  // before the merge
        bool exists = false;   // after the steps so far
        bool mayWrite = true;
        ReadProblem problem = ReadProblem::None;
        uint32_t systemError = 0;
        std::vector<LiveValue> before;
        std::vector<SimValue> after;
    };
    SimKey& Reach(const std::u16string& path);
    void ReadLive(SimKey& key);
    void CreateKey(const std::u16string& path);
    void DeleteKey(const std::u16string& path);
    void SetValue(const std::u16string& path, LiveValue value);
    void DeleteValue(const std::u16string& path, const std::u16string& name);
    void PlayKey(const KeyNode* key);
    void Compare();
    size_t FindAfter(const SimKey& key, const std::u16string& folded) const;
    std::u16string Folded(const std::u16string& path) const;
    static std::u16string PathOf(const SimKey& key);

    LiveRegistry& live_;
    const std::atomic<int32_t>* stop_;
    ProgressSink* progress_;
    std::map<std::u16string, SimKey> keys_;  // by folded path: parents before children
    std::vector<KeyDiff> diffs_;
    PreviewCounts counts_;
};

}  // namespace regedit
