#include "shell/Automation.h"

namespace shell {

#ifdef QUILLON_AUTOMATION

namespace {

// The frame's own window procedure, called for everything but the question.
// Replaced directly rather than through the common controls' subclassing,
// which under Wine looks its data up in a window property on every message:
// a round trip to the server for each of the thousands of notifications
// the key tree sends when its items go.
WNDPROC g_frameProc = nullptr;
HMENU g_menuBar = nullptr;  // not owned: the frame's command bar holds it

LRESULT CALLBACK AutomationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static const UINT menuStateMessage = RegisterWindowMessageA("Quillon.MenuState");
    static const UINT menuTextMessage = RegisterWindowMessageA("Quillon.MenuText");
    static const UINT menuImageMessage = RegisterWindowMessageA("Quillon.MenuImage");
    if (msg == menuStateMessage && menuStateMessage != 0)
        return static_cast<LRESULT>(GetMenuState(g_menuBar, static_cast<UINT>(wParam), MF_BYCOMMAND));
    if (msg == menuTextMessage && menuTextMessage != 0) {
        auto* text = reinterpret_cast<char*>(lParam);
        if (!text) return -1;
        text[0] = '\0';
        int length = GetMenuStringA(g_menuBar, static_cast<UINT>(wParam), text, MAX_PATH + 16, MF_BYCOMMAND);
        return GetMenuState(g_menuBar, static_cast<UINT>(wParam), MF_BYCOMMAND) == static_cast<UINT>(-1) ? -1
                                                                                                       : length;
    }
    if (msg == menuImageMessage && menuImageMessage != 0) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        BITMAP bitmap{};
        if (!GetMenuItemInfoA(g_menuBar, static_cast<UINT>(wParam), FALSE, &item) || !item.hbmpItem ||
            !GetObjectA(item.hbmpItem, sizeof bitmap, &bitmap))
            return 0;
        return MAKELRESULT(bitmap.bmWidth, bitmap.bmHeight);
    }
    return CallWindowProcA(g_frameProc, hwnd, msg, wParam, lParam);
}

}  // namespace

void AnswerAutomation(HWND frame, HMENU menuBar) {
    if (!frame || g_frameProc) return;
    g_menuBar = menuBar;
    g_frameProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AutomationProc)));
}

#else

void AnswerAutomation(HWND, HMENU) {}

#endif

}  // namespace shell
