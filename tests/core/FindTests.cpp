// Find's matching rules and its walk over the document, on parsed files.
#include <gtest/gtest.h>

#include "find/FindSearch.h"
#include "tests/core/TestUtil.h"

namespace {

const char kFile[] =
    "[HKEY_CURRENT_USER\\Software\\Alpha]\r\n"
    "\"Path\"=\"C:\\\\Windows\"\r\n"
    "\"PathExt\"=\".COM;.EXE\"\r\n"
    "\"Flags\"=dword:0000001f\r\n"
    "\"Blob\"=hex:52,55,4e\r\n"
    "\"Expand\"=hex(2):25,52,55,4e,25,00\r\n"
    "\"Multi\"=hex(7):6f,6e,65,00,52,75,6e,00,00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Alpha\\RunOnce]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Beta]\r\n"
    "\"MorePath\"=\"path\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Run]\r\n\r\n";

const std::string kAlpha = "HKEY_CURRENT_USER\\Software\\Alpha";
const std::string kBeta = "HKEY_CURRENT_USER\\Software\\Beta";

struct Walk {
    RegDocument doc;
    std::atomic<int32_t> stop{0};
    explicit Walk(const char* file = kFile) { EXPECT_TRUE(testutil::Parse(doc, file)); }
    // The path of the next hit after `from` (empty: from the start), or "".
    std::string Next(const std::string& text, unsigned flags, const std::string& from = "",
                     find::SearchOutcome* outcome = nullptr) {
        find::SearchHit hit;
        const KeyNode* start = from.empty() ? nullptr : testutil::Find(doc, from);
        find::SearchOutcome result = find::SearchKeys(doc, start, find::SearchKeyOf(text), flags, stop, hit);
        if (outcome) *outcome = result;
        return result == find::SearchOutcome::Found ? hit.key->Path() : "";
    }
};

}  // namespace

TEST(Find, EachFlagLooksAtItsPartAndTheStoredForm) {
    struct Case { const char* text; unsigned flags; std::string hit; } cases[] = {  // hit "": nothing matches
        {"run", kFindKeys, kAlpha + "\\RunOnce"}, {"pathext", kFindValueNames, kAlpha},
        {"pathext", kFindKeys | kFindData, ""}, {"path", kFindValueNames | kFindWholeString, kAlpha},
        {"c:\\\\windows", kFindData, kAlpha}, {"c:\\windows", kFindData, ""},  // the stored, doubled backslash
        {"1F", kFindData, kAlpha}, {"0x1f", kFindData, ""},  // DWORD digits as stored
        {"52,55", kFindData, ""},  // binary data never matches
        {"%run%", kFindData | kFindWholeString, kAlpha},  // decoded characters
        {"ONE RUN", kFindData | kFindWholeString, kAlpha},  // parts joined by spaces
        {"path", kFindData | kFindWholeString, kBeta},
        {"software", 0, ""},  // nothing to look at: the whole walk, no hit
    };
    Walk walk;
    for (const Case& c : cases) EXPECT_EQ(walk.Next(c.text, c.flags), c.hit) << c.text << " flags " << c.flags;
}

TEST(Find, TheWalkResumesAfterTheStartInTreeOrderNeverWrapsAndStopsWhenAsked) {
    Walk walk;
    // Pre-order: a key's children before its next sibling, then the next top-level key.
    EXPECT_EQ(walk.Next("alp", kFindKeys), kAlpha);
    EXPECT_EQ(walk.Next("run", kFindKeys, kAlpha + "\\RunOnce"), "HKEY_LOCAL_MACHINE\\Run");
    // A second matching value in the key of the last hit is skipped.
    EXPECT_EQ(walk.Next("path", kFindValueNames, kAlpha), kBeta);
    find::SearchOutcome outcome;
    EXPECT_EQ(walk.Next("run", kFindKeys, "HKEY_LOCAL_MACHINE\\Run", &outcome), "");
    EXPECT_EQ(outcome, find::SearchOutcome::NotFound);
    // The keys visited, from nothing selected to the end.
    std::vector<std::string> order;
    for (const KeyNode* key = find::NextKey(walk.doc, nullptr); key; key = find::NextKey(walk.doc, key))
        order.push_back(key->Path());
    std::vector<std::string> expected = {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\Software", kAlpha,
                                         kAlpha + "\\RunOnce", kBeta, "HKEY_LOCAL_MACHINE",
                                         "HKEY_LOCAL_MACHINE\\Run"};
    EXPECT_EQ(order, expected);
    // A stop set before the first step ends the walk.
    walk.stop = 1;
    EXPECT_EQ(walk.Next("run", kFindKeys, "", &outcome), "");
    EXPECT_EQ(outcome, find::SearchOutcome::Stopped);
}

// Program text is UTF-8: ASCII letters fold, others match in their own case,
// always as whole characters; a long search text is cut between characters.
TEST(Find, TextOutsideAsciiMatchesWholeCharactersInTheirOwnCase) {
    Walk walk("[HKEY_CURRENT_USER\\\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87 Key]\r\n"  // "Ключ Key"
              "\"x\"=hex(2):e4,b8,ad,e6,96,87,00\r\n");                        // "中文"
    struct Case { const char* text; unsigned flags; bool found; } cases[] = {
        {"\xd1\x8e\xd1\x87 kEY", kFindKeys, true},         // "юч kEY": ASCII case folded
        {"\xd0\xba\xd0\xbb\xd1\x8e", kFindKeys, false},       // "клю": other letters keep their case
        {"\xe6\x96\x87", kFindData, true},                    // "文"
        {"\xe6\x96\x88", kFindData, false},                   // "斈" shares two bytes with "文"
    };
    for (const Case& c : cases) EXPECT_EQ(walk.Next(c.text, c.flags) != "", c.found) << c.text;
    std::string cyrillic;
    for (int i = 0; i < 200; ++i) cyrillic += "\xd0\x96";  // "Ж" is two bytes
    EXPECT_EQ(find::SearchKeyOf(cyrillic).size(), 258u);
}
