#include "integration/win_pages.h"

#include <commctrl.h>

#include "integration/integration_ids.h"
#include "integration/integration_rules.h"
#include "integration/win_browser.h"
#include "util/text.h"
#include "util/safestr.h"

// The page procedures' way into the shared settings.
struct TIntegrationPageAccess {
    static IntegrationSettings& Settings(TIntegrationPages* p) { return p->settings_; }
    static void SetApplied(TIntegrationPages* p) { p->applied_ = true; }
    static int FirstIndex(TIntegrationPages* p) { return p->firstIndex_; }
};

namespace {

const char* const kTemplates[4] = {"SETUPINTEGRATION", "SETUPIE", "SETUPNN", "SETUPOPERA"};
const int kChoiceRadios[4] = {IDC_INT_CHOICE_IE, IDC_INT_CHOICE_NN, IDC_INT_CHOICE_OPERA, IDC_INT_CHOICE_PROMPT};

// The fields of one browser page inside the settings.
struct BrowserFields {
    uint32_t* downloads;
    char* program;
    uint32_t* import;
    char* file;
    bool fileIsFolder;
    unsigned fileTitle;
    unsigned fileFilter;
};

BrowserFields FieldsOf(IntegrationSettings& s, int kind) {
    switch (kind) {
        case 1:
            return {&s.ieDownloads, s.iePath, &s.ieFavoritesImport, s.ieFavoritesFolder, true,
                    IDS_INT_SELECT_FAVORITES, 0};
        case 2:
            return {&s.netscapeDownloads, s.netscapePath, &s.netscapeBookmarkImport, s.netscapeBookmarkFile, false,
                    IDS_INT_SELECT_BOOKMARK_FILE, IDS_INT_BOOKMARK_FILTER};
        default:
            return {&s.operaDownloads, s.operaPath, &s.operaHotlistImport, s.operaHotlistFile, false,
                    IDS_INT_SELECT_HOTLIST_FILE, IDS_INT_HOTLIST_FILTER};
    }
}

unsigned HelpOf(int kind) {
    const unsigned contexts[4] = {TV_HELP_SETUP_INTEGRATION, TV_HELP_SETUP_IE, TV_HELP_SETUP_NN, TV_HELP_SETUP_OPERA};
    return contexts[kind >= 0 && kind < 4 ? kind : 0];
}

void SetCheck(HWND page, int id, uint32_t on) { CheckDlgButton(page, id, on == 1 ? BST_CHECKED : BST_UNCHECKED); }
uint32_t Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0; }

