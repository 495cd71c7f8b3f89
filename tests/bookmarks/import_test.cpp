// Bookmark import: the three readers, the duplicate rules and the import command's dispatch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks_fixture.h"

namespace {

using Entries = std::vector<std::string>;

bool ImportNetscape(BookmarkLists* lists, const std::string& text, int rule = TV_DUPLICATE_KEEP,
                    TBookmarkImportCounts* counts = nullptr) {
    TMemoryStream file(text.data(), text.size());
    TBookmarkImporter importer(&lists->bookmarks, &lists->categories, rule);
    const bool marked = ReadNetscapeBookmarks(&file, &importer, DefaultAnsiCodec());
    if (counts) *counts = importer.Counts();
    return marked;
}

bool ImportOpera(BookmarkLists* lists, const std::string& text) {
    TMemoryStream file(text.data(), text.size());
    TBookmarkImporter importer(&lists->bookmarks, &lists->categories, TV_DUPLICATE_KEEP);
    return ReadOperaHotlist(&file, &importer, DefaultAnsiCodec());
}

const char kDoctype[] = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n";

// A file as today's browsers write it: UTF-8, an icon as a data URL of 150,000 bytes before the
// title, entities, nested and empty folders, descriptions over several lines, a comment.
std::string ModernFile() {
    const std::string icon = "data:image/png;base64," + std::string(150000, 'A');
    return std::string(kDoctype) +
           "<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n"
           "     DO NOT EDIT! -->\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\"\n"
           "      content=\"default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'\"></meta>\n"
           "<TITLE>Bookmarks</TITLE>\n"
           "<H1>Bookmarks Menu</H1>\n"
           "\n"
           "<DL><p>\n"
           "    <DT><A HREF=\"https://example.com/?a=1&amp;b=2\" ADD_DATE=\"1700000000\" ICON=\"" + icon +
           "\">Tom &amp; Jerry &lt;3 caf\xC3\xA9</A>\n"
           "    <DD>first line\n"
           "second &quot;line&quot;\n"
           "    <DT><H3 ADD_DATE=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">Bookmarks Toolbar</H3>\n"
           "    <DL><p>\n"
           "        <DT><H3>Empty</H3>\n"
           "        <DL><p>\n"
           "        </DL><p>\n"
           "        <DT><H3>News &amp; Views</H3>\n"
           "        <DL><p>\n"
           "            <DT><A HREF=\"http://news.example/\">Daily</A>\n"
           "<!--       <DT><A HREF=\"http://hidden.example/\">Hidden</A> -->\n"
           "        </DL><p>\n"
           "        <DT><A HREF=\"http://toolbar.example/\" TAGS=\"x,y\">On the toolbar</A>\n"
           "    </DL><p>\n"
           "    <HR>\n"
           "    <DT><A HREF=\"javascript:alert('&lt;1&gt;')\">Bookmarklet</A>\n"
           "</DL>\n";
}

TEST(NetscapeImport, ReadsTodaysBrowserFilesWhole) {
    BookmarkLists lists;
    TBookmarkImportCounts counts;
    ASSERT_TRUE(ImportNetscape(&lists, ModernFile(), TV_DUPLICATE_KEEP, &counts));
    EXPECT_EQ(lists.Entries(), (Entries{
                                   "|Tom & Jerry <3 caf\xE9|https://example.com/?a=1&b=2|first line\r\nsecond \"line\"",
                                   "Bookmarks Toolbar/News & Views|Daily|http://news.example/|",
                                   "Bookmarks Toolbar|On the toolbar|http://toolbar.example/|",
                                   "|Bookmarklet|javascript:alert('<1>')|",
                               }));
    EXPECT_EQ(lists.Folders(), (Entries{"Bookmarks Toolbar", "Bookmarks Toolbar/Empty", "Bookmarks Toolbar/News & Views"}));
    EXPECT_EQ(counts.bookmarksAdded, 4u);
    EXPECT_EQ(counts.categoriesAdded, 3u);
}

TEST(NetscapeImport, HandlesTheShapesBrowsersAccept) {
    struct Case {
        const char* name;
        std::string body;
        Entries entries;
    } cases[] = {
        {"several tags on one line",
         "<DL><p><DT><H3>F</H3><DL><p><DT><A HREF=\"http://a/\">A</A><DT><A HREF=\"http://b/\">B</A></DL><p>"
         "<DT><A HREF=\"http://c/\">C</A></DL>",
         {"F|A|http://a/|", "F|B|http://b/|", "|C|http://c/|"}},
        {"bare </DL> closes folders",
         "<DL>\n<DT><H3>F</H3>\n<DL>\n<DT><A HREF=\"http://a/\">A</A>\n</DL>\n<DT><A HREF=\"http://b/\">B</A>\n</DL>\n",
         {"F|A|http://a/|", "|B|http://b/|"}},
        {"lower case, single quotes, unquoted values",
         "<dl><p><dt><h3 folded>f</h3><dl><p><dt><a href='http://q/' add_date=1>Q</a><dt><a href=http://u/>U</a></dl></dl>",
         {"f|Q|http://q/|", "f|U|http://u/|"}},
        {"a title split over lines, blanks and tabs around",
         "<DL><DT><A HREF=\" http://t/ \">\t First\n   second  </A></DL>", {"|First second|http://t/|"}},
        {"a greater-than sign inside an attribute value",
         "<DL><DT><A HREF=\"http://x/?a>b\" ICON=\"<>\">X</A></DL>", {"|X|http://x/?a>b|"}},
        {"description over lines, until the next element",
         "<DL><DT><A HREF=\"http://d/\">D</A>\n<DD>one\r\n  two &amp; three\n\n<DT><A HREF=\"http://e/\">E</A>\n<DD>e-note</DL>",
         {"|D|http://d/|one\r\n  two & three", "|E|http://e/|e-note"}},
        {"a folder description is not a bookmark's",
         "<DL><DT><H3>F</H3>\n<DD>about F\n<DL><DT><A HREF=\"http://f/\">in F</A></DL></DL>", {"F|in F|http://f/|"}},
        {"comments hide bookmarks and folders, also over lines",
         "<DL><!-- <DT><H3>G</H3><DL><DT><A HREF=\"http://g/\">G</A></DL> -->\n<!--\n<DT><A HREF=\"http://h/\">H</A>\n-->"
         "<DT><A HREF=\"http://i/\">I</A></DL>",
         {"|I|http://i/|"}},
        {"an anchor without address is no bookmark",
         "<DL><DT><A NAME=\"top\">Top</A><DT><A HREF=\"\">Empty</A><DT><A HREF=\"http://j/\">J</A></DL>", {"|J|http://j/|"}},
        {"missing folder ends are closed by the end of the file",
         "<DL><DT><H3>A</H3><DL><DT><H3>B</H3><DL><DT><A HREF=\"http://k/\">K</A>", {"A/B|K|http://k/|"}},
        {"one end too many ends the import",
         "<DL><DT><A HREF=\"http://l/\">L</A></DL><p></DL><p><DL><DT><A HREF=\"http://m/\">M</A></DL>", {"|L|http://l/|"}},
        {"an unclosed anchor ends at the next element",
         "<DL><DT><A HREF=\"http://n/\">N\n<DT><A HREF=\"http://o/\">O</A></DL>", {"|N|http://n/|", "|O|http://o/|"}},
        {"a folder named a/b becomes ab",
         "<DL><DT><H3>a/b</H3><DL><DT><A HREF=\"http://p/\">P</A></DL></DL>", {"ab|P|http://p/|"}},
        {"an invalid folder name keeps its bookmarks in the enclosing folder",
         "<DL><DT><H3>F</H3><DL><DT><H3>CON</H3><DL><DT><A HREF=\"http://r/\">R</A></DL></DL></DL>", {"F|R|http://r/|"}},
        {"windows-1252 when the file says nothing else",
         "<DL><DT><A HREF=\"http://s/\">caf\xE9 &#8211; \x96</A></DL>", {"|caf\xE9 \x96 \x96|http://s/|"}},
        {"a lone less-than sign is text",
         "<DL><DT><A HREF=\"http://v/\">a < b</A></DL>", {"|a < b|http://v/|"}},
    };
    for (const Case& c : cases) {
        BookmarkLists lists;
        ASSERT_TRUE(ImportNetscape(&lists, kDoctype + c.body)) << c.name;
        EXPECT_EQ(lists.Entries(), c.entries) << c.name;
    }
}

TEST(NetscapeImport, NulBytesInTextsAreDroppedSoDuplicatesAreRecognised) {
    const std::string body("<DL><DT><A HREF=\"http://a/\">Ti\0tle</A><DD>no\0te<DT><A HREF=\"http://a/\">Title</A></DL>", 85);
    BookmarkLists lists;
    TBookmarkImportCounts counts;
    ASSERT_TRUE(ImportNetscape(&lists, kDoctype + body, TV_DUPLICATE_KEEP, &counts));
    EXPECT_EQ(lists.Entries(), Entries{"|Title|http://a/|note"});
    EXPECT_EQ(counts.duplicatesSkipped, 1u);
}

TEST(NetscapeImport, FoldersJoinCategoriesOfTheSameNameUnderTheSameParent) {
    BookmarkLists lists;
    const int32_t news = lists.AddCategory("News");
    const int32_t other = lists.AddCategory("Other");
    const int32_t otherNews = lists.AddCategory("news", other);
    TBookmarkImportCounts counts;
    ASSERT_TRUE(ImportNetscape(&lists,
                               std::string(kDoctype) +
                                   "<DL><DT><H3> NEWS </H3><DL><DT><A HREF=\"http://1/\">1</A></DL>"
                                   "<DT><H3>other</H3><DL><DT><H3>News</H3><DL><DT><A HREF=\"http://2/\">2</A></DL>"
                                   "<DT><H3>Fresh</H3><DL><DT><A HREF=\"http://3/\">3</A></DL></DL></DL>",
                               TV_DUPLICATE_KEEP, &counts));
    EXPECT_EQ(counts.categoriesAdded, 1u);
    std::vector<int32_t> ids;
    for (const ListNode* n = lists.bookmarks.First(); n; n = n->next) ids.push_back(TBookmarkListObject::Item(n)->categoryId);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], news);
    EXPECT_EQ(ids[1], otherNews);
    EXPECT_EQ(ids[2], lists.categories.NextCategoryId(TV_KIND_BOOKMARKS) - 1);
    EXPECT_EQ(lists.PathOf(ids[2]), "Other/Fresh");
}

