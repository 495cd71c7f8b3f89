#include "bookmarks/win_bookmarks.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <ctime>
#include <memory>
#include <unordered_set>

#include "bookmarks/win_bookmark_ids.h"
#include "database/programdata.h"
#include "resources/resource_ids.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_stream.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

enum : uint32_t {
    IDS_ALL_FILES_FILTER = 3100,
    IDS_NETSCAPE_FILTER = 3103,
    IDS_OPERA_FILTER = 3108,
    IDS_SELECT_EXPORT_FOLDER = 3212,
    IDS_SELECT_EXPORT_FILE = 3213,
    IDS_SELECT_IMPORT_FOLDER = 3217,
    IDS_BOOKMARK_EXPORT = 3224,
    IDS_NO_NEW_BOOKMARKS = 3301,
    IDS_NO_IMPORT_SOURCE = 3424,
    IDS_NO_EXPORT_TARGET = 3425,
    IDS_FILE_EXISTS = 3511,
    IDS_SELECT_IMPORT_FILE = 3816,
    IDS_FORMAT_NAMES = 4200,  // 4200..4205
};

const char kErrorCaption[] = "Error";
const char kQuestionCaption[] = "Question";

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// The system code page, one character at a time.
class TSystemAnsiCodec : public TAnsiCodec {
public:
    TSystemAnsiCodec() : codePage_(GetACP()) {}
    uint32_t ToUnicode(const char* text, size_t length, size_t* used) const override {
        if (codePage_ == 1252) return TAnsiCodec::ToUnicode(text, length, used);
        const int bytes = length >= 2 && IsDBCSLeadByteEx(codePage_, BYTE(text[0])) ? 2 : 1;
        WCHAR wide[2] = {};
        const int got = MultiByteToWideChar(codePage_, 0, text, bytes, wide, 2);
        if (used) *used = size_t(bytes);
        if (got == 2 && wide[0] >= 0xD800 && wide[0] <= 0xDBFF)
            return 0x10000 + ((uint32_t(wide[0]) - 0xD800) << 10) + (uint32_t(wide[1]) - 0xDC00);
        return got >= 1 ? wide[0] : uint32_t(BYTE(text[0]));
    }
    bool AppendAnsi(std::string* out, uint32_t codePoint) const override {
        if (codePage_ == 1252) return TAnsiCodec::AppendAnsi(out, codePoint);
        WCHAR wide[2];
        int count = 1;
        if (codePoint >= 0x10000) {
            wide[0] = WCHAR(0xD800 + ((codePoint - 0x10000) >> 10));
            wide[1] = WCHAR(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
            count = 2;
        } else {
            wide[0] = WCHAR(codePoint);
        }
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int got = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, wide, count, bytes, sizeof bytes, nullptr,
                                            &usedDefault);
        if (got <= 0 || usedDefault) return false;
        out->append(bytes, size_t(got));
        return true;
    }

private:
    UINT codePage_;
};

// A string-table filter with "|" between its parts as the NUL-separated list the file dialogs want.
std::string Filter(uint32_t id) {
    std::string filter = TvString(id);
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    return filter;
}

bool RunFileDialog(HWND owner, uint32_t titleId, uint32_t filterId, std::string* path, bool save) {
    char file[MAX_PATH] = {};
    CopyLimited(file, path->c_str(), sizeof file);
    const std::string filter = Filter(filterId);
    const char* title = TvString(titleId);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    *path = file;
    return true;
}

// --- the browsers' automatic-import sources
struct BrowserSource {
    char* path;
    uint32_t* automatic;
};
BrowserSource SourceOf(IntegrationSettings* integration, int format) {
    switch (format) {
        case TV_IMPORT_FAVORITES: return {integration->ieFavoritesFolder, &integration->ieFavoritesImport};
        case TV_IMPORT_OPERA: return {integration->operaHotlistFile, &integration->operaHotlistImport};
        default: return {integration->netscapeBookmarkFile, &integration->netscapeBookmarkImport};
    }
}

