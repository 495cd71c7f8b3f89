// The whole download path: the browser stand-in streams a ZIP archive through a plug-in library,
// the plug-in finds (or starts, from "Program Path") tv.exe and hands the file over, the add/edit
// dialog shows what the archive and the URL say, OK files the download, and tv.cfg keeps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/stored_zip.h"
#include "util/text.h"

namespace {

constexpr int kAddEditFileName = 106;
constexpr int kAddEditDescription = 102;
constexpr int kAddEditWebsite = 103;
constexpr const char kDescription[] = "Sample tool of the download test, version 1.0";

// ---- The machine around the test.

// "Program Path" set for the test, the old state back afterwards.
class ProgramPathValue {
public:
    explicit ProgramPathValue(const std::string& value) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        char text[MAX_PATH] = {};
        DWORD size = sizeof(text) - 1;
        had_ = RegQueryValueExA(key, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS;
        old_ = text;
        RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
        RegCloseKey(key);
    }
    ~ProgramPathValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (had_)
            RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()), DWORD(old_.size() + 1));
        else
            RegDeleteValueA(key, kValue);
        RegCloseKey(key);
    }

private:
    static constexpr const char* kKey = "Software\\Veltra\\Tolvane";
    static constexpr const char* kValue = "Program Path";
    bool had_ = false;
    std::string old_;
};

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

// The plug-ins' private download folders "TvDownload-*" in the temporary folder.
std::vector<std::string> DownloadFolders() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempFolder() + "TvDownload-*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::vector<HWND> FrameWindows() {
    std::vector<HWND> frames;
    for (const tvd::WindowInfo& w : tvd::ListWindows())
        if (lstrcmpiA(w.className.c_str(), e2e::kFrameClass) == 0) frames.push_back(w.hwnd);
    return frames;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Closes the frame window of a tv.exe that the test did not start itself and waits for the end.
bool CloseProgramOf(HWND frame) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, ProcessOf(frame));
    if (!process) return false;
    tvd::PostClose(frame);
    const bool ended = WaitForSingleObject(process, tvd::WaitCeilingMs()) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process, 0xDEAD);
    CloseHandle(process);
    return ended;
}

const FileItem* FindDownload(const TProgramData& data, const std::string& fileName) {
    for (const ListNode* n = data.downloads.First(); n; n = n->next) {
        const FileItem* item = TFileListObject::Item(n);
        if (item && item->fileName && fileName == item->fileName) return item;
    }
    return nullptr;
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

class DownloadPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tv_.ready());
        ASSERT_TRUE(FrameWindows().empty()) << "another tv.exe is running";
        folder_ = tvd::WinPath(tv_.folder().path());
        zip_ = e2e::MakeZip({{"FILE_ID.DIZ", kDescription}, {"readme.txt", "Read me first.\r\n"}});
        source_ = folder_ + "\\source.bin";
        ASSERT_TRUE(tvd::WriteWholeFile(source_, zip_));
        before_ = DownloadFolders();
        programPath_.reset(new ProgramPathValue(tvd::WinPath(tv_.exe())));
    }
    void TearDown() override {
        for (HWND frame : FrameWindows()) CloseProgramOf(frame);
        for (const std::string& name : NewDownloadFolders()) tvd::RemoveTree(TempFolder() + name);
        programPath_.reset();
    }

    std::vector<std::string> NewDownloadFolders() const {
        std::vector<std::string> added;
        for (const std::string& f : DownloadFolders())
            if (std::find(before_.begin(), before_.end(), f) == before_.end()) added.push_back(f);
        return added;
    }

    // Starts the stand-in on the archive through the plug-in library.
    bool StartStream(tvd::Process* standin, const std::string& dll, const std::string& type) {
        const std::string args = "--dll \"" + dll + "\" --type " + type + " --url " + kUrl + " --file \"" + source_ +
                                 "\"";
        return standin->Start(tvd::WinPath(TV_STANDIN_EXE), args, folder_);
    }

    // The temporary file of the stream now running (the only file in the new private folder).
    std::string TemporaryFile() const {
        const std::vector<std::string> added = NewDownloadFolders();
        if (added.size() != 1) return std::string();
        const std::string folder = TempFolder() + added[0];
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return std::string();
        std::string file;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) file = folder + "\\" + data.cFileName;
        } while (file.empty() && FindNextFileA(find, &data));
        FindClose(find);
        return file;
    }

    // The hand-off arrived: checks the add/edit dialog, notes the temporary file, presses OK,
    // waits for the stand-in; then the file lies in its category folder and the temporary copy
    // and its folder are gone.
    void FileTheDownload(tvd::Process* standin, DWORD pid) {
        HWND dialog = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), pid);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditFileName), "tool.zip");
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditDescription), kDescription);
        EXPECT_EQ(tvd::ControlText(tvd::CurrentPropertyPage(dialog), kAddEditWebsite), kUrl);
        const std::string temporary = TemporaryFile();
        EXPECT_TRUE(tvd::FileExists(temporary)) << temporary;
        ASSERT_TRUE(tvd::PressPropertySheetButton(dialog, PSBTN_OK));
        EXPECT_TRUE(tvd::WaitForWindowGone(dialog, tvd::WaitCeilingMs()));
        DWORD code = 1;
        ASSERT_TRUE(standin->Wait(tvd::WaitCeilingMs(), &code));
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(tvd::FileExists(temporary));
        EXPECT_TRUE(NewDownloadFolders().empty());
    }

    // After tv.exe ended: tv.cfg holds the download with URL and description, its file the bytes.
    void CheckSavedDownload() {
        TProgramData saved;
        CopyLimited(saved.programFolder, (folder_ + "\\").c_str(), sizeof(saved.programFolder));
        ASSERT_FALSE(LoadDatabase(&saved, nullptr, (folder_ + "\\tv.cfg").c_str()));
        const FileItem* item = FindDownload(saved, "tool.zip");
        ASSERT_TRUE(item);
        EXPECT_EQ(std::string(item->website ? item->website : ""), kUrl);
        EXPECT_EQ(std::string(item->description ? item->description : ""), kDescription);
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(StoredPath(saved, item), &bytes)) << StoredPath(saved, item);
        EXPECT_TRUE(bytes == zip_);
    }

    static constexpr const char* kUrl = "http://www.example.com/files/tool.zip";
    e2e::TvProgram tv_;
    std::string folder_, zip_, source_;
    std::vector<std::string> before_;
    std::unique_ptr<ProgramPathValue> programPath_;
};

