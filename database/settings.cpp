#include "database/settings.h"

#include <cstring>

#include "util/countedstring.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"

namespace {

// Field readers: a value that cannot be read leaves the field as it was.
void ReadText(TByteStream* file, char* field) { ReadCountedStringFixed(file, field, TV_PATH_SIZE); }

void ReadI8(TByteStream* file, int8_t* field) {
    uint8_t v;
    if (file->ReadU8(&v)) *field = int8_t(v);
}

void ReadU8(TByteStream* file, uint8_t* field) {
    uint8_t v;
    if (file->ReadU8(&v)) *field = v;
}

void ReadChar(TByteStream* file, char* field) {
    uint8_t v;
    if (file->ReadU8(&v)) *field = char(v);
}

void ReadU32(TByteStream* file, uint32_t* field) {
    uint32_t v;
    if (file->ReadU32(&v)) *field = v;
}

void ReadI32(TByteStream* file, int32_t* field) {
    int32_t v;
    if (file->ReadI32(&v)) *field = v;
}

// Writes accumulate success so every section writer reports a failed stream.
struct Writer {
    TByteStream* file;
    bool ok = true;
    void Text(const char* t) { ok = WriteCountedString(file, t) && ok; }
    void U8(uint8_t v) { ok = file->WriteU8(v) && ok; }
    void I8(int8_t v) { ok = file->WriteU8(uint8_t(v)) && ok; }
    void Char(char c) { ok = file->WriteU8(uint8_t(c)) && ok; }
    void U32(uint32_t v) { ok = file->WriteU32(v) && ok; }
    void I32(int32_t v) { ok = file->WriteI32(v) && ok; }
};

void ClearText(char* field) { std::memset(field, 0, TV_PATH_SIZE); }

void SetDefaultLocation(char* field, const char* programFolder, const char* subfolder) {
    ClearText(field);
    if (!programFolder || !*programFolder) return;
    CopyLimited(field, programFolder, TV_PATH_SIZE);
    EnsureTrailingBackslash(field, TV_PATH_SIZE);
    AppendLimited(field, subfolder, TV_PATH_SIZE);
}

void ValidateLocation(char* field, const char* programFolder, const char* subfolder) {
    TrimSpaces(field, TV_TRIM_BOTH);
    if (!*field) SetDefaultLocation(field, programFolder, subfolder);
    EnsureTrailingBackslash(field, TV_PATH_SIZE);
}

const char kDownloadFolder[] = "download\\";
const char kShortcutFolder[] = "shortcuts\\";

}  // namespace

// ---- section 1 ----

void StandardsSettings::SetDefaults(const char* programFolder) {
    SetDefaultLocation(downloadsLocation, programFolder, kDownloadFolder);
    SetDefaultLocation(shortcutsLocation, programFolder, kShortcutFolder);
    doubleClickAction = 1;
    trayIconWhenMinimised = 1;
}

bool StandardsSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.Text(downloadsLocation);
    w.Text(shortcutsLocation);
    w.I8(doubleClickAction);
    w.U32(trayIconWhenMinimised);
    return w.ok;
}

void StandardsSettings::Read(TByteStream* file) {
    ReadText(file, downloadsLocation);
    ReadText(file, shortcutsLocation);
    ReadI8(file, &doubleClickAction);
    ReadU32(file, &trayIconWhenMinimised);
}

void StandardsSettings::Validate(const char* programFolder) {
    ValidateLocation(downloadsLocation, programFolder, kDownloadFolder);
    ValidateLocation(shortcutsLocation, programFolder, kShortcutFolder);
    if (doubleClickAction < 1 || doubleClickAction > 3) doubleClickAction = 1;
}

// ---- section 3 ----