TEST(NetscapeImport, UnmarkedFilesImportNothing) {
    const std::string bodies[] = {
        "<DL><DT><A HREF=\"http://a/\">A</A></DL>",
        "<!DOCTYPE html><DL><DT><A HREF=\"http://a/\">A</A></DL>",
        "",
    };
    for (const std::string& body : bodies) {
        BookmarkLists lists;
        EXPECT_FALSE(ImportNetscape(&lists, body)) << body;
        EXPECT_TRUE(lists.bookmarks.IsEmpty());
    }
    // The marker is found in any case, with a UTF-8 byte order mark in front.
    BookmarkLists lists;
    EXPECT_TRUE(ImportNetscape(&lists, "\xEF\xBB\xBF<!doctype netscape-bookmark-file-1>\n<DL><DT><A HREF=\"http://a/\">\xC3\xA4</A></DL>"));
    EXPECT_EQ(lists.Entries(), Entries{"|\xE4|http://a/|"});
}

TEST(NetscapeImport, SecondImportOfTheSameFileAddsNothing) {
    BookmarkLists lists;
    ASSERT_TRUE(ImportNetscape(&lists, ModernFile()));
    const Entries first = lists.Entries();
    TBookmarkImportCounts counts;
    ASSERT_TRUE(ImportNetscape(&lists, ModernFile(), TV_DUPLICATE_KEEP, &counts));
    EXPECT_EQ(lists.Entries(), first);
    EXPECT_EQ(counts.bookmarksAdded, 0u);
    EXPECT_EQ(counts.categoriesAdded, 0u);
    EXPECT_EQ(counts.duplicatesSkipped, 4u);
}

