#include "framework/WorkerRunner.h"

#include <new>

#include "framework/Handles.h"

namespace fw {

namespace {

struct WorkerStart {
    const std::function<bool()>* work;
    WorkerDialog* dialog;
};

DWORD WINAPI WorkerMain(void* param) {
    auto* start = static_cast<WorkerStart*>(param);
    bool ok = false;
    try {
        ok = (*start->work)();
    } catch (const std::bad_alloc&) {
        // The operation fails; the user-interface thread reports it.
    }
    start->dialog->Finish();
    return ok ? 1 : 0;
}

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
            if (wide ? !PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
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

bool RunWorker(HWND owner, WorkerDialog& dialog, std::atomic<int32_t>& stop, const std::function<bool()>& work) {
    dialog.Prepare();
    stop.exchange(0);
    WorkerStart start{&work, &dialog};
    UniqueKernelHandle thread(CreateThread(nullptr, 0, WorkerMain, &start, 0, nullptr));
    if (!thread) {
        stop.exchange(1);
        return false;
    }
    // The dialog, and the windows it uncovers, paint first: on a busy machine
    // a worker at the same priority kept the dialog blank for the whole load.
    SetThreadPriority(thread.Get(), THREAD_PRIORITY_BELOW_NORMAL);
    if (owner) EnableWindow(owner, FALSE);
    dialog.Run(owner);
    stop.exchange(1);
    WaitForWorker(thread.Get());
    DWORD code = 0;
    GetExitCodeThread(thread.Get(), &code);
    if (owner) {
        EnableWindow(owner, TRUE);
        if (IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
        SetForegroundWindow(owner);
    }
    return code == 1;
}

void ModalWorkerDialog::Prepare() {
    finished_.store(false);
    up_.store(nullptr);
}

void ModalWorkerDialog::Run(HWND owner) {
    owner_ = owner;
    DoModal(owner, templateId_);
    up_.store(nullptr);
}

void ModalWorkerDialog::Finish() {
    // The flag is set before the handle is read, and OnInitDialog publishes the
    // handle before it reads the flag: whichever comes second sees the other.
    finished_.store(true);
    HWND dlg = up_.load();
    if (dlg) PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

BOOL ModalWorkerDialog::OnInitDialog() {
    if (owner_) {
        RECT o{}, d{};
        GetWindowRect(owner_, &o);
        GetWindowRect(hwnd_, &d);
        int x = o.left + ((o.right - o.left) - (d.right - d.left)) / 2;
        int y = o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2;
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    up_.store(hwnd_);
    if (finished_.load()) {
        PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        // Shown and painted now, caption, label and button, rather than when
        // the queue next runs empty.
        ShowWindow(hwnd_, SW_SHOW);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    return TRUE;
}

INT_PTR ModalWorkerDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND:
        // The owner is disabled while the dialog is up; minimising or restoring
        // the dialog takes the owner along, so the whole program goes to the task bar.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && owner_) {
            ShowWindow(owner_, SW_MINIMIZE);
        } else if ((wParam & 0xFFF0) == SC_RESTORE && owner_) {
            ShowWindow(owner_, SW_RESTORE);
        }
        return FALSE;
    case WM_DESTROY:
        up_.store(nullptr);
        return FALSE;
    default:
        return Dialog::HandleMessage(msg, wParam, lParam);
    }
}

}  // namespace fw
