// The intake routine: a file becomes a download in a category and its file moves or is copied
// into the category's folder; or a download's properties are edited.
#include "intake/win_intake.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "archive/archivelist.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "intake/description.h"
#include "intake/win_addedit.h"
#include "intake/win_filecopy.h"
#include "intake/win_install.h"
#include "util/cmdline.h"
#include "util/path.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_files.h"
#include "util/win_registry.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

constexpr char kCaptionError[] = "Error";
constexpr char kCaptionQuestion[] = "Question";
constexpr char kTempUrlKey[] = "Software\\Netscape\\Netscape Navigator\\Temporary File URL Resolution";
constexpr char kFallbackName[] = "unknown";

StorageLocations Locations(const TProgramData* p) {
    return StorageLocations{p->standards.downloadsLocation, p->standards.shortcutsLocation};
}

TvFileTime Now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    TvFileTime t;
    t.low = ft.dwLowDateTime;
    t.high = ft.dwHighDateTime;
    return t;
}

const CategoryItem* CategoryOf(const TProgramData* p, const ListNode* node) {
    if (!node || !p->categories.IsNodeValid(node, 1)) return nullptr;
    return TCategoryListObject::Item(node);
}

// Removes a download that a new one replaces (answer Yes to 3500): its stored file, then its
// record and row. A stored file that is the very file being brought in stays on disk.
void DeleteReplacedDownload(const TIntakeContext& context, ListNode* node, const char* incoming) {
    TProgramData* p = context.program;
    FileItem* item = TFileListObject::Item(node);
    if (item->flags & TV_FILE_EXISTS) {
        char stored[TV_PATH_SIZE];
        if (p->downloads.FilePath(stored, sizeof stored, item, &p->categories, Locations(p)) == TV_FOLDER_OK &&
            !(incoming && incoming[0] && ComparePaths(stored, incoming, 1, 1))) {
            SetFileAttributesA(stored, FILE_ATTRIBUTE_ARCHIVE);
            if (!DeleteFileA(stored) && GetFileAttributesA(stored) != INVALID_FILE_ATTRIBUTES) {
                if (IntakeMessageBox(context, LoadMessageText(TV_IDS_FILE_NOT_DELETED), kCaptionError,
                                     MB_YESNO | MB_ICONERROR) != IDYES)
                    return;
            }
        }
    }
    if (context.hooks.removeDownloadRow) context.hooks.removeDownloadRow(node, context.hooks.context);
    p->downloads.DeleteNode(node);
}

int RunDialog(const TIntakeContext& context, TFileAddEditParams* params) {
    if (context.responder && context.responder->addEditDialog)
        return context.responder->addEditDialog(context.owner, params, context.responder->context);
    TFileAddEditDialog dialog(params);
    return dialog.Run(context.owner);
}

}  // namespace

int IntakeMessageBox(const TIntakeContext& context, const char* text, const char* caption, UINT type) {
    return ShowMessageBox(context.owner, text, caption, type);
}

const char* HandOffFileKeptMessage(char* out, size_t size, const char* path) {
    CopyLimited(out, LoadMessageText(TV_IDS_HANDOFF_FILE_KEPT), size);
    if (!InsertCommandArgument(out, size, path ? path : "", 1, 0)) CopyLimited(out, path ? path : "", size);
    return out;
}

void RefreshFileState(const TProgramData* p, ListNode* download) {
    if (!p || !download || !p->downloads.IsNodeValid(download, 1)) return;
    FileItem* item = TFileListObject::Item(download);
    if (!TFileListObject::IsItemShown(item)) return;
    char path[TV_PATH_SIZE];
    const bool named = p->downloads.FilePath(path, sizeof path, item, &p->categories, Locations(p)) == TV_FOLDER_OK;
    const DWORD attributes = named ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    item->flags = exists ? (item->flags | TV_FILE_EXISTS) : (item->flags & ~uint32_t(TV_FILE_EXISTS));
    item->sizeLow = 0;
    item->sizeHigh = 0;
    if (!exists) return;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD high = 0;
    const DWORD low = GetFileSize(h, &high);
    if (low != INVALID_FILE_SIZE || GetLastError() == NO_ERROR) {
        item->sizeLow = low;
        item->sizeHigh = high;
    }
    CloseHandle(h);
}

