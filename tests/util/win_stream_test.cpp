// The buffered file stream on real files: what goes in comes back, seeks and sizes are right, and
// a write the file refuses is reported.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "util/countedstring.h"
#include "util/win_stream.h"

namespace {

std::string TempFile(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    return std::string(folder) + "tvstream" + std::to_string(GetCurrentProcessId()) + name;
}

TEST(Win32FileStream, FieldsRoundTripThroughTheFile) {
    const std::string path = TempFile("a.bin");
    constexpr uint32_t kFields = 50000;
    {
        TWin32FileStream out;
        ASSERT_TRUE(out.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
        ASSERT_TRUE(out.WriteU32(0));  // patched below
        for (uint32_t i = 0; i < kFields; ++i) {
            ASSERT_TRUE(out.WriteU32(i));
            ASSERT_TRUE(WriteCountedString(&out, i % 3 ? "text" : ""));
        }
        const int64_t end = out.Position();
        EXPECT_EQ(out.Size(), end);
        ASSERT_TRUE(out.Seek(0, TByteStream::SeekBegin));
        ASSERT_TRUE(out.WriteU32(kFields));
        ASSERT_TRUE(out.Seek(0, TByteStream::SeekEnd));
        EXPECT_EQ(out.Position(), end);
        ASSERT_TRUE(out.Flush());
        EXPECT_TRUE(out.Close());
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    const uint64_t expectedSize = 4 + uint64_t(kFields) * 8 + uint64_t(kFields - (kFields + 2) / 3) * 4;
    EXPECT_EQ(data.nFileSizeLow, expectedSize);

    TWin32FileStream in;
    ASSERT_TRUE(in.Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(in.Size(), int64_t(expectedSize));
    uint32_t count = 0;
    ASSERT_TRUE(in.ReadU32(&count));
    EXPECT_EQ(count, kFields);
    for (uint32_t i = 0; i < kFields; ++i) {
        uint32_t v = 0;
        char buffer[10] = "x";
        char* text = buffer;
        ASSERT_TRUE(in.ReadU32(&v));
        ASSERT_EQ(v, i);
        ASSERT_TRUE(ReadCountedString(&in, &text, nullptr, 0, sizeof buffer));
        ASSERT_STREQ(buffer, i % 3 ? "text" : "");
    }
    EXPECT_EQ(in.Remaining(), 0);
    in.Close();
    DeleteFileA(path.c_str());
}

TEST(Win32FileStream, RefusedWritesAreReported) {
    const std::string path = TempFile("b.bin");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    // Opened for reading only: the buffered bytes cannot reach the file.
    TWin32FileStream stream;
    ASSERT_TRUE(stream.Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_TRUE(stream.WriteU32(1));  // only buffered so far
    EXPECT_FALSE(stream.Flush());
    EXPECT_FALSE(stream.WriteU32(2));
    EXPECT_FALSE(stream.Close());
    // A stream without a file takes nothing.
    EXPECT_FALSE(stream.WriteU32(3));
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_EQ(stream.Position(), -1);
    DeleteFileA(path.c_str());
}

}  // namespace
