// Decisions of the internal viewer that need no window: command states, the member rows' texts
// and order, status texts, the copy destination, select-by-mask, item lists, archive totals and
// the member-by-member extraction loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/lists.h"

// --- Command states.
enum : uint32_t {
    IV_STATE_ARCHIVE = 1,    // an archive is open
    IV_STATE_MEMBERS = 2,    // the list holds at least one member
    IV_STATE_SELECTION = 4,  // at least one row is selected
    IV_STATE_SETUP = 8,      // a setup member was found
};
// The states a command needs (all must hold); 0 for commands that are always available.
uint32_t ViewerCommandNeeds(int command);
uint32_t ViewerStateMask(bool archiveOpen, uint32_t rows, uint32_t selectedRows, bool setupFound);
bool IsViewerCommandEnabled(int command, uint32_t state);

// --- Member rows.
enum {
    IV_COLUMN_NAME = 0,
    IV_COLUMN_TIME = 1,
    IV_COLUMN_SIZE = 2,
    IV_COLUMN_RATIO = 3,
    IV_COLUMN_PACKED = 4,
    IV_COLUMN_PATH = 5,
    IV_COLUMNS = 6,
};
// The text of a cell for every column but the time (which the Windows layer writes in the user's
// locale): name with "+" for an encrypted member, sizes in kilobytes, ratio with "%", the folder.
void FormatMemberCell(const ArchiveMember& member, int column, char* out, size_t size);

// Turns a text into a key whose byte order (memcmp) is the order the name and path columns sort
// by. The Windows layer gives the locale's sort keys; null sorts by plain bytes.
typedef std::string (*TMemberSortKeyFn)(const char* text, void* context);

// The rows of a member view in display order. Text columns are compared through sort keys made
// once per row and column (sorting 65,000 rows compares about a million times).
class TMemberRowOrder {
public:
    void SetSortKeyFunction(TMemberSortKeyFn fn, void* context) {
        keyFn_ = fn;
        keyContext_ = context;
    }
    // Takes the members of the list in list order (no sorting); the keys are dropped.
    void Assign(const TArchiveFileListObject& list);
    void Clear();
    // Sorts by column, ascending or descending. Rows that compare equal keep no particular order.
    void Sort(int column, bool descending);
    size_t Size() const { return rows_.size(); }
    const ArchiveMember* Row(size_t i) const { return i < rows_.size() ? rows_[i].member : nullptr; }

private:
    struct Entry {
        const ArchiveMember* member;
        uint32_t position;  // position in the list order (index into keys_)
    };
    const std::string& Key(const Entry& row, int column);
    std::vector<Entry> rows_;
    std::vector<std::string> keys_[2];  // name keys, path keys; filled on first use
    TMemberSortKeyFn keyFn_ = nullptr;
    void* keyContext_ = nullptr;
};

// The click on a column heading: a new column sorts ascending, the sorted one reverses.
void NextSortOrder(int clickedColumn, int* column, bool* descending);

// --- Status bar: "\t<n> File(s) (<bytes>) Selected" / "... Total".
void FormatMemberCountStatus(char* out, size_t size, uint32_t count, uint64_t bytes, bool selected);
// A byte count as FormatSizeText writes it in bytes, for 64-bit totals as well.
void FormatByteCount(char* out, size_t size, uint64_t bytes);

// --- Copy destination (the copy dialog's OK).
enum { IV_COPY_EMPTY = 0, IV_COPY_FOLDER = 1, IV_COPY_FILE = 2, IV_COPY_ASK = 3 };
// Trims blanks from destination (in place) and decides: ends in "\" or "/" -> folder; names an
// existing folder (folderExists) -> folder; contains "." -> file; otherwise ask. A folder gets a
// trailing backslash (when it fits). Empty text: IV_COPY_EMPTY.
int DecideCopyDestination(char* destination, size_t size, bool (*folderExists)(const char* path, void* context),
                          void* context);
// The path the archive is copied to: for a folder destination the folder plus the archive's file
// name with extension. 0 when it does not fit.
int CopyTargetPath(const char* archivePath, const char* destination, bool isFolder, char* out, size_t size);

// --- Select some: the name matches when the mask, applied to it as a rename mask, gives the name
// back (ignoring case). The mask is used as given (the caller trims it).
bool MaskSelectsName(const char* name, const char* mask);

// --- Item lists.
// Appends the member's stored name (its folder, "\", its name) in quotes; 0 when it did not fit.
int AppendMemberToItemList(char* list, size_t size, const ArchiveMember& member);
// "%s files dropped" with the count, or the single name.
void FormatDroppedText(char* out, size_t size, const std::vector<std::string>& names);
// An item list of the given paths (in quotes, one blank apart); paths that would overflow are
// left out. Returns how many went in.
size_t BuildPathItemList(char* list, size_t size, const std::vector<std::string>& paths);

// --- The archive's totals for its properties page.
struct TArchiveTotals {
    uint32_t members = 0;
    uint32_t encrypted = 0;
    uint64_t size = 0;
    uint64_t packed = 0;
    // 100 - packed * 100 / size (0 when size is 0); negative when the packed total is larger.
    int64_t Ratio() const;
};
TArchiveTotals ArchiveTotalsOf(const TArchiveFileListObject& list);

// The member's extension is ".ZIP" (case ignored): Open shows it in a new viewer.
bool IsZipName(const char* name);

// --- Extracting selected members one by one.
struct TMemberExtractHooks {
    // Asks for a password when an encrypted member meets an empty one; fills password (the
    // program-wide one). May leave it empty: the member is then skipped.
    std::function<void(char* password, size_t size)> askPassword;
    // Extracts one member by its index with the password (empty for a member that is not
    // encrypted); returns the engine's result.
    std::function<int(const ArchiveMember& member, const char* password)> extract;
    // A failure: true to go on with the next member.
    std::function<bool(int code)> continueAfter;
    // After every attempt: how many are done (for the progress bar).
    std::function<void(uint32_t done)> progress;
    // The user pressed Cancel.
    std::function<bool()> cancelled;
};
struct TMemberExtractResult {
    uint32_t extracted = 0;  // members written
    uint32_t skipped = 0;    // encrypted members left out for want of a password
    uint32_t failed = 0;
    uint32_t renamed = 0;    // written under a new name (counted in extracted too)
    bool stopped = false;    // the user chose to stop (No) or cancelled
};
// password: the program-wide password buffer (passwordSize bytes).
TMemberExtractResult ExtractMembersOneByOne(const std::vector<const ArchiveMember*>& members, char* password,
                                            size_t passwordSize, const TMemberExtractHooks& hooks);
