// The first setup wizard of a first run, walked page by page with real choices: both searches
// find what the test put on drive C:, the user's changes to the found paths count, and Finish
// leaves its settings in tv.cfg, applies "always on top" and lets the start-up import read the
// bookmark files found.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "setup/setup_ids.h"
#include "tests/e2e/e2e_support.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && lstrcmpiA(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// Waits for the wizard page captioned caption and returns it (the sheet's caption follows the page).
HWND WaitForPage(HWND sheet, DWORD pid, const char* caption) {
    HWND page = nullptr;
    tvd::WaitUntil(
        [&] {
            HWND now = tvd::CurrentPropertyPage(sheet);
            char text[128] = {};
            if (now) GetWindowTextA(now, text, sizeof text);
            if (now && lstrcmpA(text, caption) == 0) page = now;
            return page != nullptr;
        },
        tvd::WaitCeilingMs());
    (void)pid;
    return page;
}

// Waits until a search dialog came and went and field `id` of the page shows a path.
bool SearchFilled(HWND page, int id, DWORD pid, const char* searchCaption) {
    return tvd::WaitUntil(
        [&] {
            return !tvd::ControlText(page, id).empty() &&
                   !tvd::FindTopWindow(tvd::WindowQuery{tvd::kDialogClass, searchCaption, pid, false});
        },
        tvd::WaitCeilingMs());
}

