#include "shell/Automation.h"

#include <commctrl.h>

namespace shell {

#ifdef QUILLON_AUTOMATION

namespace {

LRESULT CALLBACK AutomationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    static const UINT menuStateMessage = RegisterWindowMessageA("Quillon.MenuState");
    if (msg == menuStateMessage && menuStateMessage != 0)
        return static_cast<LRESULT>(GetMenuState(GetMenu(hwnd), static_cast<UINT>(wParam), MF_BYCOMMAND));
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void AnswerAutomation(HWND frame) {
    if (frame) SetWindowSubclass(frame, AutomationProc, 0, 0);
}

#else

void AnswerAutomation(HWND) {}

#endif

}  // namespace shell
