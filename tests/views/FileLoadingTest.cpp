#include <gtest/gtest.h>

#include <cstring>

#include "framework/WorkerRunner.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "tests/Corpus.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

namespace {

const char kSettingsKey[] = "Software\\Orvane\\Quillon\\2.0";

std::string Format141(const std::string& path) {
    char format[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), 141, format, sizeof(format));
    char text[1024];
    snprintf(text, sizeof(text), format, path.c_str());
    return text;
}

// Answers message boxes with OK; presses Abort on a progress dialog only when
// it is still up after the bound, so a stuck dialog fails instead of hanging.
struct LoadWatch {
    DWORD start = GetTickCount();
    std::atomic<int> stuck{0};
    DialogWatcher watcher{[this](HWND dlg, const DialogWatcher::Seen& seen) {
        if (GetDlgItem(dlg, 1009)) {
            if (GetTickCount() - start < 20000) return 0;
            ++stuck;
            return IDCANCEL;
        }
        return PressOk(dlg, seen);
    }, 60000};
    std::vector<DialogWatcher::Seen> Boxes() {
        std::vector<DialogWatcher::Seen> boxes;
        for (auto& s : watcher.Dialogs())
            if (!s.text.empty()) boxes.push_back(s);
        return boxes;
    }
};

struct FlagScope {
    explicit FlagScope(const DWORD* flg1) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (!flg1) return;
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, "flg1", 0, REG_DWORD, reinterpret_cast<const BYTE*>(flg1), 4);
        RegCloseKey(key);
    }
    ~FlagScope() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }
    static bool Read(DWORD* value) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        DWORD size = 4, type = 0;
        LONG rc = RegQueryValueExA(key, "flg1", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS && type == REG_DWORD;
    }
};

size_t CountKeys(const RegDocument& document) { return DocumentKeys(document).size(); }

std::string ManyKeys(int count) {
    std::string text = "REGEDIT4\r\n\r\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
        snprintf(line, sizeof(line), "[HKEY_CURRENT_USER\\Bulk\\Group%d\\Key%d]\r\n\"v\"=dword:%08x\r\n\r\n",
                 i / 100, i, i);
        text += line;
    }
    return text;
}

}  // namespace

TEST(FileLoading, OpenShowsTheFileItsDialectAndNameAndTheDialogClosesByItself) {
    TestHost host;
    host.document.modified = true;
    LoadWatch watch;
    std::string path = SourcePath("samples/sample.reg");
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, path.c_str(), "sample.reg"));
    EXPECT_EQ(watch.stuck, 0);
    EXPECT_TRUE(watch.Boxes().empty());
    EXPECT_EQ(host.document.dialect, kRegedit5);
    EXPECT_TRUE(host.document.unicode);
    EXPECT_EQ(host.document.path, path);
    EXPECT_EQ(host.document.title, "sample.reg");
    EXPECT_FALSE(host.document.modified);
    EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
    EXPECT_GT(CountKeys(host.document), 3u);
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), DocumentKeys(host.document));

    // The same text as single-byte: dialect 5, not unicode.
    std::string ansi = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_USERS\\One]\r\n\"a\"=\"b\"\r\n\r\n";
    std::string single = WriteTempFile("single5.reg", ansi);
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, single.c_str(), "single5.reg"));
    EXPECT_EQ(host.document.dialect, kRegedit5);
    EXPECT_FALSE(host.document.unicode);
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), (std::vector<std::pair<int, std::string>>{{0, "HKEY_USERS"}, {1, "One"}}));
}

