#include "shell/MainFrame.h"

#include <algorithm>

#include "document/DocumentEdits.h"
#include "editors/ValueEditors.h"
#include "framework/Dpi.h"
#include "resources/resource.h"
#include "shell/CommandLine.h"
#include "shell/DiskChanges.h"
#include "shell/ExportDialog.h"
#include "shell/FileDialogs.h"
#include "shell/FileLoading.h"
#include "shell/SaveCommands.h"
#include "shell/Settings.h"
#include "framework/Strings.h"

namespace {

constexpr int kSplitterId = 59648;
constexpr int kStatusBarId = 59393;
constexpr int kToolbarId = 59392;
constexpr int kRebarId = 59419;
constexpr int kCommandBarId = 59398;
constexpr int kAddressBarId = 59420;
constexpr int kTreeId = 1;
constexpr int kListId = 2;
// The File menu, whose submenu of recent files starts with the first entry's command.
constexpr int kFileMenu = 0;

HMENU RecentFilesMenu(HMENU file) {
    for (int i = 0, n = file ? GetMenuItemCount(file) : 0; i < n; ++i) {
        HMENU sub = GetSubMenu(file, i);
        if (sub && GetMenuItemID(sub, 0) == ID_FILE_MRU_FIRST) return sub;
    }
    return nullptr;
}
// Posted to itself on activation: look at the document's file on disk.
constexpr UINT kCheckFileMessage = WM_APP + 1;
// WM_DPICHANGED, which the headers for Windows 7 leave out.
constexpr UINT kDpiChangedMessage = 0x02E0;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// RT_TOOLBAR. Microsoft's compiler writes 16-bit fields: version, button
// width, height, count, then the command of each button (0 for a
// separator). GNU windres writes 32-bit fields without the version. The size
// tells them apart.
struct ToolbarLayout {
    int width = 0;
    int height = 0;
    std::vector<int> items;
};

bool LoadToolbarResource(int id, ToolbarLayout& out) {
    HRSRC info = FindResourceA(Instance(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(241));
    HGLOBAL data = info ? LoadResource(Instance(), info) : nullptr;
    auto* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    DWORD size = info ? SizeofResource(Instance(), info) : 0;
    if (!bytes || size < 12) return false;
    auto word = [&](size_t i) -> int { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
    auto dword = [&](size_t i) -> int { return word(2 * i); };
    size_t count;
    if (word(0) == 1 && size == (4 + static_cast<size_t>(word(3))) * 2) {
        count = static_cast<size_t>(word(3));
        out.width = word(1);
        out.height = word(2);
        for (size_t i = 0; i < count; ++i) out.items.push_back(word(4 + i));
    } else if (size == (3 + static_cast<size_t>(dword(2))) * 4) {
        count = static_cast<size_t>(dword(2));
        out.width = dword(0);
        out.height = dword(1);
        for (size_t i = 0; i < count; ++i) out.items.push_back(dword(3 + i));
    } else {
        return false;
    }
    return out.width > 0 && out.height > 0;
}

// The first line of a command's prompt string (the status bar text).
std::string PromptOf(UINT id) {
    std::string text = fw::LoadText(id);
    size_t newline = text.find('\n');
    return newline == std::string::npos ? text : text.substr(0, newline);
}

}  // namespace

MainFrame::~MainFrame() = default;

bool MainFrame::Create(fw::MessageLoop* loop) {
    loop_ = loop;
    HICON icon = LoadIconA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    std::string caption = fw::LoadText(IDS_APP_NAME);
    if (!Window::Create(kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                        CS_DBLCLKS, icon, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1))) {
        return false;
    }
    return true;
}

bool MainFrame::OnCreate() {
    accelerators_ = LoadAcceleratorsA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    // The menu is the command bar's, not the window's: it sits in the rebar's
    // first band, with the toolbar's images beside its items.
    if (!commandBar_.Create(hwnd_, LoadMenuA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME)), kCommandBarId))
        return false;
    HMENU menuBar = commandBar_.Menu();
    states_.SetMenuBar(menuBar);

    if (!CreateToolbar() || !CreateRebar() || !CreateStatusBar()) return false;
    if (menuBar) AddMenuImages(menuBar);
    viewHost_ = ViewHost{hwnd_, hwnd_, &document_, statusBar_, &states_, &commands_, menuBar};
    if (!CreatePanes() || !CreateAddressBand()) return false;

    states_.AddToolbar(toolbar_);
    BuildCommandTable();
    editCommands_.Observe(document_);
    document_.edits->SetHistoryLimit(size_t(shell::ReadUndoHistoryMiB()) << 20);
    transferCommands_.RegisterDropTargets();
    if (loop_) {
        loop_->AddMessageFilter(this);
        loop_->AddIdleHandler(this);
    }
    RefreshStates();

    if (HMENU recent = RecentFilesMenu(GetSubMenu(commandBar_.Menu(), kFileMenu))) recentDocuments_.AttachMenu(recent);
    recentDocuments_.ReadList(shell::kSettingsKey);
    RefreshStates();

    findCommands_.SetFlags(shell::ReadFindFlags());
    SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
    return true;
}

