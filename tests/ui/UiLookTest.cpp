// How the program looks and answers the keyboard, read from the built
// program: its manifest (visual styles, per-monitor DPI awareness), the
// mnemonics of every menu and dialog, the layout of every dialog at 96, 144
// and 192 DPI (Wine's LogPixels in the test prefix), and F6 between the panes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

// quillon.exe's resources, without running it.
struct ProgramResources {
    HMODULE module = LoadLibraryExA(harness::QuillonPath().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ~ProgramResources() {
        if (module) FreeLibrary(module);
    }
    std::string Bytes(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceA(module, name, type);
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        return data ? std::string(data, SizeofResource(module, found)) : std::string();
    }
    std::vector<LPSTR> Names(LPCSTR type) const {
        std::vector<LPSTR> names;
        EnumResourceNamesA(
            module, type,
            [](HMODULE, LPCSTR, LPSTR name, LONG_PTR out) -> BOOL {
                // Numbered resources only: the program names none by text.
                if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<LPSTR>*>(out)->push_back(name);
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&names));
        return names;
    }
};

// The letter after a single "&", lower-cased; 0 when the text has none.
char Mnemonic(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') { ++i; continue; }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

// Texts sharing a mnemonic with an earlier one of the same group, as "a: &All / &Add".
std::vector<std::string> Clashes(const std::vector<std::string>& texts) {
    std::map<char, std::string> seen;
    std::vector<std::string> clashes;
    for (const std::string& text : texts) {
        char key = Mnemonic(text);
        if (!key) continue;
        auto [it, fresh] = seen.emplace(key, text);
        if (!fresh) clashes.push_back(std::string(1, key) + ": " + it->second + " / " + text);
    }
    return clashes;
}

// Every popup of a menu, the bar itself first, as the texts of its items.
void MenuGroups(HMENU menu, const std::string& name, std::map<std::string, std::vector<std::string>>& groups) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        groups[name].push_back(text);
        if (HMENU sub = GetSubMenu(menu, i)) MenuGroups(sub, name + " > " + text, groups);
    }
}

// Each dialog template of the program created from its resource, hidden, in
// this process (the templates use the system's classes alone); a child
// template goes into a window of the test's own.
void ForEachDialog(const std::function<void(LPSTR name, HWND dialog)>& check) {
    ProgramResources program;
    ASSERT_TRUE(program.module);
    HWND host = harness::PlainWindow("QuillonLookHost", "", WS_OVERLAPPEDWINDOW);
    for (LPSTR name : program.Names(RT_DIALOG)) {
        SCOPED_TRACE("dialog " + std::to_string(reinterpret_cast<UINT_PTR>(name)));
        std::string bytes = program.Bytes(RT_DIALOG, name);
        ASSERT_GE(bytes.size(), 16u);
        // DLGTEMPLATEEX: version 1, signature 0xFFFF, then help id, extended style, style.
        DWORD style = *reinterpret_cast<const DWORD*>(bytes.data() + 12);
        EXPECT_EQ(style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT)) << "the shell font";
        auto* templ = reinterpret_cast<const DLGTEMPLATE*>(bytes.data());
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), templ, (style & WS_CHILD) ? host : nullptr,
                                                 [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_TRUE(dialog);
        check(name, dialog);
        DestroyWindow(dialog);
    }
    DestroyWindow(host);
}

// The system's DPI as this process sees it.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Wine's display scale for the processes started while it is set; the value
// the prefix had comes back at the end.
class LogPixels {
public:
    LogPixels() {
        DWORD size = sizeof old_;
        had_ = RegGetValueA(HKEY_CURRENT_USER, kKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &old_, &size) ==
               ERROR_SUCCESS;
    }
    ~LogPixels() {
        if (had_) Set(old_);
        else RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels");
    }
    void Set(DWORD dpi) { RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi); }

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    DWORD old_ = 96;
    bool had_ = false;
};

