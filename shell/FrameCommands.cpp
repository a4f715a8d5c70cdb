// The window's command table and the frame's own commands: which room runs
// each command, and File, View and Exit, which the frame runs itself.
#include "shell/MainFrame.h"

#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/SaveCommands.h"

namespace {

// The frame's own commands.
constexpr int kFrameCommands[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_IMPORT, ID_APP_EXIT,
    ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_SOURCE,
};

// Commands of the menus, toolbar and context menus whose rooms are not built
// yet: they are in the table, and disabled.
constexpr int kCommandsToCome[] = {
    ID_FILE_EXPORT, ID_REGISTRY_MERGE_FILE, ID_REGISTRY_MERGE, ID_REGISTRY_IMPORT_FILE,
    ID_REGISTRY_IMPORT, ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE,
    ID_QUICK_REGEDIT, ID_FAVORITES_ADD, ID_FAVORITES_REMOVE, ID_HELP_TIPS, ID_HELP_WEB,
    ID_HELP_CONTENTS, ID_APP_ABOUT,
};

}  // namespace

void MainFrame::BuildCommandTable() {
    commands_.Add(this, kFrameCommands, std::size(kFrameCommands));
    commands_.Add(&editCommands_, EditCommands::kCommands, EditCommands::kCommandCount);
    commands_.Add(&keyTree_, {ID_TREE_EXPAND});
    commands_.Add(&findCommands_, {ID_EDIT_FIND, ID_EDIT_FIND_NEXT});
    commands_.Add(nullptr, kCommandsToCome, std::size(kCommandsToCome));
}

void MainFrame::Execute(int id, HWND source) {
    if (!commands_.Route(id, source)) return;
    RefreshStates();
    RefreshCaption();
}

void MainFrame::OnCommand(int id) {
    switch (id) {
    case ID_FILE_NEW:
        NewDocument();
        break;
    case ID_FILE_OPEN:
        OpenWithDialog();
        break;
    case ID_FILE_SAVE:
        SaveDocument(document_, hwnd_);
        break;
    case ID_FILE_SAVE_AS:
        SaveAs(document_, hwnd_);
        break;
    case ID_FILE_IMPORT:
        ImportWithDialog();
        break;
    case ID_APP_EXIT:
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        break;
    case ID_VIEW_TOOLBAR:
        ToggleToolbar();
        break;
    case ID_VIEW_STATUS_BAR:
        ToggleStatusBar();
        break;
    case ID_VIEW_SOURCE:
        ViewSource();
        break;
    default:
        break;
    }
}

void MainFrame::UpdateState(int id, fw::CommandStates& states) {
    UINT command = static_cast<UINT>(id);
    switch (id) {
    case ID_FILE_SAVE:
        states.Enable(command, document_.modified);
        break;
    case ID_VIEW_TOOLBAR:
        states.Check(command, toolbarVisible_);
        break;
    case ID_VIEW_STATUS_BAR:
        states.Check(command, statusBar_ && (GetWindowLongA(statusBar_, GWL_STYLE) & WS_VISIBLE));
        break;
    default:
        states.Enable(command, true);
        break;
    }
}

void MainFrame::OpenWithDialog() {
    char path[kPathBytes], title[kPathBytes];
    if (!ShowOpenDialog(GetActiveWindow(), path, title)) return;
    if (!AskSaveChanges()) return;
    OpenFile(path, title);
}

void MainFrame::ImportWithDialog() {
    char path[kPathBytes];
    if (!ShowImportDialog(GetActiveWindow(), path)) return;
    if (!AskSaveChanges()) return;
    ImportRegFile(hwnd_, document_, keyTree_, path);
}

void MainFrame::ViewSource() {
    std::string command = "notepad.exe";
    if (!document_.path.empty()) command += " \"" + document_.path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}
