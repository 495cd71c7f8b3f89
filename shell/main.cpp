// Entry point of tv.exe: one instance per session. A second start hands its command line to the
// running instance and ends; the first runs the application object.
#include <windows.h>
#include <ole2.h>

#include <cstdlib>
#include <cstring>

#include "handoff/handoff.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_help.h"
#include "util/safestr.h"

namespace {

// Sends the command line to the running instance (kind 0, the text with its terminator).
void ForwardCommandLine(HWND frame, const char* text) {
    COPYDATASTRUCT data = {};
    data.dwData = TV_COPYDATA_COMMAND_LINE;
    data.cbData = DWORD(strlen(text) + 1);
    data.lpData = const_cast<char*>(text);
    SendMessageA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    TProgramGlobals& g = Globals();
    g.instance = instance;
    // 1. Program title.
    if (LoadStringA(instance, IDS_PROGRAM_TITLE, g.title, int(sizeof(g.title))) <= 0)
        CopyLimited(g.title, "Tolvane Plus", sizeof(g.title));

    // 2. The arguments joined into one command line. Taken from the raw command line rather than
    // the C runtime's argument vector, which has already dropped the double quotes: three quoted
    // files must stay three files, and a quoted path with blanks one.
    // Every argument is taken, however long the line.
    g.commandLine = JoinRawCommandLine(GetCommandLineA());

    // 3. One instance: a second start forwards its command line (when there is one) and ends.
    if (HWND running = FindWindowA(TV_FRAME_WINDOW_CLASS, nullptr)) {
        if (!g.commandLine.empty()) ForwardCommandLine(running, g.commandLine.c_str());
        return 0;
    }

    // 4. No system boxes for critical errors or missing files.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    // 5. Help file beside the program.
    char folder[TV_PATH_SIZE];
    if (ProgramFolder(folder, sizeof(folder), 0)) {
        CopyLimited(g.helpPath, folder, sizeof(g.helpPath));
        if (AppendLimited(g.helpPath, "tv.hlp", sizeof(g.helpPath))) g.helpPath[0] = '\0';
    }
    SetHelpFilePath(g.helpPath);

    // 6. OLE (drag and drop, clipboard).
    const HRESULT ole = OleInitialize(nullptr);
    g.oleReady = ole == S_OK || ole == S_FALSE;

    // 7-8. The application, then OLE goes last.
    int code = 1;
    {
        TTolvaneApp app(instance);
        code = app.Run(showCommand);
    }
    if (g.oleReady) OleUninitialize();
    return code;
}
