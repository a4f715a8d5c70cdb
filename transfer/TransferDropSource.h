#pragma once
// The drop source of a drag: Escape cancels, releasing the left button
// drops, the cursors are the system's.

#include <windows.h>
#include <ole2.h>

#include "framework/ComObject.h"

namespace transfer {

class TransferDropSource : public fw::ComObject<IDropSource, IID_IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    ~TransferDropSource() override = default;
};

}  // namespace transfer
