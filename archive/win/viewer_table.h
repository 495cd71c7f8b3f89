// The member list of an internal viewer: a virtual report list view (the control asks for the
// texts of the rows it shows), one row per member, with an icon per extension and sorting by any
// column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "archive/viewer_logic.h"
#include "archive/win/list_table.h"
#include "core/lists.h"

class TArchiveFileTableObject : public TItemListTable<ArchiveMember> {
public:
    TArchiveFileTableObject() : TItemListTable(IV_COLUMNS, IV_COLUMN_NAME) {}

    bool Create(HWND parent, int id) override;

    // Shows the members of list (all rows replaced, selection cleared, sorted by the current
    // column). With rebuildIcons the file-icon list is made again for the list's extensions.
    // setup: the member that gets the setup image (may be null).
    void Fill(const TArchiveFileListObject& list, const ArchiveMember* setup, bool rebuildIcons);
    void Clear();

    int RowCount() const override { return int(rows_.Size()); }
    const ArchiveMember* ItemOfRow(int row) const override { return row >= 0 ? rows_.Row(size_t(row)) : nullptr; }
    int RowOfItem(const ArchiveMember* member) const override;
    const ArchiveMember* MemberOfRow(int row) const { return ItemOfRow(row); }
    int RowOfMember(const ArchiveMember* member) const { return RowOfItem(member); }
    std::vector<const ArchiveMember*> SelectedMembers() const { return SelectedItems(); }
    std::vector<const ArchiveMember*> AllMembers() const { return AllItems(); }
    const ArchiveMember* FocusedMember() const { return FocusedItem(); }
    // The image of a member: the setup image for the setup member, else its extension's.
    int ImageOf(const ArchiveMember* member) const;
    HIMAGELIST Images() const { return images_.Images(); }

    void OnGetDispInfo(NMLVDISPINFOA* info) override;

private:
    void SortRows() override { rows_.Sort(SortColumn(), SortDescending()); }
    const char* NameOfRow(int row) const override;
    void RebuildIcons(const TArchiveFileListObject& list);

    TMemberRowOrder rows_;
    const ArchiveMember* setup_ = nullptr;
    // Extensions (lower case, with their dot) and their images.
    TFileIconListObject icons_;
    TMemberImages images_;
    char textBuffer_[TV_PATH_SIZE + 8] = {};
};
