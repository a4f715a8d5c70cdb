// Opening files into the views, in-process: what a load leaves in the
// document and the tree, the boxes it shows, the open dialog's duplicate
// option and a stop that comes before the worker runs.
#include <gtest/gtest.h>

#include <atomic>

#include "document/FailPoint.h"
#include "framework/WorkerRunner.h"
#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/Settings.h"
#include "tests/Corpus.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

namespace {

std::string ReadErrorBox(const std::string& path) { return "Error reading file!\n\"" + path + "\""; }

// The progress dialog is visible before its controls exist: a message box
// is told by its text, which is there before it is shown.
bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, 0xFFFF) != nullptr; }

// Answers message boxes with OK and leaves the progress dialog alone; the
// message boxes, not the progress dialog, are what a test looks at.
struct LoadWatch : harness::Answerer {
    LoadWatch() : Answerer([](HWND dlg, const Box& box) { return IsMessageBox(dlg) ? harness::PressOk(dlg, box) : 0; }) {}
};

// The settings key with "flg1" as given (~0u: the key without it), or none.
struct FlagScope {
    FlagScope(bool key, DWORD flg1) {
        RegDeleteTreeA(HKEY_CURRENT_USER, shell::kSettingsKey);
        HKEY handle;
        if (key && !RegCreateKeyA(HKEY_CURRENT_USER, shell::kSettingsKey, &handle)) RegCloseKey(handle);
        if (key && flg1 != ~0u) RegSetKeyValueA(HKEY_CURRENT_USER, shell::kSettingsKey, "flg1", REG_DWORD, &flg1, 4);
    }
    ~FlagScope() { RegDeleteTreeA(HKEY_CURRENT_USER, shell::kSettingsKey); }
    static DWORD Read() {
        DWORD value = ~0u, size = 4;
        return RegGetValueA(HKEY_CURRENT_USER, shell::kSettingsKey, "flg1", RRF_RT_REG_DWORD, nullptr, &value, &size)
                   ? ~0u : value;
    }
};

}  // namespace

// Every way an open can end, and what the window then shows: a file that
// was never read leaves the previous document as it was (a save writes that
// document to its own file); a parse that stopped leaves an empty untitled
// document (a save asks for a name), never a part of the file under its name.
TEST(FileLoading, EachWayAnOpenEndsLeavesTheWholeFileOrNoPartOfIt) {
    std::string locked = WriteTempFile("locked.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\L]\r\n\r\n");
    std::string big = harness::WriteLargeRegFile("big.reg", 50);
    std::string small = WriteTempFile("small.reg", harness::RegKeys(200));
    enum Shows { kPrevious, kUntitled };
    // stop: 'a' presses Abort once the bar moved, 'm' makes memory run out
    // after the read and 20 keys.
    struct Case { int line; const char* label; std::string path; char stop; const char* reason; Shows shows; } cases[] = {
        {__LINE__, "missing", WriteTempFile("gone.reg", "x") + ".missing", 0, "", kPrevious},
        {__LINE__, "empty", WriteTempFile("empty.reg", ""), 0, "empty or too short", kPrevious},
        {__LINE__, "seven bytes", WriteTempFile("seven.reg", "REGEDIT"), 0, "empty or too short", kPrevious},
        {__LINE__, "not a registry file", WriteTempFile("text.reg", "Hello, world\r\n"), 0, "not a registry file", kPrevious},
        {__LINE__, "UTF-16 without byte-order mark", WriteTempFile("nobom.reg", harness::Utf16("REGEDIT4\r\n\r\n").substr(2)),
         0, "not a registry file", kPrevious},
        {__LINE__, "locked", locked, 0, "", kPrevious},
        {__LINE__, "abort during the parse", big, 'a', nullptr, kUntitled},
        {__LINE__, "memory during the parse", small, 'm', "not enough memory", kUntitled},
    };
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::string sample = harness::SourcePath("samples/sample.reg");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line << ": " << c.label);
        TestHost host;
        host.document.modified = true;
        {
            LoadWatch watch;
            ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, sample.c_str(), "sample.reg"));
            EXPECT_TRUE(watch.Boxes().empty());
        }
        auto before = ExpandedTreeKeys(host.tree.Hwnd());
        ASSERT_GT(before.size(), 3u);
        EXPECT_EQ(DocumentKeys(host.document), before);
        std::string bytes = harness::ReadFileBytes(c.path);
        harness::Answerer watch([&](HWND dlg, const harness::Answerer::Box& box) {
            if (IsMessageBox(dlg)) return harness::PressOk(dlg, box);
            HWND bar = GetDlgItem(dlg, IDC_PROGRESS_BAR);
            return c.stop == 'a' && bar && SendMessageA(bar, PBM_GETPOS, 0, 0) > 0 ? IDCANCEL : 0;
        });
        if (c.stop == 'm') FailAllocationsAfter(1 + 20);
        EXPECT_FALSE(OpenRegFile(host.HostWindow(), host.document, host.tree, c.path.c_str(), "x.reg"));
        StopFailingAllocations();
        auto boxes = watch.Boxes();
        if (c.reason) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].caption, "");
            // The system's own words where it has them (Wine's differ from Windows').
            std::string first = ReadErrorBox(c.path) + "\n\n";
            EXPECT_EQ(boxes[0].text.rfind(first, 0), 0u) << boxes[0].text;
            EXPECT_GT(boxes[0].text.size(), first.size() + 5) << boxes[0].text;
            std::string text = boxes[0].text;
            for (char& ch : text) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
            EXPECT_NE(text.find(c.reason), std::string::npos) << boxes[0].text;
        } else {
            ASSERT_EQ(boxes.size(), 1u);  // the progress dialog's Abort, and no box after it
            EXPECT_EQ(boxes[0].text, "");
        }
        if (c.shows == kPrevious) {
            EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), before);
            EXPECT_EQ(DocumentKeys(host.document), before);
            EXPECT_EQ(host.document.title, "sample.reg");
            EXPECT_EQ(host.document.path, sample);
        } else {
            EXPECT_TRUE(TreeKeys(host.tree.Hwnd()).empty());
            EXPECT_TRUE(host.document.roots.empty());
            EXPECT_EQ(host.document.path, "");  // Save asks for a name
            EXPECT_EQ(host.document.title, "Untitled");
            EXPECT_FALSE(host.document.modified);
        }
        EXPECT_EQ(harness::ReadFileBytes(c.path), bytes);
        EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
    }
    CloseHandle(lock);
}

