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

int FileIntake(const TIntakeContext& context, const FileItem* templateRecord, ListNode* existing, const char* path,
               uint32_t options, TIntakeFileOutcome* outcome, ListNode** added) {
    if (outcome) *outcome = TV_INTAKE_FILE_KEPT;
    if (added) *added = nullptr;
    TProgramData* p = context.program;
    if (!p) return 0;
    const TIntakeHooks& hooks = context.hooks;
    const TIntakePlan plan = MakeIntakePlan(options, templateRecord != nullptr);
    const StorageLocations locations = Locations(p);

    char source[TV_PATH_SIZE];
    TrimAndUnquotePath(source, sizeof source, path);
    if (source[0]) {
        CanonicalLongPath(source, sizeof source);
        QuoteText(source, sizeof source, TV_QUOTE_REMOVE);
    }

    // Nothing comes in from a file that is not there: no record without its file.
    if (plan.isNew && source[0] && !ReadableFile(source)) {
        ReportError(context, TV_IDS_FILE_NOT_FOUND, source);
        if (plan.refreshViews && hooks.focusDownloadList) hooks.focusDownloadList(hooks.context);
        return 0;
    }

    int result = 0;
    FileItem work;
    FileItem old;
    p->downloads.InitItem(&work);
    p->downloads.InitItem(&old);
    char category[TV_PATH_SIZE] = {};
    ListNode* selected = hooks.selectedCategory ? hooks.selectedCategory(hooks.context) : nullptr;
    const CategoryItem* selectedItem = CategoryOf(p, selected);
    if (selectedItem && selectedItem->kind != TV_KIND_DOWNLOADS) selected = nullptr, selectedItem = nullptr;
    bool copy = plan.copy;

    if (plan.isNew) {
        if (templateRecord) {
            p->downloads.CopyItem(&work, templateRecord, 1);
            const CategoryItem* c = CategoryOf(p, templateRecord->category);
            if (c && c->kind == TV_KIND_DOWNLOADS) CopyLimited(category, c->name, sizeof category);
        }
        if (!category[0]) {
            const ListNode* target = p->categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
            if (selectedItem && hooks.downloadListShown && hooks.downloadListShown(hooks.context)) target = selected;
            if (const CategoryItem* c = CategoryOf(p, target)) CopyLimited(category, c->name, sizeof category);
        }
    } else {
        if (!existing || !p->downloads.IsNodeValid(existing, 1) ||
            !TFileListObject::IsItemShown(TFileListObject::Item(existing))) {
            // Nothing to edit; the focus still goes to the list, as after every refreshing intake.
            if (plan.refreshViews && hooks.focusDownloadList) hooks.focusDownloadList(hooks.context);
            p->downloads.FreeItemData(&work);
            p->downloads.FreeItemData(&old);
            return 0;
        }
        const FileItem* item = TFileListObject::Item(existing);
        p->downloads.CopyItem(&work, item, 1);
        p->downloads.CopyItem(&old, item, 1);
        if (const CategoryItem* c = CategoryOf(p, item->category)) CopyLimited(category, c->name, sizeof category);
    }

    char sourceName[TV_PATH_SIZE];
    SplitPath(source, nullptr, 0, sourceName, sizeof sourceName);
    if (plan.nameFromFile) {
        TextAssign(&work.fileName, sourceName);
        work.downloadDate = Now();
    }
    if (plan.readDescription) ExtractDescription(source, &work.description, 1);
    if (plan.isNew && source[0] && !work.website[0]) {
        if (plan.pathAsWebsite) {
            TextAssign(&work.website, source);
        } else {
            char url[TV_REGVALUE_SIZE];
            if (RegistryReadString(url, sizeof url, HKEY_CURRENT_USER, kTempUrlKey, source) == ERROR_SUCCESS && url[0])
                TextAssign(&work.website, url);
        }
    }

    bool proceed = true;
    if (plan.showDialog) {
        TFileAddEditParams params;
        params.isNew = plan.isNew;
        params.offerChoice = plan.offerChoice;
        params.askBeforeCancel = plan.askBeforeCancel;
        params.copy = copy ? 1 : 0;
        CopyLimited(params.category, category, sizeof params.category);
        CopyLimited(params.fileName, work.fileName, sizeof params.fileName);
        params.description = TextDuplicate(work.description);
        params.website = TextDuplicate(work.website);
        params.categories = &p->categories;
        if (RunDialog(context, &params)) {
            CopyLimited(category, params.category, sizeof category);
            TextAssign(&work.description, params.description);
            TextAssign(&work.website, params.website);
            if (plan.offerChoice) copy = params.copy != 0;
        } else {
            proceed = false;
            if (params.declined && outcome) *outcome = TV_INTAKE_FILE_DECLINED;
        }
        TextRelease(&params.description);
        TextRelease(&params.website);
    }

    if (proceed) {
        // Names from templates, old databases or other programs never lead out of the storage.
        TrimSpaces(category, TV_TRIM_BOTH);
        CleanStorageName(category, sizeof category, "");
        ListNode* target = category[0] ? p->categories.FindCategoryByName(category, TV_KIND_DOWNLOADS, -1) : nullptr;

        const CategoryItem* targetItem = CategoryOf(p, target);
        if (targetItem && (plan.isNew || targetItem->id != old.categoryId)) {
            const char* candidate = plan.isNew ? sourceName : work.fileName;
            ListNode* clash = p->downloads.FindFileByName(candidate, targetItem->id, TV_FIND_FILE_NAME);
            if (clash && clash != existing &&
                IntakeMessageBox(context, LoadMessageText(TV_IDS_OVERWRITE_QUESTION), kCaptionQuestion,
                                 MB_YESNO | MB_ICONQUESTION) == IDYES)
                DeleteReplacedDownload(context, clash, source);
        }

        ListNode* node = existing;
        if (plan.isNew)
            node = p->downloads.Add(&work, 0);
        else
            p->downloads.CopyItem(existing->item, &work, 1);
        if (node) {
            result = 1;
            int created = 0;
            if (!target) {
                target = category[0] ? p->categories.AddCategory(category, TV_KIND_DOWNLOADS, 0, &created) : nullptr;
                if (!target) {
                    created = 0;
                    target = p->categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
                }
                CreateMissingStorageFolders(p, 1);
            }
            targetItem = CategoryOf(p, target);
            const int32_t targetId = targetItem ? targetItem->id : 0;
            const bool sameCategory = plan.isNew ? (target && target == selected) : (old.categoryId == targetId);

            FileItem* record = TFileListObject::Item(node);
            record->categoryId = -1;
            record->category = nullptr;
            if (plan.isNew || !sameCategory) {
                char name[TV_PATH_SIZE];
                CopyLimited(name, record->fileName, sizeof name);
                CleanStorageName(name, sizeof name, kFallbackName);
                char stored[TV_PATH_SIZE];
                p->downloads.MakeUniqueStoredName(stored, sizeof stored, name, targetId);
                TextAssign(&record->storedName, stored);
            }

            char storedPath[TV_PATH_SIZE] = {};
            const bool haveStoredPath =
                target && p->downloads.FilePath(storedPath, sizeof storedPath, record, &p->categories, locations,
                                                target) == TV_FOLDER_OK;
            bool placed = true;
            DWORD error = ERROR_PATH_NOT_FOUND;  // no stored path could be made
            if (plan.isNew) {
                placed = !source[0];  // a record without a file (nothing to copy) stands as it is
                if (haveStoredPath && source[0]) {
                    placed = CopyOrMoveFile(source, storedPath, copy ? 0 : 1, 1) == 0;
                    if (!placed) error = GetLastError();
                }
                if (placed && source[0] && outcome) *outcome = TV_INTAKE_FILE_PLACED;
            } else if (!sameCategory) {
                char oldPath[TV_PATH_SIZE];
                const ListNode* oldCategory = p->categories.FindCategoryById(old.categoryId, TV_KIND_DOWNLOADS);
                const bool haveOldPath =
                    oldCategory && p->downloads.FilePath(oldPath, sizeof oldPath, &old, &p->categories, locations,
                                                         oldCategory) == TV_FOLDER_OK;
                // A download whose file is missing anyway changes category without a move.
                if (haveOldPath && GetFileAttributesA(oldPath) != INVALID_FILE_ATTRIBUTES) {
                    placed = haveStoredPath && CopyOrMoveFile(oldPath, storedPath, 1, 1) == 0;
                    if (!placed && haveStoredPath) error = GetLastError();
                }
            }
            if (!placed) {
                // Records and disk stay in step: the new record goes again, an edit is undone.
                char reason[300];
                SystemErrorText(error, reason, sizeof reason);
                if (plan.isNew) {
                    p->downloads.DeleteNode(node);
                    if (!context.callerReportsStoreFailure) ReportError(context, TV_IDS_FILE_NOT_STORED, source, reason);
                } else {
                    p->downloads.CopyItem(existing->item, &old, 1);
                    ReportError(context, TV_IDS_FILE_NOT_MOVED, category, reason);
                }
                if (plan.refreshViews && created && hooks.insertCategory) hooks.insertCategory(target, hooks.context);
                if (plan.refreshViews && hooks.focusDownloadList) hooks.focusDownloadList(hooks.context);
                p->downloads.FreeItemData(&work);
                p->downloads.FreeItemData(&old);
                return 0;
            }

            record->categoryId = targetId;
            record->category = target;
            RefreshFileState(p, node);
            record->flags = IntakeApplyMarks(record->flags, options);
            if (plan.isNew && haveStoredPath) RunExternalPrograms(context, storedPath);
            if (plan.refreshViews) {
                if (created && hooks.insertCategory) hooks.insertCategory(target, hooks.context);
                if (hooks.updateDownload)
                    hooks.updateDownload(node, IntakeViewFlags(plan.isNew, sameCategory), hooks.context);
            }
            if (added) *added = node;
            if (plan.offerSetup && haveStoredPath) {
                TArchiveFileListObject members;
                LoadArchive(&members, storedPath);
                if (FindSetupMember(&members) &&
                    IntakeMessageBox(context, LoadMessageText(TV_IDS_INSTALL_QUESTION), kCaptionQuestion,
                                     MB_YESNO | MB_ICONQUESTION) == IDYES)
                    InstallArchive(context, &members, storedPath, &p->tempFiles);
            }
        }
    }

    if (plan.refreshViews && hooks.focusDownloadList) hooks.focusDownloadList(hooks.context);
    p->downloads.FreeItemData(&work);
    p->downloads.FreeItemData(&old);
    return result;
}
