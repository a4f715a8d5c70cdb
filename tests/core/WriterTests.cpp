#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <tuple>

#include "TestUtil.h"
#include "document/ByteSink.h"
#include "document/Platform.h"
#include "document/Utf8.h"

using namespace testutil;
namespace fs = std::filesystem;

namespace {

// A load outside a worker, as the command-line tool does it.
bool LoadNow(RegDocument& doc, LoadJob& job, const std::string& path, bool clearFirst = true) {
    job = LoadJob();
    job.path = path;
    job.clearFirst = clearFirst;
    ParseScope scope(doc.abort);
    return doc.Load(job);
}

// The text of a file's bytes decoded in memory; none when they are refused.
RegText Decode(const std::string& bytes) {
    RegText text;
    ReadError error;
    if (!DecodeRegBytes(bytes.data(), bytes.size(), text, error)) text.text.reset();
    return text;
}

TEST(Writer, OutputFormatInBothEncodingsAndABranchAlone) {
    RegDocument doc;
    // The last key line gets the blank line the file lacks.
    ASSERT_TRUE(Parse(doc, "[A\\B]\r\n\"v\"=\"1\"\r\n[A\\B\\C]\r\n\r\n[A\\D]\r\n"));
    const std::string body = "[A\\B]\r\n\"v\"=\"1\"\r\n[A\\B\\C]\r\n\r\n[A\\D]\r\n\r\n";
    EXPECT_EQ(doc.CountKeysToWrite(), 3u);  // not A: it has children and no values
    EXPECT_EQ(Write(doc, false, kRegedit4), "REGEDIT4\r\n\r\n" + body);
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n" + body;
    EXPECT_EQ(Write(doc, false, kRegedit5), v5);
    EXPECT_EQ(Write(doc, true, kRegedit5), "\xFF\xFE" + Utf16(LegacyToWideString(v5)));
    // A branch: the key and its descendants, without a header.
    MemorySink out;
    ASSERT_TRUE(WriteKeyTree(Find(doc, "A\\B"), out, false, kRegedit4, nullptr));
    EXPECT_EQ(Bytes(out), "[A\\B]\r\n\"v\"=\"1\"\r\n[A\\B\\C]\r\n\r\n");
}

TEST(Writer, SavingInTheOtherDialectConvertsFileBlocksOnly) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "Windows Registry Editor Version 5.00\r\n\r\n[K]\r\n\"x\"=hex(2):41,00,00,00\r\n\r\n"
                           "[E]\r\n\"y\"=hex(2):41,00,00,00\r\n", true, nullptr, false));
    ASSERT_TRUE(Rebuild(Find(doc, "E")));  // now a dialect-4 program block: 41,00
    for (RegDialect d : {kRegedit4, kRegedit5}) {
        std::string out = Write(doc, false, d), data = d == kRegedit4 ? "41,00\r\n" : "41,00,00,00\r\n";
        EXPECT_NE(out.find("[K]\r\n\"x\"=hex(2):" + data + "\r\n[E]\r\n\"y\"=hex(2):" + data), std::string::npos) << out;
    }
}

