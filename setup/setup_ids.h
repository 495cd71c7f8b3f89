// Ids of the first setup wizard's pages and search dialogs (controls and strings of its own,
// 5800-5899).
#pragma once

// "FIRSTSETUPBROWSER" and "FIRSTSETUPBOOKMARKS": three fields with a browse button each.
#define IDC_FS_FIELD1 101
#define IDC_FS_FIELD2 102
#define IDC_FS_FIELD3 103
#define IDC_FS_BROWSE1 104
#define IDC_FS_BROWSE2 105
#define IDC_FS_BROWSE3 106

// "FIRSTSETUPMISC".
#define IDC_FS_AUTOSTART 101
#define IDC_FS_CONTEXT_MENU 102
#define IDC_FS_ON_TOP 103
#define IDC_FS_DEFAULT_VIEWER 104

// "FIRSTSETUPAVSCANNER".
#define IDC_FS_SCANNER 101
#define IDC_FS_SCANNER_BROWSE 102

// "FIRSTSETUPBROWSERSEARCH" and "FIRSTSETUPBOOKMARKSEARCH": the folder being searched and one
// label per slot (the bookmark search has no label 102).
#define IDC_FS_SEARCH_FOLDER 101
#define IDC_FS_FOUND_IE 102
#define IDC_FS_FOUND_NETSCAPE 103
#define IDC_FS_FOUND_OPERA 104

// The command a page or search dialog posts to itself to start its search once it shows.
#define IDC_FS_START_SEARCH 1

// Strings.
#define IDS_FS_SELECT_FAVORITES 3206
#define IDS_FS_SELECT_BOOKMARK_FILE 3207
#define IDS_FS_SELECT_HOTLIST_FILE 3226
#define IDS_FS_BOOKMARK_FILTER 3103
#define IDS_FS_HOTLIST_FILTER 3108
