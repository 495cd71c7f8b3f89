#include "core/row_index.h"

#include <algorithm>

#include "core/rows.h"
#include "util/text.h"

void TItemRowIndex::Attach(int kind, const TDynamicListObject* list, TvTextCompareFn compare, void* context) {
    kind_ = kind;
    list_ = list;
    compare_ = compare;
    context_ = context;
    Clear();
}

void TItemRowIndex::Clear() {
    categoryId_ = -1;
    filter_.clear();
    categoryRows_.clear();
    rows_.clear();
}

bool TItemRowIndex::InCategory(const ListNode* node) const {
    if (!list_ || !list_->IsNodeValid(node, 0)) return false;
    switch (kind_) {
        case TV_KIND_DOWNLOADS: {
            const FileItem* r = TFileListObject::Item(node);
            return r->categoryId == categoryId_ && TFileListObject::IsItemShown(r);
        }
        case TV_KIND_BOOKMARKS: {
            const BookmarkItem* r = TBookmarkListObject::Item(node);
            return r->categoryId == categoryId_ && TBookmarkListObject::IsItemShown(r);
        }
        case TV_KIND_SHORTCUTS: {
            const ShortcutItem* r = TShortcutListObject::Item(node);
            return r->categoryId == categoryId_ && TShortcutListObject::IsItemShown(r);
        }
        default:
            return false;
    }
}

bool TItemRowIndex::Matches(const ListNode* node, const char* filter) const {
    switch (kind_) {
        case TV_KIND_DOWNLOADS:
            return static_cast<const TFileListObject*>(list_)->ItemMatches(TFileListObject::Item(node), filter, 0, 0) != 0;
        case TV_KIND_BOOKMARKS:
            return static_cast<const TBookmarkListObject*>(list_)->ItemMatches(TBookmarkListObject::Item(node), filter, 0,
                                                                               0) != 0;
        case TV_KIND_SHORTCUTS:
            return static_cast<const TShortcutListObject*>(list_)->ItemMatches(TShortcutListObject::Item(node), filter, 0,
                                                                               0) != 0;
        default:
            return false;
    }
}

int TItemRowIndex::Compare(const ListNode* a, const ListNode* b) const {
    int result = 0;
    switch (kind_) {
        case TV_KIND_DOWNLOADS:
            result = CompareDownloadRecords(TFileListObject::Item(a), TFileListObject::Item(b), sortField_, compare_,
                                            context_);
            break;
        case TV_KIND_BOOKMARKS:
            result = CompareBookmarkRecords(TBookmarkListObject::Item(a), TBookmarkListObject::Item(b), sortField_,
                                            compare_, context_);
            break;
        case TV_KIND_SHORTCUTS:
            result = CompareShortcutRecords(TShortcutListObject::Item(a), TShortcutListObject::Item(b), sortField_,
                                            compare_, context_);
            break;
        default:
            break;
    }
    return descending_ ? -result : result;
}

void TItemRowIndex::SortNodes(std::vector<ListNode*>* nodes) const {
    if (sortField_ < 0 || nodes->size() < 2) return;
    std::stable_sort(nodes->begin(), nodes->end(),
                     [this](const ListNode* a, const ListNode* b) { return Compare(a, b) < 0; });
}

size_t TItemRowIndex::PlaceOf(const std::vector<ListNode*>& nodes, const ListNode* node) const {
    if (sortField_ < 0) return nodes.size();
    // After the last row that does not sort behind it. Rows whose record went away count as equal
    // (they are never read).
    return size_t(std::upper_bound(nodes.begin(), nodes.end(), node,
                                   [this](const ListNode* x, const ListNode* row) {
                                       return list_->IsNodeValid(row, 1) && Compare(x, row) < 0;
                                   }) -
                  nodes.begin());
}

void TItemRowIndex::Fill(int32_t categoryId, const char* filter) {
    categoryId_ = categoryId;
    categoryRows_.clear();
    if (list_)
        for (ListNode* node = list_->First(); node; node = node->next)
            if (InCategory(node)) categoryRows_.push_back(node);
    SortNodes(&categoryRows_);
    Refilter(categoryRows_, filter);
}

