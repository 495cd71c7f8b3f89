// The find command without windows: the request check, the search over downloads and bookmarks
// with its options, the histories, the result list and the texts and order of the result tables.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "find/findlogic.h"
#include "tests/core/core_fixtures.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

class FindTest : public ::testing::Test {
protected:
    void SetUp() override {
        categories_.EnsureDefaultCategories(1);  // roots and a "Standard" under each
        lists_.downloads = &downloads_;
        lists_.bookmarks = &bookmarks_;
        lists_.categories = &categories_;
    }
    ListNode* AddDownload(const char* name, const char* description = "", const char* extractedTo = "",
                          const char* website = "", uint32_t flags = 1, uint32_t size = 0) {
        FileItem f = Download(name, 0);
        f.description = const_cast<char*>(description);
        f.extractedTo = const_cast<char*>(extractedTo);
        f.website = const_cast<char*>(website);
        f.flags = flags;
        f.sizeLow = size;
        ListNode* node = downloads_.Add(&f, 0);
        LinkItemsToCategories(&categories_, &downloads_, &bookmarks_, nullptr);
        return node;
    }
    ListNode* AddBookmark(const char* url, const char* title, const char* description = "") {
        BookmarkItem b = Bookmark(url, title, 0, description);
        ListNode* node = bookmarks_.Add(&b, 0);
        LinkItemsToCategories(&categories_, &downloads_, &bookmarks_, nullptr);
        return node;
    }
    // The first column of every result, in result order.
    std::vector<std::string> Find(const char* text, int area = 1, int caseSensitive = 0, int onlyWords = 0) {
        CopyLimited(settings_.contents, text, sizeof settings_.contents);
        settings_.searchArea = area;
        settings_.caseSensitive = caseSensitive;
        settings_.onlyWords = onlyWords;
        results_.Clear();
        FindItems(settings_, lists_, &results_);
        std::vector<std::string> out;
        for (size_t i = 0; i < results_.Size(); ++i) out.push_back(Cell(i, 0));
        return out;
    }
    std::string Cell(size_t row, int column) {
        char text[TV_PATH_SIZE * 2];
        FormatFindResultCell(*results_.At(row), lists_, column, text, sizeof text);
        return text;
    }

    TCategoryListObject categories_;
    TFileListObject downloads_;
    TBookmarkListObject bookmarks_;
    TFindLists lists_;
    TFindFileSettingsData settings_;
    TFindResultList results_;
};

using Names = std::vector<std::string>;

TEST_F(FindTest, WholeWordsCaseAndFields) {
    AddDownload("food.zip", "cat food");
    AddDownload("a.zip", "a cat");
    AddDownload("catalog.zip", "catalog");
    AddDownload("dot.zip", "the cat.");
    AddDownload("tab.zip", "tab\tcat");
    AddDownload("Upper.zip", "", "", "http://CAT.example/");
    AddDownload("moved.zip", "", "C:\\cat");
    AddDownload("other.zip", "dog");
    // Whole words: a blank (or the field's start) before, no letter or digit after.
    EXPECT_EQ((Names{"food.zip", "a.zip", "dot.zip"}), Find("cat", 1, 1, 1));
    // Parts of words count without the option; the case counts only with its option.
    EXPECT_EQ((Names{"food.zip", "a.zip", "catalog.zip", "dot.zip", "tab.zip", "moved.zip"}), Find("cat", 1, 1, 0));
    EXPECT_EQ((Names{"food.zip", "a.zip", "catalog.zip", "dot.zip", "tab.zip", "Upper.zip", "moved.zip"}),
              Find("cat", 1, 0, 0));
    EXPECT_EQ((Names{"Upper.zip"}), Find("CAT", 1, 1, 0));
    // The file name is searched as well (but the stored name only through the file name).
    EXPECT_EQ((Names{"catalog.zip"}), Find("catalog.zip"));
    EXPECT_TRUE(Find("dog", 2).empty());  // the bookmarks hold nothing
    EXPECT_TRUE(Find("").empty());
}

