// The ZIP engine's file system on POSIX systems (native build: tools, tests, fuzzing, benchmarks).
// Attributes: folders and read-only files only; names are converted with CP1252.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "archive/zipfs.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

void DosFromTime(time_t t, uint16_t* date, uint16_t* tm) {
    struct tm local;
    localtime_r(&t, &local);
    int year = local.tm_year + 1900;
    if (year < 1980) {
        *date = (0 << 9) | (1 << 5) | 1;
        *tm = 0;
        return;
    }
    *date = uint16_t(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    *tm = uint16_t((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

time_t TimeFromDos(uint16_t date, uint16_t tm) {
    struct tm local = {};
    local.tm_year = ((date >> 9) & 0x7F) + 80;
    local.tm_mon = ((date >> 5) & 0x0F) - 1;
    local.tm_mday = date & 0x1F;
    local.tm_hour = (tm >> 11) & 0x1F;
    local.tm_min = (tm >> 5) & 0x3F;
    local.tm_sec = (tm & 0x1F) * 2;
    local.tm_isdst = -1;
    return mktime(&local);
}

void FillInfo(const struct stat& st, TZipFileInfo* info) {
    info->isFolder = S_ISDIR(st.st_mode) ? 1 : 0;
    info->attributes = info->isFolder ? 0x10 : 0x20;
    if (!(st.st_mode & S_IWUSR)) info->attributes |= 0x01;
    info->size = info->isFolder ? 0 : uint64_t(st.st_size);
    DosFromTime(st.st_mtime, &info->dosDate, &info->dosTime);
}

class TPosixFile : public TZipFile {
public:
    explicit TPosixFile(int fd) : fd_(fd) {}
    ~TPosixFile() override { Close(); }
    int64_t Read(void* buffer, size_t size) override {
        for (;;) {
            ssize_t n = ::read(fd_, buffer, size);
            if (n < 0 && errno == EINTR) continue;
            return n < 0 ? -1 : int64_t(n);
        }
    }
    int Write(const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            ssize_t n = ::write(fd_, p, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return 0;
            p += n;
            size -= size_t(n);
        }
        return 1;
    }
    int Seek(int64_t position) override { return lseek(fd_, off_t(position), SEEK_SET) == off_t(position) ? 1 : 0; }
    int64_t Tell() override { return int64_t(lseek(fd_, 0, SEEK_CUR)); }
    int64_t Size() override {
        struct stat st;
        return fstat(fd_, &st) == 0 ? int64_t(st.st_size) : -1;
    }
    int SetTime(uint16_t dosDate, uint16_t dosTime) override {
        time_t t = TimeFromDos(dosDate, dosTime);
        struct timespec times[2];
        times[0].tv_sec = t;
        times[0].tv_nsec = 0;
        times[1] = times[0];
        return futimens(fd_, times) == 0 ? 1 : 0;
    }
    int Close() override {
        if (fd_ < 0) return 1;
        int ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

class TPosixFileSystem : public TZipFileSystem {
public:
    TZipFile* OpenRead(const char* path) override {
        int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st;
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return new TPosixFile(fd);
    }
    TZipFile* Create(const char* path) override {
        int fd = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return fd < 0 ? nullptr : new TPosixFile(fd);
    }
    int GetInfo(const char* path, TZipFileInfo* info) override {
        struct stat st;
        if (stat(path, &st) != 0) return 0;
        FillInfo(st, info);
        return 1;
    }
    int CreateFolder(const char* path) override {
        if (mkdir(path, 0777) == 0) return 1;
        struct stat st;
        return stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
    }
    int RemoveFile(const char* path) override { return unlink(path) == 0 ? 1 : 0; }
    int RemoveFolder(const char* path) override { return rmdir(path) == 0 ? 1 : 0; }
    int Replace(const char* from, const char* to) override { return rename(from, to) == 0 ? 1 : 0; }
    int SetAttributes(const char* path, uint32_t attributes) override {
        struct stat st;
        if (stat(path, &st) != 0) return 0;
        mode_t mode = st.st_mode & 07777;
        if (attributes & 0x01)
            mode &= mode_t(~0222);
        else
            mode |= S_IWUSR;
        return chmod(path, mode) == 0 ? 1 : 0;
    }
    int ListFolder(const char* path, VisitProc visit, void* context) override {
        DIR* dir = opendir(path);
        if (!dir) return 0;
        std::string base = path;
        if (!base.empty() && base.back() != '/') base += '/';
        while (struct dirent* e = readdir(dir)) {
            if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
            std::string full = base + e->d_name;
            struct stat st;
            if (lstat(full.c_str(), &st) != 0) continue;
            if (S_ISLNK(st.st_mode)) continue;  // links are not followed into the archive
            TZipFileInfo info;
            FillInfo(st, &info);
            visit(context, e->d_name, info);
        }
        closedir(dir);
        return 1;
    }
    std::string ShortPath(const char* path) override { return path ? path : ""; }
    std::string Utf8ToAnsi(const char* text) override { return Utf8ToCp1252(text); }
    std::string AnsiToUtf8(const char* text) override { return Cp1252ToUtf8(text); }
    char Separator() const override { return '/'; }

    // Paths are the bytes given; a UTF-8 path keeps the CP1252 byte of every character that has
    // one, so the true name of a member reaches the disk also where CP1252 lacks it.
    TZipFile* CreateUtf8(const char* path) override { return Create(Utf8ToCp1252OrUtf8(path).c_str()); }
    int GetInfoUtf8(const char* path, TZipFileInfo* info) override {
        return GetInfo(Utf8ToCp1252OrUtf8(path).c_str(), info);
    }
    int CreateFolderUtf8(const char* path) override { return CreateFolder(Utf8ToCp1252OrUtf8(path).c_str()); }
    int RemoveFileUtf8(const char* path) override { return RemoveFile(Utf8ToCp1252OrUtf8(path).c_str()); }
    int ReplaceUtf8(const char* from, const char* to) override {
        return Replace(Utf8ToCp1252OrUtf8(from).c_str(), Utf8ToCp1252OrUtf8(to).c_str());
    }
    int SetAttributesUtf8(const char* path, uint32_t attributes) override {
        return SetAttributes(Utf8ToCp1252OrUtf8(path).c_str(), attributes);
    }
    std::string AnsiPathOfUtf8(const char* path) override { return Utf8ToCp1252OrUtf8(path); }
    // Names are case-sensitive here.
    std::string NameKeyUtf8(const char* path) override { return Utf8ToCp1252OrUtf8(path); }
};

}  // namespace

TZipFileSystem* DefaultZipFileSystem() {
    static TPosixFileSystem fs;
    return &fs;
}
