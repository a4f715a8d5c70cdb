#pragma once
// The string table: every user-visible text outside dialogs and menus is
// loaded by number when needed; nothing keeps a copy.

#include <windows.h>

#include <string>

// The Win32 macro would rename ours.
#undef LoadString

namespace shell {

// The text of string `id`, or an empty string when there is none.
std::string LoadString(UINT id);
// Loads string `id` and fills its printf placeholders ("%s", "%u").
std::string FormatString(UINT id, ...);
// Loads string `id` and fills its "%1" placeholder with the platform's
// message formatting.
std::string FormatMessageString(UINT id, const char* arg1);
// Loads a file-dialog filter: every "#" becomes NUL, so that the trailing
// "##" ends the list with two NULs. The result's data() is the filter.
std::string LoadFilter(UINT id);

// The program's name (string 128): caption of its message boxes.
std::string AppName();
// A message box with the program's name as caption.
int MessageBoxFromString(HWND owner, UINT textId, UINT type);

}  // namespace shell