TEST(Import, DuplicateRules) {
    // The existing tree: "Same" with one URL in the root, an untitled bookmark, and one in folder F.
    struct Case {
        int rule;
        Entries expected;
    } cases[] = {
        {TV_DUPLICATE_KEEP,
         {"|Same|http://old/|old", "||http://untitled/|", "F|Same|http://other/|", "||http://untitled2/|"}},
        {TV_DUPLICATE_OVERWRITE,
         {"||http://untitled/|", "F|Same|http://other/|", "|same|http://new/|", "||http://untitled2/|"}},
        {TV_DUPLICATE_ADD,
         {"|Same|http://old/|old", "||http://untitled/|", "F|Same|http://other/|", "|same|http://new/|",
          "||http://untitled2/|"}},
        {7,  // out of range: keep
         {"|Same|http://old/|old", "||http://untitled/|", "F|Same|http://other/|", "||http://untitled2/|"}},
    };
    for (const Case& c : cases) {
        BookmarkLists lists;
        const int32_t f = lists.AddCategory("F");
        lists.AddBookmark(0, "Same", "http://old/", "old");
        lists.AddBookmark(0, "", "http://untitled/");
        lists.AddBookmark(f, "Same", "http://other/");
        TBookmarkImporter importer(&lists.bookmarks, &lists.categories, c.rule);
        ListNode* root = importer.Root();
        importer.AddBookmark(root, " Same ", "HTTP://OLD/", "");  // same title, same URL: never added
        importer.AddBookmark(root, "same", "http://new/", "");     // same title, other URL: the rule decides
        importer.AddBookmark(root, "same", "http://new/", "");     // the same again: never twice
        importer.AddBookmark(root, "", "http://untitled/", "");    // untitled: differ by address alone
        importer.AddBookmark(root, "", "http://untitled2/", "");
        EXPECT_EQ(lists.Entries(), c.expected) << "rule " << c.rule;
        for (const ListNode* n = lists.bookmarks.First(); n; n = n->next) {
            const BookmarkItem* b = TBookmarkListObject::Item(n);
            EXPECT_EQ(TCategoryListObject::Item(b->category)->id, b->categoryId);
        }
    }
}

