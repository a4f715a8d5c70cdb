#include "views/AddressBar.h"

#include <commctrl.h>

#include "document/KeyPaths.h"
#include "framework/CommandStates.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "views/KeyTreeView.h"
#include "views/ViewHost.h"

namespace {

// Longer than any key path the registry holds (255 characters a name, 512
// levels at most); a longer paste is cut by the control, not by a crash.
constexpr int kLongestPath = 32767;

}  // namespace

bool AddressBar::Create(HWND parent, ViewHost* host, KeyTreeView* tree, int controlId) {
    host_ = host;
    tree_ = tree;
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0,
                            0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageA(hwnd_, EM_SETLIMITTEXT, kLongestPath, 0);
    SetWindowSubclass(hwnd_, EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    return true;
}

LRESULT CALLBACK AddressBar::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data) {
    auto* self = reinterpret_cast<AddressBar*>(data);
    switch (msg) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            self->GoToTypedPath();
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            self->Leave();
            return 0;
        }
        break;
    case WM_CHAR:
        // Enter and Escape are handled as keys; as characters they would beep.
        if (wParam == '\r' || wParam == 27) return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, EditProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool AddressBar::GoToTypedPath() {
    if (!host_ || !tree_) return false;
    int length = GetWindowTextLengthA(hwnd_);
    std::string typed(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(hwnd_, typed.data(), length + 1);
    typed.resize(static_cast<size_t>(length));
    std::string path = CanonicalKeyPath(typed);
    if (path.empty()) {
        Leave();
        return false;
    }
    size_t matched = 0;
    KeyNode* key = DeepestKeyOnPath(host_->Document(), path, matched);
    if (!key) {
        Tell(fw::FormatText(IDS_ADDRESS_NO_KEY, path.c_str()));
        SetFocus(hwnd_);
        SendMessageA(hwnd_, EM_SETSEL, 0, -1);
        return false;
    }
    tree_->SelectItem(tree_->EnsureItem(key));
    SetFocus(tree_->Hwnd());
    if (matched < path.size()) {
        std::string found = key->Path();
        Tell(fw::FormatText(IDS_ADDRESS_MISSING_TAIL, path.c_str(), found.c_str()));
    }
    return true;
}

void AddressBar::Leave() {
    std::string path;
    if (tree_ && tree_->Selected()) tree_->PathOf(nullptr, path);
    SetWindowTextA(hwnd_, path.c_str());
    if (tree_) SetFocus(tree_->Hwnd());
}

void AddressBar::Tell(const std::string& text) const {
    HWND owner = host_ && host_->HostWindow() ? host_->HostWindow() : hwnd_;
    MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONINFORMATION);
}

void AddressBar::OnCommand(int id) {
    if (id != ID_VIEW_GO_TO_ADDRESS || !hwnd_ || !IsWindowVisible(hwnd_)) return;
    SetFocus(hwnd_);
    SendMessageA(hwnd_, EM_SETSEL, 0, -1);
}

void AddressBar::UpdateState(int id, fw::CommandStates& states) {
    states.Enable(static_cast<UINT>(id), hwnd_ && IsWindowVisible(hwnd_));
}
