// The editing and save commands inside the real program, driven from outside
// through the UI harness: menu, accelerators and context menus, the
// confirmations, the caption's "*", save as with each filter checked byte by
// byte, save failures and the save-changes question.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

using harness::ReadFileBytes;
using harness::Utf16;

const char kReg4[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QuillonTest]\r\n"
    "\"Name\"=\"Value\"\r\n"
    "\"Exp\"=hex(2):25,41,25,00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub]\r\n"
    "\"Num\"=dword:0000002a\r\n"
    "\"Gone\"=\"x\"\r\n\r\n";

// A message box of the program: waits for it, checks caption and text when
// given, presses `button`.
::testing::AssertionResult Answer(harness::App& app, const char* caption, const std::string& text, int button) {
    auto box = harness::AnswerBox(app.Pid(), button);
    if (!box) return ::testing::AssertionFailure() << "no box for " << text;
    if (caption && box->caption != caption) return ::testing::AssertionFailure() << "caption \"" << box->caption << "\"";
    if (!text.empty() && box->text != text) return ::testing::AssertionFailure() << "text \"" << box->text << "\"";
    return ::testing::AssertionSuccess();
}

// The program started on a scratch copy of `text`.
struct Session : harness::Session {
    bool Start(const std::string& name, const std::string& text = kReg4) { return harness::Session::Start(name, text); }
    // The one change most tests make: a new DWORD value in Sub.
    bool AddDword() {
        if (!Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub")) return false;
        app.PostCommand(ID_EDIT_NEW_DWORD);
        EndLabelEdit();
        return RowNames().size() == 4;
    }
};

// kReg4 with the new DWORD value last, as it is saved: the section still ends with a blank line.
const std::string kSaved4 = std::string(kReg4, sizeof kReg4 - 3) + "\"New Value #1\"=dword:00000000\r\n\r\n";

const std::string kSaved5 =
    Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\QuillonTest]\r\n"
          "\"Name\"=\"Value\"\r\n"
          "\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub]\r\n"
          "\"Num\"=dword:0000002a\r\n"
          "\"Gone\"=\"x\"\r\n"
          "\"New Value #1\"=dword:00000000\r\n\r\n");

}  // namespace

TEST(EditUi, DeleteByAcceleratorAndContextMenuAsksFirst) {
    Session s;
    ASSERT_TRUE(s.Start("delete.reg"));
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub"));
    ASSERT_TRUE(s.Focus(s.tree));

    // Del on the tree: the key question, No keeps the key.
    harness::PressKey(VK_DELETE);
    EXPECT_TRUE(Answer(s.app, "Confirm Key Delete", "", IDNO));
    EXPECT_TRUE(harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub"));
    EXPECT_EQ(s.Caption(), "delete.reg-Quillon");

    // The context menu's Delete (the menu as the keyboard's menu key opens
    // it, on the selected key; D chooses Delete), Yes.
    PostMessageA(s.app.Frame(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(s.tree), MAKELPARAM(-1, -1));
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 1, 5000));
    harness::PressKey('D');
    EXPECT_TRUE(Answer(s.app, "Confirm Key Delete", "", IDYES));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return !harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub"); }, 5000));
    EXPECT_EQ(s.Caption(), "delete.reg*-Quillon");

    // Values: Ctrl+A then Del with the list focused asks the value question.
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Software\\QuillonTest"));
    ASSERT_TRUE(s.Focus(s.list));
    harness::PressKey('A', harness::kCtrl);
    EXPECT_TRUE(harness::WaitUntil([&] { return SendMessageA(s.list, LVM_GETSELECTEDCOUNT, 0, 0) == 3; }, 5000));
    harness::PressKey(VK_DELETE);
    EXPECT_TRUE(Answer(s.app, "Confirm Value Delete", "Are you sure you want to delete these values?", IDYES));
    EXPECT_TRUE(harness::WaitUntil([&] { return s.RowNames().size() == 1; }, 5000));

    // Ctrl+Z takes the deletes back one at a time: the values, then the
    // branch, shown and selected with its values; at the file's state the
    // caption loses its mark. Ctrl+Y deletes the branch again.
    const char* sub = "HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub";
    harness::PressKey('Z', harness::kCtrl);
    EXPECT_TRUE(harness::WaitUntil([&] { return s.RowNames().size() == 3; }, 5000));
    harness::PressKey('Z', harness::kCtrl);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::TreeFind(s.tree, sub) != nullptr; }, 5000));
    EXPECT_TRUE(harness::WaitUntil([&] { return s.RowNames().size() == 3 && s.RowNames()[1] == "Num"; }, 5000));
    EXPECT_EQ(s.Caption(), "delete.reg-Quillon");
    harness::PressKey('Y', harness::kCtrl);
    EXPECT_TRUE(harness::WaitUntil([&] { return !harness::TreeFind(s.tree, sub); }, 5000));
    EXPECT_EQ(s.Caption(), "delete.reg*-Quillon");
    s.app.Terminate();
}

