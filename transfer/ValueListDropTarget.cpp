#include "transfer/ValueListDropTarget.h"

#include <commctrl.h>

#include "transfer/TransferCommands.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"

namespace transfer {

// With an empty key tree there is no key to take values; a key branch is
// refused.
bool ValueListDropTarget::Accepts(IDataObject* data) const {
    return commands_.AcceptsDrops() && TreeView_GetRoot(commands_.Tree().Hwnd()) != nullptr &&
           Offers(data, ValuesFormat());
}

HRESULT ValueListDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
    accepted_ = Accepts(data);
    if (effect) *effect = accepted_ ? DropEffect(keyState) : DROPEFFECT_NONE;
    return accepted_ ? S_OK : S_FALSE;
}

HRESULT ValueListDropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
    if (effect) *effect = accepted_ ? DropEffect(keyState) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT ValueListDropTarget::DragLeave() { return S_OK; }

HRESULT ValueListDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
    bool accepted = accepted_ && Accepts(data);
    accepted_ = false;
    if (effect) *effect = accepted ? DropEffect(keyState) : DROPEFFECT_NONE;
    if (!accepted) return S_FALSE;
    BlockText values = TextOfData(data, ValuesFormat());
    if (values && list_.Key()) commands_.PasteValuesText(values.View(), EditKind::Drop);
    return S_OK;
}

}  // namespace transfer
