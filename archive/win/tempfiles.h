// Temporary files and folders the program makes (copies of archive members opened from a viewer,
// the files of an install) and their removal.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "core/lists.h"

// Kind masks of CleanTempFileList.
enum : uint32_t { TV_CLEAN_FILES = 1, TV_CLEAN_FOLDERS = 2 };

// Removes every entry of a selected kind from the disk: a file that exists gets the plain archive
// attribute (so that a read-only file can go) and is deleted; a folder that exists loses its
// trailing backslash and is removed, which works only when it is empty. An entry whose path no
// longer exists counts as done, and so does one outside the user's temporary folder, which is left
// on the disk (a damaged or foreign database file can list any path). With remove set, done
// entries leave the list; failed ones stay.
// Returns the number of entries of the selected kinds that are still there.
uint32_t CleanTempFileList(TTempFileListObject* list, uint32_t kindMask, bool remove);

// Adds an entry (the same path, ignoring case, is one entry).
void AddTempFileEntry(TTempFileListObject* list, const char* path, uint32_t kind);

// Makes a new, empty folder of the program's own below the system's temporary folder ("tv" and a
// number no other folder there has yet) and returns its path with a trailing backslash.
bool MakePrivateTempFolder(char* out, size_t size);

// A folder below the system's temporary folder named base, or base2, base3 ... when that name is
// taken by anything (created here; trailing backslash). False when none could be made.
bool MakeFreshTempFolder(const char* base, char* out, size_t size);
