#include "views/KeyTreeView.h"

#include <cstring>

#include "document/DocumentEdits.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "views/BranchExpander.h"
#include "views/MenuStates.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

bool KeyTreeView::Create(HWND parent, ViewHost* host, ValueListView* list, int controlId) {
    host_ = host;
    list_ = list;
    // The window's text is the name a screen reader gives the pane; the
    // control does not show it.
    std::string name = fw::LoadText(IDS_TREE_NAME);
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, name.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                                TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                                TVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    hook_.Attach(hwnd_, HookProc, this);
    fw::UseExplorerTheme(hwnd_);
    ApplyDpi(fw::DpiOf(hwnd_));
    return true;
}

void KeyTreeView::ApplyDpi(int dpi) {
    HIMAGELIST images = fw::IconImageList({IDI_KEY_CLOSED, IDI_KEY_OPEN}, fw::SmallIconSize(dpi));
    if (!images) return;
    TreeView_SetImageList(hwnd_, images, TVSIL_NORMAL);
    images_.Reset(images);
}

UINT KeyTreeView::FillChildrenMessage() {
    static const UINT message = RegisterWindowMessageA("Quillon.FillChildren");
    return message;
}

// '*' on the numeric pad is the control's own Expand All, which makes an item
// for every key below the selection at once; in a large file that froze the
// window for minutes (see Rebuild). The key is taken before the control sees
// it: TVN_KEYDOWN cannot stop it, as its result only counts for character
// keys (on Windows as on Wine, whose control expands all after notifying).
LRESULT CALLBACK KeyTreeView::HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    fw::WindowHook* hook = fw::WindowHook::Of(hwnd);
    if (!hook) return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* self = static_cast<KeyTreeView*>(hook->Data());
    if (msg == WM_KEYDOWN && wParam == VK_MULTIPLY) {
        ExpandBranch(*self, self->Selected(), self->host_ ? self->host_->HostWindow() : hwnd);
        return 0;
    }
    if (msg == FillChildrenMessage()) {
        self->FillChildren(reinterpret_cast<HTREEITEM>(lParam));
        return 0;
    }
    return hook->CallNext(hwnd, msg, wParam, lParam);
}

