// Path and file-name operations on plain texts (no file system access). Paths live in buffers of
// TV_PATH_SIZE (261) bytes; "\" and "/" both count as separators. Every output is bounded and
// terminated; outputs are cleared first.
#pragma once

#include <cstddef>

#include "util/tvbase.h"

// After trimming blanks: not empty, not longer than 260 characters, no character below 32, none
// of < > : " / \ | ? * and not starting with "."; nor a device name (IsDeviceName), which could
// never hold a file. 1 when valid.
int IsValidFileName(const char* text);

// Whether the first length characters of name (a single name, no folders) name a device rather
// than a file, in any folder: CON, PRN, AUX, NUL, CLOCK$, CONIN$, CONOUT$, COM1-COM9 and
// LPT1-LPT9, also with the superscript digits 1-3 of code page 1252 (COM\xB9), in any letter
// case. The part before the first dot decides, blanks before the dot ignored: "nul.txt" and
// "Com1 .log" are devices, "com10" and "console" are not. The one table of the program.
bool IsDeviceName(const char* name, size_t length);

// 1 when path names something strictly inside folder (or deeper): folder, taken with a trailing
// separator, is a prefix of path (ASCII case-insensitive, "\" and "/" alike), something follows
// it, and no component of the rest is "." or "..". Both texts should already be full paths in the
// file system's spelling. 0 for null or empty texts.
int PathIsInsideFolder(const char* path, const char* folder);

// Appends "\" unless the path is empty or already ends in "\" or "/". Returns the new length, or
// -1 when the buffer of size bytes has no room (the path is then unchanged).
int EnsureTrailingBackslash(char* path, size_t size);
// Removes one trailing "\" or "/". Returns the new length (0 for null).
int RemoveTrailingBackslash(char* path);
// Puts "\" in front unless the path is empty or starts with "\". Returns the new length or -1
// when there is no room.
int EnsureLeadingBackslash(char* path, size_t size);
// Removes one leading "\". Returns the new length.
int RemoveLeadingBackslash(char* path);

// Index of the last "\" or "/", -1 when there is none.
int LastSeparator(const char* path);

// folder = drive and directory (everything up to and including the last separator, or the drive
// "X:" alone), name = file name with extension. Either output may be null.
void SplitPath(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize);

// Components in the usual drive / directory / name / extension split: drive "C:", directory with
// its trailing separator, name, extension with its leading dot (from the last dot of the file
// part). Each output is null or a buffer of TV_PATH_SIZE bytes.
void SplitPathParts(const char* path, char* drive, char* dir, char* name, char* ext);

enum { TV_PATH_HAS_FOLDER = 1, TV_PATH_HAS_NAME = 2, TV_PATH_HAS_EXTENSION = 4 };
// Bit 0: drive or directory, bit 1: name, bit 2: extension.
int PathKind(const char* path);

// Appends extension (with its dot, e.g. ".txt") when the text contains no "." at all.
// Returns 1 when appended, 0 otherwise (also when it would not fit in size bytes).
int AddDefaultExtension(char* text, size_t size, const char* extension);

// Compares two paths after trimming blanks, ASCII case-insensitively: the whole paths when
// wholePath is 1, else only name and extension. 1 when equal.
int ComparePathTexts(const char* a, const char* b, int wholePath);

// out = drive and directory of source, then the source name passed through the mask's name part,
// then the source extension passed through the mask's extension part ("*" copies the rest of the
// source, "?" copies one source character, anything else stands for itself and consumes one).
// A name mask of exactly "*" keeps the name; ".*" on a source without extension gives none.
// Returns 1 on success, 0 for empty inputs or when the result does not fit size bytes (out empty).
int ApplyRenameMask(char* out, size_t size, const char* source, const char* mask);
