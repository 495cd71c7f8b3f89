// The HTML exports (bookmark page, Netscape bookmark file, file database page) read by a real HTML
// parser (Python's html.parser): hostile titles, URLs and descriptions never add an element, and
// every link carries exactly the address and title that were exported.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "bookmarks/export.h"
#include "bookmarks_fixture.h"
#include "export/filedb_export.h"

namespace {

const char* const kHostile[][3] = {
    // title, URL, description
    {"<script>alert('title')</script>", "http://a.example/?q=<script>", "<img src=x onerror=alert(1)>"},
    {"\"><iframe src=\"http://evil/\"></iframe>", "http://b.example/\"><script>x()</script>", "</font></td></tr></table><b>"},
    {"</A><A HREF=\"http://injected/\">fake</A>", "javascript:void('</a>')", "<!-- unclosed comment"},
    {"Tom & Jerry &amp; &lt;co&gt;", "http://c.example/?a=1&b=2&amp;c", "<![CDATA[ x ]]> <?php ?>"},
    {"<DT><H3>Not a folder</H3>", "http://d.example/", "<DL><p><DT><A HREF=\"http://e/\">E</A>"},
};

struct Parsed {
    std::multiset<std::string> tags;
    std::vector<std::string> links;  // "href\ttext"
};

bool RunParser(const std::string& content, Parsed* out) {
    char name[] = "/tmp/tv-html-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return false;
    const bool written = write(fd, content.data(), content.size()) == ssize_t(content.size());
    close(fd);
    const std::string command = std::string("python3 '") + TV_HTML_ELEMENTS + "' '" + name + "'";
    FILE* pipe = written ? popen(command.c_str(), "r") : nullptr;
    if (!pipe) {
        unlink(name);
        return false;
    }
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    const int status = pclose(pipe);
    unlink(name);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.compare(0, 4, "TAG ") == 0) out->tags.insert(line.substr(4));
        if (line.compare(0, 5, "LINK ") == 0) out->links.push_back(line.substr(5));
        start = end + 1;
    }
    return status == 0;
}

std::set<std::string> Distinct(const std::multiset<std::string>& tags) { return std::set<std::string>(tags.begin(), tags.end()); }

TEST(HtmlInjection, BookmarkPageAndNetscapeFileAddNoElement) {
    BookmarkLists lists;
    const int32_t folder = lists.AddCategory("Folder & co's");
    ASSERT_GT(folder, 0);
    std::vector<std::string> expectedLinks;
    for (const auto& h : kHostile) {
        lists.AddBookmark(folder, h[0], h[1], h[2]);
        expectedLinks.push_back(std::string(h[1]) + "\t" + h[0]);
    }
    BookmarkExportSettings settings;
    settings.expandUrls = 0;
    TBookmarkExportJob job;
    job.settings = &settings;
    job.bookmarks = &lists.bookmarks;
    job.categories = &lists.categories;
    struct Case {
        int format;
        std::set<std::string> allowed;
        size_t folders;  // headings: <font size=4> on the page, <h3> in the bookmark file
    } cases[] = {
        {TV_EXPORT_HTML, {"html", "head", "title", "meta", "body", "table", "tr", "td", "font", "b", "br", "dl", "dt", "a"}, 1},
        {TV_EXPORT_NETSCAPE, {"title", "h1", "dl", "p", "dt", "h3", "a", "dd"}, 1},
    };
    for (const Case& c : cases) {
        TMemoryStream out;
        ASSERT_TRUE(WriteBookmarkExport(&out, job, c.format));
        Parsed parsed;
        ASSERT_TRUE(RunParser(StreamText(out), &parsed)) << "python3 with html.parser is needed";
        for (const std::string& tag : Distinct(parsed.tags)) EXPECT_TRUE(c.allowed.count(tag)) << "injected <" << tag << ">";
        EXPECT_EQ(parsed.links, expectedLinks) << c.format;
        EXPECT_EQ(parsed.tags.count("a"), expectedLinks.size());
        EXPECT_EQ(parsed.tags.count(c.format == TV_EXPORT_HTML ? "dl" : "h3"), c.format == TV_EXPORT_HTML ? 2 * c.folders : c.folders);
    }
}

TEST(HtmlInjection, FileDatabasePageAddsNoElement) {
    TCategoryListObject categories;
    TFileListObject downloads;
    categories.EnsureDefaultCategories(0);
    int created = 0;
    const int32_t folder =
        TCategoryListObject::Item(categories.AddCategory("Tools & more", TV_KIND_DOWNLOADS, 0, &created))->id;
    std::vector<std::string> expectedLinks;
    for (const auto& h : kHostile) {
        FileItem f{};
        f.fileName = const_cast<char*>(h[0]);
        f.storedName = const_cast<char*>("stored");
        f.website = const_cast<char*>(h[1]);
        f.description = const_cast<char*>(h[2]);
        f.extractedTo = const_cast<char*>("C:\\<script>\\");
        f.flags = 1;
        f.categoryId = folder;
        f.category = categories.FindCategoryById(folder, TV_KIND_DOWNLOADS);
        downloads.Add(&f, 0);
        expectedLinks.push_back(std::string(h[1]) + "\t" + h[0]);
    }
    FileDatabaseExportSettings settings;
    settings.expandUrls = 0;
    settings.limitDescription = 0;
    for (int& field : settings.fields) field = 1;
    TFileDatabaseExportJob job;
    job.settings = &settings;
    job.downloads = &downloads;
    job.categories = &categories;
    TMemoryStream out;
    ASSERT_TRUE(WriteFileDatabaseExport(&out, job, TV_DBEXPORT_HTML));
    Parsed parsed;
    ASSERT_TRUE(RunParser(StreamText(out), &parsed)) << "python3 with html.parser is needed";
    const std::set<std::string> allowed{"html", "head", "title", "meta", "body", "table", "tr", "td",
                                        "font", "b", "br", "dl", "dt", "a"};
    for (const std::string& tag : Distinct(parsed.tags)) EXPECT_TRUE(allowed.count(tag)) << "injected <" << tag << ">";
    EXPECT_EQ(parsed.links, expectedLinks);
    EXPECT_EQ(parsed.tags.count("dl"), 2u);
}

}  // namespace
