// The base of every window that is a C++ object. The object is the window's creation parameter;
// the shared procedure stores it in GWLP_USERDATA at WM_NCCREATE, hands every later message to
// HandleMessage, and lets go of it at WM_NCDESTROY, after which OnFinalMessage runs (the place
// where an object that owns itself may delete itself). There is no map from HWND to object.
//
// A window class of such objects is registered with TWindowBase::WindowProc as its procedure.
// Messages that arrive before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY go to
// DefWindowProcA. The procedure is the message boundary: an exception thrown by a handler is caught
// there and answered by OnMessageException.
#pragma once

#include <windows.h>

class TWindowBase {
public:
    TWindowBase() = default;
    // A window still alive is detached first (its later messages never reach the half-destroyed
    // object) and then destroyed. A derived class whose WM_DESTROY handling matters destroys its
    // window in its own destructor.
    virtual ~TWindowBase();
    TWindowBase(const TWindowBase&) = delete;
    TWindowBase& operator=(const TWindowBase&) = delete;

    // The window, from WM_NCCREATE until WM_NCDESTROY; null before and after.
    HWND Hwnd() const { return hwnd_; }

    // The procedure of every window class whose windows are TWindowBase objects.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // CreateWindowExA with this object as the creation parameter. The class must use WindowProc.
    // Returns the window, or null when creation failed (WM_NCDESTROY and OnFinalMessage have then
    // already run if the window got as far as WM_NCCREATE). An object that has a window already
    // gets no second one (null).
    HWND CreateObjectWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance);

    // Every message of the window. The default passes it to DefWindowProcA.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called once after WM_NCDESTROY was handled and the window let go of the object.
    virtual void OnFinalMessage() {}
    // Called inside the catch block of a message whose handler threw. The default tells the user
    // (ReportCurrentException, util/win_guard.h) and answers FALSE for WM_NCCREATE and -1 for
    // WM_CREATE (the window is not created), 0 otherwise.
    virtual LRESULT OnMessageException(UINT message);

    // Set by the base from WM_NCCREATE to WM_NCDESTROY; derived classes only read it.
    HWND hwnd_ = nullptr;

private:
    static LRESULT Dispatch(TWindowBase* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
