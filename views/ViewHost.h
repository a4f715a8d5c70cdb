#pragma once
// What the two views need of the window that holds them: facts the window
// fills in, and requests it answers as window messages, the way controls
// speak to their parent. The main frame holds the views; the tests host them
// in a window of their own.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class RegDocument;
class ValueEntry;
enum class ParseEnd : uint8_t;
namespace fw {
class CommandStates;
class CommandTable;
}  // namespace fw

class ViewHost {
public:
    // The requests, as the wParam of RequestMessage; lParam points to the
    // request's data, and the answer is the request's result.
    enum Request : WPARAM {
        kRefreshStates = 1,  // no data: bring the command states up to date
        kRefreshTitle,       // no data: the caption follows the document
        kRunCommand,         // CommandRequest: run through the command table
        kEditValue,          // ValueEntry: open its editor; nonzero when changed
        kReadColumnWidths,   // ColumnWidths: the stored widths; nonzero when found
        kStoreColumnWidths,  // ColumnWidths: store them
    };
    struct CommandRequest {
        int id;
        HWND source;
    };
    struct ColumnWidths {
        size_t columns;
        std::vector<uint16_t>* widths;
    };
    static UINT RequestMessage();

    // Boxes are owned by this window; its menu bar follows the command states.
    HWND window = nullptr;
    // Answers RequestMessage and fw::PopupMessage (the frame: `window` itself).
    HWND answerer = nullptr;
    RegDocument* document = nullptr;
    HWND statusBar = nullptr;                   // shows the selected key's path; may be null
    const fw::CommandStates* states = nullptr;  // null: every command enabled
    const fw::CommandTable* commands = nullptr;
    // The menu bar that a command bar shows; null: the window's own menu.
    HMENU menuBar = nullptr;
    // Shows the selected key's path as the status bar does; may be null.
    HWND addressBar = nullptr;

    HWND HostWindow() const { return window; }
    HMENU MenuBar() const { return menuBar ? menuBar : GetMenu(window); }
    RegDocument& Document() const { return *document; }
    HWND StatusBar() const { return statusBar; }
    void UpdateCommandStates() const;
    void UpdateTitle() const;
    // Whether a command is enabled by the current command states.
    bool IsCommandEnabled(int id) const;
    // Shows a view's context menu; the chosen command, not run, or 0.
    int TrackPopup(HMENU popup, POINT screen) const;
    // Runs a command chosen in a view (context menu, double-click, Enter)
    // through the window's command table; `source` is the view's control.
    // The view's CommandItem or CommandRow names what the command acts on
    // while it runs.
    void RunCommand(int id, HWND source) const;
    // The pane the running command acts on: the view whose context menu chose
    // it, else the pane with the keyboard focus.
    HWND CommandSource() const;
    // Opens the value's editor, owned by the host window; true when the value
    // changed.
    bool EditValue(ValueEntry& value) const;
    // The value list's stored column widths: false when there are none of
    // exactly `columns` widths.
    bool ReadColumnWidths(size_t columns, std::vector<uint16_t>& widths) const;
    void StoreColumnWidths(const std::vector<uint16_t>& widths) const;

private:
    LRESULT Ask(Request request, const void* data = nullptr) const;
};

// After a text was merged into the document (an import, a paste, a drop)
// without being read to its end: says so, why, and how many keys came in,
// in a box owned by owner. `source` names what was merged (a path, a key).
void TellStoppedMerge(HWND owner, ParseEnd end, size_t keys, const char* source);
