// The merge preview, its backup and Restore Backup against Wine's registry
// and its real regedit.exe, in the test's own process, under a scratch key:
// the dialog lists what the merge would change and Cancel writes nothing;
// Merge writes it and a backup; the backup merged by the registry editor
// alone puts the scratch key back, and so does Restore Backup.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "regedit/MergeBackups.h"
#include "regedit/RegistryCommands.h"
#include "regedit/SystemEditor.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using harness::Answerer;
using viewtest::TestHost;

namespace {

const wchar_t kScratch[] = L"Software\\QuillonTest\\Preview";

std::string Narrow(const std::wstring& text) {
    std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                             nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    return out;
}

// Every key below the scratch key with its values (type and bytes), read
// through the registry functions.
void ReadBranch(HKEY key, const std::string& path, std::map<std::string, std::map<std::string, std::string>>& out) {
    auto& values = out[path];
    wchar_t name[16384];
    BYTE data[65536];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 16384, size = sizeof data, type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values[Narrow(std::wstring(name, nameLength))] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        ReadBranch(sub, path + "\\" + Narrow(std::wstring(name, nameLength)), out);
        RegCloseKey(sub);
    }
}

std::map<std::string, std::map<std::string, std::string>> Scratch() {
    std::map<std::string, std::map<std::string, std::string>> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    ReadBranch(key, "", out);
    RegCloseKey(key);
    return out;
}

void Set(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, size_t size) {
    std::wstring path = std::wstring(kScratch) + (*key ? L"\\" : L"") + key;
    RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, type, data, static_cast<DWORD>(size));
}

// The scratch key before the merge: a value of every kind, one value set to
// what the file sets, one the file deletes, a branch a deletion line takes.
void MakeScratch() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    DWORD one = 1;
    unsigned long long qword = 1;
    Set(L"", L"Str", REG_SZ, L"old", 8);
    Set(L"", L"Num", REG_DWORD, &one, 4);
    Set(L"", L"Bin", REG_BINARY, "\1", 1);
    Set(L"", L"Exp", REG_EXPAND_SZ, L"%A%", 8);
    Set(L"", L"Multi", REG_MULTI_SZ, L"a\0b\0", 10);
    Set(L"", L"Q", REG_QWORD, &qword, 8);
    Set(L"", L"Same", REG_SZ, L"same", 10);
    Set(L"", L"Gone \"\\\x3a9", REG_SZ, L"x", 4);
    Set(L"Old", L"V", REG_SZ, L"v", 4);
    Set(L"Old\\Deeper", L"", REG_SZ, L"d", 4);
}

const char kDocument[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QuillonTest\\Preview]\r\n"
    "\"Str\"=\"new\"\r\n\"Num\"=dword:00000002\r\n\"Bin\"=hex:02,03\r\n"
    "\"Exp\"=hex(2):25,00,42,00,25,00,00,00\r\n\"Multi\"=hex(7):63,00,00,00,00,00\r\n"
    "\"Q\"=hex(b):02,00,00,00,00,00,00,00\r\n\"Same\"=\"same\"\r\n\"Gone \\\"\\\\\xce\xa9\"=-\r\n\"New\"=\"n\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\QuillonTest\\Preview\\Made\\Deep]\r\n\"D\"=dword:00000007\r\n\r\n"
    "[-HKEY_CURRENT_USER\\Software\\QuillonTest\\Preview\\Old]\r\n\r\n";

// What the dialogs are answered: the preview with `previewButton`, its rows
// and counts kept; the backup list with its first (newest) backup; the
// progress dialog not at all; message boxes with OK.
struct Script {
    std::atomic<int> previewButton{IDCANCEL};
    std::vector<std::string> rows;
    std::string counts;
    bool shot = false, listShot = false;

    int Answer(HWND dialog, const Answerer::Box& box) {
        if (GetDlgItem(dialog, IDC_PROGRESS_BAR)) return 0;
        if (HWND list = GetDlgItem(dialog, IDC_PREVIEW_LIST)) {
            rows.clear();
            for (const auto& row : harness::ListRows(list, 5)) {
                std::string line;
                for (const auto& cell : row.cells) line += (line.empty() ? "" : " | ") + cell;
                rows.push_back(line);
            }
            counts = harness::WindowText(GetDlgItem(dialog, IDC_PREVIEW_COUNTS));
            if (!shot) shot = harness::ScreenshotPainted(dialog, harness::ScratchPath("merge-preview.bmp"));
            return previewButton.load();
        }
        if (GetDlgItem(dialog, IDC_BACKUP_LIST)) {
            if (!listShot) listShot = harness::ScreenshotPainted(dialog, harness::ScratchPath("restore-backup.bmp"));
            return IDOK;
        }
        return box.text.empty() ? 0 : IDOK;
    }
};

}  // namespace

