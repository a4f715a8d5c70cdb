// Every edit of a document undone and made again, judged by the text the
// document writes: undo gives back the text before byte for byte, redo the
// text after.
#include <functional>
#include <random>

#include "document/DocumentEdits.h"
#include "document/RegParser.h"
#include "tests/core/TestUtil.h"

using namespace testutil;

namespace {

// Two sections of one key (its values in two blocks), a comment kept
// inside values, a deletion line, and keys beside and below.
const char kBody[] =
    "; what the file is for\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
    "@=\"top\"\r\n"
    "; kept with the values\r\n"
    "\"A\"=\"one\"\r\n"
    "\"Gone\"=-\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q\\Sub]\r\n"
    "\"N\"=dword:00000001\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q\\Sub\\Deep]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\R]\r\n"
    "\"B\"=hex:01,02\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
    "\"A\"=\"two\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Z]\r\n\r\n"
    "[HKEY_USERS\\.DEFAULT]\r\n\r\n";

const char kBranch[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q\\Pasted]\r\n\"P\"=\"p\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Q\\Pasted\\Below]\r\n\r\n";

const char kImport[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\R]\r\n\"B\"=dword:00000002\r\n\"C\"=\"c\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\R\\New]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Fresh]\r\n\r\n";

bool Merge(RegDocument& doc, const std::string& text, bool checkDuplicates, bool lookUpFirstKey,
                  EditKind kind = EditKind::Paste) {
    ParseScope scope(doc.abort);
    return static_cast<bool>(doc.edits->MergeText(kind, Text(text), nullptr, text.size(), checkDuplicates, lookUpFirstKey));
}

// The key's values with one change made by `change`, set as an edit.
bool EditValues(RegDocument& doc, const char* path, EditKind kind, const std::function<void(ValueList&)>& change) {
    KeyNode* key = Find(doc, path);
    ValueList values = Collect(key);
    change(values);
    return doc.edits->SetValues(key, values, kind);
}

struct EditCase {
    const char* name;
    std::function<void(RegDocument&)> edit;
};

const EditCase kEdits[] = {
    {"new key", [](RegDocument& d) { d.edits->AddKey(Find(d, "HKEY_CURRENT_USER\\Software\\Q"), "New Key #1"); }},
    {"new top-level key", [](RegDocument& d) { d.edits->AddKey(nullptr, "HKEY_CLASSES_ROOT"); }},
    {"rename key", [](RegDocument& d) { d.edits->RenameKey(Find(d, "HKEY_CURRENT_USER\\Software\\Q\\Sub"), "Other"); }},
    {"delete branch", [](RegDocument& d) { d.edits->DeleteKey(Find(d, "HKEY_CURRENT_USER\\Software\\Q")); }},
    {"delete top-level key", [](RegDocument& d) { d.edits->DeleteKey(Find(d, "HKEY_LOCAL_MACHINE")); }},
    {"delete first child", [](RegDocument& d) { d.edits->DeleteKey(Find(d, "HKEY_CURRENT_USER\\Software\\Q\\Sub")); }},
    {"modify value of a key in two sections",
     [](RegDocument& d) {
         EditValues(d, "HKEY_CURRENT_USER\\Software\\Q", EditKind::ModifyValue,
                    [](ValueList& v) { static_cast<StringValue&>(*v[1]).SetData("three"); });
     }},
    {"new value",
     [](RegDocument& d) {
         EditValues(d, "HKEY_CURRENT_USER\\Software\\R", EditKind::NewValue,
                    [](ValueList& v) { v.push_back(std::make_unique<DwordValue>("New Value #1", "00000000")); });
     }},
    {"rename value",
     [](RegDocument& d) {
         EditValues(d, "HKEY_CURRENT_USER\\Software\\Q\\Sub", EditKind::RenameValue,
                    [](ValueList& v) { v[0]->SetName("M"); });
     }},
    {"delete every value",
     [](RegDocument& d) {
         EditValues(d, "HKEY_CURRENT_USER\\Software\\Q", EditKind::DeleteValues, [](ValueList& v) { v.clear(); });
     }},
    {"values added as a block",
     [](RegDocument& d) {
         d.edits->AddValueBlock(Find(d, "HKEY_CURRENT_USER\\Software\\Q\\Sub"), "\"N\"=dword:00000005\r\n",
                                EditKind::Drop);
     }},
    {"paste of a branch", [](RegDocument& d) { Merge(d, kBranch, false, true); }},
    {"import onto keys that exist",
     [](RegDocument& d) { Merge(d, kImport, true, false, EditKind::ImportFromRegistry); }},
};

}  // namespace

