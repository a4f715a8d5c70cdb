#pragma once
// The modal progress dialog (284) shown while a worker thread loads or saves a
// document. The worker reports through SetProgress and Finish, both safe to
// call from any thread; the dialog itself lives on the user-interface thread.

#include <atomic>
#include <string>

#include "document/DocumentSinks.h"
#include "document/RegDocument.h"
#include "framework/Window.h"
#include "framework/WorkerRunner.h"

class ProgressDialog : public fw::Dialog, public fw::WorkerDialog, public ProgressSink {
public:
    // Texts that replace the resource's caption and label for the next Run only;
    // empty keeps the resource's text.
    void SetTexts(const char* caption, const char* label);

    // Shows the dialog modally until the user presses Abort or Finish is called.
    // Resets the finished state first, so one object serves many runs.
    void Run(HWND owner) override;

    // Called by the worker: percent in 0..100. Posted, never sent, so a worker
    // never waits for the user-interface thread.
    void SetProgress(int percent) override;

    // Called by the worker when its work has ended: closes the dialog, or makes
    // it close as soon as it comes up when it is not up yet.
    void Finish() override;

    // Called by the user-interface thread before it starts the worker.
    void Prepare() override {
        finished_.store(false);
        hwndSeen_.store(nullptr);
    }

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::string caption_;
    std::string label_;
    HWND owner_ = nullptr;
    std::atomic<bool> finished_{false};
    std::atomic<HWND> hwndSeen_{nullptr};
};
