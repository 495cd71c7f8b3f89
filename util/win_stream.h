// Byte stream over a Win32 file handle.
#pragma once

#include <windows.h>

#include "util/stream.h"

class TWin32FileStream : public TByteStream {
public:
    TWin32FileStream() = default;
    // Wraps a handle; owns (closes) it when own is true.
    explicit TWin32FileStream(HANDLE handle, bool own = false) : handle_(handle), own_(own) {}
    ~TWin32FileStream() override { Close(); }
    TWin32FileStream(const TWin32FileStream&) = delete;
    TWin32FileStream& operator=(const TWin32FileStream&) = delete;

    // CreateFileA with the given access, sharing and disposition; false when it fails
    // (GetLastError tells why).
    bool Open(const char* path, DWORD access, DWORD share, DWORD disposition,
              DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    void Close();
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle_; }

    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override;
    int64_t Size() const override;
    bool Flush() override;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool own_ = false;
};
