#include "integration/win_browser.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "database/settings.h"
#include "integration/integration_ids.h"
#include "integration/integration_rules.h"
#include "util/text.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

struct SelectState {
    IntegrationSettings* settings;
    int choice;
};

const int kSelectRadios[4] = {IDC_SELECT_IE, IDC_SELECT_NN, IDC_SELECT_OPERA, IDC_SELECT_OTHER};

int CheckedSelection(HWND dialog) {
    for (int i = 0; i < 4; ++i)
        if (IsDlgButtonChecked(dialog, kSelectRadios[i]) == BST_CHECKED) return i;
    return TV_BROWSER_OTHER;
}

INT_PTR CALLBACK SelectBrowserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    SelectState* state = reinterpret_cast<SelectState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<SelectState*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            const IntegrationSettings& s = *state->settings;
            const int last = s.lastSelectedBrowser <= 3 ? int(s.lastSelectedBrowser) : int(TV_BROWSER_OTHER);
            CheckRadioButton(dialog, IDC_SELECT_IE, IDC_SELECT_OTHER, kSelectRadios[last]);
            SendDlgItemMessageA(dialog, IDC_SELECT_OTHER_PATH, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(dialog, IDC_SELECT_OTHER_PATH, s.otherBrowserPath);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_SELECT_BROWSE: {
                    char path[TV_PATH_SIZE];
                    GetDlgItemTextA(dialog, IDC_SELECT_OTHER_PATH, path, sizeof path);
                    if (PickIntegrationFile(dialog, path, sizeof path, IDS_INT_SELECT_APPLICATION,
                                            IDS_INT_PROGRAM_FILTER)) {
                        SetDlgItemTextA(dialog, IDC_SELECT_OTHER_PATH, path);
                        CheckRadioButton(dialog, IDC_SELECT_IE, IDC_SELECT_OTHER, IDC_SELECT_OTHER);
                    }
                    return TRUE;
                }
                case IDOK: {
                    char path[TV_PATH_SIZE];
                    GetDlgItemTextA(dialog, IDC_SELECT_OTHER_PATH, path, sizeof path);
                    state->choice = TakeBrowserSelection(state->settings, CheckedSelection(dialog), path,
                                                         IsDlgButtonChecked(dialog, IDC_SELECT_ALWAYS) == BST_CHECKED);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_INTEGRATION_HELP:
                    IntegrationHelp(dialog, TV_HELP_SELECT_BROWSER);
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

bool RunSelectBrowserDialog(HWND owner, IntegrationSettings* settings, int* choice) {
    if (!settings) return false;
    SelectState state{settings, TV_BROWSER_OTHER};
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), "SELECTBROWSER", owner, SelectBrowserProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return false;
    if (choice) *choice = state.choice;
    return true;
}

int LaunchBrowser(HWND owner, IntegrationSettings* settings, const char* url) {
    if (!settings) return TV_LAUNCH_NO_BROWSER;
    int choice = settings->browserChoice;
    if (choice < 0 || choice > 3) choice = TV_BROWSER_PROMPT;
    // Cancelling the question starts nothing: the user chose not to launch.
    if (choice == TV_BROWSER_PROMPT && !RunSelectBrowserDialog(owner, settings, &choice)) return TV_LAUNCH_CANCELLED;
    char program[TV_PATH_SIZE * 2], arguments[2048];
    if (!BuildBrowserLaunch(BrowserSettingFor(*settings, choice), url, program, sizeof program, arguments,
                            sizeof arguments))
        return TV_LAUNCH_NO_BROWSER;
    const HINSTANCE result =
        ShellExecuteA(owner, nullptr, program, arguments[0] ? arguments : nullptr, nullptr, SW_SHOWNORMAL);
    return int(reinterpret_cast<INT_PTR>(result));
}

bool PickIntegrationFile(HWND owner, char* path, size_t size, unsigned titleId, unsigned filterId) {
    if (!path || size == 0) return false;
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(titleId), sizeof title);
    // The filter's "|" separators become the NULs the dialog expects (two at the end).
    char filter[TV_MESSAGE_SIZE + 2] = {};
    CopyLimited(filter, LoadMessageText(filterId), TV_MESSAGE_SIZE);
    const size_t length = strlen(filter);
    for (size_t i = 0; i < length; ++i)
        if (filter[i] == '|') filter[i] = '\0';
    char file[MAX_PATH] = {};
    CopyLimited(file, path, sizeof file);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return false;
    return CopyLimited(path, file, size) == 0;
}

bool PickIntegrationFolder(HWND owner, char* path, size_t size, unsigned titleId) {
    if (!path || size == 0) return false;
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(titleId), sizeof title);
    char folder[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = folder;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return false;
    const bool ok = SHGetPathFromIDListA(list, folder) && CopyLimited(path, folder, size) == 0;
    CoTaskMemFree(list);
    return ok;
}

void IntegrationHelp(HWND owner, uint32_t helpContext) { ShowHelpTopic(owner, helpContext); }
