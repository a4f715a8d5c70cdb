// Starts the real program, checks its frame and menu, and closes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

std::vector<std::string> PopupTitles(HMENU menu) {
    std::vector<std::string> titles;
    for (const harness::MenuItem& item : harness::MenuItems(menu)) titles.push_back(item.text);
    return titles;
}

TEST(Smoke, FrameStartsWithMenuAndStatusBarAndClosesWithExitCodeZero) {
    harness::App app;
    ASSERT_TRUE(app.Start()) << "no frame of class " << harness::kFrameClass;
    EXPECT_EQ(harness::WindowText(app.Frame()), "Untitled-Quillon");
    EXPECT_NE(GetMenu(app.Frame()), nullptr);
    HWND status = app.Child(STATUSCLASSNAMEA);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(harness::WindowText(status), "Ready");
    EXPECT_NE(app.Child(WC_TREEVIEWA), nullptr);
    EXPECT_NE(app.Child(WC_LISTVIEWA), nullptr);

    HMENU menu = harness::LoadProgramMenu(IDR_MAINFRAME);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(PopupTitles(menu),
              (std::vector<std::string>{"&File", "&Edit", "&View", "F&avorites", "&Help"}));
    // Every routed command has its item, and the frame's menu bar shows it.
    const UINT commands[] = {57600, 57601, 57603, 57604, 101,   240,   257,   266,   57616,
                             57665, 233,   207,   208,   209,   210,   276,   277,   203,
                             204,   57635, 57634, 57637, 205,   57642, 268,   270,   57636,
                             238,   212,   59392, 59393, 236,   253,   254,   282,   280,
                             281,   57664};
    for (UINT id : commands) {
        harness::MenuItem item;
        EXPECT_TRUE(harness::FindMenuItem(menu, id, &item)) << "menu lacks command " << id;
        // Modify leaves the Edit menu while the key tree has the focus.
        if (id != ID_EDIT_MODIFY) {
            EXPECT_TRUE(harness::MenuState(app.Frame(), id, nullptr, nullptr)) << "menu bar lacks " << id;
        }
    }
    // The recent files popup sits at position 11 of the File menu.
    HMENU file = GetSubMenu(menu, 0);
    HMENU recent = GetSubMenu(file, 11);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(GetMenuItemID(recent, 0), static_cast<UINT>(ID_FILE_MRU_FIRST));
    DestroyMenu(menu);

    EXPECT_TRUE(app.Close(0));
}

}  // namespace
