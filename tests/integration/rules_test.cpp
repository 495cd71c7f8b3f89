#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/settings.h"
#include "integration/content_types.h"
#include "integration/integration_rules.h"
#include "util/text.h"

namespace {

const char kSpacedProgram[] = "C:\\Program Files\\Tolvane Plus\\tv.exe";

TEST(IntegrationCommands, EveryCommandQuotesTheProgramPath) {
    struct Case {
        int command;
        const char* expected;
    };
    const Case cases[] = {
        {TV_COMMAND_OPEN, "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\""},
        {TV_COMMAND_IMPORT, "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /import"},
        {TV_COMMAND_VIEWER, "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /iv"},
        {TV_COMMAND_INTERCHANGE, "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /interchangefile"},
        {TV_COMMAND_TRAY, "\"C:\\Program Files\\Tolvane Plus\\tv.exe\" /tray"},
    };
    for (const Case& c : cases) {
        char out[400];
        EXPECT_EQ(1, BuildIntegrationCommand(out, sizeof out, kSpacedProgram, c.command));
        EXPECT_STREQ(c.expected, out);
    }
}

TEST(IntegrationCommands, RefusesEmptyPathsUnknownCommandsAndCutResults) {
    char out[400] = "stale";
    EXPECT_EQ(0, BuildIntegrationCommand(out, sizeof out, "", TV_COMMAND_OPEN));
    EXPECT_STREQ("", out);
    EXPECT_EQ(0, BuildIntegrationCommand(out, sizeof out, nullptr, TV_COMMAND_OPEN));
    EXPECT_EQ(0, BuildIntegrationCommand(out, sizeof out, kSpacedProgram, 99));
    // Exactly fitting and one byte short: a cut command would name another program.
    const std::string full = std::string("\"") + kSpacedProgram + "\" /tray";
    std::vector<char> exact(full.size() + 1);
    EXPECT_EQ(1, BuildIntegrationCommand(exact.data(), exact.size(), kSpacedProgram, TV_COMMAND_TRAY));
    EXPECT_EQ(full, exact.data());
    EXPECT_EQ(0, BuildIntegrationCommand(exact.data(), exact.size() - 1, kSpacedProgram, TV_COMMAND_TRAY));
    EXPECT_STREQ("", exact.data());
}

TEST(IntegrationCommands, IconLocationsByPositionAndByResourceId) {
    char out[300];
    EXPECT_EQ(1, BuildIconLocation(out, sizeof out, kSpacedProgram, TV_ZIP_ICON));
    EXPECT_STREQ("C:\\Program Files\\Tolvane Plus\\tv.exe,1", out);
    EXPECT_EQ(1, BuildIconLocation(out, sizeof out, kSpacedProgram, TV_INTERCHANGE_ICON));
    EXPECT_STREQ("C:\\Program Files\\Tolvane Plus\\tv.exe,-33", out);
    EXPECT_EQ(0, BuildIconLocation(out, sizeof out, "", 1));
    EXPECT_EQ(0, BuildIconLocation(out, 10, kSpacedProgram, 1));
    EXPECT_STREQ("", out);
}

TEST(IntegrationCommands, RecognisesTheProgramOnlyAsAWholeFileName) {
    struct Case {
        const char* text;
        int names;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Tolvane Plus\\tv.exe\" \"%1\" /iv", 1},
        {"C:\\TOLVANE\\TV.EXE \"%1\" /iv", 1},
        {"C:\\Tolvane\\tv.exe,1", 1},
        {"tv.exe", 1},
        {"C:tv.exe", 1},
        {"C:/apps/tv.exe\t/iv", 1},
        {"C:\\Tools\\mytv.exe \"%1\"", 0},
        {"C:\\Tools\\tv.exe2 \"%1\"", 0},
        {"C:\\tv.exe.bak\\unzip.exe \"%1\"", 0},
        {"C:\\Tools\\unzip.exe \"%1\"", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.names, TextNamesProgram(c.text, "tv.exe")) << (c.text ? c.text : "null");
}

TEST(IntegrationFileTypes, TypeNameFromExtension) {
    struct Case {
        const char* extension;
        int ok;
        const char* type;
    };
    const Case cases[] = {
        {".arj", 1, "arjfile"}, {".z", 1, "zfile"}, {".lzh", 1, "lzhfile"},
        {"arj", 0, ""},         {".", 0, ""},       {"", 0, ""},
    };
    for (const Case& c : cases) {
        char out[64] = "stale";
        EXPECT_EQ(c.ok, DefaultFileTypeName(out, sizeof out, c.extension)) << c.extension;
        EXPECT_STREQ(c.type, out) << c.extension;
    }
    char tiny[4];
    EXPECT_EQ(0, DefaultFileTypeName(tiny, sizeof tiny, ".arj"));
}

TEST(IntegrationTables, ZipIsTheLastExtensionAndEveryTypeNamesAKnownExtension) {
    EXPECT_STREQ(".zip", kIntegrationExtensions[TV_INTEGRATION_EXTENSION_COUNT - 1].extension);
    int withBlank = 0;
    for (const TContentTypePair& t : kIntegrationContentTypes) {
        bool known = false;
        for (const TContentTypePair& e : kIntegrationExtensions) known = known || TextEquals(e.extension, t.extension, 1, 0);
        EXPECT_TRUE(known) << t.contentType;
        if (std::string(t.contentType).find(' ') != std::string::npos) ++withBlank;
    }
    EXPECT_EQ(1, withBlank);  // "application/octet stream"
    // No type is listed twice (each is one key of the content-type database).
    for (size_t i = 0; i < TV_INTEGRATION_CONTENT_TYPE_COUNT; ++i)
        for (size_t j = i + 1; j < TV_INTEGRATION_CONTENT_TYPE_COUNT; ++j)
            EXPECT_FALSE(TextEquals(kIntegrationContentTypes[i].contentType, kIntegrationContentTypes[j].contentType, 0, 0));
}

TEST(IntegrationPlugins, ProgramAndPluginFolderOfABrowserSetting) {
    struct Case {
        const char* setting;
        const char* program;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Netscape\\Program\\netscape.exe", "C:\\Netscape\\Program\\netscape.exe", "C:\\Netscape\\Program\\plugins\\"},
        {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" %1", "C:\\Program Files\\Internet Explorer\\iexplore.exe",
         "C:\\Program Files\\Internet Explorer\\plugins\\"},
        {"  C:\\Opera\\opera.exe  ", "C:\\Opera\\opera.exe", "C:\\Opera\\plugins\\"},
        {"C:\\Program Files\\Opera 3.6\\opera.exe %1", "C:\\Program Files\\Opera 3.6\\opera.exe",
         "C:\\Program Files\\Opera 3.6\\plugins\\"},
        {"opera.exe", "opera.exe", ""},
        {"", "", ""},
        {"\"\"", "", ""},
    };
    for (const Case& c : cases) {
        char program[300] = "stale", folder[300] = "stale";
        BrowserProgramFile(program, sizeof program, c.setting);
        EXPECT_STREQ(c.program, program) << c.setting;
        BrowserPluginFolder(folder, sizeof folder, program);
        EXPECT_STREQ(c.folder, folder) << c.setting;
    }
}

TEST(IntegrationPlugins, OnlyAbsoluteRecordedFoldersCount) {
    EXPECT_EQ(1, IsAbsoluteFolder("C:\\Netscape\\Program\\plugins\\"));
    EXPECT_EQ(1, IsAbsoluteFolder("d:/x/"));
    EXPECT_EQ(1, IsAbsoluteFolder("\\\\server\\share\\plugins\\"));
    EXPECT_EQ(0, IsAbsoluteFolder("plugins\\"));
    EXPECT_EQ(0, IsAbsoluteFolder("\\plugins\\"));
    EXPECT_EQ(0, IsAbsoluteFolder("C:plugins"));
    EXPECT_EQ(0, IsAbsoluteFolder("\\\\\\x"));
    EXPECT_EQ(0, IsAbsoluteFolder(""));
}

std::vector<TViewerValue> Values(std::initializer_list<TViewerValue> list) { return list; }

TEST(IntegrationViewerTypes, NumbersFollowTheHighestOrFillTheHighestGap) {
    struct Case {
        const char* what;
        std::vector<TViewerValue> values;
        const char* contentType;
        int64_t expected;
    };
    const Case cases[] = {
        {"none yet", {}, "application/zip", 0},
        {"other values only", Values({{"application/zip", true, "x"}, {"TYPE", true, "y"}}), "application/zip", 0},
        {"after the highest", Values({{"TYPE0", true, "a"}, {"TYPE1", true, "b"}, {"TYPE2", true, "c"}}), "m", 3},
        {"unsorted", Values({{"TYPE7", true, "a"}, {"TYPE3", true, "b"}}), "m", 6},
        {"highest gap", Values({{"TYPE0", true, "a"}, {"TYPE2", true, "b"}, {"TYPE5", true, "c"}}), "m", 4},
        {"gap at zero", Values({{"TYPE1", true, "a"}, {"TYPE2", true, "b"}}), "m", 0},
        {"unreadable counts as gap", Values({{"TYPE0", true, "a"}, {"TYPE1", false, ""}, {"TYPE2", true, "c"}}), "m", 1},
        {"unreadable highest", Values({{"TYPE0", true, "a"}, {"TYPE1", false, ""}}), "m", 2},
        {"already there", Values({{"TYPE0", true, "a"}, {"TYPE4", true, "Application/ZIP"}}), "application/zip", -1},
        {"lower-case name", Values({{"type0", true, "a"}, {"Type1", true, "b"}}), "m", 2},
        {"already there, odd name", Values({{"TYPEx", true, "m"}}), "m", -1},
        {"odd names carry no number", Values({{"TYPEx", true, "a"}, {"TYPE1a", true, "b"}, {"TYPE0", true, "c"}}), "m", 1},
        {"leading zeros", Values({{"TYPE007", true, "a"}}), "m", 6},
        {"too long a number", Values({{"TYPE0", true, "a"}, {"TYPE12345678901", true, "b"}}), "m", 1},
        {"largest number", Values({{"TYPE999999999", true, "a"}}), "m", 999999998},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, NextViewerTypeNumber(c.values, c.contentType)) << c.what;
    EXPECT_EQ(1, IsViewerTypeName("TYPE0"));
    EXPECT_EQ(0, IsViewerTypeName("TYPE"));
    EXPECT_EQ(0, IsViewerTypeName("TYP01"));
}

TEST(IntegrationViewerTypes, TheHighestGapIsFoundQuicklyAmongManyValues) {
    std::vector<TViewerValue> values;
    for (int i = 0; i < 5000; ++i)
        if (i != 1234) values.push_back(TViewerValue{"TYPE" + std::to_string(i), true, "t" + std::to_string(i)});
    EXPECT_EQ(1234, NextViewerTypeNumber(values, "new"));
}

TEST(IntegrationBrowser, LaunchCommandFromASetting) {
    struct Case {
        const char* setting;
        const char* url;
        int ok;
        const char* program;
        const char* arguments;
    };
    const Case cases[] = {
        {"C:\\Opera\\opera.exe", "http://a.b/c", 1, "C:\\Opera\\opera.exe", "http://a.b/c"},
        {"C:\\Opera\\opera.exe", nullptr, 1, "C:\\Opera\\opera.exe", ""},
        {"C:\\Opera\\opera.exe", "", 1, "C:\\Opera\\opera.exe", ""},
        {"\"C:\\Program Files\\IE\\iexplore.exe\" %1", "http://x.y/", 1, "C:\\Program Files\\IE\\iexplore.exe",
         "http://x.y/"},
        {"\"C:\\Program Files\\IE\\iexplore.exe\" %1", nullptr, 1, "C:\\Program Files\\IE\\iexplore.exe", ""},
        {"\"C:\\Program Files\\IE\\iexplore.exe\" -nohome \"%1\"", "http://x.y/", 1,
         "C:\\Program Files\\IE\\iexplore.exe", "-nohome \"http://x.y/\""},
        {"\"C:\\Program Files\\IE\\iexplore.exe\" -nohome \"%1\"", nullptr, 1, "C:\\Program Files\\IE\\iexplore.exe",
         "-nohome"},
        {"C:\\ns\\netscape.exe -url %s -x %1", "http://h/", 1, "C:\\ns\\netscape.exe", "-url http://h/ -x"},
        // Escapes in the URL are never taken for placeholders.
        {"C:\\ns\\netscape.exe %1", "http://h/a%20b%1c%s", 1, "C:\\ns\\netscape.exe", "http://h/a%20b%1c%s"},
        {"C:\\ns\\netscape.exe", "http://h/a%20b", 1, "C:\\ns\\netscape.exe", "http://h/a%20b"},
        {"C:\\ns\\netscape.exe %s ", " http://h/ ", 1, "C:\\ns\\netscape.exe", " http://h/ "},
        {"C:\\Program Files\\Net.scape\\netscape.exe %1", "http://h.i/", 1,
         "C:\\Program Files\\Net.scape\\netscape.exe", "http://h.i/"},
        {"", "http://a/", 0, "", ""},
        {"   ", "http://a/", 0, "", ""},
        {nullptr, nullptr, 0, "", ""},
    };
    for (const Case& c : cases) {
        char program[300] = "stale", arguments[300] = "stale";
        EXPECT_EQ(c.ok, BuildBrowserLaunch(c.setting, c.url, program, sizeof program, arguments, sizeof arguments))
            << (c.setting ? c.setting : "null");
        EXPECT_STREQ(c.program, program) << (c.setting ? c.setting : "null");
        EXPECT_STREQ(c.arguments, arguments) << (c.setting ? c.setting : "null");
    }
    char program[300], arguments[8];
    EXPECT_EQ(0, BuildBrowserLaunch("C:\\o.exe", "http://a.long.url/", program, sizeof program, arguments,
                                    sizeof arguments));
    EXPECT_STREQ("", program);
}

TEST(IntegrationBrowser, SelectionAnswerUpdatesTheSettings) {
    struct Case {
        int checked;
        bool useAlways;
        int launched;
        int lastSelected;
        int choice;
    };
    const Case cases[] = {
        {TV_BROWSER_NETSCAPE, false, 1, 1, 3},
        {TV_BROWSER_NETSCAPE, true, 1, 1, 1},
        {TV_BROWSER_OPERA, true, 2, 2, 2},
        {TV_BROWSER_OTHER, true, 3, 3, 3},  // "always" with Other keeps asking
        {7, true, 3, 3, 3},
    };
    for (const Case& c : cases) {
        IntegrationSettings s;
        s.browserChoice = 3;
        EXPECT_EQ(c.launched, TakeBrowserSelection(&s, c.checked, "C:\\b\\browse.exe", c.useAlways));
        EXPECT_EQ(c.lastSelected, s.lastSelectedBrowser);
        EXPECT_EQ(c.choice, s.browserChoice);
        EXPECT_STREQ("C:\\b\\browse.exe", s.otherBrowserPath);
    }
    IntegrationSettings s;
    CopyLimited(s.iePath, "ie", TV_PATH_SIZE);
    CopyLimited(s.netscapePath, "ns", TV_PATH_SIZE);
    CopyLimited(s.operaPath, "op", TV_PATH_SIZE);
    CopyLimited(s.otherBrowserPath, "other", TV_PATH_SIZE);
    EXPECT_STREQ("ie", BrowserSettingFor(s, 0));
    EXPECT_STREQ("ns", BrowserSettingFor(s, 1));
    EXPECT_STREQ("op", BrowserSettingFor(s, 2));
    EXPECT_STREQ("other", BrowserSettingFor(s, 3));
    EXPECT_STREQ("", BrowserSettingFor(s, 4));
}

}  // namespace
