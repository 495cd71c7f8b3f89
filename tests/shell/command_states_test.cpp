#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_states.h"
#include "shell/commands.h"

namespace {

struct StateCase {
    const char* what;
    CommandStateInput in;
    // Expected enabled state of Open, Properties, Rename, Delete, Cut, Copy, Copy to, Paste,
    // Search Results.
    const char* enabled;
};

CommandStateInput Input(int focus, bool category, bool focused, int selected, bool clip = false, bool results = false) {
    CommandStateInput in;
    in.focusArea = focus;
    in.categorySelected = category;
    in.focusedItem = focused;
    in.selectedCount = selected;
    in.clipboardAccepted = clip;
    in.searchResults = results;
    return in;
}

TEST(CommandStates, EnabledCommandsFollowFocusAndSelection) {
    const int commands[] = {CM_OPEN, CM_PROPERTIES, CM_RENAME, CM_DELETE, CM_CUT,
                            CM_COPY, CM_COPY_TO,    CM_PASTE,  CM_SEARCH_RESULTS};
    const StateCase cases[] = {
        {"nothing has the focus", Input(TV_FOCUS_NONE, true, true, 3), "---------"},
        {"tree without a category", Input(TV_FOCUS_TREE, false, false, 0), "---------"},
        {"tree with a category", Input(TV_FOCUS_TREE, true, false, 0), "-+++-----"},
        {"empty download list", Input(TV_FOCUS_DOWNLOADS, true, false, 0), "---------"},
        {"download focused, none selected", Input(TV_FOCUS_DOWNLOADS, true, true, 0), "++-------"},
        {"one download selected", Input(TV_FOCUS_DOWNLOADS, true, true, 1), "+++++++--"},
        {"downloads selected, no focus row", Input(TV_FOCUS_DOWNLOADS, true, false, 2), "--+++++--"},
        {"bookmark selected", Input(TV_FOCUS_BOOKMARKS, true, true, 1), "++++++---"},
        {"shortcuts selected", Input(TV_FOCUS_SHORTCUTS, true, true, 2), "++++++---"},
        {"clipboard and results", Input(TV_FOCUS_NONE, false, false, 0, true, true), "-------++"},
        {"bookmark list, clipboard accepted", Input(TV_FOCUS_BOOKMARKS, true, false, 0, true), "-------+-"},
    };
    for (const StateCase& c : cases) {
        const uint32_t state = ComputeCommandState(c.in);
        std::string got;
        for (int command : commands) got += IsCommandEnabled(command, state) ? '+' : '-';
        EXPECT_EQ(got, c.enabled) << c.what;
    }
}

TEST(CommandStates, OtherCommandsAreAlwaysEnabled) {
    for (int command : {CM_EXIT, CM_SEARCH, CM_NEW_CATEGORY, CM_NEW_DOWNLOAD, CM_REFRESH, CM_PREFERENCES,
                        CM_ERASE_SEARCH, CM_HELP_CONTENTS, CM_ABOUT})
        EXPECT_TRUE(IsCommandEnabled(command, 0)) << command;
}

TEST(CommandStates, ToolbarHasItsSlotsAroundTheSearchField) {
    int buttons = 0, separators = 0;
    for (int slot : kToolbarSlots) {
        if (slot)
            ++buttons;
        else
            ++separators;
    }
    EXPECT_EQ(buttons, 12);
    EXPECT_EQ(separators, 25);
    const int search = ToolbarSlotOf(CM_SEARCH), erase = ToolbarSlotOf(CM_ERASE_SEARCH);
    ASSERT_GE(search, 0);
    EXPECT_EQ(erase - search - 1, 19);
    for (int i = search + 1; i < erase; ++i) EXPECT_EQ(kToolbarSlots[i], 0);
    EXPECT_EQ(ToolbarSlotOf(CM_NEW_MENU), 1);
    EXPECT_EQ(ToolbarSlotOf(CM_HELP_CONTENTS), TV_TOOLBAR_SLOTS - 1);
    EXPECT_EQ(ToolbarSlotOf(0), -1);
    for (int slot : kToolbarSlots) {
        if (slot) {
            EXPECT_GE(ToolbarImageOf(slot), 0) << slot;
        }
    }
}

TEST(StatusTexts, DownloadCountsAndSizes) {
    struct {
        uint64_t count, bytes;
        bool selected;
        const char* expected;
    } cases[] = {
        {1, 2048, true, "\t1 File (2 k) Selected"},
        {2, 3000, true, "\t2 Files (2 k) Selected"},
        {0, 0, true, "\t0 Files (0 Bytes) Selected"},
        {1234, 1000, false, "\t1,234 Files (1,000 Bytes) Total"},
        {3, 6ull << 30, false, "\t3 Files (6,144 meg) Total"},
    };
    for (const auto& c : cases) {
        char out[100];
        DownloadStatusText(out, sizeof(out), c.count, c.bytes, c.selected);
        EXPECT_STREQ(out, c.expected);
    }
    char small[8];
    DownloadStatusText(small, sizeof(small), 5, 5, false);
    EXPECT_LT(std::string(small).size(), sizeof(small));
}

TEST(MenuDecisions, DefaultItemsAndDoubleClicks) {
    EXPECT_EQ(DefaultMenuCommand(1, false), CM_OPEN);
    EXPECT_EQ(DefaultMenuCommand(2, false), CM_PROPERTIES);
    EXPECT_EQ(DefaultMenuCommand(3, false), CM_VIEWER);
    EXPECT_EQ(DefaultMenuCommand(3, true), CM_PROPERTIES);
    EXPECT_EQ(DefaultMenuCommand(0, false), CM_OPEN);
    EXPECT_EQ(DoubleClickCommand(TV_FOCUS_DOWNLOADS, 3), CM_VIEWER);
    EXPECT_EQ(DoubleClickCommand(TV_FOCUS_BOOKMARKS, 1), CM_OPEN);
    EXPECT_EQ(DoubleClickCommand(TV_FOCUS_SHORTCUTS, 3), CM_PROPERTIES);
    EXPECT_EQ(DoubleClickCommand(TV_FOCUS_TREE, 1), 0);
}

TEST(MenuDecisions, TitleWithoutExtension) {
    const char* cases[][2] = {{"Editor.lnk", "Editor"}, {"a.b.lnk", "a.b"}, {".lnk", ".lnk"}, {"plain", "plain"}, {"", ""}};
    for (const auto& c : cases) {
        char out[20];
        TitleWithoutExtension(out, sizeof(out), c[0]);
        EXPECT_STREQ(out, c[1]);
    }
}

}  // namespace

