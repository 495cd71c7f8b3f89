// Dialogs of the item operations. Each is a function over a plain parameter struct: the dialog
// copies the struct into its controls, validates on OK, copies back and closes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catops/win_catops_ids.h"
#include "util/tvbase.h"

// "FILEDELETETYPE": which parts of a download to delete (0 file and record, 1 only the file).
struct FileDeleteTypeParams {
    int deleteType = 0;
};
bool RunFileDeleteTypeDialog(HWND owner, FileDeleteTypeParams* io);

// "ADDEDITBOOKMARK" in a property sheet titled "Add Bookmark" or "Edit Bookmark".
struct BookmarkDialogParams {
    int isNew = 1;
    std::vector<std::string> categories;  // names offered in the category combo
    std::string category;
    std::string title;
    std::string url;
    std::string description;
};
bool RunBookmarkDialog(HWND owner, BookmarkDialogParams* io);

// "NEWSHORTCUT": target (up to 359 characters) and title (up to 260), both trimmed on OK.
constexpr size_t TV_SHORTCUT_TARGET_SIZE = 360;
struct NewShortcutParams {
    char target[TV_SHORTCUT_TARGET_SIZE] = {};
    char title[TV_PATH_SIZE] = {};
};
// Trims both texts; 0 when they are acceptable, else the string id of the message to show
// (3421 no target, 3422 title is no valid file name).
unsigned CheckNewShortcutInput(char* target, size_t targetSize, char* title);
bool RunNewShortcutDialog(HWND owner, NewShortcutParams* io);

// "CTPROP": the read-only texts of a category.
struct CategoryPropertiesParams {
    char name[TV_PATH_SIZE] = {};
    char type[64] = {};
    char id[32] = {};
    char location[TV_PATH_SIZE] = {};
    char contents[128] = {};
    char subcategories[128] = {};
    char parent[TV_PATH_SIZE + 32] = {};
};
void RunCategoryPropertiesDialog(HWND owner, const CategoryPropertiesParams* in);

