#include "document/RegDocument.h"

#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "document/DocumentEdits.h"
#include "document/FailPoint.h"
#include "document/NameFold.h"
#include "document/Platform.h"
#include "document/TextScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The case table, fetched once: lookups run for every byte of every path.
const unsigned char* const kUp = UpperTable();

inline unsigned char Up(char c) { return kUp[static_cast<unsigned char>(c)]; }

// Whether names hold UTF-8: then a letter beyond ASCII is folded as a whole
// character, as the registry folds it.
const bool kUtf8 = ProgramTextIsUtf8();

inline bool SingleByte(char c) { return static_cast<unsigned char>(c) < 0x80 || !kUtf8; }

// Names are hashed as a run of units: the upper-cased bytes of single-byte
// characters, eight to a word, and each folded character of more bytes on
// its own.
class NameHasher {
public:
    void Byte(unsigned char b) {
        word |= static_cast<uint64_t>(b) << (8 * count);
        if (++count == 8) Flush();
    }
    // Eight bytes, or the first n of a word, while no byte is pending.
    void Word(uint64_t w) { Mix(w); }
    void Partial(uint64_t w, unsigned n) {
        word = w;
        count = n;
    }
    void Character(char32_t c) {
        Flush();
        Mix(0x100000000ull | c);
    }
    // The character at c, which then moves past it.
    void Next(const char*& c) {
        if (SingleByte(*c)) {
            Byte(Up(*c++));
            return;
        }
        size_t length = 1;
        Character(FoldCharacter(c, length));
        c += length;
    }
    unsigned Pending() const { return count; }
    uint64_t Finish() {
        Flush();
        return h;
    }

private:
    void Flush() {
        if (!count) return;
        Mix(word);
        word = 0;
        count = 0;
    }
    void Mix(uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 32;
    }
    uint64_t h = 0xCBF29CE484222325ull;
    uint64_t word = 0;
    unsigned count = 0;
};

// Whether the case table maps ASCII as ASCII: then eight bytes of ASCII are
// upper-cased at once. Asked when the first name is hashed: the table is the
// platform's, made when its own file is initialised.
bool AsciiCase() {
    static const bool ascii = [] {
        for (int c = 0; c < 0x80; ++c)
            if (kUp[c] != (c >= 'a' && c <= 'z' ? c - 32 : c)) return false;
        return true;
    }();
    return ascii;
}

// The bytes of w (all below 0x80) with the ASCII letters upper-cased.
inline uint64_t UpperAscii(uint64_t w) {
    uint64_t lower = (w + 0x1F1F1F1F1F1F1F1Full) & ~(w + 0x0505050505050505ull) & 0x8080808080808080ull;
    return w ^ (lower >> 2);
}

// A flag in the high bit of the first zero byte of w (and maybe of bytes after it).
inline uint64_t ZeroBytes(uint64_t w) { return (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull; }

// The hash of a path component's upper-cased bytes; end is set to the
// component's end. One pass finds both. The name lies in a parse buffer,
// whose padding lets it be read eight bytes at a time.
uint64_t NameHash(const char* name, char*& end) {
    NameHasher hasher;
    const bool words = AsciiCase();
    const char* c = name;
    for (;;) {
        if (words && hasher.Pending() == 0) {
            uint64_t w;
            std::memcpy(&w, c, 8);
            uint64_t stops = ZeroBytes(w) | ZeroBytes(w ^ 0x5C5C5C5C5C5C5C5Cull) | (w & 0x8080808080808080ull);
            if (!stops) {
                hasher.Word(UpperAscii(w));
                c += 8;
                continue;
            }
            unsigned n = static_cast<unsigned>(__builtin_ctzll(stops)) >> 3;
            if (n) {
                hasher.Partial(UpperAscii(w & ((uint64_t(1) << (8 * n)) - 1)), n);
                c += n;
            }
        }
        if (*c == '\0' || *c == '\\') break;
        hasher.Next(c);
    }
    end = const_cast<char*>(c);
    return hasher.Finish();
}

// The same hash of any name, read byte by byte.
uint64_t NameHash(const char* name) {
    NameHasher hasher;
    for (const char* c = name; *c && *c != '\\';) hasher.Next(c);
    return hasher.Finish();
}

bool IsDeletion(const char* name) { return name[0] == '-'; }

// The hive a root names, whatever its sign, without the minus, folded as
// SameComponent compares: names that differ only in the case of a letter
// beyond ASCII are one hive.
std::string HiveOf(const char* name) {
    std::string hive;
    for (const char* c = name + (IsDeletion(name) ? 1 : 0); *c && *c != '\\';) {
        if (SingleByte(*c)) {
            hive += static_cast<char>(Up(*c++));
            continue;
        }
        size_t length;
        char32_t folded = FoldCharacter(c, length);
        c += length;
        hive += '\x80';
        hive.append(reinterpret_cast<const char*>(&folded), sizeof folded);
    }
    return hive;
}

}  // namespace

