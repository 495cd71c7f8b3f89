// The download list of the real tv.exe: the state icons of missing, marked and found downloads,
// the name column keeping the icon and the rename edit under a stored column order, and a header
// dragged to a new place stored in tv.cfg.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "database/win_database.h"
#include "shell/commands.h"
#include "tests/e2e/e2e_support.h"
#include "tests/shell/sample_database.h"

namespace {

constexpr int kDownloadListId = 306;

// The sample (tests/shell/sample_database.h) with its extra downloads, in list order: alpha.zip,
// beta.exe, gamma.zip (plain), delta-setup.exe (missing), epsilon.zip (marked), zeta.txt (found).
// The columns: Size (120 px), Filename (90 px), Description, then the rest.
class ListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        ASSERT_TRUE(sample::WriteSampleDatabase(tvd::WinPath(tv_.folder().path()), true));
        ASSERT_TRUE(tv_.Start());
        frame_ = tv_.WaitForFrame();
        ASSERT_NE(frame_, nullptr);
        HWND client = tvd::FindChildByClass(frame_, "TolvaneWindow");
        ASSERT_NE(client, nullptr);
        list_ = tvd::Control(client, kDownloadListId);
        ASSERT_NE(list_, nullptr);
        ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list_) == 6; }, tvd::WaitCeilingMs()));
    }
    void TearDown() override {
        if (closed_) return;
        DWORD exitCode = 1;
        EXPECT_TRUE(tv_.Close(&exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    // The rows' texts of one column.
    std::vector<std::string> Column(int column) {
        tvd::ListContents contents;
        std::vector<std::string> cells;
        if (!tvd::ReadList(list_, &contents)) return cells;
        for (const auto& row : contents.rows) cells.push_back(size_t(column) < row.size() ? row[size_t(column)] : "");
        return cells;
    }
    // Mouse messages to the header at list-client x positions (the header starts at x 0).
    void HeaderClick(int x) {
        HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
        PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 5));
        PostMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    }

    e2e::TvProgram tv_;
    HWND frame_ = nullptr, list_ = nullptr;
    bool closed_ = false;
};

TEST_F(ListsTest, StateIconsDifferFromPlainFilesAndFromEachOther) {
    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(list_, &contents));
    ASSERT_EQ(contents.images.size(), 6u);
    const std::vector<std::string> names = {"alpha.zip", "beta.exe", "gamma.zip", "delta-setup.exe", "epsilon.zip",
                                            "zeta.txt"};
    ASSERT_EQ(Column(0), names);
    const int zip = contents.images[0], exe = contents.images[1];
    const int missing = contents.images[3], marked = contents.images[4], found = contents.images[5];
    for (int image : contents.images) EXPECT_GE(image, 0);
    // Files of one type share its icon.
    EXPECT_EQ(contents.images[2], zip);
    // Each state has its own icon, none of them a file type's.
    EXPECT_EQ((std::set<int>{missing, marked, found}).size(), 3u);
    for (int state : {missing, marked, found}) {
        EXPECT_NE(state, zip);
        EXPECT_NE(state, exe);
    }
}

TEST_F(ListsTest, IconAndRenameEditStayInTheNameColumn) {
    // Size is shown first (0..120), Filename second (120..210).
    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(list_, &contents));
    ASSERT_EQ(contents.DisplayedColumns()[0], "Size");
    ASSERT_EQ(contents.DisplayedColumns()[1], "Filename");
    RECT icon = {};
    ASSERT_TRUE(tvd::ListItemRect(list_, 1, LVIR_ICON, &icon));
    EXPECT_GE(icon.left, 120);
    EXPECT_LE(icon.right, 210);

    ASSERT_TRUE(tvd::SelectListItem(list_, 1));
    // The command states follow the selection at the next refresh.
    HWND toolbar = tvd::Control(GetParent(list_), 303);
    ASSERT_TRUE(tvd::WaitUntil([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, CM_OPEN, 0) != 0; },
                               tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_RENAME));
    HWND edit = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] { return (edit = tvd::FindChildByClass(list_, "Edit")) != nullptr; },
                               tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::WindowText(edit), "beta.exe");
    RECT box = {};
    GetWindowRect(edit, &box);
    MapWindowPoints(nullptr, list_, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_GE(box.left, icon.right - 2) << box.left;
    EXPECT_LT(box.left, 210) << box.left;
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(tvd::WaitForWindowGone(edit, tvd::WaitCeilingMs()));
}

TEST_F(ListsTest, DraggedHeaderIsStoredAndSortsItsOwnColumn) {
    const LONG extended = LONG(SendMessageA(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(extended & LVS_EX_HEADERDRAGDROP);
    // Description (shown third, 210..360) dragged to the front.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(280, 5));
    for (int x = 270; x >= 10; x -= 20) PostMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 5));
    PostMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
    const std::vector<std::string> dragged = {"Description", "Size", "Filename", "Download Date", "Website",
                                              "Unpack Date", "Extracted To"};
    std::vector<std::string> shown;
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            tvd::ListContents contents;
            if (tvd::ReadList(list_, &contents)) shown = contents.DisplayedColumns();
            return shown == dragged;
        },
        tvd::WaitCeilingMs()))
        << testing::PrintToString(shown);

    // A click on Filename (now 270..360) sorts by the name: ascending, then descending.
    for (const auto& expected :
         {std::vector<std::string>{"alpha.zip", "beta.exe", "delta-setup.exe", "epsilon.zip", "gamma.zip", "zeta.txt"},
          std::vector<std::string>{"zeta.txt", "gamma.zip", "epsilon.zip", "delta-setup.exe", "beta.exe", "alpha.zip"}}) {
        HeaderClick(315);
        EXPECT_TRUE(tvd::WaitUntil([&] { return Column(0) == expected; }, tvd::WaitCeilingMs())) << expected[0];
    }

    closed_ = true;
    DWORD exitCode = 1;
    ASSERT_TRUE(tv_.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    const std::string folder = tvd::WinPath(tv_.folder().path());
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    ASSERT_FALSE(LoadDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str()));
    // Field -> position and width, whatever the order of the entries.
    auto entryOf = [&](uint32_t field) {
        for (uint32_t i = 0; i < d.downloadColumns.count; ++i)
            if (d.downloadColumns.entries[i].field == field) return d.downloadColumns.entries[i];
        return ListColumnEntry{99, -1, 0, nullptr};
    };
    EXPECT_EQ(entryOf(1).position, 0);  // Description
    EXPECT_EQ(entryOf(2).position, 1);  // Size
    EXPECT_EQ(entryOf(0).position, 2);  // Filename
    EXPECT_EQ(entryOf(3).position, 3);
    EXPECT_EQ(entryOf(2).width, 120u);
    EXPECT_EQ(entryOf(0).width, 90u);
}

}  // namespace
