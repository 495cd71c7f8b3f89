#include "core/row_index.h"

#include <algorithm>

#include "core/rows.h"
#include "util/text.h"

void TItemRowIndex::Attach(int kind, const TDynamicListObject* list, TvTextCompareFn compare, void* context,
                           TvSortKeyFn keys) {
    kind_ = kind;
    list_ = list;
    compare_ = compare;
    context_ = context;
    keys_ = keys;
    Clear();
}

void TItemRowIndex::Clear() {
    categoryId_ = -1;
    rowBytesKnown_ = false;
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

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

// Whether a text contains a pattern, letter case of A-Z not counting: what the lists' ItemMatches
// asks of each field (FindText without case and whole words), in one pass over the text and with
// the pattern folded once instead of at every comparison.
class TCaselessFinder {
public:
    explicit TCaselessFinder(const char* pattern) {
        for (const char* p = pattern ? pattern : ""; *p; ++p) folded_.push_back(Fold(*p));
        if (!folded_.empty()) {
            first_ = folded_[0];
            firstUpper_ = first_ >= 'a' && first_ <= 'z' ? char(first_ - 32) : first_;
        }
    }
    bool In(const char* text) const {
        if (!text || folded_.empty()) return false;
        const size_t m = folded_.size();
        for (const char* t = text; *t; ++t) {
            if (*t != first_ && *t != firstUpper_) continue;
            size_t k = 1;
            while (k < m && t[k] && Fold(t[k]) == folded_[k]) ++k;
            if (k == m) return true;
            if (!t[k]) return false;  // the rest of the text is shorter than the pattern
        }
        return false;
    }

private:
    std::string folded_;
    char first_ = 0, firstUpper_ = 0;
};

bool RowMatches(int kind, const ListNode* node, const TCaselessFinder& finder) {
    switch (kind) {
        case TV_KIND_DOWNLOADS: {
            const FileItem* r = TFileListObject::Item(node);
            return finder.In(r->fileName) || finder.In(r->description) || finder.In(r->extractedTo) ||
                   finder.In(r->website);
        }
        case TV_KIND_BOOKMARKS: {
            const BookmarkItem* r = TBookmarkListObject::Item(node);
            return finder.In(r->url) || finder.In(r->title) || finder.In(r->description);
        }
        case TV_KIND_SHORTCUTS:
            return finder.In(TShortcutListObject::Item(node)->title);
        default:
            return false;
    }
}

}  // namespace

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

const char* TItemRowIndex::SortText(const ListNode* node) const {
    switch (kind_) {
        case TV_KIND_DOWNLOADS: return DownloadFieldText(TFileListObject::Item(node), sortField_);
        case TV_KIND_BOOKMARKS: return BookmarkFieldText(TBookmarkListObject::Item(node), sortField_);
        case TV_KIND_SHORTCUTS: return ShortcutFieldText(TShortcutListObject::Item(node), sortField_);
        default: return nullptr;
    }
}

void TItemRowIndex::SortNodes(std::vector<ListNode*>* nodes) const {
    if (sortField_ < 0 || nodes->size() < 2) return;
    if (keys_ && !nodes->empty() && SortText(nodes->front())) {
        // A column of texts: every text turned into its key once, then keys compared as bytes.
        std::vector<std::pair<std::string, ListNode*>> keyed(nodes->size());
        for (size_t i = 0; i < nodes->size(); ++i) {
            const char* text = SortText((*nodes)[i]);
            keys_(text ? text : "", &keyed[i].first, context_);
            keyed[i].second = (*nodes)[i];
        }
        if (descending_)
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
        else
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < nodes->size(); ++i) (*nodes)[i] = keyed[i].second;
        return;
    }
    std::stable_sort(nodes->begin(), nodes->end(),
                     [this](const ListNode* a, const ListNode* b) { return Compare(a, b) < 0; });
}

size_t TItemRowIndex::PlaceOf(const std::vector<ListNode*>& nodes, const ListNode* node) const {
    if (sortField_ < 0) return nodes.size();
    // After the last row that does not sort behind it. Rows whose record went away count as equal
    // (they are never read).
    return size_t(std::upper_bound(nodes.begin(), nodes.end(), node,
                                   [this](const ListNode* x, const ListNode* row) {
                                       return list_->IsNodeValid(row, Fresh() ? 0 : 1) && Compare(x, row) < 0;
                                   }) -
                  nodes.begin());
}

uint64_t TItemRowIndex::BytesOf(const ListNode* node) const {
    return kind_ == TV_KIND_DOWNLOADS ? TFileListObject::Item(node)->sizeLow : 0;
}

