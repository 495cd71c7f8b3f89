// Files and folders on disk: creating folder chains, existence checks, the file system's own
// spelling of a path, the program folder and file times as display texts.
#pragma once

#include <windows.h>

#include <cstddef>

#include "util/tvbase.h"

// Creates every missing folder of path (a trailing "\" is implied): for each separator after the
// root, the folder named by the text before it (the root "C:\" of a drive, or the
// "\\server\share\" of a network path, is never created). Folders that exist already are not errors. Goes on after
// a failing level; returns the last error code, 0 when all went well (ERROR_FILENAME_EXCED_RANGE
// for a path longer than 260 characters).
DWORD CreateDirectoryPath(const char* path);

// 1 when the file is found: in its folder, or along the system search path when the name has no
// folder.
int FileExists(const char* path);
// 1 when a search for "*.*" inside the folder finds anything.
int FolderExists(const char* folder);

// Removes double quotes, expands path to a full path and rebuilds it component by component with
// the spelling of the file system (long names, real letter case). Returns 1 and rewrites path
// (a buffer of size bytes) when the file or folder exists, else 0 and leaves path as it was. A
// component whose long name has no ANSI form is given in its 8.3 form.
int CanonicalLongPath(char* path, size_t size);

// 1 when the existing file or folder at path lies inside the user's temporary folder
// (GetTempPathA), both taken in the file system's spelling, so that "..", short names and letter
// case cannot lead outside it; 0 otherwise (also when path does not exist).
int PathIsInTemporaryFolder(const char* path);

// Compares two paths after trimming blanks; with canonical, both are first brought into the file
// system's spelling (where they exist). wholePath 1 compares whole paths, 0 only name and
// extension; ASCII case-insensitive. 1 when equal.
int ComparePaths(const char* a, const char* b, int wholePath, int canonical);

// The file name of module (null: the program), reduced to its folder with the trailing "\"
// unless fullPath is set. Returns 1 on success, 0 when it does not fit size bytes (out empty).
int ProgramFolder(char* out, size_t size, int fullPath, HMODULE module = nullptr);

// Flags of FormatFileTimeText.
enum { TV_FT_DATE = 1, TV_FT_LONGDATE = 2, TV_FT_TIME = 4, TV_FT_NOSECONDS = 8 };
// The file time as text in the user's default locale, without conversion to local time: the date
// (TV_FT_DATE, long form with TV_FT_LONGDATE) and/or the time (TV_FT_TIME, without seconds with
// TV_FT_NOSECONDS), gap blanks between them. The result is stored only when it fits size bytes
// (else out stays empty). Returns 1 when out holds the text.
int FormatFileTimeText(char* out, const FILETIME* time, size_t size, int flags, int gap);
