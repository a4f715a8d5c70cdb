#include "regedit/RegistryCommands.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "document/ByteSink.h"
#include "document/DocumentEdits.h"
#include "document/Platform.h"
#include "document/RegDocument.h"
#include "document/RegFile.h"
#include "document/RegWriter.h"
#include "framework/CommandStates.h"
#include "framework/Strings.h"
#include "document/DocumentSinks.h"
#include "framework/WorkerRunner.h"
#include "regedit/LiveRegistry.h"
#include "regedit/LiveValues.h"
#include "regedit/MergeBackups.h"
#include "regedit/MergePreview.h"
#include "regedit/MergePreviewDialog.h"
#include "regedit/SystemEditor.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace regedit {

namespace {

// Every system this program runs on is of the NT family, whose editor reads
// the UTF-16 dialect; selected values alone go as "REGEDIT4" text.
constexpr RegDialect kMergeDialect = kRegedit5;
constexpr bool kMergeUnicode = true;

// A temporary file that is deleted when the command is done with it.
class TempFile {
public:
    TempFile() : made_(MakeTempFile(path_)) {}
    ~TempFile() {
        if (made_) DeleteFileA(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    bool Made() const { return made_; }
    const char* Path() const { return path_.c_str(); }

private:
    std::string path_;
    bool made_;
};

// The load's progress dialog with the preview's texts; the preview reports
// to it from the worker.
class PreviewProgress : public fw::ModalWorkerDialog, public ProgressSink {
public:
    PreviewProgress() : ModalWorkerDialog(IDD_PROGRESS) {}
    void SetProgress(int percent) override {
        if (HWND dlg = UpWindow()) PostMessageA(GetDlgItem(dlg, IDC_PROGRESS_BAR), PBM_SETPOS, percent, 0);
    }

protected:
    BOOL OnInitDialog() override {
        SetWindowTextA(hwnd_, fw::LoadText(IDS_APP_NAME).c_str());
        SetDlgItemTextA(hwnd_, IDC_PROGRESS_LABEL, fw::LoadText(IDS_PREVIEW_PROGRESS).c_str());
        SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        return ModalWorkerDialog::OnInitDialog();
    }
};

}  // namespace

RegistryCommands::RegistryCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list)
    : host_(host), tree_(tree), list_(list) {
    UseLiveRegistry();
}

void RegistryCommands::OnCommand(int id) {
    HWND source = host_.CommandSource();
    bool onKey = source && (source == tree_.Hwnd() || IsChild(tree_.Hwnd(), source));
    switch (id) {
    case ID_REGISTRY_MERGE_FILE:
        MergeDocument();
        break;
    case ID_REGISTRY_IMPORT_FILE:
        ImportDocument();
        break;
    case ID_REGISTRY_MERGE:
        if (onKey) MergeBranch();
        else MergeValues();
        break;
    case ID_REGISTRY_IMPORT:
        if (onKey) ImportKey();
        else ImportValues();
        break;
    case ID_REGISTRY_RESTORE:
        RestoreBackup();
        break;
    default:
        break;
    }
}

void RegistryCommands::UpdateState(int id, fw::CommandStates& states) {
    bool enabled = true;
    if (id == ID_REGISTRY_MERGE_FILE || id == ID_REGISTRY_IMPORT_FILE) enabled = !host_.Document().roots.empty();
    states.Enable(static_cast<UINT>(id), enabled);
}

bool RegistryCommands::Ask(const std::string& text, UINT icon) {
    std::string caption = fw::LoadText(IDS_APP_NAME);
    return MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_YESNO | icon) == IDYES;
}

