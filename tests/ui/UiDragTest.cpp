// Drag and drop with the real pointer between two running copies of the
// program and inside one: keys onto a key of the other window, onto their
// own parent, onto themselves and onto empty space; values onto a key, onto
// the value list and onto empty space; with and without Ctrl. The dragged
// keys and values always stay where they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/Harness.h"

using harness::Session;

namespace {

const char kSource[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run]\r\n"
    "\"a\"=\"x\"\r\n"
    "\"b\"=dword:00000002\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run\\Sub]\r\n\r\n";

const char kTarget[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Target]\r\n"
    "\"a\"=\"old\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Target\\Run]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n";

// The window OLE's drag loop makes in the dragging process (Wine's), which
// lives exactly as long as the drag.
bool Dragging(HWND frame) {
    bool found = false;
    EnumThreadWindows(
        GetWindowThreadProcessId(frame, nullptr),
        [](HWND hwnd, LPARAM out) {
            if (harness::ClassName(hwnd) != "WineDragDropTracker32") return TRUE;
            *reinterpret_cast<bool*>(out) = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

POINT Center(HWND control, RECT rc) {
    POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(control, &p);
    return p;
}

POINT ItemPoint(HWND tree, HTREEITEM item) {
    RECT rc{};
    memcpy(&rc, &item, sizeof item);  // the item goes in, its rectangle comes back
    EXPECT_TRUE(harness::SendWithBuffer(tree, TVM_GETITEMRECT, TRUE, &rc, sizeof rc));
    return Center(tree, rc);
}

POINT RowPoint(HWND list, int row) {
    RECT rc{};
    rc.left = LVIR_LABEL;
    EXPECT_TRUE(harness::SendWithBuffer(list, LVM_GETITEMRECT, row, &rc, sizeof rc));
    return Center(list, rc);
}

// A point of the tree below its last item.
POINT EmptySpace(HWND tree) {
    RECT rc{};
    GetClientRect(tree, &rc);
    POINT p{rc.right / 2, rc.bottom - 10};
    ClientToScreen(tree, &p);
    return p;
}

bool Highlighted(HWND tree, HTREEITEM item) {
    return item && (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_DROPHILITED) &
                    TVIS_DROPHILITED);
}

void Ctrl(bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_CONTROL;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

void MoveInSteps(POINT from, POINT to, HWND source) {
    for (int step = 1; step <= 8; ++step) {
        harness::MoveMouse(POINT{from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8});
        harness::Sync(source);
    }
}

struct Stop {
    POINT point;
    // Holds once the target has seen the pointer there (null: nothing to wait for).
    std::function<bool()> seen;
};

// Presses the left button at `from` in the source window, drags through
// the stops (waiting at each until its target has seen the pointer), and
// releases at the last; true when the drag started and ended.
bool Drag(HWND source, POINT from, const std::vector<Stop>& stops, bool ctrl) {
    // A press where the last one was, soon after it, is a double-click, which
    // starts no drag: the press moves a little along the item.
    static POINT lastPress{-100, -100};
    if (abs(from.x - lastPress.x) <= 6 && abs(from.y - lastPress.y) <= 6) from.x -= 7;
    lastPress = from;
    harness::MoveMouse(from);
    harness::Sync(source);
    harness::MouseButton(true);
    POINT at{from.x + 12, from.y + 6};
    MoveInSteps(from, at, source);
    bool ok = harness::WaitUntil([&] { return Dragging(source); }, 5000);
    EXPECT_TRUE(ok) << "the drag did not start";
    // Ctrl pressed once the drag runs: on a list, Ctrl with the press would
    // take the row out of the selection instead.
    if (ctrl) Ctrl(true);
    for (size_t i = 0; i < stops.size(); ++i) {
        MoveInSteps(at, stops[i].point, source);
        at = stops[i].point;
        bool seen = !stops[i].seen || harness::WaitUntil(stops[i].seen, 5000);
        EXPECT_TRUE(seen) << "stop " << i << " not seen";
        ok = ok && seen;
    }
    harness::MouseButton(false);
    if (ctrl) Ctrl(false);
    return harness::WaitUntil([&] { return !Dragging(source); }, 5000) && ok;
}

// Both windows side by side, so the pointer can reach either.
void SideBySide(Session& a, Session& b) {
    MoveWindow(a.app.Frame(), 0, 0, 630, 700, TRUE);
    MoveWindow(b.app.Frame(), 640, 0, 630, 700, TRUE);
    harness::Sync(a.app.Frame());
    harness::Sync(b.app.Frame());
}

bool Has(HWND tree, const std::string& path) { return harness::TreeFind(tree, path) != nullptr; }

}  // namespace

TEST(DragUi, KeysOntoAnotherWindowTheirParentThemselvesAndEmptySpace) {
    Session a, b;
    ASSERT_TRUE(a.Start("drag-source.reg", kSource));
    ASSERT_TRUE(b.Start("drag-target.reg", kTarget));
    SideBySide(a, b);
    const std::string run = "HKEY_CURRENT_USER\\Software\\Run";
    HTREEITEM runItem = harness::TreeFind(a.tree, run);
    HTREEITEM target = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target");
    ASSERT_TRUE(runItem && target);

    // Into the other window, onto a key that has a Run: Run #0, with its
    // branch; the item under the pointer shows the drop highlight meanwhile.
    POINT onTarget = ItemPoint(b.tree, target);
    ASSERT_TRUE(Drag(a.app.Frame(), ItemPoint(a.tree, runItem),
                     {{onTarget, [&] {
                           if (!Highlighted(b.tree, target)) return false;
                           return harness::Screenshot(b.app.Frame(),
                                                      harness::SourcePath("build/drop-highlight-key.png"));
                       }}},
                     false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #0\\Sub"); }));
    EXPECT_FALSE(Highlighted(b.tree, target));
    EXPECT_EQ(b.Caption(), "drag-target.reg*-Quillon");
    EXPECT_EQ(a.Caption(), "drag-source.reg-Quillon");

    // With Ctrl (the move effect) the same: a copy, the source stays.
    ASSERT_TRUE(Drag(a.app.Frame(), ItemPoint(a.tree, runItem),
                     {{ItemPoint(b.tree, target), [&] { return Highlighted(b.tree, target); }}}, true));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #1"); }));
    EXPECT_TRUE(Has(a.tree, run + "\\Sub"));

    // Onto its own parent: a copy beside it; onto itself: a copy inside it.
    HTREEITEM software = harness::TreeFind(a.tree, "HKEY_CURRENT_USER\\Software");
    ASSERT_TRUE(Drag(a.app.Frame(), ItemPoint(a.tree, runItem),
                     {{ItemPoint(a.tree, software), [&] { return Highlighted(a.tree, software); }}}, false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(a.tree, run + " #0\\Sub"); }));
    EXPECT_EQ(a.Caption(), "drag-source.reg*-Quillon");
    runItem = harness::TreeFind(a.tree, run);
    ASSERT_TRUE(Drag(a.app.Frame(), ItemPoint(a.tree, runItem),
                     {{ItemPoint(a.tree, software), [&] { return Highlighted(a.tree, software); }},
                      {ItemPoint(a.tree, runItem), [&] { return Highlighted(a.tree, runItem); }}},
                     false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(a.tree, run + "\\Run\\Sub"); }));

    // Onto empty space: at the top level under its own path (only the top
    // level is looked up, so Software comes twice).
    HTREEITEM sub = harness::TreeFind(a.tree, run + "\\Sub");
    ASSERT_TRUE(Drag(a.app.Frame(), ItemPoint(a.tree, sub),
                     {{ItemPoint(b.tree, target), [&] { return Highlighted(b.tree, target); }},
                      {EmptySpace(b.tree), nullptr}},
                     false));
    EXPECT_TRUE(harness::WaitUntil([&] {
        harness::TreeExpandAll(b.tree);
        int software = 0, sub = 0;
        for (const auto& item : harness::TreeItems(b.tree)) {
            software += item.depth == 1 && item.text == "Software";
            sub += item.depth == 3 && item.text == "Sub";
        }
        return software == 2 && sub == 1;
    }));
    a.app.Terminate();
    b.app.Terminate();
}

TEST(DragUi, ValuesOntoEmptySpaceAKeyAndTheList) {
    Session a, b;
    ASSERT_TRUE(a.Start("drag-values.reg", kSource));
    ASSERT_TRUE(b.Start("drop-values.reg", kTarget));
    SideBySide(a, b);
    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Other"));
    HTREEITEM target = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target");

    // Onto empty space in the tree: nothing happens.
    ASSERT_TRUE(Drag(a.app.Frame(), RowPoint(a.list, 1),
                     {{ItemPoint(b.tree, target), [&] { return Highlighted(b.tree, target); }},
                      {EmptySpace(b.tree), nullptr}},
                     false));
    EXPECT_EQ(b.Caption(), "drop-values.reg-Quillon");

    // Onto a key that is not selected, with Ctrl: a new block (the dropped
    // data wins, no renaming), and the key is selected.
    ASSERT_TRUE(Drag(a.app.Frame(), RowPoint(a.list, 1),
                     {{ItemPoint(b.tree, target), [&] {
                           if (!Highlighted(b.tree, target)) return false;
                           return harness::Screenshot(b.app.Frame(),
                                                      harness::SourcePath("build/drop-highlight-values.png"));
                       }}},
                     true));
    ASSERT_TRUE(harness::WaitUntil([&] {
        auto rows = harness::ListRows(b.list, 3);
        return rows.size() == 2 && rows[1].cells == std::vector<std::string>{"a", "REG_SZ", "x"};
    }));
    EXPECT_EQ(b.Caption(), "drop-values.reg*-Quillon");

    // Onto the list: merged into the shown key, a clash renamed.
    HTREEITEM other = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Other");
    POINT intoList = RowPoint(b.list, 0);
    ASSERT_TRUE(Drag(a.app.Frame(), RowPoint(a.list, 1),
                     {{ItemPoint(b.tree, other), [&] { return Highlighted(b.tree, other); }},
                      {intoList, [&] { return !Highlighted(b.tree, other); }}},
                     false));
    EXPECT_TRUE(harness::WaitUntil([&] { return b.RowNames() == std::vector<std::string>{"(Default)", "a", "a #1"}; }));
    EXPECT_EQ(a.RowNames(), (std::vector<std::string>{"(Default)", "a", "b"}));
    a.app.Terminate();
    b.app.Terminate();
}
