// Helpers of the internal viewer's Windows tests.
#include "tests/archive/win_viewer_support.h"

#include <ole2.h>

#include <cstdio>
#include <set>

#include "archive/viewer_ids.h"
#include "util/text.h"
#include "util/win_classes.h"

namespace ivt {

namespace {

const DWORD kWaitMs = tvd::WaitCeilingMs();
constexpr char kStandInClass[] = "TvViewerTestMain";

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

LRESULT CALLBACK StandInProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Removes a folder tree by its wide names (files whose names have no ANSI form included).
void RemoveTreeWide(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeWide(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::vector<LPARAM> ViewerTest::notified_;

namespace {

LRESULT CALLBACK StandInProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 5) {
        struct Access : ViewerTest {
            static void Add(LPARAM l) { notified_.push_back(l); }
        };
        Access::Add(lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * UnixName)(const WCHAR*);
    static UnixName convert =
        reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return std::string();
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2)) return std::string();
    char* unix = convert(wide);
    if (!unix) return std::string();
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

bool RunUnix(const std::string& command) {
    // Wine starts Linux programs but cannot wait for them: the command writes its exit code into
    // a file when it is done, and the test waits for that file.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int counter = 0;
    char flag[MAX_PATH];
    FormatLimited(flag, sizeof flag, "%stvunix%lu_%d.rc", temp, GetCurrentProcessId(), ++counter);
    DeleteFileA(flag);
    const std::string unixFlag = UnixPath(flag);
    if (unixFlag.empty()) return false;
    std::string line = "/bin/sh -c \"" + command + " >/dev/null 2>&1; echo $? > " + Quote(unixFlag + ".part") +
                       " && mv " + Quote(unixFlag + ".part") + " " + Quote(unixFlag) + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string rc;
    if (!tvd::WaitUntil([&] { return tvd::ReadWholeFile(flag, &rc) && !rc.empty(); }, tvd::WaitCeilingMs())) return false;
    DeleteFileA(flag);
    return rc[0] == '0';
}

namespace {

bool Archiver(const char* tool, const std::string& folder, const std::string& archive, const std::string& options,
              const std::vector<std::string>& members) {
    const std::string unixFolder = UnixPath(folder);
    // The archive's folder exists: its Linux name is known; the archive itself may not exist yet.
    const size_t slash = archive.find_last_of('\\');
    const std::string unixArchive = UnixPath(archive.substr(0, slash)) + "/" + archive.substr(slash + 1);
    if (unixFolder.empty()) return false;
    std::string command = "cd " + Quote(unixFolder) + " && " + tool + " " + options + " " + Quote(unixArchive);
    for (const std::string& m : members) command += " " + Quote(m);
    return RunUnix(command) && tvd::FileExists(archive);
}

}  // namespace

bool InfoZip(const std::string& folder, const std::string& archive, const std::string& options,
             const std::vector<std::string>& members) {
    return Archiver("zip", folder, archive, options, members);
}

bool SevenZip(const std::string& folder, const std::string& archive, const std::string& options,
              const std::vector<std::string>& members) {
    return Archiver("7z a -tzip -bd", folder, archive, options, members);
}

void Write(const std::string& path, const std::string& content) {
    const size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) tvd::MakeFolders(path.substr(0, slash));
    EXPECT_TRUE(tvd::WriteWholeFile(path, content)) << path;
}

std::string Read(const std::string& path) {
    std::string content;
    return tvd::ReadWholeFile(path, &content) ? content : std::string("<missing>");
}

// ---------------------------------------------------------------- scripts

Script::Script(std::function<void()> body)
    : thread_([this, body] {
          try {
              body();
          } catch (...) {
              ADD_FAILURE() << "the script threw";
          }
          if (::testing::Test::HasFailure()) CloseAllDialogs();
          done_ = true;
      }) {}

Script::~Script() { Finish(); }

void Script::Finish() {
    if (!thread_.joinable()) return;
    // The script's own waits have ceilings, so it ends; meanwhile this thread's dialogs run.
    tvd::WaitUntil([this] { return done_.load(); }, INFINITE);
    thread_.join();
}

void CloseAllDialogs() {
    // Every dialog and box of this process is told once to cancel and close; one that comes up
    // meanwhile (a question on cancelling) is told too.
    std::set<HWND> told;
    tvd::WaitUntil(
        [&] {
            bool any = false;
            for (const tvd::WindowInfo& w : tvd::ListWindows(GetCurrentProcessId())) {
                if (w.className != "VeltraDialog" && w.className != "#32770") continue;
                any = true;
                if (!told.insert(w.hwnd).second) continue;
                PostMessageA(w.hwnd, WM_COMMAND, IDCANCEL, 0);
                PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
            }
            return !any;
        },
        tvd::WaitCeilingMs());
}

HWND Dialog(const char* caption) {
    tvd::WindowQuery q;
    q.className = "VeltraDialog";
    q.caption = caption;
    q.pid = GetCurrentProcessId();
    q.visibleOnly = true;
    HWND hwnd = tvd::WaitForWindow(q, kWaitMs);
    if (!hwnd) ADD_FAILURE() << "no dialog \"" << caption << "\"";
    return hwnd;
}

HWND Box(const char* caption) {
    tvd::WindowQuery q;
    q.className = "#32770";
    q.caption = caption;
    q.pid = GetCurrentProcessId();
    q.visibleOnly = true;
    HWND hwnd = tvd::WaitForWindow(q, kWaitMs);
    if (!hwnd) ADD_FAILURE() << "no box \"" << caption << "\"";
    return hwnd;
}

bool AnswerFileDialog(const char* caption, const std::string& name) {
    HWND dialog = Box(caption);
    if (!dialog) return false;
    // The file name box: a combo box (1148) in the explorer style, else the edit (1152).
    HWND edit = GetDlgItem(dialog, 1148);
    if (!edit) edit = GetDlgItem(dialog, 1152);
    if (!edit) {
        ADD_FAILURE() << "no file name field in " << caption;
        return false;
    }
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    const bool gone = tvd::WaitForWindowGone(dialog, kWaitMs);
    EXPECT_TRUE(gone) << caption << " stayed open";
    return gone;
}

// ---------------------------------------------------------------- fixture

void ViewerTest::SetUp() {
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH];
    FormatLimited(name, sizeof name, "%stvivt%lu_%lu", temp, GetCurrentProcessId(), GetTickCount());
    dir_ = name;
    tvd::MakeFolders(dir_);
    program_.SetDefaultSettings(nullptr);
    program_.viewer.recentDocuments = 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kStandInClass;
    RegisterClassA(&wc);
    mainStandIn_ = CreateWindowExA(0, kStandInClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    notified_.clear();
    TViewerEnvironment environment;
    environment.program = &program_;
    environment.mainWindow = mainStandIn_;
    SetViewerEnvironment(environment);
}

void ViewerTest::TearDown() {
    CloseAllDialogs();
    for (HWND viewer : ViewerWindows()) DestroyWindow(viewer);
    tvd::Pump(0);  // what the windows posted on their way out
    SetViewerEnvironment(TViewerEnvironment());
    if (mainStandIn_) DestroyWindow(mainStandIn_);
    tvd::RemoveTree(dir_);
    if (tvd::FolderExists(dir_)) {
        // Files of names without an ANSI form are left by the ANSI remover.
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, dir_.c_str(), -1, wide, MAX_PATH)) RemoveTreeWide(wide);
    }
    // Nothing of the program holds the folder (a file dialog that made it the current folder
    // would).
    EXPECT_FALSE(tvd::FolderExists(dir_)) << dir_ << " could not be removed";
}