bool MainFrame::CreateToolbar() {
    ToolbarLayout resource;
    if (!LoadToolbarResource(IDR_MAINFRAME, resource)) return false;
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                                   TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN,
                               0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(kToolbarId), Instance(),
                               nullptr);
    if (!toolbar_) return false;
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    toolbarImageSize_ = {resource.width, resource.height};
    ScaleToolbarImages(fw::DpiOf(hwnd_));

    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (int id : resource.items) {
        TBBUTTON button{};
        if (id == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = image++;
            button.idCommand = id;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
            toolbarCommands_.push_back(id);
        }
        buttons.push_back(button);
    }
    SendMessageA(toolbar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    return true;
}

bool MainFrame::CreateRebar() {
    rebar_ = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                 RBS_VARHEIGHT | RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER |
                                 CCS_TOP,
                             0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(kRebarId), Instance(), nullptr);
    if (!rebar_) return false;
    REBARINFO info{};
    info.cbSize = sizeof info;
    SendMessageA(rebar_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    // The bars report their clicks and tooltip requests to the frame.
    SetParent(commandBar_.Hwnd(), rebar_);
    SendMessageA(commandBar_.Hwnd(), TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd_), 0);
    SetParent(toolbar_, rebar_);
    SendMessageA(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(hwnd_), 0);

    // The menu first, the toolbar second on a row of its own.
    SIZE menuSize = commandBar_.IdealSize();
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_NOGRIPPER;
    band.hwndChild = commandBar_.Hwnd();
    band.wID = kCommandBarId;
    band.cxMinChild = menuSize.cx;
    band.cyMinChild = menuSize.cy;
    band.cx = menuSize.cx;
    if (!SendMessageA(rebar_, RB_INSERTBANDA, -1, reinterpret_cast<LPARAM>(&band))) return false;

    SIZE size{};
    SendMessageA(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | RBBS_BREAK;
    band.hwndChild = toolbar_;
    band.wID = kToolbarId;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    band.cx = size.cx + 20;
    return SendMessageA(rebar_, RB_INSERTBANDA, -1, reinterpret_cast<LPARAM>(&band)) != 0;
}

// The address bar on a row of its own under the toolbar, shown as the
// settings say.
bool MainFrame::CreateAddressBand() {
    if (!addressBar_.Create(rebar_, &viewHost_, &keyTree_, kAddressBarId)) return false;
    viewHost_.addressBar = addressBar_.Hwnd();
    HDC dc = GetDC(addressBar_.Hwnd());
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(addressBar_.Hwnd(), dc);
    std::string label = fw::LoadText(IDS_ADDRESS_LABEL);
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_ID | RBBIM_TEXT;
    band.fStyle = RBBS_CHILDEDGE | RBBS_BREAK | RBBS_NOGRIPPER;
    band.lpText = label.data();
    band.hwndChild = addressBar_.Hwnd();
    band.wID = kAddressBarId;
    band.cxMinChild = 100;
    band.cyMinChild = metrics.tmHeight + 8;
    band.cx = 400;
    if (!SendMessageA(rebar_, RB_INSERTBANDA, -1, reinterpret_cast<LPARAM>(&band))) return false;
    addressBarVisible_ = shell::ReadAddressBar() != 0;
    ShowBand(kAddressBarId, addressBarVisible_);
    return true;
}

