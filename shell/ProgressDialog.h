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

class ProgressDialog : public fw::ModalWorkerDialog, public ProgressSink {
public:
    ProgressDialog();
    // Texts that replace the resource's caption and label for the next Run only;
    // empty keeps the resource's text.
    void SetTexts(const char* caption, const char* label);

    // Shows the dialog modally until the user presses Abort or the worker finishes.
    void Run(HWND owner) override;

    // Called by the worker: percent in 0..100. Posted, never sent, so a worker
    // never waits for the user-interface thread.
    void SetProgress(int percent) override;

protected:
    BOOL OnInitDialog() override;

private:
    std::string caption_;
    std::string label_;
};
