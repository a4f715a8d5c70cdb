#include "transfer/TransferDropSource.h"

namespace transfer {

HRESULT TransferDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (keyState & MK_LBUTTON) return S_OK;
    return DRAGDROP_S_DROP;
}

HRESULT TransferDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

}  // namespace transfer
