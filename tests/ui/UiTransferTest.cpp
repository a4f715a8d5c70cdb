// Cut, Copy and Paste of keys and values between two running copies of the
// program, through the real clipboard: the whole branch under a free name,
// values merged or added as a block, the top level of an empty document,
// the dialect a pasted branch brings, and what a paste refuses. Drag and drop
// with the real pointer, between the two and inside one: keys onto a key,
// their own parent, themselves and empty space; values onto a key, the list
// and empty space; with and without Ctrl. Dragged items stay where they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

using harness::Session;

namespace {

const char kSource[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run]\r\n"
    "\"a\"=\"x\"\r\n"
    "\"b\"=dword:00000002\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run\\Sub]\r\n"
    "\"c\"=hex:01,02\r\n\r\n";

const char kTarget[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Target]\r\n"
    "\"a\"=\"old\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Target\\Run]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n";

UINT Format(const char* name) { return RegisterClipboardFormatA(name); }
const char kValuesName[] = "{204BBF72-8F30-4e86-958F-5D1E2B84FE2B}";
const char kPathName[] = "{E8C384DB-234D-467d-B3E7-C32949719377}";
const char kBranchName[] = "{B64A2246-1E98-4e03-AAA0-6C668536E391}";

// A command with the focus in a pane, as the menu bar gives it.
void Command(Session& s, HWND pane, int id) {
    ASSERT_TRUE(s.Focus(pane));
    s.app.SendCommand(id);
}

// The window OLE's drag loop makes in the dragging process (Wine's), which
// lives exactly as long as the drag.
bool Dragging(HWND frame) {
    DWORD thread = GetWindowThreadProcessId(frame, nullptr);
    return harness::FirstWhere(nullptr, [thread](HWND hwnd) {
        return GetWindowThreadProcessId(hwnd, nullptr) == thread && harness::ClassName(hwnd) == "WineDragDropTracker32";
    });
}

// A point of the tree below its last item.
POINT EmptySpace(HWND tree) {
    RECT rc{};
    GetClientRect(tree, &rc);
    POINT p{rc.right / 2, rc.bottom - 10};
    ClientToScreen(tree, &p);
    return p;
}

bool Highlighted(HWND tree, HTREEITEM item) {
    return item && (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_DROPHILITED) &
                    TVIS_DROPHILITED);
}

void MoveInSteps(POINT from, POINT to, HWND source) {
    for (int step = 1; step <= 8; ++step) {
        harness::MoveMouse(POINT{from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8});
        harness::Sync(source);
    }
}

struct Stop {
    POINT point;
    // Holds once the target has seen the pointer there (null: nothing to wait for).
    std::function<bool()> seen;
};

// A stop on a tree item, seen once the item shows the drop highlight (and,
// with a `shot` name, a screenshot of `frame` shows it too).
Stop At(HWND tree, HTREEITEM item, HWND frame = nullptr, const char* shot = nullptr) {
    return {harness::ItemPoint(tree, item), [=] {
                return Highlighted(tree, item) && (!shot || harness::Screenshot(frame, harness::ScratchPath(shot)));
            }};
}

// Presses the left button at `from` in the source window, drags through
// the stops (waiting at each until its target has seen the pointer), and
// releases at the last; true when the drag started and ended.
bool Drag(HWND source, POINT from, const std::vector<Stop>& stops, bool ctrl) {
    // A press where the last one was, soon after it, is a double-click, which
    // starts no drag: the press moves a little along the item.
    static POINT lastPress{-100, -100};
    if (abs(from.x - lastPress.x) <= 6 && abs(from.y - lastPress.y) <= 6) from.x -= 7;
    lastPress = from;
    harness::MoveMouse(from);
    harness::Sync(source);
    harness::MouseButton(true);
    POINT at{from.x + 12, from.y + 6};
    MoveInSteps(from, at, source);
    bool ok = harness::WaitUntil([&] { return Dragging(source); }, 5000);
    EXPECT_TRUE(ok) << "the drag did not start";
    // Ctrl pressed once the drag runs: on a list, Ctrl with the press would
    // take the row out of the selection instead.
    if (ctrl) harness::SendKey(VK_CONTROL, false);
    for (size_t i = 0; i < stops.size(); ++i) {
        MoveInSteps(at, stops[i].point, source);
        at = stops[i].point;
        bool seen = !stops[i].seen || harness::WaitUntil(stops[i].seen, 5000);
        EXPECT_TRUE(seen) << "stop " << i << " not seen";
        ok = ok && seen;
    }
    harness::MouseButton(false);
    if (ctrl) harness::SendKey(VK_CONTROL, true);
    return harness::WaitUntil([&] { return !Dragging(source); }, 5000) && ok;
}