// Comments at the top of a file say what it does and how to undo it: every
// whole-document save writes them back, in either dialect and encoding, also
// after an edit.
TEST(Writer, TextBeforeTheFirstKeyIsWrittenBackByEverySave) {
    const std::string top = "; Sets the proxy. Undo: proxy-off.reg\r\n;\tby Zo\xC3\xAB\r\n\r\n\r\n";
    struct Case { int line; std::string bytes; } cases[] = {
        {__LINE__, "REGEDIT4\r\n" + ProgramToLegacyText(top, nullptr) + "\t[K]\r\n\"a\"=\"1\"\r\n"},
        {__LINE__, "\xFF\xFE" + Utf16(ProgramToWideString("Windows Registry Editor Version 5.00\r\n" + top +
                                                           "[K]\r\n\"a\"=\"1\"\r\n"))},
        {__LINE__, "REGEDIT4\n; no blank line, no key\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        RegDocument doc;
        ASSERT_TRUE(Load(doc, c.bytes));
        if (KeyNode* k = Find(doc, "K")) {
            ASSERT_TRUE(Rebuild(k));
        }
        for (bool unicode : {false, true})
            for (RegDialect dialect : {kRegedit4, kRegedit5}) {
                RegDocument again;
                ASSERT_TRUE(Load(again, Write(doc, unicode, dialect)));
                EXPECT_EQ(again.preamble, doc.preamble);
                EXPECT_EQ(Snapshot(again), Snapshot(doc));
            }
    }
    RegDocument doc;
    ASSERT_TRUE(Load(doc, cases[0].bytes));
    EXPECT_EQ(doc.preamble, top);
    EXPECT_EQ(Write(doc), cases[0].bytes.substr(0, cases[0].bytes.rfind('\t')) + "[K]\r\n\"a\"=\"1\"\r\n");
}

// Zero bytes after the text, which older saves of this program wrote, end
// the text; no save writes them.
TEST(Writer, TrailingZeroBytesAreReadAndNeverWritten) {
    const std::string v4 = "REGEDIT4\r\n\r\n[K]\r\n\"a\"=\"1\"\r\n\r\n";
    const std::string v5 = "\xFF\xFE" + Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n[K]\r\n\"a\"=\"1\"\r\n\r\n");
    for (const std::string& bytes : {v4, v5}) {
        RegDocument plain;
        ASSERT_TRUE(Load(plain, bytes));
        for (size_t zeros : {1, 2, 4}) {
            SCOPED_TRACE(testing::Message() << (bytes == v4 ? "REGEDIT4" : "UTF-16") << ", zero bytes: " << zeros);
            RegDocument doc;
            ASSERT_TRUE(Load(doc, bytes + std::string(zeros, '\0')));
            EXPECT_EQ(Snapshot(doc), Snapshot(plain));
            for (bool unicode : {false, true})
                for (RegDialect dialect : {kRegedit4, kRegedit5}) {
                    std::string out = Write(doc, unicode, dialect);
                    EXPECT_EQ(out.substr(out.size() - (unicode ? 4 : 2)), unicode ? Utf16(u"\r\n") : "\r\n");
                }
        }
    }
}

struct FailingSink : ByteSink {
    size_t left;
    explicit FailingSink(size_t bytes) : left(bytes) {}
    bool Write(const void*, size_t size) override {
        if (failed || size > left) return !(failed = true);
        left -= size;
        return true;
    }
};

TEST(Writer, AFailedWriteIsReported) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[A]\r\n\"v\"=\"1\"\r\n[B]\r\n\"w\"=\"2\"\r\n"));
    size_t full = Write(doc).size();
    for (size_t limit = 0; limit < full; limit += 3) {
        FailingSink sink(limit);
        EXPECT_FALSE(WriteDocument(doc, sink, false, kRegedit4)) << limit;
    }
    FailingSink enough(full);
    EXPECT_TRUE(WriteDocument(doc, enough, false, kRegedit4));
}

// The file sink writes full buffers on a thread of its own: pieces of every
// size, lent room and writes larger than its buffer reach the file in their
// order, and a write that fails on that thread fails the sink with the
// system's code.
TEST_F(TempDir, FileSinkWritesInOrderAndReportsAFailedWrite) {
    std::string expected;
    std::string path = Path("sink.bin");
    FileSink sink;
    ASSERT_TRUE(sink.Open(path.c_str()));
    uint32_t seed = 7;
    for (int i = 0; expected.size() < (size_t(24) << 20); ++i) {
        seed = seed * 1103515245u + 12345u;
        size_t size = i % 50 == 49 ? (size_t(5) << 20) : seed % 5000;
        std::string piece(size, static_cast<char>('a' + i % 26));
        if (i % 3 == 0 && size > 0 && size <= (size_t(1) << 20)) {
            char* room = sink.Space(size);
            ASSERT_NE(room, nullptr);
            std::copy(piece.begin(), piece.end(), room);
            sink.Commit(size);
        } else {
            ASSERT_TRUE(sink.Write(piece.data(), piece.size()));
        }
        expected += piece;
    }
    ASSERT_TRUE(sink.Close());
    EXPECT_TRUE(ReadBytes(path) == expected) << "the file differs from what was written";
#if defined(__linux__)
    FileSink full;
    ASSERT_TRUE(full.Open("/dev/full"));
    std::string piece(1000, 'x');
    bool wrote = true;
    for (int i = 0; i < 5000 && wrote; ++i) wrote = full.Write(piece.data(), piece.size());
    EXPECT_FALSE(full.Close() && wrote);
    EXPECT_EQ(full.SystemError(), static_cast<uint32_t>(ENOSPC));
#endif
}

