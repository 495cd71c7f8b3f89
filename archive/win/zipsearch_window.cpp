// The archive search result window.
#include "archive/win/zipsearch_window.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "archive/archivelist.h"
#include "archive/viewer_ids.h"
#include "archive/viewer_logic.h"
#include "archive/win/filestatus.h"
#include "archive/win/viewer_dialogs.h"
#include "archive/win/viewer_util.h"
#include "archive/win/viewer_window.h"
#include "database/programdata.h"
#include "find/find_ids.h"
#include "resources/resource_ids.h"
#include "util/path.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_menus.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 100;
constexpr UINT kDownloadChanged = WM_USER + 5;
constexpr uint32_t kIdsCaption = 3601;  // "Zip Search Result - Tolvane Plus"

HACCEL accelerators = nullptr;
TZipSearchResultWindow* menuWindow = nullptr;  // the window whose menu is open (F1 on an item)
std::set<TZipSearchResultWindow*> openWindows;

// Open | Extract | Delete, Properties | Copy, Archive properties (0 = separator).
const struct {
    int command;
    int image;
} kToolbar[] = {
    {IV_CM_OPEN, IVTB_IMAGE_OPEN},
    {0, 0},
    {IV_CM_EXTRACT, IVTB_IMAGE_EXTRACT},
    {0, 0},
    {IV_CM_DELETE, IVTB_IMAGE_DELETE},
    {IV_CM_PROPERTIES, IVTB_IMAGE_PROPERTIES},
    {0, 0},
    {IV_CM_COPY_ARCHIVE, IVTB_IMAGE_COPY_ARCHIVE},
    {IV_CM_ARCHIVE_PROPERTIES, IVTB_IMAGE_ARCHIVE_PROPERTIES},
};

TProgramData* Program() { return ViewerEnvironment().program; }

bool PathExists(const char* path) { return path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, TV_ZIPSEARCH_RESULT_CLASS, &existing)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TWindowBase::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ARCHIVE));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_ARCHIVE), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = "ZIPSEARCHRESULTMENU";
    wc.lpszClassName = TV_ZIPSEARCH_RESULT_CLASS;
    return RegisterClassExA(&wc) != 0;
}

// Tells the main window that a download changed (it redraws it).
void NotifyDownloadChanged(ListNode* download) {
    HWND main = ViewerEnvironment().mainWindow;
    if (main && IsWindow(main)) SendMessageA(main, kDownloadChanged, 0, reinterpret_cast<LPARAM>(download));
}

