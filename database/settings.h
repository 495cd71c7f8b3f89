// The settings records of the main program and their sections in the database file "tv.cfg".
//
// Every record is a plain fixed-layout struct in memory. The file layout is written and read field
// by field (integers little-endian, no padding), so the bytes on disk never depend on how the
// compiler lays out these structs. Each record offers:
//   SetDefaults()            the values used without a database (registry detection excepted, see
//                            database/win_integration.h for IntegrationSettings)
//   Write(file)              the section's bytes; false when the stream failed
//   Read(file[, version])    the section; a field that cannot be read keeps its current value
//   Validate()               the repairs applied after reading and after a dialog is accepted
// Platform-free.
#pragma once

#include <cstdint>

#include "core/rows.h"
#include "util/stream.h"
#include "util/tvbase.h"

// File versions that change the layout of the body.
constexpr uint32_t TV_DB_VERSION_CURRENT = 250000;
constexpr uint32_t TV_DB_VERSION_OPERA = 240000;       // Opera texts, interchange section
constexpr uint32_t TV_DB_VERSION_FILEEXPORT = 230000;  // file database export section
constexpr uint32_t TV_DB_VERSION_MINIMUM = 100000;     // older headers are not read at all

// Section 1: preferences page "Standards".
struct StandardsSettings {
    char downloadsLocation[TV_PATH_SIZE];  // always with a trailing "\" after validation
    char shortcutsLocation[TV_PATH_SIZE];
    int8_t doubleClickAction;  // 1 open, 2 properties, 3 internal viewer
    uint32_t trayIconWhenMinimised;

    StandardsSettings() { SetDefaults(nullptr); }
    // programFolder (with trailing "\") gives the default storage locations; null leaves them empty.
    void SetDefaults(const char* programFolder);
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    // Trims blanks, ensures the trailing "\" and repairs the double-click action. An empty storage
    // location falls back to its default below programFolder (when given): a relative storage folder
    // would put the user's files wherever the current directory happens to be.
    void Validate(const char* programFolder);
};

// Section 3: browser and shell integration (fields in file order).
struct IntegrationSettings {
    char iePath[TV_PATH_SIZE];
    char ieFavoritesFolder[TV_PATH_SIZE];
    char netscapePath[TV_PATH_SIZE];
    char netscapeBookmarkFile[TV_PATH_SIZE];
    char operaPath[TV_PATH_SIZE];
    char operaHotlistFile[TV_PATH_SIZE];
    char otherBrowserPath[TV_PATH_SIZE];
    uint8_t browserChoice;        // 0 IE, 1 Netscape, 2 Opera, 3 prompt
    uint8_t lastSelectedBrowser;  // 0..2 as above, 3 other
    uint32_t startWithWindows;
    uint32_t contextMenuIntegration;
    uint32_t alwaysOnTop;
    uint32_t ieDownloads;
    uint32_t ieFavoritesImport;
    uint32_t netscapeDownloads;
    uint32_t netscapeBookmarkImport;
    uint32_t operaDownloads;
    uint32_t operaHotlistImport;

    IntegrationSettings() { SetDefaults(); }
    // The values before any detection: paths empty, choices 3, start with Windows and the context
    // menu on, every other flag off.
    void SetDefaults();
    // Browser choice and download flags from the paths found (after detection).
    void DeriveFromDetectedPaths();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file, uint32_t version);
    void Validate();
};

// Section 5: the main window's placement.
struct MainWindowPlacement {
    enum { FlagValid = 1, FlagMaximised = 2 };
    uint32_t shownKind;  // runtime: kind whose list is showing (set to 0 after reading)
    int32_t left, top, width, height;
    uint32_t flags;

    MainWindowPlacement() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
};

// Capture before saving: normal rectangle (right/bottom exclusive edges) and whether the window is
// shown maximised, against the screen size.
void CaptureWindowPlacement(MainWindowPlacement* p, int32_t left, int32_t top, int32_t right, int32_t bottom,
                            bool maximised, int32_t screenWidth, int32_t screenHeight);
// Apply after loading: fills *left..*height with the rectangle to move the window to (centred
// three quarters of the screen when the stored one is not valid). Returns true when the window is
// to be moved and sized (false when it was maximised).
bool ComputeWindowPlacement(MainWindowPlacement* p, int32_t screenWidth, int32_t screenHeight, int32_t* left,
                            int32_t* top, int32_t* width, int32_t* height);

// Section 6: the divider between the category tree and the item list.
struct PaneDividerSettings {
    int32_t treeWidth;  // the divider's left edge
    int32_t top, right, bottom;
    uint32_t value;

    PaneDividerSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
};

// Sections 7 to 9: list-view columns.
struct ListColumnEntry {
    uint32_t field;     // index into the column titles of the list
    int32_t position;   // 0-based display position
    uint32_t width;     // pixels
    const char* title;  // runtime: the column's title
};

// The column counts of the three lists are the rows' data columns (core/rows.h); the settings hold
// room for the widest list.
enum { TV_MAX_COLUMNS = int(TV_DOWNLOAD_COLUMNS) };
static_assert(int(TV_BOOKMARK_COLUMNS) <= int(TV_MAX_COLUMNS) && int(TV_SHORTCUT_COLUMNS) <= int(TV_MAX_COLUMNS),
              "every list's columns fit the settings");

