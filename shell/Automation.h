#pragma once
// What a build with tests answers to the UI harness that drives the program
// from another process. Under Wine a menu cannot be read from another
// process, so the harness asks the frame for the state its menu bar shows
// through the registered message "Quillon.MenuState" (wParam: the command;
// the result: GetMenuState of the menu bar, which the command bar shows) and for an item's text through
// "Quillon.MenuText" (wParam: the command; lParam: a buffer of MAX_PATH + 16
// characters; the result: the text's length, or -1 without such an item)
// and for the size of an item's picture through "Quillon.MenuImage"
// (wParam: the command; the result: width and height as MAKELRESULT, 0
// without a picture).
// A build without tests answers nothing.

#include <windows.h>

namespace shell {

void AnswerAutomation(HWND frame, HMENU menuBar);

}  // namespace shell