TEST(FileLoading, RefusedFilesShowTheReadErrorAndKeepTheDocument) {
    std::string locked = WriteTempFile("locked.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\L]\r\n\r\n");
    struct Case {
        const char* label;
        std::string path;
    } cases[] = {
        {"missing", WriteTempFile("gone.reg", "x") + ".missing"},
        {"seven bytes", WriteTempFile("seven.reg", "REGEDIT")},
        {"header without line end", WriteTempFile("eight.reg", "REGEDIT4")},
        {"UTF-16 without byte-order mark", WriteTempFile("nobom.reg", Utf16File(L"REGEDIT4\r\n\r\n").substr(2))},
        {"UTF-8 without byte-order mark of UTF-16 text", WriteTempFile("u8.reg", "\xEF\xBB\xBFW\0i\0n\0\r\0\n\0")},
        {"locked", locked},
    };
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    TestHost host;
    ASSERT_TRUE(host.LoadText("REGEDIT4\r\n\r\n[HKEY_USERS\\Kept]\r\n\"v\"=\"1\"\r\n\r\n"));
    host.document.SetFileName("C:\\kept.reg", "kept.reg");
    auto before = ExpandedTreeKeys(host.tree.Hwnd());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LoadWatch watch;
        EXPECT_FALSE(OpenRegFile(host.HostWindow(), host.document, host.tree, c.path.c_str(), "x.reg"));
        auto boxes = watch.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "");
        EXPECT_EQ(boxes[0].text, Format141(c.path));
        EXPECT_NE(boxes[0].text.find("\"" + c.path + "\""), std::string::npos) << boxes[0].text;
        EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), before);
        EXPECT_EQ(DocumentKeys(host.document), before);
        EXPECT_EQ(host.document.title, "kept.reg");
        EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
    }
    CloseHandle(lock);
}

TEST(FileLoading, UnrepresentableCharactersAreReportedBeforeTheDocumentIsShown) {
    // A CJK key name has no form in the Western or Cyrillic code pages.
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\\x4E2D\x6587]\r\n\"v\"=\"1\"\r\n\r\n";
    std::string lossy = WriteTempFile("cjk.reg", Utf16File(text));
    std::string fine = WriteTempFile("plain16.reg", Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Plain]\r\n\r\n"));

    TestHost host;
    ASSERT_TRUE(host.LoadText("REGEDIT4\r\n\r\n[HKEY_USERS\\Old]\r\n\r\n"));
    std::string rootWhileWarned = "none";
    DialogWatcher watcher([&](HWND dlg, const DialogWatcher::Seen& seen) {
        if (GetDlgItem(dlg, 1009)) return 0;
        auto items = TreeKeys(host.tree.Hwnd());
        rootWhileWarned = items.empty() ? "" : items[0].second;
        return PressOk(dlg, seen);
    });
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, lossy.c_str(), "cjk.reg"));
    auto seen = watcher.Dialogs();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].text.find(lossy), std::string::npos) << seen[0].text;
    EXPECT_EQ(rootWhileWarned, "HKEY_USERS");  // still the old document
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()).size(), 2u);
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd())[0].second, "HKEY_CURRENT_USER");

    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, fine.c_str(), "plain16.reg"));
    EXPECT_EQ(watcher.Count(), 1u);

    // A UTF-8 file (LF line ends) opens with a note that saving writes it as
    // UTF-16, which the registry editor merges; it is a unicode document.
    std::string utf8 = WriteTempFile("utf8.reg", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                                                 "[HKEY_CURRENT_USER\\Caf\xC3\xA9]\n\"v\"=\"1\"\n");
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, utf8.c_str(), "utf8.reg"));
    seen = watcher.Dialogs();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[1].text.find("UTF-16"), std::string::npos) << seen[1].text;
    EXPECT_TRUE(host.document.unicode);
    EXPECT_EQ(host.document.dialect, kRegedit5);
    EXPECT_EQ(DocumentKeys(host.document)[1].second, "Caf\xE9");
}

