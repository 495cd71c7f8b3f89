// File database export: fields, units, limits, headings and selection in both formats.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "export/filedb_export.h"
#include "util/strings.h"
#include "util/text.h"

namespace {

std::string T(uint32_t id) { return TvString(id); }

// Downloads root: one file. Tools (no files of its own) holds Zip with two; Empty has none.
struct Downloads {
    TCategoryListObject categories;
    TFileListObject downloads;
    int32_t tools = 0, zip = 0;
    ListNode *rootFile = nullptr, *zip1 = nullptr, *zip2 = nullptr;

    Downloads() {
        categories.EnsureDefaultCategories(0);
        int created = 0;
        tools = TCategoryListObject::Item(categories.AddCategory("Tools", TV_KIND_DOWNLOADS, 0, &created))->id;
        zip = TCategoryListObject::Item(categories.AddCategory("Zip", TV_KIND_DOWNLOADS, tools, &created))->id;
        categories.AddCategory("Empty", TV_KIND_DOWNLOADS, 0, &created);
        rootFile = Add(0, "root.txt", 5000, "root note", "www.root.example", 1, 0, "");
        zip1 = Add(zip, "a.zip", 1536, "", "http://a.example/", 2, 3, "C:\\Unpacked\\a");
        zip2 = Add(zip, "b.zip", 0, "", "", 0, 0, "");
    }
    ListNode* Add(int32_t category, const char* name, uint64_t size, const char* description, const char* website,
                  uint32_t downloadDay, uint32_t unpackDay, const char* extractedTo) {
        FileItem f{};
        f.fileName = const_cast<char*>(name);
        f.storedName = const_cast<char*>(name);
        f.description = const_cast<char*>(description);
        f.extractedTo = const_cast<char*>(extractedTo);
        f.website = const_cast<char*>(website);
        f.sizeLow = uint32_t(size);
        f.sizeHigh = uint32_t(size >> 32);
        f.flags = 1;
        // Days after 2001-01-01 00:00 UTC, at 13:45.
        const uint64_t base = 126227808000000000ull + (13 * 3600 + 45 * 60) * 10000000ull;
        if (downloadDay) f.downloadDate.Set(base + downloadDay * 864000000000ull);
        if (unpackDay) f.unpackDate.Set(base + unpackDay * 864000000000ull);
        f.categoryId = category;
        f.category = categories.FindCategoryById(category, TV_KIND_DOWNLOADS);
        return downloads.Add(&f, 0);
    }
};

FileDatabaseExportSettings Settings(std::initializer_list<int> fields) {
    FileDatabaseExportSettings s;
    s.expandUrls = 0;
    for (int& f : s.fields) f = 0;
    for (int f : fields) s.fields[f] = 1;
    return s;
}

std::string Export(const Downloads& d, const FileDatabaseExportSettings& s, int format,
                   const std::unordered_set<const ListNode*>* selected = nullptr) {
    TFileDatabaseExportJob job;
    job.settings = &s;
    job.downloads = &d.downloads;
    job.categories = &d.categories;
    job.selection.selected = selected;
    TMemoryStream out;
    EXPECT_TRUE(WriteFileDatabaseExport(&out, job, format));
    return std::string(out.Data().begin(), out.Data().end());
}

TEST(FileDatabaseExport, DelimitedRecordsHoldTheChosenFieldsInOrder) {
    Downloads d;
    struct Case {
        const char* name;
        FileDatabaseExportSettings settings;
        std::string expected;
    } cases[] = {
        {"file name only: one name per line with its delimiter", Settings({TV_DBFIELD_FILE_NAME}),
         "root.txt,\r\na.zip,\r\nb.zip,\r\n"},
        {"every field, extracted-to last without a delimiter",
         Settings({0, 1, 2, 3, 4, 5, 6, 7}),
         "root.txt,Downloads,root note,4,2001-01-02 13:45,www.root.example,,\r\n"
         "a.zip,Zip,,1,2001-01-03 13:45,http://a.example/,2001-01-04 13:45,C:\\Unpacked\\a\r\n"
         "b.zip,Zip,,0,,,,\r\n"},
        {"without extracted-to the record ends with a delimiter",
         Settings({TV_DBFIELD_CATEGORY, TV_DBFIELD_UNPACK_DATE}),
         "Downloads,,\r\nZip,2001-01-04 13:45,\r\nZip,,\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Export(d, c.settings, TV_DBEXPORT_COMMA), c.expected) << c.name;
}

TEST(FileDatabaseExport, SizesFollowTheUnit) {
    Downloads d;
    d.Add(0, "huge.iso", 5000000000ull, "", "", 0, 0, "");  // beyond 32 bits
    struct Case {
        uint8_t unit;
        const char* comma;
        const char* html;
    } cases[] = {
        {TV_DBSIZE_KB, "4,4882812,1,0,", "4 k"},
        {TV_DBSIZE_MB, "0,4768,0,0,", "1 meg"},  // 5,000 bytes: 0 in the text, at least 1 on the page
        {TV_DBSIZE_BYTES, "5000,5000000000,1536,0,", "5,000 Bytes"},
    };
    for (const Case& c : cases) {
        FileDatabaseExportSettings s = Settings({TV_DBFIELD_SIZE});
        s.sizeUnit = c.unit;
        std::string comma = Export(d, s, TV_DBEXPORT_COMMA);
        std::string joined;
        for (char ch : comma)
            if (ch != '\r' && ch != '\n') joined.push_back(ch);
        EXPECT_EQ(joined, c.comma) << int(c.unit);
        const std::string html = Export(d, s, TV_DBEXPORT_HTML);
        EXPECT_NE(html.find(T(4306) + c.html + T(4307)), std::string::npos) << int(c.unit);
    }
    FileDatabaseExportSettings s = Settings({TV_DBFIELD_SIZE});
    s.sizeUnit = TV_DBSIZE_BYTES;
    EXPECT_NE(Export(d, s, TV_DBEXPORT_HTML).find("5,000,000,000 Bytes"), std::string::npos);
}

TEST(FileDatabaseExport, DescriptionsAreCutToTheLimit) {
    Downloads d;
    const std::string text(200, 'd');
    d.Add(0, "long.txt", 1, text.c_str(), "", 0, 0, "");
    struct Case {
        int32_t limitOn, limit;
        size_t kept;
    } cases[] = {{1, 150, 150}, {0, 150, 200}, {1, 500, 200}, {1, 0, 0}, {1, -5, 0}};
    for (const Case& c : cases) {
        FileDatabaseExportSettings s = Settings({TV_DBFIELD_DESCRIPTION});
        s.limitDescription = c.limitOn;
        s.descriptionLimit = c.limit;
        const std::string comma = Export(d, s, TV_DBEXPORT_COMMA);
        EXPECT_NE(comma.find(",\r\n" + std::string(c.kept, 'd') + ",\r\n"), std::string::npos) << c.limit;
        const std::string html = Export(d, s, TV_DBEXPORT_HTML);
        EXPECT_NE(html.find(T(4312) + std::string(c.kept, 'd') + T(4313)), std::string::npos) << c.limit;
    }
}

TEST(FileDatabaseExport, HtmlPageWithHeadingsWhereFilesAre) {
    Downloads d;
    FileDatabaseExportSettings s = Settings({0, 1, 2, 3, 4, 5, 6, 7});
    const std::string expected =
        T(4300) +
        // The root: no heading.
        T(4303) + "<A HREF=\"www.root.example\">root.txt</A>" + T(4304) + T(4305) + T(4306) + "4 k" + T(4307) + T(4308) +
        "2001-01-02   13:45" + T(4309) + T(4310) + T(4311) + T(4312) + "root note" + T(4313) +
        // Tools has no files: no heading, Zip's block at its level.
        T(4316) + T(4301) + "Zip" + T(4302) + T(4303) + "<A HREF=\"http://a.example/\">a.zip</A>" + T(4304) + T(4305) +
        T(4306) + "1 k" + T(4307) + T(4308) + "2001-01-03   13:45" + T(4309) + T(4310) + "2001-01-04   13:45 -- C:\\Unpacked\\a" +
        T(4311) + T(4312) + T(4313) + T(4314) + T(4303) + "b.zip" + T(4304) + T(4305) + T(4306) + "0 k" + T(4307) +
        T(4308) + T(4309) + T(4310) + T(4311) + T(4312) + T(4313) + T(4315) + T(4317);
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_HTML), expected);
}

TEST(FileDatabaseExport, WithoutCategoryNamesOnlyBreaksSeparateCategories) {
    Downloads d;
    FileDatabaseExportSettings s = Settings({TV_DBFIELD_FILE_NAME});
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_HTML),
              T(4300) + T(4303) + "root.txt" + T(4304) + T(4305) + T(4313) + T(4316) + T(4303) + "a.zip" + T(4304) +
                  T(4305) + T(4313) + T(4314) + T(4303) + "b.zip" + T(4304) + T(4305) + T(4313) + T(4317));
}

