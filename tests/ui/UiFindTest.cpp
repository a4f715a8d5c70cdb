// Find, Find Next and Find All on the real program: the dialog's boxes from
// the stored flags, hits in key names inside branches never expanded, hits in
// values shown in the list, the end message without wrap-around, the flags
// stored when the window closes; Find All's results window, its rows, a
// double-click on one, and Abort in a long search.
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

void StoreFindFlags(DWORD flags) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "FindFlags", REG_DWORD, &flags, sizeof flags),
              ERROR_SUCCESS);
}

std::string SelectedKey(HWND tree) {
    for (const auto& item : harness::TreeItems(tree))
        if (item.selected) return item.text;
    return "";
}


// Opens the Find dialog, checks that its boxes show `shown`, fills in the
// text and the boxes of `flags` and presses Find Next (or `button`).
void FindWith(harness::App& app, const std::string& text, unsigned flags, unsigned shown, int button = IDOK) {
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
    ASSERT_TRUE(harness::PressButton(dialog, button));
    harness::WaitGone(dialog);
}

// Find All of the text; the results window once its status line says `status`.
HWND FindAll(harness::App& app, const std::string& text, unsigned flags, unsigned shown, const std::string& status) {
    FindWith(app, text, flags, shown, IDC_FIND_ALL);
    HWND results = harness::WaitForWindow(app.Pid(), "#32770", ("Find All: " + text).c_str());
    if (results && !status.empty()) {
        HWND line = harness::Descendant(results, IDC_FIND_RESULTS_STATUS);
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(line) == status; }))
            << harness::WindowText(line);
    }
    return results;
}

}  // namespace

