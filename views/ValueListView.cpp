#include "views/ValueListView.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "document/ValueCodec.h"
#include "framework/CommandTable.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "framework/WindowHook.h"
#include "resources/resource.h"
#include "views/MenuStates.h"
#include "views/ViewHost.h"

namespace {

const int kColumns = 3;
const int kHeadingStrings[kColumns] = {IDS_COLUMN_NAME, IDS_COLUMN_TYPE, IDS_COLUMN_DATA};
// At first start the headings alone would leave every name and data text
// clipped; these are the least widths of the three columns.
const int kLeastWidths[kColumns] = {160, 110, 280};

}  // namespace

bool ValueListView::Create(HWND parent, ViewHost* host, int controlId) {
    host_ = host;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // The window's text is the name a screen reader gives the pane.
    std::string name = fw::LoadText(IDS_LIST_NAME);
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, name.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                                LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                            instance, nullptr);
    if (!hwnd_) return false;
    hook_.Attach(hwnd_, HookProc, this);
    fw::UseExplorerTheme(hwnd_);
    dpi_ = fw::DpiOf(hwnd_);

    // Heading widths are measured in the control's own font.
    fw::WindowDC windowDc(hwnd_);
    HDC dc = windowDc.Get();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    for (int i = 0; i < kColumns; ++i) {
        std::string heading = fw::LoadText(kHeadingStrings[i]);
        SIZE size{};
        GetTextExtentPoint32A(dc, heading.c_str(), static_cast<int>(heading.size()), &size);
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        int least = fw::Scale(kLeastWidths[i], dpi_);
        int needed = size.cx + fw::Scale(15, dpi_);
        col.cx = needed > least ? needed : least;
        col.pszText = heading.data();
        col.iSubItem = i;
        ListView_InsertColumn(hwnd_, i, &col);
    }
    if (old) SelectObject(dc, old);

    ApplyImages();

    ReadColumnWidths();
    return true;
}

void ValueListView::ApplyImages() {
    HIMAGELIST images = fw::IconImageList({IDI_VALUE_BINARY, IDI_VALUE_STRING}, fw::SmallIconSize(dpi_));
    if (images) {
        ListView_SetImageList(hwnd_, images, LVSIL_SMALL);
        rowImages_.Reset(images);
    }
    // After the small image list: the list-view hands that one to its header too.
    HIMAGELIST arrows = fw::ScaledStripImageList(IDB_SORT_ARROWS, 16, 16, RGB(0xFF, 0x00, 0xFF), dpi_);
    if (arrows) {
        Header_SetImageList(ListView_GetHeader(hwnd_), arrows);
        headerImages_.Reset(arrows);
    }
}

void ValueListView::ApplyDpi(int dpi) {
    if (dpi == dpi_) return;
    HWND header = ListView_GetHeader(hwnd_);
    int count = Header_GetItemCount(header);
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        Header_GetItem(header, i, &item);
        item.cxy = MulDiv(item.cxy, dpi, dpi_);
        Header_SetItem(header, i, &item);
    }
    dpi_ = dpi;
    ApplyImages();
}

// Settings keep the widths at 96 DPI.
void ValueListView::ReadColumnWidths() {
    HWND header = ListView_GetHeader(hwnd_);
    int count = Header_GetItemCount(header);
    std::vector<uint16_t> widths;
    if (count <= 0 || !host_ || !host_->ReadColumnWidths(static_cast<size_t>(count), widths)) return;
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        item.cxy = fw::Scale(widths[static_cast<size_t>(i)], dpi_);
        Header_SetItem(header, i, &item);
    }
}

// Stored only into an existing settings key: the key is not created here.
void ValueListView::StoreColumnWidths() {
    HWND header = ListView_GetHeader(hwnd_);
    int count = Header_GetItemCount(header);
    if (count <= 0) return;
    std::vector<uint16_t> widths;
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        Header_GetItem(header, i, &item);
        widths.push_back(static_cast<uint16_t>(fw::Unscale(item.cxy, dpi_) & 0xFFFF));
    }
    if (host_) host_->StoreColumnWidths(widths);
}

LRESULT CALLBACK ValueListView::HookProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    fw::WindowHook* hook = fw::WindowHook::Of(hwnd);
    if (!hook) return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* self = static_cast<ValueListView*>(hook->Data());
    switch (msg) {
    case WM_DESTROY:
        self->StoreColumnWidths();
        self->values_.clear();
        self->key_ = nullptr;
        break;
    case WM_NCDESTROY:
        self->hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return hook->CallNext(hwnd, msg, wParam, lParam);
}

