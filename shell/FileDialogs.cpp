#include "shell/FileDialogs.h"

#include <commdlg.h>

#include <string>

#include "resources/resource.h"
#include "shell/Settings.h"
#include "framework/Strings.h"

namespace {

const int kRegFilterString = 132;

bool RunOpenDialog(OPENFILENAMEA& ofn) {
    ofn.lStructSize = sizeof(ofn);
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpfnHook = DuplicateOptionHook;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_OPEN_OPTIONS);
    return GetOpenFileNameA(&ofn) != FALSE;
}

}  // namespace

bool ReadCheckDuplicatesSetting() { return (shell::ReadFlg1() & 1) == 0; }

bool WriteCheckDuplicatesSetting(bool checkDuplicates) {
    DWORD flags = shell::ReadFlg1();
    flags = checkDuplicates ? (flags & ~1u) : (flags | 1u);
    return shell::WriteFlg1(flags);
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
    std::string filter = fw::LoadFilter(kRegFilterString);
    path[0] = '\0';
    title[0] = '\0';
    OPENFILENAMEA ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path;
    ofn.nMaxFile = kPathBytes;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = kPathBytes;
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
    ofn.nMaxFile = kPathBytes;
    ofn.lpstrDefExt = "reg";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return RunOpenDialog(ofn);
}
