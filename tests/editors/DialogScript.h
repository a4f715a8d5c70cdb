#pragma once
// Drives a modal editor from inside its own modal loop: a thread timer plays
// one step per tick while ValueEntry::Edit runs, so every character and key
// goes to the real controls on the thread that owns them. The whole script is
// bounded: a dialog that does not close in time is closed and the test fails.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ValueEntry;

namespace test {

// True: done, play the next step. False: not yet, try again on the next tick.
using Step = std::function<bool()>;

struct ScriptResult {
    bool edited = false;     // what Edit returned
    bool completed = false;  // every step played before the dialog closed
    std::string failure;     // why not
};

// Every step played and Edit returned `edited`.
inline ::testing::AssertionResult Played(const ScriptResult& run, bool edited) {
    if (!run.completed) return ::testing::AssertionFailure() << run.failure;
    if (run.edited != edited) return ::testing::AssertionFailure() << "Edit returned " << run.edited;
    return ::testing::AssertionSuccess();
}

// The window standing in for the document window (owner of the editors).
HWND OwnerWindow();

ScriptResult RunEditor(ValueEntry& value, std::vector<Step> steps);
// The same around any call that runs modal dialogs; `edited` is its result.
ScriptResult RunModal(const std::function<bool()>& modal, std::vector<Step> steps);

// The enabled dialog of this thread: the editor, or a message box over it.
HWND ActiveDialog();
HWND EditorControl(int id);
std::string ControlText(int id);
void Selection(int id, DWORD& start, DWORD& end);

Step Do(std::function<void()> action);
Step WaitFor(std::function<bool()> condition);
// Characters sent one by one as WM_CHAR to the control.
Step Type(int id, std::string text);
// WM_KEYDOWN and WM_KEYUP of a virtual key with Shift and Ctrl held as given.
Step Key(int id, UINT vk, bool shift = false, bool ctrl = false);
// The same through the dialog's message loop, for keys that open a message
// box (the step must not wait inside it) or that the dialog manager handles.
Step PostKey(int id, UINT vk);
Step SetSelection(int id, DWORD start, DWORD end);
// A push button pressed: its command posted to the dialog.
Step Press(int id);
// A button clicked with the mouse message (radio buttons check themselves).
Step Click(int id);
// The same through the dialog's message loop, for a click that opens a
// message box (the step must not wait inside it).
Step PostClick(int id);
// Waits for a message box over the editor and answers it with a button.
Step Answer(int button);
// Expects the control to hold the text.
Step ExpectText(int id, std::string text);
// The clipboard set to `text`, then pasted as the control's context menu
// does: no key filter.
Step Paste(int id, std::string text);

// What OK stores: the steps played on a value made from `data`, then OK;
// Edit's result and the data the value holds afterwards.
struct OkCase {
    int line;
    const char* data;
    std::vector<Step> steps;
    bool edited;
    const char* stored;
};
void ExpectOkStores(const std::vector<OkCase>& cases,
                    const std::function<std::unique_ptr<ValueEntry>(const char*)>& make,
                    const std::function<std::string(ValueEntry&)>& stored);

}  // namespace test
