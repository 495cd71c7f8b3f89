// Times the database body: WriteDatabaseBody and ReadDatabaseBody (with the linking of items to
// their categories that loading does) for N downloads, N bookmarks and 2,000 categories, then for
// twice as many items, in memory and through a file; each figure is the best of three runs.
// Usage: bench_database [N] [file]   (defaults: 100000, a file in /tmp)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_data.h"
#include "database/body.h"

namespace {

using bench::Clock;
using bench::Ms;

void Fill(TProgramData* d, uint32_t items, uint32_t categoryCount) {
    d->SetProgramFolder("C:\\Program Files\\Tolvane");
    d->ResetForLoad();
    d->SetDefaultSettings(nullptr);
    bench::FillLists(&d->categories, &d->downloads, &d->bookmarks, &d->shortcuts, items, categoryCount, 1);
    d->externalPrograms.Clear();
    for (int i = 0; i < 3; ++i) {
        std::string cmd = "C:\\Scanner\\scan" + std::to_string(i) + ".exe \"%1\"";
        ExtProcItem e{&cmd[0]};
        d->externalPrograms.Add(&e, 0);
    }
}

struct Times {
    double saveMemory = 1e99, loadMemory = 1e99, saveFile = 1e99, loadFile = 1e99;
    size_t bytes = 0;
};

bool Load(TByteStream* in, TProgramData* d) {
    d->ResetForLoad();
    const int32_t version = ReadDatabaseHeader(in);
    if (version < int32_t(TV_DB_VERSION_MINIMUM)) return false;
    const bool ok = ReadDatabaseBody(in, uint32_t(version), 0, d);
    LinkItemsToCategories(&d->categories, &d->downloads, &d->bookmarks, &d->shortcuts);
    return ok;
}

Times Measure(uint32_t items, const std::string& path) {
    Times t;
    TProgramData source;
    Fill(&source, items, 2000);
    for (int run = 0; run < 3; ++run) {
        TMemoryStream memory;
        auto start = Clock::now();
        if (!WriteDatabaseBody(&memory, 0, &source)) std::abort();
        t.saveMemory = std::min(t.saveMemory, Ms(start));
        t.bytes = memory.Data().size();

        TProgramData loaded;
        memory.Rewind();
        start = Clock::now();
        if (!Load(&memory, &loaded)) std::abort();
        t.loadMemory = std::min(t.loadMemory, Ms(start));
        if (loaded.downloads.Count(0) != items) std::abort();

        {
            TStdioStream file;
            if (!file.Open(path.c_str(), "wb")) std::abort();
            start = Clock::now();
            if (!WriteDatabaseBody(&file, 0, &source) || !file.Flush()) std::abort();
            file.Close();
            t.saveFile = std::min(t.saveFile, Ms(start));
        }
        {
            TStdioStream file;
            if (!file.Open(path.c_str(), "rb")) std::abort();
            TProgramData fromFile;
            start = Clock::now();
            if (!Load(&file, &fromFile)) std::abort();
            t.loadFile = std::min(t.loadFile, Ms(start));
        }
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 100000;
    const std::string path = argc > 2 ? argv[2] : "/tmp/bench_database_" + std::to_string(getpid()) + ".cfg";
    std::printf("%-10s %12s %12s %12s %12s %12s\n", "items", "bytes", "save mem ms", "load mem ms", "save file ms",
                "load file ms");
    for (uint32_t items : {n, 2 * n}) {
        const Times t = Measure(items, path);
        std::printf("%-10u %12zu %12.1f %12.1f %12.1f %12.1f\n", items, t.bytes, t.saveMemory, t.loadMemory, t.saveFile,
                    t.loadFile);
    }
    std::remove(path.c_str());
    return 0;
}