char* ImportPath(BookmarkImportSettings* s, int format) {
    switch (format) {
        case TV_IMPORT_FAVORITES: return s->favoritesFolder;
        case TV_IMPORT_OPERA: return s->operaHotlistFile;
        default: return s->netscapeBookmarkFile;
    }
}

std::string Trimmed(const char* text) { return TrimBlanksAndTabs(std::string(text, strnlen(text, TV_PATH_SIZE))); }

// ================================================================ import dialog

struct ImportDialog {
    BookmarkImportSettings* settings = nullptr;
    IntegrationSettings* integration = nullptr;
    int format = 0;
    std::string typed[3];  // what the edit held for each format while the dialog is open
};

void ShowImportFormat(HWND dialog, ImportDialog* state) {
    SetDlgItemTextA(dialog, IDC_BMIMPORT_PATH, state->typed[state->format].c_str());
    const BrowserSource source = SourceOf(state->integration, state->format);
    const bool automatic =
        *source.automatic && !state->typed[state->format].empty() &&
        TextEquals(Trimmed(source.path).c_str(), TrimBlanksAndTabs(state->typed[state->format]).c_str(), 0, 0);
    CheckDlgButton(dialog, IDC_BMIMPORT_AUTOMATIC, automatic ? BST_CHECKED : BST_UNCHECKED);
}

