#include "shell/FileLoading.h"

#include <cstring>
#include <string>

#include "framework/Strings.h"
#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/ProgressDialog.h"
#include "views/KeyTreeView.h"

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

bool OpenRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path,
                 const char* title) {
    LoadJob job;
    job.path = path;
    job.checkDuplicates = ReadCheckDuplicatesSetting();
    bool ok = RunLoadWorker(window, document, job);
    // Stopped by the user's Abort before the parse: nothing failed to read.
    if (!ok && job.error == ReadError::Aborted) return false;
    if (!ok) {
        std::string text = fw::FormatText(IDS_READ_ERROR, path);
        MessageBoxA(window, text.c_str(), "", MB_OK);
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
    return true;
}

bool ImportRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path) {
    LoadJob job;
    job.path = path;
    job.view = &tree;
    job.clearFirst = false;
    job.checkDuplicates = ReadCheckDuplicatesSetting();
    tree.SetRedraw(false);
    bool ok = RunLoadWorker(window, document, job);
    tree.SetRedraw(true);
    if (ok && job.lossy) WarnLossyConversion(window, path);
    return ok;
}
