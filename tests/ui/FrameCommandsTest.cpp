// The frame in the test's own process: a command that reaches the window
// while it is disabled (under a running load, save or search) is dropped.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "shell/MainFrame.h"

namespace {

bool StatusBarShown(HWND frame) {
    HWND bar = FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr);
    return bar && (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace

TEST(FrameCommands, ACommandToADisabledWindowIsDropped) {
    MainFrame frame;
    ASSERT_TRUE(frame.Create(nullptr));
    HWND hwnd = frame.Hwnd();
    ASSERT_TRUE(StatusBarShown(hwnd));

    EnableWindow(hwnd, FALSE);
    SendMessageA(hwnd, WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    EXPECT_TRUE(StatusBarShown(hwnd));

    EnableWindow(hwnd, TRUE);
    SendMessageA(hwnd, WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    EXPECT_FALSE(StatusBarShown(hwnd));

    DestroyWindow(hwnd);
    // The frame posts the quit message of its destruction; it is not this test's.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}
