#include "catops/win_category_tree.h"

#include "util/text.h"
#include "util/win_imagelist.h"
#include "util/safestr.h"

namespace {
HTREEITEM AsItem(void* handle) { return static_cast<HTREEITEM>(handle); }
}  // namespace

TCategoryTreeObject::~TCategoryTreeObject() { Destroy(); }

bool TCategoryTreeObject::Create(HWND parent, TCategoryListObject* list, int recreate, HINSTANCE module) {
    if (tree_ && recreate) Destroy();
    list_ = list;
    owner_ = parent;
    if (!module) module = GetModuleHandleA(nullptr);
    if (!tree_) {
        tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                                    TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(TV_CATEGORY_TREE_ID)),
                                module, nullptr);
        if (!tree_) return false;
    }
    if (images_) {
        TreeView_SetImageList(tree_, nullptr, TVSIL_NORMAL);
        ImageList_Destroy(images_);
    }
    images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, TV_TREE_IMAGE_COUNT, 0);
    if (images_) {
        AddStripToImageList(images_, module, "CATLISTBMP");
        AddStripToImageList(images_, module, "FOLDERSBMP");
        TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
    }
    return true;
}

void TCategoryTreeObject::Destroy() {
    ClearHandles();
    if (tree_ && IsWindow(tree_)) DestroyWindow(tree_);
    tree_ = nullptr;
    if (images_) ImageList_Destroy(images_);
    images_ = nullptr;
}

void TCategoryTreeObject::ClearHandles() {
    if (!list_) return;
    for (ListNode* node = list_->First(); node; node = node->next)
        if (CategoryItem* c = TCategoryListObject::Item(node)) c->treeItem = nullptr;
}

// Clears the handles of the category and everything below it. A category whose handle is already
// clear is not visited again, so even a damaged parent chain ends.
void TCategoryTreeObject::ClearSubtreeHandles(ListNode* node) {
    CategoryItem* c = TCategoryListObject::Item(node);
    if (!c || !c->treeItem) return;
    c->treeItem = nullptr;
    for (ListNode* child = list_->First(); child; child = child->next) {
        const CategoryItem* k = TCategoryListObject::Item(child);
        if (child != node && list_->IsNodeValid(child, 0) && k->kind == c->kind && k->id != 0 && k->parentId == c->id)
            ClearSubtreeHandles(child);
    }
}

HTREEITEM TCategoryTreeObject::ItemOf(const ListNode* node) const {
    if (!list_ || !list_->IsNodeValid(node, 1)) return nullptr;
    return AsItem(TCategoryListObject::Item(node)->treeItem);
}

ListNode* TCategoryTreeObject::NodeOfItem(HTREEITEM item) const {
    if (!tree_ || !item || !list_) return nullptr;
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM | TVIF_HANDLE;
    tvi.hItem = item;
    if (!TreeView_GetItem(tree_, &tvi)) return nullptr;
    ListNode* node = reinterpret_cast<ListNode*>(tvi.lParam);
    return list_->IsNodeValid(node, 1) ? node : nullptr;
}

HTREEITEM TCategoryTreeObject::InsertItem(ListNode* node, HTREEITEM parent, HTREEITEM after) {
    if (!tree_ || !list_ || !list_->IsNodeValid(node, 1)) return nullptr;
    CategoryItem* c = TCategoryListObject::Item(node);
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    insert.item.pszText = c->name;
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    if (c->id == 0) {
        const int image = (c->kind >= 1 && c->kind <= 3) ? c->kind - 1 : 0;
        insert.item.iImage = insert.item.iSelectedImage = image;
        insert.item.state = insert.item.stateMask = TVIS_BOLD;
    } else {
        insert.item.iImage = TV_TREE_IMAGE_CLOSED;
        insert.item.iSelectedImage = TV_TREE_IMAGE_OPEN;
    }
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    c->treeItem = item;
    return item;
}

void TCategoryTreeObject::InsertChildren(ListNode* node, HTREEITEM item) {
    const CategoryItem* c = TCategoryListObject::Item(node);
    for (ListNode* child = list_->First(); child; child = child->next) {
        if (child == node || !list_->IsNodeValid(child, 0)) continue;
        const CategoryItem* k = TCategoryListObject::Item(child);
        // A category already shown is not inserted twice (a damaged parent chain cannot loop).
        if (k->kind != c->kind || k->id == 0 || k->parentId != c->id || k->treeItem) continue;
        InsertCategorySubtree(child, item, TVI_LAST);
    }
}

HTREEITEM TCategoryTreeObject::InsertCategorySubtree(ListNode* node, HTREEITEM parent, HTREEITEM after) {
    HTREEITEM item = InsertItem(node, parent, after);
    if (!item) return nullptr;
    InsertChildren(node, item);
    TreeView_SortChildren(tree_, item, FALSE);
    return item;
}

