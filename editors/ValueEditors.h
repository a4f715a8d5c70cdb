#pragma once
// The value editors behind ValueEntry::Edit, and what the frame provides
// them: registered once at start-up, after the common controls are loaded.

#include <windows.h>

namespace editors {

// Makes ValueEntry::Edit open the dialog of the value's kind.
void RegisterValueEditors();
void UnregisterValueEditors();

// Shows a context menu and returns the chosen command (0 for none) without
// sending it. The frame installs one that tracks the menu through its command
// bar; without one the editors track it themselves.
using ContextMenuTracker = UINT (*)(HMENU popup, int x, int y, HWND owner);
void SetContextMenuTracker(ContextMenuTracker tracker);

// The message registered under "C0439A9C-02F2-4a33-B5D6-09392B6CD711": sent
// to the editor's owner with a command ID (wParam) and an enable flag
// (lParam) before a context menu shows, for the frame's command states.
UINT GetEnableCommandMessage();

}  // namespace editors
