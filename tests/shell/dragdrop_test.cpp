// Where a drop lands and with which effect, and the shell's blocks that data objects carry: built
// as other programs read them, and read back bounded when other programs hand them over.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/dragdrop.h"

namespace {

// Format sets as the program's own data objects and other programs offer them.
constexpr uint32_t kDownloads = TV_FMT_HDROP | TV_FMT_DOWNLOADS;
constexpr uint32_t kShortcuts = TV_FMT_HDROP | TV_FMT_SHORTCUTS;
constexpr uint32_t kBookmarks = TV_FMT_BOOKMARKS | TV_FMT_URL;
constexpr uint32_t kExplorerFiles = TV_FMT_HDROP;
constexpr uint32_t kBrowserLink = TV_FMT_URL;
constexpr uint32_t kAllEffects = TV_EFFECT_COPY | TV_EFFECT_MOVE | TV_EFFECT_LINK;

struct HitCase {
    const char* what;
    uint32_t formats;
    int currentKind;
    int area;
    int listKind;
    int categoryKind;
    bool ctrl, shift;
    uint32_t allowed;
    int target;
    uint32_t effect;
};

TEST(DropHitTest, TargetsAndEffects) {
    const int L = TV_DROP_AREA_LIST, T = TV_DROP_AREA_TREE, N = TV_DROP_AREA_NONE;
    const uint32_t C = TV_EFFECT_COPY, M = TV_EFFECT_MOVE, K = TV_EFFECT_LINK, X = TV_EFFECT_NONE;
    const HitCase cases[] = {
        // The list of the current kind takes what that kind accepts.
        {"downloads on the download list", kDownloads, 1, L, 1, 0, false, false, kAllEffects, 1, M},
        {"downloads with Ctrl still move", kDownloads, 1, L, 1, 0, true, false, kAllEffects, 1, M},
        {"explorer files on the download list", kExplorerFiles, 1, L, 1, 0, false, false, kAllEffects, 1, M},
        {"explorer files with Ctrl are copied", kExplorerFiles, 1, L, 1, 0, true, false, kAllEffects, 1, C},
        {"Ctrl+Shift on the download list copies", kExplorerFiles, 1, L, 1, 0, true, true, kAllEffects, 1, C},
        {"Ctrl+Shift on the shortcut list links", kExplorerFiles, 3, L, 3, 0, true, true, kAllEffects, 3, K},
        {"Ctrl on the shortcut list copies", kExplorerFiles, 3, L, 3, 0, true, false, kAllEffects, 3, C},
        {"shortcuts move as files", kShortcuts, 3, L, 3, 0, false, false, kAllEffects, 3, M},
        {"shortcuts onto the download list", kShortcuts, 1, L, 1, 0, false, false, kAllEffects, 1, M},
        {"bookmarks on the bookmark list", kBookmarks, 2, L, 2, 0, false, false, kAllEffects, 2, M},
        {"a browser link on the bookmark list", kBrowserLink, 2, L, 2, 0, false, false, kAllEffects, 2, K},
        {"a Netscape bookmark is copied", TV_FMT_NETSCAPE_BOOKMARK, 2, L, 2, 0, false, false, kAllEffects, 2, C},
        {"bookmarks on the download list", kBookmarks, 1, L, 1, 0, false, false, kAllEffects, 0, X},
        {"files on the bookmark list", kExplorerFiles, 2, L, 2, 0, false, false, kAllEffects, 0, X},
        {"a list that is not the current kind", kDownloads, 2, L, 1, 0, false, false, kAllEffects, 0, X},
        // Categories in the tree take their root's formats; the tree follows the drag.
        {"downloads on a download category", kDownloads, 1, T, 0, 1, false, false, kAllEffects, 4, M},
        {"bookmarks on a download category", kBookmarks, 1, T, 0, 1, false, false, kAllEffects, 0, X},
        {"bookmarks on a bookmark category", kBookmarks, 1, T, 0, 2, false, false, kAllEffects, 4, M},
        {"a browser link on a bookmark category", kBrowserLink, 3, T, 0, 2, false, false, kAllEffects, 4, K},
        {"explorer files on a shortcut category", kExplorerFiles, 1, T, 0, 3, true, true, kAllEffects, 4, K},
        {"explorer files on a download category", kExplorerFiles, 3, T, 0, 1, true, true, kAllEffects, 4, C},
        {"a download category on a download category", TV_FMT_FILE_CATEGORIES, 1, T, 0, 1, false, false, M, 4, M},
        {"a download category on a bookmark category", TV_FMT_FILE_CATEGORIES, 1, T, 0, 2, false, false, M, 0, X},
        {"a shortcut category on a download category", TV_FMT_SHORTCUT_CATEGORIES, 3, T, 0, 1, false, false, M, 0, X},
        {"a shortcut category on a shortcut category", TV_FMT_SHORTCUT_CATEGORIES, 3, T, 0, 3, true, true, M, 4, M},
        {"the tree away from any category", kDownloads, 1, T, 0, 0, false, false, kAllEffects, 0, X},
        {"outside the views", kDownloads, 1, N, 0, 0, false, false, kAllEffects, 0, X},
        {"nothing the program reads", 0, 1, L, 1, 0, false, false, kAllEffects, 0, X},
        // The source's allowed effects win over the rule.
        {"a link the source only lets copy", kBrowserLink, 2, L, 2, 0, false, false, C, 2, C},
        {"bookmarks allow move and link", kBookmarks, 2, T, 0, 2, true, false, M | K, 4, M},
        {"files that may only be linked", kExplorerFiles, 1, L, 1, 0, false, false, K, 1, K},
        {"a source that allows nothing", kExplorerFiles, 1, L, 1, 0, false, false, 0, 0, X},
    };
    for (const HitCase& c : cases) {
        SCOPED_TRACE(c.what);
        TDropHitInput in;
        in.formats = c.formats;
        in.currentKind = c.currentKind;
        in.area = c.area;
        in.listKind = c.listKind;
        in.categoryKind = c.categoryKind;
        in.ctrl = c.ctrl;
        in.shift = c.shift;
        in.allowed = c.allowed;
        const TDropHitResult r = HitTestDrop(in);
        EXPECT_EQ(r.target, c.target);
        EXPECT_EQ(r.effect, c.effect);
        EXPECT_EQ(r.selectCategory, c.target == TV_DROP_CATEGORY);
    }
}

TEST(DropHitTest, PasteFollowsTheAcceptedSets) {
    EXPECT_TRUE(PasteAccepted(kDownloads, 1));
    EXPECT_TRUE(PasteAccepted(kExplorerFiles, 3));
    EXPECT_TRUE(PasteAccepted(kBrowserLink, 2));
    EXPECT_FALSE(PasteAccepted(kBookmarks, 1));
    EXPECT_FALSE(PasteAccepted(kDownloads, 2));
    // Categories are dragged, never pasted.
    EXPECT_FALSE(PasteAccepted(TV_FMT_FILE_CATEGORIES, 1));
}

// --- File lists.

std::vector<std::string> ReadNarrow(const std::vector<uint8_t>& block) {
    std::vector<std::string> names;
    std::vector<std::u16string> wide;
    EXPECT_TRUE(ReadDropFiles(block.data(), block.size(), &names, &wide));
    EXPECT_TRUE(wide.empty());
    return names;
}

TEST(DropFiles, RoundTripSizedByWhatItHolds) {
    const std::string longest = "C:\\" + std::string(257, 'x');  // 260 characters
    const std::vector<std::vector<std::string>> lists = {
        {},
        {"C:\\a.zip"},
        {"C:\\My Files\\a.zip", "D:\\b c\\setup.exe", longest},
        std::vector<std::string>(40, longest),
    };
    for (const auto& paths : lists) {
        const std::vector<uint8_t> block = BuildDropFiles(paths);
        size_t expected = TV_DROPFILES_HEADER + 1;
        for (const auto& p : paths) expected += p.size() + 1;
        EXPECT_EQ(block.size(), expected);
        // Header: list offset 20, no point, not wide; the list ends with two NULs.
        EXPECT_EQ(block[0], 20);
        for (size_t i = 1; i < TV_DROPFILES_HEADER; ++i) EXPECT_EQ(block[i], 0) << i;
        EXPECT_EQ(block.back(), 0);
        EXPECT_EQ(ReadNarrow(block), paths);
    }
}

TEST(DropFiles, ForeignBlocksAreReadWithinTheirBounds) {
    // A wide list, as the shell makes it.
    std::vector<uint8_t> wide(TV_DROPFILES_HEADER, 0);
    wide[0] = 20;
    wide[16] = 1;
    for (const char* name : {"C:\\a.txt", "C:\\b.txt"}) {
        for (const char* p = name; *p; ++p) {
            wide.push_back(uint8_t(*p));
            wide.push_back(0);
        }
        wide.push_back(0);
        wide.push_back(0);
    }
    wide.push_back(0);
    wide.push_back(0);
    std::vector<std::string> narrow;
    std::vector<std::u16string> names;
    ASSERT_TRUE(ReadDropFiles(wide.data(), wide.size(), &narrow, &names));
    EXPECT_TRUE(narrow.empty());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"C:\\a.txt", u"C:\\b.txt"}));

    // A last name without its terminator is not read past the block.
    std::vector<uint8_t> cut = BuildDropFiles({"C:\\a", "C:\\bbbb"});
    cut.resize(cut.size() - 3);
    EXPECT_EQ(ReadNarrow(cut), (std::vector<std::string>{"C:\\a"}));
    // An offset at the end is an empty list; beyond the end or into the header's first field is
    // no file list; a block smaller than the header is none either.
    std::vector<uint8_t> block = BuildDropFiles({"C:\\a"});
    block[0] = uint8_t(block.size());
    EXPECT_TRUE(ReadNarrow(block).empty());
    block[0] = uint8_t(block.size() + 1);
    EXPECT_FALSE(ReadDropFiles(block.data(), block.size(), &narrow, &names));
    block[0] = 2;
    EXPECT_FALSE(ReadDropFiles(block.data(), block.size(), &narrow, &names));
    EXPECT_FALSE(ReadDropFiles(block.data(), TV_DROPFILES_HEADER - 1, &narrow, &names));
    // A wide list with an odd last byte stops at the whole characters.
    std::vector<uint8_t> odd = wide;
    odd.resize(TV_DROPFILES_HEADER + 7);
    ASSERT_TRUE(ReadDropFiles(odd.data(), odd.size(), &narrow, &names));
    EXPECT_TRUE(names.empty());
}

