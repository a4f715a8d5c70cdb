// DWORD and QWORD editors (dialog 111 at 32 and 64 bits): the key filter, the
// base switch, what OK stores in each base and the numbers each refuses.
#include "DialogScript.h"
#include "TestValues.h"
#include "editors/ValueEditors.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"

#include <gtest/gtest.h>

#include <cstdio>

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
Step ClickBase(bool decimal) { return Click(decimal ? IDC_BASE_DEC : IDC_BASE_HEX); }
Step ExpectBase(bool decimal) {
    return Do([decimal] {
        EXPECT_EQ(IsDlgButtonChecked(ActiveDialog(), IDC_BASE_DEC), decimal ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(ActiveDialog(), IDC_BASE_HEX), decimal ? BST_UNCHECKED : BST_CHECKED);
    });
}

std::unique_ptr<ValueEntry> Dword(const char* data) { return ParseValue(std::string("\"D\"=dword:") + data); }
std::string Stored(ValueEntry& value) { return static_cast<DwordValue&>(value).GetData(); }

// The two widths, each value made from a file's line as the document makes it.
struct Width {
    const char* name;
    std::unique_ptr<ValueEntry> (*make)(uint64_t number);
    bool (*number)(ValueEntry& value, uint64_t& number);
    const char* caption;
    size_t hexDigits, decimalDigits;
};

const Width kDword{
    "DWORD",
    [](uint64_t n) {
        char data[24];
        std::snprintf(data, sizeof data, "%08llx", static_cast<unsigned long long>(n));
        return Dword(data);
    },
    [](ValueEntry& value, uint64_t& n) {
        uint32_t number = 0;
        if (!static_cast<DwordValue&>(value).GetNumber(number)) return false;
        n = number;
        return true;
    },
    "Edit DWORD Value", 8, 10};

const Width kQword{
    "QWORD",
    [](uint64_t n) {
        std::string line = "\"Q\"=hex(b):";
        for (int i = 0; i < 8; ++i, n >>= 8) {
            char byte[4];
            std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", static_cast<unsigned>(n & 0xFF));
            line += byte;
        }
        return ParseValue(line, kRegedit5);
    },
    [](ValueEntry& value, uint64_t& n) { return static_cast<QwordValue&>(value).GetNumber(n); },
    "Edit QWORD Value", 16, 20};

const Width* const kWidths[] = {&kDword, &kQword};

constexpr uint64_t kMax64 = 0xFFFFFFFFFFFFFFFFull;

// What OK does with a field's text.
struct Outcome {
    enum What { kStores, kTooLarge, kNoNumber } what;
    uint64_t number;
};
constexpr Outcome Stores(uint64_t number) { return {Outcome::kStores, number}; }
constexpr Outcome kTooLarge{Outcome::kTooLarge, 0};
constexpr Outcome kNoNumber{Outcome::kNoNumber, 0};

}  // namespace

