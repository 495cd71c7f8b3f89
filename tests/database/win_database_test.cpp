// The database file on disk under Windows: first run, load and save, atomic replacement, damaged
// and unreadable files, window placement, storage folders and registry detection.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/driver/tvdriver.h"
#include "database/body.h"
#include "database/win_database.h"
#include "database/win_integration.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Throwaway folders go with the driver's remover (refuses roots, never enters linked folders).
using tvd::RemoveTree;

// A fresh program folder per test.
class DatabaseFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "tvdbtest" + std::to_string(GetCurrentProcessId()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        cfg_ = folder_ + "\\tv.cfg";
    }
    void TearDown() override { RemoveTree(folder_); }

    void Prepare(TProgramData* d) { d->SetProgramFolder(folder_.c_str()); }

    std::string folder_, cfg_;
};

TEST_F(DatabaseFiles, FirstRunStartsFromDefaultsAndSavesThem) {
    TProgramData d;
    Prepare(&d);
    EXPECT_TRUE(LoadDatabase(&d, nullptr, cfg_.c_str()));
    EXPECT_TRUE(d.startedFromDefaults);
    EXPECT_EQ(d.categories.Count(1), 6u);
    EXPECT_EQ(d.standards.downloadsLocation, folder_ + "\\download\\");
    EXPECT_TRUE(IsFolder(folder_ + "\\download\\Standard"));
    EXPECT_TRUE(IsFolder(folder_ + "\\shortcuts\\Standard"));
    EXPECT_FALSE(Exists(folder_ + "\\Standard"));  // bookmark categories have no folder

    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    const std::string saved = ReadAll(cfg_);
    EXPECT_EQ(saved.substr(0, 15), "TV250000CFGFILE");
    EXPECT_FALSE(Exists(cfg_ + ".tmp"));

    TProgramData again;
    Prepare(&again);
    EXPECT_FALSE(LoadDatabase(&again, nullptr, cfg_.c_str()));
    EXPECT_FALSE(again.bodyDamaged);
    EXPECT_EQ(again.categories.Count(1), 6u);
    ASSERT_TRUE(SaveDatabase(&again, nullptr, cfg_.c_str()));
    EXPECT_EQ(ReadAll(cfg_), saved);
}

