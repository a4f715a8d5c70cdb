#pragma once
// The value editors behind ValueEntry::Edit: registered once at start-up,
// after the common controls are loaded.

namespace editors {

// Makes ValueEntry::Edit open the dialog of the value's kind.
void RegisterValueEditors();
void UnregisterValueEditors();

}  // namespace editors
