// The main frame's own behaviour, on the real program: start-up and the
// command line, caption, layout, toolbar and status bar toggles, Exit, the
// keyboard through the message filter, view source, tooltips, the splitter
// and the menu prompts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

RECT ClientRectOf(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return rc;
}

// Window rectangle in the client coordinates of `parent`.
RECT RectIn(HWND child, HWND parent) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The caption of a document without a title: the program's name, with no
// document title before it.
bool IsTitleless(HWND frame) {
    std::string caption = harness::WindowText(frame);
    return caption == "Quillon" || caption == "-Quillon";
}

std::string SimpleStatusText(HWND status) {
    char text[256] = "";
    // In simple mode part 0 answers with the simple text.
    harness::SendWithBuffer(status, SB_GETTEXTA, 0, text, sizeof text);
    text[sizeof text - 1] = '\0';
    return text;
}

// The file name is taken quoted (words after it ignored) or unquoted and
// whole, and made a full path; a file that cannot be read is named in the
// read-error box and leaves the frame without a document.
TEST(CommandLine, OpensTheFileNamedQuotedOrWithBlanks) {
    std::string dir = harness::ScratchPath("");
    ASSERT_TRUE(harness::WriteFile(dir + "two words.reg",
                                   harness::ReadFileBytes(harness::SourcePath("samples/sample.reg"))));
    struct Case {
        const char* name;
        std::string args;
        bool opens;
        std::string shownPath;  // the path the read-error box names
    };
    const Case cases[] = {
        {"quoted with blanks, words after it ignored", "\"" + dir + "two words.reg\" /extra words", true, ""},
        {"unquoted with blanks and dots", dir + "sub\\..\\two words.reg", true, ""},
        {"missing, without closing quote", "\"" + dir + "sub\\..\\not there.reg", false, dir + "not there.reg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness::App app;
        ASSERT_TRUE(app.Start(c.args));
        HWND tree = app.Child(WC_TREEVIEWA);
        if (c.opens) {
            ASSERT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "two words.reg-Quillon"; }));
            EXPECT_TRUE(harness::NoDialogNow(app.Frame()));
            EXPECT_EQ(harness::TreeItems(tree).size(), 2u);
        } else {
            auto box = harness::AnswerBox(app.Pid(), IDOK);
            ASSERT_TRUE(box);
            EXPECT_EQ(box->caption, "") << "read errors have an empty caption";
            EXPECT_NE(box->text.find("\"" + c.shownPath + "\""), std::string::npos);
            // No untitled document is started either.
            EXPECT_TRUE(IsTitleless(app.Frame())) << harness::WindowText(app.Frame());
            EXPECT_TRUE(harness::TreeItems(tree).empty());
        }
        EXPECT_TRUE(app.Close(0));
    }
}