void IntegrationSettings::SetDefaults() {
    ClearText(iePath);
    ClearText(ieFavoritesFolder);
    ClearText(netscapePath);
    ClearText(netscapeBookmarkFile);
    ClearText(operaPath);
    ClearText(operaHotlistFile);
    ClearText(otherBrowserPath);
    browserChoice = 3;
    lastSelectedBrowser = 3;
    startWithWindows = 1;
    contextMenuIntegration = 1;
    alwaysOnTop = 0;
    ieDownloads = 0;
    ieFavoritesImport = 0;
    netscapeDownloads = 0;
    netscapeBookmarkImport = 0;
    operaDownloads = 0;
    operaHotlistImport = 0;
}

void IntegrationSettings::DeriveFromDetectedPaths() {
    const bool ie = iePath[0] != '\0', ns = netscapePath[0] != '\0', op = operaPath[0] != '\0';
    if (ie && !ns && !op)
        browserChoice = 0;
    else if (ns && !ie && !op)
        browserChoice = 1;
    else if (op && !ie && !ns)
        browserChoice = 2;
    else
        browserChoice = 3;
    ieDownloads = ie ? 1 : 0;
    netscapeDownloads = ns ? 1 : 0;
    operaDownloads = op ? 1 : 0;
    ieFavoritesImport = ieFavoritesFolder[0] ? 1 : 0;
    netscapeBookmarkImport = netscapeBookmarkFile[0] ? 1 : 0;
}

bool IntegrationSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.Text(iePath);
    w.Text(ieFavoritesFolder);
    w.Text(netscapePath);
    w.Text(netscapeBookmarkFile);
    w.Text(operaPath);
    w.Text(operaHotlistFile);
    w.Text(otherBrowserPath);
    w.U8(browserChoice);
    w.U8(lastSelectedBrowser);
    w.U32(startWithWindows);
    w.U32(contextMenuIntegration);
    w.U32(alwaysOnTop);
    w.U32(ieDownloads);
    w.U32(ieFavoritesImport);
    w.U32(netscapeDownloads);
    w.U32(netscapeBookmarkImport);
    w.U32(operaDownloads);
    w.U32(operaHotlistImport);
    return w.ok;
}

void IntegrationSettings::Read(TByteStream* file, uint32_t version) {
    const bool withOpera = version >= TV_DB_VERSION_OPERA;
    ReadText(file, iePath);
    ReadText(file, ieFavoritesFolder);
    ReadText(file, netscapePath);
    ReadText(file, netscapeBookmarkFile);
    if (withOpera) {
        ReadText(file, operaPath);
        ReadText(file, operaHotlistFile);
    }
    ReadText(file, otherBrowserPath);
    ReadU8(file, &browserChoice);
    ReadU8(file, &lastSelectedBrowser);
    ReadU32(file, &startWithWindows);
    ReadU32(file, &contextMenuIntegration);
    ReadU32(file, &alwaysOnTop);
    ReadU32(file, &ieDownloads);
    ReadU32(file, &ieFavoritesImport);
    ReadU32(file, &netscapeDownloads);
    ReadU32(file, &netscapeBookmarkImport);
    if (withOpera) {
        ReadU32(file, &operaDownloads);
        ReadU32(file, &operaHotlistImport);
    }
}

void IntegrationSettings::Validate() {
    if (browserChoice > 3) browserChoice = 3;
    TrimSpaces(iePath, TV_TRIM_BOTH);
    TrimSpaces(ieFavoritesFolder, TV_TRIM_BOTH);
    TrimSpaces(netscapePath, TV_TRIM_BOTH);
    TrimSpaces(netscapeBookmarkFile, TV_TRIM_BOTH);
    TrimSpaces(operaPath, TV_TRIM_BOTH);
    TrimSpaces(operaHotlistFile, TV_TRIM_BOTH);
}

// ---- section 5 ----

void MainWindowPlacement::SetDefaults() {
    shownKind = 0;
    left = top = width = height = 0;
    flags = 0;
}

bool MainWindowPlacement::Write(TByteStream* file) const {
    Writer w{file};
    w.U32(shownKind);
    w.I32(left);
    w.I32(top);
    w.I32(width);
    w.I32(height);
    w.U32(flags);
    return w.ok;
}

