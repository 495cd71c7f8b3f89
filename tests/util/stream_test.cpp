#include <gtest/gtest.h>

#include "util/stream.h"

TEST(MemoryStream, ReadsWhatWasWrittenAndStopsAtTheEnd) {
    TMemoryStream s;
    ASSERT_TRUE(s.WriteU32(0x04030201u));
    ASSERT_TRUE(s.WriteU8(0xFE));
    ASSERT_TRUE(s.WriteU64(0x1122334455667788ull));
    EXPECT_EQ(s.Size(), 13);
    const std::vector<uint8_t> expectStart = {1, 2, 3, 4, 0xFE, 0x88};
    EXPECT_TRUE(std::equal(expectStart.begin(), expectStart.end(), s.Data().begin()));

    s.Rewind();
    uint32_t u = 0;
    uint8_t b = 0;
    uint64_t q = 0;
    EXPECT_TRUE(s.ReadU32(&u));
    EXPECT_TRUE(s.ReadU8(&b));
    EXPECT_TRUE(s.ReadU64(&q));
    EXPECT_EQ(u, 0x04030201u);
    EXPECT_EQ(b, 0xFE);
    EXPECT_EQ(q, 0x1122334455667788ull);

    // At the end: a failed read leaves the destination as it was.
    u = 77;
    EXPECT_FALSE(s.ReadU32(&u));
    EXPECT_EQ(u, 77u);
}

TEST(MemoryStream, ShortReadKeepsDestinationAndSeekRejectsNegative) {
    const uint8_t bytes[] = {9, 8, 7};
    TMemoryViewStream v(bytes, sizeof bytes);
    int32_t i = -5;
    EXPECT_FALSE(v.ReadI32(&i));
    EXPECT_EQ(i, -5);
    EXPECT_FALSE(v.Seek(-1, TByteStream::SeekBegin));
    EXPECT_TRUE(v.Seek(-1, TByteStream::SeekEnd));
    EXPECT_EQ(v.Position(), 2);
    EXPECT_EQ(v.Remaining(), 1);
    EXPECT_TRUE(v.Seek(100, TByteStream::SeekCurrent));
    EXPECT_EQ(v.Remaining(), 0);
    uint8_t c = 1;
    EXPECT_FALSE(v.ReadU8(&c));
    EXPECT_FALSE(v.Write(bytes, 1));
}

TEST(MemoryStream, WritingAfterSeekPastEndFillsWithZeros) {
    TMemoryStream s;
    ASSERT_TRUE(s.Seek(3, TByteStream::SeekBegin));
    ASSERT_TRUE(s.WriteU8(5));
    EXPECT_EQ(s.Data(), (std::vector<uint8_t>{0, 0, 0, 5}));
}
