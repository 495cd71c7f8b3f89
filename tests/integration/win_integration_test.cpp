// The integration on Wine's real registry, file system and shell: applying, undoing, the plug-in
// folders, the browser launch and the integration dialogs.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "database/settings.h"
#include "integration/apply.h"
#include "integration/integration_ids.h"
#include "integration/win_browser.h"
#include "integration/win_pages.h"
#include "integration/win_system.h"
#include "tests/driver/tvdriver.h"
#include "util/text.h"
#include "util/win_classes.h"

namespace {

// ---- registry helpers -------------------------------------------------------------------------

bool ReadValue(HKEY root, const std::string& key, const char* value, std::string* data) {
    char text[1024] = {};
    DWORD size = sizeof text - 1, type = 0;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    const bool ok = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
    RegCloseKey(handle);
    if (ok && data) *data = text;
    return ok;
}
std::string Value(HKEY root, const std::string& key, const char* value = nullptr) {
    std::string data;
    return ReadValue(root, key, value, &data) ? data : "<none>";
}
bool KeyThere(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}
void SetValue(HKEY root, const std::string& key, const char* value, const std::string& data) {
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    RegSetValueExA(handle, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
    RegCloseKey(handle);
}
void DeleteValue(HKEY root, const std::string& key, const char* value) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
    RegDeleteValueA(handle, value);
    RegCloseKey(handle);
}
void DeleteTree(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
    std::vector<std::string> subkeys;
    char name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(handle);
    for (const std::string& sub : subkeys) DeleteTree(root, key + "\\" + sub);
    RegDeleteKeyA(root, key.c_str());
}

// Puts back, at the end of a test, the values it names as they were before.
class ValueGuard {
public:
    void Keep(HKEY root, const std::string& key, const char* value) {
        Saved s{root, key, value ? value : "", false, ""};
        s.existed = ReadValue(root, key, value, &s.data);
        saved_.push_back(s);
    }
    ~ValueGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            const char* name = it->value.empty() ? nullptr : it->value.c_str();
            if (it->existed)
                SetValue(it->root, it->key, name, it->data);
            else
                DeleteValue(it->root, it->key, name);
        }
    }

private:
    struct Saved {
        HKEY root;
        std::string key, value;
        bool existed;
        std::string data;
    };
    std::vector<Saved> saved_;
};

// ---- the test world ---------------------------------------------------------------------------

// A throwaway folder with a program folder whose path has blanks (holding the two plug-ins) and
// a fake Netscape; the registry values the integration writes are put back afterwards.
class WinIntegration : public ::testing::Test {
protected:
    void SetUp() override {
        // The dialogs name the program's dialog class.
        static const bool classes = [] {
            INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
            InitCommonControlsEx(&icc);
            return RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
        }();
        ASSERT_TRUE(classes);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tv integration " + std::to_string(GetCurrentProcessId());
        tvd::RemoveTree(root_);
        programFolder_ = root_ + "\\Program Files\\Tolvane Plus";
        ASSERT_TRUE(tvd::MakeFolders(programFolder_));
        program_ = programFolder_ + "\\tv.exe";
        ASSERT_TRUE(tvd::WriteWholeFile(programFolder_ + "\\NPTV1.DLL", "plug-in one"));
        ASSERT_TRUE(tvd::WriteWholeFile(programFolder_ + "\\NPTV2.DLL", "plug-in two"));
        for (const char* v : {kRegProgramPath, kRegIePluginPath, kRegNetscapePluginPath, kRegOperaPluginPath})
            guard_.Keep(HKEY_CURRENT_USER, kRegTolvaneKey, v);
        guard_.Keep(HKEY_CURRENT_USER, kRegRunKey, kRegRunValue);
        guard_.Keep(HKEY_CLASSES_ROOT, ".zip", nullptr);
        netscapeWasThere_ = KeyThere(HKEY_CURRENT_USER, "Software\\Netscape");
    }
    void TearDown() override {
        DeleteTree(HKEY_CLASSES_ROOT, kTestZipType);
        if (!netscapeWasThere_) DeleteTree(HKEY_CURRENT_USER, "Software\\Netscape");
        tvd::RemoveTree(root_);
    }
    // Settings with every optional part off.
    static IntegrationSettings Plain() {
        IntegrationSettings s;
        s.startWithWindows = 0;
        s.contextMenuIntegration = 0;
        return s;
    }
    void Apply(const IntegrationSettings& s, uint32_t viewer) { ApplyIntegrationToSystem(s, viewer, program_.c_str()); }
    // A fake browser program at root\folder\name.
    std::string Browser(const std::string& folder, const char* name) {
        EXPECT_TRUE(tvd::MakeFolders(root_ + "\\" + folder));
        const std::string path = root_ + "\\" + folder + "\\" + name;
        EXPECT_TRUE(tvd::WriteWholeFile(path, "browser"));
        return path;
    }
    // A ZIP type of the user's own, with an open command and an icon.
    void UserZipType() {
        SetValue(HKEY_CLASSES_ROOT, ".zip", nullptr, kTestZipType);
        SetValue(HKEY_CLASSES_ROOT, kTestZipType, nullptr, "Test Archive");
        SetValue(HKEY_CLASSES_ROOT, std::string(kTestZipType) + "\\shell\\open\\command", nullptr, kUserCommand);
        SetValue(HKEY_CLASSES_ROOT, std::string(kTestZipType) + "\\DefaultIcon", nullptr, kUserIcon);
    }
    std::string Quoted() const { return "\"" + program_ + "\""; }

