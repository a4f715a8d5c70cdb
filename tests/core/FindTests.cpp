// Find's matching rules and its walk over the document, on parsed files.
#include <gtest/gtest.h>

#include "find/FindHits.h"
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

// A hit as "key path" or "key path|value name".
std::string Describe(const find::FindHit& hit) {
    if (!hit.key) return "";
    std::string text = hit.key->Path();
    if (!hit.InValue()) return text;
    ValueList values;
    hit.key->CollectValues(values);
    return text + "|" + (hit.value < values.size() ? values[hit.value]->GetName() : "?");
}

struct Walk {
    RegDocument doc;
    std::atomic<int32_t> stop{0};
    explicit Walk(const char* file = kFile) { EXPECT_TRUE(testutil::Parse(doc, file)); }
    // The next hit after `from` (empty: from the start; a key path: after its
    // name, or after its value `value`), described, or "".
    std::string Next(const std::string& text, unsigned flags, const std::string& from = "",
                     find::SearchOutcome* outcome = nullptr, uint32_t value = find::kKeyName) {
        find::FindHit hit;
        find::FindHit start{from.empty() ? nullptr : testutil::Find(doc, from), value};
        find::SearchOutcome result = find::SearchNext(doc, start, find::SearchKeyOf(text), flags, stop, hit);
        if (outcome) *outcome = result;
        return result == find::SearchOutcome::Found ? Describe(hit) : "";
    }
};

}  // namespace

TEST(Find, EachFlagLooksAtItsPartAndTheStoredForm) {
    struct Case { const char* text; unsigned flags; std::string hit; } cases[] = {  // hit "": nothing matches
        {"run", kFindKeys, kAlpha + "\\RunOnce"}, {"pathext", kFindValueNames, kAlpha + "|PathExt"},
        {"pathext", kFindKeys | kFindData, ""}, {"path", kFindValueNames | kFindWholeString, kAlpha + "|Path"},
        {"c:\\\\windows", kFindData, kAlpha + "|Path"}, {"c:\\windows", kFindData, ""},  // the stored, doubled backslash
        {"1F", kFindData, kAlpha + "|Flags"}, {"0x1f", kFindData, ""},  // DWORD digits as stored
        {"52,55", kFindData, ""},  // binary data never matches
        {"%run%", kFindData | kFindWholeString, kAlpha + "|Expand"},  // decoded characters
        {"ONE RUN", kFindData | kFindWholeString, kAlpha + "|Multi"},  // parts joined by spaces
        {"path", kFindData | kFindWholeString, kBeta + "|MorePath"},
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
    // In a key, its values after the last hit come before the next key.
    struct Step { const char* text; unsigned flags; std::string from; uint32_t after; std::string hit; } steps[] = {
        {"path", kFindValueNames, kAlpha, find::kKeyName, kAlpha + "|Path"},
        {"path", kFindValueNames, kAlpha, 0, kAlpha + "|PathExt"},
        {"path", kFindValueNames, kAlpha, 1, kBeta + "|MorePath"},
        {"run", kFindKeys | kFindData, kAlpha + "\\RunOnce", find::kKeyName, "HKEY_LOCAL_MACHINE\\Run"},
        {"alpha", kFindKeys | kFindValueNames, "", find::kKeyName, kAlpha},  // the key's name, then its values
    };
    for (const Step& step : steps)
        EXPECT_EQ(walk.Next(step.text, step.flags, step.from, nullptr, step.after), step.hit) << step.from << " " << step.after;
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

// Find All lists what Find Next, pressed again and again from the start,
// visits; the hits sort by a column and are written one line each.
TEST(Find, FindAllListsTheHitsOfRepeatedFindNext) {
    Walk walk("[HKEY_LOCAL_MACHINE\\Firewall\\Rules]\r\n"
              "\"App\"=\"C:\\\\notepad.exe\"\r\n\"Other\"=\"calc.exe\"\r\n"
              "\"Notepad.exe\"=\"NOTEPAD.EXE\"\r\n\"Last\"=hex(2):6e,6f,74,65,70,61,64,2e,65,78,65,00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Firewall\\Rules\\notepad.exe]\r\n"
              "@=\"notepad.exe\"\r\n\"x\"=dword:00000001\r\n\"y\"=\"notepad.exe\"\r\n\r\n");
    struct Case { const char* text; unsigned flags; size_t hits; } cases[] = {
        {"notepad.exe", kFindData, 5},
        {"notepad.exe", kFindKeys | kFindValueNames | kFindData, 6},  // a value matching twice is one hit
        {"notepad.exe", kFindKeys | kFindValueNames | kFindData | kFindWholeString, 5},
        {"1", kFindData | kFindWholeString, 0},
        {"e", 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::string> nexts;
        find::FindHit place, hit;
        std::string key = find::SearchKeyOf(c.text);
        while (find::SearchNext(walk.doc, place, key, c.flags, walk.stop, hit) == find::SearchOutcome::Found) {
            nexts.push_back(Describe(hit));
            place = hit;
        }
        find::HitList all;
        EXPECT_EQ(find::FindAll(walk.doc, key, c.flags, walk.stop, all),
                  c.hits ? find::SearchOutcome::Found : find::SearchOutcome::NotFound);
        std::vector<std::string> listed;
        for (size_t i = 0; i < all.Count(); ++i) listed.push_back(Describe(all.At(i)));
        EXPECT_EQ(listed, nexts) << c.text << " flags " << c.flags;
        EXPECT_EQ(listed.size(), c.hits) << c.text << " flags " << c.flags;
    }

    find::HitList all;
    ASSERT_EQ(find::FindAll(walk.doc, find::SearchKeyOf("notepad"), kFindKeys | kFindData, walk.stop, all),
              find::SearchOutcome::Found);
    all.Sort(find::HitColumn::Type, false);  // descending; equal types keep the walk's order
    MemorySink out;
    ASSERT_TRUE(all.Write(out));
    const std::string rules = "HKEY_LOCAL_MACHINE\\Firewall\\Rules";
    EXPECT_EQ(std::string(out.Data(), out.Size()),
              rules + "\tApp\tREG_SZ\tC:\\notepad.exe\r\n" + rules + "\tNotepad.exe\tREG_SZ\tNOTEPAD.EXE\r\n" +
                  rules + "\\notepad.exe\t\tREG_SZ\tnotepad.exe\r\n" + rules + "\\notepad.exe\ty\tREG_SZ\tnotepad.exe\r\n" +
                  rules + "\tLast\tREG_EXPAND_SZ\tnotepad.exe\r\n" + rules + "\\notepad.exe\r\n");
    all.Sort(find::HitColumn::Key, true);
    EXPECT_EQ(Describe(all.At(2)), rules + "|Last");  // a key before the keys below it
    EXPECT_EQ(Describe(all.At(5)), rules + "\\notepad.exe");
}
