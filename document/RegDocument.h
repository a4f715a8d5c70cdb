// The document model: one .reg file's text in buffers the document keeps,
// the key tree laid over it, each key's value lines kept as raw text, and the
// structural operations on that tree. Reading files into text is in
// RegFile.h, the interfaces the parser and writer report to in
// DocumentSinks.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "document/Platform.h"
#include "document/RegDialect.h"
#include "document/ValueEntry.h"

class DocumentEdits;
class KeyNode;
class KeyTreeSink;
class MergeJournal;
struct LineObserver;
class ProgressSink;
struct LoadJob;

// Raw value lines of a key in file form, line breaks included, as program
// text.
struct ValueBlock {
    char* text = nullptr;  // NUL-terminated; null when the key has no value lines
    bool owned = false;    // set: allocated with new char[], freed by the key
    // Of the hex(2) and hex(7) data inside: 4, program text (a "REGEDIT4"
    // file's legacy text is converted when it is parsed); 5, UTF-16LE.
    RegDialect dialect = kRegedit4;
};

// The storage of one document's keys: 64-byte slots cut from large slabs. A
// key finds its pool from its own address (every 64 KiB of a slab starts with
// a pointer to the pool), so a key carries no pool field. Release gives all
// slabs back at once: emptying a document of a million keys walks none of
// them. Keys that own heap memory (a copied name, an edited value block) are
// noted when they first do, and Release frees what those own.
class KeyPool {
public:
    KeyPool() = default;
    ~KeyPool() { Release(); }
    KeyPool(const KeyPool&) = delete;
    KeyPool& operator=(const KeyPool&) = delete;

    // A slot for one key; null when out of memory.
    void* Allocate();
    // Gives a slot back to the pool it came from.
    static void Free(void* slot);
    static void NoteOwner(KeyNode* key);
    // Frees the noted keys' memory and every slab. The keys are gone after.
    void Release();

private:
    friend class KeyNode;
    // The older value blocks of keys that have them (keys whose line came
    // more than once): few keys, so they are kept beside the keys.
    static std::vector<ValueBlock>* OlderOf(const KeyNode* key);
    static void SetOlderOf(const KeyNode* key, std::vector<ValueBlock>* blocks);
    explicit KeyPool(bool sharedPool) : shared(sharedPool) {}
    static KeyPool& SharedPool();
    static KeyPool* Of(const void* slot);
    bool Grow();
    void Lock();
    void Unlock();

    std::vector<void*> slabs;
    std::vector<KeyNode*> owners;
    std::unordered_map<const KeyNode*, std::vector<ValueBlock>*> older;
    char* next = nullptr;
    char* end = nullptr;
    void* freeList = nullptr;
    size_t slabBytes = 0;
    // The process-wide pool of keys made outside a document is shared by
    // threads and never released; a document's pool is used by one thread at
    // a time (the load worker, or the user-interface thread after it).
    bool shared = false;
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
};

// Path components compare as the registry compares key names (NameFold.h):
// every letter without regard to case, "Ä" as "ä"; a backslash or the end of
// either text ends a component.
bool SameComponent(const char* a, const char* b);

class KeyNode {
public:
    // Borrowed name: points into a document buffer (or text that outlives the key).
    KeyNode(KeyNode* parent, char* borrowedName);
    // Owned copy of the name.
    KeyNode(const char* nameToCopy, KeyNode* parent);
    // Destroy: frees owned name and blocks and every descendant, iteratively.
    ~KeyNode();
    KeyNode(const KeyNode&) = delete;
    KeyNode& operator=(const KeyNode&) = delete;

