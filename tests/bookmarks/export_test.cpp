// Bookmark export: the six formats, the selection and URL rules, and round trips through the
// readers.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "bookmarks/export.h"
#include "bookmarks/import.h"
#include "bookmarks_fixture.h"
#include "util/strings.h"

namespace {

using Entries = std::vector<std::string>;

// Root: one bookmark. A (no bookmarks of its own) holds B with two; C holds one with a
// description over two lines; E is empty.
struct SampleTree : BookmarkLists {
    int32_t a, b, c, e;
    ListNode *root1, *b1, *b2, *c1;
    SampleTree() {
        a = AddCategory("A");
        b = AddCategory("B", a);
        c = AddCategory("C");
        e = AddCategory("E");
        root1 = AddBookmark(0, "Root one", "http://root.example/", "root note");
        b1 = AddBookmark(b, "B one", "http://b1.example/");
        c1 = AddBookmark(c, "C one", "http://c1.example/", "two\r\nlines");
        b2 = AddBookmark(b, "B two", "http://b2.example/");
    }
};

std::string Export(const BookmarkLists& lists, const BookmarkExportSettings& settings, int format,
                   const std::unordered_set<const ListNode*>* selected = nullptr) {
    TBookmarkExportJob job;
    job.settings = &settings;
    job.bookmarks = &lists.bookmarks;
    job.categories = &lists.categories;
    job.selection.selected = selected;
    job.timeStamp = 1234567890;
    TMemoryStream out;
    EXPECT_TRUE(WriteBookmarkExport(&out, job, format));
    return StreamText(out);
}

BookmarkExportSettings Plain() {
    BookmarkExportSettings s;
    s.expandUrls = 0;
    return s;
}

std::string T(uint32_t id) { return TvString(id); }

TEST(BookmarkExport, HtmlPageNestsHeadingsOnlyWhereBookmarksAre) {
    SampleTree tree;
    const std::string item = T(574);
    const std::string expected =
        T(571) +
        // The root: no heading.
        item + "<A HREF=\"http://root.example/\">Root one</A>" + T(575) + "root note" + T(576) +
        // A has no bookmarks: no heading and no closing; B's block follows at A's level.
        T(579) + T(572) + "B" + T(573) + item + "<A HREF=\"http://b1.example/\">B one</A>" + T(575) + T(576) + T(577) +
        item + "<A HREF=\"http://b2.example/\">B two</A>" + T(575) + T(576) + T(578) +
        T(579) + T(572) + "C" + T(573) + item + "<A HREF=\"http://c1.example/\">C one</A>" + T(575) + "two<BR>\r\nlines" +
        T(576) + T(578) + T(580);
    EXPECT_EQ(Export(tree, Plain(), TV_EXPORT_HTML), expected);
}

TEST(BookmarkExport, NothingSelectedWritesOnlyTheFrame) {
    SampleTree tree;
    BookmarkExportSettings s = Plain();
    s.onlySelected = 1;
    const std::unordered_set<const ListNode*> none;
    EXPECT_EQ(Export(tree, s, TV_EXPORT_HTML, &none), T(571) + T(580));
    EXPECT_EQ(Export(tree, s, TV_EXPORT_NETSCAPE, &none),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
              "It will be read and overwritten.\nDo Not Edit! -->\n<TITLE>Tolvane Plus Exported Bookmarks</TITLE>\n"
              "<H1>Tolvane Plus Exported Bookmarks</H1>\n");
    EXPECT_EQ(Export(tree, s, TV_EXPORT_COMMA, &none), "");
    EXPECT_EQ(Export(tree, s, TV_EXPORT_TEXT, &none), T(4500));
}

TEST(BookmarkExport, OnlySelectedBookmarksGoOut) {
    SampleTree tree;
    BookmarkExportSettings s = Plain();
    s.onlySelected = 1;
    const std::unordered_set<const ListNode*> some{tree.b2, tree.root1};
    EXPECT_EQ(Export(tree, s, TV_EXPORT_COMMA, &some), "Bookmarks,Root one,http://root.example/,root note\r\nB,B two,http://b2.example/,\r\n");
    s.onlySelected = 0;  // the selection is ignored when the option is off
    EXPECT_EQ(Export(tree, s, TV_EXPORT_COMMA, &some).size(), Export(tree, s, TV_EXPORT_COMMA).size());
}

TEST(BookmarkExport, DelimitedTextQuotesWhatWouldBreakARecord) {
    BookmarkLists lists;
    const int32_t k = lists.AddCategory("K, the first");
    lists.AddBookmark(k, "Say \"hi\"", "http://q/?a,b", "one\r\ntwo");
    lists.AddBookmark(k, "tab\there", "http://t/", "");
    struct Case {
        uint8_t mode;
        char character;
        const char* expected;
    } cases[] = {
        {0, ',', "\"K, the first\",\"Say \"\"hi\"\"\",\"http://q/?a,b\",\"one\r\ntwo\"\r\n"
                 "\"K, the first\",tab\there,http://t/,\r\n"},
        {0, '\0', "\"K, the first\",\"Say \"\"hi\"\"\",\"http://q/?a,b\",\"one\r\ntwo\"\r\n"
                  "\"K, the first\",tab\there,http://t/,\r\n"},  // no character stored: ","
        {0, ';', "K, the first;\"Say \"\"hi\"\"\";http://q/?a,b;\"one\r\ntwo\"\r\nK, the first;tab\there;http://t/;\r\n"},
        {1, ',', "K, the first\t\"Say \"\"hi\"\"\"\thttp://q/?a,b\t\"one\r\ntwo\"\r\nK, the first\t\"tab\there\"\thttp://t/\t\r\n"},
        {2, ',', "K, the first\r\n\"Say \"\"hi\"\"\"\r\nhttp://q/?a,b\r\n\"one\r\ntwo\"\r\n"
                 "K, the first\r\ntab\there\r\nhttp://t/\r\n\r\n"},
    };
    for (const Case& c : cases) {
        BookmarkExportSettings s = Plain();
        s.delimiterMode = c.mode;
        s.delimiter = c.character;
        EXPECT_EQ(Export(lists, s, TV_EXPORT_COMMA), c.expected) << int(c.mode) << c.character;
    }
}

TEST(BookmarkExport, PlainTextListsCategoriesFlatAndCutsLongDescriptions) {
    SampleTree tree;
    const std::string longText(1200, 'd');
    tree.AddBookmark(tree.e, "Long", "", longText.c_str());
    EXPECT_EQ(Export(tree, Plain(), TV_EXPORT_TEXT),
              T(4500) + "[Bookmarks]\r\n\r\nRoot one\r\n>> http://root.example/\r\n>> root note\r\n" +
                  "\r\n\r\n[B]\r\n\r\nB one\r\n>> http://b1.example/\r\n\r\nB two\r\n>> http://b2.example/\r\n" +
                  "\r\n\r\n[C]\r\n\r\nC one\r\n>> http://c1.example/\r\n>> two\r\nlines\r\n" +
                  "\r\n\r\n[E]\r\n\r\nLong\r\n>> " + std::string(996, 'd') + "\r\n");
}

TEST(BookmarkExport, NetscapeFileKeepsTheFolderTree) {
    SampleTree tree;
    BookmarkExportSettings s = Plain();
    TextAssign(&s.netscapeTitle, "Mine & <yours>");
    s.netscapeMenuCategoryId = tree.b;
    s.netscapeNewItemsCategoryId = tree.c;
    const std::string stamp = "\" ADD_DATE=\"1234567890\" LAST_VISIT=\"0\" LAST_MODIFIED=\"0\">";
    EXPECT_EQ(Export(tree, s, TV_EXPORT_NETSCAPE),
              "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
              "It will be read and overwritten.\nDo Not Edit! -->\n<TITLE>Mine &amp; &lt;yours&gt;</TITLE>\n"
              "<H1>Mine &amp; &lt;yours&gt;</H1>\n"
              "<DL><p>\n"
              "    <DT><H3 ADD_DATE=\"0\">A</H3>\n"
              "    <DL><p>\n"
              "        <DT><H3 MENUHEADER ADD_DATE=\"0\">B</H3>\n"
              "        <DL><p>\n"
              "            <DT><A HREF=\"http://b1.example/" + stamp + "B one</A>\n"
              "            <DT><A HREF=\"http://b2.example/" + stamp + "B two</A>\n"
              "        </DL><p>\n"
              "    </DL><p>\n"
              "    <DT><H3 NEWITEMHEADER ADD_DATE=\"0\">C</H3>\n"
              "    <DL><p>\n"
              "        <DT><A HREF=\"http://c1.example/" + stamp + "C one</A>\n"
              "<DD>two\r\nlines\r\n"
              "    </DL><p>\n"
              "    <DT><H3 ADD_DATE=\"0\">E</H3>\n"
              "    <DL><p>\n"
              "    </DL><p>\n"
              "    <DT><A HREF=\"http://root.example/" + stamp + "Root one</A>\n"
              "<DD>root note\r\n"
              "</DL><p>\n");
    // Only the selected bookmarks: only the folders that lead to them.
    s.onlySelected = 1;
    const std::unordered_set<const ListNode*> one{tree.b1};
    const std::string selected = Export(tree, s, TV_EXPORT_NETSCAPE, &one);
    EXPECT_NE(selected.find(">A</H3>"), std::string::npos);
    EXPECT_NE(selected.find(">B</H3>"), std::string::npos);
    EXPECT_EQ(selected.find(">C</H3>"), std::string::npos);
    EXPECT_EQ(selected.find(">E</H3>"), std::string::npos);
}

TEST(BookmarkExport, OperaHotlistWritesEveryFolder) {
    BookmarkLists lists;
    const int32_t f = lists.AddCategory("F");
    lists.AddCategory("Empty", f);
    lists.AddBookmark(f, "One\r\nline", "http://one/", "first\r\nsecond");
    lists.AddBookmark(f, "Two", "http://two/");
    EXPECT_EQ(Export(lists, Plain(), TV_EXPORT_OPERA),
              "Opera Hotlist version 2.0\r\n\r\n"
              "#FOLDER\r\n  NAME=F\r\n  ORDER=-1\r\n\r\n"
              "#URL\r\n  NAME=One  line\r\n  URL=http://one/\r\n  CREATED=1234567890\r\n  VISITED=0\r\n  ORDER=1\r\n"
              "  DESCRIPTION=first\x02\x02second\r\n\r\n"
              "#URL\r\n  NAME=Two\r\n  URL=http://two/\r\n  CREATED=1234567890\r\n  VISITED=0\r\n  ORDER=2\r\n\r\n"
              "#FOLDER\r\n  NAME=Empty\r\n  ORDER=-1\r\n\r\n"
              "-\r\n"
              "-\r\n"
              "-\r\n");
}

TEST(BookmarkExport, UrlsAreCompletedWhenAskedAndNeverCut) {
    const std::string longUrl = "http://long.example/" + std::string(3000, 'x');
    struct Case {
        const char* url;
        int expand;
        std::string written;
    } cases[] = {
        {"www.example.com", 1, "http://www.example.com"},
        {"ftp.example.com/x", 1, "ftp://ftp.example.com/x"},
        {"C:\\Pages\\a.htm", 1, "C:\\Pages\\a.htm"},
        {"https://done/", 1, "https://done/"},
        {"www.example.com", 0, "www.example.com"},
        {"", 1, ""},
        {longUrl.c_str(), 1, longUrl},
        {longUrl.c_str() + 7, 1, longUrl},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportedUrl(c.url, c.expand), c.written) << c.url;
        BookmarkLists lists;
        lists.AddBookmark(0, "T", c.url);
        BookmarkExportSettings s;
        s.expandUrls = c.expand;
        EXPECT_EQ(Export(lists, s, TV_EXPORT_COMMA), "Bookmarks,T," + c.written + ",\r\n") << c.url;
    }
}

