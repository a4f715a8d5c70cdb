// The views and the loading inside the real program, driven from outside
// through the UI harness: open and import through their dialogs, column
// widths across a restart, the progress dialog's Abort.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/ValueCodec.h"
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
        EXPECT_TRUE(app.Close());
    }
}

TEST(ViewsUi, AbortClosesTheProgressDialogAndLeavesAWorkingProgram) {
    std::string big = harness::ScratchPath("big.reg");
    std::string text = "REGEDIT4\r\n\r\n";
    char line[128];
    for (int i = 0; i < 150000; ++i) {
        snprintf(line, sizeof(line), "[HKEY_CURRENT_USER\\Bulk\\G%d\\K%d]\r\n\"v\"=dword:%08x\r\n\r\n", i / 100, i, i);
        text += line;
    }
    ASSERT_TRUE(harness::WriteFile(big, text));
    harness::App app;
    ASSERT_TRUE(app.Start("\"" + big + "\""));
    HWND progress = nullptr;
    auto up = [&] { return (progress = harness::FindVisible(app.Pid(), "#32770")) && GetDlgItem(progress, 1009); };
    if (harness::WaitUntil(up, 10000)) {
        // Minimising the dialog takes the frame along, and so does restoring.
        SendMessageA(progress, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        bool minimized = IsIconic(app.Frame());
        SendMessageA(progress, WM_SYSCOMMAND, SC_RESTORE, 0);
        if (IsWindow(progress)) {
            EXPECT_TRUE(minimized);
            EXPECT_FALSE(IsIconic(app.Frame()));
        }
        harness::PressButton(progress, IDCANCEL);
        EXPECT_TRUE(harness::WaitGone(progress));
    }
    // Whether the Abort came in time or the load won the race, the program
    // ends up idle with no error box, and the frame works.
    EXPECT_TRUE(harness::NoDialogNow(app.Frame()));
    EXPECT_TRUE(IsWindowEnabled(app.Frame()));
    harness::Sync(app.Frame());
    // The keys read so far browse like a whole file: the groups in order,
    // the last one (perhaps cut short) holding its keys in order, each key
    // with its value.
    HWND tree = app.Child(WC_TREEVIEWA);
    HWND list = app.Child(WC_LISTVIEWA);
    if (harness::TreeItems(tree).empty()) {
        // Stopped while the file was read: nothing was parsed.
        EXPECT_TRUE(app.Close());
        return;
    }
    // The items at a depth once a branch is expanded: each named with its
    // number counting from `first`, each with a button exactly when it has keys.
    auto numbered = [&](const std::string& path, int depth, const char* prefix, int first, int children) {
        EXPECT_TRUE(harness::TreeExpand(tree, harness::TreeFind(tree, path))) << path;
        int count = 0;
        for (const auto& node : harness::TreeItems(tree)) {
            if (node.depth != depth) continue;
            EXPECT_EQ(node.text, prefix + std::to_string(first + count));
            EXPECT_EQ(node.children, children) << node.text;
            ++count;
        }
        return count;
    };
    int groups = numbered("HKEY_CURRENT_USER\\Bulk", 2, "G", 0, 1);
    ASSERT_GT(groups, 0);
    std::string last = "HKEY_CURRENT_USER\\Bulk\\G" + std::to_string(groups - 1);
    int keys = numbered(last, 3, "K", (groups - 1) * 100, 0);
    ASSERT_GT(keys, 0);
    int lastKey = (groups - 1) * 100 + keys - 1;
    ASSERT_TRUE(harness::TreeSelect(tree, harness::TreeFind(tree, last + "\\K" + std::to_string(lastKey))));
    harness::Sync(app.Frame());
    auto rows = harness::ListRows(list, 3);
    ASSERT_EQ(rows.size(), 2u);
    char data[16];
    snprintf(data, sizeof data, "%08x", lastKey);
    EXPECT_EQ(rows[1].cells[2], DwordDisplayText(data));
    EXPECT_TRUE(app.Close(0, 10000));
}
