// Binary editor (dialog 103) and its hex area: the cell form, typing at each
// position kind, Delete and Backspace, the clipboard keys and the data stored.
#include "DialogScript.h"
#include "TestValues.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace test;

namespace {

std::unique_ptr<ValueEntry> Binary(const char* hex) { return ParseValue(std::string("\"B\"=hex:") + hex); }
const std::string& HexOf(std::unique_ptr<ValueEntry>& value) { return As<BinaryValue>(value).GetHexData(); }

Step Paste(std::string text) { return test::Paste(IDC_VALUE_DATA, text); }
std::string Stored(ValueEntry& value) { return static_cast<BinaryValue&>(value).GetHexData(); }

Step ExpectCaret(DWORD caret) {
    return Do([caret] {
        DWORD start, end;
        Selection(IDC_VALUE_DATA, start, end);
        EXPECT_EQ(start, caret);
        EXPECT_EQ(end, caret);
    });
}

struct EditCase { int line; const char* hex; DWORD start, end; std::vector<Step> action; const char* area; };

void RunEditCases(const std::vector<EditCase>& cases) {
    for (const EditCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        auto value = Binary(c.hex);
        std::vector<Step> steps{SetSelection(IDC_VALUE_DATA, c.start, c.end)};
        steps.insert(steps.end(), c.action.begin(), c.action.end());
        steps.push_back(ExpectText(IDC_VALUE_DATA, c.area));
        steps.push_back(Press(IDCANCEL));
        EXPECT_TRUE(Played(RunEditor(*value, steps), false));
        EXPECT_EQ(HexOf(value), c.hex) << "Cancel changed the value";
    }
}

}  // namespace

TEST(HexArea, OpensFileFormAsCells) {
    auto value = Binary("0a,ff,\\\r\n  10");
    EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_DATA, " 0A  FF  10 "), ExpectCaret(0), Press(IDOK)}),
                       false));
    EXPECT_EQ(HexOf(value), "0a,ff,\\\r\n  10");
}

TEST(HexArea, TypingInsertsWholeBytesAtEachPositionKindAndUndoCannotBreakThem) {
    RunEditCases({
        {__LINE__, "", 0, 0, {Type(IDC_VALUE_DATA, "1234"), ExpectCaret(8)}, " 12  34 "},
        {__LINE__, "12,34", 5, 5, {Type(IDC_VALUE_DATA, "5"), ExpectCaret(6)}, " 12  50  34 "},
        {__LINE__, "12,34", 5, 5, {Type(IDC_VALUE_DATA, "56"), ExpectCaret(8)}, " 12  56  34 "},
        {__LINE__, "12,34", 2, 2, {Type(IDC_VALUE_DATA, "9"), ExpectCaret(4)}, " 19  34 "},
        {__LINE__, "12,34", 3, 3, {Type(IDC_VALUE_DATA, "7"), ExpectCaret(6)}, " 12  70  34 "},
        {__LINE__, "12,34", 8, 8, {Type(IDC_VALUE_DATA, "ab")}, " 12  34  AB "},
        {__LINE__, "12,34,56", 0, 8, {Type(IDC_VALUE_DATA, "A")}, " A0  56 "},
        {__LINE__, "12,34,56", 1, 7, {Type(IDC_VALUE_DATA, "A")}, " A0  34  56 "},
        // Anything but a hex digit is dropped, control characters included.
        {__LINE__, "12", 0, 0, {Type(IDC_VALUE_DATA, "xz ,\t\x03\x16\x18")}, " 12 "},
        // Undo in any form cannot break the cells.
        {__LINE__, "12", 4, 4, {Type(IDC_VALUE_DATA, "3"), Do([] {
                                    SendMessageA(EditorControl(IDC_VALUE_DATA), WM_UNDO, 0, 0);
                                    SendMessageA(EditorControl(IDC_VALUE_DATA), EM_UNDO, 0, 0);
                                    // Alt+Backspace: context code bit set.
                                    SendMessageA(EditorControl(IDC_VALUE_DATA), WM_SYSKEYDOWN, VK_BACK, 0x20000001);
                                })},
         " 12  30 "},
    });
}

