#include "shell/win_rowtext.h"

#include <windows.h>

#include "core/rows.h"
#include "util/format.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/safestr.h"

namespace {

void LocalDateText(char* out, size_t size, TvFileTime time, void*) {
    FILETIME utc = {time.low, time.high};
    FILETIME local = {};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    FormatFileTimeText(out, &local, size, TV_FT_DATE | TV_FT_TIME | TV_FT_NOSECONDS, 3);
}

void KilobyteText(char* out, size_t size, uint32_t bytes, void*) { FormatSizeText(out, size, bytes, TV_UNIT_KB); }

}  // namespace

int ListLocaleCompare(const char* a, const char* b, void*) { return lstrcmpA(a, b); }

void ListLocaleSortKey(const char* text, std::string* key, void*) {
    key->clear();
    // lstrcmpA compares in the thread's locale without flags; its keys are made the same way.
    const LCID locale = GetThreadLocale();
    const int size = LCMapStringA(locale, LCMAP_SORTKEY, text ? text : "", -1, nullptr, 0);
    if (size <= 0) return;
    key->resize(size_t(size));
    const int made = LCMapStringA(locale, LCMAP_SORTKEY, text ? text : "", -1, &(*key)[0], size);
    // The key ends with a zero byte, which orders nothing.
    key->resize(made > 0 ? size_t(made - 1) : 0);
}

int ListFieldCount(int kind) {
    switch (kind) {
        case TV_KIND_DOWNLOADS: return TV_DOWNLOAD_COLUMNS;
        case TV_KIND_BOOKMARKS: return TV_BOOKMARK_COLUMNS;
        case TV_KIND_SHORTCUTS: return TV_SHORTCUT_COLUMNS;
        default: return 0;
    }
}

void ListCellText(int kind, const void* record, int field, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    switch (kind) {
        case TV_KIND_DOWNLOADS: {
            TvRowFormat format = {LocalDateText, KilobyteText, nullptr};
            DownloadColumnText(out, size, static_cast<const FileItem*>(record), field, format);
            break;
        }
        case TV_KIND_BOOKMARKS:
            BookmarkColumnText(out, size, static_cast<const BookmarkItem*>(record), field);
            break;
        case TV_KIND_SHORTCUTS:
            ShortcutColumnText(out, size, static_cast<const ShortcutItem*>(record), field);
            break;
        default:
            break;
    }
}

int DownloadRowStateIcon(const FileItem* item) { return DownloadStateIcon(item); }
