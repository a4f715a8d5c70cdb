// Merge and import through Wine's real regedit.exe and registry, in the
// test's own process; the editor's start and the live keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentEdits.h"
#include "document/RegWriter.h"
#include "framework/Strings.h"
#include "regedit/MergeBackups.h"
#include "regedit/RegistryCommands.h"
#include "regedit/SystemEditor.h"
#include "resources/resource.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using harness::Answerer;
using viewtest::TestHost;

namespace {

const char kScratch[] = "Software\\QuillonTest";

void DeleteScratch() { RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }

std::set<std::string> TempFolderFiles() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path(ec), ec))
        names.insert(entry.path().filename().string());
    return names;
}

// A live value's type and bytes, type 0 when missing.
std::pair<DWORD, std::string> Live(const std::string& key, const char* name) {
    char bytes[256];
    DWORD type = 0, size = sizeof bytes;
    if (RegGetValueA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\" + key).c_str(), name,
                     RRF_RT_ANY | RRF_NOEXPAND, &type, bytes, &size))
        return {0, ""};
    return {type, std::string(bytes, size)};
}

void SetLive(const std::string& key, const char* name, DWORD type, const std::string& bytes) {
    RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kScratch) + "\\" + key).c_str(), name, type, bytes.data(),
                    static_cast<DWORD>(bytes.size()));
}

// Yes to every question, OK to every message and Merge to every preview;
// the progress of a preview is left to end by itself. The boxes are kept.
int AnswerYes(HWND dialog, const Answerer::Box&) {
    if (GetDlgItem(dialog, IDC_PROGRESS_BAR)) return 0;
    return GetDlgItem(dialog, IDYES) ? IDYES : IDOK;
}

std::string Z(const char* s, size_t n) { return std::string(s, n); }

// One document in a dialect: its header and its "%PATH%Ω" in that dialect's bytes.
std::string MergeDocument(const char* header, const char* expandBytes) {
    return std::string(header) + "\r\n\r\n[HKEY_CURRENT_USER\\Software\\QuillonTest\\M]\r\n"
           "\"Str\"=\"a\\\\b \\\"q\\\"\"\r\n\"Num\"=dword:0000002a\r\n\"Exp\"=hex(2):" + expandBytes +
           "\r\n\r\n[HKEY_CURRENT_USER\\Software\\QuillonTest\\M\\Sub]\r\n\"Bin\"=hex:01,02,03\r\n\r\n";
}

}  // namespace

TEST(RegEditStart, FallsBackToTheShellOnlyWhenElevationIsRequired) {
    struct Recorder : regedit::Launcher {
        DWORD error = 0;
        std::vector<std::string> calls;
        HANDLE StartProcess(const char* line, DWORD& e) override {
            calls.push_back(std::string("create ") + line);
            e = error;
            return nullptr;
        }
        HANDLE ShellStart(const char* program, const char* parameters) override {
            calls.push_back(std::string("shell ") + program + " " + parameters);
            return GetCurrentProcess();  // any non-null handle; never closed by the pseudo-handle rules
        }
    };
    Recorder elevated;
    elevated.error = 740;
    auto handle = regedit::StartEditor("/s \"C:\\Temp Dir\\a.tmp\"", elevated);
    EXPECT_TRUE(handle);
    handle.Release();
    EXPECT_EQ(elevated.calls, (std::vector<std::string>{"create regedit.exe /s \"C:\\Temp Dir\\a.tmp\"",
                                                        "shell regedit.exe /s \"C:\\Temp Dir\\a.tmp\""}));
    Recorder missing;
    missing.error = ERROR_FILE_NOT_FOUND;
    EXPECT_FALSE(regedit::StartEditor("/s x", missing));
    EXPECT_EQ(missing.calls.size(), 1u);
}

