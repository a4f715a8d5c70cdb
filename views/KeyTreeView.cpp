#include "views/KeyTreeView.h"

#include <cstring>

#include "document/RegDocument.h"
#include "resources/resource.h"
#include "framework/Strings.h"
#include "views/MenuStates.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace {

const int kNameBuffer = 260;
const int kCollapseString = 136;
const int kTreeMenu = 229;

enum : int {
    kCmdExpand = 218,
    kCmdNewKey = 207,
    kCmdNewString = 208,
    kCmdNewBinary = 209,
    kCmdNewDword = 210,
    kCmdNewMultiString = 276,
    kCmdNewExpandString = 277,
    kCmdDelete = 203,
    kCmdRename = 204,
    kCmdCopyKeyName = 205,
    kCmdQuickRegEdit = 212,
    kCmdMergeIntoRegistry = 268,
    kCmdImportFromRegistry = 270,
    kCmdCut = 57635,
    kCmdCopy = 57634,
    kCmdPaste = 57637,
};

std::string ItemText(HWND tree, HTREEITEM item, int limit) {
    std::string text(static_cast<size_t>(limit), '\0');
    TVITEMA tvi{};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = text.data();
    tvi.cchTextMax = limit;
    if (!TreeView_GetItem(tree, &tvi)) return {};
    text.resize(strlen(text.c_str()));
    return text;
}

// The whole label, however long: grows the buffer until the text fits.
std::string FullItemText(HWND tree, HTREEITEM item) {
    for (int limit = kNameBuffer;; limit *= 4) {
        std::string text = ItemText(tree, item, limit);
        if (static_cast<int>(text.size()) < limit - 1 || limit > (1 << 20)) return text;
    }
}

}  // namespace

KeyTreeView::~KeyTreeView() {
    if (images_) ImageList_Destroy(images_);
}

