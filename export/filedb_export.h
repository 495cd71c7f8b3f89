// File database export: the downloads written as an HTML page or as delimited text, with the
// fields the user chose, for all downloads or those selected in the main window. Platform-free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "bookmarks/export.h"
#include "core/items.h"
#include "database/settings.h"
#include "util/stream.h"

// Formats and fields of FileDatabaseExportSettings.
enum { TV_DBEXPORT_HTML = 0, TV_DBEXPORT_COMMA = 1 };
enum {
    TV_DBFIELD_FILE_NAME = 0,
    TV_DBFIELD_CATEGORY = 1,
    TV_DBFIELD_DESCRIPTION = 2,
    TV_DBFIELD_SIZE = 3,
    TV_DBFIELD_DOWNLOAD_DATE = 4,
    TV_DBFIELD_WEBSITE = 5,
    TV_DBFIELD_UNPACK_DATE = 6,
    TV_DBFIELD_EXTRACTED_TO = 7
};
// Size units of FileDatabaseExportSettings.
enum { TV_DBSIZE_KB = 0, TV_DBSIZE_MB = 1, TV_DBSIZE_BYTES = 2 };

// String ids of the HTML page's templates: 4300 head ... 4317 foot.
enum : uint32_t {
    TV_IDS_DBHTML_HEAD = 4300,
    TV_IDS_DBHTML_CATEGORY_OPEN = 4301,
    TV_IDS_DBHTML_CATEGORY_NAMED = 4302,
    TV_IDS_DBHTML_NAME_OPEN = 4303,
    TV_IDS_DBHTML_NAME_CLOSE = 4304,
    TV_IDS_DBHTML_DETAILS_OPEN = 4305,
    TV_IDS_DBHTML_SIZE = 4306,
    TV_IDS_DBHTML_SIZE_END = 4307,
    TV_IDS_DBHTML_DOWNLOADED = 4308,
    TV_IDS_DBHTML_DOWNLOADED_END = 4309,
    TV_IDS_DBHTML_UNPACKED = 4310,
    TV_IDS_DBHTML_UNPACKED_END = 4311,
    TV_IDS_DBHTML_DESCRIPTION = 4312,
    TV_IDS_DBHTML_DETAILS_CLOSE = 4313,
    TV_IDS_DBHTML_ITEM_BREAK = 4314,
    TV_IDS_DBHTML_CATEGORY_CLOSE = 4315,
    TV_IDS_DBHTML_CATEGORY_BREAK = 4316,
    TV_IDS_DBHTML_FOOT = 4317,
};

// A file time as date and time texts (local time, short date, time without seconds).
using TFileTimeFormatter = std::function<void(const TvFileTime& time, std::string* date, std::string* clock)>;
// The formatter of the platform-free build: "YYYY-MM-DD" and "HH:MM" of the time as it is (UTC).
void FormatFileTimeIso(const TvFileTime& time, std::string* date, std::string* clock);

struct TFileDatabaseExportJob {
    const FileDatabaseExportSettings* settings = nullptr;
    const TFileListObject* downloads = nullptr;
    const TCategoryListObject* categories = nullptr;
    TExportSelection selection;  // only consulted with settings->onlySelected
    TFileTimeFormatter formatTime;       // null: FormatFileTimeIso
    const TAnsiCodec* codec = nullptr;   // null: DefaultAnsiCodec()
};

// Writes the settings' format (or the given one) to file. False when the stream failed.
bool WriteFileDatabaseExport(TByteStream* file, const TFileDatabaseExportJob& job, int format = -1);