// Numbers past the width are refused whole, with a message, and never cut;
// blanks around a number are allowed, any other character is no number.
TEST(NumberEditor, OkStoresEveryNumberOfItsWidthAndRefusesTheRest) {
    struct Case { int line; bool decimal; bool typed; const char* text; Outcome dword, qword; };
    const Case cases[] = {
        {__LINE__, false, true, "0", Stores(0), Stores(0)},
        {__LINE__, true, true, "", Stores(0), Stores(0)},  // an empty decimal field is zero
        {__LINE__, true, true, "4294967295", Stores(0xFFFFFFFF), Stores(0xFFFFFFFF)},
        {__LINE__, true, true, "4294967296", kTooLarge, Stores(0x100000000)},
        {__LINE__, false, false, "100000000", kTooLarge, Stores(0x100000000)},
        {__LINE__, true, false, "18446744073709551615", kTooLarge, Stores(kMax64)},
        {__LINE__, false, false, "FFFFFFFFFFFFFFFF", kTooLarge, Stores(kMax64)},
        {__LINE__, true, false, "18446744073709551616", kTooLarge, kTooLarge},
        {__LINE__, false, false, "10000000000000000", kTooLarge, kTooLarge},
        {__LINE__, true, false, "999999999999999999999999", kTooLarge, kTooLarge},
        {__LINE__, false, false, "0000000000000000001F4", Stores(0x1F4), Stores(0x1F4)},
        {__LINE__, false, false, "0x1F4", kNoNumber, kNoNumber},
        {__LINE__, false, false, " \t1F4 ", Stores(0x1F4), Stores(0x1F4)},
        {__LINE__, true, false, " 500\t", Stores(500), Stores(500)},
        {__LINE__, false, false, "1 F4", kNoNumber, kNoNumber},
        {__LINE__, false, false, "", kNoNumber, kNoNumber},
        {__LINE__, false, false, "12 zz", kNoNumber, kNoNumber},
        {__LINE__, true, false, "12x", kNoNumber, kNoNumber},
        {__LINE__, true, false, "99999999999999999999x", kNoNumber, kNoNumber},
    };
    for (const Width* width : kWidths) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << width->name << ", case at line " << c.line);
            const Outcome& expected = width == &kDword ? c.dword : c.qword;
            auto value = width->make(7);
            std::vector<Step> steps{ClickBase(c.decimal), ClearField(),
                                    c.typed ? Type(IDC_VALUE_DATA, c.text) : Paste(c.text)};
            if (!c.typed) steps.push_back(ExpectField(c.text));  // a paste is never cut
            steps.push_back(Press(IDOK));
            if (expected.what != Outcome::kStores) {
                // The step after OK plays only while the editor is still open.
                if (expected.what == Outcome::kTooLarge) steps.push_back(Answer(IDOK));
                else steps.push_back(WaitFor([] { return true; }));
                steps.push_back(ExpectField(c.text));
                steps.push_back(Press(IDCANCEL));
            }
            EXPECT_TRUE(Played(RunEditor(*value, steps), expected.what == Outcome::kStores));
            uint64_t number = 0;
            ASSERT_TRUE(width->number(*value, number));
            EXPECT_EQ(number, expected.what == Outcome::kStores ? expected.number : 7u);
        }
    }
}

TEST(NumberEditor, BaseSwitchConvertsAndIsNoChange) {
    struct Case { int line; uint64_t number; const char* hex; const char* decimal; bool qwordOnly; };
    const Case cases[] = {
        {__LINE__, 0x1F, "1f", "31", false},
        {__LINE__, 0xFFFFFFFF, "ffffffff", "4294967295", false},
        {__LINE__, 0x80000000, "80000000", "2147483648", false},
        {__LINE__, 0, "0", "0", false},
        {__LINE__, 0x100000000, "100000000", "4294967296", true},
        {__LINE__, kMax64, "ffffffffffffffff", "18446744073709551615", true},
    };
    for (const Width* width : kWidths) {
        for (const Case& c : cases) {
            if (c.qwordOnly && width != &kQword) continue;
            SCOPED_TRACE(testing::Message() << width->name << ", case at line " << c.line);
            auto value = width->make(c.number);
            EXPECT_TRUE(Played(RunEditor(*value, {ExpectField(c.hex), ClickBase(true), ExpectField(c.decimal),
                                                  ClickBase(true), ExpectField(c.decimal), ClickBase(false),
                                                  ExpectField(c.hex), Press(IDOK)}),
                               false));
            uint64_t number = 0;
            EXPECT_TRUE(width->number(*value, number));
            EXPECT_EQ(number, c.number);
        }
    }
}