void MainWindowPlacement::Read(TByteStream* file) {
    ReadU32(file, &shownKind);
    ReadI32(file, &left);
    ReadI32(file, &top);
    ReadI32(file, &width);
    ReadI32(file, &height);
    ReadU32(file, &flags);
    shownKind = 0;
}

void CaptureWindowPlacement(MainWindowPlacement* p, int32_t left, int32_t top, int32_t right, int32_t bottom,
                            bool maximised, int32_t screenWidth, int32_t screenHeight) {
    if (!p) return;
    if (maximised)
        p->flags |= MainWindowPlacement::FlagMaximised;
    else
        p->flags &= ~uint32_t(MainWindowPlacement::FlagMaximised);
    if (left >= 1 && top >= 1 && right < screenWidth && bottom < screenHeight) {
        p->left = left;
        p->top = top;
        p->width = right - left;
        p->height = bottom - top;
        p->flags |= MainWindowPlacement::FlagValid;
    } else {
        p->flags &= ~uint32_t(MainWindowPlacement::FlagMaximised);
    }
}

bool ComputeWindowPlacement(MainWindowPlacement* p, int32_t screenWidth, int32_t screenHeight, int32_t* left,
                            int32_t* top, int32_t* width, int32_t* height) {
    if (!p) return false;
    if (!(p->flags & MainWindowPlacement::FlagValid)) {
        // Three quarters of the screen, rounded, centred.
        p->width = int32_t((int64_t(screenWidth) * 3 + 2) / 4);
        p->height = int32_t((int64_t(screenHeight) * 3 + 2) / 4);
        p->left = (screenWidth - p->width) / 2;
        p->top = (screenHeight - p->height) / 2;
    }
    if (left) *left = p->left;
    if (top) *top = p->top;
    if (width) *width = p->width;
    if (height) *height = p->height;
    return !(p->flags & MainWindowPlacement::FlagMaximised);
}

// ---- section 6 ----

void PaneDividerSettings::SetDefaults() {
    treeWidth = 120;
    top = right = bottom = 0;
    value = 2;
}

bool PaneDividerSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.I32(treeWidth);
    w.I32(top);
    w.I32(right);
    w.I32(bottom);
    w.U32(value);
    return w.ok;
}

void PaneDividerSettings::Read(TByteStream* file) {
    ReadI32(file, &treeWidth);
    ReadI32(file, &top);
    ReadI32(file, &right);
    ReadI32(file, &bottom);
    ReadU32(file, &value);
}

// ---- sections 7 to 9 ----

namespace {
const uint32_t kDownloadWidths[TV_DOWNLOAD_COLUMNS] = {100, 150, 70, 110, 110, 110, 150};
const uint32_t kBookmarkWidths[TV_BOOKMARK_COLUMNS] = {250, 250, 150};
const uint32_t kShortcutWidths[TV_SHORTCUT_COLUMNS] = {250};
}  // namespace

ListColumnSettings::ListColumnSettings(int kind) {
    switch (kind) {
        case 2:
            count = TV_BOOKMARK_COLUMNS;
            titleBase = 3910;
            defaultWidths = kBookmarkWidths;
            break;
        case 3:
            count = TV_SHORTCUT_COLUMNS;
            titleBase = 3920;
            defaultWidths = kShortcutWidths;
            break;
        default:
            count = TV_DOWNLOAD_COLUMNS;
            titleBase = 3900;
            defaultWidths = kDownloadWidths;
            break;
    }
    std::memset(entries, 0, sizeof entries);
    SetDefaults();
}

void ListColumnSettings::SetDefaults() {
    for (uint32_t i = 0; i < count; ++i) {
        entries[i].field = i;
        entries[i].position = int32_t(i);
        entries[i].width = defaultWidths[i];
        entries[i].title = TvString(titleBase + i);
    }
}

bool ListColumnSettings::Write(TByteStream* file) const {
    Writer w{file};
    for (uint32_t i = 0; i < count; ++i) {
        w.U32(entries[i].field);
        w.I32(entries[i].position);
        w.U32(entries[i].width);
    }
    return w.ok;
}

