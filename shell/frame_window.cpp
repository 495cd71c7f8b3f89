#include "shell/frame_window.h"

#include <new>
#include <string>

#include "handoff/handoff.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "util/win_guard.h"
#include "util/safestr.h"

TTolvaneFrameWindow::TTolvaneFrameWindow(TProgramData* program) : program_(program) {}

TTolvaneFrameWindow::~TTolvaneFrameWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    delete client_;
    client_ = nullptr;
}

bool TTolvaneFrameWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TV_FRAME_WINDOW_CLASS;
    return RegisterClassExA(&wc) != 0;
}

bool TTolvaneFrameWindow::Create(HINSTANCE instance, const char* title) {
    HWND hwnd = CreateObjectWindow(0, TV_FRAME_WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS,
                                   CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance);
    return hwnd != nullptr && client_ != nullptr;
}

LRESULT TTolvaneFrameWindow::OnMessageException(UINT message) {
    ReportCurrentException(hwnd_);
    return TWindowBase::OnMessageException(message);
}

LRESULT TTolvaneFrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The shell broadcasts "TaskbarCreated" to top-level windows when its taskbar (re)appears.
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (taskbarCreated && message == taskbarCreated) {
        if (client_ && client_->Hwnd()) client_->OnTaskbarCreated();
        return 0;
    }
    switch (message) {
        case WM_CREATE: {
            TTolvaneWindow* client = new (std::nothrow) TTolvaneWindow(program_);
            if (!client) return -1;
            client_ = client;
            const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (!client->Create(hwnd_, cs->hInstance)) {
                client_ = nullptr;
                delete client;
                return -1;
            }
            return 0;
        }
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                if (client_) client_->OnFrameMinimised();
            } else if (client_ && client_->Hwnd()) {
                MoveWindow(client_->Hwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && client_) client_->OnFrameActivated();
            break;
        case WM_SETFOCUS:
            if (client_ && client_->Hwnd()) SetFocus(client_->Hwnd());
            return 0;
        case WM_SYSCOMMAND:
            if (wParam == CM_ALWAYS_ON_TOP) {
                if (client_) client_->ToggleAlwaysOnTop();
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
        case WM_MENUSELECT:
            // Command states and the status help of the menus are the client's.
            if (client_ && client_->Hwnd()) SendMessageA(client_->Hwnd(), message, wParam, lParam);
            break;
        case WM_COMMAND:
            // Menu and accelerator commands are the client's.
            if (client_ && client_->Hwnd()) return SendMessageA(client_->Hwnd(), message, wParam, lParam);
            break;
        case WM_COPYDATA:
            return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case WM_CLOSE:
            // Not in the middle of filing a command line's files: the close comes after it.
            if (client_ && client_->DeferClose()) return 0;
            if (client_) client_->ShutDown();
            DestroyWindow(hwnd_);
            return 0;
        case WM_ENDSESSION:
            // The session ends without destroying the windows: save now or the run's changes
            // are lost (runs once; the later WM_DESTROY, if any, does nothing more).
            if (wParam && client_) client_->ShutDown();
            return 0;
        case WM_DESTROY:
            // A frame destroyed without WM_CLOSE still shuts down in order (runs once).
            if (client_) client_->ShutDown();
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT TTolvaneFrameWindow::OnCopyData(const COPYDATASTRUCT* data) {
    if (!data) return FALSE;
    switch (data->dwData) {
        case TV_COPYDATA_COMMAND_LINE: {
            if (!client_) return TRUE;
            // Taken whole: a second start with several long paths loses none of them.
            std::string text = ReadForwardedCommandLine(data->lpData, data->cbData);
            uint32_t flags = 0;
            ParseCommandLine(&text, &flags);
            client_->RunCommandLineActions(text.c_str(), &flags, false);
            return TRUE;
        }
        case TV_COPYDATA_DOWNLOAD: {
            if (!client_) return TRUE;
            DownloadHandOffInfo info;
            if (ReadDownloadHandOff(data->lpData, data->cbData, &info) == TV_HANDOFF_VALID)
                client_->FileDownloadHandOff(info.record, info.pathCut != 0);
            return TRUE;
        }
        default:
            return FALSE;
    }
}
