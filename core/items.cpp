#include "core/items.h"

#include <climits>
#include <cstdlib>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/list_io.h"
#include "core/unique_name.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

template <typename T>
T* AllocRecord() {
    // Zeroed, so that a record whose copy stopped part-way can still be released.
    void* p = std::calloc(1, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
}

void ReleaseRecord(ListNode* node) {
    if (!node) return;
    std::free(node->item);
    node->item = nullptr;
}

// A text without its leading and trailing blanks, as a view into the original.
struct Span {
    const char* text;
    size_t length;
};

Span Trimmed(const char* text) {
    if (!text) return {"", 0};
    while (*text == ' ') ++text;
    size_t n = 0;
    while (text[n]) ++n;
    while (n > 0 && text[n - 1] == ' ') --n;
    return {text, n};
}

bool SpanEquals(Span a, Span b) {
    if (a.length != b.length) return false;
    if (a.length == 0) return true;
    const int limit = a.length > size_t(INT_MAX) ? INT_MAX : int(a.length);
    return TextEquals(a.text, b.text, 0, limit) == 1;
}

// Case-insensitive comparison: the given text trimmed; the stored text trimmed too when asked.
bool MatchesTrimmed(const char* stored, Span wanted, bool trimStored) {
    if (!stored) return false;
    if (trimStored) return SpanEquals(Trimmed(stored), wanted);
    size_t n = 0;
    while (stored[n]) ++n;
    return SpanEquals(Span{stored, n}, wanted);
}

bool Present(const char* text) { return text && *text; }

// A name that can stand as one component of a path inside a storage folder without leaving it:
// not empty, no separator or drive colon, not made only of dots and blanks ("." and ".." and the
// names that Windows reduces to them).
bool IsSafePathComponent(const char* name) {
    if (!name || !*name) return false;
    bool onlyDots = true;
    for (const char* p = name; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') return false;
        if (*p != '.' && *p != ' ') onlyDots = false;
    }
    return !onlyDots;
}

uint64_t CategoryKey(int kind, int32_t id) { return (uint64_t(uint8_t(kind)) << 32) | uint32_t(id); }

CategoryCheckResult Result(int code, uint32_t messageId = 0, TvCaption caption = TV_CAPTION_NONE) {
    return CategoryCheckResult{code, messageId, caption};
}

// Writes text into out[size]; TV_FOLDER_TOO_LONG (out emptied) when it does not fit.
int Deliver(char* out, size_t size, const std::string& text) {
    if (!out || size == 0) return TV_FOLDER_TOO_LONG;
    if (text.size() + 1 > size) {
        out[0] = '\0';
        return TV_FOLDER_TOO_LONG;
    }
    CopyLimited(out, text.c_str(), size);
    return TV_FOLDER_OK;
}

}  // namespace

// ================================================================ categories

void TCategoryListObject::InitItem(void* item) {
    auto* r = static_cast<CategoryItem*>(item);
    if (!r) return;
    r->kind = 0;
    r->flags = TV_CATEGORY_EXPANDED;
    r->name = TextDuplicate("");
    r->id = -1;
    r->parentId = 0;
    r->treeItem = nullptr;
}
void TCategoryListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<CategoryItem*>(item)) TextRelease(&r->name);
}
void TCategoryListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<CategoryItem*>(dest);
    auto* s = static_cast<const CategoryItem*>(src);
    if (!d || !s) return;
    d->kind = s->kind;
    d->flags = s->flags;
    TextAssign(&d->name, s->name, freeOld == 1);
    d->id = s->id;
    d->parentId = s->parentId;
    d->treeItem = s->treeItem;
}
int TCategoryListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const CategoryItem*>(item);
    return r && r->name ? 1 : 0;
}
void* TCategoryListObject::NewItem() { return AllocRecord<CategoryItem>(); }
void TCategoryListObject::DeleteItem(ListNode* node) { ReleaseRecord(node); }
ListNode* TCategoryListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const CategoryItem*>(item);
    if (!r) return nullptr;
    for (ListNode* node = First(); node; node = node->next) {
        const CategoryItem* c = Item(node);
        if (c && c->kind == r->kind && c->id == r->id) return node;
    }
    return nullptr;
}

int TCategoryListObject::Read(TByteStream* file) {
    // The duplicate check of Add, answered from an index of the (kind, id) pairs present.
    std::unordered_set<uint64_t> present;
    for (const ListNode* node = First(); node; node = node->next)
        if (const CategoryItem* c = Item(node)) present.insert(CategoryKey(c->kind, c->id));
    return tvlist::ReadSection<CategoryItem>(
        this, file,
        [file](CategoryItem* r) {
            return file->ReadU8(&r->kind) && file->ReadU8(&r->flags) && file->ReadI32(&r->id) &&
                   file->ReadI32(&r->parentId) && tvlist::ReadHeapText(file, &r->name);
        },
        [this, &present](CategoryItem* r) {
            r->treeItem = nullptr;
            if (present.insert(CategoryKey(r->kind, r->id)).second) Add(r, 0);
        });
}

int TCategoryListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<CategoryItem>(this, file, [file](const CategoryItem* r) {
        return file->WriteU8(r->kind) && file->WriteU8(r->flags) && file->WriteI32(r->id) &&
               file->WriteI32(r->parentId) && WriteCountedString(file, r->name);
    });
}

ListNode* TCategoryListObject::FindCategoryById(int32_t id, int kind, const ListNode* start, int byParent) const {
    ListNode* node = (start && IsNodeValid(start, 1)) ? const_cast<ListNode*>(start) : First();
    for (; node; node = node->next) {
        if (!WalkedNodeValid(node)) continue;
        const CategoryItem* c = Item(node);
        if (c->kind != kind) continue;
        if ((byParent == 1 ? c->parentId : c->id) == id) return node;
    }
    return nullptr;
}

namespace {
// The lookup of FindCategoryByName, optionally skipping one node (a category never clashes with
// itself when it is renamed).
ListNode* FindByName(const TCategoryListObject* list, const char* name, int kind, int32_t parentId,
                     const ListNode* start, const ListNode* except) {
    if (!Present(name)) return nullptr;
    const Span wanted = Trimmed(name);
    ListNode* node = (start && list->IsNodeValid(start, 1)) ? const_cast<ListNode*>(start) : list->First();
    for (; node; node = node->next) {
        if (node == except || !node->item || !list->IsItemValid(node->item)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind != kind) continue;
        if (parentId >= 0 && (c->parentId != parentId || c->id == c->parentId)) continue;
        if (MatchesTrimmed(c->name, wanted, false)) return node;
    }
    return nullptr;
}
}  // namespace

ListNode* TCategoryListObject::FindCategoryByName(const char* name, int kind, int32_t parentId,
                                                  const ListNode* start) const {
    return FindByName(this, name, kind, parentId, start, nullptr);
}

int32_t TCategoryListObject::NextCategoryId(int kind) const {
    int64_t largest = 0;
    bool any = false;
    for (const ListNode* node = First(); node; node = node->next) {
        if (!WalkedNodeValid(node)) continue;
        const CategoryItem* c = Item(node);
        if (c->kind != kind) continue;
        if (!any || c->id > largest) largest = c->id;
        any = true;
    }
    if (!any) return 1;
    if (largest < INT32_MAX) return int32_t(largest + 1 > 0 ? largest + 1 : 1);
    // The largest id is taken (a damaged or hostile file): hand out the smallest free one instead
    // of overflowing into negative ids.
    std::unordered_set<int32_t> used;
    for (const ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node) && Item(node)->kind == kind) used.insert(Item(node)->id);
    int32_t id = 1;
    while (used.count(id)) ++id;
    return id;
}

ListNode* TCategoryListObject::AddCategory(const char* name, int kind, int32_t parentId, int* created) {
    if (created) *created = 0;
    if (ListNode* existing = FindCategoryByName(name, kind, parentId)) return existing;
    if (!IsValidFileName(name)) return nullptr;
    std::string trimmed(name);
    TrimSpaces(&trimmed[0], TV_TRIM_BOTH);
    trimmed.resize(std::char_traits<char>::length(trimmed.c_str()));
    CategoryItem record{uint8_t(kind), TV_CATEGORY_EXPANDED, &trimmed[0], NextCategoryId(kind),
                        parentId < 0 ? 0 : parentId, nullptr};
    ListNode* node = Add(&record, 0);
    if (node && created) *created = 1;
    return node;
}

int TCategoryListObject::IsSubcategory(int32_t candidateId, int32_t ancestorId, int kind) const {
    // Climbs from the candidate towards the root; the step limit keeps a damaged tree with a
    // parent loop from looping forever.
    int32_t id = candidateId;
    for (uint32_t steps = Count(0) + 1; steps > 0; --steps) {
        if (id == ancestorId) return 1;
        if (id == 0) return 0;
        const ListNode* node = FindCategoryById(id, kind);
        if (!node) return 0;
        const CategoryItem* c = Item(node);
        if (c->parentId == c->id) return 0;
        id = c->parentId;
    }
    return 0;
}

