#include "shell/win_preferences.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/win/viewer_dialogs.h"
#include "catops/win_item_ops.h"
#include "database/programdata.h"
#include "intake/win_extprocs.h"
#include "integration/win_pages.h"
#include "shell/app.h"
#include "shell/mainwin_ids.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/win_guard.h"
#include "util/safestr.h"
#include "watch/win_watch.h"
#include "watch/win_watch_page.h"

namespace {

struct StandardsPage {
    StandardsSettings settings;
    const char* programFolder = "";
    bool applied = false;
};

// Lets the user pick a folder for the edit control, starting at the folder it names (keeps the
// text when cancelled).
void BrowseFolder(HWND page, int editId) {
    char current[TV_PATH_SIZE] = {};
    GetDlgItemTextA(page, editId, current, sizeof(current));
    char folder[TV_PATH_SIZE] = {};
    if (BrowseForFolder(page, LoadMessageText(IDS_BROWSE_STORAGE_PROMPT), current, folder, sizeof(folder))) {
        EnsureTrailingBackslash(folder, sizeof(folder));
        SetDlgItemTextA(page, editId, folder);
    }
}

void ReadPage(HWND page, StandardsPage* state) {
    StandardsSettings& s = state->settings;
    GetDlgItemTextA(page, IDC_STD_DOWNLOADS, s.downloadsLocation, sizeof(s.downloadsLocation));
    GetDlgItemTextA(page, IDC_STD_SHORTCUTS, s.shortcutsLocation, sizeof(s.shortcutsLocation));
    s.doubleClickAction = IsDlgButtonChecked(page, IDC_STD_DOUBLE_PROPERTIES) ? 2
                          : IsDlgButtonChecked(page, IDC_STD_DOUBLE_VIEWER)   ? 3
                                                                              : 1;
    s.trayIconWhenMinimised = IsDlgButtonChecked(page, IDC_STD_TRAY) ? 1 : 0;
    s.Validate(state->programFolder);
}

INT_PTR CALLBACK StandardsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    StandardsPage* state = reinterpret_cast<StandardsPage*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<StandardsPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            if (!state) return TRUE;
            const StandardsSettings& s = state->settings;
            SendDlgItemMessageA(page, IDC_STD_DOWNLOADS, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SendDlgItemMessageA(page, IDC_STD_SHORTCUTS, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(page, IDC_STD_DOWNLOADS, s.downloadsLocation);
            SetDlgItemTextA(page, IDC_STD_SHORTCUTS, s.shortcutsLocation);
            const int action = s.doubleClickAction == 2 ? IDC_STD_DOUBLE_PROPERTIES
                               : s.doubleClickAction == 3 ? IDC_STD_DOUBLE_VIEWER
                                                          : IDC_STD_DOUBLE_OPEN;
            CheckRadioButton(page, IDC_STD_DOUBLE_OPEN, IDC_STD_DOUBLE_VIEWER, action);
            CheckDlgButton(page, IDC_STD_TRAY, s.trayIconWhenMinimised ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_STD_DOWNLOADS_BROWSE:
                    BrowseFolder(page, IDC_STD_DOWNLOADS);
                    return TRUE;
                case IDC_STD_SHORTCUTS_BROWSE:
                    BrowseFolder(page, IDC_STD_SHORTCUTS);
                    return TRUE;
                case IDC_MAINWIN_HELP:
                    ShowHelpTopic(page, TV_HELP_STANDARDS);
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == PSN_APPLY && state) {
                ReadPage(page, state);
                state->applied = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ShowHelpTopic(page, TV_HELP_STANDARDS);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            if (Globals().titleFont)
                SendDlgItemMessageA(dialog, IDC_INFO_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(Globals().titleFont), FALSE);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, LOWORD(wParam));
                    return TRUE;
                case IDC_MAINWIN_HELP:
                    ShowHelpTopic(dialog, TV_HELP_INFO);
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

// Message id with the new and the old location put in, caption "Error".
void ReportLocationKept(HWND owner, UINT id, const char* wanted, const char* kept) {
    std::string text = LoadMessageText(id);
    size_t from = 0;
    for (const char* value : {wanted, kept}) {
        const size_t at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, value);
        from = at + strlen(value);
    }
    ShowMessageBox(owner, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

// Moves the stored files of a kind from oldBase to the location the settings hold now (location,
// a TV_PATH_SIZE field of the settings). When the new folder cannot be made, the move is refused
// (one folder inside the other) or not every file got there, the files that moved go back, the
// settings keep oldBase, and the user is told why.
void MoveStorage(HWND owner, TItemOperations* operations, int kind, const char* oldBase, char* location) {
    if (lstrcmpiA(oldBase, location) == 0) return;
    char wanted[TV_PATH_SIZE];
    CopyLimited(wanted, location, sizeof(wanted));
    const bool existed = GetFileAttributesA(wanted) != INVALID_FILE_ATTRIBUTES;
    const DWORD created = CreateDirectoryPath(wanted);
    const DWORD attributes = GetFileAttributesA(wanted);
    if (created != 0 && (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))) {
        CopyLimited(location, oldBase, TV_PATH_SIZE);
        ReportLocationKept(owner, IDS_LOCATION_NOT_CREATED, wanted, oldBase);
        return;
    }
    const int failed = operations->MoveStorageLocation(oldBase, wanted, kind);
    if (failed == 0) return;
    CopyLimited(location, oldBase, TV_PATH_SIZE);
    if (failed < 0) {
        if (!existed) {
            // The folder made for the move goes again (only when it is empty).
            char folder[TV_PATH_SIZE];
            CopyLimited(folder, wanted, sizeof(folder));
            RemoveTrailingBackslash(folder);
            RemoveDirectoryA(folder);
        }
        ReportLocationKept(owner, IDS_LOCATION_NESTED, wanted, oldBase);
        return;
    }
    operations->MoveStorageLocation(wanted, oldBase, kind);  // what moved comes back
    ReportLocationKept(owner, IDS_LOCATION_NOT_MOVED, wanted, oldBase);
}

}  // namespace

bool RunPreferences(HWND owner, TProgramData* program, TItemOperations* operations, TWatchService* watch) {
    if (!program) return false;
    StandardsPage state;
    state.settings = program->standards;
    state.programFolder = program->programFolder;

    char title[100];
    CopyLimited(title, LoadMessageText(IDS_PREFERENCES), sizeof(title));
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(page);
    page.hInstance = Globals().instance;
    page.pszTemplate = "SETUPSTANDARDS";
    page.pfnDlgProc = GuardedDialogProc<StandardsPageProc>;
    page.lParam = reinterpret_cast<LPARAM>(&state);
    std::vector<PROPSHEETPAGEA> pages(1, page);
    TSetupExtProcsPage externalPrograms(program->externalPrograms);
    externalPrograms.AddPage(&pages, Globals().instance);
    TIntegrationPages integration(program->integration);
    integration.AddPages(&pages, Globals().instance);
    TViewerPreferencesPage viewer;
    viewer.settings = program->viewer;
    PROPSHEETPAGEA viewerPage;
    MakeViewerPreferencesPage(&viewerPage, &viewer);
    pages.push_back(viewerPage);
    std::vector<std::string> categoryNames;
    for (ListNode* n = program->categories.First(); n; n = n->next) {
        const CategoryItem* c = program->categories.IsNodeValid(n, 0) ? TCategoryListObject::Item(n) : nullptr;
        if (c && c->kind == TV_KIND_DOWNLOADS && c->id != 0 && c->name) categoryNames.push_back(c->name);
    }
    TWatchPage watchPage(watch ? watch->settings().folders : std::vector<TWatchedFolder>(), categoryNames);
    if (watch) watchPage.AddPage(&pages, Globals().instance);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof(sheet);
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = Globals().instance;
    sheet.pszCaption = title;
    sheet.nPages = UINT(pages.size());
    sheet.ppsp = pages.data();
    if (PropertySheetA(&sheet) <= 0 || !state.applied) return false;
    if (externalPrograms.applied()) externalPrograms.CommitTo(&program->externalPrograms);
    if (integration.applied()) program->integration = integration.settings();
    if (viewer.applied) program->viewer = viewer.settings;
    if (watch && watchPage.applied()) watch->SetFolders(watchPage.folders());

    char oldDownloads[TV_PATH_SIZE], oldShortcuts[TV_PATH_SIZE];
    CopyLimited(oldDownloads, program->standards.downloadsLocation, sizeof(oldDownloads));
    CopyLimited(oldShortcuts, program->standards.shortcutsLocation, sizeof(oldShortcuts));
    program->standards = state.settings;
    // The stored files follow a storage location that changed: downloads, then shortcuts. A
    // location is kept only when its files got there.
    if (operations) {
        MoveStorage(owner, operations, TV_KIND_DOWNLOADS, oldDownloads, program->standards.downloadsLocation);
        MoveStorage(owner, operations, TV_KIND_SHORTCUTS, oldShortcuts, program->standards.shortcutsLocation);
    } else {
        CopyLimited(program->standards.downloadsLocation, oldDownloads, TV_PATH_SIZE);
        CopyLimited(program->standards.shortcutsLocation, oldShortcuts, TV_PATH_SIZE);
    }
    return true;
}

void RunInfoDialog(HWND owner) { DialogBoxParamA(Globals().instance, "INFODIALOG", owner, GuardedDialogProc<InfoDialogProc>, 0); }
