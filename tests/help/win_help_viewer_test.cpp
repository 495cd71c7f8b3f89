// The built tv.hlp in the system's help viewer: every help context the program opens shows its
// topic, a cross-link and the keyword index lead to their topics.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/viewer_ids.h"
#include "bookmarks/win_bookmark_ids.h"
#include "catops/win_catops_ids.h"
#include "integration/integration_ids.h"
#include "interchange/interchange_ids.h"
#include "intake/intake_options.h"
#include "shell/command_states.h"
#include "shell/commands.h"
#include "shell/mainwin_ids.h"
#include "tests/driver/tvdriver.h"
#include "tests/help/help_viewer_support.h"
#include "watch/watch_ids.h"

namespace {

struct Expected {
    uint32_t context;
    const char* heading;
};

// Every context the program's code opens, with the heading of its topic.
std::vector<Expected> ProgramContexts() {
    std::vector<Expected> all = {
        {TV_HELP_CATEGORY_PROPERTIES, "Category Properties"},
        {TV_HELP_FILE_DELETE_TYPE, "Deleting a Download"},
        {TV_HELP_BOOKMARK, "Adding and Editing a Bookmark"},
        {TV_HELP_NEW_SHORTCUT, "New Shortcut"},
        {TV_HELP_STANDARDS, "Preferences: Standards"},
        {TV_HELP_INFO, "About Tolvane Plus"},
        {TV_HELP_SETUP_INTEGRATION, "Preferences: Integration"},
        {TV_HELP_SETUP_IE, "Preferences: Internet Explorer"},
        {TV_HELP_SETUP_NN, "Preferences: Netscape Navigator"},
        {TV_HELP_SETUP_OPERA, "Preferences: Opera"},
        {TV_HELP_SELECT_BROWSER, "Select Browser"},
        {TV_HELP_ADDEDITFILE, "Adding and Editing a Download"},
        {TV_HELP_FILESLOST, "Lost Files"},
        {TV_HELP_FILESLONELY, "New Files Found"},
        {TV_HELP_INTERCHANGE, "Interchange Files"},
        {TV_HELP_INTERCHANGE_CATEGORIES, "Interchange File: Categories"},
        {TV_HELP_INTERCHANGE_IMPORT_CATEGORIES, "Importing: Categories"},
        {IV_HELP_VIEWER, "The Internal Viewer"},
        {IV_HELP_PASSWORD, "Archive Password"},
        {IV_HELP_EXTRACT, "Extract"},
        {IV_HELP_DELETE, "Delete from the Archive"},
        {IV_HELP_ADD, "Add Files"},
        {IV_HELP_DRAGDROP, "Drag and Drop into an Archive"},
        {IV_HELP_COPY, "Copy the Archive"},
        {IV_HELP_COPY_REQUEST, "Folder or File?"},
        {IV_HELP_SELECT_SOME, "Select Some Files"},
        {IV_HELP_FILE_PROPERTIES, "Member Properties"},
        {IV_HELP_ARCHIVE_PROPERTIES, "Archive Properties"},
        {IV_HELP_PREFERENCES, "Preferences: Internal Viewer"},
        {IV_HELP_PROGRESS, "Zipping and Unzipping"},
        {TV_HELP_WATCH, "Preferences: Watched Folders"},
        {TV_HELP_BOOKMARK_IMPORT, "Importing Bookmarks"},
        {TV_HELP_BOOKMARK_EXPORT, "Exporting Bookmarks"},
        {TV_HELP_FILE_DATABASE_EXPORT, "Exporting the File Database"},
        // windows still to be built: find, its results, the new-download wizard, the external
        // programs page and its dialog
        {990, "Search"},
        {1020, "Search Results"},
        {855, "New Download or File"},
        {920, "Preferences: External Programs"},
        {50, "Edit External Program"},
    };
    // F1 on the main window's menu commands.
    const std::vector<std::pair<int, const char*>> menu = {
        {CM_OPEN, "Open"},
        {CM_VIEWER, "Internal Viewer"},
        {CM_NEW_CATEGORY, "New Category"},
        {CM_NEW_DOWNLOAD, "New Download/File"},
        {CM_NEW_BOOKMARK, "New Bookmark"},
        {CM_NEW_SHORTCUT, "New Shortcut"},
        {CM_DELETE, "Delete"},
        {CM_RENAME, "Rename"},
        {CM_COPY_TO, "Copy to"},
        {CM_PROPERTIES, "Properties"},
        {CM_EXIT, "Exit"},
        {CM_CUT, "Cut"},
        {CM_COPY, "Copy"},
        {CM_PASTE, "Paste"},
        {CM_SEARCH, "Search"},
        {CM_SEARCH_RESULTS, "Search Results"},
        {CM_EXPLORER, "Windows Explorer"},
        {CM_BROWSER, "Browser"},
        {CM_REFRESH, "Refresh"},
        {CM_EXPORT_FILE_DATABASE, "Export File Database"},
        {CM_IMPORT_BOOKMARKS, "Import Bookmarks"},
        {CM_EXPORT_BOOKMARKS, "Export Bookmarks"},
        {CM_MAKE_INTERCHANGE, "Make Interchange File"},
        {CM_IMPORT_INTERCHANGE, "Import Interchange File"},
        {CM_PREFERENCES, "Preferences"},
        {CM_HELP_CONTENTS, "Help Contents"},
        {CM_WEBSITE, "Visit Tolvane Plus on the Web"},
        {CM_ABOUT, "About Tolvane Plus"},
    };
    for (const auto& entry : menu) all.push_back({MenuCommandHelpContext(entry.first), entry.second});
    // F1 on the internal viewer's menu commands.
    const std::vector<std::pair<int, const char*>> viewer = {
        {IV_CM_CLOSE, "Close"},
        {IV_CM_HELP_CONTENTS, "Help in the Internal Viewer"},
        {IV_CM_HELP_USING, "Help in the Internal Viewer"},
        {IV_CM_OPEN, "Open a Member"},
        {IV_CM_COPY_ARCHIVE, "Copy Archive"},
        {IV_CM_PROPERTIES, "Properties"},
        {IV_CM_DELETE, "Delete Members"},
        {IV_CM_REFRESH, "Refresh"},
        {IV_CM_OPEN_ARCHIVE, "Open Archive"},
        {IV_CM_ADD, "Add Files"},
        {IV_CM_EXTRACT, "Extract"},
        {IV_CM_NEW_ARCHIVE, "New Archive"},
        {IV_CM_CLOSE_ARCHIVE, "Close Archive"},
        {IV_CM_ARCHIVE_PROPERTIES, "Archive Properties"},
        {IV_CM_PASSWORD, "Password"},
        {IV_CM_INSTALL, "Install"},
        {IV_CM_SELECT_ALL, "Select All"},
        {IV_CM_SELECT_NONE, "Select None"},
        {IV_CM_SELECT_SOME, "Select Some"},
        {IV_CM_SELECT_INVERT, "Invert Selection"},
        {IV_CM_PREFERENCES, "Viewer Preferences"},
    };
    for (const auto& entry : viewer) all.push_back({uint32_t(IV_HELP_COMMAND_BASE + entry.first), entry.second});
    return all;
}

// The viewer is asked for a copy of the built help file in a short folder on the test prefix's
// drive C:, not for the file in the build tree, whose path grows with the checkout's: Wine's
// viewer fails to read a help file at a path of 187 characters (a checkout 150 characters deep).
class HelpViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        helptest::CloseViewers();
        ASSERT_TRUE(folder_.ok()) << folder_.path();
        file_ = folder_.Install(tvd::WinPath(TV_HELP_FILE));
        ASSERT_TRUE(tvd::FileExists(file_)) << TV_HELP_FILE;
        owner_ = CreateWindowExA(0, "STATIC", "help test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        if (owner_) {
            WinHelpA(owner_, file_.c_str(), HELP_QUIT, 0);
            DestroyWindow(owner_);
        }
        EXPECT_TRUE(helptest::CloseViewers());
    }

    // Asks the viewer as the program does; the first call starts it. A call made before the
    // started viewer has its window fails: then the window is waited for (and the viewer's
    // thread for its message loop), and asked again.
    bool Open(UINT command, ULONG_PTR data) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (WinHelpA(owner_, file_.c_str(), command, data) && helptest::WaitForViewer()) return true;
            if (!tvd::WaitUntil(helptest::ViewerRunning, tvd::WaitCeilingMs())) return false;
            tvd::SyncWith(FindWindowA(helptest::kViewerClass, nullptr));
        }
        return false;
    }

    tvd::ProgramFolder folder_{TV_TEST_WORK, ::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::string file_;
    HWND owner_ = nullptr;
};

