#include "util/buffered_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

TBufferedStream::TBufferedStream(size_t capacity) : buffer_(capacity < 16 ? 16 : capacity) {}

void TBufferedStream::Attach(int64_t position) {
    mode_ = kIdle;
    start_ = 0;
    filled_ = 0;
    pos_ = position < 0 ? 0 : position;
    mediumPos_ = position;
    mediumSize_ = -1;
    writtenEnd_ = 0;
    failed_ = false;
}

bool TBufferedStream::PlaceMedium(int64_t position) {
    if (mediumPos_ == position) return true;
    if (!RawSeek(position)) {
        mediumPos_ = -1;
        return false;
    }
    mediumPos_ = position;
    return true;
}

bool TBufferedStream::WritePending() {
    if (mode_ != kWriting) return !failed_;
    const size_t pending = filled_;
    mode_ = kIdle;
    filled_ = 0;
    if (pending == 0) return !failed_;
    if (failed_ || !PlaceMedium(start_) || !RawWrite(buffer_.data(), pending)) {
        failed_ = true;
        mediumPos_ = -1;
        return false;
    }
    mediumPos_ = start_ + int64_t(pending);
    if (mediumSize_ >= 0 && mediumPos_ > mediumSize_) mediumSize_ = mediumPos_;
    return true;
}

size_t TBufferedStream::ReadDirect(void* buffer, size_t size, bool once) {
    if (!PlaceMedium(pos_)) return 0;
    size_t total = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < size) {
        const size_t got = RawRead(out + total, size - total);
        total += got;
        if (got == 0 || once) break;
    }
    mediumPos_ = pos_ + int64_t(total);
    return total;
}

size_t TBufferedStream::Read(void* buffer, size_t size) {
    if (!RawIsOpen() || size == 0 || !buffer) return 0;
    // Bytes not yet on the medium must be there before it is read.
    if (mode_ == kWriting && !WritePending()) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t total = 0;
    while (total < size) {
        if (mode_ == kReading && pos_ >= start_ && pos_ < start_ + int64_t(filled_)) {
            const size_t offset = size_t(pos_ - start_);
            const size_t n = std::min(size - total, filled_ - offset);
            std::memcpy(out + total, buffer_.data() + offset, n);
            total += n;
            pos_ += int64_t(n);
            continue;
        }
        const size_t wanted = size - total;
        if (wanted >= buffer_.size()) {
            // A large block goes straight into the caller's memory.
            const size_t got = ReadDirect(out + total, wanted, false);
            total += got;
            pos_ += int64_t(got);
            break;
        }
        mode_ = kIdle;
        filled_ = 0;
        start_ = pos_;
        // One call of the medium per block: a short answer is what there is for now.
        const size_t got = ReadDirect(buffer_.data(), buffer_.size(), true);
        if (got == 0) break;
        mode_ = kReading;
        filled_ = got;
    }
    return total;
}

bool TBufferedStream::WriteDirect(const void* data, size_t size) {
    if (!PlaceMedium(pos_) || !RawWrite(data, size)) {
        failed_ = true;
        mediumPos_ = -1;
        return false;
    }
    mediumPos_ = pos_ + int64_t(size);
    if (mediumSize_ >= 0 && mediumPos_ > mediumSize_) mediumSize_ = mediumPos_;
    return true;
}

bool TBufferedStream::Write(const void* data, size_t size) {
    if (!RawIsOpen() || failed_) return false;
    if (size == 0) return true;
    if (!data || pos_ > std::numeric_limits<int64_t>::max() - int64_t(size)) return false;
    // What was read ahead no longer tells what the medium holds.
    if (mode_ == kReading) {
        mode_ = kIdle;
        filled_ = 0;
    }
    const auto* in = static_cast<const uint8_t*>(data);
    if (size >= buffer_.size()) {
        // A large block goes to the medium as it is, after what was pending.
        if (!WritePending() || !WriteDirect(in, size)) return false;
    } else {
        if (mode_ == kWriting && filled_ + size > buffer_.size() && !WritePending()) return false;
        if (mode_ != kWriting) {
            mode_ = kWriting;
            start_ = pos_;
            filled_ = 0;
        }
        std::memcpy(buffer_.data() + filled_, in, size);
        filled_ += size;
    }
    pos_ += int64_t(size);
    writtenEnd_ = std::max(writtenEnd_, pos_);
    return true;
}

bool TBufferedStream::Seek(int64_t offset, SeekOrigin origin) {
    if (!RawIsOpen()) return false;
    int64_t base = 0;
    switch (origin) {
        case SeekBegin: base = 0; break;
        case SeekCurrent: base = pos_; break;
        case SeekEnd: base = Size(); break;
        default: return false;
    }
    if (base < 0) return false;
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) return false;
    const int64_t target = base + offset;
    if (target < 0) return false;
    // Pending bytes are kept together only while the writes follow each other.
    if (mode_ == kWriting && target != pos_ && !WritePending()) return false;
    pos_ = target;
    return true;
}

int64_t TBufferedStream::Position() const { return RawIsOpen() ? pos_ : -1; }

int64_t TBufferedStream::Size() const {
    if (!RawIsOpen()) return -1;
    if (mediumSize_ < 0) {
        mediumSize_ = RawSize();
        if (mediumSize_ < 0) return -1;
    }
    return std::max(mediumSize_, writtenEnd_);
}

bool TBufferedStream::Flush() {
    if (!RawIsOpen()) return false;
    const bool written = WritePending();
    if (commitOnFlush_ && !RawCommit()) failed_ = true;
    return written && !failed_;
}
