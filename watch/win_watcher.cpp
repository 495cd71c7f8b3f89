#include "watch/win_watcher.h"

#include <memory>

#include "watch/watch_rules.h"

namespace {

// How often a folder is looked at without a notification: while a file settles, and to find a
// folder again that went away (or a change the notification missed).
const DWORD kSettlePollMs = 250;
const DWORD kIdlePollMs = 2000;
const DWORD kNotifyBufferBytes = 16 * 1024;

uint64_t FileTimeValue(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The files (not folders) directly in folder.
bool ListFolder(const std::string& folder, std::vector<TWatchObservation>* listing) {
    listing->clear();
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        TWatchObservation o;
        o.name = data.cFileName;
        o.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        o.writeTime = FileTimeValue(data.ftLastWriteTime);
        listing->push_back(o);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}

// A browser still writing keeps the file open: an exclusive open fails then.
bool OpensExclusively(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// One watched folder on the thread: its directory handle with the pending ReadDirectoryChangesW.
struct FolderState {
    std::string path;
    int index = 0;                    // in the folder list given to Start
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped = {};
    std::unique_ptr<DWORD[]> buffer;  // DWORD-aligned, as the notifications need
    TCompletionTracker tracker{1000};
    bool pending = false;
    bool dirty = true;                // list the folder at the next pass

    HANDLE OpenDirectory() const {
        return CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    }

    void Close() {
        if (directory != INVALID_HANDLE_VALUE) {
            if (pending) {
                CancelIo(directory);
                DWORD bytes = 0;
                GetOverlappedResult(directory, &overlapped, &bytes, TRUE);
            }
            CloseHandle(directory);
        }
        directory = INVALID_HANDLE_VALUE;
        pending = false;
    }

    // Starts the next notification; false when the folder cannot be watched (gone, no access).
    bool Arm() {
        if (directory == INVALID_HANDLE_VALUE) return false;
        if (pending) return true;
        ResetEvent(event);
        overlapped = OVERLAPPED();
        overlapped.hEvent = event;
        if (!ReadDirectoryChangesW(directory, buffer.get(), kNotifyBufferBytes, FALSE,
                                   FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
                                   nullptr, &overlapped, nullptr)) {
            Close();
            return false;
        }
        pending = true;
        return true;
    }

    // Opens the folder anew: a folder that was missing may be back, and a handle held on must not
    // keep a folder the user removed (it stays "delete pending" while a handle is open) nor follow
    // it when it was moved away. The folder is listed afterwards, so no change between the two
    // handles is missed.
    void Reopen() {
        Close();
        directory = OpenDirectory();
        dirty = true;
        Arm();
    }

    // The notification completed: overflow (nothing delivered) or changes; either way the folder
    // is listed again. False when the watch broke.
    bool Completed() {
        DWORD bytes = 0;
        pending = false;
        if (!GetOverlappedResult(directory, &overlapped, &bytes, FALSE)) {
            Close();
            dirty = true;
            return false;
        }
        dirty = true;
        return Arm();
    }
};

}  // namespace

TFolderWatcher::TFolderWatcher() { InitializeCriticalSection(&lock_); }

TFolderWatcher::~TFolderWatcher() {
    Stop();
    DeleteCriticalSection(&lock_);
}

bool TFolderWatcher::Start(HWND target, UINT message, const std::vector<std::string>& folders, uint32_t settleMs) {
    Stop();
    if (folders.empty()) return true;
    target_ = target;
    message_ = message;
    settleMs_ = settleMs;
    folders_ = folders;
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stop_) return false;
    thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!thread_) {
        CloseHandle(stop_);
        stop_ = nullptr;
        return false;
    }
    return true;
}

void TFolderWatcher::Stop() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (stop_) CloseHandle(stop_);
    stop_ = nullptr;
    EnterCriticalSection(&lock_);
    queue_.clear();
    posted_ = false;
    LeaveCriticalSection(&lock_);
}

std::vector<TWatchedFile> TFolderWatcher::TakeFiles() {
    std::vector<TWatchedFile> files;
    EnterCriticalSection(&lock_);
    files.swap(queue_);
    posted_ = false;
    LeaveCriticalSection(&lock_);
    return files;
}

