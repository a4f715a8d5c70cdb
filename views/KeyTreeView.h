#pragma once
// The left pane: the document's keys as a tree-view control. Items exist for
// the top-level keys and for the children of keys that have been expanded; a
// key with children shows its expand button before its children have items.
// The document answers every question about keys; the control only shows.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "document/DocumentSinks.h"
#include "document/RegDocument.h"
#include "framework/CommandTable.h"
#include "framework/Handles.h"
#include "framework/WindowHook.h"

class ValueListView;
class ViewHost;

class KeyTreeView : public KeyTreeSink, public fw::CommandTarget {
public:
    KeyTreeView() = default;
    KeyTreeView(const KeyTreeView&) = delete;
    KeyTreeView& operator=(const KeyTreeView&) = delete;

    bool Create(HWND parent, ViewHost* host, ValueListView* list, int controlId);
    HWND Hwnd() const { return hwnd_; }

    // Items for the document's top-level keys, in place of every item; the
    // items lead to keys again after SuspendKeys.
    void Rebuild(RegDocument& document);
    // While another file is read into the document on the load worker, which
    // may free the keys behind the items, no item leads to a key: the items
    // neither expand nor fill the list, and the list is empty. ResumeKeys
    // when the load left the document as it was.
    void SuspendKeys();
    void ResumeKeys();
    HTREEITEM InsertKey(KeyNode* key, HTREEITEM parent, HTREEITEM after = TVI_LAST);
    // Creates the items down to the key, expanding its ancestors; returns the
    // key's item.
    HTREEITEM EnsureItem(KeyNode* key);
    // Inserts the children of the item's key when they have no items yet.
    void FillChildren(HTREEITEM item);
    // Shows or hides the key's expand button as it has children or not.
    void UpdateButton(KeyNode* key);
    // The parser's report of a key. Safe from the load worker: the control's
    // messages are sent to the user-interface thread, which serves them from
    // the progress dialog's loop.
    void AddKey(KeyNode* key) override;
    KeyNode* KeyOf(HTREEITEM item) const;
    HTREEITEM Selected() const;
    // The item a key command acts on: the one the context menu was opened
    // over while its choice runs, else the selection.
    HTREEITEM CommandItem() const { return contextItem_ ? contextItem_ : Selected(); }
    // Writes the key path of the item (the selection when null) into `out`.
    void PathOf(HTREEITEM item, std::string& out) const;
    // Whether the item's key (null: the top level) has a child of the name,
    // as the document compares key names.
    bool HasChildNamed(HTREEITEM parent, const char* name) const;
    KeyNode* FindKeyByPath(const char* path) const;
    // The item of the key at the path (made visible), or null.
    HTREEITEM FindByPath(const char* path);
    void LeafPaths(std::vector<std::string>& out) const;
    void RemoveItem(HTREEITEM item);
    // A key that joined the document gets its item where its siblings have
    // theirs, or its parent an expand button.
    void ShowAddedKey(KeyNode* key);
    // A key about to leave the document: its item goes, and the keys of its
    // branch forget theirs.
    void ForgetItems(KeyNode* key);
    void ShowRenamedKey(KeyNode* key);
    void BeginRename(HTREEITEM item);
    void ToggleExpand(HTREEITEM item);
    // Shows the children of the item's key and expands it, one level.
    void ExpandKey(HTREEITEM item);
    // Sent to the tree's window (lParam: the item) to have FillChildren run
    // on the user-interface thread, from a worker.
    static UINT FillChildrenMessage();
    void SelectItem(HTREEITEM item);
    void SetRedraw(bool on);
    // Images for the display scale (at creation and when the window moves
    // to a monitor of another scale).
    void ApplyDpi(int dpi);
    bool IsEditingLabel() const { return editing_; }

    // Notifications of the control (TVN_*), forwarded by the window that gets them.
    LRESULT OnNotify(NMHDR* header);
    // WM_CONTEXTMENU over the tree, at a screen point (-1,-1 from the keyboard).
    void OnContextMenu(POINT screen);
    // Expand or Collapse of the command item.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

private:
    static bool ChildrenShown(const KeyNode* key);
    const KeyNode* FirstChildOf(HTREEITEM parent) const;
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnSelectionChanged(HTREEITEM item);
    // The selected key's path in the status bar.
    void ShowSelectedPath();
    bool OnEndLabelEdit(NMTVDISPINFOA* info);
    // Tells the user why the typed name cannot be a key's name.
    void RefuseName(UINT reason, const KeyNode* key) const;

    HWND hwnd_ = nullptr;
    ViewHost* host_ = nullptr;      // not owned
    ValueListView* list_ = nullptr; // not owned
    fw::UniqueImageList images_;
    fw::WindowHook hook_;  // in front of the control's own procedure
    HTREEITEM contextItem_ = nullptr;
    bool editing_ = false;
    bool rebuilding_ = false;
    bool suspended_ = false;
};
