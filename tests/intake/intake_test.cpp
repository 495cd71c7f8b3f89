// File intake, platform-free part: which steps run for each caller's options, marks and view
// flags, cleaning of names that would leave the storage folder, and the description reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "archive/zipengine.h"
#include "intake/description.h"
#include "intake/intake_options.h"
#include "util/path.h"
#include "util/textcopy.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

TEST(IntakePlan, CallerOptionSets) {
    struct Case {
        uint32_t options;
        bool hasTemplate;
        bool nameFromFile, readDescription, showDialog, offerChoice, copy, askBeforeCancel, refresh, mark, pathAsWebsite,
            offerSetup;
    };
    const Case cases[] = {
        // plug-in hand-off: template with the URL; dialog, moved, cancel asks, setup offered
        {TV_INTAKE_SET_HANDOFF, true, true, true, true, false, false, true, true, false, false, true},
        // one file: dialog with the choice, copy preset, path becomes the website
        {TV_INTAKE_SET_ONE_FILE, false, true, true, true, true, true, false, true, false, true, false},
        // one file dropped as a move: the choice is preset to move
        {TV_INTAKE_SET_ONE_FILE | TV_INTAKE_MOVE, false, true, true, true, true, false, false, true, false, true, false},
        // each of several files: no dialog, copied, marked
        {TV_INTAKE_SET_EACH_FILE, false, true, true, false, false, true, false, true, true, true, false},
        // several dropped as a move: moved without a choice
        {TV_INTAKE_SET_EACH_FILE | TV_INTAKE_MOVE, false, true, true, false, false, false, false, true, true, true, false},
        // Properties of a download: edit, dialog, nothing read from the file
        {TV_INTAKE_SET_PROPERTIES, false, false, false, true, false, false, false, true, false, false, false},
        // a template without bits 7 and 8 keeps its name and description
        {TV_INTAKE_NEW, true, false, false, false, false, true, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.options << " template " << c.hasTemplate);
        const TIntakePlan p = MakeIntakePlan(c.options, c.hasTemplate);
        EXPECT_EQ(c.nameFromFile, p.nameFromFile);
        EXPECT_EQ(c.readDescription, p.readDescription);
        EXPECT_EQ(c.showDialog, p.showDialog);
        EXPECT_EQ(c.offerChoice, p.offerChoice);
        EXPECT_EQ(c.copy, p.copy);
        EXPECT_EQ(c.askBeforeCancel, p.askBeforeCancel);
        EXPECT_EQ(c.refresh, p.refreshViews);
        EXPECT_EQ(c.mark, p.markNew);
        EXPECT_EQ(c.pathAsWebsite, p.pathAsWebsite);
        EXPECT_EQ(c.offerSetup, p.offerSetup);
    }
}

TEST(IntakePlan, MarksAndViewFlags) {
    // An edit confirmed in the dialog clears "marked" and "found"; bit 6 marks; others keep.
    EXPECT_EQ(1u, IntakeApplyMarks(1 | 2 | 4, TV_INTAKE_SET_PROPERTIES));
    EXPECT_EQ(1u | 2u, IntakeApplyMarks(1, TV_INTAKE_SET_EACH_FILE));
    EXPECT_EQ(4u, IntakeApplyMarks(4, TV_INTAKE_SET_HANDOFF));
    EXPECT_EQ(0x19u, IntakeViewFlags(true, true));
    EXPECT_EQ(0x1Bu, IntakeViewFlags(true, false));
    EXPECT_EQ(0x18u, IntakeViewFlags(false, true));
    EXPECT_EQ(0x1Au, IntakeViewFlags(false, false));
}

