#include "transfer/TransferDataObject.h"

#include <cstring>

#include "transfer/TransferFormats.h"

namespace transfer {

namespace {

bool Assign(MemorySink& sink, std::string_view text) {
    sink.Clear();
    return sink.Write(text.data(), text.size());
}

}  // namespace

bool TransferDataObject::SetText(std::string_view text, bool isKey) {
    isKey_ = isKey;
    return Assign(text_, text);
}

bool TransferDataObject::SetPath(std::string_view path) {
    isKey_ = true;
    return Assign(path_, path);
}

bool TransferDataObject::TextFor(CLIPFORMAT format, std::string_view& text) const {
    std::string_view payload(text_.Data() ? text_.Data() : "", text_.Size());
    if (format == CF_TEXT || format == CF_UNICODETEXT) {
        text = payload;
        return true;
    }
    if (!isKey_ && format == ValuesFormat()) {
        text = payload;
        return true;
    }
    if (isKey_ && format == KeyBranchFormat()) {
        text = payload;
        return true;
    }
    if (isKey_ && format == KeyPathFormat()) {
        text = std::string_view(path_.Data() ? path_.Data() : "", path_.Size());
        return true;
    }
    return false;
}

HRESULT TransferDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    std::string_view text;
    if (!TextFor(format->cfFormat, text)) return DV_E_FORMATETC;
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    HGLOBAL block = format->cfFormat == CF_UNICODETEXT ? NewWideBlock(text) : NewBlock(text.data(), text.size());
    if (!block) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT TransferDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    if (format->tymed != TYMED_HGLOBAL || medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
    std::string_view text;
    if (!TextFor(format->cfFormat, text) || format->cfFormat == CF_UNICODETEXT) return DV_E_FORMATETC;
    if (GlobalSize(medium->hGlobal) < text.size() + 1) return STG_E_MEDIUMFULL;
    void* bytes = GlobalLock(medium->hGlobal);
    if (!bytes) return E_OUTOFMEMORY;
    std::memcpy(bytes, text.data(), text.size());
    static_cast<char*>(bytes)[text.size()] = '\0';
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}

HRESULT TransferDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    std::string_view text;
    if (!TextFor(format->cfFormat, text)) return E_NOTIMPL;
    return (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
}

HRESULT TransferDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

// Another program's block: read only as far as its size.
HRESULT TransferDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (!format || !medium) return E_INVALIDARG;
    if (medium->tymed != TYMED_HGLOBAL) return E_NOTIMPL;
    UINT cf = format->cfFormat;
    if (cf != KeyPathFormat() && cf != ValuesFormat() && cf != KeyBranchFormat()) return E_NOTIMPL;
    BlockText text = ReadBlockText(medium->hGlobal);
    bool ok = text && (cf == KeyPathFormat() ? SetPath(text.View()) : SetText(text.View(), cf == KeyBranchFormat()));
    if (release) ReleaseStgMedium(medium);
    return ok ? S_OK : E_OUTOFMEMORY;
}

HRESULT TransferDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
}

HRESULT TransferDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return E_NOTIMPL; }
HRESULT TransferDataObject::DUnadvise(DWORD) { return E_NOTIMPL; }
HRESULT TransferDataObject::EnumDAdvise(IEnumSTATDATA**) { return E_NOTIMPL; }

}  // namespace transfer
