// Watched download folders with the real tv.exe: files written into a watched folder as browsers
// write them are offered for filing once, only when finished; files waiting at the start are
// offered; a declined file stays and is not offered again, also after a restart; a folder that
// goes away and comes back is watched again. What the program filed is read from its test trace
// (TV_TEST_TRACE: one "intake" line per offered file) and from its storage folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr char kSilentOptions[] = "0x1E5";  // the hand-off's set without the dialog, marked
constexpr char kAskOptions[] = "0x1BD";     // the hand-off's set

// tv.exe with a trace file, watched folders inside its program folder and their settings file.
class WatchRun {
public:
    ~WatchRun() {
        if (process_->Running()) process_->Kill();
    }

    e2e::TvProgram& tv() { return tv_; }
    // The current run of tv.exe (a new one at every Start).
    tvd::Process& process() { return *process_; }
    std::string Folder(const std::string& name) { return tv_.folder().File(name); }

    // Writes "tvwatch.ini" with the folders (created): "name" asks, "name>Category" files silently.
    bool Configure(const std::vector<std::string>& folders) {
        std::string text = "[Tolvane Plus Watched Folders]\r\n";
        for (const std::string& f : folders) {
            const size_t arrow = f.find('>');
            const std::string path = Folder(f.substr(0, arrow));
            if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
            text += arrow == std::string::npos ? "Folder=0||" + path + "\r\n"
                                               : "Folder=1|" + f.substr(arrow + 1) + "|" + path + "\r\n";
        }
        return tvd::WriteWholeFile(tv_.folder().File("tvwatch.ini"), text);
    }

    bool Start() {
        if (process_->started()) process_.reset(new tvd::Process);
        if (!tv_.ready() || !e2e::StartTv(*process_, tv_.exe(), "", tv_.folder().path())) return false;
        frame_ = process_->WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
        return frame_ != nullptr;
    }
    bool Close() {
        DWORD code = 1;
        return process_->CloseAndWait(frame_, tvd::WaitCeilingMs(), &code) && code == 0;
    }
    // The frame's thread has handled what was handed to it (and shows any sheet it opened).
    bool Sync() { return tvd::SyncWith(frame_); }

    // How many intake lines name path (with any options and web site).
    int Offers(const std::string& path) const {
        return trace_.Count([&](const std::string& l) { return IsOfferOf(l, path); });
    }
    // The intake line of path ("" when none).
    std::string OfferLine(const std::string& path) const {
        for (const std::string& l : trace_.Lines())
            if (IsOfferOf(l, path)) return l;
        return std::string();
    }
    bool WaitForOffers(const std::string& path, int count) const {
        return tvd::WaitUntil([&] { return Offers(path) >= count; }, tvd::WaitCeilingMs());
    }
    // Writes a new file into the silently filing folder `name` and waits until it is offered.
    // The watcher lists a folder whole and hands on what is finished in the order it finds it,
    // and the new file has to stay unchanged for the settle time first: by then every file
    // written before it into that folder has been looked at as well (and held open, has been
    // found busy). A check that something was NOT offered comes after this, never after a pause.
    bool Barrier(const std::string& name) {
        const std::string path = Folder(name) + "\\sync" + std::to_string(++barriers_) + ".bin";
        return tvd::WriteWholeFile(path, "sync") && WaitForOffers(path, 1);
    }
    // The size of the stored copy of name in the download storage folder (-1 when there is none).
    long long StoredSize(const std::string& name) { return FindSize(tv_.folder().File("download"), name); }

private:
    static long long FindSize(const std::string& folder, const std::string& name) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return -1;
        long long size = -1;
        do {
            const std::string entry = data.cFileName;
            if (entry == "." || entry == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                size = FindSize(folder + "\\" + entry, name);
            else if (lstrcmpiA(entry.c_str(), name.c_str()) == 0)
                size = (long long)(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        } while (size < 0 && FindNextFileA(find, &data));
        FindClose(find);
        return size;
    }
    static bool IsOfferOf(const std::string& line, const std::string& path) {
        return line.rfind("intake ", 0) == 0 && line.find(" [" + path + "] ") != std::string::npos;
    }
    e2e::KeepProgramPath programPath_;
    e2e::TvProgram tv_;
    e2e::TestTrace trace_{tv_.folder().File("trace.txt")};
    std::unique_ptr<tvd::Process> process_{new tvd::Process};
    HWND frame_ = nullptr;
    int barriers_ = 0;
};

std::string Line(const char* options, const std::string& path, const std::string& website = std::string()) {
    return std::string("intake ") + options + " [" + path + "] website [" + website + "]";
}

// Writes the file `name` into the watched folder `folder` the way a browser does: kept open
// (others may read, none may open it alone) and written in parts. After each part a file written
// beside it is filed first, so the open file has stayed unchanged for longer than the settle time
// and has been looked at; it must not have been offered.
void WriteSlowly(WatchRun& run, const std::string& folder, const std::string& name, int parts, size_t partBytes) {
    const std::string path = run.Folder(folder) + "\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const std::string part(partBytes, 'x');
    for (int i = 0; i < parts; ++i) {
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(h, part.data(), DWORD(part.size()), &written, nullptr));
        FlushFileBuffers(h);
        EXPECT_TRUE(run.Barrier(folder));
        EXPECT_EQ(run.Offers(path), 0) << "offered while part " << i + 1 << " of " << parts << " was written";
    }
    CloseHandle(h);
}

