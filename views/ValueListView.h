#pragma once
// The right pane: the selected key's values as a three-column report (name,
// type, data); row 0 always stands for the key's default value. The view holds
// the key's values as live ValueEntry objects while the key is selected.

#include <windows.h>
#include <commctrl.h>

#include "document/DocumentEdits.h"
#include "document/RegDocument.h"
#include "framework/Handles.h"
#include "framework/WindowHook.h"

class ViewHost;

class ValueListView {
public:
    ValueListView() = default;
    ValueListView(const ValueListView&) = delete;
    ValueListView& operator=(const ValueListView&) = delete;

    bool Create(HWND parent, ViewHost* host, int controlId);
    HWND Hwnd() const { return hwnd_; }

    // Rebuilds the current value set from the key and all rows; none empties the list.
    void Fill(KeyNode* key);
    void ClearRows();
    ValueEntry* ValueAt(int row) const;
    // Whether the row shows a deletion line ("name"=-): read-only, greyed.
    bool IsDeletionRow(int row) const;

    // The verbs that change the value set keep its entries and the rows in
    // step; StoreValues then writes the set into the key.
    // Appends a value and its row; returns the row, or -1 (value dropped).
    int AppendValue(std::unique_ptr<ValueEntry> value);
    // Makes value the key's default value, shown in row 0.
    void ReplaceDefault(std::unique_ptr<ValueEntry> value);
    // Removes the selected values; row 0 stays and shows that no default
    // value is set.
    void RemoveSelected();
    // Removes one row and its value.
    void RemoveRow(int row);
    // Shows a row's name, type and data again after its value changed.
    void RefreshRow(int row);

    int SelectedCount() const;
    int FirstSelected() const;
    // The row a value command acts on: the one the context menu was opened
    // over (or double-clicked) while its choice runs, else the only selected
    // row, else -1.
    int CommandRow() const;
    int NextSelected(int after) const;
    void SelectAll();
    void DeselectAll();
    void Select(int row);
    // Row whose name cell equals the text without regard to case, or -1.
    int FindRowText(const char* text) const;
    void BeginRename(int row);
    void Sort(int column);
    // Writes the current value set back into the selected key, as one edit
    // of the document of the kind given.
    bool StoreValues(EditKind kind);

    KeyNode* Key() const { return key_; }           // not owned
    const ValueList& Values() const { return values_; }
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }
    bool IsEditingLabel() const { return editing_; }

    // Images and column widths for the display scale, when the window moves
    // to a monitor of another scale.
    void ApplyDpi(int dpi);
    int Dpi() const { return dpi_; }

    // Notifications of the control (LVN_*, NM_*), forwarded by the window that gets them.
    LRESULT OnNotify(NMHDR* header);
    // WM_CONTEXTMENU over the list, at a screen point (-1,-1 from the keyboard).
    void OnContextMenu(POINT screen);

private:
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);
    void ApplyImages();
    void ReadColumnWidths();
    void StoreColumnWidths();
    bool OnEndLabelEdit(NMLVDISPINFOA* info);
    // How the user left the label editor, for a report of its end that
    // carries no text.
    void WatchLabelEditor();
    static LRESULT CALLBACK LabelEditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR data);
    // Runs a command of the list through the host for `row`.
    void RunCommand(int id, int row);
    int AppendRow(const ValueEntry* value);
    void ShowRow(int row, const ValueEntry* value);
    void SetCell(int row, int column, const char* text);
    void ReleaseValue(const ValueEntry* value);

    HWND hwnd_ = nullptr;
    fw::WindowHook hook_;       // in front of the control's own procedure
    ViewHost* host_ = nullptr;  // not owned
    KeyNode* key_ = nullptr;    // not owned
    ValueList values_;
    fw::UniqueImageList rowImages_;
    fw::UniqueImageList headerImages_;
    int dpi_ = 96;
    int contextRow_ = -1;
    int sortColumn_ = -1;
    bool ascending_ = false;
    bool editing_ = false;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) const;

    enum class LabelEnd { Open, Cancelled, Emptied } labelEnd_ = LabelEnd::Open;
};
