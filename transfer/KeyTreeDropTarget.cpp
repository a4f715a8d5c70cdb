#include "transfer/KeyTreeDropTarget.h"

#include "transfer/TransferCommands.h"
#include "views/KeyTreeView.h"

namespace transfer {

HWND KeyTreeDropTarget::Tree() const { return commands_.Tree().Hwnd(); }

HTREEITEM KeyTreeDropTarget::ItemAt(POINTL point) const {
    TVHITTESTINFO hit{};
    hit.pt = {point.x, point.y};
    ScreenToClient(Tree(), &hit.pt);
    HTREEITEM item = TreeView_HitTest(Tree(), &hit);
    return (hit.flags & TVHT_ONITEM) ? item : nullptr;
}

void KeyTreeDropTarget::Highlight(HTREEITEM item) {
    if (highlighted_) TreeView_SetItemState(Tree(), highlighted_, 0, TVIS_DROPHILITED);
    if (item) TreeView_SetItemState(Tree(), item, TVIS_DROPHILITED, TVIS_DROPHILITED);
    highlighted_ = item;
}

// A drag that offers nothing this tree takes (another program's plain text)
// is refused with no effect, so that it is never dropped.
HRESULT KeyTreeDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
    highlighted_ = nullptr;
    bool hasItems = TreeView_GetRoot(Tree()) != nullptr;
    accepted_ = commands_.AcceptsDrops() &&
                ((Offers(data, ValuesFormat()) && hasItems) || Offers(data, KeyBranchFormat()));
    if (effect) *effect = accepted_ ? DropEffect(keyState) : DROPEFFECT_NONE;
    return accepted_ ? S_OK : S_FALSE;
}

// Off every item the highlight stays where it was; the tree is neither
// scrolled nor expanded.
HRESULT KeyTreeDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect) {
    if (effect) *effect = accepted_ ? DropEffect(keyState) : DROPEFFECT_NONE;
    if (!accepted_) return S_OK;
    HTREEITEM item = ItemAt(point);
    if (item && item != highlighted_) Highlight(item);
    return S_OK;
}

HRESULT KeyTreeDropTarget::DragLeave() {
    Highlight(nullptr);
    return S_OK;
}

// The source keeps what was dragged, whatever the drop did: the effect
// returned to it is not set.
HRESULT KeyTreeDropTarget::Drop(IDataObject* data, DWORD, POINTL point, DWORD*) {
    HTREEITEM target = ItemAt(point);
    Highlight(nullptr);
    if (!accepted_ || !commands_.AcceptsDrops()) return S_OK;
    accepted_ = false;
    if (Offers(data, ValuesFormat())) {
        if (!target) return S_OK;
        BlockText values = TextOfData(data, ValuesFormat());
        if (!values) return S_OK;
        if (target == commands_.Tree().Selected())
            commands_.PasteValuesText(values.View(), EditKind::Drop);
        else
            commands_.AddValuesToKey(target, values.View(), EditKind::Drop);
    } else if (Offers(data, KeyBranchFormat())) {
        BlockText path = TextOfData(data, KeyPathFormat());
        BlockText branch = path ? TextOfData(data, KeyBranchFormat()) : BlockText();
        if (!branch) return S_OK;
        commands_.PasteBranch(branch.View(), path.View(), target, EditKind::Drop);
    }
    return S_OK;
}

}  // namespace transfer
