#include "interchange/create.h"

#include <cstring>

#include "database/body.h"
#include "interchange/format.h"
#include "interchange/names.h"
#include "interchange/traversal.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"

TInterchangeChoice TInterchangeChoice::FromSettings(const InterchangeFileSettings& settings) {
    TInterchangeChoice c;
    c.kind = settings.kind == TV_INTERCHANGE_BACKUP ? TV_INTERCHANGE_BACKUP : TV_INTERCHANGE_EXCERPT;
    c.downloads = settings.downloadsIncluded == 1;
    c.bookmarks = settings.bookmarksIncluded == 1;
    c.downloadCategoryId = settings.downloadCategoryId;
    c.bookmarkCategoryId = settings.bookmarkCategoryId;
    return c;
}

namespace {

void Step(TInterchangeHost* host, uint32_t* done, uint32_t total) {
    if (done) ++*done;
    if (host) host->Progress(done ? *done : 0, total);
}

// A stored name or title that can stand as the last component of a path in its folder.
bool UsableName(const char* name) {
    if (!name || !*name) return false;
    bool onlyDots = true;
    for (const char* p = name; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') return false;
        if (*p != '.' && *p != ' ') onlyDots = false;
    }
    return !onlyDots;
}

std::string JoinName(const std::string& folder, const char* name) {
    if (folder.empty() || !UsableName(name)) return std::string();
    std::string path = folder + name;
    return path.size() < TV_PATH_SIZE ? path : std::string();
}

// Copies the subtree of the live category start (kind of the category) into content under the new
// root of the kind.
void CopyKind(const TProgramData& data, const ListNode* start, TInterchangeHost* host, TInterchangeContent* content) {
    const CategoryItem* startCategory = TCategoryListObject::Item(start);
    const int kind = startCategory->kind;
    const StorageLocations locations{data.standards.downloadsLocation, data.standards.shortcutsLocation};
    TCategoryListObject& newCategories = content->categories;
    const TDynamicListObject& liveItems = kind == TV_KIND_DOWNLOADS   ? static_cast<const TDynamicListObject&>(data.downloads)
                                          : kind == TV_KIND_BOOKMARKS ? static_cast<const TDynamicListObject&>(data.bookmarks)
                                                                      : static_cast<const TDynamicListObject&>(data.shortcuts);
    const TItemsByCategory items(liveItems, kind);
    const std::vector<TCategoryVisit> walk = WalkCategories(data.categories, start);
    std::vector<int32_t> destination(walk.size(), 0);  // new category id per visit
    TStoredNameIndex storedNames;

    for (size_t i = 0; i < walk.size(); ++i) {
        const CategoryItem* source = TCategoryListObject::Item(walk[i].node);
        if (i > 0) {
            const int32_t parent = destination[walk[i].parent];
            ListNode* added = newCategories.AddCategory(source->name, kind, parent, nullptr);
            if (!added) {
                // A name no folder could have (only a damaged database holds one): cleaned.
                char clean[TV_PATH_SIZE];
                CleanFileName(source->name, clean, sizeof clean);
                added = newCategories.AddCategory(clean, kind, parent, nullptr);
            }
            destination[i] = added ? TCategoryListObject::Item(added)->id : parent;
        }
        const int32_t target = destination[i];

        char folderBuffer[TV_PATH_SIZE] = {};
        std::string folder;
        if (kind != TV_KIND_BOOKMARKS &&
            data.categories.CategoryFolder(folderBuffer, sizeof folderBuffer, walk[i].node, locations) == TV_FOLDER_OK)
            folder = folderBuffer;

        for (const ListNode* node : items.Of(source->id)) {
            if (kind == TV_KIND_DOWNLOADS) {
                FileItem copy = *TFileListObject::Item(node);
                const std::string path = JoinName(folder, copy.storedName);
                if (!path.empty() && host && host->FileSize(path.c_str()) > TV_INTERCHANGE_MAX_BLOCK) {
                    content->tooLarge.push_back(copy.fileName);
                    continue;
                }
                char stored[TV_PATH_SIZE];
                storedNames.MakeUnique(stored, sizeof stored, copy.fileName, target);
                copy.storedName = stored;
                copy.categoryId = target;
                copy.category = nullptr;
                if (!content->downloads.Add(&copy, 0)) continue;
                storedNames.Add(stored, target);
                content->downloadSources.push_back(path);
            } else if (kind == TV_KIND_BOOKMARKS) {
                BookmarkItem copy = *TBookmarkListObject::Item(node);
                copy.categoryId = target;
                copy.category = nullptr;
                content->bookmarks.Add(&copy, 0);
            } else {
                ShortcutItem copy = *TShortcutListObject::Item(node);
                const std::string path = JoinName(folder, copy.title);
                copy.categoryId = target;
                copy.category = nullptr;
                if (!content->shortcuts.Add(&copy, 0)) continue;
                content->shortcutSources.push_back(path);
            }
        }
    }
}

}  // namespace