// The wait for the editor keeps the window painted and disabled: a timer
// set before it fires during it, and sees the owner disabled.
TEST(RegEditWait, DispatchesMessagesWithTheOwnerDisabled) {
    static HANDLE done;
    static int enabledSeen;
    TestHost host;
    done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    enabledSeen = -1;
    static HWND owner;
    owner = host.HostWindow();
    UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        enabledSeen = IsWindowEnabled(owner) ? 1 : 0;
        SetEvent(done);
    });
    regedit::WaitForProcess(owner, done);
    KillTimer(nullptr, timer);
    CloseHandle(done);
    EXPECT_EQ(enabledSeen, 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST(RegEditKeys, LiveKeysOpenByTheirFullRootNamesOnly) {
    EXPECT_EQ(regedit::RootKeyFromName("hkey_current_user"), HKEY_CURRENT_USER);
    fw::UniqueKey key;
    EXPECT_EQ(regedit::OpenLiveKey("HKCU\\Software", KEY_READ, key), ERROR_INVALID_DATA);
    EXPECT_EQ(regedit::OpenLiveKey("HKEY_CURRENT_USER", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(regedit::OpenLiveKey("HKEY_CURRENT_USER\\Software\\QuillonTest\\None", KEY_READ, key),
              ERROR_FILE_NOT_FOUND);
}

// A temporary folder with a blank in its path, as a Windows user's with a
// blank in the user name, for the length of a test.
class BlankTempFolder {
public:
    BlankTempFolder() {
        GetEnvironmentVariableA("TMP", old_, sizeof old_);
        std::string dir = harness::ScratchPath("temp dir");
        CreateDirectoryA(dir.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", (dir + "\\").c_str());
    }
    ~BlankTempFolder() { SetEnvironmentVariableA("TMP", old_[0] ? old_ : nullptr); }

private:
    char old_[MAX_PATH] = "";
};

TEST(RegEditMerge, DocumentBranchAndValuesReachTheRegistryInBothDialects) {
    BlankTempFolder blank;
    std::set<std::string> tempBefore = TempFolderFiles();
    EXPECT_TRUE(tempBefore.empty());
    std::string made;
    ASSERT_TRUE(regedit::MakeTempFile(made));
    DeleteFileA(made.c_str());
    EXPECT_NE(made.find("temp dir\\reg"), std::string::npos) << made;
    size_t backups = 0;
    for (const std::string& text : {MergeDocument("REGEDIT4", "25,50,41,54,48,25,ce,a9,00"),
                                    MergeDocument("Windows Registry Editor Version 5.00",
                                                  "25,00,50,00,41,00,54,00,48,00,25,00,a9,03,00,00")}) {
        SCOPED_TRACE(text.substr(0, 8));
        DeleteScratch();
        TestHost host;
        ASSERT_TRUE(host.Load(text));
        regedit::RegistryCommands commands(host.services, host.tree, host.list);
        // The boxes the user answers, not the preview's progress window that
        // a slow machine shows too (seen as it comes up: no caption yet).
        std::mutex answeredLock;
        std::vector<Answerer::Box> answered;
        Answerer answer([&](HWND dialog, const Answerer::Box& box) {
            bool progress = GetDlgItem(dialog, IDC_PROGRESS_BAR) || (box.caption.empty() && box.text.empty());
            if (!progress) {
                std::lock_guard<std::mutex> hold(answeredLock);
                answered.push_back(box);
            }
            return progress ? 0 : AnswerYes(dialog, box);
        });

        // The whole document, untitled.
        ASSERT_TRUE(commands.MergeDocument());
        EXPECT_EQ(Live("M", "Str"), std::make_pair(DWORD{REG_SZ}, Z("a\\b \"q\"", 8)));
        EXPECT_EQ(Live("M", "Num"), std::make_pair(DWORD{REG_DWORD}, Z("\x2a\0\0\0", 4)));
        EXPECT_EQ(Live("M", "Exp"), std::make_pair(DWORD{REG_EXPAND_SZ}, Z("%PATH%\xce\xa9", 9)));
        EXPECT_EQ(Live("M\\Sub", "Bin"), std::make_pair(DWORD{REG_BINARY}, Z("\1\2\3", 3)));

        // One branch: the selected key and below.
        DeleteScratch();
        host.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\M\\Sub");
        ASSERT_TRUE(commands.MergeBranch());
        EXPECT_EQ(Live("M\\Sub", "Bin").first, DWORD{REG_BINARY});
        EXPECT_EQ(Live("M", "Str").first, 0u);

        // The selected values alone, with a character beyond the legacy code page.
        DeleteScratch();
        host.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\M");
        auto names = host.RowNames();
        host.list.Select(static_cast<int>(std::find(names.begin(), names.end(), "Exp") - names.begin()));
        ASSERT_TRUE(commands.MergeValues());
        EXPECT_EQ(Live("M", "Exp"), std::make_pair(DWORD{REG_EXPAND_SZ}, Z("%PATH%\xce\xa9", 9)));
        EXPECT_EQ(Live("M", "Num").first + Live("M", "Str").first + Live("M\\Sub", "Bin").first, 0u);

        // Each merge shows its preview, then the success message with its backup.
        std::vector<Answerer::Box> boxes;
        {
            std::lock_guard<std::mutex> hold(answeredLock);
            boxes = answered;
        }
        std::string seen;
        for (const auto& box : boxes) seen += box.caption + ": " + box.text.substr(0, 120) + "\n";
        ASSERT_EQ(boxes.size(), 6u) << seen;
        EXPECT_EQ(boxes[0].caption, "Merge Preview - Untitled");
        EXPECT_EQ(boxes[1].text.rfind("Information in \"Untitled\" has been successfully entered into the registry.", 0), 0u);
        EXPECT_EQ(boxes[2].caption, "Merge Preview - Sub");
        EXPECT_EQ(boxes[5].text.rfind("Information in \"Items\" has been successfully entered into the registry.", 0), 0u);
        backups += 3;
    }
    DeleteScratch();
    EXPECT_EQ(TempFolderFiles(), tempBefore);
    // The backups of this test's merges go.
    auto listed = regedit::ListBackups();
    for (size_t i = 0; i < backups && i < listed.size(); ++i) DeleteFileA(listed[i].path.c_str());
}

TEST(RegEditImport, LiveKeysAndValuesComeIntoTheDocument) {
    std::set<std::string> tempBefore = TempFolderFiles();
    DeleteScratch();
    SetLive("I", "Str", REG_SZ, Z("new\\path \"x\"", 13));
    SetLive("I", "Num", REG_SZ, Z("text", 5));
    SetLive("I", "Dw", REG_DWORD, Z("\x2a\0\0\0", 4));
    SetLive("I", "Bin", REG_EXPAND_SZ, Z("%X%", 4));
    SetLive("I", "Exp", REG_EXPAND_SZ, Z("%Y%", 4));
    SetLive("I\\Live\\Deeper", "Deep", REG_SZ, Z("d", 2));
    SetLive("J", "J1", REG_SZ, Z("j", 2));

    TestHost host;
    host.document.title = "doc.reg";
    ASSERT_TRUE(host.Load("Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\QuillonTest\\I]\r\n"
                          "\"Str\"=\"old\"\r\n"
                          "\"Num\"=dword:00000001\r\n"
                          "\"Dw\"=dword:00000000\r\n"
                          "\"Bin\"=hex:00\r\n"
                          "\"Exp\"=hex(2):00,00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\QuillonTest\\J]\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Software\\QuillonTest\\Missing]\r\n\r\n"));
    regedit::RegistryCommands commands(host.services, host.tree, host.list);
    Answerer answer(AnswerYes);
    auto written = [&] {
        MemorySink out;
        WriteDocument(host.document, out, true, kRegedit5);
        return std::string(out.Data(), out.Size());
    };
    const std::string loaded = written();

    // The selected values, each by its kind's rules: a DWORD whose live value
    // is a string stays; a binary takes the bytes of a live REG_EXPAND_SZ.
    host.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\I");
    host.list.SelectAll();
    ASSERT_TRUE(commands.ImportValues());
    std::map<std::string, std::string> data;
    for (const auto& row : host.Rows()) data[row.name] = row.data;
    EXPECT_EQ(data["Str"], "new\\path \"x\"");
    EXPECT_EQ(data["Num"], "0x00000001 (1)");
    EXPECT_EQ(data["Dw"], "0x0000002a (42)");
    EXPECT_EQ(data["Bin"], "25 58 25 00");
    EXPECT_EQ(data["Exp"], "%Y%");
    EXPECT_TRUE(host.document.modified);
    std::string block = host.tree.KeyOf(host.tree.Selected())->MainBlock().text;
    EXPECT_NE(block.find("\"Str\"=\"new\\\\path \\\"x\\\"\""), std::string::npos) << block;

    // A live key with its branch: the tree shows the new subkey.
    ASSERT_TRUE(commands.ImportKey());
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER\\Software\\QuillonTest\\I"), std::vector<std::string>{"Live"});
    EXPECT_EQ(host.ChildNames("HKEY_CURRENT_USER\\Software\\QuillonTest\\I\\Live"), std::vector<std::string>{"Deeper"});

    // A key that does not exist live fails, and says so.
    host.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\Missing");
    EXPECT_FALSE(commands.ImportKey());
    // The whole document: every leaf key, the missing one failing the command.
    EXPECT_FALSE(commands.ImportDocument());
    host.Select("HKEY_CURRENT_USER\\Software\\QuillonTest\\J");
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{"(Default)", "J1"}));

    // Each import that brought something is one step: undone, the document
    // writes what was loaded.
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(host.document.edits->CanUndo());
        EXPECT_EQ(host.document.edits->UndoKind(), EditKind::ImportFromRegistry);
        host.Command(ID_EDIT_UNDO);
    }
    EXPECT_FALSE(host.document.edits->CanUndo());
    EXPECT_FALSE(host.document.modified);
    EXPECT_EQ(written(), loaded);

    auto boxes = answer.Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[0].text, "Are you sure you want to add the information from "
                             "\"HKEY_CURRENT_USER\\Software\\QuillonTest\\I\" to the \"doc.reg\"?");
    EXPECT_EQ(boxes[1].text, "Information in \"HKEY_CURRENT_USER\\Software\\QuillonTest\\I\" has been "
                             "successfully entered into the \"doc.reg\".");
    EXPECT_EQ(boxes[3].text, fw::LoadText(IDS_IMPORT_FAILED));
    EXPECT_EQ(boxes[4].text, "Are you sure you want to add the information from Registry to the \"doc.reg\"?");
    DeleteScratch();
    EXPECT_EQ(TempFolderFiles(), tempBefore);
}
