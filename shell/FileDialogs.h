#pragma once
// The Open and Import Registry File dialogs: the system's open dialog with the
// options template 283 whose check box decides duplicate-key checking.

#include <windows.h>

// Bytes of a path buffer: a path of MAX_PATH characters as UTF-8 program
// text, three bytes for each character the system counts.
constexpr DWORD kPathBytes = 3 * MAX_PATH + 1;

// Shows the Open dialog. On OK writes the full path and the file name part
// (each buffer kPathBytes) and returns true.
bool ShowOpenDialog(HWND owner, char* path, char* title);

// Shows the Import Registry File dialog. On OK writes the full path (a
// buffer of kPathBytes).
bool ShowImportDialog(HWND owner, char* path);

// Hook of template 283: sets check box 1007 from bit 0 of "flg1" and stores
// the box back into "flg1" when the user confirms a file.
UINT_PTR CALLBACK DuplicateOptionHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Bit 0 of "flg1" set means duplicate checking is off.
bool ReadCheckDuplicatesSetting();
// Stores the check box's state into bit 0 of "flg1", keeping the other bits.
// The settings key is not created here; returns false when it cannot be opened.
bool WriteCheckDuplicatesSetting(bool checkDuplicates);
