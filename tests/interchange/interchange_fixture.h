// A program's data with stored files in a memory host, for the interchange tests and the fuzz
// target: categories, downloads, bookmarks and shortcuts added the way the program adds them.
#pragma once

#include <string>
#include <vector>

#include "database/body.h"
#include "interchange/create.h"
#include "interchange/import.h"
#include "memory_host.h"

struct TInterchangeFixture {
    TProgramData data;
    TMemoryHost host;

    explicit TInterchangeFixture(const char* programFolder = "C:\\TV\\") {
        data.SetProgramFolder(programFolder);
        data.ResetForLoad();
        data.categories.EnsureDefaultCategories(0);
        AllowStorage();
    }

    void AllowStorage() {
        host.roots = {data.standards.downloadsLocation, data.standards.shortcutsLocation};
        host.storage = &data;
    }

    ListNode* Category(int kind, const char* name, int32_t parent = 0) {
        return data.categories.AddCategory(name, kind, parent, nullptr);
    }
    int32_t CategoryId(int kind, const char* name, int32_t parent = 0) {
        const ListNode* n = data.categories.FindCategoryByName(name, kind, parent);
        return n ? TCategoryListObject::Item(n)->id : -1;
    }
    const ListNode* CategoryNode(int kind, int32_t id) { return data.categories.FindCategoryById(id, kind); }

    std::string Folder(int kind, int32_t id) {
        char out[TV_PATH_SIZE];
        const StorageLocations l{data.standards.downloadsLocation, data.standards.shortcutsLocation};
        data.categories.CategoryFolder(out, sizeof out, CategoryNode(kind, id), l);
        return out;
    }

    // A download stored under a unique stored name, with its file in the host.
    ListNode* Download(const char* name, int32_t categoryId, const std::string& bytes, const char* description = "d") {
        char stored[TV_PATH_SIZE];
        data.downloads.MakeUniqueStoredName(stored, sizeof stored, name, categoryId);
        FileItem f{};
        f.fileName = const_cast<char*>(name);
        f.storedName = stored;
        f.description = const_cast<char*>(description);
        f.extractedTo = const_cast<char*>("");
        f.website = const_cast<char*>("http://example.com/");
        f.sizeLow = uint32_t(bytes.size());
        f.flags = TV_FILE_EXISTS;
        f.downloadDate.Set(0x01D0000012345678ull);
        f.categoryId = categoryId;
        f.category = const_cast<ListNode*>(CategoryNode(TV_KIND_DOWNLOADS, categoryId));
        host.Put(Folder(TV_KIND_DOWNLOADS, categoryId) + stored, bytes);
        return data.downloads.Add(&f, 0);
    }

    ListNode* Bookmark(const char* url, const char* title, int32_t categoryId) {
        BookmarkItem b{const_cast<char*>(url), const_cast<char*>(title), const_cast<char*>(""), categoryId, nullptr};
        b.category = const_cast<ListNode*>(CategoryNode(TV_KIND_BOOKMARKS, categoryId));
        return data.bookmarks.Add(&b, 0);
    }

    ListNode* Shortcut(const char* title, int32_t categoryId, const std::string& bytes) {
        ShortcutItem s{const_cast<char*>(title), TV_SHORTCUT_EXISTS, categoryId, nullptr};
        s.category = const_cast<ListNode*>(CategoryNode(TV_KIND_SHORTCUTS, categoryId));
        host.Put(Folder(TV_KIND_SHORTCUTS, categoryId) + title, bytes);
        return data.shortcuts.Add(&s, 0);
    }

    // Writes an interchange file of this data with the choice; the bytes, or empty on failure.
    std::vector<uint8_t> Write(const TInterchangeChoice& choice, TInterchangeWriteReport* report = nullptr) {
        TInterchangeContent content;
        if (BuildInterchangeContent(data, choice, &host, &content) != TV_BUILD_OK) return {};
        TMemoryStream out;
        TInterchangeWriteReport local;
        if (!WriteInterchangeContent(&out, &data, content, &host, report ? report : &local)) return {};
        return out.Data();
    }

    TInterchangeImportReport Import(const std::vector<uint8_t>& bytes, int32_t downloadTarget = 0,
                                    int32_t bookmarkTarget = 0, bool* usable = nullptr) {
        TMemoryViewStream in(bytes.data(), bytes.size());
        TInterchangeImportReport report;
        TInterchangeTargets targets;
        targets.downloadCategoryId = downloadTarget;
        targets.bookmarkCategoryId = bookmarkTarget;
        const bool ok = ImportInterchangeFile(&in, &data, targets, &host, &report);
        if (usable) *usable = ok;
        return report;
    }

    // The whole database body, for "nothing changed" comparisons.
    std::vector<uint8_t> Snapshot() {
        TMemoryStream out;
        WriteDatabaseBody(&out, 0, &data);
        return out.Data();
    }
};

inline TInterchangeChoice Excerpt(bool downloads, int32_t downloadCategory, bool bookmarks, int32_t bookmarkCategory) {
    TInterchangeChoice c;
    c.kind = 0;
    c.downloads = downloads;
    c.bookmarks = bookmarks;
    c.downloadCategoryId = downloadCategory;
    c.bookmarkCategoryId = bookmarkCategory;
    return c;
}

inline TInterchangeChoice Backup() {
    TInterchangeChoice c;
    c.kind = 1;
    return c;
}
