// The archive search without windows: the contents test over blocks, the name tests, the engine's
// in-memory read, and whole searches over stored downloads (archives made with python's zipfile and
// Info-ZIP, self-extracting programs, encrypted and damaged members).
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/viewer_ids.h"
#include "archive/zipfs.h"
#include "archive/zipsearch.h"
#include "tests/core/core_fixtures.h"
#include "util/textcopy.h"

namespace {

// ---------------------------------------------------------------- the contents test

// Feeds text to a matcher cut at the given points.
bool FedInPieces(const std::string& pattern, const std::string& text, const std::vector<size_t>& cuts) {
    TByteMatcher m(pattern.data(), pattern.size());
    size_t from = 0;
    bool found = false;
    for (size_t cut : cuts) {
        if (cut < from || cut > text.size()) continue;
        found = m.Feed(reinterpret_cast<const unsigned char*>(text.data() + from), cut - from) || found;
        from = cut;
    }
    found = m.Feed(reinterpret_cast<const unsigned char*>(text.data() + from), text.size() - from) || found;
    EXPECT_EQ(found, m.Found());
    return found;
}

TEST(ByteMatcher, FindsTheTextWhereverTheBlocksAreCut) {
    const std::string text = "xxabcabdxxabcabcabdyy";
    const std::string pattern = "abcabd";
    // Every single cut and every pair of cuts: the hit is found however it straddles them.
    for (size_t a = 0; a <= text.size(); ++a) {
        EXPECT_TRUE(FedInPieces(pattern, text, {a})) << a;
        for (size_t b = a; b <= text.size(); ++b) EXPECT_TRUE(FedInPieces(pattern, text, {a, b})) << a << "," << b;
    }
    // Blocks of one byte each.
    std::vector<size_t> everyByte;
    for (size_t i = 1; i < text.size(); ++i) everyByte.push_back(i);
    EXPECT_TRUE(FedInPieces(pattern, text, everyByte));
    EXPECT_TRUE(FedInPieces("xx", text, everyByte));
    EXPECT_FALSE(FedInPieces("abcabe", text, everyByte));
}

TEST(ByteMatcher, AgreesWithAPlainSearchOnRandomStreams) {
    std::mt19937 rng(20240517);
    for (int trial = 0; trial < 3000; ++trial) {
        const char* alphabet = trial % 3 == 0 ? "ab" : trial % 3 == 1 ? "abc\0" : "e ";
        const size_t letters = trial % 3 == 1 ? 4 : 2;
        std::string pattern(1 + rng() % 7, 'a'), text(rng() % 60, 'a');
        for (char& c : pattern) c = alphabet[rng() % letters];
        for (char& c : text) c = alphabet[rng() % letters];
        std::vector<size_t> cuts;
        for (size_t n = rng() % 6; n > 0; --n) cuts.push_back(text.empty() ? 0 : rng() % (text.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        const bool expected = text.find(pattern) != std::string::npos;
        ASSERT_EQ(expected, FedInPieces(pattern, text, cuts)) << "pattern [" << pattern << "] text [" << text << "]";
    }
}

TEST(ByteMatcher, ExactBytesOnly) {
    struct {
        const char* pattern;
        const char* text;
        bool found;
    } cases[] = {
        {"cat", "a cat sat", true},       {"cat", "A CAT SAT", false},  // letter case counts
        {"Cat", "Catalog", true},         {"cat", "ca", false},
        {"", "anything", false},          {"x", "", false},
        {"x", "x", true},                 {"end", "the end", true},
        {"\xe4\xf6", "gr\xe4\xf6\xdf", true}, {"aab", "aaab", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.found ? 1 : 0, BytesContainText(c.text, strlen(c.text), c.pattern)) << c.pattern << " / " << c.text;
    }
    // Bytes that are no text (NUL inside the pattern and the data).
    const unsigned char data[] = {1, 0, 2, 0, 0, 3};
    const unsigned char wanted[] = {0, 0, 3};
    TByteMatcher m(wanted, sizeof wanted);
    EXPECT_FALSE(m.Feed(data, 4));
    EXPECT_TRUE(m.Feed(data + 4, 2));
    m.Reset();
    EXPECT_FALSE(m.Found());
    EXPECT_FALSE(m.Feed(data, 3));
}

// ---------------------------------------------------------------- name tests

TEST(ZipSearchNames, WhichDownloadsAndMembers) {
    struct {
        const char* name;
        bool searched;
    } downloads[] = {
        {"a.zip", true},  {"PACK.ZIP", true}, {"setup.exe", true}, {"Setup.Exe", true}, {"notes.txt", false},
        {"a.zipx", false}, {"zip", false},    {"", false},         {"x.ex", false},
    };
    for (const auto& d : downloads) EXPECT_EQ(d.searched, IsSearchedArchiveName(d.name)) << d.name;
    EXPECT_FALSE(IsSearchedArchiveName(nullptr));

    struct {
        const char* name;
        const char* filter;
        bool passes;
    } members[] = {
        {"readme.txt", "*.txt", true}, {"README.TXT", "*.txt", true}, {"readme.txt.bak", "*.txt", false},
        {"readme", "*.txt", false},    {"a.c", "?.c", true},          {"ab.c", "?.c", false},
        {"anything", "", true},        {"setup.exe", "setup.*", true}, {"install.exe", "setup.*", false},
        {"notes.txt", "*.*", true},
    };
    for (const auto& m : members) EXPECT_EQ(m.passes, MemberNamePasses(m.name, m.filter)) << m.name << " ~ " << m.filter;
}

// ---------------------------------------------------------------- archives on disk

class ZipSearchDisk : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tvzsXXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = std::string(tmpl) + "/";
    }
    void TearDown() override { Sh("rm -rf '" + dir_ + "'"); }
    int Sh(const std::string& cmd) {
        int r = std::system(("cd '" + dir_ + "' && (" + cmd + ") >/dev/null 2>&1").c_str());
        return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
    }
    void Py(const std::string& code) {
        std::ofstream(dir_ + "g.py") << "import zipfile, struct, os, random\nrandom.seed(7)\n" << code;
        ASSERT_EQ(0, Sh("python3 g.py"));
    }
    std::string P(const std::string& rel) const { return dir_ + rel; }
    std::string dir_;
};

struct TReadSink {
    std::string bytes;
    size_t stopAfter = std::string::npos;
    static bool Take(const unsigned char* data, size_t size, void* context) {
        TReadSink* s = static_cast<TReadSink*>(context);
        s->bytes.append(reinterpret_cast<const char*>(data), size);
        return s->bytes.size() < s->stopAfter;
    }
};

TEST_F(ZipSearchDisk, ReaderHandsOverEveryByteAndRefusesEncryptedMembers) {
    Py("big = bytes(random.getrandbits(8) for _ in range(700000))\n"
       "z = zipfile.ZipFile('r.zip', 'w')\n"
       "z.writestr('stored.bin', big, compress_type=zipfile.ZIP_STORED)\n"
       "z.writestr('text.txt', 'line of text\\n' * 50000, compress_type=zipfile.ZIP_DEFLATED)\n"
       "z.writestr('empty.txt', '')\n"
       "z.close()\n"
       "open('big.bin', 'wb').write(big)\n"
       "d = bytearray(open('r.zip','rb').read()); i = d.find(big[1000:1100]); d[i] ^= 0xFF\n"
       "open('crc.zip','wb').write(d)\n");
    ASSERT_EQ(0, Sh("echo secret text > s.txt && zip -q -P pw enc.zip s.txt"));
    std::ifstream in(P("big.bin"), std::ios::binary);
    std::stringstream big;
    big << in.rdbuf();

    TZipMemberReader reader;
    ASSERT_EQ(0, reader.Open(("\"" + P("r.zip") + "\"").c_str()));
    ASSERT_EQ(3u, reader.Count());
    MemberInfo info;
    ASSERT_EQ(0, reader.Member(1, &info));
    EXPECT_STREQ("text.txt", info.name);
    TReadSink all;
    EXPECT_EQ(0, reader.Read(0, TReadSink::Take, &all));
    EXPECT_TRUE(all.bytes == big.str());
    TReadSink text;
    EXPECT_EQ(0, reader.Read(1, TReadSink::Take, &text));
    EXPECT_EQ(size_t(13 * 50000), text.bytes.size());
    TReadSink empty;
    EXPECT_EQ(0, reader.Read(2, TReadSink::Take, &empty));
    EXPECT_TRUE(empty.bytes.empty());
    TReadSink stopped;
    stopped.stopAfter = 10;
    EXPECT_EQ(TV_UNZIP_CANCELLED, reader.Read(1, TReadSink::Take, &stopped));
    // The same archive stays open for further reads after a stop.
    TReadSink again;
    EXPECT_EQ(0, reader.Read(1, TReadSink::Take, &again));
    EXPECT_TRUE(again.bytes == text.bytes);
    EXPECT_EQ(TV_UNZIP_BADINDEX, reader.Read(3, TReadSink::Take, &again));
    EXPECT_EQ(TV_UNZIP_BADINDEX, reader.Member(3, &info));

    // A damaged member: the bytes may come, the result says it is damaged.
    ASSERT_EQ(0, reader.Open(P("crc.zip").c_str()));
    TReadSink damaged;
    EXPECT_EQ(TV_UNZIP_BADDATA, reader.Read(0, TReadSink::Take, &damaged));

    // Encrypted: not a byte handed over.
    ASSERT_EQ(0, reader.Open(P("enc.zip").c_str()));
    TReadSink secret;
    EXPECT_EQ(TV_UNZIP_NOPASSWORD, reader.Read(0, TReadSink::Take, &secret));
    EXPECT_TRUE(secret.bytes.empty());

    EXPECT_NE(0, reader.Open(P("missing.zip").c_str()));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(0u, reader.Count());
    EXPECT_NE(0, reader.Open(P("big.bin").c_str()));
    EXPECT_NE(0, reader.Open(""));
}

// Stops the search when the n-th archive begins.
class TStopAt : public TZipSearchObserver {
public:
    explicit TStopAt(int archive) : stopAt_(archive) {}
    void CurrentFile(const char* name) override {
        files.push_back(name);
        if (int(files.size()) == stopAt_) stop_ = true;
    }
    void Passed(uint32_t records) override { passed.push_back(records); }
    bool Cancelled() override {
        ++asked;
        return stop_;
    }
    std::vector<std::string> files;
    std::vector<uint32_t> passed;
    int asked = 0;

private:
    int stopAt_;
    bool stop_ = false;
};

class ZipSearchRun : public ZipSearchDisk {
protected:
    void SetUp() override {
        ZipSearchDisk::SetUp();
        // Ten thousand bytes of filler, then "NEEDLE" across byte 10,000 of the member.
        Py("def deflated(z, name, data):\n"
           "    z.writestr(name, data, compress_type=zipfile.ZIP_DEFLATED)\n"
           "z = zipfile.ZipFile('first.zip', 'w')\n"
           "deflated(z, 'notes.txt', 'the cat sat on the mat')\n"
           "deflated(z, 'upper.txt', 'THE CAT IN CAPITALS')\n"
           "z.writestr(zipfile.ZipInfo('docs/'), '')\n"
           "deflated(z, 'docs/readme.txt', 'no animals here')\n"
           "deflated(z, 'other/readme.txt', 'a cat in another folder')\n"
           "deflated(z, 'straddle.bin', b'x' * 9997 + b'NEEDLE' + b'y' * 20000)\n"
           "deflated(z, 'pic.jpg', bytes(random.getrandbits(8) for _ in range(5000)))\n"
           "z.close()\n"
           "z = zipfile.ZipFile('inner.zip', 'w')\n"
           "deflated(z, 'setup.exe', b'MZ setup with a cat')\n"
           "deflated(z, 'inside.txt', 'cat inside the program')\n"
           "z.close()\n"
           "open('setup.exe', 'wb').write(b'MZ' + b'\\x90' * 3000 + open('inner.zip', 'rb').read())\n"
           "open('plain.exe', 'wb').write(b'MZ' + b'cat ' * 500)\n"
           "open('notes.txt', 'w').write('cat cat cat')\n"
           "z = zipfile.ZipFile('good.zip', 'w')\n"
           "z.writestr('good.txt', 'cat ' + 'dog ' * 1000, compress_type=zipfile.ZIP_STORED)\n"
           "z.close()\n"
           "d = bytearray(open('good.zip','rb').read())\n"
           "k = d.find(b'dog dog'); d[k + 2000] ^= 0x55\n"
           "open('damaged.zip','wb').write(d)\n"
           "os.remove('inner.zip')\n");
        ASSERT_EQ(0, Sh("mkdir e && cd e && echo the cat is secret > locked.txt && echo cat in the clear > open.txt"
                        " && zip -q -P pw ../locked.zip locked.txt && zip -q ../locked.zip open.txt"));
        categories_.EnsureDefaultCategories(1);
        for (const char* name : {"first.zip", "notes.txt", "setup.exe", "plain.exe", "locked.zip", "damaged.zip"}) {
            FileItem f = Download(name, 0);
            downloads_.Add(&f, 0);
        }
        LinkItemsToCategories(&categories_, &downloads_, nullptr, nullptr);
        source_.downloads = &downloads_;
        source_.categories = &categories_;
        source_.locations = {dir_.c_str(), dir_.c_str()};
    }

