// Compare With File in the real program: equal files say so; otherwise the
// difference opens in a second window as a new, untitled document.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

const char kFirst[] = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Cmp]\r\n\"a\"=\"1\"\r\n\"b\"=dword:00000002\r\n\r\n";

}  // namespace

TEST(CompareUi, EqualFilesSaySoAndADifferenceOpensUntitledInASecondWindow) {
    harness::Session s;
    ASSERT_TRUE(s.Start("first.reg", kFirst));
    // The same keys and values in another order, case and dialect: equal.
    std::string same = harness::ScratchPath("same.reg");
    ASSERT_TRUE(harness::WriteFile(same, harness::Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                                                        "[hkey_current_user\\software\\CMP]\r\n"
                                                        "\"B\"=dword:00000002\r\n\"A\"=\"1\"\r\n\r\n")));
    s.app.PostCommand(ID_FILE_COMPARE);
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), same));
    auto box = harness::AnswerBox(s.app.Pid(), IDOK);
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("do the same to the registry"), std::string::npos) << box->text;

    std::string other = harness::ScratchPath("other.reg");
    ASSERT_TRUE(harness::WriteFile(other, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Cmp]\r\n\"a\"=\"changed\"\r\n\r\n"));
    s.app.PostCommand(ID_FILE_COMPARE);
    ASSERT_TRUE(harness::AnswerFileDialog(s.app.Pid(), other));
    HWND second = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] {
        second = FindWindowA(harness::kFrameClass, "Untitled*-Quillon");
        return second != nullptr;
    }, 20000));
    DWORD pid = 0;
    GetWindowThreadProcessId(second, &pid);
    EXPECT_NE(pid, s.app.Pid());
    HWND tree = harness::DescendantOfClass(second, "SysTreeView32");
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::TreeFind(tree, "HKEY_CURRENT_USER\\Software\\Cmp") != nullptr; }));
    EXPECT_EQ(harness::WindowText(s.app.Frame()), "first.reg-Quillon");
    // Closing asks to save the new document; No ends it.
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(harness::AnswerBox(pid, IDNO));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindow(second); }));
}
