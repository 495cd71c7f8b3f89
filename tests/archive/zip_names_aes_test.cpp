// Members under their true names (UTF-8 names outside the ANSI code page, names that collide once
// written), WinZip AES archives written by 7z at test time, and the engine's codes for libzip's
// errors.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/zipengine.h"
#include "archive/ziperror.h"
#include "archive/zipfs.h"
#include "util/text.h"

namespace {

std::string Message(uint32_t id) {
    char text[512];
    return BuildEngineMessage(id, TV_BOX_OK, text, sizeof text) ? text : "";
}

TEST(ZipErrorCodes, EveryLibzipErrorHasTheNearestCode) {
    struct {
        int zipError;
        int archive;  // reading: opening or listing the archive
        int member;   // reading: one member's data
        int write;
    } cases[] = {
        {ZIP_ER_OK, TV_UNZIP_OK, TV_UNZIP_OK, TV_ZIP_OK},
        {ZIP_ER_MULTIDISK, TV_UNZIP_MULTIVOLUME, TV_UNZIP_MULTIVOLUME, TV_ZIP_NOTZIP},
        {ZIP_ER_RENAME, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_WRITEFAILED},
        {ZIP_ER_CLOSE, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_WRITEFAILED},
        {ZIP_ER_SEEK, TV_UNZIP_OPENFAILED, TV_UNZIP_BADDATA, TV_ZIP_READFAILED},
        {ZIP_ER_READ, TV_UNZIP_OPENFAILED, TV_UNZIP_BADDATA, TV_ZIP_READFAILED},
        {ZIP_ER_WRITE, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_WRITEFAILED},
        {ZIP_ER_CRC, TV_UNZIP_BADDATA, TV_UNZIP_BADDATA, TV_ZIP_BADARCHIVE},
        {ZIP_ER_ZIPCLOSED, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_NOENT, TV_UNZIP_OPENFAILED, TV_UNZIP_OPENFAILED, TV_ZIP_OPENFAILED},
        {ZIP_ER_EXISTS, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_OPEN, TV_UNZIP_OPENFAILED, TV_UNZIP_OPENFAILED, TV_ZIP_OPENFAILED},
        {ZIP_ER_TMPOPEN, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_CREATEFAILED},
        {ZIP_ER_ZLIB, TV_UNZIP_BADDATA, TV_UNZIP_BADDATA, TV_ZIP_BADARCHIVE},
        {ZIP_ER_MEMORY, TV_UNZIP_NOMEMORY, TV_UNZIP_NOMEMORY, TV_ZIP_NOMEMORY},
        {ZIP_ER_CHANGED, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_COMPNOTSUPP, TV_UNZIP_UNSUPPORTED, TV_UNZIP_UNSUPPORTED, TV_ZIP_UNSUPPORTED},
        {ZIP_ER_EOF, TV_UNZIP_NOTZIP, TV_UNZIP_BADDATA, TV_ZIP_NOTZIP},
        {ZIP_ER_INVAL, TV_UNZIP_INTERNAL, TV_UNZIP_BADDATA, TV_ZIP_BADPARAM},
        {ZIP_ER_NOZIP, TV_UNZIP_NOTZIP, TV_UNZIP_BADDATA, TV_ZIP_NOTZIP},
        {ZIP_ER_INTERNAL, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_INCONS, TV_UNZIP_NOTZIP, TV_UNZIP_BADDATA, TV_ZIP_NOTZIP},
        {ZIP_ER_REMOVE, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_WRITEFAILED},
        {ZIP_ER_DELETED, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_ENCRNOTSUPP, TV_UNZIP_UNSUPPORTED, TV_UNZIP_UNSUPPORTED, TV_ZIP_UNSUPPORTED},
        {ZIP_ER_RDONLY, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_NOPASSWD, TV_UNZIP_NOPASSWORD, TV_UNZIP_NOPASSWORD, TV_ZIP_BADPARAM},
        {ZIP_ER_WRONGPASSWD, TV_UNZIP_BADPASSWORD, TV_UNZIP_BADPASSWORD, TV_ZIP_BADPARAM},
        {ZIP_ER_OPNOTSUPP, TV_UNZIP_INTERNAL, TV_UNZIP_INTERNAL, TV_ZIP_BADPARAM},
        {ZIP_ER_INUSE, TV_UNZIP_OPENFAILED, TV_UNZIP_OPENFAILED, TV_ZIP_OPENFAILED},
        {ZIP_ER_TELL, TV_UNZIP_OPENFAILED, TV_UNZIP_BADDATA, TV_ZIP_READFAILED},
        {ZIP_ER_COMPRESSED_DATA, TV_UNZIP_BADDATA, TV_UNZIP_BADDATA, TV_ZIP_BADARCHIVE},
        {ZIP_ER_CANCELLED, TV_UNZIP_CANCELLED, TV_UNZIP_CANCELLED, TV_ZIP_CANCELLED},
    };
    // Every code libzip has is in the table.
    ASSERT_EQ(size_t(ZIP_ER_CANCELLED + 1), sizeof cases / sizeof cases[0]);
    const std::string unknown = Message(UnzipErrorMessageId(9999));
    for (int i = 0; i <= ZIP_ER_CANCELLED; ++i) {
        const auto& c = cases[i];
        ASSERT_EQ(i, c.zipError);
        SCOPED_TRACE("libzip error " + std::to_string(c.zipError));
        EXPECT_EQ(c.archive, UnzipResultOfLibzipError(c.zipError, 0));
        EXPECT_EQ(c.member, UnzipResultOfLibzipError(c.zipError, 1));
        EXPECT_EQ(c.write, ZipResultOfLibzipError(c.zipError));
        // Whatever the code, the user reads a message of the tables, never "Unknown Error".
        if (c.archive) {
            EXPECT_NE(unknown, Message(UnzipErrorMessageId(c.archive)));
        }
        if (c.member) {
            EXPECT_NE(unknown, Message(UnzipErrorMessageId(c.member)));
        }
        if (c.write) {
            EXPECT_NE(unknown, Message(ZipErrorMessageId(c.write)));
        }
    }
    EXPECT_EQ(TV_UNZIP_INTERNAL, UnzipResultOfLibzipError(1000, 1));
    EXPECT_EQ(TV_ZIP_BADPARAM, ZipResultOfLibzipError(-5));
}

TEST(ZipErrorCodes, MessagesSayWhatHappened) {
    const std::string badPassword = Message(UnzipErrorMessageId(TV_UNZIP_BADPASSWORD));
    const std::string notZip = Message(UnzipErrorMessageId(TV_UNZIP_NOTZIP));
    struct {
        int code;
        bool zip;
        const char* text;
    } cases[] = {
        {TV_UNZIP_NOPASSWORD, false, "The file was skipped because it is encrypted and no password was given."},
        {TV_UNZIP_UNSUPPORTED, false,
         "The file was skipped: it is compressed or encrypted by a method this program cannot read."},
        {TV_UNZIP_RENAMED, false,
         "Some files had the same name as files extracted before them and were saved under new names."},
        {TV_ZIP_UNSUPPORTED, true,
         "The file was skipped: it is compressed or encrypted by a method this program cannot read."},
        {TV_UNZIP_BADPASSWORD, false, "The file was skipped due to a bad encryption password."},
        {TV_UNZIP_BADDATA, false, "The archive is not a valid zip file."},
    };
    for (auto& c : cases) {
        std::string text = Message(c.zip ? ZipErrorMessageId(c.code) : UnzipErrorMessageId(c.code));
        EXPECT_EQ(c.text, text) << c.code;
    }
    EXPECT_NE(badPassword, Message(UnzipErrorMessageId(TV_UNZIP_NOPASSWORD)));
    EXPECT_NE(notZip, Message(UnzipErrorMessageId(TV_UNZIP_UNSUPPORTED)));
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class ZipTrueNames : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tvznXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { Sh("rm -rf " + dir_); }
    int Sh(const std::string& cmd) {
        int r = std::system(("cd '" + dir_ + "' && (" + cmd + ") >/dev/null 2>&1").c_str());
        return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    }
    int Py(const std::string& code) {
        std::ofstream(dir_ + "/g.py") << "import zipfile, struct, warnings\nwarnings.simplefilter('ignore')\n" << code;
        return Sh("python3 g.py");
    }
    std::string P(const std::string& rel) const { return dir_ + "/" + rel; }
    bool Exists(const std::string& rel) const {
        struct stat st;
        return stat(P(rel).c_str(), &st) == 0;
    }
    // Runs an extract (or test) and keeps the command for a look at its outputs.
    int Run(int function, const std::string& archive, const char* password = "", int ignoreFolders = 0,
            int32_t index = -1, const std::string& dest = "out") {
        ResetUnzipCommand(&c_);
        c_.function = function;
        CopyLimited(c_.zipFile, P(archive).c_str(), sizeof c_.zipFile);
        CopyLimited(c_.destination, P(dest).c_str(), sizeof c_.destination);
        CopyLimited(c_.password, password, sizeof c_.password);
        c_.ignoreFolders = ignoreFolders;
        c_.memberIndex = index;
        c_.overwrite = 1;
        return RunUnzipCommand(&c_);
    }
    std::vector<MemberInfo> List(const std::string& archive) {
        std::vector<MemberInfo> out;
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_COUNTALL;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        if (RunUnzipCommand(&c)) return out;
        uint32_t n = c.count;
        MemberInfo info;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_NEXT;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        c.info = &info;
        for (uint32_t i = 0; i < n; ++i)
            if (RunUnzipCommand(&c) == 0) out.push_back(info);
        return out;
    }
    std::string dir_;
    TUnzipCommand c_;
};

// Names CP1252 has no form for: written under their true names (UTF-8 on this file system), listed
// with '_' for what the ANSI code page lacks; the path the engine reports opens the file.
TEST_F(ZipTrueNames, UnicodeNamesKeepTheirTrueNames) {
    ASSERT_EQ(0, Py("z = zipfile.ZipFile('u.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                    "z.writestr('\u041f\u0440\u0438\u0432\u0435\u0442.txt', 'privet')\n"
                    "z.writestr('\u65e5\u672c.txt', 'nihon')\n"
                    "z.writestr('\u03a9mega/\u03c3.txt', 'sigma')\n"
                    "z.writestr('caf\u00e9.txt', 'ansi')\n"
                    "z.close()\n"));
    auto members = List("u.zip");
    ASSERT_EQ(4u, members.size());
    EXPECT_STREQ("______.txt", members[0].name);
    EXPECT_STREQ("__.txt", members[1].name);
    EXPECT_STREQ("_mega/_.txt", members[2].name);
    EXPECT_STREQ("caf\xe9.txt", members[3].name);

    struct Written {
        static void TV_ENGINE_CALLBACK Record(const char* path, int isFolder, uintptr_t user) {
            reinterpret_cast<std::vector<std::string>*>(user)->push_back((isFolder ? "folder " : "file ") +
                                                                         std::string(path));
        }
    };
    std::vector<std::string> written;
    ResetUnzipCommand(&c_);
    c_.function = TV_UNZIP_EXTRACT;
    CopyLimited(c_.zipFile, P("u.zip").c_str(), sizeof c_.zipFile);
    CopyLimited(c_.destination, P("out").c_str(), sizeof c_.destination);
    c_.ignoreFolders = 0;
    c_.writtenProc = Written::Record;
    c_.writtenUser = uintptr_t(&written);
    EXPECT_EQ(0, RunUnzipCommand(&c_));
    EXPECT_EQ(4u, c_.count);
    EXPECT_EQ(0u, c_.renamed);
    // Every file and folder the run made is told, by a path that reaches it.
    const std::vector<std::string> expected = {
        "file " + P("out/\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt"),
        "file " + P("out/\xe6\x97\xa5\xe6\x9c\xac.txt"), "folder " + P("out/\xce\xa9mega"),
        "file " + P("out/\xce\xa9mega/\xcf\x83.txt"), "file " + P("out/caf\xe9.txt")};
    EXPECT_EQ(expected, written);
    EXPECT_EQ("privet", ReadAll(P("out/\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt")));
    EXPECT_EQ("nihon", ReadAll(P("out/\xe6\x97\xa5\xe6\x9c\xac.txt")));
    EXPECT_EQ("sigma", ReadAll(P("out/\xce\xa9mega/\xcf\x83.txt")));
    EXPECT_EQ("ansi", ReadAll(P("out/caf\xe9.txt")));  // an ANSI name keeps its ANSI bytes
    EXPECT_FALSE(Exists("out/______.txt"));
    EXPECT_FALSE(Exists("out/_mega"));

    // One member alone (the viewer's Open): the reported path reaches the file.
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "u.zip", "", 1, 1, "tmp"));
    EXPECT_EQ("nihon", ReadAll(c_.writtenPath));
    EXPECT_EQ(P("tmp/\xe6\x97\xa5\xe6\x9c\xac.txt"), c_.writtenPath);
    EXPECT_EQ(0, Run(TV_UNZIP_TEST, "u.zip"));
    EXPECT_EQ(4u, c_.count);
    EXPECT_EQ(0, c_.writtenPath[0]);
    // A destination whose bytes CP1252 leaves undefined (0x81 in the UTF-8 of "\u00c1") stays itself.
    ASSERT_EQ(0, Sh("mkdir '\xc3\x81gnes'"));
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "u.zip", "", 1, -1, "\xc3\x81gnes"));
    EXPECT_EQ("nihon", ReadAll(P("\xc3\x81gnes/\xe6\x97\xa5\xe6\x9c\xac.txt")));
    EXPECT_EQ(0, Sh("test $(ls | wc -l) -eq 5"));  // g.py, u.zip, out, tmp, the destination: no other
}