// Extract under the progress dialog "Unzipping": the rows one by one, each member alone from its
// own archive.
class TZSExtractingDialog : public TFileOperationStatusDialog {
public:
    TZSExtractingDialog(const TZipSearchFileListObject& hits, std::vector<const ArchiveSearchHit*> rows,
                        const ExtractSettings& settings, ArchivePassword* password,
                        bool (*archiveOf)(const TZipSearchFileListObject&, const ArchiveSearchHit&, char*, size_t))
        : TFileOperationStatusDialog(3211),
          hits_(hits),
          rows_(std::move(rows)),
          settings_(settings),
          password_(password),
          archiveOf_(archiveOf) {
        CopyLimited(folder_, settings.folder, sizeof folder_);
        StripQuotes(folder_);
    }
    const char* Folder() const { return folder_; }
    // The downloads of the members that were written, each once.
    std::vector<ListNode*> extractedFrom;

protected:
    void RunJob() override {
        SetMemberCount(uint32_t(rows_.size()));
        std::vector<const ArchiveMember*> members;
        for (const ArchiveSearchHit* hit : rows_) members.push_back(&hit->member);
        TMemberExtractHooks hooks;
        hooks.askPassword = [this](char*, size_t) {
            if (password_) RunPasswordDialog(Window(), password_);
        };
        hooks.extract = [this](const ArchiveMember& member, const char* password) {
            const ArchiveSearchHit* hit = HitOfMember(&member);
            char archive[TV_PATH_SIZE];
            if (!hit || !archiveOf_(hits_, *hit, archive, sizeof archive)) return int(TV_UNZIP_OPENFAILED);
            TUnzipCommand c;
            ResetUnzipCommand(&c);
            c.function = TV_UNZIP_EXTRACT;
            CopyLimited(c.zipFile, archive, sizeof c.zipFile);
            StripQuotes(c.zipFile);
            CopyLimited(c.destination, folder_, sizeof c.destination);
            c.memberIndex = int32_t(member.index);
            c.overwrite = settings_.overwrite ? 1 : 0;
            c.skipOlder = settings_.skipOlder ? 1 : 0;
            c.ignoreFolders = settings_.useFolders ? 0 : 1;
            c.messageProc = DynaZipNoFeedbackMessageProc;
            c.minorStatus = FileOperationMinorStatusProc;
            c.userValue = uintptr_t(static_cast<TFileOperationStatusDialog*>(this));
            CopyLimited(c.password, password, sizeof c.password);
            const int r = RunUnzipCommand(&c);
            SecureZeroMemory(c.password, sizeof c.password);
            if (r == TV_UNZIP_OK &&
                std::find(extractedFrom.begin(), extractedFrom.end(), hit->download) == extractedFrom.end())
                extractedFrom.push_back(hit->download);
            return r;
        };
        hooks.continueAfter = [this](int code) { return ShowUnzipError(code, MB_YESNO, Window()) == IDYES; };
        hooks.progress = [this](uint32_t done) {
            SetMembersDone(done);
            ShowTotal(0);
        };
        hooks.cancelled = [this]() { return Cancelled(); };
        char* password = password_ ? password_->text : nullptr;
        const size_t size = password_ ? sizeof password_->text : 0;
        ExtractMembersOneByOne(members, password, size, hooks);
    }

private:
    const ArchiveSearchHit* HitOfMember(const ArchiveMember* member) const {
        for (const ArchiveSearchHit* hit : rows_)
            if (&hit->member == member) return hit;
        return nullptr;
    }

    const TZipSearchFileListObject& hits_;
    std::vector<const ArchiveSearchHit*> rows_;
    ExtractSettings settings_;
    ArchivePassword* password_;
    bool (*archiveOf_)(const TZipSearchFileListObject&, const ArchiveSearchHit&, char*, size_t);
    char folder_[TV_PATH_SIZE] = {};
};

// The stored file of a valid hit's download.
bool HitArchivePath(const TZipSearchFileListObject& hits, const ArchiveSearchHit& hit, char* out, size_t size) {
    if (out && size) out[0] = '\0';
    TProgramData* p = Program();
    const FileItem* file = HitDownload(hits, hit);
    if (!p || !file) return false;
    const StorageLocations locations = {p->standards.downloadsLocation, p->standards.shortcutsLocation};
    return p->downloads.FilePath(out, size, file, &p->categories, locations) == TV_FOLDER_OK;
}

}  // namespace

// ---------------------------------------------------------------- creation

TZipSearchResultWindow* TZipSearchResultWindow::Open(const TZipSearchFileListObject& hits) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance)) return nullptr;
    TZipSearchResultWindow* window = new TZipSearchResultWindow;
    hits.CopyTo(&window->hits_, 0);
    TProgramData* p = Program();
    window->hits_.SetDownloadList(p ? &p->downloads : hits.DownloadList());
    const int width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    const int height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(kIdsCaption), sizeof caption);
    openWindows.insert(window);
    HWND hwnd = window->CreateObjectWindow(0, TV_ZIPSEARCH_RESULT_CLASS, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                           x, y, width, height, nullptr, nullptr, instance);
    if (!hwnd) {
        // A window that got as far as its first message has deleted the object already.
        if (openWindows.erase(window)) delete window;
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return window;
}

