#pragma once
// Dialog 1400: what a merge would change, counted at the top and listed by
// key below, the values already as the file sets them hidden unless asked
// for; Merge goes on, Cancel writes nothing. Dialog 1410: the backups of
// merges, to choose one to restore.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Window.h"
#include "regedit/MergeBackups.h"
#include "regedit/MergePreview.h"

namespace regedit {

class MergePreviewDialog : public fw::Dialog {
public:
    MergePreviewDialog(const MergePreview& preview, std::string name) : preview_(preview), name_(std::move(name)) {}
    // True when the user chose Merge.
    bool Run(HWND owner);

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // One row of the list: a key, or one of its values.
    struct Row {
        const KeyDiff* key;
        const ValueDiff* value;  // null for the key's own row
    };
    void FillRows();
    std::string CellText(const Row& row, int column) const;

    const MergePreview& preview_;  // not owned
    std::string name_;
    std::vector<Row> rows_;
    std::string cell_;  // the text handed to the list last
};

class BackupsDialog : public fw::Dialog {
public:
    // The chosen backup's path, empty when none was chosen.
    std::string Choose(HWND owner);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::vector<BackupInfo> backups_;
    std::string chosen_;
};

}  // namespace regedit
