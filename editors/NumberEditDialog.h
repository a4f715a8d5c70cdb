#pragma once
// Dialog 111 for DWORD and QWORD values: one number in hexadecimal or
// decimal, 32 or 64 bits wide.

#include "editors/SubclassedControl.h"
#include "editors/ValueEditDialog.h"

#include <cstdint>
#include <string>

class DwordValue;
class QwordValue;

namespace editors {

// What the text of a number field holds.
enum class NumberText { kNumber, kNoNumber, kTooLarge };

// Digits of a whole text in base 16 or 10, blanks around them allowed, as a
// number no larger than `largest`. kNoNumber for no digits or any other
// character; kTooLarge for digits of a larger number (`number` untouched).
NumberText ParseNumber(const std::string& text, unsigned base, uint64_t largest, uint64_t& number);

// The width of the numbers a dialog edits.
struct NumberWidth {
    uint64_t largest;
    int hexDigits;      // of the largest number
    int decimalDigits;  // of the largest number
    const char* kind;   // "DWORD", "QWORD": named in the too-large message
};
extern const NumberWidth kDwordWidth;
extern const NumberWidth kQwordWidth;

// Sees every character typed into the number field before the edit control:
// in hexadecimal only hex digits and backspace pass, and in both bases no
// character past the base's digit count.
class NumberKeyFilter : public SubclassedControl {
public:
    void SetBase(bool hexadecimal, int digitLimit);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool IsFull() const;

    bool hexadecimal_ = true;
    int digitLimit_ = 0;
};

// What the DWORD and QWORD editors share; each kind reads and stores its
// value's number.
class NumberEditDialog : public ValueEditDialog {
public:
    bool Run(HWND owner);

protected:
    NumberEditDialog(ValueEntry& value, const NumberWidth& width, UINT captionId);

    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

    // False when the value holds no number of the width.
    virtual bool ReadNumber(uint64_t& number) const = 0;
    virtual void StoreNumber(uint64_t number) = 0;

private:
    void SwitchBase();
    // kNumber when the field was stored or left alone; otherwise the dialog stays.
    NumberText StoreField();
    void SetField(const std::string& text);
    void SetHexadecimalStyle(bool hex);
    NumberText ParseField(const std::string& text, uint64_t& number) const;
    void ShowTooLarge();
    void RefuseField(NumberText why);

    const NumberWidth& width_;
    UINT captionId_;  // 0: the template's caption
    bool hexadecimal_ = true;  // the base the field's text is written in
    NumberKeyFilter filter_;
};

class DwordEditDialog final : public NumberEditDialog {
public:
    explicit DwordEditDialog(DwordValue& value);

private:
    bool ReadNumber(uint64_t& number) const override;
    void StoreNumber(uint64_t number) override;

    DwordValue& dword_;  // not owned
};

class QwordEditDialog final : public NumberEditDialog {
public:
    explicit QwordEditDialog(QwordValue& value);

private:
    bool ReadNumber(uint64_t& number) const override;
    void StoreNumber(uint64_t number) override;

    QwordValue& qword_;  // not owned
};

}  // namespace editors