// The worker frees the keys behind the previous file's items: expanding and
// selecting those items meanwhile (as another program may, or the user once
// Wine enables the frame early) leads to no key, and the new file's keys
// expand as ever once it is shown.
TEST(FileLoading, PreviousItemsLeadNowhereWhileAnotherFileLoads) {
    std::string big = harness::WriteLargeRegFile("poked.reg", 50);
    std::string sample = harness::SourcePath("samples/sample.reg");
    TestHost host;
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, sample.c_str(), "sample.reg"));
    ASSERT_GT(ExpandedTreeKeys(host.tree.Hwnd()).size(), 3u);
    HWND tree = host.tree.Hwnd();
    std::atomic<int> pokes{0};
    // Sent with a time-out: once the open is over, this thread no longer
    // serves messages sent from other threads, and the watch ends by joining.
    auto poke = [tree](UINT msg, WPARAM wParam, HTREEITEM item) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(tree, msg, wParam, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG, 200, &result);
        return reinterpret_cast<HTREEITEM>(result);
    };
    harness::Answerer watch([&](HWND dlg, const harness::Answerer::Box& box) {
        if (IsMessageBox(dlg)) return harness::PressOk(dlg, box);
        for (HTREEITEM item = poke(TVM_GETNEXTITEM, TVGN_ROOT, nullptr); item;
             item = poke(TVM_GETNEXTITEM, TVGN_NEXT, item)) {
            poke(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, item);
            poke(TVM_EXPAND, TVE_EXPAND, item);
            poke(TVM_SELECTITEM, TVGN_CARET, item);
            ++pokes;
        }
        return 0;
    });
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, big.c_str(), "poked.reg"));
    EXPECT_GT(pokes.load(), 0) << "the load was over before the progress dialog showed";
    EXPECT_TRUE(watch.Boxes().empty());
    HTREEITEM deep = harness::TreeFind(tree, "HKEY_CURRENT_USER\\Software\\Quillon Test 1\\Branch 1000");
    ASSERT_TRUE(deep);
    ASSERT_TRUE(harness::TreeSelect(tree, deep));
    EXPECT_EQ(harness::ListRows(host.list.Hwnd(), 3).size(), 3u) << "(Default), Name and Count";
}

