#include "regedit/SystemEditor.h"

#include <shellapi.h>

#include <algorithm>

#include "framework/Strings.h"
#include "resources/resource.h"

namespace regedit {

namespace {

// Not in every SDK's headers.
constexpr DWORD kElevationRequired = 740;

class Win32Launcher : public Launcher {
public:
    HANDLE StartProcess(const char* commandLine, DWORD& error) override {
        std::string line = commandLine;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            error = GetLastError();
            return nullptr;
        }
        CloseHandle(pi.hThread);
        return pi.hProcess;
    }
    HANDLE ShellStart(const char* program, const char* parameters) override {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpFile = program;
        info.lpParameters = parameters;
        info.nShow = SW_SHOWNORMAL;
        return ShellExecuteExA(&info) ? info.hProcess : nullptr;
    }
};

// Dispatches what the thread's queue holds, as the load worker's wait does:
// Unicode windows through the wide functions. A quit message is put back
// for the main loop.
void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        bool wide = msg.hwnd && IsWindowUnicode(msg.hwnd);
        if (wide ? !PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        if (wide) DispatchMessageW(&msg);
        else DispatchMessageA(&msg);
    }
}

// Disables a window for the length of a wait; it may have been disabled
// already (a modal dialog above it), and then stays so.
class DisabledScope {
public:
    explicit DisabledScope(HWND window) : window_(window) {
        wasEnabled_ = window_ && IsWindowEnabled(window_);
        if (wasEnabled_) EnableWindow(window_, FALSE);
    }
    ~DisabledScope() {
        if (wasEnabled_) EnableWindow(window_, TRUE);
    }
    DisabledScope(const DisabledScope&) = delete;
    DisabledScope& operator=(const DisabledScope&) = delete;

private:
    HWND window_;
    bool wasEnabled_ = false;
};

// Replaces every "%1" by the text.
std::string FillFirstArgument(const std::string& format, const std::string& text) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '1') {
            out += text;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

const struct {
    const char* name;
    HKEY key;
} kRootKeys[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},       {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},       {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},                     {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

}  // namespace

Launcher& SystemLauncher() {
    static Win32Launcher launcher;
    return launcher;
}

fw::UniqueKernelHandle StartEditor(const char* parameters, Launcher& launcher) {
    std::string commandLine = kEditorProgram;
    if (parameters && *parameters) commandLine += std::string(" ") + parameters;
    DWORD error = 0;
    HANDLE process = launcher.StartProcess(commandLine.c_str(), error);
    if (!process && error == kElevationRequired)
        process = launcher.ShellStart(kEditorProgram, parameters ? parameters : "");
    return fw::UniqueKernelHandle(process);
}

void WaitForProcess(HWND owner, HANDLE process) {
    DisabledScope disabled(owner);
    for (;;) {
        DWORD rc = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (rc != WAIT_OBJECT_0 + 1) return;  // ended, or the handle failed
        DispatchPending();
    }
}

// Waiting for input need not mean that the main window exists (a program
// may wait in a dialog first, or create its window later): both are waited
// for, within the one bound.
bool WaitForEditorWindow(HWND owner, HANDLE process, DWORD timeoutMs) {
    DisabledScope disabled(owner);
    DWORD start = GetTickCount();
    for (;;) {
        DWORD idle = WaitForInputIdle(process, 0);
        if (idle == 0 && FindWindowA(kEditorWindowClass, nullptr)) return true;
        if (idle == WAIT_FAILED || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return false;
        DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return false;
        // The editor's progress is not signalled to this thread: look again
        // after a short while, or sooner when a message comes.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - waited), QS_ALLINPUT);
        DispatchPending();
    }
}

bool MakeTempFile(std::string& path) {
    char directory[520] = "";
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) return false;
    char file[520] = "";
    if (!GetTempFileNameA(directory, "reg", 0, file)) return false;
    path = file;
    return true;
}

bool RunRegEdit(HWND owner, const char* filePath, bool deleteFile) {
    std::string parameters = std::string("/s \"") + filePath + "\"";
    fw::UniqueKernelHandle process = StartEditor(parameters.c_str());
    if (process) WaitForProcess(owner, process.Get());
    if (deleteFile) DeleteFileA(filePath);
    return static_cast<bool>(process);
}

bool ExportFromRegEdit(HWND owner, const char* filePath, const char* keyPath) {
    std::string parameters = std::string("/s /e \"") + filePath + "\" \"" + keyPath + "\"";
    fw::UniqueKernelHandle process = StartEditor(parameters.c_str());
    if (!process) return false;
    WaitForProcess(owner, process.Get());
    return true;
}

HKEY RootKeyFromName(const char* name) {
    for (const auto& root : kRootKeys)
        if (lstrcmpiA(root.name, name) == 0) return root.key;
    return nullptr;
}

LONG OpenLiveKey(const char* keyPath, REGSAM access, fw::UniqueKey& out) {
    std::string path = keyPath;
    size_t slash = path.find('\\');
    std::string rootName = path.substr(0, slash);
    std::string subkey = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    HKEY root = RootKeyFromName(rootName.c_str());
    if (!root) return ERROR_INVALID_DATA;
    return RegOpenKeyExA(root, subkey.c_str(), 0, access, out.Put());
}

std::string LoadEditorString(UINT id, bool* loaded) {
    // Only the string table is wanted: loaded as data, nothing of the editor runs.
    HMODULE module = LoadLibraryExA(kEditorProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (loaded) *loaded = module != nullptr;
    if (!module) return {};
    char text[780] = "";
    int length = LoadStringA(module, id, text, sizeof text);
    FreeLibrary(module);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

std::string MergeTexts::Question(const std::string& name) const { return FillFirstArgument(question, "\"" + name + "\""); }

std::string MergeTexts::Done(const std::string& name) const { return FillFirstArgument(done, "\"" + name + "\""); }

MergeTexts LoadMergeTexts() {
    MergeTexts texts;
    texts.question = LoadEditorString(kEditorMergeQuestion);
    texts.done = LoadEditorString(kEditorMergeDone);
    if (texts.question.empty()) texts.question = fw::LoadText(IDS_MERGE_FILE_QUESTION);
    if (texts.done.empty()) texts.done = fw::LoadText(IDS_MERGE_FILE_DONE);
    return texts;
}

}  // namespace regedit