    static constexpr const char* kTestZipType = "TvTestZipArchive";
    static constexpr const char* kUserCommand = "\"C:\\Tools\\unzip.exe\" \"%1\"";
    static constexpr const char* kUserIcon = "C:\\Tools\\unzip.exe,2";
    std::string root_, programFolder_, program_;
    ValueGuard guard_;
    bool netscapeWasThere_ = false;
};

TEST_F(WinIntegration, ApplyingTwiceCopiesNothingNewAndKeepsTheBackup) {
    UserZipType();
    IntegrationSettings s = Plain();
    s.netscapeDownloads = 1;
    CopyLimited(s.netscapePath, Browser("Netscape\\Program", "netscape.exe").c_str(), TV_PATH_SIZE);
    Apply(s, 1);
    const std::string plugins = root_ + "\\Netscape\\Program\\plugins\\";
    std::string bytes;
    ASSERT_TRUE(tvd::ReadWholeFile(plugins + "NPTV1.DLL", &bytes));
    EXPECT_EQ("plug-in one", bytes);
    ASSERT_TRUE(tvd::ReadWholeFile(plugins + "NPTV2.DLL", &bytes));
    EXPECT_EQ("plug-in two", bytes);
    const std::string command = std::string(kTestZipType) + "\\shell\\open\\command";
    EXPECT_EQ(Quoted() + " \"%1\" /iv", Value(HKEY_CLASSES_ROOT, command));
    EXPECT_EQ(kUserCommand, Value(HKEY_CLASSES_ROOT, command, "~command"));

    // An installed plug-in is never overwritten, a missing one is copied again.
    ASSERT_TRUE(tvd::WriteWholeFile(plugins + "NPTV1.DLL", "the browser's copy"));
    ASSERT_TRUE(DeleteFileA((plugins + "NPTV2.DLL").c_str()));
    Apply(s, 1);
    ASSERT_TRUE(tvd::ReadWholeFile(plugins + "NPTV1.DLL", &bytes));
    EXPECT_EQ("the browser's copy", bytes);
    EXPECT_TRUE(tvd::FileExists(plugins + "NPTV2.DLL"));
    EXPECT_EQ(Quoted() + " \"%1\" /iv", Value(HKEY_CLASSES_ROOT, command));
    EXPECT_EQ(kUserCommand, Value(HKEY_CLASSES_ROOT, command, "~command"));
    EXPECT_EQ(kUserIcon, Value(HKEY_CLASSES_ROOT, std::string(kTestZipType) + "\\DefaultIcon", "~DefaultIcon"));
    EXPECT_EQ(plugins, Value(HKEY_CURRENT_USER, kRegTolvaneKey, kRegNetscapePluginPath));
    EXPECT_EQ(program_, Value(HKEY_CURRENT_USER, kRegTolvaneKey, kRegProgramPath));
}

