// The record of a document's edits: each step holds the changes one command
// made, in a form that takes them back (undo) and makes them again (redo) in
// the size of the change, never of the document. Keys that leave the
// document stay alive in the step that took them out, so the pointers that
// later steps hold stay good whichever way the history moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "document/RegDocument.h"

// What a step did, for the names of the Undo and Redo commands.
enum class EditKind : uint8_t {
    NewKey,
    RenameKey,
    DeleteKey,
    NewValue,
    RenameValue,
    DeleteValues,
    ModifyValue,
    Paste,
    Drop,
    ImportFromRegistry,
    ImportFile,
    Cut,
};
constexpr size_t kEditKindCount = 12;

// One change of the document that can be taken back and made again.
struct EditChange {
    enum class Type : uint8_t {
        Attach,    // key (with its branch) joined parent after previous
        Detach,    // key (with its branch) left parent, where it stood after previous
        Rename,    // the key's name was text; text holds the other name
        Blocks,    // the key's value blocks were exchanged with `blocks`
        Appended,  // blocks were added after the key's first `keep`; undone, `blocks` holds them
        Preamble,  // the document's preamble was text; text holds the other one
    };
    Type type;
    KeyNode* key = nullptr;
    KeyNode* parent = nullptr;
    KeyNode* previous = nullptr;
    size_t keep = 0;
    std::vector<ValueBlock> blocks;
    std::string text;

    EditChange(Type t, KeyNode* k) : type(t), key(k) {}
    // Lets go of what the change holds: the blocks it owns and, when the key
    // is out of the document in the change's current state, the key's branch.
    // keysGone: the document's keys were released already (only the blocks
    // go).
    void Drop(bool done, bool keysGone);
};

struct EditStep {
    EditKind kind;
    std::vector<EditChange> changes;
    size_t bytes = 0;  // memory the step keeps alive, roughly
};

// Told what an undo, a redo or an edit changed, so that whatever shows the
// document follows. The key tree and the value list follow through the one
// observer of a document window.
class EditObserver {
public:
    virtual ~EditObserver() = default;
    virtual void KeyAdded(KeyNode* key) = 0;      // joined the document, with its branch
    virtual void KeyRemoving(KeyNode* key) = 0;   // about to leave it, with its branch
    virtual void KeyRemoved(KeyNode* parent) = 0; // left it: parent (null: the top level) may have no children now
    virtual void KeyRenamed(KeyNode* key) = 0;
    virtual void ValuesChanged(KeyNode* key) = 0;
    // The modified state or the history changed: caption and command states.
    virtual void Edited() = 0;
};

class EditHistory {
public:
    static constexpr size_t kNever = SIZE_MAX;
    static constexpr size_t kDefaultLimit = size_t(256) << 20;

    explicit EditHistory(RegDocument& document) : document_(document) {}
    ~EditHistory() { Forget(false); }
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Records a step that has been done; the steps undone before it go.
    void Record(EditStep step);
    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    EditKind UndoKind() const { return steps_[position_ - 1].kind; }
    EditKind RedoKind() const { return steps_[position_].kind; }
    // Takes back the last step done; the key the user should see after it
    // (null when none is left to show).
    KeyNode* Undo(EditObserver* observer);
    KeyNode* Redo(EditObserver* observer);

    // The document now equals its file (saved, or loaded).
    void MarkSaved() { saved_ = position_; }
    // No state of the history equals a file (a document made, not read).
    void MarkUnsaved() { saved_ = kNever; }
    bool AtSavedState() const { return saved_ == position_; }
    // Drops every step; keysGone: the document released its keys already.
    void Forget(bool keysGone);
    // The memory the history may keep; the oldest steps drop first.
    void SetLimit(size_t bytes);
    size_t Bytes() const { return bytes_; }
    size_t Steps() const { return steps_.size(); }

    // Makes a change (as redo does) or takes it back (as undo does).
    void Apply(EditChange& change, EditObserver* observer);
    void Revert(EditChange& change, EditObserver* observer);

private:
    void DropOldest();
    void DropUndone();
    void Attach(KeyNode* key, KeyNode* parent, KeyNode* previous, EditObserver* observer);
    void Detach(KeyNode* key, EditObserver* observer);

    RegDocument& document_;
    std::deque<EditStep> steps_;
    size_t position_ = 0;  // steps done; the rest are undone
    size_t saved_ = 0;
    size_t bytes_ = 0;
    size_t limit_ = kDefaultLimit;
};

// Memory a branch of keys keeps alive, roughly: its keys and its text.
size_t BranchBytes(const KeyNode* key);
