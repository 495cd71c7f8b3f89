#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "util/buffered_stream.h"

namespace {

// A medium in memory that counts its calls and can be told to fail.
class CountingStream : public TBufferedStream {
public:
    explicit CountingStream(size_t capacity, std::vector<uint8_t> initial = {})
        : TBufferedStream(capacity), bytes(std::move(initial)) {
        Attach(0);
    }

    std::vector<uint8_t> bytes;
    int64_t at = 0;
    int reads = 0, writes = 0, seeks = 0, sizes = 0, commits = 0;
    int failWriteNumber = 0;  // the raw write with this number (1-based) fails; 0 = none
    bool failCommit = false;

protected:
    size_t RawRead(void* buffer, size_t size) override {
        ++reads;
        if (at >= int64_t(bytes.size())) return 0;
        const size_t n = std::min(size, bytes.size() - size_t(at));
        std::memcpy(buffer, bytes.data() + at, n);
        at += int64_t(n);
        return n;
    }
    bool RawWrite(const void* data, size_t size) override {
        if (++writes == failWriteNumber) return false;
        if (size_t(at) + size > bytes.size()) bytes.resize(size_t(at) + size, 0);
        std::memcpy(bytes.data() + at, data, size);
        at += int64_t(size);
        return true;
    }
    bool RawSeek(int64_t position) override {
        ++seeks;
        at = position;
        return true;
    }
    int64_t RawSize() const override {
        ++const_cast<CountingStream*>(this)->sizes;
        return int64_t(bytes.size());
    }
    bool RawCommit() override {
        ++commits;
        return !failCommit;
    }
    bool RawIsOpen() const override { return true; }
};

// Every operation on the buffered stream and on a memory stream gives the same results.
TEST(BufferedStream, BehavesLikeAMemoryStreamUnderRandomOperations) {
    for (size_t capacity : {16u, 100u, 4096u}) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            std::mt19937 random(seed * 7919 + unsigned(capacity));
            std::vector<uint8_t> initial(random() % 300);
            for (auto& b : initial) b = uint8_t(random());
            CountingStream buffered(capacity, initial);
            TMemoryStream model(initial);
            std::vector<uint8_t> data(3 * capacity + 10), got(3 * capacity + 10), expected(3 * capacity + 10);
            for (int step = 0; step < 300; ++step) {
                const unsigned op = random() % 10;
                SCOPED_TRACE(testing::Message() << "capacity " << capacity << " seed " << seed << " step " << step
                                                << " op " << op);
                if (op < 4) {
                    const size_t n = random() % (random() % 4 == 0 ? data.size() : 12);
                    for (size_t i = 0; i < n; ++i) data[i] = uint8_t(random());
                    ASSERT_TRUE(buffered.Write(data.data(), n));
                    ASSERT_TRUE(model.Write(data.data(), n));
                } else if (op < 7) {
                    const size_t n = random() % (random() % 4 == 0 ? got.size() : 12);
                    const size_t a = buffered.Read(got.data(), n);
                    const size_t b = model.Read(expected.data(), n);
                    ASSERT_EQ(a, b);
                    ASSERT_EQ(0, std::memcmp(got.data(), expected.data(), a));
                } else if (op < 9) {
                    const auto origin = TByteStream::SeekOrigin(random() % 3);
                    const int64_t offset = int64_t(random() % 400) - 200;
                    ASSERT_EQ(buffered.Seek(offset, origin), model.Seek(offset, origin));
                } else {
                    ASSERT_TRUE(buffered.Flush());
                }
                ASSERT_EQ(buffered.Position(), model.Position());
                ASSERT_EQ(buffered.Size(), model.Size());
            }
            ASSERT_TRUE(buffered.Flush());
            // A seek past the end that nothing was written behind leaves the size alone in both.
            EXPECT_EQ(buffered.bytes, model.Data()) << "capacity " << capacity << " seed " << seed;
        }
    }
}

TEST(BufferedStream, FieldsAtATimeReachTheMediumInBlocks) {
    constexpr size_t kCapacity = 4096;
    constexpr uint32_t kFields = 100000;
    CountingStream s(kCapacity);
    for (uint32_t i = 0; i < kFields; ++i) ASSERT_TRUE(s.WriteU32(i * 2654435761u));
    ASSERT_TRUE(s.Flush());
    const size_t bytes = kFields * 4;
    EXPECT_EQ(s.bytes.size(), bytes);
    EXPECT_EQ(s.writes, int((bytes + kCapacity - 1) / kCapacity));
    EXPECT_EQ(s.commits, 1);

    ASSERT_TRUE(s.Seek(0, TByteStream::SeekBegin));
    s.reads = 0;
    for (uint32_t i = 0; i < kFields; ++i) {
        uint32_t v = 0;
        ASSERT_TRUE(s.ReadU32(&v));
        ASSERT_EQ(v, i * 2654435761u);
    }
    uint32_t end = 0;
    EXPECT_FALSE(s.ReadU32(&end));
    // One read per block, and one that finds the end.
    EXPECT_EQ(s.reads, int((bytes + kCapacity - 1) / kCapacity) + 1);
    // The size is asked of the medium once; the position never.
    EXPECT_EQ(s.Size(), int64_t(bytes));
    EXPECT_EQ(s.Remaining(), 0);
    EXPECT_EQ(s.Size(), int64_t(bytes));
    EXPECT_LE(s.sizes, 1);
}

