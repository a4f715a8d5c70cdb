#include <gtest/gtest.h>

#include "TestUtil.h"
#include "document/FailPoint.h"
#include "document/RegParser.h"

using namespace testutil;

namespace {

TEST(Header, AcceptsOnlyTheTwoHeaderLinesEndedByALineEnd) {
    struct Case { const char* text; RegDialect dialect; } cases[] = {
        {"REGEDIT4\r\n", kRegedit4}, {"  regedit4  \r\n", kRegedit4}, {"REGEDIT4\n[A]\n", kRegedit4},
        {"REGEDIT4\r[A]\r", kRegedit4}, {"Windows Registry Editor Version 5.00\r\n\r\n", kRegedit5},
        {"WINDOWS REGISTRY EDITOR VERSION 5.00 \r\n", kRegedit5}, {"Windows Registry Editor Version 5.00\n", kRegedit5},
        {"REGEDIT4 x\nREGEDIT4\r\n", kNoDialect},  // the first line end ends the header
        {"REGEDIT4", kNoDialect}, {"REGEDIT5\r\n", kNoDialect}, {"REGEDIT\r\n", kNoDialect}, {"\tREGEDIT4\r\n", kNoDialect},
        {"\xEF\xBB\xBFREGEDIT4\r\n", kNoDialect}, {"Windows Registry Editor Version 4.00\r\n", kNoDialect}, {"", kNoDialect},
    };
    for (const Case& c : cases) EXPECT_EQ(TestHeader(c.text), c.dialect) << c.text;
}

TEST(KeyLineScan, KeyLinesStartAtLineStartsAfterBlanksAndEndAtTheLastBracketOfTheLine) {
    struct Case { const char* (*find)(const char*); const char* text; int expected; } cases[] = {  // -1: none found
        {FindNextKeyLine, "x\r\n[A]", 3}, {FindNextKeyLine, "x\n   [A]", 5}, {FindNextKeyLine, "x\n\t [A]", 4},
        {FindNextKeyLine, "x\n\v[A]", -1},  // tabs and spaces are the only blanks before a key line
        {FindNextKeyLine, "x\n  [\r\n  ]\r\n[B]", 12},  // a line without "]" is no key line
        {FindNextKeyLine, "[A]", -1},  // the first character of the text never starts a line
        {FindNextKeyLine, "\n[A]", -1},  // nor does a line end that is the first character
        // A string ends at its line: what follows is read as what it is.
        {FindNextKeyLine, "x\r\n\"a\"=\"[not\r\n[B]\"\r\n[C]", 14},
        {FindNextKeyLine, "x \"\\\"\r\n[A]\r\n\"\r\n[B]", 7},
        {FindNextKeyLine, "x\"unterminated\r\n[A]", 16}, {FindNextKeyLine, "x=[A]\r\n", -1},
        // Hex data continued onto a key line takes it in, blank and comment
        // lines between them skipped; data in error ends at its line.
        {FindNextKeyLine, "x\r\n\"v\"=hex:41,\\\r\n\r\n ;c\r\n[A]\r\n[B]", 29},
        {FindNextKeyLine, "x\r\n\"v\"=hex:41,\\\r\nzz,\\\r\n[A]", 23},
        {FindNextKeyLine, "x\r\n\"v\"=\"C:\\\\\"\r\n[A]", 15},
        // A continuation with blanks or a comment after it, or lines ended by
        // CR alone; a comment or a ";" in a string continues nothing.
        {FindNextKeyLine, "x\r\n\"v\"=hex:41,\\ ;c\r\n[A]\r\n[B]", 25},
        {FindNextKeyLine, "x\r\n\"v\"=hex:41,\\  \r\n[A]\r\n[B]", 24},
        {FindNextKeyLine, "x\r\n\"v\"=hex:41,\\\r\n \t \r\n[A]\r\n[B]", 27},
        {FindNextKeyLine, "x\r\"v\"=hex:41,\\\r[A]\r[B]", 19},
        {FindNextKeyLine, "x\r\n\"v\"=hex:41\r\n;c\\\r\n[A]", 20},
        {FindNextKeyLine, "x\r\n\"v\"=\"a;b\"\r\n[A]", 14},
        {FindKeyLineEnd, "A\\B]\r\n", 3}, {FindKeyLineEnd, "A] \t \r\n", 1}, {FindKeyLineEnd, "A]", 1},
        {FindKeyLineEnd, "A] x\r\nB]\r\n", 1}, {FindKeyLineEnd, "A][B]\n", 4}, {FindKeyLineEnd, "A\r\nB", -1},
    };
    for (const Case& c : cases) {
        const char* found = c.find(c.text);
        EXPECT_EQ(found ? static_cast<int>(found - c.text) : -1, c.expected) << c.text;
    }
    const char* payload = "REGEDIT4\r\n\r\n\t[A\\B] \t\r\n\r\n \t\"v\"=\"1\"\r\n";
    EXPECT_STREQ(FindValuesStart(payload), "\"v\"=\"1\"\r\n");
    EXPECT_EQ(FindValuesStart("REGEDIT4\r\n\r\n[A]\r\n"), nullptr);
}

TEST(KeyParse, KeyLineFormsAndTextBeforeTheFirstKey) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc,
                      "; comment before the keys\r\n\r\n"
                      "[-HKEY_CURRENT_USER\\Gone]\r\n\r\n"
                      "[A] x\r\nB]  \r\n\"v\"=\"1\"\r\n  [\r\n\"w\"=\"2\"\r\n"
                      "[C]\r[D]\r\n"));
    EXPECT_EQ(Paths(doc), (std::vector<std::string>{"-HKEY_CURRENT_USER", "-HKEY_CURRENT_USER\\Gone", "A", "C", "D"}));
    EXPECT_EQ(Values(doc.roots[1]), "v|REG_SZ|1;w|REG_SZ|2;");
    EXPECT_EQ(doc.dialect, kRegedit4);
    EXPECT_EQ(doc.buffers.size(), 1u);
}

