#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/rows.h"
#include "core_fixtures.h"
#include "database/settings.h"
#include "util/text.h"

namespace {

void TestDate(char* out, size_t size, TvFileTime time, void*) {
    FormatLimited(out, size, "T%llu", static_cast<unsigned long long>(time.Value()));
}
void TestSize(char* out, size_t size, uint32_t bytes, void*) { FormatLimited(out, size, "%u k", bytes / 1024); }

TEST(Rows, DownloadCells) {
    FileItem f = Download("a.zip", 1, "a.zip", TV_FILE_EXISTS);
    std::string longDescription(300, 'x');
    longDescription[1] = '\r';
    longDescription[2] = '\n';
    f.description = &longDescription[0];
    f.website = const_cast<char*>("http://w/");
    f.extractedTo = const_cast<char*>("C:\\out\\");
    f.sizeLow = 4096;
    f.downloadDate.Set(77);
    const TvRowFormat format{TestDate, TestSize, nullptr};
    const std::string description = "x  " + std::string(257, 'x');
    struct Case {
        int field;
        std::string expected;
    } cases[] = {
        {TV_DOWNLOAD_FILENAME, "a.zip"},     {TV_DOWNLOAD_DESCRIPTION, description}, {TV_DOWNLOAD_SIZE, "4 k"},
        {TV_DOWNLOAD_DOWNLOAD_DATE, "T77"},  {TV_DOWNLOAD_WEBSITE, "http://w/"},      {TV_DOWNLOAD_UNPACK_DATE, ""},
        {TV_DOWNLOAD_EXTRACTED_TO, "C:\\out\\"}, {99, ""},
    };
    for (const auto& c : cases) {
        char out[400] = "junk";
        DownloadColumnText(out, sizeof out, &f, c.field, format);
        EXPECT_EQ(std::string(out), c.expected) << c.field;
    }
    f.flags = 0;
    char out[16];
    DownloadColumnText(out, sizeof out, &f, TV_DOWNLOAD_SIZE, format);
    EXPECT_STREQ(out, "n/a");
    DownloadColumnText(out, sizeof out, &f, TV_DOWNLOAD_FILENAME, format);  // small buffer: cut, terminated
    EXPECT_STREQ(out, "a.zip");
}

TEST(Rows, StateIcons) {
    struct Case {
        uint32_t flags;
        int icon;
    } cases[] = {{0, 1}, {TV_FILE_FOUND | TV_FILE_MARKED, 1}, {1, 0}, {1 | TV_FILE_MARKED, 2},
                 {1 | TV_FILE_FOUND, 3}, {1 | TV_FILE_FOUND | TV_FILE_MARKED, 3}};
    for (const auto& c : cases) {
        FileItem f = Download("a", 0, "a", c.flags);
        EXPECT_EQ(DownloadStateIcon(&f), c.icon) << c.flags;
    }
}

TEST(Rows, BookmarkAndShortcutCells) {
    BookmarkItem b = Bookmark("http://u/", "Title", 0, "two\r\nlines");
    char out[300];
    BookmarkColumnText(out, sizeof out, &b, TV_BOOKMARK_TITLE);
    EXPECT_STREQ(out, "Title");
    BookmarkColumnText(out, sizeof out, &b, TV_BOOKMARK_URL);
    EXPECT_STREQ(out, "http://u/");
    BookmarkColumnText(out, sizeof out, &b, TV_BOOKMARK_DESCRIPTION);
    EXPECT_STREQ(out, "two  lines");
    ShortcutItem s = Shortcut("x.lnk", 0);
    ShortcutColumnText(out, sizeof out, &s, TV_SHORTCUT_NAME);
    EXPECT_STREQ(out, "x.lnk");
}

// The stored column settings of each list name every data column of its rows once, and each of
// them has a cell text for a record with every field filled.
TEST(Rows, StoredColumnsAreTheRowsColumns) {
    FileItem f = Download("a.zip", 1, "a.zip", TV_FILE_EXISTS);
    f.description = const_cast<char*>("d");
    f.website = const_cast<char*>("http://w/");
    f.extractedTo = const_cast<char*>("C:\\out\\");
    f.sizeLow = 4096;
    f.downloadDate.Set(77);
    f.unpackDate.Set(78);
    BookmarkItem b = Bookmark("http://u/", "Title", 0, "about");
    ShortcutItem s = Shortcut("x.lnk", 0);
    const TvRowFormat format{TestDate, TestSize, nullptr};
    const struct { int kind; uint32_t columns; } lists[] = {
        {1, TV_DOWNLOAD_COLUMNS}, {2, TV_BOOKMARK_COLUMNS}, {3, TV_SHORTCUT_COLUMNS}};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.kind);
        const ListColumnSettings settings(list.kind);
        ASSERT_EQ(settings.count, list.columns);
        std::vector<uint32_t> fields;
        for (uint32_t i = 0; i < settings.count; ++i) {
            const uint32_t field = settings.entries[i].field;
            fields.push_back(field);
            char out[64] = "";
            if (list.kind == 1) DownloadColumnText(out, sizeof out, &f, int(field), format);
            else if (list.kind == 2) BookmarkColumnText(out, sizeof out, &b, int(field));
            else ShortcutColumnText(out, sizeof out, &s, int(field));
            EXPECT_STRNE(out, "") << "field " << field;
        }
        std::sort(fields.begin(), fields.end());
        for (uint32_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i], i);
    }
}

