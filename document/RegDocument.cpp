#include "document/RegDocument.h"

#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "document/Platform.h"
#include "document/TextScan.h"

namespace {

// The case table, fetched once: lookups run for every byte of every path.
const unsigned char* const kUp = UpperTable();

inline unsigned char Up(char c) { return kUp[static_cast<unsigned char>(c)]; }

// End of the path component that starts at p (a backslash or the NUL).
char* ComponentEnd(char* p) {
    while (*p && *p != '\\') ++p;
    return p;
}

bool IsDeletion(const char* name) { return name[0] == '-'; }

// The hive a root names, whatever its sign: upper case, without the minus.
std::string HiveOf(const char* name) {
    std::string hive;
    for (const char* c = name + (IsDeletion(name) ? 1 : 0); *c && *c != '\\'; ++c) hive += static_cast<char>(Up(*c));
    return hive;
}

}  // namespace

bool SameComponent(const char* a, const char* b) {
    for (;; ++a, ++b) {
        bool endA = *a == '\0' || *a == '\\';
        bool endB = *b == '\0' || *b == '\\';
        if (endA || endB) return endA && endB;
        if (Up(*a) != Up(*b)) return false;
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

// Open addressing over key pointers, hashed by parent and upper-cased name.
// It lives only while one parse runs; the tree itself stays lists.
class RegDocument::ChildIndex {
public:
    // Room for about expectedKeys keys before the first rehash.
    explicit ChildIndex(size_t expectedKeys) {
        size_t size = 1024;
        while (size < expectedKeys + expectedKeys / 3 && size < (size_t(1) << 40)) size *= 2;
        slots.assign(size, 0);
        mask = size - 1;
    }

    bool Build(const std::vector<KeyNode*>& roots) {
        return ForEachKey(roots, [this](KeyNode* k) { return Insert(k); });
    }

    KeyNode* Find(const KeyNode* parent, const char* name, size_t& h) const {
        h = Hash(parent, name);
        uintptr_t tag = Tag(h);
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            uintptr_t slot = slots[i];
            if (!slot) return nullptr;
            if ((slot & kTagMask) != tag) continue;
            KeyNode* k = reinterpret_cast<KeyNode*>(slot & ~kTagMask);
            if (k->parent == parent && SameComponent(k->name, name)) return k;
        }
    }

    bool Insert(KeyNode* key) { return Insert(key, Hash(key->parent, key->name)); }

    // hash: Hash of the key's parent and name, as Find computed it.
    bool Insert(KeyNode* key, size_t hash) {
        if ((count + 1) * 4 > slots.size() * 3 && !Grow()) return false;
        Place(reinterpret_cast<uintptr_t>(key) | Tag(hash), hash);
        return true;
    }

private:
    // User-space pointers fit in 47 bits on x86-64 Linux and Windows: the top
    // 16 bits of a slot carry hash bits, so most probes that cannot match are
    // told apart without touching the key.
    static constexpr uintptr_t kTagMask = uintptr_t(0xFFFF) << 48;
    static uintptr_t Tag(size_t hash) { return (static_cast<uintptr_t>(hash >> 48) | 1) << 48; }

    void Place(uintptr_t slot, size_t h) {
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            if (!slots[i]) {
                slots[i] = slot;
                ++count;
                return;
            }
        }
    }

    static size_t Hash(const KeyNode* parent, const char* name) {
        uint64_t h = reinterpret_cast<uintptr_t>(parent) * 0x9E3779B97F4A7C15ull;
        for (const char* c = name; *c && *c != '\\'; ++c) h = (h ^ Up(*c)) * 0x100000001B3ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }

    bool Grow() {
        std::vector<uintptr_t> old;
        old.swap(slots);
        size_t size = old.empty() ? 1024 : old.size() * 2;
        slots.assign(size, 0);
        mask = size - 1;
        count = 0;
        for (uintptr_t slot : old) {
            if (!slot) continue;
            const KeyNode* k = reinterpret_cast<const KeyNode*>(slot & ~kTagMask);
            Place(slot, Hash(k->parent, k->name));
        }
        return true;
    }

    std::vector<uintptr_t> slots;
    size_t mask = 0;
    size_t count = 0;
};

RegDocument::RegDocument() = default;

RegDocument::~RegDocument() {
    StopLookupIndex();
    StopRootTable();
    Clear();
}

