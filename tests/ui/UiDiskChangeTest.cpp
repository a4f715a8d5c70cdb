// A file changed on disk by another program, on the real program: the
// reload question when the frame is activated, the question before a save
// writes over the change, and the failed save or export that says why.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

using harness::ReadFileBytes;

const std::string kFirst =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\First]\r\n\"A\"=\"1\"\r\n\r\n";
// What the other program writes.
const std::string kSecond =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Second]\r\n\"B\"=\"2\"\r\n\r\n";

const char kFirstKey[] = "HKEY_CURRENT_USER\\Software\\First";
const char kSecondKey[] = "HKEY_CURRENT_USER\\Software\\Second";

std::string ReloadText(const std::string& path, bool modified) {
    return "The file " + path + " has been changed by another program.\n\n" +
           (modified ? "Reload it and lose your changes?" : "Reload it?");
}

std::string OverwriteText(const std::string& path) {
    return "The file " + path +
           " has been changed by another program since it was opened.\n\nOverwrite it with this document?";
}

const char kSaveAsOffer[] = "\n\nDo you want to save the document under another name?";

// A message box of the program: waits for it, checks caption and text,
// presses `button`.
::testing::AssertionResult Answer(harness::App& app, const std::string& caption, const std::string& text,
                                  int button) {
    auto box = harness::AnswerBox(app.Pid(), button);
    if (!box) return ::testing::AssertionFailure() << "no box for " << text;
    if (box->caption != caption) return ::testing::AssertionFailure() << "caption \"" << box->caption << "\"";
    if (box->text != text) return ::testing::AssertionFailure() << "text \"" << box->text << "\"";
    return ::testing::AssertionSuccess();
}

// The program started on a scratch file holding kFirst.
struct Session : harness::Session {
    bool Start(const std::string& name) { return harness::Session::Start(name, kFirst); }
    bool Has(const char* key) { return harness::TreeFind(tree, key) != nullptr; }
    // A change of the document: a new key under the first one.
    bool Change() {
        if (!Select(kFirstKey)) return false;
        app.PostCommand(ID_EDIT_NEW_KEY);
        EndLabelEdit();
        return Caption().find('*') != std::string::npos;
    }
    bool Save() {
        if (!Focus(tree)) return false;
        harness::PressKey('S', harness::kCtrl);
        return true;
    }
    // Waits until the save's worker is done and the caption has lost its "*".
    bool WaitSaved() {
        return harness::WaitUntil([&] { return Caption().find('*') == std::string::npos; }, 10000);
    }
};

}  // namespace

// Unmodified, Yes reloads in place; modified, No keeps the document and the
// same change is not asked about again; a deleted file is no change to ask
// about.
TEST(DiskChange, ActivationAsksToReloadAChangedFile) {
    Session s;
    ASSERT_TRUE(s.Start("reload.reg"));
    ASSERT_TRUE(harness::RewriteFile(s.path, kSecond));
    ASSERT_TRUE(harness::Reactivate(s.app.Frame()));
    HWND box = harness::WaitForMessageBox(s.app.Pid());
    ASSERT_TRUE(box);
    // For a person to look at; Wine may not have painted the box yet under load.
    harness::ScreenshotPainted(box, harness::ScratchPath("reload-question.bmp"));
    EXPECT_EQ(harness::WindowText(box), "Quillon");
    EXPECT_EQ(harness::MessageBoxText(box), ReloadText(s.path, false));
    harness::PressButton(box, IDYES);
    EXPECT_TRUE(harness::WaitUntil([&] { return s.Has(kSecondKey); }, 10000));
    EXPECT_FALSE(s.Has(kFirstKey));
    EXPECT_EQ(s.Caption(), "reload.reg-Quillon");
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame())) << "the reloaded file is no change";

    // A changed document, and the file back to the first text.
    ASSERT_TRUE(s.Select(kSecondKey));
    s.app.PostCommand(ID_EDIT_NEW_KEY);
    s.EndLabelEdit();
    ASSERT_TRUE(harness::RewriteFile(s.path, kFirst));
    ASSERT_TRUE(harness::Reactivate(s.app.Frame()));
    EXPECT_TRUE(Answer(s.app, "Quillon", ReloadText(s.path, true), IDNO));
    EXPECT_TRUE(s.Has(kSecondKey));
    EXPECT_EQ(s.Caption(), "reload.reg*-Quillon");
    ASSERT_TRUE(harness::Reactivate(s.app.Frame()));
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame())) << "the declined change is asked about once";

    ASSERT_TRUE(DeleteFileA(s.path.c_str()));
    ASSERT_TRUE(harness::Reactivate(s.app.Frame()));
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame())) << "a deleted file";
    s.app.Terminate();
}

