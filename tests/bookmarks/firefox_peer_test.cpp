// A real browser agrees with us: Firefox ESR, headless on a fresh profile, imports our Netscape
// export at start-up (its places database then holds the same folders, titles and URLs) and, as
// it quits, writes a bookmark file of its own that our import reads whole. Skipped, with a
// message, where Firefox or sqlite3 is not installed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bookmarks/export.h"
#include "bookmarks/import.h"
#include "bookmarks_fixture.h"

namespace {

bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string Ansi(const std::string& utf8) {
    return DecodeBrowserText(utf8.data(), utf8.size(), TV_TEXT_UTF8, false, DefaultAnsiCodec());
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Our entries without descriptions ("path|title|url"): Firefox keeps no descriptions.
std::vector<std::string> WithoutDescriptions(const BookmarkLists& lists) {
    std::vector<std::string> out;
    for (const std::string& e : lists.Entries()) out.push_back(e.substr(0, e.rfind('|')));
    return Sorted(out);
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/tv-firefox-XXXXXX";
        if (mkdtemp(name)) path_ = name;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty() && !::testing::Test::HasFailure()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(FirefoxPeer, ImportsOurExportAndWritesAFileWeReadWhole) {
    if (!OnPath("firefox-esr") && !OnPath("firefox"))
        GTEST_SKIP() << "firefox-esr is not installed (scripts/setup-deps installs it): the check against a real browser did not run";
    if (!OnPath("sqlite3"))
        GTEST_SKIP() << "sqlite3 is not installed (scripts/setup-deps installs it): the check against a real browser did not run";

    BookmarkLists ours;
    const int32_t news = ours.AddCategory("News & Views");
    const int32_t deep = ours.AddCategory("Deep 'quoted' (folder) #1 caf\xE9", news);
    ASSERT_GT(news, 0);
    ASSERT_GT(deep, 0);
    ASSERT_GT(ours.AddCategory("Empty"), 0);
    ours.AddBookmark(0, "Tom & Jerry <3", "http://a.example/?x=1&y=2", "a note");
    ours.AddBookmark(0, "caf\xE9 \x80 \x96 \xFC", "https://b.example/path/");
    ours.AddBookmark(news, "</A><script>alert(1)</script>", "http://c.example/#frag", "two\r\nlines");
    ours.AddBookmark(news, "Plain", "http://d.example/");
    ours.AddBookmark(deep, "Deepest \"one\"", "http://e.example/deep?q=%20&amp;");

    TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    const std::string file = temp.path() + "/bookmarks.html";
    {
        BookmarkExportSettings settings;
        settings.expandUrls = 0;
        TBookmarkExportJob job;
        job.settings = &settings;
        job.bookmarks = &ours.bookmarks;
        job.categories = &ours.categories;
        job.timeStamp = 1700000000;
        TStdioStream out;
        ASSERT_TRUE(out.Open(file.c_str(), "wb"));
        ASSERT_TRUE(WriteBookmarkExport(&out, job, TV_EXPORT_NETSCAPE));
    }

    const std::string command = std::string("python3 '") + TV_FIREFOX_PEER + "' '" + temp.path() + "/profile' '" + file +
                                "' " + std::to_string(ours.bookmarks.Count(1));
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    ASSERT_EQ(pclose(pipe), 0) << "Firefox did not run through; its log is in " << temp.path() << "/profile/firefox.log";

    // What Firefox's places database holds.
    std::vector<std::string> firefoxBookmarks, firefoxFolders;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = Ansi(output.substr(start, end - start));
        start = end + 1;
        if (line.compare(0, 9, "BOOKMARK ") == 0) {
            line = line.substr(9);
            std::replace(line.begin(), line.end(), '\t', '|');
            firefoxBookmarks.push_back(line);
        } else if (line.compare(0, 7, "FOLDER ") == 0) {
            firefoxFolders.push_back(line.substr(7));
        }
    }
    EXPECT_EQ(Sorted(firefoxBookmarks), WithoutDescriptions(ours));
    EXPECT_EQ(Sorted(firefoxFolders), ours.Folders());

    // Firefox's own file, written as it quit, read back by our import.
    TStdioStream in;
    ASSERT_TRUE(in.Open(file.c_str(), "rb"));
    std::string firefoxFile(size_t(in.Size()), '\0');
    ASSERT_EQ(in.Read(&firefoxFile[0], firefoxFile.size()), firefoxFile.size());
    EXPECT_NE(firefoxFile.find("Content-Security-Policy"), std::string::npos) << "the file is not Firefox's own export";
    TMemoryStream copy(firefoxFile.data(), firefoxFile.size());
    BookmarkLists back;
    TBookmarkImporter importer(&back.bookmarks, &back.categories, TV_DUPLICATE_KEEP);
    ASSERT_TRUE(ReadNetscapeBookmarks(&copy, &importer, DefaultAnsiCodec()));
    EXPECT_EQ(WithoutDescriptions(back), WithoutDescriptions(ours));
    EXPECT_EQ(back.Folders(), ours.Folders());
}

}  // namespace
