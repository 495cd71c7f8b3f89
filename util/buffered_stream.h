// A byte stream with one buffer in front of an unbuffered medium (a file handle). The file
// formats read and write a field at a time; through this buffer each field costs a memory copy,
// and the medium sees blocks of the buffer's size (or the caller's own block when that is larger).
#pragma once

#include <vector>

#include "util/stream.h"

class TBufferedStream : public TByteStream {
public:
    static constexpr size_t kDefaultCapacity = 64 * 1024;

    explicit TBufferedStream(size_t capacity = kDefaultCapacity);
    TBufferedStream(const TBufferedStream&) = delete;
    TBufferedStream& operator=(const TBufferedStream&) = delete;

    size_t Read(void* buffer, size_t size) override;
    // Writes into the buffer; the medium is written when the buffer is full, before a seek away
    // from the end of the buffered bytes or a read, and by Flush. A failure of the medium is kept:
    // that write and every later Write and Flush return false.
    bool Write(const void* data, size_t size) override;
    bool Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Position() const override;
    // The medium's size (asked once) or the end of what was written, whichever is larger.
    int64_t Size() const override;
    // Writes the buffered bytes to the medium, then commits the medium (unless told not to);
    // false when anything written since the stream was attached could not be stored.
    bool Flush() override;
    bool Failed() const { return failed_; }
    // Whether Flush commits the medium (on a Win32 file: FlushFileBuffers, which waits until the
    // disk has every byte). On by default, for files that replace others; a file that is only
    // written out like any copied file turns it off (the commit of 200 MB cost as long as writing them).
    void SetCommitOnFlush(bool commit) { commitOnFlush_ = commit; }

protected:
    // The medium, by its subclass. Reads and writes start at the medium's own position, which
    // this class moves with RawSeek first when needed.
    virtual size_t RawRead(void* buffer, size_t size) = 0;
    virtual bool RawWrite(const void* data, size_t size) = 0;
    virtual bool RawSeek(int64_t position) = 0;
    virtual int64_t RawSize() const = 0;
    virtual bool RawCommit() { return true; }
    virtual bool RawIsOpen() const = 0;

    // Starts over on a medium that was just opened (or closed): nothing buffered, the position
    // given (the medium's own), size unknown, no failure.
    void Attach(int64_t position);
    // Writes the buffered bytes to the medium without committing it (the subclass's Close).
    bool WritePending();

private:
    enum Mode { kIdle, kReading, kWriting };

    bool PlaceMedium(int64_t position);
    size_t ReadDirect(void* buffer, size_t size, bool once);
    bool WriteDirect(const void* data, size_t size);

    std::vector<uint8_t> buffer_;
    Mode mode_ = kIdle;
    int64_t start_ = 0;        // offset in the medium of buffer_[0]
    size_t filled_ = 0;        // valid (reading) or pending (writing) bytes of buffer_
    int64_t pos_ = 0;          // the stream's position
    int64_t mediumPos_ = -1;   // the medium's own position, -1 when unknown
    mutable int64_t mediumSize_ = -1;  // asked once, then kept up to date by our writes
    int64_t writtenEnd_ = 0;   // end of everything written through this stream
    bool failed_ = false;
    bool commitOnFlush_ = true;
};
