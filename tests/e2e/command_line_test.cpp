// The real program started with and without files on its command line: the category tree of a
// first start and of the next one, a path with a blank that arrives as two arguments, and several
// quoted files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/e2e/e2e_support.h"
#include "util/text.h"

namespace {

constexpr int kCategoryTreeId = 301;
constexpr int kAddEditFileName = 106;
constexpr int kAddEditWebsite = 103;

// One run of tv.exe in the test's program folder (several runs share the folder).
class ProgramRun {
public:
    explicit ProgramRun(e2e::TvProgram& tv) : tv_(tv) {}
    bool Start(const std::string& args = std::string()) {
        if (!tv_.ready() || !process_.Start(tv_.exe(), args, tv_.folder().path())) return false;
        frame_ = process_.WaitForWindow(e2e::kFrameClass, nullptr, e2e::kStartTimeoutMs);
        return frame_ != nullptr;
    }
    HWND frame() const { return frame_; }
    DWORD pid() const { return process_.pid(); }
    std::vector<tvd::WindowInfo> Windows() const { return process_.Windows(); }
    HWND Tree() const {
        HWND client = tvd::FindChildByClass(frame_, "TolvaneWindow");
        return client ? tvd::Control(client, kCategoryTreeId) : nullptr;
    }
    // Closes as the user would; true when the program ended on its own with exit code 0.
    bool Close() {
        DWORD code = 1;
        return process_.CloseAndWait(frame_, e2e::kExitTimeoutMs, &code) && code == 0;
    }

private:
    e2e::TvProgram& tv_;
    tvd::Process process_;
    HWND frame_ = nullptr;
};

std::string FormattedTree(HWND tree) {
    std::vector<tvd::TreeItem> roots;
    return tvd::ReadTree(tree, &roots) ? tvd::FormatTree(roots) : std::string("(unreadable)");
}

bool LoadSaved(const std::string& folder, TProgramData* data) {
    CopyLimited(data->programFolder, (folder + "\\").c_str(), sizeof(data->programFolder));
    return !LoadDatabase(data, nullptr, (folder + "\\tv.cfg").c_str());
}

const FileItem* FindDownload(const TProgramData& data, const std::string& fileName) {
    for (const ListNode* n = data.downloads.First(); n; n = n->next) {
        const FileItem* item = TFileListObject::Item(n);
        if (item && item->fileName && fileName == item->fileName) return item;
    }
    return nullptr;
}

int DownloadCount(const TProgramData& data) {
    int count = 0;
    for (const ListNode* n = data.downloads.First(); n; n = n->next)
        if (TFileListObject::Item(n)) ++count;
    return count;
}

std::string StoredPath(const TProgramData& data, const FileItem* item) {
    char path[TV_PATH_SIZE] = {};
    const ListNode* category = data.categories.FindCategoryById(item->categoryId, TV_KIND_DOWNLOADS);
    const StorageLocations locations{data.standards.downloadsLocation, data.standards.shortcutsLocation};
    if (!category || data.downloads.FilePath(path, sizeof(path), item, &data.categories, locations, category) !=
                         TV_FOLDER_OK)
        return std::string();
    return path;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.size() - tvd::BaseName(path).size()); }

TEST(CommandLineStart, FirstStartShowsTheThreeRootsAndTheNextStartTheSameTree) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    ASSERT_FALSE(tvd::FileExists(tv.folder().File("tv.cfg")));
    std::string first;
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start());
        HWND tree = run.Tree();
        ASSERT_TRUE(tree);
        std::vector<tvd::TreeItem> roots;
        ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadTree(tree, &roots) && roots.size() == 5; }, e2e::kUiTimeoutMs))
            << FormattedTree(tree);
        // Three bold roots, each with its "Standard" category, and an empty line between two roots.
        const char* const names[] = {"Downloads", "", "Bookmarks", "", "Shortcuts"};
        for (size_t i = 0; i < roots.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(roots[i].text, names[i]);
            if (names[i][0] == '\0') {
                EXPECT_TRUE(roots[i].children.empty());
                continue;
            }
            EXPECT_TRUE(roots[i].bold);
            ASSERT_EQ(roots[i].children.size(), 1u);
            EXPECT_EQ(roots[i].children[0].text, "Standard");
            EXPECT_TRUE(roots[i].children[0].children.empty());
            // New categories start expanded.
            EXPECT_TRUE(roots[i].expanded);
        }
        // Collapse one root: the next start must show it collapsed, the others still expanded.
        HTREEITEM bookmarks = tvd::FindTreeItem(tree, {"Bookmarks"});
        ASSERT_TRUE(bookmarks);
        ASSERT_TRUE(tvd::ExpandTreeItem(tree, bookmarks, false));
        ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadTree(tree, &roots) && roots.size() == 5 && !roots[2].expanded; },
                                   e2e::kUiTimeoutMs));
        EXPECT_TRUE(roots[0].expanded);
        EXPECT_TRUE(roots[4].expanded);
        first = tvd::FormatTree(roots);
        ASSERT_TRUE(run.Close());
    }
    ASSERT_TRUE(tvd::FileExists(tv.folder().File("tv.cfg")));
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start());
        HWND tree = run.Tree();
        ASSERT_TRUE(tree);
        std::string again;
        EXPECT_TRUE(tvd::WaitUntil([&] { return (again = FormattedTree(tree)) == first; }, e2e::kUiTimeoutMs))
            << "first start:\n" << first << "next start:\n" << again;
        ASSERT_TRUE(run.Close());
    }
}

