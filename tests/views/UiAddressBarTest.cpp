// The address bar in the real program: paths in every common form typed into
// it go to their keys in never-expanded branches; a missing tail or root says
// so; Escape, the keys that edit its text, View > Address Bar, and the
// status bar's menu that copies the path.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

constexpr int kAddressBarId = 59420;

}  // namespace

TEST(AddressBarUi, TypedPathsGoToTheirKeysAndWhatIsMissingIsNamed) {
    harness::Session s;
    ASSERT_TRUE(s.Start("address.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Deep\\A\\B\\C]\r\n\"v\"=\"1\"\r\n\r\n"
                                       "[HKEY_LOCAL_MACHINE\\X]\r\n\r\n"));
    HWND bar = harness::Descendant(s.app.Frame(), kAddressBarId);
    ASSERT_NE(bar, nullptr);
    HWND status = s.app.Child(STATUSCLASSNAMEA);
    ASSERT_TRUE(s.Select("HKEY_LOCAL_MACHINE\\X"));
    EXPECT_EQ(harness::WindowText(bar), "HKEY_LOCAL_MACHINE\\X");

    // Enter in the bar: the key, its items made on demand, the focus in the tree.
    auto go = [&](const std::string& typed, unsigned focusKey, WORD vk) {
        ASSERT_TRUE(s.Focus(s.tree));
        harness::PressKey(vk, focusKey);
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::FocusOf(s.app.Frame()) == bar; }));
        SendMessageA(bar, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        harness::PressKey(VK_RETURN);
        // Enter leaves the bar for the tree, or a box says what is missing.
        ASSERT_TRUE(harness::WaitUntil([&] {
            return harness::FocusOf(s.app.Frame()) != bar || harness::FindVisible(s.app.Pid(), "#32770");
        }));
        harness::Sync(s.app.Frame());
    };
    const std::string deep = "HKEY_CURRENT_USER\\Software\\Deep\\A\\B\\C";
    go("hkcu/software/deep/a/b/c/", harness::kCtrl, 'L');
    EXPECT_EQ(harness::WindowText(status), deep);
    EXPECT_EQ(harness::WindowText(bar), deep);
    EXPECT_EQ(harness::FocusOf(s.app.Frame()), s.tree);
    EXPECT_EQ(s.RowNames().size(), 2u);  // the key's values are shown
    go("\"Computer\\HKLM\\X\"", harness::kAlt, 'D');
    EXPECT_EQ(harness::WindowText(status), "HKEY_LOCAL_MACHINE\\X");

    // A missing tail: the deepest key that exists, and which part is missing.
    go("[HKEY_CURRENT_USER\\Software\\Deep\\A\\Missing\\More]", harness::kCtrl, 'L');
    auto box = harness::AnswerBox(s.app.Pid(), IDOK);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "The key HKEY_CURRENT_USER\\Software\\Deep\\A\\Missing\\More is not in this file. Its deepest "
                         "key that is, HKEY_CURRENT_USER\\Software\\Deep\\A, is selected.");
    EXPECT_EQ(harness::WindowText(status), "HKEY_CURRENT_USER\\Software\\Deep\\A");
    EXPECT_TRUE(harness::Screenshot(s.app.Frame(), harness::ScratchPath("address-bar.bmp")));

    // A root the file does not have, and 10,000 characters: the selection
    // stays, the text stays to be corrected.
    for (const std::string& typed : {std::string("HKU\\.DEFAULT"), std::string(10000, 'k')}) {
        go(typed, harness::kCtrl, 'L');
        box = harness::AnswerBox(s.app.Pid(), IDOK);
        ASSERT_TRUE(box);
        const std::string tail = " is not a key of this file.";
        EXPECT_TRUE(box->text.size() > tail.size() && box->text.compare(box->text.size() - tail.size(), tail.size(), tail) == 0)
            << box->text.substr(0, 80);
        EXPECT_EQ(harness::WindowText(status), "HKEY_CURRENT_USER\\Software\\Deep\\A");
        EXPECT_TRUE(harness::WindowText(bar) == typed) << harness::WindowText(bar).size();
    }

    // Keys that edit the text are the bar's: Delete deletes no key. Escape
    // shows the path again and returns to the tree.
    harness::PressKey(VK_HOME);
    harness::PressKey(VK_DELETE);
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::WindowText(bar) == std::string(9999, 'k'); }))
        << harness::WindowText(bar).size();
    EXPECT_TRUE(harness::NoDialogNow(s.app.Frame()));
    // Typed keys come after the messages Sync sends: wait for what they do.
    harness::PressKey(VK_ESCAPE);
    EXPECT_TRUE(harness::WaitUntil([&] {
        return harness::WindowText(bar) == "HKEY_CURRENT_USER\\Software\\Deep\\A" &&
               harness::FocusOf(s.app.Frame()) == s.tree;
    })) << harness::WindowText(bar).size();

    // The status bar's menu copies the path, with the focus in the list.
    ASSERT_TRUE(s.Focus(s.list));
    harness::SetClipboardText("");
    RECT r;
    GetWindowRect(status, &r);
    PostMessageA(s.app.Frame(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(status), MAKELPARAM(r.left + 20, r.top + 5));
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 1, 5000));
    harness::PressKey('C');
    harness::Sync(s.app.Frame());
    EXPECT_TRUE(harness::WaitUntil([] { return harness::ClipboardText() == "HKEY_CURRENT_USER\\Software\\Deep\\A"; }))
        << harness::ClipboardText();

    // View > Address Bar hides it; Ctrl+L then leaves the focus alone.
    s.app.SendCommand(ID_VIEW_ADDRESS_BAR);
    EXPECT_FALSE(IsWindowVisible(bar));
    harness::PressKey('L', harness::kCtrl);
    harness::Sync(s.app.Frame());
    EXPECT_EQ(harness::FocusOf(s.app.Frame()), s.list);
    s.app.SendCommand(ID_VIEW_ADDRESS_BAR);
    EXPECT_TRUE(IsWindowVisible(bar));
}
