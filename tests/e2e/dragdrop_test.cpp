// Clipboard and drag and drop in the real tv.exe: Cut and Paste move downloads, Copy and Paste
// twice makes two copies, a real mouse drag (xdotool on the session's display) brings files from
// another program into a category, and downloads and bookmarks dragged out of the program arrive
// in another program's folder as files and ".url" files.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "shell/commands.h"
#include "tests/e2e/e2e_support.h"
#include "util/textcopy.h"

namespace {

constexpr int kTreeId = 301;
constexpr int kToolbarId = 303;
constexpr int kDownloadListId = 306;
constexpr int kBookmarkListId = 307;

// tv.cfg with download categories "Games" and "Tools" under the root, downloads alpha.zip and beta.bin in the
// root (their files in the storage folder) and a bookmark in the bookmarks root.
bool WriteDatabase(const std::string& folder, std::string* storage) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(0);
    int created = 0;
    for (const char* name : {"Games", "Tools"})
        if (!d.categories.AddCategory(name, TV_KIND_DOWNLOADS, 0, &created)) return false;
    CreateMissingStorageFolders(&d, 1);
    CreateMissingStorageFolders(&d, 1);
    const StorageLocations locations{d.standards.downloadsLocation, d.standards.shortcutsLocation};
    *storage = d.standards.downloadsLocation;
    if (!storage->empty() && storage->back() == '\\') storage->pop_back();
    const ListNode* root = d.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
    for (const char* name : {"alpha.zip", "beta.bin"}) {
        FileItem item;
        d.downloads.InitItem(&item);
        TextAssign(&item.fileName, name);
        TextAssign(&item.storedName, name);
        TextAssign(&item.description, "");
        TextAssign(&item.website, "");
        TextAssign(&item.extractedTo, "");
        item.flags = TV_FILE_EXISTS;
        item.sizeLow = 5;
        char path[TV_PATH_SIZE] = {};
        const bool ok = d.downloads.FilePath(path, sizeof(path), &item, &d.categories, locations, root) == TV_FOLDER_OK &&
                        tvd::WriteWholeFile(path, std::string(name).substr(0, 5)) && d.downloads.Add(&item, 0);
        d.downloads.FreeItemData(&item);
        if (!ok) return false;
    }
    BookmarkItem bookmark;
    d.bookmarks.InitItem(&bookmark);
    TextAssign(&bookmark.title, "Example site");
    TextAssign(&bookmark.url, "http://example.com/");
    TextAssign(&bookmark.description, "");
    const bool added = d.bookmarks.Add(&bookmark, 0) != nullptr;
    d.bookmarks.FreeItemData(&bookmark);
    return added && SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str());
}

std::string ReadText(const std::string& path) {
    std::string bytes;
    return tvd::ReadWholeFile(path, &bytes) ? bytes : std::string("<missing>");
}

// Runs xdotool on the session's display (the Wine desktop covers the screen from its corner, so
// screen coordinates are the same on both sides). A host program's handle cannot be waited for
// under Wine: the shell around it writes xdotool's exit code into a file of the given folder.
bool XdoTool(const std::string& folder, const std::string& args) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    const UnixName unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    const std::string marker = folder + "\\xdotool.done";
    DeleteFileA(marker.c_str());
    WCHAR wide[MAX_PATH];
    if (!unixName || !MultiByteToWideChar(CP_ACP, 0, marker.c_str(), -1, wide, MAX_PATH)) return false;
    char* unixMarker = unixName(wide);
    if (!unixMarker) return false;
    std::string line = "Z:\\bin\\sh -c \"xdotool " + args + "; echo $? > '" + unixMarker + "'\"";
    HeapFree(GetProcessHeap(), 0, unixMarker);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string code;
    return tvd::WaitUntil([&] { return tvd::ReadWholeFile(marker, &code) && !code.empty(); }, tvd::WaitCeilingMs()) &&
           code == "0\n";
}

