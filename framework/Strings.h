#pragma once
// The string table: every user-visible text outside dialogs and menus is
// loaded by number when needed; nothing keeps a copy. Texts of any length.

#include <windows.h>

#include <string>

namespace fw {

// The text of string `id`, or an empty string when there is none.
std::string LoadText(UINT id);
// Loads string `id` and fills its printf placeholders ("%s", "%u").
std::string FormatText(UINT id, ...);
// Loads string `id` and fills its "%1" placeholder with the platform's
// message formatting.
std::string FormatMessageText(UINT id, const char* arg1);
// The system's own text for an error code (GetLastError), without its
// closing line break; empty when the system has none.
std::string SystemMessage(DWORD code);
// Loads a file-dialog filter: every "#" becomes NUL, so that the trailing
// "##" ends the list with two NULs. The result's data() is the filter.
std::string LoadFilter(UINT id);

// TTN_GETDISPINFO of a toolbar button (in either character set, as the
// toolbar may ask): the text of the string of its command after the prompt's
// line break. False for any other notification.
bool AnswerToolTip(NMHDR* header);

}  // namespace fw