// The native file system's names: every byte survives CP1252 -> UTF-8 -> CP1252, and a UTF-8 path
// keeps the CP1252 byte of what CP1252 has and the UTF-8 of what it lacks.
TEST(ZipNativeNames, Cp1252RoundTripAndMixedPaths) {
    for (int b = 1; b < 256; ++b) {
        const char one[2] = {char(b), 0};
        EXPECT_EQ(std::string(one), Utf8ToCp1252(Cp1252ToUtf8(one).c_str())) << b;
        EXPECT_EQ(std::string(one), Utf8ToCp1252OrUtf8(Cp1252ToUtf8(one).c_str())) << b;
    }
    struct {
        const char* utf8;
        const char* bytes;
    } cases[] = {
        {"plain/a.txt", "plain/a.txt"},
        {"caf\xc3\xa9/\xe2\x82\xac", "caf\xe9/\x80"},                   // e-acute, euro sign: CP1252
        {"\xd0\x96/caf\xc3\xa9", "\xd0\x96/caf\xe9"},                    // Cyrillic stays UTF-8
        {"\xf0\x9f\x98\x80_", "\xf0\x9f\x98\x80_"},                     // four bytes, then '_'
        {"_", "_"},
    };
    for (auto& c : cases) EXPECT_EQ(c.bytes, Utf8ToCp1252OrUtf8(c.utf8)) << c.utf8;
}