TZipSearchResultWindow* TZipSearchResultWindow::FromWindow(HWND window) {
    if (!window) return nullptr;
    char name[64];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpA(name, TV_ZIPSEARCH_RESULT_CLASS) != 0) return nullptr;
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return nullptr;
    auto* self = static_cast<TZipSearchResultWindow*>(reinterpret_cast<TWindowBase*>(GetWindowLongPtrA(window, GWLP_USERDATA)));
    return openWindows.count(self) ? self : nullptr;
}

void TZipSearchResultWindow::CloseAll() {
    const std::set<TZipSearchResultWindow*> windows = openWindows;
    for (TZipSearchResultWindow* w : windows)
        if (openWindows.count(w) && w->hwnd_) DestroyWindow(w->hwnd_);
}

TZipSearchResultWindow::TZipSearchResultWindow() = default;

TZipSearchResultWindow::~TZipSearchResultWindow() {
    if (toolbarImages_) ImageList_Destroy(toolbarImages_);
    if (contextMenu_) DestroyMenu(contextMenu_);
}

void TZipSearchResultWindow::OnFinalMessage() {
    openWindows.erase(this);
    delete this;
}

void TZipSearchResultWindow::SetUp() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP, 0,
                               0, 0, 0, hwnd_, reinterpret_cast<HMENU>(INT_PTR(FR_ID_TOOLBAR)), instance, nullptr);
    if (toolbar_) {
        SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(18, 18));
        toolbarImages_ = LoadMaskedImageStrip(MAKEINTRESOURCEA(IDB_VIEWER_TOOLBAR), 18);
        if (toolbarImages_) SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_));
        TBBUTTON buttons[sizeof kToolbar / sizeof kToolbar[0]] = {};
        for (size_t i = 0; i < sizeof kToolbar / sizeof kToolbar[0]; ++i) {
            buttons[i].idCommand = kToolbar[i].command;
            buttons[i].iBitmap = kToolbar[i].command ? kToolbar[i].image : 0;
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = BYTE(kToolbar[i].command ? BTNS_BUTTON : BTNS_SEP);
        }
        SendMessageA(toolbar_, TB_ADDBUTTONSA, sizeof kToolbar / sizeof kToolbar[0], reinterpret_cast<LPARAM>(buttons));
        SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    }
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(INT_PTR(FR_ID_STATUS)), instance, nullptr);
    table_.Create(hwnd_, FR_ID_LIST);
    contextMenu_ = LoadMenuA(instance, "ZSRCONTEXTMENU");
    SetTimer(hwnd_, kTimerId, kTimerMs, nullptr);
    Layout();
    table_.Fill(hits_, true);
    UpdateCommandStates(true);
    UpdateStatusBar(true);
    if (table_.Window()) SetFocus(table_.Window());
}

void TZipSearchResultWindow::Layout() {
    RECT client;
    GetClientRect(hwnd_, &client);
    int top = 0;
    int bottom = client.bottom;
    if (toolbar_) {
        SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
        RECT r;
        GetWindowRect(toolbar_, &r);
        top = r.bottom - r.top;
    }
    if (status_) {
        SendMessageA(status_, WM_SIZE, 0, 0);
        RECT r;
        GetWindowRect(status_, &r);
        bottom -= r.bottom - r.top;
        int parts[2] = {client.right / 2, -1};
        SendMessageA(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    }
    if (table_.Window()) MoveWindow(table_.Window(), 0, top, client.right, bottom > top ? bottom - top : 0, TRUE);
}

// ---------------------------------------------------------------- messages

LRESULT TZipSearchResultWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SETFOCUS:
            if (table_.Window()) SetFocus(table_.Window());
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId && listChanged_) {
                listChanged_ = false;
                UpdateCommandStates(false);
                UpdateStatusBar(false);
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == table_.Window()) {
                ShowContextMenu(lParam);
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            PrepareMenu(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_ENTERMENULOOP:
            menuWindow = this;
            if (!menuHelpHook_)
                menuHelpHook_ = SetWindowsHookExA(WH_MSGFILTER, MenuHelpFilter, nullptr, GetCurrentThreadId());
            return 0;
        case WM_EXITMENULOOP:
            if (menuHelpHook_) UnhookWindowsHookEx(menuHelpHook_);
            menuHelpHook_ = nullptr;
            if (menuWindow == this) menuWindow = nullptr;
            return 0;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd_, kTimerId);
            if (menuHelpHook_) UnhookWindowsHookEx(menuHelpHook_);
            menuHelpHook_ = nullptr;
            if (menuWindow == this) menuWindow = nullptr;
            // The rows point into the hit list: the view forgets them first.
            table_.Clear();
            hits_.Clear();
            return 0;
        default:
            break;
    }
    return TWindowBase::HandleMessage(message, wParam, lParam);
}

