// Multi-string editor (dialog 271): decoding into items, Add, Edit, Delete,
// label edits, the context menu and the data stored at OK.
#include "DialogScript.h"
#include "TestValues.h"
#include "editors/ValueEditors.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace test;

namespace {

HWND List() { return EditorControl(IDC_STRING_LIST); }

Step ExpectItems(std::vector<std::string> expected) {
    return Do([expected] {
        std::vector<std::string> items;
        for (auto& row : harness::ListRows(List(), 1)) items.push_back(row.cells[0]);
        EXPECT_EQ(items, expected);
    });
}

// index -1: every item.
Step SelectItem(int index) {
    return Do([index] {
        LVITEMA item{};
        // Only one item can have the focus.
        item.stateMask = index < 0 ? LVIS_SELECTED : LVIS_SELECTED | LVIS_FOCUSED;
        item.state = item.stateMask;
        SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    });
}

HWND LabelEditor() { return reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETEDITCONTROL, 0, 0)); }

Step WaitForLabelEditor() {
    return WaitFor([] { return LabelEditor() != nullptr; });
}
Step FinishLabel(std::string text) {
    return Do([text] {
        HWND editor = LabelEditor();
        SetWindowTextA(editor, text.c_str());
        SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
    });
}
Step CancelLabel() {
    return Do([] { SendMessageA(LabelEditor(), WM_KEYDOWN, VK_ESCAPE, 1); });
}
Step WaitForNoLabelEditor() {
    return WaitFor([] { return LabelEditor() == nullptr; });
}

std::unique_ptr<ValueEntry> Multi(const char* hex, RegDialect dialect = kRegedit4) {
    return ParseValue(std::string("\"M\"=hex(7):") + hex, dialect);
}

const std::string& HexOf(std::unique_ptr<ValueEntry>& value) { return As<MultiStringValue>(value).GetHexData(); }

}  // namespace

// The Delete button counts as a change even when the answer is No; OK then
// stores the same data, an item longer than the first read buffer whole.
TEST(MultiStringEditor, OpensOneItemPerStringAndStoresTheSameDataAfterAChange) {
    std::string longHex;
    // Lines broken as the registry editor breaks them after "M"=hex(7):
    for (int i = 0; i < 700; ++i) longHex += i == 0 ? "71" : i < 22 || (i - 22) % 25 ? ",71" : ",\\\r\n  71";
    struct Case { std::string hex; std::vector<std::string> items; };
    for (const Case& c : {Case{"61,62,00,63,00,00", {"ab", "c"}}, Case{longHex + ",00,00", {std::string(700, 'q')}}}) {
        auto value = Multi(c.hex.c_str());
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectItems(c.items), SelectItem(0), Press(IDC_STRING_DELETE),
                                              Answer(IDNO), ExpectItems(c.items), Press(IDOK)}),
                           true));
        EXPECT_EQ(HexOf(value), c.hex);
        EXPECT_EQ(As<MultiStringValue>(value).GetDialect(), kRegedit4);
    }
}

TEST(MultiStringEditor, DecodesEveryStringOfTheData) {
    struct Case { const char* hex; RegDialect dialect; std::vector<std::string> items; };
    const Case cases[] = {
        {"61,00,62,00,00,00,00,00", kRegedit5, {"ab"}},
        // Empty strings inside the data are not listed.
        {"61,00,00,62,00,00", kRegedit4, {"a", "b"}},
        // A last string without its zero is still shown, so OK cannot drop it.
        {"61,62,00", kRegedit4, {"ab"}},
        {"61,62", kRegedit4, {"ab"}},
        {"41,\\\r\n  42,00,00", kRegedit4, {"AB"}},
        {"", kRegedit4, {}},
    };
    for (const Case& c : cases) {
        auto value = Multi(c.hex, c.dialect);
        ASSERT_TRUE(value) << c.hex;
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectItems(c.items), Press(IDCANCEL)}), false)) << c.hex;
        EXPECT_EQ(HexOf(value), c.hex);
    }
}

