// Cut, Copy and Paste of keys and values between two running copies of the
// program, through the real clipboard: the whole branch under a free name,
// values merged or added as a block, the top level of an empty document,
// the dialect a pasted branch brings, and what a paste refuses.
#include <gtest/gtest.h>

#include <cstring>
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

// The clipboard's text in a format, without its terminating zero.
std::string ClipboardBytes(UINT format) {
    std::string bytes;
    if (!harness::OpenClipboardSoon(nullptr)) return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (const char* block = static_cast<const char*>(GlobalLock(data))) {
            size_t size = GlobalSize(data);
            bytes.assign(block, format == CF_UNICODETEXT
                                    ? wcsnlen(reinterpret_cast<const wchar_t*>(block), size / 2) * 2
                                    : strnlen(block, size));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return bytes;
}

UINT Format(const char* name) { return RegisterClipboardFormatA(name); }
const char kValuesName[] = "{204BBF72-8F30-4e86-958F-5D1E2B84FE2B}";
const char kPathName[] = "{E8C384DB-234D-467d-B3E7-C32949719377}";
const char kBranchName[] = "{B64A2246-1E98-4e03-AAA0-6C668536E391}";

// Places blocks of exactly the given bytes (no zero added) on the clipboard,
// as another program could.
void PlaceBlocks(const std::vector<std::pair<UINT, std::string>>& blocks) {
    static HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(harness::OpenClipboardSoon(owner));
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!memory) continue;
        if (!bytes.empty()) {
            memcpy(GlobalLock(memory), bytes.data(), bytes.size());
            GlobalUnlock(memory);
        }
        if (!SetClipboardData(format, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

// A command with the focus in a pane, as the menu bar gives it.
void Command(Session& s, HWND pane, int id) {
    ASSERT_TRUE(s.Focus(pane));
    s.app.SendCommand(id);
}

// Opens the tree's context menu over an item (not selecting it) and chooses
// the entry by its mnemonic.
void ContextMenuOnItem(Session& s, HTREEITEM item, WORD key) {
    RECT rc{};
    memcpy(&rc, &item, sizeof item);  // the item goes in, its rectangle comes back
    ASSERT_TRUE(harness::SendWithBuffer(s.tree, TVM_GETITEMRECT, TRUE, &rc, sizeof rc));
    POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(s.tree, &p);
    ASSERT_TRUE(harness::BringToFront(s.app.Frame()));
    PostMessageA(s.app.Frame(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(s.tree), MAKELPARAM(p.x, p.y));
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 1, 5000));
    harness::PressKey(key);
    harness::Sync(s.app.Frame());
}

bool Has(HWND tree, const std::string& path) { return harness::TreeFind(tree, path) != nullptr; }

}  // namespace

// A key copied in one copy is pasted into the other with its whole branch,
// twice under the next free names; the target takes the branch's dialect
// and saves in it; only the target is modified.
TEST(TransferUi, KeyBranchBetweenTwoCopies) {
    Session a, b;
    ASSERT_TRUE(a.Start("source.reg", kSource));
    ASSERT_TRUE(b.Start("target.reg", kTarget));

    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    Command(a, a.tree, ID_EDIT_COPY);
    std::string text = ClipboardBytes(CF_TEXT);
    EXPECT_EQ(text.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n\"a\"=\"x\"", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Run\\Sub]"), std::string::npos);
    EXPECT_EQ(ClipboardBytes(Format(kBranchName)), text);
    EXPECT_EQ(ClipboardBytes(Format(kPathName)), "HKEY_CURRENT_USER\\Software\\Run");
    const std::wstring wide(text.begin(), text.end());
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));

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
    a.app.Terminate();
    b.app.Terminate();
}

// Values copied in one copy: pasted onto the selected key they merge and
// clashing names are renamed; pasted through the context menu of another
// key they are added as a block, the same names taking the new data, and
// that key is selected.
TEST(TransferUi, ValuesBetweenTwoCopies) {
    Session a, b;
    ASSERT_TRUE(a.Start("values-source.reg", kSource));
    ASSERT_TRUE(b.Start("values-target.reg", kTarget));
    ASSERT_TRUE(a.Select("HKEY_CURRENT_USER\\Software\\Run"));
    // Cut and Copy follow the rows selected in the focused list.
    bool copyEnabled = true, cutEnabled = true;
    ASSERT_TRUE(a.Focus(a.list));
    ASSERT_TRUE(harness::MenuState(a.app.Frame(), ID_EDIT_COPY, &copyEnabled, nullptr));
    ASSERT_TRUE(harness::MenuState(a.app.Frame(), ID_EDIT_CUT, &cutEnabled, nullptr));
    EXPECT_FALSE(copyEnabled || cutEnabled);
    Command(a, a.list, ID_EDIT_SELECT_ALL);
    ASSERT_TRUE(harness::MenuState(a.app.Frame(), ID_EDIT_COPY, &copyEnabled, nullptr));
    ASSERT_TRUE(harness::MenuState(a.app.Frame(), ID_EDIT_CUT, &cutEnabled, nullptr));
    EXPECT_TRUE(copyEnabled && cutEnabled);
    a.app.SendCommand(ID_EDIT_COPY);
    EXPECT_EQ(ClipboardBytes(CF_TEXT),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n\"a\"=\"x\"\r\n\"b\"=dword:00000002\r\n");

    ASSERT_TRUE(b.Select("HKEY_CURRENT_USER\\Software\\Other"));
    ContextMenuOnItem(b, harness::TreeFind(b.tree, "HKEY_CURRENT_USER\\Software\\Target"), 'P');
    ASSERT_TRUE(harness::WaitUntil([&] { return b.RowNames().size() == 3; }, 5000));
    auto rows = harness::ListRows(b.list, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"a", "REG_SZ", "x"}));
    EXPECT_EQ(rows[2].cells[0], "b");
    EXPECT_EQ(b.Caption(), "values-target.reg*-Quillon");

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
    HWND box = harness::WaitForMessageBox(a.app.Pid());
    ASSERT_NE(box, nullptr);
    harness::PressButton(box, IDNO);
    harness::WaitGone(box);
    EXPECT_TRUE(Has(a.tree, "HKEY_CURRENT_USER\\Software\\Run\\Sub"));
    EXPECT_EQ(a.Caption(), "cut.reg-Quillon");
    EXPECT_EQ(ClipboardBytes(Format(kPathName)), "HKEY_CURRENT_USER\\Software\\Run\\Sub");

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
        PlaceBlocks(cases[i]);
        Command(s, s.tree, ID_EDIT_PASTE);
        Command(s, s.list, ID_EDIT_PASTE);
        ASSERT_TRUE(s.app.Running()) << "case " << i;
        EXPECT_EQ(s.Caption(), "hostile.reg-Quillon") << "case " << i;
        EXPECT_EQ(harness::TreeItems(s.tree).size(), items) << "case " << i;
        EXPECT_EQ(s.RowNames(), (std::vector<std::string>{"(Default)", "a"})) << "case " << i;
    }
    ASSERT_TRUE(s.app.Close());
}

