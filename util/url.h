// Recognising and completing web addresses.
#pragma once

#include <cstddef>

// 1 when the text contains (case-insensitively) one of "://", "www.", "ftp.", ".com", ".net",
// ".org", ".gov", ".de"; with schemeOnly only "://" counts.
int LooksLikeUrl(const char* text, int schemeOnly);

// Copies source into text[capacity] first when source is given. A non-empty text without "://"
// (and, with rejectDrivePaths, not a drive path such as "C:\x" or "C:/x") gets "ftp://" in front
// when it contains "ftp.", else "http://". Returns 0 when it prefixed, -1 when it left the text
// alone; a prefixed address that would not fit the capacity is left alone too (never cut).
int CompleteUrl(char* text, size_t capacity, const char* source, int rejectDrivePaths);