// --- File group descriptor and internet shortcut.

TEST(FileGroupDescriptor, BookmarkBlockLayout) {
    const std::vector<uint8_t> block = BuildFileGroupDescriptor("Example site.url");
    ASSERT_EQ(block.size(), 668u);
    EXPECT_EQ(block[0], 1);  // one descriptor
    EXPECT_EQ(block[1] | block[2] | block[3], 0);
    EXPECT_EQ(block[4] | block[5] << 8 | block[6] << 16 | block[7] << 24, 0x8000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 76)), "Example site.url");
    size_t nonZero = 0;
    for (size_t i = 76 + 16; i < block.size(); ++i) nonZero += block[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    std::string name;
    ASSERT_TRUE(ReadFirstDescriptorName(block.data(), block.size(), &name));
    EXPECT_EQ(name, "Example site.url");
    // A name as long as the field leaves room for its terminator.
    const std::vector<uint8_t> longest = BuildFileGroupDescriptor(std::string(300, 'n'));
    ASSERT_TRUE(ReadFirstDescriptorName(longest.data(), longest.size(), &name));
    EXPECT_EQ(name.size(), 259u);
}

TEST(FileGroupDescriptor, ForeignBlocks) {
    std::vector<uint8_t> block = BuildFileGroupDescriptor("x.url");
    std::string name;
    // A name field without any terminator is cut at the field's 260 characters.
    std::memset(block.data() + 76, 'a', 260);
    std::memset(block.data() + 76 + 260, 'b', block.size() - 76 - 260);
    ASSERT_TRUE(ReadFirstDescriptorName(block.data(), block.size(), &name));
    EXPECT_EQ(name, std::string(260, 'a'));
    // The block ends inside the name: read up to its end.
    ASSERT_TRUE(ReadFirstDescriptorName(block.data(), 76 + 5, &name));
    EXPECT_EQ(name, "aaaaa");
    EXPECT_FALSE(ReadFirstDescriptorName(block.data(), 76, &name));
    block[0] = 0;  // no descriptor
    EXPECT_FALSE(ReadFirstDescriptorName(block.data(), block.size(), &name));
}

