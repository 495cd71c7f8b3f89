// Watched download folders on Windows: the settings file beside tv.cfg, the watcher thread, and
// the intake of the finished files it reports, which runs on the main window's thread when the
// watcher's message arrives there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "intake/intake_options.h"
#include "watch/watch_rules.h"
#include "watch/win_watcher.h"

struct FileItem;
struct TProgramData;

// How the watch files a file: through the main window's intake (which traces it and updates the
// views). Returns what became of the file.
struct TWatchIntakeHook {
    TIntakeFileOutcome (*intake)(const FileItem* templateRecord, const char* path, uint32_t options, void* context) =
        nullptr;
    void* context = nullptr;
};

// The option sets of watched files: with the add/edit dialog, the plug-in hand-off's; silently,
// the same without the dialog and its setup-program question, marked.
enum : uint32_t {
    TV_INTAKE_SET_WATCH_ASK = TV_INTAKE_SET_HANDOFF,
    TV_INTAKE_SET_WATCH_SILENT = (TV_INTAKE_SET_HANDOFF & ~uint32_t(TV_INTAKE_SHOW_DIALOG | TV_INTAKE_FRESH_DOWNLOAD)) |
                                 TV_INTAKE_MARK,
};

// The web site of a downloaded file from its "Zone.Identifier" stream; empty without one.
std::string ReadZoneIdentifierWebsite(const char* path);

class TWatchService {
public:
    TWatchService() = default;
    ~TWatchService() { Stop(); }
    TWatchService(const TWatchService&) = delete;
    TWatchService& operator=(const TWatchService&) = delete;

    // Reads "tvwatch.ini" in the program folder; without it (or when it is damaged) the defaults
    // apply: no watched folder.
    void Load(const char* programFolder);
    // Writes the settings file atomically (a temporary file beside it, then moved over it).
    bool Save() const;
    const TWatchSettings& settings() const { return settings_; }
    // New folder list from the preferences: saved, and the watcher restarted when it runs.
    void SetFolders(const std::vector<TWatchedFolder>& folders);

    // Starts watching; the watcher posts message to window, which calls OnFilesArrived.
    void Start(HWND window, UINT message, uint32_t settleMs = 1000);
    void Stop();

    // Files every finished file the watcher reported (main thread). Files already filed or
    // declined are skipped, as are files that changed or went since they were reported (they are
    // reported again once settled). Runs once at a time: files that arrive while an add/edit
    // dialog is open wait until it is closed.
    void OnFilesArrived(TProgramData* program, const TWatchIntakeHook& hook);

private:
    void FileOne(TProgramData* program, const TWatchIntakeHook& hook, const TWatchedFile& file);

    TWatchSettings settings_;
    std::string file_;
    TFolderWatcher watcher_;
    HWND window_ = nullptr;
    UINT message_ = 0;
    uint32_t settleMs_ = 1000;
    bool started_ = false;
    bool busy_ = false;
    std::vector<TWatchedFile> backlog_;
};
