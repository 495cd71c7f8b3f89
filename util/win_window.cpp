#include "util/win_window.h"

#include "util/win_guard.h"

TWindowBase::~TWindowBase() {
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
}

HWND TWindowBase::CreateObjectWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                                     int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance) {
    if (hwnd_) return nullptr;
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId, instance, this);
}

LRESULT TWindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT TWindowBase::OnMessageException(UINT message) {
    ReportCurrentException(hwnd_);
    if (message == WM_NCCREATE) return FALSE;
    if (message == WM_CREATE) return -1;
    return 0;
}

LRESULT TWindowBase::Dispatch(TWindowBase* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        try {
            result = self->OnMessageException(message);
        } catch (...) {
            result = 0;
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnFinalMessage();  // may delete self: nothing touches it afterwards
        } catch (...) {
        }
    }
    return result;
}

LRESULT CALLBACK TWindowBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TWindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = cs ? static_cast<TWindowBase*>(cs->lpCreateParams) : nullptr;
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<TWindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return Dispatch(self, hwnd, message, wParam, lParam);
}