TEST(FileGroupDescriptor, NamesAndTitles) {
    const struct {
        const char* title;
        const char* file;
    } files[] = {
        {"Example", "Example.url"},
        {"a/b: c?", "a_b_ c_.url"},
        {"", "_.url"},
        {"tab\there", "tab_here.url"},
    };
    for (const auto& f : files) EXPECT_EQ(BookmarkFileName(f.title), f.file) << f.title;
    EXPECT_EQ(BookmarkFileName(std::string(400, 't')).size(), 255u + 4);

    const struct {
        const char* name;
        const char* title;
    } titles[] = {
        {"Example Domain.url", "Example Domain"},
        {"C:\\folder\\page.html.url", "page.html"},
        {"no extension", "no extension"},
        {".hidden", ".hidden"},
        {"a/b.url", "b"},
    };
    for (const auto& t : titles) EXPECT_EQ(TitleFromDescriptorName(t.name), t.title) << t.name;

    EXPECT_EQ(InternetShortcutContents("http://example.com/"), "[InternetShortcut]\r\nURL=http://example.com/");
    const uint8_t unterminated[] = {'a', 'b', 'c'};
    EXPECT_EQ(TextOfBlock(unterminated, sizeof(unterminated)), "abc");
    const uint8_t terminated[] = {'a', 0, 'c'};
    EXPECT_EQ(TextOfBlock(terminated, sizeof(terminated)), "a");
}

