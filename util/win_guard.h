// The message boundary: no exception leaves a window procedure, dialog procedure or other
// callback of the system. The only exception the program's code meets is std::bad_alloc (out of
// memory while copying texts or growing a list); caught here, it ends the one message being
// handled, the user is told once, and the program goes on with what it has.
#pragma once

#include <windows.h>

#include <new>

// "Tolvane Plus ran out of memory ..." / "An unexpected error ...".
constexpr UINT TV_IDS_OUT_OF_MEMORY = 5001;
constexpr UINT TV_IDS_UNEXPECTED_ERROR = 5002;

// Tells the user that the last action could not be completed (out of memory, or another error).
// A report while one is still showing is dropped, so that a failing paint or timer does not stack
// boxes. The box is system-modal with a stop icon, which the system shows even when memory is short.
void ReportMessageFailure(HWND owner, bool outOfMemory);

// Inside a catch block: reports the exception being handled (ReportMessageFailure, out of memory
// for std::bad_alloc).
void ReportCurrentException(HWND owner);

// Runs handler() and returns its result; an exception it throws is reported and `failed` returned.
template <typename Result, typename Handler>
Result GuardMessage(HWND owner, Result failed, Handler&& handler) noexcept {
    try {
        return handler();
    } catch (const std::bad_alloc&) {
        ReportMessageFailure(owner, true);
    } catch (...) {
        ReportMessageFailure(owner, false);
    }
    return failed;
}

// A dialog procedure that runs Body behind the message boundary: pass GuardedDialogProc<MyProc>
// where the system wants the procedure.
template <INT_PTR(CALLBACK* Body)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK GuardedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardMessage(dialog, INT_PTR(FALSE), [&] { return Body(dialog, message, wParam, lParam); });
}
