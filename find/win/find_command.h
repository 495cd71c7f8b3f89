// The find commands of the main window: Search (117) with its sheet and the search that follows,
// Search Results (118), and the main window's side of a chosen result (WM_USER + 8).
#pragma once

#include <windows.h>

#include "find/findlogic.h"

struct TProgramData;

struct TFindCommandContext {
    HWND mainWindow = nullptr;
    TProgramData* program = nullptr;
    TFindResultList* results = nullptr;  // the main window's results of the last find
};

// The Search command: the sheet on a copy of the find settings; on OK the settings are stored,
// the previous results cleared (their window closed first), the texts remembered in the
// histories, and the archive search or the find over the items' fields runs. The find shows its
// results window, or message 3300 when nothing was found. Returns false when the sheet was
// cancelled.
bool RunFindCommand(const TFindCommandContext& context);
// Search Results: the result window on the last results (nothing when there are none).
void ShowFindResults(const TFindCommandContext& context);
// WM_USER + 8: the result that lParam names when it is one of the results, its kind agrees with
// wParam (non-zero: a bookmark) and its item is still in its list; null otherwise (the pointer is
// then never followed).
const TFindResult* ChosenFindResult(const TFindCommandContext& context, WPARAM wParam, LPARAM lParam);
// Closes the result windows (the program ends, or the results are about to change).
void CloseFindWindows();
