#include "find/FindResults.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <climits>

#include "document/ByteSink.h"
#include "document/RegDocument.h"
#include "framework/Dpi.h"
#include "framework/Strings.h"
#include "resources/resource.h"

namespace find {

namespace {

// The list takes in new hits this often while the search runs.
constexpr UINT kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;
// Posted by the worker with its first hits, so that they show at once.
constexpr UINT kFirstHitsMessage = WM_APP + 1;
// Posted when a row was asked for after keys were deleted.
constexpr UINT kDropMessage = WM_APP + 2;
// The data column shows this many bytes of a value's data.
constexpr size_t kShownData = 200;

const int kHeadings[kHitColumns] = {IDS_FIND_ALL_COLUMN_KEY, IDS_COLUMN_NAME, IDS_COLUMN_TYPE, IDS_COLUMN_DATA};
const int kWidths[kHitColumns] = {230, 100, 100, 160};

unsigned Count(size_t count) { return static_cast<unsigned>(count > UINT_MAX ? UINT_MAX : count); }

}  // namespace

FindResults::FindResults(std::function<void(const FindHit&)> activate) : activate_(std::move(activate)) {}

FindResults::~FindResults() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FindResults::Open(HWND owner, const RegDocument& document, const std::string& text) {
    if (!hwnd_ && !CreateModeless(owner, IDD_FIND_RESULTS)) return false;
    hits_.Clear();
    texts_.Forget();
    document_ = &document;
    keysDropped_ = document.keysDropped;
    text_ = text;
    closing_ = dropped_ = false;
    sortColumn_ = -1;
    HWND list = Item(IDC_FIND_RESULTS_LIST);
    ListView_SetItemCountEx(list, 0, 0);
    SetWindowTextA(hwnd_, fw::FormatText(IDS_FIND_ALL_CAPTION, text.c_str()).c_str());
    EnableWindow(Item(IDC_FIND_RESULTS_EXPORT), FALSE);
    EnableWindow(Item(IDC_FIND_RESULTS_ABORT), TRUE);
    ShowWindow(hwnd_, IsWindowVisible(hwnd_) ? SW_SHOW : SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetFocus(list);
    return true;
}

BOOL FindResults::OnInitDialog() {
    HWND list = Item(IDC_FIND_RESULTS_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < kHitColumns; ++i) {
        std::string heading = fw::LoadText(kHeadings[i]);
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = fw::Scale(kWidths[i], fw::DpiOf(list));
        column.pszText = heading.data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    // Below the owner's panes, towards its lower right corner.
    RECT owner{}, self{};
    if (HWND parent = GetWindow(hwnd_, GW_OWNER)) GetWindowRect(parent, &owner);
    GetWindowRect(hwnd_, &self);
    int width = self.right - self.left, height = self.bottom - self.top;
    SetWindowPos(hwnd_, nullptr, std::max<LONG>(owner.left, owner.right - width - fw::Scale(24, Dpi())),
                 std::max<LONG>(owner.top, owner.bottom - height - fw::Scale(40, Dpi())), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    return TRUE;
}

// The list fills the window between the status line and the buttons, which
// keep to the lower right corner.
void FindResults::Layout() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT margin{7, 22, 7, 7};
    MapDialogUnits(&margin);
    int right = client.right - margin.left;
    int buttonsTop = client.bottom;
    for (int id : {IDCANCEL, IDC_FIND_RESULTS_EXPORT, IDC_FIND_RESULTS_ABORT}) {
        HWND button = Item(id);
        RECT r{};
        GetWindowRect(button, &r);
        int w = r.right - r.left, h = r.bottom - r.top;
        buttonsTop = client.bottom - margin.bottom - h;
        SetWindowPos(button, nullptr, right - w, buttonsTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        right -= w + margin.left / 2;
    }
    HWND status = Item(IDC_FIND_RESULTS_STATUS);
    RECT s{};
    GetWindowRect(status, &s);
    SetWindowPos(status, nullptr, 0, 0, client.right - 2 * margin.left, s.bottom - s.top, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(Item(IDC_FIND_RESULTS_LIST), nullptr, margin.left, margin.top, client.right - 2 * margin.left,
                 std::max<LONG>(0, buttonsTop - margin.bottom - margin.top), SWP_NOZORDER);
}

void FindResults::Take(const FindHit* hits, size_t count) {
    hits_.Take(hits, count);
    if (!firstHits_.exchange(true))
        if (HWND up = up_.load()) PostMessageA(up, kFirstHitsMessage, 0, 0);
}

void FindResults::Prepare() {
    finished_.store(false);
    firstHits_.store(false);
    up_.store(hwnd_);
}

// The window's own loop while the worker runs: the document window is
// disabled meanwhile, so the document holds still; this window scrolls,
// and its Abort and Close end the loop, which stops the worker.
void FindResults::Run(HWND) {
    running_ = true;
    aborted_ = false;
    SetStatus(fw::FormatText(IDS_FIND_ALL_RUNNING, 0u));
    SetTimer(hwnd_, kRefreshTimer, kRefreshMs, nullptr);
    MSG msg;
    while (!finished_.load() && !aborted_ && hwnd_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Kept for the main loop, which ends the program once the worker is done.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (hwnd_) KillTimer(hwnd_, kRefreshTimer);
}

void FindResults::Finish() {
    // The flag first: a loop woken by the message, or not yet asleep, sees it.
    finished_.store(true);
    if (HWND up = up_.load()) PostMessageA(up, WM_NULL, 0, 0);
}

void FindResults::Ended(SearchOutcome outcome) {
    running_ = false;
    up_.store(nullptr);
    outcome_ = outcome;
    if (closing_ || !hwnd_) {
        Close();
        return;
    }
    ShowCount();
    EnableWindow(Item(IDC_FIND_RESULTS_ABORT), FALSE);
    EnableWindow(Item(IDC_FIND_RESULTS_EXPORT), hits_.Count() > 0);
    // Back from the document window, which the end of the run activates.
    SetForegroundWindow(hwnd_);
}

void FindResults::ShowCount() {
    if (!hwnd_ || dropped_) return;
    size_t count = hits_.Count();
    ListView_SetItemCountEx(Item(IDC_FIND_RESULTS_LIST), static_cast<int>(count),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    UINT format = running_                                   ? IDS_FIND_ALL_RUNNING
                  : outcome_ == SearchOutcome::Stopped ? IDS_FIND_ALL_STOPPED
                                                             : IDS_FIND_ALL_DONE;
    SetStatus(fw::FormatText(format, Count(count)));
}

void FindResults::SetStatus(const std::string& text) { SetDlgItemTextA(hwnd_, IDC_FIND_RESULTS_STATUS, text.c_str()); }

bool FindResults::Changed() const { return document_ && document_->keysDropped != keysDropped_; }

void FindResults::DropChanged() {
    if (dropped_ || !Changed()) return;
    dropped_ = true;
    hits_.Clear();
    texts_.Forget();
    ListView_SetItemCountEx(Item(IDC_FIND_RESULTS_LIST), 0, 0);
    EnableWindow(Item(IDC_FIND_RESULTS_EXPORT), FALSE);
    SetStatus(fw::LoadText(IDS_FIND_ALL_CHANGED));
}

INT_PTR FindResults::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY:
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR*>(lParam)));
        return TRUE;
    case WM_TIMER:
        if (wParam == kRefreshTimer) ShowCount();
        return TRUE;
    case kFirstHitsMessage:
        if (running_) ShowCount();
        return TRUE;
    case kDropMessage:
        DropChanged();
        return TRUE;
    case WM_ACTIVATE:
        // Coming back after the document changed: the hits may be gone.
        if (LOWORD(wParam) != WA_INACTIVE && !running_) DropChanged();
        return FALSE;
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_DESTROY:
        up_.store(nullptr);
        return FALSE;
    default:
        return Dialog::HandleMessage(msg, wParam, lParam);
    }
}

LRESULT FindResults::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_FIND_RESULTS_LIST) return 0;
    switch (header->code) {
    case LVN_GETDISPINFOA:
        FillCell(reinterpret_cast<NMLVDISPINFOA*>(header));
        return 0;
    case NM_DBLCLK:
        ActivateRow(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
        return 0;
    case NM_RETURN:
        ActivateRow(ListView_GetNextItem(header->hwndFrom, -1, LVNI_FOCUSED | LVNI_SELECTED));
        return 0;
    case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_ESCAPE) PostMessageA(hwnd_, WM_COMMAND, IDCANCEL, 0);
        return 0;
    case LVN_COLUMNCLICK:
        SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return 0;
    default:
        return 0;
    }
}

void FindResults::FillCell(NMLVDISPINFOA* info) {
    if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0) return;
    info->item.pszText[0] = '\0';
    // Keys were deleted: the hits are not read again, and go once the
    // list is done asking.
    if (Changed()) {
        PostMessageA(hwnd_, kDropMessage, 0, 0);
        return;
    }
    FindHit hit = hits_.At(static_cast<size_t>(info->item.iItem));
    auto column = static_cast<HitColumn>(info->item.iSubItem);
    cell_ = texts_.Text(hit, column, kShownData);
    if (column == HitColumn::Name && hit.InValue()) {
        const ValueEntry* value = texts_.Value(hit);
        if (value && value->IsDefault()) cell_ = fw::LoadText(IDS_DEFAULT_NAME);
    }
    lstrcpynA(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
}

void FindResults::ActivateRow(int row) {
    // While the search runs the document window is disabled: it takes no choice.
    if (running_ || row < 0) return;
    if (Changed()) {
        DropChanged();
        return;
    }
    FindHit hit = hits_.At(static_cast<size_t>(row));
    if (hit.key && activate_) activate_(hit);
}

void FindResults::SortBy(int column) {
    if (running_ || dropped_ || column < 0 || column >= kHitColumns) return;
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    hits_.Sort(static_cast<HitColumn>(column), ascending_);
    SetCursor(old);
    HWND list = Item(IDC_FIND_RESULTS_LIST);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    InvalidateRect(list, nullptr, FALSE);
}

void FindResults::Export() {
    if (running_ || dropped_ || hits_.Count() == 0) return;
    std::string filter = fw::LoadText(IDS_FIND_ALL_EXPORT_FILTER);
    for (char& c : filter)
        if (c == '|') c = '\0';
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&ofn)) return;
    // The document window stayed usable under the file dialog.
    if (Changed()) {
        DropChanged();
        return;
    }
    FileSink file;
    bool written = file.Open(path) && hits_.Write(file);
    if (file.IsOpen() && !file.Close()) written = false;
    if (written) return;
    std::string text = fw::FormatText(IDS_FIND_ALL_EXPORT_ERROR, path);
    MessageBoxA(hwnd_, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool FindResults::OnCommand(int id, int, HWND) {
    if (id == IDC_FIND_RESULTS_ABORT) {
        aborted_ = true;
        EnableWindow(Item(IDC_FIND_RESULTS_ABORT), FALSE);
        return true;
    }
    if (id == IDC_FIND_RESULTS_EXPORT) {
        Export();
        return true;
    }
    return false;
}

// Closing while the search runs stops it; the window goes when it has ended.
void FindResults::OnCancel() {
    if (running_) {
        closing_ = aborted_ = true;
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    Close();
}

void FindResults::Close() {
    hits_.Clear();
    texts_.Forget();
    if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace find
