#include "views/EditCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "document/Platform.h"
#include "document/RegParser.h"
#include "document/ValueCodec.h"
#include "framework/CommandStates.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace {

// printf with one argument of any length.
template <class T>
std::string Format(const std::string& format, T argument) {
    int n = snprintf(nullptr, 0, format.c_str(), argument);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    snprintf(out.data(), out.size(), format.c_str(), argument);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::unique_ptr<ValueEntry> MakeValue(ValueType kind, const std::string& name, RegDialect dialect) {
    switch (kind) {
    case ValueType::String:
        return std::make_unique<StringValue>(name, "");
    case ValueType::Dword:
        return std::make_unique<DwordValue>(name, "00000000");
    case ValueType::Binary:
        return std::make_unique<BinaryValue>(name, "hex", "");
    case ValueType::ExpandString:
        return std::make_unique<ExpandStringValue>(name, "hex(2)", "", dialect);
    case ValueType::MultiString:
        return std::make_unique<MultiStringValue>(name, "hex(7)", "", dialect);
    case ValueType::Qword:
        return std::make_unique<QwordValue>(name, uint64_t(0));
    case ValueType::Deletion:
        return std::make_unique<DeletionValue>(name);
    }
    return nullptr;
}

bool KindOfCommand(int id, ValueType& kind) {
    switch (id) {
    case ID_EDIT_NEW_STRING: kind = ValueType::String; return true;
    case ID_EDIT_NEW_BINARY: kind = ValueType::Binary; return true;
    case ID_EDIT_NEW_DWORD: kind = ValueType::Dword; return true;
    case ID_EDIT_NEW_QWORD: kind = ValueType::Qword; return true;
    case ID_EDIT_NEW_EXPAND: kind = ValueType::ExpandString; return true;
    case ID_EDIT_NEW_MULTI: kind = ValueType::MultiString; return true;
    default: return false;
    }
}

bool IsInSubtree(const KeyNode* key, const KeyNode* top) {
    for (; key; key = key->parent)
        if (key == top) return true;
    return false;
}

}  // namespace

const int EditCommands::kCommands[] = {
    ID_EDIT_NEW_KEY, ID_EDIT_NEW_STRING, ID_EDIT_NEW_BINARY, ID_EDIT_NEW_DWORD, ID_EDIT_NEW_QWORD,
    ID_EDIT_NEW_EXPAND, ID_EDIT_NEW_MULTI, ID_EDIT_DELETE, ID_EDIT_RENAME, ID_EDIT_MODIFY, ID_EDIT_COPY_KEY_NAME,
    ID_EDIT_SELECT_ALL, ID_EDIT_UNDO, ID_EDIT_REDO,
};
const size_t EditCommands::kCommandCount = sizeof kCommands / sizeof kCommands[0];

EditCommands::EditCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list)
    : host_(host), tree_(tree), list_(list) {}

void EditCommands::OnCommand(int id) {
    ValueType kind;
    if (KindOfCommand(id, kind)) {
        NewValue(kind);
        return;
    }
    switch (id) {
    case ID_EDIT_NEW_KEY:
        NewKey(tree_.CommandItem());
        break;
    case ID_EDIT_DELETE:
        Delete();
        break;
    case ID_EDIT_RENAME:
        Rename();
        break;
    case ID_EDIT_MODIFY:
        Modify(list_.CommandRow());
        break;
    case ID_EDIT_COPY_KEY_NAME:
        CopyKeyName(tree_.CommandItem());
        break;
    case ID_EDIT_SELECT_ALL:
        SelectAll();
        break;
    case ID_EDIT_UNDO:
        Undo();
        break;
    case ID_EDIT_REDO:
        Redo();
        break;
    default:
        break;
    }
}

int EditCommands::Ask(UINT textId, const char* argument, UINT captionId) {
    std::string text = argument ? Format(fw::LoadText(textId), argument) : fw::LoadText(textId);
    std::string caption = fw::LoadText(captionId);
    return MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING);
}

DocumentEdits& EditCommands::Edits() const { return *host_.Document().edits; }

void EditCommands::Observe(RegDocument& document) {
    document.edits->observer = this;
    NameUndoSteps();
}

void EditCommands::NewKey(HTREEITEM parent) {
    KeyNode* parentKey = parent ? tree_.KeyOf(parent) : nullptr;
    if (parent && !parentKey) return;
    std::string name = Edits().FreeKeyName(parentKey, fw::LoadText(IDS_NEW_KEY), 0);
    KeyNode* key = Edits().AddKey(parentKey, name.c_str());
    if (!key) return;
    // Under a key whose children were never shown, this shows them all, the
    // new key last among them.
    HTREEITEM item = tree_.EnsureItem(key);
    if (!item) return;
    tree_.SelectItem(item);
    SetFocus(tree_.Hwnd());
    tree_.BeginRename(item);
}

