// The ZIP engine's own rules: masks, item lists, safe member paths, messages, and its behaviour on
// damaged and hostile archives (built at test time with python's zipfile and byte patches).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/ziperror.h"
#include "archive/zipengine.h"
#include "util/text.h"

namespace {

TEST(ZipMask, MatchesAsWindowsArchiversDo) {
    struct {
        const char* mask;
        const char* name;
        int match;
    } cases[] = {
        {"*.*", "readme", 1},           {"*.*", "dir/sub/a.txt", 1},   {"FILE_ID.DIZ", "file_id.diz", 1},
        {"FILE_ID.DIZ", "sub/File_Id.Diz", 1}, {"FILE_ID.DIZ", "file_id.dizz", 0}, {"*.txt", "a/b/C.TXT", 1},
        {"*.txt", "a.txt.bak", 0},      {"?.c", "a.c", 1},             {"?.c", "ab.c", 0},
        {"setup*.exe", "SETUP32.EXE", 1}, {"dir\\*.txt", "dir/x.txt", 1}, {"dir/*.txt", "other/x.txt", 0},
        {"readme.*", "readme", 1},      {"*", "", 1},                   {"", "a", 0},
        {"a*b*c", "aXXbYYc", 1},        {"a*b*c", "aXXbYY", 0},        {"*.*", "folder/", 1},
    };
    for (auto& c : cases) EXPECT_EQ(c.match, ZipMaskMatch(c.mask, c.name)) << c.mask << " ~ " << c.name;
}

TEST(ZipItemList, QuotesSeparatesAndLeavesOutWhatDoesNotFit) {
    char list[32] = {};
    EXPECT_EQ(1, AppendItemList(list, sizeof list, "a b.txt"));
    EXPECT_EQ(1, AppendItemList(list, sizeof list, "c"));
    EXPECT_STREQ("\"a b.txt\" \"c\"", list);
    EXPECT_EQ(0, AppendItemList(list, sizeof list, "this one is far too long"));
    EXPECT_STREQ("\"a b.txt\" \"c\"", list);
    const char* cursor = "\"a b.txt\"  plain \"last\"";
    char out[16];
    std::string got;
    while (NextItemListEntry(&cursor, out, sizeof out)) got += std::string("[") + out + "]";
    EXPECT_EQ("[a b.txt][plain][last]", got);
    // 20000 bytes hold exactly what fits, terminator included.
    static char big[TV_ITEMLIST_SIZE];
    big[0] = 0;
    std::string name(98, 'n');  // 100 bytes with quotes, 101 with the blank
    int added = 0;
    while (AppendItemList(big, sizeof big, name.c_str())) ++added;
    EXPECT_EQ(198, added);  // 100 + 197 * 101 = 19997 < 20000; one more would need 20098
    EXPECT_LT(strlen(big), TV_ITEMLIST_SIZE);
}

TEST(ZipSafePath, StaysBelowTheDestination) {
    struct {
        const char* stored;
        const char* safe;  // null: refused
    } cases[] = {
        {"a/b/c.txt", "a/b/c.txt"},   {"../../etc/passwd", "etc/passwd"}, {"/abs/x", "abs/x"},
        {"\\\\srv\\share\\x", "srv/share/x"}, {"C:\\win\\x.dll", "win/x.dll"}, {"a/../../b", "a/b"},
        {"..", nullptr},              {"./.../x", "x"},                    {"a/ . /b", "a/b"},
        {"con.txt", "_con.txt"},      {"dir/AUX", "dir/_AUX"},             {"we:ird*?.txt", "we_ird__.txt"},
        {"trail. . ", "trail"},       {"", nullptr},                       {"///", nullptr},
    };
    for (auto& c : cases) {
        char out[TV_PATH_SIZE];
        int ok = SafeMemberPath(c.stored, '/', out, sizeof out);
        if (!c.safe) {
            EXPECT_EQ(0, ok) << c.stored;
        } else {
            EXPECT_EQ(1, ok) << c.stored;
            EXPECT_STREQ(c.safe, out) << c.stored;
        }
    }
}

TEST(ZipMessages, TablesAndQuestions) {
    struct {
        int code;
        bool zip;
        const char* text;  // null: no message
    } cases[] = {
        {0, false, nullptr},  {40, false, nullptr}, {48, false, nullptr}, {49, false, nullptr},
        {2, false, "The archive is not a valid zip file."}, {42, false, "The archive is not a valid zip file."},
        {5, false, "Out of memory"}, {29, false, "Error while opening the archive"}, {47, false, "Internal Error"},
        {46, false, "Error while handling the multi-volume zip file"}, {28, false, "Error while opening the output file"},
        {44, false, "The file was skipped due to a bad encryption password."}, {50, false, "The disk is full."},
        {77, false, "Unknown Error"},
        {0, true, nullptr}, {9, true, nullptr}, {12, true, "Internal Error"}, {11, true, "The archive is not a valid zip file."},
        {4, true, "Out of memory"}, {14, true, "Error while writing the archive (disk probably full)"},
        {15, true, "Error while creating the archive"}, {18, true, "Error while opening the archive"},
        {19, true, "Hardware error"}, {22, true, "Unknown Error"},
    };
    for (auto& c : cases) {
        uint32_t id = c.zip ? ZipErrorMessageId(c.code) : UnzipErrorMessageId(c.code);
        char text[256];
        int shown = BuildEngineMessage(id, TV_BOX_OK, text, sizeof text);
        if (!c.text) {
            EXPECT_EQ(0, shown) << c.code;
        } else {
            EXPECT_STREQ(c.text, text) << c.code;
        }
    }
    char text[256];
    BuildEngineMessage(UnzipErrorMessageId(50), TV_BOX_YESNO, text, sizeof text);
    EXPECT_STREQ("The disk is full.\nDo you wish to continue ?", text);
    BuildEngineMessage(ZipErrorMessageId(4), TV_BOX_RETRYCANCEL, text, sizeof text);
    EXPECT_STREQ("Out of memory\nDo you wish to retry or to cancel the operation ?", text);
    BuildEngineMessage(ZipErrorMessageId(4), TV_BOX_OKCANCEL, text, sizeof text);
    EXPECT_STREQ("Out of memory\nDo you wish to continue ?", text);
}

TEST(ZipMessages, NoFeedbackAnswers) {
    for (uint32_t code = 0; code < 20; ++code) {
        int32_t expected = (code == 0 || code == 1 || code == 10) ? 2 : (code == 7 || code == 8) ? 3 : 1;
        EXPECT_EQ(expected, DynaZipNoFeedbackMessageProc(code, 0, 0, 0, 0, 0, 0)) << code;
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class ZipHostile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tvzipXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { Sh("rm -rf " + dir_); }
    int Sh(const std::string& cmd) {
        int r = std::system(("cd '" + dir_ + "' && (" + cmd + ") >/dev/null 2>&1").c_str());
        return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    }
    int Py(const std::string& code) {
        std::ofstream(dir_ + "/g.py") << "import zipfile, struct, zlib\n" << code;
        return Sh("python3 g.py");
    }
    std::string P(const std::string& rel) const { return dir_ + "/" + rel; }
    int Run(int function, const std::string& archive, const std::string& dest = "out", const char* password = "",
            TZipMessageProc ask = nullptr, int overwrite = 1, int skipOlder = 0) {
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = function;
        CopyLimited(c.zipFile, P(archive).c_str(), sizeof c.zipFile);
        CopyLimited(c.destination, P(dest).c_str(), sizeof c.destination);
        CopyLimited(c.password, password, sizeof c.password);
        c.ignoreFolders = 0;
        c.overwrite = overwrite;
        c.skipOlder = skipOlder;
        c.messageProc = ask;
        return RunUnzipCommand(&c);
    }
    std::string dir_;
};

TEST_F(ZipHostile, NamesCannotLeaveTheDestination) {
    ASSERT_EQ(0, Py("z = zipfile.ZipFile('evil.zip', 'w')\n"
                    "for n in ['../up.txt', '/abs.txt', 'a/../../up2.txt', 'C:\\\\win\\\\drv.txt', 'ok/fine.txt']:\n"
                    "    i = zipfile.ZipInfo('x'); i.filename = n; z.writestr(i, n)\n"
                    "z.close()\n"));
    ASSERT_EQ(0, Sh("mkdir -p box/out"));
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "evil.zip", "box/out"));
    // Nothing landed beside or above the destination.
    EXPECT_EQ(0, Sh("test \"$(find box -type f | sort | tr '\\n' ' ')\" = "
                    "'box/out/a/up2.txt box/out/abs.txt box/out/ok/fine.txt box/out/up.txt box/out/win/drv.txt '"));
    EXPECT_NE(0, Sh("test -e up.txt -o -e /abs.txt -o -e up2.txt"));
}

