#pragma once
// Thin typed wrappers over Win32 windows and dialogs. One static procedure per
// wrapper stores `this` at creation and forwards every message to a virtual
// HandleMessage; subclasses switch on the message and call named members.

#include <windows.h>

#include "framework/DialogScale.h"

namespace fw {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    HWND Hwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    // Registers the class once per process (style, icon, cursor, background,
    // menu as given) and creates the window; `this` travels in lpCreateParams.
    bool Create(const char* className, const char* title, DWORD style, DWORD exStyle,
                int x, int y, int cx, int cy, HWND parent, HMENU menu,
                UINT classStyle = CS_HREDRAW | CS_VREDRAW, HICON icon = nullptr,
                HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));

    // The wrapper of a window created through Create, or null.
    static Window* FromHandle(HWND hwnd);

protected:
    // Default: DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY; the handle is already gone.
    virtual void OnFinalMessage() {}

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// Modal or modeless dialog from a dialog resource; `this` travels in lParam.
class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog() = default;

    HWND Hwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    INT_PTR DoModal(HWND owner, int templateId, HINSTANCE instance = nullptr);
    HWND CreateModeless(HWND owner, int templateId, HINSTANCE instance = nullptr);

    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

protected:
    // Return TRUE when handled (the value goes to DWLP_MSGRESULT where it matters).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(hwnd_, IDOK); }
    virtual void OnCancel() { EndDialog(hwnd_, IDCANCEL); }
    // Commands other than IDOK and IDCANCEL; return true when handled.
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // After the dialog's fonts, controls and window followed a change of
    // display scale: pictures and fonts of the dialog's own are made again here.
    virtual void OnDpiChanged(int /*oldDpi*/, int /*newDpi*/) {}
    // The scale the dialog is at, and dialog units in its pixels (what
    // MapDialogRect gives until the scale changes).
    int Dpi() const { return scale_.Dpi(); }
    void MapDialogUnits(RECT* rect) const { scale_.MapUnits(hwnd_, rect); }

    HWND hwnd_ = nullptr;

private:
    bool AnswerScaleChange(UINT msg, WPARAM wParam, LPARAM lParam);

    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void RepaintUncovered(HWND owner);
    RECT lastRect_{};  // screen rectangle of the dialog when it went
    DialogScale scale_;
};

// Centers a dialog on its owner window, or on the work area when it has no
// visible owner; either way inside the work area of the monitor.
void CenterOnOwner(HWND dialog);

}  // namespace fw