// This test program again, on one test, with QUILLON_EXPECT_DPI set; its exit code.
DWORD RunSelf(const std::string& filter, int dpi) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    // The run's report file is the parent's alone.
    char report[1024] = "";
    bool hadReport = GetEnvironmentVariableA("GTEST_OUTPUT", report, sizeof report) > 0;
    SetEnvironmentVariableA("GTEST_OUTPUT", nullptr);
    SetEnvironmentVariableA("QUILLON_EXPECT_DPI", std::to_string(dpi).c_str());
    std::string line = "\"" + std::string(self) + "\" --gtest_filter=" + filter;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    DWORD code = ~0u;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    SetEnvironmentVariableA("QUILLON_EXPECT_DPI", nullptr);
    if (hadReport) SetEnvironmentVariableA("GTEST_OUTPUT", report);
    return code;
}

// The manifest the system reads from the program asks for the common
// controls version 6 (the system's visual style) and for per-monitor DPI
// awareness, version 2 with the older form beside it.
TEST(Look, ManifestAsksForVisualStylesAndPerMonitorDpi) {
    ProgramResources program;
    ASSERT_TRUE(program.module);
    std::string manifest = program.Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(manifest.empty());
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"",
          ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>", ">UTF-8</activeCodePage>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

// No two items of one menu (the bar, each popup) and no two controls of one
// dialog share a mnemonic; the menu item of every command with a shortcut
// key shows the key.
TEST(Look, MnemonicsAreUniqueInEveryMenuAndDialog) {
    ProgramResources program;
    ASSERT_TRUE(program.module);
    for (LPSTR name : program.Names(RT_MENU)) {
        std::map<std::string, std::vector<std::string>> groups;
        HMENU menu = LoadMenuA(program.module, name);
        ASSERT_TRUE(menu);
        MenuGroups(menu, "menu " + std::to_string(reinterpret_cast<UINT_PTR>(name)), groups);
        DestroyMenu(menu);
        for (const auto& [group, texts] : groups)
            for (const std::string& clash : Clashes(texts)) ADD_FAILURE() << group << ": " << clash;
    }
    HMENU bar = LoadMenuA(program.module, MAKEINTRESOURCEA(IDR_MAINFRAME));
    HACCEL table = LoadAcceleratorsA(program.module, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_TRUE(bar && table);
    std::vector<ACCEL> keys(static_cast<size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
    CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
    for (const ACCEL& key : keys) {
        char text[256] = "";
        if (GetMenuStringA(bar, key.cmd, text, sizeof text, MF_BYCOMMAND) > 0) {
            EXPECT_NE(std::string(text).find('\t'), std::string::npos) << text << " shows no key";
        }
    }
    DestroyMenu(bar);
    ForEachDialog([](LPSTR, HWND dialog) {
        std::vector<std::string> texts;
        for (HWND control : harness::WindowsWhere(dialog, [](HWND) { return true; }))
            texts.push_back(harness::WindowText(control));
        for (const std::string& clash : Clashes(texts)) ADD_FAILURE() << clash;
    });
}

// Every box to type in or choose from follows (in the Tab order screen
// readers read) the text that names it: a label, a group or a radio button.
TEST(Look, EveryDialogBoxHasANameBeforeIt) {
    ForEachDialog([](LPSTR, HWND dialog) {
        for (HWND control : harness::WindowsWhere(dialog, [&](HWND w) { return GetParent(w) == dialog; })) {
            std::string kind = harness::ClassName(control);
            for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (kind != "edit" && kind != "listbox" && kind != "combobox" && kind != "syslistview32") continue;
            HWND before = GetWindow(control, GW_HWNDPREV);
            std::string beforeKind = before ? harness::ClassName(before) : "";
            EXPECT_TRUE(lstrcmpiA(beforeKind.c_str(), "Static") == 0 || lstrcmpiA(beforeKind.c_str(), "Button") == 0)
                << "control " << GetDlgCtrlID(control) << " follows " << beforeKind;
        }
    });
}

// A screen reader reads each control the user can reach by name: a
// button, check box, radio button or link by its own text, a box to type
// in or choose from by the label before it (the name the system's
// accessibility objects give it).
TEST(Look, EveryFocusableControlHasAName) {
    auto textOf = [](HWND w) {
        std::string text = harness::WindowText(w);
        text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
        return text;
    };
    ForEachDialog([&](LPSTR, HWND dialog) {
        for (HWND control : harness::WindowsWhere(dialog, [&](HWND w) { return GetParent(w) == dialog; })) {
            LONG style = GetWindowLongA(control, GWL_STYLE);
            std::string kind = harness::ClassName(control);
            for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            bool box = kind == "edit" || kind == "listbox" || kind == "combobox" || kind == "syslistview32" ||
                       kind == "systreeview32";
            bool group = kind == "button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
            bool reachable = (style & WS_VISIBLE) && !group &&
                             (box || (style & WS_TABSTOP) || kind == "button");
            if (!reachable) continue;
            std::string name = box ? textOf(GetWindow(control, GW_HWNDPREV)) : textOf(control);
            EXPECT_FALSE(name.empty()) << kind << " " << GetDlgCtrlID(control) << " has no name";
        }
    });
}

// Every control lies inside its dialog's client area at the scale this
// process runs at (the test below runs it at each scale).
TEST(Look, DialogControlsInsideTheirDialogAtThisScale) {
    if (const char* expected = std::getenv("QUILLON_EXPECT_DPI")) {
        EXPECT_EQ(SystemDpi(), std::atoi(expected));
    }
    ForEachDialog([](LPSTR, HWND dialog) {
        RECT client{};
        GetClientRect(dialog, &client);
        for (HWND control : harness::WindowsWhere(dialog, [&](HWND w) { return GetParent(w) == dialog; })) {
            RECT rc{};
            GetWindowRect(control, &rc);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
            EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= client.right && rc.bottom <= client.bottom)
                << "control " << GetDlgCtrlID(control) << " \"" << harness::WindowText(control) << "\" at " << rc.left
                << "," << rc.top << "-" << rc.right << "," << rc.bottom << " in " << client.right << "x"
                << client.bottom;
        }
    });
}

// The frame sizes what it draws for the scale: column widths stored at
// 96 DPI come out scaled and go back unscaled; the tree's and list's rows
// and the toolbar's buttons fit images of the scale.
TEST(Look, FrameSizedForTheScaleAtThisScale) {
    int dpi = SystemDpi();
    auto scaled = [&](int length) { return MulDiv(length, dpi, 96); };
    const BYTE stored[] = {120, 0, 90, 0, 44, 1};  // 120, 90, 300
    RegSetKeyValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "listhdr", REG_BINARY, stored, sizeof stored);
    harness::Session session;
    ASSERT_TRUE(session.Start("scale.reg", harness::RegKeys(3)));
    harness::App& app = session.app;
    HWND list = session.list, tree = session.tree;
    const int widths[] = {120, 90, 300};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0), scaled(widths[i]), 1) << "column " << i;
    EXPECT_GE(SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0), scaled(16));
    // A key's list has its default value's row at least.
    ASSERT_TRUE(harness::TreeSelect(tree, harness::TreeFind(tree, "HKEY_CURRENT_USER")));
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(harness::WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; }));
    harness::SendWithBuffer(list, LVM_GETITEMRECT, 0, &row, sizeof row);
    EXPECT_GE(row.bottom - row.top, scaled(16));
    HWND toolbar = harness::FirstWhere(app.Frame(), [](HWND w) {
        RECT rc;
        return harness::ClassName(w) == TOOLBARCLASSNAMEA && harness::ToolbarButtonRect(w, ID_FILE_OPEN, &rc);
    });
    RECT button{};
    ASSERT_TRUE(harness::ToolbarButtonRect(toolbar, ID_FILE_OPEN, &button));
    EXPECT_GE(button.right - button.left, scaled(16));
    EXPECT_GE(button.bottom - button.top, scaled(15));
    EXPECT_TRUE(app.Close());
    BYTE back[6] = {};
    DWORD size = sizeof back;
    RegGetValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "listhdr", RRF_RT_REG_BINARY, nullptr, back, &size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back), size),
              std::string(reinterpret_cast<const char*>(stored), sizeof stored)) << "stored at 96 DPI";
    RegDeleteKeyValueA(HKEY_CURRENT_USER, harness::kSettingsKey, "listhdr");
}

