#include "shell/win_itemlists.h"

#include <shellapi.h>

#include "database/programdata.h"
#include "shell/app.h"
#include "shell/win_rowtext.h"
#include "util/text.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

// Longest cell text (core/rows.h cuts record texts at 260 characters).
constexpr size_t kCellSize = 300;

int32_t CategoryIdOf(int kind, const void* record) {
    switch (kind) {
        case TV_KIND_DOWNLOADS: return static_cast<const FileItem*>(record)->categoryId;
        case TV_KIND_BOOKMARKS: return static_cast<const BookmarkItem*>(record)->categoryId;
        case TV_KIND_SHORTCUTS: return static_cast<const ShortcutItem*>(record)->categoryId;
        default: return -1;
    }
}

bool IsShown(int kind, const void* record) {
    switch (kind) {
        case TV_KIND_DOWNLOADS: return TFileListObject::IsItemShown(static_cast<const FileItem*>(record)) != 0;
        case TV_KIND_BOOKMARKS: return TBookmarkListObject::IsItemShown(static_cast<const BookmarkItem*>(record)) != 0;
        case TV_KIND_SHORTCUTS: return TShortcutListObject::IsItemShown(static_cast<const ShortcutItem*>(record)) != 0;
        default: return false;
    }
}

// The system's small icon of a file name (by its type only; the file need not exist).
int SystemIconOf(const char* name) {
    SHFILEINFOA info = {};
    if (!SHGetFileInfoA(name && name[0] ? name : "file", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return 0;
    return info.iIcon;
}

}  // namespace

TItemTableObject::~TItemTableObject() { Destroy(); }

void TItemTableObject::Destroy() {
    if (list_) DestroyWindow(list_);
    list_ = nullptr;
}

ListColumnSettings* TItemTableObject::Columns() const {
    if (!data_) return nullptr;
    switch (kind_) {
        case TV_KIND_DOWNLOADS: return &data_->downloadColumns;
        case TV_KIND_BOOKMARKS: return &data_->bookmarkColumns;
        case TV_KIND_SHORTCUTS: return &data_->shortcutColumns;
        default: return nullptr;
    }
}

TDynamicListObject* TItemTableObject::Items() const {
    if (!data_) return nullptr;
    switch (kind_) {
        case TV_KIND_DOWNLOADS: return &data_->downloads;
        case TV_KIND_BOOKMARKS: return &data_->bookmarks;
        case TV_KIND_SHORTCUTS: return &data_->shortcuts;
        default: return nullptr;
    }
}

bool TItemTableObject::Create(HWND parent, int kind, TProgramData* data) {
    Destroy();
    kind_ = kind;
    data_ = data;
    sortField_ = -1;
    sortDescending_ = 0;
    const DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS |
                        LVS_SHAREIMAGELISTS | LVS_EDITLABELS;
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 0, 0, 10, 10, parent,
                            reinterpret_cast<HMENU>(INT_PTR(TV_ITEM_LIST_ID_BASE + kind)), Globals().instance,
                            nullptr);
    if (!list_) return false;
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SHFILEINFOA info = {};
    HIMAGELIST system = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (system) SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(system));

    ListColumnSettings* columns = Columns();
    if (!columns) return true;
    int order[TV_MAX_COLUMNS] = {};
    for (uint32_t i = 0; i < columns->count && i < TV_MAX_COLUMNS; ++i) {
        ListColumnEntry& entry = columns->entries[i];
        char title[100];
        CopyLimited(title, LoadMessageText(columns->titleBase + entry.field), sizeof(title));
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = kind == TV_KIND_DOWNLOADS && entry.field == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        if (i == 0) column.fmt = LVCFMT_LEFT;  // the first column is always left-aligned
        column.cx = int(entry.width);
        column.pszText = title;
        column.iSubItem = int(i);
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        const int position = entry.position;
        if (position >= 0 && uint32_t(position) < columns->count) order[position] = int(i);
    }
    SendMessageA(list_, LVM_SETCOLUMNORDERARRAY, columns->count, reinterpret_cast<LPARAM>(order));
    return true;
}

int TItemTableObject::ImageOf(const ListNode* node) const {
    if (!node || !node->item) return 0;
    if (kind_ == TV_KIND_DOWNLOADS) {
        const FileItem* file = static_cast<const FileItem*>(node->item);
        const int state = DownloadRowStateIcon(file);
        if (state >= 1 && state <= 3 && Globals().stateIcons[state - 1] >= 0) return Globals().stateIcons[state - 1];
        return SystemIconOf(file->fileName);
    }
    if (kind_ == TV_KIND_SHORTCUTS) return SystemIconOf(static_cast<const ShortcutItem*>(node->item)->title);
    return SystemIconOf("page.url");
}

