#include "document/DocumentEdits.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "document/Platform.h"

namespace {

std::string FormatNumber(const std::string& format, unsigned number) {
    int n = snprintf(nullptr, 0, format.c_str(), number);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    snprintf(out.data(), out.size(), format.c_str(), number);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

bool SameKeyName(const char* a, const char* b) { return SameComponent(a, b); }

bool ValueNameTaken(const ValueList& values, const std::string& name, const ValueEntry* except) {
    for (const auto& value : values)
        if (value.get() != except && CompareNoCase(value->GetName().c_str(), name.c_str()) == 0) return true;
    return false;
}

std::string FreeName(const std::string& format, unsigned first,
                     const std::function<bool(const std::string&)>& taken) {
    for (unsigned n = first;; ++n) {
        std::string candidate = FormatNumber(format, n);
        // A counter that wrapped around would loop for ever; every name is taken.
        if (!taken(candidate) || n + 1 == first) return candidate;
    }
}

std::string FreeSuffixedName(const std::string& name, int first,
                             const std::function<bool(const std::string&)>& taken) {
    if (!taken(name)) return name;
    for (int n = first;; ++n) {
        std::string candidate = name + " #" + std::to_string(n);
        if (!taken(candidate) || n + 1 == first) return candidate;
    }
}

void MergeJournal::KeyCreated(KeyNode* key) {
    created.insert(key);
    // A key below one the merge made goes with that one.
    if (key->parent && created.count(key->parent)) return;
    EditChange change(EditChange::Type::Attach, key);
    change.parent = key->parent;
    changes.push_back(std::move(change));
}

void MergeJournal::BlockAttaching(KeyNode* key) {
    if (created.count(key) || !appended.insert(key).second) return;
    EditChange change(EditChange::Type::Appended, key);
    change.keep = key->BlockCount();
    changes.push_back(std::move(change));
}

bool DocumentEdits::HasChildNamed(const KeyNode* parent, const char* name, const KeyNode* except) const {
    if (!parent) {
        for (const KeyNode* root : document_.roots)
            if (root != except && SameKeyName(root->name, name)) return true;
        return false;
    }
    for (const KeyNode* child = parent->firstChild; child; child = child->nextSibling)
        if (child != except && SameKeyName(child->name, name)) return true;
    return false;
}

std::string DocumentEdits::FreeKeyName(const KeyNode* parent, const std::string& format, unsigned first) const {
    return FreeName(format, first,
                    [&](const std::string& candidate) { return HasChildNamed(parent, candidate.c_str()); });
}

std::string DocumentEdits::FreePastedKeyName(const KeyNode* parent, const std::string& name) const {
    return FreeSuffixedName(name, 0,
                            [&](const std::string& candidate) { return HasChildNamed(parent, candidate.c_str()); });
}

void DocumentEdits::Record(EditKind kind, std::vector<EditChange> changes) {
    EditStep step{kind, std::move(changes), 0};
    for (const EditChange& change : step.changes)
        if (change.type == EditChange::Type::Detach) step.bytes += BranchBytes(change.key);
    history_.Record(std::move(step));
}

void DocumentEdits::Edited() {
    if (observer) observer->Edited();
}

// A key line cannot carry an empty name or a backslash inside a name: the
// saved file would name another key, and the key would move when read again.
static EditRefusal CheckKeyName(const char* name) {
    if (!name || !*name) return EditRefusal::EmptyName;
    if (std::strchr(name, '\\')) return EditRefusal::Backslash;
    return EditRefusal::None;
}

KeyNode* DocumentEdits::AddKey(KeyNode* parent, const char* name, EditRefusal* refusal) {
    EditRefusal reason = CheckKeyName(name);
    if (reason == EditRefusal::None && HasChildNamed(parent, name)) reason = EditRefusal::NameTaken;
    KeyNode* key = nullptr;
    if (reason == EditRefusal::None) {
        key = new (document_.keys, std::nothrow) KeyNode(name, parent);
        if (!key) reason = EditRefusal::OutOfMemory;
    }
    if (refusal) *refusal = reason;
    if (!key) return nullptr;
    if (!parent) document_.AddRootKey(key);
    EditChange change(EditChange::Type::Attach, key);
    change.parent = parent;
    std::vector<EditChange> changes;
    changes.push_back(std::move(change));
    Record(EditKind::NewKey, std::move(changes));
    if (observer) observer->KeyAdded(key);
    Edited();
    return key;
}

EditRefusal DocumentEdits::RenameKey(KeyNode* key, const char* name) {
    EditRefusal reason = CheckKeyName(name);
    if (reason != EditRefusal::None) return reason;
    if (HasChildNamed(key->parent, name, key)) return EditRefusal::NameTaken;
    if (std::strcmp(key->name, name) == 0) return EditRefusal::None;
    EditChange change(EditChange::Type::Rename, key);
    change.text = name;
    history_.Apply(change, nullptr);
    std::vector<EditChange> changes;
    changes.push_back(std::move(change));
    Record(EditKind::RenameKey, std::move(changes));
    if (observer) observer->KeyRenamed(key);
    Edited();
    return EditRefusal::None;
}

void DocumentEdits::DeleteKey(KeyNode* key, EditKind kind) {
    if (!key) return;
    EditChange change(EditChange::Type::Detach, key);
    change.parent = key->parent;
    change.previous = key->PreviousSibling();
    if (!change.parent) {
        const std::vector<KeyNode*>& roots = document_.roots;
        for (size_t i = 1; i < roots.size(); ++i)
            if (roots[i] == key) change.previous = roots[i - 1];
    }
    history_.Apply(change, observer);
    std::vector<EditChange> changes;
    changes.push_back(std::move(change));
    Record(kind, std::move(changes));
    Edited();
}

bool DocumentEdits::SetValues(KeyNode* key, const ValueList& values, EditKind kind) {
    if (!key) return false;
    EditChange change(EditChange::Type::Blocks, key);
    if (!key->RebuildValueBlock(values, &change.blocks)) return false;
    std::vector<EditChange> changes;
    changes.push_back(std::move(change));
    Record(kind, std::move(changes));
    Edited();
    return true;
}

bool DocumentEdits::AddValueBlock(KeyNode* key, const char* text, EditKind kind) {
    if (!key || !text) return false;
    size_t length = std::strlen(text);
    char* block = new (std::nothrow) char[length + 1];
    if (!block) return false;
    std::memcpy(block, text, length + 1);
    EditChange change(EditChange::Type::Appended, key);
    change.keep = key->BlockCount();
    key->AttachValueBlock(block, true, kRegedit4);
    std::vector<EditChange> changes;
    changes.push_back(std::move(change));
    Record(kind, std::move(changes));
    if (observer) observer->ValuesChanged(key);
    Edited();
    return true;
}

void DocumentEdits::BeginMerge() {
    journal_ = std::make_unique<MergeJournal>();
    preambleBefore_ = document_.preamble;
    document_.journal = journal_.get();
}

// A merge into a document without keys takes the text's preamble.
void DocumentEdits::EndMerge(EditKind kind) {
    document_.journal = nullptr;
    if (!journal_) return;
    std::vector<EditChange> changes = std::move(journal_->changes);
    journal_.reset();
    if (preambleBefore_ != document_.preamble) {
        EditChange preamble(EditChange::Type::Preamble, nullptr);
        preamble.text = std::move(preambleBefore_);
        changes.push_back(std::move(preamble));
    }
    preambleBefore_.clear();
    if (changes.empty()) return;
    std::vector<KeyNode*> appended;
    for (const EditChange& change : changes)
        if (change.type == EditChange::Type::Appended) appended.push_back(change.key);
    Record(kind, std::move(changes));
    if (observer)
        for (KeyNode* key : appended) observer->ValuesChanged(key);
    Edited();
}

ParseResult DocumentEdits::MergeText(EditKind kind, std::unique_ptr<char[]> text, KeyTreeSink* view, size_t length,
                                     bool checkDuplicates, bool lookUpFirstKey) {
    BeginMerge();
    ParseResult result = document_.ParseText(std::move(text), view, length, checkDuplicates, lookUpFirstKey);
    EndMerge(kind);
    return result;
}

void DocumentEdits::MarkSaved() {
    history_.MarkSaved();
    document_.modified = false;
}

void DocumentEdits::MarkUnsaved() {
    history_.MarkUnsaved();
    document_.modified = true;
}
