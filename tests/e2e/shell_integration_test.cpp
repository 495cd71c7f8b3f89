// The program registered with the shell by its own database save, from a program folder whose
// path has blanks, and then reached through the shell itself: "start" of an interchange file,
// opening a ZIP archive, the "Import in Tolvane Plus" verb; the preferences' integration page and
// the Browser command.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr int kCmBrowser = 123;
constexpr int kCmPreferences = 128;
constexpr int kCmWebsite = 129;
const char kTolvaneKey[] = "Software\\Veltra\\Tolvane";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Value(HKEY root, const std::string& key, const char* value = nullptr) {
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<none>";
    const LONG result = RegQueryValueExA(handle, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS ? std::string(text) : std::string("<none>");
}

void Restore(HKEY root, const char* key, const char* value, bool existed, const std::string& data) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS) return;
    if (existed)
        RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
    else
        RegDeleteValueA(handle, value);
    RegCloseKey(handle);
}

// A tv.exe that the shell started: found by its frame window, closed as the user would.
class ShellStarted {
public:
    bool Find(DWORD timeoutMs = tvd::WaitCeilingMs()) {
        frame_ = tvd::WaitForWindow(e2e::kFrameClass, nullptr, timeoutMs);
        if (!frame_) return false;
        GetWindowThreadProcessId(frame_, &pid_);
        process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid_);
        return process_ != nullptr;
    }
    DWORD pid() const { return pid_; }
    // True when it ended on its own with exit code 0.
    bool Close() {
        if (!process_) return false;
        tvd::PostClose(frame_);
        DWORD code = 1;
        const bool ended = WaitForSingleObject(process_, tvd::WaitCeilingMs()) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(process_, 0xDEAD);
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = nullptr;
        return ended && code == 0;
    }
    ~ShellStarted() {
        if (process_) {
            TerminateProcess(process_, 0xDEAD);
            WaitForSingleObject(process_, tvd::WaitCeilingMs());
            CloseHandle(process_);
        }
    }

private:
    HWND frame_ = nullptr;
    DWORD pid_ = 0;
    HANDLE process_ = nullptr;
};

// The program in "<work>\Tolvane Plus\<test>", registered by a first start and close; the trace file
// records what the shell asked of it. The registry values that other tests of the session rely
// on are put back afterwards.
class ShellIntegration : public ::testing::Test {
protected:
    ShellIntegration() : folder_(std::string(TV_E2E_WORK) + "/Tolvane Plus", e2e::CurrentTestName()) {}

    void SetUp() override {
        ASSERT_EQ(nullptr, FindWindowA(e2e::kFrameClass, nullptr)) << "another tv.exe is running";
        for (auto& s : saved_) s.existed = ReadValue(s.key, s.value, &s.data);
        const std::string exe = tvd::WinPath(TV_EXE_PATH);
        ASSERT_GT(folder_.InstallFilesOf(exe.substr(0, exe.size() - tvd::BaseName(exe).size())), 0);
        program_ = tvd::WinPath(folder_.File("tv.exe"));
        ASSERT_NE(std::string::npos, program_.find("\\Tolvane Plus\\"));
        files_ = tvd::WinPath(folder_.File("My Files"));
        ASSERT_TRUE(tvd::MakeFolders(files_));
        // A program where an unquoted command line would find one first ("<work>\Tolvane.exe"
        // for "<work>\Tolvane Plus\...\tv.exe"): only quoted commands reach the right program.
        decoy_ = tvd::WinPath(std::string(TV_E2E_WORK) + "/Tolvane.exe");
        ASSERT_TRUE(CopyFileA("C:\\windows\\system32\\hostname.exe", decoy_.c_str(), FALSE));
        // First start and close: the save registers the program.
        tvd::Process first;
        ASSERT_TRUE(e2e::StartTv(first, program_, "", folder_.path()));
        HWND frame = first.WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
        ASSERT_NE(nullptr, frame);
        DWORD code = 1;
        ASSERT_TRUE(first.CloseAndWait(frame, tvd::WaitCeilingMs(), &code));
        ASSERT_EQ(0u, code);
        DeleteFileA(trace_.path().c_str());
    }
    void TearDown() override {
        DeleteFileA(decoy_.c_str());
        for (auto& s : saved_) Restore(HKEY_CURRENT_USER, s.key, s.value, s.existed, s.data);
        if (::testing::Test::HasFailure()) folder_.Keep();
    }
    static bool ReadValue(const char* key, const char* value, std::string* data) {
        *data = Value(HKEY_CURRENT_USER, key, value);
        return *data != "<none>";
    }
    bool WaitForLine(const std::string& line) const { return trace_.WaitForLine(line); }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = files_ + "\\" + name;
        EXPECT_TRUE(tvd::WriteWholeFile(path, bytes));
        return path;
    }
    std::string Quoted() const { return "\"" + program_ + "\""; }

    struct Saved {
        const char* key;
        const char* value;
        bool existed;
        std::string data;
    };
    Saved saved_[2] = {{kTolvaneKey, "Program Path", false, ""}, {kRunKey, "Tolvane", false, ""}};
    tvd::ProgramFolder folder_;
    // Programs started by the test (and by the shell for it) write their trace here.
    e2e::TestTrace trace_{folder_.File("trace.txt")};
    std::string program_, files_, decoy_;
};

