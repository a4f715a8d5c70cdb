// The string table helpers over the program's own table.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "framework/Strings.h"

namespace {

TEST(Strings, FormattedTextsFillTheirPlaceholders) {
    EXPECT_EQ(fw::FormatText(IDS_TITLE_FORMAT, "a.reg", "*", "Quillon"), "a.reg*-Quillon");
    EXPECT_EQ(fw::FormatText(IDS_TITLE_FORMAT, "a.reg", "", "Quillon"), "a.reg-Quillon");
    EXPECT_EQ(fw::FormatText(IDS_NEW_VALUE, 3u), "New Value #3");
    std::string newKey = fw::FormatText(IDS_NEW_KEY, 0u);
    EXPECT_EQ(newKey.substr(newKey.size() - 3), " #0");
    std::string del = fw::FormatText(IDS_CONFIRM_KEY_DELETE, "Run");
    EXPECT_EQ(del.substr(del.size() - 7), "\r\n\"Run\"");
    std::string read = fw::FormatText(IDS_READ_ERROR, "C:\\a.reg");
    EXPECT_EQ(read.substr(read.size() - 11), "\n\"C:\\a.reg\"");
    // A long argument is not cut off.
    std::string longName(3000, 'k');
    EXPECT_EQ(fw::FormatText(IDS_TITLE_FORMAT, longName.c_str(), "", "Q"), longName + "-Q");
    EXPECT_EQ(fw::FormatMessageText(IDS_MERGE_FILE_QUESTION, "C:\\x y.reg"),
              "Are you sure you want to add the information in C:\\x y.reg to the registry?");
    EXPECT_EQ(fw::FormatMessageText(IDS_MERGE_FILE_DONE, "b.reg"),
              "Information in b.reg has been successfully entered into the registry.");
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

TEST(Strings, TipsAreFiveLinesEachEndedByCrLf) {
    std::string tips = fw::LoadText(IDS_TIPS);
    ASSERT_GT(tips.size(), 300u) << "the whole text, not a cut-off buffer";
    ASSERT_EQ(tips.substr(tips.size() - 2), "\r\n");
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = tips.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(tips.substr(start, end - start));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0],
              "Quillon is a registry editing tool which works with .reg files. These are files which "
              "are created by the Windows registry editor.");
    EXPECT_EQ(lines[1], "Using Drag&Drop you can move or copy as inside one .REG-file as between two "
                        "opened in own windows.");
    EXPECT_EQ(lines[3], "You can speed up loading of the big files uncheck \"Checking of doubling..\" "
                        "in File Open dialog.");
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