TEST(Import, RuleAddKeepsBothUntilTitleAndUrlRepeat) {
    BookmarkLists lists;
    TBookmarkImporter importer(&lists.bookmarks, &lists.categories, TV_DUPLICATE_ADD);
    ListNode* root = importer.Root();
    EXPECT_TRUE(importer.AddBookmark(root, "T", "http://1/", ""));
    EXPECT_TRUE(importer.AddBookmark(root, "T", "http://2/", ""));
    EXPECT_FALSE(importer.AddBookmark(root, "T", "http://2/", ""));  // first T has 1, but T+2 exists
    EXPECT_TRUE(importer.AddBookmark(root, "T", "http://3/", ""));
    EXPECT_EQ(importer.Counts().bookmarksAdded, 3u);
    EXPECT_EQ(importer.Counts().duplicatesSkipped, 1u);
}

TEST(OperaImport, ReadsHotlists) {
    const std::string hotlist =
        "Opera Hotlist version 2.0\r\n"
        "Options: encoding = utf8, version=3\r\n"
        "\r\n"
        "#FOLDER\r\n"
        "\tID=11\r\n"
        "\tNAME=Opera & Co: Links\r\n"
        "\tCREATED=1\r\n"
        "\r\n"
        "#URL\r\n"
        "\tID=12\r\n"
        "\tNAME=Opera Web Browser\r\n"
        "\tSHORT NAME=shortname\r\n"
        "\tURL=http://www.opera.com/\r\n"
        "\tDISPLAY URL=http://display/\r\n"
        "\tDESCRIPTION=line one\x02\x02line two \xC3\xA9\r\n"
        "\r\n"
        "#FOLDER\r\n"
        "\tNAME=Inner\r\n"
        "\r\n"
        "#SEPERATOR\r\n"
        "\r\n"
        "#URL\r\n"
        "\tNAME=No address\r\n"
        "\r\n"
        "-\r\n"
        "-\r\n"
        "#URL\r\n"
        "\tNAME=In the root\r\n"
        "\tURL=http://root/\r\n"
        "-\r\n"
        "#URL\r\n"
        "\tNAME=After the end\r\n"
        "\tURL=http://after/\r\n";
    BookmarkLists lists;
    ASSERT_TRUE(ImportOpera(&lists, hotlist));
    EXPECT_EQ(lists.Entries(), (Entries{
                                   "Opera & Co Links|Opera Web Browser|http://www.opera.com/|line one\r\nline two \xE9",
                                   "Opera & Co Links/Inner|No address||",
                                   "|In the root|http://root/|",
                               }));
}

