#pragma once
// A vertical splitter: two panes side by side with a bar between them that
// the mouse drags. The panes are its children; their notifications and
// commands go on to the splitter's parent, so the frame sees them as if the
// controls were its own.

#include "framework/Window.h"

namespace fw {

class Splitter : public Window {
public:
    // WS_EX_CONTROLPARENT lets dialog-style navigation step into the panes.
    bool Create(HWND parent, int id);

    void SetPanes(HWND left, HWND right);
    HWND Pane(int index) const { return index == 0 ? left_ : right_; }
    // Position of the bar from the left edge, in pixels.
    void SetBarPosition(int x);
    int BarPosition() const { return barX_; }
    // The bar's width at 96 DPI; it grows with the display scale.
    static constexpr int kBarWidth96 = 4;
    int BarWidth() const;
    // Keeps the panes' proportions when the window moves to a monitor of
    // another scale.
    void ApplyDpi(int oldDpi, int newDpi);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    void OnPaint();
    int ClampBar(int x) const;

    HWND left_ = nullptr;   // not owned: child windows
    HWND right_ = nullptr;  // not owned
    int barX_ = 0;
    bool dragging_ = false;
};

}  // namespace fw
