// The real tv.exe: single instance with the forwarded command line, the WM_COPYDATA receiver, the
// start in the tray and the order of the deferred start-up. Files named on a command line or
// handed over by message go through the real intake (its add/edit dialog is answered here); what
// the program asks of the deferred start-up is read from its test trace (TV_TEST_TRACE).
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "util/text.h"

#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/e2e/e2e_support.h"
#include "tests/shell/sample_database.h"

namespace {

// Runs tv.exe with a trace file in its program folder.
class TracedProgram {
public:
    e2e::TvProgram& tv() { return tv_; }
    std::vector<std::string> Lines() const { return trace_.Lines(); }
    bool WaitForLine(const std::string& line) const { return trace_.WaitForLine(line); }

private:
    e2e::KeepProgramPath programPath_;
    e2e::TvProgram tv_;
    e2e::TestTrace trace_{tv_.folder().File("trace.txt")};
};

LRESULT SendCopyData(HWND frame, ULONG_PTR kind, const void* data, DWORD bytes, bool* answered) {
    COPYDATASTRUCT cds = {};
    cds.dwData = kind;
    cds.cbData = bytes;
    cds.lpData = const_cast<void*>(data);
    DWORD_PTR result = 0;
    *answered = SendMessageTimeoutA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL,
                                    tvd::WaitCeilingMs(), &result) != 0;
    return LRESULT(result);
}

// WM_COPYDATA from a thread of its own: the receiver may show the intake's dialog, which the test
// answers while the message is still being handled.
class AsyncCopyData {
public:
    AsyncCopyData(HWND frame, ULONG_PTR kind, std::string data, bool sendNull = false)
        : data_(std::move(data)) {
        thread_ = std::thread([this, frame, kind, sendNull] {
            bool answered = false;
            result_ = SendCopyData(frame, kind, sendNull ? nullptr : data_.data(), DWORD(data_.size()), &answered);
            answered_ = answered;
            done_ = true;
        });
    }
    ~AsyncCopyData() {
        if (thread_.joinable()) thread_.join();
    }
    // Waits for the answer (the send itself gives up after 20 s).
    LRESULT Wait(bool* answered) {
        thread_.join();
        *answered = answered_;
        return result_;
    }
    bool done() const { return done_; }

private:
    std::string data_;
    std::thread thread_;
    std::atomic<bool> done_{false};
    bool answered_ = false;
    LRESULT result_ = 0;
};

constexpr int kAddEditFileName = 106;
constexpr int kAddEditDescription = 102;
constexpr int kAddEditWebsite = 103;

// The add/edit sheet of a new download in the program.
HWND WaitForAddFile(DWORD pid) { return tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), pid); }

// A control's text on the sheet's page "General".
std::string PageText(HWND sheet, int id) { return tvd::ControlText(tvd::CurrentPropertyPage(sheet), id); }

// Presses the dialog's button and waits until it is gone.
bool AnswerDialog(HWND dialog, int button) {
    return dialog && tvd::PressButton(dialog, button) && tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs());
}

// Presses the sheet's button (PSBTN_OK, PSBTN_CANCEL) and waits until the sheet is gone.
bool AnswerSheet(HWND sheet, int button) {
    return sheet && tvd::PressPropertySheetButton(sheet, button) && tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs());
}

// The database that tv.exe saved in its program folder.
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

// Where the download's file lies in the storage folder ("" when no path can be made).
std::string StoredPath(const TProgramData& data, const FileItem* item) {
    char path[TV_PATH_SIZE] = {};
    const ListNode* category = data.categories.FindCategoryById(item->categoryId, TV_KIND_DOWNLOADS);
    const StorageLocations locations{data.standards.downloadsLocation, data.standards.shortcutsLocation};
    if (!category || data.downloads.FilePath(path, sizeof(path), item, &data.categories, locations, category) !=
                         TV_FOLDER_OK)
        return std::string();
    return path;
}