TEST(FileDatabaseExport, SelectionAndEscaping) {
    Downloads d;
    ListNode* hostile = d.Add(d.zip, "<img src=x onerror=alert(1)>.zip", 1, "\"quoted\" & <b>bold</b>\r\nnext",
                              "http://h/?a=1&b=\"2\"", 0, 0, "C:\\<dir>");
    FileDatabaseExportSettings s = Settings({0, 1, 2, 5, 7});
    s.onlySelected = 1;
    const std::unordered_set<const ListNode*> selected{hostile};
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_HTML, &selected),
              T(4300) + T(4301) + "Zip" + T(4302) + T(4303) + "<A HREF=\"http://h/?a=1&amp;b=&quot;2&quot;\">" +
                  "&lt;img src=x onerror=alert(1)&gt;.zip</A>" + T(4304) + T(4305) + T(4310) + "C:\\&lt;dir&gt;" + T(4311) +
                  T(4312) + "&quot;quoted&quot; &amp; &lt;b&gt;bold&lt;/b&gt;<BR>\r\nnext" + T(4313) + T(4315) + T(4317));
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_COMMA, &selected),
              "<img src=x onerror=alert(1)>.zip,Zip,\"\"\"quoted\"\" & <b>bold</b>\r\nnext\",\"http://h/?a=1&b=\"\"2\"\"\",C:\\<dir>\r\n");
    const std::unordered_set<const ListNode*> none;
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_HTML, &none), T(4300) + T(4317));
}

TEST(FileDatabaseExport, UrlsAreCompletedWhenAsked) {
    Downloads d;
    FileDatabaseExportSettings s = Settings({TV_DBFIELD_WEBSITE});
    s.expandUrls = 1;
    EXPECT_EQ(Export(d, s, TV_DBEXPORT_COMMA), "http://www.root.example,\r\nhttp://a.example/,\r\n,\r\n");
}

TEST(FileDatabaseExport, IsoDates) {
    struct Case {
        uint64_t value;
        const char* date;
        const char* clock;
    } cases[] = {
        {116444736000000000ull, "1970-01-01", "00:00"},
        {126227808000000000ull + 36000000000ull, "2001-01-01", "01:00"},
        {132223104000000000ull + 864000000000ull * 59 + 10000000ull * 86399, "2020-02-29", "23:59"},
    };
    for (const Case& c : cases) {
        TvFileTime t;
        t.Set(c.value);
        std::string date, clock;
        FormatFileTimeIso(t, &date, &clock);
        EXPECT_EQ(date, c.date);
        EXPECT_EQ(clock, c.clock);
    }
}

}  // namespace
