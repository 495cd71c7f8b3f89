#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "core_fixtures.h"
#include "util/stream.h"

namespace {

using Strings = std::vector<std::string>;

template <typename List>
std::vector<uint8_t> Written(const List& list) {
    TMemoryStream out;
    EXPECT_EQ(list.Write(&out), 1);
    return out.Data();
}

template <typename List>
int ReadBytes(List* list, const std::vector<uint8_t>& bytes, size_t length) {
    TMemoryViewStream in(bytes.data(), length);
    return list->Read(&in);
}

// --- golden bytes of every section, built field by field from the file layouts

Bytes CategoryGolden() {
    return Bytes()
        .U32(2)
        .U8(1).U8(1).I32(0).I32(0).Text("Downloads")
        .U8(1).U8(0).I32(4).I32(0).Text("Tools");
}

Bytes DownloadGolden() {
    return Bytes()
        .U32(1)
        .I32(4).Text("a.zip").Text("a (2).zip").Text("line1\r\nline2").Text("C:\\x\\").Text("http://h/")
        .U32(1234).U32(1).U32(5)
        .U32(0x89ABCDEF).U32(0x01234567)  // download date, low half first
        .U32(0).U32(0);
}

Bytes BookmarkGolden() {
    return Bytes().U32(2).I32(0).Text("http://a/").Text("A").Text("").I32(3).Text("u").Text("t").Text("d");
}

Bytes ShortcutGolden() { return Bytes().U32(1).I32(2).Text("Editor.lnk"); }

Bytes StringGolden() { return Bytes().U32(2).Text("first").U32(7).Text("second").U32(0); }

TEST(Sections, WriteProducesTheDocumentedBytes) {
    TCategoryListObject categories;
    CategoryItem c1 = Category(1, 0, 0, "Downloads", 1), c2 = Category(1, 4, 0, "Tools", 0);
    categories.Add(&c1, 0);
    categories.Add(&c2, 0);
    EXPECT_EQ(Written(categories), CategoryGolden().Data());

    TFileListObject files;
    FileItem f = Download("a.zip", 4, "a (2).zip", 5);
    f.description = const_cast<char*>("line1\r\nline2");
    f.extractedTo = const_cast<char*>("C:\\x\\");
    f.website = const_cast<char*>("http://h/");
    f.sizeLow = 1234;
    f.sizeHigh = 1;
    f.downloadDate.Set(0x0123456789ABCDEFull);
    files.Add(&f, 0);
    EXPECT_EQ(Written(files), DownloadGolden().Data());

    TBookmarkListObject bookmarks;
    BookmarkItem b1 = Bookmark("http://a/", "A", 0), b2 = Bookmark("u", "t", 3, "d");
    bookmarks.Add(&b1, 0);
    bookmarks.Add(&b2, 0);
    EXPECT_EQ(Written(bookmarks), BookmarkGolden().Data());

    TShortcutListObject shortcuts;
    ShortcutItem s = Shortcut("Editor.lnk", 2);
    s.flags = 1;  // runtime state, not stored
    shortcuts.Add(&s, 0);
    EXPECT_EQ(Written(shortcuts), ShortcutGolden().Data());

    TDynamicStringListObject strings;
    strings.AddString("first", 0, 7);
    strings.AddString("second", 0, 0);
    EXPECT_EQ(Written(strings), StringGolden().Data());

    TExtProcListObject procs;
    char cmd[] = "scan %s";
    ExtProcItem p{cmd};
    procs.Add(&p, 0);
    EXPECT_EQ(Written(procs), Bytes().U32(1).Text("scan %s").Data());

    TTempFileListObject temp;
    char path[] = "C:\\t\\";
    TempFileEntry e{path, 1};
    temp.Add(&e, 0);
    EXPECT_EQ(Written(temp), Bytes().U32(1).Text("C:\\t\\").U32(1).Data());

    TFileListObject empty;
    EXPECT_EQ(Written(empty), Bytes().U32(0).Data());
}

TEST(Sections, ReadGoldenBytesGivesTheRecords) {
    TFileListObject files;
    ASSERT_EQ(ReadBytes(&files, DownloadGolden().Data(), DownloadGolden().Size()), 1);
    ASSERT_EQ(files.Count(1), 1u);
    const FileItem* f = TFileListObject::Item(files.First());
    EXPECT_EQ(f->categoryId, 4);
    EXPECT_STREQ(f->storedName, "a (2).zip");
    EXPECT_STREQ(f->description, "line1\r\nline2");
    EXPECT_EQ(f->sizeLow, 1234u);
    EXPECT_EQ(f->sizeHigh, 1u);
    EXPECT_EQ(f->flags, 5u);
    EXPECT_EQ(f->downloadDate.Value(), 0x0123456789ABCDEFull);
    EXPECT_TRUE(f->unpackDate.IsZero());
    EXPECT_EQ(f->category, nullptr);

    TCategoryListObject categories;
    ASSERT_EQ(ReadBytes(&categories, CategoryGolden().Data(), CategoryGolden().Size()), 1);
    EXPECT_EQ(Describe(categories), (Strings{"1:0:0:Downloads", "1:4:0:Tools"}));
    EXPECT_EQ(TCategoryListObject::Item(categories.First()->next)->flags, 0);

    TDynamicStringListObject strings;
    ASSERT_EQ(ReadBytes(&strings, StringGolden().Data(), StringGolden().Size()), 1);
    EXPECT_EQ(Texts(strings), (Strings{"first", "second"}));
    EXPECT_EQ(TDynamicStringListObject::Item(strings.First())->value, 7u);
}

template <typename List>
void ExpectRoundTrip(const Bytes& golden) {
    List first;
    ASSERT_EQ(ReadBytes(&first, golden.Data(), golden.Size()), 1);
    const std::vector<uint8_t> written = Written(first);
    EXPECT_EQ(written, golden.Data());
    List second;
    ASSERT_EQ(ReadBytes(&second, written, written.size()), 1);
    EXPECT_EQ(Written(second), written);
}

TEST(Sections, ReadWriteReadRoundTrips) {
    ExpectRoundTrip<TCategoryListObject>(CategoryGolden());
    ExpectRoundTrip<TFileListObject>(DownloadGolden());
    ExpectRoundTrip<TBookmarkListObject>(BookmarkGolden());
    ExpectRoundTrip<TShortcutListObject>(ShortcutGolden());
    ExpectRoundTrip<TDynamicStringListObject>(StringGolden());
    ExpectRoundTrip<TExtProcListObject>(Bytes().U32(2).Text("a").Text(""));
    ExpectRoundTrip<TTempFileListObject>(Bytes().U32(2).Text("C:\\a").U32(0).Text("C:\\b\\").U32(1));
}

TEST(Sections, SectionsFollowEachOtherAligned) {
    Bytes all;
    all.Append(CategoryGolden()).Append(DownloadGolden()).Append(BookmarkGolden()).Append(ShortcutGolden());
    TMemoryViewStream in(all.Data().data(), all.Size());
    TCategoryListObject categories;
    TFileListObject files;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    EXPECT_EQ(categories.Read(&in), 1);
    EXPECT_EQ(files.Read(&in), 1);
    EXPECT_EQ(bookmarks.Read(&in), 1);
    EXPECT_EQ(shortcuts.Read(&in), 1);
    EXPECT_EQ(in.Position(), int64_t(all.Size()));
    EXPECT_EQ(categories.Count(1) + files.Count(1) + bookmarks.Count(1) + shortcuts.Count(1), 6u);
}

// Ends of the records of a section built from a count and records (offsets in bytes).
template <typename List>
void ExpectTruncationAtEveryLength(const Bytes& golden, const std::vector<size_t>& recordEnds) {
    const auto& bytes = golden.Data();
    for (size_t length = 0; length <= bytes.size(); ++length) {
        List list;
        const int complete = ReadBytes(&list, bytes, length);
        uint32_t expected = 0;
        for (size_t end : recordEnds)
            if (end <= length) ++expected;
        SCOPED_TRACE("length " + std::to_string(length));
        EXPECT_EQ(list.Count(0), expected);
        EXPECT_EQ(complete, length == bytes.size() ? 1 : 0);
    }
}

TEST(Sections, TruncatedSectionsKeepOnlyCompleteRecords) {
    ExpectTruncationAtEveryLength<TCategoryListObject>(CategoryGolden(), {4 + 10 + 13, 4 + 10 + 13 + 10 + 9});
    const size_t fileRecord = 4 + (4 + 5) + (4 + 9) + (4 + 12) + (4 + 5) + (4 + 9) + 12 + 16;
    ExpectTruncationAtEveryLength<TFileListObject>(DownloadGolden(), {4 + fileRecord});
    ExpectTruncationAtEveryLength<TBookmarkListObject>(BookmarkGolden(), {30, 49});
    ExpectTruncationAtEveryLength<TShortcutListObject>(ShortcutGolden(), {4 + 4 + 14});
    ExpectTruncationAtEveryLength<TDynamicStringListObject>(StringGolden(), {4 + 13, 4 + 13 + 14});
}

TEST(Sections, CountsThatTheBytesCannotHold) {
    struct Case {
        const char* name;
        Bytes bytes;
        uint32_t records;
        int complete;
    } cases[] = {
        {"huge count, two records", Bytes().U32(0x7FFFFFFF).I32(1).Text("a").I32(2).Text("b"), 2, 0},
        {"count 0xFFFFFFFF reads as negative", Bytes().U32(0xFFFFFFFF).I32(1).Text("a"), 0, 1},
        {"zero count", Bytes().U32(0).I32(1).Text("a"), 0, 1},
        {"no count at all", Bytes(), 0, 0},
        {"half a count", Bytes().U8(1).U8(0), 0, 0},
        {"text length beyond the end", Bytes().U32(1).I32(1).I32(1000000).Text("x"), 0, 0},
    };
    for (auto& c : cases) {
        TShortcutListObject list;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadBytes(&list, c.bytes.Data(), c.bytes.Size()), c.complete);
        EXPECT_EQ(list.Count(0), c.records);
    }
}

