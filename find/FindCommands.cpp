#include "find/FindCommands.h"

#include "document/Utf8.h"

#include <commctrl.h>

#include "document/RegDocument.h"
#include "find/FindSearch.h"
#include "framework/CommandStates.h"
#include "framework/Strings.h"
#include "resources/resource.h"
#include "views/KeyTreeView.h"
#include "views/ValueListView.h"
#include "views/ViewHost.h"

namespace find {

namespace {

// Dialog 106: the search text and the four flag boxes.
class FindDialog : public fw::Dialog {
public:
    FindDialog(std::string& text, unsigned& flags) : text_(text), flags_(flags) {}

protected:
    BOOL OnInitDialog() override {
        SendDlgItemMessageA(hwnd_, IDC_FIND_TEXT, EM_LIMITTEXT, kMaxSearchText, 0);
        SetDlgItemTextA(hwnd_, IDC_FIND_TEXT, text_.c_str());
        for (const auto& [box, bit] : kBoxes) CheckDlgButton(hwnd_, box, (flags_ & bit) ? BST_CHECKED : BST_UNCHECKED);
        SetFocus(Item(IDC_FIND_TEXT));
        return FALSE;  // the focus is set
    }
    void OnOK() override {
        // The edit's limit counts characters, of up to three bytes each
        // (four for a pair of two): room for all, cut between characters.
        char text[3 * kMaxSearchText + 4] = "";
        GetDlgItemTextA(hwnd_, IDC_FIND_TEXT, text, sizeof text);
        std::string_view typed(text);
        text_ = std::string(typed.substr(0, CharacterPrefix(typed, kMaxSearchText)));
        flags_ = 0;
        for (const auto& [box, bit] : kBoxes)
            if (IsDlgButtonChecked(hwnd_, box) == BST_CHECKED) flags_ |= bit;
        EndDialog(hwnd_, IDOK);
    }

private:
    static constexpr std::pair<int, unsigned> kBoxes[] = {
        {IDC_FIND_KEYS, kFindKeys},
        {IDC_FIND_VALUES, kFindValueNames},
        {IDC_FIND_DATA, kFindData},
        {IDC_FIND_WHOLE, kFindWholeString},
    };
    std::string& text_;
    unsigned& flags_;
};

}  // namespace

UINT FoundValueMessage() {
    static const UINT message = RegisterWindowMessageA("{95C7F1B2-38F0-4b06-A7AF-479E29B4B7ED}");
    return message;
}

FindCommands::FindCommands(ViewHost& host, KeyTreeView& tree, ValueListView& list)
    : host_(host), tree_(tree), list_(list), progress_(IDD_FIND_PROGRESS) {}

void FindCommands::OnCommand(int id) {
    if (id == ID_EDIT_FIND) {
        if (AskForText() && !text_.empty()) Search();
    } else if (id == ID_EDIT_FIND_NEXT) {
        if (text_.empty())
            PostMessageA(host_.HostWindow(), WM_COMMAND, MAKEWPARAM(ID_EDIT_FIND, 0), 0);
        else
            Search();
    }
}

void FindCommands::UpdateState(int id, fw::CommandStates& states) {
    states.Enable(static_cast<UINT>(id), true);
}

bool FindCommands::AskForText() {
    std::string text = text_;
    unsigned flags = flags_;
    FindDialog dialog(text, flags);
    if (dialog.DoModal(host_.HostWindow(), IDD_FIND) != IDOK) return false;
    text_ = text;
    flags_ = flags;
    return true;
}

void FindCommands::Search() {
    key_ = SearchKeyOf(text_);
    const KeyNode* start = tree_.KeyOf(tree_.Selected());
    const RegDocument& document = host_.Document();
    SearchOutcome outcome = SearchOutcome::Stopped;
    SearchHit hit;
    // The worker only reads the document; the window is disabled under the
    // progress dialog, so nothing changes it meanwhile.
    bool started = fw::RunWorker(host_.HostWindow(), progress_, stop_, [&] {
        outcome = SearchKeys(document, start, key_, flags_, stop_, hit);
        return true;
    });
    if (!started) return;
    if (outcome == SearchOutcome::Found) {
        SelectHit(hit.key, hit.inValue);
    } else if (outcome == SearchOutcome::NotFound) {
        std::string text = fw::LoadText(IDS_FIND_FINISHED);
        std::string caption = fw::LoadText(IDS_APP_NAME);
        MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    }
}

void FindCommands::SelectHit(const KeyNode* key, bool inValue) {
    // The hit's branch may never have been shown: its items are made now,
    // its ancestors expanded.
    HTREEITEM item = tree_.EnsureItem(const_cast<KeyNode*>(key));
    if (!item) return;
    tree_.SelectItem(item);
    SetFocus(tree_.Hwnd());
    if (inValue) PostMessageA(host_.HostWindow(), FoundValueMessage(), 0, 0);
}

void FindCommands::ShowFoundValue() {
    HWND list = list_.Hwnd();
    int rows = ListView_GetItemCount(list);
    for (int row = 0; row < rows; ++row) {
        const ValueEntry* value = list_.ValueAt(row);
        if (!value || !ValueTest(*value, key_, flags_)) continue;
        SetFocus(list);
        list_.DeselectAll();
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
        return;
    }
}

}  // namespace find
