// The archive search: members of the stored ZIP downloads whose names match a file-name mask and,
// optionally, whose bytes hold a text. Members are read in memory as they are decompressed; no
// member is ever written to disk, and encrypted members are never decrypted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/zipengine.h"
#include "core/items.h"
#include "core/lists.h"

// The contents test over a stream of blocks: the text is found when its bytes occur in the stream
// exactly as given (letter case counts), wherever they lie, also across the boundary between two
// blocks. An empty text is never found.
class TByteMatcher {
public:
    explicit TByteMatcher(const char* text = "");
    TByteMatcher(const void* text, size_t length);
    // Forgets what was fed (a new member begins).
    void Reset();
    // Feeds the next block; true once the text was seen (further blocks are then not searched).
    bool Feed(const unsigned char* data, size_t size);
    bool Found() const { return found_; }
    size_t Length() const { return pattern_.size(); }

private:
    void Prepare();
    // Position of the first occurrence of the text in data[0, size), or -1.
    ptrdiff_t Search(const unsigned char* data, size_t size) const;

    std::string pattern_;
    size_t anchor_ = 0;        // position in the text of the byte looked for first (the rarest)
    std::string tail_;         // the last Length() - 1 bytes fed
    std::string junction_;     // work buffer: tail_ and the start of the next block
    bool found_ = false;
};

// 1 when the text occurs in data (the same rule as TByteMatcher, for one block).
int BytesContainText(const void* data, size_t size, const char* text);

// A download is searched when its file name ends in ".ZIP" or ".EXE" (case ignored).
bool IsSearchedArchiveName(const char* fileName);
// The name test: with an empty filter every name passes; otherwise the filter, applied to the
// name as a rename mask, must give the name back (case ignored).
bool MemberNamePasses(const char* name, const char* filter);

// The members of the archive open in reader (folder entries left out), in archive order, as the
// viewer lists them. The list is emptied first. Returns the code of the last entry that could not
// be read, else 0.
int LoadArchiveMembers(TZipMemberReader* reader, TArchiveFileListObject* list);

// At most this many archives are searched at once.
constexpr unsigned kZipSearchMaxWorkers = 8;

struct TZipSearchRequest {
    const char* contents = "";  // the text looked for inside members; empty: names only
    const char* filter = "";    // the file-name mask for members; empty: every name
    // How many archives are searched at once, each on a thread of its own: 0 one per processor
    // (at most kZipSearchMaxWorkers); 1 one after the other on the calling thread.
    unsigned workers = 0;
};

// What the search tells its caller and asks it. Every call comes on the thread that runs the
// search, in download order, whatever number of archives is searched at once. The search asks
// Cancelled() before each download, as each archive begins, and every few milliseconds while it
// waits for an archive (searched on the calling thread: between members and between blocks of a
// member); the caller lets its window messages through there.
class TZipSearchObserver {
public:
    virtual ~TZipSearchObserver() = default;
    // The download whose archive is searched now (its file name).
    virtual void CurrentFile(const char* /*fileName*/) {}
    // How many valid download records have been passed.
    virtual void Passed(uint32_t /*records*/) {}
    virtual bool Cancelled() { return false; }
};

enum {
    TV_ZIPSEARCH_DONE = 0,
    TV_ZIPSEARCH_CANCELLED = 1,
};

// Searches one archive: members in archive order, the name test, then (for members that passed it,
// with a contents text) the contents test on the member's bytes. A member that cannot be read to
// its end with correct sizes and CRC (damaged, unsupported, encrypted) does not match. Every hit is
// appended to hits, linked to download. An archive that cannot be read gives no hits (no message).
// Returns TV_ZIPSEARCH_CANCELLED when the observer cancelled (the hits found so far stay).
int SearchArchive(const char* path, ListNode* download, const TZipSearchRequest& request,
                  TZipSearchFileListObject* hits, TZipSearchObserver* observer, TZipFileSystem* fs = nullptr);

// Where the stored downloads are.
struct TZipSearchSource {
    const TFileListObject* downloads = nullptr;
    const TCategoryListObject* categories = nullptr;
    StorageLocations locations = {"", ""};
};

// The number of valid records of the download list: the range of the search's progress.
uint32_t CountSearchRange(const TFileListObject* downloads);