TEST(Sections, NegativeTextLengthGivesAnEmptyTextNotThePreviousRecords) {
    Bytes bytes = Bytes().U32(2).I32(1).Text("http://a/").Text("A").Text("d1").I32(1).I32(-1).Text("B").I32(-5);
    TBookmarkListObject list;
    ASSERT_EQ(ReadBytes(&list, bytes.Data(), bytes.Size()), 1);
    ASSERT_EQ(list.Count(1), 2u);
    const BookmarkItem* second = TBookmarkListObject::Item(list.First()->next);
    EXPECT_STREQ(second->url, "");
    EXPECT_STREQ(second->title, "B");
    EXPECT_STREQ(second->description, "");
}

// Records are handed to the list whole; the next record must start from nothing of the previous one
// (texts stored with a negative length are empty, values are the record's own, no text is shared).
TEST(Sections, RecordsAfterATakenRecordStartEmpty) {
    Bytes files = Bytes().U32(3);
    files.I32(4).Text("a.zip").Text("a1.zip").Text("da").Text("C:\\x\\").Text("http://a/");
    files.U32(10).U32(1).U32(5).U32(1).U32(2).U32(3).U32(4);
    files.I32(6).I32(-1).I32(-1).I32(-1).I32(-1).I32(-1).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    files.I32(7).Text("c.zip").I32(-3).Text("dc").I32(-1).Text("http://c/");
    files.U32(30).U32(0).U32(2).U32(0).U32(0).U32(9).U32(9);
    TFileListObject list;
    ASSERT_EQ(ReadBytes(&list, files.Data(), files.Size()), 1);
    ASSERT_EQ(list.Count(1), 3u);
    const FileItem* a = TFileListObject::Item(list.First());
    const FileItem* b = TFileListObject::Item(list.First()->next);
    const FileItem* c = TFileListObject::Item(list.First()->next->next);
    EXPECT_STREQ(a->fileName, "a.zip");
    EXPECT_STREQ(a->website, "http://a/");
    EXPECT_EQ(b->categoryId, 6);
    for (const char* text : {b->fileName, b->storedName, b->description, b->extractedTo, b->website})
        EXPECT_STREQ(text, "");
    EXPECT_EQ(b->sizeLow, 0u);
    EXPECT_EQ(b->flags, 0u);
    EXPECT_EQ(b->downloadDate.low, 0u);
    EXPECT_STREQ(c->fileName, "c.zip");
    EXPECT_STREQ(c->storedName, "");
    EXPECT_STREQ(c->description, "dc");
    EXPECT_STREQ(c->extractedTo, "");
    EXPECT_EQ(c->sizeLow, 30u);
    EXPECT_EQ(c->unpackDate.high, 9u);
    EXPECT_NE(b->fileName, c->storedName);

    Bytes shortcuts = Bytes().U32(2).I32(1).Text("One.lnk").I32(2).I32(-1);
    TShortcutListObject links;
    ASSERT_EQ(ReadBytes(&links, shortcuts.Data(), shortcuts.Size()), 1);
    ASSERT_EQ(links.Count(1), 2u);
    EXPECT_STREQ(TShortcutListObject::Item(links.First())->title, "One.lnk");
    EXPECT_STREQ(TShortcutListObject::Item(links.First()->next)->title, "");
    EXPECT_EQ(TShortcutListObject::Item(links.First()->next)->categoryId, 2);
}

