#include "shell/call_points.h"

#include "core/items.h"
#include "shell/trace.h"
#include "util/safestr.h"

void RunFirstSetupWizardCall(HWND, TProgramData*) { ShellTrace("first-setup-wizard"); }
void CheckLostFilesCall(HWND, TProgramData*) { ShellTrace("check-lost-files"); }
void CheckNewStorageFilesCall(HWND, TProgramData*) { ShellTrace("check-new-files"); }
int StartupBookmarkImportCall(HWND, TProgramData*) {
    ShellTrace("startup-bookmark-import");
    return 0;
}

void RegisterDropTargetCall(HWND, HWND) {}
void RevokeDropTargetCall(HWND, HWND) {}
void RegisterClipboardFormatsCall() {}

void OpenInternalViewerCall(HWND, const char* archive) { ShellTrace("viewer [%s]", archive ? archive : ""); }
void RunInterchangeImportCall(HWND, const char* file) { ShellTrace("interchange [%s]", file ? file : ""); }

TIntakeOutcome FileIntakeCall(HWND, TProgramData*, FileItem* templateRecord, const char* path, uint32_t options) {
    const char* website = templateRecord && templateRecord->website ? templateRecord->website : "";
    ShellTrace("intake 0x%03X [%s] website [%s]", unsigned(options), path ? path : "", website);
    return TIntakeOutcome();
}

bool HandOffFileMayBeDeleted(const TIntakeOutcome& outcome) { return outcome.fileStored || outcome.userDiscarded; }
