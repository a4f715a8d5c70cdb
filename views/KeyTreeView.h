#pragma once
// The left pane: the document's keys as a tree-view control, one item per
// KeyNode. The control holds the items, the document holds the keys; this
// class keeps the two in step.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "document/RegDocument.h"

class ValueListView;
class ViewHost;

class KeyTreeView : public KeyTreeSink {
public:
    KeyTreeView() = default;
    KeyTreeView(const KeyTreeView&) = delete;
    KeyTreeView& operator=(const KeyTreeView&) = delete;
    ~KeyTreeView() override;

    bool Create(HWND parent, ViewHost* host, ValueListView* list, int controlId);
    HWND Hwnd() const { return hwnd_; }

    void Rebuild(RegDocument& document);
    HTREEITEM InsertKey(KeyNode* key, HTREEITEM parent);
    // Safe from the load worker: the control's messages are sent to the
    // user-interface thread, which serves them from the progress dialog's loop.
    HTREEITEM EnsureItem(KeyNode* key);
    void AddKey(KeyNode* key) override { EnsureItem(key); }
    KeyNode* KeyOf(HTREEITEM item) const;
    HTREEITEM Selected() const;
    // Writes the key path of the item (the selection when null) into `out`.
    void PathOf(HTREEITEM item, std::string& out) const;
    bool HasChildNamed(HTREEITEM parent, const char* name) const;
    bool HasChildNamedLocale(const char* name, HTREEITEM parent) const;
    HTREEITEM FindByPath(const char* path) const;
    void LeafPaths(std::vector<std::string>& out) const;
    void RemoveItem(HTREEITEM item);
    void BeginRename(HTREEITEM item);
    void ToggleExpand(HTREEITEM item);
    void SelectItem(HTREEITEM item);
    void SetRedraw(bool on);
    bool IsEditingLabel() const { return editing_; }

    // Notifications of the control (TVN_*), forwarded by the window that gets them.
    LRESULT OnNotify(NMHDR* header);
    // WM_CONTEXTMENU over the tree, at a screen point (-1,-1 from the keyboard).
    void OnContextMenu(POINT screen);

private:
    void InsertLevels(RegDocument& document);
    void ClearItemData(HTREEITEM item);
    void CollectLeafPaths(HTREEITEM item, std::string& prefix,
                          std::vector<std::string>& out) const;
    void OnSelectionChanged(HTREEITEM item);
    bool OnEndLabelEdit(NMTVDISPINFOA* info);

    HWND hwnd_ = nullptr;
    ViewHost* host_ = nullptr;      // not owned
    ValueListView* list_ = nullptr; // not owned
    HIMAGELIST images_ = nullptr;
    bool editing_ = false;
    bool rebuilding_ = false;
};
