// Interchange files through the real program: a full backup and an excerpt written by the creation
// wizard of one program folder and read by the import wizard of another, with the records, the
// categories and every stored file compared byte for byte; the destination checks of the creation
// wizard; a second import of the same excerpt.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/items.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "tests/e2e/e2e_support.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

// Page controls (interchange/interchange_ids.h).
constexpr int kText = 100;
constexpr int kFirstChoice = 101;   // excerpt radio, downloads check box, tree, path edit, progress
constexpr int kSecondChoice = 102;  // backup radio, bookmarks check box, browse button, result text
constexpr int kDontImport = 103;
constexpr char kCreateCaption[] = "Create Interchange File";
constexpr char kImportCaption[] = "Import Interchange File";
constexpr char kCreated[] = "The Interchange File was created successfully.";
constexpr char kImported[] = "The Interchange File was imported successfully.";

// A program folder of its own with tv.exe (two per test: the writer and the reader).
class Program {
public:
    explicit Program(const std::string& name)
        : folder_(TV_E2E_WORK, e2e::CurrentTestName() + "." + name) {
        const std::string exe = tvd::WinPath(TV_EXE_PATH);
        if (folder_.InstallFilesOf(exe.substr(0, exe.size() - tvd::BaseName(exe).size())) > 0)
            exe_ = folder_.File("tv.exe");
    }
    ~Program() {
        if (::testing::Test::HasFailure()) folder_.Keep();
    }
    const std::string& path() const { return folder_.path(); }
    std::string File(const std::string& name) const { return folder_.File(name); }
    bool Start(const std::string& args = std::string()) {
        if (exe_.empty() || !e2e::StartTv(process_, exe_, args, folder_.path())) return false;
        frame_ = process_.WaitForWindow(e2e::kFrameClass, nullptr, tvd::WaitCeilingMs());
        return frame_ != nullptr;
    }
    HWND frame() const { return frame_; }
    DWORD pid() const { return process_.pid(); }
    bool Close() {
        DWORD code = 1;
        return process_.CloseAndWait(frame_, tvd::WaitCeilingMs(), &code) && code == 0;
    }

private:
    tvd::ProgramFolder folder_;
    std::string exe_;
    tvd::Process process_;
    HWND frame_ = nullptr;
};

// What the writer's database holds, for the comparison after the import.
struct StoredFile {
    std::string category;  // category path below the root, "" for the root
    std::string name;      // stored name
    std::string bytes;
};

std::string Pattern(size_t size, int seed) {
    std::string s(size, '\0');
    uint32_t x = uint32_t(seed) * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    return s;
}

bool WriteFile(const std::string& path, const std::string& bytes) { return tvd::WriteWholeFile(path, bytes); }

std::string FolderOf(const TProgramData& d, int kind, int32_t id) {
    char out[TV_PATH_SIZE] = {};
    const StorageLocations l{d.standards.downloadsLocation, d.standards.shortcutsLocation};
    d.categories.CategoryFolder(out, sizeof out, d.categories.FindCategoryById(id, kind), l);
    return out;
}

