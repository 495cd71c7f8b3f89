// The clean-up of temporary-file lists, on real files in the temporary folder: files before
// folders, nested folders in any order, read-only files, kinds, and nothing outside the temporary
// folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/tvdriver.h"
#include "archive/win/tempfiles.h"

namespace {

void Write(const std::string& path, const std::string& data) { ASSERT_TRUE(tvd::WriteWholeFile(path, data)) << path; }
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class TempFileClean : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tvclean" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(root_.c_str(), nullptr);
        // On the same drive, outside the temporary folder.
        outside_ = root_.substr(0, 3) + "tvclean" + std::to_string(GetCurrentProcessId()) + ".outside";
    }
    void TearDown() override {
        tvd::RemoveTree(root_.substr(0, root_.size() - 1));
        SetFileAttributesA(outside_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(outside_.c_str());
    }
    void List(const std::string& path, uint32_t kind) {
        TempFileEntry entry = {const_cast<char*>(path.c_str()), kind};
        ASSERT_TRUE(list_.Add(&entry, 0));
    }
    std::vector<std::string> Listed() const {
        std::vector<std::string> out;
        for (const ListNode* n = list_.First(); n; n = n->next) out.push_back(TTempFileListObject::Item(n)->path);
        return out;
    }
    std::string root_, outside_;
    TTempFileListObject list_;
};

TEST_F(TempFileClean, FilesThenFoldersWithRemoval) {
    const std::string outer = root_ + "outer\\", inner = root_ + "outer\\inner", busy = root_ + "busy";
    const std::string readOnly = inner + "\\ro.txt", plain = root_ + "plain.tmp", kept = busy + "\\unlisted.txt";
    ASSERT_TRUE(tvd::MakeFolders(inner));
    ASSERT_TRUE(tvd::MakeFolders(busy));
    Write(readOnly, "r");
    Write(plain, "p");
    Write(kept, "k");
    Write(outside_, "o");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // A folder listed before the folder inside it, a folder that keeps an unlisted file, a path
    // that is gone, a file outside the temporary folder and a way out of it through "..".
    List(outer, TV_TEMP_FOLDER);
    List(inner, TV_TEMP_FOLDER);
    List(busy, TV_TEMP_FOLDER);
    List(readOnly, TV_TEMP_FILE);
    List(plain, TV_TEMP_FILE);
    List(root_ + "gone.tmp", TV_TEMP_FILE);
    List(outside_, TV_TEMP_FILE);
    std::string climbing = root_;  // the same file, reached from below through ".."
    for (size_t i = 3; i < root_.size(); ++i)
        if (root_[i] == '\\') climbing += "..\\";
    climbing += outside_.substr(3);
    ASSERT_TRUE(Exists(climbing));
    List(climbing, TV_TEMP_FILE);

    EXPECT_EQ(0u, CleanTempFileList(&list_, TV_CLEAN_FILES, true));
    EXPECT_FALSE(Exists(readOnly));
    EXPECT_FALSE(Exists(plain));
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(Exists(outside_)) << "nothing outside the temporary folder is deleted";
    EXPECT_EQ((std::vector<std::string>{outer, inner, busy}), Listed());

    EXPECT_EQ(1u, CleanTempFileList(&list_, TV_CLEAN_FOLDERS, true));
    EXPECT_FALSE(Exists(inner));
    EXPECT_FALSE(Exists(outer)) << "listed before its inner folder, still removed";
    EXPECT_TRUE(Exists(busy));
    EXPECT_EQ(std::vector<std::string>{busy}, Listed());
}

TEST_F(TempFileClean, KindsAndKeepingTheEntries) {
    const std::string folder = root_ + "empty", file = root_ + "f.tmp";
    ASSERT_TRUE(tvd::MakeFolders(folder));
    Write(file, "f");
    List(folder, TV_TEMP_FOLDER);
    List(file, TV_TEMP_FILE);
    List(root_ + "gone", TV_TEMP_FOLDER);

    EXPECT_EQ(0u, CleanTempFileList(&list_, TV_CLEAN_FOLDERS, false));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(file)) << "files were not asked for";
    EXPECT_EQ(3u, Listed().size()) << "without removal the entries stay";

    EXPECT_EQ(0u, CleanTempFileList(&list_, TV_CLEAN_FILES | TV_CLEAN_FOLDERS, true));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(Listed().empty());
}

}  // namespace