TEST_F(DatabaseFiles, FailedSaveLeavesTheOldFile) {
    TProgramData d;
    Prepare(&d);
    LoadDatabase(&d, nullptr, cfg_.c_str());
    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    const std::string old = ReadAll(cfg_);
    d.findWindowOption = 0;  // a change that would show in the file

    // The new file cannot be created.
    ASSERT_TRUE(CreateDirectoryA((cfg_ + ".tmp").c_str(), nullptr));
    EXPECT_FALSE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    EXPECT_EQ(ReadAll(cfg_), old);
    RemoveDirectoryA((cfg_ + ".tmp").c_str());

    // The old file cannot be replaced (another program holds it open without sharing).
    HANDLE busy = CreateFileA(cfg_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    CloseHandle(busy);
    EXPECT_EQ(ReadAll(cfg_), old);
    EXPECT_FALSE(Exists(cfg_ + ".tmp"));

    // A read-only old file is replaced.
    SetFileAttributesA(cfg_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    EXPECT_NE(ReadAll(cfg_), old);
    EXPECT_EQ(GetFileAttributesA(cfg_.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
}

TEST_F(DatabaseFiles, DamagedFileIsLoadedAsFarAsItGoesAndKept) {
    TProgramData d;
    Prepare(&d);
    LoadDatabase(&d, nullptr, cfg_.c_str());
    d.categories.AddCategory("Extra", 1, 0, nullptr);
    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    const std::string good = ReadAll(cfg_);

    // Cut inside the download section: settings and categories survive.
    const std::string cut = good.substr(0, good.size() - 14);
    WriteAll(cfg_, cut);
    TProgramData a;
    Prepare(&a);
    EXPECT_FALSE(LoadDatabase(&a, nullptr, cfg_.c_str()));
    EXPECT_TRUE(a.bodyDamaged);
    EXPECT_EQ(a.categories.Count(1), 7u);
    EXPECT_EQ(ReadAll(cfg_ + ".damaged"), cut);

    // A second damaged file does not overwrite the first copy.
    const std::string longer = good + "junk";
    WriteAll(cfg_, longer);
    TProgramData b;
    Prepare(&b);
    EXPECT_FALSE(LoadDatabase(&b, nullptr, cfg_.c_str()));
    EXPECT_TRUE(b.bodyDamaged);
    EXPECT_EQ(ReadAll(cfg_ + ".damaged"), cut);
    EXPECT_EQ(ReadAll(cfg_ + ".damaged2"), longer);

    // A file that is no database at all: defaults, and the file is kept.
    WriteAll(cfg_, "this is not a database file");
    TProgramData c;
    Prepare(&c);
    EXPECT_TRUE(LoadDatabase(&c, nullptr, cfg_.c_str()));
    EXPECT_EQ(ReadAll(cfg_ + ".damaged3"), "this is not a database file");

    // An empty file or an old version: defaults, nothing worth keeping for the empty one.
    WriteAll(cfg_, "");
    TProgramData e;
    Prepare(&e);
    EXPECT_TRUE(LoadDatabase(&e, nullptr, cfg_.c_str()));
    EXPECT_FALSE(Exists(cfg_ + ".damaged4"));
    WriteAll(cfg_, "TV099999CFGFILE" + good.substr(15));
    TProgramData f;
    Prepare(&f);
    EXPECT_TRUE(LoadDatabase(&f, nullptr, cfg_.c_str()));
    EXPECT_EQ(f.categories.Count(1), 6u);
}

TEST_F(DatabaseFiles, UnreadableFileIsKeptBeforeItIsReplaced) {
    TProgramData d;
    Prepare(&d);
    LoadDatabase(&d, nullptr, cfg_.c_str());
    d.categories.AddCategory("Mine", 1, 0, nullptr);
    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    const std::string original = ReadAll(cfg_);

    HANDLE busy = CreateFileA(cfg_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    TProgramData a;
    Prepare(&a);
    EXPECT_TRUE(LoadDatabase(&a, nullptr, cfg_.c_str()));
    EXPECT_TRUE(a.existingFileUnread);
    CloseHandle(busy);
    ASSERT_TRUE(SaveDatabase(&a, nullptr, cfg_.c_str()));
    EXPECT_EQ(ReadAll(cfg_ + ".unread"), original);
}

TEST_F(DatabaseFiles, StorageLocationWithoutBackslashIsRepairedAndCreated) {
    TProgramData d;
    Prepare(&d);
    LoadDatabase(&d, nullptr, cfg_.c_str());
    const std::string store = folder_ + "\\store\\deep";
    snprintf(d.standards.downloadsLocation, TV_PATH_SIZE, "%s", store.c_str());
    d.categories.AddCategory("Tools", 1, 0, nullptr);
    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg_.c_str()));
    RemoveTree(folder_ + "\\store");

    TProgramData a;
    Prepare(&a);
    LoadDatabase(&a, nullptr, cfg_.c_str());
    EXPECT_EQ(std::string(a.standards.downloadsLocation), store + "\\");
    EXPECT_TRUE(IsFolder(store));
    EXPECT_TRUE(IsFolder(store + "\\Tools"));
    EXPECT_TRUE(IsFolder(store + "\\Standard"));
}

class PlacementWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TvDbPlacementTest";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, "placement", WS_OVERLAPPEDWINDOW, 50, 60, 300, 200, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }
    HWND window_ = nullptr;
};

TEST_F(PlacementWindow, ApplyThenCaptureGivesTheStoredRectangle) {
    MainWindowPlacement p;
    p.left = 40;
    p.top = 30;
    p.width = 500;
    p.height = 400;
    p.flags = MainWindowPlacement::FlagValid;
    EXPECT_FALSE(ApplyMainWindowPlacement(window_, &p));
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 400);

    MoveWindow(window_, 70, 80, 320, 240, FALSE);
    MainWindowPlacement q;
    CaptureMainWindowPlacement(window_, &q);
    EXPECT_EQ(q.flags, uint32_t(MainWindowPlacement::FlagValid));
    EXPECT_EQ(q.left, 70);
    EXPECT_EQ(q.top, 80);
    EXPECT_EQ(q.width, 320);
    EXPECT_EQ(q.height, 240);

    // Without a valid rectangle the window is centred at three quarters of the screen.
    MainWindowPlacement none;
    EXPECT_FALSE(ApplyMainWindowPlacement(window_, &none));
    GetWindowRect(window_, &r);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(r.right - r.left, sw * 3 / 4, 1);
    EXPECT_NEAR(r.bottom - r.top, sh * 3 / 4, 1);
    EXPECT_EQ(r.left, (sw - (r.right - r.left)) / 2);

    // Maximised: the normal rectangle is kept for restoring.
    MainWindowPlacement max = p;
    max.flags = MainWindowPlacement::FlagValid | MainWindowPlacement::FlagMaximised;
    EXPECT_TRUE(ApplyMainWindowPlacement(window_, &max));
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(window_, &wp);
    EXPECT_EQ(wp.rcNormalPosition.left, 40);
    EXPECT_EQ(wp.rcNormalPosition.right, 540);
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    MainWindowPlacement captured;
    CaptureMainWindowPlacement(window_, &captured);
    EXPECT_EQ(captured.flags, uint32_t(MainWindowPlacement::FlagValid | MainWindowPlacement::FlagMaximised));
    EXPECT_EQ(captured.left, 40);
}

TEST_F(PlacementWindow, LoadAppliesAndSaveCapturesThePlacement) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "tvdbplacement" + std::to_string(GetCurrentProcessId());
    RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string cfg = folder + "\\tv.cfg";

    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    LoadDatabase(&d, window_, cfg.c_str());  // first run: centred, three quarters of the screen
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_NEAR(r.right - r.left, GetSystemMetrics(SM_CXSCREEN) * 3 / 4, 1);

    MoveWindow(window_, 33, 44, 555, 333, FALSE);
    ASSERT_TRUE(SaveDatabase(&d, window_, cfg.c_str()));
    MoveWindow(window_, 1, 1, 100, 100, FALSE);

    TProgramData again;
    again.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&again, window_, cfg.c_str()));
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.left, 33);
    EXPECT_EQ(r.top, 44);
    EXPECT_EQ(r.right - r.left, 555);
    EXPECT_EQ(r.bottom - r.top, 333);
    RemoveTree(folder);
}

