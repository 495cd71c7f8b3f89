// The Windows side of the bookmark exchange under Wine: the import dialog, the automatic imports,
// the export sheets with their checks, and the files and folders they write. The dialogs are the
// real ones, driven from a second thread of the test.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bookmarks/win_bookmark_ids.h"
#include "bookmarks/win_bookmarks.h"
#include "bookmarks_fixture.h"
#include "database/programdata.h"
#include "export/filedb_export.h"
#include "export/win_filedb_export.h"
#include "tests/driver/tvdriver.h"
#include "util/strings.h"
#include "util/textcopy.h"
#include "util/win_help.h"
#include "util/win_classes.h"

namespace {

const DWORD kWaitMs = tvd::WaitCeilingMs();
const DWORD kSelf = GetCurrentProcessId();

// Runs modal on this thread while script drives its windows from a second one.
void RunDriven(const std::function<void()>& modal, const std::function<void()>& script) {
    std::thread driver(script);
    modal();
    driver.join();
}

// The message box with the caption: its text, answered with button.
std::string AnswerBox(const char* caption, int button) {
    HWND box = tvd::WaitForMessageBox(caption, kWaitMs, kSelf);
    if (!box) return "<no box>";
    const std::string text = tvd::MessageBoxText(box);
    tvd::AnswerMessageBox(box, button);
    tvd::WaitForWindowGone(box, kWaitMs);
    return text;
}

bool WaitForControlText(HWND parent, int id, const std::string& text) {
    return tvd::WaitUntil([&] { return tvd::ControlText(parent, id) == text; }, kWaitMs);
}

bool WaitForChecked(HWND parent, int id, bool checked) {
    return tvd::WaitUntil([&] { return tvd::IsButtonChecked(parent, id) == checked; }, kWaitMs);
}

class WinBookmarks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
    }
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tvbm" + std::to_string(GetTickCount()) + "\\";
        ASSERT_TRUE(tvd::MakeFolders(root_));
        p_.SetProgramFolder(root_.c_str());
        p_.categories.EnsureDefaultCategories(0);
    }
    void TearDown() override { tvd::RemoveTree(root_.substr(0, root_.size() - 1)); }

    std::string Path(const std::string& name) const { return root_ + name; }
    void Write(const std::string& name, const std::string& content) { ASSERT_TRUE(tvd::WriteWholeFile(Path(name), content)); }
    std::string Read(const std::string& name) const {
        std::string bytes;
        tvd::ReadWholeFile(Path(name), &bytes);
        return bytes;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        for (const ListNode* n = p_.bookmarks.First(); n; n = n->next) {
            const BookmarkItem* b = TBookmarkListObject::Item(n);
            const CategoryItem* c = TCategoryListObject::Item(b->category);
            out.push_back(std::string(c ? c->name : "?") + "|" + b->title + "|" + b->url);
        }
        return out;
    }

    std::string root_;
    TProgramData p_;
};