TEST_F(DownloadPathTest, PluginStartsTheProgramAndTheDownloadIsFiledAndSaved) {
    const struct {
        const char* dll;
        const char* type;
    } cases[] = {{TV_NPTV1_DLL, "application/zip"}, {TV_NPTV2_DLL, "application/x-winzip"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dll);
        ASSERT_TRUE(FrameWindows().empty());
        tvd::Process standin;
        ASSERT_TRUE(StartStream(&standin, tvd::WinPath(c.dll), c.type));
        // The plug-in started tv.exe from "Program Path".
        ASSERT_TRUE(tvd::WaitUntil([] { return !FrameWindows().empty(); }, tvd::WaitCeilingMs()));
        const std::vector<HWND> frames = FrameWindows();
        ASSERT_EQ(frames.size(), 1u);
        // A program folder without tv.cfg: the program meets its first run.
        ASSERT_TRUE(e2e::CancelFirstSetup(ProcessOf(frames[0])));
        FileTheDownload(&standin, ProcessOf(frames[0]));
        ASSERT_TRUE(CloseProgramOf(frames[0]));
        CheckSavedDownload();
        // The next library starts from a program folder without the download.
        DeleteFileA((folder_ + "\\tv.cfg").c_str());
        tvd::RemoveTree(folder_ + "\\download");
    }
}

TEST_F(DownloadPathTest, RunningProgramTakesTheDownloadWithoutASecondStart) {
    ASSERT_TRUE(tv_.Start());
    HWND frame = tv_.WaitForFrame();
    ASSERT_TRUE(frame);
    tvd::Process standin;
    ASSERT_TRUE(StartStream(&standin, tvd::WinPath(TV_NPTV1_DLL), "application/zip"));
    FileTheDownload(&standin, tv_.process().pid());
    const std::vector<HWND> frames = FrameWindows();
    EXPECT_EQ(frames, std::vector<HWND>{frame});
    DWORD code = 1;
    ASSERT_TRUE(tv_.Close(&code));
    EXPECT_EQ(code, 0u);
    CheckSavedDownload();
}

TEST_F(DownloadPathTest, UnwritableStorageKeepsTheTemporaryFileAndNamesIt) {
    // The storage location lies under a file: no folder can be made there.
    const std::string blocker = folder_ + "\\blocker.txt";
    ASSERT_TRUE(tvd::WriteWholeFile(blocker, "not a folder"));
    {
        TProgramData data;
        CopyLimited(data.programFolder, (folder_ + "\\").c_str(), sizeof(data.programFolder));
        LoadDatabase(&data, nullptr, (folder_ + "\\none.cfg").c_str());
        CopyLimited(data.standards.downloadsLocation, (blocker + "\\download\\").c_str(),
                    sizeof(data.standards.downloadsLocation));
        ASSERT_TRUE(SaveDatabase(&data, nullptr, (folder_ + "\\tv.cfg").c_str()));
    }
    ASSERT_TRUE(tv_.Start());
    ASSERT_TRUE(tv_.WaitForFrame());
    const DWORD pid = tv_.process().pid();
    tvd::Process standin;
    ASSERT_TRUE(StartStream(&standin, tvd::WinPath(TV_NPTV1_DLL), "application/zip"));
    HWND dialog = tvd::WaitForWindow("#32770", "Add File", tvd::WaitCeilingMs(), pid);
    ASSERT_TRUE(dialog);
    const std::string temporary = TemporaryFile();
    ASSERT_FALSE(temporary.empty());
    ASSERT_TRUE(tvd::PressPropertySheetButton(dialog, PSBTN_OK));
    // Whatever the intake says on the way, the last word names the kept file.
    std::vector<std::string> texts;
    HWND box = nullptr;
    while ((box = tvd::WaitForMessageBox("Error", tvd::WaitCeilingMs(), pid)) != nullptr) {
        texts.push_back(tvd::MessageBoxText(box));
        tvd::AnswerMessageBox(box, IDOK);
        tvd::WaitForWindowGone(box, tvd::WaitCeilingMs());
        if (texts.back().find(temporary) != std::string::npos || texts.size() > 5) break;
    }
    if (texts.empty())
        for (const tvd::WindowInfo& w : tvd::ListWindows(pid))
            ADD_FAILURE() << w.className << " [" << w.caption << "] " << w.visible << " "
                          << tvd::WindowText(tvd::Control(w.hwnd, 0xFFFF));
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.back().find("could not store the downloaded file"), std::string::npos) << texts.back();
    EXPECT_NE(texts.back().find(temporary), std::string::npos) << texts.back();
    DWORD code = 1;
    ASSERT_TRUE(standin.Wait(tvd::WaitCeilingMs(), &code));
    EXPECT_EQ(code, 0u);
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(temporary, &bytes));
    EXPECT_TRUE(bytes == zip_);
    ASSERT_TRUE(tv_.Close(&code));
}

}  // namespace