TEST(FileLoading, BrokenUtf8IsReportedBeforeTheDocumentIsShown) {
    // A UTF-8 file (LF line ends) with a byte that starts no character.
    std::string broken = WriteTempFile("utf8.reg", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
                                                   "[HKEY_CURRENT_USER\\Caf\xC3\xA9]\n\"v\"=\"\xC3\"\n");

    TestHost host;
    ASSERT_TRUE(host.Load("REGEDIT4\r\n\r\n[HKEY_USERS\\Old]\r\n\r\n"));
    std::string rootWhileWarned = "none";
    harness::Answerer watcher([&](HWND dlg, const harness::Answerer::Box& box) {
        if (!IsMessageBox(dlg)) return 0;
        auto items = TreeKeys(host.tree.Hwnd());
        rootWhileWarned = items.empty() ? "" : items[0].second;
        return harness::PressOk(dlg, box);
    });
    // The note that saving writes UTF-16, which the registry editor merges,
    // then the warning, both while the old document is still shown.
    ASSERT_TRUE(OpenRegFile(host.HostWindow(), host.document, host.tree, broken.c_str(), "utf8.reg"));
    auto seen = watcher.Boxes();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].text.find("UTF-16"), std::string::npos) << seen[0].text;
    EXPECT_NE(seen[1].text.find(broken), std::string::npos) << seen[1].text;
    EXPECT_EQ(rootWhileWarned, "HKEY_USERS");
    EXPECT_TRUE(host.document.unicode);
    EXPECT_EQ(host.document.dialect, kRegedit5);
    EXPECT_EQ(DocumentKeys(host.document)[1].second, "Caf\xC3\xA9");
}

TEST(FileLoading, EveryCorpusFileLoadsExactlyItsKeysOrShowsTheReadError) {
    QUILLON_REQUIRE_CORPUS();
    TestHost host;
    int loaded = 0, refused = 0;
    for (const std::string& file : corpus::Files()) {
        SCOPED_TRACE(file);
        ReadError why = ReadError::None;
        bool readable = [&] { RegText text; return ReadRegFile(file.c_str(), text, why); }();  // the text freed at once
        LoadWatch watch;
        bool ok = OpenRegFile(host.HostWindow(), host.document, host.tree, file.c_str(), "corpus.reg");
        EXPECT_EQ(ok, readable);
        auto boxes = watch.Boxes();
        if (ok) {
            ++loaded;
            // A warning about unrepresentable characters may come; never the read error.
            for (auto& b : boxes) EXPECT_NE(b.text.rfind(ReadErrorBox(file), 0), 0u);
            EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), DocumentKeys(host.document));
        } else {
            ++refused;
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text.rfind(ReadErrorBox(file), 0), 0u) << boxes[0].text;
        }
    }
    printf("corpus: %d loaded, %d refused\n", loaded, refused);
    EXPECT_GT(loaded, 0);
}

TEST(FileDialogs, DuplicateOptionFollowsAndStoresBitZeroOfFlg1) {
    std::string file = WriteTempFile("dialog.reg", "REGEDIT4\r\n\r\n[HKEY_USERS\\D]\r\n\r\n");
    // flg1 ~0u: absent; stored ~0u: nothing stored.
    struct Case { const char* label; bool settingsKey; DWORD flg1; bool shownChecked, check; DWORD stored; } cases[] = {
        {"absent, unchecked by the user", true, ~0u, true, false, 1},
        {"bit set keeps higher bits when checked", true, 0x301, false, true, 0x300},
        {"bit clear keeps higher bits when unchecked", true, 0x300, true, false, 0x301},
        {"no settings key: nothing stored", false, ~0u, true, false, ~0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FlagScope flags(c.settingsKey, c.flg1);
        TestHost host;
        std::atomic<int> shown{-1};
        harness::Answerer watcher([&](HWND dlg, const harness::Answerer::Box&) {
            HWND box = harness::Descendant(dlg, 1007);
            if (!box) return 0;
            shown = static_cast<int>(SendMessageA(box, BM_GETCHECK, 0, 0));
            SendMessageA(box, BM_SETCHECK, c.check ? BST_CHECKED : BST_UNCHECKED, 0);
            HWND name = harness::Descendant(dlg, 0x47C);
            if (!name) name = harness::Descendant(dlg, 0x480);
            SetWindowTextA(name, file.c_str());
            return IDOK;
        });
        char path[MAX_PATH];
        ASSERT_TRUE(ShowImportDialog(host.HostWindow(), path));
        EXPECT_STRCASEEQ(path, file.c_str());
        EXPECT_EQ(shown, c.shownChecked ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(FlagScope::Read(), c.stored);
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