TEST_F(WinIntegration, ViewerOffRestoresCommandAndIconAndRemovesTheBackups) {
    UserZipType();
    const std::string command = std::string(kTestZipType) + "\\shell\\open\\command";
    const std::string icon = std::string(kTestZipType) + "\\DefaultIcon";
    Apply(Plain(), 1);
    EXPECT_EQ(program_ + ",1", Value(HKEY_CLASSES_ROOT, icon));
    Apply(Plain(), 0);
    EXPECT_EQ(kUserCommand, Value(HKEY_CLASSES_ROOT, command));
    EXPECT_EQ(kUserIcon, Value(HKEY_CLASSES_ROOT, icon));
    EXPECT_EQ("<none>", Value(HKEY_CLASSES_ROOT, command, "~command"));
    EXPECT_EQ("<none>", Value(HKEY_CLASSES_ROOT, icon, "~DefaultIcon"));
}

TEST_F(WinIntegration, PluginsMoveWithTheBrowserAndGoWhenItIsTurnedOff) {
    IntegrationSettings s = Plain();
    s.netscapeDownloads = 1;
    CopyLimited(s.netscapePath, Browser("Netscape\\Program", "netscape.exe").c_str(), TV_PATH_SIZE);
    Apply(s, 0);
    const std::string oldPlugins = root_ + "\\Netscape\\Program\\plugins\\";
    ASSERT_TRUE(tvd::FileExists(oldPlugins + "NPTV1.DLL"));

    CopyLimited(s.netscapePath, Browser("Communicator 4\\Program", "netscape.exe").c_str(), TV_PATH_SIZE);
    Apply(s, 0);
    const std::string newPlugins = root_ + "\\Communicator 4\\Program\\plugins\\";
    EXPECT_TRUE(tvd::FileExists(newPlugins + "NPTV1.DLL"));
    EXPECT_TRUE(tvd::FileExists(newPlugins + "NPTV2.DLL"));
    EXPECT_FALSE(tvd::FileExists(oldPlugins + "NPTV1.DLL"));
    EXPECT_FALSE(tvd::FileExists(oldPlugins + "NPTV2.DLL"));
    EXPECT_EQ(newPlugins, Value(HKEY_CURRENT_USER, kRegTolvaneKey, kRegNetscapePluginPath));

    // Opera on, then off: both files and the value go.
    s.operaDownloads = 1;
    CopyLimited(s.operaPath, ("\"" + Browser("Opera", "opera.exe") + "\" %1").c_str(), TV_PATH_SIZE);
    Apply(s, 0);
    EXPECT_TRUE(tvd::FileExists(root_ + "\\Opera\\plugins\\NPTV2.DLL"));
    s.operaDownloads = 0;
    Apply(s, 0);
    EXPECT_FALSE(tvd::FileExists(root_ + "\\Opera\\plugins\\NPTV1.DLL"));
    EXPECT_FALSE(tvd::FileExists(root_ + "\\Opera\\plugins\\NPTV2.DLL"));
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, kRegTolvaneKey, kRegOperaPluginPath));
    EXPECT_TRUE(tvd::FileExists(root_ + "\\Opera\\opera.exe"));
}

