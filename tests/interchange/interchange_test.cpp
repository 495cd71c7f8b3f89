// Interchange files in the platform-free core: the header and blocks against the documented
// layout, the lists built for a file, round trips between two programs' data, damaged and hostile
// files, and what a second import of the same file does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "interchange/format.h"
#include "interchange/names.h"
#include "interchange/traversal.h"
#include "interchange_fixture.h"
#include "tests/core/core_fixtures.h"

namespace {

std::vector<uint8_t> ToBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<std::string> DownloadNames(const TFileListObject& list) {
    std::vector<std::string> out;
    for (const ListNode* n = list.First(); n; n = n->next) {
        const FileItem* f = TFileListObject::Item(n);
        out.push_back(std::to_string(f->categoryId) + ":" + f->fileName + ":" + f->storedName);
    }
    return out;
}

std::vector<std::string> BookmarkNames(const TBookmarkListObject& list) {
    std::vector<std::string> out;
    for (const ListNode* n = list.First(); n; n = n->next) {
        const BookmarkItem* b = TBookmarkListObject::Item(n);
        out.push_back(std::to_string(b->categoryId) + ":" + b->title + ":" + b->url);
    }
    return out;
}

// ------------------------------------------------------------------------------------ header

TEST(InterchangeHeader, VersionsKindsAndFlags) {
    struct Case {
        std::string magic;
        std::vector<uint8_t> rest;  // kind and flags as stored
        int32_t version;
        uint8_t kind;
        int32_t downloads, bookmarks;
    };
    const std::vector<uint8_t> excerpt = Bytes().U8(0).I32(1).I32(1).Data();
    const std::vector<uint8_t> backup = Bytes().U8(1).I32(0).I32(0).Data();
    const Case cases[] = {
        {"TV240000INTERCHANGEFILE", excerpt, 240000, 0, 1, 1},
        {"tv240000interchangefile", backup, 240000, 1, 0, 0},   // case ignored
        {"TV250001INTERCHANGEFILE", excerpt, 250001, 0, 1, 1},  // newer versions read
        {"TV239999INTERCHANGEFILE", excerpt, 239999, 255, 0, 0},  // older: unusable
        {"TV240000INTERCHANGEFILX", excerpt, 0, 255, 0, 0},
        {"TV24x000INTERCHANGEFILE", excerpt, 24, 255, 0, 0},    // digits up to the first non-digit
        {"TV240000INTERCHANGEFILE", Bytes().U8(2).I32(0).I32(0).Data(), 240000, 255, 0, 0},  // unknown kind
        {"TV240000INTERCHANGEFILE", Bytes().U8(0).I32(2).I32(0).Data(), 240000, 255, 0, 0},  // flag not 0/1
        {"TV240000INTERCHANGEFILE", Bytes().U8(0).I32(1).Data(), 240000, 255, 0, 0},         // cut in the flags
        {"TV240000INTERCHANGE", {}, 0, 255, 0, 0},                                           // cut in the magic
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.magic.begin(), c.magic.end());
        bytes.insert(bytes.end(), c.rest.begin(), c.rest.end());
        TMemoryViewStream in(bytes.data(), bytes.size());
        InterchangeFileSettings s;
        s.kind = 7;
        s.downloadCategoryId = 12;
        EXPECT_EQ(ReadInterchangeHeader(&in, &s), c.version) << c.magic;
        EXPECT_EQ(s.kind, c.kind) << c.magic;
        EXPECT_EQ(s.downloadsIncluded, c.downloads) << c.magic;
        EXPECT_EQ(s.bookmarksIncluded, c.bookmarks) << c.magic;
        EXPECT_EQ(s.downloadCategoryId, 12) << "the runtime ids are not the header's business";
    }
}

TEST(InterchangeHeader, WrittenAsDocumented) {
    InterchangeFileSettings s;
    s.kind = 0;
    s.downloadsIncluded = 1;
    s.bookmarksIncluded = 0;
    TMemoryStream out;
    ASSERT_TRUE(WriteInterchangeHeader(&out, s));
    Bytes expected;
    for (const char* p = "TV240000INTERCHANGEFILE"; *p; ++p) expected.U8(uint8_t(*p));
    expected.U8(0).I32(1).I32(0);
    EXPECT_EQ(out.Data(), expected.Data());
    EXPECT_EQ(out.Data().size(), TV_INTERCHANGE_HEADER_SIZE);
}

// ------------------------------------------------------------------------------------ blocks

// A source that reports one size and holds another, as a file that changed after its size was
// taken.
TEST(InterchangeBlocks, KeepTheirPromisedLengthWhateverTheSourceHolds) {
    struct Case {
        size_t promised;
        size_t actual;
        bool changed;
    };
    const size_t chunk = TV_INTERCHANGE_CHUNK;
    const Case cases[] = {{0, 0, false},
                          {1, 1, false},
                          {chunk - 1, chunk - 1, false},
                          {chunk, chunk, false},
                          {chunk + 1, chunk + 1, false},
                          {2 * chunk + 5000, 2 * chunk + 5000, false},
                          {2 * chunk + 5000, chunk + 300, true},  // shrank: padded
                          {chunk + 300, 2 * chunk + 5000, true},  // grew: cut
                          {0, 5, true},
                          {5, 0, true}};
    for (const Case& c : cases) {
        std::string contents(c.actual, '\0');
        for (size_t i = 0; i < contents.size(); ++i) contents[i] = char('a' + i % 26);
        TMemoryStream source(contents.data(), contents.size());
        TMemoryStream out;
        int pumps = 0;
        TPumpHook pump{[](void* n) { ++*static_cast<int*>(n); }, &pumps};
        TBlockWriteResult result;
        ASSERT_TRUE(WriteStoredFileBlock(&out, &source, int64_t(c.promised), pump, &result));
        EXPECT_EQ(result.changed, c.changed) << c.promised << "/" << c.actual;
        ASSERT_EQ(out.Data().size(), 4 + c.promised);
        std::string expected = contents.substr(0, c.promised);
        expected.resize(c.promised, '\0');  // a shrunken file is padded with zeros
        EXPECT_EQ(std::string(out.Data().begin() + 4, out.Data().end()), expected);
        EXPECT_EQ(pumps, int((c.promised + TV_INTERCHANGE_CHUNK - 1) / TV_INTERCHANGE_CHUNK));
    }
}

