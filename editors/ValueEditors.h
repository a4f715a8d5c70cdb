#pragma once
// The value editors behind ValueEntry::Edit, and what the frame provides
// them: registered once at start-up, after the common controls are loaded.

#include <windows.h>

class ValueEntry;

namespace editors {

// What the editors keep between runs, in the frame's settings: the base a
// number editor was last closed in with OK, so that the next one opens in it.
class EditorSettings {
public:
    virtual ~EditorSettings() = default;
    virtual bool ReadDecimalBase() const = 0;
    virtual void StoreDecimalBase(bool decimal) const = 0;
};

// Not owned; without settings every number editor opens in hexadecimal.
void SetEditorSettings(const EditorSettings* settings);
const EditorSettings* GetEditorSettings();

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
