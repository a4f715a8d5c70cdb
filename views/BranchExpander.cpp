#include "views/BranchExpander.h"

#include <atomic>
#include <cstdint>
#include <string>

#include "document/RegDocument.h"
#include "framework/Strings.h"
#include "framework/WorkerRunner.h"
#include "resources/resource.h"
#include "views/KeyTreeView.h"

namespace {

// The views' own copy of the load's progress dialog, with Expand All's texts.
class ExpandProgress : public fw::ModalWorkerDialog {
public:
    explicit ExpandProgress(std::string label) : ModalWorkerDialog(IDD_PROGRESS), label_(std::move(label)) {}

    // From the worker: posted, as the dialog's thread may be busy with the tree.
    void SetProgress(int percent) {
        if (HWND dlg = UpWindow()) PostMessageA(GetDlgItem(dlg, IDC_PROGRESS_BAR), PBM_SETPOS, percent, 0);
    }

protected:
    BOOL OnInitDialog() override {
        SetWindowTextA(hwnd_, fw::LoadText(IDS_EXPAND_ALL_CAPTION).c_str());
        SetDlgItemTextA(hwnd_, IDC_PROGRESS_LABEL, label_.c_str());
        SendDlgItemMessageA(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        return ModalWorkerDialog::OnInitDialog();
    }

private:
    std::string label_;
};

// Opens the keys of the branch in document order, so that a key's parent has
// been expanded, and the key given its item, before the key's own turn. Each
// step fills all of one key's children (ExpandKey), so a stop between two
// steps leaves every key either expanded with all its children shown or
// untouched. `expand` opens one key's item; `step` is told how many keys
// were passed and says whether to go on.
template <class Expand, class Step>
void ExpandKeysOfBranch(KeyNode* top, Expand expand, Step step) {
    size_t passed = 0;
    ForEachKeyOfBranch(top, [&](KeyNode* key) {
        if (key->firstChild && key->viewItem) expand(static_cast<HTREEITEM>(key->viewItem));
        return step(passed++);
    });
}

bool AskToExpandAll(HWND owner, const KeyNode* key, size_t keys) {
    std::string text = fw::FormatText(IDS_EXPAND_ALL_QUESTION, key->name, static_cast<unsigned>(keys));
    return MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// The tree's items can only be made on the user-interface thread: the worker
// walks the document and has each key opened there through the tree's
// ExpandKeyMessage, which the thread serves while it runs the progress
// dialog. Meanwhile the dialog disables the owner, so the document holds still.
void ExpandWithProgress(KeyTreeView& tree, KeyNode* top, size_t keys, HWND owner) {
    size_t total = keys + 1;  // with top
    ExpandProgress dialog(fw::FormatText(IDS_EXPAND_ALL_PROGRESS, top->name));
    std::atomic<int32_t> stop{1};
    HWND hwnd = tree.Hwnd();
    fw::RunWorker(owner, dialog, stop, [&] {
        int shown = -1;
        ExpandKeysOfBranch(
            top, [&](HTREEITEM item) { SendMessageA(hwnd, KeyTreeView::ExpandKeyMessage(), 0, reinterpret_cast<LPARAM>(item)); },
            [&](size_t passed) {
                int percent = static_cast<int>(passed * 100 / total);
                if (percent != shown) dialog.SetProgress(shown = percent);
                return stop.load() == 0;
            });
        return true;
    });
}

}  // namespace

size_t CountBranchKeys(const KeyNode* top, size_t limit) {
    size_t count = 0;
    ForEachKeyOfBranch(top, [&](const KeyNode* key) { return key == top || ++count <= limit; });
    return count;
}

// Redraw stays off while the items come: each one would repaint the tree.
void ExpandBranch(KeyTreeView& tree, HTREEITEM item, HWND owner) {
    KeyNode* top = tree.KeyOf(item);
    if (!top || !top->firstChild) return;
    // The whole count only for a large branch: the question names it.
    size_t keys = CountBranchKeys(top, kExpandAllLimit);
    bool large = keys > kExpandAllLimit;
    if (large) keys = CountBranchKeys(top, SIZE_MAX - 1);
    if (large && !AskToExpandAll(owner, top, keys)) {
        tree.ExpandKey(item);  // one level, as '+' does
        return;
    }
    tree.SetRedraw(false);
    if (large)
        ExpandWithProgress(tree, top, keys, owner);
    else
        ExpandKeysOfBranch(top, [&](HTREEITEM key) { tree.ExpandKey(key); }, [](size_t) { return true; });
    tree.SetRedraw(true);
    TreeView_EnsureVisible(tree.Hwnd(), item);
}