TEST_F(WinIntegration, ContextVerbOnAndOffOverEveryFileType) {
    // ".lzh" without any type gets the program's own one.
    guard_.Keep(HKEY_CLASSES_ROOT, ".lzh", nullptr);
    DeleteValue(HKEY_CLASSES_ROOT, ".lzh", nullptr);
    IntegrationSettings s = Plain();
    s.contextMenuIntegration = 1;
    Apply(s, 0);
    const std::string lzhType = Value(HKEY_CLASSES_ROOT, ".lzh");
    EXPECT_EQ("lzhfile", lzhType);
    EXPECT_EQ("Tolvane", Value(HKEY_CLASSES_ROOT, "lzhfile"));
    EXPECT_EQ("Import in Tolvane Plus", Value(HKEY_CLASSES_ROOT, "lzhfile\\shell\\Tolvane"));
    EXPECT_EQ(Quoted() + " \"%1\" /import", Value(HKEY_CLASSES_ROOT, "lzhfile\\shell\\Tolvane\\command"));
    const char* extensions[] = {".arj", ".dll", ".exe", ".gtar", ".gz", ".gzip", ".lha", ".lhz", ".lzh",
                                ".sh",  ".shar", ".sit", ".tar", ".taz", ".tcl", ".tgz", ".z",   ".zip"};
    std::vector<std::string> types;
    for (const char* e : extensions) {
        types.push_back(Value(HKEY_CLASSES_ROOT, e));
        EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, types.back() + "\\shell\\Tolvane\\command")) << e;
    }
    s.contextMenuIntegration = 0;
    Apply(s, 0);
    for (size_t i = 0; i < types.size(); ++i) {
        EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, types[i] + "\\shell\\Tolvane")) << extensions[i];
        EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, types[i])) << extensions[i];
        EXPECT_EQ(types[i], Value(HKEY_CLASSES_ROOT, extensions[i])) << extensions[i];
    }
}

TEST_F(WinIntegration, RunValueWrittenQuotedAndDeleted) {
    IntegrationSettings s = Plain();
    s.startWithWindows = 1;
    Apply(s, 0);
    EXPECT_EQ(Quoted() + " /tray", Value(HKEY_CURRENT_USER, kRegRunKey, kRegRunValue));
    s.startWithWindows = 0;
    Apply(s, 0);
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, kRegRunKey, kRegRunValue));
}

TEST_F(WinIntegration, NetscapeViewerTypesAreNumberedIntoTheGaps) {
    const std::string viewers = kRegNetscapeViewers;
    SetValue(HKEY_CURRENT_USER, viewers, "TYPE0", "text/html");
    SetValue(HKEY_CURRENT_USER, viewers, "TYPE2", "application/zip");
    // A TYPE value that is no string counts as a gap.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, viewers.c_str(), 0, KEY_ALL_ACCESS, &key));
    const DWORD number = 7;
    RegSetValueExA(key, "TYPE4", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    SetValue(HKEY_CURRENT_USER, viewers, "TYPE5", "image/gif");
    RegCloseKey(key);
    IntegrationSettings s = Plain();
    s.netscapeDownloads = 1;
    Apply(s, 0);
    EXPECT_EQ("Yes", Value(HKEY_CURRENT_USER, kRegTrustedApplications, program_.c_str()));
    EXPECT_EQ(Quoted() + " \"%1\" /import", Value(HKEY_CURRENT_USER, viewers, "application/octet stream"));
    EXPECT_EQ("application/arj", Value(HKEY_CURRENT_USER, viewers, "TYPE4"));
    EXPECT_EQ("application/exe", Value(HKEY_CURRENT_USER, viewers, "TYPE3"));
    EXPECT_EQ("application/gzip", Value(HKEY_CURRENT_USER, viewers, "TYPE1"));
    EXPECT_EQ("application/mac-binhex40", Value(HKEY_CURRENT_USER, viewers, "TYPE6"));
    EXPECT_EQ("application/zip", Value(HKEY_CURRENT_USER, viewers, "TYPE2"));
    s.netscapeDownloads = 0;
    Apply(s, 0);
    EXPECT_EQ("<none>", Value(HKEY_CURRENT_USER, kRegTrustedApplications, program_.c_str()));
    EXPECT_EQ("browser-handle-promptuser", Value(HKEY_CURRENT_USER, viewers, "application/zip"));
    EXPECT_EQ("application/arj", Value(HKEY_CURRENT_USER, viewers, "TYPE4"));
}

// The pixels of an icon at 32 x 32, for comparing two icons.
std::vector<uint32_t> IconPixels(HICON icon) {
    std::vector<uint32_t> pixels(32 * 32);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 32, 32};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    GdiFlush();
    memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(WinIntegration, InterchangeFilesShowTheIconWithResourceId33) {
    // The real program, in the folder with blanks.
    ASSERT_TRUE(CopyFileA(tvd::WinPath(TV_EXE_PATH).c_str(), program_.c_str(), FALSE));
    Apply(Plain(), 0);
    EXPECT_EQ(program_ + ",-33", Value(HKEY_CLASSES_ROOT, "tvifile\\DefaultIcon"));
    EXPECT_EQ(Quoted() + " \"%1\" /interchangefile", Value(HKEY_CLASSES_ROOT, "tvifile\\shell\\open\\command"));
    EXPECT_EQ("Tolvane Plus Interchange File", Value(HKEY_CLASSES_ROOT, "tvifile"));
    const std::string file = root_ + "\\backup.tvi";
    ASSERT_TRUE(tvd::WriteWholeFile(file, "TV240000INTERCHANGEFILE"));

    HMODULE module = LoadLibraryExA(program_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    HICON wanted = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(33), IMAGE_ICON, 32, 32, 0));
    HICON program = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(nullptr, wanted);
    ASSERT_NE(nullptr, program);
    SHFILEINFOA info = {};
    ASSERT_NE(0u, SHGetFileInfoA(file.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON | SHGFI_TYPENAME));
    ASSERT_NE(nullptr, info.hIcon);
    EXPECT_STREQ("Tolvane Plus Interchange File", info.szTypeName);
    const std::vector<uint32_t> shown = IconPixels(info.hIcon);
    EXPECT_EQ(IconPixels(wanted), shown);
    EXPECT_NE(IconPixels(program), shown);
    DestroyIcon(info.hIcon);
    DestroyIcon(wanted);
    DestroyIcon(program);
    FreeLibrary(module);
}

