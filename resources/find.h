#pragma once
// Dialogs of the find room: the Find dialog, the search's progress dialog
// and the results window of Find All; Find All's command and strings.

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
#define IDC_FIND_ALL          1175

// Find All: its command, the results window and its texts.
#define ID_EDIT_FIND_ALL           320
#define IDD_FIND_RESULTS           1170
#define IDC_FIND_RESULTS_LIST      1171
#define IDC_FIND_RESULTS_STATUS    1172
#define IDC_FIND_RESULTS_ABORT     1173
#define IDC_FIND_RESULTS_EXPORT    1174
#define IDS_FIND_ALL_CAPTION       1860
#define IDS_FIND_ALL_RUNNING       1861
#define IDS_FIND_ALL_DONE          1862
#define IDS_FIND_ALL_STOPPED       1863
#define IDS_FIND_ALL_CHANGED       1864
#define IDS_FIND_ALL_COLUMN_KEY    1865
#define IDS_FIND_ALL_EXPORT_FILTER 1866
#define IDS_FIND_ALL_EXPORT_ERROR  1867
