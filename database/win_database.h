// Loading and saving the database file "tv.cfg" in the program folder, the main window's
// placement and the storage folders: the Windows side of the database.
#pragma once

#include <windows.h>

#include <cstddef>

#include "database/programdata.h"

// Name of the database file and the suffixes of the files kept beside it.
constexpr char TV_DB_FILE_NAME[] = "tv.cfg";
constexpr char TV_DB_TEMP_SUFFIX[] = ".tmp";         // the new file while it is being written
constexpr char TV_DB_DAMAGED_SUFFIX[] = ".damaged";  // copy of a file that could not be read fully
constexpr char TV_DB_UNREAD_SUFFIX[] = ".unread";    // copy of a file that could not be opened

// folder (with or without trailing "\") + "tv.cfg". Returns 1 when it fits.
int DatabasePath(char* out, size_t size, const char* folder);

// Loads the database into data (once, when the main window is created): the file at path (null:
// "tv.cfg" in data->programFolder, which is first set to the program's folder when empty), or
// the defaults of a first run when there is no usable file (data->startedFromDefaults). Then
// links the items to their categories, applies the stored placement to frame (when given) and
// creates missing storage folders.
// A file whose body ends early or has bytes after its end is loaded as far as it goes
// (data->bodyDamaged); a copy of it is kept beside it as "tv.cfg.damaged" (or .damaged2 ... 9
// when that exists already), as is a non-empty file whose header is not a database header.
// Returns data->startedFromDefaults.
bool LoadDatabase(TProgramData* data, HWND frame, const char* path = nullptr);

// Saves the database (once, when the main window is destroyed): captures the placement of frame
// (when given) and the view state (hook), writes the body to "tv.cfg.tmp", flushes it and only
// then replaces "tv.cfg" with it. A failure leaves the previous file as it was and returns false.
// Creates missing storage folders afterwards.
bool SaveDatabase(TProgramData* data, HWND frame, const char* path = nullptr);

// Placement of section 5 from the window (before saving) and to the window (after loading).
// Apply returns true when the stored window was maximised: the normal rectangle is set and the
// caller shows the window maximised.
void CaptureMainWindowPlacement(HWND window, MainWindowPlacement* placement);
bool ApplyMainWindowPlacement(HWND window, MainWindowPlacement* placement);

// Creates the storage folders that are missing: with kindMask bit 0 the Downloads location, with
// bit 0 or 1 the Shortcuts location (CreateDirectoryPath, when the folder holds nothing), then the
// folder of every category whose kind shares a bit with the mask (one level each, in list order).
void CreateMissingStorageFolders(TProgramData* data, int kindMask);
