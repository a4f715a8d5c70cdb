// Load, save and load again: the same keys and, key by key, the same values,
// over the corpus of real files and over generated ones; every byte of the
// legacy page through open and save in both dialects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "RegGenerator.h"
#include "TestUtil.h"
#include "document/Platform.h"
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

// Every byte of the legacy code page, in key names, value names, strings and
// the character data of hex(2) and hex(7) values, comes back as it was from
// an open and a save in either dialect, and a UTF-16 save holds the page's
// character for it.
namespace {

// Whether the page has a character of its own for the byte: one that the
// page gives back as that byte.
bool Representable(unsigned char b) {
    std::string byte(1, static_cast<char>(b));
    std::u16string wide = LegacyToWideString(byte);
    return wide.size() == 1 && wide[0] != 0xFFFD && WideToLegacyString(wide) == byte;
}

std::string Hex(unsigned value) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02x", value);
    return digits;
}

// The file's text in a dialect as the writer lays it out: a key per byte
// whose name, value name and string hold the byte (where a line can hold
// it), then an expandable and a multi-string value of "A", the byte and the
// terminators, in dialect 5 as UTF-16 units of the page's character.
std::string PageText(RegDialect dialect) {
    std::string text = dialect == kRegedit4 ? "REGEDIT4\r\n\r\n" : "Windows Registry Editor Version 5.00\r\n\r\n";
    for (unsigned b = 0; b < 256; ++b) {
        if (!Representable(static_cast<unsigned char>(b))) continue;
        char c = static_cast<char>(b);
        // A key name cannot hold a backslash or a line break, a line no NUL.
        bool inLine = c != '\0' && c != '\r' && c != '\n';
        std::string escaped = c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        text += "[HKEY_CURRENT_USER\\Page\\k" + Hex(b) + (inLine && c != '\\' ? std::string(" ") + c : "") + "]\r\n";
        if (inLine) text += "\"n" + escaped + "\"=\"s" + escaped + "\"\r\n";
        std::string unit = Hex(b);
        std::string zero = "00";
        if (dialect == kRegedit5) {
            char16_t w = LegacyToWideString(std::string(1, c))[0];
            unit = Hex(w & 0xFF) + "," + Hex(w >> 8);
            zero = "00,00";
        }
        std::string a = dialect == kRegedit5 ? "41,00" : "41";
        text += "\"e\"=hex(2):" + a + "," + unit + "," + zero + "\r\n";
        text += "\"m\"=hex(7):" + a + "," + unit + "," + zero + "," + zero + "\r\n\r\n";
    }
    return text;
}

// The bytes of a file of the text: single-byte legacy text, or UTF-16.
std::string PageFile(RegDialect dialect, bool unicode) {
    std::string text = PageText(dialect);
    return unicode ? "\xFF\xFE" + Utf16(LegacyToWideString(text)) : text;
}

using LegacyPage = TempDir;

}  // namespace

TEST_F(LegacyPage, EveryByteComesBackFromOpenAndSaveInBothDialects) {
    struct Form {
        RegDialect dialect;
        bool unicode;
    } forms[] = {{kRegedit4, false}, {kRegedit5, true}, {kRegedit5, false}, {kRegedit4, true}};
    std::string opened = Path("opened.reg"), saved = Path("saved.reg");
    for (const Form& from : forms) {
        WriteBytes(opened, PageFile(from.dialect, from.unicode));
        RegDocument doc;
        LoadJob job;
        job.path = opened;
        ParseScope scope(doc.abort);
        ASSERT_TRUE(doc.Load(job)) << ReadErrorText(job.error);
        for (const Form& to : forms) {
            ASSERT_TRUE(SaveTo(doc, saved.c_str(), to.unicode, to.dialect));
            std::string expected = PageFile(to.dialect, to.unicode);
            std::string got = ReadBytes(saved);
            // Where the two part, for the message.
            size_t at = 0;
            while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
            EXPECT_TRUE(got == expected)
                << "dialect " << int(from.dialect) << (from.unicode ? " UTF-16" : " single-byte") << " saved as dialect "
                << int(to.dialect) << (to.unicode ? " UTF-16" : " single-byte") << ", first difference at byte " << at
                << ": " << got.substr(at > 40 ? at - 40 : 0, 80);
        }
    }
}