POINT CenterOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A mouse drag with the left button from one screen point to another, in steps, as a hand would.
// With a key name (xdotool's, e.g. "ctrl") the key is held from the press of the button on.
bool MouseDrag(const std::string& folder, POINT from, POINT to, const char* key = nullptr) {
    auto at = [](POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); };
    // The first warp after a pause can be taken back by a stale motion: move twice.
    std::string args = "mousemove " + at(from) + " sleep 0.2 mousemove " + at(from) + " sleep 0.2 mousedown 1 sleep 0.3";
    if (key) args += std::string(" keydown ") + key + " sleep 0.2";
    for (int step = 1; step <= 8; ++step) {
        const POINT p = {from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8};
        args += " mousemove " + at(p) + " sleep 0.15";
    }
    args += " mousemove " + at(to) + " sleep 0.4 mouseup 1";
    if (key) args += std::string(" sleep 0.2 keyup ") + key;
    return XdoTool(folder, args);
}

class DragDropE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        // The clipboard outlives the programs that filled it: clear it first.
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        CloseClipboard();
        ASSERT_TRUE(WriteDatabase(tvd::WinPath(tv_.folder().path()), &storage_));
        ASSERT_TRUE(tv_.Start());
        frame_ = tv_.WaitForFrame();
        ASSERT_NE(frame_, nullptr);
        client_ = tvd::FindChildByClass(frame_, "TolvaneWindow");
        ASSERT_NE(client_, nullptr);
        tree_ = tvd::Control(client_, kTreeId);
        toolbar_ = tvd::Control(client_, kToolbarId);
        list_ = tvd::Control(client_, kDownloadListId);
        ASSERT_TRUE(tree_ && list_);
        ASSERT_TRUE(WaitForRows(list_, {"alpha.zip", "beta.bin"}));
    }
    void TearDown() override {
        DWORD code = 0;
        if (tv_.frame()) {
            EXPECT_TRUE(tv_.Close(&code));
        }
    }

    static std::vector<std::string> Rows(HWND list) {
        tvd::ListContents contents;
        std::vector<std::string> names;
        if (!tvd::ReadList(list, &contents)) return names;
        for (const auto& row : contents.rows) names.push_back(row.empty() ? "" : row[0]);
        return names;
    }
    bool WaitForRows(HWND list, const std::vector<std::string>& rows) {
        return tvd::WaitUntil([&] { return Rows(list) == rows; }, tvd::WaitCeilingMs());
    }
    bool SelectCategory(const std::vector<std::string>& path) {
        HTREEITEM item = tvd::FindTreeItem(tree_, path);
        return item && tvd::SelectTreeItem(tree_, item);
    }
    // Selects one row and gives the list the focus, as a click would.
    bool SelectRow(HWND list, int row) {
        PostMessageA(frame_, WM_NULL, 0, 0);
        return tvd::SelectListItem(list, row) && tvd::SyncWith(list);
    }
    // The screen point on the visible row of the tree (the roots expanded).
    POINT TreeRow(int row) {
        const int height = int(SendMessageA(tree_, TVM_GETITEMHEIGHT, 0, 0));
        EXPECT_GT(height, 0);
        RECT tree = {};
        EXPECT_TRUE(tvd::WindowRect(tree_, &tree));
        return POINT{tree.left + 40, tree.top + 2 + height * row + height / 2};
    }
    bool PasteEnabled() { return SendMessageA(toolbar_, TB_ISBUTTONENABLED, CM_PASTE, 0) != 0; }
    POINT ScreenCenterOfRow(HWND list, int row) {
        RECT r = {};
        EXPECT_TRUE(tvd::ListItemRect(list, row, LVIR_LABEL, &r));
        POINT p = CenterOf(r);
        ClientToScreen(list, &p);
        return p;
    }

    e2e::TvProgram tv_;
    std::string storage_;
    HWND frame_ = nullptr, client_ = nullptr, tree_ = nullptr, list_ = nullptr, toolbar_ = nullptr;
};