void TCategoryListObject::EnsureDefaultCategories(int createSamples) {
    bool missing[4] = {false, false, false, false};
    const bool empty = IsEmpty();
    for (int kind = 1; kind <= 3; ++kind) missing[kind] = empty || !FindCategoryById(0, kind);
    for (int kind = 1; kind <= 3; ++kind) {
        if (!missing[kind]) continue;
        CategoryItem root{uint8_t(kind), TV_CATEGORY_EXPANDED, const_cast<char*>(TvString(TV_IDS_ROOT_DOWNLOADS + kind - 1)),
                          0, 0, nullptr};
        Add(&root, 0);
    }
    if (createSamples == 1) {
        for (int kind = 1; kind <= 3; ++kind) {
            CategoryItem sample{uint8_t(kind), TV_CATEGORY_EXPANDED, const_cast<char*>(TvString(TV_IDS_STANDARD)),
                                NextCategoryId(kind), 0, nullptr};
            Add(&sample, 0);
        }
    }

    // Repair pass in list order: kinds out of range become 1, then a parent that no category of
    // the (current) kind has as its id becomes 0. The index counts the valid categories per
    // (kind, id) as they stand at each step.
    std::unordered_map<uint64_t, uint32_t> ids;
    for (const ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node)) ++ids[CategoryKey(Item(node)->kind, Item(node)->id)];
    for (ListNode* node = First(), *next = nullptr; node; node = next) {
        next = node->next;
        if (!WalkedNodeValid(node)) continue;
        CategoryItem* c = Item(node);
        if (c->kind < 1 || c->kind > 3) {
            --ids[CategoryKey(c->kind, c->id)];
            // A download category with this id exists already: the damaged record would be its
            // duplicate (two categories with one identity, e.g. a second root), so it is dropped
            // as the reader drops duplicates. Its children and items attach to the existing one.
            if (ids[CategoryKey(TV_KIND_DOWNLOADS, c->id)] > 0) {
                DeleteNode(node);
                continue;
            }
            c->kind = TV_KIND_DOWNLOADS;
            ++ids[CategoryKey(c->kind, c->id)];
        }
        auto found = ids.find(CategoryKey(c->kind, c->parentId));
        if (found == ids.end() || found->second == 0) c->parentId = 0;
    }

    // A root is never anybody's child, and a chain of parents that loops without reaching the root
    // would hide its categories (and their items) from every view: the category that closes such a
    // loop moves under the root.
    std::unordered_map<uint64_t, ListNode*> first;
    for (ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node)) first.emplace(CategoryKey(Item(node)->kind, Item(node)->id), node);
    std::unordered_map<const ListNode*, int> state;  // 1 = on the current climb, 2 = reaches the root
    std::vector<ListNode*> climb;
    for (ListNode* node = First(); node; node = node->next) {
        if (!WalkedNodeValid(node)) continue;
        if (Item(node)->id == 0) Item(node)->parentId = 0;
        climb.clear();
        ListNode* current = node;
        while (true) {
            int& s = state[current];
            if (s == 2) break;
            const CategoryItem* c = Item(current);
            if (s == 1) {
                // current is already on this climb: the last category climbed closes the loop.
                Item(climb.back())->parentId = 0;
                break;
            }
            s = 1;
            climb.push_back(current);
            if (c->id == 0 || c->parentId == 0) break;
            auto parent = first.find(CategoryKey(c->kind, c->parentId));
            if (parent == first.end()) break;
            current = parent->second;
        }
        for (ListNode* n : climb) state[n] = 2;
    }
}

namespace {
// Names of the node and its ancestors below the root, outermost first, each followed by "\".
// namesSafe (optional) is cleared when a name could not stand as a folder name.
std::string ClimbCategoryPath(const TCategoryListObject* list, const ListNode* node, bool* namesSafe) {
    std::string path;
    uint32_t steps = list->Count(0) + 1;
    while (node && steps-- > 0) {
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (!c || c->id <= 0) break;
        if (namesSafe && !IsSafePathComponent(c->name)) *namesSafe = false;
        path.insert(0, std::string(c->name ? c->name : "") + "\\");
        if (c->parentId == 0) break;
        node = list->FindCategoryById(c->parentId, c->kind);
    }
    return path;
}
}  // namespace

int TCategoryListObject::CategoryPath(char* path, size_t size, const ListNode* node) const {
    if (!path || size == 0 || !IsNodeValid(node, 1)) return 0;
    const std::string result = ClimbCategoryPath(this, node, nullptr) + path;
    return CopyLimited(path, result.c_str(), size);
}

