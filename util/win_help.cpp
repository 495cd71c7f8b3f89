#include "util/win_help.h"

#include "util/safestr.h"
#include "util/text.h"
#include "util/tvbase.h"
#include "util/win_files.h"
#include "util/win_ui.h"

namespace {

char g_helpPath[TV_PATH_SIZE] = {};
bool g_pathSet = false;
bool g_opened = false;
TvHelpViewerFn g_viewer = nullptr;

BOOL DefaultViewer(HWND owner, const char* file, UINT command, ULONG_PTR data) {
    return WinHelpA(owner, file, command, data);
}

TvHelpViewerFn Viewer() { return g_viewer ? g_viewer : DefaultViewer; }

void ShowMissingMessage(HWND owner, const char* path) {
    char text[TV_MESSAGE_SIZE + TV_PATH_SIZE];
    CopyLimited(text, LoadMessageText(TV_IDS_HELP_FILE_MISSING), sizeof text);
    if (!ReplaceFirst(text, sizeof text, "%s", path, 1)) CopyLimited(text, path, sizeof text);
    ShowMessageBox(owner, text, "Information", MB_OK | MB_ICONINFORMATION);
}

// Asks the viewer for command when the help file exists; otherwise shows the message.
bool OpenHelp(HWND owner, UINT command, ULONG_PTR data) {
    const char* path = HelpFilePath();
    if (path[0] == '\0' || !FileExists(path)) {
        ShowMissingMessage(owner, path[0] ? path : "tv.hlp");
        return false;
    }
    g_opened = true;
    Viewer()(owner, path, command, data);
    return true;
}

}  // namespace

void SetHelpFilePath(const char* path) {
    g_pathSet = true;
    g_helpPath[0] = '\0';
    if (path && CopyLimited(g_helpPath, path, sizeof g_helpPath)) g_helpPath[0] = '\0';
}

const char* HelpFilePath() {
    if (!g_pathSet) {
        char path[TV_PATH_SIZE];
        if (ProgramFolder(path, sizeof path, 0) && !AppendLimited(path, "tv.hlp", sizeof path))
            SetHelpFilePath(path);
        else
            SetHelpFilePath(nullptr);
    }
    return g_helpPath;
}

bool ShowHelpTopic(HWND owner, uint32_t context) { return OpenHelp(owner, HELP_CONTEXT, context); }

bool ShowHelpContents(HWND owner) { return OpenHelp(owner, HELP_FINDER, 0); }

bool ShowHelpOnHelp(HWND owner) { return OpenHelp(owner, HELP_HELPONHELP, 0); }

void CloseHelp(HWND owner) {
    if (!g_opened) return;
    g_opened = false;
    Viewer()(owner, HelpFilePath(), HELP_QUIT, 0);
}

void SetHelpViewer(TvHelpViewerFn viewer) { g_viewer = viewer; }
