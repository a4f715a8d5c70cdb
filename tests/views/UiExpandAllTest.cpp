// Expand All in the real program, driven from outside through the UI
// harness with the real '*' key of the numeric pad.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/ui/Harness.h"

// '*' on the numeric pad expands the whole branch of the selection; above
// kExpandAllLimit (5000) keys it asks first, and No opens one level only.
TEST(ExpandAllUi, AsksFirstAboveTheLimitAndNoExpandsOneLevel) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (int g = 0; g < 51; ++g)
        for (int k = 0; k < 100; ++k)
            text += "[HKEY_CURRENT_USER\\Big\\G" + std::to_string(g) + "\\K" + std::to_string(k) + "]\r\n\r\n";
    for (int s = 0; s < 10; ++s)
        for (int t = 0; t < 5; ++t)
            text += "[HKEY_CURRENT_USER\\Small\\S" + std::to_string(s) + "\\T" + std::to_string(t) + "]\r\n\r\n";
    harness::Session s;
    ASSERT_TRUE(s.Start("branches.reg", text));
    auto count = [&] { return static_cast<int>(SendMessageA(s.tree, TVM_GETCOUNT, 0, 0)); };
    auto expandAll = [&](const char* path) {
        ASSERT_TRUE(s.Select(path));
        ASSERT_TRUE(s.Focus(s.tree));
        harness::PressKey(VK_MULTIPLY);
    };

    // HKEY_CURRENT_USER, Big, Small, and Big's 51 groups unexpanded.
    expandAll("HKEY_CURRENT_USER\\Big");
    HWND box = harness::WaitForMessageBox(s.app.Pid());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(harness::Screenshot(box, harness::ScratchPath("expand-all-question.bmp")));
    auto asked = harness::AnswerBox(s.app.Pid(), IDNO);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->caption, "Quillon");
    EXPECT_EQ(asked->text, "Big has 5151 keys below it, and showing them all may take a long time.\n\n"
                           "Expand all of them? No expands one level only.");
    ASSERT_TRUE(harness::NoDialogNow(s.app.Frame()));
    EXPECT_EQ(count(), 3 + 51);
    for (const auto& node : harness::TreeItems(s.tree))
        EXPECT_EQ(node.expanded, node.depth < 2 && node.text != "Small") << node.text;

    // Yes: every key below Big, expanded. Big is collapsed while the keys
    // below it are made and expanded last, once the progress dialog is gone.
    HTREEITEM big = harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Big");
    expandAll("HKEY_CURRENT_USER\\Big");
    ASSERT_TRUE(harness::AnswerBox(s.app.Pid(), IDYES));
    EXPECT_TRUE(harness::WaitUntil([&] {
        return count() == 3 + 5151 && (TreeView_GetItemState(s.tree, big, TVIS_EXPANDED) & TVIS_EXPANDED) &&
               !harness::FindVisible(s.app.Pid(), "#32770") && IsWindowEnabled(s.app.Frame());
    }, 60000)) << count();
    int groups = 0;
    for (HTREEITEM g = TreeView_GetChild(s.tree, big); g; g = TreeView_GetNextSibling(s.tree, g), ++groups)
        EXPECT_TRUE(TreeView_GetItemState(s.tree, g, TVIS_EXPANDED) & TVIS_EXPANDED) << groups;
    EXPECT_EQ(groups, 51);

    // Below the limit: at once, without a question. The key arrives after
    // the messages sent meanwhile: the count is waited for.
    expandAll("HKEY_CURRENT_USER\\Small");
    EXPECT_TRUE(harness::WaitUntil([&] { return count() == 3 + 5151 + 60; }, 10000)) << count();
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame()));
    EXPECT_TRUE(s.app.Close());
}
