// Platform-free decisions of the plug-in: the download file's name and path, and the texts of the
// status window. Kept apart from the Windows code so that they are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/tvbase.h"

// The file name for a stream URL: the text after the URL's last "/" or "\" when it is a valid file
// name (IsValidFileName), taken as it stands; otherwise "unknown". So a URL that ends in a slash or
// whose last segment holds a query string gives "unknown".
void DownloadNameFromUrl(const char* url, char* name, size_t size);

enum DownloadPathResult {
    TV_DOWNLOAD_PATH_NONE = 0,       // not even a one-character name fits: no file is created
    TV_DOWNLOAD_PATH_FULL = 1,       // folder, private folder and the whole name
    TV_DOWNLOAD_PATH_SHORTENED = 2,  // the name was shortened (extension kept) to stay in 259
};
// path := tempFolder (plus "\" when it ends in neither "\" nor "/"), privateFolder, "\", fileName.
// The whole must fit 259 characters (what the file functions accept) and path[size]; when it does not, the name's base is cut
// from its end, keeping the extension, or, when even that does not fit, the name itself is cut.
// privateFolder may be null or empty (no subfolder).
int ComposeDownloadPath(char* path, size_t size, const char* tempFolder, const char* privateFolder,
                        const char* fileName);

// Status window texts: "1,234,567 Bytes", "1 Byte", "0 Bytes".
void FormatByteCount(uint64_t bytes, char* text, size_t size);
// The percentage shown for bytes of total: 0 when the total is unknown (0); never above 100.
int DownloadPercent(uint64_t bytes, uint32_t total);