TEST(KeyParse, RefusesTextWithoutHeaderAndStopsAtUnendedKeyLine) {
    RegDocument doc;
    EXPECT_FALSE(Parse(doc, "[A]\r\n", true, nullptr, false));
    EXPECT_TRUE(doc.buffers.empty());
    ASSERT_TRUE(Parse(doc, "[A]\r\n\"v\"=\"1\"\r\n[B"));
    ASSERT_EQ(doc.roots.size(), 1u);
    EXPECT_EQ(Values(doc.roots[0]), "v|REG_SZ|1;");
}

struct Recorder : ProgressSink, KeyTreeSink {
    std::vector<int> percents;
    std::vector<std::string> added;
    void SetProgress(int percent) override { percents.push_back(percent); }
    void AddKey(KeyNode* key) override {
        // Parents first, as the view inserts them.
        std::vector<KeyNode*> chain;
        for (KeyNode* k = key; k && !k->viewItem; k = k->parent) chain.push_back(k);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            added.push_back((*it)->name);
            (*it)->viewItem = *it;
        }
    }
};

TEST(KeyParse, ViewGetsSplitNamesAndProgressMovesInSteps) {
    std::string body;
    for (int i = 0; i < 100; ++i) body += "[R\\K" + std::to_string(i) + "\\S]\r\n\"v\"=\"" + std::string(50, 'x') + "\"\r\n\r\n";
    RegDocument doc;
    Recorder rec;
    doc.owner = &rec;
    ASSERT_TRUE(Parse(doc, body, true, &rec));
    ASSERT_EQ(rec.added.size(), 201u);
    EXPECT_EQ(std::vector<std::string>(rec.added.begin(), rec.added.begin() + 4),
              (std::vector<std::string>{"R", "K0", "S", "K1"}));
    EXPECT_EQ(rec.added.back(), "S");
    ASSERT_FALSE(rec.percents.empty());
    for (size_t i = 1; i < rec.percents.size(); ++i) EXPECT_GT(rec.percents[i], rec.percents[i - 1] + 5);
    EXPECT_LE(rec.percents.back(), 100);

    RegDocument single;
    Recorder one;
    single.owner = &one;
    ASSERT_TRUE(Parse(single, "[A]\r\n\"v\"=\"1\"\r\n"));
    EXPECT_LE(one.percents.size(), 1u);
}

