#include "setup/win_first_setup.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>

#include "database/programdata.h"
#include "integration/integration_ids.h"
#include "integration/win_browser.h"
#include "resources/resource_ids.h"
#include "setup/setup_ids.h"
#include "util/text.h"
#include "util/win_ui.h"

// ---------------------------------------------------------------------------------------------
// The file system of the search.

bool TWinSetupSearchHost::BeforeEntry() {
    ++entries;
    if (beforeEntry) beforeEntry(beforeEntryContext);
    return !cancelled_;
}

bool TWinSetupSearchHost::ListFolder(const char* folder, std::vector<TSetupSearchEntry>* entries) {
    char pattern[TV_PATH_SIZE + 4];
    if (FormatLimited(pattern, sizeof pattern, "%s*.*", folder)) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0) continue;
        TSetupSearchEntry entry;
        entry.name = data.cFileName;
        entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries->push_back(entry);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

bool TWinSetupSearchHost::FolderIdentity(const char* folder, std::string* identity) {
    HANDLE handle = CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!ok || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) return false;
    char text[64];
    FormatLimited(text, sizeof text, "id:%08lx:%08lx:%08lx", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
    *identity = text;
    return true;
}

bool TWinSetupSearchHost::DriveSearchable(const char* root) {
    const UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK;
}

// ---------------------------------------------------------------------------------------------
// The search dialogs.

namespace {

class TSearchDialog : public TWinSetupSearchHost {
public:
    TSearchDialog(bool bookmarks, TSetupSearchSlots* slots) : bookmarks_(bookmarks), slots_(slots) {}
    ~TSearchDialog() {
        if (bold_) DeleteObject(bold_);
    }
    INT_PTR Run(HWND owner) {
        return DialogBoxParamA(GetModuleHandleA(nullptr), bookmarks_ ? "FIRSTSETUPBOOKMARKSEARCH" : "FIRSTSETUPBROWSERSEARCH",
                               owner, Proc, reinterpret_cast<LPARAM>(this));
    }
    void ShowFolder(const char* folder) override { SetDlgItemTextA(hwnd_, IDC_FS_SEARCH_FOLDER, folder); }
    void SlotFilled(int) override { ShowFound(); }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT msg, WPARAM wParam);
    // The label of each slot: enabled and bold when the slot is filled.
    void ShowFound();
    int LabelOf(int slot) const {
        return bookmarks_ ? (slot == 0 ? IDC_FS_FOUND_NETSCAPE : IDC_FS_FOUND_OPERA) : IDC_FS_FOUND_IE + slot;
    }
    void Search();
    // Keeps the dialog alive between two entries: Cancel, Esc, painting.
    static void Pump(void* context);

    bool bookmarks_;
    TSetupSearchSlots* slots_;
    HWND hwnd_ = nullptr;
    HFONT bold_ = nullptr;
    bool started_ = false;
};

INT_PTR CALLBACK TSearchDialog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TSearchDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TSearchDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<TSearchDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    return self ? self->Handle(msg, wParam) : FALSE;
}