const char kNetscape[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>News</H3>\n<DL><p>\n"
    "<DT><A HREF=\"http://news.example/\">Daily &amp; more</A>\n</DL><p>\n"
    "<DT><A HREF=\"http://root.example/\">Root</A>\n</DL><p>\n";

TEST_F(WinBookmarks, ImportDialogShowsEachFormatAndSavesTheChoices) {
    Write("bookmark.htm", kNetscape);
    ASSERT_TRUE(tvd::MakeFolders(Path("Fav")));
    BookmarkImportSettings& s = p_.bookmarkImport;
    s.format = TV_IMPORT_NETSCAPE;
    CopyLimited(s.netscapeBookmarkFile, Path("bookmark.htm").c_str(), TV_PATH_SIZE);
    CopyLimited(s.favoritesFolder, Path("Fav").c_str(), TV_PATH_SIZE);
    s.duplicateRule = TV_DUPLICATE_ADD;
    IntegrationSettings& in = p_.integration;
    std::string upper = Path("BOOKMARK.HTM");
    CopyLimited(in.netscapeBookmarkFile, upper.c_str(), TV_PATH_SIZE);
    in.netscapeBookmarkImport = 1;
    CopyLimited(in.ieFavoritesFolder, "C:\\elsewhere", TV_PATH_SIZE);
    in.ieFavoritesImport = 1;

    std::vector<std::string> formats;
    int selection = -1;
    bool automaticNetscape = false, automaticFavorites = true, addChecked = false, favoritesShown = false,
         operaEmpty = false, backToNetscape = false;
    std::string emptyMessage, missingMessage;
    bool result = false;
    RunDriven([&] { result = RunBookmarkImportDialog(nullptr, &s, &in); },
              [&] {
                  HWND d = tvd::WaitForDialog("Bookmark Import", kWaitMs, kSelf);
                  if (!d) return;
                  formats = tvd::ComboItems(d, IDC_BMIMPORT_FORMAT);
                  selection = tvd::ComboSelection(d, IDC_BMIMPORT_FORMAT);
                  automaticNetscape = tvd::IsButtonChecked(d, IDC_BMIMPORT_AUTOMATIC);
                  addChecked = tvd::IsButtonChecked(d, IDC_BMIMPORT_ADD);
                  tvd::SelectComboItem(d, IDC_BMIMPORT_FORMAT, 1);
                  favoritesShown = WaitForControlText(d, IDC_BMIMPORT_PATH, Path("Fav"));
                  automaticFavorites = tvd::IsButtonChecked(d, IDC_BMIMPORT_AUTOMATIC);
                  tvd::SelectComboItem(d, IDC_BMIMPORT_FORMAT, 2);
                  operaEmpty = WaitForControlText(d, IDC_BMIMPORT_PATH, "");
                  tvd::PressButton(d, IDOK);
                  emptyMessage = AnswerBox("Error", IDOK);
                  tvd::SetControlText(d, IDC_BMIMPORT_PATH, Path("missing.adr"));
                  tvd::PressButton(d, IDOK);
                  missingMessage = AnswerBox("Tolvane Plus", IDOK);
                  tvd::SelectComboItem(d, IDC_BMIMPORT_FORMAT, 0);
                  backToNetscape = WaitForControlText(d, IDC_BMIMPORT_PATH, Path("bookmark.htm")) &&
                                   WaitForChecked(d, IDC_BMIMPORT_AUTOMATIC, true);
                  tvd::SetButtonChecked(d, IDC_BMIMPORT_AUTOMATIC, false);
                  tvd::SetButtonChecked(d, IDC_BMIMPORT_ADD, false);
                  tvd::SetButtonChecked(d, IDC_BMIMPORT_OVERWRITE, true);
                  tvd::PressButton(d, IDOK);
                  tvd::WaitForWindowGone(d, kWaitMs);
              });
    EXPECT_TRUE(result);
    EXPECT_EQ(formats, (std::vector<std::string>{"Netscape Bookmarks", "Internet Explorer Favorites", "Opera Hotlist"}));
    EXPECT_EQ(selection, 0);
    EXPECT_TRUE(automaticNetscape) << "the automatic source equals the path, letter case aside";
    EXPECT_TRUE(addChecked);
    EXPECT_TRUE(favoritesShown);
    EXPECT_FALSE(automaticFavorites) << "the automatic source is another folder";
    EXPECT_TRUE(operaEmpty);
    EXPECT_EQ(emptyMessage, TvString(3424));
    EXPECT_NE(missingMessage, "<no box>");
    EXPECT_TRUE(backToNetscape);
    EXPECT_EQ(s.format, TV_IMPORT_NETSCAPE);
    EXPECT_EQ(s.duplicateRule, TV_DUPLICATE_OVERWRITE);
    EXPECT_EQ(in.netscapeBookmarkImport, 0u) << "unchecked for the browser's own source: automatic import off";
    EXPECT_EQ(in.ieFavoritesImport, 1u);

    // The Favorites folder with the box checked becomes Internet Explorer's automatic source.
    RunDriven([&] { result = RunBookmarkImportDialog(nullptr, &s, &in); },
              [&] {
                  HWND d = tvd::WaitForDialog("Bookmark Import", kWaitMs, kSelf);
                  if (!d) return;
                  tvd::SelectComboItem(d, IDC_BMIMPORT_FORMAT, 1);
                  WaitForControlText(d, IDC_BMIMPORT_PATH, Path("Fav"));
                  tvd::SetButtonChecked(d, IDC_BMIMPORT_AUTOMATIC, true);
                  tvd::PressButton(d, IDOK);
                  tvd::WaitForWindowGone(d, kWaitMs);
              });
    EXPECT_TRUE(result);
    EXPECT_EQ(s.format, TV_IMPORT_FAVORITES);
    EXPECT_EQ(std::string(in.ieFavoritesFolder), Path("Fav"));
    EXPECT_EQ(in.ieFavoritesImport, 1u);
}

TEST_F(WinBookmarks, ImportCommandAddsOnceThenSaysNothingNew) {
    Write("bookmark.htm", kNetscape);
    CopyLimited(p_.bookmarkImport.netscapeBookmarkFile, Path("bookmark.htm").c_str(), TV_PATH_SIZE);
    std::string message;
    bool first = false, second = true;
    auto pressImport = [&] {
        HWND d = tvd::WaitForDialog("Bookmark Import", kWaitMs, kSelf);
        if (d) tvd::PressButton(d, IDOK);
    };
    RunDriven([&] { first = ImportBookmarksCommand(nullptr, &p_); }, pressImport);
    EXPECT_TRUE(first);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"News|Daily & more|http://news.example/", "Bookmarks|Root|http://root.example/"}));
    RunDriven([&] { second = ImportBookmarksCommand(nullptr, &p_); },
              [&] {
                  pressImport();
                  message = AnswerBox("Tolvane Plus", IDOK);
              });
    EXPECT_FALSE(second);
    EXPECT_EQ(message, "No new bookmarks found.");
    EXPECT_EQ(p_.bookmarks.Count(1), 2u);
}

