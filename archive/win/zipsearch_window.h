// The archive search: its progress dialog "SEARCHINGZIPS" and its result window (class
// "TZipSearchResultWindow"), where the found members can be opened, extracted, deleted and their
// archives opened, copied and shown. The window works on its own copy of the hits and on the
// program data of the viewers' environment (SetViewerEnvironment).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "archive/win/zipsearch_table.h"
#include "archive/zipsearch.h"
#include "util/win_window.h"

struct TProgramData;

constexpr char TV_ZIPSEARCH_RESULT_CLASS[] = "TZipSearchResultWindow";

// Runs the archive search for the find settings of the program (contents text and filter) over its
// downloads under the progress dialog (owner: the main window). Cancel keeps the hits so far. With
// hits the result window opens; without, message 3300. Returns the number of hits.
uint32_t RunArchiveSearch(HWND mainWindow, TProgramData* program);

class TZipSearchResultWindow : public TWindowBase {
public:
    // Opens a window on a copy of the hits. Null when it could not be made.
    static TZipSearchResultWindow* Open(const TZipSearchFileListObject& hits);
    // The window object of a window of the class (of this thread), or null.
    static TZipSearchResultWindow* FromWindow(HWND window);
    // Closes every result window at once (the program ends).
    static void CloseAll();

    HWND Window() const { return hwnd_; }
    HWND List() const { return table_.Window(); }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return status_; }
    const TZipSearchFileListObject& Hits() const { return hits_; }
    TZipSearchFileTableObject& Table() { return table_; }
    uint32_t CommandState() const { return stateMask_; }

    // Runs a command as the menu, the toolbar or a key would.
    void OnCommand(int id);
    // Recomputes the command states and the status bar now (the timer does it after changes).
    void Refresh();

private:
    TZipSearchResultWindow();
    ~TZipSearchResultWindow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override;
    LRESULT OnNotify(NMHDR* header);
    void SetUp();
    void Layout();
    void UpdateCommandStates(bool force);
    void UpdateStatusBar(bool force);
    void PrepareMenu(HMENU menu);
    void ShowContextMenu(LPARAM at);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);

    // The archive of a valid hit (its download's stored file); false for a hit whose download is gone.
    bool ArchiveOf(const ArchiveSearchHit* hit, char* path, size_t size) const;
    const ArchiveSearchHit* CurrentHit() const;
    std::vector<const ArchiveSearchHit*> RowsToProcess(int what, const char* mask) const;

    void OpenMember();
    void ExtractMembers();
    void DeleteMembers();
    void ShowProperties(bool withMember);
    void OpenArchiveViewer();
    void CopyArchives();
    void SelectSome();

    static LRESULT CALLBACK MenuHelpFilter(int code, WPARAM wParam, LPARAM lParam);

    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    HMENU contextMenu_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    TZipSearchFileListObject hits_;
    TZipSearchFileTableObject table_;
    TArchiveFileListObject archiveMembers_;  // the archive of the properties page
    uint32_t stateMask_ = 0xFFFFFFFF;
    bool listChanged_ = false;
    bool statusValid_ = false;
    uint32_t shownSelected_ = 0, shownTotal_ = 0;
    uint64_t shownSelectedBytes_ = 0, shownTotalBytes_ = 0;
    int menuItem_ = 0;
    HHOOK menuHelpHook_ = nullptr;
};

// Routes a key of the message loop to the result window in the foreground (the viewer's keys);
// true when the key became a command.
bool TranslateZipSearchAccelerator(MSG* msg);