void RefreshShortcutState(const TProgramData* p, ListNode* shortcut) {
    if (!p || !shortcut || !p->shortcuts.IsNodeValid(shortcut, 1)) return;
    ShortcutItem* item = TShortcutListObject::Item(shortcut);
    if (!TShortcutListObject::IsItemShown(item)) return;
    char path[TV_PATH_SIZE];
    const bool named = p->shortcuts.ShortcutPath(path, sizeof path, item, &p->categories, Locations(p)) == TV_FOLDER_OK;
    const DWORD attributes = named ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    item->flags = exists ? (item->flags | TV_SHORTCUT_EXISTS) : (item->flags & ~uint32_t(TV_SHORTCUT_EXISTS));
}

// Shows message id with its "%s" places filled in order, caption "Error".
static void ReportError(const TIntakeContext& context, uint32_t id, const char* first, const char* second = nullptr) {
    std::string text = LoadMessageText(id);
    size_t from = 0;
    for (const char* value : {first, second}) {
        const size_t at = text.find("%s", from);
        if (at == std::string::npos) break;
        const std::string put = value ? value : "";
        text.replace(at, 2, put);
        from = at + put.size();  // a "%s" in what was put in stays as it is
    }
    IntakeMessageBox(context, text.c_str(), kCaptionError, MB_OK | MB_ICONERROR);
}

// Message 5003 with the program's command line and the file put in.
static void ReportProgramSkipped(const TIntakeContext& context, const char* commandLine, const char* filePath) {
    ReportError(context, TV_IDS_EXTERNAL_PROGRAM_SKIPPED, commandLine, filePath);
}

// A file that exists and can be opened for reading (not a folder).
static bool ReadableFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

