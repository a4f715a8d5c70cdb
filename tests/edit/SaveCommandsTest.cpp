// The save commands on a document of the test's own process: the format
// choice, save in place, its failures, and the save-changes question.
#include <gtest/gtest.h>

#include "document/RegFile.h"
#include "shell/SaveCommands.h"
#include "tests/Corpus.h"
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

}  // namespace

// Every corpus file that loads comes back with the same keys and values from
// a save in either dialect, through the worker the save commands use.
TEST(RunSaveWorker, CorpusSurvivesSavingInEitherDialect) {
    QUILLON_REQUIRE_CORPUS();
    std::vector<std::string> files = corpus::Files();
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
