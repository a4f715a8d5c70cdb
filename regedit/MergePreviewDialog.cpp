#include "regedit/MergePreviewDialog.h"

#include <commctrl.h>

#include "document/Platform.h"
#include "framework/Dpi.h"
#include "framework/Strings.h"
#include "resources/resource.h"

namespace regedit {

namespace {

enum Column { kChange, kItem, kType, kLive, kAfter };

void AddColumns(HWND list, const std::vector<std::pair<UINT, int>>& columns) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const auto& [text, width] : columns) {
        std::string title = fw::LoadText(text);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = fw::Scale(width, fw::DpiOf(list));
        SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
    }
}

void SetCell(HWND list, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, column == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// What keeps a key from being read or written whole, for its row.
std::string KeyNotes(const KeyDiff& key) {
    std::string notes;
    auto add = [&](UINT id) { notes += (notes.empty() ? "" : "; ") + fw::LoadText(id); };
    switch (key.problem) {
    case ReadProblem::None: break;
    case ReadProblem::Denied: add(IDS_READ_DENIED); break;
    case ReadProblem::NoRoot: add(IDS_READ_NO_ROOT); break;
    case ReadProblem::NameInFile: add(IDS_READ_NAME_IN_FILE); break;
    case ReadProblem::Failed: notes += (notes.empty() ? "" : "; ") + fw::SystemMessage(key.systemError); break;
    }
    if (!key.mayWrite) add(IDS_NOT_WRITABLE);
    return notes;
}

}  // namespace

bool MergePreviewDialog::Run(HWND owner) { return DoModal(owner, IDD_MERGE_PREVIEW) == IDOK; }

BOOL MergePreviewDialog::OnInitDialog() {
    fw::CenterOnOwner(hwnd_);
    SetWindowTextA(hwnd_, fw::FormatText(IDS_PREVIEW_CAPTION, name_.c_str()).c_str());
    const PreviewCounts& c = preview_.Counts();
    std::string counts = fw::FormatText(IDS_PREVIEW_COUNTS, name_.c_str(), static_cast<unsigned>(c.keysCreated),
                                        static_cast<unsigned>(c.keysRemoved), static_cast<unsigned>(c.valuesAdded),
                                        static_cast<unsigned>(c.valuesChanged), static_cast<unsigned>(c.valuesRemoved),
                                        static_cast<unsigned>(c.valuesEqual));
    if (c.unreadable) counts += fw::FormatText(IDS_PREVIEW_UNREADABLE, static_cast<unsigned>(c.unreadable));
    if (c.notWritable) counts += fw::FormatText(IDS_PREVIEW_READONLY, static_cast<unsigned>(c.notWritable));
    SetDlgItemTextA(hwnd_, IDC_PREVIEW_COUNTS, counts.c_str());
    AddColumns(Item(IDC_PREVIEW_LIST), {{IDS_COLUMN_CHANGE, 90},
                                        {IDS_COLUMN_ITEM, 230},
                                        {IDS_COLUMN_TYPE, 95},
                                        {IDS_COLUMN_LIVE, 105},
                                        {IDS_COLUMN_FILE, 105}});
    FillRows();
    return TRUE;
}

