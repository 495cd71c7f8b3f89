#include "interchange/win_host.h"

#include <commctrl.h>

#include <string>

#include "core/win_item_ops.h"
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
        if (!committed_) DeleteFileA(temp_.c_str());
    }
    bool Open() {
        return stream_.Open(temp_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    }
    TByteStream* Stream() override { return &stream_; }
    bool Commit(const char* path) override {
        stream_.Close();
        // A read-only file of that name would refuse to be replaced.
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (!MoveFileExA(temp_.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return false;
        committed_ = true;
        return true;
    }

private:
    std::string temp_;
    TWin32FileStream stream_;
    bool committed_ = false;
};

}  // namespace

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
    char temp[MAX_PATH];
    // Creates the file under a unique name; it is opened again for writing.
    if (!folder || !GetTempFileNameA(folder, "tvi", 0, temp)) return nullptr;
    auto incoming = std::make_unique<TWin32IncomingFile>(temp);
    if (!incoming->Open()) return nullptr;
    return incoming;
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
    PumpMessages();
    if (afterPump) afterPump(afterPumpContext);
}

void TWin32InterchangeHost::Progress(uint32_t done, uint32_t total) {
    if (!progress_) return;
    const uint32_t percent = total ? uint32_t(uint64_t(std::min(done, total)) * 100 / total) : 0;
    SendMessageA(progress_, PBM_SETPOS, percent, 0);
}
