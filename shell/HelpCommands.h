#pragma once
// The Help menu: tip of the day, the Web site, the help file and the about
// box with its two links.

#include <windows.h>

#include "framework/CommandTable.h"
#include "framework/HyperLink.h"
#include "framework/Window.h"

class AboutBox : public fw::Dialog {
protected:
    BOOL OnInitDialog() override;

private:
    fw::HyperLink home_;
    fw::HyperLink feedback_;
};

class HelpCommands : public fw::CommandTarget {
public:
    static const int kCommands[];
    static const size_t kCommandCount;

    explicit HelpCommands(HWND* frame) : frame_(frame) {}
    void OnCommand(int id) override;
    // Always enabled.
    void UpdateState(int id, fw::CommandStates& states) override;

private:
    void OpenWebSite();
    void ShowContents();
    HWND* frame_;  // not owned: the frame's handle, set once it exists
};
