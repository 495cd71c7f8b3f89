// Ids of the internal viewer: its commands, messages, dialog controls, help topics and its own
// strings. Shared by the resource scripts and the code (plain #defines only).
#pragma once

// --- Commands (menu "INTERNALVIEWERMENU", context menu "IVCONTEXTMENU", toolbar, accelerators).
#define IV_CM_CLOSE 100
#define IV_CM_HELP_CONTENTS 101
#define IV_CM_HELP_USING 102
#define IV_CM_OPEN 104
#define IV_CM_COPY_ARCHIVE 111
#define IV_CM_PROPERTIES 112
#define IV_CM_DELETE 116
#define IV_CM_REFRESH 124
#define IV_CM_OPEN_ARCHIVE 128
#define IV_CM_ADD 150
#define IV_CM_EXTRACT 151
#define IV_CM_NEW_ARCHIVE 156
#define IV_CM_CLOSE_ARCHIVE 158
#define IV_CM_ARCHIVE_PROPERTIES 160
#define IV_CM_PASSWORD 161
#define IV_CM_INSTALL 162
#define IV_CM_SELECT_ALL 163
#define IV_CM_SELECT_NONE 164
#define IV_CM_SELECT_SOME 165
#define IV_CM_SELECT_INVERT 166
#define IV_CM_PREFERENCES 168

// Status-bar help of a command: string command id + 1200; its tool tip: command id + 2200.
#define IV_STATUS_HELP_OFFSET 1200
#define IV_TOOLTIP_OFFSET 2200

// --- Window messages (WM_USER + n).
#define IV_WM_FILES_DROPPED (0x0400 + 3)   // lParam: the dropped IDataObject*
#define IV_WM_ARCHIVE_EXCHANGE (0x0400 + 6) // wParam 0: copy the archive path into lParam (char[261]);
                                            // else lParam (text) becomes the archive path

// --- Child windows of the viewer.
#define IV_ID_TOOLBAR 1
#define IV_ID_STATUS 2
#define IV_ID_LIST 3

// --- Dialog controls (the numbers the templates give).
#define IDC_IV_HELP 900
// "IVPW"
#define IDC_IVPW_PASSWORD 101
#define IDC_IVPW_CONFIRM 102
#define IDC_IVPW_MASK 103
// "IVEXTRACT"
#define IDC_IVEX_FOLDER 101
#define IDC_IVEX_BROWSE 102
#define IDC_IVEX_SELECTED 103
#define IDC_IVEX_ALL 104
#define IDC_IVEX_MATCHING 105
#define IDC_IVEX_MASK 106
#define IDC_IVEX_OVERWRITE 107
#define IDC_IVEX_FOLDERS 108
#define IDC_IVEX_SKIP_OLDER 109
// "IVDELETE"
#define IDC_IVDEL_SELECTED 101
#define IDC_IVDEL_ALL 102
#define IDC_IVDEL_MATCHING 103
#define IDC_IVDEL_MASK 104
// "IVADDFILE" (extra template of the open-file dialog)
#define IDC_IVADD_ACTION 101
#define IDC_IVADD_LEVEL 102
#define IDC_IVADD_ARCHIVE_ONLY 103
#define IDC_IVADD_RESET_ARCHIVE 104
#define IDC_IVADD_SYSTEM_HIDDEN 105
#define IDC_IVADD_SHORT_NAMES 106
#define IDC_IVADD_RECURSE 107
#define IDC_IVADD_SAVE_FOLDERS 108
#define IDC_IVADD_PASSWORD 109
// "IVDDADD"
#define IDC_IVDD_ARCHIVE 101
#define IDC_IVDD_ACTION 102
#define IDC_IVDD_LEVEL 103
#define IDC_IVDD_RESET_ARCHIVE 104
#define IDC_IVDD_SHORT_NAMES 105
#define IDC_IVDD_SAVE_FOLDERS 106
#define IDC_IVDD_NEW 107
#define IDC_IVDD_EXISTING 108
#define IDC_IVDD_PASSWORD 109
#define IDC_IVDD_DROPPED 112
// "IVCOPY"
#define IDC_IVCOPY_DEST 101
#define IDC_IVCOPY_FOLDER 102
#define IDC_IVCOPY_FILE 103
// "IVCOPYDESTDIRFILE"
#define IDC_IVREQ_DEST 101
#define IDC_IVREQ_FOLDER 102
#define IDC_IVREQ_FILE 103
// "IVSELECTSOME"
#define IDC_IVSEL_MASK 101
#define IDC_IVSEL_SELECT 102
#define IDC_IVSEL_DESELECT 103
// "IVFILEPROP"
#define IDC_IVFP_ICON 101
#define IDC_IVFP_NAME 102
#define IDC_IVFP_FOLDER 103
#define IDC_IVFP_SIZE 104
#define IDC_IVFP_PACKED 105
#define IDC_IVFP_RATIO 106
#define IDC_IVFP_TIME 107
#define IDC_IVFP_ATTRIBUTES 108
#define IDC_IVFP_LOCK 109
// "IVARCHIVEPROP"
#define IDC_IVAP_ICON 101
#define IDC_IVAP_NAME 102
#define IDC_IVAP_FOLDER 103
#define IDC_IVAP_CREATED 104
#define IDC_IVAP_CHANGED 105
#define IDC_IVAP_ACCESSED 106
#define IDC_IVAP_ATTRIBUTES 107
#define IDC_IVAP_MEMBERS 108
#define IDC_IVAP_ENCRYPTED 109
#define IDC_IVAP_SIZE 110
#define IDC_IVAP_PACKED 111
#define IDC_IVAP_RATIO 112
// "SETUPIV"
#define IDC_SETUPIV_DEFAULT 101
#define IDC_SETUPIV_RECENT 102

