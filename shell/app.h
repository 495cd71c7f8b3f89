// The application object of tv.exe and the values the start-up sets for the whole run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "database/programdata.h"
#include "shell/command_line.h"
#include "util/tvbase.h"

class TTolvaneFrameWindow;

// Process-wide values of the run.
struct TProgramGlobals {
    HINSTANCE instance = nullptr;
    std::string commandLine;                      // joined arguments; after parsing the remaining text
    uint32_t startFlags = 0;                      // TV_START_*
    char programPath[TV_PATH_SIZE] = {};          // program folder + "tv.exe"
    char helpPath[TV_PATH_SIZE] = {};             // program folder + "tv.hlp"
    bool oleReady = false;
    char title[50] = {};                          // string 4100
    HFONT titleFont = nullptr;                    // bold Arial, height 20
    HICON mainIcons[3] = {};                      // icons 5, 6 and 8
};
TProgramGlobals& Globals();

class TTolvaneApp {
public:
    explicit TTolvaneApp(HINSTANCE instance);
    ~TTolvaneApp();
    TTolvaneApp(const TTolvaneApp&) = delete;
    TTolvaneApp& operator=(const TTolvaneApp&) = delete;

    // Main-window initialisation, then the message loop until the application quits. Returns the
    // exit code.
    int Run(int showCommand);

    TProgramData* program() { return &program_; }

private:
    bool InitMainWindow(int showCommand);
    int MessageLoop();

    HINSTANCE instance_;
    TProgramData program_;
    TTolvaneFrameWindow* frame_ = nullptr;
    HACCEL accelerators_ = nullptr;
    bool classesCreated_ = false;
};

// Writes "Program Path" under HKEY_CURRENT_USER "Software\Veltra\Tolvane" (creating the key), so
// that the plug-ins can start the program. Returns the registry result (0 = written).
LONG WriteProgramPathValue(const char* programPath);
