// Find in the real program: the Search command's sheet, the ordinary find with its result window
// choosing a hit in the main window, and the archive search with its result window over stored
// downloads (a ZIP, a self-extracting .exe, a plain .exe and a .txt), a file in the temporary
// folder named like a member left alone.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/viewer_ids.h"
#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "find/find_ids.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/stored_zip.h"
#include "util/textcopy.h"

namespace {

constexpr int kDownloadListId = 306;
constexpr int kSearchCommand = 117;
constexpr char kFindResultClass[] = "TolvaneFindResultWindow";
constexpr char kZipResultClass[] = "TZipSearchResultWindow";

struct Download {
    const char* fileName;
    const char* description;
    std::string bytes;  // the stored file
};

// tv.cfg with the downloads (stored in the downloads root) and two bookmarks; keepOpen is the
// result window's keep-open toggle.
bool WriteDatabase(const std::string& folder, const std::vector<Download>& downloads, bool keepOpen) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(0);
    d.findWindowOption = keepOpen ? 1 : 0;
    CreateMissingStorageFolders(&d, 1);
    const StorageLocations locations{d.standards.downloadsLocation, d.standards.shortcutsLocation};
    const ListNode* root = d.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
    bool ok = root != nullptr;
    for (const Download& download : downloads) {
        FileItem item;
        d.downloads.InitItem(&item);
        TextAssign(&item.fileName, download.fileName);
        TextAssign(&item.storedName, download.fileName);
        TextAssign(&item.description, download.description);
        item.flags = TV_FILE_EXISTS;
        item.categoryId = 0;
        ok = ok && d.downloads.Add(&item, 0) != nullptr;
        char path[TV_PATH_SIZE] = {};
        ok = ok && d.downloads.FilePath(path, sizeof path, &item, &d.categories, locations, root) == TV_FOLDER_OK &&
             tvd::WriteWholeFile(path, download.bytes);
        d.downloads.FreeItemData(&item);
    }
    const char* const bookmarks[][2] = {{"http://example.com/pets", "Pet shop"}, {"http://example.com/cat", "A cat"}};
    for (const auto& b : bookmarks) {
        BookmarkItem item;
        d.bookmarks.InitItem(&item);
        TextAssign(&item.url, b[0]);
        TextAssign(&item.title, b[1]);
        TextAssign(&item.description, "");
        item.categoryId = 0;
        ok = ok && d.bookmarks.Add(&item, 0) != nullptr;
        d.bookmarks.FreeItemData(&item);
    }
    return ok && SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str());
}

// The Search sheet is the system's property sheet (class #32770), owned by the program's frame.
HWND OpenedSearchSheet(e2e::TvProgram& tv) {
    return tv.process().WaitForWindow("#32770", "Search", tvd::WaitCeilingMs());
}

// Opens the Search sheet from the main window and fills its page; OK starts the search.
void Search(e2e::TvProgram& tv, const std::string& contents, bool files, bool archives, const std::string& filter,
            bool wholeWords) {
    ASSERT_TRUE(tvd::PostCommand(tv.frame(), kSearchCommand));
    HWND sheet = OpenedSearchSheet(tv);
    ASSERT_TRUE(sheet);
    HWND page = tvd::CurrentPropertyPage(sheet);
    ASSERT_TRUE(page);
    tvd::ClickButton(page, files ? IDC_FIND_FILE : IDC_FIND_BOOKMARKS);
    if (files) tvd::ClickButton(page, archives ? IDC_FIND_ARCHIVES : IDC_FIND_INFOS);
    // The filter box is usable only for the archive search.
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::IsControlEnabled(page, IDC_FIND_FILTER) == (files && archives); },
                               tvd::WaitCeilingMs()));
    tvd::SetControlText(page, IDC_FIND_CONTENTS, contents);
    tvd::SetControlText(page, IDC_FIND_FILTER, filter);
    tvd::SetButtonChecked(page, IDC_FIND_WORDS, wholeWords);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
}

// The first column of every row.
std::vector<std::string> FirstColumn(HWND list) {
    tvd::ListContents contents;
    std::vector<std::string> out;
    if (!tvd::ReadList(list, &contents)) return out;
    for (const auto& row : contents.rows) out.push_back(row.empty() ? std::string() : row[0]);
    return out;
}