// Writes folder\tv.cfg: categories of all three kinds, downloads in several of them (one name
// twice, stored files from empty to several chunks), bookmarks and shortcuts with their files.
bool WriteSourceDatabase(const std::string& folder, std::vector<StoredFile>* downloads,
                         std::vector<StoredFile>* shortcuts) {
    TProgramData d;
    d.SetProgramFolder(folder.c_str());
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(0);
    d.categories.AddCategory("Tools", TV_KIND_DOWNLOADS, 0, nullptr);             // 1
    d.categories.AddCategory("Sub", TV_KIND_DOWNLOADS, 1, nullptr);               // 2
    d.categories.AddCategory("Games", TV_KIND_DOWNLOADS, 0, nullptr);             // 3
    d.categories.AddCategory("Web", TV_KIND_BOOKMARKS, 0, nullptr);               // 1
    d.categories.AddCategory("Apps", TV_KIND_SHORTCUTS, 0, nullptr);              // 1
    CreateMissingStorageFolders(&d, 3);
    struct Download {
        const char* name;
        int32_t category;
        const char* path;
        size_t size;
    } list[] = {{"a.zip", 1, "Tools", 45000},  {"a.zip", 1, "Tools", 3},     {"empty.bin", 2, "Tools\\Sub", 0},
                {"c.exe", 3, "Games", 70001}, {"root.txt", 0, "", 100}};
    int seed = 1;
    for (const Download& item : list) {
        char stored[TV_PATH_SIZE];
        d.downloads.MakeUniqueStoredName(stored, sizeof stored, item.name, item.category);
        FileItem f;
        d.downloads.InitItem(&f);
        TextAssign(&f.fileName, item.name);
        TextAssign(&f.storedName, stored);
        TextAssign(&f.description, (std::string("About ") + item.name).c_str());
        TextAssign(&f.website, "http://example.com/");
        f.sizeLow = uint32_t(item.size);
        f.flags = TV_FILE_EXISTS;
        f.categoryId = item.category;
        f.downloadDate.Set(0x01D5000000000000ull + uint64_t(seed));
        d.downloads.Add(&f, 0);
        d.downloads.FreeItemData(&f);
        const std::string bytes = Pattern(item.size, seed++);
        if (!WriteFile(FolderOf(d, TV_KIND_DOWNLOADS, item.category) + stored, bytes)) return false;
        downloads->push_back({item.path, stored, bytes});
    }
    const struct {
        const char* url;
        const char* title;
        int32_t category;
    } bookmarks[] = {{"http://one.example/", "One", 1}, {"http://two.example/", "Two", 0}};
    for (const auto& b : bookmarks) {
        BookmarkItem item;
        d.bookmarks.InitItem(&item);
        TextAssign(&item.url, b.url);
        TextAssign(&item.title, b.title);
        item.categoryId = b.category;
        d.bookmarks.Add(&item, 0);
        d.bookmarks.FreeItemData(&item);
    }
    const struct {
        const char* title;
        int32_t category;
        const char* path;
    } links[] = {{"Editor.lnk", 0, ""}, {"Tool.lnk", 1, "Apps"}};
    for (const auto& s : links) {
        ShortcutItem item;
        d.shortcuts.InitItem(&item);
        TextAssign(&item.title, s.title);
        item.flags = TV_SHORTCUT_EXISTS;
        item.categoryId = s.category;
        d.shortcuts.Add(&item, 0);
        d.shortcuts.FreeItemData(&item);
        const std::string bytes = Pattern(300, seed++);
        if (!WriteFile(FolderOf(d, TV_KIND_SHORTCUTS, s.category) + s.title, bytes)) return false;
        shortcuts->push_back({s.path, s.title, bytes});
    }
    return SaveDatabase(&d, nullptr, (folder + "\\tv.cfg").c_str());
}

bool LoadSaved(const std::string& folder, TProgramData* data) {
    data->SetProgramFolder(folder.c_str());
    return !LoadDatabase(data, nullptr, (folder + "\\tv.cfg").c_str());
}

// "kind:path/name" of every category below the roots.
std::vector<std::string> CategoryPaths(const TProgramData& d) {
    std::vector<std::string> out;
    for (const ListNode* n = d.categories.First(); n; n = n->next) {
        const CategoryItem* c = TCategoryListObject::Item(n);
        char path[TV_PATH_SIZE] = {};
        d.categories.CategoryPath(path, sizeof path, n);
        out.push_back(std::to_string(c->kind) + ":" + (c->id == 0 ? std::string(c->name) : std::string(path)));
    }
    return out;
}

// "category path|file name|stored name|description|size" of every download.
std::vector<std::string> DownloadRows(const TProgramData& d) {
    std::vector<std::string> out;
    for (const ListNode* n = d.downloads.First(); n; n = n->next) {
        const FileItem* f = TFileListObject::Item(n);
        char path[TV_PATH_SIZE] = {};
        d.categories.CategoryPath(path, sizeof path, d.categories.FindCategoryById(f->categoryId, TV_KIND_DOWNLOADS));
        out.push_back(std::string(path) + "|" + f->fileName + "|" + f->storedName + "|" + f->description + "|" +
                      std::to_string(f->sizeLow) + "|" + std::to_string(f->downloadDate.Value()));
    }
    return out;
}

