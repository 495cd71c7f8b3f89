// Command ids and private window messages of the main window. Plain #defines: the resource
// script includes this header too.
#pragma once

#define CM_EXIT 100
#define CM_HELP_CONTENTS 101
#define CM_HELP_USING 102
#define CM_ABOUT 103
#define CM_OPEN 104
#define CM_VIEWER 105
#define CM_NEW_CATEGORY 106
#define CM_NEW_DOWNLOAD 107
#define CM_NEW_BOOKMARK 108
#define CM_NEW_SHORTCUT 109
#define CM_RENAME 110
#define CM_COPY_TO 111
#define CM_PROPERTIES 112
#define CM_CUT 113
#define CM_COPY 114
#define CM_PASTE 115
#define CM_DELETE 116
#define CM_SEARCH 117
#define CM_SEARCH_RESULTS 118
#define CM_EXPLORER 122
#define CM_BROWSER 123
#define CM_REFRESH 124
#define CM_IMPORT_BOOKMARKS 125
#define CM_EXPORT_BOOKMARKS 126
#define CM_PREFERENCES 128
#define CM_WEBSITE 129
#define CM_NEW_MENU 130
#define CM_ERASE_SEARCH 131
#define CM_NEXT_TAB 132
#define CM_PREVIOUS_TAB 133
#define CM_EXPORT_FILE_DATABASE 134
#define CM_MAKE_INTERCHANGE 135
#define CM_IMPORT_INTERCHANGE 136
#define CM_ALWAYS_ON_TOP 137
#define CM_VIEWER_EXTRACT 151
#define CM_VIEWER_NEW_ARCHIVE 156
#define CM_VIEWER_PASSWORD 161
#define CM_OPEN_FROM_TRAY 183
#define CM_START_WITH_WINDOWS 185

// Private messages of the main window (WM_USER = 0x0400).
#define TV_WM_TRAY_NOTIFY (0x0400 + 1)
#define TV_WM_DEFERRED_STARTUP (0x0400 + 2)
#define TV_WM_DROP_DELIVERED (0x0400 + 3)
#define TV_WM_SHOW_TRAY_MENU (0x0400 + 4)
#define TV_WM_DOWNLOAD_CHANGED (0x0400 + 5)
#define TV_WM_SELECT_ITEM (0x0400 + 8)  // wParam 1 bookmark / 0 download, lParam a result of the last find
// The watcher of the watched folders queued finished files (wParam, lParam unused).
#define TV_WM_WATCHED_FILES (0x0400 + 40)

// Timers of the main window.
#define TV_TIMER_SPLASH 1
#define TV_TIMER_REFRESH 2

// String ids used by the shell.
#define IDS_PROGRAM_TITLE 4100
#define IDS_ALWAYS_ON_TOP 3825
