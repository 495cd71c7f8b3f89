#include <gtest/gtest.h>

#define OEMRESOURCE
#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/driver/tvdriver.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_registry.h"
#include "util/win_ui.h"

namespace {

const char kTestRoot[] = "Software\\TolvaneTest";

// A throwaway key under HKCU\Software\TolvaneTest, deleted with everything below it afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormatLimited(key_, sizeof key_, "%s\\Run%lu", kTestRoot, static_cast<unsigned long>(GetCurrentProcessId()));
        ASSERT_EQ(0, RegistryCreateKey(key_, HKEY_CURRENT_USER, nullptr));
    }
    void TearDown() override {
        DeleteTree(HKEY_CURRENT_USER, kTestRoot);
        EXPECT_EQ(0, RegistryKeyExists(kTestRoot, HKEY_CURRENT_USER, nullptr));
    }
    // Deletes a key and its sub-keys (RegDeleteTree is not on every target system).
    static LONG DeleteTree(HKEY root, const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
        char name[256];
        for (;;) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            char child[1024];
            FormatLimited(child, sizeof child, "%s\\%s", path, name);
            if (DeleteTree(root, child) != ERROR_SUCCESS) break;
        }
        RegCloseKey(key);
        return RegDeleteKeyA(root, path);
    }
    char key_[256];
};

TEST_F(RegistryTest, KeysAndValuesRoundTrip) {
    EXPECT_EQ(1, RegistryKeyExists(key_, HKEY_CURRENT_USER, nullptr));
    EXPECT_EQ(0, RegistryKeyExists("Missing", HKEY_CURRENT_USER, key_));
    // The parent path may or may not end in a backslash.
    std::string parentWithSlash = std::string(key_) + "\\";
    EXPECT_EQ(0, RegistryCreateKey("Sub", HKEY_CURRENT_USER, parentWithSlash.c_str()));
    EXPECT_EQ(1, RegistryKeyExists("Sub", HKEY_CURRENT_USER, key_));
    EXPECT_EQ(1, RegistryKeyExists("Sub", HKEY_CURRENT_USER, parentWithSlash.c_str()));

    const std::string sub = std::string(key_) + "\\Sub";
    EXPECT_EQ(0, RegistryWriteString("C:\\Program Files\\tv.exe", HKEY_CURRENT_USER, sub.c_str(), "Program Path"));
    EXPECT_EQ(0, RegistryWriteString("default", HKEY_CURRENT_USER, sub.c_str(), nullptr));
    char out[TV_REGVALUE_SIZE] = "junk";
    EXPECT_EQ(0, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, sub.c_str(), "Program Path"));
    EXPECT_STREQ("C:\\Program Files\\tv.exe", out);
    EXPECT_EQ(0, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, sub.c_str(), ""));
    EXPECT_STREQ("default", out);

    EXPECT_EQ(0, RegistryDeleteValue("Program Path", HKEY_CURRENT_USER, sub.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, sub.c_str(), "Program Path"));
    EXPECT_STREQ("", out);
    EXPECT_NE(0, RegistryDeleteValue("Program Path", HKEY_CURRENT_USER, sub.c_str()));

    // Writing never creates the key.
    const std::string missing = std::string(key_) + "\\NotThere";
    EXPECT_NE(0, RegistryWriteString("x", HKEY_CURRENT_USER, missing.c_str(), "v"));
    EXPECT_EQ(0, RegistryKeyExists("NotThere", HKEY_CURRENT_USER, key_));
    EXPECT_NE(0, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, missing.c_str(), "v"));

    EXPECT_EQ(0, RegistryEnsureKey(missing.c_str(), HKEY_CURRENT_USER));
    EXPECT_EQ(1, RegistryKeyExists("NotThere", HKEY_CURRENT_USER, key_));
    EXPECT_EQ(0, RegistryEnsureKey(missing.c_str(), HKEY_CURRENT_USER));

    EXPECT_EQ(0, RegistryDeleteKey("Sub", HKEY_CURRENT_USER, key_));
    EXPECT_EQ(0, RegistryKeyExists("Sub", HKEY_CURRENT_USER, key_));
    // An empty sub-key never deletes the parent.
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegistryDeleteKey("", HKEY_CURRENT_USER, missing.c_str()));
    EXPECT_EQ(1, RegistryKeyExists("NotThere", HKEY_CURRENT_USER, key_));
}