TEST(HexArea, DeleteBackspaceAndClearRemoveWholeCells) {
    RunEditCases({
        {__LINE__, "12,34,56", 5, 5, {Key(IDC_VALUE_DATA, VK_DELETE)}, " 12  56 "},
        {__LINE__, "12,34,56", 12, 12, {Key(IDC_VALUE_DATA, VK_DELETE)}, " 12  34  56 "},
        // A selection that ends on a cell boundary does not reach the next cell.
        {__LINE__, "12,34,56", 0, 8, {Key(IDC_VALUE_DATA, VK_DELETE)}, " 56 "},
        {__LINE__, "12,34,56", 1, 7, {Key(IDC_VALUE_DATA, VK_DELETE)}, " 56 "},
        {__LINE__, "12,34,56", 6, 6, {Key(IDC_VALUE_DATA, VK_BACK)}, " 12  56 "},
        {__LINE__, "12,34,56", 7, 7, {Key(IDC_VALUE_DATA, VK_BACK)}, " 12  56 "},
        {__LINE__, "12,34,56", 4, 4, {Key(IDC_VALUE_DATA, VK_BACK)}, " 34  56 "},
        {__LINE__, "12,34,56", 5, 5, {Key(IDC_VALUE_DATA, VK_BACK)}, " 34  56 "},
        {__LINE__, "12,34,56", 1, 1, {Key(IDC_VALUE_DATA, VK_BACK)}, " 12  34  56 "},
        {__LINE__, "12,34,56", 0, 0, {Key(IDC_VALUE_DATA, VK_BACK)}, " 12  34  56 "},
        {__LINE__, "12,34,56", 12, 12, {Key(IDC_VALUE_DATA, VK_BACK)}, " 12  34 "},
        {__LINE__, "12,34,56", 2, 10, {Key(IDC_VALUE_DATA, VK_BACK)}, ""},
        // Clear from the context menu.
        {__LINE__, "12,34,56", 9, 9, {Do([] { SendMessageA(EditorControl(IDC_VALUE_DATA), WM_CLEAR, 0, 0); })},
         " 12  34 "},
    });
}

TEST(HexArea, ClipboardKeysWorkOnWholeCells) {
    harness::SetClipboardText("unchanged");
    RunEditCases({
        // Ctrl+C, Ctrl+V and Ctrl+X arrive as characters and do nothing.
        {__LINE__, "12,34", 0, 8, {Type(IDC_VALUE_DATA, "\x03\x16\x18")}, " 12  34 "},
    });
    EXPECT_EQ(harness::ClipboardText(), "unchanged");

    // Ctrl+Insert copies the cell at the caret, Shift+Delete cuts the selected cells.
    RunEditCases({{__LINE__, "12,34,56", 5, 5, {Key(IDC_VALUE_DATA, VK_INSERT, false, true), WaitFor([] {
                                                    return harness::ClipboardText() != "unchanged";
                                                })},
                   " 12  34  56 "}});
    EXPECT_EQ(harness::ClipboardText(), " 34 ");
    RunEditCases({{__LINE__, "12,34,56", 2, 8, {Key(IDC_VALUE_DATA, VK_DELETE, true), WaitFor([] {
                                                    return ControlText(IDC_VALUE_DATA).size() == 4;
                                                })},
                   " 56 "}});
    EXPECT_EQ(harness::ClipboardText(), " 12  34 ");
    RunEditCases({
        {__LINE__, "12,34", 4, 4, {Do([] { harness::SetClipboardText("1,2,3"); }), Key(IDC_VALUE_DATA, VK_INSERT, true),
                                   WaitFor([] { return ControlText(IDC_VALUE_DATA).size() > 8; })},
         " 12  12  30  34 "},
        // Pasted between the digits of a byte: behind that byte, never
        // splitting it, so the bytes after the caret keep their pairing.
        {__LINE__, "12,34", 2, 2, {Do([] { harness::SetClipboardText("ff"); }), Key(IDC_VALUE_DATA, VK_INSERT, true),
                                   WaitFor([] { return ControlText(IDC_VALUE_DATA).size() > 8; })},
         " 12  FF  34 "},
        {__LINE__, "12,34,56", 5, 7, {Do([] { harness::SetClipboardText("\r\n0x9,a"); }), Key(IDC_VALUE_DATA, VK_INSERT, true),
                                      WaitFor([] { return ControlText(IDC_VALUE_DATA).find('9') != std::string::npos; })},
         " 12  09  A0  56 "},
    });
}

