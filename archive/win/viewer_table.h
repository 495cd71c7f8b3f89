// The member list of an internal viewer: a virtual report list view (the control asks for the
// texts of the rows it shows), one row per member, with an icon per extension and sorting by any
// column.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "archive/viewer_logic.h"
#include "core/lists.h"

class TArchiveFileTableObject {
public:
    TArchiveFileTableObject() = default;
    ~TArchiveFileTableObject();
    TArchiveFileTableObject(const TArchiveFileTableObject&) = delete;
    TArchiveFileTableObject& operator=(const TArchiveFileTableObject&) = delete;

    // Creates the list view (report, selection always shown, sunken edge) with its columns.
    bool Create(HWND parent, int id);
    HWND Window() const { return list_; }

    // Shows the members of list (all rows replaced, selection cleared, sorted by the current
    // column). With rebuildIcons the file-icon list is made again for the list's extensions.
    // setup: the member that gets the setup image (may be null).
    void Fill(const TArchiveFileListObject& list, const ArchiveMember* setup, bool rebuildIcons);
    void Clear();

    int RowCount() const { return int(rows_.Size()); }
    const ArchiveMember* MemberOfRow(int row) const { return row >= 0 ? rows_.Row(size_t(row)) : nullptr; }
    int RowOfMember(const ArchiveMember* member) const;
    int SelectedCount() const;
    // The selected members in view order.
    std::vector<const ArchiveMember*> SelectedMembers() const;
    std::vector<const ArchiveMember*> AllMembers() const;
    const ArchiveMember* FocusedMember() const;
    // The image of a member: the setup image for the setup member, else its extension's.
    int ImageOf(const ArchiveMember* member) const;
    HIMAGELIST Images() const { return images_; }

    void SelectAll();
    void SelectNone();
    void InvertSelection();
    // Selects (or deselects) every row whose name the mask selects; other rows keep their state.
    // Returns the number of rows changed.
    int SelectMatching(const char* mask, bool select);
    void SelectRow(int row, bool selected);
    bool IsRowSelected(int row) const;

    // A click on a column heading; the selection follows its members.
    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }

    // LVN_GETDISPINFO of the list view.
    void OnGetDispInfo(NMLVDISPINFOA* info);

private:
    void RebuildIcons(const TArchiveFileListObject& list);
    void SetRowCount(int count);

    HWND list_ = nullptr;
    TMemberRowOrder rows_;
    const ArchiveMember* setup_ = nullptr;
    int sortColumn_ = IV_COLUMN_NAME;
    bool sortDescending_ = false;
    // Extensions (lower case, with their dot) and their images; the list the icons were made for.
    TFileIconListObject icons_;
    std::unordered_map<std::string, int> imageOfExtension_;
    HIMAGELIST images_ = nullptr;
    char textBuffer_[TV_PATH_SIZE + 8] = {};
};

// The extension of a name in lower case with its dot ("" without one): the key of the icon list.
std::string MemberExtensionKey(const char* name);

// The locale's sort key of a text: its byte order is the order of the locale's string comparison.
std::string LocaleSortKey(const char* text, void* context);

// The 16 x 16 image list of a member view: the fixed images of "FILEICONLIST" (image 0 a file,
// 4 the setup program), then the shell's small icon of every extension (lower case, with its dot);
// imageOf receives each extension's image. The caller owns the list.
HIMAGELIST BuildMemberImageList(const std::vector<std::string>& extensions,
                                std::unordered_map<std::string, int>* imageOf);
