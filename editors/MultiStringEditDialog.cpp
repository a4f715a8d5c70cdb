#include "editors/MultiStringEditDialog.h"

#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "framework/CommandTable.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "resources/resource.h"

#include <commctrl.h>

namespace editors {

namespace {

const char kEnableCommandMessageName[] = "C0439A9C-02F2-4a33-B5D6-09392B6CD711";
const char kNewItemText[] = "New Item";

}  // namespace

UINT GetEnableCommandMessage() {
    static const UINT message = RegisterWindowMessageA(kEnableCommandMessageName);
    return message;
}

MultiStringEditDialog::MultiStringEditDialog(MultiStringValue& value, HWND popupShower)
    : ValueEditDialog(value), multi_(value), popupShower_(popupShower) {}

HWND MultiStringEditDialog::List() const { return Item(IDC_STRING_LIST); }

bool MultiStringEditDialog::Run(HWND owner) { return DoModal(owner, IDD_EDIT_MULTISTRING) == IDOK; }

BOOL MultiStringEditDialog::OnInitDialog() {
    listChanged_ = false;
    // Over the window it edits for, not at its corner.
    fw::CenterOnOwner(hwnd_);
    ShowDisplayName();
    HWND list = List();
    int index = 0;
    // Every string of the data, the last one too when its zero is missing;
    // empty strings are not listed.
    for (const std::string& text : DecodeCharStrings(multi_.GetHexData(), multi_.GetDialect())) {
        if (text.empty()) continue;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index++;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    UpdateButtons();
    // The strings first, though the value's name comes before them in the
    // Tab order (the labels name the controls that follow them).
    SetFocus(list);
    return FALSE;
}

int MultiStringEditDialog::SelectedCount() const {
    return static_cast<int>(SendMessageA(List(), LVM_GETSELECTEDCOUNT, 0, 0));
}

void MultiStringEditDialog::UpdateButtons() {
    bool any = SelectedCount() > 0;
    EnableWindow(Item(IDC_STRING_EDIT), any);
    EnableWindow(Item(IDC_STRING_DELETE), any);
}

std::string MultiStringEditDialog::ItemText(int index) const {
    // The list reports the length it copied; a text that filled the buffer
    // may be longer, so try again with twice the room.
    for (size_t size = 256;; size *= 2) {
        std::string buffer(size, '\0');
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        LRESULT length = SendMessageA(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(&item));
        if (length < static_cast<LRESULT>(size) - 1) return std::string(buffer.c_str());
    }
}

std::vector<std::string> MultiStringEditDialog::Items() const {
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(ItemText(i));
    return items;
}

void MultiStringEditDialog::Add() {
    HWND list = List();
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(kNewItemText);
    int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    listChanged_ = true;
    if (index < 0) return;
    SetFocus(list);
    // The wide message: under Wine the ANSI one makes the label's edit an
    // ANSI window, which cannot take a typed UTF-8 character.
    SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(index), 0);
}

void MultiStringEditDialog::EditSelected() {
    HWND list = List();
    int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (index < 0) return;
    SetFocus(list);
    SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(index), 0);
}

bool MultiStringEditDialog::DeleteSelected() {
    if (SelectedCount() == 0) return false;
    std::string question = fw::LoadText(IDS_CONFIRM_VALUES_DELETE);
    std::string caption = fw::LoadText(IDS_APP_NAME);
    if (MessageBoxA(hwnd_, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    HWND list = List();
    for (;;) {
        int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (index < 0) break;
        SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    }
    listChanged_ = true;
    UpdateButtons();
    return true;
}

void MultiStringEditDialog::OnContextMenu(int x, int y) {
    fw::UniqueMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MULTISTRING_MENU)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.Get(), 0);
    if (!popup) return;
    bool any = SelectedCount() > 0;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) {
        SendMessageA(owner, GetEnableCommandMessage(), ID_MULTISTRING_EDIT, any);
        SendMessageA(owner, GetEnableCommandMessage(), ID_MULTISTRING_DELETE, any);
    }
    // The menu carries the same states, for a plain menu that does not consult
    // the frame's command states.
    UINT state = MF_BYCOMMAND | (any ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, ID_MULTISTRING_EDIT, state);
    EnableMenuItem(popup, ID_MULTISTRING_DELETE, state);
    if (x == -1 && y == -1) {
        // From the keyboard: below the list's top-left corner.
        POINT corner{4, 4};
        ClientToScreen(List(), &corner);
        x = corner.x;
        y = corner.y;
    }
    UINT chosen = static_cast<UINT>(fw::TrackPopupThrough(popupShower_, hwnd_, popup, POINT{x, y}));
    int button = 0;
    switch (chosen) {
    case ID_MULTISTRING_ADD: button = IDC_STRING_ADD; break;
    case ID_MULTISTRING_EDIT: button = IDC_STRING_EDIT; break;
    case ID_MULTISTRING_DELETE: button = IDC_STRING_DELETE; break;
    default: break;
    }
    if (button) PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

INT_PTR MultiStringEditDialog::OnNotify(NMHDR* header) {
    if (header->idFrom != IDC_STRING_LIST) return FALSE;
    switch (header->code) {
    case LVN_KEYDOWN: {
        auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_INSERT) Add();
        else if (key->wVKey == VK_F2) EditSelected();
        else if (key->wVKey == VK_DELETE) DeleteSelected();
        return FALSE;
    }
    case LVN_ITEMCHANGED:
        UpdateButtons();
        return FALSE;
    case LVN_ENDLABELEDITA:
    case LVN_ENDLABELEDITW: {
        // Text present means the edit was not cancelled; every text is taken,
        // the empty one included (OK leaves empty items out).
        bool accepted = header->code == LVN_ENDLABELEDITA
                            ? reinterpret_cast<NMLVDISPINFOA*>(header)->item.pszText != nullptr
                            : reinterpret_cast<NMLVDISPINFOW*>(header)->item.pszText != nullptr;
        if (accepted) listChanged_ = true;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, accepted ? TRUE : FALSE);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR MultiStringEditDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == List()) {
            OnContextMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return TRUE;
        }
        return FALSE;
    default:
        return ValueEditDialog::HandleMessage(msg, wParam, lParam);
    }
}

void MultiStringEditDialog::Close(int id) {
    if (id == IDOK && listChanged_) {
        std::string bytes = MultiStringBytes(Items());
        multi_.SetBytes(bytes.data(), bytes.size());
        multi_.SetDialect(kRegedit4);
        entry_.SetChanged(true);
    }
    EndDialog(hwnd_, id);
}

bool MultiStringEditDialog::OnCommand(int id, int /*code*/, HWND control) {
    switch (id) {
    case IDOK:
    case IDCANCEL: {
        // Enter or Escape in the list's label editor arrive as OK and Cancel
        // from that edit control: they end the label edit, not the dialog.
        char className[16] = "";
        if (control && GetClassNameA(control, className, sizeof className) &&
            lstrcmpiA(className, "Edit") == 0)
            return true;
        Close(id);
        return true;
    }
    case IDC_STRING_ADD:
        Add();
        return true;
    case IDC_STRING_EDIT:
        EditSelected();
        return true;
    case IDC_STRING_DELETE:
        DeleteSelected();
        // The button counts as a change whatever the answer.
        listChanged_ = true;
        return true;
    default:
        return CloseWithoutStoring(id);
    }
}

}  // namespace editors
