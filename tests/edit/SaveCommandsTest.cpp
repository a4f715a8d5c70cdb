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

namespace {

struct Snapshot {
    std::vector<std::string> lines;  // key paths and their values, in order
};

// Every key with a key line, and its values as the list would show them.
Snapshot Take(const RegDocument& document) {
    Snapshot snap;
    std::vector<const KeyNode*> stack;
    for (auto it = document.roots.rbegin(); it != document.roots.rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        const KeyNode* key = stack.back();
        stack.pop_back();
        if (key->HasKeyLine()) {
            snap.lines.push_back("[" + key->Path() + "]");
            ValueList values;
            key->CollectValues(values);
            for (const auto& v : values)
                snap.lines.push_back(v->GetName() + "|" + v->GetTypeName() + "|" + v->GetDisplayText());
        }
        std::vector<const KeyNode*> children;
        for (const KeyNode* c = key->firstChild; c; c = c->nextSibling) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    return snap;
}

bool LoadFile(RegDocument& document, const std::string& path) {
    RegText text;
    ReadError error;
    if (!ReadRegFile(path.c_str(), text, error)) return false;
    document.abort.store(0);
    bool ok = document.ParseText(std::move(text.text), nullptr, text.length, true, false);
    document.abort.store(1);
    document.dialect = text.dialect;
    document.unicode = text.unicode;
    return ok;
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    for (const char* dir : {"real", "crlf"}) {
        std::string pattern = std::string("Z:\\work\\shared\\corpus\\") + dir + "\\*.reg";
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            files.push_back(std::string("Z:\\work\\shared\\corpus\\") + dir + "\\" + found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return files;
}

}  // namespace

// Every corpus file that loads comes back with the same keys and values from
// a save in either dialect, through the worker the save commands use.
TEST(RunSaveWorker, CorpusSurvivesSavingInEitherDialect) {
    std::vector<std::string> files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "corpus not reachable";
    EditHost host;
    int loaded = 0;
    for (const std::string& file : files) {
        RegDocument original;
        if (!LoadFile(original, file)) continue;  // refused files are the loader's tests
        ++loaded;
        Snapshot before = Take(original);
        for (bool unicode : {true, false}) {
            SCOPED_TRACE(file + (unicode ? " as UTF-16 dialect 5" : " as REGEDIT4"));
            std::string out = ScratchPath("corpus.reg");
            ASSERT_TRUE(RunSaveWorker(host.HostWindow(), original, out.c_str(), unicode,
                                      unicode ? kRegedit5 : kRegedit4));
            RegDocument reread;
            ASSERT_TRUE(LoadFile(reread, out));
            Snapshot after = Take(reread);
            ASSERT_EQ(after.lines.size(), before.lines.size());
            for (size_t i = 0; i < before.lines.size(); ++i) ASSERT_EQ(after.lines[i], before.lines[i]) << i;
        }
    }
    RecordProperty("loaded", loaded);
    EXPECT_GT(loaded, 0);
}
