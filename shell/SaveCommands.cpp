#include "shell/SaveCommands.h"

#include <commdlg.h>

#include <cstring>

#include "document/RegWriter.h"
#include "document/Utf8.h"
#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/ProgressDialog.h"
#include "framework/Strings.h"

namespace {

// The save-as failure text carries no file name.
constexpr char kSaveAsError[] = "Error writing file!\n";

// The temporary file is moved over the target, which the system allows
// even when the target is read-only (Wine does); the user marked it so
// to keep it as it is.
bool WriteRegFile(RegDocument& document, const char* path, bool unicode, RegDialect dialect) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    return SaveTo(document, path, unicode, dialect);
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

void ShowWriteError(HWND owner, const RegDocument& document) {
    std::string text = fw::FormatText(IDS_WRITE_ERROR, document.title.c_str());
    MessageBoxA(owner, text.c_str(), "", MB_OK);
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

bool RunSaveWorker(HWND window, RegDocument& document, const char* path, bool unicode, RegDialect dialect) {
    ProgressDialog dialog;
    std::string text = fw::LoadText(IDS_SAVE_PROGRESS);
    dialog.SetTexts(text.c_str(), text.c_str());
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    std::string target = path;
    // Abort only closes the dialog: a save always runs to its end, since a
    // half-written file would be worse than waiting.
    bool ok = fw::RunWorker(window, dialog, document.abort,
                            [&] { return WriteRegFile(document, target.c_str(), unicode, dialect); });
    document.owner = previousOwner;
    return ok;
}

bool SaveAs(RegDocument& document, HWND owner) {
    std::string path = document.path;
    std::string title;
    SaveFormat format;
    if (!ShowSaveRegDialog(owner, nullptr, document.dialect, path, title, format)) return false;
    if (!ConfirmLegacySave(owner, document, path.c_str(), format.unicode, format.dialect)) return false;
    bool ok;
    {
        WaitCursor wait;
        ok = RunSaveWorker(owner, document, path.c_str(), format.unicode, format.dialect);
    }
    if (!ok) {
        MessageBoxA(owner, kSaveAsError, "", MB_OK);
        return false;
    }
    document.SetFileName(path.c_str(), title.c_str());
    document.unicode = format.unicode;
    document.dialect = format.dialect;
    return true;
}

bool SaveDocument(RegDocument& document, HWND owner) {
    if (document.path.empty()) return SaveAs(document, owner);
    if (!ConfirmLegacySave(owner, document, document.path.c_str(), document.unicode, document.dialect)) return false;
    bool ok;
    {
        WaitCursor wait;
        ok = WriteRegFile(document, document.path.c_str(), document.unicode, document.dialect);
    }
    if (!ok) {
        ShowWriteError(owner, document);
        return false;
    }
    document.modified = false;
    return true;
}

bool QuerySave(RegDocument& document, HWND owner) {
    if (!document.modified) return true;
    std::string text = fw::FormatText(IDS_SAVE_CHANGES, document.title.c_str());
    int answer = MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer == IDNO) return true;
    if (answer != IDYES) return false;
    if (document.path.empty()) return SaveAs(document, owner);
    if (!ConfirmLegacySave(owner, document, document.path.c_str(), document.unicode, document.dialect)) return false;
    if (!RunSaveWorker(owner, document, document.path.c_str(), document.unicode, document.dialect)) {
        // Going on would drop the changes the user just asked to keep.
        ShowWriteError(owner, document);
        return false;
    }
    // The file now holds the changes, also for a caller that keeps the document.
    document.modified = false;
    return true;
}
