#include "framework/Window.h"

#include <algorithm>
#include <new>

#include "framework/Dpi.h"
#include "framework/Handles.h"

namespace fw {

namespace {
HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }
}

bool Window::Create(const char* className, const char* title, DWORD style, DWORD exStyle,
                    int x, int y, int cx, int cy, HWND parent, HMENU menu,
                    UINT classStyle, HICON icon, HBRUSH background) {
    HINSTANCE instance = ModuleInstance();
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(instance, className, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = classStyle;
        wc.lpfnWndProc = StaticProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!RegisterClassExA(&wc)) return false;
    }
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, cx, cy, parent, menu,
                                instance, this);
    return hwnd != nullptr;
}

Window* Window::FromHandle(HWND hwnd) {
    return reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void ReportOutOfMemory(HWND owner) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_NOT_ENOUGH_MEMORY, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    MessageBoxA(owner, text ? text : "Not enough memory.", nullptr, MB_OK | MB_ICONERROR);
    if (text) LocalFree(text);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (const std::bad_alloc&) {
        // The operation fails; the program goes on.
        ReportOutOfMemory(hwnd);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage();
    }
    return result;
}

INT_PTR Dialog::DoModal(HWND owner, int templateId, HINSTANCE instance) {
    INT_PTR result = DialogBoxParamA(instance ? instance : ModuleInstance(), MAKEINTRESOURCEA(templateId), owner,
                                     StaticProc, reinterpret_cast<LPARAM>(this));
    RepaintUncovered(owner);
    return result;
}

// What the dialog covered is painted again at once: the work that often
// follows a dialog (a load, a rebuilt tree) would otherwise leave parts of it
// on the owner's panes until the next repaint.
void Dialog::RepaintUncovered(HWND owner) {
    if (!owner || IsRectEmpty(&lastRect_) || !IsWindow(owner)) return;
    RECT area = lastRect_;
    MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(owner, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    lastRect_ = RECT{};
}

HWND Dialog::CreateModeless(HWND owner, int templateId, HINSTANCE instance) {
    return CreateDialogParamA(instance ? instance : ModuleInstance(), MAKEINTRESOURCEA(templateId),
                              owner, StaticProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
        if (id == IDOK) { OnOK(); return TRUE; }
        if (id == IDCANCEL) { OnCancel(); return TRUE; }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK Dialog::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    if (msg == WM_INITDIALOG) self->scale_.Begin(hwnd);
    INT_PTR result = FALSE;
    try {
        result = self->AnswerScaleChange(msg, wParam, lParam) ? TRUE : self->HandleMessage(msg, wParam, lParam);
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory(hwnd);
    }
    if (msg == WM_DESTROY) GetWindowRect(hwnd, &self->lastRect_);
    if (msg == WM_NCDESTROY) {
        ForgetDpi(hwnd);
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

// Every dialog follows a change of display scale the same way, whatever its
// own handling of messages: the system asks the size it will take at the
// new scale, then tells the scale and a suggested rectangle.
bool Dialog::AnswerScaleChange(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kGetDpiScaledSizeMessage) {
        SIZE size{};
        if (!lParam || !scale_.ScaledSize(hwnd_, LOWORD(wParam), &size)) return false;
        *reinterpret_cast<SIZE*>(lParam) = size;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return true;
    }
    if (msg != kDpiChangedMessage || !lParam) return false;
    int old = scale_.Dpi(), dpi = HIWORD(wParam);
    scale_.Apply(hwnd_, dpi, *reinterpret_cast<const RECT*>(lParam));
    if (dpi != old) OnDpiChanged(old, dpi);
    return true;
}

void CenterOnOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT rc{};
    GetWindowRect(dialog, &rc);
    LONG width = rc.right - rc.left, height = rc.bottom - rc.top;
    LONG x = area.left + ((area.right - area.left) - width) / 2;
    LONG y = area.top + ((area.bottom - area.top) - height) / 2;
    // Inside the work area of the owner's monitor: at a large scale a dialog
    // can be wider than a small owner, and would reach off the screen.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max(work.left, std::min(x, work.right - width));
        y = std::max(work.top, std::min(y, work.bottom - height));
    }
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace fw