void ListColumnSettings::Read(TByteStream* file) {
    for (uint32_t i = 0; i < count; ++i) {
        ReadU32(file, &entries[i].field);
        ReadI32(file, &entries[i].position);
        ReadU32(file, &entries[i].width);
    }
}

bool ListColumnSettings::Validate() {
    bool bad = false;
    for (uint32_t pos = 0; pos < count && !bad; ++pos) {
        bool held = false;
        for (uint32_t i = 0; i < count; ++i)
            if (entries[i].position == int32_t(pos)) held = true;
        if (!held) bad = true;
    }
    // Each field once: the list view keeps a column per field.
    for (uint32_t i = 0; i < count && !bad; ++i) {
        if (entries[i].field >= count) bad = true;
        for (uint32_t j = 0; j < i && !bad; ++j)
            if (entries[j].field == entries[i].field) bad = true;
    }
    if (bad) {
        SetDefaults();
        return true;
    }
    for (uint32_t i = 0; i < count; ++i) entries[i].title = TvString(titleBase + entries[i].field);
    return false;
}

// ---- section 10 ----

void FileDatabaseExportSettings::SetDefaults() {
    format = 0;
    ClearText(htmlPath);
    ClearText(textPath);
    onlySelected = 0;
    expandUrls = 1;
    for (int i = 0; i < FieldCount; ++i) fields[i] = i < 6 ? 1 : 0;
    limitDescription = 1;
    descriptionLimit = 150;
    sizeUnit = 0;
    delimiterMode = 0;
    delimiter = ',';
}

bool FileDatabaseExportSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.U8(format);
    w.Text(htmlPath);
    w.Text(textPath);
    w.I32(onlySelected);
    w.I32(expandUrls);
    for (int i = 0; i < FieldCount; ++i) w.I32(fields[i]);
    w.I32(limitDescription);
    w.I32(descriptionLimit);
    w.U8(sizeUnit);
    w.U8(delimiterMode);
    w.Char(delimiter);
    return w.ok;
}

void FileDatabaseExportSettings::Read(TByteStream* file) {
    ReadU8(file, &format);
    ReadText(file, htmlPath);
    ReadText(file, textPath);
    ReadI32(file, &onlySelected);
    ReadI32(file, &expandUrls);
    for (int i = 0; i < FieldCount; ++i) ReadI32(file, &fields[i]);
    ReadI32(file, &limitDescription);
    ReadI32(file, &descriptionLimit);
    ReadU8(file, &sizeUnit);
    ReadU8(file, &delimiterMode);
    ReadChar(file, &delimiter);
}

void FileDatabaseExportSettings::Validate() {
    if (format > 1) format = 0;
    if (sizeUnit > 2) sizeUnit = 0;
    if (delimiterMode > 2) delimiterMode = 0;
    // A NUL delimiter would put NUL bytes into a text file; the edit stores "," when left empty.
    if (delimiter == '\0') delimiter = ',';
    if (descriptionLimit < 0) descriptionLimit = 0;
}

// ---- section 11 ----

BookmarkExportSettings::BookmarkExportSettings() : netscapeTitle(nullptr) { SetDefaults(nullptr, nullptr); }

BookmarkExportSettings::~BookmarkExportSettings() { TextRelease(&netscapeTitle); }

BookmarkExportSettings::BookmarkExportSettings(const BookmarkExportSettings& other) : netscapeTitle(nullptr) {
    *this = other;
}

BookmarkExportSettings& BookmarkExportSettings::operator=(const BookmarkExportSettings& other) {
    if (this == &other) return *this;
    format = other.format;
    std::memcpy(paths, other.paths, sizeof paths);
    onlySelected = other.onlySelected;
    expandUrls = other.expandUrls;
    delimiterMode = other.delimiterMode;
    delimiter = other.delimiter;
    TextAssign(&netscapeTitle, other.netscapeTitle);
    netscapeMenuCategoryId = other.netscapeMenuCategoryId;
    netscapeNewItemsCategoryId = other.netscapeNewItemsCategoryId;
    return *this;
}

