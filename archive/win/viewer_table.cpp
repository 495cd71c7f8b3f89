// The member list of an internal viewer.
#include "archive/win/viewer_table.h"

#include <shellapi.h>

#include <cstring>
#include <unordered_set>

#include "archive/viewer_ids.h"
#include "archive/win/viewer_util.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

const struct {
    int width;
    int format;
} kColumns[IV_COLUMNS] = {
    {150, LVCFMT_LEFT}, {110, LVCFMT_LEFT}, {70, LVCFMT_RIGHT}, {40, LVCFMT_RIGHT}, {70, LVCFMT_RIGHT}, {220, LVCFMT_LEFT},
};

// Fixed images of "FILEICONLIST".
constexpr int kImageFile = 0;
constexpr int kImageSetup = 4;
// An archive with more distinct extensions than this (only a made-up one has them) shows the
// plain file image for the rest: asking the shell for each would take minutes.
constexpr size_t kMaxExtensionIcons = 400;

}  // namespace

// The locale's sort key of a text: its byte order is the order of the locale's string comparison.
std::string LocaleSortKey(const char* text, void*) {
    char key[1024];
    const int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, key, sizeof key);
    if (n > 0) return std::string(key, size_t(n));
    // A key too long for the buffer: ask for its size.
    const int need = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, nullptr, 0);
    if (need <= 0) return std::string(text);
    std::string big(size_t(need), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, &big[0], need);
    return big;
}

namespace {

// Drawing of the list is held back while many rows change state (the control would otherwise
// work out and invalidate each row's rectangle); the list is drawn once afterwards.
class TRedrawPause {
public:
    explicit TRedrawPause(HWND list) : list_(list) {
        if (list_) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~TRedrawPause() {
        if (!list_) return;
        SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, FALSE);
    }
    TRedrawPause(const TRedrawPause&) = delete;
    TRedrawPause& operator=(const TRedrawPause&) = delete;

private:
    HWND list_;
};

// The shell's small icon of an extension. Asking the shell costs milliseconds per extension, so
// each is asked once per run; the list gets a copy (the cached icons live as long as the program).
HICON ShellIconOfExtension(const std::string& extension) {
    static std::unordered_map<std::string, HICON> icons;
    const auto found = icons.find(extension);
    if (found != icons.end()) return found->second;
    char dummy[TV_PATH_SIZE];
    FormatLimited(dummy, sizeof dummy, "TVTEMP%s", extension.c_str());
    SHFILEINFOA info = {};
    HICON icon = nullptr;
    if (SHGetFileInfoA(dummy, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON))
        icon = info.hIcon;
    icons.emplace(extension, icon);
    return icon;
}

}  // namespace

std::string MemberExtensionKey(const char* name) {
    if (!name) return std::string();
    const char* dot = std::strrchr(name, '.');
    if (!dot) return std::string();
    std::string key(dot);
    for (char& c : key) c = LowerChar(c);
    return key;
}

HIMAGELIST BuildMemberImageList(const std::vector<std::string>& extensions,
                                std::unordered_map<std::string, int>* imageOf) {
    HIMAGELIST images = LoadMaskedImageStrip("FILEICONLIST", 16);
    if (!images) images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 8, 8);
    for (size_t i = 0; i < extensions.size(); ++i) {
        int image = kImageFile;
        if (i < kMaxExtensionIcons) {
            HICON icon = ShellIconOfExtension(extensions[i]);
            const int added = icon ? ImageList_AddIcon(images, icon) : -1;
            if (added >= 0) image = added;
        }
        if (imageOf) (*imageOf)[extensions[i]] = image;
    }
    return images;
}

TArchiveFileTableObject::~TArchiveFileTableObject() {
    if (images_) ImageList_Destroy(images_);
}

bool TArchiveFileTableObject::Create(HWND parent, int id) {
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0,
                            0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    if (!list_) return false;
    rows_.SetSortKeyFunction(LocaleSortKey, nullptr);
    for (int c = 0; c < IV_COLUMNS; ++c) {
        char heading[64];
        CopyLimited(heading, LoadMessageText(UINT(IDS_IV_COLUMN_FIRST + c)), sizeof heading);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = kColumns[c].format;
        column.cx = kColumns[c].width;
        column.pszText = heading;
        column.iSubItem = c;
        SendMessageA(list_, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
    }
    return true;
}

void TArchiveFileTableObject::SetRowCount(int count) {
    if (!list_) return;
    SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(count), 0);
    InvalidateRect(list_, nullptr, TRUE);
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
    if (rebuildIcons || !images_) RebuildIcons(list);
    rows_.Sort(sortColumn_, sortDescending_);
    SetRowCount(int(rows_.Size()));
}

void TArchiveFileTableObject::RebuildIcons(const TArchiveFileListObject& list) {
    icons_.Clear();
    imageOfExtension_.clear();
    std::vector<std::string> extensions;
    std::unordered_set<std::string> seen;
    for (const ListNode* node = list.First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (!m) continue;
        std::string key = MemberExtensionKey(m->name);
        if (key.empty() || key.size() >= TV_PATH_SIZE - 8 || !seen.insert(key).second) continue;
        extensions.push_back(key);
    }
    HIMAGELIST images = BuildMemberImageList(extensions, &imageOfExtension_);
    for (const std::string& extension : extensions) {
        FileIconItem item;
        item.extension = const_cast<char*>(extension.c_str());
        item.imageIndex = imageOfExtension_[extension];
        icons_.Add(&item, 0);
    }
    if (list_) SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    if (images_) ImageList_Destroy(images_);
    images_ = images;
}

