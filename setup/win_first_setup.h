// The first setup wizard of a first run ("FIRSTSETUPINTRO" to "FIRSTSETUPAVSCANNER") and its
// search dialogs ("FIRSTSETUPBROWSERSEARCH", "FIRSTSETUPBOOKMARKSEARCH").
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup/first_setup.h"

struct TProgramData;

// Runs the wizard modally over owner on copies of the program's integration and viewer settings
// and external programs. On Finish the copies become the program's settings (with the browser
// choice derived from the programs found) and the result is true; the caller then applies
// "always on top" and the integration. Cancel changes nothing and gives false.
bool RunFirstSetupWizard(HWND owner, TProgramData* program);

// The search dialog over the drives: the browser programs (bookmarks false) or the bookmark
// files. Slots already filled stay as they are. True unless the user cancelled.
bool RunSetupSearchDialog(HWND owner, bool bookmarks, TSetupSearchSlots* slots);

// The search's view of the real file system: folders listed with FindFirstFileA, identified by
// volume and file index, drives by their type. BeforeEntry asks the hook (when set) and answers
// false once cancelled.
class TWinSetupSearchHost : public TSetupSearchHost {
public:
    bool BeforeEntry() override;
    void ShowFolder(const char*) override {}
    void SlotFilled(int) override {}
    bool ListFolder(const char* folder, std::vector<TSetupSearchEntry>* entries) override;
    bool FolderIdentity(const char* folder, std::string* identity) override;
    bool DriveSearchable(const char* root) override;

    void Cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    // Called before each entry (a dialog pumps its messages here).
    void (*beforeEntry)(void* context) = nullptr;
    void* beforeEntryContext = nullptr;
    // Entries looked at so far.
    unsigned long entries = 0;

private:
    bool cancelled_ = false;
};
