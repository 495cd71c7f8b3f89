// The ZIP engine: every read or change of a ZIP archive. Two command records, one for reading
// (count, list, extract) and one for writing (add, update, freshen, move, delete); the caller resets
// a record, sets the fields of the operation and runs it. The job runs synchronously, calls the
// message and status callbacks and returns 0 or one of the result codes below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/tvbase.h"

class TZipFileSystem;
struct TUnzipState;

#if defined(_WIN32)
#define TV_ENGINE_CALLBACK __stdcall
#else
#define TV_ENGINE_CALLBACK
#endif

// Size of an item list (terminator included) and of a password buffer.
constexpr size_t TV_ITEMLIST_SIZE = 20000;
constexpr size_t TV_ZIP_PASSWORD_SIZE = 128;

// Attribute bits of a member beyond the DOS attributes.
enum : uint32_t {
    TV_ZIPATTR_FOLDER = 0x10,
    TV_ZIPATTR_ENCRYPTED = 0x8000,
    TV_ZIPATTR_KEEPS_CASE = 0x10000,
};

// One member as the list operation reports it.
struct MemberInfo {
    uint32_t index = 0;          // position in the archive; extracts this member alone
    uint32_t size = 0;           // uncompressed size (0xFFFFFFFF when larger)
    uint32_t packed = 0;         // compressed size (0xFFFFFFFF when larger)
    int hasFolder = 0;           // the stored name has a folder part
    char dateTime[20] = {};      // "MM-DD-YY  HH:MM" (month 0-1, day 3-4, year 6-7, hour 10-11, minute 13-14)
    char name[TV_PATH_SIZE] = {};  // stored name with its folder part, ANSI
    uint32_t attributes = 0;     // DOS attributes | TV_ZIPATTR_ENCRYPTED | TV_ZIPATTR_KEEPS_CASE
    uint16_t dosDate = 0;        // the stored DOS date and time
    uint16_t dosTime = 0;
    uint16_t method = 0;         // compression method
};

// Question and progress callbacks.
// Message proc: a code and six further values; the answer steers the engine (see ZipMessage codes).
typedef int32_t(TV_ENGINE_CALLBACK* TZipMessageProc)(uint32_t code, uint32_t a1, uint32_t a2, uint32_t a3,
                                                     uint32_t a4, uint32_t a5, uint32_t a6);
// Status proc: item text, percent, user value; nonzero asks the engine to stop.
typedef int32_t(TV_ENGINE_CALLBACK* TZipStatusProc)(const char* text, int32_t percent, uintptr_t user);
// Written proc: a file the extraction wrote (complete) or a folder it made, by a path the ANSI
// functions reach (as writtenPath), for callers that keep a list of what they extracted.
typedef void(TV_ENGINE_CALLBACK* TZipWrittenProc)(const char* path, int isFolder, uintptr_t user);

// Codes of the message proc and what the answers mean.
enum : uint32_t {
    // A file to be extracted exists and overwriting was not asked for: 1 = overwrite, other = skip.
    TV_ZIPMSG_OVERWRITE = 1,
    // A member cannot be decoded (method or encryption unknown): 3 = skip it and go on, other = stop.
    TV_ZIPMSG_UNSUPPORTED = 8,
};

// The no-feedback answer table: shows nothing.
extern "C" int32_t TV_ENGINE_CALLBACK DynaZipNoFeedbackMessageProc(uint32_t code, uint32_t a1, uint32_t a2,
                                                                   uint32_t a3, uint32_t a4, uint32_t a5,
                                                                   uint32_t a6);

// --- Reading
enum {
    TV_UNZIP_COUNTALL = 1,    // count all members -> count (with info set, the archive stays open
                              // in the record for the TV_UNZIP_NEXT calls that follow)
    TV_UNZIP_NEXT = 2,        // next member -> *info (the record remembers where it is)
    TV_UNZIP_COUNTNAMED = 3,  // count members matching fileSpec -> count
    TV_UNZIP_EXTRACT = 4,     // extract memberIndex, or the members matching fileSpec
    TV_UNZIP_TEST = 5,        // decode and check the members as extract would, writing nothing
};

