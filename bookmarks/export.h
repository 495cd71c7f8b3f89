// Bookmark export: the bookmark tree (or the bookmarks selected in the main window) written as an
// HTML page, comma-delimited text, plain text, a Netscape bookmark file, a Favorites folder of
// ".url" files or an Opera hotlist. Platform-free: files go to a byte stream, the Favorites
// folder through TFavoritesSink.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "bookmarks/exchange_text.h"
#include "core/items.h"
#include "database/settings.h"
#include "util/stream.h"

// Formats of BookmarkExportSettings.
enum {
    TV_EXPORT_HTML = 0,
    TV_EXPORT_COMMA = 1,
    TV_EXPORT_TEXT = 2,
    TV_EXPORT_NETSCAPE = 3,
    TV_EXPORT_FAVORITES = 4,
    TV_EXPORT_OPERA = 5
};

// String ids of the exported texts.
enum : uint32_t {
    TV_IDS_BMHTML_HEAD = 571,           // 571..580: the HTML page's templates
    TV_IDS_BMHTML_CATEGORY_OPEN = 572,
    TV_IDS_BMHTML_CATEGORY_NAMED = 573,
    TV_IDS_BMHTML_ITEM_OPEN = 574,
    TV_IDS_BMHTML_ITEM_DESCRIPTION = 575,
    TV_IDS_BMHTML_ITEM_CLOSE = 576,
    TV_IDS_BMHTML_ITEM_BREAK = 577,
    TV_IDS_BMHTML_CATEGORY_CLOSE = 578,
    TV_IDS_BMHTML_CATEGORY_BREAK = 579,
    TV_IDS_BMHTML_FOOT = 580,
    TV_IDS_BMTEXT_BANNER = 4500,
    TV_IDS_UNTITLED_BOOKMARK = 5600,
};

// Which items go out, shared with the file database export: all of them, or those in the set.
struct TExportSelection {
    const std::unordered_set<const ListNode*>* selected = nullptr;  // null: every item
    bool Includes(const ListNode* node) const { return !selected || selected->count(node) > 0; }
};

// The URL as it is written: with expansion on, completed like an address typed by hand (drive
// paths left alone); never cut.
std::string ExportedUrl(const char* url, int expand);

// The Favorites folder as the export writes it.
class TFavoritesSink {
public:
    virtual ~TFavoritesSink() = default;
    // Creates the folder (a path ending in "\") and every missing folder above it.
    virtual bool CreateFolder(const std::string& folder) = 0;
    // Writes the URL into the shortcut file (made when missing; other entries of an existing file stay).
    virtual bool WriteShortcut(const std::string& path, const std::string& url) = 0;
};

struct TBookmarkExportJob {
    const BookmarkExportSettings* settings = nullptr;
    const TBookmarkListObject* bookmarks = nullptr;
    const TCategoryListObject* categories = nullptr;
    TExportSelection selection;  // only consulted with settings->onlySelected
    int64_t timeStamp = 0;       // seconds since 1 January 1970 (UTC): ADD_DATE and CREATED
    const TAnsiCodec* codec = nullptr;  // null: DefaultAnsiCodec()
};

// Writes format 0, 1, 2, 3 or 5 (the settings' format unless format >= 0) to file. False when
// the stream failed or the format is the Favorites folder.
bool WriteBookmarkExport(TByteStream* file, const TBookmarkExportJob& job, int format = -1);

// What the Favorites export did.
struct TFavoritesExportCounts {
    uint32_t written = 0;
    uint32_t failed = 0;  // files or folders that could not be written (not reported to the user)
};
// Writes the bookmark tree into folder: one ".url" file per exported bookmark, named after its
// title (cleaned to a valid file name, made unique within its folder), one folder per category.
TFavoritesExportCounts ExportFavorites(TFavoritesSink* sink, const std::string& folder, const TBookmarkExportJob& job);
