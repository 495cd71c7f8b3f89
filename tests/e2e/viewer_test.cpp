// The internal viewer in the real program: a double click on a stored download (double-click
// action "Internal Viewer") opens it, Extract writes the members and stamps the download, a ZIP
// inside the ZIP opens in a second viewer from a temporary copy that is gone once the program
// has ended; "/iv" opens a viewer at start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/viewer_ids.h"
#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/archive/win_viewer_support.h"
#include "tests/e2e/e2e_support.h"
#include "util/textcopy.h"

namespace {

constexpr int kDownloadListId = 306;
constexpr char kViewerClass[] = "TVInternalViewerWindow";

// tv.cfg with one download "pack.zip" in the downloads root whose stored file is archive.
bool WriteDatabase(const std::string& folder, const std::string& archive, int doubleClickAction) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(0);
    d.standards.doubleClickAction = doubleClickAction;
    d.viewer.recentDocuments = 0;
    FileItem item;
    d.downloads.InitItem(&item);
    TextAssign(&item.fileName, "pack.zip");
    TextAssign(&item.storedName, "pack.zip");
    TextAssign(&item.description, "A pack");
    item.flags = TV_FILE_EXISTS;
    item.categoryId = 0;
    const bool added = d.downloads.Add(&item, 0) != nullptr;
    CreateMissingStorageFolders(&d, 1);
    char path[TV_PATH_SIZE] = {};
    const StorageLocations locations{d.standards.downloadsLocation, d.standards.shortcutsLocation};
    const ListNode* root = d.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
    const bool placed = root && d.downloads.FilePath(path, sizeof path, &item, &d.categories, locations, root) ==
                                    TV_FOLDER_OK &&
                        CopyFileA(archive.c_str(), path, FALSE);
    d.downloads.FreeItemData(&item);
    return added && placed && SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str());
}

// The folders below the temporary folder that hold a file of that name.
std::vector<std::string> TemporaryCopies(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE h = FindFirstFileA((std::string(temp) + "tv*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::string copy = std::string(temp) + entry.cFileName + "\\" + name;
        if (tvd::FileExists(copy)) found.push_back(copy);
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    return found;
}

int RowOf(HWND list, const std::string& name) {
    tvd::ListContents contents;
    if (!tvd::ReadList(list, &contents)) return -1;
    for (size_t i = 0; i < contents.rows.size(); ++i)
        if (!contents.rows[i].empty() && contents.rows[i][0] == name) return int(i);
    return -1;
}

class ViewerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        folder_ = tvd::WinPath(tv_.folder().path());
        // The archive: made by Info-ZIP, with a ZIP (made by 7-Zip) inside.
        ivt::Write(folder_ + "\\make\\in\\note.txt", "inside");
        ASSERT_TRUE(ivt::SevenZip(folder_ + "\\make\\in", folder_ + "\\make\\src\\inner.zip", "", {"note.txt"}));
        ivt::Write(folder_ + "\\make\\src\\docs\\readme.txt", "read me");
        ASSERT_TRUE(ivt::InfoZip(folder_ + "\\make\\src", folder_ + "\\make\\pack.zip", "-q -r",
                                 {"docs/readme.txt", "inner.zip"}));
    }

    e2e::TvProgram tv_;
    std::string folder_;
};

