// End-to-end tests of the plug-in libraries: the browser stand-in streams files through
// nptv1.dll / nptv2.dll, the fake main program receives the hand-off; message boxes are answered
// from the test and the status window is watched while the stream runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/plugin/plugin_harness.h"

using namespace plugintest;

namespace {

const std::string kNptv1 = WinPath(TV_NPTV1_DLL);
const std::string kNptv2 = WinPath(TV_NPTV2_DLL);

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The folder part of a path (without the trailing "\").
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class PluginFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloseFrameWindows();
        static int counter = 0;
        work_ = TempFolder() + "tvplugintest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        RemoveTree(work_);
        ASSERT_TRUE(CreateDirectoryA(work_.c_str(), nullptr));
        out_ = work_ + "\\out";
        ASSERT_TRUE(CreateDirectoryA(out_.c_str(), nullptr));
        before_ = DownloadFolders();
        programPath_.reset(new ProgramPathValue(""));
        fake_.reset(new FakeMain(out_));
    }

    void TearDown() override {
        fake_.reset();
        CloseFrameWindows();
        programPath_.reset();
        for (const auto& folder : NewDownloadFolders()) RemoveTree(TempFolder() + folder);
        RemoveTree(work_);
    }

    std::vector<std::string> NewDownloadFolders() const {
        std::vector<std::string> now = DownloadFolders(), added;
        for (const auto& f : now)
            if (std::find(before_.begin(), before_.end(), f) == before_.end()) added.push_back(f);
        return added;
    }

    // Writes the data file of a test and returns its path.
    std::string DataFile(const std::string& bytes, const std::string& name = "data.bin") {
        std::string path = work_ + "\\" + name;
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }

    std::vector<std::string> Args(const std::string& dll, const std::string& type, const std::string& url,
                                  const std::string& file) {
        return {"--dll", dll, "--type", type, "--url", url, "--file", file, "--geturl-log", work_ + "\\geturl.log"};
    }

    std::string work_, out_;
    std::vector<std::string> before_;
    std::unique_ptr<ProgramPathValue> programPath_;
    std::unique_ptr<FakeMain> fake_;
};

TEST_F(PluginFlowTest, HandsTheFileAndUrlToTheRunningMainProgram) {
    struct Case {
        const std::string* dll;
        const char* type;
        const char* url;
        const char* name;  // expected file name
    } cases[] = {
        {&kNptv1, "application/zip", "http://www.example.com/files/archive.zip", "archive.zip"},
        {&kNptv2, "encoding/x-gzip", "http://host/pub/data.tar.gz", "data.tar.gz"},
        {&kNptv1, "application/octet-stream", "http://host/get.cgi?id=5", "unknown"},
        {&kNptv1, "application/x-zip", "http://host/dir/", "unknown"},
        {&kNptv2, "application/x-msdownload", "http://host/dir/.hidden", "unknown"},
    };
    ASSERT_TRUE(fake_->Start());
    std::string data = PatternBytes(200000, 1);
    std::string file = DataFile(data);
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        StandinRun run;
        run.args = Args(*c.dll, c.type, c.url, file);
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_TRUE(r.boxes.empty()) << r.boxes.front();
        auto records = ReadHandOffs(out_);
        ASSERT_EQ(size_t(++n), records.size());
        const HandOffRecord& h = records.back();
        EXPECT_EQ(0, h.result);
        EXPECT_EQ(522ul, h.bytes);
        EXPECT_EQ(c.name, NameOf(h.path));
        EXPECT_EQ(0u, NameOf(FolderOf(h.path)).rfind("TvDownload-", 0)) << h.path;
        EXPECT_EQ(c.url, h.url);
        EXPECT_TRUE(h.content == data);
        // The receiver removed the file and the download's own folder.
        EXPECT_FALSE(FileExists(h.path));
        EXPECT_FALSE(FolderExists(FolderOf(h.path)));
    }
    std::string log;
    ASSERT_TRUE(ReadWholeFile(work_ + "\\geturl.log", &log));
    // One request per stream, for a new window.
    EXPECT_EQ(size_t(n), size_t(std::count(log.begin(), log.end(), '\n')));
    EXPECT_NE(std::string::npos, log.find("http://www.veltra.com/tolvane/plugin.html\t_new\n"));
}

