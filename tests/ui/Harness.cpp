#include "tests/ui/Harness.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace harness {

namespace {

// The visible top-level windows of a process with the class (and title,
// when not null), in Z order.
std::vector<HWND> VisibleWindows(DWORD pid, const char* className, const char* title = nullptr) {
    return WindowsWhere(nullptr, [&](HWND hwnd) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        return owner == pid && IsWindowVisible(hwnd) && ClassName(hwnd) == className &&
               (!title || WindowText(hwnd) == title);
    });
}

HWND FindNow(DWORD pid, const char* className, const char* title) {
    std::vector<HWND> found = VisibleWindows(pid, className, title);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> VisibleDialogs(DWORD pid) { return VisibleWindows(pid, "#32770"); }

// Memory inside another process, freed on scope exit.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            base_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteBuffer() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Ok() const { return base_ != nullptr; }
    char* At(size_t offset) const { return base_ + offset; }
    bool Write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, base_ + offset, data, size, &done) && done == size;
    }
    bool Read(size_t offset, void* data, size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               ReadProcessMemory(process_, base_ + offset, data, size, &done) && done == size;
    }
    std::string ReadText(size_t offset, size_t max) const {
        std::string text(max, '\0');
        if (!Read(offset, text.data(), max)) return {};
        text.resize(strnlen(text.c_str(), max));
        return text;
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_;
};

constexpr size_t kTextMax = 1024;
constexpr size_t kTextOffset = 256;  // after the item structure

// The text of a tree item or list cell through a message that fills `item`
// (a TVITEMA or LVITEMA) in the other process; `item` gets its fields back.
template <class Item>
std::string RemoteItemText(HWND control, RemoteBuffer& buf, UINT message, WPARAM wParam, Item& item) {
    item.pszText = buf.At(kTextOffset);
    item.cchTextMax = kTextMax;
    char zero = 0;
    if (!buf.Write(kTextOffset, &zero, 1) || !buf.Write(0, &item, sizeof item) ||
        !SendMessageTimeoutA(control, message, wParam, reinterpret_cast<LPARAM>(buf.At(0)), SMTO_ABORTIFHUNG,
                             kTimeout, nullptr))
        return {};
    buf.Read(0, &item, sizeof item);
    return buf.ReadText(kTextOffset, kTextMax);
}

HTREEITEM NextItem(HWND tree, UINT code, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

void CollectTree(HWND tree, RemoteBuffer& buf, HTREEITEM first, int depth, std::vector<TreeNode>& out) {
    for (HTREEITEM item = first; item; item = NextItem(tree, TVGN_NEXT, item)) {
        TVITEMA tvi{};
        tvi.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
        tvi.hItem = item;
        tvi.stateMask = TVIS_SELECTED | TVIS_EXPANDED;
        std::string text = RemoteItemText(tree, buf, TVM_GETITEMA, 0, tvi);
        out.push_back({text, depth, (tvi.state & TVIS_SELECTED) != 0, (tvi.state & TVIS_EXPANDED) != 0, tvi.cChildren});
        CollectTree(tree, buf, NextItem(tree, TVGN_CHILD, item), depth + 1, out);
    }
}

}  // namespace