TEST_F(DragDropE2E, CutPasteMovesAndCopyPastedTwiceMakesTwoCopies) {
    // Nothing to paste yet; after the Cut there is.
    ASSERT_TRUE(tvd::SyncWith(list_));
    EXPECT_FALSE(PasteEnabled());
    // Cut alpha.zip: its row is drawn as cut until the paste.
    ASSERT_TRUE(SelectRow(list_, 0));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_CUT));
    EXPECT_TRUE(tvd::WaitUntil([&] { return PasteEnabled(); }, tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            tvd::ListContents c;
            return tvd::ReadList(list_, &c) && c.cut == std::vector<int>{0};
        },
        tvd::WaitCeilingMs()));
    ASSERT_TRUE(SelectCategory({"Downloads", "Games"}));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_PASTE));
    EXPECT_TRUE(WaitForRows(list_, {"alpha.zip"}));
    EXPECT_EQ(ReadText(storage_ + "\\Games\\alpha.zip"), "alpha");
    EXPECT_FALSE(tvd::FileExists(storage_ + "\\alpha.zip"));

    // Copy beta.bin from the root, paste it twice into Games: two copies, each a file of its own.
    ASSERT_TRUE(SelectCategory({"Downloads"}));
    ASSERT_TRUE(WaitForRows(list_, {"beta.bin"}));
    ASSERT_TRUE(SelectRow(list_, 0));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_COPY));
    ASSERT_TRUE(SelectCategory({"Downloads", "Games"}));
    ASSERT_TRUE(WaitForRows(list_, {"alpha.zip"}));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_PASTE));
    ASSERT_TRUE(WaitForRows(list_, {"alpha.zip", "beta.bin"}));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_PASTE));
    EXPECT_TRUE(WaitForRows(list_, {"alpha.zip", "beta.bin", "beta.bin"}));
    EXPECT_EQ(ReadText(storage_ + "\\Games\\beta.bin"), "beta.");
    EXPECT_EQ(ReadText(storage_ + "\\Games\\beta (2).bin"), "beta.");
    EXPECT_EQ(ReadText(storage_ + "\\beta.bin"), "beta.");
}

TEST_F(DragDropE2E, APastedBrowserLinkOpensTheBookmarkDialog) {
    // A browser copied a link: its URL and a file descriptor named after the page.
    tvd::Process peer;
    DWORD code = 1;
    ASSERT_TRUE(peer.Start(tvd::WinPath(TV_PEER_PATH), "clip-put-link http://example.com/docs \"Example Docs\""));
    ASSERT_TRUE(peer.Wait(tvd::WaitCeilingMs(), &code));
    ASSERT_EQ(code, 0u);
    // Links go to bookmarks only.
    ASSERT_TRUE(tvd::SyncWith(list_));
    EXPECT_FALSE(PasteEnabled());
    ASSERT_TRUE(SelectCategory({"Bookmarks"}));
    ASSERT_TRUE(tvd::WaitUntil([&] { return PasteEnabled(); }, tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PostCommand(frame_, CM_PASTE));
    HWND sheet = tvd::WaitForWindow("#32770", "Add Bookmark", tvd::WaitCeilingMs(), tv_.process().pid());
    ASSERT_NE(sheet, nullptr);
    HWND page = tvd::CurrentPropertyPage(sheet);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(tvd::ControlText(page, 102), "Example Docs");
    EXPECT_EQ(tvd::ControlText(page, 103), "http://example.com/docs");
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    HWND bookmarks = tvd::Control(client_, kBookmarkListId);
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            std::vector<std::string> rows = Rows(bookmarks);
            std::sort(rows.begin(), rows.end());
            return rows == std::vector<std::string>{"Example Docs", "Example site"};
        },
        tvd::WaitCeilingMs()));
}

