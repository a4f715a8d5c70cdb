#pragma once
// The right pane: the selected key's values as a three-column report (name,
// type, data); row 0 always stands for the key's default value. The view holds
// the key's values as live ValueEntry objects while the key is selected.

#include <windows.h>
#include <commctrl.h>

#include "document/RegDocument.h"

class ViewHost;

class ValueListView {
public:
    ValueListView() = default;
    ValueListView(const ValueListView&) = delete;
    ValueListView& operator=(const ValueListView&) = delete;
    ~ValueListView();

    bool Create(HWND parent, ViewHost* host, int controlId);
    HWND Hwnd() const { return hwnd_; }

    // Rebuilds the current value set from the key and all rows; none empties the list.
    void Fill(KeyNode* key);
    void ClearRows();
    ValueEntry* ValueAt(int row) const;
    int AppendRow(const char* text, int image);
    void SetCell(int row, int column, const char* text);
    void SetValueOf(int row, ValueEntry* value);
    int SelectedCount() const;
    int FirstSelected() const;
    int NextSelected(int after) const;
    void SelectAll();
    void DeselectAll();
    void Select(int row);
    // Row whose name cell equals the text without regard to case, or -1.
    int FindRowText(const char* text) const;
    void BeginRename(int row);
    void Sort(int column);
    // Writes the current value set back into the selected key.
    bool StoreValues();

    KeyNode* Key() const { return key_; }           // not owned
    ValueList& Values() { return values_; }
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }
    bool IsEditingLabel() const { return editing_; }

    // Notifications of the control (LVN_*, NM_*), forwarded by the window that gets them.
    LRESULT OnNotify(NMHDR* header);
    // WM_CONTEXTMENU over the list, at a screen point (-1,-1 from the keyboard).
    void OnContextMenu(POINT screen);

    // The name column's text for a stored value name: "\\" shows as "\" and
    // "\"" as '"'.
    static std::string DisplayName(const std::string& storedName);
    // The stored form of a typed name: backslashes and double quotes escaped.
    static std::string StoredName(const char* typed);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);
    void ReadColumnWidths();
    void StoreColumnWidths();
    bool OnEndLabelEdit(NMLVDISPINFOA* info);
    void ModifyRow(int row);

    HWND hwnd_ = nullptr;
    ViewHost* host_ = nullptr;  // not owned
    KeyNode* key_ = nullptr;    // not owned
    ValueList values_;
    HIMAGELIST rowImages_ = nullptr;
    HIMAGELIST headerImages_ = nullptr;
    int sortColumn_ = -1;
    bool ascending_ = false;
    bool editing_ = false;
};
