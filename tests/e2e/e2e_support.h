// What every end-to-end test needs: the real tv.exe in a fresh program folder named after the
// running test, started and closed through the driver.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/driver/tvdriver.h"

namespace e2e {

constexpr const char kFrameClass[] = "TolvaneFrameWindow";
constexpr const char kProgramTitle[] = "Tolvane Plus";

// A first run (no tv.cfg in the program folder) opens the first setup wizard over the main
// window. Tests that do not walk it answer it here, in this one way: Cancel, which applies nothing
// and leaves the first-run defaults. The wizard's window is a property sheet captioned like its
// first page.
constexpr const char kFirstSetupClass[] = "#32770";
constexpr const char kFirstSetupCaption[] = "Welcome";
inline bool CancelFirstSetup(DWORD pid, DWORD timeoutMs = tvd::WaitCeilingMs()) {
    HWND wizard = tvd::WaitForWindow(kFirstSetupClass, kFirstSetupCaption, timeoutMs, pid);
    return wizard && tvd::PressPropertySheetButton(wizard, PSBTN_CANCEL) && tvd::WaitForWindowGone(wizard, timeoutMs);
}
// Whether tv.exe started in this folder meets a first run.
inline bool FirstRunIn(const std::string& programFolder) {
    return !tvd::FileExists(programFolder + "\\tv.cfg");
}
// Starts tv.exe (exe) in its program folder the way every test does: on a first run the first
// setup wizard is cancelled before this returns.
inline bool StartTv(tvd::Process& process, const std::string& exe, const std::string& args,
                    const std::string& programFolder) {
    const bool firstRun = FirstRunIn(programFolder);
    if (!process.Start(exe, args, programFolder)) return false;
    return !firstRun || CancelFirstSetup(process.pid());
}

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

    // Starts tv.exe with the arguments, in its program folder; the first setup wizard of a first
    // run is cancelled (StartTv). StartWalkingFirstSetup leaves it to the test.
    bool Start(const std::string& args = std::string()) { return ready() && StartTv(process_, exe_, args, folder_.path()); }
    bool StartWalkingFirstSetup(const std::string& args = std::string()) {
        return ready() && process_.Start(exe_, args, folder_.path());
    }
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

// ---------------------------------------------------------------------------------------------
// The program's test trace and the registry value every run of tv.exe leaves behind.

// With the environment variable TV_TEST_TRACE naming a file, tv.exe appends one line there for
// each thing it hands to a feature or to the intake (see README). Programs started while this
// object lives write to `path`; the variable is cleared when it goes.
class TestTrace {
public:
    explicit TestTrace(const std::string& path) : path_(tvd::WinPath(path)) {
        SetEnvironmentVariableA("TV_TEST_TRACE", path_.c_str());
    }
    ~TestTrace() { SetEnvironmentVariableA("TV_TEST_TRACE", nullptr); }
    TestTrace(const TestTrace&) = delete;
    TestTrace& operator=(const TestTrace&) = delete;

    const std::string& path() const { return path_; }
    // The lines written so far, without their line ends (none when there is no file yet).
    std::vector<std::string> Lines() const {
        std::string bytes;
        std::vector<std::string> lines;
        if (!tvd::ReadWholeFile(path_, &bytes)) return lines;
        std::istringstream in(bytes);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    int Count(const std::function<bool(const std::string&)>& match) const {
        int n = 0;
        for (const std::string& line : Lines())
            if (match(line)) ++n;
        return n;
    }
    // Polls until a line equal to `line` was written.
    bool WaitForLine(const std::string& line, DWORD timeoutMs = tvd::WaitCeilingMs()) const {
        return tvd::WaitUntil([&] { return Count([&](const std::string& l) { return l == line; }) > 0; }, timeoutMs);
    }

private:
    std::string path_;
};

// tv.exe writes its path to "Program Path" (HKEY_CURRENT_USER\Software\Veltra\Tolvane) for the
// plug-ins. ReadProgramPath reads it; a KeepProgramPath puts back what was there (or removes
// the value) when it goes, so that later tests of the session find it as it was.
inline bool ReadProgramPath(std::string* value) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof(text) - 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Veltra\\Tolvane", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool ok =
        RegQueryValueExA(key, "Program Path", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (ok) *value = text;
    return ok;
}

class KeepProgramPath {
public:
    KeepProgramPath() : had_(ReadProgramPath(&value_)) {}
    ~KeepProgramPath() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Veltra\\Tolvane", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (had_)
            RegSetValueExA(key, "Program Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value_.c_str()),
                           DWORD(value_.size() + 1));
        else
            RegDeleteValueA(key, "Program Path");
        RegCloseKey(key);
    }
    KeepProgramPath(const KeepProgramPath&) = delete;
    KeepProgramPath& operator=(const KeepProgramPath&) = delete;

private:
    std::string value_;
    bool had_ = false;
};

}  // namespace e2e
