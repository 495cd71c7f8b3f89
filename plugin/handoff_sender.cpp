// The plug-in's side of the hand-off: finding (or starting) the main program and sending it the
// download file and its URL.
#include "plugin/plugin.h"

#include <shellapi.h>

#include "handoff/handoff.h"
#include "util/cmdline.h"
#include "util/text.h"

namespace {

const char kProgramKey[] = "Software\\Veltra\\Tolvane";
const char kProgramPathValue[] = "Program Path";
const DWORD kStartTimeoutMs = 15000;
const DWORD kLookupPauseMs = 50;

// "Program Path" of the main program, or "" when the key or value is missing or not a string.
void ReadProgramPath(char* path, size_t size) {
    path[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char value[TV_REGVALUE_SIZE];
    DWORD type = 0;
    DWORD bytes = sizeof(value) - 1;
    LONG result = RegQueryValueExA(key, kProgramPathValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return;
    value[bytes < sizeof(value) ? bytes : sizeof(value) - 1] = '\0';
    CopyLimited(path, value, size);
}

HWND FindFrameWindow() {
    return FindWindowA(TV_FRAME_WINDOW_CLASS, nullptr);
}

}  // namespace

HWND FindOrStartMainProgram() {
    HWND window = FindFrameWindow();
    if (window) return window;
    char path[TV_REGVALUE_SIZE];
    ReadProgramPath(path, sizeof(path));
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
        char question[512];
        LoadPluginString(IDS_PLUGIN_RETRY_START, question, int(sizeof(question)));
        if (MessageBoxA(nullptr, question, kPluginCaption, MB_YESNO) != IDYES) break;
    }
    if (window) {
        SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
        return;
    }
    char text[2000];
    LoadPluginString(IDS_PLUGIN_NOT_STARTED, text, int(sizeof(text)));
    InsertCommandArgument(text, sizeof(text), record.SavedFilePath, 1, 0);
    MessageBoxA(nullptr, text, kPluginCaption, MB_OK);
}
