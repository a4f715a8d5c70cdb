// The real program's windows moved to a monitor of another display scale:
// WM_DPICHANGED with the rectangle the system suggests, sent to open
// dialogs (modal and modeless) and to the frame, and back again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

constexpr UINT kDpiChanged = 0x02E0;

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// What of a dialog follows the scale: its client size, its controls'
// rectangles in it, the width its OK or Cancel button needs for its text in
// its font, and the first column of its list.
struct Measure {
    SIZE client{};
    std::vector<RECT> controls;
    std::vector<int> ids;
    std::vector<bool> buttons;
    int buttonText = 0;
    int column = 0;
};

Measure Take(HWND dialog) {
    Measure m;
    RECT client{};
    GetClientRect(dialog, &client);
    m.client = SIZE{client.right, client.bottom};
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT rc{};
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
        m.controls.push_back(rc);
        m.ids.push_back(GetDlgCtrlID(child));
        m.buttons.push_back(lstrcmpiA(harness::ClassName(child).c_str(), "Button") == 0);
        if (harness::ClassName(child) == WC_LISTVIEWA && !m.column)
            m.column = static_cast<int>(SendMessageA(child, LVM_GETCOLUMNWIDTH, 0, 0));
    }
    HWND button = GetDlgItem(dialog, IDOK) ? GetDlgItem(dialog, IDOK) : GetDlgItem(dialog, IDCANCEL);
    SIZE ideal{};
    if (button) harness::SendWithBuffer(button, BCM_GETIDEALSIZE, 0, &ideal, sizeof ideal);
    m.buttonText = ideal.cx;
    return m;
}

// The system's suggestion: the window's rectangle grown by the ratio of the scales.
void MoveToScale(HWND window, int from, int to) {
    RECT now{};
    GetWindowRect(window, &now);
    RECT suggested{now.left, now.top, now.left + MulDiv(now.right - now.left, to, from),
                   now.top + MulDiv(now.bottom - now.top, to, from)};
    harness::SendWithBuffer(window, kDpiChanged, MAKEWPARAM(to, to), &suggested, sizeof suggested);
}

// Each length of `after` is `before`'s times to/from, give or take `slack`
// pixels; a resizable window lays its controls out anew to fill it, so only
// its buttons keep the ratio there.
void ExpectScaled(const Measure& before, const Measure& after, int from, int to, bool resizable, int slack) {
    auto follows = [&](LONG b, LONG a) { return std::abs(MulDiv(b, to, from) - a) <= slack; };
    ASSERT_EQ(before.controls.size(), after.controls.size());
    if (!resizable) {
        EXPECT_TRUE(follows(before.client.cx, after.client.cx) && follows(before.client.cy, after.client.cy))
            << before.client.cx << "x" << before.client.cy << " -> " << after.client.cx << "x" << after.client.cy;
    }
    for (size_t i = 0; i < before.controls.size(); ++i) {
        const RECT& b = before.controls[i];
        const RECT& a = after.controls[i];
        bool keeps = !resizable || before.buttons[i];
        bool sizes = follows(b.right - b.left, a.right - a.left) && follows(b.bottom - b.top, a.bottom - a.top);
        bool places = follows(b.left, a.left) && follows(b.top, a.top);
        bool inside = a.left >= 0 && a.top >= 0 && a.right <= after.client.cx && a.bottom <= after.client.cy;
        EXPECT_TRUE(inside && (!keeps || sizes) && (resizable || places))
            << "control " << before.ids[i] << ": " << b.left << "," << b.top << "-" << b.right << "," << b.bottom
            << " -> " << a.left << "," << a.top << "-" << a.right << "," << a.bottom << " in " << after.client.cx
            << "x" << after.client.cy;
    }
    // The font follows: the button needs about the ratio's room for its text
    // (its margins stay as they are under Wine).
    int wanted = MulDiv(before.buttonText, to, from);
    EXPECT_TRUE(after.buttonText >= wanted - slack - (wanted - before.buttonText) / 4 && after.buttonText <= wanted + slack)
        << "button text width " << before.buttonText << " -> " << after.buttonText;
    EXPECT_NEAR(after.column, MulDiv(before.column, to, from), slack) << "list column";
}

struct OpenDialog {
    const char* name;
    std::function<HWND(harness::Session&)> open;
    int close;  // the button that closes it without storing anything, 0 for the close box
    bool resizable;
};

HWND Command(harness::Session& s, int id) {
    s.app.PostCommand(id);
    return harness::WaitForDialog(s.app.Pid());
}