void RegDocument::StartLookupIndex(size_t textLength) {
    StopLookupIndex();
    // A key line with its values takes a few hundred bytes; the table grows
    // when a file has more keys than that.
    index = new (std::nothrow) ChildIndex(textLength / 320);
    if (index && !index->Build(roots)) StopLookupIndex();
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
    roots.clear();
    keys.Release();
    buffers.clear();
    unicode = false;
}

void RegDocument::AddRootKey(KeyNode* key) {
    key->parent = nullptr;
    key->nextSibling = nullptr;
    roots.push_back(key);
}

void RegDocument::RemoveRootKey(KeyNode* key) {
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

KeyNode* RegDocument::FindKey(KeyNode* parent, const char* name, size_t& hash) const {
    if (index) return index->Find(parent, name, hash);
    if (parent) return parent->FindChild(name);
    for (KeyNode* root : roots)
        if (SameComponent(root->name, name)) return root;
    return nullptr;
}

void RegDocument::Created(KeyNode* key, bool looked, size_t hash) {
    if (!index) return;
    if (looked)
        index->Insert(key, hash);
    else
        index->Insert(key);
}

// The key of each key line is found from the key of the line before: .reg
// files list keys depth first, so the new path usually shares all but its
// last components with the previous one, and walking up from the previous
// key avoids searching the tree from the top.
KeyNode* RegDocument::FindOrCreateKey(KeyNode* previousKey, const char* previousPath, char* newPath,
                                      bool lookUpExisting) {
    KeyNode* key = nullptr;
    char* place = newPath;
    if (previousKey && previousPath) {
        const char* p = previousPath;
        char* n = newPath;
        char* afterBackslash = newPath;
        // Consecutive paths share most of their bytes, usually in the same
        // letter case: compare eight at a time first. Both paths lie inside
        // a parse buffer, which has padding after its text for such reads.
        for (;;) {
            uint64_t a, b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, n, 8);
            if (a != b || ((a - 0x0101010101010101ull) & ~a & 0x8080808080808080ull)) break;
            p += 8;
            n += 8;
        }
        for (char* q = n; q > newPath; --q) {
            if (q[-1] == '\\') {
                afterBackslash = q;
                break;
            }
        }
        while (*p && *n && Up(*p) == Up(*n)) {
            if (*n == '\\') afterBackslash = n + 1;
            ++p;
            ++n;
        }
        if (*p == '\0' && *n == '\0') return previousKey;
        size_t levels;
        if (*p == '\0' && *n == '\\') {
            levels = 0;
            place = n + 1;
        } else {
            levels = 1;
            for (const char* q = p; *q; ++q)
                if (*q == '\\') ++levels;
            place = afterBackslash;
        }
        key = previousKey;
        while (levels-- > 0 && key) key = key->parent;
        if (!key) place = newPath;
    }

    bool created = false;
    if (!key) {
        // Roots are looked up whatever the flag.
        key = FindRoot(place);
        if (!key) {
            key = new (keys, std::nothrow) KeyNode(nullptr, place);
            if (!key) return nullptr;
            roots.push_back(key);
            Created(key, false, 0);
            if (rootTable) rootTable->Started(key);
            created = true;
        }
        char* end = ComponentEnd(place);
        if (*end == '\0') return key;
        place = end + 1;
    }

    for (;;) {
        size_t hash = 0;
        // A key without children has none to find: in an export, listed depth
        // first, that spares the lookup for the first child of every key.
        bool look = !created && lookUpExisting && key->firstChild;
        KeyNode* child = look ? FindKey(key, place, hash) : nullptr;
        if (!child) {
            child = new (keys, std::nothrow) KeyNode(key, place);
            if (!child) return nullptr;
            Created(child, look, hash);
            created = true;
        }
        key = child;
        char* end = ComponentEnd(place);
        if (*end == '\0') return key;
        place = end + 1;
    }
}

std::unique_ptr<char[]> AllocText(size_t size) {
    if (size > SIZE_MAX - kScanPadding) return nullptr;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + kScanPadding]);
    if (text) std::memset(text.get(), 0, size + kScanPadding);
    return text;
}

const char* ReadErrorText(ReadError error) {
    switch (error) {
    case ReadError::None:
        return "no error";
    case ReadError::Open:
        return "the file cannot be opened";
    case ReadError::TooShort:
        return "the file is shorter than 8 bytes";
    case ReadError::Read:
        return "the file cannot be read";
    case ReadError::OutOfMemory:
        return "not enough memory for the file";
    case ReadError::Conversion:
        return "the UTF-16 text cannot be converted";
    case ReadError::Header:
        return "the file has no registry editor header";
    case ReadError::Aborted:
        return "the load was aborted";
    }
    return "unknown error";
}
