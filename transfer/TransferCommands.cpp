#include "transfer/TransferCommands.h"

#include <ole2.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentEdits.h"
#include "document/RegDocument.h"
#include "document/RegParser.h"
#include "framework/CommandStates.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "transfer/KeyTreeDropTarget.h"
#include "transfer/TransferDataObject.h"
#include "transfer/TransferDropSource.h"
#include "transfer/TransferFormats.h"
#include "transfer/TransferPayload.h"
#include "transfer/ValueListDropTarget.h"
#include "views/EditCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace transfer {

namespace {

// The value lines of a values payload: from after its first key line up to
// the next key line. A payload holds one key's values; text further down
// (another key line and what follows it) would otherwise end up inside the
// key's value block and be saved as keys of its own. Null when the text is
// no .reg text or holds no value line.
std::unique_ptr<char[]> ValueLinesOf(std::string_view payload) {
    std::unique_ptr<char[]> text = ParseBufferOf(payload);
    if (!text || TestHeader(text.get()) == kNoDialect) return nullptr;
    const char* start = FindValuesStart(text.get());
    if (!start) return nullptr;
    const char* next = FindNextKeyLine(text.get(), start);
    size_t length = next ? static_cast<size_t>(next - start) : std::strlen(start);
    return ParseBufferOf(std::string_view(start, length));
}

bool HasBranchFormats() {
    return IsClipboardFormatAvailable(KeyPathFormat()) && IsClipboardFormatAvailable(KeyBranchFormat());
}

// The payload's text: the bytes before its two terminating zeros.
std::string_view TextOf(const MemorySink& payload) {
    return BoundedText(payload.Data(), payload.Size());
}

// A COM object created with one reference, released with the scope.
template <class T>
struct Releaser {
    T* object;
    ~Releaser() {
        if (object) object->Release();
    }
};

}  // namespace

TransferCommands::TransferCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list, EditCommands& edit)
    : host_(host), tree_(tree), list_(list), edit_(edit) {}

bool TransferCommands::IsKeyCase() const {
    HWND source = host_.CommandSource();
    return source && (source == tree_.Hwnd() || IsChild(tree_.Hwnd(), source));
}

void TransferCommands::OnCommand(int id) {
    bool keyCase = IsKeyCase();
    switch (id) {
    case ID_EDIT_COPY:
        if (keyCase)
            CopyKeyBranch(tree_.CommandItem());
        else
            CopySelectedValues();
        break;
    case ID_EDIT_CUT:
        if (keyCase)
            CutKeyBranch(tree_.CommandItem());
        else
            CutSelectedValues();
        break;
    case ID_EDIT_PASTE:
        if (keyCase)
            PasteToKey(tree_.CommandItem());
        else
            PasteValues();
        break;
    default:
        break;
    }
}

// Paste stays enabled: the clipboard changes under other programs without
// telling this window, and a paste of nothing suitable does nothing.
void TransferCommands::UpdateState(int id, fw::CommandStates& states) {
    UINT command = static_cast<UINT>(id);
    if (id == ID_EDIT_PASTE) {
        states.Enable(command, true);
        return;
    }
    HWND focus = GetFocus();
    if (!focus) return;
    if (focus == tree_.Hwnd()) {
        states.Enable(command, tree_.Selected() != nullptr);
    } else if (focus == list_.Hwnd()) {
        int count = list_.SelectedCount();
        if (count == 1)
            states.Enable(command, list_.ValueAt(list_.FirstSelected()) != nullptr);
        else
            states.Enable(command, count > 0);
    }
}

bool TransferCommands::AcceptsDrops() { return IsWindowEnabled(host_.HostWindow()) != FALSE; }

