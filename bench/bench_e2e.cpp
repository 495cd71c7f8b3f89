// bench_e2e [--runs R] [--keep] N...: the real tv.exe on big databases, as a user meets them.
// For each N it writes a tv.cfg with N downloads in one download category "Big" and N bookmarks in
// one bookmark category "Big" (plus the default categories), times the database's own save and
// load in this process (and the load's parsing alone, from memory), then starts tv.exe R times on
// that file and times, from outside:
//   start    from CreateProcess until the window answers a message posted after the deferred
//            start-up (load, tree, lists, the start-up checks)
//   select   selecting "Big" in the tree until its N rows are there and painted
//   keys     each keystroke of a search text typed into the search field and deleted again,
//            until the filtered rows are there and painted (the slowest and the list)
//   sort     a click on the "Filename" heading, on it again, and on "Size"
//   close    from WM_CLOSE until the process ended (saving the database)
// Every figure is the best of the runs. Run it under Wine through bench/e2e_bench.sh.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/items.h"
#include "database/body.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/driver/tvdriver.h"
#include "util/textcopy.h"
#include "util/win_stream.h"
#include "util/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

constexpr int kTreeId = 301;
constexpr int kSearchFieldId = 305;
constexpr int kDownloadListId = 306;
constexpr DWORD kTimeoutMs = 600000;

// The search text typed, then deleted key by key.
const char kSearchText[] = "123";

struct RunTimes {
    double start = 0, select = 0, close = 0;
    std::vector<double> keys;  // typing, then deleting
    double sortName = 0, sortNameAgain = 0, sortSize = 0;
};

struct FileTimes {
    double save = 0, load = 0, parse = 0;
};

bool WriteDatabase(const std::string& folder, uint32_t n, FileTimes* t) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(1);
    int created = 0;
    ListNode* files = d.categories.AddCategory("Big", TV_KIND_DOWNLOADS, 0, &created);
    ListNode* marks = d.categories.AddCategory("Big", TV_KIND_BOOKMARKS, 0, &created);
    if (!files || !marks) return false;
    const int32_t filesId = TCategoryListObject::Item(files)->id;
    const int32_t marksId = TCategoryListObject::Item(marks)->id;
    const char* words[] = {"setup", "readme", "tools", "game", "patch", "demo", "driver", "fonts"};
    char text[300];
    for (uint32_t i = 0; i < n; ++i) {
        FileItem f;
        d.downloads.InitItem(&f);
        FormatLimited(text, sizeof text, "%s%06u.zip", words[i % 8], i);
        TextAssign(&f.fileName, text);
        TextAssign(&f.storedName, text);
        FormatLimited(text, sizeof text, "The %s package number %u, a description of about this length", words[(i / 8) % 8],
                      i);
        TextAssign(&f.description, text);
        FormatLimited(text, sizeof text, "http://www.example.com/%s/", words[(i / 64) % 8]);
        TextAssign(&f.website, text);
        // The stored files do not exist: marked missing, so that the start-up finds nothing lost.
        f.flags = 0;
        f.sizeLow = 1000 + (i * 7919u) % 5000000u;
        f.downloadDate.Set(130000000000000000ull + uint64_t(i) * 10000000ull);
        f.categoryId = filesId;
        const bool added = d.downloads.Add(&f, 0) != nullptr;
        d.downloads.FreeItemData(&f);
        BookmarkItem b;
        d.bookmarks.InitItem(&b);
        FormatLimited(text, sizeof text, "http://www.example.com/%s/%u.html", words[i % 8], i);
        TextAssign(&b.url, text);
        FormatLimited(text, sizeof text, "Bookmark %u about %s", i, words[(i / 8) % 8]);
        TextAssign(&b.title, text);
        b.categoryId = marksId;
        const bool marked = d.bookmarks.Add(&b, 0) != nullptr;
        d.bookmarks.FreeItemData(&b);
        if (!added || !marked) return false;
    }
    CreateMissingStorageFolders(&d, 3);
    const std::string path = folder + "\\tv.cfg";
    const auto save = Clock::now();
    if (!SaveDatabase(&d, nullptr, path.c_str())) return false;
    t->save = MsSince(save);
    TProgramData again;
    again.SetProgramFolder(folder.c_str());
    const auto load = Clock::now();
    const bool firstRun = LoadDatabase(&again, nullptr, path.c_str());
    t->load = MsSince(load);
    // The same body parsed from memory: what the load costs without the file.
    TMemoryStream bytes;
    {
        TWin32FileStream in;
        std::vector<uint8_t> block(1 << 20);
        if (!in.Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) return false;
        for (size_t got; (got = in.Read(block.data(), block.size())) > 0;) bytes.Write(block.data(), got);
        bytes.Rewind();
    }
    TProgramData parsed;
    parsed.SetProgramFolder(folder.c_str());
    const auto parse = Clock::now();
    const int32_t version = ReadDatabaseHeader(&bytes);
    const bool complete = version > 0 && ReadDatabaseBody(&bytes, uint32_t(version), 0, &parsed);
    t->parse = MsSince(parse);
    return complete && !firstRun && again.downloads.Count(0) == n && again.bookmarks.Count(0) == n;
}

