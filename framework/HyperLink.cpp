#include "framework/HyperLink.h"

#include "framework/Handles.h"
#include "framework/LinkAccessible.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

namespace fw {

namespace {

constexpr char kLinkProperty[] = "Quillon.HyperLink";
constexpr char kBrowserSettings[] = "Software\\Microsoft\\Internet Explorer\\Settings";

// "r,g,b" with three decimal numbers of 0 to 255; false for anything else.
bool ReadBrowserColor(const char* name, COLORREF& color) {
    char text[64] = "";
    DWORD size = sizeof text - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kBrowserSettings, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    int r = -1, g = -1, b = -1;
    char rest = 0;
    if (sscanf(text, " %d , %d , %d %c", &r, &g, &b, &rest) != 3) return false;
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
    color = RGB(r, g, b);
    return true;
}

}  // namespace

HyperLink::~HyperLink() {
    if (hwnd_ && IsWindow(hwnd_) && staticProc_) {
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(staticProc_));
        RemovePropA(hwnd_, kLinkProperty);
    }
}

bool HyperLink::Attach(HWND control, const char* address) {
    if (!control || hwnd_) return false;
    hwnd_ = control;
    address_ = address;
    ReadBrowserColor("Anchor Color", linkColor_);
    ReadBrowserColor("Anchor Color Visited", visitedColor_);

    UnderlineFont(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));

    SetPropA(control, kLinkProperty, this);
    // Our procedure in front of the static's: the common controls'
    // subclassing asks the server for a window property on every message
    // under Wine.
    staticProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HyperLink::Proc)));
    MakeTooltip();
    InvalidateRect(control, nullptr, TRUE);
    return staticProc_ != nullptr;
}

// The text's font, underlined; made again when the control is given another
// font (the dialog's, at a new display scale).
void HyperLink::UnderlineFont(HFONT current) {
    LOGFONTA font{};
    if (!current || !GetObjectA(current, sizeof font, &font)) GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfUnderline = TRUE;
    font_.Reset(CreateFontIndirectA(&font));
}

void HyperLink::MakeTooltip() {
    HWND owner = GetParent(hwnd_);
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!tooltip_) return;
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = address_.data();
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The tooltip sees the mouse through us, since the control's messages do
// not pass its owner.
void HyperLink::Relay(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!tooltip_) return;
    MSG relayed{hwnd_, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    GetCursorPos(&relayed.pt);
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

bool HyperLink::Activate() {
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(GetParent(hwnd_), "open", address_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) return false;
    visited_ = true;
    InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

void HyperLink::Paint(HDC dc) {
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    HWND parent = GetParent(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
    FillRect(dc, &rc, brush ? brush : GetSysColorBrush(COLOR_3DFACE));
    char text[512] = "";
    GetWindowTextA(hwnd_, text, sizeof text);
    HGDIOBJ old = SelectObject(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, visited_ ? visitedColor_ : linkColor_);
    RECT textRect = rc;
    DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP | DT_CALCRECT);
    DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    if (GetFocus() == hwnd_) DrawFocusRect(dc, &textRect);
    SelectObject(dc, old);
}

LRESULT CALLBACK HyperLink::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* link = static_cast<HyperLink*>(GetPropA(hwnd, kLinkProperty));
    if (!link) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return link->HandleMessage(msg, wParam, lParam);
}

LRESULT HyperLink::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == LinkRequestMessage()) {
        if (wParam == kLinkActivate) Activate();
        return visited_ ? 1 : 0;
    }
    switch (msg) {
    case WM_PAINT: {
        PaintScope paint(hwnd_);
        Paint(paint.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
    case WM_GETDLGCODE: {
        // Enter and the space bar are the link's own; dialog navigation
        // would take Enter for the default button.
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message && message->message == WM_KEYDOWN && (message->wParam == VK_RETURN || message->wParam == VK_SPACE))
            return DLGC_WANTALLKEYS;
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            Activate();
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case WM_SETFONT:
        UnderlineFont(reinterpret_cast<HFONT>(wParam));
        break;
    case WM_GETOBJECT:
        // Screen readers are told it is a link, not a piece of text.
        if (LRESULT object = AnswerLinkAccessible(hwnd_, wParam, lParam, address_.c_str())) return object;
        break;
    case WM_MOUSEMOVE:
        Relay(msg, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        Relay(msg, wParam, lParam);
        SetFocus(hwnd_);
        return 0;
    case WM_LBUTTONUP:
        Relay(msg, wParam, lParam);
        Activate();
        return 0;
    case WM_NCDESTROY: {
        // The control goes before this object: give it its procedure back.
        WNDPROC staticProc = staticProc_;
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(staticProc));
        RemovePropA(hwnd_, kLinkProperty);
        staticProc_ = nullptr;
        return CallWindowProcA(staticProc, hwnd_, msg, wParam, lParam);
    }
    default:
        break;
    }
    return CallWindowProcA(staticProc_, hwnd_, msg, wParam, lParam);
}

}  // namespace fw