void ValueListView::ClearRows() {
    ListView_DeleteAllItems(hwnd_);
    values_.clear();
    key_ = nullptr;
}

void ValueListView::Fill(KeyNode* key) {
    // Rows point into the set: they go first.
    ListView_DeleteAllItems(hwnd_);
    values_.clear();
    key_ = key;
    if (!key) return;
    key->CollectValues(values_);

    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    AppendRow(nullptr);
    for (auto& value : values_) {
        const ValueEntry* v = value.get();
        if (v->IsDefault())
            ShowRow(0, v);
        else
            AppendRow(v);
    }
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Row 0 is the default value's whether there is one (value) or not (null).
int ValueListView::AppendRow(const ValueEntry* value) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(hwnd_);
    item.pszText = const_cast<char*>("");
    item.iImage = !value || value->IsString() ? 1 : 0;
    int row = ListView_InsertItem(hwnd_, &item);
    if (row >= 0) ShowRow(row, value);
    return row;
}

// The one place that writes a row's cells and its link to the value.
void ValueListView::ShowRow(int row, const ValueEntry* value) {
    std::string name = row == 0 ? fw::LoadText(IDS_DEFAULT_NAME) : ShownValueName(value->GetName());
    SetCell(row, 0, name.c_str());
    bool deletion = value && value->GetType() == ValueType::Deletion;
    std::string type = deletion ? fw::LoadText(IDS_DELETION_TYPE) : value ? value->GetTypeName() : "REG_SZ";
    SetCell(row, 1, type.c_str());
    std::string data = deletion ? fw::LoadText(IDS_DELETION_DATA)
                       : value  ? value->GetDisplayText()
                                : fw::LoadText(IDS_VALUE_NOT_SET);
    SetCell(row, 2, data.c_str());
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = reinterpret_cast<LPARAM>(value);
    ListView_SetItem(hwnd_, &item);
}

int ValueListView::AppendValue(std::unique_ptr<ValueEntry> value) {
    if (!value || !key_) return -1;
    int row = AppendRow(value.get());
    if (row >= 0) values_.push_back(std::move(value));
    return row;
}

void ValueListView::ReplaceDefault(std::unique_ptr<ValueEntry> value) {
    if (!value || !key_) return;
    ReleaseValue(ValueAt(0));
    ShowRow(0, value.get());
    values_.push_back(std::move(value));
}

void ValueListView::RemoveSelected() {
    int after = -1;
    for (int row = NextSelected(after); row >= 0; row = NextSelected(after)) {
        if (row == 0) {
            ReleaseValue(ValueAt(0));
            ShowRow(0, nullptr);
            after = 0;
        } else {
            RemoveRow(row);
        }
    }
}

void ValueListView::RemoveRow(int row) {
    if (row <= 0) return;
    const ValueEntry* value = ValueAt(row);
    ListView_DeleteItem(hwnd_, row);
    ReleaseValue(value);
}

void ValueListView::RefreshRow(int row) {
    if (row >= 0) ShowRow(row, ValueAt(row));
}

void ValueListView::ReleaseValue(const ValueEntry* value) {
    if (!value) return;
    auto it = std::find_if(values_.begin(), values_.end(),
                           [value](const std::unique_ptr<ValueEntry>& v) { return v.get() == value; });
    if (it != values_.end()) values_.erase(it);
}

ValueEntry* ValueListView::ValueAt(int row) const {
    if (row < 0) return nullptr;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(hwnd_, &item)) return nullptr;
    return reinterpret_cast<ValueEntry*>(item.lParam);
}

void ValueListView::SetCell(int row, int column, const char* text) {
    ListView_SetItemText(hwnd_, row, column, const_cast<char*>(text));
}

int ValueListView::SelectedCount() const { return ListView_GetSelectedCount(hwnd_); }

int ValueListView::FirstSelected() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

int ValueListView::NextSelected(int after) const {
    return ListView_GetNextItem(hwnd_, after, LVNI_SELECTED);
}

void ValueListView::SelectAll() { ListView_SetItemState(hwnd_, -1, LVIS_SELECTED, LVIS_SELECTED); }

void ValueListView::DeselectAll() { ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED); }

void ValueListView::Select(int row) { ListView_SetItemState(hwnd_, row, LVIS_SELECTED, LVIS_SELECTED); }

int ValueListView::FindRowText(const char* text) const {
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;
    find.psz = text;
    return ListView_FindItem(hwnd_, -1, &find);
}