void MainFrame::ShowBand(int id, bool shown) {
    int band = static_cast<int>(SendMessageA(rebar_, RB_IDTOINDEX, id, 0));
    SendMessageA(rebar_, RB_SHOWBAND, band, shown);
    Layout();
}

bool MainFrame::CreateStatusBar() {
    std::string ready = fw::LoadText(IDS_READY);
    statusBar_ = CreateWindowExA(0, STATUSCLASSNAMEA, ready.c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 hwnd_, reinterpret_cast<HMENU>(kStatusBarId), Instance(), nullptr);
    return statusBar_ != nullptr;
}

bool MainFrame::CreatePanes() {
    if (!splitter_.Create(hwnd_, kSplitterId)) return false;
    dpi_ = fw::DpiOf(hwnd_);
    if (!CreateKeyTree() || !CreateValueList()) return false;
    splitter_.SetPanes(tree_, list_);
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    splitter_.SetBarPosition(rc.right / 3);
    Layout();
    SetFocus(tree_);
    return true;
}

bool MainFrame::CreateKeyTree() {
    if (!keyTree_.Create(splitter_.Hwnd(), &viewHost_, &valueList_, kTreeId)) return false;
    tree_ = keyTree_.Hwnd();
    // Redrawing stays off until the frame is complete.
    SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
    return true;
}

bool MainFrame::CreateValueList() {
    if (!valueList_.Create(splitter_.Hwnd(), &viewHost_, kListId)) return false;
    list_ = valueList_.Hwnd();
    return true;
}

// Each toolbar image becomes a menu bitmap on the menu's background, since
// the system draws item bitmaps without a mask.
void MainFrame::AddMenuImages(HMENU menu) {
    if (menuBitmapOf_.empty() && toolbarImages_) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(toolbarImages_.Get(), &cx, &cy);
        fw::WindowDC screenDc(nullptr);
        HDC screen = screenDc.Get();
        for (size_t i = 0; i < toolbarCommands_.size(); ++i) {
            HDC dc = CreateCompatibleDC(screen);
            fw::UniqueBitmap bitmap(CreateCompatibleBitmap(screen, cx, cy));
            HGDIOBJ old = SelectObject(dc, bitmap.Get());
            RECT rc{0, 0, cx, cy};
            FillRect(dc, &rc, GetSysColorBrush(COLOR_MENU));
            ImageList_Draw(toolbarImages_.Get(), static_cast<int>(i), dc, 0, 0, ILD_TRANSPARENT);
            SelectObject(dc, old);
            DeleteDC(dc);
            menuBitmapOf_[toolbarCommands_[i]] = bitmap.Get();
            menuBitmaps_.push_back(std::move(bitmap));
        }
    }
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            AddMenuImages(sub);
            continue;
        }
        auto it = menuBitmapOf_.find(static_cast<int>(GetMenuItemID(menu, i)));
        if (it == menuBitmapOf_.end()) continue;
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_BITMAP;
        mii.hbmpItem = it->second;
        SetMenuItemInfoA(menu, i, TRUE, &mii);
    }
}

void MainFrame::Layout() {
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    int top = 0, bottom = rc.bottom;
    // The style, not IsWindowVisible: the first layout runs before the frame is shown.
    auto shown = [](HWND bar) { return bar && (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE); };
    if (shown(rebar_)) {
        SendMessageA(rebar_, WM_SIZE, 0, 0);
        RECT r{};
        GetWindowRect(rebar_, &r);
        top = r.bottom - r.top;
    }
    if (shown(statusBar_)) {
        SendMessageA(statusBar_, WM_SIZE, 0, 0);
        RECT r{};
        GetWindowRect(statusBar_, &r);
        bottom -= r.bottom - r.top;
    }
    if (splitter_.Hwnd())
        MoveWindow(splitter_.Hwnd(), 0, top, rc.right, std::max(0, bottom - top), TRUE);
}

void MainFrame::RefreshStates() {
    commands_.UpdateStates(states_);
}

