// Decisions of the main window that need no window: which commands are enabled for the current
// focus and selection, the toolbar's slots, the status bar's download texts and the default items
// of the menus. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

// Focus areas of the main window.
enum { TV_FOCUS_NONE = -1, TV_FOCUS_TREE = 0, TV_FOCUS_DOWNLOADS = 1, TV_FOCUS_BOOKMARKS = 2, TV_FOCUS_SHORTCUTS = 3 };

// Bits of the command state.
enum : uint32_t {
    TV_STATE_ITEM = 1,            // a category or item to show properties of
    TV_STATE_FOCUSED_ITEM = 2,    // a focused list item (Open)
    TV_STATE_EDITABLE = 4,        // something to rename or delete
    TV_STATE_SELECTION = 8,       // selected list items (Cut, Copy)
    TV_STATE_DOWNLOADS = 16,      // selected downloads (Copy to)
    TV_STATE_PASTE = 32,          // the clipboard holds a format the current kind accepts
    TV_STATE_SEARCH_RESULTS = 64  // the find results list is not empty
};

struct CommandStateInput {
    int focusArea = TV_FOCUS_NONE;
    bool categorySelected = false;  // the tree has a selected category
    bool focusedItem = false;       // the list with the focus has a focused row
    int selectedCount = 0;          // selected rows of the list with the focus
    bool clipboardAccepted = false;
    bool searchResults = false;
};

uint32_t ComputeCommandState(const CommandStateInput& in);
// The bits a command needs (0: always enabled).
uint32_t CommandRequiredBits(int command);
bool IsCommandEnabled(int command, uint32_t state);

// The toolbar's 37 slots: a command id, or 0 for a separator.
constexpr int TV_TOOLBAR_SLOTS = 37;
extern const int kToolbarSlots[TV_TOOLBAR_SLOTS];
// Slots of the buttons around the search field.
int ToolbarSlotOf(int command);
// The toolbar image of a command (-1: none).
int ToolbarImageOf(int command);

// Status bar text of a download count and size: "\t" + count + " File"/" Files" + " (" + size +
// ") Selected" (selected) or ") Total". Sizes beyond 4 GB are shown in megabytes.
void DownloadStatusText(char* out, size_t size, uint64_t count, uint64_t bytes, bool selected);
// A size in the status bar's form.
void StatusSizeText(char* out, size_t size, uint64_t bytes);

// The default item of the File menu and of the download context menu for a double-click action
// (1 open, 2 properties, 3 internal viewer; anything else opens); in the bookmark context menu
// the internal viewer gives way to the properties.
int DefaultMenuCommand(int doubleClickAction, bool bookmarkMenu);
// What a double click on a row of a list does (the command id).
int DoubleClickCommand(int focusArea, int doubleClickAction);
// A shortcut title without its extension (for the status bar).
void TitleWithoutExtension(char* out, size_t size, const char* title);

// View flags of UpdateItemView.
enum {
    TV_VIEW_FLAG_NEW = 1,              // add the item's row at the end
    TV_VIEW_FLAG_SHOW_CATEGORY = 2,    // select the item's category and show its contents instead
    TV_VIEW_FLAG_REBUILD_TREE = 4,     // rebuild the whole tree first (implies showing the category)
    TV_VIEW_FLAG_CLEAR_SELECTION = 8,  // clear the selection of all rows
    TV_VIEW_FLAG_SELECT = 16           // then select and focus the item's row
};

// Help context of a menu command for F1 pressed while its menu item is highlighted (0: none).
uint32_t MenuCommandHelpContext(int command);
