#include "document/RegDocument.h"

#include <cstring>
#include <new>

#include "document/Platform.h"

namespace {

unsigned char Up(char c) { return UpperByte(static_cast<unsigned char>(c)); }

// End of the path component that starts at p (a backslash or the NUL).
char* ComponentEnd(char* p) {
    while (*p && *p != '\\') ++p;
    return p;
}

}  // namespace

RegDocument::RegDocument() = default;

RegDocument::~RegDocument() { Clear(); }

void RegDocument::Clear() {
    for (KeyNode* root : roots) delete root;
    roots.clear();
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
    for (const KeyNode* root : roots) {
        const KeyNode* k = root;
        for (;;) {
            if (k->HasKeyLine()) ++count;
            if (k->firstChild) {
                k = k->firstChild;
                continue;
            }
            while (k != root && !k->nextSibling) k = k->parent;
            if (k == root) break;
            k = k->nextSibling;
        }
    }
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
        for (KeyNode* root : roots) {
            const char* a = root->name;
            const char* b = place;
            bool same = true;
            for (;; ++a, ++b) {
                bool endA = *a == '\0' || *a == '\\';
                bool endB = *b == '\0' || *b == '\\';
                if (endA || endB) {
                    same = endA && endB;
                    break;
                }
                if (Up(*a) != Up(*b)) {
                    same = false;
                    break;
                }
            }
            if (same) {
                key = root;
                break;
            }
        }
        if (!key) {
            key = new (std::nothrow) KeyNode(nullptr, place);
            if (!key) return nullptr;
            roots.push_back(key);
            created = true;
        }
        char* end = ComponentEnd(place);
        if (*end == '\0') return key;
        place = end + 1;
    }

    for (;;) {
        KeyNode* child = (!created && lookUpExisting) ? key->FindChild(place) : nullptr;
        if (!child) {
            child = new (std::nothrow) KeyNode(key, place);
            if (!child) return nullptr;
            created = true;
        }
        key = child;
        char* end = ComponentEnd(place);
        if (*end == '\0') return key;
        place = end + 1;
    }
}

std::unique_ptr<char[]> AllocText(size_t size) {
    if (size > SIZE_MAX - 16) return nullptr;
    std::unique_ptr<char[]> text(new (std::nothrow) char[size + 16]);
    if (text) std::memset(text.get(), 0, size + 16);
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
