// The first setup search on Wine's real file system, and its search dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "setup/setup_ids.h"
#include "setup/win_first_setup.h"
#include "tests/driver/tvdriver.h"
#include "util/text.h"
#include "util/win_classes.h"

namespace {

class WinSetupSearch : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        root_ = std::string(temp) + "tvsetup" + std::to_string(GetCurrentProcessId());
        tvd::RemoveTree(root_);
        ASSERT_TRUE(tvd::MakeFolders(root_ + "\\Program Files\\Netscape\\Program"));
        ASSERT_TRUE(tvd::MakeFolders(root_ + "\\.cache\\Opera"));
        ASSERT_TRUE(tvd::MakeFolders(root_ + "\\Tools\\Opera 5"));
        ASSERT_TRUE(tvd::WriteWholeFile(root_ + "\\Program Files\\Netscape\\Program\\Netscape.exe", "x"));
        ASSERT_TRUE(tvd::WriteWholeFile(root_ + "\\.cache\\Opera\\opera.exe", "x"));
        ASSERT_TRUE(tvd::WriteWholeFile(root_ + "\\Tools\\Opera 5\\OPERA.EXE", "x"));
        ASSERT_TRUE(tvd::WriteWholeFile(root_ + "\\Tools\\readme.txt", "x"));
    }
    void TearDown() override { tvd::RemoveTree(root_); }
    std::string root_;
};

TEST_F(WinSetupSearch, RealFoldersAreSearchedAndTypedPathsKept) {
    TWinSetupSearchHost host;
    TSetupSearchSlots slots;
    InitBrowserSearchSlots(&slots);
    CopyLimited(slots.paths[0], "C:\\typed\\iexplore.exe", TV_PATH_SIZE);
    TSetupSearch search(&host, &slots);
    EXPECT_EQ(search.SearchFolder(root_.c_str()), TV_SEARCH_ALL_FOUND);
    EXPECT_STREQ(slots.paths[0], "C:\\typed\\iexplore.exe");
    EXPECT_EQ(std::string(slots.paths[1]), root_ + "\\Program Files\\Netscape\\Program\\Netscape.exe");
    // Not the one in the dot folder.
    EXPECT_EQ(std::string(slots.paths[2]), root_ + "\\Tools\\Opera 5\\OPERA.EXE");
    EXPECT_GT(host.entries, 0u);
}

TEST_F(WinSetupSearch, OneFolderHasOneIdentityWhateverThePath) {
    TWinSetupSearchHost host;
    std::string a, b, other;
    ASSERT_TRUE(host.FolderIdentity((root_ + "\\Tools\\").c_str(), &a));
    ASSERT_TRUE(host.FolderIdentity((root_ + "\\Tools\\..\\Tools\\").c_str(), &b));
    ASSERT_TRUE(host.FolderIdentity((root_ + "\\.cache\\").c_str(), &other));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_FALSE(host.FolderIdentity((root_ + "\\missing\\").c_str(), &other));
    std::vector<TSetupSearchEntry> entries;
    EXPECT_FALSE(host.ListFolder((root_ + "\\missing\\").c_str(), &entries));
    EXPECT_TRUE(host.DriveSearchable("C:\\"));
}

TEST_F(WinSetupSearch, CancelStopsTheSearchAtTheNextEntry) {
    TWinSetupSearchHost host;
    struct Hook {
        TWinSetupSearchHost* host;
        unsigned long cancelAt;
    } hook = {&host, 3};
    host.beforeEntryContext = &hook;
    host.beforeEntry = [](void* context) {
        Hook* h = static_cast<Hook*>(context);
        if (h->host->entries == h->cancelAt) h->host->Cancel();
    };
    TSetupSearchSlots slots;
    InitBrowserSearchSlots(&slots);
    TSetupSearch search(&host, &slots);
    EXPECT_EQ(search.SearchFolder(root_.c_str()), TV_SEARCH_CANCELLED);
    EXPECT_EQ(host.entries, 3u);
}

// The dialog over the real drives: with every slot filled it closes at once; Cancel pressed while
// it searches ends it, keeping what was typed.
TEST(WinSetupSearchDialog, EndsAtOnceWhenAllIsKnownAndOnCancel) {
    // The dialogs name the program's dialog class.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    ASSERT_TRUE(RegisterProgramWindowClasses(GetModuleHandleA(nullptr)));
    TSetupSearchSlots full;
    InitBrowserSearchSlots(&full);
    for (int i = 0; i < 3; ++i) CopyLimited(full.paths[i], "C:\\x.exe", TV_PATH_SIZE);
    EXPECT_TRUE(RunSetupSearchDialog(nullptr, false, &full));
    EXPECT_STREQ(full.paths[1], "C:\\x.exe");

    TSetupSearchSlots slots;
    InitBookmarkSearchSlots(&slots);
    CopyLimited(slots.paths[1], "C:\\mine\\opera3.adr", TV_PATH_SIZE);
    std::atomic<bool> pressed{false};
    std::thread user([&pressed] {
        tvd::WindowQuery q;
        q.className = tvd::kDialogClass;
        q.caption = "Searching Bookmarks";
        q.pid = GetCurrentProcessId();
        HWND dialog = tvd::WaitForWindow(q, tvd::WaitCeilingMs());
        if (!dialog) return;
        // The search shows the folders it goes through before the user gives up.
        tvd::WaitUntil([dialog] { return !tvd::ControlText(dialog, IDC_FS_SEARCH_FOLDER).empty(); }, tvd::WaitCeilingMs());
        pressed = tvd::PressButton(dialog, IDCANCEL);
    });
    const DWORD start = GetTickCount();
    const bool completed = RunSetupSearchDialog(nullptr, true, &slots);
    user.join();
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(completed);
    EXPECT_STREQ(slots.paths[1], "C:\\mine\\opera3.adr");
    EXPECT_LT(GetTickCount() - start, tvd::WaitCeilingMs());
}

}  // namespace
