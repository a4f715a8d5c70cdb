#include "shell/HelpCommands.h"

#include <htmlhelp.h>
#include <shellapi.h>

#include "framework/CommandStates.h"
#include "resources/resource.h"
#include "shell/HtmlHelp.h"
#include "shell/MakerPages.h"
#include "shell/TipsDialog.h"

const int HelpCommands::kCommands[] = {ID_HELP_TIPS, ID_HELP_WEB, ID_HELP_CONTENTS, ID_APP_ABOUT};
const size_t HelpCommands::kCommandCount = std::size(HelpCommands::kCommands);

BOOL AboutBox::OnInitDialog() {
    fw::CenterOnOwner(hwnd_);
    home_.Attach(Item(IDC_ABOUT_HOME), shell::kHomePage);
    feedback_.Attach(Item(IDC_ABOUT_FEEDBACK), shell::kFeedbackPage);
    // OK has the focus, so that Enter closes the box; Tab reaches the links.
    SetFocus(Item(IDOK));
    return FALSE;
}

void HelpCommands::OnCommand(int id) {
    switch (id) {
    case ID_HELP_TIPS:
        ShowTips(*frame_);
        break;
    case ID_HELP_WEB:
        OpenWebSite();
        break;
    case ID_HELP_CONTENTS:
        ShowContents();
        break;
    case ID_APP_ABOUT: {
        AboutBox about;
        about.DoModal(GetActiveWindow(), IDD_ABOUT);
        break;
    }
    default:
        break;
    }
}

void HelpCommands::UpdateState(int id, fw::CommandStates& states) { states.Enable(static_cast<UINT>(id), true); }

// A failure is not reported: the system tells when it has no browser.
void HelpCommands::OpenWebSite() { ShellExecuteA(*frame_, "open", shell::kHomePage, nullptr, nullptr, SW_SHOWNORMAL); }

void HelpCommands::ShowContents() {
    DWORD_PTR cookie = 0;
    HtmlHelpCall(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<DWORD_PTR>(&cookie));
    std::string topic = HelpTopicAddress();
    HtmlHelpCall(*frame_, topic.c_str(), HH_DISPLAY_TOC, 0);
    HtmlHelpCall(nullptr, nullptr, HH_UNINITIALIZE, cookie);
}
