#include "transfer/DropData.h"

namespace transfer {

DWORD DropEffect(DWORD keyState) { return (keyState & MK_CONTROL) ? DROPEFFECT_MOVE : DROPEFFECT_COPY; }

namespace {

FORMATETC GlobalFormat(UINT format) {
    FORMATETC etc{};
    etc.cfFormat = static_cast<CLIPFORMAT>(format);
    etc.dwAspect = DVASPECT_CONTENT;
    etc.lindex = -1;
    etc.tymed = TYMED_HGLOBAL;
    return etc;
}

}  // namespace

bool Offers(IDataObject* data, UINT format) {
    if (!data || !format) return false;
    FORMATETC etc = GlobalFormat(format);
    return data->QueryGetData(&etc) == S_OK;
}

BlockText TextOfData(IDataObject* data, UINT format) {
    if (!data || !format) return {};
    FORMATETC etc = GlobalFormat(format);
    STGMEDIUM medium{};
    if (data->GetData(&etc, &medium) != S_OK) return {};
    BlockText text;
    if (medium.tymed == TYMED_HGLOBAL) text = ReadBlockText(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return text;
}

}  // namespace transfer
