// The find over the items' own fields: N downloads and N bookmarks with varied texts (names,
// descriptions of a few dozen words, sites, extracted-to folders), searched for a rare word, a
// common word, a part of words, with and without the case and whole-word options. Every figure is
// the best of five runs.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_data.h"
#include "find/findlogic.h"
#include "util/text.h"

namespace {

const char* const kWords[] = {"archive", "setup",  "driver", "update", "version", "patch",  "tool",    "game",
                              "demo",    "player", "codec",  "font",   "image",   "viewer", "editor",  "utility",
                              "network", "server", "client", "mail",   "browser", "plugin", "library", "source",
                              "Windows", "Linux",  "free",   "trial",  "release", "beta",   "manual",  "guide"};

std::string Words(std::mt19937& rng, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
    }
    return text;
}

void Fill(uint32_t n, TCategoryListObject* categories, TFileListObject* files, TBookmarkListObject* bookmarks) {
    std::mt19937 rng(4711);
    categories->EnsureDefaultCategories(1);
    for (uint32_t i = 0; i < n; ++i) {
        std::string name = Words(rng, 1) + "-" + std::to_string(i) + (i % 3 ? ".zip" : ".exe");
        std::string description = Words(rng, 8 + int(rng() % 20));
        if (i % 5000 == 17) description += " needlework";  // the rare word
        std::string extracted = i % 4 ? "" : "C:\\Programs\\" + Words(rng, 1);
        std::string site = "http://www." + Words(rng, 1) + std::to_string(i % 977) + ".example.com/" + Words(rng, 1);
        FileItem f{&name[0], &name[0], &description[0], &extracted[0], &site[0], 1000 + i, 0, 1, {}, {}, 1, nullptr};
        files->Add(&f, 0);
        std::string url = "http://www." + Words(rng, 1) + std::to_string(i) + ".example.org/" + Words(rng, 2);
        std::string title = Words(rng, 3 + int(rng() % 4));
        std::string note = i % 2 ? Words(rng, 6 + int(rng() % 10)) : "";
        if (i % 5000 == 23) note += " needlework";
        BookmarkItem b{&url[0], &title[0], &note[0], 1, nullptr};
        bookmarks->Add(&b, 0);
    }
    LinkItemsToCategories(categories, files, bookmarks, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 200000;
    TCategoryListObject categories;
    TFileListObject files;
    TBookmarkListObject bookmarks;
    const auto start = bench::Clock::now();
    Fill(n, &categories, &files, &bookmarks);
    std::printf("%u downloads and %u bookmarks made in %.0f ms\n", n, n, bench::Ms(start));
    TFindLists lists;
    lists.downloads = &files;
    lists.bookmarks = &bookmarks;
    lists.categories = &categories;

    struct {
        const char* text;
        int caseSensitive;
        int onlyWords;
    } queries[] = {
        {"needlework", 0, 0}, {"needlework", 1, 1}, {"viewer", 0, 0}, {"viewer", 0, 1},
        {"Windows", 1, 0},    {"xyzzy", 0, 0},      {"er", 0, 0},
    };
    std::printf("%-12s %-5s %-5s | %10s %9s | %10s %9s | %9s\n", "text", "case", "words", "downloads", "ms",
                "bookmarks", "ms", "both ms");
    for (const auto& q : queries) {
        double best[2] = {1e9, 1e9};
        size_t hits[2] = {0, 0};
        for (int run = 0; run < 5; ++run) {
            for (int area = 0; area < 2; ++area) {
                TFindFileSettingsData settings;
                CopyLimited(settings.contents, q.text, sizeof settings.contents);
                settings.caseSensitive = q.caseSensitive;
                settings.onlyWords = q.onlyWords;
                settings.searchArea = area == 0 ? 1 : 2;
                TFindResultList results;
                const auto t = bench::Clock::now();
                FindItems(settings, lists, &results);
                const double ms = bench::Ms(t);
                if (ms < best[area]) best[area] = ms;
                hits[area] = results.Size();
            }
        }
        std::printf("%-12s %-5s %-5s | %10zu %9.1f | %10zu %9.1f | %9.1f\n", q.text, q.caseSensitive ? "yes" : "no",
                    q.onlyWords ? "yes" : "no", hits[0], best[0], hits[1], best[1], best[0] + best[1]);
    }
    return 0;
}
