// The database file "tv.cfg": a 15-byte header ("TV250000CFGFILE") followed by the body, a fixed
// sequence of 25 sections. The body is also the record part of an interchange backup, which is
// why the reader and writer take flags and optional replacement lists. Platform-free.
#pragma once

#include <cstdint>

#include "database/programdata.h"
#include "util/stream.h"

// Header text and length (no terminator in the file).
constexpr char TV_DB_HEADER[] = "TV250000CFGFILE";
constexpr size_t TV_DB_HEADER_SIZE = 15;

// Flags of WriteDatabaseBody / ReadDatabaseBody.
enum : uint32_t {
    TV_DB_NO_HEADER = 1,          // write: leave out the header
    TV_DB_NO_WINDOW_SECTIONS = 4  // sections 5 to 9 (placement, divider, columns) are absent
};

// Version of a header text (its characters 2-7 as a number), 0 when it is no database header.
// The letters are compared without regard to case.
int32_t ParseDatabaseVersion(const char* header);

// Reads the 15 header bytes and returns ParseDatabaseVersion of them (0 when they are not there).
int32_t ReadDatabaseHeader(TByteStream* file);

// Writes the body (and the header unless TV_DB_NO_HEADER). Null list arguments mean the program's
// own lists. Calls data->hooks.applyIntegration right after section 3. Returns true when the
// stream took every byte.
bool WriteDatabaseBody(TByteStream* file, uint32_t flags, TProgramData* data,
                       const TCategoryListObject* categories = nullptr, const TFileListObject* downloads = nullptr,
                       const TBookmarkListObject* bookmarks = nullptr,
                       const TShortcutListObject* shortcuts = nullptr);

// Reads sections 1 to 25 of a file of the given version from the current position (the header
// has been read). The settings always go to data; null list arguments mean the program's own
// lists, given lists receive the records instead. Every section validates what it read; a value
// that is not in the stream is never invented (a field keeps its value, a count counts as 0).
// Returns true when the whole body was in the stream, false when it ended early.
// settingsComplete (optional) receives whether the settings sections (1 to 20) were all there.
bool ReadDatabaseBody(TByteStream* file, uint32_t version, uint32_t flags, TProgramData* data,
                      TCategoryListObject* categories = nullptr, TFileListObject* downloads = nullptr,
                      TBookmarkListObject* bookmarks = nullptr, TShortcutListObject* shortcuts = nullptr,
                      bool* settingsComplete = nullptr);

// A stream over another one that notes every short read, failed write and jump to the end (the
// counted-string reader jumps to the end when a text is not completely there).
class TTrackingStream : public TByteStream {
public:
    explicit TTrackingStream(TByteStream* inner) : inner_(inner) {}
    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override { return inner_->Position(); }
    int64_t Size() const override { return inner_->Size(); }
    bool Flush() override { return inner_->Flush(); }

    bool ReadFailed() const { return readFailed_; }
    bool WriteFailed() const { return writeFailed_; }

private:
    TByteStream* inner_;
    bool readFailed_ = false;
    bool writeFailed_ = false;
};
