// Writing an interchange file: the lists built for the file from the program's own lists, and the
// file itself (header, record part, stored-file blocks). Platform-free; the files on disk and the
// user interface come through TInterchangeHost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/items.h"
#include "database/programdata.h"
#include "interchange/host.h"
#include "util/stream.h"

// What goes into the file: the kind, and for an excerpt which kinds and from which categories.
struct TInterchangeChoice {
    uint8_t kind = 0;  // TV_INTERCHANGE_EXCERPT or TV_INTERCHANGE_BACKUP
    bool downloads = false;  // excerpt only: downloads are included
    bool bookmarks = false;  // excerpt only: bookmarks are included
    int32_t downloadCategoryId = -1;  // excerpt: the chosen download category
    int32_t bookmarkCategoryId = -1;  // excerpt: the chosen bookmark category

    // From the wizard's settings record.
    static TInterchangeChoice FromSettings(const InterchangeFileSettings& settings);
    bool HasDownloads() const { return kind == 1 || downloads; }
    bool HasBookmarks() const { return kind == 1 || bookmarks; }
    bool HasShortcuts() const { return kind == 1; }
};

// The four lists built for the file, and where each stored file comes from.
struct TInterchangeContent {
    TInterchangeChoice choice;
    TCategoryListObject categories;
    TFileListObject downloads;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    // The stored file of each record of downloads / shortcuts, in list order ("" when no path
    // could be built for it: it gets an empty block).
    std::vector<std::string> downloadSources;
    std::vector<std::string> shortcutSources;
    // File names of downloads left out because their stored file is too large for a block.
    std::vector<std::string> tooLarge;
};

enum TInterchangeBuildResult {
    TV_BUILD_OK = 0,
    TV_BUILD_NO_CATEGORY  // a chosen category does not exist (any more)
};

// Builds the lists for the file: the three roots, then for each kind that goes in, the items and
// subcategories below the chosen category (backup: the root) copied under the new root of the
// kind, in the traversal order, each download with a stored name unique in its new category.
// Downloads whose stored file is larger than a block can hold are left out (named in tooLarge).
// host->Progress is called after each kind (done counts up from *done).
TInterchangeBuildResult BuildInterchangeContent(const TProgramData& data, const TInterchangeChoice& choice,
                                                TInterchangeHost* host, TInterchangeContent* content,
                                                uint32_t* done = nullptr, uint32_t total = 0);

// The number of progress steps of a creation: 2, plus the downloads + 1, plus 1 for bookmarks,
// plus the shortcuts + 1 (each only when that kind goes in).
uint32_t InterchangeCreationSteps(const TInterchangeContent& content);

struct TInterchangeWriteReport {
    bool cancelled = false;
    bool writeFailed = false;  // the interchange file refused bytes (disk full, removed medium)
    std::vector<std::string> changed;     // stored files that changed size while they were copied
    std::vector<std::string> unreadable;  // stored files that could not be opened (empty blocks)
};

// Writes header, record part and blocks to out (a new, empty file). A backup's record part is the
// database body of data without window sections, with the lists of content, and with an empty
// list of temporary files (those belong to the running program, not to a backup). host->Cancelled
// is asked before every stored file; host->Progress after the record part and after each file.
// Returns true when everything was written and nothing was cancelled.
bool WriteInterchangeContent(TByteStream* out, TProgramData* data, const TInterchangeContent& content,
                             TInterchangeHost* host, TInterchangeWriteReport* report, uint32_t* done = nullptr,
                             uint32_t total = 0);