std::vector<HWND> WindowsWhere(HWND parent, const std::function<bool(HWND)>& match) {
    struct Walk {
        const std::function<bool(HWND)>& match;
        std::vector<HWND> found;
    } walk{match, {}};
    WNDENUMPROC visit = [](HWND hwnd, LPARAM p) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(p);
        if (w->match(hwnd)) w->found.push_back(hwnd);
        return TRUE;
    };
    if (parent) EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&walk));
    else EnumWindows(visit, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

HWND FirstWhere(HWND parent, const std::function<bool(HWND)>& match) {
    std::vector<HWND> found = WindowsWhere(parent, match);
    return found.empty() ? nullptr : found.front();
}

// The clipboard may be held for a moment by whoever hands it on (under Wine,
// the manager that gives it to the X selection after every change).
bool OpenClipboardSoon(HWND owner) {
    return WaitUntil([&] { return OpenClipboard(owner) != FALSE; }, 5000);
}

std::string ClipboardText(UINT format) {
    std::string bytes;
    if (!OpenClipboardSoon(nullptr)) return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (const char* block = static_cast<const char*>(GlobalLock(data))) {
            size_t size = GlobalSize(data);
            bytes.assign(block, format == CF_UNICODETEXT
                                    ? wcsnlen(reinterpret_cast<const wchar_t*>(block), size / 2) * 2
                                    : strnlen(block, size));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return bytes;
}

void SetClipboardText(const std::string& text) { PlaceClipboardBlocks({{CF_TEXT, text + '\0'}}); }

void PlaceClipboardBlocks(const std::vector<std::pair<UINT, std::string>>& blocks) {
    // The clipboard takes data only from an owner window (a message-only one
    // of the first caller's thread).
    static HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!OpenClipboardSoon(owner)) return;
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!memory) continue;
        if (!bytes.empty()) {
            memcpy(GlobalLock(memory), bytes.data(), bytes.size());
            GlobalUnlock(memory);
        }
        if (!SetClipboardData(format, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

void RegisterPlainClass(const char* className, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
}

HWND PlainWindow(const char* className, const char* title, DWORD style, WNDPROC proc, void* param) {
    RegisterPlainClass(className, proc);
    return CreateWindowExA(0, className, title, style, 20, 20, 900, 600, nullptr, nullptr, GetModuleHandleA(nullptr),
                           param);
}

HWND FindVisible(DWORD pid, const char* className, HWND except) {
    for (HWND hwnd : VisibleWindows(pid, className))
        if (hwnd != except) return hwnd;
    return nullptr;
}

bool WaitForMenus(DWORD pid, int count, DWORD timeoutMs) {
    std::vector<HWND> menus;
    if (!WaitUntil([&] { return static_cast<int>((menus = VisibleWindows(pid, "#32768")).size()) >= count; },
                   timeoutMs))
        return false;
    // Shown is not yet tracking: the menu loop answers a sent message once it runs.
    Sync(menus.front());
    return true;
}

HWND Descendant(HWND parent, int id) {
    return FirstWhere(parent, [id](HWND child) { return GetDlgCtrlID(child) == id; });
}

HWND DescendantOfClass(HWND parent, const char* className) {
    return FirstWhere(parent, [className](HWND child) { return ClassName(child) == className; });
}

App::~App() {
    if (pi_.hProcess) {
        if (Running()) Terminate();
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
}

bool App::Start(const std::string& args, DWORD timeoutMs) {
    std::string line = "\"" + QuillonPath() + "\"";
    if (!args.empty()) line += " " + args;
    return StartCommandLine(line, timeoutMs);
}

bool App::StartCommandLine(const std::string& commandLine, DWORD timeoutMs) {
    if (pi_.hProcess) return false;
    DWORD off = 0;
    if (!keepTips_) RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Tips", REG_DWORD, &off, sizeof off);
    std::string line = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    // Wine has been seen to refuse a start now and then right after the last
    // copy ended: a few tries, each failure said.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
        if (!started) {
            std::fprintf(stderr, "harness: cannot start %s (error %lu)\n", line.c_str(), GetLastError());
            pi_ = {};
            Sleep(200);
        }
    }
    if (!started) return false;
    frame_ = WaitForWindow(pi_.dwProcessId, kFrameClass, nullptr, timeoutMs);
    return frame_ != nullptr;
}

bool App::Running() const {
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool App::Close(DWORD expectedExit, DWORD timeoutMs) {
    if (!pi_.hProcess) return false;
    if (frame_ && IsWindow(frame_)) PostMessageA(frame_, WM_CLOSE, 0, 0);
    return WaitExit(timeoutMs) == expectedExit;
}

DWORD App::WaitExit(DWORD timeoutMs) {
    if (!pi_.hProcess) return ~0u;
    if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        Terminate();
        return ~0u;
    }
    DWORD code = ~0u;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

void App::Terminate() {
    if (!pi_.hProcess) return;
    TerminateProcess(pi_.hProcess, 0xDEAD);
    WaitForSingleObject(pi_.hProcess, kTimeout);
}

LRESULT App::SendCommand(int id) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_ABORTIFHUNG, kTimeout,
                        &result);
    return static_cast<LRESULT>(result);
}

void App::PostCommand(int id) { PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

HWND App::Child(const char* className) const { return DescendantOfClass(frame_, className); }

bool Session::Start(const std::string& name, const std::string& bytes) {
    path = ScratchPath(name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return WriteFile(path, bytes) && app.Start("\"" + path + "\"") &&
           Attach(path.substr(path.rfind('\\') + 1) + "-Quillon");
}

bool Session::StartEmpty() { return app.Start() && Attach("Untitled-Quillon"); }

bool Session::Attach(const std::string& caption) {
    tree = app.Child(WC_TREEVIEWA);
    list = app.Child(WC_LISTVIEWA);
    return tree && list && WaitUntil([&] { return Caption() == caption; });
}

std::string Session::Caption() const { return WindowText(app.Frame()); }

bool Session::Select(const std::string& keyPath) {
    HTREEITEM item = TreeFind(tree, keyPath);
    return item && TreeSelect(tree, item);
}

bool Session::Focus(HWND control) {
    // In front, for the keys that follow; Tab moves between the two panes.
    // A busy machine may take its time over either: try again until the
    // bound.
    return WaitUntil([&] {
        if (!BringToFront(app.Frame())) return false;
        if (FocusOf(app.Frame()) == control) return true;
        PressKey(VK_TAB);
        return WaitUntil([&] { return FocusOf(app.Frame()) == control; }, 1000);
    });
}

std::vector<std::string> Session::RowNames() const {
    std::vector<std::string> names;
    for (auto& row : ListRows(list, 1)) names.push_back(row.cells[0]);
    return names;
}

bool Session::ContextMenu(HTREEITEM item, WORD key) {
    POINT p = ItemPoint(tree, item);
    if (!BringToFront(app.Frame())) return false;
    // A menu of the step before may still be closing: under load it would
    // pass for the new one, and the key would go to it.
    if (!WaitUntil([&] { return VisibleWindows(app.Pid(), "#32768").empty(); }, 5000)) return false;
    PostMessageA(app.Frame(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), MAKELPARAM(p.x, p.y));
    if (!WaitForMenus(app.Pid(), 1, 5000)) return false;
    PressKey(key);
    Sync(app.Frame());
    return true;
}

void Session::EndLabelEdit() {
    HWND edit = nullptr;
    auto editor = [&] {
        edit = reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0));
        if (!edit) edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
        return edit != nullptr;
    };
    WaitUntil(editor, 5000);
    if (edit) PostKey(edit, VK_ESCAPE);
    WaitUntil([&] { return !editor(); }, 5000);
    Sync(app.Frame());
}

HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindNow(pid, className, title)) != nullptr; }, timeoutMs);
    return found;
}

