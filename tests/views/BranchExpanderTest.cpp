// Expand All ('*' on the numeric pad) in the test's own process: an Abort
// leaves a tree the views can go on with, and a run to the end shows the
// whole branch.
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"
#include "views/BranchExpander.h"

using namespace viewtest;

namespace {

bool Expanded(HWND tree, const KeyNode* key) {
    return key->viewItem &&
           (TreeView_GetItemState(tree, static_cast<HTREEITEM>(key->viewItem), TVIS_EXPANDED) & TVIS_EXPANDED);
}

}  // namespace

TEST(ExpandAll, AnAbortLeavesEachKeyWithAllOrNoneOfItsChildrenAndARunToTheEndShowsTheBranch) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (int g = 0; g < 60; ++g)
        for (int k = 0; k < 100; ++k)
            text += "[HKEY_CURRENT_USER\\Big\\G" + std::to_string(g) + "\\K" + std::to_string(k) + "]\r\n\r\n";
    TestHost host;
    ASSERT_TRUE(host.Load(text));
    HWND tree = host.tree.Hwnd();
    KeyNode* big = host.tree.FindKeyByPath("HKEY_CURRENT_USER\\Big");
    ASSERT_GT(CountBranchKeys(big, kExpandAllLimit), kExpandAllLimit);
    HTREEITEM item = host.Select("HKEY_CURRENT_USER\\Big");

    {
        // Yes to the question, Abort as soon as the progress dialog is up
        // (the branch may be done before: what follows holds either way).
        harness::Answerer answerer([](HWND, const harness::Answerer::Box& box) { return box.text.empty() ? IDCANCEL : IDYES; });
        SendMessageA(tree, WM_KEYDOWN, VK_MULTIPLY, 0);
        EXPECT_GE(answerer.Boxes().size(), 1u);
    }
    EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
    EXPECT_TRUE(Expanded(tree, big));
    EXPECT_EQ(host.tree.Selected(), item);
    ForEachKeyOfBranch(big, [&](KeyNode* key) {
        int shown = 0, children = 0;
        for (KeyNode* child = key->firstChild; child; child = child->nextSibling, ++children)
            shown += child->viewItem ? 1 : 0;
        EXPECT_TRUE(shown == 0 || shown == children) << key->name;
        EXPECT_TRUE(!Expanded(tree, key) || shown == children) << key->name;
    });

    {
        harness::Answerer answerer([](HWND, const harness::Answerer::Box& box) { return box.text.empty() ? 0 : IDYES; });
        SendMessageA(tree, WM_KEYDOWN, VK_MULTIPLY, 0);
    }
    EXPECT_EQ(TreeKeys(tree), DocumentKeys(host.document));
    ForEachKeyOfBranch(big, [&](KeyNode* key) { EXPECT_EQ(Expanded(tree, key), key->firstChild != nullptr) << key->name; });
}
