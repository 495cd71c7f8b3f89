// Name and path of a download file and the texts of the download status window.
#include "plugin/download_file.h"

#include <cstring>

#include "util/format.h"
#include "util/path.h"
#include "util/text.h"

void DownloadNameFromUrl(const char* url, char* name, size_t size) {
    if (!name || size == 0) return;
    name[0] = '\0';
    const char* candidate = "";
    if (url) {
        int last = LastSeparator(url);
        if (last >= 0) candidate = url + last + 1;
    }
    if (candidate[0] != '\0' && IsValidFileName(candidate) && strlen(candidate) < size)
        CopyLimited(name, candidate, size);
    else
        CopyLimited(name, "unknown", size);
}

int ComposeDownloadPath(char* path, size_t size, const char* tempFolder, const char* privateFolder,
                        const char* fileName) {
    if (!path || size == 0) return TV_DOWNLOAD_PATH_NONE;
    path[0] = '\0';
    if (!tempFolder || !fileName || fileName[0] == '\0') return TV_DOWNLOAD_PATH_NONE;
    // 259 characters: the longest path the system's file functions accept (260 with the
    // terminator), one less than the 260 that a path buffer holds.
    size_t limit = TV_PATH_SIZE - 2;
    if (size - 1 < limit) limit = size - 1;

    char folder[TV_PATH_SIZE * 2];
    if (CopyLimited(folder, tempFolder, sizeof(folder))) return TV_DOWNLOAD_PATH_NONE;
    size_t folderLength = strlen(folder);
    if (folderLength > 0 && folder[folderLength - 1] != '\\' && folder[folderLength - 1] != '/')
        if (AppendLimited(folder, "\\", sizeof(folder))) return TV_DOWNLOAD_PATH_NONE;
    if (privateFolder && privateFolder[0] != '\0') {
        if (AppendLimited(folder, privateFolder, sizeof(folder)) || AppendLimited(folder, "\\", sizeof(folder)))
            return TV_DOWNLOAD_PATH_NONE;
    }
    folderLength = strlen(folder);
    if (folderLength + 1 > limit) return TV_DOWNLOAD_PATH_NONE;
    size_t room = limit - folderLength;  // characters left for the name, at least 1

    size_t nameLength = strlen(fileName);
    int result = TV_DOWNLOAD_PATH_FULL;
    char name[TV_PATH_SIZE];
    if (nameLength <= room) {
        CopyLimited(name, fileName, sizeof(name));
    } else {
        result = TV_DOWNLOAD_PATH_SHORTENED;
        const char* dot = strrchr(fileName, '.');
        size_t extensionLength = (dot && dot != fileName) ? strlen(dot) : 0;
        if (extensionLength > 0 && extensionLength + 1 <= room) {
            size_t keep = room - extensionLength;  // characters of the base, at least 1
            memcpy(name, fileName, keep);
            memcpy(name + keep, dot, extensionLength);
            name[keep + extensionLength] = '\0';
        } else {
            memcpy(name, fileName, room);
            name[room] = '\0';
        }
    }
    CopyLimited(path, folder, size);
    AppendLimited(path, name, size);
    return result;
}

void FormatByteCount(uint64_t bytes, char* text, size_t size) {
    if (!text || size == 0) return;
    // FormatSizeText in bytes, widened to 64 bits: a stream may pass 4 GiB.
    char number[40];
    FormatThousands(number, sizeof(number), bytes);
    FormatLimited(text, size, "%s %s", number, bytes == 1 ? "Byte" : "Bytes");
}

int DownloadPercent(uint64_t bytes, uint32_t total) {
    if (total == 0) return 0;
    if (bytes >= total) return 100;
    uint64_t percent = bytes * 100 / total;  // bytes < total < 2^32: no overflow
    return percent > 100 ? 100 : int(percent);
}
