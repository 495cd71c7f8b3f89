// The two checks of the storage folders after start-up: stored files that vanished, and files and
// folders that appeared without the program.
#include <windows.h>

#include <cstring>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/programdata.h"
#include "intake/description.h"
#include "intake/intake_ids.h"
#include "intake/win_intake.h"
#include "util/path.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_help.h"
#include "util/win_guard.h"
#include "util/safestr.h"

namespace {

void ShowInformation(const TIntakeContext& context, const char* templateName, uint32_t helpContext, int icon) {
    if (context.responder && context.responder->informationDialog) {
        context.responder->informationDialog(context.owner, templateName, context.responder->context);
        return;
    }
    TInformationDialogParams params;
    params.helpContext = helpContext;
    params.iconResource = icon;
    DialogBoxParamA(GetModuleHandleA(nullptr), templateName, context.owner, GuardedDialogProc<InformationDialogProc>,
                    reinterpret_cast<LPARAM>(&params));
}

struct FolderEntry {
    std::string name;
    bool folder;
    FILETIME created;
};

std::vector<FolderEntry> ListFolder(const char* folder) {
    std::vector<FolderEntry> out;
    char pattern[TV_PATH_SIZE];
    if (FormatLimited(pattern, sizeof pattern, "%s*.*", folder)) return out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (fd.cFileName[0] == '.') continue;
        out.push_back({fd.cFileName, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, fd.ftCreationTime});
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return out;
}

std::string FoldedName(const char* text);

// The stored names of the downloads by category, asked for every file found in a storage folder:
// built in one pass over the downloads instead of a search through all of them per file.
class TStoredNames {
public:
    explicit TStoredNames(const TFileListObject* downloads) : downloads_(downloads) {}
    // As FindFileByName(name, categoryId, TV_FIND_STORED_NAME) != null: the name without its outer
    // blanks against whole stored names, letter case not counting.
    bool Contains(const char* name, int32_t categoryId) {
        Build();
        std::string wanted(name ? name : "");
        const size_t first = wanted.find_first_not_of(' ');
        if (first == std::string::npos) return false;
        wanted = wanted.substr(first, wanted.find_last_not_of(' ') - first + 1);
        const auto names = byCategory_.find(categoryId);
        return names != byCategory_.end() && names->second.count(FoldedName(wanted.c_str())) > 0;
    }
    void Add(const char* storedName, int32_t categoryId) {
        if (built_) byCategory_[categoryId].insert(FoldedName(storedName));
    }

private:
    void Build() {
        if (built_) return;
        built_ = true;
        for (const ListNode* node = downloads_->First(); node; node = node->next) {
            if (!node->item || !downloads_->IsItemValid(node->item)) continue;
            const FileItem* r = TFileListObject::Item(node);
            if (r->storedName) byCategory_[r->categoryId].insert(FoldedName(r->storedName));
        }
    }

