// Load, save and load again: the same keys and, key by key, the same values,
// over the corpus of real files and over generated ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "RegGenerator.h"
#include "TestUtil.h"
#include "tests/Corpus.h"

using namespace testutil;
namespace fs = std::filesystem;

namespace {

// Files the loader refuses, each with the reason. A refused file that is not
// listed here, or a listed file that loads, fails the test.
const std::map<std::string, const char*> kRefused = {
    {"real/atsushisuemitsu_install_utf16_double_encoded.reg", "UTF-16 encoded twice: the header reads W\\0i\\0n\\0..."},
    {"real/backser0827_takeown_gbk_ansi_fullwidth_spaces.reg", "full-width spaces after the header word"},
    {"real/microsoft_sserver_win31_regedit.reg", "Windows 3.1 \"REGEDIT\" header"},
    {"real/x2es_bt_dualboot_chntpw_export_noheader.reg", "no header line at all"},
    {"crlf/atsushisuemitsu_install_utf16_double_encoded.reg", "UTF-16 encoded twice"},
    {"crlf/microsoft_sserver_win31_regedit.reg", "Windows 3.1 \"REGEDIT\" header"},
};

// Returns an empty string when the round trip keeps everything, else the first difference.
std::string RoundTrip(const std::string& bytes) {
    RegDocument doc;
    ReadError error;
    if (!Load(doc, bytes, &error)) return std::string("not loaded: ") + ReadErrorText(error);
    RegDialect other = doc.dialect == kRegedit4 ? kRegedit5 : kRegedit4;
    struct Target { RegDialect dialect; bool unicode; } targets[] = {
        {doc.dialect, doc.unicode}, {doc.dialect, !doc.unicode}, {other, false}, {other, true}};
    std::vector<std::string> before = Snapshot(doc);
    for (const Target& t : targets) {
        // What the legacy page lacks is lost in its text (the save warns).
        if (!t.unicode && FindLostCharacters(doc, t.dialect).Any()) continue;
        MemorySink out;
        if (!WriteDocument(doc, out, t.unicode, t.dialect)) return "write failed";
        RegDocument again;
        if (!Load(again, Bytes(out), &error)) return std::string("saved file not loaded: ") + ReadErrorText(error);
        if (again.dialect != t.dialect || again.unicode != t.unicode) return "dialect or encoding not kept";
        std::vector<std::string> after = Snapshot(again);
        auto [a, b] = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
        if (a != before.end() || b != after.end())
            return "dialect " + std::to_string(t.dialect) + (t.unicode ? " utf16" : " ansi") + ", key " +
                   std::to_string(a - before.begin()) + ":\n  before: " + (a != before.end() ? *a : "(none)") +
                   "\n  after:  " + (b != after.end() ? *b : "(none)");
    }
    return std::string();
}

TEST(RoundTrip, EveryCorpusFileKeepsItsKeysAndValuesOrIsListedAsRefused) {
    QUILLON_REQUIRE_CORPUS();
    size_t kept = 0, refused = 0;
    for (const std::string& name : corpus::Files()) {
        fs::path file(name);
        std::string id = file.parent_path().filename().string() + "/" + file.filename().string();
        std::string result = RoundTrip(ReadBytes(name));
        auto listed = kRefused.find(id);
        if (listed == kRefused.end()) {
            EXPECT_EQ(result, "") << id;
            kept += result.empty();
        } else {
            EXPECT_EQ(result, std::string("not loaded: ") + ReadErrorText(ReadError::Header))
                << id << " is listed as refused (" << listed->second << ")";
            ++refused;
        }
    }
    EXPECT_EQ(refused, kRefused.size());
    EXPECT_GT(kept, 30u);
}

// The byte 0xAA of a "REGEDIT4" file is the legacy page's "\u00AA", however
// the lines of its data are laid out: it loads as that character and every
// save gives it back, also when the save drops continuations that end the
// file.
TEST(RoundTrip, LegacyCharacterDataOfAnyLayoutKeepsItsCharacter) {
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
    const std::string cases[] = {
        head + "\"y\"=hex(7):aa,\\ ; dangling\r\n ;\r\n",  // a comment after a dangling continuation
        head + "\"y\"=hex(7):aa,\t\\\r\n\t\r\n",           // a tab before a dangling continuation
        head + "\"y\"=hex(7):aa,\\\r\n ; c\r\n  00\r\n",   // a comment line inside
        head + "\"y\"=hex(7): aa\r\n",                  // a space before the data
        // CR alone in the key line and after the data, found by a fuzz run.
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TEDIT4]\r[A\r\"x\"=dword[A\\B]\r\"y\"=hex(7):0aa,\\\r",
    };
    for (const std::string& bytes : cases) {
        RegDocument doc;
        ASSERT_TRUE(Load(doc, bytes)) << bytes;
        KeyNode* key = doc.roots.empty() ? nullptr : doc.roots.front();
        while (key && key->firstChild) key = key->firstChild;
        ASSERT_TRUE(key) << bytes;
        EXPECT_EQ(Values(key), "y|REG_MULTI_SZ|\u00AA;") << bytes;
        EXPECT_EQ(RoundTrip(bytes), "") << bytes;
    }
}

// A key's later section that ends inside continuations (the last on a line
// of its own) is written before the keys after it: none of them may be
// taken in as its data. Found by a fuzz run.
TEST(RoundTrip, ASectionEndingInsideContinuationsTakesInNoKeyAfterIt) {
    for (const char* tail : {"\\\r\\", "\\\r\n  \\\r\n", "\\ ;c\r\\"}) {
        std::string bytes = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:00\r\n[HKEY_CURRENT_USER\\B]\r\n\r\n"
                            "[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex:01,02," +
                            std::string(tail);
        RegDocument doc;
        ASSERT_TRUE(Load(doc, bytes)) << bytes;
        ASSERT_TRUE(Find(doc, "HKEY_CURRENT_USER\\A"));
        EXPECT_EQ(Values(Find(doc, "HKEY_CURRENT_USER\\A")), "x|REG_BINARY|01 02 ;") << bytes;
        EXPECT_EQ(RoundTrip(bytes), "") << bytes;
    }
}

TEST(RoundTrip, GeneratedFilesInBothDialectsAndEncodings) {
    struct Case { RegDialect dialect; bool unicode; } cases[] = {
        {kRegedit5, true}, {kRegedit5, false}, {kRegedit4, false}, {kRegedit4, true}};
    uint64_t seed = 7;
    for (const Case& c : cases) {
        GeneratorOptions options{.seed = seed++, .targetBytes = 600 * 1024, .dialect = c.dialect, .unicode = c.unicode};
        MemorySink out;
        GeneratorStats stats;
        ASSERT_TRUE(GenerateRegFile(out, options, &stats));
        EXPECT_GT(stats.keys, 1000u);
        EXPECT_EQ(RoundTrip(Bytes(out)), "") << "dialect " << int(c.dialect) << (c.unicode ? " utf16" : " ansi");
    }
}

}  // namespace
