// The find sheet "Search" and its page "FINDGENERAL".
#include "find/win/find_dialog.h"

#include <commctrl.h>
#include <prsht.h>

#include "find/find_ids.h"
#include "find/findlogic.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

struct TFindPage {
    TFindFileSettingsData* settings;
    HWND hwnd = nullptr;
    bool accepted = false;
};

INT_PTR PageResult(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// A combo box with the history, newest first, showing text.
void FillHistory(HWND combo, const TDynamicStringListObject& history, const char* text) {
    SendMessageA(combo, CB_LIMITTEXT, TV_PATH_SIZE - 1, 0);
    for (const ListNode* node = history.First(); node; node = node->next) {
        const StringItem* item = TDynamicStringListObject::Item(node);
        if (item && item->text && *item->text)
            SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(item->text));
    }
    SetWindowTextA(combo, text);
}

// 103 and 104 only under "File"; the filter only for the archive search.
void UpdateEnabled(HWND page) {
    const bool file = Checked(page, IDC_FIND_FILE);
    const bool archives = file && Checked(page, IDC_FIND_ARCHIVES);
    EnableWindow(GetDlgItem(page, IDC_FIND_INFOS), file);
    EnableWindow(GetDlgItem(page, IDC_FIND_ARCHIVES), file);
    HWND filter = GetDlgItem(page, IDC_FIND_FILTER);
    EnableWindow(filter, archives);
    EnableWindow(GetWindow(filter, GW_HWNDPREV), archives);  // its label
}

void OnInit(TFindPage* page) {
    HWND hwnd = page->hwnd;
    const TFindFileSettingsData& s = *page->settings;
    FillHistory(GetDlgItem(hwnd, IDC_FIND_CONTENTS), s.contentsHistory, s.contents);
    FillHistory(GetDlgItem(hwnd, IDC_FIND_FILTER), s.filterHistory, s.filter);
    CheckRadioButton(hwnd, IDC_FIND_FILE, IDC_FIND_BOOKMARKS, s.searchArea == 1 ? IDC_FIND_FILE : IDC_FIND_BOOKMARKS);
    CheckRadioButton(hwnd, IDC_FIND_INFOS, IDC_FIND_ARCHIVES, s.downloadSearchKind == 1 ? IDC_FIND_ARCHIVES : IDC_FIND_INFOS);
    CheckDlgButton(hwnd, IDC_FIND_CASE, s.caseSensitive ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_FIND_WORDS, s.onlyWords ? BST_CHECKED : BST_UNCHECKED);
    UpdateEnabled(hwnd);
}

// Leaving the page: both texts trimmed, the request complete. False keeps the page.
bool CheckPage(TFindPage* page) {
    HWND hwnd = page->hwnd;
    char contents[TV_PATH_SIZE], filter[TV_PATH_SIZE];
    GetDlgItemTextA(hwnd, IDC_FIND_CONTENTS, contents, sizeof contents);
    GetDlgItemTextA(hwnd, IDC_FIND_FILTER, filter, sizeof filter);
    const uint32_t message = CheckFindRequest(contents, filter, Checked(hwnd, IDC_FIND_FILE), Checked(hwnd, IDC_FIND_ARCHIVES));
    SetDlgItemTextA(hwnd, IDC_FIND_CONTENTS, contents);
    SetDlgItemTextA(hwnd, IDC_FIND_FILTER, filter);
    if (message == 0) return true;
    char text[TV_MESSAGE_SIZE];
    CopyLimited(text, LoadMessageText(message), sizeof text);
    ShowMessageBox(GetParent(hwnd), text, "Information", MB_OK | MB_ICONINFORMATION);
    const bool filterMissing = Checked(hwnd, IDC_FIND_FILE) && Checked(hwnd, IDC_FIND_ARCHIVES);
    SetFocus(GetDlgItem(hwnd, filterMissing ? IDC_FIND_FILTER : IDC_FIND_CONTENTS));
    return false;
}

void Store(TFindPage* page) {
    HWND hwnd = page->hwnd;
    TFindFileSettingsData& s = *page->settings;
    GetDlgItemTextA(hwnd, IDC_FIND_CONTENTS, s.contents, sizeof s.contents);
    GetDlgItemTextA(hwnd, IDC_FIND_FILTER, s.filter, sizeof s.filter);
    TrimSpaces(s.contents, TV_TRIM_BOTH);
    TrimSpaces(s.filter, TV_TRIM_BOTH);
    PadWithZeros(s.contents, sizeof s.contents);
    PadWithZeros(s.filter, sizeof s.filter);
    s.searchArea = Checked(hwnd, IDC_FIND_FILE) ? 1 : 2;
    s.downloadSearchKind = Checked(hwnd, IDC_FIND_ARCHIVES) ? 1 : 0;
    s.caseSensitive = Checked(hwnd, IDC_FIND_CASE) ? 1 : 0;
    s.onlyWords = Checked(hwnd, IDC_FIND_WORDS) ? 1 : 0;
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TFindPage* page;
    if (message == WM_INITDIALOG) {
        page = reinterpret_cast<TFindPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->hwnd = hwnd;
        OnInit(page);
        return TRUE;
    }
    page = reinterpret_cast<TFindPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!page) return FALSE;
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_FIND_FILE:
                case IDC_FIND_BOOKMARKS:
                case IDC_FIND_INFOS:
                case IDC_FIND_ARCHIVES:
                    if (HIWORD(wParam) == BN_CLICKED) UpdateEnabled(hwnd);
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                case PSN_KILLACTIVE:
                    return PageResult(hwnd, CheckPage(page) ? FALSE : TRUE);
                case PSN_APPLY:
                    Store(page);
                    page->accepted = true;
                    return PageResult(hwnd, PSNRET_NOERROR);
                case PSN_HELP:
                    ShowHelpTopic(hwnd, TV_HELP_FINDGENERAL);
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

bool RunFindDialog(HWND owner, TFindFileSettingsData* settings) {
    if (!settings) return false;
    TFindPage state;
    state.settings = settings;
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = "FINDGENERAL";
    page.pfnDlgProc = GuardedDialogProc<PageProc>;
    page.lParam = reinterpret_cast<LPARAM>(&state);
    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(TV_IDS_FIND_SHEET_CAPTION), sizeof caption);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszCaption = caption;
    sheet.nPages = 1;
    sheet.ppsp = &page;
    PropertySheetA(&sheet);
    return state.accepted;
}
