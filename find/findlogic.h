// The find command without windows: the request check of the find page, the search over the
// downloads' or bookmarks' own fields, the list of results and the texts and order of the result
// tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "database/findsettings.h"

// String ids of the find command.
enum : uint32_t {
    TV_IDS_FIND_NOTHING_FOUND = 3300,   // "No items found corresponding your search criteria."
    TV_IDS_FIND_INCOMPLETE = 3302,      // "Please ensure that you entered all necessary information ..."
    TV_IDS_FIND_SHEET_CAPTION = 3223,   // "Search"
    TV_IDS_FIND_RESULTS_CAPTION = 3602, // "Search Results - Tolvane Plus"
    TV_IDS_FIND_STATUS_TERM = 3800,     // "Searchterm"
    TV_IDS_FIND_STATUS_CASE = 3801,     // "Case-sensitivity"
    TV_IDS_FIND_STATUS_WORDS = 3802,    // "Only words"
    TV_IDS_FIND_FILE_HEADINGS = 3950,   // 3950-3957: download columns
    TV_IDS_FIND_BOOKMARK_HEADINGS = 3960, // 3960-3963: bookmark columns
    TV_IDS_FIND_YES = 5400,             // ": yes"
    TV_IDS_FIND_NO = 5401,              // ": no"
    TV_IDS_FIND_NOT_AVAILABLE = 5402,   // "n/a"
};

// Kinds of a result.
enum { TV_FIND_DOWNLOAD = 1, TV_FIND_BOOKMARK = 2 };

// One hit of the find: the kind and the node of the item in its list (not owned).
struct TFindResult {
    int kind;
    ListNode* node;
};

// The results of the last find, owned by the main window. The results window and the main window
// hand results around by address; IndexOf tells whether an address is one of this list's.
class TFindResultList {
public:
    void Clear() { results_.clear(); }
    void Add(int kind, ListNode* node) { results_.push_back(TFindResult{kind, node}); }
    size_t Size() const { return results_.size(); }
    bool Empty() const { return results_.empty(); }
    const TFindResult* At(size_t i) const { return i < results_.size() ? &results_[i] : nullptr; }
    // The index of the result at this address, or -1 for any other pointer (never dereferenced).
    ptrdiff_t IndexOf(const void* result) const;

private:
    std::vector<TFindResult> results_;
};

// The lists the results point into.
struct TFindLists {
    const TFileListObject* downloads = nullptr;
    const TBookmarkListObject* bookmarks = nullptr;
    const TCategoryListObject* categories = nullptr;
};

// The item of a result while it is still a valid record of its list (a deleted item's node is gone:
// membership is checked before the node is read); null otherwise.
const FileItem* FoundDownload(const TFindResult& result, const TFindLists& lists);
const BookmarkItem* FoundBookmark(const TFindResult& result, const TFindLists& lists);

// --- The find page.
// Leaving the page: both texts are trimmed (in place). With the archive search chosen (the File
// area and the archive option) the filter must not be empty, otherwise the contents text must not
// be empty. Returns 0 when the request is complete, else the message TV_IDS_FIND_INCOMPLETE.
uint32_t CheckFindRequest(char* contents, char* filter, bool fileArea, bool archiveSearch);
// The find runs the archive search when the File area and the archive option are both chosen.
bool IsArchiveSearch(const TFindFileSettingsData& settings);

// --- The search over the items' own fields.
// Downloads (area 1): every valid download in list order whose file name, description,
// extracted-to folder or website holds the contents text. Bookmarks (otherwise): every valid
// bookmark whose URL, title or description holds it. The case-sensitive and whole-word options
// apply. Hits are appended to results.
void FindItems(const TFindFileSettingsData& settings, const TFindLists& lists, TFindResultList* results);

// --- The result tables.
enum {
    TV_FIND_FILE_COLUMNS = 8,      // Filename, Category, Description, Size, Download Date, Website,
                                   // Unpack Date, Extracted To
    TV_FIND_BOOKMARK_COLUMNS = 4,  // Title, Category, URL, Description
};
enum { TV_FIND_COLUMN_FILE_SIZE = 3, TV_FIND_COLUMN_DOWNLOADED = 4, TV_FIND_COLUMN_UNPACKED = 6 };
int FindResultColumns(int kind);
// Widths and alignment of the columns.
int FindResultColumnWidth(int kind, int column);
bool FindResultColumnRight(int kind, int column);
// Whether a column shows a date (the Windows layer writes dates in the user's locale).
bool FindResultColumnIsDate(int kind, int column);
// The text of a cell (empty for a result whose item is gone and for date columns). The size shows
// in kilobytes, or "n/a" when the stored file is not there (bit 0 of the flags clear).
void FormatFindResultCell(const TFindResult& result, const TFindLists& lists, int column, char* out, size_t size);
// The date of a date cell (zero when none or gone).
TvFileTime FindResultDate(const TFindResult& result, const TFindLists& lists, int column);

// Turns a cell text into a key whose byte order is the column's order (the Windows layer gives the
// locale's sort keys; null sorts by plain bytes).
typedef std::string (*TFindSortKeyFn)(const char* text, void* context);
// Sorts the rows (indexes into results) by a column, ascending or descending; rows with equal keys
// keep their order. Sizes sort by their byte count, dates by time, the others by text.
void SortFindResults(std::vector<uint32_t>* rows, const TFindResultList& results, const TFindLists& lists, int kind,
                     int column, bool descending, TFindSortKeyFn keyFn, void* keyContext);

// --- The status bar: "Searchterm: <text>", "Case-sensitivity: yes"/": no", "Only words: ..."
void FormatFindStatus(int part, const TFindFileSettingsData& settings, char* out, size_t size);

// --- Previous and next: the row a step away from the selected one (-1 when there is none).
int NeighbourRow(int selected, int rows, int step);
