#include "framework/WindowHook.h"

namespace fw {

bool WindowHook::Attach(HWND hwnd, WNDPROC proc, void* data) {
    if (!hwnd || GetWindowLongPtrA(hwnd, GWLP_USERDATA) != 0) return false;
    data_ = data;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    next_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    return next_ != nullptr;
}

WindowHook* WindowHook::Of(HWND hwnd) { return reinterpret_cast<WindowHook*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

LRESULT WindowHook::CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC next = next_;
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
    return CallWindowProcA(next, hwnd, msg, wParam, lParam);
}

}  // namespace fw
