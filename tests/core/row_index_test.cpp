#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/row_index.h"
#include "core/rows.h"
#include "core_fixtures.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

// Downloads in two categories of a linked database: "Standard" (id 1) and "Other".
class RowIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        categories.EnsureDefaultCategories(1);
        int created = 0;
        other = TCategoryListObject::Item(categories.AddCategory("Other", TV_KIND_DOWNLOADS, 0, &created))->id;
        index.Attach(TV_KIND_DOWNLOADS, &files);
    }
    ListNode* AddFile(const char* name, int32_t category, uint32_t size = 0, const char* description = "") {
        FileItem f = Download(name, category);
        f.sizeLow = size;
        f.description = const_cast<char*>(description);
        ListNode* node = files.Add(&f, 0);
        LinkItemsToCategories(&categories, &files, nullptr, nullptr);
        return node;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        for (size_t row = 0; row < index.Count(); ++row) {
            const ListNode* node = index.NodeAt(row);
            names.push_back(node ? TFileListObject::Item(node)->fileName : "<gone>");
        }
        return names;
    }

    TCategoryListObject categories;
    TFileListObject files;
    TItemRowIndex index;
    int32_t other = -1;
};

using RowNames = std::vector<std::string>;

TEST_F(RowIndexTest, FillTakesTheShownRecordsOfTheCategoryThatMatch) {
    AddFile("alpha.zip", 1, 10, "First archive");
    AddFile("beta.exe", 1, 20, "Setup program");
    AddFile("elsewhere.zip", other);
    AddFile("Gamma.ZIP", 1, 30, "Another");
    AddFile("orphan.zip", 77);  // no such category: not shown
    struct Case {
        int32_t category;
        const char* filter;
        RowNames rows;
    } cases[] = {
        {1, nullptr, {"alpha.zip", "beta.exe", "Gamma.ZIP"}},
        {1, "", {"alpha.zip", "beta.exe", "Gamma.ZIP"}},
        {1, "zip", {"alpha.zip", "Gamma.ZIP"}},   // letter case does not count
        {1, "PROGRAM", {"beta.exe"}},             // descriptions count too
        {1, "nothing", {}},
        {other, "", {"elsewhere.zip"}},
        {77, "", {}},
    };
    for (const Case& c : cases) {
        index.Fill(c.category, c.filter);
        EXPECT_EQ(Shown(), c.rows) << c.category << " " << (c.filter ? c.filter : "null");
        EXPECT_EQ(index.CategoryId(), c.category);
    }
}

// Typing and deleting in the search field: each step gives what a fresh fill with that text gives
// (rows and the sum of their sizes), also when records go away or move to another category between
// the keystrokes, while shown or while filtered out.
TEST_F(RowIndexTest, FilterStepsAgreeWithAFreshFill) {
    const char* names[] = {"setup.exe", "setup2.exe", "readme.txt", "archive.zip", "SETUP.ZIP", "tools.zip", "setup3.zip"};
    std::vector<ListNode*> nodes;
    uint32_t size = 1;
    for (const char* name : names) nodes.push_back(AddFile(name, 1, size *= 3));
    AddFile("setup-other.exe", other, 1000);
    index.Fill(1, "");
    EXPECT_EQ(index.RowBytes(), 3u + 9 + 27 + 81 + 243 + 729 + 2187);
    TItemRowIndex fresh;
    fresh.Attach(TV_KIND_DOWNLOADS, &files);
    auto move = [&](ListNode* node) {
        TFileListObject::Item(node)->categoryId = other;
        LinkItemsToCategories(&categories, &files, nullptr, nullptr);
    };
    const char* steps[] = {"s", "se", "set", "setu", "setup", "setup.", "setup.z", "setup.", "", "zip", "ip", "x", "", "set", "setu"};
    int step = 0;
    for (const char* text : steps) {
        if (step == 5) files.DeleteNode(nodes[1]);   // setup2.exe goes while it is shown
        if (step == 9) files.DeleteNode(nodes[3]);   // archive.zip goes while it is filtered out
        if (step == 4) move(nodes[0]);               // setup.exe leaves while the filter narrows
        if (step == 10) move(nodes[5]);              // tools.zip leaves while shown, the filter widens
        if (step == 14) move(nodes[6]);              // setup3.zip leaves, the filter narrows again
        index.SetFilter(text);
        fresh.Fill(1, text);
        EXPECT_EQ(index.Rows(), fresh.Rows()) << "after \"" << text << "\"";
        EXPECT_EQ(index.RowBytes(), fresh.RowBytes()) << "after \"" << text << "\"";
        EXPECT_EQ(index.Filter(), text);
        ++step;
    }
    EXPECT_EQ(index.Rows(), std::vector<ListNode*>({nodes[4]}));
    EXPECT_EQ(index.RowBytes(), 243u);
}

