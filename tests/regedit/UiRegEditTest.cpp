// Quick RegEdit Call and the Favorites menu on the real program and Wine's
// real editor, which is driven up, down, sideways, to a missing key, when
// already there, when not running and when minimised: from Ctrl+J, the key
// tree's context menu on an item that is not selected, the toolbar button,
// and a favorite chosen in the menu (through the frame's message filter);
// the two favorites dialogs; the merge of the document from the File menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/Harness.h"

namespace {

const char kUi[] = "HKEY_CURRENT_USER\\Software\\QuillonTest\\Ui";
const char kFavorites[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites";

// Wine's editor, a process of its own, ended by its id: none runs before
// the test, none after (it would hold the test run's output open).
void EndEditor() {
    DWORD pid = 0;
    if (HWND editor = FindWindowA("RegEdit_RegEdit", nullptr)) GetWindowThreadProcessId(editor, &pid);
    HANDLE process = pid ? OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid) : nullptr;
    if (!process) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, harness::kTimeout);
    CloseHandle(process);
}
struct EditorSession {
    EditorSession() { EndEditor(); }
    ~EditorSession() { EndEditor(); }
};

// The path of the editor's selection, as its tree shows it.
std::string EditorSelection() {
    HWND editor = FindWindowA("RegEdit_RegEdit", nullptr);
    HWND tree = editor ? harness::DescendantOfClass(editor, WC_TREEVIEWA) : nullptr;
    if (!tree) return "";
    std::vector<std::string> path;
    for (const auto& item : harness::TreeItems(tree)) {
        path.resize(static_cast<size_t>(item.depth));
        path.push_back(item.text);
        if (!item.selected) continue;
        std::string joined;
        for (const auto& part : path) joined += (joined.empty() ? "" : "\\") + part;
        return joined;
    }
    return "";
}

// The editor shows the key and has come to the front: the call is over.
bool EditorShows(const std::string& key) {
    return harness::WaitUntil([&] {
        return EditorSelection() == "My Computer\\" + key &&
               GetForegroundWindow() == FindWindowA("RegEdit_RegEdit", nullptr);
    });
}

}  // namespace

TEST(RegEditUi, QuickRegEditCallFavoritesAndMergeFromTheWindow) {
    EditorSession editor;
    const std::string ui = kUi;
    for (const char* key : {"Software\\QuillonTest\\Ui\\Run", "Software\\QuillonTest\\Ui\\RunOnce"}) {
        HKEY h = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
        RegCloseKey(h);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kFavorites);
    std::string stored = "My Computer\\" + ui + "\\Run";
    RegSetKeyValueA(HKEY_CURRENT_USER, kFavorites, "Ui Run", REG_SZ, stored.c_str(), static_cast<DWORD>(stored.size() + 1));

    harness::Session s;
    ASSERT_TRUE(s.Start("quick.reg", "REGEDIT4\r\n\r\n[" + ui + "]\r\n\r\n[" + ui + "\\Run]\r\n\r\n[" + ui +
                                         "\\RunOnce]\r\n\r\n[" + ui + "\\Missing]\r\n\r\n"));
    auto ctrlJ = [&](const std::string& key) {
        ASSERT_TRUE(s.Select(ui + key));
        ASSERT_TRUE(s.Focus(s.tree));
        harness::PressKey('J', harness::kCtrl);
    };

    // Ctrl+J on the selected key starts the editor and drives it there;
    // again, and it stays.
    ctrlJ("\\RunOnce");
    ASSERT_TRUE(EditorShows(ui + "\\RunOnce")) << EditorSelection();
    HWND regedit = FindWindowA("RegEdit_RegEdit", nullptr);
    EXPECT_TRUE(harness::Screenshot(regedit, harness::ScratchPath("regedit-quick-call.bmp")));
    ctrlJ("\\RunOnce");
    EXPECT_TRUE(EditorShows(ui + "\\RunOnce")) << EditorSelection();

    // Sideways, from the context menu over the Run item, which is not selected.
    ASSERT_TRUE(s.ContextMenu(harness::TreeFind(s.tree, ui + "\\Run"), 'Q'));
    EXPECT_TRUE(EditorShows(ui + "\\Run")) << EditorSelection();

    // A key missing live: up to its deepest existing ancestor.
    ctrlJ("\\Missing");
    EXPECT_TRUE(EditorShows(ui)) << EditorSelection();

    // Down, from the toolbar's button, to an editor that was minimised.
    ShowWindow(regedit, SW_MINIMIZE);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsIconic(regedit) != FALSE; }));
    ASSERT_TRUE(s.Select(ui + "\\RunOnce"));
    RECT button{};
    ASSERT_TRUE(harness::ToolbarButtonRect(s.app.Child(TOOLBARCLASSNAMEA), ID_QUICK_REGEDIT, &button));
    ASSERT_TRUE(harness::BringToFront(s.app.Frame()));
    harness::MoveMouse({(button.left + button.right) / 2, (button.top + button.bottom) / 2});
    harness::Sync(s.app.Frame());
    harness::MouseButton(true);
    harness::MouseButton(false);
    EXPECT_TRUE(EditorShows(ui + "\\RunOnce")) << EditorSelection();
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsIconic(regedit); }));

    // The Favorites menu lists the editor's favorites; choosing one drives
    // the editor to its key. The restored editor has done its activation
    // before the frame is brought back.
    harness::Sync(regedit);
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return harness::BringToFront(s.app.Frame()) && GetForegroundWindow() == s.app.Frame(); }));
    harness::PressKey('A', harness::kAlt);
    ASSERT_TRUE(harness::WaitForMenus(s.app.Pid(), 1, 5000));
    harness::PressKey(VK_DOWN);
    harness::PressKey(VK_DOWN);
    harness::PressKey(VK_RETURN);
    EXPECT_TRUE(EditorShows(ui + "\\Run")) << EditorSelection();

    // The two dialogs, as they come up.
    for (int command : {ID_FAVORITES_ADD, ID_FAVORITES_REMOVE}) {
        s.app.PostCommand(command);
        HWND dialog = harness::WaitForDialog(s.app.Pid());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(harness::Screenshot(dialog, harness::ScratchPath("favorites-" + std::to_string(command) + ".bmp")));
        harness::PressButton(dialog, IDCANCEL);
        EXPECT_TRUE(harness::WaitGone(dialog));
    }
    // File, Merge into Registry: the preview of the key it creates, Merge,
    // then the success message naming the backup.
    s.app.PostCommand(ID_REGISTRY_MERGE_FILE);
    HWND preview = harness::WaitForWindow(s.app.Pid(), "#32770", "Merge Preview - quick.reg");
    ASSERT_NE(preview, nullptr);
    harness::PressButton(preview, IDOK);
    auto box = harness::AnswerBox(s.app.Pid(), IDOK);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text.rfind("Information in \"quick.reg\" has been successfully entered into the registry.", 0), 0u);
    size_t backup = box->text.find("Backups\\");
    ASSERT_NE(backup, std::string::npos) << box->text;
    std::string path = box->text.substr(box->text.rfind('"', backup) + 1);
    EXPECT_TRUE(DeleteFileA(path.substr(0, path.find('"')).c_str())) << path;
    EXPECT_TRUE(s.app.Close());
    RegDeleteTreeA(HKEY_CURRENT_USER, kFavorites);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuillonTest");
}
