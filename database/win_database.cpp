#include "database/win_database.h"

#include "database/body.h"
#include "database/win_integration.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_stream.h"

namespace {

bool FileIsThere(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Keeps a copy of path beside it as path + suffix (+ 2..9 when taken). An existing copy is never
// overwritten. True when the copy was made.
bool KeepCopy(const char* path, const char* suffix) {
    for (int n = 1; n <= 9; ++n) {
        char copy[TV_PATH_SIZE];
        const int cut = n == 1 ? FormatLimited(copy, sizeof copy, "%s%s", path, suffix)
                               : FormatLimited(copy, sizeof copy, "%s%s%d", path, suffix, n);
        if (cut) return false;
        if (FileIsThere(copy)) continue;
        return CopyFileA(path, copy, TRUE) != 0;
    }
    return false;
}

bool ResolvePath(TProgramData* data, const char* path, char* out, size_t size) {
    if (!data->programFolder[0]) {
        char folder[TV_PATH_SIZE];
        if (ProgramFolder(folder, sizeof folder, 0)) data->SetProgramFolder(folder);
    }
    if (path) return CopyLimited(out, path, size) == 0 && out[0];
    return DatabasePath(out, size, data->programFolder) == 1;
}

void CreateLocation(const char* location) {
    if (!location[0]) return;
    if (!FolderExists(location)) CreateDirectoryPath(location);
}

}  // namespace

int DatabasePath(char* out, size_t size, const char* folder) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!folder || !folder[0]) return 0;
    if (CopyLimited(out, folder, size) || EnsureTrailingBackslash(out, size) < 0 ||
        AppendLimited(out, TV_DB_FILE_NAME, size)) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

