// The main window of the real tv.exe with a prepared tv.cfg: the download list shows the columns
// and rows the file holds, the search field filters at each keystroke, the toolbar follows the
// selection, the status bar counts the selected downloads, and Del in the search field edits the
// field only.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/commands.h"
#include "tests/e2e/e2e_support.h"
#include "tests/shell/sample_database.h"
#include "database/win_database.h"

namespace {

constexpr int kTreeId = 301;
constexpr int kDownloadListId = 306;
constexpr int kToolbarId = 303;
constexpr int kStatusBarId = 304;
constexpr int kSearchFieldId = 305;

// The sample downloads (tests/shell/sample_database.h): alpha.zip 2,048 bytes "First archive",
// beta.exe 3,072 bytes "Setup program", gamma.zip 1 MB "Another zip"; one bookmark.
bool WriteConfiguration(const std::string& folder) { return sample::WriteSampleDatabase(folder); }

// Another process's memory for one message that carries a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    void* address() const { return memory_; }
    bool Write(const void* data, size_t size) {
        SIZE_T done = 0;
        return memory_ && WriteProcessMemory(process_, memory_, data, size, &done) && done == size;
    }
    bool Read(void* data, size_t size) {
        SIZE_T done = 0;
        return memory_ && ReadProcessMemory(process_, memory_, data, size, &done) && done == size;
    }

private:
    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
    size_t size_;
};

std::string StatusPart(HWND status, int part) {
    RemoteBuffer buffer(status, 600);
    std::vector<char> text(600, '\0');
    if (!buffer.Write(text.data(), text.size())) return "<unreadable>";
    SendMessageA(status, SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(buffer.address()));
    if (!buffer.Read(text.data(), text.size())) return "<unreadable>";
    text.back() = '\0';
    return text.data();
}

// Sets the selection of one row of another process's list view.
bool SetRowSelected(HWND list, int row, bool selected) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    RemoteBuffer buffer(list, sizeof(item));
    return buffer.Write(&item, sizeof(item)) &&
           SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(buffer.address()));
}

std::vector<std::string> FirstCells(HWND list, int column) {
    tvd::ListContents contents;
    std::vector<std::string> cells;
    if (!tvd::ReadList(list, &contents)) return cells;
    for (const auto& row : contents.rows) cells.push_back(size_t(column) < row.size() ? row[column] : "");
    return cells;
}

// The clipboard's text ("" when it holds none).
std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void EmptyTheClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

