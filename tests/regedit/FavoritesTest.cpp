// The editor's favorites, shared through the registry: added from a key of
// the document (with the duplicate-name message), listed in the Favorites
// menu, removed in the dialog (the UI test opens one in Wine's editor).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Strings.h"
#include "regedit/EditorCommands.h"
#include "regedit/SystemEditor.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using harness::Answerer;

namespace {

const char kFav[] = "HKEY_CURRENT_USER\\Software\\QuillonTest\\Fav";

std::string Favorite(const char* name) {
    std::string path;
    return regedit::ReadFavoritePath(name, path) ? path : "(none)";
}

void SetFavorite(const char* name, const std::string& path) {
    RegSetKeyValueA(HKEY_CURRENT_USER, regedit::kFavoritesKey, name, REG_SZ, path.c_str(),
                    static_cast<DWORD>(path.size() + 1));
}

std::vector<std::pair<UINT, std::string>> MenuItems(HMENU menu) {
    std::vector<std::pair<UINT, std::string>> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[260] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items.emplace_back(GetMenuItemID(menu, i), text);
    }
    return items;
}

}  // namespace

TEST(Favorites, AddListAndRemoveInTheEditorsList) {
    RegDeleteTreeA(HKEY_CURRENT_USER, regedit::kFavoritesKey);
    viewtest::TestHost host;
    ASSERT_TRUE(host.Load(std::string("REGEDIT4\r\n\r\n[") + kFav + "\\Run]\r\n\r\n"));
    regedit::EditorCommands commands(host.services, host.tree);
    fw::UniqueMenu bar(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    HMENU favorites = GetSubMenu(bar.Get(), 3);
    ASSERT_EQ(GetMenuItemID(favorites, 0), UINT{ID_FAVORITES_ADD});

    // Without the editor's key the menu has its two commands only.
    commands.BuildFavoritesMenu(favorites);
    EXPECT_EQ(GetMenuItemCount(favorites), 2);

    // One in the editor's own form: its root item's name, then the key path.
    const std::string root = "My Computer\\";
    SetFavorite("Editor's", root + kFav + "\\RunOnce");

    // Adding under a taken name shows the message and keeps the dialog for
    // another name.
    host.Select((std::string(kFav) + "\\Run").c_str());
    HWND add = nullptr;
    bool clashSeen = false;
    std::string proposed;
    std::vector<Answerer::Box> boxes;
    {
    Answerer answer([&](HWND dialog, const Answerer::Box& box) -> int {
        if (!box.text.empty()) {
            clashSeen = true;
            return IDOK;
        }
        if (!add) {
            add = dialog;
            proposed = harness::WindowText(GetDlgItem(dialog, IDC_FAVORITE_NAME));
            SetDlgItemTextA(dialog, IDC_FAVORITE_NAME, "Editor's");
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return 0;
        }
        if (!clashSeen) return 0;
        SetDlgItemTextA(dialog, IDC_FAVORITE_NAME, "Mine");
        return IDOK;
    });
    ASSERT_TRUE(commands.AddFavorite());
    boxes = answer.Boxes();
    }
    EXPECT_EQ(proposed, "Run");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Quillon");
    EXPECT_EQ(boxes[0].text, fw::LoadText(IDS_FAVORITE_CLASH));
    EXPECT_EQ(Favorite("Mine"), root + kFav + "\\Run");
    EXPECT_EQ(Favorite("Editor's"), root + kFav + "\\RunOnce");
    SetFavorite("Third", root + "HKEY_LOCAL_MACHINE\\Software");

    // The menu, built each time it opens, never twice over.
    commands.BuildFavoritesMenu(favorites);
    commands.BuildFavoritesMenu(favorites);
    auto items = MenuItems(favorites);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[2].first, 0u);  // the separator
    EXPECT_EQ(std::vector(items.begin() + 3, items.end()),
              (std::vector<std::pair<UINT, std::string>>{
                  {ID_FAVORITE_FIRST, "Editor's"}, {ID_FAVORITE_FIRST + 1, "Mine"}, {ID_FAVORITE_FIRST + 2, "Third"}}));

    // Removing two of three, chosen by clicks in the sorted list.
    std::vector<std::string> listed;
    Answerer remove([&](HWND dialog, const Answerer::Box&) -> int {
        HWND list = GetDlgItem(dialog, IDC_FAVORITE_LIST);
        int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[260] = "";
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            listed.push_back(text);
        }
        SendMessageA(list, LB_SETSEL, TRUE, 0);
        SendMessageA(list, LB_SETSEL, TRUE, 2);
        return IDOK;
    });
    ASSERT_TRUE(commands.RemoveFavorites());
    EXPECT_EQ(listed, (std::vector<std::string>{"Editor's", "Mine", "Third"}));
    std::vector<std::string> left;
    regedit::ReadFavoriteNames(left);
    EXPECT_EQ(left, std::vector<std::string>{"Mine"});

    RegDeleteTreeA(HKEY_CURRENT_USER, regedit::kFavoritesKey);
}