std::vector<std::string> Column(HWND list, size_t column) {
    tvd::ListContents contents;
    std::vector<std::string> out;
    if (!tvd::ReadList(list, &contents)) return out;
    for (const auto& row : contents.rows) out.push_back(row.size() > column ? row[column] : std::string());
    return out;
}

class FindEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        folder_ = tvd::WinPath(tv_.folder().path());
    }

    HWND StartWith(const std::vector<Download>& downloads, bool keepOpen) {
        if (!WriteDatabase(folder_, downloads, keepOpen) || !tv_.Start()) return nullptr;
        HWND frame = tv_.WaitForFrame();
        if (!frame || !tvd::WaitUntil([&] { return IsWindowVisible(frame) != FALSE; }, tvd::WaitCeilingMs()))
            return nullptr;
        HWND client = frame ? tvd::FindChildByClass(frame, "TolvaneWindow") : nullptr;
        downloadList_ = client ? tvd::Control(client, kDownloadListId) : nullptr;
        if (!downloadList_ ||
            !tvd::WaitUntil([&] { return tvd::ListItemCount(downloadList_) == int(downloads.size()); },
                            tvd::WaitCeilingMs()))
            return nullptr;
        return frame;
    }

    void CloseProgram() {
        DWORD code = 1;
        EXPECT_TRUE(tv_.Close(&code));
        EXPECT_EQ(0u, code);
    }

    e2e::TvProgram tv_;
    std::string folder_;
    HWND downloadList_ = nullptr;
};

TEST_F(FindEndToEnd, WholeWordsFindTwoDownloadsAndNextSelectsTheSecondInTheMainWindow) {
    HWND frame = StartWith({{"food.txt", "cat food", "x"}, {"pet.txt", "a cat", "y"}, {"books.txt", "catalog", "z"}},
                           false);
    ASSERT_TRUE(frame);
    Search(tv_, "cat", true, false, "", true);
    HWND results = tvd::WaitForWindow(kFindResultClass, "Search Results - Tolvane Plus", tvd::WaitCeilingMs());
    ASSERT_TRUE(results);
    HWND list = tvd::Control(results, FR_ID_LIST);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list) == 2; }, tvd::WaitCeilingMs()));
    EXPECT_EQ((std::vector<std::string>{"food.txt", "pet.txt"}), FirstColumn(list));
    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(list, &contents));
    EXPECT_EQ("Filename", contents.columns.at(0));
    EXPECT_EQ("Extracted To", contents.columns.at(7));
    // The status bar's first part: the term (WM_GETTEXT of a status bar reads part 0).
    EXPECT_EQ("Searchterm: cat", tvd::WindowText(tvd::Control(results, FR_ID_STATUS)));

    // Next from the first row chooses the second: the main window selects pet.txt, and the window
    // (not kept open) closes.
    ASSERT_TRUE(tvd::SelectListItem(list, 0));
    ASSERT_TRUE(tvd::PostCommand(results, FR_CM_NEXT));
    EXPECT_TRUE(tvd::WaitForWindowGone(results, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            tvd::ListContents main;
            return tvd::ReadList(downloadList_, &main) && main.selected.size() == 1 &&
                   main.rows.at(size_t(main.selected[0])).at(0) == "pet.txt";
        },
        tvd::WaitCeilingMs()));

    // A search without hits: message 3300 and no result window.
    Search(tv_, "dog", true, false, "", false);
    HWND box = tvd::WaitForMessageBox("Information", tvd::WaitCeilingMs());
    ASSERT_TRUE(box);
    EXPECT_EQ("No items found corresponding your search criteria.", tvd::MessageBoxText(box));
    tvd::AnswerMessageBox(box, IDOK);
    tvd::WindowQuery query;
    query.className = kFindResultClass;
    EXPECT_FALSE(tvd::FindTopWindow(query));

    // Bookmarks with the archive option still chosen under File: only the contents text counts.
    ASSERT_TRUE(tvd::PostCommand(frame, kSearchCommand));
    HWND sheet = OpenedSearchSheet(tv_);
    ASSERT_TRUE(sheet);
    HWND page = tvd::CurrentPropertyPage(sheet);
    tvd::ClickButton(page, IDC_FIND_FILE);
    tvd::ClickButton(page, IDC_FIND_ARCHIVES);
    tvd::ClickButton(page, IDC_FIND_BOOKMARKS);
    tvd::SetControlText(page, IDC_FIND_CONTENTS, "cat");
    tvd::SetControlText(page, IDC_FIND_FILTER, "");
    tvd::SetButtonChecked(page, IDC_FIND_WORDS, false);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    results = tvd::WaitForWindow(kFindResultClass, "Search Results - Tolvane Plus", tvd::WaitCeilingMs());
    ASSERT_TRUE(results);
    list = tvd::Control(results, FR_ID_LIST);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list) == 1; }, tvd::WaitCeilingMs()));
    EXPECT_EQ((std::vector<std::string>{"A cat"}), FirstColumn(list));
    tvd::PostClose(results);
    EXPECT_TRUE(tvd::WaitForWindowGone(results, tvd::WaitCeilingMs()));
    CloseProgram();
}

