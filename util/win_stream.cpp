#include "util/win_stream.h"

#include <algorithm>

namespace {

int64_t HandlePosition(HANDLE handle) {
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handle, zero, &pos, FILE_CURRENT)) return -1;
    return pos.QuadPart;
}

}  // namespace

TWin32FileStream::TWin32FileStream(HANDLE handle, bool own) : handle_(handle ? handle : INVALID_HANDLE_VALUE), own_(own) {
    Attach(IsOpen() ? HandlePosition(handle_) : 0);
}

bool TWin32FileStream::Open(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    Close();
    handle_ = CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr);
    own_ = true;
    Attach(0);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool TWin32FileStream::Close() {
    bool ok = true;
    if (handle_ != INVALID_HANDLE_VALUE) {
        ok = WritePending();
        if (own_) CloseHandle(handle_);
    }
    handle_ = INVALID_HANDLE_VALUE;
    own_ = false;
    Attach(0);
    return ok;
}

size_t TWin32FileStream::RawRead(void* buffer, size_t size) {
    size_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (total < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handle_, p + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

bool TWin32FileStream::RawWrite(const void* data, size_t size) {
    size_t total = 0;
    const auto* p = static_cast<const char*>(data);
    while (total < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - total, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(handle_, p + total, chunk, &put, nullptr) || put == 0) return false;
        total += put;
    }
    return true;
}

bool TWin32FileStream::RawSeek(int64_t position) {
    LARGE_INTEGER li;
    li.QuadPart = position;
    return SetFilePointerEx(handle_, li, nullptr, FILE_BEGIN) != 0;
}

int64_t TWin32FileStream::RawSize() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return -1;
    return size.QuadPart;
}

bool TWin32FileStream::RawCommit() { return FlushFileBuffers(handle_) != 0; }
