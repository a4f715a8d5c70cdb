#pragma once
// Dialog 111 for DWORD values: one number in hexadecimal or decimal.

#include "editors/SubclassedControl.h"
#include "editors/ValueEditDialog.h"

#include <cstdint>
#include <string>

class DwordValue;

namespace editors {

// Hexadecimal digits of a whole text (blanks around them allowed) as a 32-bit
// number; false for no digits, any other character, or more than 32 bits.
bool ParseHexNumber(const std::string& text, uint32_t& number);
// The same for unsigned decimal digits.
bool ParseDecimalNumber(const std::string& text, uint32_t& number);

// Sees every character typed into the number field before the edit control:
// in hexadecimal only hex digits and backspace pass, anything else beeps.
class DwordKeyFilter : public SubclassedControl {
public:
    void SetHexadecimal(bool hex) { hexadecimal_ = hex; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool hexadecimal_ = true;
};

class DwordEditDialog : public ValueEditDialog {
public:
    explicit DwordEditDialog(DwordValue& value);
    bool Run(HWND owner);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void SwitchBase();
    // False when the field holds no number to store; the dialog then stays.
    bool StoreField();
    void SetField(const std::string& text);
    void SetHexadecimalStyle(bool hex);

    DwordValue& dword_;  // not owned
    bool hexadecimal_ = true;  // the base the field's text is written in
    DwordKeyFilter filter_;
};

}  // namespace editors