TEST_F(FindTest, BookmarksAreSearchedInUrlTitleAndDescription) {
    AddDownload("cat.zip");
    AddBookmark("http://pets.example/cat", "Pets");
    AddBookmark("http://other.example/", "Cat pictures");
    AddBookmark("http://third.example/", "Third", "a cat page");
    AddBookmark("http://none.example/", "None", "dogs only");
    EXPECT_EQ((Names{"Pets", "Cat pictures", "Third"}), Find("cat", 2));
    EXPECT_EQ((Names{"Pets", "Third"}), Find("cat", 0, 1));  // any area but 1 means bookmarks
    EXPECT_EQ((Names{"Cat pictures", "Third"}), Find("cat", 2, 0, 1));
    Find("cat", 2);
    EXPECT_EQ("Pets", Cell(0, 0));
    EXPECT_EQ("Bookmarks", Cell(0, 1));
    EXPECT_EQ("http://pets.example/cat", Cell(0, 2));
    EXPECT_EQ("a cat page", Cell(2, 3));
}

TEST_F(FindTest, TheRequestCheckOfThePage) {
    struct {
        const char* contents;
        const char* filter;
        bool fileArea;
        bool archive;
        uint32_t message;
        const char* trimmedContents;
        const char* trimmedFilter;
    } cases[] = {
        {"cat", "", true, false, 0, "cat", ""},
        {"  cat  ", " *.txt ", true, true, 0, "cat", "*.txt"},
        {"", "*.txt", true, true, 0, "", "*.txt"},      // the archive search needs only the filter
        {"cat", "  ", true, true, 3302, "cat", ""},     // ... but that one
        {"   ", "*.txt", true, false, 3302, "", "*.txt"},
        {"cat", "", false, true, 0, "cat", ""},         // bookmarks with the archive option still checked
        {"", "*.txt", false, true, 3302, "", "*.txt"},
        {"", "", false, false, 3302, "", ""},
    };
    for (const auto& c : cases) {
        char contents[TV_PATH_SIZE], filter[TV_PATH_SIZE];
        CopyLimited(contents, c.contents, sizeof contents);
        CopyLimited(filter, c.filter, sizeof filter);
        EXPECT_EQ(c.message, CheckFindRequest(contents, filter, c.fileArea, c.archive)) << c.contents << "|" << c.filter;
        EXPECT_STREQ(c.trimmedContents, contents);
        EXPECT_STREQ(c.trimmedFilter, filter);
    }
    TFindFileSettingsData s;
    s.searchArea = 1;
    s.downloadSearchKind = 1;
    EXPECT_TRUE(IsArchiveSearch(s));
    s.searchArea = 2;
    EXPECT_FALSE(IsArchiveSearch(s));
    s.searchArea = 1;
    s.downloadSearchKind = 0;
    EXPECT_FALSE(IsArchiveSearch(s));
}

TEST_F(FindTest, HistoriesHoldTwentyEntriesWithoutDuplicates) {
    TFindFileSettingsData s;
    for (int i = 1; i <= 21; ++i) {
        CopyLimited(s.contents, ("term" + std::to_string(i)).c_str(), sizeof s.contents);
        CopyLimited(s.filter, ("*." + std::to_string(i)).c_str(), sizeof s.filter);
        s.RememberSearchTexts();
    }
    EXPECT_EQ(20u, s.contentsHistory.Count(1));
    EXPECT_EQ(20u, s.filterHistory.Count(1));
    EXPECT_STREQ("term2", TDynamicStringListObject::Item(s.contentsHistory.First())->text);  // the oldest went
    // A text already there in another letter case is not added again.
    CopyLimited(s.contents, "TERM5", sizeof s.contents);
    s.RememberSearchTexts();
    EXPECT_EQ(20u, s.contentsHistory.Count(1));
    EXPECT_STREQ("term2", TDynamicStringListObject::Item(s.contentsHistory.First())->text);
    const std::vector<std::string> texts = Texts(s.contentsHistory);
    EXPECT_EQ(1, std::count(texts.begin(), texts.end(), "term5"));
    EXPECT_EQ(0, std::count(texts.begin(), texts.end(), "TERM5"));
}

