// The option dialogs of the internal viewer.
#include "archive/win/viewer_dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

#include "archive/viewer_ids.h"
#include "archive/zipengine.h"
#include "archive/win/viewer_util.h"
#include "archive/win/viewer_window.h"
#include "resources/resource_ids.h"
#include "util/format.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_guard.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// A modal dialog object: the instance rides in DWLP_USER from WM_INITDIALOG on; Handle answers
// every message behind the message boundary (util/win_guard.h).
template <typename T>
INT_PTR CALLBACK ModalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    T* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<T*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        if (self) self->hwnd = hwnd;
    } else {
        self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    return GuardMessage(hwnd, INT_PTR(FALSE), [&] { return self->Handle(message, wParam, lParam); });
}

template <typename T>
INT_PTR RunModal(HWND owner, const char* templateName, T* dialog) {
    return DialogBoxParamA(Module(), templateName, owner, ModalProc<T>, reinterpret_cast<LPARAM>(dialog));
}

void LimitEdit(HWND dialog, int id, size_t characters) {
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, WPARAM(characters), 0);
}

void SetCheck(HWND dialog, int id, uint32_t on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
uint32_t GetCheck(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void SetBrowseIcon(HWND dialog, int id) {
    HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
    if (icon) SendDlgItemMessageA(dialog, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

// Refuses OK with a message and puts the focus on the control.
void Refuse(HWND dialog, uint32_t textId, int focusId) {
    ViewerMessage(dialog, textId, "Error", MB_OK | MB_ICONERROR);
    HWND control = GetDlgItem(dialog, focusId);
    if (control) {
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

bool IsBlank(const char* text) {
    for (const char* p = text; p && *p; ++p)
        if (*p != ' ') return false;
    return true;
}

// The four add actions into a drop-down list, the level into a slider.
void FillAddActions(HWND dialog, int id, int action) {
    for (int i = 0; i < 4; ++i)
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(LoadMessageText(UINT(IDS_IV_ADD_ACTION_FIRST + i))));
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, WPARAM(action >= 0 && action <= 3 ? action : 0), 0);
}
void SetLevelSlider(HWND dialog, int id, int level) {
    SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 9));
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, LPARAM(level >= 0 && level <= 9 ? level : 9));
}
int8_t ReadAction(HWND dialog, int id) {
    const LRESULT action = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    return int8_t(action >= 0 && action <= 3 ? action : 0);
}
int8_t ReadLevel(HWND dialog, int id) {
    const LRESULT level = SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0);
    return int8_t(level >= 0 && level <= 9 ? level : 9);
}

// An archive chosen with the save ("New Archive") or open ("Open Archive") dialog.
bool ChooseArchive(HWND owner, bool create, const char* start, char* out, size_t size) {
    char file[TV_PATH_SIZE] = {};
    CopyLimited(file, start, sizeof file);
    StripQuotes(file);
    const std::string filter = DialogFilter(IDS_IV_FILTER_ARCHIVES);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(create ? IDS_IV_NEW_ARCHIVE : IDS_IV_OPEN_ARCHIVE_TITLE), sizeof title);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "zip";
    ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (create ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL ok = create ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    CopyLimited(out, file, size);
    return true;
}

// ---------------------------------------------------------------- password

struct TIVPasswordDialog {
    HWND hwnd = nullptr;
    ArchivePassword* password = nullptr;