// Moved to a monitor of twice the scale, the frame takes the rectangle the
// system suggests and its columns double; back, they are as they were.
TEST(Look, DpiChangeTakesTheSuggestedRectangleAndRescales) {
    if (std::getenv("QUILLON_EXPECT_DPI")) GTEST_SKIP() << "inside a run at one scale";
    harness::App app;
    ASSERT_TRUE(app.Start());
    HWND list = app.Child(WC_LISTVIEWA);
    HWND toolbar = app.Child(TOOLBARCLASSNAMEA);
    int dpi = SystemDpi();
    int before = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    int iconBefore = 0, ignored = 0;
    ImageList_GetIconSize(images, &iconBefore, &ignored);
    struct Move {
        int dpi;
        RECT rect;
    } moves[] = {{dpi * 2, {40, 30, 1040, 830}}, {dpi, {10, 20, 610, 520}}};
    for (const Move& move : moves) {
        SCOPED_TRACE(move.dpi);
        harness::SendWithBuffer(app.Frame(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(move.dpi, move.dpi),
                                const_cast<RECT*>(&move.rect), sizeof move.rect);
        RECT now{};
        GetWindowRect(app.Frame(), &now);
        EXPECT_TRUE(EqualRect(&now, &move.rect)) << now.left << "," << now.top << "-" << now.right << "," << now.bottom;
        EXPECT_NEAR(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(before, move.dpi, dpi), 1);
        // The toolbar's pictures follow the scale too.
        int icon = 0;
        images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
        ImageList_GetIconSize(images, &icon, &ignored);
        EXPECT_NEAR(icon, MulDiv(iconBefore, move.dpi, dpi), 1);
    }
    EXPECT_TRUE(app.Close());
}

// The tests above at Wine's display scales of 100, 150 and 200 %.
TEST(Look, AtEveryScaleFrom96To192Dpi) {
    if (std::getenv("QUILLON_EXPECT_DPI")) GTEST_SKIP() << "inside a run at one scale";
    LogPixels scale;
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        scale.Set(static_cast<DWORD>(dpi));
        EXPECT_EQ(RunSelf("Look.*AtThisScale", dpi), 0u);
    }
}