TEST_F(ZipHostile, DamagedArchivesGiveTableErrors) {
    ASSERT_EQ(0, Py("z = zipfile.ZipFile('good.zip', 'w', zipfile.ZIP_DEFLATED)\n"
                    "z.writestr('a.txt', 'hello world ' * 500)\n"
                    "z.writestr('s.txt', 'stored data here', compress_type=zipfile.ZIP_STORED)\n"
                    "z.close()\n"
                    "d = bytearray(open('good.zip','rb').read())\n"
                    "open('trunc.zip','wb').write(d[:len(d)//2])\n"
                    "open('tail.zip','wb').write(d[:-5])\n"
                    "e = bytearray(d); i = e.find(b'stored data'); e[i] ^= 0xFF; open('crc.zip','wb').write(e)\n"
                    "e = bytearray(d); i = d.find(b'PK\\x01\\x02'); e[i+28:i+30] = struct.pack('<H', 60000);"
                    " open('longname.zip','wb').write(e)\n"
                    "e = bytearray(d); j = d.find(b'PK\\x05\\x06'); e[j+16:j+20] = struct.pack('<I', 10**9);"
                    " open('offset.zip','wb').write(e)\n"
                    "e = bytearray(d); k = d.find(b'PK\\x03\\x04'); e[k+30+5:k+30+40] = b'\\xff' * 35;"
                    " open('deflate.zip','wb').write(e)\n"
                    "e = bytearray(d); c = d.find(b'PK\\x01\\x02'); e[c+24:c+28] = struct.pack('<I', 10);"
                    " open('small.zip','wb').write(e)\n"
                    "e = bytearray(d); e[c+24:c+28] = struct.pack('<I', 0x7fffffff); open('huge.zip','wb').write(e)\n"
                    "e = bytearray(d); e[c+10:c+12] = struct.pack('<H', 97); e[k+8:k+10] = struct.pack('<H', 97);"
                    " open('method.zip','wb').write(e)\n"
                    "e = bytearray(d); e[k+26:k+28] = struct.pack('<H', 65535); open('local.zip','wb').write(e)\n"));
    struct {
        const char* archive;
        int list;     // result of counting
        int extract;  // result of extracting everything
    } cases[] = {
        {"good.zip", 0, 0},
        {"trunc.zip", TV_UNZIP_NOTZIP, TV_UNZIP_NOTZIP},
        {"tail.zip", TV_UNZIP_NOTZIP, TV_UNZIP_NOTZIP},
        {"crc.zip", 0, TV_UNZIP_BADDATA},
        {"longname.zip", TV_UNZIP_NOTZIP, TV_UNZIP_NOTZIP},
        {"offset.zip", TV_UNZIP_NOTZIP, TV_UNZIP_NOTZIP},
        {"deflate.zip", 0, TV_UNZIP_BADDATA},
        {"small.zip", 0, TV_UNZIP_BADDATA},
        {"huge.zip", 0, TV_UNZIP_BADDATA},
        {"method.zip", 0, TV_UNZIP_UNSUPPORTED},
        {"local.zip", 0, TV_UNZIP_BADDATA},  // the local header's name runs past the archive
        {"missing.zip", TV_UNZIP_OPENFAILED, TV_UNZIP_OPENFAILED},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.archive);
        Sh("rm -rf out");
        EXPECT_EQ(c.list, Run(TV_UNZIP_COUNTALL, c.archive));
        EXPECT_EQ(c.extract, Run(TV_UNZIP_EXTRACT, c.archive));
        EXPECT_EQ(c.extract, Run(TV_UNZIP_TEST, c.archive));
        EXPECT_NE(0u, UnzipErrorMessageId(c.extract) || c.extract == 0);
    }
    // No half-written file is left behind, and a file that was there is kept.
    Sh("rm -rf out && mkdir out && printf precious > out/s.txt");
    EXPECT_EQ(TV_UNZIP_BADDATA, Run(TV_UNZIP_EXTRACT, "crc.zip"));
    EXPECT_EQ("precious", ReadAll(P("out/s.txt")));
    EXPECT_NE(0, Sh("ls out | grep -v -x -e s.txt -e a.txt"));
}

