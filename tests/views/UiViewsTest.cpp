// The views and the loading inside the real program, driven from outside
// through the UI harness: open and import through their dialogs, column
// widths across a restart, Abort while a file is parsed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

// The tree once the user has expanded every branch.
std::vector<std::pair<int, std::string>> Shown(HWND tree) {
    harness::TreeExpandAll(tree);
    std::vector<std::pair<int, std::string>> out;
    for (auto& node : harness::TreeItems(tree)) out.push_back({node.depth, node.text});
    return out;
}

// Fresh settings for a test, gone after it. The value list and the open
// dialog store into the key but never create it; App::Start makes it when
// it turns the tips off.
struct SettingsScope {
    SettingsScope() { RegDeleteTreeA(HKEY_CURRENT_USER, harness::kSettingsKey); }
    ~SettingsScope() { RegDeleteTreeA(HKEY_CURRENT_USER, harness::kSettingsKey); }
};

}  // namespace

TEST(ViewsUi, ColumnWidthsSurviveARestart) {
    std::string file = harness::SourcePath("samples/sample.reg");
    const int kWidths[] = {211, 97, 333};
    SettingsScope settings;
    {
        harness::App app;
        ASSERT_TRUE(app.Start("\"" + file + "\""));
        HWND list = app.Child(WC_LISTVIEWA);
        for (int c = 0; c < 3; ++c) SendMessageA(list, LVM_SETCOLUMNWIDTH, c, kWidths[c]);
        EXPECT_TRUE(app.Close());
    }
    // Stored as three 16-bit widths.
    uint16_t stored[4] = {};
    DWORD size = sizeof stored;
    ASSERT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "listhdr", RRF_RT_REG_BINARY, nullptr, stored, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::vector<int>(stored, stored + 3), std::vector<int>(kWidths, kWidths + 3));

    harness::App app;
    ASSERT_TRUE(app.Start());
    HWND list = app.Child(WC_LISTVIEWA);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0), kWidths[c]);
    EXPECT_TRUE(app.Close());
}

TEST(ViewsUi, OpenAndImportThroughTheirDialogsMergeAsTheOptionSays) {
    std::string base = harness::ScratchPath("base.reg");
    std::string more = harness::ScratchPath("more.reg");
    ASSERT_TRUE(harness::WriteFile(base, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"x\"=\"1\"\r\n\r\n"));
    ASSERT_TRUE(harness::WriteFile(
        more, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"y\"=\"2\"\r\n\r\n[HKEY_CURRENT_USER\\A\\C]\r\n\r\n"));
    struct Case { bool check; std::vector<std::pair<int, std::string>> tree; } cases[] = {
        {true, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {2, "C"}}},
        {false, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {1, "A"}, {2, "B"}, {2, "C"}}},
    };
    SettingsScope settings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.check);
        harness::App app;
        ASSERT_TRUE(app.Start());
        HWND tree = app.Child(WC_TREEVIEWA);
        app.PostCommand(ID_FILE_OPEN);
        ASSERT_TRUE(harness::AnswerFileDialog(app.Pid(), base, 0, nullptr, 1));
        ASSERT_TRUE(harness::WaitUntil([&] { return Shown(tree).size() == 3; }));
        EXPECT_NE(harness::WindowText(app.Frame()).find("base.reg"), std::string::npos);
        app.PostCommand(ID_FILE_IMPORT);
        ASSERT_TRUE(harness::AnswerFileDialog(app.Pid(), more, 0, nullptr, c.check ? 1 : 0));
        EXPECT_TRUE(harness::WaitUntil([&] { return Shown(tree) == c.tree; }));
        EXPECT_EQ(Shown(tree), c.tree);
        // The import changed the document: closing asks, and No ends it.
        EXPECT_NE(harness::WindowText(app.Frame()).find("base.reg*"), std::string::npos);
        PostMessageA(app.Frame(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(harness::AnswerBox(app.Pid(), IDNO).has_value());
        EXPECT_EQ(app.WaitExit(), 0u);
    }
}

// Abort while a large file is parsed: the program ends up idle and working,
// with an empty untitled document; no part of the file is left to be saved
// over it.
TEST(ViewsUi, AbortDuringTheParseLeavesAWorkingProgramAndNoPartOfTheFile) {
    std::string big = harness::WriteLargeRegFile("big.reg", 50);
    std::string original = harness::ReadFileBytes(big);
    harness::App app;
    ASSERT_TRUE(app.Start("\"" + big + "\""));
    HWND progress = nullptr;
    auto up = [&] { return (progress = harness::FindVisible(app.Pid(), "#32770")) && GetDlgItem(progress, 1009); };
    ASSERT_TRUE(harness::WaitUntil(up));
    // Minimising the dialog takes the frame along, and so does restoring.
    SendMessageA(progress, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(app.Frame()));
    SendMessageA(progress, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(app.Frame()));
    // The bar moves once the parse has begun: the read is over by then.
    HWND bar = GetDlgItem(progress, 1009);
    ASSERT_TRUE(harness::WaitUntil([&] { return SendMessageA(bar, PBM_GETPOS, 0, 0) > 0; }));
    ASSERT_TRUE(harness::PressButton(progress, IDCANCEL));
    ASSERT_TRUE(harness::WaitGone(progress));
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "Untitled-Quillon"; }))
        << harness::WindowText(app.Frame());
    EXPECT_TRUE(harness::NoDialogNow(app.Frame()));
    EXPECT_TRUE(IsWindowEnabled(app.Frame()));
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
    EXPECT_EQ(harness::WindowText(app.Frame()), "Untitled*-Quillon");

    app.PostCommand(ID_APP_EXIT);
    EXPECT_TRUE(harness::AnswerBox(app.Pid(), IDNO).has_value());
    EXPECT_EQ(app.WaitExit(), 0u);
    EXPECT_EQ(harness::ReadFileBytes(big), original);
}
