// The ZIP engine against archives that other tools write (Info-ZIP zip, 7z, python's zipfile,
// bsdtar, fastjar), and archives we write checked by other tools (unzip -t, 7z t, python testzip).
// Everything is created at test time in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/archivelist.h"
#include "archive/zipengine.h"
#include "archive/zipfs.h"
#include "util/text.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class ZipInterop : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tvzipXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        // Relative item paths (stored as given) are taken from the test's folder.
        ASSERT_NE(getcwd(oldCwd_, sizeof oldCwd_), nullptr);
        ASSERT_EQ(0, chdir(dir_.c_str()));
        // A source tree: text, repetitive binary, random bytes, an empty file, nested folders.
        Sh("mkdir -p src/sub/deep src/empty && seq 1 3000 > src/numbers.txt && printf 'hi' > src/sub/hi.txt"
           " && head -c 70000 /dev/urandom > src/sub/deep/random.bin && : > src/zero.txt"
           " && python3 -c \"import sys; sys.stdout.buffer.write(bytes(range(256))*300)\" > src/sub/pattern.bin");
    }
    void TearDown() override {
        EXPECT_EQ(0, chdir(oldCwd_));
        Sh("rm -rf " + dir_);
    }

    int Sh(const std::string& cmd) {
        std::string full = "cd '" + dir_ + "' && (" + cmd + ") >/dev/null 2>&1";
        int r = std::system(full.c_str());
        return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    }
    std::string P(const std::string& rel) const { return dir_ + "/" + rel; }

    int Count(const std::string& archive, uint32_t* count) {
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_COUNTALL;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        int r = RunUnzipCommand(&c);
        *count = c.count;
        return r;
    }
    std::vector<MemberInfo> List(const std::string& archive, int* result = nullptr) {
        std::vector<MemberInfo> out;
        uint32_t n = 0;
        int r = Count(archive, &n);
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_NEXT;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        MemberInfo info;
        c.info = &info;
        for (uint32_t i = 0; i < n; ++i) {
            int x = RunUnzipCommand(&c);
            if (x) r = x;
            else out.push_back(info);
        }
        if (result) *result = r;
        return out;
    }
    int Extract(const std::string& archive, const std::string& dest, const char* password = "", int ignoreFolders = 0,
                int32_t index = -1, const char* spec = "") {
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_EXTRACT;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        CopyLimited(c.destination, P(dest).c_str(), sizeof c.destination);
        CopyLimited(c.password, password, sizeof c.password);
        CopyLimited(c.fileSpec, spec, sizeof c.fileSpec);
        c.ignoreFolders = ignoreFolders;
        c.memberIndex = index;
        c.overwrite = 1;
        return RunUnzipCommand(&c);
    }
    // The extracted tree equals the source tree (files and their bytes).
    void ExpectSameTree(const std::string& a, const std::string& b) {
        EXPECT_EQ(0, Sh("diff -r " + a + " " + b)) << a << " vs " << b;
    }
    int Add(const std::string& archive, std::vector<std::string> items, int level = 6, const char* password = "",
            int function = TV_ZIP_ADD, int recurse = 1, int move = 0) {
        static TZipCommand c;
        ResetZipCommand(&c);
        c.function = function;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        for (auto& i : items) AppendItemList(c.itemList, sizeof c.itemList, i.c_str());
        c.level = level;
        c.recurse = recurse;
        c.deleteSources = move;
        CopyLimited(c.password, password, sizeof c.password);
        int r = RunZipCommand(&c);
        lastCount_ = c.count;
        return r;
    }
    // Our archive passes the three other readers.
    void ExpectOthersAccept(const std::string& archive, const std::string& password = "") {
        std::string pw = password.empty() ? "" : " -P '" + password + "'";
        EXPECT_EQ(0, Sh("unzip -t -qq" + pw + " " + archive)) << "unzip -t " << archive;
        EXPECT_EQ(0, Sh("7z t '-p" + (password.empty() ? std::string("x") : password) + "' " + archive))
            << "7z t " << archive;
        std::string py = "import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); z.setpassword(sys.argv[2].encode());"
                         " sys.exit(1 if z.testzip() is not None else 0)";
        EXPECT_EQ(0, Sh("python3 -c '" + py + "' " + archive + " '" + password + "'")) << "testzip " << archive;
    }

    std::string dir_;
    char oldCwd_[4096] = {};
    uint32_t lastCount_ = 0;
};

