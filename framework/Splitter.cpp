#include "framework/Splitter.h"

#include "framework/Dpi.h"
#include "framework/Handles.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

bool Splitter::Create(HWND parent, int id) {
    return Window::Create("QuillonSplitter", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                          WS_EX_CONTROLPARENT, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), 0, nullptr,
                          reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1));
}

void Splitter::SetPanes(HWND left, HWND right) {
    left_ = left;
    right_ = right;
    Layout();
}

void Splitter::SetBarPosition(int x) {
    barX_ = std::max(0, x);
    Layout();
}

int Splitter::BarWidth() const { return fw::Scale(kBarWidth96, DpiOf(hwnd_)); }

void Splitter::ApplyDpi(int oldDpi, int newDpi) {
    if (oldDpi > 0) SetBarPosition(MulDiv(barX_, newDpi, oldDpi));
}

int Splitter::ClampBar(int x) const {
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    return std::clamp(x, 0, std::max(0, static_cast<int>(rc.right) - BarWidth()));
}

void Splitter::Layout() {
    if (!hwnd_) return;
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    int bar = ClampBar(barX_);
    if (left_) MoveWindow(left_, 0, 0, bar, rc.bottom, TRUE);
    if (right_)
        MoveWindow(right_, bar + BarWidth(), 0, std::max(0, static_cast<int>(rc.right) - bar - BarWidth()),
                   rc.bottom, TRUE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Splitter::OnPaint() {
    PaintScope paint(hwnd_);
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    RECT bar{ClampBar(barX_), 0, ClampBar(barX_) + BarWidth(), rc.bottom};
    FillRect(paint.Get(), &bar, GetSysColorBrush(COLOR_3DFACE));
}

LRESULT Splitter::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        dragging_ = true;
        SetCapture(hwnd_);
        return 0;
    case WM_MOUSEMOVE:
        if (dragging_) SetBarPosition(ClampBar(GET_X_LPARAM(lParam) - BarWidth() / 2));
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
            if (msg == WM_LBUTTONUP) ReleaseCapture();
        }
        return 0;
    case WM_SETFOCUS:
        if (left_) SetFocus(left_);
        return 0;
    case WM_NOTIFY:
    case WM_COMMAND:
    case WM_CONTEXTMENU:
        // The frame owns the panes' behaviour.
        return SendMessageA(GetParent(hwnd_), msg, wParam, lParam);
    default:
        break;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace fw
