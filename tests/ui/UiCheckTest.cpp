// Check File on the real program: the results window lists the lines with
// the counts in its caption, a double-click on a row selects its value in a
// branch never expanded, and a file with nothing to list gets a message.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

const char kFile[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\CheckTest]\r\n"
    "\"Plain\"=\"ok\"\r\n"
    "\"Spaced\" = \"x\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\CheckTest\\Deep\\Deeper]\r\n"
    "\"First\"=\"a\"\r\n"
    "\"Size\"=dword:\r\n\r\n"
    "[HKCU\\Software\\Other]\r\n";

// The results window once it is up (the progress dialog has the same
// caption without the counts).
HWND WaitForResults(DWORD pid) {
    HWND found = nullptr;
    harness::WaitUntil([&] {
        found = harness::FindVisible(pid, "#32770");
        return found && harness::WindowText(found).rfind("Check File - ", 0) == 0;
    });
    return found && harness::WindowText(found).rfind("Check File - ", 0) == 0 ? found : nullptr;
}

std::string SelectedKey(HWND tree) {
    for (const auto& item : harness::TreeItems(tree))
        if (item.selected) return item.text;
    return "";
}

}  // namespace

TEST(CheckUi, ResultsListTheLinesAndADoubleClickSelectsTheValue) {
    harness::Session s;
    ASSERT_TRUE(s.Start("check.reg", kFile));
    s.app.PostCommand(ID_FILE_CHECK);
    HWND results = WaitForResults(s.app.Pid());
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(harness::WindowText(results), "Check File - check.reg (skipped: 2, differs: 0, notes: 1)");
    HWND list = harness::Descendant(results, IDC_CHECK_LIST);
    std::vector<harness::ListRow> rows = harness::ListRows(list, 4);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells[0], "5");
    EXPECT_EQ(rows[0].cells[1], "note");
    EXPECT_EQ(rows[1].cells[0], "9");
    EXPECT_EQ(rows[1].cells[1], "skipped");
    EXPECT_EQ(rows[1].cells[2], "HKEY_CURRENT_USER\\Software\\CheckTest\\Deep\\Deeper");
    EXPECT_EQ(rows[1].cells[3], "dword: with no digits");
    EXPECT_EQ(rows[2].cells[0], "11");
    harness::ScreenshotPainted(results, harness::ScratchPath("check-results.bmp"));

    // The value's key lies in a branch whose items were never made.
    for (const auto& item : harness::TreeItems(s.tree)) ASSERT_NE(item.text, "Deeper");
    harness::BringToFront(results);
    harness::MoveMouse(harness::RowPoint(list, 1));
    for (int click = 0; click < 2; ++click) {
        harness::MouseButton(true);
        harness::MouseButton(false);
    }
    EXPECT_TRUE(harness::WaitUntil([&] { return SelectedKey(s.tree) == "Deeper"; }));
    EXPECT_TRUE(harness::WaitUntil([&] {
        for (const auto& row : harness::ListRows(s.list, 1))
            if (row.selected) return row.cells[0] == "Size";
        return false;
    }));
}

TEST(CheckUi, AFileWithNothingToListGetsAMessage) {
    harness::Session s;
    ASSERT_TRUE(s.Start("clean.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Clean]\r\n\"a\"=\"1\"\r\n"));
    s.app.PostCommand(ID_FILE_CHECK);
    HWND box = harness::WaitForMessageBox(s.app.Pid());
    ASSERT_NE(box, nullptr);
    EXPECT_NE(harness::MessageBoxText(box).find("clean.reg"), std::string::npos);
    EXPECT_NE(harness::MessageBoxText(box).find("nothing to show"), std::string::npos);
    harness::PressButton(box, IDOK);
}