    // "archive:folder\\name" of every hit, in hit order.
    std::vector<std::string> Search(const char* contents, const char* filter, TZipSearchObserver* observer = nullptr,
                                    int* result = nullptr) {
        hits_.Clear();
        TZipSearchRequest request;
        request.contents = contents;
        request.filter = filter;
        request.workers = workers_;
        const int r = RunZipSearch(source_, request, &hits_, observer);
        if (result) *result = r;
        return Hits();
    }
    std::vector<std::string> Hits() const {
        std::vector<std::string> out;
        for (const ListNode* n = hits_.First(); n; n = n->next) {
            const ArchiveSearchHit* h = TZipSearchFileListObject::Item(n);
            std::string name = TFileListObject::Item(h->download)->fileName;
            name += ":";
            if (*h->member.folder) name += std::string(h->member.folder) + "\\";
            name += h->member.name;
            if (h->member.setup) name += " (setup)";
            out.push_back(name);
        }
        return out;
    }

    TCategoryListObject categories_;
    TFileListObject downloads_;
    TZipSearchFileListObject hits_;
    TZipSearchSource source_;
    unsigned workers_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(ZipSearchRun, NamesOnlyListsEveryMatchingMemberOfEveryArchive) {
    // Self-extracting setup.exe is searched like a ZIP; plain.exe (no ZIP) and notes.txt give nothing.
    EXPECT_EQ((Names{"first.zip:notes.txt", "first.zip:upper.txt", "first.zip:docs\\readme.txt",
                     "first.zip:other\\readme.txt", "setup.exe:inside.txt", "locked.zip:locked.txt",
                     "locked.zip:open.txt", "damaged.zip:good.txt"}),
              Search("", "*.txt"));
    EXPECT_EQ((Names{"first.zip:notes.txt", "first.zip:upper.txt", "first.zip:docs\\readme.txt",
                     "first.zip:other\\readme.txt", "first.zip:straddle.bin", "first.zip:pic.jpg",
                     "setup.exe:setup.exe (setup)", "setup.exe:inside.txt", "locked.zip:locked.txt",
                     "locked.zip:open.txt", "damaged.zip:good.txt"}),
              Search("", ""));
    EXPECT_EQ((Names{"first.zip:pic.jpg"}), Search("", "*.JPG"));
}

TEST_F(ZipSearchRun, ContentsMatchExactBytesOfReadableUnencryptedMembers) {
    // Case counts; the member of the same name in another folder is tested on its own bytes; the
    // encrypted member and the damaged one never match; the stub program is no archive.
    EXPECT_EQ((Names{"first.zip:notes.txt", "first.zip:other\\readme.txt", "setup.exe:setup.exe (setup)",
                     "setup.exe:inside.txt", "locked.zip:open.txt"}),
              Search("cat", ""));
    EXPECT_EQ((Names{"first.zip:upper.txt"}), Search("CAT", "*.txt"));
    EXPECT_EQ((Names{"first.zip:notes.txt", "first.zip:other\\readme.txt", "setup.exe:inside.txt",
                     "locked.zip:open.txt"}),
              Search("cat", "*.txt"));
    EXPECT_EQ((Names{"first.zip:straddle.bin"}), Search("NEEDLE", "*.*"));
    EXPECT_EQ((Names{"first.zip:straddle.bin"}), Search("xNEEDLEy", "straddle.bin"));
    EXPECT_TRUE(Search("needle", "").empty());
    EXPECT_TRUE(Search("secret", "").empty());
}

TEST_F(ZipSearchRun, CancelKeepsTheHitsFoundSoFar) {
    // One archive after the other on this thread, and several at once on worker threads.
    for (unsigned workers : {1u, 4u}) {
        SCOPED_TRACE(workers);
        workers_ = workers;
        TStopAt stop(2);  // cancelled as the second searched archive begins
        int result = -1;
        EXPECT_EQ((Names{"first.zip:notes.txt", "first.zip:other\\readme.txt"}),
                  Search("cat", "*.txt", &stop, &result));
        EXPECT_EQ(TV_ZIPSEARCH_CANCELLED, result);
        EXPECT_EQ((std::vector<std::string>{"first.zip", "setup.exe"}), stop.files);
        EXPECT_EQ((std::vector<uint32_t>{1, 2}), stop.passed);

        TStopAt never(0);
        Search("cat", "", &never, &result);
        EXPECT_EQ(TV_ZIPSEARCH_DONE, result);
        EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5, 6}), never.passed);
        EXPECT_EQ(6u, CountSearchRange(&downloads_));
        // Asked before every download and as each of the five archives begins; searching on this
        // thread also between members and blocks.
        if (workers == 1)
            EXPECT_GT(never.asked, 6 + 10);
        else
            EXPECT_GE(never.asked, 6 + 5);
    }
}

