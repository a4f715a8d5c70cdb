// The settings key: defaults, who may create it, and values of the wrong
// type or size. Runs against the current user's registry of the test prefix.
#include <gtest/gtest.h>

#include "shell/Settings.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, shell::kSettingsKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, shell::kSettingsKey); }

    static bool KeyExists() {
        HKEY key = nullptr;
        bool exists = RegOpenKeyExA(HKEY_CURRENT_USER, shell::kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (exists) RegCloseKey(key);
        return exists;
    }
    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, shell::kSettingsKey, name, type, data, size), ERROR_SUCCESS);
    }
};

TEST_F(Settings, MissingKeyGivesDefaultsAndOnlyTipsCreatesIt) {
    EXPECT_EQ(shell::ReadFlg1(), 0u);
    EXPECT_EQ(shell::ReadFindFlags(), 1u);
    EXPECT_EQ(shell::ReadTips(), 1u);
    std::vector<uint16_t> widths{7};
    EXPECT_FALSE(shell::ReadListHeader(3, widths));
    EXPECT_EQ(widths, std::vector<uint16_t>{7}) << "untouched when missing";

    EXPECT_FALSE(shell::WriteFindFlags(5));
    EXPECT_FALSE(shell::WriteFlg1(1));
    EXPECT_FALSE(shell::WriteListHeader({100, 200, 300}));
    EXPECT_FALSE(KeyExists()) << "only the tips and the recent list create the key";

    EXPECT_TRUE(shell::WriteTips(0));
    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(shell::ReadTips(), 0u);

    EXPECT_TRUE(shell::WriteFindFlags(5));
    EXPECT_EQ(shell::ReadFindFlags(), 5u);
    EXPECT_TRUE(shell::WriteFlg1(0x81));
    EXPECT_EQ(shell::ReadFlg1(), 0x81u);
    EXPECT_TRUE(shell::WriteListHeader({100, 200, 1000}));
    ASSERT_TRUE(shell::ReadListHeader(3, widths));
    EXPECT_EQ(widths, (std::vector<uint16_t>{100, 200, 1000}));
    EXPECT_FALSE(shell::ReadListHeader(2, widths)) << "another column count is a wrong size";
}

TEST_F(Settings, WrongTypeOrSizeCountsAsMissing) {
    SetRaw("FindFlags", REG_SZ, "7", 2);
    EXPECT_EQ(shell::ReadFindFlags(), 1u);
    DWORD four = 4;
    SetRaw("Tips", REG_BINARY, &four, sizeof four);
    EXPECT_EQ(shell::ReadTips(), 1u);
    unsigned long long wide = 0;
    SetRaw("flg1", REG_QWORD, &wide, sizeof wide);
    EXPECT_EQ(shell::ReadFlg1(), 0u);
    BYTE two[2] = {1, 0};
    SetRaw("flg1", REG_DWORD, two, sizeof two);
    EXPECT_EQ(shell::ReadFlg1(), 0u) << "a short DWORD";
    SetRaw("listhdr", REG_DWORD, &four, sizeof four);
    std::vector<uint16_t> widths;
    EXPECT_FALSE(shell::ReadListHeader(2, widths));
    BYTE odd[5] = {1, 2, 3, 4, 5};
    SetRaw("listhdr", REG_BINARY, odd, sizeof odd);
    EXPECT_FALSE(shell::ReadListHeader(2, widths));
    EXPECT_FALSE(shell::ReadListHeader(3, widths));
}

}  // namespace
