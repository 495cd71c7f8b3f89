#include "shell/win_preferences.h"

#include <commctrl.h>
#include <shlobj.h>

#include <vector>

#include "archive/win/viewer_dialogs.h"
#include "core/win_item_ops.h"
#include "database/programdata.h"
#include "integration/win_pages.h"
#include "shell/app.h"
#include "shell/mainwin_ids.h"
#include "util/text.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/win_guard.h"
#include "util/safestr.h"

namespace {

struct StandardsPage {
    StandardsSettings settings;
    const char* programFolder = "";
    bool applied = false;
};

// Lets the user pick a folder for the edit control (keeps the text when cancelled).
void BrowseFolder(HWND page, int editId) {
    char folder[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = page;
    info.pszDisplayName = folder;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return;
    if (SHGetPathFromIDListA(list, folder)) SetDlgItemTextA(page, editId, folder);
    CoTaskMemFree(list);
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

}  // namespace

bool RunPreferences(HWND owner, TProgramData* program, TItemOperations* operations) {
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
    TIntegrationPages integration(program->integration);
    integration.AddPages(&pages, Globals().instance);
    TViewerPreferencesPage viewer;
    viewer.settings = program->viewer;
    PROPSHEETPAGEA viewerPage;
    MakeViewerPreferencesPage(&viewerPage, &viewer);
    pages.push_back(viewerPage);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof(sheet);
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = Globals().instance;
    sheet.pszCaption = title;
    sheet.nPages = UINT(pages.size());
    sheet.ppsp = pages.data();
    if (PropertySheetA(&sheet) <= 0 || !state.applied) return false;
    if (integration.applied()) program->integration = integration.settings();
    if (viewer.applied) program->viewer = viewer.settings;

    char oldDownloads[TV_PATH_SIZE], oldShortcuts[TV_PATH_SIZE];
    CopyLimited(oldDownloads, program->standards.downloadsLocation, sizeof(oldDownloads));
    CopyLimited(oldShortcuts, program->standards.shortcutsLocation, sizeof(oldShortcuts));
    program->standards = state.settings;
    // The stored files follow a storage location that changed: downloads, then shortcuts.
    if (operations) {
        if (lstrcmpiA(oldDownloads, program->standards.downloadsLocation) != 0)
            operations->MoveStorageLocation(oldDownloads, program->standards.downloadsLocation, TV_KIND_DOWNLOADS);
        if (lstrcmpiA(oldShortcuts, program->standards.shortcutsLocation) != 0)
            operations->MoveStorageLocation(oldShortcuts, program->standards.shortcutsLocation, TV_KIND_SHORTCUTS);
    }
    return true;
}

void RunInfoDialog(HWND owner) { DialogBoxParamA(Globals().instance, "INFODIALOG", owner, GuardedDialogProc<InfoDialogProc>, 0); }