TEST_F(ZipSearchRun, AHitWhoseDownloadIsGoneIsInvalidWithoutTouchingIt) {
    Search("", "*.txt");
    ASSERT_EQ(8u, hits_.Count(0));
    EXPECT_EQ(8u, hits_.Count(1));
    // The copy the result window keeps knows nothing valid until it is told the download list.
    TZipSearchFileListObject copy;
    hits_.CopyTo(&copy, 0);
    EXPECT_EQ(0u, copy.Count(1));
    copy.SetDownloadList(&downloads_);
    EXPECT_EQ(8u, copy.Count(1));
    // Deleting first.zip frees its node: its four hits are invalid, read from no freed memory.
    ListNode* first = downloads_.First();
    downloads_.DeleteNode(first);
    EXPECT_EQ(4u, copy.Count(1));
    // A download that changed its stored name or category is no longer the archive of the hit.
    FileItem* setup = TFileListObject::Item(downloads_.FindFileByName("setup.exe", -1, 0));
    ASSERT_NE(nullptr, setup);
    TextAssign(&setup->storedName, "other.exe");
    EXPECT_EQ(3u, copy.Count(1));
    TextAssign(&setup->storedName, "setup.exe");
    setup->categoryId = 7;
    EXPECT_EQ(3u, copy.Count(1));
    setup->categoryId = 0;
    EXPECT_EQ(4u, copy.Count(1));
    copy.SetDownloadList(nullptr);
    EXPECT_EQ(0u, copy.Count(1));
}