void MainFrame::RefreshCaption() {
    std::string caption = fw::FormatText(IDS_TITLE_FORMAT, document_.title.c_str(),
                                              document_.modified ? "*" : "", fw::LoadText(IDS_APP_NAME).c_str());
    SetWindowTextA(hwnd_, caption.c_str());
}

bool MainFrame::AskSaveChanges() {
    bool ok = QuerySave(document_, hwnd_);
    // A save made by the question changes the caption even when the caller stops.
    RefreshStates();
    RefreshCaption();
    return ok;
}

bool MainFrame::NewDocument() {
    if (!AskSaveChanges()) return false;
    std::string untitled = fw::LoadText(IDS_UNTITLED);
    document_.SetFileName("", untitled.c_str());
    document_.Clear();
    keyTree_.Rebuild(document_);
    RefreshStates();
    RefreshCaption();
    return true;
}

void MainFrame::OpenFromCommandLine(const char* commandLine) {
    bool untitled = shell::TakeUntitledSwitch(commandLine);
    std::string path = shell::CommandLinePath(commandLine);
    if (path.empty()) {
        NewDocument();
        return;
    }
    char full[kPathBytes] = "";
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, &filePart);
    if (length == 0 || length >= sizeof full) {
        // Too long for the program's path buffers: report it as unreadable
        // instead of opening a cut-off path.
        std::string box = fw::FormatText(IDS_READ_ERROR, path.c_str());
        MessageBoxA(hwnd_, box.c_str(), "", MB_OK | MB_ICONERROR);
        return;
    }
    if (untitled) {
        OpenAsUntitled(full);
        return;
    }
    // The list is stored by the next command that stores it.
    if (OpenFile(full, filePart ? filePart : full)) recentDocuments_.AddEntry(full);
}

// A file this program wrote for a new document (a comparison's result): its
// text becomes an unsaved, untitled document, and the file goes.
void MainFrame::OpenAsUntitled(const char* path) {
    std::string untitled = fw::LoadText(IDS_UNTITLED);
    if (OpenFile(path, untitled.c_str())) {
        document_.SetFileName("", untitled.c_str());
        document_.edits->MarkUnsaved();
        RefreshStates();
        RefreshCaption();
    }
    DeleteFileA(path);
}

bool MainFrame::OpenFile(const char* path, const char* title) {
    bool ok = OpenRegFile(hwnd_, document_, keyTree_, path, title);
    RefreshStates();
    RefreshCaption();
    return ok;
}

void MainFrame::PostFileCheck() {
    if (fileCheckPosted_) return;
    fileCheckPosted_ = PostMessageA(hwnd_, kCheckFileMessage, 0, 0) != 0;
}

void MainFrame::CheckFileOnDisk() {
    fileCheckPosted_ = false;
    // Inside another handler of the frame, the check came through that
    // handler's own message loop: a box, a dialog, the wait for a load or
    // save (whose document is half-way), a drag, this check's own question
    // (which takes the activation away and gives it back). It runs once that
    // handler is done. Wine re-enables the frame as the progress dialog
    // closes, before the worker's document is complete, so being enabled is
    // not enough to tell.
    if (handlerDepth_ > 1) {
        fileCheckDue_ = true;
        return;
    }
    fileCheckDue_ = false;
    // A disabled frame has a modal dialog up: the frame is activated again
    // when it closes.
    if (!IsWindowEnabled(hwnd_) || IsEditingLabel()) return;
    if (IsChangedOnDisk(document_) && AskReloadChanged(document_, hwnd_)) ReloadFile();
}

// The open flow without the save-changes question: the reload question has
// said what becomes of the changes. The recent list stays as it is.
void MainFrame::ReloadFile() {
    std::string path = document_.path, title = document_.title;
    OpenFile(path.c_str(), title.c_str());
}

bool MainFrame::IsEditingLabel() const {
    return (tree_ && SendMessageA(tree_, TVM_GETEDITCONTROL, 0, 0)) ||
           (list_ && SendMessageA(list_, LVM_GETEDITCONTROL, 0, 0));
}