TEST_F(ViewerEndToEnd, DoubleClickOnADownloadToAnExtractedFileAndTheInnerCopyGoesAtTheEnd) {
    ASSERT_TRUE(WriteDatabase(folder_, folder_ + "\\make\\pack.zip", 3));
    ASSERT_TRUE(tv_.Start());
    HWND frame = tv_.WaitForFrame();
    ASSERT_TRUE(frame);
    HWND client = tvd::FindChildByClass(frame, "TolvaneWindow");
    HWND list = client ? tvd::Control(client, kDownloadListId) : nullptr;
    ASSERT_TRUE(list);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list) == 1; }, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::SelectListItem(list, 0));
    // A double click on the row (the list view tells the main window NM_DBLCLK).
    RECT header = {};
    tvd::WindowRect(tvd::FindChildByClass(list, "SysHeader32"), &header);
    const LPARAM at = MAKELPARAM(30, (header.bottom - header.top) + 6);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    HWND viewer = tvd::WaitForWindow(kViewerClass, "Internal Viewer - Tolvane Plus - pack.zip", tvd::WaitCeilingMs());
    ASSERT_TRUE(viewer);
    HWND members = tvd::Control(viewer, IV_ID_LIST);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(members) == 2; }, tvd::WaitCeilingMs()));

    // Extract all into a folder of the program folder.
    const std::string out = folder_ + "\\out";
    ASSERT_TRUE(tvd::PostCommand(viewer, IV_CM_SELECT_ALL));
    ASSERT_TRUE(tvd::PostCommand(viewer, IV_CM_EXTRACT));
    HWND dialog = tvd::WaitForDialog("Extract", tvd::WaitCeilingMs());
    ASSERT_TRUE(dialog);
    tvd::SetControlText(dialog, IDC_IVEX_FOLDER, out);
    tvd::PressButton(dialog, IDOK);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::FileExists(out + "\\docs\\readme.txt"); }, tvd::WaitCeilingMs()));
    EXPECT_EQ("read me", ivt::Read(out + "\\docs\\readme.txt"));
    EXPECT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));

    // Open the inner ZIP: a second viewer on a temporary copy.
    const std::vector<std::string> before = TemporaryCopies("inner.zip");
    const int row = RowOf(members, "inner.zip");
    ASSERT_GE(row, 0);
    ASSERT_TRUE(tvd::SelectListItem(members, row));
    ASSERT_TRUE(tvd::PostCommand(viewer, IV_CM_OPEN));
    HWND inner = tvd::WaitForWindow(kViewerClass, "Internal Viewer - Tolvane Plus - inner.zip", tvd::WaitCeilingMs());
    ASSERT_TRUE(inner);
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(tvd::Control(inner, IV_ID_LIST)) == 1; },
                               tvd::WaitCeilingMs()));
    std::vector<std::string> copies = TemporaryCopies("inner.zip");
    std::vector<std::string> made;
    for (const std::string& c : copies)
        if (std::find(before.begin(), before.end(), c) == before.end()) made.push_back(c);
    ASSERT_EQ(1u, made.size());

    // The program ends with both viewers open: the copy and its folder are removed.
    DWORD code = 1;
    ASSERT_TRUE(tv_.Close(&code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(tvd::FileExists(made[0]));
    EXPECT_FALSE(tvd::FolderExists(made[0].substr(0, made[0].find_last_of('\\'))));
    // tv.cfg: the download was stamped with the extraction, nothing is left to clean up.
    TProgramData saved;
    saved.SetProgramFolder(folder_.c_str());
    ASSERT_FALSE(LoadDatabase(&saved, nullptr, (folder_ + "\\tv.cfg").c_str()));
    const FileItem* item = TFileListObject::Item(saved.downloads.First());
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->unpackDate.IsZero());
    EXPECT_EQ(0, lstrcmpiA(out.c_str(), item->extractedTo));
    EXPECT_EQ(0u, saved.tempFiles.Count(0));
}

TEST_F(ViewerEndToEnd, CommandLineViewerAtStartUp) {
    ASSERT_TRUE(WriteDatabase(folder_, folder_ + "\\make\\pack.zip", 1));
    ASSERT_TRUE(tv_.Start("/iv \"" + folder_ + "\\make\\pack.zip\""));
    HWND frame = tv_.WaitForFrame();
    ASSERT_TRUE(frame);
    HWND viewer = tvd::WaitForWindow(kViewerClass, "Internal Viewer - Tolvane Plus - pack.zip", tvd::WaitCeilingMs());
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(tvd::Control(viewer, IV_ID_LIST)) == 2; },
                               tvd::WaitCeilingMs()));
    // The main window went to the tray.
    EXPECT_TRUE(tvd::WaitUntil([&] { return !IsWindowVisible(frame); }, tvd::WaitCeilingMs()));
    tvd::PostClose(viewer);
    EXPECT_TRUE(tvd::WaitForWindowGone(viewer, tvd::WaitCeilingMs()));
    DWORD code = 1;
    ASSERT_TRUE(tv_.Close(&code));
    EXPECT_EQ(0u, code);
}

}  // namespace
