// The program's help: every Help button, F1 and the Help menu open the help file "tv.hlp" of the
// program folder through these functions. When the file is missing, the user gets one clear
// message naming it instead of the help viewer's own error box.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// "The help file was not found ..." (%s: the help file's path).
constexpr UINT TV_IDS_HELP_FILE_MISSING = 5000;

// The help file used by the functions below. By default the program folder + "tv.hlp"; the
// program sets it once at start-up, tests point it elsewhere. A path that does not fit leaves
// the help without a file (every call then shows the message).
void SetHelpFilePath(const char* path);
const char* HelpFilePath();

// Opens the help file at a context number / at its contents / the viewer's help on using help.
// Returns true when the viewer was asked; false when the file is missing (the message was shown).
bool ShowHelpTopic(HWND owner, uint32_t context);
bool ShowHelpContents(HWND owner);
bool ShowHelpOnHelp(HWND owner);

// Closes the help viewer for owner when help was opened during the run (nothing otherwise, so
// that a run without help starts no viewer at shut-down).
void CloseHelp(HWND owner);

// The call that opens the viewer (WinHelpA by default). Tests replace it to see what would be
// opened without starting the viewer; null restores the default.
typedef BOOL (*TvHelpViewerFn)(HWND owner, const char* file, UINT command, ULONG_PTR data);
void SetHelpViewer(TvHelpViewerFn viewer);
