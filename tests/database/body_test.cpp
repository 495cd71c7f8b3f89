// The body reader and writer against files built from the documented layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "database/body.h"
#include "golden.h"

namespace {

std::string Text(const char* t) { return t ? std::string(t) : std::string("<null>"); }

// Reads a whole file (header included) into data the way the program does.
bool LoadBytes(TProgramData* data, const std::vector<uint8_t>& bytes, int32_t* versionOut = nullptr) {
    data->ResetForLoad();
    TMemoryViewStream in(bytes.data(), bytes.size());
    const int32_t version = ReadDatabaseHeader(&in);
    if (versionOut) *versionOut = version;
    if (version < int32_t(TV_DB_VERSION_MINIMUM)) return false;
    return ReadDatabaseBody(&in, uint32_t(version), 0, data);
}

std::vector<uint8_t> SaveBytes(TProgramData* data, uint32_t flags = 0) {
    TMemoryStream out;
    EXPECT_TRUE(WriteDatabaseBody(&out, flags, data));
    return out.Data();
}

template <typename List, typename F>
std::vector<std::string> Rows(const List& list, F row) {
    std::vector<std::string> rows;
    for (const ListNode* n = list.First(); n; n = n->next) rows.push_back(row(List::Item(n)));
    return rows;
}

std::vector<std::string> CategoryRows(const TCategoryListObject& l) {
    return Rows(l, [](const CategoryItem* c) {
        return std::to_string(c->kind) + "/" + std::to_string(c->flags) + "/" + std::to_string(c->id) + "/" +
               std::to_string(c->parentId) + "/" + Text(c->name);
    });
}
std::vector<std::string> DownloadRows(const TFileListObject& l) {
    return Rows(l, [](const FileItem* f) {
        return std::to_string(f->categoryId) + "|" + Text(f->fileName) + "|" + Text(f->storedName) + "|" +
               Text(f->description) + "|" + Text(f->extractedTo) + "|" + Text(f->website) + "|" +
               std::to_string(f->sizeLow) + "|" + std::to_string(f->sizeHigh) + "|" + std::to_string(f->flags) +
               "|" + std::to_string(f->downloadDate.Value()) + "|" + std::to_string(f->unpackDate.Value());
    });
}
std::vector<std::string> BookmarkRows(const TBookmarkListObject& l) {
    return Rows(l, [](const BookmarkItem* b) {
        return std::to_string(b->categoryId) + "|" + Text(b->url) + "|" + Text(b->title) + "|" +
               Text(b->description);
    });
}
std::vector<std::string> ShortcutRows(const TShortcutListObject& l) {
    return Rows(l, [](const ShortcutItem* s) { return std::to_string(s->categoryId) + "|" + Text(s->title); });
}
std::vector<std::string> StringRows(const TDynamicStringListObject& l) {
    return Rows(l, [](const StringItem* s) { return Text(s->text) + "=" + std::to_string(s->value); });
}
std::vector<std::string> ExtProcRows(const TExtProcListObject& l) {
    return Rows(l, [](const ExtProcItem* e) { return Text(e->commandLine); });
}
std::vector<std::string> TempRows(const TTempFileListObject& l) {
    return Rows(l, [](const TempFileEntry* t) { return Text(t->path) + "=" + std::to_string(t->kind); });
}

std::string Columns(const ListColumnSettings& c) {
    std::string s;
    for (uint32_t i = 0; i < c.count; ++i)
        s += std::to_string(c.entries[i].field) + "," + std::to_string(c.entries[i].position) + "," +
             std::to_string(c.entries[i].width) + ";";
    return s;
}

// One observable piece of the data, by the section that holds it. Lists are compared as rows.
struct Probe {
    int section;
    const char* name;
    std::function<std::vector<std::string>(const TProgramData&)> get;
    bool list;
};

std::vector<std::string> Split(const std::string& s, const char* separators) {
    std::vector<std::string> parts(1);
    for (char c : s) {
        if (std::strchr(separators, c))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}
// Values of a probe are split into their single fields (a cut section may hold some of them).
std::vector<std::string> One(const std::string& s) { return Split(s, "\x1f"); }

const std::vector<Probe>& Probes() {
    static const std::vector<Probe> probes = {
        {1, "downloadsLocation", [](const TProgramData& d) { return One(d.standards.downloadsLocation); }, false},
        {1, "shortcutsLocation", [](const TProgramData& d) { return One(d.standards.shortcutsLocation); }, false},
        {1, "doubleClick", [](const TProgramData& d) { return One(std::to_string(d.standards.doubleClickAction)); }, false},
        {1, "tray", [](const TProgramData& d) { return One(std::to_string(d.standards.trayIconWhenMinimised)); }, false},
        {2, "extProcs", [](const TProgramData& d) { return ExtProcRows(d.externalPrograms); }, true},
        {3, "iePath", [](const TProgramData& d) { return One(d.integration.iePath); }, false},
        {3, "favorites", [](const TProgramData& d) { return One(d.integration.ieFavoritesFolder); }, false},
        {3, "netscapePath", [](const TProgramData& d) { return One(d.integration.netscapePath); }, false},
        {3, "netscapeFile", [](const TProgramData& d) { return One(d.integration.netscapeBookmarkFile); }, false},
        {3, "operaPath", [](const TProgramData& d) { return One(d.integration.operaPath); }, false},
        {3, "operaHotlist", [](const TProgramData& d) { return One(d.integration.operaHotlistFile); }, false},
        {3, "otherBrowser", [](const TProgramData& d) { return One(d.integration.otherBrowserPath); }, false},
        {3, "choices", [](const TProgramData& d) {
             return One(std::to_string(d.integration.browserChoice) + "\x1f" + std::to_string(d.integration.lastSelectedBrowser)); }, false},
        {3, "startWithWindows", [](const TProgramData& d) { return One(std::to_string(d.integration.startWithWindows)); }, false},
        {3, "contextMenu", [](const TProgramData& d) { return One(std::to_string(d.integration.contextMenuIntegration)); }, false},
        {3, "alwaysOnTop", [](const TProgramData& d) { return One(std::to_string(d.integration.alwaysOnTop)); }, false},
        {3, "ieDownloads", [](const TProgramData& d) { return One(std::to_string(d.integration.ieDownloads)); }, false},
        {3, "ieFavImport", [](const TProgramData& d) { return One(std::to_string(d.integration.ieFavoritesImport)); }, false},
        {3, "nsDownloads", [](const TProgramData& d) { return One(std::to_string(d.integration.netscapeDownloads)); }, false},
        {3, "nsImport", [](const TProgramData& d) { return One(std::to_string(d.integration.netscapeBookmarkImport)); }, false},
        {3, "operaDownloads", [](const TProgramData& d) { return One(std::to_string(d.integration.operaDownloads)); }, false},
        {3, "operaImport", [](const TProgramData& d) { return One(std::to_string(d.integration.operaHotlistImport)); }, false},
        {4, "findTexts", [](const TProgramData& d) { return One(std::string(d.find.contents) + "\x1f" + d.find.filter); }, false},
        {4, "findOptions", [](const TProgramData& d) {
             return One(std::to_string(d.find.caseSensitive) + "\x1f" + std::to_string(d.find.onlyWords) + "\x1f" +
                        std::to_string(d.find.searchArea) + "\x1f" + std::to_string(d.find.downloadSearchKind)); }, false},
        {4, "contentsHistory", [](const TProgramData& d) { return StringRows(d.find.contentsHistory); }, true},
        {4, "filterHistory", [](const TProgramData& d) { return StringRows(d.find.filterHistory); }, true},
        {5, "placement", [](const TProgramData& d) {
             const auto& p = d.placement;
             return One(std::to_string(p.left) + "\x1f" + std::to_string(p.top) + "\x1f" + std::to_string(p.width) + "\x1f" +
                        std::to_string(p.height) + "\x1f" + std::to_string(p.flags)); }, false},
        {6, "divider", [](const TProgramData& d) {
             const auto& p = d.divider;
             return One(std::to_string(p.treeWidth) + "\x1f" + std::to_string(p.top) + "\x1f" + std::to_string(p.right) +
                        "\x1f" + std::to_string(p.bottom) + "\x1f" + std::to_string(p.value)); }, false},
        {7, "downloadColumns", [](const TProgramData& d) { return Split(Columns(d.downloadColumns), ",;"); }, false},
        {8, "bookmarkColumns", [](const TProgramData& d) { return Split(Columns(d.bookmarkColumns), ",;"); }, false},
        {9, "shortcutColumns", [](const TProgramData& d) { return Split(Columns(d.shortcutColumns), ",;"); }, false},
        {10, "fileExport", [](const TProgramData& d) {
             const auto& e = d.fileExport;
             std::string s = std::to_string(e.format) + "\x1f" + e.htmlPath + "\x1f" + e.textPath + "\x1f" +
                             std::to_string(e.onlySelected) + "\x1f" + std::to_string(e.expandUrls);
             for (int f : e.fields) s += "\x1f" + std::to_string(f);
             s += "\x1f" + std::to_string(e.limitDescription) + "\x1f" + std::to_string(e.descriptionLimit) + "\x1f" +
                  std::to_string(e.sizeUnit) + "\x1f" + std::to_string(e.delimiterMode) + "\x1f" + e.delimiter;
             return One(s); }, false},
        {11, "bookmarkExport", [](const TProgramData& d) {
             const auto& e = d.bookmarkExport;
             std::string s = std::to_string(e.format);
             for (const auto& p : e.paths) s += std::string("\x1f") + p;
             s += "\x1f" + std::to_string(e.onlySelected) + "\x1f" + std::to_string(e.expandUrls) + "\x1f" +
                  std::to_string(e.delimiterMode) + "\x1f" + e.delimiter + "\x1f" + Text(e.netscapeTitle) + "\x1f" +
                  std::to_string(e.netscapeMenuCategoryId) + "\x1f" + std::to_string(e.netscapeNewItemsCategoryId);
             return One(s); }, false},
        {12, "bookmarkImport", [](const TProgramData& d) {
             const auto& i = d.bookmarkImport;
             return One(std::to_string(i.format) + "\x1f" + i.netscapeBookmarkFile + "\x1f" + i.favoritesFolder + "\x1f" +
                        i.operaHotlistFile + "\x1f" + std::to_string(i.duplicateRule)); }, false},
        {13, "interchange", [](const TProgramData& d) {
             const auto& i = d.interchange;
             return One(std::to_string(i.kind) + "\x1f" + std::to_string(i.downloadsIncluded) + "\x1f" +
                        std::to_string(i.bookmarksIncluded) + "\x1f" + std::to_string(i.downloadCategoryId) + "\x1f" +
                        std::to_string(i.bookmarkCategoryId) + "\x1f" + i.path); }, false},
        {14, "findWindow", [](const TProgramData& d) { return One(std::to_string(d.findWindowOption)); }, false},
        {15, "viewer", [](const TProgramData& d) {
             return One(std::to_string(d.viewer.defaultViewer) + "\x1f" + std::to_string(d.viewer.recentDocuments)); }, false},
        {16, "add", [](const TProgramData& d) {
             const auto& a = d.add;
             return One(std::to_string(a.action) + "\x1f" + std::to_string(a.level) + "\x1f" + std::to_string(a.archiveBitOnly) + "\x1f" +
                        std::to_string(a.resetArchiveBit) + "\x1f" + std::to_string(a.systemAndHidden) + "\x1f" +
                        std::to_string(a.shortNames) + "\x1f" + std::to_string(a.recurse) + "\x1f" + std::to_string(a.saveFolders)); }, false},
        {17, "extract", [](const TProgramData& d) {
             const auto& e = d.extract;
             return One(std::string(e.folder) + "\x1f" + std::to_string(e.what) + "\x1f" + e.mask + "\x1f" +
                        std::to_string(e.overwrite) + "\x1f" + std::to_string(e.useFolders) + "\x1f" + std::to_string(e.skipOlder)); }, false},
        {18, "delete", [](const TProgramData& d) { return One(std::to_string(d.del.what) + "\x1f" + d.del.mask); }, false},
        {19, "password", [](const TProgramData& d) { return One(std::to_string(d.password.mask)); }, false},
        {20, "copy", [](const TProgramData& d) { return One(d.copy.destination); }, false},
        {21, "categories", [](const TProgramData& d) { return CategoryRows(d.categories); }, true},
        {22, "downloads", [](const TProgramData& d) { return DownloadRows(d.downloads); }, true},
        {23, "bookmarks", [](const TProgramData& d) { return BookmarkRows(d.bookmarks); }, true},
        {24, "shortcuts", [](const TProgramData& d) { return ShortcutRows(d.shortcuts); }, true},
        {25, "tempFiles", [](const TProgramData& d) { return TempRows(d.tempFiles); }, true},
    };
    return probes;
}

TEST(DatabaseBody, GoldenCurrentFileLandsInEveryField) {
    golden::Values x;
    const auto bytes = golden::Build(x, 250000);
    TProgramData d;
    int32_t version = 0;
    ASSERT_TRUE(LoadBytes(&d, bytes, &version));
    EXPECT_EQ(version, 250000);

    EXPECT_STREQ(d.standards.downloadsLocation, "C:\\TV\\download\\");
    EXPECT_STREQ(d.standards.shortcutsLocation, "C:\\TV\\shortcuts\\");
    EXPECT_EQ(d.standards.doubleClickAction, 2);
    EXPECT_EQ(d.standards.trayIconWhenMinimised, 0u);
    EXPECT_EQ(ExtProcRows(d.externalPrograms), (std::vector<std::string>{"scan.exe %1", "av.exe /q"}));
    EXPECT_STREQ(d.integration.iePath, "C:\\IE\\IEXPLORE.EXE");
    EXPECT_STREQ(d.integration.ieFavoritesFolder, "C:\\Fav");
    EXPECT_STREQ(d.integration.netscapePath, "C:\\NS\\NETSCAPE.EXE");
    EXPECT_STREQ(d.integration.netscapeBookmarkFile, "C:\\NS\\bookmark.htm");
    EXPECT_STREQ(d.integration.operaPath, "C:\\Op\\opera.exe");
    EXPECT_STREQ(d.integration.operaHotlistFile, "C:\\Op\\opera.adr");
    EXPECT_STREQ(d.integration.otherBrowserPath, "C:\\Other\\b.exe");
    EXPECT_EQ(d.integration.browserChoice, 1);
    EXPECT_EQ(d.integration.lastSelectedBrowser, 2);
    const uint32_t words[9] = {d.integration.startWithWindows, d.integration.contextMenuIntegration,
                               d.integration.alwaysOnTop,      d.integration.ieDownloads,
                               d.integration.ieFavoritesImport, d.integration.netscapeDownloads,
                               d.integration.netscapeBookmarkImport, d.integration.operaDownloads,
                               d.integration.operaHotlistImport};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(words[i], x.integrationWords[i]) << "integration word " << i;
    EXPECT_STREQ(d.find.contents, "needle");
    EXPECT_STREQ(d.find.filter, "*.txt");
    EXPECT_EQ(d.find.caseSensitive, 1);
    EXPECT_EQ(d.find.onlyWords, 1);
    EXPECT_EQ(d.find.searchArea, 0);
    EXPECT_EQ(d.find.downloadSearchKind, 1);
    EXPECT_EQ(StringRows(d.find.contentsHistory), (std::vector<std::string>{"alpha=0", "beta=7"}));
    EXPECT_EQ(StringRows(d.find.filterHistory), (std::vector<std::string>{"*.zip=0"}));
    EXPECT_EQ(d.placement.left, 10);
    EXPECT_EQ(d.placement.top, 20);
    EXPECT_EQ(d.placement.width, 800);
    EXPECT_EQ(d.placement.height, 600);
    EXPECT_EQ(d.placement.flags, 3u);
    EXPECT_EQ(d.divider.treeWidth, 200);
    EXPECT_EQ(d.divider.value, 9u);
    EXPECT_EQ(Columns(d.downloadColumns), "0,6,50;1,5,51;2,4,52;3,3,53;4,2,54;5,1,55;6,0,56;");
    EXPECT_EQ(Columns(d.bookmarkColumns), "0,1,111;1,2,112;2,0,113;");
    EXPECT_EQ(Columns(d.shortcutColumns), "0,0,321;");
    EXPECT_STREQ(d.downloadColumns.entries[1].title, "Description");
    EXPECT_EQ(d.fileExport.format, 1);
    EXPECT_STREQ(d.fileExport.textPath, "C:\\out.csv");
    EXPECT_EQ(d.fileExport.onlySelected, 1);
    EXPECT_EQ(d.fileExport.expandUrls, 0);
    EXPECT_EQ(d.fileExport.fields[7], 1);
    EXPECT_EQ(d.fileExport.descriptionLimit, 99);
    EXPECT_EQ(d.fileExport.sizeUnit, 2);
    EXPECT_EQ(d.fileExport.delimiter, ';');
    EXPECT_EQ(d.bookmarkExport.format, 3);
    EXPECT_STREQ(d.bookmarkExport.paths[5], "p6.adr");
    EXPECT_EQ(d.bookmarkExport.delimiterMode, 2);
    EXPECT_EQ(d.bookmarkExport.delimiter, '|');
    EXPECT_STREQ(d.bookmarkExport.netscapeTitle, "My Bookmarks");
    EXPECT_EQ(d.bookmarkExport.netscapeNewItemsCategoryId, 5);
    EXPECT_EQ(d.bookmarkImport.format, 2);
    EXPECT_STREQ(d.bookmarkImport.operaHotlistFile, "hot.adr");
    EXPECT_EQ(d.bookmarkImport.duplicateRule, 2);
    EXPECT_EQ(d.interchange.kind, 1);
    EXPECT_EQ(d.interchange.downloadsIncluded, 1);
    EXPECT_EQ(d.interchange.downloadCategoryId, -1);
    EXPECT_STREQ(d.interchange.path, "C:\\backup.tvi");
    EXPECT_EQ(d.findWindowOption, 0u);
    EXPECT_EQ(d.viewer.defaultViewer, 0u);
    EXPECT_EQ(d.viewer.recentDocuments, 1u);
    EXPECT_EQ(d.add.action, 2);
    EXPECT_EQ(d.add.level, 5);
    EXPECT_EQ(d.add.recurse, 1u);
    EXPECT_EQ(d.add.saveFolders, 0u);
    EXPECT_STREQ(d.extract.folder, "C:\\x");
    EXPECT_EQ(d.extract.what, 2);
    EXPECT_STREQ(d.extract.mask, "*.doc");
    EXPECT_EQ(d.extract.useFolders, 0u);
    EXPECT_EQ(d.del.what, 1);
    EXPECT_STREQ(d.del.mask, "*.bak");
    EXPECT_EQ(d.password.mask, 0u);
    EXPECT_STREQ(d.copy.destination, "C:\\copydest\\");
    EXPECT_EQ(d.copy.isFolder, 1u);
    EXPECT_EQ(CategoryRows(d.categories),
              (std::vector<std::string>{"1/1/0/0/Downloads", "2/1/0/0/Bookmarks", "3/0/0/0/Shortcuts", "1/1/1/0/Tools",
                                        "2/0/1/0/News", "1/0/2/1/Zip"}));
    ASSERT_EQ(DownloadRows(d.downloads).size(), 2u);
    EXPECT_EQ(DownloadRows(d.downloads)[0],
              "1|a.zip|a.zip|first\r\nline|C:\\ex|http://x.example/|1234|0|1|" +
                  std::to_string(0x01D0000012345678ull) + "|0");
    EXPECT_EQ(BookmarkRows(d.bookmarks)[1], "0|ftp.example.org|FTP|");
    EXPECT_EQ(ShortcutRows(d.shortcuts), (std::vector<std::string>{"0|s.lnk"}));
    EXPECT_EQ(TempRows(d.tempFiles), (std::vector<std::string>{"C:\\Temp\\a.tmp=0", "C:\\Temp\\iv1=1"}));
}

TEST(DatabaseBody, WritingALoadedFileGivesTheSameBytes) {
    golden::Values x;
    for (uint32_t version : {250000u}) {
        const auto bytes = golden::Build(x, version);
        TProgramData d;
        ASSERT_TRUE(LoadBytes(&d, bytes));
        EXPECT_EQ(SaveBytes(&d), bytes);
    }
    // The writer always writes the current version: a 240000 file comes back as 250000 with the
    // same body.
    x.header = "TV240000CFGFILE";
    TProgramData d;
    ASSERT_TRUE(LoadBytes(&d, golden::Build(x, 240000)));
    x.header = "TV250000CFGFILE";
    EXPECT_EQ(SaveBytes(&d), golden::Build(x, 250000));
}

TEST(DatabaseBody, DefaultsWrittenByTheWriterMatchTheLayout) {
    // A first-run database with plain defaults, built independently.
    TProgramData d;
    d.SetProgramFolder("C:\\Prog");
    d.ResetForLoad();
    d.SetDefaultSettings(nullptr);
    d.categories.EnsureDefaultCategories(1);

    golden::Values x;
    x.downloadsLocation = "C:\\Prog\\download\\";
    x.shortcutsLocation = "C:\\Prog\\shortcuts\\";
    x.doubleClick = 1;
    x.tray = 1;
    x.extProcs.clear();
    for (auto& t : x.integrationTexts) t.clear();
    x.browserChoice = 3;
    x.lastBrowser = 3;
    const uint32_t iw[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
    std::copy(iw, iw + 9, x.integrationWords);
    x.findContents.clear();
    x.findFilter.clear();
    const int32_t fo[4] = {0, 0, 1, 0};
    std::copy(fo, fo + 4, x.findOptions);
    x.contentsHistory.clear();
    x.filterHistory.clear();
    const int32_t rect[4] = {0, 0, 0, 0};
    std::copy(rect, rect + 4, x.rect);
    x.placementFlags = 0;
    const int32_t div[4] = {120, 0, 0, 0};
    std::copy(div, div + 4, x.divider);
    x.dividerValue = 2;
    x.downloadColumns = {{0, 0, 100}, {1, 1, 150}, {2, 2, 70}, {3, 3, 110}, {4, 4, 110}, {5, 5, 110}, {6, 6, 150}};
    x.bookmarkColumns = {{0, 0, 250}, {1, 1, 250}, {2, 2, 150}};
    x.shortcutColumns = {{0, 0, 250}};
    x.fileExportFormat = 0;
    x.fileExportPaths[0].clear();
    x.fileExportPaths[1].clear();
    const int32_t fw[12] = {0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 150};
    std::copy(fw, fw + 12, x.fileExportWords);
    x.fileExportBytes[0] = 0;
    x.fileExportBytes[1] = 0;
    x.fileExportBytes[2] = ',';
    x.bookmarkExportFormat = 0;
    for (auto& p : x.bookmarkExportPaths) p.clear();
    x.bookmarkExportWords[0] = 0;
    x.bookmarkExportWords[1] = 1;
    x.bookmarkExportBytes[0] = 0;
    x.bookmarkExportBytes[1] = ',';
    x.bookmarkExportTitle = "Tolvane Plus Exported Bookmarks";
    x.bookmarkExportIds[0] = x.bookmarkExportIds[1] = 0;
    x.importFormat = 0;
    for (auto& p : x.importPaths) p.clear();
    x.importDuplicates = 0;
    x.interchangeKind = 0;
    x.interchangeFlags[0] = x.interchangeFlags[1] = 0;
    x.interchangePath.clear();
    x.findWindowOption = 1;
    x.viewer[0] = x.viewer[1] = 1;
    x.addAction = 0;
    x.addLevel = 9;
    const uint32_t aw[6] = {0, 0, 0, 0, 0, 1};
    std::copy(aw, aw + 6, x.addWords);
    x.extractFolder.clear();
    x.extractWhat = 0;
    x.extractMask.clear();
    const uint32_t ew[3] = {0, 1, 0};
    std::copy(ew, ew + 3, x.extractWords);
    x.deleteWhat = 0;
    x.deleteMask.clear();
    x.passwordMask = 1;
    x.copyDestination.clear();
    x.categories = {{1, 1, 0, 0, "Downloads"}, {2, 1, 0, 0, "Bookmarks"}, {3, 1, 0, 0, "Shortcuts"},
                    {1, 1, 1, 0, "Standard"},  {2, 1, 1, 0, "Standard"},  {3, 1, 1, 0, "Standard"}};
    x.downloads.clear();
    x.bookmarks.clear();
    x.shortcuts.clear();
    x.tempFiles.clear();
    EXPECT_EQ(SaveBytes(&d), golden::Build(x, 250000));
}

// Older versions: the gated fields are absent, the rest lands in place and every later section is
// still read from the right position.
TEST(DatabaseBody, OlderVersionsReadTheirOwnLayout) {
    struct Case {
        const char* header;
        uint32_t version;
    };
    const Case cases[] = {{"TV240000CFGFILE", 240000}, {"TV230000CFGFILE", 230000}, {"TV229999CFGFILE", 229999},
                          {"TV100000CFGFILE", 100000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        golden::Values x;
        x.header = c.header;
        TProgramData full, d;
        ASSERT_TRUE(LoadBytes(&full, golden::Build(golden::Values(), 250000)));
        TProgramData defaults;
        defaults.ResetForLoad();
        ASSERT_TRUE(LoadBytes(&d, golden::Build(x, c.version)));

        const bool opera = c.version >= 240000, fileExport = c.version >= 230000;
        for (const Probe& p : Probes()) {
            SCOPED_TRACE(p.name);
            const std::string name = p.name;
            const bool gated = (!opera && (name == "operaPath" || name == "operaHotlist" ||
                                           name == "operaDownloads" || name == "operaImport" ||
                                           name == "interchange" || name == "bookmarkExport" ||
                                           name == "bookmarkImport")) ||
                               (!fileExport && name == "fileExport");
            if (!gated) {
                EXPECT_EQ(p.get(d), p.get(full));
            } else if (name == "bookmarkExport") {
                EXPECT_STREQ(d.bookmarkExport.paths[4], "C:\\Fav\\");
                EXPECT_STREQ(d.bookmarkExport.paths[5], "");
                EXPECT_STREQ(d.bookmarkExport.netscapeTitle, "My Bookmarks");
                EXPECT_EQ(d.bookmarkExport.netscapeNewItemsCategoryId, 5);
            } else if (name == "bookmarkImport") {
                EXPECT_STREQ(d.bookmarkImport.favoritesFolder, "C:\\Fav2");
                EXPECT_STREQ(d.bookmarkImport.operaHotlistFile, "");
                EXPECT_EQ(d.bookmarkImport.duplicateRule, 2);
            } else {
                // Absent fields keep the values they had before reading (here: the defaults).
                EXPECT_EQ(p.get(d), p.get(defaults));
            }
        }
    }
}

TEST(DatabaseBody, HeaderVersions) {
    struct Case {
        const char* header;
        int32_t version;
    };
    const Case cases[] = {
        {"TV250000CFGFILE", 250000}, {"tv250000cfgfile", 250000}, {"Tv240000CfGfIlE", 240000},
        {"TV099999CFGFILE", 99999},  {"TV12X456CFGFILE", 12},      {"TVabcdefCFGFILE", 0},
        {"XV250000CFGFILE", 0},      {"TV250000CFGFILX", 0},       {"TV250000CFGFIL", 0},
        {"", 0},                     {"TV-00001CFGFILE", -1},      {"TV250000INTERCH", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseDatabaseVersion(c.header), c.version) << c.header;
    EXPECT_EQ(ParseDatabaseVersion(nullptr), 0);
}

TEST(DatabaseBody, WindowSectionsLeftOutWithFlag4) {
    golden::Values x;
    TProgramData d;
    ASSERT_TRUE(LoadBytes(&d, golden::Build(x, 250000)));
    const auto expected = golden::Build(x, 250000, false, false);
    EXPECT_EQ(SaveBytes(&d, TV_DB_NO_HEADER | TV_DB_NO_WINDOW_SECTIONS), expected);

    TProgramData e;
    e.ResetForLoad();
    TMemoryViewStream in(expected.data(), expected.size());
    ASSERT_TRUE(ReadDatabaseBody(&in, 250000, TV_DB_NO_WINDOW_SECTIONS, &e));
    EXPECT_EQ(in.Position(), int64_t(expected.size()));
    EXPECT_EQ(e.placement.flags, 0u);
    EXPECT_EQ(e.divider.treeWidth, 120);
    EXPECT_EQ(TempRows(e.tempFiles), TempRows(d.tempFiles));
}

TEST(DatabaseBody, GivenListsReceiveTheRecords) {
    golden::Values x;
    const auto bytes = golden::Build(x, 250000);
    TProgramData d;
    d.ResetForLoad();
    TCategoryListObject c;
    TFileListObject f;
    TBookmarkListObject b;
    TShortcutListObject s;
    TMemoryViewStream in(bytes.data(), bytes.size());
    ASSERT_EQ(ReadDatabaseHeader(&in), 250000);
    ASSERT_TRUE(ReadDatabaseBody(&in, 250000, 0, &d, &c, &f, &b, &s));
    EXPECT_TRUE(d.categories.IsEmpty());
    EXPECT_TRUE(d.downloads.IsEmpty());
    EXPECT_EQ(CategoryRows(c).size(), 6u);
    EXPECT_EQ(DownloadRows(f).size(), 2u);
    EXPECT_EQ(BookmarkRows(b).size(), 2u);
    EXPECT_EQ(ShortcutRows(s).size(), 1u);
    EXPECT_STREQ(d.copy.destination, "C:\\copydest\\");  // settings go to the program's own records

    // And the writer takes given lists in place of the program's own.
    TMemoryStream out;
    ASSERT_TRUE(WriteDatabaseBody(&out, 0, &d, &c, &f, &b, &s));
    EXPECT_EQ(out.Data(), bytes);
}

int g_applyCalls = 0;
int64_t g_applyPosition = -1;
TMemoryStream* g_applyStream = nullptr;
uint32_t g_applyViewer = 99;
void* g_applyContext = nullptr;

TEST(DatabaseBody, IntegrationHookRunsRightAfterSection3) {
    golden::Values x;
    std::vector<size_t> ends;
    const auto bytes = golden::Build(x, 250000, true, true, &ends);
    TProgramData d;
    ASSERT_TRUE(LoadBytes(&d, bytes));
    TMemoryStream out;
    g_applyStream = &out;
    // Each hook has its own context: the integration's is not the views'.
    int integrationContext = 0, viewContext = 0;
    d.hooks.applyIntegrationContext = &integrationContext;
    d.hooks.captureViewStateContext = &viewContext;
    d.hooks.applyIntegration = [](const IntegrationSettings*, uint32_t viewer, void* context) {
        ++g_applyCalls;
        g_applyPosition = g_applyStream->Position();
        g_applyViewer = viewer;
        g_applyContext = context;
    };
    for (uint32_t flags : {0u, 5u}) {
        g_applyCalls = 0;
        out.Data().clear();
        out.Rewind();
        ASSERT_TRUE(WriteDatabaseBody(&out, flags, &d));
        EXPECT_EQ(g_applyCalls, 1);
        EXPECT_EQ(g_applyPosition, int64_t(ends[3] - (flags & 1 ? 15 : 0)));
        EXPECT_EQ(g_applyViewer, 0u);
        EXPECT_EQ(g_applyContext, &integrationContext);
    }
}

// Every prefix of a realistic file loads without crash: sections that were completely in the
// prefix hold the file's values, sections that were not reached keep their defaults, and a list
// that was cut holds exactly the records that were completely there.
TEST(DatabaseBody, EveryTruncationLoadsWithoutInventedValues) {
    golden::Values x;
    std::vector<size_t> ends;
    const auto bytes = golden::Build(x, 250000, true, true, &ends);
    TProgramData full;
    ASSERT_TRUE(LoadBytes(&full, bytes));
    TProgramData defaults;
    defaults.ResetForLoad();
    defaults.categories.EnsureDefaultCategories(0);

    for (size_t length = TV_DB_HEADER_SIZE; length < bytes.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(length));
        TProgramData d;
        EXPECT_FALSE(LoadBytes(&d, cut));
        for (const Probe& p : Probes()) {
            SCOPED_TRACE(p.name);
            const size_t end = ends[size_t(p.section)];
            const size_t start = ends[size_t(p.section) - 1];
            const auto got = p.get(d), want = p.get(full), initial = p.get(defaults);
            if (length >= end) {
                EXPECT_EQ(got, want);
            } else if (length <= start) {
                EXPECT_EQ(got, initial);
            } else if (p.list) {
                // A prefix of the file's records (categories: plus the repaired roots).
                if (p.section != 21) {
                    ASSERT_LE(got.size(), want.size());
                    EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin()));
                }
            } else {
                ASSERT_EQ(got.size(), want.size());
                ASSERT_EQ(got.size(), initial.size());
                for (size_t i = 0; i < got.size(); ++i)
                    EXPECT_TRUE(got[i] == want[i] || got[i] == initial[i]) << i << ": " << got[i];
            }
        }
    }
}

// Values out of range are repaired by the section that reads them; texts longer than the field
// are cut and the next section is still read in place.
TEST(DatabaseBody, ValidationRepairs) {
    struct Case {
        const char* name;
        std::function<void(golden::Values*)> change;
        std::function<void(const TProgramData&)> check;
    };
    const std::string longText(300, 'L');
    const Case cases[] = {
        {"double-click 0", [](golden::Values* x) { x->doubleClick = 0; },
         [](const TProgramData& d) { EXPECT_EQ(d.standards.doubleClickAction, 1); }},
        {"double-click 7", [](golden::Values* x) { x->doubleClick = 7; },
         [](const TProgramData& d) { EXPECT_EQ(d.standards.doubleClickAction, 1); }},
        {"double-click 3", [](golden::Values* x) { x->doubleClick = 3; },
         [](const TProgramData& d) { EXPECT_EQ(d.standards.doubleClickAction, 3); }},
        {"double-click -1", [](golden::Values* x) { x->doubleClick = -1; },
         [](const TProgramData& d) { EXPECT_EQ(d.standards.doubleClickAction, 1); }},
        {"location without backslash", [](golden::Values* x) { x->downloadsLocation = "D:\\Store"; },
         [](const TProgramData& d) { EXPECT_STREQ(d.standards.downloadsLocation, "D:\\Store\\"); }},
        {"location with blanks", [](golden::Values* x) { x->shortcutsLocation = "  D:\\Links  "; },
         [](const TProgramData& d) { EXPECT_STREQ(d.standards.shortcutsLocation, "D:\\Links\\"); }},
        {"location with slash", [](golden::Values* x) { x->downloadsLocation = "D:/Store/"; },
         [](const TProgramData& d) { EXPECT_STREQ(d.standards.downloadsLocation, "D:/Store/"); }},
        {"empty location", [](golden::Values* x) { x->downloadsLocation = "   "; },
         [](const TProgramData& d) { EXPECT_STREQ(d.standards.downloadsLocation, "C:\\Prog\\download\\"); }},
        {"two columns at position 0",
         [](golden::Values* x) { x->bookmarkColumns = {{0, 0, 10}, {1, 0, 20}, {2, 2, 30}}; },
         [](const TProgramData& d) {
             EXPECT_EQ(Columns(d.bookmarkColumns), "0,0,250;1,1,250;2,2,150;");
             EXPECT_EQ(Columns(d.downloadColumns), "0,6,50;1,5,51;2,4,52;3,3,53;4,2,54;5,1,55;6,0,56;");
         }},
        {"column position out of range",
         [](golden::Values* x) { x->shortcutColumns = {{0, 1, 99}}; },
         [](const TProgramData& d) { EXPECT_EQ(Columns(d.shortcutColumns), "0,0,250;"); }},
        {"one field in two columns",
         [](golden::Values* x) { x->bookmarkColumns = {{1, 0, 10}, {1, 1, 20}, {2, 2, 30}}; },
         [](const TProgramData& d) { EXPECT_EQ(Columns(d.bookmarkColumns), "0,0,250;1,1,250;2,2,150;"); }},
        {"column field out of range",
         [](golden::Values* x) { x->downloadColumns[3][0] = 7; },
         [](const TProgramData& d) {
             EXPECT_EQ(Columns(d.downloadColumns), "0,0,100;1,1,150;2,2,70;3,3,110;4,4,110;5,5,110;6,6,150;");
         }},
        {"compression 12", [](golden::Values* x) { x->addLevel = 12; },
         [](const TProgramData& d) { EXPECT_EQ(d.add.level, 9); }},
        {"compression -3", [](golden::Values* x) { x->addLevel = -3; },
         [](const TProgramData& d) { EXPECT_EQ(d.add.level, 9); }},
        {"compression 0", [](golden::Values* x) { x->addLevel = 0; },
         [](const TProgramData& d) { EXPECT_EQ(d.add.level, 0); }},
        {"add action 5", [](golden::Values* x) { x->addAction = 5; },
         [](const TProgramData& d) { EXPECT_EQ(d.add.action, 0); }},
        {"add action 3", [](golden::Values* x) { x->addAction = 3; },
         [](const TProgramData& d) { EXPECT_EQ(d.add.action, 3); }},
        {"extract 3", [](golden::Values* x) { x->extractWhat = 3; },
         [](const TProgramData& d) { EXPECT_EQ(d.extract.what, 0); }},
        {"delete -1", [](golden::Values* x) { x->deleteWhat = -1; },
         [](const TProgramData& d) { EXPECT_EQ(d.del.what, 0); }},
        {"browser choice 4", [](golden::Values* x) { x->browserChoice = 4; },
         [](const TProgramData& d) { EXPECT_EQ(d.integration.browserChoice, 3); }},
        {"browser paths trimmed", [](golden::Values* x) { x->integrationTexts[0] = "  C:\\ie.exe "; x->integrationTexts[6] = " o "; },
         [](const TProgramData& d) {
             EXPECT_STREQ(d.integration.iePath, "C:\\ie.exe");
             EXPECT_STREQ(d.integration.otherBrowserPath, " o ");
         }},
        {"formats out of range",
         [](golden::Values* x) { x->fileExportFormat = 2; x->bookmarkExportFormat = 6; x->importFormat = 3; x->bookmarkExportBytes[0] = 3; },
         [](const TProgramData& d) {
             EXPECT_EQ(d.fileExport.format, 0);
             EXPECT_EQ(d.bookmarkExport.format, 0);
             EXPECT_EQ(d.bookmarkImport.format, 0);
             EXPECT_EQ(d.bookmarkExport.delimiterMode, 0);
         }},
        {"export and import choices out of range",
         [](golden::Values* x) {
             x->fileExportBytes[0] = 3;
             x->fileExportBytes[1] = 9;
             x->fileExportBytes[2] = 0;
             x->fileExportWords[11] = -20;
             x->bookmarkExportBytes[1] = 0;
             x->importDuplicates = 3;
         },
         [](const TProgramData& d) {
             EXPECT_EQ(d.fileExport.sizeUnit, 0);
             EXPECT_EQ(d.fileExport.delimiterMode, 0);
             EXPECT_EQ(d.fileExport.delimiter, ',');
             EXPECT_EQ(d.fileExport.descriptionLimit, 0);
             EXPECT_EQ(d.bookmarkExport.delimiter, ',');
             EXPECT_EQ(d.bookmarkImport.duplicateRule, 0);
         }},
        {"duplicate rule -1", [](golden::Values* x) { x->importDuplicates = -1; },
         [](const TProgramData& d) { EXPECT_EQ(d.bookmarkImport.duplicateRule, 0); }},
        {"duplicate rule 1", [](golden::Values* x) { x->importDuplicates = 1; },
         [](const TProgramData& d) { EXPECT_EQ(d.bookmarkImport.duplicateRule, 1); }},
        {"shown kind is runtime", [](golden::Values* x) { x->shownKind = 2; },
         [](const TProgramData& d) { EXPECT_EQ(d.placement.shownKind, 0u); }},
        {"text longer than the field",
         [longText](golden::Values* x) { x->extractFolder = longText; x->integrationTexts[2] = longText; },
         [longText](const TProgramData& d) {
             EXPECT_EQ(std::string(d.extract.folder), longText.substr(0, 260));
             EXPECT_EQ(std::string(d.integration.netscapePath), longText.substr(0, 260));
             EXPECT_EQ(d.extract.what, 2);
             EXPECT_STREQ(d.extract.mask, "*.doc");
             EXPECT_EQ(d.integration.browserChoice, 1);
         }},
        {"title read in full", [longText](golden::Values* x) { x->bookmarkExportTitle = longText; },
         [longText](const TProgramData& d) { EXPECT_EQ(std::string(d.bookmarkExport.netscapeTitle), longText); }},
        {"negative text length keeps the field",
         [](golden::Values* x) { x->copyDestination = ""; },
         [](const TProgramData&) {}},
        {"duplicate category dropped, orphan repaired",
         [](golden::Values* x) {
             x->categories.push_back({1, 0, 1, 0, "Second Tools"});
             x->categories.push_back({3, 0, 5, 9, "Orphan"});
             x->categories.erase(x->categories.begin() + 1);  // no bookmark root
         },
         [](const TProgramData& d) {
             const auto rows = CategoryRows(d.categories);
             EXPECT_EQ(std::count(rows.begin(), rows.end(), "1/1/1/0/Tools"), 1);
             EXPECT_EQ(std::count(rows.begin(), rows.end(), "1/0/1/0/Second Tools"), 0);
             EXPECT_EQ(std::count(rows.begin(), rows.end(), "3/0/5/0/Orphan"), 1);
             EXPECT_EQ(d.categories.FindCategoryById(0, 2) != nullptr, true);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        golden::Values x;
        c.change(&x);
        TProgramData d;
        d.SetProgramFolder("C:\\Prog");
        EXPECT_TRUE(LoadBytes(&d, golden::Build(x, 250000)));
        c.check(d);
        EXPECT_EQ(TempRows(d.tempFiles).size(), 2u);  // the end of the file is still read in place
    }
}

TEST(DatabaseBody, NegativeTextLengthKeepsTheField) {
    golden::Values x;
    auto bytes = golden::Build(x, 250000);
    // The copy destination is the counted string right before the category section.
    std::vector<size_t> ends;
    golden::Build(x, 250000, true, true, &ends);
    const size_t at = ends[19];
    ASSERT_EQ(bytes[at], uint8_t(x.copyDestination.size()));
    golden::Bytes neg;
    neg.I32(-5);
    std::vector<uint8_t> changed(bytes.begin(), bytes.begin() + long(at));
    changed.insert(changed.end(), neg.v.begin(), neg.v.end());
    changed.insert(changed.end(), bytes.begin() + long(ends[20]), bytes.end());
    TProgramData d;
    d.ResetForLoad();
    std::snprintf(d.copy.destination, sizeof d.copy.destination, "%s", "kept");
    TMemoryViewStream in(changed.data(), changed.size());
    ASSERT_EQ(ReadDatabaseHeader(&in), 250000);
    EXPECT_TRUE(ReadDatabaseBody(&in, 250000, 0, &d));
    EXPECT_STREQ(d.copy.destination, "kept");
    EXPECT_EQ(CategoryRows(d.categories).size(), 6u);
}

TEST(DatabaseBody, HugeCountsAndLengthsCostOnlyTheBytesThatAreThere) {
    golden::Values x;
    std::vector<size_t> ends;
    auto bytes = golden::Build(x, 250000, true, true, &ends);
    // Count of the download section and the length of the first downloads location.
    for (size_t at : {ends[21], ends[0], ends[1]}) {
        auto changed = bytes;
        changed[at] = changed[at + 1] = changed[at + 2] = 0xFF;
        changed[at + 3] = 0x7F;
        TProgramData d;
        EXPECT_FALSE(LoadBytes(&d, changed));
        EXPECT_LE(d.downloads.Count(0), 2u);
    }
}

TEST(DatabaseBody, TrailingBytesAreReportedByTheCaller) {
    // The body reader stops after section 25; whatever follows is the caller's business (the
    // interchange file keeps its stored files there).
    golden::Values x;
    auto bytes = golden::Build(x, 250000);
    const size_t end = bytes.size();
    bytes.push_back(0xAB);
    TProgramData d;
    d.ResetForLoad();
    TMemoryViewStream in(bytes.data(), bytes.size());
    ASSERT_EQ(ReadDatabaseHeader(&in), 250000);
    EXPECT_TRUE(ReadDatabaseBody(&in, 250000, 0, &d));
    EXPECT_EQ(in.Position(), int64_t(end));
}

TEST(DatabaseSettings, WindowPlacementCaptureAndApply) {
    struct Case {
        int32_t l, t, r, b;
        bool maximised;
        uint32_t flagsBefore, flagsAfter;
        int32_t width;
    };
    const Case cases[] = {
        {10, 20, 810, 620, false, 0, 1, 800},      // inside the screen
        {10, 20, 810, 620, true, 0, 3, 800},       // maximised
        {0, 20, 810, 620, true, 3, 1, 1},          // left edge at 0: rect kept, maximised cleared
        {10, 20, 1024, 620, false, 2, 0, 1},       // right edge reaches the screen width
        {10, 20, 1023, 767, false, 0, 1, 1013},
    };
    for (const Case& c : cases) {
        MainWindowPlacement p;
        p.flags = c.flagsBefore;
        p.width = 1;
        CaptureWindowPlacement(&p, c.l, c.t, c.r, c.b, c.maximised, 1024, 768);
        EXPECT_EQ(p.flags, c.flagsAfter) << c.l << "," << c.r;
        EXPECT_EQ(p.width, c.width);
    }
    MainWindowPlacement p;
    int32_t l, t, w, h;
    EXPECT_TRUE(ComputeWindowPlacement(&p, 1023, 767, &l, &t, &w, &h));
    EXPECT_EQ(w, 767);  // 767.25 rounded
    EXPECT_EQ(h, 575);  // 575.25 rounded
    EXPECT_EQ(l, 128);
    EXPECT_EQ(t, 96);
    p.flags = 3;
    p.left = 5;
    p.width = 300;
    EXPECT_FALSE(ComputeWindowPlacement(&p, 1024, 768, &l, &t, &w, &h));
    EXPECT_EQ(l, 5);
    EXPECT_EQ(w, 300);
}

TEST(DatabaseSettings, FindHistoriesKeepTwentyEntriesWithoutDuplicates) {
    TFindFileSettingsData f;
    for (int i = 0; i < 25; ++i) {
        std::snprintf(f.contents, sizeof f.contents, "term%d", i);
        f.RememberSearchTexts();
    }
    std::snprintf(f.contents, sizeof f.contents, "TERM24");
    f.RememberSearchTexts();
    EXPECT_EQ(f.contentsHistory.Count(1), 20u);
    EXPECT_STREQ(TDynamicStringListObject::Item(f.contentsHistory.First())->text, "term5");
    EXPECT_EQ(f.filterHistory.Count(1), 0u);  // empty texts are not remembered
}

}  // namespace
