#include "interchange/win_wizards.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "database/programdata.h"
#include "interchange/create.h"
#include "interchange/format.h"
#include "interchange/import.h"
#include "interchange/interchange_ids.h"
#include "interchange/traversal.h"
#include "interchange/win_host.h"
#include "resources/resource_ids.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_stream.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

// Texts the wizards take from the string table.
enum : UINT {
    kIdsFilter = 3107,
    kIdsNeitherKind = 3428,
    kIdsSelectCategory = 3429,
    kIdsInvalidName = 3430,
    kIdsExtension = 3435,
    kIdsOverwrite = 3511,
    kIdsCancelCreation = 3512,
    kIdsCancelImport = 3513,
    kIdsSelectFile = 3824,
    kIdsCreated = 4600,
    kIdsNotCreated = 4601,
    kIdsCreationCancelled = 4602,
    kIdsDownloadCategories = 4603,
    kIdsBookmarkCategories = 4604,
    kIdsImportExcerpt = 4605,
    kIdsImportBackup = 4606,
    kIdsReadyToImport = 4607,
    kIdsImported = 4608,
    kIdsNotImported = 4609,
    kIdsImportCancelled = 4610,
    kIdsDontImportDownloads = 4611,
    kIdsDontImportBookmarks = 4612,
    kIdsBackupSetup = 4613,
    kIdsCategoryTextsCreate = 3431,  // 3431 downloads, 3432 bookmarks
    kIdsCategoryTextsImport = 3433,  // 3433 downloads, 3434 bookmarks
};

const UINT WM_START_WORK = WM_APP + 1;
const char kErrorCaption[] = "Error";
const char kQuestionCaption[] = "Question";
constexpr COLORREF kMaskColour = RGB(255, 0, 255);

enum PageKind {
    P_INTRO,
    P_EXCERPT_INTRO,
    P_DOWNLOAD_CATEGORIES,
    P_BOOKMARK_CATEGORIES,
    P_BACKUP_INTRO,
    P_DESTINATION,
    P_CREATING,
    P_LOCATION,
    P_IMPORT_FIRST,
    P_IMPORT_DOWNLOAD_CATEGORIES,
    P_IMPORT_BOOKMARK_CATEGORIES,
    P_IMPORT_SECOND,
    P_IMPORTING
};

bool IsCategoryPage(PageKind k) {
    return k == P_DOWNLOAD_CATEGORIES || k == P_BOOKMARK_CATEGORIES || k == P_IMPORT_DOWNLOAD_CATEGORIES ||
           k == P_IMPORT_BOOKMARK_CATEGORIES;
}
int KindOfCategoryPage(PageKind k) {
    return k == P_DOWNLOAD_CATEGORIES || k == P_IMPORT_DOWNLOAD_CATEGORIES ? TV_KIND_DOWNLOADS : TV_KIND_BOOKMARKS;
}

const char* TemplateOf(PageKind k) {
    switch (k) {
        case P_INTRO: return "INTERCHANGEFILEINTRO";
        case P_EXCERPT_INTRO: return "INTERCHANGEFILEEXCERPTINTRO";
        case P_BACKUP_INTRO: return "INTERCHANGEFILEBACKUPINTRO";
        case P_DESTINATION: return "INTERCHANGEFILEDESTINATION";
        case P_CREATING: return "INTERCHANGEFILECREATING";
        case P_LOCATION: return "INTERCHANGEFILELOCATION";
        case P_IMPORT_FIRST:
        case P_IMPORT_SECOND: return "INTERCHANGEFILEIMPORT";
        case P_IMPORTING: return "INTERCHANGEFILEIMPORTING";
        default: return "INTERCHANGEFILEEXCERPTCATEGORIES";
    }
}

// A text of the string table at any length (the message ring keeps 249 characters).
std::string LongText(UINT id) {
    std::vector<char> buffer(4096);
    const int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), int(buffer.size()));
    return n > 0 ? std::string(buffer.data(), size_t(n)) : std::string();
}