TEST_F(TempDir, SaveReplacesTheFileOnlyWhenComplete) {
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[A]\r\n\"v\"=\"1\"\r\n"));
    std::string target = Path("out.reg");
    WriteBytes(target, "old contents");
    // A directory where the temporary file would go makes the save fail.
    fs::create_directories(target + ".quillon-tmp");
    uint32_t error = 0;
    EXPECT_FALSE(SaveTo(doc, target.c_str(), true, kRegedit5, &error));
    EXPECT_NE(error, 0u) << "the system's code of the failed open comes out";
    EXPECT_EQ(ReadBytes(target), "old contents");
    fs::remove(target + ".quillon-tmp");

    ASSERT_TRUE(SaveTo(doc, target.c_str(), true, kRegedit5));
    EXPECT_EQ(ReadBytes(target), Write(doc, true, kRegedit5));
    EXPECT_FALSE(fs::exists(target + ".quillon-tmp"));
    error = 0;
    EXPECT_FALSE(SaveTo(doc, Path("missing/dir/out.reg").c_str(), false, kRegedit4, &error));
    EXPECT_NE(error, 0u);

    std::string branch = Path("branch.reg");
    EXPECT_FALSE(WriteBranchFile(doc, doc.roots[0], Path("missing/dir/b.reg").c_str(), false, kRegedit4, &error));
    EXPECT_NE(error, 0u);
    ASSERT_TRUE(WriteBranchFile(doc, doc.roots[0], branch.c_str(), false, kRegedit4, &error));
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(ReadBytes(branch), Write(doc, false, kRegedit4));
}

TEST_F(TempDir, ReadingRefusesShortFilesAndFilesWithoutHeader) {
    struct Case { std::string bytes; ReadError error; } cases[] = {
        {"REGEDI\r", ReadError::TooShort}, {"REGEDIT4", ReadError::Header}, {"REGEDIT4\r\n\r\n[A]\r\n", ReadError::None},
        {Utf16(u"REGEDIT4\r\n\r\n"), ReadError::Header},  // UTF-16 without a mark
    };
    RegText text;
    ReadError error;
    for (const Case& c : cases) {
        WriteBytes(Path("in.reg"), c.bytes);
        EXPECT_EQ(ReadRegFile(Path("in.reg").c_str(), text, error), c.error == ReadError::None) << c.bytes;
        EXPECT_EQ(error, c.error) << c.bytes;
    }
}

// The same text as UTF-16 and as single-byte legacy text: dialect 5 both
// ways, and the same characters.
TEST_F(TempDir, Utf16AndLegacyFilesLoadWithTheirDialectAndKeepNonAsciiNames) {
    std::string p = Path("u.reg");
    std::string legacy = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Caf\xE9 \x80]\r\n\"N\xE4me\"=\"v\"\r\n";
    for (bool unicode : {true, false}) {
        WriteBytes(p, unicode ? "\xFF\xFE" + Utf16(LegacyToWideString(legacy)) : legacy);
        RegDocument doc;
        LoadJob job;
        ASSERT_TRUE(LoadNow(doc, job, p));
        EXPECT_EQ(std::make_tuple(job.dialect, job.unicode, job.lossy), std::make_tuple(kRegedit5, unicode, false));
        KeyNode* k = Find(doc, "HKEY_CURRENT_USER\\Caf\xC3\xA9 \xE2\x82\xAC");
        ASSERT_NE(k, nullptr) << unicode;
        EXPECT_EQ(Values(k), "N\xC3\xA4me|REG_SZ|v;");
    }
}

