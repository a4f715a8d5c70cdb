#pragma once
// The main frame: the one document window of the process. It owns the
// document, the menu bar, toolbar, rebar and status bar, and the splitter
// with the key tree on the left and the value list on the right. Every
// command, from menus, accelerators, the toolbar, context menus and
// double-clicks, runs through its one command table.

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "document/RegDocument.h"
#include "editors/ValueEditors.h"
#include "framework/CommandBar.h"
#include "framework/CommandStates.h"
#include "framework/CommandTable.h"
#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/Splitter.h"
#include "framework/Window.h"
#include "check/CheckCommands.h"
#include "find/FindCommands.h"
#include "shell/HelpCommands.h"
#include "shell/RecentDocumentList.h"
#include "regedit/EditorCommands.h"
#include "regedit/RegistryCommands.h"
#include "shell/Settings.h"
#include "transfer/TransferCommands.h"
#include "views/AddressBar.h"
#include "views/EditCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

class MainFrame : public fw::Window,
                  public fw::MessageFilter,
                  public fw::IdleHandler,
                  public fw::CommandTarget,
                  public check::CheckHost {
public:
    static constexpr const char* kClassName = "QuillonFrame";

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

    // Runs a command through the table, then brings the command states and
    // the caption up to date. `source`: the view whose context menu chose it,
    // or null for the pane with the focus.
    void Execute(int id, HWND source);
    // The menu bar's menu, which the command bar shows.
    HMENU MenuBar() const { return commandBar_.Menu(); }
    // Whether a room runs the command (commands to come are in the table, disabled).
    bool IsCommandBuilt(int id) const { return commands_.IsBuilt(id); }
    void RefreshStates();

    // Caption from string 138: title, "*" when modified, program name.
    void RefreshCaption();
    // New (57600): an empty untitled document, after the save-changes question.
    bool NewDocument();
    // The export dialog's question whether a key path is in the document:
    // 0 when it is; otherwise string 155 and 1.
    LRESULT CheckExportBranch(const char* path);

    // Shows a popup at a screen point with the command states and toolbar
    // images applied; returns the chosen command without sending it, or 0.
    int ShowPopup(HMENU popup, POINT screen);

    bool PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;
    // What Check File needs of the window.
    HWND HostWindow() const override { return hwnd_; }
    RegDocument& Document() override { return document_; }
    void ShowKeyAndValue(const std::string& keyPath, const std::string* value) override;
    // The frame's own commands: File, View and Exit.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // HandleMessage counts the handlers running around this one.
    LRESULT HandleFrameMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnDestroy();
    void OnClose();
    void OnSize();
    void CyclePaneFocus(bool backward);
    // The frame moved to a monitor of another scale: it takes the rectangle
    // the system suggests and scales what it sizes itself.
    void OnDpiChanged(int dpi, const RECT& suggested);
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
    void BuildCommandTable();
    void OpenWithDialog();
    void ImportWithDialog();
    void ExportWithDialog();
    void SaveWithRecent(int id);
    // Recent files (57616 to 57631): opens the entry, dropping it when it
    // cannot be read.
    void OpenRecent(int id);
    void AddRecent(const char* path);
    void AddMenuImages(HMENU menu);
    void Layout();

    // On activation: the file changed by another program is offered for
    // reload (posted from WM_ACTIVATE, asked once the activation is over).
    void PostFileCheck();
    void CheckFileOnDisk();
    // Loads the document's file again in place of the document.
    void ReloadFile();

    bool AskSaveChanges();
    // The save-changes question; when it stops the caller, save as instead.
    bool AskSaveChangesOrSaveAs();
    bool IsEditingLabel() const;
    void ToggleToolbar();
    void ToggleStatusBar();
    void ToggleAddressBar();
    void ShowStatusBarMenu(POINT screen);
    void OpenAsUntitled(const char* path);
    void ScaleToolbarImages(int dpi);
    void RescaleToolbar(int dpi);
    bool CreateAddressBand();
    void ShowBand(int id, bool shown);
    bool IsTextEditingKey(const MSG& msg) const;
    void ViewSource();
    void CompareWithFile();

    // The views' requests (ViewHost::RequestMessage).
    LRESULT AnswerViews(WPARAM request, LPARAM data);

    RegDocument document_;
    ViewHost viewHost_;  // filled in when the window is created
    ValueListView valueList_;
    KeyTreeView keyTree_;
    AddressBar addressBar_;
    EditCommands editCommands_{viewHost_, keyTree_, valueList_};
    find::FindCommands findCommands_{viewHost_, keyTree_, valueList_};
    HelpCommands helpCommands_{&hwnd_};
    RecentDocumentList recentDocuments_;
    transfer::TransferCommands transferCommands_{viewHost_, keyTree_, valueList_, editCommands_};
    regedit::RegistryCommands registryCommands_{viewHost_, keyTree_, valueList_};
    regedit::EditorCommands editorCommands_{viewHost_, keyTree_};
    check::CheckCommands checkCommands_{*this};
    fw::MessageLoop* loop_ = nullptr;  // not owned
    fw::CommandTable commands_;
    fw::CommandStates states_;

    HACCEL accelerators_ = nullptr;  // resource: freed with the module
    fw::CommandBar commandBar_;
    HWND rebar_ = nullptr;           // child windows: destroyed with the frame
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND tree_ = nullptr;
    HWND list_ = nullptr;
    HWND lastFocus_ = nullptr;
    fw::Splitter splitter_;
    fw::UniqueImageList toolbarImages_;
    SIZE toolbarImageSize_{16, 16};  // of one picture in the strip, at 96 DPI
    std::vector<int> toolbarCommands_;  // image i belongs to toolbarCommands_[i]
    std::vector<fw::UniqueBitmap> menuBitmaps_;
    std::map<int, HBITMAP> menuBitmapOf_;  // command -> one of menuBitmaps_

    bool toolbarVisible_ = true;
    bool addressBarVisible_ = true;
    bool fileCheckPosted_ = false;
    bool fileCheckDue_ = false;  // asked for inside a handler: runs after it
    int dpi_ = 96;               // of the monitor the frame is on
    int handlerDepth_ = 0;       // the frame's handlers running, nested
};
