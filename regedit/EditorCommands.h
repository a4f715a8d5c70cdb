#pragma once
// The commands that work with the system registry editor's window and its
// list of favorite keys: Quick RegEdit Call, Add to Favorites, Remove
// Favorites, the Favorites menu's entries and choosing one of them. The list
// is the editor's own, read and written in the registry; the program keeps
// no copy.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CommandTable.h"
#include "resources/resource.h"

class KeyTreeView;
class ViewHost;

namespace regedit {

// The favorites' names in the registry's order; false when the editor's
// favorites key cannot be opened.
bool ReadFavoriteNames(std::vector<std::string>& names);
// The stored path of a favorite; false when there is none of that name.
bool ReadFavoritePath(const std::string& name, std::string& path);
// The name the editor gives its root item, as favorites begin with it.
std::string EditorRootName();

class EditorCommands : public fw::CommandTarget {
public:
    static constexpr int kCommands[] = {ID_QUICK_REGEDIT, ID_FAVORITES_ADD, ID_FAVORITES_REMOVE};

    EditorCommands(ViewHost& host, KeyTreeView& tree);
    EditorCommands(const EditorCommands&) = delete;
    EditorCommands& operator=(const EditorCommands&) = delete;

    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Quick RegEdit Call for the tree's command item (its context menu's
    // item, else the selection).
    void QuickRegEditCall();
    // Dialog 112 for the selected key; true when a favorite was stored.
    bool AddFavorite();
    // Dialog 113; true when it was closed with OK.
    bool RemoveFavorites();
    // When the popup is the Favorites menu (Add and Remove first), its
    // entries after those two become a separator and one item per favorite,
    // from ID_FAVORITE_FIRST up. Other popups are left alone.
    void BuildFavoritesMenu(HMENU popup);
    // A menu command from ID_FAVORITE_FIRST up: the favorite named by the
    // menu item's text, when there is one, is shown in the editor.
    void OpenFavorite(int id, HMENU menu);

private:
    ViewHost& host_;     // not owned
    KeyTreeView& tree_;  // not owned
};

}  // namespace regedit
