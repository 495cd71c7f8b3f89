// The internal viewer window.
#include "archive/win/viewer_window.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "archive/archivelist.h"
#include "archive/viewer_ids.h"
#include "archive/viewer_logic.h"
#include "archive/win/filestatus.h"
#include "archive/win/install.h"
#include "archive/win/tempfiles.h"
#include "archive/win/viewer_dialogs.h"
#include "archive/win/viewer_drop.h"
#include "archive/win/viewer_util.h"
#include "archive/zipengine.h"
#include "database/programdata.h"
#include "resources/resource_ids.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/win_menus.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

// Posted to itself after a drop: the dialog runs once the drop has returned.
constexpr UINT kRunDropDialog = WM_APP + 1;
constexpr UINT kDownloadChanged = WM_USER + 5;

TViewerEnvironment environment;
// The text handed over by SendArchiveExchange.
const char* exchangeText = nullptr;

// Toolbar: Open | Add, Extract | Delete, Properties | New, Open archive, Copy, Archive
// properties | Install (0 = separator).
const TToolbarButton kToolbar[] = {
    {IV_CM_OPEN, IVTB_IMAGE_OPEN},
    {0, 0},
    {IV_CM_ADD, IVTB_IMAGE_ADD},
    {IV_CM_EXTRACT, IVTB_IMAGE_EXTRACT},
    {0, 0},
    {IV_CM_DELETE, IVTB_IMAGE_DELETE},
    {IV_CM_PROPERTIES, IVTB_IMAGE_PROPERTIES},
    {0, 0},
    {IV_CM_NEW_ARCHIVE, IVTB_IMAGE_NEW_ARCHIVE},
    {IV_CM_OPEN_ARCHIVE, IVTB_IMAGE_OPEN_ARCHIVE},
    {IV_CM_COPY_ARCHIVE, IVTB_IMAGE_COPY_ARCHIVE},
    {IV_CM_ARCHIVE_PROPERTIES, IVTB_IMAGE_ARCHIVE_PROPERTIES},
    {0, 0},
    {IV_CM_INSTALL, IVTB_IMAGE_INSTALL},
};

TProgramData* Program() { return environment.program; }