bool MainFrame::PreTranslateMessage(MSG* msg) {
    // A label editor gets every key: no accelerator, no navigation.
    if (IsEditingLabel()) return false;
    // Only the frame's own windows take part; a key typed in another window
    // of this thread must not run frame commands.
    if (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd)) return false;
    if (commandBar_.PreTranslateMessage(msg)) return true;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F6 && GetKeyState(VK_CONTROL) >= 0) {
        CyclePaneFocus(GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    if (IsTextEditingKey(*msg)) return false;

    bool navigated = IsDialogMessageA(hwnd_, msg) != FALSE;
    // Dialog navigation takes Enter as its default button; the list needs it
    // to start Modify.
    if (navigated && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && msg->hwnd == list_)
        return false;
    // A chosen favorite of the Favorites menu (every menu command from its
    // first number up is looked up by its text).
    if (msg->message == WM_COMMAND && HIWORD(msg->wParam) == 0 && LOWORD(msg->wParam) >= ID_FAVORITE_FIRST &&
        msg->hwnd == hwnd_) {
        editorCommands_.OpenFavorite(LOWORD(msg->wParam), MenuBar());
        return navigated;
    }
    if (accelerators_ && TranslateAcceleratorA(hwnd_, accelerators_, msg)) return true;
    return navigated;
}

// F6 steps from the tree to the list to the address bar (when shown) and back
// to the tree, as in the system's registry editor; Shift+F6 the other way.
void MainFrame::CyclePaneFocus(bool backward) {
    std::vector<HWND> stops{tree_, list_};
    if (addressBarVisible_) stops.push_back(addressBar_.Hwnd());
    HWND focus = GetFocus();
    size_t at = 0;
    while (at < stops.size() && focus != stops[at] && !IsChild(stops[at], focus)) ++at;
    size_t next = at == stops.size() ? 0 : (backward ? at + stops.size() - 1 : at + 1) % stops.size();
    SetFocus(stops[next]);
}

void MainFrame::OnIdle() { states_.UpdateToolbars(); }

void MainFrame::ToggleToolbar() {
    toolbarVisible_ = !toolbarVisible_;
    ShowBand(kToolbarId, toolbarVisible_);
}

void MainFrame::ToggleAddressBar() {
    addressBarVisible_ = !addressBarVisible_;
    ShowBand(kAddressBarId, addressBarVisible_);
    if (!addressBarVisible_ && GetFocus() == addressBar_.Hwnd()) SetFocus(tree_);
    shell::WriteAddressBar(addressBarVisible_ ? 1 : 0);
}

// Keys that edit the address bar's text: they are the text's, not the
// frame's accelerators (Delete would delete a key, Ctrl+V paste one).
bool MainFrame::IsTextEditingKey(const MSG& msg) const {
    if (msg.hwnd != addressBar_.Hwnd() || (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)) return false;
    bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
    switch (msg.wParam) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_DELETE:
    case VK_INSERT:
        return true;
    case VK_BACK:
        return !alt || control || shift;
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Z':
        return control && !alt;
    default:
        return false;
    }
}

