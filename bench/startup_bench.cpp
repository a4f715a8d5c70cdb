// Start-up benchmark on the Windows side: what a user of a large file waits
// for, against the core's read and parse of the same file measured in the
// same run (the baseline). In this process, over the real views: read+parse,
// tree build and first paint. Then the whole program started on the file:
// start to tree shown, its memory then, expanding the widest key, and
// WM_CLOSE to the end of the process. Prints one "name: value" line per figure.
//
//   startup_bench [--keys N]... [--quillon EXE] [--screenshots DIR] [FILE]...
//
// --keys N generates a file of N keys (five top-level keys, groups of 100
// keys below them, one DWORD value each) in the temporary folder.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "tests/ui/Harness.h"
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

void Print(const std::string& label, const char* name, double value) {
    std::printf("%s_%s: %.3f\n", label.c_str(), name, value);
    std::fflush(stdout);
}

class BenchHost {
public:
    BenchHost() {
        hwnd_ = harness::PlainWindow("QuillonStartupBench", "startup bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        services = ViewHost{hwnd_, nullptr, &document};
        tree.Create(hwnd_, &services, &list, 1);
        list.Create(hwnd_, &services, 2);
        MoveWindow(tree.Hwnd(), 0, 0, 300, 560, FALSE);
        MoveWindow(list.Hwnd(), 300, 0, 580, 560, FALSE);
        Pump();
    }
    ~BenchHost() { DestroyWindow(hwnd_); }

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    RegDocument document;
    ViewHost services;  // answers nothing: no commands, no title
    ValueListView list;
    KeyTreeView tree;

private:
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

// The key with the most children, and its path.
const KeyNode* WidestKey(const RegDocument& document, size_t& children) {
    const KeyNode* widest = nullptr;
    children = 0;
    ForEachKey(document.roots, [&](const KeyNode* key) {
        size_t n = 0;
        for (const KeyNode* c = key->firstChild; c; c = c->nextSibling) ++n;
        if (n > children) {
            children = n;
            widest = key;
        }
    });
    return widest;
}

// The first top-level window of the process with the class (and, when
// given, a dialog item of that id), or null.
HWND FindTopWindow(DWORD pid, const char* className, int itemId = 0) {
    struct Find {
        DWORD pid;
        const char* className;
        int itemId;
        HWND found;
    } find{pid, className, itemId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char cls[64] = {};
            GetClassNameA(hwnd, cls, sizeof(cls));
            if (owner == f->pid && strcmp(cls, f->className) == 0 && (!f->itemId || GetDlgItem(hwnd, f->itemId)))
                f->found = hwnd;
            return f->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND FindFrame(DWORD pid) { return FindTopWindow(pid, "QuillonFrame"); }

// A message box (the warning about characters the code page lacks) holds
// the start-up until it is answered.
void AnswerBoxes(DWORD pid) {
    if (HWND box = FindTopWindow(pid, "#32770", 0xFFFF)) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

HWND FindTree(HWND frame) {
    HWND tree = nullptr;
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
    return tree;
}

// Waits until the frame answers: what it was doing is done, and painted.
void Sync(HWND frame, HWND tree) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_BLOCK, 600000, &ignored);
    UpdateWindow(tree);
    SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_BLOCK, 600000, &ignored);
}

struct ProgramRun {
    double shown = -1;
    double expand = -1;
    double close = -1;
    double windowGone = -1;
    double workingSetMb = -1;
};

// Starts the program on the file, waits until its tree shows the `tops`
// top-level keys, expands the widest key, and closes it as the user would.
ProgramRun WholeProgram(const std::string& exe, const std::string& file, size_t tops, const std::string& widePath,
                        const std::string& shots) {
    ProgramRun run;
    std::string line = "\"" + exe + "\" \"" + file + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    double start = Now();
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return run;
    HWND frame = nullptr, tree = nullptr;
    while (Now() - start < 600) {
        frame = FindFrame(pi.dwProcessId);
        AnswerBoxes(pi.dwProcessId);
        tree = frame ? FindTree(frame) : nullptr;
        DWORD_PTR count = 0;
        if (tree && SendMessageTimeoutA(tree, TVM_GETCOUNT, 0, 0, SMTO_BLOCK, 1000, &count) && count >= tops) {
            Sync(frame, tree);
            run.shown = Now() - start;
            break;
        }
        Sleep(5);
    }
    if (run.shown >= 0) {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(pi.hProcess, &memory, sizeof(memory))) {
            run.workingSetMb = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
        }
        if (!shots.empty()) harness::Screenshot(frame, shots + "\\startup-collapsed.bmp");
        // The way down to the widest key is opened first, untimed.
        HTREEITEM wide = widePath.empty() ? nullptr : harness::TreeFind(tree, widePath);
        if (wide) {
            Sync(frame, tree);
            double t0 = Now();
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(wide));
            Sync(frame, tree);
            run.expand = Now() - t0;
            if (!shots.empty()) {
                SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(wide));
                Sync(frame, tree);
                harness::Screenshot(frame, shots + "\\startup-expanded.bmp");
            }
        }
        double t0 = Now();
        PostMessageA(frame, WM_CLOSE, 0, 0);
        while (IsWindow(frame) && Now() - t0 < 300) Sleep(1);
        run.windowGone = Now() - t0;
        if (WaitForSingleObject(pi.hProcess, 300000) == WAIT_OBJECT_0) run.close = Now() - t0;
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

// Showing and then destroying a bare top-level window with a caption: what
// the display costs any program for one window closed (Wine under Xvfb with
// no window manager waits two seconds for each hidden window to be
// withdrawn). Both the progress dialog and the frame pay it once.
double BareWindowClose() {
    HWND window = CreateWindowExA(0, "QuillonStartupBench", "bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    BenchHost::Pump();
    double t0 = Now();
    DestroyWindow(window);
    return Now() - t0;
}

std::string Label(const std::string& file) {
    const char* name = strrchr(file.c_str(), '\\');
    std::string label = name ? name + 1 : file;
    if (label.size() > 4 && label.compare(label.size() - 4, 4, ".reg") == 0) label.resize(label.size() - 4);
    for (char& c : label)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return label;
}

void Bench(const std::string& file, const std::string& exe, const std::string& shots) {
    std::string label = Label(file);
    std::string widePath;
    size_t keys = 0, tops = 0, wideChildren = 0;
    double baseline = 0;
    {
        BenchHost host;
        LoadJob job;
        job.path = file;
        double t0 = Now();
        bool ok;
        {
            ParseScope scope(host.document.abort);
            ok = host.document.Load(job);
        }
        double t1 = Now();
        if (!ok) {
            std::printf("%s: refused: %s\n", label.c_str(), ReadErrorText(job.error));
            return;
        }
        host.tree.Rebuild(host.document);
        double t2 = Now();
        RedrawWindow(host.tree.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        double t3 = Now();
        ForEachKey(host.document.roots, [&keys](const KeyNode*) { ++keys; });
        tops = host.document.roots.size();
        if (const KeyNode* wide = WidestKey(host.document, wideChildren)) widePath = wide->Path();
        baseline = t1 - t0;
        Print(label, "keys", static_cast<double>(keys));
        Print(label, "read_parse_s", baseline);
        Print(label, "tree_build_s", t2 - t1);
        Print(label, "first_paint_s", t3 - t2);
        double t4 = Now();
        host.document.Clear();
        Print(label, "clear_s", Now() - t4);
    }
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    double fileMb = 0;
    if (GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attributes))
        fileMb = (static_cast<double>(attributes.nFileSizeHigh) * 4294967296.0 + attributes.nFileSizeLow) /
                 (1024.0 * 1024.0);
    Print(label, "file_mb", fileMb);
    if (exe.empty()) return;
    ProgramRun run = WholeProgram(exe, file, tops, widePath, shots);
    Print(label, "program_shown_s", run.shown);
    Print(label, "program_shown_ratio", run.shown / baseline);
    // Wine reports no private bytes of another process; the working set is
    // what the process holds in memory.
    Print(label, "program_working_set_mb", run.workingSetMb);
    if (fileMb > 0) Print(label, "program_working_set_to_file_ratio", run.workingSetMb / fileMb);
    Print(label, "widest_key_children", static_cast<double>(wideChildren));
    Print(label, "program_expand_widest_s", run.expand);
    Print(label, "program_expand_widest_ratio", run.expand / baseline);
    Print(label, "program_close_window_gone_s", run.windowGone);
    Print(label, "program_close_s", run.close);
    Print(label, "program_close_ratio", run.close / baseline);
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    std::vector<std::string> files;
    std::string exe, shots;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--keys") && i + 1 < argc) {
            files.push_back(Generate(atoi(argv[++i])));
        } else if (!strcmp(argv[i], "--quillon") && i + 1 < argc) {
            exe = argv[++i];
        } else if (!strcmp(argv[i], "--screenshots") && i + 1 < argc) {
            shots = argv[++i];
        } else {
            files.push_back(argv[i]);
        }
    }
    {
        BenchHost registersTheClass;
    }
    std::printf("bare_window_close_s: %.3f\n", BareWindowClose());
    for (const std::string& file : files) Bench(file, exe, shots);
    OleUninitialize();
    return 0;
}