TEST(FileLoading, ImportMergesIntoTheTreeFollowingTheDuplicateSetting) {
    const char base[] = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"x\"=\"1\"\r\n\r\n";
    std::string import = WriteTempFile(
        "import.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"y\"=\"2\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\A\\C]\r\n\r\n");
    struct Case {
        const char* label;
        const DWORD* flg1;
        std::vector<std::pair<int, std::string>> tree;
        size_t valuesOfFirstB;
        // Before the user expands anything: A was never expanded, so what
        // merges below it waits; a second A lands in the expanded top level.
        size_t shownItems;
    };
    static const DWORD off = 1, on = 0x100;
    Case cases[] = {
        {"no settings: checking on", nullptr, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {2, "C"}}, 2, 2},
        {"bit 0 clear: checking on", &on, {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {2, "C"}}, 2, 2},
        {"bit 0 set: checking off", &off,
         {{0, "HKEY_CURRENT_USER"}, {1, "A"}, {2, "B"}, {1, "A"}, {2, "B"}, {2, "C"}}, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FlagScope flags(c.flg1);
        TestHost host;
        ASSERT_TRUE(host.LoadText(base));
        host.document.dialect = kRegedit4;
        host.document.unicode = true;
        host.document.modified = false;
        TreeView_Expand(host.tree.Hwnd(), TreeView_GetRoot(host.tree.Hwnd()), TVE_EXPAND);
        LoadWatch watch;
        EXPECT_TRUE(ImportRegFile(host.HostWindow(), host.document, host.tree, import.c_str()));
        EXPECT_EQ(watch.stuck, 0);
        EXPECT_EQ(DocumentKeys(host.document), c.tree);
        EXPECT_EQ(TreeKeys(host.tree.Hwnd()).size(), c.shownItems);
        EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), c.tree);
        EXPECT_EQ(host.document.dialect, kRegedit5);
        EXPECT_TRUE(host.document.unicode);
        EXPECT_FALSE(host.document.modified);
        host.SelectPath("HKEY_CURRENT_USER\\A\\B");
        EXPECT_EQ(host.list.Values().size(), c.valuesOfFirstB);
    }
}

TEST(FileLoading, AbortDuringImportKeepsTheKeysParsedSoFar) {
    const int total = 60000;
    std::string big = WriteTempFile("big-import.reg", ManyKeys(total));
    TestHost host;
    ASSERT_TRUE(host.LoadText("REGEDIT4\r\n\r\n[HKEY_USERS\\Before]\r\n\r\n"));
    std::atomic<bool> pressed{false};
    std::atomic<int> ownerMinimized{-1}, ownerRestored{-1};
    DWORD start = 0;
    DialogWatcher watcher([&](HWND dlg, const DialogWatcher::Seen&) {
        if (!GetDlgItem(dlg, 1009)) return IDOK;
        if (!start) start = GetTickCount();
        if (GetTickCount() - start < 300) return 0;
        // Minimising the dialog takes its owner along, and so does restoring.
        SendMessageA(dlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ownerMinimized = IsIconic(host.HostWindow()) ? 1 : 0;
        SendMessageA(dlg, WM_SYSCOMMAND, SC_RESTORE, 0);
        ownerRestored = IsIconic(host.HostWindow()) ? 0 : 1;
        pressed = true;
        return IDCANCEL;
    });
    bool ok = ImportRegFile(host.HostWindow(), host.document, host.tree, big.c_str());
    ASSERT_TRUE(pressed);
    EXPECT_EQ(ownerMinimized, 1);
    EXPECT_EQ(ownerRestored, 1);
    EXPECT_TRUE(ok);  // an abort during the parse still counts as a load
    size_t keys = CountKeys(host.document);
    EXPECT_GT(keys, 2u);
    EXPECT_LT(keys, static_cast<size_t>(total));
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()).size(), keys);
    EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
}

