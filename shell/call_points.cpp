#include "shell/call_points.h"

#include "archive/win/viewer_window.h"
#include "core/items.h"
#include "intake/win_intake.h"
#include "setup/win_first_setup.h"
#include "shell/trace.h"
#include "util/safestr.h"

bool RunFirstSetupWizardCall(HWND mainWindow, TProgramData* program) {
    ShellTrace("first-setup-wizard");
    // Modal over the frame (the main window is its client).
    const bool finished = RunFirstSetupWizard(GetAncestor(mainWindow, GA_ROOT), program);
    ShellTrace("first-setup-wizard %s", finished ? "finished" : "cancelled");
    return finished;
}
void CheckLostFilesCall(const TIntakeContext& context) {
    ShellTrace("check-lost-files");
    if (context.program) CheckLostFiles(context);
}
void CheckNewStorageFilesCall(const TIntakeContext& context) {
    ShellTrace("check-new-files");
    if (context.program) CheckNewStorageFiles(context);
}

void OpenInternalViewerCall(HWND, const char* archive) {
    ShellTrace("viewer [%s]", archive ? archive : "");
    TTVInternalViewerWindow* viewer = TTVInternalViewerWindow::Open(archive ? archive : "", nullptr);
    if (viewer) SetForegroundWindow(viewer->Window());
}

TIntakeOutcome FileIntakeCall(const TIntakeContext& context, const FileItem* templateRecord, const char* path,
                              uint32_t options) {
    const char* website = templateRecord && templateRecord->website ? templateRecord->website : "";
    ShellTrace("intake 0x%03X [%s] website [%s]", unsigned(options), path ? path : "", website);
    TIntakeOutcome result;
    // A record without a file name (a broken hand-off) has nothing to bring in.
    if (!context.program || !path || !path[0]) return result;
    TIntakeFileOutcome file = TV_INTAKE_FILE_KEPT;
    // Without a template the intake fills a fresh, empty download record from the file itself.
    result.added = FileIntake(context, templateRecord, nullptr, path, options, &file);
    result.fileStored = file == TV_INTAKE_FILE_PLACED;
    result.userDiscarded = file == TV_INTAKE_FILE_DECLINED;
    return result;
}

bool HandOffFileMayBeDeleted(const TIntakeOutcome& outcome) { return outcome.fileStored || outcome.userDiscarded; }

void ReportHandOffFileKept(const TIntakeContext& context, const TIntakeOutcome&, const char* path) {
    if (!path || !path[0] || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    char text[1024];
    HandOffFileKeptMessage(text, sizeof(text), path);
    ShellTrace("handoff-kept [%s]", path);
    // The user said OK (or the intake could not even ask): either way storing failed.
    IntakeMessageBox(context, text, "Error", MB_OK | MB_ICONERROR);
}
