#pragma once
// The drop target on the key tree: keys and values dropped onto a key (a
// key also onto empty space, at the top level), the item under the pointer
// shown with the drop highlight.

#include <windows.h>
#include <commctrl.h>

#include "transfer/DropData.h"

namespace transfer {

class TransferCommands;

class KeyTreeDropTarget : public DropTarget {
public:
    explicit KeyTreeDropTarget(TransferCommands& commands) : commands_(commands) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    ~KeyTreeDropTarget() override = default;
    HWND Tree() const;
    // The item under a screen point (on its icon, label or state icon), or null.
    HTREEITEM ItemAt(POINTL point) const;
    void Highlight(HTREEITEM item);

    TransferCommands& commands_;  // not owned
    HTREEITEM highlighted_ = nullptr;
    bool accepted_ = false;
};

}  // namespace transfer
