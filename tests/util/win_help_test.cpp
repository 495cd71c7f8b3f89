// The help helper opens the help file only when it exists, says so once when it does not, and
// closes the viewer at the end only when it was opened.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/util/box_answerer.h"
#include "util/text.h"
#include "util/win_help.h"

namespace {

struct ViewerCall {
    std::string file;
    UINT command;
    ULONG_PTR data;
};
std::vector<ViewerCall> g_calls;

BOOL RecordingViewer(HWND, const char* file, UINT command, ULONG_PTR data) {
    g_calls.push_back({file ? file : "", command, data});
    return TRUE;
}

class Help : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        FormatLimited(file_, sizeof file_, "%stvhelp%lu.hlp", temp, static_cast<unsigned long>(GetCurrentProcessId()));
        DeleteFileA(file_);
        SetHelpFilePath(file_);
        SetHelpViewer(RecordingViewer);
        g_calls.clear();
    }
    void TearDown() override {
        CloseHelp(nullptr);
        SetHelpViewer(nullptr);
        SetHelpFilePath(nullptr);
        DeleteFileA(file_);
    }
    void CreateHelpFile() {
        HANDLE h = CreateFileA(file_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    char file_[MAX_PATH] = {};
    BoxAnswerer boxes_;
};

TEST_F(Help, MissingFileGivesOneMessageNamingItAndNoViewer) {
    const struct {
        const char* what;
        bool (*call)();
    } calls[] = {
        {"topic", [] { return ShowHelpTopic(nullptr, 270); }},
        {"contents", [] { return ShowHelpContents(nullptr); }},
        {"help on help", [] { return ShowHelpOnHelp(nullptr); }},
    };
    for (const auto& c : calls) {
        SCOPED_TRACE(c.what);
        BoxAnswerer::texts().clear();
        EXPECT_FALSE(c.call());
        ASSERT_EQ(BoxAnswerer::texts().size(), 1u);
        EXPECT_NE(BoxAnswerer::texts()[0].find(file_), std::string::npos) << BoxAnswerer::texts()[0];
    }
    EXPECT_TRUE(g_calls.empty());
    CloseHelp(nullptr);  // nothing was opened: no quit command either
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Help, ExistingFileOpensTheViewerAndQuitsItOnceAtTheEnd) {
    CreateHelpFile();
    EXPECT_TRUE(ShowHelpTopic(nullptr, 560));
    EXPECT_TRUE(ShowHelpContents(nullptr));
    EXPECT_TRUE(BoxAnswerer::texts().empty());
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].file, file_);
    EXPECT_EQ(g_calls[0].command, UINT(HELP_CONTEXT));
    EXPECT_EQ(g_calls[0].data, ULONG_PTR(560));
    EXPECT_EQ(g_calls[1].command, UINT(HELP_FINDER));
    CloseHelp(nullptr);
    CloseHelp(nullptr);
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[2].command, UINT(HELP_QUIT));
    EXPECT_EQ(g_calls[2].file, file_);
}

TEST_F(Help, PathThatDoesNotFitLeavesHelpWithoutAFile) {
    std::string tooLong = "C:\\" + std::string(300, 'a') + ".hlp";
    SetHelpFilePath(tooLong.c_str());
    EXPECT_STREQ(HelpFilePath(), "");
    EXPECT_FALSE(ShowHelpTopic(nullptr, 1));
    EXPECT_EQ(BoxAnswerer::texts().size(), 1u);
    EXPECT_TRUE(g_calls.empty());
}

}  // namespace
