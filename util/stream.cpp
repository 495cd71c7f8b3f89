#include "util/stream.h"

#include <cstring>
#include <limits>

int64_t TByteStream::Remaining() const {
    const int64_t size = Size();
    const int64_t pos = Position();
    if (size < 0 || pos < 0 || pos >= size) return 0;
    return size - pos;
}

bool TByteStream::ReadExact(void* buffer, size_t size) {
    if (size == 0) return true;
    // Read into scratch storage first so a short read leaves the destination untouched.
    uint8_t local[16];
    if (size <= sizeof(local)) {
        if (Read(local, size) != size) return false;
        std::memcpy(buffer, local, size);
        return true;
    }
    std::vector<uint8_t> scratch(size);
    if (Read(scratch.data(), size) != size) return false;
    std::memcpy(buffer, scratch.data(), size);
    return true;
}

bool TByteStream::ReadU8(uint8_t* value) { return ReadExact(value, 1); }

bool TByteStream::ReadU32(uint32_t* value) {
    uint8_t b[4];
    if (!ReadExact(b, 4)) return false;
    *value = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return true;
}

bool TByteStream::ReadI32(int32_t* value) {
    uint32_t v;
    if (!ReadU32(&v)) return false;
    *value = int32_t(v);
    return true;
}

bool TByteStream::ReadU64(uint64_t* value) {
    uint32_t lo, hi;
    uint8_t b[8];
    if (!ReadExact(b, 8)) return false;
    lo = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    hi = uint32_t(b[4]) | (uint32_t(b[5]) << 8) | (uint32_t(b[6]) << 16) | (uint32_t(b[7]) << 24);
    *value = (uint64_t(hi) << 32) | lo;
    return true;
}

bool TByteStream::WriteU8(uint8_t value) { return Write(&value, 1); }

bool TByteStream::WriteU32(uint32_t value) {
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return Write(b, 4);
}

bool TByteStream::WriteU64(uint64_t value) {
    uint8_t b[8];
    for (int i = 0; i < 8; ++i) b[i] = uint8_t(value >> (8 * i));
    return Write(b, 8);
}

// ---- memory ----

TMemoryStream::TMemoryStream(const void* bytes, size_t size)
    : data_(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size) {}

size_t TMemoryStream::Read(void* buffer, size_t size) {
    if (pos_ >= data_.size() || size == 0) return 0;
    const size_t n = std::min(size, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

bool TMemoryStream::Write(const void* data, size_t size) {
    if (size == 0) return true;
    if (pos_ > data_.size()) data_.resize(pos_, 0);
    const size_t end = pos_ + size;
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + pos_, data, size);
    pos_ = end;
    return true;
}

static bool ComputeSeekTarget(int64_t offset, TByteStream::SeekOrigin origin, int64_t pos, int64_t size,
                              int64_t* target) {
    int64_t base = 0;
    switch (origin) {
        case TByteStream::SeekBegin: base = 0; break;
        case TByteStream::SeekCurrent: base = pos; break;
        case TByteStream::SeekEnd: base = size; break;
        default: return false;
    }
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return false;
    const int64_t t = base + offset;
    if (t < 0) return false;
    *target = t;
    return true;
}

bool TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t t;
    if (!ComputeSeekTarget(offset, origin, int64_t(pos_), int64_t(data_.size()), &t)) return false;
    if (uint64_t(t) > std::numeric_limits<size_t>::max()) return false;
    pos_ = size_t(t);
    return true;
}

size_t TMemoryViewStream::Read(void* buffer, size_t size) {
    if (pos_ >= size_ || size == 0) return 0;
    const size_t n = std::min(size, size_ - pos_);
    std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
}

bool TMemoryViewStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t t;
    if (!ComputeSeekTarget(offset, origin, int64_t(pos_), int64_t(size_), &t)) return false;
    if (uint64_t(t) > std::numeric_limits<size_t>::max()) return false;
    pos_ = size_t(t);
    return true;
}

// ---- stdio ----

bool TStdioStream::Open(const char* path, const char* mode) {
    Close();
    file_ = std::fopen(path, mode);
    own_ = true;
    size_ = -1;
    return file_ != nullptr;
}

void TStdioStream::Close() {
    if (file_ && own_) std::fclose(file_);
    file_ = nullptr;
    own_ = false;
}

size_t TStdioStream::Read(void* buffer, size_t size) {
    if (!file_ || size == 0) return 0;
    return std::fread(buffer, 1, size, file_);
}

bool TStdioStream::Write(const void* data, size_t size) {
    if (!file_) return false;
    if (size == 0) return true;
    size_ = -1;
    return std::fwrite(data, 1, size, file_) == size;
}

#if defined(_WIN32)
#define TV_FSEEK _fseeki64
#define TV_FTELL _ftelli64
#else
#define TV_FSEEK fseeko
#define TV_FTELL ftello
#endif

bool TStdioStream::Seek(int64_t offset, SeekOrigin origin) {
    if (!file_) return false;
    int64_t t;
    if (!ComputeSeekTarget(offset, origin, Position(), Size(), &t)) return false;
    return TV_FSEEK(file_, t, SEEK_SET) == 0;
}

int64_t TStdioStream::Position() const {
    if (!file_) return -1;
    return int64_t(TV_FTELL(file_));
}

int64_t TStdioStream::Size() const {
    if (!file_) return -1;
    if (size_ >= 0) return size_;
    const int64_t here = int64_t(TV_FTELL(file_));
    if (here < 0 || TV_FSEEK(file_, 0, SEEK_END) != 0) return -1;
    const int64_t end = int64_t(TV_FTELL(file_));
    TV_FSEEK(file_, here, SEEK_SET);
    size_ = end;
    return end;
}

bool TStdioStream::Flush() { return file_ && std::fflush(file_) == 0; }