// Names that become the same file: the later member gets a unique name, nothing is lost, and the
// result says so; a name that collides with a file that was there before follows the options.
TEST_F(ZipTrueNames, CollidingNamesGetUniqueNames) {
    ASSERT_EQ(0, Py("z = zipfile.ZipFile('c.zip', 'w')\n"
                    "z.writestr('dup.txt', 'first')\n"
                    "z.writestr('dup.txt', 'second')\n"
                    "z.writestr('no:te.txt', 'colon')\n"
                    "z.writestr('no_te.txt', 'underscore')\n"
                    "z.writestr('x/readme', 'x')\n"
                    "z.writestr('y/readme', 'y')\n"
                    "z.writestr('clash', 'a file')\n"
                    "z.writestr('clash/inner.txt', 'below a folder of the same name')\n"
                    "z.writestr('clash/more.txt', 'beside it')\n"
                    "z.close()\n"));
    struct {
        int ignoreFolders;
        std::vector<std::pair<const char*, const char*>> files;  // path below out -> contents
        uint32_t renamed;
    } cases[] = {
        {0,
         {{"dup.txt", "first"}, {"dup (2).txt", "second"}, {"no_te.txt", "colon"}, {"no_te (2).txt", "underscore"},
          {"x/readme", "x"}, {"y/readme", "y"}, {"clash", "a file"},
          {"clash (2)/inner.txt", "below a folder of the same name"}, {"clash (2)/more.txt", "beside it"}},
         3},
        {1,
         {{"dup.txt", "first"}, {"dup (2).txt", "second"}, {"no_te.txt", "colon"}, {"no_te (2).txt", "underscore"},
          {"readme", "x"}, {"readme (2)", "y"}, {"clash", "a file"}, {"inner.txt", "below a folder of the same name"},
          {"more.txt", "beside it"}},
         3},
    };
    for (auto& t : cases) {
        SCOPED_TRACE(t.ignoreFolders ? "folders ignored" : "folders recreated");
        Sh("rm -rf out");
        EXPECT_EQ(TV_UNZIP_RENAMED, Run(TV_UNZIP_EXTRACT, "c.zip", "", t.ignoreFolders));
        EXPECT_EQ(9u, c_.count);
        EXPECT_EQ(t.renamed, c_.renamed);
        for (auto& f : t.files) EXPECT_EQ(f.second, ReadAll(P(std::string("out/") + f.first))) << f.first;
        EXPECT_EQ(0, Sh("test $(find out -type f | wc -l) -eq 9"));
    }
    // Again into the same folder: the files there are from before this run, so they are replaced as
    // asked; collisions within the run get names that nothing has yet (a file of the user's that
    // happens to be called "dup (2).txt" is not touched).
    Sh("printf mine > 'out/dup (2).txt'");
    EXPECT_EQ(TV_UNZIP_RENAMED, Run(TV_UNZIP_EXTRACT, "c.zip", "", 1));
    EXPECT_EQ("first", ReadAll(P("out/dup.txt")));
    EXPECT_EQ("mine", ReadAll(P("out/dup (2).txt")));
    EXPECT_EQ("second", ReadAll(P("out/dup (3).txt")));
    EXPECT_EQ(0, Sh("test $(find out -type f | wc -l) -eq 12"));
    // Testing writes nothing and renames nothing.
    EXPECT_EQ(0, Run(TV_UNZIP_TEST, "c.zip"));
    EXPECT_EQ(9u, c_.count);
    EXPECT_EQ(0u, c_.renamed);
    // A file extracted alone lands on the file from before (the overwrite rule, no new name).
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "c.zip", "", 1, 1));
    EXPECT_EQ("second", ReadAll(P("out/dup.txt")));
    EXPECT_EQ(P("out/dup.txt"), c_.writtenPath);
}