TEST_F(ShellIntegration, TheSaveRegisteredTheProgramWithQuotedCommands) {
    EXPECT_EQ(program_, Value(HKEY_CURRENT_USER, kTolvaneKey, "Program Path"));
    EXPECT_EQ(Quoted() + " /tray", Value(HKEY_CURRENT_USER, kRunKey, "Tolvane"));
    EXPECT_EQ("tvifile", Value(HKEY_CLASSES_ROOT, ".tvi"));
    EXPECT_EQ(Quoted() + " \"%1\" /interchangefile", Value(HKEY_CLASSES_ROOT, "tvifile\\shell\\open\\command"));
    EXPECT_EQ(program_ + ",-33", Value(HKEY_CLASSES_ROOT, "tvifile\\DefaultIcon"));
    const std::string zipType = Value(HKEY_CLASSES_ROOT, ".zip");
    EXPECT_EQ(Quoted() + " \"%1\" /iv", Value(HKEY_CLASSES_ROOT, zipType + "\\shell\\open\\command"));
    const std::string arjType = Value(HKEY_CLASSES_ROOT, ".arj");
    EXPECT_EQ(Quoted() + " \"%1\" /import", Value(HKEY_CLASSES_ROOT, arjType + "\\shell\\Tolvane\\command"));
    EXPECT_EQ("Import in Tolvane Plus", Value(HKEY_CLASSES_ROOT, arjType + "\\shell\\Tolvane"));
}

TEST_F(ShellIntegration, StartOfAnInterchangeFileRunsTheImport) {
    const std::string file = File("backup set.tvi", "TV240000INTERCHANGEFILE");
    // What "wine start <file>" does: the shell's start program opens the file.
    tvd::Process start;
    ASSERT_TRUE(start.Start("C:\\windows\\command\\start.exe", "\"" + file + "\""));
    ShellStarted tv;
    ASSERT_TRUE(tv.Find());
    // The import wizard opens on the file.
    HWND wizard = tvd::WaitForWindow("#32770", "Import Interchange File", tvd::WaitCeilingMs(), tv.pid());
    ASSERT_TRUE(wizard);
    EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(wizard), 101), file);
    EXPECT_TRUE(tvd::PressPropertySheetButton(wizard, PSBTN_CANCEL));
    EXPECT_TRUE(tvd::WaitForWindowGone(wizard, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tv.Close());
}

TEST_F(ShellIntegration, OpeningAZipArchiveRunsTheViewer) {
    const std::string file = File("archive one.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&info));
    ShellStarted tv;
    ASSERT_TRUE(tv.Find());
    EXPECT_TRUE(WaitForLine("viewer [" + file + "]"));
    EXPECT_TRUE(tv.Close());
}

TEST_F(ShellIntegration, TheImportVerbStartsTheIntake) {
    const std::string file = File("old archive.arj", "arj data");
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "Tolvane";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&info));
    ShellStarted tv;
    ASSERT_TRUE(tv.Find());
    EXPECT_TRUE(WaitForLine("intake 0x20F [\"" + file + "\"] website []"));
    // The intake's dialog for the one file: taken as it is.
    HWND sheet = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), tv.pid());
    ASSERT_NE(nullptr, sheet);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tv.Close());
}