// The binary editor of value "bin" (row 1: row 0 is the default value).
HWND BinaryEditor(harness::Session& s) {
    if (!s.Select("HKEY_CURRENT_USER\\Software\\Scale")) return nullptr;
    if (!harness::WaitUntil([&] { return SendMessageA(s.list, LVM_GETITEMCOUNT, 0, 0) == 2; })) return nullptr;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    harness::SendWithBuffer(s.list, LVM_SETITEMSTATE, 1, &item, sizeof item);
    return Command(s, ID_EDIT_MODIFY);
}

// Find All's results, a modeless window beside the frame.
HWND FindAllResults(harness::Session& s) {
    HWND find = Command(s, ID_EDIT_FIND);
    if (!find) return nullptr;
    SendMessageA(harness::Descendant(find, IDC_FIND_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Scale"));
    harness::PressButton(find, IDC_FIND_ALL);
    return harness::WaitForWindow(s.app.Pid(), "#32770", "Find All: Scale");
}

// The check's results, another modeless window (its progress dialog has
// the same caption without the counts).
HWND CheckResults(harness::Session& s) {
    s.app.PostCommand(ID_FILE_CHECK);
    HWND found = nullptr;
    harness::WaitUntil([&] {
        found = harness::FindVisible(s.app.Pid(), "#32770");
        return found && harness::WindowText(found).rfind("Check File - ", 0) == 0;
    });
    return found && harness::WindowText(found).rfind("Check File - ", 0) == 0 ? found : nullptr;
}

// Each dialog, open, taken to one and a half times the scale and back: its
// controls, its font (the room its button's text needs), its icons and list
// columns grow by half, then come back to what they were.
TEST(Scale, OpenDialogsFollowAChangeOfScale) {
    const OpenDialog dialogs[] = {
        {"find", [](harness::Session& s) { return Command(s, ID_EDIT_FIND); }, IDCANCEL, false},
        {"about", [](harness::Session& s) { return Command(s, ID_APP_ABOUT); }, IDOK, false},
        {"tips", [](harness::Session& s) { return Command(s, ID_HELP_TIPS); }, 0, false},
        {"binary-editor", BinaryEditor, IDCANCEL, false},
        {"find-all", FindAllResults, IDCANCEL, true},
        {"check", CheckResults, IDCANCEL, true},
    };
    harness::Session session;
    ASSERT_TRUE(session.Start("scale.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Scale]\r\n"
                                           "\"bin\"=hex:01,02,03\r\n\r\n"
                                           "[HKCU\\Software\\Abbreviated]\r\n"));
    int dpi = SystemDpi();
    for (const OpenDialog& row : dialogs) {
        SCOPED_TRACE(row.name);
        HWND dialog = row.open(session);
        ASSERT_TRUE(dialog);
        // At the screen's corner, where its larger size fits for the screenshot.
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Measure before = Take(dialog);
        int larger = dpi * 3 / 2;
        MoveToScale(dialog, dpi, larger);
        EXPECT_TRUE(harness::ScreenshotPainted(dialog, harness::ScratchPath(std::string(row.name) + "-larger.bmp")));
        ExpectScaled(before, Take(dialog), dpi, larger, row.resizable, 2);
        MoveToScale(dialog, larger, dpi);
        ExpectScaled(before, Take(dialog), dpi, dpi, row.resizable, 1);
        if (row.close) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(row.close, BN_CLICKED), 0);
        else PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(harness::WaitGone(dialog));
    }
    EXPECT_TRUE(session.app.Close());
}

// The menus' pictures are the toolbar's at the frame's scale: made again
// when the frame moves to another.
TEST(Scale, MenuPicturesFollowTheFrame) {
    harness::App app;
    ASSERT_TRUE(app.Start());
    static const UINT menuImage = RegisterWindowMessageA("Quillon.MenuImage");
    auto pictureWidth = [&] { return LOWORD(SendMessageA(app.Frame(), menuImage, ID_FILE_OPEN, 0)); };
    int dpi = SystemDpi();
    int before = pictureWidth();
    ASSERT_GT(before, 0) << "Open shows a picture";
    MoveToScale(app.Frame(), dpi, dpi * 2);
    EXPECT_EQ(pictureWidth(), before * 2);
    MoveToScale(app.Frame(), dpi * 2, dpi);
    EXPECT_EQ(pictureWidth(), before);
    EXPECT_TRUE(app.Close());
}

}  // namespace
