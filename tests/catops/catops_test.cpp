// Category tree and item operations under Wine: real folders and files in a throwaway folder, a
// real tree view, a recording stand-in for the main window's list views, scripted message boxes
// and one real dialog driven from a second thread.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/tvdriver.h"
#include "catops/win_category_tree.h"
#include "catops/win_item_ops.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_classes.h"
#include "util/win_ui.h"

namespace {

// Throwaway folders go with the driver's remover (refuses roots, never enters linked folders).
using tvd::RemoveTree;

bool FileThere(const std::string& p) {
    const DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
bool FolderThere(const std::string& p) {
    const DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
void WriteText(const std::string& p, const std::string& content) {
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << p;
    DWORD written = 0;
    ::WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(h);
}

// --- Scripted message boxes: every box is recorded; answers come from a queue (default IDYES
// for Yes/No boxes, IDOK otherwise).
struct ShownMessage {
    std::string text, caption;
    UINT type;
};
std::vector<ShownMessage> g_messages;
std::deque<int> g_answers;
int ScriptedBox(HWND, const char* text, const char* caption, UINT type, void*) {
    g_messages.push_back({text ? text : "", caption ? caption : "", type});
    if (!g_answers.empty()) {
        const int a = g_answers.front();
        g_answers.pop_front();
        return a;
    }
    return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
}

// --- The main window's list views as rows of nodes.
class RecordingViews : public TItemViews {
public:
    struct Update {
        int kind;
        ListNode* node;
        int flags;
    };
    std::vector<ListNode*> rows[4];
    std::vector<ListNode*> selected[4];
    std::vector<Update> updates;
    int shownKind = 0;
    int contentsShown = 0;
    int selectedRow = -1;

    void UpdateDownloadView(ListNode* node, int flags) override { Record(1, node, flags); }
    void UpdateBookmarkView(ListNode* node, int flags) override { Record(2, node, flags); }
    void UpdateShortcutView(ListNode* node, int flags) override { Record(3, node, flags); }
    void RemoveRow(int kind, ListNode* node) override {
        auto& r = rows[kind];
        r.erase(std::remove(r.begin(), r.end(), node), r.end());
    }
    int RowCount(int kind) override { return int(rows[kind].size()); }
    int RowOf(int kind, const ListNode* node) override {
        auto it = std::find(rows[kind].begin(), rows[kind].end(), node);
        return it == rows[kind].end() ? -1 : int(it - rows[kind].begin());
    }
    void SelectRow(int, int row) override { selectedRow = row; }
    std::vector<ListNode*> SelectedItems(int kind) override { return selected[kind]; }
    ListNode* focused[4] = {};  // a focused row of its own; else the first selected one has the focus
    ListNode* FocusedItem(int kind) override {
        if (focused[kind]) return focused[kind];
        return selected[kind].empty() ? nullptr : selected[kind].front();
    }
    int ShownKind() override { return shownKind; }
    void ShowCategoryContents() override { ++contentsShown; }
    void FocusList(int) override {}

private:
    void Record(int kind, ListNode* node, int flags) {
        updates.push_back({kind, node, flags});
        if (flags & TV_VIEW_NEW) rows[kind].push_back(node);
    }
};

class CatOps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
    }
    static void TearDownTestSuite() { UnregisterProgramWindowClasses(GetModuleHandleA(nullptr)); }

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tvcatops" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(root_);
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
        downloads_ = root_ + "\\download\\";
        shortcuts_ = root_ + "\\shortcuts\\";
        CopyLimited(data_.standards.downloadsLocation, downloads_.c_str(), TV_PATH_SIZE);
        CopyLimited(data_.standards.shortcutsLocation, shortcuts_.c_str(), TV_PATH_SIZE);
        data_.categories.EnsureDefaultCategories(0);
        ops_.EnsureStorageFolders(3);
        g_messages.clear();
        g_answers.clear();
        SetMessageBoxResponder(ScriptedBox, nullptr);
        parent_ = CreateWindowExA(0, "STATIC", "catops", WS_OVERLAPPEDWINDOW, 0, 0, 300, 400, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(parent_);
        ASSERT_TRUE(tree_.Create(parent_, &data_.categories, 0));
        MoveWindow(tree_.Window(), 0, 0, 280, 380, FALSE);
    }
    void TearDown() override {
        SetMessageBoxResponder(nullptr, nullptr);
        tree_.Destroy();
        DestroyWindow(parent_);
        RemoveTree(root_);
    }

    ListNode* AddCategory(const char* name, int kind, int32_t parent) {
        int created = 0;
        ListNode* node = data_.categories.AddCategory(name, kind, parent, &created);
        EXPECT_TRUE(node && created) << name;
        return node;
    }
    static int32_t Id(const ListNode* node) { return TCategoryListObject::Item(node)->id; }
    static const char* Name(const ListNode* node) { return TCategoryListObject::Item(node)->name; }
    std::string Folder(const ListNode* node) {
        char out[TV_PATH_SIZE];
        EXPECT_EQ(data_.categories.CategoryFolder(out, sizeof out, node, ops_.Locations()), TV_FOLDER_OK);
        return out;
    }
    // A download record in the category whose stored file holds content.
    ListNode* AddDownload(ListNode* category, const char* name, const std::string& content = "data") {
        TFileListObject& files = data_.downloads;
        FileItem r;
        files.InitItem(&r);
        TextAssign(&r.fileName, name);
        TextAssign(&r.storedName, name);
        r.categoryId = Id(category);
        r.category = category;
        r.flags = TV_FILE_EXISTS;
        ListNode* node = files.Add(&r, 0);
        files.FreeItemData(&r);
        CreateDirectoryA(Folder(category).c_str(), nullptr);
        WriteText(Folder(category) + name, content);
        return node;
    }
    ListNode* Root(int kind) { return data_.categories.FindCategoryById(0, kind); }
    std::vector<uint32_t> MessageIds() {
        // Maps shown texts back to the ids of the messages used here.
        std::vector<uint32_t> ids;
        for (const ShownMessage& m : g_messages) {
            uint32_t id = 0;
            for (uint32_t candidate : {3400u, 3401u, 3406u, 3407u, 3408u, 3409u, 3410u, 3411u, 3412u, 3413u, 3414u,
                                       3415u, 3416u, 3417u, 3502u, 3503u})
                if (m.text == TvString(candidate)) id = candidate;
            ids.push_back(id);
        }
        return ids;
    }

    std::string root_, downloads_, shortcuts_;
    TProgramData data_;
    TCategoryTreeObject tree_;
    RecordingViews views_;
    TItemOperations ops_{&data_, &tree_, &views_};
    HWND parent_ = nullptr;
};

// Texts of the tree's top-level items and of the children of an item.
std::string ItemText(HWND tree, HTREEITEM item) {
    char text[TV_PATH_SIZE] = {};
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = item;
    tvi.pszText = text;
    tvi.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    return text;
}
std::vector<std::string> Texts(HWND tree, HTREEITEM first) {
    std::vector<std::string> out;
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) out.push_back(ItemText(tree, i));
    return out;
}