// Titles, URLs and descriptions that markup, quoting, line ends and names could break.
struct HostileTree : BookmarkLists {
    HostileTree() {
        const int32_t f = AddCategory("Tom & Jerry's");
        const int32_t g = AddCategory("Inner", f);
        AddBookmark(0, "<script>alert(1)</script>", "http://x.example/?a=1&b=<2>", "a \"quoted\" note & more");
        AddBookmark(f, "caf\xE9 \x80 \x96", "http://caf\xE9.example/", "");
        AddBookmark(f, "Same", "http://same1/");
        AddBookmark(f, "Same", "http://same2/");
        AddBookmark(g, "..\\..\\Windows\\evil", "http://evil/", "line one\r\nline two");
        AddBookmark(g, "&amp; already", "http://amp/?q=&amp;", "");
        AddBookmark(g, "</A><A HREF=\"http://injected/\">", "javascript:alert('x')", "</DD><DT>");
    }
};

TEST(BookmarkExport, NetscapeRoundTripKeepsEveryText) {
    HostileTree tree;
    const std::string file = Export(tree, Plain(), TV_EXPORT_NETSCAPE);
    BookmarkLists back;
    TMemoryStream in(file.data(), file.size());
    TBookmarkImporter importer(&back.bookmarks, &back.categories, TV_DUPLICATE_ADD);
    ASSERT_TRUE(ReadNetscapeBookmarks(&in, &importer, DefaultAnsiCodec()));
    EXPECT_EQ(back.SortedEntries(), tree.SortedEntries());
    EXPECT_EQ(back.Folders(), tree.Folders());
    for (unsigned char c : file) EXPECT_LT(c, 0x80) << "every character outside ASCII goes as a reference";
}