TEST_F(PluginFlowTest, StatusWindowShowsBytesTotalAndProgress) {
    struct Case {
        size_t size;
        const char* total;  // --total argument
        const char* received;
        const char* totalText;
        int maxProgress;
    } cases[] = {
        {1234567, "auto", "1,234,567 Bytes", "1,234,567 Bytes", 100},
        {1, "auto", "1 Byte", "1 Byte", 100},
        {5000, "0", "5,000 Bytes", "[unknown]", 0},
        {3000, "6000", "3,000 Bytes", "6,000 Bytes", 50},
    };
    ASSERT_TRUE(fake_->Start());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.received);
        std::string data = PatternBytes(c.size, 2);
        StandinRun run;
        run.args = Args(kNptv1, "application/zip", "http://host/x/status.zip", DataFile(data));
        run.args.insert(run.args.end(), {"--total", c.total, "--block", "100000", "--hold", "700"});
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_EQ(1, r.statusWindows);
        EXPECT_EQ(c.received, r.statusReceived);
        EXPECT_EQ(c.totalText, r.statusTotal);
        EXPECT_EQ(c.maxProgress, r.maxProgress);
        EXPECT_EQ("http://host/x/status.zip", r.statusUrl);
    }
}

TEST_F(PluginFlowTest, UnreachableMainProgramAsksAgainAndThenNamesTheSavedFile) {
    struct Case {
        const char* what;
        std::string programPath;
        DWORD minimumMs;  // the plug-in waits this long for the frame window before asking
    } cases[] = {
        {"no Program Path", "", 0},
        {"Program Path names no file", "C:\\no\\such\\folder\\tv.exe", 0},
        // A program that starts but never shows the frame window: the full wait, then the question.
        {"no frame window", WinPath(TV_STANDIN_EXE), 15000},
    };
    std::string data = PatternBytes(30000, 3);
    std::string file = DataFile(data);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramPathValue value(c.programPath);
        auto foldersBefore = DownloadFolders();
        StandinRun run;
        run.args = Args(kNptv1, "application/zip", "http://host/a/kept.zip", file);
        run.answers = {{"Could not start Tolvane Plus main program. Try again ?", IDNO},
                       {"The downloaded file was saved as:", IDOK}};
        DWORD start = GetTickCount();
        StandinResult r = RunStandin(run);
        DWORD elapsed = GetTickCount() - start;
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        ASSERT_EQ(2u, r.boxes.size());
        EXPECT_TRUE(r.unexpected.empty());
        EXPECT_GE(elapsed, c.minimumMs);
        EXPECT_TRUE(ReadHandOffs(out_).empty());
        // The file stays where the message says.
        std::vector<std::string> added;
        for (const auto& f : DownloadFolders())
            if (std::find(foldersBefore.begin(), foldersBefore.end(), f) == foldersBefore.end()) added.push_back(f);
        ASSERT_EQ(1u, added.size());
        std::string path = TempFolder() + added[0] + "\\kept.zip";
        EXPECT_NE(std::string::npos, r.boxes[1].find("\n\n" + path + "\n\n")) << r.boxes[1];
        std::string kept;
        ASSERT_TRUE(ReadWholeFile(path, &kept));
        EXPECT_TRUE(kept == data);
    }
}

void StartFakeMainOnRetry(const std::string& text, void* context) {
    if (text.find("Try again") != std::string::npos) static_cast<FakeMain*>(context)->Start();
}

