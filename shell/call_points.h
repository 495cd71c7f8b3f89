// Where the start-up, the command-line actions and the hand-off receiver reach features that are
// built elsewhere. Each function below is the one place the shell calls for its feature; until the
// feature exists the function does nothing (and says so in the test trace, see shell/trace.h).
#pragma once

#include <windows.h>

#include <cstdint>

struct FileItem;
struct TProgramData;
struct TIntakeContext;

// --- Deferred start-up.
// The first setup wizard of a first run; true when the user finished it (its settings are then the
// program's, and the caller applies "always on top" and the integration).
bool RunFirstSetupWizardCall(HWND mainWindow, TProgramData* program);
// The lost-files check of the downloads and shortcuts (CheckLostFiles).
void CheckLostFilesCall(const TIntakeContext& context);
// The check for files in the storage folders that no download refers to (CheckNewStorageFiles).
void CheckNewStorageFilesCall(const TIntakeContext& context);

// --- Command-line actions.
// A new internal viewer window on archive (may be empty), brought to the foreground.
void OpenInternalViewerCall(HWND mainWindow, const char* archive);

// --- File intake.
// What an intake did with the file it was given.
struct TIntakeOutcome {
    int added = 0;          // a download was added
    int fileStored = 0;     // the file now lies in the storage folder (moved or copied there)
    int userDiscarded = 0;  // the user decided not to keep the file
};
// FileIntake on path with no template (templateRecord null: the intake starts from a fresh, empty
// download record and takes name, date and description from the file) or the given one.
TIntakeOutcome FileIntakeCall(const TIntakeContext& context, const FileItem* templateRecord, const char* path,
                              uint32_t options);
// Whether the temporary file of a plug-in hand-off may be deleted after the intake: only when the
// intake placed it in the storage folder or the user chose not to keep it. Anything else (intake
// failed, a dialog was cancelled without that choice) keeps the file, so no download is lost.
bool HandOffFileMayBeDeleted(const TIntakeOutcome& outcome);
// After an intake that kept the handed-over file at path (it still exists): message 5799 naming
// the file, caption "Error" (the user was not the one who declined it, so storing failed).
// Nothing for a file that is not there.
void ReportHandOffFileKept(const TIntakeContext& context, const TIntakeOutcome& outcome, const char* path);
