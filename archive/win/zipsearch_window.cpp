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

constexpr UINT kDownloadChanged = WM_USER + 5;
constexpr uint32_t kIdsCaption = 3601;  // "Zip Search Result - Tolvane Plus"

std::set<TZipSearchResultWindow*> openWindows;

// Open | Extract | Delete, Properties | Copy, Archive properties (0 = separator).
const TToolbarButton kToolbar[] = {
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
    if (!RegisterFrameClass(instance, TV_ZIPSEARCH_RESULT_CLASS, IDI_ARCHIVE, "ZIPSEARCHRESULTMENU")) return nullptr;
    TZipSearchResultWindow* window = new TZipSearchResultWindow;
    hits.CopyTo(&window->hits_, 0);
    TProgramData* p = Program();
    window->hits_.SetDownloadList(p ? &p->downloads : hits.DownloadList());
    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(kIdsCaption), sizeof caption);
    openWindows.insert(window);
    HWND hwnd = window->CreateCentredWindow(TV_ZIPSEARCH_RESULT_CLASS, caption);
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
    auto* self = static_cast<TZipSearchResultWindow*>(MemberListObjectOf(window, TV_ZIPSEARCH_RESULT_CLASS));
    return openWindows.count(self) ? self : nullptr;
}

void TZipSearchResultWindow::CloseAll() {
    const std::set<TZipSearchResultWindow*> windows = openWindows;
    for (TZipSearchResultWindow* w : windows)
        if (openWindows.count(w) && w->hwnd_) DestroyWindow(w->hwnd_);
}

TZipSearchResultWindow::TZipSearchResultWindow() : TMemberListWindow(kToolbar, TV_COUNTOF(kToolbar)) {}

TZipSearchResultWindow::~TZipSearchResultWindow() = default;

void TZipSearchResultWindow::OnFinalMessage() {
    openWindows.erase(this);
    delete this;
}

void TZipSearchResultWindow::SetUp() {
    CreateFrame(FR_ID_TOOLBAR, FR_ID_STATUS, FR_ID_LIST, "ZSRCONTEXTMENU");
    Layout();
    table_.Fill(hits_, true);
    UpdateCommandStates(true);
    UpdateStatusBar(true);
    if (table_.Window()) SetFocus(table_.Window());
}

// ---------------------------------------------------------------- messages

LRESULT TZipSearchResultWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case WM_DESTROY:
            StopFrame();
            // The rows point into the hit list: the view forgets them first.
            table_.Clear();
            hits_.Clear();
            return 0;
        default:
            break;
    }
    return TMemberListWindow::HandleMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------- state

uint32_t TZipSearchResultWindow::CurrentCommandState() const {
    return ZipSearchStateMask(uint32_t(table_.RowCount()), uint32_t(table_.SelectedCount()));
}

bool TZipSearchResultWindow::IsCommandEnabled(int id, uint32_t state) const { return IsZipSearchCommandEnabled(id, state); }

void TZipSearchResultWindow::UpdateStatusBar(bool force) {
    if (!StatusBar()) return;
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
    ShowCounts(selected, selectedBytes, total, totalBytes, force);
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

void TZipSearchResultWindow::RunCommand(int id) {
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
        case IV_CM_OPEN_ARCHIVE:
            OpenArchiveViewer();
            break;
        case IV_CM_COPY_ARCHIVE:
            CopyArchives();
            break;
        case IV_CM_ARCHIVE_PROPERTIES:
            ShowProperties(false);
            break;
        case IV_CM_REFRESH:
            // The hits are not searched again: the view is filled anew from them.
            table_.Fill(hits_, false);
            UpdateCommandStates(true);
            UpdateStatusBar(true);
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

bool TranslateZipSearchAccelerator(MSG* msg) {
    // The viewer's keys; those of commands this window does not have do nothing here.
    return TranslateMemberListKey(msg, [](HWND window) { return TZipSearchResultWindow::FromWindow(window) != nullptr; });
}
