// The check of a file: each verdict at its line with its key, and none on
// what the registry editor reads as written.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bench/RegGenerator.h"
#include "document/LineCheck.h"
#include "tests/core/TestUtil.h"

namespace {

struct Checked {
    bool read = false;
    std::vector<LineVerdict> verdicts;
    size_t counts[kSeverityCount] = {};
};

Checked Check(const std::string& bytes) {
    Checked out;
    LineCheck check([&](LineVerdict&& v) { out.verdicts.push_back(std::move(v)); });
    ParseScope scope(check.StopFlag());
    ReadError error;
    out.read = check.CheckBytes(bytes.data(), bytes.size(), error);
    for (size_t s = 0; s < kSeverityCount; ++s) out.counts[s] = check.Count(static_cast<Severity>(s));
    return out;
}

std::string Describe(const Checked& checked) {
    std::string s;
    for (const LineVerdict& v : checked.verdicts)
        s += std::to_string(v.line) + " " + SeverityName(v.severity) + " " + std::to_string(int(v.code)) + " [" +
             v.key + "] " + VerdictReason(v, CheckReasonText(v.code)) + "\n";
    return s;
}

const std::string k4 = "REGEDIT4\r\n\r\n";
const std::string k5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kKey = "[HKEY_CURRENT_USER\\A]\r\n";  // line 3 after either header

}  // namespace