bool PathExists(const char* path) { return path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

int ZipFunctionOf(int action) {
    switch (action) {
        case 1: return TV_ZIP_UPDATE;
        case 2: return TV_ZIP_FRESHEN;
        default: return TV_ZIP_ADD;  // 0 add and replace, 3 move (add, then delete the sources)
    }
}

// The add job under the progress dialog "Zipping": one engine call.
class TIVAddingDialog : public TFileOperationStatusDialog {
public:
    explicit TIVAddingDialog(TZipCommand* command) : TFileOperationStatusDialog(3210), command_(command) {}
    int result = TV_ZIP_CANCELLED;

protected:
    void RunJob() override {
        command_->messageProc = DynaZipNoFeedbackMessageProc;
        command_->minorStatus = FileOperationMinorStatusProc;
        command_->majorStatus = FileOperationMajorStatusProc;
        command_->userValue = uintptr_t(static_cast<TFileOperationStatusDialog*>(this));
        result = RunZipCommand(command_);
    }

private:
    TZipCommand* command_;
};

// The extraction job under the progress dialog "Unzipping".
class TIVExtractingDialog : public TFileOperationStatusDialog {
public:
    TIVExtractingDialog(const char* archive, const ExtractSettings& settings, ArchivePassword* password,
                        std::vector<const ArchiveMember*> members)
        : TFileOperationStatusDialog(3211),
          archive_(archive),
          settings_(settings),
          password_(password),
          members_(std::move(members)) {
        CopyLimited(folder_, settings.folder, sizeof folder_);
        StripQuotes(folder_);
    }

    const char* Folder() const { return folder_; }
    uint32_t extracted = 0;

protected:
    void Prepare(TUnzipCommand* c) {
        ResetUnzipCommand(c);
        c->function = TV_UNZIP_EXTRACT;
        CopyLimited(c->zipFile, archive_, sizeof c->zipFile);
        CopyLimited(c->destination, folder_, sizeof c->destination);
        c->overwrite = settings_.overwrite ? 1 : 0;
        c->skipOlder = settings_.skipOlder ? 1 : 0;
        c->ignoreFolders = settings_.useFolders ? 0 : 1;
        c->messageProc = DynaZipNoFeedbackMessageProc;
        c->minorStatus = FileOperationMinorStatusProc;
        c->majorStatus = FileOperationMajorStatusProc;
        c->userValue = uintptr_t(static_cast<TFileOperationStatusDialog*>(this));
    }

    void RunJob() override {
        if (settings_.what == 0) {
            RunSelected();
            return;
        }
        TUnzipCommand c;
        Prepare(&c);
        CopyLimited(c.fileSpec, settings_.what == 2 ? settings_.mask : "*.*", sizeof c.fileSpec);
        TrimSpaces(c.fileSpec, TV_TRIM_BOTH);
        if (password_ && password_->text[0]) CopyLimited(c.password, password_->text, sizeof c.password);
        const int r = RunUnzipCommand(&c);
        SecureZeroMemory(c.password, sizeof c.password);
        if (r == TV_UNZIP_OK || r == TV_UNZIP_SKIPPED || r == TV_UNZIP_RENAMED) extracted = c.count;
        if (r && r != TV_UNZIP_CANCELLED) ShowUnzipError(r, MB_OK, Window());
    }

    void RunSelected() {
        SetMemberCount(uint32_t(members_.size()));
        TMemberExtractHooks hooks;
        hooks.askPassword = [this](char*, size_t) {
            if (password_) RunPasswordDialog(Window(), password_);
        };
        hooks.extract = [this](const ArchiveMember& m, const char* password) {
            TUnzipCommand c;
            Prepare(&c);
            c.memberIndex = int32_t(m.index);
            CopyLimited(c.password, password, sizeof c.password);
            const int r = RunUnzipCommand(&c);
            SecureZeroMemory(c.password, sizeof c.password);
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
        const TMemberExtractResult result = ExtractMembersOneByOne(members_, password, size, hooks);
        extracted = result.extracted;
        if (result.renamed) ShowUnzipError(TV_UNZIP_RENAMED, MB_OK, Window());
    }

private:
    const char* archive_;
    ExtractSettings settings_;
    ArchivePassword* password_;
    std::vector<const ArchiveMember*> members_;
    char folder_[TV_PATH_SIZE] = {};
};

}  // namespace

void SetViewerEnvironment(const TViewerEnvironment& e) { environment = e; }

uint32_t RunViewerExtraction(HWND owner, const char* archive, const ExtractSettings& settings, ArchivePassword* password,
                             const std::vector<const ArchiveMember*>& selected) {
    TIVExtractingDialog dialog(archive, settings, password, selected);
    dialog.Run(owner);
    return dialog.extracted;
}
const TViewerEnvironment& ViewerEnvironment() { return environment; }

LRESULT SendArchiveExchange(HWND viewer, int op, char* text) {
    const char* previous = exchangeText;
    exchangeText = text;
    const LRESULT result = SendMessageA(viewer, IV_WM_ARCHIVE_EXCHANGE, WPARAM(op), reinterpret_cast<LPARAM>(text));
    exchangeText = previous;
    return result;
}

bool TranslateViewerAccelerator(MSG* msg) {
    return TranslateMemberListKey(msg, [](HWND window) { return TTVInternalViewerWindow::FromWindow(window) != nullptr; });
}

// ---------------------------------------------------------------- creation

bool TTVInternalViewerWindow::RegisterWindowClass(HINSTANCE instance) {
    return RegisterFrameClass(instance, TV_VIEWER_CLASS, IDI_ARCHIVE, "INTERNALVIEWERMENU");
}

TTVInternalViewerWindow* TTVInternalViewerWindow::Open(const char* archive, ListNode* download) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance)) return nullptr;
    TTVInternalViewerWindow* viewer = new TTVInternalViewerWindow(archive, download);
    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(IDS_IV_CAPTION), sizeof caption);
    bool finalRan = false;
    viewer->finalFlag_ = &finalRan;
    HWND hwnd = viewer->CreateCentredWindow(TV_VIEWER_CLASS, caption);
    if (!hwnd) {
        // A window that got as far as its first message has deleted the viewer already.
        if (!finalRan) delete viewer;
        return nullptr;
    }
    viewer->finalFlag_ = nullptr;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return viewer;
}