TEST(CleanStorageName, NamesNeverLeaveTheFolder) {
    struct Case {
        const char* in;
        const char* out;
        int changed;
    };
    const Case cases[] = {
        {"setup.zip", "setup.zip", 0},
        {"..\\..\\evil.exe", "evil.exe", 1},
        {"../../etc/passwd", "passwd", 1},
        {"C:\\Windows\\win.ini", "win.ini", 1},
        {"C:evil.txt", "evil.txt", 1},
        {"..", "unknown", 1},
        {"...", "unknown", 1},
        {"a\\", "unknown", 1},
        {".hidden", "hidden", 1},
        {"name. . ", "name", 1},
        {"  spaced  ", "spaced", 1},
        {"ab:c*d?e\"f<g>h|i", "ab_c_d_e_f_g_h_i", 1},
        {"tab\there", "tab_here", 1},
        {"nul", "_nul", 1},
        {"COM1.txt", "_COM1.txt", 1},
        {"lpt9", "_lpt9", 1},
        {"console.txt", "console.txt", 0},
        {"com10", "com10", 0},
        {"", "unknown", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        char name[TV_PATH_SIZE];
        snprintf(name, sizeof name, "%s", c.in);
        EXPECT_EQ(c.changed, CleanStorageName(name, sizeof name, "unknown"));
        EXPECT_STREQ(c.out, name);
        EXPECT_TRUE(IsValidFileName(name));
    }
    // A category name with nothing usable and no fallback stays empty (the root is used then).
    char empty[TV_PATH_SIZE] = "..\\";
    CleanStorageName(empty, sizeof empty, "");
    EXPECT_STREQ("", empty);
}

// The file-name check, the storage names of intake and the archive members' paths agree on which
// names are devices: a name refused as a file name is never written as it stands.
TEST(DeviceNames, EveryNameCheckAgrees) {
    const char* const names[] = {"con",      "AUX.txt",   "Nul .log", "clock$",  "CONOUT$.x", "com1",
                                 "LPT9.doc", "com\xB2",  "com0",     "com10",   "console",   "nul_"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const bool device = IsDeviceName(name, std::strlen(name));
        EXPECT_EQ(!device, IsValidFileName(name) == 1);

        char storage[TV_PATH_SIZE];
        snprintf(storage, sizeof storage, "%s", name);
        CleanStorageName(storage, sizeof storage, "unknown");
        EXPECT_EQ(device, storage[0] == '_');
        EXPECT_TRUE(IsValidFileName(storage));

        char member[TV_PATH_SIZE];
        ASSERT_EQ(1, SafeMemberPath((std::string("dir/") + name).c_str(), '/', member, sizeof member));
        const char* last = std::strrchr(member, '/') + 1;
        EXPECT_EQ(device, last[0] == '_');
        EXPECT_TRUE(IsValidFileName(last));
    }
}

TEST(CleanStorageName, AnyTextBecomesOnePlainName) {
    // Texts built from the characters that matter for paths: every result is one valid name that
    // names no folder above, no drive and no device.
    const char alphabet[] = {'.', '.', '\\', '/', ':', 'C', 'n', 'u', 'l', ' ', '*', '"', '\t', 'a', '1'};
    uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        char name[TV_PATH_SIZE];
        seed = seed * 1103515245u + 12345u;
        const size_t length = (seed >> 16) % 12;
        for (size_t j = 0; j < length; ++j) {
            seed = seed * 1103515245u + 12345u;
            name[j] = alphabet[(seed >> 16) % sizeof alphabet];
        }
        name[length] = 0;
        const std::string input = name;
        CleanStorageName(name, sizeof name, "unknown");
        SCOPED_TRACE("[" + input + "] -> [" + name + "]");
        ASSERT_TRUE(IsValidFileName(name));
        ASSERT_EQ(nullptr, std::strpbrk(name, "\\/:"));
    }
}

TEST(TrimAndUnquotePath, QuotesAndBlanks) {
    char out[TV_PATH_SIZE];
    TrimAndUnquotePath(out, sizeof out, "  \"C:\\My Files\\a.zip\"  ");
    EXPECT_STREQ("C:\\My Files\\a.zip", out);
    TrimAndUnquotePath(out, sizeof out, nullptr);
    EXPECT_STREQ("", out);
}

// --- The description reader over archives made by the engine.

std::string TempRoot() {
#if defined(_WIN32)
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    std::string dir = std::string(base) + "tvintake" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
#else
    char pattern[] = "/tmp/tvintakeXXXXXX";
    return std::string(mkdtemp(pattern)) + "/";
#endif
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
}

class Description : public ::testing::Test {
protected:
    void SetUp() override { dir_ = TempRoot(); }
    void TearDown() override {
        for (const std::string& f : files_) std::remove(f.c_str());
#if defined(_WIN32)
        RemoveDirectoryA(dir_.c_str());
#else
        rmdir(dir_.c_str());
#endif
    }
    std::string Path(const std::string& name) {
        files_.push_back(dir_ + name);
        return dir_ + name;
    }
    // An archive with the given members (stored under their base names).
    std::string Archive(const std::string& name, const std::vector<std::pair<std::string, std::string>>& members,
                        const char* password = nullptr) {
        TZipCommand c;
        ResetZipCommand(&c);
        c.function = TV_ZIP_ADD;
        const std::string archive = Path(name);
        snprintf(c.zipFile, sizeof c.zipFile, "%s", archive.c_str());
        c.noFolderNames = 1;
        if (password) snprintf(c.password, sizeof c.password, "%s", password);
        for (const auto& m : members) {
            const std::string file = Path(m.first);
            WriteFile(file, m.second);
            AppendItemList(c.itemList, sizeof c.itemList, file.c_str());
        }
        EXPECT_EQ(TV_ZIP_OK, RunZipCommand(&c));
        for (const auto& m : members) std::remove((dir_ + m.first).c_str());
        return archive;
    }

