#pragma once
// Dialogs, controls and strings of the regedit room: the favorites dialogs,
// the failure texts of merge and import, the merge preview and the backups.

#define IDD_FAVORITE_ADD       112
#define IDD_FAVORITE_REMOVE    113
#define IDC_FAVORITE_NAME      1190
#define IDC_FAVORITE_LIST      1191

#define IDS_MERGE_FAILED       1760
#define IDS_IMPORT_FAILED      1761

// The merge preview and the backups of merges.
#define ID_REGISTRY_RESTORE    290
#define IDD_MERGE_PREVIEW      1400
#define IDC_PREVIEW_COUNTS     1401
#define IDC_PREVIEW_LIST       1402
#define IDC_PREVIEW_UNCHANGED  1403
#define IDD_MERGE_BACKUPS      1410
#define IDC_BACKUP_LIST        1411

#define IDS_PREVIEW_CAPTION    1900
#define IDS_PREVIEW_COUNTS     1901
#define IDS_PREVIEW_NOTHING    1902
#define IDS_PREVIEW_PROGRESS   1903
#define IDS_PREVIEW_STOPPED    1904
#define IDS_PREVIEW_UNREADABLE 1905
#define IDS_PREVIEW_READONLY   1906
#define IDS_COLUMN_CHANGE      1907
#define IDS_COLUMN_ITEM        1908
#define IDS_COLUMN_LIVE        1909
#define IDS_COLUMN_FILE        1910
#define IDS_KEY_CREATED        1911
#define IDS_KEY_REMOVED        1912
#define IDS_KEY_KEPT           1913
#define IDS_VALUE_ADDED        1914
#define IDS_VALUE_CHANGED      1915
#define IDS_VALUE_REMOVED      1916
#define IDS_VALUE_EQUAL        1917
#define IDS_NOT_WRITABLE       1918
#define IDS_READ_DENIED        1919
#define IDS_READ_NO_ROOT       1920
#define IDS_READ_NAME_IN_FILE  1921
#define IDS_BACKUP_FAILED      1922
#define IDS_BACKUP_DONE        1923
#define IDS_BACKUP_NONE        1924
#define IDS_COLUMN_DATE        1925
#define IDS_COLUMN_DOCUMENT    1926
#define IDS_COLUMN_KEYS        1927
#define IDS_COLUMN_VALUES      1928
#define IDS_RESTORE_UNREADABLE 1929
