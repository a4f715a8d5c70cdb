// DWORD editor (dialog 111): the key filter, the base switch and what OK
// stores in each base.
#include "DialogScript.h"
#include "TestValues.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

Step ExpectField(std::string expected) { return ExpectText(IDC_VALUE_DATA, expected); }
Step ClearField() {
    return Do([] {
        SendMessageA(EditorControl(IDC_VALUE_DATA), EM_SETSEL, 0, -1);
        // Backspace as typed: the filter lets it through in both bases.
        SendMessageA(EditorControl(IDC_VALUE_DATA), WM_CHAR, '\b', 1);
    });
}
Step Paste(std::string text) { return test::Paste(IDC_VALUE_DATA, text); }

std::unique_ptr<ValueEntry> Dword(const char* data) { return ParseValue(std::string("\"D\"=dword:") + data); }
const std::string& DataOf(std::unique_ptr<ValueEntry>& value) { return As<DwordValue>(value).GetData(); }
std::string Stored(ValueEntry& value) { return static_cast<DwordValue&>(value).GetData(); }

}  // namespace

TEST(DwordEditor, BaseSwitchConvertsAndIsNoChange) {
    struct Case { const char* data; const char* hex; const char* decimal; };
    const Case cases[] = {
        {"0000001f", "1f", "31"},
        {"ffffffff", "ffffffff", "4294967295"},
        {"80000000", "80000000", "2147483648"},
        {"00000000", "0", "0"},
    };
    for (const Case& c : cases) {
        auto value = Dword(c.data);
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectField(c.hex), Click(IDC_BASE_DEC), ExpectField(c.decimal),
                                              Click(IDC_BASE_DEC), ExpectField(c.decimal), Click(IDC_BASE_HEX),
                                              ExpectField(c.hex), Press(IDOK)}),
                           false))
            << c.data;
        EXPECT_EQ(DataOf(value), c.data);
    }
}

TEST(DwordEditor, TypedNumberIsStoredAsEightLowerCaseDigits) {
    struct Case { bool decimal; const char* typed; const char* stored; };
    const Case cases[] = {
        {false, "FF", "000000ff"},
        {false, "DeadBeef", "deadbeef"},
        {true, "100", "00000064"},
        {true, "", "00000000"},
    };
    for (const Case& c : cases) {
        auto value = Dword("00000007");
        Step base = Click(c.decimal ? IDC_BASE_DEC : IDC_BASE_HEX);
        EXPECT_TRUE(Played(RunEditor(*value, {base, ClearField(), Type(IDC_VALUE_DATA, c.typed), Press(IDOK)}), true))
            << c.typed;
        EXPECT_EQ(DataOf(value), c.stored) << c.typed;
        EXPECT_EQ(Written(*value), std::string("\"D\"=dword:") + c.stored + "\r\n");
    }
}

TEST(DwordEditor, KeyFilterRefusesWhatIsNotADigitOfTheBase) {
    auto value = Dword("00000000");
    EXPECT_TRUE(Played(RunEditor(*value, {ClearField(), Type(IDC_VALUE_DATA, "1g2,x\x03\x16" "3"), ExpectField("123"),
                                          ClearField(), Type(IDC_VALUE_DATA, "123456789"), ExpectField("12345678"),
                                          Click(IDC_BASE_DEC), ClearField(), Type(IDC_VALUE_DATA, "9a8-7"),
                                          ExpectField("987"), ClearField(), Type(IDC_VALUE_DATA, "1234567890"),
                                          ExpectField("123456789"), Press(IDCANCEL)}),
                       false));
    EXPECT_EQ(DataOf(value), "00000000");
}

// A field that holds no number is not stored, and the editor does not close
// as if it had been: the user sees the beep and the field again.
TEST(DwordEditor, OkOnAFieldWithoutANumberKeepsTheEditorOpen) {
    struct Case {
        const char* name;
        bool decimal;
        const char* pasted;  // empty: the field is cleared instead
    };
    const Case cases[] = {
        {"empty hexadecimal", false, ""},
        {"pasted words in hexadecimal", false, "12 zz"},
        {"pasted words in decimal", true, "12x"},
    };
    for (const Case& c : cases) {
        auto value = Dword("0000002a");
        // The step after OK plays only while the editor is still open.
        EXPECT_TRUE(Played(RunEditor(*value, {Click(c.decimal ? IDC_BASE_DEC : IDC_BASE_HEX), ClearField(),
                                              Paste(c.pasted), ExpectField(c.pasted), Press(IDOK),
                                              WaitFor([] { return true; }), Press(IDCANCEL)}),
                           false))
            << c.name;
        EXPECT_EQ(DataOf(value), "0000002a") << c.name;
    }
}

// Text that is no number: opened from the file it is shown empty and left
// alone; pasted, a base switch keeps it and the hexadecimal base checked.
TEST(DwordEditor, WhatOkStoresAroundTextThatIsNoNumber) {
    ExpectOkStores({
        {__LINE__, "00000001", {ClearField(), Type(IDC_VALUE_DATA, "a"), Click(IDC_BASE_DEC), ExpectField("10")},
         true, "0000000a"},
        {__LINE__, "zz", {ExpectField("")}, false, "zz"},
        {__LINE__, "0000002a",
         {ClearField(), Paste("zz"), Click(IDC_BASE_DEC), ExpectField("zz"), Do([] {
              EXPECT_EQ(IsDlgButtonChecked(ActiveDialog(), IDC_BASE_HEX), BST_CHECKED);
              EXPECT_EQ(IsDlgButtonChecked(ActiveDialog(), IDC_BASE_DEC), BST_UNCHECKED);
          }),
          ClearField(), Type(IDC_VALUE_DATA, "b")},
         true, "0000000b"},
    }, Dword, Stored);
}