// A row's rectangle (LVIR_BOUNDS) on the screen.
RECT ScreenRowRect(HWND list, int row) {
    RECT r = {};
    r.left = LVIR_BOUNDS;
    RemoteBuffer buffer(list, sizeof(r));
    if (buffer.Write(&r, sizeof(r)) &&
        SendMessageA(list, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(buffer.address())))
        buffer.Read(&r, sizeof(r));
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The rectangle of a toolbar button on the screen.
RECT ScreenButtonRect(HWND toolbar, int command) {
    RECT r = {};
    RemoteBuffer buffer(toolbar, sizeof(r));
    if (buffer.Write(&r, sizeof(r)) &&
        SendMessageA(toolbar, TB_GETRECT, WPARAM(command), reinterpret_cast<LPARAM>(buffer.address())))
        buffer.Read(&r, sizeof(r));
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// 32-bit pixels (0x00RRGGBB) of a bitmap, top row first.
std::vector<DWORD> Pixels(HDC dc, HBITMAP bitmap, int width, int height) {
    std::vector<DWORD> pixels(size_t(width) * size_t(height));
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(dc, bitmap, 0, UINT(height), pixels.data(), &bi, DIB_RGB_COLORS) != height) pixels.clear();
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// Whether the screen shows image `image` of the toolbar strip (18 x 18, mask magenta) anywhere
// inside the rectangle: every pixel that is not mask matches.
bool ScreenShowsStripImage(const std::string& exe, int image, const RECT& area) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    HBITMAP strip = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(200), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> bits = strip ? Pixels(screen, strip, 342, 18) : std::vector<DWORD>();
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP shot = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    std::vector<DWORD> seen = Pixels(memory, shot, width, height);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (strip) DeleteObject(strip);
    FreeLibrary(module);
    if (bits.empty() || seen.empty()) return false;
    for (int oy = 0; oy + 18 <= height; ++oy) {
        for (int ox = 0; ox + 18 <= width; ++ox) {
            bool match = true;
            for (int y = 0; y < 18 && match; ++y)
                for (int x = 0; x < 18 && match; ++x) {
                    const DWORD want = bits[size_t(y) * 342 + size_t(image * 18 + x)];
                    if (want != 0xFF00FF && want != seen[size_t(oy + y) * size_t(width) + size_t(ox + x)]) match = false;
                }
            if (match) return true;
        }
    }
    return false;
}

bool ButtonEnabled(HWND toolbar, int command) { return SendMessageA(toolbar, TB_ISBUTTONENABLED, command, 0) != 0; }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        ASSERT_TRUE(WriteConfiguration(tvd::WinPath(tv_.folder().path())));
        ASSERT_TRUE(tv_.Start());
        frame_ = tv_.WaitForFrame();
        ASSERT_NE(frame_, nullptr);
        client_ = tvd::FindChildByClass(frame_, "TolvaneWindow");
        ASSERT_NE(client_, nullptr);
        list_ = tvd::Control(client_, kDownloadListId);
        toolbar_ = tvd::Control(client_, kToolbarId);
        status_ = tvd::Control(client_, kStatusBarId);
        search_ = tvd::Control(client_, kSearchFieldId);
        ASSERT_TRUE(list_ && toolbar_ && status_ && search_);
        ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListItemCount(list_) == 3; }, tvd::WaitCeilingMs()));
    }
    void TearDown() override {
        if (closed_) return;
        DWORD exitCode = 1;
        EXPECT_TRUE(tv_.Close(&exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    bool WaitForRows(const std::vector<std::string>& names) {
        return tvd::WaitUntil([&] { return FirstCells(list_, 0) == names; }, tvd::WaitCeilingMs());
    }

    e2e::TvProgram tv_;
    bool closed_ = false;
    HWND frame_ = nullptr, client_ = nullptr, list_ = nullptr, toolbar_ = nullptr, status_ = nullptr,
         search_ = nullptr;
};

TEST_F(MainWindowTest, ColumnsAndRowsShowWhatTheFileHolds) {
    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(list_, &contents));
    // The columns stand in the stored order; each keeps its field as its column index.
    const std::vector<std::string> titles = {"Size", "Filename", "Description", "Download Date", "Website",
                                             "Unpack Date", "Extracted To"};
    EXPECT_EQ(contents.DisplayedColumns(), titles);
    const std::vector<std::string> fields = {"Filename", "Description", "Size", "Download Date", "Website",
                                             "Unpack Date", "Extracted To"};
    EXPECT_EQ(contents.columns, fields);
    EXPECT_EQ(SendMessageA(list_, LVM_GETCOLUMNWIDTH, 2, 0), 120);
    EXPECT_EQ(SendMessageA(list_, LVM_GETCOLUMNWIDTH, 0, 0), 90);
    ASSERT_EQ(contents.rows.size(), 3u);
    const std::vector<std::string> first = {"alpha.zip", "First archive", "2 k", "", "http://example.com/alpha", "", ""};
    EXPECT_EQ(contents.rows[0], first);
    EXPECT_EQ(contents.rows[2][2], "1,024 k");
    // Only the download list shows.
    EXPECT_TRUE(IsWindowVisible(list_));
    EXPECT_FALSE(IsWindowVisible(tvd::Control(client_, kDownloadListId + 1)));
    EXPECT_FALSE(IsWindowVisible(tvd::Control(client_, kDownloadListId + 2)));
    // A click on the Description heading sorts by it, a second click reverses the order.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    const LPARAM atDescription = MAKELPARAM(120 + 90 + 40, 5);
    for (const auto& expected : {std::vector<std::string>{"gamma.zip", "alpha.zip", "beta.exe"},
                                 std::vector<std::string>{"beta.exe", "alpha.zip", "gamma.zip"}}) {
        PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, atDescription);
        PostMessageA(header, WM_LBUTTONUP, 0, atDescription);
        EXPECT_TRUE(WaitForRows(expected)) << expected[0];
    }
}

