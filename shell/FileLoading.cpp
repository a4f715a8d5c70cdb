#include "shell/FileLoading.h"

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/ProgressDialog.h"
#include "shell/Strings.h"
#include "views/KeyTreeView.h"

namespace {

const int kReadErrorString = 141;

struct WorkerContext {
    RegDocument* document;
    ProgressDialog* dialog;
    ReadError error = ReadError::None;
};

DWORD WINAPI LoadWorker(void* param) {
    auto* context = static_cast<WorkerContext*>(param);
    bool ok = context->document->Load(&context->error);
    context->dialog->Finish();
    return ok ? 1 : 0;
}

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle) CloseHandle(handle);
    }
};

}  // namespace

void WaitForWorker(HANDLE thread) {
    for (;;) {
        DWORD rc = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (rc == WAIT_OBJECT_0 || rc == WAIT_FAILED) return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // Unicode windows get their messages through the wide functions,
            // so that character messages reach them untranslated.
            bool wide = msg.hwnd && IsWindowUnicode(msg.hwnd);
            if (wide ? !PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)
                     : !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                break;
            if (msg.message == WM_QUIT) {
                // Kept for the main loop, which ends the program once the worker is done.
                PostQuitMessage(static_cast<int>(msg.wParam));
                WaitForSingleObject(thread, INFINITE);
                return;
            }
            TranslateMessage(&msg);
            if (wide)
                DispatchMessageW(&msg);
            else
                DispatchMessageA(&msg);
            if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) return;
        }
    }
}

bool RunLoadWorker(HWND window, RegDocument& document, const char* path, KeyTreeSink* view,
                   bool clearFirst, bool checkDuplicates, ReadError* error) {
    document.loadRequest.path = path;
    document.loadRequest.view = view;
    document.loadRequest.clearFirst = clearFirst;
    document.loadRequest.checkDuplicates = checkDuplicates;

    ProgressDialog dialog;
    dialog.Prepare();
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    WorkerContext context{&document, &dialog};
    HandleCloser thread{CreateThread(nullptr, 0, LoadWorker, &context, 0, nullptr)};
    if (!thread.handle) {
        document.owner = previousOwner;
        if (error) *error = ReadError::None;
        return false;
    }
    if (window) EnableWindow(window, FALSE);
    dialog.Run(window);
    document.abort.exchange(1);
    WaitForWorker(thread.handle);
    DWORD code = 0;
    GetExitCodeThread(thread.handle, &code);
    document.owner = previousOwner;
    document.loadRequest.view = nullptr;
    if (window) {
        EnableWindow(window, TRUE);
        SetForegroundWindow(window);
    }
    if (error) *error = context.error;
    return code == 1;
}

void WarnLossyConversion(HWND window, const char* path) {
    std::string text = shell::FormatString(IDS_LOSSY_CONVERSION, path);
    MessageBoxA(window, text.c_str(), shell::AppName().c_str(), MB_OK | MB_ICONWARNING);
}

bool OpenRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path,
                 const char* title) {
    ReadError error = ReadError::None;
    bool ok = RunLoadWorker(window, document, path, nullptr, true, ReadCheckDuplicatesSetting(), &error);
    // Stopped by the user's Abort before the parse: nothing failed to read.
    if (!ok && error == ReadError::Aborted) return false;
    if (!ok) {
        std::string text = shell::FormatString(kReadErrorString, path);
        MessageBoxA(window, text.c_str(), "", MB_OK);
        return false;
    }
    if (document.loadResult.utf8) {
        std::string text = shell::FormatString(IDS_UTF8_FILE, path);
        MessageBoxA(window, text.c_str(), shell::AppName().c_str(), MB_OK | MB_ICONINFORMATION);
    }
    if (document.loadResult.lossy) WarnLossyConversion(window, path);
    tree.Rebuild(document);
    document.dialect = document.loadResult.dialect;
    document.unicode = document.loadResult.unicode;
    document.SetFileName(path, title);
    return true;
}

bool ImportRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path) {
    tree.SetRedraw(false);
    bool ok = RunLoadWorker(window, document, path, &tree, false, ReadCheckDuplicatesSetting());
    tree.SetRedraw(true);
    if (ok && document.loadResult.lossy) WarnLossyConversion(window, path);
    return ok;
}