TEST_F(WinBookmarks, StartupImportsReadEachSwitchedOnBrowserAndKeepTheSavedChoices) {
    Write("bookmark.htm", kNetscape);
    ASSERT_TRUE(tvd::MakeFolders(Path("Fav\\Links")));
    ASSERT_TRUE(tvd::MakeFolders(Path("Fav\\Secret")));
    Write("Fav\\Home.url", "[DEFAULT]\r\nBASEURL=http://x/\r\n[InternetShortcut]\r\nURL=http://home.example/\r\n");
    Write("Fav\\NoUrl.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
    Write("Fav\\Links\\Inner.url", "[InternetShortcut]\r\nURL=http://inner.example/\r\n");
    Write("Fav\\Secret\\Hidden.url", "[InternetShortcut]\r\nURL=http://hidden.example/\r\n");
    ASSERT_TRUE(SetFileAttributesA(Path("Fav\\Secret").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    Write("opera6.adr", "Opera Hotlist version 2.0\r\n\r\n#URL\r\n\tNAME=Opera\r\n\tURL=http://opera.example/\r\n\r\n");
    IntegrationSettings& in = p_.integration;
    CopyLimited(in.netscapeBookmarkFile, Path("bookmark.htm").c_str(), TV_PATH_SIZE);
    CopyLimited(in.ieFavoritesFolder, Path("Fav").c_str(), TV_PATH_SIZE);
    CopyLimited(in.operaHotlistFile, Path("opera6.adr").c_str(), TV_PATH_SIZE);
    in.netscapeBookmarkImport = 1;
    in.ieFavoritesImport = 1;
    in.operaHotlistImport = 0;
    p_.bookmarkImport.format = TV_IMPORT_OPERA;
    p_.bookmarkImport.duplicateRule = TV_DUPLICATE_ADD;
    // Same title, other address: kept out by the rule of the automatic imports.
    BookmarkItem existing{const_cast<char*>("http://old.example/"), const_cast<char*>("Root"), const_cast<char*>(""), 0,
                          p_.categories.FindCategoryById(0, TV_KIND_BOOKMARKS)};
    p_.bookmarks.Add(&existing, 0);

    EXPECT_TRUE(RunStartupBookmarkImports(nullptr, &p_));
    std::vector<std::string> entries = Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"Bookmarks|Home|http://home.example/", "Bookmarks|Root|http://old.example/",
                                                 "Links|Inner|http://inner.example/", "News|Daily & more|http://news.example/"}));
    EXPECT_EQ(p_.bookmarkImport.format, TV_IMPORT_OPERA);
    EXPECT_EQ(p_.bookmarkImport.duplicateRule, TV_DUPLICATE_ADD);
    EXPECT_FALSE(RunStartupBookmarkImports(nullptr, &p_)) << "nothing new the second time";
    // A missing source is silent at start-up.
    CopyLimited(in.netscapeBookmarkFile, Path("gone.htm").c_str(), TV_PATH_SIZE);
    in.ieFavoritesImport = 0;
    EXPECT_FALSE(RunStartupBookmarkImports(nullptr, &p_));
}