// A parse that does not read its whole text says so, and how far it came:
// the keys it took stay whole (names split, values attached), and only a
// complete parse counts as a success.
TEST(KeyParse, AParseStoppedByAbortOrMemorySaysHowItEnded) {
    struct Aborter : ProgressSink {
        RegDocument* doc = nullptr;
        void SetProgress(int) override { doc->abort = 1; }
    };
    std::string body;
    for (int i = 0; i < 50; ++i) body += "[HKEY_USERS\\K" + std::to_string(i) + "]\r\n\"v\"=\"" + std::string(100, 'y') + "\"\r\n";
    std::string ansi = "REGEDIT4\r\n\r\n[HKEY_USERS\\A]\r\n\"v\"=\"1\"\r\n[HKEY_USERS\\B]\r\n\"e\"=hex(2):e9,00\r\n\r\n";
    // memoryAfter: allocations that succeed before the rest fail (-1: all do).
    struct Case { int line; const char* label; std::string text; bool abort; long memoryAfter; bool legacy;
                  ParseEnd end; size_t keys; } cases[] = {
        {__LINE__, "whole text", "REGEDIT4\r\n\r\n" + body, false, -1, false, ParseEnd::Complete, 50},
        {__LINE__, "no header", body, false, -1, false, ParseEnd::NoHeader, 0},
        {__LINE__, "memory for the 11th key", "REGEDIT4\r\n\r\n" + body, false, 11, false, ParseEnd::OutOfMemory, 10},
        {__LINE__, "memory for the first key", "REGEDIT4\r\n\r\n" + body, false, 0, false, ParseEnd::OutOfMemory, 0},
        // The first key comes (two components), the second's legacy data
        // cannot be recoded.
        {__LINE__, "memory for legacy data", ansi, false, 2, true, ParseEnd::OutOfMemory, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.label);
        RegDocument doc;
        ParseScope scope(doc.abort);
        std::unique_ptr<char[]> text = Text(c.text);
        if (c.memoryAfter >= 0) FailAllocationsAfter(c.memoryAfter);
        ParseResult result = doc.ParseText(std::move(text), nullptr, c.text.size(), true, false, c.legacy);
        StopFailingAllocations();
        EXPECT_EQ(result.end, c.end);
        EXPECT_EQ(static_cast<bool>(result), c.end == ParseEnd::Complete);
        EXPECT_EQ(result.keys, c.keys);
        size_t keys = 0;
        ForEachKey(doc.roots, [&](KeyNode* k) { keys += k->firstChild ? 0 : 1; EXPECT_EQ(std::strchr(k->name, '\\'), nullptr); });
        EXPECT_EQ(keys, c.keys);
        EXPECT_EQ(doc.buffers.size(), c.keys > 0 ? 1u : 0u);
    }
    // Abort at the first progress report stops before the next key line.
    RegDocument doc;
    Aborter aborter;
    aborter.doc = &doc;
    doc.owner = &aborter;
    std::string text = "REGEDIT4\r\n\r\n" + body;
    ParseScope scope(doc.abort);
    ParseResult result = doc.ParseText(Text(text), nullptr, text.size(), true, false);
    EXPECT_EQ(result.end, ParseEnd::Stopped);
    EXPECT_GE(result.keys, 1u);
    EXPECT_LT(result.keys, 50u);
    EXPECT_EQ(doc.roots[0]->firstChild ? 1u : 0u, 1u);
}

