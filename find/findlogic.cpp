// The find command without windows.
#include "find/findlogic.h"

#include <algorithm>
#include <cstring>

#include "util/format.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/safestr.h"  // last: no unbounded string functions below

ptrdiff_t TFindResultList::IndexOf(const void* result) const {
    if (!result || results_.empty()) return -1;
    // Compared as numbers: a pointer from elsewhere is never followed.
    const uintptr_t at = reinterpret_cast<uintptr_t>(result);
    const uintptr_t first = reinterpret_cast<uintptr_t>(results_.data());
    const uintptr_t end = first + results_.size() * sizeof(TFindResult);
    if (at < first || at >= end || (at - first) % sizeof(TFindResult) != 0) return -1;
    return ptrdiff_t((at - first) / sizeof(TFindResult));
}

const FileItem* FoundDownload(const TFindResult& result, const TFindLists& lists) {
    if (result.kind != TV_FIND_DOWNLOAD || !lists.downloads || !lists.downloads->ContainsNode(result.node)) return nullptr;
    return lists.downloads->IsNodeValid(result.node, 0) ? TFileListObject::Item(result.node) : nullptr;
}

const BookmarkItem* FoundBookmark(const TFindResult& result, const TFindLists& lists) {
    if (result.kind != TV_FIND_BOOKMARK || !lists.bookmarks || !lists.bookmarks->ContainsNode(result.node)) return nullptr;
    return lists.bookmarks->IsNodeValid(result.node, 0) ? TBookmarkListObject::Item(result.node) : nullptr;
}

// ---------------------------------------------------------------- the page and the search

uint32_t CheckFindRequest(char* contents, char* filter, bool fileArea, bool archiveSearch) {
    if (contents) TrimSpaces(contents, TV_TRIM_BOTH);
    if (filter) TrimSpaces(filter, TV_TRIM_BOTH);
    const char* required = fileArea && archiveSearch ? filter : contents;
    return required && *required ? 0u : uint32_t(TV_IDS_FIND_INCOMPLETE);
}

bool IsArchiveSearch(const TFindFileSettingsData& settings) {
    return settings.searchArea == 1 && settings.downloadSearchKind == 1;
}

void FindItems(const TFindFileSettingsData& s, const TFindLists& lists, TFindResultList* results) {
    if (!results || !s.contents[0]) return;
    if (s.searchArea == 1) {
        if (!lists.downloads) return;
        for (ListNode* node = lists.downloads->First(); node; node = node->next) {
            if (!lists.downloads->IsNodeValid(node, 0)) continue;
            if (lists.downloads->ItemMatches(TFileListObject::Item(node), s.contents, s.caseSensitive, s.onlyWords))
                results->Add(TV_FIND_DOWNLOAD, node);
        }
        return;
    }
    if (!lists.bookmarks) return;
    for (ListNode* node = lists.bookmarks->First(); node; node = node->next) {
        if (!lists.bookmarks->IsNodeValid(node, 0)) continue;
        if (lists.bookmarks->ItemMatches(TBookmarkListObject::Item(node), s.contents, s.caseSensitive, s.onlyWords))
            results->Add(TV_FIND_BOOKMARK, node);
    }
}

// ---------------------------------------------------------------- the result tables

namespace {

const int kFileWidths[TV_FIND_FILE_COLUMNS] = {100, 100, 150, 70, 110, 110, 110, 150};
const int kBookmarkWidths[TV_FIND_BOOKMARK_COLUMNS] = {250, 100, 250, 150};

const char* CategoryName(const ListNode* category, const TFindLists& lists) {
    // The link is followed only while the category is one of the list's nodes.
    if (!category || !lists.categories || !lists.categories->ContainsNode(category)) return "";
    const CategoryItem* c = TCategoryListObject::Item(category);
    return c && c->name ? c->name : "";
}

const char* Text(const char* text) { return text ? text : ""; }

}  // namespace

int FindResultColumns(int kind) { return kind == TV_FIND_DOWNLOAD ? TV_FIND_FILE_COLUMNS : TV_FIND_BOOKMARK_COLUMNS; }

int FindResultColumnWidth(int kind, int column) {
    if (column < 0 || column >= FindResultColumns(kind)) return 0;
    return kind == TV_FIND_DOWNLOAD ? kFileWidths[column] : kBookmarkWidths[column];
}

bool FindResultColumnRight(int kind, int column) { return kind == TV_FIND_DOWNLOAD && column == TV_FIND_COLUMN_FILE_SIZE; }

bool FindResultColumnIsDate(int kind, int column) {
    return kind == TV_FIND_DOWNLOAD && (column == TV_FIND_COLUMN_DOWNLOADED || column == TV_FIND_COLUMN_UNPACKED);
}