int TCategoryListObject::CategoryFolder(char* out, size_t size, const ListNode* node,
                                        const StorageLocations& locations, const char* baseOverride) const {
    if (out && size) out[0] = '\0';
    if (!out || size == 0) return TV_FOLDER_TOO_LONG;
    if (!IsNodeValid(node, 1)) return TV_FOLDER_INVALID_NODE;
    const CategoryItem* c = Item(node);
    const char* base = nullptr;
    if (c->kind == TV_KIND_DOWNLOADS)
        base = locations.downloads;
    else if (c->kind == TV_KIND_SHORTCUTS)
        base = locations.shortcuts;
    else
        return TV_FOLDER_NONE;
    if (Present(baseOverride)) base = baseOverride;
    std::string folder;
    for (const char* p = base ? base : ""; *p; ++p)
        if (*p != '"') folder += *p;
    // Without a storage location the folder would be relative to whatever the current folder is.
    if (folder.empty()) return TV_FOLDER_NONE;
    std::vector<char> buffer(folder.size() + 2);
    CopyLimited(buffer.data(), folder.c_str(), buffer.size());
    EnsureTrailingBackslash(buffer.data(), buffer.size());
    folder = buffer.data();
    if (c->id > 0) {
        bool safe = true;
        folder += ClimbCategoryPath(this, node, &safe);
        if (!safe) return TV_FOLDER_BAD_NAME;
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    }
    return Deliver(out, size, folder);
}

void TCategoryListObject::MakeUniqueCategoryName(char* out, size_t size, int kind, int32_t parentId) const {
    if (!out || size == 0) return;
    const char* base = TvString(TV_IDS_NEW_CATEGORY);
    CopyLimited(out, base, size);
    for (unsigned n = 2; n <= 999 && FindCategoryByName(out, kind, parentId); ++n)
        FormatLimited(out, size, "%s (%u)", base, n);
}

CategoryCheckResult TCategoryListObject::CheckNewCategoryName(int kind, int32_t parentId, const char* name) const {
    if (FindCategoryByName(name, kind, parentId))
        return Result(3, TV_IDS_CATEGORY_EXISTS, TV_CAPTION_PROGRAM_TITLE);
    if (!IsValidFileName(name)) return Result(4, TV_IDS_CATEGORY_INVALID, TV_CAPTION_PROGRAM_TITLE);
    return Result(0);
}

CategoryCheckResult TCategoryListObject::CheckRenameCategory(const ListNode* node, const char* newName) const {
    if (!IsNodeValid(node, 1)) return Result(1);
    const CategoryItem* c = Item(node);
    if (c->id == 0) return Result(2, TV_IDS_RENAME_ROOT, TV_CAPTION_ERROR);
    if (FindByName(this, newName, c->kind, c->parentId, nullptr, node))
        return Result(3, TV_IDS_CATEGORY_EXISTS, TV_CAPTION_ERROR);
    if (!IsValidFileName(newName)) return Result(4, TV_IDS_CATEGORY_INVALID, TV_CAPTION_ERROR);
    return Result(0);
}

CategoryCheckResult TCategoryListObject::CheckMoveCategory(const ListNode* node, int32_t destinationParentId) const {
    if (!IsNodeValid(node, 1)) return Result(1);
    const CategoryItem* c = Item(node);
    if (c->id == 0) return Result(2, TV_IDS_MOVE_ROOT, TV_CAPTION_ERROR);
    if (destinationParentId == c->parentId) return Result(3);
    if (FindCategoryByName(c->name, c->kind, destinationParentId))
        return Result(3, TV_IDS_MOVE_NAME_EXISTS, TV_CAPTION_ERROR);
    if (IsSubcategory(destinationParentId, c->id, c->kind))
        return Result(6, TV_IDS_MOVE_INTO_SUBCATEGORY, TV_CAPTION_ERROR);
    return Result(0);
}

namespace {
// Items directly in the category: shown items with its id, and (so that no link can be left
// dangling) any valid item whose link points at the node.
template <typename List, typename Record>
bool HoldsItems(const List* list, const ListNode* categoryNode, int32_t id) {
    for (const ListNode* node = list->First(); node; node = node->next) {
        if (!node->item || !list->IsItemValid(node->item)) continue;
        const Record* r = static_cast<const Record*>(node->item);
        if (r->category == categoryNode) return true;
        if (r->categoryId == id && List::IsItemShown(r)) return true;
    }
    return false;
}
}  // namespace

CategoryCheckResult TCategoryListObject::CheckDeleteCategory(const ListNode* node, const TFileListObject* files,
                                                             const TBookmarkListObject* bookmarks,
                                                             const TShortcutListObject* shortcuts) const {
    if (!files || !bookmarks || !shortcuts || !IsNodeValid(node, 1)) return Result(1);
    const CategoryItem* c = Item(node);
    if (c->id == 0) return Result(2, TV_IDS_DELETE_ROOT, TV_CAPTION_ERROR);
    if (FindCategoryById(c->id, c->kind, nullptr, 1))
        return Result(5, TV_IDS_DELETE_HAS_SUBCATEGORIES, TV_CAPTION_ERROR);
    bool holds = false;
    if (c->kind == TV_KIND_DOWNLOADS)
        holds = HoldsItems<TFileListObject, FileItem>(files, node, c->id);
    else if (c->kind == TV_KIND_BOOKMARKS)
        holds = HoldsItems<TBookmarkListObject, BookmarkItem>(bookmarks, node, c->id);
    else if (c->kind == TV_KIND_SHORTCUTS)
        holds = HoldsItems<TShortcutListObject, ShortcutItem>(shortcuts, node, c->id);
    if (holds) return Result(5, TV_IDS_DELETE_HAS_ITEMS, TV_CAPTION_ERROR);
    return Result(0);
}