TInterchangeBuildResult BuildInterchangeContent(const TProgramData& data, const TInterchangeChoice& choice,
                                                TInterchangeHost* host, TInterchangeContent* content, uint32_t* done,
                                                uint32_t total) {
    content->choice = choice;
    content->categories.Clear();
    content->downloads.Clear();
    content->bookmarks.Clear();
    content->shortcuts.Clear();
    content->downloadSources.clear();
    content->shortcutSources.clear();
    content->tooLarge.clear();

    // The three roots, named as the program names them.
    for (int kind = TV_KIND_DOWNLOADS; kind <= TV_KIND_SHORTCUTS; ++kind) {
        std::string name = TvString(TV_IDS_ROOT_DOWNLOADS + uint32_t(kind) - 1);
        CategoryItem root{uint8_t(kind), TV_CATEGORY_EXPANDED, &name[0], 0, 0, nullptr};
        content->categories.Add(&root, 0);
    }

    const bool backup = choice.kind == TV_INTERCHANGE_BACKUP;
    struct Part {
        bool included;
        int kind;
        int32_t source;
    };
    const Part parts[] = {{choice.HasDownloads(), TV_KIND_DOWNLOADS, backup ? 0 : choice.downloadCategoryId},
                          {choice.HasBookmarks(), TV_KIND_BOOKMARKS, backup ? 0 : choice.bookmarkCategoryId},
                          {choice.HasShortcuts(), TV_KIND_SHORTCUTS, 0}};
    // Check every chosen category before copying anything.
    for (const Part& part : parts)
        if (part.included && !data.categories.FindCategoryById(part.source, part.kind)) return TV_BUILD_NO_CATEGORY;
    for (const Part& part : parts) {
        if (!part.included) continue;
        CopyKind(data, data.categories.FindCategoryById(part.source, part.kind), host, content);
        Step(host, done, total);
    }
    return TV_BUILD_OK;
}

uint32_t InterchangeCreationSteps(const TInterchangeContent& content) {
    uint32_t steps = 2;
    if (content.choice.HasDownloads()) steps += content.downloads.Count(1) + 1;
    if (content.choice.HasBookmarks()) steps += 1;
    if (content.choice.HasShortcuts()) steps += content.shortcuts.Count(1) + 1;
    return steps;
}

namespace {

void PumpHost(void* context) { static_cast<TInterchangeHost*>(context)->Pump(); }

// One block for the stored file at path (an empty block when it cannot be read).
bool WriteBlockFor(TByteStream* out, const std::string& path, TInterchangeHost* host, TInterchangeWriteReport* report) {
    const TPumpHook pump{host ? PumpHost : nullptr, host};
    std::unique_ptr<TByteStream> source;
    int64_t size = -1;
    if (!path.empty() && host) source = host->OpenForReading(path.c_str(), &size);
    if (!source || size < 0) {
        report->unreadable.push_back(path);
        return WriteStoredFileBlock(out, nullptr, 0, pump, nullptr);
    }
    if (size > TV_INTERCHANGE_MAX_BLOCK) {
        // It grew past what a block can hold since the lists were built.
        report->changed.push_back(path);
        return WriteStoredFileBlock(out, nullptr, 0, pump, nullptr);
    }
    TBlockWriteResult result;
    const bool ok = WriteStoredFileBlock(out, source.get(), size, pump, &result);
    if (result.changed) report->changed.push_back(path);
    return ok;
}

}  // namespace

bool WriteInterchangeContent(TByteStream* out, TProgramData* data, const TInterchangeContent& content,
                             TInterchangeHost* host, TInterchangeWriteReport* report, uint32_t* done, uint32_t total) {
    TInterchangeWriteReport local;
    TInterchangeWriteReport& r = report ? *report : local;
    if (!out || !data) {
        r.writeFailed = true;
        return false;
    }
    const TInterchangeChoice& choice = content.choice;
    const bool backup = choice.kind == TV_INTERCHANGE_BACKUP;

    InterchangeFileSettings header;
    header.kind = backup ? TV_INTERCHANGE_BACKUP : TV_INTERCHANGE_EXCERPT;
    header.downloadsIncluded = !backup && choice.downloads ? 1 : 0;
    header.bookmarksIncluded = !backup && choice.bookmarks ? 1 : 0;

    // The record part is put together in memory and written at once: thousands of small fields
    // would otherwise each be a write of their own.
    TMemoryStream records;
    bool ok = WriteInterchangeHeader(&records, header);
    if (backup) {
        // Temporary files of this run stay out of the backup.
        TTempFileListObject kept;
        data->tempFiles.CopyTo(&kept, 0);
        data->tempFiles.Clear();
        ok = WriteDatabaseBody(&records, TV_DB_NO_HEADER | TV_DB_NO_WINDOW_SECTIONS, data, &content.categories,
                               &content.downloads, &content.bookmarks, &content.shortcuts) &&
             ok;
        kept.CopyTo(&data->tempFiles, 0);
    } else {
        ok = content.categories.Write(&records) && ok;
        if (choice.downloads) ok = content.downloads.Write(&records) && ok;
        if (choice.bookmarks) ok = content.bookmarks.Write(&records) && ok;
    }
    ok = ok && out->Write(records.Data().data(), records.Data().size());
    Step(host, done, total);

    const std::vector<std::string>* sources[2] = {choice.HasDownloads() ? &content.downloadSources : nullptr,
                                                  choice.HasShortcuts() ? &content.shortcutSources : nullptr};
    for (const std::vector<std::string>* list : sources) {
        if (!list) continue;
        for (const std::string& path : *list) {
            if (!ok) break;
            if (host && host->Cancelled()) {
                r.cancelled = true;
                return false;
            }
            ok = WriteBlockFor(out, path, host, &r);
            Step(host, done, total);
        }
    }
    // A buffered file holds the last bytes until now: a failure to write them fails the file too.
    ok = ok && out->Flush();
    if (!ok) r.writeFailed = true;
    return ok && !r.cancelled;
}