// The copy buffer's place in memory: both moves (file to buffer, buffer to file) stay out of the
// window just behind their source, and the buffer sits at the target's place in its page
// whenever that is possible.
TEST(InterchangeBlocks, CopyBufferPlaceAvoidsMovesJustBehindTheirSource) {
    const size_t page = TV_INTERCHANGE_PAGE, near = TV_INTERCHANGE_NEAR;
    const int64_t positions[] = {0, 1, 4, 31, 32, 63, 64, 65, 3197, 4032, 4095, 4096, 4100, 7341, 131072 + 60, -1};
    for (const int64_t from : positions) {
        for (const int64_t to : positions) {
            SCOPED_TRACE(testing::Message() << "from " << from << " to " << to);
            const size_t at = InterchangeBufferOffset(from, to);
            ASSERT_LT(at, page);
            const size_t f = size_t(from < 0 ? 0 : from) % page, t = size_t(to < 0 ? 0 : to) % page;
            const size_t readMove = (at + page - f) % page;    // destination less source
            const size_t writeMove = (t + page - at) % page;
            EXPECT_TRUE(readMove == 0 || readMove >= near) << readMove;
            EXPECT_TRUE(writeMove == 0 || writeMove >= near) << writeMove;
            const size_t apart = (t + page - f) % page;
            if (apart == 0 || apart >= near) {
                EXPECT_EQ(at, t);
            }
        }
    }
}

// Blocks written after and read from any place in a page come through byte for byte, whatever
// place their buffer took.
TEST(InterchangeBlocks, CopiesAreExactFromAnyPlaceInAPage) {
    const size_t chunk = TV_INTERCHANGE_CHUNK;
    std::string contents(2 * chunk + 777, '\0');
    for (size_t i = 0; i < contents.size(); ++i) contents[i] = char(i * 131 % 251);
    for (const size_t before : {size_t(0), size_t(3), size_t(20), size_t(60), size_t(4093), size_t(5000)}) {
        for (const size_t skip : {size_t(0), size_t(17), size_t(4000)}) {
            SCOPED_TRACE(testing::Message() << "before " << before << " skip " << skip);
            TMemoryStream source(contents.data(), contents.size());
            ASSERT_TRUE(source.Seek(int64_t(skip), TByteStream::SeekBegin));
            const int64_t length = int64_t(contents.size() - skip);
            TMemoryStream out;
            ASSERT_TRUE(out.Write(std::string(before, 'h').data(), before));
            TBlockWriteResult result;
            ASSERT_TRUE(WriteStoredFileBlock(&out, &source, length, TPumpHook(), &result));
            EXPECT_FALSE(result.changed);
            TMemoryViewStream in(out.Data().data(), out.Data().size());
            ASSERT_TRUE(in.Seek(int64_t(before), TByteStream::SeekBegin));
            int64_t got = 0;
            ASSERT_EQ(BeginStoredFileBlock(&in, &got), TV_BLOCK_OK);
            ASSERT_EQ(got, length);
            TMemoryStream sink;
            ASSERT_TRUE(sink.Write("s", 1));  // the received file does not start at 0 either
            ASSERT_EQ(CopyStoredFileBlock(&in, got, &sink, TPumpHook()), TV_BLOCK_OK);
            EXPECT_TRUE(std::string(sink.Data().begin() + 1, sink.Data().end()) == contents.substr(skip));
        }
    }
}

TEST(InterchangeBlocks, LengthsABlockCannotHoldAreRefused) {
    TMemoryStream out, source;
    EXPECT_FALSE(WriteStoredFileBlock(&out, &source, TV_INTERCHANGE_MAX_BLOCK + 1, TPumpHook(), nullptr));
    EXPECT_FALSE(WriteStoredFileBlock(&out, &source, -1, TPumpHook(), nullptr));
    EXPECT_FALSE(WriteStoredFileBlock(&out, nullptr, 3, TPumpHook(), nullptr));
    EXPECT_TRUE(out.Data().empty());
    EXPECT_TRUE(WriteStoredFileBlock(&out, nullptr, 0, TPumpHook(), nullptr));
    EXPECT_EQ(out.Data(), Bytes().I32(0).Data());
}

// A sink that takes only so many bytes.
class LimitedSink : public TMemoryStream {
public:
    explicit LimitedSink(size_t limit) : limit_(limit) {}
    bool Write(const void* data, size_t size) override {
        if (Data().size() + size > limit_) return false;
        return TMemoryStream::Write(data, size);
    }

private:
    size_t limit_;
};

