// The string table helpers over the program's own table.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "document/LineCheck.h"
#include "resources/resource.h"
#include "framework/Strings.h"

namespace {

TEST(Strings, FormattedTextsFillTheirPlaceholdersWhateverTheirLength) {
    EXPECT_EQ(fw::FormatText(IDS_TITLE_FORMAT, "a.reg", "*", "Quillon"), "a.reg*-Quillon");
    std::string longName(3000, 'k');
    EXPECT_EQ(fw::FormatText(IDS_TITLE_FORMAT, longName.c_str(), "", "Q"), longName + "-Q");
    EXPECT_EQ(fw::FormatText(IDS_NEW_VALUE, 3u), "New Value #3");
    // The system's message formatting, with its own placeholders.
    std::string merge = fw::FormatMessageText(IDS_MERGE_FILE_QUESTION, "C:\\x y.reg");
    EXPECT_NE(merge.find(" C:\\x y.reg "), std::string::npos) << merge;
}

// Check File shows the reasons that the command line prints, from the table.
TEST(Strings, CheckReasonsAreTheCoresTexts) {
    for (size_t i = 0; i < kCheckCodeCount; ++i)
        EXPECT_EQ(fw::LoadText(IDS_CHECK_REASON_FIRST + static_cast<UINT>(i)), CheckReasonText(static_cast<CheckCode>(i)))
            << i;
}

// Walks a menu and its submenus, calling `visit` for each command item.
template <class Visit>
void ForEachCommand(HMENU menu, Visit visit) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ForEachCommand(sub, visit);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id != 0 && id != static_cast<UINT>(-1)) visit(id);
    }
}

TEST(Strings, EveryMenuCommandHasAStatusBarPrompt) {
    for (int menuId : {IDR_MAINFRAME, IDR_TREE_MENU, IDR_LIST_ROW_MENU, IDR_LIST_MENU}) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
        ASSERT_NE(menu, nullptr) << menuId;
        int commands = 0;
        ForEachCommand(menu, [&](UINT id) {
            ++commands;
            if (id == ID_FILE_MRU_FIRST) return;  // the recent list's placeholder
            EXPECT_FALSE(fw::LoadText(id).empty()) << "menu " << menuId << " command " << id;
        });
        EXPECT_GT(commands, 3) << menuId;
        DestroyMenu(menu);
    }
}

}  // namespace