LRESULT TZipSearchResultWindow::OnNotify(NMHDR* header) {
    if (!header) return 0;
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            CopyLimited(info->szText, LoadMessageText(UINT(header->idFrom) + IV_TOOLTIP_OFFSET), sizeof info->szText);
            info->lpszText = info->szText;
        }
        return 0;
    }
    if (header->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            MultiByteToWideChar(CP_ACP, 0, LoadMessageText(UINT(header->idFrom) + IV_TOOLTIP_OFFSET), -1, info->szText,
                                int(sizeof info->szText / sizeof info->szText[0]));
            info->szText[sizeof info->szText / sizeof info->szText[0] - 1] = 0;
            info->lpszText = info->szText;
        }
        return 0;
    }
    if (!table_.Window() || header->hwndFrom != table_.Window()) return 0;
    switch (header->code) {
        case LVN_GETDISPINFOA:
            table_.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header));
            return 0;
        case LVN_COLUMNCLICK:
            table_.SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            listChanged_ = true;
            return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            listChanged_ = true;
            return 0;
        case NM_DBLCLK:
        case NM_RETURN:
            OnCommand(IV_CM_OPEN);
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) OnCommand(IV_CM_DELETE);
            return 0;
        default:
            return 0;
    }
}

void TZipSearchResultWindow::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (!status_) return;
    if (flags == 0xFFFF && !menu) {
        SendMessageA(status_, SB_SIMPLE, FALSE, 0);
        menuItem_ = 0;
        return;
    }
    menuItem_ = (flags & (MF_POPUP | MF_SEPARATOR)) ? 0 : int(item);
    SendMessageA(status_, SB_SIMPLE, TRUE, 0);
    const char* text = menuItem_ ? LoadMessageText(UINT(menuItem_ + IV_STATUS_HELP_OFFSET)) : "";
    SendMessageA(status_, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text));
}

LRESULT CALLBACK TZipSearchResultWindow::MenuHelpFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && menuWindow &&
        menuWindow->menuItem_) {
        ViewerHelp(menuWindow->hwnd_, uint32_t(IV_HELP_COMMAND_BASE + menuWindow->menuItem_));
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TZipSearchResultWindow::PrepareMenu(HMENU menu) {
    if (!menu) return;
    UpdateCommandStates(false);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == UINT(-1) || id == 0) continue;
        const bool enabled = IsZipSearchCommandEnabled(int(id), stateMask_);
        const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        const bool greyed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
        if (greyed == enabled) EnableMenuItem(menu, UINT(i), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        if (id == IV_CM_OPEN) SetMenuDefaultItem(menu, IV_CM_OPEN, FALSE);
    }
}

void TZipSearchResultWindow::ShowContextMenu(LPARAM at) {
    HMENU popup = contextMenu_ ? GetSubMenu(contextMenu_, 0) : nullptr;
    if (!popup || !table_.Window()) return;
    const POINT point = ContextMenuPoint(table_.Window(), at);
    PrepareMenu(popup);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, hwnd_, nullptr);
}

// ---------------------------------------------------------------- state

void TZipSearchResultWindow::Refresh() {
    UpdateCommandStates(false);
    UpdateStatusBar(false);
}