void MainFrame::ToggleStatusBar() {
    bool visible = !(GetWindowLongA(statusBar_, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(statusBar_, visible ? SW_SHOW : SW_HIDE);
    Layout();
}

int MainFrame::ShowPopup(HMENU popup, POINT screen) {
    states_.ApplyToMenu(popup);
    AddMenuImages(popup);
    return static_cast<int>(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                             screen.x, screen.y, hwnd_, nullptr));
}

LRESULT MainFrame::OnNotify(NMHDR* header) {
    LRESULT result = 0;
    if (commandBar_.OnNotify(header, &result)) return result;
    if (fw::AnswerToolTip(header)) return 0;
    if (header->code == NM_SETFOCUS && (header->hwndFrom == tree_ || header->hwndFrom == list_)) {
        RefreshStates();
        editCommands_.OnViewFocus(header->hwndFrom);
    }
    // Drag starts go to the transfer: the drag loop runs until the drop.
    if (header->hwndFrom == tree_ && (header->code == TVN_BEGINDRAGA || header->code == TVN_BEGINDRAGW)) {
        transferCommands_.BeginKeyDrag(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
        return 0;
    }
    if (header->hwndFrom == list_ && header->code == LVN_BEGINDRAG) {
        transferCommands_.BeginValuesDrag();
        return 0;
    }
    if (header->hwndFrom == tree_) return keyTree_.OnNotify(header);
    if (header->hwndFrom == list_) return valueList_.OnNotify(header);
    if (header->hwndFrom == rebar_ && header->code == RBN_HEIGHTCHANGE) {
        Layout();
        return 0;
    }
    return 0;
}

void MainFrame::OnContextMenu(HWND target, POINT screen) {
    if (target == tree_) keyTree_.OnContextMenu(screen);
    else if (target == list_) valueList_.OnContextMenu(screen);
    else if (target == statusBar_) ShowStatusBarMenu(screen);
}

// The path the status bar shows can be copied from its own menu, whichever
// pane has the focus.
void MainFrame::ShowStatusBarMenu(POINT screen) {
    fw::UniqueMenu menu(LoadMenuA(Instance(), MAKEINTRESOURCEA(IDR_STATUS_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    HTREEITEM selected = keyTree_.Selected();
    EnableMenuItem(popup, ID_EDIT_COPY_KEY_NAME, MF_BYCOMMAND | (selected ? MF_ENABLED : MF_GRAYED));
    if (screen.x == -1 && screen.y == -1) GetCursorPos(&screen);
    int command = static_cast<int>(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                                    screen.x, screen.y, hwnd_, nullptr));
    if (command == ID_EDIT_COPY_KEY_NAME && selected) editCommands_.CopyKeyName(selected);
}

void MainFrame::OnInitMenuPopup(HMENU popup, bool systemMenu) {
    if (systemMenu) return;
    editorCommands_.BuildFavoritesMenu(popup);
    states_.ApplyToMenu(popup);
}

// The status bar shows the prompt of the highlighted menu item while a menu
// is open, in its simple mode so the normal text comes back afterwards.
void MainFrame::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
    commandBar_.OnMenuSelect(flags, menu);
    if (!statusBar_) return;
    if (flags == 0xFFFF && menu == nullptr) {
        SendMessageA(statusBar_, SB_SIMPLE, FALSE, 0);
        return;
    }
    std::string prompt;
    if (!(flags & (MF_POPUP | MF_SEPARATOR))) prompt = PromptOf(id);
    SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);
    SendMessageA(statusBar_, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(prompt.c_str()));
}

void MainFrame::OnClose() {
    if (AskSaveChanges()) DestroyWindow(hwnd_);
}

void MainFrame::OnDestroy() {
    shell::WriteFindFlags(findCommands_.Flags());
    transferCommands_.RevokeDropTargets();
    if (loop_) {
        loop_->RemoveMessageFilter(this);
        loop_->RemoveIdleHandler(this);
    }
    states_.SetMenuBar(nullptr);
    states_.RemoveToolbar(toolbar_);
    PostQuitMessage(0);
}

void MainFrame::OnSize() { Layout(); }

// The toolbar's pictures for a display scale; magenta marks the strip's
// transparent pixels.
void MainFrame::ScaleToolbarImages(int dpi) {
    toolbarImages_.Reset(fw::ScaledStripImageList(IDR_MAINFRAME, toolbarImageSize_.cx, toolbarImageSize_.cy,
                                                  RGB(255, 0, 255), dpi));
    SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_.Get()));
    SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0,
                 MAKELPARAM(fw::Scale(toolbarImageSize_.cx, dpi), fw::Scale(toolbarImageSize_.cy, dpi)));
}

