// The hit view of the archive search result window: a virtual report list view, one row per hit,
// with the member's icon and sorting by any column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "archive/win/list_table.h"
#include "archive/zipsearch.h"

class TZipSearchFileTableObject : public TItemListTable<ArchiveSearchHit> {
public:
    TZipSearchFileTableObject() : TItemListTable(ZS_COLUMNS, ZS_COLUMN_NAME) {}

    bool Create(HWND parent, int id) override;

    // Shows the hits of the list (all rows replaced, selection cleared, sorted by the current
    // column); with rebuildIcons the icons are made again for the hits' extensions.
    void Fill(const TZipSearchFileListObject& hits, bool rebuildIcons);
    void Clear();
    // Drops the row of a hit (the rows below move up); selection and focus stay with their hits.
    void RemoveHit(const ArchiveSearchHit* hit);

    int RowCount() const override { return int(rows_.Size()); }
    const ArchiveSearchHit* ItemOfRow(int row) const override { return row >= 0 ? rows_.Row(size_t(row)) : nullptr; }
    int RowOfItem(const ArchiveSearchHit* hit) const override { return rows_.RowOf(hit); }
    const ArchiveSearchHit* HitOfRow(int row) const { return ItemOfRow(row); }
    int RowOfHit(const ArchiveSearchHit* hit) const { return RowOfItem(hit); }
    std::vector<const ArchiveSearchHit*> SelectedHits() const { return SelectedItems(); }
    std::vector<const ArchiveSearchHit*> AllHits() const { return AllItems(); }
    const ArchiveSearchHit* FocusedHit() const { return FocusedItem(); }
    int ImageOf(const ArchiveSearchHit* hit) const;

    void OnGetDispInfo(NMLVDISPINFOA* info) override;

private:
    void SortRows() override { rows_.Sort(SortColumn(), SortDescending()); }
    const char* NameOfRow(int row) const override;
    void RebuildIcons(const TZipSearchFileListObject& hits);

    const TZipSearchFileListObject* hits_ = nullptr;
    TZipSearchRowOrder rows_;
    TMemberImages images_;
    char textBuffer_[TV_PATH_SIZE + 8] = {};
};
