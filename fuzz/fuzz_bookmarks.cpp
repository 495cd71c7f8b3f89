// Fuzz target for the bookmark readers: any bytes as a Netscape bookmark file, an Opera hotlist
// and an Internet shortcut, read into lists that already hold bookmarks. What the Netscape reader
// took must come back unchanged through the Netscape export and a second import (same folders,
// same bookmarks), and that export must be plain ASCII.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bookmarks/export.h"
#include "bookmarks/import.h"

namespace {

struct Lists {
    TCategoryListObject categories;
    TBookmarkListObject bookmarks;
    Lists() { categories.EnsureDefaultCategories(1); }
};

std::string PathOf(const Lists& lists, int32_t id) {
    std::string path;
    for (int guard = 0; id != 0 && guard < 10000; ++guard) {
        const ListNode* node = lists.categories.FindCategoryById(id, TV_KIND_BOOKMARKS);
        if (!node) std::abort();  // every bookmark's category exists
        const CategoryItem* c = TCategoryListObject::Item(node);
        path = std::string(c->name) + "/" + path;
        id = c->parentId;
    }
    return path;
}

std::vector<std::string> Picture(const Lists& lists) {
    std::vector<std::string> out;
    for (const ListNode* n = lists.bookmarks.First(); n; n = n->next) {
        const BookmarkItem* b = TBookmarkListObject::Item(n);
        if (b->category != lists.categories.FindCategoryById(b->categoryId, TV_KIND_BOOKMARKS)) std::abort();
        out.push_back(PathOf(lists, b->categoryId) + '\x01' + b->title + '\x01' + b->url + '\x01' + b->description);
    }
    for (const ListNode* n = lists.categories.First(); n; n = n->next) {
        const CategoryItem* c = TCategoryListObject::Item(n);
        if (c->kind == TV_KIND_BOOKMARKS && c->id != 0) out.push_back(PathOf(lists, c->id));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const char* text = reinterpret_cast<const char*>(bytes);
    const int rule = size > 0 ? bytes[0] % 3 : 0;

    // Netscape, into empty lists; then the round trip.
    Lists first;
    {
        TMemoryViewStream in(bytes, size);
        TBookmarkImporter importer(&first.bookmarks, &first.categories, rule);
        ReadNetscapeBookmarks(&in, &importer, DefaultAnsiCodec());
    }
    BookmarkExportSettings settings;
    settings.expandUrls = 0;
    TBookmarkExportJob job;
    job.settings = &settings;
    job.bookmarks = &first.bookmarks;
    job.categories = &first.categories;
    TMemoryStream exported;
    if (!WriteBookmarkExport(&exported, job, TV_EXPORT_NETSCAPE)) std::abort();
    for (uint8_t c : exported.Data())
        if (c >= 0x80) std::abort();
    Lists second;
    {
        exported.Rewind();
        TBookmarkImporter importer(&second.bookmarks, &second.categories, TV_DUPLICATE_KEEP);
        if (!ReadNetscapeBookmarks(&exported, &importer, DefaultAnsiCodec())) std::abort();
    }
    if (rule == TV_DUPLICATE_KEEP && Picture(first) != Picture(second)) std::abort();

    // Opera, onto what is there; the other formats' writers over the result.
    {
        TMemoryViewStream in(bytes, size);
        TBookmarkImporter importer(&first.bookmarks, &first.categories, rule);
        ReadOperaHotlist(&in, &importer, DefaultAnsiCodec());
        Picture(first);
    }
    for (int format : {TV_EXPORT_HTML, TV_EXPORT_COMMA, TV_EXPORT_TEXT, TV_EXPORT_OPERA}) {
        TMemoryStream out;
        if (!WriteBookmarkExport(&out, job, format)) std::abort();
    }

    // An Internet shortcut and the line reader.
    {
        TMemoryViewStream in(bytes, size);
        ReadInternetShortcutUrl(&in);
    }
    {
        TMemoryViewStream in(bytes, size);
        TTextLineReader reader(&in);
        std::string line;
        size_t total = 0;
        while (reader.ReadLine(&line)) total += line.size() + 1;
        if (total > size + 1) std::abort();
    }
    DecodeBrowserText(text, size, TV_TEXT_UTF8, true, DefaultAnsiCodec());
    return 0;
}
