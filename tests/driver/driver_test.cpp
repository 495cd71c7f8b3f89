// The driver's own tests: it drives tvdriver_fixture.exe, a separate process with known
// controls, the way the end-to-end tests drive tv.exe.
#include <gtest/gtest.h>

#include "tests/driver/fixture_app.h"
#include "tests/driver/tvdriver.h"

namespace {

std::string CurrentTestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() : folder_(TV_TEST_WORK, CurrentTestName()) {}
    ~DriverTest() override {
        if (HasFailure()) folder_.Keep();
    }

    // Starts the fixture from a fresh copy in the program folder and waits for its window.
    HWND StartFixture(const std::string& args = std::string(), const std::string& workDir = std::string()) {
        const std::string exe = folder_.Install(TV_FIXTURE_EXE);
        if (exe.empty() || !process_.Start(exe, args, workDir)) return nullptr;
        window_ = process_.WaitForWindow(FIXTURE_CLASS, FIXTURE_CAPTION, tvd::WaitCeilingMs());
        return window_;
    }

    tvd::ProgramFolder folder_;
    tvd::Process process_;
    HWND window_ = nullptr;
};

TEST_F(DriverTest, ReadsTheWholeTreeOfAnotherProcessWithItsStates) {
    ASSERT_TRUE(StartFixture());
    HWND tree = tvd::Control(window_, IDC_FIXTURE_TREE);
    ASSERT_TRUE(tree);
    // The finder by class sees the same control.
    EXPECT_EQ(tvd::FindChildByClass(window_, WC_TREEVIEWA), tree);

    std::vector<tvd::TreeItem> roots;
    ASSERT_TRUE(tvd::ReadTree(tree, &roots));
    const std::string expected = "Downloads [+]\n"
                                 "  Games [+]\n"
                                 "    Arcade\n"
                                 "    Puzzle & \"Logic\"\n"
                                 "  Tools [*]\n"
                                 "  " + std::string(300, 'T') + "\n"
                                 "Bookmarks\n"
                                 "  News\n"
                                 "Shortcuts\n";
    EXPECT_EQ(tvd::FormatTree(roots), expected);
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_FALSE(roots[1].expanded);  // collapsed, but its children are read all the same
    EXPECT_EQ(roots[1].children.size(), 1u);
    EXPECT_NE(roots[0].handle, roots[1].handle);
}

TEST_F(DriverTest, FindsSelectsAndExpandsTreeItemsAsAUserWould) {
    ASSERT_TRUE(StartFixture());
    HWND tree = tvd::Control(window_, IDC_FIXTURE_TREE);

    EXPECT_EQ(tvd::FindTreeItem(tree, {"Downloads", "Nothing"}), nullptr);
    EXPECT_EQ(tvd::FindTreeItem(tree, {"News"}), nullptr);  // not a root
    EXPECT_EQ(tvd::FindTreeItem(tree, {}), nullptr);

    HTREEITEM news = tvd::FindTreeItem(tree, {"Bookmarks", "News"});
    ASSERT_TRUE(news);
    ASSERT_TRUE(tvd::SelectTreeItem(tree, news));
    // The owner got the selection notification.
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_SELECTION), "tree:News", tvd::WaitCeilingMs()));

    ASSERT_TRUE(tvd::ExpandTreeItem(tree, tvd::FindTreeItem(tree, {"Downloads"}), false));
    std::vector<tvd::TreeItem> roots;
    ASSERT_TRUE(tvd::ReadTree(tree, &roots));
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_FALSE(roots[0].expanded);
    EXPECT_TRUE(roots[1].expanded);  // selecting a hidden item expands its parent
    ASSERT_EQ(roots[1].children.size(), 1u);
    EXPECT_TRUE(roots[1].children[0].selected);
    EXPECT_FALSE(roots[0].children[1].selected);  // "Tools" lost the selection
}

TEST_F(DriverTest, ReadsEveryColumnOfAListViewOfAnotherProcess) {
    ASSERT_TRUE(StartFixture());
    HWND list = tvd::Control(window_, IDC_FIXTURE_LIST);
    ASSERT_TRUE(list);
    EXPECT_EQ(tvd::ListItemCount(list), 4);

    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(list, &contents));
    EXPECT_EQ(contents.columns, (std::vector<std::string>{"Name", "Size", "Date"}));
    const std::vector<std::vector<std::string>> rows = {
        {"setup.zip", "1,024 KB", "2026-12-01"},
        {"readme.txt", "", "2026-11-30"},
        {"\xC4rger.doc", "3 KB", "1999-01-01"},
        {std::string(259, 'n'), "1 KB", ""},
    };
    EXPECT_EQ(contents.rows, rows);
    EXPECT_EQ(contents.selected, std::vector<int>{1});
    EXPECT_EQ(contents.focused, 1);
}

