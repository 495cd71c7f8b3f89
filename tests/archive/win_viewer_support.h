// Helpers of the internal viewer's Windows tests: archives made by Info-ZIP and 7-Zip (the
// Linux programs, started from the test under Wine), a viewer window in the test process, and
// scripts that answer its modal dialogs from a second thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archive/win/viewer_window.h"
#include "database/programdata.h"
#include "tests/driver/tvdriver.h"

namespace ivt {

// The Linux path of a Windows path (Wine's own mapping); empty when there is none.
std::string UnixPath(const std::string& windowsPath);
// Runs a shell command line of Linux programs (no double quotes in it) and waits for it.
// True when it ended with exit code 0.
bool RunUnix(const std::string& command);
// zip (Info-ZIP) and 7z: `options` and the member names relative to folder (quoted for the
// shell here); the archive is written to archive (a Windows path).
bool InfoZip(const std::string& folder, const std::string& archive, const std::string& options,
             const std::vector<std::string>& members);
bool SevenZip(const std::string& folder, const std::string& archive, const std::string& options,
              const std::vector<std::string>& members);

// Writes a file, creating its folders.
void Write(const std::string& path, const std::string& content);
std::string Read(const std::string& path);

// A script of answers that runs on a second thread while the test thread sits in a modal loop.
// Finish() pumps the test thread's messages until the script is done (it sends messages to the
// dialogs of this thread). A script that fails closes every dialog and box of the process so that
// the test thread comes back.
class Script {
public:
    explicit Script(std::function<void()> body);
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;
    void Finish();

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
};
// Closes every dialog and message box of this process (Cancel, then WM_CLOSE).
void CloseAllDialogs();
// Waits for a program dialog / message box (ADD_FAILURE and an empty result at the ceiling).
HWND Dialog(const char* caption);
HWND Box(const char* caption);
// The open/save dialogs of the system: finds it by caption, types name, presses the default
// button; the dialog must be gone afterwards.
bool AnswerFileDialog(const char* caption, const std::string& name);

// The fixture of the viewer tests: a temporary folder, the program data (defaults, no recent
// documents), the environment of the viewers, a main-window stand-in that records WM_USER + 5.
class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string P(const std::string& relative) const { return dir_ + "\\" + relative; }
    // A viewer on archive (null download); every viewer it makes is closed at the end.
    TTVInternalViewerWindow* OpenViewer(const std::string& archive, ListNode* download = nullptr);
    // Texts of the list view as the control shows them (row, column).
    std::string Cell(TTVInternalViewerWindow* viewer, int row, int column);
    std::vector<std::string> Names(TTVInternalViewerWindow* viewer);
    // Selects the rows whose name is one of names (the others are deselected).
    void SelectByName(TTVInternalViewerWindow* viewer, const std::vector<std::string>& names);
    bool ToolbarEnabled(TTVInternalViewerWindow* viewer, int command);
    std::string StatusText(TTVInternalViewerWindow* viewer, int part);
    // The viewer windows of this process.
    static std::vector<HWND> ViewerWindows();

    std::string dir_;
    TProgramData program_;
    HWND mainStandIn_ = nullptr;
    static std::vector<LPARAM> notified_;  // WM_USER + 5 lParams the stand-in received
};

}  // namespace ivt
