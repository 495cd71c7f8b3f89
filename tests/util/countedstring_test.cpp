#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "util/countedstring.h"

namespace {

std::vector<uint8_t> Stored(int32_t length, const std::string& bytes) {
    std::vector<uint8_t> data(4);
    const uint32_t u = uint32_t(length);
    for (int i = 0; i < 4; ++i) data[i] = uint8_t(u >> (8 * i));
    for (char c : bytes) data.push_back(uint8_t(c));
    return data;
}

TEST(CountedString, WriteLayout) {
    const struct { const char* text; std::vector<uint8_t> bytes; } cases[] = {
        {"", {0, 0, 0, 0}},
        {nullptr, {0, 0, 0, 0}},
        {"ab", {2, 0, 0, 0, 'a', 'b'}},
    };
    for (const auto& c : cases) {
        TMemoryStream stream;
        EXPECT_TRUE(WriteCountedString(&stream, c.text));
        EXPECT_EQ(c.bytes, stream.Data()) << (c.text ? c.text : "(null)");
    }
    const std::string big(300, 'x');
    TMemoryStream stream;
    EXPECT_TRUE(WriteCountedString(&stream, big.c_str()));
    EXPECT_EQ(Stored(300, big), stream.Data());
}

// Reads one stored string into a fixed buffer followed by a marker value, and checks what was
// kept and that the stream stays aligned on the marker.
TEST(CountedString, CapacitySkipKeepsAlignment) {
    const struct { int32_t length; uint32_t capacity; int result; size_t kept; } cases[] = {
        {20, 10, 1, 9},    {9, 10, 1, 9},     {10, 10, 1, 9},   {0, 10, 1, 0},
        {260, 261, 1, 260}, {261, 261, 1, 260}, {262, 261, 1, 260}, {259, 261, 1, 259},
        {5, 1, 1, 0},      {5, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> data = Stored(c.length, std::string(size_t(c.length), 'q'));
        const std::vector<uint8_t> marker = Stored(1, "M");
        for (uint8_t b : marker) data.push_back(b);
        TMemoryStream stream(data);
        std::vector<char> buffer(300, '#');
        buffer[0] = 'o';
        buffer[1] = '\0';
        char* text = buffer.data();
        uint32_t read = 12345;
        EXPECT_EQ(c.result, ReadCountedString(&stream, &text, &read, 0, c.capacity)) << c.length << "/" << c.capacity;
        if (c.result) {
            EXPECT_EQ(c.kept, std::strlen(buffer.data())) << c.length << "/" << c.capacity;
            EXPECT_EQ(c.kept, read);
            if (c.kept > 0) {
                EXPECT_EQ('#', buffer[c.kept + 1]) << "wrote past the text";
            }
        } else {
            EXPECT_STREQ("o", buffer.data()) << "text must stay untouched";
        }
        char next[4];
        EXPECT_EQ(1, ReadCountedStringFixed(&stream, next, sizeof next)) << c.length << "/" << c.capacity;
        EXPECT_STREQ("M", next) << "stream lost its alignment at " << c.length << "/" << c.capacity;
    }
}

TEST(CountedString, NegativeLengthLeavesTextUntouched) {
    TMemoryStream stream(Stored(-5, "abcde"));
    char buffer[8] = "keep";
    EXPECT_EQ(1, ReadCountedStringFixed(&stream, buffer, sizeof buffer));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ(4, stream.Position());
}

TEST(CountedString, TruncatedInputFailsWithoutInventingText) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        {3, 0},
        Stored(10, "abc"),
        Stored(1, ""),
    };
    for (const auto& input : inputs) {
        for (int reallocate : {0, 1}) {
            TMemoryStream stream(input);
            char* text = static_cast<char*>(std::malloc(16));
            std::memcpy(text, "before", 7);
            char* const original = text;
            EXPECT_EQ(0, ReadCountedString(&stream, &text, nullptr, reallocate, 16)) << input.size();
            EXPECT_EQ(original, text);
            EXPECT_STREQ("before", text);
            EXPECT_EQ(stream.Size(), stream.Position()) << "later reads must fail too";
            std::free(text);
        }
    }
}

TEST(CountedString, HugeStoredLengthDoesNotAllocate) {
    // A stored length of 2 GB - 1 with only a few bytes behind it: refused before any allocation
    // (ASan would report an allocation of that size as a failure).
    TMemoryStream stream(Stored(0x7FFFFFFF, "tiny"));
    char* text = static_cast<char*>(std::malloc(1));
    text[0] = '\0';
    EXPECT_EQ(0, ReadCountedString(&stream, &text, nullptr, 1, 0));
    EXPECT_STREQ("", text);
    std::free(text);
}

TEST(CountedString, ReallocateRoundTrip) {
    TMemoryStream stream;
    for (const char* t : {"", "one", "a longer text with blanks"}) WriteCountedString(&stream, t);
    stream.Rewind();
    char* text = static_cast<char*>(std::malloc(1));
    text[0] = '\0';
    for (const char* t : {"", "one", "a longer text with blanks"}) {
        uint32_t read = 0;
        EXPECT_EQ(1, ReadCountedString(&stream, &text, &read, 1, 0));
        EXPECT_STREQ(t, text);
        EXPECT_EQ(std::strlen(t), read);
    }
    std::free(text);
}

}  // namespace