// Cyrillic, CJK and an emoji in key and value names, string, hex(2) and
// hex(7) data: a UTF-16 file keeps every character through load and save;
// a single-byte save names exactly the characters the legacy page lacks.
TEST_F(TempDir, EveryCharacterSurvivesAUtf16SaveAndALegacySaveNamesWhatItLacks) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\\u041a\u043b\u044e\u0447\\\u952e\U0001F30E\u00e9]\r\n"
        u"\"\u0418\u043c\u044f\u540d\"=\"\u0414\u0430\u043d\u6570\U0001F30D\"\r\n"
        u"\"x\"=hex(2):1c,04,2d,4e,3c,d8,0e,df,e9,00,00,00\r\n"
        u"\"m\"=hex(7):1c,04,00,00,2d,4e,00,00,00,00\r\n\r\n";
    std::string bytes = "\xFF\xFE" + Utf16(text);
    std::string p = Path("world.reg");
    WriteBytes(p, bytes);
    RegDocument doc;
    LoadJob job;
    ASSERT_TRUE(LoadNow(doc, job, p));
    EXPECT_FALSE(job.lossy);
    ASSERT_TRUE(SaveTo(doc, p.c_str(), true, kRegedit5));
    EXPECT_EQ(ReadBytes(p), bytes);

    auto sorted = [](std::u32string chars) {
        std::sort(chars.begin(), chars.end());
        return chars;
    };
    EXPECT_EQ(sorted(FindLostCharacters(doc, kRegedit4).chars),
              sorted(U"\u041a\u043b\u044e\u0447\u952e\U0001F30E\u0418\u043c\u044f\u540d\u0414\u0430\u043d"
                     U"\u6570\U0001F30D\u041c\u4e2d"));
    // A UTF-16 "REGEDIT4" save loses them in character data only, which is
    // legacy text there.
    EXPECT_EQ(sorted(FindLostCharacters(doc, kRegedit4, true).chars), U"\u041c\u4e2d\U0001F30E");
    EXPECT_FALSE(FindLostCharacters(doc, kRegedit5, true).Any());
}

TEST_F(TempDir, FailedLoadLeavesTheDocumentUnchanged) {
    std::string p = Path("a.reg");
    WriteBytes(p, "REGEDIT4\r\n\r\n[New]\r\n");
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, "[Old]\r\n"));
    LoadJob job;
    EXPECT_FALSE(LoadNow(doc, job, Path("missing.reg")));
    EXPECT_EQ(job.error, ReadError::Open);
    ASSERT_EQ(doc.roots.size(), 1u);
    EXPECT_STREQ(doc.roots[0]->name, "Old");
    ASSERT_TRUE(LoadNow(doc, job, p, false));
    EXPECT_EQ(doc.roots.size(), 2u);
}

// Text that runs on past its end (a string left open at the end of a file, a
// continuation on the last line) must not take in what the writer puts after it.
TEST(Writer, OpenEndsDoNotSwallowWhatIsWrittenAfterThem) {
    const char* cases[] = {
        // The parent's line comes last without a line break; its child is written after it.
        "[A\\B]\r\n\"b\"=\"1\"\r\n[A]\r\n\"a\"=\"2\"",
        // The same with a string left open.
        "[A\\B]\r\n\"b\"=\"1\"\r\n[A]\r\n\"a\"=\"open\r\n",
        // Two blocks of one key, the later one (the main block) with an open string.
        "[K]\r\n\"x\"=\"1\"\r\n[J]\r\n\r\n[k]\r\n\"y\"=\"open\r\n",
        // A continuation on the last line of the file, then another block of the key.
        "[K]\r\n\"x\"=\"1\"\r\n[J]\r\n\r\n[K]\r\n\"h\"=hex:01,02,\\\r\n",
        "[K]\r\n\"x\"=\"1\"\r\n[J]\r\n\r\n[K]\r\n\"h\"=hex:01,\\\\",
        // A continuation whose next line holds only another, ending the file
        // (found by a fuzz run): without both, the first would go on into the key after it.
        "[K\\C]\r\n\r\n[K]\r\n\"\"=hex:\\\r\\",
        "[K\\C]\r\n\r\n[K]\r\n\"h\"=hex:01,\\\r\n  \\\r\n\\",
    };
    for (const char* text : cases) {
        RegDocument doc;
        ASSERT_TRUE(Parse(doc, text)) << text;
        for (RegDialect dialect : {kRegedit4, kRegedit5}) {
            RegDocument again;
            ASSERT_TRUE(Reparse(again, Write(doc, false, dialect))) << text;
            EXPECT_EQ(Snapshot(again), Snapshot(doc)) << text << "\nwritten:\n" << Write(doc, false, dialect);
        }
    }
}