TEST_F(MainWindowTest, SearchFieldFiltersAtEachKeystroke) {
    struct Step {
        char key;
        std::vector<std::string> rows;
    } steps[] = {
        {'g', {"beta.exe", "gamma.zip"}},  // "Setup program" holds a g
        {'a', {"gamma.zip"}},
        {'m', {"gamma.zip"}},
        {'x', {}},
    };
    for (const Step& step : steps) {
        PostMessageA(search_, WM_CHAR, WPARAM(step.key), 1);
        EXPECT_TRUE(WaitForRows(step.rows)) << "after " << step.key;
    }
    EXPECT_EQ(tvd::WindowText(search_), "gamx");
    // Erase Search Expression brings every row back.
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_ERASE_SEARCH));
    EXPECT_TRUE(WaitForRows({"alpha.zip", "beta.exe", "gamma.zip"}));
    EXPECT_EQ(tvd::WindowText(search_), "");
}

TEST_F(MainWindowTest, CommandStatesAndStatusBarFollowTheSelection) {
    ASSERT_TRUE(tvd::SelectListItem(list_, -1));
    for (int command : {CM_OPEN, CM_PROPERTIES, CM_DELETE, CM_CUT, CM_COPY})
        EXPECT_TRUE(tvd::WaitUntil([&] { return !ButtonEnabled(toolbar_, command); }, tvd::WaitCeilingMs())) << command;
    EXPECT_TRUE(ButtonEnabled(toolbar_, CM_HELP_CONTENTS));
    EXPECT_TRUE(ButtonEnabled(toolbar_, CM_ERASE_SEARCH));

    // One download: Open is enabled, the status bar names one file.
    ASSERT_TRUE(tvd::SelectListItem(list_, 0));
    EXPECT_TRUE(tvd::WaitUntil([&] { return ButtonEnabled(toolbar_, CM_OPEN); }, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "\t1 File (2 k) Selected"; }, tvd::WaitCeilingMs()))
        << StatusPart(status_, 0);
    EXPECT_EQ(StatusPart(status_, 1), "\t3 Files (1 meg) Total");
    EXPECT_EQ(StatusPart(status_, 2), "First archive");

    // Two downloads.
    ASSERT_TRUE(SetRowSelected(list_, 1, true));
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "\t2 Files (5 k) Selected"; }, tvd::WaitCeilingMs()))
        << StatusPart(status_, 0);
    EXPECT_EQ(StatusPart(status_, 2), "Setup program");
}

TEST_F(MainWindowTest, DeleteKeyInTheSearchFieldEditsTheField) {
    ASSERT_TRUE(tvd::SelectListItem(list_, 0));
    ASSERT_TRUE(tvd::SetControlText(client_, kSearchFieldId, "zip"));
    ASSERT_TRUE(WaitForRows({"alpha.zip", "gamma.zip"}));
    SendMessageA(search_, EM_SETSEL, 0, 1);
    PostMessageA(search_, WM_KEYDOWN, VK_DELETE, 0x00530001);
    PostMessageA(search_, WM_KEYUP, VK_DELETE, 0xC0530001);
    EXPECT_TRUE(tvd::WaitForText(search_, "ip", tvd::WaitCeilingMs())) << tvd::WindowText(search_);
    // "ip" is in both names: no row went, and no question about deleting came up.
    EXPECT_TRUE(WaitForRows({"alpha.zip", "gamma.zip"}));
    ASSERT_TRUE(tvd::SyncWith(search_));
    EXPECT_EQ(tvd::FindTopWindow({tvd::kMessageBoxClass, "", tv_.process().pid(), true}), nullptr);
}

