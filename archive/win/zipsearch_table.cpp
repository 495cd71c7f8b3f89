// The hit view of the archive search result window.
#include "archive/win/zipsearch_table.h"

#include <algorithm>

#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr uint32_t kFirstHeading = 3940;  // 3940-3947

void ColumnLayout(int column, void*, int* width, int* format) {
    *width = ZipSearchColumnWidth(column);
    *format = ZipSearchColumnRight(column) ? LVCFMT_RIGHT : LVCFMT_LEFT;
}

}  // namespace

bool TZipSearchFileTableObject::Create(HWND parent, int id) {
    if (!CreateList(parent, id, kFirstHeading, ZS_COLUMNS, ColumnLayout)) return false;
    rows_.SetSortKeyFunction(LocaleSortKey, nullptr);
    return true;
}

void TZipSearchFileTableObject::Clear() {
    rows_.Clear();
    if (!list_) return;
    SelectNone();
    SetRowCount(0);
}

void TZipSearchFileTableObject::Fill(const TZipSearchFileListObject& hits, bool rebuildIcons) {
    Clear();
    hits_ = &hits;
    rows_.Assign(hits);
    if (rebuildIcons || images_.Empty()) RebuildIcons(hits);
    SortRows();
    SetRowCount(int(rows_.Size()));
}

void TZipSearchFileTableObject::RebuildIcons(const TZipSearchFileListObject& hits) {
    std::vector<const char*> names;
    for (const ListNode* node = hits.First(); node; node = node->next)
        if (const ArchiveSearchHit* hit = TZipSearchFileListObject::Item(node)) names.push_back(hit->member.name);
    images_.Rebuild(names, list_);
}

int TZipSearchFileTableObject::ImageOf(const ArchiveSearchHit* hit) const {
    if (!hit) return images_.ImageOf("", false);
    return images_.ImageOf(hit->member.name, hit->member.setup != 0);
}

const char* TZipSearchFileTableObject::NameOfRow(int row) const {
    const ArchiveSearchHit* hit = HitOfRow(row);
    return hit ? hit->member.name : nullptr;
}

void TZipSearchFileTableObject::OnGetDispInfo(NMLVDISPINFOA* info) {
    if (!info || !hits_) return;
    const ArchiveSearchHit* hit = HitOfRow(info->item.iItem);
    if (!hit) return;
    if (info->item.mask & LVIF_TEXT) {
        textBuffer_[0] = '\0';
        if (info->item.iSubItem == ZS_COLUMN_TIME)
            FormatMemberTimeCell(hit->member, textBuffer_, sizeof textBuffer_);
        else
            FormatZipSearchCell(*hits_, *hit, info->item.iSubItem, textBuffer_, sizeof textBuffer_);
    }
    AnswerDispInfo(info, textBuffer_, ImageOf(hit));
}

void TZipSearchFileTableObject::RemoveHit(const ArchiveSearchHit* hit) {
    const int row = RowOfHit(hit);
    if (row < 0) return;
    std::vector<const ArchiveSearchHit*> selected = SelectedHits();
    selected.erase(std::remove(selected.begin(), selected.end(), hit), selected.end());
    const ArchiveSearchHit* focused = FocusedHit();
    if (focused == hit) focused = HitOfRow(row + 1 < RowCount() ? row + 1 : row - 1);
    // The list view lets go of the row before the hit goes.
    SelectNone();
    rows_.Remove(hit);
    SetRowCount(int(rows_.Size()), LVSICF_NOSCROLL);
    Reselect(selected, focused);
}