// A large text has its key lines found on a thread of their own, ahead of
// the parse that makes the keys: the document is the one a parse on one
// thread makes (a length of 0 keeps it on one), and a parse stopped by
// abort or memory stops the finder too and keeps what it took whole.
TEST(KeyParse, KeyLinesFoundAheadGiveWhatOneThreadGives) {
    std::string text = "REGEDIT4\r\n\r\n";
    for (int i = 0; text.size() < (size_t(3) << 20); ++i) {
        // Sections come back (duplicate keys); legacy data is recoded in its
        // place or, long, elsewhere; continued hex data takes in a key line.
        text += "[HKEY_USERS\\S\\K" + std::to_string(i % 4000) + "]\r\n\"s\"=\"x" + std::to_string(i) + "\"\r\n";
        text += "\"e\"=hex(2):e9,00\r\n";
        if (i % 7 == 0) {
            text += "\"m\"=hex(7):";
            for (int b = 0; b < 60; ++b) text += b % 20 == 19 ? "e9,\\\r\n  " : "e9,";
            text += "00,00\r\n";
        }
        if (i % 11 == 0) text += "\"b\"=hex:41,\\\r\n[HKEY_USERS\\Taken" + std::to_string(i) + "]\r\n";
        text += "\r\n";
    }
    for (bool checkDuplicates : {true, false}) {
        RegDocument ahead, single;
        ParseScope aheadScope(ahead.abort), singleScope(single.abort);
        ParseResult a = ahead.ParseText(Text(text), nullptr, text.size(), checkDuplicates, false, true);
        ParseResult b = single.ParseText(Text(text), nullptr, 0, checkDuplicates, false, true);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a.keys, b.keys);
        EXPECT_EQ(Snapshot(ahead), Snapshot(single));
        EXPECT_EQ(Write(ahead), Write(single));
        EXPECT_NE(Write(ahead).find("=hex(7):e9,e9,"), std::string::npos);  // legacy data saved as it came
    }
    struct Aborter : ProgressSink {
        RegDocument* doc = nullptr;
        void SetProgress(int) override { doc->abort = 1; }
    };
    struct Case { const char* label; bool abort; long memoryAfter; ParseEnd end; } cases[] = {
        {"abort", true, -1, ParseEnd::Stopped}, {"memory", false, 1000, ParseEnd::OutOfMemory}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RegDocument doc;
        Aborter aborter;
        aborter.doc = &doc;
        if (c.abort) doc.owner = &aborter;
        ParseScope scope(doc.abort);
        if (c.memoryAfter >= 0) FailAllocationsAfter(c.memoryAfter);
        ParseResult result = doc.ParseText(Text(text), nullptr, text.size(), true, false, true);
        StopFailingAllocations();
        EXPECT_EQ(result.end, c.end);
        EXPECT_GT(result.keys, 0u);
        EXPECT_LT(result.keys, 20000u);
        ForEachKey(doc.roots, [&](KeyNode* k) { EXPECT_EQ(std::strchr(k->name, '\\'), nullptr); });
    }
}