// Result codes of the reading operations.
enum {
    TV_UNZIP_OK = 0,
    TV_UNZIP_NOTZIP = 2,        // not a ZIP archive / structure damaged
    TV_UNZIP_BADDATA = 3,       // member damaged (local header, CRC, sizes, compressed data)
    TV_UNZIP_NOMEMORY = 4,
    TV_UNZIP_OPENFAILED = 9,    // the archive cannot be opened
    TV_UNZIP_INTERNAL = 11,
    TV_UNZIP_MULTIVOLUME = 12,
    TV_UNZIP_OUTPUTFAILED = 28,
    TV_UNZIP_CANCELLED = 40,    // the user stopped the job: no message
    TV_UNZIP_BADPASSWORD = 41,
    TV_UNZIP_NOTHING = 48,      // nothing to do (no member matched): no message
    TV_UNZIP_SKIPPED = 49,      // some members were skipped as asked (older, existing): no message
    TV_UNZIP_DISKFULL = 50,
    TV_UNZIP_BADINDEX = 51,     // no member with that index
    TV_UNZIP_UNSUPPORTED = 81,  // compression or encryption method not supported
    TV_UNZIP_NOPASSWORD = 82,   // an encrypted member and no password given
    TV_UNZIP_RENAMED = 83,      // all written, some under new names (their names collided)
};

struct TUnzipCommand {
    TUnzipCommand() = default;
    ~TUnzipCommand();
    TUnzipCommand(const TUnzipCommand&) = delete;
    TUnzipCommand& operator=(const TUnzipCommand&) = delete;

    int function = 0;
    char zipFile[TV_PATH_SIZE] = {};
    char destination[TV_PATH_SIZE] = {};
    char fileSpec[TV_PATH_SIZE] = {};
    int32_t memberIndex = -1;      // >= 0: extract this member alone
    int skipOlder = 0;             // keep existing files that are newer than (or as new as) the member
    int overwrite = 0;             // replace existing files without asking
    int ignoreFolders = 1;         // write every member straight into the destination
    char password[TV_ZIP_PASSWORD_SIZE] = {};
    MemberInfo* info = nullptr;    // TV_UNZIP_NEXT writes here
    uint32_t count = 0;            // result of the count operations, members written by extract
    uint32_t renamed = 0;          // extract: members written under a new name (see TV_UNZIP_RENAMED)
    // extract: the last file written, as a path the ANSI functions open (its 8.3 form where the
    // true name has no ANSI form); empty when nothing was written
    char writtenPath[TV_PATH_SIZE] = {};
    TZipWrittenProc writtenProc = nullptr;  // extract: every file written and folder made
    uintptr_t writtenUser = 0;
    TZipMessageProc messageProc = nullptr;
    TZipStatusProc minorStatus = nullptr;  // item text and percent of the current member
    TZipStatusProc majorStatus = nullptr;  // percent of the whole job
    uintptr_t userValue = 0;
    TZipFileSystem* fileSystem = nullptr;  // null: DefaultZipFileSystem()

    TUnzipState* state = nullptr;  // engine's own (open archive of the listing)
};

void ResetUnzipCommand(TUnzipCommand* command);
int RunUnzipCommand(TUnzipCommand* command);

// --- Writing
enum {
    TV_ZIP_ADD = 1,      // add, replacing members of the same name
    TV_ZIP_UPDATE = 2,   // add new files, replace older members
    TV_ZIP_FRESHEN = 3,  // replace only members that exist and are older
    TV_ZIP_DELETE = 4,   // delete the members named in itemList (or matching a mask)
};

enum {
    TV_ZIP_OK = 0,
    TV_ZIP_BADPARAM = 1,
    TV_ZIP_NOTZIP = 2,
    TV_ZIP_BADARCHIVE = 3,
    TV_ZIP_NOMEMORY = 4,
    TV_ZIP_CANCELLED = 9,   // the user stopped the job: no message
    TV_ZIP_NOTHING = 12,    // nothing to do (no file found / no member matched); the archive is usable
    TV_ZIP_WRITEFAILED = 14,
    TV_ZIP_CREATEFAILED = 15,
    TV_ZIP_OPENFAILED = 18,
    TV_ZIP_READFAILED = 19,
    TV_ZIP_UNSUPPORTED = 81,  // a member's compression or encryption method is not supported
};

