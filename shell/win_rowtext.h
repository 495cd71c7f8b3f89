// Cell texts, state icons and row comparisons of the three item lists with the Windows formatting
// (local dates, kilobytes, the locale's word order). A thin layer over core/rows.h, kept in a unit
// of its own because the column constants of that header and of the settings share names.
#pragma once

#include <cstddef>
#include <string>

#include "core/items.h"

// Number of data columns of a kind (7, 3 or 1; 0 for an unknown kind).
int ListFieldCount(int kind);
// Text of one cell of the record (FileItem, BookmarkItem or ShortcutItem by kind).
void ListCellText(int kind, const void* record, int field, char* out, size_t size);
// The locale's word order of two texts (lstrcmp), the text comparison of the list sorts, and its
// sort key (bytes in the same order).
int ListLocaleCompare(const char* a, const char* b, void* context);
void ListLocaleSortKey(const char* text, std::string* key, void* context);
// 0 = the file's own icon, 1 to 3 = the state icon "tvft<n>.ico".
int DownloadRowStateIcon(const FileItem* item);
