#include "editors/DwordEditDialog.h"

#include "document/ValueCodec.h"
#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "resources/resource.h"

#include <cstdio>

namespace editors {

namespace {

constexpr int kHexLimit = 8;
// Nine, not ten: a typed decimal number stays below 1,000,000,000; a number
// shown by a base switch may still have ten digits.
constexpr int kDecimalLimit = 9;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Digits of `text` between optional blanks, in the given base.
bool ParseNumber(const std::string& text, unsigned base, uint32_t& number) {
    size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    if (i == end) return false;
    uint64_t value = 0;
    for (; i < end; ++i) {
        char c = text[i];
        int digit = HexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        value = value * base + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    number = static_cast<uint32_t>(value);
    return true;
}

std::string Format(const char* format, uint32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long>(number));
    return text;
}

}  // namespace

bool ParseHexNumber(const std::string& text, uint32_t& number) { return ParseNumber(text, 16, number); }
bool ParseDecimalNumber(const std::string& text, uint32_t& number) { return ParseNumber(text, 10, number); }

LRESULT DwordKeyFilter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR && hexadecimal_) {
        char c = static_cast<char>(wParam);
        // Control characters (Ctrl+C, Ctrl+V) are refused too: only the
        // conversion at OK or at a base switch judges pasted text.
        if (!IsHexDigit(c) && c != '\b') {
            MessageBeep(static_cast<UINT>(-1));
            return 0;
        }
    }
    // In decimal ES_NUMBER makes the control refuse anything but digits.
    return CallDefault(msg, wParam, lParam);
}

DwordEditDialog::DwordEditDialog(DwordValue& value) : ValueEditDialog(value), dword_(value) {}

bool DwordEditDialog::Run(HWND owner) { return DoModal(owner, IDD_EDIT_DWORD) == IDOK; }

void DwordEditDialog::SetField(const std::string& text) {
    SetDlgItemTextA(hwnd_, IDC_VALUE_DATA, text.c_str());
}

void DwordEditDialog::SetHexadecimalStyle(bool hex) {
    HWND field = Item(IDC_VALUE_DATA);
    LONG_PTR style = GetWindowLongPtrA(field, GWL_STYLE);
    style = hex ? (style & ~static_cast<LONG_PTR>(ES_NUMBER)) : (style | ES_NUMBER);
    SetWindowLongPtrA(field, GWL_STYLE, style);
    SendMessageA(field, EM_LIMITTEXT, hex ? kHexLimit : kDecimalLimit, 0);
    hexadecimal_ = hex;
    filter_.SetHexadecimal(hex);
}

BOOL DwordEditDialog::OnInitDialog() {
    hexadecimal_ = true;
    ShowDisplayName();
    uint32_t number = 0;
    if (ParseHexNumber(dword_.GetData(), number))
        SetField(Format("%lx", number));
    else
        MessageBeep(static_cast<UINT>(-1));
    CheckRadioButton(hwnd_, IDC_BASE_HEX, IDC_BASE_DEC, IDC_BASE_HEX);
    filter_.Attach(Item(IDC_VALUE_DATA));
    SetHexadecimalStyle(true);
    SendMessageA(Item(IDC_VALUE_DATA), EM_SETMODIFY, FALSE, 0);
    return TRUE;
}

void DwordEditDialog::SwitchBase() {
    HWND field = Item(IDC_VALUE_DATA);
    BOOL modified = static_cast<BOOL>(SendMessageA(field, EM_GETMODIFY, 0, 0));
    bool wantHex = IsDlgButtonChecked(hwnd_, IDC_BASE_HEX) == BST_CHECKED;
    bool wantDecimal = IsDlgButtonChecked(hwnd_, IDC_BASE_DEC) == BST_CHECKED;
    if ((wantHex && !hexadecimal_) || (wantDecimal && hexadecimal_)) {
        std::string text = GetControlText(field);
        uint32_t number = 0;
        bool empty = text.find_first_not_of(" \t") == std::string::npos;
        bool parsed = !empty && (hexadecimal_ ? ParseHexNumber(text, number)
                                              : ParseDecimalNumber(text, number));
        if (!empty && !parsed) {
            // Text that is no number in its base stays as it is, in its base:
            // converting it would turn it into 0 and lose what was there.
            MessageBeep(static_cast<UINT>(-1));
            CheckRadioButton(hwnd_, IDC_BASE_HEX, IDC_BASE_DEC,
                             hexadecimal_ ? IDC_BASE_HEX : IDC_BASE_DEC);
        } else {
            SetHexadecimalStyle(wantHex);
            SetField(empty ? std::string() : Format(wantHex ? "%lx" : "%lu", number));
        }
    }
    // A base switch is not a change of the value.
    SendMessageA(field, EM_SETMODIFY, modified, 0);
}

bool DwordEditDialog::StoreField() {
    HWND field = Item(IDC_VALUE_DATA);
    if (!SendMessageA(field, EM_GETMODIFY, 0, 0)) return true;
    std::string text = GetControlText(field);
    uint32_t number = 0;
    bool parsed;
    if (hexadecimal_) {
        parsed = ParseHexNumber(text, number);
    } else {
        // An empty decimal field means zero.
        parsed = text.find_first_not_of(" \t") == std::string::npos || ParseDecimalNumber(text, number);
    }
    if (!parsed) return false;
    dword_.SetData(Format("%08lx", number));
    entry_.SetChanged(true);
    return true;
}

bool DwordEditDialog::OnCommand(int id, int code, HWND /*control*/) {
    if (id == IDOK) {
        if (!StoreField()) {
            // Closing with OK here would report a change that was not stored.
            MessageBeep(static_cast<UINT>(-1));
            SetFocus(Item(IDC_VALUE_DATA));
            SendMessageA(Item(IDC_VALUE_DATA), EM_SETSEL, 0, -1);
            return true;
        }
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

}  // namespace editors