bool AcceptImport(HWND dialog, ImportDialog* state) {
    const std::string path = DialogItemText(dialog, IDC_BMIMPORT_PATH);
    if (path.empty()) {
        ShowMessageBox(dialog, TvString(IDS_NO_IMPORT_SOURCE), kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool wantFolder = state->format == TV_IMPORT_FAVORITES;
    if (attributes == INVALID_FILE_ATTRIBUTES || bool(attributes & FILE_ATTRIBUTE_DIRECTORY) != wantFolder) {
        ShowSystemErrorBox(dialog, ProgramTitle(), ERROR_FILE_NOT_FOUND, MB_OK | MB_ICONSTOP);
        return false;
    }
    BookmarkImportSettings* s = state->settings;
    s->format = uint8_t(state->format);
    CopyLimited(ImportPath(s, state->format), path.c_str(), TV_PATH_SIZE);
    const BrowserSource source = SourceOf(state->integration, state->format);
    if (IsDlgButtonChecked(dialog, IDC_BMIMPORT_AUTOMATIC) == BST_CHECKED) {
        CopyLimited(source.path, path.c_str(), TV_PATH_SIZE);
        *source.automatic = 1;
    } else if (TextEquals(Trimmed(source.path).c_str(), path.c_str(), 0, 0)) {
        *source.automatic = 0;
    }
    s->duplicateRule = IsDlgButtonChecked(dialog, IDC_BMIMPORT_OVERWRITE) == BST_CHECKED ? TV_DUPLICATE_OVERWRITE
                       : IsDlgButtonChecked(dialog, IDC_BMIMPORT_ADD) == BST_CHECKED     ? TV_DUPLICATE_ADD
                                                                                         : TV_DUPLICATE_KEEP;
    return true;
}

INT_PTR CALLBACK ImportDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    ImportDialog* state = reinterpret_cast<ImportDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<ImportDialog*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            for (int i = 0; i < 3; ++i)
                SendDlgItemMessageA(dialog, IDC_BMIMPORT_FORMAT, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(TvString(IDS_FORMAT_NAMES + 3 + i)));
            state->format = state->settings->format <= TV_IMPORT_OPERA ? state->settings->format : 0;
            for (int i = 0; i < 3; ++i) state->typed[i] = Trimmed(ImportPath(state->settings, i));
            SendDlgItemMessageA(dialog, IDC_BMIMPORT_FORMAT, CB_SETCURSEL, WPARAM(state->format), 0);
            SendDlgItemMessageA(dialog, IDC_BMIMPORT_PATH, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetBrowseIcon(dialog, IDC_BMIMPORT_BROWSE);
            ShowImportFormat(dialog, state);
            const int rule = state->settings->duplicateRule;
            CheckRadioButton(dialog, IDC_BMIMPORT_KEEP, IDC_BMIMPORT_ADD,
                             rule == TV_DUPLICATE_OVERWRITE ? IDC_BMIMPORT_OVERWRITE
                             : rule == TV_DUPLICATE_ADD     ? IDC_BMIMPORT_ADD
                                                            : IDC_BMIMPORT_KEEP);
            return TRUE;
        }
        case WM_COMMAND:
            if (!state) break;
            switch (LOWORD(wParam)) {
                case IDC_BMIMPORT_FORMAT:
                    if (HIWORD(wParam) == CBN_SELCHANGE) {
                        state->typed[state->format] = DialogItemText(dialog, IDC_BMIMPORT_PATH);
                        const LRESULT selected = SendDlgItemMessageA(dialog, IDC_BMIMPORT_FORMAT, CB_GETCURSEL, 0, 0);
                        state->format = selected >= 0 && selected <= 2 ? int(selected) : 0;
                        ShowImportFormat(dialog, state);
                    }
                    return TRUE;
                case IDC_BMIMPORT_BROWSE: {
                    std::string path = DialogItemText(dialog, IDC_BMIMPORT_PATH);
                    const bool chosen =
                        state->format == TV_IMPORT_FAVORITES
                            ? BrowseFolder(dialog, IDS_SELECT_IMPORT_FOLDER, &path)
                            : BrowseOpenFile(dialog, IDS_SELECT_IMPORT_FILE,
                                             state->format == TV_IMPORT_OPERA ? IDS_OPERA_FILTER : IDS_NETSCAPE_FILTER, &path);
                    if (chosen) {
                        SetDlgItemTextA(dialog, IDC_BMIMPORT_PATH, path.c_str());
                        state->typed[state->format] = path;
                        ShowImportFormat(dialog, state);
                    }
                    return TRUE;
                }
                case IDOK:
                    if (AcceptImport(dialog, state)) EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_BMIMPORT_HELP:
                    ExchangeHelp(dialog, TV_HELP_BOOKMARK_IMPORT);
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

// ================================================================ export sheet

struct ExportSheet {
    BookmarkExportSettings settings;
    const TCategoryListObject* categories = nullptr;
    bool applied = false;
};

bool FavoritesIsFolder(int format) { return format == TV_EXPORT_FAVORITES; }

bool BrowseBookmarkTarget(HWND page, int format, std::string* path) {
    if (format == TV_EXPORT_FAVORITES) return BrowseFolder(page, IDS_SELECT_EXPORT_FOLDER, path);
    return BrowseSaveFile(page, IDS_SELECT_EXPORT_FILE,
                          format == TV_EXPORT_NETSCAPE ? IDS_NETSCAPE_FILTER
                          : format == TV_EXPORT_OPERA  ? IDS_OPERA_FILTER
                                                       : IDS_ALL_FILES_FILTER,
                          path);
}

void FillCategoryCombo(HWND combo, const TCategoryListObject* categories, int32_t selectedId) {
    int selectedRow = 0;
    for (const ListNode* node = categories ? categories->First() : nullptr; node; node = node->next) {
        if (!node->item || !categories->IsItemValid(node->item)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind != TV_KIND_BOOKMARKS) continue;
        const LRESULT row = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->name));
        if (row < 0) continue;
        SendMessageA(combo, CB_SETITEMDATA, WPARAM(row), LPARAM(c->id));
        if (c->id == selectedId) selectedRow = int(row);
    }
    SendMessageA(combo, CB_SETCURSEL, WPARAM(selectedRow), 0);
}

int32_t SelectedCategoryId(HWND combo, int32_t fallback) {
    const LRESULT row = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (row < 0) return fallback;
    return int32_t(SendMessageA(combo, CB_GETITEMDATA, WPARAM(row), 0));
}

INT_PTR CALLBACK NetscapePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    ExportSheet* sheet = reinterpret_cast<ExportSheet*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            sheet = reinterpret_cast<ExportSheet*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(sheet));
            SendDlgItemMessageA(page, IDC_NETSCAPE_TITLE, EM_LIMITTEXT, 1000, 0);
            SetDlgItemTextA(page, IDC_NETSCAPE_TITLE, sheet->settings.netscapeTitle);
            FillCategoryCombo(GetDlgItem(page, IDC_NETSCAPE_MENU), sheet->categories, sheet->settings.netscapeMenuCategoryId);
            FillCategoryCombo(GetDlgItem(page, IDC_NETSCAPE_NEW_ITEMS), sheet->categories,
                              sheet->settings.netscapeNewItemsCategoryId);
            return TRUE;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!sheet) break;
            if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
                char title[1001];
                GetDlgItemTextA(page, IDC_NETSCAPE_TITLE, title, sizeof title);
                TextAssign(&sheet->settings.netscapeTitle, title);
                sheet->settings.netscapeMenuCategoryId =
                    SelectedCategoryId(GetDlgItem(page, IDC_NETSCAPE_MENU), sheet->settings.netscapeMenuCategoryId);
                sheet->settings.netscapeNewItemsCategoryId =
                    SelectedCategoryId(GetDlgItem(page, IDC_NETSCAPE_NEW_ITEMS), sheet->settings.netscapeNewItemsCategoryId);
                if (header->code == PSN_APPLY) sheet->applied = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ExchangeHelp(page, TV_HELP_BOOKMARK_EXPORT);
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