TEST(WatchedFolder, SlowlyWrittenFileIsOfferedOnceWhenComplete) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"in>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string path = run.Folder("in") + "\\slow.zip";
    // Pauses longer than the settle time: the open file still is not taken.
    WriteSlowly(run, "in", "slow.zip", 4, 50000);
    ASSERT_TRUE(run.WaitForOffers(path, 1));
    EXPECT_EQ(run.OfferLine(path), Line(kSilentOptions, path));
    EXPECT_TRUE(tvd::WaitUntil([&] { return run.StoredSize("slow.zip") == 200000; }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(tvd::FileExists(path));  // moved into storage
    ASSERT_TRUE(run.Barrier("in"));
    EXPECT_EQ(run.Offers(path), 1);
    EXPECT_TRUE(run.Close());
}

TEST(WatchedFolder, PartialNamesAreOfferedOnlyUnderTheirFinalName) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"in>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string in = run.Folder("in");
    // Chrome: "<name>.crdownload", renamed when done. Firefox: the final name made empty first,
    // the data in "<name>.part", which then replaces it.
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\chrome.zip.crdownload", std::string(30000, 'c')));
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\firefox.zip", ""));
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\firefox.zip.part", std::string(40000, 'f')));
    ASSERT_TRUE(run.Barrier("in"));
    for (const char* name : {"chrome.zip.crdownload", "firefox.zip", "firefox.zip.part", "chrome.zip"})
        EXPECT_EQ(run.Offers(in + "\\" + name), 0) << name;
    ASSERT_TRUE(MoveFileA((in + "\\chrome.zip.crdownload").c_str(), (in + "\\chrome.zip").c_str()));
    ASSERT_TRUE(MoveFileExA((in + "\\firefox.zip.part").c_str(), (in + "\\firefox.zip").c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(run.WaitForOffers(in + "\\chrome.zip", 1));
    ASSERT_TRUE(run.WaitForOffers(in + "\\firefox.zip", 1));
    EXPECT_TRUE(tvd::WaitUntil([&] { return run.StoredSize("firefox.zip") == 40000; }, tvd::WaitCeilingMs()));
    EXPECT_EQ(run.StoredSize("chrome.zip"), 30000);
    ASSERT_TRUE(run.Barrier("in"));
    EXPECT_EQ(run.Offers(in + "\\chrome.zip"), 1);
    EXPECT_EQ(run.Offers(in + "\\firefox.zip"), 1);
    EXPECT_EQ(run.Offers(in + "\\chrome.zip.crdownload"), 0);
    EXPECT_TRUE(run.Close());
}

TEST(WatchedFolder, ManyFilesAtOnceAreAllOfferedNoneTwice) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"in>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string in = run.Folder("in");
    const int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(tvd::WriteWholeFile(in + "\\many" + std::to_string(i) + ".bin", std::string(1000 + i, 'm')));
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            for (int i = 0; i < kFiles; ++i)
                if (run.Offers(in + "\\many" + std::to_string(i) + ".bin") == 0) return false;
            return true;
        },
        tvd::WaitCeilingMs()));
    ASSERT_TRUE(run.Barrier("in"));
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "many" + std::to_string(i) + ".bin";
        EXPECT_EQ(run.Offers(in + "\\" + name), 1) << name;
        EXPECT_EQ(run.StoredSize(name), 1000 + i) << name;
    }
    EXPECT_TRUE(run.Close());
}

