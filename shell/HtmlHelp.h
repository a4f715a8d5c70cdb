#pragma once
// The program's access to the system's HTML Help, found and loaded on first
// use and kept for the rest of the run.

#include <windows.h>

#include <string>

// Calls the ANSI HTML Help entry point with the four arguments and returns
// its result; 0 at once when there is no HTML Help on the system.
HWND HtmlHelpCall(HWND window, const char* file, UINT command, DWORD_PTR data);

// "quillon.chm::/regedit_overview.htm": the help file of the current
// directory, else the one beside the program.
std::string HelpTopicAddress();
