// Times the bookmark import of a Netscape bookmark file with N bookmarks in N/100 folders (as
// today's browsers write it: UTF-8, attributes, small icons), the same import a second time onto
// the filled lists (every bookmark a duplicate), and the Netscape and HTML exports of the result;
// then the same with 2N. Every figure is the best of three runs, as wall time and as processor
// time of the process.
// Usage: bench_bookmarks [N]   (default 100000)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/bench_data.h"
#include "bookmarks/export.h"
#include "bookmarks/import.h"

namespace {

using bench::Clock;
using bench::Ms;

std::string MakeFile(uint32_t bookmarks) {
    const uint32_t folders = std::max<uint32_t>(1, bookmarks / 100);
    std::string file =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
        "<!-- This is an automatically generated file.\n     It will be read and overwritten.\n     DO NOT EDIT! -->\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
        "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n";
    const std::string icon = "data:image/png;base64," + std::string(120, 'Q');
    uint32_t made = 0;
    for (uint32_t f = 0; f < folders; ++f) {
        file += "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000001\">Folder " + std::to_string(f) +
                " &amp; caf\xC3\xA9</H3>\n    <DL><p>\n";
        const uint32_t here = f + 1 == folders ? bookmarks - made : bookmarks / folders;
        for (uint32_t i = 0; i < here; ++i, ++made) {
            file += "        <DT><A HREF=\"https://site" + std::to_string(made) + ".example.com/path?a=1&amp;b=" +
                    std::to_string(i) + "\" ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000002\" ICON=\"" + icon +
                    "\">Bookmark " + std::to_string(made) + " &lt;title&gt;</A>\n";
            if (i % 10 == 0) file += "    <DD>A description of bookmark " + std::to_string(made) + "\n";
        }
        file += "    </DL><p>\n";
    }
    file += "</DL>\n";
    return file;
}

struct Lists {
    TCategoryListObject categories;
    TBookmarkListObject bookmarks;
    Lists() { categories.EnsureDefaultCategories(0); }
};

void Import(Lists* lists, const std::string& file) {
    TMemoryViewStream in(file.data(), file.size());
    TBookmarkImporter importer(&lists->bookmarks, &lists->categories, TV_DUPLICATE_KEEP);
    if (!ReadNetscapeBookmarks(&in, &importer, DefaultAnsiCodec())) std::abort();
}

size_t Export(const Lists& lists, int format) {
    BookmarkExportSettings settings;
    TBookmarkExportJob job;
    job.settings = &settings;
    job.bookmarks = &lists.bookmarks;
    job.categories = &lists.categories;
    job.timeStamp = 1700000000;
    TMemoryStream out;
    if (!WriteBookmarkExport(&out, job, format)) std::abort();
    return out.Data().size();
}

// Wall time and processor time (the machine is shared) of one step, both best of the runs.
struct Best {
    double wall = 1e18, cpu = 1e18;
    void Take(Clock::time_point wallStart, std::clock_t cpuStart) {
        wall = std::min(wall, Ms(wallStart));
        cpu = std::min(cpu, 1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC);
    }
};

void Run(uint32_t n) {
    const std::string file = MakeFile(n);
    Best import, again, netscape, html;
    size_t netscapeBytes = 0, htmlBytes = 0, count = 0;
    for (int run = 0; run < 3; ++run) {
        Lists lists;
        Clock::time_point start = Clock::now();
        std::clock_t cpu = std::clock();
        Import(&lists, file);
        import.Take(start, cpu);
        count = lists.bookmarks.Count(1);
        start = Clock::now();
        cpu = std::clock();
        Import(&lists, file);
        again.Take(start, cpu);
        if (lists.bookmarks.Count(1) != count) std::abort();
        start = Clock::now();
        cpu = std::clock();
        netscapeBytes = Export(lists, TV_EXPORT_NETSCAPE);
        netscape.Take(start, cpu);
        start = Clock::now();
        cpu = std::clock();
        htmlBytes = Export(lists, TV_EXPORT_HTML);
        html.Take(start, cpu);
    }
    std::printf("%u bookmarks in %u folders, file %.1f MB (wall / processor time, ms)\n", unsigned(count),
                unsigned(std::max<uint32_t>(1, n / 100)), file.size() / 1e6);
    std::printf("  import into empty lists:         %8.1f / %8.1f\n", import.wall, import.cpu);
    std::printf("  same import again (duplicates):  %8.1f / %8.1f\n", again.wall, again.cpu);
    std::printf("  Netscape export (%.1f MB):       %8.1f / %8.1f\n", netscapeBytes / 1e6, netscape.wall, netscape.cpu);
    std::printf("  HTML export (%.1f MB):           %8.1f / %8.1f\n", htmlBytes / 1e6, html.wall, html.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 100000;
    Run(n);
    Run(2 * n);
    return 0;
}
