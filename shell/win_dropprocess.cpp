#include "shell/win_dropprocess.h"

#include <string>

#include "core/items.h"
#include "database/programdata.h"
#include "intake/win_filecopy.h"
#include "shell/dragdrop.h"
#include "util/path.h"
#include "util/textcopy.h"

namespace {

StorageLocations LocationsOf(const TProgramData* program) {
    return StorageLocations{program->standards.downloadsLocation, program->standards.shortcutsLocation};
}

bool FileThere(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The stored file of a download as it would lie in category under storedName.
bool DownloadPathIn(const TProgramData* program, const FileItem* item, const ListNode* category,
                    const char* storedName, char* out, size_t size) {
    FileItem probe = *item;
    probe.storedName = const_cast<char*>(storedName);
    return program->downloads.FilePath(out, size, &probe, &program->categories, LocationsOf(program), category) ==
           TV_FOLDER_OK;
}

int KindOfCategory(const TProgramData* program, const ListNode* category) {
    const CategoryItem* c = program->categories.IsNodeValid(category, 1) ? TCategoryListObject::Item(category) : nullptr;
    return c ? int(c->kind) : 0;
}

// The file name of a path without folder and extension.
std::string BareName(const std::string& path) {
    char name[TV_PATH_SIZE];
    SplitPath(path.c_str(), nullptr, 0, name, sizeof(name));
    std::string title = name;
    const size_t dot = title.find_last_of('.');
    if (dot != std::string::npos && dot > 0) title.erase(dot);
    return title;
}

}  // namespace

bool MoveDownloadToCategory(TProgramData* program, ListNode* download, ListNode* category) {
    if (!program || !program->downloads.IsNodeValid(download, 1) || KindOfCategory(program, category) != TV_KIND_DOWNLOADS)
        return false;
    FileItem* item = TFileListObject::Item(download);
    const CategoryItem* target = TCategoryListObject::Item(category);
    if (item->categoryId == target->id) return false;
    char stored[TV_PATH_SIZE], from[TV_PATH_SIZE], to[TV_PATH_SIZE];
    if (!program->downloads.MakeUniqueStoredName(stored, sizeof(stored), item->storedName, target->id)) return false;
    if (!DownloadPathIn(program, item, item->category, item->storedName, from, sizeof(from)) ||
        !DownloadPathIn(program, item, category, stored, to, sizeof(to)))
        return false;
    // A download whose file is missing moves as a record; a file that does not move keeps both
    // where they were.
    if (FileThere(from) && CopyOrMoveFile(from, to, 1, 0) != 0) return false;
    TextAssign(&item->storedName, stored);
    item->categoryId = target->id;
    item->category = category;
    RefreshFileState(program, download);
    return true;
}

ListNode* CopyDownloadToCategory(TProgramData* program, ListNode* download, ListNode* category) {
    if (!program || !program->downloads.IsNodeValid(download, 1) || KindOfCategory(program, category) != TV_KIND_DOWNLOADS)
        return nullptr;
    const FileItem* item = TFileListObject::Item(download);
    const CategoryItem* target = TCategoryListObject::Item(category);
    char stored[TV_PATH_SIZE], from[TV_PATH_SIZE], to[TV_PATH_SIZE];
    if (!program->downloads.MakeUniqueStoredName(stored, sizeof(stored), item->storedName, target->id)) return nullptr;
    if (!DownloadPathIn(program, item, item->category, item->storedName, from, sizeof(from)) ||
        !DownloadPathIn(program, item, category, stored, to, sizeof(to)))
        return nullptr;
    if (FileThere(from) && CopyOrMoveFile(from, to, 0, 0) != 0) return nullptr;
    FileItem copy;
    program->downloads.InitItem(&copy);
    program->downloads.CopyItem(&copy, item, 1);
    TextAssign(&copy.storedName, stored);
    copy.categoryId = target->id;
    copy.category = category;
    ListNode* node = program->downloads.Add(&copy, 0);
    program->downloads.FreeItemData(&copy);
    if (!node) {
        DeleteFileA(to);
        return nullptr;
    }
    RefreshFileState(program, node);
    return node;
}

namespace {

// Items of the program into category target: true when anything changed.
bool ProcessItems(const TDropEnvironment& env, const TDraggedList& entries, int kind, uint32_t operation,
                  ListNode* target) {
    TProgramData* program = env.program;
    const int32_t targetId = TCategoryListObject::Item(target)->id;
    const bool move = operation == TV_EFFECT_MOVE;
    bool changed = false;
    for (const TDraggedEntry& e : entries) {
        if (e.kind != kind) continue;
        if (kind == TV_KIND_DOWNLOADS && program->downloads.IsNodeValid(e.node, 1)) {
            if (move) {
                if (TFileListObject::Item(e.node)->categoryId != targetId && env.views)
                    env.views->RemoveRow(TV_KIND_DOWNLOADS, e.node);
                changed = MoveDownloadToCategory(program, e.node, target) || changed;
            } else {
                changed = CopyDownloadToCategory(program, e.node, target) != nullptr || changed;
            }
        } else if (kind == TV_KIND_BOOKMARKS && program->bookmarks.IsNodeValid(e.node, 1)) {
            BookmarkItem* bookmark = TBookmarkListObject::Item(e.node);
            if (move) {
                if (bookmark->categoryId == targetId) continue;
                bookmark->categoryId = targetId;
                bookmark->category = target;
                changed = true;
            } else {
                BookmarkItem copy;
                program->bookmarks.InitItem(&copy);
                program->bookmarks.CopyItem(&copy, bookmark, 1);
                copy.categoryId = targetId;
                copy.category = target;
                changed = program->bookmarks.Add(&copy, 0) != nullptr || changed;
                program->bookmarks.FreeItemData(&copy);
            }
        } else if (kind == TV_KIND_SHORTCUTS && program->shortcuts.IsNodeValid(e.node, 1) && env.operations) {
            const ShortcutItem* shortcut = TShortcutListObject::Item(e.node);
            if (move && shortcut->categoryId == targetId) continue;
            char path[TV_PATH_SIZE];
            if (program->shortcuts.ShortcutPath(path, sizeof(path), shortcut, &program->categories,
                                                LocationsOf(program)) != TV_FOLDER_OK)
                continue;
            if (!env.operations->AddShortcutFile(path, target, move ? TV_SHORTCUT_MOVE : 0)) continue;
            changed = true;
            // The link file went with the move: its old record goes too.
            if (move && !FileThere(path)) {
                if (env.views) env.views->RemoveRow(TV_KIND_SHORTCUTS, e.node);
                program->shortcuts.DeleteNode(e.node);
            }
        }
    }
    return changed;
}

}  // namespace

uint32_t ProcessDrop(const TDropEnvironment& env, const TDropInfo& info, ListNode* target) {
    TProgramData* program = env.program;
    if (!program || !info.data || !target || !program->categories.IsNodeValid(target, 1)) return TV_EFFECT_NONE;
    const CategoryItem* category = TCategoryListObject::Item(target);
    const int kind = category->kind;
    const uint32_t operation = info.operation ? info.operation : TV_EFFECT_COPY;
    const bool toCategory = info.target == TV_DROP_CATEGORY;
    const bool toKind = toCategory || info.target == kind;

    // 1. A category moves under the target.
    if ((info.formats & TV_FMT_CATEGORIES) && toCategory) {
        const uint32_t bit = (info.formats & TV_FMT_FILE_CATEGORIES)       ? TV_FMT_FILE_CATEGORIES
                             : (info.formats & TV_FMT_BOOKMARK_CATEGORIES) ? TV_FMT_BOOKMARK_CATEGORIES
                                                                           : TV_FMT_SHORTCUT_CATEGORIES;
        const TDraggedList* entries = ReadDraggedList(info.data, bit);
        if (!entries || entries->empty() || entries->front().kind != 0) return TV_EFFECT_NONE;
        ListNode* moved = entries->front().node;
        // Only within its own root: an id of another kind would name another category.
        if (KindOfCategory(program, moved) != kind || !env.operations) return TV_EFFECT_NONE;
        return env.operations->MoveCategory(env.window, moved, category->id) ? TV_EFFECT_MOVE : TV_EFFECT_NONE;
    }

    // 2. Items of the program.
    const uint32_t itemBit = ItemFormatOf(kind);
    bool itemsRead = false;
    if (toKind && (info.formats & itemBit)) {
        uint32_t contentKind = 0;
        const TDraggedList* entries = ReadDraggedList(info.data, itemBit, &contentKind);
        if (entries) {
            itemsRead = true;
            if (contentKind == itemBit && ProcessItems(env, *entries, kind, operation, target)) {
                if (env.views) env.views->ShowCategoryContents();
                return operation;
            }
            return TV_EFFECT_NONE;
        }
    }

    // 3. Files from outside (also the file list of another program's items of our kinds).
    if ((info.formats & TV_FMT_HDROP) && !itemsRead && toKind &&
        (kind == TV_KIND_DOWNLOADS || kind == TV_KIND_SHORTCUTS)) {
        const std::vector<std::string> files = ReadDroppedFiles(info.data);
        const bool move = operation == TV_EFFECT_MOVE;
        int done = 0;
        for (const std::string& file : files) {
            if (kind == TV_KIND_DOWNLOADS) {
                const uint32_t options = (files.size() == 1 ? TV_INTAKE_SET_ONE_FILE : TV_INTAKE_SET_EACH_FILE) |
                                         (move ? uint32_t(TV_INTAKE_MOVE) : 0u);
                done += FileIntake(env.intake, nullptr, nullptr, file.c_str(), options);
            } else if (!env.operations) {
                break;
            } else if (operation == TV_EFFECT_LINK) {
                done += env.operations->CreateShortcutFile(env.window, target, file.c_str(), BareName(file).c_str(), 0)
                            ? 1 : 0;
            } else {
                done += env.operations->AddShortcutFile(file.c_str(), target,
                                                        TV_SHORTCUT_UPDATE_VIEW | (move ? TV_SHORTCUT_MOVE : 0))
                            ? 1 : 0;
            }
        }
        if (done && env.views) env.views->ShowCategoryContents();
        return done && !move ? operation : TV_EFFECT_NONE;
    }

    // 4. A URL becomes a bookmark, through the bookmark dialog.
    if ((info.target == TV_DROP_BOOKMARK_LIST || toCategory) && kind == TV_KIND_BOOKMARKS &&
        (info.formats & (TV_FMT_URL | TV_FMT_NETSCAPE_BOOKMARK)) && env.operations) {
        std::string url;
        if (!ReadDroppedUrl(info.data, (info.formats & TV_FMT_NETSCAPE_BOOKMARK) != 0, &url)) return TV_EFFECT_NONE;
        const std::string title = ReadDroppedTitle(info.data);
        BookmarkItem record;
        program->bookmarks.InitItem(&record);
        TextAssign(&record.url, url.c_str());
        TextAssign(&record.title, title.c_str());
        record.categoryId = category->id;
        record.category = target;
        ListNode* added = env.operations->AddOrEditBookmark(env.window, 1, &record, nullptr, 1, 1);
        program->bookmarks.FreeItemData(&record);
        return added ? operation : TV_EFFECT_NONE;
    }
    return TV_EFFECT_NONE;
}

std::vector<TDragRecordState> CaptureDragState(TProgramData* program, const TDraggedList& entries) {
    std::vector<TDragRecordState> state;
    if (!program) return state;
    for (const TDraggedEntry& e : entries) {
        if (e.kind == TV_KIND_DOWNLOADS && program->downloads.IsNodeValid(e.node, 1)) {
            RefreshFileState(program, e.node);
            state.push_back({e.kind, e.node, (TFileListObject::Item(e.node)->flags & TV_FILE_EXISTS) != 0});
        } else if (e.kind == TV_KIND_SHORTCUTS && program->shortcuts.IsNodeValid(e.node, 1)) {
            RefreshShortcutState(program, e.node);
            state.push_back({e.kind, e.node, (TShortcutListObject::Item(e.node)->flags & TV_SHORTCUT_EXISTS) != 0});
        }
    }
    return state;
}

int CleanUpAfterDrag(TProgramData* program, TItemViews* views, const std::vector<TDragRecordState>& state,
                     uint32_t effect) {
    if (!program) return 0;
    int removed = 0;
    for (const TDragRecordState& s : state) {
        TDynamicListObject* list = s.kind == TV_KIND_DOWNLOADS ? static_cast<TDynamicListObject*>(&program->downloads)
                                                               : &program->shortcuts;
        // The record may have gone (or moved elsewhere) while the drag ran.
        if (!list->IsNodeValid(s.node, 1)) continue;
        bool after;
        if (s.kind == TV_KIND_DOWNLOADS) {
            RefreshFileState(program, s.node);
            after = (TFileListObject::Item(s.node)->flags & TV_FILE_EXISTS) != 0;
        } else {
            RefreshShortcutState(program, s.node);
            after = (TShortcutListObject::Item(s.node)->flags & TV_SHORTCUT_EXISTS) != 0;
        }
        if (!RecordLeftWithDrag(s.fileBefore, after, effect)) continue;
        if (views) views->RemoveRow(s.kind, s.node);
        list->DeleteNode(s.node);
        ++removed;
    }
    if (removed && views) views->ShowCategoryContents();
    return removed;
}
