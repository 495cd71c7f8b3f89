// Counted strings: the text encoding of every binary file of the program: a signed 32-bit
// little-endian byte length, then that many ANSI bytes, no terminator.
#pragma once

#include <cstdint>

#include "util/stream.h"

// Writes the length of text (0 for null) and its bytes. Returns false when the stream failed.
bool WriteCountedString(TByteStream* file, const char* text);

// Reads one counted string into *text.
//  - A stored length below 0 consumes only the length: returns 1, text untouched.
//  - reallocate: the old *text is released and a new buffer of exactly the stored length + 1 is
//    allocated (capacity is then ignored). Otherwise *text must point at a buffer of capacity bytes;
//    at most capacity - 1 bytes are kept and the rest is skipped, so the stream stays aligned.
//    A capacity of 0 without reallocate gives no room at all: the string is skipped, *text is left
//    untouched and the result is 0.
//  - A length or text that is not (completely) in the stream is never invented: the function
//    returns 0, leaves *text as it was and leaves the stream at its end, so later reads fail too.
//    No allocation is larger than the bytes that really remain in the stream.
// bytesRead (optional) receives the number of text bytes stored in *text.
// Returns non-zero when the string was read (also for length 0), 0 when it could not be read.
int ReadCountedString(TByteStream* file, char** text, uint32_t* bytesRead, int reallocate, uint32_t capacity);

// Convenience for fixed fields: reads into buffer[capacity] (at most capacity - 1 bytes kept).
inline int ReadCountedStringFixed(TByteStream* file, char* buffer, uint32_t capacity) {
    return ReadCountedString(file, &buffer, nullptr, 0, capacity);
}
