// Helpers of the bookmark exchange tests: lists with their roots, a readable picture of the
// bookmark tree, and a file system held in memory for the Favorites folder.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bookmarks/export.h"
#include "bookmarks/import.h"
#include "core/items.h"
#include "util/text.h"
#include "util/textcopy.h"

#include <cstring>

struct BookmarkLists {
    TCategoryListObject categories;
    TBookmarkListObject bookmarks;

    BookmarkLists() { categories.EnsureDefaultCategories(0); }

    // A bookmark category under the parent (by id); returns its id.
    int32_t AddCategory(const char* name, int32_t parent = 0) {
        int created = 0;
        ListNode* node = categories.AddCategory(name, TV_KIND_BOOKMARKS, parent, &created);
        return node ? TCategoryListObject::Item(node)->id : -1;
    }
    ListNode* AddBookmark(int32_t category, const char* title, const char* url, const char* description = "") {
        ListNode* categoryNode = categories.FindCategoryById(category, TV_KIND_BOOKMARKS);
        BookmarkItem r{const_cast<char*>(url), const_cast<char*>(title), const_cast<char*>(description), category,
                       categoryNode};
        return bookmarks.Add(&r, 0);
    }

    // "Folder/Sub" path of a bookmark category ("" for the root).
    std::string PathOf(int32_t id) const {
        std::string path;
        for (int guard = 0; id != 0 && guard < 1000; ++guard) {
            const ListNode* node = categories.FindCategoryById(id, TV_KIND_BOOKMARKS);
            if (!node) return "?";
            const CategoryItem* c = TCategoryListObject::Item(node);
            path = path.empty() ? std::string(c->name) : std::string(c->name) + "/" + path;
            id = c->parentId;
        }
        return path;
    }

    // Every bookmark as "path|title|url|description", in list order.
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        for (const ListNode* n = bookmarks.First(); n; n = n->next) {
            const BookmarkItem* b = TBookmarkListObject::Item(n);
            out.push_back(PathOf(b->categoryId) + "|" + b->title + "|" + b->url + "|" + b->description);
        }
        return out;
    }
    std::vector<std::string> SortedEntries() const {
        std::vector<std::string> out = Entries();
        std::sort(out.begin(), out.end());
        return out;
    }
    // Every bookmark category as its path, sorted (the root left out).
    std::vector<std::string> Folders() const {
        std::vector<std::string> out;
        for (const ListNode* n = categories.First(); n; n = n->next) {
            const CategoryItem* c = TCategoryListObject::Item(n);
            if (c->kind == TV_KIND_BOOKMARKS && c->id != 0) out.push_back(PathOf(c->id));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

// Files and folders in memory, with "\" separated paths; listing keeps the order of creation.
class MemoryFileSystem : public TBookmarkFileSystem, public TFavoritesSink {
public:
    struct Entry {
        bool folder = false;
        bool hidden = false;
        std::string content;
    };

    void AddFolder(const std::string& path, bool hidden = false) {
        Entry& e = entries_[Key(path)];
        e.folder = true;
        e.hidden = hidden;
        Remember(path);
    }
    void AddFile(const std::string& path, const std::string& content) {
        Entry& e = entries_[Key(path)];
        e.content = content;
        Remember(path);
    }
    const Entry* Find(const std::string& path) const {
        auto it = entries_.find(Key(path));
        return it == entries_.end() ? nullptr : &it->second;
    }
    // Every file path, in creation order.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const std::string& p : order_)
            if (!Find(p)->folder) out.push_back(p);
        return out;
    }
    std::vector<std::string> reported;

    std::unique_ptr<TByteStream> OpenRead(const std::string& path, uint32_t* error) override {
        const Entry* e = Find(path);
        if (!e || e->folder) {
            *error = 2;
            return nullptr;
        }
        return std::unique_ptr<TByteStream>(new TMemoryStream(e->content.data(), e->content.size()));
    }
    bool ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) override {
        const std::string prefix = Key(folder);
        const Entry* self = Find(folder.substr(0, folder.size() - 1));
        if (!self || !self->folder) return false;
        for (const std::string& p : order_) {
            const std::string k = Key(p);
            if (k.size() <= prefix.size() || k.compare(0, prefix.size(), prefix) != 0) continue;
            if (k.find('\\', prefix.size()) != std::string::npos) continue;
            const Entry* e = Find(p);
            TFolderEntry entry;
            entry.name = p.substr(prefix.size());
            entry.isFolder = e->folder;
            entry.hidden = e->hidden;
            entries->push_back(entry);
        }
        return true;
    }
    void ReportOpenError(const std::string& path, uint32_t error) override {
        reported.push_back(path + ":" + std::to_string(error));
    }
    bool CreateFolder(const std::string& folder) override {
        std::string path;
        for (size_t i = 0; i < folder.size(); ++i) {
            if (folder[i] == '\\' && !path.empty() && !Find(path)) AddFolder(path);
            path.push_back(folder[i]);
        }
        return true;
    }
    bool WriteShortcut(const std::string& path, const std::string& url) override {
        const size_t slash = path.rfind('\\');
        const Entry* parent = Find(path.substr(0, slash));
        if (!parent || !parent->folder) return false;
        AddFile(path, "[InternetShortcut]\r\nURL=" + url + "\r\n");
        return true;
    }

private:
    static std::string Key(const std::string& path) {
        std::string k = path;
        for (char& c : k) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return k;
    }
    void Remember(const std::string& path) {
        for (const std::string& p : order_)
            if (Key(p) == Key(path)) return;
        order_.push_back(path);
    }
    std::map<std::string, Entry> entries_;
    std::vector<std::string> order_;
};

inline std::string StreamText(const TMemoryStream& stream) {
    return std::string(stream.Data().begin(), stream.Data().end());
}