void TItemRowIndex::Refilter(const std::vector<ListNode*>& from, const char* filter) {
    filter_ = filter ? filter : "";
    if (filter_.empty()) {
        if (&from != &rows_) rows_ = from;
        return;
    }
    std::vector<ListNode*> kept;
    kept.reserve(from.size());
    for (ListNode* node : from)
        if (Matches(node, filter_.c_str())) kept.push_back(node);
    rows_.swap(kept);
}

void TItemRowIndex::SetFilter(const char* filter) {
    const std::string wanted = filter ? filter : "";
    if (categoryId_ < 0 || !list_) {
        filter_ = wanted;
        return;
    }
    // Records that left the list or the category since the fill have no row any more.
    auto gone = [this](const ListNode* node) { return !list_->ContainsNode(node) || !InCategory(node); };
    categoryRows_.erase(std::remove_if(categoryRows_.begin(), categoryRows_.end(), gone), categoryRows_.end());
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), gone), rows_.end());
    // Whatever contains the longer text contains the shorter one: only the rows shown can stay.
    const bool narrows =
        !filter_.empty() && !wanted.empty() && FindText(wanted.c_str(), filter_.c_str(), 0, 0) >= 0;
    if (narrows) {
        const std::vector<ListNode*> current = rows_;
        Refilter(current, wanted.c_str());
    } else {
        Refilter(categoryRows_, wanted.c_str());
    }
}

void TItemRowIndex::Sort(int field, bool descending) {
    sortField_ = field < 0 ? -1 : field;
    descending_ = sortField_ >= 0 && descending;
    if (sortField_ < 0 || !list_) return;
    auto gone = [this](const ListNode* node) { return !list_->IsNodeValid(node, 1); };
    categoryRows_.erase(std::remove_if(categoryRows_.begin(), categoryRows_.end(), gone), categoryRows_.end());
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), gone), rows_.end());
    SortNodes(&categoryRows_);
    if (filter_.empty() && rows_.size() == categoryRows_.size())
        rows_ = categoryRows_;
    else
        SortNodes(&rows_);
}

void TItemRowIndex::ToggleSort(int field) {
    if (field < 0) return;
    Sort(field, field == sortField_ ? !descending_ : false);
}

ListNode* TItemRowIndex::NodeAt(size_t row) const {
    if (row >= rows_.size() || !list_) return nullptr;
    ListNode* node = rows_[row];
    return list_->IsNodeValid(node, 1) ? node : nullptr;
}

int TItemRowIndex::RowOf(const ListNode* node) const {
    if (!node) return -1;
    const auto it = std::find(rows_.begin(), rows_.end(), node);
    return it == rows_.end() ? -1 : int(it - rows_.begin());
}

int TItemRowIndex::Insert(ListNode* node) {
    if (!list_ || !list_->IsNodeValid(node, 1)) return -1;
    const int present = RowOf(node);
    if (present >= 0) return present;
    if (std::find(categoryRows_.begin(), categoryRows_.end(), node) == categoryRows_.end())
        categoryRows_.insert(categoryRows_.begin() + std::ptrdiff_t(PlaceOf(categoryRows_, node)), node);
    const size_t row = PlaceOf(rows_, node);
    rows_.insert(rows_.begin() + std::ptrdiff_t(row), node);
    return int(row);
}

int TItemRowIndex::Reposition(const ListNode* node) {
    const int row = RowOf(node);
    if (row < 0 || sortField_ < 0 || !list_->IsNodeValid(node, 1)) return row;
    ListNode* moving = rows_[size_t(row)];
    rows_.erase(rows_.begin() + row);
    const auto inCategory = std::find(categoryRows_.begin(), categoryRows_.end(), node);
    if (inCategory != categoryRows_.end()) {
        categoryRows_.erase(inCategory);
        categoryRows_.insert(categoryRows_.begin() + std::ptrdiff_t(PlaceOf(categoryRows_, node)), moving);
    }
    const size_t place = PlaceOf(rows_, node);
    rows_.insert(rows_.begin() + std::ptrdiff_t(place), moving);
    return int(place);
}

int TItemRowIndex::Remove(const ListNode* node) {
    if (!node) return -1;
    const auto inCategory = std::find(categoryRows_.begin(), categoryRows_.end(), node);
    if (inCategory != categoryRows_.end()) categoryRows_.erase(inCategory);
    const int row = RowOf(node);
    if (row >= 0) rows_.erase(rows_.begin() + row);
    return row;
}
