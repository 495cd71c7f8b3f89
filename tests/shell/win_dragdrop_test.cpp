// Clipboard and drag and drop under Wine with real OLE: the program's data object as other
// programs read it, the drop target called with test data objects, what a drop does with real
// folders and files, the clean-up after a drag, and the real clipboard across two processes.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catops/win_item_ops.h"
#include "database/programdata.h"
#include "intake/win_addedit.h"
#include "intake/win_intake.h"
#include "shell/app.h"
#include "shell/dragdrop.h"
#include "shell/win_dataobject.h"
#include "shell/win_dropprocess.h"
#include "shell/win_droptarget.h"
#include "tests/driver/tvdriver.h"
#include "tests/shell/test_dataobject.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_ui.h"

namespace {

std::vector<std::string> g_boxes;
int RecordBox(HWND, const char* text, const char*, UINT type, void*) {
    g_boxes.push_back(text ? text : "");
    return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
}

ListNode* g_selected = nullptr;
std::vector<std::string> g_addEditFiles;
int AcceptAddEdit(HWND, TFileAddEditParams* params, void*) {
    g_addEditFiles.push_back(params->fileName);
    return 1;
}
std::vector<BookmarkDialogParams> g_bookmarkDialogs;
bool AcceptBookmark(HWND, BookmarkDialogParams* io) {
    g_bookmarkDialogs.push_back(*io);
    return true;
}

class CountingViews : public TItemViews {
public:
    int contentsShown = 0;
    std::vector<ListNode*> removed;
    void UpdateDownloadView(ListNode*, int) override {}
    void UpdateBookmarkView(ListNode*, int) override {}
    void UpdateShortcutView(ListNode*, int) override {}
    void RemoveRow(int, ListNode* node) override { removed.push_back(node); }
    int RowCount(int) override { return 0; }
    int RowOf(int, const ListNode*) override { return -1; }
    void SelectRow(int, int) override {}
    std::vector<ListNode*> SelectedItems(int) override { return {}; }
    ListNode* FocusedItem(int) override { return nullptr; }
    int ShownKind() override { return 1; }
    void ShowCategoryContents() override { ++contentsShown; }
    void FocusList(int) override {}
};

std::string ReadText(const std::string& path) {
    std::string bytes;
    return tvd::ReadWholeFile(path, &bytes) ? bytes : std::string("<missing>");
}

class DragDrop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        Globals().instance = GetModuleHandleA(nullptr);
        RegisterClipboardFormats();
    }

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        root_ = std::string(temp) + "tvdd" + std::to_string(GetCurrentProcessId());
        tvd::RemoveTree(root_);
        ASSERT_TRUE(tvd::MakeFolders(root_ + "\\outside"));
        CopyLimited(data_.standards.downloadsLocation, (root_ + "\\dl\\").c_str(), TV_PATH_SIZE);
        CopyLimited(data_.standards.shortcutsLocation, (root_ + "\\sc\\").c_str(), TV_PATH_SIZE);
        data_.categories.EnsureDefaultCategories(1);
        for (const char* name : {"Standard"}) {
            dlStandard_ = data_.categories.FindCategoryByName(name, TV_KIND_DOWNLOADS, 0);
            bmStandard_ = data_.categories.FindCategoryByName(name, TV_KIND_BOOKMARKS, 0);
            scStandard_ = data_.categories.FindCategoryByName(name, TV_KIND_SHORTCUTS, 0);
        }
        ASSERT_TRUE(dlStandard_ && bmStandard_ && scStandard_);
        MakeFolder(dlStandard_);
        MakeFolder(scStandard_);
        ops_.dialogs.bookmark = AcceptBookmark;
        SetMessageBoxResponder(RecordBox, nullptr);
        g_boxes.clear();
        g_addEditFiles.clear();
        g_bookmarkDialogs.clear();
        g_selected = nullptr;
        responder_.addEditDialog = AcceptAddEdit;
        env_.program = &data_;
        env_.operations = &ops_;
        env_.views = &views_;
        env_.intake.program = &data_;
        env_.intake.responder = &responder_;
        env_.intake.hooks.selectedCategory = [](void*) { return g_selected; };
        // The tree follows a drag, so the list of the target's kind is showing.
        env_.intake.hooks.downloadListShown = [](void*) { return 1; };
    }

    void TearDown() override {
        SetMessageBoxResponder(nullptr, nullptr);
        OleSetClipboard(nullptr);
        tvd::RemoveTree(root_);
    }

    std::string Folder(const ListNode* category) const {
        char folder[TV_PATH_SIZE] = {};
        const StorageLocations locations = {data_.standards.downloadsLocation, data_.standards.shortcutsLocation};
        data_.categories.CategoryFolder(folder, sizeof(folder), category, locations, 0);
        std::string f = folder;
        if (!f.empty() && f.back() == '\\') f.pop_back();
        return f;
    }
    void MakeFolder(const ListNode* category) { ASSERT_TRUE(tvd::MakeFolders(Folder(category))); }
    ListNode* Category(int kind, const char* name, int32_t parentId = 0) {
        int created = 0;
        ListNode* node = data_.categories.AddCategory(name, kind, parentId, &created);
        if (kind != TV_KIND_BOOKMARKS) MakeFolder(node);
        return node;
    }
    ListNode* Download(ListNode* category, const char* name, const std::string& content) {
        FileItem f;
        data_.downloads.InitItem(&f);
        TextAssign(&f.fileName, name);
        TextAssign(&f.storedName, name);
        TextAssign(&f.description, "");
        TextAssign(&f.extractedTo, "");
        TextAssign(&f.website, "");
        f.categoryId = TCategoryListObject::Item(category)->id;
        f.category = category;
        ListNode* node = data_.downloads.Add(&f, 0);
        data_.downloads.FreeItemData(&f);
        EXPECT_TRUE(tvd::WriteWholeFile(Folder(category) + "\\" + name, content));
        RefreshFileState(&data_, node);
        return node;
    }
    ListNode* Bookmark(ListNode* category, const char* title, const char* url) {
        BookmarkItem b;
        data_.bookmarks.InitItem(&b);
        TextAssign(&b.title, title);
        TextAssign(&b.url, url);
        TextAssign(&b.description, "");
        b.categoryId = TCategoryListObject::Item(category)->id;
        b.category = category;
        ListNode* node = data_.bookmarks.Add(&b, 0);
        data_.bookmarks.FreeItemData(&b);
        return node;
    }
    std::string Outside(const char* name, const std::string& content) {
        const std::string path = root_ + "\\outside\\" + name;
        EXPECT_TRUE(tvd::WriteWholeFile(path, content));
        return path;
    }
    std::vector<std::string> StoredNames(const ListNode* category) const {
        std::vector<std::string> names;
        const int32_t id = TCategoryListObject::Item(category)->id;
        for (ListNode* n = data_.downloads.First(); n; n = n->next)
            if (TFileListObject::Item(n)->categoryId == id) names.push_back(TFileListObject::Item(n)->storedName);
        return names;
    }
    // A drop of the data object on target kind into category, as the drop target delivers it.
    uint32_t Drop(IDataObject* data, int target, uint32_t operation, ListNode* category) {
        TDropInfo info;
        info.formats = EvaluateFormats(data);
        info.target = target;
        info.data = data;
        info.operation = operation;
        g_selected = category;
        return ProcessDrop(env_, info, category);
    }
    TDataObject* Items(uint32_t contentKind, const std::vector<ListNode*>& nodes) {
        TDraggedList entries;
        const int kind = contentKind & TV_FMT_CATEGORIES ? 0 : (contentKind == TV_FMT_DOWNLOADS ? 1 : contentKind == TV_FMT_BOOKMARKS ? 2 : 3);
        for (ListNode* n : nodes) entries.push_back({kind, n});
        return TDataObject::Create(&data_, contentKind, entries);
    }

    std::string root_;
    TProgramData data_;
    CountingViews views_;
    TItemOperations ops_{&data_, nullptr, &views_};
    TIntakeResponder responder_;
    TDropEnvironment env_;
    ListNode *dlStandard_ = nullptr, *bmStandard_ = nullptr, *scStandard_ = nullptr;
};

