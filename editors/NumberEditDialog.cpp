#include "editors/NumberEditDialog.h"
#include "editors/ValueEditors.h"

#include "document/ValueCodec.h"
#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "framework/Strings.h"
#include "resources/resource.h"

#include <cstdio>

namespace editors {

const NumberWidth kDwordWidth{0xFFFFFFFFull, 8, 10, "DWORD"};
const NumberWidth kQwordWidth{0xFFFFFFFFFFFFFFFFull, 16, 20, "QWORD"};

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsEmptyField(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

std::string Format(const char* format, uint64_t number) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(number));
    return text;
}

}  // namespace

NumberText ParseNumber(const std::string& text, unsigned base, uint64_t largest, uint64_t& number) {
    size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    if (i == end) return NumberText::kNoNumber;
    uint64_t value = 0;
    bool tooLarge = false;
    for (; i < end; ++i) {
        int digit = HexDigitValue(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return NumberText::kNoNumber;
        // Checked before the step, so that a 64-bit value never wraps; the
        // rest is still read, since a later character may make it no number.
        if (tooLarge || value > (largest - static_cast<unsigned>(digit)) / base) {
            tooLarge = true;
            continue;
        }
        value = value * base + static_cast<unsigned>(digit);
    }
    if (tooLarge) return NumberText::kTooLarge;
    number = value;
    return NumberText::kNumber;
}

void NumberKeyFilter::SetBase(bool hexadecimal, int digitLimit) {
    hexadecimal_ = hexadecimal;
    digitLimit_ = digitLimit;
}

// Typing stops at the digits of the largest number, but a longer text can
// still arrive by a paste, and not always as a WM_PASTE this filter could
// see (Wine's edit control pastes Shift+Insert directly). EM_LIMITTEXT would
// cut such a paste at the limit and so change the number unseen; this filter
// limits typing only, and OK judges the whole text.
bool NumberKeyFilter::IsFull() const {
    DWORD start = 0, end = 0;
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    int kept = GetWindowTextLengthA(hwnd_) - static_cast<int>(end - start);
    return kept >= digitLimit_;
}

LRESULT NumberKeyFilter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR) {
        char c = static_cast<char>(wParam);
        // Control characters (Ctrl+C, Ctrl+V) are refused too in hexadecimal:
        // only the conversion at OK or at a base switch judges pasted text.
        bool refused = hexadecimal_ && !IsHexDigit(c) && c != '\b';
        if (!refused && static_cast<unsigned char>(c) >= ' ' && IsFull()) refused = true;
        if (refused) {
            MessageBeep(static_cast<UINT>(-1));
            return 0;
        }
    }
    // In decimal ES_NUMBER makes the control refuse anything but digits.
    return CallDefault(msg, wParam, lParam);
}

NumberEditDialog::NumberEditDialog(ValueEntry& value, const NumberWidth& width, UINT captionId)
    : ValueEditDialog(value), width_(width), captionId_(captionId) {}

bool NumberEditDialog::Run(HWND owner) { return DoModal(owner, IDD_EDIT_DWORD) == IDOK; }

void NumberEditDialog::SetField(const std::string& text) {
    SetDlgItemTextA(hwnd_, IDC_VALUE_DATA, text.c_str());
}

void NumberEditDialog::SetHexadecimalStyle(bool hex) {
    HWND field = Item(IDC_VALUE_DATA);
    LONG_PTR style = GetWindowLongPtrA(field, GWL_STYLE);
    style = hex ? (style & ~static_cast<LONG_PTR>(ES_NUMBER)) : (style | ES_NUMBER);
    SetWindowLongPtrA(field, GWL_STYLE, style);
    hexadecimal_ = hex;
    filter_.SetBase(hex, hex ? width_.hexDigits : width_.decimalDigits);
}

NumberText NumberEditDialog::ParseField(const std::string& text, uint64_t& number) const {
    return ParseNumber(text, hexadecimal_ ? 16 : 10, width_.largest, number);
}

BOOL NumberEditDialog::OnInitDialog() {
    hexadecimal_ = true;
    if (captionId_) SetWindowTextA(hwnd_, fw::LoadText(captionId_).c_str());
    // Over the window it edits for, not at its corner.
    fw::CenterOnOwner(hwnd_);
    ShowDisplayName();
    uint64_t number = 0;
    if (ReadNumber(number))
        SetField(Format("%llx", number));
    else
        MessageBeep(static_cast<UINT>(-1));
    CheckRadioButton(hwnd_, IDC_BASE_HEX, IDC_BASE_DEC, IDC_BASE_HEX);
    filter_.Attach(Item(IDC_VALUE_DATA));
    SetHexadecimalStyle(true);
    // The base the last number editor was closed in.
    const EditorSettings* settings = GetEditorSettings();
    if (settings && settings->ReadDecimalBase()) {
        CheckRadioButton(hwnd_, IDC_BASE_HEX, IDC_BASE_DEC, IDC_BASE_DEC);
        SwitchBase();
    }
    SendMessageA(Item(IDC_VALUE_DATA), EM_SETMODIFY, FALSE, 0);
    return TRUE;
}