TEST_F(ZipSearchRun, ArchivesThatCannotBeReadGiveNoHits) {
    TZipSearchRequest request;
    request.filter = "*.*";
    TZipSearchFileListObject hits;
    EXPECT_EQ(TV_ZIPSEARCH_DONE, SearchArchive(P("missing.zip").c_str(), nullptr, request, &hits, nullptr));
    EXPECT_EQ(TV_ZIPSEARCH_DONE, SearchArchive(P("plain.exe").c_str(), nullptr, request, &hits, nullptr));
    EXPECT_EQ(TV_ZIPSEARCH_DONE, SearchArchive("", nullptr, request, &hits, nullptr));
    EXPECT_EQ(0u, hits.Count(0));
    // A download whose stored file is gone is passed over.
    ASSERT_EQ(0, Sh("rm first.zip"));
    EXPECT_EQ((Names{"setup.exe:inside.txt"}), Search("inside", ""));
}

// ---------------------------------------------------------------- several archives at once

// Eight archives of five text members and a larger random one; member j of archive i holds the
// text when (5 i + j) % 3 != 1. A text download stands between the fourth and the fifth.
class ZipSearchParallel : public ZipSearchDisk {
protected:
    static constexpr int kArchives = 8;
    void SetUp() override {
        ZipSearchDisk::SetUp();
        Py("for i in range(8):\n"
           "    z = zipfile.ZipFile('arc%d.zip' % i, 'w', zipfile.ZIP_DEFLATED)\n"
           "    for j in range(5):\n"
           "        words = ' '.join(random.choice(['hay', 'straw', 'stack', 'barn']) for _ in range(12000))\n"
           "        if (5 * i + j) % 3 != 1:\n"
           "            at = random.randrange(len(words))\n"
           "            words = words[:at] + 'needle' + words[at:]\n"
           "        z.writestr('m%d.txt' % j, words)\n"
           "    z.writestr('noise.bin', bytes(random.getrandbits(8) for _ in range(300000)))\n"
           "    z.close()\n"
           "open('readme.txt', 'w').write('needle')\n");
        categories_.EnsureDefaultCategories(1);
        for (int i = 0; i < kArchives; ++i) {
            if (i == 4) AddDownload("readme.txt");
            AddDownload(ArchiveName(i).c_str());
        }
        LinkItemsToCategories(&categories_, &downloads_, nullptr, nullptr);
        source_.downloads = &downloads_;
        source_.categories = &categories_;
        source_.locations = {dir_.c_str(), dir_.c_str()};
    }
    void AddDownload(const char* name) {
        FileItem f = Download(name, 0);
        downloads_.Add(&f, 0);
    }
    static std::string ArchiveName(int i) { return "arc" + std::to_string(i) + ".zip"; }
    // The hits of one archive as a search finds them, in member order.
    static Names HitsOf(int i) {
        Names names;
        for (int j = 0; j < 5; ++j)
            if ((5 * i + j) % 3 != 1) names.push_back(ArchiveName(i) + ":m" + std::to_string(j) + ".txt");
        return names;
    }
    // The hits of the first n archives.
    static Names HitsBefore(int n) {
        Names names;
        for (int i = 0; i < n; ++i) {
            const Names some = HitsOf(i);
            names.insert(names.end(), some.begin(), some.end());
        }
        return names;
    }
    Names Search(unsigned workers, TZipSearchObserver* observer, int* result, TZipFileSystem* fs = nullptr) {
        TZipSearchRequest request;
        request.contents = "needle";
        request.workers = workers;
        hits_.Clear();
        *result = RunZipSearch(source_, request, &hits_, observer, fs);
        Names names;
        for (const ListNode* n = hits_.First(); n; n = n->next) {
            const ArchiveSearchHit* h = TZipSearchFileListObject::Item(n);
            names.push_back(std::string(TFileListObject::Item(h->download)->fileName) + ":" + h->member.name);
        }
        return names;
    }

