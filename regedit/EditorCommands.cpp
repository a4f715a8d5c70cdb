#include "regedit/EditorCommands.h"

#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "framework/Window.h"
#include "regedit/RegEditPilot.h"
#include "regedit/SystemEditor.h"
#include "views/KeyTreeView.h"
#include "views/ViewHost.h"

namespace regedit {

namespace {

// Names and paths of favorites, in characters with the terminating zero.
constexpr DWORD kNameSize = 520;
constexpr DWORD kPathSize = 520;
// Favorite entries stop short of the standard commands' numbers.
constexpr int kLastFavoriteId = 0xDFFF;

LONG OpenFavorites(REGSAM access, fw::UniqueKey& key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, access, key.Put());
}

bool EnumFavoriteName(HKEY key, DWORD index, std::string& name) {
    char buffer[kNameSize] = "";
    DWORD length = kNameSize;
    if (RegEnumValueA(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    name.assign(buffer, length);
    return true;
}

// Dialog 112: the favorite's name, proposed as the key's own name. OK stores
// it unless the name is taken; the dialog then stays for another name.
class AddFavoriteDialog : public fw::Dialog {
public:
    AddFavoriteDialog(std::string name, std::string path) : name_(std::move(name)), path_(std::move(path)) {}

protected:
    BOOL OnInitDialog() override {
        fw::CenterOnOwner(hwnd_);
        SendDlgItemMessageA(hwnd_, IDC_FAVORITE_NAME, EM_LIMITTEXT, kNameSize - 1, 0);
        SetDlgItemTextA(hwnd_, IDC_FAVORITE_NAME, name_.c_str());
        return TRUE;
    }
    void OnOK() override {
        char name[kNameSize] = "";
        GetDlgItemTextA(hwnd_, IDC_FAVORITE_NAME, name, sizeof name);
        // An empty name would be the key's default value, which no list shows.
        if (!name[0]) return;
        // The key is the editor's; it makes it with its first favorite, and so
        // does this program, or no favorite could ever be added here first.
        fw::UniqueKey key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
            return;
        }
        if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            std::string text = fw::LoadText(IDS_FAVORITE_CLASH);
            std::string caption = fw::LoadText(IDS_APP_NAME);
            MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
            return;
        }
        if (RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path_.c_str()),
                           static_cast<DWORD>(path_.size() + 1)) != ERROR_SUCCESS) {
            return;
        }
        EndDialog(hwnd_, IDOK);
    }

private:
    std::string name_;
    std::string path_;
};

// Dialog 113: every favorite in a sorted list; OK deletes the chosen ones.
class RemoveFavoritesDialog : public fw::Dialog {
protected:
    BOOL OnInitDialog() override {
        fw::CenterOnOwner(hwnd_);
        std::vector<std::string> names;
        ReadFavoriteNames(names);
        HWND list = Item(IDC_FAVORITE_LIST);
        for (const std::string& name : names) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        return TRUE;
    }
    void OnOK() override {
        fw::UniqueKey key;
        if (OpenFavorites(KEY_SET_VALUE, key) == ERROR_SUCCESS) {
            HWND list = Item(IDC_FAVORITE_LIST);
            int count = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
            std::vector<int> rows(count > 0 ? static_cast<size_t>(count) : 0);
            if (count > 0) SendMessageA(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(rows.data()));
            for (int row : rows) {
                LRESULT length = SendMessageA(list, LB_GETTEXTLEN, row, 0);
                if (length < 0) continue;
                std::string name(static_cast<size_t>(length) + 1, '\0');
                SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(name.data()));
                RegDeleteValueA(key.Get(), name.c_str());
            }
        }
        EndDialog(hwnd_, IDOK);
    }
};

}  // namespace

bool ReadFavoriteNames(std::vector<std::string>& names) {
    fw::UniqueKey key;
    if (OpenFavorites(KEY_READ, key) != ERROR_SUCCESS) return false;
    std::string name;
    for (DWORD index = 0; EnumFavoriteName(key.Get(), index, name); ++index) names.push_back(name);
    return true;
}

bool ReadFavoritePath(const std::string& name, std::string& path) {
    fw::UniqueKey key;
    if (OpenFavorites(KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return false;
    char buffer[kPathSize + 1] = "";
    DWORD size = kPathSize;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    buffer[size < kPathSize ? size : kPathSize] = '\0';
    path = buffer;
    return true;
}

std::string EditorRootName() {
    std::string root = LoadEditorString(kEditorRootName);
    return root.empty() ? fw::LoadText(IDS_MY_COMPUTER) : root;
}

EditorCommands::EditorCommands(ViewHost& host, KeyTreeView& tree) : host_(host), tree_(tree) {}

void EditorCommands::OnCommand(int id) {
    switch (id) {
    case ID_QUICK_REGEDIT:
        QuickRegEditCall();
        break;
    case ID_FAVORITES_ADD:
        AddFavorite();
        break;
    case ID_FAVORITES_REMOVE:
        RemoveFavorites();
        break;
    default:
        break;
    }
}

void EditorCommands::UpdateState(int id, fw::CommandStates& states) { states.Enable(static_cast<UINT>(id), true); }

void EditorCommands::QuickRegEditCall() {
    KeyNode* key = tree_.KeyOf(tree_.CommandItem());
    regedit::QuickRegEditCall(host_.HostWindow(), key ? key->Path() : std::string());
}

bool EditorCommands::AddFavorite() {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    if (!key) return false;
    AddFavoriteDialog dialog(key->name ? key->name : "", EditorRootName() + "\\" + key->Path());
    HWND owner = GetActiveWindow();
    return dialog.DoModal(owner ? owner : host_.HostWindow(), IDD_FAVORITE_ADD) == IDOK;
}

bool EditorCommands::RemoveFavorites() {
    RemoveFavoritesDialog dialog;
    HWND owner = GetActiveWindow();
    return dialog.DoModal(owner ? owner : host_.HostWindow(), IDD_FAVORITE_REMOVE) == IDOK;
}

void EditorCommands::BuildFavoritesMenu(HMENU popup) {
    if (!popup || GetMenuItemCount(popup) < 2 || GetMenuItemID(popup, 0) != ID_FAVORITES_ADD ||
        GetMenuItemID(popup, 1) != ID_FAVORITES_REMOVE) {
        return;
    }
    fw::UniqueKey key;
    if (OpenFavorites(KEY_READ, key) != ERROR_SUCCESS) return;
    for (int count = GetMenuItemCount(popup); count > 2; --count) DeleteMenu(popup, count - 1, MF_BYPOSITION);
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    std::string name;
    for (DWORD index = 0; ID_FAVORITE_FIRST + static_cast<int>(index) <= kLastFavoriteId &&
                          EnumFavoriteName(key.Get(), index, name);
         ++index) {
        AppendMenuA(popup, MF_STRING, ID_FAVORITE_FIRST + index, name.c_str());
    }
}

void EditorCommands::OpenFavorite(int id, HMENU menu) {
    if (!menu) return;
    char name[kNameSize] = "";
    if (GetMenuStringA(menu, static_cast<UINT>(id), name, sizeof name, MF_BYCOMMAND) <= 0) return;
    std::string path;
    if (!ReadFavoritePath(name, path)) return;
    OpenEditorAt(host_.HostWindow(), path);
}

}  // namespace regedit