TEST_F(ShellIntegration, PreferencesApplyTheIntegrationAtOnce) {
    const std::string arjType = Value(HKEY_CLASSES_ROOT, ".arj");
    ASSERT_NE("<none>", Value(HKEY_CLASSES_ROOT, arjType + "\\shell\\Tolvane"));
    tvd::Process run;
    ASSERT_TRUE(e2e::StartTv(run, program_, "", folder_.path()));
    HWND frame = run.WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
    ASSERT_NE(nullptr, frame);
    ASSERT_TRUE(tvd::PostCommand(frame, kCmPreferences));
    HWND sheet = run.WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs());
    ASSERT_NE(nullptr, sheet);
    HWND standards = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] { return (standards = tvd::CurrentPropertyPage(sheet)) != nullptr; }, tvd::WaitCeilingMs()));
    // "Integration" follows "Standards" and "External Processes".
    PostMessageA(sheet, PSM_SETCURSEL, 2, 0);
    HWND page = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] { return (page = tvd::CurrentPropertyPage(sheet)) != standards && page; }, tvd::WaitCeilingMs()));
    EXPECT_EQ("Auto-Start Tolvane Plus with Windows", tvd::ControlText(page, 101));
    EXPECT_TRUE(tvd::IsButtonChecked(page, 101));
    EXPECT_TRUE(tvd::IsButtonChecked(page, 102));
    EXPECT_TRUE(tvd::IsButtonChecked(page, 110));  // no browser found: ask
    ASSERT_TRUE(tvd::SetButtonChecked(page, 101, false));
    ASSERT_TRUE(tvd::SetButtonChecked(page, 102, false));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    // Applied while the program still runs.
    EXPECT_TRUE(tvd::WaitUntil([&] { return Value(HKEY_CLASSES_ROOT, arjType + "\\shell\\Tolvane") == "<none>"; },
                               tvd::WaitCeilingMs()));
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, kRunKey, "Tolvane"));
    EXPECT_EQ(arjType, Value(HKEY_CLASSES_ROOT, ".arj"));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(frame, tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(0u, code);
    // The save applies the same again.
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, kRunKey, "Tolvane"));
    EXPECT_EQ("<none>", Value(HKEY_CLASSES_ROOT, arjType + "\\shell\\Tolvane"));
}

TEST_F(ShellIntegration, BrowserCommandsAskForTheBrowserAndLaunchIt) {
    tvd::Process run;
    ASSERT_TRUE(e2e::StartTv(run, program_, "", folder_.path()));
    HWND frame = run.WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
    ASSERT_NE(nullptr, frame);
    const std::string out = files_ + "\\launched.txt";
    // Browser: no browser was found, so the program asks; "Other" with "Use always" keeps asking.
    ASSERT_TRUE(tvd::PostCommand(frame, kCmBrowser));
    HWND dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), run.pid());
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(tvd::SetButtonChecked(dialog, 101, false));
    ASSERT_TRUE(tvd::SetButtonChecked(dialog, 104, true));
    ASSERT_TRUE(tvd::SetControlText(dialog, 105, "C:\\windows\\system32\\cmd.exe /c echo %1>\"" + out + "\""));
    ASSERT_TRUE(tvd::PressButton(dialog, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    std::string bytes;
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(out, &bytes) && !bytes.empty(); }, tvd::WaitCeilingMs()));
    DeleteFileA(out.c_str());
    // The web site: asked again, the other browser preset, launched with the address.
    ASSERT_TRUE(tvd::PostCommand(frame, kCmWebsite));
    dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), run.pid());
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(tvd::IsButtonChecked(dialog, 104));
    ASSERT_TRUE(tvd::PressButton(dialog, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(out, &bytes) && bytes.size() > 5; }, tvd::WaitCeilingMs()));
    EXPECT_EQ(0u, bytes.find("http://www.veltra.com/tolvane/")) << bytes;
    // Cancelled: no message.
    ASSERT_TRUE(tvd::PostCommand(frame, kCmBrowser));
    dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), run.pid());
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(tvd::PressButton(dialog, IDCANCEL));
    ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::SyncWith(frame));
    EXPECT_EQ(nullptr, tvd::FindTopWindow({tvd::kMessageBoxClass, "Tolvane Plus", run.pid(), false}));
    DWORD code = 1;
    ASSERT_TRUE(run.CloseAndWait(frame, tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(0u, code);
}

}  // namespace