    TCategoryListObject categories_;
    TFileListObject downloads_;
    TZipSearchFileListObject hits_;
    TZipSearchSource source_;
};

// TStopAt that also notes whether every call came on the thread that runs the search.
class TStopAtOnThisThread : public TStopAt {
public:
    explicit TStopAtOnThisThread(int archive) : TStopAt(archive) {}
    void CurrentFile(const char* name) override {
        Note();
        TStopAt::CurrentFile(name);
    }
    void Passed(uint32_t records) override {
        Note();
        TStopAt::Passed(records);
    }
    bool Cancelled() override {
        Note();
        return TStopAt::Cancelled();
    }
    bool otherThread = false;

private:
    void Note() { otherThread = otherThread || std::this_thread::get_id() != thread_; }
    std::thread::id thread_ = std::this_thread::get_id();
};

TEST_F(ZipSearchParallel, HitsComeInArchiveAndMemberOrderWhateverTheWorkers) {
    for (unsigned workers : {1u, 2u, 3u, 8u, 0u}) {
        SCOPED_TRACE(workers);
        TStopAtOnThisThread observer(0);
        int result = -1;
        EXPECT_EQ(HitsBefore(kArchives), Search(workers, &observer, &result));
        EXPECT_EQ(TV_ZIPSEARCH_DONE, result);
        EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}), observer.passed);
        EXPECT_EQ(size_t(kArchives), observer.files.size());
        EXPECT_FALSE(observer.otherThread);
        // Without an observer too.
        EXPECT_EQ(HitsBefore(kArchives), Search(workers, nullptr, &result));
    }
}

TEST_F(ZipSearchParallel, CancelAsAnArchiveBeginsKeepsExactlyTheArchivesBefore) {
    // The workers run ahead of the archive shown; what they found there is never kept.
    for (int k = 1; k <= kArchives; ++k) {
        SCOPED_TRACE(k);
        TStopAtOnThisThread stop(k);
        int result = -1;
        EXPECT_EQ(HitsBefore(k - 1), Search(4, &stop, &result));
        EXPECT_EQ(TV_ZIPSEARCH_CANCELLED, result);
        ASSERT_EQ(size_t(k), stop.files.size());
        EXPECT_EQ(ArchiveName(k - 1), stop.files.back());
        EXPECT_FALSE(stop.otherThread);
    }
}

