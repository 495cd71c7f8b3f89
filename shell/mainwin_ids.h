// Control ids, help contexts and string ids of the main window's own dialogs (the preferences page
// "Standards" and the about box). Plain #defines: the resource script includes this header too.
#pragma once

// Preferences page "SETUPSTANDARDS".
#define IDC_STD_DOWNLOADS 101
#define IDC_STD_DOWNLOADS_BROWSE 102
#define IDC_STD_SHORTCUTS 103
#define IDC_STD_SHORTCUTS_BROWSE 104
#define IDC_STD_DOUBLE_OPEN 105
#define IDC_STD_DOUBLE_PROPERTIES 106
#define IDC_STD_DOUBLE_VIEWER 107
#define IDC_STD_TRAY 108
// About box "INFODIALOG".
#define IDC_INFO_TITLE 101
#define IDC_INFO_VERSION 102
#define IDC_INFO_TEXT 103
// The Help button of every dialog.
#define IDC_MAINWIN_HELP 900

// Help contexts.
#define TV_HELP_STANDARDS 200
#define TV_HELP_INFO 210

// Strings.
#define IDS_PREFERENCES 3221
#define IDS_LOCATION_NESTED 5009       // %s the wanted storage location, %s the one kept
#define IDS_LOCATION_NOT_MOVED 5010    // the same
#define IDS_LOCATION_NOT_CREATED 5011  // the same
#define IDS_BROWSE_STORAGE_PROMPT 5012
