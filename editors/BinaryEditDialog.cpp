#include "editors/BinaryEditDialog.h"

#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "resources/resource.h"

namespace editors {

BinaryEditDialog::BinaryEditDialog(BinaryValue& value) : ValueEditDialog(value), binary_(value) {}

BinaryEditDialog::~BinaryEditDialog() = default;

bool BinaryEditDialog::Run(HWND owner) { return DoModal(owner, IDD_EDIT_BINARY) == IDOK; }

void BinaryEditDialog::UseFixedPitchFont() {
    // Cells line up in columns only when every digit and space is as wide as
    // the others; the dialog font's height keeps the size the user expects.
    LOGFONTA logFont{};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof logFont, &logFont)) return;
    LOGFONTA fixed{};
    fixed.lfHeight = logFont.lfHeight;
    fixed.lfWeight = FW_NORMAL;
    fixed.lfCharSet = DEFAULT_CHARSET;
    fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(fixed.lfFaceName, "Courier New", LF_FACESIZE);
    font_.Reset(CreateFontIndirectA(&fixed));
    if (font_) SendMessageA(Item(IDC_VALUE_DATA), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

BOOL BinaryEditDialog::OnInitDialog() {
    // Over the window it edits for, not at its corner.
    fw::CenterOnOwner(hwnd_);
    ShowDisplayName();
    UseFixedPitchFont();
    HWND data = Item(IDC_VALUE_DATA);
    // No typing limit: the default (30,000 characters, 7,500 bytes) would
    // cut a typed cell short in a large value and break the cell form.
    SendMessageA(data, EM_LIMITTEXT, 0, 0);
    // Regrouped before it reaches the control: one layout of the whole text,
    // which in Wine's edit control grows with the square of its length.
    SetWindowTextA(data, BuildCellForm(binary_.GetHexData()).c_str());
    area_.Attach(data);
    SendMessageA(data, EM_SETMODIFY, FALSE, 0);
    // Focus with the caret at the start rather than the whole text selected:
    // the first digit typed must not replace every byte.
    SetFocus(data);
    SendMessageA(data, EM_SETSEL, 0, 0);
    SendMessageA(data, EM_SCROLLCARET, 0, 0);
    return FALSE;
}

void BinaryEditDialog::OnOK() {
    HWND data = Item(IDC_VALUE_DATA);
    if (SendMessageA(data, EM_GETMODIFY, 0, 0)) {
        std::string bytes = BinaryAreaBytes(GetControlText(data));
        binary_.SetBytes(bytes.data(), bytes.size());
        entry_.SetChanged(true);
    }
    area_.Detach();
    EndDialog(hwnd_, IDOK);
}

bool BinaryEditDialog::OnCommand(int id, int /*code*/, HWND /*control*/) {
    if (id >= IDCANCEL && id <= 7) area_.Detach();
    return CloseWithoutStoring(id);
}

}  // namespace editors
