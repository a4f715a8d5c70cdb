#pragma once
// What the two drop targets share: the effect by the key state, and the
// formats and texts of a data object, which may come from any program.

#include <windows.h>
#include <ole2.h>

#include "transfer/TransferFormats.h"

namespace transfer {

// Move with Ctrl held, copy otherwise.
DWORD DropEffect(DWORD keyState);
bool Offers(IDataObject* data, UINT format);
// The object's text in a format (global memory), read bounded; empty when
// it cannot be had.
BlockText TextOfData(IDataObject* data, UINT format);

// The IUnknown part of the two targets.
template <class Self>
class DropTargetBase : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete static_cast<Self*>(this);
        return static_cast<ULONG>(left);
    }

protected:
    virtual ~DropTargetBase() = default;

private:
    LONG references_ = 1;
};

}  // namespace transfer
