// The find sheet "Search": one page "FINDGENERAL" on a copy of the find settings.
#pragma once

#include <windows.h>

#include "database/findsettings.h"

// Shows the sheet on settings (the texts, their histories and the options). Leaving the page trims
// both texts and refuses an incomplete request (message 3302, the page stays). On OK every choice
// is stored in settings and the result is true.
bool RunFindDialog(HWND owner, TFindFileSettingsData* settings);
