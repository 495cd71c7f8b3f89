// Builds database files byte by byte from the documented layout, independently of the writer, so
// the tests can compare what the reader takes and what the writer produces with the layout.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace golden {

struct Bytes {
    std::vector<uint8_t> v;
    void U8(uint8_t x) { v.push_back(x); }
    void I8(int8_t x) { v.push_back(uint8_t(x)); }
    void U32(uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
    }
    void I32(int32_t x) { U32(uint32_t(x)); }
    void U64(uint64_t x) {
        for (int i = 0; i < 8; ++i) v.push_back(uint8_t(x >> (8 * i)));
    }
    void Str(const std::string& s) {
        I32(int32_t(s.size()));
        v.insert(v.end(), s.begin(), s.end());
    }
    void Raw(const char* s, size_t n) { v.insert(v.end(), s, s + n); }
    size_t Size() const { return v.size(); }
};

struct Category {
    uint8_t kind, flags;
    int32_t id, parent;
    std::string name;
};
struct Download {
    int32_t category;
    std::string name, stored, description, extracted, website;
    uint32_t sizeLow, sizeHigh, flags;
    uint64_t downloaded, unpacked;
};
struct Bookmark {
    int32_t category;
    std::string url, title, description;
};
struct Shortcut {
    int32_t category;
    std::string title;
};
struct History {
    std::string text;
    uint32_t value;
};

// Every value of a file; the initial values differ from the defaults wherever they can, and pass
// every validation, so that reading and writing back gives the same bytes.
struct Values {
    std::string header = "TV250000CFGFILE";
    // 1
    std::string downloadsLocation = "C:\\TV\\download\\", shortcutsLocation = "C:\\TV\\shortcuts\\";
    int8_t doubleClick = 2;
    uint32_t tray = 0;
    // 2
    std::vector<std::string> extProcs = {"scan.exe %1", "av.exe /q"};
    // 3
    std::string integrationTexts[7] = {"C:\\IE\\IEXPLORE.EXE", "C:\\Fav",          "C:\\NS\\NETSCAPE.EXE",
                                       "C:\\NS\\bookmark.htm", "C:\\Op\\opera.exe", "C:\\Op\\opera.adr",
                                       "C:\\Other\\b.exe"};
    uint8_t browserChoice = 1, lastBrowser = 2;
    uint32_t integrationWords[9] = {0, 0, 1, 1, 0, 1, 0, 1, 1};
    // 4
    std::string findContents = "needle", findFilter = "*.txt";
    int32_t findOptions[4] = {1, 1, 0, 1};
    std::vector<History> contentsHistory = {{"alpha", 0}, {"beta", 7}};
    std::vector<History> filterHistory = {{"*.zip", 0}};
    // 5
    uint32_t shownKind = 0;
    int32_t rect[4] = {10, 20, 800, 600};
    uint32_t placementFlags = 3;
    // 6
    int32_t divider[4] = {200, 5, 6, 7};
    uint32_t dividerValue = 9;
    // 7-9: {field, position, width}
    std::vector<std::array<uint32_t, 3>> downloadColumns = {{0, 6, 50}, {1, 5, 51}, {2, 4, 52}, {3, 3, 53},
                                                            {4, 2, 54}, {5, 1, 55}, {6, 0, 56}};
    std::vector<std::array<uint32_t, 3>> bookmarkColumns = {{0, 1, 111}, {1, 2, 112}, {2, 0, 113}};
    std::vector<std::array<uint32_t, 3>> shortcutColumns = {{0, 0, 321}};
    // 10
    uint8_t fileExportFormat = 1;
    std::string fileExportPaths[2] = {"C:\\out.html", "C:\\out.csv"};
    int32_t fileExportWords[12] = {1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 99};
    uint8_t fileExportBytes[3] = {2, 1, ';'};
    // 11
    uint8_t bookmarkExportFormat = 3;
    std::string bookmarkExportPaths[6] = {"p1.html", "p2.csv", "p3.txt", "p4.htm", "C:\\Fav\\", "p6.adr"};
    int32_t bookmarkExportWords[2] = {1, 0};
    uint8_t bookmarkExportBytes[2] = {2, '|'};
    std::string bookmarkExportTitle = "My Bookmarks";
    int32_t bookmarkExportIds[2] = {4, 5};
    // 12
    uint8_t importFormat = 2;
    std::string importPaths[3] = {"nb.htm", "C:\\Fav2", "hot.adr"};
    int32_t importDuplicates = 2;
    // 13
    uint8_t interchangeKind = 1;
    int32_t interchangeFlags[2] = {1, 0};
    std::string interchangePath = "C:\\backup.tvi";
    // 14
    uint32_t findWindowOption = 0;
    // 15
    uint32_t viewer[2] = {0, 1};
    // 16
    int8_t addAction = 2, addLevel = 5;
    uint32_t addWords[6] = {1, 0, 1, 0, 1, 0};
    // 17
    std::string extractFolder = "C:\\x";
    int8_t extractWhat = 2;
    std::string extractMask = "*.doc";
    uint32_t extractWords[3] = {1, 0, 1};
    // 18
    int8_t deleteWhat = 1;
    std::string deleteMask = "*.bak";
    // 19
    uint32_t passwordMask = 0;
    // 20
    std::string copyDestination = "C:\\copydest\\";
    // 21-25
    std::vector<Category> categories = {{1, 1, 0, 0, "Downloads"}, {2, 1, 0, 0, "Bookmarks"},
                                        {3, 0, 0, 0, "Shortcuts"}, {1, 1, 1, 0, "Tools"},
                                        {2, 0, 1, 0, "News"},      {1, 0, 2, 1, "Zip"}};
    std::vector<Download> downloads = {
        {1, "a.zip", "a.zip", "first\r\nline", "C:\\ex", "http://x.example/", 1234, 0, 1, 0x01D0000012345678ull, 0},
        {2, "b.exe", "b (2).exe", "", "", "", 0xFFFFFFFFu, 2, 6, 0, 0x01C0000000000001ull}};
    std::vector<Bookmark> bookmarks = {{1, "http://news.example/", "News site", "daily"},
                                       {0, "ftp.example.org", "FTP", ""}};
    std::vector<Shortcut> shortcuts = {{0, "s.lnk"}};
    std::vector<History> tempFiles = {{"C:\\Temp\\a.tmp", 0}, {"C:\\Temp\\iv1", 1}};
};

