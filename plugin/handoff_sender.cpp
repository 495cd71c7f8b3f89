// The plug-in's side of the hand-off: finding (or starting) the main program and sending it the
// download file and its URL.
#include "plugin/plugin.h"

#include <shellapi.h>

#include "handoff/handoff.h"
#include "util/cmdline.h"
#include "util/text.h"
#include "util/win_registry.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

const char kProgramKey[] = "Software\\Veltra\\Tolvane";
const char kProgramPathValue[] = "Program Path";
const DWORD kStartTimeoutMs = 15000;
const DWORD kLookupPauseMs = 50;

HWND FindFrameWindow() {
    return FindWindowA(TV_FRAME_WINDOW_CLASS, nullptr);
}

}  // namespace

HWND FindOrStartMainProgram() {
    HWND window = FindFrameWindow();
    if (window) return window;
    // A missing key or value (or one that is no string) gives the empty path.
    char path[TV_REGVALUE_SIZE];
    RegistryReadString(path, sizeof(path), HKEY_CURRENT_USER, kProgramKey, kProgramPathValue);
    // An empty path is not handed to the shell: it would open the current folder instead.
    if (path[0] == '\0') return nullptr;
    HINSTANCE started = ShellExecuteA(nullptr, nullptr, path, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) return nullptr;
    DWORD start = GetTickCount();
    for (;;) {
        window = FindFrameWindow();
        if (window) return window;
        if (GetTickCount() - start >= kStartTimeoutMs) return nullptr;
        Sleep(kLookupPauseMs);
    }
}

void SendDownloadToMainProgram(const TPluginInstance* instance) {
    if (!instance) return;
    DownloadHandOff record;
    FillDownloadHandOff(&record, instance->SavedFilePath, instance->SourceUrl);
    COPYDATASTRUCT message;
    message.dwData = TV_COPYDATA_DOWNLOAD;
    message.cbData = TV_HANDOFF_RECORD_SIZE;
    message.lpData = &record;

    HWND window = nullptr;
    for (;;) {
        window = FindOrStartMainProgram();
        if (window) break;
        if (MessageBoxA(nullptr, LoadMessageText(IDS_PLUGIN_RETRY_START), kPluginCaption, MB_YESNO) != IDYES) break;
    }
    if (window) {
        SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
        return;
    }
    char text[2000];
    CopyLimited(text, LoadMessageText(IDS_PLUGIN_NOT_STARTED), sizeof(text));
    InsertCommandArgument(text, sizeof(text), record.SavedFilePath, 1, 0);
    MessageBoxA(nullptr, text, kPluginCaption, MB_OK);
}