TEST_F(MainWindowTest, SelectingACategoryShowsOnlyTheListOfItsKind) {
    HWND tree = tvd::Control(client_, 301);
    ASSERT_NE(tree, nullptr);
    HWND bookmarks = tvd::Control(client_, kDownloadListId + 1);
    ASSERT_NE(bookmarks, nullptr);
    HTREEITEM root = tvd::FindTreeItem(tree, {"Bookmarks"});
    ASSERT_NE(root, nullptr) << [&] {
        std::vector<tvd::TreeItem> roots;
        tvd::ReadTree(tree, &roots);
        return tvd::FormatTree(roots);
    }();
    ASSERT_TRUE(tvd::SelectTreeItem(tree, root));
    EXPECT_TRUE(tvd::WaitUntil([&] { return IsWindowVisible(bookmarks) && !IsWindowVisible(list_); }, tvd::WaitCeilingMs()));
    tvd::ListContents contents;
    ASSERT_TRUE(tvd::ReadList(bookmarks, &contents));
    ASSERT_EQ(contents.rows.size(), 1u);
    const std::vector<std::string> row = {"Example site", "http://example.com/", "Line one  line two"};
    EXPECT_EQ(contents.rows[0], row);
    // Back to the downloads: the download list again, with its rows.
    ASSERT_TRUE(tvd::SelectTreeItem(tree, tvd::FindTreeItem(tree, {"Downloads"})));
    EXPECT_TRUE(tvd::WaitUntil([&] { return IsWindowVisible(list_) && !IsWindowVisible(bookmarks); }, tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::ListItemCount(list_), 3);
}

TEST_F(MainWindowTest, StatusBarShowsMenuHelpAndTheCategoryOfTheTree) {
    // A highlighted menu item shows its help text; closing the menu brings the view's texts back.
    PostMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(CM_OPEN, MF_HILITE), 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "Opens the current file or URL"; }, tvd::WaitCeilingMs()))
        << StatusPart(status_, 0);
    PostMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(CM_SEARCH_RESULTS, MF_HILITE), 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "Displays the last Search Result List"; },
                               tvd::WaitCeilingMs()));
    PostMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "\t0 Files (0 Bytes) Selected"; }, tvd::WaitCeilingMs()))
        << StatusPart(status_, 0);

    // A click into the tree gives it the focus: one part with the category's name, and the
    // commands of a category.
    HWND tree = tvd::Control(client_, 301);
    ASSERT_NE(tree, nullptr);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 8));
    PostMessageA(tree, WM_LBUTTONUP, 0, MAKELPARAM(40, 8));
    EXPECT_TRUE(tvd::WaitUntil([&] { return StatusPart(status_, 0) == "Downloads"; }, tvd::WaitCeilingMs()))
        << StatusPart(status_, 0);
    EXPECT_EQ(SendMessageA(status_, SB_GETPARTS, 0, 0), 1);
    EXPECT_TRUE(tvd::WaitUntil([&] { return ButtonEnabled(toolbar_, CM_PROPERTIES) && ButtonEnabled(toolbar_, CM_DELETE); },
                               tvd::WaitCeilingMs()));
    EXPECT_FALSE(ButtonEnabled(toolbar_, CM_OPEN));
    EXPECT_FALSE(ButtonEnabled(toolbar_, CM_COPY));
}

TEST_F(MainWindowTest, DeleteOnASelectedDownloadAsksWhatToDelete) {
    ASSERT_TRUE(tvd::SelectListItem(list_, 1));
    ASSERT_TRUE(tvd::WaitUntil([&] { return ButtonEnabled(toolbar_, CM_DELETE); }, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_DELETE));
    HWND dialog = tvd::WaitForDialog("Delete File", tvd::WaitCeilingMs(), tv_.process().pid());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(tvd::PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::ListItemCount(list_), 3);
}

TEST_F(MainWindowTest, RenameEditsTheNameEvenWhenTheFirstColumnIsAnother) {
    ASSERT_TRUE(tvd::SelectListItem(list_, 1));
    ASSERT_TRUE(tvd::WaitUntil([&] { return ButtonEnabled(toolbar_, CM_OPEN); }, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_RENAME));
    HWND edit = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] { return (edit = tvd::FindChildByClass(list_, "Edit")) != nullptr; }, tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::WindowText(edit), "beta.exe");
    // Escape ends the edit without a change (the key is the field's, not an accelerator's).
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(tvd::WaitForWindowGone(edit, tvd::WaitCeilingMs()));
    EXPECT_EQ(FirstCells(list_, 0), (std::vector<std::string>{"alpha.zip", "beta.exe", "gamma.zip"}));
}