struct ListColumnSettings {
    uint32_t count;  // fixed per list: 7, 3 or 1
    uint32_t titleBase;  // string id of the title of field 0
    const uint32_t* defaultWidths;
    ListColumnEntry entries[TV_MAX_COLUMNS];

    // kind: 1 downloads, 2 bookmarks, 3 shortcuts.
    explicit ListColumnSettings(int kind);
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    // Resets every entry when some display position 0..count-1 is held by no entry, or when an
    // entry names a field the list does not have or one that another entry names. Returns true
    // when it reset.
    bool Validate();
};

// Section 10: file database export.
struct FileDatabaseExportSettings {
    enum { FieldCount = 8 };
    uint8_t format;  // 0 HTML, 1 comma delimited
    char htmlPath[TV_PATH_SIZE];
    char textPath[TV_PATH_SIZE];
    int32_t onlySelected;
    int32_t expandUrls;
    int32_t fields[FieldCount];  // file name, category, description, size, download date, website,
                                 // unpack date, extracted-to
    int32_t limitDescription;
    int32_t descriptionLimit;
    uint8_t sizeUnit;       // 0 kilobytes, 1 megabytes, 2 bytes
    uint8_t delimiterMode;  // 0 character, 1 tab, 2 CR LF
    char delimiter;

    FileDatabaseExportSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    // Format, size unit and delimiter mode out of range become 0, a NUL delimiter ",", a negative
    // description limit 0.
    void Validate();
};

// Section 11: bookmark export. Owns its title (heap text).
struct BookmarkExportSettings {
    enum { PathCount = 6 };
    uint8_t format;  // 0 HTML .. 5 Opera hotlist
    char paths[PathCount][TV_PATH_SIZE];  // one per format; 3 Netscape file, 4 Favorites folder
    int32_t onlySelected;
    int32_t expandUrls;
    uint8_t delimiterMode;
    char delimiter;
    char* netscapeTitle;  // never null
    int32_t netscapeMenuCategoryId;
    int32_t netscapeNewItemsCategoryId;

    BookmarkExportSettings();
    ~BookmarkExportSettings();
    BookmarkExportSettings(const BookmarkExportSettings& other);
    BookmarkExportSettings& operator=(const BookmarkExportSettings& other);

    // netscapeBookmarkFile and favoritesFolder: the detected locations (may be null).
    void SetDefaults(const char* netscapeBookmarkFile, const char* favoritesFolder);
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file, uint32_t version);
    void Validate();
};

// Section 12: bookmark import.
struct BookmarkImportSettings {
    uint8_t format;  // 0 Netscape, 1 Favorites, 2 Opera hotlist
    char netscapeBookmarkFile[TV_PATH_SIZE];
    char favoritesFolder[TV_PATH_SIZE];
    char operaHotlistFile[TV_PATH_SIZE];
    int32_t duplicateRule;  // 0 keep, 1 overwrite, 2 add anyway

    BookmarkImportSettings() { SetDefaults(nullptr); }
    // Defaults from the integration settings' locations (null: empty paths).
    void SetDefaults(const IntegrationSettings* integration);
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file, uint32_t version);
    void Validate();
};

// Section 13: interchange file wizards.
struct InterchangeFileSettings {
    uint8_t kind;  // 0 excerpt, 1 full backup, 255 unusable file
    int32_t downloadsIncluded;
    int32_t bookmarksIncluded;
    int32_t downloadCategoryId;  // runtime
    int32_t bookmarkCategoryId;  // runtime
    char path[TV_PATH_SIZE];

    InterchangeFileSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
};

// Section 15.
struct ViewerSettings {
    uint32_t defaultViewer;    // the internal viewer is the shell's viewer for zip files
    uint32_t recentDocuments;  // archives opened or created go to the recent documents

    ViewerSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
};

// Section 16.
struct AddSettings {
    int8_t action;  // 0 add, 1 update, 2 freshen, 3 move
    int8_t level;   // 0..9
    uint32_t archiveBitOnly;
    uint32_t resetArchiveBit;
    uint32_t systemAndHidden;
    uint32_t shortNames;
    uint32_t recurse;
    uint32_t saveFolders;

    AddSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    void Validate();
};

// Section 17.
struct ExtractSettings {
    char folder[TV_PATH_SIZE];
    int8_t what;  // 0 selected, 1 all, 2 matching the mask
    char mask[TV_PATH_SIZE];
    uint32_t overwrite;
    uint32_t useFolders;
    uint32_t skipOlder;

    ExtractSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    void Validate();
};

// Section 18.
struct DeleteSettings {
    int8_t what;  // 0 selected, 1 all, 2 matching the mask
    char mask[TV_PATH_SIZE];

    DeleteSettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
    void Validate();
};

// Section 19: only the mask flag is stored; the password itself never is.
struct ArchivePassword {
    enum { TextSize = 66 };
    char text[TextSize];
    uint32_t mask;

    ArchivePassword() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);  // also empties text
};

// Section 20.
struct CopySettings {
    char destination[TV_PATH_SIZE];
    uint32_t isFolder;  // runtime; 1 after reading

    CopySettings() { SetDefaults(); }
    void SetDefaults();
    bool Write(TByteStream* file) const;
    void Read(TByteStream* file);
};

// Section 14: the keep-open toggle of the find results window (default 1).
constexpr uint32_t TV_FIND_WINDOW_OPTION_DEFAULT = 1;
