// Reading "FILE_ID.DIZ": the engine extracts the member into a folder that exists only in memory,
// so the text never passes through a shared folder on disk.
#include "intake/description.h"

#include <cstring>
#include <string>
#include <vector>

#include "archive/zipengine.h"
#include "archive/zipfs.h"
#include "intake/intake_options.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/safestr.h"

namespace {

constexpr char kMemberSpec[] = "FILE_ID.DIZ";
// The destination folder handed to the engine; paths below it never reach the disk.
constexpr char kMemoryFolder[] = "<tv-description>";

class TMemorySink;

// Reads go to the real file system; everything written below kMemoryFolder goes to memory.
class TDescriptionFileSystem : public TZipFileSystem {
public:
    TDescriptionFileSystem(TZipFileSystem* real, size_t maxBytes) : real_(real), maxBytes_(maxBytes) {}

    bool captured = false;        // a member arrived completely
    std::vector<char> data;       // its first maxBytes bytes
    std::vector<char> pending;    // the member being written
    std::string pendingPath;

    TZipFile* OpenRead(const char* path) override { return Virtual(path) ? nullptr : real_->OpenRead(path); }
    TZipFile* Create(const char* path) override;
    int GetInfo(const char* path, TZipFileInfo* info) override {
        if (!Virtual(path)) return real_->GetInfo(path, info);
        if (IsRoot(path)) {
            *info = TZipFileInfo();
            info->isFolder = 1;
            return 1;
        }
        // Once one member arrived every further one counts as present (and is not overwritten).
        if (!captured) return 0;
        *info = TZipFileInfo();
        info->attributes = 0x20;
        info->size = data.size();
        return 1;
    }
    int CreateFolder(const char* path) override { return Virtual(path) ? 1 : 0; }
    int RemoveFile(const char* path) override {
        if (!Virtual(path)) return 0;
        if (pendingPath == path) {
            pending.clear();
            pendingPath.clear();
        }
        return 1;
    }
    int RemoveFolder(const char*) override { return 0; }
    int Replace(const char* from, const char* to) override {
        if (!Virtual(from) || !Virtual(to) || pendingPath != from) return 0;
        if (!captured) {
            data.swap(pending);
            captured = true;
        }
        pending.clear();
        pendingPath.clear();
        return 1;
    }
    int SetAttributes(const char* path, uint32_t) override { return Virtual(path) ? 1 : 0; }
    int ListFolder(const char* path, VisitProc visit, void* context) override {
        return Virtual(path) ? 0 : real_->ListFolder(path, visit, context);
    }
    std::string ShortPath(const char* path) override { return real_->ShortPath(path); }
    std::string Utf8ToAnsi(const char* text) override { return real_->Utf8ToAnsi(text); }
    std::string AnsiToUtf8(const char* text) override { return real_->AnsiToUtf8(text); }
    char Separator() const override { return real_->Separator(); }

    // Keeps what fits; returns false once the member holds more than is wanted. The part read so
    // far is then taken as the member (the engine stops reading a member whose write fails, so a
    // huge "FILE_ID.DIZ" is never decompressed to its end).
    bool Append(const void* bytes, size_t size) {
        const size_t room = maxBytes_ > pending.size() ? maxBytes_ - pending.size() : 0;
        const size_t take = size < room ? size : room;
        const char* p = static_cast<const char*>(bytes);
        pending.insert(pending.end(), p, p + take);
        if (take == size) return true;
        if (!captured) {
            data.swap(pending);
            captured = true;
        }
        pending.clear();
        return false;
    }

private:
    static bool Virtual(const char* path) {
        return path && std::strncmp(path, kMemoryFolder, sizeof(kMemoryFolder) - 1) == 0;
    }
    static bool IsRoot(const char* path) {
        const size_t n = sizeof(kMemoryFolder) - 1;
        return std::strncmp(path, kMemoryFolder, n) == 0 && (path[n] == 0 || (path[n + 1] == 0));
    }

    TZipFileSystem* real_;
    size_t maxBytes_;
};

class TMemorySink : public TZipFile {
public:
    explicit TMemorySink(TDescriptionFileSystem* fs) : fs_(fs) {}
    int64_t Read(void*, size_t) override { return -1; }
    int Write(const void* data, size_t size) override {
        written_ += int64_t(size);
        return fs_->Append(data, size) ? 1 : 0;
    }
    int Seek(int64_t) override { return 0; }
    int64_t Tell() override { return written_; }
    int64_t Size() override { return written_; }
    int SetTime(uint16_t, uint16_t) override { return 1; }
    int Close() override { return 1; }

private:
    TDescriptionFileSystem* fs_;
    int64_t written_ = 0;
};

TZipFile* TDescriptionFileSystem::Create(const char* path) {
    if (!Virtual(path)) return nullptr;
    pending.clear();
    pendingPath = path;
    return new TMemorySink(this);
}

}  // namespace

int ReadDescriptionMember(const char* path, char* buffer, size_t maxBytes, size_t* length, TZipFileSystem* fs) {
    if (length) *length = 0;
    if (!HasDescriptionExtension(path) || !buffer) return 0;
    TZipFileSystem* real = fs ? fs : DefaultZipFileSystem();

    TUnzipCommand count;
    ResetUnzipCommand(&count);
    count.function = TV_UNZIP_COUNTNAMED;
    count.fileSystem = real;
    CopyLimited(count.zipFile, path, sizeof count.zipFile);
    CopyLimited(count.fileSpec, kMemberSpec, sizeof count.fileSpec);
    if (RunUnzipCommand(&count) != TV_UNZIP_OK || count.count == 0) return 0;

    TDescriptionFileSystem memory(real, maxBytes);
    TUnzipCommand extract;
    ResetUnzipCommand(&extract);
    extract.function = TV_UNZIP_EXTRACT;
    extract.fileSystem = &memory;
    CopyLimited(extract.zipFile, path, sizeof extract.zipFile);
    CopyLimited(extract.destination, kMemoryFolder, sizeof extract.destination);
    CopyLimited(extract.fileSpec, kMemberSpec, sizeof extract.fileSpec);
    extract.ignoreFolders = 1;
    extract.overwrite = 0;
    extract.messageProc = DynaZipNoFeedbackMessageProc;
    RunUnzipCommand(&extract);
    if (!memory.captured) return 0;
    const size_t n = memory.data.size() < maxBytes ? memory.data.size() : maxBytes;
    if (n) std::memcpy(buffer, memory.data.data(), n);
    if (length) *length = n;
    return 1;
}

int ExtractDescription(const char* path, char** description, int freeOld, TZipFileSystem* fs) {
    if (!description) return 0;
    std::vector<char> buffer(TV_DESCRIPTION_MAX);
    size_t length = 0;
    if (!ReadDescriptionMember(path, buffer.data(), buffer.size(), &length, fs)) return 0;
    if (freeOld) TextRelease(description);
    *description = TextDuplicateN(buffer.data(), length);
    return 1;
}
