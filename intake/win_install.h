// Installing the setup program contained in an archive.
#pragma once

#include <windows.h>

#include "core/lists.h"

struct TIntakeContext;

// Extracts every member of the archive into the temporary folder's "tmpsetup\" (replacing files
// an earlier install left there), starts the setup member found by FindSetupMember, asks question
// 3303 ("Archive extracted") and, on Yes, removes the extracted files and folders (what cannot be
// removed goes to programTempFiles, when given, for the clean-up at shut-down). Paths of members
// are built the way the engine wrote them, so no clean-up ever reaches outside the work folder.
// No setup member: message 3418. Returns 1 when the setup program was started.
int InstallArchive(const TIntakeContext& context, TArchiveFileListObject* members, const char* archivePath,
                   TTempFileListObject* programTempFiles);