TEST(ShellStartup, SecondStartForwardsItsCommandLineAndEndsWith0) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.ready());
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    // Deferred start-up of a first run (no tv.cfg), in its order, then nothing from an empty
    // command line.
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    EXPECT_EQ(run.Lines(), (std::vector<std::string>{"first-setup-wizard", "first-setup-wizard cancelled",
                                                      "check-lost-files", "check-new-files", "startup-bookmark-import"}));
    EXPECT_NE(GetMenu(frame), nullptr);
    // The program leaves its path for the plug-ins.
    std::string value;
    ASSERT_TRUE(e2e::ReadProgramPath(&value));
    EXPECT_EQ(lstrcmpiA(value.c_str(), tvd::WinPath(tv.exe()).c_str()), 0) << value;

    // A second start without arguments sends nothing.
    {
        tvd::Process second;
        ASSERT_TRUE(second.Start(tv.exe(), "", tv.folder().path(), tvd::Process::Until::kNothing));
        DWORD code = 1;
        ASSERT_TRUE(second.Wait(tvd::WaitCeilingMs(), &code));
        EXPECT_EQ(code, 0u);
    }
    // Real files to bring in, in a folder with a blank in its name.
    const std::string folder = tvd::WinPath(tv.folder().path());
    const std::string myFiles = folder + "\\My Files";
    ASSERT_TRUE(tvd::MakeFolders(myFiles));
    for (const char* name : {"a.zip", "a b.zip", "c.zip"})
        ASSERT_TRUE(tvd::WriteWholeFile(myFiles + "\\" + name, std::string("content of ") + name));
    // With a path split at its blank and "/tray": one quoted file, shown in the add/edit dialog;
    // the tray switch does nothing in the running instance.
    {
        tvd::Process second;
        ASSERT_TRUE(second.Start(tv.exe(), myFiles + "\\a.zip /TRAY", tv.folder().path(), tvd::Process::Until::kNothing));
        HWND dialog = WaitForAddFile(tv.process().pid());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(PageText(dialog, kAddEditFileName), "a.zip");
        EXPECT_EQ(PageText(dialog, kAddEditWebsite), myFiles + "\\a.zip");
        EXPECT_TRUE(AnswerSheet(dialog, PSBTN_OK));
        DWORD code = 1;
        ASSERT_TRUE(second.Wait(tvd::WaitCeilingMs(), &code));
        EXPECT_EQ(code, 0u);
    }
    EXPECT_TRUE(run.WaitForLine("intake 0x20F [\"" + myFiles + "\\a.zip\"] website []"));
    EXPECT_EQ(run.Lines().size(), 6u);
    EXPECT_TRUE(IsWindowVisible(frame));
    // Several quoted files, each on its own and without a dialog; the viewer and the interchange
    // wizard.
    {
        tvd::Process second;
        ASSERT_TRUE(second.Start(tv.exe(), "\"" + myFiles + "\\a b.zip\" \"" + myFiles + "\\c.zip\"",
                                 tv.folder().path(), tvd::Process::Until::kNothing));
        ASSERT_TRUE(second.Wait(tvd::WaitCeilingMs()));
    }
    EXPECT_TRUE(run.WaitForLine("intake 0x245 [\"" + myFiles + "\\a b.zip\"] website []"));
    EXPECT_TRUE(run.WaitForLine("intake 0x245 [\"" + myFiles + "\\c.zip\"] website []"));
    {
        tvd::Process second;
        ASSERT_TRUE(second.Start(tv.exe(), "/iv C:\\x.zip", tv.folder().path(), tvd::Process::Until::kNothing));
        // The viewer opens on an archive that does not exist: it says so (the forwarding start
        // waits meanwhile, as for any command line it hands over) and shows no archive.
        HWND box = tvd::WaitForMessageBox(e2e::kProgramTitle, tvd::WaitCeilingMs());
        ASSERT_TRUE(box);
        EXPECT_EQ(tvd::MessageBoxText(box), "Error while opening the archive");
        tvd::AnswerMessageBox(box, IDOK);
        ASSERT_TRUE(second.Wait(tvd::WaitCeilingMs()));
    }
    EXPECT_TRUE(run.WaitForLine("viewer [C:\\x.zip]"));
    EXPECT_TRUE(IsWindowVisible(frame)) << "/iv from a second start must not hide the running window";
    {
        HWND viewer = tvd::WaitForWindow("TVInternalViewerWindow", "Internal Viewer - Tolvane Plus", tvd::WaitCeilingMs());
        ASSERT_TRUE(viewer);
        tvd::PostClose(viewer);
        EXPECT_TRUE(tvd::WaitForWindowGone(viewer, tvd::WaitCeilingMs()));
    }

    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(tvd::FileExists(tv.folder().File("tv.cfg")));

    // Each file was copied into the storage folder (the originals stay); the one from the dialog
    // is not marked, the several files are, and each keeps the path it came from as website.
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    const struct {
        const char* name;
        uint32_t marked;
    } expected[] = {{"a.zip", 0}, {"a b.zip", TV_FILE_MARKED}, {"c.zip", TV_FILE_MARKED}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const FileItem* item = FindDownload(saved, e.name);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->flags & TV_FILE_MARKED, e.marked);
        EXPECT_EQ(std::string(item->website ? item->website : ""), myFiles + "\\" + e.name);
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(StoredPath(saved, item), &bytes)) << StoredPath(saved, item);
        EXPECT_EQ(bytes, std::string("content of ") + e.name);
        EXPECT_TRUE(tvd::FileExists(myFiles + "\\" + e.name));
    }
}

