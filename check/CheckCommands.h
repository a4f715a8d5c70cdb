#pragma once
// Check File (Ctrl+K): the check of the document's lines as the registry
// editor reads them, on a worker thread behind a progress dialog, and the
// modeless results window that lists them. The document window answers
// what the room needs of it through CheckHost.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/CommandTable.h"

class RegDocument;

namespace check {

class ResultsWindow;

// What the check needs of the window that holds the document.
class CheckHost {
public:
    virtual ~CheckHost() = default;
    virtual HWND HostWindow() const = 0;
    virtual RegDocument& Document() = 0;
    // Selects the key of the path in the tree (making its items as needed)
    // and, when value is given, the value of that name (as written in the
    // file, escapes kept) in the list.
    virtual void ShowKeyAndValue(const std::string& keyPath, const std::string* value) = 0;
};

class CheckCommands : public fw::CommandTarget {
public:
    static constexpr int kCommands[] = {300};  // ID_FILE_CHECK

    explicit CheckCommands(CheckHost& host);
    ~CheckCommands() override;
    CheckCommands(const CheckCommands&) = delete;
    CheckCommands& operator=(const CheckCommands&) = delete;

    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

    // Runs the check and shows its results (F5 in the results window too).
    void RunCheck();
    // The results window while it is open, else null.
    HWND ResultsHwnd() const;

private:
    CheckHost& host_;  // not owned
    std::unique_ptr<ResultsWindow> results_;
};

}  // namespace check