TEST(FileLoading, EveryCorpusFileLoadsExactlyItsKeysOrShowsTheReadError) {
    QUILLON_REQUIRE_CORPUS();
    TestHost host;
    int loaded = 0, refused = 0;
    {
        for (const std::string& file : corpus::Files()) {
            SCOPED_TRACE(file);
            RegText text;
            ReadError why = ReadError::None;
            bool readable = ReadRegFile(file.c_str(), text, why);
            text = RegText();
            LoadWatch watch;
            bool ok = OpenRegFile(host.HostWindow(), host.document, host.tree, file.c_str(), "corpus.reg");
            EXPECT_EQ(ok, readable);
            auto boxes = watch.Boxes();
            if (ok) {
                ++loaded;
                // A warning about unrepresentable characters may come; never the read error.
                for (auto& b : boxes) EXPECT_NE(b.text, Format141(file));
                EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), DocumentKeys(host.document));
            } else {
                ++refused;
                printf("refused %s: %s\n", file.c_str(), ReadErrorText(why));
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(boxes[0].text, Format141(file));
            }
        }
    }
    printf("corpus: %d loaded, %d refused\n", loaded, refused);
    EXPECT_GT(loaded, 0);
}

namespace {
HWND FindDescendant(HWND parent, int id) {
    struct S {
        int id;
        HWND found;
    } s{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM p) -> BOOL {
            auto* st = reinterpret_cast<S*>(p);
            if (GetDlgCtrlID(child) == st->id) {
                st->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}
}  // namespace

TEST(FileDialogs, DuplicateOptionFollowsAndStoresBitZeroOfFlg1) {
    std::string file = WriteTempFile("dialog.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\D]\r\n\r\n");
    struct Case {
        const char* label;
        bool settingsKey;
        DWORD flg1;  // ~0u: absent
        bool shownChecked;
        bool check;
        DWORD stored;  // ~0u: nothing stored
    } cases[] = {
        {"absent, unchecked by the user", true, ~0u, true, false, 1},
        {"absent, left checked", true, ~0u, true, true, 0},
        {"bit set keeps higher bits when checked", true, 0x301, false, true, 0x300},
        {"bit clear keeps higher bits when unchecked", true, 0x300, true, false, 0x301},
        {"no settings key: nothing stored", false, ~0u, true, false, ~0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FlagScope flags(c.settingsKey && c.flg1 != ~0u ? &c.flg1 : nullptr);
        if (c.settingsKey && c.flg1 == ~0u) {
            HKEY key;
            RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegCloseKey(key);
        }
        TestHost host;
        std::atomic<int> shown{-1};
        DialogWatcher watcher([&](HWND dlg, const DialogWatcher::Seen&) {
            HWND box = FindDescendant(dlg, 1007);
            if (!box) return 0;
            shown = static_cast<int>(SendMessageA(box, BM_GETCHECK, 0, 0));
            SendMessageA(box, BM_SETCHECK, c.check ? BST_CHECKED : BST_UNCHECKED, 0);
            HWND name = FindDescendant(dlg, 0x47C);
            if (!name) name = FindDescendant(dlg, 0x480);
            SetWindowTextA(name, file.c_str());
            return IDOK;
        });
        char path[MAX_PATH];
        ASSERT_TRUE(ShowImportDialog(host.HostWindow(), path));
        EXPECT_STRCASEEQ(path, file.c_str());
        EXPECT_EQ(shown, c.shownChecked ? BST_CHECKED : BST_UNCHECKED);
        DWORD stored = ~0u;
        if (!FlagScope::Read(&stored)) stored = ~0u;
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(ReadCheckDuplicatesSetting(), c.stored == ~0u || !(c.stored & 1));
    }
}

// A stop that comes before the worker has run a single instruction still
// stops the load: the flag is set before the thread starts, never by it.
TEST(FileLoading, AbortBeforeTheWorkerRunsIsNotLost) {
    std::string file = WriteTempFile("early.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\Late]\r\n\r\n");
    struct ClosedAtOnce : fw::WorkerDialog {
        void Prepare() override {}
        void Run(HWND) override {}  // the user's Abort, before the worker was scheduled
        void Finish() override {}
    } dialog;
    RegDocument document;
    LoadJob job;
    job.path = file;
    bool ok = fw::RunWorker(nullptr, dialog, document.abort, [&] {
        while (document.abort.load() == 0) Sleep(1);
        return document.Load(job);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(job.error, ReadError::Aborted);
    EXPECT_TRUE(document.roots.empty());
    EXPECT_EQ(document.abort.load(), 1);
}