TEST_F(PluginFlowTest, RetryFindsTheMainProgramStartedMeanwhile) {
    std::string data = PatternBytes(30000, 4);
    StandinRun run;
    run.args = Args(kNptv2, "application/x-gzip", "http://host/a/retry.gz", DataFile(data));
    run.answers = {{"Try again ?", IDYES}};
    run.onBox = StartFakeMainOnRetry;
    run.context = fake_.get();
    StandinResult r = RunStandin(run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_EQ(1u, r.boxes.size());
    EXPECT_TRUE(r.unexpected.empty());
    auto records = ReadHandOffs(out_);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("retry.gz", NameOf(records[0].path));
    EXPECT_TRUE(records[0].content == data);
}

TEST_F(PluginFlowTest, StartsTheMainProgramFromProgramPath) {
    ProgramPathValue path(WinPath(TV_FAKEMAIN_EXE));
    std::string data = PatternBytes(40000, 5);
    StandinRun run;
    run.args = Args(kNptv1, "application/x-compressed", "ftp://ftp.example.org/pub/tool.exe", DataFile(data));
    StandinResult r = RunStandin(run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    EXPECT_TRUE(r.boxes.empty());
    auto records = ReadHandOffs(out_);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("tool.exe", NameOf(records[0].path));
    EXPECT_EQ("ftp://ftp.example.org/pub/tool.exe", records[0].url);
    EXPECT_TRUE(records[0].content == data);
}

TEST_F(PluginFlowTest, CancelOrBreakOffersToImportWhatArrived) {
    struct Case {
        const char* what;
        bool pressCancel;
        int cancelAnswer;  // to 3508, when Cancel is pressed
        const char* reason;
        const char* stopAfter;
        int importAnswer;  // to 3509; 0 = the question must not come
        int expectRecord;  // 0 none, 1 partial, 2 complete
    } cases[] = {
        {"cancel, import", true, IDYES, "0", "-1", IDYES, 1},
        {"cancel, discard", true, IDYES, "0", "-1", IDNO, 0},
        {"cancel declined", true, IDNO, "0", "-1", 0, 2},
        {"user break, import", false, 0, "2", "100000", IDYES, 1},
        {"network error, discard", false, 0, "1", "100000", IDNO, 0},
    };
    ASSERT_TRUE(fake_->Start());
    std::string data = PatternBytes(1500000, 6);
    std::string file = DataFile(data);
    size_t records = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto foldersBefore = DownloadFolders();
        StandinRun run;
        run.args = Args(kNptv1, "application/exe", "http://host/big/setup.exe", file);
        run.args.insert(run.args.end(), {"--block", "10000", "--delay", "20", "--reason", c.reason, "--stop-after",
                                         c.stopAfter});
        run.cancelOnStatus = c.pressCancel;
        if (c.pressCancel) run.answers.push_back({"Do you really want to cancel the download ?", c.cancelAnswer});
        if (c.importAnswer) run.answers.push_back({"Do you want to import the file anyway ?", c.importAnswer});
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_TRUE(r.unexpected.empty()) << r.unexpected.front();
        EXPECT_EQ(run.answers.size(), r.boxes.size());
        auto all = ReadHandOffs(out_);
        if (c.expectRecord == 0) {
            EXPECT_EQ(records, all.size());
            // The partial file stays in a download folder of its own.
            std::vector<std::string> added;
            for (const auto& f : DownloadFolders())
                if (std::find(foldersBefore.begin(), foldersBefore.end(), f) == foldersBefore.end())
                    added.push_back(f);
            ASSERT_EQ(1u, added.size());
            EXPECT_TRUE(FileExists(TempFolder() + added[0] + "\\setup.exe"));
            continue;
        }
        ASSERT_EQ(++records, all.size());
        const std::string& got = all.back().content;
        if (c.expectRecord == 2) {
            EXPECT_TRUE(got == data);
        } else {
            EXPECT_LT(got.size(), data.size());
            EXPECT_TRUE(got == data.substr(0, got.size()));
            if (std::string(c.stopAfter) != "-1") {
                EXPECT_EQ(size_t(std::atoi(c.stopAfter)), got.size());
            }
        }
    }
}

TEST_F(PluginFlowTest, BrowserClosingDuringAWriteEndsTheDownloadCleanly) {
    // The browser ends the stream (user break) and destroys the instance while the plug-in's
    // write is pumping messages: the write must come back with -1, and the question about the
    // partial file still works.
    struct Case {
        int importAnswer;
        size_t records;
    } cases[] = {{IDNO, 0}, {IDYES, 1}};
    ASSERT_TRUE(fake_->Start());
    std::string data = PatternBytes(400000, 10);
    std::string file = DataFile(data);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.importAnswer);
        StandinRun run;
        run.args = Args(kNptv1, "application/zip", "http://host/closed/early.zip", file);
        run.args.insert(run.args.end(), {"--block", "50000", "--close-at", "100000"});
        run.answers = {{"Do you want to import the file anyway ?", c.importAnswer}};
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_NE(std::string::npos, r.output.find("close-while-writing\nend: 0 2\nwrite: 0 -1\n")) << r.output;
        EXPECT_EQ(1u, r.boxes.size());
        EXPECT_TRUE(r.unexpected.empty());
        auto records = ReadHandOffs(out_);
        ASSERT_EQ(c.records, records.size());
        if (c.records) {
            // The first two blocks and the one in progress: what was written when the window closed.
            EXPECT_EQ(150000u, records[0].content.size());
            EXPECT_TRUE(records[0].content == data.substr(0, records[0].content.size()));
        }
    }
}