// ---------------------------------------------------------------------------------------- tree

TEST_F(CatOps, TreeShowsRootsWithEmptyLinesSortedChildrenAndKeepsExpandedState) {
    ListNode* zeta = AddCategory("Zeta", 1, 0);
    ListNode* alpha = AddCategory("alpha", 1, 0);
    AddCategory("Mid", 1, 0);
    ListNode* inner = AddCategory("inner", 1, Id(alpha));
    AddCategory("Links", 2, 0);
    TCategoryListObject::Item(Root(1))->flags = 1;
    TCategoryListObject::Item(alpha)->flags = 1;
    TCategoryListObject::Item(zeta)->flags = 0;

    tree_.RebuildCategoryTree(1);
    HWND tree = tree_.Window();
    EXPECT_EQ(GetDlgCtrlID(tree), 301);
    HTREEITEM first = TreeView_GetRoot(tree);
    EXPECT_EQ(Texts(tree, first), (std::vector<std::string>{"Downloads", "", "Bookmarks", "", "Shortcuts"}));
    HTREEITEM downloads = static_cast<HTREEITEM>(TCategoryListObject::Item(Root(1))->treeItem);
    ASSERT_EQ(downloads, first);
    EXPECT_EQ(Texts(tree, TreeView_GetChild(tree, downloads)), (std::vector<std::string>{"alpha", "Mid", "Zeta"}));
    EXPECT_EQ(TreeView_GetParent(tree, static_cast<HTREEITEM>(TCategoryListObject::Item(inner)->treeItem)),
              static_cast<HTREEITEM>(TCategoryListObject::Item(alpha)->treeItem));

    // Roots bold with their kind's picture, subcategories folders.
    for (int kind = 1; kind <= 3; ++kind) {
        TVITEMA tvi = {};
        tvi.mask = TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        tvi.stateMask = TVIS_BOLD;
        tvi.hItem = static_cast<HTREEITEM>(TCategoryListObject::Item(Root(kind))->treeItem);
        ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi)));
        EXPECT_TRUE(tvi.state & TVIS_BOLD) << kind;
        EXPECT_EQ(tvi.iImage, kind - 1);
    }
    TVITEMA sub = {};
    sub.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_HANDLE;
    sub.stateMask = TVIS_BOLD;
    sub.hItem = static_cast<HTREEITEM>(TCategoryListObject::Item(alpha)->treeItem);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&sub));
    EXPECT_EQ(sub.iImage, 3);
    EXPECT_EQ(sub.iSelectedImage, 4);
    EXPECT_FALSE(sub.state & TVIS_BOLD);
    EXPECT_EQ(ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_NORMAL)), 5);

    // The empty line is no category.
    TreeView_SelectItem(tree, TreeView_GetNextSibling(tree, first));
    EXPECT_EQ(tree_.Selected(), nullptr);
    tree_.Select(inner);
    EXPECT_EQ(tree_.Selected(), inner);

    // Expanded state: taken from the flags, copied back, kept across rebuilds.
    auto expanded = [&](ListNode* n) {
        return (TreeView_GetItemState(tree, static_cast<HTREEITEM>(TCategoryListObject::Item(n)->treeItem),
                                      TVIS_EXPANDED) &
                TVIS_EXPANDED) != 0;
    };
    EXPECT_TRUE(expanded(Root(1)));
    EXPECT_TRUE(expanded(alpha));
    TreeView_Expand(tree, static_cast<HTREEITEM>(TCategoryListObject::Item(alpha)->treeItem), TVE_COLLAPSE);
    tree_.SyncExpandState(TV_SYNC_TO_FLAGS);
    EXPECT_EQ(TCategoryListObject::Item(alpha)->flags & 1, 0);
    TreeView_Expand(tree, static_cast<HTREEITEM>(TCategoryListObject::Item(alpha)->treeItem), TVE_EXPAND);
    tree_.RebuildCategoryTree(0);  // the user's expansion survives the rebuild
    EXPECT_TRUE(expanded(alpha));
    EXPECT_EQ(TCategoryListObject::Item(alpha)->flags & 1, 1);

    // Only two roots shown: one empty line; the hidden root's categories have no items.
    tree_.RebuildCategoryTree(1, 1, 0, 1);
    EXPECT_EQ(Texts(tree, TreeView_GetRoot(tree)), (std::vector<std::string>{"Downloads", "", "Shortcuts"}));
    EXPECT_EQ(TCategoryListObject::Item(Root(2))->treeItem, nullptr);

    // Removing an item clears the handles of its whole subtree.
    tree_.RebuildCategoryTree(1);
    tree_.Remove(alpha);
    EXPECT_EQ(TCategoryListObject::Item(alpha)->treeItem, nullptr);
    EXPECT_EQ(TCategoryListObject::Item(inner)->treeItem, nullptr);
}

// ---------------------------------------------------------------------------------- categories

TEST_F(CatOps, MovingACategoryMovesItsFolderWithItsFiles) {
    ListNode* a = AddCategory("Alpha", 1, 0);
    ListNode* b = AddCategory("Beta", 1, 0);
    ListNode* sub = AddCategory("Deep", 1, Id(a));
    ops_.EnsureStorageFolders(3);
    ListNode* file = AddDownload(a, "a.zip", "archive");
    WriteText(Folder(sub) + "deep.txt", "x");
    tree_.RebuildCategoryTree(1);

    EXPECT_EQ(ops_.MoveCategory(nullptr, a, Id(b)), 1);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_EQ(TCategoryListObject::Item(a)->parentId, Id(b));
    EXPECT_FALSE(FolderThere(downloads_ + "Alpha"));
    EXPECT_TRUE(FileThere(downloads_ + "Beta\\Alpha\\a.zip"));
    EXPECT_TRUE(FileThere(downloads_ + "Beta\\Alpha\\Deep\\deep.txt"));
    char path[TV_PATH_SIZE];
    ASSERT_EQ(data_.downloads.FilePath(path, sizeof path, TFileListObject::Item(file), &data_.categories,
                                       ops_.Locations()),
              TV_FOLDER_OK);
    EXPECT_TRUE(FileThere(path)) << path;
    EXPECT_EQ(tree_.Selected(), a);
    EXPECT_GE(views_.contentsShown, 1);

    // Refused moves leave records and folders alone.
    EXPECT_EQ(ops_.MoveCategory(nullptr, b, Id(sub)), 0);  // under its own grandchild
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3414}));
    g_messages.clear();
    EXPECT_EQ(ops_.MoveCategory(nullptr, a, Id(b)), 0);  // already there: no message
    EXPECT_TRUE(g_messages.empty());
    EXPECT_EQ(ops_.MoveCategory(nullptr, Root(1), Id(b)), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3412}));
    EXPECT_TRUE(FolderThere(downloads_ + "Beta\\Alpha\\Deep"));

    // A folder that cannot move keeps the category where it was (3401).
    ListNode* c = AddCategory("Gamma", 1, 0);
    ops_.EnsureStorageFolders(3);
    WriteText(Folder(c) + "g.txt", "g");
    CreateDirectoryA((downloads_ + "Beta\\Gamma").c_str(), nullptr);  // a stray folder in the way
    WriteText(downloads_ + "Beta\\Gamma\\stray.txt", "s");
    g_messages.clear();
    EXPECT_EQ(ops_.MoveCategory(nullptr, c, Id(b)), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3401}));
    EXPECT_EQ(g_messages[0].caption, "Tolvane Plus");
    EXPECT_EQ(TCategoryListObject::Item(c)->parentId, 0);
    EXPECT_TRUE(FileThere(downloads_ + "Gamma\\g.txt"));
    EXPECT_TRUE(FileThere(downloads_ + "Beta\\Gamma\\stray.txt"));
}

