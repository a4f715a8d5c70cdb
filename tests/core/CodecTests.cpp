#include <gtest/gtest.h>

#include "TestUtil.h"
#include "document/Platform.h"
#include "document/RegParser.h"
#include "document/ValueCodec.h"

using namespace testutil;

namespace {

std::string Narrow(const std::string& block) {
    MemorySink out;
    EXPECT_TRUE(NarrowHexData(block.data(), block.size(), out));
    return std::string(out.Data() ? out.Data() : "", out.Size());
}

std::string Widen(const std::string& block) {
    MemorySink out;
    EXPECT_TRUE(WidenHexData(block.data(), block.size(), out));
    return std::string(out.Data() ? out.Data() : "", out.Size());
}

std::string Hex(size_t count, const char* pattern) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += (i ? "," : "") + std::string(pattern);
    return s;
}

TEST(Escapes, EscapeAndUnescapeAreInverse) {
    struct Case {
        const char* text;
        const char* fileForm;
    } cases[] = {
        {"C:\\Temp", "C:\\\\Temp"}, {"say \"hi\"", "say \\\"hi\\\""}, {"\\\"", "\\\\\\\""}, {"", ""}, {"end\\", "end\\\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeString(c.text), c.fileForm);
        EXPECT_EQ(UnescapeString(c.fileForm), c.text);
    }
}

TEST(DisplayText, EachKindShowsItsData) {
    struct Case {
        const char* block;
        RegDialect dialect;
        const char* display;
    } cases[] = {
        {"\"v\"=\"C:\\\\Temp\"", kRegedit4, "C:\\Temp"},
        {"\"v\"=\"a\\\"b\"", kRegedit4, "a\"b"},
        {"\"v\"=dword:0000000a", kRegedit4, "0x00000a(10)"},
        {"\"v\"=dword:ffffffff", kRegedit4, "0xffffffff(-1)"},
        {"\"v\"=dword:00000000", kRegedit4, "0x000000(0)"},
        {"\"v\"=dword:7fffffff", kRegedit4, "0x7fffffff(2147483647)"},
        {"\"v\"=dword:0ffffffff", kRegedit4, "0xffffffff(-1)"},
        {"\"v\"=dword:4294967295", kRegedit4, "0xffffffff(-1)"},  // decimal digits read as hex saturate
        {"\"v\"=dword:12zz", kRegedit4, "0x000012(18)"},
        {"\"v\"=dword:zz", kRegedit4, "0xzz"},
        {"\"v\"=dword:", kRegedit4, "0x"},
        {"\"v\"=hex:01,02,\\\r\n  03", kRegedit4, "01 02 03"},
        {"\"v\"=hex(2):25,00,41,00,00,00", kRegedit5, "%A"},
        {"\"v\"=hex(2):25,00,41,00,00,00", kRegedit4, "%"},
        {"\"v\"=hex(7):61,00,62,00,00", kRegedit4, "a b"},
        {"\"v\"=hex(7):61,00,00,00,62,00,00,00,00,00", kRegedit5, "a b"},
        {"\"v\"=hex(7):", kRegedit4, ""},
        // A character outside ASCII goes through the code page, not its low byte.
        {"\"v\"=hex(2):ac,20,00,00", kRegedit5, "\x80"},
        {"\"v\"=hex(2):41,42", kRegedit4, "AB"},  // unterminated data shows every character
    };
    for (const auto& c : cases) {
        ValueList values;
        ParseValueBlock(c.block, values, c.dialect);
        ASSERT_EQ(values.size(), 1u) << c.block;
        EXPECT_EQ(values[0]->GetDisplayText(), c.display) << c.block;
    }
}

TEST(HexChars, DecodeIsTolerantOfMalformedTokens) {
    EXPECT_EQ(DecodeHexBytes("01,2,abc, ff ,\\\r\n  10"), std::string("\x01\x02\x0c\xff\x10", 5));
    EXPECT_EQ(DecodeHexChars("41,00,ac,20,00,00", kRegedit5), std::string("A\x80\0", 3));
    EXPECT_EQ(DecodeHexChars("41,42,00", kRegedit4), std::string("AB\0", 3));
    EXPECT_EQ(EncodeHexChars(std::string("A\x80\0", 3), kRegedit5), "41,00,ac,20,00,00");
    EXPECT_EQ(FormatHexBytes("\x01\x02\x03", 3, 2, 2), "01,02,\\\r\n  03");
}

TEST(DialectConversion, WideningAndNarrowingFollowTheLineLayout) {
    EXPECT_EQ(Narrow("\"v\"=hex(2):41,00,42,00,00,00\r\n"), "\"v\"=hex(2):41,42,00\r\n");
    EXPECT_EQ(Widen("\"v\"=hex(7):41,42,00\r\n"), "\"v\"=hex(7):41,00,42,00,00,00\r\n");

    // 30 single bytes become 60 with a continuation after every 12 source bytes.
    std::string widened = Widen("\"v\"=hex(7):" + Hex(30, "61") + "\r\n");
    std::string line = Hex(12, "61,00");
    EXPECT_EQ(widened, "\"v\"=hex(7):" + line + ",\\\r\n  " + line + ",\\\r\n  " + Hex(6, "61,00") + "\r\n");

    // 50 bytes of dialect 5 become 25 on one line.
    EXPECT_EQ(Narrow("\"v\"=hex(2):" + Hex(25, "61,00") + "\r\n"), "\"v\"=hex(2):" + Hex(25, "61") + "\r\n");
    // The 26th byte goes to a continuation line.
    EXPECT_EQ(Narrow("\"v\"=hex(2):" + Hex(26, "61,00") + "\r\n"),
              "\"v\"=hex(2):" + Hex(25, "61") + ",\\\r\n  61\r\n");

    // Continued input: the continuations are dropped and new ones made.
    EXPECT_EQ(Narrow("\"v\"=HEX(2):41,00,\\\r\n  42,00,00,00\r\n\"n\"=\"x\"\r\n"), "\"v\"=HEX(2):41,42,00\r\n\"n\"=\"x\"\r\n");
    // A character outside ASCII survives both directions.
    EXPECT_EQ(Narrow("\"v\"=hex(2):ac,20,00,00\r\n"), "\"v\"=hex(2):80,00\r\n");
    EXPECT_EQ(Widen("\"v\"=hex(2):80,00\r\n"), "\"v\"=hex(2):ac,20,00,00\r\n");
}

TEST(DialectConversion, TextThatIsNotConvertibleDataIsCopied) {
    const char* unchanged[] = {
        "\"s\"=\"hex(2):41,00\"\r\n",             // inside a string
        "\"v\"=hex(2):41,00",                      // no line break before the end
        "\"v\"=hex(2): 41,00\r\n",                 // other characters on the first line
        "\"v\"=hex(3):41,00\r\n\"w\"=hex:01\r\n",  // other kinds
        "; hex(7 is not a token\r\n",
        "; \"v\"=hex(2):41,00,00,00\r\n",                   // a comment
        "\"hex(2):41,00,\r\n\"=\"name spans lines\"\r\n",  // a name
    };
    for (const char* block : unchanged) {
        EXPECT_EQ(Narrow(block), block);
        EXPECT_EQ(Widen(block), block);
    }
}

TEST(DialectConversion, ValueOfDialect5WritesSingleBytes) {
    ExpandStringValue v("v", "hex(2)", Hex(50, "62,00") + ",00,00", kRegedit5);
    MemorySink out;
    ASSERT_TRUE(v.Write(out));
    std::string s(out.Data(), out.Size());
    // 21 bytes on the first line, 22 on the next ones.
    std::string expected = "\"v\"=hex(2):" + Hex(21, "62") + ",\\\r\n  " + Hex(22, "62") + ",\\\r\n  " + Hex(7, "62") + ",00\r\n";
    EXPECT_EQ(s, expected);

    MultiStringValue odd("m", "hex(7)", "61,00,62", kRegedit5);
    MemorySink out2;
    ASSERT_TRUE(odd.Write(out2));
    EXPECT_EQ(std::string(out2.Data(), out2.Size()), "\"m\"=hex(7):61,62\r\n");
}

TEST(Matching, EachKindMatchesItsOwnText) {
    StringValue s("n", "C:\\\\Path");
    EXPECT_TRUE(s.Matches("PATH", kFindData));
    EXPECT_TRUE(s.Matches("C:\\\\PATH", kFindData | kFindWholeString));
    EXPECT_FALSE(s.Matches("C:\\PATH", kFindData | kFindWholeString));
    DwordValue d("n", "0000abcd");
    EXPECT_TRUE(d.Matches("ABC", kFindData));
    BinaryValue b("n", "hex", "41,42");
    EXPECT_FALSE(b.Matches("41", kFindData));
    ExpandStringValue e("n", "hex(2)", "25,00,41,00,00,00", kRegedit5);
    EXPECT_TRUE(e.Matches("%A", kFindData | kFindWholeString));
    MultiStringValue m("n", "hex(7)", "61,62,00,63,00,00", kRegedit4);
    EXPECT_TRUE(m.Matches("AB C", kFindData));
}

struct CountingEditor : ValueEditor {
    int calls = 0;
    bool EditValue(ValueEntry& value, void*) override {
        ++calls;
        EXPECT_FALSE(value.IsChanged());
        value.SetChanged(true);
        return true;
    }
};

TEST(EditSeam, EditGoesThroughTheRegisteredEditor) {
    StringValue s("n", "d");
    s.SetChanged(true);
    EXPECT_FALSE(s.Edit(nullptr));
    EXPECT_FALSE(s.IsChanged());
    CountingEditor editor;
    SetValueEditor(&editor);
    EXPECT_TRUE(s.Edit(nullptr));
    EXPECT_EQ(editor.calls, 1);
    SetValueEditor(nullptr);
    EXPECT_FALSE(s.ReadFromRegistry(nullptr));
}

TEST(CodePage, ConversionsReportUnrepresentableCharacters) {
    EXPECT_EQ(AnsiToWideString("\x80" "A"), u"\u20ac" u"A");
    bool lossy = false;
    EXPECT_EQ(WideToAnsiString(u"\u20ac" u"A", &lossy), "\x80" "A");
    EXPECT_FALSE(lossy);
    std::string lost = WideToAnsiString(u"\u4e2d", &lossy);
    EXPECT_TRUE(lossy);
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_EQ(UpperByte('a'), 'A');
    EXPECT_EQ(UpperByte(0xE9), 0xC9);
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_NE(CompareNoCase("abc", "abd"), 0);
}

}  // namespace
