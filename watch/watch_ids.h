// Ids of the preferences page "Watched Folders" (dialog "SETUPWATCH"), its strings and its help
// context.
#pragma once

#define IDC_WATCH_LIST 101
#define IDC_WATCH_ADD 102
#define IDC_WATCH_REMOVE 103
#define IDC_WATCH_SUGGESTION 104
#define IDC_WATCH_ADD_SUGGESTION 105
#define IDC_WATCH_ASK 106
#define IDC_WATCH_SILENT 107
#define IDC_WATCH_CATEGORY 108

#define IDS_WATCH_ALREADY_WATCHED 6000
#define IDS_WATCH_NOT_USABLE 6001
#define IDS_WATCH_SUGGESTION 6002
#define IDS_WATCH_NO_SUGGESTION 6003
#define IDS_WATCH_SILENT_ROW 6004

#define TV_HELP_WATCH 6000
