#include "editors/HexEditArea.h"

#include <cstring>
#include <vector>

#include "editors/HexForm.h"
#include "framework/Handles.h"

namespace editors {

namespace {

bool KeyHeld(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

DWORD RoundDown(DWORD pos) { return pos & ~DWORD{3}; }
DWORD RoundUp(DWORD pos) { return (pos + 3) & ~DWORD{3}; }

std::string ClipboardText(HWND owner) {
    std::string text;
    if (!IsClipboardFormatAvailable(CF_TEXT)) return text;
    fw::ClipboardScope clipboard(owner);
    if (!clipboard.Opened()) return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* chars = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    if (!chars) return text;
    // Another program's block need not end in a NUL: read within its size.
    text.assign(chars, strnlen(chars, GlobalSize(data)));
    GlobalUnlock(data);
    return text;
}

}  // namespace

std::string HexEditArea::Text() const {
    int length = GetWindowTextLengthA(hwnd_);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd_, buffer.data(), length + 1);
    return std::string(buffer.data());
}

DWORD HexEditArea::Length() const { return static_cast<DWORD>(GetWindowTextLengthA(hwnd_)); }

void HexEditArea::GetSelection(DWORD& start, DWORD& end) const {
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

void HexEditArea::Select(DWORD start, DWORD end) {
    SendMessageA(hwnd_, EM_SETSEL, start, end);
    SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
}

void HexEditArea::ReplaceSelection(const char* text) {
    SendMessageA(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

void HexEditArea::Reformat() {
    DWORD start = 0, end = 0;
    GetSelection(start, end);
    // Setting the whole text clears the modify flag; a reformat is no edit of
    // its own, so the flag stays what it was.
    BOOL modified = static_cast<BOOL>(SendMessageA(hwnd_, EM_GETMODIFY, 0, 0));
    SetWindowTextA(hwnd_, BuildCellForm(Text()).c_str());
    SendMessageA(hwnd_, EM_SETMODIFY, modified, 0);
    Select(start, end);
}

LRESULT HexEditArea::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        // A multi-line edit asks for every key, which would trap the keyboard
        // in the area: Tab, Enter and Escape, which it drops anyway, stay with
        // the dialog for moving on, OK and Cancel.
        return (CallDefault(msg, wParam, lParam) & ~DLGC_WANTALLKEYS) | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_CHAR: {
        char c = static_cast<char>(wParam);
        // Backspace is handled on key-down; Tab, control characters (Ctrl+C,
        // Ctrl+V, Ctrl+X) and anything else but a hex digit are dropped.
        if (IsHexDigit(c)) OnChar(c);
        return 0;
    }
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_INSERT:
            if (KeyHeld(VK_SHIFT)) {
                PostMessageA(hwnd_, WM_PASTE, 0, 0);
                return 0;
            }
            if (KeyHeld(VK_CONTROL)) {
                PostMessageA(hwnd_, WM_COPY, 0, 0);
                return 0;
            }
            break;
        case VK_DELETE:
            if (KeyHeld(VK_SHIFT))
                PostMessageA(hwnd_, WM_CUT, 0, 0);
            else
                OnDelete();
            return 0;
        case VK_BACK:
            OnBackspace();
            return 0;
        default:
            break;
        }
        break;
    case WM_CUT:
    case WM_COPY:
    case WM_CLEAR:
        WidenSelectionToCells();
        break;
    case WM_PASTE:
        Paste();
        return 0;
    case WM_UNDO:
    case EM_UNDO:
    case EM_CANUNDO:
        // The control's undo takes back one of the several replacements a
        // typed digit makes, leaving half a cell: the digits would pair up
        // anew at OK and every byte after it would change. No undo here.
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+Backspace is the edit control's undo key.
        if (wParam == VK_BACK) return 0;
        break;
    default:
        break;
    }
    return CallDefault(msg, wParam, lParam);
}

void HexEditArea::OnChar(char digit) {
    DWORD start = 0, end = 0;
    GetSelection(start, end);
    if (start != end) {
        start = RoundDown(start);
        end = RoundDown(end);
        Select(start, end);
    }
    // One replacement per digit: every replacement lays the text out again.
    // ES_UPPERCASE converts the inserted letter as it would a typed one.
    DWORD p = start;
    char text[5] = {};
    DWORD caret = p;
    switch (p % 4) {
    case 0:
        // A new byte D0 before the cell at p, replacing the selected cells.
        text[0] = ' ', text[1] = digit, text[2] = '0', text[3] = ' ';
        caret = p + 2;
        break;
    case 1:
        // On a high digit: a new byte D0 before the current one.
        text[0] = digit, text[1] = '0', text[2] = ' ', text[3] = ' ';
        caret = p + 1;
        break;
    case 2:
        // On a low digit: overwrite it and step to the next cell.
        Select(p, p + 1);
        text[0] = digit;
        caret = p + 2;
        break;
    default:
        // On a trailing space: a new byte D0 after the current one.
        text[0] = ' ', text[1] = ' ', text[2] = digit, text[3] = '0';
        caret = p + 3;
        break;
    }
    ReplaceSelection(text);
    Select(caret, caret);
}

void HexEditArea::WidenSelectionToCells() {
    DWORD start = 0, end = 0;
    GetSelection(start, end);
    DWORD length = Length();
    if (start == end) {
        start = RoundDown(start);
        end = start + 4;
    } else {
        // The cells holding the selected characters: a selection that ends on
        // a cell boundary does not reach into the next cell.
        start = RoundDown(start);
        end = RoundUp(end);
    }
    if (end > length) end = length;
    if (start > end) start = end;
    Select(start, end);
}

void HexEditArea::OnDelete() {
    WidenSelectionToCells();
    ReplaceSelection("");
}

void HexEditArea::OnBackspace() {
    DWORD start = 0, end = 0;
    GetSelection(start, end);
    if (start != end) {
        OnDelete();
        return;
    }
    DWORD p = start;
    DWORD from = 0, to = 0;
    switch (p % 4) {
    case 0:
        if (p == 0) return;
        from = p - 4;
        to = p;
        break;
    case 1:
        if (p == 1) return;
        from = p - 5;
        to = p - 1;
        break;
    case 2:
        from = p - 2;
        to = p + 2;
        break;
    default:
        from = p - 3;
        to = p + 1;
        break;
    }
    Select(from, to);
    ReplaceSelection("");
}

void HexEditArea::Paste() {
    // The pasted digits become whole bytes of their own at a cell boundary, so
    // the bytes around them keep their pairing: a caret between two digits or
    // after a low digit pastes behind that byte.
    if (!IsClipboardFormatAvailable(CF_TEXT)) return;
    DWORD start = 0, end = 0;
    GetSelection(start, end);
    if (start != end) {
        WidenSelectionToCells();
    } else {
        DWORD p = start % 4 <= 1 ? RoundDown(start) : RoundUp(start);
        if (p > Length()) p = Length();
        Select(p, p);
    }
    std::string cells = BuildCellForm(ClipboardText(hwnd_));
    DWORD from = 0, to = 0;
    GetSelection(from, to);
    if (cells.empty() && from == to) return;  // nothing to insert, nothing replaced
    // ES_UPPERCASE converts the pasted letters like typed ones.
    ReplaceSelection(cells.c_str());
    SendMessageA(hwnd_, EM_SETMODIFY, TRUE, 0);
    Reformat();
}

}  // namespace editors
