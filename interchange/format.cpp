#include "interchange/format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "util/text.h"

size_t InterchangeBufferOffset(int64_t from, int64_t to) {
    const size_t page = TV_INTERCHANGE_PAGE, near = TV_INTERCHANGE_NEAR;
    const size_t source = size_t(uint64_t(from < 0 ? 0 : from) % page);
    const size_t target = size_t(uint64_t(to < 0 ? 0 : to) % page);
    // Writing out: the buffer at the target's place in its page, so that move runs in step.
    const size_t readDistance = (target + page - source) % page;
    if (readDistance == 0 || readDistance >= near) return target;
    // Reading in would then move to just behind its source: one step further on keeps both
    // moves out of that window (the write's destination then lies a page less `near` behind).
    return (target + near) % page;
}

namespace {
// A copy buffer for a block of length bytes: one chunk, smaller for small files (thousands of
// small shortcut files should not each clear a whole chunk). A buffer of a page or more is
// placed in its memory by InterchangeBufferOffset for copies from `from` to `to`; its chunks
// are whole pages, so both moves keep their distance from chunk to chunk.
class TChunkBuffer {
public:
    TChunkBuffer(int64_t length, int64_t from, int64_t to)
        : size_(size_t(std::max<int64_t>(1, std::min<int64_t>(length, TV_INTERCHANGE_CHUNK)))),
          storage_(size_ + (size_ >= TV_INTERCHANGE_PAGE ? TV_INTERCHANGE_PAGE : 0)) {
        data_ = storage_.data();
        if (size_ >= TV_INTERCHANGE_PAGE) {
            const size_t at = size_t(reinterpret_cast<uintptr_t>(data_) % TV_INTERCHANGE_PAGE);
            data_ += (InterchangeBufferOffset(from, to) + TV_INTERCHANGE_PAGE - at) % TV_INTERCHANGE_PAGE;
        }
    }
    uint8_t* data() { return data_; }
    size_t size() const { return size_; }

private:
    size_t size_;
    std::vector<uint8_t> storage_;
    uint8_t* data_;
};
}  // namespace

int32_t ParseInterchangeVersion(const char* magic) {
    if (!magic) return 0;
    char copy[TV_INTERCHANGE_MAGIC_SIZE + 1] = {};
    CopyLimited(copy, magic, sizeof copy);
    if (std::strlen(copy) != TV_INTERCHANGE_MAGIC_SIZE) return 0;
    std::memcpy(copy + 2, "240000", 6);
    if (!TextEquals(copy, TV_INTERCHANGE_MAGIC, 0, 0)) return 0;
    char digits[7] = {};
    std::memcpy(digits, magic + 2, 6);
    return int32_t(std::strtol(digits, nullptr, 10));
}

bool WriteInterchangeHeader(TByteStream* file, const InterchangeFileSettings& settings) {
    if (!file) return false;
    bool ok = file->Write(TV_INTERCHANGE_MAGIC, TV_INTERCHANGE_MAGIC_SIZE);
    ok = file->WriteU8(settings.kind) && ok;
    ok = file->WriteI32(settings.downloadsIncluded) && ok;
    ok = file->WriteI32(settings.bookmarksIncluded) && ok;
    return ok;
}

int32_t ReadInterchangeHeader(TByteStream* file, InterchangeFileSettings* settings) {
    if (!settings) return 0;
    auto unusable = [settings] {
        settings->kind = TV_INTERCHANGE_UNUSABLE;
        settings->downloadsIncluded = 0;
        settings->bookmarksIncluded = 0;
    };
    char magic[TV_INTERCHANGE_MAGIC_SIZE + 1] = {};
    if (!file || !file->ReadExact(magic, TV_INTERCHANGE_MAGIC_SIZE)) {
        unusable();
        return 0;
    }
    const int32_t version = ParseInterchangeVersion(magic);
    if (version < TV_INTERCHANGE_VERSION) {
        unusable();
        return version;
    }
    uint8_t kind = 0;
    int32_t downloads = 0, bookmarks = 0;
    if (!file->ReadU8(&kind) || !file->ReadI32(&downloads) || !file->ReadI32(&bookmarks) ||
        kind > TV_INTERCHANGE_BACKUP || (downloads != 0 && downloads != 1) || (bookmarks != 0 && bookmarks != 1)) {
        unusable();
        return version;
    }
    settings->kind = kind;
    settings->downloadsIncluded = downloads;
    settings->bookmarksIncluded = bookmarks;
    return version;
}

