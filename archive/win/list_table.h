// What the member views of the viewer and of the archive search result window share: a virtual
// report list view (the control asks for the texts of the rows it shows) whose rows are items
// held elsewhere, its selection and focus, and the icons of the members' extensions.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/viewer_logic.h"

// The row-level part of a member view: selection and focus by row number.
class TListViewTable {
public:
    TListViewTable() = default;
    virtual ~TListViewTable() = default;
    TListViewTable(const TListViewTable&) = delete;
    TListViewTable& operator=(const TListViewTable&) = delete;

    // Creates the list view (report, selection always shown, sunken edge) with its columns.
    virtual bool Create(HWND parent, int id) = 0;
    HWND Window() const { return list_; }
    virtual int RowCount() const = 0;
    // LVN_GETDISPINFO of the list view.
    virtual void OnGetDispInfo(NMLVDISPINFOA* info) = 0;
    // A click on a column heading; the selection follows its items.
    virtual void SortByColumn(int column) = 0;

    int SelectedCount() const;
    bool IsRowSelected(int row) const;
    void SelectRow(int row, bool selected);
    void FocusRow(int row);
    void SelectAll();
    void SelectNone();
    void InvertSelection();
    // Selects (or deselects) every row whose name the mask selects; other rows keep their state.
    // Returns the number of rows changed.
    int SelectMatching(const char* mask, bool select);

protected:
    // The list view with count columns: headings from the string ids firstHeading on, each
    // column's width and alignment (LVCFMT_LEFT or LVCFMT_RIGHT) from layout.
    bool CreateList(HWND parent, int id, uint32_t firstHeading, int count,
                    void (*layout)(int column, void* context, int* width, int* format));
    // The rows in view order that are selected / focused (-1: none).
    std::vector<int> SelectedRows() const;
    int FocusedRow() const;
    // Sets the number of rows the control shows and draws it anew.
    void SetRowCount(int count, DWORD flags = 0);
    // The name of the item of a row that Select Some's mask is matched against (null: none).
    virtual const char* NameOfRow(int row) const = 0;

    HWND list_ = nullptr;
};

// The rows of a member view are items (members or hits) of a list held by the window, shown in
// an order sorted by any of its columns.
template <class Item>
class TItemListTable : public TListViewTable {
public:
    virtual const Item* ItemOfRow(int row) const = 0;
    virtual int RowOfItem(const Item* item) const = 0;

    // The selected items in view order.
    std::vector<const Item*> SelectedItems() const {
        std::vector<const Item*> out;
        for (int row : SelectedRows())
            if (const Item* item = ItemOfRow(row)) out.push_back(item);
        return out;
    }
    std::vector<const Item*> AllItems() const {
        std::vector<const Item*> out;
        out.reserve(size_t(RowCount()));
        for (int row = 0; row < RowCount(); ++row) out.push_back(ItemOfRow(row));
        return out;
    }
    const Item* FocusedItem() const { return list_ ? ItemOfRow(FocusedRow()) : nullptr; }

    void SortByColumn(int column) override;
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }

protected:
    TItemListTable(int columns, int sortColumn) : columns_(columns), sortColumn_(sortColumn) {}
    // Puts the rows in the order of SortColumn() and SortDescending().
    virtual void SortRows() = 0;
    // Puts a selection and the focus back on their items after the rows moved.
    void Reselect(const std::vector<const Item*>& selected, const Item* focused);

private:
    void SelectItems(const std::vector<const Item*>& selected);

    int columns_;
    int sortColumn_;
    bool sortDescending_ = false;
};

// The 16 x 16 image list of a member view and the image of each extension in it.
class TMemberImages {
public:
    TMemberImages() = default;
    ~TMemberImages();
    TMemberImages(const TMemberImages&) = delete;
    TMemberImages& operator=(const TMemberImages&) = delete;

    // Makes the list anew for the extensions of the names (each once, in the order met) and gives
    // it to the list view (may be null). Returns those extensions.
    std::vector<std::string> Rebuild(const std::vector<const char*>& names, HWND list);
    // The image of a member name: the setup image for the setup program, else its extension's.
    int ImageOf(const char* name, bool setup) const;
    HIMAGELIST Images() const { return images_; }
    bool Empty() const { return images_ == nullptr; }

private:
    std::unordered_map<std::string, int> imageOfExtension_;
    HIMAGELIST images_ = nullptr;
};

// The time column of a member: long date and time without seconds; "" for a member without one.
void FormatMemberTimeCell(const ArchiveMember& member, char* out, size_t size);

// Answers LVN_GETDISPINFO for the row's cell: its text from cellText, its image (first column).
void AnswerDispInfo(NMLVDISPINFOA* info, const char* cellText, int image);

// The extension of a name in lower case with its dot ("" without one): the key of the icon list.
std::string MemberExtensionKey(const char* name);

// The locale's sort key of a text: its byte order is the order of the locale's string comparison.
std::string LocaleSortKey(const char* text, void* context);

// The 16 x 16 image list of a member view: the fixed images of "FILEICONLIST" (image 0 a file,
// 4 the setup program), then the shell's small icon of every extension (lower case, with its dot);
// imageOf receives each extension's image. The caller owns the list.
HIMAGELIST BuildMemberImageList(const std::vector<std::string>& extensions,
                                std::unordered_map<std::string, int>* imageOf);

// Drawing of the list is held back while many rows change state (the control would otherwise
// work out and invalidate each row's rectangle); the list is drawn once afterwards.
class TRedrawPause {
public:
    explicit TRedrawPause(HWND list);
    ~TRedrawPause();
    TRedrawPause(const TRedrawPause&) = delete;
    TRedrawPause& operator=(const TRedrawPause&) = delete;

private:
    HWND list_;
};

template <class Item>
void TItemListTable<Item>::SelectItems(const std::vector<const Item*>& selected) {
    TRedrawPause pause(list_);
    const std::unordered_set<const Item*> chosen(selected.begin(), selected.end());
    SelectNone();
    for (int row = 0; row < RowCount(); ++row)
        if (chosen.count(ItemOfRow(row))) SelectRow(row, true);
}

template <class Item>
void TItemListTable<Item>::Reselect(const std::vector<const Item*>& selected, const Item* focused) {
    SelectItems(selected);
    if (focused) FocusRow(RowOfItem(focused));
    if (list_) InvalidateRect(list_, nullptr, FALSE);
}

template <class Item>
void TItemListTable<Item>::SortByColumn(int column) {
    if (column < 0 || column >= columns_) return;
    const int count = RowCount();
    const int selectedCount = SelectedCount();
    const Item* focused = FocusedItem();
    // All rows or none stay selected by themselves; a part of them is kept by its items.
    const bool some = selectedCount > 0 && selectedCount < count;
    std::vector<const Item*> selected;
    if (some) selected = SelectedItems();
    NextSortOrder(column, &sortColumn_, &sortDescending_);
    SortRows();
    if (some) SelectItems(selected);
    if (focused) FocusRow(RowOfItem(focused));
    if (list_) InvalidateRect(list_, nullptr, FALSE);
}