std::vector<std::string> BookmarkRows(const TProgramData& d) {
    std::vector<std::string> out;
    for (const ListNode* n = d.bookmarks.First(); n; n = n->next) {
        const BookmarkItem* b = TBookmarkListObject::Item(n);
        char path[TV_PATH_SIZE] = {};
        d.categories.CategoryPath(path, sizeof path, d.categories.FindCategoryById(b->categoryId, TV_KIND_BOOKMARKS));
        out.push_back(std::string(path) + "|" + b->title + "|" + b->url);
    }
    return out;
}

std::string Slash(const std::string& category) { return category.empty() ? category : category + "\\"; }

// ---- Driving the wizards.

HWND Page(HWND sheet) { return tvd::CurrentPropertyPage(sheet); }

// Waits until the current page holds a control of the class with the id.
HWND WaitForPage(HWND sheet, int id, const char* className) {
    HWND page = nullptr;
    tvd::WaitUntil(
        [&] {
            page = Page(sheet);
            HWND control = page ? tvd::Control(page, id) : nullptr;
            return control && IsWindowVisible(control) && tvd::ClassName(control) == className;
        },
        tvd::WaitCeilingMs());
    return page;
}

bool Next(HWND sheet) { return tvd::PressPropertySheetButton(sheet, PSBTN_NEXT); }

// Presses Next and waits until another page is current.
void NextPage(HWND sheet) {
    HWND old = Page(sheet);
    ASSERT_TRUE(Next(sheet));
    EXPECT_TRUE(tvd::WaitUntil([&] { return Page(sheet) != old; }, tvd::WaitCeilingMs()));
}

// Presses Next and expects an error box with text; answers it. True when it came.
bool NextRefused(HWND sheet, DWORD pid, const std::string& text, const char* caption = "Error", int answer = IDOK) {
    if (!Next(sheet)) return false;
    HWND box = tvd::WaitForMessageBox(caption, tvd::WaitCeilingMs(), pid);
    if (!box) return false;
    const std::string shown = tvd::MessageBoxText(box);
    EXPECT_NE(shown.find(text), std::string::npos) << shown;
    return tvd::AnswerMessageBox(box, answer) && tvd::WaitForWindowGone(box, tvd::WaitCeilingMs());
}

bool SelectCategory(HWND page, const std::vector<std::string>& path) {
    HWND tree = tvd::Control(page, kFirstChoice);
    HTREEITEM item = tree ? tvd::FindTreeItem(tree, path) : nullptr;
    return item && tvd::SelectTreeItem(tree, item);
}

// Waits on the working page for the final text and presses Finish; returns the text.
std::string FinishWork(HWND sheet, HWND page) {
    std::string text;
    tvd::WaitUntil(
        [&] {
            text = tvd::ControlText(page, kSecondChoice);
            return !text.empty();
        },
        tvd::WaitCeilingMs());
    EXPECT_FALSE(tvd::IsControlEnabled(sheet, IDCANCEL)) << "only Finish is left";
    EXPECT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_FINISH));
    EXPECT_TRUE(tvd::WaitForWindowGone(sheet, tvd::WaitCeilingMs()));
    return text;
}

// The import wizard from the location page (path already there or set) to its end.
std::string ImportThrough(HWND sheet, const std::string& file, bool excerpt,
                          const std::vector<std::string>& downloadTarget,
                          const std::vector<std::string>& bookmarkTarget) {
    HWND page = WaitForPage(sheet, kFirstChoice, "Edit");
    if (!page) return "no location page";
    if (!file.empty()) tvd::SetControlText(page, kFirstChoice, file);
    NextPage(sheet);
    page = WaitForPage(sheet, kText, "Static");
    if (!excerpt) {
        EXPECT_NE(tvd::ControlText(page, kText).find("full backup"), std::string::npos);
    } else {
        EXPECT_NE(tvd::ControlText(page, kText).find("excerpt"), std::string::npos);
        NextPage(sheet);
        for (const auto* target : {&downloadTarget, &bookmarkTarget}) {
            page = WaitForPage(sheet, kFirstChoice, "SysTreeView32");
            if (!page) return "no category page";
            if (target->empty())
                tvd::SetButtonChecked(page, kDontImport, true);
            else
                EXPECT_TRUE(SelectCategory(page, *target));
            NextPage(sheet);
        }
        page = WaitForPage(sheet, kText, "Static");
        EXPECT_NE(tvd::ControlText(page, kText).find("ready to import"), std::string::npos);
    }
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "msctls_progress32");
    return page ? FinishWork(sheet, page) : "no working page";
}