void TFolderWatcher::Queue(const TWatchedFile& file) {
    bool post = false;
    EnterCriticalSection(&lock_);
    queue_.push_back(file);
    if (!posted_) post = posted_ = true;
    LeaveCriticalSection(&lock_);
    if (post && !PostMessageA(target_, message_, 0, 0)) {
        EnterCriticalSection(&lock_);
        posted_ = false;
        LeaveCriticalSection(&lock_);
    }
}

DWORD WINAPI TFolderWatcher::ThreadProc(void* self) {
    // Nothing may escape the thread: out of memory ends the watch, not the program.
    try {
        static_cast<TFolderWatcher*>(self)->Run();
    } catch (...) {
    }
    return 0;
}

void TFolderWatcher::Run() {
    std::vector<std::unique_ptr<FolderState>> folders;
    for (size_t n = 0; n < folders_.size(); ++n) {
        auto state = std::make_unique<FolderState>();
        state->path = folders_[n];
        state->index = int(n);
        while (state->path.size() > 3 && (state->path.back() == '\\' || state->path.back() == '/')) state->path.pop_back();
        state->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        state->buffer.reset(new DWORD[kNotifyBufferBytes / sizeof(DWORD)]);
        state->tracker = TCompletionTracker(settleMs_);
        if (!state->event) continue;
        state->Reopen();
        folders.push_back(std::move(state));
    }
    DWORD lastCheck = GetTickCount();
    // A millisecond clock that does not wrap (the tick count does after 49 days).
    uint64_t clock = 0;
    DWORD lastTick = GetTickCount();
    std::vector<TWatchObservation> listing;
    for (;;) {
        const DWORD tick = GetTickCount();
        clock += DWORD(tick - lastTick);
        lastTick = tick;
        // List what changed (everything at the start), hand on what is finished.
        bool waiting = false;
        for (size_t i = 0; i < folders.size(); ++i) {
            FolderState& f = *folders[i];
            if (f.dirty || f.tracker.Waiting()) {
                f.dirty = false;
                if (!ListFolder(f.path, &listing)) listing.clear();
                for (const std::string& name : f.tracker.Update(listing, clock)) {
                    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) break;
                    TWatchedFile file;
                    file.folder = f.index;
                    file.name = name;
                    file.path = f.path + "\\" + name;
                    // Still open in the browser: it has to settle again.
                    if (!OpensExclusively(file.path)) {
                        f.tracker.Busy(name);
                        continue;
                    }
                    for (const TWatchObservation& o : listing)
                        if (o.name == name) {
                            file.size = o.size;
                            file.writeTime = o.writeTime;
                        }
                    f.tracker.Offered(name);
                    Queue(file);
                }
            }
            if (f.tracker.Waiting()) waiting = true;
        }
        std::vector<HANDLE> handles(1, stop_);
        std::vector<size_t> owners(1, size_t(-1));
        for (size_t i = 0; i < folders.size(); ++i)
            if (folders[i]->pending && handles.size() < MAXIMUM_WAIT_OBJECTS) {
                handles.push_back(folders[i]->event);
                owners.push_back(i);
            }
        const DWORD timeout = waiting ? kSettlePollMs : kIdlePollMs;
        const DWORD r = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE, timeout);
        if (r == WAIT_OBJECT_0) break;
        if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + handles.size()) {
            folders[owners[r - WAIT_OBJECT_0]]->Completed();
            // Several files usually arrive together: the other folders' events are taken too.
            for (size_t k = 1; k < handles.size(); ++k)
                if (k != r - WAIT_OBJECT_0 && WaitForSingleObject(handles[k], 0) == WAIT_OBJECT_0)
                    folders[owners[k]]->Completed();
        }
        // Now and then the folders are opened anew (see Reopen) and listed.
        if (GetTickCount() - lastCheck >= kIdlePollMs) {
            lastCheck = GetTickCount();
            for (auto& f : folders) {
                f->Reopen();
                f->dirty = true;
            }
        }
    }
    for (auto& f : folders) {
        f->Close();
        if (f->event) CloseHandle(f->event);
    }
}
