// The navigator's walk on a tree of the test's own: up, down, sideways, to a
// missing key, when already there (Wine's editor is driven in the UI test).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "regedit/RegEditPilot.h"

namespace {

// The editor's tree and list in a window of this thread; memory blocks are
// this process's own. Counts the selections and expansions the walk makes.
class LocalEditor : public regedit::EditorPlatform {
public:
    LocalEditor() {
        main_ = CreateWindowExA(0, "STATIC", "editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400, nullptr, nullptr,
                                nullptr, nullptr);
        HWND inner = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 400, 400, main_, nullptr, nullptr, nullptr);
        tree_ = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | TVS_HASBUTTONS, 0, 0, 200, 400, inner, nullptr,
                                nullptr, nullptr);
        CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD, 200, 0, 200, 400, inner, nullptr, nullptr, nullptr);
    }
    ~LocalEditor() override { DestroyWindow(main_); }

    // Adds an item under the parent (null: the root level).
    HTREEITEM Add(HTREEITEM parent, const char* text) {
        TVINSERTSTRUCTA insert{parent, TVI_LAST, {}};
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>(text);
        return TreeView_InsertItem(tree_, &insert);
    }

    HWND FindEditor() override { return main_; }
    bool StartEditor() override { return false; }
    bool OpenProcessOf(HWND) override { return true; }
    HWND FindDescendant(HWND parent, const char* className) override {
        regedit::SystemEditorPlatform system(nullptr);
        return system.FindDescendant(parent, className);
    }
    LRESULT Send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == TVM_SELECTITEM) ++selects;
        if (msg == TVM_EXPAND) ++expands;
        return SendMessageA(window, msg, wParam, lParam);
    }
    void* Allocate(size_t size) override { return new char[size]; }
    void Free(void* block) override { delete[] static_cast<char*>(block); }
    bool Write(void* block, const void* data, size_t size) override { return std::memcpy(block, data, size); }
    bool Read(const void* block, void* data, size_t size) override { return std::memcpy(data, block, size); }
    void BringToFront(HWND) override { ++fronts; }

    HWND Tree() const { return tree_; }
    int selects = 0, expands = 0, fronts = 0;

private:
    HWND main_ = nullptr;
    HWND tree_ = nullptr;
};

const char kRoot[] = "My Computer";

}  // namespace

TEST(NavigatorWalk, GoesUpAndDownByWholeNamesFromTheSelection) {
    LocalEditor editor;
    HTREEITEM root = editor.Add(nullptr, kRoot);
    HTREEITEM hkcu = editor.Add(root, "HKEY_CURRENT_USER");
    HTREEITEM software = editor.Add(hkcu, "Software");
    HTREEITEM a = editor.Add(software, "A");
    editor.Add(software, "B");
    HTREEITEM run = editor.Add(software, "Run");
    editor.Add(software, "RunOnce");
    HTREEITEM hklm = editor.Add(root, "HKEY_LOCAL_MACHINE");
    HTREEITEM hklmSoftware = editor.Add(hklm, "SOFTWARE");
    const std::string cu = std::string(kRoot) + "\\HKEY_CURRENT_USER\\Software\\";

    // ends: the selection's path afterwards.
    struct Case { HTREEITEM start; std::string target, ends; bool reached; int selects; };
    const Case cases[] = {
        {a, cu + "B", cu + "B", true, 2},
        {run, cu + "RunOnce", cu + "RunOnce", true, 2},
        {nullptr, cu + "Run", cu + "Run", true, 2},  // from RunOnce, the previous case's end
        {hklmSoftware, std::string(kRoot) + "\\HKEY_LOCAL_MACHINE", std::string(kRoot) + "\\HKEY_LOCAL_MACHINE", true, 1},
        {root, cu + "A", cu + "A", true, 3},
        {a, cu + "A", cu + "A", true, 0},
        {a, "MY COMPUTER\\hkey_current_user\\software\\b", cu + "B", true, 2},
        {root, cu + "A\\Missing\\Deeper", cu + "A", false, 3},
        {a, "", kRoot, false, 3},
        {a, "Computer\\HKEY_CURRENT_USER", kRoot, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        if (c.start) TreeView_SelectItem(editor.Tree(), c.start);
        editor.selects = 0;
        regedit::RegEditPilot pilot(editor);
        ASSERT_TRUE(pilot.Connect());
        EXPECT_EQ(pilot.NavigateTo(c.target), c.reached);
        EXPECT_EQ(pilot.SelectedPath(), c.ends);
        EXPECT_EQ(editor.selects, c.selects);
    }
}