int TArchiveFileTableObject::ImageOf(const ArchiveMember* member) const {
    if (!member) return kImageFile;
    if (member == setup_ || member->setup) return kImageSetup;
    const auto found = imageOfExtension_.find(MemberExtensionKey(member->name));
    return found == imageOfExtension_.end() ? kImageFile : found->second;
}

void TArchiveFileTableObject::OnGetDispInfo(NMLVDISPINFOA* info) {
    if (!info) return;
    LVITEMA& item = info->item;
    const ArchiveMember* m = rows_.Row(size_t(item.iItem >= 0 ? item.iItem : 0));
    if (item.iItem < 0 || !m) return;
    if (item.mask & LVIF_TEXT) {
        if (item.iSubItem == IV_COLUMN_TIME) {
            textBuffer_[0] = '\0';
            if (!m->time.IsZero()) {
                FILETIME time;
                time.dwLowDateTime = m->time.low;
                time.dwHighDateTime = m->time.high;
                FormatFileTimeText(textBuffer_, &time, sizeof textBuffer_, TV_FT_DATE | TV_FT_TIME | TV_FT_NOSECONDS, 3);
            }
        } else {
            FormatMemberCell(*m, item.iSubItem, textBuffer_, sizeof textBuffer_);
        }
        if (item.pszText && item.cchTextMax > 0) CopyLimited(item.pszText, textBuffer_, size_t(item.cchTextMax));
    }
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = ImageOf(m);
}

int TArchiveFileTableObject::RowOfMember(const ArchiveMember* member) const {
    for (size_t i = 0; i < rows_.Size(); ++i)
        if (rows_.Row(i) == member) return int(i);
    return -1;
}

int TArchiveFileTableObject::SelectedCount() const {
    return list_ ? int(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

std::vector<const ArchiveMember*> TArchiveFileTableObject::SelectedMembers() const {
    std::vector<const ArchiveMember*> out;
    if (!list_) return out;
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0) {
        const ArchiveMember* m = MemberOfRow(row);
        if (m) out.push_back(m);
    }
    return out;
}

std::vector<const ArchiveMember*> TArchiveFileTableObject::AllMembers() const {
    std::vector<const ArchiveMember*> out;
    out.reserve(rows_.Size());
    for (size_t i = 0; i < rows_.Size(); ++i) out.push_back(rows_.Row(i));
    return out;
}

const ArchiveMember* TArchiveFileTableObject::FocusedMember() const {
    if (!list_) return nullptr;
    const int row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    return MemberOfRow(row);
}

bool TArchiveFileTableObject::IsRowSelected(int row) const {
    return list_ && (SendMessageA(list_, LVM_GETITEMSTATE, WPARAM(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TArchiveFileTableObject::SelectRow(int row, bool selected) {
    if (!list_) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TArchiveFileTableObject::SelectAll() {
    TRedrawPause pause(list_);
    SelectRow(-1, true);
}

void TArchiveFileTableObject::SelectNone() {
    if (SelectedCount() == 0) return;
    TRedrawPause pause(list_);
    SelectRow(-1, false);
}

void TArchiveFileTableObject::InvertSelection() {
    if (!list_) return;
    const int count = RowCount();
    const int selected = SelectedCount();
    if (selected == 0) return SelectAll();
    if (selected == count) return SelectNone();
    TRedrawPause pause(list_);
    std::vector<bool> was(size_t(count), false);
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0 && row < count)
        was[size_t(row)] = true;
    SelectNone();
    for (int i = 0; i < count; ++i)
        if (!was[size_t(i)]) SelectRow(i, true);
}

int TArchiveFileTableObject::SelectMatching(const char* mask, bool select) {
    TRedrawPause pause(list_);
    int changed = 0;
    for (int i = 0; i < RowCount(); ++i) {
        const ArchiveMember* m = MemberOfRow(i);
        if (!m || !MaskSelectsName(m->name, mask)) continue;
        if (IsRowSelected(i) != select) {
            SelectRow(i, select);
            ++changed;
        }
    }
    return changed;
}

void TArchiveFileTableObject::SortByColumn(int column) {
    if (column < 0 || column >= IV_COLUMNS) return;
    const int count = RowCount();
    const int selectedCount = SelectedCount();
    const ArchiveMember* focused = FocusedMember();
    std::vector<const ArchiveMember*> selected;
    if (selectedCount > 0 && selectedCount < count) selected = SelectedMembers();
    NextSortOrder(column, &sortColumn_, &sortDescending_);
    rows_.Sort(sortColumn_, sortDescending_);
    // The selection belongs to the members, not to the row positions.
    if (selectedCount > 0 && selectedCount < count) {
        TRedrawPause pause(list_);
        std::unordered_set<const ArchiveMember*> chosen(selected.begin(), selected.end());
        SelectNone();
        for (int i = 0; i < count; ++i)
            if (chosen.count(MemberOfRow(i))) SelectRow(i, true);
    }
    if (focused) {
        const int row = RowOfMember(focused);
        if (row >= 0) {
            LVITEMA item = {};
            item.stateMask = LVIS_FOCUSED;
            item.state = LVIS_FOCUSED;
            SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
        }
    }
    if (list_) InvalidateRect(list_, nullptr, FALSE);
}
