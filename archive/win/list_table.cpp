// What the member views of the viewer and of the archive search result window share.
#include "archive/win/list_table.h"

#include <shellapi.h>

#include <cstring>

#include "archive/win/viewer_util.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_frame.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

// Fixed images of "FILEICONLIST".
constexpr int kImageFile = 0;
constexpr int kImageSetup = 4;
// An archive with more distinct extensions than this (only a made-up one has them) shows the
// plain file image for the rest: asking the shell for each would take minutes.
constexpr size_t kMaxExtensionIcons = 400;

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

TRedrawPause::TRedrawPause(HWND list) : list_(list) {
    if (list_) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

TRedrawPause::~TRedrawPause() {
    if (!list_) return;
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, FALSE);
}

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

// ---------------------------------------------------------------- images

TMemberImages::~TMemberImages() {
    if (images_) ImageList_Destroy(images_);
}

std::vector<std::string> TMemberImages::Rebuild(const std::vector<const char*>& names, HWND list) {
    imageOfExtension_.clear();
    std::vector<std::string> extensions;
    std::unordered_set<std::string> seen;
    for (const char* name : names) {
        std::string key = MemberExtensionKey(name);
        if (key.empty() || key.size() >= TV_PATH_SIZE - 8 || !seen.insert(key).second) continue;
        extensions.push_back(key);
    }
    HIMAGELIST images = BuildMemberImageList(extensions, &imageOfExtension_);
    if (list) SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    if (images_) ImageList_Destroy(images_);
    images_ = images;
    return extensions;
}

int TMemberImages::ImageOf(const char* name, bool setup) const {
    if (setup) return kImageSetup;
    const auto found = imageOfExtension_.find(MemberExtensionKey(name));
    return found == imageOfExtension_.end() ? kImageFile : found->second;
}

// ---------------------------------------------------------------- cells

void FormatMemberTimeCell(const ArchiveMember& member, char* out, size_t size) {
    if (!out || !size) return;
    out[0] = '\0';
    if (member.time.IsZero()) return;
    FILETIME time;
    time.dwLowDateTime = member.time.low;
    time.dwHighDateTime = member.time.high;
    FormatFileTimeText(out, &time, size, TV_FT_DATE | TV_FT_TIME | TV_FT_NOSECONDS, 3);
}

void AnswerDispInfo(NMLVDISPINFOA* info, const char* cellText, int image) {
    LVITEMA& item = info->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
        CopyLimited(item.pszText, cellText ? cellText : "", size_t(item.cchTextMax));
    if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) item.iImage = image;
}

// ---------------------------------------------------------------- rows

bool TListViewTable::CreateList(HWND parent, int id, uint32_t firstHeading, int count,
                                void (*layout)(int column, void* context, int* width, int* format)) {
    list_ = CreateReportList(parent, id, LVS_OWNERDATA, firstHeading, count, layout, nullptr);
    return list_ != nullptr;
}

void TListViewTable::SetRowCount(int count, DWORD flags) {
    if (!list_) return;
    SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(count), LPARAM(flags));
    InvalidateRect(list_, nullptr, TRUE);
}

int TListViewTable::SelectedCount() const {
    return list_ ? int(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

std::vector<int> TListViewTable::SelectedRows() const {
    std::vector<int> rows;
    if (!list_) return rows;
    int row = -1;
    while ((row = int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(row), LVNI_SELECTED))) >= 0) rows.push_back(row);
    return rows;
}

int TListViewTable::FocusedRow() const {
    return list_ ? int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)) : -1;
}

bool TListViewTable::IsRowSelected(int row) const {
    return list_ && (SendMessageA(list_, LVM_GETITEMSTATE, WPARAM(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TListViewTable::SelectRow(int row, bool selected) {
    if (!list_) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TListViewTable::FocusRow(int row) {
    if (!list_ || row < 0 || row >= RowCount()) return;
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

void TListViewTable::SelectAll() {
    TRedrawPause pause(list_);
    SelectRow(-1, true);
}

void TListViewTable::SelectNone() {
    if (SelectedCount() == 0) return;
    TRedrawPause pause(list_);
    SelectRow(-1, false);
}

void TListViewTable::InvertSelection() {
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

int TListViewTable::SelectMatching(const char* mask, bool select) {
    TRedrawPause pause(list_);
    int changed = 0;
    for (int i = 0; i < RowCount(); ++i) {
        const char* name = NameOfRow(i);
        if (!name || !MaskSelectsName(name, mask)) continue;
        if (IsRowSelected(i) != select) {
            SelectRow(i, select);
            ++changed;
        }
    }
    return changed;
}
