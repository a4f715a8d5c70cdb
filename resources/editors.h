#pragma once
// Dialogs and controls of the value editors.

#define IDD_EDIT_STRING        102
#define IDD_EDIT_BINARY        103
#define IDD_EDIT_DWORD         111
#define IDD_EDIT_MULTISTRING   271
#define IDR_MULTISTRING_MENU   272

// Context menu of the multi-string list.
#define ID_MULTISTRING_ADD     273
#define ID_MULTISTRING_EDIT    274
#define ID_MULTISTRING_DELETE  275

// Controls shared by the four editors.
#define IDC_VALUE_NAME         1000
#define IDC_VALUE_DATA         1001

// DWORD and QWORD editor.
#define IDC_BASE_HEX           1002
#define IDC_BASE_DEC           1003
// Its strings.
#define IDS_NUMBER_TOO_LARGE   1830
#define IDS_EDIT_QWORD_CAPTION 1831

// Multi-string editor.
#define IDC_STRING_LIST        1003
#define IDC_STRING_ADD         1004
#define IDC_STRING_EDIT        1005
#define IDC_STRING_DELETE      1006
