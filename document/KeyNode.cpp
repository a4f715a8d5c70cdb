#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"

namespace {

// Keys of all documents come from one pool of 64-byte slots: a huge file has
// millions of keys, and a general-purpose allocator would add its header and
// rounding to every one. The slabs go back to the system when the last key of
// the process is freed (a closed or cleared document).
class NodePool {
public:
    void* Allocate() {
        Lock();
        void* p = freeList;
        if (p) {
            freeList = *static_cast<void**>(p);
        } else {
            if (left == 0 && !Grow()) {
                Unlock();
                return nullptr;
            }
            p = next;
            next += sizeof(KeyNode);
            --left;
        }
        ++live;
        Unlock();
        return p;
    }

    void Free(void* p) {
        Lock();
        *static_cast<void**>(p) = freeList;
        freeList = p;
        if (--live == 0) Release();
        Unlock();
    }

private:
    struct Slab {
        Slab* previous;
    };

    bool Grow() {
        size_t bytes = sizeof(Slab) + slabNodes * sizeof(KeyNode);
        Slab* slab = static_cast<Slab*>(std::malloc(bytes + alignof(KeyNode)));
        if (!slab) return false;
        slab->previous = slabs;
        slabs = slab;
        next = reinterpret_cast<char*>(slab) + ((sizeof(Slab) + alignof(KeyNode) - 1) / alignof(KeyNode)) * alignof(KeyNode);
        left = slabNodes;
        if (slabNodes < (1u << 16)) slabNodes *= 2;
        return true;
    }

    void Release() {
        while (slabs) {
            Slab* previous = slabs->previous;
            std::free(slabs);
            slabs = previous;
        }
        freeList = nullptr;
        next = nullptr;
        left = 0;
        slabNodes = 256;
    }