// --- The data object as other programs read it.

TEST_F(DragDrop, DownloadsRenderAsFilesAndShellItems) {
    ListNode* a = Download(dlStandard_, "a.bin", "alpha");
    ListNode* b = Download(dlStandard_, "b c.bin", "bravo");
    TDataObject* data = Items(TV_FMT_DOWNLOADS, {a, b});
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(EvaluateFormats(data), uint32_t(TV_FMT_HDROP | TV_FMT_DOWNLOADS));
    EXPECT_EQ(ReadDroppedFiles(data),
              (std::vector<std::string>{Folder(dlStandard_) + "\\a.bin", Folder(dlStandard_) + "\\b c.bin"}));
    std::vector<uint8_t> bytes;
    std::vector<std::vector<uint8_t>> lists;
    ASSERT_TRUE(ReadFormatBytes(data, ShellIdListFormat(), -1, &bytes));
    ASSERT_TRUE(ReadIdListArray(bytes.data(), bytes.size(), &lists));
    EXPECT_EQ(lists.size(), 3u);  // the folder and the two items
    // The in-process format names the object's own list, in this process.
    EXPECT_EQ(ReadDraggedList(data, TV_FMT_DOWNLOADS), &data->Entries());
    EXPECT_EQ(ReadDraggedList(data, TV_FMT_BOOKMARKS), nullptr);
    // Formats it does not offer.
    FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    EXPECT_EQ(data->GetData(&text, &medium), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(&text), DV_E_FORMATETC);
    // What OLE lists when the object goes onto the clipboard.
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    FORMATETC f[8];
    ULONG fetched = 0;
    formats->Next(8, f, &fetched);
    formats->Release();
    EXPECT_EQ(fetched, 3u);
    // A download removed since the copy is left out.
    data_.downloads.DeleteNode(a);
    EXPECT_EQ(ReadDroppedFiles(data), (std::vector<std::string>{Folder(dlStandard_) + "\\b c.bin"}));
    data_.downloads.DeleteNode(b);
    STGMEDIUM none = {};
    FORMATETC drop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->GetData(&drop, &none), E_OUTOFMEMORY);
    data->Release();
    // An empty list makes no data object.
    EXPECT_EQ(TDataObject::Create(&data_, TV_FMT_DOWNLOADS, {}), nullptr);
}