TEST(WatchedFolder, FilesWaitingAtStartAreOfferedWithTheirWebSite) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"in>Standard"}));
    const std::string in = run.Folder("in");
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\waiting.zip", std::string(5000, 'w')));
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\plain.txt", "plain"));
    // The browser's zone information, in the file's side stream.
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\waiting.zip:Zone.Identifier",
                                    "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/files\r\n"
                                    "HostUrl=https://dl.example.org/waiting.zip\r\n"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOffers(in + "\\waiting.zip", 1));
    ASSERT_TRUE(run.WaitForOffers(in + "\\plain.txt", 1));
    EXPECT_EQ(run.OfferLine(in + "\\waiting.zip"), Line(kSilentOptions, in + "\\waiting.zip", "https://dl.example.org/waiting.zip"));
    EXPECT_EQ(run.OfferLine(in + "\\plain.txt"), Line(kSilentOptions, in + "\\plain.txt"));
    EXPECT_TRUE(tvd::WaitUntil([&] { return run.StoredSize("plain.txt") == 5; }, tvd::WaitCeilingMs()));
    EXPECT_TRUE(run.Close());
}

TEST(WatchedFolder, DeclinedFileStaysAndIsNotOfferedAgain) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"ask", "quiet>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string declined = run.Folder("ask") + "\\declined.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(declined, std::string(7000, 'd')));
    HWND sheet = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), run.process().pid());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(run.OfferLine(declined), Line(kAskOptions, declined));
    // Cancel, and yes, the file is not to be kept in storage.
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL));
    HWND box = tvd::WaitForMessageBox(e2e::kProgramTitle, tvd::WaitCeilingMs(), run.process().pid());
    ASSERT_TRUE(box);
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    // Another file arriving later is filed, the declined one is not offered again. (A download
    // still being written beside it has the asking folder listed again first.)
    ASSERT_TRUE(tvd::WriteWholeFile(run.Folder("ask") + "\\other.zip.part", "partial"));
    ASSERT_TRUE(run.Barrier("quiet"));
    ASSERT_TRUE(run.Sync());
    EXPECT_EQ(run.Offers(declined), 1);
    EXPECT_FALSE(tvd::FindTopWindow({"#32770", "Add File", run.process().pid(), true}));
    EXPECT_TRUE(tvd::FileExists(declined));
    EXPECT_EQ(run.StoredSize("declined.zip"), -1);
    EXPECT_TRUE(run.Close());

    // Nor after a restart: the settings file remembers it.
    std::string settings;
    ASSERT_TRUE(tvd::ReadWholeFile(run.tv().folder().File("tvwatch.ini"), &settings));
    EXPECT_NE(settings.find("|declined.zip"), std::string::npos) << settings;
    ASSERT_TRUE(run.Start());
    // Everything waiting at the start is looked at before a file that comes later.
    ASSERT_TRUE(run.Barrier("quiet"));
    ASSERT_TRUE(run.Sync());
    EXPECT_EQ(run.Offers(declined), 1);
    EXPECT_FALSE(tvd::FindTopWindow({"#32770", "Add File", run.process().pid(), true}));
    EXPECT_TRUE(tvd::FileExists(declined));
    EXPECT_TRUE(run.Close());
}

// A watched folder that is the download storage folder: what appears there belongs to the
// database already (filing it would move it onto itself).
TEST(WatchedFolder, StorageFolderIsNotFiledAgain) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"download>Standard", "in>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string own = run.Folder("download") + "\\own.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(own, "stored by hand"));
    // Both folders are listed in the same passes: a file written into the other one afterwards
    // is offered only after own.zip has been looked at.
    ASSERT_TRUE(run.Barrier("in"));
    ASSERT_TRUE(run.Sync());
    EXPECT_EQ(run.Offers(own), 0);
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(own, &bytes));
    EXPECT_EQ(bytes, "stored by hand");
    EXPECT_TRUE(run.Close());
}

