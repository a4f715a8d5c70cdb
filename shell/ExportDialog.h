#pragma once
// The Export Registry File dialog: the system's save dialog with the child
// template 101, which chooses between the whole document and one branch and
// has the main frame check that the branch exists.

#include <windows.h>

#include <string>

#include "document/RegDocument.h"
#include "shell/SaveCommands.h"

struct ExportChoice {
    std::string path;
    SaveFormat format;
    bool branchChosen = false;
    std::string branch;  // the key path, when a branch was chosen
};

// The registered message by which the dialog asks its top-level owner
// whether a key path (lParam, a NUL-terminated text) is in the document; a
// non-zero answer means it is not.
UINT ExportBranchMessage();

// Shows the dialog owned by `owner`. `selectedPath` is the selected key's
// path, empty when no key is selected. True on OK.
bool ShowExportDialog(HWND owner, RegDialect dialect, const std::string& selectedPath, ExportChoice& choice);

// Hook of template 101.
UINT_PTR CALLBACK ExportRangeHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
