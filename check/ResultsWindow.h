#pragma once
// The results window of Check File: a modeless dialog with a list of line,
// severity, key and reason, sortable by each column, the counts in its
// caption and, below the list, what Enter and F5 do or how many lines did
// not fit.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "document/LineCheck.h"
#include "framework/MessageLoop.h"
#include "framework/Window.h"

namespace check {

// What one check found: the first kMaxRows verdicts and the counts of all.
struct CheckFindings {
    static constexpr size_t kMaxRows = 10000;
    std::vector<LineVerdict> verdicts;
    size_t counts[kSeverityCount] = {};
    std::string title;       // the document's title
    bool unsaved = false;    // the text a save would write was checked
    bool stopped = false;
    size_t Total() const { return counts[0] + counts[1] + counts[2]; }
};

class ResultsWindow : public fw::Dialog, public fw::MessageFilter {
public:
    // rerun: F5; show: Enter or a double-click on a row's verdict.
    ResultsWindow(std::function<void()> rerun, std::function<void(const LineVerdict&)> show)
        : rerun_(std::move(rerun)), show_(std::move(show)) {}
    ~ResultsWindow() override;

    // Creates the window on first use, fills it and brings it up.
    bool Show(HWND owner, CheckFindings findings);
    bool IsOpen() const { return hwnd_ && IsWindow(hwnd_); }

    bool PreTranslateMessage(MSG* msg) override;

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void Fill();
    void Layout();
    void SortBy(int column);
    void ShowRow(int row);
    LRESULT OnNotify(NMHDR* header);

    std::function<void()> rerun_;
    std::function<void(const LineVerdict&)> show_;
    CheckFindings findings_;
    std::vector<std::string> reasons_;  // the shown reason of each verdict
    int sortColumn_ = 0;
    bool ascending_ = true;
    bool filtering_ = false;  // registered with the message loop
};

}  // namespace check