// Archives written by the other tools: listed and extracted to the same bytes.
TEST_F(ZipInterop, ReadsArchivesOfOtherTools) {
    struct Case {
        const char* name;
        const char* command;  // writes the archive from "src"
        const char* password;
    } cases[] = {
        {"infozip deflate", "zip -qr a.zip src", ""},
        {"infozip stored", "zip -qr0 a.zip src", ""},
        {"infozip encrypted", "zip -qr -P secret a.zip src", "secret"},
        {"infozip streamed (data descriptors with signature)", "zip -qr - src > a.zip", ""},
        {"7z deflate", "7z a -tzip a.zip src", ""},
        {"7z encrypted", "7z a -tzip -psecret -mem=ZipCrypto a.zip src", "secret"},
        {"bsdtar", "bsdtar -a -cf a.zip src", ""},
        {"fastjar", "fastjar cf a.zip src", ""},
        {"python zip64 members",
         "python3 -c \"import zipfile,os\nz=zipfile.ZipFile('a.zip','w',zipfile.ZIP_DEFLATED)\n"
         "for r,ds,fs in os.walk('src'):\n for f in fs:\n  p=os.path.join(r,f)\n"
         "  with open(p,'rb') as i, z.open(p,'w',force_zip64=True) as o: o.write(i.read())\nz.mkdir('src/empty')\nz.close()\"",
         ""},
        {"self-extracting, offsets corrected", "zip -qr x.zip src && (head -c 5000 /dev/urandom; cat x.zip) > a.zip && zip -qA a.zip", ""},
        {"self-extracting, offsets not corrected", "zip -qr x.zip src && (printf MZ; head -c 5000 /dev/zero; cat x.zip) > a.zip", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sh("rm -rf a.zip x.zip out");
        ASSERT_EQ(0, Sh(c.command));
        int r = -1;
        auto members = List("a.zip", &r);
        EXPECT_EQ(0, r);
        int files = 0;
        for (auto& m : members)
            if (!(m.attributes & TV_ZIPATTR_FOLDER) && strncmp(m.name, "META-INF", 8)) ++files;
        EXPECT_EQ(5, files);
        EXPECT_EQ(0, Extract("a.zip", "out", c.password));
        ExpectSameTree("src", "out/src");
        // Every member alone by its index, too (the viewer's way).
        Sh("rm -rf out");
        for (auto& m : members) EXPECT_EQ(0, Extract("a.zip", "out", c.password, 0, int32_t(m.index)));
        EXPECT_EQ(ReadAll(P("src/sub/pattern.bin")), ReadAll(P("out/src/sub/pattern.bin")));
    }
}

TEST_F(ZipInterop, SpecialStructures) {
    // Data descriptors without signature, a comment holding a fake end record, a name twice,
    // more than 65,535 members (Zip64 end records), names with and without the UTF-8 flag.
    const char* py = R"PY(
import struct, zipfile, zlib
def local(name, data, flags=8):
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, flags, 0, 0, 0x21, 0, 0, 0, len(name), 0) + name
def central(name, data, off, flags=8):
    return struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, flags, 0, 0, 0x21, zlib.crc32(data),
                       len(data), len(data), len(name), 0, 0, 0, 0, 0, off) + name
out = b''; cd = b''
for name, data in [(b'one.txt', b'first member'), (b'two.txt', b'second' * 100)]:
    off = len(out)
    out += local(name, data) + data + struct.pack('<III', zlib.crc32(data), len(data), len(data))
    cd += central(name, data, off)
out += cd + struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 2, 2, len(cd), len(out), 0)
open('nosig.zip', 'wb').write(out)
with zipfile.ZipFile('comment.zip', 'w') as z:
    z.writestr('real.txt', 'real')
    z.comment = b'see PK\x05\x06' + b'\x00' * 8 + b'\xff\xff\xff\x7f\x10\x00\x00\x00\x00\x00 end'
