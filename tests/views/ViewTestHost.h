#pragma once
// Hosts the key tree, the value list and the editing commands in a window of
// the test's own process, with real command states, so the tests reach the
// document, the views and the states directly. Its answers to the views'
// requests are kept thin: what the frame would route elsewhere is only
// recorded.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/CommandTable.h"
#include "tests/ui/Harness.h"
#include "views/EditCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace viewtest {

class TestHost {
public:
    TestHost();
    ~TestHost();

    // The top-level window: boxes are owned by it, the menu bar is its.
    HWND HostWindow() const { return top_; }
    void UpdateCommandStates();
    void UpdateTitle();
    // Greys the commands whatever their rooms say, as the frame's other rooms would.
    void DisableCommands(std::vector<int> ids);

    // Parses a whole .reg text into the document and rebuilds the tree.
    bool Load(const std::string& text, bool checkDuplicates = true);
    HTREEITEM Select(const char* path);
    // Ends a label edit that a command started: a key keeps its text, a
    // value's edit is cancelled.
    void EndLabelEdits();
    // Renames in place as the user would: opens the label editor of a key's
    // item or a value's row, types the text and presses Enter (Escape when
    // `cancel`); false when no editor opened
    // (for a key: when the tree did not report the edit's start).
    bool RenameKey(HTREEITEM item, const char* text, bool cancel = false);
    bool RenameRow(int row, const char* text, bool cancel = false);
    std::string Caption() const;
    std::string StatusText();
    // A menu command, as the frame routes it.
    void Command(int id) { SendMessageA(panel_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    struct Row { std::string name, type, data; int image; };
    std::vector<Row> Rows() const;
    std::vector<std::string> RowNames() const;
    // The names of the items below a key path (the top level for null), as
    // the tree shows them once the key is expanded.
    std::vector<std::string> ChildNames(const char* path);

    RegDocument document;
    ViewHost services;  // answered by this host's panel
    KeyTreeView tree;
    ValueListView list;
    fw::CommandStates states;
    EditCommands edit{services, tree, list};
    // Menu commands (Command) run through a table of the edit commands and
    // the tree, as in the frame.
    fw::CommandTable commands;

    // The popup handed to TrackPopup, as it stood, and the command to answer.
    struct MenuEntry { UINT id; std::string text; bool enabled, isDefault; };
    std::vector<MenuEntry> lastMenu;
    int popupAnswer = 0;
    // Opens the tree's or the list's context menu at a screen point, to
    // choose `answer` (0: nothing) from it.
    void KeyMenu(POINT at, int answer) { popupAnswer = answer; tree.OnContextMenu(at); }
    void ValueMenu(POINT at, int answer) { popupAnswer = answer; list.OnContextMenu(at); }
    // The entry of the last popup with the command, or null.
    const MenuEntry* MenuItem(UINT id) const;
    // Screen points in the middle of a tree item's and of a list row's label.
    POINT ItemPoint(HTREEITEM item) const { return harness::ItemPoint(tree.Hwnd(), item); }
    POINT RowPoint(int row) const { return harness::RowPoint(list.Hwnd(), row); }
    std::vector<std::pair<int, HTREEITEM>> keyCommands;  // from the tree, with its command item
    std::vector<std::pair<int, int>> valueCommands;      // from the list, with its command row

private:
    LRESULT AnswerViews(WPARAM request, LPARAM data);
    int AnswerPopup(HMENU popup);
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND top_ = nullptr;     // shared by every host of the run
    HWND panel_ = nullptr;   // this host's child holding the views
    HWND status_ = nullptr;
    std::vector<int> disabled_;
};

// Dispatches what this thread's queue holds, until it is empty.
void Pump();
// Types into a label editor and ends the edit with Enter, or Escape when
// `cancel`, as the user would; false when there is no editor.
bool EndLabel(HWND editor, const char* text, bool cancel = false);

// A fresh file in the scratch folder holding the bytes; its path.
std::string WriteTempFile(const std::string& name, const std::string& bytes);

// The document's keys in pre-order as (depth, name).
std::vector<std::pair<int, std::string>> DocumentKeys(const RegDocument& document);
// The tree's items in pre-order as (depth, text), once every branch has
// been expanded as a user opening them all would.
std::vector<std::pair<int, std::string>> ExpandedTreeKeys(HWND tree);
// The items in pre-order as they are: a branch never expanded has none yet.
std::vector<std::pair<int, std::string>> TreeKeys(HWND tree);
// The text of one tree item of this process.
std::string ItemText(HWND tree, HTREEITEM item);

}  // namespace viewtest