HWND WaitForDialog(DWORD pid, DWORD timeoutMs) {
    return WaitForWindow(pid, "#32770", nullptr, timeoutMs);
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND dialog : VisibleDialogs(pid))
            if (GetDlgItem(dialog, 0xFFFF)) box = dialog;
        return box != nullptr;
    }, timeoutMs);
    return box;
}

bool NoDialogNow(HWND frame) {
    Sync(frame);
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    return FindNow(pid, "#32770", nullptr) == nullptr;
}

Answerer::Answerer(Answer answer, DWORD pid, DWORD timeoutMs) : answer_(std::move(answer)) {
    thread_ = std::thread([this, pid, timeoutMs] { Run(pid, timeoutMs); });
}

Answerer::Answerer(int button) : Answerer([button](HWND, const Box&) { return button; }) {}

Answerer::~Answerer() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    thread_.join();
}

std::vector<Answerer::Box> Answerer::Boxes() const {
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

void Answerer::Run(DWORD pid, DWORD timeoutMs) {
    std::vector<HWND> answered;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_) return;
        }
        for (HWND dialog : VisibleDialogs(pid)) {
            bool seen = false;
            for (HWND a : answered) seen = seen || a == dialog;
            if (seen) continue;
            Box box{WindowText(dialog), MessageBoxText(dialog)};
            int button = answer_(dialog, box);
            if (!button) continue;
            {
                std::lock_guard<std::mutex> hold(lock_);
                boxes_.push_back(box);
            }
            answered.push_back(dialog);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        }
        Sleep(10);
    }
}

