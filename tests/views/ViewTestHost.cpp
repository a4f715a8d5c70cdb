#include "tests/views/ViewTestHost.h"

#include "resources/resource.h"

#include <cstring>

namespace viewtest {

namespace {
const int kTreeId = 100;
const int kListId = 101;
const char kClass[] = "QuillonViewTestHost";
}  // namespace

std::string SourcePath(const std::string& relative) {
    std::string path = QUILLON_SOURCE_DIR;
    path += "/" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (path.size() > 1 && path[0] == '\\') path = "Z:" + path;
    return path;
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof(dir), dir);
    std::string path = std::string(dir) + "quillon-views-" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::string Utf16File(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

TestHost::TestHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kClass, "Views test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 900,
                            600, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    tree.Create(hwnd_, this, &list, kTreeId);
    list.Create(hwnd_, this, kListId);
    MoveWindow(tree.Hwnd(), 0, 0, 300, 520, FALSE);
    MoveWindow(list.Hwnd(), 300, 0, 580, 520, FALSE);
    Pump(50);
}

TestHost::~TestHost() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void TestHost::DestroyList() {
    if (list.Hwnd()) DestroyWindow(list.Hwnd());
}

LRESULT CALLBACK TestHost::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == kTreeId) return self->tree.OnNotify(header);
        if (header->idFrom == kListId) return self->list.OnNotify(header);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool TestHost::IsCommandEnabled(int id) {
    for (int d : disabledCommands)
        if (d == id) return false;
    return true;
}

namespace {
void ListMenu(HMENU menu, UINT defaultId, std::vector<TestHost::MenuEntry>& out) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ListMenu(sub, GetMenuDefaultItem(sub, FALSE, 0), out);
            continue;
        }
        char text[260] = {};
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_FTYPE;
        mii.dwTypeData = text;
        mii.cch = sizeof(text);
        GetMenuItemInfoA(menu, i, TRUE, &mii);
        if (mii.fType & MFT_SEPARATOR) continue;
        out.push_back({mii.wID, text, !(mii.fState & MFS_DISABLED), mii.wID == defaultId});
    }
}
}  // namespace

int TestHost::TrackPopup(HMENU popup, POINT) {
    lastMenu.clear();
    ListMenu(popup, GetMenuDefaultItem(popup, FALSE, 0), lastMenu);
    // A greyed entry cannot be chosen.
    for (const MenuEntry& entry : lastMenu)
        if (static_cast<int>(entry.id) == popupAnswer && !entry.enabled) return 0;
    return popupAnswer;
}

void TestHost::RunCommand(int id, HWND source) {
    if (id == ID_TREE_EXPAND) tree.OnCommand(id);
    else if (source == tree.Hwnd()) keyCommands.push_back({id, tree.CommandItem()});
    else if (source == list.Hwnd()) valueCommands.push_back({id, list.CommandRow()});
}

bool TestHost::LoadText(const std::string& text, bool checkDuplicates) {
    auto buffer = AllocText(text.size());
    if (!buffer) return false;
    memcpy(buffer.get(), text.data(), text.size());
    // Outside a load the parse runs only while the stop flag is down.
    document.abort.exchange(0);
    bool ok = document.ParseText(std::move(buffer), nullptr, text.size(), checkDuplicates, false);
    document.abort.exchange(1);
    tree.Rebuild(document);
    return ok;
}

HTREEITEM TestHost::SelectPath(const char* path) {
    HTREEITEM item = tree.FindByPath(path);
    tree.SelectItem(item);
    return item;
}

std::string TestHost::StatusText() {
    // The simple-mode text is read back in simple mode.
    char text[1024] = {};
    SendMessageA(status_, SB_SIMPLE, TRUE, 0);
    SendMessageA(status_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(status_, SB_SIMPLE, FALSE, 0);
    return text;
}

void TestHost::Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

DialogWatcher::DialogWatcher(std::function<int(HWND, const Seen&)> answer, DWORD timeoutMs)
    : answer_(std::move(answer)) {
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this, timeoutMs] { Run(timeoutMs); });
}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&lock_);
}

std::vector<DialogWatcher::Seen> DialogWatcher::Dialogs() const {
    EnterCriticalSection(&lock_);
    auto copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}

size_t DialogWatcher::Count() const { return Dialogs().size(); }

namespace {
struct FindState {
    DWORD pid;
    std::vector<HWND> found;
};
BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (pid == state->pid && IsWindowVisible(hwnd) && strcmp(cls, "#32770") == 0)
        state->found.push_back(hwnd);
    return TRUE;
}
}  // namespace

void DialogWatcher::Run(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!stop_ && GetTickCount() - start < timeoutMs) {
        FindState state{GetCurrentProcessId(), {}};
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&state));
        for (HWND dlg : state.found) {
            bool done = false;
            for (HWND a : answered_) done = done || a == dlg;
            if (done) continue;
            Seen seen;
            char text[2048] = {};
            GetWindowTextA(dlg, text, sizeof(text));
            seen.caption = text;
            text[0] = '\0';
            if (HWND st = GetDlgItem(dlg, 0xFFFF)) GetWindowTextA(st, text, sizeof(text));
            seen.text = text;
            int button = answer_(dlg, seen);
            if (button == 0) continue;
            EnterCriticalSection(&lock_);
            seen_.push_back(seen);
            LeaveCriticalSection(&lock_);
            answered_.push_back(dlg);
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
        }
        Sleep(10);
    }
}

int PressOk(HWND dlg, const DialogWatcher::Seen&) {
    if (GetDlgItem(dlg, IDOK)) return IDOK;
    return IDCANCEL;
}

namespace {
void AddKeys(const KeyNode* key, int depth, std::vector<std::pair<int, std::string>>& out) {
    for (; key; key = key->nextSibling) {
        out.push_back({depth, key->name});
        AddKeys(key->firstChild, depth + 1, out);
    }
}
void AddItems(HWND tree, HTREEITEM item, int depth, std::vector<std::pair<int, std::string>>& out) {
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        char text[1024] = {};
        TVITEMA tvi{};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = item;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof(text);
        TreeView_GetItem(tree, &tvi);
        out.push_back({depth, text});
        AddItems(tree, TreeView_GetChild(tree, item), depth + 1, out);
    }
}
}  // namespace

std::vector<std::pair<int, std::string>> DocumentKeys(const RegDocument& document) {
    std::vector<std::pair<int, std::string>> out;
    for (const KeyNode* root : document.roots) {
        out.push_back({0, root->name});
        AddKeys(root->firstChild, 1, out);
    }
    return out;
}

std::vector<std::pair<int, std::string>> TreeKeys(HWND tree) {
    std::vector<std::pair<int, std::string>> out;
    AddItems(tree, TreeView_GetRoot(tree), 0, out);
    return out;
}

void ExpandAll(HWND tree) {
    std::vector<HTREEITEM> pending;
    for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) pending.push_back(i);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        TreeView_Expand(tree, item, TVE_EXPAND);
        for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
            pending.push_back(c);
    }
}

std::vector<std::pair<int, std::string>> ExpandedTreeKeys(HWND tree) {
    ExpandAll(tree);
    return TreeKeys(tree);
}

std::vector<Row> ListRows(HWND list) {
    std::vector<Row> rows;
    int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        Row row;
        char text[2048];
        for (int c = 0; c < 3; ++c) {
            text[0] = '\0';
            ListView_GetItemText(list, i, c, text, sizeof(text));
            (c == 0 ? row.name : c == 1 ? row.type : row.data) = text;
        }
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        ListView_GetItem(list, &item);
        row.image = item.iImage;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace viewtest
