#pragma once
// What the two drop targets share: the effect by the key state, and the
// formats and texts of a data object, which may come from any program.

#include <windows.h>
#include <ole2.h>

#include "framework/ComObject.h"
#include "transfer/TransferFormats.h"

namespace transfer {

// Move with Ctrl held, copy otherwise.
DWORD DropEffect(DWORD keyState);
bool Offers(IDataObject* data, UINT format);
// The object's text in a format (global memory), read bounded; empty when
// it cannot be had.
BlockText TextOfData(IDataObject* data, UINT format);

using DropTarget = fw::ComObject<IDropTarget, IID_IDropTarget>;

}  // namespace transfer