    // Keys come from pools: a key costs 56 bytes and no malloc header. A key
    // of a document comes from the document's pool (new (document.keys,
    // std::nothrow) KeyNode(...)); a plain new takes a process-wide pool, for
    // keys that do not belong to a document.
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void* operator new(size_t size, KeyPool& pool, const std::nothrow_t&) noexcept;
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, KeyPool& pool, const std::nothrow_t&) noexcept;

    void AddChild(KeyNode* child);
    // Links the child in after previous (first when previous is null).
    void InsertChildAfter(KeyNode* child, KeyNode* previous);
    // Unlinks the child from this key's children (not destroyed).
    void RemoveChild(KeyNode* child);
    // The child before this one among its parent's children, or null.
    KeyNode* PreviousSibling() const;
    // First child whose name equals the first path component of name
    // (as SameComponent compares; a backslash ends the component).
    KeyNode* FindChild(const char* name) const;
    void SetName(const char* text);
    void AttachValueBlock(char* text, bool owned, RegDialect dialect);
    // Appends the values of every block in file order. A value set again by a
    // later block (or later in the same block) keeps the position of its first
    // appearance and takes the later data, as a merge of the file would.
    bool CollectValues(ValueList& values) const;
    // Replaces every block by one owned dialect-4 block: the lines of the old
    // blocks that are not values (comments, deletions) first, then values,
    // so that what the list shows is what a merge of the block gives. Leaves
    // the key unchanged and returns false on memory failure. With previous,
    // the old blocks go there (with their ownership) instead of being freed.
    bool RebuildValueBlock(const ValueList& values, std::vector<ValueBlock>* previous = nullptr);
    // Moves the blocks after the first `keep` out of the key into `taken`, in
    // file order, with their ownership.
    void TakeBlocks(size_t keep, std::vector<ValueBlock>& taken);
    // Appends blocks (as TakeBlocks gave them) after the key's own; empties
    // `blocks`: the key owns what they own.
    void PutBlocks(std::vector<ValueBlock>& blocks);
    // Exchanges the key's blocks with `other`.
    void SwapBlocks(std::vector<ValueBlock>& other);
    // Size estimate of this branch's text (see the writer).
    size_t TextSize() const;
    // Whether the writer emits a key line for this key.
    bool HasKeyLine() const { return firstChild == nullptr || blockText != nullptr; }
    KeyNode* LastChild() const { return reinterpret_cast<KeyNode*>(last & ~kFlags); }
    // The key path: names from the root down joined by backslashes.
    std::string Path() const;

    // The main block is the one attached last; older blocks come before it in
    // the file. A key with older blocks always has a main block.
    ValueBlock MainBlock() const { return {blockText, (last & kBlockOwned) != 0, BlockDialect()}; }
    bool HasValueText() const { return blockText != nullptr; }
    size_t OlderBlockCount() const { return Older() ? Older()->size() : 0; }
    const ValueBlock& OlderBlock(size_t i) const { return (*Older())[i]; }
    // Every block in file order: the older blocks, then the main block.
    size_t BlockCount() const { return OlderBlockCount() + (blockText ? 1 : 0); }
    ValueBlock Block(size_t i) const { return i < OlderBlockCount() ? OlderBlock(i) : MainBlock(); }
    bool NameOwned() const { return (last & kNameOwned) != 0; }

    void* viewItem = nullptr;  // the key tree view's item; not owned
    KeyNode* parent = nullptr;
    KeyNode* firstChild = nullptr;
    KeyNode* nextSibling = nullptr;
    char* name = nullptr;  // one path component, NUL-terminated

private:
    // The main block's text, and one word holding the last child (keys are
    // 8-aligned) with three flags in its low bits: a key is 56 bytes.
    static constexpr uintptr_t kNameOwned = 1, kBlockOwned = 2, kBlockDialect5 = 4, kFlags = 7;
    std::vector<ValueBlock>* Older() const { return KeyPool::OlderOf(this); }
    RegDialect BlockDialect() const { return (last & kBlockDialect5) ? kRegedit5 : kRegedit4; }
    void SetOlder(std::vector<ValueBlock>* blocks) { KeyPool::SetOlderOf(this, blocks); }
    void SetLastChild(KeyNode* child) { last = (last & kFlags) | reinterpret_cast<uintptr_t>(child); }
    void SetFlag(uintptr_t flag, bool on) { last = on ? (last | flag) : (last & ~flag); }
    bool OwnsMemory() const { return (last & (kNameOwned | kBlockOwned)) || Older(); }
    // Called before the key takes ownership of memory.
    void NoteOwning() {
        if (!OwnsMemory()) KeyPool::NoteOwner(this);
    }
    // Frees the name, the main block and older blocks where owned.
    void FreeOwned();
    friend class KeyPool;
    void SetMainBlock(const ValueBlock& block);
    void AttachOlderBlock(const ValueBlock& block);
    void FreeBlocks();

    char* blockText = nullptr;
    uintptr_t last = 0;
};

// Visits top and every key below it in document order (pre-order), without
// recursion: the depth is the input's. A visitor that returns bool stops the
// walk by returning false; the walk then returns false.
template <class Key, class Visit>
bool ForEachKeyOfBranch(Key* top, Visit&& visit) {
    Key* k = top;
    for (;;) {
        if constexpr (std::is_same_v<decltype(visit(k)), bool>) {
            if (!visit(k)) return false;
        } else {
            visit(k);
        }
        if (k->firstChild) {
            k = k->firstChild;
            continue;
        }
        while (k != top && !k->nextSibling) k = k->parent;
        if (k == top) return true;
        k = k->nextSibling;
    }
}

// The same over the branches below each of roots, in order.
template <class Visit>
bool ForEachKey(const std::vector<KeyNode*>& roots, Visit&& visit) {
    for (KeyNode* root : roots)
        if (!ForEachKeyOfBranch(root, visit)) return false;
    return true;
}

// How a parse of a text into a document ended. Only a parse that read the
// whole text is a success: one stopped by the user or by memory leaves the
// keys it read in the document, and the caller decides what they mean (a
// merge's effect for an import; nothing for an open, which drops them).
enum class ParseEnd : uint8_t { Complete, Stopped, OutOfMemory, NoHeader };
struct [[nodiscard]] ParseResult {
    ParseEnd end = ParseEnd::Complete;
    size_t keys = 0;  // key lines taken into the document
    explicit operator bool() const { return end == ParseEnd::Complete; }
};

