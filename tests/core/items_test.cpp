#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "core_fixtures.h"

namespace {

using Strings = std::vector<std::string>;

TEST(Downloads, FindFileByNameComparesTheChosenFieldTrimmedAndCaseInsensitive) {
    TFileListObject files;
    FileItem a = Download("Setup.ZIP", 1, "setup (2).zip"), b = Download("other.zip", 2, "setup.zip");
    ListNode* na = files.Add(&a, 0);
    ListNode* nb = files.Add(&b, 0);
    struct Case {
        const char* name;
        int32_t category;
        int field;
        ListNode* expected;
    } cases[] = {
        {"  setup.zip ", -1, TV_FIND_FILE_NAME, na}, {"setup.zip", 2, TV_FIND_FILE_NAME, nullptr},
        {"setup.zip", -1, TV_FIND_STORED_NAME, nb},  {"SETUP (2).ZIP", 1, TV_FIND_STORED_NAME, na},
        {"", -1, TV_FIND_FILE_NAME, nullptr},        {nullptr, -1, TV_FIND_FILE_NAME, nullptr},
    };
    for (const auto& c : cases) EXPECT_EQ(files.FindFileByName(c.name, c.category, c.field), c.expected) << (c.name ? c.name : "null");
    // From a start node onwards.
    EXPECT_EQ(files.FindFileByName("setup.zip", -1, TV_FIND_FILE_NAME, nb), nullptr);
    // Duplicate rule: same file name in any category.
    FileItem again = Download(" setup.zip", 5);
    EXPECT_EQ(files.Add(&again, 1), na);
}

TEST(Downloads, UniqueStoredNames) {
    TFileListObject files;
    FileItem a = Download("a.zip", 1), a2 = Download("x", 1, "a (2).zip"), other = Download("b", 2, "b.zip");
    files.Add(&a, 0);
    files.Add(&a2, 0);
    files.Add(&other, 0);
    struct Case {
        const char* name;
        int32_t category;
        const char* expected;
    } cases[] = {
        {"a.zip", 1, "a (3).zip"},  {"A.ZIP", 1, "A (3).ZIP"},   {"a.zip", 2, "a.zip"},
        {"\"b.zip\"", 2, "b (2).zip"}, {"readme", 2, "readme"}, {"b.zip", 1, "b.zip"},
    };
    for (const auto& c : cases) {
        char out[TV_PATH_SIZE];
        EXPECT_EQ(files.MakeUniqueStoredName(out, sizeof out, c.name, c.category), 1);
        EXPECT_STREQ(out, c.expected);
    }
    for (int n = 3; n <= 999; ++n) {
        std::string stored = "a (" + std::to_string(n) + ").zip";
        FileItem f = Download("x", 1, stored.c_str());
        files.Add(&f, 0);
    }
    char out[TV_PATH_SIZE] = "junk";
    EXPECT_EQ(files.MakeUniqueStoredName(out, sizeof out, "a.zip", 1), 0);
    EXPECT_STREQ(out, "");
}

TEST(Downloads, CountsStampsAndMatches) {
    TCategoryListObject categories;
    categories.EnsureDefaultCategories(1);
    ListNode* standard = categories.FindCategoryById(1, 1);
    TFileListObject files;
    FileItem shown = Download("a.zip", 1), hidden = Download("b.zip", 1), elsewhere = Download("c.zip", 0);
    shown.category = standard;
    elsewhere.category = categories.FindCategoryById(0, 1);
    files.Add(&shown, 0);
    files.Add(&hidden, 0);
    files.Add(&elsewhere, 0);
    EXPECT_EQ(files.CountItemsInCategory(1), 1u);
    EXPECT_EQ(files.CountItemsInCategory(0), 1u);
    EXPECT_EQ(files.CountItemsInCategory(7), 0u);

    TvFileTime now;
    now.Set(1234567);
    struct Case {
        int what;
        uint64_t unpackBefore;
        const char* folder;
        uint64_t download, unpack;
        const char* extractedTo;
    } cases[] = {
        {1, 0, "C:\\x", 1234567, 0, "old"},    {2, 0, nullptr, 0, 0, "old"},     {2, 0, "C:\\x", 0, 1234567, "C:\\x"},
        {2, 99, nullptr, 0, 1234567, "old"},    {3, 0, "C:\\y", 1234567, 1234567, "C:\\y"},
    };
    for (const auto& c : cases) {
        FileItem f = Download("a", 0);
        f.extractedTo = const_cast<char*>("old");
        TFileListObject scratch;
        FileItem* r = TFileListObject::Item(scratch.Add(&f, 0));
        r->unpackDate.Set(c.unpackBefore);
        files.StampFileDates(r, c.what, c.folder, now);
        EXPECT_EQ(r->downloadDate.Value(), c.download) << c.what;
        EXPECT_EQ(r->unpackDate.Value(), c.unpackBefore && !(c.what & 2) ? c.unpackBefore : c.unpack) << c.what;
        EXPECT_STREQ(r->extractedTo, c.extractedTo);
    }

    FileItem m = Download("Report.pdf", 0, "secret.bin");
    m.description = const_cast<char*>("Annual cat report");
    m.website = const_cast<char*>("http://example.org/");
    struct Match {
        const char* text;
        int caseSensitive, wholeWord, expected;
    } matches[] = {{"report", 0, 0, 1}, {"report", 1, 0, 1}, {"REPORT", 1, 0, 0}, {"cat", 0, 1, 1},
                   {"nual", 0, 1, 0},   {"example", 0, 0, 1}, {"secret", 0, 0, 0}, {"", 0, 0, 0}};
    for (const auto& c : matches) EXPECT_EQ(files.ItemMatches(&m, c.text, c.caseSensitive, c.wholeWord), c.expected) << c.text;
}

TEST(Downloads, FilePathAndShortcutPath) {
    TCategoryListObject categories;
    categories.EnsureDefaultCategories(1);
    ListNode* standard = categories.FindCategoryById(1, 1);
    const StorageLocations where{"C:\\dl", "C:\\links\\"};
    TFileListObject files;
    FileItem f = Download("a.zip", 1, "a (2).zip");
    f.category = standard;
    char out[TV_PATH_SIZE];
    EXPECT_EQ(files.FilePath(out, sizeof out, &f, &categories, where), TV_FOLDER_OK);
    EXPECT_STREQ(out, "C:\\dl\\Standard\\a (2).zip");
    EXPECT_EQ(files.FilePath(out, sizeof out, &f, &categories, where, categories.FindCategoryById(0, 1), "E:\\"),
              TV_FOLDER_OK);
    EXPECT_STREQ(out, "E:\\a (2).zip");
    f.storedName = const_cast<char*>("..\\..\\boot.ini");
    EXPECT_EQ(files.FilePath(out, sizeof out, &f, &categories, where), TV_FOLDER_BAD_NAME);
    EXPECT_STREQ(out, "");
    f.category = nullptr;
    EXPECT_EQ(files.FilePath(out, sizeof out, &f, &categories, where), TV_FOLDER_INVALID_NODE);

    TShortcutListObject shortcuts;
    ShortcutItem s = Shortcut("Editor.lnk", 1);
    s.category = categories.FindCategoryById(1, 3);
    EXPECT_EQ(shortcuts.ShortcutPath(out, sizeof out, &s, &categories, where), TV_FOLDER_OK);
    EXPECT_STREQ(out, "C:\\links\\Standard\\Editor.lnk");
    s.category = categories.FindCategoryById(1, 2);  // bookmark category: no folder
    EXPECT_EQ(shortcuts.ShortcutPath(out, sizeof out, &s, &categories, where), TV_FOLDER_NONE);
}

TEST(Bookmarks, Lookups) {
    TBookmarkListObject list;
    BookmarkItem a = Bookmark(" http://A.example/ ", " Title ", 1), b = Bookmark("http://b/", "Other", 2);
    ListNode* na = list.Add(&a, 0);
    ListNode* nb = list.Add(&b, 0);
    EXPECT_EQ(list.FindBookmarkByUrl("http://a.example/", -1), na);
    EXPECT_EQ(list.FindBookmarkByUrl("http://a.example/", 2), nullptr);
    EXPECT_EQ(list.FindBookmarkByTitle("title", 1), na);
    EXPECT_EQ(list.FindBookmarkByTitle("other", -1, na), nb);
    EXPECT_EQ(list.FindBookmarkByTitleAndUrl("Title", "http://a.example/", -1), nullptr);  // untrimmed comparison
    EXPECT_EQ(list.FindBookmarkByTitleAndUrl(" title ", " http://a.example/ ", 1), na);
    EXPECT_EQ(list.FindBookmarkByTitleAndUrl("OTHER", "HTTP://B/", -1), nb);
    BookmarkItem dup = Bookmark("HTTP://b/", "new", 0);
    EXPECT_EQ(list.Add(&dup, 1), nb);
    EXPECT_EQ(list.ItemMatches(TBookmarkListObject::Item(nb), "b/", 0, 0), 1);
}

TEST(Shortcuts, UniqueTitles) {
    TShortcutListObject list;
    char out[TV_PATH_SIZE];
    const char* expected[] = {"a.lnk", "Copy of a.lnk", "Copy (2) of a.lnk", "Copy (3) of a.lnk"};
    for (const char* e : expected) {
        ASSERT_EQ(list.MakeUniqueShortcutTitle(out, sizeof out, "a.lnk", 4), 1);
        EXPECT_STREQ(out, e);
        ShortcutItem s = Shortcut(out, 4);
        list.Add(&s, 0);
    }
    EXPECT_EQ(list.MakeUniqueShortcutTitle(out, sizeof out, "C:\\dir\\A.LNK", 5), 1);
    EXPECT_STREQ(out, "C:\\dir\\A.LNK");
    EXPECT_EQ(list.MakeUniqueShortcutTitle(out, sizeof out, "a.lnk", 5), 1);
    EXPECT_STREQ(out, "a.lnk");
    EXPECT_EQ(list.MakeUniqueShortcutTitle(out, sizeof out, "", 5), 0);
}

TEST(Linking, ItemsGetTheirCategoryNodes) {
    TCategoryListObject categories;
    categories.EnsureDefaultCategories(1);
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    FileItem f1 = Download("a", 1), f2 = Download("b", 9);
    files.Add(&f1, 0);
    files.Add(&f2, 0);
    BookmarkItem b1 = Bookmark("u1", "t1", 1), b2 = Bookmark("u2", "t2", 9);
    bookmarks.Add(&b1, 0);
    bookmarks.Add(&b2, 0);
    ShortcutItem s1 = Shortcut("s1", 1), s2 = Shortcut("s2", 9);
    shortcuts.Add(&s1, 0);
    shortcuts.Add(&s2, 0);

    LinkItemsToCategories(&categories, &files, &bookmarks, &shortcuts);
    EXPECT_EQ(TFileListObject::Item(files.First())->category, categories.FindCategoryById(1, 1));
    EXPECT_EQ(TFileListObject::Item(files.First()->next)->category, nullptr);
    EXPECT_EQ(TBookmarkListObject::Item(bookmarks.First())->category, categories.FindCategoryById(1, 2));
    const BookmarkItem* moved = TBookmarkListObject::Item(bookmarks.First()->next);
    EXPECT_EQ(moved->category, categories.FindCategoryById(0, 2));
    EXPECT_EQ(moved->categoryId, 0);
    EXPECT_EQ(TShortcutListObject::Item(shortcuts.First())->category, categories.FindCategoryById(1, 3));
    EXPECT_EQ(TShortcutListObject::Item(shortcuts.First()->next)->category, nullptr);
    EXPECT_EQ(files.CountItemsInCategory(1), 1u);
    EXPECT_EQ(bookmarks.CountItemsInCategory(0), 1u);
    EXPECT_EQ(shortcuts.CountItemsInCategory(9), 0u);

    // The moved bookmark is saved with category id 0; hidden downloads keep theirs.
    TMemoryStream out;
    bookmarks.Write(&out);
    EXPECT_EQ(out.Data(), Bytes().U32(2).I32(1).Text("u1").Text("t1").Text("").I32(0).Text("u2").Text("t2").Text("").Data());
    TMemoryStream filesOut;
    files.Write(&filesOut);
    TFileListObject reread;
    filesOut.Rewind();
    reread.Read(&filesOut);
    EXPECT_EQ(TFileListObject::Item(reread.First()->next)->categoryId, 9);

    // Null lists are skipped.
    LinkItemsToCategories(nullptr, &files, nullptr, nullptr);
    EXPECT_EQ(TFileListObject::Item(files.First())->category, nullptr);
}

}  // namespace