TEST_F(DriverTest, SelectsListRowsAndClearsTheSelection) {
    ASSERT_TRUE(StartFixture());
    HWND list = tvd::Control(window_, IDC_FIXTURE_LIST);
    tvd::ListContents contents;

    ASSERT_TRUE(tvd::SelectListItem(list, 3));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_SELECTION), "list:3", tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::ReadList(list, &contents));
    EXPECT_EQ(contents.selected, std::vector<int>{3});
    EXPECT_EQ(contents.focused, 3);

    ASSERT_TRUE(tvd::SelectListItem(list, -1));
    ASSERT_TRUE(tvd::ReadList(list, &contents));
    EXPECT_TRUE(contents.selected.empty());
}

TEST_F(DriverTest, SetsTextsPressesButtonsAndAnswersMessageBoxes) {
    ASSERT_TRUE(StartFixture());
    // Texts pass between the processes byte for byte, in the ANSI code page.
    for (const char* text : {"hello", "", "caf\xE9 \xC4rger"}) {
        ASSERT_TRUE(tvd::SetControlText(window_, IDC_FIXTURE_EDIT, text));
        EXPECT_EQ(tvd::ControlText(window_, IDC_FIXTURE_EDIT), text);
    }
    EXPECT_FALSE(tvd::SetControlText(window_, 4711, "no such control"));
    EXPECT_TRUE(tvd::IsControlEnabled(window_, IDC_FIXTURE_ASK));

    // Each way of pressing the button opens the box; each answer comes back to the program.
    struct Case {
        bool bmClick;
        int answer;
        const char* shown;
    };
    for (const Case& c : {Case{false, IDNO, "No"}, Case{true, IDYES, "Yes"}}) {
        SCOPED_TRACE(c.shown);
        ASSERT_TRUE(c.bmClick ? tvd::ClickButton(window_, IDC_FIXTURE_ASK) : tvd::PressButton(window_, IDC_FIXTURE_ASK));
        HWND box = tvd::WaitForMessageBox("Question", tvd::WaitCeilingMs(), process_.pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(tvd::MessageBoxText(box), "Keep the changes?");
        ASSERT_TRUE(tvd::AnswerMessageBox(box, c.answer));
        EXPECT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));
        EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_EDIT), c.shown, tvd::WaitCeilingMs()));
    }
}

TEST_F(DriverTest, DrivesAModalDialogOfTheProgramsDialogClass) {
    ASSERT_TRUE(StartFixture());
    ASSERT_TRUE(tvd::PressButton(window_, IDC_FIXTURE_DIALOG));
    HWND dlg = tvd::WaitForDialog(FIXTURE_DIALOG_CAPTION, tvd::WaitCeilingMs(), process_.pid());
    ASSERT_TRUE(dlg);
    EXPECT_EQ(tvd::ClassName(dlg), tvd::kDialogClass);
    EXPECT_EQ(tvd::ControlText(dlg, IDC_FIXTURE_DIALOG_EDIT), "initial");
    EXPECT_EQ(tvd::ListBoxItems(dlg, IDC_FIXTURE_DIALOG_LIST), (std::vector<std::string>{"alpha", "", "gamma"}));
    // Not a message box: the message-box finder does not see it.
    EXPECT_EQ(tvd::WaitForMessageBox(FIXTURE_DIALOG_CAPTION, 0, process_.pid()), nullptr);

    ASSERT_TRUE(tvd::SetControlText(dlg, IDC_FIXTURE_DIALOG_EDIT, "abc"));
    EXPECT_FALSE(tvd::IsButtonChecked(dlg, IDC_FIXTURE_DIALOG_CHECK));
    ASSERT_TRUE(tvd::SetButtonChecked(dlg, IDC_FIXTURE_DIALOG_CHECK, true));
    EXPECT_TRUE(tvd::IsButtonChecked(dlg, IDC_FIXTURE_DIALOG_CHECK));
    ASSERT_TRUE(tvd::PressButton(dlg, IDOK));
    EXPECT_TRUE(tvd::WaitForWindowGone(dlg, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_EDIT), "OK abc 1", tvd::WaitCeilingMs()));
}

