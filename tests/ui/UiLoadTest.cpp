// Stopping the open of a large file on the real program: no part of the
// file stays in the window to be saved over it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

TEST(UiLoad, AbortDuringTheParseLeavesNoPartOfTheFileToSaveOverIt) {
    std::string path = harness::WriteLargeRegFile("large.reg", 50);
    std::string original = harness::ReadFileBytes(path);
    harness::App app;
    ASSERT_TRUE(app.Start("\"" + path + "\""));
    HWND progress = harness::WaitForDialog(app.Pid());
    ASSERT_TRUE(progress);
    // The bar moves once the parse has begun: the read is over by then.
    HWND bar = GetDlgItem(progress, IDC_PROGRESS_BAR);
    ASSERT_TRUE(harness::WaitUntil([&] { return SendMessageA(bar, PBM_GETPOS, 0, 0) > 0; }));
    ASSERT_TRUE(harness::PressButton(progress, IDCANCEL));
    ASSERT_TRUE(harness::WaitGone(progress));
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "Untitled-Quillon"; }))
        << harness::WindowText(app.Frame());
    EXPECT_TRUE(harness::NoDialogNow(app.Frame()));
    HWND tree = app.Child(WC_TREEVIEWA);
    EXPECT_TRUE(harness::TreeItems(tree).empty());

    // An edit (an import), then Save: it asks for a name; cancelled, it
    // writes nothing.
    std::string small = harness::ScratchPath("small.reg");
    harness::WriteFile(small, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imported]\r\n\"v\"=\"1\"\r\n\r\n");
    app.PostCommand(ID_FILE_IMPORT);
    EXPECT_TRUE(harness::AnswerFileDialog(app.Pid(), small));
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "Untitled*-Quillon"; }))
        << harness::WindowText(app.Frame());
    EXPECT_EQ(harness::TreeItems(tree).size(), 1u);
    app.PostCommand(ID_FILE_SAVE);
    EXPECT_TRUE(harness::AnswerFileDialog(app.Pid(), ""));
    EXPECT_EQ(harness::ReadFileBytes(path), original);
    EXPECT_EQ(harness::WindowText(app.Frame()), "Untitled*-Quillon");

    app.PostCommand(ID_APP_EXIT);
    EXPECT_TRUE(harness::AnswerBox(app.Pid(), IDNO).has_value());
    EXPECT_EQ(app.WaitExit(), 0u);
    EXPECT_EQ(harness::ReadFileBytes(path), original);
}