    const TFileListObject* downloads_;
    bool built_ = false;
    std::unordered_map<int32_t, std::unordered_set<std::string>> byCategory_;
};

int ScanCategory(const TIntakeContext& context, ListNode* node, TStoredNames* storedNames) {
    TProgramData* p = context.program;
    const CategoryItem* category = TCategoryListObject::Item(node);
    const int kind = category->kind;
    const int32_t id = category->id;
    const StorageLocations locations{p->standards.downloadsLocation, p->standards.shortcutsLocation};
    char folder[TV_PATH_SIZE];
    if (p->categories.CategoryFolder(folder, sizeof folder, node, locations) != TV_FOLDER_OK) return 0;
    int found = 0;
    for (const FolderEntry& entry : ListFolder(folder)) {
        // Only names that could have been made by the program itself are taken in.
        if (!IsValidFileName(entry.name.c_str())) continue;
        if (entry.folder) {
            int created = 0;
            ListNode* child = p->categories.AddCategory(entry.name.c_str(), kind, id, &created);
            if (!child) continue;
            if (created) ++found;
            found += ScanCategory(context, child, storedNames);
        } else if (kind == TV_KIND_DOWNLOADS) {
            if (storedNames->Contains(entry.name.c_str(), id)) continue;
            FileItem item;
            p->downloads.InitItem(&item);
            TextAssign(&item.fileName, entry.name.c_str());
            TextAssign(&item.storedName, entry.name.c_str());
            item.flags = TV_FILE_FOUND;
            item.downloadDate.low = entry.created.dwLowDateTime;
            item.downloadDate.high = entry.created.dwHighDateTime;
            const std::string full = std::string(folder) + entry.name;
            ExtractDescription(full.c_str(), &item.description, 1);
            item.categoryId = id;
            item.category = node;
            ListNode* added = p->downloads.Add(&item, 0);
            p->downloads.FreeItemData(&item);
            if (added) {
                storedNames->Add(TFileListObject::Item(added)->storedName, id);
                RefreshFileState(p, added);
                ++found;
            }
        } else if (kind == TV_KIND_SHORTCUTS) {
            if (p->shortcuts.FindShortcutByTitle(entry.name.c_str(), id)) continue;
            ShortcutItem item;
            p->shortcuts.InitItem(&item);
            TextAssign(&item.title, entry.name.c_str());
            item.categoryId = id;
            item.category = node;
            ListNode* added = p->shortcuts.Add(&item, 0);
            p->shortcuts.FreeItemData(&item);
            if (added) {
                RefreshShortcutState(p, added);
                ++found;
            }
        }
    }
    return found;
}

std::string FoldedName(const char* text) {
    std::string folded(text ? text : "");
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return folded;
}

// The stored files of many downloads, found by listing each storage folder once: a query per file
// costs system calls (several under Wine) for each of 100,000 downloads.
class TFolderListings {
public:
    enum Answer { kUnknown, kMissing, kPresent };
    struct Entry {
        DWORD attributes = 0;
        DWORD sizeLow = 0, sizeHigh = 0;
    };
    // What the listing of the file's folder says about the file. kUnknown when the folder could not
    // be listed or the name is one the file system may match differently (trailing dots or blanks,
    // letters beyond ASCII): the caller then asks for the file itself.
    Answer Look(const char* path, Entry* entry) {
        const char* slash = std::strrchr(path, '\\');
        if (!slash || !slash[1]) return kUnknown;
        // Downloads of one category follow each other: their folder is the one just looked at,
        // found again without building its key.
        const size_t folderLength = size_t(slash - path + 1);
        if (!last_ || lastFolder_.size() != folderLength || lastFolder_.compare(0, folderLength, path, folderLength) != 0) {
            lastFolder_.assign(path, folderLength);
            last_ = &ListingOf(lastFolder_);
        }
        const Listing& listing = *last_;
        if (!listing.listed) return kUnknown;
        const auto found = listing.entries.find(FoldedName(slash + 1));
        if (found != listing.entries.end()) {
            *entry = found->second;
            return kPresent;
        }
        for (const char* c = slash + 1; *c; ++c)
            if (static_cast<unsigned char>(*c) >= 0x80) return kUnknown;
        const char last = path[std::strlen(path) - 1];
        return last == '.' || last == ' ' ? kUnknown : kMissing;
    }

private:
    struct Listing {
        bool listed = false;
        std::unordered_map<std::string, Entry> entries;
    };
    Listing& ListingOf(const std::string& folder) {
        const std::string key = FoldedName(folder.c_str());
        const auto known = folders_.find(key);
        if (known != folders_.end()) return known->second;
        Listing& listing = folders_[key];
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) {
            // A folder that is not there holds no files; anything else (no access) stays unknown.
            const DWORD error = GetLastError();
            listing.listed = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND;
            return listing;
        }
        do {
            const Entry entry{fd.dwFileAttributes, fd.nFileSizeLow, fd.nFileSizeHigh};
            listing.entries.emplace(FoldedName(fd.cFileName), entry);
            if (fd.cAlternateFileName[0]) listing.entries.emplace(FoldedName(fd.cAlternateFileName), entry);
        } while (FindNextFileA(h, &fd));
        listing.listed = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(h);
        return listing;
    }

    // Elements of an unordered_map keep their place when it grows: last_ stays valid.
    std::unordered_map<std::string, Listing> folders_;
    std::string lastFolder_;
    const Listing* last_ = nullptr;
};

// RefreshFileState through the folder listings.
void RefreshListedFileState(const TProgramData* p, ListNode* download, TFolderListings* listings) {
    FileItem* item = TFileListObject::Item(download);
    if (!TFileListObject::IsItemShown(item)) return;
    const StorageLocations locations{p->standards.downloadsLocation, p->standards.shortcutsLocation};
    char path[TV_PATH_SIZE];
    TFolderListings::Entry entry;
    const TFolderListings::Answer answer =
        p->downloads.FilePath(path, sizeof path, item, &p->categories, locations) == TV_FOLDER_OK
            ? listings->Look(path, &entry)
            : TFolderListings::kUnknown;
    if (answer == TFolderListings::kUnknown) {
        RefreshFileState(p, download);
        return;
    }
    const bool exists = answer == TFolderListings::kPresent && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
    item->flags = exists ? (item->flags | TV_FILE_EXISTS) : (item->flags & ~uint32_t(TV_FILE_EXISTS));
    item->sizeLow = exists ? entry.sizeLow : 0;
    item->sizeHigh = exists ? entry.sizeHigh : 0;
}

}  // namespace

