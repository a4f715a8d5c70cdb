#include "framework/CommandBar.h"

#include <cctype>

namespace fw {

namespace {

// The button ids: small numbers that no command of the program uses, so a
// stray WM_COMMAND of the bar finds no handler.
constexpr int kFirstButtonId = 1;

// The bar being tracked: a message filter hook has no data of its own.
CommandBar* g_tracking = nullptr;

bool RegisterCommandBarClass() {
    static bool registered = false;
    if (registered) return true;
    // A superclass of the toolbar: the same control under a name of its own,
    // so that the bar is not taken for the program's toolbar.
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(nullptr, TOOLBARCLASSNAMEA, &wc)) return false;
    wc.lpszClassName = CommandBar::kClassName;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.style &= ~CS_GLOBALCLASS;
    registered = RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

char MnemonicOf(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

}  // namespace

CommandBar::~CommandBar() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (g_tracking == this) g_tracking = nullptr;
}

bool CommandBar::Create(HWND parent, HMENU menu, int id) {
    menu_.Reset(menu);
    owner_ = parent;
    if (!menu || !RegisterCommandBarClass()) return false;
    hwnd_ = CreateWindowExA(0, kClassName, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    SendMessageA(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));

    int count = GetMenuItemCount(menu);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        texts.push_back(text);
        mnemonics_.push_back(MnemonicOf(text));
    }
    std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TBBUTTON& b = buttons[static_cast<size_t>(i)];
        b.iBitmap = I_IMAGENONE;
        b.idCommand = kFirstButtonId + i;
        b.fsState = TBSTATE_ENABLED;
        // A drop-down button without the drop-down arrow style: the whole
        // button reports TBN_DROPDOWN when pressed.
        b.fsStyle = BTNS_DROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        b.iString = reinterpret_cast<INT_PTR>(texts[static_cast<size_t>(i)].c_str());
    }
    SendMessageA(hwnd_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageA(hwnd_, TB_AUTOSIZE, 0, 0);
    return true;
}

SIZE CommandBar::IdealSize() const {
    SIZE size{};
    SendMessageA(hwnd_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size;
}

bool CommandBar::OnKeyMenu(char key) {
    if (!hwnd_ || key == ' ') return false;
    if (key == 0) {
        TrackFrom(0, true);
        return true;
    }
    char lower = static_cast<char>(tolower(static_cast<unsigned char>(key)));
    for (size_t i = 0; i < mnemonics_.size(); ++i) {
        if (mnemonics_[i] == lower) {
            TrackFrom(static_cast<int>(i), true);
            return true;
        }
    }
    return false;
}

bool CommandBar::PreTranslateMessage(const MSG* msg) {
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return false;
    bool repeat = (msg->lParam & 0x40000000) != 0;
    switch (msg->message) {
    case WM_SYSKEYDOWN:
        if (msg->wParam == VK_MENU) {
            if (!repeat) altAlone_ = true;
            return false;
        }
        altAlone_ = false;
        if (msg->wParam == VK_F10 && !(GetKeyState(VK_SHIFT) & 0x8000)) {
            TrackFrom(0, true);
            return true;
        }
        if ((msg->wParam >= 'A' && msg->wParam <= 'Z') || (msg->wParam >= '0' && msg->wParam <= '9'))
            return OnKeyMenu(static_cast<char>(msg->wParam));
        return false;
    case WM_SYSKEYUP:
        if (msg->wParam == VK_MENU && altAlone_) {
            altAlone_ = false;
            TrackFrom(0, true);
            return true;
        }
        return false;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        altAlone_ = false;
        return false;
    default:
        return false;
    }
}

bool CommandBar::OnNotify(NMHDR* header, LRESULT* result) {
    if (header->hwndFrom != hwnd_) return false;
    if (header->code != TBN_DROPDOWN) return false;
    auto* info = reinterpret_cast<NMTOOLBARA*>(header);
    TrackFrom(info->iItem - kFirstButtonId, false);
    *result = TBDDRET_DEFAULT;
    return true;
}

void CommandBar::OnMenuSelect(UINT flags, HMENU menu) {
    selectedMenu_ = menu;
    onPopupItem_ = flags != 0xFFFF && (flags & MF_POPUP);
}

int CommandBar::ButtonAt(POINT screen) const {
    POINT client = screen;
    ScreenToClient(hwnd_, &client);
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    if (!PtInRect(&rc, client)) return -1;
    int index = static_cast<int>(SendMessageA(hwnd_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&client)));
    return index >= 0 && index < static_cast<int>(mnemonics_.size()) ? index : -1;
}

