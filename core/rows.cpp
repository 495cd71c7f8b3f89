#include "core/rows.h"

#include <cstring>

#include "util/text.h"

namespace {

void Clear(char* out, size_t size) {
    if (out && size) out[0] = '\0';
}

// The first TV_CELL_CHARS characters of text; with blankLineEnds CR and LF become blanks.
void CellText(char* out, size_t size, const char* text, bool blankLineEnds) {
    Clear(out, size);
    if (!out || size == 0 || !text) return;
    size_t n = 0;
    while (n < TV_CELL_CHARS && n + 1 < size && text[n]) {
        const char c = text[n];
        out[n] = blankLineEnds && (c == '\r' || c == '\n') ? ' ' : c;
        ++n;
    }
    out[n] = '\0';
}

void DateText(char* out, size_t size, const TvFileTime& time, const TvRowFormat& format) {
    Clear(out, size);
    if (!time.IsZero() && format.date) format.date(out, size, time, format.context);
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int Direction(int result, int descending) { return descending ? -result : result; }

int CompareTexts(const char* a, const char* b, TvTextCompareFn compare, void* context) {
    if (!a || !b) return 0;
    return Sign((compare ? compare : TvByteCompare)(a, b, context));
}

int CompareTimes(const TvFileTime& a, const TvFileTime& b) {
    return a.Value() < b.Value() ? -1 : (a.Value() > b.Value() ? 1 : 0);
}

}  // namespace

int TvByteCompare(const char* a, const char* b, void*) { return Sign(std::strcmp(a ? a : "", b ? b : "")); }

int DownloadStateIcon(const FileItem* item) {
    if (!item) return 0;
    if (!(item->flags & TV_FILE_EXISTS)) return 1;
    if (item->flags & TV_FILE_FOUND) return 3;
    if (item->flags & TV_FILE_MARKED) return 2;
    return 0;
}

void DownloadColumnText(char* out, size_t size, const FileItem* item, int field, const TvRowFormat& format) {
    Clear(out, size);
    if (!out || size == 0 || !item) return;
    switch (field) {
        case TV_DOWNLOAD_FILENAME: CellText(out, size, item->fileName, false); break;
        case TV_DOWNLOAD_DESCRIPTION: CellText(out, size, item->description, true); break;
        case TV_DOWNLOAD_SIZE:
            if (!(item->flags & TV_FILE_EXISTS))
                CopyLimited(out, "n/a", size);
            else if (format.size)
                format.size(out, size, item->sizeLow, format.context);
            break;
        case TV_DOWNLOAD_DOWNLOAD_DATE: DateText(out, size, item->downloadDate, format); break;
        case TV_DOWNLOAD_WEBSITE: CellText(out, size, item->website, false); break;
        case TV_DOWNLOAD_UNPACK_DATE: DateText(out, size, item->unpackDate, format); break;
        case TV_DOWNLOAD_EXTRACTED_TO: CopyLimited(out, item->extractedTo, size); break;
        default: break;
    }
}

void BookmarkColumnText(char* out, size_t size, const BookmarkItem* item, int field) {
    Clear(out, size);
    if (!out || size == 0 || !item) return;
    switch (field) {
        case TV_BOOKMARK_TITLE: CellText(out, size, item->title, false); break;
        case TV_BOOKMARK_URL: CellText(out, size, item->url, false); break;
        case TV_BOOKMARK_DESCRIPTION: CellText(out, size, item->description, true); break;
        default: break;
    }
}

void ShortcutColumnText(char* out, size_t size, const ShortcutItem* item, int field) {
    Clear(out, size);
    if (!out || size == 0 || !item) return;
    if (field == TV_SHORTCUT_NAME) CopyLimited(out, item->title, size);
}

const char* DownloadFieldText(const FileItem* item, int field) {
    if (!item) return nullptr;
    switch (field) {
        case TV_DOWNLOAD_FILENAME: return item->fileName;
        case TV_DOWNLOAD_DESCRIPTION: return item->description;
        case TV_DOWNLOAD_WEBSITE: return item->website;
        case TV_DOWNLOAD_EXTRACTED_TO: return item->extractedTo;
        default: return nullptr;
    }
}

const char* BookmarkFieldText(const BookmarkItem* item, int field) {
    if (!item) return nullptr;
    switch (field) {
        case TV_BOOKMARK_TITLE: return item->title;
        case TV_BOOKMARK_URL: return item->url;
        case TV_BOOKMARK_DESCRIPTION: return item->description;
        default: return nullptr;
    }
}

const char* ShortcutFieldText(const ShortcutItem* item, int field) {
    return item && field == TV_SHORTCUT_NAME ? item->title : nullptr;
}

int CompareDownloadRecords(const FileItem* x, const FileItem* y, int field, TvTextCompareFn compare, void* context) {
    if (!x || !y) return 0;
    switch (field) {
        case TV_DOWNLOAD_FILENAME: return CompareTexts(x->fileName, y->fileName, compare, context);
        case TV_DOWNLOAD_DESCRIPTION: return CompareTexts(x->description, y->description, compare, context);
        // Equal sizes are equal: a sort needs one consistent order (rows of the same size keep
        // theirs).
        case TV_DOWNLOAD_SIZE: return x->sizeLow > y->sizeLow ? 1 : (x->sizeLow < y->sizeLow ? -1 : 0);
        case TV_DOWNLOAD_DOWNLOAD_DATE: return CompareTimes(x->downloadDate, y->downloadDate);
        case TV_DOWNLOAD_WEBSITE: return CompareTexts(x->website, y->website, compare, context);
        case TV_DOWNLOAD_UNPACK_DATE: return CompareTimes(x->unpackDate, y->unpackDate);
        case TV_DOWNLOAD_EXTRACTED_TO: return CompareTexts(x->extractedTo, y->extractedTo, compare, context);
        default: return 0;
    }
}

int CompareBookmarkRecords(const BookmarkItem* x, const BookmarkItem* y, int field, TvTextCompareFn compare,
                           void* context) {
    if (!x || !y) return 0;
    switch (field) {
        case TV_BOOKMARK_TITLE: return CompareTexts(x->title, y->title, compare, context);
        case TV_BOOKMARK_URL: return CompareTexts(x->url, y->url, compare, context);
        case TV_BOOKMARK_DESCRIPTION: return CompareTexts(x->description, y->description, compare, context);
        default: return 0;
    }
}

int CompareShortcutRecords(const ShortcutItem* x, const ShortcutItem* y, int field, TvTextCompareFn compare,
                           void* context) {
    if (!x || !y || field != TV_SHORTCUT_NAME) return 0;
    return CompareTexts(x->title, y->title, compare, context);
}

int CompareDownloadRows(const TFileListObject* list, const ListNode* a, const ListNode* b, int field, int descending,
                        TvTextCompareFn compare, void* context) {
    if (!list || !list->IsNodeValid(a, 1) || !list->IsNodeValid(b, 1)) return 0;
    return Direction(
        CompareDownloadRecords(TFileListObject::Item(a), TFileListObject::Item(b), field, compare, context), descending);
}

int CompareBookmarkRows(const TBookmarkListObject* list, const ListNode* a, const ListNode* b, int field,
                        int descending, TvTextCompareFn compare, void* context) {
    if (!list || !list->IsNodeValid(a, 1) || !list->IsNodeValid(b, 1)) return 0;
    return Direction(CompareBookmarkRecords(TBookmarkListObject::Item(a), TBookmarkListObject::Item(b), field, compare,
                                            context),
                     descending);
}

int CompareShortcutRows(const TShortcutListObject* list, const ListNode* a, const ListNode* b, int field,
                        int descending, TvTextCompareFn compare, void* context) {
    if (!list || !list->IsNodeValid(a, 1) || !list->IsNodeValid(b, 1)) return 0;
    return Direction(CompareShortcutRecords(TShortcutListObject::Item(a), TShortcutListObject::Item(b), field, compare,
                                            context),
                     descending);
}
