// Ids of find and the archive search: dialog controls, commands of the result windows, window
// messages and help topics. Shared by the resource scripts and the code (plain #defines only).
#pragma once

// "FINDGENERAL": the page of the find sheet.
#define IDC_FIND_FILE 101        // area: downloads
#define IDC_FIND_BOOKMARKS 102   // area: bookmarks
#define IDC_FIND_INFOS 103       // downloads: their own fields
#define IDC_FIND_ARCHIVES 104    // downloads: inside their ZIP archives
#define IDC_FIND_CONTENTS 105    // combo box: the search term and its history
#define IDC_FIND_FILTER 106      // combo box: the member mask and its history
#define IDC_FIND_CASE 107
#define IDC_FIND_WORDS 108

// "SEARCHINGZIPS": the progress of the archive search.
#define IDC_ZS_CURRENT 101       // the download searched now
#define IDC_ZS_PROGRESS 102      // "Total:"
#define IDC_ZS_HELP 900

// Commands of the find result window (its toolbar).
#define FR_CM_HELP 101
#define FR_CM_KEEP_OPEN 170
#define FR_CM_PREVIOUS 171
#define FR_CM_NEXT 172
#define FR_CM_NEW_SEARCH 174
// Tool tips of the result windows' buttons: command id + 2200.
#define FR_TOOLTIP_OFFSET 2200

// Child windows of the result windows.
#define FR_ID_TOOLBAR 1
#define FR_ID_STATUS 2
#define FR_ID_LIST 3

// The main window selects a found item: wParam 1 for a bookmark, 0 for a download; lParam the
// result (an element of the main window's result list).
#define TV_WM_SELECT_FOUND_ITEM (0x0400 + 8)

// Help topics.
#define TV_HELP_FINDGENERAL 990
#define TV_HELP_SEARCHINGZIPS 1000
#define TV_HELP_ZIPSEARCHRESULT 1010
#define TV_HELP_FINDRESULTS 1020