bool WriteStoredFileBlock(TByteStream* out, TByteStream* source, int64_t length, const TPumpHook& pump,
                          TBlockWriteResult* result) {
    TBlockWriteResult local;
    TBlockWriteResult& r = result ? *result : local;
    r = TBlockWriteResult();
    if (!out || length < 0 || length > TV_INTERCHANGE_MAX_BLOCK || (!source && length != 0)) return false;
    r.length = length;
    bool ok = out->WriteI32(int32_t(length));
    TChunkBuffer buffer(length, source ? source->Position() : 0, out->Position());
    int64_t copied = 0;
    bool sourceEnded = false;
    while (ok && copied < length) {
        const size_t want = size_t(std::min<int64_t>(length - copied, int64_t(buffer.size())));
        size_t got = sourceEnded ? 0 : source->Read(buffer.data(), want);
        if (got < want) {
            // The file shrank while it was copied: zeros keep the block at its promised length.
            sourceEnded = true;
            r.changed = true;
            std::memset(buffer.data() + got, 0, want - got);
            got = want;
        }
        ok = out->Write(buffer.data(), got);
        copied += int64_t(got);
        pump();
    }
    if (ok && source && !sourceEnded) {
        uint8_t probe;
        if (source->Read(&probe, 1) > 0) r.changed = true;  // it grew: the rest stays out
    }
    r.ok = ok;
    return ok;
}

TBlockStatus BeginStoredFileBlock(TByteStream* in, int64_t* length) {
    if (length) *length = 0;
    int32_t n = 0;
    if (!in || !in->ReadI32(&n)) return TV_BLOCK_END;
    if (n < 0) return TV_BLOCK_BAD_LENGTH;
    // The file's size decides, never the length: a block that promises more than is left is cut.
    if (in->Size() >= 0 && int64_t(n) > in->Remaining()) return TV_BLOCK_CUT;
    if (length) *length = n;
    return TV_BLOCK_OK;
}

TBlockStatus CopyStoredFileBlock(TByteStream* in, int64_t length, TByteStream* sink, const TPumpHook& pump) {
    if (!in || length < 0) return TV_BLOCK_BAD_LENGTH;
    // The buffer follows the length only up to one chunk: the length was checked against the
    // file's size, and a large one still costs no more than a chunk.
    TChunkBuffer buffer(length, in->Position(), sink ? sink->Position() : 0);
    bool sinkOk = sink != nullptr;
    int64_t copied = 0;
    while (copied < length) {
        const int64_t left = length - copied;
        if (!sinkOk) {
            // Skipping: no copy needed, but the position must really be there.
            if (in->Size() >= 0 && left > in->Remaining()) return TV_BLOCK_CUT;
            if (!in->Seek(left, TByteStream::SeekCurrent)) return TV_BLOCK_CUT;
            break;
        }
        const size_t want = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        const size_t got = in->Read(buffer.data(), want);
        if (got == 0) return TV_BLOCK_CUT;
        if (!sink->Write(buffer.data(), got)) sinkOk = false;
        copied += int64_t(got);
        pump();
    }
    if (sink && !sinkOk) return TV_BLOCK_WRITE_FAILED;
    return TV_BLOCK_OK;
}

// ---------------------------------------------------------------- TBufferedReadStream

TBufferedReadStream::TBufferedReadStream(TByteStream* inner, size_t bufferSize)
    : inner_(inner), buffer_(bufferSize ? bufferSize : 1) {}

size_t TBufferedReadStream::Read(void* buffer, size_t size) {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (begin_ == end_) {
            // Reads of whole chunks (stored files) bypass the buffer once it is empty: copying
            // them through it would only add a copy.
            if (size - done >= buffer_.size() / 8) {
                const size_t got = inner_->Read(out + done, size - done);
                done += got;
                break;
            }
            begin_ = 0;
            end_ = inner_->Read(buffer_.data(), buffer_.size());
            if (end_ == 0) break;
        }
        const size_t take = std::min(size - done, end_ - begin_);
        std::memcpy(out + done, buffer_.data() + begin_, take);
        begin_ += take;
        done += take;
    }
    return done;
}

bool TBufferedReadStream::Seek(int64_t offset, SeekOrigin origin) {
    if (origin == SeekCurrent) {
        // Relative to what the reader has seen, not to the inner stream's read-ahead.
        const int64_t target = Position() + offset;
        if (target < 0) return false;
        begin_ = end_ = 0;
        return inner_->Seek(target, SeekBegin);
    }
    const int64_t before = Position();
    begin_ = end_ = 0;
    if (inner_->Seek(offset, origin)) return true;
    inner_->Seek(before, SeekBegin);
    return false;
}

int64_t TBufferedReadStream::Position() const { return inner_->Position() - int64_t(end_ - begin_); }