void BookmarkExportSettings::SetDefaults(const char* netscapeBookmarkFile, const char* favoritesFolder) {
    format = 0;
    for (int i = 0; i < PathCount; ++i) ClearText(paths[i]);
    CopyLimited(paths[3], netscapeBookmarkFile, TV_PATH_SIZE);
    CopyLimited(paths[4], favoritesFolder, TV_PATH_SIZE);
    onlySelected = 0;
    expandUrls = 1;
    delimiterMode = 0;
    delimiter = ',';
    TextAssign(&netscapeTitle, TvString(4400));
    netscapeMenuCategoryId = 0;
    netscapeNewItemsCategoryId = 0;
}

bool BookmarkExportSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.U8(format);
    for (int i = 0; i < PathCount; ++i) w.Text(paths[i]);
    w.I32(onlySelected);
    w.I32(expandUrls);
    w.U8(delimiterMode);
    w.Char(delimiter);
    w.Text(netscapeTitle);
    w.I32(netscapeMenuCategoryId);
    w.I32(netscapeNewItemsCategoryId);
    return w.ok;
}

void BookmarkExportSettings::Read(TByteStream* file, uint32_t version) {
    ReadU8(file, &format);
    const int stored = version >= TV_DB_VERSION_OPERA ? PathCount : PathCount - 1;
    for (int i = 0; i < stored; ++i) ReadText(file, paths[i]);
    if (stored < PathCount) ClearText(paths[PathCount - 1]);
    ReadI32(file, &onlySelected);
    ReadI32(file, &expandUrls);
    ReadU8(file, &delimiterMode);
    ReadChar(file, &delimiter);
    ReadCountedString(file, &netscapeTitle, nullptr, 1, 0);
    ReadI32(file, &netscapeMenuCategoryId);
    ReadI32(file, &netscapeNewItemsCategoryId);
}

void BookmarkExportSettings::Validate() {
    if (format > 5) format = 0;
    if (delimiterMode > 2) delimiterMode = 0;
    if (delimiter == '\0') delimiter = ',';
    if (!netscapeTitle) TextAssign(&netscapeTitle, "");
}

// ---- section 12 ----

void BookmarkImportSettings::SetDefaults(const IntegrationSettings* integration) {
    format = 0;
    ClearText(netscapeBookmarkFile);
    ClearText(favoritesFolder);
    ClearText(operaHotlistFile);
    if (integration) {
        CopyLimited(netscapeBookmarkFile, integration->netscapeBookmarkFile, TV_PATH_SIZE);
        CopyLimited(favoritesFolder, integration->ieFavoritesFolder, TV_PATH_SIZE);
        CopyLimited(operaHotlistFile, integration->operaHotlistFile, TV_PATH_SIZE);
    }
    duplicateRule = 0;
}

bool BookmarkImportSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.U8(format);
    w.Text(netscapeBookmarkFile);
    w.Text(favoritesFolder);
    w.Text(operaHotlistFile);
    w.I32(duplicateRule);
    return w.ok;
}

void BookmarkImportSettings::Read(TByteStream* file, uint32_t version) {
    ReadU8(file, &format);
    ReadText(file, netscapeBookmarkFile);
    ReadText(file, favoritesFolder);
    if (version >= TV_DB_VERSION_OPERA)
        ReadText(file, operaHotlistFile);
    else
        ClearText(operaHotlistFile);
    ReadI32(file, &duplicateRule);
}

void BookmarkImportSettings::Validate() {
    if (format > 2) format = 0;
    if (duplicateRule < 0 || duplicateRule > 2) duplicateRule = 0;
}

// ---- section 13 ----

void InterchangeFileSettings::SetDefaults() {
    kind = 0;
    downloadsIncluded = 0;
    bookmarksIncluded = 0;
    downloadCategoryId = -1;
    bookmarkCategoryId = -1;
    ClearText(path);
}

