// Multi-string editor (dialog 271): decoding into items, Add, Edit, Delete,
// label edits, the context menu and the data stored at OK.
#include "DialogScript.h"
#include "TestValues.h"
#include "editors/ValueEditors.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace test;

namespace {

HWND List() { return EditorControl(IDC_STRING_LIST); }

std::vector<std::string> ListItems() {
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[512] = "";
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        items.push_back(text);
    }
    return items;
}

Step ExpectItems(std::vector<std::string> expected) {
    return Do([expected] { EXPECT_EQ(ListItems(), expected); });
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

// Types a label into the open label editor and ends it with Enter, through
// the dialog's message loop as a real key press would come.
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

TEST(MultiStringEditor, OpensOneItemPerStringAndStoresTheSameDataAfterAChange) {
    auto value = Multi("61,62,00,63,00,00");
    ScriptResult run = RunEditor(*value, {ExpectItems({"ab", "c"}), SelectItem(0), Press(IDC_STRING_DELETE),
                                          Answer(IDNO), ExpectItems({"ab", "c"}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    // The Delete button counts as a change even when the answer is No.
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "61,62,00,63,00,00");
    EXPECT_EQ(As<MultiStringValue>(value).GetDialect(), kRegedit4);
}

TEST(MultiStringEditor, DecodesEveryStringOfTheData) {
    struct Case {
        const char* hex;
        RegDialect dialect;
        std::vector<std::string> items;
    };
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
        ScriptResult run = RunEditor(*value, {ExpectItems(c.items), Press(IDCANCEL)});
        EXPECT_TRUE(run.completed) << c.hex << ": " << run.failure;
        EXPECT_EQ(HexOf(value), c.hex);
    }
}

TEST(MultiStringEditor, ItemsLongerThanTheFirstReadBufferComeBackWhole) {
    std::string text(700, 'q');
    std::string hex;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0) hex += ",";
        if (i > 0 && i % 22 == 0) hex += "\\\r\n  ";
        hex += "71";
    }
    hex += ",00,00";
    auto value = Multi(hex.c_str());
    ScriptResult run = RunEditor(*value, {SelectItem(0), Press(IDC_STRING_DELETE), Answer(IDNO), Press(IDOK)});
    EXPECT_TRUE(run.edited) << run.failure;
    EXPECT_EQ(HexOf(value), hex);
}