void NumberEditDialog::ShowTooLarge() {
    std::string largest = Format("%llu", width_.largest);
    std::string largestHex = Format("%llx", width_.largest);
    std::string text = fw::FormatText(IDS_NUMBER_TOO_LARGE, width_.kind, largest.c_str(), largestHex.c_str());
    MessageBoxA(hwnd_, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONWARNING);
}

// The field stays as it is, to be corrected: a number too large is named in
// a message, anything else that is no number gets a beep.
void NumberEditDialog::RefuseField(NumberText why) {
    if (why == NumberText::kTooLarge)
        ShowTooLarge();
    else
        MessageBeep(static_cast<UINT>(-1));
    SetFocus(Item(IDC_VALUE_DATA));
    SendMessageA(Item(IDC_VALUE_DATA), EM_SETSEL, 0, -1);
}

void NumberEditDialog::SwitchBase() {
    HWND field = Item(IDC_VALUE_DATA);
    BOOL modified = static_cast<BOOL>(SendMessageA(field, EM_GETMODIFY, 0, 0));
    bool wantHex = IsDlgButtonChecked(hwnd_, IDC_BASE_HEX) == BST_CHECKED;
    bool wantDecimal = IsDlgButtonChecked(hwnd_, IDC_BASE_DEC) == BST_CHECKED;
    if ((wantHex && !hexadecimal_) || (wantDecimal && hexadecimal_)) {
        std::string text = GetControlText(field);
        uint64_t number = 0;
        bool empty = IsEmptyField(text);
        NumberText parsed = empty ? NumberText::kNumber : ParseField(text, number);
        if (parsed != NumberText::kNumber) {
            // Text that is no number of the width stays as it is, in its
            // base: converting it would turn it into 0 or cut it, and lose
            // what was there.
            CheckRadioButton(hwnd_, IDC_BASE_HEX, IDC_BASE_DEC, hexadecimal_ ? IDC_BASE_HEX : IDC_BASE_DEC);
            RefuseField(parsed);
        } else {
            SetHexadecimalStyle(wantHex);
            SetField(empty ? std::string() : Format(wantHex ? "%llx" : "%llu", number));
        }
    }
    // A base switch is not a change of the value.
    SendMessageA(field, EM_SETMODIFY, modified, 0);
}

NumberText NumberEditDialog::StoreField() {
    HWND field = Item(IDC_VALUE_DATA);
    if (!SendMessageA(field, EM_GETMODIFY, 0, 0)) return NumberText::kNumber;
    std::string text = GetControlText(field);
    uint64_t number = 0;
    // An empty decimal field means zero.
    NumberText parsed = !hexadecimal_ && IsEmptyField(text) ? NumberText::kNumber : ParseField(text, number);
    if (parsed != NumberText::kNumber) return parsed;
    StoreNumber(number);
    entry_.SetChanged(true);
    return NumberText::kNumber;
}

bool NumberEditDialog::OnCommand(int id, int code, HWND /*control*/) {
    if (id == IDOK) {
        NumberText stored = StoreField();
        if (stored != NumberText::kNumber) {
            // Closing with OK here would report a change that was not stored.
            RefuseField(stored);
            return true;
        }
        if (const EditorSettings* settings = GetEditorSettings()) settings->StoreDecimalBase(!hexadecimal_);
        filter_.Detach();
        EndDialog(hwnd_, IDOK);
        return true;
    }
    if (id >= IDCANCEL && id <= 7) {
        filter_.Detach();
        return CloseWithoutStoring(id);
    }
    if ((id == IDC_BASE_HEX || id == IDC_BASE_DEC) && code == BN_CLICKED) {
        SwitchBase();
        return true;
    }
    return false;
}

DwordEditDialog::DwordEditDialog(DwordValue& value) : NumberEditDialog(value, kDwordWidth, 0), dword_(value) {}

// The whole data text as hex digits: data the file wrote some other way
// ("dword:4294967295") is no number to edit, and shows an empty field.
bool DwordEditDialog::ReadNumber(uint64_t& number) const {
    return ParseNumber(dword_.GetData(), 16, kDwordWidth.largest, number) == NumberText::kNumber;
}

void DwordEditDialog::StoreNumber(uint64_t number) { dword_.SetNumber(static_cast<uint32_t>(number)); }

QwordEditDialog::QwordEditDialog(QwordValue& value)
    : NumberEditDialog(value, kQwordWidth, IDS_EDIT_QWORD_CAPTION), qword_(value) {}

bool QwordEditDialog::ReadNumber(uint64_t& number) const { return qword_.GetNumber(number); }

void QwordEditDialog::StoreNumber(uint64_t number) { qword_.SetNumber(number); }

}  // namespace editors
