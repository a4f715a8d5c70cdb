#include "shell/FileDialogs.h"

#include <commdlg.h>

#include <cstring>

#include "resources/resource.h"

namespace {

const char kSettingsKey[] = "Software\\Orvane\\Quillon\\2.0";
const int kRegFilterString = 132;

// Filter strings use '#' where the dialog wants a zero character.
void LoadDialogFilter(int id, char* out, int size) {
    int n = LoadStringA(GetModuleHandleA(nullptr), id, out, size - 1);
    if (n <= 0) {
        static const char fallback[] = "Registration Files (*.reg)#*.reg#All Files (*.*)#*.*#";
        lstrcpynA(out, fallback, size - 1);
        n = lstrlenA(out);
    }
    out[n] = '\0';
    out[n + 1] = '\0';
    for (char* p = out; *p; ++p)
        if (*p == '#') *p = '\0';
}

bool ReadFlg1(DWORD* value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, data = 0, size = sizeof(data);
    LONG rc = RegQueryValueExA(key, "flg1", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(DWORD)) return false;
    *value = data;
    return true;
}

bool RunOpenDialog(OPENFILENAMEA& ofn) {
    ofn.lStructSize = sizeof(ofn);
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpfnHook = DuplicateOptionHook;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_OPEN_OPTIONS);
    return GetOpenFileNameA(&ofn) != FALSE;
}

}  // namespace

bool ReadCheckDuplicatesSetting() {
    DWORD flags = 0;
    if (!ReadFlg1(&flags)) return true;
    return (flags & 1) == 0;
}

bool WriteCheckDuplicatesSetting(bool checkDuplicates) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ | KEY_WRITE, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0, flags = 0, size = sizeof(flags);
    if (RegQueryValueExA(key, "flg1", nullptr, &type, reinterpret_cast<BYTE*>(&flags), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(DWORD))
        flags = 0;
    if (checkDuplicates)
        flags &= ~1u;
    else
        flags |= 1u;
    LONG rc = RegSetValueExA(key, "flg1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flags),
                             sizeof(flags));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

UINT_PTR CALLBACK DuplicateOptionHook(HWND dlg, UINT msg, WPARAM, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        CheckDlgButton(dlg, IDC_CHECK_DUPLICATES,
                       ReadCheckDuplicatesSetting() ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->code == CDN_FILEOK) {
            WriteCheckDuplicatesSetting(IsDlgButtonChecked(dlg, IDC_CHECK_DUPLICATES) ==
                                        BST_CHECKED);
            // The file choice is never refused.
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

bool ShowOpenDialog(HWND owner, char* path, char* title) {
    char filter[512];
    LoadDialogFilter(kRegFilterString, filter, sizeof(filter));
    path[0] = '\0';
    title[0] = '\0';
    OPENFILENAMEA ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = MAX_PATH;
    ofn.lpstrDefExt = "REG";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return RunOpenDialog(ofn);
}

bool ShowImportDialog(HWND owner, char* path) {
    static const char filter[] = "Registration Files (*.reg)\0*.reg\0All Files (*.*)\0*.*\0";
    path[0] = '\0';
    OPENFILENAMEA ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = "reg";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return RunOpenDialog(ofn);
}