// ================================================================ item helpers

namespace {
bool CategoryNamed(const ListNode* category) {
    if (!category || !category->item) return false;
    return static_cast<const CategoryItem*>(category->item)->name != nullptr;
}

template <typename Record, typename Field>
ListNode* FindItem(const TDynamicListObject* list, const char* text, int32_t categoryId, const ListNode* start,
                   bool trimStored, Field field) {
    if (!Present(text)) return nullptr;
    const Span wanted = Trimmed(text);
    ListNode* node = (start && list->IsNodeValid(start, 1)) ? const_cast<ListNode*>(start) : list->First();
    for (; node; node = node->next) {
        if (!node->item || !list->IsItemValid(node->item)) continue;
        const Record* r = static_cast<const Record*>(node->item);
        if (categoryId >= 0 && r->categoryId != categoryId) continue;
        if (MatchesTrimmed(field(r), wanted, trimStored)) return node;
    }
    return nullptr;
}

template <typename List, typename Record>
uint32_t CountShown(const List* list, int32_t categoryId) {
    uint32_t count = 0;
    for (const ListNode* node = list->First(); node; node = node->next) {
        const Record* r = static_cast<const Record*>(node->item);
        if (r && r->categoryId == categoryId && List::IsItemShown(r)) ++count;
    }
    return count;
}

bool Matches(const char* field, const char* text, int caseSensitive, int wholeWord) {
    return FindText(field, text, caseSensitive, wholeWord) >= 0;
}

// Folder of the category followed by an item name.
int ItemPath(char* out, size_t size, const char* itemName, const ListNode* category,
             const TCategoryListObject* categories, const StorageLocations& locations, const char* baseOverride) {
    if (out && size) out[0] = '\0';
    if (!categories) return TV_FOLDER_INVALID_NODE;
    std::vector<char> folder(TV_PATH_SIZE > size ? TV_PATH_SIZE : size);
    const int code = categories->CategoryFolder(folder.data(), folder.size(), category, locations, baseOverride);
    if (code != TV_FOLDER_OK) return code;
    if (!IsSafePathComponent(itemName)) return TV_FOLDER_BAD_NAME;
    return Deliver(out, size, std::string(folder.data()) + itemName);
}

// name and extension of a path (no drive or folder).
std::string NameAndExtension(const char* path) {
    char name[TV_PATH_SIZE], ext[TV_PATH_SIZE];
    SplitPathParts(path, nullptr, nullptr, name, ext);
    return std::string(name) + ext;
}
}  // namespace

// ================================================================ downloads

void TFileListObject::InitItem(void* item) {
    auto* r = static_cast<FileItem*>(item);
    if (!r) return;
    r->fileName = TextDuplicate("");
    r->storedName = TextDuplicate("");
    r->description = TextDuplicate("");
    r->extractedTo = TextDuplicate("");
    r->website = TextDuplicate("");
    r->sizeLow = r->sizeHigh = r->flags = 0;
    r->downloadDate = TvFileTime{};
    r->unpackDate = TvFileTime{};
    r->categoryId = 0;
    r->category = nullptr;
}
void TFileListObject::FreeItemData(void* item) {
    auto* r = static_cast<FileItem*>(item);
    if (!r) return;
    TextRelease(&r->fileName);
    TextRelease(&r->storedName);
    TextRelease(&r->description);
    TextRelease(&r->extractedTo);
    TextRelease(&r->website);
}
void TFileListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<FileItem*>(dest);
    auto* s = static_cast<const FileItem*>(src);
    if (!d || !s) return;
    const bool f = freeOld == 1;
    TextAssign(&d->fileName, s->fileName, f);
    TextAssign(&d->storedName, s->storedName, f);
    TextAssign(&d->description, s->description, f);
    TextAssign(&d->extractedTo, s->extractedTo, f);
    TextAssign(&d->website, s->website, f);
    d->sizeLow = s->sizeLow;
    d->sizeHigh = s->sizeHigh;
    d->flags = s->flags;
    d->downloadDate = s->downloadDate;
    d->unpackDate = s->unpackDate;
    d->categoryId = s->categoryId;
    d->category = s->category;
}
int TFileListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const FileItem*>(item);
    return r && r->fileName && r->storedName && r->description && r->extractedTo && r->website ? 1 : 0;
}
void* TFileListObject::NewItem() { return AllocRecord<FileItem>(); }
void TFileListObject::DeleteItem(ListNode* node) { ReleaseRecord(node); }
ListNode* TFileListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const FileItem*>(item);
    return r ? FindFileByName(r->fileName, -1, TV_FIND_FILE_NAME) : nullptr;
}

