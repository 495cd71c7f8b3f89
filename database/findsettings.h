// The find settings record (section 4 of the database file): the two search texts, the search
// options and the two text histories.
#pragma once

#include <cstdint>

#include "core/lists.h"
#include "util/stream.h"
#include "util/tvbase.h"

struct TFindFileSettingsData {
    enum { HistoryLimit = 20 };
    char contents[TV_PATH_SIZE];  // the search term
    char filter[TV_PATH_SIZE];    // file-name filter of the archive search
    int32_t caseSensitive;
    int32_t onlyWords;
    int32_t searchArea;           // 1 downloads, otherwise bookmarks
    int32_t downloadSearchKind;   // 1 inside ZIP archives, 0 the records' own fields
    TDynamicStringListObject contentsHistory;
    TDynamicStringListObject filterHistory;

    TFindFileSettingsData() { SetDefaults(); }
    TFindFileSettingsData(const TFindFileSettingsData&) = delete;
    TFindFileSettingsData& operator=(const TFindFileSettingsData&) = delete;
    // Deep copy (histories included), for dialogs that edit a copy until OK.
    void CopyFrom(const TFindFileSettingsData& other);

    // Empty texts and histories; options 0, 0, 1, 0.
    void SetDefaults();
    bool Write(TByteStream* file) const;
    // Reads the section; history entries are appended to what the lists hold.
    void Read(TByteStream* file);
    // When a search starts: each text goes to its history (no duplicates in any letter case) and
    // each history keeps its last 20 entries.
    void RememberSearchTexts();
};
