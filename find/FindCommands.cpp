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
        fw::CenterOnOwner(hwnd_);
        SendDlgItemMessageA(hwnd_, IDC_FIND_TEXT, EM_LIMITTEXT, kMaxSearchText, 0);
        SetDlgItemTextA(hwnd_, IDC_FIND_TEXT, text_.c_str());
        for (const auto& [box, bit] : kBoxes) CheckDlgButton(hwnd_, box, (flags_ & bit) ? BST_CHECKED : BST_UNCHECKED);
        SetFocus(Item(IDC_FIND_TEXT));
        return FALSE;  // the focus is set
    }
    void OnOK() override {
        ReadControls();
        EndDialog(hwnd_, IDOK);
    }
    // Find All takes the text and flags as Find Next does.
    bool OnCommand(int id, int, HWND) override {
        if (id != IDC_FIND_ALL) return false;
        ReadControls();
        EndDialog(hwnd_, IDC_FIND_ALL);
        return true;
    }

private:
    void ReadControls() {
        // The edit's limit counts characters, of up to three bytes each
        // (four for a pair of two): room for all, cut between characters.
        char text[3 * kMaxSearchText + 4] = "";
        GetDlgItemTextA(hwnd_, IDC_FIND_TEXT, text, sizeof text);
        std::string_view typed(text);
        text_ = std::string(typed.substr(0, CharacterPrefix(typed, kMaxSearchText)));
        flags_ = 0;
        for (const auto& [box, bit] : kBoxes)
            if (IsDlgButtonChecked(hwnd_, box) == BST_CHECKED) flags_ |= bit;
    }

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
    : host_(host), tree_(tree), list_(list), progress_(IDD_FIND_PROGRESS),
      results_([this](const FindHit& hit) {
          // The results keep the keyboard: Enter on the next row goes on.
          HTREEITEM item = tree_.EnsureItem(const_cast<KeyNode*>(hit.key));
          if (!item) return;
          tree_.SelectItem(item);
          if (hit.InValue()) SelectValueRow(hit, false);
      }) {}

void FindCommands::OnCommand(int id) {
    if (id == ID_EDIT_FIND) {
        INT_PTR choice = AskForText();
        if (text_.empty()) return;
        if (choice == IDOK) Search();
        if (choice == IDC_FIND_ALL) SearchAll();
    } else if (text_.empty()) {
        PostMessageA(host_.HostWindow(), WM_COMMAND, MAKEWPARAM(ID_EDIT_FIND, 0), 0);
    } else if (id == ID_EDIT_FIND_NEXT) {
        Search();
    } else if (id == ID_EDIT_FIND_ALL) {
        SearchAll();
    }
}

void FindCommands::UpdateState(int id, fw::CommandStates& states) {
    states.Enable(static_cast<UINT>(id), true);
}

INT_PTR FindCommands::AskForText() {
    std::string text = text_;
    unsigned flags = flags_;
    FindDialog dialog(text, flags);
    INT_PTR choice = dialog.DoModal(host_.HostWindow(), IDD_FIND);
    if (choice != IDOK && choice != IDC_FIND_ALL) return IDCANCEL;
    text_ = text;
    flags_ = flags;
    return choice;
}

FindHit FindCommands::StartPlace() const {
    KeyNode* key = tree_.KeyOf(tree_.Selected());
    FindHit place{key, kKeyName};
    if (!key || list_.Key() != key) return place;
    HWND list = list_.Hwnd();
    int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (row < 0) row = list_.FirstSelected();
    const ValueEntry* value = row >= 0 ? list_.ValueAt(row) : nullptr;
    const ValueList& values = list_.Values();
    for (size_t i = 0; value && i < values.size(); ++i)
        if (values[i].get() == value) place.value = static_cast<uint32_t>(i);
    return place;
}

void FindCommands::Search() {
    key_ = SearchKeyOf(text_);
    FindHit start = StartPlace();
    const RegDocument& document = host_.Document();
    SearchOutcome outcome = SearchOutcome::Stopped;
    FindHit hit;
    // The worker only reads the document; the window is disabled under the
    // progress dialog, so nothing changes it meanwhile.
    bool started = fw::RunWorker(host_.HostWindow(), progress_, stop_, [&] {
        outcome = SearchNext(document, start, key_, flags_, stop_, hit);
        return true;
    });
    if (!started) return;
    if (outcome == SearchOutcome::Found) {
        SelectHit(hit);
    } else if (outcome == SearchOutcome::NotFound) {
        std::string text = fw::LoadText(IDS_FIND_FINISHED);
        std::string caption = fw::LoadText(IDS_APP_NAME);
        MessageBoxA(host_.HostWindow(), text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    }
}

// The results window is the search's progress dialog; the document window
// stays disabled while the worker reads the document.
void FindCommands::SearchAll() {
    key_ = SearchKeyOf(text_);
    const RegDocument& document = host_.Document();
    if (!results_.Open(host_.HostWindow(), document, text_)) return;
    SearchOutcome outcome = SearchOutcome::Stopped;
    bool started = fw::RunWorker(host_.HostWindow(), results_, stop_, [&] {
        outcome = FindAll(document, key_, flags_, stop_, results_);
        return true;
    });
    results_.Ended(started ? outcome : SearchOutcome::Stopped);
}

void FindCommands::SelectHit(const FindHit& hit) {
    // The hit's branch may never have been shown: its items are made now,
    // its ancestors expanded.
    HTREEITEM item = tree_.EnsureItem(const_cast<KeyNode*>(hit.key));
    if (!item) return;
    lastHit_ = hit;
    tree_.SelectItem(item);
    SetFocus(tree_.Hwnd());
    if (hit.InValue()) PostMessageA(host_.HostWindow(), FoundValueMessage(), 0, 0);
}

void FindCommands::ShowFoundValue() { SelectValueRow(lastHit_, true); }

void FindCommands::SelectValueRow(const FindHit& hit, bool focus) {
    if (!hit.key || !hit.InValue() || list_.Key() != hit.key || hit.value >= list_.Values().size()) return;
    const ValueEntry* value = list_.Values()[hit.value].get();
    HWND list = list_.Hwnd();
    int rows = ListView_GetItemCount(list);
    for (int row = 0; row < rows; ++row) {
        if (list_.ValueAt(row) != value) continue;
        if (focus) SetFocus(list);
        list_.DeselectAll();
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
        return;
    }
}

}  // namespace find
