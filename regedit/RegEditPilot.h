#pragma once
// Drives the system registry editor's own window to a live key: finds the
// editor or starts it, reads its key tree (a tree-view control of another
// process) through memory allocated inside that process, walks from its
// selection to the target selecting each step, and brings it to the front.
// One pilot serves one call; nothing is kept between calls.

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>

namespace regedit {

// What the pilot needs of the system: the editor's windows and process, its
// tree's messages and memory inside its process. The tests drive a tree of
// their own through the same walk.
class EditorPlatform {
public:
    virtual ~EditorPlatform() = default;
    // The editor's main window, when it runs.
    virtual HWND FindEditor() = 0;
    // Starts the editor and waits (bounded) until it waits for input.
    virtual bool StartEditor() = 0;
    // Opens the process of the window for the memory operations.
    virtual bool OpenProcessOf(HWND window) = 0;
    // The first descendant of the window with the class, at any depth.
    virtual HWND FindDescendant(HWND parent, const char* className) = 0;
    virtual LRESULT Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // A block of memory where the tree's process can use it, or null.
    virtual void* Allocate(size_t size) = 0;
    virtual void Free(void* block) = 0;
    virtual bool Write(void* block, const void* data, size_t size) = 0;
    virtual bool Read(const void* block, void* data, size_t size) = 0;
    // Restores the window when it is minimised and puts it in front.
    virtual void BringToFront(HWND window) = 0;
};

// The system's editor, started with "regedit.exe". `owner` is disabled while
// the pilot waits for the editor to come up.
class SystemEditorPlatform : public EditorPlatform {
public:
    explicit SystemEditorPlatform(HWND owner) : owner_(owner) {}
    ~SystemEditorPlatform() override;
    SystemEditorPlatform(const SystemEditorPlatform&) = delete;
    SystemEditorPlatform& operator=(const SystemEditorPlatform&) = delete;

    HWND FindEditor() override;
    bool StartEditor() override;
    bool OpenProcessOf(HWND window) override;
    HWND FindDescendant(HWND parent, const char* className) override;
    LRESULT Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    void* Allocate(size_t size) override;
    void Free(void* block) override;
    bool Write(void* block, const void* data, size_t size) override;
    bool Read(const void* block, void* data, size_t size) override;
    void BringToFront(HWND window) override;

private:
    HWND owner_;  // not owned
    HANDLE process_ = nullptr;
};

class RegEditPilot {
public:
    explicit RegEditPilot(EditorPlatform& platform) : platform_(platform) {}
    RegEditPilot(const RegEditPilot&) = delete;
    RegEditPilot& operator=(const RegEditPilot&) = delete;

    // Finds the editor, or starts it; true when both its key tree and its
    // value list were found.
    bool Connect();
    // Walks the editor's tree from its selection to the path (the root
    // item's text first, then a root key name and the subkeys); true when
    // the selection ends on it.
    bool NavigateTo(const std::string& target);
    void BringToFront();

    // The text of an item of the editor's tree (at most 259 characters),
    // empty when it cannot be read.
    std::string GetItemText(HTREEITEM item);
    // The item's texts from the root item down, joined by backslashes.
    std::string GetItemPath(HTREEITEM item);
    // The text of the editor's root item.
    std::string RootItemText();
    // The path of the editor's selection, empty when nothing is selected.
    std::string SelectedPath();

    HWND MainWindow() const { return main_; }
    HWND Tree() const { return tree_; }

private:
    HTREEITEM Next(HTREEITEM item, UINT relation);
    void Select(HTREEITEM item);

    EditorPlatform& platform_;  // not owned
    HWND main_ = nullptr;
    HWND tree_ = nullptr;
    HWND list_ = nullptr;
};

// Quick RegEdit Call for a key path of the document (empty: no key): the
// editor shows the live key of that path. Nothing is reported; a key that
// does not exist live leaves the editor on its deepest existing ancestor.
void QuickRegEditCall(HWND owner, const std::string& keyPath);
// Drives the editor to a path as the editor shows it (a favorite).
void OpenEditorAt(HWND owner, const std::string& editorPath);

}  // namespace regedit