// Both windows side by side, so the pointer can reach either.
void SideBySide(Session& a, Session& b) {
    MoveWindow(a.app.Frame(), 0, 0, 630, 700, TRUE);
    MoveWindow(b.app.Frame(), 640, 0, 630, 700, TRUE);
    harness::Sync(a.app.Frame());
    harness::Sync(b.app.Frame());
}

bool Has(HWND tree, const std::string& path) { return harness::TreeFind(tree, path) != nullptr; }

}  // namespace

// A key copied in one copy is pasted into the other with its whole branch,
// twice under the next free names; the target takes the branch's dialect
// and saves in it; only the target is modified. Then values.
TEST(TransferUi, KeyBranchAndValuesBetweenTwoCopies) {
    Session a, b;
    ASSERT_TRUE(a.Start("source.reg", kSource));
    ASSERT_TRUE(b.Start("target.reg", kTarget));

    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    Command(a, a.tree, ID_EDIT_COPY);
    std::string text = harness::ClipboardText(CF_TEXT);
    EXPECT_EQ(text.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n\"a\"=\"x\"", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Run\\Sub]"), std::string::npos);
    EXPECT_EQ(harness::ClipboardText(Format(kBranchName)), text);
    EXPECT_EQ(harness::ClipboardText(Format(kPathName)), "HKEY_CURRENT_USER\\Software\\Run");
    const std::wstring wide(text.begin(), text.end());
    EXPECT_EQ(harness::ClipboardText(CF_UNICODETEXT), std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));

    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Target"));
    Command(b, b.tree, ID_EDIT_PASTE);
    b.app.SendCommand(ID_EDIT_PASTE);
    EXPECT_TRUE(Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #0\\Sub"));
    EXPECT_TRUE(Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #1\\Sub"));
    EXPECT_EQ(b.Caption(), "target.reg*-Quillon");
    EXPECT_EQ(a.Caption(), "source.reg-Quillon");
    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Target\\Run #0"));
    EXPECT_EQ(b.RowNames(), (std::vector<std::string>{"(Default)", "a", "b"}));

    b.app.SendCommand(ID_FILE_SAVE);
    ASSERT_TRUE(harness::WaitUntil([&] { return b.Caption() == "target.reg-Quillon"; }));
    std::string saved = harness::ReadFileBytes(b.path);
    EXPECT_EQ(saved.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Target\\Run #1\\Sub]\r\n\"c\"=hex:01,02"), std::string::npos);
    // A paste is one step, whatever it brought: undone past the save the
    // caption has its mark again; redone to the saved state it has none.
    b.app.SendCommand(ID_EDIT_UNDO);
    EXPECT_TRUE(harness::WaitUntil([&] { return !Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #1"); }));
    EXPECT_TRUE(Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #0\\Sub"));
    EXPECT_EQ(b.Caption(), "target.reg*-Quillon");
    b.app.SendCommand(ID_EDIT_REDO);
    EXPECT_TRUE(harness::WaitUntil([&] { return b.Caption() == "target.reg-Quillon"; }));
    EXPECT_TRUE(Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #1\\Sub"));

    // Values: pasted through the context menu of a key not selected they are
    // added as a block, the same names taking the new data, and that key is
    // selected; pasted onto the selected key they merge, clashes renamed.
    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    // Cut and Copy follow the rows selected in the focused list.
    auto enabled = [&](int id) { return harness::MenuEnabled(a.app.Frame(), id); };
    ASSERT_TRUE(a.Focus(a.list));
    EXPECT_FALSE(enabled(ID_EDIT_COPY) || enabled(ID_EDIT_CUT));
    Command(a, a.list, ID_EDIT_SELECT_ALL);
    EXPECT_TRUE(enabled(ID_EDIT_COPY) && enabled(ID_EDIT_CUT));
    a.app.SendCommand(ID_EDIT_COPY);
    EXPECT_EQ(harness::ClipboardText(CF_TEXT),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n\"a\"=\"x\"\r\n\"b\"=dword:00000002\r\n");

    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Other"));
    ASSERT_TRUE(b.ContextMenu(harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target"), 'P'));
    ASSERT_TRUE(harness::WaitUntil([&] { return b.RowNames().size() == 3; }, 5000));
    auto rows = harness::ListRows(b.list, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"a", "REG_SZ", "x"}));
    EXPECT_EQ(rows[2].cells[0], "b");
    EXPECT_EQ(b.Caption(), "target.reg*-Quillon");

    Command(b, b.list, ID_EDIT_PASTE);
    EXPECT_EQ(b.RowNames(), (std::vector<std::string>{"(Default)", "a", "b", "a #1", "b #1"}));
    a.app.Terminate();
    b.app.Terminate();
}

// Paste into an empty document puts the branch at the top level under its
// own path; Cut answered No keeps the key and its copy on the clipboard.
TEST(TransferUi, TopLevelPasteAndCutAnsweredNo) {
    Session a, b;
    ASSERT_TRUE(a.Start("cut.reg", kSource));
    ASSERT_TRUE(b.StartEmpty());
    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run\\Sub"));
    ASSERT_TRUE(a.Focus(a.tree));
    harness::PressKey('X', harness::kCtrl);
    ASSERT_TRUE(harness::AnswerBox(a.app.Pid(), IDNO));
    EXPECT_TRUE(Has(a.tree, "HKEY_CURRENT_USER\\Software\\Run\\Sub"));
    EXPECT_EQ(a.Caption(), "cut.reg-Quillon");
    EXPECT_EQ(harness::ClipboardText(Format(kPathName)), "HKEY_CURRENT_USER\\Software\\Run\\Sub");

    Command(b, b.tree, ID_EDIT_PASTE);
    EXPECT_TRUE(Has(b.tree, "HKEY_CURRENT_USER\\Software\\Run\\Sub"));
    EXPECT_EQ(b.Caption(), "Untitled*-Quillon");
    a.app.Terminate();
    b.app.Terminate();
}

// Another program's plain text is not pasted, and blocks under our format
// names that are short, lack their terminating zero, are huge, or hold
// something else are read only as far as they go and change nothing.
TEST(TransferUi, ForeignAndHostileClipboardChangesNothing) {
    Session s;
    ASSERT_TRUE(s.Start("hostile.reg", kTarget));
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Software\\Target"));
    const UINT values = Format(kValuesName), path = Format(kPathName), branch = Format(kBranchName);
    const std::string huge(64 << 20, 'A');
    const std::string plain = std::string(kSource) + std::string(1, '\0');
    const std::vector<std::vector<std::pair<UINT, std::string>>> cases = {
        {{CF_TEXT, plain}},
        {{path, "HKEY_CURRENT_USER\\Software\\Run"}, {branch, "REG"}},
        {{path, huge}, {branch, huge}},
        {{path, "HKEY_CURRENT_USER\\Software\\Run"},
         {branch, "REGEDIT5\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n\"a\"=\"x\"\r\n"}},
        {{values, "hello"}},
        {{values, huge}},
    };
    const size_t items = harness::TreeItems(s.tree).size();
    for (size_t i = 0; i < cases.size(); ++i) {
        harness::PlaceClipboardBlocks(cases[i]);
        Command(s, s.tree, ID_EDIT_PASTE);
        Command(s, s.list, ID_EDIT_PASTE);
        ASSERT_TRUE(s.app.Running()) << "case " << i;
        EXPECT_EQ(s.Caption(), "hostile.reg-Quillon") << "case " << i;
        EXPECT_EQ(harness::TreeItems(s.tree).size(), items) << "case " << i;
        EXPECT_EQ(s.RowNames(), (std::vector<std::string>{"(Default)", "a"})) << "case " << i;
    }
    ASSERT_TRUE(s.app.Close());
}

TEST(DragUi, KeysOntoAnotherWindowTheirParentThemselvesAndEmptySpace) {
    Session a, b;
    ASSERT_TRUE(a.Start("drag-source.reg", kSource));
    ASSERT_TRUE(b.Start("drag-target.reg", kTarget));
    SideBySide(a, b);
    const std::string run = "HKEY_CURRENT_USER\\Software\\Run";
    HTREEITEM runItem = harness::TreeFind(a.tree, run);
    HTREEITEM target = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target");
    ASSERT_TRUE(runItem && target);

    // Into the other window, onto a key that has a Run: Run #0, with its
    // branch; the item under the pointer shows the drop highlight meanwhile.
    ASSERT_TRUE(Drag(a.app.Frame(), harness::ItemPoint(a.tree, runItem),
                     {At(b.tree, target, b.app.Frame(), "drop-highlight-key.bmp")}, false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #0\\Sub"); }));
    EXPECT_FALSE(Highlighted(b.tree, target));
    EXPECT_EQ(b.Caption(), "drag-target.reg*-Quillon");
    EXPECT_EQ(a.Caption(), "drag-source.reg-Quillon");

    // With Ctrl (the move effect) the same: a copy, the source stays.
    ASSERT_TRUE(Drag(a.app.Frame(), harness::ItemPoint(a.tree, runItem), {At(b.tree, target)}, true));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(b.tree, "HKEY_CURRENT_USER\\Software\\Target\\Run #1"); }));
    EXPECT_TRUE(Has(a.tree, run + "\\Sub"));

    // Onto its own parent: a copy beside it; onto itself: a copy inside it.
    HTREEITEM software = harness::TreeFind(a.tree, "HKEY_CURRENT_USER\\Software");
    ASSERT_TRUE(Drag(a.app.Frame(), harness::ItemPoint(a.tree, runItem), {At(a.tree, software)}, false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(a.tree, run + " #0\\Sub"); }));
    EXPECT_EQ(a.Caption(), "drag-source.reg*-Quillon");
    runItem = harness::TreeFind(a.tree, run);
    ASSERT_TRUE(Drag(a.app.Frame(), harness::ItemPoint(a.tree, runItem), {At(a.tree, software), At(a.tree, runItem)}, false));
    EXPECT_TRUE(harness::WaitUntil([&] { return Has(a.tree, run + "\\Run\\Sub"); }));

    // Onto empty space: at the top level under its own path (only the top
    // level is looked up, so Software comes twice).
    HTREEITEM sub = harness::TreeFind(a.tree, run + "\\Sub");
    ASSERT_TRUE(Drag(a.app.Frame(), harness::ItemPoint(a.tree, sub), {At(b.tree, target), {EmptySpace(b.tree), nullptr}}, false));
    EXPECT_TRUE(harness::WaitUntil([&] {
        harness::TreeExpandAll(b.tree);
        int software = 0, sub = 0;
        for (const auto& item : harness::TreeItems(b.tree)) {
            software += item.depth == 1 && item.text == "Software";
            sub += item.depth == 3 && item.text == "Sub";
        }
        return software == 2 && sub == 1;
    }));
    a.app.Terminate();
    b.app.Terminate();
}

TEST(DragUi, ValuesOntoEmptySpaceAKeyAndTheList) {
    Session a, b;
    ASSERT_TRUE(a.Start("drag-values.reg", kSource));
    ASSERT_TRUE(b.Start("drop-values.reg", kTarget));
    SideBySide(a, b);
    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Other"));
    HTREEITEM target = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target");

    // Onto empty space in the tree: nothing happens.
    ASSERT_TRUE(Drag(a.app.Frame(), harness::RowPoint(a.list, 1), {At(b.tree, target), {EmptySpace(b.tree), nullptr}}, false));
    EXPECT_EQ(b.Caption(), "drop-values.reg-Quillon");

    // Onto a key that is not selected, with Ctrl: a new block (the dropped
    // data wins, no renaming), and the key is selected.
    ASSERT_TRUE(Drag(a.app.Frame(), harness::RowPoint(a.list, 1), {At(b.tree, target, b.app.Frame(), "drop-highlight-values.bmp")},
                     true));
    ASSERT_TRUE(harness::WaitUntil([&] {
        auto rows = harness::ListRows(b.list, 3);
        return rows.size() == 2 && rows[1].cells == std::vector<std::string>{"a", "REG_SZ", "x"};
    }));
    EXPECT_EQ(b.Caption(), "drop-values.reg*-Quillon");

    // Onto the list: merged into the shown key, a clash renamed.
    HTREEITEM other = harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Other");
    POINT intoList = harness::RowPoint(b.list, 0);
    ASSERT_TRUE(Drag(a.app.Frame(), harness::RowPoint(a.list, 1),
                     {At(b.tree, other), {intoList, [&] { return !Highlighted(b.tree, other); }}}, false));
    EXPECT_TRUE(harness::WaitUntil([&] { return b.RowNames() == std::vector<std::string>{"(Default)", "a", "a #1"}; }));
    EXPECT_EQ(a.RowNames(), (std::vector<std::string>{"(Default)", "a", "b"}));
    a.app.Terminate();
    b.app.Terminate();
}