TEST(SaveUi, SaveAsWithEachFilterWritesItsFormat) {
    struct Case { int filter; const std::string* expected; const char* name; } cases[] = {
        {1, &kSaved5, "as1.reg"}, {2, &kSaved4, "as2.reg"}, {3, &kSaved5, "as3.reg"}};
    Session s;
    ASSERT_TRUE(s.Start("saveas.reg"));
    ASSERT_TRUE(s.AddDword());
    EXPECT_EQ(s.Caption(), "saveas.reg*-Quillon");
    int previous = 2;  // the file is REGEDIT4
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        std::string target = harness::ScratchPath(c.name);
        DeleteFileA(target.c_str());
        s.app.PostCommand(ID_FILE_SAVE_AS);
        int start = 0;
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), target, c.filter, &start));
        // The dialog comes up on the REGEDIT4 filter exactly for a REGEDIT4 document.
        EXPECT_EQ(start, previous == 2 ? 2 : 1);
        previous = c.filter;
        ASSERT_TRUE(harness::WaitUntil([&] { return s.Caption() == std::string(c.name) + "-Quillon"; }, 10000))
            << s.Caption();
        EXPECT_EQ(ReadFileBytes(target), *c.expected);
    }
    // Save now writes the last format to the last name.
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Software\\QuillonTest"));
    s.app.PostCommand(ID_EDIT_NEW_KEY);
    s.EndLabelEdit();
    EXPECT_EQ(s.Caption(), "as3.reg*-Quillon");
    ASSERT_TRUE(s.Focus(s.tree));
    harness::PressKey('S', harness::kCtrl);
    ASSERT_TRUE(harness::WaitUntil([&] { return s.Caption() == "as3.reg-Quillon"; }, 10000));
    std::string bytes = ReadFileBytes(harness::ScratchPath("as3.reg"));
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4));
    EXPECT_NE(harness::Narrow(bytes).find("[HKEY_CURRENT_USER\\Software\\QuillonTest\\New Key #0]\r\n\r\n"),
              std::string::npos);
    s.app.Terminate();
}

// A change enables Save; once the document's folder is gone Save fails with
// the error box, which gives the system's reason and offers save as; No
// creates nothing and keeps the "*" (a read-only file fails the same way:
// SaveCommands.QuerySaveFailingOnYesSaysSoAndStops). A save
// that works writes a REGEDIT4 document as REGEDIT4: the save-changes test's
// Exit.
TEST(SaveUi, AFailedSaveLeavesTheDocumentModified) {
    std::string dir = harness::ScratchPath("gone");
    CreateDirectoryA(dir.c_str(), nullptr);
    Session s;
    ASSERT_TRUE(s.Start("gone\\doc.reg"));
    ASSERT_TRUE(s.AddDword());
    EXPECT_TRUE(harness::MenuEnabled(s.app.Frame(), ID_FILE_SAVE));
    ASSERT_TRUE(DeleteFileA(s.path.c_str()));
    ASSERT_TRUE(RemoveDirectoryA(dir.c_str()));
    s.app.PostCommand(ID_FILE_SAVE);
    EXPECT_TRUE(Answer(s.app, "",
                       "Error writing file!\n\"doc.reg\"\n\n" + harness::SystemText(ERROR_PATH_NOT_FOUND) +
                           "\n\nDo you want to save the document under another name?",
                       IDNO));
    EXPECT_EQ(GetFileAttributesA(s.path.c_str()), INVALID_FILE_ATTRIBUTES) << "no file appears";
    EXPECT_EQ(s.Caption(), "doc.reg*-Quillon");
    s.app.Terminate();
}

// The save-changes question comes before whatever would drop the changes:
// Cancel keeps them, No drops them unwritten, Yes writes them first.
TEST(SaveUi, SaveChangesQuestionBeforeCloseNewOpenAndExitButNotImport) {
    std::string other = harness::ScratchPath("other.reg");
    ASSERT_TRUE(harness::WriteFile(other, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"A\"=\"b\"\r\n\r\n"));
    const std::string question = "Do you want to save the changes to q.reg?";
    auto hasOther = [](Session& s) { return harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Software\\Other") != nullptr; };
    {
        Session s;
        ASSERT_TRUE(s.Start("q.reg"));
        ASSERT_TRUE(s.AddDword());
        PostMessageA(s.app.Frame(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(Answer(s.app, "Quillon", question, IDCANCEL));
        // Open answered with Cancel offers save as; cancelling that too keeps the document.
        s.app.PostCommand(ID_FILE_OPEN);
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), other));
        EXPECT_TRUE(Answer(s.app, "Quillon", question, IDCANCEL));
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), ""));
        harness::Sync(s.app.Frame());
        EXPECT_TRUE(s.app.Running());
        EXPECT_EQ(s.Caption(), "q.reg*-Quillon");
        EXPECT_FALSE(hasOther(s));

        // Import merges into the document: no question.
        s.app.PostCommand(ID_FILE_IMPORT);
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), other));
        EXPECT_TRUE(harness::WaitUntil([&] { return hasOther(s); }, 10000));
        // The import's progress window may still be closing; a question would stay.
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::NoDialogNow(s.app.Frame()); }, 5000));
        s.app.PostCommand(ID_FILE_NEW);
        EXPECT_TRUE(Answer(s.app, "Quillon", question, IDNO));
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::TreeItems(s.tree).empty(); }, 5000));
        EXPECT_EQ(s.Caption(), "Untitled-Quillon");
        EXPECT_EQ(ReadFileBytes(s.path), kReg4);
        s.app.Terminate();
    }
    Session s;
    ASSERT_TRUE(s.Start("q.reg"));
    ASSERT_TRUE(s.AddDword());
    s.app.PostCommand(ID_APP_EXIT);
    EXPECT_TRUE(Answer(s.app, "Quillon", question, IDYES));
    EXPECT_EQ(s.app.WaitExit(), 0u);
    EXPECT_EQ(ReadFileBytes(s.path), kSaved4);
}

