// The value editors inside the real program, driven from outside through the
// UI harness: Modify by Enter, by the Edit menu and by double-click, real
// keys typed into the dialogs, the list's data cell, the saved file of each
// dialect, the multi-string editor's context menu shown through the
// frame.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

using harness::Descendant;
using harness::FindVisible;
using harness::Narrow;
using harness::ReadFileBytes;
using harness::Utf16;

using harness::App;

// The program started on a scratch copy of a file.
struct Session : harness::Session {
    int Row(const std::string& name) {
        auto rows = harness::ListRows(list, 3);
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].cells[0] == name) return static_cast<int>(i);
        return -1;
    }
    std::string Cell(const std::string& name, int column) {
        auto rows = harness::ListRows(list, 3);
        int row = Row(name);
        return row < 0 ? "<no row " + name + ">" : rows[row].cells[column];
    }
    // Makes `row` the one selected and focused row.
    bool SelectRow(int row) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = 0;
        harness::SendWithBuffer(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), &item, sizeof item);
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        harness::SendWithBuffer(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), &item, sizeof item);
        harness::Sync(app.Frame());
        auto rows = harness::ListRows(list, 3);
        return row >= 0 && row < static_cast<int>(rows.size()) && rows[row].selected;
    }
};

enum class Open { kEnter, kEditMenu, kDoubleClick };

// Opens the editor of the named row the given way; the dialog, or null.
HWND OpenEditor(Session& s, const std::string& name, Open how) {
    int row = s.Row(name);
    // Focus first: the click that gives it lands beside the rows.
    if (row < 0 || !s.Focus(s.list) || !s.SelectRow(row)) return nullptr;
    switch (how) {
    case Open::kEnter:
        harness::PressKey(VK_RETURN);
        break;
    case Open::kEditMenu:
        harness::PressKey('E', harness::kAlt);
        if (!harness::WaitForMenus(s.app.Pid(), 1, 5000)) return nullptr;
        harness::PressKey(VK_RETURN);  // Modify, the first item, is highlighted
        break;
    case Open::kDoubleClick:
        harness::MoveMouse(harness::RowPoint(s.list, row));
        harness::Sync(s.app.Frame());  // the pointer is there before the clicks
        for (int i = 0; i < 2; ++i) {
            harness::MouseButton(true);
            harness::MouseButton(false);
        }
        break;
    }
    HWND dialog = harness::WaitForDialog(s.app.Pid(), 5000);
    // The dialog takes the keyboard before anything is typed.
    if (dialog) harness::WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5000);
    return dialog;
}

// Real keys into one control of an editor: the selection set first, then
// the text typed.
void TypeInto(HWND dialog, int id, int selStart, int selEnd, const std::string& text) {
    HWND control = Descendant(dialog, id);
    ASSERT_TRUE(control) << "control " << id;
    SendMessageA(control, EM_SETSEL, selStart, selEnd);
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(dialog) == control; }, 5000))
        << "control " << id << " has no focus";
    harness::TypeText(text);
    harness::Sync(dialog);
}

// The multi-string editor: Insert adds "New Item" and starts its label edit;
// the typed text replaces it and Enter ends the edit, not the dialog.
void AddItem(HWND dialog, const std::string& text) {
    HWND list = Descendant(dialog, IDC_STRING_LIST);
    ASSERT_TRUE(list);
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(dialog) == list; }, 5000));
    harness::PressKey(VK_INSERT);
    HWND edit = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] {
        edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
        return edit && harness::FocusOf(dialog) == edit;
    }, 5000));
    harness::TypeText(text);
    harness::PressKey(VK_RETURN);
    ASSERT_TRUE(harness::WaitUntil([&] { return !SendMessageA(list, LVM_GETEDITCONTROL, 0, 0); }, 5000));
    harness::Sync(dialog);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Enter in the label editor closed the dialog";
}

// The hex area is an upper-case edit control: typed digits are stored as shown.
struct ValueEdit {
    const char* name;
    Open how;
    const char* caption;
    int control;  // where the text goes; the list for multi-strings
    int selStart, selEnd;
    const char* typed;
    const char* cell;  // the data cell afterwards
};

struct DialectFile {
    const char* file;
    bool utf16;
    const char* text;
    std::vector<ValueEdit> edits;
    const char* saved;  // the whole saved text (narrowed for UTF-16), without the closing zeros
};

const char kKey[] = "HKEY_CURRENT_USER\\Software\\Quillon";

}  // namespace

