// Copying and moving stored files. The destination is replaced only once the new data is complete,
// and a file is never copied onto itself.
#include "intake/win_filecopy.h"

#include <windows.h>

#include <cstring>

#include "util/cmdline.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/safestr.h"

namespace {

bool PreparePath(char* out, size_t size, const char* path) {
    CopyLimited(out, path, size);
    CanonicalLongPath(out, size);
    QuoteText(out, size, TV_QUOTE_REMOVE);
    TrimSpaces(out, TV_TRIM_BOTH);
    return out[0] != 0;
}

// 1 when both handles are the same file (same volume and file index).
bool SameFileByHandle(const char* a, const char* b) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE ha = CreateFileA(a, 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (ha == INVALID_HANDLE_VALUE) return false;
    HANDLE hb = CreateFileA(b, 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool same = false;
    if (hb != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION ia, ib;
        if (GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib))
            same = ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
                   ia.nFileIndexLow == ib.nFileIndexLow;
        CloseHandle(hb);
    }
    CloseHandle(ha);
    return same;
}

bool ReplaceWith(const char* from, const char* to, int replace) {
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (MoveFileExA(from, to, flags)) return true;
    if (!replace) return false;
    // A read-only destination gives way only after losing that attribute.
    const DWORD attributes = GetFileAttributesA(to);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    SetFileAttributesA(to, FILE_ATTRIBUTE_ARCHIVE);
    if (MoveFileExA(from, to, flags)) return true;
    SetFileAttributesA(to, attributes);
    return false;
}

}  // namespace

int CopyOrMoveFile(const char* source, const char* destination, int move, int replace) {
    if (!source || !destination || !source[0] || !destination[0]) return 1;
    char src[TV_PATH_SIZE];
    char dst[TV_PATH_SIZE];
    if (!PreparePath(src, sizeof src, source) || !PreparePath(dst, sizeof dst, destination)) return 1;

    // The source first: nothing is touched unless it can be read.
    HANDLE in = CreateFileA(src, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) return 1;
    FILETIME created = {}, accessed = {}, written = {};
    const BOOL haveTimes = GetFileTime(in, &created, &accessed, &written);
    CloseHandle(in);
    if (!haveTimes) return 1;

    if (ComparePaths(src, dst, 1, 1) || SameFileByHandle(src, dst)) return 0;

    const DWORD existing = GetFileAttributesA(dst);
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    if (existing != INVALID_FILE_ATTRIBUTES && !replace) return 1;

    if (move && src[0] == dst[0]) {
        if (!ReplaceWith(src, dst, replace)) return 1;
    } else {
        // Copy beside the destination under a name the storage scan skips (leading "."), then let
        // the complete copy take the destination's place.
        char folder[TV_PATH_SIZE];
        SplitPath(dst, folder, sizeof folder, nullptr, 0);
        if (!folder[0]) CopyLimited(folder, ".", sizeof folder);
        char temp[MAX_PATH];
        if (!GetTempFileNameA(folder, ".tv", 0, temp)) return 1;
        if (!CopyFileA(src, temp, FALSE) || !ReplaceWith(temp, dst, replace)) {
            SetFileAttributesA(temp, FILE_ATTRIBUTE_ARCHIVE);
            DeleteFileA(temp);
            return 1;
        }
        if (move) {
            SetFileAttributesA(src, FILE_ATTRIBUTE_ARCHIVE);
            DeleteFileA(src);
        }
    }

    SetFileAttributesA(dst, FILE_ATTRIBUTE_ARCHIVE);
    HANDLE out = CreateFileA(dst, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 1;
    const BOOL timesSet = SetFileTime(out, &created, &accessed, &written);
    CloseHandle(out);
    return timesSet ? 0 : 1;
}
