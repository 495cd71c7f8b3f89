// The platform-free rules of watched folders: partial names, when a file counts as finished, the
// files already filed, the zone information and the settings file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "watch/watch_rules.h"

namespace {

TEST(WatchNames, PartialAndIgnoredNames) {
    struct Case {
        const char* name;
        int partial;
    } cases[] = {
        {"setup.zip", 0},
        {"setup.zip.part", 1},
        {"Unconfirmed 123456.crdownload", 1},
        {"a.ZIP.CRDOWNLOAD", 1},
        {"movie.mp4.download", 1},
        {"x.partial", 1},
        {"x.tmp", 1},
        {"x.opdownload", 1},
        {"x.!ut", 1},
        {"part", 0},           // only the ending counts
        {"report.particle", 0},
        {"tmp.zip", 0},
        {".hidden", 1},
        {"~$doc.docx", 1},
        {"a.zip:Zone.Identifier", 1},
        {"r?sum?.pdf", 1},
        {"desktop.ini", 1},
        {"THUMBS.DB", 1},
        {"", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPartialDownloadName(c.name), c.partial) << c.name;
    EXPECT_EQ(IsPartialDownloadName(nullptr), 1);
}

TEST(WatchNames, PartialSiblingHoldsBackTheFinalName) {
    const std::vector<std::string> listing = {"a.zip", "A.ZIP.part", "b.zip", "b.zip.bak", "c.zip.crdownload", "c.zip"};
    EXPECT_EQ(HasPartialSibling("a.zip", listing), 1);
    EXPECT_EQ(HasPartialSibling("b.zip", listing), 0);
    EXPECT_EQ(HasPartialSibling("c.zip", listing), 1);
    EXPECT_EQ(HasPartialSibling("c", listing), 0);  // "c.zip.crdownload" is c.zip's, not c's
    EXPECT_EQ(HasPartialSibling("", listing), 0);
}

std::vector<TWatchObservation> Listing(std::initializer_list<TWatchObservation> files) { return files; }

TEST(WatchCompletion, FileIsOfferedOnceAfterItSettled) {
    TCompletionTracker tracker(1000);
    // A file growing in parts: never ready while it changes.
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 100, 1}}), 0).empty());
    EXPECT_EQ(tracker.Waiting(), 1);
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 200, 2}}), 900).empty());
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 300, 3}}), 1800).empty());
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 300, 3}}), 2799).empty());
    // Stable for the settle time: offered, then not again.
    EXPECT_EQ(tracker.Update(Listing({{"a.zip", 300, 3}}), 2800), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(tracker.Update(Listing({{"a.zip", 300, 3}}), 3000), std::vector<std::string>{"a.zip"});
    tracker.Offered("a.zip");
    EXPECT_EQ(tracker.Waiting(), 0);
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 300, 3}}), 9000).empty());
    // A changed file is a new one; a file that left the folder and came back too.
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 301, 4}}), 9100).empty());
    EXPECT_EQ(tracker.Update(Listing({{"a.zip", 301, 4}}), 10100), std::vector<std::string>{"a.zip"});
    tracker.Offered("a.zip");
    EXPECT_TRUE(tracker.Update(Listing({}), 10200).empty());
    EXPECT_TRUE(tracker.Update(Listing({{"a.zip", 301, 4}}), 10300).empty());
    EXPECT_EQ(tracker.Update(Listing({{"a.zip", 301, 4}}), 11300), std::vector<std::string>{"a.zip"});
}

TEST(WatchCompletion, FileHeldOpenSettlesAnewAndIsLookedAtLessOften) {
    TCompletionTracker tracker(1000);
    auto listing = Listing({{"held.iso", 500, 1}});
    EXPECT_TRUE(tracker.Update(listing, 0).empty());
    EXPECT_EQ(tracker.Update(listing, 1000), std::vector<std::string>{"held.iso"});
    tracker.Busy("held.iso");  // the exclusive open failed
    EXPECT_TRUE(tracker.Update(listing, 1500).empty());
    EXPECT_EQ(tracker.Waiting(), 1);
    EXPECT_EQ(tracker.Update(listing, 2000), std::vector<std::string>{"held.iso"});
    tracker.Busy("held.iso");
    EXPECT_EQ(tracker.Waiting(), 1);
    // Held for longer than the waiting time: still reported at each look, but no longer waiting.
    const uint64_t later = TCompletionTracker::kWaitingMs + 1000;
    EXPECT_EQ(tracker.Update(listing, later), std::vector<std::string>{"held.iso"});
    tracker.Busy("held.iso");
    EXPECT_EQ(tracker.Waiting(), 0);
    EXPECT_TRUE(tracker.Update(listing, later + 999).empty());
    EXPECT_EQ(tracker.Update(listing, later + 1000), std::vector<std::string>{"held.iso"});
    tracker.Offered("held.iso");
    EXPECT_TRUE(tracker.Update(listing, later + 5000).empty());
}

