// The two checks of the storage folders after start-up: stored files that vanished, and files and
// folders that appeared without the program.
#include <windows.h>

#include <string>
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

int ScanCategory(const TIntakeContext& context, ListNode* node) {
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
            found += ScanCategory(context, child);
        } else if (kind == TV_KIND_DOWNLOADS) {
            if (p->downloads.FindFileByName(entry.name.c_str(), id, TV_FIND_STORED_NAME)) continue;
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
    for (ListNode* node = p->downloads.First(); node; node = node->next) {
        if (!p->downloads.IsNodeValid(node, 0)) continue;
        const bool was = (TFileListObject::Item(node)->flags & TV_FILE_EXISTS) != 0;
        RefreshFileState(p, node);
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
    for (int kind : {TV_KIND_DOWNLOADS, TV_KIND_SHORTCUTS}) {
        ListNode* root = p->categories.FindCategoryById(0, kind);
        if (root) found += ScanCategory(context, root);
    }
    if (found) {
        if (context.hooks.rebuildTree) context.hooks.rebuildTree(context.hooks.context);
        ShowInformation(context, "FILESLONELY", TV_HELP_FILESLONELY, TV_ICON_STATE_FOUND);
    }
    return found;
}