TEST_F(DragDrop, BookmarksRenderAsLinkAndInternetShortcut) {
    ListNode* gone = Bookmark(bmStandard_, "Gone", "http://gone.example/");
    ListNode* site = Bookmark(bmStandard_, "Example: site", "http://example.com/page");
    TDataObject* data = Items(TV_FMT_BOOKMARKS, {gone, site});
    data_.bookmarks.DeleteNode(gone);  // the first one still valid is rendered
    std::string url;
    ASSERT_TRUE(ReadDroppedUrl(data, false, &url));
    EXPECT_EQ(url, "http://example.com/page");
    ASSERT_TRUE(ReadDroppedUrl(data, true, &url));  // CF_TEXT
    EXPECT_EQ(url, "http://example.com/page");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFormatBytes(data, FileGroupDescriptorFormat(), -1, &bytes));
    EXPECT_EQ(bytes.size(), 668u);
    EXPECT_EQ(ReadDroppedTitle(data), "Example_ site");
    ASSERT_TRUE(ReadFormatBytes(data, FileContentsFormat(), 0, &bytes));
    EXPECT_EQ(TextOfBlock(bytes.data(), bytes.size()), "[InternetShortcut]\r\nURL=http://example.com/page");
    EXPECT_EQ(EvaluateFormats(data), uint32_t(TV_FMT_BOOKMARKS | TV_FMT_URL));
    data->Release();
}

