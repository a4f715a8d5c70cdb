#pragma once
// Enables or greys every command of a popup menu, submenus included.

#include <windows.h>

template <class IsEnabled>
void ApplyMenuStates(HMENU menu, IsEnabled isEnabled) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ApplyMenuStates(sub, isEnabled);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        EnableMenuItem(menu, i, MF_BYPOSITION | (isEnabled(id) ? MF_ENABLED : MF_GRAYED));
    }
}