// A string ends at its line: a save neither closes it nor moves the values
// after it behind it.
TEST(ValueBlocks, AnUnterminatedStringLineStaysTextAndNoSaveAddsALine) {
    const std::string body = "[K]\r\n\"a\"=\"1\"\r\n\"x\"=\"open\r\n\"b\"=\"2\"\r\n\r\n[J]\r\n\"y\"=\"cut";
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, body));
    EXPECT_EQ(Values(Find(doc, "K")), "a|REG_SZ|1;b|REG_SZ|2;");
    EXPECT_EQ(Write(doc), "REGEDIT4\r\n\r\n" + body + "\r\n");
    ASSERT_TRUE(Rebuild(Find(doc, "K")));
    EXPECT_EQ(Write(doc), "REGEDIT4\r\n\r\n[K]\r\n\"x\"=\"open\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\r\n[J]\r\n\"y\"=\"cut\r\n");
}

// One key of every value kind, with a continued hex line, written with the
// given line end.
std::string EveryKind(const std::string& eol) {
    return "Windows Registry Editor Version 5.00" + eol + eol + "[HKEY_CURRENT_USER\\K]" + eol +
                    "@=\"default\"" + eol + "\"s\"=\"text\"" + eol + "\"d\"=dword:0000000a" + eol +
                    "\"b\"=hex:01,02,\\" + eol + "  03,04" + eol + "\"e\"=hex(2):25,00,41,00,25,00,00,00" + eol +
                    "\"m\"=hex(7):61,00,00,00,\\" + eol + "  62,00,00,00,00,00" + eol + eol +
                    "[HKEY_CURRENT_USER\\K\\Empty]" + eol + eol + "[HKEY_CURRENT_USER\\L]" + eol + "\"x\"=\"y\"" + eol;
}

TEST(LineEnds, LfAndCrFilesReadAsCrLfAndSaveWithCrLf) {
    RegText reference = Decode(EveryKind("\r\n"));
    ASSERT_TRUE(reference.text);
    for (const char* eol : {"\n", "\r"})
        EXPECT_STREQ(Decode(EveryKind(eol)).text.get(), reference.text.get()) << (eol[0] == '\n' ? "LF" : "CR");
    // The text they read as parses to every kind and saves without a lone line end.
    RegDocument doc;
    ASSERT_TRUE(Parse(doc, reference.text.get(), true, nullptr, false));
    EXPECT_EQ(Values(Find(doc, "HKEY_CURRENT_USER\\K")),
              "@|REG_SZ|default;s|REG_SZ|text;d|REG_DWORD|0x0000000a (10);b|REG_BINARY|01 02 03 04;"
              "e|REG_EXPAND_SZ|%A%;m|REG_MULTI_SZ|a b;");
    std::string out = Write(doc, false, kRegedit5);
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_FALSE((out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) ||
                     (out[i] == '\r' && (i + 1 == out.size() || out[i + 1] != '\n'))) << "lone line end at " << i;
    // A CR LF file keeps a lone LF inside a string as data.
    RegText mixed = Decode("REGEDIT4\r\n\r\n[K]\r\n\"m\"=\"one\ntwo\"\r\n");
    ASSERT_TRUE(mixed.text);
    EXPECT_NE(std::string(mixed.text.get()).find("one\ntwo"), std::string::npos);
}

TEST(Utf8Files, OpenWithTheirMarkAsUnicodeAndReportMissingCharacters) {
    // "Café €" in UTF-8 after the mark; both characters are in code page 1252.
    std::string bytes = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Caf\xC3\xA9]\r\n"
                        "\"v\"=\"\xE2\x82\xAC\"\r\n";
    RegText text = Decode(bytes);
    ASSERT_TRUE(text.text);
    EXPECT_EQ(std::make_tuple(text.unicode, text.utf8, text.lossy, text.dialect),
              std::make_tuple(true, true, false, kRegedit5));
    EXPECT_EQ(std::string(text.text.get()), bytes.substr(3));
    // Every character is program text; a broken sequence is reported.
    for (std::string tail : {"\xE4\xB8\xAD", "\xF0\x9F\x8C\x8E", "\xC3"}) {
        text = Decode(bytes + "\"w\"=\"" + tail + "\"\r\n");
        ASSERT_TRUE(text.text) << tail;
        EXPECT_EQ(text.lossy, tail == "\xC3") << tail;
    }
    // Without a mark the bytes are legacy single-byte text: "Ã©" in 1252.
    text = Decode(bytes.substr(3));
    ASSERT_TRUE(text.text);
    EXPECT_FALSE(text.unicode || text.utf8);
    EXPECT_NE(std::string(text.text.get()).find("Caf\xC3\x83\xC2\xA9"), std::string::npos);
}

}  // namespace
