// The selection of the import's open-file dialog joined into one text of quoted paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "intake/newfile.h"

namespace {

TEST(JoinSelectedFiles, OnePathOrAFolderWithNames) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string selection;
        size_t size;
        int count;
        std::string joined;
    } cases[] = {
        {"one path", "C:\\dl\\a.zip\0\0"s, 100, 1, "\"C:\\dl\\a.zip\""},
        {"three names", "C:\\dl\0a.zip\0b c.exe\0d.zip\0\0"s, 100, 3,
         "\"C:\\dl\\a.zip\" \"C:\\dl\\b c.exe\" \"C:\\dl\\d.zip\""},
        {"root folder", "C:\\\0a.zip\0b.zip\0\0"s, 100, 2, "\"C:\\a.zip\" \"C:\\b.zip\""},
        {"empty", "\0\0"s, 100, 0, ""},
        // "C:\d\a.zip" quoted is 12 characters, with the blank 13 more for the second name.
        {"second name left out", "C:\\d\0a.zip\0bb.zip\0c.zip\0\0"s, 26, 2, "\"C:\\d\\a.zip\" \"C:\\d\\c.zip\""},
        {"exactly below the size", "C:\\d\0a.zip\0b.zip\0\0"s, 26, 2, "\"C:\\d\\a.zip\" \"C:\\d\\b.zip\""},
        {"one below the size", "C:\\d\0a.zip\0b.zip\0\0"s, 25, 1, "\"C:\\d\\a.zip\""},
        {"single path too long", "C:\\d\\a.zip\0\0"s, 12, 0, ""},
        // A list whose end the buffer cut off: taken up to the buffer's end.
        {"no terminator", "C:\\d\0a.zip\0b.z"s, 100, 2, "\"C:\\d\\a.zip\" \"C:\\d\\b.z\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char out[200];
        ASSERT_LE(c.size, sizeof out);
        memset(out, 'x', sizeof out);
        EXPECT_EQ(JoinSelectedFiles(out, c.size, c.selection.data(), c.selection.size()), c.count);
        EXPECT_EQ(std::string(out), c.joined);
        EXPECT_LT(std::string(out).size(), c.size);
    }
}

TEST(JoinSelectedFiles, NullArgumentsGiveNothing) {
    char out[8] = "x";
    EXPECT_EQ(JoinSelectedFiles(out, sizeof out, nullptr, 10), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(JoinSelectedFiles(nullptr, 10, "a\0\0", 3), 0);
    EXPECT_EQ(JoinSelectedFiles(out, 0, "a\0\0", 3), 0);
}

}  // namespace
