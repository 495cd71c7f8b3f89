// The file system as the ZIP engine sees it: files, folders, times, attributes, short names and the
// conversion between the ANSI code page and UTF-8. The engine itself is platform-free; one
// implementation serves the native build (POSIX) and one the Windows build (Win32, ANSI functions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// DOS attribute bits as the engine uses them.
enum {
    TV_ATTR_READONLY = 0x01,
    TV_ATTR_HIDDEN = 0x02,
    TV_ATTR_SYSTEM = 0x04,
    TV_ATTR_FOLDER = 0x10,
    TV_ATTR_ARCHIVE = 0x20,
};

struct TZipFileInfo {
    int isFolder = 0;
    uint32_t attributes = 0;  // DOS attributes
    uint64_t size = 0;
    uint16_t dosDate = 0;     // last-write time as local DOS date and time
    uint16_t dosTime = 0;
};

// One open file. Positions are absolute byte offsets.
class TZipFile {
public:
    virtual ~TZipFile() = default;
    // Bytes read (0 at the end), -1 on error.
    virtual int64_t Read(void* buffer, size_t size) = 0;
    // 1 when all bytes were written.
    virtual int Write(const void* data, size_t size) = 0;
    virtual int Seek(int64_t position) = 0;
    virtual int64_t Tell() = 0;
    virtual int64_t Size() = 0;
    // Sets the last-write time (local DOS date and time) of a file opened for writing.
    virtual int SetTime(uint16_t dosDate, uint16_t dosTime) = 0;
    // Flushes and closes; 1 on success. Deleting the object closes it too.
    virtual int Close() = 0;
};

class TZipFileSystem {
public:
    virtual ~TZipFileSystem() = default;
    // Null when the file cannot be opened.
    virtual TZipFile* OpenRead(const char* path) = 0;
    // Creates or truncates a file for writing (and reading back); null on failure.
    virtual TZipFile* Create(const char* path) = 0;
    // 1 when the path exists (info filled), 0 otherwise.
    virtual int GetInfo(const char* path, TZipFileInfo* info) = 0;
    // Creates one folder; 1 when it exists afterwards.
    virtual int CreateFolder(const char* path) = 0;
    virtual int RemoveFile(const char* path) = 0;
    virtual int RemoveFolder(const char* path) = 0;
    // Moves from over to, replacing an existing file; 1 on success.
    virtual int Replace(const char* from, const char* to) = 0;
    virtual int SetAttributes(const char* path, uint32_t attributes) = 0;
    // Calls visit for every entry of the folder except "." and ".."; returns 0 when the folder
    // cannot be read.
    typedef void (*VisitProc)(void* context, const char* name, const TZipFileInfo& info);
    virtual int ListFolder(const char* path, VisitProc visit, void* context) = 0;
    // The path with every part in its 8.3 form (the path itself where there is none).
    virtual std::string ShortPath(const char* path) = 0;
    // Code-page conversions; characters that have no ANSI form become '_'.
    virtual std::string Utf8ToAnsi(const char* text) = 0;
    virtual std::string AnsiToUtf8(const char* text) = 0;
    // The separator used when building paths.
    virtual char Separator() const = 0;

    // --- Paths in UTF-8. Members are extracted under their true names, also where these have no
    // ANSI form. The defaults convert the path to ANSI (Utf8ToAnsi) and call the functions above;
    // the platform file systems reach the true name (the wide-character API on Windows).
    virtual TZipFile* CreateUtf8(const char* path);
    virtual int GetInfoUtf8(const char* path, TZipFileInfo* info);
    virtual int CreateFolderUtf8(const char* path);
    virtual int RemoveFileUtf8(const char* path);
    virtual int ReplaceUtf8(const char* from, const char* to);
    virtual int SetAttributesUtf8(const char* path, uint32_t attributes);
    // A path by which the ANSI functions reach the file (its 8.3 form where the long one has no
    // ANSI form); empty when there is none.
    virtual std::string AnsiPathOfUtf8(const char* path);
    // A key under which two paths that name the same file on this file system are equal (case
    // folded where names ignore case). The default folds ASCII letters of the ANSI form.
    virtual std::string NameKeyUtf8(const char* path);
};

// The platform's own file system (POSIX natively, Win32 on Windows).
TZipFileSystem* DefaultZipFileSystem();

// Platform-free CP1252 <-> UTF-8 conversions (the native file system uses them; tests too).
std::string Cp1252ToUtf8(const char* text);
std::string Utf8ToCp1252(const char* text);
// The bytes by which the native file system names a UTF-8 path: every character that CP1252 has
// as its CP1252 byte (so ANSI paths keep their bytes), every other one in UTF-8.
std::string Utf8ToCp1252OrUtf8(const char* text);