TEST(FirstSetup, WalkedWithRealChoicesAndFinished) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    ASSERT_TRUE(e2e::FirstRunIn(tv.folder().path()));
    // What the searches find on C: (an Internet Explorer of Wine's own may come first).
    const std::string apps = tv.folder().File("apps");
    ASSERT_TRUE(tvd::MakeFolders(apps + "\\Netscape\\Program"));
    ASSERT_TRUE(tvd::MakeFolders(apps + "\\Opera"));
    ASSERT_TRUE(tvd::MakeFolders(apps + "\\Users\\default"));
    for (const char* file : {"\\IEXPLORE.EXE", "\\Netscape\\Program\\netscape.exe", "\\Opera\\Opera.exe"})
        ASSERT_TRUE(tvd::WriteWholeFile(apps + file, "MZ"));
    ASSERT_TRUE(tvd::WriteWholeFile(apps + "\\Users\\default\\bookmark.htm",
                                    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<DL><p>\r\n"
                                    "<DT><A HREF=\"http://walk.example/netscape\">From Netscape</A>\r\n</DL><p>\r\n"));
    ASSERT_TRUE(tvd::WriteWholeFile(apps + "\\Opera\\opera3.adr",
                                    "Opera Hotlist version 2.0\r\n\r\n#URL\r\n\tNAME=From Opera\r\n"
                                    "\tURL=http://walk.example/opera\r\n\r\n"));

    ASSERT_TRUE(tv.StartWalkingFirstSetup());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    const DWORD pid = tv.process().pid();
    HWND sheet = tvd::WaitForWindow(e2e::kFirstSetupClass, e2e::kFirstSetupCaption, tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(WaitForPage(sheet, pid, "Welcome"));
    // The main window waits behind the wizard.
    EXPECT_FALSE(IsWindowEnabled(frame));

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND browsers = WaitForPage(sheet, pid, "Browser Setup");
    ASSERT_TRUE(browsers);
    ASSERT_TRUE(SearchFilled(browsers, IDC_FS_FIELD3, pid, "Searching Browsers"));
    EXPECT_TRUE(EndsWithNoCase(tvd::ControlText(browsers, IDC_FS_FIELD1), "\\iexplore.exe"));
    EXPECT_TRUE(EndsWithNoCase(tvd::ControlText(browsers, IDC_FS_FIELD2), "\\netscape.exe"));
    EXPECT_TRUE(EndsWithNoCase(tvd::ControlText(browsers, IDC_FS_FIELD3), "\\opera.exe"));
    // The user does not use Internet Explorer: only Netscape is left for the browser choice.
    ASSERT_TRUE(tvd::SetControlText(browsers, IDC_FS_FIELD1, "   "));
    const std::string netscape = tvd::ControlText(browsers, IDC_FS_FIELD2);
    const std::string opera = tvd::ControlText(browsers, IDC_FS_FIELD3);

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND bookmarks = WaitForPage(sheet, pid, "Bookmarks Setup");
    ASSERT_TRUE(bookmarks);
    ASSERT_TRUE(SearchFilled(bookmarks, IDC_FS_FIELD3, pid, "Searching Bookmarks"));
    ASSERT_TRUE(tvd::WaitUntil([&] { return !tvd::ControlText(bookmarks, IDC_FS_FIELD2).empty(); }, tvd::WaitCeilingMs()));
    EXPECT_TRUE(EndsWithNoCase(tvd::ControlText(bookmarks, IDC_FS_FIELD2), "\\bookmark.htm"));
    EXPECT_TRUE(EndsWithNoCase(tvd::ControlText(bookmarks, IDC_FS_FIELD3), "\\opera3.adr"));
    // Only the bookmark files this test made are imported at the start.
    ASSERT_TRUE(tvd::SetControlText(bookmarks, IDC_FS_FIELD1, ""));
    ASSERT_TRUE(tvd::SetControlText(bookmarks, IDC_FS_FIELD2, apps + "\\Users\\default\\bookmark.htm"));
    ASSERT_TRUE(tvd::SetControlText(bookmarks, IDC_FS_FIELD3, apps + "\\Opera\\opera3.adr"));

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND misc = WaitForPage(sheet, pid, "Misc Setup");
    ASSERT_TRUE(misc);
    ASSERT_TRUE(tvd::SetButtonChecked(misc, IDC_FS_AUTOSTART, false));
    ASSERT_TRUE(tvd::SetButtonChecked(misc, IDC_FS_CONTEXT_MENU, false));
    ASSERT_TRUE(tvd::SetButtonChecked(misc, IDC_FS_ON_TOP, true));
    ASSERT_TRUE(tvd::SetButtonChecked(misc, IDC_FS_DEFAULT_VIEWER, false));

    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    HWND scanner = WaitForPage(sheet, pid, "Anti-Virus Scanner Setup");
    ASSERT_TRUE(scanner);
    ASSERT_TRUE(tvd::SetControlText(scanner, IDC_FS_SCANNER, "  C:\\av\\scan.exe /quiet %s "));
    // Back and forth over the last page adds the scanner only once.
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_BACK));
    ASSERT_TRUE(WaitForPage(sheet, pid, "Misc Setup"));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_NEXT));
    ASSERT_TRUE(WaitForPage(sheet, pid, "Anti-Virus Scanner Setup"));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_FINISH));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));

    // Always on top is applied at once.
    ASSERT_TRUE(tvd::WaitUntil([&] { return (GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; },
                               tvd::WaitCeilingMs()));
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);

    TProgramData saved;
    ASSERT_FALSE(LoadDatabase(&saved, nullptr, tv.folder().File("tv.cfg").c_str()));
    const IntegrationSettings& s = saved.integration;
    EXPECT_STREQ(s.iePath, "");
    EXPECT_EQ(std::string(s.netscapePath), netscape);
    EXPECT_EQ(std::string(s.operaPath), opera);
    EXPECT_EQ(s.browserChoice, 1);
    EXPECT_EQ(s.ieDownloads, 0u);
    EXPECT_EQ(s.netscapeDownloads, 1u);
    EXPECT_EQ(s.operaDownloads, 1u);
    EXPECT_EQ(s.ieFavoritesImport, 0u);
    EXPECT_EQ(s.netscapeBookmarkImport, 1u);
    EXPECT_EQ(s.operaHotlistImport, 1u);
    EXPECT_EQ(s.startWithWindows, 0u);
    EXPECT_EQ(s.contextMenuIntegration, 0u);
    EXPECT_EQ(s.alwaysOnTop, 1u);
    EXPECT_EQ(saved.viewer.defaultViewer, 0u);
    ASSERT_EQ(saved.externalPrograms.Count(1), 1u);
    EXPECT_STREQ(TExtProcListObject::Item(saved.externalPrograms.First())->commandLine, "C:\\av\\scan.exe /quiet %s");
    // The start-up import read both files found.
    int imported = 0;
    for (ListNode* n = saved.bookmarks.First(); n; n = n->next) {
        const BookmarkItem* b = TBookmarkListObject::Item(n);
        if (b && b->url && (std::string(b->url) == "http://walk.example/netscape" || std::string(b->url) == "http://walk.example/opera"))
            ++imported;
    }
    EXPECT_EQ(imported, 2);
}

// Cancel on the first page: nothing of the wizard is kept, the program runs on with the first-run
// defaults (and a later start is no first run any more).
TEST(FirstSetup, CancelKeepsTheDefaults) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    ASSERT_TRUE(tv.Start());  // cancels the wizard
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(IsWindowEnabled(frame));
    EXPECT_EQ(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    TProgramData saved;
    ASSERT_FALSE(LoadDatabase(&saved, nullptr, tv.folder().File("tv.cfg").c_str()));
    EXPECT_EQ(saved.externalPrograms.Count(1), 0u);
    EXPECT_EQ(saved.integration.alwaysOnTop, 0u);
    EXPECT_FALSE(e2e::FirstRunIn(tv.folder().path()));
}

}  // namespace
