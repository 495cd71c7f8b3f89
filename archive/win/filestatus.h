// Windows side of the ZIP engine: engine messages in message boxes, the progress dialog that runs
// an engine job, and the status callbacks that feed it.
#pragma once

#include <windows.h>

#include "archive/zipengine.h"

// Shows the engine's message for a reading / writing result code in a box of the given type
// (MB_OK, MB_OKCANCEL, MB_YESNO, MB_RETRYCANCEL) on owner, caption "Tolvane Plus", and returns the
// answer. Shows nothing and returns 1 when owner is null or the code means no error.
int ShowUnzipError(int code, UINT type, HWND owner);
int ShowZipError(int code, UINT type, HWND owner);

// Status callbacks for jobs under TFileOperationStatusDialog (user value = the dialog).
extern "C" int32_t TV_ENGINE_CALLBACK FileOperationMinorStatusProc(const char* text, int32_t percent, uintptr_t user);
extern "C" int32_t TV_ENGINE_CALLBACK FileOperationMajorStatusProc(const char* text, int32_t percent, uintptr_t user);

// Progress dialog "FILEOPERATIONSTATUS". Run shows it modally; once shown it starts RunJob, then
// closes with 1. Cancel only sets the cancel flag, which the status callbacks hand to the engine.
class TFileOperationStatusDialog {
public:
    // captionId: 3210 "Zipping" or 3211 "Unzipping".
    explicit TFileOperationStatusDialog(uint32_t captionId);
    virtual ~TFileOperationStatusDialog() = default;
    TFileOperationStatusDialog(const TFileOperationStatusDialog&) = delete;
    TFileOperationStatusDialog& operator=(const TFileOperationStatusDialog&) = delete;

    // Returns the dialog's result (1 after the job ran; -1 when the dialog could not be created).
    INT_PTR Run(HWND owner);
    HWND Window() const { return hwnd_; }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }

    // The status shown: item text (after the last '\' or '/', with " (n %)" when 0-100).
    // The text and bar follow at once, up to a few changes per tenth of a second (more would cost
    // more drawing than the job); a change held back shows with a later report.
    void ShowItem(const char* text, int32_t percent);
    // Percent of the running engine call; with a member count the bar shows
    // (membersDone * 100 + percent) / members.
    void ShowTotal(int32_t percent);
    void SetMemberCount(uint32_t members) { members_ = members; }
    void SetMembersDone(uint32_t done) { membersDone_ = done; }
    // Lets waiting window messages through (the Cancel button among them).
    void PumpMessages();
    // The same, at most every few milliseconds (the status callbacks come far more often).
    void PumpWhenDue();

protected:
    // The job; runs on the dialog's thread while the dialog is shown.
    virtual void RunJob() = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    uint32_t captionId_;
    HWND hwnd_ = nullptr;
    bool cancelled_ = false;
    bool running_ = false;
    uint32_t members_ = 0;
    uint32_t membersDone_ = 0;
    // How often the status is drawn: a burst of kDrawBurst changes, then one per kDrawIntervalMs.
    static constexpr DWORD kDrawBurst = 5;
    static constexpr DWORD kDrawIntervalMs = 100;
    struct TDrawRate {
        DWORD tokens = kDrawBurst;
        DWORD refilled = GetTickCount();
        bool Allow(DWORD now);
    };
    char shownItem_[TV_PATH_SIZE + 16] = {};
    char pendingItem_[TV_PATH_SIZE + 16] = {};
    TDrawRate itemRate_, barRate_;
    DWORD lastPumpTick_ = 0;
    uint32_t reports_ = 0;
    int32_t lastBar_ = -1;
};

// Ready-made jobs: one engine command under the progress dialog. The status callbacks and the user
// value are set on the command. Return the engine's result (the cancel result when cancelled).
int RunUnzipWithProgress(HWND owner, TUnzipCommand* command);
int RunZipWithProgress(HWND owner, TZipCommand* command);
