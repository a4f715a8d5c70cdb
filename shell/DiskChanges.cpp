#include "shell/DiskChanges.h"

#include <string>

#include "framework/Strings.h"
#include "resources/resource.h"

namespace {

bool IsKnownStamp(const RegDocument& document, const FileStamp& now) {
    return now == document.diskStamp || now == document.declinedStamp;
}

}  // namespace

bool IsChangedOnDisk(const RegDocument& document) {
    if (document.path.empty()) return false;
    FileStamp now = GetFileStamp(document.path.c_str());
    return now.exists && !IsKnownStamp(document, now);
}

bool AskReloadChanged(RegDocument& document, HWND owner) {
    // The stamp the question is about: a change made while the box is up is
    // a new one, asked about at the next activation.
    FileStamp asked = GetFileStamp(document.path.c_str());
    bool losesChanges = document.modified;
    std::string text =
        fw::FormatText(losesChanges ? IDS_RELOAD_LOSE_CHANGES : IDS_RELOAD_CHANGED, document.path.c_str());
    // Dropping the user's changes is the one answer that cannot be undone:
    // then No is the default.
    UINT style = MB_YESNO | (losesChanges ? MB_ICONWARNING | MB_DEFBUTTON2 : MB_ICONQUESTION);
    if (MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), style) == IDYES) return true;
    document.declinedStamp = asked;
    return false;
}

bool ConfirmOverwriteChanged(RegDocument& document, HWND owner, const char* path) {
    FileStamp now = GetFileStamp(path);
    if (!now.exists || now == document.diskStamp) return true;
    std::string text = fw::FormatText(IDS_OVERWRITE_CHANGED, path);
    if (MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(),
                    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        return true;
    // The user has seen this change and kept the document: the frame's next
    // activation does not ask to reload it.
    document.declinedStamp = now;
    return false;
}

void NoteSaved(RegDocument& document) { document.diskStamp = GetFileStamp(document.path.c_str()); }
