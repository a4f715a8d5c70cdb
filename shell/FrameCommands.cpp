// The window's command table and the frame's own commands: which room runs
// each command, and File, View and Exit, which the frame runs itself.
#include "shell/MainFrame.h"

#include "document/RegCompare.h"
#include "document/RegWriter.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "shell/ExportDialog.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/ProgressDialog.h"
#include "shell/SaveCommands.h"

namespace {

// The frame's own commands.
constexpr int kFrameCommands[] = {
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_IMPORT, ID_FILE_EXPORT, ID_FILE_COMPARE, ID_APP_EXIT,
    ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_ADDRESS_BAR, ID_VIEW_SOURCE,
};

}  // namespace

void MainFrame::BuildCommandTable() {
    commands_.Add(this, kFrameCommands, std::size(kFrameCommands));
    commands_.Add(&editCommands_, EditCommands::kCommands, EditCommands::kCommandCount);
    commands_.Add(&keyTree_, {ID_TREE_EXPAND});
    commands_.Add(&addressBar_, {ID_VIEW_GO_TO_ADDRESS});
    commands_.Add(&findCommands_, {ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_FIND_ALL});
    commands_.Add(&helpCommands_, HelpCommands::kCommands, HelpCommands::kCommandCount);
    for (int id = RecentDocumentList::kFirstCommand; id <= RecentDocumentList::kLastCommand; ++id)
        commands_.Add(this, {id});
    commands_.Add(&transferCommands_, {ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE});
    commands_.Add(&registryCommands_, regedit::RegistryCommands::kCommands,
                  std::size(regedit::RegistryCommands::kCommands));
    commands_.Add(&editorCommands_, regedit::EditorCommands::kCommands, std::size(regedit::EditorCommands::kCommands));
    commands_.Add(&checkCommands_, check::CheckCommands::kCommands, std::size(check::CheckCommands::kCommands));
}

void MainFrame::Execute(int id, HWND source) {
    if (!commands_.Route(id, source)) return;
    RefreshStates();
    RefreshCaption();
}