TEST(ValueParse, ValueLineForms) {
    struct Case { const char* block; const char* values; } cases[] = {
        // An escaped backslash before the closing quote ends the string.
        {"\"a\"=\"C:\\\\Temp\\\\\"\r\n\"b\"=\"x\"\r\n", "a|REG_SZ|C:\\Temp\\;b|REG_SZ|x;"},
        {"\"say \\\"hi\\\"\"=\"1\"\r\n", "say \\\"hi\\\"|REG_SZ|1;"},
        {"@=\"default\"\r\n", "@|REG_SZ|default;"}, {"\"d\"=DWORD:0000000a\r\n", "d|REG_DWORD|0x0000000a (10);"},
        {"\"d\"=dword :0000000a\r\n\"e\"=\"after\"\r\n", "e|REG_SZ|after;"}, {"\"a\" = \"spaced\"\r\n", "a|REG_SZ|spaced;"},
        // Same name twice: first position, second value.
        {"\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\"A\"=\"3\"\r\n", "A|REG_SZ|3;b|REG_SZ|2;"},
        {"\"h\"=hex:01,02,\\\r\n  03\r\n\"n\"=\"x\"\r\n", "h|REG_BINARY|01 02 03;n|REG_SZ|x;"},
        {"\"h\"=hex:01,02,\\", "h|REG_BINARY|01 02 ;"}, {"\"e\"=hex:\r\n", "e|REG_BINARY|;"},
        {"\"h\"=HEX(2):41,00\r\n", "h|REG_EXPAND_SZ|A;"}, {"\"h\"=hex(7):61,00,62,00,00\r\n", "h|REG_MULTI_SZ|a b;"},
        // Every type by its registry name; the bytes stay as written.
        {"\"h\"=hex(1):41,00\r\n", "h|REG_SZ|41 00;"}, {"\"h\"=hex(b):01,02\r\n", "h|REG_QWORD|01 02;"},
        {"\"h\"=hex(0):\r\n", "h|REG_NONE|;"}, {"\"h\"=hex(6):41,00\r\n", "h|REG_LINK|41 00;"},
        {"\"h\"=hex(4):01,00,00,00\r\n", "h|REG_DWORD|0x00000001 (1);"}, {"\"h\"=hex(4):01,00,00\r\n", "h|REG_DWORD|01 00 00;"},
        {"\"h\"=hex(5):00,00,01,00\r\n", "h|REG_DWORD_BIG_ENDIAN|0x00000100 (256);"},
        {"\"h\"=hex(8):00\r\n", "h|REG_RESOURCE_LIST|00;"}, {"\"h\"=hex(9):00\r\n", "h|REG_FULL_RESOURCE_DESCRIPTOR|00;"},
        {"\"h\"=hex(A):00\r\n", "h|REG_RESOURCE_REQUIREMENTS_LIST|00;"}, {"\"h\"=hex(001F):00\r\n", "h|REG_0x1f|00;"},
        {"\"h\"=hex(100000000):00\r\n", "h|REG_0x100000000|00;"}, {"\"h\"=hex(ffffffff):00\r\n", "h|REG_0xffffffff|00;"},
        // A QWORD is eight bytes, low first, shown as the system editor shows it.
        {"\"q\"=hex(b):f4,01,00,00,00,00,00,00\r\n", "q|REG_QWORD|0x1f4 (500);"},
        {"\"q\"=HEX(B):00,00,00,00,\\\r\n  00,00,00,00\r\n", "q|REG_QWORD|0x0 (0);"},
        {"\"q\"=hex(b):ff,ff,ff,ff,ff,ff,ff,ff\r\n", "q|REG_QWORD|0xffffffffffffffff (18446744073709551615);"},
        {"\"q\"=hex(b):01,02,03,04,05,06,07,08,09\r\n", "q|REG_QWORD|01 02 03 04 05 06 07 08 09;"},
        // A string ends at its line (the registry editor skips the line and
        // reads the next one): alone, before another value, at the end.
        {"\"m\"=\"one\r\ntwo\"\r\n\"n\"=\"x\"\r\n", "n|REG_SZ|x;"}, {"\"a\"=\"open\r\n", ""},
        {"\"a\"=\"open\r\n\"b\"=\"ok\"\r\n", "b|REG_SZ|ok;"}, {"\"b\"=\"ok\"\r\n\"a\"=\"open", "b|REG_SZ|ok;"},
        {"\"a\"=\"open\r\"b\"=\"ok\"\r", "b|REG_SZ|ok;"}, {"\"a\"=\"x\\\"\r\nmore\"\r\n\"b\"=\"ok\"\r\n", "b|REG_SZ|ok;"},
        {"\t\"a\"=\"tab\"\r\n", "a|REG_SZ|tab;"},
        // Lines that are not values do not end the block.
        {"; comment\r\n\"a\"=\"1\"\r\n// other\r\n\"b\"=\"2\"\r\n", "a|REG_SZ|1;b|REG_SZ|2;"},
        // Deletions as the registry editor reads them (blanks and a ";"
        // comment may follow the "-"; "-x" and "- #" delete nothing): rows
        // with no type and no data; the later line of a name wins.
        {"\"a\"=-\r\n\"b\"=- \t\r\n\"c\"= -;x\r\n@=-\r\n", "a||;b||;c||;@||;"},
        {"\"a\"=-x\r\n\"b\"=- #x\r\n\"c\"=--\r\n", ""},
        {"\"a\"=\"1\"\r\n\"A\"=-\r\n\"b\"=-\r\n\"b\"=\"2\"\r\n", "A||;b|REG_SZ|2;"},
        {"\"a\"\r\n=\"x\"\r\n\"b\"=\"2\"\r\n", "b|REG_SZ|2;"},
        {"\"a\"=\"1\"\x1a", "a|REG_SZ|1;"},
    };
    for (const Case& c : cases) {
        ValueList values;
        ParseValueBlock(c.block, values, kRegedit4);
        EXPECT_EQ(Values(values), c.values) << c.block;
    }
}

TEST(ValueParse, LongNamesAreKeptWhole) {
    std::string name(5000, 'n');
    std::string block = "\"" + name + "\"=\"v\"\r\n";
    ValueList values;
    ParseValueBlock(block.c_str(), values, kRegedit4);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0]->GetName(), name);
    MemorySink out;
    values[0]->Write(out);
    EXPECT_EQ(Bytes(out), block);
}

TEST(ValueParse, DanglingContinuationIsNotWrittenBack) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[K]\r\n\"a\"=\"1\"\r\n\"h\"=hex:01,02,\\"));
    KeyNode* k = doc.roots[0];
    ASSERT_TRUE(Rebuild(k));
    ASSERT_TRUE(Rebuild(k));
    EXPECT_EQ(Values(k), "a|REG_SZ|1;h|REG_BINARY|01 02 ;");
}

}  // namespace
