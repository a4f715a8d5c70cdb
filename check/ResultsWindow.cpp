#include "check/ResultsWindow.h"

#include <commctrl.h>

#include "document/Platform.h"
#include "framework/Dpi.h"
#include "framework/Strings.h"
#include "resources/resource.h"

namespace check {

namespace {

enum Column { kLine, kSeverity, kKey, kReason };

constexpr UINT kSeverityTexts[] = {IDS_CHECK_SKIPPED, IDS_CHECK_DIFFERS, IDS_CHECK_NOTE};

}  // namespace

ResultsWindow::~ResultsWindow() {
    if (IsOpen()) DestroyWindow(hwnd_);
    if (filtering_ && fw::MessageLoop::Current()) fw::MessageLoop::Current()->RemoveMessageFilter(this);
}

bool ResultsWindow::Show(HWND owner, CheckFindings findings) {
    findings_ = std::move(findings);
    if (!IsOpen()) {
        if (!CreateModeless(owner, IDD_CHECK_RESULTS)) return false;
        if (!filtering_ && fw::MessageLoop::Current()) {
            fw::MessageLoop::Current()->AddMessageFilter(this);
            filtering_ = true;
        }
    }
    Fill();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(Item(IDC_CHECK_LIST));
    return true;
}

BOOL ResultsWindow::OnInitDialog() {
    HWND list = Item(IDC_CHECK_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const std::pair<UINT, int> columns[] = {{IDS_CHECK_COLUMN_LINE, 50},
                                            {IDS_CHECK_COLUMN_SEVERITY, 60},
                                            {IDS_CHECK_COLUMN_KEY, 260},
                                            {IDS_CHECK_COLUMN_REASON, 420}};
    int index = 0;
    for (const auto& [text, width] : columns) {
        std::string title = fw::LoadText(text);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = index == kLine ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = fw::Scale(width, fw::DpiOf(list));
        column.pszText = title.data();
        ListView_InsertColumn(list, index++, &column);
    }
    SetWindowPos(hwnd_, nullptr, 0, 0, fw::Scale(820, Dpi()), fw::Scale(420, Dpi()), SWP_NOMOVE | SWP_NOZORDER);
    fw::CenterOnOwner(hwnd_);
    Layout();
    return TRUE;
}

void ResultsWindow::Fill() {
    std::string name = findings_.title;
    if (findings_.unsaved) name += " " + fw::LoadText(IDS_CHECK_UNSAVED);
    std::string caption = fw::FormatText(IDS_CHECK_CAPTION, name.c_str(), static_cast<unsigned>(findings_.counts[0]),
                                         static_cast<unsigned>(findings_.counts[1]),
                                         static_cast<unsigned>(findings_.counts[2]));
    SetWindowTextA(hwnd_, caption.c_str());

    reasons_.clear();
    reasons_.reserve(findings_.verdicts.size());
    for (const LineVerdict& verdict : findings_.verdicts) {
        std::string text = fw::LoadText(IDS_CHECK_REASON_FIRST + static_cast<UINT>(verdict.code));
        reasons_.push_back(VerdictReason(verdict, text.c_str()));
    }
    HWND list = Item(IDC_CHECK_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    std::string severities[kSeverityCount];
    for (size_t s = 0; s < kSeverityCount; ++s) severities[s] = fw::LoadText(kSeverityTexts[s]);
    for (size_t i = 0; i < findings_.verdicts.size(); ++i) {
        const LineVerdict& verdict = findings_.verdicts[i];
        std::string line = std::to_string(verdict.line);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = line.data();
        item.lParam = static_cast<LPARAM>(i);
        int row = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, kSeverity, severities[static_cast<size_t>(verdict.severity)].data());
        ListView_SetItemText(list, row, kKey, const_cast<char*>(verdict.key.c_str()));
        ListView_SetItemText(list, row, kReason, reasons_[i].data());
    }
    if (sortColumn_ != kLine || !ascending_) {
        ascending_ = !ascending_;  // SortBy turns it back
        SortBy(sortColumn_);
    }
    if (!findings_.verdicts.empty()) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);

    std::string status;
    if (findings_.Total() > findings_.verdicts.size())
        status = fw::FormatText(IDS_CHECK_MORE, static_cast<unsigned>(findings_.verdicts.size()),
                                static_cast<unsigned>(findings_.Total() - findings_.verdicts.size()));
    else if (findings_.stopped)
        status = fw::LoadText(IDS_CHECK_STOPPED);
    else
        status = fw::LoadText(IDS_CHECK_STATUS);
    SetDlgItemTextA(hwnd_, IDC_CHECK_STATUS, status.c_str());
}

void ResultsWindow::Layout() {
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT unit = {0, 0, 7, 10};
    MapDialogUnits(&unit);
    int margin = unit.right, statusHeight = unit.bottom;
    int width = client.right - 2 * margin;
    int listHeight = client.bottom - 3 * margin - statusHeight;
    MoveWindow(Item(IDC_CHECK_LIST), margin, margin, width, listHeight > 0 ? listHeight : 0, TRUE);
    MoveWindow(Item(IDC_CHECK_STATUS), margin, client.bottom - margin - statusHeight, width, statusHeight, TRUE);
}

// A click on the sorted column turns the order round; another column sorts
// ascending. Equal cells keep line order.
void ResultsWindow::SortBy(int column) {
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    auto compare = [](LPARAM a, LPARAM b, LPARAM self) -> int {
        auto* window = reinterpret_cast<ResultsWindow*>(self);
        const LineVerdict& x = window->findings_.verdicts[static_cast<size_t>(a)];
        const LineVerdict& y = window->findings_.verdicts[static_cast<size_t>(b)];
        int order = 0;
        switch (window->sortColumn_) {
        case kSeverity:
            order = static_cast<int>(x.severity) - static_cast<int>(y.severity);
            break;
        case kKey:
            order = CompareNoCase(x.key.c_str(), y.key.c_str());
            break;
        case kReason:
            order = window->reasons_[static_cast<size_t>(a)].compare(window->reasons_[static_cast<size_t>(b)]);
            break;
        default:
            break;
        }
        if (order == 0) order = x.line < y.line ? -1 : x.line > y.line ? 1 : (a < b ? -1 : a > b ? 1 : 0);
        return window->ascending_ ? order : -order;
    };
    ListView_SortItems(Item(IDC_CHECK_LIST), static_cast<PFNLVCOMPARE>(compare), reinterpret_cast<LPARAM>(this));
}

void ResultsWindow::ShowRow(int row) {
    if (row < 0) return;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(Item(IDC_CHECK_LIST), &item)) return;
    size_t index = static_cast<size_t>(item.lParam);
    if (index < findings_.verdicts.size() && show_) show_(findings_.verdicts[index]);
}

void ResultsWindow::OnOK() { ShowRow(ListView_GetNextItem(Item(IDC_CHECK_LIST), -1, LVNI_SELECTED)); }

// Closing destroys the modeless window; the next check makes a new one.
void ResultsWindow::OnCancel() { DestroyWindow(hwnd_); }

LRESULT ResultsWindow::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_CHECK_LIST) return 0;
    switch (header->code) {
    case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        break;
    case NM_DBLCLK:
        ShowRow(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
        break;
    default:
        break;
    }
    return 0;
}

INT_PTR ResultsWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_NOTIFY:
        OnNotify(reinterpret_cast<NMHDR*>(lParam));
        return TRUE;
    default:
        return Dialog::HandleMessage(msg, wParam, lParam);
    }
}

// The modeless window needs the dialog keys (Tab, Enter, Esc) from the
// program's loop; F5 checks again.
bool ResultsWindow::PreTranslateMessage(MSG* msg) {
    if (!IsOpen() || (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))) return false;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
        if (rerun_) rerun_();
        return true;
    }
    return IsDialogMessageA(hwnd_, msg) != FALSE;
}

}  // namespace check