// F6 steps from the tree to the list to the address bar and back to the
// tree; Shift+F6 goes the other way. The panes have names for screen readers.
TEST(Look, F6MovesBetweenTreeListAndAddressBar) {
    harness::Session session;
    ASSERT_TRUE(session.Start("panes.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Panes]\r\n\"a\"=\"1\"\r\n"));
    HWND frame = session.app.Frame();
    HWND address = harness::FirstWhere(frame, [](HWND w) {
        return lstrcmpiA(harness::ClassName(w).c_str(), "Edit") == 0 &&
               harness::ClassName(GetParent(w)) == REBARCLASSNAMEA;
    });
    ASSERT_TRUE(address);
    EXPECT_EQ(harness::WindowText(session.tree), "Keys");
    EXPECT_EQ(harness::WindowText(session.list), "Values");
    ASSERT_TRUE(harness::BringToFront(frame));
    ASSERT_TRUE(session.Focus(session.tree));
    auto focusIn = [&](HWND pane) {
        return harness::WaitUntil([&] {
            HWND focus = harness::FocusOf(frame);
            return focus == pane || IsChild(pane, focus);
        }, 3000);
    };
    struct Step {
        unsigned modifiers;
        HWND expected;
    };
    const Step steps[] = {{harness::kNone, session.list}, {harness::kNone, address}, {harness::kNone, session.tree},
                          {harness::kShift, address}, {harness::kShift, session.list}};
    for (const Step& step : steps) {
        harness::PressKey(VK_F6, step.modifiers);
        EXPECT_TRUE(focusIn(step.expected)) << harness::ClassName(harness::FocusOf(frame));
    }
    EXPECT_TRUE(session.app.Close());
}

}  // namespace
