#include <gtest/gtest.h>

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
    "\"Bad dword\"=dword:zz\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kinds\\Empty]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Sortable]\r\n"
    "\"beta\"=dword:00000001\r\n"
    "\"Alpha\"=\"x\"\r\n"
    "\"gamma\"=hex:01\r\n\r\n";

std::string Text(int id) {
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
    return text;
}

std::vector<std::string> Names(HWND list) {
    std::vector<std::string> names;
    for (auto& row : ListRows(list)) names.push_back(row.name);
    return names;
}

int HeaderImage(HWND list, int column, bool* hasImage) {
    HDITEMA item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    *hasImage = (item.fmt & HDF_IMAGE) && (item.fmt & HDF_BITMAP_ON_RIGHT);
    return item.iImage;
}

// Settings key of the program, removed around each test that uses it.
const char kSettingsKey[] = "Software\\Orvane\\Quillon\\2.0";
struct SettingsScope {
    explicit SettingsScope(bool create) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (create) {
            HKEY key;
            RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr);
            RegCloseKey(key);
        }
    }
    ~SettingsScope() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }
    void Set(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    bool Get(const char* name, DWORD* type, std::string* data) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        char buffer[256];
        DWORD size = sizeof(buffer);
        LONG rc = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return false;
        data->assign(buffer, size);
        return true;
    }
};

int ColumnWidth(HWND list, int column) { return ListView_GetColumnWidth(list, column); }

bool EditRowLabel(TestHost& host, int row, const char* text, bool cancel = false) {
    HWND edit = ListView_EditLabel(host.list.Hwnd(), row);
    if (!edit) return false;
    SetWindowTextA(edit, text);
    SendMessageA(edit, WM_KEYDOWN, cancel ? VK_ESCAPE : VK_RETURN, 0);
    TestHost::Pump(20);
    return true;
}

}  // namespace

TEST(ValueList, RowsShowEveryValueKindWithTypeDataAndImage) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Kinds");
    auto rows = ListRows(host.list.Hwnd());
    struct Expected {
        const char* name;
        const char* type;
        const char* data;
        int image;
    } expected[] = {
        {nullptr, "REG_SZ", "the default", 1},
        {"Greeting", "REG_SZ", "Hello, \"world\"", 1},
        {"Counter", "REG_DWORD", "0x00002a(42)", 0},
        {"Blob", "REG_BINARY", "00 01 0a ff 10", 0},
        {"Path\\Name", "REG_EXPAND_SZ", "%A%", 0},
        {"List", "REG_MULTI_SZ", "a bc", 0},
        {"Big", "REG_BINARY", "01 00 00 00 00 00 00 00", 0},
        {"Bad dword", "REG_DWORD", "0xzz", 0},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].name, expected[i].name ? expected[i].name : Text(142));
        EXPECT_EQ(rows[i].type, expected[i].type);
        EXPECT_EQ(rows[i].data, expected[i].data);
        EXPECT_EQ(rows[i].image, expected[i].image);
        // Every row's data is its value in the current set; row 0 the default.
        ValueEntry* value = host.list.ValueAt(static_cast<int>(i));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->IsDefault(), i == 0);
    }
    EXPECT_EQ(host.list.SelectedCount(), 0);
}

TEST(ValueList, KeyWithoutValuesShowsOnlyTheUnsetDefaultRow) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Kinds\\Empty");
    auto rows = ListRows(host.list.Hwnd());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, Text(142));
    EXPECT_EQ(rows[0].type, "REG_SZ");
    EXPECT_EQ(rows[0].data, "(value not set)");
    EXPECT_EQ(rows[0].image, 1);
    EXPECT_EQ(host.list.ValueAt(0), nullptr);
    EXPECT_TRUE(host.list.Values().empty());
}