TEST_F(WinIntegration, AnEmptyProgramPathChangesNothing) {
    SetValue(HKEY_CURRENT_USER, kRegRunKey, kRegRunValue, "before");
    IntegrationSettings s = Plain();
    ApplyIntegrationToSystem(s, 1, "");
    EXPECT_EQ("before", Value(HKEY_CURRENT_USER, kRegRunKey, kRegRunValue));
}

// ---- browser launch and dialogs ---------------------------------------------------------------

// Runs `drive` on a thread of its own while the calling thread shows a modal dialog.
class Driver {
public:
    explicit Driver(std::function<void()> drive) : thread_(std::move(drive)) {}
    ~Driver() { thread_.join(); }

private:
    std::thread thread_;
};

TEST_F(WinIntegration, LaunchStartsTheChosenBrowserWithTheUrl) {
    const std::string out = root_ + "\\launched.txt";
    IntegrationSettings s = Plain();
    s.browserChoice = TV_BROWSER_OPERA;
    CopyLimited(s.operaPath, ("C:\\windows\\system32\\cmd.exe /c echo %1>\"" + out + "\"").c_str(), TV_PATH_SIZE);
    EXPECT_GT(LaunchBrowser(nullptr, &s, "http://www.example.com/a/b.html"), 32);
    std::string bytes;
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(out, &bytes) && bytes.size() > 5; }, tvd::WaitCeilingMs()));
    EXPECT_EQ(0u, bytes.find("http://www.example.com/a/b.html")) << bytes;

    // Nothing set for the chosen browser: nothing to start.
    s.browserChoice = TV_BROWSER_IE;
    EXPECT_EQ(TV_LAUNCH_NO_BROWSER, LaunchBrowser(nullptr, &s, "http://a/"));
    EXPECT_TRUE(BrowserLaunchFailed(TV_LAUNCH_NO_BROWSER));
    // A program that does not exist: the shell's failure.
    CopyLimited(s.iePath, (root_ + "\\missing\\iexplore.exe").c_str(), TV_PATH_SIZE);
    const int missing = LaunchBrowser(nullptr, &s, "http://a/");
    EXPECT_LE(missing, 32);
    EXPECT_TRUE(BrowserLaunchFailed(missing));
}