int PressOk(HWND dialog, const Answerer::Box&) { return GetDlgItem(dialog, IDOK) ? IDOK : IDCANCEL; }

std::optional<Answerer::Box> AnswerBox(DWORD pid, int button) {
    HWND box = WaitForMessageBox(pid);
    if (!box) return std::nullopt;
    Answerer::Box shown{WindowText(box), MessageBoxText(box)};
    if (!PressButton(box, button)) PressButton(box, IDOK);
    WaitGone(box);
    return shown;
}

std::string WindowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeout, &length)) return {};
    std::string buf(std::max<size_t>(length, 1023) + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                             kTimeout, &copied))
        return {};
    return std::string(buf.data(), strnlen(buf.data(), buf.size()));
}

std::string ClassName(HWND hwnd) {
    char buf[256] = "";
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : std::string();
}

bool PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button)) return false;
    // The button's own click path, as a mouse click would end: the command
    // reaches the dialog procedure through its queue.
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != 0;
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
}

bool AnswerFileDialog(DWORD pid, const std::string& path, int filter, int* startFilter, int duplicatesBox) {
    // The file dialog by its list of file types: a modeless window of the
    // program may be up beside it.
    HWND dlg = nullptr;
    WaitUntil([&] {
        for (HWND dialog : VisibleDialogs(pid))
            if (Descendant(dialog, 0x470)) dlg = dialog;
        return dlg != nullptr;
    });
    if (!dlg) return false;
    if (path.empty()) {
        PressButton(dlg, IDCANCEL);
        return WaitGone(dlg);
    }
    HWND types = nullptr;
    WaitUntil([&] { return (types = Descendant(dlg, 0x470)) != nullptr; }, 5000);
    if (!types) return false;
    if (startFilter) *startFilter = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0)) + 1;
    if (filter > 0) {
        SendMessageA(types, CB_SETCURSEL, filter - 1, 0);
        // Wine takes the choice on CBN_SELENDOK, Windows on CBN_SELCHANGE.
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
    }
    if (duplicatesBox >= 0) {
        HWND box = Descendant(dlg, 1007);
        if (!box) return false;
        SendMessageA(box, BM_SETCHECK, duplicatesBox ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    HWND name = Descendant(dlg, 0x47C);
    if (!name) name = Descendant(dlg, 0x480);
    if (!name) return false;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PressButton(dlg, IDOK);
    return WaitGone(dlg);
}

bool BringToFront(HWND frame) {
    // Asked again while it is not there: another window may still be taking
    // the front (a second copy starting, an editor just driven).
    return WaitUntil([&] {
        if (GetForegroundWindow() == frame) return true;
        SetForegroundWindow(frame);
        return false;
    }, 5000);
}

void SendKey(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    SendInput(1, &in, sizeof in);
}

void PressKey(WORD vk, unsigned modifiers) {
    if (modifiers & kCtrl) SendKey(VK_CONTROL, false);
    if (modifiers & kShift) SendKey(VK_SHIFT, false);
    if (modifiers & kAlt) SendKey(VK_MENU, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (modifiers & kAlt) SendKey(VK_MENU, true);
    if (modifiers & kShift) SendKey(VK_SHIFT, true);
    if (modifiers & kCtrl) SendKey(VK_CONTROL, true);
}

namespace {

// A character no key makes: typed as the system types input methods'
// characters, one UTF-16 unit per key press.
void TypeUnits(const std::wstring& units) {
    for (wchar_t unit : units) {
        INPUT input[2]{};
        for (int i = 0; i < 2; ++i) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = unit;
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof(INPUT));
    }
}

}  // namespace

void TypeText(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // A UTF-8 character: its bytes up to the next lead byte.
            size_t end = i + 1;
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
            wchar_t units[4];
            int n = MultiByteToWideChar(CP_UTF8, 0, text.data() + i, static_cast<int>(end - i), units, 4);
            TypeUnits(std::wstring(units, n > 0 ? static_cast<size_t>(n) : 0));
            i = end - 1;
            continue;
        }
        SHORT vk = VkKeyScanA(static_cast<char>(c));
        if (vk == -1) continue;
        unsigned mods = ((vk >> 8) & 1 ? unsigned{kShift} : 0u) | ((vk >> 8) & 2 ? unsigned{kCtrl} : 0u);
        PressKey(static_cast<WORD>(vk & 0xFF), mods);
    }
}

