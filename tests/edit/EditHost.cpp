#include "tests/edit/EditHost.h"

#include <cstring>

#include "document/RegParser.h"
#include "resources/resource.h"

namespace edittest {

namespace {
constexpr int kTreeId = 100;
constexpr int kListId = 101;
constexpr char kClass[] = "QuillonEditTestHost";

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<std::vector<HWND>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && strcmp(cls, "#32770") == 0)
        found->push_back(hwnd);
    return TRUE;
}
}  // namespace

void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(2);
    } while (GetTickCount() - start < ms);
}

// One top-level window serves every host of the run: hiding a top-level
// window costs Wine two seconds under a bare X server, a child costs nothing.
// Each host gets a fresh child panel holding its views.
HWND SharedTopLevel() {
    static HWND top = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillonEditTestTop";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassA(&wc);
        return CreateWindowExA(0, wc.lpszClassName, "Edit test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                               900, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }();
    return top;
}

EditHost::EditHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    top_ = SharedTopLevel();
    // The menu bar of the real frame, so the Edit menu can be inspected.
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128));
    HMENU old = GetMenu(top_);
    SetMenu(top_, menu);
    if (old) DestroyMenu(old);
    SetWindowTextA(top_, "Edit test");
    RECT rc{};
    GetClientRect(top_, &rc);
    panel_ = CreateWindowExA(WS_EX_CONTROLPARENT, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom,
                             top_, nullptr, GetModuleHandleA(nullptr), this);
    states.SetMenuBar(menu);
    commands.Add(&edit, EditCommands::kCommands, EditCommands::kCommandCount);
    commands.Add(&tree, {ID_TREE_EXPAND});
    tree.Create(panel_, this, &list, kTreeId);
    list.Create(panel_, this, kListId);
    MoveWindow(tree.Hwnd(), 0, 0, 300, 500, FALSE);
    MoveWindow(list.Hwnd(), 300, 0, 580, 500, FALSE);
    document.SetFileName("", "Untitled");
    SetForegroundWindow(top_);
    SetFocus(tree.Hwnd());
    Pump(30);
}

EditHost::~EditHost() {
    states.SetMenuBar(nullptr);
    if (panel_) DestroyWindow(panel_);
    Pump(10);
}

void EditHost::UpdateCommandStates() {
    commands.UpdateStates(states);
    states.Enable(57603, document.modified);
}

void EditHost::UpdateTitle() {
    std::string caption = document.title + (document.modified ? "*" : "") + "-Quillon";
    SetWindowTextA(top_, caption.c_str());
}

std::string EditHost::Caption() const {
    char text[512] = {};
    GetWindowTextA(top_, text, sizeof text);
    return text;
}

LRESULT CALLBACK EditHost::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<EditHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == NM_SETFOCUS) {
            self->UpdateCommandStates();
            self->edit.OnViewFocus(header->hwndFrom);
        }
        if (header->idFrom == kTreeId) return self->tree.OnNotify(header);
        if (header->idFrom == kListId) return self->list.OnNotify(header);
    }
    if (self && msg == WM_COMMAND && lParam == 0) {
        self->commands.Route(LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool EditHost::Load(const std::string& text) {
    auto buffer = AllocText(text.size());
    if (!buffer) return false;
    memcpy(buffer.get(), text.data(), text.size());
    // A parse outside a load runs with the stop flag down, as a paste does.
    document.abort.store(0);
    bool ok = document.ParseText(std::move(buffer), nullptr, text.size(), true, false);
    document.abort.store(1);
    tree.Rebuild(document);
    return ok;
}

HTREEITEM EditHost::Select(const char* path) {
    HTREEITEM item = tree.FindByPath(path);
    tree.SelectItem(item);
    return item;
}

void EditHost::EndLabelEdits() {
    TreeView_EndEditLabelNow(tree.Hwnd(), FALSE);
    // Wine's list view does not serve LVM_CANCELEDITLABEL; Escape in the
    // label editor cancels everywhere (keeping the name would be a clash
    // with the row itself).
    if (HWND editor = ListView_GetEditControl(list.Hwnd())) SendMessageA(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(10);
}

std::vector<std::string> EditHost::Row(int row) const {
    std::vector<std::string> cells;
    for (int column = 0; column < 3; ++column) {
        char text[1024] = {};
        ListView_GetItemText(list.Hwnd(), row, column, text, sizeof text);
        cells.push_back(text);
    }
    return cells;
}

std::vector<std::string> EditHost::RowNames() const {
    std::vector<std::string> names;
    int count = ListView_GetItemCount(list.Hwnd());
    for (int row = 0; row < count; ++row) names.push_back(Row(row)[0]);
    return names;
}

std::vector<std::string> EditHost::ChildNames(const char* path) {
    std::vector<std::string> names;
    HTREEITEM item = path ? tree.FindByPath(path) : nullptr;
    if (item) tree.FillChildren(item);
    HTREEITEM child = item ? TreeView_GetChild(tree.Hwnd(), item) : TreeView_GetRoot(tree.Hwnd());
    for (; child; child = TreeView_GetNextSibling(tree.Hwnd(), child)) {
        char text[260] = {};
        TVITEMA item2{};
        item2.mask = TVIF_TEXT;
        item2.hItem = child;
        item2.pszText = text;
        item2.cchTextMax = sizeof text;
        TreeView_GetItem(tree.Hwnd(), &item2);
        names.push_back(text);
    }
    return names;
}

BoxAnswerer::BoxAnswerer(std::function<int(const Box&)> answer) : answer_(std::move(answer)) {
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] {
        std::vector<HWND> answered;
        DWORD start = GetTickCount();
        // Bounded: a box nobody expected must not keep the test alive for ever.
        while (!stop_ && GetTickCount() - start < 60000) {
            std::vector<HWND> found;
            EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&found));
            for (HWND box : found) {
                bool seen = false;
                for (HWND a : answered) seen = seen || a == box;
                if (seen) continue;
                Box info;
                char text[2048] = {};
                GetWindowTextA(box, text, sizeof text);
                info.caption = text;
                text[0] = '\0';
                if (HWND label = GetDlgItem(box, 0xFFFF)) GetWindowTextA(label, text, sizeof text);
                info.text = text;
                int button = answer_(info);
                if (!button) continue;
                EnterCriticalSection(&lock_);
                boxes_.push_back(info);
                LeaveCriticalSection(&lock_);
                answered.push_back(box);
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
            }
            Sleep(15);
        }
    });
}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&lock_);
}

std::vector<BoxAnswerer::Box> BoxAnswerer::Boxes() {
    EnterCriticalSection(&lock_);
    auto copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void PutClipboardText(const std::string& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

std::string ScratchPath(const std::string& name) {
    static std::string dir = [] {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        std::string d = std::string(temp) + "quillon-edit-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(d.c_str(), nullptr);
        return d;
    }();
    return dir + "\\" + name;
}

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

}  // namespace edittest
