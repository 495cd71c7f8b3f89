// Heap texts owned by records: every text of a list item is the list's own copy, allocated with
// length + 1 bytes. A record's text pointer is never null once the record was initialised.
#pragma once

#include <cstddef>

// New heap copy of source (an empty text when source is null). Never returns null.
char* TextDuplicate(const char* source);
// Heap copy of the first length bytes of source, terminated.
char* TextDuplicateN(const char* source, size_t length);
// Replaces *dest by a copy of source; with freeOld the previous text is released first.
void TextAssign(char** dest, const char* source, bool freeOld = true);
// Releases a text made by the functions above and clears the pointer.
void TextRelease(char** text);
// True when the text is present: non-null (empty texts count as present, as in the records).
inline bool TextPresent(const char* text) { return text != nullptr; }
