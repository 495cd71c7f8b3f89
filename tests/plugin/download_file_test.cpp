// The plug-in's download file name and path, and its status texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin/download_file.h"

namespace {

TEST(DownloadFile, NameFromUrl) {
    struct Case {
        const char* url;
        const char* name;
    } cases[] = {
        {"http://www.example.com/files/file.zip", "file.zip"},
        {"http://www.example.com/files/", "unknown"},
        {"http://host/get.cgi?id=5", "unknown"},
        {"http://host/dir/.profile", "unknown"},
        {"http://host/dir/ spaced name.zip", " spaced name.zip"},  // taken as it stands
        {"http://host/a:b", "unknown"},
        {"file:///C:\\folder\\setup.exe", "setup.exe"},
        {"no-separator", "unknown"},
        {"", "unknown"},
        {nullptr, "unknown"},
        {"http://host/   ", "unknown"},
        {"http://host/x\"y.zip", "unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url ? c.url : "(null)");
        char name[TV_PATH_SIZE];
        DownloadNameFromUrl(c.url, name, sizeof(name));
        EXPECT_STREQ(c.name, name);
    }
}

TEST(DownloadFile, ComposePath) {
    char path[TV_PATH_SIZE];
    EXPECT_EQ(TV_DOWNLOAD_PATH_FULL, ComposeDownloadPath(path, sizeof(path), "C:\\Temp", "TvDownload-00000001", "a.zip"));
    EXPECT_STREQ("C:\\Temp\\TvDownload-00000001\\a.zip", path);
    EXPECT_EQ(TV_DOWNLOAD_PATH_FULL, ComposeDownloadPath(path, sizeof(path), "C:\\Temp/", nullptr, "a.zip"));
    EXPECT_STREQ("C:\\Temp/a.zip", path);

    // Folder lengths around the limit, with the private folder's 20 characters behind them.
    std::string name = std::string(40, 'n') + ".tar.gz";  // extension ".gz"
    struct Case {
        size_t folderLength;
        int result;
        const char* tail;  // how the path ends
    } cases[] = {
        {100, TV_DOWNLOAD_PATH_FULL, "nnn.tar.gz"},
        {191, TV_DOWNLOAD_PATH_FULL, "nnn.tar.gz"},      // 191 + 21 + 47 = 259
        {192, TV_DOWNLOAD_PATH_SHORTENED, "n.ta.gz"},    // the base loses its end, ".gz" stays
        {233, TV_DOWNLOAD_PATH_SHORTENED, "\\nn.gz"},
        {234, TV_DOWNLOAD_PATH_SHORTENED, "\\n.gz"},
        {235, TV_DOWNLOAD_PATH_SHORTENED, "\\nnn"},      // no room for base and extension
        {237, TV_DOWNLOAD_PATH_SHORTENED, "\\n"},
        {238, TV_DOWNLOAD_PATH_NONE, nullptr},
        {400, TV_DOWNLOAD_PATH_NONE, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folderLength);
        std::string folder = "C:\\" + std::string(c.folderLength - 3, 'f');
        int result = ComposeDownloadPath(path, sizeof(path), folder.c_str(), "TvDownload-00000001", name.c_str());
        EXPECT_EQ(c.result, result);
        if (!c.tail) {
            EXPECT_STREQ("", path);
            continue;
        }
        std::string got = path;
        EXPECT_LE(got.size(), 259u);
        EXPECT_EQ(0u, got.rfind(folder + "\\TvDownload-00000001\\", 0));
        EXPECT_EQ(c.tail, got.substr(got.size() - strlen(c.tail)));
        if (result == TV_DOWNLOAD_PATH_SHORTENED) {
            EXPECT_EQ(259u, got.size());
        }
    }
}

TEST(DownloadFile, StatusTexts) {
    struct Case {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 Bytes"},
        {1, "1 Byte"},
        {2, "2 Bytes"},
        {999, "999 Bytes"},
        {1000, "1,000 Bytes"},
        {1234567, "1,234,567 Bytes"},
        {5000000000ull, "5,000,000,000 Bytes"},
    };
    for (const auto& c : cases) {
        char text[64];
        FormatByteCount(c.bytes, text, sizeof(text));
        EXPECT_STREQ(c.text, text);
    }
    struct Percent {
        uint64_t bytes;
        uint32_t total;
        int percent;
    } percents[] = {
        {0, 0, 0},           {500, 0, 0},      {0, 100, 0},          {1, 3, 33},
        {50, 100, 50},       {100, 100, 100},  {150, 100, 100},      // more than announced
        {4294967295u, 4294967295u, 100},       {21474837, 42949674, 50},  // no 32-bit overflow
        {3000000000ull, 4000000000u, 75},
    };
    for (const auto& p : percents) EXPECT_EQ(p.percent, DownloadPercent(p.bytes, p.total)) << p.bytes << "/" << p.total;
}

}  // namespace
