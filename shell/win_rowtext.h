// Cell texts, state icons and row comparisons of the three item lists with the Windows formatting
// (local dates, kilobytes, the locale's word order). A thin layer over core/rows.h, kept in a unit
// of its own because the column constants of that header and of the settings share names.
#pragma once

#include <cstddef>

#include "core/items.h"

// Number of data columns of a kind (7, 3 or 1; 0 for an unknown kind).
int ListFieldCount(int kind);
// Text of one cell of the record (FileItem, BookmarkItem or ShortcutItem by kind).
void ListCellText(int kind, const void* record, int field, char* out, size_t size);
// Compares two rows of the kind's list by a data column (lstrcmp for texts).
int ListCompareRows(int kind, const TDynamicListObject* list, const ListNode* a, const ListNode* b, int field,
                    int descending);
// 0 = the file's own icon, 1 to 3 = the state icon "tvft<n>.ico".
int DownloadRowStateIcon(const FileItem* item);
