// The plug-in libraries' resources as a browser and the system read them: the version block with
// its content-type lists, the string table, the status dialog and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/strings.h"

namespace {

std::string WinPath(const std::string& path) {
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

struct VersionBlock {
    std::vector<char> data;
    bool ok = false;
    explicit VersionBlock(const std::string& file) {
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
        if (size == 0) return;
        data.resize(size);
        ok = GetFileVersionInfoA(file.c_str(), 0, size, data.data()) != 0;
    }
    // The value of key in the "040904E4" block, or "<missing>".
    std::string Value(const char* key) {
        std::string path = std::string("\\StringFileInfo\\040904E4\\") + key;
        char* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return "<missing>";
        return value;
    }
};

const char* const kTypes1[] = {"application/exe",
                               "application/octet-stream",
                               "application/x-arj",
                               "application/x-compress",
                               "application/x-compressed",
                               "application/x-exe",
                               "application/x-octet-stream",
                               "application/x-zip",
                               "application/x-zip-compress",
                               "application/x-zip-compressed",
                               "application/zip"};
const char* const kExtensions1[] = {"exe",
                                    "dll,exe,zip",
                                    "arj",
                                    "exe,zip,arj,z,tar,lha,lhz,lzh,tar,tgz",
                                    "exe,zip,arj,z,tar,lha,lhz,lzh,tar,tgz",
                                    "exe",
                                    "dll,exe,zip",
                                    "zip",
                                    "zip",
                                    "zip",
                                    "zip"};
const char* const kTypes2[] = {"application/gzip",      "application/msdos-windows",   "application/x-gzip",
                               "application/x-msdos",   "application/x-msdos-windows", "application/x-msdownload",
                               "application/x-winzip",  "application/x-z",             "application/z",
                               "encoding/x-compress",   "encoding/x-compressed",       "encoding/x-gzip"};
const char* const kExtensions2[] = {"gz,gzip,zip",
                                    "dll,exe,zip",
                                    "gz,gzip,zip",
                                    "dll,exe,zip",
                                    "dll,exe,zip",
                                    "dll,exe,zip",
                                    "zip",
                                    "z,zip",
                                    "z,zip",
                                    "exe,zip,arj,z,tar,lha,lhz,lzh,tar,tgz",
                                    "exe,zip,arj,z,tar,lha,lhz,lzh,tar,tgz",
                                    "gz,gzip,zip"};

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t bar = list.find('|', start);
        out.push_back(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return out;
        start = bar + 1;
    }
}

struct Library {
    const char* path;
    int number;
    const char* const* types;
    const char* const* extensions;
    size_t count;
};

const Library kLibraries[] = {
    {TV_NPTV1_DLL, 1, kTypes1, kExtensions1, 11},
    {TV_NPTV2_DLL, 2, kTypes2, kExtensions2, 12},
};

TEST(PluginResources, VersionBlocksListTheContentTypes) {
    for (const Library& lib : kLibraries) {
        SCOPED_TRACE(lib.path);
        VersionBlock block(WinPath(lib.path));
        ASSERT_TRUE(block.ok);
        std::string n = std::to_string(lib.number);
        EXPECT_EQ("Veltra", block.Value("CompanyName"));
        EXPECT_EQ("Tolvane Plus Plug-in " + n + " for Netscape Navigator, Microsoft Internet Explorer and Opera",
                  block.Value("FileDescription"));
        EXPECT_EQ("2.50.004", block.Value("FileVersion"));
        EXPECT_EQ("NPTV" + n, block.Value("InternalName"));
        EXPECT_EQ("NPTV" + n + ".DLL", block.Value("OriginalFilename"));
        EXPECT_EQ("Tolvane Plus", block.Value("ProductName"));
        EXPECT_EQ("2.50.004", block.Value("Productversion"));
        EXPECT_EQ(std::vector<std::string>(lib.types, lib.types + lib.count), Split(block.Value("MIMEType")));
        EXPECT_EQ(std::vector<std::string>(lib.extensions, lib.extensions + lib.count),
                  Split(block.Value("FileExtents")));
        EXPECT_EQ(std::vector<std::string>(lib.count, "Tolvane (*.*)"), Split(block.Value("FileOpenName")));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(DWORD((2 << 16) | 50), fixed->dwFileVersionMS);
        EXPECT_EQ(DWORD(4 << 16), fixed->dwFileVersionLS);
        // The translation the browsers use to find the block.
        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        EXPECT_EQ(0x0409, translation[0]);
        EXPECT_EQ(1252, translation[1]);
    }
}

TEST(PluginResources, StringsDialogAndIcon) {
    for (const Library& lib : kLibraries) {
        SCOPED_TRACE(lib.path);
        HMODULE module = LoadLibraryExA(WinPath(lib.path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module);
        for (UINT id : {3423u, 3507u, 3508u, 3509u, 3590u}) {
            char text[1024] = "";
            EXPECT_GT(LoadStringA(module, id, text, sizeof(text)), 0) << id;
            EXPECT_STREQ(TvString(id), text) << id;
        }
        EXPECT_NE(nullptr, FindResourceA(module, "DOWNLOADSTATUS", MAKEINTRESOURCEA(5)));  // RT_DIALOG
        EXPECT_NE(nullptr, FindResourceA(module, "TV", MAKEINTRESOURCEA(14)));              // RT_GROUP_ICON
        EXPECT_NE(nullptr, FindResourceA(module, "VELTRA_BRUSH", MAKEINTRESOURCEA(2)));     // RT_BITMAP
        FreeLibrary(module);
    }
}

}  // namespace
