#include <gtest/gtest.h>

#include "TestUtil.h"
#include "document/KeyPaths.h"

using namespace testutil;

namespace {

// Paths as users paste them name the document's keys; a missing tail leaves
// the deepest key that exists, and says how much of the path it took.
TEST(KeyLookup, TypedPathsInEveryCommonFormFindTheirDeepestKey) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\r\n\r\n[HKCU\\Mime\\text/html]\r\n\r\n"));
    struct Case { const char* typed; const char* canonical; const char* key; const char* missing; } cases[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\A\\B", "HKEY_LOCAL_MACHINE\\Software\\A\\B", "HKEY_LOCAL_MACHINE\\Software\\A\\B", ""},
        {"hklm\\software\\a\\b\\", "HKEY_LOCAL_MACHINE\\software\\a\\b", "HKEY_LOCAL_MACHINE\\Software\\A\\B", ""},
        {"Computer\\HKLM\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\A", ""},
        {" \"[HKLM\\Software\\A]\" ", "HKEY_LOCAL_MACHINE\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\A", ""},
        {"HKLM/Software/A/B/", "HKEY_LOCAL_MACHINE\\Software\\A\\B", "HKEY_LOCAL_MACHINE\\Software\\A\\B", ""},
        {"HKLM\\\\Software\\\\A", "HKEY_LOCAL_MACHINE\\Software\\A", "HKEY_LOCAL_MACHINE\\Software\\A", ""},
        // A root written abbreviated in the file; a slash inside a name.
        {"HKEY_CURRENT_USER\\Mime\\text/html", "HKEY_CURRENT_USER\\Mime\\text/html", "HKCU\\Mime\\text/html", ""},
        {"HKLM\\Software\\A\\Gone\\Deeper", "HKEY_LOCAL_MACHINE\\Software\\A\\Gone\\Deeper",
         "HKEY_LOCAL_MACHINE\\Software\\A", "\\Gone\\Deeper"},
        {"HKU\\.DEFAULT", "HKEY_USERS\\.DEFAULT", "", "HKEY_USERS\\.DEFAULT"},
        {"  \"\" ", "", "", ""},
        {"Computer", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::string path = CanonicalKeyPath(c.typed);
        EXPECT_EQ(path, c.canonical);
        size_t matched = 0;
        KeyNode* key = DeepestKeyOnPath(doc, path, matched);
        EXPECT_EQ(key ? key->Path() : "", c.key);
        EXPECT_EQ(path.substr(matched), c.missing);
    }
    std::string huge(10000, 'x');
    size_t matched = 1;
    EXPECT_EQ(DeepestKeyOnPath(doc, CanonicalKeyPath(huge), matched), nullptr);
    EXPECT_EQ(matched, 0u);
}

TEST(KeyLookup, SamePathInOtherCaseLandsOnOneKeyWhenCheckingDuplicates) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[A\\B]\r\n\"v\"=\"first\"\r\n\"only1\"=\"x\"\r\n\r\n[A\\C]\r\n\r\n[a\\b]\r\n\"v\"=\"second\"\r\n\"only2\"=\"y\"\r\n\r\n"));
    EXPECT_EQ(Paths(doc), (std::vector<std::string>{"A", "A\\B", "A\\C"}));
    KeyNode* b = Find(doc, "A\\B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->OlderBlockCount(), 1u);
    // As a merge: the later section's value wins, each name keeps the place
    // of its first appearance, and a save writes the sections in file order.
    EXPECT_EQ(Values(b), "v|REG_SZ|second;only1|REG_SZ|x;only2|REG_SZ|y;");
    std::string out = Write(doc);
    EXPECT_LT(out.find("first"), out.find("second"));
    EXPECT_LT(out.find("only1"), out.find("only2"));
}

