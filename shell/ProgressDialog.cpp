#include "shell/ProgressDialog.h"

#include <commctrl.h>

#include "resources/resource.h"

ProgressDialog::ProgressDialog() : ModalWorkerDialog(IDD_PROGRESS) {}

void ProgressDialog::SetTexts(const char* caption, const char* label) {
    caption_ = caption ? caption : "";
    label_ = label ? label : "";
}

void ProgressDialog::Run(HWND owner) {
    ModalWorkerDialog::Run(owner);
    // Each use starts again from the resource's texts.
    caption_.clear();
    label_.clear();
}

void ProgressDialog::SetProgress(int percent) {
    HWND dlg = UpWindow();
    if (dlg) PostMessageA(GetDlgItem(dlg, IDC_PROGRESS_BAR), PBM_SETPOS, percent, 0);
}

BOOL ProgressDialog::OnInitDialog() {
    if (!caption_.empty()) SetWindowTextA(hwnd_, caption_.c_str());
    if (!label_.empty()) SetDlgItemTextA(hwnd_, IDC_PROGRESS_LABEL, label_.c_str());
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
    return ModalWorkerDialog::OnInitDialog();
}
