// The internal viewer: a top-level window (class "TVInternalViewerWindow") that shows the members
// of one ZIP archive and lets the user open, extract, add, delete and install them, create, open,
// close and copy archives and set the password. Any number may be open at once.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/win/list_window.h"
#include "archive/win/viewer_table.h"
#include "core/items.h"
#include "core/lists.h"
#include "database/settings.h"

struct TProgramData;

constexpr char TV_VIEWER_CLASS[] = "TVInternalViewerWindow";

// What every viewer shares with the program: the data (settings records, the password, the
// temporary-file list, the download list) and the main window that hears of changed downloads
// (WM_USER + 5). Set once by the program before the first viewer opens.
struct TViewerEnvironment {
    TProgramData* program = nullptr;
    HWND mainWindow = nullptr;
};
void SetViewerEnvironment(const TViewerEnvironment& environment);
const TViewerEnvironment& ViewerEnvironment();

class TTVInternalViewerWindow : public TMemberListWindow {
public:
    // Registers the window class (once).
    static bool RegisterWindowClass(HINSTANCE instance);
    // Opens a viewer on archive (quotes removed; empty: no archive) for the download entry (a node
    // of the program's download list, or null). The window is shown; null when it could not be
    // made. The object lives until its window is destroyed.
    static TTVInternalViewerWindow* Open(const char* archive, ListNode* download);
    // The viewer of a window of the class, or null.
    static TTVInternalViewerWindow* FromWindow(HWND window);

    HWND List() const { return table_.Window(); }
    const char* ArchivePath() const { return archive_; }
    bool IsNewArchive() const { return newArchive_; }
    const TArchiveFileListObject& Members() const { return members_; }
    const TArchiveFileTableObject& Table() const { return table_; }
    TArchiveFileTableObject& Table() { return table_; }
    const ArchiveMember* SetupMember() const { return setup_; }

    // Adds dropped files (the drag-and-drop dialog first).
    void AddDroppedFiles(const std::vector<std::string>& names);

private:
    TTVInternalViewerWindow(const char* archive, ListNode* download);
    ~TTVInternalViewerWindow() override;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The window is gone: the viewer deletes itself.
    void OnFinalMessage() override;
    LRESULT OnNotify(NMHDR* header) override;
    TListViewTable& View() override { return table_; }
    uint32_t CurrentCommandState() const override;
    bool IsCommandEnabled(int id, uint32_t state) const override;
    void UpdateStatusBar(bool force) override;
    void RunCommand(int id) override;

    void SetUp();
    void Reload(bool rebuildIcons);
    bool CloseCheck();
    void SwitchArchive(const char* path, bool isNew);
    void ClearPassword();

    void OpenMember();
    void AddFiles();
    void ExtractMembers();
    void DeleteMembers();
    void ShowProperties(bool withMember);
    void NewArchive();
    void OpenArchive();
    void CloseArchive();
    void CopyArchive();
    void OnFilesDropped(IDataObject* data);
    void NotifyDownloadExtracted(const char* folder);
    // Runs an add job (one engine call under the progress dialog); a new archive is one no more
    // once its file exists.
    void RunAddJob(const std::vector<std::string>& names, bool fromDialog);

    bool* finalFlag_ = nullptr;  // set while Open waits for the window (creation may fail)
    IDropTarget* dropTarget_ = nullptr;

    char archive_[TV_PATH_SIZE] = {};
    ListNode* download_ = nullptr;
    bool newArchive_ = false;
    TArchiveFileListObject members_;
    TArchiveFileTableObject table_;
    const ArchiveMember* setup_ = nullptr;
    std::vector<std::string> pendingDrop_;  // names of a drop, until its dialog runs
};

// Sends the archive exchange message (WM_USER + 6) to a viewer: op 0 copies its archive path into
// text (TV_PATH_SIZE bytes), otherwise text becomes its archive. Only texts sent this way are
// taken: the message from anywhere else carries no usable pointer and is ignored.
LRESULT SendArchiveExchange(HWND viewer, int op, char* text);

// The job of Extract under its progress dialog "Unzipping" (owner: the viewer): the selected
// members one by one (settings.what 0), all members or those matching the mask in one engine call.
// Returns the number of members written.
uint32_t RunViewerExtraction(HWND owner, const char* archive, const ExtractSettings& settings, ArchivePassword* password,
                             const std::vector<const ArchiveMember*>& selected);

// Open for a member of an archive (also from the archive search): the member is extracted alone
// into a new private temporary folder (entered in the program's temporary-file list), a ".ZIP"
// opens in a new viewer, other files open by their file type. Failures are shown; false then.
bool OpenArchiveMemberCopy(HWND owner, const char* archive, const ArchiveMember& member);

// Copies an archive file: an existing target is overwritten, the copy gets the source's times and
// only the archive attribute. False when the copy failed.
bool CopyArchiveFile(const char* archive, const char* target);

// Routes a key of the message loop to the viewer in the foreground (its accelerators); true when
// the key became a command.
bool TranslateViewerAccelerator(MSG* msg);
