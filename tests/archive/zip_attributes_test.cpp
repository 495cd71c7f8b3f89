// Which files an add takes by their attributes, and the archive attribute cleared afterwards; over
// a file system that keeps DOS attributes per name (the native one has no archive bit to clear).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "archive/zipengine.h"
#include "archive/zipfs.h"
#include "util/text.h"

namespace {

std::string Base(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

class TAttributeFs : public TZipFileSystem {
public:
    std::map<std::string, uint32_t> attrs;  // by base name; files not listed have 0x20
    TZipFileSystem* real = DefaultZipFileSystem();

    uint32_t Of(const std::string& path, const TZipFileInfo& info) {
        auto it = attrs.find(Base(path));
        return it != attrs.end() ? it->second : (info.isFolder ? 0x10u : 0x20u);
    }
    TZipFile* OpenRead(const char* p) override { return real->OpenRead(p); }
    TZipFile* Create(const char* p) override { return real->Create(p); }
    int GetInfo(const char* p, TZipFileInfo* info) override {
        if (!real->GetInfo(p, info)) return 0;
        info->attributes = Of(p, *info);
        return 1;
    }
    int CreateFolder(const char* p) override { return real->CreateFolder(p); }
    int RemoveFile(const char* p) override { return real->RemoveFile(p); }
    int RemoveFolder(const char* p) override { return real->RemoveFolder(p); }
    int Replace(const char* a, const char* b) override { return real->Replace(a, b); }
    int SetAttributes(const char* p, uint32_t a) override {
        attrs[Base(p)] = a;
        return 1;
    }
    struct Walk {
        TAttributeFs* self;
        std::string folder;
        VisitProc visit;
        void* context;
    };
    static void Forward(void* ctx, const char* name, const TZipFileInfo& info) {
        Walk* w = static_cast<Walk*>(ctx);
        TZipFileInfo copy = info;
        copy.attributes = w->self->Of(w->folder + "/" + name, info);
        w->visit(w->context, name, copy);
    }
    int ListFolder(const char* p, VisitProc visit, void* context) override {
        Walk w{this, p, visit, context};
        return real->ListFolder(p, Forward, &w);
    }
    std::string ShortPath(const char* p) override { return real->ShortPath(p); }
    std::string Utf8ToAnsi(const char* t) override { return real->Utf8ToAnsi(t); }
    std::string AnsiToUtf8(const char* t) override { return real->AnsiToUtf8(t); }
    char Separator() const override { return '/'; }
};

TEST(ZipAttributes, SelectionByAttributesAndClearing) {
    char tmpl[] = "/tmp/tvattrXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string dir = tmpl;
    ASSERT_EQ(0, std::system(("mkdir " + dir + "/src && cd " + dir + "/src && for f in plain hidden system done ro; do "
                              "printf $f > $f.txt; done").c_str()));
    struct {
        int systemHidden, archiveOnly, clearArchive;
        std::set<std::string> expected;
    } cases[] = {
        {0, 0, 0, {"plain.txt", "done.txt", "ro.txt"}},
        {1, 0, 0, {"plain.txt", "done.txt", "ro.txt", "hidden.txt", "system.txt"}},
        {0, 1, 0, {"plain.txt", "ro.txt"}},
        {1, 1, 1, {"plain.txt", "ro.txt", "hidden.txt", "system.txt"}},
    };
    for (auto& t : cases) {
        TAttributeFs fs;
        fs.attrs = {{"plain.txt", 0x20}, {"hidden.txt", 0x22}, {"system.txt", 0x24}, {"done.txt", 0x00}, {"ro.txt", 0x21}};
        std::string archive = dir + "/a.zip";
        unlink(archive.c_str());
        static TZipCommand c;
        ResetZipCommand(&c);
        c.fileSystem = &fs;
        CopyLimited(c.zipFile, archive.c_str(), sizeof c.zipFile);
        AppendItemList(c.itemList, sizeof c.itemList, (dir + "/src").c_str());
        c.noFolderNames = 1;
        c.systemHidden = t.systemHidden;
        c.archiveOnly = t.archiveOnly;
        c.clearArchive = t.clearArchive;
        ASSERT_EQ(0, RunZipCommand(&c));
        EXPECT_EQ(t.expected.size(), c.count);

        std::set<std::string> names;
        TUnzipCommand u;
        ResetUnzipCommand(&u);
        u.function = TV_UNZIP_COUNTALL;
        CopyLimited(u.zipFile, archive.c_str(), sizeof u.zipFile);
        ASSERT_EQ(0, RunUnzipCommand(&u));
        uint32_t n = u.count;
        MemberInfo info;
        ResetUnzipCommand(&u);
        u.function = TV_UNZIP_NEXT;
        CopyLimited(u.zipFile, archive.c_str(), sizeof u.zipFile);
        u.info = &info;
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(0, RunUnzipCommand(&u));
            names.insert(info.name);
            // The DOS attributes travel with the member.
            if (!strcmp(info.name, "ro.txt")) {
                EXPECT_EQ(0x21u, info.attributes & 0xFF);
            }
            if (!strcmp(info.name, "hidden.txt")) {
                EXPECT_EQ(0x22u, info.attributes & 0xFF);
            }
        }
        EXPECT_EQ(t.expected, names);
        // Cleared only where asked, only on what was added, and only the archive bit.
        for (auto& a : fs.attrs) {
            bool added = t.expected.count(a.first) > 0;
            if (a.first == "plain.txt") {
                EXPECT_EQ(t.clearArchive ? 0x00u : 0x20u, a.second);
            }
            if (a.first == "ro.txt") {
                EXPECT_EQ(t.clearArchive && added ? 0x01u : 0x21u, a.second);
            }
            if (a.first == "system.txt") {
                EXPECT_EQ(t.clearArchive && added ? 0x04u : 0x24u, a.second);
            }
        }
    }
    std::system(("rm -rf " + dir).c_str());
}

}  // namespace
