// A database file with a few downloads and a bookmark, for end-to-end tests and screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "util/textcopy.h"

namespace sample {

struct Download {
    const char* name;
    const char* description;
    uint32_t size;
    const char* website;
    uint32_t flags;
};

const Download kDownloads[] = {
    {"alpha.zip", "First archive", 2048, "http://example.com/alpha", TV_FILE_EXISTS},
    {"beta.exe", "Setup program", 3072, "http://example.org/b", TV_FILE_EXISTS},
    {"gamma.zip", "Another zip", 1048576, "http://example.net/g", TV_FILE_EXISTS},
};

// Writes folder\tv.cfg: default settings and categories, the downloads in the downloads root, one
// bookmark in the bookmarks root, and the download columns in their own order and widths (Size
// first at 120 px, then Filename at 90 px). With extra, a few more downloads (for pictures).
// A download marked as existing gets its stored file (of its size) in the storage folder, so that
// the program's start-up finds nothing lost.
inline bool WriteSampleDatabase(const std::string& folder, bool extra = false) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(0);
    std::vector<Download> downloads(std::begin(kDownloads), std::end(kDownloads));
    if (extra) {
        downloads.push_back({"delta-setup.exe", "Installer of the delta tools", 734003, "http://example.com/delta", 0});
        downloads.push_back({"epsilon.zip", "Fonts collection", 91234, "http://example.com/eps",
                             TV_FILE_EXISTS | TV_FILE_MARKED});
        downloads.push_back({"zeta.txt", "Read me first", 812, "http://example.com/zeta", TV_FILE_EXISTS | TV_FILE_FOUND});
    }
    for (const Download& download : downloads) {
        FileItem item;
        d.downloads.InitItem(&item);
        TextAssign(&item.fileName, download.name);
        TextAssign(&item.storedName, download.name);
        TextAssign(&item.description, download.description);
        TextAssign(&item.website, download.website);
        item.sizeLow = download.size;
        item.flags = download.flags;
        item.categoryId = 0;
        const bool added = d.downloads.Add(&item, 0) != nullptr;
        bool stored = true;
        if (added && (download.flags & TV_FILE_EXISTS)) {
            CreateMissingStorageFolders(&d, 1);
            char path[TV_PATH_SIZE] = {};
            const StorageLocations locations{d.standards.downloadsLocation, d.standards.shortcutsLocation};
            const ListNode* root = d.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
            stored = root && d.downloads.FilePath(path, sizeof(path), &item, &d.categories, locations, root) ==
                                 TV_FOLDER_OK;
            if (stored) {
                const std::string bytes(download.size, 'x');
                HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD written = 0;
                stored = file != INVALID_HANDLE_VALUE &&
                         WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                         written == bytes.size();
                if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            }
        }
        d.downloads.FreeItemData(&item);
        if (!added || !stored) return false;
    }
    BookmarkItem bookmark;
    d.bookmarks.InitItem(&bookmark);
    TextAssign(&bookmark.title, "Example site");
    TextAssign(&bookmark.url, "http://example.com/");
    TextAssign(&bookmark.description, "Line one\r\nline two");
    bookmark.categoryId = 0;
    const bool bookmarkAdded = d.bookmarks.Add(&bookmark, 0) != nullptr;
    d.bookmarks.FreeItemData(&bookmark);
    if (!bookmarkAdded) return false;
    ListColumnSettings& columns = d.downloadColumns;
    columns.entries[0] = {2, 0, 120, nullptr};
    columns.entries[1] = {0, 1, 90, nullptr};
    columns.entries[2] = {1, 2, 150, nullptr};
    return SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str());
}

}  // namespace sample
