// libFuzzer target: the ZIP engine lists, tests and extracts an arbitrary archive held in memory.
// The file system is an in-memory one, so extraction writes nowhere; every path the engine creates
// is checked to stay below the destination folder.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "archive/zipengine.h"
#include "archive/zipfs.h"
#include "util/text.h"

namespace {

constexpr size_t kWriteLimit = 64u << 20;

struct TMemoryFs;

class TMemFile : public TZipFile {
public:
    TMemFile(std::vector<uint8_t>* data, size_t* budget) : data_(data), budget_(budget) {}
    int64_t Read(void* buffer, size_t size) override {
        if (pos_ >= data_->size()) return 0;
        size_t n = data_->size() - pos_;
        if (n > size) n = size;
        memcpy(buffer, data_->data() + pos_, n);
        pos_ += n;
        return int64_t(n);
    }
    int Write(const void* d, size_t size) override {
        if (!budget_ || size > *budget_) return 0;
        *budget_ -= size;
        if (pos_ + size > data_->size()) data_->resize(pos_ + size);
        memcpy(data_->data() + pos_, d, size);
        pos_ += size;
        return 1;
    }
    int Seek(int64_t position) override {
        if (position < 0) return 0;
        pos_ = size_t(position);
        return 1;
    }
    int64_t Tell() override { return int64_t(pos_); }
    int64_t Size() override { return int64_t(data_->size()); }
    int SetTime(uint16_t, uint16_t) override { return 1; }
    int Close() override { return 1; }

private:
    std::vector<uint8_t>* data_;
    size_t* budget_;
    size_t pos_ = 0;
};

struct TMemoryFs : TZipFileSystem {
    std::map<std::string, std::vector<uint8_t>> files;
    std::map<std::string, int> folders;
    size_t budget = kWriteLimit;

    static void CheckInside(const char* path) {
        // Everything the engine creates must stay below "out/" (or be the archive itself).
        std::string p = path;
        if (p == "in.zip") return;
        if (p.compare(0, 4, "out/") != 0 || p.find("/../") != std::string::npos || p.find('\\') != std::string::npos ||
            (p.size() >= 3 && p.compare(p.size() - 3, 3, "/..") == 0))
            abort();
    }
    TZipFile* OpenRead(const char* path) override {
        auto it = files.find(path);
        return it == files.end() ? nullptr : new TMemFile(&it->second, nullptr);
    }
    TZipFile* Create(const char* path) override {
        CheckInside(path);
        auto& f = files[path];
        f.clear();
        return new TMemFile(&f, &budget);
    }
    int GetInfo(const char* path, TZipFileInfo* info) override {
        *info = TZipFileInfo();
        auto it = files.find(path);
        if (it != files.end()) {
            info->size = it->second.size();
            return 1;
        }
        if (folders.count(path) || !strcmp(path, "out")) {
            info->isFolder = 1;
            return 1;
        }
        return 0;
    }
    int CreateFolder(const char* path) override {
        CheckInside((std::string(path) + "/").c_str());
        folders[path] = 1;
        return 1;
    }
    int RemoveFile(const char* path) override { return files.erase(path) ? 1 : 0; }
    int RemoveFolder(const char* path) override { return folders.erase(path) ? 1 : 0; }
    int Replace(const char* from, const char* to) override {
        CheckInside(to);
        auto it = files.find(from);
        if (it == files.end()) return 0;
        std::vector<uint8_t> d = std::move(it->second);
        files.erase(it);
        files[to] = std::move(d);
        return 1;
    }
    int SetAttributes(const char*, uint32_t) override { return 1; }
    int ListFolder(const char*, VisitProc, void*) override { return 0; }
    std::string ShortPath(const char* path) override { return path; }
    std::string Utf8ToAnsi(const char* text) override { return Utf8ToCp1252(text); }
    std::string AnsiToUtf8(const char* text) override { return Cp1252ToUtf8(text); }
    char Separator() const override { return '/'; }
    // Members go out under their true (UTF-8) names: the same checks on the very bytes.
    TZipFile* CreateUtf8(const char* path) override { return Create(path); }
    int GetInfoUtf8(const char* path, TZipFileInfo* info) override { return GetInfo(path, info); }
    int CreateFolderUtf8(const char* path) override { return CreateFolder(path); }
    int RemoveFileUtf8(const char* path) override { return RemoveFile(path); }
    int ReplaceUtf8(const char* from, const char* to) override { return Replace(from, to); }
    int SetAttributesUtf8(const char* path, uint32_t attributes) override { return SetAttributes(path, attributes); }
    std::string AnsiPathOfUtf8(const char* path) override { return path; }
    std::string NameKeyUtf8(const char* path) override { return path; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryFs fs;
    fs.files["in.zip"].assign(data, data + size);

    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.fileSystem = &fs;
    c.function = TV_UNZIP_COUNTALL;
    CopyLimited(c.zipFile, "in.zip", sizeof c.zipFile);
    if (RunUnzipCommand(&c) == 0) {
        uint32_t count = c.count;
        MemberInfo info;
        ResetUnzipCommand(&c);
        c.fileSystem = &fs;
        c.function = TV_UNZIP_NEXT;
        CopyLimited(c.zipFile, "in.zip", sizeof c.zipFile);
        c.info = &info;
        for (uint32_t i = 0; i < count && i < 5000; ++i) {
            if (RunUnzipCommand(&c) == 0 && strnlen(info.name, sizeof info.name) >= sizeof info.name) abort();
        }
    }
    for (int pass = 0; pass < 3; ++pass) {
        ResetUnzipCommand(&c);
        c.fileSystem = &fs;
        c.function = pass == 0 ? TV_UNZIP_TEST : TV_UNZIP_EXTRACT;
        CopyLimited(c.zipFile, "in.zip", sizeof c.zipFile);
        CopyLimited(c.destination, "out", sizeof c.destination);
        CopyLimited(c.password, "pw", sizeof c.password);
        c.ignoreFolders = pass == 1;
        c.overwrite = 1;
        RunUnzipCommand(&c);
    }
    return 0;
}