TEST(ShellStartup, CopyDataKindsAnswerAndUntrustedRecordsAreSafe) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));

    bool answered = false;
    const char text[] = "/interchangefile \"C:\\My Files\\b.tvi\"";
    EXPECT_EQ(SendCopyData(frame, 2, text, sizeof(text), &answered), FALSE);
    EXPECT_TRUE(answered);
    const DWORD pid = tv.process().pid();
    {
        // The import wizard opens on the named file, without its quotes.
        AsyncCopyData send(frame, 0, std::string(text, sizeof(text)));
        HWND wizard = tvd::WaitForWindow("#32770", "Import Interchange File", tvd::WaitCeilingMs(), pid);
        ASSERT_TRUE(wizard);
        EXPECT_EQ(PageText(wizard, 101), "C:\\My Files\\b.tvi");
        EXPECT_TRUE(AnswerSheet(wizard, PSBTN_CANCEL));
        EXPECT_EQ(send.Wait(&answered), TRUE);
        EXPECT_TRUE(answered);
    }
    const std::string folder = tvd::WinPath(tv.folder().path());
    // A forwarded text without terminator is read only up to its byte count.
    const std::string one = folder + "\\one.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(one, "one"));
    {
        AsyncCopyData send(frame, 0, one);
        HWND dialog = WaitForAddFile(pid);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(PageText(dialog, kAddEditFileName), "one.zip");
        EXPECT_TRUE(AnswerSheet(dialog, PSBTN_CANCEL));
        EXPECT_EQ(send.Wait(&answered), TRUE);
        EXPECT_TRUE(answered);
    }
    EXPECT_TRUE(run.WaitForLine("intake 0x20F [\"" + one + "\"] website []"));
    EXPECT_TRUE(tvd::FileExists(one));

    // A download record whose path has no terminator (a whole field of letters, or a short record
    // that ends inside the path): the path as read is cut and could name another file, so nothing
    // is filed and the user is told what arrived. An empty record is dropped at once.
    std::string record(522, 'A');
    record.replace(261, 261, std::string(261, 'U'));
    for (const std::string& cut : {record, std::string("C:\\x", 4)}) {
        AsyncCopyData send(frame, 1, cut);
        HWND box = tvd::WaitForMessageBox("Error", tvd::WaitCeilingMs(), pid);
        ASSERT_TRUE(box);
        EXPECT_NE(tvd::MessageBoxText(box).find(cut.substr(0, 4)), std::string::npos) << tvd::MessageBoxText(box);
        EXPECT_TRUE(tvd::AnswerMessageBox(box, IDOK));
        EXPECT_EQ(send.Wait(&answered), TRUE);
        EXPECT_TRUE(answered);
    }
    for (const std::string& line : run.Lines()) EXPECT_NE(line.find("intake 0x1BD"), 0u) << line;
    {
        AsyncCopyData send(frame, 1, std::string(), true);
        EXPECT_EQ(send.Wait(&answered), TRUE);
        EXPECT_TRUE(answered);
    }
    ASSERT_TRUE(tvd::SyncWith(frame));
    EXPECT_EQ(tvd::FindTopWindow({tvd::kMessageBoxClass, "Error", pid, false}), nullptr);

    // A real hand-off of a file outside the temporary folder: OK moves it into the storage folder
    // (the preset of a download), with the URL as website.
    const std::string file = folder + "\\download.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(file, "PK"));
    std::string handoff(522, '\0');
    handoff.replace(0, file.size(), file);
    const std::string url = "http://www.example.org/download.zip";
    handoff.replace(261, url.size(), url);
    {
        AsyncCopyData send(frame, 1, handoff);
        HWND dialog = WaitForAddFile(pid);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(PageText(dialog, kAddEditFileName), "download.zip");
        EXPECT_EQ(PageText(dialog, kAddEditWebsite), url);
        EXPECT_TRUE(AnswerSheet(dialog, PSBTN_OK));
        EXPECT_EQ(send.Wait(&answered), TRUE);
    }
    EXPECT_TRUE(run.WaitForLine("intake 0x1BD [" + file + "] website [" + url + "]"));
    EXPECT_FALSE(tvd::FileExists(file));

    EXPECT_TRUE(tv.process().Running());
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    EXPECT_FALSE(FindDownload(saved, "one.zip"));
    EXPECT_FALSE(FindDownload(saved, std::string(260, 'A')));
    const FileItem* stored = FindDownload(saved, "download.zip");
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(stored->website ? stored->website : ""), url);
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(StoredPath(saved, stored), &bytes));
    EXPECT_EQ(bytes, "PK");
}