TEST_F(RegistryTest, ReadLimits) {
    char out[TV_REGVALUE_SIZE];
    const struct { size_t length; LONG result; } cases[] = {
        {0, 0}, {1, 0}, {498, 0}, {499, 0}, {500, ERROR_MORE_DATA}, {501, ERROR_MORE_DATA}, {2000, ERROR_MORE_DATA},
    };
    for (const auto& c : cases) {
        const std::string value(c.length, 'v');
        ASSERT_EQ(0, RegistryWriteString(value.c_str(), HKEY_CURRENT_USER, key_, "Long"));
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(c.result, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, key_, "Long")) << c.length;
        EXPECT_EQ(c.result == 0 ? value : std::string(), std::string(out)) << c.length;
    }
    // A caller buffer smaller than the value: refused, not cut.
    ASSERT_EQ(0, RegistryWriteString("123456789", HKEY_CURRENT_USER, key_, "Nine"));
    char small[9] = "junk";
    EXPECT_EQ(ERROR_MORE_DATA, RegistryReadString(small, sizeof small, HKEY_CURRENT_USER, key_, "Nine"));
    EXPECT_STREQ("", small);
    char exact[10];
    EXPECT_EQ(0, RegistryReadString(exact, sizeof exact, HKEY_CURRENT_USER, key_, "Nine"));
    EXPECT_STREQ("123456789", exact);

    // Stored without terminator, or not a string at all.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key_, 0, KEY_ALL_ACCESS, &key));
    RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    const DWORD number = 7;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(0, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, key_, "Bare"));
    EXPECT_STREQ("abc", out);
    EXPECT_EQ(ERROR_INVALID_DATA, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, key_, "Number"));
    EXPECT_STREQ("", out);
}

TEST_F(RegistryTest, ReplaceKeepingOldAndRestore) {
    const std::string type = std::string(key_) + "\\zipfile\\shell\\open\\command";
    char out[TV_REGVALUE_SIZE];
    // A value that existed: saved, replaced, given back, backup removed.
    ASSERT_EQ(0, RegistryCreateKey("zipfile\\shell\\open\\command", HKEY_CURRENT_USER, key_));
    ASSERT_EQ(0, RegistryWriteString("other.exe \"%1\"", HKEY_CURRENT_USER, type.c_str(), nullptr));
    EXPECT_EQ(0, RegistryReplaceKeepingOld(HKEY_CURRENT_USER, type.c_str(), nullptr, "~command", "tv.exe /iv \"%1\""));
    RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, type.c_str(), nullptr);
    EXPECT_STREQ("tv.exe /iv \"%1\"", out);
    RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, type.c_str(), "~command");
    EXPECT_STREQ("other.exe \"%1\"", out);
    EXPECT_EQ(0, RegistryRestoreOld(HKEY_CURRENT_USER, type.c_str(), nullptr, "~command"));
    RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, type.c_str(), nullptr);
    EXPECT_STREQ("other.exe \"%1\"", out);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, type.c_str(), "~command"));

    // A key that did not exist is created; the missing value is saved as empty.
    const std::string fresh = std::string(key_) + "\\Fresh";
    EXPECT_EQ(0, RegistryReplaceKeepingOld(HKEY_CURRENT_USER, fresh.c_str(), "Value", "~Value", "new"));
    RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, fresh.c_str(), "~Value");
    EXPECT_STREQ("", out);
    EXPECT_EQ(0, RegistryRestoreOld(HKEY_CURRENT_USER, fresh.c_str(), "Value", "~Value"));
    EXPECT_EQ(0, RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, fresh.c_str(), "Value"));
    EXPECT_STREQ("", out);

    // Empty key path or backup name: nothing happens.
    EXPECT_NE(0, RegistryReplaceKeepingOld(HKEY_CURRENT_USER, fresh.c_str(), "Value", "", "x"));
    EXPECT_NE(0, RegistryReplaceKeepingOld(HKEY_CURRENT_USER, "", "Value", "~Value", "x"));
    RegistryReadString(out, sizeof out, HKEY_CURRENT_USER, fresh.c_str(), "Value");
    EXPECT_STREQ("", out);

    // A current value that cannot be read is not overwritten without its copy.
    const std::string longValue(800, 'L');
    ASSERT_EQ(0, RegistryWriteString(longValue.c_str(), HKEY_CURRENT_USER, fresh.c_str(), "Big"));
    EXPECT_EQ(ERROR_MORE_DATA, RegistryReplaceKeepingOld(HKEY_CURRENT_USER, fresh.c_str(), "Big", "~Big", "x"));
    char big[1000];
    DWORD bytes = sizeof big;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, fresh.c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Big", nullptr, nullptr, reinterpret_cast<BYTE*>(big), &bytes));
    RegCloseKey(key);
    EXPECT_EQ(longValue, std::string(big));
}