int32_t TV_ENGINE_CALLBACK AnswerOverwrite(uint32_t code, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    return code == TV_ZIPMSG_OVERWRITE ? 1 : 2;
}

TEST_F(ZipHostile, ExistingFilesOverwriteAndSkipOlder) {
    ASSERT_EQ(0, Py("z = zipfile.ZipFile('t.zip', 'w')\n"
                    "z.writestr(zipfile.ZipInfo('f.txt', (2010, 6, 1, 12, 0, 0)), 'archive')\n"
                    "z.close()\n"));
    ASSERT_EQ(0, Sh("mkdir out && printf mine > out/f.txt && touch -d '2020-01-01' out/f.txt"));
    // Not overwriting and no question answered: the file stays.
    EXPECT_EQ(TV_UNZIP_SKIPPED, Run(TV_UNZIP_EXTRACT, "t.zip", "out", "", nullptr, 0));
    EXPECT_EQ("mine", ReadAll(P("out/f.txt")));
    // Skip older: the file on disk is newer than the member.
    EXPECT_EQ(TV_UNZIP_SKIPPED, Run(TV_UNZIP_EXTRACT, "t.zip", "out", "", nullptr, 1, 1));
    EXPECT_EQ("mine", ReadAll(P("out/f.txt")));
    // The question answered with "overwrite".
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "t.zip", "out", "", AnswerOverwrite, 0));
    EXPECT_EQ("archive", ReadAll(P("out/f.txt")));
}

