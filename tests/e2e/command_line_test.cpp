// The real program started with and without files on its command line: the category tree of a
// first start and of the next one, a path with a blank that arrives as two arguments, several
// quoted files (also long ones, on a start and forwarded), a file that does not exist, a close
// while files are being filed, and a long description that survives the add/edit dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/stored_zip.h"
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
        if (!tv_.ready() || !e2e::StartTv(process_, tv_.exe(), args, tv_.folder().path())) return false;
        frame_ = process_.WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
        return frame_ != nullptr;
    }
    HWND frame() const { return frame_; }
    DWORD pid() const { return process_.pid(); }
    tvd::Process& process() { return process_; }
    std::vector<tvd::WindowInfo> Windows() const { return process_.Windows(); }
    HWND Tree() const {
        HWND client = tvd::FindChildByClass(frame_, "TolvaneWindow");
        return client ? tvd::Control(client, kCategoryTreeId) : nullptr;
    }
    // Closes as the user would; true when the program ended on its own with exit code 0.
    bool Close() {
        DWORD code = 1;
        return process_.CloseAndWait(frame_, tvd::WaitCeilingMs(), &code) && code == 0;
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
        ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ReadTree(tree, &roots) && roots.size() == 5; }, tvd::WaitCeilingMs()))
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
                                   tvd::WaitCeilingMs()));
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
        EXPECT_TRUE(tvd::WaitUntil([&] { return (again = FormattedTree(tree)) == first; }, tvd::WaitCeilingMs()))
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
        HWND dialog = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), run.pid());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditFileName), "a.zip");
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditWebsite), myFiles + "\\a.zip");
        ASSERT_TRUE(tvd::PressPropertySheetButton(dialog, PSBTN_OK));
        ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
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
    e2e::TestTrace trace(folder + "\\trace.txt");
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start("\"" + myFiles + "\\x.zip\" \"" + myFiles + "\\y.zip\" \"" + myFiles + "\\z.zip\""));
        EXPECT_TRUE(tvd::WaitUntil(
            [&] {
                return tvd::FileExists(storageFolder + "x.zip") && tvd::FileExists(storageFolder + "y.zip") &&
                       tvd::FileExists(storageFolder + "z.zip");
            },
            tvd::WaitCeilingMs()))
            << storageFolder;
        ASSERT_TRUE(tvd::SyncWith(run.frame()));
        EXPECT_EQ(tvd::FindTopWindow({"#32770", "Add File", run.pid(), false}), nullptr);
        // Nor a message box.
        for (const tvd::WindowInfo& w : run.Windows())
            if (w.visible && w.hwnd != run.frame())
                ADD_FAILURE() << w.className << " [" << w.caption << "] " << tvd::WindowText(tvd::Control(w.hwnd, 0xFFFF));
        ASSERT_TRUE(run.Close());
    }
    if (::testing::Test::HasFailure()) {
        std::string lines;
        for (const std::string& line : trace.Lines()) lines += line + "\n";
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

// The visible windows of the run other than its frame, as text for a failure message.
std::string OtherWindows(const ProgramRun& run) {
    std::string out;
    for (const tvd::WindowInfo& w : run.Windows())
        if (w.visible && w.hwnd != run.frame())
            out += w.className + " [" + w.caption + "] " + tvd::WindowText(tvd::Control(w.hwnd, 0xFFFF)) + "\n";
    return out;
}

// Three files whose paths are about 150 characters each (more than 459 in all, the size the
// joined command line once had): every one is filed, on a start and when forwarded to the
// running program by a second start.
TEST(CommandLineStart, LongPathsAreAllTakenOnAStartAndForwarded) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    const size_t want = 156;
    const size_t room = want - (folder.size() + 1) - std::string("\\first1.zip").size();
    ASSERT_LT(folder.size(), want - 20) << "the program folder lies too deep for this test";
    const std::string deep = folder + "\\" + std::string(room, 'd');
    ASSERT_TRUE(tvd::MakeFolders(deep));
    std::vector<std::string> files;
    for (const char* name : {"first1.zip", "secnd1.zip", "third1.zip", "first2.zip", "secnd2.zip", "third2.zip"}) {
        files.push_back(deep + "\\" + name);
        ASSERT_TRUE(tvd::WriteWholeFile(files.back(), std::string("bytes of ") + name));
    }
    auto quoted = [&](size_t from) {
        return "\"" + files[from] + "\" \"" + files[from + 1] + "\" \"" + files[from + 2] + "\"";
    };
    ASSERT_GT(quoted(0).size(), size_t(459));
    const std::string storage = folder + "\\download\\";
    auto stored = [&](size_t from) {
        for (size_t i = from; i < from + 3; ++i)
            if (!tvd::FileExists(storage + tvd::BaseName(files[i]))) return false;
        return true;
    };
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start(quoted(0)));
        EXPECT_TRUE(tvd::WaitUntil([&] { return stored(0); }, tvd::WaitCeilingMs())) << OtherWindows(run);
        // The second start hands its line to the running program and ends with 0.
        tvd::Process second;
        ASSERT_TRUE(second.Start(tv.exe(), quoted(3), tv.folder().path(), tvd::Process::Until::kNothing));
        DWORD code = 1;
        EXPECT_TRUE(second.Wait(tvd::WaitCeilingMs(), &code));
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(tvd::WaitUntil([&] { return stored(3); }, tvd::WaitCeilingMs())) << OtherWindows(run);
        ASSERT_TRUE(run.Close());
    }
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    EXPECT_EQ(DownloadCount(saved), 6);
    for (const std::string& file : files) {
        const FileItem* item = FindDownload(saved, tvd::BaseName(file));
        ASSERT_TRUE(item) << file;
        EXPECT_EQ(std::string(item->website ? item->website : ""), file);
        EXPECT_EQ(item->flags & TV_FILE_MARKED, uint32_t(TV_FILE_MARKED));
    }
}

