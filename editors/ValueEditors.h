#pragma once
// The value editors behind ValueEntry::Edit, and what the frame provides
// them: registered once at start-up, after the common controls are loaded.

#include <windows.h>

class ValueEntry;

namespace editors {

// Makes ValueEntry::Edit open the dialog of the value's kind.
void RegisterValueEditors();
void UnregisterValueEditors();

// Opens the dialog of the value's kind, owned by `owner`. Its context menus
// show through `popupShower` (the frame, with its command states), or plainly
// when it is null. True when the user changed the value.
bool EditValue(ValueEntry& value, HWND owner, HWND popupShower);

// The message registered under "C0439A9C-02F2-4a33-B5D6-09392B6CD711": sent
// to the editor's owner with a command ID (wParam) and an enable flag
// (lParam) before a context menu shows, for the frame's command states.
UINT GetEnableCommandMessage();

}  // namespace editors
