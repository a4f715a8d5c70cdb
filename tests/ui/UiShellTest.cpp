// The shell on the real program: the recent files and their stored form,
// the open dialog's duplicate option, export of the whole file and of one
// branch, the tip of the day, the about box and the help window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/Version.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

const std::string kRecentKey = std::string(harness::kSettingsKey) + "\\Recent Document List";

void ResetSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, harness::kSettingsKey); }

DWORD ReadDword(const std::string& key, const char* name) {
    DWORD value = ~0u, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void WriteDword(const std::string& key, const char* name, DWORD value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_DWORD, &value, sizeof value);
}

// "Document1", "Document2", ... as stored, up to the highest one there is.
std::vector<std::string> StoredEntries() {
    std::vector<std::string> entries;
    for (int i = 1; i <= 40; ++i) {
        char text[MAX_PATH] = "";
        DWORD size = sizeof text;
        std::string name = "Document" + std::to_string(i);
        if (RegGetValueA(HKEY_CURRENT_USER, kRecentKey.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) ==
            ERROR_SUCCESS)
            entries.resize(static_cast<size_t>(i)), entries.back() = text;
    }
    return entries;
}

// The recent files as the File menu shows them.
std::vector<std::string> MenuEntries(HWND frame) {
    std::vector<std::string> entries;
    std::string text;
    for (UINT id = ID_FILE_MRU_FIRST; id <= ID_FILE_MRU_LAST && harness::MenuText(frame, id, &text); ++id)
        entries.push_back(text);
    return entries;
}


std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

bool WaitForCaption(harness::App& app, const std::string& title) {
    return harness::WaitUntil([&] { return harness::WindowText(app.Frame()) == title + "-Quillon"; });
}

std::string KeyFile(const char* name) {
    return std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Recent\\") + name + "]\r\n\r\n";
}

}  // namespace

// Five opens with room for four keep the newest four, newest first; a path
// opened again in other letter case moves to the top; an entry whose file
// is gone is dropped with its stored value.
TEST(RecentFiles, NewestFirstCaseInsensitiveAndFailedEntriesDropped) {
    ResetSettings();
    std::vector<std::string> files;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        files.push_back(harness::ScratchPath(std::string(name) + ".reg"));
        ASSERT_TRUE(harness::WriteFile(files.back(), KeyFile(name)));
    }
    harness::App app;
    ASSERT_TRUE(app.Start());
    HWND frame = app.Frame();
    EXPECT_EQ(MenuEntries(frame), std::vector<std::string>{"(empty)"});
    EXPECT_FALSE(harness::MenuEnabled(frame, ID_FILE_MRU_FIRST));
    for (const std::string& file : files) {
        app.PostCommand(ID_FILE_OPEN);
        ASSERT_TRUE(harness::AnswerFileDialog(app.Pid(), file));
        ASSERT_TRUE(WaitForCaption(app, NameOf(file)));
    }
    const std::vector<std::string> newestFour{files[4], files[3], files[2], files[1]};
    EXPECT_EQ(StoredEntries(), newestFour);
    EXPECT_EQ(ReadDword(kRecentKey, "DocumentCount"), 4u);
    EXPECT_EQ(MenuEntries(frame), (std::vector<std::string>{"&1 " + files[4], "&2 " + files[3], "&3 " + files[2],
                                                            "&4 " + files[1]}));
    EXPECT_TRUE(harness::MenuEnabled(frame, ID_FILE_MRU_FIRST + 3));

    std::string upper = files[1].substr(0, files[1].size() - 5) + "B.REG";
    app.PostCommand(ID_FILE_OPEN);
    ASSERT_TRUE(harness::AnswerFileDialog(app.Pid(), upper));
    ASSERT_TRUE(WaitForCaption(app, "B.REG"));
    std::vector<std::string> stored = StoredEntries();
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(lstrcmpiA(stored[0].c_str(), files[1].c_str()), 0) << stored[0];
    EXPECT_EQ(stored[1], files[4]);
    EXPECT_EQ(stored[3], files[2]);

    // The third entry is d; its file goes away.
    ASSERT_TRUE(DeleteFileA(files[3].c_str()));
    app.PostCommand(ID_FILE_MRU_FIRST + 2);
    auto box = harness::AnswerBox(app.Pid(), IDOK);
    ASSERT_TRUE(box) << "the read error";
    EXPECT_NE(box->text.find(files[3]), std::string::npos);
    harness::Sync(frame);
    stored = StoredEntries();
    EXPECT_EQ(stored.size(), 3u) << "Document4 is deleted";
    EXPECT_EQ(MenuEntries(frame).size(), 3u);

    // Choosing an entry opens it and moves it to the top.
    app.PostCommand(ID_FILE_MRU_FIRST + 2);
    ASSERT_TRUE(WaitForCaption(app, "c.reg"));
    harness::Sync(frame);
    EXPECT_EQ(StoredEntries().front(), files[2]);
    EXPECT_EQ(MenuEntries(frame).front(), "&1 " + files[2]);
    // A command standing for no entry only beeps.
    app.PostCommand(ID_FILE_MRU_FIRST + 5);
    EXPECT_TRUE(harness::NoDialogNow(frame));
    EXPECT_TRUE(WaitForCaption(app, "c.reg"));
    EXPECT_TRUE(app.Close(0));
    ResetSettings();
}