// Save over a file another program changed asks first: No writes nothing
// (and the change is not asked about again as a reload), Yes writes. The
// program's own save is no change by another program, and a deleted file is
// written again without a question.
TEST(DiskChange, SaveAsksBeforeOverwritingAChangedFile) {
    Session s;
    ASSERT_TRUE(s.Start("overwrite.reg"));
    ASSERT_TRUE(s.Change());
    ASSERT_TRUE(harness::RewriteFile(s.path, kSecond));
    // The command alone, without the activation that would ask to reload.
    s.app.PostCommand(ID_FILE_SAVE);
    EXPECT_TRUE(Answer(s.app, "Quillon", OverwriteText(s.path), IDNO));
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame()));
    EXPECT_EQ(ReadFileBytes(s.path), kSecond) << "as the other program wrote it";
    EXPECT_EQ(s.Caption(), "overwrite.reg*-Quillon");

    ASSERT_TRUE(s.Save());
    EXPECT_TRUE(Answer(s.app, "Quillon", OverwriteText(s.path), IDYES));
    EXPECT_TRUE(s.WaitSaved());
    EXPECT_NE(ReadFileBytes(s.path).find("[HKEY_CURRENT_USER\\Software\\First\\New Key #0]"), std::string::npos);
    ASSERT_TRUE(harness::Reactivate(s.app.Frame()));
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame())) << "the program's own save";

    ASSERT_TRUE(s.Change());
    ASSERT_TRUE(DeleteFileA(s.path.c_str()));
    ASSERT_TRUE(s.Save());
    EXPECT_TRUE(s.WaitSaved());
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame()));
    EXPECT_NE(ReadFileBytes(s.path).find("New Key #1"), std::string::npos);
    s.app.Terminate();
}

// Save over a read-only file says so and offers save as; Yes saves under the
// name chosen, No keeps the document and the file as they are.
TEST(SaveFailure, ReadOnlyFileSaysWhyAndOffersSaveAs) {
    Session s;
    ASSERT_TRUE(s.Start("locked.reg"));
    ASSERT_TRUE(s.Change());
    ASSERT_TRUE(SetFileAttributesA(s.path.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string failure = "Error writing file!\n\"locked.reg\"\n\nThe file is read-only." + std::string(kSaveAsOffer);
    s.app.PostCommand(ID_FILE_SAVE);
    EXPECT_TRUE(Answer(s.app, "", failure, IDNO));
    harness::Sync(s.app.Frame());
    EXPECT_EQ(s.Caption(), "locked.reg*-Quillon");
    EXPECT_EQ(ReadFileBytes(s.path), kFirst);

    std::string other = harness::ScratchPath("unlocked.reg");
    DeleteFileA(other.c_str());
    s.app.PostCommand(ID_FILE_SAVE);
    EXPECT_TRUE(Answer(s.app, "", failure, IDYES));
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), other));
    EXPECT_TRUE(harness::WaitUntil([&] { return s.Caption() == "unlocked.reg-Quillon"; }, 10000)) << s.Caption();
    EXPECT_NE(ReadFileBytes(other).find("New Key #0"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(s.path), kFirst);
    SetFileAttributesA(s.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    s.app.Terminate();
}

// A failed export, of the whole document or of a branch, names the path and
// the system's reason. A folder where the writer's temporary file goes makes
// the write fail without any question of the file dialog.
TEST(SaveFailure, FailedExportSaysWhy) {
    struct Case { int line; bool branch; const char* name; } cases[] = {
        {__LINE__, false, "whole.reg"},
        {__LINE__, true, "branch.reg"},
    };
    Session s;
    ASSERT_TRUE(s.Start("export-fail.reg"));
    ASSERT_TRUE(s.Select(kFirstKey));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string out = harness::ScratchPath(c.name);
        ASSERT_TRUE(CreateDirectoryA((out + ".quillon-tmp").c_str(), nullptr));
        s.app.PostCommand(ID_FILE_EXPORT);
        HWND dialog = harness::WaitForDialog(s.app.Pid());
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::Descendant(dialog, IDC_EXPORT_ALL) != nullptr; }, 5000));
        if (!c.branch) SendMessageA(harness::Descendant(dialog, IDC_EXPORT_ALL), BM_CLICK, 0, 0);
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), out));
        EXPECT_TRUE(Answer(s.app, "", "The export to \"" + out + "\" failed.\n\n" +
                                          harness::SystemText(ERROR_ACCESS_DENIED), IDOK));
        EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
        RemoveDirectoryA((out + ".quillon-tmp").c_str());
    }
    EXPECT_EQ(s.Caption(), "export-fail.reg-Quillon");
    s.app.Terminate();
}
