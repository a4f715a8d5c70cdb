#include "tests/views/ViewTestHost.h"

#include "document/ValueEntry.h"
#include "resources/resource.h"

#include <cstring>

#include "tests/ui/Harness.h"

namespace viewtest {

namespace {
constexpr int kTreeId = 100;
constexpr int kListId = 101;
constexpr char kClass[] = "QuillonViewTestHost";

// One top-level window serves every host of the run: hiding a top-level
// window costs Wine two seconds under a bare X server, a child costs nothing.
// Each host gets a fresh child panel holding its views.
HWND SharedTopLevel() {
    static HWND top = harness::PlainWindow("QuillonViewTestTop", "View test", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    return top;
}

void ListMenu(HMENU menu, UINT defaultId, std::vector<TestHost::MenuEntry>& out) {
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ListMenu(sub, GetMenuDefaultItem(sub, FALSE, 0), out);
            continue;
        }
        UINT state = GetMenuState(menu, i, MF_BYPOSITION), id = GetMenuItemID(menu, i);
        if (state & MF_SEPARATOR) continue;
        char text[260] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        out.push_back({id, text, !(state & (MF_GRAYED | MF_DISABLED)), id == defaultId});
    }
}

}  // namespace

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool EndLabel(HWND editor, const char* text, bool cancel) {
    if (!editor) return false;
    SetWindowTextA(editor, text);
    SendMessageA(editor, WM_KEYDOWN, cancel ? VK_ESCAPE : VK_RETURN, 0);
    Pump();
    return true;
}

TestHost::TestHost() {
    harness::RegisterPlainClass(kClass, Proc);
    top_ = SharedTopLevel();
    // The menu bar of the real frame, so the Edit menu follows the states.
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
    HMENU old = GetMenu(top_);
    SetMenu(top_, menu);
    if (old) DestroyMenu(old);
    RECT rc{};
    GetClientRect(top_, &rc);
    panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom,
                             top_, nullptr, GetModuleHandleA(nullptr), this);
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, panel_, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    services = ViewHost{top_, panel_, &document, status_, &states, &commands};
    states.SetMenuBar(menu);
    commands.Add(&edit, EditCommands::kCommands, EditCommands::kCommandCount);
    commands.Add(&tree, {ID_TREE_EXPAND});
    edit.Observe(document);
    tree.Create(panel_, &services, &list, kTreeId);
    list.Create(panel_, &services, kListId);
    MoveWindow(tree.Hwnd(), 0, 0, 300, 500, FALSE);
    MoveWindow(list.Hwnd(), 300, 0, 580, 500, FALSE);
    document.SetFileName("", "Untitled");
    SetForegroundWindow(top_);
    SetFocus(tree.Hwnd());
    Pump();
}

TestHost::~TestHost() {
    states.SetMenuBar(nullptr);
    if (panel_) DestroyWindow(panel_);
    Pump();
}

void TestHost::UpdateCommandStates() {
    commands.UpdateStates(states);
    states.Enable(57603, document.modified);
    for (int id : disabled_) states.Enable(static_cast<UINT>(id), false);
}

void TestHost::DisableCommands(std::vector<int> ids) {
    disabled_ = std::move(ids);
    UpdateCommandStates();
}

void TestHost::UpdateTitle() {
    std::string caption = document.title + (document.modified ? "*" : "") + "-Quillon";
    SetWindowTextA(top_, caption.c_str());
}

std::string TestHost::Caption() const { return harness::WindowText(top_); }

int TestHost::AnswerPopup(HMENU popup) {
    lastMenu.clear();
    ListMenu(popup, GetMenuDefaultItem(popup, FALSE, 0), lastMenu);
    // A greyed entry cannot be chosen.
    const MenuEntry* chosen = MenuItem(static_cast<UINT>(popupAnswer));
    return chosen && !chosen->enabled ? 0 : popupAnswer;
}

const TestHost::MenuEntry* TestHost::MenuItem(UINT id) const {
    for (const MenuEntry& entry : lastMenu)
        if (entry.id == id) return &entry;
    return nullptr;
}

// Expand runs in the tree; every other command chosen in a view is only
// recorded, with what it acts on. Editors open as the document's own.
LRESULT TestHost::AnswerViews(WPARAM request, LPARAM data) {
    switch (request) {
    case ViewHost::kRefreshStates:
        UpdateCommandStates();
        break;
    case ViewHost::kRefreshTitle:
        UpdateTitle();
        break;
    case ViewHost::kRunCommand: {
        const auto* command = reinterpret_cast<const ViewHost::CommandRequest*>(data);
        if (command->id == ID_TREE_EXPAND) tree.OnCommand(command->id);
        else if (command->source == tree.Hwnd()) keyCommands.push_back({command->id, tree.CommandItem()});
        else if (command->source == list.Hwnd()) valueCommands.push_back({command->id, list.CommandRow()});
        break;
    }
    case ViewHost::kEditValue:
        return reinterpret_cast<ValueEntry*>(data)->Edit(top_);
    default:
        break;
    }
    return 0;
}