bool PlaceIconInTextGap(HWND dialog, int textId, int iconId) {
    HWND text = GetDlgItem(dialog, textId);
    HWND icon = GetDlgItem(dialog, iconId);
    if (!text || !icon) return false;
    const int length = GetWindowTextLengthA(text);
    if (length <= 0) return false;
    std::string s(size_t(length) + 1, '\0');
    s.resize(size_t(GetWindowTextA(text, &s[0], length + 1)));
    // The gap: the first run of three or more blanks.
    const size_t gapStart = s.find("   ");
    if (gapStart == std::string::npos || gapStart == 0) return false;
    size_t gapEnd = gapStart;
    while (gapEnd < s.size() && s[gapEnd] == ' ') ++gapEnd;

    RECT client = {};
    GetClientRect(text, &client);
    HDC dc = GetDC(text);
    if (!dc) return false;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    const int lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    // Lines of the first count characters, laid out as the static control lays out its text.
    auto lines = [&](size_t count) {
        RECT r = {0, 0, client.right, 0};
        DrawTextA(dc, s.c_str(), int(count), &r, DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_CALCRECT);
        return r.bottom / lineHeight;
    };
    const int gapLine = lines(gapStart);
    // The gap's line starts after the last prefix that still has fewer lines (line counts only
    // grow as the prefix grows).
    size_t low = 0, high = gapStart;
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (lines(middle) < gapLine)
            low = middle;
        else
            high = middle - 1;
    }
    size_t lineStart = low;
    while (lineStart < gapStart && (s[lineStart] == ' ' || s[lineStart] == '\r' || s[lineStart] == '\n')) ++lineStart;
    SIZE before = {}, gap = {};
    GetTextExtentPoint32A(dc, s.c_str() + lineStart, int(gapStart - lineStart), &before);
    GetTextExtentPoint32A(dc, s.c_str() + gapStart, int(gapEnd - gapStart), &gap);
    SelectObject(dc, oldFont);
    ReleaseDC(text, dc);

    const int size = GetSystemMetrics(SM_CXSMICON);
    POINT at = {before.cx + (gap.cx - size) / 2, (gapLine - 1) * lineHeight + (lineHeight - size) / 2};
    if (at.x + size > client.right) at.x = client.right - size;
    if (at.x < 0) at.x = 0;
    MapWindowPoints(text, dialog, &at, 1);
    // The icon lies on the text: above it, and the text does not paint over it.
    SetWindowLongA(text, GWL_STYLE, GetWindowLongA(text, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(icon, HWND_TOP, at.x, at.y, size, size, SWP_NOACTIVATE);
    InvalidateRect(icon, nullptr, TRUE);
    return true;
}

INT_PTR CALLBACK InformationDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        const TInformationDialogParams* params = reinterpret_cast<const TInformationDialogParams*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, LONG_PTR(params ? params->helpContext : 0));
        if (params && params->iconResource) {
            // The state icon at its small size, in the gap that the text leaves for it.
            HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(params->iconResource), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
            if (image) SendDlgItemMessageA(hwnd, IDC_INTAKE_INFO_ICON, STM_SETICON, reinterpret_cast<WPARAM>(image), 0);
        }
        PlaceIconInTextGap(hwnd, IDC_INTAKE_INFO_TEXT, IDC_INTAKE_INFO_ICON);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(hwnd, IDOK);
            return TRUE;
        case IDC_INTAKE_HELP:
            ShowHelpTopic(hwnd, uint32_t(GetWindowLongPtrA(hwnd, DWLP_USER)));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int CheckLostFiles(const TIntakeContext& context) {
    TProgramData* p = context.program;
    if (!p) return 0;
    int lost = 0;
    TFolderListings listings;
    for (ListNode* node = p->downloads.First(); node; node = node->next) {
        if (!p->downloads.IsNodeValid(node, 0)) continue;
        const bool was = (TFileListObject::Item(node)->flags & TV_FILE_EXISTS) != 0;
        RefreshListedFileState(p, node, &listings);
        if (was && !(TFileListObject::Item(node)->flags & TV_FILE_EXISTS)) ++lost;
    }
    for (ListNode* node = p->shortcuts.First(); node; node = node->next) {
        if (!p->shortcuts.IsNodeValid(node, 0)) continue;
        const bool was = (TShortcutListObject::Item(node)->flags & TV_SHORTCUT_EXISTS) != 0;
        RefreshShortcutState(p, node);
        if (was && !(TShortcutListObject::Item(node)->flags & TV_SHORTCUT_EXISTS)) ++lost;
    }
    if (lost) {
        if (context.hooks.refreshViews) context.hooks.refreshViews(context.hooks.context);
        ShowInformation(context, "FILESLOST", TV_HELP_FILESLOST, TV_ICON_STATE_MISSING);
    }
    return lost;
}

int CheckNewStorageFiles(const TIntakeContext& context) {
    TProgramData* p = context.program;
    if (!p) return 0;
    int found = 0;
    TStoredNames storedNames(&p->downloads);
    for (int kind : {TV_KIND_DOWNLOADS, TV_KIND_SHORTCUTS}) {
        ListNode* root = p->categories.FindCategoryById(0, kind);
        if (root) found += ScanCategory(context, root, &storedNames);
    }
    if (found) {
        if (context.hooks.rebuildTree) context.hooks.rebuildTree(context.hooks.context);
        ShowInformation(context, "FILESLONELY", TV_HELP_FILESLONELY, TV_ICON_STATE_FOUND);
    }
    return found;
}
