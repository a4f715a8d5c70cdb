// The save-changes question on a document of the test's own process, where a
// save that fails can be arranged (the saves that work are the UI tests').
#include <gtest/gtest.h>

#include "document/RegFile.h"
#include "shell/SaveCommands.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

TEST(QuerySave, FailedSaveOnYesSaysSoAndStops) {
    const std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QuillonSave]\r\n\"Text\"=\"abc\"\r\n\r\n";
    std::string path = WriteTempFile("q-readonly.reg", text);
    TestHost host;
    ASSERT_TRUE(host.Load(text));
    host.document.SetFileName(path.c_str(), "q-readonly.reg");
    host.Select("HKEY_CURRENT_USER\\Software\\QuillonSave");
    host.edit.PasteValuesHere("\"Added\"=dword:0000002a\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    // The message boxes, not the save's progress dialog.
    harness::Answerer answer([](HWND dialog, const harness::Answerer::Box& box) {
        if (!GetDlgItem(dialog, 0xFFFF)) return 0;
        return box.caption == "Quillon" ? IDYES : IDOK;
    });
    EXPECT_FALSE(QuerySave(host.document, host.HostWindow()));
    auto boxes = answer.Boxes();
    ASSERT_EQ(boxes.size(), 2u) << boxes.back().caption << ": " << boxes.back().text;
    EXPECT_EQ(boxes[1].text, "Error writing file!\n\"q-readonly.reg\"");
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(harness::ReadFileBytes(path), text);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