TEST(InterchangeBlocks, ReadingNeverTrustsTheLength) {
    const std::vector<uint8_t> second = Bytes().I32(2).U8('x').U8('y').Data();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        TBlockStatus begin;
        int64_t length;
    };
    const Case cases[] = {
        {"whole", Bytes().I32(3).U8('a').U8('b').U8('c').Data(), TV_BLOCK_OK, 3},
        {"empty", Bytes().I32(0).Data(), TV_BLOCK_OK, 0},
        {"no length", {}, TV_BLOCK_END, 0},
        {"half a length", {1, 0}, TV_BLOCK_END, 0},
        {"more promised than there", Bytes().I32(4).U8('a').Data(), TV_BLOCK_CUT, 0},
        {"huge length", Bytes().I32(0x7FFFFFFF).U8('a').Data(), TV_BLOCK_CUT, 0},
        {"negative length", Bytes().I32(-5).U8('a').Data(), TV_BLOCK_BAD_LENGTH, 0},
    };
    for (const Case& c : cases) {
        TMemoryViewStream in(c.bytes.data(), c.bytes.size());
        int64_t length = -1;
        EXPECT_EQ(BeginStoredFileBlock(&in, &length), c.begin) << c.what;
        EXPECT_EQ(length, c.length) << c.what;
    }

    // A sink that fails half way: the rest of the block is still skipped, so the next is found.
    const int32_t big = int32_t(2 * TV_INTERCHANGE_CHUNK + 5000);
    std::vector<uint8_t> two = Bytes().I32(big).Data();
    two.resize(two.size() + size_t(big), 'q');
    two.insert(two.end(), second.begin(), second.end());
    TMemoryViewStream in(two.data(), two.size());
    int64_t length = 0;
    ASSERT_EQ(BeginStoredFileBlock(&in, &length), TV_BLOCK_OK);
    LimitedSink sink(TV_INTERCHANGE_CHUNK + 10);
    EXPECT_EQ(CopyStoredFileBlock(&in, length, &sink, TPumpHook()), TV_BLOCK_WRITE_FAILED);
    ASSERT_EQ(BeginStoredFileBlock(&in, &length), TV_BLOCK_OK);
    TMemoryStream next;
    EXPECT_EQ(CopyStoredFileBlock(&in, length, &next, TPumpHook()), TV_BLOCK_OK);
    EXPECT_EQ(next.Data(), ToBytes("xy"));

    // A stream of unknown size that ends inside the block.
    class Unsized : public TMemoryViewStream {
    public:
        using TMemoryViewStream::TMemoryViewStream;
        int64_t Size() const override { return -1; }
    };
    const std::vector<uint8_t> cut = Bytes().I32(10).U8('a').U8('b').Data();
    Unsized unsized(cut.data(), cut.size());
    ASSERT_EQ(BeginStoredFileBlock(&unsized, &length), TV_BLOCK_OK);
    TMemoryStream partial;
    EXPECT_EQ(CopyStoredFileBlock(&unsized, length, &partial, TPumpHook()), TV_BLOCK_CUT);
}

TEST(InterchangeBlocks, BufferedReaderKeepsPositionsAcrossSeeks) {
    std::vector<uint8_t> bytes(200000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    TMemoryViewStream inner(bytes.data(), bytes.size());
    TBufferedReadStream in(&inner, 4096);
    uint8_t b[10];
    ASSERT_EQ(in.Read(b, 3), 3u);
    EXPECT_EQ(in.Position(), 3);
    ASSERT_TRUE(in.Seek(1000, TByteStream::SeekCurrent));
    ASSERT_EQ(in.Read(b, 1), 1u);
    EXPECT_EQ(b[0], bytes[1003]);
    std::vector<uint8_t> big(50000);
    ASSERT_EQ(in.Read(big.data(), big.size()), big.size());
    EXPECT_EQ(big[0], bytes[1004]);
    EXPECT_EQ(big.back(), bytes[1004 + 49999]);
    EXPECT_EQ(in.Remaining(), int64_t(bytes.size()) - 51004);
    ASSERT_TRUE(in.Seek(0, TByteStream::SeekEnd));
    EXPECT_EQ(in.Read(b, 1), 0u);
    EXPECT_FALSE(in.Seek(-1, TByteStream::SeekBegin));
    EXPECT_EQ(in.Position(), int64_t(bytes.size()));
}

// ------------------------------------------------------------------------------------ names

TEST(InterchangeNames, CleanedToPlainValidFileNames) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"report.zip", "report.zip"},
        {"..\\..\\Windows\\evil.exe", "___.._Windows_evil.exe"},
        {"C:\\autoexec.bat", "C__autoexec.bat"},
        {"\\\\server\\share\\x", "__server_share_x"},
        {"..", "_"},
        {".hidden", "_hidden"},
        {"  spaced  ", "spaced"},
        {"dots...", "dots"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"com1 .log", "_com1 .log"},
        {"COM10", "COM10"},
        {"a<b>c|d?e*f\"g", "a_b_c_d_e_f_g"},
        {"tab\there", "tab_here"},
        {"", "_"},
    };
    for (const Case& c : cases) {
        char out[TV_PATH_SIZE];
        CleanFileName(c.in, out, sizeof out);
        EXPECT_STREQ(out, c.out) << c.in;
        EXPECT_TRUE(IsValidFileName(out)) << c.in;
    }
    const std::string longName(300, 'n');
    char out[TV_PATH_SIZE];
    CleanFileName((longName + ".zip").c_str(), out, sizeof out);
    EXPECT_EQ(std::strlen(out), TV_PATH_SIZE - 1);
    EXPECT_TRUE(IsValidFileName(out));
}

