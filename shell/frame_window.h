// The frame window of the main program (class "TolvaneFrameWindow", the window other processes
// look up) around the main client window, and the receiver of WM_COPYDATA requests.
#pragma once

#include <windows.h>

#include "util/win_window.h"

struct TProgramData;
class TTolvaneWindow;

class TTolvaneFrameWindow : public TWindowBase {
public:
    explicit TTolvaneFrameWindow(TProgramData* program);
    ~TTolvaneFrameWindow() override;
    TTolvaneFrameWindow(const TTolvaneFrameWindow&) = delete;
    TTolvaneFrameWindow& operator=(const TTolvaneFrameWindow&) = delete;

    static bool RegisterWindowClass(HINSTANCE instance);
    // Creates the frame (overlapped, clipped siblings, caption title) and its client window.
    bool Create(HINSTANCE instance, const char* title);

    TTolvaneWindow* client() const { return client_; }

    // WM_COPYDATA: kind 0 a forwarded command line, kind 1 a download hand-off; TRUE for those
    // two (also without a client window, when they do nothing), FALSE for any other kind.
    LRESULT OnCopyData(const COPYDATASTRUCT* data);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A message whose handler threw (out of memory): reported once, the program goes on.
    LRESULT OnMessageException(UINT message) override;

    TProgramData* program_;
    TTolvaneWindow* client_ = nullptr;
};