TEST(WatchCompletion, PartialEmptyAndRenamedFiles) {
    TCompletionTracker tracker(500);
    // Firefox: an empty final name beside the partial one; Chrome: only the partial name.
    auto during = Listing({{"f.zip", 0, 1}, {"f.zip.part", 5000, 1}, {"c.zip.crdownload", 7000, 1}, {"e.txt", 0, 1}});
    EXPECT_TRUE(tracker.Update(during, 0).empty());
    EXPECT_TRUE(tracker.Update(during, 5000).empty());
    EXPECT_EQ(tracker.Waiting(), 0);
    // Both renamed to their final names: offered once settled, in listing order.
    auto after = Listing({{"f.zip", 9000, 2}, {"c.zip", 7000, 1}, {"e.txt", 0, 1}});
    EXPECT_TRUE(tracker.Update(after, 6000).empty());
    EXPECT_EQ(tracker.Update(after, 6500), (std::vector<std::string>{"f.zip", "c.zip"}));
}

TEST(WatchRemembered, NameSizeAndTimeAndTheCap) {
    TRememberedFiles files;
    files.Add("Setup.zip", 10, 20);
    files.Add("setup.zip", 10, 20);  // the same file
    EXPECT_EQ(files.entries().size(), 1u);
    EXPECT_EQ(files.Contains("SETUP.ZIP", 10, 20), 1);
    EXPECT_EQ(files.Contains("setup.zip", 11, 20), 0);
    EXPECT_EQ(files.Contains("setup.zip", 10, 21), 0);
    EXPECT_EQ(files.Contains("setup2.zip", 10, 20), 0);
    files.Add("", 1, 1);
    EXPECT_EQ(files.entries().size(), 1u);
    for (size_t i = 0; i < TRememberedFiles::kMaxEntries + 5; ++i) files.Add("f" + std::to_string(i), i, i);
    EXPECT_EQ(files.entries().size(), TRememberedFiles::kMaxEntries);
    EXPECT_EQ(files.Contains("Setup.zip", 10, 20), 0);  // the oldest went first
    EXPECT_EQ(files.Contains("f4", 4, 4), 0);
    EXPECT_EQ(files.Contains("f5", 5, 5), 1);
}

TEST(WatchZone, WebsiteFromZoneIdentifier) {
    struct Case {
        std::string text;
        const char* url;  // nullptr: none
    } cases[] = {
        {"[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://example.org/page\r\nHostUrl=https://dl.example.org/a.zip\r\n",
         "https://dl.example.org/a.zip"},
        {"[ZoneTransfer]\nZoneId=3\nHostUrl=about:internet\nReferrerUrl=http://example.org/\n", "http://example.org/"},
        {"[ZoneTransfer]\nHostUrl=blob:https://x.org/1-2\n", nullptr},
        {"[ZoneTransfer]\nZoneId=3\n", nullptr},
        {"[Other]\nHostUrl=https://no.example/\n", nullptr},
        {"hostUrl=https://before.section/\n[zonetransfer]\n  HOSTURL = ftp://ftp.example.org/f.zip  \n",
         "ftp://ftp.example.org/f.zip"},
        {"\xEF\xBB\xBF[ZoneTransfer]\nHostUrl=https://bom.example/\n", "https://bom.example/"},
        {"[ZoneTransfer]\nHostUrl=https://a.example/x y\n", nullptr},
        {"[ZoneTransfer]\nHostUrl=https://\n", nullptr},
        {"[ZoneTransfer]\nHostUrl=javascript:alert(1)\n", nullptr},
        {"[ZoneTransfer]\nHostUrl=https://" + std::string(kMaxZoneUrl, 'a') + "\n", nullptr},
        {"[ZoneTransfer]\nHostUrl=https://" + std::string(kMaxZoneUrl - 8, 'a') + "\n",
         nullptr},  // filled in below: exactly the limit
        {"", nullptr},
    };
    const std::string longest = "https://" + std::string(kMaxZoneUrl - 8, 'a');
    cases[11].url = longest.c_str();
    for (const Case& c : cases) {
        std::string url = "stale";
        const int found = ReadZoneWebsite(c.text.data(), c.text.size(), &url);
        EXPECT_EQ(found, c.url ? 1 : 0) << c.text.substr(0, 80);
        EXPECT_EQ(url, c.url ? c.url : "") << c.text.substr(0, 80);
    }
    // UTF-16LE with its mark; a stray non-ASCII character spoils only its own line.
    std::string wide = "\xFF\xFE";
    for (char ch : std::string("[ZoneTransfer]\r\nReferrerUrl=https://r\xE9.example/\r\nHostUrl=https://w.example/f\r\n")) {
        wide += ch;
        wide += '\0';
    }
    std::string url;
    EXPECT_EQ(ReadZoneWebsite(wide.data(), wide.size(), &url), 1);
    EXPECT_EQ(url, "https://w.example/f");
    EXPECT_EQ(ReadZoneWebsite(nullptr, 10, &url), 0);
    EXPECT_EQ(url, "");
}