void TCategoryTreeObject::RebuildCategoryTree(int lockRedraw, int downloads, int bookmarks, int shortcuts) {
    if (!tree_ || !list_) return;
    if (lockRedraw) SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
    // Whatever the user expanded since the last rebuild survives it.
    SyncExpandState(TV_SYNC_TO_FLAGS);
    ClearHandles();
    TreeView_DeleteAllItems(tree_);
    const int shown[3] = {downloads, bookmarks, shortcuts};
    bool first = true;
    for (int kind = 1; kind <= 3; ++kind) {
        if (!shown[kind - 1]) continue;
        ListNode* root = list_->FindCategoryById(0, kind);
        if (!root) continue;
        if (!first) {
            // The empty line between two roots: no text, no image, no category.
            TVINSERTSTRUCTA insert = {};
            insert.hParent = TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            insert.item.pszText = const_cast<char*>("");
            insert.item.iImage = insert.item.iSelectedImage = TV_TREE_IMAGE_COUNT;  // beyond the list
            insert.item.lParam = 0;
            SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
        }
        InsertCategorySubtree(root, TVI_ROOT, first ? TVI_FIRST : TVI_LAST);
        first = false;
    }
    SyncExpandState(TV_SYNC_FROM_FLAGS);
    if (lockRedraw) {
        SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_, nullptr, TRUE);
    }
}

void TCategoryTreeObject::Reparent(ListNode* node) {
    if (!tree_ || !list_ || !list_->IsNodeValid(node, 1)) return;
    CategoryItem* c = TCategoryListObject::Item(node);
    if (HTREEITEM old = AsItem(c->treeItem)) {
        SyncExpandState(TV_SYNC_TO_FLAGS);
        ClearSubtreeHandles(node);
        TreeView_DeleteItem(tree_, old);
    }
    ListNode* parent = list_->FindCategoryById(c->parentId, c->kind);
    HTREEITEM parentItem = ItemOf(parent);
    if (!parentItem) return;  // the parent is not shown: neither is the category
    InsertCategorySubtree(node, parentItem, TVI_LAST);
    SyncExpandState(TV_SYNC_FROM_FLAGS);
}

void TCategoryTreeObject::Remove(ListNode* node) {
    HTREEITEM item = ItemOf(node);
    if (!item) return;
    ClearSubtreeHandles(node);
    TreeView_DeleteItem(tree_, item);
}

void TCategoryTreeObject::Select(ListNode* node) {
    HTREEITEM item = ItemOf(node);
    if (!item) return;
    TreeView_SelectItem(tree_, item);
    TreeView_EnsureVisible(tree_, item);
}

bool TCategoryTreeObject::SelectById(int kind, int32_t id) {
    if (!list_) return false;
    ListNode* node = list_->FindCategoryById(id, kind);
    if (!ItemOf(node)) return false;
    Select(node);
    return true;
}

ListNode* TCategoryTreeObject::Selected() const {
    if (!tree_) return nullptr;
    return NodeOfItem(TreeView_GetSelection(tree_));
}

void TCategoryTreeObject::SyncExpandState(int mode) {
    if (!tree_ || !list_) return;
    for (ListNode* node = list_->First(); node; node = node->next) {
        if (!list_->IsNodeValid(node, 0)) continue;
        CategoryItem* c = TCategoryListObject::Item(node);
        HTREEITEM item = AsItem(c->treeItem);
        // An item without children shows no expanded state: its flag stays as it is.
        if (!item || !TreeView_GetChild(tree_, item)) continue;
        if (mode == TV_SYNC_TO_FLAGS) {
            const UINT state = TreeView_GetItemState(tree_, item, TVIS_EXPANDED);
            if (state & TVIS_EXPANDED)
                c->flags |= TV_CATEGORY_EXPANDED;
            else
                c->flags &= ~TV_CATEGORY_EXPANDED;
        } else if (mode == TV_SYNC_FROM_FLAGS) {
            TreeView_Expand(tree_, item, (c->flags & TV_CATEGORY_EXPANDED) ? TVE_EXPAND : TVE_COLLAPSE);
        }
    }
}

void TCategoryTreeObject::Expand(ListNode* node) {
    if (HTREEITEM item = ItemOf(node)) TreeView_Expand(tree_, item, TVE_EXPAND);
}

void TCategoryTreeObject::UpdateItemText(ListNode* node) {
    HTREEITEM item = ItemOf(node);
    if (!item) return;
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = TCategoryListObject::Item(node)->name;
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
}

HWND TCategoryTreeObject::EditLabel(ListNode* node) {
    HTREEITEM item = ItemOf(node);
    if (!item) return nullptr;
    SetFocus(tree_);
    return reinterpret_cast<HWND>(SendMessageA(tree_, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item)));
}
