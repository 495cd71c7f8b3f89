// Items and categories: the four data lists of the program (categories of all three kinds,
// downloads, bookmarks, shortcuts), their records, lookups, tree rules and file section layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lists.h"
#include "util/stream.h"
#include "util/tvbase.h"

// Category kinds; the root of each kind has id 0.
enum { TV_KIND_DOWNLOADS = 1, TV_KIND_BOOKMARKS = 2, TV_KIND_SHORTCUTS = 3 };
// Category flags.
enum { TV_CATEGORY_EXPANDED = 1 };
// Download flags.
enum { TV_FILE_EXISTS = 1, TV_FILE_MARKED = 2, TV_FILE_FOUND = 4 };
// Shortcut flags.
enum { TV_SHORTCUT_EXISTS = 1 };
// Which field FindFileByName compares.
enum { TV_FIND_FILE_NAME = 0, TV_FIND_STORED_NAME = 1 };

// String-table ids used by the data core.
enum : uint32_t {
    TV_IDS_CATEGORY_EXISTS = 3406,
    TV_IDS_CATEGORY_INVALID = 3407,
    TV_IDS_DELETE_ROOT = 3408,
    TV_IDS_DELETE_HAS_SUBCATEGORIES = 3409,
    TV_IDS_DELETE_HAS_ITEMS = 3410,
    TV_IDS_RENAME_ROOT = 3411,
    TV_IDS_MOVE_ROOT = 3412,
    TV_IDS_MOVE_NAME_EXISTS = 3413,
    TV_IDS_MOVE_INTO_SUBCATEGORY = 3414,
    TV_IDS_NEW_CATEGORY = 3821,
    TV_IDS_ROOT_DOWNLOADS = 4000,  // 4000 + kind - 1
    TV_IDS_STANDARD = 4003,
    TV_IDS_PROGRAM_TITLE = 4100
};

struct CategoryItem {
    uint8_t kind;      // TV_KIND_*
    uint8_t flags;     // bit 0: expanded in the tree; new categories start with 1
    char* name;
    int32_t id;        // 0 = root of its kind; -1 only before the record is added
    int32_t parentId;  // 0 for children of the root and for the root itself
    void* treeItem;    // tree-view item handle (runtime only)
};

struct FileItem {
    char* fileName;
    char* storedName;
    char* description;
    char* extractedTo;
    char* website;
    uint32_t sizeLow;
    uint32_t sizeHigh;
    uint32_t flags;  // TV_FILE_*
    TvFileTime downloadDate;
    TvFileTime unpackDate;
    int32_t categoryId;
    ListNode* category;  // node of the category (runtime only)
};

struct BookmarkItem {
    char* url;
    char* title;
    char* description;
    int32_t categoryId;
    ListNode* category;
};

struct ShortcutItem {
    char* title;
    uint32_t flags;  // TV_SHORTCUT_*
    int32_t categoryId;
    ListNode* category;
};

// The two storage locations of the settings (Downloads and Shortcuts).
struct StorageLocations {
    const char* downloads;
    const char* shortcuts;
};

// How a message is captioned when the Windows layer shows it.
enum TvCaption { TV_CAPTION_NONE = 0, TV_CAPTION_ERROR, TV_CAPTION_QUESTION, TV_CAPTION_INFORMATION, TV_CAPTION_PROGRAM_TITLE };

// Result of a category check: the code, and the message to show (messageId 0 = none).
struct CategoryCheckResult {
    int code;
    uint32_t messageId;
    TvCaption caption;
};

// Result codes of CategoryFolder / FilePath / ShortcutPath.
enum {
    TV_FOLDER_OK = 0,
    TV_FOLDER_INVALID_NODE = 1,  // no valid category node (or no record)
    TV_FOLDER_NONE = 2,          // bookmark categories have no folder
    TV_FOLDER_TOO_LONG = 3,      // the path does not fit the buffer
    TV_FOLDER_BAD_NAME = 4       // a category name or item name on the path is no valid file name
};

class TFileListObject;
class TBookmarkListObject;
class TShortcutListObject;

class TCategoryListObject : public TDynamicListObject {
public:
    ~TCategoryListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // The category with the same kind and id.
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then {kind u8, flags u8, id i32, parent id i32, name}. Records whose
    // (kind, id) is already present are dropped. Call EnsureDefaultCategories(0) afterwards.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static CategoryItem* Item(const ListNode* node) { return node ? static_cast<CategoryItem*>(node->item) : nullptr; }

    // First valid category of this kind whose id (byParent = 0) or parent id (byParent = 1)
    // equals id, searching from start when start is a valid node of this list, else from the head.
    ListNode* FindCategoryById(int32_t id, int kind, const ListNode* start = nullptr, int byParent = 0) const;
    // First category of this kind named name (trimmed, case-insensitive) under parentId; a
    // negative parentId accepts any parent (roots included).
    ListNode* FindCategoryByName(const char* name, int kind, int32_t parentId, const ListNode* start = nullptr) const;
    // 1 + the largest id of this kind (1 when there is none).
    int32_t NextCategoryId(int kind) const;
    // Finds the category by name under the parent or adds it (created = 1). Null for invalid names.
    ListNode* AddCategory(const char* name, int kind, int32_t parentId, int* created);
    // 1 when candidateId == ancestorId or the candidate lies anywhere below the ancestor.
    int IsSubcategory(int32_t candidateId, int32_t ancestorId, int kind) const;
    // Adds missing roots (and, with createSamples = 1, a "Standard" subcategory per kind), then
    // repairs kinds out of range and parents that do not exist or that never lead to the root.
    void EnsureDefaultCategories(int createSamples);
    // Prepends the names of the node and its ancestors below the root, each followed by "\", to
    // path[size]. Returns 1 when the result was cut to fit, else 0.
    int CategoryPath(char* path, size_t size, const ListNode* node) const;
    // Folder of a download or shortcut category: the storage location (or baseOverride when not
    // empty) with the category path, ending in "\". Returns TV_FOLDER_*; out is empty on failure.
    int CategoryFolder(char* out, size_t size, const ListNode* node, const StorageLocations& locations,
                       const char* baseOverride = nullptr) const;
    // "New Category", or "New Category (n)" for the first free n in 2..999.
    void MakeUniqueCategoryName(char* out, size_t size, int kind, int32_t parentId) const;

