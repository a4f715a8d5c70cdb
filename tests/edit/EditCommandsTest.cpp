// The editing commands over the real views, in the test's own process, and
// the save-changes question where a save that fails can be arranged (the
// saves that work are the UI tests').
#include <gtest/gtest.h>

#include <functional>

#include "resources/resource.h"
#include "shell/SaveCommands.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;
using harness::Answerer;

namespace {

const char kDoc[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
    "@=\"top\"\r\n"
    "\"PATH\"=\"c:\\\\bin\"\r\n"
    "\"New Value #1\"=dword:00000001\r\n"
    "\"new value #2\"=hex:01,02\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q\\Sub\\Deep]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Empty]\r\n\r\n";

std::string KeyText(KeyNode* key) {
    ValueBlock block = key->MainBlock();
    return block.text ? block.text : "";
}

std::vector<std::string> Row(const TestHost& host, int row) {
    auto r = host.Rows()[row];
    return {r.name, r.type, r.data};
}

KeyNode* KeyAt(TestHost& host, const char* path) { return host.tree.KeyOf(host.tree.FindByPath(path)); }

// Edits every value by appending "!" to a string's data; `accept` decides
// whether the editor reports OK.
class FakeEditor : public ValueEditor {
public:
    bool accept = true;
    int opened = 0;
    bool EditValue(ValueEntry& value, void*) override {
        ++opened;
        if (!accept) return false;
        if (auto* s = dynamic_cast<StringValue*>(&value)) s->SetData(s->GetData() + "!");
        value.SetChanged(true);
        return true;
    }
};

struct EditorScope {
    explicit EditorScope(ValueEditor* editor) { SetValueEditor(editor); }
    ~EditorScope() { SetValueEditor(nullptr); }
};

int ButtonOf(HWND tree, HTREEITEM item) {
    TVITEMA tvi{};
    tvi.mask = TVIF_CHILDREN;
    tvi.hItem = item;
    return TreeView_GetItem(tree, &tvi) ? tvi.cChildren : -1;
}

void DeleteKeyOnYes(TestHost& host, HTREEITEM item) {
    Answerer yes(IDYES);
    host.edit.DeleteKey(item);
}

void NewKeyKeepingItsName(TestHost& host, HTREEITEM parent) {
    host.edit.NewKey(parent);
    host.EndLabelEdits();
}

}  // namespace

TEST(NewValue, TakesFreeNameAndStartingDataOfItsKind) {
    struct Case { int command; const char* type; const char* data; const char* line; } cases[] = {
        {ID_EDIT_NEW_STRING, "REG_SZ", "", "\"New Value #3\"=\"\"\r\n"},
        {ID_EDIT_NEW_DWORD, "REG_DWORD", "0x00000000 (0)", "\"New Value #3\"=dword:00000000\r\n"},
        {ID_EDIT_NEW_QWORD, "REG_QWORD", "0x0 (0)", "\"New Value #3\"=hex(b):00,00,00,00,00,00,00,00\r\n"},
        {ID_EDIT_NEW_BINARY, "REG_BINARY", "", "\"New Value #3\"=hex:\r\n"},
        {ID_EDIT_NEW_EXPAND, "REG_EXPAND_SZ", "", "\"New Value #3\"=hex(2):\r\n"},
        {ID_EDIT_NEW_MULTI, "REG_MULTI_SZ", "", "\"New Value #3\"=hex(7):\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TestHost host;
        ASSERT_TRUE(host.Load(kDoc));
        host.Select("HKEY_CURRENT_USER\\Software\\Q");
        host.Command(c.command);
        // The name is being edited in place at once.
        EXPECT_TRUE(ListView_GetEditControl(host.list.Hwnd()));
        host.EndLabelEdits();
        EXPECT_EQ(Row(host, 4), (std::vector<std::string>{"New Value #3", c.type, c.data}));
        std::string text = KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q"));
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
        EXPECT_TRUE(host.document.modified);
    }
}

// The Edit menu's New and both panes' context menus offer the same kinds.
TEST(NewValue, QwordEntryFollowsTheDwordEntryInEveryMenu) {
    // The command after New DWORD Value in the menu or its submenus; 0 when none.
    std::function<UINT(HMENU)> afterDword = [&](HMENU menu) -> UINT {
        for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
            if (HMENU sub = GetSubMenu(menu, i)) {
                if (UINT found = afterDword(sub)) return found;
            } else if (GetMenuItemID(menu, i) == ID_EDIT_NEW_DWORD) {
                return GetMenuItemID(menu, i + 1);
            }
        }
        return 0;
    };
    for (int menuId : {IDR_MAINFRAME, IDR_TREE_MENU, IDR_LIST_MENU}) {
        SCOPED_TRACE(menuId);
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(afterDword(menu), static_cast<UINT>(ID_EDIT_NEW_QWORD));
        DestroyMenu(menu);
    }
}

// Values, then keys, each on Yes (the UI tests answer No): the default row
// stays, emptied.
TEST(Delete, ValuesAndKeysOnYes) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    host.list.Select(0);
    host.list.Select(2);
    host.list.Select(3);
    {
        Answerer yes(IDYES);
        host.edit.DeleteValues();
        EXPECT_EQ(yes.Boxes().size(), 1u);
    }
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{"(Default)", "PATH"}));
    EXPECT_EQ(Row(host, 0), (std::vector<std::string>{"(Default)", "REG_SZ", "(value not set)"}));
    EXPECT_EQ(host.list.ValueAt(0), nullptr);
    EXPECT_EQ(KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q")), "\"PATH\"=\"c:\\\\bin\"\r\n\r\n");
    EXPECT_TRUE(host.document.modified);

    // Only the empty default row selected: nothing is asked, nothing changes.
    host.document.modified = false;
    host.list.DeselectAll();
    host.list.Select(0);
    {
        Answerer any(IDYES);
        host.edit.DeleteValues();
        EXPECT_TRUE(any.Boxes().empty());
    }
    EXPECT_FALSE(host.document.modified);

    {
        Answerer yes(IDYES);
        host.edit.DeleteKey(host.Select("HKEY_CURRENT_USER\\Software\\Q\\Sub"));
        ASSERT_EQ(yes.Boxes().size(), 1u);
        EXPECT_NE(yes.Boxes()[0].text.find("\"Sub\""), std::string::npos) << yes.Boxes()[0].text;
    }
    EXPECT_TRUE(host.document.modified);
    EXPECT_FALSE(host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Q\\Sub"));
    EXPECT_EQ(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q")->FindChild("Sub"), nullptr);

    // A whole top-level key, while its values are shown.
    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    DeleteKeyOnYes(host, host.tree.FindByPath("HKEY_CURRENT_USER"));
    EXPECT_TRUE(host.document.roots.empty());
    EXPECT_EQ(host.list.Key(), nullptr);
    EXPECT_EQ(TreeView_GetCount(host.tree.Hwnd()), 0u);
}

// Undo and Redo as menu commands: the views show the key the step changed,
// the Edit menu names the step, and the states and the caption follow.
TEST(Undo, ViewsShowTheChangedKeyAndTheMenuNamesTheStep) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    auto menuText = [&](UINT id) {
        char text[128] = "";
        GetMenuStringA(GetMenu(host.services.window), id, text, sizeof text, MF_BYCOMMAND);
        return std::string(text);
    };
    auto enabled = [&](UINT id) {
        host.UpdateCommandStates();
        return host.states.IsEnabled(id);
    };
    const char* q = "HKEY_CURRENT_USER\\Software\\Q";
    const std::vector<std::string> rows{"(Default)", "PATH", "New Value #1", "new value #2"};
    EXPECT_FALSE(enabled(ID_EDIT_UNDO));
    DeleteKeyOnYes(host, host.Select(q));
    EXPECT_EQ(menuText(ID_EDIT_UNDO), "&Undo Delete Key\tCtrl+Z");
    EXPECT_TRUE(enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(enabled(ID_EDIT_REDO));

    host.Command(ID_EDIT_UNDO);
    EXPECT_EQ(host.tree.KeyOf(host.tree.Selected()), KeyAt(host, q));
    EXPECT_EQ(host.RowNames(), rows);
    EXPECT_EQ(host.ChildNames(q), (std::vector<std::string>{"Sub"}));
    EXPECT_FALSE(host.document.modified);
    EXPECT_EQ(host.Caption(), "Untitled-Quillon");
    EXPECT_EQ(menuText(ID_EDIT_UNDO), "&Undo\tCtrl+Z");
    EXPECT_EQ(menuText(ID_EDIT_REDO), "R&edo Delete Key\tCtrl+Y");
    EXPECT_FALSE(enabled(ID_EDIT_UNDO));

    // A new edit drops what could be redone; its undo shows the values again.
    ASSERT_TRUE(host.RenameRow(1, "Renamed"));
    EXPECT_EQ(menuText(ID_EDIT_UNDO), "&Undo Rename Value\tCtrl+Z");
    EXPECT_FALSE(enabled(ID_EDIT_REDO));
    host.Command(ID_EDIT_UNDO);
    EXPECT_EQ(host.RowNames(), rows);
    host.Command(ID_EDIT_REDO);
    EXPECT_EQ(host.RowNames()[1], "Renamed");
    EXPECT_EQ(host.Caption(), "Untitled*-Quillon");
}

// A deletion line is a read-only row: no editor, no rename; Delete removes
// the line and nothing else.
TEST(Delete, DeletionLinesAreReadOnlyRowsThatDeleteRemoves) {
    TestHost host;
    ASSERT_TRUE(host.Load("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n\"x\"=\"1\"\r\n\"old\"=- ; gone\r\n\r\n"));
    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    EXPECT_EQ(Row(host, 2), (std::vector<std::string>{"old", "(deletion)", "(value removed by this file)"}));
    FakeEditor editor;
    EditorScope scope(&editor);
    SetFocus(host.list.Hwnd());
    host.list.Select(2);
    host.UpdateCommandStates();
    EXPECT_FALSE(host.states.IsEnabled(ID_EDIT_MODIFY));
    EXPECT_FALSE(host.states.IsEnabled(ID_EDIT_RENAME));
    EXPECT_TRUE(host.states.IsEnabled(ID_EDIT_DELETE));
    host.edit.Modify(2);
    EXPECT_EQ(editor.opened, 0);
    EXPECT_FALSE(host.document.modified);
    {
        Answerer yes(IDYES);
        host.edit.DeleteValues();
    }
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{"(Default)", "x"}));
    EXPECT_EQ(KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q")), "\"x\"=\"1\"\r\n\r\n");
}

