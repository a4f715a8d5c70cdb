#include <gtest/gtest.h>

#include "editors/ValueEditors.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

namespace {

const char kValues[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kinds]\r\n"
    "\"Greeting\"=\"Hello, \\\"world\\\"\"\r\n"
    "@=\"the default\"\r\n"
    "\"Counter\"=dword:0000002a\r\n"
    "\"Blob\"=hex:00,01,0a,\\\r\n  ff,10\r\n"
    "\"Path\\\\Name\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"List\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Bad dword\"=dword:zz\r\n"
    "\"None\"=hex(0):\r\n"
    "\"Little\"=hex(4):01,00,00,00\r\n"
    "\"Big end\"=hex(5):00,00,01,00\r\n"
    "\"Link\"=hex(6):41,00\r\n"
    "\"Resources\"=hex(8):00\r\n"
    "\"Unnamed\"=hex(1f):05\r\n"
    "\"Gone\"=-\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kinds\\Empty]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Sortable]\r\n"
    "\"beta\"=dword:00000001\r\n"
    "\"Alpha\"=\"x\"\r\n"
    "\"gamma\"=hex:01\r\n\r\n";

int HeaderImage(HWND list, int column, bool* hasImage) {
    HDITEMA item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    *hasImage = (item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT);
    return item.iImage;
}

// The program's value editors, registered while in scope.
struct ProgramEditors {
    ProgramEditors() { editors::RegisterValueEditors(); }
    ~ProgramEditors() { editors::UnregisterValueEditors(); }
};

}  // namespace

TEST(ValueList, RowsShowEveryValueKindAndAKeyWithoutValuesOnlyTheUnsetDefault) {
    TestHost host;
    ASSERT_TRUE(host.Load(kValues));
    host.Select("HKEY_CURRENT_USER\\Software\\Kinds");
    auto rows = host.Rows();
    struct Expected { const char* name; const char* type; const char* data; int image; } expected[] = {
        {"(Default)", "REG_SZ", "the default", 1},
        {"Greeting", "REG_SZ", "Hello, \"world\"", 1},
        {"Counter", "REG_DWORD", "0x0000002a (42)", 0},
        {"Blob", "REG_BINARY", "00 01 0a ff 10", 0},
        {"Path\\Name", "REG_EXPAND_SZ", "%A%", 0},
        {"List", "REG_MULTI_SZ", "a bc", 0},
        {"Big", "REG_QWORD", "0x1 (1)", 0},
        {"Bad dword", "REG_DWORD", "0xzz", 0},
        {"None", "REG_NONE", "", 0},
        {"Little", "REG_DWORD", "0x00000001 (1)", 0},
        {"Big end", "REG_DWORD_BIG_ENDIAN", "0x00000100 (256)", 0},
        {"Link", "REG_LINK", "41 00", 0},
        {"Resources", "REG_RESOURCE_LIST", "00", 0},
        {"Unnamed", "REG_0x1f", "05", 0},
        {"Gone", "(deletion)", "(value removed by this file)", 0},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].name, expected[i].name);
        EXPECT_EQ(rows[i].type, expected[i].type);
        EXPECT_EQ(rows[i].data, expected[i].data);
        EXPECT_EQ(rows[i].image, expected[i].image);
        // Every row's data is its value in the current set; row 0 the default.
        ValueEntry* value = host.list.ValueAt(static_cast<int>(i));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->IsDefault(), i == 0);
    }
    EXPECT_EQ(host.list.SelectedCount(), 0);

    // A key without values shows only the unset default row.
    host.Select("HKEY_CURRENT_USER\\Software\\Kinds\\Empty");
    rows = host.Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ((std::vector<std::string>{rows[0].name, rows[0].type, rows[0].data}),
              (std::vector<std::string>{"(Default)", "REG_SZ", "(value not set)"}));
    EXPECT_EQ(rows[0].image, 1);
    EXPECT_EQ(host.list.ValueAt(0), nullptr);
    EXPECT_TRUE(host.list.Values().empty());
}

