#pragma once
// Dialog 102 for string and expandable string values.

#include "editors/ValueEditDialog.h"

class StringValue;
class ExpandStringValue;
class ValueEntry;

namespace editors {

class StringEditDialog : public ValueEditDialog {
public:
    explicit StringEditDialog(StringValue& value);
    // True when closed with OK (whether or not anything was stored).
    bool Run(HWND owner);

protected:
    // For the expandable kind, which shares the template but not the storing.
    explicit StringEditDialog(ValueEntry& value) : ValueEditDialog(value) {}

    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int code, HWND control) override;
    // The text shown at opening and the way OK stores it.
    virtual std::string GetInitialText() const;
    virtual void Store(const std::string& text);
};

class ExpandStringEditDialog : public StringEditDialog {
public:
    explicit ExpandStringEditDialog(ExpandStringValue& value);

protected:
    std::string GetInitialText() const override;
    void Store(const std::string& text) override;

private:
    ExpandStringValue& expand_;  // not owned
};

}  // namespace editors
