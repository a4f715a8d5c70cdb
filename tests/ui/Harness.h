#pragma once
// UI test harness: drives a real quillon.exe in its own process under Wine,
// and answers the dialogs of any process, the test's own included.
//
// Every wait is bounded: a helper that times out returns a null handle or
// false, and App's destructor terminates a process that did not end, so a
// stuck modal dialog fails the test instead of hanging the run.
//
//   harness::App app;
//   ASSERT_TRUE(app.Start("\"Z:/some/file.reg\""));
//   HWND box = harness::WaitForDialog(app.Pid());
//   EXPECT_EQ(harness::DialogText(box), "...");
//   harness::PressButton(box, IDOK);
//   EXPECT_TRUE(app.Close());   // WM_CLOSE, exit code 0

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace harness {

// Default bound of every wait, in milliseconds.
constexpr DWORD kTimeout = 15000;

// Path of quillon.exe given by the build (a Windows path, Z: under Wine).
std::string QuillonPath();
// A Unix path of the build as a Windows path: Wine maps "/" to drive Z:.
std::string WindowsPath(std::string unixPath);

// A Windows path for a file of the source tree ("samples/sample.reg").
std::string SourcePath(const std::string& relative);
// A Windows path in a scratch directory of this test process, created empty
// when first used (ScratchPath("") is the directory with a trailing "\\").
std::string ScratchPath(const std::string& name);
bool WriteFile(const std::string& path, const std::string& bytes);
// The whole file, empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// UTF-16LE with byte-order mark of an ASCII text, and the ASCII text of one.
std::string Utf16(const std::string& ascii);
std::string Narrow(const std::string& utf16);
// A "REGEDIT4" text of `keys` keys below HKEY_CURRENT_USER\Software, each
// with two values, and a scratch file of about `megabytes` MB of such text
// (large enough for a load to be stopped while it is parsed).
std::string RegKeys(size_t keys);
std::string WriteLargeRegFile(const std::string& name, size_t megabytes);

// Opens the clipboard, waiting while another program holds it; false on time-out.
bool OpenClipboardSoon(HWND owner);
// The clipboard's text in a format, without its terminating zero.
std::string ClipboardText(UINT format = CF_TEXT);
void SetClipboardText(const std::string& text);
// Places blocks of exactly the given bytes (no zero added) on the clipboard,
// as another program could.
void PlaceClipboardBlocks(const std::vector<std::pair<UINT, std::string>>& blocks);
// A window class of the program's module with the window colour and the arrow
// cursor (registering it again does no harm).
void RegisterPlainClass(const char* className, WNDPROC proc);
// A plain top-level window of its own class, for a test or a benchmark to
// hold controls; `param` reaches WM_NCCREATE.
HWND PlainWindow(const char* className, const char* title, DWORD style, WNDPROC proc = DefWindowProcA,
                 void* param = nullptr);

class App {
public:
    App() = default;
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    // Terminates the process when it is still running.
    ~App();

    // Starts quillon.exe with the given command-line arguments (appended after
    // the quoted program path exactly as given) and waits for its main frame.
    // The settings get "Tips" = 0 first, so that no tip of the day comes up,
    // unless KeepTips was called.
    bool Start(const std::string& args = "", DWORD timeoutMs = kTimeout);
    // The same with a whole command line of the program's, such as the one a
    // registered verb starts.
    bool StartCommandLine(const std::string& line, DWORD timeoutMs = kTimeout);
    // Leaves the settings as they are at the next Start.
    void KeepTips() { keepTips_ = true; }

    HWND Frame() const { return frame_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    HANDLE Process() const { return pi_.hProcess; }
    bool Running() const;

    // Posts WM_CLOSE to the frame and waits for the process to end; true when
    // it ended in time with `expectedExit`. Terminates it otherwise.
    bool Close(DWORD expectedExit = 0, DWORD timeoutMs = kTimeout);
    // Waits for the process to end by itself; its exit code, or ~0u on time-out
    // (the process is then terminated).
    DWORD WaitExit(DWORD timeoutMs = kTimeout);
    void Terminate();

    // Sends a WM_COMMAND (menu form) to the frame; returns when it is handled.
    // Use PostCommand when the command may open a modal dialog.
    LRESULT SendCommand(int id);
    void PostCommand(int id);

    // A child of the frame (any depth) by class name, or null.
    HWND Child(const char* className) const;

private:
    PROCESS_INFORMATION pi_{};
    HWND frame_ = nullptr;
    bool keepTips_ = false;
};

// The program's settings key under HKEY_CURRENT_USER.
constexpr const char* kSettingsKey = "Software\\Orvane\\Quillon\\2.0";

// The program started on a file of the scratch folder, with its two views.
struct Session {
    App app;
    HWND tree = nullptr, list = nullptr;
    std::string path;

    // Writes the file and waits until the program shows it in its caption
    // (the frame comes up before the file is loaded).
    bool Start(const std::string& name, const std::string& bytes);
    bool StartEmpty();
    std::string Caption() const;
    bool Select(const std::string& keyPath);
    // Gives a view the keyboard focus, as Tab does.
    bool Focus(HWND control);
    std::vector<std::string> RowNames() const;
    // Opens the tree's context menu over an item (not selecting it) and
    // chooses the entry by its mnemonic.
    bool ContextMenu(HTREEITEM item, WORD key);
    // Ends the label edit a new key or value starts: Escape in its editor.
    void EndLabelEdit();

private:
    bool Attach(const std::string& caption);
};

// Window class of the main frame.
constexpr const char* kFrameClass = "QuillonFrame";

// Waits for a visible top-level window of the process with the given class
// (and title, when not null).
HWND WaitForWindow(DWORD pid, const char* className, const char* title = nullptr,
                   DWORD timeoutMs = kTimeout);
// Waits for a visible dialog (class "#32770": message boxes and dialogs).
HWND WaitForDialog(DWORD pid, DWORD timeoutMs = kTimeout);
// Waits for a visible message box (a dialog with the static text 0xFFFF).
HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs = kTimeout);
// True when the program shows no dialog once it has worked off what came
// before (Sync): a box is up before the handler that opens it returns.
bool NoDialogNow(HWND frame);

// Answers the dialogs of a process from a thread of its own, so that a modal
// box on a test's own thread cannot hang it: for each new dialog `answer`
// returns the button to press, or 0 to leave the dialog alone for now. Bounded:
// after `timeoutMs` nothing more is answered.
class Answerer {
public:
    struct Box {
        std::string caption;
        std::string text;  // of a message box, else empty
    };
    using Answer = std::function<int(HWND, const Box&)>;
    explicit Answerer(Answer answer, DWORD pid = GetCurrentProcessId(), DWORD timeoutMs = 60000);
    // Every dialog gets this button.
    explicit Answerer(int button);
    ~Answerer();
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;
    // The dialogs answered so far.
    std::vector<Box> Boxes() const;

private:
    void Run(DWORD pid, DWORD timeoutMs);
    Answer answer_;
    bool stop_ = false;
    mutable std::mutex lock_;
    std::vector<Box> boxes_;
    std::thread thread_;
};
// OK where the dialog has it, else Cancel.
int PressOk(HWND dialog, const Answerer::Box&);
// Waits for a message box of the process, presses `button` (OK where the box
// has no such button) and waits for it to go; what it showed, or nothing
// when no box came.
std::optional<Answerer::Box> AnswerBox(DWORD pid, int button);

// A visible top-level window of the process with the class, other than
// `except`, or null.
HWND FindVisible(DWORD pid, const char* className, HWND except = nullptr);
// Waits (bounded) until the process shows at least `count` popup menus
// (class "#32768") and its menu loop runs: a key pressed before that goes
// elsewhere.
bool WaitForMenus(DWORD pid, int count = 1, DWORD timeoutMs = kTimeout);
// The windows that `match` accepts: the descendants of `parent`, or the
// top-level windows when it is null, in Z order; and the first of them.
std::vector<HWND> WindowsWhere(HWND parent, const std::function<bool(HWND)>& match);
HWND FirstWhere(HWND parent, const std::function<bool(HWND)>& match);
// The first descendant with the control id, at any depth (the common file
// dialogs nest their controls).
HWND Descendant(HWND parent, int id);
// The first descendant of the class, at any depth, or null.
HWND DescendantOfClass(HWND parent, const char* className);

std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
// The message text of a message box (its static control with id 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses a button of a dialog by id (BM_CLICK, posted so that a nested modal
// loop cannot block the test); true when the button exists.
bool PressButton(HWND dialog, int id);
// Waits (bounded) until the window is gone.
bool WaitGone(HWND hwnd, DWORD timeoutMs = kTimeout);

// Answers the file dialog (open, save, import) the process shows: the filter
// (1-based, 0 keeps it; `startFilter` gets the one it came up with), the
// duplicate-check box (1 checked, 0 unchecked, -1 as it is) and the path, or
// Cancel for an empty path. True once the dialog is gone.
bool AnswerFileDialog(DWORD pid, const std::string& path, int filter = 0, int* startFilter = nullptr,
                      int duplicatesBox = -1);

// Keyboard. These go through the target thread's queue, so the message loop,
// its message filters and the accelerators see them.
//
// Key presses as real input (SendInput) to the focused window of the
// foreground process; modifiers are pressed around the key.
enum Modifier : unsigned { kNone = 0, kCtrl = 1, kShift = 2, kAlt = 4 };
bool BringToFront(HWND frame);
void PressKey(WORD vk, unsigned modifiers = kNone);
// One key going down or up, as a real keyboard sends it.
void SendKey(WORD vk, bool up);
// Types UTF-8 text: ASCII through its keys, other characters as the system
// types an input method's.
void TypeText(const std::string& text);
// Posted messages straight to a window (no key state: accelerators that need
// Ctrl or Shift do not fire this way).
void PostKey(HWND target, WORD vk);
// The window with the keyboard focus in the thread of `anyWindow`.
HWND FocusOf(HWND anyWindow);

// Lets the target thread work off its queue: a message sent to it is handled
// when its loop next asks for a message, so each round trip takes the loop
// once around; a handful of them carry it past the input sent before.
void Sync(HWND hwnd);

// Polls `condition` every 20 ms until it holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = kTimeout) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
}