bool SameComponent(const char* a, const char* b) {
    for (;;) {
        bool endA = *a == '\0' || *a == '\\';
        bool endB = *b == '\0' || *b == '\\';
        if (endA || endB) return endA && endB;
        if (SingleByte(*a) && SingleByte(*b)) {
            if (Up(*a++) != Up(*b++)) return false;
            continue;
        }
        size_t lengthA, lengthB;
        if (FoldCharacter(a, lengthA) != FoldCharacter(b, lengthB)) return false;
        a += lengthA;
        b += lengthB;
    }
}

// The newest root of each hive of either sign. A key line takes an existing
// root only while no root of the other sign was started after it: a file
// that deletes a key ("[-HKEY_X\\A]") and then sets it again, or the other
// way round, keeps that order when it is saved, since the writer writes root
// after root. Kept while one parse runs.
class RegDocument::RootTable {
public:
    explicit RootTable(const std::vector<KeyNode*>& roots) {
        for (KeyNode* root : roots) Started(root);
    }

    KeyNode* Find(const char* name) const {
        auto found = newest.find(HiveOf(name));
        if (found == newest.end()) return nullptr;
        const Newest& n = found->second;
        bool deletion = IsDeletion(name);
        if (deletion != n.deletionNewer) return nullptr;
        KeyNode* root = deletion ? n.deletion : n.plain;
        return root && SameComponent(root->name, name) ? root : nullptr;
    }

    void Started(KeyNode* root) {
        Newest& n = newest[HiveOf(root->name)];
        n.deletionNewer = IsDeletion(root->name);
        (n.deletionNewer ? n.deletion : n.plain) = root;
    }

private:
    struct Newest {
        KeyNode* plain = nullptr;
        KeyNode* deletion = nullptr;
        bool deletionNewer = false;
    };
    std::unordered_map<std::string, Newest> newest;
};

// The children of the keys a parse looks in, by the hash of their
// upper-cased names. A file lists its keys depth first, so the keys looked in
// are nearly always those on the path of the line before: each depth of the
// path has the set of the one key whose children were last looked up there,
// small and in the cache. A key's set is made from its list of children when
// it is first looked in; a large one is kept aside when the path leaves its
// key, so that a wide key that the file comes back to is not walked again.
// It lives only while one parse runs; the tree itself stays lists.
class RegDocument::ChildIndex {
public:
    // The child of parent named name (hash: its NameHash), whose depth in
    // the tree is level.
    KeyNode* Find(size_t level, const KeyNode* parent, const char* name, uint64_t hash) {
        Set& set = Bind(level, parent);
        for (size_t i = Slot(hash) & set.mask;; i = (i + 1) & set.mask) {
            const Entry& entry = set.entries[i];
            if (!entry.key) return nullptr;
            if (entry.hash == hash && SameComponent(entry.key->name, name)) return entry.key;
        }
    }

    // A key just made at depth level: its parent's set learns it. The first
    // child of a key starts the set of its depth (the key before there is
    // done with, as files go depth first): no walk over the children is
    // needed when the next child is looked up.
    void Created(size_t level, KeyNode* key, uint64_t hash) {
        const KeyNode* parent = key->parent;
        if (!parent) return;
        if (level < levels.size() && levels[level].parent == parent) {
            Add(levels[level], key, hash);
        } else if (parent->firstChild == key && !key->nextSibling) {
            Add(Bind(level, parent, false), key, hash);
        }
    }

private:
    // A key with the hash of its name: a set grows without reading names.
    struct Entry {
        KeyNode* key;
        uint64_t hash;
    };
    struct Set {
        const KeyNode* parent = nullptr;
        std::vector<Entry> entries;
        size_t mask = 0;
        size_t count = 0;
    };

    // Sets of more children than this are kept when the path leaves their key.
    static constexpr size_t kKeepAbove = 32;
    static constexpr size_t kSmall = 8;

    static size_t Slot(uint64_t hash) {
        hash *= 0xFF51AFD7ED558CCDull;
        return static_cast<size_t>(hash ^ (hash >> 29));
    }

    static void Reset(Set& set) {
        if (set.entries.size() > 4 * kSmall) {
            std::vector<Entry>(kSmall, Entry{nullptr, 0}).swap(set.entries);
        } else {
            set.entries.assign(kSmall, Entry{nullptr, 0});
        }
        set.mask = kSmall - 1;
        set.count = 0;
    }

