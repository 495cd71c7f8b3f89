// The preferences property sheet (the page "Standards" and the integration pages) and the about box
// of the main window.
#pragma once

#include <windows.h>

struct TProgramData;
class TItemOperations;
class TWatchService;

// Shows the sheet "Preferences" on a copy of the settings. On OK the settings are validated and
// taken over, and a storage location that changed is moved (downloads, then shortcuts). Returns
// true when the user confirmed. With watch, the last page "Watched Folders" edits its folders
// (saved and watched anew on OK).
bool RunPreferences(HWND owner, TProgramData* program, TItemOperations* operations, TWatchService* watch = nullptr);

// The about box "INFODIALOG".
void RunInfoDialog(HWND owner);
