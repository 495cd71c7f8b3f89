// Fuzz target for interchange files: any bytes as a ".tvi" imported into a program that already
// holds items, with the import targets chosen by the first byte. The in-memory host aborts on any
// path outside the storage folders; afterwards every stored download must have a file of its
// recorded size, stored names must be unique in their category, and the merged data must go out
// again as a backup that imports into a fresh program with the same downloads.
//
// With bit 7 of the first byte set the valid magic is put in front of the rest, so the fuzzer
// spends its time behind the header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "interchange/format.h"
#include "tests/interchange/interchange_fixture.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckDownloads(TInterchangeFixture& f) {
    std::set<std::string> names;
    for (const ListNode* n = f.data.downloads.First(); n; n = n->next) {
        const FileItem* d = TFileListObject::Item(n);
        std::string key = std::to_string(d->categoryId) + ":";
        for (const char* p = d->storedName; *p; ++p) key += LowerChar(*p);
        Check(names.insert(key).second);
        if (!(d->flags & TV_FILE_EXISTS) || !d->category) continue;
        char path[TV_PATH_SIZE];
        const StorageLocations l{f.data.standards.downloadsLocation, f.data.standards.shortcutsLocation};
        Check(f.data.downloads.FilePath(path, sizeof path, d, &f.data.categories, l) == TV_FOLDER_OK);
        Check(f.host.FileSize(path) == int64_t(d->sizeLow));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 1) return 0;
    std::vector<uint8_t> file;
    if (bytes[0] & 0x80) file.assign(TV_INTERCHANGE_MAGIC, TV_INTERCHANGE_MAGIC + TV_INTERCHANGE_MAGIC_SIZE);
    file.insert(file.end(), bytes + 1, bytes + size);

    TInterchangeFixture f("C:\\Prog\\");
    f.Category(1, "Tools");
    f.Category(2, "Web");
    f.Download("a.zip", 0, "existing");
    f.Download("b.zip", 1, "in tools");
    f.Bookmark("http://x/", "X", 0);
    f.Shortcut("Editor.lnk", 0, "LNK");
    const int32_t downloadTargets[] = {0, 1, -1, 0};
    const int32_t bookmarkTargets[] = {0, -1, 1, 1};
    const int choice = bytes[0] & 3;
    f.host.cancelAfterPumps = (bytes[0] & 0x40) ? 3 : -1;
    const std::vector<uint8_t> before = f.Snapshot();
    bool usable = false;
    const TInterchangeImportReport report = f.Import(file, downloadTargets[choice], bookmarkTargets[choice], &usable);
    Check(f.host.violations.empty());
    if (!usable) Check(f.Snapshot() == before && report.unusable);
    CheckDownloads(f);

    // What was merged goes out again and comes back whole.
    f.host.cancelAfterPumps = -1;
    f.host.cancelled = false;
    const std::vector<uint8_t> backup = f.Write(Backup());
    Check(!backup.empty());
    TInterchangeFixture g("C:\\Prog\\");
    const TInterchangeImportReport again = g.Import(backup);
    Check(g.host.violations.empty());
    Check(again.missing == 0 && !again.recordsCut);
    CheckDownloads(g);
    return 0;
}
