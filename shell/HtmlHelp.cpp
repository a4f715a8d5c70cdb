#include "shell/HtmlHelp.h"

#include "framework/Handles.h"

namespace {

using HtmlHelpEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr char kHelpControlClass[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr char kHelpFile[] = "quillon.chm";
constexpr char kOverviewTopic[] = "::/regedit_overview.htm";
// The ANSI entry point of the HTML Help module has no name of its own.
constexpr WORD kAnsiEntryOrdinal = 14;

HMODULE LoadHelpModule() {
    char path[MAX_PATH + 1] = "";
    DWORD size = MAX_PATH;
    if (RegGetValueA(HKEY_CLASSES_ROOT, kHelpControlClass, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr,
                     path, &size) == ERROR_SUCCESS) {
        path[MAX_PATH] = '\0';
        if (HMODULE module = LoadLibraryA(path)) return module;
    }
    return LoadLibraryA("hhctrl.ocx");
}

}  // namespace

HWND HtmlHelpCall(HWND window, const char* file, UINT command, DWORD_PTR data) {
    static bool looked = false;
    static HtmlHelpEntry entry = nullptr;
    if (!looked) {
        looked = true;
        if (HMODULE module = LoadHelpModule())
            entry = reinterpret_cast<HtmlHelpEntry>(
                reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(kAnsiEntryOrdinal))));
    }
    return entry ? entry(window, file, command, data) : nullptr;
}

// A program started from a shortcut or another program's folder has some
// other current directory: the file beside the program serves then.
std::string HelpTopicAddress() {
    if (GetFileAttributesA(kHelpFile) != INVALID_FILE_ATTRIBUTES) return std::string(kHelpFile) + kOverviewTopic;
    char exe[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string folder(exe, length < sizeof exe ? length : 0);
    size_t slash = folder.find_last_of("\\/");
    if (slash == std::string::npos) return std::string(kHelpFile) + kOverviewTopic;
    return folder.substr(0, slash + 1) + kHelpFile + kOverviewTopic;
}
