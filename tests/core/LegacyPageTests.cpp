// Every byte of the legacy code page, in key names, value names, strings and
// the character data of hex(2) and hex(7) values, comes back as it was from
// an open and a save in either dialect, and a UTF-16 save holds the page's
// character for it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestUtil.h"
#include "document/Platform.h"

using namespace testutil;

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