// WinZip AES archives as 7z writes them (AE-2: no CRC, a MAC over the data): test, extract and
// extract alone with the right password; a wrong or missing password and damaged data are told
// apart.
TEST_F(ZipTrueNames, WinZipAesArchivesOf7z) {
    ASSERT_EQ(0, Sh("mkdir src && seq 1 20000 > src/text.txt && head -c 30000 /dev/urandom > src/random.bin"
                    " && printf tiny > src/tiny.txt"));
    ASSERT_EQ(0, Sh("cd src && 7z a -tzip -psecret -mem=AES256 ../aes256.zip text.txt random.bin tiny.txt"
                    " && 7z a -tzip -psecret -mem=AES128 -mx=0 ../aes128.zip text.txt random.bin tiny.txt"));
    const std::string text = ReadAll(P("src/text.txt"));
    for (const char* archive : {"aes256.zip", "aes128.zip"}) {
        SCOPED_TRACE(archive);
        auto members = List(archive);
        ASSERT_EQ(3u, members.size());
        for (auto& m : members) EXPECT_TRUE(m.attributes & TV_ZIPATTR_ENCRYPTED) << m.name;
        Sh("rm -rf out");
        EXPECT_EQ(0, Run(TV_UNZIP_TEST, archive, "secret"));
        EXPECT_EQ(3u, c_.count);
        EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, archive, "secret"));
        EXPECT_EQ(0, Sh("cmp src/text.txt out/text.txt && cmp src/random.bin out/random.bin"
                        " && cmp src/tiny.txt out/tiny.txt"));
        Sh("rm -rf out");
        int32_t textIndex = -1;
        for (auto& m : members)
            if (!strcmp(m.name, "text.txt")) textIndex = int32_t(m.index);
        ASSERT_GE(textIndex, 0);
        EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, archive, "secret", 1, textIndex));
        EXPECT_TRUE(text == ReadAll(c_.writtenPath)) << c_.writtenPath;
        EXPECT_EQ(TV_UNZIP_BADPASSWORD, Run(TV_UNZIP_EXTRACT, archive, "Secret", 1, textIndex));
        EXPECT_EQ(TV_UNZIP_BADPASSWORD, Run(TV_UNZIP_TEST, archive, "wrong"));
        EXPECT_EQ(TV_UNZIP_NOPASSWORD, Run(TV_UNZIP_EXTRACT, archive, "", 1, textIndex));
        EXPECT_EQ(0u, c_.count);
    }
    // Damaged encrypted data: the password is right, the MAC finds the damage; nothing is written.
    ASSERT_EQ(0, Py("d = bytearray(open('aes128.zip','rb').read())\n"
                    "k = d.find(b'text.txt') - 30\n"
                    "extra = struct.unpack('<H', d[k+28:k+30])[0]\n"
                    "d[k + 30 + len('text.txt') + extra + 8 + 2 + 100] ^= 0x55\n"
                    "open('damaged.zip','wb').write(d)\n"));
    Sh("rm -rf out");
    EXPECT_EQ(TV_UNZIP_BADDATA, Run(TV_UNZIP_EXTRACT, "damaged.zip", "secret", 1));
    EXPECT_EQ(2u, c_.count);  // the other two members
    EXPECT_FALSE(Exists("out/text.txt"));
    EXPECT_EQ(0, Sh("cmp src/random.bin out/random.bin"));
}

}  // namespace