TTVInternalViewerWindow* TTVInternalViewerWindow::FromWindow(HWND window) {
    return static_cast<TTVInternalViewerWindow*>(MemberListObjectOf(window, TV_VIEWER_CLASS));
}

TTVInternalViewerWindow::TTVInternalViewerWindow(const char* archive, ListNode* download)
    : TMemberListWindow(kToolbar, TV_COUNTOF(kToolbar)), download_(download) {
    CopyLimited(archive_, archive ? archive : "", sizeof archive_);
    StripQuotes(archive_);
    ClearPassword();
}

TTVInternalViewerWindow::~TTVInternalViewerWindow() = default;

void TTVInternalViewerWindow::OnFinalMessage() {
    if (finalFlag_) *finalFlag_ = true;
    delete this;
}

void TTVInternalViewerWindow::SetUp() {
    CreateFrame(IV_ID_TOOLBAR, IV_ID_STATUS, IV_ID_LIST, "IVCONTEXTMENU");
    // Dropped files: OLE drop targets on the window and the list; without OLE, the shell's
    // file-drop messages.
    dropTarget_ = CreateViewerDropTarget(hwnd_);
    const bool ole = RegisterDragDrop(hwnd_, dropTarget_) == S_OK;
    if (ole && table_.Window()) RegisterDragDrop(table_.Window(), dropTarget_);
    if (!ole) DragAcceptFiles(hwnd_, TRUE);
    Layout();
    Reload(true);
    if (table_.Window()) SetFocus(table_.Window());
}

// ---------------------------------------------------------------- messages

LRESULT TTVInternalViewerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case WM_CLOSE:
            if (CloseCheck()) DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            StopFrame();
            if (dropTarget_) {
                RevokeDragDrop(hwnd_);
                if (table_.Window()) RevokeDragDrop(table_.Window());
                dropTarget_->Release();
                dropTarget_ = nullptr;
            }
            ClearPassword();
            // The rows point into the member list: the list view forgets them first.
            table_.Clear();
            members_.Clear();
            return 0;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            std::vector<std::string> names;
            const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                char name[TV_PATH_SIZE] = {};
                const UINT n = DragQueryFileA(drop, i, name, sizeof name);
                if (n > 0 && n < sizeof name) names.emplace_back(name);
            }
            DragFinish(drop);
            AddDroppedFiles(names);
            return 0;
        }
        case IV_WM_FILES_DROPPED: {
            IDataObject* data = reinterpret_cast<IDataObject*>(lParam);
            // Only a data object our own drop target hands over is a pointer of this process.
            if (!IsDroppedDataHandedOver(data)) return 0;
            OnFilesDropped(data);
            return 1;
        }
        case kRunDropDialog: {
            std::vector<std::string> names;
            names.swap(pendingDrop_);
            if (!names.empty()) AddDroppedFiles(names);
            return 0;
        }
        case IV_WM_ARCHIVE_EXCHANGE: {
            char* text = reinterpret_cast<char*>(lParam);
            if (!text || text != exchangeText) return 0;  // not sent by SendArchiveExchange
            if (wParam == 0) {
                CopyLimited(text, archive_, TV_PATH_SIZE);
                return 1;
            }
            char path[TV_PATH_SIZE];
            CopyLimited(path, text, sizeof path);
            StripQuotes(path);
            SwitchArchive(path, !PathExists(path));
            Reload(true);
            return 1;
        }
        default:
            break;
    }
    return TMemberListWindow::HandleMessage(message, wParam, lParam);
}

LRESULT TTVInternalViewerWindow::OnNotify(NMHDR* header) {
    // A double click opens the member only when Open is enabled as last shown.
    if (header && header->code == NM_DBLCLK && table_.Window() && header->hwndFrom == table_.Window()) {
        if (IsViewerCommandEnabled(IV_CM_OPEN, CommandState())) OpenMember();
        return 0;
    }
    return TMemberListWindow::OnNotify(header);
}