// --- Item-identifier arrays.

std::vector<uint8_t> IdList(const std::vector<std::string>& items) {
    std::vector<uint8_t> out;
    for (const std::string& item : items) {
        const size_t cb = item.size() + 2;
        out.push_back(uint8_t(cb));
        out.push_back(uint8_t(cb >> 8));
        out.insert(out.end(), item.begin(), item.end());
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

TEST(IdListArray, RoundTrip) {
    const std::vector<uint8_t> parent = IdList({"My Computer", "C:", "storage"});
    const std::vector<std::vector<uint8_t>> children = {IdList({"a.zip"}), IdList({"a much longer name.exe"}),
                                                        IdList({std::string(300, 'z')})};
    const std::vector<uint8_t> block = BuildIdListArray(parent, children);
    EXPECT_EQ(block[0], 3);
    // The first list starts right after the count and the four offsets.
    EXPECT_EQ(block[4], 20);
    std::vector<std::vector<uint8_t>> lists;
    ASSERT_TRUE(ReadIdListArray(block.data(), block.size(), &lists));
    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(lists[0], parent);
    for (size_t i = 0; i < children.size(); ++i) EXPECT_EQ(lists[i + 1], children[i]) << i;
    // The desktop as parent (an empty list).
    ASSERT_TRUE(ReadIdListArray(BuildIdListArray(IdList({}), children).data(),
                                BuildIdListArray(IdList({}), children).size(), &lists));
    EXPECT_EQ(lists[0], IdList({}));
}

TEST(IdListArray, DamagedArrays) {
    const std::vector<uint8_t> good = BuildIdListArray(IdList({"p"}), {IdList({"a"}), IdList({"b"})});
    std::vector<std::vector<uint8_t>> lists;
    struct Damage {
        const char* what;
        size_t at;
        uint8_t value;
        size_t size;
    } damages[] = {
        {"count beyond the block", 0, 200, good.size()},
        {"offset beyond the block", 8, 250, good.size()},
        {"item size running past the end", 20, 120, good.size()},
        {"item size below its own field", 20, 1, good.size()},
        {"block cut inside the last list", 0, 2, good.size() - 1},
        {"block smaller than a count", 0, 2, 3},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> block = good;
        block[d.at] = d.value;
        EXPECT_FALSE(ReadIdListArray(block.data(), d.size, &lists)) << d.what;
    }
}

TEST(DragCleanUp, OnlyRecordsWhoseFileLeftWithTheDrag) {
    // before, after, effect -> removed
    EXPECT_TRUE(RecordLeftWithDrag(true, false, TV_EFFECT_MOVE));
    EXPECT_TRUE(RecordLeftWithDrag(true, false, TV_EFFECT_NONE));  // the target moved it itself
    EXPECT_FALSE(RecordLeftWithDrag(true, true, TV_EFFECT_MOVE));  // the target copied or failed
    EXPECT_FALSE(RecordLeftWithDrag(false, false, TV_EFFECT_MOVE));  // missing before: not the drag's doing
    EXPECT_FALSE(RecordLeftWithDrag(true, false, TV_EFFECT_COPY));
    EXPECT_FALSE(RecordLeftWithDrag(true, false, TV_EFFECT_LINK));
}

}  // namespace
