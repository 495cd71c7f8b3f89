#include "database/programdata.h"

#include "util/path.h"
#include "util/text.h"

void TProgramData::ResetForLoad() {
    categories.Clear();
    downloads.Clear();
    bookmarks.Clear();
    shortcuts.Clear();
    externalPrograms.Clear();
    tempFiles.Clear();

    standards.SetDefaults(programFolder);
    integration.SetDefaults();
    find.SetDefaults();
    placement.SetDefaults();
    divider.SetDefaults();
    downloadColumns.SetDefaults();
    bookmarkColumns.SetDefaults();
    shortcutColumns.SetDefaults();
    fileExport.SetDefaults();
    bookmarkExport.SetDefaults(nullptr, nullptr);
    bookmarkImport.SetDefaults(nullptr);
    interchange.SetDefaults();
    findWindowOption = TV_FIND_WINDOW_OPTION_DEFAULT;
    viewer.SetDefaults();
    add.SetDefaults();
    extract.SetDefaults();
    del.SetDefaults();
    password.SetDefaults();
    copy.SetDefaults();

    startedFromDefaults = false;
    bodyDamaged = false;
    existingFileUnread = false;
}

void TProgramData::SetDefaultSettings(const IntegrationSettings* detected) {
    standards.SetDefaults(programFolder);
    if (detected)
        integration = *detected;
    else
        integration.SetDefaults();
    integration.Validate();
    find.SetDefaults();
    placement.SetDefaults();
    divider.SetDefaults();
    downloadColumns.SetDefaults();
    bookmarkColumns.SetDefaults();
    shortcutColumns.SetDefaults();
    fileExport.SetDefaults();
    bookmarkExport.SetDefaults(integration.netscapeBookmarkFile, integration.ieFavoritesFolder);
    bookmarkImport.SetDefaults(&integration);
    interchange.SetDefaults();
    findWindowOption = TV_FIND_WINDOW_OPTION_DEFAULT;
    viewer.SetDefaults();
    add.SetDefaults();
    extract.SetDefaults();
    del.SetDefaults();
    password.SetDefaults();
    copy.SetDefaults();
}

void TProgramData::SetProgramFolder(const char* folder) {
    CopyLimited(programFolder, folder, sizeof programFolder);
    EnsureTrailingBackslash(programFolder, sizeof programFolder);
}