import warnings; warnings.simplefilter('ignore')
with zipfile.ZipFile('twice.zip', 'w') as z:
    z.writestr('same.txt', 'old')
    z.writestr('same.txt', 'new')
with zipfile.ZipFile('many.zip', 'w') as z:
    for i in range(65600):
        z.writestr('m/%05d' % i, '')
with zipfile.ZipFile('utf8.zip', 'w') as z:
    z.writestr('caf\u00e9.txt', 'flagged')
)PY";
    WriteAll(P("gen.py"), py);
    ASSERT_EQ(0, Sh("python3 gen.py"));
    ASSERT_EQ(0, Sh("mkdir u && printf unflagged > 'u/na\xc3\xafve.txt' && zip -q iz.zip u/*"));

    int r;
    auto nosig = List("nosig.zip", &r);
    ASSERT_EQ(0, r);
    ASSERT_EQ(2u, nosig.size());
    EXPECT_EQ(600u, nosig[1].size);
    EXPECT_EQ(0, Extract("nosig.zip", "o1"));
    std::string sixHundred;
    for (int i = 0; i < 100; ++i) sixHundred += "second";
    EXPECT_EQ(sixHundred, ReadAll(P("o1/two.txt")));
    EXPECT_EQ(600u, ReadAll(P("o1/two.txt")).size());

    auto comment = List("comment.zip", &r);
    EXPECT_EQ(0, r);
    ASSERT_EQ(1u, comment.size());
    EXPECT_STREQ("real.txt", comment[0].name);

    auto twice = List("twice.zip", &r);
    EXPECT_EQ(0, r);
    ASSERT_EQ(2u, twice.size());
    EXPECT_STREQ("same.txt", twice[1].name);
    EXPECT_EQ(0, Extract("twice.zip", "o2", "", 0, 1));
    EXPECT_EQ("new", ReadAll(P("o2/same.txt")));

    uint32_t many = 0;
    EXPECT_EQ(0, Count("many.zip", &many));
    EXPECT_EQ(65600u, many);
    auto manyList = List("many.zip", &r);
    EXPECT_EQ(0, r);
    ASSERT_EQ(65600u, manyList.size());
    EXPECT_EQ(65599u, manyList.back().index);
    EXPECT_STREQ("m/65599", manyList.back().name);
    // The member list keeps indexes above 65,535, so extracting by index finds the right member.
    TArchiveFileListObject manyMembers;
    EXPECT_EQ(0, LoadArchive(&manyMembers, P("many.zip").c_str()));
    const ArchiveMember* last = nullptr;
    for (const ListNode* n = manyMembers.First(); n; n = n->next) last = static_cast<const ArchiveMember*>(n->item);
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(65599u, last->index);
    EXPECT_STREQ("65599", last->name);
    EXPECT_EQ(0, Extract("many.zip", "o4", "", 0, int32_t(last->index)));
    EXPECT_TRUE(std::ifstream(P("o4/m/65599")).good());
    EXPECT_FALSE(std::ifstream(P("o4/m/63")).good());

    // Names become CP1252 natively: e-acute 0xE9, i-diaeresis 0xEF.
    auto utf8 = List("utf8.zip", &r);
    ASSERT_EQ(1u, utf8.size());
    EXPECT_STREQ("caf\xe9.txt", utf8[0].name);
    auto iz = List("iz.zip", &r);
    ASSERT_EQ(1u, iz.size());
    EXPECT_STREQ("u/na\xefve.txt", iz[0].name);
    EXPECT_EQ(0, Extract("iz.zip", "o3"));
    EXPECT_EQ("unflagged", ReadAll(P("o3/u/na\xefve.txt")));
}

