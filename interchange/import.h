// Reading an interchange file into the running program: the header, the record part (read whole
// into lists of its own before anything of the program changes), the backup's settings and the
// merge of categories, downloads, bookmarks and shortcuts with their stored files. Platform-free;
// files on disk and the user interface come through TInterchangeHost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/programdata.h"
#include "interchange/host.h"
#include "util/stream.h"

// The record part as read from a file.
struct TInterchangeRecords {
    int32_t version = 0;
    uint8_t kind = 255;          // TV_INTERCHANGE_EXCERPT, TV_INTERCHANGE_BACKUP or 255 unusable
    bool downloads = false;      // the file holds downloads (and their blocks)
    bool bookmarks = false;
    bool shortcuts = false;      // backups only
    bool complete = false;       // the whole record part was in the file
    bool settingsComplete = false;  // backup: settings sections 1 to 20 were all in the file
    // Lists and (for a backup) settings as read; never the program's own.
    std::unique_ptr<TProgramData> read;
};

// Reads header and record part from in (at its start). False for a file that is no usable
// interchange file (records->kind is then 255); a record part that ends early still gives true
// with what was whole (records->complete false).
bool ReadInterchangeRecords(TByteStream* in, const char* programFolder, TInterchangeRecords* records);

// Where an import puts things: the category of each kind, -1 = that kind is not imported.
struct TInterchangeTargets {
    int32_t downloadCategoryId = -1;
    int32_t bookmarkCategoryId = -1;
};

struct TInterchangeImportReport {
    bool unusable = false;   // nothing was imported: no interchange file
    bool cancelled = false;
    bool recordsCut = false;          // the record part ended early
    bool settingsRestored = false;    // a backup's settings replaced the program's
    bool settingsIncomplete = false;  // a backup whose settings were not all there: kept the current
    // Storage locations named by a backup that were not taken (no usable absolute folder, or the
    // move of the stored files was refused); the current location stays.
    std::vector<std::string> refusedLocations;
    uint32_t downloadsAdded = 0;
    uint32_t bookmarksAdded = 0;
    uint32_t bookmarksSkipped = 0;  // already in the target category
    uint32_t shortcutsAdded = 0;
    uint32_t shortcutsSkipped = 0;  // the same shortcut (title and file) was already there
    uint32_t categoriesAdded = 0;
    // Downloads and shortcuts whose stored file was not (completely) in the file: not imported.
    uint32_t missing = 0;
    // Downloads and shortcuts whose stored file could not be created: imported, marked missing.
    uint32_t notStored = 0;
};

// The number of progress steps of an import: downloads + 1, 1 for bookmarks, shortcuts + 1 (each
// when the file holds that kind).
uint32_t InterchangeImportSteps(const TInterchangeRecords& records);

// Merges what was read into data. A backup first restores the settings (when all of them were in
// the file; the list of temporary files and the window sections are never taken, external
// programs and search histories are folded in without doubles) and moves the stored files when the
// storage locations changed; it always targets the roots. Then downloads (each with a stored name
// unique in its category, its block read into its file), bookmarks (without those already in the
// target category) and shortcuts (each with its block). Names from the file are made valid file
// names before any path is built. in must stand right after the record part. host->Cancelled is
// asked before every item and category.
void MergeInterchangeRecords(TProgramData* data, TInterchangeRecords* records, const TInterchangeTargets& targets,
                             TByteStream* in, TInterchangeHost* host, TInterchangeImportReport* report,
                             uint32_t* done = nullptr, uint32_t total = 0);

// Both steps on a file opened at its start. Returns false when nothing could be imported (the
// file is no usable interchange file); the program's data is then untouched.
bool ImportInterchangeFile(TByteStream* in, TProgramData* data, const TInterchangeTargets& targets,
                           TInterchangeHost* host, TInterchangeImportReport* report);
