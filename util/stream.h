// Byte streams: the one interface through which every file format of the program is read and written.
// Implementations: memory buffers (tests, clipboard), stdio files (native tools), Win32 file handles.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "util/tvbase.h"

class TByteStream {
public:
    enum SeekOrigin { SeekBegin = 0, SeekCurrent = 1, SeekEnd = 2 };

    virtual ~TByteStream() = default;
    // Reads up to size bytes; returns the number read (0 at the end or on error).
    virtual size_t Read(void* buffer, size_t size) = 0;
    // Writes size bytes; returns true only when all were written.
    virtual bool Write(const void* data, size_t size) = 0;
    // Moves the position; returns false (position unchanged) when the target would be negative or
    // the stream cannot seek.
    virtual bool Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Position() const = 0;
    // Total size in bytes, or -1 when unknown.
    virtual int64_t Size() const = 0;
    // Pushes buffered data to the medium (files); true on success.
    virtual bool Flush() { return true; }

    // Bytes between the position and the end; 0 when unknown or past the end.
    int64_t Remaining() const;

    // Exact reads: true only when all bytes were read. On failure the destination keeps its old value.
    bool ReadExact(void* buffer, size_t size);
    bool ReadU8(uint8_t* value);
    bool ReadU32(uint32_t* value);
    bool ReadI32(int32_t* value);
    bool ReadU64(uint64_t* value);
    bool WriteU8(uint8_t value);
    bool WriteU32(uint32_t value);
    bool WriteI32(int32_t value) { return WriteU32(uint32_t(value)); }
    bool WriteU64(uint64_t value);
};

// A growable in-memory stream. Writing past the end extends it; seeking past the end is allowed
// for reads (they return 0 bytes) and fills with zeros on the next write.
class TMemoryStream : public TByteStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
    TMemoryStream(const void* bytes, size_t size);

    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override { return int64_t(pos_); }
    int64_t Size() const override { return int64_t(data_.size()); }

    const std::vector<uint8_t>& Data() const { return data_; }
    std::vector<uint8_t>& Data() { return data_; }
    void Rewind() { pos_ = 0; }

private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

// A read-only view of caller-owned memory (fuzzers, parsers of received data). No copy is made.
class TMemoryViewStream : public TByteStream {
public:
    TMemoryViewStream(const void* bytes, size_t size) : data_(static_cast<const uint8_t*>(bytes)), size_(size) {}
    size_t Read(void* buffer, size_t size) override;
    bool Write(const void*, size_t) override { return false; }
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override { return int64_t(pos_); }
    int64_t Size() const override { return int64_t(size_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A stdio FILE. Owns the FILE when opened through Open.
class TStdioStream : public TByteStream {
public:
    TStdioStream() = default;
    explicit TStdioStream(FILE* file, bool own = false) : file_(file), own_(own) {}
    ~TStdioStream() override { Close(); }
    TStdioStream(const TStdioStream&) = delete;
    TStdioStream& operator=(const TStdioStream&) = delete;

    // mode as for fopen ("rb", "wb", "r+b"); returns false when the file cannot be opened.
    bool Open(const char* path, const char* mode);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    size_t Read(void* buffer, size_t size) override;
    bool Write(const void* data, size_t size) override;
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override;
    int64_t Size() const override;
    bool Flush() override;

private:
    FILE* file_ = nullptr;
    bool own_ = false;
    mutable int64_t size_ = -1;  // cached; forgotten on every write
};
