// Helpers of the plug-in tests: run the browser stand-in against a plug-in library, answer the
// message boxes it shows from a script, watch its status window, and read what the fake main
// program recorded.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/driver/tvdriver.h"

namespace plugintest {

// Paths and files: the driver's helpers.
using tvd::FileExists;
using tvd::FolderExists;
using tvd::ReadWholeFile;
using tvd::RemoveTree;  // refuses roots
using tvd::WinPath;     // a host path as Windows sees it ("/work/x" -> "Z:\work\x")
using tvd::WriteWholeFile;
std::string TempFolder();  // GetTempPathA at the first call, with trailing "\"
// Names of the folders "TvDownload-*" in the temporary folder.
std::vector<std::string> DownloadFolders();
// Test data: size bytes of a fixed pseudo-random pattern.
std::string PatternBytes(size_t size, unsigned seed);

// One answer to a message box: the first unused entry whose text occurs in the box's message
// presses its button.
struct BoxAnswer {
    std::string textContains;
    int button;  // IDYES, IDNO, IDOK
};

struct StandinResult {
    bool finished = false;  // false: timed out and killed
    DWORD exitCode = 0;
    std::string output;  // the stand-in's stdout, "\n" line ends
    std::vector<std::string> boxes;       // texts of the message boxes, in the order they appeared
    std::vector<std::string> unexpected;  // texts of boxes no answer matched (closed with No/OK)
    std::string statusReceived;           // last texts of the status window's fields
    std::string statusTotal;
    std::string statusUrl;
    int statusProgress = -1;
    int maxProgress = -1;
    int statusWindows = 0;  // distinct status windows seen
};

struct StandinRun {
    std::vector<std::string> args;
    std::vector<BoxAnswer> answers;
    bool cancelOnStatus = false;  // press the status window's Cancel once data has arrived
    // Called for a message box before the answers are consulted (e.g. to start the fake main
    // program before Yes is pressed).
    void (*onBox)(const std::string& text, void* context) = nullptr;
    void* context = nullptr;
    DWORD timeoutMs = tvd::WaitCeilingMs();  // for the whole run
};

StandinResult RunStandin(const StandinRun& run);

// The fake main program (records hand-offs in outFolder).
class FakeMain {
public:
    explicit FakeMain(const std::string& outFolder);
    ~FakeMain();
    bool Start();  // starts it and waits for its frame window
    void Stop();   // closes every frame window and waits for it to go
private:
    std::string out_;
    PROCESS_INFORMATION process_ = {};
};

struct HandOffRecord {
    int result = -1;
    std::string path, url, content;
    unsigned long bytes = 0;
    int exists = 0;
};
// Records handoff-1.txt, handoff-2.txt, ... of outFolder, in order.
std::vector<HandOffRecord> ReadHandOffs(const std::string& outFolder);

// Closes every window of class "TolvaneFrameWindow" and waits until none is left.
void CloseFrameWindows();

// Saves "Program Path" and sets it (empty text = delete the value); restores the old state when
// the object goes away.
class ProgramPathValue {
public:
    explicit ProgramPathValue(const std::string& value);
    ~ProgramPathValue();

private:
    bool had_ = false;
    std::string old_;
};

}  // namespace plugintest