TEST(Undo, EveryEditKindUndoesAndRedoesToTheByte) {
    for (const EditCase& c : kEdits) {
        SCOPED_TRACE(c.name);
        RegDocument doc;
        ASSERT_TRUE(Parse(doc, kBody));
        std::string before = Write(doc);
        c.edit(doc);
        std::string after = Write(doc);
        ASSERT_NE(after, before);
        EXPECT_TRUE(doc.modified);
        ASSERT_TRUE(doc.edits->CanUndo());
        EXPECT_FALSE(doc.edits->CanRedo());
        for (int round = 0; round < 2; ++round) {
            doc.edits->Undo();
            EXPECT_EQ(Write(doc), before);
            EXPECT_FALSE(doc.modified);
            EXPECT_FALSE(doc.edits->CanUndo());
            doc.edits->Redo();
            EXPECT_EQ(Write(doc), after);
            EXPECT_TRUE(doc.modified);
        }
        // Both dialects: the other writer sees the same keys again.
        doc.edits->Undo();
        RegDocument fresh;
        ASSERT_TRUE(Parse(fresh, kBody));
        EXPECT_EQ(Write(doc, true, kRegedit5), Write(fresh, true, kRegedit5));
    }
}

TEST(Undo, MergeIntoAnEmptyDocumentTakesBackItsPreamble) {
    RegDocument doc;
    std::string text = std::string("REGEDIT4\r\n\r\n") + kBody;
    ASSERT_TRUE(Merge(doc, text, true, false, EditKind::ImportFile));
    std::string after = Write(doc);
    EXPECT_NE(doc.preamble, "");
    doc.edits->Undo();
    EXPECT_TRUE(doc.roots.empty());
    EXPECT_EQ(doc.preamble, "");
    doc.edits->Redo();
    EXPECT_EQ(Write(doc), after);
}

// Fifty edits drawn at random over a document, each text kept: undoing them
// one by one passes every earlier text on the way back to the loaded file,
// and redoing them all reaches the last again.
TEST(Undo, FiftyMixedEditsUndoneToTheLoadedFile) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, kBody));
    std::vector<std::string> texts{Write(doc)};
    std::mt19937 random(7);
    int made = 0;
    while (made < 50) {
        std::vector<KeyNode*> keys;
        ForEachKey(doc.roots, [&](KeyNode* k) { keys.push_back(k); });
        if (keys.empty()) break;
        KeyNode* key = keys[random() % keys.size()];
        size_t steps = doc.edits->History().Steps();
        switch (random() % 6) {
        case 0:
            doc.edits->AddKey(key, doc.edits->FreeKeyName(key, "New Key #%u", 1).c_str());
            break;
        case 1:
            doc.edits->RenameKey(key, ("K" + std::to_string(made)).c_str());
            break;
        case 2:
            if (keys.size() > 4) doc.edits->DeleteKey(key);
            break;
        case 3: {
            ValueList values = Collect(key);
            values.push_back(std::make_unique<StringValue>("V" + std::to_string(made), "x"));
            if (values.size() > 2) values.erase(values.begin());
            doc.edits->SetValues(key, values, EditKind::ModifyValue);
            break;
        }
        case 4:
            doc.edits->AddValueBlock(key, "\"W\"=dword:00000009\r\n", EditKind::Paste);
            break;
        default: {
            std::string path = key->Path();
            std::string branch = "REGEDIT4\r\n\r\n[" + path + "\\P" + std::to_string(made) + "]\r\n\"p\"=\"q\"\r\n\r\n[" +
                                 path + "]\r\n\"X\"=\"y\"\r\n\r\n";
            Merge(doc, branch, true, false);
            break;
        }
        }
        if (doc.edits->History().Steps() == steps) continue;
        texts.push_back(Write(doc));
        ++made;
    }
    ASSERT_EQ(made, 50);
    for (size_t i = texts.size() - 1; i > 0; --i) {
        doc.edits->Undo();
        ASSERT_EQ(Write(doc), texts[i - 1]) << "after undoing edit " << i;
    }
    EXPECT_FALSE(doc.modified);
    while (doc.edits->CanRedo()) doc.edits->Redo();
    EXPECT_EQ(Write(doc), texts.back());
}

