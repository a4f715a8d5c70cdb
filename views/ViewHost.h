#pragma once
// What the two views need of the document window that holds them. The main
// frame implements it; the tests host the views in a window of their own.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "framework/CommandTable.h"

class RegDocument;
class KeyNode;
class ValueEntry;

class ViewHost : public fw::PopupTracker {
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
    // TrackPopup (from PopupTracker) shows the views' context menus.
    // Runs a command chosen in a view (context menu, double-click, Enter)
    // through the window's command table; `source` is the view's control.
    // The view's CommandItem or CommandRow names what the command acts on
    // while it runs.
    virtual void RunCommand(int id, HWND source) = 0;
    // The pane the running command acts on: the view whose context menu chose
    // it, else the pane with the keyboard focus.
    virtual HWND CommandSource();
    // Opens the value's editor, owned by the host window; true when the value
    // changed.
    virtual bool EditValue(ValueEntry& value);
    // The value list's stored column widths: false when there are none of
    // exactly `columns` widths. A host without settings stores nothing.
    virtual bool ReadColumnWidths(size_t /*columns*/, std::vector<uint16_t>& /*widths*/) { return false; }
    virtual void StoreColumnWidths(const std::vector<uint16_t>& /*widths*/) {}
};
