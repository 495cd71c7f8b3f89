// Bookmark import: the Netscape bookmark file, the Favorites folder of ".url" files and the Opera
// hotlist read into the bookmark tree. Browser folders become bookmark categories under the
// bookmark root; the import adds, and deletes only under the "overwrite" duplicate rule.
// Platform-free: files and folders are reached through TBookmarkFileSystem.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/exchange_text.h"
#include "core/items.h"
#include "database/settings.h"
#include "util/stream.h"

// Duplicate rules of BookmarkImportSettings.
enum { TV_DUPLICATE_KEEP = 0, TV_DUPLICATE_OVERWRITE = 1, TV_DUPLICATE_ADD = 2 };
// Formats of BookmarkImportSettings.
enum { TV_IMPORT_NETSCAPE = 0, TV_IMPORT_FAVORITES = 1, TV_IMPORT_OPERA = 2 };

// What one import did.
struct TBookmarkImportCounts {
    uint32_t bookmarksAdded = 0;
    uint32_t bookmarksReplaced = 0;  // deleted under the overwrite rule (a new one was added for each)
    uint32_t duplicatesSkipped = 0;
    uint32_t categoriesAdded = 0;
};

// Adds bookmarks and folders to the lists with the duplicate rules. Keeps an index of the titles
// per category, so an import of N bookmarks takes time in proportion to N and the list size.
class TBookmarkImporter {
public:
    TBookmarkImporter(TBookmarkListObject* bookmarks, TCategoryListObject* categories, int duplicateRule);

    // The bookmark root (kind 2, id 0); made when the list has none.
    ListNode* Root();
    // The category for a browser folder named rawName under parent: the cleaned name found or
    // made there. Null when the cleaned name is no valid category name.
    ListNode* EnterFolder(ListNode* parent, const char* rawName);
    // A bookmark for the category, with the duplicate decision. Returns true when it was added.
    bool AddBookmark(ListNode* category, const std::string& title, const std::string& url,
                     const std::string& description);

    // Something was added (a bookmark or a category).
    bool Changed() const { return counts_.bookmarksAdded > 0 || counts_.categoriesAdded > 0; }
    const TBookmarkImportCounts& Counts() const { return counts_; }

private:
    // The bookmarks of one category with one title (trimmed, case folded), in list order: a chain
    // through entries_. Titles whose hashes collide share a chain; the titles tell them apart.
    struct Chain {
        uint32_t first;
        uint32_t last;
    };
    struct Entry {
        ListNode* node;  // null once deleted
        uint32_t next;   // index in entries_, kNoEntry at the end
    };
    static constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

    void BuildIndex();
    void Index(uint64_t key, ListNode* node);
    void BuildCategoryIndex();
    static std::string CategoryKey(int32_t parentId, const std::string& name);
    static uint64_t Key(int32_t categoryId, const char* title, size_t length);

    TBookmarkListObject* bookmarks_;
    TCategoryListObject* categories_;
    int rule_;
    bool indexed_ = false;
    std::unordered_map<uint64_t, Chain> chains_;
    std::vector<Entry> entries_;
    // Bookmark categories by (parent, trimmed folded name), and the largest id of the kind.
    bool categoriesIndexed_ = false;
    std::unordered_map<std::string, ListNode*> categoryByName_;
    int64_t largestCategoryId_ = 0;
    TBookmarkImportCounts counts_;
};

// The readers. Each returns false when the file lacks its marker ("<!DOCTYPE
// NETSCAPE-Bookmark-file-1>", "Opera Hotlist") and imports nothing then.
bool ReadNetscapeBookmarks(TByteStream* file, TBookmarkImporter* importer, const TAnsiCodec& codec);
bool ReadOperaHotlist(TByteStream* file, TBookmarkImporter* importer, const TAnsiCodec& codec);

// Files and folders as the import sees them.
struct TFolderEntry {
    std::string name;
    bool isFolder = false;
    bool hidden = false;   // hidden or system
    bool link = false;     // a reparse point (a link to another folder): never followed
};
class TBookmarkFileSystem {
public:
    virtual ~TBookmarkFileSystem() = default;
    // The file opened for reading (others may read it too); null with *error set on failure.
    virtual std::unique_ptr<TByteStream> OpenRead(const std::string& path, uint32_t* error) = 0;
    // The entries of the folder (a path ending in "\") in the order the file system gives them;
    // false when the folder cannot be read.
    virtual bool ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) = 0;
    // Shows the system's message for a file that could not be opened (only when not silent).
    virtual void ReportOpenError(const std::string& path, uint32_t error) = 0;
};

// The Favorites folder (and its sub-folders) into the importer's root: ".url" files with a URL
// become bookmarks titled by their file name; folders not starting with "." and neither hidden
// nor system become categories. Folders nest at most 64 deep.
void ReadFavoritesFolder(TBookmarkFileSystem* files, const std::string& folder, TBookmarkImporter* importer);

struct TBookmarkImportContext {
    int silent = 0;  // 1: report nothing
    const BookmarkImportSettings* settings = nullptr;
    TBookmarkListObject* bookmarks = nullptr;
    TCategoryListObject* categories = nullptr;
    TBookmarkFileSystem* files = nullptr;
    const TAnsiCodec* codec = nullptr;  // null: DefaultAnsiCodec()
};
// Runs the reader of the settings' format on its path. 1 when at least one bookmark or category
// was added, else 0 (also for an empty path). counts (optional) receives what was done.
int ImportBookmarks(const TBookmarkImportContext& context, TBookmarkImportCounts* counts = nullptr);
