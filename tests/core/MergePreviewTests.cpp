// What a merge would change, worked out over a registry held in memory: each
// row's document is previewed against the row's live keys, the preview's
// lines and counts are checked, and then the merge and its backup are played
// one after the other, which must give the live keys back as they were.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "regedit/MergePreview.h"
#include "tests/core/TestUtil.h"

using regedit::KeyChange;
using regedit::LiveValue;
using regedit::ValueChange;

namespace {

std::u16string W(const std::string& text) { return ProgramToWideString(text); }
std::string N(const std::u16string& text) { return WideToProgramString(text); }

// A registry of keys by folded path; a key's subkeys are the keys one level below it.
class MemoryRegistry : public regedit::LiveRegistry {
public:
    struct Key {
        std::u16string path;
        std::vector<LiveValue> values;
    };
    std::map<std::u16string, Key> keys;
    std::set<std::u16string> denied;

    void Put(const std::string& path, std::vector<LiveValue> values = {}) {
        keys[Fold(W(path))] = {W(path), std::move(values)};
    }
    regedit::LiveRead ReadKey(const std::u16string& path, bool, regedit::LiveKey& out, regedit::ReadProblem& problem,
                              uint32_t&) override {
        std::u16string folded = Fold(path);
        if (denied.count(folded)) {
            problem = regedit::ReadProblem::Denied;
            return regedit::LiveRead::Failed;
        }
        auto found = keys.find(folded);
        if (found == keys.end()) return regedit::LiveRead::Missing;
        out.values = found->second.values;
        return regedit::LiveRead::Found;
    }
    regedit::LiveRead ReadSubkeys(const std::u16string& path, std::vector<std::u16string>& names,
                                  regedit::ReadProblem&, uint32_t&) override {
        std::u16string folded = Fold(path);
        for (const auto& [other, key] : keys)
            if (other.size() > folded.size() + 1 && other.compare(0, folded.size() + 1, folded + u"\\") == 0 &&
                other.find(u'\\', folded.size() + 1) == std::u16string::npos)
                names.push_back(key.path.substr(path.size() + 1));
        return regedit::LiveRead::Found;
    }
    // What the registry editor leaves after a merge: the preview's changes made.
    void Apply(const regedit::MergePreview& preview) {
        for (const regedit::KeyDiff& diff : preview.Keys()) {
            std::u16string folded = Fold(diff.path);
            if (diff.change == KeyChange::Removed) {
                keys.erase(folded);
                continue;
            }
            Key& key = keys[folded];
            key.path = diff.path;
            for (const regedit::ValueDiff& value : diff.values) {
                auto at = key.values.begin();
                while (at != key.values.end() && Fold(at->name) != Fold(value.Name())) ++at;
                if (value.change == ValueChange::Removed) key.values.erase(at);
                else if (at == key.values.end()) key.values.push_back(value.after);
                else *at = value.after;
            }
        }
    }
    // Every key and value, in one text per key, names folded.
    std::vector<std::string> Snapshot() const {
        std::vector<std::string> lines;
        for (const auto& [folded, key] : keys) {
            std::set<std::string> values;
            for (const LiveValue& v : key.values)
                values.insert(N(Fold(v.name)) + "=" + std::to_string(v.type) + ":" + regedit::LiveDisplayText(v.type, v.bytes));
            std::string line = N(folded);
            for (const std::string& v : values) line += " | " + v;
            lines.push_back(line);
        }
        return lines;
    }
};

LiveValue Sz(const std::string& name, const std::string& text) {
    std::u16string wide = W(text) + u'\0';
    return {W(name), 1, testutil::Utf16(wide)};
}
LiveValue Data(const std::string& name, uint32_t type, const std::string& bytes) { return {W(name), type, bytes}; }

// The preview as lines: each key with its change, each value with its own,
// the type and the data before and after in their display forms.
std::vector<std::string> Lines(const regedit::MergePreview& preview) {
    static const char* const kKeys[] = {"created", "removed", "kept"};
    static const char* const kValues[] = {"added", "changed", "removed", "equal"};
    std::vector<std::string> lines;
    for (const regedit::KeyDiff& key : preview.Keys()) {
        std::string line = std::string(kKeys[static_cast<int>(key.change)]) + " " + N(key.path);
        if (key.head && key.change == KeyChange::Removed)
            line += " (" + std::to_string(key.removedValues) + " values, " + std::to_string(key.removedSubkeys) + " subkeys)";
        if (key.problem != regedit::ReadProblem::None) line += " unreadable";
        lines.push_back(line);
        for (const regedit::ValueDiff& v : key.values) {
            const LiveValue& shown = v.change == ValueChange::Added ? v.after : v.before;
            std::string text = std::string("  ") + kValues[static_cast<int>(v.change)] + " " + N(v.Name()) + " " +
                               regedit::LiveTypeName(shown.type);
            if (v.change != ValueChange::Added) text += " " + regedit::LiveDisplayText(v.before.type, v.before.bytes);
            if (v.change == ValueChange::Changed || v.change == ValueChange::Added)
                text += " -> " + regedit::LiveDisplayText(v.after.type, v.after.bytes);
            lines.push_back(text);
        }
    }
    return lines;
}

std::string CountsText(const regedit::PreviewCounts& c) {
    return std::to_string(c.keysCreated) + "+ " + std::to_string(c.keysRemoved) + "- / " + std::to_string(c.valuesAdded) +
           "+ " + std::to_string(c.valuesChanged) + "~ " + std::to_string(c.valuesRemoved) + "- " +
           std::to_string(c.valuesEqual) + "= / " + std::to_string(c.unreadable) + "?";
}

bool Preview(regedit::MergePreview& preview, RegDocument& doc) {
    std::vector<const KeyNode*> tops(doc.roots.begin(), doc.roots.end());
    return preview.Run(tops);
}

const char kS[] = "HKEY_CURRENT_USER\\S";

void LiveS(MemoryRegistry& live) {
    live.Put("HKEY_CURRENT_USER");
    live.Put(kS, {Sz("Str", "old"), Data("Num", 4, std::string("\1\0\0\0", 4)), Data("Bin", 3, "\1"),
                  Data("Exp", 2, testutil::Utf16(u"%A%\0")), Data("Multi", 7, testutil::Utf16(std::u16string(u"a\0b\0\0", 5))),
                  Data("Q", 11, std::string("\1\0\0\0\0\0\0\0", 8)), Sz("Same", "same"), Sz("Gone", "x")});
    live.Put(std::string(kS) + "\\Old", {Sz("V", "v")});
    live.Put(std::string(kS) + "\\Old\\Deeper");
}

}  // namespace

