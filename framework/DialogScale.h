#pragma once
// A dialog moved to a monitor of another display scale. The system tells a
// window aware of each monitor's DPI with WM_DPICHANGED and leaves the rest
// to it: the dialog's fonts, its controls' places and sizes, its list
// columns and its pictures were made for the old scale. fw::Dialog answers
// the message for every dialog of the program through this class; a dialog
// with pictures or fonts of its own makes them again in its OnDpiChanged.

#include <windows.h>

#include <vector>

#include "framework/Handles.h"

namespace fw {

// WM_DPICHANGED and WM_GETDPISCALEDSIZE, which the headers for Windows 7
// leave out.
constexpr UINT kDpiChangedMessage = 0x02E0;
constexpr UINT kGetDpiScaledSizeMessage = 0x02E4;

class DialogScale {
public:
    DialogScale() = default;
    DialogScale(const DialogScale&) = delete;
    DialogScale& operator=(const DialogScale&) = delete;

    // At WM_INITDIALOG: the scale the dialog was made for.
    void Begin(HWND dialog);
    int Dpi() const { return dpi_; }
    // The dialog at `dpi`: each font its controls use made again for it,
    // every control's place and size and each list column scaled, icons
    // drawn again at their new size; the window takes the rectangle the
    // system suggests, a dialog of fixed size its own scaled size there.
    void Apply(HWND dialog, int dpi, const RECT& suggested);
    // The window size the dialog takes at `dpi` (for WM_GETDPISCALEDSIZE);
    // false for a dialog the user sizes, which takes the system's.
    bool ScaledSize(HWND dialog, int dpi, SIZE* size) const;
    // Dialog units in pixels at the present scale: MapDialogRect until the
    // scale changed, which keeps the units of the font made at creation.
    void MapUnits(HWND dialog, RECT* rect) const;

private:
    struct ScaledFont {
        HFONT original;      // not owned: the font the controls had first
        LOGFONTW logFont;    // of the original, at originalDpi
        int originalDpi;
        UniqueFont current;  // at dpi_, once the scale changed
    };
    UniqueFont FontAt(const ScaledFont& font, int dpi) const;
    ScaledFont* Entry(HFONT font);
    void RefontControls(HWND dialog, int dpi);
    void ScaleControls(HWND dialog, int oldDpi, int newDpi);

    int dpi_ = 0;
    HFONT dialogFont_ = nullptr;  // not owned: the dialog manager's
    std::vector<ScaledFont> fonts_;
    std::vector<UniqueIcon> icons_;  // redrawn icons shown by static controls
    SIZE baseUnits_{};               // of the dialog font at dpi_, once changed
};

}  // namespace fw
