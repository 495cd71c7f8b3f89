// Member lists loaded through the engine, and the choice of the setup program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archivelist.h"
#include "util/textcopy.h"

namespace {

class ArchiveList : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tvlistXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
    void Py(const std::string& code) {
        std::ofstream(dir_ + "/g.py") << "import zipfile\n" << code;
        ASSERT_EQ(0, std::system(("cd " + dir_ + " && python3 g.py").c_str()));
    }
    std::vector<ArchiveMember*> Members(TArchiveFileListObject& list) {
        std::vector<ArchiveMember*> v;
        for (ListNode* n = list.First(); n; n = n->next) v.push_back(TArchiveFileListObject::Item(n));
        return v;
    }
    std::string dir_;
};

TEST_F(ArchiveList, LoadsMembersWithoutFolderEntries) {
    Py("z = zipfile.ZipFile('a.zip', 'w', zipfile.ZIP_DEFLATED)\n"
       "def add(name, data, dos=False, when=(2024, 3, 9, 17, 45, 0)):\n"
       "    i = zipfile.ZipInfo(name, when); i.compress_type = zipfile.ZIP_DEFLATED\n"
       "    if dos: i.create_system = 0\n"
       "    z.writestr(i, data)\n"
       "add('docs/', '')\n"
       "add('docs/ReadMe.TXT', 'a' * 1000)\n"
       "add('OLDDOS.TXT', 'x' * 10, dos=True, when=(1999, 12, 31, 23, 59, 0))\n"
       "import os\nadd('Install/Tools/MySetup.exe', os.urandom(1024))\n"
       "add('empty.dat', '')\n"
       "z.close()\n");
    TArchiveFileListObject list;
    // Quotes around the path are removed.
    EXPECT_EQ(0, LoadArchive(&list, ("\"" + dir_ + "/a.zip\"").c_str()));
    auto m = Members(list);
    ASSERT_EQ(4u, m.size());
    EXPECT_STREQ("ReadMe.TXT", m[0]->name);
    EXPECT_STREQ("docs", m[0]->folder);
    EXPECT_EQ(1u, m[0]->index);
    EXPECT_EQ(1000u, m[0]->size);
    EXPECT_EQ(uint8_t(100 - m[0]->packed * 100 / 1000), m[0]->ratio);
    EXPECT_GT(m[0]->ratio, 90);
    EXPECT_STREQ("olddos.txt", m[1]->name);  // MS-DOS name without lower case: shown folded
    EXPECT_STREQ("", m[1]->folder);
    EXPECT_EQ(0u, m[1]->attributes & TV_ZIPATTR_KEEPS_CASE);
    EXPECT_STREQ("Install/Tools", m[2]->folder);
    EXPECT_STREQ("MySetup.exe", m[2]->name);
    EXPECT_EQ(0, m[2]->ratio);  // random-looking data does not shrink: packed >= size gives 0
    EXPECT_EQ(0u, m[3]->size);
    EXPECT_EQ(0, m[3]->ratio);
    // 2024-03-09 17:44/45 (DOS times have 2-second steps; minutes kept) as a local FILETIME.
    EXPECT_EQ(MemberTimeFromText("03-09-24  17:45").Value(), m[0]->time.Value());
    EXPECT_EQ(MemberTimeFromText("12-31-99  23:59").Value(), m[1]->time.Value());

    EXPECT_EQ(m[2], FindSetupMember(&list));
    EXPECT_EQ(1u, m[2]->setup);
    EXPECT_EQ(0u, m[0]->setup);
}

TEST_F(ArchiveList, EmptyPathsAndFailures) {
    TArchiveFileListObject list;
    EXPECT_EQ(0, LoadArchive(&list, nullptr));
    EXPECT_EQ(0, LoadArchive(&list, ""));
    EXPECT_EQ(0, LoadArchive(&list, "\"\""));
    EXPECT_EQ(TV_UNZIP_OPENFAILED, LoadArchive(&list, (dir_ + "/missing.zip").c_str()));
    EXPECT_TRUE(list.IsEmpty());
    std::ofstream(dir_ + "/junk.zip") << std::string(500, 'j');
    EXPECT_EQ(TV_UNZIP_NOTZIP, LoadArchive(&list, (dir_ + "/junk.zip").c_str()));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ArchiveSetup, FirstExeWithSetupOrInstall) {
    struct Case {
        std::vector<const char*> names;
        int chosen;  // index, -1 none
    } cases[] = {
        {{"readme.txt", "setup.exe"}, 1},
        {{"SETUP.EXE", "install.exe"}, 0},
        {{"myinstaller.Exe"}, 0},
        {{"setup.exe.txt", "setup.com", "xsetupx.exe"}, 2},
        {{"setup", "install.ex"}, -1},
        {{}, -1},
    };
    for (auto& c : cases) {
        TArchiveFileListObject list;
        for (const char* n : c.names) {
            ArchiveMember m;
            InitArchiveMember(&m);
            TextAssign(&m.name, n);
            m.setup = 7;  // a stale mark: those passed are cleared, the rest keep theirs
            list.Add(&m, 0);
            FreeArchiveMember(&m);
        }
        ArchiveMember* found = FindSetupMember(&list);
        int i = 0, chosenIndex = -1;
        for (ListNode* n = list.First(); n; n = n->next, ++i) {
            ArchiveMember* m = TArchiveFileListObject::Item(n);
            if (m == found) chosenIndex = i;
            if (c.chosen < 0 || i < c.chosen) EXPECT_EQ(0u, m->setup);
            else if (i == c.chosen) EXPECT_EQ(1u, m->setup);
            else EXPECT_EQ(7u, m->setup);
        }
        EXPECT_EQ(c.chosen, chosenIndex);
    }
}

TEST(ArchiveSetup, TimeText) {
    EXPECT_EQ(0u, MemberTimeFromText("").Value());
    EXPECT_EQ(0u, MemberTimeFromText("13-01-20  10:00").Value());
    // 2000-01-01 00:00 = 125911584000000000 in FILETIME units; year 50 -> 2050, 51 -> 1951.
    EXPECT_EQ(125911584000000000ull, MemberTimeFromText("01-01-00  00:00").Value());
    EXPECT_LT(MemberTimeFromText("01-01-51  00:00").Value(), MemberTimeFromText("01-01-50  00:00").Value());
    EXPECT_EQ(MemberTimeFromText("01-01-00  00:00").Value() + 36000000000ull * 13 + 600000000ull * 7,
              MemberTimeFromText("01-01-00  13:07").Value());
}

}  // namespace