TEST(InterchangeNames, UniqueStoredNamesFollowTheListRule) {
    // The index gives what MakeUniqueStoredName of the list gives, name after name.
    TFileListObject list;
    TStoredNameIndex index(&list);
    const char* names[] = {"a.zip", "A.ZIP", "a (2).zip", "a.zip", "\"b\".zip", "b.zip", "noext", "noext", " a.zip "};
    for (const char* name : names) {
        char fromList[TV_PATH_SIZE], fromIndex[TV_PATH_SIZE];
        list.MakeUniqueStoredName(fromList, sizeof fromList, name, 4);
        index.MakeUnique(fromIndex, sizeof fromIndex, name, 4);
        EXPECT_STREQ(fromIndex, fromList) << name;
        FileItem f = Download(name, 4, fromList);
        list.Add(&f, 0);
        index.Add(fromList, 4);
    }
    // Other categories do not count.
    char out[TV_PATH_SIZE];
    index.MakeUnique(out, sizeof out, "a.zip", 5);
    EXPECT_STREQ(out, "a.zip");
}

// ------------------------------------------------------------------------------------ lists

TEST(InterchangeTraversal, ItemsFirstThenSubtreesInListOrderEachCategoryOnce) {
    TCategoryListObject list;
    list.EnsureDefaultCategories(0);
    CategoryItem cats[] = {Category(1, 1, 0, "A"), Category(1, 2, 1, "A1"), Category(1, 3, 0, "B"),
                           Category(1, 4, 1, "A2"), Category(1, 5, 2, "A1x"), Category(2, 6, 0, "other kind"),
                           Category(1, 7, 7, "loop"), Category(1, 8, 9, "ring1"), Category(1, 9, 8, "ring2")};
    for (CategoryItem& c : cats) list.Add(&c, 0);
    // A second id 2 under A (only a damaged list holds one): not walked twice.
    CategoryItem twin = Category(1, 2, 1, "twin");
    list.Add(&twin, 0);
    std::vector<std::string> order;
    for (const TCategoryVisit& v : WalkCategories(list, list.FindCategoryById(0, 1))) {
        std::string parent = v.parent == TCategoryVisit::kNoParent ? "-" : std::to_string(v.parent);
        order.push_back(std::string(TCategoryListObject::Item(v.node)->name) + "<" + parent);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Downloads<-", "A<0", "A1<1", "A1x<2", "A2<1", "B<0"}));
    EXPECT_TRUE(WalkCategories(list, nullptr).empty());
}

class InterchangeBuild : public ::testing::Test {
protected:
    TInterchangeFixture f;
    int32_t tools = 0, sub = 0, other = 0, links = 0, linksSub = 0;

    void SetUp() override {
        f.Category(1, "Tools");
        tools = f.CategoryId(1, "Tools");
        f.Category(1, "Sub", tools);
        sub = f.CategoryId(1, "Sub", tools);
        f.Category(1, "Other");
        other = f.CategoryId(1, "Other");
        f.Category(2, "Links");
        links = f.CategoryId(2, "Links");
        f.Category(2, "Deeper", links);
        linksSub = f.CategoryId(2, "Deeper", links);
        f.Download("a.zip", tools, "AB");
        f.Download("b.zip", sub, "C");
        f.Download("a.zip", tools, "second a");
        f.Download("c.zip", other, "not in the excerpt");
        f.Bookmark("http://one/", "One", links);
        f.Bookmark("http://two/", "Two", linksSub);
    }
};

TEST_F(InterchangeBuild, ExcerptOfDownloadsHasTheDocumentedBytes) {
    const std::vector<uint8_t> bytes = f.Write(Excerpt(true, tools, false, -1));
    Bytes expected;
    for (const char* p = "TV240000INTERCHANGEFILE"; *p; ++p) expected.U8(uint8_t(*p));
    expected.U8(0).I32(1).I32(0);
    // The chosen category itself is not in the file: its subcategory hangs under the root.
    expected.U32(4);
    expected.U8(1).U8(1).I32(0).I32(0).Text("Downloads");
    expected.U8(2).U8(1).I32(0).I32(0).Text("Bookmarks");
    expected.U8(3).U8(1).I32(0).I32(0).Text("Shortcuts");
    expected.U8(1).U8(1).I32(1).I32(0).Text("Sub");
    expected.U32(3);
    auto download = [&](int32_t category, const char* name, const char* stored, uint32_t size) {
        expected.I32(category).Text(name).Text(stored).Text("d").Text("").Text("http://example.com/");
        expected.U32(size).U32(0).U32(TV_FILE_EXISTS).U32(0x12345678).U32(0x01D00000).U32(0).U32(0);
    };
    download(0, "a.zip", "a.zip", 2);
    download(0, "a.zip", "a (2).zip", 8);
    download(1, "b.zip", "b.zip", 1);
    expected.I32(2).U8('A').U8('B');
    expected.I32(8);
    for (char c : std::string("second a")) expected.U8(uint8_t(c));
    expected.I32(1).U8('C');
    EXPECT_EQ(bytes, expected.Data());
}

TEST_F(InterchangeBuild, WhatEachChoiceBuilds) {
    struct Case {
        const char* what;
        TInterchangeChoice choice;
        std::vector<std::string> downloads;
        std::vector<std::string> bookmarks;
        size_t categories;
        uint32_t steps;
    };
    const int32_t emptyCategory = f.Category(1, "Empty") ? f.CategoryId(1, "Empty") : -1;
    const Case cases[] = {
        {"bookmarks only", Excerpt(false, -1, true, links), {}, {"0:One:http://one/", "1:Two:http://two/"}, 4, 3},
        {"an empty category", Excerpt(true, emptyCategory, false, -1), {}, {}, 3, 3},
        {"subcategory", Excerpt(true, sub, false, -1), {"0:b.zip:b.zip"}, {}, 3, 4},
        {"backup",
         Backup(),
         {"1:a.zip:a.zip", "1:a.zip:a (2).zip", "2:b.zip:b.zip", "3:c.zip:c.zip"},
         {"1:One:http://one/", "2:Two:http://two/"},
         9,
         2 + 5 + 1 + 1},
    };
    for (const Case& c : cases) {
        TInterchangeContent content;
        ASSERT_EQ(BuildInterchangeContent(f.data, c.choice, &f.host, &content), TV_BUILD_OK) << c.what;
        EXPECT_EQ(DownloadNames(content.downloads), c.downloads) << c.what;
        EXPECT_EQ(BookmarkNames(content.bookmarks), c.bookmarks) << c.what;
        EXPECT_EQ(content.categories.Count(1), c.categories) << c.what;
        EXPECT_EQ(content.downloadSources.size(), content.downloads.Count(1)) << c.what;
        EXPECT_EQ(InterchangeCreationSteps(content), c.steps) << c.what;
    }
    // The bookmark-only file: three roots, one category, the bookmarks, no blocks after them.
    const std::vector<uint8_t> bytes = f.Write(Excerpt(false, -1, true, links));
    TInterchangeContent content;
    BuildInterchangeContent(f.data, Excerpt(false, -1, true, links), &f.host, &content);
    TMemoryStream records;
    content.categories.Write(&records);
    content.bookmarks.Write(&records);
    EXPECT_EQ(bytes.size(), TV_INTERCHANGE_HEADER_SIZE + records.Data().size());

    TInterchangeContent none;
    EXPECT_EQ(BuildInterchangeContent(f.data, Excerpt(true, 99, false, -1), &f.host, &none), TV_BUILD_NO_CATEGORY);
}

TEST_F(InterchangeBuild, MissingAndTooLargeStoredFiles) {
    // A missing file gets an empty block, and on import an empty file; the next keeps its own.
    f.host.files.erase(TMemoryHost::Fold(f.Folder(1, tools) + "a.zip"));
    // Stored files larger than a block are left out; the host reports a size without the bytes.
    struct BigHost : TMemoryHost {
        int64_t FileSize(const char* path) override {
            return std::string(path).find("c.zip") != std::string::npos ? int64_t(3) << 30 : TMemoryHost::FileSize(path);
        }
    };
    BigHost big;
    big.files = f.host.files;
    big.roots = f.host.roots;
    TInterchangeContent content;
    ASSERT_EQ(BuildInterchangeContent(f.data, Backup(), &big, &content), TV_BUILD_OK);
    EXPECT_EQ(content.tooLarge, std::vector<std::string>{"c.zip"});
    EXPECT_EQ(content.downloads.Count(1), 3u);
    TMemoryStream out;
    TInterchangeWriteReport report;
    ASSERT_TRUE(WriteInterchangeContent(&out, &f.data, content, &big, &report));
    ASSERT_EQ(report.unreadable.size(), 1u);

    // A backup brings its storage location along: the same program folder keeps the paths.
    TInterchangeFixture to("C:\\TV\\");
    const TInterchangeImportReport r = to.Import(out.Data());
    EXPECT_EQ(r.downloadsAdded, 3u);
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\Tools\\a.zip"), "");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\Tools\\a (2).zip"), "second a");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\Tools\\Sub\\b.zip"), "C");
    EXPECT_FALSE(to.host.Has("C:\\TV\\download\\Other\\c.zip"));
}

