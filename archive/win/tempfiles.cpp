// Temporary files and folders of the program and their removal.
#include "archive/win/tempfiles.h"

#include <cstring>

#include "util/text.h"
#include "util/win_files.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

bool TempPath(char* out, size_t size) {
    const DWORD n = GetTempPathA(DWORD(size), out);
    if (n == 0 || n >= size) return false;
    if (out[n - 1] != '\\' && AppendLimited(out, "\\", size)) return false;
    return true;
}

// Creates folder (no trailing backslash) when nothing of that name exists: true when created.
bool CreateNew(const char* folder) { return CreateDirectoryA(folder, nullptr) != 0; }

}  // namespace

namespace {

// Removes one entry's file or folder; true when it is gone (or was never there).
bool RemoveEntry(const TempFileEntry* entry) {
    char path[TV_PATH_SIZE];
    CopyLimited(path, entry->path ? entry->path : "", sizeof path);
    if (!path[0]) return true;
    if (entry->kind == TV_TEMP_FOLDER) {
        size_t n = std::strlen(path);
        while (n > 3 && (path[n - 1] == '\\' || path[n - 1] == '/')) path[--n] = '\0';
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // The list comes from the database file, which may be damaged or foreign: nothing outside the
    // temporary folder is ever removed (the entry is done with all the same).
    if (!PathIsInTemporaryFolder(path)) return true;
    if (entry->kind == TV_TEMP_FOLDER) return (attributes & FILE_ATTRIBUTE_DIRECTORY) && RemoveDirectoryA(path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;  // a folder where the file was: not ours
    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
    return DeleteFileA(path) != 0;
}

bool Selected(const TempFileEntry* entry, uint32_t kindMask) {
    if (!entry) return false;
    return (kindMask & (entry->kind == TV_TEMP_FOLDER ? TV_CLEAN_FOLDERS : TV_CLEAN_FILES)) != 0;
}

}  // namespace

uint32_t CleanTempFileList(TTempFileListObject* list, uint32_t kindMask, bool remove) {
    if (!list) return 0;
    uint32_t left = 0;
    if (!remove) {
        for (const ListNode* node = list->First(); node; node = node->next) {
            const TempFileEntry* entry = TTempFileListObject::Item(node);
            if (Selected(entry, kindMask) && !RemoveEntry(entry)) ++left;
        }
        return left;
    }
    // Removing one entry can make another removable (a folder is emptied), so the walk is repeated
    // until a pass removes nothing more; what failed stays listed.
    bool progress = true;
    while (progress) {
        progress = false;
        left = 0;
        ListNode* node = list->First();
        while (node) {
            ListNode* next = node->next;
            const TempFileEntry* entry = TTempFileListObject::Item(node);
            if (Selected(entry, kindMask)) {
                if (RemoveEntry(entry)) {
                    list->DeleteNode(node);
                    progress = true;
                } else {
                    ++left;
                }
            }
            node = next;
        }
    }
    return left;
}

void AddTempFileEntry(TTempFileListObject* list, const char* path, uint32_t kind) {
    if (!list || !path || !*path) return;
    TempFileEntry entry;
    entry.path = const_cast<char*>(path);
    entry.kind = kind;
    list->Add(&entry, 1);
}

bool MakePrivateTempFolder(char* out, size_t size) {
    char temp[TV_PATH_SIZE];
    if (!out || size == 0 || !TempPath(temp, sizeof temp)) return false;
    // A start that differs between runs and processes, then the next free number.
    uint32_t number = (GetTickCount() ^ (GetCurrentProcessId() << 16)) & 0xFFFFFF;
    for (int attempt = 0; attempt < 1000; ++attempt, ++number) {
        char folder[TV_PATH_SIZE];
        if (FormatLimited(folder, sizeof folder, "%stv%06X", temp, unsigned(number & 0xFFFFFF))) return false;
        if (CreateNew(folder)) {
            if (CopyLimited(out, folder, size) || AppendLimited(out, "\\", size)) {
                RemoveDirectoryA(folder);
                out[0] = '\0';
                return false;
            }
            return true;
        }
    }
    return false;
}

bool MakeFreshTempFolder(const char* base, char* out, size_t size) {
    char temp[TV_PATH_SIZE];
    if (!out || size == 0 || !base || !*base || !TempPath(temp, sizeof temp)) return false;
    for (int i = 1; i < 1000; ++i) {
        char folder[TV_PATH_SIZE];
        const int truncated = i == 1 ? FormatLimited(folder, sizeof folder, "%s%s", temp, base)
                                     : FormatLimited(folder, sizeof folder, "%s%s%d", temp, base, i);
        if (truncated) return false;
        if (CreateNew(folder)) {
            if (CopyLimited(out, folder, size) || AppendLimited(out, "\\", size)) {
                RemoveDirectoryA(folder);
                out[0] = '\0';
                return false;
            }
            return true;
        }
    }
    return false;
}
