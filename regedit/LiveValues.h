#pragma once
// The values of the document read again from the live registry
// (ValueEntry::ReadFromRegistry).

namespace regedit {

// Makes ReadFromRegistry read the live registry.
void UseLiveRegistry();

}  // namespace regedit