TEST(MultiStringEditor, Dialect5ValueIsStoredAsDialect4AfterAChange) {
    auto value = Multi("61,00,62,00,00,00,00,00", kRegedit5);
    ScriptResult run = RunEditor(*value, {Press(IDC_STRING_ADD), WaitForLabelEditor(), FinishLabel("c"),
                                          WaitForNoLabelEditor(), ExpectItems({"ab", "c"}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "61,62,00,63,00,00");
    EXPECT_EQ(As<MultiStringValue>(value).GetDialect(), kRegedit4);
    EXPECT_EQ(Written(*value), "\"M\"=hex(7):61,62,00,63,00,00\r\n");
}

TEST(MultiStringEditor, AddThenEscapeKeepsNewItem) {
    auto value = Multi("");
    ScriptResult run = RunEditor(*value, {Press(IDC_STRING_ADD), WaitForLabelEditor(), CancelLabel(),
                                          WaitForNoLabelEditor(), ExpectItems({"New Item"}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "4e,65,77,20,49,74,65,6d,00,00");
}

TEST(MultiStringEditor, EnterInTheLabelEditorDoesNotCloseTheDialog) {
    auto value = Multi("61,00,00");
    ScriptResult run = RunEditor(
        *value, {Do([] { SetFocus(List()); }), Key(IDC_STRING_LIST, VK_INSERT), WaitForLabelEditor(),
                 Do([] {
                     HWND editor = LabelEditor();
                     SetWindowTextA(editor, "typed");
                     // Through the dialog's loop, where IsDialogMessage turns
                     // Enter into the OK command.
                     PostMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
                     PostMessageA(editor, WM_KEYUP, VK_RETURN, 0xC0000001);
                 }),
                 WaitForNoLabelEditor(), ExpectItems({"a", "typed"}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "61,00,74,79,70,65,64,00,00");
}

TEST(MultiStringEditor, EmptyItemsAreDroppedAtOk) {
    auto value = Multi("61,00,62,00,00");
    // Set directly: Wine's list view reports a label emptied in place as a
    // cancelled edit, where Windows hands over the empty text.
    ScriptResult run = RunEditor(*value, {Do([] {
                                              LVITEMA item{};
                                              item.pszText = const_cast<char*>("");
                                              SendMessageA(List(), LVM_SETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&item));
                                          }),
                                          SelectItem(0), Press(IDC_STRING_DELETE), Answer(IDNO),
                                          ExpectItems({"", "b"}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "62,00,00");
}

TEST(MultiStringEditor, DeletingEveryItemStoresEmptyData) {
    auto value = Multi("61,00,62,00,00");
    ScriptResult run = RunEditor(*value, {SelectItem(-1), PostKey(IDC_STRING_LIST, VK_DELETE), Answer(IDYES),
                                          ExpectItems({}), Press(IDOK)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_TRUE(run.edited);
    EXPECT_EQ(HexOf(value), "");
}

TEST(MultiStringEditor, DeleteKeyAnsweredNoIsNoChangeButTheButtonIs) {
    struct Case {
        bool button;
        bool edited;
    };
    for (Case c : {Case{false, false}, Case{true, true}}) {
        auto value = Multi("61,00,62,00,00");
        Step remove = c.button ? Press(IDC_STRING_DELETE) : PostKey(IDC_STRING_LIST, VK_DELETE);
        ScriptResult run = RunEditor(*value, {SelectItem(1), remove, Answer(IDNO), ExpectItems({"a", "b"}), Press(IDOK)});
        EXPECT_TRUE(run.completed) << c.button << ": " << run.failure;
        EXPECT_EQ(run.edited, c.edited) << "button " << c.button;
        EXPECT_EQ(HexOf(value), "61,00,62,00,00");
    }
}

TEST(MultiStringEditor, LongStringsGetAContinuationEvery22Characters) {
    auto value = Multi("");
    std::string text = "abcdefghijklmnopqrstuvw";  // 23 characters
    ScriptResult run = RunEditor(*value, {Press(IDC_STRING_ADD), WaitForLabelEditor(), FinishLabel(text),
                                          WaitForNoLabelEditor(), Press(IDOK)});
    EXPECT_TRUE(run.edited) << run.failure;
    std::string expected;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0) expected += ",";
        if (i == 22) expected += "\\\r\n  ";
        char digits[3];
        snprintf(digits, sizeof digits, "%02x", text[i]);
        expected += digits;
    }
    expected += ",00,00";
    EXPECT_EQ(HexOf(value), expected);
}

TEST(MultiStringEditor, EditAndDeleteButtonsFollowTheSelection) {
    auto value = Multi("61,00,00");
    auto enabled = [](int id) { return IsWindowEnabled(EditorControl(id)) != FALSE; };
    ScriptResult run = RunEditor(*value, {Do([&] {
                                              EXPECT_FALSE(enabled(IDC_STRING_EDIT));
                                              EXPECT_FALSE(enabled(IDC_STRING_DELETE));
                                          }),
                                          SelectItem(0), Do([&] {
                                              EXPECT_TRUE(enabled(IDC_STRING_EDIT));
                                              EXPECT_TRUE(enabled(IDC_STRING_DELETE));
                                          }),
                                          Press(IDCANCEL)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_FALSE(run.edited);
}

namespace {
struct TrackedMenu {
    bool shown = false;
    bool editEnabled = false;
    bool deleteEnabled = false;
    UINT answer = 0;
};
TrackedMenu g_menu;

UINT FakeCommandBar(HMENU popup, int, int, HWND) {
    g_menu.shown = true;
    g_menu.editEnabled = !(GetMenuState(popup, ID_MULTISTRING_EDIT, MF_BYCOMMAND) & MF_GRAYED);
    g_menu.deleteEnabled = !(GetMenuState(popup, ID_MULTISTRING_DELETE, MF_BYCOMMAND) & MF_GRAYED);
    return g_menu.answer;
}
}  // namespace

TEST(MultiStringEditor, ContextMenuAsksTheOwnerAndRunsTheChosenCommand) {
    struct Case {
        bool select;
        UINT answer;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {false, ID_MULTISTRING_ADD, {"a", "New Item"}},
        {true, ID_MULTISTRING_DELETE, {}},
        {true, 0, {"a"}},
    };
    editors::SetContextMenuTracker(FakeCommandBar);
    for (const Case& c : cases) {
        auto value = Multi("61,00,00");
        g_menu = {};
        g_menu.answer = c.answer;
        EnableMessages().clear();
        std::vector<Step> steps;
        if (c.select) steps.push_back(SelectItem(0));
        steps.push_back(Do([] {
            HWND list = List();
            POINT at{10, 10};
            ClientToScreen(list, &at);
            SendMessageA(GetParent(list), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
        }));
        if (c.answer == ID_MULTISTRING_DELETE) steps.push_back(Answer(IDYES));
        if (c.answer == ID_MULTISTRING_ADD) {
            steps.push_back(WaitForLabelEditor());
            steps.push_back(CancelLabel());
        }
        steps.push_back(WaitFor([] { return LabelEditor() == nullptr; }));
        steps.push_back(ExpectItems(c.items));
        steps.push_back(Press(IDCANCEL));
        ScriptResult run = RunEditor(*value, steps);
        EXPECT_TRUE(run.completed) << c.answer << ": " << run.failure;
        EXPECT_TRUE(g_menu.shown);
        EXPECT_EQ(g_menu.editEnabled, c.select);
        EXPECT_EQ(g_menu.deleteEnabled, c.select);
        ASSERT_EQ(EnableMessages().size(), 2u);
        EXPECT_EQ(EnableMessages()[0].command, static_cast<WPARAM>(ID_MULTISTRING_EDIT));
        EXPECT_EQ(EnableMessages()[1].command, static_cast<WPARAM>(ID_MULTISTRING_DELETE));
        EXPECT_EQ(EnableMessages()[0].enable != 0, c.select);
        EXPECT_EQ(EnableMessages()[1].enable != 0, c.select);
    }
    editors::SetContextMenuTracker(nullptr);
}

TEST(MultiStringEditor, ContextMenuWithoutAFrameIsTrackedByTheDialog) {
    auto value = Multi("61,00,00");
    auto menuShown = [] { return FindWindowA("#32768", nullptr) != nullptr && IsWindowVisible(FindWindowA("#32768", nullptr)); };
    ScriptResult run = RunEditor(*value, {Do([] {
                                              HWND list = List();
                                              PostMessageA(GetParent(list), WM_CONTEXTMENU,
                                                           reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
                                          }),
                                          WaitFor(menuShown),
                                          Do([] { EndMenu(); }), Press(IDCANCEL)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_FALSE(run.edited);
}