TEST(MergePreview, ShowsTheChangesCancelWritesNothingAndTheBackupTakesTheMergeBack) {
    std::vector<std::string> kept;
    for (const auto& listed : regedit::ListBackups()) kept.push_back(listed.path);
    MakeScratch();
    auto before = Scratch();
    ASSERT_EQ(before.size(), 3u);
    TestHost host;
    host.document.title = "preview.reg";
    ASSERT_TRUE(host.Load(kDocument));
    regedit::RegistryCommands commands(host.services, host.tree, host.list);
    Script script;
    Answerer answer([&](HWND dialog, const Answerer::Box& box) { return script.Answer(dialog, box); });

    // Cancel: the preview lists exactly what would change, and nothing is written.
    EXPECT_FALSE(commands.MergeDocument());
    EXPECT_EQ(Scratch(), before);
    const std::string key = "HKEY_CURRENT_USER\\Software\\QuillonTest\\Preview";
    EXPECT_EQ(script.rows, (std::vector<std::string>{
                               "Key | " + key + " |  |  | ",
                               "Changed |     Bin | REG_BINARY | 01 | 02 03",
                               "Changed |     Exp | REG_EXPAND_SZ | %A% | %B%",
                               "Removed |     Gone \"\\\xce\xa9 | REG_SZ | x | ",
                               "Changed |     Multi | REG_MULTI_SZ | a b | c",
                               "Added |     New | REG_SZ |  | n",
                               "Changed |     Num | REG_DWORD | 0x00000001 (1) | 0x00000002 (2)",
                               "Changed |     Q | REG_QWORD | 0x1 (1) | 0x2 (2)",
                               "Changed |     Str | REG_SZ | old | new",
                               "Key created | " + key + "\\Made |  |  | ",
                               "Key created | " + key + "\\Made\\Deep |  |  | ",
                               "Added |     D | REG_DWORD |  | 0x00000007 (7)",
                               "Key removed, with 2 values and 1 subkeys | " + key + "\\Old |  |  | ",
                           }));
    EXPECT_EQ(script.counts, "Merging \"preview.reg\" would create 2 keys and remove 2 keys; add 2 values, change 6 "
                             "and remove 3. 1 values set by the file are already so.");

    // Merge: written, with a backup that the success message names.
    script.previewButton = IDOK;
    ASSERT_TRUE(commands.MergeDocument());
    auto merged = Scratch();
    EXPECT_NE(merged, before);
    EXPECT_EQ(merged[""]["Str"], std::string("1:n\0e\0w\0\0\0", 10));
    EXPECT_EQ(merged.count("\\Old"), 0u);
    EXPECT_EQ(merged["\\Made\\Deep"]["D"], std::string("4:\7\0\0\0", 6));
    auto backups = regedit::ListBackups();
    ASSERT_FALSE(backups.empty());
    const regedit::BackupInfo backup = backups.front();
    EXPECT_EQ(backup.document, "preview");
    EXPECT_EQ(backup.keys, 4u);  // [-Made], the key itself, Old and Old\Deeper
    EXPECT_EQ(backup.values, 10u);
    auto boxes = answer.Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.find(backup.path), std::string::npos) << boxes.back().text;

    // Merged again, the document changes nothing and says so.
    EXPECT_FALSE(commands.MergeDocument());
    EXPECT_EQ(answer.Boxes().back().text, "Merging \"preview.reg\" would change nothing in the registry: every key "
                                          "and value is already as the file sets it. Nothing was written.");

    // The backup merged by the registry editor alone puts the key back.
    ASSERT_TRUE(regedit::RunRegEdit(nullptr, backup.path.c_str(), false));
    EXPECT_EQ(Scratch(), before);

    // Merged once more, and taken back through Restore Backup.
    ASSERT_TRUE(commands.MergeDocument());
    EXPECT_EQ(Scratch(), merged);
    ASSERT_TRUE(commands.RestoreBackup());
    EXPECT_EQ(Scratch(), before);

    // The backups this test made go: the first merge's, the second's, the restore's own.
    auto now = regedit::ListBackups();
    ASSERT_EQ(now.size(), kept.size() + 3);
    EXPECT_EQ(now[2].path, backup.path);
    for (size_t i = 0; i < 3; ++i) DeleteFileA(now[i].path.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}
