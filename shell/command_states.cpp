#include "shell/command_states.h"

#include <cstring>

#include "shell/commands.h"
#include "util/format.h"
#include "util/text.h"
#include "util/safestr.h"

const int kToolbarSlots[TV_TOOLBAR_SLOTS] = {
    0, CM_NEW_MENU, CM_OPEN, 0, CM_CUT, CM_COPY, CM_PASTE, 0, CM_DELETE, CM_PROPERTIES, 0, CM_SEARCH,
    // Nineteen separators keep the room of the search field.
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    CM_ERASE_SEARCH, 0, CM_EXPLORER, CM_BROWSER, 0, CM_HELP_CONTENTS};

uint32_t ComputeCommandState(const CommandStateInput& in) {
    uint32_t state = 0;
    switch (in.focusArea) {
        case TV_FOCUS_TREE:
            if (in.categorySelected) state |= TV_STATE_ITEM | TV_STATE_EDITABLE;
            break;
        case TV_FOCUS_DOWNLOADS:
            if (in.focusedItem) state |= TV_STATE_ITEM | TV_STATE_FOCUSED_ITEM;
            if (in.selectedCount > 0) state |= TV_STATE_EDITABLE | TV_STATE_SELECTION | TV_STATE_DOWNLOADS;
            break;
        case TV_FOCUS_BOOKMARKS:
        case TV_FOCUS_SHORTCUTS:
            if (in.focusedItem) state |= TV_STATE_ITEM | TV_STATE_FOCUSED_ITEM;
            if (in.selectedCount > 0) state |= TV_STATE_EDITABLE | TV_STATE_SELECTION;
            break;
        default:
            break;
    }
    if (in.searchResults) state |= TV_STATE_SEARCH_RESULTS;
    if (in.clipboardAccepted) state |= TV_STATE_PASTE;
    return state;
}

uint32_t CommandRequiredBits(int command) {
    switch (command) {
        case CM_OPEN: return TV_STATE_FOCUSED_ITEM;
        case CM_PROPERTIES: return TV_STATE_ITEM;
        case CM_RENAME: return TV_STATE_EDITABLE;
        case CM_DELETE: return TV_STATE_EDITABLE;
        case CM_COPY_TO: return TV_STATE_DOWNLOADS;
        case CM_CUT: return TV_STATE_SELECTION;
        case CM_COPY: return TV_STATE_SELECTION;
        case CM_PASTE: return TV_STATE_PASTE;
        case CM_SEARCH_RESULTS: return TV_STATE_SEARCH_RESULTS;
        default: return 0;
    }
}

bool IsCommandEnabled(int command, uint32_t state) {
    const uint32_t required = CommandRequiredBits(command);
    return (state & required) == required;
}

int ToolbarSlotOf(int command) {
    for (int i = 0; i < TV_TOOLBAR_SLOTS; ++i)
        if (kToolbarSlots[i] == command && command != 0) return i;
    return -1;
}

int ToolbarImageOf(int command) {
    switch (command) {
        case CM_NEW_MENU: return 0;
        case CM_OPEN: return 1;
        case CM_CUT: return 2;
        case CM_COPY: return 3;
        case CM_PASTE: return 4;
        case CM_DELETE: return 5;
        case CM_PROPERTIES: return 6;
        case CM_SEARCH: return 7;
        case CM_ERASE_SEARCH: return 8;
        case CM_EXPLORER: return 9;
        case CM_BROWSER: return 10;
        case CM_HELP_CONTENTS: return 11;
        default: return -1;
    }
}

void StatusSizeText(char* out, size_t size, uint64_t bytes) {
    if (!out || size == 0) return;
    if (bytes <= 0xFFFFFFFFull) {
        FormatSizeText(out, size, uint32_t(bytes), TV_UNIT_AUTO);
        return;
    }
    // The size formatter counts in 32 bits; larger totals are written in megabytes here.
    char number[40];
    FormatThousands(number, sizeof(number), bytes >> 20);
    FormatLimited(out, size, "%s meg", number);
}

void DownloadStatusText(char* out, size_t size, uint64_t count, uint64_t bytes, bool selected) {
    if (!out || size == 0) return;
    char number[40];
    FormatThousands(number, sizeof(number), count);
    char sizeText[60];
    StatusSizeText(sizeText, sizeof(sizeText), bytes);
    FormatLimited(out, size, "\t%s %s (%s) %s", number, count == 1 ? "File" : "Files", sizeText,
                  selected ? "Selected" : "Total");
}

int DefaultMenuCommand(int doubleClickAction, bool bookmarkMenu) {
    switch (doubleClickAction) {
        case 2: return CM_PROPERTIES;
        case 3: return bookmarkMenu ? CM_PROPERTIES : CM_VIEWER;
        default: return CM_OPEN;
    }
}

int DoubleClickCommand(int focusArea, int doubleClickAction) {
    if (focusArea == TV_FOCUS_DOWNLOADS) return DefaultMenuCommand(doubleClickAction, false);
    if (focusArea == TV_FOCUS_BOOKMARKS || focusArea == TV_FOCUS_SHORTCUTS)
        return doubleClickAction == 1 ? CM_OPEN : CM_PROPERTIES;
    return 0;
}

void TitleWithoutExtension(char* out, size_t size, const char* title) {
    if (!out || size == 0) return;
    CopyLimited(out, title ? title : "", size);
    char* dot = strrchr(out, '.');
    // A dot that starts the name or lies in a folder part is no extension.
    if (dot && dot != out && !strchr(dot, '\\')) *dot = '\0';
}

namespace {

// The commands of the menu bar with their help topics (Using Help has the system's own).
const struct {
    int command;
    uint32_t context;
} kMenuHelp[] = {
    {CM_OPEN, 300},          {CM_VIEWER, 301},         {CM_NEW_CATEGORY, 302},      {CM_NEW_DOWNLOAD, 303},
    {CM_NEW_BOOKMARK, 304},  {CM_NEW_SHORTCUT, 305},   {CM_DELETE, 306},            {CM_RENAME, 307},
    {CM_COPY_TO, 308},       {CM_PROPERTIES, 309},     {CM_EXIT, 310},              {CM_CUT, 311},
    {CM_COPY, 312},          {CM_PASTE, 313},          {CM_SEARCH, 314},            {CM_SEARCH_RESULTS, 315},
    {CM_EXPLORER, 316},      {CM_BROWSER, 317},        {CM_REFRESH, 318},           {CM_EXPORT_FILE_DATABASE, 319},
    {CM_IMPORT_BOOKMARKS, 320}, {CM_EXPORT_BOOKMARKS, 321}, {CM_MAKE_INTERCHANGE, 322}, {CM_IMPORT_INTERCHANGE, 323},
    {CM_PREFERENCES, 324},   {CM_HELP_CONTENTS, 325},  {CM_WEBSITE, 326},           {CM_ABOUT, 327},
};

}  // namespace

uint32_t MenuCommandHelpContext(int command) {
    for (const auto& entry : kMenuHelp)
        if (entry.command == command) return entry.context;
    return 0;
}
