#pragma once
// Puts a procedure of ours in front of a window's own (a control's, or a
// window another piece of the program made). Unlike the common controls'
// SetWindowSubclass, which under Wine looks its data up in a window property
// on every message, a round trip to the server, the hook keeps what it needs
// in the window's user data, which the program's controls leave free. One
// hook per window.

#include <windows.h>

namespace fw {

class WindowHook {
public:
    WindowHook() = default;
    WindowHook(const WindowHook&) = delete;
    WindowHook& operator=(const WindowHook&) = delete;

    // Puts `proc` in front of the window's procedure; `data` is handed back
    // by Data. False when the window already has user data.
    bool Attach(HWND hwnd, WNDPROC proc, void* data);
    // The hook of a window that Attach hooked, or null.
    static WindowHook* Of(HWND hwnd);
    // Passes a message on to the window's own procedure; after WM_NCDESTROY
    // the hook is taken off first.
    LRESULT CallNext(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void* Data() const { return data_; }

private:
    WNDPROC next_ = nullptr;
    void* data_ = nullptr;
};

}  // namespace fw