// The sum of the rows' sizes follows every change of the rows and of their records.
TEST_F(RowIndexTest, RowBytesFollowTheRows) {
    ListNode* a = AddFile("a", 1, 10);
    ListNode* b = AddFile("b", 1, 20);
    AddFile("c", other, 40);
    index.Fill(1, "");
    EXPECT_EQ(index.RowBytes(), 30u);
    ListNode* d = AddFile("d", 1, 100);
    index.Insert(d);
    EXPECT_EQ(index.RowBytes(), 130u);
    TFileListObject::Item(b)->sizeLow = 25;  // a record that changed
    index.Reposition(b);
    EXPECT_EQ(index.RowBytes(), 135u);
    TFileListObject::Item(a)->sizeLow = 11;  // changed in place
    index.RecordsChanged();
    EXPECT_EQ(index.RowBytes(), 136u);
    index.Remove(d);
    EXPECT_EQ(index.RowBytes(), 36u);
    files.DeleteNode(a);  // a record that went without its row counts no more
    EXPECT_EQ(index.RowBytes(), 25u);
}

TEST_F(RowIndexTest, SortingIsStableAndToggles) {
    AddFile("b", 1, 20);
    AddFile("a", 1, 10);
    AddFile("C", 1, 20);
    AddFile("d", 1, 10);
    index.Fill(1, "");
    struct Step {
        int field;
        RowNames rows;
    } steps[] = {
        {TV_DOWNLOAD_SIZE, {"a", "d", "b", "C"}},           // equal sizes keep their order
        {TV_DOWNLOAD_SIZE, {"b", "C", "a", "d"}},           // the same column again: descending, still stable
        {TV_DOWNLOAD_FILENAME, {"C", "a", "b", "d"}},       // a new column starts ascending (byte order)
        {TV_DOWNLOAD_FILENAME, {"d", "b", "a", "C"}},
    };
    for (const Step& s : steps) {
        index.ToggleSort(s.field);
        EXPECT_EQ(Shown(), s.rows) << s.field;
    }
    // The sort stays through a filter and a new fill.
    index.SetFilter("a");
    EXPECT_EQ(Shown(), RowNames({"a"}));
    index.Fill(1, "");
    EXPECT_EQ(Shown(), RowNames({"d", "b", "a", "C"}));
    EXPECT_EQ(index.SortField(), TV_DOWNLOAD_FILENAME);
    EXPECT_TRUE(index.SortDescending());
}

TEST_F(RowIndexTest, SortUsesTheGivenTextComparison) {
    auto caseless = [](const char* a, const char* b, void*) {
        for (;; ++a, ++b) {
            const char x = LowerChar(*a), y = LowerChar(*b);
            if (x != y || !x) return x < y ? -1 : (x > y ? 1 : 0);
        }
    };
    index.Attach(TV_KIND_DOWNLOADS, &files, caseless, nullptr);
    AddFile("b", 1);
    AddFile("C", 1);
    AddFile("a", 1);
    index.Fill(1, "");
    index.ToggleSort(TV_DOWNLOAD_FILENAME);
    EXPECT_EQ(Shown(), RowNames({"a", "b", "C"}));
}

// Sorting by keys gives the order of the comparison the keys stand for, equal texts keeping their
// order; new rows are then placed by the comparison itself.
TEST_F(RowIndexTest, SortKeysGiveTheOrderOfTheirComparison) {
    auto caseless = [](const char* a, const char* b, void*) {
        for (;; ++a, ++b) {
            const char x = LowerChar(*a), y = LowerChar(*b);
            if (x != y || !x) return x < y ? -1 : (x > y ? 1 : 0);
        }
    };
    auto lowered = [](const char* text, std::string* key, void*) {
        key->clear();
        for (; *text; ++text) key->push_back(LowerChar(*text));
    };
    for (const char* name : {"beta", "Alpha", "ALPHA", "gamma", "alpha", "Beta", "", "delta"}) AddFile(name, 1, 0, name);
    TItemRowIndex compared;
    compared.Attach(TV_KIND_DOWNLOADS, &files, caseless, nullptr);
    index.Attach(TV_KIND_DOWNLOADS, &files, caseless, nullptr, lowered);
    for (TItemRowIndex* i : {&compared, &index}) i->Fill(1, "");
    for (int field : {TV_DOWNLOAD_FILENAME, TV_DOWNLOAD_FILENAME, TV_DOWNLOAD_DESCRIPTION, TV_DOWNLOAD_SIZE}) {
        compared.ToggleSort(field);
        index.ToggleSort(field);
        EXPECT_EQ(index.Rows(), compared.Rows()) << field << (index.SortDescending() ? " descending" : "");
    }
    index.ToggleSort(TV_DOWNLOAD_FILENAME);
    EXPECT_EQ(Shown(), RowNames({"", "Alpha", "ALPHA", "alpha", "beta", "Beta", "delta", "gamma"}));
    EXPECT_EQ(index.Insert(AddFile("BETA", 1)), 6);
}

