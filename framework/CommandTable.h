#pragma once
// One table of the window's commands: each command number has the room that
// runs it. Menus, accelerators, the toolbar, context menus and double-clicks
// all end in Route; the command states of every menu and button come from
// UpdateStates. A command in the table without a room is not built yet and
// stays disabled.

#include <windows.h>

#include <initializer_list>
#include <map>
#include <vector>

namespace fw {

class CommandStates;

// Gives a variable a value for the length of a scope, then the old one back.
template <class T>
class ScopedAssign {
public:
    ScopedAssign(T& slot, T value) : slot_(slot), outer_(slot) { slot_ = value; }
    ~ScopedAssign() { slot_ = outer_; }
    ScopedAssign(const ScopedAssign&) = delete;
    ScopedAssign& operator=(const ScopedAssign&) = delete;

private:
    T& slot_;
    T outer_;
};

// A window that shows popup menus for the windows it holds (the frame, with
// its command states and menu images) answers this message: wParam is the
// popup, lParam points to the screen POINT, and the answer is the chosen
// command, not sent, or 0.
UINT PopupMessage();
// Shows `popup` at `screen` through `shower`, which answers PopupMessage;
// with no shower, a plain menu owned by `owner`. The chosen command or 0.
int TrackPopupThrough(HWND shower, HWND owner, HMENU popup, POINT screen);

// A room that runs commands: the frame, the key tree, the value list, the
// edit commands, and the rooms to come.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Runs command `id`, one of those the table gives this room.
    virtual void OnCommand(int id) = 0;
    // Sets the enabled and checked state of command `id` in `states`.
    virtual void UpdateState(int id, CommandStates& states) = 0;
};

class CommandTable {
public:
    // `owner` (not owned; null for a command not built yet) runs `ids`.
    void Add(CommandTarget* owner, std::initializer_list<int> ids);
    void Add(CommandTarget* owner, const int* ids, size_t count);

    bool Contains(int id) const { return owners_.count(id) != 0; }
    bool IsBuilt(int id) const;

    // Runs the command. `source` is the pane whose context menu chose it, or
    // null for the menu bar, accelerators and toolbar: the command then acts
    // on the pane with the keyboard focus. False when no room runs it.
    bool Route(int id, HWND source = nullptr);
    // The pane the running command acts on: its context menu's pane, else
    // the pane with the focus.
    HWND Source() const { return source_ ? source_ : GetFocus(); }

    // Asks every room for the states of its commands; commands not built are disabled.
    void UpdateStates(CommandStates& states) const;

private:
    std::map<int, CommandTarget*> owners_;
    std::vector<int> order_;  // commands in the order added, for the state updates
    HWND source_ = nullptr;
};

}  // namespace fw
