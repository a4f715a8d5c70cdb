#pragma once
// The address bar: an edit control that shows the selected key's path and
// takes a typed or pasted one. Enter selects the key the path names (its
// deepest key that exists, with a word on what is missing), creating tree
// items on demand; Escape goes back to the tree with the path shown again.

#include <windows.h>

#include <string>

#include "framework/CommandTable.h"

class KeyTreeView;
class ViewHost;

class AddressBar : public fw::CommandTarget {
public:
    AddressBar() = default;
    AddressBar(const AddressBar&) = delete;
    AddressBar& operator=(const AddressBar&) = delete;

    // The edit control, a child of `parent` (a rebar band's host).
    bool Create(HWND parent, ViewHost* host, KeyTreeView* tree, int controlId);
    HWND Hwnd() const { return hwnd_; }

    // Selects the key of the typed path; false when the path names no key.
    bool GoToTypedPath();
    // Shows the tree's selected path again and gives the tree the focus.
    void Leave();

    // Go to Address: the focus into the bar, its text selected.
    void OnCommand(int id) override;
    void UpdateState(int id, fw::CommandStates& states) override;

private:
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    void Tell(const std::string& text) const;

    HWND hwnd_ = nullptr;
    ViewHost* host_ = nullptr;     // not owned
    KeyTreeView* tree_ = nullptr;  // not owned
};
