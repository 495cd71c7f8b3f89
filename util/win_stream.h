// Byte stream over a Win32 file handle, buffered: the file formats read and write one field at a
// time, and each field would otherwise be a system call of its own.
#pragma once

#include <windows.h>

#include "util/buffered_stream.h"

class TWin32FileStream : public TBufferedStream {
public:
    TWin32FileStream() = default;
    // Wraps a handle at its current position; owns (closes) it when own is true.
    explicit TWin32FileStream(HANDLE handle, bool own = false);
    // Closes the file; bytes still buffered are written first (Flush reports whether they were).
    ~TWin32FileStream() override { Close(); }
    TWin32FileStream(const TWin32FileStream&) = delete;
    TWin32FileStream& operator=(const TWin32FileStream&) = delete;

    // CreateFileA with the given access, sharing and disposition; false when it fails
    // (GetLastError tells why).
    bool Open(const char* path, DWORD access, DWORD share, DWORD disposition,
              DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    // Writes what is buffered and closes; false when the buffered bytes could not be written.
    bool Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // The handle, for calls that do not move its position or change its contents; call Flush
    // first when anything was written.
    HANDLE Handle() const { return handle_; }

protected:
    size_t RawRead(void* buffer, size_t size) override;
    bool RawWrite(const void* data, size_t size) override;
    bool RawSeek(int64_t position) override;
    int64_t RawSize() const override;
    bool RawCommit() override;
    bool RawIsOpen() const override { return IsOpen(); }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool own_ = false;
};