uint64_t TItemRowIndex::RowBytes() const {
    if (!list_) return 0;
    if (rowBytesKnown_ && bytesRemovals_ == list_->Removals()) return rowBytes_;
    uint64_t bytes = 0;
    for (size_t row = 0; row < rows_.size(); ++row) {
        const ListNode* node = NodeAt(row);
        if (node) bytes += BytesOf(node);
    }
    rowBytes_ = bytes;
    rowBytesKnown_ = true;
    bytesRemovals_ = list_->Removals();
    return bytes;
}

void TItemRowIndex::Fill(int32_t categoryId, const char* filter) {
    categoryId_ = categoryId;
    categoryRows_.clear();
    uint64_t bytes = 0;
    if (list_) {
        checkedRemovals_ = list_->Removals();
        for (ListNode* node = list_->First(); node; node = node->next)
            if (InCategory(node)) {
                categoryRows_.push_back(node);
                bytes += BytesOf(node);
            }
    }
    SortNodes(&categoryRows_);
    if (filter && filter[0]) {
        Refilter(&categoryRows_, filter, false);
        return;
    }
    filter_.clear();
    rows_ = categoryRows_;
    rowBytes_ = bytes;
    rowBytesKnown_ = list_ != nullptr;
    bytesRemovals_ = checkedRemovals_;
}

void TItemRowIndex::Refilter(std::vector<ListNode*>* source, const char* filter, bool checkCategory) {
    filter_ = filter ? filter : "";
    // One pass over the records: whether each is still in the category (those that left drop out
    // of the source too), whether it matches, and the sum of the sizes of those kept.
    const TCaselessFinder finder(filter_.c_str());
    const bool all = filter_.empty();
    std::vector<ListNode*> kept;
    kept.reserve(all ? source->size() : source->size() / 4);
    uint64_t bytes = 0;
    size_t stay = 0;
    for (size_t i = 0; i < source->size(); ++i) {
        ListNode* node = (*source)[i];
        if (checkCategory && !InCategory(node)) continue;
        (*source)[stay++] = node;
        if (all || RowMatches(kind_, node, finder)) {
            kept.push_back(node);
            bytes += BytesOf(node);
        }
    }
    source->resize(stay);
    rows_.swap(kept);
    rowBytes_ = bytes;
    rowBytesKnown_ = list_ != nullptr;
    if (list_) bytesRemovals_ = list_->Removals();
}

void TItemRowIndex::DropReleasedNodes() {
    if (!list_ || Fresh()) return;
    auto released = [this](const ListNode* node) { return !list_->ContainsNode(node); };
    categoryRows_.erase(std::remove_if(categoryRows_.begin(), categoryRows_.end(), released), categoryRows_.end());
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), released), rows_.end());
    checkedRemovals_ = list_->Removals();
    rowBytesKnown_ = false;
}

void TItemRowIndex::SetFilter(const char* filter) {
    const std::string wanted = filter ? filter : "";
    if (categoryId_ < 0 || !list_) {
        filter_ = wanted;
        return;
    }
    // Records that left the list or the category since the fill have no row any more.
    DropReleasedNodes();
    // Whatever contains the longer text contains the shorter one: only the rows shown can stay.
    const bool narrows =
        !filter_.empty() && !wanted.empty() && FindText(wanted.c_str(), filter_.c_str(), 0, 0) >= 0;
    // The category's rows keep records that left it until they are next gone through.
    Refilter(narrows ? &rows_ : &categoryRows_, wanted.c_str(), true);
}

void TItemRowIndex::Sort(int field, bool descending) {
    sortField_ = field < 0 ? -1 : field;
    descending_ = sortField_ >= 0 && descending;
    if (sortField_ < 0 || !list_) return;
    DropReleasedNodes();
    auto invalid = [this](const ListNode* node) { return !list_->IsNodeValid(node, 0); };
    categoryRows_.erase(std::remove_if(categoryRows_.begin(), categoryRows_.end(), invalid), categoryRows_.end());
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), invalid), rows_.end());
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
    // While no node was released, every row's node is the list's own: only its record is checked.
    return list_->IsNodeValid(node, Fresh() ? 0 : 1) ? node : nullptr;
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
    rowBytesKnown_ = false;
    return int(row);
}

int TItemRowIndex::Reposition(const ListNode* node) {
    const int row = RowOf(node);
    rowBytesKnown_ = false;  // its size may have changed with its texts
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
    rowBytesKnown_ = false;
    return row;
}