TEST_F(CatOps, RenamingALockedCategoryFolderFailsAndKeepsTheName) {
    ListNode* a = AddCategory("Tools", 1, 0);
    ops_.EnsureStorageFolders(3);
    AddDownload(a, "t.zip");
    tree_.RebuildCategoryTree(1);

    // A handle without sharing on the folder itself, as another program holding it open.
    HANDLE folder = CreateFileA((downloads_ + "Tools").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ops_.RenameCategory(nullptr, a, "Utilities"), 0);
    CloseHandle(folder);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3400}));
    EXPECT_EQ(g_messages[0].caption, "Tolvane Plus");
    EXPECT_STREQ(Name(a), "Tools");
    EXPECT_TRUE(FileThere(downloads_ + "Tools\\t.zip"));
    EXPECT_FALSE(FolderThere(downloads_ + "Utilities"));
    EXPECT_EQ(ItemText(tree_.Window(), static_cast<HTREEITEM>(TCategoryListObject::Item(a)->treeItem)), "Tools");

    // Unlocked, the folder follows the name (trimmed).
    g_messages.clear();
    EXPECT_EQ(ops_.RenameCategory(nullptr, a, "  Utilities "), 1);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_STREQ(Name(a), "Utilities");
    EXPECT_TRUE(FileThere(downloads_ + "Utilities\\t.zip"));
    EXPECT_FALSE(FolderThere(downloads_ + "Tools"));
    EXPECT_EQ(ItemText(tree_.Window(), static_cast<HTREEITEM>(TCategoryListObject::Item(a)->treeItem)), "Utilities");
    EXPECT_EQ(tree_.Selected(), a);

    // Checks refuse before anything changes.
    struct Case {
        ListNode* node;
        const char* name;
        uint32_t message;
    } cases[] = {{Root(1), "x", 3411}, {a, "Standard/2", 3407}, {a, ".hidden", 3407}};
    AddCategory("Standard", 1, 0);
    for (const Case& c : cases) {
        g_messages.clear();
        EXPECT_EQ(ops_.RenameCategory(nullptr, c.node, c.name), 0) << c.name;
        EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{c.message})) << c.name;
    }
    g_messages.clear();
    EXPECT_EQ(ops_.RenameCategory(nullptr, a, "standard"), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3406}));
    EXPECT_TRUE(FileThere(downloads_ + "Utilities\\t.zip"));

    // Bookmark categories have no folder: only the name changes.
    ListNode* links = AddCategory("Links", 2, 0);
    EXPECT_EQ(ops_.RenameCategory(nullptr, links, "Sites"), 1);
    EXPECT_STREQ(Name(links), "Sites");
}

TEST_F(CatOps, DeletingCategoriesFollowsTheRules) {
    ListNode* parent = AddCategory("Parent", 1, 0);
    ListNode* child = AddCategory("Child", 1, Id(parent));
    ListNode* full = AddCategory("Full", 1, 0);
    ListNode* stray = AddCategory("Stray", 1, 0);
    ListNode* empty = AddCategory("Empty", 1, 0);
    ListNode* hiddenOnly = AddCategory("HiddenOnly", 1, 0);
    ops_.EnsureStorageFolders(3);
    ops_.EnsureStorageFolders(3);
    AddDownload(full, "f.zip");
    WriteText(Folder(stray) + "nobody.txt", "unreferenced");
    // A download of this id whose link is missing is not shown and does not block.
    ListNode* hidden = AddDownload(hiddenOnly, "h.zip");
    TFileListObject::Item(hidden)->category = nullptr;
    tree_.RebuildCategoryTree(1);

    struct Case {
        ListNode* node;
        int result;
        uint32_t message;
    } cases[] = {{Root(1), 0, 3408}, {parent, 0, 3409}, {full, 0, 3410}};
    for (const Case& c : cases) {
        g_messages.clear();
        tree_.Select(c.node);
        EXPECT_EQ(ops_.DeleteCategory(nullptr), c.result) << Name(c.node);
        EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{c.message})) << Name(c.node);
        EXPECT_TRUE(data_.categories.IsNodeValid(c.node, 1));
    }
    EXPECT_TRUE(FolderThere(downloads_ + "Parent\\Child"));

    g_messages.clear();
    const std::string emptyFolder = Folder(empty);
    tree_.Select(empty);
    EXPECT_EQ(ops_.DeleteCategory(nullptr), 1);
    EXPECT_FALSE(data_.categories.FindCategoryByName("Empty", 1, 0));
    EXPECT_FALSE(FolderThere(emptyFolder));

    // Files no record refers to keep the folder on disk; the category goes.
    EXPECT_EQ(ops_.DeleteCategory(nullptr, stray), 1);
    EXPECT_FALSE(data_.categories.FindCategoryByName("Stray", 1, 0));
    EXPECT_TRUE(FileThere(downloads_ + "Stray\\nobody.txt"));

    EXPECT_EQ(ops_.DeleteCategory(nullptr, child), 1);
    EXPECT_EQ(ops_.DeleteCategory(nullptr, parent), 1);
    EXPECT_EQ(ops_.DeleteCategory(nullptr, hiddenOnly), 1);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_FALSE(FolderThere(downloads_ + "Parent"));
}