// The platform's file system, but an archive's search waits at its first look until the gate opens.
class TGatedFileSystem : public TZipFileSystem {
public:
    explicit TGatedFileSystem(std::string gated) : gated_(std::move(gated)) {}
    void OpenGate() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits (ten seconds at most) until every named file was looked at.
    bool WaitLookedAt(const Names& names) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            return std::all_of(names.begin(), names.end(), [&](const std::string& n) { return looked_.count(n) > 0; });
        });
    }
    int GetInfo(const char* path, TZipFileInfo* info) override {
        std::string name = path;
        name = name.substr(name.find_last_of('/') + 1);
        {
            std::unique_lock<std::mutex> lock(mutex_);
            looked_.insert(name);
            changed_.notify_all();
            if (name == gated_) changed_.wait_for(lock, std::chrono::seconds(20), [this] { return open_; });
        }
        return base_->GetInfo(path, info);
    }
    TZipFile* OpenRead(const char* path) override { return base_->OpenRead(path); }
    TZipFile* Create(const char* path) override { return base_->Create(path); }
    int CreateFolder(const char* path) override { return base_->CreateFolder(path); }
    int RemoveFile(const char* path) override { return base_->RemoveFile(path); }
    int RemoveFolder(const char* path) override { return base_->RemoveFolder(path); }
    int Replace(const char* from, const char* to) override { return base_->Replace(from, to); }
    int SetAttributes(const char* path, uint32_t a) override { return base_->SetAttributes(path, a); }
    int ListFolder(const char* path, VisitProc visit, void* c) override { return base_->ListFolder(path, visit, c); }
    std::string ShortPath(const char* path) override { return base_->ShortPath(path); }
    std::string Utf8ToAnsi(const char* text) override { return base_->Utf8ToAnsi(text); }
    std::string AnsiToUtf8(const char* text) override { return base_->AnsiToUtf8(text); }
    char Separator() const override { return base_->Separator(); }

private:
    TZipFileSystem* base_ = DefaultZipFileSystem();
    std::string gated_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> looked_;
    bool open_ = false;
};

TEST_F(ZipSearchParallel, CancelWhileAnArchiveIsSearchedKeepsWhatItFoundInOrder) {
    // The third archive is held back until the workers have taken every archive after it; then
    // the search is cancelled while it waits for the third.
    TGatedFileSystem fs(ArchiveName(2));
    struct TCancelWhileWaiting : public TZipSearchObserver {
        TGatedFileSystem* fs = nullptr;
        std::string current;
        int asked = 0;
        bool sawAhead = false;
        void CurrentFile(const char* name) override {
            current = name;
            asked = 0;
        }
        bool Cancelled() override {
            if (current != ArchiveName(2) || ++asked == 1) return false;  // not as it begins
            sawAhead = fs->WaitLookedAt({ArchiveName(3), ArchiveName(4), ArchiveName(5), ArchiveName(6),
                                         ArchiveName(7)});
            fs->OpenGate();
            return true;
        }
    } observer;
    observer.fs = &fs;
    int result = -1;
    const Names hits = Search(4, &observer, &result, &fs);
    EXPECT_EQ(TV_ZIPSEARCH_CANCELLED, result);
    EXPECT_TRUE(observer.sawAhead);
    // The first two archives whole, then what the third gave before it stopped, in member order.
    const Names before = HitsBefore(2);
    ASSERT_GE(hits.size(), before.size());
    EXPECT_EQ(before, Names(hits.begin(), hits.begin() + long(before.size())));
    const Names third(hits.begin() + long(before.size()), hits.end());
    const Names all = HitsOf(2);
    ASSERT_LE(third.size(), all.size());
    EXPECT_EQ(Names(all.begin(), all.begin() + long(third.size())), third);
}

}  // namespace

