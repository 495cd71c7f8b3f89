// The find result window (class "TolvaneFindResultWindow"): the hits of the last find in a list,
// a toolbar (keep open, previous, next, new search, help) and a status bar with the search term
// and the options. Choosing a row asks the main window to select that item (WM_USER + 8).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "find/findlogic.h"
#include "util/win_window.h"

struct TProgramData;

constexpr char TV_FIND_RESULT_CLASS[] = "TolvaneFindResultWindow";

class TFindResultWindow : public TWindowBase {
public:
    // Opens the window on the results (owned by the main window, which must close the window
    // before it changes them) for the settings of the search that made them. One window at a
    // time: an open one is closed first. Null when it could not be made.
    static TFindResultWindow* Open(HWND mainWindow, TProgramData* program, const TFindResultList* results);
    // The open window, or null.
    static TFindResultWindow* Current();
    // Closes the open window (if any) at once.
    static void CloseCurrent();

    HWND Window() const { return hwnd_; }
    HWND List() const { return list_; }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return status_; }
    int Kind() const { return kind_; }
    int RowCount() const { return int(rows_.size()); }
    int SelectedRow() const;
    // The result shown in a row (null outside).
    const TFindResult* ResultOfRow(int row) const;

    // Runs a toolbar command as a click would.
    void OnCommand(int id);
    // Chooses a row: the main window selects its item; the window closes unless kept open.
    void Choose(int row);
    // Recomputes the states of previous and next now (the timer does it after changes).
    void UpdateButtons();

private:
    TFindResultWindow(HWND mainWindow, TProgramData* program, const TFindResultList* results);
    ~TFindResultWindow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override;
    LRESULT OnNotify(NMHDR* header);
    void SetUp();
    void Layout();
    void Fill();
    void SortBy(int column);
    void SelectRow(int row);
    void Step(int step);
    void OnGetDispInfo(NMLVDISPINFOA* info);
    void ShowStatus();

    HWND mainWindow_;
    TProgramData* program_;
    const TFindResultList* results_;
    TFindLists lists_;
    int kind_ = TV_FIND_DOWNLOAD;
    HWND toolbar_ = nullptr;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    std::vector<uint32_t> rows_;  // indexes into the results, in display order
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    bool buttonsChanged_ = true;
    char textBuffer_[TV_PATH_SIZE * 2] = {};
};