TEST_F(DriverTest, ReadsAndSelectsComboItemsAndPostsMenuCommands) {
    ASSERT_TRUE(StartFixture());
    EXPECT_EQ(tvd::ComboItems(window_, IDC_FIXTURE_COMBO),
              (std::vector<std::string>{"Games", "Tools", "News & \"Views\"", "\xC4rger"}));
    EXPECT_EQ(tvd::ComboSelection(window_, IDC_FIXTURE_COMBO), 0);
    EXPECT_TRUE(tvd::ComboItems(window_, 4711).empty());

    ASSERT_TRUE(tvd::SelectComboItem(window_, IDC_FIXTURE_COMBO, 2));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_SELECTION), "combo:News & \"Views\"", tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::ComboSelection(window_, IDC_FIXTURE_COMBO), 2);
    EXPECT_FALSE(tvd::SelectComboItem(window_, IDC_FIXTURE_COMBO, 4));  // no such item

    // A command without a control, as from a menu: the same handler as the button's.
    ASSERT_TRUE(tvd::PostCommand(window_, IDC_FIXTURE_ASK));
    HWND box = tvd::WaitForMessageBox("Question", tvd::WaitCeilingMs(), process_.pid());
    ASSERT_TRUE(box);
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_EDIT), "Yes", tvd::WaitCeilingMs()));
}

TEST_F(DriverTest, WalksAWizardWithItsButtons) {
    ASSERT_TRUE(StartFixture());
    ASSERT_TRUE(tvd::PressButton(window_, IDC_FIXTURE_WIZARD));
    HWND sheet = tvd::WaitForWindow(tvd::kMessageBoxClass, FIXTURE_PAGE1_CAPTION, tvd::WaitCeilingMs(), process_.pid());
    ASSERT_TRUE(sheet);
    HWND first = tvd::CurrentPropertyPage(sheet);
    ASSERT_TRUE(first);
    ASSERT_TRUE(tvd::SetControlText(first, IDC_FIXTURE_PAGE1_EDIT, "typed on page one"));

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND second = nullptr;
    ASSERT_TRUE(tvd::WaitUntil(
        [&] {
            second = tvd::CurrentPropertyPage(sheet);
            return second && second != first;
        },
        tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(second, IDC_FIXTURE_PAGE2_TEXT), "typed on page one", tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitForText(sheet, FIXTURE_PAGE2_CAPTION, tvd::WaitCeilingMs()));  // the wizard takes the page's caption

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_FINISH));
    EXPECT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitForText(tvd::Control(window_, IDC_FIXTURE_EDIT), "wizard:typed on page one", tvd::WaitCeilingMs()));
}