// The whole search: every valid download of the list, in list order, whose file name ends in
// ".ZIP" or ".EXE" is searched at its stored path. Several archives may be searched at once (see
// TZipSearchRequest::workers; fs must then allow use from several threads, as the default one
// does), but the hits are appended as by a search of one archive after the other: archives in list
// order, members in archive order (and hits->SetDownloadList is set to the source's list). On a
// cancel the hits of the archives finished before stay, with those the archive being searched
// gave before it stopped (none when the cancel came as it began); archives searched ahead give
// none. Returns TV_ZIPSEARCH_DONE or TV_ZIPSEARCH_CANCELLED.
int RunZipSearch(const TZipSearchSource& source, const TZipSearchRequest& request, TZipSearchFileListObject* hits,
                 TZipSearchObserver* observer, TZipFileSystem* fs = nullptr);

// --- The result window's decisions.

// Columns of the hit view.
enum {
    ZS_COLUMN_NAME = 0,      // member name, "+" when encrypted
    ZS_COLUMN_ARCHIVE = 1,   // the download's file name (while the hit is valid)
    ZS_COLUMN_CATEGORY = 2,  // the download's category (while the hit is valid)
    ZS_COLUMN_TIME = 3,      // member time (written by the Windows layer)
    ZS_COLUMN_SIZE = 4,
    ZS_COLUMN_RATIO = 5,
    ZS_COLUMN_PACKED = 6,
    ZS_COLUMN_PATH = 7,
    ZS_COLUMNS = 8,
};
int ZipSearchColumnWidth(int column);
bool ZipSearchColumnRight(int column);
// The text of a cell for every column but the time. hits is the list that holds the hit (it knows
// whether the hit's download is still there).
void FormatZipSearchCell(const TZipSearchFileListObject& hits, const ArchiveSearchHit& hit, int column, char* out,
                         size_t size);
// The download of a valid hit, else null (never read for an invalid one).
const FileItem* HitDownload(const TZipSearchFileListObject& hits, const ArchiveSearchHit& hit);

// The rows of the hit view in display order; text columns compare through sort keys made once per
// row (null key function: plain bytes), the time by time, the numbers numerically.
typedef std::string (*TZipSearchSortKeyFn)(const char* text, void* context);
class TZipSearchRowOrder {
public:
    void SetSortKeyFunction(TZipSearchSortKeyFn fn, void* context) {
        keyFn_ = fn;
        keyContext_ = context;
    }
    // Takes the valid and invalid hits of the list in list order.
    void Assign(const TZipSearchFileListObject& hits);
    void Clear() { rows_.clear(); }
    void Sort(int column, bool descending);
    // Drops the row of a hit (after it was deleted); the rows after it move up.
    void Remove(const ArchiveSearchHit* hit);
    size_t Size() const { return rows_.size(); }
    const ArchiveSearchHit* Row(size_t i) const { return i < rows_.size() ? rows_[i] : nullptr; }
    int RowOf(const ArchiveSearchHit* hit) const;

private:
    std::vector<const ArchiveSearchHit*> rows_;
    const TZipSearchFileListObject* hits_ = nullptr;
    TZipSearchSortKeyFn keyFn_ = nullptr;
    void* keyContext_ = nullptr;
};

// Command states of the result window: 1 = at least one hit, 2 = at least one row selected.
enum : uint32_t { ZS_STATE_HITS = 1, ZS_STATE_SELECTION = 2 };
uint32_t ZipSearchCommandNeeds(int command);
uint32_t ZipSearchStateMask(uint32_t hits, uint32_t selectedRows);
bool IsZipSearchCommandEnabled(int command, uint32_t state);

// The rows Extract and Delete work on, in view order: what = 0 the selected rows, 1 all rows,
// 2 the rows whose download's file name the mask selects (as a rename mask, case ignored).
std::vector<const ArchiveSearchHit*> ZipSearchRowsToProcess(const TZipSearchFileListObject& hits,
                                                            const std::vector<const ArchiveSearchHit*>& viewOrder,
                                                            const std::vector<const ArchiveSearchHit*>& selected,
                                                            int what, const char* mask);

// Delete, row by row: deleteMember runs the engine on the hit's archive (0 = done); after a failure
// continueAfter(code) asks whether to go on. Returns the hits deleted, in order.
struct TZipSearchDeleteHooks {
    std::function<int(const ArchiveSearchHit& hit)> deleteMember;
    std::function<bool(int code)> continueAfter;
};
std::vector<const ArchiveSearchHit*> DeleteHitsOneByOne(const std::vector<const ArchiveSearchHit*>& rows,
                                                        const TZipSearchDeleteHooks& hooks);

// The archives of the given rows, each once, in row order (for Copy): their download nodes.
std::vector<ListNode*> ArchivesOfRows(const TZipSearchFileListObject& hits,
                                      const std::vector<const ArchiveSearchHit*>& rows);
