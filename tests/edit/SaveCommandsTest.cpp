// The save commands on a document of the test's own process: the format
// choice, save in place, its failures, and the save-changes question.
#include <gtest/gtest.h>

#include "shell/SaveCommands.h"
#include "tests/edit/EditHost.h"

using namespace edittest;

namespace {

const char kReg4[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QuillonSave]\r\n"
    "\"Text\"=\"abc\"\r\n"
    "\"Exp\"=hex(2):25,00\r\n\r\n";

// A document loaded from a file of its own, as the open command leaves it.
struct SavedDocument {
    EditHost host;
    std::string path;
    explicit SavedDocument(const std::string& name, const std::string& text = kReg4) {
        path = ScratchPath(name);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(path, text);
        host.Load(text);
        host.document.dialect = text.rfind("REGEDIT4", 0) == 0 ? kRegedit4 : kRegedit5;
        host.document.unicode = false;
        host.document.SetFileName(path.c_str(), name.c_str());
    }
    void Change() {
        host.Select("HKEY_CURRENT_USER\\Software\\QuillonSave");
        host.edit.PasteValuesHere("\"Added\"=dword:0000002a\r\n");
    }
};

}  // namespace

TEST(SaveFormat, FilterIndexDecidesDialectAndEncoding) {
    struct Case {
        int filter;
        bool nt;
        bool unicode;
        RegDialect dialect;
    };
    const Case cases[] = {
        {1, true, true, kRegedit5},  {2, true, false, kRegedit4}, {3, true, true, kRegedit5},
        {1, false, false, kRegedit4}, {3, false, false, kRegedit4},
    };
    for (const Case& c : cases) {
        SaveFormat format = FormatOfFilter(c.filter, c.nt);
        EXPECT_EQ(format.unicode, c.unicode) << c.filter << " " << c.nt;
        EXPECT_EQ(format.dialect, c.dialect) << c.filter << " " << c.nt;
    }
    EXPECT_EQ(FilterOfDialect(kRegedit4), 2);
    EXPECT_EQ(FilterOfDialect(kRegedit5), 1);
}

TEST(SaveDocument, Regedit4DocumentStaysRegedit4AndFlagClears) {
    SavedDocument doc("stays4.reg");
    doc.Change();
    ASSERT_TRUE(doc.host.document.modified);
    ASSERT_TRUE(SaveDocument(doc.host.document, doc.host.HostWindow()));
    EXPECT_FALSE(doc.host.document.modified);
    std::string bytes = ReadBytes(doc.path);
    EXPECT_EQ(bytes.rfind("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QuillonSave]\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("\"Added\"=dword:0000002a\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\"Exp\"=hex(2):25,00\r\n"), std::string::npos);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string(2, '\0'));
}

TEST(SaveDocument, FailureSaysSoAndLeavesFileAndFlag) {
    // A read-only target.
    {
        SavedDocument doc("readonly.reg");
        doc.Change();
        ASSERT_TRUE(SetFileAttributesA(doc.path.c_str(), FILE_ATTRIBUTE_READONLY));
        BoxAnswerer ok(IDOK);
        EXPECT_FALSE(SaveDocument(doc.host.document, doc.host.HostWindow()));
        ASSERT_EQ(ok.Boxes().size(), 1u);
        EXPECT_EQ(ok.Boxes()[0].caption, "");
        EXPECT_EQ(ok.Boxes()[0].text, "Error writing file!\n\"readonly.reg\"");
        EXPECT_TRUE(doc.host.document.modified);
        EXPECT_EQ(ReadBytes(doc.path), kReg4);
        SetFileAttributesA(doc.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    // A folder that does not exist.
    {
        SavedDocument doc("gone.reg");
        doc.Change();
        std::string missing = ScratchPath("no-such-folder\\gone.reg");
        doc.host.document.SetFileName(missing.c_str(), "gone.reg");
        doc.host.document.modified = true;
        BoxAnswerer ok(IDOK);
        EXPECT_FALSE(SaveDocument(doc.host.document, doc.host.HostWindow()));
        EXPECT_EQ(ok.Boxes().size(), 1u);
        EXPECT_TRUE(doc.host.document.modified);
        EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(RunSaveWorker, WritesTheRequestedFormat) {
    SavedDocument doc("worker.reg");
    std::string out = ScratchPath("worker-out.reg");
    ASSERT_TRUE(RunSaveWorker(doc.host.HostWindow(), doc.host.document, out.c_str(), true, kRegedit5));
    std::string bytes = ReadBytes(out);
    std::string expected = Utf16(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\QuillonSave]\r\n"
        "\"Text\"=\"abc\"\r\n"
        // Widened to two bytes per character for dialect 5.
        "\"Exp\"=hex(2):25,00,00,00\r\n\r\n");
    expected += std::string(2, '\0');
    EXPECT_EQ(bytes, expected);
    // The window is usable again afterwards.
    EXPECT_TRUE(IsWindowEnabled(doc.host.HostWindow()));
    EXPECT_EQ(doc.host.document.abort.load(), 1);

    std::string missing = ScratchPath("missing-dir\\x.reg");
    EXPECT_FALSE(RunSaveWorker(doc.host.HostWindow(), doc.host.document, missing.c_str(), false, kRegedit4));
}

TEST(QuerySave, AnswersDecideWhetherToGoOn) {
    // Not modified: no question.
    {
        SavedDocument doc("q-clean.reg");
        BoxAnswerer any(IDYES);
        EXPECT_TRUE(QuerySave(doc.host.document, doc.host.HostWindow()));
        Pump(100);
        EXPECT_TRUE(any.Boxes().empty());
    }
    struct Case {
        int answer;
        bool goesOn;
        bool fileChanged;
    };
    const Case cases[] = {{IDNO, true, false}, {IDCANCEL, false, false}, {IDYES, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        SavedDocument doc("q-titled.reg");
        doc.Change();
        BoxAnswerer answer(c.answer);
        EXPECT_EQ(QuerySave(doc.host.document, doc.host.HostWindow()), c.goesOn);
        ASSERT_GE(answer.Boxes().size(), 1u);
        EXPECT_EQ(answer.Boxes()[0].caption, "Quillon");
        EXPECT_NE(answer.Boxes()[0].text.find("q-titled.reg"), std::string::npos);
        std::string bytes = ReadBytes(doc.path);
        EXPECT_EQ(bytes.find("Added") != std::string::npos, c.fileChanged);
        EXPECT_EQ(bytes.rfind("REGEDIT4\r\n", 0), 0u);
    }
}

TEST(QuerySave, FailedSaveOnYesSaysSoAndStops) {
    SavedDocument doc("q-readonly.reg");
    doc.Change();
    ASSERT_TRUE(SetFileAttributesA(doc.path.c_str(), FILE_ATTRIBUTE_READONLY));
    BoxAnswerer answer([](const BoxAnswerer::Box& box) { return box.caption == "Quillon" ? IDYES : IDOK; });
    EXPECT_FALSE(QuerySave(doc.host.document, doc.host.HostWindow()));
    auto boxes = answer.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Error writing file!\n\"q-readonly.reg\"");
    EXPECT_TRUE(doc.host.document.modified);
    EXPECT_EQ(ReadBytes(doc.path), kReg4);
    SetFileAttributesA(doc.path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
