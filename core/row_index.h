// Which records an item list view shows, and in which order. The list view holds no items of its
// own: it asks for the text and icon of each cell it draws, by row number, and this index answers
// which record stands in that row. Selecting a category, typing into the search field and sorting
// work on the index alone, so they cost the same whether the view shows ten rows or 200,000.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/items.h"

// As in core/rows.h (not included here: its column constants share names with the settings').
typedef int (*TvTextCompareFn)(const char* a, const char* b, void* context);
// The sort key of a text: bytes whose byte order is the order of the text comparison (as a
// locale's sort keys are for its string comparison). Sorting many rows by text compares each
// text with others many times; with keys each text is turned into its key once.
typedef void (*TvSortKeyFn)(const char* text, std::string* key, void* context);

class TItemRowIndex {
public:
    TItemRowIndex() = default;

    // The list of the kind (1 downloads: TFileListObject, 2 bookmarks, 3 shortcuts), the text
    // comparison of the sort (null: byte order) and, optionally, the sort keys of that comparison
    // for sorting whole rows. Empties the rows.
    void Attach(int kind, const TDynamicListObject* list, TvTextCompareFn compare = nullptr, void* context = nullptr,
                TvSortKeyFn keys = nullptr);
    int Kind() const { return kind_; }

    // Takes every valid, shown record of the category in list order, sorts them by the sort column
    // and keeps those that match filter (null or empty: all).
    void Fill(int32_t categoryId, const char* filter);
    // The records of the filled category again through another filter, without a pass over the
    // whole list: a filter that extends the current one narrows the current rows.
    void SetFilter(const char* filter);
    // Sorts by a data column (TV_DOWNLOAD_FILENAME ... of core/rows.h), ascending or descending; equal rows keep their
    // order. Field -1: no sort column (the rows stay as they are, new ones go at the end).
    void Sort(int field, bool descending);
    // A column click: a new column sorts ascending, the sorted column again reverses its direction.
    void ToggleSort(int field);
    int SortField() const { return sortField_; }
    bool SortDescending() const { return descending_; }

    int32_t CategoryId() const { return categoryId_; }
    const std::string& Filter() const { return filter_; }
    size_t Count() const { return rows_.size(); }
    // The node of a row; null outside the rows and when its record is no longer a valid record of
    // the list.
    ListNode* NodeAt(size_t row) const;
    // The record of a row as NodeAt, without the membership check (the caller knows the rows are
    // current, as while a view draws right after a change).
    ListNode* RawNodeAt(size_t row) const { return row < rows_.size() ? rows_[row] : nullptr; }
    // The row of a node, -1 when it has none.
    int RowOf(const ListNode* node) const;
    // A record that joined the category: its row goes at the end, or at its place when the rows
    // are sorted. It is shown whatever the filter says (the user just added it). Returns its row,
    // or its present row when it has one already.
    int Insert(ListNode* node);
    // A record whose texts changed: when the rows are sorted it moves to its new place. Returns
    // its row (-1 when it has none).
    int Reposition(const ListNode* node);
    // Removes the row of a record (before the record goes); returns the row it had, or -1.
    int Remove(const ListNode* node);
    void Clear();

    // The nodes of the rows in row order (may hold records that went away since; see NodeAt).
    const std::vector<ListNode*>& Rows() const { return rows_; }

    // The sum of the download sizes (sizeLow) of the rows whose record is still valid; 0 for the
    // other kinds. Counted while the rows are made, so asking for it again costs nothing.
    uint64_t RowBytes() const;
    // The records of the rows may have changed their numbers (a size set in place): the sum is
    // counted again when next asked for.
    void RecordsChanged() { rowBytesKnown_ = false; }

private:
    bool InCategory(const ListNode* node) const;
    // No node of the list was released since the rows were last checked: each row's node is still
    // a node of the list (its record may have changed).
    bool Fresh() const { return list_ && list_->Removals() == checkedRemovals_; }
    void DropReleasedNodes();
    int Compare(const ListNode* a, const ListNode* b) const;  // in the sort's direction
    const char* SortText(const ListNode* node) const;         // null for a column of numbers
    void SortNodes(std::vector<ListNode*>* nodes) const;
    // The rows become those of source (in its order) that match filter; with checkCategory the
    // records that left the category since are left out, and dropped from source as well.
    void Refilter(std::vector<ListNode*>* source, const char* filter, bool checkCategory);
    uint64_t BytesOf(const ListNode* node) const;
    size_t PlaceOf(const std::vector<ListNode*>& nodes, const ListNode* node) const;

    int kind_ = 0;
    const TDynamicListObject* list_ = nullptr;
    TvTextCompareFn compare_ = nullptr;
    void* context_ = nullptr;
    TvSortKeyFn keys_ = nullptr;
    int32_t categoryId_ = -1;
    std::string filter_;
    int sortField_ = -1;
    bool descending_ = false;
    uint32_t checkedRemovals_ = 0;
    std::vector<ListNode*> categoryRows_;  // every record of the category, in sort order
    std::vector<ListNode*> rows_;          // those that pass the filter
    mutable uint64_t rowBytes_ = 0;        // RowBytes(), while rowBytesKnown_ and no node
    mutable bool rowBytesKnown_ = false;   // was released since (bytesRemovals_)
    mutable uint32_t bytesRemovals_ = 0;
};
