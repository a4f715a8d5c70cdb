#pragma once
// Cut, Copy and Paste of keys and values through the clipboard, and the
// paste operations the drops use: a key with its branch, or the selected
// values, travel as .reg text (transfer/TransferPayload.h). The focus picks
// the case: the key tree pane acts on the key, anything else on the values.

#include <windows.h>
#include <commctrl.h>

#include <string_view>

#include "document/EditHistory.h"
#include "framework/CommandTable.h"

class EditCommands;
class KeyTreeView;
class MemorySink;
class ValueListView;
class ViewHost;

namespace transfer {

class TransferCommands : public fw::CommandTarget {
public:
    TransferCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list, EditCommands& edit);
    TransferCommands(const TransferCommands&) = delete;
    TransferCommands& operator=(const TransferCommands&) = delete;

    // Cut, Copy and Paste.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Key branch and key path payloads of the item (none: the selection) on
    // the clipboard.
    void CopyKeyBranch(HTREEITEM item);
    bool CopySelectedValues();
    void CutKeyBranch(HTREEITEM item);
    void CutSelectedValues();
    // The key case of Paste: values onto the item, or a branch under it;
    // with no item and no selection, a branch at the top level.
    void PasteToKey(HTREEITEM item);
    // The value case of Paste: values onto the selected key.
    void PasteValues();
    // Places the branch (a key branch payload) under the target (none: at
    // the top level) under the first free name, and shows it. False, with
    // the document unchanged, when the text is no key branch.
    // Each is one step of the document's history, named by kind (a paste or
    // a drop).
    bool PasteBranch(std::string_view text, std::string_view sourcePath, HTREEITEM target,
                     EditKind kind = EditKind::Paste);
    // Attaches the values payload's value lines to the item's key as a new
    // block, without renaming, and selects the item.
    bool AddValuesToKey(HTREEITEM item, std::string_view text, EditKind kind = EditKind::Paste);
    // Merges the values payload into the selected key, renaming clashes.
    bool PasteValuesText(std::string_view text, EditKind kind = EditKind::Paste);

    // The drag starts the views report.
    void BeginKeyDrag(HTREEITEM item);
    void BeginValuesDrag();

    // Registers the two drop targets on the views' controls; RevokeDropTargets
    // before the controls go.
    void RegisterDropTargets();
    void RevokeDropTargets();

    KeyTreeView& Tree() { return tree_; }
    // Whether a drop may change the document now: not while the window is
    // disabled under a running load, save or search (another process's drop
    // still arrives then, from the progress dialog's message loop).
    bool AcceptsDrops();

private:
    // Whether the command acts on the key: the focus (or the context menu)
    // is in the key tree pane.
    bool IsKeyCase() const;
    bool WriteSelectedValues(MemorySink& out) const;

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
    EditCommands& edit_;   // not owned
    bool registered_ = false;
};

}  // namespace transfer
