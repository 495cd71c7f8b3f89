// Random bytes into every list section reader and the counted-string reader. Each reader must
// stop at the end of the input without inventing records, and what it read must write back and
// read again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "util/countedstring.h"
#include "util/stream.h"
#include "util/textcopy.h"

namespace {

template <typename List>
void RoundTrip(const uint8_t* data, size_t size) {
    List list;
    TMemoryViewStream in(data, size);
    list.Read(&in);
    if (in.Position() > int64_t(size)) std::abort();
    TMemoryStream first;
    list.Write(&first);
    first.Rewind();
    List again;
    if (!again.Read(&first)) std::abort();
    TMemoryStream second;
    again.Write(&second);
    if (first.Data() != second.Data()) std::abort();
    if (list.Count(0) != again.Count(0)) std::abort();
}

void CountedStrings(const uint8_t* data, size_t size) {
    {
        TMemoryViewStream in(data, size);
        char* text = TextDuplicate("");
        while (in.Remaining() > 0) {
            uint32_t read = 0;
            const std::string before = text;
            if (!ReadCountedString(&in, &text, &read, 1, 0)) break;
            // A negative stored length leaves the text as it was; otherwise it holds what was read.
            if (std::strlen(text) > read && before != text) std::abort();
        }
        TextRelease(&text);
    }
    for (uint32_t capacity : {1u, 2u, 10u, 261u}) {
        TMemoryViewStream in(data, size);
        std::vector<char> buffer(capacity, 'x');
        buffer[0] = '\0';
        char* text = buffer.data();
        while (in.Remaining() > 0) {
            uint32_t read = 0;
            const std::string before = text;
            if (!ReadCountedString(&in, &text, &read, 0, capacity)) break;
            if (read >= capacity) std::abort();
            if (std::strlen(text) > read && before != text) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RoundTrip<TCategoryListObject>(data, size);
    RoundTrip<TFileListObject>(data, size);
    RoundTrip<TBookmarkListObject>(data, size);
    RoundTrip<TShortcutListObject>(data, size);
    RoundTrip<TDynamicStringListObject>(data, size);
    RoundTrip<TExtProcListObject>(data, size);
    RoundTrip<TTempFileListObject>(data, size);
    CountedStrings(data, size);

    // The load path: categories repaired, then items linked.
    TMemoryViewStream in(data, size);
    TCategoryListObject categories;
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    categories.Read(&in);
    categories.EnsureDefaultCategories(0);
    files.Read(&in);
    bookmarks.Read(&in);
    shortcuts.Read(&in);
    LinkItemsToCategories(&categories, &files, &bookmarks, &shortcuts);
    for (ListNode* node = categories.First(); node; node = node->next) {
        char path[TV_PATH_SIZE] = "";
        categories.CategoryPath(path, sizeof path, node);
        char folder[TV_PATH_SIZE];
        categories.CategoryFolder(folder, sizeof folder, node, StorageLocations{"C:\\dl\\", "C:\\sc\\"});
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind < 1 || c->kind > 3) std::abort();
        categories.IsSubcategory(c->id, 0, c->kind);
    }
    return 0;
}