TEST(ValueList, ColumnClickSortsWithDefaultRowFirstAndShowsDirection) {
    TestHost host;
    ASSERT_TRUE(host.Load(kValues));
    host.Select("HKEY_CURRENT_USER\\Software\\Sortable");
    HWND list = host.list.Hwnd();
    const std::string def = "(Default)";
    bool image = false;

    host.list.Sort(0);  // first click: Z to A under the upward triangle
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "gamma", "beta", "Alpha"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 1);
    EXPECT_TRUE(image);
    host.list.Sort(0);  // second click: A to Z under the downward triangle
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "Alpha", "beta", "gamma"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 2);
    host.list.Sort(1);  // another column keeps the direction: by type number, REG_SZ first
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "Alpha", "gamma", "beta"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 0);
    EXPECT_TRUE(image);
    EXPECT_EQ(HeaderImage(list, 1, &image), 2);
    EXPECT_TRUE(host.list.SortAscending());
    // A refill keeps the header's image and does not sort again.
    host.Select("HKEY_CURRENT_USER\\Software\\Kinds");
    host.Select("HKEY_CURRENT_USER\\Software\\Sortable");
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "beta", "Alpha", "gamma"}));
    EXPECT_EQ(HeaderImage(list, 1, &image), 2);
    // Through the control's own notification.
    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = 1;
    host.list.OnNotify(&click.hdr);
    EXPECT_FALSE(host.list.SortAscending());
    EXPECT_EQ(host.RowNames().front(), def);
    host.list.Sort(2);  // by data, Z to A: text, then numbers
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "Alpha", "gamma", "beta"}));
}

TEST(ValueList, RenameInPlaceRefusesClashesAndEscapesBackslashes) {
    TestHost host;
    ASSERT_TRUE(host.Load(kValues));
    host.Select("HKEY_CURRENT_USER\\Software\\Sortable");
    const std::string def = "(Default)";
    KeyNode* key = host.list.Key();
    ASSERT_NE(key, nullptr);

    // Row 0 cannot be renamed.
    EXPECT_EQ(ListView_EditLabel(host.list.Hwnd(), 0), nullptr);

    // Every box is answered; only the three clashes raise one.
    harness::Answerer watcher(harness::PressOk);
    for (const std::string& typed : {std::string("alpha"), std::string("GAMMA"), def}) {
        SCOPED_TRACE(typed);
        size_t boxes = watcher.Boxes().size();
        ASSERT_TRUE(host.RenameRow(1, typed.c_str()));
        auto seen = watcher.Boxes();
        ASSERT_EQ(seen.size(), boxes + 1);
        EXPECT_EQ(seen.back().caption, "Error Renaming Value");
        EXPECT_EQ(seen.back().text,
                  "Cannot rename beta:  The specified value name already exists. Type another name and try again.");
        EXPECT_EQ(host.RowNames()[1], "beta");
        EXPECT_FALSE(host.document.modified);
    }

    // Its own name is no clash: unchanged it changes nothing, in other
    // letter case it renames.
    ASSERT_TRUE(host.RenameRow(1, "beta"));
    EXPECT_FALSE(host.document.modified);
    ASSERT_TRUE(host.RenameRow(1, "BETA"));
    EXPECT_EQ(host.RowNames()[1], "BETA");
    EXPECT_EQ(host.list.ValueAt(1)->GetName(), "BETA");
    EXPECT_TRUE(host.document.modified);
    // Nor is the name a new value proposes, kept with Enter.
    host.Command(ID_EDIT_NEW_STRING);
    HWND editor = ListView_GetEditControl(host.list.Hwnd());
    ASSERT_TRUE(EndLabel(editor, harness::WindowText(editor).c_str()));
    EXPECT_EQ(host.RowNames().back(), "New Value #1");

    // Quotes and backslashes of a new name are stored escaped and shown plain.
    ASSERT_TRUE(host.RenameRow(3, "say \"hi\""));
    EXPECT_EQ(host.list.ValueAt(3)->GetName(), "say \\\"hi\\\"");
    ASSERT_TRUE(host.RenameRow(1, "new\\name"));
    EXPECT_EQ(host.RowNames()[1], "new\\name");
    EXPECT_EQ(host.list.ValueAt(1)->GetName(), "new\\\\name");
    ASSERT_NE(key->MainBlock().text, nullptr);
    EXPECT_NE(std::string(key->MainBlock().text).find("\"new\\\\name\"=dword:00000001"), std::string::npos)
        << key->MainBlock().text;
    EXPECT_EQ(watcher.Boxes().size(), 3u);

    // A cancelled edit changes nothing.
    host.document.modified = false;
    ASSERT_TRUE(host.RenameRow(2, "ignored", true));
    EXPECT_EQ(host.RowNames()[2], "Alpha");
    EXPECT_FALSE(host.document.modified);
    // The value block follows the set after a refill.
    host.Select("HKEY_CURRENT_USER\\Software\\Kinds");
    host.Select("HKEY_CURRENT_USER\\Software\\Sortable");
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{def, "new\\name", "Alpha", "say \"hi\"", "New Value #1"}));
}

