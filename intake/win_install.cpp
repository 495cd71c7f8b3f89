// Installing an archive's setup program during file intake: the archive subsystem's install with
// the intake's program start (which tests answer).
#include "intake/win_install.h"

#include <shellapi.h>

#include "archive/win/install.h"
#include "intake/win_intake.h"

namespace {

INT_PTR StartThroughIntake(HWND owner, const char* program, void* context) {
    const TIntakeContext& c = *static_cast<const TIntakeContext*>(context);
    if (c.responder && c.responder->startProgram) return c.responder->startProgram(owner, program, "", c.responder->context);
    return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, nullptr, program, nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace

int InstallArchive(const TIntakeContext& context, TArchiveFileListObject* members, const char* archivePath,
                   TTempFileListObject* programTempFiles) {
    TInstallHooks hooks;
    hooks.startProgram = StartThroughIntake;
    hooks.context = const_cast<TIntakeContext*>(&context);
    return InstallArchive(context.owner, members, archivePath, programTempFiles, &hooks);
}
