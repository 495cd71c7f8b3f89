// Times writing and reading the four list sections (categories, downloads, bookmarks, shortcuts)
// with N downloads, N bookmarks and N/50 categories, then with twice as many, from memory and
// through a file; each figure is the best of three runs. Usage: bench_lists [N] [file]   (defaults: 100000, a file in /tmp)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_data.h"
#include "core/items.h"
#include "util/stream.h"

namespace {

using bench::Clock;
using bench::Ms;

struct Lists {
    TCategoryListObject categories;
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
};

void Fill(Lists* lists, uint32_t items, uint32_t categoryCount) {
    bench::FillLists(&lists->categories, &lists->files, &lists->bookmarks, &lists->shortcuts, items, categoryCount, 0);
}

bool WriteAll(const Lists& lists, TByteStream* out) {
    return lists.categories.Write(out) && lists.files.Write(out) && lists.bookmarks.Write(out) &&
           lists.shortcuts.Write(out);
}

bool ReadAll(Lists* lists, TByteStream* in) {
    const bool ok = lists->categories.Read(in) && lists->files.Read(in) && lists->bookmarks.Read(in) &&
                    lists->shortcuts.Read(in);
    lists->categories.EnsureDefaultCategories(0);
    LinkItemsToCategories(&lists->categories, &lists->files, &lists->bookmarks, &lists->shortcuts);
    return ok;
}

struct Times {
    double fill, writeMemory, readMemory, writeFile, readFile;
    double megabytes;
    uint32_t shown;
};

int Run(uint32_t items, const std::string& path, Times* times) {
    const uint32_t categories = items / 50;
    Clock::time_point t = Clock::now();
    Lists source;
    Fill(&source, items, categories);
    const double fill = Ms(t);

    TMemoryStream memory;
    t = Clock::now();
    if (!WriteAll(source, &memory)) return 1;
    const double writeMemory = Ms(t);

    memory.Rewind();
    Lists fromMemory;
    t = Clock::now();
    if (!ReadAll(&fromMemory, &memory)) return 1;
    const double readMemory = Ms(t);

    TStdioStream file;
    if (!file.Open(path.c_str(), "wb")) return 1;
    t = Clock::now();
    if (!WriteAll(source, &file) || !file.Flush()) return 1;
    file.Close();
    const double writeFile = Ms(t);

    TStdioStream input;
    if (!input.Open(path.c_str(), "rb")) return 1;
    Lists fromFile;
    t = Clock::now();
    if (!ReadAll(&fromFile, &input)) return 1;
    const double readFile = Ms(t);
    input.Close();

    if (fromFile.files.Count(1) != items || fromMemory.bookmarks.Count(1) != items ||
        fromFile.categories.Count(1) != source.categories.Count(1))
        return 1;
    uint32_t shown = 0;
    for (const ListNode* n = fromFile.files.First(); n; n = n->next)
        shown += TFileListObject::IsItemShown(TFileListObject::Item(n));

    *times = Times{fill, writeMemory, readMemory, writeFile, readFile, double(memory.Size()) / 1e6, shown};
    return 0;
}

// The best of three runs, so that a busy machine disturbs the figures less.
int Measure(uint32_t items, const std::string& path) {
    Times best{};
    for (int round = 0; round < 3; ++round) {
        Times t{};
        if (Run(items, path, &t) != 0) return 1;
        if (round == 0) {
            best = t;
            continue;
        }
        best.fill = std::min(best.fill, t.fill);
        best.writeMemory = std::min(best.writeMemory, t.writeMemory);
        best.readMemory = std::min(best.readMemory, t.readMemory);
        best.writeFile = std::min(best.writeFile, t.writeFile);
        best.readFile = std::min(best.readFile, t.readFile);
    }
    std::printf("%8u downloads %8u bookmarks %5u categories  %6.1f MB | add %7.1f ms | write memory %7.1f ms | "
                "read+link memory %7.1f ms | write file %7.1f ms | read+link file %7.1f ms | shown %u\n",
                items, items, items / 50, best.megabytes, best.fill, best.writeMemory, best.readMemory, best.writeFile,
                best.readFile, best.shown);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 100000;
    std::string path;
    if (argc > 2) {
        path = argv[2];
    } else {
        char name[] = "/tmp/bench_lists_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) return 1;
        close(fd);
        path = name;
    }
    int rc = Measure(n, path);
    if (rc == 0) rc = Measure(2 * n, path);
    std::remove(path.c_str());
    if (rc != 0) std::fprintf(stderr, "bench_lists: a step failed\n");
    return rc;
}
