#include "catops/win_item_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include "resources/resource_ids.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/win_classes.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_guard.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {
enum : unsigned {
    IDS_ADD_BOOKMARK = 3203,
    IDS_EDIT_BOOKMARK = 3204,
    IDS_NO_TARGET = 3421,
    IDS_BAD_TITLE = 3422
};

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(got > 0 ? size_t(got) : 0);
    return text;
}

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// ---------------------------------------------------------------- FILEDELETETYPE
INT_PTR CALLBACK FileDeleteTypeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* io = reinterpret_cast<FileDeleteTypeParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            io = reinterpret_cast<FileDeleteTypeParams*>(lParam);
            CheckRadioButton(dialog, IDC_DELETE_FILE_AND_RECORD, IDC_DELETE_FILE_ONLY,
                             io->deleteType == 1 ? IDC_DELETE_FILE_ONLY : IDC_DELETE_FILE_AND_RECORD);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    io->deleteType = IsDlgButtonChecked(dialog, IDC_DELETE_FILE_ONLY) == BST_CHECKED ? 1 : 0;
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_HELP_BUTTON:
                    ShowHelpTopic(dialog, TV_HELP_FILE_DELETE_TYPE);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

// ---------------------------------------------------------------- ADDEDITBOOKMARK
struct BookmarkPage {
    BookmarkDialogParams* io;
    bool accepted;
};

INT_PTR CALLBACK BookmarkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<BookmarkPage*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<BookmarkPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            HWND combo = GetDlgItem(page, IDC_BOOKMARK_CATEGORY);
            SendMessageA(combo, CB_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            for (const std::string& name : state->io->categories)
                SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            SetWindowTextA(combo, state->io->category.c_str());
            SetDlgItemTextA(page, IDC_BOOKMARK_TITLE, state->io->title.c_str());
            SetDlgItemTextA(page, IDC_BOOKMARK_URL, state->io->url.c_str());
            SetDlgItemTextA(page, IDC_BOOKMARK_DESCRIPTION, state->io->description.c_str());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_BOOKMARK_OPEN_URL) {
                const std::string url = WindowText(GetDlgItem(page, IDC_BOOKMARK_URL));
                if (!url.empty()) ShellExecuteA(page, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_HELP_BUTTON) {
                ShowHelpTopic(page, TV_HELP_BOOKMARK);
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == PSN_APPLY && state) {
                state->io->category = WindowText(GetDlgItem(page, IDC_BOOKMARK_CATEGORY));
                state->io->title = WindowText(GetDlgItem(page, IDC_BOOKMARK_TITLE));
                state->io->url = WindowText(GetDlgItem(page, IDC_BOOKMARK_URL));
                state->io->description = WindowText(GetDlgItem(page, IDC_BOOKMARK_DESCRIPTION));
                state->accepted = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ShowHelpTopic(page, TV_HELP_BOOKMARK);
                return TRUE;
            }
            break;
        }
    }
    return FALSE;
}

// ---------------------------------------------------------------- NEWSHORTCUT
INT_PTR CALLBACK NewShortcutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* io = reinterpret_cast<NewShortcutParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            io = reinterpret_cast<NewShortcutParams*>(lParam);
            SendDlgItemMessageA(dialog, IDC_SHORTCUT_TARGET, EM_LIMITTEXT, TV_SHORTCUT_TARGET_SIZE - 1, 0);
            SendDlgItemMessageA(dialog, IDC_SHORTCUT_TITLE, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(dialog, IDC_SHORTCUT_TARGET, io->target);
            SetDlgItemTextA(dialog, IDC_SHORTCUT_TITLE, io->title);
            HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
            if (icon) SendDlgItemMessageA(dialog, IDC_SHORTCUT_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    char target[TV_SHORTCUT_TARGET_SIZE], title[TV_PATH_SIZE];
                    GetDlgItemTextA(dialog, IDC_SHORTCUT_TARGET, target, sizeof target);
                    GetDlgItemTextA(dialog, IDC_SHORTCUT_TITLE, title, sizeof title);
                    const unsigned problem = CheckNewShortcutInput(target, sizeof target, title);
                    if (problem) {
                        ShowMessageBox(dialog, TvString(problem), "Error", MB_OK | MB_ICONEXCLAMATION);
                        SetFocus(GetDlgItem(dialog, problem == IDS_NO_TARGET ? IDC_SHORTCUT_TARGET : IDC_SHORTCUT_TITLE));
                        return TRUE;
                    }
                    CopyLimited(io->target, target, sizeof io->target);
                    CopyLimited(io->title, title, sizeof io->title);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_HELP_BUTTON:
                    ShowHelpTopic(dialog, TV_HELP_NEW_SHORTCUT);
                    return TRUE;
                case IDC_SHORTCUT_BROWSE: {
                    // Any file or program as the target; its name (without extension) becomes the
                    // title when none is given yet.
                    char file[TV_PATH_SIZE] = {};
                    GetDlgItemTextA(dialog, IDC_SHORTCUT_TARGET, file, sizeof file);
                    OPENFILENAMEA ofn = {};
                    ofn.lStructSize = sizeof ofn;
                    ofn.hwndOwner = dialog;
                    ofn.lpstrFilter = "All Files (*.*)\0*.*\0";
                    ofn.lpstrFile = file;
                    ofn.nMaxFile = sizeof file;
                    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS;
                    if (GetOpenFileNameA(&ofn)) {
                        SetDlgItemTextA(dialog, IDC_SHORTCUT_TARGET, file);
                        if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_SHORTCUT_TITLE)) == 0) {
                            char name[TV_PATH_SIZE];
                            SplitPathParts(file, nullptr, nullptr, name, nullptr);
                            SetDlgItemTextA(dialog, IDC_SHORTCUT_TITLE, name);
                        }
                    }
                    return TRUE;
                }
            }
            break;
        case WM_DESTROY: {
            HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_SHORTCUT_BROWSE, BM_GETIMAGE, IMAGE_ICON, 0));
            if (icon) DestroyIcon(icon);
            break;
        }
    }
    return FALSE;
}