void TransferCommands::CopyKeyBranch(HTREEITEM item) {
    if (!item) item = tree_.Selected();
    KeyNode* key = tree_.KeyOf(item);
    if (!key) return;
    RegDialect dialect = host_.Document().dialect;
    MemorySink branch(KeyBranchCapacity(*key, dialect));
    if (!WriteKeyBranchPayload(*key, dialect, branch)) return;
    std::string path = key->Path();
    const ClipboardItem items[] = {
        {CF_TEXT, branch.Data(), branch.Size()},
        {KeyBranchFormat(), branch.Data(), branch.Size()},
        {KeyPathFormat(), path.c_str(), path.size() + 1},
    };
    PlaceOnClipboard(host_.HostWindow(), items, std::size(items), TextOf(branch));
}

bool TransferCommands::WriteSelectedValues(MemorySink& out) const {
    int count = list_.SelectedCount();
    if (count == 0 || !list_.Key() || !tree_.Selected()) return false;
    if (count == 1 && list_.FirstSelected() == 0 && !list_.ValueAt(0)) return false;
    std::vector<const ValueEntry*> values;
    for (int row = list_.NextSelected(-1); row >= 0; row = list_.NextSelected(row))
        if (const ValueEntry* value = list_.ValueAt(row)) values.push_back(value);
    return WriteValuesPayload(list_.Key()->Path(), values, out);
}

bool TransferCommands::CopySelectedValues() {
    MemorySink payload;
    if (!WriteSelectedValues(payload)) return false;
    const ClipboardItem items[] = {
        {ValuesFormat(), payload.Data(), payload.Size()},
        {CF_TEXT, payload.Data(), payload.Size()},
    };
    return PlaceOnClipboard(host_.HostWindow(), items, std::size(items), TextOf(payload));
}

void TransferCommands::CutKeyBranch(HTREEITEM item) {
    if (!item) item = tree_.Selected();
    if (!tree_.KeyOf(item)) return;
    CopyKeyBranch(item);
    // Answering No leaves the key in place and its copy on the clipboard.
    edit_.DeleteKey(item, EditKind::Cut);
}

void TransferCommands::CutSelectedValues() {
    if (CopySelectedValues()) edit_.DeleteValues(EditKind::Cut);
}

void TransferCommands::PasteToKey(HTREEITEM item) {
    if (!item) item = tree_.Selected();
    if (!item) {
        if (!HasBranchFormats()) return;
        BlockText path = ReadClipboard(KeyPathFormat());
        BlockText branch = ReadClipboard(KeyBranchFormat());
        if (path && branch) PasteBranch(branch.View(), path.View(), nullptr);
        return;
    }
    if (!tree_.KeyOf(item)) return;
    if (IsClipboardFormatAvailable(ValuesFormat())) {
        if (item == tree_.Selected()) {
            PasteValues();
        } else if (BlockText values = ReadClipboard(ValuesFormat())) {
            AddValuesToKey(item, values.View());
        }
        return;
    }
    if (!HasBranchFormats()) return;
    BlockText path = ReadClipboard(KeyPathFormat());
    BlockText branch = ReadClipboard(KeyBranchFormat());
    if (path && branch) PasteBranch(branch.View(), path.View(), item);
}

void TransferCommands::PasteValues() {
    if (!list_.Key() || !tree_.Selected()) return;
    list_.DeselectAll();
    if (BlockText values = ReadClipboard(ValuesFormat())) PasteValuesText(values.View());
}

bool TransferCommands::PasteValuesText(std::string_view text, EditKind kind) {
    if (!list_.Key()) return false;
    std::unique_ptr<char[]> lines = ValueLinesOf(text);
    if (!lines) return false;
    edit_.PasteValuesHere(lines.get(), kind);
    return true;
}

// The parse buffer's padding is not needed by a key's block: the document
// keeps an exact copy.
bool TransferCommands::AddValuesToKey(HTREEITEM item, std::string_view text, EditKind kind) {
    KeyNode* key = tree_.KeyOf(item);
    if (!key) return false;
    std::unique_ptr<char[]> lines = ValueLinesOf(text);
    if (!lines) return false;
    if (!host_.Document().edits->AddValueBlock(key, lines.get(), kind)) return false;
    if (tree_.Selected() != item) tree_.SelectItem(item);
    return true;
}

