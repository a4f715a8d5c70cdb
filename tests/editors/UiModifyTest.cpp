// The value editors inside the real program, driven from outside through the
// UI harness: Modify by Enter, by the Edit menu and by double-click, real
// keys typed into the dialogs, the list's data cell, the saved file of each
// dialect, Cancel, the multi-string editor's context menu shown through the
// frame.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

// Where the screenshots of the editors go: QUILLON_SHOTS when set, else the
// scratch folder of the run.
std::string ShotPath(const std::string& name) {
    const char* dir = std::getenv("QUILLON_SHOTS");
    return dir && *dir ? std::string(dir) + "\\" + name : harness::ScratchPath(name);
}

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
    bool RowCenter(int row, POINT* screen) {
        RECT r{};
        r.left = LVIR_LABEL;
        if (!harness::SendWithBuffer(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), &r, sizeof r)) return false;
        POINT p{r.left + 6, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        *screen = p;
        return true;
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
    case Open::kDoubleClick: {
        POINT p{};
        if (!s.RowCenter(row, &p)) return nullptr;
        harness::MoveMouse(p);
        harness::Sync(s.app.Frame());  // the pointer is there before the clicks
        for (int i = 0; i < 2; ++i) {
            harness::MouseButton(true);
            harness::MouseButton(false);
        }
        break;
    }
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
             {"Num", Open::kEnter, "Edit DWORD Value", IDC_VALUE_DATA, 0, -1, "ff", "0x0000ff(255)"},
             {"Bin", Open::kEnter, "Edit Binary Value", IDC_VALUE_DATA, 12, 12, "4a", "01 02 03 4A"},
         },
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"a\\\"b\\\\c\"\r\n\"Exp\"=hex(2):25,42,25,00\r\n\"Multi\"=hex(7):61,00,62,00,63,64,00,00\r\n"
         "\"Num\"=dword:000000ff\r\n\"Bin\"=hex:01,02,03,4A\r\n"
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
             {"Num", Open::kEnter, "Edit DWORD Value", IDC_VALUE_DATA, 0, -1, "10", "0x000010(16)"},
             {"Bin", Open::kEnter, "Edit Binary Value", IDC_VALUE_DATA, 0, 0, "ff", "FF 01 02 03"},
         },
         "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
         "\"Str\"=\"new text\"\r\n\"Exp\"=hex(2):25,00,42,00,25,00,00,00\r\n"
         "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,63,00,00,00,00,00\r\n"
         "\"Num\"=dword:00000010\r\n\"Bin\"=hex:FF,01,02,03\r\n"
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
            if (edit.control == IDC_STRING_LIST) AddItem(dialog, edit.typed);
            else TypeInto(dialog, edit.control, edit.selStart, edit.selEnd, edit.typed);
            if (!file.utf16) {
                EXPECT_TRUE(harness::Screenshot(dialog, ShotPath(std::string("editor-") + edit.name + ".png")));
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
        std::string saved = ReadFileBytes(s.path);
        ASSERT_GE(saved.size(), 2u);
        EXPECT_EQ(saved.substr(saved.size() - 2), std::string(2, '\0'));
        if (file.utf16) {
            ASSERT_EQ(saved.substr(0, 2), "\xFF\xFE");
            EXPECT_EQ(Narrow(saved.substr(0, saved.size() - 2)), file.saved);
        } else {
            EXPECT_EQ(saved.substr(0, saved.size() - 2), file.saved);
        }
        EXPECT_TRUE(s.app.Close());
    }
}

TEST(ModifyUi, CancelLeavesTheValueAndTheCaption) {
    Session s;
    ASSERT_TRUE(s.Start("cancel.reg",
                        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillon]\r\n"
                        "\"Str\"=\"old\"\r\n\"Num\"=dword:0000001f\r\n\"Multi\"=hex(7):61,00,00\r\n\r\n"));
    ASSERT_TRUE(s.Select(kKey));
    struct Case {
        const char* name;
        int control;
        const char* typed;
        WORD key;  // Escape, or 0 for the Cancel button
    };
    const Case cases[] = {
        {"Str", IDC_VALUE_DATA, "changed", VK_ESCAPE},
        {"Num", IDC_VALUE_DATA, "7", 0},
        {"Multi", IDC_STRING_LIST, "more", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = s.Cell(c.name, 2);
        HWND dialog = OpenEditor(s, c.name, Open::kEnter);
        ASSERT_TRUE(dialog);
        if (c.control == IDC_STRING_LIST) AddItem(dialog, c.typed);
        else TypeInto(dialog, c.control, 0, -1, c.typed);
        if (c.key) harness::PressKey(c.key);
        else harness::PressButton(dialog, IDCANCEL);
        ASSERT_TRUE(harness::WaitGone(dialog, 5000));
        harness::Sync(s.app.Frame());
        EXPECT_EQ(s.Cell(c.name, 2), before);
        EXPECT_EQ(s.Caption(), "cancel.reg-Quillon");
    }
    EXPECT_TRUE(s.app.Close());
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