// The file, for a given version (its gates decide which parts are written). sectionEnds (when
// given) receives the offset after each section 1..25 (index 0 = after the header); with
// windowSections false sections 5 to 9 are left out (their ends equal the end of section 4).
inline std::vector<uint8_t> Build(const Values& x, uint32_t version, bool header = true,
                                  bool windowSections = true, std::vector<size_t>* sectionEnds = nullptr) {
    Bytes b;
    std::vector<size_t> ends;
    if (header) b.Raw(x.header.data(), x.header.size());
    ends.push_back(b.Size());
    // 1
    b.Str(x.downloadsLocation);
    b.Str(x.shortcutsLocation);
    b.I8(x.doubleClick);
    b.U32(x.tray);
    ends.push_back(b.Size());
    // 2
    b.U32(uint32_t(x.extProcs.size()));
    for (const auto& s : x.extProcs) b.Str(s);
    ends.push_back(b.Size());
    // 3
    const bool opera = version >= 240000;
    for (int i = 0; i < 7; ++i)
        if (opera || (i != 4 && i != 5)) b.Str(x.integrationTexts[i]);
    b.U8(x.browserChoice);
    b.U8(x.lastBrowser);
    for (int i = 0; i < (opera ? 9 : 7); ++i) b.U32(x.integrationWords[i]);
    ends.push_back(b.Size());
    // 4
    b.Str(x.findContents);
    b.Str(x.findFilter);
    for (int32_t o : x.findOptions) b.I32(o);
    b.U32(uint32_t(x.contentsHistory.size()));
    for (const auto& h : x.contentsHistory) {
        b.Str(h.text);
        b.U32(h.value);
    }
    b.U32(uint32_t(x.filterHistory.size()));
    for (const auto& h : x.filterHistory) {
        b.Str(h.text);
        b.U32(h.value);
    }
    ends.push_back(b.Size());
    // 5-9
    if (windowSections) {
        b.U32(x.shownKind);
        for (int32_t r : x.rect) b.I32(r);
        b.U32(x.placementFlags);
        ends.push_back(b.Size());
        for (int32_t d : x.divider) b.I32(d);
        b.U32(x.dividerValue);
        ends.push_back(b.Size());
        for (const auto* cols : {&x.downloadColumns, &x.bookmarkColumns, &x.shortcutColumns}) {
            for (const auto& c : *cols) {
                b.U32(c[0]);
                b.I32(int32_t(c[1]));
                b.U32(c[2]);
            }
            ends.push_back(b.Size());
        }
    } else {
        for (int i = 0; i < 5; ++i) ends.push_back(b.Size());
    }
    // 10
    if (version >= 230000) {
        b.U8(x.fileExportFormat);
        b.Str(x.fileExportPaths[0]);
        b.Str(x.fileExportPaths[1]);
        for (int32_t w : x.fileExportWords) b.I32(w);
        for (uint8_t c : x.fileExportBytes) b.U8(c);
    }
    ends.push_back(b.Size());
    // 11
    b.U8(x.bookmarkExportFormat);
    for (int i = 0; i < (opera ? 6 : 5); ++i) b.Str(x.bookmarkExportPaths[i]);
    for (int32_t w : x.bookmarkExportWords) b.I32(w);
    for (uint8_t c : x.bookmarkExportBytes) b.U8(c);
    b.Str(x.bookmarkExportTitle);
    for (int32_t id : x.bookmarkExportIds) b.I32(id);
    ends.push_back(b.Size());
    // 12
    b.U8(x.importFormat);
    for (int i = 0; i < (opera ? 3 : 2); ++i) b.Str(x.importPaths[i]);
    b.I32(x.importDuplicates);
    ends.push_back(b.Size());
    // 13
    if (opera) {
        b.U8(x.interchangeKind);
        b.I32(x.interchangeFlags[0]);
        b.I32(x.interchangeFlags[1]);
        b.Str(x.interchangePath);
    }
    ends.push_back(b.Size());
    // 14
    b.U32(x.findWindowOption);
    ends.push_back(b.Size());
    // 15
    b.U32(x.viewer[0]);
    b.U32(x.viewer[1]);
    ends.push_back(b.Size());
    // 16
    b.I8(x.addAction);
    b.I8(x.addLevel);
    for (uint32_t w : x.addWords) b.U32(w);
    ends.push_back(b.Size());
    // 17
    b.Str(x.extractFolder);
    b.I8(x.extractWhat);
    b.Str(x.extractMask);
    for (uint32_t w : x.extractWords) b.U32(w);
    ends.push_back(b.Size());
    // 18
    b.I8(x.deleteWhat);
    b.Str(x.deleteMask);
    ends.push_back(b.Size());
    // 19
    b.U32(x.passwordMask);
    ends.push_back(b.Size());
    // 20
    b.Str(x.copyDestination);
    ends.push_back(b.Size());
    // 21
    b.U32(uint32_t(x.categories.size()));
    for (const auto& c : x.categories) {
        b.U8(c.kind);
        b.U8(c.flags);
        b.I32(c.id);
        b.I32(c.parent);
        b.Str(c.name);
    }
    ends.push_back(b.Size());
    // 22
    b.U32(uint32_t(x.downloads.size()));
    for (const auto& d : x.downloads) {
        b.I32(d.category);
        b.Str(d.name);
        b.Str(d.stored);
        b.Str(d.description);
        b.Str(d.extracted);
        b.Str(d.website);
        b.U32(d.sizeLow);
        b.U32(d.sizeHigh);
        b.U32(d.flags);
        b.U64(d.downloaded);
        b.U64(d.unpacked);
    }
    ends.push_back(b.Size());
    // 23
    b.U32(uint32_t(x.bookmarks.size()));
    for (const auto& m : x.bookmarks) {
        b.I32(m.category);
        b.Str(m.url);
        b.Str(m.title);
        b.Str(m.description);
    }
    ends.push_back(b.Size());
    // 24
    b.U32(uint32_t(x.shortcuts.size()));
    for (const auto& s : x.shortcuts) {
        b.I32(s.category);
        b.Str(s.title);
    }
    ends.push_back(b.Size());
    // 25
    b.U32(uint32_t(x.tempFiles.size()));
    for (const auto& t : x.tempFiles) {
        b.Str(t.text);
        b.U32(t.value);
    }
    ends.push_back(b.Size());
    if (sectionEnds) *sectionEnds = ends;
    return b.v;
}

}  // namespace golden