TEST_F(WinIntegration, SelectionDialogAsksAndRemembersTheAnswer) {
    IntegrationSettings s = Plain();
    s.browserChoice = TV_BROWSER_PROMPT;
    s.lastSelectedBrowser = TV_BROWSER_NETSCAPE;
    CopyLimited(s.otherBrowserPath, "C:\\old\\browser.exe", TV_PATH_SIZE);
    // Cancelled: nothing is started and nothing is reported.
    std::atomic<bool> preset{false};
    {
        Driver driver([&] {
            HWND dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), GetCurrentProcessId());
            if (!dialog) return;
            preset = tvd::IsButtonChecked(dialog, IDC_SELECT_NN) &&
                     tvd::ControlText(dialog, IDC_SELECT_OTHER_PATH) == "C:\\old\\browser.exe";
            tvd::PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(TV_LAUNCH_CANCELLED, LaunchBrowser(nullptr, &s, "http://a/"));
        EXPECT_FALSE(BrowserLaunchFailed(TV_LAUNCH_CANCELLED));
    }
    EXPECT_TRUE(preset);  // preset from the last answer and the other browser's path
    EXPECT_EQ(TV_BROWSER_PROMPT, s.browserChoice);
    // Other, with "Use always this browser": remembered as last choice, but still asked next time.
    const std::string out = root_ + "\\other.txt";
    const std::string other = "C:\\windows\\system32\\cmd.exe /c echo %1>\"" + out + "\"";
    {
        Driver driver([&] {
            HWND dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), GetCurrentProcessId());
            if (!dialog) return;
            tvd::ClickButton(dialog, IDC_SELECT_OTHER);
            tvd::SetControlText(dialog, IDC_SELECT_OTHER_PATH, other);
            tvd::ClickButton(dialog, IDC_SELECT_ALWAYS);
            tvd::WaitUntil([&] { return tvd::IsButtonChecked(dialog, IDC_SELECT_ALWAYS); }, tvd::WaitCeilingMs());
            tvd::PressButton(dialog, IDOK);
        });
        EXPECT_GT(LaunchBrowser(nullptr, &s, "http://other/"), 32);
    }
    std::string bytes;
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(out, &bytes) && bytes.size() > 5; }, tvd::WaitCeilingMs()));
    EXPECT_EQ(0u, bytes.find("http://other/")) << bytes;
    EXPECT_EQ(TV_BROWSER_OTHER, s.lastSelectedBrowser);
    EXPECT_EQ(TV_BROWSER_PROMPT, s.browserChoice);
    EXPECT_EQ(other, s.otherBrowserPath);
    // Opera with "always": the choice is kept, and the next launch does not ask.
    {
        Driver driver([&] {
            HWND dialog = tvd::WaitForDialog("Select Browser", tvd::WaitCeilingMs(), GetCurrentProcessId());
            if (!dialog) return;
            tvd::ClickButton(dialog, IDC_SELECT_OPERA);
            tvd::ClickButton(dialog, IDC_SELECT_ALWAYS);
            tvd::WaitUntil([&] { return tvd::IsButtonChecked(dialog, IDC_SELECT_ALWAYS); }, tvd::WaitCeilingMs());
            tvd::PressButton(dialog, IDOK);
        });
        EXPECT_EQ(TV_LAUNCH_NO_BROWSER, LaunchBrowser(nullptr, &s, "http://a/"));  // no Opera path
    }
    EXPECT_EQ(TV_BROWSER_OPERA, s.browserChoice);
    EXPECT_EQ(TV_BROWSER_OPERA, s.lastSelectedBrowser);
    std::atomic<bool> asked{false}, returned{false};
    {
        // The dialog would come before the launch returns: the driver watches until then.
        Driver driver([&] {
            HWND dialog = nullptr;
            tvd::WaitUntil(
                [&] {
                    dialog = tvd::FindTopWindow({tvd::kDialogClass, "Select Browser", GetCurrentProcessId(), false});
                    return dialog != nullptr || returned;
                },
                tvd::WaitCeilingMs());
            if (!dialog) return;
            asked = true;
            tvd::PressButton(dialog, IDCANCEL);
        });
        EXPECT_EQ(TV_LAUNCH_NO_BROWSER, LaunchBrowser(nullptr, &s, "http://a/"));
        returned = true;
    }
    EXPECT_FALSE(asked);
}

