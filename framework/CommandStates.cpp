#include "framework/CommandStates.h"

#include <commctrl.h>

#include <algorithm>

namespace fw {

void CommandStates::Enable(UINT id, bool enabled) {
    State& state = states_[id];
    state.enabled = enabled;
    toolbarsDirty_ = true;
    ApplyToMenuBar(id, state);
}

void CommandStates::Check(UINT id, bool checked) {
    State& state = states_[id];
    state.checked = checked;
    toolbarsDirty_ = true;
    ApplyToMenuBar(id, state);
}

bool CommandStates::IsEnabled(UINT id) const {
    auto it = states_.find(id);
    return it == states_.end() || it->second.enabled;
}

bool CommandStates::IsChecked(UINT id) const {
    auto it = states_.find(id);
    return it != states_.end() && it->second.checked;
}

void CommandStates::AddToolbar(HWND toolbar) {
    toolbars_.push_back(toolbar);
    toolbarsDirty_ = true;
}

void CommandStates::RemoveToolbar(HWND toolbar) {
    toolbars_.erase(std::remove(toolbars_.begin(), toolbars_.end(), toolbar), toolbars_.end());
}

void CommandStates::ApplyToMenuBar(UINT id, const State& state) const {
    if (!menuBar_) return;
    // MF_BYCOMMAND searches the submenus too.
    EnableMenuItem(menuBar_, id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menuBar_, id, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
}

void CommandStates::ApplyToMenu(HMENU menu) const {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ApplyToMenu(sub);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        auto it = states_.find(id);
        if (id == 0 || id == static_cast<UINT>(-1) || it == states_.end()) continue;
        EnableMenuItem(menu, i, MF_BYPOSITION | (it->second.enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, i, MF_BYPOSITION | (it->second.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CommandStates::UpdateToolbars() {
    if (!toolbarsDirty_) return;
    toolbarsDirty_ = false;
    for (HWND toolbar : toolbars_) {
        int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if (button.fsStyle & BTNS_SEP) continue;
            auto it = states_.find(static_cast<UINT>(button.idCommand));
            if (it == states_.end()) continue;
            SendMessageA(toolbar, TB_ENABLEBUTTON, button.idCommand, MAKELPARAM(it->second.enabled, 0));
            SendMessageA(toolbar, TB_CHECKBUTTON, button.idCommand, MAKELPARAM(it->second.checked, 0));
        }
    }
}

}  // namespace fw
