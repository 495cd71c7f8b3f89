#include "shell/win_itemlists.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

#include "database/programdata.h"
#include "shell/app.h"
#include "shell/win_rowtext.h"
#include "resources/resource_ids.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

// Longest cell text (core/rows.h cuts record texts at 260 characters).
constexpr size_t kCellSize = 300;

// The row icons of the three lists, in one image list of their own: the three state icons of
// downloads and, added when first asked for, the shell's small icon of each file type. The shell's
// own list cannot take the state icons, and the shell answers their type (".ico") with its generic
// document icon where no icon type is registered, so they are loaded from the icon files.
class TRowImages {
public:
    static TRowImages& Get() {
        static TRowImages images;
        return images;
    }
    void AddUser() {
        if (users_++ == 0) Build();
    }
    void RemoveUser() {
        if (users_ > 0 && --users_ == 0) Release();
    }
    HIMAGELIST List() const { return list_; }
    // Image of state 1 (missing), 2 (marked) or 3 (found); -1 when it could not be loaded.
    int StateImage(int state) const { return state >= 1 && state <= 3 ? states_[state - 1] : -1; }
    // Image of the file type of a name (by its extension; the file need not exist).
    int TypeImage(const char* name);

private:
    void Build();
    void Release();
    int AddIcon(HICON icon);

    int users_ = 0;
    HIMAGELIST list_ = nullptr;
    int states_[3] = {-1, -1, -1};
    std::unordered_map<std::string, int> byExtension_;
    std::unordered_map<int, int> bySystemIndex_;
};

int TRowImages::AddIcon(HICON icon) {
    if (!list_ || !icon) return -1;
    return ImageList_AddIcon(list_, icon);
}

void TRowImages::Build() {
    const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    list_ = ImageList_Create(cx > 0 ? cx : 16, cy > 0 ? cy : 16, ILC_COLOR24 | ILC_MASK, 8, 8);
    char folder[TV_PATH_SIZE] = {};
    const bool haveFolder = ProgramFolder(folder, sizeof(folder), 0) != 0;
    const int resources[3] = {IDI_STATE_MISSING, IDI_STATE_NEW, IDI_STATE_FOUND};
    for (int i = 0; i < 3; ++i) {
        char path[TV_PATH_SIZE];
        HICON icon = nullptr;
        if (haveFolder && !FormatLimited(path, sizeof(path), "%stvft%i.ico", folder, i + 1))
            icon = static_cast<HICON>(LoadImageA(nullptr, path, IMAGE_ICON, cx, cy, LR_LOADFROMFILE));
        // The program's own copy of the picture when the file beside it is missing.
        if (!icon)
            icon = static_cast<HICON>(
                LoadImageA(Globals().instance, MAKEINTRESOURCEA(resources[i]), IMAGE_ICON, cx, cy, 0));
        states_[i] = AddIcon(icon);
        if (icon) DestroyIcon(icon);
    }
}

void TRowImages::Release() {
    if (list_) ImageList_Destroy(list_);
    list_ = nullptr;
    for (int& s : states_) s = -1;
    byExtension_.clear();
    bySystemIndex_.clear();
}

int TRowImages::TypeImage(const char* name) {
    if (!list_) return -1;
    const char* base = name && name[0] ? name : "file";
    const char* dot = std::strrchr(base, '.');
    std::string extension = dot && !std::strpbrk(dot, "\\/") ? dot : "";
    for (char& c : extension) c = LowerChar(c);
    const auto known = byExtension_.find(extension);
    if (known != byExtension_.end()) return known->second;
    int image = -1;
    SHFILEINFOA info = {};
    const HIMAGELIST system = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
        base, FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (system) {
        const auto same = bySystemIndex_.find(info.iIcon);
        if (same != bySystemIndex_.end()) {
            image = same->second;
        } else {
            HICON icon = ImageList_GetIcon(system, info.iIcon, ILD_NORMAL);
            image = AddIcon(icon);
            if (icon) DestroyIcon(icon);
            bySystemIndex_[info.iIcon] = image;
        }
    }
    byExtension_[extension] = image;
    return image;
}

}  // namespace

