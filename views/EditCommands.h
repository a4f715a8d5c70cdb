#pragma once
// The editing commands of the document window: new key and values, delete,
// rename, modify, copy key name, select all and the paste of values onto the
// selected key, with the command states they depend on. They act on the
// document through the key tree and the value list.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "document/DocumentEdits.h"
#include "document/RegDocument.h"
#include "framework/CommandTable.h"

class KeyTreeView;
class ValueListView;
class ViewHost;

// The views follow the document through this class, the observer of its
// edits: whatever changed it (a command, an undo, a redo), the tree and the
// list show the change, and the caption and command states follow.
class EditCommands : public fw::CommandTarget, public EditObserver {
public:
    EditCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list);
    EditCommands(const EditCommands&) = delete;
    EditCommands& operator=(const EditCommands&) = delete;

    // The commands of kCommands. Key commands act on the tree's command item,
    // value commands on the list's command row; Delete and Rename on the pane
    // the command came from.
    void OnCommand(int id) override;
    // By the pane with the focus; a command the focus does not decide keeps its state.
    void UpdateState(int id, fw::CommandStates& states) override;

    // Makes this the observer of the document's edits.
    void Observe(RegDocument& document);

    void NewKey(HTREEITEM parent);
    void NewValue(ValueType kind);
    void DeleteKey(HTREEITEM item, EditKind kind = EditKind::DeleteKey);
    void DeleteValues(EditKind kind = EditKind::DeleteValues);
    // Undo and Redo: the key the step changed is shown and selected.
    void Undo();
    void Redo();
    // 203 and 204: by the pane the command came from.
    void Delete();
    void Rename();
    void Modify(int row);
    void CopyKeyName(HTREEITEM item);
    void SelectAll();
    // Values of a paste or drop (value lines in REGEDIT4 form) onto the selected key.
    void PasteValuesHere(const char* text, EditKind kind = EditKind::Paste);
    // The name a key branch named `name` takes when pasted under `target`.
    std::string PastedKeyName(HTREEITEM target, const char* name) const;

    // NM_SETFOCUS of the tree or the list: the Modify entry of the Edit menu
    // follows the focus. Call after the command states were updated.
    void OnViewFocus(HWND control);

    // Every command number OnCommand takes.
    static const int kCommands[];
    static const size_t kCommandCount;

    // EditObserver.
    void KeyAdded(KeyNode* key) override;
    void KeyRemoving(KeyNode* key) override;
    void KeyRemoved(KeyNode* parent) override;
    void KeyRenamed(KeyNode* key) override;
    void ValuesChanged(KeyNode* key) override;
    void Edited() override;

private:
    int Ask(UINT textId, const char* argument, UINT captionId);
    DocumentEdits& Edits() const;
    // The Edit menu's Undo and Redo name the steps they would take.
    void NameUndoSteps();
    void ShowStepKey(KeyNode* key);

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
};
