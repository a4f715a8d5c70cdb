#pragma once
// Dialogs, controls and strings of the regedit room: the favorites dialogs
// and the failure texts of merge and import.

#define IDD_FAVORITE_ADD       112
#define IDD_FAVORITE_REMOVE    113
#define IDC_FAVORITE_NAME      1190
#define IDC_FAVORITE_LIST      1191

#define IDS_MERGE_FAILED       1760
#define IDS_IMPORT_FAILED      1761