TEST(Interchange, FullBackupRestoresAnotherProgramFolder) {
    Program writer("writer"), reader("reader");
    std::vector<StoredFile> downloads, shortcuts;
    ASSERT_TRUE(WriteSourceDatabase(writer.path(), &downloads, &shortcuts));
    ASSERT_TRUE(WriteFile(writer.File("setup.exe"), "not a real installer"));
    const std::string backupFolder = writer.File("backup");
    ASSERT_TRUE(tvd::MakeFolders(backupFolder));
    const std::string file = backupFolder + "\\full.tvi";

    ASSERT_TRUE(writer.Start());
    ASSERT_TRUE(tvd::PostCommand(writer.frame(), 135));
    HWND sheet = tvd::WaitForWindow("#32770", kCreateCaption, tvd::WaitCeilingMs(), writer.pid());
    ASSERT_TRUE(sheet);
    HWND page = WaitForPage(sheet, kSecondChoice, "Button");
    ASSERT_TRUE(page);
    tvd::SetButtonChecked(page, kFirstChoice, false);
    tvd::SetButtonChecked(page, kSecondChoice, true);
    NextPage(sheet);
    page = WaitForPage(sheet, kText, "Static");
    EXPECT_NE(tvd::ControlText(page, kText).find("full backup"), std::string::npos);
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "Edit");
    ASSERT_TRUE(page);
    tvd::SetControlText(page, kFirstChoice, file);
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "msctls_progress32");
    ASSERT_TRUE(page);
    const std::string created = FinishWork(sheet, page);
    EXPECT_EQ(created.find(kCreated), 0u) << created;
    EXPECT_NE(created.find("SETUP.EXE file which was copied"), std::string::npos) << created;
    ASSERT_TRUE(writer.Close());
    std::string setup;
    EXPECT_TRUE(tvd::ReadWholeFile(backupFolder + "\\setup.exe", &setup));
    EXPECT_EQ(setup, "not a real installer");

    TProgramData original;
    ASSERT_TRUE(LoadSaved(writer.path(), &original));
    // A new machine: the stored files are gone; the backup brings them back to where they were.
    ASSERT_TRUE(tvd::RemoveTree(original.standards.downloadsLocation));
    ASSERT_TRUE(tvd::RemoveTree(original.standards.shortcutsLocation));

    ASSERT_TRUE(reader.Start("/interchangefile \"" + file + "\""));
    sheet = tvd::WaitForWindow("#32770", kImportCaption, tvd::WaitCeilingMs(), reader.pid());
    ASSERT_TRUE(sheet);
    const std::string imported = ImportThrough(sheet, "", false, {}, {});
    EXPECT_EQ(imported.find(kImported), 0u) << imported;
    ASSERT_TRUE(reader.Close());

    ASSERT_EQ(DownloadRows(original).size(), 5u);
    TProgramData restored;
    ASSERT_TRUE(LoadSaved(reader.path(), &restored));
    EXPECT_STREQ(restored.standards.downloadsLocation, original.standards.downloadsLocation);
    // The reader's own first-start categories ("Standard") stay beside the restored ones; the
    // items come in the order of the file (each category's items, then its subcategories).
    std::vector<std::string> categories;
    for (const std::string& c : CategoryPaths(restored))
        if (c.find("Standard") == std::string::npos) categories.push_back(c);
    EXPECT_EQ(categories, CategoryPaths(original));
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(DownloadRows(restored)), sorted(DownloadRows(original)));
    EXPECT_EQ(sorted(BookmarkRows(restored)), sorted(BookmarkRows(original)));
    EXPECT_EQ(restored.shortcuts.Count(1), 2u);
    for (const StoredFile& f : downloads) {
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(std::string(restored.standards.downloadsLocation) + Slash(f.category) + f.name,
                                       &bytes))
            << f.name;
        EXPECT_TRUE(bytes == f.bytes) << f.name << ": " << bytes.size() << " bytes, expected " << f.bytes.size();
    }
    for (const StoredFile& f : shortcuts) {
        std::string bytes;
        EXPECT_TRUE(tvd::ReadWholeFile(std::string(restored.standards.shortcutsLocation) + Slash(f.category) + f.name,
                                       &bytes));
        EXPECT_TRUE(bytes == f.bytes) << f.name;
    }
}