// "DocumentCount" is the list's size, clamped to 2 to 16; the file named on
// the command line joins the list but is stored only by the next command.
TEST(RecentFiles, StoredCountIsClampedAndStartUpFileIsNotStoredAtOnce) {
    struct Case { DWORD stored; size_t shown; };
    for (Case c : {Case{1, 2}, Case{40, 16}}) {
        SCOPED_TRACE(c.stored);
        ResetSettings();
        WriteDword(kRecentKey, "DocumentCount", c.stored);
        for (int i = 1; i <= 20; ++i) {
            std::string name = "Document" + std::to_string(i), path = "C:\\f" + std::to_string(i) + ".reg";
            RegSetKeyValueA(HKEY_CURRENT_USER, kRecentKey.c_str(), name.c_str(), REG_SZ, path.c_str(),
                            static_cast<DWORD>(path.size() + 1));
        }
        std::string file = harness::ScratchPath("started.reg");
        ASSERT_TRUE(harness::WriteFile(file, KeyFile("s")));
        harness::App app;
        ASSERT_TRUE(app.Start("\"" + file + "\""));
        ASSERT_TRUE(WaitForCaption(app, "started.reg"));
        std::vector<std::string> menu = MenuEntries(app.Frame());
        ASSERT_EQ(menu.size(), c.shown);
        EXPECT_EQ(menu[0], "&1 " + file);
        EXPECT_EQ(menu[1], "&2 C:\\f1.reg");
        EXPECT_EQ(StoredEntries()[0], "C:\\f1.reg");
        EXPECT_TRUE(app.Close(0));
    }
    ResetSettings();
}

namespace {

const char kExportFile[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Q\\A]\r\n"
    "\"x\"=\"1\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Q\\B]\r\n"
    "\"y\"=dword:00000002\r\n\r\n";
const char kBranchText[] =
    "[HKEY_CURRENT_USER\\Q\\B]\r\n"
    "\"y\"=dword:00000002\r\n\r\n";

HWND ExportDialog(harness::App& app) {
    app.PostCommand(ID_FILE_EXPORT);
    HWND dialog = harness::WaitForDialog(app.Pid());
    if (dialog) harness::WaitUntil([&] { return harness::Descendant(dialog, IDC_EXPORT_PATH) != nullptr; }, 5000);
    return dialog;
}


}  // namespace