// (Short name: the paths of the program folder and the three files must fit the 459 characters
// of the command line.)
TEST(CommandLineStart, SplitPathAndQuotedFiles) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    const std::string myFiles = folder + "\\My Files";
    ASSERT_TRUE(tvd::MakeFolders(myFiles));
    for (const char* name : {"a.zip", "x.zip", "y.zip", "z.zip"})
        ASSERT_TRUE(tvd::WriteWholeFile(myFiles + "\\" + name, std::string("content of ") + name));

    // Unquoted: the path arrives as two arguments and becomes one file, shown in the add/edit
    // dialog.
    std::string storage;
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start(myFiles + "\\a.zip"));
        HWND dialog = tvd::WaitForWindow("#32770", "Add File", e2e::kStartTimeoutMs, run.pid());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditFileName), "a.zip");
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditWebsite), myFiles + "\\a.zip");
        ASSERT_TRUE(tvd::PressPropertySheetButton(dialog, PSBTN_OK));
        ASSERT_TRUE(tvd::WaitForWindowGone(dialog, e2e::kUiTimeoutMs));
        ASSERT_TRUE(run.Close());

        TProgramData saved;
        ASSERT_TRUE(LoadSaved(folder, &saved));
        EXPECT_EQ(DownloadCount(saved), 1);
        const FileItem* item = FindDownload(saved, "a.zip");
        ASSERT_TRUE(item);
        EXPECT_EQ(item->flags & TV_FILE_MARKED, 0u);
        storage = StoredPath(saved, item);
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(storage, &bytes)) << storage;
        EXPECT_EQ(bytes, "content of a.zip");
    }
    ASSERT_FALSE(storage.empty());
    const std::string storageFolder = FolderOf(storage);

    // Quoted: three files, each taken on its own without a dialog, and marked. The program's
    // trace of what it handed to the intake helps when this fails.
    const std::string trace = folder + "\\trace.txt";
    SetEnvironmentVariableA("TV_TEST_TRACE", trace.c_str());
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start("\"" + myFiles + "\\x.zip\" \"" + myFiles + "\\y.zip\" \"" + myFiles + "\\z.zip\""));
        EXPECT_TRUE(tvd::WaitUntil(
            [&] {
                return tvd::FileExists(storageFolder + "x.zip") && tvd::FileExists(storageFolder + "y.zip") &&
                       tvd::FileExists(storageFolder + "z.zip");
            },
            e2e::kUiTimeoutMs))
            << storageFolder;
        EXPECT_EQ(tvd::WaitForWindow("#32770", "Add File", 1000, run.pid()), nullptr);
        // Nor a message box.
        for (const tvd::WindowInfo& w : run.Windows())
            if (w.visible && w.hwnd != run.frame())
                ADD_FAILURE() << w.className << " [" << w.caption << "] " << tvd::WindowText(tvd::Control(w.hwnd, 0xFFFF));
        const bool closed = run.Close();
        SetEnvironmentVariableA("TV_TEST_TRACE", nullptr);
        ASSERT_TRUE(closed);
    }
    if (::testing::Test::HasFailure()) {
        std::string lines;
        tvd::ReadWholeFile(trace, &lines);
        ADD_FAILURE() << "trace:\n" << lines;
    }
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    EXPECT_EQ(DownloadCount(saved), 4);
    const struct {
        const char* name;
        uint32_t marked;
    } expected[] = {{"a.zip", 0}, {"x.zip", TV_FILE_MARKED}, {"y.zip", TV_FILE_MARKED}, {"z.zip", TV_FILE_MARKED}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const FileItem* item = FindDownload(saved, e.name);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->flags & TV_FILE_MARKED, e.marked);
        EXPECT_EQ(std::string(item->website ? item->website : ""), myFiles + "\\" + e.name);
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(StoredPath(saved, item), &bytes)) << StoredPath(saved, item);
        EXPECT_EQ(bytes, std::string("content of ") + e.name);
        // The originals stay where they were.
        EXPECT_TRUE(tvd::FileExists(myFiles + "\\" + e.name));
    }
}

}  // namespace