bool TransferCommands::PasteBranch(std::string_view text, std::string_view sourcePath, HTREEITEM target,
                                   EditKind kind) {
    RegDocument& document = host_.Document();
    KeyNode* targetKey = target ? tree_.KeyOf(target) : nullptr;
    if (target && !targetKey) return false;
    std::unique_ptr<char[]> buffer = ParseBufferOf(text);
    // Text that is neither dialect is no branch of ours: refused unparsed.
    if (!buffer || TestHeader(buffer.get()) == kNoDialect) return false;
    size_t length = text.size();
    if (targetKey) {
        if (sourcePath.empty()) return false;
        std::string name = edit_.PastedKeyName(target, std::string(LastComponent(sourcePath)).c_str());
        std::string newPath = targetKey->Path() + '\\' + name;
        buffer = RewriteBranch(text, sourcePath, newPath, &length);
        if (!buffer) return false;
    }
    ParseResult parsed;
    {
        tree_.SetRedraw(false);
        ParseScope scope(document.abort);
        parsed = document.edits->MergeText(kind, std::move(buffer), &tree_, length, false, targetKey != nullptr);
        tree_.SetRedraw(true);
    }
    if (!parsed) {
        if (parsed.keys == 0) return false;
        // Memory ran out: the keys that came in stay, as a merge's would.
        if (KeyNode* shown = list_.Key()) list_.Fill(shown);
        TellStoppedMerge(host_.HostWindow(), parsed.end, parsed.keys, fw::LoadText(IDS_SOURCE_CLIPBOARD).c_str());
        return false;
    }
    // The pasted key is the target's last child; it is shown.
    if (targetKey && targetKey->LastChild()) tree_.EnsureItem(targetKey->LastChild());
    // A branch can land on keys that exist (the top level, or a key whose
    // values the list shows): the list shows the values the key has now, so
    // that its next store does not drop the pasted ones.
    if (KeyNode* shown = list_.Key()) list_.Fill(shown);
    return true;
}

void TransferCommands::BeginKeyDrag(HTREEITEM item) {
    KeyNode* key = tree_.KeyOf(item);
    if (!key) return;
    RegDialect dialect = host_.Document().dialect;
    MemorySink branch(KeyBranchCapacity(*key, dialect));
    if (!WriteKeyBranchPayload(*key, dialect, branch)) return;
    Releaser<TransferDataObject> data{new (std::nothrow) TransferDataObject()};
    Releaser<TransferDropSource> source{new (std::nothrow) TransferDropSource()};
    if (!data.object || !source.object) return;
    if (!data.object->SetText(TextOf(branch), true) || !data.object->SetPath(key->Path())) return;
    DWORD effect = DROPEFFECT_NONE;
    // The dragged key stays where it is, whatever effect the target reports.
    DoDragDrop(data.object, source.object, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
}

void TransferCommands::BeginValuesDrag() {
    MemorySink payload;
    if (!WriteSelectedValues(payload)) return;
    Releaser<TransferDataObject> data{new (std::nothrow) TransferDataObject()};
    Releaser<TransferDropSource> source{new (std::nothrow) TransferDropSource()};
    if (!data.object || !source.object) return;
    if (!data.object->SetText(TextOf(payload), false)) return;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.object, source.object, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
}

void TransferCommands::RegisterDropTargets() {
    if (registered_) return;
    Releaser<KeyTreeDropTarget> tree{new (std::nothrow) KeyTreeDropTarget(*this)};
    Releaser<ValueListDropTarget> list{new (std::nothrow) ValueListDropTarget(*this, list_)};
    // The registration holds its own references.
    if (tree.object) RegisterDragDrop(tree_.Hwnd(), tree.object);
    if (list.object) RegisterDragDrop(list_.Hwnd(), list.object);
    registered_ = true;
}

void TransferCommands::RevokeDropTargets() {
    if (!registered_) return;
    RevokeDragDrop(tree_.Hwnd());
    RevokeDragDrop(list_.Hwnd());
    registered_ = false;
}

}  // namespace transfer