TEST(ModifyUi, EveryKindEditedInTheProgramIsShownAndSavedInTheFilesDialect) {
    const DialectFile files[] = {
        {"modify4.reg", false,
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"old\"\r\n\"Exp\"=hex(2):25,41,25,00\r\n\"Multi\"=hex(7):61,00,62,00,00\r\n"
         "\"Num\"=dword:0000001f\r\n\"Bin\"=hex:01,02,03\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Quillon\\Next]\r\n\"Keep\"=\"x\"\r\n\r\n",
         {
             {"Str", Open::kEditMenu, "Edit String", IDC_VALUE_DATA, 0, -1, "a\"b\\c", "a\"b\\c"},
             {"Exp", Open::kDoubleClick, "Edit String", IDC_VALUE_DATA, 1, 2, "B", "%B%"},
             {"Multi", Open::kEnter, nullptr, IDC_STRING_LIST, 0, 0, "cd", "a b cd"},
             {"Num", Open::kEnter, "Edit DWORD Value", IDC_VALUE_DATA, 0, -1, "ff", "0x000000ff (255)"},
             {"Bin", Open::kEnter, "Edit Binary Value", IDC_VALUE_DATA, 12, 12, "4a", "01 02 03 4a"},
         },
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"a\\\"b\\\\c\"\r\n\"Exp\"=hex(2):25,42,25,00\r\n\"Multi\"=hex(7):61,00,62,00,63,64,00,00\r\n"
         "\"Num\"=dword:000000ff\r\n\"Bin\"=hex:01,02,03,4a\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Quillon\\Next]\r\n\"Keep\"=\"x\"\r\n\r\n"},
        {"modify5.reg", true,
         "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"old\"\r\n\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
         "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
         "\"Num\"=dword:0000001f\r\n\"Bin\"=hex:01,02,03\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Quillon\\Next]\r\n\"Keep\"=\"x\"\r\n\r\n",
         {
             {"Str", Open::kEnter, "Edit String", IDC_VALUE_DATA, 0, -1, "new text", "new text"},
             {"Exp", Open::kEnter, "Edit String", IDC_VALUE_DATA, 1, 2, "B", "%B%"},
             {"Multi", Open::kDoubleClick, nullptr, IDC_STRING_LIST, 0, 0, "c", "a b c"},
             {"Num", Open::kEnter, "Edit DWORD Value", IDC_VALUE_DATA, 0, -1, "10", "0x00000010 (16)"},
             {"Bin", Open::kEnter, "Edit Binary Value", IDC_VALUE_DATA, 0, 0, "ff", "ff 01 02 03"},
         },
         "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"new text\"\r\n\"Exp\"=hex(2):25,00,42,00,25,00,00,00\r\n"
         "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,63,00,00,00,00,00\r\n"
         "\"Num\"=dword:00000010\r\n\"Bin\"=hex:ff,01,02,03\r\n\r\n"
         "[HKEY_CURRENT_USER\\Software\\Quillon\\Next]\r\n\"Keep\"=\"x\"\r\n\r\n"},
    };
    for (const DialectFile& file : files) {
        SCOPED_TRACE(file.file);
        Session s;
        ASSERT_TRUE(s.Start(file.file, file.utf16 ? Utf16(file.text) : std::string(file.text)));
        ASSERT_TRUE(s.Select(kKey));
        for (const ValueEdit& edit : file.edits) {
            SCOPED_TRACE(edit.name);
            HWND dialog = OpenEditor(s, edit.name, edit.how);
            ASSERT_TRUE(dialog) << "no editor";
            if (edit.caption) {
                EXPECT_EQ(harness::WindowText(dialog), edit.caption);
            }
            EXPECT_EQ(harness::WindowText(Descendant(dialog, IDC_VALUE_NAME)), edit.name);
            // Centred on the frame, not at its corner.
            RECT d, f;
            GetWindowRect(dialog, &d);
            GetWindowRect(s.app.Frame(), &f);
            EXPECT_LE(std::abs((d.left + d.right) - (f.left + f.right)), 4);
            EXPECT_LE(std::abs((d.top + d.bottom) - (f.top + f.bottom)), 4);
            if (edit.control == IDC_STRING_LIST) AddItem(dialog, edit.typed);
            else TypeInto(dialog, edit.control, edit.selStart, edit.selEnd, edit.typed);
            if (!file.utf16) {
                EXPECT_TRUE(harness::Screenshot(dialog, harness::ScratchPath(std::string("editor-") + edit.name + ".bmp")));
            }
            // Enter presses OK; in the multi-string list it is the dialog's too.
            harness::PressKey(VK_RETURN);
            EXPECT_TRUE(harness::WaitGone(dialog, 5000)) << "OK did not close the editor";
            if (IsWindow(dialog)) harness::PressButton(dialog, IDCANCEL);
            harness::Sync(s.app.Frame());
            EXPECT_EQ(s.Cell(edit.name, 2), edit.cell);
            EXPECT_EQ(s.Caption(), std::string(file.file) + "*-Quillon");
        }
        ASSERT_TRUE(s.Focus(s.list));
        harness::PressKey('S', harness::kCtrl);
        ASSERT_TRUE(harness::WaitUntil([&] { return s.Caption() == std::string(file.file) + "-Quillon"; }, 10000)) << s.Caption();
        // No zero bytes after the text.
        std::string saved = ReadFileBytes(s.path);
        if (file.utf16) {
            ASSERT_EQ(saved.substr(0, 2), "\xFF\xFE");
            EXPECT_EQ(Narrow(saved), file.saved);
        } else {
            EXPECT_EQ(saved, file.saved);
        }
        EXPECT_TRUE(s.app.Close());
    }
}