TEST_F(MainWindowTest, DraggingTheDividerSetsTheTreeWidth) {
    HWND tree = tvd::Control(client_, 301);
    ASSERT_NE(tree, nullptr);
    auto clientRect = [&](HWND window) {
        RECT r = {};
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, client_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT before = clientRect(tree);
    EXPECT_EQ(before.right - before.left, 120);
    EXPECT_EQ(clientRect(list_).left, 123);
    const int y = (before.top + before.bottom) / 2;
    PostMessageA(client_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(121, y));
    PostMessageA(client_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(160, y));
    PostMessageA(client_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, y));
    PostMessageA(client_, WM_LBUTTONUP, 0, MAKELPARAM(200, y));
    EXPECT_TRUE(tvd::WaitUntil([&] { return clientRect(list_).left == 203; }, tvd::WaitCeilingMs()));
    const RECT after = clientRect(tree);
    EXPECT_EQ(after.right - after.left, 200);
    closed_ = true;
    DWORD exitCode = 1;
    ASSERT_TRUE(tv_.Close(&exitCode));
    const std::string folder = tvd::WinPath(tv_.folder().path());
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str()));
    EXPECT_EQ(d.divider.treeWidth, 200);
}

TEST_F(MainWindowTest, PreferencesStandardsPageChangesTheSettings) {
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_PREFERENCES));
    HWND sheet = tv_.process().WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs());
    ASSERT_NE(sheet, nullptr);
    HWND page = tvd::CurrentPropertyPage(sheet);
    ASSERT_NE(page, nullptr);
    // The page shows the settings: defaults below the program folder, open on double-click, tray.
    const std::string folder = tvd::WinPath(tv_.folder().path());
    EXPECT_EQ(tvd::ControlText(page, 101), folder + "\\download\\");
    EXPECT_EQ(tvd::ControlText(page, 103), folder + "\\shortcuts\\");
    EXPECT_TRUE(tvd::IsButtonChecked(page, 105));
    EXPECT_TRUE(tvd::IsButtonChecked(page, 108));
    ASSERT_TRUE(tvd::SetButtonChecked(page, 105, false));
    ASSERT_TRUE(tvd::SetButtonChecked(page, 107, true));
    ASSERT_TRUE(tvd::SetButtonChecked(page, 108, false));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    DWORD exitCode = 1;
    closed_ = true;
    ASSERT_TRUE(tv_.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str()));
    EXPECT_EQ(d.standards.doubleClickAction, 3);
    EXPECT_EQ(d.standards.trayIconWhenMinimised, 0u);
    // The column widths went back into the file as they were.
    EXPECT_EQ(d.downloadColumns.entries[0].width, 120u);
    EXPECT_EQ(d.downloadColumns.entries[1].width, 90u);
    EXPECT_EQ(d.downloads.Count(1), 3u);
}

TEST_F(MainWindowTest, AboutBoxOpensAndCloses) {
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_ABOUT));
    HWND about = tvd::WaitForDialog("About Tolvane Plus", tvd::WaitCeilingMs(), tv_.process().pid());
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(tvd::ControlText(about, 101), "Tolvane Plus");
    ASSERT_TRUE(tvd::PressButton(about, IDOK));
    EXPECT_TRUE(tvd::WaitForWindowGone(about, tvd::WaitCeilingMs()));
}