TEST_F(InterchangeBuild, AFileThatChangesSizeDuringTheCopyKeepsTheBlocksPaired) {
    // The size is taken when the file is opened; the bytes that follow are what the file holds then.
    struct ChangingHost : TMemoryHost {
        std::unique_ptr<TByteStream> OpenForReading(const char* path, int64_t* size) override {
            auto stream = TMemoryHost::OpenForReading(path, size);
            if (stream && std::string(path).find("a (2).zip") != std::string::npos) *size += 5;  // shrinks by 5
            if (stream && std::string(path).find("b.zip") != std::string::npos) *size -= 1;      // grows by 1
            return stream;
        }
    };
    ChangingHost host;
    host.files = f.host.files;
    host.roots = f.host.roots;
    TInterchangeContent content;
    ASSERT_EQ(BuildInterchangeContent(f.data, Excerpt(true, tools, false, -1), &host, &content), TV_BUILD_OK);
    TMemoryStream out;
    TInterchangeWriteReport report;
    ASSERT_TRUE(WriteInterchangeContent(&out, &f.data, content, &host, &report));
    EXPECT_EQ(report.changed, (std::vector<std::string>{"C:\\TV\\download\\Tools\\a (2).zip",
                                                        "C:\\TV\\download\\Tools\\Sub\\b.zip"}));
    TInterchangeFixture to("D:\\");
    const TInterchangeImportReport r = to.Import(out.Data());
    EXPECT_EQ(r.downloadsAdded, 3u);
    EXPECT_EQ(r.missing, 0u);
    EXPECT_EQ(to.host.Get("D:\\download\\a.zip"), "AB");
    EXPECT_EQ(to.host.Get("D:\\download\\a (2).zip"), std::string("second a") + std::string(5, '\0'));
    EXPECT_EQ(to.host.Get("D:\\download\\Sub\\b.zip"), "");
}