TEST(OperaImport, HotlistWithoutItsMarkerImportsNothing) {
    BookmarkLists lists;
    EXPECT_FALSE(ImportOpera(&lists, "#URL\r\n\tNAME=A\r\n\tURL=http://a/\r\n\r\n"));
    EXPECT_TRUE(lists.bookmarks.IsEmpty());
    // Records that end without an empty line, indented with blanks or tabs, keys in any case.
    EXPECT_TRUE(ImportOpera(&lists, "\tOpera Hotlist version 2.0\n#FOLDER\n name=F\n#url\n  Url=http://b/\n  nAmE=B\n-\n"));
    EXPECT_EQ(lists.Entries(), Entries{"F|B|http://b/|"});
}

TEST(FavoritesImport, ReadsFoldersOfInternetShortcuts) {
    MemoryFileSystem fs;
    fs.AddFolder("C:\\Fav");
    fs.AddFile("C:\\Fav\\Example.url", "[InternetShortcut]\r\nURL=http://example/\r\n");
    fs.AddFile("C:\\Fav\\Reversed.URL", "[InternetShortcut]\r\nIconIndex=1\r\n[DEFAULT]\r\nBASEURL=x\r\n[InternetShortcut]\r\n");
    fs.AddFile("C:\\Fav\\Order.url", "[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nIconIndex=0\r\nURL=http://order/\r\n");
    fs.AddFile("C:\\Fav\\readme.txt", "[InternetShortcut]\r\nURL=http://txt/\r\n");
    fs.AddFile("C:\\Fav\\.url", "[InternetShortcut]\r\nURL=http://noname/\r\n");
    fs.AddFolder("C:\\Fav\\Links");
    fs.AddFile("C:\\Fav\\Links\\Inner.url", "[InternetShortcut]\r\nURL=http://inner/\r\n");
    fs.AddFolder("C:\\Fav\\Links\\Deeper");
    fs.AddFile("C:\\Fav\\Links\\Deeper\\Deep.url", "[InternetShortcut]\r\nURL=http://deep/\r\n");
    fs.AddFolder("C:\\Fav\\Secret", true);
    fs.AddFile("C:\\Fav\\Secret\\Hidden.url", "[InternetShortcut]\r\nURL=http://hidden/\r\n");
    fs.AddFolder("C:\\Fav\\.git");
    fs.AddFile("C:\\Fav\\.git\\Dot.url", "[InternetShortcut]\r\nURL=http://dot/\r\n");

    BookmarkLists lists;
    BookmarkImportSettings settings;
    settings.format = TV_IMPORT_FAVORITES;
    CopyLimited(settings.favoritesFolder, " C:\\Fav ", TV_PATH_SIZE);
    TBookmarkImportContext context;
    context.settings = &settings;
    context.bookmarks = &lists.bookmarks;
    context.categories = &lists.categories;
    context.files = &fs;
    EXPECT_EQ(ImportBookmarks(context), 1);
    EXPECT_EQ(lists.Entries(), (Entries{"|Example|http://example/|", "|Order|http://order/|", "Links|Inner|http://inner/|",
                                        "Links/Deeper|Deep|http://deep/|"}));
    EXPECT_EQ(lists.Folders(), (Entries{"Links", "Links/Deeper"}));
    EXPECT_EQ(ImportBookmarks(context), 0);  // nothing new the second time
}

