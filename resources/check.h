#pragma once
// The check room: Check File, its results window and its texts.

#define ID_FILE_CHECK             300

#define IDD_CHECK_RESULTS         1450
#define IDC_CHECK_LIST            1451
#define IDC_CHECK_STATUS          1452

// The reasons of the verdicts, in the order of the core's CheckCode.
#define IDS_CHECK_REASON_FIRST    1950
// The results window and the check's messages.
#define IDS_CHECK_CAPTION         1985
#define IDS_CHECK_COLUMN_LINE     1986
#define IDS_CHECK_COLUMN_SEVERITY 1987
#define IDS_CHECK_COLUMN_KEY      1988
#define IDS_CHECK_COLUMN_REASON   1989
#define IDS_CHECK_SKIPPED         1990
#define IDS_CHECK_DIFFERS         1991
#define IDS_CHECK_NOTE            1992
#define IDS_CHECK_STATUS          1993
#define IDS_CHECK_MORE            1994
#define IDS_CHECK_NOTHING         1995
#define IDS_CHECK_PROGRESS        1996
#define IDS_CHECK_UNREAD          1997
#define IDS_CHECK_STOPPED         1998
#define IDS_CHECK_UNSAVED         1999