TEST(ShellStartup, LostAndNewStorageFilesAreReportedAtStartUpAndKeptInTheDatabase) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    ASSERT_TRUE(sample::WriteSampleDatabase(folder));
    std::string storage;
    {
        TProgramData data;
        ASSERT_TRUE(LoadSaved(folder, &data));
        const FileItem* beta = FindDownload(data, "beta.exe");
        ASSERT_TRUE(beta);
        const std::string betaPath = StoredPath(data, beta);
        ASSERT_TRUE(tvd::FileExists(betaPath));
        // One stored file vanished, one appeared that the database does not know.
        ASSERT_TRUE(DeleteFileA(betaPath.c_str()));
        storage = betaPath.substr(0, betaPath.find_last_of('\\'));
        ASSERT_TRUE(tvd::WriteWholeFile(storage + "\\stranger.txt", "copied by hand"));
    }
    ASSERT_TRUE(tv.Start());
    ASSERT_TRUE(tv.WaitForFrame());
    const DWORD pid = tv.process().pid();
    HWND lost = tvd::WaitForDialog("Lost Files", tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(lost);
    EXPECT_TRUE(AnswerDialog(lost, IDOK));
    HWND found = tvd::WaitForDialog("New Files Found", tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(found);
    EXPECT_TRUE(AnswerDialog(found, IDOK));
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    EXPECT_EQ(run.Lines(), (std::vector<std::string>{"check-lost-files", "check-new-files", "startup-bookmark-import"}));
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);

    TProgramData saved;
    ASSERT_TRUE(LoadSaved(folder, &saved));
    const FileItem* beta = FindDownload(saved, "beta.exe");
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->flags & TV_FILE_EXISTS, 0u);
    const FileItem* alpha = FindDownload(saved, "alpha.zip");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha->flags & TV_FILE_EXISTS, uint32_t(TV_FILE_EXISTS));
    const FileItem* stranger = FindDownload(saved, "stranger.txt");
    ASSERT_TRUE(stranger);
    EXPECT_EQ(stranger->flags & TV_FILE_FOUND, uint32_t(TV_FILE_FOUND));
    EXPECT_EQ(StoredPath(saved, stranger), storage + "\\stranger.txt");
}

TEST(ShellShutDown, EndOfSessionSavesTheDatabaseBeforeTheProcessIsEnded) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.Start());
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    ASSERT_FALSE(tvd::FileExists(tv.folder().File("tv.cfg")));
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(frame, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, tvd::WaitCeilingMs(), &result));
    EXPECT_TRUE(tvd::FileExists(tv.folder().File("tv.cfg")));
    // The system ends the process without destroying its windows.
    tv.process().Kill(0);
}