TEST(ValueList, ColumnClickSortsWithDefaultRowFirstAndShowsDirection) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    HWND list = host.list.Hwnd();
    std::string def = Text(142);
    bool image = false;

    host.list.Sort(0);  // first click: Z to A under the upward triangle
    EXPECT_EQ(Names(list), (std::vector<std::string>{def, "gamma", "beta", "Alpha"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 1);
    EXPECT_TRUE(image);
    host.list.Sort(0);  // second click: A to Z under the downward triangle
    EXPECT_EQ(Names(list), (std::vector<std::string>{def, "Alpha", "beta", "gamma"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 2);
    host.list.Sort(1);  // another column keeps the direction: by type name, A to Z
    EXPECT_EQ(Names(list), (std::vector<std::string>{def, "gamma", "beta", "Alpha"}));
    EXPECT_EQ(HeaderImage(list, 0, &image), 0);
    EXPECT_TRUE(image);
    EXPECT_EQ(HeaderImage(list, 1, &image), 2);
    EXPECT_TRUE(host.list.SortAscending());
    // A refill keeps the header's image and does not sort again.
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Kinds");
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    EXPECT_EQ(Names(list), (std::vector<std::string>{def, "beta", "Alpha", "gamma"}));
    EXPECT_EQ(HeaderImage(list, 1, &image), 2);
    // Through the control's own notification.
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = GetDlgCtrlID(list);
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 1;
    host.list.OnNotify(&click.hdr);
    EXPECT_FALSE(host.list.SortAscending());
    EXPECT_EQ(Names(list).front(), def);
}

TEST(ValueList, RenameInPlaceRefusesClashesAndEscapesBackslashes) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    std::string def = Text(142);
    KeyNode* key = host.list.Key();
    ASSERT_NE(key, nullptr);

    // Row 0 cannot be renamed.
    EXPECT_EQ(ListView_EditLabel(host.list.Hwnd(), 0), nullptr);

    struct Clash {
        const char* typed;
    } clashes[] = {{"alpha"}, {"GAMMA"}, {nullptr}};
    for (const Clash& c : clashes) {
        std::string typed = c.typed ? c.typed : def;
        SCOPED_TRACE(typed);
        DialogWatcher watcher(PressOk);
        ASSERT_TRUE(EditRowLabel(host, 1, typed.c_str()));
        TestHost::Pump(50);
        auto seen = watcher.Dialogs();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, "Error Renaming Value");
        EXPECT_EQ(seen[0].text,
                  "Cannot rename beta:  The specified value name already exists. Type another name and try again.");
        EXPECT_EQ(Names(host.list.Hwnd())[1], "beta");
        EXPECT_FALSE(host.document.modified);
    }

    // Its own name is no clash: unchanged it changes nothing, in other
    // letter case it renames.
    {
        DialogWatcher watcher(PressOk);
        ASSERT_TRUE(EditRowLabel(host, 1, "beta"));
        EXPECT_FALSE(host.document.modified);
        ASSERT_TRUE(EditRowLabel(host, 1, "BETA"));
        EXPECT_EQ(watcher.Count(), 0u);
    }
    EXPECT_EQ(Names(host.list.Hwnd())[1], "BETA");
    EXPECT_EQ(host.list.ValueAt(1)->GetName(), "BETA");
    EXPECT_TRUE(host.document.modified);

    // A new name with a backslash is stored doubled and shown single.
    {
        DialogWatcher watcher(PressOk);
        ASSERT_TRUE(EditRowLabel(host, 1, "new\\name"));
        EXPECT_EQ(watcher.Count(), 0u);
    }
    EXPECT_EQ(Names(host.list.Hwnd())[1], "new\\name");
    EXPECT_EQ(host.list.ValueAt(1)->GetName(), "new\\\\name");
    EXPECT_TRUE(host.document.modified);
    ASSERT_NE(key->MainBlock().text, nullptr);
    EXPECT_NE(std::string(key->MainBlock().text).find("\"new\\\\name\"=dword:00000001"), std::string::npos)
        << key->MainBlock().text;

    // Cancelled and empty edits change nothing; an empty name would make a
    // second default value.
    host.document.modified = false;
    for (bool cancel : {true, false}) {
        DialogWatcher watcher(PressOk);
        ASSERT_TRUE(EditRowLabel(host, 2, cancel ? "ignored" : "", cancel));
        EXPECT_EQ(Names(host.list.Hwnd())[2], "Alpha");
        EXPECT_FALSE(host.document.modified);
    }
    // The value block follows the set after a refill.
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Kinds");
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    EXPECT_EQ(Names(host.list.Hwnd()), (std::vector<std::string>{def, "new\\name", "Alpha", "gamma"}));
}

TEST(ValueList, QuotesInRenamedNamesAreEscaped) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    ASSERT_TRUE(EditRowLabel(host, 1, "say \"hi\""));
    EXPECT_EQ(host.list.ValueAt(1)->GetName(), "say \\\"hi\\\"");
    EXPECT_EQ(Names(host.list.Hwnd())[1], "say \"hi\"");
    // Read back from the key's rebuilt text.
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Kinds");
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    EXPECT_EQ(Names(host.list.Hwnd())[1], "say \"hi\"");
}