// After "B"=hex: the first line holds 23 bytes, as the registry editor writes it.
TEST(BinaryEditor, OkStoresLinesBrokenAsTheRegistryEditorBreaksThem) {
    auto value = Binary("");
    std::string typed, expected;
    for (int i = 0; i < 24; ++i) {
        char byte[3];
        snprintf(byte, sizeof byte, "%02X", i + 0xA0);
        typed += byte;
        if (i > 0) expected += ",";
        if (i == 23) expected += "\\\r\n  ";
        // Typed in capitals, stored in lower case as the registry editor writes.
        snprintf(byte, sizeof byte, "%02x", i + 0xA0);
        expected += byte;
    }
    EXPECT_TRUE(Played(RunEditor(*value, {Type(IDC_VALUE_DATA, typed), Press(IDOK)}), true));
    EXPECT_EQ(HexOf(value), expected);
    EXPECT_EQ(Written(*value).substr(0, 10), "\"B\"=hex:a0");
}

TEST(BinaryEditor, WhatOkStores) {
    ExpectOkStores({
        {__LINE__, "01,02", {}, false, "01,02"},
        {__LINE__, "01,02", {SetSelection(IDC_VALUE_DATA, 0, 8), Key(IDC_VALUE_DATA, VK_DELETE)}, true, ""},
        {__LINE__, "01,02", {SetSelection(IDC_VALUE_DATA, 8, 8), Type(IDC_VALUE_DATA, "c")}, true, "01,02,c0"},
        // A paste is a change of its own and keeps what was typed before it.
        {__LINE__, "01", {SetSelection(IDC_VALUE_DATA, 4, 4), Paste("0203")}, true, "01,02,03"},
        {__LINE__, "01", {SetSelection(IDC_VALUE_DATA, 4, 4), Paste("xyz, -")}, false, "01"},
        {__LINE__, "01", {SetSelection(IDC_VALUE_DATA, 4, 4), Type(IDC_VALUE_DATA, "ee"), Paste("ff")}, true, "01,ee,ff"},
    }, Binary, Stored);
}

TEST(BinaryEditor, TabEnterAndEscapeBelongToTheDialog) {
    auto value = Binary("01");
    Step focus = Do([] { SetFocus(EditorControl(IDC_VALUE_DATA)); });
    EXPECT_TRUE(Played(RunEditor(*value, {focus, PostKey(IDC_VALUE_DATA, VK_TAB),
                                          WaitFor([] { return GetFocus() != EditorControl(IDC_VALUE_DATA); }),
                                          ExpectText(IDC_VALUE_DATA, " 01 "), focus, SetSelection(IDC_VALUE_DATA, 4, 4),
                                          Type(IDC_VALUE_DATA, "2"), PostKey(IDC_VALUE_DATA, VK_RETURN)}),
                       true));
    EXPECT_EQ(HexOf(value), "01,20");
    EXPECT_TRUE(Played(RunEditor(*value, {focus, Type(IDC_VALUE_DATA, "3"), PostKey(IDC_VALUE_DATA, VK_ESCAPE)}), false));
    EXPECT_EQ(HexOf(value), "01,20");
}

TEST(BinaryEditor, LargeValuesTakeMoreBytes) {
    // 8,000 bytes are 32,000 characters of cells: beyond the edit control's
    // default limit.
    std::string hex;
    for (int i = 0; i < 8000; ++i) hex += i ? ",ab" : "ab";
    auto value = Binary(hex.c_str());
    EXPECT_TRUE(Played(RunEditor(*value, {SetSelection(IDC_VALUE_DATA, 32000, 32000), Type(IDC_VALUE_DATA, "cd"),
                                          Do([] { EXPECT_EQ(ControlText(IDC_VALUE_DATA).size(), 32004u); }),
                                          Press(IDOK)}),
                       true));
    const std::string& stored = HexOf(value);
    ASSERT_GE(stored.size(), 6u);
    EXPECT_EQ(stored.substr(stored.size() - 5), "ab,cd");
    EXPECT_EQ(std::count(stored.begin(), stored.end(), ','), 8000);
}