INT_PTR TSearchDialog::Handle(UINT msg, WPARAM wParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            LOGFONTA font;
            HFONT normal = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
            if (normal && GetObjectA(normal, sizeof font, &font)) {
                font.lfWeight = FW_BOLD;
                bold_ = CreateFontIndirectA(&font);
            }
            ShowFound();
            PostMessageA(hwnd_, WM_COMMAND, IDC_FS_START_SEARCH, 0);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_FS_START_SEARCH:
                    // Once only (Enter sends the same command).
                    if (!started_) {
                        started_ = true;
                        // A modal dialog shows itself only once its loop is idle, which the
                        // search never lets it be: shown here, so that the user sees it and can
                        // cancel.
                        ShowWindow(hwnd_, SW_SHOW);
                        UpdateWindow(hwnd_);
                        Search();
                        EndDialog(hwnd_, cancelled() ? IDCANCEL : IDOK);
                    }
                    return TRUE;
                case IDCANCEL:
                    Cancel();
                    // Before the search started there is no loop that would notice.
                    if (!started_) EndDialog(hwnd_, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

void TSearchDialog::ShowFound() {
    HFONT normal = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    for (int slot = 0; slot < slots_->count; ++slot) {
        HWND label = GetDlgItem(hwnd_, LabelOf(slot));
        const bool found = slots_->paths[slot][0] != '\0';
        EnableWindow(label, found);
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(found && bold_ ? bold_ : normal), TRUE);
    }
}

void TSearchDialog::Pump(void* context) {
    TSearchDialog* self = static_cast<TSearchDialog*>(context);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            self->Cancel();
            return;
        }
        if (IsDialogMessageA(self->hwnd_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void TSearchDialog::Search() {
    beforeEntry = Pump;
    beforeEntryContext = this;
    TSetupSearch search(this, slots_);
    search.SearchDrives();
    beforeEntry = nullptr;
}

}  // namespace

bool RunSetupSearchDialog(HWND owner, bool bookmarks, TSetupSearchSlots* slots) {
    if (!slots) return false;
    TSearchDialog dialog(bookmarks, slots);
    return dialog.Run(owner) == IDOK;
}

// ---------------------------------------------------------------------------------------------
// The wizard.

namespace {

enum PageKind { P_INTRO, P_BROWSERS, P_BOOKMARKS, P_MISC, P_SCANNER, P_COUNT };

class TFirstSetupWizard;
struct Page {
    TFirstSetupWizard* wizard;
    PageKind kind;
    HWND hwnd;
};

class TFirstSetupWizard {
public:
    explicit TFirstSetupWizard(TProgramData* program) : program_(program) {
        integration_ = program->integration;
        viewer_ = program->viewer;
        program->externalPrograms.CopyTo(&externalPrograms_, 0);
    }
    bool Run(HWND owner);

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(Page* page, UINT msg, WPARAM wParam, LPARAM lParam);
    void InitPage(Page* page);
    void SetButtons(Page* page);
    void Leave(Page* page);
    void RunSearch(Page* page);
    void Browse(Page* page, int button);
    void Commit();
    // The three path fields of the browser or bookmark page, in the order of the fields.
    char* PathOf(PageKind kind, int field);

    TProgramData* program_;
    IntegrationSettings integration_;
    ViewerSettings viewer_;
    TExtProcListObject externalPrograms_;
    char scanner_[TV_PATH_SIZE] = {};
    Page pages_[P_COUNT] = {};
    bool finished_ = false;
};

char* TFirstSetupWizard::PathOf(PageKind kind, int field) {
    if (kind == P_BROWSERS) {
        char* paths[3] = {integration_.iePath, integration_.netscapePath, integration_.operaPath};
        return paths[field];
    }
    char* paths[3] = {integration_.ieFavoritesFolder, integration_.netscapeBookmarkFile, integration_.operaHotlistFile};
    return paths[field];
}

bool TFirstSetupWizard::Run(HWND owner) {
    static const char* const kTemplates[P_COUNT] = {"FIRSTSETUPINTRO", "FIRSTSETUPBROWSER", "FIRSTSETUPBOOKMARKS",
                                                    "FIRSTSETUPMISC", "FIRSTSETUPAVSCANNER"};
    PROPSHEETPAGEA sheets[P_COUNT];
    for (int i = 0; i < P_COUNT; ++i) {
        pages_[i] = {this, PageKind(i), nullptr};
        PROPSHEETPAGEA& p = sheets[i];
        p = PROPSHEETPAGEA();
        p.dwSize = sizeof p;
        p.hInstance = GetModuleHandleA(nullptr);
        p.pszTemplate = kTemplates[i];
        p.pfnDlgProc = PageProc;
        p.lParam = reinterpret_cast<LPARAM>(&pages_[i]);
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.nPages = P_COUNT;
    header.ppsp = sheets;
    PropertySheetA(&header);
    if (finished_) Commit();
    return finished_;
}

INT_PTR CALLBACK TFirstSetupWizard::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Page* page;
    if (msg == WM_INITDIALOG) {
        page = reinterpret_cast<Page*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->hwnd = hwnd;
    } else {
        page = reinterpret_cast<Page*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    return page ? page->wizard->Handle(page, msg, wParam, lParam) : FALSE;
}

INT_PTR Answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR TFirstSetupWizard::Handle(Page* page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            InitPage(page);
            return TRUE;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDC_FS_START_SEARCH && lParam == 0 && (page->kind == P_BROWSERS || page->kind == P_BOOKMARKS)) {
                RunSearch(page);
                return TRUE;
            }
            if (HIWORD(wParam) == BN_CLICKED && ((id >= IDC_FS_BROWSE1 && id <= IDC_FS_BROWSE3 &&
                                                  (page->kind == P_BROWSERS || page->kind == P_BOOKMARKS)) ||
                                                 (id == IDC_FS_SCANNER_BROWSE && page->kind == P_SCANNER))) {
                Browse(page, id);
                return TRUE;
            }
            break;
        }
        case WM_NOTIFY:
            switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
                case PSN_SETACTIVE:
                    SetButtons(page);
                    return Answer(page->hwnd, 0);
                case PSN_WIZNEXT:
                case PSN_WIZBACK:
                    Leave(page);
                    return Answer(page->hwnd, 0);
                case PSN_WIZFINISH:
                    Leave(page);
                    finished_ = true;
                    return Answer(page->hwnd, 0);
            }
            break;
    }
    return FALSE;
}