// Menus live in their own process under Wine: the live state of a command
// comes from the frame itself.
// The state of command `id` in the frame's menu bar, as the frame reports it
// (message "Quillon.MenuState"); false when the menu has no such item.
bool MenuState(HWND frame, UINT id, bool* enabled, bool* checked);
// The item is there and enabled, or checked.
bool MenuEnabled(HWND frame, UINT id);
bool MenuChecked(HWND frame, UINT id);
// The check box or radio button of a dialog (at any depth) is checked.
bool Checked(HWND dialog, int id);

// The text of the frame's menu item with command `id`, as the frame reports
// it (message "Quillon.MenuText"); false when the menu has no such item.
bool MenuText(HWND frame, UINT id, std::string* text);

// Cross-process tree-view and list-view contents.
struct TreeNode {
    std::string text;
    int depth = 0;
    bool selected = false;
    bool expanded = false;
    int children = 0;       // cChildren as the control reports it
};
// Every item of a tree view in pre-order (collapsed branches included; the
// program makes the items of a key's children when it is first expanded).
std::vector<TreeNode> TreeItems(HWND tree);
// The item at a path of item texts joined by backslashes, for example
// "HKEY_CURRENT_USER\\Software", compared without regard to case, expanding
// each step above it as the user would; null when a step is missing.
HTREEITEM TreeFind(HWND tree, const std::string& path);
// Selects (and shows) an item, as a click would; true when it is selected.
bool TreeSelect(HWND tree, HTREEITEM item);
bool TreeExpand(HWND tree, HTREEITEM item);
// Expands every item, branch by branch, as a user opening them all would.
void TreeExpandAll(HWND tree);