TEST_F(DragDropE2E, ARealDragBringsFilesFromAnotherProgram) {
    const std::string outside = tvd::WinPath(tv_.folder().path()) + "\\outside";
    ASSERT_TRUE(tvd::MakeFolders(outside));
    ASSERT_TRUE(tvd::WriteWholeFile(outside + "\\x.bin", "xray"));
    ASSERT_TRUE(tvd::WriteWholeFile(outside + "\\y.bin", "yankee"));
    ASSERT_TRUE(SelectCategory({"Downloads", "Games"}));
    ASSERT_TRUE(WaitForRows(list_, {}));

    const std::string log = outside + "\\drag.log";
    tvd::Process peer;
    ASSERT_TRUE(peer.Start(tvd::WinPath(TV_PEER_PATH),
                           "drag-source \"" + log + "\" \"" + outside + "\\x.bin\" \"" + outside + "\\y.bin\""));
    HWND source = peer.WaitForWindow("DragDropPeer", "Drag Source Peer", tvd::WaitCeilingMs());
    ASSERT_NE(source, nullptr);
    RECT from = {}, to = {};
    ASSERT_TRUE(tvd::WindowRect(source, &from));
    ASSERT_TRUE(tvd::WindowRect(list_, &to));
    ASSERT_TRUE(MouseDrag(outside, CenterOf(from), POINT{to.left + 60, to.top + 60}));

    // Two files, moved (no Ctrl): both in Games, none left outside, and the source was told that
    // it has nothing to delete.
    EXPECT_TRUE(WaitForRows(list_, {"x.bin", "y.bin"}));
    EXPECT_EQ(ReadText(storage_ + "\\Games\\x.bin"), "xray");
    EXPECT_EQ(ReadText(storage_ + "\\Games\\y.bin"), "yankee");
    EXPECT_FALSE(tvd::FileExists(outside + "\\x.bin"));
    EXPECT_TRUE(tvd::WaitUntil([&] { return ReadText(log) == "drag 0x00040100 effect 0\n"; }, tvd::WaitCeilingMs()))
        << ReadText(log);
    DWORD code = 0;
    EXPECT_TRUE(peer.CloseAndWait(source, tvd::WaitCeilingMs(), &code));
}

// Two files dragged with Ctrl onto a category of the tree: the tree follows the drag, and the files
// are copied there (they stay where they were).
TEST_F(DragDropE2E, ARealDragWithCtrlOntoATreeCategoryCopies) {
    const std::string outside = tvd::WinPath(tv_.folder().path()) + "\\outside";
    ASSERT_TRUE(tvd::MakeFolders(outside));
    ASSERT_TRUE(tvd::WriteWholeFile(outside + "\\x.bin", "xray"));
    ASSERT_TRUE(tvd::WriteWholeFile(outside + "\\y.bin", "yankee"));
    // "Games" is the second visible item: its root is expanded.
    std::vector<tvd::TreeItem> roots;
    ASSERT_TRUE(tvd::ReadTree(tree_, &roots));
    ASSERT_FALSE(roots.empty());
    ASSERT_TRUE(roots[0].expanded);
    ASSERT_EQ(roots[0].children.size(), 2u);
    ASSERT_EQ(roots[0].children[0].text, "Games");
    const POINT games = TreeRow(1);

    const std::string log = outside + "\\drag.log";
    tvd::Process peer;
    ASSERT_TRUE(peer.Start(tvd::WinPath(TV_PEER_PATH),
                           "drag-source \"" + log + "\" \"" + outside + "\\x.bin\" \"" + outside + "\\y.bin\""));
    HWND source = peer.WaitForWindow("DragDropPeer", "Drag Source Peer", tvd::WaitCeilingMs());
    ASSERT_NE(source, nullptr);
    RECT from = {};
    ASSERT_TRUE(tvd::WindowRect(source, &from));
    ASSERT_TRUE(MouseDrag(outside, CenterOf(from), games, "ctrl"));

    EXPECT_TRUE(WaitForRows(list_, {"x.bin", "y.bin"}));
    ASSERT_TRUE(tvd::ReadTree(tree_, &roots));
    EXPECT_TRUE(roots[0].children[0].selected);
    EXPECT_EQ(ReadText(storage_ + "\\Games\\x.bin"), "xray");
    EXPECT_EQ(ReadText(storage_ + "\\Games\\y.bin"), "yankee");
    EXPECT_EQ(ReadText(outside + "\\x.bin"), "xray");
    EXPECT_EQ(ReadText(outside + "\\y.bin"), "yankee");
    EXPECT_TRUE(tvd::WaitUntil([&] { return ReadText(log) == "drag 0x00040100 effect 1\n"; }, tvd::WaitCeilingMs()))
        << ReadText(log);
    DWORD code = 0;
    EXPECT_TRUE(peer.CloseAndWait(source, tvd::WaitCeilingMs(), &code));
}

