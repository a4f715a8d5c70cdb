#pragma once
// Hosts a KeyTreeView and a ValueListView in a window of the test, in the
// test's own process, so the tests reach the views and the document directly.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/RegDocument.h"
#include "shell/Settings.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace viewtest {

// Windows path of a file of the source tree.
std::string SourcePath(const std::string& relative);
// A fresh file in the temporary folder holding the bytes.
std::string WriteTempFile(const std::string& name, const std::string& bytes);
// UTF-16LE with byte-order mark of an ASCII/UTF-8 text.
std::string Utf16File(const std::wstring& text);

class TestHost : public ViewHost {
public:
    TestHost();
    ~TestHost() override;

    HWND HostWindow() override { return hwnd_; }
    RegDocument& Document() override { return document; }
    HWND StatusBar() override { return status_; }
    void UpdateCommandStates() override { ++commandStateUpdates; }
    void UpdateTitle() override { ++titleUpdates; }
    bool IsCommandEnabled(int id) override;
    int TrackPopup(HMENU popup, POINT screen) override;
    // Expand runs in the tree; every other command is recorded with what it acts on.
    void RunCommand(int id, HWND source) override;
    // The program's own settings store, as the frame hands it over.
    bool ReadColumnWidths(size_t columns, std::vector<uint16_t>& widths) override {
        return shell::ReadListHeader(columns, widths);
    }
    void StoreColumnWidths(const std::vector<uint16_t>& widths) override { shell::WriteListHeader(widths); }

    // Parses text into the document and rebuilds the tree.
    bool LoadText(const std::string& text, bool checkDuplicates = true);
    // Selects the item of a key path and returns it.
    HTREEITEM SelectPath(const char* path);
    std::string StatusText();
    // Pumps this thread's messages for a while.
    static void Pump(DWORD ms);
    // Destroys the list window (it stores its column widths then).
    void DestroyList();

    RegDocument document;
    KeyTreeView tree;
    ValueListView list;

    int commandStateUpdates = 0;
    int titleUpdates = 0;
    std::vector<int> disabledCommands;
    // The menu handed to TrackPopup, as it stood, and the command to answer.
    struct MenuEntry {
        UINT id;
        std::string text;
        bool enabled;
        bool isDefault;
    };
    std::vector<MenuEntry> lastMenu;
    int popupAnswer = 0;
    std::vector<std::pair<int, HTREEITEM>> keyCommands;  // from the tree, with its command item
    std::vector<std::pair<int, int>> valueCommands;      // from the list, with its command row

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    HWND status_ = nullptr;
};

// Watches this process for dialogs from a second thread and answers them, so
// that a modal box on the test's thread cannot hang the test.
class DialogWatcher {
public:
    struct Seen {
        std::string caption;
        std::string text;  // the message box text (static 0xFFFF), else empty
    };
    // For each dialog that appears: `answer` returns the button to press, or 0
    // to leave the dialog alone for now.
    explicit DialogWatcher(std::function<int(HWND, const Seen&)> answer, DWORD timeoutMs = 30000);
    ~DialogWatcher();
    std::vector<Seen> Dialogs() const;
    size_t Count() const;

private:
    void Run(DWORD timeoutMs);
    std::function<int(HWND, const Seen&)> answer_;
    std::atomic<bool> stop_{false};
    mutable CRITICAL_SECTION lock_;
    std::vector<Seen> seen_;
    std::vector<HWND> answered_;
    std::thread thread_;
};

// Presses OK (or the first button) of every dialog.
int PressOk(HWND, const DialogWatcher::Seen&);

// The document's keys in pre-order as (depth, name).
std::vector<std::pair<int, std::string>> DocumentKeys(const RegDocument& document);
// The tree's items in pre-order as (depth, text).
std::vector<std::pair<int, std::string>> TreeKeys(HWND tree);
// Expands every item, as a user opening each branch would (the children of
// an item are inserted when it is first expanded).
void ExpandAll(HWND tree);
// The items in pre-order once every branch has been expanded.
std::vector<std::pair<int, std::string>> ExpandedTreeKeys(HWND tree);

struct Row {
    std::string name, type, data;
    int image;
};
std::vector<Row> ListRows(HWND list);

}  // namespace viewtest
