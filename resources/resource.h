#pragma once
// Resource and command numbers of the frame, menus, toolbar and strings.
#include "resources/views.h"
#include "resources/editors.h"
#include "resources/find.h"
#include "resources/shell.h"
#include "resources/regedit.h"
#include "resources/check.h"

// Main frame: menu, toolbar, accelerators and the program icon share 128.
#define IDR_MAINFRAME            128
// Context menus: key tree, value list on a row, value list elsewhere.
#define IDR_TREE_MENU            229
#define IDR_LIST_ROW_MENU        232
#define IDR_LIST_MENU            235
#define IDR_STATUS_MENU          216

// File.
#define ID_FILE_NEW              57600
#define ID_FILE_OPEN             57601
#define ID_FILE_CLOSE            57602
#define ID_FILE_SAVE             57603
#define ID_FILE_SAVE_AS          57604
#define ID_FILE_IMPORT           101
#define ID_FILE_EXPORT           240
#define ID_FILE_MRU_FIRST        57616
#define ID_FILE_MRU_LAST         57631
#define ID_APP_EXIT              57665

// Registry merge and import: whole file (File menu), selection (Edit menu).
#define ID_REGISTRY_MERGE_FILE   257
#define ID_REGISTRY_IMPORT_FILE  266
#define ID_REGISTRY_MERGE        268
#define ID_REGISTRY_IMPORT       270

// Edit.
#define ID_EDIT_DELETE           203
#define ID_EDIT_RENAME           204
#define ID_EDIT_COPY_KEY_NAME    205
#define ID_EDIT_NEW_KEY          207
#define ID_EDIT_NEW_STRING       208
#define ID_EDIT_NEW_BINARY       209
#define ID_EDIT_NEW_DWORD        210
#define ID_EDIT_NEW_QWORD        211
#define ID_EDIT_NEW_EXPAND       276
#define ID_EDIT_NEW_MULTI        277
#define ID_EDIT_MODIFY           233
#define ID_EDIT_COPY             57634
#define ID_EDIT_CUT              57635
#define ID_EDIT_FIND             57636
#define ID_EDIT_PASTE            57637
#define ID_EDIT_SELECT_ALL       57642
#define ID_EDIT_UNDO             57643
#define ID_EDIT_REDO             57644
#define ID_EDIT_FIND_NEXT        238
#define ID_QUICK_REGEDIT         212
#define ID_TREE_EXPAND           218

// Favorites: the entries of the registry editor's list start at 1000.
#define ID_FAVORITES_ADD         253
#define ID_FAVORITES_REMOVE      254
#define ID_FAVORITE_FIRST        1000

// View.
#define ID_VIEW_TOOLBAR          59392
#define ID_VIEW_STATUS_BAR       59393
#define ID_VIEW_SOURCE           236
#define ID_VIEW_ADDRESS_BAR      214
#define ID_VIEW_GO_TO_ADDRESS    215

// Help.
#define ID_HELP_TIPS             280
#define ID_HELP_WEB              281
#define ID_HELP_CONTENTS         282
#define ID_APP_ABOUT             57664

// Strings.
#define IDS_APP_NAME             128
#define IDS_COLUMN_NAME          129
#define IDS_COLUMN_TYPE          130
#define IDS_COLUMN_DATA          131
#define IDS_FILTER_OPEN          132
#define IDS_FILTER_SAVE          133
#define IDS_CONFIRM_KEY_DELETE   134
#define IDS_CONFIRM_KEY_CAPTION  135
#define IDS_COLLAPSE             136
#define IDS_NEW_KEY              137
#define IDS_TITLE_FORMAT         138
#define IDS_SAVE_CHANGES         139
#define IDS_WRITE_ERROR          140
#define IDS_READ_ERROR           141
#define IDS_DEFAULT_NAME         142
#define IDS_CONFIRM_VALUES_DELETE 143
#define IDS_CONFIRM_VALUES_CAPTION 144
#define IDS_MODIFY               145
#define IDS_HEADER_5             146
#define IDS_HEADER_4             147
#define IDS_NEW_VALUE            148
#define IDS_RENAME_CLASH         149
#define IDS_RENAME_CLASH_CAPTION 150
#define IDS_VALUE_NOT_SET        151
#define IDS_FIND_FINISHED        152
#define IDS_EXPORT_CAPTION       153
#define IDS_IMPORT_CAPTION       154
#define IDS_BRANCH_MISSING       155
#define IDS_MERGE_FILE_QUESTION  156
#define IDS_MERGE_FILE_DONE      157
#define IDS_MERGE_QUESTION       158
#define IDS_MERGE_DONE           159
#define IDS_IMPORT_QUESTION      160
#define IDS_IMPORT_DONE          161
#define IDS_FAVORITE_CLASH       162
#define IDS_MY_COMPUTER          163
#define IDS_TIPS                 164
#define IDS_TIPS_HEADING         165
#define IDS_SAVE_PROGRESS        166
#define IDS_VIEW_NAME            167
// Failures that say why, and the changed-on-disk questions.
#define IDS_MERGE_STOPPED        1700
#define IDS_STOPPED_BY_USER      1701
#define IDS_SOURCE_CLIPBOARD     1702
#define IDS_REASON_TOO_SHORT     1703
#define IDS_REASON_NO_HEADER     1704
#define IDS_REASON_CONVERSION    1705
#define IDS_REASON_ABORTED_OPEN  1706
#define IDS_REASON_OPEN          1707
#define IDS_REASON_READ          1708
#define IDS_REASON_READ_ONLY     1709
#define IDS_SAVE_AS_OFFER        1710
#define IDS_SAVE_AS_ERROR        1711
#define IDS_EXPORT_ERROR         1712
#define IDS_REASON_WRITE         1713
#define IDS_REASON_MEMORY_OPEN   1714
// A file changed on disk by another program.
#define IDS_RELOAD_CHANGED       1720
#define IDS_RELOAD_LOSE_CHANGES  1721
#define IDS_OVERWRITE_CHANGED    1722
#define IDS_ADDRESS_LABEL        1723
// Compare With File.
#define ID_FILE_COMPARE          330
#define IDS_COMPARE_EQUAL        1762
#define IDS_COMPARE_FAILED       1763
#define IDS_READY                57345
#define IDS_RECENT_FILE          61402
#define IDS_UNTITLED             61440
