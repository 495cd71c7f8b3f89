#include "watch/win_watch_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "watch/watch_ids.h"

namespace {

const int kHelpButton = 900;

std::string ListRow(const TWatchedFolder& folder) {
    if (folder.mode != TV_WATCH_SILENT) return folder.path;
    // "<folder>  ->  <category>"
    std::string row = LoadMessageText(IDS_WATCH_SILENT_ROW);
    const size_t a = row.find("%s");
    if (a == std::string::npos) return folder.path;
    row.replace(a, 2, folder.path);
    const size_t b = row.find("%s", a + folder.path.size());
    if (b != std::string::npos) row.replace(b, 2, folder.category);
    return row;
}

std::string BrowseForFolder(HWND owner) {
    char folder[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = folder;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return std::string();
    std::string result;
    if (SHGetPathFromIDListA(list, folder)) result = folder;
    CoTaskMemFree(list);
    return result;
}

}  // namespace

std::string TWatchPage::SuggestedFolder() {
    char profile[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, profile)) || !profile[0]) return std::string();
    std::string folder = profile;
    if (folder.back() != '\\') folder += '\\';
    folder += "Downloads";
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
    return IsUsableWatchFolder(folder) ? folder : std::string();
}

void TWatchPage::AddPage(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(page);
    page.hInstance = instance;
    page.pszTemplate = "SETUPWATCH";
    page.pfnDlgProc = GuardedDialogProc<PageProc>;
    page.lParam = reinterpret_cast<LPARAM>(this);
    pages->push_back(page);
}

void TWatchPage::Init(HWND page) {
    for (const std::string& name : categories_)
        SendDlgItemMessageA(page, IDC_WATCH_CATEGORY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    suggestion_ = SuggestedFolder();
    FillList(page, folders_.empty() ? -1 : 0);
}

void TWatchPage::FillList(HWND page, int select) {
    filling_ = true;
    HWND list = GetDlgItem(page, IDC_WATCH_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const TWatchedFolder& f : folders_)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ListRow(f).c_str()));
    if (select >= 0 && select < int(folders_.size())) SendMessageA(list, LB_SETCURSEL, WPARAM(select), 0);
    // The suggestion, while it is not watched yet.
    const bool offer = !suggestion_.empty() && FindWatchedFolder(folders_, suggestion_) < 0;
    std::string text;
    if (offer) {
        text = LoadMessageText(IDS_WATCH_SUGGESTION);
        const size_t at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, suggestion_);
    } else if (suggestion_.empty()) {
        text = LoadMessageText(IDS_WATCH_NO_SUGGESTION);
    }
    SetDlgItemTextA(page, IDC_WATCH_SUGGESTION, text.c_str());
    EnableWindow(GetDlgItem(page, IDC_WATCH_ADD_SUGGESTION), offer);
    EnableWindow(GetDlgItem(page, IDC_WATCH_ADD), folders_.size() < TWatchSettings::kMaxFolders);
    filling_ = false;
    ShowSelection(page);
}

void TWatchPage::ShowSelection(HWND page) {
    filling_ = true;
    const int row = int(SendDlgItemMessageA(page, IDC_WATCH_LIST, LB_GETCURSEL, 0, 0));
    const bool any = row >= 0 && row < int(folders_.size());
    const bool silent = any && folders_[size_t(row)].mode == TV_WATCH_SILENT;
    EnableWindow(GetDlgItem(page, IDC_WATCH_REMOVE), any);
    EnableWindow(GetDlgItem(page, IDC_WATCH_ASK), any);
    EnableWindow(GetDlgItem(page, IDC_WATCH_SILENT), any && !categories_.empty());
    EnableWindow(GetDlgItem(page, IDC_WATCH_CATEGORY), silent);
    CheckRadioButton(page, IDC_WATCH_ASK, IDC_WATCH_SILENT, silent ? IDC_WATCH_SILENT : IDC_WATCH_ASK);
    int index = -1;
    if (silent)
        index = int(SendDlgItemMessageA(page, IDC_WATCH_CATEGORY, CB_FINDSTRINGEXACT, WPARAM(-1),
                                        reinterpret_cast<LPARAM>(folders_[size_t(row)].category.c_str())));
    SendDlgItemMessageA(page, IDC_WATCH_CATEGORY, CB_SETCURSEL, WPARAM(index), 0);
    filling_ = false;
}

