#pragma once
// Dialogs and controls of the shell room: the export options, the tip of
// the day and the about box.

// Export Registry File: the child template of the save dialog.
#define IDD_EXPORT_OPTIONS    101
#define IDC_EXPORT_PLACE      1119   // where the system dialog puts its own controls
#define IDC_EXPORT_GROUP      1283
#define IDC_EXPORT_ALL        1280
#define IDC_EXPORT_BRANCH     1281
#define IDC_EXPORT_PATH       1282

// Tip of the day.
#define IDD_TIPS              279
#define IDB_TIPS              259   // the light bulb drawn for 100 %,
#define IDB_TIPS_150          260   // for 150 %
#define IDB_TIPS_200          261   // and for 200 %
#define IDC_TIPS_FRAME        158
#define IDC_TIPS_NEXT         170
#define IDC_TIPS_AT_STARTUP   171
#define IDC_TIPS_TEXT         172
#define IDC_TIPS_BITMAP       259

// About box.
#define IDD_ABOUT             100
#define IDC_ABOUT_HOME        158
#define IDC_ABOUT_FEEDBACK    1053
#define IDC_ABOUT_NAME        1054