TEST_F(PluginFlowTest, TwoStreamsOfTheSameNameBothArriveIntact) {
    ASSERT_TRUE(fake_->Start());
    std::string data = PatternBytes(300000, 7);
    StandinRun run;
    run.args = Args(kNptv1, "application/zip", "http://host/same/twice.zip", DataFile(data));
    run.args.insert(run.args.end(), {"--streams", "2", "--block", "30000"});
    StandinResult r = RunStandin(run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    auto records = ReadHandOffs(out_);
    ASSERT_EQ(2u, records.size());
    EXPECT_NE(records[0].path, records[1].path);
    for (const auto& h : records) {
        EXPECT_EQ("twice.zip", NameOf(h.path));
        EXPECT_TRUE(h.content == data);
    }
}

TEST_F(PluginFlowTest, BrowserVersionAndContentTypeChecks) {
    struct Case {
        const std::string* dll;
        const char* type;
        const char* version;
        const char* initializeFirst;
        DWORD exitCode;
        const char* output;
    } cases[] = {
        {&kNptv1, "application/zip", "0x0109", "0", 5, "NP_Initialize: 8"},
        {&kNptv1, "application/zip", "0x0008", "0", 0, "urlnotify: no"},
        {&kNptv1, "application/zip", "0x000B", "0", 0, "urlnotify: yes"},
        {&kNptv1, "application/zip", "0x0008", "1", 0, "urlnotify: no"},
        {&kNptv2, "application/x-z", "0x000B", "1", 0, "urlnotify: yes"},
        {&kNptv2, "application/zip", "0x000B", "0", 3, "does not claim application/zip"},
        {&kNptv1, "encoding/x-gzip", "0x000B", "0", 3, "does not claim encoding/x-gzip"},
    };
    ASSERT_TRUE(fake_->Start());
    std::string file = DataFile("tiny");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.output) + (c.initializeFirst[0] == '1' ? ", initialised first" : ""));
        StandinRun run;
        run.args = Args(*c.dll, c.type, "http://host/v/version.zip", file);
        run.args.insert(run.args.end(), {"--browser-version", c.version, "--initialize-first", c.initializeFirst});
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(c.exitCode, r.exitCode) << r.output;
        EXPECT_NE(std::string::npos, r.output.find(c.output)) << r.output;
        if (c.exitCode == 0) {
            EXPECT_NE(std::string::npos, r.output.find("plugin-version: 9")) << r.output;
        }
    }
}

// The temporary folder comes from TMP; these cases point it elsewhere for the stand-in only.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::string& folder) {
        char old[1024] = "";
        had_ = GetEnvironmentVariableA("TMP", old, sizeof(old)) > 0;
        old_ = old;
        SetEnvironmentVariableA("TMP", folder.c_str());
    }
    ~TempFolderOverride() { SetEnvironmentVariableA("TMP", had_ ? old_.c_str() : nullptr); }

private:
    bool had_;
    std::string old_;
};

TEST_F(PluginFlowTest, LongTemporaryFolderShortensTheNameKeepingTheExtension) {
    ASSERT_TRUE(fake_->Start());
    // A folder of about 200 characters; name 60 characters: together over 260.
    std::string folder = work_;
    while (folder.size() < 190) {
        folder += "\\deep-folder-level";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    std::string name = std::string(56, 'n') + ".zip";
    std::string data = PatternBytes(20000, 8);
    std::string file = DataFile(data);
    {
        TempFolderOverride temp(folder);
        StandinRun run;
        run.args = Args(kNptv1, "application/zip", "http://host/long/" + name, file);
        StandinResult r = RunStandin(run);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(0u, r.exitCode) << r.output;
        EXPECT_TRUE(r.boxes.empty());
    }
    auto records = ReadHandOffs(out_);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(259u, records[0].path.size());
    EXPECT_TRUE(EndsWith(records[0].path, ".zip")) << records[0].path;
    EXPECT_EQ(0u, records[0].path.rfind(folder + "\\TvDownload-", 0)) << records[0].path;
    EXPECT_TRUE(records[0].content == data);
}

TEST_F(PluginFlowTest, FileThatCannotBeCreatedEndsTheStreamAndSaysSo) {
    ASSERT_TRUE(fake_->Start());
    std::string missing = work_ + "\\no-such-folder";
    std::string file = DataFile(PatternBytes(50000, 9));
    TempFolderOverride temp(missing);
    StandinRun run;
    run.args = Args(kNptv1, "application/zip", "http://host/x/lost.zip", file);
    run.answers = {{"could not create the file for the download", IDOK}};
    StandinResult r = RunStandin(run);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(0u, r.exitCode) << r.output;
    // The first block already ends the stream.
    EXPECT_NE(std::string::npos, r.output.find("write: 0 -1")) << "[" << r.output << "]";
    ASSERT_EQ(1u, r.boxes.size()) << r.output;
    EXPECT_NE(std::string::npos, r.boxes[0].find(missing)) << r.boxes[0];
    EXPECT_TRUE(r.unexpected.empty());
    EXPECT_TRUE(ReadHandOffs(out_).empty());
}

}  // namespace