TEST(BufferedStream, LargeBlocksBypassTheBuffer) {
    CountingStream s(64);
    std::vector<uint8_t> block(1000, 0xAB);
    ASSERT_TRUE(s.WriteU8(1));
    ASSERT_TRUE(s.Write(block.data(), block.size()));
    // The pending byte went first, then the block in one piece.
    EXPECT_EQ(s.writes, 2);
    ASSERT_TRUE(s.Seek(1, TByteStream::SeekBegin));
    std::vector<uint8_t> back(1000);
    s.reads = 0;
    ASSERT_EQ(s.Read(back.data(), back.size()), back.size());
    EXPECT_EQ(back, block);
    EXPECT_EQ(s.reads, 1);
}

// A failed write of the medium is never hidden: the write that found it, every later write and
// Flush say so, also when the failure shows only when the buffer is pushed out.
TEST(BufferedStream, MediumFailureSticks) {
    struct Case {
        int failWrite;
        bool failCommit;
        size_t fields;  // u32 fields written before Flush (capacity 64: 16 per block)
        bool writesOk;  // all writes reported success
    } cases[] = {
        {1, false, 4, true},    // fails only when Flush pushes the one block out
        {1, false, 40, false},  // the first full block fails during the writes
        {3, false, 40, true},   // blocks 1 and 2 fine; block 3 (the rest) fails in Flush
        {0, true, 4, true},     // all written, but the medium cannot commit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fail write " << c.failWrite << " fields " << c.fields);
        CountingStream s(64);
        s.failWriteNumber = c.failWrite;
        s.failCommit = c.failCommit;
        bool allOk = true;
        for (uint32_t i = 0; i < c.fields; ++i) allOk = s.WriteU32(i) && allOk;
        EXPECT_EQ(allOk, c.writesOk);
        EXPECT_FALSE(s.Flush());
        EXPECT_TRUE(s.Failed());
        EXPECT_FALSE(s.WriteU32(7));
        EXPECT_FALSE(s.Flush());
    }
}

// Without the commit, Flush still puts every pending byte on the medium and still reports a
// medium that refused them; it only leaves the medium's own commit out.
TEST(BufferedStream, FlushWithoutCommitStillWritesAndReportsFailures) {
    struct Case {
        bool commit;
        int failWrite;
        bool flushOk;
        int commits;
    } cases[] = {
        {true, 0, false, 1},   // asked for, and the medium cannot commit
        {false, 0, true, 0},
        {false, 1, false, 0},  // the pending block is refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "commit " << c.commit << " fail write " << c.failWrite);
        CountingStream s(64);
        s.SetCommitOnFlush(c.commit);
        s.failCommit = true;  // matters only when the commit is asked for
        s.failWriteNumber = c.failWrite;
        for (uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(s.WriteU32(i));
        EXPECT_EQ(s.Flush(), c.flushOk);
        EXPECT_EQ(s.commits, c.commits);
        EXPECT_EQ(s.writes, 1);
        EXPECT_EQ(s.bytes.size(), c.failWrite == 0 ? 20u : 0u);
    }
}

TEST(BufferedStream, ReadsSeeWhatWasWrittenAndWritesReplaceWhatWasRead) {
    CountingStream s(32);
    for (uint8_t i = 0; i < 100; ++i) ASSERT_TRUE(s.WriteU8(i));
    // Reading right after writing: the pending bytes are on the medium first.
    ASSERT_TRUE(s.Seek(10, TByteStream::SeekBegin));
    uint8_t b = 0;
    ASSERT_TRUE(s.ReadU8(&b));
    EXPECT_EQ(b, 10);
    // Writing inside the read-ahead block: a later read sees the new bytes, not the old block.
    ASSERT_TRUE(s.Write("XYZ", 3));
    ASSERT_TRUE(s.Seek(9, TByteStream::SeekBegin));
    uint8_t five[5] = {};
    ASSERT_TRUE(s.ReadExact(five, 5));
    const uint8_t expected[5] = {9, 10, 'X', 'Y', 'Z'};
    EXPECT_EQ(0, std::memcmp(five, expected, 5));
    // A header patched after the body, as the file writers do.
    ASSERT_TRUE(s.Seek(0, TByteStream::SeekEnd));
    ASSERT_TRUE(s.WriteU32(0xDDCCBBAAu));
    ASSERT_TRUE(s.Seek(0, TByteStream::SeekBegin));
    ASSERT_TRUE(s.WriteU32(104));
    ASSERT_TRUE(s.Flush());
    ASSERT_EQ(s.bytes.size(), 104u);
    EXPECT_EQ(s.bytes[0], 104);
    EXPECT_EQ(s.bytes[4], 4);
    EXPECT_EQ(s.bytes[100], 0xAA);
    EXPECT_EQ(s.bytes[103], 0xDD);
}

}  // namespace
