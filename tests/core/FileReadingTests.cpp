// Reading a file from disk goes piece by piece; decoding bytes already in
// memory goes in one pass. Both must give the same text, whatever falls on a
// piece boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "document/RegFile.h"
#include "tests/core/TestUtil.h"

namespace {

// The reader's piece size: boundaries fall at multiples of it in the file.
constexpr size_t kPiece = size_t(1) << 18;

// A UTF-16 file with its mark: a header, one key and one string value whose
// data is filled so that the file is totalUnits units long after the mark,
// with special placed at unit index at (counted after the mark).
std::string WideFile(size_t totalUnits, size_t at, const std::u16string& special) {
    std::u16string head = u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Wide]\r\n\"V\"=\"";
    std::u16string tail = u"\"\r\n";
    std::u16string text = head + std::u16string(totalUnits - head.size() - tail.size(), u'x') + tail;
    text.replace(at, special.size(), special);
    return "\xFF\xFE" + testutil::Utf16(text);
}

// A single-byte file of about size bytes, lines ended by lf.
std::string NarrowFile(size_t size, const char* lf, char fill) {
    std::string text = std::string("REGEDIT4") + lf + lf + "[HKEY_CURRENT_USER\\Narrow]" + lf + "\"V\"=\"";
    text += std::string(size - text.size() - 3, fill);
    return text + "\"" + lf;
}

using FileReading = testutil::TempDir;

}  // namespace

TEST_F(FileReading, PiecesGiveTheTextOfAOnePassDecode) {
    const size_t firstBoundary = kPiece / 2 - 1;  // units after the mark in the first piece
    const std::u16string pair = u"\xD83D\xDE00";  // one character of two units
    struct Case { const char* label; std::string bytes; } cases[] = {
        {"pair across the first boundary", WideFile(3 * kPiece / 2, firstBoundary - 1, pair)},
        {"pair just before the first boundary", WideFile(3 * kPiece / 2, firstBoundary - 2, pair)},
        {"pair across a later boundary", WideFile(5 * kPiece / 2, firstBoundary + kPiece / 2 - 1, pair)},
        {"lone high surrogate at the end of the file", WideFile(kPiece, kPiece - 1, u"\xD83D")},
        {"code page characters on the boundary", WideFile(kPiece, firstBoundary - 1, u"\x00E9\x20AC")},
        {"odd byte after the last unit", WideFile(kPiece + 7, 100, u"\x00FC") + "\x01"},
        {"exactly one piece", WideFile(kPiece / 2 - 1, 100, u"\x00FC")},
        {"single-byte over three pieces", NarrowFile(3 * kPiece + 5, "\r\n", 'y')},
        {"single-byte with LF line ends", NarrowFile(2 * kPiece + 1, "\n", '\xE9')},
        {"single-byte of three-byte characters", NarrowFile(3 * kPiece + 3, "\r\n", '\x80')},
        {"single-byte beyond ASCII after two pieces", NarrowFile(2 * kPiece, "\r\n", 'y') + "[HKEY_CURRENT_USER\\\xE9\x80]\r\n"},
        {"UTF-8 over two pieces", "\xEF\xBB\xBF" + NarrowFile(kPiece + 11, "\r\n", 'z')},
    };
    std::string path = Path("pieces.reg");
    for (const Case& c : cases) {
        testutil::WriteBytes(path, c.bytes);
        RegText file, memory;
        ReadError fileError = ReadError::Open, memoryError = ReadError::Open;
        ASSERT_TRUE(ReadRegFile(path.c_str(), file, fileError)) << c.label << ": " << ReadErrorText(fileError);
        ASSERT_TRUE(DecodeRegBytes(c.bytes.data(), c.bytes.size(), memory, memoryError)) << c.label;
        EXPECT_EQ(fileError, ReadError::None) << c.label;
        EXPECT_STREQ(file.text.get(), memory.text.get()) << c.label;
        EXPECT_EQ(std::make_tuple(file.length, file.dialect, file.unicode, file.lossy, file.utf8),
                  std::make_tuple(memory.length, memory.dialect, memory.unicode, memory.lossy, memory.utf8)) << c.label;
        // Program text holds every character.
        EXPECT_FALSE(file.lossy) << c.label;
    }
}

// A single-byte file's characters beyond ASCII become UTF-8 wherever they
// fall: the pieces that hold some are converted on the way, the others are
// taken as they are, and the text of each follows the text of the one before
// without a byte more or less. A large file is read in two halves at once;
// a half that outgrows the room it was given is read again.
TEST_F(FileReading, SingleByteTextBecomesUtf8InEveryPiece) {
    auto file = [](size_t pieces, std::vector<size_t> places, char high = '\xE9') {
        std::string bytes = NarrowFile(pieces * kPiece + 100, "\r\n", 'y');
        for (size_t p : places) bytes[p] = high;
        return bytes;
    };
    auto run = [](size_t from, size_t to, size_t step) {
        std::vector<size_t> places;
        for (size_t p = from; p < to; p += step) places.push_back(p);
        return places;
    };
    const size_t half = 3 * kPiece;  // of a file of six pieces and a little more
    struct Case { const char* label; std::string bytes; } cases[] = {
        {"32 ASCII bytes after the last one of a piece", file(3, {kPiece - 33})},
        {"16 and 48 ASCII bytes after it", file(3, {kPiece - 17, 2 * kPiece - 49})},
        {"in many pieces in a row", file(3, run(200, 2 * kPiece, 257))},
        {"last and first bytes of pieces", file(3, {kPiece - 1, kPiece, 3 * kPiece - 1})},
        {"a piece without any between two with some", file(3, {300, 2 * kPiece + 5, 3 * kPiece - 40})},
        {"two halves, ASCII", file(6, {})},
        {"two halves, some in both", file(6, run(100, 6 * kPiece, 997))},
        {"two halves, on either side of the middle", file(6, {half - 1, half})},
        {"the first half outgrows its place", file(6, run(kPiece, 2 * kPiece, 1), '\x80')},
        {"the second half outgrows its place", file(6, run(4 * kPiece, 5 * kPiece, 1), '\x80')},
    };
    std::string path = Path("legacy.reg");
    for (const Case& c : cases) {
        std::string expected;
        for (char b : c.bytes)
            expected += b == '\xE9' ? std::string("\xC3\xA9") : b == '\x80' ? std::string("\xE2\x82\xAC") : std::string(1, b);
        testutil::WriteBytes(path, c.bytes);
        RegText file;
        ReadError error = ReadError::Open;
        ASSERT_TRUE(ReadRegFile(path.c_str(), file, error)) << c.label << ": " << ReadErrorText(error);
        // The first byte that differs, not two texts of a megabyte.
        std::string text(file.text.get());
        size_t differ = std::mismatch(text.begin(), text.end(), expected.begin(), expected.end()).first - text.begin();
        EXPECT_EQ(differ, expected.size()) << c.label << ": " << text.size() << " bytes read";
        EXPECT_EQ(file.length, c.bytes.size()) << c.label;
    }
}
