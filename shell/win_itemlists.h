// The item list views of the main window: one report-style list view per kind (downloads,
// bookmarks, shortcuts) with the columns of its settings section, one row per shown item of the
// selected category, filtered by the search expression and sortable by any column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "core/items.h"

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

    // Empties the list and adds a row for every shown item of the category (by id) that matches
    // filter (empty or null: every item); the sort order stays.
    void Fill(int32_t categoryId, const char* filter);
    // Adds a row for the item at the end; returns its row.
    int AddRow(ListNode* node);
    // Rewrites the texts and icon of the row.
    void UpdateRow(int row, ListNode* node);
    void RemoveRow(int row);
    int RowCount() const;
    int RowOf(const ListNode* node) const;
    ListNode* NodeOfRow(int row) const;
    // Selection and focus.
    void ClearSelection();
    void SelectRow(int row, bool focus);
    std::vector<ListNode*> SelectedItems() const;
    int SelectedCount() const;
    ListNode* FocusedItem() const;
    // A column click: sorts by that column (a second click on the same column reverses).
    void SortByColumn(int column);
    // The current widths of the columns back into the settings.
    void CaptureColumnWidths();
    // Draws the selected rows as cut (or clears that).
    void MarkSelectionCut(bool cut);

private:
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);
    ListColumnSettings* Columns() const;
    void Resort();
    int ImageOf(const ListNode* node) const;

    HWND list_ = nullptr;
    int kind_ = 0;
    TProgramData* data_ = nullptr;
    int sortField_ = -1;
    int sortDescending_ = 0;
};
