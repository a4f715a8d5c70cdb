#include "editors/StringEditDialog.h"

#include "document/ValueCodec.h"
#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "resources/resource.h"

#include <vector>

namespace editors {

StringEditDialog::StringEditDialog(StringValue& value) : ValueEditDialog(value) {}

bool StringEditDialog::Run(HWND owner) { return DoModal(owner, IDD_EDIT_STRING) == IDOK; }

BOOL StringEditDialog::OnInitDialog() {
    // Over the window it edits for, not at its corner.
    fw::CenterOnOwner(hwnd_);
    ShowDisplayName();
    // A value longer than the default limit loads whole but could not be
    // typed into; the file format sets no limit of its own.
    SendMessageA(Item(IDC_VALUE_DATA), EM_LIMITTEXT, 0, 0);
    SetDlgItemTextA(hwnd_, IDC_VALUE_DATA, GetInitialText().c_str());
    // TRUE: the dialog focuses the first tab stop, the data, text selected.
    return TRUE;
}

std::string StringEditDialog::GetInitialText() const { return entry_.GetDisplayText(); }

void StringEditDialog::Store(const std::string& text) {
    // Only the public constructor, from a StringValue, leaves Store unreplaced.
    static_cast<StringValue&>(entry_).SetData(EscapeString(text));
}

void StringEditDialog::OnOK() {
    HWND data = Item(IDC_VALUE_DATA);
    // Only what the user typed is stored: OK on an untouched field keeps the
    // data exactly as the file had it.
    if (SendMessageA(data, EM_GETMODIFY, 0, 0)) {
        Store(GetControlText(data));
        entry_.SetChanged(true);
    }
    EndDialog(hwnd_, IDOK);
}

bool StringEditDialog::OnCommand(int id, int /*code*/, HWND /*control*/) {
    return CloseWithoutStoring(id);
}

ExpandStringEditDialog::ExpandStringEditDialog(ExpandStringValue& value)
    : StringEditDialog(static_cast<ValueEntry&>(value)), expand_(value) {}

std::string ExpandStringEditDialog::GetInitialText() const {
    // The characters up to the first zero; UTF-16 data of dialect 5 through
    // the code page, so characters above 255 do not turn into their low byte.
    std::vector<std::string> strings = DecodeCharStrings(expand_.GetHexData(), expand_.GetDialect());
    return strings.empty() ? std::string() : strings.front();
}

void ExpandStringEditDialog::Store(const std::string& text) {
    std::string bytes = ExpandStringBytes(text);
    expand_.SetBytes(bytes.data(), bytes.size());
    expand_.SetDialect(kRegedit4);
}

}  // namespace editors