// ================================================================ shared pieces

const TAnsiCodec& SystemAnsiCodec() {
    static const TSystemAnsiCodec codec;
    return codec;
}

const char* ProgramTitle() { return TvString(4100); }

PROPSHEETPAGEA MakePropertyPage(const char* templateName, DLGPROC proc, LPARAM data) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_HASHELP;
    page.hInstance = Module();
    page.pszTemplate = templateName;
    page.pfnDlgProc = proc;
    page.lParam = data;
    return page;
}

std::unique_ptr<TByteStream> TWinBookmarkFileSystem::OpenRead(const std::string& path, uint32_t* error) {
    std::unique_ptr<TWin32FileStream> file(new TWin32FileStream());
    if (!file->Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) {
        if (error) *error = GetLastError();
        return nullptr;
    }
    return std::unique_ptr<TByteStream>(file.release());
}

bool TWinBookmarkFileSystem::ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) {
    const std::string pattern = folder + "*.*";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
        TFolderEntry entry;
        entry.name = data.cFileName;
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.hidden = (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries->push_back(entry);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

void TWinBookmarkFileSystem::ReportOpenError(const std::string&, uint32_t error) {
    ShowSystemErrorBox(owner_, ProgramTitle(), error, MB_OK | MB_ICONSTOP);
}

bool TWinFavoritesSink::CreateFolder(const std::string& folder) {
    CreateDirectoryPath(folder.c_str());
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWinFavoritesSink::WriteShortcut(const std::string& path, const std::string& url) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return WritePrivateProfileStringA("InternetShortcut", "URL", url.c_str(), path.c_str()) != FALSE;
}

void ExchangeHelp(HWND owner, uint32_t context) { ShowHelpTopic(owner, context); }

void SetBrowseIcon(HWND dialog, int buttonId) {
    HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, LR_SHARED));
    if (icon) SendDlgItemMessageA(dialog, buttonId, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

std::string DialogItemText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = control ? GetWindowTextLengthA(control) : 0;
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    const int got = GetWindowTextA(control, &text[0], length + 1);
    text.resize(got > 0 ? size_t(got) : 0);
    return TrimBlanksAndTabs(text);
}

bool BrowseSaveFile(HWND owner, uint32_t titleId, uint32_t filterId, std::string* path) {
    return RunFileDialog(owner, titleId, filterId, path, true);
}

bool BrowseOpenFile(HWND owner, uint32_t titleId, uint32_t filterId, std::string* path) {
    return RunFileDialog(owner, titleId, filterId, path, false);
}

bool BrowseFolder(HWND owner, uint32_t titleId, std::string* path) {
    char folder[MAX_PATH] = {};
    const char* title = TvString(titleId);
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = folder;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return false;
    const bool ok = SHGetPathFromIDListA(list, folder) != FALSE;
    CoTaskMemFree(list);
    if (ok) *path = folder;
    return ok;
}

bool CheckExportTarget(HWND page, const std::string& path, bool isFolder, uint32_t messageId) {
    const int kind = PathKind(path.c_str());
    if (path.empty() || path.size() >= TV_PATH_SIZE ||
        (!isFolder && (!(kind & TV_PATH_HAS_FOLDER) || !(kind & TV_PATH_HAS_NAME)))) {
        ShowMessageBox(page, TvString(messageId), kErrorCaption, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (isFolder) return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ShowMessageBox(page, TvString(IDS_FILE_EXISTS), kQuestionCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
    return true;
}

namespace {

int SelectedFormat(HWND page, const TExportGeneralPage& general) {
    const LRESULT selected = SendDlgItemMessageA(page, IDC_EXPORT_FORMAT, CB_GETCURSEL, 0, 0);
    return selected >= 0 && selected < LRESULT(general.paths.size()) ? int(selected) : 0;
}

void ReadGeneralPage(HWND page, TExportGeneralPage* general) {
    const int format = SelectedFormat(page, *general);
    *general->format = uint8_t(format);
    general->typed[size_t(format)] = DialogItemText(page, IDC_EXPORT_PATH);
    CopyLimited(general->paths[size_t(format)], general->typed[size_t(format)].c_str(), TV_PATH_SIZE);
    *general->onlySelected = IsDlgButtonChecked(page, IDC_EXPORT_SELECTED) == BST_CHECKED ? 1 : 0;
    *general->expandUrls = IsDlgButtonChecked(page, IDC_EXPORT_EXPAND) == BST_CHECKED ? 1 : 0;
}

}  // namespace

INT_PTR CALLBACK ExportGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    TExportGeneralPage* general = reinterpret_cast<TExportGeneralPage*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            general = reinterpret_cast<TExportGeneralPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(general));
            general->typed.assign(general->paths.size(), std::string());
            for (size_t i = 0; i < general->paths.size(); ++i) {
                SendDlgItemMessageA(page, IDC_EXPORT_FORMAT, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(TvString(general->firstFormatName + uint32_t(i))));
                general->typed[i] = Trimmed(general->paths[i]);
            }
            const size_t format = *general->format < general->paths.size() ? *general->format : 0;
            SendDlgItemMessageA(page, IDC_EXPORT_FORMAT, CB_SETCURSEL, WPARAM(*general->format), 0);
            SendDlgItemMessageA(page, IDC_EXPORT_PATH, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(page, IDC_EXPORT_PATH, general->typed[format].c_str());
            SetBrowseIcon(page, IDC_EXPORT_BROWSE);
            CheckRadioButton(page, IDC_EXPORT_ALL, IDC_EXPORT_SELECTED,
                             *general->onlySelected ? IDC_EXPORT_SELECTED : IDC_EXPORT_ALL);
            CheckDlgButton(page, IDC_EXPORT_EXPAND, *general->expandUrls ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case WM_COMMAND:
            if (!general) break;
            if (LOWORD(wParam) == IDC_EXPORT_FORMAT && HIWORD(wParam) == CBN_SELCHANGE) {
                general->typed[*general->format] = DialogItemText(page, IDC_EXPORT_PATH);
                *general->format = uint8_t(SelectedFormat(page, *general));
                SetDlgItemTextA(page, IDC_EXPORT_PATH, general->typed[*general->format].c_str());
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_EXPORT_BROWSE) {
                std::string path = DialogItemText(page, IDC_EXPORT_PATH);
                if (general->browse && general->browse(page, *general->format, &path))
                    SetDlgItemTextA(page, IDC_EXPORT_PATH, path.c_str());
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!general) break;
            if (header->code == PSN_KILLACTIVE) {
                ReadGeneralPage(page, general);
                const int format = *general->format;
                const bool isFolder = general->isFolder && general->isFolder(format);
                const bool ok = CheckExportTarget(page, general->typed[size_t(format)], isFolder, general->noTargetMessage);
                SetWindowLongPtrA(page, DWLP_MSGRESULT, ok ? FALSE : TRUE);
                return TRUE;
            }
            if (header->code == PSN_APPLY) {
                ReadGeneralPage(page, general);
                if (general->applied) *general->applied = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ExchangeHelp(page, general->helpContext);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK DelimiterPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    TDelimiterPageData* data = reinterpret_cast<TDelimiterPageData*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            data = reinterpret_cast<TDelimiterPageData*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(data));
            const uint8_t mode = *data->mode <= 2 ? *data->mode : 0;
            CheckRadioButton(page, IDC_DELIMITER_CHARACTER, IDC_DELIMITER_PARAGRAPH, IDC_DELIMITER_CHARACTER + mode);
            SendDlgItemMessageA(page, IDC_DELIMITER_TEXT, EM_LIMITTEXT, 1, 0);
            const char text[2] = {*data->character ? *data->character : ',', '\0'};
            SetDlgItemTextA(page, IDC_DELIMITER_TEXT, text);
            return TRUE;
        }
        case WM_COMMAND:
            // Typing a character chooses the character as the delimiter.
            if (data && LOWORD(wParam) == IDC_DELIMITER_TEXT && HIWORD(wParam) == EN_SETFOCUS)
                CheckRadioButton(page, IDC_DELIMITER_CHARACTER, IDC_DELIMITER_PARAGRAPH, IDC_DELIMITER_CHARACTER);
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!data) break;
            if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
                *data->mode = IsDlgButtonChecked(page, IDC_DELIMITER_TAB) == BST_CHECKED         ? 1
                              : IsDlgButtonChecked(page, IDC_DELIMITER_PARAGRAPH) == BST_CHECKED ? 2
                                                                                                 : 0;
                char text[4] = {};
                GetDlgItemTextA(page, IDC_DELIMITER_TEXT, text, sizeof text);
                *data->character = text[0] ? text[0] : ',';
                SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ExchangeHelp(page, data->helpContext);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

bool CreateExportFile(HWND owner, const std::string& path, TWin32FileStream* file) {
    // A read-only file is overwritten as well.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    if (file->Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS)) return true;
    ShowSystemErrorBox(owner, ProgramTitle(), GetLastError(), MB_OK | MB_ICONSTOP);
    return false;
}

// ================================================================ commands

bool RunBookmarkImportDialog(HWND owner, BookmarkImportSettings* settings, IntegrationSettings* integration) {
    if (!settings || !integration) return false;
    ImportDialog state;
    state.settings = settings;
    state.integration = integration;
    return DialogBoxParamA(Module(), "BOOKMARKIMPORT", owner, ImportDialogProc, reinterpret_cast<LPARAM>(&state)) == IDOK;
}

bool ImportBookmarksCommand(HWND owner, TProgramData* program) {
    if (!program || !RunBookmarkImportDialog(owner, &program->bookmarkImport, &program->integration)) return false;
    TWinBookmarkFileSystem files(owner);
    TBookmarkImportContext context;
    context.silent = 0;
    context.settings = &program->bookmarkImport;
    context.bookmarks = &program->bookmarks;
    context.categories = &program->categories;
    context.files = &files;
    context.codec = &SystemAnsiCodec();
    if (ImportBookmarks(context)) return true;
    ShowMessageBox(owner, TvString(IDS_NO_NEW_BOOKMARKS), ProgramTitle(), MB_OK | MB_ICONINFORMATION);
    return false;
}

bool RunStartupBookmarkImports(HWND owner, TProgramData* program) {
    if (!program) return false;
    const IntegrationSettings& integration = program->integration;
    // A copy: the choices the user saved in the import dialog stay as they are.
    BookmarkImportSettings settings = program->bookmarkImport;
    CopyLimited(settings.netscapeBookmarkFile, integration.netscapeBookmarkFile, TV_PATH_SIZE);
    CopyLimited(settings.favoritesFolder, integration.ieFavoritesFolder, TV_PATH_SIZE);
    CopyLimited(settings.operaHotlistFile, integration.operaHotlistFile, TV_PATH_SIZE);
    const uint32_t automatic[3] = {integration.netscapeBookmarkImport, integration.ieFavoritesImport,
                                   integration.operaHotlistImport};
    TWinBookmarkFileSystem files(owner);
    bool changed = false;
    for (int format = TV_IMPORT_NETSCAPE; format <= TV_IMPORT_OPERA; ++format) {
        if (!automatic[format]) continue;
        settings.format = uint8_t(format);
        settings.duplicateRule = TV_DUPLICATE_KEEP;
        TBookmarkImportContext context;
        context.silent = 1;
        context.settings = &settings;
        context.bookmarks = &program->bookmarks;
        context.categories = &program->categories;
        context.files = &files;
        context.codec = &SystemAnsiCodec();
        if (ImportBookmarks(context)) changed = true;
    }
    return changed;
}

bool ExportBookmarks(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected) {
    if (!program) return false;
    const BookmarkExportSettings& s = program->bookmarkExport;
    const std::unordered_set<const ListNode*> chosen(selected.begin(), selected.end());
    TBookmarkExportJob job;
    job.settings = &s;
    job.bookmarks = &program->bookmarks;
    job.categories = &program->categories;
    job.selection.selected = &chosen;
    job.timeStamp = int64_t(std::time(nullptr));
    job.codec = &SystemAnsiCodec();
    const uint8_t format = s.format < BookmarkExportSettings::PathCount ? s.format : 0;
    const std::string path = Trimmed(s.paths[format]);
    if (path.empty()) return false;
    if (format == TV_EXPORT_FAVORITES) {
        TWinFavoritesSink sink;
        ExportFavorites(&sink, path, job);
        return true;
    }
    TWin32FileStream file;
    if (!CreateExportFile(owner, path, &file)) return false;
    WriteBookmarkExport(&file, job, format);
    return true;
}

bool ExportBookmarksCommand(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected) {
    if (!program) return false;
    ExportSheet sheet;
    sheet.settings = program->bookmarkExport;
    sheet.settings.Validate();
    sheet.categories = &program->categories;
    TExportGeneralPage general;
    general.format = &sheet.settings.format;
    for (int i = 0; i < BookmarkExportSettings::PathCount; ++i) general.paths.push_back(sheet.settings.paths[i]);
    general.onlySelected = &sheet.settings.onlySelected;
    general.expandUrls = &sheet.settings.expandUrls;
    general.firstFormatName = IDS_FORMAT_NAMES;
    general.noTargetMessage = IDS_NO_EXPORT_TARGET;
    general.helpContext = TV_HELP_BOOKMARK_EXPORT;
    general.applied = &sheet.applied;
    general.isFolder = FavoritesIsFolder;
    general.browse = BrowseBookmarkTarget;
    TDelimiterPageData delimiter;
    delimiter.mode = &sheet.settings.delimiterMode;
    delimiter.character = &sheet.settings.delimiter;
    delimiter.helpContext = TV_HELP_BOOKMARK_EXPORT;
    PROPSHEETPAGEA pages[3] = {
        MakePropertyPage("BMEXPORTGENERAL", ExportGeneralPageProc, reinterpret_cast<LPARAM>(&general)),
        MakePropertyPage("BMEXPORTANSICOMMA", DelimiterPageProc, reinterpret_cast<LPARAM>(&delimiter)),
        MakePropertyPage("BMEXPORTNETSCAPE", NetscapePageProc, reinterpret_cast<LPARAM>(&sheet)),
    };
    char title[100];
    CopyLimited(title, TvString(IDS_BOOKMARK_EXPORT), sizeof title);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP;
    header.hwndParent = owner;
    header.hInstance = Module();
    header.pszCaption = title;
    header.nPages = 3;
    header.ppsp = pages;
    if (PropertySheetA(&header) <= 0 || !sheet.applied) return false;
    program->bookmarkExport = sheet.settings;
    return ExportBookmarks(owner, program, selected);
}