// ---------------------------------------------------------------- state

uint32_t TTVInternalViewerWindow::CurrentCommandState() const {
    return ViewerStateMask(archive_[0] != '\0', uint32_t(table_.RowCount()), uint32_t(table_.SelectedCount()),
                           setup_ != nullptr);
}

bool TTVInternalViewerWindow::IsCommandEnabled(int id, uint32_t state) const { return IsViewerCommandEnabled(id, state); }

void TTVInternalViewerWindow::UpdateStatusBar(bool force) {
    if (!StatusBar()) return;
    const uint32_t total = uint32_t(table_.RowCount());
    const uint32_t selected = uint32_t(table_.SelectedCount());
    uint64_t totalBytes = 0;
    for (const ListNode* node = members_.First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (m) totalBytes += m->size;
    }
    uint64_t selectedBytes = 0;
    if (selected == total) {
        selectedBytes = totalBytes;
    } else if (selected > 0) {
        for (const ArchiveMember* m : table_.SelectedMembers()) selectedBytes += m->size;
    }
    ShowCounts(selected, selectedBytes, total, totalBytes, force);
}

void TTVInternalViewerWindow::ClearPassword() {
    TProgramData* p = Program();
    if (p) SecureZeroMemory(p->password.text, sizeof p->password.text);
}

void TTVInternalViewerWindow::SwitchArchive(const char* path, bool isNew) {
    CopyLimited(archive_, path ? path : "", sizeof archive_);
    StripQuotes(archive_);
    download_ = nullptr;
    newArchive_ = isNew && archive_[0];
    ClearPassword();
}

void TTVInternalViewerWindow::Reload(bool rebuildIcons) {
    char caption[TV_PATH_SIZE + TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(IDS_IV_CAPTION), sizeof caption);
    setup_ = nullptr;
    // The view lets go of the old members before the list is refilled.
    table_.Clear();
    if (archive_[0]) {
        const int r = LoadArchive(&members_, archive_);
        if (r == 0 || newArchive_) {
            if (r != 0) members_.Clear();
            TProgramData* p = Program();
            if (p && p->viewer.recentDocuments && !download_ && (r == 0 || PathExists(archive_)))
                SHAddToRecentDocs(SHARD_PATHA, archive_);
            setup_ = FindSetupMember(&members_);
        } else {
            members_.Clear();
            ShowUnzipError(r, MB_OK, hwnd_);
            archive_[0] = '\0';
            newArchive_ = false;
            download_ = nullptr;
        }
    } else {
        members_.Clear();
    }
    if (archive_[0]) {
        AppendLimited(caption, " - ", sizeof caption);
        AppendLimited(caption, FileNamePart(archive_), sizeof caption);
    }
    SetWindowTextA(hwnd_, caption);
    table_.Fill(members_, setup_, rebuildIcons);
    UpdateCommandStates(true);
    UpdateStatusBar(true);
}