// A category dragged in the tree onto another of its root moves under it, with its folder.
TEST_F(DragDropE2E, ACategoryDraggedInTheTreeMovesWithItsFolder) {
    std::vector<tvd::TreeItem> roots;
    ASSERT_TRUE(tvd::ReadTree(tree_, &roots));
    ASSERT_TRUE(!roots.empty() && roots[0].expanded && roots[0].children.size() == 2u);
    ASSERT_EQ(roots[0].children[1].text, "Tools");
    ASSERT_TRUE(MouseDrag(tvd::WinPath(tv_.folder().path()), TreeRow(2), TreeRow(1)));
    EXPECT_TRUE(tvd::WaitUntil([&] { return tvd::FindTreeItem(tree_, {"Downloads", "Games", "Tools"}) != nullptr; },
                               tvd::WaitCeilingMs()));
    EXPECT_TRUE(tvd::FolderExists(storage_ + "\\Games\\Tools"));
    EXPECT_FALSE(tvd::FolderExists(storage_ + "\\Tools"));
}

TEST_F(DragDropE2E, DownloadsAndBookmarksDraggedOutArriveAsFiles) {
    const std::string out = tvd::WinPath(tv_.folder().path()) + "\\received";
    ASSERT_TRUE(tvd::MakeFolders(out));
    tvd::Process peer;
    ASSERT_TRUE(peer.Start(tvd::WinPath(TV_PEER_PATH), "drop-target \"" + out + "\""));
    HWND target = peer.WaitForWindow("DragDropPeer", "Drop Target Peer", tvd::WaitCeilingMs());
    ASSERT_NE(target, nullptr);
    RECT into = {};
    ASSERT_TRUE(tvd::WindowRect(target, &into));

    // A download: the other program reads the file list and copies the stored file.
    ASSERT_TRUE(SelectRow(list_, 1));
    ASSERT_TRUE(MouseDrag(out, ScreenCenterOfRow(list_, 1), CenterOf(into)));
    EXPECT_TRUE(tvd::WaitUntil([&] { return ReadText(out + "\\beta.bin") == "beta."; }, tvd::WaitCeilingMs()));
    // Copied, so the download stays.
    ASSERT_TRUE(tvd::SyncWith(list_));
    EXPECT_EQ(Rows(list_), (std::vector<std::string>{"alpha.zip", "beta.bin"}));
    EXPECT_EQ(ReadText(storage_ + "\\beta.bin"), "beta.");

    // A bookmark: a ".url" file named after its title.
    ASSERT_TRUE(SelectCategory({"Bookmarks"}));
    HWND bookmarks = tvd::Control(client_, kBookmarkListId);
    ASSERT_TRUE(WaitForRows(bookmarks, {"Example site"}));
    ASSERT_TRUE(SelectRow(bookmarks, 0));
    ASSERT_TRUE(MouseDrag(out, ScreenCenterOfRow(bookmarks, 0), CenterOf(into)));
    EXPECT_TRUE(tvd::WaitUntil(
        [&] { return ReadText(out + "\\Example site.url") == "[InternetShortcut]\r\nURL=http://example.com/"; },
        tvd::WaitCeilingMs()))
        << ReadText(out + "\\drop.log");
    DWORD code = 0;
    EXPECT_TRUE(peer.CloseAndWait(target, tvd::WaitCeilingMs(), &code));
}

}  // namespace