// The toolbar shows its pictures in their own colours (not as silhouettes of one colour).
TEST_F(MainWindowTest, ToolbarShowsItsPicturesInTheirColours) {
    SetCursorPos(5, 700);  // no button under the mouse
    const struct {
        int command, image;
    } buttons[] = {{CM_NEW_MENU, 0}, {CM_HELP_CONTENTS, 11}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.command);
        const RECT r = ScreenButtonRect(toolbar_, b.command);
        ASSERT_GT(r.right - r.left, 18);
        EXPECT_TRUE(tvd::WaitUntil([&] { return ScreenShowsStripImage(tv_.exe(), b.image, r); }, tvd::WaitCeilingMs()));
    }
}

// Ctrl+C, Ctrl+V and Ctrl+X (their characters) edit the search field and a label edit; the
// character accelerators of the same keys leave them alone.
TEST_F(MainWindowTest, CutCopyAndPasteKeysEditTheFields) {
    EmptyTheClipboard();
    ASSERT_TRUE(tvd::SetControlText(client_, kSearchFieldId, "alpha"));
    ASSERT_TRUE(WaitForRows({"alpha.zip"}));
    SendMessageA(search_, EM_SETSEL, 0, -1);
    PostMessageA(search_, WM_CHAR, 0x03, 0);  // Ctrl+C
    EXPECT_TRUE(tvd::WaitUntil([] { return ClipboardText() == "alpha"; }, tvd::WaitCeilingMs())) << ClipboardText();
    SendMessageA(search_, EM_SETSEL, 5, 5);
    PostMessageA(search_, WM_CHAR, 0x16, 0);  // Ctrl+V
    EXPECT_TRUE(tvd::WaitForText(search_, "alphaalpha", tvd::WaitCeilingMs())) << tvd::WindowText(search_);
    SendMessageA(search_, EM_SETSEL, 0, -1);
    PostMessageA(search_, WM_CHAR, 0x18, 0);  // Ctrl+X
    EXPECT_TRUE(tvd::WaitForText(search_, "", tvd::WaitCeilingMs())) << tvd::WindowText(search_);
    EXPECT_TRUE(tvd::WaitUntil([] { return ClipboardText() == "alphaalpha"; }, tvd::WaitCeilingMs()));
    ASSERT_TRUE(WaitForRows({"alpha.zip", "beta.exe", "gamma.zip"}));

    // The label edit of a row: the name is selected when it starts.
    ASSERT_TRUE(tvd::SelectListItem(list_, 1));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_RENAME));
    HWND edit = nullptr;
    ASSERT_TRUE(tvd::WaitUntil([&] { return (edit = tvd::FindChildByClass(list_, "Edit")) != nullptr; }, tvd::WaitCeilingMs()));
    PostMessageA(edit, WM_CHAR, 0x18, 0);  // Ctrl+X
    EXPECT_TRUE(tvd::WaitForText(edit, "", tvd::WaitCeilingMs())) << tvd::WindowText(edit);
    EXPECT_TRUE(tvd::WaitUntil([] { return ClipboardText() == "beta.exe"; }, tvd::WaitCeilingMs())) << ClipboardText();
    PostMessageA(edit, WM_CHAR, 0x16, 0);  // Ctrl+V
    EXPECT_TRUE(tvd::WaitForText(edit, "beta.exe", tvd::WaitCeilingMs())) << tvd::WindowText(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(tvd::WaitForWindowGone(edit, tvd::WaitCeilingMs()));
    EXPECT_EQ(FirstCells(list_, 0), (std::vector<std::string>{"alpha.zip", "beta.exe", "gamma.zip"}));
    EmptyTheClipboard();
}

// Del right after a selection change deletes (asks what to delete), without waiting for the
// periodic refresh of the command states.
TEST_F(MainWindowTest, DeleteRightAfterASelectionChangeIsNotDropped) {
    ASSERT_FALSE(ButtonEnabled(toolbar_, CM_DELETE));
    ASSERT_TRUE(SetRowSelected(list_, 2, true));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_DELETE));
    HWND dialog = tvd::WaitForDialog("Delete File", tvd::WaitCeilingMs(), tv_.process().pid());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(tvd::PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::ListItemCount(list_), 3);
}