TEST_F(DragDrop, InProcessBlocksOfOtherOriginsAreRefused) {
    ListNode* a = Download(dlStandard_, "a.bin", "alpha");
    TDataObject* real = Items(TV_FMT_DOWNLOADS, {a});
    const UINT format = ClipboardFormatOf(TV_FMT_DOWNLOADS);
    const uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(real));
    const uint32_t self = GetCurrentProcessId();
    struct Forged {
        const char* what;
        std::vector<uint32_t> words;
    } forged[] = {
        {"another process", {address, self + 4}},
        {"an address that is no live object", {address + 8, self}},
        {"a bare address without its process", {address}},
    };
    for (const Forged& f : forged) {
        TestDataObject data;
        std::vector<uint8_t> bytes(f.words.size() * 4);
        memcpy(bytes.data(), f.words.data(), bytes.size());
        data.Offer(format, bytes);
        EXPECT_EQ(ReadDraggedList(&data, TV_FMT_DOWNLOADS), nullptr) << f.what;
    }
    // The real block read through another object is still ours.
    std::vector<uint8_t> block;
    ASSERT_TRUE(ReadFormatBytes(real, format, -1, &block));
    TestDataObject copy;
    copy.Offer(format, block);
    EXPECT_EQ(ReadDraggedList(&copy, TV_FMT_DOWNLOADS), &real->Entries());
    real->Release();
    // Once the object is gone its block names nothing.
    EXPECT_EQ(ReadDraggedList(&copy, TV_FMT_DOWNLOADS), nullptr);
}

// --- The drop target.

class FakeHost : public TDropHost {
public:
    TDropHitInput point;  // what DescribeDropPoint answers
    ListNode* category = nullptr;
    std::vector<ListNode*> selected;
    std::vector<TDropInfo> delivered;
    uint32_t answer = TV_EFFECT_COPY;
    void DescribeDropPoint(POINT, TDropHitInput* in, ListNode** c) override {
        *in = point;
        *c = category;
    }
    void SelectDropCategory(ListNode* c) override { selected.push_back(c); }
    uint32_t DeliverDrop(const TDropInfo& info) override {
        delivered.push_back(info);
        return answer;
    }
};

TEST_F(DragDrop, DropTargetFollowsKeysAndDelivers) {
    FakeHost host;
    TDropTarget* target = TDropTarget::Create(&host);
    TestDataObject files;
    files.OfferFiles({"C:\\x.bin", "C:\\y.bin"});
    host.point.area = TV_DROP_AREA_LIST;
    host.point.listKind = host.point.currentKind = TV_KIND_DOWNLOADS;
    const POINTL at = {10, 10};
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    DWORD effect = all;
    ASSERT_EQ(target->DragEnter(&files, MK_LBUTTON, at, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
    effect = all;
    target->DragOver(MK_LBUTTON | MK_CONTROL, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(target->LastHit().target, TV_DROP_DOWNLOAD_LIST);

    // Over a shortcut category with Ctrl+Shift: link, and the tree selects that category.
    ListNode* shortcuts = scStandard_;
    host.point = TDropHitInput();
    host.point.area = TV_DROP_AREA_TREE;
    host.point.categoryKind = TV_KIND_SHORTCUTS;
    host.point.currentKind = TV_KIND_DOWNLOADS;
    host.category = shortcuts;
    effect = all;
    target->DragOver(MK_LBUTTON | MK_CONTROL | MK_SHIFT, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));
    EXPECT_EQ(host.selected, std::vector<ListNode*>{shortcuts});
    target->DragLeave();
    EXPECT_EQ(target->LastHit().target, TV_DROP_NONE);
    EXPECT_EQ(files.References(), 1);  // the target let go of the data object

    // The drop: hit test again, then the information goes to the window.
    effect = all;
    host.answer = TV_EFFECT_LINK;
    ASSERT_EQ(target->Drop(&files, MK_CONTROL | MK_SHIFT, at, &effect), S_OK);
    ASSERT_EQ(host.delivered.size(), 1u);
    EXPECT_EQ(host.delivered[0].formats, uint32_t(TV_FMT_HDROP));
    EXPECT_EQ(host.delivered[0].target, TV_DROP_CATEGORY);
    EXPECT_EQ(host.delivered[0].operation, uint32_t(TV_EFFECT_LINK));
    EXPECT_EQ(host.delivered[0].data, &files);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));

    // Bookmarks over a download category: no drop, nothing delivered, the source learns "none".
    TestDataObject link;
    link.OfferLink("http://example.com/", "Example");
    host.point.categoryKind = TV_KIND_DOWNLOADS;
    host.category = dlStandard_;
    effect = all;
    target->DragEnter(&link, MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = all;
    target->Drop(&link, 0, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(host.delivered.size(), 1u);
    // A window that went away answers no drop.
    target->Detach();
    effect = all;
    target->DragEnter(&files, MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->DragLeave();
    target->Release();
}

// --- What a drop does.

TEST_F(DragDrop, CategoriesMoveWithinTheirRootOnly) {
    ListNode* games = Category(TV_KIND_DOWNLOADS, "Games");
    ListNode* tools = Category(TV_KIND_DOWNLOADS, "Tools");
    Download(games, "g.bin", "game");
    ListNode* bookmarkCategory = Category(TV_KIND_BOOKMARKS, "Sites");
    TDataObject* data = TDataObject::Create(&data_, TV_FMT_FILE_CATEGORIES, {{0, games}});
    // Onto a category of another root: refused, nothing moves.
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, bookmarkCategory), uint32_t(TV_EFFECT_NONE));
    EXPECT_EQ(TCategoryListObject::Item(games)->parentId, 0);
    // Onto a category of its root: the folder goes with it.
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, tools), uint32_t(TV_EFFECT_MOVE));
    EXPECT_EQ(TCategoryListObject::Item(games)->parentId, TCategoryListObject::Item(tools)->id);
    EXPECT_EQ(ReadText(Folder(games) + "\\g.bin"), "game");
    EXPECT_TRUE(tvd::FolderExists(Folder(tools) + "\\Games"));
    // Into its own subcategory: refused with the rule's message.
    TDataObject* parent = TDataObject::Create(&data_, TV_FMT_FILE_CATEGORIES, {{0, tools}});
    EXPECT_EQ(Drop(parent, TV_DROP_CATEGORY, TV_EFFECT_MOVE, games), uint32_t(TV_EFFECT_NONE));
    EXPECT_EQ(g_boxes.size(), 1u);
    parent->Release();
    data->Release();
}

