// The hit view of the archive search result window.
#include "archive/win/zipsearch_table.h"

#include <algorithm>
#include <unordered_set>

#include "archive/viewer_logic.h"
#include "archive/win/viewer_table.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr uint32_t kFirstHeading = 3940;  // 3940-3947
constexpr int kImageFile = 0;
constexpr int kImageSetup = 4;

}  // namespace

TZipSearchFileTableObject::~TZipSearchFileTableObject() {
    if (images_) ImageList_Destroy(images_);
}

bool TZipSearchFileTableObject::Create(HWND parent, int id) {
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0,
                            0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    if (!list_) return false;
    rows_.SetSortKeyFunction(LocaleSortKey, nullptr);
    for (int c = 0; c < ZS_COLUMNS; ++c) {
        char heading[64];
        CopyLimited(heading, LoadMessageText(UINT(kFirstHeading + uint32_t(c))), sizeof heading);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = ZipSearchColumnRight(c) ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = ZipSearchColumnWidth(c);
        column.pszText = heading;
        column.iSubItem = c;
        SendMessageA(list_, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
    }
    return true;
}

void TZipSearchFileTableObject::Clear() {
    rows_.Clear();
    if (!list_) return;
    SelectNone();
    SendMessageA(list_, LVM_SETITEMCOUNT, 0, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void TZipSearchFileTableObject::Fill(const TZipSearchFileListObject& hits, bool rebuildIcons) {
    Clear();
    hits_ = &hits;
    rows_.Assign(hits);
    if (rebuildIcons || !images_) RebuildIcons(hits);
    rows_.Sort(sortColumn_, sortDescending_);
    if (list_) {
        SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(rows_.Size()), 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
}

void TZipSearchFileTableObject::RebuildIcons(const TZipSearchFileListObject& hits) {
    imageOfExtension_.clear();
    std::vector<std::string> extensions;
    std::unordered_set<std::string> seen;
    for (const ListNode* node = hits.First(); node; node = node->next) {
        const ArchiveSearchHit* hit = TZipSearchFileListObject::Item(node);
        if (!hit) continue;
        std::string key = MemberExtensionKey(hit->member.name);
        if (key.empty() || key.size() >= TV_PATH_SIZE - 8 || !seen.insert(key).second) continue;
        extensions.push_back(key);
    }
    HIMAGELIST images = BuildMemberImageList(extensions, &imageOfExtension_);
    if (list_) SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    if (images_) ImageList_Destroy(images_);
    images_ = images;
}

int TZipSearchFileTableObject::ImageOf(const ArchiveSearchHit* hit) const {
    if (!hit) return kImageFile;
    if (hit->member.setup) return kImageSetup;
    const auto found = imageOfExtension_.find(MemberExtensionKey(hit->member.name));
    return found == imageOfExtension_.end() ? kImageFile : found->second;
}

void TZipSearchFileTableObject::OnGetDispInfo(NMLVDISPINFOA* info) {
    if (!info || !hits_) return;
    LVITEMA& item = info->item;
    const ArchiveSearchHit* hit = HitOfRow(item.iItem);
    if (!hit) return;
    if (item.mask & LVIF_TEXT) {
        textBuffer_[0] = '\0';
        if (item.iSubItem == ZS_COLUMN_TIME) {
            if (!hit->member.time.IsZero()) {
                FILETIME time;
                time.dwLowDateTime = hit->member.time.low;
                time.dwHighDateTime = hit->member.time.high;
                FormatFileTimeText(textBuffer_, &time, sizeof textBuffer_, TV_FT_DATE | TV_FT_TIME | TV_FT_NOSECONDS, 3);
            }
        } else {
            FormatZipSearchCell(*hits_, *hit, item.iSubItem, textBuffer_, sizeof textBuffer_);
        }
        if (item.pszText && item.cchTextMax > 0) CopyLimited(item.pszText, textBuffer_, size_t(item.cchTextMax));
    }
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = ImageOf(hit);
}

int TZipSearchFileTableObject::SelectedCount() const {
    return list_ ? int(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

std::vector<const ArchiveSearchHit*> TZipSearchFileTableObject::SelectedHits() const {
    std::vector<const ArchiveSearchHit*> out;
    if (!list_) return out;
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0) {
        const ArchiveSearchHit* hit = HitOfRow(row);
        if (hit) out.push_back(hit);
    }
    return out;
}

std::vector<const ArchiveSearchHit*> TZipSearchFileTableObject::AllHits() const {
    std::vector<const ArchiveSearchHit*> out;
    for (size_t i = 0; i < rows_.Size(); ++i) out.push_back(rows_.Row(i));
    return out;
}

const ArchiveSearchHit* TZipSearchFileTableObject::FocusedHit() const {
    if (!list_) return nullptr;
    return HitOfRow(int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)));
}

bool TZipSearchFileTableObject::IsRowSelected(int row) const {
    return list_ && (SendMessageA(list_, LVM_GETITEMSTATE, WPARAM(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TZipSearchFileTableObject::SelectRow(int row, bool selected) {
    if (!list_) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TZipSearchFileTableObject::FocusRow(int row) {
    if (!list_ || row < 0 || row >= RowCount()) return;
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TZipSearchFileTableObject::SelectAll() { SelectRow(-1, true); }
void TZipSearchFileTableObject::SelectNone() { SelectRow(-1, false); }

void TZipSearchFileTableObject::InvertSelection() {
    const int count = RowCount();
    std::vector<bool> was(size_t(count), false);
    for (int i = 0; i < count; ++i) was[size_t(i)] = IsRowSelected(i);
    SelectNone();
    for (int i = 0; i < count; ++i)
        if (!was[size_t(i)]) SelectRow(i, true);
}

int TZipSearchFileTableObject::SelectMatching(const char* mask, bool select) {
    int changed = 0;
    for (int i = 0; i < RowCount(); ++i) {
        const ArchiveSearchHit* hit = HitOfRow(i);
        if (!hit || !MaskSelectsName(hit->member.name, mask)) continue;
        if (IsRowSelected(i) != select) {
            SelectRow(i, select);
            ++changed;
        }
    }
    return changed;
}

void TZipSearchFileTableObject::Restore(const std::vector<const ArchiveSearchHit*>& selected,
                                        const ArchiveSearchHit* focused) {
    std::unordered_set<const ArchiveSearchHit*> chosen(selected.begin(), selected.end());
    SelectNone();
    for (int i = 0; i < RowCount(); ++i)
        if (chosen.count(HitOfRow(i))) SelectRow(i, true);
    if (focused) FocusRow(RowOfHit(focused));
    if (list_) InvalidateRect(list_, nullptr, FALSE);
}

void TZipSearchFileTableObject::SortByColumn(int column) {
    if (column < 0 || column >= ZS_COLUMNS) return;
    const std::vector<const ArchiveSearchHit*> selected = SelectedHits();
    const ArchiveSearchHit* focused = FocusedHit();
    NextSortOrder(column, &sortColumn_, &sortDescending_);
    rows_.Sort(sortColumn_, sortDescending_);
    Restore(selected, focused);
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
    if (list_) SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(rows_.Size()), LVSICF_NOSCROLL);
    Restore(selected, focused);
}