TEST(SaveUi, UntitledDocumentAsksForANameWhenClosing) {
    Session s;
    ASSERT_TRUE(s.StartEmpty());
    s.app.PostCommand(ID_EDIT_NEW_KEY);
    s.EndLabelEdit();
    EXPECT_EQ(s.Caption(), "Untitled*-Quillon");
    // Yes, then the save dialog cancelled: the window stays.
    PostMessageA(s.app.Frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Answer(s.app, "Quillon", "", IDYES));
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), "", 0));
    harness::Sync(s.app.Frame());
    EXPECT_TRUE(s.app.Running());
    EXPECT_EQ(s.Caption(), "Untitled*-Quillon");
    // Yes and a name: written as the system's dialect 5, then closed.
    std::string target = harness::ScratchPath("untitled.reg");
    DeleteFileA(target.c_str());
    PostMessageA(s.app.Frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Answer(s.app, "Quillon", "", IDYES));
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), target, 0));
    EXPECT_EQ(s.app.WaitExit(), 0u);
    EXPECT_EQ(ReadFileBytes(target),
              Utf16("Windows Registry Editor Version 5.00\r\n\r\n[New Key #0]\r\n\r\n"));
}

TEST(EditUi, ModifyEntryFollowsTheFocusAndContextMenusRunTheirCommands) {
    Session s;
    ASSERT_TRUE(s.Start("context.reg"));
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Software\\QuillonTest"));
    // The Edit menu has its Modify entry only while the list has the focus.
    auto hasModify = [&] { return harness::MenuState(s.app.Frame(), ID_EDIT_MODIFY, nullptr, nullptr); };
    ASSERT_TRUE(s.Focus(s.list));
    EXPECT_TRUE(harness::WaitUntil(hasModify, 5000));
    ASSERT_TRUE(s.Focus(s.tree));
    EXPECT_TRUE(harness::WaitUntil([&] { return !hasModify(); }, 5000));
    // New > Key on the key the menu is for.
    ASSERT_TRUE(s.ContextMenu(harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Software\\QuillonTest"), 'N'));
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 2, 5000));
    harness::PressKey('K');
    s.EndLabelEdit();
    EXPECT_TRUE(harness::TreeFind(s.tree, "HKEY_CURRENT_USER\\Software\\QuillonTest\\New Key #0"));
    EXPECT_EQ(s.Caption(), "context.reg*-Quillon");

    // Copy Key Name, of the key under the pointer rather than the selected one.
    const std::string sub = "HKEY_CURRENT_USER\\Software\\QuillonTest\\Sub";
    ASSERT_TRUE(s.ContextMenu(harness::TreeFind(s.tree, sub), 'K'));
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::ClipboardText() == sub; }, 5000)) << harness::ClipboardText();

    // The row menu's Delete asks the value question; No keeps the row.
    // Posted messages overtake input: the row must be selected before the
    // menu is asked for, or the menu is the one for no row; a key pressed
    // before the menu is up would go to the list instead.
    ASSERT_TRUE(s.Select(sub));
    ASSERT_TRUE(s.Focus(s.list));
    harness::PressKey(VK_END);
    ASSERT_TRUE(
        harness::WaitUntil([&] { return SendMessageA(s.list, LVM_GETNEXTITEM, -1, LVNI_SELECTED) == 2; }, 5000));
    PostMessageA(s.app.Frame(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(s.list), MAKELPARAM(-1, -1));
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 1, 5000));
    harness::PressKey('D');
    EXPECT_TRUE(Answer(s.app, "Confirm Value Delete", "", IDNO));
    EXPECT_EQ(s.RowNames(), (std::vector<std::string>{"(Default)", "Num", "Gone"}));
    s.app.Terminate();
}

