// The internal viewer's decisions: command states, row texts and order, status texts, the copy
// destination, select-by-mask, item lists, totals and the member-by-member extraction loop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/viewer_ids.h"
#include "archive/viewer_logic.h"
#include "archive/zipengine.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

// A member record whose texts the test owns.
struct Member {
    explicit Member(const char* name, const char* folder = "", uint32_t size = 0, uint32_t packed = 0,
                    uint32_t attributes = 0, uint64_t time = 0, uint8_t ratio = 0) {
        InitArchiveMember(&m);
        TextAssign(&m.name, name);
        TextAssign(&m.folder, folder);
        m.size = size;
        m.packed = packed;
        m.attributes = attributes;
        m.time.Set(time);
        m.ratio = ratio;
    }
    ~Member() { FreeArchiveMember(&m); }
    Member(const Member&) = delete;
    Member& operator=(const Member&) = delete;
    ArchiveMember m;
};

std::string Cell(const ArchiveMember& m, int column) {
    char out[300];
    FormatMemberCell(m, column, out, sizeof out);
    return out;
}

TEST(ViewerCommands, NeedsMasksDecideWhatIsGreyed) {
    const uint32_t none = ViewerStateMask(false, 0, 0, false);
    const uint32_t emptyArchive = ViewerStateMask(true, 0, 0, false);
    const uint32_t members = ViewerStateMask(true, 3, 0, false);
    const uint32_t selection = ViewerStateMask(true, 3, 2, false);
    const uint32_t setup = ViewerStateMask(true, 3, 0, true);
    EXPECT_EQ(0u, none);
    EXPECT_EQ(IV_STATE_ARCHIVE | IV_STATE_MEMBERS | IV_STATE_SELECTION | IV_STATE_SETUP,
              ViewerStateMask(true, 1, 1, true));
    const struct {
        int command;
        bool none, emptyArchive, members, selection, setup;
    } cases[] = {
        {IV_CM_OPEN, false, false, false, true, false},
        {IV_CM_PROPERTIES, false, false, false, true, false},
        {IV_CM_ADD, false, true, true, true, true},
        {IV_CM_EXTRACT, false, false, true, true, true},
        {IV_CM_DELETE, false, false, true, true, true},
        {IV_CM_SELECT_ALL, false, false, true, true, true},
        {IV_CM_SELECT_NONE, false, false, true, true, true},
        {IV_CM_SELECT_INVERT, false, false, true, true, true},
        {IV_CM_SELECT_SOME, false, false, true, true, true},
        {IV_CM_CLOSE_ARCHIVE, false, true, true, true, true},
        {IV_CM_COPY_ARCHIVE, false, true, true, true, true},
        {IV_CM_ARCHIVE_PROPERTIES, false, true, true, true, true},
        {IV_CM_PASSWORD, false, true, true, true, true},
        {IV_CM_REFRESH, false, true, true, true, true},
        {IV_CM_INSTALL, false, false, false, false, true},
        {IV_CM_NEW_ARCHIVE, true, true, true, true, true},
        {IV_CM_OPEN_ARCHIVE, true, true, true, true, true},
        {IV_CM_CLOSE, true, true, true, true, true},
        {IV_CM_PREFERENCES, true, true, true, true, true},
        {IV_CM_HELP_CONTENTS, true, true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(c.none, IsViewerCommandEnabled(c.command, none));
        EXPECT_EQ(c.emptyArchive, IsViewerCommandEnabled(c.command, emptyArchive));
        EXPECT_EQ(c.members, IsViewerCommandEnabled(c.command, members));
        EXPECT_EQ(c.selection, IsViewerCommandEnabled(c.command, selection));
        EXPECT_EQ(c.setup, IsViewerCommandEnabled(c.command, setup));
    }
}

TEST(ViewerRows, CellTexts) {
    Member plain("readme.txt", "DOCS\\SUB", 1536, 0xFFFFFFFFu, 0x20, 0, 0);
    Member locked("secret.doc", "", 0, 0, 0x20 | TV_MEMBER_ENCRYPTED, 0, 57);
    Member big("big.iso", "", 0xFFFFFFFFu, 1024, 0, 0, 100);
    EXPECT_EQ("readme.txt", Cell(plain.m, IV_COLUMN_NAME));
    EXPECT_EQ("secret.doc+", Cell(locked.m, IV_COLUMN_NAME));
    EXPECT_EQ("1 k", Cell(plain.m, IV_COLUMN_SIZE));  // whole kilobytes, rounded down
    EXPECT_EQ("0 k", Cell(locked.m, IV_COLUMN_SIZE));
    EXPECT_EQ("4,194,303 k", Cell(plain.m, IV_COLUMN_PACKED));
    EXPECT_EQ("4,194,303 k", Cell(big.m, IV_COLUMN_SIZE));
    EXPECT_EQ("0%", Cell(plain.m, IV_COLUMN_RATIO));
    EXPECT_EQ("57%", Cell(locked.m, IV_COLUMN_RATIO));
    EXPECT_EQ("100%", Cell(big.m, IV_COLUMN_RATIO));
    EXPECT_EQ("DOCS\\SUB", Cell(plain.m, IV_COLUMN_PATH));
    EXPECT_EQ("", Cell(locked.m, IV_COLUMN_PATH));
    // A small buffer stays terminated.
    char tiny[4];
    FormatMemberCell(plain.m, IV_COLUMN_NAME, tiny, sizeof tiny);
    EXPECT_EQ(std::string("rea"), tiny);
}

// Three members: the list order, then the row order after each sort.
class ViewerSort : public ::testing::Test {
protected:
    void SetUp() override {
        Add("b.txt", "z", 10, 5, 300);
        Add("C.txt", "a", 30, 30, 100);
        Add("a.txt", "m", 10, 1, 200);
        Add("d.txt", "", 20, 30, 0);
        order_.Assign(list_);
    }
    void Add(const char* name, const char* folder, uint32_t size, uint32_t packed, uint64_t time) {
        Member m(name, folder, size, packed, 0, time, uint8_t(packed < size ? 100 - packed * 100 / size : 0));
        list_.Add(&m.m, 0);
    }
    std::string Names() const {
        std::string out;
        for (size_t i = 0; i < order_.Size(); ++i) out += std::string(out.empty() ? "" : " ") + order_.Row(i)->name;
        return out;
    }
    TArchiveFileListObject list_;
    TMemberRowOrder order_;
};

TEST_F(ViewerSort, EachColumnBothWays) {
    EXPECT_EQ("b.txt C.txt a.txt d.txt", Names());  // list order until sorted
    // Plain bytes without a locale: upper case sorts first.
    order_.Sort(IV_COLUMN_NAME, false);
    EXPECT_EQ("C.txt a.txt b.txt d.txt", Names());
    order_.Sort(IV_COLUMN_NAME, true);
    EXPECT_EQ("d.txt b.txt a.txt C.txt", Names());
    order_.Sort(IV_COLUMN_PATH, false);
    EXPECT_EQ("d.txt C.txt a.txt b.txt", Names());
    order_.Sort(IV_COLUMN_TIME, false);
    EXPECT_EQ("d.txt C.txt a.txt b.txt", Names());
    order_.Sort(IV_COLUMN_TIME, true);
    EXPECT_EQ("b.txt a.txt C.txt d.txt", Names());
    order_.Sort(IV_COLUMN_PACKED, false);
    EXPECT_EQ("a.txt b.txt", Names().substr(0, 11));
    order_.Sort(IV_COLUMN_RATIO, true);
    EXPECT_EQ("a.txt b.txt", Names().substr(0, 11));  // 90 % then 50 %
    // Equal sizes (b and a: 10) keep no particular order between them, but the sizes ascend.
    order_.Sort(IV_COLUMN_SIZE, false);
    for (size_t i = 1; i < order_.Size(); ++i) EXPECT_LE(order_.Row(i - 1)->size, order_.Row(i)->size);
    EXPECT_EQ("C.txt", std::string(order_.Row(3)->name));
    order_.Sort(IV_COLUMN_SIZE, true);
    for (size_t i = 1; i < order_.Size(); ++i) EXPECT_GE(order_.Row(i - 1)->size, order_.Row(i)->size);
}

TEST_F(ViewerSort, TextColumnsUseTheSortKeys) {
    // A key that folds case: the order a locale gives, made once per row.
    static int made = 0;
    made = 0;
    order_.SetSortKeyFunction(
        [](const char* text, void*) {
            ++made;
            std::string key(text);
            for (char& c : key) c = LowerChar(c);
            return key;
        },
        nullptr);
    order_.Assign(list_);
    order_.Sort(IV_COLUMN_NAME, false);
    EXPECT_EQ("a.txt b.txt C.txt d.txt", Names());
    order_.Sort(IV_COLUMN_NAME, true);
    order_.Sort(IV_COLUMN_NAME, false);
    EXPECT_EQ(4, made);  // keys are kept between sorts
    order_.Sort(IV_COLUMN_PATH, true);
    EXPECT_EQ("b.txt a.txt C.txt d.txt", Names());
    EXPECT_EQ(8, made);
}

TEST(ViewerSortOrder, HeadingClicks) {
    int column = IV_COLUMN_NAME;
    bool descending = false;
    NextSortOrder(IV_COLUMN_NAME, &column, &descending);
    EXPECT_EQ(IV_COLUMN_NAME, column);
    EXPECT_TRUE(descending);
    NextSortOrder(IV_COLUMN_SIZE, &column, &descending);
    EXPECT_EQ(IV_COLUMN_SIZE, column);
    EXPECT_FALSE(descending);
    NextSortOrder(IV_COLUMN_SIZE, &column, &descending);
    EXPECT_TRUE(descending);
    NextSortOrder(IV_COLUMN_SIZE, &column, &descending);
    EXPECT_FALSE(descending);
}

TEST(ViewerStatus, CountTexts) {
    const struct {
        uint32_t count;
        uint64_t bytes;
        bool selected;
        const char* text;
    } cases[] = {
        {0, 0, true, "\t0 Files (0 Bytes) Selected"},
        {1, 1, true, "\t1 File (1 Byte) Selected"},
        {2, 2048, false, "\t2 Files (2,048 Bytes) Total"},
        {65600, 6000000000ull, false, "\t65600 Files (6,000,000,000 Bytes) Total"},
        {1, 4294967295ull, true, "\t1 File (4,294,967,295 Bytes) Selected"},
    };
    for (const auto& c : cases) {
        char out[100];
        FormatMemberCountStatus(out, sizeof out, c.count, c.bytes, c.selected);
        EXPECT_EQ(std::string(c.text), out);
    }
}

bool OnlyBackupExists(const char* path, void*) { return TextEquals(path, "C:\\Existing", 0, 0) != 0; }

TEST(ViewerCopy, DestinationIsFolderFileOrAsked) {
    const struct {
        const char* typed;
        int kind;
        const char* stored;
    } cases[] = {
        {"C:\\Backup", IV_COPY_ASK, "C:\\Backup"},
        {"C:\\Backup\\", IV_COPY_FOLDER, "C:\\Backup\\"},
        {"C:\\Backup/", IV_COPY_FOLDER, "C:\\Backup/"},
        {"C:\\Backup\\a.zip", IV_COPY_FILE, "C:\\Backup\\a.zip"},
        {"  C:\\Existing  ", IV_COPY_FOLDER, "C:\\Existing\\"},  // an existing folder, trimmed
        {"C:\\my.files\\backup", IV_COPY_FILE, "C:\\my.files\\backup"},
        {"   ", IV_COPY_EMPTY, ""},
        {"", IV_COPY_EMPTY, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        char text[TV_PATH_SIZE];
        CopyLimited(text, c.typed, sizeof text);
        EXPECT_EQ(c.kind, DecideCopyDestination(text, sizeof text, OnlyBackupExists, nullptr));
        EXPECT_EQ(std::string(c.stored), text);
    }
    // A folder that fills the buffer gets no backslash rather than a cut name.
    std::string full(TV_PATH_SIZE - 1, 'x');
    char text[TV_PATH_SIZE];
    CopyLimited(text, full.c_str(), sizeof text);
    EXPECT_EQ(IV_COPY_ASK, DecideCopyDestination(text, sizeof text, nullptr, nullptr));
}

TEST(ViewerCopy, TargetPath) {
    char out[TV_PATH_SIZE];
    EXPECT_EQ(1, CopyTargetPath("C:\\a\\b.zip", "D:\\Backup\\", true, out, sizeof out));
    EXPECT_EQ(std::string("D:\\Backup\\b.zip"), out);
    EXPECT_EQ(1, CopyTargetPath("C:\\a\\b.zip", "D:\\Backup", true, out, sizeof out));
    EXPECT_EQ(std::string("D:\\Backup\\b.zip"), out);
    EXPECT_EQ(1, CopyTargetPath("C:\\a\\b.zip", "D:\\c.zip", false, out, sizeof out));
    EXPECT_EQ(std::string("D:\\c.zip"), out);
    EXPECT_EQ(0, CopyTargetPath("", "D:\\", true, out, sizeof out));
    EXPECT_EQ(0, CopyTargetPath("C:\\a\\b.zip", "", true, out, sizeof out));
    const std::string longFolder = "D:\\" + std::string(255, 'f');
    EXPECT_EQ(0, CopyTargetPath("C:\\a\\b.zip", longFolder.c_str(), true, out, sizeof out));
    EXPECT_EQ(std::string(""), out);
}

TEST(ViewerSelectSome, MasksSelectByName) {
    const struct {
        const char* mask;
        const char* name;
        bool selects;
    } cases[] = {
        {"*.txt", "readme.txt", true},  {"*.txt", "NOTES.TXT", true}, {"*.txt", "a.doc", false},
        {"a?c.*", "abc.zip", true},     {"a?c.*", "abcd.zip", false}, {"a?c.*", "ac.zip", false},
        {"*.*", "noextension", true},   {"*", "x.y", false},           {"read*.*", "readme.txt", true},
        {"read*", "readme.txt", false}, {"read*", "readme", true},
        {"*.txt", "", false},           {"", "readme.txt", false}, {"*", "xy", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " " + c.name);
        EXPECT_EQ(c.selects, MaskSelectsName(c.name, c.mask));
    }
}

TEST(ViewerItemLists, MembersDropsAndPaths) {
    Member inFolder("a.txt", "docs\\sub");
    Member top("b.txt");
    char list[40] = "";
    EXPECT_EQ(1, AppendMemberToItemList(list, sizeof list, inFolder.m));
    EXPECT_EQ(1, AppendMemberToItemList(list, sizeof list, top.m));
    EXPECT_EQ(std::string("\"docs\\sub\\a.txt\" \"b.txt\""), list);
    EXPECT_EQ(0, AppendMemberToItemList(list, sizeof list, inFolder.m));  // would overflow: left out
    EXPECT_EQ(std::string("\"docs\\sub\\a.txt\" \"b.txt\""), list);

    char text[100];
    FormatDroppedText(text, sizeof text, {"C:\\in\\one.txt"});
    EXPECT_EQ(std::string("C:\\in\\one.txt"), text);
    FormatDroppedText(text, sizeof text, {"a", "b", "c"});
    EXPECT_EQ(std::string("3 files dropped"), text);
    FormatDroppedText(text, sizeof text, {"a%s%n", "b"});
    EXPECT_EQ(std::string("2 files dropped"), text);

    char paths[30];
    EXPECT_EQ(2u, BuildPathItemList(paths, sizeof paths, {"C:\\a b", "", "C:\\c", "C:\\toolongtofit\\x"}));
    EXPECT_EQ(std::string("\"C:\\a b\" \"C:\\c\""), paths);
}

TEST(ViewerTotals, RatiosOfTheArchive) {
    TArchiveFileListObject list;
    EXPECT_EQ(0, ArchiveTotalsOf(list).Ratio());  // empty: 0 %
    Member a("a", "", 1000, 250, TV_MEMBER_ENCRYPTED);
    Member b("b", "", 1000, 250);
    list.Add(&a.m, 0);
    list.Add(&b.m, 0);
    TArchiveTotals t = ArchiveTotalsOf(list);
    EXPECT_EQ(2u, t.members);
    EXPECT_EQ(1u, t.encrypted);
    EXPECT_EQ(2000u, t.size);
    EXPECT_EQ(500u, t.packed);
    EXPECT_EQ(75, t.Ratio());
    Member grown("c", "", 0, 3000);  // stored data larger than the files
    list.Add(&grown.m, 0);
    EXPECT_EQ(-75, ArchiveTotalsOf(list).Ratio());
    Member huge("d", "", 0xFFFFFFFFu, 0xFFFFFFFFu);
    TArchiveFileListObject big;
    for (int i = 0; i < 3; ++i) big.Add(&huge.m, 0);
    EXPECT_EQ(3ull * 0xFFFFFFFFu, ArchiveTotalsOf(big).size);
    EXPECT_EQ(0, ArchiveTotalsOf(big).Ratio());
    EXPECT_TRUE(IsZipName("inner.ZIP"));
    EXPECT_TRUE(IsZipName("a.b.zip"));
    EXPECT_FALSE(IsZipName("zip"));
    EXPECT_FALSE(IsZipName("a.zip.txt"));
    EXPECT_FALSE(IsZipName(nullptr));
}

// The member-by-member extraction with scripted engine results and answers.
class ViewerExtractLoop : public ::testing::Test {
protected:
    TMemberExtractResult Run(std::vector<const ArchiveMember*> members) {
        TMemberExtractHooks hooks;
        hooks.askPassword = [this](char* password, size_t size) {
            ++asked_;
            CopyLimited(password, typed_.c_str(), size);
        };
        hooks.extract = [this](const ArchiveMember& m, const char* password) {
            tried_.push_back(std::string(m.name) + (password[0] ? ":" + std::string(password) : ""));
            const size_t i = tried_.size() - 1;
            return i < results_.size() ? results_[i] : 0;
        };
        hooks.continueAfter = [this](int code) {
            questions_.push_back(code);
            return goOn_;
        };
        hooks.progress = [this](uint32_t done) { done_.push_back(done); };
        hooks.cancelled = [this]() { return cancelAfter_ >= 0 && int(tried_.size()) >= cancelAfter_; };
        return ExtractMembersOneByOne(members, password_, sizeof password_, hooks);
    }
    Member one_{"one.txt"}, two_{"two.txt"}, three_{"three.txt"};
    Member locked_{"locked.txt", "", 0, 0, TV_MEMBER_ENCRYPTED};
    std::vector<int> results_;
    std::vector<std::string> tried_;
    std::vector<int> questions_;
    std::vector<uint32_t> done_;
    bool goOn_ = true;
    int cancelAfter_ = -1;
    int asked_ = 0;
    std::string typed_;
    char password_[66] = "";
};

TEST_F(ViewerExtractLoop, SecondFailsYesGoesOn) {
    results_ = {0, TV_UNZIP_OUTPUTFAILED, 0};
    const TMemberExtractResult r = Run({&one_.m, &two_.m, &three_.m});
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt", "three.txt"}), tried_);
    EXPECT_EQ(std::vector<int>{TV_UNZIP_OUTPUTFAILED}, questions_);
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), done_);
    EXPECT_EQ(2u, r.extracted);
    EXPECT_EQ(1u, r.failed);
    EXPECT_FALSE(r.stopped);
}

