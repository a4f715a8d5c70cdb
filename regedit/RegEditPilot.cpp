#include "regedit/RegEditPilot.h"

#include <cstring>
#include <vector>

#include "regedit/SystemEditor.h"

namespace regedit {

namespace {

// How long a started editor may take to wait for input and show its window.
constexpr DWORD kStartTimeoutMs = 15000;
constexpr size_t kItemTextSize = 260;

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) return parts;
        start = slash + 1;
    }
}

std::string Upper(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct DescendantSearch {
    const char* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindClass(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DescendantSearch*>(param);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

SystemEditorPlatform::~SystemEditorPlatform() {
    if (process_) CloseHandle(process_);
}

HWND SystemEditorPlatform::FindEditor() { return FindWindowA(kEditorWindowClass, nullptr); }

bool SystemEditorPlatform::StartEditor() {
    fw::UniqueKernelHandle process = regedit::StartEditor(nullptr);
    return process && WaitForEditorWindow(owner_, process.Get(), kStartTimeoutMs);
}

bool SystemEditorPlatform::OpenProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!pid) return false;
    if (process_) CloseHandle(process_);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    return process_ != nullptr;
}

// Windows' editor has its tree and list as children of its main window,
// Wine's as children of an inner window: the first descendant serves both.
HWND SystemEditorPlatform::FindDescendant(HWND parent, const char* className) {
    DescendantSearch search{className};
    if (parent) EnumChildWindows(parent, FindClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT SystemEditorPlatform::Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!window) return 0;
    // Bounded: an editor that hangs must not hang this program with it, and
    // one already hung is not waited for at all.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

void* SystemEditorPlatform::Allocate(size_t size) {
    if (!process_) return nullptr;
    return VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
}

void SystemEditorPlatform::Free(void* block) {
    if (process_ && block) VirtualFreeEx(process_, block, 0, MEM_RELEASE);
}

bool SystemEditorPlatform::Write(void* block, const void* data, size_t size) {
    SIZE_T written = 0;
    return process_ && WriteProcessMemory(process_, block, data, size, &written) && written == size;
}

bool SystemEditorPlatform::Read(const void* block, void* data, size_t size) {
    SIZE_T read = 0;
    return process_ && ReadProcessMemory(process_, block, data, size, &read) && read == size;
}

void SystemEditorPlatform::BringToFront(HWND window) {
    if (!window) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

bool RegEditPilot::Connect() {
    if (main_) return tree_ && list_;
    main_ = platform_.FindEditor();
    if (!main_ && platform_.StartEditor()) main_ = platform_.FindEditor();
    if (!main_) return false;
    platform_.OpenProcessOf(main_);
    tree_ = platform_.FindDescendant(main_, WC_TREEVIEWA);
    list_ = platform_.FindDescendant(main_, WC_LISTVIEWA);
    return tree_ && list_;
}

HTREEITEM RegEditPilot::Next(HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        platform_.Send(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void RegEditPilot::Select(HTREEITEM item) {
    platform_.Send(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

// The text and the item structure live in the editor's process, where its
// tree writes the text; the text is then read back.
std::string RegEditPilot::GetItemText(HTREEITEM item) {
    if (!tree_ || !item) return {};
    void* text = platform_.Allocate(kItemTextSize);
    void* remote = text ? platform_.Allocate(sizeof(TVITEMA)) : nullptr;
    std::string result;
    if (text && remote) {
        TVITEMA local{};
        local.mask = TVIF_TEXT | TVIF_HANDLE;
        local.hItem = item;
        local.pszText = static_cast<char*>(text);
        local.cchTextMax = static_cast<int>(kItemTextSize);
        char buffer[kItemTextSize] = "";
        if (platform_.Write(remote, &local, sizeof local) &&
            platform_.Send(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote)) &&
            platform_.Read(text, buffer, sizeof buffer)) {
            buffer[kItemTextSize - 1] = '\0';
            result = buffer;
        }
    }
    if (remote) platform_.Free(remote);
    if (text) platform_.Free(text);
    return result;
}

std::string RegEditPilot::GetItemPath(HTREEITEM item) {
    // Iterative: the path is built from the item up.
    std::string path = GetItemText(item);
    for (HTREEITEM parent = Next(item, TVGN_PARENT); parent; parent = Next(parent, TVGN_PARENT))
        path = GetItemText(parent) + "\\" + path;
    return path;
}

std::string RegEditPilot::RootItemText() { return GetItemText(Next(nullptr, TVGN_ROOT)); }

std::string RegEditPilot::SelectedPath() {
    HTREEITEM item = tree_ ? Next(nullptr, TVGN_CARET) : nullptr;
    return item ? GetItemPath(item) : std::string();
}

bool RegEditPilot::NavigateTo(const std::string& target) {
    if (!tree_) return false;
    HTREEITEM item = Next(nullptr, TVGN_CARET);
    if (!item) return false;
    std::string current = Upper(GetItemPath(item));
    std::string wanted = Upper(target);
    if (current == wanted) return true;

    std::vector<std::string> here = SplitPath(current);
    std::vector<std::string> there = SplitPath(wanted);
    size_t common = 0;
    while (common < here.size() && common < there.size() && here[common] == there[common]) ++common;

    // Up to the last common key, never above the root item.
    size_t up = here.size() - (common > 0 ? common : 1);
    for (size_t i = 0; i < up; ++i) {
        HTREEITEM parent = Next(item, TVGN_PARENT);
        if (!parent) break;
        Select(parent);
        item = parent;
    }

    // Down by name. The editor makes an item's children when it is expanded,
    // so each step expands before it reads them.
    std::vector<std::string> original = SplitPath(target);
    for (size_t i = common; i < original.size(); ++i) {
        platform_.Send(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        HTREEITEM match = nullptr;
        for (HTREEITEM child = Next(item, TVGN_CHILD); child; child = Next(child, TVGN_NEXT)) {
            if (lstrcmpiA(GetItemText(child).c_str(), original[i].c_str()) == 0) {
                match = child;
                break;
            }
        }
        // A key missing live: the selection stays on its deepest ancestor.
        if (!match) break;
        Select(match);
        item = match;
    }
    platform_.Send(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return lstrcmpiA(GetItemPath(item).c_str(), target.c_str()) == 0;
}

void RegEditPilot::BringToFront() { platform_.BringToFront(main_); }

void QuickRegEditCall(HWND owner, const std::string& keyPath) {
    std::string root;
    if (!keyPath.empty()) {
        bool loaded = false;
        root = LoadEditorString(kEditorRootName, &loaded);
        if (!loaded) return;
    }
    SystemEditorPlatform platform(owner);
    RegEditPilot pilot(platform);
    pilot.Connect();
    std::string target;
    if (!keyPath.empty()) {
        // Wine's editor has no string 19: its own root item names the root.
        if (root.empty()) root = pilot.RootItemText();
        target = root + "\\" + keyPath;
    }
    pilot.NavigateTo(target);
    pilot.BringToFront();
}

void OpenEditorAt(HWND owner, const std::string& editorPath) {
    SystemEditorPlatform platform(owner);
    RegEditPilot pilot(platform);
    pilot.Connect();
    pilot.NavigateTo(editorPath);
    pilot.BringToFront();
}

}  // namespace regedit
