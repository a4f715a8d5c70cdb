#pragma once
// What the four value editors share: the value's name in field 1000 and the
// closing commands 3 to 7, which end the dialog without storing anything.

#include "framework/Window.h"

#include <string>

class ValueEntry;

namespace editors {

// The value's name as the editors show it: the stored name with each doubled
// backslash shown as one, or string 142 for the default value.
std::string GetEditorDisplayName(const ValueEntry& value);

// Text of a dialog control of any length.
std::string GetControlText(HWND control);

class ValueEditDialog : public fw::Dialog {
protected:
    explicit ValueEditDialog(ValueEntry& value) : entry_(value) {}

    void ShowDisplayName();
    // Commands 2 to 7 close without storing; true when `id` was one of them.
    bool CloseWithoutStoring(int id);

    ValueEntry& entry_;  // not owned
};

}  // namespace editors
