#pragma once
// Hosts the two views and the editing commands in a window of the test's own
// process, with real command states, so the tests reach the document, the
// views and the states directly. Message boxes are answered from a second
// thread by BoxAnswerer.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/CommandTable.h"
#include "views/EditCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace edittest {

class EditHost : public ViewHost {
public:
    EditHost();
    ~EditHost() override;

    // The top-level window: message boxes are owned by it, the menu bar is its.
    HWND HostWindow() override { return top_; }
    RegDocument& Document() override { return document; }
    HWND StatusBar() override { return nullptr; }
    void UpdateCommandStates() override;
    void UpdateTitle() override;
    bool IsCommandEnabled(int id) override { return states.IsEnabled(static_cast<UINT>(id)); }
    int TrackPopup(HMENU, POINT) override { return 0; }
    // Through a command table of the edit commands and the tree, as in the frame.
    void RunCommand(int id, HWND source) override { commands.Route(id, source); }
    HWND CommandSource() override { return commands.Source(); }

    // Parses a whole .reg text into the document and rebuilds the tree.
    bool Load(const std::string& text);
    HTREEITEM Select(const char* path);
    // Ends a label edit that a command started: a key keeps its text, a
    // value's edit is cancelled.
    void EndLabelEdits();
    std::string Caption() const;
    // A menu command, as the frame routes it.
    void Command(int id) { SendMessageA(panel_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    // Names of the rows, as shown.
    std::vector<std::string> RowNames() const;
    std::vector<std::string> Row(int row) const;
    std::vector<std::string> ChildNames(const char* path);

    RegDocument document;
    KeyTreeView tree;
    ValueListView list;
    fw::CommandStates states;
    EditCommands edit{*this, tree, list};
    fw::CommandTable commands;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND top_ = nullptr;    // shared by every host of the run
    HWND panel_ = nullptr;  // this host's child holding the views
};

void Pump(DWORD ms);

// Answers every message box of this process with the button `answer`
// returns, from its own thread, and records their texts and captions.
class BoxAnswerer {
public:
    struct Box {
        std::string caption, text;
        UINT icon = 0;
    };
    explicit BoxAnswerer(std::function<int(const Box&)> answer);
    explicit BoxAnswerer(int button) : BoxAnswerer([button](const Box&) { return button; }) {}
    ~BoxAnswerer();
    std::vector<Box> Boxes();

private:
    std::function<int(const Box&)> answer_;
    std::atomic<bool> stop_{false};
    CRITICAL_SECTION lock_;
    std::vector<Box> boxes_;
    std::thread thread_;
};

std::string ClipboardText();
void PutClipboardText(const std::string& text);

// Files of a scratch folder of this run (Windows paths).
std::string ScratchPath(const std::string& name);
std::string ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace edittest