TEST(Modify, OpensEditorAndStoresOnlyConfirmedChanges) {
    FakeEditor editor;
    EditorScope scope(&editor);
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    host.Select("HKEY_CURRENT_USER\\Software\\Empty");

    editor.accept = false;
    host.edit.Modify(0);
    EXPECT_EQ(editor.opened, 1);
    EXPECT_EQ(host.list.ValueAt(0), nullptr);
    EXPECT_FALSE(host.document.modified);
    EXPECT_EQ(KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Empty")), "");

    editor.accept = true;
    host.edit.Modify(0);
    ASSERT_NE(host.list.ValueAt(0), nullptr);
    EXPECT_EQ(Row(host, 0), (std::vector<std::string>{"(Default)", "REG_SZ", "!"}));
    EXPECT_EQ(KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Empty")), "@=\"!\"\r\n\r\n");
    EXPECT_TRUE(host.document.modified);

    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    host.list.Select(1);
    host.Command(ID_EDIT_MODIFY);
    EXPECT_EQ(Row(host, 1)[2], "c:\\bin!");
    EXPECT_NE(KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q")).find("\"PATH\"=\"c:\\\\bin!\""),
              std::string::npos);
}

TEST(PasteValuesHere, ClashingNamesGetCountersAndDefaultIsReplaced) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    host.list.Select(1);
    host.edit.PasteValuesHere(
        "\"Path\"=\"x\"\r\n"
        "@=\"new default\"\r\n"
        "\"Fresh\"=dword:00000002\r\n"
        "\"path #1\"=\"y\"\r\n");
    // "Path" takes "Path #1", so the pasted "path #1" cannot keep its name
    // either: two values of one name would leave only the last in the file.
    EXPECT_EQ(host.RowNames(),
              (std::vector<std::string>{"(Default)", "PATH", "New Value #1", "new value #2", "Path #1",
                                        "Fresh", "path #1 #1"}));
    EXPECT_EQ(Row(host, 0)[2], "new default");
    // The pasted rows, and only they, are selected.
    EXPECT_EQ(host.list.SelectedCount(), 4);
    EXPECT_EQ(host.list.FirstSelected(), 0);
    EXPECT_EQ(host.list.NextSelected(0), 4);
    std::string text = KeyText(KeyAt(host, "HKEY_CURRENT_USER\\Software\\Q"));
    EXPECT_EQ(text.find("top"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"new default\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"Path #1\"=\"x\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"path #1 #1\"=\"y\""), std::string::npos) << text;
    EXPECT_TRUE(host.document.modified);

    // Text without values still counts as a change; with no key nothing happens.
    host.document.modified = false;
    host.edit.PasteValuesHere("");
    EXPECT_TRUE(host.document.modified);
    host.tree.SelectItem(nullptr);
    host.document.modified = false;
    host.edit.PasteValuesHere("\"a\"=\"b\"\r\n");
    EXPECT_FALSE(host.document.modified);
}

TEST(PastedKeyName, CountsFromZeroWhileTargetHasChild) {
    TestHost host;
    ASSERT_TRUE(host.Load(
        "REGEDIT4\r\n\r\n[A\\Run]\r\n\r\n[A\\Run #0]\r\n\r\n[A\\Other]\r\n\r\n[B\\Run]\r\n\r\n"));
    HTREEITEM a = host.tree.FindByPath("A");
    HTREEITEM b = host.tree.FindByPath("B");
    EXPECT_EQ(host.edit.PastedKeyName(a, "run"), "run #1");
    EXPECT_EQ(host.edit.PastedKeyName(b, "Run"), "Run #0");
    EXPECT_EQ(host.edit.PastedKeyName(b, "Fresh"), "Fresh");
}

TEST(CommandStates, FollowFocusSelectionAndEditors) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    const UINT treeCommands[] = {ID_EDIT_DELETE, ID_EDIT_RENAME, ID_EDIT_COPY_KEY_NAME, ID_EDIT_NEW_STRING, ID_EDIT_NEW_BINARY,
                                 ID_EDIT_NEW_DWORD, ID_EDIT_NEW_QWORD, ID_EDIT_NEW_EXPAND, ID_EDIT_NEW_MULTI};
    SetFocus(host.tree.Hwnd());
    host.tree.SelectItem(nullptr);
    host.UpdateCommandStates();
    for (UINT id : treeCommands) EXPECT_FALSE(host.states.IsEnabled(id)) << id;
    host.Select("HKEY_CURRENT_USER\\Software\\Q");
    host.UpdateCommandStates();
    for (UINT id : treeCommands) EXPECT_TRUE(host.states.IsEnabled(id)) << id;

    // A default row without a value: Modify creates one, Delete has nothing
    // to delete.
    struct Case { const char* key; std::vector<int> rows; bool editor, rename, modify, remove; } cases[] = {
        {"Q", {}, true, false, false, false},
        {"Q", {0}, true, false, true, true},    // default row with a value
        {"Q", {1}, true, true, true, true},
        {"Q", {1}, false, true, false, true},   // no editor registered
        {"Q", {1, 2}, true, false, false, true},
        {"Empty", {0}, true, false, true, false},
    };
    FakeEditor editor;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << ", " << c.rows.size() << " rows, editor " << c.editor);
        EditorScope scope(c.editor ? &editor : nullptr);
        host.Select((std::string("HKEY_CURRENT_USER\\Software\\") + c.key).c_str());
        SetFocus(host.list.Hwnd());
        host.list.DeselectAll();
        for (int row : c.rows) host.list.Select(row);
        host.UpdateCommandStates();
        EXPECT_EQ(host.states.IsEnabled(ID_EDIT_RENAME), c.rename);
        EXPECT_EQ(host.states.IsEnabled(ID_EDIT_MODIFY), c.modify);
        EXPECT_EQ(host.states.IsEnabled(ID_EDIT_DELETE), c.remove);
        // The tree's commands keep their states while the list has the focus.
        EXPECT_TRUE(host.states.IsEnabled(ID_EDIT_NEW_STRING));
    }
}