TEST(WatchedFolder, FolderThatGoesAndComesBackIsWatchedAgain) {
    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"in>Standard", "other>Standard"}));
    ASSERT_TRUE(run.Start());
    const std::string in = run.Folder("in");
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\first.zip", "first"));
    ASSERT_TRUE(run.WaitForOffers(in + "\\first.zip", 1));
    ASSERT_TRUE(tvd::WaitUntil([&] { return !tvd::FileExists(in + "\\first.zip"); }, tvd::WaitCeilingMs()));
    // (The watcher's handle keeps the removed folder "delete pending" until it opens it anew.)
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::RemoveTree(in); }, tvd::WaitCeilingMs()));
    // The watcher goes on with the other folder while this one is missing.
    ASSERT_TRUE(run.Barrier("other"));
    ASSERT_TRUE(CreateDirectoryA(in.c_str(), nullptr));
    ASSERT_TRUE(tvd::WriteWholeFile(in + "\\second.zip", "second"));
    ASSERT_TRUE(run.WaitForOffers(in + "\\second.zip", 1));
    EXPECT_TRUE(tvd::WaitUntil([&] { return run.StoredSize("second.zip") == 6; }, tvd::WaitCeilingMs()));
    EXPECT_TRUE(run.Close());
}

}  // namespace

namespace {

// The preferences page: the suggested download folder added and set to file silently; on OK the
// settings file holds it and the folder is watched at once.
TEST(WatchedFolder, PreferencesPageAddsTheSuggestedFolder) {
    char profile[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("USERPROFILE", profile, sizeof(profile)));
    const std::string downloads = std::string(profile) + "\\Downloads";
    ASSERT_TRUE(tvd::MakeFolders(downloads));
    const std::string file = downloads + "\\tv-watch-e2e.bin";
    DeleteFileA(file.c_str());

    WatchRun run;
    ASSERT_TRUE(run.tv().ready());
    ASSERT_TRUE(run.Configure({"ask"}));
    ASSERT_TRUE(run.Start());
    HWND frame = run.process().WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
    ASSERT_TRUE(tvd::PostCommand(frame, 128));  // Preferences
    HWND sheet = tvd::WaitForWindow("#32770", "Preferences", tvd::WaitCeilingMs(), run.process().pid());
    ASSERT_TRUE(sheet);
    // "Watched Folders" is the last page.
    HWND tabs = tvd::FindChildByClass(sheet, "SysTabControl32");
    ASSERT_TRUE(tabs);
    const LRESULT pages = SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
    ASSERT_GE(pages, 2);
    PostMessageA(sheet, PSM_SETCURSEL, WPARAM(pages - 1), 0);
    HWND page = nullptr;
    ASSERT_TRUE(tvd::WaitUntil(
        [&] {
            // The post is handled later; until then the first page is current, and it has a 105 too.
            if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != pages - 1) return false;
            page = tvd::CurrentPropertyPage(sheet);
            return page && tvd::Control(page, 105);
        },
        tvd::WaitCeilingMs()));
    EXPECT_EQ(tvd::ListBoxItems(page, 101), std::vector<std::string>{run.Folder("ask")});
    EXPECT_NE(tvd::ControlText(page, 104).find(downloads), std::string::npos) << tvd::ControlText(page, 104);
    ASSERT_TRUE(tvd::PressButton(page, 105));  // Add Suggested
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListBoxItems(page, 101).size() == 2; }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(tvd::IsControlEnabled(page, 105));  // suggested once
    ASSERT_TRUE(tvd::ClickButton(page, 107));        // file silently, into the first category
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::ListBoxItems(page, 101).size() == 2 &&
                                            tvd::ListBoxItems(page, 101)[1] == downloads + "  ->  Standard"; },
                               tvd::WaitCeilingMs()));
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_OK));
    ASSERT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    // The program writes the file after the sheet has gone.
    std::string settings;
    EXPECT_TRUE(tvd::WaitUntil(
        [&] {
            settings.clear();
            return tvd::ReadWholeFile(run.tv().folder().File("tvwatch.ini"), &settings) &&
                   settings.find("Folder=0||" + run.Folder("ask") + "\r\n") != std::string::npos &&
                   settings.find("Folder=1|Standard|" + downloads + "\r\n") != std::string::npos;
        },
        tvd::WaitCeilingMs()))
        << settings;

    ASSERT_TRUE(tvd::WriteWholeFile(file, "from the download folder"));
    EXPECT_TRUE(run.WaitForOffers(file, 1));
    EXPECT_EQ(run.OfferLine(file), Line(kSilentOptions, file));
    EXPECT_TRUE(tvd::WaitUntil([&] { return !tvd::FileExists(file); }, tvd::WaitCeilingMs()));
    DeleteFileA(file.c_str());
    EXPECT_TRUE(run.Close());
}

}  // namespace