struct TZipCommand {
    int function = TV_ZIP_ADD;
    char zipFile[TV_PATH_SIZE] = {};
    char itemList[TV_ITEMLIST_SIZE] = {};  // "path" "path" ... (or stored names / a mask for delete)
    int level = 5;                 // 0 = store, 1-9 deflate
    int recurse = 0;               // recurse into folders
    int noFolderNames = 0;         // store base names only
    int systemHidden = 0;          // include system and hidden files
    int shortNames = 0;            // store names in 8.3 form
    int archiveOnly = 0;           // take only files whose archive attribute is set
    int clearArchive = 0;          // clear the archive attribute of added files
    int deleteSources = 0;         // move: remove the sources after adding
    char password[TV_ZIP_PASSWORD_SIZE] = {};  // encrypts the added files when set
    uint32_t count = 0;            // files added or members deleted
    TZipMessageProc messageProc = nullptr;
    TZipStatusProc minorStatus = nullptr;
    TZipStatusProc majorStatus = nullptr;
    uintptr_t userValue = 0;
    TZipFileSystem* fileSystem = nullptr;
};

void ResetZipCommand(TZipCommand* command);
int RunZipCommand(TZipCommand* command);

// --- Helpers shared with the callers
// Case-insensitive match with * and ? as archivers on Windows match: a mask without a folder part is
// matched against the base name, one with a folder part against the whole name ('/' and '\' are the
// same); "*.*" and "name.*" also match names without an extension.
int ZipMaskMatch(const char* mask, const char* name);
// Appends "text" (in double quotes, separated by one space) to an item list of size bytes; a text
// that would not fit is left out (returns 0).
int AppendItemList(char* list, size_t size, const char* text);
// The next entry of an item list from *cursor (quoted or separated by blanks); 0 at the end.
int NextItemListEntry(const char** cursor, char* out, size_t size);
// Turns a stored name into a relative path that stays below the destination: drive letters, leading
// separators, "." and ".." parts, trailing dots and blanks of parts are dropped; characters that
// cannot be used in file names become '_'; device names get a '_' in front. separator joins parts.
// Returns 0 when nothing usable remains.
int SafeMemberPath(const char* storedName, char separator, char* out, size_t size);
// Creates an empty archive (an end record only). 0 or a TV_ZIP_* code.
int CreateEmptyArchive(const char* path, TZipFileSystem* fs);
// libzip's error codes (ZIP_ER_*) as the engine's result codes: of reading, for the archive as a
// whole (opening, listing) or for one member's data (forMember); of writing.
int UnzipResultOfLibzipError(int zipError, int forMember);
int ZipResultOfLibzipError(int zipError);

// --- Reading members in memory: one archive stays open while its members are listed and read;
// nothing is written to disk. Used where a member's bytes only need to be looked at.
struct TZipReaderState;
class TZipMemberReader {
public:
    // Receives the member's bytes in order, block by block; false stops the read.
    typedef bool (*TSink)(const unsigned char* data, size_t size, void* context);

    TZipMemberReader() = default;
    ~TZipMemberReader();
    TZipMemberReader(const TZipMemberReader&) = delete;
    TZipMemberReader& operator=(const TZipMemberReader&) = delete;

    // Opens the archive (surrounding quotes removed; an executable stub in front is handled as by
    // the other operations). 0 or a TV_UNZIP_* code. A previous archive is closed first.
    int Open(const char* path, TZipFileSystem* fs = nullptr);
    void Close();
    bool IsOpen() const;
    // Number of entries (folder entries included), 0 when closed.
    uint32_t Count() const;
    // The entry as TV_UNZIP_NEXT reports it.
    int Member(uint32_t index, MemberInfo* info) const;
    // How Read checks what it hands over.
    enum {
        // Every byte is checked: the sizes and the CRC must be right for a result of 0.
        TV_ZIPREAD_CHECKED = 0,
        // Only the sizes and the decompression itself are checked, not the CRC: for a first look
        // at many members, of which the few that matter are then read checked.
        TV_ZIPREAD_UNCHECKED = 1,
    };
    // Decompresses the entry and hands its bytes to sink. An encrypted entry is never decrypted:
    // TV_UNZIP_NOPASSWORD without a byte read. 0 only when every byte arrived and passed the
    // checks of the mode; TV_UNZIP_CANCELLED when the sink stopped; otherwise the error.
    int Read(uint32_t index, TSink sink, void* context, int mode = TV_ZIPREAD_CHECKED);

private:
    TZipReaderState* state_ = nullptr;
};
