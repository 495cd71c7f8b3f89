// Times writing and reading the stored-file part of a full backup: every file of a folder becomes
// a download of the root category, the backup is written to a file, and its downloads are read
// into a fresh program whose storage is another folder. Builds natively (stdio files) and for
// Windows (the wizards' own host over Win32 files, run under Wine); bench/interchange_bench.sh
// sets both against cp.
//   interchange_bench create SOURCE_FOLDER OUT_FILE     prints "create MS BYTES FILES CPU_MS"
//   interchange_bench import IN_FILE DEST_FOLDER        prints "import MS BYTES FILES CPU_MS"
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "database/programdata.h"
#include "interchange/create.h"
#include "interchange/format.h"
#include "interchange/import.h"
#include "util/text.h"

#ifdef _WIN32
#include <windows.h>

#include "interchange/win_host.h"
#include "util/win_stream.h"
using THost = TWin32InterchangeHost;
const char kSeparator = '\\';
#else
#include <dirent.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <unistd.h>

const char kSeparator = '/';

// Stored files on the local file system through stdio.
class TStdioIncoming : public TIncomingFile {
public:
    explicit TStdioIncoming(std::string temp) : temp_(std::move(temp)) {}
    ~TStdioIncoming() override {
        stream_.Close();
        if (!committed_) unlink(temp_.c_str());
    }
    bool Open() { return stream_.Open(temp_.c_str(), "w+b"); }
    TByteStream* Stream() override { return &stream_; }
    bool Commit(const char* path) override {
        stream_.Close();
        committed_ = rename(temp_.c_str(), path) == 0;
        return committed_;
    }

private:
    std::string temp_;
    TStdioStream stream_;
    bool committed_ = false;
};

class THost : public TInterchangeHost {
public:
    int64_t FileSize(const char* path) override {
        struct stat st;
        return stat(path, &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : -1;
    }
    std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) override {
        auto s = std::make_unique<TStdioStream>();
        if (!s->Open(path, "rb")) return nullptr;
        *size = s->Size();
        return s;
    }
    std::unique_ptr<TIncomingFile> Receive(const char* folder) override {
        std::string pattern = std::string(folder) + "tviXXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd < 0) return nullptr;
        close(fd);
        auto incoming = std::make_unique<TStdioIncoming>(pattern);
        return incoming->Open() ? std::move(incoming) : nullptr;
    }
    bool EnsureFolder(const char* folder) override { return mkdir(folder, 0755) == 0 || errno == EEXIST; }
    int RelocateStorage(TProgramData*, const char*, int) override { return -1; }
};
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// User and system time of this process so far, in milliseconds.
double CpuMs() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto value = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(value(kernel) + value(user)) / 10000.0;
#else
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#endif
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != kSeparator) folder += kSeparator;
    return folder;
}

std::vector<std::string> FilesOf(const std::string& folder) {
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
#else
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
#endif
    return names;
}

void Prepare(TProgramData* data, const std::string& storage) {
    data->SetProgramFolder(storage.c_str());
    data->ResetForLoad();
    data->categories.EnsureDefaultCategories(0);
    CopyLimited(data->standards.downloadsLocation, storage.c_str(), TV_PATH_SIZE);
    CopyLimited(data->standards.shortcutsLocation, (storage + "links").c_str(), TV_PATH_SIZE);
}

int Create(const std::string& sourceFolder, const char* outFile) {
    const std::string source = WithSeparator(sourceFolder);
    TProgramData data;
    Prepare(&data, source);
    uint64_t bytes = 0;
    THost host;
    for (const std::string& name : FilesOf(source)) {
        FileItem f{};
        std::string n = name;
        f.fileName = f.storedName = &n[0];
        f.description = f.extractedTo = f.website = const_cast<char*>("");
        f.flags = TV_FILE_EXISTS;
        data.downloads.Add(&f, 0);
        bytes += uint64_t(host.FileSize((source + name).c_str()));
    }
    TInterchangeChoice choice;
    choice.kind = TV_INTERCHANGE_BACKUP;
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuMs();
    TInterchangeContent content;
    if (BuildInterchangeContent(data, choice, &host, &content) != TV_BUILD_OK) return 1;
    TInterchangeWriteReport report;
    bool ok;
    {
#ifdef _WIN32
        TWin32FileStream out;
        if (!out.Open(outFile, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE)) return 1;
#else
        TStdioStream out;
        if (!out.Open(outFile, "wb")) return 1;
#endif
        ok = WriteInterchangeContent(&out, &data, content, &host, &report);
    }
    const Clock::time_point end = Clock::now();
    std::printf("create %.0f %llu %u %.0f\n", Ms(start, end), static_cast<unsigned long long>(bytes),
                unsigned(content.downloads.Count(1)), CpuMs() - cpuStart);
    return ok && report.unreadable.empty() ? 0 : 1;
}

int Import(const char* inFile, const std::string& destination) {
    TProgramData data;
    Prepare(&data, WithSeparator(destination));
    THost host;
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuMs();
    TInterchangeImportReport report;
    {
#ifdef _WIN32
        TWin32FileStream file;
        if (!file.Open(inFile, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)) return 1;
#else
        TStdioStream file;
        if (!file.Open(inFile, "rb")) return 1;
#endif
        TBufferedReadStream in(&file);
        TInterchangeRecords records;
        if (!ReadInterchangeRecords(&in, data.programFolder, &records)) return 1;
        // Only the stored files are timed: the backup's storage location stays out.
        records.settingsComplete = false;
        MergeInterchangeRecords(&data, &records, TInterchangeTargets(), &in, &host, &report);
    }
    const Clock::time_point end = Clock::now();
    uint64_t bytes = 0;
    for (const ListNode* n = data.downloads.First(); n; n = n->next) bytes += TFileListObject::Item(n)->sizeLow;
    std::printf("import %.0f %llu %u %.0f\n", Ms(start, end), static_cast<unsigned long long>(bytes),
                report.downloadsAdded, CpuMs() - cpuStart);
    return report.missing == 0 && report.notStored == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "create") == 0) return Create(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "import") == 0) return Import(argv[2], argv[3]);
    std::fprintf(stderr, "usage: interchange_bench create SOURCE_FOLDER OUT_FILE | import IN_FILE DEST_FOLDER\n");
    return 2;
}
