#pragma once
// Find (Ctrl+F) and Find Next (F3) of the document window: the Find dialog,
// the search on a worker thread behind its progress dialog, and the
// selection of the hit. Each window keeps its own search text and flags.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

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

    // ID_EDIT_FIND and ID_EDIT_FIND_NEXT.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Selects, focuses and shows the first row of the value list that passes
    // the value test of the last search.
    void ShowFoundValue();

    unsigned Flags() const { return flags_; }
    void SetFlags(unsigned flags) { flags_ = flags; }
    const std::string& Text() const { return text_; }

private:
    // The Find dialog; true when it was closed with Find Next.
    bool AskForText();
    void Search();
    void SelectHit(const KeyNode* key, bool inValue);

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
    std::string text_;
    std::string key_;      // the upper-cased text of the last search
    unsigned flags_ = 1;
    std::atomic<int32_t> stop_{1};
    fw::ModalWorkerDialog progress_;
};

}  // namespace find
