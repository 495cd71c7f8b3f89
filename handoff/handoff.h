// The hand-off between a browser plug-in and the running main program: one WM_COPYDATA message to
// the window of class "TolvaneFrameWindow". This header is platform-free so that the sender (the
// plug-ins) and the receiver (the main program's frame window) share one definition of the record
// and one validating reader for what arrives from another process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/tvbase.h"

// Window class of the main program's frame window, looked up by class name only.
constexpr char TV_FRAME_WINDOW_CLASS[] = "TolvaneFrameWindow";

// Kind values (the COPYDATASTRUCT's first field).
constexpr uint32_t TV_COPYDATA_COMMAND_LINE = 0;  // text: the command line of a second start
constexpr uint32_t TV_COPYDATA_DOWNLOAD = 1;      // a DownloadHandOff record

// The download hand-off record: two fixed ANSI fields, each NUL-terminated inside its field.
// Bytes behind a terminator carry no meaning (the sender sends zeros).
struct DownloadHandOff {
    char SavedFilePath[TV_PATH_SIZE];  // offset 0: the downloaded file
    char SourceUrl[TV_PATH_SIZE];      // offset 261: the URL it came from, cut to 260 characters
};
static_assert(sizeof(DownloadHandOff) == 522, "the hand-off record is 522 bytes on the wire");
constexpr uint32_t TV_HANDOFF_RECORD_SIZE = 522;

// Sender: fills the record from the two texts (null = empty), zero-padding both fields. Each text
// is cut to 260 characters. Returns a bit set of what was cut: 1 the path, 2 the URL.
int FillDownloadHandOff(DownloadHandOff* record, const char* savedFilePath, const char* sourceUrl);

// Receiver: reads a record from untrusted bytes (byteCount bytes at data). Each field is read up
// to its terminator, never past its 261 bytes and never past byteCount; a field without a
// terminator inside those limits is cut there (at most 260 characters are kept). The output is
// always terminated and zero-padded.
enum DownloadHandOffResult {
    TV_HANDOFF_VALID = 0,        // a non-empty file path arrived
    TV_HANDOFF_NO_DATA = 1,      // null data or byte count 0
    TV_HANDOFF_EMPTY_PATH = 2,   // the path field is empty
};
struct DownloadHandOffInfo {
    DownloadHandOff record;
    int pathCut;     // 1 when the path had no terminator inside its field or the byte count
    int urlCut;      // the same for the URL
    int shortRecord; // 1 when fewer than 522 bytes arrived
};
int ReadDownloadHandOff(const void* data, size_t byteCount, DownloadHandOffInfo* out);

// Receiver, kind 0: copies the forwarded command line into text[size]: up to its terminator, at
// most byteCount bytes and at most size - 1 characters. Returns the length taken.
size_t ReadForwardedCommandLine(const void* data, size_t byteCount, char* text, size_t size);
// The same into a text that takes the whole command line (up to its terminator or byteCount),
// bounded only by TV_FORWARDED_TEXT_MAX, more than any system command line holds.
constexpr size_t TV_FORWARDED_TEXT_MAX = 65536;
std::string ReadForwardedCommandLine(const void* data, size_t byteCount);

// --- The private download folder -----------------------------------------------------------
// The plug-in writes every download into a fresh folder of its own inside the user's temporary
// folder, named TV_DOWNLOAD_FOLDER_PREFIX and eight hexadecimal digits ("TvDownload-0041A2F3"),
// so the file keeps its name and replaces nothing that was there. After the hand-off the main
// program deletes the file and then removes that folder (only when it is now empty).

constexpr char TV_DOWNLOAD_FOLDER_PREFIX[] = "TvDownload-";
constexpr size_t TV_DOWNLOAD_FOLDER_NAME_LENGTH = 19;  // prefix (11) + 8 hex digits

// Writes the folder name for number into name[size] (size >= 20). Returns 0 when it does not fit.
int FormatDownloadFolderName(uint32_t number, char* name, size_t size);
// 1 when name (one path component, no separator) is such a folder name (case-insensitive).
int IsDownloadFolderName(const char* name);
// When the file of savedFilePath lies directly inside a private download folder, writes that
// folder's full path (without trailing separator) into folder[size] and returns 1; else returns 0
// and leaves folder empty. Pure text work: the receiver still removes the folder with a call that
// fails on a folder that is not empty. The receiver, after the intake of a kind 1 message:
//   DeleteFileA(info.record.SavedFilePath);
//   char folder[TV_PATH_SIZE];
//   if (DownloadHandOffFolder(info.record.SavedFilePath, folder, sizeof(folder)))
//       RemoveDirectoryA(folder);  // succeeds only once the folder is empty
int DownloadHandOffFolder(const char* savedFilePath, char* folder, size_t size);
