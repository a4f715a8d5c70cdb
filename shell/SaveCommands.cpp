#include "shell/SaveCommands.h"

#include <commdlg.h>

#include <cstring>

#include "document/DocumentEdits.h"
#include "document/RegWriter.h"
#include "document/Utf8.h"
#include "resources/resource.h"
#include "shell/DiskChanges.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/ProgressDialog.h"
#include "framework/Strings.h"

namespace {

// A target the program does not write: a folder, or a file marked read-only.
// The temporary file is moved over the target, which the system allows even
// when the target is read-only (Wine does; Windows refuses the move with
// ERROR_ACCESS_DENIED); the user marked it so to keep it as it is, on either
// system. True when refused; failure says why.
bool RefusesTarget(const char* path, WriteFailure& failure) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // What the system says when a folder is opened for writing.
        failure.systemError = ERROR_ACCESS_DENIED;
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        failure.readOnly = true;
        return true;
    }
    return false;
}

bool WriteRegFile(RegDocument& document, const char* path, bool unicode, RegDialect dialect, WriteFailure& failure) {
    failure = WriteFailure();
    if (RefusesTarget(path, failure)) return false;
    return SaveTo(document, path, unicode, dialect, &failure.systemError);
}

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}
    ~WaitCursor() { SetCursor(old_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR old_;
};

// Before a save that writes legacy text (a single-byte file, or the
// character data of a UTF-16 "REGEDIT4" file): the characters the legacy
// code page lacks are named, and the user decides whether they go as
// question marks. True when the save may go on.
bool ConfirmLegacySave(HWND owner, RegDocument& document, const char* path, bool unicode, RegDialect dialect) {
    if (unicode && dialect == kRegedit5) return true;
    // A dry run of the save: as long as the save itself, so it runs behind
    // the same progress dialog.
    LostCharacters lost;
    ProgressDialog dialog;
    std::string caption = fw::LoadText(IDS_SAVE_PROGRESS);
    dialog.SetTexts(caption.c_str(), caption.c_str());
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    fw::RunWorker(owner, dialog, document.abort, [&] {
        lost = FindLostCharacters(document, dialect, unicode);
        return true;
    });
    document.owner = previousOwner;
    if (!lost.Any()) return true;
    std::string list;
    for (char32_t c : lost.chars) {
        if (!list.empty()) list += ' ';
        list += CharacterText(c);
    }
    if (lost.more) list += " ...";
    std::string text = fw::FormatText(IDS_LOSSY_CONVERSION, path, list.c_str());
    return MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(),
                       MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
}

// The failure box of a save: its first line, why, and the offer to save
// under another name; true when the user takes it.
bool OfferSaveAsAfterFailure(HWND owner, const std::string& firstLine, const WriteFailure& failure) {
    std::string text = firstLine + "\n\n" + WriteFailureReason(failure) + "\n\n" + fw::LoadText(IDS_SAVE_AS_OFFER);
    return MessageBoxA(owner, text.c_str(), "", MB_YESNO | MB_ICONERROR) == IDYES;
}

// Whether two paths name the same file as the file system compares names.
bool SamePath(const std::string& a, const std::string& b) {
    return !a.empty() && !b.empty() && lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A save to the document's own file in its own format, shared by Save and
// the save-changes question (which shows the save's progress). A failure
// says why and offers save as; true when the document was saved, in place
// or under the name chosen then.
bool SaveInPlace(RegDocument& document, HWND owner, bool showProgress) {
    const char* path = document.path.c_str();
    if (!ConfirmLegacySave(owner, document, path, document.unicode, document.dialect)) return false;
    // Just before the write: the legacy question may have taken its time.
    if (!ConfirmOverwriteChanged(document, owner, path)) return false;
    WriteFailure failure;
    bool ok;
    if (showProgress) {
        ok = RunSaveWorker(owner, document, path, document.unicode, document.dialect, &failure);
    } else {
        WaitCursor wait;
        ok = WriteRegFile(document, path, document.unicode, document.dialect, failure);
    }
    if (!ok) {
        std::string firstLine = fw::FormatText(IDS_WRITE_ERROR, document.title.c_str());
        return OfferSaveAsAfterFailure(owner, firstLine, failure) && SaveAs(document, owner);
    }
    document.edits->MarkSaved();
    NoteSaved(document);
    return true;
}

}  // namespace

SaveFormat FormatOfFilter(int filterIndex, bool ntFamily) {
    if (!ntFamily || filterIndex == 2) return {false, kRegedit4};
    return {true, kRegedit5};
}

int FilterOfDialect(RegDialect dialect) { return dialect == kRegedit4 ? 2 : 1; }

bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

bool ShowSaveRegDialog(HWND owner, const char* caption, RegDialect dialect, std::string& path,
                       std::string& title, SaveFormat& format) {
    std::string filter = fw::LoadFilter(IDS_FILTER_SAVE);
    char file[kPathBytes] = "";
    lstrcpynA(file, path.c_str(), sizeof file);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterOfDialect(dialect));
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = caption;
    ofn.lpstrDefExt = "REG";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetSaveFileNameA(&ofn)) return false;
    path = file;
    title = file + (ofn.nFileOffset < strlen(file) ? ofn.nFileOffset : 0);
    format = FormatOfFilter(static_cast<int>(ofn.nFilterIndex), IsNtFamily());
    return true;
}

