// Engine messages in message boxes.
#include <windows.h>

#include "archive/win/filestatus.h"
#include "archive/ziperror.h"
#include "util/strings.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

int ShowEngineMessage(uint32_t messageId, UINT type, HWND owner) {
    if (!owner || messageId == 0) return 1;
    char text[512];
    BuildEngineMessage(messageId, int(type & MB_TYPEMASK), text, sizeof text);
    return ShowMessageBox(owner, text, TvString(4100), type);
}

}  // namespace

int ShowUnzipError(int code, UINT type, HWND owner) { return ShowEngineMessage(UnzipErrorMessageId(code), type, owner); }
int ShowZipError(int code, UINT type, HWND owner) { return ShowEngineMessage(ZipErrorMessageId(code), type, owner); }
