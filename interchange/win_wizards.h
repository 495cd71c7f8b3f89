// The two wizards of interchange files: creating one (an excerpt of a download and/or a bookmark
// category, or a full backup) and importing one. Both are property-sheet wizards whose last page
// does the work on the user-interface thread, pumping messages between chunks; Cancel there asks
// first and stops the work at the next item.
#pragma once

#include <windows.h>

struct TProgramData;
class TWin32InterchangeHost;

// Test hooks: called with the wizard's host right before the work starts.
struct TInterchangeWizardOptions {
    void (*prepareHost)(TWin32InterchangeHost* host, void* context) = nullptr;
    void* context = nullptr;
};

// "Create Interchange File" (command 135). The wizard's choices are kept in data->interchange.
void RunCreateInterchangeWizard(HWND owner, TProgramData* data, const TInterchangeWizardOptions* options = nullptr);

// "Import Interchange File" (command 136, and "/interchangefile" with file, which then replaces
// the remembered path). Returns true when the import changed the program's data: the caller
// reloads its category tree and item views.
bool RunImportInterchangeWizard(HWND owner, TProgramData* data, const char* file,
                                const TInterchangeWizardOptions* options = nullptr);
