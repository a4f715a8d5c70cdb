#pragma once
// Writing the document to disk: save as with the choice of dialect and
// encoding, save, the save-changes question, and the worker that runs a save
// behind the progress dialog.

#include <windows.h>

#include <cstdint>
#include <string>

#include "document/RegDocument.h"

struct SaveFormat {
    bool unicode = true;
    RegDialect dialect = kRegedit5;
};

// The format of a save dialog's filter (1-based index into filter 133): the
// second filter is REGEDIT4 single-byte, any other UTF-16 dialect 5; a system
// outside the NT family always gets REGEDIT4.
SaveFormat FormatOfFilter(int filterIndex, bool ntFamily);
// The filter a save dialog starts on for a document of this dialect.
int FilterOfDialect(RegDialect dialect);
bool IsNtFamily();

// The system's save dialog with filter 133. `path` is the starting file name
// and, on OK, the chosen full path; `title` gets its file name part. `caption`
// may be null for the system's own.
bool ShowSaveRegDialog(HWND owner, const char* caption, RegDialect dialect, std::string& path,
                       std::string& title, SaveFormat& format);

// Why a write failed: the target is marked read-only (the program refuses
// those), else the system's code for the file operation that failed, 0 when
// the failure was none of the file's.
struct WriteFailure {
    bool readOnly = false;
    uint32_t systemError = 0;
};
// The reason line of a failure box.
std::string WriteFailureReason(const WriteFailure& failure);

// SaveTo on a worker thread behind the progress dialog ("Save File").
// False when the file could not be written (failure, may be null, says why)
// or the thread not started.
bool RunSaveWorker(HWND window, RegDocument& document, const char* path, bool unicode, RegDialect dialect,
                   WriteFailure* failure = nullptr);
// WriteBranchFile, refusing the targets a save refuses.
bool WriteBranchRegFile(RegDocument& document, const KeyNode* key, const char* path, bool unicode, RegDialect dialect,
                        WriteFailure& failure);
// The failed export's box: string IDS_EXPORT_ERROR with the path, and why.
void ShowExportError(HWND owner, const char* path, const WriteFailure& failure);

// Save as: on success the document takes the path, title and format and its
// modified flag is cleared. A cancelled dialog fails silently; a failed write
// says why, leaves the document's name and settings and offers the dialog
// again. Over the document's own file changed by another program it asks
// first.
bool SaveAs(RegDocument& document, HWND owner);

// The save command (57603): save as for an untitled document, else a save in
// place in the document's own format, which asks first over a file another
// program changed, and on failure says why and offers save as. The caller
// refreshes the command states and the caption, and adds the path to the
// recent list on success.
bool SaveDocument(RegDocument& document, HWND owner);

// The save-changes question before the document is replaced or closed; its
// Yes saves as SaveDocument does. Returns whether the caller may go on: not
// after a save that wrote nothing.
bool QuerySave(RegDocument& document, HWND owner);
