#pragma once
// Owning wrappers for Win32 handles: each closes its handle exactly once.

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace fw {

template <class H, class Closer>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, H{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.h_, H{}));
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != H{}; }
    H Release() { return std::exchange(h_, H{}); }
    void Reset(H h = H{}) {
        if (h_ != H{}) Closer{}(h_);
        h_ = h;
    }
    // For out-parameters of the API: releases the old handle first.
    H* Put() {
        Reset();
        return &h_;
    }

private:
    H h_{};
};

struct KeyCloser { void operator()(HKEY h) const { RegCloseKey(h); } };
struct HandleCloser { void operator()(HANDLE h) const { CloseHandle(h); } };
struct MenuDestroyer { void operator()(HMENU h) const { DestroyMenu(h); } };
struct GdiDeleter { void operator()(HGDIOBJ h) const { DeleteObject(h); } };
struct IconDestroyer { void operator()(HICON h) const { DestroyIcon(h); } };
struct AccelDestroyer { void operator()(HACCEL h) const { DestroyAcceleratorTable(h); } };
struct ImageListDestroyer { void operator()(HIMAGELIST h) const { ImageList_Destroy(h); } };
struct GlobalFreer { void operator()(HGLOBAL h) const { GlobalFree(h); } };

using UniqueKey = UniqueHandle<HKEY, KeyCloser>;
using UniqueKernelHandle = UniqueHandle<HANDLE, HandleCloser>;
using UniqueMenu = UniqueHandle<HMENU, MenuDestroyer>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiDeleter>;
using UniqueFont = UniqueHandle<HFONT, GdiDeleter>;
using UniqueIcon = UniqueHandle<HICON, IconDestroyer>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListDestroyer>;
// Global memory until it is handed to the clipboard (Release it then).
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalFreer>;

// The clipboard, open for the life of the object when Opened().
class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardScope() {
        if (open_) CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool Opened() const { return open_; }

private:
    bool open_;
};

// A window's device context, released with the object.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// The painting of a WM_PAINT: BeginPaint with the object, EndPaint with its end.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Tells the user that an operation failed for lack of memory (the system's
// own text), in place of letting the failure unwind through a window
// procedure or a thread.
void ReportOutOfMemory(HWND owner);

}  // namespace fw
