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

#include "document/RegDocument.h"
#include "framework/CommandTable.h"

class KeyTreeView;
class ValueListView;
class ViewHost;

// The first name made from `format` (one "%u") and the numbers first, first+1,
// ... that `taken` does not report as taken.
std::string FreeName(const std::string& format, unsigned first, const std::function<bool(const std::string&)>& taken);
// The first of name, "name #first", "name #first+1", ... that `taken` lets through.
std::string FreeSuffixedName(const std::string& name, int first,
                             const std::function<bool(const std::string&)>& taken);

class EditCommands : public fw::CommandTarget {
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

    void NewKey(HTREEITEM parent);
    void NewValue(ValueType kind);
    void DeleteKey(HTREEITEM item);
    void DeleteValues();
    // 203 and 204: by the pane the command came from.
    void Delete();
    void Rename();
    void Modify(int row);
    void CopyKeyName(HTREEITEM item);
    void SelectAll();
    // Values of a paste or drop (value lines in REGEDIT4 form) onto the selected key.
    void PasteValuesHere(const char* text);
    // The name a key branch named `name` takes when pasted under `target`.
    std::string PastedKeyName(HTREEITEM target, const char* name) const;

    // NM_SETFOCUS of the tree or the list: the Modify entry of the Edit menu
    // follows the focus. Call after the command states were updated.
    void OnViewFocus(HWND control);

    // Every command number OnCommand takes.
    static const int kCommands[];
    static const size_t kCommandCount;

private:
    int Ask(UINT textId, const char* argument, UINT captionId);
    void Changed();

    ViewHost& host_;       // not owned
    KeyTreeView& tree_;    // not owned
    ValueListView& list_;  // not owned
};