// Waits until the window's thread has handled everything posted to it before now.
bool WaitForQueue(HWND edit) {
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    PostMessageA(edit, EM_SETMODIFY, TRUE, 0);
    return tvd::WaitUntil(
        [&] {
            DWORD_PTR modified = 0;
            return SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 1000, &modified) && modified;
        },
        kTimeoutMs);
}

// Paints the list now (the owner answers every cell it shows) and checks its rows.
bool PaintAndCount(HWND list, int expected) {
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return expected < 0 || tvd::ListItemCount(list) == expected;
}

// A click on the heading of a column (the columns stand in their default order).
void ClickHeading(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int x = 0;
    for (int c = 0; c < column; ++c) x += int(SendMessageA(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    const LPARAM at = MAKELPARAM(x + int(SendMessageA(list, LVM_GETCOLUMNWIDTH, WPARAM(column), 0)) / 2, 5);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
}

bool Failed(const char* step) {
    std::fprintf(stderr, "  failed: %s\n", step);
    return false;
}

bool RunOnce(const std::string& exe, const std::string& folder, uint32_t n, RunTimes* t) {
    tvd::Process process;
    const auto start = Clock::now();
    if (!process.Start(exe, "", folder)) return Failed("start");
    HWND frame = process.WaitForWindow("TolvaneFrameWindow", nullptr, kTimeoutMs);
    if (!frame || !tvd::WaitUntil([&] { return IsWindowVisible(frame) != 0; }, kTimeoutMs)) return Failed("frame");
    HWND client = tvd::FindChildByClass(frame, "TolvaneWindow");
    HWND search = client ? tvd::Control(client, kSearchFieldId) : nullptr;
    HWND tree = client ? tvd::Control(client, kTreeId) : nullptr;
    HWND list = client ? tvd::Control(client, kDownloadListId) : nullptr;
    if (!search || !tree || !list || !WaitForQueue(search)) return Failed("window");
    t->start = MsSince(start);

    HTREEITEM big = tvd::FindTreeItem(tree, {"Downloads", "Big"});
    if (!big) return Failed("tree item");
    auto select = Clock::now();
    // Sent without a time limit: the old lists took many seconds here.
    if (!SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(big)) || !PaintAndCount(list, int(n)))
        return Failed("select");
    t->select = MsSince(select);

    t->keys.clear();
    for (const char* c = kSearchText; *c; ++c) {
        const auto key = Clock::now();
        SendMessageA(search, WM_CHAR, WPARAM(static_cast<unsigned char>(*c)), 1);
        PaintAndCount(list, -1);
        t->keys.push_back(MsSince(key));
    }
    for (size_t i = 0; i < sizeof(kSearchText) - 1; ++i) {
        const auto key = Clock::now();
        SendMessageA(search, WM_CHAR, VK_BACK, 1);
        PaintAndCount(list, -1);
        t->keys.push_back(MsSince(key));
    }
    if (tvd::ListItemCount(list) != int(n)) return Failed("keys");

    // Default column order: Filename is column 0, Size column 2.
    auto sort = Clock::now();
    ClickHeading(list, 0);
    PaintAndCount(list, int(n));
    t->sortName = MsSince(sort);
    sort = Clock::now();
    ClickHeading(list, 0);
    PaintAndCount(list, int(n));
    t->sortNameAgain = MsSince(sort);
    sort = Clock::now();
    ClickHeading(list, 2);
    PaintAndCount(list, int(n));
    t->sortSize = MsSince(sort);

    const auto close = Clock::now();
    DWORD exitCode = 1;
    if (!process.CloseAndWait(frame, kTimeoutMs, &exitCode) || exitCode != 0) return Failed("close");
    t->close = MsSince(close);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    bool keep = false;
    std::vector<uint32_t> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--keep") {
            keep = true;
        } else if (std::atol(arg.c_str()) > 0) {
            sizes.push_back(uint32_t(std::atol(arg.c_str())));
        } else {
            std::fprintf(stderr, "usage: bench_e2e [--runs R] [--keep] N...\n");
            return 2;
        }
    }
    if (sizes.empty()) sizes = {50000, 100000, 200000};
    const std::string exe = tvd::WinPath(TV_EXE_PATH);
    const std::string exeFolder = exe.substr(0, exe.size() - tvd::BaseName(exe).size());
    std::printf("%9s %8s %8s %8s | %8s %8s %8s %8s %8s %8s %8s | keys (ms)\n", "N", "save", "load", "parse", "start", "select",
                "key max", "name", "name2", "size", "close");
    int failures = 0;
    for (uint32_t n : sizes) {
        tvd::ProgramFolder folder(tvd::WinPath(TV_BENCH_WORK), "bench-" + std::to_string(n));
        if (keep) folder.Keep();
        if (!folder.ok() || folder.InstallFilesOf(exeFolder) <= 0) {
            std::fprintf(stderr, "N=%u: no program folder\n", n);
            return 1;
        }
        FileTimes files;
        if (!WriteDatabase(folder.path(), n, &files)) {
            std::fprintf(stderr, "N=%u: the database could not be written and read back\n", n);
            return 1;
        }
        RunTimes best;
        bool any = false;
        for (int r = 0; r < runs; ++r) {
            RunTimes t;
            if (!RunOnce(folder.File("tv.exe"), folder.path(), n, &t)) {
                std::fprintf(stderr, "N=%u: run %d failed\n", n, r + 1);
                ++failures;
                continue;
            }
            if (!any) {
                best = t;
                any = true;
                continue;
            }
            best.start = std::min(best.start, t.start);
            best.select = std::min(best.select, t.select);
            best.close = std::min(best.close, t.close);
            best.sortName = std::min(best.sortName, t.sortName);
            best.sortNameAgain = std::min(best.sortNameAgain, t.sortNameAgain);
            best.sortSize = std::min(best.sortSize, t.sortSize);
            for (size_t k = 0; k < best.keys.size() && k < t.keys.size(); ++k)
                best.keys[k] = std::min(best.keys[k], t.keys[k]);
        }
        if (!any) continue;
        const double keyMax = best.keys.empty() ? 0 : *std::max_element(best.keys.begin(), best.keys.end());
        std::printf("%9u %8.0f %8.0f %8.0f | %8.0f %8.0f %8.0f %8.0f %8.0f %8.0f %8.0f |", n, files.save, files.load,
                    files.parse, best.start,
                    best.select, keyMax, best.sortName, best.sortNameAgain, best.sortSize, best.close);
        for (double k : best.keys) std::printf(" %.0f", k);
        std::printf("\n");
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
