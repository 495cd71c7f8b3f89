// The wizard of the New Download / File command ("NEWFILEORDOWNLOADINTRO", "NEWDOWNLOAD",
// "NEWFILE") and the open-file dialog that picks the files to import.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// What the wizard was finished with.
struct TNewDownloadOrFile {
    int choice = 1;                     // 1: download a new file, 0: import existing files
    char url[261] = {};                 // choice 1: the URL to hand to the browser (may be empty)
};

// Runs the wizard over owner; false when it was cancelled.
bool RunNewDownloadOrFileWizard(HWND owner, TNewDownloadOrFile* state);

// The open-file dialog "Import" (several files at once). True with the chosen files as one text of
// quoted full paths in *joined (and their number in *count); false when cancelled, or when the
// selection did not fit the dialog's buffer (then the user is told, caption title).
bool PickFilesToImport(HWND owner, const char* title, std::string* joined, int* count);
