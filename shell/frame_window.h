// The frame window of the main program (class "TolvaneFrameWindow", the window other processes
// look up) around the main client window, and the receiver of WM_COPYDATA requests.
#pragma once

#include <windows.h>

struct TProgramData;
class TTolvaneWindow;

class TTolvaneFrameWindow {
public:
    explicit TTolvaneFrameWindow(TProgramData* program);
    ~TTolvaneFrameWindow();
    TTolvaneFrameWindow(const TTolvaneFrameWindow&) = delete;
    TTolvaneFrameWindow& operator=(const TTolvaneFrameWindow&) = delete;

    static bool RegisterWindowClass(HINSTANCE instance);
    // Creates the frame (overlapped, clipped siblings, caption title) and its client window.
    bool Create(HINSTANCE instance, const char* title);

    HWND hwnd() const { return hwnd_; }
    TTolvaneWindow* client() const { return client_; }

    // WM_COPYDATA: kind 0 a forwarded command line, kind 1 a download hand-off; TRUE for those
    // two (also without a client window, when they do nothing), FALSE for any other kind.
    LRESULT OnCopyData(const COPYDATASTRUCT* data);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    TProgramData* program_;
    TTolvaneWindow* client_ = nullptr;
};
