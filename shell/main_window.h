// The main client window (class "TolvaneWindow"): its set-up at creation, the deferred start-up,
// the command-line actions, the hand-off filing, the tray icon and the shut-down.
#pragma once

#include <windows.h>

#include <cstdint>

#include "handoff/handoff.h"

struct TProgramData;

class TTolvaneWindow {
public:
    explicit TTolvaneWindow(TProgramData* program);
    ~TTolvaneWindow();
    TTolvaneWindow(const TTolvaneWindow&) = delete;
    TTolvaneWindow& operator=(const TTolvaneWindow&) = delete;

    static bool RegisterWindowClass(HINSTANCE instance);
    bool Create(HWND frame, HINSTANCE instance);

    HWND hwnd() const { return hwnd_; }
    HWND frame() const { return frame_; }
    bool inTray() const { return inTray_; }
    bool firstRun() const { return firstRun_; }

    // The command-line actions for text (null: nothing) and *flags; at start-up "/tray" sends the
    // window to the tray (clearing the tray bit of *flags).
    void RunCommandLineActions(const char* text, uint32_t* flags, bool atStartUp);
    // Files a download handed over by a plug-in, then deletes its temporary file when that is safe.
    void FileDownloadHandOff(const DownloadHandOff& record);

    // The frame was minimised / activated.
    void OnFrameMinimised();
    void OnFrameActivated();
    // Tray icon (id 0, icon 3, tip the program title, callback TV_WM_TRAY_NOTIFY).
    void ToTray();
    void LeaveTray(bool restore, bool foreground);
    // Toggles "always on top" and applies it; ApplyAlwaysOnTop only applies the setting.
    void ToggleAlwaysOnTop();
    void ApplyAlwaysOnTop();

    // Runs once: drag and drop revoked, temporary files and folders deleted, database saved, tray
    // icon removed, timer stopped, help closed.
    void ShutDown();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetUp();
    void DeferredStartUp();
    void OnCommand(int id);
    void DeleteTemporaryFiles();
    // The tray menu at a screen point; its commands go to the frame.
    void ShowTrayMenu(int x, int y);

    HWND hwnd_ = nullptr;
    HWND frame_ = nullptr;
    HWND splash_ = nullptr;
    HMENU menu_ = nullptr;
    TProgramData* program_;
    bool inTray_ = false;
    bool firstRun_ = false;
    bool shutDown_ = false;
};
