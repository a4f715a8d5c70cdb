#pragma once
// The tip of the day: dialog 279, which paints its own content, at start-up
// when the settings ask for it and from the Help menu.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Handles.h"
#include "framework/Window.h"

// The tips of string 164, one per line, and the one to show next.
class TipList {
public:
    // Splits the text at each carriage return, skipping the line feeds,
    // blanks and carriage returns after it; text after the last carriage
    // return is no tip.
    void Load(const std::string& text);
    // The tip at the index, advancing it (wrapping after the last); false
    // when there are no tips.
    bool Next(std::string& tip);
    size_t Count() const { return tips_.size(); }

private:
    std::vector<std::string> tips_;
    size_t next_ = 0;
};

class TipsDialog : public fw::Dialog {
public:
    // Modal; OK stores the check box into "Tips", the close box stores nothing.
    INT_PTR Show(HWND owner);

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;

private:
    void MakeFonts();
    void TakeNextTip();
    void Paint(HDC dc);
    void DrawHeading(HDC dc);
    void DrawTip(const DRAWITEMSTRUCT& item);
    RECT ItemRect(int id) const;

    TipList tips_;
    std::string current_;
    fw::UniqueFont headingFont_;
    fw::UniqueFont tipFont_;
};

// Shows the tips dialog owned by `owner`.
void ShowTips(HWND owner);
