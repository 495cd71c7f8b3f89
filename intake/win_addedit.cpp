// The add/edit dialog of a download: category (chosen or typed), description, website and, for new
// files, whether the file is copied or moved.
#include "intake/win_addedit.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "core/items.h"
#include "intake/intake_ids.h"
#include "intake/win_intake.h"
#include "util/path.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/win_guard.h"
#include "util/safestr.h"

uint32_t CheckAddEditCategoryName(char* category) {
    TrimSpaces(category, TV_TRIM_BOTH);
    return IsValidFileName(category) ? 0u : uint32_t(TV_IDS_CATEGORY_INVALID);
}

// One page "General" in a property sheet whose caption tells a new download from an edited one.
int TFileAddEditDialog::Run(HWND owner) {
    accepted_ = false;
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = "ADDEDITFILE";
    page.pfnDlgProc = GuardedDialogProc<DialogProc>;
    page.lParam = reinterpret_cast<LPARAM>(this);
    char caption[100];
    CopyLimited(caption, LoadMessageText(params_->isNew ? TV_IDS_ADD_FILE_TITLE : TV_IDS_EDIT_FILE_TITLE), sizeof caption);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszCaption = caption;
    sheet.nPages = 1;
    sheet.ppsp = &page;
    PropertySheetA(&sheet);
    hwnd_ = nullptr;
    return accepted_ ? 1 : 0;
}

INT_PTR CALLBACK TFileAddEditDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TFileAddEditDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TFileAddEditDialog*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<TFileAddEditDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    return self ? self->HandleMessage(msg, wParam, lParam) : FALSE;
}

int TFileAddEditDialog::Ask(const char* text, const char* caption, UINT type) {
    // The boxes belong to the sheet, not to its page.
    HWND sheet = hwnd_ ? GetParent(hwnd_) : nullptr;
    if (!sheet) sheet = hwnd_;
    return ShowMessageBox(sheet, text, caption, type);
}

void TFileAddEditDialog::OnInit() {
    HWND combo = GetDlgItem(hwnd_, IDC_ADDEDIT_CATEGORY);
    SendMessageA(combo, CB_LIMITTEXT, TV_PATH_SIZE - 1, 0);
    if (params_->categories) {
        for (const ListNode* n = params_->categories->First(); n; n = n->next) {
            if (!params_->categories->IsNodeValid(n, 0)) continue;
            const CategoryItem* c = TCategoryListObject::Item(n);
            if (c->kind == TV_KIND_DOWNLOADS) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->name));
        }
    }
    SetWindowTextA(combo, params_->category);
    SetDlgItemTextA(hwnd_, IDC_ADDEDIT_FILENAME, params_->fileName);
    // The description edit holds what the record holds: a "FILE_ID.DIZ" of up to 10,000 bytes, or
    // a longer text the download already has.
    const size_t given = params_->description ? strlen(params_->description) : 0;
    SendDlgItemMessageA(hwnd_, IDC_ADDEDIT_DESCRIPTION, EM_LIMITTEXT, given > TV_DESCRIPTION_MAX ? given : TV_DESCRIPTION_MAX,
                        0);
    SendDlgItemMessageA(hwnd_, IDC_ADDEDIT_WEBSITE, EM_LIMITTEXT, TV_INTAKE_TEXT_MAX, 0);
    SetDlgItemTextA(hwnd_, IDC_ADDEDIT_DESCRIPTION, params_->description ? params_->description : "");
    SetDlgItemTextA(hwnd_, IDC_ADDEDIT_WEBSITE, params_->website ? params_->website : "");
    const int show = params_->offerChoice ? SW_SHOW : SW_HIDE;
    ShowWindow(GetDlgItem(hwnd_, IDC_ADDEDIT_COPY), show);
    ShowWindow(GetDlgItem(hwnd_, IDC_ADDEDIT_MOVE), show);
    if (!params_->offerChoice) LayOutWithoutChoice();
    CheckRadioButton(hwnd_, IDC_ADDEDIT_COPY, IDC_ADDEDIT_MOVE, params_->copy ? IDC_ADDEDIT_COPY : IDC_ADDEDIT_MOVE);
}

