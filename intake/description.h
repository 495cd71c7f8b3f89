// The description of a download from the "FILE_ID.DIZ" inside its archive.
#pragma once

#include <cstddef>

class TZipFileSystem;

// For a path ending in ".ZIP" or ".EXE" (case ignored) whose archive holds a member named
// "FILE_ID.DIZ" (in any folder, any letter case): *description becomes the first up to 10,000
// bytes of the first such member, as they stand, taken straight from the archive (nothing is
// written to disk). With freeOld the previous text is released first. Returns 1 when the
// description was replaced; otherwise (no such member, unreadable archive, other extension) the
// description stays as it was and 0 is returned. fs: the file system the engine reads through
// (null: the platform's own).
int ExtractDescription(const char* path, char** description, int freeOld, TZipFileSystem* fs = nullptr);

// The same with the bytes delivered into a caller's buffer (at most maxBytes): returns 1 and sets
// *length when a member was read.
int ReadDescriptionMember(const char* path, char* buffer, size_t maxBytes, size_t* length,
                          TZipFileSystem* fs = nullptr);