// Export writes the whole file or the chosen branch in the filter's form,
// byte for byte; a branch that is not there keeps the dialog open after
// string 155. The document keeps its name, its unmodified state and the
// recent list.
TEST(Export, WholeFileOrBranchInBothFormsAndMissingBranchKeepsTheDialog) {
    ResetSettings();
    harness::Session s;
    ASSERT_TRUE(s.Start("export.reg", kExportFile));
    EXPECT_TRUE(harness::MenuEnabled(s.app.Frame(), ID_FILE_EXPORT)) << "the document has keys";
    HWND dialog = ExportDialog(s.app);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(harness::WindowText(dialog), "Export Registry File");
    EXPECT_TRUE(harness::Checked(dialog, IDC_EXPORT_ALL)) << "no key selected";
    EXPECT_FALSE(IsWindowEnabled(harness::Descendant(dialog, IDC_EXPORT_PATH)));
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), ""));

    const std::string header4 = "REGEDIT4\r\n\r\n", header5 = "Windows Registry Editor Version 5.00\r\n\r\n";
    struct Case { bool branch; int filter; std::string bytes; } cases[] = {
        {false, 2, std::string(kExportFile)},
        {false, 1, harness::Utf16(header5 + (kExportFile + header4.size()))},
        {true, 2, header4 + kBranchText},
        {true, 1, harness::Utf16(header5 + kBranchText)},
    };
    ASSERT_TRUE(s.Select("HKEY_CURRENT_USER\\Q\\A"));
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.branch) + " " + std::to_string(c.filter));
        dialog = ExportDialog(s.app);
        ASSERT_TRUE(dialog);
        HWND edit = harness::Descendant(dialog, IDC_EXPORT_PATH);
        EXPECT_TRUE(harness::Checked(dialog, IDC_EXPORT_BRANCH));
        EXPECT_EQ(harness::WindowText(edit), "HKEY_CURRENT_USER\\Q\\A");
        int startFilter = 0;
        std::string out = harness::ScratchPath("out" + std::to_string(++n) + ".reg");
        if (!c.branch) {
            SendMessageA(harness::Descendant(dialog, IDC_EXPORT_ALL), BM_CLICK, 0, 0);
            EXPECT_FALSE(IsWindowEnabled(edit));
        } else {
            if (n == 3) {
                harness::Screenshot(dialog, harness::ScratchPath("export.bmp"));
                // A path that is not in the document: string 155, the dialog stays.
                SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("HKEY_CURRENT_USER\\Q\\Nope"));
                harness::Answerer answer([](HWND, const harness::Answerer::Box& b) {
                    return b.text.empty() ? 0 : IDOK;
                }, s.app.Pid());
                HWND name = harness::Descendant(dialog, 0x47C);
                if (!name) name = harness::Descendant(dialog, 0x480);
                SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
                harness::PressButton(dialog, IDOK);
                ASSERT_TRUE(harness::WaitUntil([&] { return !answer.Boxes().empty(); }));
                EXPECT_EQ(answer.Boxes()[0].caption, "Quillon");
                EXPECT_EQ(answer.Boxes()[0].text,
                          "The selected branch does not exist. Make sure that the correct path is given.");
                harness::Sync(dialog);
                EXPECT_TRUE(IsWindowVisible(dialog));
                EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
            }
            // Other letter case finds the key too.
            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hkey_current_user\\q\\b"));
        }
        ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), out, c.filter, &startFilter));
        EXPECT_EQ(startFilter, 2) << "a REGEDIT4 document starts on the REGEDIT4 filter";
        // A whole-document export runs on the save worker: wait for it to end.
        harness::WaitUntil([&] { return IsWindowEnabled(s.app.Frame()) && harness::ReadFileBytes(out) == c.bytes; });
        EXPECT_EQ(harness::ReadFileBytes(out), c.bytes);
    }
    EXPECT_EQ(s.Caption(), "export.reg-Quillon");
    EXPECT_TRUE(StoredEntries().empty());
    // Another process asking the branch question gets no, without a pointer of its own being read.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(s.app.Frame(), RegisterWindowMessageA("{5D565B50-DCC2-4784-AC75-62D2106F2E52}"), 0, 0x10,
                        SMTO_ABORTIFHUNG, harness::kTimeout, &answer);
    EXPECT_EQ(answer, 1u);
    EXPECT_TRUE(s.app.Close(0));
    ResetSettings();
}

