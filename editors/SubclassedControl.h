#pragma once
// A control whose window procedure is replaced while the object is attached:
// the subclass sees every message first and passes on what it does not take.

#include <windows.h>

namespace editors {

class SubclassedControl {
public:
    SubclassedControl() = default;
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;
    virtual ~SubclassedControl() { Detach(); }

    bool Attach(HWND control);
    void Detach();
    bool IsAttached() const { return hwnd_ != nullptr; }
    HWND Hwnd() const { return hwnd_; }

protected:
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The control's own behaviour for a message.
    LRESULT CallDefault(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;  // not owned

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC previous_ = nullptr;
};

}  // namespace editors