void RegistryCommands::Tell(const std::string& text) {
    std::string caption = fw::LoadText(IDS_APP_NAME);
    MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

void RegistryCommands::TellFailure(UINT id) {
    std::string text = fw::LoadText(id);
    std::string caption = fw::LoadText(IDS_APP_NAME);
    MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

std::string RegistryCommands::Title() const {
    const std::string& title = host_.Document().title;
    return title.empty() ? fw::LoadText(IDS_UNTITLED) : title;
}

bool RegistryCommands::MergeBytes(const char* data, size_t size) {
    TempFile file;
    if (!file.Made()) return false;
    FileSink sink;
    if (!sink.Open(file.Path())) return false;
    bool written = sink.Write(data, size);
    if (!sink.Close() || !written) return false;
    return RunRegEdit(host_.HostWindow(), file.Path(), true);
}

// The whole document, written as a save would write it; the document's own
// file and its modified flag are not touched.
bool RegistryCommands::MergeDocument() {
    RegDocument& document = host_.Document();
    std::vector<const KeyNode*> tops(document.roots.begin(), document.roots.end());
    return MergeSeen(Title(), Title(), tops, [&] {
        TempFile file;
        return file.Made() && SaveTo(document, file.Path(), kMergeUnicode, kMergeDialect) &&
               RunRegEdit(host_.HostWindow(), file.Path(), true);
    });
}

// The selected key with its values and its whole branch.
bool RegistryCommands::MergeBranch() {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    if (!key) return false;
    std::string name = key->name ? key->name : "";
    return MergeSeen(name, Title(), {key}, [&] {
        MemorySink text;
        return WriteHeader(text, kMergeUnicode, kMergeDialect) &&
               WriteKeyTree(key, text, kMergeUnicode, kMergeDialect, nullptr) && WriteEnd(text) &&
               MergeBytes(text.Data(), text.Size());
    });
}

// The selected values of the list, under their key's line. They are gathered
// as "REGEDIT4" text of the program and written in the UTF-16 dialect, as the
// other merges are: the editor reads "REGEDIT4" files in the legacy code page,
// which may lack characters of the values.
bool RegistryCommands::MergeValues() {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    if (!key) return false;
    MemorySink text;
    WriteHeader(text, false, kRegedit4);
    text.Write("[");
    text.Write(key->Path().c_str());
    text.Write("]\r\n");
    int selected = 0;
    for (int row = list_.NextSelected(-1); row >= 0; row = list_.NextSelected(row)) {
        if (const ValueEntry* value = list_.ValueAt(row)) {
            value->Write(text);
            ++selected;
        }
    }
    if (selected == 0 || text.Failed()) return false;
    size_t length = text.Size();
    std::unique_ptr<char[]> buffer = AllocText(length);
    if (buffer) std::memcpy(buffer.get(), text.Data(), length);
    RegDocument values;
    MemorySink wide;
    bool written = false;
    {
        ParseScope scope(values.abort);
        written = buffer && values.ParseText(std::move(buffer), nullptr, length, false, false) &&
                  WriteHeader(wide, kMergeUnicode, kMergeDialect);
    }
    for (const KeyNode* root : values.roots)
        written = written && WriteKeyTree(root, wide, kMergeUnicode, kMergeDialect, nullptr);
    written = written && WriteEnd(wide);
    if (!written) {
        TellFailure(IDS_MERGE_FAILED);
        return false;
    }
    std::vector<const KeyNode*> tops(values.roots.begin(), values.roots.end());
    return MergeSeen("Items", Title(), tops, [&] { return MergeBytes(wide.Data(), wide.Size()); });
}

// Looking costs a read of every key the merge reaches, on the worker runner;
// the document and the keys hold still meanwhile, as the progress dialog
// disables the frame.
bool RegistryCommands::MergeSeen(const std::string& name, const std::string& document,
                                 const std::vector<const KeyNode*>& tops, const std::function<bool()>& merge) {
    HWND owner = host_.HostWindow();
    SystemRegistry live;
    PreviewProgress progress;
    std::atomic<int32_t> stop{1};
    MergePreview preview(live, &stop, &progress);
    if (!fw::RunWorker(owner, progress, stop, [&] { return preview.Run(tops); })) {
        TellFailure(IDS_PREVIEW_STOPPED);
        return false;
    }
    if (preview.ChangesNothing() && preview.Counts().unreadable == 0) {
        Tell(fw::FormatText(IDS_PREVIEW_NOTHING, name.c_str()));
        return false;
    }
    MergePreviewDialog dialog(preview, name);
    if (!dialog.Run(owner)) return false;
    std::string backup;
    DWORD error = 0;
    if (!WriteBackup(preview, document, backup, error)) {
        std::string reason = fw::SystemMessage(error);
        std::string text = fw::FormatText(IDS_BACKUP_FAILED, BackupFolder().c_str(), reason.c_str());
        MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    if (!merge()) {
        DeleteFileA(backup.c_str());
        TellFailure(IDS_MERGE_FAILED);
        return false;
    }
    Tell(fw::FormatText(IDS_BACKUP_DONE, LoadMergeTexts().Done(name).c_str(), backup.c_str()));
    PruneBackups();
    return true;
}

// A backup is a .reg file like any other: read, previewed against the
// registry as it is now, and merged as it lies in the backup folder.
bool RegistryCommands::RestoreBackup() {
    HWND owner = host_.HostWindow();
    BackupsDialog dialog;
    std::string path = dialog.Choose(owner);
    if (path.empty()) return false;
    std::string name = path.substr(path.find_last_of('\\') + 1);
    RegText text;
    ReadError error = ReadError::None;
    RegDocument backup;
    bool read = ReadRegFile(path.c_str(), text, error);
    if (read) {
        ParseScope scope(backup.abort);
        read = static_cast<bool>(backup.ParseText(std::move(text.text), nullptr, text.length, true, false, true));
    }
    if (!read) {
        std::string message = fw::FormatText(IDS_RESTORE_UNREADABLE, path.c_str());
        MessageBoxA(owner, message.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    std::vector<const KeyNode*> tops(backup.roots.begin(), backup.roots.end());
    return MergeSeen(name, name, tops, [&] { return RunRegEdit(owner, path.c_str(), false); });
}

// The editor exports the live branch into a temporary file, which is parsed
// into the document with duplicate checking, so that keys already there take
// the live values as further blocks. A key that does not exist live leaves
// an empty file, which fails the header test: the import fails.
bool RegistryCommands::ImportKeyText(const std::string& keyPath) {
    RegText text;
    {
        TempFile file;
        if (!file.Made() || !ExportFromRegEdit(host_.HostWindow(), file.Path(), keyPath.c_str())) return false;
        HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        ReadError error = ReadError::None;
        bool read = ReadRegFile(file.Path(), text, error);
        SetCursor(previous);
        if (!read) return false;
    }
    RegDocument& document = host_.Document();
    tree_.SetRedraw(false);
    ParseResult parsed;
    {
        ParseScope scope(document.abort);
        parsed = document.ParseText(std::move(text.text), &tree_, text.length, true, false);
    }
    tree_.SetRedraw(true);
    if (!parsed && parsed.keys == 0) return false;
    HTREEITEM selected = tree_.Selected();
    list_.Fill(selected ? tree_.KeyOf(selected) : nullptr);
    if (!parsed) {
        // Memory ran out: the keys that came in stay, as a merge's would.
        TellStoppedMerge(host_.HostWindow(), parsed.end, parsed.keys, keyPath.c_str());
        return false;
    }
    return true;
}

bool RegistryCommands::ImportKey() {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    if (!key) return false;
    std::string path = key->Path();
    std::string title = Title();
    if (!Ask(fw::FormatText(IDS_MERGE_QUESTION, path.c_str(), title.c_str()), MB_ICONEXCLAMATION)) return false;
    // What comes in is one step of the document's history, as far as it came.
    DocumentEdits& edits = *host_.Document().edits;
    edits.BeginMerge();
    bool imported = ImportKeyText(path);
    edits.EndMerge(EditKind::ImportFromRegistry);
    if (imported) Tell(fw::FormatText(IDS_MERGE_DONE, path.c_str(), title.c_str()));
    else TellFailure(IDS_IMPORT_FAILED);
    return imported;
}

// Every leaf key below the top level is exported with its live subkeys.
bool RegistryCommands::ImportDocument() {
    std::string title = Title();
    if (!Ask(fw::FormatText(IDS_IMPORT_QUESTION, title.c_str()), MB_ICONEXCLAMATION)) return false;
    std::vector<std::string> paths;
    tree_.LeafPaths(paths);
    bool imported = !paths.empty();
    DocumentEdits& edits = *host_.Document().edits;
    edits.BeginMerge();
    for (const std::string& path : paths)
        if (!ImportKeyText(path)) imported = false;
    edits.EndMerge(EditKind::ImportFromRegistry);
    if (imported) Tell(fw::FormatText(IDS_IMPORT_DONE, title.c_str()));
    else TellFailure(IDS_IMPORT_FAILED);
    return imported;
}

// The selected values take their live data, each as its kind allows.
bool RegistryCommands::ImportValues() {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    if (!key) return false;
    fw::UniqueKey live;
    if (OpenLiveKey(key->Path().c_str(), KEY_READ, live) != ERROR_SUCCESS) {
        TellFailure(IDS_IMPORT_FAILED);
        return false;
    }
    bool changed = false;
    for (int row = list_.NextSelected(-1); row >= 0; row = list_.NextSelected(row)) {
        ValueEntry* value = list_.ValueAt(row);
        if (!value) continue;
        if (value->ReadFromRegistry(live.Get())) changed = true;
        list_.RefreshRow(row);
    }
    live.Reset();
    if (!changed) return false;
    return list_.StoreValues(EditKind::ImportFromRegistry);
}

}  // namespace regedit