void EditCommands::NewValue(ValueType kind) {
    KeyNode* key = list_.Key();
    if (!key || !tree_.Selected()) return;
    std::string name = FreeName(fw::LoadText(IDS_NEW_VALUE), 1, [&](const std::string& candidate) {
        return ValueNameTaken(list_.Values(), EscapeString(candidate));
    });
    std::unique_ptr<ValueEntry> value = MakeValue(kind, name, host_.Document().dialect);
    if (!value) return;
    int row = list_.AppendValue(std::move(value));
    if (row < 0) return;
    if (!list_.StoreValues(EditKind::NewValue)) {
        list_.RemoveRow(row);
        return;
    }
    SetFocus(list_.Hwnd());
    list_.BeginRename(row);
}

void EditCommands::DeleteKey(HTREEITEM item, EditKind kind) {
    KeyNode* key = item ? tree_.KeyOf(item) : nullptr;
    if (!key) return;
    if (Ask(IDS_CONFIRM_KEY_DELETE, key->name, IDS_CONFIRM_KEY_CAPTION) != IDYES) return;
    Edits().DeleteKey(key, kind);
}

void EditCommands::DeleteValues(EditKind kind) {
    int selected = list_.SelectedCount();
    if (selected == 0 || !list_.Key() || !tree_.Selected()) return;
    if (selected == 1 && list_.FirstSelected() == 0 && !list_.ValueAt(0)) return;
    if (Ask(IDS_CONFIRM_VALUES_DELETE, nullptr, IDS_CONFIRM_VALUES_CAPTION) != IDYES) return;
    list_.RemoveSelected();
    list_.StoreValues(kind);
}

void EditCommands::Undo() {
    if (Edits().CanUndo()) ShowStepKey(Edits().Undo());
}

void EditCommands::Redo() {
    if (Edits().CanRedo()) ShowStepKey(Edits().Redo());
}

// As Find shows a key: its items are made on the way down, and it becomes
// the selection, which shows its values.
void EditCommands::ShowStepKey(KeyNode* key) {
    if (!key) return;
    HTREEITEM item = tree_.EnsureItem(key);
    if (!item) return;
    if (tree_.Selected() == item)
        list_.Fill(key);
    else
        tree_.SelectItem(item);
    TreeView_EnsureVisible(tree_.Hwnd(), item);
}

void EditCommands::KeyAdded(KeyNode* key) { tree_.ShowAddedKey(key); }

// The item goes first: the selection moves and the list lets go of the
// key's values while the key still exists.
void EditCommands::KeyRemoving(KeyNode* key) {
    tree_.ForgetItems(key);
    if (IsInSubtree(list_.Key(), key)) {
        HTREEITEM selected = tree_.Selected();
        KeyNode* shown = selected ? tree_.KeyOf(selected) : nullptr;
        list_.Fill(IsInSubtree(shown, key) ? nullptr : shown);
    }
}

void EditCommands::KeyRemoved(KeyNode* parent) {
    if (parent) tree_.UpdateButton(parent);
}

void EditCommands::KeyRenamed(KeyNode* key) { tree_.ShowRenamedKey(key); }

void EditCommands::ValuesChanged(KeyNode* key) {
    if (key && list_.Key() == key) list_.Fill(key);
}

void EditCommands::Edited() {
    NameUndoSteps();
    host_.UpdateCommandStates();
    host_.UpdateTitle();
}

void EditCommands::NameUndoSteps() {
    HMENU bar = host_.MenuBar();
    if (!bar || !host_.document) return;
    const DocumentEdits& edits = Edits();
    auto name = [](UINT plain, UINT format, bool can, EditKind kind) {
        if (!can) return fw::LoadText(plain);
        return fw::FormatText(format, fw::LoadText(IDS_EDIT_KIND_FIRST + static_cast<UINT>(kind)).c_str());
    };
    std::string undo = name(IDS_UNDO, IDS_UNDO_FORMAT, edits.CanUndo(), edits.CanUndo() ? edits.UndoKind() : EditKind{});
    std::string redo = name(IDS_REDO, IDS_REDO_FORMAT, edits.CanRedo(), edits.CanRedo() ? edits.RedoKind() : EditKind{});
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = undo.data();
    SetMenuItemInfoA(bar, ID_EDIT_UNDO, FALSE, &item);
    item.dwTypeData = redo.data();
    SetMenuItemInfoA(bar, ID_EDIT_REDO, FALSE, &item);
}

void EditCommands::Delete() {
    HWND source = host_.CommandSource();
    if (source && source == tree_.Hwnd())
        DeleteKey(tree_.CommandItem());
    else if (source && source == list_.Hwnd())
        DeleteValues();
}

void EditCommands::Rename() {
    HWND source = host_.CommandSource();
    if (source && source == tree_.Hwnd()) {
        if (HTREEITEM item = tree_.CommandItem()) tree_.BeginRename(item);
    } else if (source && source == list_.Hwnd() && list_.SelectedCount() == 1) {
        list_.BeginRename(list_.FirstSelected());
    }
}

void EditCommands::Modify(int row) {
    if (row < 0 || !list_.Key()) return;
    ValueEntry* value = list_.ValueAt(row);
    if (!value && row != 0) return;
    if (list_.IsDeletionRow(row)) {
        MessageBeep(MB_OK);
        return;
    }
    if (!value) {
        auto created = std::make_unique<StringValue>("", "");
        if (!host_.EditValue(*created)) return;
        list_.ReplaceDefault(std::move(created));
    } else if (!host_.EditValue(*value)) {
        return;
    } else {
        list_.RefreshRow(row);
    }
    list_.StoreValues(EditKind::ModifyValue);
}