TEST(BookmarkExport, OperaRoundTripKeepsEveryText) {
    HostileTree tree;
    const std::string file = Export(tree, Plain(), TV_EXPORT_OPERA);
    BookmarkLists back;
    TMemoryStream in(file.data(), file.size());
    TBookmarkImporter importer(&back.bookmarks, &back.categories, TV_DUPLICATE_ADD);
    ASSERT_TRUE(ReadOperaHotlist(&in, &importer, DefaultAnsiCodec()));
    EXPECT_EQ(back.SortedEntries(), tree.SortedEntries());
    EXPECT_EQ(back.Folders(), tree.Folders());
}

TEST(BookmarkExport, FavoritesStayInsideTheirFolderAndRoundTrip) {
    HostileTree tree;
    tree.AddBookmark(0, "CON", "http://device/");
    tree.AddBookmark(0, "   ", "http://blank/");
    MemoryFileSystem fs;
    fs.AddFolder("C:\\Out");
    BookmarkExportSettings s = Plain();
    TBookmarkExportJob job;
    job.settings = &s;
    job.bookmarks = &tree.bookmarks;
    job.categories = &tree.categories;
    const TFavoritesExportCounts counts = ExportFavorites(&fs, "C:\\Out\\Fav", job);
    EXPECT_EQ(counts.written, 9u);
    EXPECT_EQ(counts.failed, 0u);
    EXPECT_EQ(fs.Files(), (Entries{
                              "C:\\Out\\Fav\\scriptalert(1)script.url",
                              "C:\\Out\\Fav\\CON_.url",
                              "C:\\Out\\Fav\\Bookmark.url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\caf\xE9 \x80 \x96.url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\Same.url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\Same (2).url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\Inner\\Windowsevil.url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\Inner\\&amp; already.url",
                              "C:\\Out\\Fav\\Tom & Jerry's\\Inner\\AA HREF=httpinjected.url",
                          }));
    EXPECT_EQ(fs.Find("C:\\Out\\Fav\\Tom & Jerry's\\Same (2).url")->content, "[InternetShortcut]\r\nURL=http://same2/\r\n");
    // Read back: the same bookmarks under the names the files got, without descriptions.
    BookmarkLists back;
    BookmarkImportSettings in;
    in.format = TV_IMPORT_FAVORITES;
    CopyLimited(in.favoritesFolder, "C:\\Out\\Fav", TV_PATH_SIZE);
    TBookmarkImportContext context;
    context.settings = &in;
    context.bookmarks = &back.bookmarks;
    context.categories = &back.categories;
    context.files = &fs;
    EXPECT_EQ(ImportBookmarks(context), 1);
    EXPECT_EQ(back.Folders(), tree.Folders());
    EXPECT_EQ(back.bookmarks.Count(1), tree.bookmarks.Count(1));
}

TEST(BookmarkExport, FavoritesNamesFitThePathLimit) {
    BookmarkLists lists;
    const std::string title(400, 't');
    lists.AddBookmark(0, title.c_str(), "http://long/");
    lists.AddBookmark(0, title.c_str(), "http://long2/");
    MemoryFileSystem fs;
    const std::string base = "C:\\" + std::string(200, 'f');
    fs.AddFolder(base);
    BookmarkExportSettings s = Plain();
    TBookmarkExportJob job;
    job.settings = &s;
    job.bookmarks = &lists.bookmarks;
    job.categories = &lists.categories;
    const TFavoritesExportCounts counts = ExportFavorites(&fs, base, job);
    EXPECT_EQ(counts.written, 2u);
    const Entries files = fs.Files();
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& f : files) EXPECT_LE(f.size(), 259u) << f;
    EXPECT_NE(files[0], files[1]);
}

}  // namespace
