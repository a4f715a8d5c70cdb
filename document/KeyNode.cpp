#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "document/ByteSink.h"
#include "document/FailPoint.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"

namespace {

// Slabs are whole granules of 64 KiB, aligned to their size; the first slot
// of each granule holds the pool, and the bytes after its last whole slot
// stay unused. Slabs grow from one granule to 4 MiB, so a small document
// costs little and a huge one few allocations.
constexpr size_t kGranule = size_t(1) << 16;
constexpr size_t kSlot = sizeof(KeyNode);
constexpr size_t kLargestSlab = size_t(1) << 22;
static_assert(kSlot == 56 && alignof(KeyNode) == 8, "a key is seven words; its flags use three low bits");

char* CopyText(const char* text) {
    size_t n = std::strlen(text) + 1;
    char* copy = new char[n];
    std::memcpy(copy, text, n);
    return copy;
}


}  // namespace

// Never destroyed: keys made outside documents may outlive any static.
KeyPool& KeyPool::SharedPool() {
    static KeyPool* pool = new KeyPool(true);
    return *pool;
}

KeyPool* KeyPool::Of(const void* slot) {
    return *reinterpret_cast<KeyPool* const*>(reinterpret_cast<uintptr_t>(slot) & ~(kGranule - 1));
}

void KeyPool::Lock() {
    if (!shared) return;
    while (busy.test_and_set(std::memory_order_acquire)) {
    }
}

void KeyPool::Unlock() {
    if (shared) busy.clear(std::memory_order_release);
}

bool KeyPool::Grow() {
    size_t bytes = slabBytes ? std::min(slabBytes * 2, kLargestSlab) : kGranule;
    void* slab = AllocateAligned(bytes, kGranule);
    if (!slab) return false;
    slabs.push_back(slab);
    slabBytes = bytes;
    next = static_cast<char*>(slab);
    end = next + bytes;
    return true;
}

void* KeyPool::Allocate() {
    if (AllocationFails()) return nullptr;
    Lock();
    void* slot = freeList;
    if (slot) {
        freeList = *static_cast<void**>(slot);
    } else {
        size_t offset = reinterpret_cast<uintptr_t>(next) & (kGranule - 1);
        if (!next || offset == 0 || offset + kSlot > kGranule) {
            char* granule = next && offset ? next + (kGranule - offset) : next;
            if (!granule || granule == end) {
                if (!Grow()) {
                    Unlock();
                    return nullptr;
                }
                granule = next;
            }
            *reinterpret_cast<KeyPool**>(granule) = this;
            next = granule + kSlot;
        }
        slot = next;
        next += kSlot;
    }
    Unlock();
    return slot;
}

std::vector<ValueBlock>* KeyPool::OlderOf(const KeyNode* key) {
    KeyPool* pool = Of(key);
    pool->Lock();
    std::vector<ValueBlock>* blocks = nullptr;
    if (!pool->older.empty()) {
        auto it = pool->older.find(key);
        if (it != pool->older.end()) blocks = it->second;
    }
    pool->Unlock();
    return blocks;
}

void KeyPool::SetOlderOf(const KeyNode* key, std::vector<ValueBlock>* blocks) {
    KeyPool* pool = Of(key);
    pool->Lock();
    if (blocks)
        pool->older[key] = blocks;
    else
        pool->older.erase(key);
    pool->Unlock();
}

// The slot is zeroed: a key noted as an owner and deleted since then reads
// as owning nothing when the pool is released.
void KeyPool::Free(void* slot) {
    KeyPool* pool = Of(slot);
    pool->Lock();
    std::memset(slot, 0, kSlot);
    *static_cast<void**>(slot) = pool->freeList;
    pool->freeList = slot;
    pool->Unlock();
}

void KeyPool::NoteOwner(KeyNode* key) {
    KeyPool* pool = Of(key);
    if (pool->shared) return;  // never released: its keys are deleted one by one
    pool->owners.push_back(key);
}

void KeyPool::Release() {
    for (KeyNode* key : owners) key->FreeOwned();
    owners.clear();
    owners.shrink_to_fit();
    older.clear();
    for (void* slab : slabs) FreeAligned(slab);
    slabs.clear();
    slabs.shrink_to_fit();
    next = end = nullptr;
    freeList = nullptr;
    slabBytes = 0;
}

void* KeyNode::operator new(size_t size) {
    void* p = size == sizeof(KeyNode) ? KeyPool::SharedPool().Allocate() : nullptr;
    if (!p) throw std::bad_alloc();
    return p;
}

void* KeyNode::operator new(size_t size, const std::nothrow_t&) noexcept {
    return size == sizeof(KeyNode) ? KeyPool::SharedPool().Allocate() : nullptr;
}

void* KeyNode::operator new(size_t size, KeyPool& pool, const std::nothrow_t&) noexcept {
    return size == sizeof(KeyNode) ? pool.Allocate() : nullptr;
}

void KeyNode::operator delete(void* p) noexcept {
    if (p) KeyPool::Free(p);
}

void KeyNode::operator delete(void* p, KeyPool&, const std::nothrow_t&) noexcept {
    if (p) KeyPool::Free(p);
}

KeyNode::KeyNode(KeyNode* parentKey, char* borrowedName) : name(borrowedName) {
    if (parentKey) parentKey->AddChild(this);
}