TEST_F(CatOps, NewCategoryGetsAUniqueNameAFolderAndAnItemUnderItsParent) {
    ListNode* parent = AddCategory("Games", 1, 0);
    tree_.RebuildCategoryTree(1);
    tree_.Select(parent);
    ListNode* first = ops_.NewCategory(parent_);
    ListNode* second = ops_.NewCategory(parent_);  // the new category is selected now: nested
    ASSERT_TRUE(first && second);
    EXPECT_STREQ(Name(first), "New Category");
    EXPECT_EQ(TCategoryListObject::Item(first)->parentId, Id(parent));
    EXPECT_EQ(TCategoryListObject::Item(second)->parentId, Id(first));
    EXPECT_TRUE(FolderThere(downloads_ + "Games\\New Category"));
    EXPECT_TRUE(FolderThere(downloads_ + "Games\\New Category\\New Category"));
    HTREEITEM item = static_cast<HTREEITEM>(TCategoryListObject::Item(first)->treeItem);
    ASSERT_TRUE(item);
    EXPECT_EQ(TreeView_GetParent(tree_.Window(), item), static_cast<HTREEITEM>(TCategoryListObject::Item(parent)->treeItem));
    TreeView_EndEditLabelNow(tree_.Window(), TRUE);
    tree_.Select(parent);
    ListNode* third = ops_.NewCategory(parent_);
    ASSERT_TRUE(third);
    EXPECT_STREQ(Name(third), "New Category (2)");
    TreeView_EndEditLabelNow(tree_.Window(), TRUE);
}

// A category or item name read from a file that would lead outside its storage folder is never
// used for a file operation; renaming repairs the record.
TEST_F(CatOps, NamesThatWouldLeaveTheStorageFolderAreNeverUsed) {
    ListNode* cat = AddCategory("Safe", 1, 0);
    ops_.EnsureStorageFolders(3);
    const std::string outside = root_ + "\\victim.txt";
    WriteText(outside, "keep me");
    // A stored name climbing out of the category folder and the storage location.
    ListNode* evil = AddDownload(cat, "ok.zip");
    TextAssign(&TFileListObject::Item(evil)->storedName, "..\\..\\victim.txt");
    views_.rows[1] = {evil};

    g_answers = {IDNO};
    EXPECT_EQ(ops_.DeleteDownload(nullptr, evil, 0, 1, 0, 0), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3415}));
    EXPECT_TRUE(FileThere(outside));
    EXPECT_TRUE(data_.downloads.IsNodeValid(evil, 1));

    EXPECT_EQ(ops_.RenameDownload(nullptr, evil, "clean.zip", 0), 1);
    EXPECT_STREQ(TFileListObject::Item(evil)->storedName, "clean.zip");
    EXPECT_TRUE(FileThere(outside));

    // A category whose name climbs out: its folder is never removed or renamed; a rename repairs it.
    ListNode* bad = AddCategory("Bad", 1, 0);
    TextAssign(&TCategoryListObject::Item(bad)->name, "..");
    CreateDirectoryA((root_ + "\\keepfolder").c_str(), nullptr);
    g_messages.clear();
    EXPECT_EQ(ops_.RenameCategory(nullptr, bad, "Repaired"), 1);
    EXPECT_STREQ(Name(bad), "Repaired");
    EXPECT_TRUE(FolderThere(root_ + "\\keepfolder"));
    EXPECT_TRUE(FolderThere(root_ + "\\download"));
    TextAssign(&TCategoryListObject::Item(bad)->name, "..");
    EXPECT_EQ(ops_.DeleteCategory(nullptr, bad), 1);
    EXPECT_TRUE(FolderThere(root_ + "\\download"));
    EXPECT_TRUE(FileThere(outside));
}

// ----------------------------------------------------------------------------------- downloads

bool g_deleteTypeAccepts = true;
int g_deleteTypeChoice = 0;
int g_deleteTypeAsked = 0;
bool ScriptedDeleteType(HWND, FileDeleteTypeParams* io) {
    ++g_deleteTypeAsked;
    EXPECT_EQ(io->deleteType, 0);
    io->deleteType = g_deleteTypeChoice;
    return g_deleteTypeAccepts;
}

TEST_F(CatOps, DeleteDownloadWithoutANodeTakesTheSelectedOneNotTheFocusedRow) {
    ListNode* cat = AddCategory("Files", 1, 0);
    ops_.EnsureStorageFolders(3);
    ListNode* chosen = AddDownload(cat, "chosen.zip");
    ListNode* focused = AddDownload(cat, "focused.zip");
    views_.rows[1] = {chosen, focused};
    views_.selected[1] = {chosen};
    views_.focused[1] = focused;
    EXPECT_EQ(ops_.DeleteDownload(nullptr, nullptr, 0, 1, 0, 0) & 1, 1);
    EXPECT_FALSE(data_.downloads.IsNodeValid(chosen, 1));
    EXPECT_TRUE(data_.downloads.IsNodeValid(focused, 1));
    EXPECT_TRUE(FileThere(downloads_ + "Files\\focused.zip"));
    EXPECT_FALSE(FileThere(downloads_ + "Files\\chosen.zip"));
    // Nothing selected: nothing goes, even with a focused row.
    views_.selected[1].clear();
    EXPECT_EQ(ops_.DeleteDownload(nullptr, nullptr, 0, 1, 0, 0), 0);
    EXPECT_TRUE(data_.downloads.IsNodeValid(focused, 1));
}

TEST_F(CatOps, DeletingSelectedDownloadsDeletesEveryOneOfThem) {
    ListNode* cat = AddCategory("Files", 1, 0);
    ops_.EnsureStorageFolders(3);
    ListNode* d1 = AddDownload(cat, "one.zip");
    ListNode* d2 = AddDownload(cat, "two.zip");
    ListNode* d3 = AddDownload(cat, "three.zip");
    views_.rows[1] = {d1, d2, d3};
    views_.selected[1] = {d1, d2};
    ops_.dialogs.fileDeleteType = ScriptedDeleteType;
    g_deleteTypeAsked = 0;
    g_deleteTypeAccepts = true;
    g_deleteTypeChoice = 0;

    EXPECT_EQ(ops_.DeleteSelectedDownloads(nullptr), 2);
    EXPECT_EQ(g_deleteTypeAsked, 1);
    EXPECT_EQ(data_.downloads.Count(1), 1u);
    EXPECT_TRUE(data_.downloads.IsNodeValid(d3, 1));
    EXPECT_EQ(views_.rows[1], (std::vector<ListNode*>{d3}));
    EXPECT_FALSE(FileThere(downloads_ + "Files\\one.zip"));
    EXPECT_FALSE(FileThere(downloads_ + "Files\\two.zip"));
    EXPECT_TRUE(FileThere(downloads_ + "Files\\three.zip"));

    // Cancel deletes nothing.
    views_.selected[1] = {d3};
    g_deleteTypeAccepts = false;
    EXPECT_EQ(ops_.DeleteSelectedDownloads(nullptr), 0);
    EXPECT_TRUE(FileThere(downloads_ + "Files\\three.zip"));

    // Only the file: the record stays, now missing, its row rewritten.
    g_deleteTypeAccepts = true;
    g_deleteTypeChoice = 1;
    EXPECT_EQ(ops_.DeleteSelectedDownloads(nullptr), 1);
    EXPECT_TRUE(data_.downloads.IsNodeValid(d3, 1));
    EXPECT_EQ(TFileListObject::Item(d3)->flags & TV_FILE_EXISTS, 0u);
    EXPECT_FALSE(FileThere(downloads_ + "Files\\three.zip"));
    EXPECT_EQ(views_.rows[1].size(), 1u);
}