TEST(Interchange, ExcerptChecksItsDestinationAndImportsTwiceWithoutDoubles) {
    Program writer("writer"), reader("reader");
    std::vector<StoredFile> downloads, shortcuts;
    ASSERT_TRUE(WriteSourceDatabase(writer.path(), &downloads, &shortcuts));
    const std::string file = writer.path() + "\\excerpt.tvi";

    ASSERT_TRUE(writer.Start());
    ASSERT_TRUE(tvd::PostCommand(writer.frame(), 135));
    HWND sheet = tvd::WaitForWindow("#32770", kCreateCaption, tvd::WaitCeilingMs(), writer.pid());
    ASSERT_TRUE(sheet);
    HWND page = WaitForPage(sheet, kSecondChoice, "Button");
    ASSERT_TRUE(page);
    tvd::SetButtonChecked(page, kSecondChoice, false);
    tvd::SetButtonChecked(page, kFirstChoice, true);
    NextPage(sheet);
    page = WaitForPage(sheet, kSecondChoice, "Button");
    tvd::SetButtonChecked(page, kFirstChoice, false);
    tvd::SetButtonChecked(page, kSecondChoice, false);
    EXPECT_TRUE(NextRefused(sheet, writer.pid(), "at least either downloads or bookmarks"));
    tvd::SetButtonChecked(page, kFirstChoice, true);
    tvd::SetButtonChecked(page, kSecondChoice, true);
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "SysTreeView32");
    ASSERT_TRUE(page);
    EXPECT_FALSE(IsWindowVisible(tvd::Control(page, kDontImport))) << "only the import offers it";
    ASSERT_TRUE(SelectCategory(page, {"Downloads", "Tools"}));
    NextPage(sheet);
    ASSERT_TRUE(tvd::WaitUntil([&] { return tvd::WindowText(sheet) == "Interchange File Bookmark Categories"; },
                               tvd::WaitCeilingMs()));
    page = WaitForPage(sheet, kFirstChoice, "SysTreeView32");
    ASSERT_TRUE(SelectCategory(page, {"Bookmarks", "Web"}));
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "Edit");
    ASSERT_TRUE(page);
    // The destination checks: a name without folder, an existing file (No stays), another extension.
    tvd::SetControlText(page, kFirstChoice, "excerpt.tvi");
    EXPECT_TRUE(NextRefused(sheet, writer.pid(), "valid filename for the Interchange File"));
    ASSERT_TRUE(WriteFile(writer.File("exists.tvi"), "old"));
    tvd::SetControlText(page, kFirstChoice, writer.File("exists.tvi"));
    EXPECT_TRUE(NextRefused(sheet, writer.pid(), "already exists", "Question", IDNO));
    tvd::SetControlText(page, kFirstChoice, writer.File("excerpt.zip"));
    EXPECT_TRUE(NextRefused(sheet, writer.pid(), "extension .TVI"));
    tvd::SetControlText(page, kFirstChoice, file);
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "msctls_progress32");
    ASSERT_TRUE(page);
    const std::string created = FinishWork(sheet, page);
    EXPECT_EQ(created, std::string(kCreated) + " Please click Finish to close this dialog.");
    ASSERT_TRUE(writer.Close());
    std::string old;
    EXPECT_TRUE(tvd::ReadWholeFile(writer.File("exists.tvi"), &old));
    EXPECT_EQ(old, "old");

    // The reader imports it twice into its downloads root and its bookmarks root.
    ASSERT_TRUE(reader.Start());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(tvd::PostCommand(reader.frame(), 136));
        sheet = tvd::WaitForWindow("#32770", kImportCaption, tvd::WaitCeilingMs(), reader.pid());
        ASSERT_TRUE(sheet);
        const std::string imported = ImportThrough(sheet, round == 0 ? file : "", true, {"Downloads"}, {"Bookmarks"});
        EXPECT_EQ(imported.find(kImported), 0u) << imported;
    }
    ASSERT_TRUE(reader.Close());

    TProgramData merged;
    ASSERT_TRUE(LoadSaved(reader.path(), &merged));
    std::vector<std::string> rows;
    for (const std::string& row : DownloadRows(merged)) rows.push_back(row.substr(0, row.find("|About")));
    EXPECT_EQ(rows, (std::vector<std::string>{"|a.zip|a.zip", "|a.zip|a (2).zip", "Sub\\|empty.bin|empty.bin",
                                              "|a.zip|a (3).zip", "|a.zip|a (4).zip", "Sub\\|empty.bin|empty (2).bin"}));
    EXPECT_EQ(BookmarkRows(merged), (std::vector<std::string>{"|One|http://one.example/"}));
    // Standard's subcategories from the first start stay; Sub came once.
    int subs = 0;
    for (const std::string& c : CategoryPaths(merged)) subs += c == "1:Sub\\" ? 1 : 0;
    EXPECT_EQ(subs, 1);
    const std::string base = merged.standards.downloadsLocation;
    std::string bytes;
    EXPECT_TRUE(tvd::ReadWholeFile(base + "a (3).zip", &bytes));
    EXPECT_TRUE(bytes == downloads[0].bytes);
    EXPECT_TRUE(tvd::ReadWholeFile(base + "a (4).zip", &bytes));
    EXPECT_TRUE(bytes == downloads[1].bytes);
    EXPECT_TRUE(tvd::ReadWholeFile(base + "Sub\\empty (2).bin", &bytes));
    EXPECT_TRUE(bytes.empty());
}

