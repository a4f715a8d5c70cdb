// The comparison of two files by meaning: which pairs are equal, what the
// difference says, and that merging the difference after the first file
// leaves what the second file alone leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/RegCompare.h"
#include "tests/core/TestUtil.h"

using testutil::Parse;

namespace {

const std::string k5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string k4 = "REGEDIT4\r\n\r\n";

std::string Difference(const RegDocument& a, const RegDocument& b, CompareCounts& counts, RegDocument& result) {
    EXPECT_EQ(CompareDocuments(a, b, result, counts, "a.reg", "b.reg"), CompareEnd::Complete);
    MemorySink out;
    EXPECT_TRUE(WriteDocument(result, out, TextForm::Program, result.dialect));
    return testutil::Bytes(out);
}

}  // namespace

TEST(Compare, DifferenceTurnsTheFirstFileIntoTheSecond) {
    const std::string K = "[HKEY_CURRENT_USER\\Software\\Q]\r\n";
    struct Case {
        int line;
        std::string a, b;
        bool equal;
        std::vector<std::string> says;  // lines the difference holds
    } cases[] = {
        {__LINE__, k5 + K + "\"v\"=\"1\"\r\n", k5 + "[hkey_current_user\\SOFTWARE\\q]\r\n\"V\"=\"1\"\r\n", true, {}},
        // Letters beyond ASCII fold as the registry folds them.
        {__LINE__, k5 + "[HKEY_CURRENT_USER\\\xc3\x84\\\xd0\x96]\r\n\r\n", k5 + "[HKEY_CURRENT_USER\\\xc3\xa4\\\xd0\xb6]\r\n\r\n",
         true, {}},
        {__LINE__, k5 + "[HKCU\\Software\\Q]\r\n\"v\"=\"1\"\r\n", k5 + K + "\"v\"=\"1\"\r\n", true, {}},
        {__LINE__, k5 + K + "\"a\"=\"1\"\r\n\"b\"=dword:00000002\r\n\r\n" + "[HKEY_CURRENT_USER\\Software\\R]\r\n\r\n",
         k5 + "[HKEY_CURRENT_USER\\Software\\R]\r\n\r\n" + K + "\"b\"=dword:00000002\r\n\"a\"=\"1\"\r\n", true, {}},
        {__LINE__, k5 + K + "\"h\"=hex:01,02,03,04\r\n", k5 + K + "\"h\"=hex:01,02,\\\r\n    03,04\r\n", true, {}},
        // The same characters as dialect-4 text and as UTF-16.
        {__LINE__, k4 + K + "\"e\"=hex(2):41,42,00\r\n", k5 + K + "\"e\"=hex(2):41,00,42,00,00,00\r\n", true, {}},
        {__LINE__, k5 + K + "\"v\"=\"1\"\r\n", k5 + K + "\"v\"=dword:00000001\r\n", false, {"\"v\"=dword:00000001"}},
        {__LINE__, k5 + K + "@=\"a\"\r\n", k5 + K + "@=\"b\"\r\n", false, {"@=\"b\""}},
        {__LINE__, k5 + K + "@=\"a\"\r\n\"x\"=\"1\"\r\n", k5 + K + "\"x\"=\"1\"\r\n", false, {K + "@=-"}},
        // Deletion lines of the inputs: what a file removes after setting
        // it, it does not hold.
        {__LINE__, k5 + K + "\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q\\Sub]\r\n\r\n" + K +
                       "\"b\"=-\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Q\\Sub]\r\n\r\n",
         k5 + K + "\"a\"=\"1\"\r\n", true, {}},
        {__LINE__, k5 + K + "\"a\"=\"1\"\r\n", k5 + K + "\"a\"=\"1\"\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Q]\r\n\r\n", false,
         {"[-HKEY_CURRENT_USER\\Software\\Q]"}},
        // A deep branch on one side only: one deletion line, or the lines
        // of its keys without the keys they imply.
        {__LINE__, k5 + K + "\r\n[HKEY_CURRENT_USER\\Software\\Q\\A\\B\\C\\D]\r\n\"d\"=\"4\"\r\n", k5 + K, false,
         {"[-HKEY_CURRENT_USER\\Software\\Q\\A]\r\n"}},
        {__LINE__, k5 + K, k5 + K + "\r\n[HKEY_CURRENT_USER\\Software\\Q\\A\\B\\C\\D]\r\n\"d\"=\"4\"\r\n", false,
         {"\r\n[HKEY_CURRENT_USER\\Software\\Q\\A\\B\\C\\D]\r\n\"d\"=\"4\"\r\n"}},
        {__LINE__, k5 + K, k5 + K + "\r\n[HKEY_CURRENT_USER\\Software\\Q\\Empty]\r\n", false,
         {"[HKEY_CURRENT_USER\\Software\\Q\\Empty]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row at line " << c.line);
        RegDocument a, b;
        ASSERT_TRUE(Parse(a, c.a, true, nullptr, false));
        ASSERT_TRUE(Parse(b, c.b, true, nullptr, false));
        CompareCounts counts;
        RegDocument result;
        std::string difference = Difference(a, b, counts, result);
        EXPECT_EQ(counts.Equal(), c.equal) << difference;
        EXPECT_EQ(result.dialect, b.dialect);
        for (const std::string& line : c.says) EXPECT_NE(difference.find(line), std::string::npos) << difference;
        if (c.equal) continue;
        // The first file, then the difference, as two merges one after the other.
        RegDocument merged;
        ASSERT_TRUE(Parse(merged, c.a, true, nullptr, false));
        ASSERT_TRUE(Parse(merged, difference, true, nullptr, false));
        RegDocument again;
        Difference(merged, b, counts, again);
        EXPECT_TRUE(counts.Equal()) << difference;
    }
}

// The text a line diff of two files reads: every value on its own line with
// its key's path, sorted without regard to case, whatever the file's order.
TEST(Compare, StateTextIsSortedAndOneValueALine) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, k5 + "[HKEY_CURRENT_USER\\b]\r\n\"z\"=dword:0000002a\r\n@=\"x\\\"y\"\r\n\r\n"
                             "[HKEY_CURRENT_USER\\A]\r\n\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n\"bin\"=hex:01,02\r\n",
                      true, nullptr, false));
    MemorySink out;
    ASSERT_TRUE(WriteStateText(doc, out));
    EXPECT_EQ(testutil::Bytes(out),
              "[HKEY_CURRENT_USER]\n"
              "[HKEY_CURRENT_USER\\A]\n"
              "[HKEY_CURRENT_USER\\A] \"bin\" = REG_BINARY: 01,02\n"
              "[HKEY_CURRENT_USER\\A] \"m\" = REG_MULTI_SZ: \"a\", \"b\"\n"
              "[HKEY_CURRENT_USER\\b]\n"
              "[HKEY_CURRENT_USER\\b] @ = REG_SZ: \"x\\\"y\"\n"
              "[HKEY_CURRENT_USER\\b] \"z\" = REG_DWORD: 0x0000002a\n");
}