void ValueListView::BeginRename(int row) {
    if (row < 0) return;
    SetFocus(hwnd_);
    // The wide message, as the key tree's rename does: a label edit started
    // by the ANSI one cannot take UTF-8 characters under Wine.
    SendMessageW(hwnd_, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
}

void ValueListView::Sort(int column) {
    HWND header = ListView_GetHeader(hwnd_);
    if (sortColumn_ >= 0) {
        HDITEMA item{};
        item.mask = HDI_FORMAT | HDI_IMAGE;
        Header_GetItem(header, sortColumn_, &item);
        item.fmt = (item.fmt & ~HDF_JUSTIFYMASK) | HDF_LEFT | HDF_STRING | HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
        item.iImage = 0;
        Header_SetItem(header, sortColumn_, &item);
    }
    if (column == sortColumn_) ascending_ = !ascending_;
    sortColumn_ = column;
    HDITEMA item{};
    item.mask = HDI_FORMAT | HDI_IMAGE;
    Header_GetItem(header, column, &item);
    item.fmt = (item.fmt & ~HDF_JUSTIFYMASK) | HDF_LEFT | HDF_STRING | HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
    item.iImage = ascending_ ? 2 : 1;
    Header_SetItem(header, column, &item);
    ListView_SortItems(hwnd_, CompareRows, reinterpret_cast<LPARAM>(this));
}

int CALLBACK ValueListView::CompareRows(LPARAM a, LPARAM b, LPARAM selfParam) {
    auto* self = reinterpret_cast<ValueListView*>(selfParam);
    auto* va = reinterpret_cast<ValueEntry*>(a);
    auto* vb = reinterpret_cast<ValueEntry*>(b);
    bool defaultA = !va || va->IsDefault();
    bool defaultB = !vb || vb->IsDefault();
    // The default row stays first in either direction.
    if (defaultA || defaultB) return defaultA == defaultB ? 0 : (defaultA ? -1 : 1);
    int result;
    switch (self->sortColumn_) {
    case 0:
        result = lstrcmpiA(va->GetName().c_str(), vb->GetName().c_str());
        break;
    case 1:
        result = CompareValueTypes(*va, *vb);
        break;
    case 2:
        result = CompareValueData(*va, *vb);
        break;
    default:
        result = 0;
        break;
    }
    return self->ascending_ ? result : -result;
}

bool ValueListView::StoreValues(EditKind kind) {
    if (!key_ || !host_) return false;
    return host_->Document().edits->SetValues(key_, values_, kind);
}

LRESULT ValueListView::OnNotify(NMHDR* header) {
    switch (header->code) {
    case LVN_COLUMNCLICK:
        Sort(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return 0;
    case LVN_BEGINLABELEDITA: {
        // The default row has no name to edit, a deletion line no value.
        int row = reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem;
        bool refuse = row == 0 || IsDeletionRow(row);
        editing_ = !refuse;
        if (!refuse) WatchLabelEditor();
        return refuse ? TRUE : FALSE;
    }
    case LVN_ENDLABELEDITA:
        editing_ = false;
        return OnEndLabelEdit(reinterpret_cast<NMLVDISPINFOA*>(header)) ? TRUE : FALSE;
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_ITEMCHANGED:
        if (host_) host_->UpdateCommandStates();
        return 0;
    case NM_DBLCLK:
        if (SelectedCount() == 1) RunCommand(ID_EDIT_MODIFY, FirstSelected());
        return 0;
    case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_RETURN && SelectedCount() == 1) {
            SetFocus(hwnd_);
            RunCommand(ID_EDIT_MODIFY, FirstSelected());
            SetFocus(hwnd_);
        }
        return 0;
    default:
        return 0;
    }
}

// Deletion lines are drawn in the grey of read-only text.
LRESULT ValueListView::OnCustomDraw(NMLVCUSTOMDRAW* draw) const {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto* value = reinterpret_cast<const ValueEntry*>(draw->nmcd.lItemlParam);
        if (value && value->GetType() == ValueType::Deletion) draw->clrText = GetSysColor(COLOR_GRAYTEXT);
    }
    return CDRF_DODEFAULT;
}

bool ValueListView::IsDeletionRow(int row) const {
    const ValueEntry* value = row >= 0 ? ValueAt(row) : nullptr;
    return value && value->GetType() == ValueType::Deletion;
}

void ValueListView::RunCommand(int id, int row) {
    if (!host_) return;
    fw::ScopedAssign<int> context(contextRow_, row);
    host_->RunCommand(id, hwnd_);
}

