#include "shell/ExportDialog.h"

#include <commdlg.h>

#include "framework/Strings.h"
#include "resources/resource.h"

namespace {

// What the hook reads and leaves, through the dialog's custom data.
struct ExportRange {
    const std::string* selectedPath = nullptr;  // not owned
    bool branchChosen = false;
    std::string branch;
};

ExportRange* RangeOf(HWND dlg) { return reinterpret_cast<ExportRange*>(GetWindowLongPtrA(dlg, GWLP_USERDATA)); }

void OnInitRange(HWND dlg, ExportRange& range) {
    bool selected = !range.selectedPath->empty();
    CheckRadioButton(dlg, IDC_EXPORT_ALL, IDC_EXPORT_BRANCH, selected ? IDC_EXPORT_BRANCH : IDC_EXPORT_ALL);
    if (selected) SetDlgItemTextA(dlg, IDC_EXPORT_PATH, range.selectedPath->c_str());
    EnableWindow(GetDlgItem(dlg, IDC_EXPORT_PATH), selected);
}

// The file choice stands only for a branch the document has.
bool OnFileOk(HWND dlg, ExportRange& range) {
    range.branchChosen = false;
    range.branch.clear();
    if (IsDlgButtonChecked(dlg, IDC_EXPORT_ALL) == BST_CHECKED) return true;
    HWND edit = GetDlgItem(dlg, IDC_EXPORT_PATH);
    std::string path(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    path.resize(static_cast<size_t>(GetWindowTextA(edit, path.data(), static_cast<int>(path.size()))));
    HWND owner = GetAncestor(dlg, GA_ROOTOWNER);
    if (SendMessageA(owner, ExportBranchMessage(), 0, reinterpret_cast<LPARAM>(path.c_str())) != 0) return false;
    range.branchChosen = true;
    range.branch = std::move(path);
    return true;
}

// The range group and its path box reach across the file dialog, which
// gives its extra template the dialog's whole width, less the margin.
void StretchRange(HWND dlg, int width) {
    RECT margin{0, 0, 7, 0};
    MapDialogRect(dlg, &margin);
    for (int id : {IDC_EXPORT_GROUP, IDC_EXPORT_PATH}) {
        HWND control = GetDlgItem(dlg, id);
        RECT rc{};
        GetWindowRect(control, &rc);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
        int right = width - (id == IDC_EXPORT_GROUP ? margin.right : 2 * margin.right);
        if (right > rc.left)
            SetWindowPos(control, nullptr, 0, 0, right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
    }
}

}  // namespace

UINT ExportBranchMessage() {
    static const UINT message = RegisterWindowMessageA("{5D565B50-DCC2-4784-AC75-62D2106F2E52}");
    return message;
}

UINT_PTR CALLBACK ExportRangeHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lParam);
        auto* range = reinterpret_cast<ExportRange*>(ofn->lCustData);
        SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(range));
        OnInitRange(dlg, *range);
        return TRUE;
    }
    case WM_SIZE:
        StretchRange(dlg, LOWORD(lParam));
        return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDC_EXPORT_ALL || LOWORD(wParam) == IDC_EXPORT_BRANCH))
            EnableWindow(GetDlgItem(dlg, IDC_EXPORT_PATH), LOWORD(wParam) == IDC_EXPORT_BRANCH);
        return FALSE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        ExportRange* range = RangeOf(dlg);
        if (header->code != CDN_FILEOK || !range) return FALSE;
        // A non-zero result keeps the dialog open.
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, OnFileOk(dlg, *range) ? 0 : 1);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

bool ShowExportDialog(HWND owner, RegDialect dialect, const std::string& selectedPath, ExportChoice& choice) {
    bool ntFamily = IsNtFamily();
    std::string filter = fw::LoadFilter(ntFamily ? IDS_FILTER_SAVE : IDS_FILTER_OPEN);
    std::string caption = fw::LoadText(IDS_EXPORT_CAPTION);
    ExportRange range;
    range.selectedPath = &selectedPath;
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterOfDialect(dialect));
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = caption.c_str();
    ofn.lpstrDefExt = "REG";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpfnHook = ExportRangeHook;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_EXPORT_OPTIONS);
    ofn.lCustData = reinterpret_cast<LPARAM>(&range);
    if (!GetSaveFileNameA(&ofn)) return false;
    choice.path = file;
    choice.format = FormatOfFilter(static_cast<int>(ofn.nFilterIndex), ntFamily);
    choice.branchChosen = range.branchChosen;
    choice.branch = range.branch;
    return true;
}
