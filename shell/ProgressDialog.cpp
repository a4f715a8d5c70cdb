#include "shell/ProgressDialog.h"

#include <commctrl.h>

#include "resources/resource.h"

void ProgressDialog::SetTexts(const char* caption, const char* label) {
    caption_ = caption ? caption : "";
    label_ = label ? label : "";
}

void ProgressDialog::Run(HWND owner) {
    owner_ = owner;
    DoModal(owner, IDD_PROGRESS);
    hwndSeen_.store(nullptr);
    // Each use starts again from the resource's texts.
    caption_.clear();
    label_.clear();
}

void ProgressDialog::SetProgress(int percent) {
    HWND dlg = hwndSeen_.load();
    if (dlg) PostMessageA(GetDlgItem(dlg, IDC_PROGRESS_BAR), PBM_SETPOS, percent, 0);
}

void ProgressDialog::Finish() {
    // The flag is set before the handle is read, and OnInitDialog publishes the
    // handle before it reads the flag: whichever comes second sees the other.
    finished_.store(true);
    HWND dlg = hwndSeen_.load();
    if (dlg) PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

BOOL ProgressDialog::OnInitDialog() {
    if (!caption_.empty()) SetWindowTextA(hwnd_, caption_.c_str());
    if (!label_.empty()) SetDlgItemTextA(hwnd_, IDC_PROGRESS_LABEL, label_.c_str());
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
    if (owner_) {
        RECT o{}, d{};
        GetWindowRect(owner_, &o);
        GetWindowRect(hwnd_, &d);
        int x = o.left + ((o.right - o.left) - (d.right - d.left)) / 2;
        int y = o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2;
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    hwndSeen_.store(hwnd_);
    if (finished_.load()) PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

INT_PTR ProgressDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSCOMMAND:
        // The owner is disabled while the dialog is up; minimising or restoring
        // the dialog takes the owner along, so the whole program goes to the task bar.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && owner_) {
            ShowWindow(owner_, SW_MINIMIZE);
        } else if ((wParam & 0xFFF0) == SC_RESTORE && owner_) {
            ShowWindow(owner_, SW_RESTORE);
        }
        return FALSE;
    case WM_DESTROY:
        hwndSeen_.store(nullptr);
        return FALSE;
    default:
        return fw::Dialog::HandleMessage(msg, wParam, lParam);
    }
}
