// The one order in which interchange files meet categories and items: starting at a category,
// its own items first (in list order), then each subcategory's subtree, the subcategories in
// category-list order. Records and stored-file blocks are paired by this order alone, so the
// writer and the reader both walk it through these helpers. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/items.h"

// One category met on the walk: its node and the index (in the walk) of the category it was met
// under; the start has no parent (kNoParent).
struct TCategoryVisit {
    static constexpr size_t kNoParent = size_t(-1);
    const ListNode* node;
    size_t parent;
};

// The categories of kind below the category start (itself first), depth first in list order.
// Every category is met once, also in a damaged tree (duplicate ids, loops); the walk uses no
// recursion, so a very deep tree costs no stack. Empty when start is no valid category.
std::vector<TCategoryVisit> WalkCategories(const TCategoryListObject& categories, const ListNode* start);

// The valid items of a list of the kind (1 downloads, 2 bookmarks, 3 shortcuts) grouped by
// category id, each group in list order.
class TItemsByCategory {
public:
    TItemsByCategory(const TDynamicListObject& list, int kind);
    // The items of the category (empty when none).
    const std::vector<const ListNode*>& Of(int32_t categoryId) const;

private:
    std::unordered_map<int32_t, std::vector<const ListNode*>> groups_;
    std::vector<const ListNode*> none_;
};

// The category id of an item of the three item lists (the field sits at a different place in
// each record type).
int32_t ItemCategoryId(int kind, const ListNode* node);
