#include "check/CheckCommands.h"

#include <commctrl.h>

#include "check/ResultsWindow.h"
#include "document/ByteSink.h"
#include "document/LineCheck.h"
#include "document/RegDocument.h"
#include "document/RegWriter.h"
#include "framework/CommandStates.h"
#include "framework/Strings.h"
#include "framework/WorkerRunner.h"
#include "resources/resource.h"

namespace check {

namespace {

// The load's progress dialog with the check's texts; the parser's progress
// reaches its bar.
class CheckProgress : public fw::ModalWorkerDialog, public ProgressSink {
public:
    CheckProgress() : ModalWorkerDialog(IDD_PROGRESS) {}

    // From the worker: posted, as the dialog's thread waits in its loop.
    void SetProgress(int percent) override {
        if (HWND dlg = UpWindow()) PostMessageA(GetDlgItem(dlg, IDC_PROGRESS_BAR), PBM_SETPOS, percent, 0);
    }

protected:
    BOOL OnInitDialog() override {
        // The command's prompt string ends with its short name.
        std::string prompt = fw::LoadText(ID_FILE_CHECK);
        SetWindowTextA(hwnd_, prompt.substr(prompt.find('\n') + 1).c_str());
        SetDlgItemTextA(hwnd_, IDC_PROGRESS_LABEL, fw::LoadText(IDS_CHECK_PROGRESS).c_str());
        SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        return ModalWorkerDialog::OnInitDialog();
    }
};

void ShowMessage(HWND owner, const std::string& text, UINT icon) {
    MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | icon);
}

}  // namespace

CheckCommands::CheckCommands(CheckHost& host) : host_(host) {}

CheckCommands::~CheckCommands() = default;

void CheckCommands::OnCommand(int id) {
    if (id == ID_FILE_CHECK) RunCheck();
}

void CheckCommands::UpdateState(int id, fw::CommandStates& states) {
    RegDocument& document = host_.Document();
    states.Enable(static_cast<UINT>(id), !document.roots.empty() || !document.path.empty());
}

HWND CheckCommands::ResultsHwnd() const { return results_ && results_->IsOpen() ? results_->Hwnd() : nullptr; }

// A document as it was read is checked in its file, whose lines the list
// names; an edited or new one in the text a save would write.
void CheckCommands::RunCheck() {
    RegDocument& document = host_.Document();
    HWND owner = host_.HostWindow();
    CheckFindings findings;
    findings.title = document.title.empty() ? fw::LoadText(IDS_UNTITLED) : document.title;
    findings.unsaved = document.modified || document.path.empty();
    LineCheck check([&findings](LineVerdict&& verdict) {
        if (findings.verdicts.size() < CheckFindings::kMaxRows) findings.verdicts.push_back(std::move(verdict));
    });
    CheckProgress progress;
    check.SetProgress(&progress);
    ReadError error = ReadError::None;
    std::string path = document.path;
    bool unsaved = findings.unsaved;
    // The window is disabled under the progress dialog: the document does
    // not change while the worker reads it.
    bool read = fw::RunWorker(owner, progress, check.StopFlag(), [&] {
        if (!unsaved) return check.CheckFile(path.c_str(), error);
        MemorySink text;
        if (!WriteDocument(document, text, true, document.dialect)) {
            error = ReadError::OutOfMemory;
            return false;
        }
        return check.CheckBytes(text.Data(), text.Size(), error);
    });
    if (!read) {
        ShowMessage(owner, fw::FormatText(IDS_CHECK_UNREAD, findings.title.c_str()), MB_ICONSTOP);
        return;
    }
    for (size_t s = 0; s < kSeverityCount; ++s) findings.counts[s] = check.Count(static_cast<Severity>(s));
    findings.stopped = check.Stopped();
    if (!results_) {
        results_ = std::make_unique<ResultsWindow>([this] { RunCheck(); },
                                                   [this](const LineVerdict& verdict) {
                                                       host_.ShowKeyAndValue(verdict.key,
                                                                             verdict.isValue ? &verdict.value : nullptr);
                                                   });
    }
    if (findings.Total() == 0 && !findings.stopped) {
        std::string title = findings.title;
        // An open window follows the check: it shows that nothing is left.
        if (results_->IsOpen()) results_->Show(owner, std::move(findings));
        ShowMessage(owner, fw::FormatText(IDS_CHECK_NOTHING, title.c_str()), MB_ICONINFORMATION);
        return;
    }
    results_->Show(owner, std::move(findings));
}

}  // namespace check