TEST(MergePreview, ListsWhatTheMergeChangesAndItsBackupPutsItBack) {
    struct Row {
        int line;
        std::string document;
        std::vector<std::string> lines;
        std::string counts;
        // A key the backup cannot put back whole, as the round trip leaves it.
        std::string lost = "";
    };
    const std::string s = std::string("[") + kS;
    const Row rows[] = {
        {__LINE__,
         s + "]\r\n\"Str\"=\"new\"\r\n\"Num\"=dword:00000002\r\n\"Bin\"=hex:02,03\r\n"
             "\"Exp\"=hex(2):25,42,25,00\r\n\"Multi\"=hex(7):63,00,00\r\n\"Q\"=hex(b):02,00,00,00,00,00,00,00\r\n"
             "\"Same\"=\"same\"\r\n\"Gone\"=-\r\n\"New\"=\"n\"\r\n\r\n" +
             s + "\\Made\\Deep]\r\n\"D\"=dword:00000007\r\n\r\n[-HKEY_CURRENT_USER\\S\\Old]\r\n\r\n",
         {"kept HKEY_CURRENT_USER\\S",
          "  changed Bin REG_BINARY 01 -> 02 03",
          "  changed Exp REG_EXPAND_SZ %A% -> %B%",
          "  removed Gone REG_SZ x",
          "  changed Multi REG_MULTI_SZ a b -> c",
          "  added New REG_SZ -> n",
          "  changed Num REG_DWORD 0x00000001 (1) -> 0x00000002 (2)",
          "  changed Q REG_QWORD 0x1 (1) -> 0x2 (2)",
          "  equal Same REG_SZ same",
          "  changed Str REG_SZ old -> new",
          "created HKEY_CURRENT_USER\\S\\Made",
          "created HKEY_CURRENT_USER\\S\\Made\\Deep",
          "  added D REG_DWORD -> 0x00000007 (7)",
          "removed HKEY_CURRENT_USER\\S\\Old (1 values, 1 subkeys)",
          "  removed V REG_SZ v",
          "removed HKEY_CURRENT_USER\\S\\Old\\Deeper"},
         "2+ 2- / 2+ 6~ 2- 1= / 0?"},
        // Names in another case are the same names; nothing changes.
        {__LINE__, "[hkey_current_user\\s]\r\n\"STR\"=\"old\"\r\n\"gone\"=\"x\"\r\n\r\n",
         {"kept hkey_current_user\\s", "  equal Gone REG_SZ x", "  equal Str REG_SZ old"}, "0+ 0- / 0+ 0~ 0- 2= / 0?"},
        // A key deleted and set again keeps what the file sets; its live
        // subkeys and other values go.
        {__LINE__, "[-HKEY_CURRENT_USER\\S\\Old]\r\n\r\n" + s + "\\Old]\r\n\"V\"=\"v\"\r\n\r\n",
         {"kept HKEY_CURRENT_USER\\S\\Old", "  equal V REG_SZ v", "removed HKEY_CURRENT_USER\\S\\Old\\Deeper (0 values, 0 subkeys)"},
         "0+ 1- / 0+ 0~ 0- 1= / 0?"},
        // Lines of one name in one key: the last one says what happens.
        {__LINE__, s + "]\r\n\"Str\"=\"x\"\r\n\"Str\"=-\r\n\"Num\"=-\r\n\"Num\"=dword:00000001\r\n\r\n",
         {"kept HKEY_CURRENT_USER\\S", "  equal Num REG_DWORD 0x00000001 (1)", "  removed Str REG_SZ old"},
         "0+ 0- / 0+ 0~ 1- 1= / 0?"},
        // A key that cannot be read is named; what is set there is new to the preview.
        {__LINE__, s + "\\Locked]\r\n\"x\"=\"1\"\r\n\r\n",
         {"kept HKEY_CURRENT_USER\\S\\Locked unreadable", "  added x REG_SZ -> 1"}, "0+ 0- / 1+ 0~ 0- 0= / 1?",
         "HKEY_CURRENT_USER\\S\\LOCKED | X=1:1"},
        // A live name with a line break cannot go into the backup.
        {__LINE__, "[-HKEY_CURRENT_USER\\S\\Odd]\r\n\r\n",
         {"removed HKEY_CURRENT_USER\\S\\Odd (1 values, 0 subkeys) unreadable", "  removed ok REG_SZ 1"},
         "0+ 1- / 0+ 0~ 1- 0= / 1?", "HKEY_CURRENT_USER\\S\\ODD | OK=1:1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        MemoryRegistry live;
        LiveS(live);
        live.Put(std::string(kS) + "\\Odd", {Sz("a\nb", "2"), Sz("ok", "1")});
        live.Put(std::string(kS) + "\\Locked");
        live.denied.insert(live.Fold(W(std::string(kS) + "\\Locked")));
        std::vector<std::string> before = live.Snapshot();

        RegDocument doc;
        ASSERT_TRUE(testutil::Parse(doc, row.document));
        regedit::MergePreview preview(live);
        ASSERT_TRUE(Preview(preview, doc));
        EXPECT_EQ(Lines(preview), row.lines);
        EXPECT_EQ(CountsText(preview.Counts()), row.counts);
        EXPECT_EQ(live.Snapshot(), before);  // looking writes nothing

        MemorySink backup;
        ASSERT_TRUE(preview.WriteBackup(backup, "backup"));
        live.Apply(preview);
        if (preview.ChangesNothing()) continue;
        EXPECT_NE(live.Snapshot(), before);
        RegDocument restore;
        ASSERT_TRUE(testutil::Load(restore, testutil::Bytes(backup)));
        regedit::MergePreview back(live);
        ASSERT_TRUE(Preview(back, restore));
        live.Apply(back);
        std::vector<std::string> expected = before;
        for (std::string& line : expected)
            if (!row.lost.empty() && line.compare(0, row.lost.find(" |"), row.lost, 0, row.lost.find(" |")) == 0 &&
                (line.size() == row.lost.find(" |") || line[row.lost.find(" |")] == ' '))
                line = row.lost;
        EXPECT_EQ(live.Snapshot(), expected) << testutil::Bytes(backup).size();
    }
}

TEST(MergePreview, StopsWhenAskedAndWritesBackupLinesInTheRegistryEditorsForms) {
    MemoryRegistry live;
    LiveS(live);
    RegDocument doc;
    ASSERT_TRUE(testutil::Parse(doc, "[HKEY_CURRENT_USER\\S]\r\n\"Str\"=-\r\n\"Bin\"=-\r\n\"Num\"=-\r\n"
                                     "\"A\\\\\\\"q\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\T]\r\n\r\n"));
    std::atomic<int32_t> stop{1};
    regedit::MergePreview stopped(live, &stop);
    EXPECT_FALSE(Preview(stopped, doc));
    regedit::MergePreview preview(live);
    ASSERT_TRUE(Preview(preview, doc));
    MemorySink out;
    size_t keys = 0, values = 0;
    ASSERT_TRUE(preview.WriteBackup(out, "Quillon backup", &keys, &values));
    std::string bytes = testutil::Bytes(out);
    std::u16string text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_EQ(N(text), "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; Quillon backup\r\n\r\n"
                       "[-HKEY_CURRENT_USER\\T]\r\n\r\n"
                       "[HKEY_CURRENT_USER\\S]\r\n\"A\\\\\\\"q\"=-\r\n\"Bin\"=hex:01\r\n\"Num\"=dword:00000001\r\n"
                       "\"Str\"=\"old\"\r\n\r\n");
    EXPECT_EQ(keys, 2u);
    EXPECT_EQ(values, 4u);
}
