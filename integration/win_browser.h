// Launching the user's browser (the Browser command, the product's web site, bookmarks), the
// browser selection "SELECTBROWSER", and the file and folder pickers of the integration dialogs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct IntegrationSettings;

// LaunchBrowser results besides the shell's own (above 32: started; 32 or less: failed).
constexpr int TV_LAUNCH_NO_BROWSER = -1;  // no program is set for the chosen browser
constexpr int TV_LAUNCH_CANCELLED = -2;   // the user cancelled the selection: nothing to report

// The product's web site.
constexpr const char kProductWebSite[] = "http://www.veltra.com/tolvane/";

// Starts the chosen browser with url (null or empty: without one). With the choice "prompt" the
// selection dialog asks first and its answer is kept in *settings. Returns the shell's result or
// one of the values above.
int LaunchBrowser(HWND owner, IntegrationSettings* settings, const char* url);
// True when LaunchBrowser's result should be reported as a failure (messages 3402, 3404, 3405).
inline bool BrowserLaunchFailed(int result) { return result != TV_LAUNCH_CANCELLED && result <= 32; }

// "SELECTBROWSER": on OK the answer is taken into *settings and *choice is the browser to launch
// (0..3, 3 = the other browser). False when cancelled (settings unchanged).
bool RunSelectBrowserDialog(HWND owner, IntegrationSettings* settings, int* choice);

// The open-file dialog titled by string titleId with the "|"-separated filter of string filterId,
// starting at the file in path[size]; the chosen file replaces it. True when one was chosen.
bool PickIntegrationFile(HWND owner, char* path, size_t size, unsigned titleId, unsigned filterId);
// The folder picker titled by string titleId; the chosen folder replaces path. True when chosen.
bool PickIntegrationFolder(HWND owner, char* path, size_t size, unsigned titleId);
// Opens the program's help at the context (the one help helper of the program).
void IntegrationHelp(HWND owner, uint32_t helpContext);