// --- Help topics of the viewer's dialogs and commands.
#define IV_HELP_VIEWER 600
#define IV_HELP_PASSWORD 601
#define IV_HELP_EXTRACT 602
#define IV_HELP_DELETE 603
#define IV_HELP_ADD 604
#define IV_HELP_DRAGDROP 605
#define IV_HELP_COPY 606
#define IV_HELP_COPY_REQUEST 607
#define IV_HELP_SELECT_SOME 608
#define IV_HELP_FILE_PROPERTIES 609
#define IV_HELP_ARCHIVE_PROPERTIES 610
#define IV_HELP_PREFERENCES 611
#define IV_HELP_PROGRESS 612

// --- Strings given by the viewer's texts.
#define IDS_IV_DROPPED_FILES 3004       // "%s files dropped"
#define IDS_IV_ADD_ACTION_FIRST 3000    // 3000-3003: the four add actions
#define IDS_IV_PROPERTIES 3215
#define IDS_IV_NEW_ARCHIVE 3218
#define IDS_IV_OPEN_ARCHIVE_TITLE 3219
#define IDS_IV_ADD_FILES 3220
#define IDS_IV_PREFERENCES 3221
#define IDS_IV_NO_SETUP 3418
#define IDS_IV_NOT_OPENED 3419
#define IDS_IV_PASSWORD_MISMATCH 3420
#define IDS_IV_NEW_NOT_SAVED 3504
#define IDS_IV_CAPTION 3600
#define IDS_IV_COPY_FOLDER 3817
#define IDS_IV_COPY_FILE 3818
#define IDS_IV_EXTRACT_FOLDER 3819
#define IDS_IV_SELECT_ARCHIVE 3820
#define IDS_IV_COLUMN_FIRST 3930        // 3930-3935: the column headings
// The viewer's own texts (5300-5399).
#define IDS_IV_FILTER_ARCHIVES 5300     // "Archives (*.zip)|*.zip|All Files (*.*)|*.*|"
#define IDS_IV_FILTER_ALL 5301          // "All Files (*.*)|*.*|"
#define IDS_IV_STATUS_FILE 5302         // " File"
#define IDS_IV_STATUS_FILES 5303        // " Files"
#define IDS_IV_STATUS_SELECTED 5304     // ") Selected"
#define IDS_IV_STATUS_TOTAL 5305        // ") Total"
#define IDS_IV_NOT_AVAILABLE 5306       // "n/a"
#define IDS_IV_COPY_FAILED 5307         // the copy could not be made
#define IDS_IV_TEMP_FAILED 5308         // no private temporary folder
#define IDS_IV_ENTER_FOLDER 5309        // an extract folder is needed
#define IDS_IV_ENTER_MASK 5310          // a mask is needed
#define IDS_IV_ENTER_DESTINATION 5311   // a copy destination is needed
#define IDS_IV_ENTER_ARCHIVE 5312       // a target archive is needed

// Help topic of a viewer command highlighted in a menu: this base plus the command id (1200 to
// 1268; a base of 700 would put Archive Properties, 160, on the topic 860 of "New Files Found").
#define IV_HELP_COMMAND_BASE 1100
