// The progress dialog of engine jobs and the status callbacks that feed it.
#include "archive/win/filestatus.h"

#include <commctrl.h>

#include "archive/archive_ids.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/win_help.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT kStartCommand = 1000;  // posted to itself once shown: runs the job
// Waiting messages (Cancel) are let through every kPumpIntervalMs.
constexpr DWORD kPumpIntervalMs = 25;

}  // namespace

TFileOperationStatusDialog::TFileOperationStatusDialog(uint32_t captionId) : captionId_(captionId) {}

INT_PTR TFileOperationStatusDialog::Run(HWND owner) {
    cancelled_ = false;
    membersDone_ = 0;
    shownItem_[0] = pendingItem_[0] = '\0';
    reports_ = 0;
    itemRate_ = TDrawRate();
    barRate_ = TDrawRate();
    lastBar_ = -1;
    return DialogBoxParamA(GetModuleHandleA(nullptr), "FILEOPERATIONSTATUS", owner, DialogProc, LPARAM(this));
}

INT_PTR CALLBACK TFileOperationStatusDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TFileOperationStatusDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TFileOperationStatusDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, LONG_PTR(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<TFileOperationStatusDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR r = self->HandleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

INT_PTR TFileOperationStatusDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(hwnd_, TvString(captionId_));
        SendDlgItemMessageA(hwnd_, IDC_FILEOP_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendDlgItemMessageA(hwnd_, IDC_FILEOP_PROGRESS, PBM_SETPOS, 0, 0);
        PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(kStartCommand, 0), 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kStartCommand:
            if (running_) return TRUE;
            running_ = true;
            // A modal dialog becomes visible only once its loop is idle, which a running job never
            // lets happen: show it now so that the progress can be seen.
            ShowWindow(hwnd_, SW_SHOW);
            UpdateWindow(hwnd_);
            RunJob();
            running_ = false;
            EndDialog(hwnd_, 1);
            return TRUE;
        case IDCANCEL:
            cancelled_ = true;  // the job stops at its next status callback
            return TRUE;
        case IDC_FILEOP_HELP:
            ShowHelpContents(hwnd_);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        cancelled_ = true;
        return TRUE;
    }
    return FALSE;
}

bool TFileOperationStatusDialog::TDrawRate::Allow(DWORD now) {
    // A bucket of kDrawBurst draws, refilled by one every kDrawIntervalMs.
    const DWORD earned = (now - refilled) / kDrawIntervalMs;
    if (earned > 0) {
        tokens = tokens + earned > kDrawBurst ? kDrawBurst : tokens + earned;
        refilled = now;
    }
    if (tokens == 0) return false;
    --tokens;
    return true;
}

void TFileOperationStatusDialog::ShowItem(const char* text, int32_t percent) {
    if (!hwnd_) return;
    const char* name = text ? text : "";
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    CopyLimited(pendingItem_, name, sizeof pendingItem_);
    if (percent >= 0 && percent <= 100) {
        char tail[16];
        FormatLimited(tail, sizeof tail, " (%d %%)", int(percent));
        AppendLimited(pendingItem_, tail, sizeof pendingItem_);
    }
    // Drawing a text costs Wine a millisecond and the engine reports every percent of every
    // member: changes beyond a few per tenth of a second wait for the next report.
    if (lstrcmpA(shownItem_, pendingItem_) != 0 && itemRate_.Allow(GetTickCount())) {
        SetDlgItemTextA(hwnd_, IDC_FILEOP_ITEM, pendingItem_);
        CopyLimited(shownItem_, pendingItem_, sizeof shownItem_);
    }
    PumpWhenDue();
}

void TFileOperationStatusDialog::ShowTotal(int32_t percent) {
    if (!hwnd_) return;
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    int32_t pos = percent;
    if (members_ > 0) pos = int32_t((uint64_t(membersDone_) * 100 + uint64_t(percent)) / members_);
    if (pos > 100) pos = 100;
    if (pos != lastBar_ && barRate_.Allow(GetTickCount())) {
        SendDlgItemMessageA(hwnd_, IDC_FILEOP_PROGRESS, PBM_SETPOS, WPARAM(pos), 0);
        lastBar_ = pos;
    }
    PumpWhenDue();
}

void TFileOperationStatusDialog::PumpWhenDue() {
    const DWORD now = GetTickCount();
    // Input and posted messages (a click on Cancel) go through soon: asking for them costs a call
    // to the window system, so a long job asks at every 16th report (a short one at each).
    ++reports_;
    const bool ask = reports_ <= 64 || (reports_ & 15) == 0;
    const bool waiting = ask && HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) != 0;
    if (!waiting && now - lastPumpTick_ < kPumpIntervalMs) return;
    lastPumpTick_ = now;
    PumpMessages();
}

void TFileOperationStatusDialog::PumpMessages() {
    // A quit met on the way is handed back to the outer loop and ends the operation.
    if (!::PumpMessages(hwnd_)) cancelled_ = true;
}

extern "C" int32_t TV_ENGINE_CALLBACK FileOperationMinorStatusProc(const char* text, int32_t percent, uintptr_t user) {
    TFileOperationStatusDialog* dialog = reinterpret_cast<TFileOperationStatusDialog*>(user);
    if (!dialog) return 0;
    dialog->ShowItem(text, percent);
    return dialog->Cancelled() ? 1 : 0;
}

extern "C" int32_t TV_ENGINE_CALLBACK FileOperationMajorStatusProc(const char*, int32_t percent, uintptr_t user) {
    TFileOperationStatusDialog* dialog = reinterpret_cast<TFileOperationStatusDialog*>(user);
    if (!dialog) return 0;
    dialog->ShowTotal(percent);
    return dialog->Cancelled() ? 1 : 0;
}

namespace {

class TUnzipJobDialog : public TFileOperationStatusDialog {
public:
    explicit TUnzipJobDialog(TUnzipCommand* c) : TFileOperationStatusDialog(3211), command_(c) {}
    int result = TV_UNZIP_CANCELLED;

protected:
    void RunJob() override {
        command_->minorStatus = FileOperationMinorStatusProc;
        command_->majorStatus = FileOperationMajorStatusProc;
        command_->userValue = uintptr_t(this);
        if (!command_->messageProc) command_->messageProc = DynaZipNoFeedbackMessageProc;
        result = RunUnzipCommand(command_);
    }

private:
    TUnzipCommand* command_;
};

class TZipJobDialog : public TFileOperationStatusDialog {
public:
    explicit TZipJobDialog(TZipCommand* c) : TFileOperationStatusDialog(3210), command_(c) {}
    int result = TV_ZIP_CANCELLED;

protected:
    void RunJob() override {
        command_->minorStatus = FileOperationMinorStatusProc;
        command_->majorStatus = FileOperationMajorStatusProc;
        command_->userValue = uintptr_t(this);
        if (!command_->messageProc) command_->messageProc = DynaZipNoFeedbackMessageProc;
        result = RunZipCommand(command_);
    }

private:
    TZipCommand* command_;
};

}  // namespace

int RunUnzipWithProgress(HWND owner, TUnzipCommand* command) {
    TUnzipJobDialog dialog(command);
    if (dialog.Run(owner) != 1) return TV_UNZIP_INTERNAL;
    return dialog.result;
}

int RunZipWithProgress(HWND owner, TZipCommand* command) {
    TZipJobDialog dialog(command);
    if (dialog.Run(owner) != 1) return 1;
    return dialog.result;
}