// A fresh folder under the temporary folder, removed afterwards.
class FolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[TV_PATH_SIZE];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        FormatLimited(root_, sizeof root_, "%sTvUtil%lu\\", temp, static_cast<unsigned long>(GetCurrentProcessId()));
        RemoveTree(root_);
    }
    void TearDown() override { RemoveTree(root_); }
    static void RemoveTree(const char* folder) {
        char pattern[MAX_PATH];
        FormatLimited(pattern, sizeof pattern, "%s*", folder);
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern, &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
                char child[MAX_PATH];
                FormatLimited(child, sizeof child, "%s%s", folder, data.cFileName);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    AppendLimited(child, "\\", sizeof child);
                    RemoveTree(child);
                } else {
                    DeleteFileA(child);
                }
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        char self[MAX_PATH];
        CopyLimited(self, folder, sizeof self);
        RemoveTrailingBackslash(self);
        RemoveDirectoryA(self);
    }
    std::string Path(const char* relative) const { return std::string(root_) + relative; }
    static void Touch(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
        CloseHandle(file);
    }
    static bool IsFolder(const std::string& path) {
        const DWORD a = GetFileAttributesA(path.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }
    char root_[TV_PATH_SIZE];
};

TEST_F(FolderTest, CreateDirectoryPath) {
    EXPECT_EQ(0u, CreateDirectoryPath(Path("a\\b\\c").c_str()));
    EXPECT_TRUE(IsFolder(Path("a\\b\\c")));
    // Existing folders are no error; forward slashes work as separators.
    EXPECT_EQ(0u, CreateDirectoryPath(Path("a\\b\\c\\").c_str()));
    EXPECT_EQ(0u, CreateDirectoryPath(Path("a/x/y").c_str()));
    EXPECT_TRUE(IsFolder(Path("a\\x\\y")));
    // A file in the way is reported; the levels before it still exist.
    Touch(Path("a\\file"));
    EXPECT_NE(0u, CreateDirectoryPath(Path("a\\file\\sub").c_str()));
    EXPECT_FALSE(IsFolder(Path("a\\file\\sub")));
    // Paths longer than 260 characters are refused without creating anything.
    const std::string tooLong = Path("long\\") + std::string(300, 'n');
    EXPECT_EQ(DWORD(ERROR_FILENAME_EXCED_RANGE), CreateDirectoryPath(tooLong.c_str()));
    EXPECT_FALSE(IsFolder(Path("long")));
    EXPECT_EQ(0u, CreateDirectoryPath(""));
    EXPECT_EQ(0u, CreateDirectoryPath("C:\\"));
}