// The mode and category controls into the selected folder.
void TWatchPage::StoreSelection(HWND page) {
    if (filling_) return;
    const int row = int(SendDlgItemMessageA(page, IDC_WATCH_LIST, LB_GETCURSEL, 0, 0));
    if (row < 0 || row >= int(folders_.size())) return;
    TWatchedFolder& f = folders_[size_t(row)];
    if (IsDlgButtonChecked(page, IDC_WATCH_SILENT) == BST_CHECKED && !categories_.empty()) {
        int index = int(SendDlgItemMessageA(page, IDC_WATCH_CATEGORY, CB_GETCURSEL, 0, 0));
        if (index < 0 || index >= int(categories_.size())) index = 0;
        f.mode = TV_WATCH_SILENT;
        f.category = categories_[size_t(index)];
    } else {
        f.mode = TV_WATCH_ASK;
        f.category.clear();
    }
    FillList(page, row);
}

void TWatchPage::AddFolder(HWND page, const std::string& folder) {
    if (folder.empty()) return;
    if (FindWatchedFolder(folders_, folder) >= 0) {
        ShowMessageBox(page, LoadMessageText(IDS_WATCH_ALREADY_WATCHED), "Error", MB_OK | MB_ICONERROR);
        return;
    }
    if (!IsUsableWatchFolder(folder) || folders_.size() >= TWatchSettings::kMaxFolders) {
        ShowMessageBox(page, LoadMessageText(IDS_WATCH_NOT_USABLE), "Error", MB_OK | MB_ICONERROR);
        return;
    }
    TWatchedFolder f;
    f.path = folder;
    folders_.push_back(f);
    FillList(page, int(folders_.size()) - 1);
}

void TWatchPage::Remove(HWND page) {
    const int row = int(SendDlgItemMessageA(page, IDC_WATCH_LIST, LB_GETCURSEL, 0, 0));
    if (row < 0 || row >= int(folders_.size())) return;
    folders_.erase(folders_.begin() + row);
    FillList(page, folders_.empty() ? -1 : std::min(row, int(folders_.size()) - 1));
}

INT_PTR CALLBACK TWatchPage::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    TWatchPage* self = reinterpret_cast<TWatchPage*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            self = reinterpret_cast<TWatchPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            if (self) self->Init(page);
            return TRUE;
        case WM_COMMAND:
            if (!self) break;
            switch (LOWORD(wParam)) {
                case IDC_WATCH_LIST:
                    if (HIWORD(wParam) == LBN_SELCHANGE) self->ShowSelection(page);
                    return TRUE;
                case IDC_WATCH_ADD:
                    self->AddFolder(page, BrowseForFolder(page));
                    return TRUE;
                case IDC_WATCH_ADD_SUGGESTION:
                    self->AddFolder(page, self->suggestion_);
                    return TRUE;
                case IDC_WATCH_REMOVE:
                    self->Remove(page);
                    return TRUE;
                case IDC_WATCH_ASK:
                case IDC_WATCH_SILENT:
                    if (HIWORD(wParam) == BN_CLICKED) self->StoreSelection(page);
                    return TRUE;
                case IDC_WATCH_CATEGORY:
                    if (HIWORD(wParam) == CBN_SELCHANGE) self->StoreSelection(page);
                    return TRUE;
                case kHelpButton:
                    ShowHelpTopic(page, TV_HELP_WATCH);
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == PSN_APPLY && self) {
                self->applied_ = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ShowHelpTopic(page, TV_HELP_WATCH);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}