void TZipSearchResultWindow::UpdateCommandStates(bool force) {
    const uint32_t state = ZipSearchStateMask(uint32_t(table_.RowCount()), uint32_t(table_.SelectedCount()));
    if (state == stateMask_ && !force) return;
    const uint32_t old = stateMask_;
    stateMask_ = state;
    if (!toolbar_) return;
    for (const auto& button : kToolbar) {
        if (!button.command) continue;
        const bool enabled = IsZipSearchCommandEnabled(button.command, state);
        if (force || enabled != IsZipSearchCommandEnabled(button.command, old))
            SendMessageA(toolbar_, TB_ENABLEBUTTON, WPARAM(button.command), MAKELPARAM(enabled ? TRUE : FALSE, 0));
    }
}

void TZipSearchResultWindow::UpdateStatusBar(bool force) {
    if (!status_) return;
    const uint32_t total = uint32_t(table_.RowCount());
    const uint32_t selected = uint32_t(table_.SelectedCount());
    uint64_t totalBytes = 0;
    for (const ArchiveSearchHit* hit : table_.AllHits()) totalBytes += hit->member.size;
    uint64_t selectedBytes = 0;
    if (selected == total) {
        selectedBytes = totalBytes;
    } else if (selected > 0) {
        for (const ArchiveSearchHit* hit : table_.SelectedHits()) selectedBytes += hit->member.size;
    }
    if (!force && statusValid_ && selected == shownSelected_ && selectedBytes == shownSelectedBytes_ &&
        total == shownTotal_ && totalBytes == shownTotalBytes_)
        return;
    char text[128];
    FormatMemberCountStatus(text, sizeof text, selected, selectedBytes, true);
    SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    FormatMemberCountStatus(text, sizeof text, total, totalBytes, false);
    SendMessageA(status_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    shownSelected_ = selected;
    shownSelectedBytes_ = selectedBytes;
    shownTotal_ = total;
    shownTotalBytes_ = totalBytes;
    statusValid_ = true;
}

bool TZipSearchResultWindow::ArchiveOf(const ArchiveSearchHit* hit, char* path, size_t size) const {
    return hit && HitArchivePath(hits_, *hit, path, size);
}

const ArchiveSearchHit* TZipSearchResultWindow::CurrentHit() const {
    const ArchiveSearchHit* hit = table_.FocusedHit();
    if (hit && table_.IsRowSelected(table_.RowOfHit(hit))) return hit;
    const std::vector<const ArchiveSearchHit*> selected = table_.SelectedHits();
    return selected.empty() ? hit : selected.front();
}

std::vector<const ArchiveSearchHit*> TZipSearchResultWindow::RowsToProcess(int what, const char* mask) const {
    char trimmed[TV_PATH_SIZE];
    CopyLimited(trimmed, mask ? mask : "", sizeof trimmed);
    TrimSpaces(trimmed, TV_TRIM_BOTH);
    return ZipSearchRowsToProcess(hits_, table_.AllHits(), table_.SelectedHits(), what, trimmed);
}

// ---------------------------------------------------------------- commands

void TZipSearchResultWindow::OnCommand(int id) {
    // A command that its states do not allow does nothing (keys and stale menus reach here too).
    UpdateCommandStates(false);
    if (!IsZipSearchCommandEnabled(id, stateMask_)) return;
    switch (id) {
        case IV_CM_OPEN:
            OpenMember();
            break;
        case IV_CM_EXTRACT:
            ExtractMembers();
            break;
        case IV_CM_DELETE:
            DeleteMembers();
            break;
        case IV_CM_PROPERTIES:
            ShowProperties(true);
            break;
        case IV_CM_CLOSE:
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
            break;
        case IV_CM_OPEN_ARCHIVE:
            OpenArchiveViewer();
            break;
        case IV_CM_COPY_ARCHIVE:
            CopyArchives();
            break;
        case IV_CM_ARCHIVE_PROPERTIES:
            ShowProperties(false);
            break;
        case IV_CM_SELECT_ALL:
        case IV_CM_SELECT_NONE:
        case IV_CM_SELECT_INVERT:
            if (id == IV_CM_SELECT_ALL) table_.SelectAll();
            if (id == IV_CM_SELECT_NONE) table_.SelectNone();
            if (id == IV_CM_SELECT_INVERT) table_.InvertSelection();
            listChanged_ = true;
            if (table_.Window()) SetFocus(table_.Window());
            break;
        case IV_CM_SELECT_SOME:
            SelectSome();
            break;
        case IV_CM_REFRESH:
            // The hits are not searched again: the view is filled anew from them.
            table_.Fill(hits_, false);
            UpdateCommandStates(true);
            UpdateStatusBar(true);
            break;
        case IV_CM_HELP_CONTENTS:
            ViewerHelp(hwnd_, 0);
            break;
        case IV_CM_HELP_USING:
            ShowHelpOnHelp(hwnd_);
            break;
        default:
            break;
    }
}

void TZipSearchResultWindow::OpenMember() {
    const ArchiveSearchHit* hit = table_.FocusedHit();
    if (!hit) return;
    char archive[TV_PATH_SIZE];
    if (!ArchiveOf(hit, archive, sizeof archive)) {
        // The download is gone: there is no archive to open the member from.
        ViewerMessage(hwnd_, IDS_IV_NOT_OPENED, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    OpenArchiveMemberCopy(hwnd_, archive, hit->member);
}

void TZipSearchResultWindow::ExtractMembers() {
    TProgramData* p = Program();
    if (!p) return;
    ExtractSettings settings = p->extract;
    if (!RunExtractDialog(hwnd_, &settings)) return;
    p->extract = settings;
    const std::vector<const ArchiveSearchHit*> rows = RowsToProcess(settings.what, settings.mask);
    if (rows.empty() || table_.SelectedCount() == 0) return;
    TZSExtractingDialog dialog(hits_, rows, settings, &p->password, HitArchivePath);
    dialog.Run(hwnd_);
    // The downloads whose members were written, while they are still in the download list.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    TvFileTime stamp;
    stamp.low = now.dwLowDateTime;
    stamp.high = now.dwHighDateTime;
    for (ListNode* download : dialog.extractedFrom) {
        if (!p->downloads.ContainsNode(download)) continue;
        FileItem* item = TFileListObject::Item(download);
        if (!item) continue;
        p->downloads.StampFileDates(item, 2, dialog.Folder(), stamp);
        NotifyDownloadChanged(download);
    }
    listChanged_ = true;
}

void TZipSearchResultWindow::DeleteMembers() {
    TProgramData* p = Program();
    if (!p) return;
    DeleteSettings settings = p->del;
    if (!RunDeleteDialog(hwnd_, &settings)) return;
    p->del = settings;
    const std::vector<const ArchiveSearchHit*> rows = RowsToProcess(settings.what, settings.mask);
    if (rows.empty() || table_.SelectedCount() == 0) return;
    TZipCommand* z = new TZipCommand;  // 20 KB of item list: not on the stack
    ResetZipCommand(z);
    TZipSearchDeleteHooks hooks;
    hooks.deleteMember = [this, z](const ArchiveSearchHit& hit) {
        char archive[TV_PATH_SIZE];
        if (!ArchiveOf(&hit, archive, sizeof archive)) return int(TV_ZIP_OPENFAILED);
        z->function = TV_ZIP_DELETE;
        CopyLimited(z->zipFile, archive, sizeof z->zipFile);
        StripQuotes(z->zipFile);
        z->itemList[0] = '\0';
        if (!AppendMemberToItemList(z->itemList, sizeof z->itemList, hit.member)) return int(TV_ZIP_BADPARAM);
        z->messageProc = DynaZipNoFeedbackMessageProc;
        const int r = RunZipCommand(z);
        // A member that is no longer in its archive is gone as well.
        return r == TV_ZIP_NOTHING ? int(TV_ZIP_OK) : r;
    };
    hooks.continueAfter = [this](int code) { return ShowZipError(code, MB_OKCANCEL, hwnd_) == IDOK; };
    const std::vector<const ArchiveSearchHit*> deleted = DeleteHitsOneByOne(rows, hooks);
    delete z;
    for (const ArchiveSearchHit* hit : deleted) {
        table_.RemoveHit(hit);
        hits_.DeleteNode(hits_.FindNode(hit));
    }
    UpdateCommandStates(true);
    UpdateStatusBar(true);
}

void TZipSearchResultWindow::ShowProperties(bool withMember) {
    const ArchiveSearchHit* hit = CurrentHit();
    char archive[TV_PATH_SIZE];
    if (!ArchiveOf(hit, archive, sizeof archive)) return;
    TViewerPropertiesData data;
    if (withMember) {
        data.member = &hit->member;
        data.memberIsSetup = hit->member.setup != 0;
    }
    data.archivePath = archive;
    // The archive's members, for the page's totals.
    LoadArchive(&archiveMembers_, archive);
    data.totals = ArchiveTotalsOf(archiveMembers_);
    RunViewerPropertiesSheet(hwnd_, data);
    archiveMembers_.Clear();
}

void TZipSearchResultWindow::OpenArchiveViewer() {
    const ArchiveSearchHit* hit = CurrentHit();
    char archive[TV_PATH_SIZE];
    if (!ArchiveOf(hit, archive, sizeof archive)) return;
    TTVInternalViewerWindow* viewer = TTVInternalViewerWindow::Open(archive, hit->download);
    if (viewer) SetForegroundWindow(viewer->Window());
}

void TZipSearchResultWindow::CopyArchives() {
    TProgramData* p = Program();
    if (!p) return;
    CopySettings settings = p->copy;
    if (!RunCopyDialog(hwnd_, &settings)) return;
    p->copy = settings;
    char destination[TV_PATH_SIZE];
    CopyLimited(destination, settings.destination, sizeof destination);
    StripQuotes(destination);
    if (settings.isFolder && !PathExists(destination)) CreateDirectoryPath(destination);
    uint32_t failed = 0;
    for (ListNode* download : ArchivesOfRows(hits_, table_.SelectedHits())) {
        const FileItem* file = TFileListObject::Item(download);
        const StorageLocations locations = {p->standards.downloadsLocation, p->standards.shortcutsLocation};
        char archive[TV_PATH_SIZE], target[TV_PATH_SIZE];
        // Into a folder the copy takes the download's file name; otherwise the file named.
        bool copied = p->downloads.FilePath(archive, sizeof archive, file, &p->categories, locations) == TV_FOLDER_OK;
        if (copied && settings.isFolder)
            copied = CopyTargetPath(file->fileName, destination, true, target, sizeof target) != 0;
        else if (copied)
            copied = CopyLimited(target, destination, sizeof target) == 0;
        if (!copied || !CopyArchiveFile(archive, target)) ++failed;
    }
    // A copy that did not happen is said so (the user would otherwise rely on a missing copy).
    if (failed) ViewerMessage(hwnd_, IDS_IV_COPY_FAILED, "Error", MB_OK | MB_ICONERROR);
}

void TZipSearchResultWindow::SelectSome() {
    RunSelectSomeDialog(hwnd_, [this](const char* mask, bool select) {
        table_.SelectMatching(mask, select);
        listChanged_ = true;
        UpdateCommandStates(false);
        UpdateStatusBar(false);
    });
}

bool TranslateZipSearchAccelerator(MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return false;
    HWND foreground = GetForegroundWindow();
    if (!TZipSearchResultWindow::FromWindow(foreground)) return false;
    if (msg->hwnd != foreground && !IsChild(foreground, msg->hwnd)) return false;
    // The viewer's keys; those of commands this window does not have do nothing here.
    if (!accelerators) accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), "IVACCS");
    return accelerators && TranslateAcceleratorA(foreground, accelerators, msg);
}