TEST_F(FolderTest, ExistenceChecks) {
    ASSERT_EQ(0u, CreateDirectoryPath(Path("dir").c_str()));
    Touch(Path("dir\\file.txt"));
    EXPECT_EQ(1, FileExists(Path("dir\\file.txt").c_str()));
    EXPECT_EQ(1, FileExists(Path("DIR\\FILE.TXT").c_str()));
    EXPECT_EQ(0, FileExists(Path("dir\\other.txt").c_str()));
    EXPECT_EQ(0, FileExists(Path("dir\\*.txt").c_str()));
    EXPECT_EQ(0, FileExists(""));
    EXPECT_EQ(1, FolderExists(Path("dir").c_str()));
    EXPECT_EQ(1, FolderExists(Path("dir\\").c_str()));
    EXPECT_EQ(0, FolderExists(Path("nodir").c_str()));
    EXPECT_EQ(0, FolderExists(""));
}

TEST_F(FolderTest, CanonicalLongPathAndCompare) {
    ASSERT_EQ(0u, CreateDirectoryPath(Path("MixedCase\\Inner").c_str()));
    Touch(Path("MixedCase\\Inner\\Report.TXT"));
    char path[TV_PATH_SIZE];
    const std::string lower = "\"" + Path("mixedcase\\x\\..\\inner\\report.txt") + "\"";
    CopyLimited(path, lower.c_str(), sizeof path);
    EXPECT_EQ(1, CanonicalLongPath(path, sizeof path));
    const std::string expected = Path("MixedCase\\Inner\\Report.TXT");
    // The temporary folder itself may be spelled differently by the file system: compare its
    // own part case-insensitively and ours exactly.
    ASSERT_EQ(expected.size(), std::strlen(path));
    const size_t rootLength = std::strlen(root_);
    EXPECT_EQ(1, TextEquals(path, expected.c_str(), 0, int(rootLength)));
    EXPECT_STREQ(expected.c_str() + rootLength, path + rootLength);

    char missing[TV_PATH_SIZE];
    const std::string absent = Path("mixedcase\\nothing.txt");
    CopyLimited(missing, absent.c_str(), sizeof missing);
    EXPECT_EQ(0, CanonicalLongPath(missing, sizeof missing));
    EXPECT_STREQ(absent.c_str(), missing);
    char wild[TV_PATH_SIZE];
    CopyLimited(wild, Path("mixedcase\\*").c_str(), sizeof wild);
    EXPECT_EQ(0, CanonicalLongPath(wild, sizeof wild));
    // A result that does not fit the caller's buffer leaves the path alone.
    char small[12] = "x";
    EXPECT_EQ(0, CanonicalLongPath(small, sizeof small));

    const std::string other = " " + Path("MIXEDCASE\\inner\\..\\Inner\\REPORT.txt") + " ";
    EXPECT_EQ(1, ComparePaths(other.c_str(), expected.c_str(), 1, 1));
    EXPECT_EQ(0, ComparePaths(other.c_str(), expected.c_str(), 1, 0));
    EXPECT_EQ(1, ComparePaths("D:\\elsewhere\\report.txt", expected.c_str(), 0, 0));
}

TEST(WinFiles, ProgramFolder) {
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
    char folder[TV_PATH_SIZE] = "junk";
    ASSERT_EQ(1, ProgramFolder(folder, sizeof folder, 0));
    const size_t length = std::strlen(folder);
    ASSERT_GT(length, 3u);
    EXPECT_EQ('\\', folder[length - 1]);
    EXPECT_EQ(0, std::strncmp(module, folder, length));
    EXPECT_EQ(nullptr, std::strchr(module + length, '\\'));
    char full[TV_PATH_SIZE];
    ASSERT_EQ(1, ProgramFolder(full, sizeof full, 1));
    EXPECT_STREQ(module, full);
    char small[4] = "x";
    EXPECT_EQ(0, ProgramFolder(small, sizeof small, 1));
    EXPECT_STREQ("", small);
}