TEST_F(HelpViewerTest, EveryContextOfTheProgramShowsItsTopic) {
    const std::vector<Expected> contexts = ProgramContexts();
    ASSERT_GT(contexts.size(), 80u);
    std::vector<std::string> wrong;
    for (const Expected& e : contexts) {
        ASSERT_NE(e.context, 0u) << e.heading;
        if (!Open(HELP_CONTEXT, e.context) || !helptest::WaitForHeading(e.heading))
            wrong.push_back(std::to_string(e.context) + " shows \"" + helptest::ViewerHeading(helptest::FindViewer()) +
                            "\", not \"" + e.heading + "\"");
    }
    EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

TEST_F(HelpViewerTest, ContentsAndFinderShowTheContentsTopic) {
    for (UINT command : {HELP_CONTEXT, HELP_FINDER, HELP_CONTENTS}) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(Open(command == HELP_CONTEXT ? HELP_CONTEXT : command, command == HELP_CONTEXT ? TV_HELP_STANDARDS : 0));
        if (command == HELP_CONTEXT)
            EXPECT_TRUE(helptest::WaitForHeading("Preferences: Standards"));
        else
            EXPECT_TRUE(helptest::WaitForHeading("Tolvane Plus Help Contents"));
    }
    // the file's main window names the help in the caption
    EXPECT_EQ(tvd::WindowText(helptest::FindViewer()), "Tolvane Plus Help");
    const std::string text = helptest::ViewerText(helptest::FindViewer());
    EXPECT_NE(text.find("The main window"), std::string::npos) << text;
}