void TFirstSetupWizard::SetButtons(Page* page) {
    HWND sheet = GetParent(page->hwnd);
    switch (page->kind) {
        case P_INTRO: PropSheet_SetWizButtons(sheet, PSWIZB_NEXT); break;
        case P_SCANNER: PropSheet_SetWizButtons(sheet, PSWIZB_BACK | PSWIZB_FINISH); break;
        default: PropSheet_SetWizButtons(sheet, PSWIZB_BACK | PSWIZB_NEXT); break;
    }
}

void TFirstSetupWizard::InitPage(Page* page) {
    HWND hwnd = page->hwnd;
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
    switch (page->kind) {
        case P_BROWSERS:
        case P_BOOKMARKS:
            for (int i = 0; i < 3; ++i) {
                SendDlgItemMessageA(hwnd, IDC_FS_FIELD1 + i, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
                SetDlgItemTextA(hwnd, IDC_FS_FIELD1 + i, PathOf(page->kind, i));
                if (icon) SendDlgItemMessageA(hwnd, IDC_FS_BROWSE1 + i, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            }
            // The search starts once the page shows.
            PostMessageA(hwnd, WM_COMMAND, IDC_FS_START_SEARCH, 0);
            break;
        case P_MISC:
            CheckDlgButton(hwnd, IDC_FS_AUTOSTART, integration_.startWithWindows ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(hwnd, IDC_FS_CONTEXT_MENU, integration_.contextMenuIntegration ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(hwnd, IDC_FS_ON_TOP, integration_.alwaysOnTop ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(hwnd, IDC_FS_DEFAULT_VIEWER, viewer_.defaultViewer ? BST_CHECKED : BST_UNCHECKED);
            break;
        case P_SCANNER:
            SendDlgItemMessageA(hwnd, IDC_FS_SCANNER, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(hwnd, IDC_FS_SCANNER, scanner_);
            if (icon) SendDlgItemMessageA(hwnd, IDC_FS_SCANNER_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            break;
        default:
            break;
    }
}

void TFirstSetupWizard::RunSearch(Page* page) {
    TSetupSearchSlots slots;
    const bool bookmarks = page->kind == P_BOOKMARKS;
    if (bookmarks)
        InitBookmarkSearchSlots(&slots);
    else
        InitBrowserSearchSlots(&slots);
    // The fields searched for: the three programs, or the two bookmark files (fields 2 and 3).
    const int first = bookmarks ? 1 : 0;
    for (int slot = 0; slot < slots.count; ++slot)
        GetDlgItemTextA(page->hwnd, IDC_FS_FIELD1 + first + slot, slots.paths[slot], TV_PATH_SIZE);
    bool typed[TV_SEARCH_SLOTS];
    for (int slot = 0; slot < slots.count; ++slot) typed[slot] = slots.paths[slot][0] != '\0';
    RunSetupSearchDialog(GetParent(page->hwnd), bookmarks, &slots);
    for (int slot = 0; slot < slots.count; ++slot)
        if (!typed[slot] && slots.paths[slot][0]) SetDlgItemTextA(page->hwnd, IDC_FS_FIELD1 + first + slot, slots.paths[slot]);
}

void TFirstSetupWizard::Browse(Page* page, int button) {
    HWND hwnd = page->hwnd;
    if (page->kind == P_SCANNER) {
        char before[TV_PATH_SIZE] = {};
        GetDlgItemTextA(hwnd, IDC_FS_SCANNER, before, sizeof before);
        char chosen[TV_PATH_SIZE] = {};
        if (!PickIntegrationFile(hwnd, chosen, sizeof chosen, IDS_INT_SELECT_APPLICATION, IDS_INT_PROGRAM_FILTER)) return;
        char command[TV_PATH_SIZE];
        if (ScannerCommandAfterBrowse(before, chosen, command, sizeof command)) SetDlgItemTextA(hwnd, IDC_FS_SCANNER, command);
        return;
    }
    const int field = button - IDC_FS_BROWSE1;
    char path[TV_PATH_SIZE] = {};
    GetDlgItemTextA(hwnd, IDC_FS_FIELD1 + field, path, sizeof path);
    bool chosen = false;
    if (page->kind == P_BROWSERS)
        chosen = PickIntegrationFile(hwnd, path, sizeof path, IDS_INT_SELECT_APPLICATION, IDS_INT_PROGRAM_FILTER);
    else if (field == 0)
        chosen = PickIntegrationFolder(hwnd, path, sizeof path, IDS_FS_SELECT_FAVORITES);
    else
        chosen = PickIntegrationFile(hwnd, path, sizeof path, field == 1 ? IDS_FS_SELECT_BOOKMARK_FILE : IDS_FS_SELECT_HOTLIST_FILE,
                                     field == 1 ? IDS_FS_BOOKMARK_FILTER : IDS_FS_HOTLIST_FILTER);
    if (chosen) SetDlgItemTextA(hwnd, IDC_FS_FIELD1 + field, path);
}

void TFirstSetupWizard::Leave(Page* page) {
    HWND hwnd = page->hwnd;
    switch (page->kind) {
        case P_BROWSERS:
        case P_BOOKMARKS: {
            uint32_t used[3];
            for (int i = 0; i < 3; ++i) {
                char* path = PathOf(page->kind, i);
                GetDlgItemTextA(hwnd, IDC_FS_FIELD1 + i, path, TV_PATH_SIZE);
                TrimSpaces(path, TV_TRIM_BOTH);
                used[i] = path[0] ? 1 : 0;
            }
            if (page->kind == P_BROWSERS) {
                integration_.ieDownloads = used[0];
                integration_.netscapeDownloads = used[1];
                integration_.operaDownloads = used[2];
            } else {
                integration_.ieFavoritesImport = used[0];
                integration_.netscapeBookmarkImport = used[1];
                integration_.operaHotlistImport = used[2];
            }
            break;
        }
        case P_MISC:
            integration_.startWithWindows = IsDlgButtonChecked(hwnd, IDC_FS_AUTOSTART) == BST_CHECKED;
            integration_.contextMenuIntegration = IsDlgButtonChecked(hwnd, IDC_FS_CONTEXT_MENU) == BST_CHECKED;
            integration_.alwaysOnTop = IsDlgButtonChecked(hwnd, IDC_FS_ON_TOP) == BST_CHECKED;
            viewer_.defaultViewer = IsDlgButtonChecked(hwnd, IDC_FS_DEFAULT_VIEWER) == BST_CHECKED;
            break;
        case P_SCANNER:
            GetDlgItemTextA(hwnd, IDC_FS_SCANNER, scanner_, sizeof scanner_);
            TrimSpaces(scanner_, TV_TRIM_BOTH);
            break;
        default:
            break;
    }
}

void TFirstSetupWizard::Commit() {
    // The scanner is added once, when the wizard finishes (going back and forth over its page adds
    // nothing).
    if (scanner_[0]) {
        ExtProcItem entry = {scanner_};
        externalPrograms_.Add(&entry, 0);
    }
    program_->integration = integration_;
    program_->integration.browserChoice = FirstSetupBrowserChoice(integration_.iePath, integration_.netscapePath);
    program_->viewer = viewer_;
    externalPrograms_.CopyTo(&program_->externalPrograms, 0);
}

}  // namespace

bool RunFirstSetupWizard(HWND owner, TProgramData* program) {
    if (!program) return false;
    TFirstSetupWizard wizard(program);
    return wizard.Run(owner);
}