TEST_F(WinBookmarks, ExportSheetChecksTheTargetAndWritesTheChosenFormat) {
    const int32_t id = p_.categories.NextCategoryId(TV_KIND_BOOKMARKS);
    int created = 0;
    p_.categories.AddCategory("K", TV_KIND_BOOKMARKS, 0, &created);
    BookmarkItem b{const_cast<char*>("www.example.com"), const_cast<char*>("Ex, ample"), const_cast<char*>("d"), id,
                   p_.categories.FindCategoryById(id, TV_KIND_BOOKMARKS)};
    p_.bookmarks.Add(&b, 0);
    Write("exists.csv", "old");
    p_.bookmarkExport.format = TV_EXPORT_COMMA;
    p_.bookmarkExport.delimiter = ';';
    std::vector<std::string> formats;
    std::vector<std::string> messages;
    bool stayed = false;
    std::string netscapeCategories;
    bool result = false;
    RunDriven([&] { result = ExportBookmarksCommand(nullptr, &p_, {}); },
              [&] {
                  HWND sheet = tvd::WaitForWindow("#32770", "Bookmark Export", kWaitMs, kSelf);
                  if (!sheet) return;
                  HWND page = tvd::CurrentPropertyPage(sheet);
                  formats = tvd::ComboItems(page, IDC_EXPORT_FORMAT);
                  tvd::SetControlText(page, IDC_EXPORT_PATH, "   ");
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  messages.push_back(AnswerBox("Error", IDOK));
                  tvd::SetControlText(page, IDC_EXPORT_PATH, "relative.csv");
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  messages.push_back(AnswerBox("Error", IDOK));
                  tvd::SetControlText(page, IDC_EXPORT_PATH, Path("exists.csv"));
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  messages.push_back(AnswerBox("Question", IDNO));
                  stayed = IsWindow(sheet) && tvd::CurrentPropertyPage(sheet) == page;
                  // To the delimiter page: the general page is left, so the question comes again.
                  PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
                  messages.push_back(AnswerBox("Question", IDYES));
                  tvd::WaitUntil([&] { return tvd::CurrentPropertyPage(sheet) != page; }, kWaitMs);
                  HWND delimiter = tvd::CurrentPropertyPage(sheet);
                  tvd::SetControlText(delimiter, IDC_DELIMITER_TEXT, "");
                  PostMessageA(sheet, PSM_SETCURSEL, 2, 0);
                  tvd::WaitUntil([&] { return tvd::CurrentPropertyPage(sheet) != delimiter; }, kWaitMs);
                  for (const std::string& name : tvd::ComboItems(tvd::CurrentPropertyPage(sheet), IDC_NETSCAPE_MENU))
                      netscapeCategories += name + ";";
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  tvd::WaitForWindowGone(sheet, kWaitMs);
              });
    EXPECT_TRUE(result);
    EXPECT_EQ(formats.size(), 6u);
    EXPECT_EQ(messages, (std::vector<std::string>{TvString(3425), TvString(3425), TvString(3511), TvString(3511)}));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(netscapeCategories, "Bookmarks;K;");
    EXPECT_EQ(Read("exists.csv"), "K,\"Ex, ample\",http://www.example.com,d\r\n");
    EXPECT_EQ(p_.bookmarkExport.delimiter, ',');
    EXPECT_EQ(std::string(p_.bookmarkExport.paths[TV_EXPORT_COMMA]), Path("exists.csv"));
}