namespace {
bool ReadFileTime(TByteStream* file, TvFileTime* time) {
    return file->ReadU32(&time->low) && file->ReadU32(&time->high);
}
bool WriteFileTime(TByteStream* file, const TvFileTime& time) {
    return file->WriteU32(time.low) && file->WriteU32(time.high);
}
}  // namespace

int TFileListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<FileItem>(
        this, file,
        [file](FileItem* r) {
            return file->ReadI32(&r->categoryId) && tvlist::ReadHeapText(file, &r->fileName) &&
                   tvlist::ReadHeapText(file, &r->storedName) && tvlist::ReadHeapText(file, &r->description) &&
                   tvlist::ReadHeapText(file, &r->extractedTo) && tvlist::ReadHeapText(file, &r->website) &&
                   file->ReadU32(&r->sizeLow) && file->ReadU32(&r->sizeHigh) && file->ReadU32(&r->flags) &&
                   ReadFileTime(file, &r->downloadDate) && ReadFileTime(file, &r->unpackDate);
        },
        [this](FileItem* r) {
            r->category = nullptr;
            AddTaken(r, sizeof *r);
        });
}

int TFileListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<FileItem>(this, file, [file](const FileItem* r) {
        return file->WriteI32(r->categoryId) && WriteCountedString(file, r->fileName) &&
               WriteCountedString(file, r->storedName) && WriteCountedString(file, r->description) &&
               WriteCountedString(file, r->extractedTo) && WriteCountedString(file, r->website) &&
               file->WriteU32(r->sizeLow) && file->WriteU32(r->sizeHigh) && file->WriteU32(r->flags) &&
               WriteFileTime(file, r->downloadDate) && WriteFileTime(file, r->unpackDate);
    });
}

ListNode* TFileListObject::FindFileByName(const char* name, int32_t categoryId, int whichField,
                                          const ListNode* start) const {
    if (whichField == TV_FIND_STORED_NAME)
        return FindItem<FileItem>(this, name, categoryId, start, false, [](const FileItem* r) { return r->storedName; });
    return FindItem<FileItem>(this, name, categoryId, start, false, [](const FileItem* r) { return r->fileName; });
}

int TFileListObject::MakeUniqueStoredName(char* out, size_t size, const char* name, int32_t categoryId) const {
    return MakeUniqueFileName(out, size, name,
                              [&](const char* n) { return FindFileByName(n, categoryId, TV_FIND_STORED_NAME) != nullptr; });
}

uint32_t TFileListObject::CountItemsInCategory(int32_t categoryId) const {
    return CountShown<TFileListObject, FileItem>(this, categoryId);
}

int TFileListObject::IsItemShown(const FileItem* r) {
    if (!r || !(r->fileName && r->storedName && r->description && r->extractedTo && r->website)) return 0;
    return CategoryNamed(r->category) ? 1 : 0;
}

void TFileListObject::StampFileDates(FileItem* record, int what, const char* extractedTo, TvFileTime now) const {
    if (!IsItemValid(record)) return;
    if (what & 1) record->downloadDate = now;
    if ((what & 2) && (!record->unpackDate.IsZero() || Present(extractedTo))) {
        record->unpackDate = now;
        // Without a folder the previous one stays: nothing was extracted anywhere new.
        if (Present(extractedTo)) TextAssign(&record->extractedTo, extractedTo);
    }
}

int TFileListObject::ItemMatches(const FileItem* r, const char* text, int caseSensitive, int wholeWord) const {
    if (!r || !Present(text)) return 0;
    return Matches(r->fileName, text, caseSensitive, wholeWord) || Matches(r->description, text, caseSensitive, wholeWord) ||
                   Matches(r->extractedTo, text, caseSensitive, wholeWord) || Matches(r->website, text, caseSensitive, wholeWord)
               ? 1
               : 0;
}

int TFileListObject::FilePath(char* out, size_t size, const FileItem* record, const TCategoryListObject* categories,
                              const StorageLocations& locations, const ListNode* categoryOverride,
                              const char* baseOverride) const {
    if (out && size) out[0] = '\0';
    if (!record) return TV_FOLDER_INVALID_NODE;
    return ItemPath(out, size, record->storedName, categoryOverride ? categoryOverride : record->category, categories,
                    locations, baseOverride);
}

// ================================================================ bookmarks

