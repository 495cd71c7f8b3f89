// The watcher thread of the watched download folders. It waits on ReadDirectoryChangesW for every
// folder (and on a timer while a file is still settling, or a folder is missing), lists the
// folder, lets TCompletionTracker decide which files are finished, checks that each opens for
// exclusive reading and queues it; the main window is told by a posted message and takes the
// queue on its own thread. The watcher never touches the files otherwise.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One finished file of a watched folder.
struct TWatchedFile {
    int folder = -1;     // index into the folder list given to Start
    std::string path;    // folder + "\" + name
    std::string name;
    uint64_t size = 0;
    uint64_t writeTime = 0;
};

class TFolderWatcher {
public:
    TFolderWatcher();
    ~TFolderWatcher();
    TFolderWatcher(const TFolderWatcher&) = delete;
    TFolderWatcher& operator=(const TFolderWatcher&) = delete;

    // Starts the thread on the folders (a running watcher is stopped first). When files are
    // queued, message is posted to target (once until TakeFiles). settleMs: how long a file's
    // size and time must stay the same. Returns false when the thread could not start.
    bool Start(HWND target, UINT message, const std::vector<std::string>& folders, uint32_t settleMs = 1000);
    // Ends the thread and waits for it; the queue is dropped.
    void Stop();
    bool running() const { return thread_ != nullptr; }
    // The files queued since the last call (main thread).
    std::vector<TWatchedFile> TakeFiles();

private:
    static DWORD WINAPI ThreadProc(void* self);
    void Run();
    void Queue(const TWatchedFile& file);

    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    HWND target_ = nullptr;
    UINT message_ = 0;
    uint32_t settleMs_ = 1000;
    std::vector<std::string> folders_;
    CRITICAL_SECTION lock_;
    std::vector<TWatchedFile> queue_;
    bool posted_ = false;
};