namespace {

// ---------------------------------------------------------------- the result window's decisions

class ZipSearchWindowLogic : public ::testing::Test {
protected:
    void SetUp() override {
        categories_.EnsureDefaultCategories(1);
        // Two archives in the root, one in "Standard" (id 1).
        for (const auto& d : {std::make_pair("b.zip", 0), std::make_pair("a.zip", 0), std::make_pair("c.zip", 1)}) {
            FileItem f = Download(d.first, d.second);
            downloads_.Add(&f, 0);
        }
        LinkItemsToCategories(&categories_, &downloads_, nullptr, nullptr);
        hits_.SetDownloadList(&downloads_);
        AddHit("b.zip", "zeta.txt", "", 300, 100, 10);
        AddHit("a.zip", "alpha.txt", "docs", 100, 100, 30);
        AddHit("c.zip", "Mid.txt", "", 200, 50, 20, TV_MEMBER_ENCRYPTED);
        AddHit("a.zip", "beta.bin", "", 100, 10, 40);
    }
    void AddHit(const char* archive, const char* name, const char* folder, uint32_t size, uint32_t packed,
                uint64_t time, uint32_t attributes = 0) {
        ArchiveSearchHit hit{};
        InitArchiveMember(&hit.member);
        TextAssign(&hit.member.name, name);
        TextAssign(&hit.member.folder, folder);
        hit.member.size = size;
        hit.member.packed = packed;
        hit.member.ratio = uint8_t(size ? 100 - packed * 100 / size : 0);
        hit.member.time.Set(time);
        hit.member.attributes = attributes;
        hit.storedName = const_cast<char*>("");
        ListNode* node = hits_.Add(&hit, 0);
        FreeArchiveMember(&hit.member);
        TZipSearchFileListObject::LinkDownload(TZipSearchFileListObject::Item(node),
                                               downloads_.FindFileByName(archive, -1, TV_FIND_FILE_NAME));
    }
    std::string Cell(const ArchiveSearchHit* hit, int column) {
        char text[TV_PATH_SIZE];
        FormatZipSearchCell(hits_, *hit, column, text, sizeof text);
        return text;
    }
    std::vector<std::string> Names(const std::vector<const ArchiveSearchHit*>& rows) {
        std::vector<std::string> out;
        for (const ArchiveSearchHit* h : rows) out.push_back(h->member.name);
        return out;
    }
    std::vector<std::string> Sorted(int column, bool descending) {
        order_.Assign(hits_);
        order_.Sort(column, descending);
        std::vector<const ArchiveSearchHit*> rows;
        for (size_t i = 0; i < order_.Size(); ++i) rows.push_back(order_.Row(i));
        return Names(rows);
    }
    std::vector<const ArchiveSearchHit*> All() {
        std::vector<const ArchiveSearchHit*> rows;
        for (const ListNode* n = hits_.First(); n; n = n->next) rows.push_back(TZipSearchFileListObject::Item(n));
        return rows;
    }

    TCategoryListObject categories_;
    TFileListObject downloads_;
    TZipSearchFileListObject hits_;
    TZipSearchRowOrder order_;
};

TEST_F(ZipSearchWindowLogic, CellsShowTheArchiveOnlyWhileItsDownloadIsThere) {
    const std::vector<const ArchiveSearchHit*> rows = All();
    EXPECT_EQ("Mid.txt+", Cell(rows[2], ZS_COLUMN_NAME));
    EXPECT_EQ("c.zip", Cell(rows[2], ZS_COLUMN_ARCHIVE));
    EXPECT_EQ("Standard", Cell(rows[2], ZS_COLUMN_CATEGORY));
    EXPECT_EQ("Downloads", Cell(rows[0], ZS_COLUMN_CATEGORY));
    EXPECT_EQ("docs", Cell(rows[1], ZS_COLUMN_PATH));
    EXPECT_EQ("75%", Cell(rows[2], ZS_COLUMN_RATIO));
    EXPECT_EQ("", Cell(rows[0], ZS_COLUMN_TIME));
    EXPECT_EQ(220, ZipSearchColumnWidth(ZS_COLUMN_PATH));
    EXPECT_TRUE(ZipSearchColumnRight(ZS_COLUMN_PACKED));
    EXPECT_FALSE(ZipSearchColumnRight(ZS_COLUMN_ARCHIVE));
    downloads_.DeleteNode(downloads_.FindFileByName("c.zip", -1, TV_FIND_FILE_NAME));
    EXPECT_EQ("", Cell(rows[2], ZS_COLUMN_ARCHIVE));
    EXPECT_EQ("", Cell(rows[2], ZS_COLUMN_CATEGORY));
    EXPECT_EQ("Mid.txt+", Cell(rows[2], ZS_COLUMN_NAME));  // the member itself is still shown
    EXPECT_EQ(nullptr, HitDownload(hits_, *rows[2]));
}

TEST_F(ZipSearchWindowLogic, RowsSortByEveryColumnAndRemoveHits) {
    EXPECT_EQ((std::vector<std::string>{"Mid.txt", "alpha.txt", "beta.bin", "zeta.txt"}), Sorted(ZS_COLUMN_NAME, false));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "beta.bin", "alpha.txt", "Mid.txt"}), Sorted(ZS_COLUMN_NAME, true));
    // Archive name, then list order among equals.
    EXPECT_EQ((std::vector<std::string>{"alpha.txt", "beta.bin", "zeta.txt", "Mid.txt"}), Sorted(ZS_COLUMN_ARCHIVE, false));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "alpha.txt", "beta.bin", "Mid.txt"}), Sorted(ZS_COLUMN_CATEGORY, false));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "Mid.txt", "alpha.txt", "beta.bin"}), Sorted(ZS_COLUMN_TIME, false));
    // Numbers compare as numbers (100 < 200 < 300, whatever their texts).
    EXPECT_EQ((std::vector<std::string>{"alpha.txt", "beta.bin", "Mid.txt", "zeta.txt"}), Sorted(ZS_COLUMN_SIZE, false));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "Mid.txt", "alpha.txt", "beta.bin"}), Sorted(ZS_COLUMN_SIZE, true));
    EXPECT_EQ((std::vector<std::string>{"beta.bin", "Mid.txt", "zeta.txt", "alpha.txt"}), Sorted(ZS_COLUMN_PACKED, false));
    EXPECT_EQ((std::vector<std::string>{"zeta.txt", "Mid.txt", "beta.bin", "alpha.txt"}), Sorted(ZS_COLUMN_PATH, false));
    // A key function orders the text columns (here: by the text reversed).
    order_.SetSortKeyFunction([](const char* text, void*) { return std::string(text).substr(1); }, nullptr);
    EXPECT_EQ((std::vector<std::string>{"beta.bin", "zeta.txt", "Mid.txt", "alpha.txt"}), Sorted(ZS_COLUMN_NAME, false));
    const ArchiveSearchHit* second = order_.Row(1);
    order_.Remove(second);
    EXPECT_EQ(3u, order_.Size());
    EXPECT_EQ(-1, order_.RowOf(second));
    EXPECT_EQ("Mid.txt", std::string(order_.Row(1)->member.name));
    order_.Remove(second);  // twice: nothing happens
    EXPECT_EQ(3u, order_.Size());
}