TEST_F(WinBookmarks, ExportOverwritesReadOnlyTargetsAndReportsUncreatableOnes) {
    BookmarkItem b{const_cast<char*>("http://a/"), const_cast<char*>("A"), const_cast<char*>(""), 0,
                   p_.categories.FindCategoryById(0, TV_KIND_BOOKMARKS)};
    p_.bookmarks.Add(&b, 0);
    Write("locked.txt", "old");
    ASSERT_TRUE(SetFileAttributesA(Path("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    p_.bookmarkExport.format = TV_EXPORT_TEXT;
    CopyLimited(p_.bookmarkExport.paths[TV_EXPORT_TEXT], Path("locked.txt").c_str(), TV_PATH_SIZE);
    EXPECT_TRUE(ExportBookmarks(nullptr, &p_, {}));
    EXPECT_EQ(Read("locked.txt"), std::string(TvString(4500)) + "[Bookmarks]\r\n\r\nA\r\n>> http://a/\r\n");
    EXPECT_EQ(GetFileAttributesA(Path("locked.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    CopyLimited(p_.bookmarkExport.paths[TV_EXPORT_TEXT], Path("no\\such\\folder\\x.txt").c_str(), TV_PATH_SIZE);
    std::string message;
    bool result = true;
    RunDriven([&] { result = ExportBookmarks(nullptr, &p_, {}); }, [&] { message = AnswerBox("Tolvane Plus", IDOK); });
    EXPECT_FALSE(result);
    EXPECT_NE(message, "<no box>");
}

TEST_F(WinBookmarks, FavoritesExportWritesShortcutsThatImportBack) {
    int created = 0;
    const int32_t id = TCategoryListObject::Item(p_.categories.AddCategory("Tools", TV_KIND_BOOKMARKS, 0, &created))->id;
    ListNode* tools = p_.categories.FindCategoryById(id, TV_KIND_BOOKMARKS);
    ListNode* root = p_.categories.FindCategoryById(0, TV_KIND_BOOKMARKS);
    const char* const titles[][2] = {{"..\\..\\escape", "http://escape/"}, {"Same", "http://one/"}, {"Same", "http://two/"},
                                     {"a:b*c?", "www.colon.example"}};
    for (const auto& t : titles) {
        BookmarkItem b{const_cast<char*>(t[1]), const_cast<char*>(t[0]), const_cast<char*>(""), id, tools};
        p_.bookmarks.Add(&b, 0);
    }
    BookmarkItem top{const_cast<char*>("http://top/"), const_cast<char*>("Top"), const_cast<char*>(""), 0, root};
    p_.bookmarks.Add(&top, 0);
    // An existing shortcut keeps its other entries.
    ASSERT_TRUE(tvd::MakeFolders(Path("Fav\\Tools")));
    Write("Fav\\Tools\\Same.url", "[InternetShortcut]\r\nURL=http://stale/\r\nIconFile=C:\\icon.ico\r\n");
    p_.bookmarkExport.format = TV_EXPORT_FAVORITES;
    CopyLimited(p_.bookmarkExport.paths[TV_EXPORT_FAVORITES], Path("Fav").c_str(), TV_PATH_SIZE);
    EXPECT_TRUE(ExportBookmarks(nullptr, &p_, {}));

    char value[300];
    GetPrivateProfileStringA("InternetShortcut", "URL", "", value, sizeof value, Path("Fav\\Tools\\escape.url").c_str());
    EXPECT_STREQ(value, "http://escape/");
    GetPrivateProfileStringA("InternetShortcut", "URL", "", value, sizeof value, Path("Fav\\Tools\\Same.url").c_str());
    EXPECT_STREQ(value, "http://one/");
    GetPrivateProfileStringA("InternetShortcut", "IconFile", "", value, sizeof value, Path("Fav\\Tools\\Same.url").c_str());
    EXPECT_STREQ(value, "C:\\icon.ico");
    GetPrivateProfileStringA("InternetShortcut", "URL", "", value, sizeof value, Path("Fav\\Tools\\Same (2).url").c_str());
    EXPECT_STREQ(value, "http://two/");
    GetPrivateProfileStringA("InternetShortcut", "URL", "", value, sizeof value, Path("Fav\\Tools\\abc.url").c_str());
    EXPECT_STREQ(value, "http://www.colon.example");
    GetPrivateProfileStringA("InternetShortcut", "URL", "", value, sizeof value, Path("Fav\\Top.url").c_str());
    EXPECT_STREQ(value, "http://top/");
    EXPECT_FALSE(tvd::FileExists(root_.substr(0, root_.size() - 1) + ".url")) << "nothing outside the folder";

    // Read back into empty lists through the Windows file system.
    TProgramData back;
    back.categories.EnsureDefaultCategories(0);
    CopyLimited(back.bookmarkImport.favoritesFolder, Path("Fav").c_str(), TV_PATH_SIZE);
    back.bookmarkImport.format = TV_IMPORT_FAVORITES;
    TWinBookmarkFileSystem files(nullptr);
    TBookmarkImportContext context;
    context.settings = &back.bookmarkImport;
    context.bookmarks = &back.bookmarks;
    context.categories = &back.categories;
    context.files = &files;
    EXPECT_EQ(ImportBookmarks(context), 1);
    EXPECT_EQ(back.bookmarks.Count(1), 5u);
    EXPECT_NE(back.categories.FindCategoryByName("Tools", TV_KIND_BOOKMARKS, 0), nullptr);
}

TEST_F(WinBookmarks, FileDatabaseSheetEnablesFieldControlsAndExports) {
    FileItem f{};
    p_.downloads.InitItem(&f);
    TextAssign(&f.fileName, "tool.zip");
    TextAssign(&f.storedName, "tool.zip");
    TextAssign(&f.description, std::string(200, 'd').c_str());
    f.sizeLow = 5000;
    f.categoryId = 0;
    f.category = p_.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
    p_.downloads.Add(&f, 0);
    p_.downloads.FreeItemData(&f);
    p_.fileExport.format = TV_DBEXPORT_COMMA;
    CopyLimited(p_.fileExport.textPath, Path("db.csv").c_str(), TV_PATH_SIZE);

    struct States {
        bool limit, count, kb, mb, bytes;
    };
    auto read = [](HWND page) {
        return States{tvd::IsControlEnabled(page, IDC_FIELDS_LIMIT), tvd::IsControlEnabled(page, IDC_FIELDS_LIMIT_COUNT),
                      tvd::IsControlEnabled(page, IDC_FIELDS_KB), tvd::IsControlEnabled(page, IDC_FIELDS_MB),
                      tvd::IsControlEnabled(page, IDC_FIELDS_BYTES)};
    };
    std::vector<States> seen;
    bool result = false;
    RunDriven([&] { result = ExportFileDatabaseCommand(nullptr, &p_, {}); },
              [&] {
                  HWND sheet = tvd::WaitForWindow("#32770", "File Database Export", kWaitMs, kSelf);
                  if (!sheet) return;
                  HWND general = tvd::CurrentPropertyPage(sheet);
                  PostMessageA(sheet, PSM_SETCURSEL, 1, 0);
                  tvd::WaitUntil([&] { return tvd::CurrentPropertyPage(sheet) != general; }, kWaitMs);
                  HWND page = tvd::CurrentPropertyPage(sheet);
                  seen.push_back(read(page));  // defaults: description, limit and size on
                  auto click = [&](int id, bool checked) {
                      tvd::ClickButton(page, id);
                      WaitForChecked(page, id, checked);
                      // The page acts on the click's notification after the check is set.
                      tvd::SyncWith(page);
                      seen.push_back(read(page));
                  };
                  click(IDC_FIELDS_LIMIT, false);       // limit off: no number
                  click(IDC_FIELDS_DESCRIPTION, false);  // no description: no limit
                  click(IDC_FIELDS_SIZE, false);         // no size: no units
                  click(IDC_FIELDS_DESCRIPTION, true);
                  click(IDC_FIELDS_LIMIT, true);
                  click(IDC_FIELDS_SIZE, true);
                  tvd::SetControlText(page, IDC_FIELDS_LIMIT_COUNT, "10");
                  tvd::ClickButton(page, IDC_FIELDS_BYTES);
                  WaitForChecked(page, IDC_FIELDS_BYTES, true);
                  for (int id : {IDC_FIELDS_CATEGORY, IDC_FIELDS_DOWNLOAD_DATE, IDC_FIELDS_WEBSITE}) {
                      tvd::ClickButton(page, id);
                      WaitForChecked(page, id, false);
                  }
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  tvd::WaitForWindowGone(sheet, kWaitMs);
              });
    EXPECT_TRUE(result);
    ASSERT_EQ(seen.size(), 7u);
    const bool expected[7][5] = {
        {true, true, true, true, true},   {true, false, true, true, true},  {false, false, true, true, true},
        {false, false, false, false, false}, {true, false, false, false, false}, {true, true, false, false, false},
        {true, true, true, true, true},
    };
    for (size_t i = 0; i < seen.size(); ++i) {
        const States& s = seen[i];
        EXPECT_EQ((std::vector<bool>{s.limit, s.count, s.kb, s.mb, s.bytes}),
                  std::vector<bool>(expected[i], expected[i] + 5))
            << "step " << i;
    }
    EXPECT_EQ(Read("db.csv"), "tool.zip," + std::string(10, 'd') + ",5000,\r\n");
    EXPECT_EQ(p_.fileExport.descriptionLimit, 10);
    EXPECT_EQ(p_.fileExport.sizeUnit, TV_DBSIZE_BYTES);
}

// Each format keeps its own target while the sheet is open; OK stores the shown format's target.
TEST_F(WinBookmarks, FileDatabaseSheetKeepsATargetPerFormat) {
    FileItem f{};
    p_.downloads.InitItem(&f);
    TextAssign(&f.fileName, "tool.zip");
    TextAssign(&f.storedName, "tool.zip");
    f.category = p_.categories.FindCategoryById(0, TV_KIND_DOWNLOADS);
    p_.downloads.Add(&f, 0);
    p_.downloads.FreeItemData(&f);
    p_.fileExport.format = TV_DBEXPORT_HTML;
    CopyLimited(p_.fileExport.htmlPath, Path("db.html").c_str(), TV_PATH_SIZE);
    CopyLimited(p_.fileExport.textPath, Path("old.csv").c_str(), TV_PATH_SIZE);
    std::vector<std::string> shown;
    bool result = false;
    RunDriven([&] { result = ExportFileDatabaseCommand(nullptr, &p_, {}); },
              [&] {
                  HWND sheet = tvd::WaitForWindow("#32770", "File Database Export", kWaitMs, kSelf);
                  if (!sheet) return;
                  HWND page = tvd::CurrentPropertyPage(sheet);
                  // The selection's notification is posted: the field is read once it shows
                  // what is expected (or the wait ends and the test sees what it showed).
                  auto choose = [&](int format, const std::string& expected) {
                      tvd::SelectComboItem(page, IDC_EXPORT_FORMAT, format);
                      tvd::WaitUntil([&] { return tvd::ControlText(page, IDC_EXPORT_PATH) == expected; }, kWaitMs);
                      shown.push_back(tvd::ControlText(page, IDC_EXPORT_PATH));
                  };
                  shown.push_back(tvd::ControlText(page, IDC_EXPORT_PATH));
                  tvd::SetControlText(page, IDC_EXPORT_PATH, "typed.html");
                  choose(TV_DBEXPORT_COMMA, Path("old.csv"));
                  tvd::SetControlText(page, IDC_EXPORT_PATH, Path("db.csv"));
                  choose(TV_DBEXPORT_HTML, "typed.html");
                  choose(TV_DBEXPORT_COMMA, Path("db.csv"));
                  tvd::PressPropertySheetButton(sheet, PSBTN_OK);
                  tvd::WaitForWindowGone(sheet, kWaitMs);
              });
    EXPECT_TRUE(result);
    EXPECT_EQ(shown, (std::vector<std::string>{Path("db.html"), Path("old.csv"), "typed.html", Path("db.csv")}));
    EXPECT_EQ(p_.fileExport.format, TV_DBEXPORT_COMMA);
    EXPECT_EQ(std::string(p_.fileExport.textPath), Path("db.csv"));
    EXPECT_EQ(std::string(p_.fileExport.htmlPath), Path("db.html"));
    EXPECT_NE(Read("db.csv").find("tool.zip"), std::string::npos);
}

TEST_F(WinBookmarks, SystemCodePageRoundTripsEveryByte) {
    const TAnsiCodec& codec = SystemAnsiCodec();
    int roundTrips = 0;
    for (int c = 0x20; c < 0x100; ++c) {
        const char byte = char(c);
        size_t used = 0;
        const uint32_t codePoint = codec.ToUnicode(&byte, 1, &used);
        EXPECT_EQ(used, 1u);
        std::string back;
        if (codec.AppendAnsi(&back, codePoint) && back == std::string(1, byte)) ++roundTrips;
    }
    EXPECT_GE(roundTrips, 0xE0 - 5) << "at most the few unused bytes of the code page differ";
    std::string euro;
    if (GetACP() == 1252) {
        EXPECT_TRUE(codec.AppendAnsi(&euro, 0x20AC));
        EXPECT_EQ(euro, "\x80");
    }
    EXPECT_FALSE(codec.AppendAnsi(&euro, 0x4E2D)) << "a character the code page lacks";
}


// The Help buttons of the import dialog and of both sheets (on every page) open the help file at
// their own topic through the program's help helper.
std::mutex g_helpMutex;
std::vector<ULONG_PTR> g_helpTopics;

BOOL RecordHelp(HWND, const char*, UINT command, ULONG_PTR data) {
    std::lock_guard<std::mutex> lock(g_helpMutex);
    if (command == HELP_CONTEXT) g_helpTopics.push_back(data);
    return TRUE;
}

size_t HelpCalls() {
    std::lock_guard<std::mutex> lock(g_helpMutex);
    return g_helpTopics.size();
}

TEST_F(WinBookmarks, HelpButtonsOpenTheirTopics) {
    Write("tv.hlp", "help");
    SetHelpFilePath(Path("tv.hlp").c_str());
    SetHelpViewer(RecordHelp);
    g_helpTopics.clear();
    // Targets that are free, so that leaving the general pages asks nothing.
    CopyLimited(p_.bookmarkExport.paths[p_.bookmarkExport.format], Path("bm-out.htm").c_str(), TV_PATH_SIZE);
    CopyLimited(p_.fileExport.htmlPath, Path("db-out.htm").c_str(), TV_PATH_SIZE);
    p_.fileExport.format = TV_DBEXPORT_HTML;
    // Presses Help on each of the sheet's first pages pages, then Cancel.
    const auto sheetHelp = [&](const char* caption, int pages) {
        HWND sheet = tvd::WaitForWindow("#32770", caption, kWaitMs, kSelf);
        if (!sheet) return;
        for (int page = 0; page < pages; ++page) {
            HWND before = tvd::CurrentPropertyPage(sheet);
            if (page > 0) {
                PostMessageA(sheet, PSM_SETCURSEL, WPARAM(page), 0);
                tvd::WaitUntil([&] { return tvd::CurrentPropertyPage(sheet) != before; }, kWaitMs);
            }
            const size_t calls = HelpCalls();
            tvd::PressPropertySheetButton(sheet, PSBTN_HELP);
            tvd::WaitUntil([&] { return HelpCalls() > calls; }, kWaitMs);
        }
        tvd::PressPropertySheetButton(sheet, PSBTN_CANCEL);
        tvd::WaitForWindowGone(sheet, kWaitMs);
    };
    RunDriven([&] { ImportBookmarksCommand(nullptr, &p_); },
              [&] {
                  HWND dialog = tvd::WaitForWindow("VeltraDialog", "Bookmark Import", kWaitMs, kSelf);
                  if (!dialog) return;
                  tvd::PressButton(dialog, 900);
                  tvd::WaitUntil([&] { return HelpCalls() > 0; }, kWaitMs);
                  tvd::PressButton(dialog, IDCANCEL);
                  tvd::WaitForWindowGone(dialog, kWaitMs);
              });
    RunDriven([&] { ExportBookmarksCommand(nullptr, &p_, {}); }, [&] { sheetHelp("Bookmark Export", 3); });
    RunDriven([&] { ExportFileDatabaseCommand(nullptr, &p_, {}); }, [&] { sheetHelp("File Database Export", 3); });
    SetHelpViewer(nullptr);
    SetHelpFilePath(nullptr);
    std::lock_guard<std::mutex> lock(g_helpMutex);
    EXPECT_EQ(g_helpTopics, (std::vector<ULONG_PTR>{130, 120, 120, 120, 265, 265, 265}));
}

}  // namespace