int RunExternalPrograms(const TIntakeContext& context, const char* filePath) {
    if (!context.program || !filePath) return 0;
    int started = 0;
    const TExtProcListObject& list = context.program->externalPrograms;
    for (const ListNode* node = list.First(); node; node = node->next) {
        if (!list.IsNodeValid(node, 0)) continue;
        const ExtProcItem* entry = TExtProcListObject::Item(node);
        char line[1000];
        CopyLimited(line, entry->commandLine, sizeof line);
        TrimSpaces(line, TV_TRIM_BOTH);
        if (!line[0]) continue;
        if (!InsertCommandArgument(line, sizeof line, filePath, 1, 1)) {
            // Started without the file the program would do nothing with it, while the user
            // believes it ran (a scanner that did not scan): not started, and said so.
            ReportProgramSkipped(context, entry->commandLine, filePath);
            continue;
        }
        char program[TV_PATH_SIZE];
        char arguments[1000];
        SplitCommandLine(line, program, sizeof program, arguments, sizeof arguments);
        StripPlaceholders(program);
        StripPlaceholders(arguments);
        if (!program[0]) continue;
        INT_PTR result;
        if (context.responder && context.responder->startProgram)
            result = context.responder->startProgram(context.owner, program, arguments, context.responder->context);
        else
            result = reinterpret_cast<INT_PTR>(
                ShellExecuteA(context.owner, nullptr, program, arguments[0] ? arguments : nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) ++started;
    }
    return started;
}

namespace {

// One run of FileIntake, in named steps that run in this order: the source file, the record to
// start from, what the file itself tells, the user's review, the target category and a name that
// clashes there, the record in the list, its stored name and file, and what follows (marks,
// external programs, views, the setup offer). Each step leaves in the run what the next needs.
class TIntakeRun {
public:
    TIntakeRun(const TIntakeContext& context, uint32_t options, bool hasTemplate, TIntakeFileOutcome* outcome)
        : context_(context), p_(context.program), hooks_(context.hooks), options_(options),
          plan_(MakeIntakePlan(options, hasTemplate)), locations_(Locations(p_)), copy_(plan_.copy),
          outcome_(outcome) {
        p_->downloads.InitItem(&work_);
        p_->downloads.InitItem(&old_);
    }
    ~TIntakeRun() {
        p_->downloads.FreeItemData(&work_);
        p_->downloads.FreeItemData(&old_);
    }
    TIntakeRun(const TIntakeRun&) = delete;
    TIntakeRun& operator=(const TIntakeRun&) = delete;

    const TIntakePlan& plan() const { return plan_; }

    void TakeSource(const char* path);
    bool SourceReadable();
    void ReadSelection();
    void StartNewRecord(const FileItem* templateRecord);
    bool StartEdit(ListNode* existing);
    void FillFromFile();
    bool Review();
    void FindTarget();
    void OfferToReplaceClash(ListNode* existing);
    ListNode* SaveRecord(ListNode* existing);
    void PlaceInCategory(ListNode* node);
    bool StoreFile(ListNode* node);
    void UndoUnplaced(ListNode* node, ListNode* existing);
    void Finish(ListNode* node);
    void OfferSetup();
    void FocusList();

private:
    const TIntakeContext& context_;
    TProgramData* p_;
    const TIntakeHooks& hooks_;
    const uint32_t options_;
    const TIntakePlan plan_;
    const StorageLocations locations_;
    bool copy_;
    TIntakeFileOutcome* outcome_;

    char source_[TV_PATH_SIZE] = {};
    char sourceName_[TV_PATH_SIZE] = {};
    FileItem work_;
    FileItem old_;
    char category_[TV_PATH_SIZE] = {};
    ListNode* selected_ = nullptr;
    const CategoryItem* selectedItem_ = nullptr;
    ListNode* target_ = nullptr;
    int32_t targetId_ = 0;
    int created_ = 0;
    bool sameCategory_ = false;
    char storedPath_[TV_PATH_SIZE] = {};
    bool haveStoredPath_ = false;
    DWORD storeError_ = ERROR_PATH_NOT_FOUND;  // why the file could not be placed
};

// The path as given, unquoted, in the file system's spelling.
void TIntakeRun::TakeSource(const char* path) {
    TrimAndUnquotePath(source_, sizeof source_, path);
    if (source_[0]) {
        CanonicalLongPath(source_, sizeof source_);
        QuoteText(source_, sizeof source_, TV_QUOTE_REMOVE);
    }
    SplitPath(source_, nullptr, 0, sourceName_, sizeof sourceName_);
}

// Nothing comes in from a file that is not there: a new download's file must exist and be
// readable, else message 5005 names the path and nothing is added.
bool TIntakeRun::SourceReadable() {
    if (!plan_.isNew || !source_[0] || ReadableFile(source_)) return true;
    ReportError(context_, TV_IDS_FILE_NOT_FOUND, source_);
    return false;
}

// The category selected in the tree, when it is one of downloads.
void TIntakeRun::ReadSelection() {
    selected_ = hooks_.selectedCategory ? hooks_.selectedCategory(hooks_.context) : nullptr;
    selectedItem_ = CategoryOf(p_, selected_);
    if (selectedItem_ && selectedItem_->kind != TV_KIND_DOWNLOADS) selected_ = nullptr, selectedItem_ = nullptr;
}

// A new download starts from the template, in the template's category; else in the category
// selected while the download list is shown; else in the root.
void TIntakeRun::StartNewRecord(const FileItem* templateRecord) {
    if (templateRecord) {
        p_->downloads.CopyItem(&work_, templateRecord, 1);
        const CategoryItem* c = CategoryOf(p_, templateRecord->category);
        if (c && c->kind == TV_KIND_DOWNLOADS) CopyLimited(category_, c->name, sizeof category_);
    }
    if (!category_[0]) {
        const ListNode* target = p_->categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
        if (selectedItem_ && hooks_.downloadListShown && hooks_.downloadListShown(hooks_.context)) target = selected_;
        if (const CategoryItem* c = CategoryOf(p_, target)) CopyLimited(category_, c->name, sizeof category_);
    }
}

// An edit starts from the download as it is (kept as old_ too); false when it is not a shown
// download of the list.
bool TIntakeRun::StartEdit(ListNode* existing) {
    if (!existing || !p_->downloads.IsNodeValid(existing, 1) ||
        !TFileListObject::IsItemShown(TFileListObject::Item(existing)))
        return false;
    const FileItem* item = TFileListObject::Item(existing);
    p_->downloads.CopyItem(&work_, item, 1);
    p_->downloads.CopyItem(&old_, item, 1);
    if (const CategoryItem* c = CategoryOf(p_, item->category)) CopyLimited(category_, c->name, sizeof category_);
    return true;
}

// Name and date, the archive's description, and the web site of a new download.
void TIntakeRun::FillFromFile() {
    if (plan_.nameFromFile) {
        TextAssign(&work_.fileName, sourceName_);
        work_.downloadDate = Now();
    }
    if (plan_.readDescription) ExtractDescription(source_, &work_.description, 1);
    if (plan_.isNew && source_[0] && !work_.website[0]) {
        if (plan_.pathAsWebsite) {
            TextAssign(&work_.website, source_);
        } else {
            char url[TV_REGVALUE_SIZE];
            if (RegistryReadString(url, sizeof url, HKEY_CURRENT_USER, kTempUrlKey, source_) == ERROR_SUCCESS &&
                url[0])
                TextAssign(&work_.website, url);
        }
    }
}

// The add/edit dialog, when the plan shows it; false when the user cancelled (or declined).
bool TIntakeRun::Review() {
    if (!plan_.showDialog) return true;
    TFileAddEditParams params;
    params.isNew = plan_.isNew;
    params.offerChoice = plan_.offerChoice;
    params.askBeforeCancel = plan_.askBeforeCancel;
    params.copy = copy_ ? 1 : 0;
    CopyLimited(params.category, category_, sizeof params.category);
    CopyLimited(params.fileName, work_.fileName, sizeof params.fileName);
    params.description = TextDuplicate(work_.description);
    params.website = TextDuplicate(work_.website);
    params.categories = &p_->categories;
    const bool accepted = RunDialog(context_, &params) != 0;
    if (accepted) {
        CopyLimited(category_, params.category, sizeof category_);
        TextAssign(&work_.description, params.description);
        TextAssign(&work_.website, params.website);
        if (plan_.offerChoice) copy_ = params.copy != 0;
    } else if (params.declined && outcome_) {
        *outcome_ = TV_INTAKE_FILE_DECLINED;
    }
    TextRelease(&params.description);
    TextRelease(&params.website);
    return accepted;
}

// The category named, cleaned first: names from templates, old databases or other programs never
// lead out of the storage. Null when no category of that name exists yet.
void TIntakeRun::FindTarget() {
    TrimSpaces(category_, TV_TRIM_BOTH);
    CleanStorageName(category_, sizeof category_, "");
    target_ = category_[0] ? p_->categories.FindCategoryByName(category_, TV_KIND_DOWNLOADS, -1) : nullptr;
}

// A download of the same name in the target category (other than the one edited) is replaced when
// the user says so (3500).
void TIntakeRun::OfferToReplaceClash(ListNode* existing) {
    const CategoryItem* targetItem = CategoryOf(p_, target_);
    if (!targetItem || (!plan_.isNew && targetItem->id == old_.categoryId)) return;
    const char* candidate = plan_.isNew ? sourceName_ : work_.fileName;
    ListNode* clash = p_->downloads.FindFileByName(candidate, targetItem->id, TV_FIND_FILE_NAME);
    if (clash && clash != existing &&
        IntakeMessageBox(context_, LoadMessageText(TV_IDS_OVERWRITE_QUESTION), kCaptionQuestion,
                         MB_YESNO | MB_ICONQUESTION) == IDYES)
        DeleteReplacedDownload(context_, clash, source_);
}

// The new record added to the list, or the edit applied to the existing one; null when the list
// did not take it.
ListNode* TIntakeRun::SaveRecord(ListNode* existing) {
    if (!plan_.isNew) {
        p_->downloads.CopyItem(existing->item, &work_, 1);
        return existing;
    }
    return p_->downloads.Add(&work_, 0);
}

// The target category (created when it does not exist, the root when it cannot be), and a stored
// name unique in it for a new download or one that changes category.
void TIntakeRun::PlaceInCategory(ListNode* node) {
    if (!target_) {
        target_ = category_[0] ? p_->categories.AddCategory(category_, TV_KIND_DOWNLOADS, 0, &created_) : nullptr;
        if (!target_) {
            created_ = 0;
            target_ = p_->categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
        }
        CreateMissingStorageFolders(p_, 1);
    }
    const CategoryItem* targetItem = CategoryOf(p_, target_);
    targetId_ = targetItem ? targetItem->id : 0;
    sameCategory_ = plan_.isNew ? (target_ && target_ == selected_) : (old_.categoryId == targetId_);

    FileItem* record = TFileListObject::Item(node);
    record->categoryId = -1;
    record->category = nullptr;
    if (plan_.isNew || !sameCategory_) {
        char name[TV_PATH_SIZE];
        CopyLimited(name, record->fileName, sizeof name);
        CleanStorageName(name, sizeof name, kFallbackName);
        char stored[TV_PATH_SIZE];
        p_->downloads.MakeUniqueStoredName(stored, sizeof stored, name, targetId_);
        TextAssign(&record->storedName, stored);
    }
}

// A new file is copied or moved into the category's folder; an edited download that changed
// category has its stored file moved along (one whose file is missing anyway changes category
// without a move). False when the file could not be placed (storeError_ says why).
bool TIntakeRun::StoreFile(ListNode* node) {
    FileItem* record = TFileListObject::Item(node);
    haveStoredPath_ = target_ && p_->downloads.FilePath(storedPath_, sizeof storedPath_, record, &p_->categories,
                                                         locations_, target_) == TV_FOLDER_OK;
    bool placed = true;
    if (plan_.isNew) {
        placed = !source_[0];  // a record without a file (nothing to copy) stands as it is
        if (haveStoredPath_ && source_[0]) {
            placed = CopyOrMoveFile(source_, storedPath_, copy_ ? 0 : 1, 1) == 0;
            if (!placed) storeError_ = GetLastError();
        }
        if (placed && source_[0] && outcome_) *outcome_ = TV_INTAKE_FILE_PLACED;
    } else if (!sameCategory_) {
        char oldPath[TV_PATH_SIZE];
        const ListNode* oldCategory = p_->categories.FindCategoryById(old_.categoryId, TV_KIND_DOWNLOADS);
        const bool haveOldPath =
            oldCategory && p_->downloads.FilePath(oldPath, sizeof oldPath, &old_, &p_->categories, locations_,
                                                  oldCategory) == TV_FOLDER_OK;
        if (haveOldPath && GetFileAttributesA(oldPath) != INVALID_FILE_ATTRIBUTES) {
            placed = haveStoredPath_ && CopyOrMoveFile(oldPath, storedPath_, 1, 1) == 0;
            if (!placed && haveStoredPath_) storeError_ = GetLastError();
        }
    }
    return placed;
}

// Records and disk stay in step when the file could not be placed: the new record goes again
// (message 5006, unless the caller reports it), an edit is undone (5007); a category made for it
// is still shown.
void TIntakeRun::UndoUnplaced(ListNode* node, ListNode* existing) {
    char reason[300];
    SystemErrorText(storeError_, reason, sizeof reason);
    if (plan_.isNew) {
        p_->downloads.DeleteNode(node);
        if (!context_.callerReportsStoreFailure) ReportError(context_, TV_IDS_FILE_NOT_STORED, source_, reason);
    } else {
        p_->downloads.CopyItem(existing->item, &old_, 1);
        ReportError(context_, TV_IDS_FILE_NOT_MOVED, category_, reason);
    }
    if (plan_.refreshViews && created_ && hooks_.insertCategory) hooks_.insertCategory(target_, hooks_.context);
}

// The record in its category with its state and marks, the external programs on a new file, and
// the views told.
void TIntakeRun::Finish(ListNode* node) {
    FileItem* record = TFileListObject::Item(node);
    record->categoryId = targetId_;
    record->category = target_;
    RefreshFileState(p_, node);
    record->flags = IntakeApplyMarks(record->flags, options_);
    if (plan_.isNew && haveStoredPath_) RunExternalPrograms(context_, storedPath_);
    if (plan_.refreshViews) {
        if (created_ && hooks_.insertCategory) hooks_.insertCategory(target_, hooks_.context);
        if (hooks_.updateDownload) hooks_.updateDownload(node, IntakeViewFlags(plan_.isNew, sameCategory_), hooks_.context);
    }
}

// A stored archive that holds a setup program: install it when the user says so (3501).
void TIntakeRun::OfferSetup() {
    if (!plan_.offerSetup || !haveStoredPath_) return;
    TArchiveFileListObject members;
    LoadArchive(&members, storedPath_);
    if (FindSetupMember(&members) &&
        IntakeMessageBox(context_, LoadMessageText(TV_IDS_INSTALL_QUESTION), kCaptionQuestion,
                         MB_YESNO | MB_ICONQUESTION) == IDYES)
        InstallArchive(context_, &members, storedPath_, &p_->tempFiles);
}

void TIntakeRun::FocusList() {
    if (plan_.refreshViews && hooks_.focusDownloadList) hooks_.focusDownloadList(hooks_.context);
}

}  // namespace

int FileIntake(const TIntakeContext& context, const FileItem* templateRecord, ListNode* existing, const char* path,
               uint32_t options, TIntakeFileOutcome* outcome, ListNode** added) {
    if (outcome) *outcome = TV_INTAKE_FILE_KEPT;
    if (added) *added = nullptr;
    if (!context.program) return 0;
    TIntakeRun run(context, options, templateRecord != nullptr, outcome);
    run.TakeSource(path);
    if (!run.SourceReadable()) {
        run.FocusList();
        return 0;
    }
    run.ReadSelection();
    if (run.plan().isNew) {
        run.StartNewRecord(templateRecord);
    } else if (!run.StartEdit(existing)) {
        // Nothing to edit; the focus still goes to the list, as after every refreshing intake.
        run.FocusList();
        return 0;
    }
    run.FillFromFile();
    int result = 0;
    if (run.Review()) {
        run.FindTarget();
        run.OfferToReplaceClash(existing);
        if (ListNode* node = run.SaveRecord(existing)) {
            result = 1;
            run.PlaceInCategory(node);
            if (!run.StoreFile(node)) {
                run.UndoUnplaced(node, existing);
                run.FocusList();
                return 0;
            }
            run.Finish(node);
            if (added) *added = node;
            run.OfferSetup();
        }
    }
    run.FocusList();
    return result;
}
