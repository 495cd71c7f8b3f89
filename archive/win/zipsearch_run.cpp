// The archive search under its progress dialog "SEARCHINGZIPS".
#include <windows.h>
#include <commctrl.h>

#include "archive/win/viewer_util.h"
#include "archive/win/zipsearch_window.h"
#include "database/programdata.h"
#include "find/find_ids.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT kStartCommand = 1000;  // posted to itself once shown: runs the search
constexpr UINT kIdsNothingFound = 3300;
// Waiting messages are let through at most this often while a member is read.
constexpr DWORD kPumpIntervalMs = 40;

class TZipSearchActionDialog : public TZipSearchObserver {
public:
    TZipSearchActionDialog(HWND mainWindow, TProgramData* program) : mainWindow_(mainWindow), program_(program) {}

    uint32_t Run() {
        DialogBoxParamA(GetModuleHandleA(nullptr), "SEARCHINGZIPS", mainWindow_, GuardedDialogProc<DialogProc>,
                        reinterpret_cast<LPARAM>(this));
        // The owner is enabled again now and would come to the front: the result window goes first.
        if (resultWindow_ && IsWindow(resultWindow_)) SetForegroundWindow(resultWindow_);
        return hits_;
    }

    // The observer: the dialog shows the file and the progress and lets messages through.
    void CurrentFile(const char* fileName) override {
        if (hwnd_) SetDlgItemTextA(hwnd_, IDC_ZS_CURRENT, fileName ? fileName : "");
        Pump(true);
    }
    void Passed(uint32_t records) override {
        if (hwnd_) SendDlgItemMessageA(hwnd_, IDC_ZS_PROGRESS, PBM_SETPOS, WPARAM(records), 0);
    }
    bool Cancelled() override {
        Pump(false);
        return cancelled_;
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        TZipSearchActionDialog* self;
        if (message == WM_INITDIALOG) {
            self = reinterpret_cast<TZipSearchActionDialog*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
            self->hwnd_ = hwnd;
        } else {
            self = reinterpret_cast<TZipSearchActionDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        }
        if (!self) return FALSE;
        const INT_PTR result = self->HandleMessage(message, wParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    INT_PTR HandleMessage(UINT message, WPARAM wParam) {
        switch (message) {
            case WM_INITDIALOG:
                PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(kStartCommand, 0), 0);
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case kStartCommand:
                        if (!running_) Search();
                        return TRUE;
                    case IDCANCEL:
                        cancelled_ = true;  // read before the next download, member or block
                        return TRUE;
                    case IDC_ZS_HELP:
                        ShowHelpTopic(hwnd_, TV_HELP_SEARCHINGZIPS);
                        return TRUE;
                    default:
                        return FALSE;
                }
            case WM_CLOSE:
                cancelled_ = true;
                return TRUE;
            default:
                return FALSE;
        }
    }

    void Search() {
        running_ = true;
        const uint32_t range = CountSearchRange(&program_->downloads);
        SendDlgItemMessageA(hwnd_, IDC_ZS_PROGRESS, PBM_SETRANGE32, 0, LPARAM(range));
        SendDlgItemMessageA(hwnd_, IDC_ZS_PROGRESS, PBM_SETPOS, 0, 0);
        // A modal dialog becomes visible only once its loop is idle, which the search never lets
        // happen: show it now.
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
        TZipSearchSource source;
        source.downloads = &program_->downloads;
        source.categories = &program_->categories;
        source.locations = {program_->standards.downloadsLocation, program_->standards.shortcutsLocation};
        TZipSearchRequest request;
        request.contents = program_->find.contents;
        request.filter = program_->find.filter;
        TZipSearchFileListObject hits;
        RunZipSearch(source, request, &hits, this);
        SendDlgItemMessageA(hwnd_, IDC_ZS_PROGRESS, PBM_SETPOS, WPARAM(range), 0);
        ShowWindow(hwnd_, SW_HIDE);
        hits_ = hits.Count(0);
        // A cancelled search shows what it found so far.
        if (hits_ > 0) {
            TZipSearchResultWindow* window = TZipSearchResultWindow::Open(hits);
            if (window) resultWindow_ = window->Window();
        } else {
            ViewerMessage(mainWindow_, kIdsNothingFound, "Information", MB_OK | MB_ICONINFORMATION);
        }
        running_ = false;
        EndDialog(hwnd_, 1);
    }

    // Lets the waiting messages through (Cancel, repainting); while a member is read only every
    // few milliseconds.
    void Pump(bool always) {
        const DWORD now = GetTickCount();
        if (!always && now - lastPump_ < kPumpIntervalMs) return;
        lastPump_ = now;
        // A quit met on the way is handed back to the outer loop and ends the search.
        if (!PumpMessages(hwnd_)) cancelled_ = true;
    }

    HWND mainWindow_;
    TProgramData* program_;
    HWND hwnd_ = nullptr;
    bool running_ = false;
    bool cancelled_ = false;
    uint32_t hits_ = 0;
    HWND resultWindow_ = nullptr;
    DWORD lastPump_ = 0;
};

}  // namespace

uint32_t RunArchiveSearch(HWND mainWindow, TProgramData* program) {
    if (!program) return 0;
    TZipSearchActionDialog dialog(mainWindow, program);
    return dialog.Run();
}
