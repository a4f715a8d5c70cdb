// The program's entry point: start-up in its fixed order, the message loop,
// and shutdown.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "editors/ValueEditors.h"
#include "framework/MessageLoop.h"
#include "resources/resource.h"
#include "shell/MainFrame.h"
#include "shell/Settings.h"
#include "shell/TipsDialog.h"
#include "shell/Automation.h"

namespace {

// The number editors' base, kept in the settings.
class SettingsForEditors : public editors::EditorSettings {
public:
    bool ReadDecimalBase() const override { return shell::ReadNumberBase() == 10; }
    void StoreDecimalBase(bool decimal) const override { shell::WriteNumberBase(decimal ? 10 : 16); }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int show) {
    // Drag and drop and the clipboard need OLE on this thread for the whole run.
    HRESULT ole = OleInitialize(nullptr);

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
    // Modify opens the dialog of the value's kind from here on.
    static const SettingsForEditors editorSettings;
    editors::SetEditorSettings(&editorSettings);
    editors::RegisterValueEditors();

    int exitCode = 1;  // a frame that cannot be created is a failed start
    {
        fw::MessageLoop loop;
        loop.Register();
        MainFrame frame;
        if (frame.Create(&loop)) {
            shell::AnswerAutomation(frame.Hwnd(), frame.MenuBar());
            ShowWindow(frame.Hwnd(), show);
            UpdateWindow(frame.Hwnd());
            frame.OpenFromCommandLine(commandLine);
            if (shell::ReadTips() != 0 && frame.Hwnd()) {
                // The toolbar takes the command states when the loop is
                // idle; the tip's own loop comes first, so it takes them now.
                frame.OnIdle();
                HWND active = GetActiveWindow();
                ShowTips(active ? active : frame.Hwnd());
            }
            exitCode = loop.Run();
        }
        loop.Unregister();
    }

    if (SUCCEEDED(ole)) OleUninitialize();
    return exitCode;
}