TEST_F(CatOps, DeletingADownloadWhoseFileIsHeldOpenAsksFirst) {
    ListNode* cat = AddCategory("Held", 1, 0);
    ops_.EnsureStorageFolders(3);
    ListNode* a = AddDownload(cat, "a.zip");
    ListNode* b = AddDownload(cat, "b.zip");
    ListNode* c = AddDownload(cat, "c.zip");
    views_.rows[1] = {a, b, c};
    HANDLE held = CreateFileA((downloads_ + "Held\\b.zip").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    g_answers = {IDNO};
    EXPECT_EQ(ops_.DeleteDownload(nullptr, b, 0, 1, 0, 1), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3415}));
    EXPECT_EQ(g_messages[0].caption, "Error");
    EXPECT_TRUE(data_.downloads.IsNodeValid(b, 1));

    g_messages.clear();
    g_answers = {IDYES};
    EXPECT_EQ(ops_.DeleteDownload(nullptr, b, 0, 1, 0, 1), TV_DELETE_DONE | TV_DELETE_ROW_REMOVED);
    CloseHandle(held);
    EXPECT_FALSE(data_.downloads.IsNodeValid(b, 1));
    EXPECT_EQ(views_.rows[1], (std::vector<ListNode*>{a, c}));
    EXPECT_EQ(views_.selectedRow, 1);  // the row that took its place
    EXPECT_EQ(ops_.DeleteDownload(nullptr, c, 0, 1, 0, 1), TV_DELETE_DONE | TV_DELETE_ROW_REMOVED);
    EXPECT_EQ(views_.selectedRow, 0);  // the new last row
}

TEST_F(CatOps, RenamingADownloadRenamesItsStoredFile) {
    ListNode* cat = AddCategory("Ren", 1, 0);
    ops_.EnsureStorageFolders(3);
    ListNode* a = AddDownload(cat, "a.zip", "A");
    AddDownload(cat, "b.zip", "B");

    EXPECT_EQ(ops_.RenameDownload(nullptr, a, "bad|name.zip", 2), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3416}));
    EXPECT_EQ(g_messages[0].caption, "Error");
    EXPECT_STREQ(TFileListObject::Item(a)->fileName, "a.zip");

    EXPECT_EQ(ops_.RenameDownload(nullptr, a, "B.ZIP", 2), 1);  // taken stored name: " (2)"
    EXPECT_STREQ(TFileListObject::Item(a)->fileName, "B.ZIP");
    EXPECT_STREQ(TFileListObject::Item(a)->storedName, "B (2).ZIP");
    EXPECT_TRUE(FileThere(downloads_ + "Ren\\B (2).ZIP"));
    EXPECT_FALSE(FileThere(downloads_ + "Ren\\a.zip"));
    EXPECT_TRUE(FileThere(downloads_ + "Ren\\b.zip"));
    ASSERT_FALSE(views_.updates.empty());
    EXPECT_EQ(views_.updates.back().flags, 24);

    // A file held open keeps record and file as they were.
    HANDLE held = CreateFileA((downloads_ + "Ren\\B (2).ZIP").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ops_.RenameDownload(nullptr, a, "c.zip", 0), 0);
    CloseHandle(held);
    EXPECT_STREQ(TFileListObject::Item(a)->fileName, "B.ZIP");
    EXPECT_TRUE(FileThere(downloads_ + "Ren\\B (2).ZIP"));
}

// ----------------------------------------------------------------------------------- shortcuts

TEST_F(CatOps, DroppingTheSameFileGivesCopyOfTitles) {
    ListNode* cat = AddCategory("Tools", 3, 0);
    ops_.EnsureStorageFolders(3);
    const std::string source = root_ + "\\a.lnk";
    WriteText(source, "link");

    const char* expected[] = {"a.lnk", "Copy of a.lnk", "Copy (2) of a.lnk"};
    for (const char* title : expected) {
        ListNode* node = ops_.AddShortcutFile(("  \"" + source + "\" ").c_str(), cat, TV_SHORTCUT_UPDATE_VIEW);
        ASSERT_TRUE(node) << title;
        EXPECT_STREQ(TShortcutListObject::Item(node)->title, title);
        EXPECT_EQ(TShortcutListObject::Item(node)->flags & TV_SHORTCUT_EXISTS, 1u);
        EXPECT_TRUE(FileThere(shortcuts_ + "Tools\\" + title));
        EXPECT_EQ(views_.updates.back().flags, 25);
    }
    EXPECT_TRUE(FileThere(source));  // copied

    // Moving takes the file away; a bookmark category or a missing file adds nothing.
    ListNode* moved = ops_.AddShortcutFile(source.c_str(), Root(3), TV_SHORTCUT_MOVE);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(FileThere(source));
    EXPECT_TRUE(FileThere(shortcuts_ + "a.lnk"));
    EXPECT_EQ(ops_.AddShortcutFile(source.c_str(), Root(3), 0), nullptr);
    EXPECT_EQ(ops_.AddShortcutFile((shortcuts_ + "a.lnk").c_str(), Root(2), 0), nullptr);
    EXPECT_EQ(data_.shortcuts.Count(1), 4u);
}

