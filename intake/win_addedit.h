// The add/edit dialog of a download: the page "ADDEDITFILE" in a property sheet.
#pragma once

#include <windows.h>

#include <cstddef>

#include "intake/intake_options.h"
#include "util/tvbase.h"

class TCategoryListObject;

struct TFileAddEditParams {
    int isNew = 1;               // caption "Add File" (new) or "Edit File"
    int offerChoice = 0;         // show the "Copy File" / "Move File" radio buttons
    int askBeforeCancel = 0;     // Cancel asks question 3510 first
    int copy = 1;                // in/out: copy (1) or move (0)
    int declined = 0;            // out: Cancel was confirmed after question 3510
    char category[TV_PATH_SIZE] = {};   // in/out: category name (trimmed on OK)
    char fileName[TV_PATH_SIZE] = {};   // shown read-only
    char* description = nullptr;        // in/out: heap text (TextAssign), taken back whole
    char* website = nullptr;            // in/out: heap text, at most 999 taken back
    const TCategoryListObject* categories = nullptr;  // names of the download categories
};

// Validation of OK: the trimmed category name must be a valid file name. Returns 0 or the string
// id of the message to show (3407).
uint32_t CheckAddEditCategoryName(char* category);

class TFileAddEditDialog {
public:
    explicit TFileAddEditDialog(TFileAddEditParams* params) : params_(params) {}
    // Modal sheet; 1 for OK, 0 for Cancel (or when the sheet could not be shown).
    int Run(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnInit();
    // Without the copy/move choice the page closes the band the choice would take.
    void LayOutWithoutChoice();
    bool OnOk();
    bool ConfirmCancel();
    int Ask(const char* text, const char* caption, UINT type);

    TFileAddEditParams* params_;
    HWND hwnd_ = nullptr;     // the page "General" while the sheet is shown
    bool accepted_ = false;   // OK took the values over
};
