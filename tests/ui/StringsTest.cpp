// The string table helpers over the program's own table.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

std::vector<std::string> SplitFilter(const std::string& filter) {
    std::vector<std::string> parts;
    const char* p = filter.data();
    const char* end = filter.data() + filter.size();
    while (p < end && *p) {
        parts.emplace_back(p);
        p += parts.back().size() + 1;
    }
    EXPECT_TRUE(p < end && *p == '\0') << "list ends with a second NUL";
    return parts;
}

TEST(Strings, FiltersBecomeDescriptionAndPatternPairs) {
    std::vector<std::string> open = SplitFilter(fw::LoadFilter(IDS_FILTER_OPEN));
    ASSERT_EQ(open.size(), 4u);
    EXPECT_EQ(open[1], "*.reg");
    EXPECT_EQ(open[2].substr(open[2].size() - 5), "(*.*)");
    EXPECT_EQ(open[3], "*.*");

    std::vector<std::string> save = SplitFilter(fw::LoadFilter(IDS_FILTER_SAVE));
    ASSERT_EQ(save.size(), 6u);
    EXPECT_EQ(save[1], "*.reg");
    EXPECT_EQ(save[2].substr(save[2].size() - 10), "(REGEDIT4)") << "second pair selects REGEDIT4";
    EXPECT_EQ(save[3], "*.reg");
    EXPECT_EQ(save[5], "*.*");
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