// With the duplicate check a path is found anywhere, folding ASCII letters
// only; without it only the previous key line's path is shared.
TEST(KeyLookup, PathsAreSharedAsTheDuplicateCheckAllows) {
    struct Case { bool checkDuplicates; const char* text; std::vector<std::string> paths; } cases[] = {
        {true, "[A\\B\\C]\r\n\r\n[X]\r\n\r\n[A\\B]\r\n\"v\"=dword:00000001\r\n[A\\b\\c\\D]\r\n\r\n",
         {"A", "A\\B", "A\\B\\C", "A\\B\\C\\D", "X"}},
        // Names fold every letter as the registry folds them: "Ключ\Abc",
        // "Ключ\aBC" and "ключ" name keys already there; "Ä" is "ä".
        {true, "[A\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87\\Abc]\r\n\r\n[a\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87\\aBC]\r\n\r\n"
               "[A\\\xd0\xba\xd0\xbb\xd1\x8e\xd1\x87]\r\n\r\n[A\\\xc3\x84]\r\n\r\n[X]\r\n\r\n[A\\\xc3\xa4]\r\n\r\n",
         {"A", "A\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87", "A\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87\\Abc", "A\\\xc3\x84", "X"}},
        // A parent line after its child's line makes a second key.
        {false, "[A\\B\\C]\r\n\r\n[A\\B]\r\n\r\n", {"A", "A\\B", "A\\B\\C", "A\\B"}},
        {false, "[A\\B]\r\n\r\n[A\\B\\C]\r\n\r\n", {"A", "A\\B", "A\\B\\C"}},
        // A path that comes again later is a new key; the root is shared.
        {false, "[A\\X]\r\n\r\n[A\\Y]\r\n\r\n[A\\X]\r\n\r\n", {"A", "A\\X", "A\\Y", "A\\X"}},
        {false, "[A\\X]\r\n\r\n[B]\r\n\r\n[a\\Z]\r\n\r\n", {"A", "A\\X", "A\\Z", "B"}},
        // Siblings sharing a prefix of their names are different keys.
        {false, "[A\\Bc]\r\n\r\n[A\\B]\r\n\r\n[A\\Bcd\\E]\r\n\r\n", {"A", "A\\Bc", "A\\B", "A\\Bcd", "A\\Bcd\\E"}},
    };
    for (const Case& c : cases) {
        RegDocument doc;
        ASSERT_TRUE(Parse(doc, c.text, c.checkDuplicates)) << c.text;
        EXPECT_EQ(Paths(doc), c.paths) << c.text;
    }
}

TEST(KeyLookup, DeletionsAndAdditionsOfAHiveKeepTheirOrder) {
    // Not written as read: keys of different hives may be regrouped.
    struct Case { const char* text; size_t roots; bool writtenAsRead; } cases[] = {
        {"[-A\\X]\r\n\r\n[A\\X]\r\n\"v\"=\"1\"\r\n\r\n", 2, true},
        // Set, deleted, set again: the second addition must follow the deletion.
        {"[A\\X]\r\n\"v\"=\"0\"\r\n\r\n[-A\\X]\r\n\r\n[a\\X]\r\n\"v\"=\"1\"\r\n\r\n[-A\\Y]\r\n\r\n", 4, true},
        // Other hives between lines of one sign do not start a new root.
        {"[A\\X]\r\n\r\n[-B\\Y]\r\n\r\n[A\\Z]\r\n\r\n[-B\\W]\r\n\r\n", 2, false},
        // A hive named again in other letters beyond ASCII is the same hive
        // (found by a fuzz run: the save put the two roots together, and read
        // again they were one).
        {"[-\xc3\x95]\r\n\r\n[-A]\r\n\r\n[-\xc3\xb5]\r\n\r\n", 2, false},
    };
    for (bool checkDuplicates : {true, false}) {
        for (const Case& c : cases) {
            RegDocument doc;
            ASSERT_TRUE(Parse(doc, c.text, checkDuplicates)) << c.text;
            EXPECT_EQ(doc.roots.size(), c.roots) << c.text;
            if (c.writtenAsRead) { EXPECT_EQ(Write(doc), "REGEDIT4\r\n\r\n" + std::string(c.text)); }
        }
    }
}

TEST(KeyLookup, FirstKeyLineCanLandOnAnExistingKey) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[T\\Sub]\r\n\r\n"));
    std::string paste = "REGEDIT4\r\n\r\n[T\\Sub]\r\n\"v\"=\"1\"\r\n\r\n[T\\Sub\\New]\r\n\r\n";
    ParseScope scope(doc.abort);
    ASSERT_TRUE(doc.ParseText(Text(paste), nullptr, paste.size(), false, true));
    EXPECT_EQ(Paths(doc), (std::vector<std::string>{"T", "T\\Sub", "T\\Sub\\New"}));
    EXPECT_EQ(Values(Find(doc, "T\\Sub")), "v|REG_SZ|1;");
}

