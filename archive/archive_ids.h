// Control ids of the archive dialogs (shared by the resource scripts and the code).
#pragma once

// "FILEOPERATIONSTATUS": the progress dialog of engine jobs.
#define IDC_FILEOP_ITEM 101      // current file text
#define IDC_FILEOP_PROGRESS 102  // total progress bar
#define IDC_FILEOP_HELP 900      // Help
