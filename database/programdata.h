// TProgramData: everything the main program keeps for its whole run and stores in "tv.cfg": the
// four data lists, the external programs, the temporary files and every settings record. The main
// program owns one instance; tests and tools own their own.
#pragma once

#include <cstdint>

#include "core/items.h"
#include "core/lists.h"
#include "database/findsettings.h"
#include "database/settings.h"
#include "util/tvbase.h"

struct TProgramData;

// Calls out of the database layer into parts that are built on top of it.
struct TDatabaseHooks {
    // Applies the browser and shell integration to the system. WriteDatabaseBody calls it right
    // after section 3 on every call, handing over the first value of ViewerSettings (the internal
    // viewer is the default viewer for zip files), with its own context.
    void (*applyIntegration)(const IntegrationSettings* settings, uint32_t viewerIsDefault, void* context) = nullptr;
    void* applyIntegrationContext = nullptr;
    // Refreshes what lives in the windows before saving (column widths of sections 7 to 9, the
    // expanded state of the categories). Called by SaveDatabase; null until the views exist.
    void (*captureViewState)(TProgramData* data, void* context) = nullptr;
    void* captureViewStateContext = nullptr;
};

struct TProgramData {
    // The four data lists.
    TCategoryListObject categories;
    TFileListObject downloads;
    TBookmarkListObject bookmarks;
    TShortcutListObject shortcuts;
    // Section 2 and section 25.
    TExtProcListObject externalPrograms;
    TTempFileListObject tempFiles;

    // Settings, in file order.
    StandardsSettings standards;            // 1
    IntegrationSettings integration;        // 3
    TFindFileSettingsData find;             // 4
    MainWindowPlacement placement;          // 5
    PaneDividerSettings divider;            // 6
    ListColumnSettings downloadColumns{1};  // 7
    ListColumnSettings bookmarkColumns{2};  // 8
    ListColumnSettings shortcutColumns{3};  // 9
    FileDatabaseExportSettings fileExport;  // 10
    BookmarkExportSettings bookmarkExport;  // 11
    BookmarkImportSettings bookmarkImport;  // 12
    InterchangeFileSettings interchange;    // 13
    uint32_t findWindowOption = TV_FIND_WINDOW_OPTION_DEFAULT;  // 14
    ViewerSettings viewer;                  // 15
    AddSettings add;                        // 16
    ExtractSettings extract;                // 17
    DeleteSettings del;                     // 18
    ArchivePassword password;               // 19
    CopySettings copy;                      // 20

    // The program folder with a trailing "\" (default storage locations); empty in tests that do
    // not need one.
    char programFolder[TV_PATH_SIZE] = {};

    // State of the last LoadDatabase.
    bool startedFromDefaults = false;  // no usable file: first run
    bool bodyDamaged = false;          // the file was cut short or had bytes after its end
    // An existing file could not be read (e.g. another program held it open): the next save
    // keeps a copy of it before replacing it, so it is never overwritten by defaults unseen.
    bool existingFileUnread = false;

    TDatabaseHooks hooks;

    TProgramData() = default;
    TProgramData(const TProgramData&) = delete;
    TProgramData& operator=(const TProgramData&) = delete;

    // Empties every list and gives every settings record its plain defaults (no detection): the
    // state in which a file is read.
    void ResetForLoad();
    // The defaults of a first run: every settings record gets its default, with the integration
    // settings taken from detected (the registry detection of the Windows layer; null = plain
    // defaults) and the bookmark locations of sections 11 and 12 derived from them. Lists are not
    // touched.
    void SetDefaultSettings(const IntegrationSettings* detected);
    // Program folder used for the default storage locations (a trailing "\" is ensured).
    void SetProgramFolder(const char* folder);
};
