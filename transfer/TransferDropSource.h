#pragma once
// The drop source of a drag: Escape cancels, releasing the left button
// drops, the cursors are the system's.

#include <windows.h>
#include <ole2.h>

namespace transfer {

class TransferDropSource : public IDropSource {
public:
    TransferDropSource() = default;
    TransferDropSource(const TransferDropSource&) = delete;
    TransferDropSource& operator=(const TransferDropSource&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    virtual ~TransferDropSource() = default;
    LONG references_ = 1;
};

}  // namespace transfer
