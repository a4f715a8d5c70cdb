#pragma once
// Dialogs and controls of the views room (progress dialog, open/import options),
// the tree and list images.

#define IDI_KEY_CLOSED        213
#define IDI_KEY_OPEN          214
#define IDI_VALUE_STRING      215
#define IDI_VALUE_BINARY      216
#define IDB_SORT_ARROWS       239

#define IDD_PROGRESS          284
#define IDC_PROGRESS_BAR      1009
#define IDC_PROGRESS_LABEL    1010

#define IDD_OPEN_OPTIONS      283
#define IDC_OPTIONS_GROUP     1283
#define IDC_CHECK_DUPLICATES  1007
#define IDS_LOSSY_CONVERSION  190
#define IDS_UTF8_FILE         191
#define IDS_LOSSY_LOAD        192

// Strings of the views room: 1800-1819.
#define IDS_KEY_NAME_EMPTY         1800
#define IDS_KEY_NAME_BACKSLASH     1801
#define IDS_VALUE_NAME_EMPTY       1802
#define IDS_EXPAND_ALL_QUESTION    1803
#define IDS_EXPAND_ALL_CAPTION     1804
#define IDS_EXPAND_ALL_PROGRESS    1805
#define IDS_DELETION_TYPE          1806
#define IDS_DELETION_DATA          1807
#define IDS_ADDRESS_NO_KEY         1808
#define IDS_ADDRESS_MISSING_TAIL   1809
#define IDS_TREE_NAME              1810
#define IDS_LIST_NAME              1811

// Strings of undo and redo: 2000-2019. The names of what a step did follow
// the order of EditKind from IDS_EDIT_KIND_FIRST.
#define IDS_UNDO                   2000
#define IDS_UNDO_FORMAT            2001
#define IDS_REDO                   2002
#define IDS_REDO_FORMAT            2003
#define IDS_KEY_NAME_TAKEN         2004
#define IDS_EDIT_KIND_FIRST        2005