TEST_F(ViewerExtractLoop, SecondFailsNoStops) {
    results_ = {0, TV_UNZIP_BADDATA, 0};
    goOn_ = false;
    const TMemberExtractResult r = Run({&one_.m, &two_.m, &three_.m});
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt"}), tried_);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), done_);
    EXPECT_EQ(1u, r.extracted);
    EXPECT_TRUE(r.stopped);
}

TEST_F(ViewerExtractLoop, SilentResultsAndCancel) {
    // Skipped (older or existing files) counts as done; nothing matched asks nothing; a cancel
    // from the engine ends the loop without a question.
    // A member written under a new name counts as written (and is told once afterwards).
    results_ = {TV_UNZIP_SKIPPED, TV_UNZIP_RENAMED, TV_UNZIP_NOTHING, TV_UNZIP_CANCELLED};
    Member four("four.txt"), five("five.txt");
    const TMemberExtractResult r = Run({&one_.m, &two_.m, &three_.m, &four.m, &five.m});
    EXPECT_TRUE(questions_.empty());
    EXPECT_EQ(4u, tried_.size());
    EXPECT_EQ(2u, r.extracted);
    EXPECT_EQ(1u, r.renamed);
    EXPECT_TRUE(r.stopped);
    // The Cancel button before a member.
    tried_.clear();
    results_.clear();
    cancelAfter_ = 1;
    EXPECT_TRUE(Run({&one_.m, &two_.m}).stopped);
    EXPECT_EQ(1u, tried_.size());
}

TEST_F(ViewerExtractLoop, EncryptedMembersNeedThePassword) {
    // No password typed: the encrypted member is skipped without a question, once asked.
    TMemberExtractResult r = Run({&one_.m, &locked_.m, &two_.m});
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt"}), tried_);
    EXPECT_EQ(1, asked_);
    EXPECT_EQ(1u, r.skipped);
    EXPECT_TRUE(questions_.empty());
    // Typed: used for the encrypted member only, and kept for the next one.
    tried_.clear();
    asked_ = 0;
    typed_ = "Secret";
    r = Run({&locked_.m, &one_.m, &locked_.m});
    EXPECT_EQ((std::vector<std::string>{"locked.txt:Secret", "one.txt", "locked.txt:Secret"}), tried_);
    EXPECT_EQ(1, asked_);
    EXPECT_EQ(3u, r.extracted);
    EXPECT_EQ(std::string("Secret"), password_);
}

}  // namespace
