#pragma once
// The results window of Find All: a modeless window owned by the document
// window, listing every hit as key path, value name, type and data. Its list
// is virtual (owner data): the rows are made from the hits when they are
// shown, so a million hits cost no control items. While the search runs, it
// is the search's progress dialog: the count grows as the hits come in, and
// Abort (or closing it) stops the worker.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "find/FindHits.h"
#include "framework/Window.h"
#include "framework/WorkerRunner.h"

class RegDocument;

namespace find {

class FindResults : public fw::Dialog, public fw::WorkerDialog, public HitSink {
public:
    // `activate` gets the hit the user chose (double-click, Enter); it is
    // called only while the hit's key is still in the document.
    explicit FindResults(std::function<void(const FindHit&)> activate);
    ~FindResults() override;

    // Shows the window, made at first use, emptied for a search of `text`
    // over `document`; false when it cannot be made.
    bool Open(HWND owner, const RegDocument& document, const std::string& text);
    // After the run: the count and how the search ended.
    void Ended(SearchOutcome outcome);
    const HitList& Hits() const { return hits_; }

    // The worker's side: the hits as they come.
    void Take(const FindHit* hits, size_t count) override;

    // The search's progress: the window stays up after it.
    void Prepare() override;
    void Run(HWND owner) override;
    void Finish() override;

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // Brings the list's row count and the status line up to date.
    void ShowCount();
    void SetStatus(const std::string& text);
    LRESULT OnNotify(NMHDR* header);
    void FillCell(NMLVDISPINFOA* info);
    void ActivateRow(int row);
    void SortBy(int column);
    void Export();
    // Whether keys were destroyed since the search: the hits may point at
    // keys that are gone, and are dropped.
    bool Changed() const;
    void DropChanged();
    void Layout();
    void Close();

    std::function<void(const FindHit&)> activate_;
    HitList hits_;
    HitTexts texts_;
    std::string cell_;  // the text of the cell last asked for
    const RegDocument* document_ = nullptr;
    uint64_t keysDropped_ = 0;
    std::string text_;
    SearchOutcome outcome_ = SearchOutcome::NotFound;
    std::atomic<HWND> up_{nullptr};  // the window while a run may wake it
    std::atomic<bool> finished_{false};
    std::atomic<bool> firstHits_{false};
    bool running_ = false;
    bool aborted_ = false;
    bool closing_ = false;
    bool dropped_ = false;
    int sortColumn_ = -1;
    bool ascending_ = true;
};

}  // namespace find
