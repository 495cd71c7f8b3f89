#include "interchange/win_host.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "catops/win_item_ops.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_stream.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

class TWin32IncomingFile : public TIncomingFile {
public:
    explicit TWin32IncomingFile(const std::string& temp) : temp_(temp) {}
    ~TWin32IncomingFile() override {
        stream_.Close();
        if (created_ && !committed_) DeleteFileA(temp_.c_str());
    }
    // Creates the temporary file; false when the name is taken or nothing can be created.
    bool Create() {
        created_ = stream_.Open(temp_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        return created_;
    }
    TByteStream* Stream() override { return &stream_; }
    bool Commit(const char* path) override {
        // The stream writes its last buffered bytes on Close: a file that could not take them is
        // not complete and is never moved into place.
        if (!stream_.Close()) return false;
        if (!MoveFileExA(temp_.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
            // A read-only file of that name refuses to be replaced.
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            if (!MoveFileExA(temp_.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return false;
        }
        committed_ = true;
        return true;
    }

private:
    std::string temp_;
    TWin32FileStream stream_;
    bool created_ = false;  // only a file this object made is ever deleted
    bool committed_ = false;
};

}  // namespace

bool CreateInterchangeFile(TWin32FileStream* file, const char* path) {
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    bool opened = file->Open(path, access, 0, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE);
    if (!opened && GetLastError() == ERROR_FILE_EXISTS)
        opened = file->Open(path, access, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE);
    if (opened) file->SetCommitOnFlush(false);
    return opened;
}

int64_t TWin32InterchangeHost::FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return -1;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::unique_ptr<TByteStream> TWin32InterchangeHost::OpenForReading(const char* path, int64_t* size) {
    auto stream = std::make_unique<TWin32FileStream>();
    if (!stream->Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING)) return nullptr;
    *size = stream->Size();
    if (*size < 0) return nullptr;
    return stream;
}

std::unique_ptr<TIncomingFile> TWin32InterchangeHost::Receive(const char* folder) {
    if (!folder || !*folder) return nullptr;
    // "~tvi<process><counter>.tmp", created only when no such file exists; a few tries in case
    // an earlier run left one behind.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[48];
        FormatLimited(name, sizeof name, "~tvi%lx%x.tmp", static_cast<unsigned long>(GetCurrentProcessId()), ++counter);
        std::string temp = folder;
        if (temp.back() != '\\' && temp.back() != '/') temp += '\\';
        temp += name;
        if (temp.size() >= MAX_PATH) return nullptr;
        auto incoming = std::make_unique<TWin32IncomingFile>(temp);
        if (incoming->Create()) return incoming;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    }
    return nullptr;
}

bool TWin32InterchangeHost::EnsureFolder(const char* folder) {
    if (!folder || !*folder) return false;
    CreateDirectoryPath(folder);
    const DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int TWin32InterchangeHost::RelocateStorage(TProgramData* data, const char* oldBase, int kind) {
    TItemOperations operations(data, nullptr, nullptr);
    const char* newBase =
        kind == 1 ? data->standards.downloadsLocation : data->standards.shortcutsLocation;
    return operations.MoveStorageLocation(oldBase, newBase, kind) < 0 ? -1 : 0;
}

void TWin32InterchangeHost::Pump() {
    const DWORD now = GetTickCount();
    if (pumped_ && now - lastPump_ < kPumpIntervalMs) return;
    pumped_ = true;
    lastPump_ = now;
    PumpMessages();
    if (afterPump) afterPump(afterPumpContext);
}

void TWin32InterchangeHost::Progress(uint32_t done, uint32_t total) {
    if (!progress_) return;
    const uint32_t percent = total ? uint32_t(uint64_t(std::min(done, total)) * 100 / total) : 0;
    SendMessageA(progress_, PBM_SETPOS, percent, 0);
}
