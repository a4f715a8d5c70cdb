#include "framework/Dpi.h"

#include <algorithm>

#include <uxtheme.h>

#include "framework/Handles.h"

namespace fw {

namespace {

// The per-monitor functions came with Windows 10; the program runs on 7 too.
template <class Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

constexpr char kDpiProperty[] = "Quillon.Dpi";

}  // namespace

void RecordDpi(HWND topLevel, int dpi) {
    SetPropA(topLevel, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

void ForgetDpi(HWND topLevel) { RemovePropA(topLevel, kDpiProperty); }

int DpiOf(HWND hwnd) {
    if (HWND top = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr)
        if (HANDLE recorded = GetPropA(top, kDpiProperty)) return static_cast<int>(reinterpret_cast<INT_PTR>(recorded));
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (hwnd && getDpiForWindow) {
        UINT dpi = getDpiForWindow(hwnd);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

int MetricAt(int index, int dpi) {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

HFONT CreateInterfaceFont(int dpi) {
    static const auto forDpi = User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    LOGFONTW font{};
    if (forDpi && forDpi(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0, static_cast<UINT>(dpi)))
        return CreateFontIndirectW(&font);
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0)) return nullptr;
    font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
    return CreateFontIndirectW(&font);
}

HIMAGELIST IconImageList(std::initializer_list<int> iconIds, int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconIds.size()), 0);
    if (!list) return nullptr;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int id : iconIds) {
        // The system takes the icon's nearest drawn size and scales it.
        UniqueIcon icon(static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
        ImageList_AddIcon(list, icon.Get());
    }
    return list;
}

HIMAGELIST ScaledStripImageList(int bitmapId, int cx, int cy, COLORREF mask, int dpi) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!strip || !GetObjectA(strip.Get(), sizeof info, &info) || cx <= 0) return nullptr;
    int count = info.bmWidth / cx;
    int width = Scale(cx, dpi), height = Scale(cy, dpi);
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 0);
    if (!list) return nullptr;
    WindowDC screen(nullptr);
    HDC source = CreateCompatibleDC(screen.Get());
    HDC target = CreateCompatibleDC(screen.Get());
    UniqueBitmap scaled(CreateCompatibleBitmap(screen.Get(), width * count, height));
    HGDIOBJ oldSource = SelectObject(source, strip.Get());
    HGDIOBJ oldTarget = SelectObject(target, scaled.Get());
    SetStretchBltMode(target, COLORONCOLOR);
    RECT all{0, 0, width * count, height};
    HBRUSH background = CreateSolidBrush(mask);
    FillRect(target, &all, background);
    DeleteObject(background);
    int factor = std::max(1, std::min(width / cx, height / cy));
    int glyphWidth = cx * factor, glyphHeight = cy * factor;
    int left = (width - glyphWidth) / 2, top = (height - glyphHeight) / 2;
    // Image by image, so that no image takes a column of its neighbour's.
    for (int i = 0; i < count; ++i)
        StretchBlt(target, i * width + left, top, glyphWidth, glyphHeight, source, i * cx, 0, cx, cy, SRCCOPY);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
    ImageList_AddMasked(list, scaled.Get(), mask);
    return list;
}

void UseExplorerTheme(HWND control) { SetWindowTheme(control, L"Explorer", nullptr); }

}  // namespace fw
