// Operations that keep the data lists, the storage folders on disk and the views in step:
// categories (new, rename, move, delete, properties), storage folders, downloads (delete, rename),
// bookmarks (add, edit, delete) and shortcuts (add a file, rename, delete, create a link, the
// "New Shortcut" command). A record changes only after its file system operation succeeded.
//
// Names that come from records (category names, stored names, shortcut titles) are never used to
// reach outside the storage folders: the path builders of the core refuse a name that is no plain
// file name ("..", separators, drive letters), and an operation that meets such a name does no
// file operation with it. Renaming such an item to a valid name repairs the record without
// touching the disk outside the storage folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/items.h"
#include "catops/win_category_tree.h"
#include "catops/win_item_dialogs.h"
#include "database/programdata.h"

// --- View flags of the Update...View calls.
enum {
    TV_VIEW_NEW = 1,              // add the item's row at the end
    TV_VIEW_SHOW_CATEGORY = 2,    // select the item's category and show its contents instead
    TV_VIEW_REBUILD_TREE = 4,     // rebuild the whole tree first (implies TV_VIEW_SHOW_CATEGORY)
    TV_VIEW_CLEAR_SELECTION = 8,  // clear the selection of all rows
    TV_VIEW_SELECT = 16           // then select and focus the item's row
};

// Results of DeleteDownload.
enum { TV_DELETE_DONE = 1, TV_DELETE_ROW_REMOVED = 4 };
// Delete types of downloads.
enum { TV_DELETE_FILE_AND_RECORD = 0, TV_DELETE_FILE_ONLY = 1 };
// Flags of AddShortcutFile.
enum { TV_SHORTCUT_UPDATE_VIEW = 1, TV_SHORTCUT_MOVE = 2 };

// What the operations need from the main window's views. The main window implements it; kind is
// TV_KIND_DOWNLOADS, TV_KIND_BOOKMARKS or TV_KIND_SHORTCUTS and names the item list view.
class TItemViews {
public:
    virtual ~TItemViews() = default;
    // Adds or rewrites the item's row, or shows its category, as the view flags say.
    virtual void UpdateDownloadView(ListNode* node, int viewFlags) = 0;
    virtual void UpdateBookmarkView(ListNode* node, int viewFlags) = 0;
    virtual void UpdateShortcutView(ListNode* node, int viewFlags) = 0;
    // Removes the item's row (while the record still exists).
    virtual void RemoveRow(int kind, ListNode* node) = 0;
    // Rows of the list view, the row of an item (-1 when it has none), selecting one row.
    virtual int RowCount(int kind) = 0;
    virtual int RowOf(int kind, const ListNode* node) = 0;
    virtual void SelectRow(int kind, int row) = 0;
    // The items of the selected rows, in row order.
    virtual std::vector<ListNode*> SelectedItems(int kind) = 0;
    // The item of the focused row, or null.
    virtual ListNode* FocusedItem(int kind) = 0;
    // The kind whose list is showing (0 when none yet).
    virtual int ShownKind() = 0;
    // Fills the list of the selected category's kind with its items.
    virtual void ShowCategoryContents() = 0;
    // Gives the keyboard focus to the list of the kind.
    virtual void FocusList(int kind) = 0;
};

// --- Message boxes (through ShowMessageBox, util/win_ui.h).
// Shows string id with the caption ("Error", "Question", "Information" or the program title).
int ShowItemMessage(HWND owner, uint32_t id, TvCaption caption, UINT type);
// Shows the message of a category check when it has one; returns the check's code.
int ShowCheckResult(HWND owner, const CategoryCheckResult& result);

// --- Dialogs, replaceable by tests (defaults: the real dialogs of win_item_dialogs.h).
struct TItemDialogs {
    bool (*fileDeleteType)(HWND owner, FileDeleteTypeParams* io) = RunFileDeleteTypeDialog;
    bool (*bookmark)(HWND owner, BookmarkDialogParams* io) = RunBookmarkDialog;
    bool (*newShortcut)(HWND owner, NewShortcutParams* io) = RunNewShortcutDialog;
    void (*categoryProperties)(HWND owner, const CategoryPropertiesParams* in) = RunCategoryPropertiesDialog;
};

