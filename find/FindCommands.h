#pragma once
// Find (Ctrl+F), Find Next (F3) and Find All of the document window: the
// Find dialog, the search on a worker thread behind its progress dialog, the
// selection of the hit, and Find All's results window. Each window keeps its
// own search text and flags.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "find/FindResults.h"
#include "find/FindSearch.h"
#include "framework/CommandTable.h"
#include "framework/WorkerRunner.h"

class KeyNode;
class KeyTreeView;
class ValueListView;
class ViewHost;

namespace find {

// Posted by a search to the document window when a value matched; the
// window then calls ShowFoundValue. Registered under its fixed name.
UINT FoundValueMessage();

class FindCommands : public fw::CommandTarget {
public:
    FindCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list);
    FindCommands(const FindCommands&) = delete;
    FindCommands& operator=(const FindCommands&) = delete;

    // ID_EDIT_FIND, ID_EDIT_FIND_NEXT and ID_EDIT_FIND_ALL.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Selects, focuses and shows the value list's row of the last hit.
    void ShowFoundValue();

    unsigned Flags() const { return flags_; }
    void SetFlags(unsigned flags) { flags_ = flags; }
    const std::string& Text() const { return text_; }

private:
    // The Find dialog: IDOK for Find Next, IDC_FIND_ALL for Find All, else IDCANCEL.
    INT_PTR AskForText();
    void Search();
    void SearchAll();
    // Where Find Next starts: the selected key, and in it the selected value
    // when the list shows that key.
    FindHit StartPlace() const;
    void SelectHit(const FindHit& hit);
    // Selects the hit's row in the value list (which shows its key); the
    // list gets the focus when `focus` is set.
    void SelectValueRow(const FindHit& hit, bool focus);

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
    std::string text_;
    std::string key_;      // the upper-cased text of the last search
    unsigned flags_ = 1;
    FindHit lastHit_;
    std::atomic<int32_t> stop_{1};
    fw::ModalWorkerDialog progress_;
    FindResults results_;
};

}  // namespace find
