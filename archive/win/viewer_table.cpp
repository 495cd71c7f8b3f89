// The member list of an internal viewer.
#include "archive/win/viewer_table.h"

#include "archive/viewer_ids.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

const struct {
    int width;
    int format;
} kColumns[IV_COLUMNS] = {
    {150, LVCFMT_LEFT}, {110, LVCFMT_LEFT}, {70, LVCFMT_RIGHT}, {40, LVCFMT_RIGHT}, {70, LVCFMT_RIGHT}, {220, LVCFMT_LEFT},
};

void ColumnLayout(int column, void*, int* width, int* format) {
    *width = kColumns[column].width;
    *format = kColumns[column].format;
}

}  // namespace

bool TArchiveFileTableObject::Create(HWND parent, int id) {
    if (!CreateList(parent, id, IDS_IV_COLUMN_FIRST, IV_COLUMNS, ColumnLayout)) return false;
    rows_.SetSortKeyFunction(LocaleSortKey, nullptr);
    return true;
}

void TArchiveFileTableObject::Clear() {
    rows_.Clear();
    setup_ = nullptr;
    if (!list_) return;
    SelectNone();
    SetRowCount(0);
}

void TArchiveFileTableObject::Fill(const TArchiveFileListObject& list, const ArchiveMember* setup, bool rebuildIcons) {
    if (list_) {
        // The old rows go first: their members may already be released.
        LVITEMA none = {};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&none));
        SendMessageA(list_, LVM_SETITEMCOUNT, 0, 0);
    }
    rows_.Assign(list);
    setup_ = setup;
    if (rebuildIcons || images_.Empty()) RebuildIcons(list);
    SortRows();
    SetRowCount(int(rows_.Size()));
}

void TArchiveFileTableObject::RebuildIcons(const TArchiveFileListObject& list) {
    icons_.Clear();
    std::vector<const char*> names;
    for (const ListNode* node = list.First(); node; node = node->next)
        if (const ArchiveMember* m = TArchiveFileListObject::Item(node)) names.push_back(m->name);
    for (const std::string& extension : images_.Rebuild(names, list_)) {
        FileIconItem item;
        item.extension = const_cast<char*>(extension.c_str());
        item.imageIndex = images_.ImageOf(extension.c_str(), false);
        icons_.Add(&item, 0);
    }
}

int TArchiveFileTableObject::ImageOf(const ArchiveMember* member) const {
    if (!member) return images_.ImageOf("", false);
    return images_.ImageOf(member->name, member == setup_ || member->setup);
}

const char* TArchiveFileTableObject::NameOfRow(int row) const {
    const ArchiveMember* m = MemberOfRow(row);
    return m ? m->name : nullptr;
}

void TArchiveFileTableObject::OnGetDispInfo(NMLVDISPINFOA* info) {
    if (!info) return;
    const ArchiveMember* m = MemberOfRow(info->item.iItem);
    if (!m) return;
    if (info->item.mask & LVIF_TEXT) {
        if (info->item.iSubItem == IV_COLUMN_TIME)
            FormatMemberTimeCell(*m, textBuffer_, sizeof textBuffer_);
        else
            FormatMemberCell(*m, info->item.iSubItem, textBuffer_, sizeof textBuffer_);
    }
    AnswerDispInfo(info, textBuffer_, ImageOf(m));
}

int TArchiveFileTableObject::RowOfItem(const ArchiveMember* member) const {
    for (size_t i = 0; i < rows_.Size(); ++i)
        if (rows_.Row(i) == member) return int(i);
    return -1;
}