// The mark follows the history: back at the saved step the document is
// unmodified, on either side of it modified; a new edit after undoing past
// the save makes the saved state unreachable.
TEST(Undo, ModifiedMarkTellsTheTruthAcrossASave) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, kBody));
    KeyNode* q = Find(doc, "HKEY_CURRENT_USER\\Software\\Q");
    doc.edits->AddKey(q, "One");
    doc.edits->MarkSaved();
    EXPECT_FALSE(doc.modified);
    doc.edits->AddKey(q, "Two");
    struct Step { bool undo; bool modified; } steps[] = {
        {true, false}, {true, true}, {false, false}, {false, true}, {true, false},
    };
    for (const Step& s : steps) {
        s.undo ? doc.edits->Undo() : doc.edits->Redo();
        EXPECT_EQ(doc.modified, s.modified);
    }
    doc.edits->Undo();  // before the save
    doc.edits->AddKey(q, "Three");
    EXPECT_TRUE(doc.modified);
    doc.edits->Undo();
    EXPECT_TRUE(doc.modified);  // the saved step went with the redo branch
    EXPECT_FALSE(doc.edits->CanRedo() && doc.edits->RedoKind() != EditKind::NewKey);
}

// Refusals change nothing and record nothing; a limit on the history's
// memory drops the oldest steps first.
TEST(Undo, RefusalsRecordNothingAndTheLimitDropsTheOldestSteps) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, kBody));
    KeyNode* q = Find(doc, "HKEY_CURRENT_USER\\Software\\Q");
    struct Refused { const char* name; EditRefusal reason; } refused[] = {
        {"", EditRefusal::EmptyName}, {"a\\b", EditRefusal::Backslash}, {"SUB", EditRefusal::NameTaken},
    };
    KeyNode* r = Find(doc, "HKEY_CURRENT_USER\\Software\\R");
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(doc.edits->RenameKey(Find(doc, "HKEY_CURRENT_USER\\Software\\Q\\Sub\\Deep"), c.name),
                  c.name[0] == 'S' ? EditRefusal::None : c.reason);
        EditRefusal reason = EditRefusal::None;
        EXPECT_EQ(doc.edits->AddKey(q, c.name, &reason), nullptr);
        EXPECT_EQ(reason, c.reason);
    }
    // A sibling's name in other letters is taken; the key's own is not.
    EXPECT_EQ(doc.edits->RenameKey(r, "q"), EditRefusal::NameTaken);
    EXPECT_EQ(doc.edits->RenameKey(r, "r"), EditRefusal::None);
    EXPECT_EQ(doc.edits->History().Steps(), 2u);  // "SUB" below Sub, and "r"

    doc.edits->SetHistoryLimit(EditHistory::kDefaultLimit);
    for (int i = 0; i < 20; ++i) doc.edits->AddKey(q, ("K" + std::to_string(i)).c_str());
    size_t all = doc.edits->History().Steps();
    doc.edits->SetHistoryLimit(doc.edits->History().Bytes() / 2);
    EXPECT_LT(doc.edits->History().Steps(), all);
    EXPECT_GT(doc.edits->History().Steps(), 0u);
    while (doc.edits->CanUndo()) doc.edits->Undo();
    EXPECT_NE(Find(doc, "HKEY_CURRENT_USER\\Software\\Q\\K0"), nullptr);  // dropped: cannot be undone
    EXPECT_EQ(Find(doc, "HKEY_CURRENT_USER\\Software\\Q\\K19"), nullptr);
    EXPECT_TRUE(doc.modified);
}