void PostKey(HWND target, WORD vk) {
    UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
}

HWND FocusOf(HWND anyWindow) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(anyWindow, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

void Sync(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    // A key press is a few messages (key down, character, key up, the
    // modifiers around them): one loop turn each.
    for (int turn = 0; turn < 8; ++turn)
        SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeout, nullptr);
}

bool MenuState(HWND frame, UINT id, bool* enabled, bool* checked) {
    static const UINT message = RegisterWindowMessageA("Quillon.MenuState");
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(frame, message, id, 0, SMTO_ABORTIFHUNG, kTimeout, &state)) return false;
    if (static_cast<UINT>(state) == static_cast<UINT>(-1)) return false;
    if (enabled) *enabled = !(state & (MF_DISABLED | MF_GRAYED));
    if (checked) *checked = (state & MF_CHECKED) != 0;
    return true;
}

bool MenuEnabled(HWND frame, UINT id) {
    bool enabled = false;
    return MenuState(frame, id, &enabled, nullptr) && enabled;
}

bool MenuChecked(HWND frame, UINT id) {
    bool checked = false;
    return MenuState(frame, id, nullptr, &checked) && checked;
}

bool Checked(HWND dialog, int id) { return SendMessageA(Descendant(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool MenuText(HWND frame, UINT id, std::string* text) {
    static const UINT message = RegisterWindowMessageA("Quillon.MenuText");
    char buffer[MAX_PATH + 16] = "";
    LRESULT length = SendWithBuffer(frame, message, id, buffer, sizeof buffer);
    if (length < 0) return false;
    buffer[sizeof buffer - 1] = '\0';
    if (text) *text = buffer;
    return true;
}

std::vector<TreeNode> TreeItems(HWND tree) {
    std::vector<TreeNode> nodes;
    RemoteBuffer buf(tree, kTextOffset + kTextMax);
    if (!buf.Ok()) return nodes;
    CollectTree(tree, buf, NextItem(tree, TVGN_ROOT, nullptr), 0, nodes);
    return nodes;
}

HTREEITEM TreeFind(HWND tree, const std::string& path) {
    RemoteBuffer buf(tree, kTextOffset + kTextMax);
    if (!buf.Ok()) return nullptr;
    HTREEITEM parent = nullptr;
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string step = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // A key's children get items when it is first expanded.
        if (parent) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        HTREEITEM item = parent ? NextItem(tree, TVGN_CHILD, parent) : NextItem(tree, TVGN_ROOT, nullptr);
        for (; item; item = NextItem(tree, TVGN_NEXT, item)) {
            TVITEMA tvi{};
            tvi.mask = TVIF_TEXT | TVIF_HANDLE;
            tvi.hItem = item;
            if (lstrcmpiA(RemoteItemText(tree, buf, TVM_GETITEMA, 0, tvi).c_str(), step.c_str()) == 0) break;
        }
        if (!item || end == std::string::npos) return item;
        parent = item;
        start = end + 1;
    }
}

bool TreeSelect(HWND tree, HTREEITEM item) {
    if (!item) return false;
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return NextItem(tree, TVGN_CARET, nullptr) == item;
}

bool TreeExpand(HWND tree, HTREEITEM item) {
    return item && SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)) != 0;
}

void TreeExpandAll(HWND tree) {
    std::vector<HTREEITEM> pending;
    for (HTREEITEM i = NextItem(tree, TVGN_ROOT, nullptr); i; i = NextItem(tree, TVGN_NEXT, i)) pending.push_back(i);
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        TreeExpand(tree, item);
        for (HTREEITEM c = NextItem(tree, TVGN_CHILD, item); c; c = NextItem(tree, TVGN_NEXT, c)) pending.push_back(c);
    }
}

namespace {
POINT ScreenCenter(HWND control, const RECT& rc) {
    POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(control, &p);
    return p;
}
}  // namespace

