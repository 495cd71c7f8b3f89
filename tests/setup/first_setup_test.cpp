// The first setup wizard's search over a made-up file system, and what finishing derives.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "setup/first_setup.h"
#include "util/text.h"

namespace {

// Folders by path (ending in "\"), each with its entries in listing order. An entry named
// "name>" is a folder; "name@" is a link to a folder; identities map several paths to one folder.
class FakeDisk : public TSetupSearchHost {
public:
    std::map<std::string, std::vector<TSetupSearchEntry>> folders;
    std::map<std::string, std::string> identities;
    std::vector<std::string> drives;
    std::vector<std::string> shown;
    std::vector<int> filled;
    int entriesSeen = 0;
    int cancelAfter = -1;  // BeforeEntry answers false from this entry on

    void Add(const std::string& folder, const std::vector<std::string>& names) {
        auto& list = folders[folder];
        for (const std::string& n : names) {
            TSetupSearchEntry e;
            e.name = n;
            if (!n.empty() && (n.back() == '>' || n.back() == '@')) {
                e.folder = true;
                e.link = n.back() == '@';
                e.name.pop_back();
            }
            list.push_back(e);
        }
    }
    bool BeforeEntry() override {
        if (cancelAfter >= 0 && entriesSeen >= cancelAfter) return false;
        ++entriesSeen;
        return true;
    }
    void ShowFolder(const char* folder) override { shown.push_back(folder); }
    void SlotFilled(int slot) override { filled.push_back(slot); }
    bool ListFolder(const char* folder, std::vector<TSetupSearchEntry>* entries) override {
        auto it = folders.find(folder);
        if (it == folders.end()) return false;
        *entries = it->second;
        return true;
    }
    bool FolderIdentity(const char* folder, std::string* identity) override {
        auto it = identities.find(folder);
        if (it == identities.end()) return false;
        *identity = it->second;
        return true;
    }
    bool DriveSearchable(const char* root) override {
        for (const std::string& d : drives)
            if (d == root) return true;
        return false;
    }
};

TSetupSearchSlots BrowserSlots() {
    TSetupSearchSlots s;
    InitBrowserSearchSlots(&s);
    return s;
}

TEST(SetupSearch, FillsEachSlotOnceDepthFirstAndSkipsDotFolders) {
    FakeDisk disk;
    disk.drives = {"C:\\"};
    disk.Add("C:\\", {"a>", ".hidden>", "b>"});
    disk.Add("C:\\a\\", {"readme.txt", "iexplore.exe", "deep>"});
    disk.Add("C:\\a\\deep\\", {"Opera.Exe"});
    disk.Add("C:\\.hidden\\", {"NETSCAPE.EXE"});
    disk.Add("C:\\b\\", {"IEXPLORE.EXE", "NETSCAPE.EXE", "NETSCAPE.EXE>"});
    TSetupSearchSlots slots = BrowserSlots();
    TSetupSearch search(&disk, &slots);
    EXPECT_EQ(search.SearchDrives(), TV_SEARCH_ALL_FOUND);
    // The first IE found wins; a later one (and a folder of the same name) changes nothing.
    EXPECT_STREQ(slots.paths[0], "C:\\a\\iexplore.exe");
    EXPECT_STREQ(slots.paths[1], "C:\\b\\NETSCAPE.EXE");
    EXPECT_STREQ(slots.paths[2], "C:\\a\\deep\\Opera.Exe");
    EXPECT_EQ(disk.filled, (std::vector<int>{0, 2, 1}));
    // Never into the dot folder; the search stopped as soon as everything was found.
    EXPECT_EQ(disk.shown, (std::vector<std::string>{"C:\\", "C:\\a\\", "C:\\a\\deep\\", "C:\\b\\"}));
    EXPECT_EQ(disk.entriesSeen, 3 + 3 + 1 + 2);
}

TEST(SetupSearch, TypedPathsStayAndOnlyEmptySlotsAreFilled) {
    FakeDisk disk;
    disk.drives = {"C:\\"};
    disk.Add("C:\\", {"IEXPLORE.EXE", "OPERA.EXE", "NETSCAPE.EXE"});
    TSetupSearchSlots slots = BrowserSlots();
    CopyLimited(slots.paths[0], "D:\\mine\\iexplore.exe", TV_PATH_SIZE);
    TSetupSearch search(&disk, &slots);
    EXPECT_EQ(search.SearchDrives(), TV_SEARCH_ALL_FOUND);
    EXPECT_STREQ(slots.paths[0], "D:\\mine\\iexplore.exe");
    EXPECT_STREQ(slots.paths[1], "C:\\NETSCAPE.EXE");
    EXPECT_STREQ(slots.paths[2], "C:\\OPERA.EXE");
    EXPECT_EQ(disk.filled, (std::vector<int>{2, 1}));
}

TEST(SetupSearch, DrivesInOrderOnlySearchableOnesUntilAllFound) {
    const struct {
        const char* name;
        std::vector<std::string> drives;
        bool everythingOnD;
        TSetupSearchResult result;
        std::vector<std::string> shownRoots;
    } cases[] = {
        // Only Netscape anywhere: every searchable drive from C: to Z: is searched.
        {"netscape only", {"C:\\", "E:\\", "Z:\\"}, false, TV_SEARCH_INCOMPLETE, {"C:\\", "E:\\", "Z:\\"}},
        // Everything on D:: the drives after it are not searched.
        {"all on D", {"C:\\", "D:\\", "E:\\"}, true, TV_SEARCH_ALL_FOUND, {"C:\\", "D:\\"}},
        // D: is not searchable (a CD, say): its programs are not found.
        {"D not searchable", {"C:\\", "E:\\"}, true, TV_SEARCH_INCOMPLETE, {"C:\\", "E:\\"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDisk disk;
        disk.drives = c.drives;
        for (const char* root : {"C:\\", "D:\\", "E:\\", "Z:\\"}) disk.Add(root, {});
        disk.Add("E:\\", {"netscape.exe"});
        if (c.everythingOnD) disk.Add("D:\\", {"iexplore.exe", "netscape.exe", "opera.exe"});
        TSetupSearchSlots slots = BrowserSlots();
        TSetupSearch search(&disk, &slots);
        EXPECT_EQ(search.SearchDrives(), c.result);
        EXPECT_EQ(disk.shown, c.shownRoots);
        EXPECT_EQ(FirstSetupBrowserChoice(slots.paths[0], slots.paths[1]), c.everythingOnD && c.result == TV_SEARCH_ALL_FOUND ? 3 : 1);
    }
}

TEST(SetupSearch, CancelStopsWithinOneEntryAndKeepsWhatWasFound) {
    for (int cancelAfter : {0, 1, 2, 4}) {
        SCOPED_TRACE(cancelAfter);
        FakeDisk disk;
        disk.drives = {"C:\\", "D:\\"};
        disk.Add("C:\\", {"iexplore.exe", "x>", "y>"});
        disk.Add("C:\\x\\", {"a.txt", "b.txt"});
        disk.Add("C:\\y\\", {"netscape.exe"});
        disk.Add("D:\\", {"opera.exe"});
        disk.cancelAfter = cancelAfter;
        TSetupSearchSlots slots = BrowserSlots();
        TSetupSearch search(&disk, &slots);
        EXPECT_EQ(search.SearchDrives(), TV_SEARCH_CANCELLED);
        EXPECT_TRUE(search.cancelled());
        // Not one entry is looked at after the cancel; nothing on D: is reached.
        EXPECT_EQ(disk.entriesSeen, cancelAfter);
        EXPECT_EQ(slots.paths[0][0] != '\0', cancelAfter >= 1);
        EXPECT_EQ(slots.paths[2][0], '\0');
        for (const std::string& folder : disk.shown) EXPECT_NE(folder, "D:\\");
    }
}

TEST(SetupSearch, LinksAndFoldersReachedTwiceAreNotSearchedAgain) {
    FakeDisk disk;
    disk.drives = {"C:\\", "D:\\"};
    // C:\loop\back leads to C:\ again (same identity); C:\jump is a link; D:\ is C:\ under
    // another letter (a substituted drive).
    disk.Add("C:\\", {"loop>", "jump@", "data>"});
    disk.Add("C:\\loop\\", {"back>"});
    disk.Add("C:\\loop\\back\\", {"netscape.exe"});
    disk.Add("C:\\jump\\", {"opera.exe"});
    disk.Add("C:\\data\\", {"file.txt"});
    disk.Add("D:\\", {"loop>"});
    disk.identities = {{"C:\\", "root"}, {"C:\\loop\\back\\", "root"}, {"D:\\", "root"}, {"D:\\loop\\", "loop"},
                       {"C:\\loop\\", "loop"}};
    TSetupSearchSlots slots = BrowserSlots();
    TSetupSearch search(&disk, &slots);
    EXPECT_EQ(search.SearchDrives(), TV_SEARCH_INCOMPLETE);
    EXPECT_EQ(disk.shown, (std::vector<std::string>{"C:\\", "C:\\loop\\", "C:\\data\\"}));
    EXPECT_EQ(slots.paths[1][0], '\0');
    EXPECT_EQ(slots.paths[2][0], '\0');
    EXPECT_EQ(search.foldersSearched(), 3u);
}

TEST(SetupSearch, UnreadableFoldersAndPathsTooLongForTheFieldAreSkipped) {
    FakeDisk disk;
    disk.drives = {"C:\\"};
    const std::string longName(250, 'n');
    disk.Add("C:\\", {"locked>", longName + ">", "ok>"});
    // Its files and folders would not fit a 260-character field.
    disk.Add("C:\\" + longName + "\\", {"opera.exe", "deeper>"});
    disk.Add("C:\\ok\\", {"opera.exe"});
    TSetupSearchSlots slots = BrowserSlots();
    TSetupSearch search(&disk, &slots);
    EXPECT_EQ(search.SearchDrives(), TV_SEARCH_INCOMPLETE);
    EXPECT_STREQ(slots.paths[2], "C:\\ok\\opera.exe");
    EXPECT_LT(strlen(slots.paths[2]), TV_PATH_SIZE);
}

TEST(SetupSearch, BookmarkSearchHasTwoSlots) {
    FakeDisk disk;
    disk.drives = {"C:\\"};
    disk.Add("C:\\", {"opera3.adr", "nn>", "iexplore.exe"});
    disk.Add("C:\\nn\\", {"Bookmark.HTM", "more>"});
    disk.Add("C:\\nn\\more\\", {"bookmark.htm"});
    TSetupSearchSlots slots;
    InitBookmarkSearchSlots(&slots);
    TSetupSearch search(&disk, &slots);
    EXPECT_EQ(search.SearchDrives(), TV_SEARCH_ALL_FOUND);
    EXPECT_STREQ(slots.paths[0], "C:\\nn\\Bookmark.HTM");
    EXPECT_STREQ(slots.paths[1], "C:\\opera3.adr");
    // Both found before C:\nn\more and the last entry of C:\.
    EXPECT_EQ(disk.shown, (std::vector<std::string>{"C:\\", "C:\\nn\\"}));
}

TEST(FirstSetupFinish, BrowserChoiceFollowsIeAndNetscapeOnly) {
    const struct {
        const char* ie;
        const char* netscape;
        int choice;
    } cases[] = {{"C:\\ie\\iexplore.exe", "", 0}, {"", "C:\\nn\\netscape.exe", 1}, {"a", "b", 3},
                 {"", "", 3},                     {nullptr, nullptr, 3},           {nullptr, "b", 1}};
    for (const auto& c : cases) EXPECT_EQ(FirstSetupBrowserChoice(c.ie, c.netscape), c.choice) << c.ie << "|" << c.netscape;
}

TEST(FirstSetupFinish, ScannerGetsThePlaceholderOnlyWhenTheFieldWasEmpty) {
    const struct {
        const char* before;
        std::string chosen;
        bool ok;
        const char* expected;
    } cases[] = {
        {"", "C:\\av\\scan.exe", true, "C:\\av\\scan.exe %s"},
        {nullptr, "C:\\av\\scan.exe", true, "C:\\av\\scan.exe %s"},
        {"C:\\old.exe /all %1", "C:\\av\\scan.exe", true, "C:\\av\\scan.exe"},
        {"", std::string(258, 'x'), false, ""},  // 258 + 3 would not fit 260 characters
        {"", std::string(257, 'x'), true, nullptr},
    };
    for (const auto& c : cases) {
        char out[TV_PATH_SIZE] = {};
        EXPECT_EQ(ScannerCommandAfterBrowse(c.before, c.chosen.c_str(), out, sizeof out), c.ok);
        const std::string expected = !c.ok ? std::string() : c.expected ? c.expected : std::string(257, 'x') + " %s";
        if (c.ok) {
            EXPECT_EQ(std::string(out), expected);
        }
    }
}

}  // namespace