TEST(WinFiles, FormatFileTimeText) {
    SYSTEMTIME st = {};
    st.wYear = 2026;
    st.wMonth = 12;
    st.wDay = 7;
    st.wHour = 13;
    st.wMinute = 45;
    st.wSecond = 39;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    char date[64], time[64], both[128], seconds[64];
    ASSERT_EQ(1, FormatFileTimeText(date, &ft, sizeof date, TV_FT_DATE, 0));
    ASSERT_EQ(1, FormatFileTimeText(time, &ft, sizeof time, TV_FT_TIME | TV_FT_NOSECONDS, 0));
    ASSERT_EQ(1, FormatFileTimeText(seconds, &ft, sizeof seconds, TV_FT_TIME, 0));
    ASSERT_EQ(1, FormatFileTimeText(both, &ft, sizeof both, 13, 3));
    // Whatever the locale's order, the parts show the year, the minutes and (only when asked) the
    // seconds, and no conversion to local time happens (13 or 1 PM stays).
    EXPECT_NE(nullptr, std::strstr(date, "26")) << date;
    EXPECT_NE(nullptr, std::strstr(time, "45")) << time;
    EXPECT_EQ(nullptr, std::strstr(time, "39")) << time;
    EXPECT_NE(nullptr, std::strstr(seconds, "39")) << seconds;
    EXPECT_TRUE(std::strstr(time, "13") || std::strstr(time, "1:45")) << time;
    EXPECT_EQ(std::string(date) + "   " + time, std::string(both));
    char longDate[128];
    ASSERT_EQ(1, FormatFileTimeText(longDate, &ft, sizeof longDate, TV_FT_DATE | TV_FT_LONGDATE, 0));
    EXPECT_GT(std::strlen(longDate), std::strlen(date));
    // Too small for the whole text: nothing at all.
    char small[8] = "junk";
    EXPECT_EQ(0, FormatFileTimeText(small, &ft, sizeof small, 13, 3));
    EXPECT_STREQ("", small);
    const size_t exact = std::strlen(both) + 1;
    std::string buffer(exact, '#');
    EXPECT_EQ(1, FormatFileTimeText(&buffer[0], &ft, exact, 13, 3));
    EXPECT_EQ(0, FormatFileTimeText(&buffer[0], &ft, exact - 1, 13, 3));
}

TEST(WinUi, MessageTextRing) {
    ClearMessageTexts();
    std::set<const char*> buffers;
    for (int i = 0; i < TV_MESSAGE_RING; ++i) {
        int index = -2;
        const char* text = LoadMessageText(i % 2 ? 4100 : 4000, &index);
        EXPECT_EQ(i, index);
        EXPECT_STREQ(i % 2 ? "Tolvane Plus" : "Downloads", text);
        EXPECT_EQ(text, MessageTextBuffer(index));
        buffers.insert(text);
    }
    EXPECT_EQ(size_t(TV_MESSAGE_RING), buffers.size());
    // A text stays valid until 20 further loads: the first one is still there now...
    EXPECT_STREQ("Downloads", MessageTextBuffer(0));
    // ...and the 21st load reuses its buffer.
    int index = -2;
    const char* wrapped = LoadMessageText(4001, &index);
    EXPECT_EQ(0, index);
    EXPECT_EQ(MessageTextBuffer(0), wrapped);
    EXPECT_STREQ("Bookmarks", wrapped);
    EXPECT_STREQ("Tolvane Plus", MessageTextBuffer(1));

    EXPECT_STREQ("", LoadMessageText(0, &index));
    EXPECT_EQ(-1, index);
    EXPECT_STREQ("", LoadMessageText(65000, &index));  // no such string
    EXPECT_EQ(1, index);
    EXPECT_EQ(nullptr, MessageTextBuffer(TV_MESSAGE_RING));

    ClearMessageTexts();
    for (int i = 0; i < TV_MESSAGE_RING; ++i) EXPECT_STREQ("", MessageTextBuffer(i));
    LoadMessageText(4100, &index);
    EXPECT_EQ(0, index);
}

