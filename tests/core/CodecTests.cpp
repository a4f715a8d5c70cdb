#include <gtest/gtest.h>

#include "TestUtil.h"
#include "document/Platform.h"
#include "document/Utf8.h"
#include "document/RegParser.h"
#include "document/ValueCodec.h"

using namespace testutil;

namespace {

// What write puts in a sink; the write must succeed.
template <class F>
std::string Written(F&& write) {
    MemorySink out;
    EXPECT_TRUE(write(out));
    return Bytes(out);
}

std::string Narrow(const std::string& block, CharForm to = CharForm::Program, LostCharacters* lost = nullptr) {
    return Written([&](MemorySink& out) { return NarrowHexData(block.data(), block.size(), out, to, lost); });
}

std::string Widen(const std::string& block, CharForm from = CharForm::Program) {
    return Written([&](MemorySink& out) { return WidenHexData(block.data(), block.size(), out, from); });
}

std::string Recode(const std::string& block, CharForm from, CharForm to, LostCharacters* lost = nullptr) {
    return Written([&](MemorySink& out) { return RecodeHexData(block.data(), block.size(), out, from, to, lost); });
}

std::string Hex(size_t count, const char* pattern) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += (i ? "," : "") + std::string(pattern);
    return s;
}

TEST(Escapes, EscapeAndUnescapeAreInverse) {
    struct Case { const char* text; const char* fileForm; } cases[] = {
        {"C:\\Temp", "C:\\\\Temp"}, {"say \"hi\"", "say \\\"hi\\\""}, {"\\\"", "\\\\\\\""}, {"", ""}, {"end\\", "end\\\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeString(c.text), c.fileForm);
        EXPECT_EQ(UnescapeString(c.fileForm), c.text);
    }
}

TEST(DisplayText, EachKindShowsItsData) {
    struct Case { const char* data; const char* display; RegDialect dialect = kRegedit4; } cases[] = {  // of a value "v"
        {"\"C:\\\\Temp\"", "C:\\Temp"}, {"\"a\\\"b\"", "a\"b"}, {"hex:01,02,\\\r\n  03", "01 02 03"},
        {"dword:0000000a", "0x0000000a (10)"}, {"dword:ffffffff", "0xffffffff (4294967295)"}, {"dword:00000000", "0x00000000 (0)"},
        {"dword:0ffffffff", "0xffffffff (4294967295)"}, {"dword:7fffffff", "0x7fffffff (2147483647)"}, {"dword:12zz", "0x00000012 (18)"},
        {"dword:4294967295", "0xffffffff (4294967295)"},  // decimal digits read as hex saturate
        {"dword:zz", "0xzz"}, {"dword:", "0x"}, {"hex(7):", ""}, {"hex(7):61,00,62,00,00", "a b"},
        {"hex(2):25,00,41,00,00,00", "%A", kRegedit5}, {"hex(2):25,00,41,00,00,00", "%"},
        {"hex(7):61,00,00,00,62,00,00,00,00,00", "a b", kRegedit5},
        // A character outside ASCII is a character, not its low byte.
        {"hex(2):ac,20,00,00", "\xe2\x82\xac", kRegedit5}, {"hex(2):3c,d8,0e,df,00,00", "\xf0\x9f\x8c\x8e", kRegedit5},
        {"hex(7):d0,96,00,e4,b8,ad,00,00", "\xd0\x96 \xe4\xb8\xad"},
        {"hex(2):41,42", "AB"},  // unterminated data shows every character
    };
    for (const auto& c : cases) {
        ValueList values;
        ParseValueBlock(("\"v\"=" + std::string(c.data)).c_str(), values, c.dialect);
        ASSERT_EQ(values.size(), 1u) << c.data;
        EXPECT_EQ(values[0]->GetDisplayText(), c.display) << c.data;
    }
}

// The list's Data column orders numbers as numbers, before other data, and
// its Type column types by number.
TEST(DisplayText, DataAndTypeOrdersTakeNumbersAsNumbers) {
    ValueList values;
    ParseValueBlock("\"s1\"=\"b\"\r\n\"d10\"=dword:0000000a\r\n\"q\"=hex(b):00,00,00,00,01,00,00,00\r\n"
                    "\"d9\"=dword:00000009\r\n\"h4\"=hex(4):0b,00,00,00\r\n\"s2\"=\"A\"\r\n\"n\"=hex(0):\r\n",
                    values, kRegedit4);
    auto order = [&](int (*compare)(const ValueEntry&, const ValueEntry&)) {
        std::vector<const ValueEntry*> sorted;
        for (auto& v : values) sorted.push_back(v.get());
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](const ValueEntry* a, const ValueEntry* b) { return compare(*a, *b) < 0; });
        std::string names;
        for (const ValueEntry* v : sorted) names += v->GetName() + ' ';
        return names;
    };
    EXPECT_EQ(order(CompareValueData), "d9 d10 h4 q n s2 s1 ");
    EXPECT_EQ(order(CompareValueTypes), "n s1 s2 d10 d9 h4 q ");
}

