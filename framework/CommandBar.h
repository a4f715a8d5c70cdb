#pragma once
// The command bar: a menu bar drawn as a toolbar, so that it can sit in a
// rebar band beside the other bars. Each popup of the menu is a button;
// pressing it, or its mnemonic with Alt, tracks the popup below it, and
// while one is open the pointer or the arrow keys move to the others. The
// popups report to the owner window as the window's own menu would:
// WM_INITMENUPOPUP, WM_MENUSELECT and WM_COMMAND.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Handles.h"

namespace fw {

class CommandBar {
public:
    static constexpr const char* kClassName = "QuillonCommandBar";

    CommandBar() = default;
    ~CommandBar();
    CommandBar(const CommandBar&) = delete;
    CommandBar& operator=(const CommandBar&) = delete;

    // Creates the bar as a child of `parent`, which gets the popups' messages,
    // with a button for each popup of `menu`; the bar owns the menu from then on.
    bool Create(HWND parent, HMENU menu, int id);
    HWND Hwnd() const { return hwnd_; }
    HMENU Menu() const { return menu_.Get(); }
    // The width and height the bar needs for all its buttons.
    SIZE IdealSize() const;

    // The owner's WM_SYSCOMMAND SC_KEYMENU: Alt with a letter opens the popup
    // with that mnemonic, Alt alone or F10 the first one. False for other keys
    // (Alt+Space, the window menu).
    bool OnKeyMenu(char key);
    // Keys for the menus before they are dispatched to the window with the
    // focus (a child's own handling of Alt never reaches the owner): Alt
    // with a mnemonic, Alt pressed and released alone, F10. True when taken.
    bool PreTranslateMessage(const MSG* msg);
    // The owner's notifications; true when the bar took it.
    bool OnNotify(NMHDR* header, LRESULT* result);
    // The owner's WM_MENUSELECT while a popup is open.
    void OnMenuSelect(UINT flags, HMENU menu);

private:
    // Tracks popup `index`, then the popups the user moves to.
    void TrackFrom(int index, bool byKeyboard);
    int ButtonAt(POINT screen) const;
    bool FilterMenuMessage(MSG* msg);
    static LRESULT CALLBACK MessageFilterHook(int code, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;   // destroyed with its parent
    HWND owner_ = nullptr;  // not owned
    UniqueHandle<HMENU, MenuDestroyer> menu_;
    std::vector<char> mnemonics_;  // lower case, 0 without one
    // While a popup is tracked.
    int current_ = -1;
    int next_ = -1;
    bool nextByKeyboard_ = false;
    bool altAlone_ = false;  // Alt is down and no other key came since
    HMENU selectedMenu_ = nullptr;
    bool onPopupItem_ = false;
    HHOOK hook_ = nullptr;
};

}  // namespace fw