TEST_F(CatOps, ShortcutRenameAndDelete) {
    ListNode* cat = AddCategory("Apps", 3, 0);
    ops_.EnsureStorageFolders(3);
    const std::string source = root_ + "\\tool.lnk";
    WriteText(source, "x");
    ListNode* a = ops_.AddShortcutFile(source.c_str(), cat, 0);
    ListNode* b = ops_.AddShortcutFile(source.c_str(), cat, 0);  // Copy of tool.lnk
    ASSERT_TRUE(a && b);

    EXPECT_EQ(ops_.RenameShortcut(nullptr, a, "Editor", 0), 1);  // ".lnk" added
    EXPECT_STREQ(TShortcutListObject::Item(a)->title, "Editor.lnk");
    EXPECT_TRUE(FileThere(shortcuts_ + "Apps\\Editor.lnk"));
    EXPECT_FALSE(FileThere(shortcuts_ + "Apps\\tool.lnk"));
    EXPECT_EQ(ops_.RenameShortcut(nullptr, a, "a:b", 0), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3417}));
    EXPECT_EQ(ops_.RenameShortcut(nullptr, b, "editor.LNK", 0), 0);  // would share Editor.lnk
    EXPECT_TRUE(FileThere(shortcuts_ + "Apps\\Copy of tool.lnk"));
    // A change of letter case only is a rename too: the record and the file on disk follow.
    EXPECT_EQ(ops_.RenameShortcut(nullptr, a, "EDITOR", 0), 1);
    EXPECT_STREQ(TShortcutListObject::Item(a)->title, "EDITOR.lnk");
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((shortcuts_ + "Apps\\editor.lnk").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_STREQ(found.cFileName, "EDITOR.lnk");
    EXPECT_EQ(ops_.RenameShortcut(nullptr, a, "EDITOR.lnk", 0), 0);  // the very same title: nothing to do

    views_.rows[3] = {a, b};
    views_.selected[3] = {a, b};
    g_messages.clear();
    g_answers = {IDNO};
    EXPECT_EQ(ops_.DeleteSelectedShortcuts(nullptr), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3503}));
    EXPECT_EQ(g_messages[0].caption, "Question");
    EXPECT_EQ(data_.shortcuts.Count(1), 2u);
    EXPECT_EQ(ops_.DeleteSelectedShortcuts(nullptr), 2);
    EXPECT_EQ(data_.shortcuts.Count(1), 0u);
    EXPECT_TRUE(views_.rows[3].empty());
    EXPECT_FALSE(FileThere(shortcuts_ + "Apps\\Editor.lnk"));
    EXPECT_FALSE(FileThere(shortcuts_ + "Apps\\Copy of tool.lnk"));
}

std::string LinkTarget(const std::string& path) {
    std::string result;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) {
                char target[MAX_PATH] = {};
                if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0))) result = target;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return result;
}

TEST_F(CatOps, CreateShortcutFileWritesALinkWhoseTargetReadsBack) {
    ListNode* cat = AddCategory("Links", 3, 0);
    ops_.EnsureStorageFolders(3);
    const std::string target = root_ + "\\program.exe";
    WriteText(target, "MZ");

    ListNode* node = ops_.CreateShortcutFile(nullptr, cat, target.c_str(), "My Program", 0);
    ASSERT_TRUE(node);
    EXPECT_STREQ(TShortcutListObject::Item(node)->title, "My Program.lnk");
    EXPECT_EQ(TShortcutListObject::Item(node)->categoryId, Id(cat));
    EXPECT_EQ(TShortcutListObject::Item(node)->flags & TV_SHORTCUT_EXISTS, 1u);
    const std::string link = shortcuts_ + "Links\\My Program.lnk";
    EXPECT_TRUE(FileThere(link));
    EXPECT_TRUE(TextEquals(LinkTarget(link).c_str(), target.c_str(), 0, 0)) << LinkTarget(link);
    EXPECT_EQ(views_.updates.back().flags, 25);

    // The same title again replaces the file and keeps one record; show category gives 27.
    ListNode* again = ops_.CreateShortcutFile(nullptr, Root(3), target.c_str(), "My Program", 1);
    ASSERT_TRUE(again);
    EXPECT_NE(again, node);  // another category: another file
    EXPECT_EQ(views_.updates.back().flags, 27);
    EXPECT_EQ(ops_.CreateShortcutFile(nullptr, cat, target.c_str(), "My Program", 0), node);
    EXPECT_EQ(data_.shortcuts.Count(1), 2u);

    // Nothing without category, target or title, or with a title that is no file name.
    EXPECT_EQ(ops_.CreateShortcutFile(nullptr, nullptr, target.c_str(), "x", 0), nullptr);
    EXPECT_EQ(ops_.CreateShortcutFile(nullptr, cat, "", "x", 0), nullptr);
    EXPECT_EQ(ops_.CreateShortcutFile(nullptr, cat, target.c_str(), "", 0), nullptr);
    EXPECT_EQ(ops_.CreateShortcutFile(nullptr, cat, target.c_str(), "..\\..\\up", 0), nullptr);
    EXPECT_EQ(data_.shortcuts.Count(1), 2u);
}

// Texts of the static controls of a window (the message of a message box).
BOOL CALLBACK CollectText(HWND child, LPARAM out) {
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::string*>(out)->append(text).append("\n");
    return TRUE;
}

// A visible top-level window (any class when cls is null).
HWND WaitForWindow(const char* cls, const char* title) {
    tvd::WindowQuery query;
    query.className = cls ? cls : "";
    query.caption = title;
    query.visibleOnly = true;
    return tvd::WaitForWindow(query, tvd::WaitCeilingMs());
}

TEST_F(CatOps, NewShortcutDialogRefusesAnInvalidTitleAndCreatesTheLink) {
    const std::string target = root_ + "\\notes.txt";
    WriteText(target, "notes");
    std::string boxText, boxCaption;
    std::atomic<bool> driverDone{false};
    std::atomic<int> driverStep{0};

    // The dialog runs modally on this thread; a second thread plays the user.
    std::thread driver([&] {
        HWND dialog = WaitForWindow("VeltraDialog", "New Shortcut");
        if (!dialog) return;
        driverStep = 1;
        SendMessageA(GetDlgItem(dialog, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
        SendMessageA(GetDlgItem(dialog, 102), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("bad/title"));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        HWND box = WaitForWindow(nullptr, "Error");
        if (!box) return;
        driverStep = 2;
        EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&boxText));
        char caption[64] = {};
        GetWindowTextA(box, caption, sizeof caption);
        boxCaption = caption;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (!tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()) || !IsWindow(dialog)) return;
        driverStep = 3;
        SendMessageA(GetDlgItem(dialog, 102), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("  Notes  "));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        driverDone = true;
    });
    SetMessageBoxResponder(nullptr, nullptr);  // the real dialog shows its own real message box
    ListNode* node = ops_.NewShortcut(parent_);
    driver.join();
    EXPECT_EQ(driverStep.load(), 3);
    EXPECT_TRUE(driverDone.load());
    EXPECT_NE(boxText.find("Please enter a valid filename as title."), std::string::npos) << boxText;
    EXPECT_EQ(boxCaption, "Error");
    ASSERT_TRUE(node);
    // Nothing selected in the tree: the shortcuts root, shown with its category.
    EXPECT_STREQ(TShortcutListObject::Item(node)->title, "Notes.lnk");
    EXPECT_EQ(TShortcutListObject::Item(node)->categoryId, 0);
    EXPECT_TRUE(FileThere(shortcuts_ + "Notes.lnk"));
    EXPECT_TRUE(TextEquals(LinkTarget(shortcuts_ + "Notes.lnk").c_str(), target.c_str(), 0, 0));
    EXPECT_EQ(views_.updates.back().flags, 27);
}

