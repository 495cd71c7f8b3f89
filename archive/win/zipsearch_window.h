// The archive search: its progress dialog "SEARCHINGZIPS" and its result window (class
// "TZipSearchResultWindow"), where the found members can be opened, extracted, deleted and their
// archives opened, copied and shown. The window works on its own copy of the hits and on the
// program data of the viewers' environment (SetViewerEnvironment).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "archive/win/list_window.h"
#include "archive/win/zipsearch_table.h"
#include "archive/zipsearch.h"

struct TProgramData;

constexpr char TV_ZIPSEARCH_RESULT_CLASS[] = "TZipSearchResultWindow";

// Runs the archive search for the find settings of the program (contents text and filter) over its
// downloads under the progress dialog (owner: the main window). Cancel keeps the hits so far. With
// hits the result window opens; without, message 3300. Returns the number of hits.
uint32_t RunArchiveSearch(HWND mainWindow, TProgramData* program);

class TZipSearchResultWindow : public TMemberListWindow {
public:
    // Opens a window on a copy of the hits. Null when it could not be made.
    static TZipSearchResultWindow* Open(const TZipSearchFileListObject& hits);
    // The window object of a window of the class (of this thread), or null.
    static TZipSearchResultWindow* FromWindow(HWND window);
    // Closes every result window at once (the program ends).
    static void CloseAll();

    HWND List() const { return table_.Window(); }
    const TZipSearchFileListObject& Hits() const { return hits_; }
    TZipSearchFileTableObject& Table() { return table_; }


private:
    TZipSearchResultWindow();
    ~TZipSearchResultWindow() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override;
    TListViewTable& View() override { return table_; }
    uint32_t CurrentCommandState() const override;
    bool IsCommandEnabled(int id, uint32_t state) const override;
    void UpdateStatusBar(bool force) override;
    void RunCommand(int id) override;
    void SetUp();

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

    TZipSearchFileListObject hits_;
    TZipSearchFileTableObject table_;
    TArchiveFileListObject archiveMembers_;  // the archive of the properties page
};

// Routes a key of the message loop to the result window in the foreground (the viewer's keys);
// true when the key became a command.
bool TranslateZipSearchAccelerator(MSG* msg);
