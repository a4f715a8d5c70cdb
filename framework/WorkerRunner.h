#pragma once
// One protocol for every long operation (load, save, search): the work runs
// on a worker thread while a modal dialog with a stop button is shown on the
// user-interface thread, whose owner window is disabled meanwhile. The stop
// flag is the only variable both threads write.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

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