    // The set of parent's children at depth level, made from its list of
    // children unless fromList is clear (the caller adds them).
    Set& Bind(size_t level, const KeyNode* parent, bool fromList = true) {
        if (levels.size() <= level) levels.resize(level + 1);
        Set& set = levels[level];
        if (set.parent == parent) return set;
        if (set.parent && set.count > kKeepAbove) {
            Set& keep = kept[set.parent];
            std::swap(keep, set);
            set = Set();
        }
        // A key whose first child was just made (fromList clear) has no
        // set kept aside: only keys of many children have.
        if (fromList && !kept.empty()) {
            auto found = kept.find(parent);
            if (found != kept.end()) {
                set = std::move(found->second);
                kept.erase(found);
                return set;
            }
        }
        Reset(set);
        set.parent = parent;
        if (fromList)
            for (KeyNode* k = parent->firstChild; k; k = k->nextSibling) Add(set, k, NameHash(k->name));
        return set;
    }

    static void Add(Set& set, KeyNode* key, uint64_t hash) {
        if ((set.count + 1) * 4 > set.entries.size() * 3) Grow(set);
        Place(set, {key, hash});
    }

    static void Place(Set& set, const Entry& entry) {
        for (size_t i = Slot(entry.hash) & set.mask;; i = (i + 1) & set.mask) {
            if (!set.entries[i].key) {
                set.entries[i] = entry;
                ++set.count;
                return;
            }
        }
    }

    static void Grow(Set& set) {
        std::vector<Entry> old(set.entries.size() * 2, Entry{nullptr, 0});
        old.swap(set.entries);
        set.mask = set.entries.size() - 1;
        set.count = 0;
        for (const Entry& entry : old)
            if (entry.key) Place(set, entry);
    }

    std::vector<Set> levels;
    std::unordered_map<const KeyNode*, Set> kept;
};

RegDocument::RegDocument() : edits(std::make_unique<DocumentEdits>(*this)) {}

RegDocument::~RegDocument() {
    StopLookupIndex();
    StopRootTable();
    Clear();
}

void RegDocument::StartLookupIndex(size_t) {
    StopLookupIndex();
    index = new (std::nothrow) ChildIndex;
}

KeyNode* RegDocument::FindRoot(const char* name) const {
    if (rootTable) return rootTable->Find(name);
    // Outside a parse: the same rule by a walk back over the roots.
    std::string hive = HiveOf(name);
    for (size_t i = roots.size(); i-- > 0;) {
        if (HiveOf(roots[i]->name) != hive) continue;
        if (IsDeletion(roots[i]->name) != IsDeletion(name)) return nullptr;
        if (SameComponent(roots[i]->name, name)) return roots[i];
    }
    return nullptr;
}

void RegDocument::StartRootTable() {
    StopRootTable();
    rootTable = new (std::nothrow) RootTable(roots);
}

void RegDocument::StopRootTable() {
    delete rootTable;
    rootTable = nullptr;
}

void RegDocument::StopLookupIndex() {
    delete index;
    index = nullptr;
}

// No key is visited: the pool goes in one piece, with what its keys own.
void RegDocument::Clear() {
    ++keysDropped;
    edits->Forget(true);
    roots.clear();
    keys.Release();
    buffers.clear();
    preamble.clear();
    unicode = false;
}

void RegDocument::AddRootKey(KeyNode* key) {
    key->parent = nullptr;
    key->nextSibling = nullptr;
    roots.push_back(key);
}

void RegDocument::DeleteKey(KeyNode* key) {
    if (!key) return;
    ++keysDropped;
    if (KeyNode* parent = key->parent) {
        parent->RemoveChild(key);
        delete key;
        return;
    }
    for (size_t i = 0; i < roots.size(); ++i) {
        if (roots[i] == key) {
            roots.erase(roots.begin() + static_cast<std::ptrdiff_t>(i));
            delete key;
            return;
        }
    }
}

size_t RegDocument::CountKeysToWrite() const {
    size_t count = 0;
    ForEachKey(roots, [&count](const KeyNode* k) { count += k->HasKeyLine(); });
    return count;
}

void RegDocument::SetFileName(const char* newPath, const char* newTitle) {
    path = newPath ? newPath : "";
    title = newTitle ? newTitle : "";
    modified = false;
}

void RegDocument::AdoptBuffer(std::unique_ptr<char[]> buffer) {
    if (buffer) buffers.push_back(std::move(buffer));
}

// The key looked for is one below the last key of the path: its depth is
// the path's length.
KeyNode* RegDocument::FindKey(KeyNode* parent, const char* name, size_t hash) const {
    if (index) return index->Find(steps.size(), parent, name, hash);
    return parent->FindChild(name);
}

void RegDocument::Created(KeyNode* key, size_t hash) {
    if (index) index->Created(steps.size(), key, hash);
    if (journal) journal->KeyCreated(key);
}