bool TTVInternalViewerWindow::CloseCheck() {
    if (!archive_[0] || !newArchive_) return true;
    return ViewerMessage(hwnd_, IDS_IV_NEW_NOT_SAVED, "Question", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// ---------------------------------------------------------------- commands

void TTVInternalViewerWindow::RunCommand(int id) {
    TProgramData* p = Program();
    switch (id) {
        case IV_CM_OPEN:
            OpenMember();
            break;
        case IV_CM_ADD:
            AddFiles();
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
        case IV_CM_NEW_ARCHIVE:
            NewArchive();
            break;
        case IV_CM_OPEN_ARCHIVE:
            OpenArchive();
            break;
        case IV_CM_CLOSE_ARCHIVE:
            CloseArchive();
            break;
        case IV_CM_COPY_ARCHIVE:
            CopyArchive();
            break;
        case IV_CM_ARCHIVE_PROPERTIES:
            ShowProperties(false);
            break;
        case IV_CM_PASSWORD:
            if (p) RunPasswordDialog(hwnd_, &p->password);
            break;
        case IV_CM_INSTALL:
            InstallArchive(hwnd_, &members_, archive_, p ? &p->tempFiles : nullptr);
            break;
        case IV_CM_REFRESH:
            if (archive_[0]) Reload(false);
            break;
        case IV_CM_PREFERENCES:
            if (p) RunViewerPreferences(hwnd_, &p->viewer);
            break;
        default:
            break;
    }
}

void TTVInternalViewerWindow::OpenMember() {
    if (!archive_[0]) return;
    const ArchiveMember* m = table_.FocusedMember();
    if (!m) return;
    OpenArchiveMemberCopy(hwnd_, archive_, *m);
}

bool OpenArchiveMemberCopy(HWND owner, const char* archive, const ArchiveMember& member) {
    const ArchiveMember* m = &member;
    TProgramData* p = Program();
    // Each copy gets a folder of its own: two viewers, or a file of that name already in the
    // temporary folder, never meet.
    char folder[TV_PATH_SIZE];
    if (!MakePrivateTempFolder(folder, sizeof folder)) {
        ViewerMessage(owner, IDS_IV_TEMP_FAILED, "Error", MB_OK | MB_ICONERROR);
        return false;
    }
    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_EXTRACT;
    CopyLimited(c.zipFile, archive, sizeof c.zipFile);
    CopyLimited(c.destination, folder, sizeof c.destination);
    c.memberIndex = int32_t(m->index);
    c.overwrite = 1;
    c.ignoreFolders = 1;
    c.messageProc = DynaZipNoFeedbackMessageProc;
    // An encrypted member opens with the password the user set (without one it cannot open).
    if ((m->attributes & TV_MEMBER_ENCRYPTED) && p) CopyLimited(c.password, p->password.text, sizeof c.password);
    const int r = RunUnzipCommand(&c);
    SecureZeroMemory(c.password, sizeof c.password);
    char relative[TV_PATH_SIZE] = {};
    const bool named = SafeMemberPath(m->name, '\\', relative, sizeof relative) != 0;
    // The engine names the file it wrote: a member whose true name has no ANSI form is reached
    // by its short name, not by the ANSI form the list shows.
    std::string path = r == 0 && c.writtenPath[0] ? std::string(c.writtenPath) : std::string(folder) + relative;
    if (p) {
        if (named) AddTempFileEntry(&p->tempFiles, path.c_str(), TV_TEMP_FILE);
        AddTempFileEntry(&p->tempFiles, folder, TV_TEMP_FOLDER);
    }
    if (r != 0 || !named || !PathExists(path.c_str())) {
        ShowUnzipError(r ? r : TV_UNZIP_OUTPUTFAILED, MB_OK, owner);
        if (p) {
            TTempFileListObject mine;
            AddTempFileEntry(&mine, path.c_str(), TV_TEMP_FILE);
            AddTempFileEntry(&mine, folder, TV_TEMP_FOLDER);
            CleanTempFileList(&mine, TV_CLEAN_FILES, true);
            CleanTempFileList(&mine, TV_CLEAN_FOLDERS, true);
        } else {
            RemoveDirectoryA(folder);
        }
        return false;
    }
    if (IsZipName(m->name)) {
        TTVInternalViewerWindow* inner = TTVInternalViewerWindow::Open(path.c_str(), nullptr);
        if (inner) SetForegroundWindow(inner->Window());
        return inner != nullptr;
    }
    if (!OpenFileByType(owner, path.c_str())) {
        ViewerMessage(owner, IDS_IV_NOT_OPENED, "Error", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TTVInternalViewerWindow::RunAddJob(const std::vector<std::string>& names, bool fromDialog) {
    TProgramData* p = Program();
    if (!p || !archive_[0]) return;
    const AddSettings& s = p->add;
    TZipCommand* z = new TZipCommand;  // 20 KB of item list: not on the stack
    ResetZipCommand(z);
    z->function = ZipFunctionOf(s.action);
    z->deleteSources = s.action == 3 ? 1 : 0;
    CopyLimited(z->zipFile, archive_, sizeof z->zipFile);
    const size_t taken = BuildPathItemList(z->itemList, sizeof z->itemList, names);
    z->level = s.level >= 0 && s.level <= 9 ? s.level : 9;
    z->shortNames = s.shortNames ? 1 : 0;
    z->clearArchive = s.resetArchiveBit ? 1 : 0;
    z->noFolderNames = s.saveFolders ? 0 : 1;
    if (fromDialog) {
        z->recurse = s.recurse ? 1 : 0;
        z->systemHidden = s.systemAndHidden ? 1 : 0;
        z->archiveOnly = s.archiveBitOnly ? 1 : 0;
    }
    CopyLimited(z->password, p->password.text, sizeof z->password);
    if (taken > 0) {
        TIVAddingDialog dialog(z);
        const int r = dialog.Run(hwnd_) == 1 ? dialog.result : TV_ZIP_BADPARAM;
        // "Nothing to do" (no file matched the options) is no failure.
        if (r && r != TV_ZIP_NOTHING && r != TV_ZIP_CANCELLED) ShowZipError(r, MB_OK, hwnd_);
    }
    SecureZeroMemory(z->password, sizeof z->password);
    delete z;
    if (PathExists(archive_)) newArchive_ = false;
    Reload(true);
}

void TTVInternalViewerWindow::AddFiles() {
    TProgramData* p = Program();
    if (!archive_[0] || !p) return;
    std::vector<std::string> files;
    if (!RunAddFilesDialog(hwnd_, &p->add, &p->password, hwnd_, &files)) return;
    RunAddJob(files, true);
}

void TTVInternalViewerWindow::OnFilesDropped(IDataObject* data) {
    std::vector<std::string> names = DroppedFileNames(data);
    if (names.empty()) return;
    pendingDrop_ = names;
    PostMessageA(hwnd_, kRunDropDialog, 0, 0);
}

void TTVInternalViewerWindow::AddDroppedFiles(const std::vector<std::string>& names) {
    TProgramData* p = Program();
    if (!p || names.empty()) return;
    TDragDropParams params;
    params.viewer = hwnd_;
    char text[TV_PATH_SIZE];
    FormatDroppedText(text, sizeof text, names);
    params.droppedText = text;
    params.settings = &p->add;
    params.password = &p->password;
    if (!RunDragDropDialog(hwnd_, &params)) return;
    RunAddJob(names, false);
}

void TTVInternalViewerWindow::ExtractMembers() {
    TProgramData* p = Program();
    if (!archive_[0] || !p) return;
    ExtractSettings settings = p->extract;
    if (!RunExtractDialog(hwnd_, &settings)) return;
    p->extract = settings;
    std::vector<const ArchiveMember*> members;
    if (settings.what == 0) members = table_.SelectedMembers();
    if (RunViewerExtraction(hwnd_, archive_, settings, &p->password, members) > 0) {
        char folder[TV_PATH_SIZE];
        CopyLimited(folder, settings.folder, sizeof folder);
        StripQuotes(folder);
        NotifyDownloadExtracted(folder);
    }
}

void TTVInternalViewerWindow::NotifyDownloadExtracted(const char* folder) {
    TProgramData* p = Program();
    if (!p || !download_ || !p->downloads.ContainsNode(download_)) return;
    FileItem* item = TFileListObject::Item(download_);
    if (!item) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    TvFileTime stamp;
    stamp.low = now.dwLowDateTime;
    stamp.high = now.dwHighDateTime;
    p->downloads.StampFileDates(item, 2, folder, stamp);
    if (environment.mainWindow) SendMessageA(environment.mainWindow, kDownloadChanged, 0, reinterpret_cast<LPARAM>(download_));
}

void TTVInternalViewerWindow::DeleteMembers() {
    TProgramData* p = Program();
    if (!archive_[0] || !p) return;
    DeleteSettings settings = p->del;
    if (!RunDeleteDialog(hwnd_, &settings)) return;
    p->del = settings;
    TZipCommand* z = new TZipCommand;
    ResetZipCommand(z);
    z->function = TV_ZIP_DELETE;
    CopyLimited(z->zipFile, archive_, sizeof z->zipFile);
    if (settings.what == 2) {
        char mask[TV_PATH_SIZE];
        CopyLimited(mask, settings.mask, sizeof mask);
        TrimSpaces(mask, TV_TRIM_BOTH);
        CopyLimited(z->itemList, mask, sizeof z->itemList);
    } else {
        const std::vector<const ArchiveMember*> members =
            settings.what == 1 ? table_.AllMembers() : table_.SelectedMembers();
        for (const ArchiveMember* m : members) AppendMemberToItemList(z->itemList, sizeof z->itemList, *m);
    }
    if (z->itemList[0]) {
        const int r = RunZipWithProgress(hwnd_, z);
        if (r && r != TV_ZIP_NOTHING && r != TV_ZIP_CANCELLED) ShowZipError(r, MB_OK, hwnd_);
    }
    delete z;
    Reload(false);
}

void TTVInternalViewerWindow::ShowProperties(bool withMember) {
    if (!archive_[0]) return;
    TViewerPropertiesData data;
    if (withMember) {
        data.member = table_.FocusedMember();
        if (!data.member) {
            const std::vector<const ArchiveMember*> selected = table_.SelectedMembers();
            if (!selected.empty()) data.member = selected.front();
        }
        if (!data.member) return;
        data.memberIsSetup = data.member == setup_;
    }
    data.archivePath = archive_;
    data.totals = ArchiveTotalsOf(members_);
    RunViewerPropertiesSheet(hwnd_, data);
}

void TTVInternalViewerWindow::NewArchive() {
    char file[TV_PATH_SIZE] = {};
    const std::string filter = DialogFilter(IDS_IV_FILTER_ARCHIVES);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_IV_NEW_ARCHIVE), sizeof title);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "zip";
    ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&ofn)) return;
    StripQuotes(file);
    if (!file[0]) return;
    SwitchArchive(file, true);
    // An existing file the user chose to overwrite becomes an empty archive now; a new name gets
    // its file with the first files added (closing before that leaves nothing behind).
    if (PathExists(archive_)) {
        const int r = CreateEmptyArchive(archive_, nullptr);
        if (r && r != TV_ZIP_NOTHING) ShowZipError(r, MB_OK, hwnd_);
        newArchive_ = false;
    }
    Reload(false);
}

void TTVInternalViewerWindow::OpenArchive() {
    char file[TV_PATH_SIZE] = {};
    char folder[TV_PATH_SIZE] = {};
    if (archive_[0]) {
        CopyLimited(folder, archive_, sizeof folder);
        char* name = const_cast<char*>(FileNamePart(folder));
        *name = '\0';
    }
    const std::string filter = DialogFilter(IDS_IV_FILTER_ARCHIVES);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_IV_SELECT_ARCHIVE), sizeof title);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "zip";
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&ofn)) return;
    SwitchArchive(file, false);
    Reload(true);
}

