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
#include "util/safestr.h"

namespace {

INT_PTR CALLBACK InformationDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        return TRUE;
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

void ShowInformation(const TIntakeContext& context, const char* templateName, uint32_t helpContext) {
    if (context.responder && context.responder->informationDialog) {
        context.responder->informationDialog(context.owner, templateName, context.responder->context);
        return;
    }
    DialogBoxParamA(GetModuleHandleA(nullptr), templateName, context.owner, InformationDialogProc, LPARAM(helpContext));
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
        ShowInformation(context, "FILESLOST", TV_HELP_FILESLOST);
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
        ShowInformation(context, "FILESLONELY", TV_HELP_FILESLONELY);
    }
    return found;
}
