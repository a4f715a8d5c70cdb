#pragma once
// The drop target on the value list: values only, merged into the key the
// list shows.

#include <windows.h>

#include "transfer/DropData.h"

class ValueListView;

namespace transfer {

class TransferCommands;

class ValueListDropTarget : public DropTarget {
public:
    ValueListDropTarget(TransferCommands& commands, ValueListView& list) : commands_(commands), list_(list) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    ~ValueListDropTarget() override = default;
    bool Accepts(IDataObject* data) const;

    TransferCommands& commands_;  // not owned
    ValueListView& list_;         // not owned
    bool accepted_ = false;
};

}  // namespace transfer