// The list holds only rows: its texts are asked for as it shows them, so a
// merge of many keys costs no more than the rows in view.
void MergePreviewDialog::FillRows() {
    bool unchanged = IsDlgButtonChecked(hwnd_, IDC_PREVIEW_UNCHANGED) == BST_CHECKED;
    rows_.clear();
    for (const KeyDiff& key : preview_.Keys()) {
        // A deletion shows its head with what goes with it.
        if (key.change == KeyChange::Removed && !key.head) continue;
        size_t first = rows_.size();
        rows_.push_back({&key, nullptr});
        bool shown = key.change != KeyChange::Kept || key.problem != ReadProblem::None;
        if (key.change != KeyChange::Removed) {
            for (const ValueDiff& value : key.values) {
                bool same = value.change == ValueChange::Equal;
                if (!same) shown = true;
                if (!same || unchanged) rows_.push_back({&key, &value});
            }
        }
        if (!shown && !unchanged) rows_.resize(first);
    }
    HWND list = Item(IDC_PREVIEW_LIST);
    ListView_SetItemCountEx(list, static_cast<int>(rows_.size()), 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::string MergePreviewDialog::CellText(const Row& row, int column) const {
    const KeyDiff& key = *row.key;
    if (!row.value) {
        switch (column) {
        case kChange:
            if (key.change == KeyChange::Created) return fw::LoadText(IDS_KEY_CREATED);
            if (key.change == KeyChange::Kept) return fw::LoadText(IDS_KEY_KEPT);
            return fw::FormatText(IDS_KEY_REMOVED, static_cast<unsigned>(key.removedValues),
                                  static_cast<unsigned>(key.removedSubkeys));
        case kItem: return WideToProgramString(key.path);
        case kType: return KeyNotes(key);
        default: return {};
        }
    }
    const ValueDiff& value = *row.value;
    static const UINT kChanges[] = {IDS_VALUE_ADDED, IDS_VALUE_CHANGED, IDS_VALUE_REMOVED, IDS_VALUE_EQUAL};
    bool live = value.change != ValueChange::Added;
    bool after = value.change != ValueChange::Removed;
    switch (column) {
    case kChange: return fw::LoadText(kChanges[static_cast<int>(value.change)]);
    case kItem: {
        const std::u16string& name = value.Name();
        return "    " + (name.empty() ? fw::LoadText(IDS_DEFAULT_NAME) : WideToProgramString(name));
    }
    case kType: return LiveTypeName(after ? value.after.type : value.before.type);
    case kLive: return live ? LiveDisplayText(value.before.type, value.before.bytes) : std::string();
    case kAfter: return after ? LiveDisplayText(value.after.type, value.after.bytes) : std::string();
    default: return {};
    }
}

INT_PTR MergePreviewDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
        if (info->hdr.idFrom == IDC_PREVIEW_LIST && info->hdr.code == LVN_GETDISPINFOA &&
            (info->item.mask & LVIF_TEXT) && info->item.iItem >= 0 &&
            static_cast<size_t>(info->item.iItem) < rows_.size()) {
            // The list copies the text before it asks again.
            cell_ = CellText(rows_[static_cast<size_t>(info->item.iItem)], info->item.iSubItem);
            lstrcpynA(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
            return TRUE;
        }
    }
    return Dialog::HandleMessage(msg, wParam, lParam);
}

bool MergePreviewDialog::OnCommand(int id, int code, HWND) {
    if (id != IDC_PREVIEW_UNCHANGED || code != BN_CLICKED) return false;
    FillRows();
    return true;
}

std::string BackupsDialog::Choose(HWND owner) {
    backups_ = ListBackups();
    if (backups_.empty()) {
        std::string text = fw::FormatText(IDS_BACKUP_NONE, BackupFolder().c_str());
        MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONINFORMATION);
        return {};
    }
    return DoModal(owner, IDD_MERGE_BACKUPS) == IDOK ? chosen_ : std::string();
}

BOOL BackupsDialog::OnInitDialog() {
    fw::CenterOnOwner(hwnd_);
    HWND list = Item(IDC_BACKUP_LIST);
    AddColumns(list, {{IDS_COLUMN_DATE, 130}, {IDS_COLUMN_DOCUMENT, 220}, {IDS_COLUMN_KEYS, 60}, {IDS_COLUMN_VALUES, 60}});
    for (size_t i = 0; i < backups_.size(); ++i) {
        const BackupInfo& backup = backups_[i];
        int row = static_cast<int>(i);
        SetCell(list, row, 0, backup.when);
        SetCell(list, row, 1, backup.document);
        SetCell(list, row, 2, std::to_string(backup.keys));
        SetCell(list, row, 3, std::to_string(backup.values));
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

void BackupsDialog::OnOK() {
    int row = ListView_GetNextItem(Item(IDC_BACKUP_LIST), -1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= backups_.size()) return;
    chosen_ = backups_[static_cast<size_t>(row)].path;
    EndDialog(hwnd_, IDOK);
}

}  // namespace regedit
