#include "framework/CommandTable.h"

#include "framework/CommandStates.h"

namespace fw {

void CommandTable::Add(CommandTarget* owner, std::initializer_list<int> ids) {
    Add(owner, ids.begin(), ids.size());
}

void CommandTable::Add(CommandTarget* owner, const int* ids, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!Contains(ids[i])) order_.push_back(ids[i]);
        owners_[ids[i]] = owner;
    }
}

bool CommandTable::IsBuilt(int id) const {
    auto it = owners_.find(id);
    return it != owners_.end() && it->second;
}

bool CommandTable::Route(int id, HWND source) {
    auto it = owners_.find(id);
    if (it == owners_.end() || !it->second) return false;
    // A command run from a context menu may open another window that routes
    // its own commands; each sees its own source.
    ScopedAssign<HWND> scope(source_, source);
    it->second->OnCommand(id);
    return true;
}

UINT PopupMessage() {
    static const UINT message = RegisterWindowMessageA("Quillon.TrackPopup");
    return message;
}

int TrackPopupThrough(HWND shower, HWND owner, HMENU popup, POINT screen) {
    if (shower)
        return static_cast<int>(SendMessageA(shower, PopupMessage(), reinterpret_cast<WPARAM>(popup),
                                             reinterpret_cast<LPARAM>(&screen)));
    return static_cast<int>(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, screen.x,
                                             screen.y, owner, nullptr));
}

void CommandTable::UpdateStates(CommandStates& states) const {
    for (int id : order_) {
        CommandTarget* owner = owners_.at(id);
        if (owner) owner->UpdateState(id, states);
        else states.Enable(static_cast<UINT>(id), false);
    }
}

}  // namespace fw