KeyNode::KeyNode(const char* nameToCopy, KeyNode* parentKey) : name(CopyText(nameToCopy)) {
    NoteOwning();
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
        if (!following) up->SetLastChild(nullptr);
        delete node;
        node = following ? following : (up == this ? nullptr : up);
    }
    FreeOwned();
}

void KeyNode::FreeOwned() {
    FreeBlocks();
    if (NameOwned()) delete[] name;
    name = nullptr;
    SetFlag(kNameOwned, false);
}

void KeyNode::AddChild(KeyNode* child) {
    child->parent = this;
    child->nextSibling = nullptr;
    if (KeyNode* previous = LastChild())
        previous->nextSibling = child;
    else
        firstChild = child;
    SetLastChild(child);
}

void KeyNode::InsertChildAfter(KeyNode* child, KeyNode* previous) {
    if (!previous || previous == LastChild()) {
        if (!previous && firstChild) {
            child->parent = this;
            child->nextSibling = firstChild;
            firstChild = child;
            return;
        }
        AddChild(child);
        return;
    }
    child->parent = this;
    child->nextSibling = previous->nextSibling;
    previous->nextSibling = child;
}

KeyNode* KeyNode::PreviousSibling() const {
    if (!parent || parent->firstChild == this) return nullptr;
    KeyNode* k = parent->firstChild;
    while (k && k->nextSibling != this) k = k->nextSibling;
    return k;
}

void KeyNode::RemoveChild(KeyNode* child) {
    KeyNode* previous = nullptr;
    for (KeyNode* k = firstChild; k; previous = k, k = k->nextSibling) {
        if (k != child) continue;
        (previous ? previous->nextSibling : firstChild) = k->nextSibling;
        if (LastChild() == k) SetLastChild(previous);
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
    NoteOwning();
    if (NameOwned()) delete[] name;
    name = copy;
    SetFlag(kNameOwned, true);
}

void KeyNode::SetMainBlock(const ValueBlock& block) {
    if (block.owned) NoteOwning();
    blockText = block.text;
    SetFlag(kBlockOwned, block.owned);
    SetFlag(kBlockDialect5, block.dialect == kRegedit5);
}

void KeyNode::FreeBlocks() {
    if (last & kBlockOwned) delete[] blockText;
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

bool KeyNode::RebuildValueBlock(const ValueList& values, std::vector<ValueBlock>* previous) {
    // Lines that are not values (comments, forms this program does not
    // read) stay with the key, before its values. Deletion lines are values
    // of the list, in its order.
    std::string others;
    ValueList ignored;
    for (size_t i = 0, n = BlockCount(); i < n; ++i) {
        ValueBlock b = Block(i);
        ignored.clear();
        ParseValueBlock(b.text, ignored, b.dialect, &others);
    }
    MemorySink out;
    out.Write(others.data(), others.size());
    for (const auto& entry : values) entry->Write(out);
    // A blank line ends the section, as the registry editor writes one and
    // as blocks read from a file keep theirs: a diff of a saved file shows
    // the values that changed, not a key line moved up against them.
    if (out.Size() > 0) out.Write("\r\n", 2);
    if (out.Failed()) return false;
    bool empty = out.Size() == 0;
    char nul = '\0';
    if (!out.Write(&nul, 1)) return false;
    if (previous)
        TakeBlocks(0, *previous);
    else
        FreeBlocks();
    SetMainBlock({empty ? nullptr : out.Release(), !empty, kRegedit4});
    return true;
}

void KeyNode::TakeBlocks(size_t keep, std::vector<ValueBlock>& taken) {
    size_t count = BlockCount();
    if (keep >= count) return;
    for (size_t i = keep; i < count; ++i) taken.push_back(Block(i));
    // The key lets go of them without freeing: their owner is now `taken`.
    std::vector<ValueBlock>* older = Older();
    if (keep == 0) {
        blockText = nullptr;
        SetFlag(kBlockOwned, false);
        if (older) {
            delete older;
            SetOlder(nullptr);
        }
        return;
    }
    // The block before the first taken one becomes the main block again.
    ValueBlock main = (*older)[keep - 1];
    older->resize(keep - 1);
    if (older->empty()) {
        delete older;
        SetOlder(nullptr);
    }
    SetMainBlock(main);
}

void KeyNode::PutBlocks(std::vector<ValueBlock>& blocks) {
    for (const ValueBlock& block : blocks) AttachValueBlock(block.text, block.owned, block.dialect);
    blocks.clear();
}

void KeyNode::SwapBlocks(std::vector<ValueBlock>& other) {
    std::vector<ValueBlock> mine;
    TakeBlocks(0, mine);
    PutBlocks(other);
    other = std::move(mine);
}

void KeyNode::AttachOlderBlock(const ValueBlock& block) {
    std::vector<ValueBlock>* older = Older();
    if (!older) {
        NoteOwning();
        older = new std::vector<ValueBlock>;
        SetOlder(older);
    }
    older->push_back(block);
}

size_t KeyNode::TextSize() const {
    size_t total = 0;
    ForEachKeyOfBranch(this, [&total](const KeyNode* k) {
        if (!k->HasKeyLine()) return;
        total += std::strlen(k->name) + 4;
        if (k->blockText) total += std::strlen(k->blockText) + 2;
    });
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