// The base names of paths, at most three, then "... and n more".
std::string NameList(const std::vector<std::string>& paths) {
    std::string out;
    const size_t shown = std::min<size_t>(paths.size(), 3);
    for (size_t i = 0; i < shown; ++i) {
        const int separator = LastSeparator(paths[i].c_str());
        out += (i ? "\n" : "") + paths[i].substr(size_t(separator + 1));
    }
    if (paths.size() > shown) {
        char more[100];
        FormatLimited(more, sizeof more, LoadMessageText(TV_IDS_ICF_MORE), unsigned(paths.size() - shown));
        out += more;
    }
    return out;
}

// A note with one "%s" or "%u" filled in.
std::string Note(UINT id, const std::string& text) {
    const std::string format = LongText(id);
    std::vector<char> buffer(text.size() + format.size() + 1);
    FormatLimited(buffer.data(), buffer.size(), format.c_str(), text.c_str());
    return buffer.data();
}
std::string Note(UINT id, uint32_t n) {
    const std::string format = LongText(id);
    std::vector<char> buffer(format.size() + 20);
    FormatLimited(buffer.data(), buffer.size(), format.c_str(), unsigned(n));
    return buffer.data();
}

class TInterchangeWizard {
public:
    TInterchangeWizard(TProgramData* data, bool import, const TInterchangeWizardOptions* options)
        : data_(data), import_(import), settings_(data->interchange) {
        if (options) options_ = *options;
    }
    ~TInterchangeWizard() {
        if (images_) ImageList_Destroy(images_);
    }

    bool Run(HWND owner);
    bool Changed() const { return changed_; }
    InterchangeFileSettings& Settings() { return settings_; }

private:
    struct Page {
        TInterchangeWizard* wizard;
        PageKind kind;
        HWND hwnd;
    };

    TProgramData* data_;
    bool import_;
    InterchangeFileSettings settings_;
    TInterchangeWizardOptions options_;
    std::vector<Page> pages_;
    std::string titles_[2];  // captions of the two category pages
    HWND sheet_ = nullptr;
    HIMAGELIST images_ = nullptr;
    TWin32InterchangeHost host_;
    bool started_ = false;
    bool working_ = false;
    bool finished_ = false;
    bool changed_ = false;

    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(Page* page, UINT msg, WPARAM wParam, LPARAM lParam);
    int Ask(UINT id, const char* caption, UINT type);
    bool Shown(PageKind kind) const;
    void InitPage(Page* page);
    LONG_PTR OnSetActive(Page* page);
    bool OnLeave(Page* page);
    void FillTree(Page* page);
    void Browse(Page* page);
    bool LeaveDestination(Page* page);
    bool LeaveLocation(Page* page);
    void Work(Page* page);
    std::string Create(Page* page);
    std::string Import(Page* page);
    void Remember();
};

int TInterchangeWizard::Ask(UINT id, const char* caption, UINT type) {
    return ShowMessageBox(sheet_, LongText(id).c_str(), caption, type);
}

bool TInterchangeWizard::Shown(PageKind kind) const {
    const bool excerpt = settings_.kind == TV_INTERCHANGE_EXCERPT;
    switch (kind) {
        case P_EXCERPT_INTRO: return excerpt;
        case P_DOWNLOAD_CATEGORIES:
        case P_IMPORT_DOWNLOAD_CATEGORIES: return excerpt && settings_.downloadsIncluded == 1;
        case P_BOOKMARK_CATEGORIES:
        case P_IMPORT_BOOKMARK_CATEGORIES: return excerpt && settings_.bookmarksIncluded == 1;
        case P_BACKUP_INTRO: return settings_.kind == TV_INTERCHANGE_BACKUP;
        case P_IMPORT_SECOND: return settings_.kind != TV_INTERCHANGE_BACKUP;
        default: return true;
    }
}

