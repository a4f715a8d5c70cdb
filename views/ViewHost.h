#pragma once
// What the two views need of the document window that holds them. The main
// frame implements it; the tests host the views in a window of their own.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

class RegDocument;
class KeyNode;

class ViewHost {
public:
    virtual ~ViewHost() = default;
    // The document window: posted commands go here, boxes are owned by it.
    virtual HWND HostWindow() = 0;
    virtual RegDocument& Document() = 0;
    // The status bar that shows the selected key's path, or null.
    virtual HWND StatusBar() = 0;
    virtual void UpdateCommandStates() = 0;
    virtual void UpdateTitle() = 0;
    // Whether a command is enabled by the current command states.
    virtual bool IsCommandEnabled(int id) = 0;
    // Shows a popup at a screen point and returns the chosen command, or 0.
    virtual int TrackPopup(HMENU popup, POINT screen) = 0;
    // Key commands of the tree's context menu that act on a target other than
    // the selection (new key, delete, copy key name, Quick RegEdit Call, the
    // clipboard and registry commands).
    virtual void RunKeyCommand(int id, HTREEITEM target) = 0;
    // Value commands of the list's context menu; `row` is the row under the pointer.
    virtual void RunValueCommand(int id, int row) = 0;
    // The value list's stored column widths: false when there are none of
    // exactly `columns` widths. A host without settings stores nothing.
    virtual bool ReadColumnWidths(size_t /*columns*/, std::vector<uint16_t>& /*widths*/) { return false; }
    virtual void StoreColumnWidths(const std::vector<uint16_t>& /*widths*/) {}
};
