#pragma once
// The data object of a drag: a copy of the values payload or of the key
// branch payload with the key's path, handed out on request in the formats
// of transfer/TransferFormats.h, as CF_TEXT and as CF_UNICODETEXT. The
// formats are not enumerated: a drop target asks for the ones it takes.

#include <windows.h>
#include <ole2.h>

#include <string_view>

#include "document/ByteSink.h"
#include "framework/ComObject.h"

namespace transfer {

class TransferDataObject : public fw::ComObject<IDataObject, IID_IDataObject> {
public:
    // The payload's text (without its terminating zeros); isKey for a key
    // branch payload.
    bool SetText(std::string_view text, bool isKey);
    bool SetPath(std::string_view path);

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

private:
    ~TransferDataObject() override = default;
    // The text a format stands for; false for a format this object has not.
    bool TextFor(CLIPFORMAT format, std::string_view& text) const;

    MemorySink text_;
    MemorySink path_;
    bool isKey_ = false;
};

}  // namespace transfer