TEST_F(RowIndexTest, InsertRepositionAndRemoveKeepTheOrder) {
    ListNode* b = AddFile("b", 1);
    ListNode* d = AddFile("d", 1);
    index.Fill(1, "");
    // Unsorted: a new record goes at the end.
    ListNode* a = AddFile("a", 1);
    EXPECT_EQ(index.Insert(a), 2);
    EXPECT_EQ(index.Insert(a), 2);  // already there
    EXPECT_EQ(Shown(), RowNames({"b", "d", "a"}));
    // Sorted: at its place, also when it does not match the filter.
    index.ToggleSort(TV_DOWNLOAD_FILENAME);
    index.SetFilter("d");
    ListNode* c = AddFile("c", 1);
    EXPECT_EQ(index.Insert(c), 0);
    EXPECT_EQ(Shown(), RowNames({"c", "d"}));
    index.SetFilter("");
    EXPECT_EQ(Shown(), RowNames({"a", "b", "c", "d"}));
    // A renamed record moves to its new place.
    TextAssign(&TFileListObject::Item(b)->fileName, "e");
    EXPECT_EQ(index.Reposition(b), 3);
    EXPECT_EQ(Shown(), RowNames({"a", "c", "d", "e"}));
    EXPECT_EQ(index.RowOf(d), 2);
    // Removing.
    EXPECT_EQ(index.Remove(c), 1);
    EXPECT_EQ(index.Remove(c), -1);
    EXPECT_EQ(Shown(), RowNames({"a", "d", "e"}));
    // A record that went without its row: its row answers null, and it leaves at the next sort.
    files.DeleteNode(d);
    EXPECT_EQ(index.NodeAt(1), nullptr);
    index.ToggleSort(TV_DOWNLOAD_FILENAME);
    EXPECT_EQ(Shown(), RowNames({"e", "a"}));
    EXPECT_EQ(index.NodeAt(5), nullptr);
    EXPECT_EQ(index.RowOf(nullptr), -1);
    // A record of another list is no row.
    TFileListObject foreign;
    FileItem f = Download("z", 1);
    EXPECT_EQ(index.Insert(foreign.Add(&f, 0)), -1);
}

TEST(RowIndex, BookmarksAndShortcuts) {
    TCategoryListObject categories;
    categories.EnsureDefaultCategories(1);
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    BookmarkItem b1 = Bookmark("http://b/", "Zeta", 1, "news"), b2 = Bookmark("http://a/", "Alpha", 1),
                 b3 = Bookmark("http://c/", "Mid", 0);
    bookmarks.Add(&b1, 0);
    bookmarks.Add(&b2, 0);
    bookmarks.Add(&b3, 0);
    ShortcutItem s1 = Shortcut("y.lnk", 1), s2 = Shortcut("x.lnk", 1);
    shortcuts.Add(&s1, 0);
    shortcuts.Add(&s2, 0);
    LinkItemsToCategories(&categories, nullptr, &bookmarks, &shortcuts);

    TItemRowIndex index;
    index.Attach(TV_KIND_BOOKMARKS, &bookmarks);
    index.Fill(1, "");
    index.ToggleSort(TV_BOOKMARK_URL);
    ASSERT_EQ(index.Count(), 2u);
    EXPECT_STREQ(TBookmarkListObject::Item(index.NodeAt(0))->title, "Alpha");
    index.SetFilter("NEWS");
    ASSERT_EQ(index.Count(), 1u);
    EXPECT_STREQ(TBookmarkListObject::Item(index.NodeAt(0))->title, "Zeta");
    EXPECT_EQ(index.RowBytes(), 0u);  // sizes are the downloads' only

    index.Attach(TV_KIND_SHORTCUTS, &shortcuts);
    EXPECT_EQ(index.Count(), 0u);
    index.Fill(1, nullptr);
    index.ToggleSort(TV_SHORTCUT_NAME);
    ASSERT_EQ(index.Count(), 2u);
    EXPECT_STREQ(TShortcutListObject::Item(index.NodeAt(0))->title, "x.lnk");
}