    CategoryCheckResult CheckNewCategoryName(int kind, int32_t parentId, const char* name) const;
    CategoryCheckResult CheckRenameCategory(const ListNode* node, const char* newName) const;
    CategoryCheckResult CheckMoveCategory(const ListNode* node, int32_t destinationParentId) const;
    CategoryCheckResult CheckDeleteCategory(const ListNode* node, const TFileListObject* files,
                                            const TBookmarkListObject* bookmarks,
                                            const TShortcutListObject* shortcuts) const;
};

class TFileListObject : public TDynamicListObject {
public:
    ~TFileListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // The download with the same file name (trimmed, case-insensitive) in any category.
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then {category id, five texts, size low, size high, flags, two dates}.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static FileItem* Item(const ListNode* node) { return node ? static_cast<FileItem*>(node->item) : nullptr; }

    // First valid download whose file name (or stored name with TV_FIND_STORED_NAME) equals name
    // trimmed, case-insensitively; categoryId >= 0 restricts the search to that category.
    ListNode* FindFileByName(const char* name, int32_t categoryId, int whichField,
                             const ListNode* start = nullptr) const;
    // out = name without quotes, or "name (n).ext" for the first n in 2..999 not stored in the
    // category; empty (returns 0) when all are taken. Returns 1 on success.
    int MakeUniqueStoredName(char* out, size_t size, const char* name, int32_t categoryId) const;
    uint32_t CountItemsInCategory(int32_t categoryId) const;
    // Valid, with a category link whose category has a name.
    static int IsItemShown(const FileItem* record);
    // what bit 0: download date = now; bit 1: unpack date = now (when already set or a folder is
    // given) and the given folder becomes the extracted-to folder.
    void StampFileDates(FileItem* record, int what, const char* extractedTo, TvFileTime now) const;
    int ItemMatches(const FileItem* record, const char* text, int caseSensitive, int wholeWord) const;
    // CategoryFolder of the record's category (or categoryOverride) followed by the stored name.
    int FilePath(char* out, size_t size, const FileItem* record, const TCategoryListObject* categories,
                 const StorageLocations& locations, const ListNode* categoryOverride = nullptr,
                 const char* baseOverride = nullptr) const;
};

class TBookmarkListObject : public TDynamicListObject {
public:
    ~TBookmarkListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // FindBookmarkByUrl in any category.
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then {category id, URL, title, description}.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static BookmarkItem* Item(const ListNode* node) { return node ? static_cast<BookmarkItem*>(node->item) : nullptr; }

    ListNode* FindBookmarkByUrl(const char* url, int32_t categoryId, const ListNode* start = nullptr) const;
    ListNode* FindBookmarkByTitle(const char* title, int32_t categoryId, const ListNode* start = nullptr) const;
    ListNode* FindBookmarkByTitleAndUrl(const char* title, const char* url, int32_t categoryId) const;
    uint32_t CountItemsInCategory(int32_t categoryId) const;
    static int IsItemShown(const BookmarkItem* record);
    int ItemMatches(const BookmarkItem* record, const char* text, int caseSensitive, int wholeWord) const;
};

class TShortcutListObject : public TDynamicListObject {
public:
    ~TShortcutListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // FindShortcutByTitle in any category.
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then {category id, title}.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static ShortcutItem* Item(const ListNode* node) { return node ? static_cast<ShortcutItem*>(node->item) : nullptr; }

    ListNode* FindShortcutByTitle(const char* title, int32_t categoryId, const ListNode* start = nullptr) const;
    uint32_t CountItemsInCategory(int32_t categoryId) const;
    static int IsItemShown(const ShortcutItem* record);
    int ItemMatches(const ShortcutItem* record, const char* text, int caseSensitive, int wholeWord) const;
    // CategoryFolder of the shortcut's category (or categoryOverride) followed by its title.
    int ShortcutPath(char* out, size_t size, const ShortcutItem* record, const TCategoryListObject* categories,
                     const StorageLocations& locations, const ListNode* categoryOverride = nullptr,
                     const char* baseOverride = nullptr) const;
    // out = title, or "Copy of <name.ext>", "Copy (n) of <name.ext>" for the first free one
    // (n up to 999); empty (returns 0) when all are taken. Returns 1 on success.
    int MakeUniqueShortcutTitle(char* out, size_t size, const char* title, int32_t categoryId) const;
};

// After loading: sets the category link of every valid item from its category id. Downloads and
// shortcuts without a category get a null link; bookmarks without one move to the root of kind 2.
// Any list may be null.
void LinkItemsToCategories(const TCategoryListObject* categories, TFileListObject* files,
                           TBookmarkListObject* bookmarks, TShortcutListObject* shortcuts);
