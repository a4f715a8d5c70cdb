#pragma once
// Owning wrappers for Win32 handles: each closes its handle exactly once.

#include <windows.h>

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

using UniqueKey = UniqueHandle<HKEY, KeyCloser>;
using UniqueKernelHandle = UniqueHandle<HANDLE, HandleCloser>;
using UniqueMenu = UniqueHandle<HMENU, MenuDestroyer>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiDeleter>;
using UniqueFont = UniqueHandle<HFONT, GdiDeleter>;
using UniqueIcon = UniqueHandle<HICON, IconDestroyer>;

}  // namespace fw
