// Base definitions shared by every part of the code base, platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(UNICODE) || defined(_UNICODE)
#error "Tolvane Plus is an ANSI program: build without UNICODE / _UNICODE."
#endif

// Paths and file names live in fixed buffers of 260 characters plus a terminator.
constexpr size_t TV_PATH_SIZE = 261;
// Registry string values are read into buffers of this size.
constexpr size_t TV_REGVALUE_SIZE = 500;

// Number of elements of a real array; does not compile for a pointer.
template <typename T, size_t N>
char (&TvArraySizeHelper(T (&)[N]))[N];
#define TV_COUNTOF(a) (sizeof(TvArraySizeHelper(a)))

// A FILETIME-compatible 64-bit time: 100-ns intervals since 1601-01-01 UTC, stored as two halves
// so that records keep the file's 8-byte layout on every platform.
struct TvFileTime {
    uint32_t low = 0;
    uint32_t high = 0;
    uint64_t Value() const { return (uint64_t(high) << 32) | low; }
    void Set(uint64_t v) {
        low = uint32_t(v);
        high = uint32_t(v >> 32);
    }
    bool IsZero() const { return low == 0 && high == 0; }
};