int g_received = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 5) {
        ++g_received;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(WinUi, PumpMessagesDispatchesAndKeepsQuit) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TvPumpTestWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TvPumpTestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    g_received = 0;
    for (int i = 0; i < 3; ++i) PostMessageA(window, WM_USER + 5, 0, 0);
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(3, g_received);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, window, WM_USER + 5, WM_USER + 5, PM_NOREMOVE));

    PostQuitMessage(7);
    EXPECT_FALSE(PumpMessages());
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);
    DestroyWindow(window);
    PumpMessages();
}

// With a dialog, its keyboard messages are the dialog's: Tab moves the focus to the next control.
TEST(WinUi, PumpMessagesGivesADialogItsKeys) {
    HWND dialog = CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, dialog);
    HWND first = CreateWindowA("BUTTON", "1", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 50, 20, dialog, HMENU(1),
                               GetModuleHandleA(nullptr), nullptr);
    HWND second = CreateWindowA("BUTTON", "2", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 0, 50, 20, dialog, HMENU(2),
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(first && second);
    SetFocus(first);
    ASSERT_EQ(first, GetFocus());
    PostMessageA(first, WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_TRUE(PumpMessages(dialog));
    EXPECT_EQ(second, GetFocus());
    DestroyWindow(dialog);
    PumpMessages();
}

TEST(WinUi, DrawBitmapResource) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 64, 64);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all = {0, 0, 64, 64};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    // A system bitmap stands in for a resource of ours (module null = the system's bitmaps).
    EXPECT_TRUE(DrawBitmapResource(dc, nullptr, MAKEINTRESOURCEA(OBM_CHECKBOXES), 2, 2));
    int changed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (GetPixel(dc, x, y) != RGB(255, 0, 0)) ++changed;
    EXPECT_GT(changed, 0);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 0, 0));
    EXPECT_FALSE(DrawBitmapResource(dc, GetModuleHandleA(nullptr), "NOSUCHBITMAP", 0, 0));
    SelectObject(dc, old);
    DeleteObject(red);
    DeleteObject(target);
    DeleteDC(dc);
}

