#pragma once
// The main frame: the one document window of the process. It owns the
// document, the menu bar, toolbar, rebar and status bar, and the splitter
// with the key tree on the left and the value list on the right. Every
// command arrives here as WM_COMMAND and is routed by its number.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/Splitter.h"
#include "framework/Window.h"
#include "shell/Settings.h"
#include "views/EditCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

class MainFrame : public fw::Window, public fw::MessageFilter, public fw::IdleHandler {
public:
    static constexpr const char* kClassName = "QuillonFrame";
    using CommandHandler = std::function<void(int id)>;

    MainFrame() = default;
    ~MainFrame() override;

    // Creates the frame at the default position and size; registers its
    // message filter and idle handler with `loop` (not owned).
    bool Create(fw::MessageLoop* loop);

    // Start-up: opens the file named on the command line, or starts an
    // untitled document when it names none.
    void OpenFromCommandLine(const char* commandLine);
    // Opens a file in place of the document; false (after the read-error
    // box) when it cannot be read. `title` is the file name part.
    bool OpenFile(const char* path, const char* title);

    RegDocument& Document() { return document_; }
    KeyTreeView& Tree() { return keyTree_; }
    ValueListView& List() { return valueList_; }
    // What the views need of the frame; also for the rooms that act on the views.
    ViewHost& Views() { return viewHost_; }
    // New key and values, delete, rename, modify, paste of values.
    EditCommands& Edit() { return editCommands_; }
    // Context menu choices of the tree (with their target item) and of the
    // list (with the row under the pointer) that the views do not run themselves.
    void SetKeyCommandHandler(std::function<void(int id, HTREEITEM target)> handler) {
        keyCommands_ = std::move(handler);
    }
    void SetValueCommandHandler(std::function<void(int id, int row)> handler) {
        valueCommands_ = std::move(handler);
    }
    HWND HostWindow() { return hwnd_; }
    HWND KeyTree() const { return tree_; }
    HWND ValueList() const { return list_; }
    HWND StatusBar() const { return statusBar_; }
    HWND Toolbar() const { return toolbar_; }
    fw::Splitter& Splitter() { return splitter_; }
    // The status bar's text in its normal (not simple) mode.
    void SetStatusText(const char* text);

    // Routing: `handler` runs for WM_COMMAND `id`. A routed command without a
    // handler has not been built yet and stays disabled.
    void SetCommandHandler(int id, CommandHandler handler);
    bool HasCommandHandler(int id) const { return handlers_.count(id) != 0; }
    // Runs the state updaters of the rooms, then the frame's own states.
    void UpdateCommandStates();
    // `updater` sets the states of its room's commands; it runs first in
    // every UpdateCommandStates.
    void AddStateUpdater(std::function<void(fw::CommandStates&)> updater);
    fw::CommandStates& CommandStates() { return states_; }
    bool IsCommandEnabled(int id) const { return states_.IsEnabled(id); }

    // Caption from string 138: title, "*" when modified, program name.
    void UpdateTitle();
    // New (57600): an empty untitled document, after the save-changes question.
    bool NewDocument();

    // Shows a popup at a screen point with the command states and toolbar
    // images applied; returns the chosen command without sending it, or 0.
    int TrackPopup(HMENU popup, POINT screen);

    // Favorites commands (1000 and up) taken by the message filter.
    void SetFavoritesHandler(std::function<void(int id)> handler) { favorites_ = std::move(handler); }
    // Runs each time a popup of the menu bar is about to open.
    void SetPopupHandler(std::function<void(HMENU popup)> handler) { popup_ = std::move(handler); }

    // The find state: the last search text and the find flags.
    std::string& FindText() { return findText_; }
    DWORD& FindFlags() { return findFlags_; }

    bool PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnCreate();
    void OnDestroy();
    void OnClose();
    void OnSize();
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(NMHDR* header);
    void OnContextMenu(HWND target, POINT screen);
    void OnInitMenuPopup(HMENU popup, bool systemMenu);
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);

    bool CreateToolbar();
    bool CreateRebar();
    bool CreateStatusBar();
    bool CreatePanes();
    // The two panes; the views replace these plain controls.
    bool CreateKeyTree();
    bool CreateValueList();
    void RegisterFrameCommands();
    void RegisterEditAndSaveCommands();
    void AddMenuImages(HMENU menu);
    void Layout();

    bool AskSaveChanges();
    bool IsEditingLabel() const;
    void ToggleToolbar();
    void ToggleStatusBar();
    void ViewSource();

    // The views' window services, forwarded to the frame.
    class ViewServices : public ViewHost {
    public:
        explicit ViewServices(MainFrame& frame) : frame_(frame) {}
        HWND HostWindow() override { return frame_.hwnd_; }
        RegDocument& Document() override { return frame_.document_; }
        HWND StatusBar() override { return frame_.statusBar_; }
        void UpdateCommandStates() override { frame_.UpdateCommandStates(); }
        void UpdateTitle() override { frame_.UpdateTitle(); }
        bool IsCommandEnabled(int id) override { return frame_.IsCommandEnabled(id); }
        int TrackPopup(HMENU popup, POINT screen) override { return frame_.TrackPopup(popup, screen); }
        void RunKeyCommand(int id, HTREEITEM target) override {
            if (frame_.keyCommands_) frame_.keyCommands_(id, target);
        }
        void RunValueCommand(int id, int row) override {
            if (frame_.valueCommands_) frame_.valueCommands_(id, row);
        }
        bool ReadColumnWidths(size_t columns, std::vector<uint16_t>& widths) override {
            return shell::ReadListHeader(columns, widths);
        }
        void StoreColumnWidths(const std::vector<uint16_t>& widths) override { shell::WriteListHeader(widths); }

    private:
        MainFrame& frame_;  // not owned
    };

    RegDocument document_;
    ViewServices viewHost_{*this};
    ValueListView valueList_;
    KeyTreeView keyTree_;
    EditCommands editCommands_{viewHost_, keyTree_, valueList_};
    std::function<void(int, HTREEITEM)> keyCommands_;
    std::function<void(int, int)> valueCommands_;
    fw::MessageLoop* loop_ = nullptr;  // not owned
    fw::CommandStates states_;
    std::map<int, CommandHandler> handlers_;
    std::vector<std::function<void(fw::CommandStates&)>> stateUpdaters_;
    std::function<void(int)> favorites_;
    std::function<void(HMENU)> popup_;

    HACCEL accelerators_ = nullptr;  // resource: freed with the module
    HWND rebar_ = nullptr;           // child windows: destroyed with the frame
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND tree_ = nullptr;
    HWND list_ = nullptr;
    HWND lastFocus_ = nullptr;
    fw::Splitter splitter_;
    fw::UniqueImageList toolbarImages_;
    std::vector<int> toolbarCommands_;  // image i belongs to toolbarCommands_[i]
    std::vector<fw::UniqueBitmap> menuBitmaps_;
    std::map<int, HBITMAP> menuBitmapOf_;  // command -> one of menuBitmaps_

    bool toolbarVisible_ = true;
    std::string findText_;
    DWORD findFlags_ = 1;
};