TItemTableObject::~TItemTableObject() { Destroy(); }

void TItemTableObject::Destroy() {
    if (list_) {
        DestroyWindow(list_);
        TRowImages::Get().RemoveUser();
    }
    list_ = nullptr;
    index_.Clear();
    cut_.clear();
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
    index_.Attach(kind, Items(), ListLocaleCompare, nullptr, ListLocaleSortKey);
    const DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS |
                        LVS_SHAREIMAGELISTS | LVS_EDITLABELS | LVS_OWNERDATA;
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 0, 0, 10, 10, parent,
                            reinterpret_cast<HMENU>(INT_PTR(TV_ITEM_LIST_ID_BASE + kind)), Globals().instance,
                            nullptr);
    if (!list_) return false;
    TRowImages::Get().AddUser();
    const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP;
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    if (TRowImages::Get().List())
        SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(TRowImages::Get().List()));
    // The control stores only selection and focus of a virtual list; the cut look is asked for.
    SendMessageA(list_, LVM_SETCALLBACKMASK, LVIS_CUT, 0);

    ListColumnSettings* columns = Columns();
    if (!columns) return true;
    const int count = int(columns->count < uint32_t(TV_MAX_COLUMNS) ? columns->count : uint32_t(TV_MAX_COLUMNS));
    int order[TV_MAX_COLUMNS] = {};
    for (int field = 0; field < count; ++field) {
        // The settings hold each field once (the reader resets them otherwise).
        const ListColumnEntry* entry = nullptr;
        for (int i = 0; i < count; ++i)
            if (columns->entries[i].field == uint32_t(field)) entry = &columns->entries[i];
        char title[100];
        CopyLimited(title, LoadMessageText(columns->titleBase + uint32_t(field)), sizeof(title));
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        // The name column carries the icon and is always left-aligned; sizes align right.
        column.fmt = kind == TV_KIND_DOWNLOADS && field == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = entry ? int(entry->width) : 100;
        column.pszText = title;
        column.iSubItem = field;
        SendMessageA(list_, LVM_INSERTCOLUMNA, WPARAM(field), reinterpret_cast<LPARAM>(&column));
        const int position = entry ? entry->position : field;
        order[position >= 0 && position < count ? position : field] = field;
    }
    SendMessageA(list_, LVM_SETCOLUMNORDERARRAY, WPARAM(count), reinterpret_cast<LPARAM>(order));
    PrimeItemMetrics();
    return true;
}