TEST(ShellStartup, TrayInCapitalsStartsHiddenAndTheTrayIconBringsItBack) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.Start("/TRAY"));
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    ASSERT_TRUE(tvd::SyncWith(frame));  // the start-up actions (the tray) follow in the same step
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(tvd::WindowText(frame), "Tolvane Plus");
    // The hidden program still takes forwarded command lines.
    bool answered = false;
    const std::string two = tvd::WinPath(tv.folder().File("two.zip"));
    ASSERT_TRUE(tvd::WriteWholeFile(two, "two"));
    {
        AsyncCopyData send(frame, 0, two + std::string(1, '\0'));
        EXPECT_TRUE(AnswerSheet(WaitForAddFile(tv.process().pid()), PSBTN_CANCEL));
        EXPECT_EQ(send.Wait(&answered), TRUE);
    }
    EXPECT_TRUE(run.WaitForLine("intake 0x20F [\"" + two + "\"] website []"));
    EXPECT_FALSE(IsWindowVisible(frame));
    HWND client = FindWindowExA(frame, nullptr, "TolvaneWindow", nullptr);
    ASSERT_TRUE(client);
    // The tray menu opens at the point and closes with Escape; the window stays in the tray.
    PostMessageA(client, WM_USER + 4, 0, MAKELPARAM(300, 300));
    HWND menu = tvd::WaitForWindow({"#32768", "", tv.process().pid(), true}, tvd::WaitCeilingMs());
    ASSERT_TRUE(menu);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(tvd::WaitForWindowGone(menu, tvd::WaitCeilingMs()) || !IsWindowVisible(menu));
    EXPECT_FALSE(IsWindowVisible(frame));
    // "Start with Windows" from the tray menu is stored.
    PostMessageA(frame, WM_COMMAND, 185, 0);
    // A click on the tray icon brings the window back.
    PostMessageA(client, WM_USER + 1, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(tvd::WaitUntil([&] { return IsWindowVisible(frame) != FALSE; }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(IsIconic(frame));
    // "Always on top" from the system menu, twice.
    SendMessageA(frame, WM_SYSCOMMAND, 137, 0);
    EXPECT_TRUE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SendMessageA(frame, WM_SYSCOMMAND, 137, 0);
    EXPECT_FALSE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
    TProgramData saved;
    const std::string folder = tvd::WinPath(tv.folder().path());
    CopyLimited(saved.programFolder, (folder + "\\").c_str(), sizeof(saved.programFolder));
    EXPECT_FALSE(LoadDatabase(&saved, nullptr, (folder + "\\tv.cfg").c_str()));
    EXPECT_EQ(saved.integration.startWithWindows, 0u);  // a first run starts with 1
    EXPECT_EQ(saved.integration.alwaysOnTop, 0u);
}

// Whether the shell holds a tray icon (id 0) of the window: only an existing icon can be changed.
bool TrayIconPresent(HWND owner) {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 0;
    data.uFlags = NIF_TIP;
    CopyLimited(data.szTip, "Tolvane Plus", sizeof(data.szTip));
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool RemoveTrayIcon(HWND owner) {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = 0;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

void PressKey(WORD key) {
    keybd_event(BYTE(key), 0, 0, 0);
    keybd_event(BYTE(key), 0, KEYEVENTF_KEYUP, 0);
}

TEST(ShellTray, MenuOpensAboveTheIconAndEscapeClosesItAndTheIconComesBackWithANewTaskbar) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.Start("/tray"));
    HWND frame = tv.WaitForFrame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    HWND client = FindWindowExA(frame, nullptr, "TolvaneWindow", nullptr);
    ASSERT_TRUE(client);
    ASSERT_TRUE(tvd::WaitUntil([&] { return !IsWindowVisible(frame) && TrayIconPresent(client); }, tvd::WaitCeilingMs()));

    // A right click on the icon: the menu's bottom-right corner at the point, so that it does not
    // lie over the icon; the real Escape key closes it and the program stays in the tray.
    // Under Wine on X a pointer motion queued before the warp can still move the cursor back, so
    // the warp is repeated until it holds, and the menu is measured against where the cursor is
    // once the menu is open (the point the program read; nothing moves the cursor after that).
    const POINT target = {700, 600};
    ASSERT_TRUE(tvd::WaitUntil(
        [&] {
            POINT now = {};
            if (GetCursorPos(&now) && now.x == target.x && now.y == target.y) return true;
            SetCursorPos(target.x, target.y);
            return false;
        },
        tvd::WaitCeilingMs()));
    PostMessageA(client, WM_USER + 1, 0, WM_RBUTTONDOWN);
    HWND menu = tvd::WaitForWindow({"#32768", "", tv.process().pid(), true}, tvd::WaitCeilingMs());
    ASSERT_TRUE(menu);
    RECT r = {};
    ASSERT_TRUE(tvd::WaitUntil([&] { return GetWindowRect(menu, &r) && r.right > r.left; }, tvd::WaitCeilingMs()));
    POINT at = {};
    ASSERT_TRUE(GetCursorPos(&at));
    EXPECT_LE(r.right, at.x + 1);
    EXPECT_GE(r.right, at.x - 3);
    EXPECT_LE(r.bottom, at.y + 1);
    EXPECT_GE(r.bottom, at.y - 3);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(tvd::WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_TRUE(tv.process().Running());

    // A restarted shell knows no icons; its "TaskbarCreated" brings the program's icon back.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_TRUE(RemoveTrayIcon(client));
    EXPECT_FALSE(TrayIconPresent(client));
    PostMessageA(frame, taskbarCreated, 0, 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return TrayIconPresent(client); }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(IsWindowVisible(frame));

    // When the shell refuses the icon (here: another icon holds its place), the window shows
    // instead of staying hidden without a way back.
    ASSERT_TRUE(RemoveTrayIcon(client));
    NOTIFYICONDATAA blocker = {};
    blocker.cbSize = sizeof(blocker);
    blocker.hWnd = client;
    blocker.uID = 0;
    blocker.uFlags = NIF_TIP;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &blocker));
    PostMessageA(frame, taskbarCreated, 0, 0);
    EXPECT_TRUE(tvd::WaitUntil([&] { return IsWindowVisible(frame) != FALSE; }, tvd::WaitCeilingMs()));
    EXPECT_FALSE(IsIconic(frame));
    RemoveTrayIcon(client);

    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);
}