int ValueListView::CommandRow() const {
    if (contextRow_ >= 0) return contextRow_;
    return SelectedCount() == 1 ? FirstSelected() : -1;
}

// Windows reports an emptied label as an empty text and a cancelled edit
// without text. Wine reports both without text (and a kept name too), and
// destroys the editor before it reports, so the editor is watched from the
// start of the edit: subclassed, which keeps it a Unicode window (a hook of
// ours would make it an ANSI one, see KeyTreeView::BeginRename).
void ValueListView::WatchLabelEditor() {
    labelEnd_ = LabelEnd::Open;
    if (HWND editor = ListView_GetEditControl(hwnd_))
        SetWindowSubclass(editor, LabelEditorProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK ValueListView::LabelEditorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR data) {
    auto* self = reinterpret_cast<ValueListView*>(data);
    switch (msg) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) self->labelEnd_ = LabelEnd::Cancelled;
        if (wParam == VK_RETURN && GetWindowTextLengthW(hwnd) == 0) self->labelEnd_ = LabelEnd::Emptied;
        break;
    case WM_KILLFOCUS:
        if (self->labelEnd_ == LabelEnd::Open && GetWindowTextLengthW(hwnd) == 0) self->labelEnd_ = LabelEnd::Emptied;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, LabelEditorProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool ValueListView::OnEndLabelEdit(NMLVDISPINFOA* info) {
    if (!key_) return false;
    ValueEntry* value = ValueAt(info->item.iItem);
    if (!value) return false;
    bool emptied = info->item.pszText ? info->item.pszText[0] == '\0' : labelEnd_ == LabelEnd::Emptied;
    labelEnd_ = LabelEnd::Open;
    // An empty name would turn the value into a second default value.
    if (emptied) {
        std::string message = fw::FormatText(IDS_VALUE_NAME_EMPTY, UnescapeString(value->GetName()).c_str());
        MessageBoxA(host_ ? host_->HostWindow() : hwnd_, message.c_str(), fw::LoadText(IDS_APP_NAME).c_str(),
                    MB_OK | MB_ICONERROR);
        return false;
    }
    if (!info->item.pszText) return false;
    // The row being renamed matches its own name (kept, or changed only in
    // letter case); only another row is a clash.
    if (EscapeString(info->item.pszText) == value->GetName()) return false;
    // Another row of the name (the default value's row by its shown name
    // too) is a clash.
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;
    find.psz = info->item.pszText;
    int match = ListView_FindItem(hwnd_, -1, &find);
    while (match == info->item.iItem) match = ListView_FindItem(hwnd_, match, &find);
    if (match >= 0) {
        std::string message = fw::FormatText(IDS_RENAME_CLASH, value->GetName().c_str());
        std::string caption = fw::LoadText(IDS_RENAME_CLASH_CAPTION);
        MessageBoxA(host_ ? host_->HostWindow() : hwnd_, message.c_str(), caption.c_str(),
                    MB_OK | MB_ICONERROR);
        return false;
    }
    std::string oldName = value->GetName();
    value->SetName(EscapeString(info->item.pszText));
    if (!StoreValues(EditKind::RenameValue)) {
        value->SetName(oldName);
        return false;
    }
    return true;
}

void ValueListView::OnContextMenu(POINT screen) {
    if (host_) host_->UpdateCommandStates();
    int row = -1;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: at the focused row, or the list's corner.
        row = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
        RECT r{};
        if (row >= 0 && ListView_GetItemRect(hwnd_, row, &r, LVIR_LABEL))
            screen = {r.left, r.bottom};
        else
            screen = {0, 0};
        ClientToScreen(hwnd_, &screen);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = screen;
        ScreenToClient(hwnd_, &hit.pt);
        row = ListView_HitTest(hwnd_, &hit);
    }
    bool onRow = row >= 0;
    fw::UniqueMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(onRow ? IDR_LIST_ROW_MENU : IDR_LIST_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    if (host_) {
        bool single = SelectedCount() == 1;
        ApplyMenuStates(popup, [&](UINT id) {
            bool enabled = host_->IsCommandEnabled(static_cast<int>(id));
            if (onRow && (id == ID_EDIT_RENAME || id == ID_EDIT_MODIFY)) enabled = enabled && single;
            return enabled;
        });
    }
    int command = host_ ? host_->TrackPopup(popup, screen) : 0;
    menu.Reset();
    // A choice of the menu over empty space acts on the key, not on a row.
    if (command) RunCommand(command, onRow ? row : -1);
}