TEST_F(ZipSearchWindowLogic, CommandStates) {
    struct {
        int command;
        uint32_t hits, selected;
        bool enabled;
    } cases[] = {
        {IV_CM_OPEN, 4, 1, true},          {IV_CM_OPEN, 4, 0, false},         {IV_CM_EXTRACT, 0, 0, false},
        {IV_CM_DELETE, 4, 2, true},        {IV_CM_COPY_ARCHIVE, 4, 0, false}, {IV_CM_ARCHIVE_PROPERTIES, 4, 1, true},
        {IV_CM_SELECT_ALL, 4, 0, true},    {IV_CM_SELECT_SOME, 0, 0, false},  {IV_CM_SELECT_INVERT, 1, 1, true},
        {IV_CM_REFRESH, 0, 0, true},       {IV_CM_CLOSE, 0, 0, true},         {IV_CM_HELP_CONTENTS, 0, 0, true},
        {IV_CM_OPEN_ARCHIVE, 1, 0, false}, {IV_CM_PROPERTIES, 1, 1, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.enabled, IsZipSearchCommandEnabled(c.command, ZipSearchStateMask(c.hits, c.selected))) << c.command;
}

TEST_F(ZipSearchWindowLogic, RowsToProcessAndTheDeleteLoop) {
    const std::vector<const ArchiveSearchHit*> view = All();
    const std::vector<const ArchiveSearchHit*> selected = {view[1], view[3]};
    EXPECT_EQ((std::vector<std::string>{"alpha.txt", "beta.bin"}), Names(ZipSearchRowsToProcess(hits_, view, selected, 0, "")));
    EXPECT_EQ(4u, ZipSearchRowsToProcess(hits_, view, selected, 1, "").size());
    // "Files:" matches the archive's (download's) file name, not the member's.
    EXPECT_EQ((std::vector<std::string>{"alpha.txt", "beta.bin"}), Names(ZipSearchRowsToProcess(hits_, view, selected, 2, "A.ZIP")));
    EXPECT_EQ(4u, ZipSearchRowsToProcess(hits_, view, selected, 2, "?.zip").size());
    EXPECT_EQ((std::vector<std::string>{"zeta.txt"}), Names(ZipSearchRowsToProcess(hits_, view, selected, 2, "b*.*")));
    EXPECT_TRUE(ZipSearchRowsToProcess(hits_, view, selected, 2, "*.txt").empty());
    EXPECT_TRUE(ZipSearchRowsToProcess(hits_, view, selected, 2, "").empty());

    // Three rows, the second fails: going on deletes the third, stopping does not.
    for (bool goOn : {true, false}) {
        std::vector<std::string> tried, asked;
        TZipSearchDeleteHooks hooks;
        hooks.deleteMember = [&](const ArchiveSearchHit& hit) {
            tried.push_back(hit.member.name);
            return tried.size() == 2 ? TV_ZIP_WRITEFAILED : 0;
        };
        hooks.continueAfter = [&](int code) {
            asked.push_back(std::to_string(code));
            return goOn;
        };
        const std::vector<const ArchiveSearchHit*> rows = {view[0], view[1], view[2]};
        const std::vector<std::string> deleted = Names(DeleteHitsOneByOne(rows, hooks));
        EXPECT_EQ((std::vector<std::string>{"14"}), asked);
        if (goOn) {
            EXPECT_EQ((std::vector<std::string>{"zeta.txt", "alpha.txt", "Mid.txt"}), tried);
            EXPECT_EQ((std::vector<std::string>{"zeta.txt", "Mid.txt"}), deleted);
        } else {
            EXPECT_EQ((std::vector<std::string>{"zeta.txt", "alpha.txt"}), tried);
            EXPECT_EQ((std::vector<std::string>{"zeta.txt"}), deleted);
        }
    }

    // Copy takes every archive once, in row order; a hit whose download is gone has none.
    std::vector<std::string> archives;
    for (ListNode* n : ArchivesOfRows(hits_, {view[3], view[0], view[1], view[2]}))
        archives.push_back(TFileListObject::Item(n)->fileName);
    EXPECT_EQ((std::vector<std::string>{"a.zip", "b.zip", "c.zip"}), archives);
    downloads_.DeleteNode(downloads_.FindFileByName("b.zip", -1, TV_FIND_FILE_NAME));
    EXPECT_EQ(2u, ArchivesOfRows(hits_, view).size());
}

}  // namespace