TEST_F(DragDrop, DownloadsMoveAndCopyWithTheirFiles) {
    ListNode* games = Category(TV_KIND_DOWNLOADS, "Games");
    ListNode* a = Download(dlStandard_, "a.bin", "alpha");
    TDataObject* data = Items(TV_FMT_DOWNLOADS, {a});
    // Copy into its own category twice: two copies with names of their own.
    EXPECT_EQ(Drop(data, TV_DROP_DOWNLOAD_LIST, TV_EFFECT_COPY, dlStandard_), uint32_t(TV_EFFECT_COPY));
    EXPECT_EQ(Drop(data, TV_DROP_DOWNLOAD_LIST, TV_EFFECT_COPY, dlStandard_), uint32_t(TV_EFFECT_COPY));
    EXPECT_EQ(StoredNames(dlStandard_), (std::vector<std::string>{"a.bin", "a (2).bin", "a (3).bin"}));
    for (const char* name : {"a.bin", "a (2).bin", "a (3).bin"})
        EXPECT_EQ(ReadText(Folder(dlStandard_) + "\\" + name), "alpha") << name;
    EXPECT_GE(views_.contentsShown, 2);
    // Move into another category: record and file go there.
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, games), uint32_t(TV_EFFECT_MOVE));
    EXPECT_EQ(TFileListObject::Item(a)->categoryId, TCategoryListObject::Item(games)->id);
    EXPECT_EQ(ReadText(Folder(games) + "\\a.bin"), "alpha");
    EXPECT_FALSE(tvd::FileExists(Folder(dlStandard_) + "\\a.bin"));
    EXPECT_NE(std::find(views_.removed.begin(), views_.removed.end(), a), views_.removed.end());
    // Moving where it already is changes nothing.
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, games), uint32_t(TV_EFFECT_NONE));
    data->Release();

    // A file of that name already lies in the target folder (the database does not know it): the
    // move is not made, and neither file is touched.
    ListNode* b = Download(dlStandard_, "b.bin", "bravo");
    ASSERT_TRUE(tvd::WriteWholeFile(Folder(games) + "\\b.bin", "stranger"));
    TDataObject* second = Items(TV_FMT_DOWNLOADS, {b});
    EXPECT_EQ(Drop(second, TV_DROP_CATEGORY, TV_EFFECT_MOVE, games), uint32_t(TV_EFFECT_NONE));
    EXPECT_EQ(TFileListObject::Item(b)->categoryId, TCategoryListObject::Item(dlStandard_)->id);
    EXPECT_EQ(ReadText(Folder(dlStandard_) + "\\b.bin"), "bravo");
    EXPECT_EQ(ReadText(Folder(games) + "\\b.bin"), "stranger");
    // Downloads are not dropped on bookmarks.
    EXPECT_EQ(Drop(second, TV_DROP_CATEGORY, TV_EFFECT_MOVE, bmStandard_), uint32_t(TV_EFFECT_NONE));
    second->Release();
}

