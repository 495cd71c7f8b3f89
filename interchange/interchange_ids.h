// Control ids, help contexts and string ids of the interchange file wizards (shared by the
// resource script and the code).
#pragma once

// Every page: the page's text (set from the string table where it depends on the run).
#define IDC_ICF_TEXT 100
// "INTERCHANGEFILEINTRO": the two kinds.
#define IDC_ICF_EXCERPT 101
#define IDC_ICF_BACKUP 102
// "INTERCHANGEFILEEXCERPTINTRO": what an excerpt holds.
#define IDC_ICF_DOWNLOADS 101
#define IDC_ICF_BOOKMARKS 102
// "INTERCHANGEFILEEXCERPTCATEGORIES": the category tree and, on import, "Don't import any ...".
#define IDC_ICF_TREE 101
#define IDC_ICF_DONT_IMPORT 103
// "INTERCHANGEFILEDESTINATION", "INTERCHANGEFILELOCATION": the file name and its picker button.
#define IDC_ICF_PATH 101
#define IDC_ICF_BROWSE 102
// "INTERCHANGEFILECREATING", "INTERCHANGEFILEIMPORTING": progress and the final text.
#define IDC_ICF_PROGRESS 101
#define IDC_ICF_RESULT 102

// Help contexts: every page, and the category pages of each wizard.
#define TV_HELP_INTERCHANGE 332
#define TV_HELP_INTERCHANGE_CATEGORIES 334
#define TV_HELP_INTERCHANGE_IMPORT_CATEGORIES 336

// String ids of the wizards' own notes (beside the texts the wizards share with the rest).
#define TV_IDS_ICF_CHANGED 5700        // files that changed while they were copied
#define TV_IDS_ICF_UNREADABLE 5701     // files that could not be read (empty in the file)
#define TV_IDS_ICF_TOO_LARGE 5702      // files left out: too large for a block
#define TV_IDS_ICF_NO_SETUP 5703       // no SETUP.EXE beside the program
#define TV_IDS_ICF_MISSING 5704        // import: items whose stored file was not in the file
#define TV_IDS_ICF_NOT_STORED 5705     // import: stored files that could not be created
#define TV_IDS_ICF_SETTINGS_CUT 5706   // import: the backup's settings were incomplete
#define TV_IDS_ICF_LOCATION_KEPT 5707  // import: a storage location that was not taken
#define TV_IDS_ICF_MORE 5708           // "... and %u more"
#define TV_IDS_ICF_RECORDS_CUT 5709    // import: the records end early
#define TV_IDS_ICF_CREATE_TITLE 5710   // caption of the creation wizard's pages
#define TV_IDS_ICF_IMPORT_TITLE 5711   // caption of the import wizard's pages
#define TV_IDS_ICF_NO_CATEGORY 5712    // a chosen category is gone
#define TV_IDS_ICF_ALL_FILES 5713      // "All Files (*.*)" of the file dialogs