TEST_F(DriverTest, PassesArgumentsAndFolderAndReturnsTheExitCode) {
    const std::string work = folder_.File("work folder");
    ASSERT_TRUE(tvd::MakeFolders(work));
    ASSERT_TRUE(StartFixture("/exit=7 \"two words\"", work));
    EXPECT_EQ(tvd::ControlText(window_, IDC_FIXTURE_ARGS), "/exit=7 \"two words\"");
    EXPECT_EQ(lstrcmpiA(tvd::ControlText(window_, IDC_FIXTURE_FOLDER).c_str(), work.c_str()), 0)
        << tvd::ControlText(window_, IDC_FIXTURE_FOLDER);

    const std::vector<tvd::WindowInfo> windows = process_.Windows();
    bool seen = false;
    for (const tvd::WindowInfo& w : windows)
        if (w.hwnd == window_) {
            seen = true;
            EXPECT_EQ(w.className, FIXTURE_CLASS);
            EXPECT_EQ(w.caption, FIXTURE_CAPTION);
            EXPECT_TRUE(w.visible);
            EXPECT_GT(w.rect.right - w.rect.left, 0);
        }
    EXPECT_TRUE(seen);

    DWORD code = 0;
    ASSERT_TRUE(process_.CloseAndWait(window_, tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(code, 7u);
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(DriverTest, KillsAProgramThatDoesNotCloseAndStopsWaitingForADeadOne) {
    ASSERT_TRUE(StartFixture("/ignoreclose"));
    DWORD code = 0;
    EXPECT_FALSE(process_.CloseAndWait(window_, 300, &code));
    EXPECT_FALSE(process_.Running());
    ASSERT_TRUE(process_.Wait(0, &code));
    EXPECT_EQ(code, 0xDEADu);

    // A program that ends before showing a window: the wait gives up with the process (the
    // generous timeout would otherwise hold the test for a minute).
    tvd::Process quitter;
    ASSERT_TRUE(quitter.Start(folder_.File(tvd::BaseName(TV_FIXTURE_EXE)), "/quit"));
    EXPECT_EQ(quitter.WaitForWindow(FIXTURE_CLASS, nullptr, tvd::WaitCeilingMs()), nullptr);
    ASSERT_TRUE(quitter.Wait(tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(code, 5u);

    EXPECT_EQ(tvd::WaitForWindow("NoSuchWindowClass", nullptr, 50), nullptr);
}

TEST(DriverPaths, HostPathsBecomeDriveZPaths) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"/work/main/build", "Z:\\work\\main\\build"},
        {"/", "Z:\\"},
        {"C:\\users\\x", "C:\\users\\x"},
        {"C:/tvt/e2e_shell", "C:\\tvt\\e2e_shell"},
        {"relative/name", "relative/name"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(tvd::WinPath(c.in), c.out) << c.in;
    EXPECT_EQ(tvd::JoinPath("C:\\a", "b"), "C:\\a\\b");
    EXPECT_EQ(tvd::JoinPath("C:\\a\\", "b"), "C:\\a\\b");
    EXPECT_EQ(tvd::BaseName("C:\\a\\tv.exe"), "tv.exe");
    EXPECT_EQ(tvd::BaseName("/x/y.exe"), "y.exe");
}

TEST(DriverFolders, ProgramFolderStartsEmptyAndIsRemovedUnlessKept) {
    const std::string base = tvd::JoinPath(tvd::WinPath(TV_TEST_WORK), "folders");
    std::string kept;
    {
        tvd::ProgramFolder first(base, "one");
        ASSERT_TRUE(first.ok());
        // Leftovers of an earlier run: nested folders and a read-only file.
        ASSERT_TRUE(tvd::MakeFolders(first.File("a\\b\\c")));
        ASSERT_TRUE(tvd::WriteWholeFile(first.File("a\\b\\c\\old.txt"), "old"));
        ASSERT_TRUE(SetFileAttributesA(first.File("a\\b\\c\\old.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        first.Keep();
        kept = first.path();
    }
    ASSERT_TRUE(tvd::FolderExists(kept));
    {
        tvd::ProgramFolder again(base, "one");
        ASSERT_TRUE(again.ok());
        EXPECT_FALSE(tvd::FolderExists(again.File("a")));
        const std::string copy = again.Install(TV_FIXTURE_EXE, "renamed.exe");
        ASSERT_EQ(copy, again.File("renamed.exe"));
        std::string original, copied;
        ASSERT_TRUE(tvd::ReadWholeFile(tvd::WinPath(TV_FIXTURE_EXE), &original));
        ASSERT_TRUE(tvd::ReadWholeFile(copy, &copied));
        EXPECT_EQ(original, copied);
        EXPECT_EQ(again.Install(again.File("missing.exe")), "");

        // A build folder: its files are copied, the build system's files and subfolders are not.
        const std::string from = tvd::JoinPath(base, "from");
        ASSERT_TRUE(tvd::RemoveTree(from));
        ASSERT_TRUE(tvd::MakeFolders(tvd::JoinPath(from, "CMakeFiles")));
        for (const char* name : {"tv.exe", "state1.ico", "cmake_install.cmake", "build.ninja", "libtvshell.a", "CMakeFiles\\x.obj"})
            ASSERT_TRUE(tvd::WriteWholeFile(tvd::JoinPath(from, name), name));
        EXPECT_EQ(again.InstallFilesOf(from), 2);
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(again.File("state1.ico"), &bytes));
        EXPECT_EQ(bytes, "state1.ico");
        EXPECT_TRUE(tvd::FileExists(again.File("tv.exe")));
        EXPECT_FALSE(tvd::FileExists(again.File("cmake_install.cmake")));
        EXPECT_FALSE(tvd::FileExists(again.File("build.ninja")));
        EXPECT_FALSE(tvd::FileExists(again.File("libtvshell.a")));
        EXPECT_FALSE(tvd::FolderExists(again.File("CMakeFiles")));
        EXPECT_EQ(again.InstallFilesOf(tvd::JoinPath(base, "no such folder")), -1);
        tvd::RemoveTree(from);
    }
    EXPECT_FALSE(tvd::FolderExists(kept));
    // Names cannot leave the base folder.
    tvd::ProgramFolder odd(base, "..\\..\\x/y");
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(odd.path(), tvd::JoinPath(base, ".._.._x_y"));
    // Roots are never removed.
    EXPECT_FALSE(tvd::RemoveTree("C:\\"));
    EXPECT_FALSE(tvd::RemoveTree("Z:"));
    EXPECT_TRUE(tvd::FolderExists("C:\\windows"));
}

}  // namespace