void RegDocument::StartPath() {
    steps.clear();
    stepsPath = nullptr;
}

void RegDocument::FinishPath() {
    for (const PathStep& step : steps) stepsPath[step.end] = '\0';
}

// How many leading components the new path shares with the previous one.
size_t RegDocument::SharedComponents(const char* newPath) const {
    const char* p = stepsPath;
    const char* n = newPath;
    // Consecutive paths share most of their bytes, usually in the same
    // letter case: compare eight at a time first. Both paths lie inside a
    // parse buffer, which has padding after its text for such reads.
    size_t same = 0;
#if defined(__SSE2__)
    // Sixteen at a time, the first byte that differs or ends the previous
    // path found in the block that holds it (padding is sixteen bytes).
    const __m128i zero = _mm_setzero_si128();
    for (;; same += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + same));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + same));
        unsigned stop = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(a, zero), _mm_xor_si128(_mm_cmpeq_epi8(a, b), _mm_set1_epi8(-1)))));
        if (stop) {
            same += static_cast<unsigned>(__builtin_ctz(stop));
            break;
        }
    }
#else
    for (;;) {
        uint64_t a, b;
        std::memcpy(&a, p + same, 8);
        std::memcpy(&b, n + same, 8);
        if (a != b || ((a - 0x0101010101010101ull) & ~a & 0x8080808080808080ull)) break;
        same += 8;
    }
    while (p[same] && p[same] == n[same]) ++same;
#endif
    // A component that ends (with its backslash) before the first difference
    // is shared as it is; the rest are compared ignoring case, each only
    // while the new path goes on.
    // Counted without a branch on each step: where the count stops is what
    // varies from line to line.
    size_t depth = 0;
    for (const PathStep& step : steps) depth += step.end < same;
    for (; depth < steps.size(); ++depth) {
        const PathStep& step = steps[depth];
        if (depth > 0 && n[step.begin - 1] != '\\') break;
        // The bytes before the first difference are the same in both: the
        // compare starts at the character that holds it (a byte that goes on
        // a character of more bytes starts none).
        size_t from = step.begin;
        if (same > from) {
            from = same;
            while (from > step.begin && (static_cast<unsigned char>(p[from]) & 0xC0) == 0x80) --from;
        }
        if (!SameComponent(p + from, n + from)) break;
    }
    return depth;
}

// The key of each key line is found from the path of the line before: .reg
// files list keys depth first, so the new path usually shares all but its
// last components with the previous one. The previous path's keys are kept
// per component: the shared part costs one compare of the two texts and no
// lookup, and each new component's name is scanned once for its end and
// its hash.
KeyNode* RegDocument::FindOrCreateKey(char* newPath, bool lookUpExisting) {
    size_t depth = 0;
    if (stepsPath) {
        depth = SharedComponents(newPath);
        FinishPath();
        if (depth > 0 && newPath[steps[depth - 1].end] == '\0') {
            // The same path again is the same key. A path that ends above
            // the previous one is not taken from it: its last component is
            // looked up (or made) as any new one is.
            if (depth == steps.size()) {
                stepsPath = newPath;
                return steps.back().key;
            }
            --depth;
        }
    }
    steps.resize(depth);
    stepsPath = newPath;
    KeyNode* key = depth ? steps.back().key : nullptr;
    char* place = depth ? newPath + steps.back().end + 1 : newPath;
    bool created = false;
    for (;;) {
        char* end;
        size_t hash = 0;
        if (index)
            hash = static_cast<size_t>(NameHash(place, end));
        else
            end = const_cast<char*>(textscan::FindAny2(place, '\\', '\\'));
        KeyNode* child = nullptr;
        if (!key) {
            // Roots are looked up whatever the flag.
            child = FindRoot(place);
        } else if (!created && lookUpExisting && key->firstChild) {
            // A key without children has none to find: in an export, listed
            // depth first, that spares the lookup for the first child of
            // every key.
            child = FindKey(key, place, hash);
        }
        if (!child) {
            child = new (keys, std::nothrow) KeyNode(key, place);
            if (!child) return nullptr;
            if (!key) {
                roots.push_back(child);
                if (rootTable) rootTable->Started(child);
            }
            Created(child, hash);
            created = true;
        }
        key = child;
        steps.push_back({key, static_cast<size_t>(place - newPath), static_cast<size_t>(end - newPath)});
        if (*end == '\0') return key;
        place = end + 1;
    }
}

std::unique_ptr<char[]> AllocText(size_t size) {
    if (size > SIZE_MAX - kScanPadding || AllocationFails()) return nullptr;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + kScanPadding]);
    if (text) std::memset(text.get(), 0, size + kScanPadding);
    return text;
}
