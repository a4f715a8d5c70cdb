// The texts keys and values travel in: the payloads, the bounded read of a
// block from elsewhere, and the move of a pasted branch to its new path.
#include <gtest/gtest.h>

#include "tests/core/TestUtil.h"
#include "transfer/TransferPayload.h"

namespace {

const char kBranch[] =
    "; the document's comments, which a payload leaves out\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run]\r\n"
    "\"a\"=\"x\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run\\Sub]\r\n"
    "\"b\"=dword:00000001\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n";

// A branch payload starts with its document's header, as single-byte text,
// and its key line.
TEST(TransferPayload, KeyBranchStartsWithTheDocumentsHeader) {
    RegDocument doc;
    ASSERT_TRUE(testutil::Parse(doc, kBranch));
    const KeyNode* run = testutil::Find(doc, "HKEY_CURRENT_USER\\Software\\Run");
    for (RegDialect dialect : {kRegedit4, kRegedit5}) {
        MemorySink out(transfer::KeyBranchCapacity(*run, dialect));
        ASSERT_TRUE(transfer::WriteKeyBranchPayload(*run, dialect, out));
        std::string header = dialect == kRegedit4 ? "REGEDIT4\r\n\r\n[" : "Windows Registry Editor Version 5.00\r\n\r\n[";
        std::string payload(out.Data(), out.Size());
        EXPECT_EQ(payload.rfind(header, 0), 0u);
        EXPECT_EQ(payload.substr(payload.size() - 3), std::string("\n\0\0", 3));
    }
}

// Only key lines are moved: the path inside value data (a string over two
// lines whose second line starts like a key line, too), further inside a
// key line, or as the start of a sibling's name stays.
TEST(TransferPayload, RewriteMovesTheBranchesKeyLinesOnly) {
    const std::string source = "HKEY_CURRENT_USER\\Software\\Run";
    const std::string text =
        "REGEDIT4\r\n\r\n"
        "[hkey_current_user\\software\\run]\r\n"
        "\"p\"=\"HKEY_CURRENT_USER\\\\Software\\\\Run\"\r\n"
        "\"m\"=\"[HKEY_CURRENT_USER\\Software\\Run]\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Run\\Sub]\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Run2]\r\n\r\n"
        "[X\\HKEY_CURRENT_USER\\Software\\Run]\r\n\r\n";
    size_t length = 0;
    auto out = transfer::RewriteBranch(text, source, "T\\Run #0", &length);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out.get(), length),
              "REGEDIT4\r\n\r\n"
              "[T\\Run #0]\r\n"
              "\"p\"=\"HKEY_CURRENT_USER\\\\Software\\\\Run\"\r\n"
              "\"m\"=\"[HKEY_CURRENT_USER\\Software\\Run]\"\r\n\r\n"
              "[T\\Run #0\\Sub]\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Run2]\r\n\r\n"
              "[X\\HKEY_CURRENT_USER\\Software\\Run]\r\n\r\n");
    EXPECT_EQ(out[length], '\0');
    EXPECT_EQ(transfer::RewriteBranch(text, "", "T"), nullptr);
    // Another program's block need not end in a zero byte.
    const char noZero[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(transfer::BoundedText(noZero, sizeof noZero), "abcd");
    EXPECT_EQ(transfer::BoundedText("ab\0cd", 5), "ab");
}

}  // namespace