void FillPage(HWND page, int kind, IntegrationSettings& s) {
    if (kind == 0) {
        SetCheck(page, IDC_INT_AUTOSTART, s.startWithWindows);
        SetCheck(page, IDC_INT_CONTEXT_MENU, s.contextMenuIntegration);
        SetCheck(page, IDC_INT_ON_TOP, s.alwaysOnTop);
        const int choice = s.browserChoice <= 3 ? int(s.browserChoice) : int(TV_BROWSER_PROMPT);
        CheckRadioButton(page, IDC_INT_CHOICE_IE, IDC_INT_CHOICE_PROMPT, kChoiceRadios[choice]);
        return;
    }
    const BrowserFields f = FieldsOf(s, kind);
    SetCheck(page, IDC_BROWSER_DOWNLOADS, *f.downloads);
    SetCheck(page, IDC_BROWSER_IMPORT, *f.import);
    SendDlgItemMessageA(page, IDC_BROWSER_PROGRAM, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
    SendDlgItemMessageA(page, IDC_BROWSER_FILE, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
    SetDlgItemTextA(page, IDC_BROWSER_PROGRAM, f.program);
    SetDlgItemTextA(page, IDC_BROWSER_FILE, f.file);
}

void ReadPage(HWND page, int kind, IntegrationSettings& s) {
    if (kind == 0) {
        s.startWithWindows = Checked(page, IDC_INT_AUTOSTART);
        s.contextMenuIntegration = Checked(page, IDC_INT_CONTEXT_MENU);
        s.alwaysOnTop = Checked(page, IDC_INT_ON_TOP);
        for (int i = 0; i < 4; ++i)
            if (Checked(page, kChoiceRadios[i])) s.browserChoice = uint8_t(i);
        return;
    }
    const BrowserFields f = FieldsOf(s, kind);
    *f.downloads = Checked(page, IDC_BROWSER_DOWNLOADS);
    *f.import = Checked(page, IDC_BROWSER_IMPORT);
    GetDlgItemTextA(page, IDC_BROWSER_PROGRAM, f.program, TV_PATH_SIZE);
    GetDlgItemTextA(page, IDC_BROWSER_FILE, f.file, TV_PATH_SIZE);
    TrimSpaces(f.program, TV_TRIM_BOTH);
    TrimSpaces(f.file, TV_TRIM_BOTH);
}

void Browse(HWND page, int kind, int control, IntegrationSettings& s) {
    char path[TV_PATH_SIZE];
    GetDlgItemTextA(page, control, path, sizeof path);
    const BrowserFields f = FieldsOf(s, kind);
    bool chosen;
    if (control == IDC_BROWSER_PROGRAM) {
        // A setting with arguments starts the dialog at its program file.
        char program[TV_PATH_SIZE];
        if (BrowserProgramFile(program, sizeof program, path)) CopyLimited(path, program, sizeof path);
        chosen = PickIntegrationFile(page, path, sizeof path, IDS_INT_SELECT_APPLICATION, IDS_INT_PROGRAM_FILTER);
    } else if (f.fileIsFolder) {
        chosen = PickIntegrationFolder(page, path, sizeof path, f.fileTitle);
    } else {
        chosen = PickIntegrationFile(page, path, sizeof path, f.fileTitle, f.fileFilter);
    }
    if (chosen) SetDlgItemTextA(page, control, path);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TIntegrationPages::Page*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<TIntegrationPages::Page*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            if (state) FillPage(page, state->kind, TIntegrationPageAccess::Settings(state->owner));
            return TRUE;
        case WM_COMMAND: {
            if (!state) break;
            const int id = LOWORD(wParam);
            if (id == IDC_INTEGRATION_HELP) {
                IntegrationHelp(page, HelpOf(state->kind));
                return TRUE;
            }
            if (state->kind == 0 && id >= IDC_INT_IE_PAGE && id <= IDC_INT_OPERA_PAGE) {
                const int first = TIntegrationPageAccess::FirstIndex(state->owner);
                if (first >= 0) PropSheet_SetCurSel(GetParent(page), nullptr, first + 1 + (id - IDC_INT_IE_PAGE));
                return TRUE;
            }
            if (state->kind != 0 && id == IDC_BROWSER_PROGRAM_BROWSE) {
                Browse(page, state->kind, IDC_BROWSER_PROGRAM, TIntegrationPageAccess::Settings(state->owner));
                return TRUE;
            }
            if (state->kind != 0 && id == IDC_BROWSER_FILE_BROWSE) {
                Browse(page, state->kind, IDC_BROWSER_FILE, TIntegrationPageAccess::Settings(state->owner));
                return TRUE;
            }
            break;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!state) break;
            if (header->code == PSN_APPLY) {
                ReadPage(page, state->kind, TIntegrationPageAccess::Settings(state->owner));
                TIntegrationPageAccess::SetApplied(state->owner);
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                IntegrationHelp(page, HelpOf(state->kind));
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

}  // namespace

void TIntegrationPages::AddPages(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance) {
    if (!pages) return;
    firstIndex_ = int(pages->size());
    for (int i = 0; i < 4; ++i) {
        PROPSHEETPAGEA page = {};
        page.dwSize = sizeof page;
        page.hInstance = instance;
        page.pszTemplate = kTemplates[i];
        page.pfnDlgProc = PageProc;
        page.lParam = reinterpret_cast<LPARAM>(&pages_[i]);
        pages->push_back(page);
    }
}