// A number past the width is neither converted nor cut by a base switch:
// it stays in its base, and the message says why.
TEST(NumberEditor, BaseSwitchKeepsANumberTooLargeInItsBase) {
    struct Case { int line; const Width* width; bool decimal; const char* pasted; };
    const Case cases[] = {
        {__LINE__, &kDword, true, "4294967296"},
        {__LINE__, &kDword, false, "123456789"},
        {__LINE__, &kQword, true, "18446744073709551616"},
        {__LINE__, &kQword, false, "10000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width->name << ", case at line " << c.line);
        auto value = c.width->make(1);
        EXPECT_TRUE(Played(RunEditor(*value, {ClickBase(c.decimal), ClearField(), Paste(c.pasted),
                                              PostClick(c.decimal ? IDC_BASE_HEX : IDC_BASE_DEC), Answer(IDOK),
                                              ExpectField(c.pasted), ExpectBase(c.decimal), Press(IDCANCEL)}),
                           false));
    }
}

TEST(NumberEditor, KeyFilterRefusesWhatIsNotADigitOfTheBaseAndStopsAtTheWidth) {
    for (const Width* width : kWidths) {
        SCOPED_TRACE(width->name);
        const std::string hexDigits = "123456789abcdef0123", decimalDigits = "123456789012345678901234";
        auto value = width->make(0);
        EXPECT_TRUE(Played(RunEditor(*value, {Do([width] {
                                                  EXPECT_EQ(harness::WindowText(ActiveDialog()), width->caption);
                                              }),
                                              ClearField(), Type(IDC_VALUE_DATA, "1g2,x\x03\x16" "3"), ExpectField("123"),
                                              ClearField(), Type(IDC_VALUE_DATA, hexDigits),
                                              ExpectField(hexDigits.substr(0, width->hexDigits)),
                                              ClickBase(true), ClearField(), Type(IDC_VALUE_DATA, "9a8-7"),
                                              ExpectField("987"), ClearField(), Type(IDC_VALUE_DATA, decimalDigits),
                                              ExpectField(decimalDigits.substr(0, width->decimalDigits)),
                                              // A selection typed over is no overflow.
                                              SetSelection(IDC_VALUE_DATA, 0, 1), Type(IDC_VALUE_DATA, "5"),
                                              ExpectField("5" + decimalDigits.substr(1, width->decimalDigits - 1)),
                                              Do([width] {
                                                  std::string name = std::string("editor-") + width->name + ".bmp";
                                                  EXPECT_TRUE(harness::ScreenshotPainted(ActiveDialog(),
                                                                                         harness::ScratchPath(name)));
                                              }),
                                              Press(IDCANCEL)}),
                           false));
    }
}

// A DWORD as eight lower-case digits, a QWORD as eight bytes low first.
TEST(NumberEditor, TypedNumberIsWrittenInItsValuesFileForm) {
    struct Case { int line; const Width* width; bool decimal; const char* typed; const char* written; };
    const Case cases[] = {
        {__LINE__, &kDword, false, "FF", "\"D\"=dword:000000ff\r\n"},
        {__LINE__, &kDword, false, "DeadBeef", "\"D\"=dword:deadbeef\r\n"},
        {__LINE__, &kDword, true, "100", "\"D\"=dword:00000064\r\n"},
        {__LINE__, &kQword, true, "4294967296", "\"Q\"=hex(b):00,00,00,00,01,00,00,00\r\n"},
        {__LINE__, &kQword, false, "FEDCBA9876543210", "\"Q\"=hex(b):10,32,54,76,98,ba,dc,fe\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        auto value = c.width->make(7);
        EXPECT_TRUE(Played(RunEditor(*value, {ClickBase(c.decimal), ClearField(), Type(IDC_VALUE_DATA, c.typed),
                                              Press(IDOK)}),
                           true));
        EXPECT_EQ(Written(*value), c.written);
    }
}

// Text that is no number: opened from the file it is shown empty and left
// alone; pasted, a base switch keeps it and the hexadecimal base checked.
TEST(NumberEditor, WhatOkStoresAroundTextThatIsNoNumber) {
    ExpectOkStores({
        {__LINE__, "00000001", {ClearField(), Type(IDC_VALUE_DATA, "a"), ClickBase(true), ExpectField("10")},
         true, "0000000a"},
        {__LINE__, "zz", {ExpectField("")}, false, "zz"},
        {__LINE__, "4294967295", {ExpectField("")}, false, "4294967295"},
        {__LINE__, "0000002a",
         {ClearField(), Paste("zz"), ClickBase(true), ExpectField("zz"), ExpectBase(false), ClearField(),
          Type(IDC_VALUE_DATA, "b")},
         true, "0000000b"},
    }, Dword, Stored);
}

// Both editors open in the base the last one was closed in with OK.
TEST(NumberEditor, OpensInTheBaseTheLastOneWasClosedInWithOk) {
    struct FakeSettings : editors::EditorSettings {
        mutable bool decimal = false;
        bool ReadDecimalBase() const override { return decimal; }
        void StoreDecimalBase(bool value) const override { decimal = value; }
    } settings;
    editors::SetEditorSettings(&settings);
    for (const Width* width : kWidths) {
        SCOPED_TRACE(width->name);
        auto value = width->make(0x1F);
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectBase(false), ClickBase(true), Press(IDOK)}), false));
        EXPECT_TRUE(settings.decimal);
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectBase(true), ExpectField("31"), Press(IDCANCEL)}), false));
        EXPECT_TRUE(settings.decimal);
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectBase(true), ClickBase(false), ExpectField("1f"), Press(IDOK)}),
                           false));
        EXPECT_FALSE(settings.decimal);
    }
    editors::SetEditorSettings(nullptr);
}
