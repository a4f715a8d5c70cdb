// String and expandable string editors (dialog 102), and the value's name in
// field 1000 of every editor.
#include "DialogScript.h"
#include "TestValues.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

Step SelectAll(int id) { return SetSelection(id, 0, static_cast<DWORD>(-1)); }

}  // namespace

// As the value list shows it: the escapes of the stored name undone.
TEST(EditorName, EveryEditorShowsTheNameAsTheValueListDoes) {
    struct Case { const char* line; const char* shown; };
    const Case cases[] = {
        {R"("a\\b"="x")", R"(a\b)"},
        {R"(@="x")", "(Default)"},
        {R"("say\"hi\""=dword:00000001)", R"(say"hi")"},
        {R"("c:\\dir\\\\x"=hex:01)", R"(c:\dir\\x)"},
        {R"("e\\v"=hex(2):41,00)", R"(e\v)"},
        {R"("m\\s"=hex(7):41,00,00)", R"(m\s)"},
    };
    for (const Case& c : cases) {
        auto value = ParseValue(c.line);
        ASSERT_TRUE(value) << c.line;
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_NAME, c.shown), Press(IDCANCEL)}), false)) << c.line;
    }
}

TEST(StringEditor, OkWithoutTypingStoresNothing) {
    auto value = ParseValue(R"("Path"="C:\\Temp \"x\"")");
    EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_DATA, R"(C:\Temp "x")"), Press(IDOK)}), false));
    EXPECT_FALSE(value->IsChanged());
    EXPECT_EQ(As<StringValue>(value).GetData(), R"(C:\\Temp \"x\")");
}

TEST(StringEditor, TypingAndDeletingACharacterCountsAsAChange) {
    auto value = ParseValue(R"("Name"="same")");
    EXPECT_TRUE(Played(RunEditor(*value, {SetSelection(IDC_VALUE_DATA, 4, 4), Type(IDC_VALUE_DATA, "x"),
                                          Key(IDC_VALUE_DATA, VK_BACK), ExpectText(IDC_VALUE_DATA, "same"), Press(IDOK)}),
                       true));
    EXPECT_TRUE(value->IsChanged());
    EXPECT_EQ(As<StringValue>(value).GetData(), "same");
}

TEST(StringEditor, LongStringsCanStillBeTypedInto) {
    std::string data(40000, 'x');
    auto value = ParseValue("\"Long\"=\"" + data + "\"");
    EXPECT_TRUE(Played(RunEditor(*value, {SetSelection(IDC_VALUE_DATA, 40000, 40000), Type(IDC_VALUE_DATA, "yz"), Press(IDOK)}),
                       true));
    EXPECT_EQ(As<StringValue>(value).GetData(), data + "yz");
}

TEST(ExpandStringEditor, TypedTextIsStoredAsSingleByteHexWithTerminator) {
    struct Case { const char* typed; const char* hex; };
    std::string fortyFive(45, 'a'), fortyFiveHex;
    // After "Ex"=hex(2): the first line ends at 22 bytes, as the registry editor breaks it.
    for (int i = 0; i < 45; ++i) fortyFiveHex += i == 22 ? "\\\r\n  61," : "61,";
    fortyFiveHex += "00";
    const Case cases[] = {
        {"%SystemRoot%", "25,53,79,73,74,65,6d,52,6f,6f,74,25,00"},
        {"", "00"},
        {fortyFive.c_str(), fortyFiveHex.c_str()},
    };
    for (const Case& c : cases) {
        auto value = ParseValue(R"("Ex"=hex(2):41,00,42,00,00,00)", kRegedit5);
        ASSERT_TRUE(value);
        EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_DATA, "AB"), SelectAll(IDC_VALUE_DATA),
                                              Key(IDC_VALUE_DATA, VK_BACK), Type(IDC_VALUE_DATA, c.typed), Press(IDOK)}),
                           true))
            << c.typed;
        EXPECT_EQ(As<ExpandStringValue>(value).GetHexData(), c.hex) << c.typed;
        EXPECT_EQ(As<ExpandStringValue>(value).GetDialect(), kRegedit4) << c.typed;
    }
}

TEST(ExpandStringEditor, UntouchedDialect5ValueKeepsItsDataAndDialect) {
    auto value = ParseValue(R"("Ex"=hex(2):25,00,41,00,00,00)", kRegedit5);
    EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_DATA, "%A"), Press(IDOK)}), false));
    EXPECT_EQ(As<ExpandStringValue>(value).GetHexData(), "25,00,41,00,00,00");
    EXPECT_EQ(As<ExpandStringValue>(value).GetDialect(), kRegedit5);
}

TEST(ExpandStringEditor, Dialect5CharacterAbove255StaysWholeThroughAnEdit) {
    // U+20AC: its low byte alone would be 0xAC, and code page 1252 would make it 0x80.
    auto value = ParseValue(R"("Ex"=hex(2):ac,20,41,00,00,00)", kRegedit5);
    EXPECT_TRUE(Played(RunEditor(*value, {ExpectText(IDC_VALUE_DATA, "\xe2\x82\xac" "A"), SetSelection(IDC_VALUE_DATA, 2, 2),
                                          Type(IDC_VALUE_DATA, "B"), Press(IDOK)}),
                       true));
    // An edited value holds program text (UTF-8); a dialect-5 save widens it again.
    EXPECT_EQ(Written(*value), "\"Ex\"=hex(2):e2,82,ac,41,42,00\r\n");
}