void TItemTableObject::PrimeItemMetrics() {
    // Wine's list view measures its rows at its first paint that has rows, and sets both scroll
    // bars again then, drawing them at every step: the first category shown would pay for that.
    // One row painted into a memory DC while the view is hidden does the measuring now.
    HDC screen = GetDC(list_);
    HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
    HBITMAP bitmap = screen ? CreateCompatibleBitmap(screen, 8, 8) : nullptr;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        SendMessageA(list_, LVM_SETITEMCOUNT, 1, LVSICF_NOSCROLL);
        SendMessageA(list_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        SendMessageA(list_, LVM_SETITEMCOUNT, 0, LVSICF_NOSCROLL);
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(list_, screen);
}

int TItemTableObject::ImageOf(const ListNode* node) const {
    if (!node || !node->item) return -1;
    TRowImages& images = TRowImages::Get();
    if (kind_ == TV_KIND_DOWNLOADS) {
        const FileItem* file = static_cast<const FileItem*>(node->item);
        const int state = images.StateImage(DownloadRowStateIcon(file));
        return state >= 0 ? state : images.TypeImage(file->fileName);
    }
    if (kind_ == TV_KIND_SHORTCUTS) return images.TypeImage(static_cast<const ShortcutItem*>(node->item)->title);
    return images.TypeImage("page.url");
}

void TItemTableObject::CellText(int row, int field, char* out, size_t size) const {
    if (!out || size == 0) return;
    out[0] = '\0';
    const ListNode* node = row >= 0 ? index_.NodeAt(size_t(row)) : nullptr;
    if (node) ListCellText(kind_, node->item, field, out, size);
}

// The selected rows of a virtual list are found by a walk over the rows; it stops at the last
// selected one.
std::vector<int> TItemTableObject::SelectedRows() const {
    std::vector<int> rows;
    if (!list_) return rows;
    int remaining = int(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0));
    rows.reserve(size_t(remaining > 0 ? remaining : 0));
    int row = -1;
    while (remaining-- > 0 && (row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

TItemTableObject::Selection TItemTableObject::TakeSelection() const {
    Selection selection;
    if (!list_) return selection;
    for (int row : SelectedRows()) {
        ListNode* node = index_.RawNodeAt(size_t(row));
        if (node) selection.selected.push_back(node);
    }
    const int focused = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    selection.focused = focused >= 0 ? index_.RawNodeAt(size_t(focused)) : nullptr;
    return selection;
}

void TItemTableObject::SetRowState(int row, UINT state, UINT mask) {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TItemTableObject::RestoreSelection(const Selection& selection) {
    if (selection.selected.empty() && !selection.focused) return;
    // One pass over the rows finds them all, however many are selected.
    std::unordered_map<const ListNode*, int> rows;
    const std::vector<ListNode*>& all = index_.Rows();
    if (selection.selected.size() > 8) {
        rows.reserve(all.size());
        for (size_t r = 0; r < all.size(); ++r) rows.emplace(all[r], int(r));
    }
    auto rowOf = [&](const ListNode* node) {
        if (rows.empty()) return index_.RowOf(node);
        const auto it = rows.find(node);
        return it == rows.end() ? -1 : it->second;
    };
    for (const ListNode* node : selection.selected) {
        const int row = rowOf(node);
        if (row >= 0) SetRowState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    const int focused = selection.focused ? rowOf(selection.focused) : -1;
    if (focused >= 0) {
        SetRowState(focused, LVIS_FOCUSED, LVIS_FOCUSED);
        SendMessageA(list_, LVM_ENSUREVISIBLE, WPARAM(focused), FALSE);
    }
}

void TItemTableObject::ShowRows(const Selection* selection) {
    if (!list_) return;
    const int count = int(index_.Count());
    // No rows, then the new number of rows: the list drops every selection and the focus at once
    // (clearing them through the rows would visit each of them).
    const bool marked = SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0) > 0 ||
                        SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED) >= 0;
    const bool recount = marked || SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0) != count;
    // At a new count the list view sets both scroll bars again, in two passes, and lays out its
    // header at each step; Wine draws the bars every time, which cost more than all the rest of a
    // keystroke. Meanwhile the view is hidden by its style bit alone (nothing is moved or
    // repainted), and afterwards drawn once, frame and header included.
    const bool hide = recount && (GetWindowLongA(list_, GWL_STYLE) & WS_VISIBLE);
    if (hide) DefWindowProcA(list_, WM_SETREDRAW, FALSE, 0);
    if (marked) SendMessageA(list_, LVM_SETITEMCOUNT, 0, 0);
    if (recount) SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(count), selection ? LVSICF_NOSCROLL : 0);
    if (selection)
        RestoreSelection(*selection);
    else if (count > 0)
        SendMessageA(list_, LVM_ENSUREVISIBLE, 0, FALSE);  // new rows are shown from the top
    if (hide) {
        DefWindowProcA(list_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    } else {
        InvalidateRect(list_, nullptr, TRUE);
    }
}

void TItemTableObject::Fill(int32_t categoryId, const char* filter) {
    if (!list_) return;
    index_.Fill(categoryId, filter);
    // Records that left the list are no longer cut.
    TDynamicListObject* items = Items();
    for (auto it = cut_.begin(); it != cut_.end();)
        it = items && items->ContainsNode(*it) ? std::next(it) : cut_.erase(it);
    ShowRows(nullptr);
}

void TItemTableObject::ApplyFilter(int32_t categoryId, const char* filter) {
    if (!list_) return;
    if (index_.CategoryId() != categoryId) {
        Fill(categoryId, filter);
        return;
    }
    index_.SetFilter(filter);
    ShowRows(nullptr);
}

int TItemTableObject::AddRow(ListNode* node) {
    if (!list_ || !node) return -1;
    const int present = index_.RowOf(node);
    if (present >= 0) return present;
    const Selection selection = TakeSelection();
    const int row = index_.Insert(node);
    if (row < 0) return -1;
    if (size_t(row) + 1 == index_.Count()) {
        // At the end: no row changes its number.
        SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(index_.Count()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        SendMessageA(list_, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
    } else {
        ShowRows(&selection);
    }
    return row;
}

void TItemTableObject::UpdateRow(int row, ListNode* node) {
    if (!list_ || !node || row < 0) return;
    const Selection selection = TakeSelection();
    const int now = index_.Reposition(node);
    if (now < 0) return;
    if (now == row) {
        SendMessageA(list_, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
        UpdateWindow(list_);
    } else {
        ShowRows(&selection);
    }
}

void TItemTableObject::RemoveRow(int row) {
    if (!list_ || row < 0 || size_t(row) >= index_.Count()) return;
    index_.Remove(index_.RawNodeAt(size_t(row)));
    // A virtual list moves the selection and focus of the rows below up by one.
    SendMessageA(list_, LVM_DELETEITEM, WPARAM(row), 0);
}

int TItemTableObject::RowCount() const { return list_ ? int(index_.Count()) : 0; }

ListNode* TItemTableObject::NodeOfRow(int row) const { return row >= 0 ? index_.NodeAt(size_t(row)) : nullptr; }

int TItemTableObject::RowOf(const ListNode* node) const { return list_ ? index_.RowOf(node) : -1; }

ListNode* TItemTableObject::RecordAt(POINT client, int* row) const {
    if (row) *row = -1;
    if (!list_) return nullptr;
    LVHITTESTINFO hit = {};
    hit.pt = client;
    const int found = int(SendMessageA(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (found < 0 || !(hit.flags & LVHT_ONITEM)) return nullptr;
    if (row) *row = found;
    return NodeOfRow(found);
}

void TItemTableObject::RedrawRecord(const ListNode* node) {
    index_.RecordsChanged();
    const int row = RowOf(node);
    if (row >= 0) SendMessageA(list_, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
}

void TItemTableObject::ClearSelection() {
    for (int row : SelectedRows()) SetRowState(row, 0, LVIS_SELECTED);
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
    for (int row : SelectedRows()) {
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

void TItemTableObject::SortByColumn(int column) {
    ListColumnSettings* columns = Columns();
    if (!list_ || !columns || column < 0 || uint32_t(column) >= columns->count) return;
    // The column's sub-item is its field.
    const Selection selection = TakeSelection();
    index_.ToggleSort(column);
    ShowRows(&selection);
}

void TItemTableObject::CaptureColumns() {
    ListColumnSettings* columns = Columns();
    if (!list_ || !columns) return;
    const int count = int(columns->count < uint32_t(TV_MAX_COLUMNS) ? columns->count : uint32_t(TV_MAX_COLUMNS));
    int order[TV_MAX_COLUMNS] = {};
    const bool haveOrder =
        SendMessageA(list_, LVM_GETCOLUMNORDERARRAY, WPARAM(count), reinterpret_cast<LPARAM>(order)) != 0;
    // Only a complete order is taken (each field at one position).
    bool seen[TV_MAX_COLUMNS] = {};
    bool complete = haveOrder;
    for (int p = 0; p < count && complete; ++p) {
        if (order[p] < 0 || order[p] >= count || seen[order[p]]) complete = false;
        else seen[order[p]] = true;
    }
    for (int i = 0; i < count; ++i) {
        ListColumnEntry& entry = columns->entries[i];
        if (entry.field >= uint32_t(count)) continue;
        const int width = int(SendMessageA(list_, LVM_GETCOLUMNWIDTH, WPARAM(entry.field), 0));
        if (width > 0) entry.width = uint32_t(width);
        if (complete)
            for (int p = 0; p < count; ++p)
                if (order[p] == int(entry.field)) entry.position = p;
    }
}

void TItemTableObject::MarkSelectionCut(bool cut) {
    if (!list_) return;
    cut_.clear();
    if (cut)
        for (ListNode* node : SelectedItems()) cut_.insert(node);
    InvalidateRect(list_, nullptr, TRUE);
}

void TItemTableObject::SetRecordCut(const ListNode* node, bool cut) {
    if (!node) return;
    const bool changed = cut ? cut_.insert(node).second : cut_.erase(node) > 0;
    if (changed) RedrawRecord(node);
}

bool TItemTableObject::IsRecordCut(const ListNode* node) const { return node && cut_.count(node) > 0; }

void TItemTableObject::ClearCut() {
    if (cut_.empty()) return;
    cut_.clear();
    if (list_) InvalidateRect(list_, nullptr, TRUE);
}

int TItemTableObject::FindRowByPrefix(const char* prefix, int start, bool wrap) const {
    const int count = RowCount();
    if (!prefix || !prefix[0] || count <= 0) return -1;
    const int length = int(std::strlen(prefix));
    if (start < 0 || start >= count) start = 0;
    char text[kCellSize];
    for (int n = 0; n < count; ++n) {
        const int row = start + n;
        if (row >= count && !wrap) break;
        CellText(row % count, 0, text, sizeof(text));
        if (TextEquals(text, prefix, 0, length)) return row % count;
    }
    return -1;
}

bool TItemTableObject::HandleNotify(NMHDR* header, LRESULT* result) {
    if (!header || header->hwndFrom != list_ || !result) return false;
    *result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
                CellText(item.iItem, item.iSubItem, item.pszText, size_t(item.cchTextMax));
            if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 0 ? ImageOf(NodeOfRow(item.iItem)) : -1;
            if (item.mask & LVIF_STATE) {
                const bool cut = IsRecordCut(index_.RawNodeAt(size_t(item.iItem)));
                item.state = (item.state & ~LVIS_CUT) | (cut && (item.stateMask & LVIS_CUT) ? LVIS_CUT : 0);
            }
            return true;
        }
        case LVN_GETDISPINFOW: {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                char text[kCellSize];
                CellText(item.iItem, item.iSubItem, text, sizeof(text));
                if (!MultiByteToWideChar(CP_ACP, 0, text, -1, item.pszText, item.cchTextMax))
                    item.pszText[item.cchTextMax - 1] = 0;
            }
            if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 0 ? ImageOf(NodeOfRow(item.iItem)) : -1;
            if (item.mask & LVIF_STATE) {
                const bool cut = IsRecordCut(index_.RawNodeAt(size_t(item.iItem)));
                item.state = (item.state & ~LVIS_CUT) | (cut && (item.stateMask & LVIS_CUT) ? LVIS_CUT : 0);
            }
            return true;
        }
        case LVN_ODFINDITEMA: {
            // Typing in the list: the next row whose name starts with the typed text.
            const NMLVFINDITEMA* find = reinterpret_cast<NMLVFINDITEMA*>(header);
            if (find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL))
                *result = FindRowByPrefix(find->lvfi.psz, find->iStart, (find->lvfi.flags & LVFI_WRAP) != 0);
            else
                *result = -1;
            return true;
        }
        case LVN_ODFINDITEMW: {
            const NMLVFINDITEMW* find = reinterpret_cast<NMLVFINDITEMW*>(header);
            char prefix[kCellSize] = {};
            if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz &&
                WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, prefix, int(sizeof(prefix)), nullptr, nullptr))
                *result = FindRowByPrefix(prefix, find->iStart, (find->lvfi.flags & LVFI_WRAP) != 0);
            else
                *result = -1;
            return true;
        }
        case LVN_ODCACHEHINT:
            return true;
        default:
            return false;
    }
}
