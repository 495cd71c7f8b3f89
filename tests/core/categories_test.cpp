#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/items.h"
#include "core_fixtures.h"
#include "util/strings.h"

namespace {

using Strings = std::vector<std::string>;

struct Cat {
    int kind;
    int32_t id;
    int32_t parent;
    const char* name;
};

void AddAll(TCategoryListObject* list, const std::vector<Cat>& cats) {
    for (const auto& c : cats) {
        CategoryItem item = Category(c.kind, c.id, c.parent, c.name);
        list->Add(&item, 0);
    }
}

// Downloads root; Internet(1) > Tools(2) > Deep(3); Standard(4); Bookmarks root with News(1).
void Sample(TCategoryListObject* list) {
    AddAll(list, {{1, 0, 0, "Downloads"},
                  {1, 1, 0, "Internet"},
                  {1, 2, 1, "Tools"},
                  {1, 3, 2, "Deep"},
                  {1, 4, 0, "Standard"},
                  {2, 0, 0, "Bookmarks"},
                  {2, 1, 0, "News"},
                  {3, 0, 0, "Shortcuts"}});
}

ListNode* Node(const TCategoryListObject& list, int kind, int32_t id) { return list.FindCategoryById(id, kind); }

TEST(Categories, DefaultsOnAnEmptyListWithSamples) {
    TCategoryListObject list;
    list.EnsureDefaultCategories(1);
    EXPECT_EQ(Describe(list), (Strings{"1:0:0:Downloads", "2:0:0:Bookmarks", "3:0:0:Shortcuts", "1:1:0:Standard",
                                       "2:1:0:Standard", "3:1:0:Standard"}));
    for (const ListNode* n = list.First(); n; n = n->next) EXPECT_EQ(TCategoryListObject::Item(n)->flags, 1);
    list.EnsureDefaultCategories(0);  // nothing is missing any more
    EXPECT_EQ(list.Count(0), 6u);
}

TEST(Categories, RepairOfADamagedTree) {
    struct Case {
        const char* name;
        std::vector<Cat> input;
        Strings expected;
    } cases[] = {
        {"missing roots are added in kind order",
         {{2, 0, 0, "Bookmarks"}, {1, 5, 0, "A"}},
         {"2:0:0:Bookmarks", "1:5:0:A", "1:0:0:Downloads", "3:0:0:Shortcuts"}},
        {"kind out of range becomes 1",
         {{1, 0, 0, "D"}, {2, 0, 0, "B"}, {3, 0, 0, "S"}, {7, 3, 0, "Odd"}, {0, 4, 3, "Zero"}},
         {"1:0:0:D", "2:0:0:B", "3:0:0:S", "1:3:0:Odd", "1:4:3:Zero"}},
        {"missing parent moves under the root",
         {{1, 0, 0, "D"}, {2, 0, 0, "B"}, {3, 0, 0, "S"}, {1, 2, 9, "Orphan"}, {2, 1, 2, "Wrong kind parent"}},
         {"1:0:0:D", "2:0:0:B", "3:0:0:S", "1:2:0:Orphan", "2:1:0:Wrong kind parent"}},
        {"parent check sees kinds as repaired so far",
         {{1, 0, 0, "D"}, {2, 0, 0, "B"}, {3, 0, 0, "S"}, {1, 5, 6, "Early"}, {9, 6, 0, "Late"}, {1, 7, 6, "After"}},
         {"1:0:0:D", "2:0:0:B", "3:0:0:S", "1:5:0:Early", "1:6:0:Late", "1:7:6:After"}},
        {"a repaired kind that collides with an existing category is dropped",
         {{1, 0, 0, "D"}, {2, 0, 0, "B"}, {3, 0, 0, "S"}, {1, 4, 0, "Four"}, {5, 0, 0, "Second root"},
          {6, 4, 0, "Second four"}, {6, 9, 4, "Child"}},
         {"1:0:0:D", "2:0:0:B", "3:0:0:S", "1:4:0:Four", "1:9:4:Child"}},
        {"a parent loop is cut",
         {{1, 0, 0, "D"}, {2, 0, 0, "B"}, {3, 0, 0, "S"}, {1, 5, 6, "X"}, {1, 6, 5, "Y"}, {1, 8, 8, "Self"}},
         {"1:0:0:D", "2:0:0:B", "3:0:0:S", "1:5:6:X", "1:6:0:Y", "1:8:0:Self"}},
    };
    for (const auto& c : cases) {
        TCategoryListObject list;
        AddAll(&list, c.input);
        list.EnsureDefaultCategories(0);
        EXPECT_EQ(Describe(list), c.expected) << c.name;
    }
}

TEST(Categories, FindByIdFromAStartNodeAndByParent) {
    TCategoryListObject list, other;
    Sample(&list);
    Sample(&other);
    EXPECT_STREQ(TCategoryListObject::Item(list.FindCategoryById(2, 1))->name, "Tools");
    EXPECT_STREQ(TCategoryListObject::Item(list.FindCategoryById(1, 2))->name, "News");
    EXPECT_EQ(list.FindCategoryById(9, 1), nullptr);
    // Children of the root (by parent), walking on with the start node.
    Strings children;
    for (ListNode* n = list.FindCategoryById(0, 1, nullptr, 1); n;
         n = n->next ? list.FindCategoryById(0, 1, n->next, 1) : nullptr)
        children.push_back(TCategoryListObject::Item(n)->name);
    EXPECT_EQ(children, (Strings{"Downloads", "Internet", "Standard"}));
    // A start node of another list is ignored: the search starts at the head.
    EXPECT_EQ(list.FindCategoryById(1, 1, other.First()->next->next), Node(list, 1, 1));
}

TEST(Categories, FindByName) {
    TCategoryListObject list;
    Sample(&list);
    struct Case {
        const char* name;
        int kind;
        int32_t parent;
        const char* found;  // null = none
    } cases[] = {
        {"tools", 1, 1, "Tools"},      {"  TOOLS ", 1, 1, "Tools"},   {"Tools", 1, 0, nullptr},
        {"Tools", 1, -1, "Tools"},     {"Tools", 2, -1, nullptr},     {"Downloads", 1, 0, nullptr},
        {"Downloads", 1, -1, "Downloads"}, {"", 1, -1, nullptr},     {nullptr, 1, -1, nullptr},
        {"News", 2, 0, "News"},
    };
    for (const auto& c : cases) {
        ListNode* n = list.FindCategoryByName(c.name, c.kind, c.parent);
        SCOPED_TRACE(c.name ? c.name : "(null)");
        if (c.found) {
            ASSERT_NE(n, nullptr);
            EXPECT_STREQ(TCategoryListObject::Item(n)->name, c.found);
        } else {
            EXPECT_EQ(n, nullptr);
        }
    }
}

TEST(Categories, NextIdAddAndSubcategories) {
    TCategoryListObject list;
    EXPECT_EQ(list.NextCategoryId(1), 1);
    Sample(&list);
    EXPECT_EQ(list.NextCategoryId(1), 5);
    EXPECT_EQ(list.NextCategoryId(2), 2);
    EXPECT_EQ(list.NextCategoryId(3), 1);

    int created = -1;
    ListNode* added = list.AddCategory("  New One ", 1, 2, &created);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(created, 1);
    EXPECT_STREQ(TCategoryListObject::Item(added)->name, "New One");
    EXPECT_EQ(TCategoryListObject::Item(added)->id, 5);
    EXPECT_EQ(TCategoryListObject::Item(added)->parentId, 2);
    EXPECT_EQ(TCategoryListObject::Item(added)->flags, 1);
    EXPECT_EQ(list.AddCategory("new one", 1, 2, &created), added);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(list.AddCategory("bad/name", 1, 0, &created), nullptr);
    EXPECT_EQ(created, 0);
    ListNode* top = list.AddCategory("Top", 3, -4, &created);
    EXPECT_EQ(TCategoryListObject::Item(top)->parentId, 0);

    struct Case {
        int32_t candidate, ancestor;
        int kind, expected;
    } cases[] = {{3, 1, 1, 1}, {3, 3, 1, 1}, {1, 3, 1, 0}, {4, 1, 1, 0}, {3, 0, 1, 1}, {1, 1, 2, 1}, {3, 1, 2, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(list.IsSubcategory(c.candidate, c.ancestor, c.kind), c.expected) << c.candidate << " " << c.ancestor;

    // The largest possible id taken: the next one is a free id, never a negative one.
    CategoryItem high = Category(3, INT32_MAX, 0, "High");
    list.Add(&high, 0);
    EXPECT_EQ(list.NextCategoryId(3), 2);
}

TEST(Categories, UniqueNewCategoryNames) {
    TCategoryListObject list;
    Sample(&list);
    char name[TV_PATH_SIZE];
    list.MakeUniqueCategoryName(name, sizeof name, 1, 1);
    EXPECT_STREQ(name, "New Category");
    AddAll(&list, {{1, 10, 1, "New Category"}, {1, 11, 1, "new category (2)"}});
    list.MakeUniqueCategoryName(name, sizeof name, 1, 1);
    EXPECT_STREQ(name, "New Category (3)");
    list.MakeUniqueCategoryName(name, sizeof name, 1, 0);  // another parent
    EXPECT_STREQ(name, "New Category");

    TCategoryListObject full;
    AddAll(&full, {{1, 0, 0, "Downloads"}, {1, 1, 0, "New Category"}});
    for (int n = 2; n <= 999; ++n) {
        std::string taken = "New Category (" + std::to_string(n) + ")";
        CategoryItem c = Category(1, n, 0, taken.c_str());
        full.Add(&c, 0);
    }
    full.MakeUniqueCategoryName(name, sizeof name, 1, 0);
    EXPECT_STREQ(name, "New Category (999)");
}

TEST(Categories, PathsAndFolders) {
    TCategoryListObject list;
    Sample(&list);
    AddAll(&list, {{3, 1, 0, "Tools"}, {1, 6, 0, ".."}, {1, 7, 6, "inner"}});
    char path[TV_PATH_SIZE] = "";
    list.CategoryPath(path, sizeof path, Node(list, 1, 2));
    EXPECT_STREQ(path, "Internet\\Tools\\");
    char file[TV_PATH_SIZE] = "a.zip";
    list.CategoryPath(file, sizeof file, Node(list, 1, 2));
    EXPECT_STREQ(file, "Internet\\Tools\\a.zip");

    const StorageLocations where{"\"C:\\Store\\Down\"", "C:\\Store\\Links\\"};
    struct Case {
        int kind;
        int32_t id;
        const char* override_;
        int code;
        const char* folder;
    } cases[] = {
        {1, 0, nullptr, TV_FOLDER_OK, "C:\\Store\\Down\\"},
        {1, 3, nullptr, TV_FOLDER_OK, "C:\\Store\\Down\\Internet\\Tools\\Deep\\"},
        {1, 3, "D:\\Other", TV_FOLDER_OK, "D:\\Other\\Internet\\Tools\\Deep\\"},
        {1, 3, "", TV_FOLDER_OK, "C:\\Store\\Down\\Internet\\Tools\\Deep\\"},
        {3, 1, nullptr, TV_FOLDER_OK, "C:\\Store\\Links\\Tools\\"},
        {2, 1, nullptr, TV_FOLDER_NONE, ""},
        {1, 7, nullptr, TV_FOLDER_BAD_NAME, ""},  // a stored ".." never leads out of the storage folder
    };
    for (const auto& c : cases) {
        char out[TV_PATH_SIZE] = "junk";
        EXPECT_EQ(list.CategoryFolder(out, sizeof out, Node(list, c.kind, c.id), where, c.override_), c.code)
            << c.kind << ":" << c.id;
        EXPECT_STREQ(out, c.folder);
    }
    TCategoryListObject other;
    Sample(&other);
    char out[TV_PATH_SIZE] = "junk";
    EXPECT_EQ(list.CategoryFolder(out, sizeof out, Node(other, 1, 2), where), TV_FOLDER_INVALID_NODE);
    EXPECT_STREQ(out, "");
    char small[20];
    EXPECT_EQ(list.CategoryFolder(small, sizeof small, Node(list, 1, 3), where), TV_FOLDER_TOO_LONG);
    EXPECT_STREQ(small, "");
}

TEST(Categories, ChecksGiveCodesAndMessages) {
    TCategoryListObject list;
    Sample(&list);
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    ListNode* internet = Node(list, 1, 1);
    ListNode* tools = Node(list, 1, 2);
    ListNode* deep = Node(list, 1, 3);
    ListNode* standard = Node(list, 1, 4);
    ListNode* root = Node(list, 1, 0);
    TCategoryListObject other;
    Sample(&other);

    struct Case {
        const char* name;
        CategoryCheckResult got;
        int code;
        uint32_t message;
        TvCaption caption;
    } cases[] = {
        {"new: Standard again", list.CheckNewCategoryName(1, 0, "Standard"), 3, 3406, TV_CAPTION_PROGRAM_TITLE},
        {"new: other case, blanks", list.CheckNewCategoryName(1, 0, "  sTANDARD "), 3, 3406, TV_CAPTION_PROGRAM_TITLE},
        {"new: under another parent", list.CheckNewCategoryName(1, 1, "Standard"), 0, 0, TV_CAPTION_NONE},
        {"new: slash", list.CheckNewCategoryName(1, 0, "a/b"), 4, 3407, TV_CAPTION_PROGRAM_TITLE},
        {"new: blank", list.CheckNewCategoryName(1, 0, "   "), 4, 3407, TV_CAPTION_PROGRAM_TITLE},
        {"new: leading dot", list.CheckNewCategoryName(1, 0, ".hidden"), 4, 3407, TV_CAPTION_PROGRAM_TITLE},
        {"rename: foreign node", list.CheckRenameCategory(other.First()->next, "x"), 1, 0, TV_CAPTION_NONE},
        {"rename: root", list.CheckRenameCategory(root, "x"), 2, 3411, TV_CAPTION_ERROR},
        {"rename: taken", list.CheckRenameCategory(standard, "internet"), 3, 3406, TV_CAPTION_ERROR},
        {"rename: letter case only", list.CheckRenameCategory(standard, "STANDARD"), 0, 0, TV_CAPTION_NONE},
        {"rename: invalid", list.CheckRenameCategory(standard, "a:b"), 4, 3407, TV_CAPTION_ERROR},
        {"move: null", list.CheckMoveCategory(nullptr, 0), 1, 0, TV_CAPTION_NONE},
        {"move: root", list.CheckMoveCategory(root, 1), 2, 3412, TV_CAPTION_ERROR},
        {"move: current parent", list.CheckMoveCategory(tools, 1), 3, 0, TV_CAPTION_NONE},
        {"move: free destination", list.CheckMoveCategory(standard, 3), 0, 0, TV_CAPTION_NONE},
        {"move: under own grandchild", list.CheckMoveCategory(internet, 3), 6, 3414, TV_CAPTION_ERROR},
        {"move: under itself", list.CheckMoveCategory(tools, 2), 6, 3414, TV_CAPTION_ERROR},
        {"delete: list missing", list.CheckDeleteCategory(deep, nullptr, &bookmarks, &shortcuts), 1, 0, TV_CAPTION_NONE},
        {"delete: root", list.CheckDeleteCategory(root, &files, &bookmarks, &shortcuts), 2, 3408, TV_CAPTION_ERROR},
        {"delete: has subcategories", list.CheckDeleteCategory(tools, &files, &bookmarks, &shortcuts), 5, 3409, TV_CAPTION_ERROR},
        {"delete: empty leaf", list.CheckDeleteCategory(deep, &files, &bookmarks, &shortcuts), 0, 0, TV_CAPTION_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got.code, c.code);
        EXPECT_EQ(c.got.messageId, c.message);
        EXPECT_EQ(c.got.caption, c.caption);
    }
    CategoryItem clash = Category(1, 9, 3, "Internet");
    list.Add(&clash, 0);
    CategoryCheckResult moved = list.CheckMoveCategory(internet, 3);
    EXPECT_EQ(moved.code, 3);
    EXPECT_EQ(moved.messageId, 3413u);
    EXPECT_STREQ(TvString(moved.messageId), "This category name already exists in the destination category.");
}

TEST(Categories, DeleteIsRefusedOnlyForShownItems) {
    TCategoryListObject list;
    Sample(&list);
    ListNode* deep = Node(list, 1, 3);
    ListNode* news = Node(list, 2, 1);
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;

    FileItem hidden = Download("hidden.zip", 3);  // category link missing: not shown
    files.Add(&hidden, 0);
    EXPECT_EQ(list.CheckDeleteCategory(deep, &files, &bookmarks, &shortcuts).code, 0);

    FileItem shown = Download("shown.zip", 3);
    shown.category = deep;
    files.Add(&shown, 0);
    CategoryCheckResult r = list.CheckDeleteCategory(deep, &files, &bookmarks, &shortcuts);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.messageId, 3410u);

    // A bookmark in a bookmark category with the same id does not hold the download category.
    BookmarkItem b = Bookmark("u", "t", 1);
    b.category = news;
    bookmarks.Add(&b, 0);
    EXPECT_EQ(list.CheckDeleteCategory(news, &files, &bookmarks, &shortcuts).code, 5);
    EXPECT_EQ(list.CheckDeleteCategory(Node(list, 1, 4), &files, &bookmarks, &shortcuts).code, 0);
}

}  // namespace