TEST_F(WinIntegration, PagesShowAndTakeBackTheSettings) {
    IntegrationSettings s = Plain();
    s.alwaysOnTop = 1;
    s.browserChoice = TV_BROWSER_NETSCAPE;
    CopyLimited(s.netscapePath, "C:\\Netscape\\Program\\netscape.exe", TV_PATH_SIZE);
    CopyLimited(s.netscapeBookmarkFile, "C:\\Netscape\\bookmark.htm", TV_PATH_SIZE);
    s.netscapeBookmarkImport = 1;
    TIntegrationPages pages(s);
    std::vector<PROPSHEETPAGEA> list;
    pages.AddPages(&list, GetModuleHandleA(nullptr));
    ASSERT_EQ(4u, list.size());
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hInstance = GetModuleHandleA(nullptr);
    sheet.pszCaption = "Preferences";
    sheet.nPages = UINT(list.size());
    sheet.ppsp = list.data();
    std::string shownPath, shownFile, pageAfterButton;
    bool shownChoice = false, shownOnTop = false;
    Driver driver([&] {
        HWND box = tvd::WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs(), GetCurrentProcessId());
        if (!box) return;
        HWND page = nullptr;
        tvd::WaitUntil([&] { return (page = tvd::CurrentPropertyPage(box)) != nullptr; }, tvd::WaitCeilingMs());
        shownChoice = tvd::IsButtonChecked(page, IDC_INT_CHOICE_NN);
        shownOnTop = tvd::IsButtonChecked(page, IDC_INT_ON_TOP);
        tvd::ClickButton(page, IDC_INT_AUTOSTART);
        tvd::ClickButton(page, IDC_INT_CHOICE_OPERA);
        tvd::WaitUntil([&] { return tvd::IsButtonChecked(page, IDC_INT_CHOICE_OPERA); }, tvd::WaitCeilingMs());
        // The Netscape button turns to the Netscape page.
        tvd::PressButton(page, IDC_INT_NN_PAGE);
        HWND nn = nullptr;
        tvd::WaitUntil([&] { return (nn = tvd::CurrentPropertyPage(box)) != page && nn; }, tvd::WaitCeilingMs());
        pageAfterButton = tvd::ControlText(nn, IDC_BROWSER_DOWNLOADS);
        shownPath = tvd::ControlText(nn, IDC_BROWSER_PROGRAM);
        shownFile = tvd::ControlText(nn, IDC_BROWSER_FILE);
        tvd::SetControlText(nn, IDC_BROWSER_PROGRAM, "  D:\\Communicator\\netscape.exe ");
        tvd::ClickButton(nn, IDC_BROWSER_DOWNLOADS);
        tvd::WaitUntil([&] { return tvd::IsButtonChecked(nn, IDC_BROWSER_DOWNLOADS); }, tvd::WaitCeilingMs());
        tvd::PressPropertySheetButton(box, PSBTN_OK);
    });
    EXPECT_GT(PropertySheetA(&sheet), 0);
    EXPECT_TRUE(shownChoice);
    EXPECT_TRUE(shownOnTop);
    EXPECT_EQ("Handle downloads in Netscape Navigator/Communicator", pageAfterButton);
    EXPECT_EQ("C:\\Netscape\\Program\\netscape.exe", shownPath);
    EXPECT_EQ("C:\\Netscape\\bookmark.htm", shownFile);
    ASSERT_TRUE(pages.applied());
    const IntegrationSettings& got = pages.settings();
    EXPECT_EQ(1u, got.startWithWindows);
    EXPECT_EQ(1u, got.alwaysOnTop);
    EXPECT_EQ(TV_BROWSER_OPERA, got.browserChoice);
    EXPECT_STREQ("D:\\Communicator\\netscape.exe", got.netscapePath);
    EXPECT_EQ(1u, got.netscapeDownloads);
    EXPECT_EQ(1u, got.netscapeBookmarkImport);
    EXPECT_STREQ("C:\\Netscape\\bookmark.htm", got.netscapeBookmarkFile);
    // Pages never shown keep their fields.
    EXPECT_EQ(0u, got.ieDownloads);
    EXPECT_STREQ("", got.operaPath);
}

}  // namespace
