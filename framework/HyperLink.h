#pragma once
// A static control turned into a link: its text underlined in the browser's
// link colour, a hand cursor, a tooltip with the address, and the address
// opened by a click, Enter or the space bar. Once opened it takes the
// browser's visited colour. Screen readers see a link (fw::LinkAccessible).

#include <windows.h>

#include <string>

#include "framework/Handles.h"

namespace fw {

class HyperLink {
public:
    HyperLink() = default;
    ~HyperLink();
    HyperLink(const HyperLink&) = delete;
    HyperLink& operator=(const HyperLink&) = delete;

    // Takes over the static control (which should have SS_NOTIFY and
    // WS_TABSTOP); the control must outlive nothing of this object.
    bool Attach(HWND control, const char* address);
    bool Visited() const { return visited_; }
    // Opens the address through the shell; marks the link visited when the
    // shell took it.
    bool Activate();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    void UnderlineFont(HFONT current);
    void MakeTooltip();
    void Relay(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC staticProc_ = nullptr;
    HWND tooltip_ = nullptr;  // destroyed with its owner window
    std::string address_;
    bool visited_ = false;
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF visitedColor_ = RGB(128, 0, 128);
    UniqueFont font_;  // the control's font, underlined
};

}  // namespace fw
