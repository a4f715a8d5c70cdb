// A refused rename says why and keeps the name; the status bar follows a
// rename of the selected key or of a key above it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

namespace {

const char kFile[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n\"Path\\\\Name\"=\"x\"\r\n\"Size\"=dword:00000001\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n";

}  // namespace

TEST(Rename, EmptyOrBackslashNamesAreRefusedWithTheReasonAndEscapeSaysNothing) {
    TestHost host;
    ASSERT_TRUE(host.Load(kFile));
    HTREEITEM app = host.Select("HKEY_CURRENT_USER\\Software\\Vendor\\App");
    ASSERT_NE(app, nullptr);
    const std::vector<std::string> rows = {"(Default)", "Path\\Name", "Size"};
    ASSERT_EQ(host.RowNames(), rows);
    std::string shot = harness::ScratchPath("rename-refused.bmp");
    harness::Answerer answerer([&](HWND box, const harness::Answerer::Box&) {
        if (!shot.empty()) harness::Screenshot(box, shot);
        shot.clear();
        return IDOK;
    });
    // row: the value's row, or -1 for the key.
    struct Case { int line; int row; const char* typed; bool cancel; const char* said; } cases[] = {
        {__LINE__, -1, "", false, "Cannot rename App: a key name cannot be empty. Type a name for the key."},
        {__LINE__, -1, "Vendor\\App2", false,
         "Cannot rename App: a key name cannot contain a backslash (\\), which separates the keys of a path. "
         "Type a name without one."},
        {__LINE__, 1, "", false,
         "Cannot rename Path\\Name: a value name cannot be empty; only the default value has no name. "
         "Type a name for the value."},
        {__LINE__, -1, "", true, nullptr},
        {__LINE__, 2, "", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row at line " << c.line);
        size_t before = answerer.Boxes().size();
        if (c.row < 0)
            ASSERT_TRUE(host.RenameKey(app, c.typed, c.cancel));
        else
            ASSERT_TRUE(host.RenameRow(c.row, c.typed, c.cancel));
        auto boxes = answerer.Boxes();
        if (!c.said) {
            EXPECT_EQ(boxes.size(), before);
        } else {
            ASSERT_EQ(boxes.size(), before + 1);
            EXPECT_EQ(boxes.back().caption, "Quillon");
            EXPECT_EQ(boxes.back().text, c.said);
        }
        EXPECT_STREQ(host.tree.KeyOf(app)->name, "App");
        EXPECT_EQ(ItemText(host.tree.Hwnd(), app), "App");
        EXPECT_EQ(host.RowNames(), rows);
        EXPECT_FALSE(host.tree.IsEditingLabel());
        EXPECT_FALSE(host.document.modified);
    }
}

TEST(Rename, StatusBarShowsTheNewPathAfterTheSelectedKeyOrOneAboveItIsRenamed) {
    TestHost host;
    ASSERT_TRUE(host.Load(kFile));
    HTREEITEM app = host.Select("HKEY_CURRENT_USER\\Software\\Vendor\\App");
    HTREEITEM vendor = host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Vendor");
    HTREEITEM other = host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Other");
    ASSERT_EQ(host.StatusText(), "HKEY_CURRENT_USER\\Software\\Vendor\\App");
    struct Case { int line; HTREEITEM item; const char* name; const char* status; } cases[] = {
        {__LINE__, app, "Application", "HKEY_CURRENT_USER\\Software\\Vendor\\Application"},
        {__LINE__, vendor, "Maker", "HKEY_CURRENT_USER\\Software\\Maker\\Application"},
        {__LINE__, other, "Elsewhere", "HKEY_CURRENT_USER\\Software\\Maker\\Application"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row at line " << c.line);
        ASSERT_TRUE(host.RenameKey(c.item, c.name));
        EXPECT_EQ(host.tree.Selected(), app);
        EXPECT_EQ(host.StatusText(), c.status);
    }
}
