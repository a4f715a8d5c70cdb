#pragma once
// What the program uses of the system registry editor, regedit.exe: its
// silent merge and export command lines, its string resources, its window
// class, its favorites key; and the live registry's root keys. The editor is
// started, waited for and loaded as a module here and nowhere else.

#include <windows.h>

#include <string>

#include "framework/Handles.h"

namespace regedit {

inline constexpr const char kEditorProgram[] = "regedit.exe";
inline constexpr const char kEditorWindowClass[] = "RegEdit_RegEdit";
inline constexpr const char kFavoritesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites";
// The editor's string resources.
inline constexpr UINT kEditorRootName = 19;
inline constexpr UINT kEditorMergeQuestion = 36;
inline constexpr UINT kEditorMergeDone = 128;

// How a program is started; the tests put a recording one in its place.
class Launcher {
public:
    virtual ~Launcher() = default;
    // CreateProcessA with the whole command line; the process handle, or
    // null with the system's error code in `error`.
    virtual HANDLE StartProcess(const char* commandLine, DWORD& error) = 0;
    // ShellExecuteExA of the program with its parameters, asking for the
    // process handle; null on failure.
    virtual HANDLE ShellStart(const char* program, const char* parameters) = 0;
};
Launcher& SystemLauncher();

// Starts the editor with the parameters. On Windows the editor asks for
// elevation, and CreateProcessA then fails with ERROR_ELEVATION_REQUIRED:
// the shell's start, which shows the elevation prompt, takes over.
fw::UniqueKernelHandle StartEditor(const char* parameters, Launcher& launcher = SystemLauncher());

// Waits for the process to end while the thread's messages are dispatched,
// with `owner` disabled meanwhile so that no command runs under the wait.
void WaitForProcess(HWND owner, HANDLE process);
// Waits, dispatching likewise, until the started editor waits for input and
// shows its main window; false when it did not within `timeoutMs`.
bool WaitForEditorWindow(HWND owner, HANDLE process, DWORD timeoutMs);

// A new empty file in the temporary folder ("reg" prefix); false when none
// could be made.
bool MakeTempFile(std::string& path);
// Merges the file silently ("regedit.exe /s", the path in quotes, since a
// temporary folder may hold a blank) and waits for the editor; deletes the
// file afterwards when asked, whether or not the editor started. True when
// the editor ran to its end.
bool RunRegEdit(HWND owner, const char* filePath, bool deleteFile);
// Has the editor export the key's branch into the file and waits for it.
// Wine's editor takes "/s /e" but not the combined "/s/e", Windows' both.
bool ExportFromRegEdit(HWND owner, const char* filePath, const char* keyPath);

// The predefined key of a root key name (full names only, any case), or null.
HKEY RootKeyFromName(const char* name);
// Opens a live key by its path ("HKEY_CURRENT_USER\\Software"); a system
// error code, ERROR_INVALID_DATA for an unknown root name.
LONG OpenLiveKey(const char* keyPath, REGSAM access, fw::UniqueKey& out);

// A string resource of the editor, empty when the editor cannot be loaded
// as a module or the string is absent (Wine's editor has none of 19, 36 and
// 128). `loaded` tells which.
std::string LoadEditorString(UINT id, bool* loaded = nullptr);

// The editor's texts around a merge, each with the merged name in double
// quotes where the text has its "%1".
struct MergeTexts {
    std::string question;
    std::string done;
    std::string Question(const std::string& name) const;
    std::string Done(const std::string& name) const;
};
// From the editor's strings 36 and 128, else the program's own.
MergeTexts LoadMergeTexts();

}  // namespace regedit