namespace {

// The tips dialog of the process and the tip its text area holds.
HWND WaitForTips(harness::App& app) {
    HWND dialog = nullptr;
    auto up = [&] { return (dialog = harness::FindVisible(app.Pid(), "#32770")) && GetDlgItem(dialog, IDC_TIPS_NEXT); };
    return harness::WaitUntil(up) ? dialog : nullptr;
}

// Whether any pixel of the window on the screen has the colour.
bool ShowsColor(HWND hwnd, COLORREF color) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    HDC screen = GetDC(nullptr);
    bool found = false;
    for (int y = rc.top; y < rc.bottom && !found; ++y)
        for (int x = rc.left; x < rc.right && !found; ++x) found = GetPixel(screen, x, y) == color;
    ReleaseDC(nullptr, screen);
    return found;
}

std::string TipOf(HWND tips) { return harness::WindowText(GetDlgItem(tips, IDC_TIPS_TEXT)); }

}  // namespace

// A fresh settings key shows the first tip at start-up; Next tip goes round
// the five; the close box stores nothing, OK stores the check box, and a
// stored 0 keeps the dialog away at start-up but not from the Help menu.
TEST(Tips, StartUpTipCyclesAndOnlyOkStoresTheCheckBox) {
    ResetSettings();
    harness::App app;
    app.KeepTips();
    ASSERT_TRUE(app.Start());
    HWND tips = WaitForTips(app);
    ASSERT_TRUE(tips);
    EXPECT_EQ(harness::WindowText(tips), "Tip of the Day");
    EXPECT_TRUE(harness::Checked(tips, IDC_TIPS_AT_STARTUP));
    std::vector<std::string> seen{TipOf(tips)};
    EXPECT_EQ(seen[0].rfind("Quillon is a registry editing tool", 0), 0u) << seen[0];
    for (int i = 0; i < 5; ++i) {
        SendMessageA(GetDlgItem(tips, IDC_TIPS_NEXT), BM_CLICK, 0, 0);
        seen.push_back(TipOf(tips));
    }
    EXPECT_EQ(seen[5], seen[0]) << "five tips, then the first again";
    for (int i = 1; i < 5; ++i) EXPECT_NE(seen[i], seen[i - 1]);
    EXPECT_TRUE(harness::Screenshot(tips, harness::ScratchPath("tips.bmp")));

    SendMessageA(GetDlgItem(tips, IDC_TIPS_AT_STARTUP), BM_CLICK, 0, 0);
    PostMessageA(tips, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(harness::WaitGone(tips));
    EXPECT_EQ(ReadDword(harness::kSettingsKey, "Tips"), ~0u) << "the close box stores nothing";

    app.PostCommand(ID_HELP_TIPS);
    tips = WaitForTips(app);
    ASSERT_TRUE(tips);
    EXPECT_TRUE(harness::Checked(tips, IDC_TIPS_AT_STARTUP));
    SendMessageA(GetDlgItem(tips, IDC_TIPS_AT_STARTUP), BM_CLICK, 0, 0);
    harness::PressButton(tips, IDOK);
    ASSERT_TRUE(harness::WaitGone(tips));
    EXPECT_EQ(ReadDword(harness::kSettingsKey, "Tips"), 0u);
    EXPECT_TRUE(app.Close(0));

    harness::App again;
    again.KeepTips();
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(harness::NoDialogNow(again.Frame()));
    again.PostCommand(ID_HELP_TIPS);
    tips = WaitForTips(again);
    ASSERT_TRUE(tips);
    EXPECT_FALSE(harness::Checked(tips, IDC_TIPS_AT_STARTUP));
    harness::PressButton(tips, IDOK);
    ASSERT_TRUE(harness::WaitGone(tips));
    EXPECT_TRUE(again.Close(0));
    ResetSettings();
}

// The about box's two links: drawn in the browser's link colour, a tooltip
// with the address, opened by Enter or the space bar, then drawn in the
// visited colour.
TEST(About, LinksShowTheirAddressAndOpenItAsTheWebSiteCommandDoes) {
    const char* browserSettings = "Software\\Microsoft\\Internet Explorer\\Settings";
    RegSetKeyValueA(HKEY_CURRENT_USER, browserSettings, "Anchor Color", REG_SZ, "0,128,0", 8);
    RegSetKeyValueA(HKEY_CURRENT_USER, browserSettings, "Anchor Color Visited", REG_SZ, "200, 0, 0", 10);
    const COLORREF link = RGB(0, 128, 0), visited = RGB(200, 0, 0);
    harness::App app;
    ASSERT_TRUE(app.Start());
    app.PostCommand(ID_APP_ABOUT);
    HWND about = harness::WaitForDialog(app.Pid());
    ASSERT_TRUE(about);
    EXPECT_EQ(harness::WindowText(about), "About Quillon");
    EXPECT_EQ(harness::WindowText(GetDlgItem(about, IDC_ABOUT_NAME)), "Quillon " QUILLON_VERSION_TEXT);
    EXPECT_TRUE(harness::Screenshot(about, harness::ScratchPath("about.bmp")));
    struct Link { int id; const char* address; };
    for (Link link : {Link{IDC_ABOUT_HOME, "https://www.orvane.com/quillon/"},
                      Link{IDC_ABOUT_FEEDBACK, "https://www.orvane.com/quillon/feedback/"}}) {
        SCOPED_TRACE(link.address);
        HWND control = GetDlgItem(about, link.id);
        ASSERT_TRUE(control);
        RECT rc{};
        GetWindowRect(control, &rc);
        harness::MoveMouse(POINT{rc.left + 5, (rc.top + rc.bottom) / 2});
        HWND tip = nullptr;
        EXPECT_TRUE(harness::WaitUntil([&] {
            tip = harness::FindTooltip(app.Pid());
            return tip && harness::WindowText(tip) == link.address;
        }, 5000)) << (tip ? harness::WindowText(tip) : "no tooltip");
    }
    // Enter on the focused link and the space bar on the next one open their
    // addresses with the shell, here through a handler that writes them down
    // (Wine looks up the machine's classes only).
    std::string opened = harness::ScratchPath("opened.txt");
    const char* handlerKey = "Software\\Classes\\https\\shell\\open\\command";
    char browser[MAX_PATH] = "";
    DWORD size = sizeof browser;
    RegGetValueA(HKEY_LOCAL_MACHINE, handlerKey, nullptr, RRF_RT_REG_SZ, nullptr, browser, &size);
    std::string handler = "cmd.exe /c echo %1>> \"" + opened + "\"";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, handlerKey, nullptr, REG_SZ, handler.c_str(),
                              static_cast<DWORD>(handler.size() + 1)),
              ERROR_SUCCESS);
    auto opens = [&](const char* address) {
        return harness::WaitUntil([&] { return harness::ReadFileBytes(opened).find(address) != std::string::npos; });
    };
    // Tab from the focused control; the handler's console may have taken the foreground.
    auto tabTo = [&](HWND control) {
        EXPECT_TRUE(harness::BringToFront(about));
        harness::PressKey(VK_TAB);
        return harness::WaitUntil([&] { return harness::FocusOf(about) == control; }, 5000);
    };
    HWND home = GetDlgItem(about, IDC_ABOUT_HOME), feedback = GetDlgItem(about, IDC_ABOUT_FEEDBACK);
    EXPECT_EQ(harness::FocusOf(about), GetDlgItem(about, IDOK));
    EXPECT_TRUE(tabTo(home));
    harness::PressKey(VK_RETURN);
    EXPECT_TRUE(opens("https://www.orvane.com/quillon/"));
    EXPECT_TRUE(IsWindow(about)) << "Enter is the link's, not the OK button's";
    EXPECT_TRUE(harness::WaitUntil([&] { return ShowsColor(home, visited); }, 5000));
    EXPECT_TRUE(ShowsColor(feedback, link));
    EXPECT_TRUE(tabTo(feedback));
    harness::PressKey(VK_SPACE);
    EXPECT_TRUE(opens("https://www.orvane.com/quillon/feedback/"));
    harness::PressButton(about, IDOK);
    EXPECT_TRUE(harness::WaitGone(about));

    // The Web site command opens the home page the same way.
    ASSERT_TRUE(DeleteFileA(opened.c_str()));
    app.PostCommand(ID_HELP_WEB);
    EXPECT_TRUE(opens("https://www.orvane.com/quillon/"));
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, handlerKey, nullptr, REG_SZ, browser, static_cast<DWORD>(strlen(browser) + 1));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, browserSettings, "Anchor Color");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, browserSettings, "Anchor Color Visited");
    EXPECT_TRUE(app.Close(0));
}