// One short file per verdict: the verdict is given at its line with its
// key (or none before the first key line), and its severity is the table's.
TEST(LineCheck, EachVerdictAtItsLineWithItsKey) {
    struct Case {
        int line;  // of this table, for the failure message
        std::string file;
        size_t at;
        CheckCode code;
        Severity severity;
        const char* key;
    } cases[] = {
        // The file as a whole: header, encoding, line ends.
        {__LINE__, "regedit4\r\n\r\n" + kKey, 1, CheckCode::BadHeader, Severity::Skipped, ""},
        {__LINE__, "REGEDIT4  \r\n\r\n" + kKey, 1, CheckCode::BadHeader, Severity::Skipped, ""},
        {__LINE__, "\xEF\xBB\xBF" + k5 + kKey, 1, CheckCode::Utf8Mark, Severity::Skipped, ""},
        {__LINE__, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n", 1, CheckCode::LfLineEnds, Severity::Note, ""},
        {__LINE__, k4 + "\"v\"=\"1\"\r\n" + kKey, 3, CheckCode::ValueBeforeKey, Severity::Skipped, ""},
        // Key lines.
        {__LINE__, k4 + "[HKEY_FOO\\A]\r\n", 3, CheckCode::UnknownRoot, Severity::Skipped, "HKEY_FOO\\A"},
        {__LINE__, k4 + "[HKCU\\A]\r\n", 3, CheckCode::AbbreviatedRoot, Severity::Skipped, "HKCU\\A"},
        {__LINE__, k4 + "[-HKEY_CURRENT_USER]\r\n", 3, CheckCode::RootDeletion, Severity::Skipped,
         "-HKEY_CURRENT_USER"},
        {__LINE__, k4 + "[HKEY_CURRENT_USER\\A] ; c\r\n", 3, CheckCode::TextAfterKey, Severity::Differs,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\r\n[HKEY_CURRENT_USER\\B]\r\n\r\n" + kKey, 7, CheckCode::KeyRepeated, Severity::Note,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "  [x\r\n", 4, CheckCode::BracketLine, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        // Strings.
        {__LINE__, k4 + kKey + "\"a\"=\"open\r\n", 4, CheckCode::UnterminatedString, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=\"open\\\r\n", 4, CheckCode::StringEndsInBackslash, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=\"one\r\ntwo\"\r\n", 4, CheckCode::StringRunsOn, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=\"x\" y\r\n", 4, CheckCode::TextAfterString, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=\"say \"hi\"\"\r\n", 4, CheckCode::UnescapedQuote, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        // Names and "=".
        {__LINE__, k4 + kKey + "\"a=\"x\r\n", 4, CheckCode::NoEquals, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\r\n", 4, CheckCode::NameNotClosed, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\";x=\"1\"\r\n", 4, CheckCode::TextBeforeEquals, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"==\"1\"\r\n", 4, CheckCode::TwoEquals, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\" = \"1\"\r\n", 4, CheckCode::SpacesAroundEquals, Severity::Note,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=\"1\"\r\n\"A\"=\"2\"\r\n", 5, CheckCode::ValueRepeated, Severity::Differs,
         "HKEY_CURRENT_USER\\A"},
        // Data.
        {__LINE__, k4 + kKey + "\"a\"=dword:\r\n", 4, CheckCode::DwordEmpty, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=dword:123456789\r\n", 4, CheckCode::DwordTooLong, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=dword:0x1\r\n", 4, CheckCode::DwordNotHex, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=DWORD:1\r\n", 4, CheckCode::TypeInCapitals, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=hex:01,zz\r\n", 4, CheckCode::BadHex, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=hex:01,\\\r\n  001\r\n", 4, CheckCode::OddHexDigits, Severity::Note,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=hex:01,02,\r\n  03,04\r\n", 5, CheckCode::StrayHexLine, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"a\"=str:\"x\"\r\n", 4, CheckCode::UnknownData, Severity::Skipped,
         "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "junk\r\n", 4, CheckCode::NotAValue, Severity::Skipped, "HKEY_CURRENT_USER\\A"},
        // The dialects' forms.
        {__LINE__, k4 + kKey + "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n", 4, CheckCode::QwordInRegedit4,
         Severity::Note, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k4 + kKey + "\"e\"=hex(2):41,00,42,00,00,00\r\n", 4, CheckCode::Utf16InRegedit4,
         Severity::Differs, "HKEY_CURRENT_USER\\A"},
        {__LINE__, k5 + kKey + "\"e\"=hex(2):41,42,00\r\n", 4, CheckCode::SingleByteIn5, Severity::Differs,
         "HKEY_CURRENT_USER\\A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        Checked checked = Check(c.file);
        ASSERT_TRUE(checked.read);
        bool found = false;
        for (const LineVerdict& v : checked.verdicts)
            if (v.code == c.code && v.line == c.at && v.key == c.key && v.severity == c.severity) found = true;
        EXPECT_TRUE(found) << Describe(checked);
        EXPECT_EQ(SeverityOf(c.code), c.severity);
    }
}

// Forms the registry editor reads as written: no verdict at all.
TEST(LineCheck, NothingOnWhatTheRegistryEditorReadsAsWritten) {
    const std::string file = k4 + "; comment before the keys\r\n\r\n" + kKey +
                             "@=\"default\"\r\n\"s\"=\"a \\\"quoted\\\" \\\\ text\" ; comment\r\n"
                             "\"d\"=dword:0000000a\r\n\"h\"=hex:01,02,\\\r\n  03 ; c\r\n\"gone\"=-\r\n"
                             "\"e\"=hex(2):41,42,00\r\n# a comment\r\n\r\n[-HKEY_CURRENT_USER\\A\\Old]\r\n\r\n"
                             "[hkey_local_machine\\B]\r\n\"m\"=hex(7):61,00,00\r\n";
    Checked checked = Check(file);
    ASSERT_TRUE(checked.read);
    EXPECT_EQ(Describe(checked), "");
}

// A save writes nothing that the registry editor skips or reads otherwise.
TEST(LineCheck, NothingSkippedInQuillonsOwnSave) {
    GeneratorOptions options;
    options.targetKeys = 2000;
    options.seed = 7;
    options.dialect = kRegedit4;
    options.unicode = false;
    MemorySink generated;
    ASSERT_TRUE(GenerateRegFile(generated, options));
    RegDocument document;
    ASSERT_TRUE(testutil::Parse(document, std::string(generated.Data(), generated.Size()), true, nullptr, false));
    for (bool unicode : {false, true}) {
        for (RegDialect dialect : {kRegedit4, kRegedit5}) {
            MemorySink out;
            ASSERT_TRUE(WriteDocument(document, out, unicode, dialect));
            Checked checked = Check(std::string(out.Data(), out.Size()));
            ASSERT_TRUE(checked.read);
            EXPECT_EQ(checked.counts[0] + checked.counts[1], 0u) << Describe(checked).substr(0, 2000);
        }
    }
}

// Junk, a long line and many bad lines: verdicts, no crash, in line order.
TEST(LineCheck, HostileInputGivesVerdictsInLineOrder) {
    std::mt19937 random(3);
    std::string junk = k4 + kKey;
    for (int i = 0; i < 200000; ++i) junk += static_cast<char>(random() % 255 + 1);
    junk += "\r\n\"v\"=\"" + std::string(8 << 20, 'x') + "\r\n";
    for (int i = 0; i < 100000; ++i) junk += "\"a\"=dword:zz\r\n";
    Checked checked = Check(junk);
    ASSERT_TRUE(checked.read);
    EXPECT_GE(checked.counts[0], 100000u);
    for (size_t i = 1; i < checked.verdicts.size(); ++i) ASSERT_LE(checked.verdicts[i - 1].line, checked.verdicts[i].line);
}