void TBookmarkListObject::InitItem(void* item) {
    auto* r = static_cast<BookmarkItem*>(item);
    if (!r) return;
    r->url = TextDuplicate("");
    r->title = TextDuplicate("");
    r->description = TextDuplicate("");
    r->categoryId = 0;
    r->category = nullptr;
}
void TBookmarkListObject::FreeItemData(void* item) {
    auto* r = static_cast<BookmarkItem*>(item);
    if (!r) return;
    TextRelease(&r->url);
    TextRelease(&r->title);
    TextRelease(&r->description);
}
void TBookmarkListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<BookmarkItem*>(dest);
    auto* s = static_cast<const BookmarkItem*>(src);
    if (!d || !s) return;
    const bool f = freeOld == 1;
    TextAssign(&d->url, s->url, f);
    TextAssign(&d->title, s->title, f);
    TextAssign(&d->description, s->description, f);
    d->categoryId = s->categoryId;
    d->category = s->category;
}
int TBookmarkListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const BookmarkItem*>(item);
    return r && r->url && r->title && r->description ? 1 : 0;
}
void* TBookmarkListObject::NewItem() { return AllocRecord<BookmarkItem>(); }
void TBookmarkListObject::DeleteItem(ListNode* node) { ReleaseRecord(node); }
ListNode* TBookmarkListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const BookmarkItem*>(item);
    return r ? FindBookmarkByUrl(r->url, -1) : nullptr;
}

int TBookmarkListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<BookmarkItem>(
        this, file,
        [file](BookmarkItem* r) {
            return file->ReadI32(&r->categoryId) && tvlist::ReadHeapText(file, &r->url) &&
                   tvlist::ReadHeapText(file, &r->title) && tvlist::ReadHeapText(file, &r->description);
        },
        [this](BookmarkItem* r) {
            r->category = nullptr;
            AddTaken(r, sizeof *r);
        });
}

int TBookmarkListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<BookmarkItem>(this, file, [file](const BookmarkItem* r) {
        return file->WriteI32(r->categoryId) && WriteCountedString(file, r->url) && WriteCountedString(file, r->title) &&
               WriteCountedString(file, r->description);
    });
}

ListNode* TBookmarkListObject::FindBookmarkByUrl(const char* url, int32_t categoryId, const ListNode* start) const {
    return FindItem<BookmarkItem>(this, url, categoryId, start, true, [](const BookmarkItem* r) { return r->url; });
}

ListNode* TBookmarkListObject::FindBookmarkByTitle(const char* title, int32_t categoryId, const ListNode* start) const {
    return FindItem<BookmarkItem>(this, title, categoryId, start, true, [](const BookmarkItem* r) { return r->title; });
}

ListNode* TBookmarkListObject::FindBookmarkByTitleAndUrl(const char* title, const char* url, int32_t categoryId) const {
    if (!Present(title) || !Present(url)) return nullptr;
    for (ListNode* node = First(); node; node = node->next) {
        if (!WalkedNodeValid(node)) continue;
        const BookmarkItem* r = Item(node);
        if (categoryId >= 0 && r->categoryId != categoryId) continue;
        if (TextEquals(r->title, title, 0, 0) && TextEquals(r->url, url, 0, 0)) return node;
    }
    return nullptr;
}

uint32_t TBookmarkListObject::CountItemsInCategory(int32_t categoryId) const {
    return CountShown<TBookmarkListObject, BookmarkItem>(this, categoryId);
}

int TBookmarkListObject::IsItemShown(const BookmarkItem* r) {
    if (!r || !(r->url && r->title && r->description)) return 0;
    return CategoryNamed(r->category) ? 1 : 0;
}

int TBookmarkListObject::ItemMatches(const BookmarkItem* r, const char* text, int caseSensitive, int wholeWord) const {
    if (!r || !Present(text)) return 0;
    return Matches(r->url, text, caseSensitive, wholeWord) || Matches(r->title, text, caseSensitive, wholeWord) ||
                   Matches(r->description, text, caseSensitive, wholeWord)
               ? 1
               : 0;
}

// ================================================================ shortcuts

void TShortcutListObject::InitItem(void* item) {
    auto* r = static_cast<ShortcutItem*>(item);
    if (!r) return;
    r->title = TextDuplicate("");
    r->flags = 0;
    r->categoryId = 0;
    r->category = nullptr;
}
void TShortcutListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<ShortcutItem*>(item)) TextRelease(&r->title);
}
void TShortcutListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<ShortcutItem*>(dest);
    auto* s = static_cast<const ShortcutItem*>(src);
    if (!d || !s) return;
    TextAssign(&d->title, s->title, freeOld == 1);
    d->flags = s->flags;
    d->categoryId = s->categoryId;
    d->category = s->category;
}
int TShortcutListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const ShortcutItem*>(item);
    return r && r->title ? 1 : 0;
}
void* TShortcutListObject::NewItem() { return AllocRecord<ShortcutItem>(); }
void TShortcutListObject::DeleteItem(ListNode* node) { ReleaseRecord(node); }
ListNode* TShortcutListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const ShortcutItem*>(item);
    return r ? FindShortcutByTitle(r->title, -1) : nullptr;
}

int TShortcutListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<ShortcutItem>(
        this, file,
        [file](ShortcutItem* r) { return file->ReadI32(&r->categoryId) && tvlist::ReadHeapText(file, &r->title); },
        [this](ShortcutItem* r) {
            r->category = nullptr;
            AddTaken(r, sizeof *r);
        });
}

int TShortcutListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<ShortcutItem>(this, file, [file](const ShortcutItem* r) {
        return file->WriteI32(r->categoryId) && WriteCountedString(file, r->title);
    });
}

ListNode* TShortcutListObject::FindShortcutByTitle(const char* title, int32_t categoryId, const ListNode* start) const {
    return FindItem<ShortcutItem>(this, title, categoryId, start, true, [](const ShortcutItem* r) { return r->title; });
}

uint32_t TShortcutListObject::CountItemsInCategory(int32_t categoryId) const {
    return CountShown<TShortcutListObject, ShortcutItem>(this, categoryId);
}

int TShortcutListObject::IsItemShown(const ShortcutItem* r) {
    if (!r || !r->title) return 0;
    return CategoryNamed(r->category) ? 1 : 0;
}

int TShortcutListObject::ItemMatches(const ShortcutItem* r, const char* text, int caseSensitive, int wholeWord) const {
    if (!r || !Present(text)) return 0;
    return Matches(r->title, text, caseSensitive, wholeWord) ? 1 : 0;
}

int TShortcutListObject::ShortcutPath(char* out, size_t size, const ShortcutItem* record,
                                      const TCategoryListObject* categories, const StorageLocations& locations,
                                      const ListNode* categoryOverride, const char* baseOverride) const {
    if (out && size) out[0] = '\0';
    if (!record) return TV_FOLDER_INVALID_NODE;
    return ItemPath(out, size, record->title, categoryOverride ? categoryOverride : record->category, categories,
                    locations, baseOverride);
}

int TShortcutListObject::MakeUniqueShortcutTitle(char* out, size_t size, const char* title, int32_t categoryId) const {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!Present(title)) return 0;
    if (CopyLimited(out, title, size)) {
        out[0] = '\0';
        return 0;
    }
    const std::string nameExt = NameAndExtension(title);
    for (unsigned n = 1; FindShortcutByTitle(out, categoryId); ++n) {
        if (n > 999) {
            out[0] = '\0';
            return 0;
        }
        const bool cut = n == 1 ? FormatLimited(out, size, "Copy of %s", nameExt.c_str())
                                : FormatLimited(out, size, "Copy (%u) of %s", n, nameExt.c_str());
        if (cut) {
            out[0] = '\0';
            return 0;
        }
    }
    return 1;
}

// ================================================================ linking

void LinkItemsToCategories(const TCategoryListObject* categories, TFileListObject* files,
                           TBookmarkListObject* bookmarks, TShortcutListObject* shortcuts) {
    // The first valid category per (kind, id), as FindCategoryById from the head finds it.
    std::unordered_map<uint64_t, ListNode*> index;
    if (categories) {
        for (ListNode* node = categories->First(); node; node = node->next)
            if (categories->IsNodeValid(node, 0))
                index.emplace(CategoryKey(TCategoryListObject::Item(node)->kind, TCategoryListObject::Item(node)->id),
                              node);
    }
    auto find = [&index](int kind, int32_t id) -> ListNode* {
        auto it = index.find(CategoryKey(kind, id));
        return it == index.end() ? nullptr : it->second;
    };
    if (files)
        for (ListNode* node = files->First(); node; node = node->next)
            if (files->IsNodeValid(node, 0)) {
                FileItem* r = TFileListObject::Item(node);
                r->category = find(TV_KIND_DOWNLOADS, r->categoryId);
            }
    if (bookmarks)
        for (ListNode* node = bookmarks->First(); node; node = node->next)
            if (bookmarks->IsNodeValid(node, 0)) {
                BookmarkItem* r = TBookmarkListObject::Item(node);
                r->category = find(TV_KIND_BOOKMARKS, r->categoryId);
                if (!r->category) {
                    r->categoryId = 0;
                    r->category = find(TV_KIND_BOOKMARKS, 0);
                }
            }
    if (shortcuts)
        for (ListNode* node = shortcuts->First(); node; node = node->next)
            if (shortcuts->IsNodeValid(node, 0)) {
                ShortcutItem* r = TShortcutListObject::Item(node);
                r->category = find(TV_KIND_SHORTCUTS, r->categoryId);
            }
}
