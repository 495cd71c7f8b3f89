// The archive search against ugrep -z on the same archives, side by side in one run: every archive
// of a folder becomes a stored download, and the program takes turns between the search (in this
// process) and ugrep (a child process) for the same text, RUNS times each. Figures are the best
// wall time and the best CPU time (user + system) of each, and MB/s of member bytes searched. The
// search runs as the program runs it (one worker per processor) and on one thread, as does ugrep
// (its default and -J1).
//
//   bench_zipsearch FOLDER TEXT [RUNS]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "archive/zipsearch.h"
#include "tests/core/core_fixtures.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(const rusage& r) {
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
    size_t hits = 0;
    void Take(double w, double c, size_t h) {
        wall = std::min(wall, w);
        cpu = std::min(cpu, c);
        hits = h;
    }
};

// Runs ugrep with the arguments; counts the lines it prints (one per matching member with -l).
bool RunUgrep(const std::vector<std::string>& args, double* wall, double* cpu, size_t* lines) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    char buffer[65536];
    size_t count = 0;
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        count += size_t(std::count(buffer, buffer + n, '\n'));
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    *wall = std::chrono::duration<double>(Clock::now() - start).count();
    *cpu = CpuSeconds(usage);
    *lines = count;
    // ugrep ends with 1 when nothing matched.
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_zipsearch FOLDER TEXT [RUNS]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    const char* text = argv[2];
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;

    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir))
            if (IsSearchedArchiveName(e->d_name)) names.push_back(e->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    if (names.empty()) {
        std::fprintf(stderr, "no archives in %s\n", folder.c_str());
        return 2;
    }

    TCategoryListObject categories;
    TFileListObject downloads;
    categories.EnsureDefaultCategories(1);
    uint64_t memberBytes = 0, archiveBytes = 0;
    size_t members = 0;
    for (const std::string& name : names) {
        FileItem f = Download(name.c_str(), 0);
        downloads.Add(&f, 0);
        TZipMemberReader reader;
        if (reader.Open((folder + name).c_str()) != 0) continue;
        for (uint32_t i = 0; i < reader.Count(); ++i) {
            MemberInfo info;
            if (reader.Member(i, &info) != 0 || (info.attributes & TV_ZIPATTR_FOLDER)) continue;
            memberBytes += info.size;
            archiveBytes += info.packed;
            ++members;
        }
    }
    LinkItemsToCategories(&categories, &downloads, nullptr, nullptr);
    TZipSearchSource source;
    source.downloads = &downloads;
    source.categories = &categories;
    source.locations = {folder.c_str(), folder.c_str()};
    TZipSearchRequest request;
    request.contents = text;
    request.filter = "";

    std::vector<std::string> ugrep = {"ugrep", "-z", "-l", "-F", "-s", "--", text};
    std::vector<std::string> ugrepOne = {"ugrep", "-z", "-l", "-F", "-s", "-J1", "--", text};
    for (const std::string& name : names) {
        ugrep.push_back(folder + name);
        ugrepOne.push_back(folder + name);
    }

    std::printf("%zu archives, %zu members, %.1f MB of members (%.1f MB packed), text \"%s\", best of %d\n",
                names.size(), members, double(memberBytes) / 1e6, double(archiveBytes) / 1e6, text, runs);
    // The search with as many workers as processors (as the program runs it), and with one.
    const auto searchOnce = [&](unsigned workers, Timing* timing) {
        TZipSearchFileListObject hits;
        TZipSearchRequest r = request;
        r.workers = workers;
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const auto start = Clock::now();
        RunZipSearch(source, r, &hits, nullptr);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        getrusage(RUSAGE_SELF, &after);
        timing->Take(wall, CpuSeconds(after) - CpuSeconds(before), hits.Count(0));
    };
    Timing ours, oursOne, theirs, theirsOne;
    for (int run = 0; run < runs; ++run) {
        searchOnce(0, &ours);
        searchOnce(1, &oursOne);
        double wall = 0, cpu = 0;
        size_t lines = 0;
        if (!RunUgrep(ugrep, &wall, &cpu, &lines)) {
            std::fprintf(stderr, "ugrep failed (is it installed?)\n");
            return 1;
        }
        theirs.Take(wall, cpu, lines);
        if (!RunUgrep(ugrepOne, &wall, &cpu, &lines)) return 1;
        theirsOne.Take(wall, cpu, lines);
    }
    const double mb = double(memberBytes) / 1e6;
    std::printf("%-22s %8s %8s %10s %10s %6s\n", "", "wall s", "CPU s", "MB/s wall", "MB/s CPU", "hits");
    std::printf("%-22s %8.3f %8.3f %10.1f %10.1f %6zu\n", "archive search", ours.wall, ours.cpu, mb / ours.wall,
                mb / ours.cpu, ours.hits);
    std::printf("%-22s %8.3f %8.3f %10.1f %10.1f %6zu\n", "archive search, 1 thr", oursOne.wall, oursOne.cpu,
                mb / oursOne.wall, mb / oursOne.cpu, oursOne.hits);
    std::printf("%-22s %8.3f %8.3f %10.1f %10.1f %6zu\n", "ugrep -z", theirs.wall, theirs.cpu, mb / theirs.wall,
                mb / theirs.cpu, theirs.hits);
    std::printf("%-22s %8.3f %8.3f %10.1f %10.1f %6zu\n", "ugrep -z -J1", theirsOne.wall, theirsOne.cpu,
                mb / theirsOne.wall, mb / theirsOne.cpu, theirsOne.hits);
    std::printf("speed of the archive search / ugrep -z: wall %.2f x, CPU %.2f x (one thread against -J1: wall %.2f x)\n",
                theirs.wall / ours.wall, theirs.cpu / ours.cpu, theirsOne.wall / oursOne.wall);
    if (ours.hits != theirs.hits) std::printf("note: the hit counts differ (%zu / %zu)\n", ours.hits, theirs.hits);
    return 0;
}