TEST(WinUi, FileTypeDescriptionAndIcon) {
    // A test type under HKEY_CLASSES_ROOT, removed afterwards.
    ASSERT_EQ(0, RegistryCreateKey(".tvutest", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryCreateKey("TolvaneTest.Document\\DefaultIcon", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryWriteString("TolvaneTest.Document", HKEY_CLASSES_ROOT, ".tvutest", nullptr));
    ASSERT_EQ(0, RegistryWriteString("Tolvane Test Document", HKEY_CLASSES_ROOT, "TolvaneTest.Document", nullptr));
    ASSERT_EQ(0, RegistryWriteString("C:\\windows\\system32\\shell32.dll,3", HKEY_CLASSES_ROOT,
                                     "TolvaneTest.Document\\DefaultIcon", nullptr));
    ASSERT_EQ(0, RegistryCreateKey(".tvunodesc", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryWriteString("TolvaneTest.Nothing", HKEY_CLASSES_ROOT, ".tvunodesc", nullptr));

    const struct { const char* input; const char* description; } cases[] = {
        {".tvutest", "Tolvane Test Document"},
        {"C:\\some\\folder\\letter.TVUTEST", "Tolvane Test Document"},
        {"archive.tvunodesc", "tvunodesc File"},  // the class has no description
        {"x.tvunothere", "tvunothere File"},
        {"C:\\no.ext\\name", "File"},
        {"name.", "File"},
        {"", "File"},
    };
    for (const auto& c : cases) {
        char out[TV_REGVALUE_SIZE] = "junk";
        FileTypeDescription(c.input, out, sizeof out);
        EXPECT_STREQ(c.description, out) << c.input;
    }
    char small[8];
    FileTypeDescription(".tvutest", small, sizeof small);
    EXPECT_STREQ("Tolvane", small);

    char location[TV_REGVALUE_SIZE];
    EXPECT_EQ(1, FileTypeIconLocation("a.tvutest", location, sizeof location));
    EXPECT_STREQ("C:\\windows\\system32\\shell32.dll,3", location);
    EXPECT_EQ(0, FileTypeIconLocation("a.tvunodesc", location, sizeof location));
    EXPECT_STREQ("", location);
    HICON icon = ExtractIconFromLocation("\"C:\\windows\\system32\\shell32.dll\",3");
    EXPECT_NE(nullptr, icon);
    if (icon) DestroyIcon(icon);
    EXPECT_EQ(nullptr, ExtractIconFromLocation("C:\\no\\such\\file.dll,0"));
    EXPECT_EQ(nullptr, ExtractIconFromLocation(""));

    EXPECT_EQ(0, RegistryDeleteKey("TolvaneTest.Document\\DefaultIcon", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey("TolvaneTest.Document", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey(".tvutest", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey(".tvunodesc", HKEY_CLASSES_ROOT, nullptr));
}

TEST(WinUi, OpenFileByTypeUsesTheTypesDefaultVerb) {
    // A type whose only verb is "edit", the default of its "shell" key; its command copies the file
    // beside itself, so the copy shows that the verb ran. Without the default verb the shell would
    // be asked for "open", which this type does not have.
    const char kClass[] = "TolvaneTest.Verb";
    ASSERT_EQ(0, RegistryCreateKey(".tvuverb", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryWriteString(kClass, HKEY_CLASSES_ROOT, ".tvuverb", nullptr));
    ASSERT_EQ(0, RegistryCreateKey("TolvaneTest.Verb\\shell\\edit\\command", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryWriteString("edit", HKEY_CLASSES_ROOT, "TolvaneTest.Verb\\shell", nullptr));
    ASSERT_EQ(0, RegistryWriteString("C:\\windows\\system32\\cmd.exe /c copy \"%1\" \"%1.opened\"", HKEY_CLASSES_ROOT,
                                     "TolvaneTest.Verb\\shell\\edit\\command", nullptr));
    ASSERT_EQ(0, RegistryCreateKey(".tvunoverb", HKEY_CLASSES_ROOT, nullptr));
    ASSERT_EQ(0, RegistryWriteString("TolvaneTest.NoVerb", HKEY_CLASSES_ROOT, ".tvunoverb", nullptr));

    const struct { const char* input; int found; const char* verb; } cases[] = {
        {".tvuverb", 1, "edit"},  {"C:\\a.b\\c.TVUVERB", 1, "edit"}, {"x.tvunoverb", 0, ""},
        {"x.tvunothere", 0, ""}, {"C:\\a.tvuverb\\name", 0, ""},    {"", 0, ""},
    };
    for (const auto& c : cases) {
        char verb[TV_REGVALUE_SIZE] = "junk";
        EXPECT_EQ(c.found, FileTypeDefaultVerb(c.input, verb, sizeof verb)) << c.input;
        EXPECT_STREQ(c.verb, verb) << c.input;
    }

    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string file = std::string(temp) + "tvverb" + std::to_string(GetCurrentProcessId()) + ".tvuverb";
    const std::string copy = file + ".opened";
    ASSERT_TRUE(tvd::WriteWholeFile(file, "data"));
    EXPECT_TRUE(OpenFileByType(nullptr, file.c_str()));
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::FileExists(copy); }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(OpenFileByType(nullptr, (std::string(temp) + "no-such-file.tvuverb").c_str()));
    DeleteFileA(file.c_str());
    DeleteFileA(copy.c_str());

    EXPECT_EQ(0, RegistryDeleteKey("TolvaneTest.Verb\\shell\\edit\\command", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey("TolvaneTest.Verb\\shell\\edit", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey("TolvaneTest.Verb\\shell", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey(kClass, HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey(".tvuverb", HKEY_CLASSES_ROOT, nullptr));
    EXPECT_EQ(0, RegistryDeleteKey(".tvunoverb", HKEY_CLASSES_ROOT, nullptr));
}

}  // namespace
