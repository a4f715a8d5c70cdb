#include "editors/ValueEditors.h"

#include "document/ValueEntry.h"
#include "editors/BinaryEditDialog.h"
#include "editors/MultiStringEditDialog.h"
#include "editors/NumberEditDialog.h"
#include "editors/StringEditDialog.h"

#include <commctrl.h>

namespace editors {

namespace {

bool RunDialog(ValueEntry& value, HWND owner, HWND popupShower) {
    switch (value.GetType()) {
    case ValueType::String: {
        StringEditDialog dialog(static_cast<StringValue&>(value));
        return dialog.Run(owner);
    }
    case ValueType::ExpandString: {
        ExpandStringEditDialog dialog(static_cast<ExpandStringValue&>(value));
        return dialog.Run(owner);
    }
    case ValueType::MultiString: {
        MultiStringEditDialog dialog(static_cast<MultiStringValue&>(value), popupShower);
        return dialog.Run(owner);
    }
    case ValueType::Dword: {
        DwordEditDialog dialog(static_cast<DwordValue&>(value));
        return dialog.Run(owner);
    }
    case ValueType::Qword: {
        QwordEditDialog dialog(static_cast<QwordValue&>(value));
        return dialog.Run(owner);
    }
    case ValueType::Binary: {
        BinaryEditDialog dialog(static_cast<BinaryValue&>(value));
        return dialog.Run(owner);
    }
    case ValueType::Deletion:  // no data to edit
        break;
    }
    return false;
}

class DialogValueEditor : public ValueEditor {
public:
    bool EditValue(ValueEntry& value, void* ownerWindow) override {
        return RunDialog(value, static_cast<HWND>(ownerWindow), nullptr);
    }
};

DialogValueEditor g_editor;
const EditorSettings* g_settings = nullptr;

}  // namespace

void SetEditorSettings(const EditorSettings* settings) { g_settings = settings; }

const EditorSettings* GetEditorSettings() { return g_settings; }

void RegisterValueEditors() {
    // The multi-string editor's list view; harmless when start-up loaded it.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    SetValueEditor(&g_editor);
}

void UnregisterValueEditors() { SetValueEditor(nullptr); }

bool EditValue(ValueEntry& value, HWND owner, HWND popupShower) {
    value.SetChanged(false);
    return RunDialog(value, owner, popupShower) && value.IsChanged();
}

}  // namespace editors
