#include "DialogScript.h"

#include "document/ValueEntry.h"
#include "editors/ValueEditors.h"
#include "tests/ui/Harness.h"

#include <vector>

namespace test {

namespace {

constexpr UINT kTickMs = 20;
constexpr DWORD kScriptBoundMs = 15000;

struct Script {
    std::vector<Step> steps;
    size_t next = 0;
    DWORD started = 0;
    bool timedOut = false;
};
Script* g_script = nullptr;

// The visible dialogs of this thread.
std::vector<HWND> ThreadDialogs() {
    return harness::WindowsWhere(nullptr, [](HWND hwnd) {
        return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId() &&
               harness::ClassName(hwnd) == "#32770" && IsWindowVisible(hwnd);
    });
}

// Closes whatever the script left open: message boxes first, then the editor.
void CloseEverything() {
    for (HWND dialog : ThreadDialogs()) {
        if (IsWindowEnabled(dialog)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_COMMAND, IDNO, 0);
        }
    }
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = g_script;
    if (!script) return;
    if (GetTickCount() - script->started > kScriptBoundMs) {
        script->timedOut = true;
        CloseEverything();
        return;
    }
    if (script->next >= script->steps.size()) return;
    // Steps act on the dialog: none before it is on the screen.
    if (!ActiveDialog()) return;
    // A step may run a nested loop (a message box); do not re-enter it.
    static bool running = false;
    if (running) return;
    running = true;
    Step step = script->steps[script->next];
    if (step()) ++script->next;
    running = false;
}

}  // namespace

HWND OwnerWindow() {
    static HWND owner = harness::PlainWindow("QuillonEditorTestOwner", "Editor test", WS_OVERLAPPEDWINDOW);
    return owner;
}

ScriptResult RunEditor(ValueEntry& value, std::vector<Step> steps) {
    return RunModal(
        [&] {
            // As the program does at start-up: Modify opens the dialog of the kind.
            editors::RegisterValueEditors();
            return value.Edit(OwnerWindow());
        },
        std::move(steps));
}

ScriptResult RunModal(const std::function<bool()>& modal, std::vector<Step> steps) {
    Script script;
    script.steps = std::move(steps);
    script.started = GetTickCount();
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, Tick);
    ScriptResult result;
    result.edited = modal();
    KillTimer(nullptr, timer);
    g_script = nullptr;
    // Leftover posted commands must not reach the next test's dialog.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TIMER) continue;
        DispatchMessageA(&msg);
    }
    result.completed = !script.timedOut && script.next == script.steps.size();
    if (script.timedOut)
        result.failure = "the dialog did not close in time (step " + std::to_string(script.next) + ")";
    else if (!result.completed)
        result.failure = "the dialog closed before step " + std::to_string(script.next);
    return result;
}

HWND ActiveDialog() {
    for (HWND dialog : ThreadDialogs())
        if (IsWindowEnabled(dialog)) return dialog;
    return nullptr;
}

HWND EditorControl(int id) { return GetDlgItem(ActiveDialog(), id); }

std::string ControlText(int id) {
    HWND control = EditorControl(id);
    int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, buffer.data(), length + 1);
    return buffer.data();
}

void Selection(int id, DWORD& start, DWORD& end) {
    start = end = 0;
    SendMessageA(EditorControl(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
}

Step Do(std::function<void()> action) {
    return [action] {
        action();
        return true;
    };
}

Step WaitFor(std::function<bool()> condition) { return condition; }

// A step on an editor control; it waits while the control is not there.
Step OnControl(int id, std::function<void(HWND)> act) {
    return [id, act] {
        HWND control = EditorControl(id);
        if (control) act(control);
        return control != nullptr;
    };
}

Step Type(int id, std::string text) {
    return OnControl(id, [text](HWND control) {
        for (char c : text) SendMessageA(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    });
}

Step Key(int id, UINT vk, bool shift, bool ctrl) {
    return OnControl(id, [=](HWND control) {
        BYTE saved[256], held[256];
        GetKeyboardState(saved);
        memcpy(held, saved, sizeof held);
        if (shift) held[VK_SHIFT] = held[VK_LSHIFT] = 0x80;
        if (ctrl) held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
        SetKeyboardState(held);
        SendMessageA(control, WM_KEYDOWN, vk, 1);
        // What TranslateMessage would add for keys that make a character.
        if (vk == VK_BACK) SendMessageA(control, WM_CHAR, '\b', 1);
        SendMessageA(control, WM_KEYUP, vk, 0xC0000001);
        SetKeyboardState(saved);
    });
}

Step PostKey(int id, UINT vk) {
    return OnControl(id, [vk](HWND control) {
        PostMessageA(control, WM_KEYDOWN, vk, 1);
        PostMessageA(control, WM_KEYUP, vk, 0xC0000001);
    });
}

Step SetSelection(int id, DWORD start, DWORD end) {
    return OnControl(id, [=](HWND control) { SendMessageA(control, EM_SETSEL, start, end); });
}

Step Press(int id) {
    return [id] {
        HWND dialog = ActiveDialog();
        if (!dialog) return false;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        return true;
    };
}

Step Click(int id) {
    return OnControl(id, [](HWND control) { SendMessageA(control, BM_CLICK, 0, 0); });
}

Step PostClick(int id) {
    return OnControl(id, [](HWND control) { PostMessageA(control, BM_CLICK, 0, 0); });
}

Step Answer(int button) {
    return [button] {
        for (HWND dialog : ThreadDialogs()) {
            if (!IsWindowEnabled(dialog) || !GetDlgItem(dialog, button)) continue;
            if (harness::WindowText(dialog) != "Quillon") continue;
            return harness::PressButton(dialog, button);
        }
        return false;
    };
}

Step ExpectText(int id, std::string text) {
    return Do([id, text] { EXPECT_EQ(ControlText(id), text) << "control " << id; });
}

Step Paste(int id, std::string text) {
    return Do([id, text] {
        harness::SetClipboardText(text);
        SendMessageA(EditorControl(id), WM_PASTE, 0, 0);
    });
}

void ExpectOkStores(const std::vector<OkCase>& cases,
                    const std::function<std::unique_ptr<ValueEntry>(const char*)>& make,
                    const std::function<std::string(ValueEntry&)>& stored) {
    for (const OkCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "case at line " << c.line);
        auto value = make(c.data);
        std::vector<Step> steps = c.steps;
        steps.push_back(Press(IDOK));
        EXPECT_TRUE(Played(RunEditor(*value, steps), c.edited));
        EXPECT_EQ(stored(*value), c.stored);
    }
}

}  // namespace test
