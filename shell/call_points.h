// Where the start-up, the command-line actions and the hand-off receiver reach features that are
// built elsewhere. Each function below is the one place the shell calls for its feature; until the
// feature exists the function does nothing (and says so in the test trace, see shell/trace.h).
#pragma once

#include <windows.h>

#include <cstdint>

struct FileItem;
struct TProgramData;

// --- Deferred start-up.
// The first setup wizard of a first run. NOT BUILT YET: does nothing.
void RunFirstSetupWizardCall(HWND mainWindow, TProgramData* program);
// The lost-files check of the downloads. NOT BUILT YET: does nothing.
void CheckLostFilesCall(HWND mainWindow, TProgramData* program);
// The check for files in the storage folder that no download refers to. NOT BUILT YET.
void CheckNewStorageFilesCall(HWND mainWindow, TProgramData* program);
// The start-up bookmark imports (Netscape, Internet Explorer, Opera, each when its setting is on).
// Returns 1 when the data changed. NOT BUILT YET: returns 0.
int StartupBookmarkImportCall(HWND mainWindow, TProgramData* program);

// --- Window set-up.
// The drop target on the frame and the client window (registration) and its removal at shut-down.
// NOT BUILT YET.
void RegisterDropTargetCall(HWND frame, HWND mainWindow);
void RevokeDropTargetCall(HWND frame, HWND mainWindow);
// The clipboard formats of the program. NOT BUILT YET.
void RegisterClipboardFormatsCall();

// --- Command-line actions.
// A new internal viewer window on archive (may be empty), brought to the foreground.
// NOT BUILT YET.
void OpenInternalViewerCall(HWND mainWindow, const char* archive);
// The interchange-file import wizard for the file. NOT BUILT YET.
void RunInterchangeImportCall(HWND mainWindow, const char* file);

// --- File intake.
// What an intake did with the file it was given.
struct TIntakeOutcome {
    int added = 0;          // a download was added
    int fileStored = 0;     // the file now lies in the storage folder (moved or copied there)
    int userDiscarded = 0;  // the user decided not to keep the file
};
// FileIntake on path with a fresh (templateRecord null) or given template record and the options.
// NOT BUILT YET: adds nothing, stores nothing, discards nothing.
TIntakeOutcome FileIntakeCall(HWND mainWindow, TProgramData* program, FileItem* templateRecord, const char* path,
                              uint32_t options);
// Whether the temporary file of a plug-in hand-off may be deleted after the intake: only when the
// intake placed it in the storage folder or the user chose not to keep it. Anything else (intake
// failed, a dialog was cancelled without that choice) keeps the file, so no download is lost.
bool HandOffFileMayBeDeleted(const TIntakeOutcome& outcome);
