#include "shell/FileLoading.h"

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "shell/FileDialogs.h"
#include "shell/ProgressDialog.h"
#include "framework/Strings.h"
#include "views/KeyTreeView.h"

namespace {

const int kReadErrorString = 141;

}  // namespace

bool RunLoadWorker(HWND window, RegDocument& document, const char* path, KeyTreeSink* view,
                   bool clearFirst, bool checkDuplicates, ReadError* error) {
    document.loadRequest.path = path;
    document.loadRequest.view = view;
    document.loadRequest.clearFirst = clearFirst;
    document.loadRequest.checkDuplicates = checkDuplicates;

    ProgressDialog dialog;
    ProgressSink* previousOwner = document.owner;
    document.owner = &dialog;
    ReadError reason = ReadError::None;
    bool ok = fw::RunWorker(window, dialog, document.abort, [&] { return document.Load(&reason); });
    document.owner = previousOwner;
    document.loadRequest.view = nullptr;
    if (error) *error = reason;
    return ok;
}

void WarnLossyConversion(HWND window, const char* path) {
    std::string text = fw::FormatText(IDS_LOSSY_CONVERSION, path);
    MessageBoxA(window, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONWARNING);
}

bool OpenRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path,
                 const char* title) {
    ReadError error = ReadError::None;
    bool ok = RunLoadWorker(window, document, path, nullptr, true, ReadCheckDuplicatesSetting(), &error);
    // Stopped by the user's Abort before the parse: nothing failed to read.
    if (!ok && error == ReadError::Aborted) return false;
    if (!ok) {
        std::string text = fw::FormatText(kReadErrorString, path);
        MessageBoxA(window, text.c_str(), "", MB_OK);
        return false;
    }
    if (document.loadResult.utf8) {
        std::string text = fw::FormatText(IDS_UTF8_FILE, path);
        MessageBoxA(window, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONINFORMATION);
    }
    if (document.loadResult.lossy) WarnLossyConversion(window, path);
    tree.Rebuild(document);
    document.dialect = document.loadResult.dialect;
    document.unicode = document.loadResult.unicode;
    document.SetFileName(path, title);
    return true;
}

bool ImportRegFile(HWND window, RegDocument& document, KeyTreeView& tree, const char* path) {
    tree.SetRedraw(false);
    bool ok = RunLoadWorker(window, document, path, &tree, false, ReadCheckDuplicatesSetting());
    tree.SetRedraw(true);
    if (ok && document.loadResult.lossy) WarnLossyConversion(window, path);
    return ok;
}
