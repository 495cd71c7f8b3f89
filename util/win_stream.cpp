#include "util/win_stream.h"

#include <limits>

bool TWin32FileStream::Open(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    Close();
    handle_ = CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr);
    own_ = true;
    return handle_ != INVALID_HANDLE_VALUE;
}

void TWin32FileStream::Close() {
    if (handle_ != INVALID_HANDLE_VALUE && own_) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    own_ = false;
}

size_t TWin32FileStream::Read(void* buffer, size_t size) {
    if (!IsOpen() || size == 0) return 0;
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

bool TWin32FileStream::Write(const void* data, size_t size) {
    if (!IsOpen()) return false;
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

bool TWin32FileStream::Seek(int64_t offset, SeekOrigin origin) {
    if (!IsOpen()) return false;
    int64_t base = 0;
    if (origin == SeekCurrent) base = Position();
    else if (origin == SeekEnd) base = Size();
    if (base < 0) return false;
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return false;
    const int64_t target = base + offset;
    if (target < 0) return false;
    LARGE_INTEGER li;
    li.QuadPart = target;
    return SetFilePointerEx(handle_, li, nullptr, FILE_BEGIN) != 0;
}

int64_t TWin32FileStream::Position() const {
    if (!IsOpen()) return -1;
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(handle_, zero, &pos, FILE_CURRENT)) return -1;
    return pos.QuadPart;
}

int64_t TWin32FileStream::Size() const {
    if (!IsOpen()) return -1;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return -1;
    return size.QuadPart;
}

bool TWin32FileStream::Flush() { return IsOpen() && FlushFileBuffers(handle_) != 0; }