    std::string dir_;
    std::vector<std::string> files_;
};

TEST_F(Description, TakesTheFirstTenThousandBytesAsTheyStand) {
    std::string big(12000, 'x');
    for (size_t i = 0; i < big.size(); i += 100) big[i] = char(0xE4);  // kept as bytes, no conversion
    const std::string a = Archive("big.zip", {{"FILE_ID.DIZ", big}, {"readme.txt", "r"}});
    char* text = TextDuplicate("old");
    ASSERT_EQ(1, ExtractDescription(a.c_str(), &text, 1));
    EXPECT_EQ(big.substr(0, TV_DESCRIPTION_MAX), std::string(text));
    TextRelease(&text);
}

TEST_F(Description, ReplacesOnlyWhenTheArchiveHoldsTheMember) {
    const std::string small = Archive("small.exe", {{"file_id.diz", "Tool 1.0\r\nA small tool"}});
    const std::string none = Archive("none.zip", {{"readme.txt", "no description"}});
    const std::string txt = Archive("packed.txt", {{"FILE_ID.DIZ", "never read"}});
    const std::string locked = Archive("locked.zip", {{"FILE_ID.DIZ", "secret"}}, "pw");
    const std::string empty = Archive("empty.zip", {{"FILE_ID.DIZ", ""}});
    const std::string notZip = Path("broken.zip");
    WriteFile(notZip, "PK this is no archive");
    // A stale FILE_ID.DIZ beside the archives (and in the working folder) must never be read.
    WriteFile(Path("FILE_ID.DIZ"), "stale");

    struct Case {
        std::string path;
        int replaced;
        const char* expected;
    };
    const Case cases[] = {
        {small, 1, "Tool 1.0\r\nA small tool"},
        {none, 0, "given"},
        {txt, 0, "given"},
        {locked, 0, "given"},
        {empty, 1, ""},
        {notZip, 0, "given"},
        {dir_ + "missing.zip", 0, "given"},
        {"", 0, "given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char* text = TextDuplicate("given");
        EXPECT_EQ(c.replaced, ExtractDescription(c.path.c_str(), &text, 1));
        EXPECT_STREQ(c.expected, text);
        TextRelease(&text);
    }
}

TEST_F(Description, FirstOfSeveralMembersWins) {
    TZipCommand c;
    ResetZipCommand(&c);
    c.function = TV_ZIP_ADD;
    const std::string archive = Path("two.zip");
    snprintf(c.zipFile, sizeof c.zipFile, "%s", archive.c_str());
    // Two folders each with a FILE_ID.DIZ, stored with their folder names.
    const std::string a = dir_ + "a";
    const std::string b = dir_ + "b";
#if defined(_WIN32)
    CreateDirectoryA(a.c_str(), nullptr);
    CreateDirectoryA(b.c_str(), nullptr);
    const char sep = '\\';
#else
    mkdir(a.c_str(), 0700);
    mkdir(b.c_str(), 0700);
    const char sep = '/';
#endif
    WriteFile(a + sep + "FILE_ID.DIZ", "first");
    WriteFile(b + sep + "FILE_ID.DIZ", "second");
    AppendItemList(c.itemList, sizeof c.itemList, (a + sep + "FILE_ID.DIZ").c_str());
    AppendItemList(c.itemList, sizeof c.itemList, (b + sep + "FILE_ID.DIZ").c_str());
    ASSERT_EQ(TV_ZIP_OK, RunZipCommand(&c));
    std::remove((a + sep + "FILE_ID.DIZ").c_str());
    std::remove((b + sep + "FILE_ID.DIZ").c_str());
#if defined(_WIN32)
    RemoveDirectoryA(a.c_str());
    RemoveDirectoryA(b.c_str());
#else
    rmdir(a.c_str());
    rmdir(b.c_str());
#endif
    char* text = nullptr;
    ASSERT_EQ(1, ExtractDescription(archive.c_str(), &text, 0));
    EXPECT_STREQ("first", text);
    TextRelease(&text);
}

}  // namespace