void CommandBar::TrackFrom(int index, bool byKeyboard) {
    int count = static_cast<int>(mnemonics_.size());
    if (index < 0 || index >= count || g_tracking) return;
    g_tracking = this;
    hook_ = SetWindowsHookExA(WH_MSGFILTER, &CommandBar::MessageFilterHook, nullptr, GetCurrentThreadId());
    for (int open = index; open >= 0;) {
        current_ = open;
        next_ = -1;
        nextByKeyboard_ = false;
        selectedMenu_ = nullptr;
        onPopupItem_ = false;
        HMENU popup = GetSubMenu(menu_.Get(), open);
        RECT rc{};
        SendMessageA(hwnd_, TB_GETITEMRECT, open, reinterpret_cast<LPARAM>(&rc));
        MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        SendMessageA(hwnd_, TB_PRESSBUTTON, kFirstButtonId + open, TRUE);
        TPMPARAMS params{};
        params.cbSize = sizeof params;
        params.rcExclude = rc;
        if (popup) {
            // Opened from the keyboard, the popup starts on its first item, as
            // the window's own menu bar does: the menu loop takes the key
            // from the thread's queue.
            if (byKeyboard) PostMessageA(owner_, WM_KEYDOWN, VK_DOWN, 0);
            TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_VERTICAL, rc.left, rc.bottom,
                             owner_, &params);
        }
        SendMessageA(hwnd_, TB_PRESSBUTTON, kFirstButtonId + open, FALSE);
        open = next_;
        byKeyboard = nextByKeyboard_;
    }
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
    current_ = -1;
    g_tracking = nullptr;
}

// Inside the popup's menu loop: the pointer over another button or Left and
// Right at the popup's edge move to the neighbouring popup; a click on the
// open popup's own button closes it.
bool CommandBar::FilterMenuMessage(MSG* msg) {
    int count = static_cast<int>(mnemonics_.size());
    switch (msg->message) {
    case WM_MOUSEMOVE: {
        int over = ButtonAt(msg->pt);
        if (over >= 0 && over != current_) {
            next_ = over;
            EndMenu();
        }
        return false;
    }
    case WM_LBUTTONDOWN: {
        int over = ButtonAt(msg->pt);
        if (over < 0) return false;
        next_ = over == current_ ? -1 : over;
        EndMenu();
        return true;
    }
    case WM_KEYDOWN: {
        bool inSubmenu = selectedMenu_ && selectedMenu_ != GetSubMenu(menu_.Get(), current_);
        if (msg->wParam == VK_LEFT && !inSubmenu) {
            next_ = (current_ + count - 1) % count;
            nextByKeyboard_ = true;
            EndMenu();
            return true;
        }
        if (msg->wParam == VK_RIGHT && !onPopupItem_) {
            next_ = (current_ + 1) % count;
            nextByKeyboard_ = true;
            EndMenu();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK CommandBar::MessageFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    CommandBar* bar = g_tracking;
    if (code == MSGF_MENU && bar && bar->FilterMenuMessage(reinterpret_cast<MSG*>(lParam))) return TRUE;
    return CallNextHookEx(bar ? bar->hook_ : nullptr, code, wParam, lParam);
}

}  // namespace fw