// ---------------------------------------------------------------- CTPROP
INT_PTR CALLBACK CategoryPropertiesProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* in =
                reinterpret_cast<const CategoryPropertiesParams*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            if (HFONT bold = SharedBoldFont()) SendDlgItemMessageA(page, IDC_CTPROP_NAME, WM_SETFONT, WPARAM(bold), FALSE);
            SetDlgItemTextA(page, IDC_CTPROP_NAME, in->name);
            SetDlgItemTextA(page, IDC_CTPROP_TYPE, in->type);
            SetDlgItemTextA(page, IDC_CTPROP_ID, in->id);
            SetDlgItemTextA(page, IDC_CTPROP_LOCATION, in->location);
            AddToolTip(GetDlgItem(page, IDC_CTPROP_LOCATION), in->location);
            SetDlgItemTextA(page, IDC_CTPROP_CONTENTS, in->contents);
            SetDlgItemTextA(page, IDC_CTPROP_SUBCATEGORIES, in->subcategories);
            SetDlgItemTextA(page, IDC_CTPROP_PARENT, in->parent);
            return TRUE;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == PSN_HELP) {
                ShowHelpTopic(page, TV_HELP_CATEGORY_PROPERTIES);
                return TRUE;
            }
            if (header->code == PSN_APPLY) {
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            break;
        }
    }
    return FALSE;
}
}  // namespace


unsigned CheckNewShortcutInput(char* target, size_t targetSize, char* title) {
    if (target && targetSize) {
        target[targetSize - 1] = '\0';
        TrimSpaces(target, TV_TRIM_BOTH);
    }
    if (title) TrimSpaces(title, TV_TRIM_BOTH);
    if (!target || !target[0]) return IDS_NO_TARGET;
    if (!title || !IsValidFileName(title)) return IDS_BAD_TITLE;
    return 0;
}

bool RunFileDeleteTypeDialog(HWND owner, FileDeleteTypeParams* io) {
    if (!io) return false;
    return DialogBoxParamA(Module(), "FILEDELETETYPE", owner, GuardedDialogProc<FileDeleteTypeProc>, reinterpret_cast<LPARAM>(io)) == IDOK;
}

bool RunNewShortcutDialog(HWND owner, NewShortcutParams* io) {
    if (!io) return false;
    return DialogBoxParamA(Module(), "NEWSHORTCUT", owner, GuardedDialogProc<NewShortcutProc>, reinterpret_cast<LPARAM>(io)) == IDOK;
}

bool RunBookmarkDialog(HWND owner, BookmarkDialogParams* io) {
    if (!io) return false;
    BookmarkPage state{io, false};
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = Module();
    page.pszTemplate = "ADDEDITBOOKMARK";
    page.pfnDlgProc = GuardedDialogProc<BookmarkPageProc>;
    page.lParam = reinterpret_cast<LPARAM>(&state);
    const std::string caption = TvString(io->isNew ? IDS_ADD_BOOKMARK : IDS_EDIT_BOOKMARK);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = Module();
    sheet.pszCaption = caption.c_str();
    sheet.nPages = 1;
    sheet.ppsp = &page;
    PropertySheetA(&sheet);
    return state.accepted;
}

void RunCategoryPropertiesDialog(HWND owner, const CategoryPropertiesParams* in) {
    if (!in) return;
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = Module();
    page.pszTemplate = "CTPROP";
    page.pfnDlgProc = GuardedDialogProc<CategoryPropertiesProc>;
    page.lParam = reinterpret_cast<LPARAM>(in);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_PROPTITLE;
    sheet.hwndParent = owner;
    sheet.hInstance = Module();
    sheet.pszCaption = in->name;
    sheet.nPages = 1;
    sheet.ppsp = &page;
    PropertySheetA(&sheet);
}