TEST(WatchSettingsFile, RoundTripAndDamagedLines) {
    TWatchSettings settings;
    settings.folders.push_back({"C:\\Users\\me\\Downloads", TV_WATCH_ASK, ""});
    settings.folders.push_back({"\\\\server\\share\\in", TV_WATCH_SILENT, "Tools"});
    settings.remembered.Add("a b.zip", 1234, 132000000000000000ull);
    const std::string text = FormatWatchSettings(settings);
    TWatchSettings back;
    ASSERT_EQ(ParseWatchSettings(text.data(), text.size(), &back), 1);
    ASSERT_EQ(back.folders.size(), 2u);
    EXPECT_EQ(back.folders[0].path, "C:\\Users\\me\\Downloads");
    EXPECT_EQ(back.folders[0].mode, TV_WATCH_ASK);
    EXPECT_EQ(back.folders[1].path, "\\\\server\\share\\in");
    EXPECT_EQ(back.folders[1].mode, TV_WATCH_SILENT);
    EXPECT_EQ(back.folders[1].category, "Tools");
    EXPECT_EQ(back.remembered.Contains("A B.ZIP", 1234, 132000000000000000ull), 1);
    EXPECT_EQ(FormatWatchSettings(back), text);

    const std::string damaged =
        "Folder=0||C:\\before\\header\n"
        "[Tolvane Plus Watched Folders]\n"
        "Folder=0||C:\\good\r"
        "Folder=0||c:\\GOOD\\\n"            // the same folder again
        "Folder=2||C:\\badmode\n"
        "Folder=1||C:\\silent\\without\\category\n"
        "Folder=0||relative\\path\n"
        "Folder=0||C:\\a\\..\\b\n"
        "Folder=0||C:\\" + std::string(258, 'x') + "\n"
        "Folder=x||C:\\x\n"
        "Folder=0|C:\\missing\\bar\n"
        "Filed=12|34|\n"
        "Filed=-1|34|neg.zip\n"
        "Filed=99999999999999999999|1|big.zip\n"
        "Filed=5|6|ok.zip\n"
        "Unknown=1|2|3\n"
        "garbage\n";
    TWatchSettings parsed;
    ASSERT_EQ(ParseWatchSettings(damaged.data(), damaged.size(), &parsed), 1);
    ASSERT_EQ(parsed.folders.size(), 1u);
    EXPECT_EQ(parsed.folders[0].path, "C:\\good");
    ASSERT_EQ(parsed.remembered.entries().size(), 1u);
    EXPECT_EQ(parsed.remembered.Contains("ok.zip", 5, 6), 1);

    // Without the header (empty file, another file, text cut before it): the defaults.
    for (const std::string& other : {std::string(), std::string("[Other]\nFolder=0||C:\\x\n"), std::string("[Tolvane Plus Wat")}) {
        TWatchSettings s;
        s.folders.push_back({"C:\\stale", 0, ""});
        EXPECT_EQ(ParseWatchSettings(other.data(), other.size(), &s), 0);
        EXPECT_TRUE(s.folders.empty());
    }
    // No more than kMaxFolders folders.
    std::string many = "[Tolvane Plus Watched Folders]\n";
    for (size_t i = 0; i < TWatchSettings::kMaxFolders + 3; ++i) many += "Folder=0||C:\\f" + std::to_string(i) + "\n";
    TWatchSettings capped;
    ParseWatchSettings(many.data(), many.size(), &capped);
    EXPECT_EQ(capped.folders.size(), TWatchSettings::kMaxFolders);
}

TEST(WatchSettingsFile, UsableFolders) {
    struct Case {
        std::string folder;
        int usable;
    } cases[] = {
        {"C:\\", 1},          {"d:/downloads", 1},   {"\\\\srv\\share", 1},   {"C:", 0},
        {"C:downloads", 0},   {"\\\\?\\C:\\x", 0},   {"\\\\.\\pipe\\x", 0},   {"C:\\a\\.\\b", 0},
        {"C:\\a|b", 0},       {"C:\\a\tb", 0},       {"C:\\a:b", 0},          {"", 0},
        {"C:\\" + std::string(257, 'x'), 1},         {"C:\\" + std::string(258, 'x'), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsUsableWatchFolder(c.folder), c.usable) << c.folder;
    std::vector<TWatchedFolder> folders = {{"C:\\Down", 0, ""}, {"D:\\x\\", 1, "A"}};
    EXPECT_EQ(FindWatchedFolder(folders, "c:\\down\\"), 0);
    EXPECT_EQ(FindWatchedFolder(folders, "D:\\X"), 1);
    EXPECT_EQ(FindWatchedFolder(folders, "D:\\X\\y"), -1);

    struct Within {
        const char* path;
        const char* folder;
        int within;
    } within[] = {
        {"C:\\Tv\\download\\Standard\\a.zip", "C:\\tv\\DOWNLOAD\\", 1},
        {"C:\\Tv\\download\\a.zip", "C:/Tv/download", 1},
        {"C:\\Tv\\downloads\\a.zip", "C:\\Tv\\download", 0},
        {"C:\\Tv\\download", "C:\\Tv\\download", 0},
        {"C:\\Tv\\download\\", "C:\\Tv\\download", 0},
        {"C:\\a.zip", "", 0},
    };
    for (const Within& w : within) EXPECT_EQ(PathIsWithin(w.path, w.folder), w.within) << w.path << " in " << w.folder;
}

}  // namespace
