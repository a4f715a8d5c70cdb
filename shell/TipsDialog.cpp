#include "shell/TipsDialog.h"

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "shell/Settings.h"

namespace {

HFONT MakeFont(int height, int weight, const char* face) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

// The light bulb is pixel art: scaled smoothly it blurs, scaled by the
// nearest pixel to 150 % its pixels come out one and two wide by turns. So it
// is drawn for 100, 150 and 200 %, and at a scale the picture is the largest
// of those drawings, or of their whole multiples (300 % and up), that fits
// the size the scale asks for: sharp at every scale, a little small between.
struct PictureChoice {
    int id;
    int times;  // each pixel drawn this many pixels wide and high
};

PictureChoice ChoosePicture(int dpi) {
    struct Drawing {
        int id;
        int width;
    };
    const Drawing drawings[] = {{IDB_TIPS, 24}, {IDB_TIPS_150, 36}, {IDB_TIPS_200, 48}};
    int wanted = fw::Scale(24, dpi);
    PictureChoice best{IDB_TIPS, 1};
    int bestWidth = 0;
    for (const Drawing& drawing : drawings)
        for (int times = 1; drawing.width * times <= wanted; ++times)
            if (drawing.width * times > bestWidth) {
                bestWidth = drawing.width * times;
                best = PictureChoice{drawing.id, times};
            }
    return best;
}

}  // namespace

void TipList::Load(const std::string& text) {
    tips_.clear();
    next_ = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        tips_.push_back(text.substr(start, i - start));
        while (i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == ' ' || text[i + 1] == '\r')) ++i;
        start = i + 1;
    }
}

bool TipList::Next(std::string& tip) {
    if (tips_.empty()) return false;
    tip = tips_[next_];
    next_ = (next_ + 1) % tips_.size();
    return true;
}

INT_PTR TipsDialog::Show(HWND owner) { return DoModal(owner, IDD_TIPS); }

BOOL TipsDialog::OnInitDialog() {
    MakeFonts();
    tips_.Load(fw::LoadText(IDS_TIPS));
    fw::CenterOnOwner(hwnd_);
    CheckDlgButton(hwnd_, IDC_TIPS_AT_STARTUP, shell::ReadTips() != 0 ? BST_CHECKED : BST_UNCHECKED);
    TakeNextTip();
    return TRUE;
}

// The fonts' heights are given at 96 DPI.
void TipsDialog::MakeFonts() {
    headingFont_.Reset(MakeFont(fw::Scale(22, Dpi()), FW_BOLD, "Times"));
    tipFont_.Reset(MakeFont(fw::Scale(16, Dpi()), FW_NORMAL, "Arial"));
}

void TipsDialog::OnDpiChanged(int, int) {
    MakeFonts();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The text area keeps the tip as its text, which screen readers read, and
// the dialog draws it there (WM_DRAWITEM).
void TipsDialog::TakeNextTip() {
    if (!tips_.Next(current_)) return;
    SetDlgItemTextA(hwnd_, IDC_TIPS_TEXT, current_.c_str());
}

RECT TipsDialog::ItemRect(int id) const {
    RECT rc{};
    GetWindowRect(Item(id), &rc);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void TipsDialog::Paint(HDC dc) {
    RECT frame = ItemRect(IDC_TIPS_FRAME);
    RECT text = ItemRect(IDC_TIPS_TEXT);
    RECT place = ItemRect(IDC_TIPS_BITMAP);
    FillRect(dc, &frame, GetSysColorBrush(COLOR_WINDOW));
    RECT band{frame.left, frame.top, text.left - fw::Scale(10, Dpi()), frame.bottom};
    FillRect(dc, &band, GetSysColorBrush(COLOR_BTNSHADOW));

    int bitmapBottom = place.top;
    PictureChoice picture = ChoosePicture(Dpi());
    fw::UniqueBitmap bitmap(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(picture.id),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (bitmap) {
        BITMAP info{};
        GetObjectA(bitmap.Get(), sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap.Get());
        // The white around the picture takes the band's colour.
        HGDIOBJ oldBrush = SelectObject(memory, GetSysColorBrush(COLOR_BTNSHADOW));
        ExtFloodFill(memory, 0, 0, RGB(255, 255, 255), FLOODFILLSURFACE);
        SelectObject(memory, oldBrush);
        int width = info.bmWidth * picture.times, height = info.bmHeight * picture.times;
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, place.left, place.top, width, height, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteDC(memory);
        bitmapBottom = place.top + height;
    }
    RECT line{frame.left, bitmapBottom + fw::Scale(6, Dpi()), frame.right, bitmapBottom + fw::Scale(7, Dpi())};
    FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
    DrawHeading(dc);
}

// The heading on one line from the text area's left edge at the bitmap's
// top.
void TipsDialog::DrawHeading(HDC dc) {
    RECT text = ItemRect(IDC_TIPS_TEXT);
    RECT place = ItemRect(IDC_TIPS_BITMAP);
    RECT frame = ItemRect(IDC_TIPS_FRAME);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, OPAQUE);
    HGDIOBJ oldFont = SelectObject(dc, headingFont_.Get());
    std::string heading = fw::LoadText(IDS_TIPS_HEADING);
    RECT headingRect{text.left, place.top, frame.right - 2, text.top};
    DrawTextA(dc, heading.c_str(), -1, &headingRect, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    SelectObject(dc, oldFont);
}

// The tip inside the text area, wrapped at words.
void TipsDialog::DrawTip(const DRAWITEMSTRUCT& item) {
    RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
    SetBkColor(item.hDC, GetSysColor(COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(item.hDC, OPAQUE);
    HGDIOBJ oldFont = SelectObject(item.hDC, tipFont_.Get());
    DrawTextA(item.hDC, current_.c_str(), -1, &area, DT_WORDBREAK | DT_NOPREFIX | DT_LEFT | DT_TOP);
    SelectObject(item.hDC, oldFont);
}

bool TipsDialog::OnCommand(int id, int, HWND) {
    if (id != IDC_TIPS_NEXT) return false;
    TakeNextTip();
    InvalidateRect(Item(IDC_TIPS_TEXT), nullptr, TRUE);
    return true;
}

void TipsDialog::OnOK() {
    shell::WriteTips(IsDlgButtonChecked(hwnd_, IDC_TIPS_AT_STARTUP) == BST_CHECKED ? 1 : 0);
    EndDialog(hwnd_, IDOK);
}

INT_PTR TipsDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        fw::PaintScope paint(hwnd_);
        Paint(paint.Get());
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item || item->CtlID != IDC_TIPS_TEXT) break;
        DrawTip(*item);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    default:
        break;
    }
    return Dialog::HandleMessage(msg, wParam, lParam);
}

void ShowTips(HWND owner) {
    TipsDialog dialog;
    dialog.Show(owner);
}
