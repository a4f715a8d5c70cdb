// Cancel in the search's progress dialog stops the search on the worker: the
// document's only match, its last key, is never reached.
#include <gtest/gtest.h>

#include <string>

#include "find/FindCommands.h"
#include "resources/resource.h"
#include "tests/editors/DialogScript.h"
#include "tests/views/ViewTestHost.h"

TEST(FindCancel, CancelDuringALongSearchStopsItBeforeTheMatch) {
    viewtest::TestHost host;
    // Enough keys, each with expandable and multi-string data to decode, for
    // a search of names, values and data that lasts well beyond a tick.
    std::string text = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 400000; ++i) {
        text += "[HKEY_USERS\\Branch\\Key" + std::to_string(i) +
                "]\r\n\"Path\"=hex(2):25,54,45,4d,50,25,00\r\n\"List\"=hex(7):61,00,62,00,00\r\n\r\n";
    }
    text += "[HKEY_USERS\\Needle]\r\n\r\n";
    ASSERT_TRUE(host.Load(text));
    find::FindCommands find(host.services, host.tree, host.list);
    find.SetFlags(7);

    auto progressUp = [] {
        HWND dialog = test::ActiveDialog();
        return dialog && !GetDlgItem(dialog, IDC_FIND_TEXT);
    };
    test::ScriptResult run = test::RunModal(
        [&] {
            find.OnCommand(ID_EDIT_FIND);
            return true;
        },
        {test::Do([] { SetWindowTextA(test::EditorControl(IDC_FIND_TEXT), "needle"); }), test::Press(IDOK),
         test::WaitFor(progressUp), test::Press(IDCANCEL)});
    EXPECT_TRUE(run.completed) << run.failure;
    EXPECT_EQ(find.Text(), "needle");
    // No hit selected, and no end message (the script would have timed out on it).
    EXPECT_EQ(host.tree.Selected(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
}