TTVInternalViewerWindow* ViewerTest::OpenViewer(const std::string& archive, ListNode* download) {
    TTVInternalViewerWindow* viewer = TTVInternalViewerWindow::Open(archive.c_str(), download);
    EXPECT_NE(nullptr, viewer);
    tvd::Pump(0);  // what the window posted when it opened
    return viewer;
}

std::string ViewerTest::Cell(TTVInternalViewerWindow* viewer, int row, int column) {
    char text[300] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(viewer->List(), LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::string> ViewerTest::Names(TTVInternalViewerWindow* viewer) {
    std::vector<std::string> names;
    const int rows = int(SendMessageA(viewer->List(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < rows; ++i) names.push_back(Cell(viewer, i, 0));
    return names;
}

void ViewerTest::SelectByName(TTVInternalViewerWindow* viewer, const std::vector<std::string>& names) {
    TArchiveFileTableObject& table = viewer->Table();
    table.SelectNone();
    bool focused = false;
    for (int i = 0; i < table.RowCount(); ++i) {
        const ArchiveMember* m = table.MemberOfRow(i);
        for (const std::string& n : names) {
            if (m && n == m->name) {
                table.SelectRow(i, true);
                if (!focused) {
                    LVITEMA item = {};
                    item.stateMask = LVIS_FOCUSED;
                    item.state = LVIS_FOCUSED;
                    SendMessageA(viewer->List(), LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&item));
                    focused = true;
                }
            }
        }
    }
    viewer->Refresh();
}

bool ViewerTest::ToolbarEnabled(TTVInternalViewerWindow* viewer, int command) {
    return SendMessageA(viewer->Toolbar(), TB_ISBUTTONENABLED, WPARAM(command), 0) != 0;
}

std::string ViewerTest::StatusText(TTVInternalViewerWindow* viewer, int part) {
    char text[256] = {};
    SendMessageA(viewer->StatusBar(), SB_GETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<HWND> ViewerTest::ViewerWindows() {
    std::vector<HWND> out;
    for (const tvd::WindowInfo& w : tvd::ListWindows(GetCurrentProcessId()))
        if (w.className == TV_VIEWER_CLASS) out.push_back(w.hwnd);
    return out;
}

}  // namespace ivt
