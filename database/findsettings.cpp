#include "database/findsettings.h"

#include <cstring>

#include "util/countedstring.h"
#include "util/text.h"

void TFindFileSettingsData::CopyFrom(const TFindFileSettingsData& other) {
    if (this == &other) return;
    std::memcpy(contents, other.contents, sizeof contents);
    std::memcpy(filter, other.filter, sizeof filter);
    caseSensitive = other.caseSensitive;
    onlyWords = other.onlyWords;
    searchArea = other.searchArea;
    downloadSearchKind = other.downloadSearchKind;
    other.contentsHistory.CopyTo(&contentsHistory, 0);
    other.filterHistory.CopyTo(&filterHistory, 0);
}

void TFindFileSettingsData::SetDefaults() {
    std::memset(contents, 0, sizeof contents);
    std::memset(filter, 0, sizeof filter);
    caseSensitive = 0;
    onlyWords = 0;
    searchArea = 1;
    downloadSearchKind = 0;
    contentsHistory.Clear();
    filterHistory.Clear();
}

bool TFindFileSettingsData::Write(TByteStream* file) const {
    bool ok = WriteCountedString(file, contents);
    ok = WriteCountedString(file, filter) && ok;
    ok = file->WriteI32(caseSensitive) && ok;
    ok = file->WriteI32(onlyWords) && ok;
    ok = file->WriteI32(searchArea) && ok;
    ok = file->WriteI32(downloadSearchKind) && ok;
    ok = contentsHistory.Write(file) && ok;
    ok = filterHistory.Write(file) && ok;
    return ok;
}

void TFindFileSettingsData::Read(TByteStream* file) {
    ReadCountedStringFixed(file, contents, TV_PATH_SIZE);
    ReadCountedStringFixed(file, filter, TV_PATH_SIZE);
    int32_t v;
    if (file->ReadI32(&v)) caseSensitive = v;
    if (file->ReadI32(&v)) onlyWords = v;
    if (file->ReadI32(&v)) searchArea = v;
    if (file->ReadI32(&v)) downloadSearchKind = v;
    contentsHistory.Read(file);
    filterHistory.Read(file);
}

void TFindFileSettingsData::RememberSearchTexts() {
    contentsHistory.AddString(contents, 1, 0);
    filterHistory.AddString(filter, 1, 0);
    contentsHistory.TrimToCount(HistoryLimit);
    filterHistory.TrimToCount(HistoryLimit);
}
