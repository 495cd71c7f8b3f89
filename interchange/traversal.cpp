#include "interchange/traversal.h"

#include <unordered_set>

std::vector<TCategoryVisit> WalkCategories(const TCategoryListObject& categories, const ListNode* start) {
    std::vector<TCategoryVisit> visits;
    if (!categories.IsNodeValid(start, 1)) return visits;
    const int kind = TCategoryListObject::Item(start)->kind;

    // Children of every id of this kind, in list order (roots excluded: id 0 is never a child).
    std::unordered_map<int32_t, std::vector<const ListNode*>> children;
    for (const ListNode* node = categories.First(); node; node = node->next) {
        if (!categories.IsNodeValid(node, 0)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind == kind && c->id != 0) children[c->parentId].push_back(node);
    }

    std::unordered_set<int32_t> seen;
    seen.insert(TCategoryListObject::Item(start)->id);
    visits.push_back({start, TCategoryVisit::kNoParent});
    // Each frame: the walk index of a category and how many of its children were taken.
    struct Frame {
        size_t visit;
        size_t next;
    };
    std::vector<Frame> stack{{0, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const int32_t id = TCategoryListObject::Item(visits[top.visit].node)->id;
        const auto it = children.find(id);
        if (it == children.end() || top.next >= it->second.size()) {
            stack.pop_back();
            continue;
        }
        const ListNode* child = it->second[top.next++];
        // A second category with an id already met (or a loop back) is not walked again.
        if (!seen.insert(TCategoryListObject::Item(child)->id).second) continue;
        visits.push_back({child, top.visit});
        stack.push_back({visits.size() - 1, 0});
    }
    return visits;
}

int32_t ItemCategoryId(int kind, const ListNode* node) {
    if (!node || !node->item) return -1;
    switch (kind) {
    case TV_KIND_DOWNLOADS:
        return static_cast<const FileItem*>(node->item)->categoryId;
    case TV_KIND_BOOKMARKS:
        return static_cast<const BookmarkItem*>(node->item)->categoryId;
    case TV_KIND_SHORTCUTS:
        return static_cast<const ShortcutItem*>(node->item)->categoryId;
    }
    return -1;
}

TItemsByCategory::TItemsByCategory(const TDynamicListObject& list, int kind) {
    for (const ListNode* node = list.First(); node; node = node->next)
        if (list.IsNodeValid(node, 0)) groups_[ItemCategoryId(kind, node)].push_back(node);
}

const std::vector<const ListNode*>& TItemsByCategory::Of(int32_t categoryId) const {
    const auto it = groups_.find(categoryId);
    return it == groups_.end() ? none_ : it->second;
}