// The context menu of the strings is tracked by the frame: its menu-select
// prompts switch the frame's status bar to simple mode while it is open.
TEST(ModifyUi, MultiStringContextMenuShowsThroughTheFrameWithTheSelectionStates) {
    Session s;
    ASSERT_TRUE(s.Start("context.reg",
                        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
                        "\"Multi\"=hex(7):61,00,62,00,00\r\n\r\n"));
    ASSERT_TRUE(s.Select(kKey));
    HWND dialog = OpenEditor(s, "Multi", Open::kEnter);
    ASSERT_TRUE(dialog);
    HWND list = Descendant(dialog, IDC_STRING_LIST);
    ASSERT_TRUE(list);
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(dialog) == list; }, 5000));
    HWND statusBar = s.app.Child(STATUSCLASSNAMEA);
    ASSERT_TRUE(statusBar);

    auto menuOpen = [&] { return FindVisible(s.app.Pid(), "#32768", nullptr) != nullptr; };
    auto openMenu = [&] {
        harness::PressKey(VK_F10, harness::kShift);
        return harness::WaitForMenus(s.app.Pid(), 1, 5000);
    };
    auto itemCount = [&] { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); };
    auto labelEditor = [&] { return reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0)); };

    // Nothing selected: Edit and Delete are grayed, so their keys choose nothing.
    ASSERT_EQ(itemCount(), 2);
    for (WORD key : {WORD('E'), WORD('D')}) {
        SCOPED_TRACE(static_cast<char>(key));
        ASSERT_TRUE(openMenu());
        if (key == 'E') {
            harness::PressKey(VK_DOWN);
            EXPECT_TRUE(harness::WaitUntil([&] { return SendMessageA(statusBar, SB_ISSIMPLE, 0, 0) != 0; }, 5000))
                << "the menu is not tracked by the frame";
        }
        harness::PressKey(key);
        // A grayed item's key may close the menu or leave it open.
        if (!harness::WaitUntil([&] { return !menuOpen(); }, 1000)) harness::PressKey(VK_ESCAPE);
        ASSERT_TRUE(harness::WaitUntil([&] { return !menuOpen(); }, 5000));
        harness::Sync(dialog);
        EXPECT_FALSE(labelEditor()) << "grayed Edit was chosen";
        EXPECT_FALSE(FindVisible(s.app.Pid(), "#32770", dialog)) << "grayed Delete was chosen";
        ASSERT_TRUE(IsWindowVisible(dialog));
    }

    // Add is always there: it appends "New Item" and edits its label.
    ASSERT_TRUE(openMenu());
    harness::PressKey('A');
    ASSERT_TRUE(harness::WaitUntil([&] { return labelEditor() != nullptr; }, 5000));
    harness::PressKey(VK_ESCAPE);
    ASSERT_TRUE(harness::WaitUntil([&] { return labelEditor() == nullptr; }, 5000));
    EXPECT_EQ(itemCount(), 3);
    EXPECT_FALSE(SendMessageA(statusBar, SB_ISSIMPLE, 0, 0)) << "the frame's status bar stayed in menu mode";

    // With the new item selected Delete is enabled: it asks, and Yes removes it.
    ASSERT_GE(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    ASSERT_TRUE(openMenu());
    harness::PressKey('D');
    HWND box = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (box = FindVisible(s.app.Pid(), "#32770", dialog)) != nullptr; },
                                   5000))
        << "enabled Delete was not chosen";
    harness::PressButton(box, IDYES);
    ASSERT_TRUE(harness::WaitGone(box, 5000));
    EXPECT_TRUE(harness::WaitUntil([&] { return itemCount() == 2; }, 5000));

    harness::PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(harness::WaitGone(dialog, 5000));
    EXPECT_EQ(s.Caption(), "context.reg-Quillon");
    EXPECT_TRUE(s.app.Close());
}

