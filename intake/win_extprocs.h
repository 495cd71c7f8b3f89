// The preferences page "SETUPEXTPROCS" ("External Processes"), which edits the list of external
// programs that intake starts on every new download, and the dialog "ADDEDITEXTPROC" for one
// entry.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstddef>
#include <vector>

#include "core/lists.h"

class TSetupExtProcsPage {
public:
    // The page works on its own copy of the program's list.
    explicit TSetupExtProcsPage(const TExtProcListObject& programs) { programs.CopyTo(&working_, 0); }
    ~TSetupExtProcsPage();
    TSetupExtProcsPage(const TSetupExtProcsPage&) = delete;
    TSetupExtProcsPage& operator=(const TSetupExtProcsPage&) = delete;

    void AddPage(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance);
    // True once the sheet was confirmed (OK) after the page was shown.
    bool applied() const { return applied_; }
    // On OK: the program's list becomes the working copy.
    void CommitTo(TExtProcListObject* programs) const;
    const TExtProcListObject& working() const { return working_; }

private:
    static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Init();
    int InsertRow(ListNode* node);
    void Sort();
    void SetButtons();
    int Selected() const;
    void Add();
    void Edit();
    void Delete();
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM descending);

    TExtProcListObject working_;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
    HIMAGELIST images_ = nullptr;
    bool descending_ = false;
    bool applied_ = false;
};

// "ADDEDITEXTPROC" on commandLine[size] (at most 260 characters are kept); in add mode the caption
// is "Add External Program". On OK the field's text replaces commandLine and the result is true.
bool RunAddEditExtProcDialog(HWND owner, bool addMode, char* commandLine, size_t size);
