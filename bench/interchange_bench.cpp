// Times writing and reading the stored-file part of a full backup: every file of a folder becomes
// a download of the root category, the backup is written to a file, and its downloads are read
// into a fresh program whose storage is another folder. Builds natively (stdio files) and for
// Windows (the wizards' own host over Win32 files, run under Wine); bench/interchange_bench.sh
// sets both against cp and against a plain copy loop of the same files (what any program that
// reads and writes through a buffer achieves on the same system: ReadFile/WriteFile on Windows).
//   interchange_bench create SOURCE_FOLDER OUT_FILE        prints "create MS BYTES FILES CPU_MS"
//   interchange_bench import IN_FILE DEST_FOLDER           prints "import MS BYTES FILES CPU_MS"
//   interchange_bench copy SOURCE_FOLDER DEST_FOLDER [KB]  prints "copy MS BYTES FILES CPU_MS"
//   (seqcopy: the source opened for sequential reading; mapcopy: mapped in windows of KB, 4096
//   by default, rounded up to 64 KB steps, each written straight from its view)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

#include <fcntl.h>
#include <sys/mman.h>

#include "util/buffered_stream.h"

// A file descriptor behind the program's own buffered stream: the same buffering the Windows
// build has over its file handles (stdio would add a buffer of its own and split every chunk).
class TFdStream : public TBufferedStream {
public:
    ~TFdStream() override { Close(); }
    bool Open(const char* path, int flags) { return Adopt(open(path, flags, 0644)); }
    // Takes over an open descriptor (at its start).
    bool Adopt(int fd) {
        Close();
        fd_ = fd;
        Attach(0);
        return fd_ >= 0;
    }
    bool Close() {
        bool ok = true;
        if (fd_ >= 0) {
            ok = WritePending();
            close(fd_);
        }
        fd_ = -1;
        Attach(0);
        return ok;
    }

protected:
    size_t RawRead(void* buffer, size_t size) override {
        const ssize_t got = read(fd_, buffer, size);
        return got > 0 ? size_t(got) : 0;
    }
    bool RawWrite(const void* data, size_t size) override {
        const auto* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t put = write(fd_, p, size);
            if (put <= 0) return false;
            p += put;
            size -= size_t(put);
        }
        return true;
    }
    bool RawSeek(int64_t position) override { return lseek(fd_, off_t(position), SEEK_SET) == off_t(position); }
    int64_t RawSize() const override {
        struct stat st;
        return fstat(fd_, &st) == 0 ? int64_t(st.st_size) : -1;
    }
    bool RawIsOpen() const override { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Stored files on the local file system.
class TFdIncoming : public TIncomingFile {
public:
    explicit TFdIncoming(std::string temp) : temp_(std::move(temp)) {}
    ~TFdIncoming() override {
        stream_.Close();
        if (!committed_) unlink(temp_.c_str());
    }
    // The descriptor mkstemp made (opening the name again with O_TRUNC would make ext4 start
    // writing the file back on close).
    bool Adopt(int fd) { return stream_.Adopt(fd); }
    TByteStream* Stream() override { return &stream_; }
    bool Commit(const char* path) override {
        committed_ = stream_.Close() && rename(temp_.c_str(), path) == 0;
        return committed_;
    }

private:
    std::string temp_;
    TFdStream stream_;
    bool committed_ = false;
};

class THost : public TInterchangeHost {
public:
    int64_t FileSize(const char* path) override {
        struct stat st;
        return stat(path, &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : -1;
    }
    std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) override {
        auto s = std::make_unique<TFdStream>();
        if (!s->Open(path, O_RDONLY)) return nullptr;
        *size = s->Size();
        return s;
    }
    std::unique_ptr<TIncomingFile> Receive(const char* folder) override {
        std::string pattern = std::string(folder) + "tviXXXXXX";
        const int fd = mkstemp(&pattern[0]);
        if (fd < 0) return nullptr;
        auto incoming = std::make_unique<TFdIncoming>(pattern);
        return incoming->Adopt(fd) ? std::move(incoming) : nullptr;
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
        if (!CreateInterchangeFile(&out, outFile)) return 1;  // as the wizard opens it
#else
        TFdStream out;
        if (!out.Open(outFile, O_RDWR | O_CREAT | O_TRUNC)) return 1;
        out.SetCommitOnFlush(false);
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
        TFdStream file;
        if (!file.Open(inFile, O_RDONLY)) return 1;
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

// How the plain copies move the bytes.
enum class CopyWay {
    kLoop,        // read into one buffer and write it out
    kSequential,  // the same, the source opened for sequential reading (FILE_FLAG_SEQUENTIAL_SCAN)
    kMapped,      // the source mapped in windows of kb KB, each written straight from its view
};

#ifdef _WIN32
// Writes the first size bytes of the source to out, mapped a window at a time and written
// straight from the view (the system copies file to file once). False on failure.
bool WriteMapped(HANDLE in, HANDLE out, uint64_t size, size_t window) {
    if (size == 0) return true;
    HANDLE mapping = CreateFileMappingA(in, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) return false;
    bool ok = true;
    for (uint64_t at = 0; ok && at < size; at += window) {
        const DWORD n = DWORD(std::min<uint64_t>(window, size - at));
        void* view = MapViewOfFile(mapping, FILE_MAP_READ, DWORD(at >> 32), DWORD(at), n);
        DWORD put = 0;
        ok = view && WriteFile(out, view, n, &put, nullptr) && put == n;
        if (view) UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return ok;
}
#else
bool WriteMapped(int in, int out, uint64_t size, size_t window) {
    for (uint64_t at = 0; at < size; at += window) {
        const size_t n = size_t(std::min<uint64_t>(window, size - at));
        // Populated at once: without it a fifth of the time went to zeroing destination pages
        // after copies out of the view that came up short (perf), and the best runs took up to
        // 3 x as long. Win32 offers no such flag.
        void* view = mmap(nullptr, n, PROT_READ, MAP_SHARED | MAP_POPULATE, in, off_t(at));
        if (view == MAP_FAILED) return false;
        const bool ok = write(out, view, n) == ssize_t(n);
        munmap(view, n);
        if (!ok) return false;
    }
    return true;
}
#endif

// Copies every file of the source folder into the destination folder: through one buffer of kb
// KB (open, read and write until the end, close; nothing else), or mapped in windows of kb KB.
int Copy(const std::string& sourceFolder, const std::string& destinationFolder, size_t kb, CopyWay way) {
    const std::string source = WithSeparator(sourceFolder), destination = WithSeparator(destinationFolder);
    const std::vector<std::string> names = FilesOf(source);
    // Page-aligned (as VirtualAlloc gives it): the kernel's page moves run at full speed.
    std::vector<char> storage(kb * 1024 + 4096);
    char* const buffer = storage.data() + (4096 - reinterpret_cast<uintptr_t>(storage.data()) % 4096) % 4096;
    const size_t bufferSize = kb * 1024;
    uint64_t bytes = 0;
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuMs();
    for (const std::string& name : names) {
#ifdef _WIN32
        const DWORD flags = FILE_ATTRIBUTE_NORMAL | (way == CopyWay::kSequential ? FILE_FLAG_SEQUENTIAL_SCAN : 0);
        HANDLE in = CreateFileA((source + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                flags, nullptr);
        HANDLE out = CreateFileA((destination + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
        if (way == CopyWay::kMapped) {
            LARGE_INTEGER size;
            if (!GetFileSizeEx(in, &size) || !WriteMapped(in, out, uint64_t(size.QuadPart), bufferSize)) return 1;
            bytes += uint64_t(size.QuadPart);
        } else {
            DWORD got = 0, put = 0;
            while (ReadFile(in, buffer, DWORD(bufferSize), &got, nullptr) && got > 0) {
                if (!WriteFile(out, buffer, got, &put, nullptr) || put != got) return 1;
                bytes += got;
            }
        }
        CloseHandle(in);
        CloseHandle(out);
#else
        const int in = open((source + name).c_str(), O_RDONLY);
        const int out = open((destination + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (in < 0 || out < 0) return 1;
        if (way == CopyWay::kMapped) {
            struct stat st;
            if (fstat(in, &st) != 0 || !WriteMapped(in, out, uint64_t(st.st_size), bufferSize)) return 1;
            bytes += uint64_t(st.st_size);
        } else {
            if (way == CopyWay::kSequential) posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
            ssize_t got;
            while ((got = read(in, buffer, bufferSize)) > 0) {
                if (write(out, buffer, size_t(got)) != got) return 1;
                bytes += uint64_t(got);
            }
        }
        close(in);
        close(out);
#endif
    }
    const Clock::time_point end = Clock::now();
    std::printf("copy %.0f %llu %u %.0f\n", Ms(start, end), static_cast<unsigned long long>(bytes),
                unsigned(names.size()), CpuMs() - cpuStart);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "create") == 0) return Create(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "import") == 0) return Import(argv[2], argv[3]);
    const struct {
        const char* name;
        CopyWay way;
        size_t kb;
    } copies[] = {{"copy", CopyWay::kLoop, TV_INTERCHANGE_CHUNK / 1024},
                  {"seqcopy", CopyWay::kSequential, TV_INTERCHANGE_CHUNK / 1024},
                  {"mapcopy", CopyWay::kMapped, 4096}};
    for (const auto& c : copies) {
        if ((argc != 4 && argc != 5) || std::strcmp(argv[1], c.name) != 0) continue;
        size_t kb = argc == 5 ? size_t(std::max(1, std::atoi(argv[4]))) : c.kb;
        // Views start at multiples of 64 KB (the allocation granularity of Windows).
        if (c.way == CopyWay::kMapped) kb = (kb + 63) / 64 * 64;
        return Copy(argv[2], argv[3], kb, c.way);
    }
    std::fprintf(stderr,
                 "usage: interchange_bench create SOURCE_FOLDER OUT_FILE | import IN_FILE DEST_FOLDER |\n"
                 "       copy|seqcopy|mapcopy SOURCE_FOLDER DEST_FOLDER [BUFFER_OR_WINDOW_KB]\n");
    return 2;
}
