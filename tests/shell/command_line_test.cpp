// Joining, parsing and the action plan of the program's command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/command_line.h"

namespace {

struct ParseCase {
    const char* input;
    uint32_t flagsIn;
    const char* text;
    uint32_t flags;
};

TEST(CommandLineParse, SwitchesQuotingAndRemainingText) {
    const ParseCase cases[] = {
        {"", 0, "", 0},
        {"/tray", 0, "", TV_START_TRAY},
        {"/TRAY", 0, "", TV_START_TRAY},
        {"/Tray   ", 0, "", TV_START_TRAY},
        {"/iv C:\\a.zip", 0, "\"C:\\a.zip\"", TV_START_TRAY | TV_START_VIEWER},
        {"C:\\a.zip /iv /import", 0, "\"C:\\a.zip\"", TV_START_TRAY | TV_START_VIEWER | TV_START_IMPORT},
        {"/interchangefile \"C:\\My Files\\b.tvi\"", 0, "\"C:\\My Files\\b.tvi\"", TV_START_INTERCHANGE},
        // A path with a blank that arrived as two arguments becomes one quoted text.
        {"C:\\My Files\\a.zip", 0, "\"C:\\My Files\\a.zip\"", 0},
        // Consecutive blanks give empty tokens, which are skipped.
        {"  a.zip    b.zip  ", 0, "\"a.zip b.zip\"", 0},
        // Quotes are kept and protect blanks; no extra quotes where they are already.
        {"\"C:\\x y\\a.zip\" \"C:\\b.zip\"", 0, "\"C:\\x y\\a.zip\" \"C:\\b.zip\"", 0},
        {"\"C:\\x y\\a.zip\" b.zip", 0, "\"C:\\x y\\a.zip\" b.zip\"", 0},
        // Not a switch: only whole tokens match.
        {"/trayx /tray/iv tray", 0, "\"/trayx /tray/iv tray\"", 0},
        // The splash bit survives only without tray, import and viewer.
        {"a.zip", TV_START_SPLASH, "\"a.zip\"", TV_START_SPLASH},
        {"/import a.zip", TV_START_SPLASH, "\"a.zip\"", TV_START_IMPORT},
        {"/interchangefile", TV_START_SPLASH, "", TV_START_SPLASH | TV_START_INTERCHANGE},
        {"/iv", TV_START_SPLASH, "", TV_START_TRAY | TV_START_VIEWER},
    };
    for (const ParseCase& c : cases) {
        char text[TV_COMMAND_LINE_SIZE];
        std::snprintf(text, sizeof(text), "%s", c.input);
        uint32_t flags = c.flagsIn;
        EXPECT_EQ(ParseCommandLine(text, sizeof(text), &flags), 0) << c.input;
        EXPECT_STREQ(text, c.text) << c.input;
        EXPECT_EQ(flags, c.flags) << c.input;
    }
}

TEST(CommandLineParse, TokensOfTheLongestLengthAreKeptLongerOnesDroppedWhole) {
    for (size_t n : {260u, 261u, 262u, 300u}) {
        const std::string token(n, 'x');
        char text[TV_FORWARDED_COMMAND_LINE_SIZE];
        std::snprintf(text, sizeof(text), "/tray %s b.zip", token.c_str());
        uint32_t flags = 0;
        const int cut = ParseCommandLine(text, sizeof(text), &flags);
        EXPECT_EQ(flags, uint32_t(TV_START_TRAY)) << n;
        if (n <= TV_COMMAND_TOKEN_MAX) {
            EXPECT_EQ(cut, 0) << n;
            EXPECT_EQ(std::string(text), "\"" + token + " b.zip\"") << n;
        } else {
            EXPECT_EQ(cut, 1) << n;
            EXPECT_STREQ(text, "\"b.zip\"") << n;
        }
    }
}

TEST(CommandLineParse, FullBufferNeverOverflows) {
    // 459 characters of short tokens: quoting needs two more bytes than the buffer has.
    std::string input;
    while (input.size() + 6 <= 459) input += input.empty() ? "a.zip" : " a.zip";
    input.append(459 - input.size(), 'z');
    ASSERT_EQ(input.size(), 459u);
    char text[TV_COMMAND_LINE_SIZE + 8];
    std::memset(text, '#', sizeof(text));
    std::memcpy(text, input.c_str(), input.size() + 1);
    uint32_t flags = 0;
    EXPECT_EQ(ParseCommandLine(text, TV_COMMAND_LINE_SIZE, &flags), 1);
    const size_t length = std::strlen(text);
    EXPECT_EQ(length, TV_COMMAND_LINE_SIZE - 1);
    EXPECT_EQ(text[0], '"');
    EXPECT_EQ(text[length - 1], '"');
    for (size_t i = TV_COMMAND_LINE_SIZE; i < sizeof(text); ++i) EXPECT_EQ(text[i], '#') << i;

    // A buffer without any terminator is read only up to its last byte.
    char raw[16];
    std::memset(raw, 'q', sizeof(raw));
    EXPECT_EQ(ParseCommandLine(raw, sizeof(raw), &flags), 1);
    EXPECT_LT(std::strlen(raw), sizeof(raw));
    EXPECT_EQ(raw[0], '"');
}

TEST(CommandLineJoin, ArgumentsJoinedBySingleBlanksUpTo459Characters) {
    const char* args[] = {"tv.exe", "/tray", "C:\\My", "Files\\a.zip"};
    char out[TV_COMMAND_LINE_SIZE];
    EXPECT_EQ(JoinCommandLine(4, args, 1, out, sizeof(out)), 0);
    EXPECT_STREQ(out, "/tray C:\\My Files\\a.zip");
    EXPECT_EQ(JoinCommandLine(1, args, 1, out, sizeof(out)), 0);
    EXPECT_STREQ(out, "");

    // 459 characters fit exactly; one more leaves the argument out whole, not cut.
    for (size_t n : {458u, 459u, 460u, 600u}) {
        const std::string big(n, 'p');
        const char* two[] = {"tv.exe", big.c_str(), "/tray"};
        std::vector<char> buf(TV_COMMAND_LINE_SIZE + 4, '#');
        const int left = JoinCommandLine(3, two, 1, buf.data(), TV_COMMAND_LINE_SIZE);
        if (n <= 459) {
            // The argument fits, "/tray" after it does not.
            EXPECT_EQ(left, 1) << n;
            EXPECT_EQ(std::string(buf.data()), big) << n;
        } else {
            EXPECT_EQ(left, 1) << n;
            EXPECT_STREQ(buf.data(), "/tray") << n;
        }
        for (size_t i = TV_COMMAND_LINE_SIZE; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#');
    }
    // 453 + blank + "/tray" = 459.
    const std::string fits(453, 'p');
    const char* three[] = {"tv.exe", fits.c_str(), "/tray"};
    EXPECT_EQ(JoinCommandLine(3, three, 1, out, sizeof(out)), 0);
    EXPECT_EQ(std::strlen(out), 459u);
}

struct RawCase {
    const char* raw;
    std::vector<std::string> args;  // program name removed, quotes kept
    const char* joined;             // the command-line text
};

TEST(CommandLineRaw, ProgramNameRemovedAndQuotesOfTheCallerKept) {
    const RawCase cases[] = {
        {"tv.exe", {}, ""},
        {"tv.exe   ", {}, ""},
        {"", {}, ""},
        {"\"C:\\Program Files\\Tolvane\\tv.exe\"", {}, ""},
        {"\"C:\\Program Files\\Tolvane\\tv.exe\" /tray", {"/tray"}, "/tray"},
        {"C:\\Tolvane\\tv.exe /tray", {"/tray"}, "/tray"},
        // Quoted files stay quoted, so they stay three files.
        {"tv.exe \"C:\\a.zip\" \"C:\\b.zip\" \"C:\\c.zip\"",
         {"\"C:\\a.zip\"", "\"C:\\b.zip\"", "\"C:\\c.zip\""},
         "\"C:\\a.zip\" \"C:\\b.zip\" \"C:\\c.zip\""},
        // An unquoted path with a blank arrives as two arguments (the parser quotes it later).
        {"tv.exe C:\\My Files\\a.zip", {"C:\\My", "Files\\a.zip"}, "C:\\My Files\\a.zip"},
        // Blanks and tabs inside quotes stay; outside, runs of them separate.
        {"\"C:\\My Programs\\tv.exe\"\t \"C:\\My  Files\\a\tb.zip\"  \t /iv",
         {"\"C:\\My  Files\\a\tb.zip\"", "/iv"},
         "\"C:\\My  Files\\a\tb.zip\" /iv"},
        {"tv.exe\tC:\\x.zip\t\tC:\\y.zip", {"C:\\x.zip", "C:\\y.zip"}, "C:\\x.zip C:\\y.zip"},
        // A trailing backslash does not swallow the closing quote.
        {"tv.exe \"C:\\My Files\\\" next", {"\"C:\\My Files\\\"", "next"}, "\"C:\\My Files\\\" next"},
        // A quote opened and never closed runs to the end.
        {"tv.exe \"C:\\a b.zip /tray", {"\"C:\\a b.zip /tray"}, "\"C:\\a b.zip /tray"},
        // A quoted program name without its closing quote: nothing follows it.
        {"\"C:\\tv.exe /tray", {}, ""},
        // Quotes in the middle of an argument keep the blank they enclose.
        {"tv.exe C:\\\"My Files\"\\a.zip b", {"C:\\\"My Files\"\\a.zip", "b"}, "C:\\\"My Files\"\\a.zip b"},
    };
    for (const RawCase& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(SplitRawCommandLine(c.raw), c.args);
        char out[TV_COMMAND_LINE_SIZE];
        std::memset(out, '#', sizeof(out));
        EXPECT_EQ(JoinRawCommandLine(c.raw, out, sizeof(out)), 0);
        EXPECT_STREQ(out, c.joined);
    }
    EXPECT_TRUE(SplitRawCommandLine(nullptr).empty());
    char out[8] = "junk";
    EXPECT_EQ(JoinRawCommandLine(nullptr, out, sizeof(out)), 0);
    EXPECT_STREQ(out, "");
}

TEST(CommandLineRaw, OverLongArgumentsAreLeftOutWholeAndTheTextStaysInItsBuffer) {
    // 459 characters fit exactly; an argument that would go past is left out, the later ones
    // still go in; a quoted argument counts with its quotes.
    const std::string quoted = "\"" + std::string(455, 'p') + "\"";  // 457 characters
    const struct {
        std::string raw;
        int left;
        std::string joined;
    } cases[] = {
        {"tv.exe " + std::string(459, 'p'), 0, std::string(459, 'p')},
        {"tv.exe " + std::string(460, 'p') + " /tray", 1, "/tray"},
        {"\"C:\\a b\\tv.exe\" " + quoted + " /tray", 1, quoted},
        {"tv.exe " + quoted + " a", 0, quoted + " a"},
        {"tv.exe " + std::string(2000, 'x') + " " + std::string(2000, 'y') + " C:\\z.zip", 2, "C:\\z.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.substr(0, 40));
        std::vector<char> buf(TV_COMMAND_LINE_SIZE + 4, '#');
        EXPECT_EQ(JoinRawCommandLine(c.raw.c_str(), buf.data(), TV_COMMAND_LINE_SIZE), c.left);
        EXPECT_EQ(std::string(buf.data()), c.joined);
        for (size_t i = TV_COMMAND_LINE_SIZE; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#');
    }
}

// The whole way from the raw command line to the intake, as the program takes it (no size
// limit): quoted files stay apart, an unquoted path with a blank becomes one quoted file, and
// three files of about 150 characters each (more than 459 in all) are all taken.
TEST(CommandLineRaw, RawTextThroughParserAndPlan) {
    const std::string a = "C:\\" + std::string(140, 'a') + "\\one.zip";
    const std::string b = "C:\\" + std::string(140, 'b') + "\\two.zip";
    const std::string c3 = "C:\\" + std::string(140, 'c') + "\\three.zip";
    const std::string longLine = "tv.exe \"" + a + "\" \"" + b + "\" /tray \"" + c3 + "\"";
    const struct {
        const char* raw;
        std::vector<std::string> files;
        uint32_t options;
        uint32_t flags;
    } cases[] = {
        {"tv.exe \"C:\\a.zip\" \"C:\\b.zip\" \"C:\\c.zip\"",
         {"\"C:\\a.zip\"", "\"C:\\b.zip\"", "\"C:\\c.zip\""},
         TV_INTAKE_COMMAND_LINE_EACH,
         0},
        {"tv.exe C:\\My Files\\a.zip", {"\"C:\\My Files\\a.zip\""}, TV_INTAKE_COMMAND_LINE_SINGLE, 0},
        {"\"C:\\Program Files\\tv.exe\" \"C:\\My Files\\a.zip\" /TRAY", {"\"C:\\My Files\\a.zip\""},
         TV_INTAKE_COMMAND_LINE_SINGLE, TV_START_TRAY},
        {longLine.c_str(), {"\"" + a + "\"", "\"" + b + "\"", "\"" + c3 + "\""}, TV_INTAKE_COMMAND_LINE_EACH,
         TV_START_TRAY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        std::string text = JoinRawCommandLine(c.raw);
        uint32_t flags = 0;
        EXPECT_EQ(ParseCommandLine(&text, &flags), 0);
        EXPECT_EQ(flags, c.flags);
        const CommandLinePlan plan = PlanCommandLineActions(text.c_str(), flags, true);
        ASSERT_EQ(plan.action, CommandLinePlan::INTAKE);
        ASSERT_EQ(plan.intake.size(), c.files.size());
        for (size_t i = 0; i < c.files.size(); ++i) {
            EXPECT_EQ(plan.intake[i].file, c.files[i]);
            EXPECT_EQ(plan.intake[i].options, c.options);
        }
    }
}

struct PlanCase {
    const char* commandLine;  // parsed first, from empty flags
    bool atStartUp;
    bool toTray;
    CommandLinePlan::Action action;
    std::vector<CommandLineIntake> intake;
    const char* name;  // archive or interchange file
};

TEST(CommandLinePlan, ActionsForTextAndFlags) {
    using P = CommandLinePlan;
    const PlanCase cases[] = {
        {"", true, false, P::NONE, {}, ""},
        {"/tray", true, true, P::NONE, {}, ""},
        {"/TRAY", true, true, P::NONE, {}, ""},
        {"/tray", false, false, P::NONE, {}, ""},
        {"/tray C:\\a.zip", false, false, P::INTAKE, {{"\"C:\\a.zip\"", TV_INTAKE_COMMAND_LINE_SINGLE}}, ""},
        {"C:\\My Files\\a.zip", true, false, P::INTAKE,
         {{"\"C:\\My Files\\a.zip\"", TV_INTAKE_COMMAND_LINE_SINGLE}}, ""},
        {"\"C:\\a b.zip\" \"C:\\c.zip\"", true, false, P::INTAKE,
         {{"\"C:\\a b.zip\"", TV_INTAKE_COMMAND_LINE_EACH}, {"\"C:\\c.zip\"", TV_INTAKE_COMMAND_LINE_EACH}}, ""},
        {"/iv \"C:\\x y\\a.zip\"", true, true, P::VIEWER, {}, "C:\\x y\\a.zip"},
        {"/iv C:\\a.zip", false, false, P::VIEWER, {}, "C:\\a.zip"},
        {"/iv", false, false, P::VIEWER, {}, ""},
        {"/iv /import C:\\a.zip", true, true, P::INTAKE, {{"\"C:\\a.zip\"", TV_INTAKE_COMMAND_LINE_SINGLE}}, ""},
        {"/interchangefile \"C:\\My Files\\b.tvi\"", true, false, P::INTERCHANGE, {}, "C:\\My Files\\b.tvi"},
        {"/interchangefile /iv /import b.tvi", true, true, P::INTERCHANGE, {}, "b.tvi"},
    };
    for (const PlanCase& c : cases) {
        char text[TV_FORWARDED_COMMAND_LINE_SIZE];
        std::snprintf(text, sizeof(text), "%s", c.commandLine);
        uint32_t flags = 0;
        ParseCommandLine(text, sizeof(text), &flags);
        const CommandLinePlan plan = PlanCommandLineActions(text, flags, c.atStartUp);
        EXPECT_EQ(plan.toTray, c.toTray) << c.commandLine;
        EXPECT_EQ(plan.action, c.action) << c.commandLine;
        ASSERT_EQ(plan.intake.size(), c.intake.size()) << c.commandLine;
        for (size_t i = 0; i < c.intake.size(); ++i) {
            EXPECT_EQ(plan.intake[i].file, c.intake[i].file) << c.commandLine;
            EXPECT_EQ(plan.intake[i].options, c.intake[i].options) << c.commandLine;
        }
        if (c.action == P::VIEWER) {
            EXPECT_EQ(plan.archive, c.name) << c.commandLine;
        }
        if (c.action == P::INTERCHANGE) {
            EXPECT_EQ(plan.interchangeFile, c.name) << c.commandLine;
        }
    }
    // An absent text does nothing, not even the tray.
    const CommandLinePlan none = PlanCommandLineActions(nullptr, TV_START_TRAY, true);
    EXPECT_FALSE(none.toTray);
    EXPECT_EQ(none.action, P::NONE);
}

TEST(CommandLinePlan, ArgumentsSplitAtBlanksOutsideQuotes) {
    EXPECT_EQ(SplitCommandArguments("\"a b\" c  \"d\"e"), (std::vector<std::string>{"\"a b\"", "c", "\"d\"e"}));
    EXPECT_TRUE(SplitCommandArguments("   ").empty());
    EXPECT_TRUE(SplitCommandArguments(nullptr).empty());
    EXPECT_EQ(SplitCommandArguments("\"open quote rest"), (std::vector<std::string>{"\"open quote rest"}));
}

}  // namespace