void KeyTreeView::SetRedraw(bool on) {
    SendMessageA(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The items are deleted with their keys possibly gone already (a load clears
// the document first), so the selection is dropped before the delete: the
// selection change that the delete would raise then has no stale key to read.
//
// Only the top-level keys get items here; the children of a key get theirs
// when it is first expanded (FillChildren). Wine's tree-view looks every
// inserted parent and every deleted item up in one list of all its items, so
// its cost grows with the square of the items it holds: a whole registry of
// 850,000 keys took a minute and a half to show and as long to close. Items
// for what the user has opened cost nothing like that, on Windows as on Wine.
void KeyTreeView::Rebuild(RegDocument& document) {
    SetRedraw(false);
    TreeView_SelectItem(hwnd_, nullptr);
    rebuilding_ = true;
    TreeView_DeleteAllItems(hwnd_);
    rebuilding_ = false;
    suspended_ = false;
    for (KeyNode* root : document.roots) InsertKey(root, nullptr);
    SetRedraw(true);
}

void KeyTreeView::SuspendKeys() {
    suspended_ = true;
    if (list_) list_->Fill(nullptr);
}

void KeyTreeView::ResumeKeys() {
    if (!suspended_) return;
    suspended_ = false;
    if (list_) list_->Fill(KeyOf(Selected()));
}

// cChildren gives an item its expand button before it has child items; it is
// set explicitly (not I_CHILDRENCALLBACK) so that the control never asks for
// it while a load has freed the keys behind the old items.
HTREEITEM KeyTreeView::InsertKey(KeyNode* key, HTREEITEM parent, HTREEITEM after) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    ins.item.pszText = const_cast<char*>(key->name);
    ins.item.iImage = 0;
    ins.item.iSelectedImage = 1;
    ins.item.cChildren = key->firstChild ? 1 : 0;
    ins.item.lParam = reinterpret_cast<LPARAM>(key);
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    key->viewItem = item;
    return item;
}

// The children of a key with an item either all have items or none has: they
// are inserted together, and a key appended later (new key, import) is added
// last. So the first child tells whether the children are shown.
bool KeyTreeView::ChildrenShown(const KeyNode* key) {
    return !key->firstChild || key->firstChild->viewItem;
}

void KeyTreeView::FillChildren(HTREEITEM item) {
    KeyNode* key = KeyOf(item);
    if (!key || ChildrenShown(key)) return;
    for (KeyNode* child = key->firstChild; child; child = child->nextSibling)
        if (!InsertKey(child, item)) break;
}

void KeyTreeView::UpdateButton(KeyNode* key) {
    if (!key || !key->viewItem) return;
    TVITEMA tvi{};
    tvi.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tvi.hItem = static_cast<HTREEITEM>(key->viewItem);
    tvi.cChildren = key->firstChild ? 1 : 0;
    TreeView_SetItem(hwnd_, &tvi);
}

HTREEITEM KeyTreeView::EnsureItem(KeyNode* key) {
    if (!key) return nullptr;
    if (key->viewItem) return static_cast<HTREEITEM>(key->viewItem);
    if (!key->parent) return InsertKey(key, nullptr);
    HTREEITEM parent = EnsureItem(key->parent);
    if (!parent) return nullptr;
    FillChildren(parent);
    // A key appended after its siblings were shown goes last, where it stands.
    if (!key->viewItem) InsertKey(key, parent);
    UpdateButton(key->parent);
    TreeView_Expand(hwnd_, parent, TVE_EXPAND);
    return static_cast<HTREEITEM>(key->viewItem);
}

// Called by the parser for each key it found (with its parents created
// before it). Only the nearest key that has an item matters: when its
// children are shown, its child on the way to the new key gets an item
// (last: keys are created, and reported, in child-list order); otherwise it
// just gets its expand button, and its children come when it is expanded.
void KeyTreeView::AddKey(KeyNode* key) {
    KeyNode* below = nullptr;
    KeyNode* shown = key;
    while (shown && !shown->viewItem) {
        below = shown;
        shown = shown->parent;
    }
    if (!below) return;
    if (!shown) {
        InsertKey(below, nullptr);
    } else if (shown->firstChild != below && ChildrenShown(shown)) {
        InsertKey(below, static_cast<HTREEITEM>(shown->viewItem));
    } else if (shown->firstChild == below) {
        UpdateButton(shown);
    }
}

KeyNode* KeyTreeView::KeyOf(HTREEITEM item) const {
    if (!item || suspended_) return nullptr;
    TVITEMA tvi{};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    if (!TreeView_GetItem(hwnd_, &tvi)) return nullptr;
    return reinterpret_cast<KeyNode*>(tvi.lParam);
}

HTREEITEM KeyTreeView::Selected() const { return TreeView_GetSelection(hwnd_); }

// The questions about keys are answered by the document: most keys have no
// item.
void KeyTreeView::PathOf(HTREEITEM item, std::string& out) const {
    out.clear();
    if (!item) item = Selected();
    if (KeyNode* key = KeyOf(item)) out = key->Path();
}

const KeyNode* KeyTreeView::FirstChildOf(HTREEITEM parent) const {
    if (parent) {
        KeyNode* key = KeyOf(parent);
        return key ? key->firstChild : nullptr;
    }
    return nullptr;
}

bool KeyTreeView::HasChildNamed(HTREEITEM parent, const char* name) const {
    if (!host_) return false;
    KeyNode* key = parent ? KeyOf(parent) : nullptr;
    if (parent && !key) return false;
    return host_->Document().edits->HasChildNamed(key, name);
}

KeyNode* KeyTreeView::FindKeyByPath(const char* path) const {
    if (!path || !*path || !host_) return nullptr;
    KeyNode* found = nullptr;
    const char* p = path;
    for (;;) {
        const char* end = strchr(p, '\\');
        std::string component = end ? std::string(p, end) : std::string(p);
        KeyNode* match = nullptr;
        if (!found) {
            for (KeyNode* root : host_->Document().roots) {
                if (SameKeyName(root->name, component.c_str())) {
                    match = root;
                    break;
                }
            }
        } else {
            match = found->FindChild(component.c_str());
        }
        if (!match) return nullptr;
        found = match;
        if (!end) return found;
        p = end + 1;
    }
}

HTREEITEM KeyTreeView::FindByPath(const char* path) { return EnsureItem(FindKeyByPath(path)); }

// Depth first without recursion: the depth is the file's.
void KeyTreeView::LeafPaths(std::vector<std::string>& out) const {
    if (!host_) return;
    std::string path;
    std::vector<size_t> lengths;
    for (const KeyNode* root : host_->Document().roots) {
        if (!root->firstChild) continue;
        path = root->name;
        lengths.clear();
        const KeyNode* k = root->firstChild;
        while (k) {
            lengths.push_back(path.size());
            path += '\\';
            path += k->name;
            if (k->firstChild) {
                k = k->firstChild;
                continue;
            }
            out.push_back(path);
            while (k != root && !k->nextSibling) {
                k = k->parent;
                path.resize(lengths.back());
                lengths.pop_back();
            }
            if (k == root) break;
            path.resize(lengths.back());
            lengths.pop_back();
            k = k->nextSibling;
        }
    }
}

void KeyTreeView::RemoveItem(HTREEITEM item) {
    if (item) TreeView_DeleteItem(hwnd_, item);
}

// Its siblings have items when its parent's children are shown; the one
// before it tells where it goes.
void KeyTreeView::ShowAddedKey(KeyNode* key) {
    if (!key || key->viewItem) return;
    KeyNode* parent = key->parent;
    if (parent && !parent->viewItem) return;
    KeyNode* previous = nullptr;
    KeyNode* sibling = nullptr;
    if (parent) {
        previous = key->PreviousSibling();
        sibling = previous ? previous : key->nextSibling;
    } else if (host_) {
        const std::vector<KeyNode*>& roots = host_->Document().roots;
        for (size_t i = 0; i < roots.size(); ++i) {
            if (roots[i] != key) continue;
            previous = i > 0 ? roots[i - 1] : nullptr;
            sibling = previous ? previous : (i + 1 < roots.size() ? roots[i + 1] : nullptr);
        }
    }
    bool shown = sibling ? sibling->viewItem != nullptr : !parent || TreeView_GetItemState(hwnd_, static_cast<HTREEITEM>(parent->viewItem), TVIS_EXPANDED) & TVIS_EXPANDED;
    if (shown) {
        HTREEITEM after = previous ? static_cast<HTREEITEM>(previous->viewItem) : TVI_FIRST;
        InsertKey(key, parent ? static_cast<HTREEITEM>(parent->viewItem) : nullptr, after ? after : TVI_LAST);
    }
    UpdateButton(parent);
}

// Only keys with items are visited: below a key whose children have none,
// no key has one.
void KeyTreeView::ForgetItems(KeyNode* key) {
    if (!key || !key->viewItem) return;
    HTREEITEM item = static_cast<HTREEITEM>(key->viewItem);
    std::vector<KeyNode*> pending{key};
    while (!pending.empty()) {
        KeyNode* k = pending.back();
        pending.pop_back();
        k->viewItem = nullptr;
        for (KeyNode* child = k->firstChild; child && child->viewItem; child = child->nextSibling)
            pending.push_back(child);
    }
    TreeView_DeleteItem(hwnd_, item);
}

void KeyTreeView::ShowRenamedKey(KeyNode* key) {
    if (!key) return;
    if (key->viewItem && !editing_) {
        TVITEMA tvi{};
        tvi.mask = TVIF_TEXT | TVIF_HANDLE;
        tvi.hItem = static_cast<HTREEITEM>(key->viewItem);
        tvi.pszText = key->name;
        TreeView_SetItem(hwnd_, &tvi);
    }
    // The path of the selection changes when it is the key or below it.
    ShowSelectedPath();
}

void KeyTreeView::BeginRename(HTREEITEM item) {
    if (!item) return;
    SetFocus(hwnd_);
    // The wide message: Wine makes the label's edit an ANSI window for the
    // ANSI one, which gets typed characters one byte of the code page at a
    // time and cannot take a UTF-8 character. The end of the edit is
    // reported in program text all the same.
    SendMessageW(hwnd_, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item));
}

void KeyTreeView::ToggleExpand(HTREEITEM item) {
    if (!item) return;
    FillChildren(item);
    TreeView_Expand(hwnd_, item, TVE_TOGGLE);
}

// The children are filled first: an item expanded once before does not
// notify TVN_ITEMEXPANDING again.
void KeyTreeView::ExpandKey(HTREEITEM item) {
    if (!item) return;
    FillChildren(item);
    TreeView_Expand(hwnd_, item, TVE_EXPAND);
}

void KeyTreeView::SelectItem(HTREEITEM item) { TreeView_SelectItem(hwnd_, item); }

LRESULT KeyTreeView::OnNotify(NMHDR* header) {
    switch (header->code) {
    case TVN_SELCHANGEDA:
        OnSelectionChanged(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
        return 0;
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
        if (suspended_) return TRUE;
        if (info->action & TVE_EXPAND) FillChildren(info->itemNew.hItem);
        return FALSE;
    }
    case TVN_BEGINLABELEDITA:
        editing_ = true;
        return FALSE;
    case TVN_ENDLABELEDITA:
        editing_ = false;
        return OnEndLabelEdit(reinterpret_cast<NMTVDISPINFOA*>(header)) ? TRUE : FALSE;
    default:
        return 0;
    }
}

void KeyTreeView::OnSelectionChanged(HTREEITEM item) {
    if (rebuilding_) item = nullptr;
    ShowSelectedPath();
    if (list_) list_->Fill(item ? KeyOf(item) : nullptr);
}

// The control has made the new item the selection before it notifies.
void KeyTreeView::ShowSelectedPath() {
    std::string path;
    if (!rebuilding_) PathOf(Selected(), path);
    if (HWND status = host_ ? host_->StatusBar() : nullptr) {
        // The path goes into the simple-mode text and into part 0, so that it
        // is seen whether or not the bar is in simple mode.
        SendMessageA(status, SB_SETTEXTA, SB_SIMPLEID | SBT_NOBORDERS,
                     reinterpret_cast<LPARAM>(path.c_str()));
        SendMessageA(status, SB_SETTEXTA, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(path.c_str()));
    }
    if (HWND address = host_ ? host_->addressBar : nullptr) SetWindowTextA(address, path.c_str());
}

bool KeyTreeView::OnEndLabelEdit(NMTVDISPINFOA* info) {
    KeyNode* key = reinterpret_cast<KeyNode*>(info->item.lParam);
    if (!key) key = KeyOf(info->item.hItem);
    if (!key) return false;
    if (!info->item.pszText) return false;
    if (!host_) return false;
    // The control keeps the typed text as the label when the rename is taken.
    switch (host_->Document().edits->RenameKey(key, info->item.pszText)) {
    case EditRefusal::None:
        return true;
    case EditRefusal::EmptyName:
        RefuseName(IDS_KEY_NAME_EMPTY, key);
        return false;
    case EditRefusal::Backslash:
        RefuseName(IDS_KEY_NAME_BACKSLASH, key);
        return false;
    case EditRefusal::NameTaken:
        RefuseName(IDS_KEY_NAME_TAKEN, key);
        return false;
    default:
        return false;
    }
}

void KeyTreeView::RefuseName(UINT reason, const KeyNode* key) const {
    std::string text = fw::FormatText(reason, key->name);
    MessageBoxA(host_ ? host_->HostWindow() : hwnd_, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(),
                MB_OK | MB_ICONERROR);
}

void KeyTreeView::OnContextMenu(POINT screen) {
    HTREEITEM target = nullptr;
    if (screen.x != -1 || screen.y != -1) {
        TVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(hwnd_, &hit.pt);
        target = TreeView_HitTest(hwnd_, &hit);
        if (!(hit.flags & TVHT_ONITEM)) target = nullptr;
    }
    if (!target) target = Selected();
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: at the target's label, or the tree's corner.
        RECT r{};
        if (target && TreeView_GetItemRect(hwnd_, target, &r, TRUE)) {
            screen = {r.left, r.bottom};
        } else {
            screen = {0, 0};
        }
        ClientToScreen(hwnd_, &screen);
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    fw::UniqueMenu menu(LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TREE_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    KeyNode* targetKey = KeyOf(target);
    bool hasChildren = targetKey && targetKey->firstChild;
    if (!hasChildren) {
        DeleteMenu(popup, ID_TREE_EXPAND, MF_BYCOMMAND);
    } else {
        if (TreeView_GetItemState(hwnd_, target, TVIS_EXPANDED) & TVIS_EXPANDED) {
            std::string text = fw::LoadText(IDS_COLLAPSE);
            if (!text.empty()) {
                MENUITEMINFOA mii{};
                mii.cbSize = sizeof(mii);
                mii.fMask = MIIM_STRING;
                mii.dwTypeData = text.data();
                SetMenuItemInfoA(popup, ID_TREE_EXPAND, FALSE, &mii);
            }
        }
        SetMenuDefaultItem(popup, ID_TREE_EXPAND, FALSE);
    }
    if (!host_) return;
    {
        // The menu's states and its choice are those of the item under the
        // pointer, which need not be the selection.
        fw::ScopedAssign<HTREEITEM> context(contextItem_, target);
        host_->UpdateCommandStates();
        ApplyMenuStates(popup, [this](UINT id) { return host_->IsCommandEnabled(static_cast<int>(id)); });
        int command = host_->TrackPopup(popup, screen);
        menu.Reset();
        if (command) host_->RunCommand(command, hwnd_);
    }
    host_->UpdateCommandStates();
}

void KeyTreeView::OnCommand(int id) {
    if (id == ID_TREE_EXPAND) ToggleExpand(CommandItem());
}

void KeyTreeView::UpdateState(int id, fw::CommandStates& states) {
    KeyNode* key = KeyOf(CommandItem());
    states.Enable(static_cast<UINT>(id), key && key->firstChild);
}