void EditCommands::CopyKeyName(HTREEITEM item) {
    KeyNode* key = item ? tree_.KeyOf(item) : nullptr;
    if (!key) return;
    std::string path = key->Path();
    fw::ClipboardScope clipboard(host_.HostWindow());
    if (!clipboard.Opened()) return;
    EmptyClipboard();
    fw::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, path.size() + 1));
    void* bytes = memory ? GlobalLock(memory.Get()) : nullptr;
    if (!bytes) return;
    memcpy(bytes, path.c_str(), path.size() + 1);
    GlobalUnlock(memory.Get());
    // The clipboard owns the memory once it took it.
    if (SetClipboardData(CF_TEXT, memory.Get())) memory.Release();
}

void EditCommands::SelectAll() { list_.SelectAll(); }

void EditCommands::PasteValuesHere(const char* text, EditKind kind) {
    if (!list_.Key() || !text) return;
    list_.DeselectAll();
    ValueList pasted;
    ParseValueBlock(text, pasted, kRegedit4);

    // Names in use: the key's values and, so that two pasted values of one
    // name do not end as two values of one name in the key (the file would
    // keep only the last), the names given to earlier pasted values.
    std::vector<std::string> taken;
    for (const auto& value : list_.Values()) taken.push_back(value->GetName());
    auto isTaken = [&taken](const std::string& name) {
        for (const std::string& used : taken)
            if (CompareNoCase(used.c_str(), name.c_str()) == 0) return true;
        return false;
    };
    for (auto& value : pasted) {
        if (value->IsDefault()) continue;
        value->SetName(FreeSuffixedName(value->GetName(), 1, isTaken));
        taken.push_back(value->GetName());
    }

    for (auto& value : pasted) {
        int row = 0;
        if (value->IsDefault())
            list_.ReplaceDefault(std::move(value));
        else
            row = list_.AppendValue(std::move(value));
        if (row >= 0) list_.Select(row);
    }
    list_.StoreValues(kind);
}

std::string EditCommands::PastedKeyName(HTREEITEM target, const char* name) const {
    if (!target) target = tree_.Selected();
    KeyNode* parent = target ? tree_.KeyOf(target) : nullptr;
    if (!parent) return name;
    return Edits().FreePastedKeyName(parent, name);
}

void EditCommands::UpdateState(int id, fw::CommandStates& states) {
    if (id == ID_EDIT_UNDO || id == ID_EDIT_REDO) {
        const DocumentEdits& edits = Edits();
        bool editing = tree_.IsEditingLabel() || list_.IsEditingLabel();
        states.Enable(static_cast<UINT>(id), !editing && (id == ID_EDIT_UNDO ? edits.CanUndo() : edits.CanRedo()));
        return;
    }
    HWND focus = GetFocus();
    if (!focus) return;
    UINT command = static_cast<UINT>(id);
    if (focus == tree_.Hwnd()) {
        ValueType kind;
        if (id == ID_EDIT_DELETE || id == ID_EDIT_RENAME || id == ID_EDIT_COPY_KEY_NAME || KindOfCommand(id, kind))
            states.Enable(command, tree_.Selected() != nullptr);
    } else if (focus == list_.Hwnd()) {
        int count = list_.SelectedCount();
        bool one = count == 1;
        int row = one ? list_.FirstSelected() : -1;
        // A deletion line has no data to edit and keeps its name: delete it.
        bool deletion = list_.IsDeletionRow(row);
        if (id == ID_EDIT_RENAME) states.Enable(command, one && row != 0 && !deletion);
        // Without a registered editor Modify could only fail.
        if (id == ID_EDIT_MODIFY) states.Enable(command, one && HasValueEditor() && !deletion);
        if (id == ID_EDIT_DELETE) states.Enable(command, one ? list_.ValueAt(row) != nullptr : count > 0);
    }
}

void EditCommands::OnViewFocus(HWND control) {
    HMENU bar = host_.MenuBar();
    HMENU edit = bar ? GetSubMenu(bar, 1) : nullptr;
    if (!edit || !control) return;
    bool modifyFirst = GetMenuItemID(edit, 0) == ID_EDIT_MODIFY;
    if (control == tree_.Hwnd() && modifyFirst) {
        DeleteMenu(edit, 0, MF_BYPOSITION);
        DeleteMenu(edit, 0, MF_BYPOSITION);
    } else if (control == list_.Hwnd() && !modifyFirst) {
        std::string text = fw::LoadText(IDS_MODIFY);
        InsertMenuA(edit, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        InsertMenuA(edit, 0, MF_BYPOSITION | MF_STRING, ID_EDIT_MODIFY, text.c_str());
        bool enabled = host_.IsCommandEnabled(ID_EDIT_MODIFY);
        EnableMenuItem(edit, ID_EDIT_MODIFY, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}
