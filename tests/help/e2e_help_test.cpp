// The program's help end to end: tv.exe in a program folder with its tv.hlp opens the help
// viewer at the right topic for a dialog's Help button, F1 in a dialog, F1 on a highlighted menu
// command and Help > Contents.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "shell/commands.h"
#include "shell/mainwin_ids.h"
#include "tests/e2e/e2e_support.h"
#include "tests/help/help_viewer_support.h"

namespace {

class HelpEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        helptest::CloseViewers();
        ASSERT_TRUE(program_.ready());
        ASSERT_TRUE(tvd::FileExists(program_.folder().File("tv.hlp"))) << "the build puts tv.hlp beside tv.exe";
        ASSERT_TRUE(program_.Start());
        frame_ = program_.WaitForFrame();
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override {
        if (frame_) {
            DWORD code = 0;
            EXPECT_TRUE(program_.Close(&code));
        }
        // the program asks the viewer to quit when it closes
        EXPECT_TRUE(tvd::WaitUntil([] { return helptest::FindViewer() == nullptr; }, tvd::WaitCeilingMs()));
        helptest::CloseViewers();
    }

    // Opens the preferences and returns their sheet with the Standards page current.
    HWND OpenPreferences() {
        tvd::PostCommand(frame_, CM_PREFERENCES);
        HWND sheet = program_.process().WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs());
        if (sheet) tvd::WaitUntil([&] { return tvd::CurrentPropertyPage(sheet) != nullptr; }, tvd::WaitCeilingMs());
        return sheet;
    }

    // The program's open popup menu (class "#32768"), or nullptr.
    HWND OpenMenu() { return tvd::FindTopWindow({"#32768", "", program_.process().pid(), true}); }

    e2e::TvProgram program_;
    HWND frame_ = nullptr;
};

TEST_F(HelpEndToEnd, HelpButtonAndF1OfADialogOpenItsTopic) {
    HWND sheet = OpenPreferences();
    ASSERT_NE(sheet, nullptr);
    HWND page = tvd::CurrentPropertyPage(sheet);
    ASSERT_NE(page, nullptr);
    ASSERT_NE(GetDlgItem(page, IDC_MAINWIN_HELP), nullptr);
    ASSERT_TRUE(tvd::ClickButton(page, IDC_MAINWIN_HELP));
    EXPECT_TRUE(helptest::WaitForHeading("Preferences: Standards"));

    // F1 in the dialog presses its Help button: show another topic first to see the change.
    HWND viewer = helptest::FindViewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(helptest::ClickTextOf(viewer, "Integration"));
    ASSERT_TRUE(helptest::WaitForHeading("Preferences: Integration"));
    HWND edit = FindWindowExA(page, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    PostMessageA(edit, WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(helptest::WaitForHeading("Preferences: Standards"));

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL));
    EXPECT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
}

TEST_F(HelpEndToEnd, F1OnAHighlightedMenuCommandOpensItsTopic) {
    // Alt+F opens the File menu with its first command, Open, highlighted.
    PostMessageA(frame_, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    ASSERT_TRUE(tvd::WaitUntil([&] { return OpenMenu() != nullptr; }, tvd::WaitCeilingMs()));
    PostMessageA(frame_, WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(helptest::WaitForHeading("Open")) << helptest::ViewerHeading(helptest::FindViewer());
    // Down to the next command, Internal Viewer (the menu takes the keys in the order posted).
    PostMessageA(frame_, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(frame_, WM_KEYDOWN, VK_F1, 0);
    EXPECT_TRUE(helptest::WaitForHeading("Internal Viewer")) << helptest::ViewerHeading(helptest::FindViewer());
    PostMessageA(frame_, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(frame_, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return OpenMenu() == nullptr; }, tvd::WaitCeilingMs()));
}

TEST_F(HelpEndToEnd, HelpContentsOpensTheContents) {
    tvd::PostCommand(frame_, CM_HELP_CONTENTS);
    EXPECT_TRUE(helptest::WaitForHeading("Tolvane Plus Help Contents"));
}

}  // namespace
