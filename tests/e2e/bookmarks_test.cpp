// Bookmark exchange in the real program: the automatic import at start-up (the new folder shows in
// the category tree), the import command with nothing new, and the bookmark and file database
// exports through their sheets, checked in the files and in tv.cfg.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "shell/commands.h"
#include "tests/e2e/e2e_support.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

constexpr int kTreeId = 301;

const char kBookmarkFile[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<DL><p>\n"
    "    <DT><H3>News &amp; Views</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"http://news.example/\" ICON=\"data:image/png;base64,AAAA\">Daily caf\xC3\xA9</A>\n"
    "    </DL><p>\n"
    "    <DT><A HREF=\"http://root.example/\">Root</A>\n"
    "</DL>\n";

std::string Tree(HWND frame) {
    std::vector<tvd::TreeItem> roots;
    HWND tree = tvd::FindChildByClass(frame, WC_TREEVIEWA);
    return tree && tvd::ReadTree(tree, &roots) ? tvd::FormatTree(roots) : std::string("(unreadable)");
}

TEST(Bookmarks, StartupImportThenImportAndExportCommands) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    ASSERT_TRUE(tvd::WriteWholeFile(tv.folder().File("in.htm"), kBookmarkFile));
    {
        TProgramData d;
        d.SetProgramFolder(folder.c_str());
        d.SetDefaultSettings(nullptr);
        d.categories.EnsureDefaultCategories(1);
        CopyLimited(d.integration.netscapeBookmarkFile, (folder + "\\in.htm").c_str(), TV_PATH_SIZE);
        d.integration.netscapeBookmarkImport = 1;
        CopyLimited(d.bookmarkImport.netscapeBookmarkFile, (folder + "\\in.htm").c_str(), TV_PATH_SIZE);
        ASSERT_TRUE(SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str()));
    }
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    // The folder of the file shows in the tree, under the bookmark root.
    ASSERT_TRUE(tvd::WaitUntil([&] { return Tree(frame).find("\n  News & Views") != std::string::npos; }, tvd::WaitCeilingMs()))
        << Tree(frame);

    // The import command: the dialog shows the file and its automatic import; nothing new.
    ASSERT_TRUE(tvd::PostCommand(frame, CM_IMPORT_BOOKMARKS));
    HWND dialog = tv.process().WaitForWindow("VeltraDialog", "Bookmark Import", tvd::WaitCeilingMs());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(tvd::ControlText(dialog, 102), folder + "\\in.htm");
    EXPECT_TRUE(tvd::IsButtonChecked(dialog, 104));
    EXPECT_TRUE(tvd::IsButtonChecked(dialog, 105));
    ASSERT_TRUE(tvd::PressButton(dialog, IDOK));
    HWND box = tv.process().WaitForWindow("#32770", "Tolvane Plus", tvd::WaitCeilingMs());
    ASSERT_TRUE(box);
    EXPECT_EQ(tvd::MessageBoxText(box), "No new bookmarks found.");
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));

    // The bookmark export as a Netscape file.
    ASSERT_TRUE(tvd::PostCommand(frame, CM_EXPORT_BOOKMARKS));
    HWND sheet = tv.process().WaitForWindow("#32770", "Bookmark Export", tvd::WaitCeilingMs());
    ASSERT_TRUE(sheet);
    HWND page = tvd::CurrentPropertyPage(sheet);
    ASSERT_TRUE(tvd::SelectComboItem(page, 101, 3));
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ComboSelection(page, 101) == 3; }, tvd::WaitCeilingMs()));
    // The selection's notification is posted and a typed text would overtake it (the page would then
    // show the stored target of the new format again): the page handles the notification once more,
    // sent, before the text is typed; a second one for the same format changes nothing.
    DWORD_PTR handled = 0;
    ASSERT_TRUE(SendMessageTimeoutA(page, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE),
                                    reinterpret_cast<LPARAM>(GetDlgItem(page, 101)), SMTO_NORMAL, tvd::WaitCeilingMs(),
                                    &handled));
    ASSERT_TRUE(tvd::SetControlText(page, 102, folder + "\\out.htm"));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    std::string exported;
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(tv.folder().File("out.htm"), &exported) && !exported.empty(); },
                               tvd::WaitCeilingMs()));
    EXPECT_EQ(exported.compare(0, 36, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"), 0);
    EXPECT_NE(exported.find(">News &amp; Views</H3>"), std::string::npos) << exported;
    EXPECT_NE(exported.find("<A HREF=\"http://news.example/\""), std::string::npos) << exported;
    EXPECT_NE(exported.find(">Daily caf&#233;</A>"), std::string::npos) << exported;

    // The file database export as an HTML page.
    ASSERT_TRUE(tvd::PostCommand(frame, CM_EXPORT_FILE_DATABASE));
    sheet = tv.process().WaitForWindow("#32770", "File Database Export", tvd::WaitCeilingMs());
    ASSERT_TRUE(sheet);
    page = tvd::CurrentPropertyPage(sheet);
    EXPECT_EQ(tvd::ComboItems(page, 101), (std::vector<std::string>{"HTML", "ANSI - comma delimited"}));
    ASSERT_TRUE(tvd::SetControlText(page, 102, folder + "\\db.html"));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    std::string page0;
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadWholeFile(tv.folder().File("db.html"), &page0) && !page0.empty(); },
                               tvd::WaitCeilingMs()));
    EXPECT_NE(page0.find("<TITLE>Tolvane Plus Exported File Database</TITLE>"), std::string::npos);
    EXPECT_NE(page0.find("</HTML>"), std::string::npos);

    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    TProgramData saved;
    ASSERT_FALSE(LoadDatabase(&saved, nullptr, (folder + "\\tv.cfg").c_str()));
    EXPECT_EQ(saved.bookmarks.Count(1), 2u);
    EXPECT_NE(saved.categories.FindCategoryByName("News & Views", TV_KIND_BOOKMARKS, 0), nullptr);
    EXPECT_EQ(saved.bookmarkExport.format, 3);
    EXPECT_EQ(std::string(saved.bookmarkExport.paths[3]), folder + "\\out.htm");
    EXPECT_EQ(std::string(saved.fileExport.htmlPath), folder + "\\db.html");
}

}  // namespace
