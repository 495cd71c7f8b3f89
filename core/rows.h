// Row texts and sort comparisons of the three item list views. Dates, sizes and the word order of
// texts depend on the user's locale, so the Windows layer hands in the formatting and comparison;
// everything else is decided here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/items.h"

// Data columns of the list views (the "field" of the column settings).
enum {
    TV_DOWNLOAD_FILENAME = 0,
    TV_DOWNLOAD_DESCRIPTION = 1,
    TV_DOWNLOAD_SIZE = 2,
    TV_DOWNLOAD_DOWNLOAD_DATE = 3,
    TV_DOWNLOAD_WEBSITE = 4,
    TV_DOWNLOAD_UNPACK_DATE = 5,
    TV_DOWNLOAD_EXTRACTED_TO = 6,
    TV_DOWNLOAD_COLUMNS = 7
};
enum { TV_BOOKMARK_TITLE = 0, TV_BOOKMARK_URL = 1, TV_BOOKMARK_DESCRIPTION = 2, TV_BOOKMARK_COLUMNS = 3 };
enum { TV_SHORTCUT_NAME = 0, TV_SHORTCUT_COLUMNS = 1 };

// Longest text a list-view cell shows from a record's text.
constexpr size_t TV_CELL_CHARS = 260;

// Writes a non-zero UTC file time as local short date, three blanks and the time without seconds.
typedef void (*TvDateTextFn)(char* out, size_t size, TvFileTime time, void* context);
// Writes a size in bytes as kilobytes ("1,234 k").
typedef void (*TvSizeTextFn)(char* out, size_t size, uint32_t bytes, void* context);
// Word-order comparison of two texts: negative, 0 or positive.
typedef int (*TvTextCompareFn)(const char* a, const char* b, void* context);

struct TvRowFormat {
    TvDateTextFn date;  // required for the date columns
    TvSizeTextFn size;  // required for the size column
    void* context;
};

// Plain byte-wise comparison (-1, 0, 1); the default when no comparison is given.
int TvByteCompare(const char* a, const char* b, void* context);

// State icon of a download row: 1 = stored file missing, 3 = found in the storage location,
// 2 = marked, 0 = the stored file's own shell icon.
int DownloadStateIcon(const FileItem* item);

// Text of one cell into out[size] (empty for an unknown column or a missing record).
void DownloadColumnText(char* out, size_t size, const FileItem* item, int field, const TvRowFormat& format);
void BookmarkColumnText(char* out, size_t size, const BookmarkItem* item, int field);
void ShortcutColumnText(char* out, size_t size, const ShortcutItem* item, int field);

// The text of a text column of a record (null for the size and date columns, an unknown column or
// a missing record): what the text comparison of a sort compares.
const char* DownloadFieldText(const FileItem* item, int field);
const char* BookmarkFieldText(const BookmarkItem* item, int field);
const char* ShortcutFieldText(const ShortcutItem* item, int field);

// Ascending comparisons of two records by a data column: negative, 0 or positive (-1, 0, 1), a
// consistent order for sorting (equal sizes, dates and texts compare equal). compare null =
// TvByteCompare.
int CompareDownloadRecords(const FileItem* a, const FileItem* b, int field, TvTextCompareFn compare = nullptr,
                           void* context = nullptr);
int CompareBookmarkRecords(const BookmarkItem* a, const BookmarkItem* b, int field, TvTextCompareFn compare = nullptr,
                           void* context = nullptr);
int CompareShortcutRecords(const ShortcutItem* a, const ShortcutItem* b, int field, TvTextCompareFn compare = nullptr,
                           void* context = nullptr);

// Sort comparisons of two rows by a column: negative, 0 or positive, negated when descending.
// Nodes that are no longer valid members of the list, and missing texts, compare equal.
// compare null = TvByteCompare.
int CompareDownloadRows(const TFileListObject* list, const ListNode* a, const ListNode* b, int field, int descending,
                        TvTextCompareFn compare = nullptr, void* context = nullptr);
int CompareBookmarkRows(const TBookmarkListObject* list, const ListNode* a, const ListNode* b, int field,
                        int descending, TvTextCompareFn compare = nullptr, void* context = nullptr);
int CompareShortcutRows(const TShortcutListObject* list, const ListNode* a, const ListNode* b, int field,
                        int descending, TvTextCompareFn compare = nullptr, void* context = nullptr);
