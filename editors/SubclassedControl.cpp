#include "editors/SubclassedControl.h"

namespace editors {

namespace {
// A window property, not GWLP_USERDATA: the dialog manager and other code may
// already use the control's user data.
const char kSubclassProp[] = "Quillon.Subclass";
}

bool SubclassedControl::Attach(HWND control) {
    if (hwnd_ || !control) return false;
    if (!SetPropA(control, kSubclassProp, this)) return false;
    hwnd_ = control;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    if (!previous_) {
        RemovePropA(control, kSubclassProp);
        hwnd_ = nullptr;
        return false;
    }
    return true;
}

void SubclassedControl::Detach() {
    if (!hwnd_) return;
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropA(hwnd_, kSubclassProp);
    hwnd_ = nullptr;
    previous_ = nullptr;
}

LRESULT SubclassedControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallDefault(msg, wParam, lParam);
}

LRESULT SubclassedControl::CallDefault(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(previous_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<SubclassedControl*>(GetPropA(hwnd, kSubclassProp));
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The control goes away before the object: hand it back its own procedure.
        WNDPROC previous = self->previous_;
        self->Detach();
        return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    }
    return self->HandleMessage(msg, wParam, lParam);
}

}  // namespace editors