POINT ItemPoint(HWND tree, HTREEITEM item) {
    RECT rc{};
    memcpy(&rc, &item, sizeof item);  // the item goes in, its rectangle comes back
    SendWithBuffer(tree, TVM_GETITEMRECT, TRUE, &rc, sizeof rc);
    return ScreenCenter(tree, rc);
}

POINT RowPoint(HWND list, int row) {
    RECT rc{LVIR_LABEL, 0, 0, 0};
    SendWithBuffer(list, LVM_GETITEMRECT, row, &rc, sizeof rc);
    return ScreenCenter(list, rc);
}

std::vector<ListRow> ListRows(HWND list, int columns) {
    std::vector<ListRow> rows;
    RemoteBuffer buf(list, kTextOffset + kTextMax);
    if (!buf.Ok()) return rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        ListRow row;
        for (int c = 0; c < columns; ++c) {
            LVITEMA lvi{};
            lvi.iSubItem = c;
            row.cells.push_back(RemoteItemText(list, buf, LVM_GETITEMTEXTA, r, lvi));
        }
        row.selected = SendMessageA(list, LVM_GETITEMSTATE, r, LVIS_SELECTED) != 0;
        rows.push_back(row);
    }
    return rows;
}

LRESULT SendWithBuffer(HWND hwnd, UINT msg, WPARAM wParam, void* data, size_t size) {
    RemoteBuffer buf(hwnd, size);
    if (!buf.Ok() || !buf.Write(0, data, size)) return 0;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, msg, wParam, reinterpret_cast<LPARAM>(buf.At(0)), SMTO_ABORTIFHUNG,
                        kTimeout, &result);
    buf.Read(0, data, size);
    return static_cast<LRESULT>(result);
}

void MoveMouse(POINT screen) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

void MouseButton(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

bool ToolbarButtonRect(HWND toolbar, int command, RECT* screen) {
    RECT rc{};
    if (!SendWithBuffer(toolbar, TB_GETRECT, command, &rc, sizeof rc)) return false;
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    *screen = rc;
    return true;
}

HWND FindTooltip(DWORD pid) { return FindNow(pid, TOOLTIPS_CLASSA, nullptr); }

bool Screenshot(HWND hwnd, const std::string& bmpPath) {
    // Paint everything first: the picture is taken from the screen.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sync(hwnd);
    RECT r{};
    if (!GetWindowRect(hwnd, &r)) return false;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = -h;  // rows from the top
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bits(static_cast<size_t>((w * 3 + 3) & ~3) * h, '\0');  // rows padded to four bytes
    int got = GetDIBits(mem, bmp, 0, h, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + bits.size());
    return got == h && WriteFile(bmpPath, std::string(reinterpret_cast<char*>(&file), sizeof file) +
                                              std::string(reinterpret_cast<char*>(&info), sizeof info) + bits);
}

bool Reactivate(HWND frame) {
    HWND other = PlainWindow("QuillonTestOtherProgram", "Other program", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    if (!other) return false;
    bool away = WaitUntil([&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (GetForegroundWindow() == other) return true;
        SetForegroundWindow(other);
        return false;
    }, 5000);
    bool back = BringToFront(frame);
    DestroyWindow(other);
    return away && back;
}

bool ScreenshotPainted(HWND hwnd, const std::string& bmpPath) {
    constexpr size_t kHeaders = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    // More than one colour among the pixels (rows are padded to four bytes).
    auto painted = [&] {
        std::string bytes = ReadFileBytes(bmpPath);
        if (bytes.size() <= kHeaders) return false;
        BITMAPINFOHEADER info{};
        memcpy(&info, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof info);
        size_t row = static_cast<size_t>((info.biWidth * 3 + 3) & ~3);
        for (size_t y = 0; kHeaders + (y + 1) * row <= bytes.size(); ++y)
            for (size_t x = 0; x < static_cast<size_t>(info.biWidth) * 3; x += 3)
                if (bytes.compare(kHeaders + y * row + x, 3, bytes, kHeaders, 3) != 0) return true;
        return false;
    };
    return WaitUntil([&] { return Screenshot(hwnd, bmpPath) && painted(); }, 5000);
}

}  // namespace harness
