// The one door through which a loaded document changes: every edit of keys
// and values, and every merge of a text into it, is a named operation here.
// Each checks its input and says why it refuses, records in the history how
// to take it back, keeps the modified state true to the history, and tells
// the document's observer what changed. The rules for names live here too:
// how key names compare, when a name is taken, which free name a new or
// pasted item gets.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "document/EditHistory.h"
#include "document/RegDocument.h"

class KeyTreeSink;

// Why an operation changed nothing.
enum class EditRefusal : uint8_t {
    None,
    EmptyName,    // a key needs a name
    Backslash,    // a key name holds a backslash: the file would name another key
    NameTaken,    // a sibling has the name
    OutOfMemory,
};

// Whether two key names are the same name, as the registry compares them:
// letters without regard to case, beyond ASCII too.
bool SameKeyName(const char* a, const char* b);

// Whether a value of `values` other than `except` has the name (as stored,
// escaped), without regard to case: a key holds one value of a name.
bool ValueNameTaken(const ValueList& values, const std::string& name, const ValueEntry* except = nullptr);

// The first name made from `format` (one "%u") and the numbers first, first+1,
// ... that `taken` does not report as taken ("New Key #1").
std::string FreeName(const std::string& format, unsigned first, const std::function<bool(const std::string&)>& taken);
// The first of name, "name #first", "name #first+1", ... that `taken` lets
// through (a pasted item's name).
std::string FreeSuffixedName(const std::string& name, int first,
                             const std::function<bool(const std::string&)>& taken);

// What a merge of a text does to keys the document had before it: new keys
// below them, and value blocks added to them. The parser reports here while
// a merge records (it may run on a worker).
class MergeJournal {
public:
    void KeyCreated(KeyNode* key);
    void BlockAttaching(KeyNode* key);

private:
    friend class DocumentEdits;
    std::vector<EditChange> changes;
    std::unordered_set<const KeyNode*> created;
    std::unordered_set<const KeyNode*> appended;
};

class DocumentEdits {
public:
    explicit DocumentEdits(RegDocument& document) : document_(document), history_(document) {}
    DocumentEdits(const DocumentEdits&) = delete;
    DocumentEdits& operator=(const DocumentEdits&) = delete;

    // Told of every change; not owned, may be null.
    EditObserver* observer = nullptr;

    // --- names
    // Whether parent (null: the top level) has a child named name, other
    // than `except`.
    bool HasChildNamed(const KeyNode* parent, const char* name, const KeyNode* except = nullptr) const;
    // A free name for a new child of parent from `format` ("New Key #%u").
    std::string FreeKeyName(const KeyNode* parent, const std::string& format, unsigned first) const;
    // The name a key named `name` takes when pasted below parent.
    std::string FreePastedKeyName(const KeyNode* parent, const std::string& name) const;

    // --- keys
    // A new key named name below parent (null: the top level), last among
    // its siblings; null with the reason when refused.
    KeyNode* AddKey(KeyNode* parent, const char* name, EditRefusal* refusal = nullptr);
    EditRefusal RenameKey(KeyNode* key, const char* name);
    // The key leaves the document with its branch; the history keeps it.
    void DeleteKey(KeyNode* key, EditKind kind = EditKind::DeleteKey);

    // --- values
    // The key's values become `values` (one block written from them; lines
    // that are not values stay). The list that handed them in shows them
    // already: the observer hears only that the document changed.
    bool SetValues(KeyNode* key, const ValueList& values, EditKind kind);
    // The lines of `text` (value lines in "REGEDIT4" form) join the key as a
    // new block: values of the same name take its data.
    bool AddValueBlock(KeyNode* key, const char* text, EditKind kind);

    // --- merges
    // A merge records what the parser does between these two calls: Begin
    // before the document's ParseText or Load (on any thread), End after it,
    // on the thread that owns the history. End records a step when anything
    // came in, also from a merge stopped early.
    void BeginMerge();
    void EndMerge(EditKind kind);
    // ParseText as one recorded step.
    ParseResult MergeText(EditKind kind, std::unique_ptr<char[]> text, KeyTreeSink* view, size_t length,
                          bool checkDuplicates, bool lookUpFirstKey);

    // --- history
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    EditKind UndoKind() const { return history_.UndoKind(); }
    EditKind RedoKind() const { return history_.RedoKind(); }
    // Takes back (or makes again) one step; the key to show after it.
    KeyNode* Undo() { return history_.Undo(observer); }
    KeyNode* Redo() { return history_.Redo(observer); }
    // The document now equals its file; saving in another dialect or
    // encoding is no edit either.
    void MarkSaved();
    // A document no file holds (a comparison's result): modified until saved.
    void MarkUnsaved();
    void SetHistoryLimit(size_t bytes) { history_.SetLimit(bytes); }
    const EditHistory& History() const { return history_; }
    // The document drops its keys: so does the history. keysGone: they are
    // released already, or are about to be all at once.
    void Forget(bool keysGone) {
        history_.Forget(keysGone);
        journal_.reset();
    }

private:
    void Record(EditKind kind, std::vector<EditChange> changes);
    void Edited();

    RegDocument& document_;
    EditHistory history_;
    std::unique_ptr<MergeJournal> journal_;
    std::string preambleBefore_;
};