bool TInterchangeWizard::Run(HWND owner) {
    static const PageKind create[] = {P_INTRO,         P_EXCERPT_INTRO, P_DOWNLOAD_CATEGORIES, P_BOOKMARK_CATEGORIES,
                                      P_BACKUP_INTRO, P_DESTINATION,   P_CREATING};
    static const PageKind import[] = {P_LOCATION,         P_IMPORT_FIRST, P_IMPORT_DOWNLOAD_CATEGORIES,
                                      P_IMPORT_BOOKMARK_CATEGORIES, P_IMPORT_SECOND, P_IMPORTING};
    pages_.clear();
    if (import_)
        for (PageKind k : import) pages_.push_back({this, k, nullptr});
    else
        for (PageKind k : create) pages_.push_back({this, k, nullptr});
    titles_[0] = LoadMessageText(kIdsDownloadCategories);
    titles_[1] = LoadMessageText(kIdsBookmarkCategories);

    std::vector<PROPSHEETPAGEA> sheets(pages_.size());
    for (size_t i = 0; i < pages_.size(); ++i) {
        PROPSHEETPAGEA& p = sheets[i];
        p = PROPSHEETPAGEA();
        p.dwSize = sizeof p;
        p.dwFlags = PSP_HASHELP;
        p.hInstance = GetModuleHandleA(nullptr);
        p.pszTemplate = TemplateOf(pages_[i].kind);
        p.pfnDlgProc = PageProc;
        p.lParam = reinterpret_cast<LPARAM>(&pages_[i]);
        if (IsCategoryPage(pages_[i].kind)) {
            p.dwFlags |= PSP_USETITLE;
            p.pszTitle = titles_[KindOfCategoryPage(pages_[i].kind) == TV_KIND_DOWNLOADS ? 0 : 1].c_str();
        }
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.nPages = UINT(sheets.size());
    header.ppsp = sheets.data();
    PropertySheetA(&header);
    sheet_ = nullptr;
    return changed_;
}

INT_PTR CALLBACK TInterchangeWizard::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Page* page;
    if (msg == WM_INITDIALOG) {
        page = reinterpret_cast<Page*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->hwnd = hwnd;
    } else {
        page = reinterpret_cast<Page*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    return page ? page->wizard->HandleMessage(page, msg, wParam, lParam) : FALSE;
}

// The page's answer to a sheet notification.
INT_PTR Answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR TInterchangeWizard::HandleMessage(Page* page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            sheet_ = GetParent(page->hwnd);
            InitPage(page);
            return TRUE;
        case WM_START_WORK:
            Work(page);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_ICF_BROWSE && HIWORD(wParam) == BN_CLICKED) {
                Browse(page);
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_ICF_DONT_IMPORT && HIWORD(wParam) == BN_CLICKED) {
                const bool none = IsDlgButtonChecked(page->hwnd, IDC_ICF_DONT_IMPORT) == BST_CHECKED;
                EnableWindow(GetDlgItem(page->hwnd, IDC_ICF_TREE), !none);
                return TRUE;
            }
            break;
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                case PSN_SETACTIVE:
                    return Answer(page->hwnd, OnSetActive(page));
                case PSN_WIZNEXT:
                    return Answer(page->hwnd, OnLeave(page) ? 0 : -1);
                case PSN_WIZFINISH:
                    return Answer(page->hwnd, finished_ ? 0 : 1);
                case PSN_QUERYCANCEL:
                    if (working_) {
                        if (Ask(import_ ? kIdsCancelImport : kIdsCancelCreation, kQuestionCaption,
                                MB_YESNO | MB_ICONQUESTION) == IDYES)
                            host_.SetCancelled();
                        // The work ends by itself and shows its final text.
                        return Answer(page->hwnd, TRUE);
                    }
                    return Answer(page->hwnd, FALSE);
                case PSN_HELP:
                    ShowHelpTopic(page->hwnd, IsCategoryPage(page->kind) ? (import_ ? TV_HELP_INTERCHANGE_IMPORT_CATEGORIES
                                                                                 : TV_HELP_INTERCHANGE_CATEGORIES)
                                                                      : TV_HELP_INTERCHANGE);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

void TInterchangeWizard::InitPage(Page* page) {
    HWND hwnd = page->hwnd;
    switch (page->kind) {
        case P_INTRO:
            CheckRadioButton(hwnd, IDC_ICF_EXCERPT, IDC_ICF_BACKUP,
                             settings_.kind == TV_INTERCHANGE_BACKUP ? IDC_ICF_BACKUP : IDC_ICF_EXCERPT);
            break;
        case P_EXCERPT_INTRO:
            CheckDlgButton(hwnd, IDC_ICF_DOWNLOADS, settings_.downloadsIncluded == 1 ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(hwnd, IDC_ICF_BOOKMARKS, settings_.bookmarksIncluded == 1 ? BST_CHECKED : BST_UNCHECKED);
            break;
        case P_DESTINATION:
        case P_LOCATION: {
            SendDlgItemMessageA(hwnd, IDC_ICF_PATH, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(hwnd, IDC_ICF_PATH, settings_.path);
            HICON icon = static_cast<HICON>(
                LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
            if (icon) SendDlgItemMessageA(hwnd, IDC_ICF_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            break;
        }
        case P_CREATING:
        case P_IMPORTING:
            SendDlgItemMessageA(hwnd, IDC_ICF_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            break;
        default:
            if (IsCategoryPage(page->kind)) {
                const int kind = KindOfCategoryPage(page->kind);
                const UINT text = (import_ ? kIdsCategoryTextsImport : kIdsCategoryTextsCreate) +
                                  (kind == TV_KIND_DOWNLOADS ? 0 : 1);
                SetDlgItemTextA(hwnd, IDC_ICF_TEXT, LongText(text).c_str());
                HWND check = GetDlgItem(hwnd, IDC_ICF_DONT_IMPORT);
                if (import_)
                    SetWindowTextA(check, LoadMessageText(kind == TV_KIND_DOWNLOADS ? kIdsDontImportDownloads
                                                                                    : kIdsDontImportBookmarks));
                else
                    ShowWindow(check, SW_HIDE);
                FillTree(page);
            }
            break;
    }
}

void TInterchangeWizard::FillTree(Page* page) {
    HWND tree = GetDlgItem(page->hwnd, IDC_ICF_TREE);
    if (!images_) {
        images_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 5, 0);
        for (const char* strip : {"CATLISTBMP", "FOLDERSBMP"}) {
            HBITMAP bitmap = static_cast<HBITMAP>(
                LoadImageA(GetModuleHandleA(nullptr), strip, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
            if (!bitmap) continue;
            ImageList_AddMasked(images_, bitmap, kMaskColour);
            DeleteObject(bitmap);
        }
    }
    if (images_) TreeView_SetImageList(tree, images_, TVSIL_NORMAL);
    const int kind = KindOfCategoryPage(page->kind);
    const int32_t wanted = kind == TV_KIND_DOWNLOADS ? settings_.downloadCategoryId : settings_.bookmarkCategoryId;
    const std::vector<TCategoryVisit> walk =
        WalkCategories(data_->categories, data_->categories.FindCategoryById(0, kind));
    std::vector<HTREEITEM> items(walk.size(), nullptr);
    HTREEITEM select = nullptr;
    for (size_t i = 0; i < walk.size(); ++i) {
        const CategoryItem* c = TCategoryListObject::Item(walk[i].node);
        TVINSERTSTRUCTA insert = {};
        insert.hParent = i == 0 ? TVI_ROOT : items[walk[i].parent];
        insert.hInsertAfter = i == 0 ? TVI_LAST : TVI_SORT;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = c->name;
        insert.item.lParam = c->id;
        insert.item.iImage = i == 0 ? kind - 1 : 3;
        insert.item.iSelectedImage = i == 0 ? kind - 1 : 4;
        items[i] = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        if (c->id == wanted) select = items[i];
    }
    if (!items.empty() && items[0]) TreeView_Expand(tree, items[0], TVE_EXPAND);
    if (select) TreeView_SelectItem(tree, select);
}

LONG_PTR TInterchangeWizard::OnSetActive(Page* page) {
    if (!Shown(page->kind)) return -1;
    HWND hwnd = page->hwnd;
    switch (page->kind) {
        case P_INTRO:
        case P_LOCATION:
            PropSheet_SetWizButtons(sheet_, PSWIZB_NEXT);
            break;
        case P_CREATING:
        case P_IMPORTING:
            // The work starts once the page shows; Back is not offered here.
            if (!started_) {
                PropSheet_SetWizButtons(sheet_, PSWIZB_DISABLEDFINISH);
                started_ = true;
                PostMessageA(hwnd, WM_START_WORK, 0, 0);
            }
            break;
        case P_IMPORT_FIRST:
            SetDlgItemTextA(hwnd, IDC_ICF_TEXT,
                            LongText(settings_.kind == TV_INTERCHANGE_EXCERPT ? kIdsImportExcerpt : kIdsImportBackup).c_str());
            PropSheet_SetWizButtons(sheet_, PSWIZB_BACK | PSWIZB_NEXT);
            break;
        case P_IMPORT_SECOND:
            SetDlgItemTextA(hwnd, IDC_ICF_TEXT, LongText(kIdsReadyToImport).c_str());
            PropSheet_SetWizButtons(sheet_, PSWIZB_BACK | PSWIZB_NEXT);
            break;
        default:
            if (IsCategoryPage(page->kind))
                EnableWindow(GetDlgItem(hwnd, IDC_ICF_TREE),
                             !import_ || IsDlgButtonChecked(hwnd, IDC_ICF_DONT_IMPORT) != BST_CHECKED);
            PropSheet_SetWizButtons(sheet_, PSWIZB_BACK | PSWIZB_NEXT);
            break;
    }
    return 0;
}

bool TInterchangeWizard::OnLeave(Page* page) {
    HWND hwnd = page->hwnd;
    switch (page->kind) {
        case P_INTRO:
            settings_.kind = IsDlgButtonChecked(hwnd, IDC_ICF_BACKUP) == BST_CHECKED ? TV_INTERCHANGE_BACKUP
                                                                                     : TV_INTERCHANGE_EXCERPT;
            return true;
        case P_EXCERPT_INTRO:
            settings_.downloadsIncluded = IsDlgButtonChecked(hwnd, IDC_ICF_DOWNLOADS) == BST_CHECKED ? 1 : 0;
            settings_.bookmarksIncluded = IsDlgButtonChecked(hwnd, IDC_ICF_BOOKMARKS) == BST_CHECKED ? 1 : 0;
            if (!settings_.downloadsIncluded && !settings_.bookmarksIncluded) {
                Ask(kIdsNeitherKind, kErrorCaption, MB_OK | MB_ICONERROR);
                return false;
            }
            return true;
        case P_DESTINATION:
            return LeaveDestination(page);
        case P_LOCATION:
            return LeaveLocation(page);
        default:
            break;
    }
    if (!IsCategoryPage(page->kind)) return true;
    const int kind = KindOfCategoryPage(page->kind);
    int32_t& target = kind == TV_KIND_DOWNLOADS ? settings_.downloadCategoryId : settings_.bookmarkCategoryId;
    target = -1;
    if (import_ && IsDlgButtonChecked(hwnd, IDC_ICF_DONT_IMPORT) == BST_CHECKED) return true;
    HWND tree = GetDlgItem(hwnd, IDC_ICF_TREE);
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = TreeView_GetSelection(tree);
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        Ask(kIdsSelectCategory, kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    target = int32_t(item.lParam);
    return true;
}

// The name typed, trimmed, as a full path (false when there is none to be had).
bool TypedPath(HWND page, char* out, size_t size) {
    char typed[TV_PATH_SIZE + 1];
    GetDlgItemTextA(page, IDC_ICF_PATH, typed, sizeof typed);
    TrimSpaces(typed, TV_TRIM_BOTH);
    const int kind = PathKind(typed);
    if (!(kind & TV_PATH_HAS_FOLDER) || !(kind & TV_PATH_HAS_NAME)) return false;
    char* filePart = nullptr;
    const DWORD n = GetFullPathNameA(typed, DWORD(size), out, &filePart);
    return n > 0 && n < size;
}

bool TInterchangeWizard::LeaveDestination(Page* page) {
    char path[TV_PATH_SIZE];
    if (!TypedPath(page->hwnd, path, sizeof path)) {
        Ask(kIdsInvalidName, kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES &&
        Ask(kIdsOverwrite, kQuestionCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    char ext[TV_PATH_SIZE];
    SplitPathParts(path, nullptr, nullptr, nullptr, ext);
    if (!TextEquals(ext, ".tvi", 0, 0)) {
        Ask(kIdsExtension, kErrorCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    CopyLimited(settings_.path, path, sizeof settings_.path);
    SetDlgItemTextA(page->hwnd, IDC_ICF_PATH, path);
    return true;
}

bool TInterchangeWizard::LeaveLocation(Page* page) {
    settings_.kind = TV_INTERCHANGE_UNUSABLE;
    char typed[TV_PATH_SIZE + 1];
    GetDlgItemTextA(page->hwnd, IDC_ICF_PATH, typed, sizeof typed);
    TrimSpaces(typed, TV_TRIM_BOTH);
    if (!typed[0]) {
        Ask(kIdsInvalidName, kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    const DWORD attributes = GetFileAttributesA(typed);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowSystemErrorBox(sheet_, kErrorCaption, ERROR_FILE_NOT_FOUND, MB_OK | MB_ICONSTOP);
        return false;
    }
    CopyLimited(settings_.path, typed, sizeof settings_.path);
    TWin32FileStream file;
    if (file.Open(typed, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) ReadInterchangeHeader(&file, &settings_);
    if (settings_.kind == TV_INTERCHANGE_UNUSABLE) {
        // Nothing after this page could use the file.
        Ask(kIdsNotImported, kErrorCaption, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TInterchangeWizard::Browse(Page* page) {
    char file[TV_PATH_SIZE];
    GetDlgItemTextA(page->hwnd, IDC_ICF_PATH, file, sizeof file);
    // "Interchange Files (*.tvi)", "*.tvi", "All Files (*.*)", "*.*", each ended by a NUL.
    std::string filter = LoadMessageText(kIdsFilter);
    filter += '\0';
    filter += "*.tvi";
    filter += '\0';
    filter += LoadMessageText(TV_IDS_ICF_ALL_FILES);
    filter += '\0';
    filter += "*.*";
    filter += '\0';
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(kIdsSelectFile), sizeof title);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = sheet_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    BOOL chosen;
    if (import_) {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&ofn);
    } else {
        chosen = GetSaveFileNameA(&ofn);
    }
    if (chosen) SetDlgItemTextA(page->hwnd, IDC_ICF_PATH, file);
}

void TInterchangeWizard::Remember() {
    InterchangeFileSettings& kept = data_->interchange;
    kept.kind = settings_.kind;
    kept.downloadsIncluded = settings_.downloadsIncluded;
    kept.bookmarksIncluded = settings_.bookmarksIncluded;
    kept.downloadCategoryId = settings_.downloadCategoryId;
    kept.bookmarkCategoryId = settings_.bookmarkCategoryId;
    CopyLimited(kept.path, settings_.path, sizeof kept.path);
}

void TInterchangeWizard::Work(Page* page) {
    if (working_ || finished_) return;
    working_ = true;
    Remember();
    HWND progress = GetDlgItem(page->hwnd, IDC_ICF_PROGRESS);
    host_.SetProgressBar(progress);
    SendMessageA(progress, PBM_SETPOS, 0, 0);
    UpdateWindow(sheet_);
    if (options_.prepareHost) options_.prepareHost(&host_, options_.context);

    const std::string text = import_ ? Import(page) : Create(page);

    SendMessageA(progress, PBM_SETPOS, 100, 0);
    SetDlgItemTextA(page->hwnd, IDC_ICF_RESULT, text.c_str());
    working_ = false;
    finished_ = true;
    PropSheet_SetWizButtons(sheet_, PSWIZB_FINISH);
    EnableWindow(GetDlgItem(sheet_, IDCANCEL), FALSE);
}

std::string TInterchangeWizard::Create(Page*) {
    const TInterchangeChoice choice = TInterchangeChoice::FromSettings(settings_);
    TInterchangeContent content;
    uint32_t done = 0;
    bool error = BuildInterchangeContent(*data_, choice, &host_, &content, &done, 0) != TV_BUILD_OK;
    const uint32_t total = InterchangeCreationSteps(content);
    TInterchangeWriteReport report;
    if (!error && !host_.Cancelled()) {
        TWin32FileStream file;
        if (!CreateInterchangeFile(&file, settings_.path)) {
            const DWORD failure = GetLastError();
            ShowSystemErrorBox(sheet_, LoadMessageText(TV_IDS_PROGRAM_TITLE), failure, MB_OK | MB_ICONSTOP);
            error = true;
        } else {
            WriteInterchangeContent(&file, data_, content, &host_, &report, &done, total);
            error = report.writeFailed;
        }
    }
    // The setup program goes beside the file, so a backup can restore a new installation.
    bool setupCopied = false;
    if (!host_.Cancelled()) {
        char source[TV_PATH_SIZE], destination[TV_PATH_SIZE], folder[TV_PATH_SIZE];
        if (ProgramFolder(source, sizeof source, 0) && !AppendLimited(source, "setup.exe", sizeof source)) {
            SplitPath(settings_.path, folder, sizeof folder, nullptr, 0);
            CopyLimited(destination, folder, sizeof destination);
            if (EnsureTrailingBackslash(destination, sizeof destination) >= 0 &&
                !AppendLimited(destination, "setup.exe", sizeof destination) &&
                GetFileAttributesA(source) != INVALID_FILE_ATTRIBUTES) {
                if (ComparePathTexts(source, destination, 1)) {
                    setupCopied = true;  // the file goes into the program folder itself
                } else {
                    SetFileAttributesA(destination, FILE_ATTRIBUTE_ARCHIVE);
                    setupCopied = CopyFileA(source, destination, FALSE) != 0;
                }
            }
        }
    }

    if (host_.Cancelled()) return LongText(kIdsCreationCancelled);
    if (error) return LongText(kIdsNotCreated);
    std::string text = LongText(kIdsCreated);
    if (choice.kind == TV_INTERCHANGE_BACKUP) text += LongText(setupCopied ? UINT(kIdsBackupSetup) : UINT(TV_IDS_ICF_NO_SETUP));
    if (!report.changed.empty()) text += Note(TV_IDS_ICF_CHANGED, NameList(report.changed));
    if (!report.unreadable.empty()) text += Note(TV_IDS_ICF_UNREADABLE, NameList(report.unreadable));
    if (!content.tooLarge.empty()) text += Note(TV_IDS_ICF_TOO_LARGE, NameList(content.tooLarge));
    return text;
}

std::string TInterchangeWizard::Import(Page*) {
    TWin32FileStream file;
    bool error = false;
    TInterchangeImportReport report;
    if (!file.Open(settings_.path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) {
        const DWORD failure = GetLastError();
        ShowSystemErrorBox(sheet_, LoadMessageText(TV_IDS_PROGRAM_TITLE), failure, MB_OK | MB_ICONSTOP);
        error = true;
    } else {
        TInterchangeTargets targets;
        targets.downloadCategoryId = settings_.downloadCategoryId;
        targets.bookmarkCategoryId = settings_.bookmarkCategoryId;
        error = !ImportInterchangeFile(&file, data_, targets, &host_, &report);
        changed_ = !error;
    }
    if (report.cancelled) return LongText(kIdsImportCancelled);
    if (error) return LongText(kIdsNotImported);
    std::string text = LongText(kIdsImported);
    if (report.recordsCut) text += LongText(TV_IDS_ICF_RECORDS_CUT);
    if (report.missing) text += Note(TV_IDS_ICF_MISSING, report.missing);
    if (report.notStored) text += Note(TV_IDS_ICF_NOT_STORED, report.notStored);
    if (report.settingsIncomplete) text += LongText(TV_IDS_ICF_SETTINGS_CUT);
    for (const std::string& location : report.refusedLocations) text += Note(TV_IDS_ICF_LOCATION_KEPT, location);
    return text;
}

}  // namespace

void RunCreateInterchangeWizard(HWND owner, TProgramData* data, const TInterchangeWizardOptions* options) {
    if (!data) return;
    TInterchangeWizard wizard(data, false, options);
    wizard.Run(owner);
}

bool RunImportInterchangeWizard(HWND owner, TProgramData* data, const char* file,
                                const TInterchangeWizardOptions* options) {
    if (!data) return false;
    TInterchangeWizard wizard(data, true, options);
    if (file && *file) CopyLimited(wizard.Settings().path, file, sizeof wizard.Settings().path);
    return wizard.Run(owner);
}