// Holds a document's abort flag at 0 for a parse that no worker runs (paste,
// import from the registry) and puts it back to its resting value 1.
class ParseScope {
public:
    explicit ParseScope(std::atomic<int32_t>& flag) : abort(flag) { abort.exchange(0); }
    ~ParseScope() { abort.exchange(1); }
    ParseScope(const ParseScope&) = delete;
    ParseScope& operator=(const ParseScope&) = delete;

private:
    std::atomic<int32_t>& abort;
};

class RegDocument {
public:
    RegDocument();
    ~RegDocument();
    RegDocument(const RegDocument&) = delete;
    RegDocument& operator=(const RegDocument&) = delete;

    // Drops all keys and frees all buffers at once; clears unicode. The view
    // is emptied by its owner.
    void Clear();
    // Parses a NUL-terminated text into the document. The buffer must come
    // from AllocText or ReadRegFile: the scanners rely on the padding they
    // leave after the text. The document keeps the buffer whenever a key
    // came from it (also when the parse stopped early); without a valid
    // header it is freed with nothing changed. length is
    // the progress 100% mark. The abort flag must be 0: a worker
    // runner or a ParseScope holds it there. legacyCharData: the text is a
    // file's, whose dialect-4 character data is legacy text; it becomes
    // program text like the rest (else it is program text already). A parse
    // into a document without keys takes the text before the first key line
    // as the document's preamble.
    ParseResult ParseText(std::unique_ptr<char[]> text, KeyTreeSink* view, size_t length, bool checkDuplicates,
                          bool lookUpFirstKey, bool legacyCharData = false);
    // Reads and parses the job's file and fills in what the read found.
    // The caller sets abort to 0 before (the worker runner does, before the
    // worker starts), so that a stop request is never lost. A load that does
    // not read the whole file fails: stopped by the user it says
    // ReadError::Aborted, by memory ReadError::OutOfMemory. A load that
    // clears first then leaves an empty document, never a part of the file;
    // an import keeps the keys merged so far (job.keys says how many).
    bool Load(LoadJob& job);
    void AddRootKey(KeyNode* key);
    // Unlinks the key from its parent, or from the top level, and destroys it
    // with its branch.
    void DeleteKey(KeyNode* key);
    size_t CountKeysToWrite() const;
    void SetFileName(const char* newPath, const char* newTitle);
    // Keeps a text buffer alive as long as the document (keys point into it).
    void AdoptBuffer(std::unique_ptr<char[]> buffer);

    class ChildIndex;

    std::string path;
    std::string title;
    // The file at path as this document last read or wrote it.
    FileStamp diskStamp;
    // The file as another program left it when the user last chose to keep
    // this document over it: that change is not asked about again.
    FileStamp declinedStamp;
    bool modified = false;
    bool unicode = false;
    RegDialect dialect = kRegedit5;
    KeyPool keys;  // every key of the document lives here
    // Counts the times keys were destroyed (DeleteKey, Clear): whoever keeps
    // key pointers past a change of the document sees that they may be gone.
    uint64_t keysDropped = 0;
    std::vector<KeyNode*> roots;
    std::vector<std::unique_ptr<char[]>> buffers;
    // The text between the header line and the first key line of the file
    // the document was read from (comments saying what the file does), line
    // breaks included, as program text. A whole-document save writes it back.
    std::string preamble;
    std::atomic<int32_t> abort{1};
    // Every edit of the loaded document goes through here (and is recorded
    // for undo).
    std::unique_ptr<DocumentEdits> edits;
    // Told of the keys a parse makes and the blocks it adds while a merge is
    // recorded; not owned.
    MergeJournal* journal = nullptr;
    ProgressSink* owner = nullptr;  // not owned
    // Told of every key line a parse reads (the check of a file); not owned.
    LineObserver* observer = nullptr;

private:
    // The key of a key line's path (backslashes between its components),
    // found or created; null when out of memory.
    KeyNode* FindOrCreateKey(char* newPath, bool lookUpExisting);
    // The loop of ParseText over the key lines of a text with a valid header.
    void ParseKeyLines(char* text, KeyTreeSink* view, size_t length, bool checkDuplicates, bool lookUpFirstKey,
                       bool legacyCharData, ParseResult& result);
    size_t SharedComponents(const char* newPath) const;
    // The previous key line's components become the keys' names: its
    // backslashes turn into NULs.
    void FinishPath();
    void StartPath();
    KeyNode* FindKey(KeyNode* parent, const char* name, size_t hash) const;
    void Created(KeyNode* key, size_t hash);
    void StartLookupIndex(size_t textLength);
    void StopLookupIndex();
    KeyNode* FindRoot(const char* name) const;
    void StartRootTable();
    void StopRootTable();

    // Set while a parse with duplicate checking runs: the children of the
    // keys on the path by name, so that wide keys are not searched child by
    // child.
    ChildIndex* index = nullptr;
    class RootTable;
    RootTable* rootTable = nullptr;
    // While a parse runs: the previous key line's path text and, per
    // component, its key and where the component lies in that text.
    struct PathStep {
        KeyNode* key;
        size_t begin, end;
    };
    std::vector<PathStep> steps;
    char* stepsPath = nullptr;
};

// A new NUL-filled text buffer for size bytes of text and its terminators
// (null when out of memory).
std::unique_ptr<char[]> AllocText(size_t size);
