// The hit view of the archive search result window: a virtual report list view, one row per hit,
// with the member's icon and sorting by any column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "archive/zipsearch.h"

class TZipSearchFileTableObject {
public:
    TZipSearchFileTableObject() = default;
    ~TZipSearchFileTableObject();
    TZipSearchFileTableObject(const TZipSearchFileTableObject&) = delete;
    TZipSearchFileTableObject& operator=(const TZipSearchFileTableObject&) = delete;

    // Creates the list view (report, selection always shown, sunken edge) with its columns.
    bool Create(HWND parent, int id);
    HWND Window() const { return list_; }

    // Shows the hits of the list (all rows replaced, selection cleared, sorted by the current
    // column); with rebuildIcons the icons are made again for the hits' extensions.
    void Fill(const TZipSearchFileListObject& hits, bool rebuildIcons);
    void Clear();
    // Drops the row of a hit (the rows below move up); selection and focus stay with their hits.
    void RemoveHit(const ArchiveSearchHit* hit);

    int RowCount() const { return int(rows_.Size()); }
    const ArchiveSearchHit* HitOfRow(int row) const { return row >= 0 ? rows_.Row(size_t(row)) : nullptr; }
    int RowOfHit(const ArchiveSearchHit* hit) const { return rows_.RowOf(hit); }
    int SelectedCount() const;
    std::vector<const ArchiveSearchHit*> SelectedHits() const;
    std::vector<const ArchiveSearchHit*> AllHits() const;
    const ArchiveSearchHit* FocusedHit() const;
    int ImageOf(const ArchiveSearchHit* hit) const;

    void SelectAll();
    void SelectNone();
    void InvertSelection();
    // Selects (or deselects) the rows whose member name the mask selects; returns the rows changed.
    int SelectMatching(const char* mask, bool select);
    void SelectRow(int row, bool selected);
    bool IsRowSelected(int row) const;
    void FocusRow(int row);

    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }

    void OnGetDispInfo(NMLVDISPINFOA* info);

private:
    void RebuildIcons(const TZipSearchFileListObject& hits);
    // Puts back a selection and focus after the rows moved.
    void Restore(const std::vector<const ArchiveSearchHit*>& selected, const ArchiveSearchHit* focused);

    HWND list_ = nullptr;
    const TZipSearchFileListObject* hits_ = nullptr;
    TZipSearchRowOrder rows_;
    int sortColumn_ = ZS_COLUMN_NAME;
    bool sortDescending_ = false;
    std::unordered_map<std::string, int> imageOfExtension_;
    HIMAGELIST images_ = nullptr;
    char textBuffer_[TV_PATH_SIZE + 8] = {};
};