    void ShowMasked(bool masked) {
        for (int id : {IDC_IVPW_PASSWORD, IDC_IVPW_CONFIRM}) {
            SendDlgItemMessageA(hwnd, id, EM_SETPASSWORDCHAR, masked ? WPARAM('*') : 0, 0);
            InvalidateRect(GetDlgItem(hwnd, id), nullptr, TRUE);
        }
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                LimitEdit(hwnd, IDC_IVPW_PASSWORD, ArchivePassword::TextSize - 1);
                LimitEdit(hwnd, IDC_IVPW_CONFIRM, ArchivePassword::TextSize - 1);
                SetDlgItemTextA(hwnd, IDC_IVPW_PASSWORD, password->text);
                SetDlgItemTextA(hwnd, IDC_IVPW_CONFIRM, "");
                SetCheck(hwnd, IDC_IVPW_MASK, password->mask);
                ShowMasked(password->mask != 0);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVPW_MASK:
                        ShowMasked(GetCheck(hwnd, IDC_IVPW_MASK) != 0);
                        return TRUE;
                    case IDOK: {
                        char text[ArchivePassword::TextSize] = {};
                        char confirm[ArchivePassword::TextSize] = {};
                        GetDlgItemTextA(hwnd, IDC_IVPW_PASSWORD, text, sizeof text);
                        GetDlgItemTextA(hwnd, IDC_IVPW_CONFIRM, confirm, sizeof confirm);
                        if (std::strcmp(text, confirm) != 0) {
                            Refuse(hwnd, IDS_IV_PASSWORD_MISMATCH, IDC_IVPW_CONFIRM);
                            return TRUE;
                        }
                        std::memset(password->text, 0, sizeof password->text);
                        CopyLimited(password->text, text, sizeof password->text);
                        password->mask = GetCheck(hwnd, IDC_IVPW_MASK);
                        SecureZeroMemory(text, sizeof text);
                        SecureZeroMemory(confirm, sizeof confirm);
                        EndDialog(hwnd, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_PASSWORD);
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
};

// ---------------------------------------------------------------- extract

struct TIVExtractDialog {
    HWND hwnd = nullptr;
    ExtractSettings settings;

    void EnableMask() {
        EnableWindow(GetDlgItem(hwnd, IDC_IVEX_MASK), IsDlgButtonChecked(hwnd, IDC_IVEX_MATCHING) == BST_CHECKED);
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                LimitEdit(hwnd, IDC_IVEX_FOLDER, TV_PATH_SIZE - 1);
                LimitEdit(hwnd, IDC_IVEX_MASK, TV_PATH_SIZE - 1);
                SetBrowseIcon(hwnd, IDC_IVEX_BROWSE);
                SetDlgItemTextA(hwnd, IDC_IVEX_FOLDER, settings.folder);
                CheckRadioButton(hwnd, IDC_IVEX_SELECTED, IDC_IVEX_MATCHING,
                                 IDC_IVEX_SELECTED + (settings.what >= 0 && settings.what <= 2 ? settings.what : 0));
                SetDlgItemTextA(hwnd, IDC_IVEX_MASK, settings.mask);
                SetCheck(hwnd, IDC_IVEX_OVERWRITE, settings.overwrite);
                SetCheck(hwnd, IDC_IVEX_FOLDERS, settings.useFolders);
                SetCheck(hwnd, IDC_IVEX_SKIP_OLDER, settings.skipOlder);
                EnableMask();
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVEX_SELECTED:
                    case IDC_IVEX_ALL:
                    case IDC_IVEX_MATCHING:
                        EnableMask();
                        return TRUE;
                    case IDC_IVEX_BROWSE: {
                        // The picker opens at the folder in the field.
                        char start[TV_PATH_SIZE] = {}, folder[TV_PATH_SIZE];
                        GetDlgItemTextA(hwnd, IDC_IVEX_FOLDER, start, sizeof start);
                        if (BrowseForFolder(hwnd, LoadMessageText(IDS_IV_EXTRACT_FOLDER), start, folder, sizeof folder))
                            SetDlgItemTextA(hwnd, IDC_IVEX_FOLDER, folder);
                        return TRUE;
                    }
                    case IDOK: {
                        ExtractSettings s = settings;
                        GetDlgItemTextA(hwnd, IDC_IVEX_FOLDER, s.folder, sizeof s.folder);
                        GetDlgItemTextA(hwnd, IDC_IVEX_MASK, s.mask, sizeof s.mask);
                        s.what = IsDlgButtonChecked(hwnd, IDC_IVEX_ALL) == BST_CHECKED        ? 1
                                 : IsDlgButtonChecked(hwnd, IDC_IVEX_MATCHING) == BST_CHECKED ? 2
                                                                                              : 0;
                        s.overwrite = GetCheck(hwnd, IDC_IVEX_OVERWRITE);
                        s.useFolders = GetCheck(hwnd, IDC_IVEX_FOLDERS);
                        s.skipOlder = GetCheck(hwnd, IDC_IVEX_SKIP_OLDER);
                        char folder[TV_PATH_SIZE];
                        CopyLimited(folder, s.folder, sizeof folder);
                        StripQuotes(folder);
                        if (!folder[0]) {
                            Refuse(hwnd, IDS_IV_ENTER_FOLDER, IDC_IVEX_FOLDER);
                            return TRUE;
                        }
                        if (s.what == 2 && IsBlank(s.mask)) {
                            Refuse(hwnd, IDS_IV_ENTER_MASK, IDC_IVEX_MASK);
                            return TRUE;
                        }
                        settings = s;
                        EndDialog(hwnd, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_EXTRACT);
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
};

// ---------------------------------------------------------------- delete

struct TIVDeleteDialog {
    HWND hwnd = nullptr;
    DeleteSettings settings;

    void EnableMask() {
        EnableWindow(GetDlgItem(hwnd, IDC_IVDEL_MASK), IsDlgButtonChecked(hwnd, IDC_IVDEL_MATCHING) == BST_CHECKED);
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                LimitEdit(hwnd, IDC_IVDEL_MASK, TV_PATH_SIZE - 1);
                CheckRadioButton(hwnd, IDC_IVDEL_SELECTED, IDC_IVDEL_MATCHING,
                                 IDC_IVDEL_SELECTED + (settings.what >= 0 && settings.what <= 2 ? settings.what : 0));
                SetDlgItemTextA(hwnd, IDC_IVDEL_MASK, settings.mask);
                EnableMask();
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVDEL_SELECTED:
                    case IDC_IVDEL_ALL:
                    case IDC_IVDEL_MATCHING:
                        EnableMask();
                        return TRUE;
                    case IDOK: {
                        DeleteSettings s = settings;
                        GetDlgItemTextA(hwnd, IDC_IVDEL_MASK, s.mask, sizeof s.mask);
                        s.what = IsDlgButtonChecked(hwnd, IDC_IVDEL_ALL) == BST_CHECKED        ? 1
                                 : IsDlgButtonChecked(hwnd, IDC_IVDEL_MATCHING) == BST_CHECKED ? 2
                                                                                               : 0;
                        if (s.what == 2 && IsBlank(s.mask)) {
                            Refuse(hwnd, IDS_IV_ENTER_MASK, IDC_IVDEL_MASK);
                            return TRUE;
                        }
                        settings = s;
                        EndDialog(hwnd, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_DELETE);
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
};

// ---------------------------------------------------------------- copy

struct TIVCopyDestDirFileDialog {
    HWND hwnd = nullptr;
    const char* destination = "";

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                SetDlgItemTextA(hwnd, IDC_IVREQ_DEST, destination);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVREQ_FOLDER:
                        EndDialog(hwnd, IV_COPY_FOLDER);
                        return TRUE;
                    case IDC_IVREQ_FILE:
                        EndDialog(hwnd, IV_COPY_FILE);
                        return TRUE;
                    case IDCANCEL:
                        EndDialog(hwnd, 0);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_COPY_REQUEST);
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
};

bool FolderExists(const char* path, void*) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct TIVCopyDialog {
    HWND hwnd = nullptr;
    CopySettings settings;

    void BrowseFile() {
        char file[TV_PATH_SIZE] = {};
        GetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, file, sizeof file);
        StripQuotes(file);
        const std::string filter = DialogFilter(IDS_IV_FILTER_ALL);
        char title[TV_MESSAGE_SIZE];
        CopyLimited(title, LoadMessageText(IDS_IV_COPY_FILE), sizeof title);
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = hwnd;
        ofn.lpstrFilter = filter.c_str();
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrTitle = title;
        ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
        if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, file);
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                LimitEdit(hwnd, IDC_IVCOPY_DEST, TV_PATH_SIZE - 1);
                SetBrowseIcon(hwnd, IDC_IVCOPY_FOLDER);
                SetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, settings.destination);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVCOPY_FOLDER: {
                        char start[TV_PATH_SIZE] = {}, folder[TV_PATH_SIZE];
                        GetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, start, sizeof start);
                        if (BrowseForFolder(hwnd, LoadMessageText(IDS_IV_COPY_FOLDER), start, folder, sizeof folder))
                            SetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, folder);
                        return TRUE;
                    }
                    case IDC_IVCOPY_FILE:
                        BrowseFile();
                        return TRUE;
                    case IDOK: {
                        char destination[TV_PATH_SIZE] = {};
                        GetDlgItemTextA(hwnd, IDC_IVCOPY_DEST, destination, sizeof destination);
                        int kind = DecideCopyDestination(destination, sizeof destination, FolderExists, nullptr);
                        if (kind == IV_COPY_EMPTY) {
                            Refuse(hwnd, IDS_IV_ENTER_DESTINATION, IDC_IVCOPY_DEST);
                            return TRUE;
                        }
                        if (kind == IV_COPY_ASK) {
                            kind = RunCopyRequestDialog(hwnd, destination);
                            if (kind == 0) return TRUE;  // back to the copy dialog
                            if (kind == IV_COPY_FOLDER) AppendLimited(destination, "\\", sizeof destination);
                        }
                        CopyLimited(settings.destination, destination, sizeof settings.destination);
                        settings.isFolder = kind == IV_COPY_FOLDER ? 1 : 0;
                        EndDialog(hwnd, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_COPY);
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
};

// ---------------------------------------------------------------- select some

struct TIVSelectSomeDialog {
    HWND hwnd = nullptr;
    const std::function<void(const char*, bool)>* apply = nullptr;

    void Apply(bool select) {
        char mask[TV_PATH_SIZE] = {};
        GetDlgItemTextA(hwnd, IDC_IVSEL_MASK, mask, sizeof mask);
        TrimSpaces(mask, TV_TRIM_BOTH);
        if (!mask[0] || !apply || !*apply) return;
        (*apply)(mask, select);
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG:
                LimitEdit(hwnd, IDC_IVSEL_MASK, TV_PATH_SIZE - 1);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK:  // Enter in the mask: the default button
                    case IDC_IVSEL_SELECT:
                        Apply(true);
                        return TRUE;
                    case IDC_IVSEL_DESELECT:
                        Apply(false);
                        return TRUE;
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_SELECT_SOME);
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
};

// ---------------------------------------------------------------- add files

// The three references the Add command sets before it opens the file dialog.
AddSettings* addSettings = nullptr;
ArchivePassword* addPassword = nullptr;
HWND addViewer = nullptr;

void LoadAddOptions(HWND dialog, const AddSettings& s) {
    FillAddActions(dialog, IDC_IVADD_ACTION, s.action);
    SetLevelSlider(dialog, IDC_IVADD_LEVEL, s.level);
    SetCheck(dialog, IDC_IVADD_ARCHIVE_ONLY, s.archiveBitOnly);
    SetCheck(dialog, IDC_IVADD_RESET_ARCHIVE, s.resetArchiveBit);
    SetCheck(dialog, IDC_IVADD_SYSTEM_HIDDEN, s.systemAndHidden);
    SetCheck(dialog, IDC_IVADD_SHORT_NAMES, s.shortNames);
    SetCheck(dialog, IDC_IVADD_RECURSE, s.recurse);
    SetCheck(dialog, IDC_IVADD_SAVE_FOLDERS, s.saveFolders);
}

void StoreAddOptions(HWND dialog, AddSettings* s) {
    s->action = ReadAction(dialog, IDC_IVADD_ACTION);
    s->level = ReadLevel(dialog, IDC_IVADD_LEVEL);
    s->archiveBitOnly = GetCheck(dialog, IDC_IVADD_ARCHIVE_ONLY);
    s->resetArchiveBit = GetCheck(dialog, IDC_IVADD_RESET_ARCHIVE);
    s->systemAndHidden = GetCheck(dialog, IDC_IVADD_SYSTEM_HIDDEN);
    s->shortNames = GetCheck(dialog, IDC_IVADD_SHORT_NAMES);
    s->recurse = GetCheck(dialog, IDC_IVADD_RECURSE);
    s->saveFolders = GetCheck(dialog, IDC_IVADD_SAVE_FOLDERS);
}

// The names an explorer-style multiple choice returned: "folder\0name\0name\0\0", or one full path.
std::vector<std::string> ChosenFiles(const char* buffer, size_t size) {
    std::vector<std::string> files;
    const char* end = buffer + size;
    const size_t first = strnlen(buffer, size);
    if (first == 0 || first >= size) return files;
    const char* next = buffer + first + 1;
    if (next >= end || *next == '\0') {
        files.emplace_back(buffer);
        return files;
    }
    std::string folder(buffer);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    while (next < end && *next) {
        const size_t n = strnlen(next, size_t(end - next));
        if (next + n >= end) break;  // no terminator inside the buffer
        files.push_back(folder + std::string(next, n));
        next += n + 1;
    }
    return files;
}

// ---------------------------------------------------------------- drag and drop

struct TIVDragDropAddDialog {
    HWND hwnd = nullptr;
    TDragDropParams* params = nullptr;

    void SendArchive() {
        if (!params->viewer) return;
        char archive[TV_PATH_SIZE] = {};
        GetDlgItemTextA(hwnd, IDC_IVDD_ARCHIVE, archive, sizeof archive);
        SendArchiveExchange(params->viewer, 1, archive);
    }

    void Choose(bool create) {
        char current[TV_PATH_SIZE] = {};
        GetDlgItemTextA(hwnd, IDC_IVDD_ARCHIVE, current, sizeof current);
        char chosen[TV_PATH_SIZE];
        if (!ChooseArchive(hwnd, create, current, chosen, sizeof chosen)) return;
        SetDlgItemTextA(hwnd, IDC_IVDD_ARCHIVE, chosen);
        SendArchive();
    }

    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
            case WM_INITDIALOG: {
                SetDlgItemTextA(hwnd, IDC_IVDD_DROPPED, params->droppedText.c_str());
                LimitEdit(hwnd, IDC_IVDD_ARCHIVE, TV_PATH_SIZE - 1);
                char archive[TV_PATH_SIZE] = {};
                if (params->viewer) SendArchiveExchange(params->viewer, 0, archive);
                SetDlgItemTextA(hwnd, IDC_IVDD_ARCHIVE, archive);
                const AddSettings& s = *params->settings;
                FillAddActions(hwnd, IDC_IVDD_ACTION, s.action);
                SetLevelSlider(hwnd, IDC_IVDD_LEVEL, s.level);
                SetCheck(hwnd, IDC_IVDD_RESET_ARCHIVE, s.resetArchiveBit);
                SetCheck(hwnd, IDC_IVDD_SHORT_NAMES, s.shortNames);
                SetCheck(hwnd, IDC_IVDD_SAVE_FOLDERS, s.saveFolders);
                return TRUE;
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_IVDD_NEW:
                        Choose(true);
                        return TRUE;
                    case IDC_IVDD_EXISTING:
                        Choose(false);
                        return TRUE;
                    case IDC_IVDD_PASSWORD:
                        if (params->password) RunPasswordDialog(hwnd, params->password);
                        return TRUE;
                    case IDOK: {
                        char archive[TV_PATH_SIZE] = {};
                        GetDlgItemTextA(hwnd, IDC_IVDD_ARCHIVE, archive, sizeof archive);
                        StripQuotes(archive);
                        if (!archive[0]) {
                            Refuse(hwnd, IDS_IV_ENTER_ARCHIVE, IDC_IVDD_ARCHIVE);
                            return TRUE;
                        }
                        SendArchive();
                        AddSettings& s = *params->settings;
                        s.action = ReadAction(hwnd, IDC_IVDD_ACTION);
                        s.level = ReadLevel(hwnd, IDC_IVDD_LEVEL);
                        s.resetArchiveBit = GetCheck(hwnd, IDC_IVDD_RESET_ARCHIVE);
                        s.shortNames = GetCheck(hwnd, IDC_IVDD_SHORT_NAMES);
                        s.saveFolders = GetCheck(hwnd, IDC_IVDD_SAVE_FOLDERS);
                        EndDialog(hwnd, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        EndDialog(hwnd, IDCANCEL);
                        return TRUE;
                    case IDC_IV_HELP:
                        ViewerHelp(hwnd, IV_HELP_DRAGDROP);
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
};

// ---------------------------------------------------------------- property pages

std::string Bytes(uint64_t count) {
    char text[48];
    FormatByteCount(text, sizeof text, count);
    return text;
}

void SetStaticIcon(HWND page, int id, HICON icon) {
    if (icon) SendDlgItemMessageA(page, id, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

HICON ShellIconOf(const char* path, bool byAttributes) {
    SHFILEINFOA info = {};
    const UINT flags = SHGFI_ICON | SHGFI_LARGEICON | (byAttributes ? SHGFI_USEFILEATTRIBUTES : 0);
    if (!SHGetFileInfoA(path, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags)) return nullptr;
    return info.hIcon;
}

HICON ResourceIcon(int id) {
    return static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0));
}

struct TPropertyPageState {
    const TViewerPropertiesData* data = nullptr;
    std::vector<HICON> icons;  // made for the pages, destroyed with the sheet
};

void FillMemberPage(HWND page, TPropertyPageState* state) {
    const ArchiveMember& m = *state->data->member;
    HICON icon;
    if (state->data->memberIsSetup) {
        icon = ResourceIcon(IDI_SETUP);
    } else {
        std::string dummy = "TVTEMP";
        const char* dot = m.name ? std::strrchr(m.name, '.') : nullptr;
        if (dot) dummy += dot;
        icon = ShellIconOf(dummy.c_str(), true);
        if (icon) state->icons.push_back(icon);
    }
    SetStaticIcon(page, IDC_IVFP_ICON, icon);
    if (m.attributes & TV_MEMBER_ENCRYPTED) SetStaticIcon(page, IDC_IVFP_LOCK, ResourceIcon(IDI_LOCK));
    SetDlgItemTextA(page, IDC_IVFP_NAME, m.name ? m.name : "");
    SetDlgItemTextA(page, IDC_IVFP_FOLDER, m.folder && m.folder[0] ? m.folder : LoadMessageText(IDS_IV_NOT_AVAILABLE));
    SetDlgItemTextA(page, IDC_IVFP_SIZE, Bytes(m.size).c_str());
    SetDlgItemTextA(page, IDC_IVFP_PACKED, Bytes(m.packed).c_str());
    char ratio[16];
    FormatLimited(ratio, sizeof ratio, "%u%%", unsigned(m.ratio));
    SetDlgItemTextA(page, IDC_IVFP_RATIO, ratio);
    FILETIME time;
    time.dwLowDateTime = m.time.low;
    time.dwHighDateTime = m.time.high;
    SetDlgItemTextA(page, IDC_IVFP_TIME, m.time.IsZero() ? "" : LongDateTimeText(time, false).c_str());
    char attributes[32];
    FormatAttributeText(attributes, sizeof attributes, m.attributes & 0xFFFF, 0);
    SetDlgItemTextA(page, IDC_IVFP_ATTRIBUTES, attributes);
}

std::string LocalTimeText(const FILETIME& utc, bool dateOnly) {
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) return std::string();
    return LongDateTimeText(local, dateOnly);
}

void FillArchivePage(HWND page, TPropertyPageState* state) {
    const TViewerPropertiesData& d = *state->data;
    HICON icon = ShellIconOf(d.archivePath, false);
    if (icon) {
        state->icons.push_back(icon);
        SetStaticIcon(page, IDC_IVAP_ICON, icon);
    } else {
        SetStaticIcon(page, IDC_IVAP_ICON, ResourceIcon(IDI_ARCHIVE));
    }
    const char* name = d.archivePath;
    for (const char* p = d.archivePath; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    SetDlgItemTextA(page, IDC_IVAP_NAME, name);
    SetDlgItemTextA(page, IDC_IVAP_FOLDER, std::string(d.archivePath, size_t(name - d.archivePath)).c_str());
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (GetFileAttributesExA(d.archivePath, GetFileExInfoStandard, &file)) {
        SetDlgItemTextA(page, IDC_IVAP_CREATED, LocalTimeText(file.ftCreationTime, false).c_str());
        SetDlgItemTextA(page, IDC_IVAP_CHANGED, LocalTimeText(file.ftLastWriteTime, false).c_str());
        SetDlgItemTextA(page, IDC_IVAP_ACCESSED, LocalTimeText(file.ftLastAccessTime, true).c_str());
        char attributes[32];
        FormatAttributeText(attributes, sizeof attributes, file.dwFileAttributes, 0);
        SetDlgItemTextA(page, IDC_IVAP_ATTRIBUTES, attributes);
    }
    char number[32];
    FormatThousands(number, sizeof number, d.totals.members);
    SetDlgItemTextA(page, IDC_IVAP_MEMBERS, number);
    FormatThousands(number, sizeof number, d.totals.encrypted);
    SetDlgItemTextA(page, IDC_IVAP_ENCRYPTED, number);
    SetDlgItemTextA(page, IDC_IVAP_SIZE, Bytes(d.totals.size).c_str());
    SetDlgItemTextA(page, IDC_IVAP_PACKED, Bytes(d.totals.packed).c_str());
    char ratio[32];
    FormatLimited(ratio, sizeof ratio, "%lld%%", static_cast<long long>(d.totals.Ratio()));
    SetDlgItemTextA(page, IDC_IVAP_RATIO, ratio);
}

template <bool MemberPage>
INT_PTR CALLBACK PropertyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<TPropertyPageState*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            if (!state || !state->data) return TRUE;
            if (MemberPage)
                FillMemberPage(page, state);
            else
                FillArchivePage(page, state);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_IV_HELP) {
                ViewerHelp(page, MemberPage ? IV_HELP_FILE_PROPERTIES : IV_HELP_ARCHIVE_PROPERTIES);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

// ---------------------------------------------------------------- preferences

INT_PTR CALLBACK ViewerPreferencesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TViewerPreferencesPage*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<TViewerPreferencesPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            if (!state) return TRUE;
            SetCheck(page, IDC_SETUPIV_DEFAULT, state->settings.defaultViewer);
            SetCheck(page, IDC_SETUPIV_RECENT, state->settings.recentDocuments);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_IV_HELP) {
                ViewerHelp(page, IV_HELP_PREFERENCES);
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == PSN_APPLY && state) {
                state->settings.defaultViewer = GetCheck(page, IDC_SETUPIV_DEFAULT);
                state->settings.recentDocuments = GetCheck(page, IDC_SETUPIV_RECENT);
                state->applied = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ViewerHelp(page, IV_HELP_PREFERENCES);
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

// ---------------------------------------------------------------- entry points

bool RunPasswordDialog(HWND owner, ArchivePassword* password) {
    if (!password) return false;
    TIVPasswordDialog dialog;
    dialog.password = password;
    return RunModal(owner, "IVPW", &dialog) == IDOK;
}

bool RunExtractDialog(HWND owner, ExtractSettings* settings) {
    if (!settings) return false;
    TIVExtractDialog dialog;
    dialog.settings = *settings;
    if (RunModal(owner, "IVEXTRACT", &dialog) != IDOK) return false;
    *settings = dialog.settings;
    return true;
}

bool RunDeleteDialog(HWND owner, DeleteSettings* settings) {
    if (!settings) return false;
    TIVDeleteDialog dialog;
    dialog.settings = *settings;
    if (RunModal(owner, "IVDELETE", &dialog) != IDOK) return false;
    *settings = dialog.settings;
    return true;
}

int RunCopyRequestDialog(HWND owner, const char* destination) {
    TIVCopyDestDirFileDialog dialog;
    dialog.destination = destination ? destination : "";
    const INT_PTR result = RunModal(owner, "IVCOPYDESTDIRFILE", &dialog);
    return result == IV_COPY_FOLDER || result == IV_COPY_FILE ? int(result) : 0;
}

bool RunCopyDialog(HWND owner, CopySettings* settings) {
    if (!settings) return false;
    TIVCopyDialog dialog;
    dialog.settings = *settings;
    if (RunModal(owner, "IVCOPY", &dialog) != IDOK) return false;
    *settings = dialog.settings;
    return true;
}

void RunSelectSomeDialog(HWND owner, const std::function<void(const char*, bool)>& apply) {
    TIVSelectSomeDialog dialog;
    dialog.apply = &apply;
    RunModal(owner, "IVSELECTSOME", &dialog);
}

namespace {

UINT_PTR AddDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            if (addSettings) LoadAddOptions(dialog, *addSettings);
            // The focus stays where the file dialog puts it (the file name), not on the options.
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_IVADD_PASSWORD && addPassword) {
                RunPasswordDialog(GetParent(dialog), addPassword);
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header && header->code == CDN_FILEOK && addSettings) StoreAddOptions(dialog, addSettings);
            if (header && header->code == CDN_HELP) ViewerHelp(GetParent(dialog), IV_HELP_ADD);
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace

extern "C" UINT_PTR CALLBACK AddDialogHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardMessage(dialog, UINT_PTR(0), [&] { return AddDialogHook(dialog, message, wParam, lParam); });
}

bool RunAddFilesDialog(HWND owner, AddSettings* settings, ArchivePassword* password, HWND viewer,
                       std::vector<std::string>* files) {
    if (!settings || !files) return false;
    files->clear();
    addSettings = settings;
    addPassword = password;
    addViewer = viewer;
    std::vector<char> buffer(TV_ITEMLIST_SIZE, '\0');
    const std::string filter = DialogFilter(IDS_IV_FILTER_ALL);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_IV_ADD_FILES), sizeof title);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = Module();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = DWORD(buffer.size());
    ofn.lpstrTitle = title;
    ofn.lpTemplateName = "IVADDFILE";
    ofn.lpfnHook = AddDialogHookProc;
    ofn.Flags = OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_FILEMUSTEXIST |
                OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    const BOOL ok = GetOpenFileNameA(&ofn);
    addSettings = nullptr;
    addPassword = nullptr;
    addViewer = nullptr;
    if (!ok) return false;
    *files = ChosenFiles(buffer.data(), buffer.size());
    return !files->empty();
}

bool RunDragDropDialog(HWND owner, TDragDropParams* params) {
    if (!params || !params->settings) return false;
    TIVDragDropAddDialog dialog;
    dialog.params = params;
    return RunModal(owner, "IVDDADD", &dialog) == IDOK;
}

void RunViewerPropertiesSheet(HWND owner, const TViewerPropertiesData& data) {
    TPropertyPageState state;
    state.data = &data;
    PROPSHEETPAGEA pages[2] = {};
    UINT count = 0;
    if (data.member) {
        PROPSHEETPAGEA& page = pages[count++];
        page.dwSize = sizeof page;
        page.hInstance = Module();
        page.pszTemplate = "IVFILEPROP";
        page.pfnDlgProc = GuardedDialogProc<PropertyPageProc<true>>;
        page.lParam = reinterpret_cast<LPARAM>(&state);
    }
    PROPSHEETPAGEA& page = pages[count++];
    page.dwSize = sizeof page;
    page.hInstance = Module();
    page.pszTemplate = "IVARCHIVEPROP";
    page.pfnDlgProc = GuardedDialogProc<PropertyPageProc<false>>;
    page.lParam = reinterpret_cast<LPARAM>(&state);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_IV_PROPERTIES), sizeof title);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = Module();
    sheet.pszCaption = title;
    sheet.nPages = count;
    sheet.ppsp = pages;
    PropertySheetA(&sheet);
    for (HICON icon : state.icons) DestroyIcon(icon);
}

void MakeViewerPreferencesPage(PROPSHEETPAGEA* page, TViewerPreferencesPage* state) {
    if (!page) return;
    *page = PROPSHEETPAGEA{};
    page->dwSize = sizeof *page;
    page->hInstance = Module();
    page->pszTemplate = "SETUPIV";
    page->pfnDlgProc = GuardedDialogProc<ViewerPreferencesPageProc>;
    page->lParam = reinterpret_cast<LPARAM>(state);
}

bool RunViewerPreferences(HWND owner, ViewerSettings* settings) {
    if (!settings) return false;
    TViewerPreferencesPage state;
    state.settings = *settings;
    PROPSHEETPAGEA page;
    MakeViewerPreferencesPage(&page, &state);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_IV_PREFERENCES), sizeof title);
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = Module();
    sheet.pszCaption = title;
    sheet.nPages = 1;
    sheet.ppsp = &page;
    if (PropertySheetA(&sheet) <= 0 || !state.applied) return false;
    *settings = state.settings;
    return true;
}