TEST(Import, DispatchesOnTheFormatAndReportsUnreadableFiles) {
    MemoryFileSystem fs;
    fs.AddFile("n.htm", std::string(kDoctype) + "<DL><DT><A HREF=\"http://n/\">N</A></DL>");
    fs.AddFile("o.adr", "Opera Hotlist version 2.0\r\n\r\n#URL\r\n\tNAME=O\r\n\tURL=http://o/\r\n\r\n");
    struct Case {
        uint8_t format;
        const char* netscape;
        const char* opera;
        int silent;
        int result;
        Entries entries;
        Entries reported;
    } cases[] = {
        {TV_IMPORT_NETSCAPE, "n.htm", "", 0, 1, {"|N|http://n/|"}, {}},
        {TV_IMPORT_OPERA, "n.htm", "o.adr", 0, 1, {"|O|http://o/|"}, {}},
        {9, "n.htm", "o.adr", 0, 1, {"|N|http://n/|"}, {}},  // an unknown format reads as Netscape
        {TV_IMPORT_NETSCAPE, "   ", "", 0, 0, {}, {}},       // empty path: nothing, no message
        {TV_IMPORT_NETSCAPE, "missing.htm", "", 0, 0, {}, {"missing.htm:2"}},
        {TV_IMPORT_NETSCAPE, "missing.htm", "", 1, 0, {}, {}},  // silent
        {TV_IMPORT_OPERA, "", "n.htm", 0, 0, {}, {}},           // no hotlist marker
    };
    for (const Case& c : cases) {
        BookmarkLists lists;
        fs.reported.clear();
        BookmarkImportSettings settings;
        settings.format = c.format;
        CopyLimited(settings.netscapeBookmarkFile, c.netscape, TV_PATH_SIZE);
        CopyLimited(settings.operaHotlistFile, c.opera, TV_PATH_SIZE);
        TBookmarkImportContext context;
        context.silent = c.silent;
        context.settings = &settings;
        context.bookmarks = &lists.bookmarks;
        context.categories = &lists.categories;
        context.files = &fs;
        EXPECT_EQ(ImportBookmarks(context), c.result) << int(c.format) << c.netscape;
        EXPECT_EQ(lists.Entries(), c.entries) << int(c.format) << c.netscape;
        EXPECT_EQ(fs.reported, c.reported) << int(c.format) << c.netscape;
    }
}

TEST(Import, PathFieldWithoutTerminatorIsReadWithinItsField) {
    MemoryFileSystem fs;
    const std::string name(TV_PATH_SIZE, 'p');
    fs.AddFile(name, std::string(kDoctype) + "<DL><DT><A HREF=\"http://x/\">X</A></DL>");
    BookmarkLists lists;
    BookmarkImportSettings settings;
    std::memset(settings.netscapeBookmarkFile, 'p', TV_PATH_SIZE);  // no terminator in the field
    TBookmarkImportContext context;
    context.settings = &settings;
    context.bookmarks = &lists.bookmarks;
    context.categories = &lists.categories;
    context.files = &fs;
    EXPECT_EQ(ImportBookmarks(context), 1);
}

}  // namespace