// Cancel on the working page asks first; Yes stops the work at the next item, the final text says
// the file is unusable (creation) or not fully imported (import, which keeps what it merged).
TEST(Interchange, CancelOnTheWorkingPageAsksAndStops) {
    Program program("program");
    std::vector<StoredFile> downloads, shortcuts;
    ASSERT_TRUE(WriteSourceDatabase(program.path(), &downloads, &shortcuts));
    {
        // Two large stored files in front, so the work is still copying when Cancel comes (the
        // copy runs at several hundred MB a second: 100 MB each keep it going long enough).
        const uint32_t bigSize = 100u << 20;
        TProgramData d;
        ASSERT_TRUE(LoadSaved(program.path(), &d));
        for (const char* name : {"big1.bin", "big2.bin"}) {
            FileItem f;
            d.downloads.InitItem(&f);
            TextAssign(&f.fileName, name);
            TextAssign(&f.storedName, name);
            f.flags = TV_FILE_EXISTS;
            f.sizeLow = bigSize;
            d.downloads.Add(&f, 0);
            d.downloads.FreeItemData(&f);
            ASSERT_TRUE(WriteFile(std::string(d.standards.downloadsLocation) + name, std::string(bigSize, 'x')));
        }
        ASSERT_TRUE(SaveDatabase(&d, nullptr, program.File("tv.cfg").c_str()));
    }
    const std::string whole = program.File("whole.tvi"), part = program.File("part.tvi");
    ASSERT_TRUE(program.Start());
    for (const std::string& file : {whole, part}) {
        ASSERT_TRUE(tvd::PostCommand(program.frame(), 135));
        HWND sheet = tvd::WaitForWindow("#32770", kCreateCaption, tvd::WaitCeilingMs(), program.pid());
        ASSERT_TRUE(sheet);
        HWND page = WaitForPage(sheet, kSecondChoice, "Button");
        tvd::SetButtonChecked(page, kFirstChoice, false);
        tvd::SetButtonChecked(page, kSecondChoice, true);
        NextPage(sheet);
        NextPage(sheet);
        page = WaitForPage(sheet, kFirstChoice, "Edit");
        ASSERT_TRUE(page);
        tvd::SetControlText(page, kFirstChoice, file);
        NextPage(sheet);
        page = WaitForPage(sheet, kFirstChoice, "msctls_progress32");
        ASSERT_TRUE(page);
        if (file == part) {
            ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL));
            HWND box = tvd::WaitForMessageBox("Question", tvd::WaitCeilingMs(), program.pid());
            ASSERT_TRUE(box);
            EXPECT_NE(tvd::MessageBoxText(box).find("cancel the creation"), std::string::npos);
            ASSERT_TRUE(tvd::AnswerMessageBox(box, IDYES));
        }
        const std::string text = FinishWork(sheet, page);
        if (file == part)
            EXPECT_EQ(text, "Due to your cancelling the Interchange File was not fully created and cannot be used.");
        else
            EXPECT_EQ(text.find(kCreated), 0u) << text;
    }
    // The cancelled file stays as far as it got: shorter than the whole one.
    WIN32_FILE_ATTRIBUTE_DATA a, b;
    ASSERT_TRUE(GetFileAttributesExA(whole.c_str(), GetFileExInfoStandard, &a));
    ASSERT_TRUE(GetFileAttributesExA(part.c_str(), GetFileExInfoStandard, &b));
    EXPECT_EQ(a.nFileSizeHigh, 0u);
    EXPECT_LT(b.nFileSizeLow, a.nFileSizeLow);
    ASSERT_TRUE(program.Close());

    // The import of the whole backup into a fresh program, cancelled during the first big file.
    Program reader("reader");
    ASSERT_TRUE(reader.Start());
    ASSERT_TRUE(tvd::PostCommand(reader.frame(), 136));
    HWND sheet = tvd::WaitForWindow("#32770", kImportCaption, tvd::WaitCeilingMs(), reader.pid());
    ASSERT_TRUE(sheet);
    HWND page = WaitForPage(sheet, kFirstChoice, "Edit");
    tvd::SetControlText(page, kFirstChoice, whole);
    NextPage(sheet);
    NextPage(sheet);
    page = WaitForPage(sheet, kFirstChoice, "msctls_progress32");
    ASSERT_TRUE(page);
    ASSERT_TRUE(tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL));
    HWND box = tvd::WaitForMessageBox("Question", tvd::WaitCeilingMs(), reader.pid());
    ASSERT_TRUE(box);
    EXPECT_NE(tvd::MessageBoxText(box).find("cancel the import"), std::string::npos);
    ASSERT_TRUE(tvd::AnswerMessageBox(box, IDYES));
    EXPECT_EQ(FinishWork(sheet, page), "Due to your cancelling the Interchange File was not fully imported.");
    ASSERT_TRUE(reader.Close());
    TProgramData merged;
    ASSERT_TRUE(LoadSaved(reader.path(), &merged));
    // root.txt and big1.bin come first in the file (the root's items); big2.bin never came.
    bool big2 = false;
    for (const ListNode* n = merged.downloads.First(); n; n = n->next)
        big2 = big2 || std::string(TFileListObject::Item(n)->fileName) == "big2.bin";
    EXPECT_FALSE(big2);
    EXPECT_LT(merged.downloads.Count(1), 7u);
}