void TTVInternalViewerWindow::CloseArchive() {
    if (!CloseCheck()) return;
    SwitchArchive("", false);
    Reload(false);
}

bool CopyArchiveFile(const char* archive, const char* target) {
    if (!CopyFileA(archive, target, FALSE)) return false;
    HANDLE source = CreateFileA(archive, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    HANDLE copy = CreateFileA(target, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    FILETIME created, accessed, written;
    if (source != INVALID_HANDLE_VALUE && copy != INVALID_HANDLE_VALUE && GetFileTime(source, &created, &accessed, &written))
        SetFileTime(copy, &created, &accessed, &written);
    if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
    if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
    SetFileAttributesA(target, FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

void TTVInternalViewerWindow::CopyArchive() {
    TProgramData* p = Program();
    if (!archive_[0] || !p) return;
    CopySettings settings = p->copy;
    if (!RunCopyDialog(hwnd_, &settings)) return;
    p->copy = settings;
    char destination[TV_PATH_SIZE];
    CopyLimited(destination, settings.destination, sizeof destination);
    StripQuotes(destination);
    if (settings.isFolder && !PathExists(destination)) CreateDirectoryPath(destination);
    char target[TV_PATH_SIZE];
    const bool copied = CopyTargetPath(archive_, destination, settings.isFolder != 0, target, sizeof target) &&
                        CopyArchiveFile(archive_, target);
    // A copy that did not happen is said so (the user would otherwise rely on a missing backup).
    if (!copied) ViewerMessage(hwnd_, IDS_IV_COPY_FAILED, "Error", MB_OK | MB_ICONERROR);
}