// Without a help file, Help > Contents and a dialog's Help button say so in one message of the
// program, not in the help viewer's error.
TEST_F(MainWindowTest, HelpWithoutAHelpFileSaysSoOnce) {
    // The build puts tv.hlp beside tv.exe; the program looks for it at every call.
    DeleteFileA(tv_.folder().File("tv.hlp").c_str());
    ASSERT_FALSE(tvd::FileExists(tv_.folder().File("tv.hlp")));
    const DWORD pid = tv_.process().pid();
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_HELP_CONTENTS));
    HWND box = tvd::WaitForMessageBox("Information", tvd::WaitCeilingMs(), pid);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(tvd::MessageBoxText(box).find("tv.hlp"), std::string::npos) << tvd::MessageBoxText(box);
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));

    ASSERT_TRUE(tvd::PostCommand(frame_, CM_ABOUT));
    HWND about = tvd::WaitForDialog("About Tolvane Plus", tvd::WaitCeilingMs(), pid);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(tvd::PressButton(about, 900));
    box = tvd::WaitForMessageBox("Information", tvd::WaitCeilingMs(), pid);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(tvd::MessageBoxText(box).find("tv.hlp"), std::string::npos);
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PressButton(about, IDOK));
    EXPECT_TRUE(tvd::WaitForWindowGone(about, tvd::WaitCeilingMs()));
    // Only those two boxes: nothing else of the program is open.
    ASSERT_TRUE(tvd::SyncWith(frame_));
    EXPECT_EQ(tvd::WaitForMessageBox(nullptr, 0, pid), nullptr);
}

// The context menu asked for from the keyboard opens at the focused row, not the list's corner.
TEST_F(MainWindowTest, KeyboardContextMenuOpensAtTheFocusedRow) {
    ASSERT_TRUE(SetRowSelected(list_, 2, true));
    PostMessageA(client_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list_), MAKELPARAM(0xFFFF, 0xFFFF));
    HWND menu = tvd::WaitForWindow({"#32768", "", tv_.process().pid(), true}, tvd::WaitCeilingMs());
    ASSERT_NE(menu, nullptr);
    RECT m = {};
    ASSERT_TRUE(tvd::WaitUntil([&] { return GetWindowRect(menu, &m) && m.right > m.left; }, tvd::WaitCeilingMs()));
    const RECT row = ScreenRowRect(list_, 2);
    EXPECT_GE(m.top, row.top);
    EXPECT_LE(m.top, row.bottom + 2);
    EXPECT_GE(m.left, row.left);
    EXPECT_LT(m.left, row.right);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, tvd::WaitCeilingMs()));
}

// Shift+F10 and the Menu key, typed while the category tree has the focus, open the category
// menu at the selected category (real key presses: the keys go through the tree control and the
// message loop as a user's do).
TEST_F(MainWindowTest, KeysOpenTheCategoryMenuAtTheSelectedCategory) {
    HWND tree = tvd::Control(client_, kTreeId);
    ASSERT_NE(tree, nullptr);
    HTREEITEM bookmarks = tvd::FindTreeItem(tree, {"Bookmarks"});
    ASSERT_NE(bookmarks, nullptr);
    RECT item = {};
    std::memcpy(&item, &bookmarks, sizeof(bookmarks));  // TVM_GETITEMRECT takes the item in the rectangle
    RemoteBuffer buffer(tree, sizeof(item));
    ASSERT_TRUE(buffer.Write(&item, sizeof(item)));
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(buffer.address())));
    ASSERT_TRUE(buffer.Read(&item, sizeof(item)));
    // A click on the item selects it and gives the tree the focus; the frame comes to the front
    // so that the keys below reach it.
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(tvd::WaitUntil([&] { return IsWindowVisible(tvd::Control(client_, kDownloadListId + 1)) != FALSE; },
                               tvd::WaitCeilingMs()));
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&item), 2);
    const struct {
        const char* name;
        std::vector<WORD> keys;
    } cases[] = {{"Shift+F10", {VK_SHIFT, VK_F10}}, {"Menu key", {VK_APPS}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetForegroundWindow(frame_);
        ASSERT_TRUE(tvd::WaitUntil([&] { return GetForegroundWindow() == frame_; }, tvd::WaitCeilingMs()));
        for (WORD key : c.keys) keybd_event(BYTE(key), 0, 0, 0);
        for (auto key = c.keys.rbegin(); key != c.keys.rend(); ++key) keybd_event(BYTE(*key), 0, KEYEVENTF_KEYUP, 0);
        HWND menu = tvd::WaitForWindow({"#32768", "", tv_.process().pid(), true}, tvd::WaitCeilingMs());
        ASSERT_NE(menu, nullptr);
        RECT m = {};
        ASSERT_TRUE(tvd::WaitUntil([&] { return GetWindowRect(menu, &m) && m.right > m.left; }, tvd::WaitCeilingMs()));
        // Just below the item (the lists' menus open at their rows, right of the tree).
        EXPECT_GE(m.top, item.top);
        EXPECT_LE(m.top, item.bottom + 2);
        EXPECT_GE(m.left, item.left);
        EXPECT_LT(m.left, item.right);
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        EXPECT_TRUE(tvd::WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, tvd::WaitCeilingMs()));
    }
}