TEST_F(HelpViewerTest, CrossLinksLeadToTheirTopicsAndBack) {
    ASSERT_TRUE(Open(HELP_CONTEXT, TV_HELP_CATEGORY_PROPERTIES));
    ASSERT_TRUE(helptest::WaitForHeading("Category Properties"));
    HWND viewer = helptest::FindViewer();
    // "... use Rename." links to the Rename command; "Categories" to the overview of categories.
    ASSERT_TRUE(helptest::ClickTextOf(viewer, "Rename"));
    EXPECT_TRUE(helptest::WaitForHeading("Rename"));
    HWND back = helptest::ViewerButton(viewer, "Back");
    ASSERT_NE(back, nullptr);
    PostMessageA(back, BM_CLICK, 0, 0);
    EXPECT_TRUE(helptest::WaitForHeading("Category Properties"));
    ASSERT_TRUE(helptest::ClickTextOf(viewer, "Categories"));
    EXPECT_TRUE(helptest::WaitForHeading("Categories"));
}

TEST_F(HelpViewerTest, TheKeywordIndexFindsATopic) {
    ASSERT_TRUE(Open(HELP_FINDER, 0));
    ASSERT_TRUE(helptest::WaitForHeading("Tolvane Plus Help Contents"));
    HWND viewer = helptest::FindViewer();
    HWND index = helptest::ViewerButton(viewer, "Index");
    ASSERT_NE(index, nullptr);
    PostMessageA(index, BM_CLICK, 0, 0);
    DWORD pid = 0;
    GetWindowThreadProcessId(viewer, &pid);
    HWND sheet = tvd::WaitForWindow("#32770", nullptr, tvd::WaitCeilingMs(), pid);
    ASSERT_NE(sheet, nullptr);
    HWND page = nullptr;
    HWND list = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] {
        page = tvd::CurrentPropertyPage(sheet);
        list = page ? tvd::FindChildByClass(page, "ListBox") : nullptr;
        return list && SendMessageA(list, LB_GETCOUNT, 0, 0) > 0;
    }, tvd::WaitCeilingMs()));
    const std::vector<std::string> words = tvd::ListBoxItems(page, GetDlgCtrlID(list));
    int found = -1;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == "lost files") found = int(i);
    ASSERT_GE(found, 0) << ::testing::PrintToString(words);
    // the index lists the keywords in their order, capital letters or not
    for (size_t i = 1; i < words.size(); ++i)
        EXPECT_LE(lstrcmpiA(words[i - 1].c_str(), words[i].c_str()), 0) << words[i - 1] << " / " << words[i];
    SendMessageA(list, LB_SETCURSEL, WPARAM(found), 0);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    EXPECT_TRUE(helptest::WaitForHeading("Lost Files"));
}

}  // namespace
