#pragma once
// Wine's regedit.exe as the tests start it: a process of its own, which
// would outlive the test (and hold the test run's output open) unless ended.

#include <windows.h>

#include "tests/ui/Harness.h"

namespace regedittest {

// Ends the running editor by its process id.
inline void EndEditor() {
    HWND editor = FindWindowA("RegEdit_RegEdit", nullptr);
    if (!editor) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(editor, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, harness::kTimeout);
    CloseHandle(process);
}

// No editor runs when the scope starts, none when it ends.
struct EditorSession {
    EditorSession() { EndEditor(); }
    ~EditorSession() { EndEditor(); }
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;
};

}  // namespace regedittest
