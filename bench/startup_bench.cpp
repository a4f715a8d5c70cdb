// Start-up benchmark on the Windows side: how long until a file's key tree is
// shown, split into the file read and parse, the tree build and the first
// paint, measured in this process over the real views; then the whole program
// started on the same file, timed until its tree holds every key.
//
//   startup_bench [--keys N]... [--quillon EXE] [FILE]...
//
// --keys N generates a file of N keys (five top-level keys, groups of 100
// keys below them, one DWORD value each) in the temporary folder.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/RegDocument.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class BenchHost : public ViewHost {
public:
    BenchHost() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuillonStartupBench";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "startup bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                900, 600, nullptr, nullptr, wc.hInstance, this);
        tree.Create(hwnd_, this, &list, 1);
        list.Create(hwnd_, this, 2);
        MoveWindow(tree.Hwnd(), 0, 0, 300, 560, FALSE);
        MoveWindow(list.Hwnd(), 300, 0, 580, 560, FALSE);
        Pump();
    }
    HWND HostWindow() override { return hwnd_; }
    RegDocument& Document() override { return document; }
    HWND StatusBar() override { return nullptr; }
    void UpdateCommandStates() override {}
    void UpdateTitle() override {}
    bool IsCommandEnabled(int) override { return false; }
    int TrackPopup(HMENU, POINT) override { return 0; }
    void RunKeyCommand(int, HTREEITEM) override {}
    void RunValueCommand(int, int) override {}

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    RegDocument document;
    ValueListView list;
    KeyTreeView tree;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        return DefWindowProcA(hwnd, msg, w, l);
    }
    HWND hwnd_ = nullptr;
};

std::string Generate(int keys) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof(dir), dir);
    std::string path = std::string(dir) + "quillon-bench-" + std::to_string(keys) + ".reg";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return {};
    static const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                        "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
    fputs("Windows Registry Editor Version 5.00\r\n\r\n", f);
    for (int i = 0; i < keys; ++i) {
        fprintf(f, "[%s\\Software\\Vendor%d\\Group%d\\Key%d]\r\n\"Value\"=dword:%08x\r\n\"Name\"=\"k%d\"\r\n\r\n",
                roots[i % 5], i / 10000, i / 100, i, i, i);
    }
    fclose(f);
    return path;
}

size_t CountKeys(const RegDocument& document) {
    size_t count = 0;
    std::vector<const KeyNode*> stack(document.roots.begin(), document.roots.end());
    while (!stack.empty()) {
        const KeyNode* key = stack.back();
        stack.pop_back();
        ++count;
        for (const KeyNode* c = key->firstChild; c; c = c->nextSibling) stack.push_back(c);
    }
    return count;
}

// Starts the program on the file and waits until its tree holds `keys` items.
double WholeProgram(const std::string& exe, const std::string& file, size_t keys) {
    std::string line = "\"" + exe + "\" \"" + file + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    double start = Now();
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    double shown = -1;
    while (Now() - start < 600) {
        HWND frame = nullptr;
        struct Find {
            DWORD pid;
            HWND frame;
        } find{pi.dwProcessId, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM p) -> BOOL {
                auto* f = reinterpret_cast<Find*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                char cls[64] = {};
                GetClassNameA(hwnd, cls, sizeof(cls));
                if (pid == f->pid && strcmp(cls, "QuillonFrame") == 0) f->frame = hwnd;
                return f->frame == nullptr;
            },
            reinterpret_cast<LPARAM>(&find));
        frame = find.frame;
        // A message box (the warning about characters the code page lacks)
        // holds the start-up until it is answered.
        struct Box {
            DWORD pid;
            HWND box;
        } box{pi.dwProcessId, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM p) -> BOOL {
                auto* b = reinterpret_cast<Box*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                char cls[64] = {};
                GetClassNameA(hwnd, cls, sizeof(cls));
                if (pid == b->pid && strcmp(cls, "#32770") == 0 && GetDlgItem(hwnd, 0xFFFF)) b->box = hwnd;
                return b->box == nullptr;
            },
            reinterpret_cast<LPARAM>(&box));
        if (box.box) PostMessageA(box.box, WM_COMMAND, IDOK, 0);
        HWND tree = frame ? FindWindowExA(FindWindowExA(frame, nullptr, nullptr, nullptr), nullptr,
                                          WC_TREEVIEWA, nullptr)
                          : nullptr;
        if (!tree && frame) {
            // The tree sits inside the splitter; search every child.
            EnumChildWindows(
                frame,
                [](HWND child, LPARAM p) -> BOOL {
                    char cls[64] = {};
                    GetClassNameA(child, cls, sizeof(cls));
                    if (strcmp(cls, WC_TREEVIEWA) != 0) return TRUE;
                    *reinterpret_cast<HWND*>(p) = child;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&tree));
        }
        DWORD_PTR count = 0;
        if (tree && SendMessageTimeoutA(tree, TVM_GETCOUNT, 0, 0, SMTO_BLOCK, 1000, &count) &&
            count >= keys) {
            // The program answers again: the tree is built and painted.
            DWORD_PTR ignored;
            SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &ignored);
            shown = Now() - start;
            break;
        }
        Sleep(5);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    std::vector<std::string> files;
    std::string exe;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--keys") && i + 1 < argc) {
            files.push_back(Generate(atoi(argv[++i])));
        } else if (!strcmp(argv[i], "--quillon") && i + 1 < argc) {
            exe = argv[++i];
        } else {
            files.push_back(argv[i]);
        }
    }
    printf("%-40s %9s %12s %10s %10s %10s %12s\n", "file", "keys", "read+parse", "tree", "paint",
           "shown", "program");
    for (const std::string& file : files) {
        BenchHost host;
        host.document.loadRequest.path = file;
        host.document.loadRequest.clearFirst = true;
        host.document.loadRequest.checkDuplicates = true;
        double t0 = Now();
        ReadError error = ReadError::None;
        bool ok = host.document.Load(&error);
        double t1 = Now();
        if (!ok) {
            printf("%-40s refused: %s\n", file.c_str(), ReadErrorText(error));
            continue;
        }
        host.tree.Rebuild(host.document);
        double t2 = Now();
        RedrawWindow(host.tree.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        double t3 = Now();
        size_t keys = CountKeys(host.document);
        double program = exe.empty() ? -1 : WholeProgram(exe, file, keys);
        const char* name = strrchr(file.c_str(), '\\');
        name = name ? name + 1 : file.c_str();
        printf("%-40s %9zu %10.3f s %8.3f s %8.3f s %8.3f s %10.3f s\n", name, keys, t1 - t0, t2 - t1, t3 - t2,
               t3 - t0, program);
        fflush(stdout);
    }
    OleUninitialize();
    return 0;
}