TEST(Rows, SortComparisons) {
    TFileListObject files, other;
    FileItem a = Download("apple", 0), b = Download("Banana", 0), same = Download("x", 0);
    a.sizeLow = 10;
    b.sizeLow = 20;
    same.sizeLow = 10;
    a.downloadDate.Set(5);
    b.downloadDate.Set(3);
    ListNode* na = files.Add(&a, 0);
    ListNode* nb = files.Add(&b, 0);
    ListNode* ns = files.Add(&same, 0);
    ListNode* foreign = other.Add(&a, 0);
    auto caseless = [](const char* x, const char* y, void*) { return TextEquals(x, y, 0, 0) ? 0 : (LowerChar(x[0]) < LowerChar(y[0]) ? -1 : 1); };
    struct Case {
        const ListNode *x, *y;
        int field, descending;
        TvTextCompareFn compare;
        int expected;
    } cases[] = {
        {na, nb, TV_DOWNLOAD_FILENAME, 0, nullptr, 1},  // byte order: 'a' after 'B'
        {na, nb, TV_DOWNLOAD_FILENAME, 0, caseless, -1},
        {na, nb, TV_DOWNLOAD_FILENAME, 1, caseless, 1},
        {na, nb, TV_DOWNLOAD_SIZE, 0, nullptr, -1},
        {nb, na, TV_DOWNLOAD_SIZE, 0, nullptr, 1},
        {na, ns, TV_DOWNLOAD_SIZE, 0, nullptr, 0},  // equal sizes are equal (a consistent sort order)
        {ns, na, TV_DOWNLOAD_SIZE, 1, nullptr, 0},
        {na, nb, TV_DOWNLOAD_DOWNLOAD_DATE, 0, nullptr, 1},
        {na, nb, TV_DOWNLOAD_UNPACK_DATE, 0, nullptr, 0},
        {na, foreign, TV_DOWNLOAD_FILENAME, 0, nullptr, 0},  // not a node of this list
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareDownloadRows(&files, c.x, c.y, c.field, c.descending, c.compare), c.expected)
            << c.field << " " << c.descending;

    TBookmarkListObject bookmarks;
    BookmarkItem b1 = Bookmark("b", "a", 0), b2 = Bookmark("a", "b", 0);
    ListNode* n1 = bookmarks.Add(&b1, 0);
    ListNode* n2 = bookmarks.Add(&b2, 0);
    EXPECT_EQ(CompareBookmarkRows(&bookmarks, n1, n2, TV_BOOKMARK_TITLE, 0), -1);
    EXPECT_EQ(CompareBookmarkRows(&bookmarks, n1, n2, TV_BOOKMARK_URL, 0), 1);
    EXPECT_EQ(CompareBookmarkRows(&bookmarks, n1, n2, TV_BOOKMARK_URL, 1), -1);
    TShortcutListObject shortcuts;
    ShortcutItem s1 = Shortcut("a", 0), s2 = Shortcut("a", 0);
    EXPECT_EQ(CompareShortcutRows(&shortcuts, shortcuts.Add(&s1, 0), shortcuts.Add(&s2, 0), TV_SHORTCUT_NAME, 0), 0);
}

}  // namespace