// The texts of the category properties page for a category (false for an invalid node).
bool FillCategoryProperties(const TProgramData* data, const ListNode* node, CategoryPropertiesParams* out);

class TItemOperations {
public:
    // tree and views may be null (no view is then updated); data must stay alive.
    TItemOperations(TProgramData* data, TCategoryTreeObject* tree, TItemViews* views)
        : data_(data), tree_(tree), views_(views) {}

    TItemDialogs dialogs;

    TProgramData* Data() const { return data_; }
    StorageLocations Locations() const;

    // --- Storage folders.
    // Creates missing storage locations and category folders (kindMask bit 0 downloads, bit 1
    // shortcuts; one level per call).
    void EnsureStorageFolders(int kindMask);
    // Moves every stored file of the kind (1 downloads, 3 shortcuts) from its place under oldBase
    // to its place under the current storage location (the settings hold the new base already),
    // then removes the emptied category folders and the old base. Nothing happens when the bases
    // are equal; nested bases (one inside the other) are refused, since moving between them
    // could overwrite files not moved yet. Returns the number of items that could not be moved
    // (-1 when refused).
    int MoveStorageLocation(const char* oldBase, const char* newBase, int kind);

    // --- Categories (each runs its check first, with messages; 1 = done, 0 = not done).
    // Adds "New Category" under the selected category, creates its folder, shows it under the
    // parent (expanded) and starts label editing. Returns the new node.
    ListNode* NewCategory(HWND window);
    int RenameCategory(HWND window, ListNode* node, const char* newName);
    int MoveCategory(HWND window, ListNode* node, int32_t destinationParentId);
    // node null = the selected category.
    int DeleteCategory(HWND window, ListNode* node = nullptr);
    // The read-only properties page of the category (node null = the selected one).
    void ShowCategoryProperties(HWND window, ListNode* node = nullptr);

    // --- Downloads.
    // node null = the focused download. Returns TV_DELETE_* bits (0 = nothing done).
    int DeleteDownload(HWND window, ListNode* node, int deleteType, int updateView, int askType, int selectNext);
    // Asks the delete type once, then deletes every selected download. Returns how many.
    int DeleteSelectedDownloads(HWND window);
    // 1 when the record (and its stored file) got the new name.
    int RenameDownload(HWND window, ListNode* node, const char* newName, int viewFlags);
    // Flag bit 0 and the size from the stored file (file intake's RefreshFileState).
    void RefreshDownloadState(ListNode* node);

    // --- Bookmarks.
    // New (isNew = 1, optionally filled from templateRecord) or edit (editNode, null = the focused
    // bookmark). Returns the bookmark's node, null when cancelled or nothing to edit.
    ListNode* AddOrEditBookmark(HWND window, int isNew, const BookmarkItem* templateRecord, ListNode* editNode,
                                int updateView, int showDialog);
    int DeleteBookmark(ListNode* node, int updateView, int selectNext);
    // Asks 3502, then deletes every selected bookmark. Returns how many.
    int DeleteSelectedBookmarks(HWND window);

    // --- Shortcuts.
    // Copies (or with TV_SHORTCUT_MOVE moves) a file into the shortcut category under a unique
    // title and adds it. Returns the new node, null on failure.
    ListNode* AddShortcutFile(const char* path, ListNode* category, int flags);
    int RenameShortcut(HWND window, ListNode* node, const char* newTitle, int viewFlags);
    int DeleteShortcut(HWND window, ListNode* node, int updateView);
    // Asks 3503, then deletes every selected shortcut. Returns how many.
    int DeleteSelectedShortcuts(HWND window);
    void RefreshShortcutState(ListNode* node);
    // Writes a shell link to target named title + ".lnk" into the category's folder and adds its
    // record. Returns the record's node, null when nothing was created.
    ListNode* CreateShortcutFile(HWND window, ListNode* category, const char* target, const char* title,
                                 int showCategory);
    // The "New Shortcut" command.
    ListNode* NewShortcut(HWND window);

private:
    TProgramData* data_;
    TCategoryTreeObject* tree_;
    TItemViews* views_;

    ListNode* SelectedCategory() const;
};
