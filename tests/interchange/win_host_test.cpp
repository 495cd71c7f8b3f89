// The interchange host on real files under Wine: received files appear only when complete, a
// stored file that another handle grows or shrinks during the copy keeps its block at the promised
// length, the storage move, and an import of a hostile file into real folders.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "interchange/format.h"
#include "interchange/import.h"
#include "interchange/win_host.h"
#include "tests/core/core_fixtures.h"
#include "tests/driver/tvdriver.h"
#include "util/text.h"
#include "util/win_files.h"

namespace {

class WinHost : public ::testing::Test {
protected:
    std::string root_;

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tvi-host-" + std::to_string(GetCurrentProcessId()) + "\\";
        tvd::RemoveTree(root_.substr(0, root_.size() - 1));
        ASSERT_TRUE(tvd::MakeFolders(root_ + "store"));
    }
    void TearDown() override { tvd::RemoveTree(root_.substr(0, root_.size() - 1)); }

    // Names of the files in a folder.
    static std::vector<std::string> Files(const std::string& folder) {
        std::vector<std::string> out;
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return out;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(found.cFileName);
        } while (FindNextFileA(h, &found));
        FindClose(h);
        return out;
    }
};

TEST_F(WinHost, ReceivedFilesReplaceOnlyWhenCommitted) {
    TWin32InterchangeHost host;
    const std::string folder = root_ + "store\\";
    const std::string target = folder + "a.zip";
    ASSERT_TRUE(tvd::WriteWholeFile(target, "old contents"));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        auto incoming = host.Receive(folder.c_str());
        ASSERT_TRUE(incoming);
        ASSERT_TRUE(incoming->Stream()->Write("new", 3));
        EXPECT_EQ(Files(folder).size(), 2u) << "a temporary file beside the target";
        std::string bytes;
        ASSERT_TRUE(tvd::ReadWholeFile(target, &bytes));
        EXPECT_EQ(bytes, "old contents") << "nothing replaced before the commit";
        ASSERT_TRUE(incoming->Commit(target.c_str()));
    }
    std::string bytes;
    ASSERT_TRUE(tvd::ReadWholeFile(target, &bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(Files(folder), std::vector<std::string>{"a.zip"});
    {
        // Abandoned: the temporary file goes, the target stays.
        auto incoming = host.Receive(folder.c_str());
        ASSERT_TRUE(incoming);
        incoming->Stream()->Write("half", 4);
    }
    EXPECT_EQ(Files(folder), std::vector<std::string>{"a.zip"});
    EXPECT_FALSE(host.Receive((root_ + "missing\\").c_str()));
    // Files that only look like temporary ones are never touched.
    for (unsigned n = 0; n < 40; ++n) {
        char name[48];
        snprintf(name, sizeof name, "~tvi%lx%x.tmp", static_cast<unsigned long>(GetCurrentProcessId()), n);
        ASSERT_TRUE(tvd::WriteWholeFile(folder + name, "mine"));
    }
    {
        auto incoming = host.Receive(folder.c_str());
        if (incoming) incoming->Stream()->Write("x", 1);
    }
    std::string mine;
    for (const std::string& name : Files(folder)) {
        if (name == "a.zip") continue;
        EXPECT_TRUE(tvd::ReadWholeFile(folder + name, &mine) && mine == "mine") << name;
    }
    EXPECT_EQ(Files(folder).size(), 41u);
}

// Between the chunks of the copy another handle changes the file.
struct Changer {
    std::string path;
    int64_t change;  // bytes appended (> 0) or cut off (< 0) after the first chunk
    int pumps = 0;
};

void ChangeFile(void* context) {
    Changer* c = static_cast<Changer*>(context);
    if (++c->pumps != 1) return;
    HANDLE h = CreateFileA(c->path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    LARGE_INTEGER end;
    end.QuadPart = size.QuadPart + c->change;
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

// The file being written is made new or replaces an older one completely.
TEST_F(WinHost, InterchangeFileIsMadeNewOrReplacesTheOldOne) {
    const std::string path = root_ + "backup.tvi";
    const char* const before[] = {nullptr, "an older and longer file", ""};  // null: no file there
    for (const char* old : before) {
        SCOPED_TRACE(old ? old : "(none)");
        DeleteFileA(path.c_str());
        if (old) {
            ASSERT_TRUE(tvd::WriteWholeFile(path, old));
        }
        {
            TWin32FileStream file;
            ASSERT_TRUE(CreateInterchangeFile(&file, path.c_str()));
            ASSERT_TRUE(file.Write("new", 3));
            EXPECT_TRUE(file.Flush());
        }
        std::string contents;
        ASSERT_TRUE(tvd::ReadWholeFile(path, &contents));
        EXPECT_EQ(contents, "new");
    }
}

TEST_F(WinHost, AFileChangingDuringTheCopyKeepsItsPromisedLength) {
    const std::string path = root_ + "store\\big.bin";
    const int64_t chunk = int64_t(TV_INTERCHANGE_CHUNK);
    const int64_t full = 2 * chunk + 5000;
    std::string contents(size_t(full), 'b');
    for (size_t i = 0; i < contents.size(); i += 7) contents[i] = char('a' + i % 23);
    // After the first chunk the file grows by 30,000 bytes, or is cut to one chunk and 4,000 bytes.
    for (const int64_t change : {int64_t(30000), -(chunk + 1000)}) {
        ASSERT_TRUE(tvd::WriteWholeFile(path, contents));
        // Another program still has the file open for writing: it is read all the same.
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        TWin32InterchangeHost host;
        Changer changer{path, change};
        host.afterPump = ChangeFile;
        host.afterPumpContext = &changer;
        int64_t size = -1;
        auto source = host.OpenForReading(path.c_str(), &size);
        ASSERT_TRUE(source);
        EXPECT_EQ(size, full);
        TMemoryStream out;
        TBlockWriteResult result;
        TPumpHook pump{[](void* h) { static_cast<TWin32InterchangeHost*>(h)->Pump(); }, &host};
        ASSERT_TRUE(WriteStoredFileBlock(&out, source.get(), size, pump, &result));
        CloseHandle(writer);
        EXPECT_TRUE(result.changed) << change;
        ASSERT_EQ(out.Data().size(), size_t(4 + full)) << change;
        const std::string block(out.Data().begin() + 4, out.Data().end());
        if (change > 0) {
            EXPECT_TRUE(block == contents);
        } else {
            // What was still there is copied, zeros keep the length.
            const size_t kept = size_t(chunk + 4000);
            EXPECT_TRUE(block.substr(0, kept) == contents.substr(0, kept));
            EXPECT_TRUE(block.substr(kept) == std::string(size_t(full) - kept, '\0'));
        }
        source.reset();
        DeleteFileA(path.c_str());
    }
}

TEST_F(WinHost, HostileExcerptStaysInsideTheStorageFolder) {
    TProgramData data;
    data.SetProgramFolder((root_ + "prog").c_str());
    data.ResetForLoad();
    data.categories.EnsureDefaultCategories(0);
    CopyLimited(data.standards.downloadsLocation, (root_ + "store\\").c_str(), TV_PATH_SIZE);
    Bytes file;
    for (const char* p = "TV240000INTERCHANGEFILE"; *p; ++p) file.U8(uint8_t(*p));
    file.U8(0).I32(1).I32(0);
    file.U32(2);
    file.U8(1).U8(1).I32(0).I32(0).Text("Downloads");
    file.U8(1).U8(1).I32(1).I32(0).Text("..");
    const char* names[] = {"..\\escaped.txt", "..\\..\\escaped2.txt", "NUL", "C:\\abs.txt"};
    file.U32(4);
    for (int i = 0; i < 4; ++i) {
        file.I32(i == 0 ? 1 : 0).Text(names[i]).Text(names[i]).Text("").Text("").Text("");
        file.U32(1).U32(0).U32(1).U32(0).U32(0).U32(0).U32(0);
    }
    for (char c : std::string("bcda")) file.I32(1).U8(uint8_t(c));
    TMemoryViewStream in(file.Data().data(), file.Size());
    TWin32InterchangeHost host;
    TInterchangeImportReport report;
    TInterchangeTargets targets;
    targets.downloadCategoryId = 0;
    ASSERT_TRUE(ImportInterchangeFile(&in, &data, targets, &host, &report));
    EXPECT_EQ(report.downloadsAdded, 4u);
    EXPECT_EQ(report.notStored, 0u);
    for (const char* outside : {"escaped.txt", "escaped2.txt", "abs.txt"})
        EXPECT_FALSE(tvd::FileExists(root_ + outside)) << outside;
    EXPECT_FALSE(tvd::FileExists("C:\\abs.txt"));
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(root_ + "store\\_\\___escaped.txt", &bytes));
    EXPECT_EQ(bytes, "a");
    EXPECT_TRUE(tvd::ReadWholeFile(root_ + "store\\_NUL", &bytes));
    EXPECT_EQ(bytes, "c");
    EXPECT_TRUE(tvd::ReadWholeFile(root_ + "store\\C__abs.txt", &bytes));
    EXPECT_EQ(bytes, "d");
}

TEST_F(WinHost, RelocationMovesTheStoredFilesOfTheKind) {
    TProgramData data;
    data.SetProgramFolder((root_ + "prog").c_str());
    data.ResetForLoad();
    data.categories.EnsureDefaultCategories(0);
    data.categories.AddCategory("Tools", TV_KIND_DOWNLOADS, 0, nullptr);
    LinkItemsToCategories(&data.categories, &data.downloads, &data.bookmarks, &data.shortcuts);
    const std::string oldBase = root_ + "old\\";
    CopyLimited(data.standards.downloadsLocation, oldBase.c_str(), TV_PATH_SIZE);
    ASSERT_TRUE(tvd::MakeFolders(oldBase + "Tools"));
    FileItem f = Download("a.zip", 1);
    data.downloads.Add(&f, 0);
    LinkItemsToCategories(&data.categories, &data.downloads, nullptr, nullptr);
    ASSERT_TRUE(tvd::WriteWholeFile(oldBase + "Tools\\a.zip", "A"));
    CopyLimited(data.standards.downloadsLocation, (root_ + "new\\").c_str(), TV_PATH_SIZE);
    TWin32InterchangeHost host;
    EXPECT_EQ(host.RelocateStorage(&data, oldBase.c_str(), TV_KIND_DOWNLOADS), 0);
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(root_ + "new\\Tools\\a.zip", &bytes));
    EXPECT_EQ(bytes, "A");
    EXPECT_FALSE(tvd::FileExists(oldBase + "Tools\\a.zip"));
    // A location inside the old one is refused: nothing moves.
    CopyLimited(data.standards.downloadsLocation, (root_ + "new\\inner\\").c_str(), TV_PATH_SIZE);
    EXPECT_EQ(host.RelocateStorage(&data, (root_ + "new\\").c_str(), TV_KIND_DOWNLOADS), -1);
    EXPECT_TRUE(tvd::FileExists(root_ + "new\\Tools\\a.zip"));
}

}  // namespace