// The storage location changes only when the stored files got there: a folder inside the old one
// and a folder that cannot be made are refused with a message and the files stay; a file that
// vanished is reported when the preferences close; a good new folder takes the files.
TEST_F(MainWindowTest, StorageLocationFollowsTheFilesOrStays) {
    const std::string folder = tvd::WinPath(tv_.folder().path());
    const std::string old = folder + "\\download\\";
    const DWORD pid = tv_.process().pid();
    // Sets the downloads location on the preferences' page and confirms the sheet.
    auto setLocation = [&](const std::string& location, bool confirm) {
        if (!tvd::PostCommand(frame_, CM_PREFERENCES)) return false;
        HWND sheet = tv_.process().WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs());
        HWND page = sheet ? tvd::CurrentPropertyPage(sheet) : nullptr;
        if (!page || !tvd::SetControlText(page, 101, location)) return false;
        return tvd::PressPropertySheetButton(sheet, confirm ? PSBTN_OK : PSBTN_CANCEL) &&
               tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs());
    };
    const struct {
        std::string location, says;
    } refused[] = {
        {old + "inner\\", "inside"},
        {folder + "\\tv.exe\\store\\", "could not be created"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.location);
        ASSERT_TRUE(setLocation(r.location, true));
        HWND box = tvd::WaitForMessageBox("Error", tvd::WaitCeilingMs(), pid);
        ASSERT_NE(box, nullptr);
        const std::string text = tvd::MessageBoxText(box);
        EXPECT_NE(text.find(r.says), std::string::npos) << text;
        EXPECT_NE(text.find(old), std::string::npos) << text;
        ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));
        EXPECT_TRUE(tvd::FileExists(old + "alpha.zip"));
        EXPECT_FALSE(tvd::FolderExists(old + "inner"));
    }
    // A stored file deleted by hand shows as lost once the preferences close.
    ASSERT_TRUE(DeleteFileA((old + "gamma.zip").c_str()));
    ASSERT_TRUE(setLocation(old, false));
    HWND lost = tvd::WaitForDialog("Lost Files", tvd::WaitCeilingMs(), pid);
    ASSERT_NE(lost, nullptr);
    ASSERT_TRUE(tvd::PressButton(lost, IDOK));
    ASSERT_TRUE(tvd::WaitForWindowGone(lost, tvd::WaitCeilingMs()));

    const std::string moved = folder + "\\moved\\";
    ASSERT_TRUE(setLocation(moved, true));
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::FileExists(moved + "alpha.zip") && tvd::FileExists(moved + "beta.exe"); },
                               tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::SyncWith(frame_));
    EXPECT_EQ(tvd::WaitForMessageBox(nullptr, 0, pid), nullptr);
    closed_ = true;
    DWORD exitCode = 1;
    ASSERT_TRUE(tv_.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    EXPECT_FALSE(LoadDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str()));
    EXPECT_STREQ(d.standards.downloadsLocation, moved.c_str());
    EXPECT_FALSE(tvd::FileExists(old + "alpha.zip"));
}

}  // namespace