LRESULT CALLBACK TestHost::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == NM_SETFOCUS) {
            self->UpdateCommandStates();
            self->edit.OnViewFocus(header->hwndFrom);
        }
        if (header->idFrom == kTreeId) return self->tree.OnNotify(header);
        if (header->idFrom == kListId) return self->list.OnNotify(header);
    }
    if (self && msg == ViewHost::RequestMessage()) return self->AnswerViews(wParam, lParam);
    if (self && msg == fw::PopupMessage()) return self->AnswerPopup(reinterpret_cast<HMENU>(wParam));
    if (self && msg == WM_COMMAND && lParam == 0) {
        self->commands.Route(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool TestHost::Load(const std::string& text, bool checkDuplicates) {
    auto buffer = AllocText(text.size());
    if (!buffer) return false;
    memcpy(buffer.get(), text.data(), text.size());
    // A parse outside a load runs with the stop flag down, as a paste does.
    ParseScope scope(document.abort);
    bool ok = static_cast<bool>(document.ParseText(std::move(buffer), nullptr, text.size(), checkDuplicates, false));
    tree.Rebuild(document);
    return ok;
}

HTREEITEM TestHost::Select(const char* path) {
    HTREEITEM item = tree.FindByPath(path);
    tree.SelectItem(item);
    return item;
}

bool TestHost::RenameKey(HTREEITEM item, const char* text, bool cancel) {
    HWND editor = TreeView_EditLabel(tree.Hwnd(), item);
    return tree.IsEditingLabel() && EndLabel(editor, text, cancel);
}

bool TestHost::RenameRow(int row, const char* text, bool cancel) {
    return EndLabel(ListView_EditLabel(list.Hwnd(), row), text, cancel);
}

void TestHost::EndLabelEdits() {
    TreeView_EndEditLabelNow(tree.Hwnd(), FALSE);
    // Wine's list view does not serve LVM_CANCELEDITLABEL; Escape in the
    // label editor cancels everywhere (keeping the name would be a clash
    // with the row itself).
    if (HWND editor = ListView_GetEditControl(list.Hwnd())) SendMessageA(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
}

std::string TestHost::StatusText() {
    // The simple-mode text is read back in simple mode.
    char text[1024] = {};
    SendMessageA(status_, SB_SIMPLE, TRUE, 0);
    SendMessageA(status_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(status_, SB_SIMPLE, FALSE, 0);
    return text;
}

std::vector<TestHost::Row> TestHost::Rows() const {
    std::vector<Row> rows;
    for (auto& r : harness::ListRows(list.Hwnd(), 3)) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = static_cast<int>(rows.size());
        ListView_GetItem(list.Hwnd(), &item);
        rows.push_back({r.cells[0], r.cells[1], r.cells[2], item.iImage});
    }
    return rows;
}

std::vector<std::string> TestHost::RowNames() const {
    std::vector<std::string> names;
    for (const Row& row : Rows()) names.push_back(row.name);
    return names;
}

std::vector<std::string> TestHost::ChildNames(const char* path) {
    std::vector<std::string> names;
    HTREEITEM item = path ? tree.FindByPath(path) : nullptr;
    if (item) tree.FillChildren(item);
    HTREEITEM child = item ? TreeView_GetChild(tree.Hwnd(), item) : TreeView_GetRoot(tree.Hwnd());
    for (; child; child = TreeView_GetNextSibling(tree.Hwnd(), child)) names.push_back(ItemText(tree.Hwnd(), child));
    return names;
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[1024] = {};
    TVITEMA tvi{};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = sizeof text;
    TreeView_GetItem(tree, &tvi);
    return text;
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    std::string path = harness::ScratchPath(name);
    harness::WriteFile(path, bytes);
    return path;
}

std::vector<std::pair<int, std::string>> DocumentKeys(const RegDocument& document) {
    std::vector<std::pair<int, std::string>> out;
    ForEachKey(document.roots, [&](KeyNode* key) {
        int depth = 0;
        for (const KeyNode* k = key->parent; k; k = k->parent) ++depth;
        out.push_back({depth, key->name});
    });
    return out;
}

std::vector<std::pair<int, std::string>> TreeKeys(HWND tree) {
    std::vector<std::pair<int, std::string>> out;
    for (auto& node : harness::TreeItems(tree)) out.push_back({node.depth, node.text});
    return out;
}

std::vector<std::pair<int, std::string>> ExpandedTreeKeys(HWND tree) {
    harness::TreeExpandAll(tree);
    return TreeKeys(tree);
}

}  // namespace viewtest