void TFileAddEditDialog::LayOutWithoutChoice() {
    // Without the copy and move buttons their band would stay empty: the description grows into
    // it and the website row moves down to where the buttons ended.
    RECT copy = {}, move = {}, website = {};
    HWND description = GetDlgItem(hwnd_, IDC_ADDEDIT_DESCRIPTION);
    HWND link = GetDlgItem(hwnd_, IDC_ADDEDIT_WEBSITE_LINK), edit = GetDlgItem(hwnd_, IDC_ADDEDIT_WEBSITE);
    if (!description || !link || !edit) return;
    auto placeOf = [this](HWND control, RECT* r) {
        GetWindowRect(control, r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(r), 2);
    };
    placeOf(GetDlgItem(hwnd_, IDC_ADDEDIT_COPY), &copy);
    placeOf(GetDlgItem(hwnd_, IDC_ADDEDIT_MOVE), &move);
    placeOf(edit, &website);
    const int shift = move.bottom - website.bottom;
    if (shift <= 0) return;
    RECT r = {};
    placeOf(description, &r);
    SetWindowPos(description, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + shift, SWP_NOMOVE | SWP_NOZORDER);
    for (HWND control : {link, edit}) {
        placeOf(control, &r);
        SetWindowPos(control, nullptr, r.left, r.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

bool TFileAddEditDialog::OnOk() {
    char category[TV_PATH_SIZE];
    GetDlgItemTextA(hwnd_, IDC_ADDEDIT_CATEGORY, category, sizeof category);
    if (const uint32_t message = CheckAddEditCategoryName(category)) {
        Ask(LoadMessageText(message), "Error", MB_OK | MB_ICONERROR);
        SetFocus(GetDlgItem(hwnd_, IDC_ADDEDIT_CATEGORY));
        return false;
    }
    CopyLimited(params_->category, category, sizeof params_->category);
    // The whole description, as long as the edit holds it.
    HWND description = GetDlgItem(hwnd_, IDC_ADDEDIT_DESCRIPTION);
    std::vector<char> whole(size_t(GetWindowTextLengthA(description)) + 1, '\0');
    GetWindowTextA(description, whole.data(), int(whole.size()));
    TextAssign(&params_->description, whole.data(), params_->description != nullptr);
    char text[TV_INTAKE_TEXT_MAX + 1];
    GetDlgItemTextA(hwnd_, IDC_ADDEDIT_WEBSITE, text, sizeof text);
    TextAssign(&params_->website, text, params_->website != nullptr);
    if (params_->offerChoice) params_->copy = IsDlgButtonChecked(hwnd_, IDC_ADDEDIT_COPY) == BST_CHECKED ? 1 : 0;
    return true;
}

bool TFileAddEditDialog::ConfirmCancel() {
    if (!params_->askBeforeCancel) return true;
    if (Ask(LoadMessageText(TV_IDS_CANCEL_DOWNLOAD_QUESTION), LoadMessageText(TV_IDS_PROGRAM_TITLE),
            MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    params_->declined = 1;
    return true;
}

// The page's answer to a sheet notification.
static INT_PTR PageResult(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR TFileAddEditDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_KILLACTIVE: {
            // OK checks the category first; a refused name keeps the sheet open.
            char category[TV_PATH_SIZE];
            GetDlgItemTextA(hwnd_, IDC_ADDEDIT_CATEGORY, category, sizeof category);
            if (const uint32_t message = CheckAddEditCategoryName(category)) {
                Ask(LoadMessageText(message), "Error", MB_OK | MB_ICONERROR);
                SetFocus(GetDlgItem(hwnd_, IDC_ADDEDIT_CATEGORY));
                return PageResult(hwnd_, TRUE);
            }
            return PageResult(hwnd_, FALSE);
        }
        case PSN_APPLY:
            if (!OnOk()) return PageResult(hwnd_, PSNRET_INVALID_NOCHANGEPAGE);
            accepted_ = true;
            return PageResult(hwnd_, PSNRET_NOERROR);
        case PSN_QUERYCANCEL:
            return PageResult(hwnd_, ConfirmCancel() ? FALSE : TRUE);
        case PSN_HELP:
            ShowHelpTopic(hwnd_, TV_HELP_ADDEDITFILE);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ADDEDIT_WEBSITE_LINK: {
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            char url[TV_INTAKE_TEXT_MAX + 1];
            GetDlgItemTextA(hwnd_, IDC_ADDEDIT_WEBSITE, url, sizeof url);
            const INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteA(hwnd_, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL));
            if (r <= 32) Ask(LoadMessageText(TV_IDS_WEBSITE_NOT_OPENED), "Error", MB_OK | MB_ICONERROR);
            return TRUE;
        }
        }
        break;
    }
    return FALSE;
}
