// tv.exe with its database file: a first run in an empty program folder writes "tv.cfg", a
// second run loads it, and a damaged file does not stop the program from starting.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/driver/tvdriver.h"
#include "database/win_database.h"

namespace {

// Starts the program, waits for its frame window, closes it and waits for the exit code.
// Returns the exit code, or -1 when the window never appeared / the program did not end.
int RunAndClose(const std::string& exe, std::string* caption) {
    tvd::Process program;
    if (!program.Start(exe, "")) return -1;
    HWND frame = program.WaitForWindow("TolvaneFrameWindow", nullptr, tvd::WaitCeilingMs());
    if (!frame) return -1;
    if (caption) *caption = tvd::WindowText(frame);
    DWORD code = 0;
    return program.CloseAndWait(frame, tvd::WaitCeilingMs(), &code) ? int(code) : -1;
}

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

// Throwaway folders go with the driver's remover (refuses roots, never enters linked folders).
using tvd::RemoveTree;

bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ProgramDatabase, FirstRunSecondRunAndDamagedFile) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "tvdbprogram" + std::to_string(GetCurrentProcessId());
    RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = folder + "\\tv.exe";
    ASSERT_TRUE(CopyFileA(tvd::WinPath(TV_EXE).c_str(), exe.c_str(), FALSE));
    const std::string cfg = folder + "\\tv.cfg";

    // First run: the defaults are written.
    std::string caption;
    ASSERT_EQ(RunAndClose(exe, &caption), 0);
    EXPECT_EQ(caption, "Tolvane Plus");
    const std::string first = ReadAll(cfg);
    ASSERT_EQ(first.substr(0, 15), "TV250000CFGFILE");
    EXPECT_TRUE(IsFolder(folder + "\\download\\Standard"));
    EXPECT_TRUE(IsFolder(folder + "\\shortcuts\\Standard"));
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&d, nullptr, cfg.c_str()));
    EXPECT_EQ(d.categories.Count(1), 6u);
    EXPECT_STREQ(d.standards.downloadsLocation, (folder + "\\download\\").c_str());

    // Second run: the file is loaded, not replaced by defaults.
    ASSERT_NE(d.categories.AddCategory("Marker", 2, 0, nullptr), nullptr);
    d.findWindowOption = 0;
    ASSERT_TRUE(SaveDatabase(&d, nullptr, cfg.c_str()));
    const std::string marked = ReadAll(cfg);
    ASSERT_EQ(RunAndClose(exe, nullptr), 0);
    TProgramData e;
    e.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&e, nullptr, cfg.c_str()));
    EXPECT_NE(e.categories.FindCategoryByName("Marker", 2, 0), nullptr);
    EXPECT_EQ(e.findWindowOption, 0u);
    EXPECT_EQ(ReadAll(cfg).size(), marked.size());

    // A damaged file: the program still starts and ends normally, the damaged file is kept and a
    // complete file is written.
    const std::string cut = marked.substr(0, marked.size() / 2);
    {
        HANDLE h = CreateFileA(cfg.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD n = 0;
        WriteFile(h, cut.data(), DWORD(cut.size()), &n, nullptr);
        CloseHandle(h);
    }
    ASSERT_EQ(RunAndClose(exe, nullptr), 0);
    EXPECT_EQ(ReadAll(cfg + ".damaged"), cut);
    TProgramData f;
    f.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&f, nullptr, cfg.c_str()));
    EXPECT_FALSE(f.bodyDamaged);

    RemoveTree(folder);
}

}  // namespace
