// The item list views of the main window: one report-style list view per kind (downloads,
// bookmarks, shortcuts) with the columns of its settings section, one row per shown item of the
// selected category, filtered by the search expression and sortable by any column.
//
// The list views are virtual (LVS_OWNERDATA): they hold no items, only the number of rows and the
// selection, and ask for the text, icon and state of each cell they draw. Which record stands in
// which row is the row index's business (core/row_index.h), so a category of 200,000 downloads
// fills, filters and sorts without 200,000 list-view items.
//
// Columns: the sub-item of a column is its data field (Filename, Description, ... in the order of
// the column titles), so the row icon and the rename edit always sit in the name column; the
// stored positions are the header's display order, which the user may change by dragging headers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "core/items.h"
#include "core/row_index.h"

struct ListColumnSettings;
struct TProgramData;

// Control ids of the three list views (kind 1 to 3).
constexpr int TV_ITEM_LIST_ID_BASE = 305;  // + kind: 306, 307, 308

class TItemTableObject {
public:
    TItemTableObject() = default;
    ~TItemTableObject();
    TItemTableObject(const TItemTableObject&) = delete;
    TItemTableObject& operator=(const TItemTableObject&) = delete;

    // Creates the (hidden) list view of the kind as a child of parent, with its columns.
    bool Create(HWND parent, int kind, TProgramData* data);
    void Destroy();

    HWND Window() const { return list_; }
    int Kind() const { return kind_; }
    TDynamicListObject* Items() const;

    // --- Rows
    // Shows every shown item of the category (by id) that matches filter (empty or null: every
    // item), in the current sort order; the selection is cleared.
    void Fill(int32_t categoryId, const char* filter);
    // A new search text for the category shown: as Fill, without a pass over the whole list when
    // the category is the one filled last.
    void ApplyFilter(int32_t categoryId, const char* filter);
    // Adds a row for the item (at the end, or at its place when the rows are sorted); returns its
    // row. The selection stays with its records.
    int AddRow(ListNode* node);
    // Redraws the row of the item from its record; when the rows are sorted it moves to its new
    // place (its selection with it).
    void UpdateRow(int row, ListNode* node);
    void RemoveRow(int row);
    int RowCount() const;
    // The sum of the download sizes of the rows (0 for other kinds), kept by the row index.
    uint64_t RowBytes() const { return list_ ? index_.RowBytes() : 0; }
    // The row of a record (-1 when it has none) and the record of a row (null outside the rows and
    // when the record is no longer in its list).
    int RowOf(const ListNode* node) const;
    ListNode* NodeOfRow(int row) const;
    // The record under a point of the list view's client area (null when none); row gets its row.
    ListNode* RecordAt(POINT client, int* row = nullptr) const;
    // Redraws the row of a record, when it has one.
    void RedrawRecord(const ListNode* node);

    // --- Selection and focus
    void ClearSelection();
    void SelectRow(int row, bool focus);
    // The records of the selected rows, in row order.
    std::vector<ListNode*> SelectedItems() const;
    int SelectedCount() const;
    ListNode* FocusedItem() const;

    // --- Per-record display state: "cut" rows are drawn dimmed. The state belongs to the record,
    // so it survives a new fill or sort; a record that leaves its list loses it.
    void MarkSelectionCut(bool cut);  // the selected rows become the cut ones (or none)
    void SetRecordCut(const ListNode* node, bool cut);
    bool IsRecordCut(const ListNode* node) const;
    void ClearCut();

    // A column click: sorts by that column (a second click on the same column reverses).
    void SortByColumn(int column);
    // The current widths and header order of the columns back into the settings.
    void CaptureColumns();

    // Notifications of the list view that the table answers itself (cell texts, icons and states,
    // type-ahead search). True when handled; *result is then the notification's answer.
    bool HandleNotify(NMHDR* header, LRESULT* result);

private:
    struct Selection {
        std::vector<ListNode*> selected;
        ListNode* focused = nullptr;
    };

    ListColumnSettings* Columns() const;
    void PrimeItemMetrics();
    int ImageOf(const ListNode* node) const;
    void CellText(int row, int field, char* out, size_t size) const;
    // Tells the list view the rows anew: without selection, or with the given one.
    void ShowRows(const Selection* selection);
    std::vector<int> SelectedRows() const;
    void SetRowState(int row, UINT state, UINT mask);
    Selection TakeSelection() const;
    void RestoreSelection(const Selection& selection);
    int FindRowByPrefix(const char* prefix, int start, bool wrap) const;

    HWND list_ = nullptr;
    int kind_ = 0;
    TProgramData* data_ = nullptr;
    TItemRowIndex index_;
    std::unordered_set<const ListNode*> cut_;
};
