// The category tree view: one tree of all three kinds of categories, the roots in bold with an
// empty line between two shown roots, each level sorted by name. Every tree item carries its
// category's ListNode as parameter, and every category record keeps the handle of its item
// (null while it is not shown).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/items.h"

// Control id of the tree view inside the main window.
constexpr int TV_CATEGORY_TREE_ID = 301;

// Image-list positions: the roots of kind 1, 2, 3, then a closed and an open folder.
enum { TV_TREE_IMAGE_CLOSED = 3, TV_TREE_IMAGE_OPEN = 4, TV_TREE_IMAGE_COUNT = 5 };

// Modes of SyncExpandState.
enum { TV_SYNC_TO_FLAGS = 1, TV_SYNC_FROM_FLAGS = 2 };

class TCategoryTreeObject {
public:
    TCategoryTreeObject() = default;
    ~TCategoryTreeObject();
    TCategoryTreeObject(const TCategoryTreeObject&) = delete;
    TCategoryTreeObject& operator=(const TCategoryTreeObject&) = delete;

    // Creates the tree view as a child of parent showing list (recreate = 1 destroys an existing
    // one first) and (re)builds its image list from "CATLISTBMP" and "FOLDERSBMP" of module (null:
    // the program). Returns false when the window could not be created. Shows nothing yet: call
    // RebuildCategoryTree.
    bool Create(HWND parent, TCategoryListObject* list, int recreate, HINSTANCE module = nullptr);
    // Destroys the window and the image list and clears every category's item handle.
    void Destroy();

    HWND Window() const { return tree_; }
    HWND Owner() const { return owner_; }
    TCategoryListObject* List() const { return list_; }

    // Clears every item handle, deletes all items and inserts the root (with its subtree) of each
    // kind whose flag is 1, an empty line between two shown roots. The expanded state is kept:
    // the current one is copied into the category flags first and applied again at the end.
    // lockRedraw = 1 keeps the window from repainting until the end.
    void RebuildCategoryTree(int lockRedraw, int downloads = 1, int bookmarks = 1, int shortcuts = 1);
    // One item for the category (text = name; roots bold with their kind's image, others folders).
    // Stores the handle in the category and returns it (null on failure).
    HTREEITEM InsertItem(ListNode* node, HTREEITEM parent, HTREEITEM after);
    // The category, below it every valid category of its kind whose parent it is (recursively),
    // then the new item's children sorted by name.
    HTREEITEM InsertCategorySubtree(ListNode* node, HTREEITEM parent, HTREEITEM after);
    // Moves the category's item (with its subtree) under its parent's item, last.
    void Reparent(ListNode* node);
    // Deletes the category's item (and its children's).
    void Remove(ListNode* node);
    // Makes the category's item the caret selection (and visible).
    void Select(ListNode* node);
    // Selects the category (kind, id); false when it is not shown.
    bool SelectById(int kind, int32_t id);
    // The category of the selected item; null when nothing or the empty line is selected.
    ListNode* Selected() const;
    // The category of a tree item (null for the empty line or a foreign item).
    ListNode* NodeOfItem(HTREEITEM item) const;
    // TV_SYNC_TO_FLAGS: each shown category's flag bit 0 = its item is expanded.
    // TV_SYNC_FROM_FLAGS: every item is expanded or collapsed by that bit.
    void SyncExpandState(int mode);
    // Expands the category's item.
    void Expand(ListNode* node);
    // Rewrites the item text from the category's name.
    void UpdateItemText(ListNode* node);
    // Starts label editing on the category's item; returns the edit control (null on failure).
    HWND EditLabel(ListNode* node);

private:
    HWND tree_ = nullptr;
    HWND owner_ = nullptr;
    HIMAGELIST images_ = nullptr;
    TCategoryListObject* list_ = nullptr;

    HTREEITEM ItemOf(const ListNode* node) const;
    void ClearHandles();
    void ClearSubtreeHandles(ListNode* node);
    void InsertChildren(ListNode* node, HTREEITEM item);
};
