// Watched download folders, the platform-free part: which names are downloads still being
// written, when a file counts as finished (size and time settled), the files already filed or
// declined, the web site from the browser's zone information, and the folder's own settings file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// --- Names

// 1 for the name of a download a browser is still writing (".part", ".crdownload", ".download",
// ".partial", ".tmp" and their kin, compared ASCII case-insensitively) and for names the watch
// never offers: empty names, names starting with "." or "~$", names holding ":" (a file's side
// stream), "?" or "*" (a name the ANSI code page cannot hold), "desktop.ini" and "Thumbs.db". A
// bare name without folder.
int IsPartialDownloadName(const char* name);

// 1 when some name of the listing is name plus a partial-download ending ("a.zip.part" beside
// "a.zip"): browsers create the final name early, empty, and write into the partial name.
int HasPartialSibling(const char* name, const std::vector<std::string>& listing);

// --- Completion

// One file as a listing of the watched folder shows it.
struct TWatchObservation {
    std::string name;
    uint64_t size = 0;
    uint64_t writeTime = 0;  // file time (100 ns units), as the file system tells it
};

// Decides when a file in a watched folder is finished: its name is not a partial one, no partial
// download of it lies beside it, it is not empty, and its size and write time stayed the same
// over settleMs. A file is reported once per size and time (Offered); a file that leaves the
// listing is forgotten.
class TCompletionTracker {
public:
    explicit TCompletionTracker(uint32_t settleMs) : settleMs_(settleMs) {}

    // Takes one listing of the folder at nowMs (a monotonic clock) and returns the names that are
    // finished and not offered yet, in the listing's order.
    std::vector<std::string> Update(const std::vector<TWatchObservation>& listing, uint64_t nowMs);
    // The file was handed on: it is not reported again while its size and time stay.
    void Offered(const std::string& name);
    // The file is still held open by its writer: it must settle anew.
    void Busy(const std::string& name);
    // 1 while some file of the last listing has been waiting to settle for less than kWaitingMs
    // (the caller looks again soon; a file held open longer is looked at less often).
    int Waiting() const;
    static constexpr uint64_t kWaitingMs = 30000;

private:
    struct Entry {
        TWatchObservation seen;
        uint64_t firstSeen = 0;  // when this size and time were first seen
        uint64_t since = 0;      // from when it has to settle (later when it was found held open)
        bool offered = false;
        bool candidate = false;
    };
    uint32_t settleMs_;
    uint64_t lastNow_ = 0;
    std::vector<Entry> entries_;
};

// --- Files already filed or declined

struct TRememberedFile {
    std::string name;
    uint64_t size = 0;
    uint64_t writeTime = 0;
};

// The files of the watched folders the user filed or declined, by name (ASCII case-insensitive),
// size and write time; the oldest go once kMaxEntries are kept.
class TRememberedFiles {
public:
    static constexpr size_t kMaxEntries = 2000;
    int Contains(const std::string& name, uint64_t size, uint64_t writeTime) const;
    void Add(const std::string& name, uint64_t size, uint64_t writeTime);
    const std::vector<TRememberedFile>& entries() const { return entries_; }

private:
    std::vector<TRememberedFile> entries_;
};

// --- Zone information

// The web site of a download from the text of its "Zone.Identifier" stream (an INI text: section
// "[ZoneTransfer]", keys "HostUrl" and "ReferrerUrl"): the host URL, or the referrer when the host
// URL is missing or no web address ("about:internet", "blob:..." and such). Only http, https and
// ftp addresses are taken, at most kMaxZoneUrl characters, without control characters. Reads
// ANSI/UTF-8 text (a UTF-8 byte-order mark is skipped) and UTF-16LE text with its mark. Returns 1
// and sets *url when one was found, else 0 (*url empty).
constexpr size_t kMaxZoneUrl = 999;
constexpr size_t kMaxZoneText = 64 * 1024;  // longer stream texts are read only this far
int ReadZoneWebsite(const char* text, size_t length, std::string* url);

// --- Settings

// How a new file of a watched folder is filed.
enum TWatchMode : int {
    TV_WATCH_ASK = 0,     // the add/edit dialog, as for a plug-in download
    TV_WATCH_SILENT = 1,  // without a dialog into the folder's category, marked
};

struct TWatchedFolder {
    std::string path;      // full path of the folder (at most 260 characters)
    int mode = TV_WATCH_ASK;
    std::string category;  // name of the download category for TV_WATCH_SILENT
};

struct TWatchSettings {
    static constexpr size_t kMaxFolders = 32;
    std::vector<TWatchedFolder> folders;
    TRememberedFiles remembered;
};

// The settings file "tvwatch.ini" beside "tv.cfg": a text file of lines
//   [Tolvane Plus Watched Folders]
//   Folder=<mode>|<category>|<path>
//   Filed=<size>|<write time>|<name>
// Unknown lines, lines that do not parse, paths or names too long, folders beyond kMaxFolders and
// duplicate folders are dropped; a text without the header gives the defaults (no folder).
// Returns 1 when the header was found.
constexpr char kWatchSettingsFile[] = "tvwatch.ini";
constexpr size_t kMaxWatchSettingsText = 4 * 1024 * 1024;
int ParseWatchSettings(const char* text, size_t length, TWatchSettings* settings);
std::string FormatWatchSettings(const TWatchSettings& settings);

// 1 when folder is a usable watched-folder path: absolute ("X:\..." or "\\server\share..."), at
// most 260 characters, no control characters, no "|", no "." or ".." component.
int IsUsableWatchFolder(const std::string& folder);
// 1 when path lies inside folder at any depth (ASCII case-insensitive, "\" and "/" alike,
// trailing separators of folder ignored). The watch never offers a file that lies in a storage
// folder: filing it would move it onto itself.
int PathIsWithin(const std::string& path, const std::string& folder);
// Index of folder in the list (ASCII case-insensitive, trailing separators ignored), or -1.
int FindWatchedFolder(const std::vector<TWatchedFolder>& folders, const std::string& folder);