// The toolbar at a new scale, and its band sized to it.
void MainFrame::RescaleToolbar(int dpi) {
    ScaleToolbarImages(dpi);
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    SIZE size{};
    SendMessageA(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILDSIZE;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    int index = static_cast<int>(SendMessageA(rebar_, RB_IDTOINDEX, kToolbarId, 0));
    SendMessageA(rebar_, RB_SETBANDINFOA, index, reinterpret_cast<LPARAM>(&band));
}

void MainFrame::OnDpiChanged(int dpi, const RECT& suggested) {
    int old = dpi_;
    dpi_ = dpi;
    RescaleToolbar(dpi);
    // The menus' pictures are made again from the new toolbar images; the
    // old ones go once the menu bar shows the new.
    std::vector<fw::UniqueBitmap> oldMenuBitmaps = std::move(menuBitmaps_);
    menuBitmapOf_.clear();
    AddMenuImages(commandBar_.Menu());
    keyTree_.ApplyDpi(dpi);
    valueList_.ApplyDpi(dpi);
    splitter_.ApplyDpi(old, dpi);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

LRESULT MainFrame::AnswerViews(WPARAM request, LPARAM data) {
    switch (request) {
    case ViewHost::kRefreshStates:
        RefreshStates();
        return 0;
    case ViewHost::kRefreshTitle:
        RefreshCaption();
        return 0;
    case ViewHost::kRunCommand: {
        const auto* command = reinterpret_cast<const ViewHost::CommandRequest*>(data);
        Execute(command->id, command->source);
        return 0;
    }
    case ViewHost::kEditValue:
        // The editors' context menus show through the frame, with its command
        // states, while the frame is disabled under the editor.
        return editors::EditValue(*reinterpret_cast<ValueEntry*>(data), hwnd_, hwnd_);
    case ViewHost::kReadColumnWidths: {
        const auto* columns = reinterpret_cast<const ViewHost::ColumnWidths*>(data);
        return shell::ReadListHeader(columns->columns, *columns->widths);
    }
    case ViewHost::kStoreColumnWidths:
        shell::WriteListHeader(*reinterpret_cast<const ViewHost::ColumnWidths*>(data)->widths);
        return 0;
    default:
        return 0;
    }
}

LRESULT MainFrame::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    ++handlerDepth_;
    LRESULT result = HandleFrameMessage(msg, wParam, lParam);
    if (--handlerDepth_ == 0 && fileCheckDue_) PostFileCheck();
    return result;
}

LRESULT MainFrame::HandleFrameMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // An editor sets the states of its context menu's commands before it
    // shows the menu through TrackPopup.
    const UINT enableCommandMessage = editors::GetEnableCommandMessage();
    if (msg == enableCommandMessage && enableCommandMessage != 0) {
        states_.Enable(static_cast<UINT>(wParam), lParam != 0);
        return 0;
    }
    if (msg == ViewHost::RequestMessage() && msg != 0) return AnswerViews(wParam, lParam);
    if (msg == fw::PopupMessage() && msg != 0)
        return ShowPopup(reinterpret_cast<HMENU>(wParam), *reinterpret_cast<const POINT*>(lParam));
    if (msg == ExportBranchMessage() && msg != 0) {
        // The name is known to every process, but the path is a pointer into
        // this one: only the export dialog on this thread may ask.
        if (InSendMessageEx(nullptr) != ISMEX_NOSEND) return 1;
        return CheckExportBranch(reinterpret_cast<const char*>(lParam));
    }
    if (msg == find::FoundValueMessage() && msg != 0) {
        findCommands_.ShowFoundValue();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_SIZE:
        OnSize();
        return 0;
    case kDpiChangedMessage:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COMMAND:
        // A command that arrives while the window is disabled under a running
        // load, save or search (or a modal dialog) is dropped: the document
        // may be half-built, and the user could not have given it.
        if (!IsWindowEnabled(hwnd_)) return 0;
        // Menus, accelerators and the toolbar: the command acts on the focus.
        Execute(LOWORD(wParam), nullptr);
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<HWND>(wParam),
                      POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), HIWORD(lParam) != 0);
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_ACTIVATE:
        // Coming back to the frame returns the focus to the pane that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wParam)) {
            // Another program may have rewritten the file meanwhile. Not
            // asked here: a box shown inside WM_ACTIVATE would move the
            // activation while the system is still making this one.
            PostFileCheck();
        }
        break;
    case kCheckFileMessage:
        CheckFileOnDisk();
        return 0;
    case WM_SETFOCUS:
        if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) SetFocus(lastFocus_);
        else if (tree_) SetFocus(tree_);
        return 0;
    case WM_SYSCOMMAND:
        // Alt with a letter, Alt alone and F10 open the command bar's menus.
        if ((wParam & 0xFFF0) == SC_KEYMENU && commandBar_.OnKeyMenu(static_cast<char>(lParam))) return 0;
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}