TEST_F(ZipHostile, PasswordsAndCancel) {
    ASSERT_EQ(0, Sh("printf secretdata > s.txt && zip -q -P right p.zip s.txt && seq 1 200000 > big.txt && zip -q b.zip big.txt"));
    EXPECT_EQ(TV_UNZIP_NOPASSWORD, Run(TV_UNZIP_EXTRACT, "p.zip"));
    EXPECT_EQ(TV_UNZIP_BADPASSWORD, Run(TV_UNZIP_EXTRACT, "p.zip", "out", "wrong"));
    EXPECT_EQ(0, Run(TV_UNZIP_EXTRACT, "p.zip", "out", "right"));
    EXPECT_EQ("secretdata", ReadAll(P("out/s.txt")));

    struct Counter {
        static int32_t TV_ENGINE_CALLBACK Stop(const char*, int32_t percent, uintptr_t user) {
            ++*reinterpret_cast<int*>(user);
            return percent >= 10 ? 1 : 0;
        }
    };
    int calls = 0;
    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_EXTRACT;
    CopyLimited(c.zipFile, P("b.zip").c_str(), sizeof c.zipFile);
    CopyLimited(c.destination, P("cancelled").c_str(), sizeof c.destination);
    c.minorStatus = Counter::Stop;
    c.userValue = uintptr_t(&calls);
    EXPECT_EQ(TV_UNZIP_CANCELLED, RunUnzipCommand(&c));
    EXPECT_GT(calls, 1);
    EXPECT_NE(0, Sh("test -e cancelled/big.txt"));

    // Cancelling an add leaves the archive as it was.
    std::string before = ReadAll(P("b.zip"));
    static TZipCommand z;
    ResetZipCommand(&z);
    CopyLimited(z.zipFile, P("b.zip").c_str(), sizeof z.zipFile);
    AppendItemList(z.itemList, sizeof z.itemList, P("big.txt").c_str());
    AppendItemList(z.itemList, sizeof z.itemList, P("s.txt").c_str());
    z.noFolderNames = 1;
    z.minorStatus = Counter::Stop;
    z.userValue = uintptr_t(&calls);
    EXPECT_EQ(TV_ZIP_CANCELLED, RunZipCommand(&z));
    EXPECT_EQ(before, ReadAll(P("b.zip")));
    EXPECT_NE(0, Sh("ls | grep -q '\\.tmp$'"));
}

}  // namespace
