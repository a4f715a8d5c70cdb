#include "editors/ValueEditDialog.h"

#include "document/ValueCodec.h"
#include "document/ValueEntry.h"
#include "editors/HexForm.h"
#include "framework/Strings.h"
#include "resources/resource.h"

#include <vector>

namespace editors {

std::string GetEditorDisplayName(const ValueEntry& value) {
    if (!value.GetName().empty()) return ShownValueName(value.GetName());
    return fw::LoadText(IDS_DEFAULT_NAME);
}

std::string GetControlText(HWND control) {
    int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data());
}

void ValueEditDialog::ShowDisplayName() {
    SetDlgItemTextA(hwnd_, IDC_VALUE_NAME, GetEditorDisplayName(entry_).c_str());
}

bool ValueEditDialog::CloseWithoutStoring(int id) {
    if (id < IDCANCEL || id > 7) return false;
    EndDialog(hwnd_, id);
    return true;
}

}  // namespace editors
