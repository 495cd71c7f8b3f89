// The option dialogs of the internal viewer: password, extract, delete, the add options inside the
// open-file dialog, drag and drop, copy (with its directory-or-file request), select some, the
// property pages of a member and of the archive, and the preferences page "SETUPIV".
#pragma once

#include <windows.h>
#include <prsht.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/viewer_logic.h"
#include "database/settings.h"

// "IVPW": edits the program-wide password. OK compares password and confirmation exactly (case
// counts): equal -> text and mask stored; different -> message 3420 and the dialog stays.
// True on OK.
bool RunPasswordDialog(HWND owner, ArchivePassword* password);

// "IVEXTRACT" on a copy of the settings; stored on OK. A blank folder, or a blank mask with
// "Files:", keeps the dialog open with a message.
bool RunExtractDialog(HWND owner, ExtractSettings* settings);

// "IVDELETE"; a blank mask with "Files:" keeps the dialog open.
bool RunDeleteDialog(HWND owner, DeleteSettings* settings);

// "IVCOPY": the destination and whether it is a folder, decided on OK (DecideCopyDestination,
// asking "IVCOPYDESTDIRFILE" when undecided; its Cancel returns to the copy dialog).
bool RunCopyDialog(HWND owner, CopySettings* settings);
// "IVCOPYDESTDIRFILE" alone: IV_COPY_FOLDER, IV_COPY_FILE, or 0 for Cancel.
int RunCopyRequestDialog(HWND owner, const char* destination);

// "IVSELECTSOME": Select and Deselect apply the mask at once and leave the dialog open; apply
// gets the trimmed, non-empty mask and whether to select.
void RunSelectSomeDialog(HWND owner, const std::function<void(const char* mask, bool select)>& apply);

// "Add Files": the open-file dialog with the template "IVADDFILE" and AddDialogHookProc. The hook
// loads the add options from settings, stores them back when the choice is confirmed, and opens
// the password dialog on password. Fills files with the chosen paths; true on OK.
bool RunAddFilesDialog(HWND owner, AddSettings* settings, ArchivePassword* password, HWND viewer,
                       std::vector<std::string>* files);
extern "C" UINT_PTR CALLBACK AddDialogHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// "IVDDADD": target archive, add options and password for dropped files. Choosing an archive
// (new or existing) and confirming send the archive text to the viewer (archive exchange).
struct TDragDropParams {
    HWND viewer = nullptr;                // gets IV_WM_ARCHIVE_EXCHANGE
    std::string droppedText;              // the single name, or "%s files dropped"
    AddSettings* settings = nullptr;      // action, level and three check boxes stored on Add
    ArchivePassword* password = nullptr;  // for the Password button
};
bool RunDragDropDialog(HWND owner, TDragDropParams* params);

// The property sheet "Properties": the member's page (when member is set) and the archive's page.
struct TViewerPropertiesData {
    const ArchiveMember* member = nullptr;
    bool memberIsSetup = false;
    const char* archivePath = "";
    TArchiveTotals totals;
};
void RunViewerPropertiesSheet(HWND owner, const TViewerPropertiesData& data);

// The preferences page "SETUPIV" on a copy of the viewer settings; applied is set by OK.
struct TViewerPreferencesPage {
    ViewerSettings settings;
    bool applied = false;
};
void MakeViewerPreferencesPage(PROPSHEETPAGEA* page, TViewerPreferencesPage* state);
// The sheet "Preferences" with that page alone (the viewer's Preferences command). True on OK.
bool RunViewerPreferences(HWND owner, ViewerSettings* settings);