// ------------------------------------------------------------------------------------ round trips

class InterchangeRoundTrip : public InterchangeBuild {};

TEST_F(InterchangeRoundTrip, BackupRestoresRecordsCategoriesFilesAndSettings) {
    f.Shortcut("Editor.lnk", 0, "LNK1");
    f.Category(3, "Tools");
    f.Shortcut("Tool.lnk", f.CategoryId(3, "Tools"), "LNK2");
    f.data.viewer.defaultViewer = 0;
    CopyLimited(f.data.find.contents, "needle", sizeof f.data.find.contents);
    ExtProcItem program{const_cast<char*>("scan.exe %1")};
    f.data.externalPrograms.Add(&program, 0);
    TempFileEntry temp{const_cast<char*>("C:\\users\\root\\Temp\\x.tmp"), TV_TEMP_FILE};
    f.data.tempFiles.Add(&temp, 0);
    const std::vector<uint8_t> bytes = f.Write(Backup());
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(f.data.tempFiles.Count(1), 1u) << "the running program keeps its own temporary files";

    TInterchangeFixture to("C:\\TV\\");
    const TInterchangeImportReport r = to.Import(bytes);
    EXPECT_TRUE(r.settingsRestored);
    EXPECT_FALSE(r.recordsCut);
    EXPECT_EQ(r.missing, 0u);
    // Same program folder, same locations: records, categories and files as they were.
    EXPECT_EQ(Describe(to.data.categories), Describe(f.data.categories));
    EXPECT_EQ(DownloadNames(to.data.downloads), (std::vector<std::string>{"1:a.zip:a.zip", "1:a.zip:a (2).zip",
                                                                          "2:b.zip:b.zip", "3:c.zip:c.zip"}));
    EXPECT_EQ(BookmarkNames(to.data.bookmarks), BookmarkNames(f.data.bookmarks));
    for (const auto& file : f.host.files) EXPECT_EQ(to.host.Get(file.first), file.second) << file.first;
    EXPECT_EQ(to.host.files.size(), f.host.files.size());
    EXPECT_EQ(to.data.viewer.defaultViewer, 0u);
    EXPECT_STREQ(to.data.find.contents, "needle");
    EXPECT_EQ(to.data.externalPrograms.Count(1), 1u);
    EXPECT_EQ(to.data.tempFiles.Count(1), 0u);
    EXPECT_EQ(to.data.shortcuts.Count(1), 2u);
    EXPECT_TRUE(to.host.violations.empty());
}

TEST_F(InterchangeRoundTrip, ExcerptIntoAChosenCategoryOfAnotherProgram) {
    TInterchangeFixture to("E:\\Data\\");
    to.Category(1, "Imported");
    to.Category(2, "Web");
    const int32_t imported = to.CategoryId(1, "Imported"), web = to.CategoryId(2, "Web");
    const TInterchangeImportReport r = to.Import(f.Write(Excerpt(true, tools, true, links)), imported, web);
    EXPECT_EQ(r.downloadsAdded, 3u);
    EXPECT_EQ(r.bookmarksAdded, 2u);
    EXPECT_EQ(to.host.Get("E:\\Data\\download\\Imported\\a.zip"), "AB");
    EXPECT_EQ(to.host.Get("E:\\Data\\download\\Imported\\a (2).zip"), "second a");
    EXPECT_EQ(to.host.Get("E:\\Data\\download\\Imported\\Sub\\b.zip"), "C");
    const int32_t deeper = to.CategoryId(2, "Deeper", web);
    ASSERT_GT(deeper, 0);
    EXPECT_EQ(BookmarkNames(to.data.bookmarks),
              (std::vector<std::string>{std::to_string(web) + ":One:http://one/",
                                        std::to_string(deeper) + ":Two:http://two/"}));
    // Every added item is linked to its category for the views.
    for (const ListNode* n = to.data.downloads.First(); n; n = n->next)
        EXPECT_TRUE(TFileListObject::IsItemShown(TFileListObject::Item(n)));
}

TEST_F(InterchangeRoundTrip, SecondImportAddsNumberedDownloadsAndNothingElseTwice) {
    f.Shortcut("Editor.lnk", 0, "LNK1");
    const std::vector<uint8_t> excerpt = f.Write(Excerpt(true, tools, true, links));
    const std::vector<uint8_t> backup = f.Write(Backup());
    TInterchangeFixture to("C:\\Two\\");
    to.Import(excerpt);
    const size_t categories = to.data.categories.Count(1);
    const TInterchangeImportReport again = to.Import(excerpt);
    EXPECT_EQ(again.bookmarksSkipped, 2u);
    EXPECT_EQ(again.bookmarksAdded, 0u);
    EXPECT_EQ(again.categoriesAdded, 0u);
    EXPECT_EQ(to.data.categories.Count(1), categories);
    EXPECT_EQ(DownloadNames(to.data.downloads),
              (std::vector<std::string>{"0:a.zip:a.zip", "0:a.zip:a (2).zip", "1:b.zip:b.zip", "0:a.zip:a (3).zip",
                                        "0:a.zip:a (4).zip", "1:b.zip:b (2).zip"}));
    EXPECT_EQ(to.host.Get("C:\\Two\\download\\b (2).zip"), "<missing>");
    EXPECT_EQ(to.host.Get("C:\\Two\\download\\Sub\\b (2).zip"), "C");

    // A backup twice: the lists the body reader appends to are not doubled.
    TInterchangeFixture twice("C:\\TV\\");
    ExtProcItem program{const_cast<char*>("scan.exe %1")};
    f.data.externalPrograms.Add(&program, 0);
    f.data.find.contentsHistory.AddString("old search", 0, 0);
    const std::vector<uint8_t> withPrograms = f.Write(Backup());
    twice.Import(withPrograms);
    const TInterchangeImportReport second = twice.Import(withPrograms);
    EXPECT_EQ(twice.data.externalPrograms.Count(1), 1u);
    EXPECT_EQ(twice.data.find.contentsHistory.Count(1), 1u);
    EXPECT_EQ(second.shortcutsSkipped, 1u) << "the same link file is not added again";
    EXPECT_EQ(twice.data.shortcuts.Count(1), 1u);
    (void)backup;
}

