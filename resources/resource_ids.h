// Ids of the program's resources. Ranges: 1-99 icons, 100-199 menus and menu commands,
// 300-399 main window controls, 900 the Help button of every dialog, 3000-4999 strings.
#pragma once

#define IDI_TV 1

// Icons of tv.exe, drawn by tools/art (16 x 16 and 32 x 32 each). Registry icon locations
// ("path,n") count icon groups by position in id order; "path,-id" names a group by its id.
#define IDI_ARCHIVE 2           // ZIP archives opened with the internal viewer (position 1)
#define IDI_TRAY 3              // the tray icon
#define IDI_MAIN_DOWNLOADS 5    // main window icons for the three kinds of items,
#define IDI_MAIN_BOOKMARKS 6    // the same pictures as the tree roots
#define IDI_MAIN_SHORTCUTS 8
#define IDI_LOCK 17             // encrypted archive member
#define IDI_SETUP 28            // setup program inside an archive
#define IDI_INTERCHANGE_FILE 33 // ".tvi" files
#define IDI_BROWSE 40           // icon buttons that open a file or folder picker
#define IDI_STATE_MISSING 41    // the pictures of tvft1.ico, tvft2.ico, tvft3.ico (which also
#define IDI_STATE_NEW 42        // lie beside tv.exe), for dialogs that show them
#define IDI_STATE_FOUND 43

// Bitmaps with numbers: toolbar strips of 19 images of 18 x 18, mask colour magenta
// RGB(255, 0, 255). The named bitmaps and cursors are listed in art.rc.
#define IDB_MAIN_TOOLBAR 200
#define IDB_VIEWER_TOOLBAR 300
#define IDB_FIND_RESULT_TOOLBAR 310  // 5 images: the find result window

// Image indexes in IDB_FIND_RESULT_TOOLBAR.
#define FRTB_IMAGE_KEEP_OPEN 0   // 170
#define FRTB_IMAGE_PREVIOUS 1    // 171
#define FRTB_IMAGE_NEXT 2        // 172
#define FRTB_IMAGE_NEW_SEARCH 3  // 174
#define FRTB_IMAGE_HELP 4        // 101

// Image indexes in IDB_MAIN_TOOLBAR.
#define TB_IMAGE_NEW 0             // 130 New (drop-down)
#define TB_IMAGE_OPEN 1            // 104
#define TB_IMAGE_CUT 2             // 113
#define TB_IMAGE_COPY 3            // 114
#define TB_IMAGE_PASTE 4           // 115
#define TB_IMAGE_DELETE 5          // 116
#define TB_IMAGE_PROPERTIES 6      // 112
#define TB_IMAGE_SEARCH 7          // 117
#define TB_IMAGE_ERASE_SEARCH 8    // 131
#define TB_IMAGE_EXPLORER 9        // 122
#define TB_IMAGE_BROWSER 10        // 123
#define TB_IMAGE_HELP 11           // 101
#define TB_IMAGE_VIEWER 12         // 105
#define TB_IMAGE_ARCHIVE_SEARCH 13 // search inside archives, its results
#define TB_IMAGE_NEW_CATEGORY 14   // 106
#define TB_IMAGE_NEW_DOWNLOAD 15   // 107
#define TB_IMAGE_NEW_BOOKMARK 16   // 108
#define TB_IMAGE_IMPORT 17         // 125, 136
#define TB_IMAGE_EXPORT 18         // 126, 134, 135

// Image indexes in IDB_VIEWER_TOOLBAR (internal viewer and archive search results).
#define IVTB_IMAGE_OPEN 0                // 104
#define IVTB_IMAGE_ADD 1                 // 150
#define IVTB_IMAGE_EXTRACT 2             // 151
#define IVTB_IMAGE_DELETE 3              // 116
#define IVTB_IMAGE_PROPERTIES 4          // 112
#define IVTB_IMAGE_NEW_ARCHIVE 5         // 156
#define IVTB_IMAGE_OPEN_ARCHIVE 6        // 128
#define IVTB_IMAGE_COPY_ARCHIVE 7        // 111
#define IVTB_IMAGE_ARCHIVE_PROPERTIES 8  // 160
#define IVTB_IMAGE_INSTALL 9             // 162
#define IVTB_IMAGE_CLOSE_ARCHIVE 10      // 158
#define IVTB_IMAGE_PASSWORD 11           // 161
#define IVTB_IMAGE_SELECT_ALL 12         // 163
#define IVTB_IMAGE_SELECT_NONE 13        // 164
#define IVTB_IMAGE_SELECT_INVERT 14      // 166
#define IVTB_IMAGE_SELECT_SOME 15        // 165
#define IVTB_IMAGE_REFRESH 16            // 124
#define IVTB_IMAGE_PREFERENCES 17        // 168
#define IVTB_IMAGE_HELP 18               // 101

// Image indexes in the 16 x 16 strips (mask colour magenta): "CATLISTBMP" 0 downloads root,
// 1 bookmarks root, 2 shortcuts root; "FOLDERSBMP" 0 closed, 1 open folder; "FILEICONLIST"
// 0 file, 1 folder, 2 archive, 3 encrypted file, 4 setup program; "EXTPROCBMP" 0 program.