void TItemTableObject::Fill(int32_t categoryId, const char* filter) {
    if (!list_) return;
    TDynamicListObject* items = Items();
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0);
    const bool filtered = filter && filter[0];
    for (ListNode* node = items ? items->First() : nullptr; node; node = node->next) {
        if (!items->IsNodeValid(node, 0) || !IsShown(kind_, node->item)) continue;
        if (CategoryIdOf(kind_, node->item) != categoryId) continue;
        if (filtered) {
            int match = 0;
            switch (kind_) {
                case TV_KIND_DOWNLOADS:
                    match = data_->downloads.ItemMatches(TFileListObject::Item(node), filter, 0, 0);
                    break;
                case TV_KIND_BOOKMARKS:
                    match = data_->bookmarks.ItemMatches(TBookmarkListObject::Item(node), filter, 0, 0);
                    break;
                case TV_KIND_SHORTCUTS:
                    match = data_->shortcuts.ItemMatches(TShortcutListObject::Item(node), filter, 0, 0);
                    break;
            }
            if (!match) continue;
        }
        AddRow(node);
    }
    Resort();
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

int TItemTableObject::AddRow(ListNode* node) {
    if (!list_ || !node) return -1;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = RowCount();
    item.lParam = reinterpret_cast<LPARAM>(node);
    item.pszText = const_cast<char*>("");
    item.iImage = ImageOf(node);
    const int row = int(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0) UpdateRow(row, node);
    return row;
}

void TItemTableObject::UpdateRow(int row, ListNode* node) {
    ListColumnSettings* columns = Columns();
    if (!list_ || !node || !node->item || !columns || row < 0) return;
    char text[kCellSize];
    for (uint32_t i = 0; i < columns->count && i < TV_MAX_COLUMNS; ++i) {
        ListCellText(kind_, node->item, int(columns->entries[i].field), text, sizeof(text));
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = int(i);
        item.pszText = text;
        if (i == 0) {
            item.mask |= LVIF_IMAGE | LVIF_PARAM;
            item.iImage = ImageOf(node);
            item.lParam = reinterpret_cast<LPARAM>(node);
        }
        SendMessageA(list_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void TItemTableObject::RemoveRow(int row) {
    if (list_ && row >= 0) SendMessageA(list_, LVM_DELETEITEM, row, 0);
}

int TItemTableObject::RowCount() const { return list_ ? int(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)) : 0; }

ListNode* TItemTableObject::NodeOfRow(int row) const {
    if (!list_ || row < 0) return nullptr;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    ListNode* node = reinterpret_cast<ListNode*>(item.lParam);
    // A row whose record went away without its row is no item any more.
    TDynamicListObject* items = Items();
    return node && items && items->ContainsNode(node) ? node : nullptr;
}

int TItemTableObject::RowOf(const ListNode* node) const {
    if (!list_ || !node) return -1;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(node);
    return int(SendMessageA(list_, LVM_FINDITEMA, WPARAM(-1), reinterpret_cast<LPARAM>(&find)));
}

void TItemTableObject::ClearSelection() {
    if (!list_) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
}

void TItemTableObject::SelectRow(int row, bool focus) {
    if (!list_ || row < 0 || row >= RowCount()) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | (focus ? LVIS_FOCUSED : 0);
    item.state = item.stateMask;
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list_, LVM_ENSUREVISIBLE, row, FALSE);
}

std::vector<ListNode*> TItemTableObject::SelectedItems() const {
    std::vector<ListNode*> nodes;
    if (!list_) return nodes;
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0) {
        ListNode* node = NodeOfRow(row);
        if (node) nodes.push_back(node);
    }
    return nodes;
}

int TItemTableObject::SelectedCount() const {
    return list_ ? int(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

ListNode* TItemTableObject::FocusedItem() const {
    if (!list_) return nullptr;
    const int row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    return NodeOfRow(row);
}

int CALLBACK TItemTableObject::CompareRows(LPARAM a, LPARAM b, LPARAM context) {
    const TItemTableObject* self = reinterpret_cast<const TItemTableObject*>(context);
    return ListCompareRows(self->kind_, self->Items(), reinterpret_cast<const ListNode*>(a),
                           reinterpret_cast<const ListNode*>(b), self->sortField_, self->sortDescending_);
}

void TItemTableObject::Resort() {
    if (!list_ || sortField_ < 0) return;
    SendMessageA(list_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(CompareRows));
}

void TItemTableObject::SortByColumn(int column) {
    ListColumnSettings* columns = Columns();
    if (!columns || column < 0 || uint32_t(column) >= columns->count) return;
    const int field = int(columns->entries[column].field);
    if (field == sortField_) {
        sortDescending_ = sortDescending_ ? 0 : 1;
    } else {
        sortField_ = field;
        sortDescending_ = 0;
    }
    Resort();
}

void TItemTableObject::CaptureColumnWidths() {
    ListColumnSettings* columns = Columns();
    if (!list_ || !columns) return;
    for (uint32_t i = 0; i < columns->count && i < TV_MAX_COLUMNS; ++i) {
        const int width = int(SendMessageA(list_, LVM_GETCOLUMNWIDTH, i, 0));
        if (width > 0) columns->entries[i].width = uint32_t(width);
    }
}

void TItemTableObject::MarkSelectionCut(bool cut) {
    if (!list_) return;
    LVITEMA clear = {};
    clear.stateMask = LVIS_CUT;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&clear));
    if (!cut) return;
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0) {
        LVITEMA item = {};
        item.stateMask = LVIS_CUT;
        item.state = LVIS_CUT;
        SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
}