TEST_F(InterchangeRoundTrip, ChoicesOfTheImportWizard) {
    const std::vector<uint8_t> bytes = f.Write(Excerpt(true, tools, true, links));
    // "Don't import any downloads": the bookmarks only; no file is touched.
    TInterchangeFixture to("C:\\Two\\");
    const TInterchangeImportReport r = to.Import(bytes, -1, 0);
    EXPECT_EQ(to.data.downloads.Count(1), 0u);
    EXPECT_EQ(r.bookmarksAdded, 2u);
    EXPECT_TRUE(to.host.files.empty());
    // A bookmark with a known title but another URL is added.
    TInterchangeFixture other("C:\\Three\\");
    other.Bookmark("http://elsewhere/", "One", 0);
    const TInterchangeImportReport o = other.Import(bytes, -1, 0);
    EXPECT_EQ(o.bookmarksAdded, 2u);
    EXPECT_EQ(other.data.bookmarks.Count(1), 3u);
}

// ------------------------------------------------------------------------------------ damage

TEST_F(InterchangeRoundTrip, CutAtEveryBlockBoundaryImportsWhatIsWhole) {
    f.Shortcut("Editor.lnk", 0, "LNK1");
    const std::vector<uint8_t> bytes = f.Write(Backup());
    // Block boundaries, from the end: walk back over the blocks with their known contents.
    const std::vector<std::string> blocks = {"AB", "second a", "C", "not in the excerpt", "LNK1"};
    std::vector<size_t> boundaries;
    size_t end = bytes.size();
    boundaries.push_back(end);
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
        end -= 4 + it->size();
        boundaries.push_back(end);
    }
    for (size_t i = 0; i < boundaries.size(); ++i) {
        for (size_t delta : {size_t(0), size_t(1), size_t(3)}) {
            if (i + 1 == boundaries.size() && delta != 0) continue;  // that would cut the records
            const size_t cut = boundaries[i] - delta;
            const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
            TInterchangeFixture to("C:\\TV\\");
            const TInterchangeImportReport r = to.Import(part);
            const size_t whole = blocks.size() - i - (delta ? 1 : 0);
            const size_t wholeDownloads = std::min<size_t>(whole, 4);
            EXPECT_EQ(r.downloadsAdded, wholeDownloads) << cut;
            EXPECT_EQ(r.shortcutsAdded, whole == 5 ? 1u : 0u) << cut;
            EXPECT_EQ(r.missing, blocks.size() - whole) << cut;
            EXPECT_EQ(r.bookmarksAdded, 2u) << cut;
            // No partial file: every stored file has its complete contents.
            EXPECT_EQ(to.host.files.size(), whole) << cut;
            for (const auto& file : to.host.files) EXPECT_EQ(file.second, f.host.Get(file.first)) << cut;
        }
    }
}

TEST_F(InterchangeRoundTrip, CutAnywhereNeverInventsOrBreaks) {
    f.Shortcut("Editor.lnk", 0, "LNK1");
    for (const TInterchangeChoice& choice : {Backup(), Excerpt(true, tools, true, links)}) {
        const std::vector<uint8_t> bytes = f.Write(choice);
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(cut));
            TInterchangeFixture to("C:\\TV\\");
            const std::vector<uint8_t> before = to.Snapshot();
            bool usable = false;
            const TInterchangeImportReport r = to.Import(part, 0, 0, &usable);
            if (cut < TV_INTERCHANGE_HEADER_SIZE) {
                EXPECT_FALSE(usable) << cut;
                EXPECT_EQ(to.Snapshot(), before) << "a failed import changes nothing, cut " << cut;
            } else {
                EXPECT_TRUE(usable) << cut;
                EXPECT_TRUE(r.recordsCut || r.missing > 0) << cut;
            }
            // An excerpt lands elsewhere in the tree: every file holds one source file's bytes.
            for (const auto& file : to.host.files) {
                bool known = false;
                for (const auto& source : f.host.files) known = known || source.second == file.second;
                EXPECT_TRUE(known) << cut << " " << file.first;
            }
            EXPECT_TRUE(to.host.violations.empty()) << cut;
        }
    }
}

