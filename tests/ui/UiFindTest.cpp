// Find and Find Next on the real program: the dialog's boxes from the stored
// flags, hits in key names inside branches never expanded, hits in values
// shown in the list, the end message without wrap-around, the flags stored
// when the window closes.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

const char kFile[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\FindTest]\r\n"
    "\"Plain\"=\"nothing here\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\FindTest\\Deep\\Deeper\\Target Key]\r\n"
    "\"First\"=\"a\"\r\n"
    "\"Needle Value\"=\"b\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\FindTest\\Last]\r\n\r\n";

DWORD StoredFindFlags() {
    DWORD flags = 0, size = sizeof flags;
    RegGetValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "FindFlags", RRF_RT_REG_DWORD, nullptr, &flags, &size);
    return flags;
}

std::string SelectedKey(HWND tree) {
    for (const auto& item : harness::TreeItems(tree))
        if (item.selected) return item.text;
    return "";
}


// Opens the Find dialog, checks that its boxes show `shown`, fills in the
// text and the boxes of `flags` and presses Find Next.
void FindWith(harness::App& app, const std::string& text, unsigned flags, unsigned shown) {
    app.PostCommand(ID_EDIT_FIND);
    HWND dialog = harness::WaitForDialog(app.Pid());
    ASSERT_NE(dialog, nullptr);
    const std::pair<int, unsigned> boxes[] = {
        {IDC_FIND_KEYS, 1}, {IDC_FIND_VALUES, 2}, {IDC_FIND_DATA, 4}, {IDC_FIND_WHOLE, 8}};
    for (const auto& [box, bit] : boxes) {
        EXPECT_EQ(harness::Checked(dialog, box), (shown & bit) != 0) << "box " << box;
        SendMessageA(harness::Descendant(dialog, box), BM_SETCHECK, (flags & bit) ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    SendMessageA(harness::Descendant(dialog, IDC_FIND_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_TRUE(harness::PressButton(dialog, IDOK));
    harness::WaitGone(dialog);
}

}  // namespace

TEST(FindUi, FindsKeysAndValuesAfterTheSelectionAndEndsWithTheMessage) {
    DWORD six = 6;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "FindFlags", REG_DWORD, &six, sizeof six),
              ERROR_SUCCESS);
    harness::Session s;
    ASSERT_TRUE(s.Start("find.reg", kFile));
    harness::App& app = s.app;
    HWND tree = s.tree, list = s.list;

    // A key name inside a branch never expanded: its items are made and selected.
    FindWith(app, "target", 1, 6);
    EXPECT_TRUE(harness::WaitUntil([&] { return SelectedKey(tree) == "Target Key"; }));

    // A value name, from a key above: the key is selected and the value's row
    // too, in the list with the focus.
    ASSERT_TRUE(harness::TreeSelect(tree, harness::TreeFind(tree, "HKEY_CURRENT_USER\\Software\\FindTest")));
    FindWith(app, "needle", 2, 1);
    EXPECT_TRUE(harness::WaitUntil([&] {
        for (const auto& row : harness::ListRows(list, 1))
            if (row.selected) return row.cells[0] == "Needle Value";
        return false;
    }));
    EXPECT_EQ(SelectedKey(tree), "Target Key");
    EXPECT_EQ(harness::FocusOf(app.Frame()), list);

    // Find Next resumes after the key of the last hit: nothing more, the end
    // message, no wrap-around, the selection stays.
    app.PostCommand(ID_EDIT_FIND_NEXT);
    auto box = harness::AnswerBox(app.Pid(), IDOK);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Finished searching through the file.");
    EXPECT_EQ(box->caption, "Quillon");
    EXPECT_EQ(SelectedKey(tree), "Target Key");

    ASSERT_TRUE(app.Close());
    EXPECT_EQ(StoredFindFlags(), 2u);
}