// Registry values that the detection reads; restored afterwards.
class RegistryValue {
public:
    RegistryValue(HKEY root, const std::string& key, const char* name, const std::string& value)
        : root_(root), key_(key), name_(name ? name : "") {
        HKEY h;
        existed_ = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS;
        if (existed_) {
            char buffer[600] = {};
            DWORD size = sizeof buffer, type = 0;
            hadValue_ = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                        ERROR_SUCCESS;
            old_ = buffer;
            RegCloseKey(h);
        }
        if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
            RegCloseKey(h);
        }
    }
    ~RegistryValue() {
        HKEY h;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return;
        const char* name = name_.empty() ? nullptr : name_.c_str();
        if (hadValue_)
            RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()), DWORD(old_.size() + 1));
        else
            RegDeleteValueA(h, name);
        RegCloseKey(h);
        if (!existed_) RegDeleteKeyA(root_, key_.c_str());
    }

private:
    HKEY root_;
    std::string key_, name_, old_;
    bool existed_ = false, hadValue_ = false;
};

TEST_F(DatabaseFiles, IntegrationDefaultsFromTheRegistry) {
    const std::string nsFolder = folder_ + "\\Netscape";
    CreateDirectoryA(nsFolder.c_str(), nullptr);
    CreateDirectoryA((nsFolder + "\\PROGRAM").c_str(), nullptr);
    WriteAll(nsFolder + "\\PROGRAM\\NETSCAPE.EXE", "MZ");
    {
        // Opera opens web pages; Netscape is found through its install folder.
        RegistryValue htm(HKEY_CLASSES_ROOT, ".HTM", nullptr, "TvTest.Page");
        RegistryValue open(HKEY_CLASSES_ROOT, "TvTest.Page\\shell\\open\\command", nullptr,
                           "\"C:\\Program Files\\Opera\\Opera.exe\" \"%1\"");
        RegistryValue install(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Main", "Install Directory",
                              nsFolder);
        RegistryValue favorites(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                "Favorites", "C:\\Fav");
        RegistryValue bookmarks(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Bookmark List",
                                "File Location", "C:\\ns\\bookmark.htm");
        IntegrationSettings s;
        DetectIntegrationDefaults(&s);
        EXPECT_STREQ(s.operaPath, "\"C:\\Program Files\\Opera\\Opera.exe\" \"%1\"");
        EXPECT_EQ(std::string(s.netscapePath), nsFolder + "\\PROGRAM\\NETSCAPE.EXE");
        EXPECT_STREQ(s.iePath, "");
        EXPECT_EQ(s.browserChoice, 3);  // two browsers found
        EXPECT_EQ(s.operaDownloads, 1u);
        EXPECT_EQ(s.netscapeDownloads, 1u);
        EXPECT_EQ(s.ieDownloads, 0u);
        EXPECT_STREQ(s.ieFavoritesFolder, "C:\\Fav");
        EXPECT_EQ(s.ieFavoritesImport, 1u);
        EXPECT_STREQ(s.netscapeBookmarkFile, "C:\\ns\\bookmark.htm");
        EXPECT_EQ(s.netscapeBookmarkImport, 1u);
        EXPECT_EQ(s.operaHotlistImport, 0u);
        EXPECT_EQ(s.startWithWindows, 1u);
        EXPECT_EQ(s.contextMenuIntegration, 1u);

        // A first run takes them, and the bookmark settings follow them.
        TProgramData d;
        Prepare(&d);
        LoadDatabase(&d, nullptr, cfg_.c_str());
        EXPECT_STREQ(d.integration.ieFavoritesFolder, "C:\\Fav");
        EXPECT_STREQ(d.bookmarkExport.paths[3], "C:\\ns\\bookmark.htm");
        EXPECT_STREQ(d.bookmarkExport.paths[4], "C:\\Fav");
        EXPECT_STREQ(d.bookmarkImport.netscapeBookmarkFile, "C:\\ns\\bookmark.htm");
        EXPECT_STREQ(d.bookmarkImport.favoritesFolder, "C:\\Fav");
    }
    {
        // Only Internet Explorer: it becomes the browser choice.
        RegistryValue htm(HKEY_CLASSES_ROOT, ".HTM", nullptr, "TvTest.Page");
        RegistryValue open(HKEY_CLASSES_ROOT, "TvTest.Page\\shell\\open\\command", nullptr,
                           "C:\\PROGRA~1\\IE\\iexplore.exe -nohome");
        RegistryValue install(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Main", "Install Directory",
                              folder_ + "\\nowhere");
        IntegrationSettings s;
        DetectIntegrationDefaults(&s);
        EXPECT_STREQ(s.iePath, "C:\\PROGRA~1\\IE\\iexplore.exe -nohome");
        EXPECT_STREQ(s.netscapePath, "");
        EXPECT_EQ(s.browserChoice, 0);
        EXPECT_EQ(s.ieDownloads, 1u);
    }
}

}  // namespace