// What OK stores after the steps: the dialect-4 form of every item kept.
TEST(MultiStringEditor, WhatOkStores) {
    struct Case { int line; const char* hex; RegDialect dialect; std::vector<Step> steps; const char* stored; };
    const std::vector<Case> cases = {
        // A changed dialect-5 value is stored in dialect 4.
        {__LINE__, "61,00,62,00,00,00,00,00", kRegedit5,
         {Press(IDC_STRING_ADD), WaitForLabelEditor(), FinishLabel("c"), WaitForNoLabelEditor(),
          ExpectItems({"ab", "c"})},
         "61,62,00,63,00,00"},
        // Escape keeps the new item under its proposed name.
        {__LINE__, "", kRegedit4,
         {Press(IDC_STRING_ADD), WaitForLabelEditor(), CancelLabel(), WaitForNoLabelEditor(),
          ExpectItems({"New Item"})},
         "4e,65,77,20,49,74,65,6d,00,00"},
        // Set directly: Wine's list view reports a label emptied in place as
        // a cancelled edit, where Windows hands over the empty text.
        {__LINE__, "61,00,62,00,00", kRegedit4,
         {Do([] {
              LVITEMA item{};
              item.pszText = const_cast<char*>("");
              SendMessageA(List(), LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
          }),
          SelectItem(0), Press(IDC_STRING_DELETE), Answer(IDNO), ExpectItems({"", "b"})},
         "62,00,00"},
        {__LINE__, "61,00,62,00,00", kRegedit4,
         {SelectItem(-1), PostKey(IDC_STRING_LIST, VK_DELETE), Answer(IDYES), ExpectItems({})}, ""},
        // 23 characters: a continuation after 22.
        {__LINE__, "", kRegedit4,
         {Press(IDC_STRING_ADD), WaitForLabelEditor(), FinishLabel("abcdefghijklmnopqrstuvw"), WaitForNoLabelEditor()},
         "61,62,63,64,65,66,67,68,69,6a,6b,6c,6d,6e,6f,70,71,72,73,74,75,76,\\\r\n  77,00,00"},
    };
    for (const Case& c : cases) {
        auto value = Multi(c.hex, c.dialect);
        std::vector<Step> steps = c.steps;
        steps.push_back(Press(IDOK));
        EXPECT_TRUE(Played(RunEditor(*value, steps), true)) << "case at line " << c.line;
        EXPECT_EQ(HexOf(value), c.stored) << "case at line " << c.line;
        EXPECT_EQ(As<MultiStringValue>(value).GetDialect(), kRegedit4) << "case at line " << c.line;
    }
}

TEST(MultiStringEditor, EnterInTheLabelEditorDoesNotCloseTheDialog) {
    auto value = Multi("61,00,00");
    EXPECT_TRUE(Played(RunEditor(*value, {Do([] { SetFocus(List()); }), Key(IDC_STRING_LIST, VK_INSERT),
                                          WaitForLabelEditor(), Do([] {
                                              HWND editor = LabelEditor();
                                              SetWindowTextA(editor, "typed");
                                              // Through the dialog's loop, where IsDialogMessage
                                              // turns Enter into the OK command.
                                              PostMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
                                              PostMessageA(editor, WM_KEYUP, VK_RETURN, 0xC0000001);
                                          }),
                                          WaitForNoLabelEditor(), ExpectItems({"a", "typed"}), Press(IDOK)}),
                       true));
    EXPECT_EQ(HexOf(value), "61,00,74,79,70,65,64,00,00");
}

TEST(MultiStringEditor, DeleteKeyAnsweredNoIsNoChangeButTheButtonIs) {
    struct Case { bool button; bool edited; };
    for (Case c : {Case{false, false}, Case{true, true}}) {
        auto value = Multi("61,00,62,00,00");
        Step remove = c.button ? Press(IDC_STRING_DELETE) : PostKey(IDC_STRING_LIST, VK_DELETE);
        EXPECT_TRUE(Played(RunEditor(*value, {SelectItem(1), remove, Answer(IDNO), ExpectItems({"a", "b"}), Press(IDOK)}),
                           c.edited))
            << "button " << c.button;
        EXPECT_EQ(HexOf(value), "61,00,62,00,00");
    }
}

TEST(MultiStringEditor, EditAndDeleteButtonsFollowTheSelection) {
    auto value = Multi("61,00,00");
    auto enabled = [](int id) { return IsWindowEnabled(EditorControl(id)) != FALSE; };
    EXPECT_TRUE(Played(RunEditor(*value, {Do([&] { EXPECT_FALSE(enabled(IDC_STRING_EDIT) || enabled(IDC_STRING_DELETE)); }),
                                          SelectItem(0),
                                          Do([&] { EXPECT_TRUE(enabled(IDC_STRING_EDIT) && enabled(IDC_STRING_DELETE)); }),
                                          Press(IDCANCEL)}),
                       false));
}

TEST(MultiStringEditor, ContextMenuWithoutAFrameIsTrackedByTheDialog) {
    auto value = Multi("61,00,00");
    auto menuShown = [] {
        HWND menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
    };
    EXPECT_TRUE(Played(RunEditor(*value, {Do([] {
                                              PostMessageA(GetParent(List()), WM_CONTEXTMENU,
                                                           reinterpret_cast<WPARAM>(List()), MAKELPARAM(-1, -1));
                                          }),
                                          WaitFor(menuShown), Do([] { EndMenu(); }), Press(IDCANCEL)}),
                       false));
}
