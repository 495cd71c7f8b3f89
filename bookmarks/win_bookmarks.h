// The Windows side of the bookmark exchange: the import dialog "BOOKMARKIMPORT", the export sheet
// with its pages "BMEXPORTGENERAL", "BMEXPORTANSICOMMA" and "BMEXPORTNETSCAPE", the automatic
// imports at start-up, and the files, folders and code page the platform-free readers and writers
// work through. The pieces the file database export sheet shares (the general page's checks, the
// delimiter page, the file dialogs) are declared here too.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/exchange_text.h"
#include "bookmarks/export.h"
#include "bookmarks/import.h"

struct TProgramData;
struct IntegrationSettings;

// The system's ANSI code page (Windows-1252 characters as the base class when that is the code page).
const TAnsiCodec& SystemAnsiCodec();

// Files read with shared reading, folders listed with FindFirstFileA; a file that cannot be
// opened is reported with the system's message (caption: the program's title, stop icon).
class TWinBookmarkFileSystem : public TBookmarkFileSystem {
public:
    explicit TWinBookmarkFileSystem(HWND owner) : owner_(owner) {}
    std::unique_ptr<TByteStream> OpenRead(const std::string& path, uint32_t* error) override;
    bool ListFolder(const std::string& folder, std::vector<TFolderEntry>* entries) override;
    void ReportOpenError(const std::string& path, uint32_t error) override;

private:
    HWND owner_;
};

// Folders made with CreateDirectoryPath, ".url" files written as profile strings.
class TWinFavoritesSink : public TFavoritesSink {
public:
    bool CreateFolder(const std::string& folder) override;
    bool WriteShortcut(const std::string& path, const std::string& url) override;
};

// The import dialog on the settings and the browsers' automatic-import sources. True on Import.
bool RunBookmarkImportDialog(HWND owner, BookmarkImportSettings* settings, IntegrationSettings* integration);
// The command "Import Bookmarks": the dialog, then the import; "No new bookmarks found." when
// nothing was added. True when the bookmark tree changed (the caller refreshes the views).
bool ImportBookmarksCommand(HWND owner, TProgramData* program);
// The automatic imports at start-up: Netscape, Internet Explorer, Opera, each whose automatic
// import is on, from its source in the integration settings, silently, keeping existing
// bookmarks. The saved import choices stay as they are. True when the tree changed.
bool RunStartupBookmarkImports(HWND owner, TProgramData* program);

// The command "Export Bookmarks": the sheet, then the export of the bookmarks (selected: the
// rows selected in the main window's bookmark list). True when an export was written.
bool ExportBookmarksCommand(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected);
// The export itself with the program's settings; the system's message when the target cannot be
// made. True when written.
bool ExportBookmarks(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected);

// --- Shared with the file database export sheet.
// Opens the help file at the context (the program's one help helper, ShowHelpTopic).
void ExchangeHelp(HWND owner, uint32_t context);
// The icon of a browse button.
void SetBrowseIcon(HWND dialog, int buttonId);
// Trimmed text of a dialog control.
std::string DialogItemText(HWND dialog, int id);
// A save-file dialog (asking before overwriting) titled titleId with the filter filterId ("|"
// separated in the string table). True with *path set when the user chose a file.
bool BrowseSaveFile(HWND owner, uint32_t titleId, uint32_t filterId, std::string* path);
bool BrowseOpenFile(HWND owner, uint32_t titleId, uint32_t filterId, std::string* path);
bool BrowseFolder(HWND owner, uint32_t titleId, std::string* path);
// The checks when the general page is left: an empty path (or, for a file, one without folder
// or name) gives messageId; an existing file asks 3511. False when the page must stay.
bool CheckExportTarget(HWND page, const std::string& path, bool isFolder, uint32_t messageId);
// The general page of an export sheet: the format list, the target of each format (what is typed
// for one format stays while another is shown), all or only the selected items, expanded
// addresses. The sheet describes its settings here; the page reads back into them when it is left
// and sets *applied on OK.
struct TExportGeneralPage {
    uint8_t* format = nullptr;
    std::vector<char*> paths;  // each format's stored target (TV_PATH_SIZE bytes), in list order
    int32_t* onlySelected = nullptr;
    int32_t* expandUrls = nullptr;
    uint32_t firstFormatName = 0;  // string ids of the format names, one a format
    uint32_t noTargetMessage = 0;  // shown for an empty target
    uint32_t helpContext = 0;
    bool* applied = nullptr;
    // A folder rather than a file is the format's target (null: a file for every format).
    bool (*isFolder)(int format) = nullptr;
    // The browse button for the format: true with *path set when the user chose one.
    bool (*browse)(HWND page, int format, std::string* path) = nullptr;
    std::vector<std::string> typed;  // the page's own
};
INT_PTR CALLBACK ExportGeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The delimiter page on a delimiter mode and character (empty edit: ",").
struct TDelimiterPageData {
    uint8_t* mode = nullptr;
    char* character = nullptr;
    uint32_t helpContext = 0;
};
INT_PTR CALLBACK DelimiterPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The target file of an export: attributes set to archive only, created for reading and writing
// without sharing, always new. Shows the system's message and returns false when it cannot be made.
bool CreateExportFile(HWND owner, const std::string& path, class TWin32FileStream* file);
// The program's title ("Tolvane Plus").
const char* ProgramTitle();
// A property page of the program's module with a Help button.
PROPSHEETPAGEA MakePropertyPage(const char* templateName, DLGPROC proc, LPARAM data);
