// The interchange host over real files: stored files read with shared access, received files
// written under a temporary name in their folder and moved into place when complete, folders,
// the storage move of the preferences, and the wizard's pump, cancel flag and progress.
#pragma once

#include <windows.h>

#include "database/programdata.h"
#include "interchange/host.h"
#include "util/win_stream.h"

// Opens the interchange file being written: a new file when none of that name is there, else the
// old one emptied (CREATE_ALWAYS, as before). Replacing empties the file, and on Linux file
// systems (ext4 under Wine) a file emptied that way is pushed to the disk when it is closed: 200
// MB took as long to close as to write. Flush does not wait for the disk either (a backup is
// written like any copied file). False with GetLastError set when it cannot be opened.
bool CreateInterchangeFile(TWin32FileStream* file, const char* path);

class TWin32InterchangeHost : public TInterchangeHost {
public:
    int64_t FileSize(const char* path) override;
    // Opened for reading with reads and writes of others allowed: a file another program is still
    // writing goes in at the size it had when it was opened (and is named as changed) instead of
    // becoming an empty block.
    std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) override;
    std::unique_ptr<TIncomingFile> Receive(const char* folder) override;
    bool EnsureFolder(const char* folder) override;
    int RelocateStorage(TProgramData* data, const char* oldBase, int kind) override;

    // Dispatches waiting messages at most every kPumpIntervalMs: after every 20,000-byte chunk the
    // queue would be asked some 10,000 times for 200 MB, which costs more than the copy itself
    // under Wine; 25 ms keeps painting and the Cancel button prompt.
    void Pump() override;
    static constexpr DWORD kPumpIntervalMs = 25;
    bool Cancelled() override { return cancelled_; }
    void Progress(uint32_t done, uint32_t total) override;

    void SetCancelled() { cancelled_ = true; }
    // The progress bar that shows done * 100 / total (null: none).
    void SetProgressBar(HWND bar) { progress_ = bar; }
    // Called after every pump (tests use it to act between chunks).
    void (*afterPump)(void* context) = nullptr;
    void* afterPumpContext = nullptr;

private:
    bool cancelled_ = false;
    bool pumped_ = false;
    DWORD lastPump_ = 0;
    HWND progress_ = nullptr;
};