bool KeyTreeView::Create(HWND parent, ViewHost* host, ValueListView* list, int controlId) {
    host_ = host;
    list_ = list;
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                                TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS |
                                TVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    if (images_) {
        for (int id : {IDI_KEY_CLOSED, IDI_KEY_OPEN}) {
            HICON icon = static_cast<HICON>(
                LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
            ImageList_AddIcon(images_, icon);
            if (icon) DestroyIcon(icon);
        }
        TreeView_SetImageList(hwnd_, images_, TVSIL_NORMAL);
    }
    return true;
}

void KeyTreeView::SetRedraw(bool on) {
    SendMessageA(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The items are deleted with their keys possibly gone already (a load clears
// the document first), so the selection is dropped before the delete: the
// selection change that the delete would raise then has no stale key to read.
void KeyTreeView::Rebuild(RegDocument& document) {
    SetRedraw(false);
    TreeView_SelectItem(hwnd_, nullptr);
    rebuilding_ = true;
    TreeView_DeleteAllItems(hwnd_);
    rebuilding_ = false;
    InsertLevels(document);
    SetRedraw(true);
}

// Every item is appended as the last child of its parent, so the order of
// insertion does not change the tree; it changes the control's cost. Wine's
// tree-view checks the parent of each insertion by a linear search of its
// items in insertion order, which makes depth-first insertion quadratic
// (300,000 keys: 17.5 s). Level by level, a parent stands among the items of
// the levels above, which in a registry are few next to the leaves (1.4 s).
void KeyTreeView::InsertLevels(RegDocument& document) {
    std::vector<std::pair<KeyNode*, HTREEITEM>> level, next;
    level.reserve(document.roots.size());
    for (KeyNode* root : document.roots) level.push_back({root, nullptr});
    while (!level.empty()) {
        next.clear();
        for (auto [key, parent] : level) {
            HTREEITEM item = InsertKey(key, parent);
            if (!item) continue;
            for (KeyNode* child = key->firstChild; child; child = child->nextSibling)
                next.push_back({child, item});
        }
        level.swap(next);
    }
}

HTREEITEM KeyTreeView::InsertKey(KeyNode* key, HTREEITEM parent) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(key->name);
    ins.item.iImage = 0;
    ins.item.iSelectedImage = 1;
    ins.item.lParam = reinterpret_cast<LPARAM>(key);
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    key->viewItem = item;
    return item;
}

HTREEITEM KeyTreeView::EnsureItem(KeyNode* key) {
    if (!key) return nullptr;
    if (key->viewItem) return static_cast<HTREEITEM>(key->viewItem);
    HTREEITEM parent = nullptr;
    if (key->parent) {
        parent = EnsureItem(key->parent);
        if (!parent) return nullptr;
    }
    return InsertKey(key, parent);
}

KeyNode* KeyTreeView::KeyOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMA tvi{};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    if (!TreeView_GetItem(hwnd_, &tvi)) return nullptr;
    return reinterpret_cast<KeyNode*>(tvi.lParam);
}

HTREEITEM KeyTreeView::Selected() const { return TreeView_GetSelection(hwnd_); }

void KeyTreeView::PathOf(HTREEITEM item, std::string& out) const {
    out.clear();
    if (!item) item = Selected();
    if (!item) return;
    std::vector<std::string> parts;
    for (HTREEITEM i = item; i; i = TreeView_GetParent(hwnd_, i))
        parts.push_back(FullItemText(hwnd_, i));
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (!out.empty()) out += '\\';
        out += *it;
    }
}

bool KeyTreeView::HasChildNamed(HTREEITEM parent, const char* name) const {
    HTREEITEM child = parent ? TreeView_GetChild(hwnd_, parent) : TreeView_GetRoot(hwnd_);
    for (; child; child = TreeView_GetNextSibling(hwnd_, child))
        if (lstrcmpiA(ItemText(hwnd_, child, kNameBuffer).c_str(), name) == 0) return true;
    return false;
}

bool KeyTreeView::HasChildNamedLocale(const char* name, HTREEITEM parent) const {
    if (!parent) parent = Selected();
    if (!parent) return false;
    for (HTREEITEM child = TreeView_GetChild(hwnd_, parent); child;
         child = TreeView_GetNextSibling(hwnd_, child)) {
        std::string text = FullItemText(hwnd_, child);
        if (CompareStringA(GetThreadLocale(), NORM_IGNORECASE, text.c_str(), -1, name, -1) ==
            CSTR_EQUAL)
            return true;
    }
    return false;
}

HTREEITEM KeyTreeView::FindByPath(const char* path) const {
    if (!path || !*path) return nullptr;
    HTREEITEM level = TreeView_GetRoot(hwnd_);
    HTREEITEM found = nullptr;
    const char* p = path;
    for (;;) {
        const char* end = strchr(p, '\\');
        std::string component = end ? std::string(p, end) : std::string(p);
        found = nullptr;
        for (HTREEITEM i = level; i; i = TreeView_GetNextSibling(hwnd_, i)) {
            if (lstrcmpiA(FullItemText(hwnd_, i).c_str(), component.c_str()) == 0) {
                found = i;
                break;
            }
        }
        if (!found || !end) return found;
        p = end + 1;
        level = TreeView_GetChild(hwnd_, found);
    }
}

void KeyTreeView::LeafPaths(std::vector<std::string>& out) const {
    for (HTREEITEM top = TreeView_GetRoot(hwnd_); top; top = TreeView_GetNextSibling(hwnd_, top)) {
        HTREEITEM child = TreeView_GetChild(hwnd_, top);
        if (!child) continue;
        std::string prefix = FullItemText(hwnd_, top);
        for (; child; child = TreeView_GetNextSibling(hwnd_, child))
            CollectLeafPaths(child, prefix, out);
    }
}

void KeyTreeView::CollectLeafPaths(HTREEITEM item, std::string& prefix,
                                   std::vector<std::string>& out) const {
    size_t keep = prefix.size();
    prefix += '\\';
    prefix += FullItemText(hwnd_, item);
    HTREEITEM child = TreeView_GetChild(hwnd_, item);
    if (!child) out.push_back(prefix);
    for (; child; child = TreeView_GetNextSibling(hwnd_, child)) CollectLeafPaths(child, prefix, out);
    prefix.resize(keep);
}

void KeyTreeView::RemoveItem(HTREEITEM item) {
    if (item) TreeView_DeleteItem(hwnd_, item);
}

void KeyTreeView::BeginRename(HTREEITEM item) {
    if (!item) return;
    SetFocus(hwnd_);
    TreeView_EditLabel(hwnd_, item);
}

void KeyTreeView::ToggleExpand(HTREEITEM item) {
    if (item) TreeView_Expand(hwnd_, item, TVE_TOGGLE);
}

void KeyTreeView::SelectItem(HTREEITEM item) { TreeView_SelectItem(hwnd_, item); }

LRESULT KeyTreeView::OnNotify(NMHDR* header) {
    switch (header->code) {
    case TVN_SELCHANGEDA:
        OnSelectionChanged(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
        return 0;
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
    std::string path;
    if (item) PathOf(item, path);
    if (HWND status = host_ ? host_->StatusBar() : nullptr) {
        // The path goes into the simple-mode text and into part 0, so that it
        // is seen whether or not the bar is in simple mode.
        SendMessageA(status, SB_SETTEXTA, SB_SIMPLEID | SBT_NOBORDERS,
                     reinterpret_cast<LPARAM>(path.c_str()));
        SendMessageA(status, SB_SETTEXTA, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(path.c_str()));
    }
    if (list_) list_->Fill(item ? KeyOf(item) : nullptr);
}

bool KeyTreeView::OnEndLabelEdit(NMTVDISPINFOA* info) {
    KeyNode* key = reinterpret_cast<KeyNode*>(info->item.lParam);
    if (!key) key = KeyOf(info->item.hItem);
    if (!key) return false;
    if (!info->item.pszText) return false;
    // A key line cannot carry an empty name or a backslash inside a name: the
    // saved file would name another key, and the key would move when read again.
    if (info->item.pszText[0] == '\0' || strchr(info->item.pszText, '\\')) return false;
    key->SetName(info->item.pszText);
    if (host_) {
        host_->Document().modified = true;
        host_->UpdateCommandStates();
        host_->UpdateTitle();
    }
    return true;
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
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(kTreeMenu));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (!popup) {
        DestroyMenu(menu);
        return;
    }
    bool hasChildren = target && TreeView_GetChild(hwnd_, target) != nullptr;
    if (!hasChildren) {
        DeleteMenu(popup, kCmdExpand, MF_BYCOMMAND);
    } else {
        if (TreeView_GetItemState(hwnd_, target, TVIS_EXPANDED) & TVIS_EXPANDED) {
            std::string text = fw::LoadText(kCollapseString);
            if (!text.empty()) {
                MENUITEMINFOA mii{};
                mii.cbSize = sizeof(mii);
                mii.fMask = MIIM_STRING;
                mii.dwTypeData = text.data();
                SetMenuItemInfoA(popup, kCmdExpand, FALSE, &mii);
            }
        }
        SetMenuDefaultItem(popup, kCmdExpand, FALSE);
    }
    if (host_) {
        host_->UpdateCommandStates();
        ApplyMenuStates(popup, [this](UINT id) {
            return id == kCmdExpand || host_->IsCommandEnabled(static_cast<int>(id));
        });
    }
    int command = host_ ? host_->TrackPopup(popup, screen) : 0;
    DestroyMenu(menu);

    switch (command) {
    case kCmdExpand:
        ToggleExpand(target);
        break;
    case kCmdNewString:
    case kCmdNewBinary:
    case kCmdNewDword:
    case kCmdNewMultiString:
    case kCmdNewExpandString:
        PostMessageA(host_->HostWindow(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        break;
    case kCmdRename:
        BeginRename(target);
        break;
    case kCmdNewKey:
    case kCmdDelete:
    case kCmdCopyKeyName:
    case kCmdQuickRegEdit:
    case kCmdMergeIntoRegistry:
    case kCmdImportFromRegistry:
    case kCmdCut:
    case kCmdCopy:
    case kCmdPaste:
        if (target || command == kCmdMergeIntoRegistry || command == kCmdImportFromRegistry)
            host_->RunKeyCommand(command, target);
        break;
    default:
        break;
    }
    if (host_) {
        host_->UpdateCommandStates();
        host_->UpdateTitle();
    }
}
