// Load, save and load again: the same keys and, key by key, the same values,
// over the corpus of real files and over generated ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "RegGenerator.h"
#include "TestUtil.h"
#include "tests/Corpus.h"
#include "document/RegParser.h"

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

// Every key's path and its values (name, kind, display), in document order.
std::vector<std::string> Snapshot(const RegDocument& doc) {
    std::vector<std::string> lines;
    ForEachKey(doc, [&](KeyNode* k) {
        std::string line = k->Path() + " =>";
        ValueList values;
        k->CollectValues(values);
        for (auto& v : values) {
            line += " [" + v->GetName() + "|" + v->GetTypeName() + "|" + v->GetDisplayText() + "]";
        }
        lines.push_back(line);
    });
    return lines;
}

bool Load(RegDocument& doc, const char* bytes, size_t size, ReadError& error) {
    RegText text;
    if (!DecodeRegBytes(bytes, size, text, error)) return false;
    doc.unicode = text.unicode;
    doc.abort = 0;
    return doc.ParseText(std::move(text.text), nullptr, text.length, true, false, true);
}

// Returns an empty string when the round trip keeps everything, else the first difference.
std::string RoundTrip(const std::string& bytes) {
    RegDocument doc;
    ReadError error;
    if (!Load(doc, bytes.data(), bytes.size(), error)) return std::string("not loaded: ") + ReadErrorText(error);
    RegDialect dialect = doc.dialect;
    bool unicode = doc.unicode;
    RegDialect other = dialect == kRegedit4 ? kRegedit5 : kRegedit4;
    struct Target { RegDialect dialect; bool unicode; } targets[] = {
        {dialect, unicode}, {dialect, !unicode}, {other, other == kRegedit5}, {other, other == kRegedit4}};
    std::vector<std::string> before = Snapshot(doc);
    for (const Target& t : targets) {
        // What the legacy page lacks is lost in its text (the save warns).
        if (!t.unicode && FindLostCharacters(doc, t.dialect).Any()) continue;
        MemorySink out;
        if (!WriteDocument(doc, out, t.unicode, t.dialect)) return "write failed";
        RegDocument again;
        if (!Load(again, out.Data(), out.Size(), error)) return std::string("saved file not loaded: ") + ReadErrorText(error);
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
    size_t loaded = 0, refused = 0;
    for (const std::string& name : corpus::Files()) {
        fs::path file(name);
        std::string id = file.parent_path().filename().string() + "/" + file.filename().string();
        std::string bytes = ReadBytes(name);
        auto listed = kRefused.find(id);
        RegDocument doc;
        ReadError error;
        bool ok = Load(doc, bytes.data(), bytes.size(), error);
        if (listed != kRefused.end()) {
            EXPECT_FALSE(ok) << id << " is listed as refused (" << listed->second << ") but loads";
            if (!ok) { EXPECT_EQ(error, ReadError::Header) << id; }
            ++refused;
            continue;
        }
        EXPECT_TRUE(ok) << id << " is refused: " << ReadErrorText(error);
        if (!ok) continue;
        ++loaded;
        EXPECT_EQ(RoundTrip(bytes), "") << id;
    }
    EXPECT_EQ(refused, kRefused.size());
    EXPECT_GT(loaded, 30u);
}

// The byte 0xAA of a "REGEDIT4" file is the legacy page's "\u00AA", however
// the lines of its data are laid out: it loads as that character and every
// save gives it back, also when the save drops continuations that end the
// file.
TEST(RoundTrip, LegacyCharacterDataOfAnyLayoutKeepsItsCharacter) {
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
    const std::string cases[] = {
        head + "\"y\"=hex(7):aa\\\\\\\r\n\\\\",   // several backslashes, dangling at the end
        head + "\"y\"=hex(7):aa \\\r\n\\",          // a space before a dangling continuation
        head + "\"y\"=hex(7):aa,\\\\\r\n  00\r\n",    // two backslashes before the next line
        head + "\"y\"=hex(7): aa\r\n",                  // a space before the data
        // CR alone in the key line and after the data, found by a fuzz run.
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TEDIT4\r[A\r\"x\"=dword[A\\B]\r\"y\"=hex(7):aaAa" +
            std::string(24, 'a') + "\\\\\\\\\\\\\\\r\\\\\\",
    };
    for (const std::string& bytes : cases) {
        RegDocument doc;
        ReadError error;
        ASSERT_TRUE(Load(doc, bytes.data(), bytes.size(), error)) << bytes;
        KeyNode* key = doc.roots.empty() ? nullptr : doc.roots.front();
        while (key && key->firstChild) key = key->firstChild;
        ASSERT_TRUE(key) << bytes;
        EXPECT_EQ(Values(key), "y|REG_MULTI_SZ|\u00AA;") << bytes;
        EXPECT_EQ(RoundTrip(bytes), "") << bytes;
    }
}

TEST(RoundTrip, GeneratedFilesInBothDialectsAndEncodings) {
    struct Case { RegDialect dialect; bool unicode; };
    const Case cases[] = {{kRegedit5, true}, {kRegedit5, false}, {kRegedit4, false}, {kRegedit4, true}};
    uint64_t seed = 7;
    for (const Case& c : cases) {
        GeneratorOptions options;
        options.seed = seed++;
        options.targetBytes = 600 * 1024;
        options.dialect = c.dialect;
        options.unicode = c.unicode;
        MemorySink out;
        GeneratorStats stats;
        ASSERT_TRUE(GenerateRegFile(out, options, &stats));
        EXPECT_GT(stats.keys, 1000u);
        std::string bytes(out.Data(), out.Size());
        EXPECT_EQ(RoundTrip(bytes), "") << "dialect " << int(c.dialect) << (c.unicode ? " utf16" : " ansi");
    }
}

}  // namespace
