#include "intake/win_newfile.h"

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <vector>

#include "intake/newfile.h"
#include "intake/newfile_ids.h"
#include "util/text.h"
#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_ui.h"

namespace {

enum PageKind { P_INTRO, P_DOWNLOAD, P_FILE, P_COUNT };

struct Wizard;
struct Page {
    Wizard* wizard;
    PageKind kind;
};
struct Wizard {
    TNewDownloadOrFile* state;
    Page pages[P_COUNT];
    bool finished = false;
};

INT_PTR Answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void IntroButtons(HWND page) {
    const bool download = IsDlgButtonChecked(page, IDC_NEWFILE_DOWNLOAD) == BST_CHECKED;
    PropSheet_SetWizButtons(GetParent(page), download ? PSWIZB_NEXT : PSWIZB_FINISH);
}

void StoreChoice(HWND page, TNewDownloadOrFile* state) {
    state->choice = IsDlgButtonChecked(page, IDC_NEWFILE_DOWNLOAD) == BST_CHECKED ? 1 : 0;
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Page* page;
    if (msg == WM_INITDIALOG) {
        page = reinterpret_cast<Page*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    } else {
        page = reinterpret_cast<Page*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!page) return FALSE;
    TNewDownloadOrFile* state = page->wizard->state;
    switch (msg) {
        case WM_INITDIALOG:
            if (page->kind == P_DOWNLOAD) SendDlgItemMessageA(hwnd, IDC_NEWFILE_URL, EM_LIMITTEXT, sizeof state->url - 1, 0);
            return TRUE;
        case WM_COMMAND:
            if (page->kind == P_INTRO && HIWORD(wParam) == BN_CLICKED &&
                (LOWORD(wParam) == IDC_NEWFILE_DOWNLOAD || LOWORD(wParam) == IDC_NEWFILE_IMPORT)) {
                IntroButtons(hwnd);
                return TRUE;
            }
            break;
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                case PSN_SETACTIVE:
                    switch (page->kind) {
                        case P_INTRO:
                            CheckRadioButton(hwnd, IDC_NEWFILE_DOWNLOAD, IDC_NEWFILE_IMPORT,
                                             state->choice == 1 ? IDC_NEWFILE_DOWNLOAD : IDC_NEWFILE_IMPORT);
                            IntroButtons(hwnd);
                            return Answer(hwnd, 0);
                        case P_DOWNLOAD:
                            if (state->choice != 1) return Answer(hwnd, -1);
                            SetDlgItemTextA(hwnd, IDC_NEWFILE_URL, state->url);
                            PropSheet_SetWizButtons(GetParent(hwnd), PSWIZB_BACK | PSWIZB_FINISH);
                            return Answer(hwnd, 0);
                        default:
                            if (state->choice != 0) return Answer(hwnd, -1);
                            PropSheet_SetWizButtons(GetParent(hwnd), PSWIZB_BACK | PSWIZB_FINISH);
                            return Answer(hwnd, 0);
                    }
                case PSN_WIZNEXT:
                    if (page->kind == P_INTRO) StoreChoice(hwnd, state);
                    return Answer(hwnd, 0);
                case PSN_WIZFINISH:
                    if (page->kind == P_INTRO) StoreChoice(hwnd, state);
                    if (page->kind == P_DOWNLOAD) GetDlgItemTextA(hwnd, IDC_NEWFILE_URL, state->url, sizeof state->url);
                    page->wizard->finished = true;
                    return Answer(hwnd, 0);
                case PSN_HELP:
                    ShowHelpTopic(hwnd, TV_HELP_NEWFILE);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

bool RunNewDownloadOrFileWizard(HWND owner, TNewDownloadOrFile* state) {
    if (!state) return false;
    static const char* const kTemplates[P_COUNT] = {"NEWFILEORDOWNLOADINTRO", "NEWDOWNLOAD", "NEWFILE"};
    Wizard wizard;
    wizard.state = state;
    PROPSHEETPAGEA sheets[P_COUNT];
    for (int i = 0; i < P_COUNT; ++i) {
        wizard.pages[i] = {&wizard, PageKind(i)};
        PROPSHEETPAGEA& p = sheets[i];
        p = PROPSHEETPAGEA();
        p.dwSize = sizeof p;
        p.dwFlags = PSP_HASHELP;
        p.hInstance = GetModuleHandleA(nullptr);
        p.pszTemplate = kTemplates[i];
        p.pfnDlgProc = GuardedDialogProc<PageProc>;
        p.lParam = reinterpret_cast<LPARAM>(&wizard.pages[i]);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.nPages = P_COUNT;
    header.ppsp = sheets;
    PropertySheetA(&header);
    return wizard.finished;
}

bool PickFilesToImport(HWND owner, const char* title, std::string* joined, int* count) {
    if (!joined) return false;
    joined->clear();
    if (count) *count = 0;
    char dialogTitle[TV_MESSAGE_SIZE];
    CopyLimited(dialogTitle, LoadMessageText(IDS_NEWFILE_IMPORT_TITLE), sizeof dialogTitle);
    // The filter's "|" separators become the NULs the dialog expects (two at the end).
    char filter[TV_MESSAGE_SIZE + 2] = {};
    CopyLimited(filter, LoadMessageText(IDS_NEWFILE_FILTER), TV_MESSAGE_SIZE);
    for (char* c = filter; *c; ++c)
        if (*c == '|') *c = '\0';
    std::vector<char> selection(TV_IMPORT_SELECTION_SIZE, '\0');
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = selection.data();
    ofn.nMaxFile = DWORD(selection.size());
    ofn.lpstrTitle = dialogTitle;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXTENSIONDIFFERENT | OFN_ALLOWMULTISELECT |
                OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn)) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            ShowMessageBox(owner, LoadMessageText(IDS_NEWFILE_TOO_MANY), title, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    std::vector<char> text(TV_IMPORT_SELECTION_SIZE, '\0');
    const int n = JoinSelectedFiles(text.data(), text.size(), selection.data(), selection.size());
    if (n <= 0) return false;
    joined->assign(text.data());
    if (count) *count = n;
    return true;
}
