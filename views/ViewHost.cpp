#include "views/ViewHost.h"

#include "document/ValueEntry.h"

HWND ViewHost::CommandSource() { return GetFocus(); }

// Without a window of its own the host opens the editor registered for the value's kind.
bool ViewHost::EditValue(ValueEntry& value) { return value.Edit(HostWindow()); }