void MainFrame::OnCommand(int id) {
    if (id >= RecentDocumentList::kFirstCommand && id <= RecentDocumentList::kLastCommand) {
        OpenRecent(id);
        return;
    }
    switch (id) {
    case ID_FILE_NEW:
        NewDocument();
        break;
    case ID_FILE_OPEN:
        OpenWithDialog();
        break;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
        SaveWithRecent(id);
        break;
    case ID_FILE_IMPORT:
        ImportWithDialog();
        break;
    case ID_FILE_EXPORT:
        ExportWithDialog();
        break;
    case ID_FILE_COMPARE:
        CompareWithFile();
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
    case ID_VIEW_ADDRESS_BAR:
        ToggleAddressBar();
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
    if (id >= RecentDocumentList::kFirstCommand && id <= RecentDocumentList::kLastCommand) {
        std::string path;
        states.Enable(command, recentDocuments_.GetEntry(id, path));
        return;
    }
    switch (id) {
    case ID_FILE_SAVE:
        states.Enable(command, document_.modified);
        break;
    case ID_FILE_EXPORT:
        states.Enable(command, !document_.roots.empty());
        break;
    case ID_VIEW_TOOLBAR:
        states.Check(command, toolbarVisible_);
        break;
    case ID_VIEW_STATUS_BAR:
        states.Check(command, statusBar_ && (GetWindowLongA(statusBar_, GWL_STYLE) & WS_VISIBLE));
        break;
    case ID_VIEW_ADDRESS_BAR:
        states.Check(command, addressBarVisible_);
        break;
    default:
        states.Enable(command, true);
        break;
    }
}

bool MainFrame::AskSaveChangesOrSaveAs() {
    if (AskSaveChanges()) return true;
    bool saved = SaveAs(document_, hwnd_);
    RefreshStates();
    RefreshCaption();
    return saved;
}

void MainFrame::AddRecent(const char* path) {
    recentDocuments_.AddEntry(path);
    recentDocuments_.WriteList(shell::kSettingsKey);
}

void MainFrame::OpenWithDialog() {
    char path[kPathBytes], title[kPathBytes];
    if (!ShowOpenDialog(GetActiveWindow(), path, title)) return;
    if (!AskSaveChangesOrSaveAs()) return;
    if (OpenFile(path, title)) AddRecent(path);
}

void MainFrame::OpenRecent(int id) {
    if (!AskSaveChangesOrSaveAs()) return;
    std::string path;
    if (!recentDocuments_.GetEntry(id, path)) {
        MessageBeep(MB_ICONHAND);
        return;
    }
    size_t slash = path.rfind('\\');
    std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
    if (OpenFile(path.c_str(), title.c_str())) recentDocuments_.MoveToTop(id);
    else recentDocuments_.RemoveEntry(id);
    recentDocuments_.WriteList(shell::kSettingsKey);
}

// Import merges into the open document: nothing of it is dropped, so there
// is no save-changes question.
void MainFrame::ImportWithDialog() {
    char path[kPathBytes];
    if (!ShowImportDialog(GetActiveWindow(), path)) return;
    ImportRegFile(hwnd_, document_, keyTree_, path);
}

void MainFrame::SaveWithRecent(int id) {
    bool saved = id == ID_FILE_SAVE ? SaveDocument(document_, hwnd_) : SaveAs(document_, hwnd_);
    if (saved) AddRecent(document_.path.c_str());
}

// Export writes a copy: the document keeps its path, its modified flag and
// its place in the recent list.
void MainFrame::ExportWithDialog() {
    std::string selected;
    if (keyTree_.Selected()) keyTree_.PathOf(nullptr, selected);
    ExportChoice choice;
    if (!ShowExportDialog(GetActiveWindow(), document_.dialect, selected, choice)) return;
    WriteFailure failure;
    if (choice.branchChosen) {
        // The dialog has checked that the branch is in the document.
        const KeyNode* key = keyTree_.FindKeyByPath(choice.branch.c_str());
        if (key && !WriteBranchRegFile(document_, key, choice.path.c_str(), choice.format.unicode,
                                       choice.format.dialect, failure))
            ShowExportError(hwnd_, choice.path.c_str(), failure);
        return;
    }
    if (!RunSaveWorker(hwnd_, document_, choice.path.c_str(), choice.format.unicode, choice.format.dialect, &failure))
        ShowExportError(hwnd_, choice.path.c_str(), failure);
}

LRESULT MainFrame::CheckExportBranch(const char* path) {
    if (path && keyTree_.FindKeyByPath(path)) return 0;
    std::string text = fw::LoadText(IDS_BRANCH_MISSING);
    MessageBoxA(GetActiveWindow(), text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONSTOP);
    return 1;
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

// The difference from this document to a chosen file, on the worker runner;
// it opens in a second process, as any second file does, from a temporary
// file.
void MainFrame::CompareWithFile() {
    char path[kPathBytes] = "", title[kPathBytes] = "";
    if (!ShowOpenDialog(hwnd_, path, title)) return;
    RegDocument other;
    LoadJob job;
    job.path = path;
    if (!RunLoadWorker(hwnd_, other, job)) {
        if (job.error != ReadError::Aborted) ShowReadError(hwnd_, job);
        return;
    }
    other.dialect = job.dialect;
    other.unicode = job.unicode;
    RegDocument result;
    CompareCounts counts;
    CompareEnd end = CompareEnd::Stopped;
    ProgressDialog dialog;
    std::string name = document_.path.empty() ? fw::LoadText(IDS_UNTITLED) : document_.path;
    fw::RunWorker(hwnd_, dialog, other.abort, [&] {
        end = CompareDocuments(document_, other, result, counts, name, path, &other.abort, &dialog);
        return end == CompareEnd::Complete;
    });
    if (end == CompareEnd::Stopped) return;
    std::string caption = fw::LoadText(IDS_APP_NAME);
    if (end == CompareEnd::Complete && counts.Equal()) {
        MessageBoxA(hwnd_, fw::FormatText(IDS_COMPARE_EQUAL, path).c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    char folder[MAX_PATH] = "", file[MAX_PATH] = "";
    bool written = end == CompareEnd::Complete && GetTempPathA(MAX_PATH, folder) &&
                   GetTempFileNameA(folder, "qdf", 0, file) && SaveTo(result, file, result.unicode, result.dialect);
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    // The second window opens the result as a new, untitled document.
    std::string command = std::string("\"") + program + "\" /untitled \"" + file + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!written || !CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        MessageBoxA(hwnd_, fw::FormatText(IDS_COMPARE_FAILED, path).c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
        return;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// A line of Check File's results: its key, its items made on demand, and the
// value of the line in the list.
void MainFrame::ShowKeyAndValue(const std::string& keyPath, const std::string* value) {
    KeyNode* key = keyTree_.FindKeyByPath(keyPath.c_str());
    HTREEITEM item = key ? keyTree_.EnsureItem(key) : nullptr;
    if (!item) return;
    keyTree_.SelectItem(item);
    SetFocus(tree_);
    if (!value) return;
    int rows = ListView_GetItemCount(list_);
    for (int row = 0; row < rows; ++row) {
        const ValueEntry* entry = valueList_.ValueAt(row);
        if (!entry || CompareNoCase(entry->GetName().c_str(), value->c_str()) != 0) continue;
        SetFocus(list_);
        valueList_.DeselectAll();
        valueList_.Select(row);
        ListView_EnsureVisible(list_, row, FALSE);
        return;
    }
}