struct ListRow {
    std::vector<std::string> cells;
    bool selected = false;
};
std::vector<ListRow> ListRows(HWND list, int columns);
// The screen point at the middle of a tree item, and of a list row's label.
POINT ItemPoint(HWND tree, HTREEITEM item);
POINT RowPoint(HWND list, int row);

// Sends a message whose lParam points at `size` bytes of `data`: the bytes
// are copied into the window's process, and copied back after the call.
LRESULT SendWithBuffer(HWND hwnd, UINT msg, WPARAM wParam, void* data, size_t size);
// Moves the mouse pointer to a screen point (real input).
void MoveMouse(POINT screen);
// Presses or releases the left mouse button where the pointer is.
void MouseButton(bool down);
// Screen rectangle of a toolbar button by command; false when absent.
bool ToolbarButtonRect(HWND toolbar, int command, RECT* screen);
// A visible tooltip of the process, or null.
HWND FindTooltip(DWORD pid);

// Saves a bitmap file of the window's screen area; true on success.
bool Screenshot(HWND hwnd, const std::string& bmpPath);

// Writes the file as another program would, with a last-write time well
// after the one it had: file times can be coarser than a test is quick.
bool RewriteFile(const std::string& path, const std::string& bytes);
// Moves the activation to a window of the test's own and back to the frame,
// as a user switching to another program and back does.
bool Reactivate(HWND frame);
// The system's own text for an error code, as a program's message shows it.
std::string SystemText(DWORD code);
// Screenshot of a window once its screen area shows anything: Wine maps and
// paints a new window a moment after it reports it visible.
bool ScreenshotPainted(HWND hwnd, const std::string& bmpPath);

}  // namespace harness