// Only the top level has items after a load: New Key under a key whose
// children were never shown shows them first, the new key last; the new key
// is renamed in place and deleted like any other, and the expand button
// follows whether the key has children. Names count from zero, reusing
// freed numbers.
TEST(NewKey, UnderAKeyNeverExpandedShowsItsChildrenFirstThenRenamesDeletesAndNamesFromZero) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    HWND tree = host.tree.Hwnd();
    ASSERT_EQ(TreeView_GetCount(tree), 1u);
    HTREEITEM hkcu = TreeView_GetRoot(tree);
    host.edit.NewKey(hkcu);
    EXPECT_TRUE(TreeView_GetItemState(tree, hkcu, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER"), (std::vector<std::string>{"Software", "New Key #0"}));
    HTREEITEM made = host.tree.Selected();
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(host.tree.KeyOf(made)->name, "New Key #0");
    ASSERT_TRUE(EndLabel(TreeView_GetEditControl(tree), "Typed")) << "the new key is being renamed";
    EXPECT_STREQ(host.document.roots[0]->LastChild()->name, "Typed");
    DeleteKeyOnYes(host, made);
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER"), (std::vector<std::string>{"Software"}));

    // A leaf gets its button with its first child and loses it with its last.
    HTREEITEM empty = host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Empty");
    EXPECT_EQ(ButtonOf(tree, empty), 0);
    NewKeyKeepingItsName(host, empty);
    EXPECT_EQ(ButtonOf(tree, empty), 1);
    DeleteKeyOnYes(host, host.tree.Selected());
    EXPECT_EQ(ButtonOf(tree, empty), 0);

    // Names count from zero and reuse freed numbers.
    ASSERT_EQ(host.Select("HKEY_CURRENT_USER\\Software\\Empty"), empty);
    for (int i = 0; i < 3; ++i) NewKeyKeepingItsName(host, empty);
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER\\Software\\Empty"),
              (std::vector<std::string>{"New Key #0", "New Key #1", "New Key #2"}));
    KeyNode* key = KeyAt(host, "HKEY_CURRENT_USER\\Software\\Empty");
    ASSERT_TRUE(key->firstChild);
    EXPECT_STREQ(key->LastChild()->name, "New Key #2");
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(host.Caption(), "Untitled*-Quillon");

    DeleteKeyOnYes(host, host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Empty\\New Key #1"));
    NewKeyKeepingItsName(host, empty);
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER\\Software\\Empty"),
              (std::vector<std::string>{"New Key #0", "New Key #2", "New Key #1"}));
    // The new key is selected, so its single default row is shown.
    EXPECT_EQ(host.RowNames().size(), 1u);
}

