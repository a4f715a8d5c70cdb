#include "document/EditHistory.h"

#include <cstring>
#include <utility>

namespace {

void FreeBlocks(std::vector<ValueBlock>& blocks) {
    for (const ValueBlock& b : blocks)
        if (b.owned) delete[] b.text;
    blocks.clear();
}

size_t BlocksBytes(const std::vector<ValueBlock>& blocks) {
    size_t bytes = 0;
    for (const ValueBlock& b : blocks)
        if (b.owned && b.text) bytes += std::strlen(b.text) + 1;
    return bytes;
}

// Whether the change's key is out of the document in the state given.
bool KeyIsOut(const EditChange& change, bool done) {
    return (change.type == EditChange::Type::Attach && !done) || (change.type == EditChange::Type::Detach && done);
}

}  // namespace

size_t BranchBytes(const KeyNode* key) {
    size_t bytes = 0;
    ForEachKeyOfBranch(key, [&bytes](const KeyNode* k) {
        bytes += sizeof(KeyNode);
        if (k->NameOwned()) bytes += std::strlen(k->name) + 1;
        for (size_t i = 0, n = k->BlockCount(); i < n; ++i) {
            ValueBlock b = k->Block(i);
            if (b.owned && b.text) bytes += std::strlen(b.text) + 1;
        }
    });
    return bytes;
}

void EditChange::Drop(bool done, bool keysGone) {
    FreeBlocks(blocks);
    if (!keysGone && key && KeyIsOut(*this, done)) delete key;
    key = nullptr;
}

void EditHistory::Record(EditStep step) {
    DropUndone();
    for (const EditChange& change : step.changes) step.bytes += BlocksBytes(change.blocks) + change.text.size();
    step.bytes += sizeof(EditStep) + step.changes.size() * sizeof(EditChange);
    bytes_ += step.bytes;
    steps_.push_back(std::move(step));
    ++position_;
    while (bytes_ > limit_ && !steps_.empty()) DropOldest();
    document_.modified = !AtSavedState();
}

void EditHistory::DropOldest() {
    EditStep& step = steps_.front();
    bool done = position_ > 0;
    for (EditChange& change : step.changes) change.Drop(done, false);
    bytes_ -= step.bytes;
    steps_.pop_front();
    if (position_ > 0) --position_;
    saved_ = saved_ == 0 || saved_ == kNever ? kNever : saved_ - 1;
}

void EditHistory::DropUndone() {
    while (steps_.size() > position_) {
        EditStep& step = steps_.back();
        for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) it->Drop(false, false);
        bytes_ -= step.bytes;
        steps_.pop_back();
    }
    if (saved_ != kNever && saved_ > position_) saved_ = kNever;
}

void EditHistory::Forget(bool keysGone) {
    for (size_t i = steps_.size(); i-- > 0;) {
        bool done = i < position_;
        for (auto it = steps_[i].changes.rbegin(); it != steps_[i].changes.rend(); ++it) it->Drop(done, keysGone);
    }
    steps_.clear();
    position_ = 0;
    saved_ = 0;
    bytes_ = 0;
}

void EditHistory::SetLimit(size_t bytes) {
    limit_ = bytes;
    while (bytes_ > limit_ && !steps_.empty() && position_ > 0) DropOldest();
}

// The key goes back where it stood: after `previous`, or first.
void EditHistory::Attach(KeyNode* key, KeyNode* parent, KeyNode* previous, EditObserver* observer) {
    if (parent) {
        parent->InsertChildAfter(key, previous);
    } else {
        std::vector<KeyNode*>& roots = document_.roots;
        size_t at = 0;
        if (previous) {
            while (at < roots.size() && roots[at] != previous) ++at;
            at = at < roots.size() ? at + 1 : roots.size();
        }
        key->parent = nullptr;
        key->nextSibling = nullptr;
        roots.insert(roots.begin() + static_cast<std::ptrdiff_t>(at), key);
    }
    if (observer) observer->KeyAdded(key);
}

void EditHistory::Detach(KeyNode* key, EditObserver* observer) {
    if (observer) observer->KeyRemoving(key);
    KeyNode* parent = key->parent;
    ++document_.keysDropped;
    if (parent) {
        parent->RemoveChild(key);
    } else {
        std::vector<KeyNode*>& roots = document_.roots;
        for (size_t i = 0; i < roots.size(); ++i) {
            if (roots[i] != key) continue;
            roots.erase(roots.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    if (observer) observer->KeyRemoved(parent);
}

void EditHistory::Revert(EditChange& change, EditObserver* observer) {
    using Type = EditChange::Type;
    switch (change.type) {
    case Type::Attach:
        change.parent = change.key->parent;
        change.previous = change.parent ? change.key->PreviousSibling() : nullptr;
        if (!change.parent) {
            const std::vector<KeyNode*>& roots = document_.roots;
            for (size_t i = 1; i < roots.size(); ++i)
                if (roots[i] == change.key) change.previous = roots[i - 1];
        }
        Detach(change.key, observer);
        break;
    case Type::Detach:
        Attach(change.key, change.parent, change.previous, observer);
        break;
    case Type::Appended:
        change.key->TakeBlocks(change.keep, change.blocks);
        if (observer) observer->ValuesChanged(change.key);
        break;
    default:
        Apply(change, observer);  // the rest are exchanges: the same both ways
        break;
    }
}

void EditHistory::Apply(EditChange& change, EditObserver* observer) {
    using Type = EditChange::Type;
    switch (change.type) {
    case Type::Attach:
        Attach(change.key, change.parent, change.previous, observer);
        break;
    case Type::Detach:
        Detach(change.key, observer);
        break;
    case Type::Rename: {
        std::string other = change.key->name;
        change.key->SetName(change.text.c_str());
        change.text = std::move(other);
        if (observer) observer->KeyRenamed(change.key);
        break;
    }
    case Type::Blocks:
        change.key->SwapBlocks(change.blocks);
        if (observer) observer->ValuesChanged(change.key);
        break;
    case Type::Appended:
        change.key->PutBlocks(change.blocks);
        if (observer) observer->ValuesChanged(change.key);
        break;
    case Type::Preamble:
        std::swap(document_.preamble, change.text);
        break;
    }
}

// The step's first change names what the user acted on.
KeyNode* EditHistory::Undo(EditObserver* observer) {
    if (!CanUndo()) return nullptr;
    EditStep& step = steps_[position_ - 1];
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) Revert(*it, observer);
    --position_;
    document_.modified = !AtSavedState();
    if (observer) observer->Edited();
    if (step.changes.empty()) return nullptr;
    const EditChange& first = step.changes.front();
    return first.type == EditChange::Type::Attach ? first.parent : first.key;
}

KeyNode* EditHistory::Redo(EditObserver* observer) {
    if (!CanRedo()) return nullptr;
    EditStep& step = steps_[position_];
    for (EditChange& change : step.changes) Apply(change, observer);
    ++position_;
    document_.modified = !AtSavedState();
    if (observer) observer->Edited();
    if (step.changes.empty()) return nullptr;
    const EditChange& first = step.changes.front();
    return first.type == EditChange::Type::Detach ? first.parent : first.key;
}