// The untitled frame: its layout, the toolbar's tooltips and the menu
// prompts from the commands' strings, the splitter, the bars' toggles
// (not stored), and Exit with code 0.
TEST(Frame, UntitledLayoutTooltipsPromptsSplitterBarTogglesAndExit) {
    harness::App app;
    ASSERT_TRUE(app.Start()) << "no frame of class " << harness::kFrameClass;
    HWND frame = app.Frame();
    EXPECT_EQ(harness::WindowText(frame), "Untitled-Quillon");
    HWND tree = app.Child(WC_TREEVIEWA);
    HWND list = app.Child(WC_LISTVIEWA);
    HWND status = app.Child(STATUSCLASSNAMEA);
    HWND rebar = app.Child(REBARCLASSNAMEA);
    HWND toolbar = app.Child(TOOLBARCLASSNAMEA);
    ASSERT_TRUE(tree && list && status && rebar && toolbar);

    RECT client = ClientRectOf(frame);
    RECT treeRc = RectIn(tree, frame), listRc = RectIn(list, frame);
    RECT statusRc = RectIn(status, frame), rebarRc = RectIn(rebar, frame);
    EXPECT_NEAR(treeRc.right - treeRc.left, client.right / 3, 2);
    EXPECT_LT(treeRc.right, listRc.left) << "panes side by side, bar between";
    EXPECT_EQ(listRc.right, client.right);
    EXPECT_EQ(treeRc.top, rebarRc.bottom) << "panes start below the toolbar";
    EXPECT_EQ(treeRc.bottom, statusRc.top) << "panes end above the status bar";
    EXPECT_GT(rebarRc.bottom - rebarRc.top, 15);
    EXPECT_EQ(harness::WindowText(status), "Ready");

    EXPECT_TRUE(harness::Screenshot(frame, harness::ScratchPath("frame.bmp")));
    // Save needs a modified document; the first idle update disables it, New stays.
    EXPECT_TRUE(harness::WaitUntil([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, 57603, 0) == 0; }));
    EXPECT_NE(SendMessageA(toolbar, TB_ISBUTTONENABLED, 57600, 0), 0);
    EXPECT_FALSE(harness::MenuEnabled(frame, ID_FILE_EXPORT)) << "Export is disabled without keys";

    // A command's string gives the tooltip of its toolbar button and the
    // status bar's prompt while its menu item is highlighted.
    ASSERT_TRUE(harness::BringToFront(app.Frame()));
    struct Case { UINT id; const char* text; };
    // New has a tooltip line after its prompt; Quick RegEdit Call's string is
    // its tooltip as a whole.
    for (Case c : {Case{ID_FILE_NEW, "New"}, Case{ID_QUICK_REGEDIT, "Quick RegEdit Call"}}) {
        SCOPED_TRACE(c.text);
        RECT rc{};
        ASSERT_TRUE(harness::ToolbarButtonRect(toolbar, c.id, &rc));
        harness::MoveMouse(POINT{(rc.left + rc.right) / 2 + 1, (rc.top + rc.bottom) / 2});
        harness::MoveMouse(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
        HWND tip = nullptr;
        EXPECT_TRUE(harness::WaitUntil([&] {
            tip = harness::FindTooltip(app.Pid());
            return tip && harness::WindowText(tip) == c.text;
        }, 5000)) << (tip ? harness::WindowText(tip) : std::string("no tooltip"));
    }
    harness::MoveMouse(POINT{0, 0});
    const Case prompts[] = {
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar"},  // the tooltip line is not shown
        {ID_QUICK_REGEDIT, "Quick RegEdit Call"},
        {9999, ""},  // no prompt: an empty bar, not the last one
    };
    // Any menu handle: the frame only tells a highlighted item from a closed menu.
    LPARAM menu = reinterpret_cast<LPARAM>(GetMenu(app.Frame()));
    for (const Case& c : prompts) {
        SendMessageA(app.Frame(), WM_MENUSELECT, MAKEWPARAM(c.id, MF_STRING), menu);
        EXPECT_NE(SendMessageA(status, SB_ISSIMPLE, 0, 0), 0);
        EXPECT_EQ(SimpleStatusText(status), c.text) << c.id;
    }
    // The menu closes: the normal text comes back.
    SendMessageA(app.Frame(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(SendMessageA(status, SB_ISSIMPLE, 0, 0), 0);
    EXPECT_EQ(harness::WindowText(status), "Ready");

    // The splitter bar drags and stays inside the frame.
    auto width = [](HWND w) { RECT r{}; GetWindowRect(w, &r); return static_cast<int>(r.right - r.left); };
    auto drag = [&](int dx) {
        RECT t{}, l{};
        GetWindowRect(tree, &t);
        GetWindowRect(list, &l);
        POINT bar{(t.right + l.left) / 2, (t.top + t.bottom) / 2};
        // Each step is taken before the next one is sent: Wine moves the
        // pointer through the X server, and a button pressed before the move
        // has arrived lands where the pointer was.
        harness::MoveMouse(bar);
        harness::Sync(app.Frame());
        harness::MouseButton(true);
        harness::Sync(app.Frame());
        harness::MoveMouse(POINT{bar.x + dx / 2, bar.y});
        harness::Sync(app.Frame());
        harness::MoveMouse(POINT{bar.x + dx, bar.y});
        harness::Sync(app.Frame());
        harness::MouseButton(false);
        harness::Sync(app.Frame());
    };
    int before = width(tree), listBefore = width(list);
    drag(100);
    EXPECT_TRUE(harness::WaitUntil([&] { return std::abs(width(tree) - (before + 100)) <= 2; }, 5000))
        << width(tree);
    EXPECT_NEAR(width(list), listBefore - 100, 2) << "the list gives the room";
    // Far beyond the right edge: the bar stops at the frame's edge.
    drag(3000);
    client = ClientRectOf(frame);
    EXPECT_LE(width(tree), client.right);
    EXPECT_GE(width(list), 0);

    struct Toggle { int command; HWND bar; };
    for (Toggle t : {Toggle{ID_VIEW_TOOLBAR, toolbar}, Toggle{ID_VIEW_STATUS_BAR, status}}) {
        SCOPED_TRACE(t.command);
        auto checked = [&] { return harness::MenuChecked(frame, t.command); };
        EXPECT_TRUE(checked());
        EXPECT_TRUE(IsWindowVisible(t.bar));

        int rebarHeight = RectIn(rebar, frame).bottom;
        app.SendCommand(t.command);
        EXPECT_FALSE(checked());
        client = ClientRectOf(frame);
        treeRc = RectIn(tree, frame);
        if (t.command == ID_VIEW_TOOLBAR) {
            // The toolbar's band goes; the menu's band stays.
            EXPECT_TRUE(IsWindowVisible(rebar));
            EXPECT_FALSE(IsWindowVisible(toolbar));
            EXPECT_LT(treeRc.top, rebarHeight) << "panes move up";
            EXPECT_EQ(treeRc.top, RectIn(rebar, frame).bottom);
        } else {
            EXPECT_FALSE(IsWindowVisible(t.bar));
            EXPECT_EQ(treeRc.bottom, client.bottom) << "panes reach the bottom";
        }

        app.SendCommand(t.command);
        EXPECT_TRUE(checked());
        EXPECT_TRUE(IsWindowVisible(t.bar));
        treeRc = RectIn(tree, frame);
        if (t.command == ID_VIEW_TOOLBAR) EXPECT_EQ(treeRc.top, rebarHeight);
        else EXPECT_EQ(treeRc.bottom, RectIn(status, frame).top);
    }
    // Neither state is stored: the next start shows both bars again.
    app.SendCommand(ID_VIEW_TOOLBAR);
    app.PostCommand(ID_APP_EXIT);
    EXPECT_EQ(app.WaitExit(), 0u);
    harness::App third;
    ASSERT_TRUE(third.Start());
    EXPECT_TRUE(IsWindowVisible(third.Child(TOOLBARCLASSNAMEA)));
    EXPECT_TRUE(third.Close(0));
}

std::string SampleArg() { return "\"" + harness::SourcePath("samples/sample.reg") + "\""; }

// Keys go through the frame's message filter: Tab moves between the panes,
// accelerators reach the frame, but while a label is edited every key is the
// editor's (Del deletes text, not the key; Ctrl+N starts no new document).
TEST(Keyboard, AcceleratorsAndPaneNavigationLeaveLabelEditingAlone) {
    harness::App app;
    ASSERT_TRUE(app.Start(SampleArg()));
    HWND tree = app.Child(WC_TREEVIEWA);
    HWND list = app.Child(WC_LISTVIEWA);
    const char* path = "HKEY_CURRENT_USER\\Software\\Quillon Sample";
    HTREEITEM key = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (key = harness::TreeFind(tree, path)) != nullptr; }));
    ASSERT_TRUE(harness::TreeSelect(tree, key));
    ASSERT_TRUE(harness::BringToFront(app.Frame()));
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(app.Frame()) == tree; }, 5000));

    harness::PressKey(VK_TAB);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(app.Frame()) == list; }, 5000));
    harness::PressKey(VK_TAB, harness::kShift);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(app.Frame()) == tree; }, 5000));

    harness::PressKey(VK_F2);
    HWND edit = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] {
        return (edit = reinterpret_cast<HWND>(SendMessageA(tree, TVM_GETEDITCONTROL, 0, 0))) != nullptr;
    }, 5000)) << "F2 starts the rename";
    harness::PressKey(VK_DELETE);
    harness::PressKey('N', harness::kCtrl);
    harness::PressKey(VK_TAB);
    harness::TypeText("xy");
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(edit).find("xy") != std::string::npos; }, 5000))
        << harness::WindowText(edit);
    EXPECT_TRUE(harness::NoDialogNow(app.Frame())) << "Del reached the key";
    EXPECT_EQ(harness::WindowText(app.Frame()), "sample.reg-Quillon");
    EXPECT_TRUE(IsWindow(edit));
    harness::PressKey(VK_ESCAPE);
    EXPECT_TRUE(harness::WaitGone(edit, 5000));
    EXPECT_NE(harness::TreeFind(tree, path), nullptr) << "a cancelled edit keeps the name";

    // Escape and Enter go to the frame as IDCANCEL and IDOK of its dialog
    // navigation; neither may close it. Ctrl+N is New.
    harness::PressKey(VK_ESCAPE);
    harness::PressKey(VK_RETURN);
    harness::Sync(app.Frame());
    EXPECT_TRUE(app.Running());
    harness::PressKey('N', harness::kCtrl);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "Untitled-Quillon"; }, 5000))
        << harness::WindowText(app.Frame());
    EXPECT_TRUE(harness::TreeItems(tree).empty());
    EXPECT_TRUE(app.Close(0));
}

TEST(Frame, ViewSourceOpensTheDocumentsFileInTheTextEditor) {
    ASSERT_EQ(FindWindowA("Notepad", nullptr), nullptr) << "a text editor is already open";
    harness::App app;
    ASSERT_TRUE(app.Start(SampleArg()));
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == "sample.reg-Quillon"; }));
    app.SendCommand(ID_VIEW_SOURCE);
    HWND notepad = nullptr;
    EXPECT_TRUE(harness::WaitUntil([&] { return (notepad = FindWindowA("Notepad", nullptr)) != nullptr; }));
    if (notepad) {
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(notepad).find("sample") != std::string::npos; }, 5000))
            << harness::WindowText(notepad);
        DWORD pid = 0;
        GetWindowThreadProcessId(notepad, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, harness::kTimeout);
            CloseHandle(process);
        }
    }
    EXPECT_TRUE(app.Close(0));
}


}  // namespace
