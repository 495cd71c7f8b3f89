#include "database/body.h"

#include <cstdlib>
#include <cstring>

#include "util/text.h"

size_t TTrackingStream::Read(void* buffer, size_t size) {
    const size_t n = inner_->Read(buffer, size);
    if (n < size) readFailed_ = true;
    return n;
}

bool TTrackingStream::Write(const void* data, size_t size) {
    const bool ok = inner_->Write(data, size);
    if (!ok) writeFailed_ = true;
    return ok;
}

bool TTrackingStream::Seek(int64_t offset, SeekOrigin origin) {
    // Nothing in the body reader seeks to the end except a string that is not in the stream.
    if (origin == SeekEnd) readFailed_ = true;
    const bool ok = inner_->Seek(offset, origin);
    if (!ok) readFailed_ = true;
    return ok;
}

int32_t ParseDatabaseVersion(const char* header) {
    if (!header) return 0;
    char copy[TV_DB_HEADER_SIZE + 1] = {};
    CopyLimited(copy, header, sizeof copy);
    if (std::strlen(copy) != TV_DB_HEADER_SIZE) return 0;
    std::memcpy(copy + 2, "250000", 6);
    if (!TextEquals(copy, TV_DB_HEADER, 0, 0)) return 0;
    char digits[7] = {};
    std::memcpy(digits, header + 2, 6);
    const long v = std::strtol(digits, nullptr, 10);
    return int32_t(v);
}

int32_t ReadDatabaseHeader(TByteStream* file) {
    if (!file) return 0;
    char header[TV_DB_HEADER_SIZE + 1] = {};
    if (!file->ReadExact(header, TV_DB_HEADER_SIZE)) return 0;
    header[TV_DB_HEADER_SIZE] = '\0';
    return ParseDatabaseVersion(header);
}

bool WriteDatabaseBody(TByteStream* file, uint32_t flags, TProgramData* data, const TCategoryListObject* categories,
                       const TFileListObject* downloads, const TBookmarkListObject* bookmarks,
                       const TShortcutListObject* shortcuts) {
    if (!file || !data) return false;
    TTrackingStream out(file);
    bool ok = true;
    if (!(flags & TV_DB_NO_HEADER)) ok = out.Write(TV_DB_HEADER, TV_DB_HEADER_SIZE) && ok;

    ok = data->standards.Write(&out) && ok;          // 1
    ok = data->externalPrograms.Write(&out) && ok;   // 2
    ok = data->integration.Write(&out) && ok;        // 3
    if (data->hooks.applyIntegration)
        data->hooks.applyIntegration(&data->integration, data->viewer.defaultViewer,
                                     data->hooks.applyIntegrationContext);
    ok = data->find.Write(&out) && ok;               // 4
    if (!(flags & TV_DB_NO_WINDOW_SECTIONS)) {
        ok = data->placement.Write(&out) && ok;      // 5
        ok = data->divider.Write(&out) && ok;        // 6
        ok = data->downloadColumns.Write(&out) && ok;  // 7
        ok = data->bookmarkColumns.Write(&out) && ok;  // 8
        ok = data->shortcutColumns.Write(&out) && ok;  // 9
    }
    ok = data->fileExport.Write(&out) && ok;         // 10
    ok = data->bookmarkExport.Write(&out) && ok;     // 11
    ok = data->bookmarkImport.Write(&out) && ok;     // 12
    ok = data->interchange.Write(&out) && ok;        // 13
    ok = out.WriteU32(data->findWindowOption) && ok; // 14
    ok = data->viewer.Write(&out) && ok;             // 15
    ok = data->add.Write(&out) && ok;                // 16
    ok = data->extract.Write(&out) && ok;            // 17
    ok = data->del.Write(&out) && ok;                // 18
    ok = data->password.Write(&out) && ok;           // 19
    ok = data->copy.Write(&out) && ok;               // 20
    ok = (categories ? categories : &data->categories)->Write(&out) && ok;  // 21
    ok = (downloads ? downloads : &data->downloads)->Write(&out) && ok;     // 22
    ok = (bookmarks ? bookmarks : &data->bookmarks)->Write(&out) && ok;     // 23
    ok = (shortcuts ? shortcuts : &data->shortcuts)->Write(&out) && ok;     // 24
    ok = data->tempFiles.Write(&out) && ok;          // 25
    return ok && !out.WriteFailed();
}

bool ReadDatabaseBody(TByteStream* file, uint32_t version, uint32_t flags, TProgramData* data,
                      TCategoryListObject* categories, TFileListObject* downloads, TBookmarkListObject* bookmarks,
                      TShortcutListObject* shortcuts, bool* settingsComplete) {
    if (!file || !data) return false;
    TTrackingStream in(file);
    bool complete = true;

    data->standards.Read(&in);  // 1
    data->standards.Validate(data->programFolder);
    complete = data->externalPrograms.Read(&in) && complete;  // 2
    data->integration.Read(&in, version);  // 3
    data->integration.Validate();
    data->find.Read(&in);  // 4
    if (!(flags & TV_DB_NO_WINDOW_SECTIONS)) {
        data->placement.Read(&in);  // 5
        data->divider.Read(&in);    // 6
        data->downloadColumns.Read(&in);  // 7
        data->downloadColumns.Validate();
        data->bookmarkColumns.Read(&in);  // 8
        data->bookmarkColumns.Validate();
        data->shortcutColumns.Read(&in);  // 9
        data->shortcutColumns.Validate();
    }
    if (version >= TV_DB_VERSION_FILEEXPORT) {  // 10
        data->fileExport.Read(&in);
        data->fileExport.Validate();
    } else {
        data->fileExport.SetDefaults();
    }
    data->bookmarkExport.Read(&in, version);  // 11
    data->bookmarkExport.Validate();
    data->bookmarkImport.Read(&in, version);  // 12
    data->bookmarkImport.Validate();
    if (version >= TV_DB_VERSION_OPERA)  // 13
        data->interchange.Read(&in);
    else
        data->interchange.SetDefaults();
    uint32_t option;  // 14
    if (in.ReadU32(&option)) data->findWindowOption = option;
    data->viewer.Read(&in);  // 15
    data->add.Read(&in);     // 16
    data->add.Validate();
    data->extract.Read(&in);  // 17
    data->extract.Validate();
    data->del.Read(&in);  // 18
    data->del.Validate();
    data->password.Read(&in);  // 19
    data->copy.Read(&in);      // 20
    if (settingsComplete) *settingsComplete = complete && !in.ReadFailed();

    TCategoryListObject* categoryList = categories ? categories : &data->categories;
    complete = categoryList->Read(&in) && complete;  // 21
    categoryList->EnsureDefaultCategories(0);
    complete = (downloads ? downloads : &data->downloads)->Read(&in) && complete;  // 22
    complete = (bookmarks ? bookmarks : &data->bookmarks)->Read(&in) && complete;  // 23
    complete = (shortcuts ? shortcuts : &data->shortcuts)->Read(&in) && complete;  // 24
    complete = data->tempFiles.Read(&in) && complete;  // 25
    return complete && !in.ReadFailed();
}