TEST(ValueBlocks, EditingMergesEveryBlockIntoOneProgramBlock) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[K]\r\n\"a\"=\"1\"\r\n[J]\r\n\r\n[K]\r\n\"b\"=\"2\"\r\n[J]\r\n\r\n[K]\r\n\"a\"=\"3\"\r\n\r\n"));
    KeyNode* k = Find(doc, "K");
    EXPECT_EQ(k->OlderBlockCount(), 2u);
    ValueList values = Collect(k);
    ASSERT_EQ(values.size(), 2u);
    static_cast<StringValue&>(*values[1]).SetData("edited");
    ASSERT_TRUE(k->RebuildValueBlock(values));
    EXPECT_EQ(k->OlderBlockCount(), 0u);
    EXPECT_TRUE(k->MainBlock().owned);
    EXPECT_EQ(k->MainBlock().dialect, kRegedit4);
    EXPECT_STREQ(k->MainBlock().text, "\"a\"=\"3\"\r\n\"b\"=\"edited\"\r\n\r\n");
    // A blank line ends the section before the next key line.
    EXPECT_NE(Write(doc).find("\"b\"=\"edited\"\r\n\r\n[J]"), std::string::npos);
    ASSERT_TRUE(k->RebuildValueBlock({}));
    EXPECT_FALSE(k->HasValueText());
}

TEST(ValueBlocks, LinesThatAreNotValuesSurviveAnEdit) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[K]\r\n\"a\"=\"1\"\r\n; a comment\r\n\"gone\"=-\r\n\"b\"=dword:00000002\r\n\r\n[L]\r\n\r\n"));
    KeyNode* k = Find(doc, "K");
    // The comment goes before the values; the deletion is a value of the
    // list, in its place. Stable over a second edit.
    for (int edit = 1; edit <= 2; ++edit) {
        ASSERT_TRUE(Rebuild(k));
        EXPECT_STREQ(k->MainBlock().text, "; a comment\r\n\"a\"=\"1\"\r\n\"gone\"=-\r\n\"b\"=dword:00000002\r\n\r\n") << edit;
    }
}

TEST(Document, KeysMadeOrRenamedOwnTheirNamesAndClearDropsEverything) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[Root\\Child]\r\n\r\n"));
    KeyNode* child = Find(doc, "Root\\Child");
    EXPECT_FALSE(child->NameOwned());
    child->SetName("Renamed");
    EXPECT_TRUE(child->NameOwned());
    child->SetName("Again");
    EXPECT_STREQ(child->name, "Again");
    EXPECT_EQ(child->Path(), "Root\\Again");
    KeyNode* made = new (doc.keys, std::nothrow) KeyNode("Made", child);
    EXPECT_TRUE(made->NameOwned());
    EXPECT_EQ(child->LastChild(), made);
    doc.DeleteKey(doc.roots[0]);
    EXPECT_TRUE(doc.roots.empty());
    // Clear frees every key and buffer and forgets the encoding.
    ASSERT_TRUE(Parse(doc, "[A]\r\n\r\n"));
    doc.unicode = true;
    doc.Clear();
    EXPECT_TRUE(doc.roots.empty());
    EXPECT_TRUE(doc.buffers.empty());
    EXPECT_FALSE(doc.unicode);
}

// Nesting is walked without recursion: a hostile file must not overflow the stack.
TEST(DeepTrees, HundredThousandLevelsLoadSaveCollectAndDestroy) {
    const int depth = 100000;
    std::string body = "[R";
    for (int i = 1; i < depth; ++i) body += "\\k";
    body += "]\r\n\"v\"=\"deep\"\r\n";
    {
        RegDocument doc;
        ASSERT_TRUE(Parse(doc, body));
        KeyNode* leaf = doc.roots[0];
        while (leaf->firstChild) leaf = leaf->firstChild;
        EXPECT_EQ(Values(leaf), "v|REG_SZ|deep;");
        EXPECT_EQ(doc.CountKeysToWrite(), 1u);
        EXPECT_GT(doc.roots[0]->TextSize(), 0u);
        EXPECT_NE(Write(doc).find(body), std::string::npos);
        RegDocument again;
        ASSERT_TRUE(Reparse(again, Write(doc)));
        EXPECT_EQ(again.CountKeysToWrite(), 1u);
    }
    // A built (not parsed) chain is destroyed the same way.
    KeyNode* root = new KeyNode("R", nullptr);
    KeyNode* k = root;
    for (int i = 0; i < depth; ++i) k = new KeyNode("k", k);
    delete root;
}

}  // namespace