TEST(FindUi, FindsKeysAndValuesAfterTheSelectionAndEndsWithTheMessage) {
    StoreFindFlags(6);
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

// The firewall export of the report: six values hold NOTEPAD.EXE in two keys,
// one of them deep in a branch never expanded.
TEST(FindUi, FindAllListsEveryHitAndADoubleClickOrEnterSelectsIt) {
    const char file[] =
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Firewall]\r\n"
        "\"Tool\"=\"notepad.exe\"\r\n\"Other\"=\"calc.exe\"\r\n\"Editor\"=\"NOTEPAD.EXE /a\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Firewall\\Rules\\Deep\\Apps]\r\n"
        "@=\"notepad.exe\"\r\n\"x\"=dword:00000001\r\n\"Path\"=hex(2):6e,6f,74,65,70,61,64,2e,65,78,65,00\r\n"
        "\"Two\"=\"notepad.exe\"\r\n\"Three\"=\"c:\\\\notepad.exe\"\r\n\r\n";
    StoreFindFlags(1);
    harness::Session s;
    ASSERT_TRUE(s.Start("firewall.reg", file));
    harness::App& app = s.app;
    HWND results = FindAll(app, "notepad.exe", 4, 1, "6 hits");
    ASSERT_NE(results, nullptr);
    HWND list = harness::Descendant(results, IDC_FIND_RESULTS_LIST);
    const std::string apps = "HKEY_LOCAL_MACHINE\\Firewall\\Rules\\Deep\\Apps";
    std::vector<std::vector<std::string>> expected = {
        {"HKEY_LOCAL_MACHINE\\Firewall", "Tool", "REG_SZ", "notepad.exe"},
        {"HKEY_LOCAL_MACHINE\\Firewall", "Editor", "REG_SZ", "NOTEPAD.EXE /a"},
        {apps, "(Default)", "REG_SZ", "notepad.exe"},
        {apps, "Path", "REG_EXPAND_SZ", "notepad.exe"},
        {apps, "Two", "REG_SZ", "notepad.exe"},
        {apps, "Three", "REG_SZ", "c:\\notepad.exe"},
    };
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : harness::ListRows(list, 4)) rows.push_back(row.cells);
    EXPECT_EQ(rows, expected);
    harness::ScreenshotPainted(results, harness::ScratchPath("find-all.bmp"));
    // Export writes the rows as lines of text, the data whole.
    std::string exported = harness::ScratchPath("hits.txt");
    ASSERT_TRUE(harness::PressButton(results, IDC_FIND_RESULTS_EXPORT));
    ASSERT_TRUE(harness::AnswerFileDialog(app.Pid(), exported));
    EXPECT_TRUE(harness::WaitUntil([&] {
        return harness::ReadFileBytes(exported).rfind("HKEY_LOCAL_MACHINE\\Firewall\tTool\tREG_SZ\tnotepad.exe\r\n"
                                                      "HKEY_LOCAL_MACHINE\\Firewall\tEditor\t", 0) == 0;
    })) << harness::ReadFileBytes(exported);

    // A double-click on a hit in the branch never expanded selects its key
    // and its value; the results keep the keyboard.
    RECT cell{LVIR_LABEL, 0, 0, 0};
    harness::SendWithBuffer(list, LVM_GETITEMRECT, 3, &cell, sizeof cell);
    LPARAM at = MAKELPARAM(cell.left + 4, cell.top + 2);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    auto selectedValue = [&] {
        for (const auto& row : harness::ListRows(s.list, 1))
            if (row.selected) return row.cells[0];
        return std::string();
    };
    EXPECT_TRUE(harness::WaitUntil([&] { return SelectedKey(s.tree) == "Apps" && selectedValue() == "Path"; }))
        << SelectedKey(s.tree) << " " << selectedValue();

    // Find Next from there visits the next hit in the same key.
    app.PostCommand(ID_EDIT_FIND_NEXT);
    EXPECT_TRUE(harness::WaitUntil([&] { return selectedValue() == "Two"; })) << selectedValue();
    // Two rows down in the results and Enter.
    for (WORD key : {VK_DOWN, VK_DOWN, VK_RETURN}) harness::PostKey(list, key);
    EXPECT_TRUE(harness::WaitUntil([&] { return selectedValue() == "Three"; })) << selectedValue();

    // Once keys are deleted, the hits may point at keys that are gone: the
    // list drops them when it next shows.
    ASSERT_TRUE(s.Select("HKEY_LOCAL_MACHINE\\Firewall\\Rules"));
    ASSERT_TRUE(s.Focus(s.tree));
    app.PostCommand(ID_EDIT_DELETE);
    ASSERT_TRUE(harness::AnswerBox(app.Pid(), IDYES));
    InvalidateRect(list, nullptr, TRUE);
    EXPECT_TRUE(harness::WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0; }));
    EXPECT_EQ(harness::WindowText(harness::Descendant(results, IDC_FIND_RESULTS_STATUS)),
              "Keys were deleted since the search. Press Find All again.");
    PostMessageA(app.Frame(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(harness::AnswerBox(app.Pid(), IDNO));  // the changes are not saved
    EXPECT_EQ(app.WaitExit(), 0u);
}

// Abort in a long search: the hits found until then stay, and the document
// window is usable again.
TEST(FindUi, AbortStopsFindAllMidwayAndKeepsItsHits) {
    std::string file = "REGEDIT4\r\n\r\n";
    const int keys = 300000;
    for (int i = 0; i < keys; ++i)
        file += "[HKEY_USERS\\Branch\\Key" + std::to_string(i) +
                "]\r\n\"Path\"=hex(2):25,54,45,4d,50,25,00\r\n\"List\"=hex(7):61,00,62,00,00\r\n\r\n";
    StoreFindFlags(1);
    harness::Session s;
    ASSERT_TRUE(s.Start("long.reg", file));
    HWND results = FindAll(s.app, "%temp%", 7, 1, "");
    ASSERT_NE(results, nullptr);
    HWND list = harness::Descendant(results, IDC_FIND_RESULTS_LIST);
    ASSERT_TRUE(harness::WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }));
    ASSERT_TRUE(harness::PressButton(results, IDC_FIND_RESULTS_ABORT));
    HWND line = harness::Descendant(results, IDC_FIND_RESULTS_STATUS);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(line).rfind("Stopped: ", 0) == 0; }))
        << harness::WindowText(line);
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowEnabled(s.app.Frame()) != FALSE; }));
    auto shown = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    EXPECT_GT(shown, 0);
    EXPECT_LT(shown, keys);
    EXPECT_EQ(harness::WindowText(line), "Stopped: " + std::to_string(shown) + " hits until then");
    EXPECT_FALSE(IsWindowEnabled(harness::Descendant(results, IDC_FIND_RESULTS_ABORT)));
    ASSERT_TRUE(s.app.Close());
}