// Archives we write pass unzip -t, 7z t and python's testzip: every level, with and without
// password, with folders; after update, freshen, move and delete.
TEST_F(ZipInterop, ArchivesWeWritePassOtherReaders) {
    for (int level = 0; level <= 9; ++level) {
        for (const char* pw : {"", "pass word"}) {
            SCOPED_TRACE(std::to_string(level) + (pw[0] ? " encrypted" : ""));
            Sh("rm -rf w.zip out");
            ASSERT_EQ(0, Add("w.zip", {"src"}, level, pw));
            EXPECT_EQ(5u, lastCount_);
            ExpectOthersAccept("w.zip", pw);
            EXPECT_EQ(0, Sh(std::string("unzip -qq ") + (pw[0] ? "-P 'pass word' " : "") + "w.zip -d out"));
            ExpectSameTree("src", "out/src");
            Sh("rm -rf out");
            EXPECT_EQ(0, Extract("w.zip", "out", pw));
            ExpectSameTree("src", "out/src");
        }
    }
    // The empty folder was stored as a folder entry.
    bool emptyFolder = false;
    for (auto& m : List("w.zip"))
        if (!strcmp(m.name, "src/empty/") && (m.attributes & TV_ZIPATTR_FOLDER)) emptyFolder = true;
    EXPECT_TRUE(emptyFolder);

    // Update: a newer file replaces its member, an older one does not; new files are added.
    Sh("rm -f w.zip");
    ASSERT_EQ(0, Add("w.zip", {"src"}));
    Sh("touch -d '2001-01-01' src/numbers.txt && printf changed > src/sub/hi.txt && touch -d '2030-01-01' src/sub/hi.txt"
       " && printf new > src/new.txt");
    EXPECT_EQ(0, Add("w.zip", {"src"}, 6, "", TV_ZIP_UPDATE));
    Sh("rm -rf out && unzip -qq w.zip -d out");
    EXPECT_EQ("changed", ReadAll(P("out/src/sub/hi.txt")));
    EXPECT_EQ("new", ReadAll(P("out/src/new.txt")));
    EXPECT_EQ(ReadAll(P("src/numbers.txt")), ReadAll(P("out/src/numbers.txt")));
    ExpectOthersAccept("w.zip");

    // Freshen: only members that exist are replaced.
    Sh("printf again > src/sub/hi.txt && touch -d '2031-01-01' src/sub/hi.txt && printf x > src/other.txt");
    EXPECT_EQ(0, Add("w.zip", {"src"}, 6, "", TV_ZIP_FRESHEN));
    bool hasOther = false;
    for (auto& m : List("w.zip")) hasOther |= !strcmp(m.name, "src/other.txt");
    EXPECT_FALSE(hasOther);
    Sh("rm -rf out && unzip -qq w.zip -d out");
    EXPECT_EQ("again", ReadAll(P("out/src/sub/hi.txt")));

    // Move: the sources are gone afterwards.
    Sh("mkdir mv && printf a > mv/a.txt && printf b > mv/b.txt");
    EXPECT_EQ(0, Add("w.zip", {"mv"}, 6, "", TV_ZIP_ADD, 1, 1));
    EXPECT_FALSE(Exists(P("mv/a.txt")));
    EXPECT_FALSE(Exists(P("mv")));
    ExpectOthersAccept("w.zip");

    // Delete by stored name (either separator) and by mask.
    static TZipCommand d;
    ResetZipCommand(&d);
    d.function = TV_ZIP_DELETE;
    CopyLimited(d.zipFile, P("w.zip").c_str(), sizeof d.zipFile);
    AppendItemList(d.itemList, sizeof d.itemList, "src\\sub\\hi.txt");
    AppendItemList(d.itemList, sizeof d.itemList, "*.bin");
    EXPECT_EQ(0, RunZipCommand(&d));
    EXPECT_EQ(3u, d.count);
    for (auto& m : List("w.zip")) {
        EXPECT_STRNE("src/sub/hi.txt", m.name);
        EXPECT_EQ(nullptr, strstr(m.name, ".bin")) << m.name;
    }
    ExpectOthersAccept("w.zip");
    // A name that is not there: nothing to do, archive untouched.
    ResetZipCommand(&d);
    d.function = TV_ZIP_DELETE;
    CopyLimited(d.zipFile, P("w.zip").c_str(), sizeof d.zipFile);
    AppendItemList(d.itemList, sizeof d.itemList, "nothing.here");
    EXPECT_EQ(TV_ZIP_NOTHING, RunZipCommand(&d));
    // Deleting every member leaves an empty, valid archive.
    ResetZipCommand(&d);
    d.function = TV_ZIP_DELETE;
    CopyLimited(d.zipFile, P("w.zip").c_str(), sizeof d.zipFile);
    AppendItemList(d.itemList, sizeof d.itemList, "*");
    EXPECT_EQ(0, RunZipCommand(&d));
    uint32_t n = 99;
    EXPECT_EQ(0, Count("w.zip", &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(0, Sh("python3 -c 'import zipfile; assert zipfile.ZipFile(\"w.zip\").namelist() == []'"));
}

TEST_F(ZipInterop, CreateEmptyArchiveAndNothingToAdd) {
    static TZipCommand c;
    ResetZipCommand(&c);
    CopyLimited(c.zipFile, P("e.zip").c_str(), sizeof c.zipFile);
    int r = RunZipCommand(&c);
    EXPECT_TRUE(r == 0 || r == TV_ZIP_NOTHING);
    uint32_t n = 7;
    EXPECT_EQ(0, Count("e.zip", &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(0, Add("e.zip", {"src/numbers.txt"}));
    EXPECT_EQ(0, Count("e.zip", &n));
    EXPECT_EQ(1u, n);
    // A file that is not an archive is refused and stays as it was.
    WriteAll(P("not.zip"), std::string(3000, 'x'));
    EXPECT_EQ(TV_ZIP_NOTZIP, Add("not.zip", {"src/numbers.txt"}));
    EXPECT_EQ(std::string(3000, 'x'), ReadAll(P("not.zip")));
}

// More than 65,535 members: the archive we write gets Zip64 end records that the others read.
TEST_F(ZipInterop, WritesZip64WhenNeeded) {
    ASSERT_EQ(0, Sh("python3 -c \"import os\nfor d in range(41):\n os.makedirs('many/%02d' % d)\n"
                    " for i in range(1600): open('many/%02d/%04d' % (d, i), 'w').close()\""));
    ASSERT_EQ(0, Add("z.zip", {"many"}, 6, "", TV_ZIP_ADD, 1));
    EXPECT_EQ(65600u, lastCount_);
    uint32_t n = 0;
    EXPECT_EQ(0, Count("z.zip", &n));
    EXPECT_EQ(65600u + 42u, n);  // files and folder entries
    EXPECT_EQ(0, Sh("python3 -c 'import zipfile; z = zipfile.ZipFile(\"z.zip\"); assert len(z.namelist()) == 65642;"
                    " assert z.testzip() is None'"));
    EXPECT_EQ(0, Sh("unzip -tqq z.zip"));
    EXPECT_EQ(0, Sh("7z t z.zip"));
}

// Changing a self-extracting archive keeps its program part; corrected offsets stay corrected.
TEST_F(ZipInterop, ChangingSelfExtractingArchivesKeepsTheStub) {
    ASSERT_EQ(0, Sh("zip -qr x.zip src/numbers.txt && (printf MZSTUB; head -c 3000 /dev/zero; cat x.zip) > raw.exe"
                    " && cp raw.exe fixed.exe && zip -qA fixed.exe"));
    for (const char* exe : {"fixed.exe", "raw.exe"}) {
        SCOPED_TRACE(exe);
        ASSERT_EQ(0, Add(exe, {"src/sub"}, 6, "pw"));
        EXPECT_EQ("MZSTUB", ReadAll(P(exe)).substr(0, 6));
        EXPECT_EQ(0, Sh(std::string("7z t -ppw ") + exe));
        EXPECT_EQ(0, Sh(std::string("python3 -c 'import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); z.setpassword(b\"pw\");"
                                    " sys.exit(1 if z.testzip() is not None else 0)' ") + exe));
        Sh("rm -rf out");
        EXPECT_EQ(0, Extract(exe, "out", "pw"));
        EXPECT_EQ(ReadAll(P("src/numbers.txt")), ReadAll(P("out/src/numbers.txt")));
        EXPECT_EQ(ReadAll(P("src/sub/pattern.bin")), ReadAll(P("out/src/sub/pattern.bin")));
    }
    // unzip reads the corrected one without a warning.
    EXPECT_EQ(0, Sh("unzip -tqq -P pw fixed.exe"));
}

}  // namespace