TEST(ValueList, EnterDoubleClickAndTheContextMenuActOnTheSelectedRows) {
    TestHost host;
    ASSERT_TRUE(host.Load(kValues));
    host.Select("HKEY_CURRENT_USER\\Software\\Sortable");
    HWND list = host.list.Hwnd();
    NMLVKEYDOWN key{{list, 0, static_cast<UINT>(LVN_KEYDOWN)}, VK_RETURN, 0};
    NMHDR dbl{list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(NM_DBLCLK)};

    // Enter and a double click modify exactly one selected row.
    host.list.OnNotify(&key.hdr);  // nothing selected
    host.list.Select(2);
    host.list.OnNotify(&key.hdr);
    host.list.OnNotify(&dbl);
    host.list.Select(1);  // two rows selected
    host.list.OnNotify(&key.hdr);
    host.list.OnNotify(&dbl);
    ASSERT_EQ(host.valueCommands.size(), 2u);
    EXPECT_EQ(host.valueCommands[0], (std::pair<int, int>{ID_EDIT_MODIFY, 2}));
    EXPECT_EQ(host.valueCommands[1], (std::pair<int, int>{ID_EDIT_MODIFY, 2}));
    EXPECT_EQ(GetFocus(), list);

    host.list.SelectAll();
    EXPECT_EQ(host.list.SelectedCount(), 4);
    host.list.DeselectAll();
    EXPECT_EQ(host.list.FirstSelected(), -1);
    EXPECT_EQ(host.list.FindRowText("GAMMA"), 3);
    EXPECT_EQ(host.list.FindRowText("(Default)"), 0);
    EXPECT_EQ(host.list.FindRowText("gam"), -1);

    // The context menu depends on the row under the pointer. The list has the
    // focus, as a right click gives it, so Modify needs the editors.
    ProgramEditors registered;
    host.valueCommands.clear();
    auto has = [&](UINT id) { return host.MenuItem(id) != nullptr; };
    auto enabled = [&](UINT id) { return has(id) && host.MenuItem(id)->enabled; };
    host.list.Select(1);
    host.list.Select(2);
    host.ValueMenu(host.RowPoint(2), ID_EDIT_RENAME);
    ASSERT_TRUE(has(ID_EDIT_MODIFY)) << "row menu resource missing";
    EXPECT_TRUE(enabled(ID_EDIT_DELETE));
    EXPECT_FALSE(enabled(ID_EDIT_RENAME));  // two rows selected
    EXPECT_FALSE(enabled(ID_EDIT_MODIFY));
    EXPECT_EQ(ListView_GetEditControl(list), nullptr);

    host.list.DeselectAll();
    host.list.Select(2);
    host.ValueMenu(host.RowPoint(2), ID_EDIT_MODIFY);
    EXPECT_TRUE(enabled(ID_EDIT_MODIFY));
    ASSERT_EQ(host.valueCommands.size(), 1u);
    EXPECT_EQ(host.valueCommands[0], (std::pair<int, int>{ID_EDIT_MODIFY, 2}));
    host.DisableCommands({ID_EDIT_DELETE});
    host.ValueMenu(host.RowPoint(2), 0);
    EXPECT_FALSE(enabled(ID_EDIT_DELETE));

    // Below the rows: the other menu, whose choice acts on no row.
    RECT client;
    GetClientRect(list, &client);
    POINT below{client.right / 2, client.bottom - 5};
    ClientToScreen(list, &below);
    host.DisableCommands({});
    host.ValueMenu(below, ID_EDIT_NEW_KEY);
    EXPECT_FALSE(has(ID_EDIT_MODIFY));
    EXPECT_TRUE(has(ID_EDIT_NEW_KEY));
    EXPECT_EQ(host.valueCommands.back().first, ID_EDIT_NEW_KEY);
}