TEST(SaveCommands, QuerySaveFailingOnYesSaysSoAndStops) {
    const std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QuillonSave]\r\n\"Text\"=\"abc\"\r\n\r\n";
    std::string path = WriteTempFile("q-readonly.reg", text);
    TestHost host;
    ASSERT_TRUE(host.Load(text));
    host.document.SetFileName(path.c_str(), "q-readonly.reg");
    host.document.diskStamp = GetFileStamp(path.c_str());  // as an open of the file sets it
    host.Select("HKEY_CURRENT_USER\\Software\\QuillonSave");
    host.edit.PasteValuesHere("\"Added\"=dword:0000002a\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    // The message boxes, not the save's progress dialog: Yes to the
    // question, No to the offer to save under another name.
    Answerer answer([](HWND dialog, const Answerer::Box& box) {
        if (!GetDlgItem(dialog, 0xFFFF)) return 0;
        return box.caption == "Quillon" ? IDYES : IDNO;
    });
    EXPECT_FALSE(QuerySave(host.document, host.HostWindow()));
    auto boxes = answer.Boxes();
    ASSERT_EQ(boxes.size(), 2u) << boxes.back().caption << ": " << boxes.back().text;
    EXPECT_EQ(boxes[1].text,
              "Error writing file!\n\"q-readonly.reg\"\n\nThe file is read-only.\n\n"
              "Do you want to save the document under another name?");
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(harness::ReadFileBytes(path), text);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