TEST(Sections, CategoriesDropDuplicatesOfKindAndId) {
    Bytes bytes = Bytes()
                      .U32(4)
                      .U8(1).U8(1).I32(4).I32(0).Text("First")
                      .U8(1).U8(1).I32(4).I32(0).Text("Second")
                      .U8(2).U8(1).I32(4).I32(0).Text("Other kind")
                      .U8(1).U8(1).I32(7).I32(0).Text("Already there");
    TCategoryListObject list;
    CategoryItem existing = Category(1, 7, 0, "Existing");
    list.Add(&existing, 0);
    ASSERT_EQ(ReadBytes(&list, bytes.Data(), bytes.Size()), 1);
    EXPECT_EQ(Describe(list), (Strings{"1:7:0:Existing", "1:4:0:First", "2:4:0:Other kind"}));
}

TEST(Sections, WriteLeavesOutRecordsWithoutTheirTextsSoTheCountMatches) {
    TDynamicStringListObject list;
    list.AddString("a", 0, 1);
    list.AddString("b", 0, 2);
    StringItem* first = TDynamicStringListObject::Item(list.First());
    std::free(first->text);
    first->text = nullptr;
    EXPECT_EQ(Written(list), Bytes().U32(1).Text("b").U32(2).Data());
}

}  // namespace
