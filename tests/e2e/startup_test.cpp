// Start and close of the real program.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"

namespace {

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(tvd::JoinPath(folder, "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(fd.cFileName, ".") != 0 && strcmp(fd.cFileName, "..") != 0) names.push_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return names;
}

TEST(Startup, FrameWindowOpensInAnEmptyProgramFolderAndClosingEndsWithCode0) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    // The program's own files and no data.
    const std::vector<std::string> installed = FolderNames(tv.folder().path());
    EXPECT_NE(std::find(installed.begin(), installed.end(), "tv.exe"), installed.end());
    EXPECT_EQ(std::find(installed.begin(), installed.end(), "tv.cfg"), installed.end());
    // No frame window of an earlier test is left in the session.
    ASSERT_EQ(tvd::FindTopWindow({e2e::kFrameClass, "", 0, false}), nullptr);

    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame) << "no frame window; the program "
                       << (tv.process().Running() ? "still runs" : "ended");

    const tvd::WindowInfo info = tvd::DescribeWindow(frame);
    EXPECT_EQ(info.className, "TolvaneFrameWindow");
    EXPECT_EQ(info.caption, "Tolvane Plus");
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.owner, nullptr);
    EXPECT_GT(info.rect.right - info.rect.left, 0);
    EXPECT_GT(info.rect.bottom - info.rect.top, 0);
    // Exactly one frame window in the whole session.
    int frames = 0;
    for (const tvd::WindowInfo& w : tvd::ListWindows())
        if (w.className == e2e::kFrameClass) ++frames;
    EXPECT_EQ(frames, 1);

    DWORD code = 0xFFFFFFFF;
    ASSERT_TRUE(tv.Close(&code)) << "the program did not end after WM_CLOSE and was killed";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_TRUE(tv.process().Windows().empty());
}

}  // namespace