std::string DialogItemText(HWND dialog, int id) {
    char text[512] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

// The page of a property sheet (a child of class "VeltraDialog" somewhere below the sheet).
HWND FindPage(HWND sheet) {
    HWND page = FindWindowExA(sheet, nullptr, "VeltraDialog", nullptr);
    return page;
}

TEST_F(CatOps, RealDialogsFillAndReadTheirParameters) {
    // "FILEDELETETYPE": preset, the other radio button chosen, OK; then Cancel.
    {
        std::atomic<bool> seenPreset{false};
        std::thread driver([&] {
            HWND dialog = WaitForWindow("VeltraDialog", "Delete File");
            if (!dialog) return;
            seenPreset = IsDlgButtonChecked(dialog, 101) == BST_CHECKED && IsDlgButtonChecked(dialog, 102) != BST_CHECKED;
            SendMessageA(GetDlgItem(dialog, 102), BM_CLICK, 0, 0);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        FileDeleteTypeParams params;
        params.deleteType = 0;
        EXPECT_TRUE(RunFileDeleteTypeDialog(parent_, &params));
        driver.join();
        EXPECT_TRUE(seenPreset.load());
        EXPECT_EQ(params.deleteType, 1);

        std::thread canceller([&] {
            if (HWND dialog = WaitForWindow("VeltraDialog", "Delete File")) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        params.deleteType = 1;
        EXPECT_FALSE(RunFileDeleteTypeDialog(parent_, &params));
        canceller.join();
        EXPECT_EQ(params.deleteType, 1);
    }

    // "ADDEDITBOOKMARK" inside the "Edit Bookmark" sheet.
    {
        BookmarkDialogParams params;
        params.isNew = 0;
        params.categories = {"Bookmarks", "Links", "News"};
        params.category = "Links";
        params.title = "Old title";
        params.url = "http://example.com/";
        params.description = "first\r\nsecond";
        std::string seenTitle, seenCategory;
        int seenCount = -1;
        std::thread driver([&] {
            HWND sheet = WaitForWindow(nullptr, "Edit Bookmark");
            if (!sheet) return;
            HWND page = nullptr;
            if (!tvd::WaitUntil([&] { return (page = FindPage(sheet)) != nullptr; }, tvd::WaitCeilingMs())) return;
            seenTitle = DialogItemText(page, 102);
            seenCategory = DialogItemText(page, 101);
            seenCount = int(SendMessageA(GetDlgItem(page, 101), CB_GETCOUNT, 0, 0));
            SendMessageA(GetDlgItem(page, 102), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("New title"));
            SendMessageA(GetDlgItem(page, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        });
        EXPECT_TRUE(RunBookmarkDialog(parent_, &params));
        driver.join();
        EXPECT_EQ(seenTitle, "Old title");
        EXPECT_EQ(seenCategory, "Links");
        EXPECT_EQ(seenCount, 3);
        EXPECT_EQ(params.title, "New title");
        EXPECT_EQ(params.category, "Other");
        EXPECT_EQ(params.url, "http://example.com/");
        EXPECT_EQ(params.description, "first\r\nsecond");
    }

    // "CTPROP": the texts of the category, read-only.
    {
        ListNode* cat = AddCategory("Stuff", 1, 0);
        CategoryPropertiesParams params;
        ASSERT_TRUE(FillCategoryProperties(&data_, cat, &params));
        std::string seenName, seenLocation, seenParent, seenTip;
        LONG locationStyle = 0;
        std::thread driver([&] {
            tvd::WaitUntil(
                [&] {
                    HWND sheet = FindWindowA("#32770", nullptr);
                    HWND page = sheet ? FindPage(sheet) : nullptr;
                    if (!page || DialogItemText(page, 101) != "Stuff") return false;
                    seenName = DialogItemText(page, 101);
                    seenLocation = DialogItemText(page, 104);
                    seenParent = DialogItemText(page, 107);
                    // The location is one line shortened in its middle, and whole in its tool tip.
                    HWND location = GetDlgItem(page, 104);
                    locationStyle = GetWindowLongA(location, GWL_STYLE);
                    HWND tip = nullptr;
                    while ((tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) != nullptr) {
                        if (GetWindow(tip, GW_OWNER) != GetAncestor(page, GA_ROOT)) continue;
                        char text[600] = {};
                        TOOLINFOA tool = {};
                        tool.cbSize = TTTOOLINFOA_V1_SIZE;
                        tool.hwnd = page;
                        tool.uId = reinterpret_cast<UINT_PTR>(location);
                        tool.lpszText = text;
                        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
                        seenTip = text;
                    }
                    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
                    return true;
                },
                tvd::WaitCeilingMs());
        });
        RunCategoryPropertiesDialog(parent_, &params);
        driver.join();
        EXPECT_EQ(seenName, "Stuff");
        EXPECT_EQ(seenLocation, downloads_ + "Stuff\\");
        EXPECT_EQ(seenParent, "Downloads (0)");
        EXPECT_EQ(locationStyle & SS_ELLIPSISMASK, SS_PATHELLIPSIS);
        // TTM_GETTEXT hands out at most the first 80 characters of a tip.
        const std::string location = downloads_ + "Stuff\\";
        EXPECT_GE(seenTip.size(), std::min<size_t>(location.size(), 79));
        EXPECT_EQ(location.substr(0, seenTip.size()), seenTip);
    }
}

TEST(NewShortcutInput, TrimsAndNamesTheProblem) {
    struct Case {
        const char* target;
        const char* title;
        unsigned problem;
        const char* trimmedTitle;
    } cases[] = {
        {"  C:\\x.exe ", " Tool ", 0, "Tool"}, {"   ", "Tool", 3421, "Tool"}, {"C:\\x.exe", "a/b", 3422, "a/b"},
        {"C:\\x.exe", "  ", 3422, ""},         {"C:\\x.exe", ".dot", 3422, ".dot"}, {"C:\\x.exe", "nul", 3422, "nul"},
    };
    for (const Case& c : cases) {
        char target[TV_SHORTCUT_TARGET_SIZE], title[TV_PATH_SIZE];
        CopyLimited(target, c.target, sizeof target);
        CopyLimited(title, c.title, sizeof title);
        EXPECT_EQ(CheckNewShortcutInput(target, sizeof target, title), c.problem) << c.target << "|" << c.title;
        EXPECT_STREQ(title, c.trimmedTitle);
    }
}

// ------------------------------------------------------------------------- storage and bookmarks

TEST_F(CatOps, MovingTheStorageLocationMovesTheStoredFiles) {
    ListNode* cat = AddCategory("Sub", 1, 0);
    ListNode* deep = AddCategory("Deeper", 1, Id(cat));
    ops_.EnsureStorageFolders(3);
    ops_.EnsureStorageFolders(3);
    AddDownload(Root(1), "top.zip", "T");
    AddDownload(deep, "deep.zip", "D");
    const std::string oldBase = downloads_;
    const std::string newBase = root_ + "\\moved\\";
    CopyLimited(data_.standards.downloadsLocation, newBase.c_str(), TV_PATH_SIZE);

    EXPECT_EQ(ops_.MoveStorageLocation(oldBase.c_str(), newBase.c_str(), 1), 0);
    EXPECT_TRUE(FileThere(newBase + "top.zip"));
    EXPECT_TRUE(FileThere(newBase + "Sub\\Deeper\\deep.zip"));
    EXPECT_FALSE(FolderThere(oldBase));  // emptied folders removed, deepest first

    // Equal bases do nothing; nested bases are refused without touching anything.
    std::string upper = newBase;
    for (char& ch : upper) ch = char(toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(ops_.MoveStorageLocation(newBase.c_str(), upper.c_str(), 1), 0);
    const std::string nested = newBase + "inner\\";
    CopyLimited(data_.standards.downloadsLocation, nested.c_str(), TV_PATH_SIZE);
    EXPECT_EQ(ops_.MoveStorageLocation(newBase.c_str(), nested.c_str(), 1), -1);
    EXPECT_TRUE(FileThere(newBase + "top.zip"));
}

BookmarkDialogParams g_lastBookmarkDialog;
std::string g_bookmarkCategoryAnswer;
bool ScriptedBookmarkDialog(HWND, BookmarkDialogParams* io) {
    g_lastBookmarkDialog = *io;
    io->category = g_bookmarkCategoryAnswer;
    io->title = "Example";
    io->url = "http://example.com/";
    io->description = "line one\r\nline two";
    return true;
}

TEST_F(CatOps, BookmarksAreAddedIntoFoundOrNewCategoriesAndDeletedAfterAsking) {
    ListNode* links = AddCategory("Links", 2, 0);
    tree_.RebuildCategoryTree(1);
    tree_.Select(links);
    views_.shownKind = 2;
    ops_.dialogs.bookmark = ScriptedBookmarkDialog;

    g_bookmarkCategoryAnswer = "Links";
    ListNode* first = ops_.AddOrEditBookmark(nullptr, 1, nullptr, nullptr, 1, 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(g_lastBookmarkDialog.category, "Links");  // the selected category is offered
    EXPECT_EQ(g_lastBookmarkDialog.isNew, 1);
    EXPECT_EQ(TBookmarkListObject::Item(first)->category, links);
    EXPECT_EQ(views_.updates.back().flags, 0x18 | 1);

    g_bookmarkCategoryAnswer = "Fresh";
    ListNode* second = ops_.AddOrEditBookmark(nullptr, 1, nullptr, nullptr, 1, 1);
    ASSERT_TRUE(second);
    ListNode* fresh = data_.categories.FindCategoryByName("Fresh", 2, 0);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(TBookmarkListObject::Item(second)->categoryId, Id(fresh));
    EXPECT_TRUE(TCategoryListObject::Item(fresh)->treeItem);  // shown in the tree at once
    EXPECT_EQ(views_.updates.back().flags, 0x18 | 1 | 2);

    // Editing: the dialog shows the bookmark's own category; an invalid name falls back to the root.
    g_bookmarkCategoryAnswer = "bad/name";
    EXPECT_EQ(ops_.AddOrEditBookmark(nullptr, 0, nullptr, first, 1, 1), first);
    EXPECT_EQ(g_lastBookmarkDialog.category, "Links");
    EXPECT_EQ(g_lastBookmarkDialog.isNew, 0);
    EXPECT_EQ(TBookmarkListObject::Item(first)->categoryId, 0);
    EXPECT_EQ(views_.updates.back().flags, 0x18 | 2);
    EXPECT_EQ(data_.bookmarks.Count(1), 2u);

    views_.rows[2] = {first, second};
    views_.selected[2] = {first, second};
    g_messages.clear();
    g_answers = {IDNO};
    EXPECT_EQ(ops_.DeleteSelectedBookmarks(nullptr), 0);
    EXPECT_EQ(MessageIds(), (std::vector<uint32_t>{3502}));
    EXPECT_EQ(ops_.DeleteSelectedBookmarks(nullptr), 2);
    EXPECT_EQ(data_.bookmarks.Count(1), 0u);
}

TEST_F(CatOps, CategoryPropertiesTexts) {
    ListNode* cat = AddCategory("Stuff", 1, 0);
    AddCategory("Child", 1, Id(cat));
    ops_.EnsureStorageFolders(3);
    ListNode* a = AddDownload(cat, "a.zip");
    ListNode* b = AddDownload(cat, "b.zip");
    TFileListObject::Item(a)->sizeLow = 1024;
    TFileListObject::Item(b)->sizeLow = 2048;
    ListNode* links = AddCategory("Links", 2, 0);
    ListNode* apps = AddCategory("Apps", 3, 0);

    struct Case {
        ListNode* node;
        const char* type;
        std::string location, contents, subcategories, parent;
    } cases[] = {
        {cat, "Download", downloads_ + "Stuff\\", "2 Files (3,072 Bytes)", "1 Subcategory", "Downloads (0)"},
        {Root(1), "Download", downloads_, "0 Files (0 Bytes)", "1 Subcategory", "n/a"},
        {links, "Bookmark", "no physical representation", "0 Bookmarks", "No Subcategories", "Bookmarks (0)"},
        {apps, "Shortcut", shortcuts_ + "Apps\\", "0 Shortcuts", "No Subcategories", "Shortcuts (0)"},
    };
    for (const Case& c : cases) {
        CategoryPropertiesParams p;
        ASSERT_TRUE(FillCategoryProperties(&data_, c.node, &p));
        EXPECT_STREQ(p.type, c.type);
        EXPECT_EQ(p.location, c.location);
        EXPECT_EQ(p.contents, c.contents) << Name(c.node);
        EXPECT_EQ(p.subcategories, c.subcategories) << Name(c.node);
        EXPECT_EQ(p.parent, c.parent);
    }
    CategoryPropertiesParams one;
    TFileListObject::Item(a)->categoryId = 99;
    ASSERT_TRUE(FillCategoryProperties(&data_, cat, &one));
    EXPECT_STREQ(one.contents, "1 File (2,048 Bytes)");
    EXPECT_FALSE(FillCategoryProperties(&data_, nullptr, &one));
}

}  // namespace