// A list of temporary files (such as a foreign backup could once bring along) never makes the
// shut-down delete anything outside the system's temporary folder.
TEST(Interchange, ShutDownDeletesOnlyEntriesInTheTemporaryFolder) {
    Program program("program");
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string inside = std::string(temp) + "tv-e2e-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    const std::string outside = program.File("keep.txt");
    // Named through the temporary folder, but lying beside it.
    const std::string sneaky = std::string(temp) + "..\\tv-e2e-sneaky.txt";
    char resolved[MAX_PATH];
    ASSERT_TRUE(GetFullPathNameA(sneaky.c_str(), sizeof resolved, resolved, nullptr));
    ASSERT_TRUE(WriteFile(inside, "temporary"));
    ASSERT_TRUE(WriteFile(outside, "the user's"));
    ASSERT_TRUE(WriteFile(resolved, "outside too")) << resolved;
    {
        TProgramData d;
        d.SetProgramFolder(program.path().c_str());
        d.SetDefaultSettings(nullptr);
        d.categories.EnsureDefaultCategories(1);
        for (const std::string& path : {inside, outside, sneaky}) {
            TempFileEntry entry{const_cast<char*>(path.c_str()), TV_TEMP_FILE};
            d.tempFiles.Add(&entry, 0);
        }
        ASSERT_TRUE(SaveDatabase(&d, nullptr, program.File("tv.cfg").c_str()));
    }
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.Close());
    EXPECT_FALSE(tvd::FileExists(inside));
    EXPECT_TRUE(tvd::FileExists(outside));
    EXPECT_TRUE(tvd::FileExists(resolved));
    DeleteFileA(resolved);
    TProgramData saved;
    ASSERT_TRUE(LoadSaved(program.path(), &saved));
    EXPECT_EQ(saved.tempFiles.Count(1), 0u) << "entries outside are dropped from the list, not kept";
}

}  // namespace