TEST(InterchangeHostile, NamesFromTheFileNeverLeaveTheStorageFolders) {
    // An excerpt written by hand with names meant to climb out of the storage folder.
    Bytes file;
    for (const char* p = "TV240000INTERCHANGEFILE"; *p; ++p) file.U8(uint8_t(*p));
    file.U8(0).I32(1).I32(0);
    file.U32(3);
    file.U8(1).U8(1).I32(0).I32(0).Text("Downloads");
    file.U8(1).U8(1).I32(1).I32(0).Text("..");
    file.U8(1).U8(1).I32(2).I32(1).Text("C:\\Windows");
    const char* names[] = {"..\\..\\evil.exe", "C:\\boot.ini", "\\\\server\\share\\x", "CON", "ok.zip"};
    const int32_t categoryOf[] = {1, 2, 0, 0, 2};
    file.U32(5);
    for (int i = 0; i < 5; ++i) {
        file.I32(categoryOf[i]).Text(names[i]).Text(names[i]).Text("").Text("").Text("");
        file.U32(1).U32(0).U32(1).U32(0).U32(0).U32(0).U32(0);
    }
    // Blocks in the traversal order: root (3, 4), ".." (1), its child (2, 5).
    for (const char* contents : {"x", "c", "e", "b", "o"}) file.I32(1).U8(uint8_t(contents[0]));

    TInterchangeFixture to("C:\\TV\\");
    const TInterchangeImportReport r = to.Import(file.Data());
    EXPECT_TRUE(to.host.violations.empty()) << to.host.violations.front();
    EXPECT_EQ(r.downloadsAdded, 5u);
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\__server_share_x"), "x");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\_CON"), "c");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\_\\___.._evil.exe"), "e");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\_\\C__Windows\\C__boot.ini"), "b");
    EXPECT_EQ(to.host.Get("C:\\TV\\download\\_\\C__Windows\\ok.zip"), "o");
}

TEST(InterchangeHostile, BackupSettingsCannotMoveStorageAnywhereOrDeleteFiles) {
    struct Case {
        const char* location;
        int relocateResult;
        bool taken;
    };
    const Case cases[] = {{"D:\\Elsewhere\\", 0, true},
                          {"relative\\folder\\", 0, false},
                          {"C:\\TV\\..\\..\\Windows\\", 0, false},
                          {"\\\\server\\", 0, false},
                          {"\\\\server\\share\\tv\\", 0, true},
                          {"D:\\Nested\\", -1, false}};
    for (const Case& c : cases) {
        TInterchangeFixture from("C:\\TV\\");
        from.Download("a.zip", 0, "A");
        CopyLimited(from.data.standards.downloadsLocation, c.location, TV_PATH_SIZE);
        TempFileEntry temp{const_cast<char*>("C:\\TV\\download\\a.zip"), TV_TEMP_FILE};
        // A backup whose list of temporary files names a stored file (written by hand: our own
        // writer leaves the list out).
        TInterchangeContent content;
        BuildInterchangeContent(from.data, Backup(), &from.host, &content);
        from.data.tempFiles.Add(&temp, 0);
        TMemoryStream records;
        InterchangeFileSettings header;
        header.kind = 1;
        WriteInterchangeHeader(&records, header);
        WriteDatabaseBody(&records, TV_DB_NO_HEADER | TV_DB_NO_WINDOW_SECTIONS, &from.data, &content.categories,
                          &content.downloads, &content.bookmarks, &content.shortcuts);
        records.WriteI32(0);  // the block of a.zip (empty: its path was under another location)

        TInterchangeFixture to("C:\\TV\\");
        to.Download("mine.zip", 0, "M");
        to.host.relocateResult = c.relocateResult;
        const TInterchangeImportReport r = to.Import(records.Data());
        EXPECT_EQ(to.data.tempFiles.Count(1), 0u) << c.location;
        EXPECT_EQ(std::string(to.data.standards.downloadsLocation), c.taken ? c.location : "C:\\TV\\download\\")
            << c.location;
        EXPECT_EQ(r.refusedLocations.empty(), c.taken) << c.location;
        const std::string mine = std::string(to.data.standards.downloadsLocation) + "mine.zip";
        EXPECT_EQ(to.host.Get(mine), "M") << "the user's own file is where the location says, " << c.location;
        EXPECT_TRUE(to.host.violations.empty()) << c.location;
    }
}

TEST(InterchangeHostile, UnusableFilesChangeNothing) {
    TInterchangeFixture f;
    f.Download("mine.zip", 0, "M");
    const std::vector<uint8_t> before = f.Snapshot();
    const std::vector<std::vector<uint8_t>> files = {
        {},
        ToBytes("TV240000CFGFILE not an interchange file at all"),
        Bytes().U8('T').U8('V').Data(),
    };
    for (const auto& bytes : files) {
        bool usable = true;
        const TInterchangeImportReport r = f.Import(bytes, 0, 0, &usable);
        EXPECT_FALSE(usable);
        EXPECT_TRUE(r.unusable);
        EXPECT_EQ(f.Snapshot(), before);
        EXPECT_EQ(f.host.files.size(), 1u);
    }
}

TEST_F(InterchangeRoundTrip, CancelKeepsWhatWasMergedAndStops) {
    std::string big(2 * TV_INTERCHANGE_CHUNK + 10, 'z');
    f.Download("big1.bin", tools, big);
    f.Download("big2.bin", tools, big);
    const std::vector<uint8_t> bytes = f.Write(Excerpt(true, tools, true, links));
    TInterchangeFixture to("C:\\Two\\");
    to.host.cancelAfterPumps = 4;  // during big1.bin (3 chunks), after a.zip, a (2).zip
    const TInterchangeImportReport r = to.Import(bytes);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(DownloadNames(to.data.downloads),
              (std::vector<std::string>{"0:a.zip:a.zip", "0:a.zip:a (2).zip", "0:big1.bin:big1.bin"}));
    EXPECT_EQ(to.data.bookmarks.Count(1), 0u) << "nothing after the cancel";
}

}  // namespace
