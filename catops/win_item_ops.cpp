#include "catops/win_item_ops.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

#include "database/win_database.h"
#include "intake/win_filecopy.h"
#include "intake/win_intake.h"
#include "util/format.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {
const char* CaptionText(TvCaption caption) {
    switch (caption) {
        case TV_CAPTION_ERROR: return "Error";
        case TV_CAPTION_QUESTION: return "Question";
        case TV_CAPTION_INFORMATION: return "Information";
        case TV_CAPTION_PROGRAM_TITLE: return TvString(TV_IDS_PROGRAM_TITLE);
        default: return "";
    }
}

// Message ids of the operations.
enum : uint32_t {
    IDS_RENAME_CATEGORY_FAILED = 3400,
    IDS_MOVE_CATEGORY_FAILED = 3401,
    IDS_DELETE_FILE_FAILED = 3415,
    IDS_FILENAME_INVALID = 3416,
    IDS_SHORTCUT_NAME_INVALID = 3417,
    IDS_DELETE_BOOKMARKS = 3502,
    IDS_DELETE_SHORTCUTS = 3503
};

// A record of a list on the stack, with the list's own empty values and release.
template <typename List, typename Record>
struct TempRecord {
    List* list;
    Record rec;
    explicit TempRecord(List* l) : list(l) { list->InitItem(&rec); }
    ~TempRecord() { list->FreeItemData(&rec); }
    TempRecord(const TempRecord&) = delete;
    TempRecord& operator=(const TempRecord&) = delete;
};

