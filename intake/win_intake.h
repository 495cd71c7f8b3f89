// File intake on Windows: bringing a file into a download category and the storage folder (or
// editing a download's properties), the state of a stored file, the external programs, and the
// two storage checks that run after start-up.
#pragma once

#include <windows.h>

#include <cstdint>

#include "core/items.h"
#include "intake/intake_options.h"

struct TProgramData;
struct TFileAddEditParams;

// What intake tells the main window's views. Every member may be null (nothing is shown).
struct TIntakeHooks {
    // The category selected in the category tree (any kind), null when none.
    ListNode* (*selectedCategory)(void* context) = nullptr;
    // 1 when the main window currently shows the download list.
    int (*downloadListShown)(void* context) = nullptr;
    // Rewrites (or, with view flag 1, adds) the download's row; view flags as the views define them
    // (1 new row, 2 show the item's category, 4 rebuild the tree, 8 clear the selection, 16 select).
    void (*updateDownload)(ListNode* download, uint32_t viewFlags, void* context) = nullptr;
    // Removes the download's row; called before the record is deleted.
    void (*removeDownloadRow)(ListNode* download, void* context) = nullptr;
    // Inserts a category created by the intake into the tree.
    void (*insertCategory)(ListNode* category, void* context) = nullptr;
    // Rebuilds the whole category tree (new files found in the storage folders).
    void (*rebuildTree)(void* context) = nullptr;
    // Refreshes the rows of the views (lost files found).
    void (*refreshViews)(void* context) = nullptr;
    // Puts the focus on the download list.
    void (*focusDownloadList)(void* context) = nullptr;
    void* context = nullptr;
};

// The dialogs of intake go through here, so that tests can answer them (message boxes go through
// ShowMessageBox, util/win_ui.h). Null members use the real thing (modal dialog, ShellExecuteA).
struct TIntakeResponder {
    // The add/edit dialog: 1 for OK (params updated), 0 for Cancel.
    int (*addEditDialog)(HWND owner, TFileAddEditParams* params, void* context) = nullptr;
    // One of the information dialogs "FILESLOST" / "FILESLONELY".
    void (*informationDialog)(HWND owner, const char* templateName, void* context) = nullptr;
    // Starts a program: returns the ShellExecuteA result (> 32 on success).
    INT_PTR (*startProgram)(HWND owner, const char* program, const char* arguments, void* context) = nullptr;
    void* context = nullptr;
};

struct TIntakeContext {
    HWND owner = nullptr;              // the main window (owner of every box and dialog)
    TProgramData* program = nullptr;   // the lists, the storage locations, the external programs
    TIntakeHooks hooks;
    const TIntakeResponder* responder = nullptr;  // null: real boxes and dialogs
    // The caller tells the user itself when a new file could not be stored (the hand-off receiver
    // names where the downloaded file stays); intake then reports only a missing file.
    bool callerReportsStoreFailure = false;
};

// Brings the file at path in as a new download (options with TV_INTAKE_NEW; templateRecord may
// give website, description, category ...), or edits the download existing (TV_INTAKE_NEW clear).
// Returns 1 when a download was added or an edit applied, else 0. *outcome (optional) tells what
// became of the file at path (TIntakeFileOutcome): the hand-off receiver deletes a downloaded
// temporary file only for TV_INTAKE_FILE_PLACED or TV_INTAKE_FILE_DECLINED. *added (optional)
// receives the node of the new or edited download.
// Stored names and category names that would lead outside the storage folder ("..", separators,
// drive letters) are cleaned to plain file names before any file is touched.
// A new download from a path that does not exist or cannot be read adds nothing: message 5005
// names the path. When the copy or move into the storage folder fails, the record just added is
// removed again and message 5006 says why (unless the caller reports it); an edit whose move into
// another category fails keeps the download as it was (message 5007). Both return 0.
// After placing a new file, the path it was given keeps its own file times: intake never changes
// the times of the caller's file (the stored copy carries the source's times, see CopyOrMoveFile).
int FileIntake(const TIntakeContext& context, const FileItem* templateRecord, ListNode* existing, const char* path,
               uint32_t options, TIntakeFileOutcome* outcome = nullptr, ListNode** added = nullptr);

// For a shown download: flag TV_FILE_EXISTS = its stored file exists; size = the file's size (both
// halves 0 when it cannot be opened).
void RefreshFileState(const TProgramData* program, ListNode* download);
// For a shown shortcut: flag TV_SHORTCUT_EXISTS = its link file exists.
void RefreshShortcutState(const TProgramData* program, ListNode* shortcut);

// Starts every valid external program on the file: the file path goes into the command line
// (InsertCommandArgument; appended in quotes without a placeholder), the line is split into
// program and arguments, leftover placeholders are removed, the program is started with the
// default verb, shown normally. Does not wait. A program whose command line has no room for the
// path is not started (it would run without the file): message 5003 names it and the file.
// Returns the number of programs started.
int RunExternalPrograms(const TIntakeContext& context, const char* filePath);

// Downloads and shortcuts whose file vanished since the last check: refreshes every state and,
// when something was lost, the views and the dialog "FILESLOST". Returns the number lost.
int CheckLostFiles(const TIntakeContext& context);
// Files and folders in the storage folders that the database does not know: adds categories,
// downloads (marked TV_FILE_FOUND) and shortcuts; when anything was found, rebuilds the tree and
// shows "FILESLONELY". Returns the number of new categories and items.
int CheckNewStorageFiles(const TIntakeContext& context);

// The dialogs "FILESLOST" and "FILESLONELY": their help context and the state icon (resource id)
// that stands in the gap of their text. The dialog procedure places the icon when it opens.
struct TInformationDialogParams {
    uint32_t helpContext = 0;
    int iconResource = 0;
};
INT_PTR CALLBACK InformationDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Moves the icon control into the gap of the text control (its first run of three or more
// blanks), measured with the text's font as the static control lays the text out: centred in the
// gap on the gap's line. False when a control or the gap is missing.
bool PlaceIconInTextGap(HWND dialog, int textId, int iconId);
// Resource ids of the state icons shown by those dialogs (the pictures of tvft1.ico, tvft3.ico).
enum { TV_ICON_STATE_MISSING = 41, TV_ICON_STATE_FOUND = 43 };

// ShowMessageBox owned by the context's window.
int IntakeMessageBox(const TIntakeContext& context, const char* text, const char* caption, UINT type);

// Text for the hand-off receiver when the downloaded file stays where it was: string 5799 with
// the path put in. Returns out.
const char* HandOffFileKeptMessage(char* out, size_t size, const char* path);