bool InterchangeFileSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.U8(kind);
    w.I32(downloadsIncluded);
    w.I32(bookmarksIncluded);
    w.Text(path);
    return w.ok;
}

void InterchangeFileSettings::Read(TByteStream* file) {
    ReadU8(file, &kind);
    ReadI32(file, &downloadsIncluded);
    ReadI32(file, &bookmarksIncluded);
    ReadText(file, path);
}

// ---- section 15 ----

void ViewerSettings::SetDefaults() {
    defaultViewer = 1;
    recentDocuments = 1;
}

bool ViewerSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.U32(defaultViewer);
    w.U32(recentDocuments);
    return w.ok;
}

void ViewerSettings::Read(TByteStream* file) {
    ReadU32(file, &defaultViewer);
    ReadU32(file, &recentDocuments);
}

// ---- section 16 ----

void AddSettings::SetDefaults() {
    action = 0;
    level = 9;
    archiveBitOnly = resetArchiveBit = systemAndHidden = shortNames = recurse = 0;
    saveFolders = 1;
}

bool AddSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.I8(action);
    w.I8(level);
    w.U32(archiveBitOnly);
    w.U32(resetArchiveBit);
    w.U32(systemAndHidden);
    w.U32(shortNames);
    w.U32(recurse);
    w.U32(saveFolders);
    return w.ok;
}

void AddSettings::Read(TByteStream* file) {
    ReadI8(file, &action);
    ReadI8(file, &level);
    ReadU32(file, &archiveBitOnly);
    ReadU32(file, &resetArchiveBit);
    ReadU32(file, &systemAndHidden);
    ReadU32(file, &shortNames);
    ReadU32(file, &recurse);
    ReadU32(file, &saveFolders);
}

void AddSettings::Validate() {
    if (action < 0 || action > 3) action = 0;
    if (level < 0 || level > 9) level = 9;
}

// ---- section 17 ----

void ExtractSettings::SetDefaults() {
    ClearText(folder);
    what = 0;
    ClearText(mask);
    overwrite = 0;
    useFolders = 1;
    skipOlder = 0;
}

bool ExtractSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.Text(folder);
    w.I8(what);
    w.Text(mask);
    w.U32(overwrite);
    w.U32(useFolders);
    w.U32(skipOlder);
    return w.ok;
}

void ExtractSettings::Read(TByteStream* file) {
    ReadText(file, folder);
    ReadI8(file, &what);
    ReadText(file, mask);
    ReadU32(file, &overwrite);
    ReadU32(file, &useFolders);
    ReadU32(file, &skipOlder);
}

void ExtractSettings::Validate() {
    if (what < 0 || what > 2) what = 0;
}

// ---- section 18 ----

void DeleteSettings::SetDefaults() {
    what = 0;
    ClearText(mask);
}

bool DeleteSettings::Write(TByteStream* file) const {
    Writer w{file};
    w.I8(what);
    w.Text(mask);
    return w.ok;
}

void DeleteSettings::Read(TByteStream* file) {
    ReadI8(file, &what);
    ReadText(file, mask);
}

void DeleteSettings::Validate() {
    if (what < 0 || what > 2) what = 0;
}

// ---- section 19 ----

void ArchivePassword::SetDefaults() {
    std::memset(text, 0, sizeof text);
    mask = 1;
}

bool ArchivePassword::Write(TByteStream* file) const { return file->WriteU32(mask); }

void ArchivePassword::Read(TByteStream* file) {
    ReadU32(file, &mask);
    std::memset(text, 0, sizeof text);
}

// ---- section 20 ----

void CopySettings::SetDefaults() {
    ClearText(destination);
    isFolder = 0;
}

bool CopySettings::Write(TByteStream* file) const { return WriteCountedString(file, destination); }

void CopySettings::Read(TByteStream* file) {
    ReadText(file, destination);
    isFolder = 1;
}
