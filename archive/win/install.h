// Installing the setup program contained in an archive (from a viewer and from file intake).
#pragma once

#include <windows.h>

#include "core/lists.h"

// The program start of an install; null uses ShellExecuteA. Tests answer through it (and the
// questions through ShowMessageBox, util/win_ui.h).
struct TInstallHooks {
    INT_PTR (*startProgram)(HWND owner, const char* program, void* context) = nullptr;
    void* context = nullptr;
};

// FindSetupMember; without one message 3418 ("Error"). Otherwise every member is extracted into a
// work folder "tmpsetup\" below the temporary folder (a name taken by anything else becomes
// "tmpsetup2\", ...: nothing there is ever overwritten or removed), stored folders recreated;
// the setup member is started and question 3303 ("Archive extracted") asked. On Yes the files
// and folders the extraction made are removed (what cannot be removed goes to programTempFiles,
// when given, for the clean-up at shut-down) and the work folder with them. Member paths are the
// engine's safe names, so nothing outside the work folder is ever written or removed.
// Returns 1 when the setup program was started.
int InstallArchive(HWND owner, TArchiveFileListObject* members, const char* archivePath,
                   TTempFileListObject* programTempFiles, const TInstallHooks* hooks = nullptr);