// A file that does not exist is not filed: the user is told so, with the path, and no record
// appears. Two unquoted paths arrive as one name with a blank, which does not exist either.
TEST(CommandLineStart, MissingFileIsReportedAndNothingIsAdded) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    ASSERT_TRUE(tvd::WriteWholeFile(folder + "\\a.zip", "a"));
    ASSERT_TRUE(tvd::WriteWholeFile(folder + "\\b.zip", "b"));
    const struct {
        std::string args, named;
    } cases[] = {
        {folder + "\\no\\such\\file.zip", folder + "\\no\\such\\file.zip"},
        {folder + "\\a.zip " + folder + "\\b.zip", folder + "\\a.zip " + folder + "\\b.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start(c.args));
        HWND box = tvd::WaitForMessageBox("Error", tvd::WaitCeilingMs(), run.pid());
        ASSERT_TRUE(box) << OtherWindows(run);
        EXPECT_NE(tvd::MessageBoxText(box).find(c.named), std::string::npos) << tvd::MessageBoxText(box);
        ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()));
        ASSERT_TRUE(tvd::SyncWith(run.frame()));
        EXPECT_EQ(tvd::WaitForWindow("#32770", "Add File", 0, run.pid()), nullptr);
        ASSERT_TRUE(run.Close());
        TProgramData saved;
        ASSERT_TRUE(LoadSaved(folder, &saved));
        EXPECT_EQ(DownloadCount(saved), 0);
    }
}

// The window closed while files of the command line are being filed (here: while the message
// about a missing first file is open): the program neither files the rest behind the user's back
// nor acts on a closed window; it names the files it did not file and ends normally.
TEST(CommandLineStart, CloseDuringFilingNamesTheFilesNotFiled) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    const std::string x = folder + "\\x.zip", y = folder + "\\y.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(x, "x"));
    ASSERT_TRUE(tvd::WriteWholeFile(y, "y"));
    ProgramRun run(tv);
    ASSERT_TRUE(run.Start("\"" + folder + "\\missing.zip\" \"" + x + "\" \"" + y + "\""));
    HWND box = tvd::WaitForMessageBox("Error", tvd::WaitCeilingMs(), run.pid());
    ASSERT_TRUE(box) << OtherWindows(run);
    // Sent, not posted: once it is answered the frame has handled the close.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(run.frame(), WM_CLOSE, 0, 0, SMTO_NORMAL, tvd::WaitCeilingMs(), &answer));
    EXPECT_TRUE(IsWindow(run.frame()));  // the close waits for the filing
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDOK));
    HWND notFiled = tvd::WaitForMessageBox("Tolvane Plus", tvd::WaitCeilingMs(), run.pid());
    ASSERT_TRUE(notFiled) << OtherWindows(run);
    const std::string text = tvd::MessageBoxText(notFiled);
    EXPECT_NE(text.find(x), std::string::npos) << text;
    EXPECT_NE(text.find(y), std::string::npos) << text;
    ASSERT_TRUE(tvd::AnswerMessageBox(notFiled, IDOK));
    // Then the program ends by itself, normally.
    DWORD code = 1;
    EXPECT_TRUE(run.process().Wait(tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(code, 0u);
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    EXPECT_EQ(DownloadCount(saved), 0);
    EXPECT_FALSE(tvd::FileExists(folder + "\\download\\x.zip"));
}

// A "FILE_ID.DIZ" of several thousand characters goes into the add/edit dialog and comes back
// whole when the dialog is confirmed.
TEST(CommandLineStart, LongDescriptionSurvivesTheDialog) {
    e2e::TvProgram tv;
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    std::string description;
    for (int line = 0; description.size() < 5000; ++line)
        description += "Line " + std::to_string(line) + " of a long description of the archive.\r\n";
    const std::string archive = folder + "\\long.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(archive, e2e::MakeZip({{"FILE_ID.DIZ", description}})));
    {
        ProgramRun run(tv);
        ASSERT_TRUE(run.Start("\"" + archive + "\""));
        HWND dialog = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), run.pid());
        ASSERT_TRUE(dialog) << OtherWindows(run);
        ASSERT_TRUE(tvd::PressPropertySheetButton(dialog, PSBTN_OK));
        ASSERT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
        ASSERT_TRUE(run.Close());
    }
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    const FileItem* item = FindDownload(saved, "long.zip");
    ASSERT_TRUE(item);
    const std::string kept = item->description ? item->description : "";
    EXPECT_EQ(kept.size(), description.size());
    EXPECT_EQ(kept, description);
}

}  // namespace
