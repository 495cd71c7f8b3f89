// What a drop or a paste does: categories and items of the program move or are copied into the
// target category, files from outside come in as downloads or shortcuts, and URLs become
// bookmarks through the bookmark dialog.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <vector>

#include "catops/win_item_ops.h"
#include "intake/win_intake.h"
#include "shell/win_dataobject.h"

struct TProgramData;

// What the drop target hands over (with WM_USER+3) and Paste builds.
struct TDropInfo {
    uint32_t formats = 0;         // format set (TV_FMT_*)
    int target = 0;               // TV_DROP_* target kind
    IDataObject* data = nullptr;  // not owned
    uint32_t keyState = 0;
    POINT point = {};
    uint32_t operation = 0;       // TV_EFFECT_COPY, TV_EFFECT_MOVE or TV_EFFECT_LINK
};

// What the processing works with. intake's selected-category hook must answer the target
// category (the tree follows a drag, and Paste goes into the selected category).
struct TDropEnvironment {
    HWND window = nullptr;
    TProgramData* program = nullptr;
    TItemOperations* operations = nullptr;
    TItemViews* views = nullptr;
    TIntakeContext intake;
};

// Carries out the drop into category target. Returns the effect the source is to see: the
// operation when something was done, none when nothing was done, and none as well for files from
// outside that were moved here (this side moved them; a source that deletes after a "move" must
// not delete what stayed behind because it could not be taken).
uint32_t ProcessDrop(const TDropEnvironment& env, const TDropInfo& info, ListNode* target);

// Downloads: move into another category (and its stored file into that folder) or copy (a new
// record with a stored name unique in the category, and a copy of the file). A file that cannot
// be moved or copied leaves everything as it was; false then.
bool MoveDownloadToCategory(TProgramData* program, ListNode* download, ListNode* category);
ListNode* CopyDownloadToCategory(TProgramData* program, ListNode* download, ListNode* category);

// The state of a drag started here, for the clean-up after it: each dragged download and shortcut
// with whether its file was there when the drag started.
struct TDragRecordState {
    int kind;
    ListNode* node;
    bool fileBefore;
};
std::vector<TDragRecordState> CaptureDragState(TProgramData* program, const TDraggedList& entries);
// After the drag ended with effect: removes the records whose file left the storage with the drag
// (RecordLeftWithDrag). Returns how many were removed.
int CleanUpAfterDrag(TProgramData* program, TItemViews* views, const std::vector<TDragRecordState>& state,
                     uint32_t effect);
