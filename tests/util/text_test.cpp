#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/text.h"

namespace {

TEST(TextCase, FoldsAsciiOnly) {
    const struct { char in, lower, upper; } cases[] = {
        {'A', 'a', 'A'}, {'Z', 'z', 'Z'}, {'a', 'a', 'A'}, {'z', 'z', 'Z'}, {'@', '@', '@'},
        {'[', '[', '['}, {'`', '`', '`'}, {'{', '{', '{'}, {'5', '5', '5'}, {'\xC4', '\xC4', '\xC4'},
        {'\xE4', '\xE4', '\xE4'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.lower, LowerChar(c.in)) << int(c.in);
        EXPECT_EQ(c.upper, UpperChar(c.in)) << int(c.in);
    }
    char text[] = "Mixed Case \xC4 123";
    LowerText(text);
    EXPECT_STREQ("mixed case \xC4 123", text);
    UpperText(text);
    EXPECT_STREQ("MIXED CASE \xC4 123", text);
    char small[5];
    EXPECT_EQ(1, LowerTextCopy(small, sizeof small, "ABCDEF"));
    EXPECT_STREQ("abcd", small);
    EXPECT_EQ(0, UpperTextCopy(small, sizeof small, "ab"));
    EXPECT_STREQ("AB", small);
}

TEST(TextClass, LettersAndDigits) {
    for (int c = 0; c < 256; ++c) {
        const char ch = char(c);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        EXPECT_EQ(letter, IsLetter(ch) != 0) << c;
        EXPECT_EQ(letter || digit, IsLetterOrDigit(ch) != 0) << c;
    }
}

TEST(TextTrim, Flags) {
    const struct { const char* in; int flags; const char* out; } cases[] = {
        {"  a b  ", 1, "a b  "}, {"  a b  ", 2, "  a b"}, {"  a b  ", 3, "a b"},
        {"     ", 3, ""},        {"", 3, ""},             {"\ta\t", 3, "\ta\t"},
        {"  x", 2, "  x"},       {"x  ", 1, "x  "},       {"  a  ", 0, "  a  "},
    };
    for (const auto& c : cases) {
        char buffer[32];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        TrimSpaces(buffer, c.flags);
        EXPECT_STREQ(c.out, buffer) << "'" << c.in << "' flags " << c.flags;
    }
    TrimSpaces(nullptr, 3);
}

TEST(TextEquals, Table) {
    const struct { const char* a; const char* b; int cs; int limit; int result; } cases[] = {
        {"abc", "abc", 1, 0, 1},   {"abc", "ABC", 1, 0, 0},  {"abc", "ABC", 0, 0, 1},
        {"abc", "abd", 0, 2, 1},   {"abc", "abd", 0, 3, 0},  {"ab", "abc", 0, 0, 0},
        {"ab", "abc", 0, 2, 1},    {"ab", "abc", 0, 3, 0},   {"", "", 0, 0, 1},
        {nullptr, "", 0, 0, 1},    {nullptr, "a", 0, 0, 0},  {"a", "a", 0, 100, 1},
        {"\xC4", "\xE4", 0, 0, 0}, {"x", "y", 0, -5, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, TextEquals(c.a, c.b, c.cs, c.limit))
            << (c.a ? c.a : "(null)") << " / " << c.b << " cs " << c.cs << " limit " << c.limit;
}

TEST(TextFind, Table) {
    const struct { const char* text; const char* pattern; int cs; int word; int result; } cases[] = {
        {"a cat", "cat", 0, 1, 2},       {"acat", "cat", 0, 1, -1},      {"cat.", "cat", 0, 1, 0},
        {"acat", "cat", 0, 0, 1},        {"a CAT", "cat", 1, 0, -1},     {"a CAT", "cat", 0, 0, 2},
        {"cats cat", "cat", 0, 1, 5},    {"cat-cat", "cat", 0, 1, 0},    {"x,cat", "cat", 0, 1, -1},
        {"cat1 cat", "cat", 0, 1, 5},    {"", "a", 0, 0, -1},            {"a", "", 0, 0, -1},
        {"ab", "abc", 0, 0, -1},         {"abc", "abc", 0, 1, 0},        {"aaab", "aab", 0, 0, 1},
        {nullptr, "a", 0, 0, -1},        {"a", nullptr, 0, 0, -1},       {"cat ", "cat", 0, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, FindText(c.text, c.pattern, c.cs, c.word))
            << (c.text ? c.text : "(null)") << " / " << (c.pattern ? c.pattern : "(null)");
}

TEST(TextReplaceFirst, Table) {
    const struct { const char* text; size_t capacity; const char* pattern; const char* with; int cs;
                   int result; const char* out; } cases[] = {
        {"open %s now", 32, "%s", "file.txt", 0, 1, "open file.txt now"},
        {"open %S now", 32, "%s", "x", 0, 1, "open x now"},
        {"open %S now", 32, "%s", "x", 1, 0, "open %S now"},
        {"%s and %s", 32, "%s", "a", 0, 1, "a and %s"},
        {"no pattern", 32, "%s", "a", 0, 0, "no pattern"},
        {"ab%s", 6, "%s", "cde", 0, 1, "abcde"},  // exactly fills 5 characters + terminator
        {"ab%s", 5, "%s", "cde", 0, 0, "ab%s"},   // one byte short: unchanged
        {"abXYZ", 6, "XYZ", "", 0, 1, "ab"},
        {"abXYZ", 6, "XYZ", nullptr, 0, 1, "ab"},
        {"abc", 4, "", "x", 0, 0, "abc"},
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        std::memcpy(buffer, c.text, std::strlen(c.text) + 1);
        EXPECT_EQ(c.result, ReplaceFirst(buffer, c.capacity, c.pattern, c.with, c.cs))
            << c.text << " cap " << c.capacity;
        EXPECT_STREQ(c.out, buffer) << c.text;
        EXPECT_EQ('#', buffer[c.capacity]) << "wrote past the capacity: " << c.text;
    }
}

TEST(TextCopyLimited, BoundaryLengths) {
    const size_t size = 261;
    for (size_t length : {size_t(0), size_t(1), size_t(259), size_t(260), size_t(261), size_t(262), size_t(600)}) {
        const std::string source(length, 'x');
        char buffer[size + 8];
        std::memset(buffer, '#', sizeof buffer);
        const int truncated = CopyLimited(buffer, source.c_str(), size);
        EXPECT_EQ(length + 1 > size ? 1 : 0, truncated) << length;
        const size_t kept = length < size ? length : size - 1;
        EXPECT_EQ(kept, std::strlen(buffer)) << length;
        EXPECT_EQ('#', buffer[size]) << length;
    }
    char one[1] = {'z'};
    EXPECT_EQ(1, CopyLimited(one, "a", 1));
    EXPECT_EQ('\0', one[0]);
    EXPECT_EQ(0, CopyLimited(one, "", 1));
    char buffer[8] = "old";
    EXPECT_EQ(0, CopyLimited(buffer, nullptr, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1, CopyLimited(buffer, "a", 0));
}

TEST(TextAppendLimited, BoundaryLengths) {
    const size_t size = 261;
    for (size_t first : {size_t(0), size_t(100), size_t(259), size_t(260)}) {
        for (size_t second : {size_t(0), size_t(1), size_t(2), size_t(161), size_t(300)}) {
            char buffer[size + 8];
            std::memset(buffer, '#', sizeof buffer);
            const std::string a(first, 'a'), b(second, 'b');
            std::memcpy(buffer, a.c_str(), first + 1);
            const int truncated = AppendLimited(buffer, b.c_str(), size);
            const size_t total = first + second;
            EXPECT_EQ(total + 1 > size ? 1 : 0, truncated) << first << "+" << second;
            EXPECT_EQ(total < size ? total : size - 1, std::strlen(buffer)) << first << "+" << second;
            EXPECT_EQ('#', buffer[size]);
        }
    }
    // A destination without terminator inside its size is cut, never read beyond.
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(1, AppendLimited(unterminated, "", sizeof unterminated));
    EXPECT_STREQ("abc", unterminated);
}

TEST(TextFormatLimited, Truncation) {
    char buffer[8];
    EXPECT_EQ(0, FormatLimited(buffer, sizeof buffer, "%d-%s", 12, "ab"));
    EXPECT_STREQ("12-ab", buffer);
    EXPECT_EQ(0, FormatLimited(buffer, sizeof buffer, "%s", "1234567"));
    EXPECT_EQ(1, FormatLimited(buffer, sizeof buffer, "%s", "12345678"));
    EXPECT_STREQ("1234567", buffer);
    EXPECT_EQ(1, FormatLimited(buffer, 0, "%s", "x"));
}

TEST(TextMisc, RemoveSeparatorsAndPad) {
    char number[] = "1,234.567,,..x";
    RemoveSeparators(number);
    EXPECT_STREQ("1234567x", number);
    char field[8];
    std::memset(field, '#', sizeof field);
    field[0] = 'a';
    field[1] = '\0';
    PadWithZeros(field, sizeof field);
    for (size_t i = 1; i < sizeof field; ++i) EXPECT_EQ('\0', field[i]) << i;
}

}  // namespace
