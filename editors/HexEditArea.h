#pragma once
// The hex area of the binary editor: a multi-line edit control that always
// holds byte cells (space, high digit, low digit, space) and gains or loses
// only whole bytes.

#include "editors/SubclassedControl.h"

#include <string>

namespace editors {

class HexEditArea : public SubclassedControl {
public:
    // Regroups the area's text into cells, keeping the selection offsets.
    void Reformat();
    std::string Text() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnChar(char digit);
    void OnDelete();
    void OnBackspace();
    // Selection widened to the cells holding its characters (or the cell at
    // the caret when it is empty).
    void WidenSelectionToCells();
    void Paste();

    void GetSelection(DWORD& start, DWORD& end) const;
    void Select(DWORD start, DWORD end);
    void ReplaceSelection(const char* text);
    DWORD Length() const;
};

}  // namespace editors
