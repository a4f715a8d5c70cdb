#pragma once
// The display scale. The program declares itself aware of each monitor's DPI,
// so the system no longer stretches its windows: everything the program sizes
// itself (splitter, columns, images, fonts, the hex editor's cells) is given
// at 96 DPI, the scale of 100 %, and scaled here to the window's monitor.
// Settings keep widths at 96 DPI, so that they mean the same on every display.

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

namespace fw {

constexpr int kBaseDpi = 96;

// DPI of the monitor the window is on (of the system on Windows before 10,
// which has one scale for all monitors); 96 when it cannot be told. After a
// change of scale, the one the window's top-level window was told of.
int DpiOf(HWND hwnd);
// The scale a top-level window was told of by WM_DPICHANGED, which DpiOf
// answers for it and its children from then on: Wine has one scale for all
// windows and GetDpiForWindow never follows the message there. ForgetDpi
// before the window goes.
void RecordDpi(HWND topLevel, int dpi);
void ForgetDpi(HWND topLevel);
// A length at 96 DPI on a display of `dpi`, and back.
inline int Scale(int length96, int dpi) { return MulDiv(length96, dpi, kBaseDpi); }
inline int Unscale(int length, int dpi) { return MulDiv(length, kBaseDpi, dpi); }
// The system metric at a DPI (GetSystemMetricsForDpi where the system has
// it, else the system's own metric, which is at the system's DPI).
int MetricAt(int index, int dpi);
// The icon-title font (the one of the tree, the list and the menus) at a
// DPI, created; the caller deletes it.
HFONT CreateInterfaceFont(int dpi);

// The lengths of a small icon at a DPI: 16 at 96, 20 at 120, 24 at 144, 32 at
// 192; images come from the icon's nearest drawn size.
inline int SmallIconSize(int dpi) { return Scale(16, dpi); }
// An image list of the program's icon resources at `size` pixels square, in
// the order given; null when it cannot be made.
HIMAGELIST IconImageList(std::initializer_list<int> iconIds, int size);
// A strip of images `cx` by `cy` pixels each at 96 DPI (a bitmap resource,
// `mask` the colour of its transparent pixels), as an image list of the
// DPI's size. Each glyph is drawn at the largest whole multiple of its pixels
// that fits and centred: pixel-drawn glyphs keep hard edges and pixels of
// one size (at 150 % a glyph drawn one and a half times would have pixels
// one and two wide by turns), and the transparent colour stays exact, where
// smooth scaling would blur them and fringe them with the mask colour.
HIMAGELIST ScaledStripImageList(int bitmapId, int cx, int cy, COLORREF mask, int dpi);
// The explorer look of trees and lists where the system has it (Wine draws
// its own look and ignores the request).
void UseExplorerTheme(HWND control);

}  // namespace fw
