// The texts of the exchange formats: references, UTF-8, escaping, quoting, names, lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bookmarks/exchange_text.h"

namespace {

std::string Decode(const std::string& text, TvTextEncoding encoding = TV_TEXT_ANSI, bool references = true) {
    return DecodeBrowserText(text.data(), text.size(), encoding, references, DefaultAnsiCodec());
}

TEST(ExchangeText, DecodesReferencesOnceAndUtf8) {
    struct Case {
        const char* in;
        TvTextEncoding encoding;
        const char* out;
    } cases[] = {
        {"Tom &amp; Jerry", TV_TEXT_ANSI, "Tom & Jerry"},
        {"&lt;b&gt; &quot;x&quot; &#39;y&#39; &apos;z&apos;", TV_TEXT_ANSI, "<b> \"x\" 'y' 'z'"},
        {"&amp;lt;", TV_TEXT_ANSI, "&lt;"},  // once, not twice
        {"&#65;&#x42;&#X43;&#68", TV_TEXT_ANSI, "ABCD"},
        {"caf&eacute; &copy; &nbsp;", TV_TEXT_ANSI, "caf\xE9 \xA9 \xA0"},
        {"&#8364; &euro; &#150; &#x2014;", TV_TEXT_ANSI, "\x80 \x80 \x96 \x97"},  // C1 numbers name cp1252
        {"&#x4E2D; &#0; &#xD800; &#99999999;", TV_TEXT_ANSI, "? ? ? ?"},
        {"&unknown; &amp &#; &#x; & alone", TV_TEXT_ANSI, "&unknown; &amp &#; &#x; & alone"},
        {"AT&T?a=1&b=2", TV_TEXT_ANSI, "AT&T?a=1&b=2"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD", TV_TEXT_UTF8, "caf\xE9 \x80 ?"},
        {"caf\xC3\xA9", TV_TEXT_ANSI, "caf\xC3\xA9"},                 // ANSI bytes stay
        {"bad \xE9 \xC3 \xF0\x9F\x98", TV_TEXT_UTF8, "bad \xE9 \xC3 \xF0\x9F\x98"},  // invalid UTF-8: ANSI bytes
        {"\xC0\xAF overlong", TV_TEXT_UTF8, "\xC0\xAF overlong"},
        {"\xF0\x9F\x98\x80 emoji", TV_TEXT_UTF8, "? emoji"},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(c.in, c.encoding), c.out) << c.in;
    EXPECT_EQ(Decode("&amp;", TV_TEXT_ANSI, false), "&amp;");
}

TEST(ExchangeText, EscapesHtmlSoNoMarkupGetsThrough) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain text 123", "plain text 123"},
        {"<script>alert(\"x\")</script>", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
        {"a & b", "a &amp; b"},
        {"&amp;", "&amp;amp;"},
        {"caf\xE9 \x80", "caf&#233; &#8364;"},
        {"line1\r\nline2\ttab", "line1\r\nline2\ttab"},
        {"\x01\x7F", "&#1;&#127;"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(HtmlEscaped(c.in, DefaultAnsiCodec()), c.out) << c.in;
    // What is escaped decodes back to the same text.
    const char* samples[] = {"<a href=\"x\">&amp;</a>", "caf\xE9 \x80\x96 \xFF", "a\r\nb"};
    for (const char* s : samples) EXPECT_EQ(Decode(HtmlEscaped(s, DefaultAnsiCodec())), s) << s;
}

TEST(ExchangeText, QuotesDelimitedFieldsOnlyWhenNeeded) {
    struct Case {
        const char* in;
        const char* delimiter;
        const char* out;
    } cases[] = {
        {"plain", ",", "plain"},
        {"a,b", ",", "\"a,b\""},
        {"say \"hi\"", ",", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", ",", "\"two\r\nlines\""},
        {"a,b", "\t", "a,b"},
        {"a\tb", "\t", "\"a\tb\""},
        {"a;b", ";", "\"a;b\""},
        {"one\rline", "\r\n", "\"one\rline\""},
        {"", ",", ""},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendDelimitedField(&out, c.in, c.delimiter);
        EXPECT_EQ(out, c.out) << c.in;
    }
}

TEST(ExchangeText, CleansFolderAndFileNames) {
    struct Case {
        const char* in;
        const char* folder;
        const char* file;
    } cases[] = {
        {"a/b", "ab", "ab"},
        {"  News: <Daily> | \"Best\"?*  ", "News Daily  Best", "News Daily  Best"},
        {"..\\..\\Windows\\evil", "Windowsevil", "Windowsevil"},
        {"...", "", ""},
        {"name.", "name.", "name"},
        {"con", "con", "con_"},
        {"LPT1.txt", "LPT1.txt", "LPT1_.txt"},
        {"tab\there", "tabhere", "tabhere"},
        {"line\r\nbreak", "linebreak", "linebreak"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanFolderName(c.in), c.folder) << c.in;
        EXPECT_EQ(CleanFavoritesFileName(c.in, 200), c.file) << c.in;
    }
    EXPECT_EQ(CleanFolderName(std::string(300, 'x').c_str()).size(), 260u);
    EXPECT_EQ(CleanFavoritesFileName("abcdef. ghi", 7), "abcdef");  // cut, then no trailing dot
}

TEST(ExchangeText, ReadsInternetShortcutsAsTheShellDoes) {
    struct Case {
        const char* content;
        const char* url;
    } cases[] = {
        {"[InternetShortcut]\r\nURL=http://a.example/\r\n", "http://a.example/"},
        {"[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nIconIndex=0\r\nURL=http://b/\r\n", "http://b/"},
        {"[InternetShortcut]\nIconFile=x\nurl = http://c/ \n[Other]\nURL=http://wrong/\n", "http://c/"},
        {"[Other]\r\nURL=http://wrong/\r\n[ internetshortcut ]\r\nURL=\"http://d/\"\r\n", "http://d/"},
        {"[InternetShortcut]\r\nURLX=http://e/\r\nIconFile=f\r\n", ""},
        {"[InternetShortcut]\r\n", ""},
        {"URL=http://outside/\r\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        TMemoryStream stream(c.content, std::strlen(c.content));
        EXPECT_EQ(ReadInternetShortcutUrl(&stream), c.url) << c.content;
    }
}

std::vector<std::string> Lines(const std::string& text) {
    TMemoryStream stream(text.data(), text.size());
    TTextLineReader reader(&stream);
    std::vector<std::string> out;
    std::string line;
    while (reader.ReadLine(&line)) out.push_back(line);
    return out;
}

TEST(ExchangeText, ReadsLinesWholeWithEveryLineEnd) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines(std::string("a\0b", 3)), (V{"a", "b"}));
    EXPECT_EQ(Lines("\n\r"), (V{"", ""}));
    EXPECT_EQ(Lines(""), V{});
    // A line far longer than any buffer, and a CR LF split across the reader's 64 KB blocks.
    const std::string longLine(200000, 'x');
    EXPECT_EQ(Lines(longLine + "\r\nnext"), (V{longLine, "next"}));
    const std::string first(65535, 'y');
    EXPECT_EQ(Lines(first + "\r\nz"), (V{first, "z"}));
    EXPECT_EQ(Lines(first + "\r"), (V{first}));
}

}  // namespace
