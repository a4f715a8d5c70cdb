#include "framework/DialogScale.h"

#include <commctrl.h>

#include "framework/Dpi.h"

namespace fw {

namespace {

// Turns off the dialog manager's own answer to a change of scale, which
// Windows 10 (from version 1703) gives dialogs of per-monitor aware
// programs: it would scale the controls a second time. Older systems and
// Wine have no such function and no such answer.
void TurnOffSystemRescaling(HWND dialog) {
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = [] {
        HMODULE user32 = GetModuleHandleA("user32.dll");
        return user32 ? reinterpret_cast<SetBehaviorFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
                      : nullptr;
    }();
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (setBehavior) setBehavior(dialog, kDisableAll, kDisableAll);
}

// The frame around a client area of `client` at `dpi` (AdjustWindowRectExForDpi
// where the system has it; else the system's frame, which is of its own scale).
SIZE WindowSizeFor(HWND window, SIZE client, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = [] {
        HMODULE user32 = GetModuleHandleA("user32.dll");
        return user32 ? reinterpret_cast<AdjustFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "AdjustWindowRectExForDpi")))
                      : nullptr;
    }();
    RECT rc{0, 0, client.cx, client.cy};
    auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    if (!adjustForDpi || !adjustForDpi(&rc, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

bool IsClass(HWND window, const char* name) {
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return SIZE{};
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    SIZE size{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

// The dialog base units of a font, as the dialog manager works them out:
// the average width of the 52 letters, rounded, and the font's height.
SIZE BaseUnits(HWND dialog, HFONT font) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE letters{};
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc, kLetters, 52, &letters);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return SIZE{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

}  // namespace

void DialogScale::Begin(HWND dialog) {
    dpi_ = DpiOf(dialog);
    dialogFont_ = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    fonts_.clear();
    icons_.clear();
    baseUnits_ = SIZE{};
    TurnOffSystemRescaling(dialog);
}

bool DialogScale::ScaledSize(HWND dialog, int dpi, SIZE* size) const {
    if (dpi <= 0 || dpi_ <= 0 || (GetWindowLongA(dialog, GWL_STYLE) & WS_THICKFRAME)) return false;
    RECT client{};
    GetClientRect(dialog, &client);
    *size = WindowSizeFor(dialog, SIZE{MulDiv(client.right, dpi, dpi_), MulDiv(client.bottom, dpi, dpi_)}, dpi);
    return true;
}

void DialogScale::Apply(HWND dialog, int dpi, const RECT& suggested) {
    int old = dpi_;
    SIZE fixed{};
    bool fixedSize = dpi > 0 && old > 0 && ScaledSize(dialog, dpi, &fixed);
    if (dpi > 0 && old > 0 && dpi != old) {
        SendMessageA(dialog, WM_SETREDRAW, FALSE, 0);
        ScaleControls(dialog, old, dpi);
        RefontControls(dialog, dpi);
        dpi_ = dpi;
        RecordDpi(dialog, dpi);
        if (ScaledFont* font = Entry(dialogFont_)) baseUnits_ = BaseUnits(dialog, font->current.Get());
        SendMessageA(dialog, WM_SETREDRAW, TRUE, 0);
    }
    // The resizable windows lay their controls out again on the WM_SIZE this sends.
    SIZE size = fixedSize ? fixed : SIZE{suggested.right - suggested.left, suggested.bottom - suggested.top};
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (fixedSize) {
        // Wine draws the frame at its one scale whatever the window's: the
        // client area takes the difference from the frame worked out above.
        RECT client{};
        GetClientRect(dialog, &client);
        SIZE frame = WindowSizeFor(dialog, SIZE{}, dpi);
        LONG dx = (fixed.cx - frame.cx) - client.right, dy = (fixed.cy - frame.cy) - client.bottom;
        if (dx || dy)
            SetWindowPos(dialog, nullptr, 0, 0, size.cx + dx, size.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void DialogScale::ScaleControls(HWND dialog, int oldDpi, int newDpi) {
    auto scale = [&](LONG length) { return MulDiv(length, newDpi, oldDpi); };
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rc{};
        GetWindowRect(child, &rc);
        // A drop-down combo box's window is as tall as its list is when dropped.
        if (IsClass(child, WC_COMBOBOXA)) SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rc));
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (IsClass(child, WC_STATICA) && (style & SS_TYPEMASK) == SS_ICON) {
            // The icon drawn again from its resource at the new size (icons
            // the dialog manager loads are shared, so the system knows where
            // they came from); the control takes the icon's size.
            auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            SIZE size = IconSize(icon);
            if (size.cx > 0) {
                UniqueIcon redrawn(static_cast<HICON>(
                    CopyImage(icon, IMAGE_ICON, scale(size.cx), scale(size.cy), LR_COPYFROMRESOURCE)));
                if (redrawn) {
                    auto shown = reinterpret_cast<HICON>(
                        SendMessageA(child, STM_SETICON, reinterpret_cast<WPARAM>(redrawn.Get()), 0));
                    // The icon of the last change goes; the dialog manager's stays its own.
                    std::erase_if(icons_, [&](const UniqueIcon& made) { return made.Get() == shown; });
                    icons_.push_back(std::move(redrawn));
                }
            }
        }
        if (IsClass(child, WC_LISTVIEWA) && (style & LVS_TYPEMASK) == LVS_REPORT) {
            HWND header = reinterpret_cast<HWND>(SendMessageA(child, LVM_GETHEADER, 0, 0));
            int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
            for (int i = 0; i < columns; ++i)
                SendMessageA(child, LVM_SETCOLUMNWIDTH, i,
                             scale(static_cast<LONG>(SendMessageA(child, LVM_GETCOLUMNWIDTH, i, 0))));
        }
        SetWindowPos(child, nullptr, scale(rc.left), scale(rc.top), scale(rc.right - rc.left),
                     scale(rc.bottom - rc.top), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

DialogScale::ScaledFont* DialogScale::Entry(HFONT font) {
    if (!font) return nullptr;
    for (ScaledFont& entry : fonts_)
        if (entry.original == font || entry.current.Get() == font) return &entry;
    return nullptr;
}

UniqueFont DialogScale::FontAt(const ScaledFont& font, int dpi) const {
    LOGFONTW logFont = font.logFont;
    // A height of whole points (the dialog font's) stays whole points, as the
    // dialog manager makes it at each scale; any other height goes by ratio.
    LONG height = logFont.lfHeight;
    int points = MulDiv(height < 0 ? -height : height, 72, font.originalDpi);
    if (height < 0 && -MulDiv(points, font.originalDpi, 72) == height)
        logFont.lfHeight = -MulDiv(points, dpi, 72);
    else
        logFont.lfHeight = MulDiv(height, dpi, font.originalDpi);
    logFont.lfWidth = MulDiv(logFont.lfWidth, dpi, font.originalDpi);
    return UniqueFont(CreateFontIndirectW(&logFont));
}

void DialogScale::RefontControls(HWND dialog, int dpi) {
    // Each font once, however many controls share it: the dialog's, and the
    // fonts of its own that a dialog gave some controls.
    std::vector<std::pair<HWND, size_t>> users;
    auto note = [&](HWND window, HFONT font) {
        if (!font) return;
        ScaledFont* entry = Entry(font);
        if (!entry) {
            ScaledFont fresh{font, {}, dpi_, UniqueFont()};
            if (!GetObjectW(font, sizeof fresh.logFont, &fresh.logFont)) return;
            fonts_.push_back(std::move(fresh));
            entry = &fonts_.back();
        }
        if (window) users.emplace_back(window, static_cast<size_t>(entry - fonts_.data()));
    };
    note(nullptr, dialogFont_);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        note(child, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    std::vector<UniqueFont> made;
    for (const ScaledFont& font : fonts_) made.push_back(FontAt(font, dpi));
    for (const auto& [window, index] : users)
        if (made[index]) SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(made[index].Get()), FALSE);
    // The fonts of the last scale go once no control holds them.
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (made[i]) fonts_[i].current = std::move(made[i]);
}

void DialogScale::MapUnits(HWND dialog, RECT* rect) const {
    if (baseUnits_.cx <= 0 || baseUnits_.cy <= 0) {
        MapDialogRect(dialog, rect);
        return;
    }
    rect->left = MulDiv(rect->left, baseUnits_.cx, 4);
    rect->right = MulDiv(rect->right, baseUnits_.cx, 4);
    rect->top = MulDiv(rect->top, baseUnits_.cy, 8);
    rect->bottom = MulDiv(rect->bottom, baseUnits_.cy, 8);
}

}  // namespace fw