// Each layout as the registry editor (Wine's regedit) reads it: the bytes
// of a value it sets, or a value it drops and how far its lines reach.
TEST(HexData, LaidOutAnyWayReadsAsTheRegistryEditorReadsIt) {
    struct Case { int line; const char* data; const char* bytes; bool valid; const char* rest; } cases[] = {
        {__LINE__, "41,42,\t\\\r\n 43\r\nx", "ABC", true, "\r\nx"},  // blanks before the backslash
        {__LINE__, "41,42,\\ ;c\r\n  43", "ABC", true, ""},          // a comment after it
        {__LINE__, "41,42,\\ #c\r\n 43", "", false, "\r\n 43"},     // "#" starts no comment
        {__LINE__, "41,\\\r\n ;c\r\n 42", "AB", true, ""},          // a comment line inside
        {__LINE__, "41,\\\r\n #c\r\n 42", "", false, "\r\n 42"},
        {__LINE__, "41,\\\r\n \t \r\n\r\n 42", "AB", true, ""},    // blank and empty lines inside
        {__LINE__, "41\\\r\n ,42", "", false, "\r\n ,42"},        // a backslash right after a byte
        {__LINE__, "41 \\\r\n 42", "", false, "\r\n 42"},
        {__LINE__, "41,4\\\r\n2,43", "", false, "\r\n2,43"},
        {__LINE__, "41,\\\r\n ,42\r\n", "", false, "\r\n"},      // a line that starts with a comma
        {__LINE__, "41,\\\r\n[K]\r\n\"c\"=\"1\"", "", false, "\r\n\"c\"=\"1\""},  // a key line is taken in
        {__LINE__, "41,\\\r\n\r\n", "A", true, "\r\n"},           // the text ends in a continuation
        {__LINE__, "41,42\r\n 43,44", "AB", true, "\r\n 43,44"},    // a stray line after the last one
        {__LINE__, "41,42, ;c", "AB", true, ""}, {__LINE__, " 4, 042\t", "\x04" "B", true, ""},
        {__LINE__, "41 ,42", "", false, ""}, {__LINE__, "41,,42", "", false, ""}, {__LINE__, "141", "", false, ""},
        {__LINE__, "\\\r\n  41", "A", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        std::string bytes;
        HexDataRead read = ReadHexData(c.data, nullptr, &bytes);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(read.valid, c.valid);
        EXPECT_STREQ(read.end, c.rest);
        EXPECT_EQ(DecodeHexBytes(c.data), c.bytes);
    }
}

TEST(HexChars, DecodeAndEncodeCharacters) {
    EXPECT_EQ(DecodeHexChars("41,00,ac,20,00,00", kRegedit5), std::string("A\xe2\x82\xac\0", 5));
    EXPECT_EQ(DecodeHexChars("41,42,00", kRegedit4), std::string("AB\0", 3));
    EXPECT_EQ(EncodeHexChars(std::string("A\xe2\x82\xac\0", 5), kRegedit5), "41,00,ac,20,00,00");
    EXPECT_EQ(EncodeHexChars("\xf0\x9f\x8c\x8e", kRegedit5), "3c,d8,0e,df");
    EXPECT_EQ(FormatHexBytes("\x01\x02\x03", 3, 2, 2), "01,02,\\\r\n  03");
}

TEST(DialectConversion, WideningAndNarrowingFollowTheLineLayout) {
    EXPECT_EQ(Narrow("\"v\"=hex(2):41,00,42,00,00,00\r\n"), "\"v\"=hex(2):41,42,00\r\n");
    EXPECT_EQ(Widen("\"v\"=hex(7):41,42,00\r\n"), "\"v\"=hex(7):41,00,42,00,00,00\r\n");

    // Lines broken as the registry editor breaks them: the first ends at
    // column 77 after the name, the next hold 25 bytes each.
    std::string widened = Widen("\"v\"=hex(7):" + Hex(30, "61") + "\r\n");
    EXPECT_EQ(widened, "\"v\"=hex(7):" + Hex(11, "61,00") + ",\\\r\n  " + Hex(12, "61,00") + ",61,\\\r\n  00," +
                           Hex(6, "61,00") + "\r\n");
    EXPECT_EQ(Narrow("\"v\"=hex(2):" + Hex(22, "61,00") + "\r\n"), "\"v\"=hex(2):" + Hex(22, "61") + "\r\n");
    EXPECT_EQ(Narrow("\"v\"=hex(2):" + Hex(23, "61,00") + "\r\n"),
              "\"v\"=hex(2):" + Hex(22, "61") + ",\\\r\n  61\r\n");

    // The last line of a file needs no line break.
    EXPECT_EQ(Narrow("\"v\"=hex(2):41,00,42,00"), "\"v\"=hex(2):41,42");
    EXPECT_EQ(Widen("\"v\"=hex(2):41,42"), "\"v\"=hex(2):41,00,42,00");
    // Continued input: the continuations are dropped and new ones made.
    EXPECT_EQ(Narrow("\"v\"=HEX(2):41,00,\\\r\n  42,00,00,00\r\n\"n\"=\"x\"\r\n"), "\"v\"=HEX(2):41,42,00\r\n\"n\"=\"x\"\r\n");
    // Characters, not bytes: "€" and "🌎" survive every direction; into
    // the legacy page what it lacks is named.
    EXPECT_EQ(Narrow("\"v\"=hex(2):ac,20,3c,d8,0e,df,00,00\r\n"), "\"v\"=hex(2):e2,82,ac,f0,9f,8c,8e,00\r\n");
    EXPECT_EQ(Widen("\"v\"=hex(2):e2,82,ac,f0,9f,8c,8e,00\r\n"), "\"v\"=hex(2):ac,20,3c,d8,0e,df,00,00\r\n");
    EXPECT_EQ(Widen("\"v\"=hex(2):80,00\r\n", CharForm::Legacy), "\"v\"=hex(2):ac,20,00,00\r\n");
    LostCharacters lost;
    EXPECT_EQ(Narrow("\"v\"=hex(2):ac,20,3c,d8,0e,df,00,00\r\n", CharForm::Legacy, &lost), "\"v\"=hex(2):80,3f,3f,00\r\n");
    EXPECT_EQ(Recode("\"v\"=hex(7):d0,96,e2,82,ac,00,00\r\n", CharForm::Program, CharForm::Legacy, &lost),
              "\"v\"=hex(7):3f,80,00,00\r\n");
    EXPECT_EQ(lost.chars, U"\U0001F30E\u0416");
    EXPECT_EQ(Recode("\"v\"=hex(7):e9,00,00\r\n", CharForm::Legacy, CharForm::Program), "\"v\"=hex(7):c3,a9,00,00\r\n");
    // ASCII data is the same in both single-byte forms and stays as written.
    const std::string ascii = "\"v\"=hex(2):41,\\\r\n  42,00\r\n";
    EXPECT_EQ(Recode(ascii, CharForm::Program, CharForm::Legacy), ascii);
}

TEST(DialectConversion, TextThatIsNotConvertibleDataIsCopied) {
    const char* unchanged[] = {
        "\"s\"=\"hex(2):41,00\"\r\n",             // inside a string
        "\"v\"=hex(2):41 ,00\r\n",                 // data the registry editor drops
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
    // 21 bytes on the first line, 22 on the next ones.
    EXPECT_EQ(Written([&](MemorySink& out) { return v.Write(out); }),
              "\"v\"=hex(2):" + Hex(21, "62") + ",\\\r\n  " + Hex(22, "62") + ",\\\r\n  " + Hex(7, "62") + ",00\r\n");
    MultiStringValue odd("m", "hex(7)", "61,00,62", kRegedit5);
    EXPECT_EQ(Written([&](MemorySink& out) { return odd.Write(out); }), "\"m\"=hex(7):61,62\r\n");
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
    EXPECT_FALSE(s.Edit(nullptr));  // no editor: nothing changes
    EXPECT_FALSE(s.IsChanged());
    CountingEditor editor;
    SetValueEditor(&editor);
    EXPECT_TRUE(s.Edit(nullptr));
    EXPECT_EQ(editor.calls, 1);
    SetValueEditor(nullptr);
    EXPECT_FALSE(s.ReadFromRegistry(nullptr));
}

// Program text is UTF-8 and the legacy page Windows-1252 (Wine's in the C
// locale); no character survives a conversion to the page that lacks it
// unnoticed.
TEST(CodePage, ProgramTextIsUtf8AndLegacyText1252) {
    ASSERT_TRUE(ProgramTextIsUtf8());
    ASSERT_EQ(LegacyCodePage(), 1252u);
    EXPECT_EQ(LegacyToWideString("\x80" "A"), u"\u20ac" u"A");
    LostCharacters lost;
    EXPECT_EQ(WideToLegacyString(u"\u20ac" u"A\u00e9", &lost), "\x80" "A\xe9");
    EXPECT_FALSE(lost.Any());
    EXPECT_EQ(WideToLegacyString(u"\u4e2d\U0001F30E\u00e9\u4e2d", &lost), "???\xe9?");  // a pair: one "?" per unit
    EXPECT_EQ(lost.chars, U"\u4e2d\U0001F30E");
    // Every UTF-16 text comes back from program text, a lone surrogate too.
    for (std::u16string wide : {std::u16string(u"\u0416\u4e2d\U0001F30E"), std::u16string(1, char16_t(0xD800)) + u"x"})
        EXPECT_EQ(ProgramToWideString(WideToProgramString(wide)), wide);
    EXPECT_EQ(WideToProgramString(u"\u0416\U0001F30E"), "\xd0\x96\xf0\x9f\x8c\x8e");
    EXPECT_EQ(LegacyToProgramText("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(ProgramToLegacyText("caf\xc3\xa9\xd0\x96", &lost), "caf\xe9?");
    // Case: ASCII letters only, byte by byte.
    EXPECT_EQ(UpperByte('a'), 'A');
    EXPECT_EQ(UpperByte(0xB6), 0xB6);
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_NE(CompareNoCase("abc", "abd"), 0);
}

}  // namespace
