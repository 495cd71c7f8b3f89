#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/path.h"

namespace {

TEST(PathValidName, Table) {
    const struct { const char* text; int valid; } cases[] = {
        {"file.txt", 1},      {"  file.txt  ", 1}, {"a", 1},          {"", 0},
        {"   ", 0},           {" .hidden", 0},     {".hidden", 0},    {"a:b", 0},
        {"a<b", 0},           {"a>b", 0},          {"a\"b", 0},       {"a/b", 0},
        {"a\\b", 0},          {"a|b", 0},          {"a?b", 0},        {"a*b", 0},
        {"a\tb", 0},          {"a\x1F", 0},        {"na\xE4me", 1},   {"a.b.c", 1},
        {nullptr, 0},         {"con", 0},          {"Nul.txt", 0},    {"COM1", 0},
        {"lpt9.log", 0},      {"aux .x", 0},       {"com0", 1},       {"console", 1},
        {"prn1", 1},          {"xcon", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.valid, IsValidFileName(c.text)) << (c.text ? c.text : "(null)");
    EXPECT_EQ(1, IsValidFileName(std::string(260, 'n').c_str()));
    EXPECT_EQ(0, IsValidFileName(std::string(261, 'n').c_str()));
}

TEST(PathDeviceName, Table) {
    const struct { const char* name; bool device; } cases[] = {
        {"CON", true},        {"con", true},        {"Prn", true},        {"aux", true},
        {"NUL", true},        {"clock$", true},     {"CONIN$", true},     {"conout$", true},
        {"COM1", true},       {"com9", true},       {"LPT1", true},       {"lpt9", true},
        {"nul.txt", true},    {"Nul.tar.gz", true}, {"com1 .log", true},  {"CON  ", true},
        {"con.", true},       {"COM\xB9", true},   {"lpt\xB2.x", true}, {"Com\xB3", true},
        {"com0", false},      {"lpt0", false},      {"com10", false},     {"COM\xB4", false},
        {"console", false},   {"xcon", false},      {"con_", false},      {"prn1", false},
        {" con", false},      {"", false},          {".con", false},      {"co", false},
        {"CLOCK", false},     {"conin", false},     {"nul_.txt", false},  {"auxiliary.txt", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.device, IsDeviceName(c.name, std::strlen(c.name))) << c.name;
    // Only the given length counts, and the name ends at its terminator.
    EXPECT_TRUE(IsDeviceName("CONSOLE", 3));
    EXPECT_FALSE(IsDeviceName("CONSOLE", 7));
    EXPECT_FALSE(IsDeviceName("NUL", 2));
    EXPECT_FALSE(IsDeviceName(nullptr, 3));
    EXPECT_TRUE(IsDeviceName("nul\0garbage", 10)) << "the name ends at its terminator";
}

TEST(PathBackslashes, Table) {
    const struct { const char* in; size_t size; int ensured; const char* ensuredOut; int removed; const char* removedOut; }
        cases[] = {
            {"C:\\a", 16, 5, "C:\\a\\", 4, "C:\\a"},
            {"C:\\a\\", 16, 5, "C:\\a\\", 4, "C:\\a"},
            {"C:/a/", 16, 5, "C:/a/", 4, "C:/a"},
            {"", 16, 0, "", 0, ""},
            {"abc", 4, -1, "abc", 3, "abc"},  // no room for the backslash
            {"abc", 5, 4, "abc\\", 3, "abc"},
        };
    for (const auto& c : cases) {
        char buffer[32];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        EXPECT_EQ(c.ensured, EnsureTrailingBackslash(buffer, c.size)) << c.in;
        EXPECT_STREQ(c.ensuredOut, buffer) << c.in;
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        EXPECT_EQ(c.removed, RemoveTrailingBackslash(buffer)) << c.in;
        EXPECT_STREQ(c.removedOut, buffer) << c.in;
    }
    char lead[8] = "a\\b";
    EXPECT_EQ(4, EnsureLeadingBackslash(lead, sizeof lead));
    EXPECT_STREQ("\\a\\b", lead);
    EXPECT_EQ(4, EnsureLeadingBackslash(lead, sizeof lead));
    EXPECT_EQ(3, RemoveLeadingBackslash(lead));
    EXPECT_STREQ("a\\b", lead);
    char full[4] = "abc";
    EXPECT_EQ(-1, EnsureLeadingBackslash(full, sizeof full));
    EXPECT_STREQ("abc", full);
    // A path of 259 characters takes its backslash in a 261-byte buffer; one of 260 cannot.
    std::string p259(259, 'p'), p260(260, 'p');
    char path[TV_PATH_SIZE];
    std::memcpy(path, p259.c_str(), 260);
    EXPECT_EQ(260, EnsureTrailingBackslash(path, sizeof path));
    std::memcpy(path, p260.c_str(), 261);
    EXPECT_EQ(-1, EnsureTrailingBackslash(path, sizeof path));
    EXPECT_EQ(260u, std::strlen(path));
}

TEST(PathSplit, Table) {
    const struct { const char* path; int last; const char* folder; const char* name; const char* drive;
                   const char* dir; const char* base; const char* ext; int kind; } cases[] = {
        {"C:\\dir\\sub\\file.tar.gz", 10, "C:\\dir\\sub\\", "file.tar.gz", "C:", "\\dir\\sub\\", "file.tar", ".gz", 7},
        {"C:file.txt", -1, "C:", "file.txt", "C:", "", "file", ".txt", 7},
        {"file", -1, "", "file", "", "", "file", "", 2},
        {"dir/", 3, "dir/", "", "", "dir/", "", "", 1},
        {".profile", -1, "", ".profile", "", "", "", ".profile", 4},
        {"a.b\\c", 3, "a.b\\", "c", "", "a.b\\", "c", "", 3},
        {"\\\\server\\share\\x.doc", 14, "\\\\server\\share\\", "x.doc", "", "\\\\server\\share\\", "x", ".doc", 7},
        {"", -1, "", "", "", "", "", "", 0},
        {"/:", 0, "/", ":", "", "/", ":", "", 3},
        {"C:", -1, "C:", "", "C:", "", "", "", 1},
        {"C:\\", 2, "C:\\", "", "C:", "\\", "", "", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.last, LastSeparator(c.path)) << c.path;
        char folder[TV_PATH_SIZE] = "junk", name[TV_PATH_SIZE] = "junk";
        SplitPath(c.path, folder, sizeof folder, name, sizeof name);
        EXPECT_STREQ(c.folder, folder) << c.path;
        EXPECT_STREQ(c.name, name) << c.path;
        char drive[TV_PATH_SIZE] = "j", dir[TV_PATH_SIZE] = "j", base[TV_PATH_SIZE] = "j", ext[TV_PATH_SIZE] = "j";
        SplitPathParts(c.path, drive, dir, base, ext);
        EXPECT_STREQ(c.drive, drive) << c.path;
        EXPECT_STREQ(c.dir, dir) << c.path;
        EXPECT_STREQ(c.base, base) << c.path;
        EXPECT_STREQ(c.ext, ext) << c.path;
        EXPECT_EQ(c.kind, PathKind(c.path)) << c.path;
    }
    // Optional outputs and small buffers.
    char name[4];
    SplitPath("C:\\x\\longname", nullptr, 0, name, sizeof name);
    EXPECT_STREQ("lon", name);
    // Over-long input is cut at the buffer size, never written beyond it.
    const std::string longPath = "C:\\" + std::string(400, 'd') + "\\" + std::string(400, 'n') + ".e";
    char drive[TV_PATH_SIZE], dir[TV_PATH_SIZE + 4], base[TV_PATH_SIZE + 4], ext[TV_PATH_SIZE];
    dir[TV_PATH_SIZE] = '#';
    base[TV_PATH_SIZE] = '#';
    SplitPathParts(longPath.c_str(), drive, dir, base, ext);
    EXPECT_EQ(260u, std::strlen(dir));
    EXPECT_EQ(260u, std::strlen(base));
    EXPECT_EQ('#', dir[TV_PATH_SIZE]);
    EXPECT_STREQ(".e", ext);
}

TEST(PathDefaultExtension, Table) {
    const struct { const char* in; size_t size; int result; const char* out; } cases[] = {
        {"name", 16, 1, "name.txt"}, {"name.doc", 16, 0, "name.doc"}, {"a.b\\name", 16, 0, "a.b\\name"},
        {"", 16, 0, ""},             {"name", 8, 0, "name"},          {"name", 9, 1, "name.txt"},
    };
    for (const auto& c : cases) {
        char buffer[32];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        EXPECT_EQ(c.result, AddDefaultExtension(buffer, c.size, ".txt")) << c.in;
        EXPECT_STREQ(c.out, buffer) << c.in;
    }
}

TEST(PathCompareTexts, Table) {
    const struct { const char* a; const char* b; int whole; int equal; } cases[] = {
        {"C:\\Dir\\File.TXT", "c:\\dir\\file.txt", 1, 1}, {" C:\\a.txt ", "C:\\a.txt", 1, 1},
        {"C:\\a\\x.txt", "D:\\b\\X.TXT", 0, 1},           {"C:\\a\\x.txt", "D:\\b\\X.TXT", 1, 0},
        {"x.txt", "C:x.txt", 0, 1},                        {"a/x", "b\\x", 0, 1},
        {"x.txt", "x.txt2", 0, 0},                         {"", "", 1, 1},
        {nullptr, "a", 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.equal, ComparePathTexts(c.a, c.b, c.whole)) << (c.a ? c.a : "(null)") << " / " << c.b;
}

TEST(PathRenameMask, Table) {
    const struct { const char* source; const char* mask; int result; const char* out; } cases[] = {
        {"C:\\d\\report.txt", "*.bak", 1, "C:\\d\\report.bak"},
        {"C:\\d\\report.txt", "*.*", 1, "C:\\d\\report.txt"},
        {"C:\\d\\report", "*.*", 1, "C:\\d\\report"},
        {"C:\\d\\report.txt", "new.*", 1, "C:\\d\\new.txt"},
        {"C:\\d\\report.txt", "x?y*.t?", 1, "C:\\d\\xeyort.tx"},
        {"C:\\d\\ab.txt", "a?cde.*", 1, "C:\\d\\abcde.txt"},
        {"C:\\d\\report.txt", "r*", 1, "C:\\d\\report"},
        {"report.txt", "??.?", 1, "re.t"},
        {"C:\\d\\report.txt", "D:\\other\\*.log", 1, "C:\\d\\report.log"},
        {"", "*.*", 0, ""},
        {"a.txt", "", 0, ""},
    };
    for (const auto& c : cases) {
        char out[TV_PATH_SIZE] = "junk";
        EXPECT_EQ(c.result, ApplyRenameMask(out, sizeof out, c.source, c.mask)) << c.source << " " << c.mask;
        EXPECT_STREQ(c.out, out) << c.source << " " << c.mask;
    }
    // A result that does not fit leaves the output empty and reports it.
    char small[8];
    EXPECT_EQ(0, ApplyRenameMask(small, sizeof small, "C:\\d\\report.txt", "*.*"));
    EXPECT_STREQ("", small);
    const std::string tooLong(300, 'n');
    char out[TV_PATH_SIZE];
    EXPECT_EQ(0, ApplyRenameMask(out, sizeof out, tooLong.c_str(), "*.*"));
}

TEST(PathInsideFolder, Table) {
    struct Case {
        const char* path;
        const char* folder;
        int inside;
    } cases[] = {
        {"C:\\users\\me\\Temp\\TvDownload-00000001\\a.zip", "C:\\users\\me\\Temp\\", 1},
        {"c:/USERS/me/temp/a.zip", "C:\\users\\me\\Temp", 1},
        {"C:\\users\\me\\Temp\\a.zip", "C:\\users\\me\\Temp\\\\", 1},
        {"C:\\users\\me\\Temp", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temp\\", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temporary\\a.zip", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temp\\..\\Documents\\thesis.doc", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temp\\x\\..\\..\\a.zip", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temp\\.\\a.zip", "C:\\users\\me\\Temp\\", 0},
        {"C:\\users\\me\\Temp\\..a.zip", "C:\\users\\me\\Temp\\", 1},
        {"D:\\Temp\\a.zip", "C:\\Temp\\", 0},
        {"C:\\a.zip", "C:\\", 1},
        {"", "C:\\Temp\\", 0},
        {"C:\\Temp\\a.zip", "", 0},
        {"C:\\Temp\\a.zip", "\\", 0},
        {nullptr, "C:\\Temp\\", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathIsInsideFolder(c.path, c.folder), c.inside) << (c.path ? c.path : "(null)") << " in " << c.folder;
}

}  // namespace