TEST(ValueList, ColumnWidthsComeFromSettingsOnlyInTheirExactForm) {
    struct Case {
        const char* label;
        DWORD type;
        std::string data;
        bool applies;
    } cases[] = {
        {"six bytes", REG_BINARY, std::string("\x64\x00\xC8\x00\x2C\x01", 6), true},
        {"four bytes", REG_BINARY, std::string("\x64\x00\xC8\x00", 4), false},
        {"eight bytes", REG_BINARY, std::string("\x64\x00\xC8\x00\x2C\x01\x10\x00", 8), false},
        {"dword", REG_DWORD, std::string("\x64\x00\x00\x00", 4), false},
    };
    int defaults[3];
    {
        SettingsScope none(false);
        TestHost host;
        for (int i = 0; i < 3; ++i) defaults[i] = ColumnWidth(host.list.Hwnd(), i);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SettingsScope settings(true);
        settings.Set("listhdr", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        TestHost host;
        if (c.applies) {
            EXPECT_EQ(ColumnWidth(host.list.Hwnd(), 0), 100);
            EXPECT_EQ(ColumnWidth(host.list.Hwnd(), 1), 200);
            EXPECT_EQ(ColumnWidth(host.list.Hwnd(), 2), 300);
        } else {
            for (int i = 0; i < 3; ++i) EXPECT_EQ(ColumnWidth(host.list.Hwnd(), i), defaults[i]);
        }
    }
}

TEST(ValueList, ColumnWidthsAreStoredWhenTheListCloses) {
    {
        // Without the settings key nothing is stored (the key is not created).
        SettingsScope none(false);
        TestHost host;
        host.DestroyList();
        HKEY key;
        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    }
    SettingsScope settings(true);
    {
        TestHost host;
        ListView_SetColumnWidth(host.list.Hwnd(), 0, 123);
        ListView_SetColumnWidth(host.list.Hwnd(), 1, 0x1FF);
        ListView_SetColumnWidth(host.list.Hwnd(), 2, 77);
        host.DestroyList();
    }
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(settings.Get("listhdr", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, std::string("\x7B\x00\xFF\x01\x4D\x00", 6));
    // The next list starts with them.
    TestHost host;
    EXPECT_EQ(ColumnWidth(host.list.Hwnd(), 0), 123);
    EXPECT_EQ(ColumnWidth(host.list.Hwnd(), 1), 0x1FF);
}

TEST(ValueList, EnterAndDoubleClickModifyExactlyOneSelectedRow) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    HWND list = host.list.Hwnd();
    NMLVKEYDOWN key{};
    key.hdr.hwndFrom = list;
    key.hdr.code = LVN_KEYDOWN;
    key.wVKey = VK_RETURN;
    NMHDR dbl{list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(NM_DBLCLK)};

    host.list.OnNotify(&key.hdr);  // nothing selected
    host.list.Select(2);
    host.list.OnNotify(&key.hdr);
    host.list.OnNotify(&dbl);
    host.list.Select(1);  // two rows selected
    host.list.OnNotify(&key.hdr);
    host.list.OnNotify(&dbl);
    ASSERT_EQ(host.valueCommands.size(), 2u);
    EXPECT_EQ(host.valueCommands[0], (std::pair<int, int>{233, 2}));
    EXPECT_EQ(host.valueCommands[1], (std::pair<int, int>{233, 2}));
    EXPECT_EQ(GetFocus(), list);

    host.list.SelectAll();
    EXPECT_EQ(host.list.SelectedCount(), 4);
    host.list.DeselectAll();
    EXPECT_EQ(host.list.FirstSelected(), -1);
    EXPECT_EQ(host.list.FindRowText("GAMMA"), 3);
    EXPECT_EQ(host.list.FindRowText(Text(142).c_str()), 0);
    EXPECT_EQ(host.list.FindRowText("gam"), -1);
}

TEST(ValueList, ContextMenuDependsOnTheRowUnderThePointer) {
    TestHost host;
    ASSERT_TRUE(host.LoadText(kValues));
    host.SelectPath("HKEY_CURRENT_USER\\Software\\Sortable");
    HWND list = host.list.Hwnd();
    auto pointAtRow = [&](int row) {
        RECT r{};
        ListView_GetItemRect(list, row, &r, LVIR_LABEL);
        POINT p{r.left + 3, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        return p;
    };
    auto has = [&](UINT id) {
        for (auto& e : host.lastMenu)
            if (e.id == id) return true;
        return false;
    };
    auto enabled = [&](UINT id) {
        for (auto& e : host.lastMenu)
            if (e.id == id) return e.enabled;
        return false;
    };

    host.list.Select(1);
    host.list.Select(2);
    host.popupAnswer = 204;
    host.list.OnContextMenu(pointAtRow(2));
    ASSERT_TRUE(has(233)) << "row menu resource missing";
    EXPECT_TRUE(enabled(203));
    EXPECT_FALSE(enabled(204));  // two rows selected
    EXPECT_FALSE(enabled(233));
    EXPECT_EQ(ListView_GetEditControl(list), nullptr);

    host.list.DeselectAll();
    host.list.Select(2);
    host.popupAnswer = 233;
    host.list.OnContextMenu(pointAtRow(2));
    EXPECT_TRUE(enabled(233));
    ASSERT_EQ(host.valueCommands.size(), 1u);
    EXPECT_EQ(host.valueCommands[0], (std::pair<int, int>{233, 2}));
    host.disabledCommands = {203};
    host.popupAnswer = 0;
    host.list.OnContextMenu(pointAtRow(2));
    EXPECT_FALSE(enabled(203));

    // Below the rows: the other menu, whose choice acts on no row.
    RECT client;
    GetClientRect(list, &client);
    POINT below{client.right / 2, client.bottom - 5};
    ClientToScreen(list, &below);
    host.disabledCommands.clear();
    host.popupAnswer = 207;
    host.list.OnContextMenu(below);
    EXPECT_FALSE(has(233));
    EXPECT_TRUE(has(207));
    EXPECT_EQ(host.valueCommands.back().first, 207);
}
