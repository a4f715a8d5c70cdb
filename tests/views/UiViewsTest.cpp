// The views and the loading inside the real program, driven from outside
// through the UI harness: open and import through their dialogs, a key's
// rows, status bar path, column widths across
// a restart, the progress dialog's Abort.
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

// The key exists once the program has written its recent-document list; the
// value list and the open dialog store into it but never create it.
struct SettingsKeyScope {
    SettingsKeyScope() {
        RegDeleteTreeA(HKEY_CURRENT_USER, harness::kSettingsKey);
        HKEY key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, harness::kSettingsKey, &key) == ERROR_SUCCESS) RegCloseKey(key);
    }
    ~SettingsKeyScope() { RegDeleteTreeA(HKEY_CURRENT_USER, harness::kSettingsKey); }
};

}  // namespace

TEST(ViewsUi, SelectingAKeyShowsItsPathAndItsValues) {
    std::string file = harness::SourcePath("samples/sample.reg");
    harness::App app;
    ASSERT_TRUE(app.Start("\"" + file + "\""));
    HWND tree = app.Child(WC_TREEVIEWA);
    HWND list = app.Child(WC_LISTVIEWA);
    HWND status = app.Child(STATUSCLASSNAMEA);
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::TreeItems(tree).empty(); }));
    HTREEITEM item = harness::TreeFind(tree, "HKEY_CURRENT_USER\\Software\\Quillon Sample");
    ASSERT_NE(item, nullptr);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    harness::Sync(app.Frame());
    EXPECT_EQ(harness::WindowText(status), "HKEY_CURRENT_USER\\Software\\Quillon Sample");

    // The key's values in the file's order, the default in row 0 (every
    // kind's display is the value list tests').
    auto rows = harness::ListRows(list, 3);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].cells[2], "Default value of the sample key");
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"Greeting", "REG_SZ", "Hello, \"registry\" world"}));
    EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"Path with backslash", "REG_SZ", "C:\\Program Files\\Quillon"}));
    EXPECT_EQ(rows[6].cells, (std::vector<std::string>{"Install dir", "REG_EXPAND_SZ", "%ProgramFiles%\\Quillon"}));

    harness::TreeExpand(tree, item);
    harness::Sync(app.Frame());
    EXPECT_TRUE(harness::Screenshot(app.Frame(), harness::ScratchPath("views-sample.bmp")));
    EXPECT_TRUE(app.Close());
}

TEST(ViewsUi, ColumnWidthsSurviveARestart) {
    std::string file = harness::SourcePath("samples/sample.reg");
    const int kWidths[] = {211, 97, 333};
    SettingsKeyScope settings;
    {
        harness::App app;
        ASSERT_TRUE(app.Start("\"" + file + "\""));
        HWND list = app.Child(WC_LISTVIEWA);
        for (int c = 0; c < 3; ++c) SendMessageA(list, LVM_SETCOLUMNWIDTH, c, kWidths[c]);
        EXPECT_TRUE(app.Close());
    }
    BYTE data[16];
    DWORD type = 0, size = sizeof(data);
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "listhdr", RRF_RT_ANY, &type, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, 6u);
    EXPECT_EQ(data[0] | (data[1] << 8), 211);
    EXPECT_EQ(data[4] | (data[5] << 8), 333);

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
    struct Case {
        bool check;
        std::vector<std::pair<int, std::string>> tree;
    } cases[] = {
        {true, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {2, "C"}}},
        {false, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {1, "A"}, {2, "B"}, {2, "C"}}},
    };
    SettingsKeyScope settings;
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
    HTREEITEM bulk = harness::TreeFind(tree, "HKEY_CURRENT_USER\\Bulk");
    ASSERT_NE(bulk, nullptr);
    ASSERT_TRUE(harness::TreeExpand(tree, bulk));
    auto items = harness::TreeItems(tree);
    ASSERT_GE(items.size(), 3u);
    int groups = 0;
    for (const auto& node : items) {
        if (node.depth != 2) continue;
        EXPECT_EQ(node.text, "G" + std::to_string(groups));
        EXPECT_EQ(node.children, 1) << node.text;
        ++groups;
    }
    std::string last = "HKEY_CURRENT_USER\\Bulk\\G" + std::to_string(groups - 1);
    HTREEITEM group = harness::TreeFind(tree, last);
    ASSERT_TRUE(harness::TreeExpand(tree, group));
    int keys = 0;
    std::string lastKey;
    for (const auto& node : harness::TreeItems(tree)) {
        if (node.depth != 3) continue;
        EXPECT_EQ(node.text, "K" + std::to_string((groups - 1) * 100 + keys));
        EXPECT_EQ(node.children, 0) << node.text;
        lastKey = node.text;
        ++keys;
    }
    ASSERT_GT(keys, 0);
    ASSERT_TRUE(harness::TreeSelect(tree, harness::TreeFind(tree, last + "\\" + lastKey)));
    harness::Sync(app.Frame());
    auto rows = harness::ListRows(list, 3);
    ASSERT_EQ(rows.size(), 2u);
    char data[16];
    snprintf(data, sizeof data, "%08x", (groups - 1) * 100 + keys - 1);
    EXPECT_EQ(rows[1].cells[2], DwordDisplayText(data));
    EXPECT_TRUE(app.Close(0, 10000));
}
