#pragma once
// The command-state update map: enabled and checked state per command number,
// set in one place and shown by every menu and toolbar that carries the
// command. Commands never set are enabled and unchecked.

#include <windows.h>

#include <map>
#include <vector>

namespace fw {

class CommandStates {
public:
    void Enable(UINT id, bool enabled);
    void Check(UINT id, bool checked);
    bool IsEnabled(UINT id) const;
    bool IsChecked(UINT id) const;

    // The menu bar follows every change at once; popups built later (context
    // menus) take the states through ApplyToMenu.
    void SetMenuBar(HMENU menu) { menuBar_ = menu; }
    void AddToolbar(HWND toolbar);
    void RemoveToolbar(HWND toolbar);

    // Sets the state of every item of the menu and its submenus that the map knows.
    void ApplyToMenu(HMENU menu) const;
    // Brings the toolbar buttons in line; cheap when nothing changed.
    void UpdateToolbars();

private:
    struct State {
        bool enabled = true;
        bool checked = false;
    };
    void ApplyToMenuBar(UINT id, const State& state) const;

    std::map<UINT, State> states_;
    HMENU menuBar_ = nullptr;          // not owned
    std::vector<HWND> toolbars_;       // not owned
    bool toolbarsDirty_ = true;
};

}  // namespace fw
