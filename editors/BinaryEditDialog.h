#pragma once
// Dialog 103 for binary values (every hex kind but hex(2) and hex(7)).

#include "editors/HexEditArea.h"
#include "editors/ValueEditDialog.h"
#include "framework/Handles.h"

class BinaryValue;

namespace editors {

class BinaryEditDialog : public ValueEditDialog {
public:
    explicit BinaryEditDialog(BinaryValue& value);
    ~BinaryEditDialog() override;
    bool Run(HWND owner);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void UseFixedPitchFont();

    BinaryValue& binary_;  // not owned
    HexEditArea area_;
    fw::UniqueFont font_;  // outlives the dialog's controls
};

}  // namespace editors
