// The hand-off record: filling it, reading it back from untrusted bytes, and recognising the
// download's own folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "handoff/handoff.h"

namespace {

TEST(HandOff, RecordLayoutAndRoundTrip) {
    DownloadHandOff record;
    memset(&record, 0x55, sizeof(record));
    EXPECT_EQ(0, FillDownloadHandOff(&record, "C:\\Temp\\a.zip", "http://h/a.zip"));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
    EXPECT_EQ(0, memcmp(bytes, "C:\\Temp\\a.zip", 14));
    EXPECT_EQ(0, memcmp(bytes + 261, "http://h/a.zip", 15));
    for (size_t i = 14; i < 261; ++i) ASSERT_EQ(0, bytes[i]) << i;  // zero-padded, no stale bytes
    for (size_t i = 261 + 15; i < 522; ++i) ASSERT_EQ(0, bytes[i]) << i;

    DownloadHandOffInfo info;
    ASSERT_EQ(TV_HANDOFF_VALID, ReadDownloadHandOff(&record, sizeof(record), &info));
    EXPECT_STREQ("C:\\Temp\\a.zip", info.record.SavedFilePath);
    EXPECT_STREQ("http://h/a.zip", info.record.SourceUrl);
    EXPECT_EQ(0, info.pathCut + info.urlCut + info.shortRecord);
}

TEST(HandOff, LongTextsAreCutTo260) {
    struct Case {
        size_t length;
        int cut;
    } cases[] = {{0, 0}, {259, 0}, {260, 0}, {261, 1}, {262, 1}, {5000, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'u');
        DownloadHandOff record;
        EXPECT_EQ(c.cut ? 3 : 0, FillDownloadHandOff(&record, text.c_str(), text.c_str()));
        size_t kept = c.length < 260 ? c.length : 260;
        EXPECT_EQ(kept, strlen(record.SavedFilePath));
        EXPECT_EQ(kept, strlen(record.SourceUrl));
    }
}

TEST(HandOff, ReaderNeverReadsPastFieldOrByteCount) {
    // Fields without a terminator: each is cut at 260 characters and nothing leaks across.
    unsigned char raw[600];
    memset(raw, 'p', 261);
    memset(raw + 261, 'u', 261);
    memset(raw + 522, 'x', sizeof(raw) - 522);
    DownloadHandOffInfo info;
    ASSERT_EQ(TV_HANDOFF_VALID, ReadDownloadHandOff(raw, 522, &info));
    EXPECT_EQ(260u, strlen(info.record.SavedFilePath));
    EXPECT_EQ(std::string(260, 'u'), info.record.SourceUrl);
    EXPECT_EQ(1, info.pathCut);
    EXPECT_EQ(1, info.urlCut);

    struct Case {
        size_t count;
        int result;
        size_t pathLength, urlLength;
        int shortRecord;
    } cases[] = {
        {0, TV_HANDOFF_NO_DATA, 0, 0, 1},  {1, TV_HANDOFF_VALID, 1, 0, 1},
        {261, TV_HANDOFF_VALID, 260, 0, 1}, {300, TV_HANDOFF_VALID, 260, 39, 1},
        {522, TV_HANDOFF_VALID, 260, 260, 0}, {600, TV_HANDOFF_VALID, 260, 260, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        int result = ReadDownloadHandOff(raw, c.count, &info);
        EXPECT_EQ(c.result, result);
        if (result == TV_HANDOFF_NO_DATA) continue;
        EXPECT_EQ(c.pathLength, strlen(info.record.SavedFilePath));
        EXPECT_EQ(c.urlLength, strlen(info.record.SourceUrl));
        EXPECT_EQ(c.shortRecord, info.shortRecord);
    }
    EXPECT_EQ(TV_HANDOFF_NO_DATA, ReadDownloadHandOff(nullptr, 522, &info));
    unsigned char empty[522] = {};
    EXPECT_EQ(TV_HANDOFF_EMPTY_PATH, ReadDownloadHandOff(empty, sizeof(empty), &info));
}

TEST(HandOff, ForwardedCommandLine) {
    char text[1000];
    std::string line(2000, 'c');
    EXPECT_EQ(999u, ReadForwardedCommandLine(line.c_str(), line.size(), text, sizeof(text)));
    EXPECT_EQ(5u, ReadForwardedCommandLine("/tray\0junk", 10, text, sizeof(text)));
    EXPECT_STREQ("/tray", text);
    EXPECT_EQ(3u, ReadForwardedCommandLine("abcdef", 3, text, sizeof(text)));  // byte count limits
    EXPECT_STREQ("abc", text);
    EXPECT_EQ(0u, ReadForwardedCommandLine(nullptr, 3, text, sizeof(text)));
    EXPECT_STREQ("", text);
}

TEST(HandOff, ForwardedCommandLineIsTakenWhole) {
    const struct {
        std::string bytes;
        size_t byteCount;
        std::string text;
    } cases[] = {
        {std::string(2000, 'c'), 2000, std::string(2000, 'c')},                    // no terminator: all bytes
        {std::string(1500, 'd') + '\0' + "junk", 1505, std::string(1500, 'd')},    // up to the terminator
        {std::string(70000, 'e'), 70000, std::string(TV_FORWARDED_TEXT_MAX, 'e')},  // the bound
        {"abcdef", 3, "abc"},                                                      // the byte count limits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadForwardedCommandLine(c.bytes.data(), c.byteCount), c.text);
    }
    EXPECT_EQ(ReadForwardedCommandLine(nullptr, 3), "");
    EXPECT_EQ(ReadForwardedCommandLine("x", 0), "");
}

TEST(HandOff, DownloadFolderIsRecognised) {
    char name[32];
    ASSERT_EQ(1, FormatDownloadFolderName(0x0041A2F3u, name, sizeof(name)));
    EXPECT_STREQ("TvDownload-0041A2F3", name);
    EXPECT_EQ(0, FormatDownloadFolderName(1, name, 19));

    struct Case {
        const char* path;
        const char* folder;  // nullptr: not a download folder
    } cases[] = {
        {"C:\\Temp\\TvDownload-0041A2F3\\file.zip", "C:\\Temp\\TvDownload-0041A2F3"},
        {"C:\\Temp\\tvdownload-abcdef01\\unknown", "C:\\Temp\\tvdownload-abcdef01"},
        {"C:/Temp/TvDownload-00000000/a", "C:/Temp/TvDownload-00000000"},
        {"C:\\Temp\\file.zip", nullptr},
        {"C:\\Temp\\TvDownload-0041A2F\\file.zip", nullptr},    // 7 digits
        {"C:\\Temp\\TvDownload-0041A2F3X\\file.zip", nullptr},  // 9 characters
        {"C:\\Temp\\TvDownload-0041A2G3\\file.zip", nullptr},   // not hexadecimal
        {"C:\\Temp\\TvDownload-0041A2F3\\", nullptr},           // no file name
        {"TvDownload-0041A2F3\\file.zip", nullptr},             // no parent folder
        {"C:\\Temp\\TvDownload-0041A2F3\\sub\\file.zip", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        char folder[TV_PATH_SIZE];
        EXPECT_EQ(c.folder ? 1 : 0, DownloadHandOffFolder(c.path, folder, sizeof(folder)));
        EXPECT_STREQ(c.folder ? c.folder : "", folder);
    }
}

}  // namespace
