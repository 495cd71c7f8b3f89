// Sample data shared by the benchmarks: categories, downloads, bookmarks and shortcuts of a size
// chosen by the caller, filled into the four data lists.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "core/items.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// items downloads and bookmarks spread over categoryCount / 2 categories of each of the two
// kinds, and 1,000 shortcuts. With samples the roots get their "Standard" categories first
// (id 1), as on a first run; the sample categories then start at id 2.
inline void FillLists(TCategoryListObject* categories, TFileListObject* files, TBookmarkListObject* bookmarks,
                      TShortcutListObject* shortcuts, uint32_t items, uint32_t categoryCount, int samples) {
    categories->EnsureDefaultCategories(samples);
    const uint32_t perKind = categoryCount / 2;
    for (int kind = 1; kind <= 2; ++kind)
        for (uint32_t i = samples ? 2 : 1; i <= perKind; ++i) {
            std::string name = "Category " + std::to_string(i);
            CategoryItem c{uint8_t(kind), 1, &name[0], int32_t(i), int32_t(i > 10 ? i % 10 : 0), nullptr};
            categories->Add(&c, 0);
        }
    std::string description = "A description of a download that is about this long, with a second line\r\nhere.";
    std::string site = "http://www.example.com/downloads/";
    std::string empty;
    for (uint32_t i = 0; i < items; ++i) {
        std::string name = "file" + std::to_string(i) + ".zip";
        FileItem f{&name[0], &name[0], &description[0], &empty[0], &site[0], 1000 + i, 0, 1, {}, {},
                   int32_t(i % perKind) + 1, nullptr};
        f.downloadDate.Set(130000000000000000ull + i);
        files->Add(&f, 0);
        std::string url = site + name;
        std::string title = "Bookmark " + std::to_string(i);
        BookmarkItem b{&url[0], &title[0], &empty[0], int32_t(i % perKind) + 1, nullptr};
        bookmarks->Add(&b, 0);
    }
    for (uint32_t i = 0; i < 1000; ++i) {
        std::string title = "Shortcut " + std::to_string(i) + ".lnk";
        ShortcutItem s{&title[0], 0, samples ? 1 : 0, nullptr};
        shortcuts->Add(&s, 0);
    }
}

}  // namespace bench