namespace {

// What follows every load, complete or not: the three roots, items linked to their categories,
// the stored placement and the storage folders.
void FinishLoad(TProgramData* data, HWND frame) {
    data->categories.EnsureDefaultCategories(0);
    LinkItemsToCategories(&data->categories, &data->downloads, &data->bookmarks, &data->shortcuts);
    if (frame) ApplyMainWindowPlacement(frame, &data->placement);
    CreateMissingStorageFolders(data, 3);
}

bool LoadDatabaseFile(TProgramData* data, HWND frame, const char* path) {
    char file[TV_PATH_SIZE] = {};
    const bool havePath = ResolvePath(data, path, file, sizeof file);
    data->ResetForLoad();

    bool useDefaults = true;
    if (havePath && FileIsThere(file)) {
        TWin32FileStream in;
        if (in.Open(file, GENERIC_READ, 0, OPEN_EXISTING)) {
            const int32_t version = ReadDatabaseHeader(&in);
            bool damaged = false;
            if (version >= int32_t(TV_DB_VERSION_MINIMUM)) {
                const bool complete = ReadDatabaseBody(&in, uint32_t(version), 0, data);
                damaged = !complete || in.Position() != in.Size();
                data->bodyDamaged = damaged;
                useDefaults = false;
            } else {
                // Not a database we can read: it is replaced at the next save, so keep what the
                // user had unless the file is empty.
                damaged = in.Size() > 0;
            }
            in.Close();
            if (damaged) KeepCopy(file, TV_DB_DAMAGED_SUFFIX);
        } else {
            data->existingFileUnread = true;
        }
    }

    if (useDefaults) {
        IntegrationSettings detected;
        DetectIntegrationDefaults(&detected);
        data->SetDefaultSettings(&detected);
        data->categories.EnsureDefaultCategories(1);
        data->startedFromDefaults = true;
    }

    FinishLoad(data, frame);
    return data->startedFromDefaults;
}

bool SaveDatabaseFile(TProgramData* data, HWND frame, const char* file, const char* temp) {
    if (frame) CaptureMainWindowPlacement(frame, &data->placement);
    if (data->hooks.captureViewState) data->hooks.captureViewState(data, data->hooks.captureViewStateContext);

    // Write the new file completely beside the old one first.
    SetFileAttributesA(temp, FILE_ATTRIBUTE_ARCHIVE);
    bool written = false;
    {
        TWin32FileStream out;
        if (out.Open(temp, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) {
            written = WriteDatabaseBody(&out, 0, data);
            written = out.Flush() && written;
            out.Close();
        }
    }
    bool saved = false;
    if (written) {
        if (FileIsThere(file)) {
            if (data->existingFileUnread) KeepCopy(file, TV_DB_UNREAD_SUFFIX);
            SetFileAttributesA(file, FILE_ATTRIBUTE_ARCHIVE);
        }
        saved = MoveFileExA(temp, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!saved) {
        DeleteFileA(temp);
    } else {
        data->existingFileUnread = false;
    }
    CreateMissingStorageFolders(data, 3);
    return saved;
}

}  // namespace

// Both run inside window procedures: nothing may escape them (out of memory while copying
// texts is the only exception the code below can meet).
bool LoadDatabase(TProgramData* data, HWND frame, const char* path) {
    if (!data) return false;
    try {
        return LoadDatabaseFile(data, frame, path);
    } catch (...) {
        // Out of memory part-way: what was read stays, and the file as it was is kept beside it
        // (the next save writes only what was read). The rest of the set-up still runs, so that
        // the program starts usable.
        data->bodyDamaged = true;
        try {
            char file[TV_PATH_SIZE] = {};
            // Without memory the copy may fail too: then the next save keeps the file first.
            if (ResolvePath(data, path, file, sizeof file) && FileIsThere(file) && !KeepCopy(file, TV_DB_DAMAGED_SUFFIX))
                data->existingFileUnread = true;
            FinishLoad(data, frame);
        } catch (...) {
        }
        return data->startedFromDefaults;
    }
}

bool SaveDatabase(TProgramData* data, HWND frame, const char* path) {
    if (!data) return false;
    char file[TV_PATH_SIZE] = {};
    if (!ResolvePath(data, path, file, sizeof file)) return false;
    char temp[TV_PATH_SIZE];
    if (FormatLimited(temp, sizeof temp, "%s%s", file, TV_DB_TEMP_SUFFIX)) return false;
    try {
        return SaveDatabaseFile(data, frame, file, temp);
    } catch (...) {
        DeleteFileA(temp);
        return false;
    }
}

void CaptureMainWindowPlacement(HWND window, MainWindowPlacement* placement) {
    if (!window || !placement) return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(window, &wp)) return;
    const bool maximised = wp.showCmd == SW_SHOWMAXIMIZED || IsZoomed(window);
    CaptureWindowPlacement(placement, wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                           wp.rcNormalPosition.bottom, maximised, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN));
}

bool ApplyMainWindowPlacement(HWND window, MainWindowPlacement* placement) {
    if (!window || !placement) return false;
    int32_t left, top, width, height;
    const bool move = ComputeWindowPlacement(placement, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                             &left, &top, &width, &height);
    if (move) {
        MoveWindow(window, left, top, width, height, TRUE);
        return false;
    }
    // Maximised: remember the normal rectangle for restoring; the caller shows it maximised.
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (GetWindowPlacement(window, &wp)) {
        wp.rcNormalPosition.left = left;
        wp.rcNormalPosition.top = top;
        wp.rcNormalPosition.right = left + width;
        wp.rcNormalPosition.bottom = top + height;
        wp.showCmd = IsWindowVisible(window) ? SW_SHOWMAXIMIZED : SW_HIDE;
        wp.flags = 0;
        SetWindowPlacement(window, &wp);
    }
    return true;
}

void CreateMissingStorageFolders(TProgramData* data, int kindMask) {
    if (!data) return;
    if (kindMask & 1) CreateLocation(data->standards.downloadsLocation);
    if (kindMask & 3) CreateLocation(data->standards.shortcutsLocation);
    const StorageLocations locations = {data->standards.downloadsLocation, data->standards.shortcutsLocation};
    for (const ListNode* node = data->categories.First(); node; node = node->next) {
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (!c || !c->name || !(c->kind & kindMask)) continue;
        char folder[TV_PATH_SIZE];
        if (data->categories.CategoryFolder(folder, sizeof folder, node, locations) != TV_FOLDER_OK) continue;
        RemoveTrailingBackslash(folder);
        if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder, nullptr);
    }
}
