// What every end-to-end test needs: the real tv.exe in a fresh program folder named after the
// running test, started and closed through the driver.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/driver/tvdriver.h"

namespace e2e {

constexpr const char kFrameClass[] = "TolvaneFrameWindow";
constexpr const char kProgramTitle[] = "Tolvane Plus";

inline std::string CurrentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string("program");
}

// One run of tv.exe. The program folder holds a copy of tv.exe with the files that the build puts
// beside it (the program's own files, no data) until the test puts more there; it is deleted
// afterwards unless the test failed (then it stays under C:\tvt of the test prefix,
// <build>/wine/pfx/drive_c/tvt, for a look). A program
// still running at the end is killed.
class TvProgram {
public:
    TvProgram() : folder_(TV_E2E_WORK, CurrentTestName()) {
        const std::string exe = tvd::WinPath(TV_EXE_PATH);
        if (folder_.InstallFilesOf(exe.substr(0, exe.size() - tvd::BaseName(exe).size())) > 0 &&
            tvd::FileExists(folder_.File("tv.exe")))
            exe_ = folder_.File("tv.exe");
    }
    ~TvProgram() {
        if (::testing::Test::HasFailure()) folder_.Keep();
    }
    TvProgram(const TvProgram&) = delete;
    TvProgram& operator=(const TvProgram&) = delete;

    bool ready() const { return folder_.ok() && !exe_.empty(); }
    tvd::ProgramFolder& folder() { return folder_; }
    const std::string& exe() const { return exe_; }
    tvd::Process& process() { return process_; }

    // Starts tv.exe with the arguments, in its program folder.
    bool Start(const std::string& args = std::string()) { return ready() && process_.Start(exe_, args, folder_.path()); }
    // The frame window of this run (nullptr when the program ended or the time ran out).
    HWND WaitForFrame(DWORD timeoutMs = tvd::WaitCeilingMs()) {
        frame_ = process_.WaitForWindow(kFrameClass, nullptr, timeoutMs);
        return frame_;
    }
    HWND frame() const { return frame_; }
    // Closes the frame window as the user would and waits for the end; kills after the timeout.
    // True when the program ended on its own (exit code in *exitCode).
    bool Close(DWORD* exitCode, DWORD timeoutMs = tvd::WaitCeilingMs()) {
        return process_.CloseAndWait(frame_, timeoutMs, exitCode);
    }

private:
    tvd::ProgramFolder folder_;
    std::string exe_;
    tvd::Process process_;
    HWND frame_ = nullptr;
};

}  // namespace e2e