void FormatFindResultCell(const TFindResult& result, const TFindLists& lists, int column, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    if (const FileItem* f = FoundDownload(result, lists)) {
        switch (column) {
            case 0: CopyLimited(out, Text(f->fileName), size); break;
            case 1: CopyLimited(out, CategoryName(f->category, lists), size); break;
            case 2: CopyLimited(out, Text(f->description), size); break;
            case 3:
                if (f->flags & TV_FILE_EXISTS)
                    FormatSizeText(out, size, f->sizeLow, TV_UNIT_KB);
                else
                    CopyLimited(out, TvString(TV_IDS_FIND_NOT_AVAILABLE), size);
                break;
            case 5: CopyLimited(out, Text(f->website), size); break;
            case 7: CopyLimited(out, Text(f->extractedTo), size); break;
            default: break;  // dates: the Windows layer
        }
        return;
    }
    if (const BookmarkItem* b = FoundBookmark(result, lists)) {
        switch (column) {
            case 0: CopyLimited(out, Text(b->title), size); break;
            case 1: CopyLimited(out, CategoryName(b->category, lists), size); break;
            case 2: CopyLimited(out, Text(b->url), size); break;
            case 3: CopyLimited(out, Text(b->description), size); break;
            default: break;
        }
    }
}

TvFileTime FindResultDate(const TFindResult& result, const TFindLists& lists, int column) {
    const FileItem* f = FoundDownload(result, lists);
    if (!f) return TvFileTime{};
    if (column == TV_FIND_COLUMN_DOWNLOADED) return f->downloadDate;
    if (column == TV_FIND_COLUMN_UNPACKED) return f->unpackDate;
    return TvFileTime{};
}

namespace {

// A number as eight bytes, most significant first: their byte order is the numbers' order.
std::string NumberKey(uint64_t value) {
    std::string key(8, '\0');
    for (int i = 7; i >= 0; --i) {
        key[size_t(i)] = char(value & 0xFF);
        value >>= 8;
    }
    return key;
}

}  // namespace

void SortFindResults(std::vector<uint32_t>* rows, const TFindResultList& results, const TFindLists& lists, int kind,
                     int column, bool descending, TFindSortKeyFn keyFn, void* keyContext) {
    if (!rows || results.Empty() || column < 0 || column >= FindResultColumns(kind)) return;
    rows->erase(std::remove_if(rows->begin(), rows->end(), [&results](uint32_t row) { return row >= results.Size(); }),
                rows->end());
    // One key per row, made once (sorting compares each row many times).
    std::vector<std::string> keys(results.Size());
    char text[TV_PATH_SIZE * 4];
    for (uint32_t row : *rows) {
        const TFindResult& r = *results.At(row);
        if (FindResultColumnIsDate(kind, column)) {
            keys[row] = NumberKey(FindResultDate(r, lists, column).Value());
        } else if (kind == TV_FIND_DOWNLOAD && column == TV_FIND_COLUMN_FILE_SIZE) {
            const FileItem* f = FoundDownload(r, lists);
            // Files that are not there ("n/a") come before every size.
            keys[row] = f && (f->flags & TV_FILE_EXISTS)
                            ? "\x01" + NumberKey((uint64_t(f->sizeHigh) << 32) | f->sizeLow)
                            : std::string();
        } else {
            FormatFindResultCell(r, lists, column, text, sizeof text);
            keys[row] = keyFn ? keyFn(text, keyContext) : std::string(text);
        }
    }
    const auto less = [&keys](uint32_t a, uint32_t b) { return keys[a] < keys[b]; };
    if (descending)
        std::stable_sort(rows->begin(), rows->end(), [&less](uint32_t a, uint32_t b) { return less(b, a); });
    else
        std::stable_sort(rows->begin(), rows->end(), less);
}

void FormatFindStatus(int part, const TFindFileSettingsData& s, char* out, size_t size) {
    if (!out || size == 0) return;
    switch (part) {
        case 0:
            FormatLimited(out, size, "%s: %s", TvString(TV_IDS_FIND_STATUS_TERM), s.contents);
            break;
        case 1:
            FormatLimited(out, size, "%s%s", TvString(TV_IDS_FIND_STATUS_CASE),
                          TvString(s.caseSensitive ? TV_IDS_FIND_YES : TV_IDS_FIND_NO));
            break;
        case 2:
            FormatLimited(out, size, "%s%s", TvString(TV_IDS_FIND_STATUS_WORDS),
                          TvString(s.onlyWords ? TV_IDS_FIND_YES : TV_IDS_FIND_NO));
            break;
        default:
            out[0] = '\0';
            break;
    }
}

int NeighbourRow(int selected, int rows, int step) {
    if (rows <= 0 || selected < 0 || selected >= rows) return -1;
    const int next = selected + step;
    return next >= 0 && next < rows ? next : -1;
}