TEST_F(FindEndToEnd, ArchiveSearchFindsMembersOfZipsAndSelfExtractorsOnlyInMemory) {
    const std::string zip = e2e::MakeZip({{"docs/a.txt", "find the needle here"}, {"b.txt", "nothing"}});
    // A self-extracting program: a stub in front of the archive (offsets inside stay relative to
    // the archive's start, which the engine works out).
    const std::string sfx = e2e::MakeZip({{"setup/c.txt", "a needle too"}});
    std::string stub = "MZ";
    stub.append(4094, '\0');
    const std::vector<Download> downloads = {{"pack.zip", "", zip},
                                             {"setup.exe", "", stub + sfx},
                                             {"plain.exe", "", stub + "needle"},
                                             {"note.txt", "", "needle"}};
    // A file in the temporary folder named like a member that does not hold the text: searching
    // it instead of the member, or deleting it, would show.
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string decoy = std::string(temp) + "b.txt";
    const bool hadDecoy = tvd::FileExists(decoy);
    if (!hadDecoy) {
        ASSERT_TRUE(tvd::WriteWholeFile(decoy, "a needle in the user's own file"));
    }
    std::string decoyBefore;
    ASSERT_TRUE(tvd::ReadWholeFile(decoy, &decoyBefore));

    HWND frame = StartWith(downloads, true);
    ASSERT_TRUE(frame);
    Search(tv_, "needle", true, true, "*.*", false);
    HWND results = tvd::WaitForWindow(kZipResultClass, nullptr, tvd::WaitCeilingMs());
    ASSERT_TRUE(results);
    HWND list = tvd::Control(results, FR_ID_LIST);
    ASSERT_TRUE(list);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list) == 2; }, tvd::WaitCeilingMs()));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "c.txt"}), FirstColumn(list));
    EXPECT_EQ((std::vector<std::string>{"pack.zip", "setup.exe"}), Column(list, 1));
    std::string decoyAfter;
    EXPECT_TRUE(tvd::ReadWholeFile(decoy, &decoyAfter));
    EXPECT_EQ(decoyBefore, decoyAfter);

    // Case counts: "Needle" is in no member.
    Search(tv_, "Needle", true, true, "*.*", false);
    HWND box = tvd::WaitForMessageBox("Information", tvd::WaitCeilingMs());
    ASSERT_TRUE(box);
    EXPECT_EQ("No items found corresponding your search criteria.", tvd::MessageBoxText(box));
    tvd::AnswerMessageBox(box, IDOK);

    // Delete of the first hit from the first result window: the member leaves its archive.
    ASSERT_TRUE(tvd::SelectListItem(list, 0));
    ASSERT_TRUE(tvd::PostCommand(results, IV_CM_DELETE));
    HWND ask = tvd::WaitForDialog("Delete", tvd::WaitCeilingMs());
    ASSERT_TRUE(ask);
    tvd::PressButton(ask, IDOK);
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list) == 1; }, tvd::WaitCeilingMs()));
    tvd::PostClose(results);
    EXPECT_TRUE(tvd::WaitForWindowGone(results, tvd::WaitCeilingMs()));
    CloseProgram();
    if (!hadDecoy) DeleteFileA(decoy.c_str());
}

}  // namespace