bool IsFolder(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFile(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// MoveFile, also for a new name that differs only in letter case: such a rename goes through a
// temporary name, since some file systems take the same name in other letters as "nothing to do".
bool RenameFile(const char* from, const char* to) {
    if (!TextEquals(from, to, 0, 0)) return MoveFileA(from, to) != 0;
    char temporary[TV_PATH_SIZE];
    if (FormatLimited(temporary, sizeof temporary, "%s.~rn", from)) return false;
    if (!MoveFileA(from, temporary)) return false;
    if (MoveFileA(temporary, to)) return true;
    MoveFileA(temporary, from);  // back where it was
    return false;
}

// Placement into the storage folders goes through file intake's copy and move (replacing the
// destination only with a complete copy).
bool CopyOrMoveStoredFile(const char* source, const char* destination, bool move) {
    return CopyOrMoveFile(source, destination, move ? 1 : 0, 1) == 0;
}

// A copy of text trimmed at both ends; false when it does not fit.
bool TrimmedCopy(char* out, size_t size, const char* text) {
    if (CopyLimited(out, text, size)) return false;
    TrimSpaces(out, TV_TRIM_BOTH);
    return true;
}

// base with quotes removed, blanks trimmed and a trailing "\" (empty on failure).
void NormalisedBase(char* out, size_t size, const char* base) {
    out[0] = '\0';
    if (!base) return;
    size_t n = 0;
    for (const char* p = base; *p && n + 1 < size; ++p)
        if (*p != '"') out[n++] = *p == '/' ? '\\' : *p;
    out[n] = '\0';
    TrimSpaces(out, TV_TRIM_BOTH);
    if (EnsureTrailingBackslash(out, size) < 0) out[0] = '\0';
}

// 1 when inner equals outer or lies below it (both normalised, case-insensitive).
bool LiesWithin(const char* inner, const char* outer) {
    const size_t n = strlen(outer);
    return n > 0 && strlen(inner) >= n && TextEquals(inner, outer, 0, int(n));
}

// The category's folder without trailing "\"; TV_FOLDER_* code.
int FolderOf(const TCategoryListObject& categories, const ListNode* node, const StorageLocations& locations, char* out,
             size_t size, const char* baseOverride = nullptr) {
    const int code = categories.CategoryFolder(out, size, node, locations, baseOverride);
    if (code == TV_FOLDER_OK) RemoveTrailingBackslash(out);
    return code;
}
}  // namespace

int ShowItemMessage(HWND owner, uint32_t id, TvCaption caption, UINT type) {
    const char* text = TvString(id);
    const char* title = CaptionText(caption);
    return ShowMessageBox(owner, text, title, type);
}

int ShowCheckResult(HWND owner, const CategoryCheckResult& result) {
    if (result.messageId) ShowItemMessage(owner, result.messageId, result.caption, MB_OK);
    return result.code;
}

StorageLocations TItemOperations::Locations() const {
    return StorageLocations{data_->standards.downloadsLocation, data_->standards.shortcutsLocation};
}

ListNode* TItemOperations::SelectedCategory() const { return tree_ ? tree_->Selected() : nullptr; }

// ================================================================ storage folders

void TItemOperations::EnsureStorageFolders(int kindMask) { CreateMissingStorageFolders(data_, kindMask); }

int TItemOperations::MoveStorageLocation(const char* oldBase, const char* newBase, int kind) {
    if (kind != TV_KIND_DOWNLOADS && kind != TV_KIND_SHORTCUTS) return 0;
    char from[TV_PATH_SIZE], to[TV_PATH_SIZE];
    NormalisedBase(from, sizeof from, oldBase);
    NormalisedBase(to, sizeof to, newBase);
    if (!from[0] || !to[0]) return -1;
    if (TextEquals(from, to, 0, 0)) return 0;
    if (LiesWithin(from, to) || LiesWithin(to, from)) return -1;

    EnsureStorageFolders(kind);
    const StorageLocations locations = Locations();
    const TCategoryListObject& categories = data_->categories;
    int failed = 0;
    char source[TV_PATH_SIZE], destination[TV_PATH_SIZE];
    if (kind == TV_KIND_DOWNLOADS) {
        TFileListObject& files = data_->downloads;
        for (ListNode* node = files.First(); node; node = node->next) {
            if (!files.IsNodeValid(node, 0)) continue;
            const FileItem* r = TFileListObject::Item(node);
            if (!r->category) continue;
            if (files.FilePath(source, sizeof source, r, &categories, locations, nullptr, from) != TV_FOLDER_OK ||
                files.FilePath(destination, sizeof destination, r, &categories, locations, nullptr, to) != TV_FOLDER_OK) {
                ++failed;
                continue;
            }
            if (!IsFile(source)) continue;  // nothing stored there: nothing to move
            if (!CopyOrMoveStoredFile(source, destination, true)) ++failed;
        }
    } else {
        TShortcutListObject& shortcuts = data_->shortcuts;
        for (ListNode* node = shortcuts.First(); node; node = node->next) {
            if (!shortcuts.IsNodeValid(node, 0)) continue;
            const ShortcutItem* r = TShortcutListObject::Item(node);
            if (!r->category) continue;
            if (shortcuts.ShortcutPath(source, sizeof source, r, &categories, locations, nullptr, from) != TV_FOLDER_OK ||
                shortcuts.ShortcutPath(destination, sizeof destination, r, &categories, locations, nullptr, to) !=
                    TV_FOLDER_OK) {
                ++failed;
                continue;
            }
            if (!IsFile(source)) continue;
            if (!CopyOrMoveStoredFile(source, destination, true)) ++failed;
        }
    }
    // The emptied category folders under the old base, deepest first: a pass removes what it
    // can, and passes repeat while they make progress. Folders that still hold files stay.
    std::vector<std::string> folders;
    for (ListNode* node = categories.First(); node; node = node->next) {
        if (!categories.IsNodeValid(node, 0)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind != kind || c->id == 0) continue;
        char folder[TV_PATH_SIZE];
        if (FolderOf(categories, node, locations, folder, sizeof folder, from) == TV_FOLDER_OK) folders.push_back(folder);
    }
    for (bool progress = true; progress && !folders.empty();) {
        progress = false;
        for (size_t i = 0; i < folders.size();) {
            if (RemoveDirectoryA(folders[i].c_str()) || !IsFolder(folders[i].c_str())) {
                folders.erase(folders.begin() + long(i));
                progress = true;
            } else {
                ++i;
            }
        }
    }
    RemoveTrailingBackslash(from);
    RemoveDirectoryA(from);
    return failed;
}

// ================================================================ categories

ListNode* TItemOperations::NewCategory(HWND window) {
    TCategoryListObject& categories = data_->categories;
    ListNode* parent = SelectedCategory();
    if (!categories.IsNodeValid(parent, 1)) return nullptr;
    const CategoryItem* p = TCategoryListObject::Item(parent);
    char name[TV_PATH_SIZE];
    categories.MakeUniqueCategoryName(name, sizeof name, p->kind, p->id);
    if (ShowCheckResult(window, categories.CheckNewCategoryName(p->kind, p->id, name)) != 0) return nullptr;
    int created = 0;
    ListNode* node = categories.AddCategory(name, p->kind, p->id, &created);
    if (!node || !created) return nullptr;
    EnsureStorageFolders(3);
    if (tree_) {
        tree_->InsertItem(node, static_cast<HTREEITEM>(p->treeItem), TVI_LAST);
        tree_->Expand(parent);
        tree_->Select(node);
        tree_->EditLabel(node);
    }
    return node;
}

int TItemOperations::RenameCategory(HWND window, ListNode* node, const char* newName) {
    TCategoryListObject& categories = data_->categories;
    if (ShowCheckResult(window, categories.CheckRenameCategory(node, newName)) != 0) return 0;
    char name[TV_PATH_SIZE];
    if (!TrimmedCopy(name, sizeof name, newName)) return 0;
    CategoryItem* c = TCategoryListObject::Item(node);

    if (c->kind == TV_KIND_DOWNLOADS || c->kind == TV_KIND_SHORTCUTS) {
        const StorageLocations locations = Locations();
        char oldFolder[TV_PATH_SIZE], newFolder[TV_PATH_SIZE];
        const int oldCode = FolderOf(categories, node, locations, oldFolder, sizeof oldFolder);
        std::string oldName = c->name;
        TextAssign(&c->name, name);
        const int newCode = FolderOf(categories, node, locations, newFolder, sizeof newFolder);
        bool ok = newCode == TV_FOLDER_OK;
        if (ok && oldCode == TV_FOLDER_OK) {
            // A folder that is not there (yet) needs no renaming; it is created under the new name.
            if (IsFolder(oldFolder)) ok = MoveFileA(oldFolder, newFolder) != 0;
        } else if (ok && oldCode != TV_FOLDER_BAD_NAME) {
            ok = false;
        }
        // oldCode TV_FOLDER_BAD_NAME with a valid new path: the old name could only have led out of
        // the storage folder, so nothing on disk belongs to it; the rename repairs the record.
        if (!ok) {
            TextAssign(&c->name, oldName.c_str());
            ShowItemMessage(window, IDS_RENAME_CATEGORY_FAILED, TV_CAPTION_PROGRAM_TITLE, MB_OK);
            return 0;
        }
        EnsureStorageFolders(3);
    } else {
        TextAssign(&c->name, name);
    }
    if (tree_) {
        tree_->UpdateItemText(node);
        tree_->Select(node);
    }
    return 1;
}

int TItemOperations::MoveCategory(HWND window, ListNode* node, int32_t destinationParentId) {
    TCategoryListObject& categories = data_->categories;
    if (ShowCheckResult(window, categories.CheckMoveCategory(node, destinationParentId)) != 0) return 0;
    CategoryItem* c = TCategoryListObject::Item(node);
    if (!categories.FindCategoryById(destinationParentId, c->kind)) return 0;

    if (c->kind == TV_KIND_DOWNLOADS || c->kind == TV_KIND_SHORTCUTS) {
        const StorageLocations locations = Locations();
        char oldFolder[TV_PATH_SIZE], newFolder[TV_PATH_SIZE];
        const int oldCode = FolderOf(categories, node, locations, oldFolder, sizeof oldFolder);
        const int32_t oldParent = c->parentId;
        c->parentId = destinationParentId;
        const int newCode = FolderOf(categories, node, locations, newFolder, sizeof newFolder);
        bool ok = oldCode == TV_FOLDER_OK && newCode == TV_FOLDER_OK;
        if (ok && IsFolder(oldFolder)) {
            char parentFolder[TV_PATH_SIZE];
            SplitPath(newFolder, parentFolder, sizeof parentFolder, nullptr, 0);
            CreateDirectoryPath(parentFolder);
            ok = MoveFileA(oldFolder, newFolder) != 0;
        }
        if (!ok) {
            c->parentId = oldParent;
            ShowItemMessage(window, IDS_MOVE_CATEGORY_FAILED, TV_CAPTION_PROGRAM_TITLE, MB_OK);
            return 0;
        }
        EnsureStorageFolders(3);
    } else {
        c->parentId = destinationParentId;
    }
    if (tree_) {
        tree_->RebuildCategoryTree(1);
        tree_->Select(node);
    }
    if (views_) views_->ShowCategoryContents();
    return 1;
}

int TItemOperations::DeleteCategory(HWND window, ListNode* node) {
    TCategoryListObject& categories = data_->categories;
    if (!node) node = SelectedCategory();
    if (ShowCheckResult(window, categories.CheckDeleteCategory(node, &data_->downloads, &data_->bookmarks,
                                                               &data_->shortcuts)) != 0)
        return 0;
    const CategoryItem* c = TCategoryListObject::Item(node);
    if (c->kind == TV_KIND_DOWNLOADS || c->kind == TV_KIND_SHORTCUTS) {
        char folder[TV_PATH_SIZE];
        // Only an empty folder goes; files no record refers to keep it on disk.
        if (FolderOf(categories, node, Locations(), folder, sizeof folder) == TV_FOLDER_OK) RemoveDirectoryA(folder);
    }
    if (tree_) tree_->Remove(node);
    categories.DeleteNode(node);
    if (views_) views_->ShowCategoryContents();
    return 1;
}

bool FillCategoryProperties(const TProgramData* data, const ListNode* node, CategoryPropertiesParams* out) {
    if (!data || !out || !data->categories.IsNodeValid(node, 1)) return false;
    *out = CategoryPropertiesParams();
    const TCategoryListObject& categories = data->categories;
    const CategoryItem* c = TCategoryListObject::Item(node);
    CopyLimited(out->name, c->name, sizeof out->name);
    const uint32_t typeIds[3] = {3806, 3807, 3808};
    if (c->kind >= 1 && c->kind <= 3) CopyLimited(out->type, TvString(typeIds[c->kind - 1]), sizeof out->type);
    FormatLimited(out->id, sizeof out->id, "%ld", long(c->id));

    if (c->kind == TV_KIND_BOOKMARKS) {
        CopyLimited(out->location, TvString(3803), sizeof out->location);
    } else {
        const StorageLocations locations = {data->standards.downloadsLocation, data->standards.shortcutsLocation};
        categories.CategoryFolder(out->location, sizeof out->location, node, locations);
    }

    char number[32];
    if (c->kind == TV_KIND_DOWNLOADS) {
        uint64_t count = 0, bytes = 0;
        for (const ListNode* n = data->downloads.First(); n; n = n->next) {
            if (!data->downloads.IsNodeValid(n, 0)) continue;
            const FileItem* f = TFileListObject::Item(n);
            if (f->categoryId != c->id) continue;
            ++count;
            bytes += f->sizeLow;
        }
        char size[64];
        if (bytes <= 0xFFFFFFFFu) {
            FormatSizeText(size, sizeof size, uint32_t(bytes), TV_UNIT_BYTES);
        } else {
            // The sum of many files can pass 4 GB: written in bytes without the 32-bit limit.
            FormatThousands(size, sizeof size, bytes);
            AppendLimited(size, " Bytes", sizeof size);
        }
        FormatThousands(number, sizeof number, count);
        FormatLimited(out->contents, sizeof out->contents, "%s%s%s)", number, count == 1 ? " File (" : " Files (",
                      size);
    } else {
        uint64_t count = 0;
        if (c->kind == TV_KIND_BOOKMARKS) {
            for (const ListNode* n = data->bookmarks.First(); n; n = n->next)
                if (data->bookmarks.IsNodeValid(n, 0) && TBookmarkListObject::Item(n)->categoryId == c->id) ++count;
        } else {
            for (const ListNode* n = data->shortcuts.First(); n; n = n->next)
                if (data->shortcuts.IsNodeValid(n, 0) && TShortcutListObject::Item(n)->categoryId == c->id) ++count;
        }
        const uint32_t one = c->kind == TV_KIND_BOOKMARKS ? 3809 : 3811;
        FormatThousands(number, sizeof number, count);
        FormatLimited(out->contents, sizeof out->contents, "%s %s", number, TvString(count == 1 ? one : one + 1));
    }

    uint64_t children = 0;
    for (const ListNode* n = categories.First(); n; n = n->next) {
        if (n == node || !categories.IsNodeValid(n, 0)) continue;
        const CategoryItem* k = TCategoryListObject::Item(n);
        if (k->kind == c->kind && k->id != 0 && k->parentId == c->id) ++children;
    }
    if (children == 0) {
        CopyLimited(out->subcategories, TvString(3813), sizeof out->subcategories);
    } else {
        FormatThousands(number, sizeof number, children);
        FormatLimited(out->subcategories, sizeof out->subcategories, "%s %s", number,
                      TvString(children == 1 ? 3814 : 3815));
    }

    const ListNode* parent = c->id == 0 ? nullptr : categories.FindCategoryById(c->parentId, c->kind);
    if (!parent) {
        CopyLimited(out->parent, "n/a", sizeof out->parent);
    } else {
        const CategoryItem* p = TCategoryListObject::Item(parent);
        FormatLimited(out->parent, sizeof out->parent, "%s (%ld)", p->name, long(p->id));
    }
    return true;
}

void TItemOperations::ShowCategoryProperties(HWND window, ListNode* node) {
    if (!node) node = SelectedCategory();
    CategoryPropertiesParams params;
    if (FillCategoryProperties(data_, node, &params) && dialogs.categoryProperties)
        dialogs.categoryProperties(window, &params);
}

// ================================================================ downloads

void TItemOperations::RefreshDownloadState(ListNode* node) { RefreshFileState(data_, node); }

int TItemOperations::DeleteDownload(HWND window, ListNode* node, int deleteType, int updateView, int askType,
                                    int selectNext) {
    TFileListObject& files = data_->downloads;
    if (!node && views_) {
        // The selected download, not the row that merely has the focus.
        const std::vector<ListNode*> selected = views_->SelectedItems(TV_KIND_DOWNLOADS);
        if (!selected.empty()) node = selected.front();
    }
    if (!files.IsNodeValid(node, 1)) return 0;
    if (askType) {
        FileDeleteTypeParams params;
        params.deleteType = deleteType;
        if (!dialogs.fileDeleteType || !dialogs.fileDeleteType(window, &params)) return 0;
        deleteType = params.deleteType;
    }
    FileItem* r = TFileListObject::Item(node);
    if (r->flags & TV_FILE_EXISTS) {
        char path[TV_PATH_SIZE];
        const int code = files.FilePath(path, sizeof path, r, &data_->categories, Locations());
        // A path that cannot be built (a name that would leave the storage folder) is never
        // touched: that counts as a failed delete, and the user decides about the record.
        bool deleted = code == TV_FOLDER_OK && (DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES);
        if (!deleted &&
            ShowItemMessage(window, IDS_DELETE_FILE_FAILED, TV_CAPTION_ERROR, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return 0;
    }
    int result = TV_DELETE_DONE;
    const int row = (updateView && views_) ? views_->RowOf(TV_KIND_DOWNLOADS, node) : -1;
    if (deleteType == TV_DELETE_FILE_AND_RECORD) {
        if (updateView && views_) {
            views_->RemoveRow(TV_KIND_DOWNLOADS, node);
            result |= TV_DELETE_ROW_REMOVED;
        }
        files.DeleteNode(node);
    } else {
        RefreshDownloadState(node);
        if (updateView && views_) views_->UpdateDownloadView(node, 0);
    }
    if (updateView && selectNext && views_ && row >= 0) {
        const int count = views_->RowCount(TV_KIND_DOWNLOADS);
        if (count > 0) views_->SelectRow(TV_KIND_DOWNLOADS, std::min(row, count - 1));
    }
    return result;
}

int TItemOperations::DeleteSelectedDownloads(HWND window) {
    if (!views_) return 0;
    // The selection is taken once, before any row goes: removing a row cannot skip the next one.
    const std::vector<ListNode*> selected = views_->SelectedItems(TV_KIND_DOWNLOADS);
    if (selected.empty()) return 0;
    FileDeleteTypeParams params;
    params.deleteType = TV_DELETE_FILE_AND_RECORD;
    if (!dialogs.fileDeleteType || !dialogs.fileDeleteType(window, &params)) return 0;
    int deleted = 0;
    for (ListNode* node : selected) {
        if (!data_->downloads.IsNodeValid(node, 1) || !TFileListObject::IsItemShown(TFileListObject::Item(node))) continue;
        if (DeleteDownload(window, node, params.deleteType, 1, 0, 0) & TV_DELETE_DONE) ++deleted;
    }
    return deleted;
}

int TItemOperations::RenameDownload(HWND window, ListNode* node, const char* newName, int viewFlags) {
    TFileListObject& files = data_->downloads;
    if (!node && views_) node = views_->FocusedItem(TV_KIND_DOWNLOADS);
    if (!files.IsNodeValid(node, 1)) return 0;
    if (!IsValidFileName(newName)) {
        ShowItemMessage(window, IDS_FILENAME_INVALID, TV_CAPTION_ERROR, MB_OK);
        return 0;
    }
    char name[TV_PATH_SIZE];
    if (!TrimmedCopy(name, sizeof name, newName)) return 0;
    FileItem* r = TFileListObject::Item(node);
    if (ComparePathTexts(name, r->fileName, 0)) return 0;  // the same name: nothing to do

    TempRecord<TFileListObject, FileItem> copy(&files);
    files.CopyItem(&copy.rec, r, 1);
    char stored[TV_PATH_SIZE];
    if (!files.MakeUniqueStoredName(stored, sizeof stored, name, r->categoryId)) return 0;
    TextAssign(&copy.rec.fileName, name);
    TextAssign(&copy.rec.storedName, stored);

    const StorageLocations locations = Locations();
    char oldPath[TV_PATH_SIZE], newPath[TV_PATH_SIZE];
    const int oldCode = files.FilePath(oldPath, sizeof oldPath, r, &data_->categories, locations);
    if (files.FilePath(newPath, sizeof newPath, &copy.rec, &data_->categories, locations) != TV_FOLDER_OK) return 0;
    if (oldCode == TV_FOLDER_OK) {
        // A stored file that is missing needs no renaming; the record alone changes.
        if (IsFile(oldPath) && !MoveFileA(oldPath, newPath)) return 0;
    } else if (oldCode != TV_FOLDER_BAD_NAME) {
        return 0;
    }
    // (A stored name that would lead out of the storage folder names nothing of ours: the record
    // gets a clean stored name and nothing outside is touched.)
    files.CopyItem(r, &copy.rec, 1);
    RefreshDownloadState(node);
    if ((viewFlags & 2) && views_) views_->UpdateDownloadView(node, TV_VIEW_CLEAR_SELECTION | TV_VIEW_SELECT);
    return 1;
}

// ================================================================ bookmarks

ListNode* TItemOperations::AddOrEditBookmark(HWND window, int isNew, const BookmarkItem* templateRecord,
                                             ListNode* editNode, int updateView, int showDialog) {
    TBookmarkListObject& bookmarks = data_->bookmarks;
    TCategoryListObject& categories = data_->categories;
    TempRecord<TBookmarkListObject, BookmarkItem> record(&bookmarks);
    ListNode* previousCategory = nullptr;
    ListNode* root = categories.FindCategoryById(0, TV_KIND_BOOKMARKS);

    if (isNew) {
        if (templateRecord) bookmarks.CopyItem(&record.rec, templateRecord, 1);
        if (templateRecord && categories.IsNodeValid(templateRecord->category, 1) &&
            TCategoryListObject::Item(templateRecord->category)->kind == TV_KIND_BOOKMARKS) {
            previousCategory = templateRecord->category;
        } else if (templateRecord && templateRecord->categoryId >= 0 &&
                   categories.FindCategoryById(templateRecord->categoryId, TV_KIND_BOOKMARKS)) {
            previousCategory = categories.FindCategoryById(templateRecord->categoryId, TV_KIND_BOOKMARKS);
        } else {
            ListNode* selected = SelectedCategory();
            if (views_ && views_->ShownKind() == TV_KIND_BOOKMARKS && selected &&
                TCategoryListObject::Item(selected)->kind == TV_KIND_BOOKMARKS)
                previousCategory = selected;
        }
        if (!previousCategory) previousCategory = root;
    } else {
        if (!editNode && views_) editNode = views_->FocusedItem(TV_KIND_BOOKMARKS);
        if (!bookmarks.IsNodeValid(editNode, 1)) return nullptr;
        const BookmarkItem* old = TBookmarkListObject::Item(editNode);
        bookmarks.CopyItem(&record.rec, old, 1);
        previousCategory = categories.IsNodeValid(old->category, 1) ? old->category : root;
    }
    std::string categoryName =
        categories.IsNodeValid(previousCategory, 1) ? TCategoryListObject::Item(previousCategory)->name : "";

    if (showDialog) {
        BookmarkDialogParams params;
        params.isNew = isNew ? 1 : 0;
        for (const ListNode* n = categories.First(); n; n = n->next)
            if (categories.IsNodeValid(n, 0) && TCategoryListObject::Item(n)->kind == TV_KIND_BOOKMARKS)
                params.categories.push_back(TCategoryListObject::Item(n)->name);
        params.category = categoryName;
        params.title = record.rec.title ? record.rec.title : "";
        params.url = record.rec.url ? record.rec.url : "";
        params.description = record.rec.description ? record.rec.description : "";
        if (!dialogs.bookmark || !dialogs.bookmark(window, &params)) return nullptr;
        categoryName = params.category;
        TextAssign(&record.rec.title, params.title.c_str());
        TextAssign(&record.rec.url, params.url.c_str());
        TextAssign(&record.rec.description, params.description.c_str());
    }

    int created = 0;
    ListNode* category = categories.AddCategory(categoryName.c_str(), TV_KIND_BOOKMARKS, -1, &created);
    if (!category) {
        category = root;
        created = 0;
    }
    if (!category) return nullptr;
    record.rec.categoryId = TCategoryListObject::Item(category)->id;
    record.rec.category = category;

    ListNode* node = nullptr;
    bool categoryChanged = false;
    if (isNew) {
        node = bookmarks.Add(&record.rec, 0);
        categoryChanged = category != SelectedCategory();
    } else {
        categoryChanged = TBookmarkListObject::Item(editNode)->category != category;
        bookmarks.CopyItem(editNode->item, &record.rec, 1);
        node = editNode;
    }
    if (!node) return nullptr;
    if (updateView) {
        if (created && tree_) tree_->Reparent(category);
        if (views_) {
            views_->UpdateBookmarkView(node, TV_VIEW_CLEAR_SELECTION | TV_VIEW_SELECT | (isNew ? TV_VIEW_NEW : 0) |
                                                 (categoryChanged ? TV_VIEW_SHOW_CATEGORY : 0));
            views_->FocusList(TV_KIND_BOOKMARKS);
        }
    }
    return node;
}

int TItemOperations::DeleteBookmark(ListNode* node, int updateView, int selectNext) {
    TBookmarkListObject& bookmarks = data_->bookmarks;
    if (!bookmarks.IsNodeValid(node, 1)) return 0;
    const int row = (updateView && views_) ? views_->RowOf(TV_KIND_BOOKMARKS, node) : -1;
    if (updateView && views_) views_->RemoveRow(TV_KIND_BOOKMARKS, node);
    bookmarks.DeleteNode(node);
    if (updateView && selectNext && views_ && row >= 0) {
        const int count = views_->RowCount(TV_KIND_BOOKMARKS);
        if (count > 0) views_->SelectRow(TV_KIND_BOOKMARKS, std::min(row, count - 1));
    }
    return 1;
}

int TItemOperations::DeleteSelectedBookmarks(HWND window) {
    if (!views_) return 0;
    const std::vector<ListNode*> selected = views_->SelectedItems(TV_KIND_BOOKMARKS);
    if (selected.empty()) return 0;
    if (ShowItemMessage(window, IDS_DELETE_BOOKMARKS, TV_CAPTION_QUESTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    int deleted = 0;
    for (ListNode* node : selected)
        if (data_->bookmarks.IsNodeValid(node, 1) && TBookmarkListObject::IsItemShown(TBookmarkListObject::Item(node)))
            deleted += DeleteBookmark(node, 1, 0);
    return deleted;
}

// ================================================================ shortcuts

void TItemOperations::RefreshShortcutState(ListNode* node) { ::RefreshShortcutState(data_, node); }

ListNode* TItemOperations::AddShortcutFile(const char* path, ListNode* category, int flags) {
    TShortcutListObject& shortcuts = data_->shortcuts;
    TCategoryListObject& categories = data_->categories;
    if (!path || !categories.IsNodeValid(category, 1)) return nullptr;
    const CategoryItem* c = TCategoryListObject::Item(category);
    if (c->kind != TV_KIND_SHORTCUTS) return nullptr;

    char trimmed[TV_PATH_SIZE], expanded[TV_PATH_SIZE], source[TV_PATH_SIZE];
    if (!TrimmedCopy(trimmed, sizeof trimmed, path)) return nullptr;
    const DWORD n = ExpandEnvironmentStringsA(trimmed, expanded, sizeof expanded);
    if (n == 0 || n > sizeof expanded) return nullptr;
    size_t k = 0;
    for (const char* p = expanded; *p; ++p)
        if (*p != '"') source[k++] = *p;
    source[k] = '\0';
    TrimSpaces(source, TV_TRIM_BOTH);
    if (!IsFile(source)) return nullptr;

    char name[TV_PATH_SIZE], title[TV_PATH_SIZE];
    SplitPath(source, nullptr, 0, name, sizeof name);
    if (!IsValidFileName(name)) return nullptr;
    if (!shortcuts.MakeUniqueShortcutTitle(title, sizeof title, name, c->id)) return nullptr;

    TempRecord<TShortcutListObject, ShortcutItem> record(&shortcuts);
    TextAssign(&record.rec.title, title);
    record.rec.categoryId = c->id;
    record.rec.category = category;
    char destination[TV_PATH_SIZE];
    if (shortcuts.ShortcutPath(destination, sizeof destination, &record.rec, &categories, Locations()) != TV_FOLDER_OK)
        return nullptr;
    if (!CopyOrMoveStoredFile(source, destination, (flags & TV_SHORTCUT_MOVE) != 0)) return nullptr;
    // Titles are unique per category only: no duplicate check across categories.
    ListNode* node = shortcuts.Add(&record.rec, 0);
    if (!node) return nullptr;
    RefreshShortcutState(node);
    if ((flags & TV_SHORTCUT_UPDATE_VIEW) && views_)
        views_->UpdateShortcutView(node, TV_VIEW_NEW | TV_VIEW_CLEAR_SELECTION | TV_VIEW_SELECT);
    return node;
}

int TItemOperations::RenameShortcut(HWND window, ListNode* node, const char* newTitle, int viewFlags) {
    TShortcutListObject& shortcuts = data_->shortcuts;
    if (!node && views_) node = views_->FocusedItem(TV_KIND_SHORTCUTS);
    if (!shortcuts.IsNodeValid(node, 1) || !newTitle) return 0;
    char title[TV_PATH_SIZE];
    bool fits = TrimmedCopy(title, sizeof title, newTitle);
    char ext[TV_PATH_SIZE];
    SplitPathParts(title, nullptr, nullptr, nullptr, ext);
    if (fits && !TextEquals(ext, ".lnk", 0, 0)) fits = !AppendLimited(title, ".lnk", sizeof title);
    if (!fits || !IsValidFileName(title)) {
        ShowItemMessage(window, IDS_SHORTCUT_NAME_INVALID, TV_CAPTION_ERROR, MB_OK);
        return 0;
    }
    ShortcutItem* r = TShortcutListObject::Item(node);
    if (TextEquals(title, r->title, 1, 0)) return 0;  // the same title: nothing to do (a change of case renames)
    // Two records must never share one link file.
    ListNode* other = shortcuts.FindShortcutByTitle(title, r->categoryId);
    if (other && other != node) return 0;

    TempRecord<TShortcutListObject, ShortcutItem> copy(&shortcuts);
    shortcuts.CopyItem(&copy.rec, r, 1);
    TextAssign(&copy.rec.title, title);
    const StorageLocations locations = Locations();
    char oldPath[TV_PATH_SIZE], newPath[TV_PATH_SIZE];
    const int oldCode = shortcuts.ShortcutPath(oldPath, sizeof oldPath, r, &data_->categories, locations);
    if (shortcuts.ShortcutPath(newPath, sizeof newPath, &copy.rec, &data_->categories, locations) != TV_FOLDER_OK)
        return 0;
    if (oldCode == TV_FOLDER_OK) {
        if (IsFile(oldPath) && !RenameFile(oldPath, newPath)) return 0;
    } else if (oldCode != TV_FOLDER_BAD_NAME) {
        return 0;
    }
    shortcuts.CopyItem(r, &copy.rec, 1);
    RefreshShortcutState(node);
    if ((viewFlags & 2) && views_) views_->UpdateShortcutView(node, TV_VIEW_CLEAR_SELECTION | TV_VIEW_SELECT);
    return 1;
}

int TItemOperations::DeleteShortcut(HWND window, ListNode* node, int updateView) {
    TShortcutListObject& shortcuts = data_->shortcuts;
    if (!node && views_) node = views_->FocusedItem(TV_KIND_SHORTCUTS);
    if (!shortcuts.IsNodeValid(node, 1)) return 0;
    ShortcutItem* r = TShortcutListObject::Item(node);
    if (r->flags & TV_SHORTCUT_EXISTS) {
        char path[TV_PATH_SIZE];
        const int code = shortcuts.ShortcutPath(path, sizeof path, r, &data_->categories, Locations());
        const bool deleted =
            code == TV_FOLDER_OK && (DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES);
        if (!deleted &&
            ShowItemMessage(window, IDS_DELETE_FILE_FAILED, TV_CAPTION_ERROR, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return 0;
    }
    if (updateView && views_) views_->RemoveRow(TV_KIND_SHORTCUTS, node);
    shortcuts.DeleteNode(node);
    return 1;
}

int TItemOperations::DeleteSelectedShortcuts(HWND window) {
    if (!views_) return 0;
    const std::vector<ListNode*> selected = views_->SelectedItems(TV_KIND_SHORTCUTS);
    if (selected.empty()) return 0;
    if (ShowItemMessage(window, IDS_DELETE_SHORTCUTS, TV_CAPTION_QUESTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    int deleted = 0;
    for (ListNode* node : selected)
        if (data_->shortcuts.IsNodeValid(node, 1) && TShortcutListObject::IsItemShown(TShortcutListObject::Item(node)))
            deleted += DeleteShortcut(window, node, 1);
    return deleted;
}

namespace {
// Writes a shell link at path (ANSI) pointing at target with the description. COM is initialised
// for the call only.
bool WriteShellLink(const char* path, const char* target, const char* description) {
    WCHAR widePath[TV_PATH_SIZE];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, int(TV_PATH_SIZE))) return false;
    const HRESULT init = CoInitialize(nullptr);
    bool saved = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(target);
        link->SetDescription(description);
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(widePath, TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return saved;
}
}  // namespace

ListNode* TItemOperations::CreateShortcutFile(HWND window, ListNode* category, const char* target, const char* title,
                                              int showCategory) {
    (void)window;
    TShortcutListObject& shortcuts = data_->shortcuts;
    TCategoryListObject& categories = data_->categories;
    if (!categories.IsNodeValid(category, 1) || !target || !target[0] || !title || !title[0]) return nullptr;
    const CategoryItem* c = TCategoryListObject::Item(category);
    if (c->kind != TV_KIND_SHORTCUTS) return nullptr;
    char linkTitle[TV_PATH_SIZE];
    if (FormatLimited(linkTitle, sizeof linkTitle, "%s.lnk", title) || !IsValidFileName(linkTitle)) return nullptr;

    TempRecord<TShortcutListObject, ShortcutItem> record(&shortcuts);
    TextAssign(&record.rec.title, linkTitle);
    record.rec.categoryId = c->id;
    record.rec.category = category;
    char path[TV_PATH_SIZE];
    if (shortcuts.ShortcutPath(path, sizeof path, &record.rec, &categories, Locations()) != TV_FOLDER_OK) return nullptr;
    char folder[TV_PATH_SIZE];
    SplitPath(path, folder, sizeof folder, nullptr, 0);
    CreateDirectoryPath(folder);
    if (IsFile(path)) DeleteFileA(path);
    if (!WriteShellLink(path, target, title)) return nullptr;

    // A record with this title in this category already names this file; titles in other
    // categories are other files.
    ListNode* node = shortcuts.FindShortcutByTitle(linkTitle, c->id);
    const bool added = node == nullptr;
    if (added) node = shortcuts.Add(&record.rec, 0);
    if (!node) return nullptr;
    RefreshShortcutState(node);
    if (views_)
        views_->UpdateShortcutView(node, (added ? TV_VIEW_NEW : 0) | TV_VIEW_CLEAR_SELECTION | TV_VIEW_SELECT |
                                             (showCategory ? TV_VIEW_SHOW_CATEGORY : 0));
    return node;
}

ListNode* TItemOperations::NewShortcut(HWND window) {
    NewShortcutParams params;
    if (!dialogs.newShortcut || !dialogs.newShortcut(window, &params)) return nullptr;
    TCategoryListObject& categories = data_->categories;
    ListNode* category = SelectedCategory();
    int showCategory = 0;
    if (!categories.IsNodeValid(category, 1) || TCategoryListObject::Item(category)->kind != TV_KIND_SHORTCUTS) {
        category = categories.FindCategoryById(0, TV_KIND_SHORTCUTS);
        showCategory = 1;
    }
    return CreateShortcutFile(window, category, params.target, params.title, showCategory);
}
