#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/cmdline.h"
#include "util/format.h"
#include "util/text.h"
#include "util/textline.h"
#include "util/url.h"

namespace {

TEST(FormatThousands, Table) {
    const struct { uint64_t number; const char* text; } cases[] = {
        {0, "0"}, {7, "7"}, {999, "999"}, {1000, "1,000"}, {12345, "12,345"}, {999999, "999,999"},
        {1200000, "1,200,000"}, {4294967295u, "4,294,967,295"}, {18446744073709551615u, "18,446,744,073,709,551,615"},
    };
    for (const auto& c : cases) {
        char out[32];
        EXPECT_EQ(0, FormatThousands(out, sizeof out, c.number));
        EXPECT_STREQ(c.text, out);
    }
    char small[4];
    EXPECT_EQ(1, FormatThousands(small, sizeof small, 1234));
    EXPECT_STREQ("1,2", small);
}

TEST(FormatSizeText, Table) {
    const struct { uint32_t size; int unit; const char* text; } cases[] = {
        {0, 4, "0 Bytes"},          {1, 0, "1 Byte"},           {1, 4, "1 Byte"},
        {2047, 1, "1 k"},           {3145728, 2, "3 meg"},      {1049600, 4, "1 meg"},
        {1048577, 4, "1,024 k"},    {1024, 4, "1,024 Bytes"},   {500, 1, "1 k"},
        {0, 1, "0 k"},              {1025, 4, "1 k"},           {2, 0, "2 Bytes"},
        {1234567, 0, "1,234,567 Bytes"}, {1, 3, "1 gb"},        {3221225472u, 3, "3 gb"},
        {3221225472u, 4, "3 gb"},   {1073741824u, 4, "1,024 meg"}, {4294967295u, 4, "3 gb"},
        {5, 9, "5 Bytes"},          {5, -1, "5 Bytes"},
    };
    for (const auto& c : cases) {
        char out[32];
        EXPECT_EQ(0, FormatSizeText(out, sizeof out, c.size, c.unit));
        EXPECT_STREQ(c.text, out) << c.size << " unit " << c.unit;
    }
}

TEST(FormatAttributeText, Table) {
    const struct { uint32_t attributes; const char* longText; const char* shortText; } cases[] = {
        {0, "", ""},
        {0x01, "read-only", "r"},
        {0x20, "archive", "a"},
        {0x37, "archive  read-only  hidden  system  folder", "rhsda"},
        {0x12, "hidden  folder", "hd"},
        {0x80, "", ""},
    };
    for (const auto& c : cases) {
        char out[64] = "junk";
        FormatAttributeText(out, sizeof out, c.attributes, 1);
        EXPECT_STREQ(c.longText, out) << c.attributes;
        FormatAttributeText(out, sizeof out, c.attributes, 0);
        EXPECT_STREQ(c.shortText, out) << c.attributes;
    }
}

TEST(FormatDosDateTime, Table) {
    // 2024-03-07: year 44 << 9 | month 3 << 5 | day 7; 13:45:58: 13 << 11 | 45 << 5 | 29.
    const uint16_t date = uint16_t((44 << 9) | (3 << 5) | 7);
    const uint16_t time = uint16_t((13 << 11) | (45 << 5) | 29);
    char out[16];
    FormatDosDateTimeText(out, sizeof out, date, 1);
    EXPECT_STREQ("07.03.2024", out);
    FormatDosDateTimeText(out, sizeof out, time, 0);
    EXPECT_STREQ("13:45:58", out);
    FormatDosDateTimeText(out, sizeof out, 0, 1);
    EXPECT_STREQ("00.00.1980", out);
    FormatDosDateTimeText(out, sizeof out, 0xFFFF, 1);
    EXPECT_STREQ("31.15.2107", out);
}

TEST(CommandLineSplit, Table) {
    const struct { const char* line; const char* program; const char* arguments; } cases[] = {
        {"\"C:\\Program Files\\scan.exe\" /all %s", "C:\\Program Files\\scan.exe", " /all %s"},
        {"C:\\tools\\scan.exe /all %s", "C:\\tools\\scan.exe", "/all %s"},
        {"C:\\tools\\scan.exe", "C:\\tools\\scan.exe", ""},
        {"C:\\my tools\\scan.exe -x", "C:\\my tools\\scan.exe", "-x"},
        // The quote comes after the first dot: not a quoted program.
        {"C:\\a.b\\scan.exe \"%1\"", "C:\\a.b\\scan.exe", "\"%1\""},
        {"\"C:\\noext\\prog\" -y", "C:\\noext\\prog", " -y"},
        {"prog", "prog", ""},
    };
    for (const auto& c : cases) {
        char program[261] = "junk", arguments[261] = "junk";
        EXPECT_EQ(1, SplitCommandLine(c.line, program, sizeof program, arguments, sizeof arguments)) << c.line;
        EXPECT_STREQ(c.program, program) << c.line;
        EXPECT_STREQ(c.arguments, arguments) << c.line;
    }
    char program[8], arguments[8];
    EXPECT_EQ(0, SplitCommandLine("verylongname.exe -a", program, sizeof program, arguments, sizeof arguments));
    EXPECT_STREQ("verylon", program);
    EXPECT_EQ(0, SplitCommandLine("", program, sizeof program, arguments, sizeof arguments));
    EXPECT_STREQ("", program);
}

TEST(CommandLineQuote, Table) {
    const struct { const char* in; int mode; size_t size; int result; const char* out; } cases[] = {
        {"C:\\a b\\x.exe", 0, 32, 1, "\"C:\\a b\\x.exe\""}, {"\"x\"", 0, 32, 1, "\"x\""},
        {"\"x", 0, 32, 1, "\"x\""},                          {"x\"", 0, 32, 1, "\"x\""},
        {"\"", 0, 32, 1, "\"\""},                            {"", 0, 32, 1, ""},
        {"abc", 0, 5, 0, "abc"},                             {"abc", 0, 6, 1, "\"abc\""},
        {"\"a\" \"b\"", 1, 32, 1, "a b"},                    {"abc", 1, 32, 1, "abc"},
    };
    for (const auto& c : cases) {
        char buffer[32];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        EXPECT_EQ(c.result, QuoteText(buffer, c.size, c.mode)) << c.in;
        EXPECT_STREQ(c.out, buffer) << c.in;
    }
}

TEST(CommandLineCount, Table) {
    const struct { const char* line; int count; } cases[] = {
        {"", -1}, {nullptr, -1}, {"a", 1}, {"a b", 2}, {"a  b", 3}, {"\"a b\" c", 2}, {"\"a b c", 1}, {"a ", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(c.count, CountArguments(c.line)) << (c.line ? c.line : "(null)");
}

TEST(CommandLinePlaceholders, Strip) {
    const struct { const char* in; const char* out; } cases[] = {
        {"\"%1\" -x", " -x"},
        {"scan.exe %s %1 %2", "scan.exe   "},
        {"a %1 %1", "a  %1"},
        {"%5%4%3%2%1%s", ""},
        {"\"\"\"\"x", "x"},
        {"\"\"\"x", "\"x"},
        {"plain", "plain"},
        {"%S", ""},
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        StripPlaceholders(buffer);
        EXPECT_STREQ(c.out, buffer) << c.in;
    }
}

TEST(CommandLinePlaceholders, Insert) {
    const struct { const char* in; int append; int quote; size_t size; int result; const char* out; } cases[] = {
        {"scan %s /q", 0, 0, 64, 1, "scan C:\\f.zip /q"},
        {"scan \"%1\" %s", 0, 0, 64, 1, "scan \"%1\" C:\\f.zip"},
        {"scan \"%1\"", 0, 0, 64, 1, "scan \"C:\\f.zip\""},
        {"scan", 0, 1, 64, 0, "scan"},
        {"scan", 1, 0, 64, 1, "scan C:\\f.zip"},
        {"scan", 1, 1, 64, 1, "scan \"C:\\f.zip\""},
        {"scan", 1, 1, 16, 1, "scan \"C:\\f.zip\""},  // 15 characters + terminator
        {"scan", 1, 1, 15, 0, "scan"},
        {"scan %s", 0, 0, 12, 0, "scan %s"},
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        EXPECT_EQ(c.result, InsertCommandArgument(buffer, c.size, "C:\\f.zip", c.append, c.quote)) << c.in;
        EXPECT_STREQ(c.out, buffer) << c.in;
    }
}

TEST(Url, LooksLikeUrl) {
    const struct { const char* text; int schemeOnly; int result; } cases[] = {
        {"http://x", 1, 1},     {"www.x", 1, 0},        {"www.x", 0, 1},   {"FTP.x", 0, 1},
        {"site.COM", 0, 1},     {"a.net/x", 0, 1},      {"a.org", 0, 1},   {"a.gov", 0, 1},
        {"a.de", 0, 1},         {"readme.txt", 0, 0},   {"", 0, 0},        {nullptr, 0, 0},
        {"file:///c", 1, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, LooksLikeUrl(c.text, c.schemeOnly)) << (c.text ? c.text : "(null)");
}

TEST(Url, CompleteUrl) {
    const struct { const char* in; int reject; size_t capacity; int result; const char* out; } cases[] = {
        {"ftp.site.org/pub", 1, 64, 0, "ftp://ftp.site.org/pub"},
        {"www.site.com", 1, 64, 0, "http://www.site.com"},
        {"site.com/FTP.txt", 1, 64, 0, "ftp://site.com/FTP.txt"},
        {"C:\\file.htm", 1, 64, -1, "C:\\file.htm"},
        {"C:/file.htm", 1, 64, -1, "C:/file.htm"},
        {"C:\\file.htm", 0, 64, 0, "http://C:\\file.htm"},
        {"https://a", 1, 64, -1, "https://a"},
        {"", 1, 64, -1, ""},
        {"abc", 1, 11, 0, "http://abc"},
        {"abc", 1, 10, -1, "abc"},  // the prefix does not fit: never cut the address
    };
    for (const auto& c : cases) {
        char text[64];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(c.result, CompleteUrl(text, c.capacity, c.in, c.reject)) << c.in;
        EXPECT_STREQ(c.out, text) << c.in;
    }
    char text[16] = "www.x";
    EXPECT_EQ(0, CompleteUrl(text, sizeof text, nullptr, 1));
    EXPECT_STREQ("http://www.x", text);
}

TEST(ShortenText, Table) {
    const struct { const char* in; int flags; int width; const char* out; } cases[] = {
        {"abcdefghij", 0, 10, "abcdefghij"},
        {"abcdefghij", 0, 8, "abcde..."},
        {"abcdefghij", 1, 8, "...fghij"},
        {"abcdefghij", 0, 3, "..."},
        {"abcdefghij", 0, 2, "abcdefghij"},
        {"  abc  ", 4, 3, "abc"},
        {"  abcdef  ", 4, 5, "ab..."},
        {"C:\\folder\\sub\\file.txt", 2, 16, "C:\\f...\\file.txt"},
        {"C:\\folder\\sub\\file.txt", 2, 12, "...\\file.txt"},
        {"C:\\folder\\sub\\file.txt", 2, 11, "file.txt..."},
        {"C:\\folder\\sub\\file.txt", 2, 9, "file.t..."},
        {"C:\\folder\\sub\\file.txt", 2, 22, "C:\\folder\\sub\\file.txt"},
        {"C:verylongname.txt", 2, 10, "verylon..."},
    };
    for (const auto& c : cases) {
        char buffer[64];
        std::memcpy(buffer, c.in, std::strlen(c.in) + 1);
        ShortenText(buffer, c.flags, c.width);
        EXPECT_STREQ(c.out, buffer) << c.in << " flags " << c.flags << " width " << c.width;
    }
}

std::string Bytes(const TMemoryStream& stream) {
    return std::string(stream.Data().begin(), stream.Data().end());
}

TEST(TextLine, WriteTextAndTemplateLines) {
    TMemoryStream stream;
    EXPECT_TRUE(WriteTextLine(&stream, "abc", 1));
    EXPECT_TRUE(WriteTextLine(&stream, "", 1));
    EXPECT_TRUE(WriteTextLine(&stream, "d", 0));
    EXPECT_TRUE(WriteTextLine(&stream, nullptr, 1));
    EXPECT_FALSE(WriteTextLine(nullptr, "x", 1));
    EXPECT_EQ("abc\r\n\r\nd", Bytes(stream));

    TMemoryStream lines;
    EXPECT_TRUE(WriteTemplateLine(&lines, "<a href=\"%s\">%s</a>", "http://x", 1));
    EXPECT_TRUE(WriteTemplateLine(&lines, "<DT>%TITLE%", "Title", 0, "%title%"));
    EXPECT_TRUE(WriteTemplateLine(&lines, "none", "v", 1));
    EXPECT_TRUE(WriteTemplateLine(&lines, "[%s]", nullptr, 1));
    EXPECT_EQ("<a href=\"http://x\">%s</a>\r\n<DT>Titlenone\r\n[]\r\n", Bytes(lines));
}

}  // namespace