TEST(ShellShutDown, TemporaryFilesThenFoldersAreDeletedAndWhatStaysStaysListed) {
    TracedProgram run;
    e2e::TvProgram& tv = run.tv();
    ASSERT_TRUE(tv.ready());
    const std::string folder = tvd::WinPath(tv.folder().path());
    // The program's temporary folder is the test's (one prefix).
    char tempFolder[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof(tempFolder), tempFolder), 0u);
    const std::string temp = std::string(tempFolder) + "tvshutdown" + std::to_string(GetCurrentProcessId());
    const std::string viewed = temp + "\\viewed";      // a viewer's folder with its file
    const std::string viewedFile = viewed + "\\member.txt";
    const std::string loose = temp + "\\loose.tmp";
    const std::string busy = temp + "\\busy";          // holds a file nobody listed
    const std::string foreign = folder + "\\mine.txt";  // listed, but not in the temporary folder
    ASSERT_TRUE(tvd::MakeFolders(viewed));
    ASSERT_TRUE(tvd::MakeFolders(busy));
    ASSERT_TRUE(tvd::WriteWholeFile(viewedFile, "x"));
    ASSERT_TRUE(tvd::WriteWholeFile(loose, "x"));
    ASSERT_TRUE(tvd::WriteWholeFile(busy + "\\other.txt", "x"));
    ASSERT_TRUE(tvd::WriteWholeFile(foreign, "x"));
    const std::string cfg = folder + "\\tv.cfg";
    {
        TProgramData data;
        CopyLimited(data.programFolder, (folder + "\\").c_str(), sizeof(data.programFolder));
        LoadDatabase(&data, nullptr, (folder + "\\none.cfg").c_str());
        // The folder is listed before its file: files still go first.
        const struct {
            std::string path;
            uint32_t kind;
        } entries[] = {{viewed, TV_TEMP_FOLDER}, {viewedFile, TV_TEMP_FILE}, {loose, TV_TEMP_FILE},
                       {busy, TV_TEMP_FOLDER}, {temp + "\\gone.tmp", TV_TEMP_FILE}, {foreign, TV_TEMP_FILE}};
        for (const auto& e : entries) {
            TempFileEntry entry = {const_cast<char*>(e.path.c_str()), e.kind};
            ASSERT_TRUE(data.tempFiles.Add(&entry, 0));
        }
        ASSERT_TRUE(SaveDatabase(&data, nullptr, cfg.c_str()));
    }

    ASSERT_TRUE(tv.Start());
    ASSERT_TRUE(tv.WaitForFrame());
    ASSERT_TRUE(run.WaitForLine("startup-bookmark-import"));
    EXPECT_EQ(run.Lines().front(), "check-lost-files");  // a database was there: no first run
    DWORD code = 1;
    ASSERT_TRUE(tv.Close(&code));
    EXPECT_EQ(code, 0u);

    EXPECT_FALSE(tvd::FileExists(viewedFile));
    EXPECT_FALSE(tvd::FolderExists(viewed));
    EXPECT_FALSE(tvd::FileExists(loose));
    EXPECT_TRUE(tvd::FolderExists(busy));
    EXPECT_TRUE(tvd::FileExists(foreign));
    tvd::RemoveTree(temp);
    TProgramData after;
    CopyLimited(after.programFolder, (folder + "\\").c_str(), sizeof(after.programFolder));
    EXPECT_FALSE(LoadDatabase(&after, nullptr, cfg.c_str()));
    ASSERT_EQ(after.tempFiles.Count(0), 1u);
    const TempFileEntry* left = TTempFileListObject::Item(after.tempFiles.First());
    ASSERT_TRUE(left && left->path);
    EXPECT_EQ(std::string(left->path), busy);
    tvd::RemoveTree(temp);
}

}  // namespace