TEST_F(FindTest, ResultsOfDeletedItemsAreGoneWithoutBeingRead) {
    ListNode* a = AddDownload("a.zip", "cat");
    AddDownload("b.zip", "cat");
    AddBookmark("http://cat/", "Cat");
    ASSERT_EQ((Names{"a.zip", "b.zip"}), Find("cat"));
    downloads_.DeleteNode(a);
    EXPECT_EQ(nullptr, FoundDownload(*results_.At(0), lists_));
    EXPECT_EQ("", Cell(0, 0));
    EXPECT_EQ("b.zip", Cell(1, 0));
    // The kind must fit the list.
    TFindResult wrong{TV_FIND_BOOKMARK, results_.At(1)->node};
    EXPECT_EQ(nullptr, FoundBookmark(wrong, lists_));
    // Addresses of the list's results are known; others (and misaligned ones) are not.
    EXPECT_EQ(0, results_.IndexOf(results_.At(0)));
    EXPECT_EQ(1, results_.IndexOf(results_.At(1)));
    EXPECT_EQ(-1, results_.IndexOf(reinterpret_cast<const char*>(results_.At(1)) + 1));
    EXPECT_EQ(-1, results_.IndexOf(results_.At(1) + 1));
    EXPECT_EQ(-1, results_.IndexOf(&wrong));
    EXPECT_EQ(-1, results_.IndexOf(nullptr));
}

TEST_F(FindTest, TableCellsAndOrder) {
    ListNode* a = AddDownload("b-second.zip", "x", "C:\\out", "http://site/", 1, 3 * 1024);
    AddDownload("a-first.zip", "x", "", "", 0, 5 * 1024);  // the stored file is missing
    AddDownload("c-third.zip", "x", "", "", 1, 1024);
    TFileListObject::Item(a)->downloadDate.Set(300);
    ASSERT_EQ(3u, Find("x").size());
    EXPECT_EQ("Downloads", Cell(0, 1));
    EXPECT_EQ("3 k", Cell(0, 3));
    EXPECT_EQ("n/a", Cell(1, 3));
    EXPECT_EQ("http://site/", Cell(0, 5));
    EXPECT_EQ("C:\\out", Cell(0, 7));
    EXPECT_EQ("", Cell(0, 4));  // dates: written by the Windows layer
    EXPECT_EQ(300u, FindResultDate(*results_.At(0), lists_, 4).Value());
    EXPECT_TRUE(FindResultColumnIsDate(TV_FIND_DOWNLOAD, 6));
    EXPECT_FALSE(FindResultColumnIsDate(TV_FIND_BOOKMARK, 3));
    EXPECT_TRUE(FindResultColumnRight(TV_FIND_DOWNLOAD, 3));
    EXPECT_EQ(150, FindResultColumnWidth(TV_FIND_DOWNLOAD, 7));
    EXPECT_EQ(250, FindResultColumnWidth(TV_FIND_BOOKMARK, 2));
    EXPECT_EQ(0, FindResultColumnWidth(TV_FIND_BOOKMARK, 4));

    const auto sorted = [&](int column, bool descending) {
        std::vector<uint32_t> rows = {0, 1, 2};
        SortFindResults(&rows, results_, lists_, TV_FIND_DOWNLOAD, column, descending, nullptr, nullptr);
        return rows;
    };
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 2}), sorted(0, false));
    EXPECT_EQ((std::vector<uint32_t>{2, 0, 1}), sorted(0, true));
    // Sizes by their bytes, "n/a" first; equal keys keep their order.
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 0}), sorted(3, false));
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 1}), sorted(3, true));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 0}), sorted(4, false));  // only row 0 has a date
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2}), sorted(2, false));
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2}), sorted(2, true));
    std::vector<uint32_t> foreign = {5, 0};
    SortFindResults(&foreign, results_, lists_, TV_FIND_DOWNLOAD, 0, false, nullptr, nullptr);
    EXPECT_EQ((std::vector<uint32_t>{0}), foreign);
}

TEST_F(FindTest, StatusTextsAndNeighbours) {
    TFindFileSettingsData s;
    CopyLimited(s.contents, "cat food", sizeof s.contents);
    s.caseSensitive = 1;
    char text[300];
    FormatFindStatus(0, s, text, sizeof text);
    EXPECT_STREQ("Searchterm: cat food", text);
    FormatFindStatus(1, s, text, sizeof text);
    EXPECT_STREQ("Case-sensitivity: yes", text);
    FormatFindStatus(2, s, text, sizeof text);
    EXPECT_STREQ("Only words: no", text);

    struct {
        int selected, rows, step, expected;
    } cases[] = {{0, 3, 1, 1}, {2, 3, 1, -1}, {0, 3, -1, -1}, {2, 3, -1, 1}, {-1, 3, 1, -1}, {0, 0, 1, -1}, {5, 3, -1, -1}};
    for (const auto& c : cases) EXPECT_EQ(c.expected, NeighbourRow(c.selected, c.rows, c.step)) << c.selected << c.step;
}

}  // namespace
