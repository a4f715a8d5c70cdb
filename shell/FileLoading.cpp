#include "shell/FileLoading.h"

#include <cstring>
#include <string>

#include "document/DocumentEdits.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/ProgressDialog.h"
#include "views/KeyTreeView.h"
#include "views/ViewHost.h"

bool RunLoadWorker(HWND window, RegDocument& document, LoadJob& job) {
    ProgressDialog dialog;
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    bool ok = fw::RunWorker(window, dialog, document.abort, [&] { return document.Load(job); });
    document.owner = previousOwner;
    return ok;
}

void WarnLossyConversion(HWND window, const char* path) {
    std::string text = fw::FormatText(IDS_LOSSY_LOAD, path);
    MessageBoxA(window, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONWARNING);
}

std::string ReadFailureReason(const LoadJob& job) {
    std::string system = fw::SystemMessage(job.systemError);
    switch (job.error) {
    case ReadError::Open:
        return system.empty() ? fw::LoadText(IDS_REASON_OPEN) : system;
    case ReadError::Read:
        return system.empty() ? fw::LoadText(IDS_REASON_READ) : system;
    case ReadError::TooShort:
        return fw::LoadText(IDS_REASON_TOO_SHORT);
    case ReadError::Header:
        return fw::LoadText(IDS_REASON_NO_HEADER);
    case ReadError::Conversion:
        return fw::LoadText(IDS_REASON_CONVERSION);
    case ReadError::OutOfMemory:
        return fw::SystemMessage(ERROR_NOT_ENOUGH_MEMORY) +
               (job.cleared ? "\n\n" + fw::LoadText(IDS_REASON_MEMORY_OPEN) : std::string());
    case ReadError::None:
    case ReadError::Aborted:
        break;
    }
    return {};
}

void ShowReadError(HWND window, const LoadJob& job) {
    std::string text = fw::FormatText(IDS_READ_ERROR, job.path.c_str());
    std::string reason = ReadFailureReason(job);
    if (!reason.empty()) text += "\n\n" + reason;
    MessageBoxA(window, text.c_str(), "", MB_OK | MB_ICONERROR);
}

bool OpenRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path,
                 const char* title) {
    LoadJob job;
    job.path = path;
    job.checkDuplicates = ReadCheckDuplicatesSetting();
    // The worker frees the keys behind the items; the frame may take input
    // before it is done (Wine enables it again as the progress dialog closes),
    // and other programs may send the tree messages meanwhile.
    tree.SuspendKeys();
    bool ok = RunLoadWorker(window, document, job);
    if (!ok && !job.cleared) tree.ResumeKeys();
    if (!ok && job.cleared) {
        // The previous document was given up for this one, and no part of
        // this one passes for the file: the window shows an empty untitled
        // document, which a save cannot write over the file.
        document.SetFileName("", fw::LoadText(IDS_UNTITLED).c_str());
        document.diskStamp = FileStamp();
        document.dialect = kRegedit5;
        tree.Rebuild(document);
    }
    // Abort is the user's own doing: it needs no box.
    if (!ok && job.error == ReadError::Aborted) return false;
    if (!ok) {
        ShowReadError(window, job);
        return false;
    }
    if (job.utf8) {
        std::string text = fw::FormatText(IDS_UTF8_FILE, path);
        MessageBoxA(window, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONINFORMATION);
    }
    if (job.lossy) WarnLossyConversion(window, path);
    tree.Rebuild(document);
    document.dialect = job.dialect;
    document.unicode = job.unicode;
    document.SetFileName(path, title);
    document.diskStamp = job.stamp;
    return true;
}

bool ImportRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path) {
    LoadJob job;
    job.path = path;
    job.view = &tree;
    job.clearFirst = false;
    job.checkDuplicates = ReadCheckDuplicatesSetting();
    tree.SetRedraw(false);
    // What came in, also from an import stopped early, is one step of the
    // document's history: the document holds what its file does not.
    document.edits->BeginMerge();
    bool ok = RunLoadWorker(window, document, job);
    document.edits->EndMerge(EditKind::ImportFile);
    tree.SetRedraw(true);
    if (ok && job.lossy) WarnLossyConversion(window, path);
    if (!ok && job.keys > 0) {
        // What came in stays, as a merge's effect; the user learns that the
        // rest did not.
        TellStoppedMerge(window, job.parseEnd, job.keys, path);
    } else if (!ok && job.error != ReadError::Aborted) {
        ShowReadError(window, job);
    }
    return ok;
}