    // A spin lock: taken once per key, almost never contended (keys are made
    // by one thread at a time), and far cheaper than a mutex.
    void Lock() {
        while (busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    void Unlock() { busy.clear(std::memory_order_release); }

    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    void* freeList = nullptr;
    Slab* slabs = nullptr;
    char* next = nullptr;
    size_t left = 0;
    size_t live = 0;
    size_t slabNodes = 256;
};

// Never destroyed: keys of static documents may outlive any static pool.
NodePool& Pool() {
    static NodePool* pool = new NodePool;
    return *pool;
}

char* CopyText(const char* text) {
    size_t n = std::strlen(text) + 1;
    char* copy = new char[n];
    std::memcpy(copy, text, n);
    return copy;
}

// Path components compare byte by byte with the single-byte case mapping; a
// backslash or the end of either text ends a component.
bool SameComponent(const char* a, const char* b) {
    const unsigned char* upper = UpperTable();
    for (;; ++a, ++b) {
        bool endA = *a == '\0' || *a == '\\';
        bool endB = *b == '\0' || *b == '\\';
        if (endA || endB) return endA && endB;
        if (upper[static_cast<unsigned char>(*a)] != upper[static_cast<unsigned char>(*b)]) return false;
    }
}

}  // namespace

void* KeyNode::operator new(size_t size) {
    void* p = size == sizeof(KeyNode) ? Pool().Allocate() : nullptr;
    if (!p) throw std::bad_alloc();
    return p;
}

void* KeyNode::operator new(size_t size, const std::nothrow_t&) noexcept {
    return size == sizeof(KeyNode) ? Pool().Allocate() : nullptr;
}

void KeyNode::operator delete(void* p) noexcept {
    if (p) Pool().Free(p);
}

KeyNode::KeyNode(KeyNode* parentKey, char* borrowedName) : name(borrowedName) {
    if (parentKey) parentKey->AddChild(this);
}

KeyNode::KeyNode(const char* nameToCopy, KeyNode* parentKey) : name(CopyText(nameToCopy)) {
    SetFlag(kNameOwned, true);
    if (parentKey) parentKey->AddChild(this);
}

KeyNode::~KeyNode() {
    // Descendants go without recursion, so that no depth of nesting can
    // overflow the stack: each key is unlinked from its parent once it is a
    // leaf, and deleted then.
    KeyNode* node = firstChild;
    while (node) {
        if (node->firstChild) {
            node = node->firstChild;
            continue;
        }
        KeyNode* up = node->parent;
        KeyNode* following = node->nextSibling;
        up->firstChild = following;
        if (!following) up->lastChild = nullptr;
        delete node;
        node = following ? following : (up == this ? nullptr : up);
    }
    FreeBlocks();
    if (NameOwned()) delete[] name;
}

void KeyNode::AddChild(KeyNode* child) {
    child->parent = this;
    child->nextSibling = nullptr;
    if (lastChild)
        lastChild->nextSibling = child;
    else
        firstChild = child;
    lastChild = child;
}

void KeyNode::RemoveChild(KeyNode* child) {
    KeyNode* previous = nullptr;
    for (KeyNode* k = firstChild; k; previous = k, k = k->nextSibling) {
        if (k != child) continue;
        (previous ? previous->nextSibling : firstChild) = k->nextSibling;
        if (lastChild == k) lastChild = previous;
        k->parent = nullptr;
        k->nextSibling = nullptr;
        return;
    }
}

KeyNode* KeyNode::FindChild(const char* childName) const {
    for (KeyNode* k = firstChild; k; k = k->nextSibling)
        if (SameComponent(k->name, childName)) return k;
    return nullptr;
}

void KeyNode::SetName(const char* text) {
    char* copy = CopyText(text);
    if (NameOwned()) delete[] name;
    name = copy;
    SetFlag(kNameOwned, true);
}

void KeyNode::SetMainBlock(const ValueBlock& block) {
    blockText = block.text;
    SetFlag(kBlockOwned, block.owned);
    SetFlag(kBlockDialect5, block.dialect == kRegedit5);
}

void KeyNode::FreeBlocks() {
    if (bits & kBlockOwned) delete[] blockText;
    blockText = nullptr;
    SetFlag(kBlockOwned, false);
    if (std::vector<ValueBlock>* older = Older()) {
        for (const ValueBlock& b : *older)
            if (b.owned) delete[] b.text;
        delete older;
        SetOlder(nullptr);
    }
}

void KeyNode::AttachValueBlock(char* text, bool owned, RegDialect dialect) {
    if (blockText) AttachOlderBlock(MainBlock());
    SetMainBlock({text, owned, dialect});
}

// A key whose section comes more than once in a file holds one block per
// section. A merge applies them in file order, so the value a name has is the
// one its last line in file order sets; the list keeps the position of the
// name's first appearance, which keeps the rows stable.
bool KeyNode::CollectValues(ValueList& values) const {
    size_t count = BlockCount();
    for (size_t i = 0; i < count; ++i) {
        ValueBlock b = Block(i);
        if (i == 0) {
            ParseValueBlock(b.text, values, b.dialect);
            continue;
        }
        ValueList later;
        ParseValueBlock(b.text, later, b.dialect);
        for (auto& entry : later) {
            bool replaced = false;
            for (auto& existing : values) {
                if (CompareNoCase(existing->GetName().c_str(), entry->GetName().c_str()) == 0) {
                    existing = std::move(entry);
                    replaced = true;
                    break;
                }
            }
            if (!replaced) values.push_back(std::move(entry));
        }
    }
    return true;
}

bool KeyNode::RebuildValueBlock(const ValueList& values) {
    // Lines that are not values (comments, deletions, forms this program
    // does not read) stay with the key, before its values: a deletion of a
    // name the list shows must not undo the value written for it. A string
    // left open takes in every quote after it, so each block's open tail must
    // end a block: the first ends the new block, any further one gets a block
    // of its own after it.
    std::string others;
    std::vector<std::string> tails;
    ValueList ignored;
    for (size_t i = 0, n = BlockCount(); i < n; ++i) {
        ValueBlock b = Block(i);
        std::string tail;
        ignored.clear();
        ParseValueBlock(b.text, ignored, b.dialect, &others, &tail);
        if (!tail.empty()) tails.push_back(std::move(tail));
    }
    MemorySink out;
    out.Write(others.data(), others.size());
    for (const auto& entry : values) entry->Write(out);
    if (!tails.empty()) out.Write(tails[0].data(), tails[0].size());
    if (out.Failed()) return false;
    bool empty = out.Size() == 0;
    char nul = '\0';
    if (!out.Write(&nul, 1)) return false;
    std::vector<char*> extra;
    for (size_t i = 1; i < tails.size(); ++i) {
        char* copy = new (std::nothrow) char[tails[i].size() + 1];
        if (!copy) {
            for (char* c : extra) delete[] c;
            return false;
        }
        std::memcpy(copy, tails[i].c_str(), tails[i].size() + 1);
        extra.push_back(copy);
    }
    FreeBlocks();
    // In file order: the rebuilt block, then the further tails; the last of
    // them is the main block.
    SetMainBlock({empty ? nullptr : out.Release(), !empty, kRegedit4});
    for (char* c : extra) AttachValueBlock(c, true, kRegedit4);
    return true;
}

void KeyNode::AttachOlderBlock(const ValueBlock& block) {
    std::vector<ValueBlock>* older = Older();
    if (!older) {
        older = new std::vector<ValueBlock>;
        SetOlder(older);
    }
    older->push_back(block);
}

size_t KeyNode::TextSize() const {
    size_t total = 0;
    const KeyNode* k = this;
    for (;;) {
        if (k->HasKeyLine()) {
            total += std::strlen(k->name) + 4;
            if (k->blockText) total += std::strlen(k->blockText) + 2;
        }
        if (k->firstChild) {
            k = k->firstChild;
            continue;
        }
        while (k != this && !k->nextSibling) k = k->parent;
        if (k == this) break;
        k = k->nextSibling;
    }
    return total;
}

std::string KeyNode::Path() const {
    size_t length = 0;
    for (const KeyNode* k = this; k; k = k->parent) length += std::strlen(k->name) + 1;
    std::string path(length - 1, '\0');
    size_t end = length - 1;
    for (const KeyNode* k = this; k; k = k->parent) {
        size_t n = std::strlen(k->name);
        end -= n;
        std::memcpy(&path[end], k->name, n);
        if (end) path[--end] = '\\';
    }
    return path;
}
