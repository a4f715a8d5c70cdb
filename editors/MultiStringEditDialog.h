#pragma once
// Dialog 271 for multi-string values: one list item per string.

#include "editors/ValueEditDialog.h"
#include "editors/ValueEditors.h"

#include <string>
#include <vector>

class MultiStringValue;
namespace editors {

class MultiStringEditDialog : public ValueEditDialog {
public:
    MultiStringEditDialog(MultiStringValue& value, HWND popupShower);
    bool Run(HWND owner);

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    HWND List() const;

    INT_PTR OnNotify(NMHDR* header);
    void OnContextMenu(int x, int y);
    void Add();
    void EditSelected();
    // True when the user confirmed and the items were deleted.
    bool DeleteSelected();
    void UpdateButtons();
    int SelectedCount() const;
    std::string ItemText(int index) const;
    std::vector<std::string> Items() const;
    void Close(int id);

    MultiStringValue& multi_;          // not owned
    HWND popupShower_;                 // shows the context menu (fw::PopupMessage); null: plain menus
    bool listChanged_ = false;
};

}  // namespace editors