// Help contents opens the HTML Help window on the program's help file, whose
// window definition gives the caption (under Wine the window comes up
// without its HTML engine, so the pages themselves are checked by reading
// the file back in the build's help_file test).
TEST(Help, ContentsOpenTheHelpWindowOnTheProgramsFile) {
    std::string exe = harness::QuillonPath();
    std::string chm = exe.substr(0, exe.rfind('\\') + 1) + "quillon.chm";
    if (GetFileAttributesA(chm.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no " << chm << ": chmcmd missing";
    harness::App app;
    ASSERT_TRUE(app.Start());
    app.PostCommand(ID_HELP_CONTENTS);
    HWND help = harness::WaitForWindow(app.Pid(), "HH Parent", "Quillon Help");
    EXPECT_TRUE(help);
    EXPECT_TRUE(app.Close(0));
}

namespace {

// The screen position of the visible popup menu of the process, or {-1,-1}.
POINT MenuPosition(DWORD pid) {
    HWND menu = harness::FindVisible(pid, "#32768");
    RECT rc{-1, -1, -1, -1};
    if (menu) GetWindowRect(menu, &rc);
    return POINT{rc.left, rc.top};
}

RECT ButtonRect(HWND bar, int index) {
    RECT rc{};
    harness::SendWithBuffer(bar, TB_GETITEMRECT, index, &rc, sizeof rc);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

// The menu is the rebar's first band and the toolbar its second; Alt with a
// mnemonic opens a popup below its button, Right moves to the next one, and
// the pointer over another button moves there.
TEST(CommandBar, MenuIsTheRebarsFirstBandAndOpensFromKeysAndPointer) {
    harness::App app;
    ASSERT_TRUE(app.Start());
    HWND frame = app.Frame();
    EXPECT_EQ(GetMenu(frame), nullptr) << "the window has no menu of its own";
    HWND rebar = app.Child(REBARCLASSNAMEA);
    HWND bar = app.Child("QuillonCommandBar");
    ASSERT_TRUE(rebar && bar);
    ASSERT_EQ(SendMessageA(rebar, RB_GETBANDCOUNT, 0, 0), 3);  // the menu, the toolbar, the address bar
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD;
    for (int i = 0; i < 2; ++i) {
        harness::SendWithBuffer(rebar, RB_GETBANDINFOA, i, &band, sizeof band);
        EXPECT_EQ(band.hwndChild, i == 0 ? bar : app.Child(TOOLBARCLASSNAMEA)) << i;
    }
    EXPECT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), 5) << "File, Edit, View, Favorites, Help";

    ASSERT_TRUE(harness::BringToFront(frame));
    harness::PressKey('F', harness::kAlt);
    ASSERT_TRUE(harness::WaitForMenus(app.Pid()));
    RECT file = ButtonRect(bar, 0), edit = ButtonRect(bar, 1), view = ButtonRect(bar, 2);
    POINT at = MenuPosition(app.Pid());
    EXPECT_NEAR(at.x, file.left, 3);
    EXPECT_NEAR(at.y, file.bottom, 3);
    EXPECT_TRUE(harness::Screenshot(frame, harness::ScratchPath("menu.bmp")));
    harness::PressKey(VK_RIGHT);
    EXPECT_TRUE(harness::WaitUntil([&] { return std::abs(MenuPosition(app.Pid()).x - edit.left) <= 3; }, 5000));
    harness::MoveMouse(POINT{(view.left + view.right) / 2, (view.top + view.bottom) / 2});
    EXPECT_TRUE(harness::WaitUntil([&] { return std::abs(MenuPosition(app.Pid()).x - view.left) <= 3; }, 5000));
    harness::PressKey(VK_ESCAPE);
    EXPECT_TRUE(harness::WaitUntil([&] { return !harness::FindVisible(app.Pid(), "#32768"); }, 5000));
    EXPECT_TRUE(app.Close(0));
}
