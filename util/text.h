// Plain ANSI text operations over caller-owned, NUL-terminated buffers. ASCII-only case folding,
// no locale. Every function that writes into a buffer is bounded by the size it is given and
// always leaves the buffer terminated (size >= 1). Null texts are treated as absent: the function
// returns at once with the stated "nothing done" result.
#pragma once

#include <cstdarg>
#include <cstddef>

// Case of one character: only A-Z / a-z change.
char LowerChar(char c);
char UpperChar(char c);
// The same over a whole text, in place.
void LowerText(char* text);
void UpperText(char* text);
// Copies source into dest (bounded by size) and folds the copy. Returns 1 when truncated.
int LowerTextCopy(char* dest, size_t size, const char* source);
int UpperTextCopy(char* dest, size_t size, const char* source);

// A-Z, a-z; IsLetterOrDigit adds 0-9.
int IsLetter(char c);
int IsLetterOrDigit(char c);

// Flags for TrimSpaces: only the blank (0x20) is removed.
enum { TV_TRIM_LEADING = 1, TV_TRIM_TRAILING = 2, TV_TRIM_BOTH = 3 };
void TrimSpaces(char* text, int flags);

// Fills text with NUL bytes from its terminator up to size (so fixed fields have no stale bytes).
void PadWithZeros(char* text, size_t size);

// 1 when a and b are equal; ASCII case-insensitive unless caseSensitive; when limit > 0 only the
// first limit characters count. A null text counts as empty (two empty texts are equal).
int TextEquals(const char* a, const char* b, int caseSensitive, int limit);

// Index of the first occurrence of pattern in text, or -1 (also for null/empty inputs and a
// pattern longer than the text). With wholeWord an occurrence counts only when it starts the text
// or follows a blank, and ends the text or is followed by a character that is no letter or digit.
int FindText(const char* text, const char* pattern, int caseSensitive, int wholeWord);

// Replaces the first occurrence of pattern (searched case-insensitively unless caseSensitive) by
// replacement (null = empty), in place. text is a buffer of capacity bytes. Returns 1 when
// replaced; 0 when the pattern is absent or the result would not fit (text is then unchanged).
int ReplaceFirst(char* text, size_t capacity, const char* pattern, const char* replacement, int caseSensitive);

// Copies source (null = empty) into dest[size]. When source plus terminator exceeds size it keeps
// size - 1 characters. Always terminates when size >= 1. Returns 1 when truncated.
int CopyLimited(char* dest, const char* source, size_t size);
// Appends source to the text in dest[size]. A dest without a terminator inside size is cut to
// size - 1 first (counts as truncation). Returns 1 when truncated.
int AppendLimited(char* dest, const char* source, size_t size);
// vsnprintf into dest[size]; returns 1 when the result was truncated (or formatting failed, which
// leaves dest empty).
#if defined(__MINGW32__)
#define TV_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define TV_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif
int FormatLimited(char* dest, size_t size, const char* format, ...) TV_PRINTF_FORMAT(3, 4);
int FormatLimitedV(char* dest, size_t size, const char* format, va_list args);

// Deletes every "." and "," from the text.
void RemoveSeparators(char* text);

// Flags of ShortenText.
enum { TV_SHORTEN_KEEP_END = 1, TV_SHORTEN_PATH = 2, TV_SHORTEN_TRIM = 4 };
// Shortens text in place to at most width characters (never lengthens it). TV_SHORTEN_TRIM trims
// blanks first. Texts not longer than width stay. TV_SHORTEN_KEEP_END gives "..." and the last
// width - 3 characters; TV_SHORTEN_PATH gives the start of the folder, "...\" and the file name
// (exactly width long) when the path has a directory and "...\" plus the name fit, else the name
// cut to width - 3 and "..."; neither flag gives the first width - 3 characters and "...".
// Widths below 3 do nothing.
void ShortenText(char* text, int flags, int width);
