#pragma once
// Dialogs of the find room: the Find dialog and the search's progress dialog.

#define IDD_FIND              106
#define IDD_FIND_PROGRESS     109
#define IDI_FIND              237
#define IDC_FIND_TEXT         1150
#define IDC_FIND_WHOLE        1151
#define IDC_FIND_KEYS         1152
#define IDC_FIND_VALUES       1153
#define IDC_FIND_DATA         1154
#define IDC_FIND_GROUP        1160
#define IDC_FIND_LABEL        1161
