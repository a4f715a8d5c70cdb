#pragma once
// One protocol for every long operation (load, save, search): the work runs
// on a worker thread while a modal dialog with a stop button is shown on the
// user-interface thread, whose owner window is disabled meanwhile. The stop
// flag is the only variable both threads write.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "framework/Window.h"

namespace fw {

// The modal dialog a worker runs behind.
class WorkerDialog {
public:
    virtual ~WorkerDialog() = default;
    // Before the worker starts: forget the previous run.
    virtual void Prepare() = 0;
    // Shows the dialog until the user stops the work or Finish is called.
    virtual void Run(HWND owner) = 0;
    // From the worker, when the work has ended; the dialog closes, or closes
    // as soon as it comes up.
    virtual void Finish() = 0;
};

// A modal dialog from a resource, centred on its owner, that the worker's
// Finish closes: at once when it is up, or as soon as it comes up. Minimising
// or restoring it takes the disabled owner along. One object serves many runs.
class ModalWorkerDialog : public Dialog, public WorkerDialog {
public:
    explicit ModalWorkerDialog(int templateId) : templateId_(templateId) {}
    void Prepare() override;
    void Run(HWND owner) override;
    void Finish() override;

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The dialog's window while it is up, for any thread; null otherwise.
    HWND UpWindow() const { return up_.load(); }
    HWND owner_ = nullptr;

private:
    int templateId_;
    std::atomic<bool> finished_{false};
    std::atomic<HWND> up_{nullptr};
};

// Runs work on a worker thread behind dialog. The stop flag is set to 0
// before the thread starts, so that a stop request can never come too early
// to count, and to 1 (atomic exchange) when the dialog has closed, by the
// worker's Finish or by the user; then the worker is waited for while this
// thread's messages are dispatched. Returns work's result; false, without a
// dialog, when no thread can be started.
bool RunWorker(HWND owner, WorkerDialog& dialog, std::atomic<int32_t>& stop, const std::function<bool()>& work);

// Waits for a thread to end while dispatching this thread's window messages.
void WaitForWorker(HANDLE thread);

}  // namespace fw