TEST_F(DragDrop, BookmarksMoveOrAreDuplicated) {
    ListNode* sites = Category(TV_KIND_BOOKMARKS, "Sites");
    ListNode* b = Bookmark(bmStandard_, "Example", "http://example.com/");
    TDataObject* data = Items(TV_FMT_BOOKMARKS, {b});
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_COPY, sites), uint32_t(TV_EFFECT_COPY));
    EXPECT_EQ(data_.bookmarks.Count(1), 2u);
    EXPECT_EQ(TBookmarkListObject::Item(b)->categoryId, TCategoryListObject::Item(bmStandard_)->id);
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, sites), uint32_t(TV_EFFECT_MOVE));
    EXPECT_EQ(TBookmarkListObject::Item(b)->categoryId, TCategoryListObject::Item(sites)->id);
    EXPECT_EQ(data_.bookmarks.Count(1), 2u);
    // Onto a download category: nothing.
    EXPECT_EQ(Drop(data, TV_DROP_CATEGORY, TV_EFFECT_MOVE, dlStandard_), uint32_t(TV_EFFECT_NONE));
    EXPECT_TRUE(g_bookmarkDialogs.empty());
    data->Release();
}

TEST_F(DragDrop, FilesFromOutsideComeInAsDownloads) {
    const std::string x = Outside("x.bin", "xray"), y = Outside("y.bin", "yankee");
    TestDataObject two;
    two.OfferFiles({x, y});
    // Two files with Ctrl: copied, with the options for several files (no dialog).
    EXPECT_EQ(Drop(&two, TV_DROP_CATEGORY, TV_EFFECT_COPY, dlStandard_), uint32_t(TV_EFFECT_COPY));
    EXPECT_EQ(StoredNames(dlStandard_), (std::vector<std::string>{"x.bin", "y.bin"}));
    EXPECT_TRUE(g_addEditFiles.empty());
    EXPECT_EQ(ReadText(x), "xray");
    EXPECT_EQ(ReadText(y), "yankee");
    EXPECT_EQ(ReadText(Folder(dlStandard_) + "\\y.bin"), "yankee");

    // One file moved: the add/edit dialog shows it, the file leaves its folder, and the source is
    // told nothing was left for it to do.
    ListNode* games = Category(TV_KIND_DOWNLOADS, "Games");
    TestDataObject one;
    one.OfferFiles({x});
    EXPECT_EQ(Drop(&one, TV_DROP_DOWNLOAD_LIST, TV_EFFECT_MOVE, games), uint32_t(TV_EFFECT_NONE));
    EXPECT_EQ(g_addEditFiles, std::vector<std::string>{"x.bin"});
    EXPECT_EQ(StoredNames(games), std::vector<std::string>{"x.bin"});
    EXPECT_FALSE(tvd::FileExists(x));
    EXPECT_EQ(ReadText(Folder(games) + "\\x.bin"), "xray");
}