std::string WriteFailureReason(const WriteFailure& failure) {
    if (failure.readOnly) return fw::LoadText(IDS_REASON_READ_ONLY);
    std::string system = fw::SystemMessage(failure.systemError);
    return system.empty() ? fw::LoadText(IDS_REASON_WRITE) : system;
}

bool WriteBranchRegFile(RegDocument& document, const KeyNode* key, const char* path, bool unicode, RegDialect dialect,
                        WriteFailure& failure) {
    failure = WriteFailure();
    if (RefusesTarget(path, failure)) return false;
    return WriteBranchFile(document, key, path, unicode, dialect, &failure.systemError);
}

void ShowExportError(HWND owner, const char* path, const WriteFailure& failure) {
    std::string text = fw::FormatText(IDS_EXPORT_ERROR, path) + "\n\n" + WriteFailureReason(failure);
    MessageBoxA(owner, text.c_str(), "", MB_OK | MB_ICONERROR);
}

bool RunSaveWorker(HWND window, RegDocument& document, const char* path, bool unicode, RegDialect dialect,
                   WriteFailure* failure) {
    ProgressDialog dialog;
    std::string text = fw::LoadText(IDS_SAVE_PROGRESS);
    dialog.SetTexts(text.c_str(), text.c_str());
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    std::string target = path;
    WriteFailure workerFailure;
    // Abort only closes the dialog: a save always runs to its end, since a
    // half-written file would be worse than waiting.
    bool ok = fw::RunWorker(window, dialog, document.abort,
                            [&] { return WriteRegFile(document, target.c_str(), unicode, dialect, workerFailure); });
    document.owner = previousOwner;
    if (failure) *failure = workerFailure;
    return ok;
}

bool SaveAs(RegDocument& document, HWND owner) {
    // A failed write offers the dialog again, for another name or folder.
    for (;;) {
        std::string path = document.path;
        std::string title;
        SaveFormat format;
        if (!ShowSaveRegDialog(owner, nullptr, document.dialect, path, title, format)) return false;
        if (!ConfirmLegacySave(owner, document, path.c_str(), format.unicode, format.dialect)) return false;
        // The dialog's own prompt says only that a file is there; over the
        // document's own file, whether another program changed it since.
        bool ownFile = SamePath(path, document.path);
        if (ownFile && !ConfirmOverwriteChanged(document, owner, path.c_str())) return false;
        WriteFailure failure;
        bool ok;
        {
            WaitCursor wait;
            ok = RunSaveWorker(owner, document, path.c_str(), format.unicode, format.dialect, &failure);
        }
        if (ok) {
            document.SetFileName(path.c_str(), title.c_str());
            document.unicode = format.unicode;
            document.dialect = format.dialect;
            NoteSaved(document);
            return true;
        }
        if (!OfferSaveAsAfterFailure(owner, fw::FormatText(IDS_SAVE_AS_ERROR, path.c_str()), failure)) return false;
    }
}

bool SaveDocument(RegDocument& document, HWND owner) {
    if (document.path.empty()) return SaveAs(document, owner);
    return SaveInPlace(document, owner, false);
}

bool QuerySave(RegDocument& document, HWND owner) {
    if (!document.modified) return true;
    std::string text = fw::FormatText(IDS_SAVE_CHANGES, document.title.c_str());
    int answer = MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer == IDNO) return true;
    if (answer != IDYES) return false;
    if (document.path.empty()) return SaveAs(document, owner);
    // Going on after a failed save would drop the changes the user just
    // asked to keep: the caller goes on only once they are written.
    return SaveInPlace(document, owner, true);
}