// The search over the fields of every kind answers as the lists' own ItemMatches does.
TEST(RowIndex, FilterAgreesWithItemMatches) {
    TCategoryListObject categories;
    categories.EnsureDefaultCategories(1);
    TFileListObject files;
    TBookmarkListObject bookmarks;
    std::mt19937 random(7);
    const char alphabet[] = "aAbB.- 1";
    auto text = [&] {
        std::string t;
        for (unsigned n = random() % 7; n > 0; --n) t.push_back(alphabet[random() % 8]);
        return t;
    };
    for (int i = 0; i < 400; ++i) {
        std::string name = text(), description = text(), website = text(), extracted = text(), title = text();
        FileItem f = Download(name.c_str(), 1);
        f.description = &description[0];
        f.website = &website[0];
        f.extractedTo = &extracted[0];
        files.Add(&f, 0);
        BookmarkItem b = Bookmark(website.c_str(), title.c_str(), 1, description.c_str());
        bookmarks.Add(&b, 0);
    }
    LinkItemsToCategories(&categories, &files, &bookmarks, nullptr);
    TItemRowIndex downloadRows, bookmarkRows;
    downloadRows.Attach(TV_KIND_DOWNLOADS, &files);
    bookmarkRows.Attach(TV_KIND_BOOKMARKS, &bookmarks);
    for (int i = 0; i < 200; ++i) {
        std::string filter = text();
        if (filter.empty()) filter = "a";
        downloadRows.Fill(1, filter.c_str());
        bookmarkRows.Fill(1, filter.c_str());
        std::vector<ListNode*> wantedFiles, wantedBookmarks;
        for (ListNode* n = files.First(); n; n = n->next)
            if (files.ItemMatches(TFileListObject::Item(n), filter.c_str(), 0, 0)) wantedFiles.push_back(n);
        for (ListNode* n = bookmarks.First(); n; n = n->next)
            if (bookmarks.ItemMatches(TBookmarkListObject::Item(n), filter.c_str(), 0, 0)) wantedBookmarks.push_back(n);
        ASSERT_EQ(downloadRows.Rows(), wantedFiles) << "\"" << filter << "\"";
        ASSERT_EQ(bookmarkRows.Rows(), wantedBookmarks) << "\"" << filter << "\"";
    }
}

// A big category against a plain reference: filter with FindText, then a stable sort.
TEST_F(RowIndexTest, BigCategoryAgreesWithAPlainReference) {
    std::mt19937 random(42);
    const char* words[] = {"setup", "readme", "tool", "game", "patch", "demo"};
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i)
        names.push_back(std::string(words[random() % 6]) + std::to_string(random() % 5000) + ".zip");
    for (size_t i = 0; i < names.size(); ++i) {
        FileItem f = Download(names[i].c_str(), i % 10 == 0 ? other : 1);
        f.sizeLow = random() % 1000;
        files.Add(&f, 0);
    }
    LinkItemsToCategories(&categories, &files, nullptr, nullptr);
    auto reference = [&](const char* filter, int field, bool descending) {
        std::vector<ListNode*> nodes;
        for (ListNode* n = files.First(); n; n = n->next)
            if (TFileListObject::Item(n)->categoryId == 1 && (!filter[0] || FindText(TFileListObject::Item(n)->fileName, filter, 0, 0) >= 0))
                nodes.push_back(n);
        if (field >= 0)
            std::stable_sort(nodes.begin(), nodes.end(), [&](const ListNode* a, const ListNode* b) {
                const int r = CompareDownloadRecords(TFileListObject::Item(a), TFileListObject::Item(b), field);
                return descending ? r > 0 : r < 0;
            });
        return nodes;
    };
    index.Fill(1, "");
    EXPECT_EQ(index.Rows(), reference("", -1, false));
    index.ToggleSort(TV_DOWNLOAD_SIZE);
    index.ToggleSort(TV_DOWNLOAD_SIZE);
    EXPECT_EQ(index.Rows(), reference("", TV_DOWNLOAD_SIZE, true));
    for (const char* filter : {"g", "ga", "gam", "game1", "game12", "game1", "", "ZIP", "zipx"}) {
        index.SetFilter(filter);
        // The reference sorts the filtered list order; the index keeps the sorted category order,
        // which is the same because the sort is stable.
        EXPECT_EQ(index.Rows(), reference(filter, TV_DOWNLOAD_SIZE, true)) << filter;
    }
}

}  // namespace