TEST_F(DragDrop, AMoveThatFailsPartWayLosesNoFile) {
    const std::string x = Outside("x.bin", "xray"), y = Outside("y.bin", "yankee");
    // y cannot be moved (nor copied): another program holds it open without sharing.
    HANDLE held = CreateFileA(y.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TestDataObject two;
    two.OfferFiles({x, y});
    EXPECT_EQ(Drop(&two, TV_DROP_CATEGORY, TV_EFFECT_MOVE, dlStandard_), uint32_t(TV_EFFECT_NONE));
    CloseHandle(held);
    EXPECT_FALSE(tvd::FileExists(x));
    EXPECT_EQ(ReadText(Folder(dlStandard_) + "\\x.bin"), "xray");
    EXPECT_EQ(ReadText(y), "yankee");
    // Only what arrived is recorded.
    EXPECT_EQ(StoredNames(dlStandard_), std::vector<std::string>{"x.bin"});
}

TEST_F(DragDrop, FilesOnShortcutsAreAddedOrLinked) {
    const std::string x = Outside("tool.exe", "MZ");
    TestDataObject one;
    one.OfferFiles({x});
    EXPECT_EQ(Drop(&one, TV_DROP_SHORTCUT_LIST, TV_EFFECT_LINK, scStandard_), uint32_t(TV_EFFECT_LINK));
    EXPECT_TRUE(tvd::FileExists(Folder(scStandard_) + "\\tool.lnk"));
    EXPECT_EQ(Drop(&one, TV_DROP_CATEGORY, TV_EFFECT_COPY, scStandard_), uint32_t(TV_EFFECT_COPY));
    EXPECT_EQ(ReadText(Folder(scStandard_) + "\\tool.exe"), "MZ");
    EXPECT_EQ(ReadText(x), "MZ");
    std::vector<std::string> titles;
    for (ListNode* n = data_.shortcuts.First(); n; n = n->next) titles.push_back(TShortcutListObject::Item(n)->title);
    EXPECT_EQ(titles, (std::vector<std::string>{"tool.lnk", "tool.exe"}));
}

TEST_F(DragDrop, ALinkFromABrowserOpensTheBookmarkDialog) {
    ListNode* sites = Category(TV_KIND_BOOKMARKS, "Sites");
    TestDataObject link;
    link.OfferLink("http://example.com/docs", "Example Docs");
    EXPECT_EQ(Drop(&link, TV_DROP_CATEGORY, TV_EFFECT_LINK, sites), uint32_t(TV_EFFECT_LINK));
    ASSERT_EQ(g_bookmarkDialogs.size(), 1u);
    EXPECT_EQ(g_bookmarkDialogs[0].url, "http://example.com/docs");
    EXPECT_EQ(g_bookmarkDialogs[0].title, "Example Docs");
    EXPECT_EQ(g_bookmarkDialogs[0].category, "Sites");
    EXPECT_EQ(data_.bookmarks.Count(1), 1u);
    // Netscape's bookmark: the URL as text, no title.
    TestDataObject netscape;
    netscape.Offer(RegisterClipboardFormatA("Netscape Bookmark"), {0});
    netscape.OfferText(CF_TEXT, "http://netscape.example/");
    EXPECT_EQ(Drop(&netscape, TV_DROP_BOOKMARK_LIST, TV_EFFECT_COPY, bmStandard_), uint32_t(TV_EFFECT_COPY));
    ASSERT_EQ(g_bookmarkDialogs.size(), 2u);
    EXPECT_EQ(g_bookmarkDialogs[1].url, "http://netscape.example/");
    EXPECT_EQ(g_bookmarkDialogs[1].title, "");
    EXPECT_EQ(g_bookmarkDialogs[1].category, "Standard");
}

TEST_F(DragDrop, AfterAMoveDragOnlyRecordsWhoseFileWentAreRemoved) {
    ListNode* a = Download(dlStandard_, "a.bin", "alpha");
    ListNode* b = Download(dlStandard_, "b.bin", "bravo");
    const std::vector<TDragRecordState> state = CaptureDragState(&data_, {{1, a}, {1, b}});
    ASSERT_EQ(state.size(), 2u);
    // The target took a.bin away; b.bin stayed (copied, or refused).
    ASSERT_TRUE(MoveFileA((Folder(dlStandard_) + "\\a.bin").c_str(), (root_ + "\\outside\\a.bin").c_str()));
    EXPECT_EQ(CleanUpAfterDrag(&data_, &views_, state, TV_EFFECT_COPY), 0);
    EXPECT_EQ(CleanUpAfterDrag(&data_, &views_, state, TV_EFFECT_MOVE), 1);
    EXPECT_EQ(StoredNames(dlStandard_), std::vector<std::string>{"b.bin"});
    EXPECT_TRUE(data_.downloads.IsNodeValid(b, 1));
    // A second clean-up with the same state finds the removed record gone and does nothing.
    EXPECT_EQ(CleanUpAfterDrag(&data_, &views_, state, TV_EFFECT_MOVE), 0);
}

// --- The real clipboard across two processes.

std::string PeerPath() { return tvd::WinPath(TV_PEER_PATH); }

bool RunPeer(const std::string& args, DWORD* code) {
    tvd::Process peer;
    if (!peer.Start(PeerPath(), args)) return false;
    // The clipboard's renderings are asked of this thread while the peer reads: pump meanwhile.
    if (!tvd::WaitUntil([&] { return !peer.Running(); }, tvd::WaitCeilingMs())) return false;
    return peer.Wait(tvd::WaitCeilingMs(), code);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

TEST_F(DragDrop, TheClipboardCarriesFilesBetweenProcesses) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    ListNode* a = Download(dlStandard_, "a.bin", "alpha");
    TDataObject* data = Items(TV_FMT_DOWNLOADS, {a});
    ASSERT_EQ(OleSetClipboard(data), S_OK);

    // Another program reads the file list; our in-process block means nothing there.
    const std::string out = root_ + "\\clip.txt";
    DWORD code = 99;
    ASSERT_TRUE(RunPeer("clip-read \"" + out + "\"", &code));
    EXPECT_EQ(code, 0u);
    char formats[40];
    snprintf(formats, sizeof(formats), "formats 0x%03X", unsigned(TV_FMT_HDROP | TV_FMT_DOWNLOADS));
    EXPECT_EQ(Lines(ReadText(out)), (std::vector<std::string>{formats, "file " + Folder(dlStandard_) + "\\a.bin",
                                                               "inprocess refused", "end"}));
    // This process reads its own block through the clipboard.
    IDataObject* back = nullptr;
    ASSERT_EQ(OleGetClipboard(&back), S_OK);
    EXPECT_EQ(ReadDraggedList(back, TV_FMT_DOWNLOADS), &data->Entries());
    back->Release();
    data->Release();

    // The other way: another program puts two files there and exits; a paste copies them in.
    const std::string x = Outside("x.bin", "xray"), y = Outside("y.bin", "yankee");
    ASSERT_TRUE(RunPeer("clip-put-files \"" + x + "\" \"" + y + "\"", &code));
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(OleGetClipboard(&back), S_OK);
    EXPECT_EQ(EvaluateFormats(back), uint32_t(TV_FMT_HDROP));
    EXPECT_EQ(Drop(back, TV_DROP_DOWNLOAD_LIST, TV_EFFECT_COPY, dlStandard_), uint32_t(TV_EFFECT_COPY));
    back->Release();
    EXPECT_EQ(StoredNames(dlStandard_), (std::vector<std::string>{"a.bin", "x.bin", "y.bin"}));
    EXPECT_EQ(ReadText(x), "xray");

    // A bookmark copied here is a link for the other program.
    ListNode* site = Bookmark(bmStandard_, "Example", "http://example.com/");
    TDataObject* bookmarks = Items(TV_FMT_BOOKMARKS, {site});
    ASSERT_EQ(OleSetClipboard(bookmarks), S_OK);
    bookmarks->Release();
    const std::string out2 = root_ + "\\clip2.txt";
    ASSERT_TRUE(RunPeer("clip-read \"" + out2 + "\"", &code));
    snprintf(formats, sizeof(formats), "formats 0x%03X", unsigned(TV_FMT_BOOKMARKS | TV_FMT_URL));
    EXPECT_EQ(Lines(ReadText(out2)), (std::vector<std::string>{formats, "url http://example.com/", "title Example",
                                                                "inprocess refused", "end"}));
    OleSetClipboard(nullptr);
}

}  // namespace