namespace {

// UTF-16LE bytes of UTF-8 text.
std::string WideBytes(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// Hex data of UTF-16 characters as the program writes it in dialect 5:
// twelve characters to a line.
// UTF-16 hex data of UTF-8 text, in lines broken as the registry editor
// breaks them after "name"=hex(n): with a name of `nameChars` characters.
std::string WideHex(const std::string& utf8WithZeros, size_t nameChars) {
    std::string bytes = WideBytes(utf8WithZeros), out;
    size_t column = nameChars + 10;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i, column += 3) {
        if (i) out += column >= 77 ? ",\\\r\n  " : ",";
        if (i && column >= 77) column = 2;
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        out += digits;
    }
    return out;
}

}  // namespace

// Cyrillic, CJK and emoji in key names, value names, string, hex(2) and
// hex(7) data: shown in the tree, the list, the editors and the status bar,
// typed into the editors, saved as UTF-16 character for character; a save
// as REGEDIT4 first names exactly the characters the legacy page lacks.
TEST(ModifyUi, CharactersOfEveryScriptAreShownEditedAndSavedWhole) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87\\\xe9\x94\xae\xf0\x9f\x8c\x8e";
    const std::string str = "\xd0\x98\xd0\xbc\xd1\x8f", exp = "\xd0\x9f\xd1\x83\xd1\x82\xd1\x8c",
                      multi = "\xd0\xa1\xd0\xbf\xd0\xb8\xd1\x81\xd0\xbe\xd0\xba";  // Имя, Путь, Список
    const std::string expData = std::string("%SystemRoot%\\\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0\xe4\xb8\xad\xf0\x9f\x8c\x8f") + '\0';
    const std::string multiData = std::string("\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb2\xd1\x8b\xd0\xb9") + '\0' + "\xe7\xac\xac\xe4\xba\x8c" +
                                  '\0' + "\xf0\x9f\x8c\x8e" + '\0' + '\0';  // первый, 第二, 🌎
    const std::string renamed = key + "\xd0\x81";  // "Ё" typed into the key's label
    auto file = [&](const std::string& strData, const std::string& e, const std::string& m, bool edited = false) {
        return "Windows Registry Editor Version 5.00\r\n\r\n[" + (edited ? renamed : key) + "]\r\n\"" + str + "\"=\"" + strData + "\"\r\n\"" +
               exp + "\"=hex(2):" + WideHex(e, 4) + "\r\n\"" + multi + "\"=hex(7):" + WideHex(m, 6) + "\r\n";
    };
    Session s;
    ASSERT_TRUE(s.Start("world.reg", "\xFF\xFE" + WideBytes(file("\xd0\x94\xd0\xb0\xd0\xbd \xe6\x95\xb0 \xf0\x9f\x8c\x8d", expData,
                                                                  multiData) + "\r\n") +
                                             std::string(2, '\0')));
    ASSERT_TRUE(s.Select(key));
    std::string status = harness::WindowText(s.app.Child(STATUSCLASSNAMEA));
    EXPECT_EQ(status, key);
    EXPECT_EQ(s.Cell(exp, 2), "%SystemRoot%\\\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0\xe4\xb8\xad\xf0\x9f\x8c\x8f");
    EXPECT_EQ(s.Cell(multi, 2), "\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb2\xd1\x8b\xd0\xb9 \xe7\xac\xac\xe4\xba\x8c \xf0\x9f\x8c\x8e");

    const std::string typedStr = "\xd0\x96\xd1\x91\xd0\xbb\xd1\x82\xd1\x8b\xd0\xb9 \xe9\xbb\x84 \xf0\x9f\x8c\x95";  // Жёлтый 黄 🌕
    const std::string typedExp = "%\xd0\x9f\xd0\xa3\xd0\xa2\xd0\xac%\\\xe6\x96\x87\xf0\x9f\x8c\x99";          // %ПУТЬ%\文🌙
    const std::string typedItem = "\xce\xa9\xe6\x96\x87\xf0\x9f\x8c\x90";                                    // Ω文🌐
    struct Edit { std::string name; int control; std::string typed, cell; } edits[] = {
        {str, IDC_VALUE_DATA, typedStr, typedStr},
        {exp, IDC_VALUE_DATA, typedExp, typedExp},
        {multi, IDC_STRING_LIST, typedItem,
         "\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb2\xd1\x8b\xd0\xb9 \xe7\xac\xac\xe4\xba\x8c \xf0\x9f\x8c\x8e " + typedItem},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        HWND dialog = OpenEditor(s, edit.name, Open::kEnter);
        ASSERT_TRUE(dialog) << "no editor";
        EXPECT_EQ(harness::WindowText(Descendant(dialog, IDC_VALUE_NAME)), edit.name);
        if (edit.control == IDC_STRING_LIST)
            AddItem(dialog, edit.typed);
        else
            TypeInto(dialog, edit.control, 0, -1, edit.typed);
        if (edit.name == exp) {
            EXPECT_TRUE(harness::Screenshot(dialog, harness::ScratchPath("editor-characters.bmp")));
        }
        harness::PressKey(VK_RETURN);
        EXPECT_TRUE(harness::WaitGone(dialog, 5000)) << "OK did not close the editor";
        if (IsWindow(dialog)) harness::PressButton(dialog, IDCANCEL);
        harness::Sync(s.app.Frame());
        EXPECT_EQ(s.Cell(edit.name, 2), edit.cell);
    }
    // The key's name through its label edit.
    ASSERT_TRUE(s.Focus(s.tree));
    s.app.PostCommand(ID_EDIT_RENAME);
    HWND label = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] {
        label = reinterpret_cast<HWND>(SendMessageA(s.tree, TVM_GETEDITCONTROL, 0, 0));
        return label && harness::FocusOf(s.app.Frame()) == label;
    }, 5000));
    harness::PressKey(VK_END);
    harness::TypeText("\xd0\x81");
    harness::PressKey(VK_RETURN);
    ASSERT_TRUE(harness::WaitUntil([&] { return !SendMessageA(s.tree, TVM_GETEDITCONTROL, 0, 0); }, 5000));
    harness::Sync(s.app.Frame());
    EXPECT_TRUE(harness::TreeFind(s.tree, renamed));
    EXPECT_TRUE(harness::Screenshot(s.app.Frame(), harness::ScratchPath("frame-characters.bmp")));

    ASSERT_TRUE(s.Focus(s.list));
    harness::PressKey('S', harness::kCtrl);
    ASSERT_TRUE(harness::WaitUntil([&] { return s.Caption() == "world.reg-Quillon"; }, 10000)) << s.Caption();
    const std::string multiSaved = multiData.substr(0, multiData.size() - 1) + typedItem + '\0' + '\0';
    const std::string saved = file(typedStr, typedExp + '\0', multiSaved, true);
    EXPECT_EQ(ReadFileBytes(s.path), "\xFF\xFE" + WideBytes(saved + "\r\n"));

    // REGEDIT4: the box names what code page 1252 lacks in the text and the
    // character data, once each; Cancel writes nothing.
    std::string wide = WideBytes(saved + typedExp + multiSaved);
    std::set<std::string> lacking;
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
        const wchar_t* unit = reinterpret_cast<const wchar_t*>(wide.data() + i);
        int units = *unit >= 0xD800 && *unit < 0xDC00 ? 2 : 1;
        BOOL missing = FALSE;
        char probe[8];
        WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, unit, units, probe, sizeof probe, nullptr, &missing);
        if (missing) {
            char utf8[8];
            int n = WideCharToMultiByte(CP_UTF8, 0, unit, units, utf8, sizeof utf8, nullptr, nullptr);
            lacking.insert(std::string(utf8, static_cast<size_t>(n)));
        }
        i += 2 * (units - 1);
    }
    std::string target = harness::ScratchPath("world4.reg");
    DeleteFileA(target.c_str());
    s.app.PostCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), target, 2));
    HWND box = harness::WaitForMessageBox(s.app.Pid());
    ASSERT_TRUE(box);
    std::string text = harness::MessageBoxText(box);
    size_t from = text.find("\n\n"), to = text.rfind("\n\n");
    ASSERT_TRUE(from != std::string::npos && to > from) << text;
    std::set<std::string> listed;
    std::string list = text.substr(from + 2, to - from - 2);
    for (size_t at = 0; at < list.size();) {
        size_t space = list.find(' ', at);
        if (space == std::string::npos) space = list.size();
        listed.insert(list.substr(at, space - at));
        at = space + 1;
    }
    EXPECT_EQ(listed, lacking) << text;
    harness::PressButton(box, IDCANCEL);
    ASSERT_TRUE(harness::WaitGone(box));
    harness::Sync(s.app.Frame());
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(s.Caption(), "world.reg-Quillon");
    EXPECT_TRUE(s.app.Close());
}