namespace {

TEST(MenuHelp, EveryMenuCommandHasItsOwnTopic) {
    const int commands[] = {CM_OPEN, CM_VIEWER, CM_NEW_CATEGORY, CM_NEW_DOWNLOAD, CM_NEW_BOOKMARK, CM_NEW_SHORTCUT,
                            CM_DELETE, CM_RENAME, CM_COPY_TO, CM_PROPERTIES, CM_EXIT, CM_CUT, CM_COPY, CM_PASTE,
                            CM_SEARCH, CM_SEARCH_RESULTS, CM_EXPLORER, CM_BROWSER, CM_REFRESH,
                            CM_EXPORT_FILE_DATABASE, CM_IMPORT_BOOKMARKS, CM_EXPORT_BOOKMARKS, CM_MAKE_INTERCHANGE,
                            CM_IMPORT_INTERCHANGE, CM_PREFERENCES, CM_HELP_CONTENTS, CM_WEBSITE, CM_ABOUT};
    static_assert(sizeof(commands) / sizeof(commands[0]) == 28, "28 menu commands");
    std::vector<uint32_t> seen;
    for (int command : commands) {
        const uint32_t context = MenuCommandHelpContext(command);
        EXPECT_NE(context, 0u) << command;
        for (uint32_t other : seen) EXPECT_NE(other, context) << command;
        seen.push_back(context);
    }
    EXPECT_EQ(MenuCommandHelpContext(CM_HELP_USING), 0u);
    EXPECT_EQ(MenuCommandHelpContext(0), 0u);
    EXPECT_EQ(MenuCommandHelpContext(CM_NEW_MENU), 0u);
}

}  // namespace
